#include "engine/GLMisc.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <vector>

#include "engine/base/XOpenGL.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/SysUtils.h"

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

// ---- Nodes

const TPropertyTable& TGLNode::Published() {
  // A coordinate of 0 is left out and reads back as 0.
  static const TPropertyTable table = TPropertyTable::Extend<TGLNode>(TCollectionItem::Published())
                                          .Float("X", &TGLNode::GetX, &TGLNode::SetX)
                                          .Float("Y", &TGLNode::GetY, &TGLNode::SetY)
                                          .Float("Z", &TGLNode::GetZ, &TGLNode::SetZ);
  return table;
}

void TGLNode::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TGLNode*>(Source))
    FCoords = source->FCoords;
  else
    inherited::Assign(Source);
}

std::string TGLNode::GetDisplayName() const {
  const char* format = "%.4f; %.4f; %.4f";
  const double x = FCoords[0], y = FCoords[1], z = FCoords[2];
  // Sized to the text, since the largest floats take 45 characters each.
  std::string result(std::snprintf(nullptr, 0, format, x, y, z), '\0');
  std::snprintf(result.data(), result.size() + 1, format, x, y, z);
  // The C library formats with a full stop whatever the user's region.
  std::replace(result.begin(), result.end(), '.', DecimalSeparator);
  return result;
}

void TGLNode::SetCoordinate(int Index, float AValue) {
  TCollection* collection = Collection();
  auto* nodes = dynamic_cast<TGLNodes*>(collection);
  if (collection != nullptr && nodes == nullptr) throw EInvalidCast("Invalid class typecast");
  FCoords[Index] = AValue;
  if (nodes) nodes->NotifyChange();
}

TGLNodes::TGLNodes(TPersistent* AOwner, TClass AItemClass)
    : TOwnedCollection(AOwner, AItemClass ? AItemClass : TGLNode::StaticClass()) {
  Assert(ItemClass()->InheritsFrom(TGLNode::StaticClass()), "Nodes must be TGLNode descendants");
}

void TGLNodes::Update(TCollectionItem* Item) {
  inherited::Update(Item);
  NotifyChange();
}

void TGLNodes::NotifyChange() {
  if (UpdateCount() != 0) return;
  if (auto* owner = dynamic_cast<TGLUpdateAbleComponent*>(GetOwner())) owner->NotifyChange(this);
}

TAffineVector TGLNodes::Normal() const {
  if (Count() < 3) return {0, 0, 0};
  TAffineVector normal;
  CalcPlaneNormal(GetItems(0)->GetAsAffineVector(), GetItems(1)->GetAsAffineVector(),
                  GetItems(2)->GetAsAffineVector(), normal);
  // Three nodes on one line (or on one point) give a zero cross product, which normalises to
  // NaNs; a polygon then leaves the normal to the tessellator.
  for (float c : normal)
    if (!std::isfinite(c)) return {0, 0, 0};
  return normal;
}

std::unique_ptr<TCubicSpline> TGLNodes::CreateNewCubicSpline() const {
  const int n = Count();
  std::vector<float> x(static_cast<size_t>(n)), y(x.size()), z(x.size());
  for (int i = 0; i < n; ++i) {
    const TVector& v = GetItems(i)->GetAsVector();
    x[size_t(i)] = v[0];
    y[size_t(i)] = v[1];
    z[size_t(i)] = v[2];
  }
  return std::make_unique<TCubicSpline>(x.data(), y.data(), z.data(), nullptr, n);
}

namespace {

// What the tessellator's callbacks share during one polygon. The callbacks are C functions:
// nothing may be thrown through them, so they record what went wrong and the polygon's caller
// raises it once everything is cleaned up.
struct TTessellation {
  bool Textured = false;
  // Spline points and the crossings the tessellator makes. A deque keeps the address of every
  // slot while it grows, and GLU holds those addresses until the polygon ends.
  std::deque<TAffineVector> Vertices;
  bool PrimitiveOpen = false;
  GLenum Error = 0;
  std::exception_ptr Failure;

  template <class F>
  void Guarded(F&& f) noexcept {
    try {
      f();
    } catch (...) {
      if (!Failure) Failure = std::current_exception();
    }
  }
  // Bad allocation stays an exception; a slot is handed out only once it exists.
  float* NewVertex(float x, float y, float z) {
    Vertices.push_back({x, y, z});
    return Vertices.back().data();
  }
};

TTessellation& Of(void* data) {
  return *static_cast<TTessellation*>(data);
}

void GLAPIENTRY TessBegin(GLenum type, void* data) {
  TTessellation& t = Of(data);
  t.Guarded([&] {
    glBegin(type);
    t.PrimitiveOpen = true;
  });
}

void GLAPIENTRY TessEnd(void* data) {
  TTessellation& t = Of(data);
  t.Guarded([&] {
    t.PrimitiveOpen = false;
    glEnd();
  });
}

void GLAPIENTRY TessVertex(void* vertex, void* data) {
  TTessellation& t = Of(data);
  t.Guarded([&] {
    const auto* v = static_cast<const GLfloat*>(vertex);
    if (t.Textured) vTexCoordDispatch.TexCoord2fv(v);
    glVertex3fv(v);
  });
}

void GLAPIENTRY TessCombine(GLdouble coords[3], void* /*neighbours*/[4], GLfloat /*weights*/[4],
                            void** outData, void* data) {
  TTessellation& t = Of(data);
  *outData = nullptr;
  t.Guarded([&] { *outData = t.NewVertex(float(coords[0]), float(coords[1]), float(coords[2])); });
}

void GLAPIENTRY TessError(GLenum error, void* data) {
  TTessellation& t = Of(data);
  if (t.Error == 0) t.Error = error;
}

template <class F>
_GLUfuncptr Callback(F* f) {
  return reinterpret_cast<_GLUfuncptr>(f);
}

// Deletes the tessellator and closes a primitive left open, however the polygon ends.
struct TTessellatorGuard {
  GLUtesselator* Tess;
  TTessellation& State;
  ~TTessellatorGuard() {
    try {
      if (State.PrimitiveOpen) {
        State.PrimitiveOpen = false;
        glEnd();
      }
    } catch (...) {
    }
    try {
      gluDeleteTess(Tess);
    } catch (...) {
    }
  }
};

void PassVertex(GLUtesselator* tess, float* vertex) {
  GLdouble coords[3] = {vertex[0], vertex[1], vertex[2]};
  gluTessVertex(tess, coords, vertex);
}

}  // namespace

void TGLNodes::RenderTesselatedPolygon(bool ATextured, const TAffineVector* ANormal,
                                       int ASplineDivisions, bool AInvertNormals) {
  const int n = Count();
  if (n <= 2) return;
  TTessellation state;
  state.Textured = ATextured;
  {
    TTessellatorGuard guard{gluNewTess(), state};
    GLUtesselator* tess = guard.Tess;
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, Callback(&TessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, Callback(&TessVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, Callback(&TessEnd));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, Callback(&TessError));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, Callback(&TessCombine));
    if (ANormal) {
      glNormal3fv(ANormal->data());
      gluTessNormal(tess, (*ANormal)[0], (*ANormal)[1], (*ANormal)[2]);
    }
    gluTessBeginPolygon(tess, &state);
    gluTessBeginContour(tess);
    if (ASplineDivisions > 1) {
      const std::unique_ptr<TCubicSpline> spline = CreateNewCubicSpline();
      const float step = 1.0f / float(ASplineDivisions);
      const int last = (n - 1) * ASplineDivisions;
      for (int k = 0; k <= last; ++k) {
        const int i = AInvertNormals ? last - k : k;
        float x, y, z;
        spline->SplineXYZ(float(i) * step, x, y, z);
        PassVertex(tess, state.NewVertex(x, y, z));
      }
    } else {
      for (int k = 0; k < n; ++k)
        PassVertex(tess, GetItems(AInvertNormals ? n - 1 - k : k)->AsAddress());
    }
    gluTessEndContour(tess);
    gluTessEndPolygon(tess);
  }
  if (state.Failure) std::rethrow_exception(state.Failure);
  if (state.Error != 0) {
    const auto* text = reinterpret_cast<const char*>(gluErrorString(state.Error));
    Assert(false, IntToStr(state.Error) + ": " + (text ? text : ""));
  }
}
