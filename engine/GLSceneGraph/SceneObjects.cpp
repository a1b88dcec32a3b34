#include "engine/GLSceneGraph/SceneObjects.h"

#include "engine/GLSceneGraph/Behaviours.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLSceneGraph/Traversal.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/SysUtils.h"

// ---- TGLCustomSceneObject

TGLCustomSceneObject::TGLCustomSceneObject(TComponent* AOwner)
    : TGLBaseSceneObject(AOwner), FMaterial(this) {}

TGLCustomSceneObject::~TGLCustomSceneObject() = default;

void TGLCustomSceneObject::SetMaterial(TGLMaterial* AValue) {
  FMaterial.Assign(AValue);
  NotifyChange(this);
}

void TGLCustomSceneObject::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLCustomSceneObject*>(Source)) {
    FMaterial.Assign(&source->FMaterial);
    FHint = source->FHint;
  }
  TGLBaseSceneObject::Assign(Source);
}

bool TGLCustomSceneObject::Blended() {
  return FMaterial.Blended();
}

void TGLCustomSceneObject::DestroyHandle() {
  TGLBaseSceneObject::DestroyHandle();
  FMaterial.DestroyHandles();
}

void TGLCustomSceneObject::Loaded() {
  TGLBaseSceneObject::Loaded();
  FMaterial.Loaded();
}

void TGLCustomSceneObject::DoRender(TRenderContextInfo& rci, bool ARenderSelf,
                                    bool ARenderChildren) {
  if (ARenderSelf) {
    if (rci.ignoreMaterials) {
      TGLBaseSceneObject::DoRender(rci, true, false);
    } else {
      FMaterial.Apply(rci);
      do {
        try {
          TGLBaseSceneObject::DoRender(rci, true, false);
        } catch (...) {
          // A drawing that raises still ends every pass its material began, or a shader stays
          // mid-pass and refuses the next frame.
          while (FMaterial.UnApply(rci)) {
          }
          throw;
        }
      } while (FMaterial.UnApply(rci));
    }
  }
  if (ARenderChildren) TGLBaseSceneObject::DoRender(rci, false, true);
}

// ---- TGLSceneObject, TGLImmaterialSceneObject

const TPropertyTable& TGLSceneObject::Published() {
  using D = TGLSceneObject;
  static const TPropertyTable table = [] {
    auto builder = TPropertyTable::Extend<D>(TGLCustomSceneObject::Published());
    builder.Object("Material", &D::GetMaterial);
    return TPropertyTable(PublishNodeProperties(builder).String("Hint", &D::GetHint, &D::SetHint));
  }();
  return table;
}

const TPropertyTable& TGLImmaterialSceneObject::Published() {
  using D = TGLImmaterialSceneObject;
  static const TPropertyTable table = [] {
    auto builder = TPropertyTable::Extend<D>(TGLCustomSceneObject::Published());
    return TPropertyTable(PublishNodeProperties(builder).String("Hint", &D::GetHint, &D::SetHint));
  }();
  return table;
}

void TGLImmaterialSceneObject::DoRender(TRenderContextInfo& rci, bool ARenderSelf,
                                        bool ARenderChildren) {
  TGLBaseSceneObject::DoRender(rci, ARenderSelf, ARenderChildren);
}

// ---- TGLCameraInvariantObject

void TGLCameraInvariantObject::SetCamInvarianceMode(TGLCameraInvarianceMode AValue) {
  if (AValue == FCamInvarianceMode) return;
  FCamInvarianceMode = AValue;
  NotifyChange(this);
}

void TGLCameraInvariantObject::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLCameraInvariantObject*>(Source))
    FCamInvarianceMode = source->FCamInvarianceMode;
  TGLImmaterialSceneObject::Assign(Source);
}

void TGLCameraInvariantObject::DoRender(TRenderContextInfo& rci, bool ARenderSelf,
                                        bool ARenderChildren) {
  if (FCamInvarianceMode == cimNone) {
    TGLImmaterialSceneObject::DoRender(rci, ARenderSelf, ARenderChildren);
    return;
  }
  Assert(FCamInvarianceMode == cimPosition || FCamInvarianceMode == cimOrientation);
  TGLSceneBuffer* buffer = GetScene() != nullptr ? GetScene()->GetCurrentBuffer() : nullptr;
  Assert(buffer != nullptr, "A camera-invariant object renders only in a scene's pass");
  glPushMatrix();
  WithCleanup(
      [&] {
        if (FCamInvarianceMode == cimPosition) {
          glLoadMatrixf(buffer->GetModelViewMatrix()[0].data());
          glTranslatef(rci.cameraPosition[X], rci.cameraPosition[Y], rci.cameraPosition[Z]);
        } else {
          glLoadIdentity();
          glScalef(1, -1, -1);
        }
        glMultMatrixf(RebuildMatrix()[0].data());
        TMatrix modelView;
        glGetFloatv(GL_MODELVIEW_MATRIX, modelView[0].data());
        buffer->PushModelViewMatrix(modelView);
        WithCleanup([&] { TGLBaseSceneObject::DoRender(rci, ARenderSelf, ARenderChildren); },
                    [&] { buffer->PopModelViewMatrix(); });
      },
      [] { glPopMatrix(); });
}

// ---- TGLDirectOpenGL

TGLDirectOpenGL::TGLDirectOpenGL(TComponent* AOwner) : TGLImmaterialSceneObject(AOwner) {
  SetStyleFlags(GetStyleFlags() | osBuildEveryFrame | osResetStates);
}

const TPropertyTable& TGLDirectOpenGL::Published() {
  using D = TGLDirectOpenGL;
  static const TPropertyTable table =
      TPropertyTable::Extend<D>(TGLImmaterialSceneObject::Published())
          .Boolean("UseBuildList", &D::GetUseBuildList, &D::SetUseBuildList, Default(false))
          .Event("OnRender", &D::OnRender)
          .Boolean("Blend", &D::GetBlend, &D::SetBlend, Default(false));
  return table;
}

void TGLDirectOpenGL::SetUseBuildList(bool AValue) {
  if (AValue == FUseBuildList) return;
  FUseBuildList = AValue;
  if (AValue)
    SetStyleFlags(GetStyleFlags() & ~osBuildEveryFrame);
  else
    SetStyleFlags(GetStyleFlags() | osBuildEveryFrame);
}

void TGLDirectOpenGL::SetBlend(bool AValue) {
  if (AValue == FBlend) return;
  FBlend = AValue;
  StructureChanged();
}

void TGLDirectOpenGL::BuildList(TRenderContextInfo& rci) {
  if (!OnRender) return;
  MapTexCoordToMain();
  OnRender(this, rci);
}

void TGLDirectOpenGL::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLDirectOpenGL*>(Source)) {
    SetUseBuildList(source->FUseBuildList);
    OnRender = source->OnRender;
    OnProgress = source->OnProgress;
    FBlend = source->FBlend;
  }
  TGLImmaterialSceneObject::Assign(Source);
}

// ---- TGLRenderPoint

TGLRenderPoint::TGLRenderPoint(TComponent* AOwner) : TGLImmaterialSceneObject(AOwner) {
  SetStyleFlags(GetStyleFlags() | osBuildEveryFrame | osResetStates);
}

TGLRenderPoint::~TGLRenderPoint() {
  Clear();
}

void TGLRenderPoint::RegisterCallBack(TGLRenderPointEvent RenderEvent,
                                      TGLRenderPointReleaseEvent ReleaseEvent) {
  FCallBacks.push_back(std::move(RenderEvent));
  FFreeCallBacks.push_back(std::move(ReleaseEvent));
}

void TGLRenderPoint::BuildList(TRenderContextInfo& rci) {
  for (const TGLRenderPointEvent& callBack : FCallBacks)
    if (callBack) callBack(this, rci);
}

void TGLRenderPoint::Clear() {
  while (!FCallBacks.empty()) {
    // Dropped before the release callback runs, which may register or clear again.
    TGLRenderPointReleaseEvent release = std::move(FFreeCallBacks.back());
    FCallBacks.pop_back();
    FFreeCallBacks.pop_back();
    if (release) release(this);
  }
}

// ---- TGLProxyObject

TGLProxyObject::TGLProxyObject(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {
  SetStyleFlags(GetStyleFlags() | osResetStates);
}

TGLProxyObject::~TGLProxyObject() {
  SetMasterObject(nullptr);
}

const TPropertyTable& TGLProxyObject::Published() {
  using D = TGLProxyObject;
  static const TPropertyTable table = [] {
    auto builder = TPropertyTable::Extend<D>(TGLBaseSceneObject::Published());
    builder.Component("MasterObject", &D::GetMasterObject, &D::SetMasterObject)
        .Set("ProxyOptions", &D::GetProxyOptions, &D::SetProxyOptions,
             {"pooEffects", "pooObjects", "pooTransformation"}, Default(cDefaultProxyOptions));
    return TPropertyTable(PublishNodeProperties(builder));
  }();
  return table;
}

void TGLProxyObject::SetMasterObject(TGLBaseSceneObject* AValue) {
  if (AValue == FMasterObject) return;
  // A chain of masters back to this proxy would make its every query endless.
  for (TGLBaseSceneObject* master = AValue; master != nullptr;) {
    Assert(master != this, "A proxy cannot be its own master, directly or through other proxies");
    auto* proxy = dynamic_cast<TGLProxyObject*>(master);
    master = proxy ? proxy->FMasterObject : nullptr;
  }
  if (FMasterObject != nullptr) RemoveFreeNotification(FMasterObject);
  FMasterObject = AValue;
  if (FMasterObject != nullptr) FreeNotification(FMasterObject);
  StructureChanged();
}

void TGLProxyObject::SetProxyOptions(TGLProxyObjectOptions AValue) {
  if (AValue == FProxyOptions) return;
  FProxyOptions = AValue;
  StructureChanged();
}

void TGLProxyObject::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr && AComponent == FMasterObject)
    SetMasterObject(nullptr);
  TGLBaseSceneObject::Notification(AComponent, Operation);
}

void TGLProxyObject::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLProxyObject*>(Source)) SetMasterObject(source->FMasterObject);
  TGLBaseSceneObject::Assign(Source);
}

TVector TGLProxyObject::AxisAlignedDimensionsUnscaled() {
  if (FMasterObject != nullptr) return FMasterObject->AxisAlignedDimensionsUnscaled();
  return TGLBaseSceneObject::AxisAlignedDimensionsUnscaled();
}

std::unique_ptr<TGLSilhouette> TGLProxyObject::GenerateSilhouette(
    const TSilhouetteRequest& Request) {
  if (FMasterObject == nullptr) return nullptr;
  return FMasterObject->GenerateSilhouette(Request);
}

bool TGLProxyObject::RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                                      TVector* IntersectPoint, TVector* IntersectNormal) {
  if (FMasterObject == nullptr) return false;
  // The ray is carried from this node's place to the master's, and the hit back.
  const TVector localStart = AbsoluteToLocal(RayStart);
  const TVector localVector = AbsoluteToLocal(RayVector);
  const TVector masterStart = FMasterObject->LocalToAbsolute(localStart);
  TVector masterVector = FMasterObject->LocalToAbsolute(localVector);
  NormalizeVector(masterVector);
  TVector point, normal;
  if (!FMasterObject->RayCastIntersect(masterStart, masterVector, &point, &normal)) return false;
  if (IntersectNormal != nullptr)
    *IntersectNormal = LocalToAbsolute(FMasterObject->AbsoluteToLocal(normal));
  if (IntersectPoint != nullptr)
    *IntersectPoint = LocalToAbsolute(FMasterObject->AbsoluteToLocal(point));
  return true;
}

void TGLProxyObject::DoRender(TRenderContextInfo& rci, bool ARenderSelf, bool ARenderChildren) {
  if (FRendering) return;
  FRendering = true;
  WithCleanup(
      [&] {
        TGLBaseSceneObject* master = FMasterObject;
        const bool masterEffects = master != nullptr && (FProxyOptions & pooEffects) != 0 &&
                                   master->GetEffects()->Count() > 0;
        if (master != nullptr && (FProxyOptions & pooObjects) != 0) {
          const bool oldProxySubObject = rci.proxySubObject;
          rci.proxySubObject = true;
          // The master's transform is for the master's drawing only: this node's own children
          // are placed in this node's frame, where their absolute matrices put them.
          glPushMatrix();
          WithCleanup(
              [&] {
                if ((FProxyOptions & pooTransformation) != 0)
                  glMultMatrixf(master->RebuildMatrix()[0].data());
                master->DoRender(rci, ARenderSelf, master->Count() > 0);
              },
              [&] {
                glPopMatrix();
                rci.proxySubObject = oldProxySubObject;
              });
        }
        if (ARenderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
        if (masterEffects) {
          TGLSceneBuffer* buffer = GetScene() != nullptr ? GetScene()->GetCurrentBuffer() : nullptr;
          master->GetEffects()->RenderPostEffects(buffer, rci);
        }
      },
      [&] { FRendering = false; });
  ClearListDirty();
}
