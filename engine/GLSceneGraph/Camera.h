#pragma once
// The scene node a buffer looks through: the projection it loads for a viewport, the viewing
// transform it loads each frame, and the moves that orbit it about its target or bring it nearer.

#include <cstdint>
#include <functional>

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "engine/base/VectorGeometry.h"

enum TGLCameraStyle : uint8_t {
  csPerspective,
  csOrthogonal,
  csOrtho2D,
  csCustom,
  csInfinitePerspective
};

// The viewport a buffer renders into, in pixels.
struct TRectangle {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

// Sets the projection of a csCustom camera itself; may change the viewport radius.
using TOnCustomPerspective = std::function<void(const TRectangle& viewport, int width, int height,
                                                int DPI, float& viewPortRadius)>;

class TGLCamera : public TGLBaseSceneObject {
  RTL_CLASS(TGLCamera, TGLBaseSceneObject)
  static const TPropertyTable& Published();

  // Looks down -Z with Up +Y: focal length 50, depth of view 100, perspective.
  explicit TGLCamera(TComponent* AOwner);
  ~TGLCamera() override;

  // Millimetres of a 35-mm lens. A value of 0 or less becomes 1; NaN and +infinity are refused,
  // since the projection could not be built from them.
  float GetFocalLength() const { return FFocalLength; }
  void SetFocalLength(float AValue);
  // From the near plane to the far plane. Refused unless above 0 and finite: far must lie
  // beyond near.
  float GetDepthOfView() const { return FDepthOfView; }
  void SetDepthOfView(float AValue);
  // The near plane multiplier, under the focal length's rule.
  float GetNearPlaneBias() const { return FNearPlaneBias; }
  void SetNearPlaneBias(float AValue);
  // 0 becomes 1; NaN and infinities are refused.
  float GetSceneScale() const { return FSceneScale; }
  void SetSceneScale(float AValue);
  TGLCameraStyle GetCameraStyle() const { return FCameraStyle; }
  void SetCameraStyle(TGLCameraStyle AValue);
  // Not owned; cleared when it is freed.
  TGLBaseSceneObject* GetTargetObject() const { return FTargetObject; }
  void SetTargetObject(TGLBaseSceneObject* AValue);

  // Results of the latest ApplyPerspective and Apply, for the buffer's frame set-up.
  float GetNearPlane() const { return FNearPlane; }
  float GetViewPortRadius() const { return FViewPortRadius; }
  const TVector& GetLastDirection() const { return FLastDirection; }

  // Multiplies the current (projection) matrix by the camera's projection for the viewport;
  // nothing unless Width and Height are above 0.
  void ApplyPerspective(const TRectangle& Viewport, int Width, int Height, int DPI);
  // Loads the viewing transform into the current (modelview) matrix.
  void Apply();

  // Orbits about the target by degrees, keeping the distance; nothing without a target.
  void MoveAroundTarget(float PitchDelta, float TurnDelta);
  // Puts the camera at target + (camera - target) * DistanceRatio; nothing without a target.
  void AdjustDistanceToTarget(float DistanceRatio);
  // Degrees seen across ViewportDimension pixels.
  float GetFieldOfView(float ViewportDimension) const;
  // Through SetFocalLength, so a field of view that gives no usable focal length is refused.
  void SetFieldOfView(float FieldOfView, float ViewportDimension);

  // When assigned, replaces the whole of Apply; nothing in the program installs one.
  TNotifyEvent OnApplyOverride;
  TOnCustomPerspective OnCustomPerspective;

  void DoRender(TRenderContextInfo& rci, bool RenderSelf, bool RenderChildren) override;
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  float FFocalLength = 50;
  float FDepthOfView = 100;
  float FNearPlane = 0;
  float FNearPlaneBias = 1;
  float FViewPortRadius = 0;
  TGLBaseSceneObject* FTargetObject = nullptr;
  TVector FLastDirection{};
  TGLCameraStyle FCameraStyle = csPerspective;
  float FSceneScale = 1;
};
