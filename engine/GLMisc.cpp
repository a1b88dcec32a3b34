#include "engine/GLMisc.h"

#include <bit>
#include <cstring>

bool vKeepDefaultCoordinates = false;

void TGLUpdateAbleObject::NotifyChange(TObject*) {
  if (FUpdating != 0 || FOwner == nullptr) return;
  if (auto* object = dynamic_cast<TGLUpdateAbleObject*>(FOwner))
    object->NotifyChange(this);
  else if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(FOwner))
    component->NotifyChange(this);
  if (OnNotifyChange) OnNotifyChange(this);
}

void TGLUpdateAbleComponent::NotifyChange(TObject*) {
  if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(Owner())) owner->NotifyChange(this);
}

const TPropertyTable& TGLCoordinates::Published() {
  // The binary "Coordinates" value carries X, Y and Z.
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLCoordinates>(TGLUpdateAbleObject::Published())
          .Float("X", &TGLCoordinates::GetX, &TGLCoordinates::SetX, NotStored())
          .Float("Y", &TGLCoordinates::GetY, &TGLCoordinates::SetY, NotStored())
          .Float("Z", &TGLCoordinates::GetZ, &TGLCoordinates::SetZ, NotStored());
  return table;
}

const TPropertyTable& TGLCoordinates4::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLCoordinates4>(TGLCoordinates::Published())
          .Float("W", &TGLCoordinates::GetW, &TGLCoordinates::SetW);
  return table;
}

TGLCoordinates::TGLCoordinates(TPersistent* AOwner, const TVector& AValue, TGLCoordinatesKind AKind)
    : TGLUpdateAbleObject(AOwner), FKind(AKind) {
  Initialize(AValue);
}

void TGLCoordinates::Initialize(const TVector& AValue) {
  FCoords = AValue;
  if (!vKeepDefaultCoordinates) return;
  if (!FPDefaultCoords) FPDefaultCoords = std::make_unique<TVector>();
  *FPDefaultCoords = AValue;
}

void TGLCoordinates::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TGLCoordinates*>(Source))
    FCoords = source->FCoords;
  else
    inherited::Assign(Source);
}

void TGLCoordinates::NotifyChange(TObject* Sender) {
  if (auto* owner = dynamic_cast<TGLCoordinatesUpdateAbleComponent*>(GetOwner()))
    owner->CoordinateChanged(this);
  else
    inherited::NotifyChange(Sender);
}

void TGLCoordinates::SetAsVector(const TVector& AValue) {
  FCoords = AValue;
  if (FKind == ckPoint) FCoords[3] = 1;
  if (FKind == ckVector) FCoords[3] = 0;
  NotifyChange(this);
}

void TGLCoordinates::SetVector(float x, float y, float z) {
  SetVector(x, y, z, 0);
}

void TGLCoordinates::SetVector(float x, float y, float z, float w) {
  Assert(FKind != ckPoint);
  FCoords = {x, y, z, w};
  NotifyChange(this);
}

void TGLCoordinates::SetPoint(float x, float y, float z) {
  Assert(FKind != ckVector);
  FCoords = {x, y, z, 1};
  NotifyChange(this);
}

void TGLCoordinates::SetCoordinate(int Index, float AValue) {
  FCoords[Index] = AValue;
  NotifyChange(this);
}

void TGLCoordinates::Rotate(const TAffineVector& AnAxis, float AnAngle) {
  RotateVector(FCoords, AnAxis, AnAngle);
  NotifyChange(this);
}

void TGLCoordinates::Normalize() {
  NormalizeVector(FCoords);
  NotifyChange(this);
}

float TGLCoordinates::VectorLength() const {
  return ::VectorLength(FCoords);
}

bool TGLCoordinates::Equals(const TVector& AVector) const {
  return VectorEquals(FCoords, AVector);
}

void TGLCoordinates::DefineProperties(TFiler& Filer) {
  static_assert(std::endian::native == std::endian::little,
                "the stored floats are little-endian, as in memory here");
  inherited::DefineProperties(Filer);
  const bool hasData = !FPDefaultCoords || !VectorEquals(*FPDefaultCoords, FCoords);
  // A value of other than 16 bytes raises, a short one here and a long one in the reader, and
  // leaves the coordinates as they were.
  const auto readData = [this](TStream& stream) {
    TVector value;
    stream.ReadBuffer(value.data(), sizeof value);
    if (stream.GetPosition() == stream.GetSize()) FCoords = value;
  };
  Filer.DefineBinaryProperty(
      "Coordinates", readData,
      [this](TStream& stream) { stream.WriteBuffer(FCoords.data(), sizeof FCoords); }, hasData);
}
