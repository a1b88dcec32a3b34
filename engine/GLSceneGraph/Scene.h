#pragma once
// The scene component: the tree of scene objects and the tree of cameras, the eight light slots,
// and the scene buffers that show the scene. It passes every change of the scene on to those
// buffers, loads the OpenGL lights, and renders the scene for a buffer in one pass.

#include <cstdint>
#include <memory>

#include "engine/GLContext.h"
#include "engine/GLMisc.h"
#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "engine/base/PersistentClasses.h"

class TGLSceneGraph;
class TGLSceneBuffer;
class TGLCamera;
class TGLLightSource;

// One of the two roots of a scene. Its own placement counts for nothing: its absolute matrix is
// the identity, for its children's matrices, every query through it and drawing alike.
class TGLSceneRootObject : public TGLBaseSceneObject {
  RTL_CLASS(TGLSceneRootObject, TGLBaseSceneObject)
  // The owner must be a scene (assertion); the root belongs to it.
  explicit TGLSceneRootObject(TComponent* AOwner);
};

// The number of light slots of a scene, whatever the OpenGL implementation offers.
constexpr int cMaxSceneLights = 8;

class TGLSceneGraph : public TGLUpdateAbleComponent {
  RTL_CLASS(TGLSceneGraph, TGLUpdateAbleComponent)
  static const TPropertyTable& Published();

  explicit TGLSceneGraph(TComponent* AOwner);
  // The object and camera trees go before the light list, so that the lights leaving them find
  // their slots.
  ~TGLSceneGraph() override;

  TGLSceneRootObject* GetObjects() const { return FObjects; }
  TGLSceneRootObject* GetCameras() const { return FCameras; }

  // ---- Update counting and notices

  void BeginUpdate();
  // Without a matching BeginUpdate, the plain assertion failure ("Assertion failure" with this
  // file and line); the count stays.
  void EndUpdate();
  // Also while the scene is being read or destroyed.
  bool IsUpdating() const;
  // Every buffer of the scene hears of it, in list order, unless updating.
  void NotifyChange(TObject* Sender) override;

  TGLObjectsSorting GetObjectsSorting() const { return FObjectsSorting; }
  // osInherited stores osRenderBlendedLast.
  void SetObjectsSorting(TGLObjectsSorting AValue);
  TGLVisibilityCulling GetVisibilityCulling() const { return FVisibilityCulling; }
  // vcInherited stores vcNone.
  void SetVisibilityCulling(TGLVisibilityCulling AValue);
  TGLProgressEvent OnProgress;

  // ---- Lights

  // The first free slot, its number becoming the light's GL_LIGHTi; none free: never lit.
  void AddLight(TGLLightSource* ALight);
  void RemoveLight(TGLLightSource* ALight);
  // The same for every light of the subtree, the object included.
  void AddLights(TGLBaseSceneObject* AnObj);
  void RemoveLights(TGLBaseSceneObject* AnObj);
  // Exactly eight slots, each a light or nil.
  const TPersistentObjectList& GetLights() const { return FLights; }
  // Loads the shining lights into OpenGL and disables the other light numbers up to MaxLights
  // (GL_MAX_LIGHTS). Under the camera's modelview.
  void SetupLights(int MaxLights);

  // ---- Buffers

  // The first buffer's context is the base the later ones share display lists with.
  void AddBuffer(TGLSceneBuffer* ABuffer);
  void RemoveBuffer(TGLSceneBuffer* ABuffer);
  // nil while no buffer shows the scene.
  const TPersistentObjectList* GetBuffers() const { return FBuffers.get(); }
  TGLContext* GetBaseContext() const { return FBaseContext; }
  TGLCamera* GetCurrentGLCamera() const { return FCurrentGLCamera; }
  void SetCurrentGLCamera(TGLCamera* ACamera) { FCurrentGLCamera = ACamera; }
  TGLSceneBuffer* GetCurrentBuffer() const { return FCurrentBuffer; }

  // ---- Rendering and queries

  // One pass for the buffer, whose camera is applied: BaseObject's subtree, or the objects root.
  void RenderScene(TGLSceneBuffer* ABuffer, int ViewportSizeX, int ViewportSizeY,
                   TGLDrawState DrawState, TGLBaseSceneObject* BaseObject);
  // The nearest visible object hit, nil for none; the outputs are written only on a hit.
  virtual TGLBaseSceneObject* RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                                               TVector* IntersectPoint = nullptr,
                                               TVector* IntersectNormal = nullptr);

  // ---- Layout streaming

  // The objects' children first, then the cameras'.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void SetChildOrder(TComponent* Child, int Order);
  // Reads with the reader's root set to the scene's owner for the time of it.
  void ReadState(TReader& Reader) override;

 private:
  int32_t FUpdateCount = 0;
  TGLSceneRootObject* FObjects = nullptr;  // owned
  TGLSceneRootObject* FCameras = nullptr;  // owned
  TGLContext* FBaseContext = nullptr;
  TPersistentObjectList FLights;
  std::unique_ptr<TPersistentObjectList> FBuffers;
  TGLCamera* FCurrentGLCamera = nullptr;
  TGLSceneBuffer* FCurrentBuffer = nullptr;
  TGLObjectsSorting FObjectsSorting = osRenderBlendedLast;
  TGLVisibilityCulling FVisibilityCulling = vcNone;
};

// Registers the unit's classes for layout streaming; called once by the start-up routine.
void RegisterGLSceneGraph();
