#include "engine/GLSceneGraph/BaseSceneObject.h"

#include <algorithm>
#include <cmath>

#include "engine/GLSceneGraph/Behaviours.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/Scene.h"

namespace {

// Sets the re-orientation guard for its lifetime, so that an exception cannot leave it set.
class TGuard {
 public:
  explicit TGuard(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TGuard() { FFlag = false; }
  TGuard(const TGuard&) = delete;
  TGuard& operator=(const TGuard&) = delete;

 private:
  bool& FFlag;
};

TVector Normalized(const TVector& v) {
  TVector r;
  VectorNormalize(v, r);
  return r;
}

TVector Cross(const TVector& v1, const TVector& v2) {
  TVector r;
  VectorCrossProduct(v1, v2, r);
  return r;
}

// Direction x Up with the two fallbacks that keep a side vector when the two are parallel.
TVector SideOf(const TVector& direction, const TVector& up) {
  constexpr long double eps = 1e-5L;
  TVector s = Cross(direction, up);
  if (VectorLength(s) < eps) s = Cross({0, 0, 1, 0}, up);
  if (VectorLength(s) < eps) s = Cross({1, 0, 0, 0}, up);
  return s;
}

}  // namespace

const TPropertyTable& TGLBaseSceneObject::Published() {
  return inherited::Published();
}

TGLBaseSceneObject::TGLBaseSceneObject(TComponent* AOwner)
    : inherited(AOwner),
      FPosition(this, NullHmgPoint, ckPoint),
      FDirection(this, TVector{0, 0, 1, 0}, ckVector),
      FUp(this, TVector{0, 1, 0, 0}, ckVector),
      FScale(this, TVector{1, 1, 1, 0}, ckVector),
      FRotation(this, TVector{0, 0, 0, 0}, ckVector) {}

TGLBaseSceneObject::~TGLBaseSceneObject() {
  Destroying();
  DeleteCameraDescendants();
  if (FParent) FParent->Remove(this, false);
  DeleteChildren();
  FChildren.reset();
  // The node's own parts (matrices, collections, list handle, coordinates) go with the members.
}

// ---- The tree

TGLBaseSceneObject* TGLBaseSceneObject::GetChild(int Index) const {
  if (!FChildren || Index < 0 || Index >= FChildren->Count()) return nullptr;
  return static_cast<TGLBaseSceneObject*>(FChildren->Get(Index));
}

int TGLBaseSceneObject::Count() const {
  return FChildren ? FChildren->Count() : 0;
}

int TGLBaseSceneObject::IndexInParent() const {
  return FParent ? FParent->FChildren->IndexOf(this) : -1;
}

bool TGLBaseSceneObject::Contains(const TGLBaseSceneObject* ANode) const {
  for (; ANode; ANode = ANode->FParent)
    if (ANode == this) return true;
  return false;
}

void TGLBaseSceneObject::AddChild(TGLBaseSceneObject* AnObject) {
  // A cycle would make every walk of the tree endless.
  Assert(!AnObject->Contains(this), "A scene object cannot become a child of its own subtree");
  // One node, one children list.
  if (AnObject->FParent) AnObject->FParent->LeaveChild(AnObject);
  if (FScene) FScene->AddLights(AnObject);
  if (!FChildren) FChildren = std::make_unique<TPersistentObjectList>();
  FChildren->Add(AnObject);
  AnObject->FParent = this;
  AnObject->AttachScene(FScene);
  TransformationChanged();
  AnObject->TransformationChanged();
}

TGLBaseSceneObject* TGLBaseSceneObject::AddNewChild(TGLBaseSceneObjectClass AChild) {
  auto* node = NewNode(AChild);
  AddChild(node);
  return node;
}

TGLBaseSceneObject* TGLBaseSceneObject::AddNewChildFirst(TGLBaseSceneObjectClass AChild) {
  auto* node = NewNode(AChild);
  Insert(0, node);
  return node;
}

TGLBaseSceneObject* TGLBaseSceneObject::NewNode(TGLBaseSceneObjectClass AChild) const {
  Assert(AChild->InheritsFrom(TGLBaseSceneObject::StaticClass()));
  return static_cast<TGLBaseSceneObject*>(AChild->Create(Owner()).release());
}

void TGLBaseSceneObject::Insert(int AIndex, TGLBaseSceneObject* AnObject) {
  Assert(!AnObject->Contains(this), "A scene object cannot become a child of its own subtree");
  const int count = Count() - (AnObject->FParent == this ? 1 : 0);
  if (AIndex < 0 || AIndex > count)
    throw EListError("List index out of bounds (" + IntToStr(AIndex) + ")");
  if (AnObject->FParent) AnObject->FParent->LeaveChild(AnObject);
  if (!FChildren) FChildren = std::make_unique<TPersistentObjectList>();
  FChildren->Insert(AIndex, AnObject);
  AnObject->FParent = this;
  AnObject->AttachScene(FScene);
  if (FScene) FScene->AddLights(AnObject);
  AnObject->TransformationChanged();
}

void TGLBaseSceneObject::ExtractChild(TGLBaseSceneObject* AnObject) {
  if (FScene) FScene->RemoveLights(AnObject);
  if (AnObject->Owner() == this) RemoveComponent(AnObject);
  FChildren->Remove(AnObject);
  AnObject->FParent = nullptr;
  // The subtree's absolute matrices held this node's; without a parent they are its own.
  AnObject->MarkAbsoluteDirty();
}

void TGLBaseSceneObject::LeaveChild(TGLBaseSceneObject* AnObject) {
  ExtractChild(AnObject);
  NotifyChange(this);
}

void TGLBaseSceneObject::Remove(TGLBaseSceneObject* AnObject, bool KeepChildren) {
  if (!AnObject || AnObject->FParent != this) return;
  ExtractChild(AnObject);
  if (KeepChildren) {
    BeginUpdate();
    while (AnObject->Count() > 0) AnObject->GetChild(0)->MoveTo(this);
    EndUpdate();
  } else {
    NotifyChange(this);
  }
  // A node out of the tree keeps no pointer to a scene that may go before it.
  AnObject->AttachScene(nullptr);
}

void TGLBaseSceneObject::MoveTo(TGLBaseSceneObject* NewParent) {
  // Refused before the node leaves its parent, so that a refused move changes nothing.
  Assert(!Contains(NewParent), "A scene object cannot become a child of its own subtree");
  if (FParent) FParent->LeaveChild(this);
  if (NewParent)
    NewParent->AddChild(this);
  else
    AttachScene(nullptr);
}

void TGLBaseSceneObject::MoveToIndex(int NewIndex) {
  if (!FParent) return;
  NewIndex = std::clamp(NewIndex, 0, FParent->Count() - 1);
  if (NewIndex == IndexInParent()) return;
  TGLBaseSceneObject* parent = FParent;
  TGLSceneGraph* scene = FScene;
  if (scene) scene->BeginUpdate();
  try {
    parent->LeaveChild(this);
    parent->Insert(NewIndex, this);
  } catch (...) {
    if (scene) scene->EndUpdate();
    throw;
  }
  if (scene) scene->EndUpdate();
}

void TGLBaseSceneObject::DeleteChildren() {
  DeleteCameraDescendants();
  // The node's own slot stays: a light whose children go keeps shining.
  if (FScene)
    for (int i = 0; i < Count(); ++i) FScene->RemoveLights(GetChild(i));
  while (Count() > 0) {
    auto* child = static_cast<TGLBaseSceneObject*>(FChildren->Pop());
    child->FParent = nullptr;
    delete child;
  }
}

void TGLBaseSceneObject::DeleteCameraDescendants() {
  int i = 0;
  while (i < Count()) {
    TGLBaseSceneObject* child = GetChild(i);
    child->DeleteCameraDescendants();
    if (child->InheritsFrom(TGLCamera::StaticClass())) {
      Remove(child, true);
      delete child;
    } else {
      ++i;
    }
  }
}

void TGLBaseSceneObject::AttachScene(TGLSceneGraph* NewScene) {
  if (NewScene == FScene) return;
  if (FScene) DestroyHandle();
  FScene = NewScene;
  for (int i = 0; i < Count(); ++i) GetChild(i)->AttachScene(NewScene);
}

void TGLBaseSceneObject::ReleaseDisplayLists() {
  for (int i = 0; i < Count(); ++i) GetChild(i)->ReleaseDisplayLists();
  DestroyHandle();
}

void TGLBaseSceneObject::DestroyHandle() {
  if (FListHandle) FListHandle->DestroyHandle();
}

TGLListHandle& TGLBaseSceneObject::NeedListHandle() {
  if (!FListHandle) FListHandle = std::make_unique<TGLListHandle>();
  return *FListHandle;
}

// ---- Placement

void TGLBaseSceneObject::SetPosition(TGLCoordinates* AValue) {
  FPosition.SetPoint(AValue->GetX(), AValue->GetY(), AValue->GetZ());
}

void TGLBaseSceneObject::SetDirection(TGLCoordinates* AValue) {
  if (VectorIsNull(AValue->GetAsAffineVector())) return;
  FDirection.SetVector(AValue->GetX(), AValue->GetY(), AValue->GetZ());
}

void TGLBaseSceneObject::SetUp(TGLCoordinates* AValue) {
  if (VectorIsNull(AValue->GetAsAffineVector())) return;
  FUp.SetVector(AValue->GetX(), AValue->GetY(), AValue->GetZ());
}

void TGLBaseSceneObject::SetScale(TGLCoordinates* AValue) {
  FScale.Assign(AValue);
  TransformationChanged();
}

void TGLBaseSceneObject::SetPitchAngle(float AValue) {
  SetAngle(X, AValue);
}

void TGLBaseSceneObject::SetTurnAngle(float AValue) {
  SetAngle(Y, AValue);
}

void TGLBaseSceneObject::SetRollAngle(float AValue) {
  SetAngle(Z, AValue);
}

void TGLBaseSceneObject::SetAngle(int Axis, float AValue) {
  TVector angles = FRotation.GetAsVector();
  if (AValue == angles[Axis]) return;
  // While a layout is read, Direction and Up arrive as stored and are already turned.
  if (!IsLoading()) {
    TGuard guard(FIsCalculating);
    const TVector direction = FDirection.GetAsVector();
    const TVector up = FUp.GetAsVector();
    const TVector axis = Axis == X ? Cross(direction, up) : Axis == Y ? up : direction;
    TMatrix rotation;
    CreateRotationMatrix(axis, DegToRad(angles[Axis] - AValue), rotation);
    TVector turned;
    VectorTransform(up, rotation, turned);
    FUp.SetDirectVector(Normalized(turned));
    VectorTransform(direction, rotation, turned);
    FDirection.SetDirectVector(Normalized(turned));
    TransformationChanged();
  }
  angles[Axis] = NormalizeDegAngle(AValue);
  FRotation.SetDirectVector(angles);
}

void TGLBaseSceneObject::Roll(float Angle) {
  {
    TGuard guard(FIsCalculating);
    const TAffineVector axis = FDirection.GetAsAffineVector();
    const float radians = DegToRad(Angle);
    TVector up = FUp.GetAsVector();
    TVector direction = FDirection.GetAsVector();
    RotateVector(up, axis, radians);
    RotateVector(direction, axis, radians);
    FUp.SetDirectVector(Normalized(up));
    FDirection.SetDirectVector(Normalized(direction));
    const TVector s = Cross(FDirection.GetAsVector(), FUp.GetAsVector());
    float roll = -RadToDeg(ArcTan2(s[Y], std::sqrt(s[X] * s[X] + s[Z] * s[Z])));
    if (s[X] < 0) roll = s[Y] < 0 ? 180 - roll : -180 - roll;
    TVector angles = FRotation.GetAsVector();
    angles[Z] = roll;
    FRotation.SetDirectVector(angles);
  }
  TransformationChanged();
}

TVector TGLBaseSceneObject::SideVector() const {
  return Cross(FUp.GetAsVector(), FDirection.GetAsVector());
}

TVector TGLBaseSceneObject::ReverseSideVector() const {
  return Cross(FDirection.GetAsVector(), FUp.GetAsVector());
}

template <class T>
void TGLBaseSceneObject::StoreAndNotify(T& Field, T AValue) {
  if (StoreIfChanged(Field, AValue)) NotifyChange(this);
}

void TGLBaseSceneObject::SetShowAxes(bool AValue) {
  StoreAndNotify(FShowAxes, AValue);
}

void TGLBaseSceneObject::SetObjectsSorting(TGLObjectsSorting AValue) {
  StoreAndNotify(FObjectsSorting, AValue);
}

void TGLBaseSceneObject::SetVisibilityCulling(TGLVisibilityCulling AValue) {
  StoreAndNotify(FVisibilityCulling, AValue);
}

void TGLBaseSceneObject::SetVisible(bool AValue) {
  StoreAndNotify(FVisible, AValue);
}

// ---- Matrices

const TMatrix& TGLBaseSceneObject::RebuildMatrix() {
  if (FChangeFlags & chLocalDirty) {
    const TVector& scale = FScale.GetAsVector();
    VectorScale(SideVector(), scale[X], FLocalMatrix[X]);
    VectorScale(FUp.GetAsVector(), scale[Y], FLocalMatrix[Y]);
    VectorScale(FDirection.GetAsVector(), scale[Z], FLocalMatrix[Z]);
    FLocalMatrix[X][W] = FLocalMatrix[Y][W] = FLocalMatrix[Z][W] = 0;
    FLocalMatrix[W] = FPosition.GetAsVector();
    FLocalMatrix[W][W] = 1;
    FChangeFlags = (FChangeFlags & ~chLocalDirty) | chAbsoluteDirty | chInverseDirty;
  }
  return FLocalMatrix;
}

void TGLBaseSceneObject::LoadLocalMatrix(const TMatrix& M) {
  FLocalMatrix = M;
  FDirection.SetDirectVector(Normalized(M[Z]));
  FUp.SetDirectVector(Normalized(M[Y]));
  FScale.SetDirectVector(
      {VectorLength(M[X]), VectorLength(M[Y]), VectorLength(M[Z]), FScale.GetW()});
  FPosition.SetDirectVector(M[W]);
  TransformationChanged();
}

std::array<TMatrix, 2>& TGLBaseSceneObject::AbsoluteBlock() {
  if (!FAbsoluteMatrices)
    FAbsoluteMatrices = std::make_unique<std::array<TMatrix, 2>>(
        std::array<TMatrix, 2>{IdentityHmgMatrix, IdentityHmgMatrix});
  return *FAbsoluteMatrices;
}

bool TGLBaseSceneObject::IsSceneRoot() const {
  return dynamic_cast<const TGLSceneRootObject*>(this) != nullptr;
}

// A scene's root stands for the identity: its own placement reaches neither its children's
// matrices nor any query that goes through its own, as it reaches nothing that is drawn.
const TMatrix& TGLBaseSceneObject::AbsoluteMatrix() {
  std::array<TMatrix, 2>& block = AbsoluteBlock();
  if (FChangeFlags & chAbsoluteDirty) {
    const TMatrix& local = RebuildMatrix();
    if (IsSceneRoot())
      block[0] = IdentityHmgMatrix;
    else if (FParent)
      MatrixMultiply(local, FParent->AbsoluteMatrix(), block[0]);
    else
      block[0] = local;
    FChangeFlags = (FChangeFlags & ~chAbsoluteDirty) | chInverseDirty;
  }
  return block[0];
}

const TMatrix& TGLBaseSceneObject::InverseAbsoluteMatrix() {
  std::array<TMatrix, 2>& block = AbsoluteBlock();
  if (FChangeFlags & chInverseDirty) {
    if (IsSceneRoot()) {
      block[1] = IdentityHmgMatrix;
    } else if (VectorEquals(FScale.GetAsVector(), TVector{1, 1, 1, 0})) {
      TMatrix invertedLocal;
      AnglePreservingMatrixInvert(RebuildMatrix(), invertedLocal);
      if (FParent)
        MatrixMultiply(FParent->InverseAbsoluteMatrix(), invertedLocal, block[1]);
      else
        block[1] = invertedLocal;
    } else {
      block[1] = AbsoluteMatrix();
      InvertMatrix(block[1]);
    }
    FChangeFlags &= ~chInverseDirty;
  }
  return block[1];
}

TVector TGLBaseSceneObject::AbsolutePosition() {
  TVector result = AbsoluteMatrix()[W];
  result[W] = 1;
  return result;
}

TVector TGLBaseSceneObject::AbsoluteDirection() {
  return Normalized(AbsoluteMatrix()[Z]);
}

TVector TGLBaseSceneObject::AbsoluteUp() {
  return Normalized(AbsoluteMatrix()[Y]);
}

TVector TGLBaseSceneObject::LocalToAbsolute(const TVector& V) {
  TVector result;
  VectorTransform(V, AbsoluteMatrix(), result);
  return result;
}

TVector TGLBaseSceneObject::AbsoluteToLocal(const TVector& V) {
  TVector result;
  VectorTransform(V, InverseAbsoluteMatrix(), result);
  return result;
}

// ---- Change notices

void TGLBaseSceneObject::TransformationChanged() {
  if (FChangeFlags & chLocalDirty) return;
  FChangeFlags |= chLocalDirty;
  MarkAbsoluteDirty();
  if (!IsLoading()) NotifyChange(this);
}

void TGLBaseSceneObject::MarkAbsoluteDirty() {
  constexpr TGLNodeChangeFlags both = chAbsoluteDirty | chInverseDirty;
  if ((FChangeFlags & both) == both) return;
  FChangeFlags |= both;
  for (int i = 0; i < Count(); ++i) GetChild(i)->MarkAbsoluteDirty();
}

void TGLBaseSceneObject::StructureChanged() {
  if (!(FChangeFlags & chListDirty)) {
    FChangeFlags |= chListDirty;
    NotifyChange(this);
  } else if (FStyleFlags & osBuildEveryFrame) {
    NotifyChange(this);
  }
}

void TGLBaseSceneObject::NotifyChange(TObject*) {
  if (FScene && !UpdatesSuspended()) FScene->NotifyChange(this);
}

bool TGLBaseSceneObject::UpdatesSuspended() const {
  return FUpdateCount != 0 || (ComponentState() & csReading) != 0;
}

void TGLBaseSceneObject::BeginUpdate() {
  ++FUpdateCount;
}

void TGLBaseSceneObject::EndUpdate() {
  Assert(FUpdateCount >= 1, "Unbalanced Begin/EndUpdate");
  if (--FUpdateCount == 0) NotifyChange(this);
}

void TGLBaseSceneObject::CoordinateChanged(TGLCoordinates* Sender) {
  if (FIsCalculating) return;
  {
    TGuard guard(FIsCalculating);
    if (Sender == &FDirection) {
      if (FDirection.VectorLength() == 0) FDirection.SetDirectVector({0, 0, 1, 0});
      FDirection.SetDirectVector(Normalized(FDirection.GetAsVector()));
      const TVector s = SideOf(FDirection.GetAsVector(), FUp.GetAsVector());
      FUp.SetDirectVector(Normalized(Cross(s, FDirection.GetAsVector())));
    } else if (Sender == &FUp) {
      if (FUp.VectorLength() == 0) FUp.SetDirectVector({0, 1, 0, 0});
      FUp.SetDirectVector(Normalized(FUp.GetAsVector()));
      const TVector s = SideOf(FDirection.GetAsVector(), FUp.GetAsVector());
      FDirection.SetDirectVector(Normalized(Cross(FUp.GetAsVector(), s)));
    }
    TransformationChanged();
  }
}

// ---- Copy, clock, collections

bool TGLBaseSceneObject::AssignSourceAccepted(TPersistent* Source) const {
  auto* source = dynamic_cast<TGLBaseSceneObject*>(Source);
  if (source == this) return false;
  // A descendant would be freed on the way, an ancestor would copy its own copies without end.
  Assert(!source || (!Contains(source) && !source->Contains(this)),
         "A scene object cannot be assigned from its own subtree or ancestors");
  return true;
}

void TGLBaseSceneObject::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  auto* source = dynamic_cast<TGLBaseSceneObject*>(Source);
  if (!source) {
    inherited::Assign(Source);
    return;
  }
  ReleaseDisplayLists();
  SetVisible(source->FVisible);
  LoadLocalMatrix(source->RebuildMatrix());
  FShowAxes = source->FShowAxes;
  FObjectsSorting = source->FObjectsSorting;
  FVisibilityCulling = source->FVisibilityCulling;
  FRotation.Assign(&source->FRotation);
  DeleteChildren();
  // The node stays in its own parent's scene: a node's scene is always its parent's.
  if (FScene) FScene->BeginUpdate();
  try {
    for (int i = 0; i < source->Count(); ++i) {
      TGLBaseSceneObject* original = source->GetChild(i);
      AddNewChild(original->ClassType())->Assign(original);
    }
  } catch (...) {
    if (FScene) FScene->EndUpdate();
    throw;
  }
  if (FScene) FScene->EndUpdate();
  OnProgress = source->OnProgress;
  if (source->FBehaviours)
    GetBehaviours()->Assign(source->FBehaviours.get());
  else
    FBehaviours.reset();
  if (source->FEffects)
    GetEffects()->Assign(source->FEffects.get());
  else
    FEffects.reset();
  SetTag(source->GetTag());
  FTagFloat = source->FTagFloat;
}

void TGLBaseSceneObject::DoProgress(const TGLProgressTimes& ProgressTime) {
  for (int i = Count() - 1; i >= 0; --i)
    if (i < Count()) GetChild(i)->DoProgress(ProgressTime);
  if (FBehaviours) FBehaviours->DoProgress(ProgressTime);
  if (FEffects) FEffects->DoProgress(ProgressTime);
  if (OnProgress) OnProgress(this, ProgressTime.deltaTime, ProgressTime.newTime);
}

TGLBehaviours* TGLBaseSceneObject::GetBehaviours() {
  if (!FBehaviours) FBehaviours = std::make_unique<TGLBehaviours>(this);
  return FBehaviours.get();
}

void TGLBaseSceneObject::SetBehaviours(TGLBehaviours* AValue) {
  GetBehaviours()->Assign(AValue);
}

TGLObjectEffects* TGLBaseSceneObject::GetEffects() {
  if (!FEffects) FEffects = std::make_unique<TGLObjectEffects>(this);
  return FEffects.get();
}

void TGLBaseSceneObject::SetEffects(TGLObjectEffects* AValue) {
  GetEffects()->Assign(AValue);
}

// ---- Layout streaming

namespace {

// A collection's stream inside a binary property, in the layout codec of the class library.
// "BehavioursData" and "EffectsData" hold the collection's filer values in the component
// stream's binary encoding.
void WriteCollection(TXCollection& collection, TStream& stream) {
  TWriter writer(stream, feBinary);
  collection.WriteToFiler(writer);
}

void ReadCollection(TXCollection& collection, TStream& stream) {
  TReader reader(stream, feBinary);
  collection.ReadFromFiler(reader);
}

}  // namespace

void TGLBaseSceneObject::DefineProperties(TFiler& Filer) {
  inherited::DefineProperties(Filer);
  Filer.DefineBinaryProperty(
      "BehavioursData", [this](TStream& stream) { ReadCollection(*GetBehaviours(), stream); },
      [this](TStream& stream) { WriteCollection(*FBehaviours, stream); },
      FBehaviours && FBehaviours->Count() > 0);
  Filer.DefineBinaryProperty(
      "EffectsData", [this](TStream& stream) { ReadCollection(*GetEffects(), stream); },
      [this](TStream& stream) { WriteCollection(*FEffects, stream); },
      FEffects && FEffects->Count() > 0);
}

void TGLBaseSceneObject::Loaded() {
  inherited::Loaded();
  TVector position = FPosition.GetAsVector();
  position[W] = 1;
  FPosition.SetDirectVector(position);
  // The coordinates were read raw, without notices: a matrix built meanwhile is stale.
  TransformationChanged();
  if (FBehaviours) FBehaviours->Loaded();
  if (FEffects) FEffects->Loaded();
}

void TGLBaseSceneObject::GetChildren(const TGetChildProc& Proc, TComponent*) {
  for (int i = 0; i < Count(); ++i) Proc(GetChild(i));
}

void TGLBaseSceneObject::SetParentComponent(TComponent* Value) {
  if (auto* scene = dynamic_cast<TGLSceneGraph*>(Value)) {
    const bool camera = InheritsFrom(TGLCamera::StaticClass());
    MoveTo(camera ? scene->GetCameras() : scene->GetObjects());
  } else {
    MoveTo(dynamic_cast<TGLBaseSceneObject*>(Value));
  }
}

// ---- Geometry queries

TVector TGLBaseSceneObject::BarycenterAbsolutePosition() {
  return AbsolutePosition();
}

TVector TGLBaseSceneObject::AxisAlignedDimensionsUnscaled() {
  return {0.5f, 0.5f, 0.5f, 0};
}

TVector TGLBaseSceneObject::AxisAlignedDimensions() {
  TVector dimensions = AxisAlignedDimensionsUnscaled();
  const TVector& scale = FScale.GetAsVector();
  for (int i : {X, Y, Z}) dimensions[i] *= scale[i];
  return dimensions;
}

TAABB TGLBaseSceneObject::AxisAlignedBoundingBoxUnscaled() {
  TAABB box;
  SetAABB(box, AxisAlignedDimensionsUnscaled());
  for (int i = 0; i < Count(); ++i) {
    TGLBaseSceneObject* child = GetChild(i);
    TAABB childBox = child->AxisAlignedBoundingBoxUnscaled();
    AABBTransform(childBox, child->RebuildMatrix());
    AddAABB(box, childBox);
  }
  return box;
}

TAABB TGLBaseSceneObject::AxisAlignedBoundingBox() {
  TAABB box = AxisAlignedBoundingBoxUnscaled();
  AABBScale(box, FScale.GetAsAffineVector());
  return box;
}

float TGLBaseSceneObject::BoundingSphereRadius() {
  return VectorLength(AxisAlignedDimensions());
}

float TGLBaseSceneObject::BoundingSphereRadiusUnscaled() {
  return VectorLength(AxisAlignedDimensionsUnscaled());
}

float TGLBaseSceneObject::BarycenterSqrDistanceTo(const TVector& Point) {
  return VectorDistance2(AffineVectorMake(BarycenterAbsolutePosition()), AffineVectorMake(Point));
}

bool TGLBaseSceneObject::PointInObject(const TVector& Point) {
  const TVector d = AxisAlignedDimensions();
  TVector local;
  VectorTransform(Point, InverseAbsoluteMatrix(), local);
  const TVector& scale = FScale.GetAsVector();
  for (int i : {X, Y, Z})
    if (std::fabs(local[i] * scale[i]) > d[i]) return false;
  return true;
}

bool TGLBaseSceneObject::RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                                          TVector* IntersectPoint, TVector* IntersectNormal) {
  const TVector origin = AbsolutePosition();
  TVector first, second;
  if (RayCastSphereIntersect(RayStart, RayVector, origin, BoundingSphereRadius(), first, second) <
      1)
    return false;
  if (IntersectPoint) *IntersectPoint = first;
  if (IntersectNormal) *IntersectNormal = Normalized(VectorSubtract(first, origin));
  return true;
}

std::unique_ptr<TGLSilhouette> TGLBaseSceneObject::GenerateSilhouette(
    const TSilhouetteRequest& Request) {
  float radius = BoundingSphereRadiusUnscaled();
  switch (Request.Projection) {
    case spPoint:
      radius = SphereVisibleRadius(VectorLength(Request.ViewPoint), radius);
      break;
    case spParallel:
      break;
    default:
      Assert(false);
  }
  TAffineVector x = VectorCrossProduct(Request.ViewPoint, TAffineVector{1, 0, 0});
  if (VectorLength(x) < 0.001f) x = VectorCrossProduct(Request.ViewPoint, TAffineVector{0, 1, 0});
  TAffineVector y = VectorCrossProduct(Request.ViewPoint, x);
  NormalizeVector(x);
  NormalizeVector(y);

  // 21 steps of this angle make a full turn; the outline stays just inside the visible radius.
  constexpr int cSegments = 21;
  constexpr float cStep = 0.2991993f;
  const float r = 0.98f * radius;
  auto silhouette = std::make_unique<TGLSilhouette>();
  for (int i = 0; i < cSegments; ++i) {
    float s, k;
    SinCos(i * cStep, r, s, k);
    TAffineVector vertex;
    VectorCombine(x, y, s, k, vertex);
    silhouette->Vertices().AddPoint(vertex);
    silhouette->Indices().Add(i, (i + 1) % cSegments);
    if (Request.WithCaps) silhouette->CapIndices().Add(cSegments, i, (i + 1) % cSegments);
  }
  if (Request.WithCaps) silhouette->Vertices().Add(NullHmgPoint);
  return silhouette;
}

void TGLBaseSceneObject::MoveObjectAround(TGLBaseSceneObject* AnObject, float PitchDelta,
                                          float TurnDelta) {
  if (!AnObject) return;
  const TVector target = AnObject->AbsolutePosition();
  const TVector position = AbsolutePosition();
  const TVector offset = VectorSubtract(position, target);
  const float distance = VectorLength(offset);
  // At the target there is no direction to orbit along.
  if (distance == 0) return;
  const TVector n = Normalized(offset);
  const TVector up = AbsoluteUp();
  TVector side = Cross(up, n);
  if (VectorLength(side) < 0.001f)
    side = {1, 0, 0, 0};
  else
    NormalizeVector(side);
  // Rounding can put the cosine of a node straight above the target just beyond 1.
  float polar = ArcCos(ClampValue(VectorDotProduct(up, n), -1, 1));
  polar = ClampValue(polar + DegToRad(PitchDelta), 0.025f, 3.1165926f);
  TVector moved = up;
  RotateVector(moved, AffineVectorMake(side), -polar);
  RotateVector(moved, AffineVectorMake(up), -DegToRad(TurnDelta));
  ScaleVector(moved, distance);
  TVector absolute;
  VectorAdd(position, VectorSubtract(moved, offset), absolute);
  absolute[W] = 1;
  FPosition.SetAsVector(FParent ? FParent->AbsoluteToLocal(absolute) : absolute);
}
