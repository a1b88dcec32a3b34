#pragma once
// The node of the scene graph: its place in the tree and in a scene, its placement relative to
// its parent, the local, absolute and inverse matrices rebuilt lazily from that placement, the
// change notices that drive those rebuilds and the display-list recompilation, its streaming in
// window layouts, its geometric queries and the rendering traversal over it.

#include <cstdint>
#include <memory>

#include "engine/GLContext.h"
#include "engine/GLMisc.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "engine/base/GLSilhouette.h"
#include "engine/base/GeometryBB.h"
#include "engine/base/PersistentClasses.h"
#include "engine/base/VectorGeometry.h"

class TGLSceneGraph;
class TGLSceneBuffer;
class TGLCamera;
class TGLLightSource;
class TGLBehaviours;
class TGLObjectEffects;

// Bits of ChangeFlags: what must be rebuilt before the next use.
enum TGLNodeChangeFlag : uint8_t {
  chLocalDirty = 1 << 0,
  chAbsoluteDirty = 1 << 1,
  chInverseDirty = 1 << 2,
  chListDirty = 1 << 3,
};
using TGLNodeChangeFlags = uint8_t;
constexpr TGLNodeChangeFlags chAllDirty =
    chLocalDirty | chAbsoluteDirty | chInverseDirty | chListDirty;

// Bits of StyleFlags: how the traversal treats the node.
enum TGLNodeStyleFlag : uint8_t {
  // BuildList runs at every frame instead of the compiled display list.
  osBuildEveryFrame = 1 << 0,
  // The state cache forgets all it knows after the node has drawn itself.
  osResetStates = 1 << 1,
  osDepthTestOff = 1 << 2,
  osNeverCulled = 1 << 3,
};
using TGLNodeStyleFlags = uint8_t;

class TGLBaseSceneObject;
using TGLBaseSceneObjectClass = TClass;

// The stipple of the axes a node shows: dashes of two pixels.
constexpr uint16_t cAxesPattern = 0xCCCC;

// The three axes from the origin, the negative halves at half intensity.
void AxesBuildList(TRenderContextInfo& rci, uint16_t Pattern, float AxisLength);

// Colours and materials owned by a node reach it through IGLStructureChangeable.
class TGLBaseSceneObject : public TGLCoordinatesUpdateAbleComponent, public IGLStructureChangeable {
  RTL_CLASS(TGLBaseSceneObject, TGLCoordinatesUpdateAbleComponent)
  // The node publishes nothing of its own: each class picks from the node properties below
  // (PublishNodeProperties gives them all, in their order).
  static const TPropertyTable& Published();

  explicit TGLBaseSceneObject(TComponent* AOwner);
  // Frees the subtree first, then the node's own parts; leaves the parent and the scene.
  ~TGLBaseSceneObject() override;

  // A new T owned by AParent as a component and appended to its children.
  template <class T = TGLBaseSceneObject>
  static T* CreateAsChild(TGLBaseSceneObject* AParent) {
    auto* node = new T(AParent);
    AParent->AddChild(node);
    return node;
  }

  // ---- The tree

  TGLBaseSceneObject* GetParent() const { return FParent; }
  TGLSceneGraph* GetScene() const { return FScene; }
  // nil without a child at that index.
  TGLBaseSceneObject* GetChild(int Index) const;
  int Count() const;
  // -1 without a parent.
  int IndexInParent() const;
  // The scene registers the subtree's lights; a node that has a parent leaves it first.
  virtual void AddChild(TGLBaseSceneObject* AnObject);
  // An instance of the class, owned by this node's owner, appended / put first.
  virtual TGLBaseSceneObject* AddNewChild(TGLBaseSceneObjectClass AChild);
  virtual TGLBaseSceneObject* AddNewChildFirst(TGLBaseSceneObjectClass AChild);
  virtual void Insert(int AIndex, TGLBaseSceneObject* AnObject);
  // Nothing unless AnObject is a child. With KeepChildren its children move up to this node.
  // The removed node leaves the scene with its subtree.
  virtual void Remove(TGLBaseSceneObject* AnObject, bool KeepChildren);
  // With nil the node ends without parent and without scene.
  virtual void MoveTo(TGLBaseSceneObject* NewParent);
  // Clamped to the parent's children; nothing without a parent.
  void MoveToIndex(int NewIndex);
  // Frees the children and their subtrees; the lights among them give up their slots.
  virtual void DeleteChildren();
  // Frees every camera of the subtree, its children moving up to the camera's parent.
  void DeleteCameraDescendants();
  // The node and its subtree join NewScene; display lists made for another scene go.
  void AttachScene(TGLSceneGraph* NewScene);
  void ReleaseDisplayLists();
  virtual void DestroyHandle();

  // ---- Placement

  // The coordinates are members, handed out for change by the const getters as the layout
  // reader needs.
  TGLCoordinates* GetPosition() const { return const_cast<TGLCoordinates*>(&FPosition); }
  void SetPosition(TGLCoordinates* AValue);
  TGLCoordinates* GetDirection() const { return const_cast<TGLCoordinates*>(&FDirection); }
  // A null vector is ignored.
  void SetDirection(TGLCoordinates* AValue);
  TGLCoordinates* GetUp() const { return const_cast<TGLCoordinates*>(&FUp); }
  // A null vector is ignored.
  void SetUp(TGLCoordinates* AValue);
  TGLCoordinates* GetScale() const { return const_cast<TGLCoordinates*>(&FScale); }
  void SetScale(TGLCoordinates* AValue);
  // X pitch, Y turn, Z roll, in degrees.
  TGLCoordinates* GetRotationAngles() const { return const_cast<TGLCoordinates*>(&FRotation); }
  float GetPitchAngle() const { return FRotation.GetX(); }
  void SetPitchAngle(float AValue);
  float GetTurnAngle() const { return FRotation.GetY(); }
  void SetTurnAngle(float AValue);
  float GetRollAngle() const { return FRotation.GetZ(); }
  void SetRollAngle(float AValue);
  // Rotates about the current Direction by Angle degrees.
  void Roll(float Angle);
  // Up x Direction, the local X axis, unscaled and not normalised.
  TVector SideVector() const;
  TVector ReverseSideVector() const;

  bool GetShowAxes() const { return FShowAxes; }
  void SetShowAxes(bool AValue);
  TGLObjectsSorting GetObjectsSorting() const { return FObjectsSorting; }
  void SetObjectsSorting(TGLObjectsSorting AValue);
  TGLVisibilityCulling GetVisibilityCulling() const { return FVisibilityCulling; }
  void SetVisibilityCulling(TGLVisibilityCulling AValue);
  bool GetVisible() const { return FVisible; }
  virtual void SetVisible(bool AValue);
  float GetTagFloat() const { return FTagFloat; }
  void SetTagFloat(float AValue) { FTagFloat = AValue; }
  TGLNodeStyleFlags GetStyleFlags() const { return FStyleFlags; }
  void SetStyleFlags(TGLNodeStyleFlags AValue) { FStyleFlags = AValue; }
  TGLNodeChangeFlags GetChangeFlags() const { return FChangeFlags; }

  // ---- Matrices, each rebuilt when its flag says so

  const TMatrix& RebuildMatrix();
  const TMatrix& CurrentLocalMatrix() { return RebuildMatrix(); }
  void CopyLocalMatrix(TMatrix& M) { M = RebuildMatrix(); }
  // Placement follows the matrix: Direction and Up its normalised rows 2 and 1, Scale the row
  // lengths, Position row 3.
  void LoadLocalMatrix(const TMatrix& M);
  // Local x parent's absolute; a scene's root is the identity, whatever its own placement.
  const TMatrix& AbsoluteMatrix();
  void GetAbsoluteMatrix(TMatrix& M) { M = AbsoluteMatrix(); }
  const TMatrix& InverseAbsoluteMatrix();
  TVector AbsolutePosition();
  TVector AbsoluteDirection();
  TVector AbsoluteUp();
  TVector LocalToAbsolute(const TVector& V);
  TVector AbsoluteToLocal(const TVector& V);

  // ---- Change notices

  // Matrices dirty down the subtree, then a repaint; a second change before the next matrix
  // read sends no second notice.
  void TransformationChanged();
  void MarkAbsoluteDirty();
  // The display list is to be compiled again, then a repaint.
  void StructureChanged() override;
  void ClearListDirty() { FChangeFlags &= ~chListDirty; }
  // A repaint: the scene hears of it unless the node is updating or being read.
  void NotifyChange(TObject* Sender) override;
  bool UpdatesSuspended() const;
  virtual void BeginUpdate();
  // An assertion failure "Unbalanced Begin/EndUpdate" without a matching BeginUpdate.
  virtual void EndUpdate();
  // Keeps Direction and Up unit length and orthogonal when one of them is written.
  void CoordinateChanged(TGLCoordinates* Sender) override;

  // ---- Copy, clock, collections

  // From another node: placement, flags, a copy of the subtree, behaviours and effects, tags.
  void Assign(TPersistent* Source) override;
  // Children from the last to the first, then behaviours, effects and OnProgress.
  void DoProgress(const TGLProgressTimes& ProgressTime) override;
  // Created on first read.
  TGLBehaviours* GetBehaviours();
  void SetBehaviours(TGLBehaviours* AValue);
  TGLObjectEffects* GetEffects();
  void SetEffects(TGLObjectEffects* AValue);
  // nil while never read.
  TGLBehaviours* BehavioursIfCreated() const { return FBehaviours.get(); }
  TGLObjectEffects* EffectsIfCreated() const { return FEffects.get(); }

  TGLProgressEvent OnProgress;

  // ---- Layout streaming

  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  TComponent* GetParentComponent() const override { return FParent; }
  bool HasParent() const override { return FParent != nullptr; }
  // A scene puts a camera under its cameras root and anything else under its objects root.
  void SetParentComponent(TComponent* Value) override;

  // ---- Geometry queries

  virtual TVector BarycenterAbsolutePosition();
  // Half extents in the node's own unscaled frame, w = 0: a unit cube here.
  virtual TVector AxisAlignedDimensionsUnscaled();
  // Inclusive on the faces of the scaled box.
  virtual bool PointInObject(const TVector& Point);
  // The outputs are written only on a hit, and only those given.
  virtual bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                                TVector* IntersectPoint = nullptr,
                                TVector* IntersectNormal = nullptr);
  virtual std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteRequest& Request);
  TVector AxisAlignedDimensions();
  // The node and its descendants in the node's own frame; the scaled one is neither rotated nor
  // translated.
  TAABB AxisAlignedBoundingBoxUnscaled();
  TAABB AxisAlignedBoundingBox();
  float BoundingSphereRadius();
  float BoundingSphereRadiusUnscaled();
  float BarycenterSqrDistanceTo(const TVector& Point);
  // Orbits about AnObject by degrees of pitch and turn, keeping the distance; the polar angle
  // stays clear of both poles. Direction and Up are kept.
  void MoveObjectAround(TGLBaseSceneObject* AnObject, float PitchDelta, float TurnDelta);

  // ---- Rendering traversal

  // The per-node step: culling, the local matrix, picking name, axes, effects, DoRender.
  void Render(TRenderContextInfo& rci);
  virtual void DoRender(TRenderContextInfo& rci, bool RenderSelf, bool RenderChildren);
  // Children FirstChildIndex .. LastChildIndex under the node's sorting and culling modes.
  virtual void RenderChildren(int FirstChildIndex, int LastChildIndex, TRenderContextInfo& rci);
  // The name of the compiled display list, compiled again after a structure change.
  virtual GLuint GetHandle(TRenderContextInfo& rci);
  virtual void BuildList(TRenderContextInfo& rci);
  virtual bool Blended();
  // The axes as long as the depth of view of the current buffer's camera.
  void DrawAxes(TRenderContextInfo& rci, uint16_t Pattern);

  // All the node properties in their stream order, for the classes that publish them all.
  template <class T>
  static TPropertyBuilder<T>& PublishNodeProperties(TPropertyBuilder<T>& Builder);

 protected:
  void DefineProperties(TFiler& Filer) override;
  void Loaded() override;
  TGLListHandle* ListHandle() const { return FListHandle.get(); }
  // For GetHandle: the list handle, created on first use.
  TGLListHandle& NeedListHandle();
  bool IsLoading() const { return (ComponentState() & csLoading) != 0; }
  // The first step of every Assign of a scene object, before anything is copied: raises when
  // Source lies in this node's subtree or among its ancestors; false when Source is this node,
  // which has nothing to copy from itself.
  bool AssignSourceAccepted(TPersistent* Source) const;

 private:
  friend class TGLSceneRootObject;
  friend class TGLSceneGraph;

  void SetAngle(int Axis, float AValue);
  // Stores a value that differs, then the repaint notice.
  template <class T>
  void StoreAndNotify(T& Field, T AValue);
  // Whether ANode is this node or one of its descendants.
  bool Contains(const TGLBaseSceneObject* ANode) const;
  TGLBaseSceneObject* NewNode(TGLBaseSceneObjectClass AChild) const;
  // Takes a child out of the list: its lights leave the scene, this node stops owning it; it
  // keeps its scene, for callers that put it back in the tree at once.
  void ExtractChild(TGLBaseSceneObject* AnObject);
  // ExtractChild, then this node's repaint notice.
  void LeaveChild(TGLBaseSceneObject* AnObject);
  // The block of the absolute and inverse matrices, allocated on first need.
  std::array<TMatrix, 2>& AbsoluteBlock();
  // Whether this node is one of a scene's two roots.
  bool IsSceneRoot() const;

  std::unique_ptr<std::array<TMatrix, 2>> FAbsoluteMatrices;
  TMatrix FLocalMatrix = IdentityHmgMatrix;
  TGLNodeStyleFlags FStyleFlags = 0;
  std::unique_ptr<TGLListHandle> FListHandle;
  TGLCoordinates FPosition, FDirection, FUp, FScale;
  TGLNodeChangeFlags FChangeFlags = chAllDirty;
  TGLBaseSceneObject* FParent = nullptr;
  TGLSceneGraph* FScene = nullptr;
  std::unique_ptr<TPersistentObjectList> FChildren;  // the elements are owned here
  bool FVisible = true;
  int32_t FUpdateCount = 0;
  bool FShowAxes = false;
  TGLCoordinates FRotation;
  bool FIsCalculating = false;  // the re-orientation guard
  TGLObjectsSorting FObjectsSorting = osInherited;
  TGLVisibilityCulling FVisibilityCulling = vcInherited;
  std::unique_ptr<TGLBehaviours> FBehaviours;
  std::unique_ptr<TGLObjectEffects> FEffects;
  float FTagFloat = 0;
};

template <class T>
TPropertyBuilder<T>& TGLBaseSceneObject::PublishNodeProperties(TPropertyBuilder<T>& Builder) {
  using N = TGLBaseSceneObject;
  return Builder
      .Enumeration("ObjectsSorting", &N::GetObjectsSorting, &N::SetObjectsSorting,
                   {"osInherited", "osNone", "osRenderFarthestFirst", "osRenderBlendedLast",
                    "osRenderNearestFirst"},
                   Default(osInherited))
      .Enumeration("VisibilityCulling", &N::GetVisibilityCulling, &N::SetVisibilityCulling,
                   {"vcInherited", "vcNone", "vcObjectBased", "vcHierarchical"},
                   Default(vcInherited))
      .Object("Direction", &N::GetDirection)
      .Float("PitchAngle", &N::GetPitchAngle, &N::SetPitchAngle)
      .Object("Position", &N::GetPosition)
      .Float("RollAngle", &N::GetRollAngle, &N::SetRollAngle)
      .Object("Scale", &N::GetScale)
      .Boolean("ShowAxes", &N::GetShowAxes, &N::SetShowAxes, Default(false))
      .Float("TurnAngle", &N::GetTurnAngle, &N::SetTurnAngle)
      .Object("Up", &N::GetUp)
      .Boolean("Visible", &N::GetVisible, &N::SetVisible, Default(true))
      .Float("TagFloat", &N::GetTagFloat, &N::SetTagFloat)
      .template Event<TGLProgressEvent>("OnProgress", &N::OnProgress);
}
