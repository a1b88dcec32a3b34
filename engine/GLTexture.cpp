#include "engine/GLTexture.h"

#include <bit>
#include <cstring>
#include <utility>

#include "platform/rtl/SysUtils.h"

TSysColorVectors WinColors{};

TColorVector ConvertWinColor(TColor winColor, float alpha) {
  const TColor color = ColorToRGB(winColor);
  return {ColorByte(GetRValue(color)), ColorByte(GetGValue(color)), ColorByte(GetBValue(color)),
          alpha};
}

void InitializeGLTexture() {
  InitWinColors(WinColors, ConvertWinColor);
  static const bool registered = [] {
    for (TClass imageClass : {TGLBlankImage::StaticClass(), TGLPersistentImage::StaticClass(),
                              TGLPicFileImage::StaticClass(), TGLCubeMapImage::StaticClass(),
                              TGLFloatDataImage::StaticClass()})
      RegisterGLTextureImageClass(imageClass);
    RegisterGraphicFileExtension(".bmp", TBitmap::StaticClass());
    return true;
  }();
  (void)registered;
}

// ---- TGLColor

const TPropertyTable& TGLColor::Published() {
  // The binary "Color" value carries the four channels.
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLColor>(TGLUpdateAbleObject::Published())
          .Float("Red", &TGLColor::GetRed, &TGLColor::SetRed, NotStored())
          .Float("Green", &TGLColor::GetGreen, &TGLColor::SetGreen, NotStored())
          .Float("Blue", &TGLColor::GetBlue, &TGLColor::SetBlue, NotStored())
          .Float("Alpha", &TGLColor::GetAlpha, &TGLColor::SetAlpha, NotStored());
  return table;
}

TGLColor::TGLColor(TPersistent* AOwner) : TGLColor(AOwner, ColorBlack) {}

TGLColor::TGLColor(TPersistent* AOwner, const TColorVector& AColor, TNotifyEvent AOnChange)
    : TGLUpdateAbleObject(AOwner) {
  Initialize(AColor);
  OnNotifyChange = std::move(AOnChange);
}

void TGLColor::Initialize(const TColorVector& AColor) {
  FColor = AColor;
  if (!vKeepDefaultCoordinates) return;
  if (!FDefaultColor) FDefaultColor = std::make_unique<TColorVector>();
  *FDefaultColor = AColor;
}

void TGLColor::SetColor(const TColorVector& AColor) {
  FColor = AColor;
  NotifyChange(this);
}

void TGLColor::SetColorComponent(int index, float value) {
  // Also false when either value is a NaN.
  if (!(FColor[index] < value || FColor[index] > value)) return;
  FColor[index] = value;
  NotifyChange(this);
}

void TGLColor::SetAsWinColor(TColor winColor) {
  SetColor(ConvertWinColor(winColor, 1));
}

void TGLColor::SetRGBA(float red, float green, float blue, float alpha) {
  SetColor({red, green, blue, alpha});
}

void TGLColor::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TGLColor*>(Source))
    SetColor(source->FColor);
  else
    inherited::Assign(Source);
}

void TGLColor::NotifyChange(TObject* Sender) {
  TPersistent* owner = GetOwner();
  if (!owner) return;
  if (auto* sceneObject = dynamic_cast<IGLStructureChangeable*>(owner))
    sceneObject->StructureChanged();
  inherited::NotifyChange(Sender);
}

void TGLColor::DefineProperties(TFiler& Filer) {
  static_assert(std::endian::native == std::endian::little,
                "the stored floats are little-endian, as in memory here");
  inherited::DefineProperties(Filer);
  const bool hasData =
      !FDefaultColor || std::memcmp(FDefaultColor->data(), FColor.data(), sizeof FColor) != 0;
  // A value of other than 16 bytes raises, a short one here and a long one in the reader, and
  // leaves the colour as it was.
  const auto readData = [this](TStream& stream) {
    TColorVector value;
    stream.ReadBuffer(value.data(), sizeof value);
    if (stream.GetPosition() == stream.GetSize()) FColor = value;
  };
  Filer.DefineBinaryProperty(
      "Color", readData,
      [this](TStream& stream) { stream.WriteBuffer(FColor.data(), sizeof FColor); }, hasData);
}

// ---- TGLFaceProperties

const TPropertyTable& TGLFaceProperties::Published() {
  static const TPropertyTable table = [] {
    TPropertyTable table =
        TPropertyTable::Extend<TGLFaceProperties>(TGLUpdateAbleObject::Published())
            .Object("Ambient", &TGLFaceProperties::GetAmbient)
            .Object("Diffuse", &TGLFaceProperties::GetDiffuse)
            .Object("Emission", &TGLFaceProperties::GetEmission)
            .Integer("Shininess", &TGLFaceProperties::GetShininess,
                     &TGLFaceProperties::SetShininess, Default(0))
            .Enumeration("PolygonMode", &TGLFaceProperties::GetPolygonMode,
                         &TGLFaceProperties::SetPolygonMode, {"pmFill", "pmLines", "pmPoints"},
                         Default(pmFill))
            .Object("Specular", &TGLFaceProperties::GetSpecular);
    // The byte holds more than OpenGL takes: a layout beyond 128 is refused as it is read.
    TPropInfo shininess = *table.Find("Shininess");
    shininess.MaxValue = cMaxShininess;
    table.Add(std::move(shininess));
    return table;
  }();
  return table;
}

TGLFaceProperties::TGLFaceProperties(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FAmbient(this, ColorGray20),
      FDiffuse(this, ColorGray80),
      FSpecular(this),
      FEmission(this) {}

void TGLFaceProperties::SetColorValue(TGLColor& own, TGLColor* AValue) {
  Assert(AValue != nullptr, "No colour to copy");
  own.SetDirectColor(AValue->GetColor());
  NotifyChange(this);
}

void TGLFaceProperties::SetShininess(TShininess AValue) {
  if (AValue == FShininess) return;
  FShininess = AValue;
  NotifyChange(this);
}

void TGLFaceProperties::SetPolygonMode(TPolygonMode AValue) {
  if (AValue == FPolygonMode) return;
  FPolygonMode = AValue;
  NotifyChange(this);
}

void TGLFaceProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TGLFaceProperties*>(Source);
  if (!source) return;
  FAmbient.SetDirectColor(source->FAmbient.GetColor());
  FDiffuse.SetDirectColor(source->FDiffuse.GetColor());
  FSpecular.SetDirectColor(source->FSpecular.GetColor());
  FShininess = source->FShininess;
  FPolygonMode = source->FPolygonMode;
  FEmission.SetDirectColor(source->FEmission.GetColor());
  NotifyChange(this);
}

namespace {
GLenum GLPolygonMode(TPolygonMode mode) {
  static constexpr GLenum modes[] = {GL_FILL, GL_LINE, GL_POINT};
  return modes[mode];
}
}  // namespace

void TGLFaceProperties::Apply(TRenderContextInfo& rci, GLenum face) {
  rci.stateCache->SetGLMaterialColors(face, FEmission.GetColor(), FAmbient.GetColor(),
                                      FDiffuse.GetColor(), FSpecular.GetColor(), FShininess);
  rci.stateCache->SetGLPolygonMode(face, GLPolygonMode(FPolygonMode));
}

void TGLFaceProperties::ApplyNoLighting(TRenderContextInfo& rci, GLenum face) {
  glColor4fv(FDiffuse.AsAddress());
  rci.stateCache->SetGLPolygonMode(face, GLPolygonMode(FPolygonMode));
}
