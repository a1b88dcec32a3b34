#pragma once
// The window control that shows a scene: a Qt widget that hosts, through a window container, the
// QWindow its scene buffer renders into. It renders a frame whenever the window is exposed or
// asks for an update, follows the window's size, makes a new window and context when the
// buffer's pixel-format options change, applies a vertical-sync mode before each frame, passes
// the mouse, wheel and keys on, and copies what it shows into an image.

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/GLSceneGraph/SceneBuffer.h"
#include "platform/rtl/Classes.h"

class QWidget;
class QWindow;

enum TVSyncMode : uint8_t { vsmSync, vsmNoSync };

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
// The keys and buttons held during a mouse event.
using TShiftState = uint8_t;
constexpr TShiftState ssShift = 1 << 0;
constexpr TShiftState ssAlt = 1 << 1;
constexpr TShiftState ssCtrl = 1 << 2;
constexpr TShiftState ssLeft = 1 << 3;
constexpr TShiftState ssRight = 1 << 4;
constexpr TShiftState ssMiddle = 1 << 5;
constexpr TShiftState ssDouble = 1 << 6;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// The sides a control keeps its distance to when its parent is resized: bit i is akLeft, akTop,
// akRight, akBottom in this order, as the form's anchor helper reads them.
using TControlAnchors = uint8_t;

// The side of its parent a control fills, or the whole parent.
enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TDragMode : uint8_t { dmManual, dmAutomatic };
enum TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };
// A cursor of the class library; the stock cursors are 0 and below.
using TCursor = int16_t;
constexpr TCursor crDrag = -12;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TStartDragEvent = std::function<void(TObject* Sender, TObject*& DragObject)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TContextPopupEvent = std::function<void(TObject* Sender, int X, int Y, bool& Handled)>;

class TGLSceneViewer : public TComponent {
  RTL_CLASS(TGLSceneViewer, TComponent)
  static const TPropertyTable& Published();

  // A 100 x 100 control; its window and context are made when it is first shown or a layout
  // that holds it has been read.
  explicit TGLSceneViewer(TComponent* AOwner);
  // The rendering context goes first, while the buffer is still there, then the window, then
  // the buffer.
  ~TGLSceneViewer() override;

  // The control to put in a form. The viewer deletes it; a parent widget that deletes it first
  // takes the window and the context with it.
  QWidget* GetControl() const;
  // The window the buffer renders into, nil while there is none.
  QWindow* GetWindow() const;

  TGLSceneBuffer* GetBuffer() const { return FBuffer.get(); }
  // Copies the value into the viewer's own buffer.
  void SetBuffer(TGLSceneBuffer* AValue);
  TGLCamera* GetCamera() const { return FBuffer->GetCamera(); }
  void SetCamera(TGLCamera* AValue);
  TVSyncMode GetVSync() const { return FVSync; }
  void SetVSync(TVSyncMode AValue) { FVSync = AValue; }
  // Degrees across the viewer's smaller side, read from and written to the camera; 0 and
  // nothing without a camera.
  float GetFieldOfView() const;
  void SetFieldOfView(float AValue);
  bool GetMouseInControl() const { return FMouseInControl; }
  // Whether the OpenGL libraries could be loaded; without them the viewer draws nothing.
  bool GetOpenGLAvailable() const { return FOpenGLAvailable; }

  // The control's place in its parent, in logical pixels.
  int GetLeft() const;
  void SetLeft(int AValue);
  int GetTop() const;
  void SetTop(int AValue);
  int GetWidth() const;
  void SetWidth(int AValue);
  int GetHeight() const;
  void SetHeight(int AValue);
  TControlAnchors GetAnchors() const { return FAnchors; }
  void SetAnchors(TControlAnchors AValue);
  // Keeps the control against that side of its parent (or filling it) as the parent changes
  // size; set outside a layout, the anchors follow the side.
  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign AValue);
  // The control's own visibility: hidden, it stays hidden in a parent that is shown.
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool AValue);
  // Disabled, the control passes no mouse or key input to the viewer's events.
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue);
  // Shown as the control's tool tip.
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& AValue);
  // Kept for the layouts: Qt offers no dragging, help contexts or popup menus of the class
  // library here, so these are stored and read and do nothing.
  int32_t GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t AValue) { FHelpContext = AValue; }
  TDragMode GetDragMode() const { return FDragMode; }
  void SetDragMode(TDragMode AValue) { FDragMode = AValue; }
  TCursor GetDragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor AValue) { FDragCursor = AValue; }
  // Cleared when the component is freed.
  TComponent* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* AValue);

  // Whether the window exists, and with OpenGL its context.
  bool HandleAllocated() const { return FWindow != nullptr; }
  // Makes the window and the context now, if there are none.
  void HandleNeeded();
  // A new window and context, with the buffer's current options; after the frame when asked
  // during one.
  void RecreateWnd();
  // Asks for a frame at the next turn of the event loop.
  void Invalidate();

  // A new image of what the viewer shows: 24 bits per pixel, the viewer's size; black without a
  // context.
  QImage CreateSnapShotBitmap();

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TDragDropEvent OnDragDrop;
  TDragOverEvent OnDragOver;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;
  TContextPopupEvent OnContextPopup;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The window is made at once, so the context exists as soon as the layout is read.
  void Loaded() override;
  // The window, and with OpenGL the buffer's context on it at the control's size.
  virtual void CreateWnd();
  // The buffer's context, then the window.
  virtual void DestroyWnd();
  // Repaints unless the buffer is rendering.
  virtual void DoBufferChange();
  virtual void DoBufferStructuralChange();
  virtual void DoSetupVSync();
  // Through the context's swap interval, where the platform offers one.
  void SetupVSync(TVSyncMode Mode);

 private:
  class TControl;
  class TWindow;
  class TParentWatch;
  friend class TControl;
  friend class TWindow;

  // The paint of the window: a frame of the whole scene unless the control is empty.
  void Paint();
  void WindowResized();
  // The window's native surface is made or goes; the context follows it.
  void WindowSurfaceChanged(bool created);
  void ControlDestroyed();
  void MouseEntered(bool entered);
  void MousePressed(TMouseButton button, TShiftState shift, int x, int y, bool doubleClick);
  void MouseReleased(TMouseButton button, TShiftState shift, int x, int y);
  void MouseMoved(TShiftState shift, int x, int y);
  // The control against its side of the parent, when aligned.
  void Realign();

  std::unique_ptr<TGLSceneBuffer> FBuffer;
  TVSyncMode FVSync = vsmNoSync;
  TControl* FControl = nullptr;
  QWidget* FContainer = nullptr;
  TWindow* FWindow = nullptr;
  bool FMouseInControl = false;
  bool FOpenGLAvailable = false;
  bool FClickPending = false;
  bool FRecreatePending = false;
  // Invalidate asked for a frame that none has drawn yet.
  bool FUpdateRequested = false;
  int32_t FLastScreenOrigin[2] = {INT32_MIN, INT32_MIN};
  TControlAnchors FAnchors = 0b0011;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FHint;
  int32_t FHelpContext = 0;
  TDragMode FDragMode = dmManual;
  TCursor FDragCursor = crDrag;
  TComponent* FPopupMenu = nullptr;
};

// Start-up: registers TGLSceneViewer for the window layouts.
void RegisterGLSceneViewer();
