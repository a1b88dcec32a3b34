#pragma once
// What a viewer owns to show a scene: the rendering context and its state cache, the camera to
// look through, the viewport, the frame-wide OpenGL settings and pixel-format wishes, the frame
// counters and the events around a frame. Render draws one whole frame through the camera's
// scene. The buffer reaches its context only through the context manager, so it knows no
// platform.

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/GLContext.h"
#include "engine/GLMisc.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "engine/GLState.h"
#include "engine/base/VectorGeometry.h"
#include "platform/gui/SysColors.h"
#include "platform/rtl/Graphics.h"

class TGLBaseSceneObject;
class TGLColor;
class TGLFogEnvironment;
class TGLObjectEffect;
class TGLSceneGraph;
class TGLTexture;

enum TContextOption : uint8_t {
  roDoubleBuffer,
  roStencilBuffer,
  roRenderToWindow,
  roTwoSideLighting,
  roStereo,
  roDestinationAlpha,
  roNoColorBuffer,
  roNoColorBufferClear,
  roNoSwapBuffers,
};
// Bit i set: option i.
using TContextOptions = uint16_t;
constexpr TContextOptions ContextOptions(std::initializer_list<TContextOption> options) {
  TContextOptions set = 0;
  for (TContextOption option : options) set |= TContextOptions(1u << option);
  return set;
}
constexpr bool HasContextOption(TContextOptions set, TContextOption option) {
  return (set & (1u << option)) != 0;
}
constexpr TContextOptions cDefaultContextOptions =
    ContextOptions({roDoubleBuffer, roRenderToWindow});

enum TGLDepthPrecision : uint8_t { dpDefault, dp16bits, dp24bits, dp32bits };
enum TGLColorDepth : uint8_t {
  cdDefault,
  cd8bits,
  cd16bits,
  cd24bits,
  cdFloat64bits,
  cdFloat128bits
};
enum TGLShadeModel : uint8_t { smDefault, smSmooth, smFlat };

// The pixel-format wishes by setting.
int32_t ColorDepthBits(TGLColorDepth depth);
int32_t DepthPrecisionBits(TGLDepthPrecision precision);

// Runs Work with the context activated (the activation nests), and deactivates it afterwards,
// also when Work raises; Work's error is then the one that passes on.
template <class F>
void WithActiveContext(TGLContext& Context, F&& Work) {
  Context.Activate();
  try {
    Work();
  } catch (...) {
    try {
      Context.Deactivate();
    } catch (...) {
    }
    throw;
  }
  Context.Deactivate();
}

// The resolution a frame is rendered at on a screen of device pixel ratio 1.
constexpr int32_t cDefaultRenderDPI = 96;

class TGLSceneBuffer : public TGLUpdateAbleObject {
  RTL_CLASS(TGLSceneBuffer, TGLUpdateAbleObject)
  static const TPropertyTable& Published();

  // The owner is the viewer.
  explicit TGLSceneBuffer(TPersistent* AOwner);
  // Leaves the scene it showed and destroys the context.
  ~TGLSceneBuffer() override;

  // ---- The rendering context

  // Destroys any context first, then asks the context manager for a new one, gives it the
  // buffer's wishes and creates it on the device (a window), or off screen at the viewport's
  // size. Each new context starts with a fresh state cache.
  void CreateRC(TGLOutputDevice DeviceContext, bool MemoryContext);
  // Frees the context, and the buffer leaves the scene it showed.
  void DestroyRC();
  bool RCInstantiated() const { return FRenderingContext != nullptr; }
  TGLContext* GetRenderingContext() const { return FRenderingContext.get(); }
  // The wishes of the options, depth, colour and anti-aliasing, then OnPrepareGLContext.
  void SetupRCOptions(TGLContext* Context);
  TGLStateCache* GetStateCache() const { return FStateCache.get(); }

  // ---- Viewport and size

  // Width and Height at least 1; with a context the OpenGL viewport follows at once.
  void Resize(int Width, int Height);
  // Stored as given, then a repaint.
  void SetViewPort(int X, int Y, int Width, int Height);
  // In the viewer's logical pixels.
  const TRectangle& GetViewPort() const { return FViewPort; }
  // The device pixels per logical pixel of the screen shown on (1 off screen). The OpenGL
  // viewport covers the device pixels and the render resolution scales with the ratio, so the
  // scene looks the same at every ratio.
  double GetDevicePixelRatio() const { return FDevicePixelRatio; }
  void SetDevicePixelRatio(double AValue);
  // The viewport in device pixels, as OpenGL receives it.
  TRectangle DeviceViewPort() const;

  // ---- A frame

  // One frame of the camera's whole scene, or of BaseObject's subtree; nothing while a frame is
  // under way or without a context. OpenGL errors raise EOpenGLError after the context is
  // deactivated; AfterRender then does not fire.
  void Render();
  void Render(TGLBaseSceneObject* BaseObject);
  // The frame's default OpenGL state, in the cache and in OpenGL alike.
  void PrepareGLContext();
  void ClearBuffers();
  // Loads the camera's projection and viewing transform and reads both matrices back.
  void SetupCamera(const TRectangle& AViewPort, int Resolution);
  // The camera, lights, fog and the scene's pass, between the render events.
  void DoBaseRender(const TRectangle& AViewPort, int Resolution, TGLDrawState DrawState,
                    TGLBaseSceneObject* BaseObject);
  bool GetRendering() const { return FRendering; }
  int32_t GetRenderDPI() const { return FRenderDPI; }

  // Copies Width x Height pixels from (XSrc, YSrc) of the frame into the texture at (XDest,
  // YDest); a part left of or below the texture is left out. Target 0 takes the texture
  // image's own target. The texture object is made anew, just large enough for the region,
  // when it has none yet or when ForceCopyTexImage2D asks for it; a texture too small for the
  // region grows and keeps what it held; otherwise only the region is updated. A region whose
  // far corner lies beyond OpenGL's largest texture raises ETexture, and nothing is allocated.
  void CopyToTexture(TGLTexture* Texture, int XSrc, int YSrc, int Width, int Height, int XDest,
                     int YDest, GLenum Target, bool ForceCopyTexImage2D);

  // ---- Matrices of the frame

  const TMatrix& GetProjectionMatrix() const { return FProjectionMatrix; }
  const TMatrix& GetBaseProjectionMatrix() const { return FBaseProjectionMatrix; }
  TMatrix& GetModelViewMatrix() { return FModelViewMatrix; }
  const TVector& GetCameraAbsolutePosition() const { return FCameraAbsolutePosition; }
  // For objects that render in another frame: the current matrix is stacked and replaced.
  void PushModelViewMatrix(const TMatrix& Matrix);
  // An assertion failure "Unbalanced PopModelViewMatrix" on an empty stack.
  void PopModelViewMatrix();

  // Post-render effects queued during a pass; the scene clears the list at each pass.
  std::vector<TGLObjectEffect*>& GetAfterRenderEffects() { return FAfterRenderEffects; }

  // ---- Notices

  // Unless rendering: fires OnChange. The owner is not told.
  void NotifyChange(TObject* Sender) override;
  // Fires OnStructuralChange, also while rendering: the viewer then makes a new context.
  void DoStructuralChange();

  // ---- Settings: the first group repaints, the pixel-format wishes make a new context

  bool GetFaceCulling() const { return FFaceCulling; }
  void SetFaceCulling(bool AValue);
  bool GetFogEnable() const { return FFogEnable; }
  void SetFogEnable(bool AValue);
  bool GetLighting() const { return FLighting; }
  void SetLighting(bool AValue);
  bool GetDepthTest() const { return FDepthTest; }
  void SetDepthTest(bool AValue);
  TColor GetBackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor AValue);
  float GetBackgroundAlpha() const { return FBackgroundAlpha; }
  void SetBackgroundAlpha(float AValue) { FBackgroundAlpha = AValue; }
  TGLShadeModel GetShadeModel() const { return FShadeModel; }
  void SetShadeModel(TGLShadeModel AValue);
  // Copied in; the colour then notifies the buffer.
  TGLColor* GetAmbientColor() const { return FAmbientColor.get(); }
  void SetAmbientColor(TGLColor* AValue);
  // Copied in, then a repaint.
  TGLFogEnvironment* GetFogEnvironment() const { return FFogEnvironment.get(); }
  void SetFogEnvironment(TGLFogEnvironment* AValue);

  TContextOptions GetContextOptions() const { return FContextOptions; }
  void SetContextOptions(TContextOptions AValue);
  TGLAntiAliasing GetAntiAliasing() const { return FAntiAliasing; }
  void SetAntiAliasing(TGLAntiAliasing AValue);
  TGLDepthPrecision GetDepthPrecision() const { return FDepthPrecision; }
  void SetDepthPrecision(TGLDepthPrecision AValue);
  TGLColorDepth GetColorDepth() const { return FColorDepth; }
  void SetColorDepth(TGLColorDepth AValue);
  int32_t GetAccumBufferBits() const { return FAccumBufferBits; }
  void SetAccumBufferBits(int32_t AValue);

  // ---- The camera

  TGLCamera* GetCamera() const { return FCamera; }
  // A camera outside any scene is refused (Camera becomes nil). The buffer leaves the scene it
  // showed; it joins the new camera's scene at its next frame.
  void SetCamera(TGLCamera* ACamera);

  // ---- Frame counters, on the performance counter

  int32_t GetFrameCount() const { return FFrameCount; }
  // Frames per second since the first frame began.
  float GetFramesPerSecond() const { return FFramesPerSecond; }
  // Seconds the last frame took.
  float GetLastFrameTime() const { return FLastFrameTime; }
  void ResetPerformanceMonitor();

  // ---- Events; each receives the buffer as Sender

  TNotifyEvent OnChange;
  TNotifyEvent OnStructuralChange;
  // Before the context is created, to adjust its wishes.
  TNotifyEvent OnPrepareGLContext;
  TNotifyEvent BeforeRender;
  // The window viewer applies its vertical sync here.
  TNotifyEvent OnSetupVSync;
  TNotifyEvent PostRender;
  TNotifyEvent AfterRender;
  TDirectRenderEvent InitiateRendering;
  TDirectRenderEvent WrapUpRendering;

 protected:
  // The performance counter and its ticks per second; a test puts a clock of its own here.
  virtual int64_t PerformanceCounter() const;
  virtual int64_t PerformanceFrequency() const;

 private:
  bool FogEnvironmentStored() const;
  // Out of the scene the buffer joined at a frame, also when the camera has left that scene or is
  // being freed.
  void LeaveScene();
  // BeforeRender, PostRender and AfterRender fire only for a component owner.
  void FireRenderEvent(const TNotifyEvent& Event);
  template <class T>
  void SetAndNotify(T& Field, T AValue);
  template <class T>
  void SetAndRestructure(T& Field, T AValue);

  std::unique_ptr<TGLStateCache> FStateCache;
  bool FRendering = false;
  std::unique_ptr<TGLContext> FRenderingContext;
  std::vector<TGLObjectEffect*> FAfterRenderEffects;
  TMatrix FProjectionMatrix = IdentityHmgMatrix;
  TMatrix FModelViewMatrix = IdentityHmgMatrix;
  std::vector<TMatrix> FModelViewStack;
  TMatrix FBaseProjectionMatrix = IdentityHmgMatrix;
  TVector FCameraAbsolutePosition{};
  TRectangle FViewPort;
  double FDevicePixelRatio = 1;
  bool FFaceCulling = true;
  bool FFogEnable = false;
  bool FLighting = true;
  bool FDepthTest = true;
  TColor FBackgroundColor = clBtnFace;
  float FBackgroundAlpha = 1;
  std::unique_ptr<TGLColor> FAmbientColor;
  TGLAntiAliasing FAntiAliasing = aaDefault;
  TGLDepthPrecision FDepthPrecision = dpDefault;
  TGLColorDepth FColorDepth = cdDefault;
  TContextOptions FContextOptions = cDefaultContextOptions;
  TGLShadeModel FShadeModel = smDefault;
  int32_t FRenderDPI = 0;
  std::unique_ptr<TGLFogEnvironment> FFogEnvironment;
  int32_t FAccumBufferBits = 0;
  TGLCamera* FCamera = nullptr;
  TGLSceneGraph* FScene = nullptr;  // the scene whose buffers list holds this buffer
  int32_t FFrameCount = 0;
  float FFramesPerSecond = 0;
  int64_t FFirstPerfCounter = 0;
  float FLastFrameTime = 0;
};

// A viewer's published event that is really its buffer's, for the viewers' property tables; V is
// the viewer class, with GetBuffer().
template <class V>
TPropInfo PublishedBufferEvent(const char* name, TNotifyEvent TGLSceneBuffer::*member) {
  TPropInfo info;
  info.Name = name;
  info.Kind = tkMethod;
  info.SetMethod = [member](TObject& o, const std::any& handler) {
    const auto* typed = std::any_cast<TNotifyEvent>(&handler);
    if (!typed) throw EInvalidCast("Invalid class typecast");
    static_cast<V&>(o).GetBuffer()->*member = *typed;
  };
  return info;
}
