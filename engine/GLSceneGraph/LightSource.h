#pragma once
// A scene node that stands for one fixed-function OpenGL light: the scene gives it a light
// number when it enters the scene's tree and loads its parameters at the start of every frame.

#include <cstdint>
#include <memory>

#include "engine/GLMisc.h"
#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "engine/GLTexture.h"
#include "engine/base/VectorGeometry.h"

enum TLightStyle : uint8_t { lsSpot, lsOmni, lsParallel };

class TGLLightSource : public TGLBaseSceneObject {
  RTL_CLASS(TGLLightSource, TGLBaseSceneObject)
  static const TPropertyTable& Published();

  // A shining spot with cut-off 180 (so a point light), white diffuse, black ambient and
  // specular, pointing down -Z.
  explicit TGLLightSource(TComponent* AOwner);

  // GL_LIGHT0 + slot, written by the scene that registers the light; 0 until then.
  uint32_t GetLightID() const { return FLightID; }
  void SetLightID(uint32_t AValue) { FLightID = AValue; }

  // A vector (w = 0): the spot's axis, or the direction a parallel light shines along.
  TGLCoordinates* GetSpotDirection() const { return FSpotDirection.get(); }
  void SetSpotDirection(TGLCoordinates* AValue);
  // The setters of the spot and attenuation values ignore what OpenGL would refuse: an exponent
  // outside 0 .. 128, a negative attenuation, NaN.
  float GetSpotExponent() const { return FSpotExponent; }
  void SetSpotExponent(float AValue);
  // Degrees: 0 .. 90, or 180 for no cone.
  float GetSpotCutOff() const { return FSpotCutOff; }
  void SetSpotCutOff(float AValue);
  float GetConstAttenuation() const { return FConstAttenuation; }
  void SetConstAttenuation(float AValue);
  float GetLinearAttenuation() const { return FLinearAttenuation; }
  void SetLinearAttenuation(float AValue);
  float GetQuadraticAttenuation() const { return FQuadraticAttenuation; }
  void SetQuadraticAttenuation(float AValue);
  bool GetShining() const { return FShining; }
  void SetShining(bool AValue);
  // The colour setters copy the given colour's value in.
  TGLColor* GetAmbient() const { return FAmbient.get(); }
  void SetAmbient(TGLColor* AValue) { SetColorValue(*FAmbient, AValue); }
  TGLColor* GetDiffuse() const { return FDiffuse.get(); }
  void SetDiffuse(TGLColor* AValue) { SetColorValue(*FDiffuse, AValue); }
  TGLColor* GetSpecular() const { return FSpecular.get(); }
  void SetSpecular(TGLColor* AValue) { SetColorValue(*FSpecular, AValue); }
  TLightStyle GetLightStyle() const { return FLightStyle; }
  void SetLightStyle(TLightStyle AValue);

  // Loads the light into its light number, which the caller has enabled, relative to the
  // current modelview (the camera's): the modelview is left multiplied by the light's frame, so
  // the caller saves and restores it.
  void SetupLight();

  // A change of SpotDirection moves the light's frame as a change of its placement does.
  void CoordinateChanged(TGLCoordinates* Sender) override;
  // A light has no display list.
  GLuint GetHandle(TRenderContextInfo& rci) override;
  void DoRender(TRenderContextInfo& rci, bool RenderSelf, bool RenderChildren) override;
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteRequest& Request) override;

 private:
  // Stores a valid value that differs, then notifies.
  void SetFloat(float& field, float AValue, bool valid);
  void SetColorValue(TGLColor& own, TGLColor* AValue);

  uint32_t FLightID = 0;
  std::unique_ptr<TGLCoordinates> FSpotDirection;
  float FSpotExponent = 0;
  float FSpotCutOff = 180;
  float FConstAttenuation = 1;
  float FLinearAttenuation = 0;
  float FQuadraticAttenuation = 0;
  bool FShining = true;
  std::unique_ptr<TGLColor> FAmbient;
  std::unique_ptr<TGLColor> FDiffuse;
  std::unique_ptr<TGLColor> FSpecular;
  TLightStyle FLightStyle = lsSpot;
};
