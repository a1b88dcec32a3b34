// The scene viewer control in a real window under the display: frames on exposure and on
// change, a new context for new pixel-format wishes, the snapshot, the camera's going, the mouse,
// wheel and keys, the order in which its parts go, and the control's published properties.
// clang-format off
// Qt's headers come before the engine's OpenGL binding, whose names would rename their members.
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <QWindow>
// clang-format on
#include <gtest/gtest.h>

#include <any>
#include <memory>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/platform/GLQtContext.h"
#include "engine/platform/GLSceneViewer.h"
#include "tests/support/SceneGL.h"

namespace {

// The background of the frames below: red 51, green 102, blue 204.
constexpr TColor cBackground = 0xCC6633;

// Records the input that reaches a widget from its children.
class TInputLog : public QObject {
 public:
  std::vector<QEvent::Type> Types;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Wheel || event->type() == QEvent::KeyPress)
      Types.push_back(event->type());
    return false;
  }
};

class SceneViewerGui : public SceneGLUnitsTest {
 protected:
  void SetUp() override {
    SceneGLUnitsTest::SetUp();
    form = std::make_unique<QWidget>();
    form->resize(200, 150);
    viewer = std::make_unique<TGLSceneViewer>(nullptr);
    viewer->GetControl()->setParent(form.get());
    viewer->SetWidth(64);
    viewer->SetHeight(48);
    viewer->GetBuffer()->SetBackgroundColor(cBackground);
    viewer->SetCamera(camera);
  }
  void TearDown() override {
    viewer.reset();
    form.reset();
    SceneGLUnitsTest::TearDown();
  }
  // Shows the form and waits for the viewer's first frame.
  [[nodiscard]] bool ShowAndWaitForAFrame() { return ShowForm() && WaitForFrames(1); }
  [[nodiscard]] bool ShowForm() {
    form->show();
    return WaitFor([&] { return form->windowHandle() && form->windowHandle()->isExposed(); });
  }
  // What these tests wait for (an exposure, a frame) comes with an event; the deadline is far
  // beyond any such event's time, so that only one that never comes fails, however loaded the
  // machine.
  static constexpr int Deadline = 60000;
  // Handles events until `done` holds; false when the deadline passes first.
  template <class F>
  [[nodiscard]] static bool WaitFor(F done) {
    return QTest::qWaitFor(done, Deadline);
  }
  [[nodiscard]] bool WaitForFrames(int count) {
    return WaitFor([&] { return Frames() >= count; });
  }
  int Frames() const { return viewer->GetBuffer()->GetFrameCount(); }

  TGLSceneGraph scene{nullptr};
  TGLCamera* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(scene.GetCameras());
  std::unique_ptr<QWidget> form;
  std::unique_ptr<TGLSceneViewer> viewer;
};

TEST_F(SceneViewerGui, APixelFormatChangeMakesANewContextWhileABackgroundChangeOnlyRepaints) {
  ASSERT_TRUE(ShowAndWaitForAFrame());
  ASSERT_TRUE(viewer->GetOpenGLAvailable());
  TGLContext* context = viewer->GetBuffer()->GetRenderingContext();
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->RenderOutputDevice(), viewer->GetWindow());
  // A list of the first context: it goes with that context, and only with it.
  TGLListHandle list;
  WithActiveContext(*context, [&] { list.AllocateHandle(); });
  ASSERT_NE(list.GetHandle(), 0u);

  int frames = Frames();
  viewer->GetBuffer()->SetBackgroundColor(0x00FF00);
  ASSERT_TRUE(WaitForFrames(frames + 1)) << "a repaint follows";
  EXPECT_NE(list.GetHandle(), 0u) << "the same context";

  frames = Frames();
  viewer->GetBuffer()->SetDepthPrecision(dp16bits);
  EXPECT_EQ(list.GetHandle(), 0u) << "the old context is gone";
  ASSERT_NE(viewer->GetWindow(), nullptr);
  EXPECT_EQ(viewer->GetWindow()->requestedFormat().depthBufferSize(), 16);
  ASSERT_TRUE(viewer->GetBuffer()->RCInstantiated());
  EXPECT_TRUE(viewer->GetBuffer()->GetRenderingContext()->IsValid());
  EXPECT_TRUE(WaitForFrames(frames + 1)) << "the new window shows frames";
}

TEST_F(SceneViewerGui, AZeroSizeViewerRendersNothing) {
  viewer->SetWidth(0);
  ASSERT_TRUE(ShowForm());
  viewer->HandleNeeded();
  viewer->Invalidate();
  QTest::qWait(100);
  EXPECT_EQ(Frames(), 0);
  viewer->SetWidth(64);
  ASSERT_TRUE(WaitForFrames(1));
}

TEST_F(SceneViewerGui, TheSnapshotIsViewerSizedInTheBackgroundColour) {
  ASSERT_TRUE(ShowAndWaitForAFrame());
  const QImage snapshot = viewer->CreateSnapShotBitmap();
  EXPECT_EQ(snapshot.size(), QSize(64, 48));
  EXPECT_EQ(snapshot.format(), QImage::Format_RGB888);
  EXPECT_EQ(snapshot.depth(), 24);
  for (const QPoint at :
       {QPoint(0, 0), QPoint(63, 0), QPoint(0, 47), QPoint(63, 47), QPoint(30, 20)})
    EXPECT_EQ(snapshot.pixelColor(at), QColor(51, 102, 204)) << at.x() << ", " << at.y();
}

TEST_F(SceneViewerGui, FreeingTheCameraClearsItAndTheBufferLeavesTheScene) {
  ASSERT_TRUE(ShowAndWaitForAFrame());
  ASSERT_NE(scene.GetBuffers(), nullptr);
  delete camera;
  camera = nullptr;
  EXPECT_EQ(viewer->GetCamera(), nullptr);
  EXPECT_EQ(scene.GetBuffers(), nullptr);
  EXPECT_EQ(viewer->GetFieldOfView(), 0);
}

TEST_F(SceneViewerGui, FieldOfViewGoesThroughTheCameraOverTheSmallerSide) {
  camera->SetFocalLength(50);
  const float degrees = viewer->GetFieldOfView();
  EXPECT_FLOAT_EQ(degrees, camera->GetFieldOfView(48));
  viewer->SetFieldOfView(90);
  EXPECT_NEAR(camera->GetFocalLength(), 24, 1e-4) << "48 / (2 tan 45°)";
}

TEST_F(SceneViewerGui, TheMouseBecomesTheViewersEventsAndWheelAndKeysGoOnToTheForm) {
  ASSERT_TRUE(ShowAndWaitForAFrame());
  std::vector<std::string> events;
  viewer->OnMouseDown = [&](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    EXPECT_EQ(sender, viewer.get());
    events.push_back("down " + std::to_string(button) + " " + std::to_string(shift) + " " +
                     std::to_string(x) + "," + std::to_string(y));
  };
  viewer->OnMouseUp = [&](TObject*, TMouseButton button, TShiftState, int x, int y) {
    events.push_back("up " + std::to_string(button) + " " + std::to_string(x) + "," +
                     std::to_string(y));
  };
  viewer->OnMouseMove = [&](TObject*, TShiftState shift, int x, int y) {
    events.push_back("move " + std::to_string(shift) + " " + std::to_string(x) + "," +
                     std::to_string(y));
  };
  viewer->OnClick = [&](TObject*) { events.push_back("click"); };
  TInputLog formInput;
  form->installEventFilter(&formInput);

  QWindow* window = viewer->GetWindow();
  QTest::mousePress(window, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 20));
  QTest::mouseMove(window, QPoint(12, 22));
  QTest::mouseRelease(window, Qt::LeftButton, Qt::ShiftModifier, QPoint(12, 22));
  QTest::mousePress(window, Qt::RightButton, Qt::NoModifier, QPoint(5, 6));
  QTest::mouseRelease(window, Qt::RightButton, Qt::NoModifier, QPoint(5, 6));
  // The pointer comes to each press with no button held: those moves are events too.
  const std::vector<std::string> expected = {
      "move " + std::to_string(ssShift) + " 10,20",
      "down 0 " + std::to_string(ssShift | ssLeft) + " 10,20",
      "move " + std::to_string(ssLeft) + " 12,22",
      "click",
      "up 0 12,22",
      "move 0 5,6",
      "down 1 " + std::to_string(ssRight) + " 5,6",
      "up 1 5,6"};
  EXPECT_EQ(events, expected);

  QWheelEvent wheel(QPointF(10, 10), window->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(window, &wheel);
  QTest::keyClick(window, Qt::Key_Up);
  EXPECT_EQ(formInput.Types, (std::vector<QEvent::Type>{QEvent::Wheel, QEvent::KeyPress}));
}

TEST_F(SceneViewerGui, TheContextGoesBeforeTheBufferWhicheverPartGoesFirst) {
  ASSERT_TRUE(ShowAndWaitForAFrame());
  viewer.reset();
  EXPECT_EQ(GLContextManager->ContextCount(), 0);
  EXPECT_EQ(TrackedWindowCount(), 0);

  viewer = std::make_unique<TGLSceneViewer>(nullptr);
  viewer->GetControl()->setParent(form.get());
  viewer->SetCamera(camera);
  viewer->GetControl()->show();
  ASSERT_TRUE(WaitForFrames(1));
  ASSERT_EQ(GLContextManager->ContextCount(), 1);
  form.reset();  // takes the control, its window and its context along
  EXPECT_EQ(viewer->GetControl(), nullptr);
  EXPECT_FALSE(viewer->GetBuffer()->RCInstantiated());
  EXPECT_EQ(GLContextManager->ContextCount(), 0);
  EXPECT_EQ(TrackedWindowCount(), 0);
  viewer->GetBuffer()->SetBackgroundColor(0x00FF00);  // no window to ask for a frame
}

// A form that holds a viewer, then a scene with its camera, as the 3D window's layout does.
class TViewerForm : public TComponent {
  RTL_CLASS(TViewerForm, TComponent)
  using TComponent::TComponent;
};

TEST_F(SceneViewerGui, ALayoutStoresTheViewerAndAFieldOfViewReadBeforeItsCameraChangesNothing) {
  RegisterGLSceneGraph();
  RegisterGLSceneViewer();
  RegisterClass(TViewerForm::StaticClass());
  std::string layout;
  {
    TViewerForm written(nullptr);
    written.SetName("Form3D");
    auto* stored = new TGLSceneViewer(&written);
    stored->SetName("GLSceneViewer1");
    auto* storedScene = new TGLSceneGraph(&written);
    storedScene->SetName("GLScene1");
    auto* storedCamera = new TGLCamera(&written);
    storedCamera->SetName("GLCamera1");
    storedScene->GetCameras()->AddChild(storedCamera);
    storedCamera->SetFocalLength(105);
    stored->SetWidth(520);
    stored->SetHeight(381);
    stored->SetCamera(storedCamera);
    stored->SetVSync(vsmSync);
    stored->SetAnchors(0b1111);
    stored->GetBuffer()->SetBackgroundColor(clBlack);
    TStringStream stream;
    stream.WriteComponent(&written);
    layout = stream.DataString();
  }
  for (const char* line :
       {"object GLSceneViewer1: TGLSceneViewer", "  Width = 520", "  Camera = GLCamera1",
        "  VSync = vsmSync", "  Buffer.BackgroundColor = clBlack",
        "  FieldOfView = ", "  Anchors = [akLeft, akTop, akRight, akBottom]"})
    EXPECT_NE(layout.find(line), std::string::npos) << line << "\n" << layout;

  // Another field of view, which would change the focal length were the camera there to take it.
  const size_t at = layout.find("  FieldOfView = ");
  layout.replace(at, layout.find('\n', at) - at, "  FieldOfView = 30");
  TViewerForm read(nullptr);
  TStringStream stream(layout);
  stream.ReadComponent(&read);
  auto* loaded = dynamic_cast<TGLSceneViewer*>(read.FindComponent("GLSceneViewer1"));
  auto* loadedCamera = dynamic_cast<TGLCamera*>(read.FindComponent("GLCamera1"));
  ASSERT_NE(loaded, nullptr);
  ASSERT_NE(loadedCamera, nullptr);
  EXPECT_EQ(loaded->GetCamera(), loadedCamera);
  EXPECT_EQ(loadedCamera->GetFocalLength(), 105) << "the camera keeps its own focal length";
  EXPECT_EQ(loaded->GetWidth(), 520);
  EXPECT_EQ(loaded->GetVSync(), vsmSync);
  EXPECT_EQ(loaded->GetAnchors(), 0b1111);
  EXPECT_EQ(loaded->GetControl()->property("anchors").toString(), "akLeft,akTop,akRight,akBottom");
  EXPECT_EQ(loaded->GetBuffer()->GetBackgroundColor(), clBlack);
  EXPECT_TRUE(loaded->HandleAllocated()) << "the window is made once the layout is read";
  EXPECT_TRUE(loaded->GetBuffer()->RCInstantiated());
}

// A form whose methods bind the viewer's drag and context-popup events, each logging its name,
// and a component that stands for a popup menu.
class TMenuForm : public TComponent {
  RTL_CLASS(TMenuForm, TComponent)
  using TComponent::TComponent;
  std::any MethodAddress(const std::string& name) const override {
    auto log = [this, name] { const_cast<TMenuForm*>(this)->Calls.push_back(name); };
    if (name == "ViewerDragDrop")
      return TDragDropEvent([=](TObject*, TObject*, int, int) { log(); });
    if (name == "ViewerDragOver")
      return TDragOverEvent([=](TObject*, TObject*, int, int, TDragState, bool&) { log(); });
    if (name == "ViewerStartDrag") return TStartDragEvent([=](TObject*, TObject*&) { log(); });
    if (name == "ViewerEndDrag") return TEndDragEvent([=](TObject*, TObject*, int, int) { log(); });
    if (name == "ViewerContextPopup")
      return TContextPopupEvent([=](TObject*, int, int, bool&) { log(); });
    return {};
  }
  std::vector<std::string> Calls;
};
class TPopupStandIn : public TComponent {
  RTL_CLASS(TPopupStandIn, TComponent)
  using TComponent::TComponent;
};

TEST_F(SceneViewerGui, ALayoutNamesEveryPublishedPropertyAndTheOnesQtHasAct) {
  RegisterGLSceneViewer();
  RegisterClass(TMenuForm::StaticClass());
  RegisterClass(TPopupStandIn::StaticClass());
  const std::vector<std::string> lines = {
      "    Align = alClient",
      "    DragCursor = crHandPoint",
      "    DragMode = dmAutomatic",
      "    Enabled = False",
      "    HelpContext = 7",
      "    Hint = 'Drag to turn'",
      "    PopupMenu = Menu",
      "    Visible = False",
      "    OnDragDrop = ViewerDragDrop",
      "    OnDragOver = ViewerDragOver",
      "    OnStartDrag = ViewerStartDrag",
      "    OnEndDrag = ViewerEndDrag",
      "    OnContextPopup = ViewerContextPopup",
  };
  std::string layout =
      "object Form: TMenuForm\n"
      "  object Menu: TPopupStandIn\n"
      "  end\n"
      "  object Viewer: TGLSceneViewer\n"
      "    Width = 64\n"
      "    Height = 48\n";
  for (const std::string& line : lines) layout += line + "\n";
  layout += "  end\nend\n";
  TMenuForm read(nullptr);
  TStringStream in(layout);
  ASSERT_NO_THROW(in.ReadComponent(&read)) << layout;
  auto* loaded = dynamic_cast<TGLSceneViewer*>(read.FindComponent("Viewer"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetAlign(), alClient);
  EXPECT_EQ(loaded->GetAnchors(), 0b0011) << "read, the alignment leaves the anchors alone";
  EXPECT_EQ(loaded->GetDragCursor(), -21);
  EXPECT_EQ(loaded->GetDragMode(), dmAutomatic);
  EXPECT_EQ(loaded->GetHelpContext(), 7);
  EXPECT_EQ(loaded->GetPopupMenu(), read.FindComponent("Menu"));

  // Stored and read, no behaviour here: the events are bound to the form's methods.
  TObject* dragObject = nullptr;
  bool accept = false, handled = false;
  loaded->OnDragDrop(loaded, nullptr, 1, 2);
  loaded->OnDragOver(loaded, nullptr, 1, 2, dsDragMove, accept);
  loaded->OnStartDrag(loaded, dragObject);
  loaded->OnEndDrag(loaded, nullptr, 1, 2);
  loaded->OnContextPopup(loaded, 1, 2, handled);
  EXPECT_EQ(read.Calls,
            (std::vector<std::string>{"ViewerDragDrop", "ViewerDragOver", "ViewerStartDrag",
                                      "ViewerEndDrag", "ViewerContextPopup"}));

  // What Qt has acts: hidden in a shown form, disabled, the hint as tool tip, filling the form.
  QWidget* control = loaded->GetControl();
  EXPECT_EQ(control->toolTip(), "Drag to turn");
  EXPECT_FALSE(control->isEnabled());
  control->setParent(form.get());
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get(), Deadline));
  EXPECT_FALSE(control->isVisible());
  EXPECT_EQ(control->geometry(), form->rect());
  form->resize(120, 90);
  EXPECT_EQ(control->geometry(), QRect(0, 0, 120, 90)) << "kept filling the form";

  // Written again, every line comes back.
  TStringStream out;
  out.WriteComponent(&read);
  for (const std::string& line : lines)
    EXPECT_NE(out.DataString().find(line + "\n"), std::string::npos) << line << "\n"
                                                                     << out.DataString();

  delete read.FindComponent("Menu");
  EXPECT_EQ(loaded->GetPopupMenu(), nullptr) << "the freed menu is let go";
  control->setParent(nullptr);
}

TEST_F(SceneViewerGui, VisibilityEnablingAndAlignmentActOnTheShownControl) {
  ASSERT_TRUE(ShowAndWaitForAFrame());
  QWidget* control = viewer->GetControl();
  viewer->SetVisible(false);
  EXPECT_FALSE(control->isVisible());
  viewer->SetVisible(true);
  EXPECT_TRUE(control->isVisible());

  int downs = 0;
  viewer->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  viewer->SetEnabled(false);
  QTest::mousePress(viewer->GetWindow(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
  QTest::mouseRelease(viewer->GetWindow(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
  EXPECT_EQ(downs, 0) << "disabled";
  viewer->SetEnabled(true);
  QTest::mousePress(viewer->GetWindow(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
  QTest::mouseRelease(viewer->GetWindow(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
  EXPECT_EQ(downs, 1);

  const struct {
    TAlign align;
    QRect placed;  // in the 200 x 150 form, the viewer 64 x 48
    TControlAnchors anchors;
  } cases[] = {
      {alTop, QRect(0, 0, 200, 48), 0b0111},     {alBottom, QRect(0, 102, 200, 48), 0b1101},
      {alLeft, QRect(0, 0, 64, 150), 0b1011},    {alRight, QRect(136, 0, 64, 150), 0b1110},
      {alClient, QRect(0, 0, 200, 150), 0b1111},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.align));
    viewer->SetAlign(alNone);
    viewer->SetWidth(64);
    viewer->SetHeight(48);
    viewer->SetAlign(c.align);
    EXPECT_EQ(control->geometry(), c.placed);
    EXPECT_EQ(viewer->GetAnchors(), c.anchors);
  }
  form->resize(300, 100);
  EXPECT_EQ(control->geometry(), QRect(0, 0, 300, 100)) << "the parent's new size";
}

}  // namespace
