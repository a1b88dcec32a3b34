#pragma once
// An invisible node to group and move children by: a cube-shaped anchor, shown as a dashed
// wireframe on request, that can compile its whole subtree into one display list
// (amalgamation) and can ask the application, frame by frame, whether it is drawn at all.

#include <functional>
#include <memory>

#include "engine/GLSceneGraph/SceneObjects.h"

// Whether the node and its subtree are drawn in this frame.
using TGLVisibilityDeterminationEvent =
    std::function<bool(TObject* Sender, TRenderContextInfo& rci)>;

// The twelve edges of the cube of edge Size centred on the origin, each once, in Color with
// lighting off; Dashed stipples them and blends them over what is behind. The OpenGL state it
// changes is given back.
void DrawWireCube(TRenderContextInfo& rci, bool Dashed, const TColorVector& Color, float Size);

class TGLDummyCube : public TGLCameraInvariantObject {
  RTL_CLASS(TGLDummyCube, TGLCameraInvariantObject)
  static const TPropertyTable& Published();

  // A unit cube with white edges, hidden, not amalgamating, drawn where its parents place it.
  explicit TGLDummyCube(TComponent* AOwner);
  ~TGLDummyCube() override;

  // The setters rebuild on a change.
  float GetCubeSize() const { return FCubeSize; }
  void SetCubeSize(float AValue);
  // Copies the colour's value in, then rebuilds, unless given the owned colour itself.
  TGLColor* GetEdgeColor() const { return FEdgeColor.get(); }
  void SetEdgeColor(TGLColor* AValue);
  // Whether the wireframe is drawn; the program never designs, so this alone decides.
  bool GetVisibleAtRunTime() const { return FVisibleAtRunTime; }
  void SetVisibleAtRunTime(bool AValue);
  // The subtree compiled into one list and replayed; the list is compiled again only after the
  // cube's own StructureChanged, not after changes of the children. Switching it on has the
  // state cache reset after the cube, since the cache cannot follow what a list replays.
  bool GetAmalgamate() const { return FAmalgamate; }
  void SetAmalgamate(bool AValue);

  // From another dummy cube the size, edge colour and run-time visibility (not Amalgamate), a
  // change of its own that compiles the amalgamation list again; then the camera-invariant
  // object's state.
  void Assign(TPersistent* Source) override;
  // The mean of the children's barycenters, or the node's own position without children.
  TVector BarycenterAbsolutePosition() override;
  // Half the absolute edge on every axis.
  TVector AxisAlignedDimensionsUnscaled() override;
  // Never hit: a dummy cube is not picked by rays.
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  // The dashed wireframe when visible at run time, else nothing.
  void BuildList(TRenderContextInfo& rci) override;
  // Asks OnVisibilityDetermination first. Amalgamating, the subtree is compiled when the list
  // needs it (its objects drawing through BuildList into it, from a reset state cache, so the
  // list carries all its state) and the list is called; a compile that raises closes the list
  // and leaves it to be compiled again.
  void DoRender(TRenderContextInfo& rci, bool ARenderSelf, bool ARenderChildren) override;
  // Amalgamating, the list is compiled again at the next frame.
  void StructureChanged() override;

  TGLVisibilityDeterminationEvent OnVisibilityDetermination;

 private:
  // The inherited drawing compiled into the amalgamation list.
  void CompileGroupList(TRenderContextInfo& rci, bool ARenderSelf, bool ARenderChildren);

  float FCubeSize = 1;
  std::unique_ptr<TGLColor> FEdgeColor;
  bool FVisibleAtRunTime = false;
  bool FAmalgamate = false;
  std::unique_ptr<TGLListHandle> FGroupList;
  bool FGroupListDirty = true;
};
