#pragma once
// An arrow along the local Z axis, centred on the origin: a shaft of nominal length Height with
// a cone-shaped head at its top end, its bottom end or both, built from GLU quadrics.

#include <cstdint>

#include "engine/GLGeomObjects/Cylinder.h"

enum TArrowLinePart : uint8_t {
  alLine = 1 << 0,
  alTopArrow = 1 << 1,
  alBottomArrow = 1 << 2,
};
using TArrowLineParts = uint8_t;
constexpr TArrowLineParts cDefaultArrowLineParts = alLine | alTopArrow;

// Where the heads sit: beyond the shaft's nominal ends, straddling them, or within them.
enum TArrowHeadStackingStyle : uint8_t { ahssStacked, ahssCentered, ahssIncluded };

// The shaft's bottom radius is BottomRadius; the outline, dimensions and ray cast stay those of
// the node and the cylinder base (an upright body), not of the drawn arrow.
class TGLArrowLine : public TGLCylinderBase {
  RTL_CLASS(TGLArrowLine, TGLCylinderBase)
  static const TPropertyTable& Published();

  // A shaft of radius 0.1 at both ends with one head of height 0.5 and radius 0.2 on top,
  // stacked beyond the shaft.
  explicit TGLArrowLine(TComponent* AOwner);

  TArrowLineParts GetParts() const { return FParts; }
  void SetParts(TArrowLineParts AValue);
  // The shaft's radius at its top end, published as TopRadius; GetTopRadius stays the base's
  // answer (BottomRadius), which the outline uses.
  float GetShaftTopRadius() const { return FTopRadius; }
  void SetTopRadius(float AValue);
  float GetTopArrowHeadHeight() const { return FTopArrowHeadHeight; }
  void SetTopArrowHeadHeight(float AValue);
  float GetTopArrowHeadRadius() const { return FTopArrowHeadRadius; }
  void SetTopArrowHeadRadius(float AValue);
  float GetBottomArrowHeadHeight() const { return FBottomArrowHeadHeight; }
  void SetBottomArrowHeadHeight(float AValue);
  float GetBottomArrowHeadRadius() const { return FBottomArrowHeadRadius; }
  void SetBottomArrowHeadRadius(float AValue);
  TArrowHeadStackingStyle GetHeadStackingStyle() const { return FHeadStackingStyle; }
  void SetHeadStackingStyle(TArrowHeadStackingStyle AValue);

  // The parts, the shaft's top radius, the heads and their style from another arrow; then the
  // base's part.
  void Assign(TPersistent* Source) override;
  // The heads, each closed by a disk round the shaft (a full disk without the shaft), then the
  // shaft, closed at an end that has no head.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  TArrowLineParts FParts = cDefaultArrowLineParts;
  float FTopRadius = 0.1f;
  float FTopArrowHeadHeight = 0.5f;
  float FTopArrowHeadRadius = 0.2f;
  float FBottomArrowHeadHeight = 0.5f;
  float FBottomArrowHeadRadius = 0.2f;
  TArrowHeadStackingStyle FHeadStackingStyle = ahssStacked;
};
