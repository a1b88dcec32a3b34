#pragma once
// A ring torus in the local XY plane around the local Z axis, drawn with its own quad strips and
// met by rays exactly, through the quartic of the ray-torus equation.

#include <cstdint>

#include "engine/GLSceneGraph/SceneObjects.h"

class TGLTorus : public TGLSceneObject {
  RTL_CLASS(TGLTorus, TGLSceneObject)
  static const TPropertyTable& Published();

  // 25 rings of 15 sides, a tube of radius 0.1 round a circle of radius 0.4.
  explicit TGLTorus(TComponent* AOwner);

  // Each setter does nothing for the value stored and rebuilds otherwise; the comparison is made
  // with the value as given, before the clamp.
  // Segments round the Z axis; below 2 stores 2.
  uint32_t GetRings() const { return FRings; }
  void SetRings(uint32_t AValue);
  // Segments round the tube; below 3 stores 3.
  uint32_t GetSides() const { return FSides; }
  void SetSides(uint32_t AValue);
  // The tube's radius; larger than the major radius it gives a self-intersecting spindle torus.
  float GetMinorRadius() const { return FMinorRadius; }
  void SetMinorRadius(float AValue);
  // From the Z axis to the tube's centre circle.
  float GetMajorRadius() const { return FMajorRadius; }
  void SetMajorRadius(float AValue);

  // The four dimensions from another torus, so that a copy keeps its shape; then the scene
  // object's part.
  void Assign(TPersistent* Source) override;
  // (|Major| + |Minor|, the same, |Minor|).
  TVector AxisAlignedDimensionsUnscaled() override;
  // The nearest hit in front of the ray start; the normal runs from the tube's centre circle to
  // the hit and is about MinorRadius long. Outputs are written on a hit only.
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  // One quad strip per ring segment; no matrix or attribute is pushed.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  uint32_t FRings = 25;
  uint32_t FSides = 15;
  float FMinorRadius = 0.1f;
  float FMajorRadius = 0.4f;
};
