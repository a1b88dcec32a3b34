#pragma once
// The engine's change-notification backbone: sub-objects that tell their owner when they change,
// components that pass the news on up to one that acts on it, and the notifying four-float
// coordinates of positions, directions, up vectors and scales.

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/base/VectorGeometry.h"
#include "platform/rtl/Classes.h"

enum TGLObjectsSorting {
  osInherited,
  osNone,
  osRenderFarthestFirst,
  osRenderBlendedLast,
  osRenderNearestFirst
};
enum TGLVisibilityCulling { vcInherited, vcNone, vcObjectBased, vcHierarchical };

struct TGLProgressTimes {
  double deltaTime, newTime;
};
using TGLProgressEvent = std::function<void(TObject* Sender, double deltaTime, double newTime)>;

class TGLUpdateAbleComponent;

class TGLUpdateAbleObject : public TPersistent {
  RTL_CLASS(TGLUpdateAbleObject, TPersistent)
  using TCreateArg = TPersistent*;
  explicit TGLUpdateAbleObject(TPersistent* AOwner) : FOwner(AOwner) {}

  // Unless updating or without an owner: tells the owner (an update-able object or component),
  // naming itself as the sender, then fires OnNotifyChange.
  virtual void NotifyChange(TObject* Sender);
  TPersistent* GetOwner() const override { return FOwner; }
  // While more begins than ends have been made no notice is sent.
  void BeginUpdate() { ++FUpdating; }
  void EndUpdate() { --FUpdating; }
  int32_t GetUpdating() const { return FUpdating; }

  TNotifyEvent OnNotifyChange;

 private:
  TPersistent* FOwner;
  int32_t FUpdating = 0;
};

class TGLCadenceAbleComponent : public TComponent {
  RTL_CLASS(TGLCadenceAbleComponent, TComponent)
  using TComponent::TComponent;
  virtual void DoProgress(const TGLProgressTimes&) {}
};

class TGLUpdateAbleComponent : public TGLCadenceAbleComponent {
  RTL_CLASS(TGLUpdateAbleComponent, TGLCadenceAbleComponent)
  using TGLCadenceAbleComponent::TGLCadenceAbleComponent;
  // Passes the notice to an update-able owner, naming this component as the sender.
  virtual void NotifyChange(TObject* Sender);
};

class TGLCoordinates;

class TGLCoordinatesUpdateAbleComponent : public TGLUpdateAbleComponent {
  RTL_CLASS(TGLCoordinatesUpdateAbleComponent, TGLUpdateAbleComponent)
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  virtual void CoordinateChanged(TGLCoordinates* Sender) = 0;
};

enum TGLCoordinatesKind : uint8_t { ckPoint, ckVector, ckFree };

// Nothing in the system turns this on; when on, coordinates remember their initial value and a
// layout stores them only when they differ from it.
extern bool vKeepDefaultCoordinates;

class TGLCoordinates : public TGLUpdateAbleObject {
  RTL_CLASS(TGLCoordinates, TGLUpdateAbleObject)
  static const TPropertyTable& Published();
  // A plain creation gives (0, 0, 0, 0) of kind ckPoint.
  explicit TGLCoordinates(TPersistent* AOwner) : TGLUpdateAbleObject(AOwner) {}
  // The value is stored as given: its w is not made to fit the kind.
  TGLCoordinates(TPersistent* AOwner, const TVector& AValue, TGLCoordinatesKind AKind);

  // Copies the value without a notice.
  void Initialize(const TVector& AValue);
  // From other coordinates the four floats, whatever the kinds, without a notice.
  void Assign(TPersistent* Source) override;
  // An owner that takes coordinates is told through CoordinateChanged alone, even while
  // updating; any other owner as an update-able object is.
  void NotifyChange(TObject* Sender) override;

  TGLCoordinatesKind GetKind() const { return FKind; }
  const TVector& GetAsVector() const { return FCoords; }
  // w follows the kind: 1 for a point, 0 for a vector, as given when free.
  void SetAsVector(const TVector& AValue);
  TAffineVector GetAsAffineVector() const { return AffineVectorMake(FCoords); }
  float* AsAddress() { return FCoords.data(); }
  // An assertion failure on a point.
  void SetVector(float x, float y, float z);
  void SetVector(float x, float y, float z, float w);
  // An assertion failure on a vector.
  void SetPoint(float x, float y, float z);
  // For owners that update their own coordinates: no notice, no kind rule.
  void SetDirectVector(const TVector& AValue) { FCoords = AValue; }
  // No kind rule: writing w can take a point off w = 1.
  void SetCoordinate(int Index, float AValue);
  float GetX() const { return FCoords[0]; }
  float GetY() const { return FCoords[1]; }
  float GetZ() const { return FCoords[2]; }
  float GetW() const { return FCoords[3]; }
  void SetX(float AValue) { SetCoordinate(0, AValue); }
  void SetY(float AValue) { SetCoordinate(1, AValue); }
  void SetZ(float AValue) { SetCoordinate(2, AValue); }
  void SetW(float AValue) { SetCoordinate(3, AValue); }

  // Around the axis by the angle in radians.
  void Rotate(const TAffineVector& AnAxis, float AnAngle);
  // Makes x, y, z unit length and w 0, whatever the kind.
  void Normalize();
  float VectorLength() const;
  // Bitwise, all four floats.
  bool Equals(const TVector& AVector) const;

 protected:
  // "Coordinates": the four floats as 16 little-endian bytes; read back raw, without a notice.
  void DefineProperties(TFiler& Filer) override;

 private:
  TVector FCoords{};
  TGLCoordinatesKind FKind = ckPoint;
  std::unique_ptr<TVector> FPDefaultCoords;
};

// Coordinates that publish W as an ordinary float property too.
class TGLCoordinates4 : public TGLCoordinates {
  RTL_CLASS(TGLCoordinates4, TGLCoordinates)
  static const TPropertyTable& Published();
  using TGLCoordinates::TGLCoordinates;
};
