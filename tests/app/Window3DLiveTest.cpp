// The 3D window on the display with its viewer's OpenGL context: the stored layout as a golden
// round trip, frames of the stored scene, what its picture shows, the sky hidden, the copy to the
// clipboard, the mouse, wheel and keys through the viewer's window, the window's hint over the
// view, a single frame at opening, the anchors, and the window opened from the main window's
// "3D Proof".
// clang-format off
// Qt's OpenGL headers come before the engine's; their native-interface header names a type
// EGLContext, as the engine's context error is named, and is kept out.
#define QOPENGLCONTEXT_PLATFORM_H
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include "tests/app/Window3DFixture.h"
#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>
// clang-format on
#include <link.h>

#include "engine/GLTexture.h"
#include "tests/app/MainWindowFixture.h"

namespace {

[[maybe_unused]] testing::Environment* const Units =
    testing::AddGlobalTestEnvironment(new TProgramUnits);

class Window3DLive : public Window3DTest {
 protected:
  void SetUp() override {
    Window3DTest::SetUp();
    form->Joints = &joints;
    form->Groups = &groups;
  }

  // FormShow and the window on screen with its first frame drawn.
  void ShowAndWaitForAFrame() {
    form->FormShow();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get(), Deadline));
    ASSERT_TRUE(WaitForFramesAfter(0));
  }
  // The deadlines are far beyond any frame's time, so that only a frame that never comes fails,
  // however loaded the machine.
  static constexpr int Deadline = 60000;
  bool WaitForFramesAfter(int frames) {
    return QTest::qWaitFor([&] { return Buffer()->GetFrameCount() > frames; }, Deadline);
  }
  // What the viewer shows, from a frame of the scene as it is now.
  QImage Picture() { return form->GLSceneViewer->CreateSnapShotBitmap(); }
  TGLSceneBuffer* Buffer() const { return form->GLSceneViewer->GetBuffer(); }

  TScriptedDialogsScope dialogs;
  TJointList joints;
  TGroupList groups;
};

std::string Write(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

// ---- The stored layout

TEST_F(Window3DLive, TheStoredLayoutRoundTripsByteForByte) {
  EXPECT_EQ(Write(form.get()), Tfrm3D::StoredLayout());
  EXPECT_EQ(form->GetName(), "frm3D");
  ASSERT_NE(form->GLSceneViewer, nullptr);
  EXPECT_EQ(form->GLSceneViewer->GetCamera(), form->GLCamera);
  // The stored field of view came before the camera: the camera keeps its focal length.
  EXPECT_EQ(form->GLCamera->GetFocalLength(), 105);
  EXPECT_EQ(form->GLSceneViewer->GetControl()->parentWidget(), form.get());
  EXPECT_EQ(form->GLSceneViewer->GetControl()->geometry(), QRect(0, 0, 520, 381));
  EXPECT_TRUE(form->GLSceneViewer->HandleAllocated());
}

// ---- Frames

TEST_F(Window3DLive, TheStoredSceneWithPlanesRendersWithoutError) {
  for (const auto& [beta, psi] : {std::pair{120.0, 45.0}, {30.0, 70.0}, {0.0, 0.0}}) {
    auto joint = std::make_unique<TJoint>();
    joint->Beta = beta;
    joint->Psi = psi;
    joint->Color = 0x0000FF;
    joints.Add(std::move(joint));
  }
  ShowAndWaitForAFrame();
  form->chkXAxis->setChecked(true);
  form->chkYAxis->setChecked(true);
  form->chkPerspective->setChecked(false);
  Picture();
  EXPECT_TRUE(dialogs->Messages.empty()) << dialogs->Messages[0].Text;
}

TEST_F(Window3DLive, HidingTheSkyShowsTheBackgroundInACorner) {
  ShowAndWaitForAFrame();
  const TColorVector c = ConvertWinColor(Buffer()->GetBackgroundColor(), 1);
  const QColor background(qRound(c[0] * 255), qRound(c[1] * 255), qRound(c[2] * 255));
  const auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 1 && std::abs(a.green() - b.green()) <= 1 &&
           std::abs(a.blue() - b.blue()) <= 1;
  };
  const QPoint corner(2, 2);
  const QColor sky = Picture().pixelColor(corner);
  EXPECT_FALSE(near(sky, background)) << sky.name().toStdString();
  EXPECT_GT(sky.blue(), sky.red()) << sky.name().toStdString();
  form->chkSky->click();
  const QColor hidden = Picture().pixelColor(corner);
  EXPECT_TRUE(near(hidden, background))
      << hidden.name().toStdString() << " against " << background.name().toStdString();
  form->chkSky->click();
  EXPECT_TRUE(near(Picture().pixelColor(corner), sky));
}

TEST_F(Window3DLive, CopyClipboardPutsWhatTheViewerShowsAtItsSizeOnTheClipboard) {
  ShowAndWaitForAFrame();
  QGuiApplication::clipboard()->clear();
  form->btnCopy->click();
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(520, 381));
  const QImage shown = form->GLSceneViewer->CreateSnapShotBitmap();
  EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB888), shown);
  EXPECT_TRUE(dialogs->Messages.empty());
}

// The shares of a picture's pixels that look like each part of the scene.
struct TParts {
  double Sky = 0, Plane = 0, Outside = 0, Inside = 0, Grid = 0;
};

TParts PartsOf(const QImage& picture) {
  TParts parts;
  const double share = 1.0 / (picture.width() * picture.height());
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      const int r = c.red(), g = c.green(), b = c.blue();
      if (r < 50 && g < 50 && b < 50)
        parts.Grid += share;  // black lines
      else if (r > 100 && g < 50 && b < 50)
        parts.Plane += share;  // the red joint's upper face
      else if (r > 100 && g > 30 && g < r - 30 && b < g)
        parts.Outside += share;  // orange
      else if (b > r + 60 && std::abs(r - g) < 25)
        parts.Inside += share;  // blue violet
      else if (b > r + 40 && g > r + 30)
        parts.Sky += share;  // sky blue
    }
  return parts;
}

TEST_F(Window3DLive, TheViewShowsSkyBowlGridAndThePlanes) {
  auto joint = std::make_unique<TJoint>();
  joint->Color = 0x0000FF;  // a horizontal red joint, its upper face towards the camera
  joints.Add(std::move(joint));
  ShowAndWaitForAFrame();
  const TParts with = PartsOf(Picture());
  for (int i = StoredObjects; i < form->GLSceneGraph->GetObjects()->Count(); ++i)
    form->GLSceneGraph->GetObjects()->GetChild(i)->SetVisible(false);
  const TParts without = PartsOf(Picture());
  // From above the horizontal plane covers the bowl's inside and most of the grid, leaving the
  // sky round it and the bowl's outside below its near edge.
  EXPECT_GT(with.Plane, 0.2);
  EXPECT_GT(with.Sky, 0.2);
  EXPECT_GT(with.Outside, 0.005);
  EXPECT_GT(with.Grid, 0.002);
  EXPECT_LT(with.Inside, 0.02);
  // Without it the bowl shows its inside, and the grid shows round the bowl.
  EXPECT_LT(without.Plane, 0.01);
  EXPECT_GT(without.Inside, 0.15);
  EXPECT_GT(without.Outside, 0.005);
  EXPECT_GT(without.Grid, 0.005);
  EXPECT_GT(without.Sky, 0.2);
}

// ---- Mouse, wheel and keys through the viewer's window

TEST_F(Window3DLive, TheViewersWindowPassesDragsWheelAndKeysToTheWindowOnce) {
  ShowAndWaitForAFrame();
  QWindow* window = form->GLSceneViewer->GetWindow();
  ASSERT_NE(window, nullptr);
  ExpectOrbit(-10, 20, [&] {
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(window, QPoint(60, 120));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(60, 120));
  });
  EXPECT_EQ(form->MouseX, 60);
  EXPECT_EQ(form->MouseY, 120);

  const float distance = DistanceToTarget(form->GLCamera);
  QWheelEvent wheel(QPointF(10, 10), window->mapToGlobal(QPointF(10, 10)), QPoint(),
                    QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(window, &wheel);
  EXPECT_NEAR(DistanceToTarget(form->GLCamera) / distance, std::pow(1.1, -0.2), 1e-6);

  ExpectOrbit(0, 1, [&] { QTest::keyClick(window, Qt::Key_Insert); });
  ExpectOrbit(-1, 0, [&] { QTest::keyClick(window, Qt::Key_PageDown); });
  EXPECT_TRUE(dialogs->Messages.empty());
}

TEST_F(Window3DLive, MovesWithNoButtonHeldReachTheWindowAndOrbitNothing) {
  ShowAndWaitForAFrame();
  QWindow* window = form->GLSceneViewer->GetWindow();
  ASSERT_NE(window, nullptr);
  const TVector start = form->GLCamera->GetPosition()->GetAsVector();
  for (const QPoint at : {QPoint(50, 60), QPoint(150, 90)}) {
    QTest::mouseMove(window, at);
    EXPECT_EQ(QPoint(form->MouseX, form->MouseY), at);
  }
  ExpectVector(form->GLCamera->GetPosition()->GetAsVector(), start, 0);
  // A drag from there starts where the pointer is: it does not jump.
  ExpectOrbit(0, 10, [&] {
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(150, 90));
    QTest::mouseMove(window, QPoint(130, 90));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(130, 90));
  });
}

TEST_F(Window3DLive, ThePointerAtRestOverTheViewShowsTheWindowsHint) {
  // Tool tips show over the active window only; the windows of other tests on the same display
  // may take the activation at any time.
  form->setAttribute(Qt::WA_AlwaysShowToolTips);
  ShowAndWaitForAFrame();
  QToolTip::hideText();
  QTest::mouseMove(form->GLSceneViewer->GetWindow(), QPoint(200, 150));
  EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, Deadline));
  EXPECT_EQ(QToolTip::text(), form->toolTip());
  EXPECT_FALSE(QToolTip::text().isEmpty());
  QToolTip::hideText();
}

TEST_F(Window3DLive, TheViewPaintsOnceWhenTheWindowOpens) {
  for (int j = 0; j < 20; ++j) {
    auto joint = std::make_unique<TJoint>();
    joint->Beta = 18 * j;
    joint->Psi = 40;
    joints.Add(std::move(joint));
  }
  // Other suites' windows open at the screen's top left, and one that closes over this window
  // would expose it again: the bottom right keeps it clear of them.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  form->move(screen.right() - form->frameGeometry().width(),
             screen.bottom() - form->frameGeometry().height());
  // The system exposes a window shown anew more than once; on a loaded machine an exposure can
  // come after the first frame, and asks for a frame of its own. Nothing else draws again.
  struct TLateExposures : QObject {
    TGLSceneBuffer* Buffer = nullptr;
    int Count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Expose && Buffer->GetFrameCount() > 0) ++Count;
      return false;
    }
  } lateExposures;
  lateExposures.Buffer = Buffer();
  form->GLSceneViewer->GetWindow()->installEventFilter(&lateExposures);
  ShowAndWaitForAFrame();
  // The changes the planes made before the window showed are in its first frame.
  QTest::qWait(300);
  EXPECT_LE(Buffer()->GetFrameCount(), 1 + lateExposures.Count);
  form->GLSceneViewer->GetWindow()->removeEventFilter(&lateExposures);
  form->chkSky->click();
  EXPECT_TRUE(WaitForFramesAfter(1)) << "a change still repaints";
}

TEST_F(Window3DLive, TheViewerGrowsWithTheWindowAndTheControlsKeepTheirCorners) {
  ShowAndWaitForAFrame();
  form->resize(620, 478);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->size() == QSize(620, 478); }));
  EXPECT_EQ(form->GLSceneViewer->GetControl()->geometry(), QRect(0, 0, 620, 441));
  EXPECT_EQ(form->chkXAxis->geometry().topLeft(), QPoint(8, 444));
  EXPECT_EQ(form->chkPerspective->geometry().topLeft(), QPoint(120, 460));
  EXPECT_EQ(form->Spin->geometry().topLeft(), QPoint(313, 444));
  EXPECT_EQ(form->btnCopy->geometry(), QRect(443, 444, 90, 25));
  EXPECT_EQ(form->btnClose->geometry(), QRect(539, 444, 75, 25));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Buffer()->GetViewPort().Width == 620; }));
  EXPECT_EQ(Picture().size(), QSize(620, 441));
}

// ---- Opened from the main window

class ProofFromMainWindow : public MainWindowTest {
 protected:
  // Clicks "3D Proof" and runs `inside` while the window is up; the window is closed after.
  void OpenProof(const std::function<void(Tfrm3D&)>& inside) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto* frm3D = form->findChild<Tfrm3D*>();
      EXPECT_NE(frm3D, nullptr);
      if (!frm3D) return;
      EXPECT_TRUE(QTest::qWaitForWindowExposed(frm3D));
      inside(*frm3D);
      ran = true;
      QTest::mouseClick(frm3D->btnClose, Qt::LeftButton);
    });
    Click(form->btnProof);
    EXPECT_TRUE(ran);
  }
};

TEST_F(ProofFromMainWindow, OpensModallyOnTheListsAndStartsFromTheStoredLayoutEachTime) {
  AddJoint("J1", "120", "45");
  AddJoint("J2", "200", "30", 1);
  ChangeGroup(1, "Set 1", true, 0x00FF00);
  OpenProof([&](Tfrm3D& frm3D) {
    EXPECT_TRUE(frm3D.isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), &frm3D);
    EXPECT_EQ(frm3D.Joints, &form->GetJoints());
    EXPECT_EQ(frm3D.Groups, &form->GetGroups());
    // J1's pair, then the pair of the active group; the grouped J2 has none.
    EXPECT_EQ(frm3D.GLSceneGraph->GetObjects()->Count(), 9 + 4);
    frm3D.chkSphere->click();
    frm3D.GLCamera->MoveAroundTarget(30, 40);
  });
  // Released through the event loop once closed.
  EXPECT_NE(form->findChild<Tfrm3D*>(), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(form->findChild<Tfrm3D*>(), nullptr);

  OpenProof([&](Tfrm3D& frm3D) {
    EXPECT_TRUE(frm3D.chkSphere->isChecked());
    EXPECT_TRUE(frm3D.GLSphere->GetVisible());
    ExpectVector(frm3D.GLCamera->GetPosition()->GetAsVector(), {-1, -3, 4, 1}, 0);
    EXPECT_EQ(frm3D.GLSceneGraph->GetObjects()->Count(), 9 + 4);
  });
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(form->findChild<Tfrm3D*>(), nullptr);
  EXPECT_TRUE(dialogs->Messages.empty());
  // The window changed nothing of the main window's data.
  EXPECT_EQ(form->GetJoints().Count(), 2);
  EXPECT_EQ(Lines(form->lboJoints).size(), 2);
}

int LoadedObjectCount() {
  int count = 0;
  dl_iterate_phdr([](dl_phdr_info*, size_t, void* data) { return ++*static_cast<int*>(data), 0; },
                  &count);
  return count;
}

// In a process of its own, where nothing has loaded the OpenGL driver yet: loading it holds the
// thread that does it a tenth of a second and more, so the main window leaves it to the 3D window
// and loads none while the user works in it, the pointer and the focus on "3D Proof" included.
// The first context made after loads the driver, as the 3D window's does.
TEST(MainWindowLive, LoadsNoOpenGLDriverBefore3DProofOpens) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto form = std::make_unique<TfrmMain>();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) std::_Exit(2);
        QTest::qWait(20);
        const int shown = LoadedObjectCount();
        QTest::mouseMove(form->btnProof);
        form->btnProof->setFocus();
        QTest::qWait(20);
        form.reset();
        if (LoadedObjectCount() != shown) std::_Exit(3);
        QOffscreenSurface surface;
        surface.create();
        QOpenGLContext context;
        if (!context.create() || !context.makeCurrent(&surface)) std::_Exit(4);
        std::_Exit(LoadedObjectCount() > shown ? 0 : 5);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
