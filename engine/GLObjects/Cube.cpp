#include "engine/GLObjects/Cube.h"

#include <bit>
#include <cmath>

#include "engine/base/XOpenGL.h"
#include "platform/gl/OpenGL.h"

namespace {

// A face: which part it is, its outward normal, and its corners as signs of the half sizes, each
// with its texture coordinate. The corners run counter-clockwise seen from outside; drawing and
// the outline share them.
struct TCubeFace {
  TCubePart Part;
  float Normal[3];
  float Corners[4][3];
  GLfloat Tex[4][2];
};

// clang-format off
constexpr TCubeFace cCubeFaces[] = {
    {cpFront,  {0, 0, 1},  {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}},
                           {{1, 1}, {0, 1}, {0, 0}, {1, 0}}},
    {cpBack,   {0, 0, -1}, {{1, 1, -1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}},
                           {{0, 1}, {0, 0}, {1, 0}, {1, 1}}},
    {cpLeft,   {-1, 0, 0}, {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}},
                           {{1, 1}, {0, 1}, {0, 0}, {1, 0}}},
    {cpRight,  {1, 0, 0},  {{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}},
                           {{0, 1}, {0, 0}, {1, 0}, {1, 1}}},
    {cpTop,    {0, 1, 0},  {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}},
                           {{0, 1}, {0, 0}, {1, 0}, {1, 1}}},
    {cpBottom, {0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}},
                           {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
};
// clang-format on

// A point hair outside a face still counts as on it: 0.5001 as the single 0x3F00068E.
constexpr float cRayTolerance = std::bit_cast<float>(0x3F00068Eu);

}  // namespace

TGLCube::TGLCube(TComponent* AOwner) : TGLSceneObject(AOwner) {
  SetStyleFlags(GetStyleFlags() | osBuildEveryFrame);
}

const TPropertyTable& TGLCube::Published() {
  using C = TGLCube;
  // The sizes travel together as the binary "CubeSize".
  static const TPropertyTable table =
      TPropertyTable::Extend<C>(TGLSceneObject::Published())
          .Float("CubeWidth", &C::GetCubeWidth, &C::SetCubeWidth, NotStored())
          .Float("CubeHeight", &C::GetCubeHeight, &C::SetCubeHeight, NotStored())
          .Float("CubeDepth", &C::GetCubeDepth, &C::SetCubeDepth, NotStored())
          .Enumeration("NormalDirection", &C::GetNormalDirection, &C::SetNormalDirection,
                       {"ndInside", "ndOutside"}, Default(ndOutside))
          .Set("Parts", &C::GetParts, &C::SetParts,
               {"cpTop", "cpBottom", "cpFront", "cpBack", "cpLeft", "cpRight"},
               Default(cAllCubeParts));
  return table;
}

void TGLCube::SetCubeWidth(float AValue) {
  if (StoreIfChanged(FCubeSize[0], AValue)) StructureChanged();
}

void TGLCube::SetCubeHeight(float AValue) {
  if (StoreIfChanged(FCubeSize[1], AValue)) StructureChanged();
}

void TGLCube::SetCubeDepth(float AValue) {
  if (StoreIfChanged(FCubeSize[2], AValue)) StructureChanged();
}

void TGLCube::SetParts(TCubeParts AValue) {
  if (StoreIfChanged(FParts, AValue)) StructureChanged();
}

void TGLCube::SetNormalDirection(TNormalDirection AValue) {
  if (StoreIfChanged(FNormalDirection, AValue)) StructureChanged();
}

void TGLCube::DefineProperties(TFiler& Filer) {
  static_assert(std::endian::native == std::endian::little,
                "the stored floats are little-endian, as in memory here");
  inherited::DefineProperties(Filer);
  const bool hasData = FCubeSize[0] != 1 || FCubeSize[1] != 1 || FCubeSize[2] != 1;
  // A value of other than 12 bytes raises, a short one here and a long one in the reader, and
  // leaves the sizes as they were.
  const auto readData = [this](TStream& stream) {
    TAffineVector value;
    stream.ReadBuffer(value.data(), sizeof value);
    if (stream.GetPosition() == stream.GetSize()) FCubeSize = value;
  };
  Filer.DefineBinaryProperty(
      "CubeSize", readData,
      [this](TStream& stream) { stream.WriteBuffer(FCubeSize.data(), sizeof FCubeSize); }, hasData);
}

void TGLCube::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLCube*>(Source)) {
    FCubeSize = source->FCubeSize;
    FParts = source->FParts;
    FNormalDirection = source->FNormalDirection;
  }
  TGLSceneObject::Assign(Source);
}

TVector TGLCube::AxisAlignedDimensionsUnscaled() {
  return {FCubeSize[0] * 0.5f, FCubeSize[1] * 0.5f, FCubeSize[2] * 0.5f, 0};
}

bool TGLCube::RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                               TVector* IntersectPoint, TVector* IntersectNormal) {
  const TVector s = AbsoluteToLocal(RayStart);
  TVector v = AbsoluteToLocal(RayVector);
  v[W] = 0;
  NormalizeVector(v);
  const float e[3] = {FCubeSize[0] * cRayTolerance, FCubeSize[1] * cRayTolerance,
                      FCubeSize[2] * cRayTolerance};
  // The faces by their outward axis: +x, +y, +z, -x, -y, -z. A ray running along an axis can
  // only enter through the face on the far side of it, at -size / 2 along that axis.
  for (int i = 0; i < 6; ++i) {
    const int axis = i % 3;
    const float sign = i < 3 ? 1.0f : -1.0f;
    const long double along = (long double)sign * v[axis];
    if (!(along > 0)) continue;
    const long double t = -((long double)sign * s[axis] + 0.5L * FCubeSize[axis]) / along;
    const TVector p{float(s[X] + t * v[X]), float(s[Y] + t * v[Y]), float(s[Z] + t * v[Z]), 1};
    if (std::fabs(p[X]) > e[X] || std::fabs(p[Y]) > e[Y] || std::fabs(p[Z]) > e[Z]) continue;
    const long double ahead = ((long double)p[X] - s[X]) * v[X] +
                              ((long double)p[Y] - s[Y]) * v[Y] + ((long double)p[Z] - s[Z]) * v[Z];
    if (!(ahead > 0)) continue;
    if (IntersectPoint) *IntersectPoint = LocalToAbsolute(p);
    if (IntersectNormal) {
      TVector normal{0, 0, 0, 0};
      normal[axis] = -sign;
      *IntersectNormal = LocalToAbsolute(normal);
    }
    return true;
  }
  return false;
}

std::unique_ptr<TGLSilhouette> TGLCube::GenerateSilhouette(const TSilhouetteRequest& Request) {
  const float half[3] = {FCubeSize[0] * 0.5f, FCubeSize[1] * 0.5f, FCubeSize[2] * 0.5f};
  TConnectivity connectivity(true);
  for (const TCubeFace& face : cCubeFaces) {
    if ((FParts & face.Part) == 0) continue;
    TAffineVector corners[4];
    for (int c = 0; c < 4; ++c)
      for (int k = 0; k < 3; ++k) corners[c][k] = face.Corners[c][k] * half[k];
    connectivity.AddQuad(corners[0], corners[1], corners[2], corners[3]);
  }
  TGLSilhouette* silhouette = nullptr;
  connectivity.CreateSilhouette(Request, silhouette, false);
  return std::unique_ptr<TGLSilhouette>(silhouette);
}

void TGLCube::BuildList(TRenderContextInfo&) {
  const float half[3] = {FCubeSize[0] * 0.5f, FCubeSize[1] * 0.5f, FCubeSize[2] * 0.5f};
  const float n = FNormalDirection == ndInside ? -1.0f : 1.0f;
  glBegin(GL_QUADS);
  for (const TCubeFace& face : cCubeFaces) {
    if ((FParts & face.Part) == 0) continue;
    glNormal3f(face.Normal[0] * n, face.Normal[1] * n, face.Normal[2] * n);
    for (int c = 0; c < 4; ++c) {
      vTexCoordDispatch.TexCoord2fv(face.Tex[c]);
      glVertex3f(face.Corners[c][0] * half[0], face.Corners[c][1] * half[1],
                 face.Corners[c][2] * half[2]);
    }
  }
  glEnd();
}
