#pragma once
// The engine's change-notification backbone: sub-objects that tell their owner when they change,
// components that pass the news on up to one that acts on it, and the notifying four-float
// coordinates of positions, directions, up vectors and scales. Also the engine's lists of 3D
// control points, which lines and polygons publish and draw through.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/base/Spline.h"
#include "engine/base/VectorGeometry.h"
#include "platform/rtl/Classes.h"

enum TGLObjectsSorting : int {
  osInherited,
  osNone,
  osRenderFarthestFirst,
  osRenderBlendedLast,
  osRenderNearestFirst
};
enum TGLVisibilityCulling : int { vcInherited, vcNone, vcObjectBased, vcHierarchical };

struct TGLProgressTimes {
  double deltaTime, newTime;
};
using TGLProgressEvent = std::function<void(TObject* Sender, double deltaTime, double newTime)>;

class TGLUpdateAbleComponent;

// The setters' one pattern: an equal value changes nothing; true when the value was stored.
template <class T>
bool StoreIfChanged(T& Field, T AValue) {
  if (Field == AValue) return false;
  Field = AValue;
  return true;
}

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

// One control point: x, y, z published (each written only when not 0), w kept at 0.
class TGLNode : public TCollectionItem {
  RTL_CLASS(TGLNode, TCollectionItem)
  static const TPropertyTable& Published();
  explicit TGLNode(TCollection* ACollection) : TCollectionItem(ACollection) {}

  // From another node all four floats, without a notice.
  void Assign(TPersistent* Source) override;
  // "x; y; z" with four decimals, in the regional format.
  std::string GetDisplayName() const override;

  float* AsAddress() { return FCoords.data(); }
  const TVector& GetAsVector() const { return FCoords; }
  TAffineVector GetAsAffineVector() const { return AffineVectorMake(FCoords); }
  float GetX() const { return FCoords[0]; }
  float GetY() const { return FCoords[1]; }
  float GetZ() const { return FCoords[2]; }
  void SetX(float AValue) { SetCoordinate(0, AValue); }
  void SetY(float AValue) { SetCoordinate(1, AValue); }
  void SetZ(float AValue) { SetCoordinate(2, AValue); }
  // Stores the component and tells the node collection. A node of any other collection raises
  // EInvalidCast and keeps its value.
  void SetCoordinate(int Index, float AValue);
  bool StoreCoordinate(int Index) const { return FCoords[Index] != 0; }

 private:
  TVector FCoords{};
};

// The control points of a line or polygon, owned by the object that publishes them.
class TGLNodes : public TOwnedCollection {
  RTL_CLASS(TGLNodes, TOwnedCollection)
  // Items of AItemClass, a TGLNode descendant; nil gives TGLNode.
  explicit TGLNodes(TPersistent* AOwner, TClass AItemClass = nullptr);

  TGLNode* Add() { return static_cast<TGLNode*>(TCollection::Add()); }
  // EListError out of range.
  TGLNode* GetItems(int Index) const { return static_cast<TGLNode*>(GetItem(Index)); }

  // Unless updating, an update-able owner is told, the collection naming itself. The
  // collection's own EndUpdate tells it once when the count returns to 0.
  virtual void NotifyChange();

  // The unit normal of the plane through the first three nodes, (p1 - p0) x (p2 - p0); the null
  // vector with fewer than three nodes, or when those three lie on one line and span no plane.
  TAffineVector Normal() const;
  // Through x, y and z of every node, with the node index as parameter.
  std::unique_ptr<TCubicSpline> CreateNewCubicSpline() const;
  // The filled polygon of the nodes, tessellated by GLU so that concave and self-crossing
  // outlines work; nothing with fewer than three nodes. Textured, each vertex takes its x and y
  // as texture coordinates. With ANormal it is sent as the current normal and given to GLU.
  // SplineDivisions above 1 smooths the outline with that many steps per node interval.
  // InvertNormals walks the outline backwards, which turns the faces the other way. Needs a
  // current context, outside glBegin/glEnd. A tessellation error raises EAssertionFailed
  // "number: text" once GLU, any open primitive and the vertex storage are cleaned up.
  void RenderTesselatedPolygon(bool ATextured, const TAffineVector* ANormal = nullptr,
                               int ASplineDivisions = 1, bool AInvertNormals = false);

 protected:
  void Update(TCollectionItem* Item) override;
};
