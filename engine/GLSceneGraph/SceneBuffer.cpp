#include "engine/GLSceneGraph/SceneBuffer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/GLCrossPlatform.h"
#include "engine/GLMaterial.h"
#include "engine/GLSceneGraph/FogEnvironment.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLTexture.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/SysUtils.h"

namespace {
// Leaves a flag false at the end of a scope, also when it ends by an error.
class TClearOnExit {
 public:
  explicit TClearOnExit(bool& flag) : FFlag(flag) {}
  ~TClearOnExit() { FFlag = false; }
  TClearOnExit(const TClearOnExit&) = delete;
  TClearOnExit& operator=(const TClearOnExit&) = delete;

 private:
  bool& FFlag;
};

int Scaled(int value, double ratio) {
  return int(std::lround(value * ratio));
}
}  // namespace

int32_t ColorDepthBits(TGLColorDepth depth) {
  switch (depth) {
    case cd8bits:
      return 8;
    case cd16bits:
      return 16;
    case cdFloat64bits:
      return 64;
    case cdFloat128bits:
      return 128;
    default:
      return 24;
  }
}

int32_t DepthPrecisionBits(TGLDepthPrecision precision) {
  switch (precision) {
    case dp16bits:
      return 16;
    case dp32bits:
      return 32;
    default:
      return 24;
  }
}

const TPropertyTable& TGLSceneBuffer::Published() {
  using B = TGLSceneBuffer;
  static const TPropertyTable table = [] {
    TPropertyTable published =
        TPropertyTable::Extend<B>(TGLUpdateAbleObject::Published())
            .Boolean("FaceCulling", &B::GetFaceCulling, &B::SetFaceCulling, Default(true))
            .Boolean("FogEnable", &B::GetFogEnable, &B::SetFogEnable, Default(false))
            .Boolean("Lighting", &B::GetLighting, &B::SetLighting, Default(true))
            .Boolean("DepthTest", &B::GetDepthTest, &B::SetDepthTest, Default(true))
            .Color("BackgroundColor", &B::GetBackgroundColor, &B::SetBackgroundColor,
                   Default(clBtnFace))
            .Object("AmbientColor", &B::GetAmbientColor)
            .Enumeration("AntiAliasing", &B::GetAntiAliasing, &B::SetAntiAliasing,
                         {"aaDefault", "aaNone", "aa2x", "aa2xHQ", "aa4x", "aa4xHQ"},
                         Default(aaDefault))
            .Enumeration("DepthPrecision", &B::GetDepthPrecision, &B::SetDepthPrecision,
                         {"dpDefault", "dp16bits", "dp24bits", "dp32bits"}, Default(dpDefault))
            .Enumeration(
                "ColorDepth", &B::GetColorDepth, &B::SetColorDepth,
                {"cdDefault", "cd8bits", "cd16bits", "cd24bits", "cdFloat64bits", "cdFloat128bits"},
                Default(cdDefault))
            .Set("ContextOptions", &B::GetContextOptions, &B::SetContextOptions,
                 {"roDoubleBuffer", "roStencilBuffer", "roRenderToWindow", "roTwoSideLighting",
                  "roStereo", "roDestinationAlpha", "roNoColorBuffer", "roNoColorBufferClear",
                  "roNoSwapBuffers"},
                 Default(cDefaultContextOptions))
            .Enumeration("ShadeModel", &B::GetShadeModel, &B::SetShadeModel,
                         {"smDefault", "smSmooth", "smFlat"}, Default(smDefault))
            .Object("FogEnvironment", &B::GetFogEnvironment)
            .Integer("AccumBufferBits", &B::GetAccumBufferBits, &B::SetAccumBufferBits, Default(0))
            .Event("OnChange", &B::OnChange)
            .Event("OnStructuralChange", &B::OnStructuralChange)
            .Event("BeforeRender", &B::BeforeRender)
            .Event("PostRender", &B::PostRender)
            .Event("AfterRender", &B::AfterRender)
            .Event("InitiateRendering", &B::InitiateRendering)
            .Event("WrapUpRendering", &B::WrapUpRendering);
    // A fog environment as a new one has it is left out of the layout.
    TPropInfo fog = *published.Find("FogEnvironment");
    fog.Rule = Stored(&B::FogEnvironmentStored);
    published.Add(std::move(fog));
    return published;
  }();
  return table;
}

TGLSceneBuffer::TGLSceneBuffer(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FStateCache(std::make_unique<TGLStateCache>()),
      FAmbientColor(std::make_unique<TGLColor>(this, ColorGray20)),
      FFogEnvironment(std::make_unique<TGLFogEnvironment>(this)) {
  ResetPerformanceMonitor();
}

TGLSceneBuffer::~TGLSceneBuffer() {
  try {
    LeaveScene();
  } catch (...) {
  }
  FCamera = nullptr;
  try {
    DestroyRC();
  } catch (...) {
  }
}

// ---- The rendering context

void TGLSceneBuffer::CreateRC(TGLOutputDevice DeviceContext, bool MemoryContext) {
  DestroyRC();
  FRendering = true;
  const TClearOnExit endRendering(FRendering);
  FRenderingContext = GLContextManager ? GLContextManager->CreateContext() : nullptr;
  if (!FRenderingContext) throw Exception("Failed to create RenderingContext.");
  const TRectangle device = DeviceViewPort();
  try {
    SetupRCOptions(FRenderingContext.get());
    if (MemoryContext)
      FRenderingContext->CreateMemoryContext(DeviceContext, device.Width, device.Height);
    else
      FRenderingContext->CreateContext(DeviceContext);
  } catch (...) {
    FRenderingContext.reset();
    throw;
  }
  // The old cache describes a context that is gone.
  FStateCache = std::make_unique<TGLStateCache>();
  WithActiveContext(*FRenderingContext, [&] {
    if (!GLSupport.GL_1_1) throw EOpenGLError("Need at least OpenGL version 1.1");
    glViewport(0, 0, device.Width, device.Height);
    PrepareGLContext();
    const TColorVector background = ConvertWinColor(FBackgroundColor, 1);
    glClearColor(background[0], background[1], background[2], background[3]);
  });
}

void TGLSceneBuffer::DestroyRC() {
  if (!FRenderingContext) return;
  FRenderingContext.reset();
  LeaveScene();
}

void TGLSceneBuffer::LeaveScene() {
  TGLSceneGraph* scene = FScene;
  FScene = nullptr;
  if (scene) scene->RemoveBuffer(this);
}

void TGLSceneBuffer::SetupRCOptions(TGLContext* Context) {
  const auto has = [this](TContextOption option) {
    return HasContextOption(FContextOptions, option);
  };
  Context->SetOptions(TGLContextFlags((has(roDoubleBuffer) ? cfDoubleBuffered : 0) |
                                      (has(roStereo) ? cfStereo : 0)));
  Context->SetColorBits(has(roNoColorBuffer) ? 0 : ColorDepthBits(FColorDepth));
  Context->SetDepthBits(DepthPrecisionBits(FDepthPrecision));
  Context->SetStencilBits(has(roStencilBuffer) ? 8 : 0);
  Context->SetAlphaBits(has(roDestinationAlpha) ? 8 : 0);
  Context->SetAccumBits(FAccumBufferBits);
  Context->SetAuxBuffers(0);
  Context->SetAntiAliasing(FAntiAliasing);
  if (OnPrepareGLContext) OnPrepareGLContext(this);
}

// ---- Viewport and size

void TGLSceneBuffer::Resize(int Width, int Height) {
  FViewPort.Width = std::max(Width, 1);
  FViewPort.Height = std::max(Height, 1);
  if (!FRenderingContext) return;
  const TRectangle device = DeviceViewPort();
  WithActiveContext(*FRenderingContext, [&] {
    glViewport(0, 0, std::max(device.Width, 1), std::max(device.Height, 1));
  });
}

void TGLSceneBuffer::SetViewPort(int X, int Y, int Width, int Height) {
  FViewPort = {X, Y, Width, Height};
  NotifyChange(this);
}

void TGLSceneBuffer::SetDevicePixelRatio(double AValue) {
  if (!(AValue > 0) || AValue == FDevicePixelRatio) return;
  FDevicePixelRatio = AValue;
  if (FRenderingContext) Resize(FViewPort.Width, FViewPort.Height);
  NotifyChange(this);
}

TRectangle TGLSceneBuffer::DeviceViewPort() const {
  return {Scaled(FViewPort.Left, FDevicePixelRatio), Scaled(FViewPort.Top, FDevicePixelRatio),
          Scaled(FViewPort.Width, FDevicePixelRatio), Scaled(FViewPort.Height, FDevicePixelRatio)};
}

// ---- A frame

void TGLSceneBuffer::Render() {
  Render(nullptr);
}

void TGLSceneBuffer::Render(TGLBaseSceneObject* BaseObject) {
  if (FRendering || !FRenderingContext) return;
  const TColorVector background = ConvertWinColor(FBackgroundColor, FBackgroundAlpha);
  const int64_t frameStart = PerformanceCounter();
  if (TGLSceneGraph* scene = FCamera ? FCamera->GetScene() : nullptr) {
    FCamera->AbsoluteMatrix();
    if (scene != FScene) LeaveScene();
    scene->AddBuffer(this);
    FScene = scene;
  }
  FRendering = true;
  const TClearOnExit endRendering(FRendering);
  WithActiveContext(*FRenderingContext, [&] {
    if (FFrameCount == 0) FFirstPerfCounter = PerformanceCounter();
    FRenderDPI = Scaled(cDefaultRenderDPI, FDevicePixelRatio);
    ClearGLError();
    PrepareGLContext();
    glClearColor(background[0], background[1], background[2], background[3]);
    ClearBuffers();
    CheckOpenGLError();
    DoBaseRender(DeviceViewPort(), FRenderDPI, dsRendering, BaseObject);
    CheckOpenGLError();
    if (!HasContextOption(FContextOptions, roNoSwapBuffers)) FRenderingContext->SwapBuffers();
    ++FFrameCount;
    const int64_t now = PerformanceCounter();
    const double frequency = double(PerformanceFrequency());
    FLastFrameTime = float(double(now - frameStart) / frequency);
    const int64_t elapsed = now - FFirstPerfCounter;
    if (elapsed > 0) FFramesPerSecond = float(FFrameCount * frequency / double(elapsed));
    CheckOpenGLError();
  });
  FireRenderEvent(AfterRender);
}

void TGLSceneBuffer::PrepareGLContext() {
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, FAmbientColor->AsAddress());
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE,
                HasContextOption(FContextOptions, roTwoSideLighting) ? 1 : 0);
  // The cache and OpenGL agree from the first frame on, whatever the context held before.
  const auto set = [this](TGLCachedState state, bool on) {
    if (on) {
      FStateCache->Enable(state);
      glEnable(GLCachedStateCapability(state));
    } else {
      FStateCache->Disable(state);
      glDisable(GLCachedStateCapability(state));
    }
  };
  set(gsNormalize, true);
  set(gsDepthTest, FDepthTest);
  set(gsCullFace, FFaceCulling);
  set(gsLighting, FLighting);
  set(gsFog, FFogEnable);
  GLint blueBits = 0;
  glGetIntegerv(GL_BLUE_BITS, &blueBits);
  set(gsDither, blueBits < 8);
  glDepthFunc(GL_LESS);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  switch (FShadeModel) {
    case smDefault:
    case smSmooth:
      glShadeModel(GL_SMOOTH);
      break;
    case smFlat:
      glShadeModel(GL_FLAT);
      break;
    default:
      Assert(false);
  }
}

void TGLSceneBuffer::ClearBuffers() {
  GLbitfield mask = GL_DEPTH_BUFFER_BIT;
  if (!HasContextOption(FContextOptions, roNoColorBuffer) &&
      !HasContextOption(FContextOptions, roNoColorBufferClear))
    mask |= GL_COLOR_BUFFER_BIT;
  if (HasContextOption(FContextOptions, roStencilBuffer)) mask |= GL_STENCIL_BUFFER_BIT;
  glClear(mask);
}

void TGLSceneBuffer::SetupCamera(const TRectangle& AViewPort, int Resolution) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glGetFloatv(GL_PROJECTION_MATRIX, FBaseProjectionMatrix[0].data());
  if (FCamera) {
    FCamera->ApplyPerspective(AViewPort, AViewPort.Width, AViewPort.Height, Resolution);
    glGetFloatv(GL_PROJECTION_MATRIX, FProjectionMatrix[0].data());
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (FCamera) {
    if (TGLSceneGraph* scene = FCamera->GetScene()) scene->SetCurrentGLCamera(FCamera);
    FCamera->Apply();
    FCameraAbsolutePosition = FCamera->AbsolutePosition();
  }
  glGetFloatv(GL_MODELVIEW_MATRIX, FModelViewMatrix[0].data());
}

void TGLSceneBuffer::DoBaseRender(const TRectangle& AViewPort, int Resolution,
                                  TGLDrawState DrawState, TGLBaseSceneObject* BaseObject) {
  SetupCamera(AViewPort, Resolution);
  MapTexCoordToNull();
  MapTexCoordToMain();
  if (OnSetupVSync) OnSetupVSync(this);
  FireRenderEvent(BeforeRender);
  if (TGLSceneGraph* scene = FCamera ? FCamera->GetScene() : nullptr) {
    GLint maxLights = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
    scene->SetupLights(maxLights);
    if (FFogEnable) {
      glEnable(GL_FOG);
      FFogEnvironment->ApplyFog();
    } else {
      glDisable(GL_FOG);
    }
    scene->RenderScene(this, AViewPort.Width, AViewPort.Height, DrawState, BaseObject);
  }
  FireRenderEvent(PostRender);
  Assert(FModelViewStack.empty(), "Unbalance Push/PopModelViewMatrix.");
}

void TGLSceneBuffer::FireRenderEvent(const TNotifyEvent& Event) {
  if (Event && dynamic_cast<TComponent*>(GetOwner())) Event(this);
}

void TGLSceneBuffer::CopyToTexture(TGLTexture* Texture, int XSrc, int YSrc, int Width, int Height,
                                   int XDest, int YDest, GLenum Target, bool ForceCopyTexImage2D) {
  if (!FRenderingContext) return;
  WithActiveContext(*FRenderingContext, [&] {
    // The part of the region left of or below the texture has nowhere to land.
    if (XDest < 0) {
      XSrc -= XDest;
      Width += XDest;
      XDest = 0;
    }
    if (YDest < 0) {
      YSrc -= YDest;
      Height += YDest;
      YDest = 0;
    }
    Width = std::max(Width, 0);
    Height = std::max(Height, 0);
    // The texture grows to reach the region's far corner, and no texture is larger than OpenGL's
    // largest: a corner beyond it is refused before anything is allocated.
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const int64_t right = int64_t(XDest) + Width, top = int64_t(YDest) + Height;
    if (right > maxSize || top > maxSize)
      throw ETexture("Cannot copy into a texture of " + IntToStr(right) + " x " + IntToStr(top) +
                     ": the largest is " + IntToStr(maxSize) + " x " + IntToStr(maxSize));
    if (Target < 1) Target = Texture->GetImage()->NativeTextureTarget();
    const bool cubeFace =
        Target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && Target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
    bool create = ForceCopyTexImage2D;
    GLuint name;
    if (Texture->IsHandleAllocated()) {
      name = Texture->GetTextureHandle()->GetHandle();
    } else {
      name = Texture->AllocateHandle();
      create = true;
    }
    FStateCache->SetGLCurrentTexture(0, cubeFace ? GL_TEXTURE_CUBE_MAP : Target, name);
    GLint textureWidth = 0, textureHeight = 0;
    if (!create) {
      glGetTexLevelParameteriv(Target, 0, GL_TEXTURE_WIDTH, &textureWidth);
      glGetTexLevelParameteriv(Target, 0, GL_TEXTURE_HEIGHT, &textureHeight);
    }
    const int width = std::max(textureWidth, XDest + Width);
    const int height = std::max(textureHeight, YDest + Height);
    if (!create && width == textureWidth && height == textureHeight) {
      glCopyTexSubImage2D(Target, 0, XDest, YDest, XSrc, YSrc, Width, Height);
    } else {
      // A texture too small for the region grows: OpenGL cannot copy beyond its edges, so it is
      // made again from what it held, with the region at its offset.
      const size_t rowBytes = size_t(width) * 4;
      std::vector<GLubyte> pixels(rowBytes * size_t(height));
      if (!create && textureWidth > 0 && textureHeight > 0) {
        std::vector<GLubyte> held(size_t(textureWidth) * size_t(textureHeight) * 4);
        glGetTexImage(Target, 0, GL_RGBA, GL_UNSIGNED_BYTE, held.data());
        for (int y = 0; y < textureHeight; ++y)
          std::copy_n(&held[size_t(y) * size_t(textureWidth) * 4], size_t(textureWidth) * 4,
                      &pixels[size_t(y) * rowBytes]);
      }
      std::vector<GLubyte> region(size_t(Width) * size_t(Height) * 4);
      glReadPixels(XSrc, YSrc, Width, Height, GL_RGBA, GL_UNSIGNED_BYTE, region.data());
      for (int y = 0; y < Height; ++y)
        std::copy_n(&region[size_t(y) * size_t(Width) * 4], size_t(Width) * 4,
                    &pixels[size_t(YDest + y) * rowBytes + size_t(XDest) * 4]);
      const GLint format = GLint(Texture->OpenGLTextureFormat());
      if (Texture->GetMinFilter() < miNearestMipmapNearest) {
        glTexImage2D(Target, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
      } else if (GLSupport.SGIS_generate_mipmap && Target == GL_TEXTURE_2D) {
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 1);
        glTexImage2D(Target, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
      } else {
        gluBuild2DMipmaps(Target, format, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
      }
    }
    ClearGLError();
  });
}

// ---- Matrices of the frame

void TGLSceneBuffer::PushModelViewMatrix(const TMatrix& Matrix) {
  FModelViewStack.push_back(FModelViewMatrix);
  FModelViewMatrix = Matrix;
}

void TGLSceneBuffer::PopModelViewMatrix() {
  Assert(!FModelViewStack.empty(), "Unbalanced PopModelViewMatrix");
  FModelViewMatrix = FModelViewStack.back();
  FModelViewStack.pop_back();
}

// ---- Notices and settings

void TGLSceneBuffer::NotifyChange(TObject*) {
  if (!FRendering && OnChange) OnChange(this);
}

void TGLSceneBuffer::DoStructuralChange() {
  if (OnStructuralChange) OnStructuralChange(this);
}

template <class T>
void TGLSceneBuffer::SetAndNotify(T& Field, T AValue) {
  if (Field == AValue) return;
  Field = AValue;
  NotifyChange(this);
}

template <class T>
void TGLSceneBuffer::SetAndRestructure(T& Field, T AValue) {
  if (Field == AValue) return;
  Field = AValue;
  DoStructuralChange();
}

void TGLSceneBuffer::SetFaceCulling(bool AValue) {
  SetAndNotify(FFaceCulling, AValue);
}

void TGLSceneBuffer::SetFogEnable(bool AValue) {
  SetAndNotify(FFogEnable, AValue);
}

void TGLSceneBuffer::SetLighting(bool AValue) {
  SetAndNotify(FLighting, AValue);
}

void TGLSceneBuffer::SetDepthTest(bool AValue) {
  SetAndNotify(FDepthTest, AValue);
}

void TGLSceneBuffer::SetBackgroundColor(TColor AValue) {
  SetAndNotify(FBackgroundColor, AValue);
}

void TGLSceneBuffer::SetShadeModel(TGLShadeModel AValue) {
  SetAndNotify(FShadeModel, AValue);
}

void TGLSceneBuffer::SetAmbientColor(TGLColor* AValue) {
  FAmbientColor->Assign(AValue);
}

void TGLSceneBuffer::SetFogEnvironment(TGLFogEnvironment* AValue) {
  FFogEnvironment->Assign(AValue);
  NotifyChange(this);
}

bool TGLSceneBuffer::FogEnvironmentStored() const {
  return !FFogEnvironment->IsAtDefaultValues();
}

void TGLSceneBuffer::SetContextOptions(TContextOptions AValue) {
  SetAndRestructure(FContextOptions, AValue);
}

void TGLSceneBuffer::SetAntiAliasing(TGLAntiAliasing AValue) {
  SetAndRestructure(FAntiAliasing, AValue);
}

void TGLSceneBuffer::SetDepthPrecision(TGLDepthPrecision AValue) {
  SetAndRestructure(FDepthPrecision, AValue);
}

void TGLSceneBuffer::SetColorDepth(TGLColorDepth AValue) {
  SetAndRestructure(FColorDepth, AValue);
}

void TGLSceneBuffer::SetAccumBufferBits(int32_t AValue) {
  SetAndRestructure(FAccumBufferBits, AValue);
}

// ---- The camera

void TGLSceneBuffer::SetCamera(TGLCamera* ACamera) {
  if (ACamera == FCamera) return;
  LeaveScene();
  FCamera = nullptr;
  if (ACamera && ACamera->GetScene()) {
    FCamera = ACamera;
    FCamera->TransformationChanged();
  }
  NotifyChange(this);
}

// ---- Frame counters

void TGLSceneBuffer::ResetPerformanceMonitor() {
  FFramesPerSecond = 0;
  FFrameCount = 0;
  FFirstPerfCounter = 0;
}

int64_t TGLSceneBuffer::PerformanceCounter() const {
  int64_t value = 0;
  QueryPerformanceCounter(value);
  return value;
}

int64_t TGLSceneBuffer::PerformanceFrequency() const {
  int64_t value = 1;
  QueryPerformanceFrequency(value);
  return value;
}
