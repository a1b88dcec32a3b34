#pragma once
// The cylinder-like solids drawn through GLU quadrics: what they share (bottom radius, height,
// tessellation, the outline of an upright body), the cone and the cylinder. They stand on the
// local Y axis; GLU builds along its Z axis, so each build first turns GLU's +Z onto local +Y.

#include <cstdint>
#include <memory>

#include "engine/GLObjects/Sphere.h"

class TGLCylinderBase : public TGLQuadricObject {
  RTL_CLASS(TGLCylinderBase, TGLQuadricObject)
  static const TPropertyTable& Published();

  // Radius 0.5, height 1, 16 slices, 4 stacks, 1 loop.
  explicit TGLCylinderBase(TComponent* AOwner);

  float GetBottomRadius() const { return FBottomRadius; }
  void SetBottomRadius(float AValue);
  float GetHeight() const { return FHeight; }
  void SetHeight(float AValue);
  // Handed to GLU as they are.
  int32_t GetSlices() const { return FSlices; }
  void SetSlices(int32_t AValue);
  int32_t GetStacks() const { return FStacks; }
  void SetStacks(int32_t AValue);
  // A value below 1 is ignored.
  int32_t GetLoops() const { return FLoops; }
  void SetLoops(int32_t AValue);

  // The radius at the top end: the bottom radius here.
  virtual float GetTopRadius() const { return FBottomRadius; }

  // Radii, height and tessellation from another cylinder-like solid; then the quadric part.
  void Assign(TPersistent* Source) override;
  // The outline of the centred upright body of Slices sides, whatever the class draws; empty
  // without sides.
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteRequest& Request) override;

 private:
  float FBottomRadius = 0.5f;
  int32_t FSlices = 16;
  int32_t FStacks = 4;
  int32_t FLoops = 1;
  float FHeight = 1;
};

enum TConePart : uint8_t { coSides = 1 << 0, coBottom = 1 << 1 };
using TConeParts = uint8_t;
constexpr TConeParts cAllConeParts = coSides | coBottom;

// A cone from its base at y = -Height / 2 to its apex at +Height / 2.
class TGLCone : public TGLCylinderBase {
  RTL_CLASS(TGLCone, TGLCylinderBase)
  static const TPropertyTable& Published();
  explicit TGLCone(TComponent* AOwner) : TGLCylinderBase(AOwner) {}

  TConeParts GetParts() const { return FParts; }
  void SetParts(TConeParts AValue);

  float GetTopRadius() const override { return 0; }
  void Assign(TPersistent* Source) override;
  // (|BottomRadius|, Height / 2, |BottomRadius|).
  TVector AxisAlignedDimensionsUnscaled() override;
  // The side, then the base disk facing down.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  TConeParts FParts = cAllConeParts;
};

enum TCylinderPart : uint8_t { cySides = 1 << 0, cyBottom = 1 << 1, cyTop = 1 << 2 };
using TCylinderParts = uint8_t;
constexpr TCylinderParts cAllCylinderParts = cySides | cyBottom | cyTop;

// Where the body lies on the local Y axis: centred, below the origin (its top end there) or
// above it (its bottom end there).
enum TCylinderAlignment : uint8_t { caCenter, caTop, caBottom };

class TGLCylinder : public TGLCylinderBase {
  RTL_CLASS(TGLCylinder, TGLCylinderBase)
  static const TPropertyTable& Published();
  explicit TGLCylinder(TComponent* AOwner) : TGLCylinderBase(AOwner) {}

  TCylinderParts GetParts() const { return FParts; }
  void SetParts(TCylinderParts AValue);
  void SetTopRadius(float AValue);
  float GetTopRadius() const override { return FTopRadius; }
  TCylinderAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TCylinderAlignment AValue);

  // Parts and the top radius from another cylinder, not its alignment; then the base's part.
  void Assign(TPersistent* Source) override;
  // Centred whatever the alignment, the larger radius across.
  TVector AxisAlignedDimensionsUnscaled() override;
  // Against a straight cylinder of TopRadius between the end planes the alignment gives, with
  // the parts present: the nearest hit in front of the ray start. Outputs are written on a hit
  // only; the side's normal is radial and not normalised.
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  // Sides, top disk, bottom disk facing down.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  TCylinderParts FParts = cAllCylinderParts;
  float FTopRadius = 0.5f;
  TCylinderAlignment FAlignment = caCenter;
};
