#pragma once
// Two more solids drawn through GLU quadrics: a flat disk, ring or sector in the local XY plane
// facing local +Z, and an annulus, a thick-walled tube on the local Y axis with an outer and an
// inner wall and ring-shaped ends.

#include <cstdint>

#include "engine/GLGeomObjects/Cylinder.h"

class TGLDisk : public TGLQuadricObject {
  RTL_CLASS(TGLDisk, TGLQuadricObject)
  static const TPropertyTable& Published();

  // A full disk of radius 0.5 in 16 slices and 2 loops.
  explicit TGLDisk(TComponent* AOwner);

  // Degrees as GLU counts them: 0 on local +Y, clockwise.
  float GetStartAngle() const { return FStartAngle; }
  void SetStartAngle(float AValue);
  float GetSweepAngle() const { return FSweepAngle; }
  void SetSweepAngle(float AValue);
  float GetOuterRadius() const { return FOuterRadius; }
  void SetOuterRadius(float AValue);
  // Nothing keeps it below the outer radius.
  float GetInnerRadius() const { return FInnerRadius; }
  void SetInnerRadius(float AValue);
  // Handed to GLU as they are.
  int32_t GetSlices() const { return FSlices; }
  void SetSlices(int32_t AValue);
  int32_t GetLoops() const { return FLoops; }
  void SetLoops(int32_t AValue);

  // All six dimensions from another disk; then the quadric part.
  void Assign(TPersistent* Source) override;
  // (|OuterRadius|, |OuterRadius|, 0) whatever the sector.
  TVector AxisAlignedDimensionsUnscaled() override;
  // Against the full ring between the two radii, the sector ignored. The point is written as
  // soon as the ray meets the disk's plane, also when it then falls outside the ring; the normal
  // is the disk's axis in absolute terms, whichever side the ray comes from.
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  // One partial disk; no matrix is touched.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  float FStartAngle = 0;
  float FSweepAngle = 360;
  float FOuterRadius = 0.5f;
  float FInnerRadius = 0;
  int32_t FSlices = 16;
  int32_t FLoops = 2;
};

enum TAnnulusPart : uint8_t {
  anInnerSides = 1 << 0,
  anOuterSides = 1 << 1,
  anBottom = 1 << 2,
  anTop = 1 << 3,
};
using TAnnulusParts = uint8_t;
constexpr TAnnulusParts cAllAnnulusParts = anInnerSides | anOuterSides | anBottom | anTop;

// The body spans y = -Height / 2 .. Height / 2; BottomRadius is the outer radius at the bottom.
// Its outline stays the cylinder base's: an upright body of BottomRadius without the hole.
class TGLAnnulus : public TGLCylinderBase {
  RTL_CLASS(TGLAnnulus, TGLCylinderBase)
  static const TPropertyTable& Published();

  // All four parts, inner radii 0.3, outer radii 0.5.
  explicit TGLAnnulus(TComponent* AOwner);

  TAnnulusParts GetParts() const { return FParts; }
  void SetParts(TAnnulusParts AValue);
  // Nothing keeps an inner radius below its outer radius.
  float GetBottomInnerRadius() const { return FBottomInnerRadius; }
  void SetBottomInnerRadius(float AValue);
  float GetTopInnerRadius() const { return FTopInnerRadius; }
  void SetTopInnerRadius(float AValue);
  // The outer radius at the top end, published as TopRadius; GetTopRadius stays the base's
  // (BottomRadius), as the outline is the base's.
  float GetTopOuterRadius() const { return FTopRadius; }
  void SetTopRadius(float AValue);

  // Parts and the four radii from another annulus; then the cylinder base's part.
  void Assign(TPersistent* Source) override;
  // Centred, the larger outer radius across.
  TVector AxisAlignedDimensionsUnscaled() override;
  // Against straight walls of TopRadius and TopInnerRadius between the two end planes, with the
  // parts present: the nearest hit in front of the ray start. Outputs are written on a hit only.
  // A wall's normal faces away from the material (out of the outer wall, towards the axis from
  // the inner one) and is not normalised.
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  // Outer wall, top ring, then, facing the other way, bottom ring and inner wall.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  TAnnulusParts FParts = cAllAnnulusParts;
  float FBottomInnerRadius = 0.3f;
  float FTopInnerRadius = 0.3f;
  float FTopRadius = 0.5f;
};
