#pragma once
// A flat polygon filling its node outline, tessellated so that concave and self-crossing
// outlines work, with a top face, a bottom face facing the other way, or both.

#include <cstdint>

#include "engine/GLObjects/Polygon.h"

enum TPolygonPart : uint8_t { ppTop = 1 << 0, ppBottom = 1 << 1 };
using TPolygonParts = uint8_t;

class TGLPolygon : public TGLPolygonBase {
  RTL_CLASS(TGLPolygon, TGLPolygonBase)
  static const TPropertyTable& Published();

  // Both faces.
  explicit TGLPolygon(TComponent* AOwner) : TGLPolygonBase(AOwner) {}

  TPolygonParts GetParts() const { return FParts; }
  void SetParts(TPolygonParts AValue);

  // From another polygon its faces; then the outline's copy.
  void Assign(TPersistent* Source) override;
  // Below two nodes nothing. The top faces the outline's normal (counter-clockwise seen from
  // it), the bottom the other way and is drawn after it; both are textured by x and y.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  TPolygonParts FParts = ppTop | ppBottom;
};
