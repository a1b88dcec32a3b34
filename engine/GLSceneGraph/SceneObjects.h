#pragma once
// The small node classes the rest of the engine builds on: nodes with a material (applied or
// not), nodes drawn relative to the camera, nodes drawn by a user event or by registered
// callbacks, and the proxy that draws another node again at its own place.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/GLMaterial.h"
#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"

// A node with a material: the base of every visible object. The material is applied around the
// node's own drawing, and the drawing repeated while the material asks for another pass.
class TGLCustomSceneObject : public TGLBaseSceneObject {
  RTL_CLASS(TGLCustomSceneObject, TGLBaseSceneObject)
  explicit TGLCustomSceneObject(TComponent* AOwner);
  ~TGLCustomSceneObject() override;

  TGLMaterial* GetMaterial() const { return const_cast<TGLMaterial*>(&FMaterial); }
  // Copied in, then a repaint.
  void SetMaterial(TGLMaterial* AValue);
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& AValue) { FHint = AValue; }

  // From another such node the material and the hint; then the node's own state.
  void Assign(TPersistent* Source) override;
  // The material's blending.
  bool Blended() override;
  // The display list, then the material's textures.
  void DestroyHandle() override;
  void DoRender(TRenderContextInfo& rci, bool ARenderSelf, bool ARenderChildren) override;

 protected:
  void Loaded() override;

 private:
  TGLMaterial FMaterial;
  std::string FHint;
};

// A node with a published material.
class TGLSceneObject : public TGLCustomSceneObject {
  RTL_CLASS(TGLSceneObject, TGLCustomSceneObject)
  static const TPropertyTable& Published();
  using TGLCustomSceneObject::TGLCustomSceneObject;
};

// A node that owns a material but draws without applying it: the base of lines and grids,
// which colour themselves.
class TGLImmaterialSceneObject : public TGLCustomSceneObject {
  RTL_CLASS(TGLImmaterialSceneObject, TGLCustomSceneObject)
  static const TPropertyTable& Published();
  using TGLCustomSceneObject::TGLCustomSceneObject;
  void DoRender(TRenderContextInfo& rci, bool ARenderSelf, bool ARenderChildren) override;
};

enum TGLCameraInvarianceMode : uint8_t { cimNone, cimPosition, cimOrientation };

// A node drawn relative to the eye, whatever its parents' placement: with cimPosition its origin
// follows the eye and it turns with the world; with cimOrientation it keeps its place on screen.
class TGLCameraInvariantObject : public TGLImmaterialSceneObject {
  RTL_CLASS(TGLCameraInvariantObject, TGLImmaterialSceneObject)
  using TGLImmaterialSceneObject::TGLImmaterialSceneObject;

  TGLCameraInvarianceMode GetCamInvarianceMode() const { return FCamInvarianceMode; }
  // A repaint on a change.
  void SetCamInvarianceMode(TGLCameraInvarianceMode AValue);

  void Assign(TPersistent* Source) override;
  // Outside cimNone the node and its subtree are drawn under a modelview of their own, which
  // the buffer holds for the nodes below while they draw. Both are popped also when drawing
  // raises.
  void DoRender(TRenderContextInfo& rci, bool ARenderSelf, bool ARenderChildren) override;

 private:
  TGLCameraInvarianceMode FCamInvarianceMode = cimNone;
};

// A node drawn by its OnRender event, at every frame, or once into the display list with
// UseBuildList.
class TGLDirectOpenGL : public TGLImmaterialSceneObject {
  RTL_CLASS(TGLDirectOpenGL, TGLImmaterialSceneObject)
  static const TPropertyTable& Published();
  explicit TGLDirectOpenGL(TComponent* AOwner);

  bool GetUseBuildList() const { return FUseBuildList; }
  // Chooses between the display list and a call at every frame; the list is not rebuilt.
  void SetUseBuildList(bool AValue);
  bool GetBlend() const { return FBlend; }
  void SetBlend(bool AValue);
  bool Blended() override { return FBlend; }

  // The event, with the texture coordinates going to the main texture unit.
  void BuildList(TRenderContextInfo& rci) override;
  void Assign(TPersistent* Source) override;

  TDirectRenderEvent OnRender;

 private:
  bool FUseBuildList = false;
  bool FBlend = false;
};

using TGLRenderPointEvent = std::function<void(TObject* Sender, TRenderContextInfo& rci)>;
using TGLRenderPointReleaseEvent = std::function<void(TObject* Sender)>;

// A node that calls the render callbacks registered with it, at every frame.
class TGLRenderPoint : public TGLImmaterialSceneObject {
  RTL_CLASS(TGLRenderPoint, TGLImmaterialSceneObject)
  explicit TGLRenderPoint(TComponent* AOwner);
  // Releases every pair first.
  ~TGLRenderPoint() override;

  // The release callback is called when the pair is dropped.
  void RegisterCallBack(TGLRenderPointEvent RenderEvent, TGLRenderPointReleaseEvent ReleaseEvent);
  // The render callbacks, first to last.
  void BuildList(TRenderContextInfo& rci) override;
  // Drops the pairs from the last, calling each release callback.
  void Clear();
  int CallBackCount() const { return int(FCallBacks.size()); }

 private:
  std::vector<TGLRenderPointEvent> FCallBacks;
  std::vector<TGLRenderPointReleaseEvent> FFreeCallBacks;
};

enum TGLProxyObjectOption : uint8_t {
  pooEffects = 1 << 0,
  pooObjects = 1 << 1,
  pooTransformation = 1 << 2,
};
using TGLProxyObjectOptions = uint8_t;
constexpr TGLProxyObjectOptions cDefaultProxyOptions = pooEffects | pooObjects | pooTransformation;

// A node that draws its master again at its own place, with its own children; it has no
// geometry of its own. A proxy reached again while it draws (through its own master) does
// nothing.
class TGLProxyObject : public TGLBaseSceneObject {
  RTL_CLASS(TGLProxyObject, TGLBaseSceneObject)
  static const TPropertyTable& Published();
  explicit TGLProxyObject(TComponent* AOwner);
  ~TGLProxyObject() override;

  TGLBaseSceneObject* GetMasterObject() const { return FMasterObject; }
  // Not owned; cleared when the master is freed.
  virtual void SetMasterObject(TGLBaseSceneObject* AValue);
  TGLProxyObjectOptions GetProxyOptions() const { return FProxyOptions; }
  void SetProxyOptions(TGLProxyObjectOptions AValue);

  // From another proxy the master (not the options); then the node's own state.
  void Assign(TPersistent* Source) override;
  // The master's, or the unit cube without one.
  TVector AxisAlignedDimensionsUnscaled() override;
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteRequest& Request) override;
  void DoRender(TRenderContextInfo& rci, bool ARenderSelf, bool ARenderChildren) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TGLBaseSceneObject* FMasterObject = nullptr;
  TGLProxyObjectOptions FProxyOptions = cDefaultProxyOptions;
  bool FRendering = false;  // the guard against drawing itself through its master
};
