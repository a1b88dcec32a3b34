#include "engine/GLSceneGraph/LightSource.h"

#include "engine/GLSceneGraph/Scene.h"
#include "platform/gl/OpenGL.h"

const TPropertyTable& TGLLightSource::Published() {
  using L = TGLLightSource;
  static const TPropertyTable table =
      TPropertyTable::Extend<L>(TGLBaseSceneObject::Published())
          .Object("Ambient", &L::GetAmbient)
          .Float("ConstAttenuation", &L::GetConstAttenuation, &L::SetConstAttenuation)
          .Object("Diffuse", &L::GetDiffuse)
          .Float("LinearAttenuation", &L::GetLinearAttenuation, &L::SetLinearAttenuation)
          .Float("QuadraticAttenuation", &L::GetQuadraticAttenuation, &L::SetQuadraticAttenuation)
          .Object("Position", &TGLBaseSceneObject::GetPosition)
          .Enumeration("LightStyle", &L::GetLightStyle, &L::SetLightStyle,
                       {"lsSpot", "lsOmni", "lsParallel"}, Default(lsSpot))
          .Boolean("Shining", &L::GetShining, &L::SetShining, Default(true))
          .Object("Specular", &L::GetSpecular)
          .Float("SpotCutOff", &L::GetSpotCutOff, &L::SetSpotCutOff)
          .Object("SpotDirection", &L::GetSpotDirection)
          .Float("SpotExponent", &L::GetSpotExponent, &L::SetSpotExponent)
          .template Event<TGLProgressEvent>("OnProgress", &TGLBaseSceneObject::OnProgress);
  return table;
}

TGLLightSource::TGLLightSource(TComponent* AOwner)
    : TGLBaseSceneObject(AOwner),
      FSpotDirection(std::make_unique<TGLCoordinates>(this, TVector{0, 0, -1, 0}, ckVector)),
      FAmbient(std::make_unique<TGLColor>(this, ColorBlack)),
      FDiffuse(std::make_unique<TGLColor>(this, ColorWhite)),
      FSpecular(std::make_unique<TGLColor>(this, ColorBlack)) {}

void TGLLightSource::SetSpotDirection(TGLCoordinates* AValue) {
  Assert(AValue != nullptr, "No coordinates to copy");
  TVector v = AValue->GetAsVector();
  v[W] = 0;
  FSpotDirection->SetDirectVector(v);
  NotifyChange(this);
}

namespace {
// What OpenGL takes without an error, which would otherwise be raised at every
// frame.
bool ValidSpotExponent(float AValue) {
  return AValue >= 0 && AValue <= 128;
}
bool ValidAttenuation(float AValue) {
  return AValue >= 0;
}
bool ValidSpotCutOff(float AValue) {
  return (AValue >= 0 && AValue <= 90) || AValue == 180;
}
}  // namespace

void TGLLightSource::SetFloat(float& field, float AValue, bool valid) {
  if (!valid || AValue == field) return;
  field = AValue;
  NotifyChange(this);
}

void TGLLightSource::SetSpotExponent(float AValue) {
  SetFloat(FSpotExponent, AValue, ValidSpotExponent(AValue));
}

void TGLLightSource::SetSpotCutOff(float AValue) {
  SetFloat(FSpotCutOff, AValue, ValidSpotCutOff(AValue));
}

void TGLLightSource::SetConstAttenuation(float AValue) {
  SetFloat(FConstAttenuation, AValue, ValidAttenuation(AValue));
}

void TGLLightSource::SetLinearAttenuation(float AValue) {
  SetFloat(FLinearAttenuation, AValue, ValidAttenuation(AValue));
}

void TGLLightSource::SetQuadraticAttenuation(float AValue) {
  SetFloat(FQuadraticAttenuation, AValue, ValidAttenuation(AValue));
}

void TGLLightSource::SetShining(bool AValue) {
  if (AValue == FShining) return;
  FShining = AValue;
  NotifyChange(this);
}

void TGLLightSource::SetLightStyle(TLightStyle AValue) {
  if (AValue == FLightStyle) return;
  FLightStyle = AValue;
  NotifyChange(this);
}

void TGLLightSource::SetColorValue(TGLColor& own, TGLColor* AValue) {
  Assert(AValue != nullptr, "No colour to copy");
  own.SetDirectColor(AValue->GetColor());
  NotifyChange(this);
}

void TGLLightSource::SetupLight() {
  RebuildMatrix();
  if (FLightStyle == lsParallel) {
    glMultMatrixf(AbsoluteMatrix()[0].data());
    glLightfv(FLightID, GL_POSITION, FSpotDirection->AsAddress());
  } else {
    // A root's own matrix counts for nothing, as in the light's absolute matrix.
    if (GetParent() && dynamic_cast<TGLSceneRootObject*>(GetParent()) == nullptr)
      glMultMatrixf(GetParent()->AbsoluteMatrix()[0].data());
    glLightfv(FLightID, GL_POSITION, GetPosition()->AsAddress());
  }
  glLightfv(FLightID, GL_AMBIENT, FAmbient->AsAddress());
  glLightfv(FLightID, GL_DIFFUSE, FDiffuse->AsAddress());
  glLightfv(FLightID, GL_SPECULAR, FSpecular->AsAddress());
  if (FLightStyle == lsSpot) {
    if (FSpotCutOff != 180) {
      glLightfv(FLightID, GL_SPOT_DIRECTION, FSpotDirection->AsAddress());
      glLightf(FLightID, GL_SPOT_EXPONENT, FSpotExponent);
    }
    glLightf(FLightID, GL_SPOT_CUTOFF, FSpotCutOff);
  } else {
    glLightf(FLightID, GL_SPOT_CUTOFF, 180);
  }
  glLightf(FLightID, GL_CONSTANT_ATTENUATION, FConstAttenuation);
  glLightf(FLightID, GL_LINEAR_ATTENUATION, FLinearAttenuation);
  glLightf(FLightID, GL_QUADRATIC_ATTENUATION, FQuadraticAttenuation);
}

void TGLLightSource::CoordinateChanged(TGLCoordinates* Sender) {
  inherited::CoordinateChanged(Sender);
  if (Sender == FSpotDirection.get()) TransformationChanged();
}

GLuint TGLLightSource::GetHandle(TRenderContextInfo&) {
  return 0;
}

void TGLLightSource::DoRender(TRenderContextInfo& rci, bool, bool renderChildren) {
  if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
}

bool TGLLightSource::RayCastIntersect(const TVector&, const TVector&, TVector*, TVector*) {
  return false;
}

std::unique_ptr<TGLSilhouette> TGLLightSource::GenerateSilhouette(const TSilhouetteRequest&) {
  return nullptr;
}
