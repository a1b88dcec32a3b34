#include "engine/GLSceneGraph/Camera.h"

#include <algorithm>
#include <cmath>

#include "platform/gl/OpenGL.h"

const TPropertyTable& TGLCamera::Published() {
  using C = TGLCamera;
  static const TPropertyTable table =
      TPropertyTable::Extend<C>(TGLBaseSceneObject::Published())
          .Float("FocalLength", &C::GetFocalLength, &C::SetFocalLength)
          .Float("DepthOfView", &C::GetDepthOfView, &C::SetDepthOfView)
          .Enumeration(
              "CameraStyle", &C::GetCameraStyle, &C::SetCameraStyle,
              {"csPerspective", "csOrthogonal", "csOrtho2D", "csCustom", "csInfinitePerspective"},
              Default(csPerspective))
          .Float("SceneScale", &C::GetSceneScale, &C::SetSceneScale, Default(1.0f))
          .Float("NearPlaneBias", &C::GetNearPlaneBias, &C::SetNearPlaneBias, Default(1.0f))
          .Component("TargetObject", &C::GetTargetObject, &C::SetTargetObject)
          .Event("OnCustomPerspective", &C::OnCustomPerspective)
          .Object("Position", &TGLBaseSceneObject::GetPosition)
          .Object("Direction", &TGLBaseSceneObject::GetDirection)
          .Object("Up", &TGLBaseSceneObject::GetUp)
          .template Event<TGLProgressEvent>("OnProgress", &TGLBaseSceneObject::OnProgress);
  return table;
}

TGLCamera::TGLCamera(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {
  GetDirection()->Initialize({0, 0, -1, 0});
}

TGLCamera::~TGLCamera() {
  SetTargetObject(nullptr);
}

namespace {
// The rule of the focal length, the bias and the scale: a value that no projection can be built
// from is refused.
bool Usable(float AValue) {
  return std::isfinite(AValue) || AValue == -INFINITY;
}
}  // namespace

void TGLCamera::SetFocalLength(float AValue) {
  if (!Usable(AValue)) return;
  if (AValue <= 0) AValue = 1;
  if (AValue == FFocalLength) return;
  FFocalLength = AValue;
  if (!IsLoading()) TransformationChanged();
}

void TGLCamera::SetDepthOfView(float AValue) {
  if (!(AValue > 0) || !std::isfinite(AValue) || AValue == FDepthOfView) return;
  FDepthOfView = AValue;
  if (!IsLoading()) TransformationChanged();
}

void TGLCamera::SetNearPlaneBias(float AValue) {
  if (!Usable(AValue)) return;
  if (AValue <= 0) AValue = 1;
  if (AValue == FNearPlaneBias) return;
  FNearPlaneBias = AValue;
  NotifyChange(this);
}

void TGLCamera::SetSceneScale(float AValue) {
  if (!std::isfinite(AValue)) return;
  if (AValue == 0) AValue = 1;
  if (AValue == FSceneScale) return;
  FSceneScale = AValue;
  NotifyChange(this);
}

void TGLCamera::SetCameraStyle(TGLCameraStyle AValue) {
  if (AValue == FCameraStyle) return;
  FCameraStyle = AValue;
  NotifyChange(this);
}

void TGLCamera::SetTargetObject(TGLBaseSceneObject* AValue) {
  if (AValue == FTargetObject) return;
  if (FTargetObject) FTargetObject->RemoveFreeNotification(this);
  FTargetObject = AValue;
  if (FTargetObject) FTargetObject->FreeNotification(this);
  if (!IsLoading()) TransformationChanged();
}

void TGLCamera::Notification(TComponent* AComponent, TOperation Operation) {
  // The target is half gone when this is called: only its address is used.
  if (Operation == opRemove && AComponent == FTargetObject) SetTargetObject(nullptr);
  inherited::Notification(AComponent, Operation);
}

void TGLCamera::ApplyPerspective(const TRectangle& Viewport, int Width, int Height, int DPI) {
  if (Width <= 0 || Height <= 0) return;
  const double width = Width, height = Height;
  switch (FCameraStyle) {
    case csOrtho2D:
      gluOrtho2D(0, width, 0, height);
      FNearPlane = -1;
      FViewPortRadius = float(std::sqrt(width * width + height * height) / 2);
      return;
    case csCustom:
      FViewPortRadius = float(std::sqrt(width * width + height * height) / 2);
      if (OnCustomPerspective) OnCustomPerspective(Viewport, Width, Height, DPI, FViewPortRadius);
      return;
    case csPerspective:
    case csOrthogonal:
    case csInfinitePerspective:
      break;
    default:
      Assert(false);
  }
  const double maxDim = std::max(width, height);
  double kx = double(FNearPlaneBias) / (width * FSceneScale);
  double ky = double(FNearPlaneBias) / (height * FSceneScale);
  if (FCameraStyle == csOrthogonal) {
    kx *= 100.0 / FFocalLength;
    ky *= 100.0 / FFocalLength;
  }
  const double right = width * (2.0 * (Viewport.Left + Viewport.Width) - width) * kx / (2 * maxDim);
  const double left = -width * (width - 2.0 * Viewport.Left) * kx / (2 * maxDim);
  const double top = height * (2.0 * (Viewport.Top + Viewport.Height) - height) * ky / (2 * maxDim);
  const double bottom = -height * (height - 2.0 * Viewport.Top) * ky / (2 * maxDim);
  FNearPlane = float(DPI * double(FFocalLength) * 2 / (25.4 * maxDim) * FNearPlaneBias);
  const double nearPlane = FNearPlane;
  const double farPlane = nearPlane + FDepthOfView;
  switch (FCameraStyle) {
    case csPerspective:
      glFrustum(left, right, bottom, top, nearPlane, farPlane);
      break;
    case csOrthogonal:
      glOrtho(left, right, bottom, top, nearPlane, farPlane);
      break;
    default: {
      // A far plane at infinity: e keeps the depth of the farthest points just below 1.
      constexpr float e = 1e-4f;
      TMatrix m = IdentityHmgMatrix;
      m[0][0] = float(2 * nearPlane / (right - left));
      m[1][1] = float(2 * nearPlane / (top - bottom));
      m[2][0] = float((right + left) / (right - left));
      m[2][1] = float((top + bottom) / (top - bottom));
      m[2][2] = e - 1;
      m[2][3] = -1;
      m[3][2] = float((e - 2) * nearPlane);
      m[3][3] = 0;
      glMultMatrixf(m[0].data());
    }
  }
  FViewPortRadius = float(std::sqrt(right * right + top * top) / FNearPlane);
}

void TGLCamera::Apply() {
  if (OnApplyOverride) {
    OnApplyOverride(this);
    return;
  }
  const TVector eye = AbsolutePosition();
  TVector centre, up;
  const TVector toTarget =
      FTargetObject ? VectorSubtract(FTargetObject->AbsolutePosition(), eye) : TVector{};
  if (FTargetObject && !VectorIsNull(toTarget)) {
    VectorNormalize(toTarget, FLastDirection);
    centre = FTargetObject->AbsolutePosition();
    up = GetUp()->GetAsVector();
  } else if (FTargetObject && !VectorIsNull(FLastDirection)) {
    // On its target the camera has no direction to the target: it keeps the view it had.
    VectorAdd(eye, FLastDirection, centre);
    up = GetUp()->GetAsVector();
  } else {
    const TMatrix& parent = GetParent() ? GetParent()->AbsoluteMatrix() : IdentityHmgMatrix;
    VectorTransform(GetDirection()->GetAsVector(), parent, FLastDirection);
    VectorTransform(GetUp()->GetAsVector(), parent, up);
    VectorAdd(eye, FLastDirection, centre);
  }
  gluLookAt(eye[X], eye[Y], eye[Z], centre[X], centre[Y], centre[Z], up[X], up[Y], up[Z]);
  ClearListDirty();
}

void TGLCamera::MoveAroundTarget(float PitchDelta, float TurnDelta) {
  MoveObjectAround(FTargetObject, PitchDelta, TurnDelta);
}

void TGLCamera::AdjustDistanceToTarget(float DistanceRatio) {
  if (!FTargetObject) return;
  const TVector p = AbsolutePosition();
  TVector v;
  VectorCombine(p, VectorSubtract(p, FTargetObject->AbsolutePosition()), DistanceRatio - 1, v);
  if (GetParent()) v = GetParent()->AbsoluteToLocal(v);
  GetPosition()->SetAsVector(v);
}

float TGLCamera::GetFieldOfView(float ViewportDimension) const {
  if (FFocalLength == 0) return 0;
  return RadToDeg(2 * ArcTan2(ViewportDimension * 0.5f, FFocalLength));
}

void TGLCamera::SetFieldOfView(float FieldOfView, float ViewportDimension) {
  SetFocalLength(float(ViewportDimension / (2 * Tan(DegToRad(FieldOfView / 2.0L)))));
}

void TGLCamera::DoRender(TRenderContextInfo& rci, bool, bool renderChildren) {
  if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
}

bool TGLCamera::RayCastIntersect(const TVector&, const TVector&, TVector*, TVector*) {
  return false;
}
