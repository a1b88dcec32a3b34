// clang-format off
// Qt's headers come before the engine's OpenGL binding, whose names would rename their members.
#include <QBasicTimer>
#include <QCoreApplication>
#include <QStringList>
#include <QEvent>
#include <QExposeEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlatformSurfaceEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QStyle>
#include <QTimerEvent>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
// clang-format on

#include "engine/platform/GLSceneViewer.h"

#include <algorithm>
#include <any>
#include <vector>

#include "engine/GLSceneGraph/Camera.h"
#include "engine/platform/GLQtContext.h"
#include "platform/gl/OpenGL.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/SysUtils.h"

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= ssShift;
  if (modifiers & Qt::AltModifier) shift |= ssAlt;
  if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
  if (buttons & Qt::LeftButton) shift |= ssLeft;
  if (buttons & Qt::RightButton) shift |= ssRight;
  if (buttons & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}

bool ButtonOf(Qt::MouseButton qtButton, TMouseButton& button) {
  switch (qtButton) {
    case Qt::LeftButton:
      button = mbLeft;
      return true;
    case Qt::RightButton:
      button = mbRight;
      return true;
    case Qt::MiddleButton:
      button = mbMiddle;
      return true;
    default:
      return false;
  }
}

// The anchors as the form's anchor helper reads them from a control's "anchors" property.
QString AnchorsText(TControlAnchors anchors) {
  QStringList names;
  const char* const sides[] = {"akLeft", "akTop", "akRight", "akBottom"};
  for (int i = 0; i < 4; ++i)
    if (anchors & (1 << i)) names << sides[i];
  return names.join(',');
}

}  // namespace

// ---- The control and its window

// The control a form holds: the window's container fills it, and the input the window gets
// comes here, where the mouse becomes the viewer's events and the rest goes on to the parents.
class TGLSceneViewer::TControl : public QWidget {
 public:
  explicit TControl(TGLSceneViewer* viewer) : FViewer(viewer) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setAutoFillBackground(true);
    // Moves with no button held are the viewer's events too.
    setMouseTracking(true);
    resize(100, 100);
  }
  ~TControl() override {
    if (FViewer) FViewer->ControlDestroyed();
  }
  TGLSceneViewer* FViewer;

  // The window's moves reach the control sent, not from the system, and so never wake the
  // toolkit's tool tip: a pointer at rest here asks for the hint as over any other control, and
  // the control or the first parent with a hint shows it.
  void HintLater(QPoint at, QPoint global) {
    FHintAt = at;
    FHintGlobalAt = global;
    FHintWake.start(QToolTip::isVisible()
                        ? 20
                        : style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, this),
                    this);
  }
  void NoHint() { FHintWake.stop(); }

 protected:
  void showEvent(QShowEvent* event) override {
    QWidget::showEvent(event);
    if (FViewer) Guard([this] { FViewer->HandleNeeded(); });
  }
  void mousePressEvent(QMouseEvent* event) override { Press(event, false); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { Press(event, true); }
  void mouseReleaseEvent(QMouseEvent* event) override {
    TMouseButton button;
    if (!FViewer || !ButtonOf(event->button(), button)) return event->ignore();
    const QPoint at = event->position().toPoint();
    Guard([&] {
      FViewer->MouseReleased(button, ShiftOf(event->modifiers(), event->buttons()), at.x(), at.y());
    });
  }
  // The window's wheel reaches the control sent, not from the system, and so would go no
  // further: it is handed up the parents here until one takes it.
  void wheelEvent(QWheelEvent* event) override {
    event->ignore();
    for (QWidget* parent = parentWidget(); parent; parent = parent->parentWidget()) {
      const QPointF at = parent->mapFromGlobal(event->globalPosition());
      QWheelEvent copy(at, event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                       event->buttons(), event->modifiers(), event->phase(), event->inverted(),
                       event->source(), event->pointingDevice());
      QCoreApplication::sendEvent(parent, &copy);
      if (copy.isAccepted() || parent->isWindow()) break;
    }
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!FViewer) return event->ignore();
    const QPoint at = event->position().toPoint();
    if (event->buttons() == Qt::NoButton)
      HintLater(at, event->globalPosition().toPoint());
    else
      NoHint();
    Guard([&] {
      FViewer->MouseMoved(ShiftOf(event->modifiers(), event->buttons()), at.x(), at.y());
    });
  }
  void timerEvent(QTimerEvent* event) override {
    if (event->timerId() != FHintWake.timerId()) return QWidget::timerEvent(event);
    FHintWake.stop();
    // As the toolkit does: hints show over the active window only, unless it asks otherwise.
    if (!window()->isActiveWindow() && !window()->testAttribute(Qt::WA_AlwaysShowToolTips)) return;
    QHelpEvent help(QEvent::ToolTip, FHintAt, FHintGlobalAt);
    QCoreApplication::sendEvent(this, &help);
  }

 private:
  QBasicTimer FHintWake;
  QPoint FHintAt, FHintGlobalAt;

  void Press(QMouseEvent* event, bool doubleClick) {
    NoHint();
    TMouseButton button;
    if (!FViewer || !ButtonOf(event->button(), button)) return event->ignore();
    const QPoint at = event->position().toPoint();
    Guard([&] {
      FViewer->MousePressed(button, ShiftOf(event->modifiers(), event->buttons()), at.x(), at.y(),
                            doubleClick);
    });
  }
};

// The window the buffer's context draws to. Its input goes to the control, as if the control
// had received it.
class TGLSceneViewer::TWindow : public QWindow {
 public:
  explicit TWindow(TGLSceneViewer* viewer) : FViewer(viewer) {
    setSurfaceType(QSurface::OpenGLSurface);
  }
  ~TWindow() override {
    // The surface goes here, while the window still answers as itself.
    destroy();
  }
  TGLSceneViewer* FViewer;

 protected:
  bool event(QEvent* event) override {
    switch (event->type()) {
      case QEvent::UpdateRequest:
        // A frame drawn since the request, on exposure, has shown the change already.
        if (FViewer && FViewer->FUpdateRequested && isExposed())
          Guard([this] { FViewer->Paint(); });
        return true;
      case QEvent::PlatformSurface:
        if (FViewer) {
          const bool created = static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                               QPlatformSurfaceEvent::SurfaceCreated;
          Guard([this, created] { FViewer->WindowSurfaceChanged(created); });
        }
        break;
      case QEvent::Enter:
      case QEvent::Leave:
        if (FViewer) {
          const bool entered = event->type() == QEvent::Enter;
          if (!entered && FViewer->FControl) FViewer->FControl->NoHint();
          Guard([this, entered] { FViewer->MouseEntered(entered); });
        }
        break;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        PassOn(event);
        return true;
      default:
        break;
    }
    return QWindow::event(event);
  }
  void exposeEvent(QExposeEvent*) override {
    // The system exposes a window shown anew more than once in a row: the frame waits for the
    // next update, which serves them all.
    if (FViewer && isExposed()) FViewer->Invalidate();
  }
  void resizeEvent(QResizeEvent* event) override {
    QWindow::resizeEvent(event);
    if (FViewer) Guard([this] { FViewer->WindowResized(); });
  }

 private:
  void PassOn(QEvent* event) {
    QWidget* control = FViewer ? FViewer->FControl : nullptr;
    if (!control) return;
    // Copies, since the original belongs to the window's delivery.
    if (auto* mouse = dynamic_cast<QMouseEvent*>(event)) {
      QMouseEvent copy(mouse->type(), mouse->position(), mouse->scenePosition(),
                       mouse->globalPosition(), mouse->button(), mouse->buttons(),
                       mouse->modifiers(), mouse->pointingDevice());
      QCoreApplication::sendEvent(control, &copy);
    } else if (auto* wheel = dynamic_cast<QWheelEvent*>(event)) {
      QWheelEvent copy(wheel->position(), wheel->globalPosition(), wheel->pixelDelta(),
                       wheel->angleDelta(), wheel->buttons(), wheel->modifiers(), wheel->phase(),
                       wheel->inverted(), wheel->source(), wheel->pointingDevice());
      QCoreApplication::sendEvent(control, &copy);
    } else if (auto* key = dynamic_cast<QKeyEvent*>(event)) {
      QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                     key->nativeVirtualKey(), key->nativeModifiers(), key->text(),
                     key->isAutoRepeat(), ushort(key->count()), key->device());
      QCoreApplication::sendEvent(control, &copy);
    }
  }
};

// Follows the control into its parents: a new parent gets the control as visible as the viewer
// says, and an aligned control is placed again whenever its parent changes size.
class TGLSceneViewer::TParentWatch : public QObject {
 public:
  TParentWatch(TGLSceneViewer* viewer, QWidget* control)
      : QObject(control), FViewer(viewer), FControl(control) {
    control->installEventFilter(this);
    Watch();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == FControl && event->type() == QEvent::ParentChange) {
      Watch();
      if (FParent && FControl->isHidden() == FViewer->FVisible)
        FControl->setVisible(FViewer->FVisible);
      FViewer->Realign();
    } else if (watched == FParent && event->type() == QEvent::Resize) {
      FViewer->Realign();
    }
    return false;
  }

 private:
  void Watch() {
    if (FParent) FParent->removeEventFilter(this);
    FParent = FControl->parentWidget();
    if (FParent) FParent->installEventFilter(this);
  }

  TGLSceneViewer* FViewer;
  QWidget* FControl;
  QPointer<QWidget> FParent;
};

// ---- TGLSceneViewer

const TPropertyTable& TGLSceneViewer::Published() {
  using V = TGLSceneViewer;
  static const TPropertyTable table = [] {
    TPropertyTable published = TPropertyTable::Extend<V>(TComponent::Published())
                                   .Integer("Left", &V::GetLeft, &V::SetLeft)
                                   .Integer("Top", &V::GetTop, &V::SetTop)
                                   .Integer("Width", &V::GetWidth, &V::SetWidth)
                                   .Integer("Height", &V::GetHeight, &V::SetHeight)
                                   .Component("Camera", &V::GetCamera, &V::SetCamera)
                                   .Enumeration("VSync", &V::GetVSync, &V::SetVSync,
                                                {"vsmSync", "vsmNoSync"}, Default(vsmNoSync));
    published.Add(
        PublishedBufferEvent<TGLSceneViewer>("BeforeRender", &TGLSceneBuffer::BeforeRender));
    published.Add(PublishedBufferEvent<TGLSceneViewer>("PostRender", &TGLSceneBuffer::PostRender));
    published.Add(
        PublishedBufferEvent<TGLSceneViewer>("AfterRender", &TGLSceneBuffer::AfterRender));
    return TPropertyTable(
        TPropertyBuilder<V>(published)
            .Object("Buffer", &V::GetBuffer)
            .Float("FieldOfView", &V::GetFieldOfView, &V::SetFieldOfView)
            .Event("OnMouseLeave", &V::OnMouseLeave)
            .Event("OnMouseEnter", &V::OnMouseEnter)
            .Enumeration("Align", &V::GetAlign, &V::SetAlign,
                         {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"},
                         Default(alNone))
            .Set("Anchors", &V::GetAnchors, &V::SetAnchors,
                 {"akLeft", "akTop", "akRight", "akBottom"}, Default(0b0011))
            // The stock cursors by name, cursor -i at index i.
            .Enumeration(
                "DragCursor", [](const V& v) { return -v.GetDragCursor(); },
                [](V& v, int i) { v.SetDragCursor(TCursor(-i)); },
                {"crDefault", "crNone",      "crArrow",   "crCross",    "crIBeam",
                 "",          "crSizeNESW",  "crSizeNS",  "crSizeNWSE", "crSizeWE",
                 "crUpArrow", "crHourGlass", "crDrag",    "crNoDrop",   "crHSplit",
                 "crVSplit",  "crMultiDrag", "crSQLWait", "crNo",       "crAppStart",
                 "crHelp",    "crHandPoint", "crSizeAll"},
                Default(-crDrag))
            .Enumeration("DragMode", &V::GetDragMode, &V::SetDragMode, {"dmManual", "dmAutomatic"},
                         Default(dmManual))
            .Boolean("Enabled", &V::GetEnabled, &V::SetEnabled, Default(true))
            .Integer("HelpContext", &V::GetHelpContext, &V::SetHelpContext, Default(0))
            .String("Hint", &V::GetHint, &V::SetHint)
            .Component("PopupMenu", &V::GetPopupMenu, &V::SetPopupMenu)
            .Boolean("Visible", &V::GetVisible, &V::SetVisible, Default(true))
            .Event("OnClick", &V::OnClick)
            .Event("OnDblClick", &V::OnDblClick)
            .Event("OnDragDrop", &V::OnDragDrop)
            .Event("OnDragOver", &V::OnDragOver)
            .Event("OnStartDrag", &V::OnStartDrag)
            .Event("OnEndDrag", &V::OnEndDrag)
            .Event("OnMouseDown", &V::OnMouseDown)
            .Event("OnMouseMove", &V::OnMouseMove)
            .Event("OnMouseUp", &V::OnMouseUp)
            .Event("OnContextPopup", &V::OnContextPopup));
  }();
  return table;
}

TGLSceneViewer::TGLSceneViewer(TComponent* AOwner)
    : TComponent(AOwner),
      FBuffer(std::make_unique<TGLSceneBuffer>(this)),
      FControl(new TControl(this)) {
  try {
    FOpenGLAvailable = InitOpenGL();
  } catch (...) {
    FOpenGLAvailable = false;
  }
  FControl->setProperty("anchors", AnchorsText(FAnchors));
  new TParentWatch(this, FControl);
  FBuffer->OnSetupVSync = [this](TObject*) { DoSetupVSync(); };
  FBuffer->OnChange = [this](TObject*) { DoBufferChange(); };
  FBuffer->OnStructuralChange = [this](TObject*) { DoBufferStructuralChange(); };
}

TGLSceneViewer::~TGLSceneViewer() {
  Destroying();
  try {
    DestroyWnd();
  } catch (...) {
  }
  if (FControl) {
    FControl->FViewer = nullptr;
    delete FControl;
    FControl = nullptr;
  }
  FBuffer.reset();
}

QWidget* TGLSceneViewer::GetControl() const {
  return FControl;
}

QWindow* TGLSceneViewer::GetWindow() const {
  return FWindow;
}

void TGLSceneViewer::SetBuffer(TGLSceneBuffer* AValue) {
  FBuffer->Assign(AValue);
}

void TGLSceneViewer::SetCamera(TGLCamera* AValue) {
  if (TGLCamera* old = FBuffer->GetCamera(); old && old != AValue) RemoveFreeNotification(old);
  FBuffer->SetCamera(AValue);
  if (TGLCamera* taken = FBuffer->GetCamera()) FreeNotification(taken);
}

float TGLSceneViewer::GetFieldOfView() const {
  const TGLCamera* camera = GetCamera();
  return camera ? camera->GetFieldOfView(float(std::min(GetWidth(), GetHeight()))) : 0;
}

void TGLSceneViewer::SetFieldOfView(float AValue) {
  if (TGLCamera* camera = GetCamera())
    camera->SetFieldOfView(AValue, float(std::min(GetWidth(), GetHeight())));
}

int TGLSceneViewer::GetLeft() const {
  return FControl ? FControl->x() : 0;
}

void TGLSceneViewer::SetLeft(int AValue) {
  if (FControl) FControl->move(AValue, FControl->y());
}

int TGLSceneViewer::GetTop() const {
  return FControl ? FControl->y() : 0;
}

void TGLSceneViewer::SetTop(int AValue) {
  if (FControl) FControl->move(FControl->x(), AValue);
}

int TGLSceneViewer::GetWidth() const {
  return FControl ? FControl->width() : 0;
}

void TGLSceneViewer::SetWidth(int AValue) {
  if (FControl) FControl->resize(std::max(AValue, 0), FControl->height());
}

int TGLSceneViewer::GetHeight() const {
  return FControl ? FControl->height() : 0;
}

void TGLSceneViewer::SetHeight(int AValue) {
  if (FControl) FControl->resize(FControl->width(), std::max(AValue, 0));
}

void TGLSceneViewer::SetAnchors(TControlAnchors AValue) {
  FAnchors = AValue;
  if (FControl) FControl->setProperty("anchors", AnchorsText(AValue));
}

void TGLSceneViewer::SetAlign(TAlign AValue) {
  if (AValue == FAlign) return;
  FAlign = AValue;
  // The sides an aligned control keeps, as the class library sets them; a layout brings its own.
  static constexpr TControlAnchors sides[] = {0b0011, 0b0111, 0b1101, 0b1011, 0b1110, 0b1111};
  if ((ComponentState() & csLoading) == 0 && AValue <= alClient) SetAnchors(sides[AValue]);
  Realign();
}

void TGLSceneViewer::Realign() {
  QWidget* parent = FControl ? FControl->parentWidget() : nullptr;
  if (!parent || FAlign == alNone) return;
  const QRect area = parent->contentsRect();
  const QRect now = FControl->geometry();
  switch (FAlign) {
    case alTop:
      return FControl->setGeometry(area.left(), area.top(), area.width(), now.height());
    case alBottom:
      return FControl->setGeometry(area.left(), area.bottom() + 1 - now.height(), area.width(),
                                   now.height());
    case alLeft:
      return FControl->setGeometry(area.left(), area.top(), now.width(), area.height());
    case alRight:
      return FControl->setGeometry(area.right() + 1 - now.width(), area.top(), now.width(),
                                   area.height());
    default:
      return FControl->setGeometry(area);
  }
}

void TGLSceneViewer::SetVisible(bool AValue) {
  FVisible = AValue;
  // Shown without a parent, the control would become a window of its own: a parent shows it.
  if (FControl && (!AValue || FControl->parentWidget())) FControl->setVisible(AValue);
}

void TGLSceneViewer::SetEnabled(bool AValue) {
  FEnabled = AValue;
  if (FControl) FControl->setEnabled(AValue);
}

void TGLSceneViewer::SetHint(const std::string& AValue) {
  FHint = AValue;
  if (FControl) FControl->setToolTip(QString::fromStdString(AValue));
}

void TGLSceneViewer::SetPopupMenu(TComponent* AValue) {
  if (FPopupMenu && FPopupMenu != AValue) RemoveFreeNotification(FPopupMenu);
  FPopupMenu = AValue;
  if (AValue) FreeNotification(AValue);
}

void TGLSceneViewer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (Operation == opRemove && FBuffer && AComponent == FBuffer->GetCamera())
    FBuffer->SetCamera(nullptr);
  inherited::Notification(AComponent, Operation);
}

void TGLSceneViewer::Loaded() {
  inherited::Loaded();
  HandleNeeded();
}

void TGLSceneViewer::HandleNeeded() {
  // Without OpenGL the control stays an empty one that paints its background.
  if (!FWindow && FControl && FOpenGLAvailable) CreateWnd();
}

void TGLSceneViewer::CreateWnd() {
  FWindow = new TWindow(this);
  FWindow->resize(std::max(GetWidth(), 1), std::max(GetHeight(), 1));
  FLastScreenOrigin[0] = FLastScreenOrigin[1] = INT32_MIN;
  FBuffer->SetDevicePixelRatio(FWindow->devicePixelRatio());
  FBuffer->Resize(GetWidth(), GetHeight());
  try {
    // The context makes the native window in the format its wishes call for, so this comes
    // before the container, which would make it in a format of its own.
    FBuffer->CreateRC(FWindow, false);
  } catch (...) {
    FWindow->FViewer = nullptr;
    delete FWindow;
    FWindow = nullptr;
    throw;
  }
  // The container takes the window, and the control the container.
  FContainer = QWidget::createWindowContainer(FWindow, FControl);
  FControl->layout()->addWidget(FContainer);
  if (FControl->isVisible()) FContainer->show();
}

void TGLSceneViewer::DestroyWnd() {
  FBuffer->DestroyRC();
  if (!FWindow) return;
  FWindow->FViewer = nullptr;
  FWindow = nullptr;
  // The container deletes the window.
  QWidget* container = FContainer;
  FContainer = nullptr;
  delete container;
}

void TGLSceneViewer::RecreateWnd() {
  if (!FWindow) return;
  // A context cannot go in the middle of its own frame.
  if (FBuffer->GetRendering()) {
    if (FRecreatePending) return;
    FRecreatePending = true;
    QMetaObject::invokeMethod(
        FControl,
        [this] {
          FRecreatePending = false;
          Guard([this] { RecreateWnd(); });
        },
        Qt::QueuedConnection);
    return;
  }
  DestroyWnd();
  CreateWnd();
}

void TGLSceneViewer::Invalidate() {
  if (!FWindow) return;
  FUpdateRequested = true;
  FWindow->requestUpdate();
}

void TGLSceneViewer::ControlDestroyed() {
  // The window and the container go with the control; the context goes first.
  FControl = nullptr;
  FBuffer->DestroyRC();
  if (FWindow) FWindow->FViewer = nullptr;
  FWindow = nullptr;
  FContainer = nullptr;
}

void TGLSceneViewer::WindowSurfaceChanged(bool created) {
  // While the context is being made, its window may be made and dropped in the search for a
  // format; that is the creation's own business.
  if (FBuffer->GetRendering()) return;
  if (!created)
    FBuffer->DestroyRC();
  else if (!FBuffer->RCInstantiated())
    FBuffer->CreateRC(FWindow, false);
}

void TGLSceneViewer::WindowResized() {
  FBuffer->SetDevicePixelRatio(FWindow->devicePixelRatio());
  FBuffer->Resize(GetWidth(), GetHeight());
}

void TGLSceneViewer::Paint() {
  FUpdateRequested = false;
  const QPoint origin = FWindow->mapToGlobal(QPoint(0, 0));
  if (origin.x() != FLastScreenOrigin[0] || origin.y() != FLastScreenOrigin[1]) {
    // A window that moved without a resize gets its viewport set again.
    if (FBuffer->RCInstantiated())
      QMetaObject::invokeMethod(
          FControl,
          [this] {
            if (FWindow) Guard([this] { WindowResized(); });
          },
          Qt::QueuedConnection);
    FLastScreenOrigin[0] = origin.x();
    FLastScreenOrigin[1] = origin.y();
  }
  if (FOpenGLAvailable && GetWidth() > 0 && GetHeight() > 0) FBuffer->Render();
}

void TGLSceneViewer::DoBufferChange() {
  if (!FBuffer->GetRendering()) Invalidate();
}

void TGLSceneViewer::DoBufferStructuralChange() {
  RecreateWnd();
}

void TGLSceneViewer::DoSetupVSync() {
  SetupVSync(FVSync);
}

void TGLSceneViewer::SetupVSync(TVSyncMode Mode) {
  auto* context = dynamic_cast<TGLQtContext*>(FBuffer->GetRenderingContext());
  if (!context || !context->HasSwapControl()) return;
  const int interval = context->GetSwapInterval();
  switch (Mode) {
    case vsmSync:
      if (interval != 1) context->SetSwapInterval(1);
      break;
    case vsmNoSync:
      if (interval != 0) context->SetSwapInterval(0);
      break;
    default:
      Assert(false);
  }
}

void TGLSceneViewer::MouseEntered(bool entered) {
  FMouseInControl = entered;
  const TNotifyEvent& event = entered ? OnMouseEnter : OnMouseLeave;
  if (event) event(this);
}

void TGLSceneViewer::MousePressed(TMouseButton button, TShiftState shift, int x, int y,
                                  bool doubleClick) {
  if (doubleClick) {
    FClickPending = false;
    if (OnDblClick) OnDblClick(this);
    shift |= ssDouble;
  } else {
    FClickPending = button == mbLeft;
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TGLSceneViewer::MouseReleased(TMouseButton button, TShiftState shift, int x, int y) {
  const bool click =
      FClickPending && button == mbLeft && x >= 0 && y >= 0 && x < GetWidth() && y < GetHeight();
  if (button == mbLeft) FClickPending = false;
  if (click && OnClick) OnClick(this);
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TGLSceneViewer::MouseMoved(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

QImage TGLSceneViewer::CreateSnapShotBitmap() {
  QImage image(std::max(GetWidth(), 1), std::max(GetHeight(), 1), QImage::Format_RGB888);
  image.fill(Qt::black);
  if (!FBuffer->RCInstantiated() || GetWidth() <= 0 || GetHeight() <= 0) return image;
  // What a swap leaves in the back buffer, and what reading the front one gives, differ from
  // driver to driver: the image is taken from a frame of its own, before that frame's swap.
  const TRectangle device = FBuffer->DeviceViewPort();
  QImage pixels;
  const TNotifyEvent postRender = FBuffer->PostRender;
  FBuffer->PostRender = [&](TObject* sender) {
    if (postRender) postRender(sender);
    pixels = QImage(std::max(device.Width, 1), std::max(device.Height, 1), QImage::Format_RGB888);
    glReadBuffer(HasContextOption(FBuffer->GetContextOptions(), roDoubleBuffer) ? GL_BACK
                                                                                : GL_FRONT);
    // Rows of four-byte multiples, as the image holds them.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, pixels.width(), pixels.height(), GL_RGB, GL_UNSIGNED_BYTE, pixels.bits());
  };
  try {
    FBuffer->Render();
  } catch (...) {
    FBuffer->PostRender = postRender;
    throw;
  }
  FBuffer->PostRender = postRender;
  if (pixels.isNull()) return image;
  pixels.mirror();
  if (pixels.size() == image.size()) return pixels;
  return pixels.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void RegisterGLSceneViewer() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  RegisterClass(TGLSceneViewer::StaticClass());
}
