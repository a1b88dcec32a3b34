#include "engine/GLObjects/Polygon.h"

#include <algorithm>

TGLPolygonBase::TGLPolygonBase(TComponent* AOwner)
    : TGLPolygonBase(AOwner, TGLNode::StaticClass()) {}

TGLPolygonBase::TGLPolygonBase(TComponent* AOwner, TClass ANodeClass)
    : TGLSceneObject(AOwner), FNodes(std::make_unique<TGLNodes>(this, ANodeClass)) {}

TGLPolygonBase::~TGLPolygonBase() = default;

const TPropertyTable& TGLPolygonBase::Published() {
  using P = TGLPolygonBase;
  static const TPropertyTable table =
      TPropertyTable::Extend<P>(TGLSceneObject::Published())
          .Object("Nodes", &P::GetNodes)
          .Integer("Division", &P::GetDivision, &P::SetDivision, Default(10))
          .Enumeration(
              "SplineMode", &P::GetSplineMode, &P::SetSplineMode,
              {"lsmLines", "lsmCubicSpline", "lsmBezierSpline", "lsmNURBSCurve", "lsmSegments"},
              Default(lsmLines));
  return table;
}

void TGLPolygonBase::SetNodes(TGLNodes* AValue) {
  FNodes->Assign(AValue);
  StructureChanged();
}

void TGLPolygonBase::SetDivision(int32_t AValue) {
  if (AValue == FDivision) return;
  FDivision = std::max(AValue, 1);
  StructureChanged();
}

void TGLPolygonBase::SetSplineMode(TLineSplineMode AValue) {
  if (AValue == FSplineMode) return;
  FSplineMode = AValue;
  StructureChanged();
}

void TGLPolygonBase::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLPolygonBase*>(Source)) {
    SetNodes(source->FNodes.get());
    FDivision = source->FDivision;
    FSplineMode = source->FSplineMode;
  }
  TGLSceneObject::Assign(Source);
}

void TGLPolygonBase::NotifyChange(TObject* Sender) {
  if (Sender == FNodes.get()) StructureChanged();
  TGLSceneObject::NotifyChange(Sender);
}
