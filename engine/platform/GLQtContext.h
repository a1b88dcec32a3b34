#pragma once
// The platform half of the engine's rendering context on Qt: a compatibility-profile
// QOpenGLContext on the viewer's QWindow, or, off screen, on a QOffscreenSurface drawing into a
// framebuffer object. Qt shares display lists and textures only when a context is made, so
// every context shares with one hidden root context that lives while any of them exists.

#include <QSurfaceFormat>
#include <functional>
#include <memory>
#include <vector>

#include "engine/GLContext.h"

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QSurface;
class QWindow;

// What a context wishes for, as the format ladder reads it.
struct TGLFormatWishes {
  int32_t ColorBits = 32;
  int32_t AlphaBits = 0;
  int32_t DepthBits = 0;
  int32_t StencilBits = 0;
  int32_t AccumBits = 0;
  int32_t AuxBuffers = 0;
  TGLAntiAliasing AntiAliasing = aaDefault;
  TGLContextFlags Options = 0;
};

// The formats to ask for, most demanding first: all wishes (the sample count only where
// multisampling is offered); then, without samples, the depth lowered to 24 and to 16 and the
// colour to 16 bits, each as far as the wishes reach; last the colour and depth as wished.
// Accumulation and auxiliary buffers have no counterpart in Qt and are left out.
std::vector<QSurfaceFormat> GLQtFormatLadder(const TGLFormatWishes& wishes,
                                             bool multisampleOffered);
// Whether the format Qt gave holds at least what was asked for.
bool GLQtFormatMeets(const QSurfaceFormat& actual, const QSurfaceFormat& request);

// The high-quality anti-aliasing modes ask for the nicest multisample filter where the
// extensions exist; needs a current context.
void SetupMultisampleFilterHint(TGLAntiAliasing antiAliasing);

class TGLQtContext : public TGLContext {
  RTL_CLASS(TGLQtContext, TGLContext)
  TGLQtContext();
  ~TGLQtContext() override;

  bool IsValid() override;
  // Only a double-buffered window context swaps; an anti-aliased memory context resolves its
  // frame into the readable target, as it does on deactivation.
  void SwapBuffers() override;
  // The QWindow of a window context, the QOffscreenSurface of a memory context.
  TGLOutputDevice RenderOutputDevice() override;

  // Vertical sync of a window context, through GLX_MESA_swap_control or GLX_EXT_swap_control
  // where the platform offers one; all three need the context active. Without swap control the
  // interval reads 0 and setting it does nothing.
  bool HasSwapControl();
  int GetSwapInterval();
  void SetSwapInterval(int interval);

  QOpenGLContext* GetQtContext() const { return FRC.get(); }
  // The render target of a memory context, nil for a window context; reads and copies come
  // from it. Anti-aliased, the frame is drawn into the multisampled target and resolved into
  // this one.
  QOpenGLFramebufferObject* GetFramebuffer() const { return FFramebuffer.get(); }
  QOpenGLFramebufferObject* GetMultisampleFramebuffer() const {
    return FMultisampleFramebuffer.get();
  }

 protected:
  // The output device is the QWindow to draw to. A window not yet created gets the first
  // format of the ladder it meets; a created window keeps its own.
  void DoCreateContext(TGLOutputDevice outputDevice) override;
  // The output device is not used.
  void DoCreateMemoryContext(TGLOutputDevice outputDevice, int width, int height) override;
  // Nothing more to do: all contexts already share through the root context.
  void DoShareLists(TGLContext* context) override;
  void DoDestroyContext() override;
  void DoActivate() override;
  void DoDeactivate() override;

 private:
  TGLFormatWishes Wishes();
  // With the new context current: the extra steps, then what the renderer tells.
  void FinishCreation(const std::function<void()>& whileCurrent);
  QSurface* Surface() const;
  // A memory context draws into the multisampled target where there is one, and reads from
  // the readable one.
  void BindFramebuffers();
  // The multisampled frame blitted into the readable target; nothing without one.
  void ResolveFrame();
  void ReleaseQtObjects();
  // Untracks, frees the Qt objects and counts the context out; safe to repeat.
  void DropPlatformContext();

  std::unique_ptr<QOpenGLContext> FRC;
  QWindow* FWindow = nullptr;
  std::unique_ptr<QOffscreenSurface> FSurface;
  std::unique_ptr<QOpenGLFramebufferObject> FFramebuffer;
  std::unique_ptr<QOpenGLFramebufferObject> FMultisampleFramebuffer;
  bool FCounted = false;  // among the contexts that keep the root context
};

// Calls the callback (with a nil sender) just before the window's native surface goes, also
// when a parent window takes it along. Untracking removes every entry of the window, or, with
// an owner, only the entries that owner made.
void TrackWindow(QWindow* window, TNotifyEvent callback, const void* owner = nullptr);
void UnTrackWindow(QWindow* window);
void UnTrackWindow(QWindow* window, const void* owner);
int TrackedWindowCount();


// Start-up: makes TGLQtContext the class the context manager creates. Shut-down: frees the
// root context and forgets the tracked windows.
void RegisterGLQtContext();
void FinalizeGLQtContext();
