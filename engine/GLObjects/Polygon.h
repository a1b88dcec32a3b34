#pragma once
// The base of objects outlined by a list of nodes, which a spline may smooth.

#include <cstdint>
#include <memory>

#include "engine/GLMisc.h"
#include "engine/GLObjects/Lines.h"
#include "engine/GLSceneGraph/SceneObjects.h"

class TGLPolygonBase : public TGLSceneObject {
  RTL_CLASS(TGLPolygonBase, TGLSceneObject)
  static const TPropertyTable& Published();

  // An empty outline of plain nodes, not smoothed, 10 steps per segment once it is.
  explicit TGLPolygonBase(TComponent* AOwner);
  ~TGLPolygonBase() override;

  TGLNodes* GetNodes() const { return FNodes.get(); }
  // A copy of the collection, then a rebuild.
  void SetNodes(TGLNodes* AValue);
  // Spline steps per outline segment; a value below 1 stores 1.
  int32_t GetDivision() const { return FDivision; }
  void SetDivision(int32_t AValue);
  // Any mode but lsmLines smooths the outline.
  TLineSplineMode GetSplineMode() const { return FSplineMode; }
  void SetSplineMode(TLineSplineMode AValue);

  // From another outline its nodes, division and spline mode; then the scene object's copy.
  void Assign(TPersistent* Source) override;
  // A change of the outline (a node added, removed, moved) rebuilds, then the repaint.
  void NotifyChange(TObject* Sender) override;

 protected:
  // For descendants whose outline holds nodes of another class, a TGLNode descendant.
  TGLPolygonBase(TComponent* AOwner, TClass ANodeClass);

 private:
  std::unique_ptr<TGLNodes> FNodes;
  int32_t FDivision = 10;
  TLineSplineMode FSplineMode = lsmLines;
};
