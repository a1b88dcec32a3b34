#include "engine/GLGeomObjects/Polygon.h"

const TPropertyTable& TGLPolygon::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLPolygon>(TGLPolygonBase::Published())
          .Set("Parts", &TGLPolygon::GetParts, &TGLPolygon::SetParts, {"ppTop", "ppBottom"},
               Default(ppTop | ppBottom));
  return table;
}

void TGLPolygon::SetParts(TPolygonParts AValue) {
  if (AValue == FParts) return;
  FParts = AValue;
  StructureChanged();
}

void TGLPolygon::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLPolygon*>(Source)) FParts = source->FParts;
  TGLPolygonBase::Assign(Source);
}

void TGLPolygon::BuildList(TRenderContextInfo&) {
  TGLNodes& nodes = *GetNodes();
  if (nodes.Count() < 2) return;
  TAffineVector normal = nodes.Normal();
  const TAffineVector* normalArgument = VectorIsNull(normal) ? nullptr : &normal;
  // Every mode but the plain one smooths the outline alike.
  const int divisions = GetSplineMode() == lsmLines ? 1 : GetDivision();
  if (FParts & ppTop) nodes.RenderTesselatedPolygon(true, normalArgument, divisions, false);
  if (FParts & ppBottom) {
    NegateVector(normal);
    nodes.RenderTesselatedPolygon(true, normalArgument, divisions, true);
  }
}
