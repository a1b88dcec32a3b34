#include "engine/GLSceneGraph/Scene.h"

#include <algorithm>

#include "engine/GLSceneGraph/Behaviours.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "engine/GLSceneGraph/OffscreenViewers.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/GLState.h"
#include "engine/GLTexture.h"
#include "platform/gl/OpenGL.h"

namespace {

TGLSceneGraph* SceneOwner(TComponent* AOwner) {
  auto* scene = dynamic_cast<TGLSceneGraph*>(AOwner);
  Assert(scene != nullptr);
  return scene;
}

}  // namespace

TGLSceneRootObject::TGLSceneRootObject(TComponent* AOwner)
    : TGLBaseSceneObject(SceneOwner(AOwner)) {
  SetStyleFlags(osBuildEveryFrame);
  FScene = static_cast<TGLSceneGraph*>(AOwner);
}

// ---- The scene

const TPropertyTable& TGLSceneGraph::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLSceneGraph>(inherited::Published())
          .Enumeration("ObjectsSorting", &TGLSceneGraph::GetObjectsSorting,
                       &TGLSceneGraph::SetObjectsSorting,
                       {"osInherited", "osNone", "osRenderFarthestFirst", "osRenderBlendedLast",
                        "osRenderNearestFirst"},
                       Default(osRenderBlendedLast))
          .Enumeration("VisibilityCulling", &TGLSceneGraph::GetVisibilityCulling,
                       &TGLSceneGraph::SetVisibilityCulling,
                       {"vcInherited", "vcNone", "vcObjectBased", "vcHierarchical"},
                       Default(vcNone))
          .Event("OnProgress", &TGLSceneGraph::OnProgress);
  return table;
}

TGLSceneGraph::TGLSceneGraph(TComponent* AOwner) : inherited(AOwner) {
  FObjects = new TGLSceneRootObject(this);
  FObjects->SetName("ObjectRoot");
  FCameras = new TGLSceneRootObject(this);
  FCameras->SetName("CameraRoot");
  FLights.SetCount(cMaxSceneLights);
}

TGLSceneGraph::~TGLSceneGraph() {
  Destroying();
  // The buffers still showing the scene look through cameras that go with it: they let go of
  // them, and so of the scene, before anything is freed.
  while (FBuffers) {
    auto* buffer = static_cast<TGLSceneBuffer*>(FBuffers->Get(FBuffers->Count() - 1));
    buffer->SetCamera(nullptr);
    RemoveBuffer(buffer);
  }
  FObjects->ReleaseDisplayLists();
  // The lights still in the trees give up their slots as they go, so the list outlives them.
  delete FCameras;
  delete FObjects;
}

// ---- Update counting and notices

void TGLSceneGraph::BeginUpdate() {
  ++FUpdateCount;
}

void TGLSceneGraph::EndUpdate() {
  Assert(FUpdateCount >= 1);
  if (--FUpdateCount == 0) NotifyChange(this);
}

bool TGLSceneGraph::IsUpdating() const {
  return FUpdateCount != 0 || (ComponentState() & (csLoading | csDestroying)) != 0;
}

void TGLSceneGraph::NotifyChange(TObject*) {
  if (IsUpdating() || !FBuffers) return;
  // A buffer may leave the scene while it is told.
  for (int i = 0; FBuffers && i < FBuffers->Count(); ++i)
    static_cast<TGLSceneBuffer*>(FBuffers->Get(i))->NotifyChange(this);
}

void TGLSceneGraph::SetObjectsSorting(TGLObjectsSorting AValue) {
  if (FObjectsSorting == AValue) return;
  FObjectsSorting = AValue == osInherited ? osRenderBlendedLast : AValue;
  NotifyChange(this);
}

void TGLSceneGraph::SetVisibilityCulling(TGLVisibilityCulling AValue) {
  if (FVisibilityCulling == AValue) return;
  FVisibilityCulling = AValue == vcInherited ? vcNone : AValue;
  NotifyChange(this);
}

// ---- Lights

void TGLSceneGraph::AddLight(TGLLightSource* ALight) {
  // A light in two slots would keep the second after it leaves.
  if (FLights.IndexOf(ALight) >= 0) return;
  for (int i = 0; i < cMaxSceneLights; ++i) {
    if (FLights.Get(i) == nullptr) {
      FLights.Put(i, ALight);
      ALight->SetLightID(GL_LIGHT0 + i);
      return;
    }
  }
}

void TGLSceneGraph::RemoveLight(TGLLightSource* ALight) {
  const int i = FLights.IndexOf(ALight);
  if (i >= 0) FLights.Put(i, nullptr);
}

void TGLSceneGraph::AddLights(TGLBaseSceneObject* AnObj) {
  if (auto* light = dynamic_cast<TGLLightSource*>(AnObj)) AddLight(light);
  for (int i = 0; i < AnObj->Count(); ++i) AddLights(AnObj->GetChild(i));
}

void TGLSceneGraph::RemoveLights(TGLBaseSceneObject* AnObj) {
  // By identity, not by class: a light being destroyed is no longer a light to a type test.
  const int i = FLights.IndexOf(AnObj);
  if (i >= 0) FLights.Put(i, nullptr);
  for (int j = 0; j < AnObj->Count(); ++j) RemoveLights(AnObj->GetChild(j));
}

void TGLSceneGraph::SetupLights(int MaxLights) {
  const int lightCount = std::min(cMaxSceneLights, MaxLights);
  glPushMatrix();
  for (int i = 0; i < lightCount; ++i) {
    auto* light = static_cast<TGLLightSource*>(FLights.Get(i));
    if (!light) {
      glDisable(GL_LIGHT0 + i);
    } else if (!light->GetShining()) {
      glDisable(light->GetLightID());
    } else {
      glEnable(light->GetLightID());
      // Each light starts from the camera's modelview.
      glPopMatrix();
      glPushMatrix();
      light->SetupLight();
    }
  }
  glPopMatrix();
  for (int i = lightCount; i < MaxLights; ++i) glDisable(GL_LIGHT0 + i);
}

// ---- Buffers

void TGLSceneGraph::AddBuffer(TGLSceneBuffer* ABuffer) {
  if (!FBuffers) FBuffers = std::make_unique<TPersistentObjectList>();
  if (FBuffers->IndexOf(ABuffer) >= 0) return;
  FBuffers->Add(ABuffer);
  if (!FBaseContext)
    FBaseContext = static_cast<TGLSceneBuffer*>(FBuffers->Get(0))->GetRenderingContext();
  if (FBuffers->Count() > 1 && FBaseContext)
    FBaseContext->ShareLists(ABuffer->GetRenderingContext());
}

void TGLSceneGraph::RemoveBuffer(TGLSceneBuffer* ABuffer) {
  if (!FBuffers || FBuffers->IndexOf(ABuffer) < 0) return;
  if (FBuffers->Count() == 1) {
    FBuffers.reset();
    FBaseContext = nullptr;
  } else {
    FBuffers->Remove(ABuffer);
    FBaseContext = static_cast<TGLSceneBuffer*>(FBuffers->Get(0))->GetRenderingContext();
  }
}

// ---- Rendering and queries

void TGLSceneGraph::RenderScene(TGLSceneBuffer* ABuffer, int ViewportSizeX, int ViewportSizeY,
                                TGLDrawState DrawState, TGLBaseSceneObject* BaseObject) {
  ABuffer->GetAfterRenderEffects().clear();
  FCurrentBuffer = ABuffer;

  TRenderContextInfo rci;
  rci.scene = this;
  rci.buffer = ABuffer;
  rci.objectsSorting = FObjectsSorting;
  rci.visibilityCulling = FVisibilityCulling;
  rci.bufferFaceCull = ABuffer->GetFaceCulling();
  rci.drawState = DrawState;
  rci.sceneAmbientColor = ABuffer->GetAmbientColor()->GetColor();
  rci.cameraPosition = ABuffer->GetCameraAbsolutePosition();
  if (TGLCamera* camera = ABuffer->GetCamera()) {
    VectorNormalize(camera->GetLastDirection(), rci.cameraDirection);
    TVector side, up;
    VectorCrossProduct(rci.cameraDirection, camera->GetUp()->GetAsVector(), side);
    VectorCrossProduct(side, rci.cameraDirection, up);
    VectorNormalize(up, rci.cameraUp);
    rci.clipping.viewportRadius = camera->GetViewPortRadius();
    rci.clipping.farClippingDistance = camera->GetNearPlane() + camera->GetDepthOfView();
  }
  rci.clipping.origin = rci.cameraPosition;
  rci.clipping.clippingDirection = rci.cameraDirection;
  TMatrix modelView, projection;
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView[0].data());
  glGetFloatv(GL_PROJECTION_MATRIX, projection[0].data());
  ExtractFrustumFromModelViewProjection(MatrixMultiply(modelView, projection),
                                        rci.clipping.frustum);
  rci.viewportSize[0] = ViewportSizeX;
  rci.viewportSize[1] = ViewportSizeY;
  rci.renderDPI = ABuffer->GetRenderDPI();
  rci.modelViewMatrix = &ABuffer->GetModelViewMatrix();
  rci.stateCache = ABuffer->GetStateCache();

  rci.stateCache->ResetAll();
  rci.proxySubObject = false;
  rci.ignoreMaterials =
      HasContextOption(ABuffer->GetContextOptions(), roNoColorBuffer) || DrawState == dsPicking;
  const GLboolean colorWrite = rci.ignoreMaterials ? GL_FALSE : GL_TRUE;
  glColorMask(colorWrite, colorWrite, colorWrite, colorWrite);
  if (ABuffer->InitiateRendering) ABuffer->InitiateRendering(ABuffer, rci);

  if (BaseObject)
    BaseObject->Render(rci);
  else
    FObjects->Render(rci);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  std::vector<TGLObjectEffect*>& afterRender = ABuffer->GetAfterRenderEffects();
  for (size_t i = 0; i < afterRender.size(); ++i) afterRender[i]->Render(ABuffer, rci);

  if (ABuffer->WrapUpRendering) ABuffer->WrapUpRendering(ABuffer, rci);
  rci.stateCache->Disable(gsBlend);
  rci.stateCache->Disable(gsTexture2D);
  rci.stateCache->Disable(gsTextureRectangle);
  rci.stateCache->Enable(gsAlphaTest);
  glAlphaFunc(GL_GREATER, 0);
}

namespace {

// Depth first in child order, an invisible object hiding its subtree; the first of equally near
// hits stays.
void RayCastSubtree(TGLBaseSceneObject* AParent, const TVector& RayStart, const TVector& RayVector,
                    float& BestDistance2, TGLBaseSceneObject*& Best, TVector* IntersectPoint,
                    TVector* IntersectNormal) {
  for (int i = 0; i < AParent->Count(); ++i) {
    TGLBaseSceneObject* object = AParent->GetChild(i);
    if (!object->GetVisible()) continue;
    TVector point, normal;
    if (object->RayCastIntersect(RayStart, RayVector, &point, &normal)) {
      const float distance2 = VectorDistance2(AffineVectorMake(RayStart), AffineVectorMake(point));
      if (distance2 < BestDistance2) {
        BestDistance2 = distance2;
        Best = object;
        if (IntersectPoint) *IntersectPoint = point;
        if (IntersectNormal) *IntersectNormal = normal;
      }
    }
    RayCastSubtree(object, RayStart, RayVector, BestDistance2, Best, IntersectPoint,
                   IntersectNormal);
  }
}

}  // namespace

TGLBaseSceneObject* TGLSceneGraph::RayCastIntersect(const TVector& RayStart,
                                                    const TVector& RayVector,
                                                    TVector* IntersectPoint,
                                                    TVector* IntersectNormal) {
  float bestDistance2 = 1e20f;
  TGLBaseSceneObject* best = nullptr;
  RayCastSubtree(FObjects, RayStart, RayVector, bestDistance2, best, IntersectPoint,
                 IntersectNormal);
  return best;
}

// ---- Layout streaming

void TGLSceneGraph::GetChildren(const TGetChildProc& Proc, TComponent*) {
  for (TGLSceneRootObject* root : {FObjects, FCameras})
    for (int i = 0; i < root->Count(); ++i) Proc(root->GetChild(i));
}

void TGLSceneGraph::SetChildOrder(TComponent* Child, int Order) {
  if (auto* object = dynamic_cast<TGLBaseSceneObject*>(Child)) object->MoveToIndex(Order);
}

void TGLSceneGraph::ReadState(TReader& Reader) {
  TComponent* const savedRoot = Reader.Root();
  if (Owner()) Reader.SetRoot(Owner());
  try {
    inherited::ReadState(Reader);
  } catch (...) {
    Reader.SetRoot(savedRoot);
    throw;
  }
  Reader.SetRoot(savedRoot);
}

void RegisterGLSceneGraph() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  RegisterClasses({TGLLightSource::StaticClass(), TGLCamera::StaticClass(),
                   TGLProxyObject::StaticClass(), TGLSceneGraph::StaticClass(),
                   TGLDirectOpenGL::StaticClass(), TGLRenderPoint::StaticClass(),
                   TGLMemoryViewer::StaticClass()});
}
