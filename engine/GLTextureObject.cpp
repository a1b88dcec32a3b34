// The texture of the colour and texture unit: settings, notices, upload and application.
#include <utility>

#include "engine/GLMaterial.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLTexture.h"
#include "engine/base/XOpenGL.h"
#include "platform/rtl/SysUtils.h"

TGLTextureFormat DefaultTextureFormat = tfRGBA;
TGLTextureCompression DefaultTextureCompression = tcNone;

namespace {

constexpr TVector cDefaultMappingCoordinates = {1, 0, 0, 0};

constexpr GLenum cTextureModes[] = {GL_DECAL, GL_MODULATE, GL_BLEND, GL_REPLACE};
constexpr GLenum cMinFilters[] = {GL_NEAREST,
                                  GL_LINEAR,
                                  GL_NEAREST_MIPMAP_NEAREST,
                                  GL_LINEAR_MIPMAP_NEAREST,
                                  GL_NEAREST_MIPMAP_LINEAR,
                                  GL_LINEAR_MIPMAP_LINEAR};
constexpr GLenum cMagFilters[] = {GL_NEAREST, GL_LINEAR};

struct TFormatColumns {
  GLenum Uncompressed, Compressed;
};
// By TGLTextureFormat from tfRGB; the float formats are never compressed.
constexpr TFormatColumns cInternalFormats[] = {
    {GL_RGB8, GL_COMPRESSED_RGB_ARB},
    {GL_RGBA8, GL_COMPRESSED_RGBA_ARB},
    {GL_RGB5, GL_COMPRESSED_RGB_ARB},
    {GL_RGBA4, GL_COMPRESSED_RGBA_ARB},
    {GL_ALPHA8, GL_COMPRESSED_ALPHA_ARB},
    {GL_LUMINANCE8, GL_COMPRESSED_LUMINANCE_ARB},
    {GL_LUMINANCE8_ALPHA8, GL_COMPRESSED_LUMINANCE_ALPHA_ARB},
    {GL_INTENSITY8, GL_COMPRESSED_INTENSITY_ARB},
    {GL_RGB8, GL_COMPRESSED_RGB_ARB},
    {GL_RGBA_FLOAT16_ATI, GL_RGBA_FLOAT16_ATI},
    {GL_RGBA_FLOAT32_ATI, GL_RGBA_FLOAT32_ATI},
};

// S and T by TGLTextureWrap, with and without edge clamping.
struct TWrapModes {
  GLenum S, T;
};
constexpr TWrapModes cWrapEdgeClamp[] = {{GL_REPEAT, GL_REPEAT},
                                         {GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE},
                                         {GL_CLAMP_TO_EDGE, GL_REPEAT},
                                         {GL_REPEAT, GL_CLAMP_TO_EDGE}};
constexpr TWrapModes cWrapPlain[] = {
    {GL_REPEAT, GL_REPEAT}, {GL_CLAMP, GL_CLAMP}, {GL_CLAMP, GL_REPEAT}, {GL_REPEAT, GL_CLAMP}};

bool IsCubeMapTarget(GLenum target) {
  return target != GL_TEXTURE_2D && target != GL_TEXTURE_RECTANGLE_NV;
}

TMatrix Normalized(TMatrix m) {
  NormalizeMatrix(m);
  return m;
}

TMatrix Transposed(TMatrix m) {
  TransposeMatrix(m);
  return m;
}

void LoadTransposed(const TMatrix& m) {
  if (GLSupport.ARB_transpose_matrix)
    glLoadTransposeMatrixfARB(m[0].data());
  else
    glLoadMatrixf(Transposed(m)[0].data());
}

// Undoes the view's rotation, so that a cube map stays fixed in the world.
void MultiplyByInverseViewRotation(const TRenderContextInfo& rci) {
  glMultMatrixf(Transposed(Normalized(*rci.modelViewMatrix))[0].data());
}

void TexGen(GLenum mode, std::initializer_list<GLenum> coordinates) {
  for (GLenum coordinate : coordinates) glTexGeni(coordinate, GL_TEXTURE_GEN_MODE, GLint(mode));
  for (GLenum coordinate : coordinates)
    glEnable(coordinate == GL_S   ? GL_TEXTURE_GEN_S
             : coordinate == GL_T ? GL_TEXTURE_GEN_T
                                  : GL_TEXTURE_GEN_R);
}

}  // namespace

// ---- Construction and settings

const TPropertyTable& TGLTexture::Published() {
  const auto making = [](const TGLTexture& t) -> TGLTexture& { return const_cast<TGLTexture&>(t); };
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLTexture>(TGLUpdateAbleObject::Published())
          .String("ImageClassName", &TGLTexture::GetImageClassName, &TGLTexture::SetImageClassName,
                  Stored(&TGLTexture::StoreImageClassName))
          .Object("Image", &TGLTexture::GetImage)
          .Enumeration(
              "ImageAlpha", &TGLTexture::GetImageAlpha, &TGLTexture::SetImageAlpha,
              {"tiaDefault", "tiaAlphaFromIntensity", "tiaSuperBlackTransparent", "tiaLuminance",
               "tiaLuminanceSqrt", "tiaOpaque", "tiaTopLeftPointColorTransparent",
               "tiaInverseLuminance", "tiaInverseLuminanceSqrt"},
              Default(tiaDefault))
          .Float("ImageBrightness", &TGLTexture::GetImageBrightness,
                 &TGLTexture::SetImageBrightness, Default(1.0))
          .Float("ImageGamma", &TGLTexture::GetImageGamma, &TGLTexture::SetImageGamma, Default(1.0))
          .Enumeration("MagFilter", &TGLTexture::GetMagFilter, &TGLTexture::SetMagFilter,
                       {"maNearest", "maLinear"}, Default(maLinear))
          .Enumeration("MinFilter", &TGLTexture::GetMinFilter, &TGLTexture::SetMinFilter,
                       {"miNearest", "miLinear", "miNearestMipmapNearest", "miLinearMipmapNearest",
                        "miNearestMipmapLinear", "miLinearMipmapLinear"},
                       Default(miLinearMipmapLinear))
          .Enumeration("TextureMode", &TGLTexture::GetTextureMode, &TGLTexture::SetTextureMode,
                       {"tmDecal", "tmModulate", "tmBlend", "tmReplace"}, Default(tmDecal))
          .Enumeration("TextureWrap", &TGLTexture::GetTextureWrap, &TGLTexture::SetTextureWrap,
                       {"twBoth", "twNone", "twVertical", "twHorizontal"}, Default(twBoth))
          .Enumeration(
              "TextureFormat", &TGLTexture::GetTextureFormat, &TGLTexture::SetTextureFormat,
              {"tfDefault", "tfRGB", "tfRGBA", "tfRGB16", "tfRGBA16", "tfAlpha", "tfLuminance",
               "tfLuminanceAlpha", "tfIntensity", "tfNormalMap", "tfRGBAFloat16", "tfRGBAFloat32"},
              Default(tfDefault))
          .Enumeration("Compression", &TGLTexture::GetCompression, &TGLTexture::SetCompression,
                       {"tcDefault", "tcNone", "tcStandard", "tcHighQuality", "tcHighSpeed"},
                       Default(tcDefault))
          .Enumeration("FilteringQuality", &TGLTexture::GetFilteringQuality,
                       &TGLTexture::SetFilteringQuality, {"tfIsotropic", "tfAnisotropic"},
                       Default(tfIsotropic))
          .Enumeration(
              "MappingMode", &TGLTexture::GetMappingMode, &TGLTexture::SetMappingMode,
              {"tmmUser", "tmmObjectLinear", "tmmEyeLinear", "tmmSphere", "tmmCubeMapReflection",
               "tmmCubeMapNormal", "tmmCubeMapLight0", "tmmCubeMapCamera"},
              Default(tmmUser))
          .Object("MappingSCoordinates",
                  [making](const TGLTexture& t) { return making(t).GetMappingSCoordinates(); })
          .Object("MappingTCoordinates",
                  [making](const TGLTexture& t) { return making(t).GetMappingTCoordinates(); })
          .Object("EnvColor", &TGLTexture::GetEnvColor)
          .Boolean("Disabled", &TGLTexture::GetDisabled, &TGLTexture::SetDisabled, Default(true))
          .Float("NormalMapScale", &TGLTexture::GetNormalMapScale, &TGLTexture::SetNormalMapScale,
                 Default(0.125));
  return table;
}

TGLTexture::TGLTexture(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner), FEnvColor(this, TColorVector{0, 0, 0, 0}) {
  TakeImage(std::make_unique<TGLPersistentImage>(this));
}

TGLTexture::~TGLTexture() {
  FMapSCoordinates.reset();
  FMapTCoordinates.reset();
  DestroyHandles();
}

void TGLTexture::TakeImage(std::unique_ptr<TGLTextureImage> image) {
  image->OnTextureNeeded = [this](TObject* Sender, std::string& textureFileName) {
    DoOnTextureNeeded(Sender, textureFileName);
  };
  FImage = std::move(image);
}

template <class T>
void TGLTexture::SetAndNotify(T& field, T value, void (TGLTexture::*notify)()) {
  if (value == field) return;
  field = value;
  (this->*notify)();
}

void TGLTexture::SetImage(TGLTextureImage* value) {
  if (!value) return TakeImage(std::make_unique<TGLPersistentImage>(this));
  if (value->ClassType() != FImage->ClassType()) {
    auto object = value->ClassType()->Create(this);
    TakeImage(std::unique_ptr<TGLTextureImage>(static_cast<TGLTextureImage*>(object.release())));
  }
  FImage->Assign(value);
}

void TGLTexture::SetImageClassName(const std::string& value) {
  if (value.empty() || value == GetImageClassName()) return;
  TClass imageClass = FindGLTextureImageClass(value);
  if (!imageClass) imageClass = TGLPersistentImage::StaticClass();
  auto object = imageClass->Create(this);
  TakeImage(std::unique_ptr<TGLTextureImage>(static_cast<TGLTextureImage*>(object.release())));
  NotifyImageChange();
}

void TGLTexture::SetImageAlpha(TGLTextureImageAlpha value) {
  SetAndNotify(FImageAlpha, value, &TGLTexture::NotifyImageChange);
}

void TGLTexture::SetImageBrightness(float value) {
  SetAndNotify(FImageBrightness, value, &TGLTexture::NotifyImageChange);
}

void TGLTexture::SetImageGamma(float value) {
  SetAndNotify(FImageGamma, value, &TGLTexture::NotifyImageChange);
}

void TGLTexture::SetMagFilter(TGLMagFilter value) {
  SetAndNotify(FMagFilter, value, &TGLTexture::NotifyParamsChange);
}

void TGLTexture::SetMinFilter(TGLMinFilter value) {
  SetAndNotify(FMinFilter, value, &TGLTexture::NotifyParamsChange);
}

void TGLTexture::SetTextureMode(TGLTextureMode value) {
  SetAndNotify(FTextureMode, value, &TGLTexture::NotifyParamsChange);
}

void TGLTexture::SetTextureWrap(TGLTextureWrap value) {
  SetAndNotify(FTextureWrap, value, &TGLTexture::NotifyParamsChange);
}

void TGLTexture::SetTextureFormat(TGLTextureFormat value) {
  SetAndNotify(FTextureFormat, value, &TGLTexture::NotifyParamsChange);
}

void TGLTexture::SetCompression(TGLTextureCompression value) {
  SetAndNotify(FCompression, value, &TGLTexture::NotifyParamsChange);
}

void TGLTexture::SetFilteringQuality(TGLTextureFilteringQuality value) {
  SetAndNotify(FFilteringQuality, value, &TGLTexture::NotifyParamsChange);
}

void TGLTexture::SetNormalMapScale(float value) {
  if (value == FNormalMapScale) return;
  FNormalMapScale = value;
  if (FTextureFormat == tfNormalMap) NotifyImageChange();
}

void TGLTexture::SetEnvColor(TGLColor* value) {
  FEnvColor.Assign(value);
  NotifyParamsChange();
}

void TGLTexture::SetDisabled(bool value) {
  if (value == FDisabled) return;
  FDisabled = value;
  if (GetOwner())
    NotifyStructureChange();
  else
    NotifyChange(this);
}

void TGLTexture::SetMappingMode(TGLTextureMappingMode value) {
  if (value == FMappingMode) return;
  const bool generationSwitched = (value == tmmUser) != (FMappingMode == tmmUser);
  FMappingMode = value;
  if (generationSwitched)
    NotifyStructureChange();
  else
    NotifyChange(this);
}

void TGLTexture::NotifyStructureChange() {
  if (auto* material = dynamic_cast<TGLMaterial*>(GetOwner()))
    material->NotifyStructureChange();
  else if (auto* unit = dynamic_cast<TGLTextureExItem*>(GetOwner()))
    unit->NotifyTexMappingChange();
}

TGLCoordinates4* TGLTexture::GetMappingSCoordinates() {
  if (!FMapSCoordinates)
    FMapSCoordinates =
        std::make_unique<TGLCoordinates4>(this, cDefaultMappingCoordinates, ckVector);
  return FMapSCoordinates.get();
}

void TGLTexture::SetMappingSCoordinates(TGLCoordinates4* value) {
  GetMappingSCoordinates()->Assign(value);
}

TGLCoordinates4* TGLTexture::GetMappingTCoordinates() {
  if (!FMapTCoordinates)
    FMapTCoordinates =
        std::make_unique<TGLCoordinates4>(this, cDefaultMappingCoordinates, ckVector);
  return FMapTCoordinates.get();
}

void TGLTexture::SetMappingTCoordinates(TGLCoordinates4* value) {
  GetMappingTCoordinates()->Assign(value);
}

// ---- Copies and notices

void TGLTexture::Assign(TPersistent* Source) {
  if (dynamic_cast<TGraphic*>(Source)) return FImage->Assign(Source);
  if (auto* picture = dynamic_cast<TPicture*>(Source)) return FImage->Assign(picture->GetGraphic());
  auto* source = dynamic_cast<TGLTexture*>(Source);
  if (Source && !source) return inherited::Assign(Source);
  if (source == this) return;
  // The copy's own notices are held back: one notice at the end tells of it all. Structure
  // notices still go out, as the owner's display list depends on them.
  BeginUpdate();
  try {
    if (!source) {
      SetDisabled(true);
      SetImage(nullptr);
    } else {
      FImageAlpha = source->FImageAlpha;
      FTextureMode = source->FTextureMode;
      FTextureWrap = source->FTextureWrap;
      FTextureFormat = source->FTextureFormat;
      FCompression = source->FCompression;
      FMinFilter = source->FMinFilter;
      FMagFilter = source->FMagFilter;
      SetMappingMode(source->FMappingMode);
      GetMappingSCoordinates()->Assign(source->GetMappingSCoordinates());
      GetMappingTCoordinates()->Assign(source->GetMappingTCoordinates());
      SetDisabled(source->FDisabled);
      SetImage(source->FImage.get());
    }
  } catch (...) {
    EndUpdate();
    FChanges = tcImage | tcParams;
    throw;
  }
  EndUpdate();
  FChanges = tcImage | tcParams;
  NotifyChange(this);
}

void TGLTexture::NotifyChange(TObject* Sender) {
  if (GetUpdating() != 0) return;
  if (auto* unit = dynamic_cast<TGLTextureExItem*>(GetOwner())) unit->NotifyChange(this);
  inherited::NotifyChange(Sender);
}

void TGLTexture::NotifyImageChange() {
  FChanges |= tcImage;
  NotifyChange(this);
}

void TGLTexture::NotifyParamsChange() {
  FChanges |= tcParams;
  NotifyChange(this);
}

void TGLTexture::DoOnTextureNeeded(TObject* Sender, std::string& textureFileName) {
  if (OnTextureNeeded) OnTextureNeeded(Sender, textureFileName);
}

// ---- The OpenGL texture

GLuint TGLTexture::GetHandle() {
  if (FTextureHandle.GetHandle() != 0 && FChanges == 0) return FTextureHandle.GetHandle();
  const GLuint name = AllocateHandle();
  const GLenum target = FImage->NativeTextureTarget();
  if (IsCubeMapTarget(target) && !GLSupport.ARB_texture_cube_map) return name;
  // The change flags are already clear: an upload that raises is not tried again, and raises
  // again, at every frame, but after the texture or its image next changes.
  if (!IsCubeMapTarget(target)) {
    PrepareImage(target);
  } else if (auto* cubeMap = dynamic_cast<TGLCubeMapImage*>(FImage.get())) {
    // Every face square and of the first face's size, or nothing is uploaded.
    const int side = cubeMap->GetPicture(0)->GetWidth();
    bool square = side > 0;
    for (int i = 0; i < 6; ++i)
      square = square && cubeMap->GetPicture(i)->GetWidth() == side &&
               cubeMap->GetPicture(i)->GetHeight() == side;
    if (square)
      for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
           ++face)
        PrepareImage(face);
  }
  return name;
}

GLuint TGLTexture::AllocateHandle() {
  const GLenum target = FImage->NativeTextureTarget();
  // An OpenGL texture keeps the target it was first bound to: an image of another target needs
  // a texture of its own.
  if (FTextureHandle.GetHandle() != 0 && target != FHandleTarget) FTextureHandle.DestroyHandle();
  if (FTextureHandle.GetHandle() == 0) {
    FTextureHandle.AllocateHandle();
    FHandleTarget = target;
  }
  const GLuint name = FTextureHandle.GetHandle();
  Assert(name != 0);
  if (!(IsCubeMapTarget(target) && !GLSupport.ARB_texture_cube_map)) {
    glBindTexture(target, name);
    PrepareParams(target);
  }
  FChanges = 0;
  return name;
}

void TGLTexture::DestroyHandles() {
  FTextureHandle.DestroyHandle();
  FChanges = tcImage | tcParams;
  FRequiredMemorySize = -1;
}

GLenum TGLTexture::OpenGLTextureFormat() {
  TGLTextureFormat format = FTextureFormat;
  if (format == tfDefault) format = DefaultTextureFormat;
  if (format == tfDefault) format = tfRGBA;
  const bool floatFormat = format == tfRGBAFloat16 || format == tfRGBAFloat32;
  TGLTextureCompression compression = tcNone;
  if (GLSupport.ARB_texture_compression && !floatFormat) {
    compression = FCompression;
    if (compression == tcDefault) compression = DefaultTextureCompression;
    if (compression == tcDefault) compression = tcNone;
  }
  GLenum result;
  if (compression == tcNone) {
    result = cInternalFormats[format - tfRGB].Uncompressed;
  } else {
    switch (compression) {
      case tcStandard:
        glHint(GL_TEXTURE_COMPRESSION_HINT_ARB, GL_DONT_CARE);
        break;
      case tcHighQuality:
        glHint(GL_TEXTURE_COMPRESSION_HINT_ARB, GL_NICEST);
        break;
      case tcHighSpeed:
        glHint(GL_TEXTURE_COMPRESSION_HINT_ARB, GL_FASTEST);
        break;
      default:
        Assert(false);
    }
    result = cInternalFormats[format - tfRGB].Compressed;
  }
  if (floatFormat && !GLSupport.ATI_texture_float)
    result = format == tfRGBAFloat16 ? GL_FLOAT_RGBA16_NV : GL_FLOAT_RGBA32_NV;
  return result;
}

void TGLTexture::PrepareParams(GLenum target) {
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  if (IsFloatType()) {
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const bool filtered = GLSupport.ATI_texture_float && FTextureFormat == tfRGBAFloat16;
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER,
                    GLint(filtered ? cMinFilters[FMinFilter] : GL_NEAREST));
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER,
                    GLint(filtered ? cMagFilters[FMagFilter] : GL_NEAREST));
    return;
  }
  const TWrapModes& wrap = GLSupport.GL_1_2 || GLSupport.EXT_texture_edge_clamp
                               ? cWrapEdgeClamp[FTextureWrap]
                               : cWrapPlain[FTextureWrap];
  glTexParameteri(target, GL_TEXTURE_WRAP_S, GLint(wrap.S));
  glTexParameteri(target, GL_TEXTURE_WRAP_T, GLint(wrap.T));
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GLint(cMinFilters[FMinFilter]));
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GLint(cMagFilters[FMagFilter]));
  if (GLSupport.EXT_texture_filter_anisotropic)
    glTexParameterf(target, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                    FFilteringQuality == tfAnisotropic ? 2.0f : 1.0f);
}

void TGLTexture::PrepareImage(GLenum target) {
  // The image's bitmap is worked on in place, so it goes after this upload whatever happens,
  // and the next one starts from the image's own pixels.
  struct TRelease {
    TGLTextureImage& Image;
    ~TRelease() { Image.ReleaseBitmap32(); }
  };
  TGLBitmap32* bitmap = FImage->GetBitmap32(target);
  if (!bitmap || bitmap->IsEmpty()) return;
  const TRelease release{*FImage};
  const GLenum internalFormat = OpenGLTextureFormat();
  if (FTextureFormat == tfNormalMap)
    bitmap->GrayScaleToNormalMap(FNormalMapScale,
                                 FTextureWrap == twBoth || FTextureWrap == twHorizontal,
                                 FTextureWrap == twBoth || FTextureWrap == twVertical);
  switch (FImageAlpha) {
    case tiaDefault:
      break;
    case tiaAlphaFromIntensity:
    case tiaLuminance:
      bitmap->SetAlphaFromIntensity();
      break;
    case tiaSuperBlackTransparent:
      bitmap->SetAlphaTransparentForColorRGB(0, 0, 0);
      break;
    case tiaLuminanceSqrt:
      bitmap->SetAlphaFromIntensity();
      bitmap->SqrtAlpha();
      break;
    case tiaOpaque:
      bitmap->SetAlphaToValue(255);
      break;
    case tiaTopLeftPointColorTransparent:
      bitmap->SetAlphaTransparentForColor(*bitmap->GetData());
      break;
    case tiaInverseLuminance:
      bitmap->SetAlphaFromIntensity();
      bitmap->InvertAlpha();
      break;
    case tiaInverseLuminanceSqrt:
      bitmap->SetAlphaFromIntensity();
      bitmap->SqrtAlpha();
      bitmap->InvertAlpha();
      break;
    default:
      Assert(false);
  }
  if (FImageBrightness != 1) bitmap->BrightnessCorrection(FImageBrightness);
  if (FImageGamma != 1) bitmap->GammaCorrection(FImageGamma);
  // An error earlier code left pending is not this texture's; one the upload raises is.
  ClearGLError();
  int texWidth = 0, texHeight = 0;
  bitmap->RegisterAsOpenGLTexture(target, FMinFilter, GLint(internalFormat), texWidth, texHeight);
  FTexWidth = texWidth;
  FTexHeight = texHeight;
  CheckOpenGLError();
  GLint size = 0;
  glGetTexLevelParameteriv(target, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB, &size);
  FRequiredMemorySize = glGetError() == GL_NO_ERROR ? size : -1;
  ClearGLError();
}

// ---- Application

void TGLTexture::Apply(TRenderContextInfo& rci) {
  TGLStateCache& cache = *rci.stateCache;
  if (FDisabled) {
    cache.Disable(gsTexture2D);
    cache.Disable(gsTextureRectangle);
    return MapTexCoordToMain();
  }
  const GLenum target = FImage->NativeTextureTarget();
  if (target == GL_TEXTURE_2D) {
    cache.Enable(gsTexture2D);
    cache.SetGLCurrentTexture(0, target, GetHandle());
  } else if (target == GL_TEXTURE_RECTANGLE_NV) {
    cache.Enable(gsTextureRectangle);
    cache.SetGLCurrentTexture(0, target, GetHandle());
  } else if (GLSupport.ARB_texture_cube_map) {
    cache.Enable(gsTextureCubeMap);
    cache.SetGLCurrentTexture(0, target, GetHandle());
    glMatrixMode(GL_TEXTURE);
    ApplyCubeMapMatrix(rci);
    glMatrixMode(GL_MODELVIEW);
  }
  ApplyEnvironment();
  MapTexCoordToMain();
}

void TGLTexture::ApplyCubeMapMatrix(TRenderContextInfo& rci) {
  switch (FMappingMode) {
    case tmmCubeMapReflection:
    case tmmCubeMapNormal:
      return LoadTransposed(Normalized(*rci.modelViewMatrix));
    case tmmCubeMapLight0: {
      const TPersistentObjectList* lights = rci.scene ? &rci.scene->GetLights() : nullptr;
      auto* light =
          lights && lights->Count() > 0 ? dynamic_cast<TGLLightSource*>(lights->Get(0)) : nullptr;
      if (!light) return;
      LoadTransposed(Normalized(light->AbsoluteMatrix()));
      return MultiplyByInverseViewRotation(rci);
    }
    case tmmCubeMapCamera: {
      const TVector& up = rci.cameraUp;
      const TVector& direction = rci.cameraDirection;
      TVector side;
      VectorCrossProduct(up, direction, side);
      const TMatrix camera = {{{side[0], side[1], side[2], 0},
                               {-direction[0], -direction[1], -direction[2], 0},
                               {up[0], up[1], up[2], 0},
                               {0, 0, 0, 1}}};
      LoadTransposed(camera);
      return MultiplyByInverseViewRotation(rci);
    }
    default:
      return;
  }
}

void TGLTexture::ApplyEnvironment() {
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLint(cTextureModes[FTextureMode]));
  glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, FEnvColor.AsAddress());
  ApplyMappingMode();
}

void TGLTexture::ApplyMappingMode() {
  switch (FMappingMode) {
    case tmmUser:
      return;
    case tmmObjectLinear:
    case tmmEyeLinear: {
      const bool object = FMappingMode == tmmObjectLinear;
      const GLenum plane = object ? GL_OBJECT_PLANE : GL_EYE_PLANE;
      glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, object ? GL_OBJECT_LINEAR : GL_EYE_LINEAR);
      glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, object ? GL_OBJECT_LINEAR : GL_EYE_LINEAR);
      glTexGenfv(GL_S, plane, GetMappingSCoordinates()->AsAddress());
      glTexGenfv(GL_T, plane, GetMappingTCoordinates()->AsAddress());
      glEnable(GL_TEXTURE_GEN_S);
      glEnable(GL_TEXTURE_GEN_T);
      return;
    }
    case tmmSphere:
      return TexGen(GL_SPHERE_MAP, {GL_S, GL_T});
    case tmmCubeMapReflection:
    case tmmCubeMapCamera:
      if (GLSupport.ARB_texture_cube_map) TexGen(GL_REFLECTION_MAP, {GL_S, GL_T, GL_R});
      return;
    case tmmCubeMapNormal:
    case tmmCubeMapLight0:
      if (GLSupport.ARB_texture_cube_map) TexGen(GL_NORMAL_MAP, {GL_S, GL_T, GL_R});
      return;
  }
  Assert(false);
}

void TGLTexture::UnApplyMappingMode() {
  if (FMappingMode == tmmUser) return;
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_TEXTURE_GEN_R);
}

void TGLTexture::UnApply(TRenderContextInfo& rci) {
  if (FDisabled) return;
  TGLStateCache& cache = *rci.stateCache;
  if (cache.GetStates() >> gsTextureCubeMap & 1) {
    cache.Disable(gsTextureCubeMap);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
  } else if (cache.GetStates() >> gsTexture2D & 1) {
    cache.Disable(gsTexture2D);
  } else {
    cache.Disable(gsTextureRectangle);
  }
  UnApplyMappingMode();
}

void TGLTexture::ApplyAsTextureN(int n, TRenderContextInfo& rci, TGLLibMaterial* libMaterial) {
  if (FDisabled) return;
  glActiveTextureARB(GL_TEXTURE0_ARB + n - 1);
  const GLenum target = FImage->NativeTextureTarget();
  try {
    if (target == GL_TEXTURE_2D) {
      glEnable(target);
      rci.stateCache->SetGLCurrentTexture(n - 1, target, GetHandle());
      if (libMaterial && !libMaterial->GetTextureMatrixIsIdentity()) {
        glMatrixMode(GL_TEXTURE);
        glLoadMatrixf(libMaterial->GetTextureMatrix()[0].data());
        glMatrixMode(GL_MODELVIEW);
      }
    } else if (GLSupport.ARB_texture_cube_map) {
      glEnable(target);
      rci.stateCache->SetGLCurrentTexture(n - 1, target, GetHandle());
      glMatrixMode(GL_TEXTURE);
      LoadTransposed(Normalized(*rci.modelViewMatrix));
      glMatrixMode(GL_MODELVIEW);
    }
    ApplyEnvironment();
  } catch (...) {
    // Left selected and switched on, the unit would take the textures other objects bind to
    // unit 0 and texture their drawing.
    UnApplyAsTextureN(n, rci, libMaterial);
    throw;
  }
  glActiveTextureARB(GL_TEXTURE0_ARB);
}

void TGLTexture::UnApplyAsTextureN(int n, TRenderContextInfo&, TGLLibMaterial* libMaterial) {
  glActiveTextureARB(GL_TEXTURE0_ARB + n - 1);
  UnApplyMappingMode();
  const GLenum target = FImage->NativeTextureTarget();
  if (target != GL_TEXTURE_2D || (libMaterial && !libMaterial->GetTextureMatrixIsIdentity())) {
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
  }
  glDisable(target);
  glActiveTextureARB(GL_TEXTURE0_ARB);
}
