#pragma once
// Colours and textures of the engine: the notifying four-float colour that every colour-valued
// property holds, the material colours of one face, the conversion of window colours, the
// texture images that give a texture its pixels, the texture itself with its OpenGL object, and
// the extra texture units of a material.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/GLContext.h"
#include "engine/GLCrossPlatform.h"
#include "engine/GLGraphics.h"
#include "engine/GLMisc.h"
#include "engine/GLState.h"
#include "engine/GLUtils.h"
#include "engine/base/VectorGeometry.h"
#include "platform/gl/OpenGL.h"
#include "platform/gui/Pictures.h"
#include "platform/rtl/Graphics.h"

// Red, green, blue, alpha, nominally 0..1; nothing clamps them.
using TColorVector = TVector;

// Each channel is a byte times 1/255 taken in extended precision, so these equal what
// ConvertWinColor gives for the same bytes.
constexpr float ColorByte(int byte) {
  return float(byte * (1.0L / 255));
}
constexpr TColorVector ColorBlack = {0, 0, 0, 1};
constexpr TColorVector ColorGray20 = {0.2f, 0.2f, 0.2f, 1};
constexpr TColorVector ColorGray80 = {0.8f, 0.8f, 0.8f, 1};
constexpr TColorVector ColorWhite = {1, 1, 1, 1};
constexpr TColorVector ColorNavyBlue = {ColorByte(35), ColorByte(35), ColorByte(142), 1};
constexpr TColorVector ColorBlue = {0, 0, 1, 1};

// A system colour (negative) is resolved to the desktop's current colour first; the top byte of
// a plain colour is ignored.
TColorVector ConvertWinColor(TColor winColor, float alpha);

// The 25 system colours as they were when the unit started; index = system colour index.
extern TSysColorVectors WinColors;

// Start-up of the unit: takes the system colours, so it runs once the GUI application exists,
// and registers the texture-image classes and the bitmap's file extension (once).
void InitializeGLTexture();

class TGLSceneGraph;
class TGLSceneBuffer;

enum TGLDrawState : uint8_t { dsRendering, dsPicking };

// The record one render pass hands down to every object and material; nothing keeps it after
// the pass.
struct TRenderContextInfo {
  TGLSceneGraph* scene = nullptr;
  TGLSceneBuffer* buffer = nullptr;
  TVector cameraPosition{};
  TVector cameraDirection{};
  TVector cameraUp{};
  TMatrix* modelViewMatrix = nullptr;
  int32_t viewportSize[2] = {};
  int32_t renderDPI = 0;
  int32_t fogDisabledCounter = 0;
  int32_t lightingDisabledCounter = 0;
  TGLDrawState drawState = dsRendering;
  TGLObjectsSorting objectsSorting = osInherited;
  TGLVisibilityCulling visibilityCulling = vcInherited;
  TGLStateCache* stateCache = nullptr;
  TGLClippingInfo clipping{};
  TVector sceneAmbientColor{};
  bool bufferFaceCull = false;
  bool proxySubObject = false;
  bool ignoreMaterials = false;
  bool ignoreBlendingRequests = false;
  bool amalgamating = false;
};

// What a colour asks of a scene object that owns it directly, before telling it of the change:
// the object's display list is to be rebuilt.
class IGLStructureChangeable {
 public:
  virtual void StructureChanged() = 0;

 protected:
  ~IGLStructureChangeable() = default;
};

class TGLColor : public TGLUpdateAbleObject {
  RTL_CLASS(TGLColor, TGLUpdateAbleObject)
  static const TPropertyTable& Published();
  // Black.
  explicit TGLColor(TPersistent* AOwner);
  TGLColor(TPersistent* AOwner, const TColorVector& AColor, TNotifyEvent AOnChange = nullptr);

  // Copies the value without a notice; it becomes the default too while
  // vKeepDefaultCoordinates is on.
  void Initialize(const TColorVector& AColor);

  // The whole-value setters notify on every call, the channel setters only on a change.
  const TColorVector& GetColor() const { return FColor; }
  void SetColor(const TColorVector& AColor);
  void SetAsWinColor(TColor winColor);
  void SetRGBA(float red, float green, float blue, float alpha);
  float GetColorComponent(int index) const { return FColor[index]; }
  void SetColorComponent(int index, float value);
  float GetRed() const { return FColor[0]; }
  void SetRed(float value) { SetColorComponent(0, value); }
  float GetGreen() const { return FColor[1]; }
  void SetGreen(float value) { SetColorComponent(1, value); }
  float GetBlue() const { return FColor[2]; }
  void SetBlue(float value) { SetColorComponent(2, value); }
  float GetAlpha() const { return FColor[3]; }
  void SetAlpha(float value) { SetColorComponent(3, value); }
  // For owners that set their own colours: no notice.
  void SetDirectColor(const TColorVector& AColor) { FColor = AColor; }

  // The four floats, for the OpenGL calls that take a colour array.
  float* AsAddress() { return FColor.data(); }
  const TColorVector* GetDefaultColor() const { return FDefaultColor.get(); }

  // From another colour, with a notice.
  void Assign(TPersistent* Source) override;
  // Nothing without an owner; a scene object that owns the colour rebuilds its display list
  // first, even while the colour is updating.
  void NotifyChange(TObject* Sender) override;

 protected:
  // "Color": the four floats as 16 little-endian bytes, left out when equal to the default.
  void DefineProperties(TFiler& Filer) override;

 private:
  TColorVector FColor = ColorBlack;
  std::unique_ptr<TColorVector> FDefaultColor;
};

enum TPolygonMode : uint8_t { pmFill, pmLines, pmPoints };
// 0..128, as OpenGL takes it.
using TShininess = uint8_t;
constexpr TShininess cMaxShininess = 128;

class TGLFaceProperties : public TGLUpdateAbleObject {
  RTL_CLASS(TGLFaceProperties, TGLUpdateAbleObject)
  static const TPropertyTable& Published();
  explicit TGLFaceProperties(TPersistent* AOwner);

  // The colour setters copy the value in and notify once, from the face properties.
  // The colours are members, handed out for change by the const getters as the layout reader
  // needs.
  TGLColor* GetAmbient() const { return const_cast<TGLColor*>(&FAmbient); }
  void SetAmbient(TGLColor* AValue) { SetColorValue(FAmbient, AValue); }
  TGLColor* GetDiffuse() const { return const_cast<TGLColor*>(&FDiffuse); }
  void SetDiffuse(TGLColor* AValue) { SetColorValue(FDiffuse, AValue); }
  TGLColor* GetEmission() const { return const_cast<TGLColor*>(&FEmission); }
  void SetEmission(TGLColor* AValue) { SetColorValue(FEmission, AValue); }
  TGLColor* GetSpecular() const { return const_cast<TGLColor*>(&FSpecular); }
  void SetSpecular(TGLColor* AValue) { SetColorValue(FSpecular, AValue); }
  TShininess GetShininess() const { return FShininess; }
  void SetShininess(TShininess AValue);
  TPolygonMode GetPolygonMode() const { return FPolygonMode; }
  void SetPolygonMode(TPolygonMode AValue);

  // Only from other face properties, with one notice; any other source is ignored.
  void Assign(TPersistent* Source) override;
  // Face GL_FRONT or GL_BACK. Apply goes through the state cache; ApplyNoLighting sends the
  // diffuse colour as the current colour.
  void Apply(TRenderContextInfo& rci, GLenum face);
  void ApplyNoLighting(TRenderContextInfo& rci, GLenum face);

 private:
  void SetColorValue(TGLColor& own, TGLColor* AValue);

  TGLColor FAmbient;
  TGLColor FDiffuse;
  TGLColor FSpecular;
  TGLColor FEmission;
  TPolygonMode FPolygonMode = pmFill;
  TShininess FShininess = 0;
};

// ---- Texture images

class ETexture : public Exception {
 public:
  using Exception::Exception;
};

class TGLTexture;
class TGLTextureExItem;
class TGLLibMaterial;

// Asked when a file is missing: the handler may change the name to one that exists.
using TTextureNeededEvent = std::function<void(TObject* Sender, std::string& textureFileName)>;

// The source of a texture's pixels: yields an RGBA bitmap for a texture target and tells its
// texture when its content changed.
class TGLTextureImage : public TGLUpdateAbleObject {
  RTL_CLASS(TGLTextureImage, TGLUpdateAbleObject)
  // The owner is the texture the image belongs to, or nil; another class raises EInvalidCast.
  explicit TGLTextureImage(TPersistent* AOwner);

  TGLTexture* GetOwnerTexture() const { return FOwnerTexture; }
  virtual int GetHeight() const = 0;
  virtual int GetWidth() const = 0;
  virtual std::string FriendlyName() const = 0;
  virtual std::string FriendlyDescription() const { return FriendlyName(); }
  virtual GLenum NativeTextureTarget() const { return GL_TEXTURE_2D; }
  // The pixels for that target; the image keeps the bitmap until ReleaseBitmap32. Nil or an
  // empty bitmap when there is nothing to upload.
  virtual TGLBitmap32* GetBitmap32(GLenum target) = 0;
  virtual void ReleaseBitmap32() {}
  virtual void SaveToFile(const std::string& fileName) = 0;
  // Here only asks OnTextureNeeded; the kinds read the file.
  virtual void LoadFromFile(const std::string& fileName);
  // Drops the bitmap and tells the texture that the pixels changed.
  virtual void Invalidate();
  // Marks the owner texture's image changed and tells it; nothing without an owner texture.
  void NotifyChange(TObject* Sender) override;

  TTextureNeededEvent OnTextureNeeded;

 protected:
  // A copy of the name, as the texture-needed handler left it.
  std::string TextureNeeded(const std::string& fileName);

 private:
  TGLTexture* FOwnerTexture;
};

// Blank and float-data images: a size, and a bitmap of that size whose pixels are zero. Their
// file is a short text of the size.
class TGLSizedImage : public TGLTextureImage {
  RTL_CLASS(TGLSizedImage, TGLTextureImage)
  static const TPropertyTable& Published();
  explicit TGLSizedImage(TPersistent* AOwner);
  ~TGLSizedImage() override;

  int GetWidth() const override { return FWidth; }
  int GetHeight() const override { return FHeight; }
  // A value below 1 is stored as 1; a change invalidates.
  void SetWidth(int32_t value);
  void SetHeight(int32_t value);
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void ReleaseBitmap32() override;
  // The header line, then "Width=" and "Height=" lines, CR LF between, none at the end.
  void SaveToFile(const std::string& fileName) override;
  // Takes the file the texture-needed handler names: the values of its "Width" and "Height"
  // lines, unclamped (EConvertError for a missing or non-numeric value, EReadError for a side
  // below 0 or above cMaxImageSide, leaving the size as it was). A missing file fails the
  // assertion "Could not open file: <name>".
  void LoadFromFile(const std::string& fileName) override;
  // From an image of the same kind, its size unclamped; anything else raises EConvertError.
  void Assign(TPersistent* Source) override;

  // The largest side a file may give; the upload shrinks to the implementation's limit anyway.
  static constexpr int32_t cMaxImageSide = 32768;

 protected:
  // "[BlankImage]" or "[FloatDataImage]".
  virtual const char* FileHeader() const = 0;

 private:
  int32_t FWidth = 256;
  int32_t FHeight = 256;
  std::unique_ptr<TGLBitmap32> FBitmap;
};

class TGLBlankImage : public TGLSizedImage {
  RTL_CLASS(TGLBlankImage, TGLSizedImage)
  using TGLSizedImage::TGLSizedImage;
  std::string FriendlyName() const override { return "Blank Image"; }
  std::string FriendlyDescription() const override { return "Blank Image (Width x Height)"; }

 protected:
  const char* FileHeader() const override { return "[BlankImage]"; }
};

// A rectangle texture for OpenGL to fill; the upload only allocates it.
class TGLFloatDataImage : public TGLSizedImage {
  RTL_CLASS(TGLFloatDataImage, TGLSizedImage)
  using TGLSizedImage::TGLSizedImage;
  std::string FriendlyName() const override { return "FloatData Image"; }
  std::string FriendlyDescription() const override {
    return "Image to be dynamically generated by OpenGL";
  }
  GLenum NativeTextureTarget() const override { return GL_TEXTURE_RECTANGLE_NV; }

 protected:
  const char* FileHeader() const override { return "[FloatDataImage]"; }
};

// An image of a picture; the picture is made on first use and its changes invalidate the image.
class TGLPictureImage : public TGLTextureImage {
  RTL_CLASS(TGLPictureImage, TGLTextureImage)
  explicit TGLPictureImage(TPersistent* AOwner);
  ~TGLPictureImage() override;

  int GetWidth() const override { return FPicture ? FPicture->GetWidth() : 0; }
  int GetHeight() const override { return FPicture ? FPicture->GetHeight() : 0; }
  TPicture* GetPicture();
  // The picture's graphic as a bitmap, made once until ReleaseBitmap32.
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void ReleaseBitmap32() override;
  // From a persistent image its picture, from a picture or a graphic that, from an RGBA bitmap
  // a 32-bit bitmap of it; anything else raises EConvertError.
  void Assign(TPersistent* Source) override;
  // Whether the picture was made, without making it.
  bool HasPicture() const { return FPicture != nullptr; }

 private:
  std::unique_ptr<TGLBitmap32> FBitmap;
  std::unique_ptr<TPicture> FPicture;
};

// A picture stored with the layout.
class TGLPersistentImage : public TGLPictureImage {
  RTL_CLASS(TGLPersistentImage, TGLPictureImage)
  static const TPropertyTable& Published();
  using TGLPictureImage::TGLPictureImage;
  std::string FriendlyName() const override { return "Persistent Image"; }
  std::string FriendlyDescription() const override {
    return "Image data is stored in its own format with the other form resources.";
  }
  void SetPicture(TPicture* value) { GetPicture()->Assign(value); }
  void SaveToFile(const std::string& fileName) override;
  // The picture of the file the texture-needed handler names. A missing file empties the
  // picture and raises ETexture "Could not open file: <name>".
  void LoadFromFile(const std::string& fileName) override;
};

// A picture read from its file at every upload and not kept.
class TGLPicFileImage : public TGLPictureImage {
  RTL_CLASS(TGLPicFileImage, TGLPictureImage)
  static const TPropertyTable& Published();
  using TGLPictureImage::TGLPictureImage;
  std::string FriendlyName() const override { return "PicFile Image"; }
  std::string FriendlyDescription() const override {
    return "Image data is retrieved from a file.";
  }
  const std::string& GetPictureFileName() const { return FPictureFileName; }
  // A new name invalidates and warns again of a missing file.
  void SetPictureFileName(const std::string& value);
  // A missing picture file uploads nothing and fails the assertion "Could not open file:
  // <name>" the first time only; the picture's change event is back afterwards on every path.
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void Invalidate() override;
  // From another picture-file image its file name only; otherwise as a picture image.
  void Assign(TPersistent* Source) override;
  // The file name is the whole text of the file.
  void SaveToFile(const std::string& fileName) override;
  // A file below 512 bytes without a NUL byte holds the picture file's name; any other file is
  // the picture itself; a missing file gives an empty name.
  void LoadFromFile(const std::string& fileName) override;

 private:
  std::string FPictureFileName;
  bool FAlreadyWarned = false;
};

// Six square pictures for a cube-map texture, faces +X, -X, +Y, -Y, +Z, -Z.
class TGLCubeMapImage : public TGLTextureImage {
  RTL_CLASS(TGLCubeMapImage, TGLTextureImage)
  static const TPropertyTable& Published();
  explicit TGLCubeMapImage(TPersistent* AOwner);
  ~TGLCubeMapImage() override;

  // Those of face 0.
  int GetWidth() const override { return FPictures[0]->GetWidth(); }
  int GetHeight() const override { return FPictures[0]->GetHeight(); }
  std::string FriendlyName() const override { return "CubeMap Image"; }
  GLenum NativeTextureTarget() const override { return GL_TEXTURE_CUBE_MAP; }
  // Face 0 to 5.
  TPicture* GetPicture(int index) const { return FPictures[index].get(); }
  void SetPicture(int index, TPicture* value) { FPictures[index]->Assign(value); }
  // The face of a cube-map face target, face 0 for any other; a new bitmap at every call, its
  // rows top first.
  TGLBitmap32* GetBitmap32(GLenum target) override;
  void ReleaseBitmap32() override;
  void Assign(TPersistent* Source) override;
  // The version 0x0100 as two bytes, then the six faces as bitmap files back to back.
  void SaveToFile(const std::string& fileName) override;
  // A missing file raises EFOpenError; another version fails the assertion before any face is
  // read; a face that does not read leaves all six as they were.
  void LoadFromFile(const std::string& fileName) override;

 private:
  std::unique_ptr<TGLBitmap32> FBitmap;
  std::array<std::unique_ptr<TPicture>, 6> FPictures;
};

// The image classes a layout may name, in registration order.
void RegisterGLTextureImageClass(TClass imageClass);
// Exactly that name, case included; nil when none.
TClass FindGLTextureImageClass(const std::string& className);
// The extension (with the dot) is compared lower-cased.
void RegisterGraphicFileExtension(const std::string& extension, TClass graphicClass);
// A graphic of the file by its extension: the classes registered here first, then the picture
// formats. Nil for a missing file or an unknown extension; a file that does not read raises.
std::unique_ptr<TGraphic> CreateGraphicFromFile(const std::string& fileName);

// ---- Texture

enum TGLTextureMode : uint8_t { tmDecal, tmModulate, tmBlend, tmReplace };
enum TGLTextureWrap : uint8_t { twBoth, twNone, twVertical, twHorizontal };
enum TGLTextureFormat : uint8_t {
  tfDefault,
  tfRGB,
  tfRGBA,
  tfRGB16,
  tfRGBA16,
  tfAlpha,
  tfLuminance,
  tfLuminanceAlpha,
  tfIntensity,
  tfNormalMap,
  tfRGBAFloat16,
  tfRGBAFloat32
};
enum TGLTextureImageAlpha : uint8_t {
  tiaDefault,
  tiaAlphaFromIntensity,
  tiaSuperBlackTransparent,
  tiaLuminance,
  tiaLuminanceSqrt,
  tiaOpaque,
  tiaTopLeftPointColorTransparent,
  tiaInverseLuminance,
  tiaInverseLuminanceSqrt
};
enum TGLTextureMappingMode : uint8_t {
  tmmUser,
  tmmObjectLinear,
  tmmEyeLinear,
  tmmSphere,
  tmmCubeMapReflection,
  tmmCubeMapNormal,
  tmmCubeMapLight0,
  tmmCubeMapCamera
};
enum TGLTextureCompression : uint8_t { tcDefault, tcNone, tcStandard, tcHighQuality, tcHighSpeed };
enum TGLTextureFilteringQuality : uint8_t { tfIsotropic, tfAnisotropic };

// What tfDefault and tcDefault stand for; nothing in the system changes them.
extern TGLTextureFormat DefaultTextureFormat;
extern TGLTextureCompression DefaultTextureCompression;

// The texture of a material, of an extra texture unit, or the target of a buffer's copy: an
// image, the OpenGL object made from it, and how that object is uploaded, filtered, wrapped,
// combined and mapped. The object is made at the first GetHandle with a current context and
// made again after any change.
class TGLTexture : public TGLUpdateAbleObject {
  RTL_CLASS(TGLTexture, TGLUpdateAbleObject)
  static const TPropertyTable& Published();
  // Disabled, with an empty persistent image.
  explicit TGLTexture(TPersistent* AOwner);
  ~TGLTexture() override;

  // The setters store and notify only on a change: the image settings mark the image changed,
  // the OpenGL settings the parameters (both re-upload).
  TGLTextureImage* GetImage() const { return FImage.get(); }
  // Nil puts an empty persistent image in place without a notice; an image of another class
  // replaces the image by one of that class; then the value is assigned into it.
  void SetImage(TGLTextureImage* value);
  std::string GetImageClassName() const { return FImage->ClassName(); }
  // An image of the registered class of that name, with an image-change notice; a name that no
  // class is registered under gives an empty persistent image. "" and the current name do
  // nothing.
  void SetImageClassName(const std::string& value);
  TGLTextureImageAlpha GetImageAlpha() const { return FImageAlpha; }
  void SetImageAlpha(TGLTextureImageAlpha value);
  float GetImageBrightness() const { return FImageBrightness; }
  void SetImageBrightness(float value);
  float GetImageGamma() const { return FImageGamma; }
  void SetImageGamma(float value);
  TGLMagFilter GetMagFilter() const { return FMagFilter; }
  void SetMagFilter(TGLMagFilter value);
  TGLMinFilter GetMinFilter() const { return FMinFilter; }
  void SetMinFilter(TGLMinFilter value);
  TGLTextureMode GetTextureMode() const { return FTextureMode; }
  void SetTextureMode(TGLTextureMode value);
  TGLTextureWrap GetTextureWrap() const { return FTextureWrap; }
  void SetTextureWrap(TGLTextureWrap value);
  TGLTextureFormat GetTextureFormat() const { return FTextureFormat; }
  void SetTextureFormat(TGLTextureFormat value);
  TGLTextureCompression GetCompression() const { return FCompression; }
  void SetCompression(TGLTextureCompression value);
  TGLTextureFilteringQuality GetFilteringQuality() const { return FFilteringQuality; }
  void SetFilteringQuality(TGLTextureFilteringQuality value);
  // A change between tmmUser and a generated mode asks the owning material or extra unit to
  // rebuild its object's display list; other changes repaint.
  TGLTextureMappingMode GetMappingMode() const { return FMappingMode; }
  void SetMappingMode(TGLTextureMappingMode value);
  // Made on first read, (1, 0, 0, 0) each; the setters copy without a notice.
  TGLCoordinates4* GetMappingSCoordinates();
  void SetMappingSCoordinates(TGLCoordinates4* value);
  TGLCoordinates4* GetMappingTCoordinates();
  void SetMappingTCoordinates(TGLCoordinates4* value);
  TGLColor* GetEnvColor() const { return const_cast<TGLColor*>(&FEnvColor); }
  void SetEnvColor(TGLColor* value);
  // A change asks the owning material or extra unit to rebuild its object's display list; a
  // texture without an owner repaints.
  bool GetDisabled() const { return FDisabled; }
  void SetDisabled(bool value);
  bool GetEnabled() const { return !FDisabled; }
  void SetEnabled(bool value) { SetDisabled(!value); }
  // Notifies only while the format is tfNormalMap.
  float GetNormalMapScale() const { return FNormalMapScale; }
  void SetNormalMapScale(float value);
  int32_t GetRequiredMemorySize() const { return FRequiredMemorySize; }
  int32_t GetTexWidth() const { return FTexWidth; }
  int32_t GetTexHeight() const { return FTexHeight; }
  bool IsFloatType() const {
    return FTextureFormat == tfRGBAFloat16 || FTextureFormat == tfRGBAFloat32;
  }

  // From nil: disabled with an empty persistent image. From another texture: its image and its
  // image, filter, wrap, format, compression and mapping settings and Disabled (not brightness,
  // gamma, colour, filtering quality, normal-map scale or event). A graphic or a picture goes
  // into the image. Ends with one change notice.
  void Assign(TPersistent* Source) override;
  // An extra unit that owns the texture hears first, then the owner.
  void NotifyChange(TObject* Sender) override;
  void NotifyImageChange();
  void NotifyParamsChange();

  // The OpenGL texture, uploaded again when something changed; a current context is needed.
  // An upload that fails raises and is tried again at the next call.
  virtual GLuint GetHandle();
  // Makes the OpenGL texture when there is none, or anew for an image of another target, binds
  // it and sends its parameters, which counts as up to date: the buffer's copy into the texture
  // uses it.
  GLuint AllocateHandle();
  bool IsHandleAllocated() const { return FTextureHandle.GetHandle() != 0; }
  TGLTextureHandle* GetTextureHandle() const {
    return const_cast<TGLTextureHandle*>(&FTextureHandle);
  }
  // The OpenGL texture goes; the next GetHandle makes and uploads a new one.
  void DestroyHandles();
  // The internal format the upload asks for.
  GLenum OpenGLTextureFormat();
  // Uploads the image's bitmap for the target, after the format's and the image settings'
  // treatments.
  virtual void PrepareImage(GLenum target);
  // The wrap, filter and unpack parameters of the bound texture.
  virtual void PrepareParams(GLenum target);

  // On texture unit 0, through the record's state cache.
  void Apply(TRenderContextInfo& rci);
  void UnApply(TRenderContextInfo& rci);
  // On texture unit n - 1 (n from 1), directly; a library material's texture matrix, when it is
  // not the identity, becomes the unit's texture matrix. Both end on unit 0, also when the apply
  // raises, which then undoes what it did on the unit.
  void ApplyAsTextureN(int n, TRenderContextInfo& rci, TGLLibMaterial* libMaterial = nullptr);
  void UnApplyAsTextureN(int n, TRenderContextInfo& rci, TGLLibMaterial* libMaterial = nullptr);
  void ApplyAsTexture2(TRenderContextInfo& rci, TGLLibMaterial* libMaterial = nullptr) {
    ApplyAsTextureN(2, rci, libMaterial);
  }
  void UnApplyAsTexture2(TRenderContextInfo& rci, TGLLibMaterial* libMaterial = nullptr) {
    UnApplyAsTextureN(2, rci, libMaterial);
  }

  // What the image asks when it misses its file.
  void DoOnTextureNeeded(TObject* Sender, std::string& textureFileName);
  TTextureNeededEvent OnTextureNeeded;

 private:
  friend class TGLTextureImage;
  static constexpr uint8_t tcImage = 1, tcParams = 2;

  void TakeImage(std::unique_ptr<TGLTextureImage> image);
  template <class T>
  void SetAndNotify(T& field, T value, void (TGLTexture::*notify)());
  // The owning material or extra unit rebuilds its object's display list.
  void NotifyStructureChange();
  // Environment mode and colour, and the coordinate generation of the mapping mode.
  void ApplyEnvironment();
  bool StoreImageClassName() const { return GetImageClassName() != "TGLPersistentImage"; }
  void ApplyCubeMapMatrix(TRenderContextInfo& rci);
  void ApplyMappingMode();
  void UnApplyMappingMode();

  TGLTextureHandle FTextureHandle;
  // The target the OpenGL texture was made for.
  GLenum FHandleTarget = 0;
  TGLTextureMode FTextureMode = tmDecal;
  TGLTextureWrap FTextureWrap = twBoth;
  TGLTextureFormat FTextureFormat = tfDefault;
  TGLMinFilter FMinFilter = miLinearMipmapLinear;
  TGLMagFilter FMagFilter = maLinear;
  uint8_t FChanges = tcImage | tcParams;
  bool FDisabled = true;
  std::unique_ptr<TGLTextureImage> FImage;
  TGLTextureImageAlpha FImageAlpha = tiaDefault;
  float FImageBrightness = 1;
  float FImageGamma = 1;
  TGLTextureMappingMode FMappingMode = tmmUser;
  std::unique_ptr<TGLCoordinates4> FMapSCoordinates;
  std::unique_ptr<TGLCoordinates4> FMapTCoordinates;
  TGLTextureCompression FCompression = tcDefault;
  int32_t FRequiredMemorySize = -1;
  TGLTextureFilteringQuality FFilteringQuality = tfIsotropic;
  int32_t FTexWidth = 0;
  int32_t FTexHeight = 0;
  TGLColor FEnvColor;
  float FNormalMapScale = 0.125f;
};

// ---- Extra texture units

class TGLTextureEx;

// A texture bound to a texture unit of its own, with an offset and a scale of its coordinates.
class TGLTextureExItem : public TCollectionItem {
  RTL_CLASS(TGLTextureExItem, TCollectionItem)
  static const TPropertyTable& Published();
  // The unit is the item's ID: 0 for a collection's first item, 1 for the second, ...
  explicit TGLTextureExItem(TCollection* ACollection);
  ~TGLTextureExItem() override;

  // From another item its texture, unit, offset and scale, with one notice; anything else
  // raises EConvertError.
  void Assign(TPersistent* Source) override;
  // "Tex [unit]".
  std::string GetDisplayName() const override;

  // The setters copy the value in and notify; the offset and scale setters leave the texture
  // matrix as it was (a change of a coordinate, or the end of loading, works it out).
  TGLTexture* GetTexture() const { return FTexture.get(); }
  void SetTexture(TGLTexture* value);
  int32_t GetTextureIndex() const { return FTextureIndex; }
  // A negative unit is 0.
  void SetTextureIndex(int32_t value);
  TGLCoordinates* GetTextureOffset() const { return FTextureOffset.get(); }
  void SetTextureOffset(TGLCoordinates* value);
  TGLCoordinates* GetTextureScale() const { return FTextureScale.get(); }
  void SetTextureScale(TGLCoordinates* value);
  bool GetTextureMatrixIsIdentity() const { return FTextureMatrixIsIdentity; }
  const TMatrix& GetTextureMatrix() const { return FTextureMatrix; }
  // Between an Apply that applied the texture and its UnApply.
  bool GetApplied() const { return FApplied; }
  // The identity when offset and scale are (0, 0, 0, 0) and (1, 1, 1, 0) bit for bit (-0 is
  // not 0), else scale and translation; then a notice.
  void CalculateTextureMatrix();

  // Tells the collection, which tells its material.
  void NotifyChange(TObject* Sender);
  // The material rebuilds its object's display list.
  void NotifyTexMappingChange();

  // An enabled texture on its unit, with the unit's texture matrix pushed; undone by UnApply.
  // An Apply that raises leaves the matrix popped and unit 0 selected.
  void Apply(TRenderContextInfo& rci);
  void UnApply(TRenderContextInfo& rci);

 private:
  TGLTextureEx* Units() const;
  void PopTextureMatrix();

  std::unique_ptr<TGLTexture> FTexture;
  int32_t FTextureIndex = 0;
  std::unique_ptr<TGLCoordinates> FTextureOffset;
  std::unique_ptr<TGLCoordinates> FTextureScale;
  bool FTextureMatrixIsIdentity = false;
  TMatrix FTextureMatrix = IdentityHmgMatrix;
  bool FApplied = false;
};

// The extra texture units of a material.
class TGLTextureEx : public TCollection {
  RTL_CLASS(TGLTextureEx, TCollection)
  explicit TGLTextureEx(TPersistent* AOwner);
  TPersistent* GetOwner() const override { return FOwner; }

  TGLTextureExItem* Add() { return static_cast<TGLTextureExItem*>(TCollection::Add()); }
  TGLTextureExItem* Items(int index) const {
    return static_cast<TGLTextureExItem*>(GetItem(index));
  }
  // Whether an item on that unit has an enabled texture; false without a collection.
  static bool IsTextureEnabled(const TGLTextureEx* units, int index);
  // Tells the owning material.
  void NotifyChange(TObject* Sender);

  // With multitexturing only: the items whose unit the implementation has (at most the state
  // cache's eight), in collection order; the geometry's coordinates then also reach the units
  // above 0 of items mapped by the user. When an item raises, those applied before it are
  // unapplied.
  void Apply(TRenderContextInfo& rci);
  void UnApply(TRenderContextInfo& rci);
  // Works out each item's texture matrix once streaming is over.
  void Loaded();

 private:
  TPersistent* FOwner;
};
