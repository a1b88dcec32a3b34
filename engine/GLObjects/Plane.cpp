#include "engine/GLObjects/Plane.h"

#include <cmath>

#include "engine/base/XOpenGL.h"
#include "platform/gl/OpenGL.h"

TGLPlane::TGLPlane(TComponent* AOwner) : TGLSceneObject(AOwner) {
  SetStyleFlags(GetStyleFlags() | osBuildEveryFrame);
}

const TPropertyTable& TGLPlane::Published() {
  using P = TGLPlane;
  // A new plane is 1 wide and high, so a width or height of 0 is written too: left out, it
  // would read back as 1.
  static const TPropertyTable table =
      TPropertyTable::Extend<P>(TGLSceneObject::Published())
          .Float("Height", &P::GetHeight, &P::SetHeight, NoDefault())
          .Float("Width", &P::GetWidth, &P::SetWidth, NoDefault())
          .Float("XOffset", &P::GetXOffset, &P::SetXOffset)
          .Float("XScope", &P::GetXScope, &P::SetXScope, Default(1.0f))
          .Integer("XTiles", &P::GetXTiles, &P::SetXTiles, Default(1))
          .Float("YOffset", &P::GetYOffset, &P::SetYOffset)
          .Float("YScope", &P::GetYScope, &P::SetYScope, Default(1.0f))
          .Integer("YTiles", &P::GetYTiles, &P::SetYTiles, Default(1))
          .Set("Style", &P::GetStyle, &P::SetStyle, {"psSingleQuad", "psTileTexture"},
               Default(cDefaultPlaneStyles))
          .Boolean("NoZWrite", &P::GetNoZWrite, &P::SetNoZWrite, NoDefault());
  return table;
}

namespace {

// A tile never spans more than the whole texture. The setters compare the value as given, so
// writing 2 over a stored 1 still signals.
float ClampedScope(float AValue) {
  return AValue > 1 ? 1.0f : AValue;
}

}  // namespace

void TGLPlane::SetWidth(float AValue) {
  if (StoreIfChanged(FWidth, AValue)) StructureChanged();
}

void TGLPlane::SetHeight(float AValue) {
  if (StoreIfChanged(FHeight, AValue)) StructureChanged();
}

void TGLPlane::SetXOffset(float AValue) {
  if (StoreIfChanged(FXOffset, AValue)) StructureChanged();
}

void TGLPlane::SetYOffset(float AValue) {
  if (StoreIfChanged(FYOffset, AValue)) StructureChanged();
}

void TGLPlane::SetXScope(float AValue) {
  if (AValue == FXScope) return;
  FXScope = ClampedScope(AValue);
  StructureChanged();
}

void TGLPlane::SetYScope(float AValue) {
  if (AValue == FYScope) return;
  FYScope = ClampedScope(AValue);
  StructureChanged();
}

void TGLPlane::SetXTiles(uint32_t AValue) {
  if (StoreIfChanged(FXTiles, AValue)) StructureChanged();
}

void TGLPlane::SetYTiles(uint32_t AValue) {
  if (StoreIfChanged(FYTiles, AValue)) StructureChanged();
}

void TGLPlane::SetStyle(TPlaneStyles AValue) {
  if (StoreIfChanged(FStyle, AValue)) StructureChanged();
}

void TGLPlane::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLPlane*>(Source)) {
    FWidth = source->FWidth;
    FHeight = source->FHeight;
  }
  TGLSceneObject::Assign(Source);
}

TVector TGLPlane::AxisAlignedDimensionsUnscaled() {
  return {std::fabs(FWidth) * 0.5f, std::fabs(FHeight) * 0.5f, 0, 0};
}

bool TGLPlane::RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                                TVector* IntersectPoint, TVector* IntersectNormal) {
  const TVector s = AbsoluteToLocal(RayStart);
  const TVector v = AbsoluteToLocal(RayVector);
  const bool fromAbove = s[Z] >= 0;
  if (fromAbove ? !(v[Z] < 0) : !(v[Z] > 0)) return false;
  const long double t = (long double)s[Z] / v[Z];
  const float px = float(s[X] - t * v[X]);
  const float py = float(s[Y] - t * v[Y]);
  // The signed extents: a plane of negative width or height is never hit.
  if (!(std::fabs(px) <= 0.5f * FWidth && std::fabs(py) <= 0.5f * FHeight)) return false;
  if (IntersectNormal) {
    TVector normal = AbsoluteDirection();
    if (!fromAbove) normal = {-normal[X], -normal[Y], -normal[Z], normal[W]};
    *IntersectNormal = normal;
  }
  if (IntersectPoint) *IntersectPoint = LocalToAbsolute({px, py, 0, 1});
  return true;
}

std::unique_ptr<TGLSilhouette> TGLPlane::GenerateSilhouette(const TSilhouetteRequest& Request) {
  const float hw = FWidth * 0.5f, hh = FHeight * 0.5f;
  auto silhouette = std::make_unique<TGLSilhouette>();
  TVectorList& vertices = silhouette->Vertices();
  vertices.AddPoint(hw, hh, 0);
  vertices.AddPoint(hw, -hh, 0);
  vertices.AddPoint(-hw, -hh, 0);
  vertices.AddPoint(-hw, hh, 0);
  TIntegerList& edges = silhouette->Indices();
  edges.Add(0, 1);
  edges.Add(1, 2);
  edges.Add(2, 3);
  edges.Add(3, 0);
  if (Request.WithCaps) {
    silhouette->CapIndices().Add(0, 1, 2);
    silhouette->CapIndices().Add(2, 3, 0);
  }
  return silhouette;
}

void TGLPlane::BuildList(TRenderContextInfo&) {
  const bool singleQuad = (FStyle & psSingleQuad) != 0;
  // A grid of no tiles in either direction has nothing to draw, and its steps would divide by 0.
  if (!singleQuad && (FXTiles == 0 || FYTiles == 0)) return;
  const float hw = FWidth * 0.5f, hh = FHeight * 0.5f;
  glNormal3f(0, 0, 1);
  float s0 = 0, t0 = 0, s1 = FXScope, t1 = FYScope;
  if (FStyle & psTileTexture) {
    s0 = FXOffset;
    t0 = FYOffset;
    s1 = float((long double)FXTiles * FXScope + FXOffset);
    t1 = float((long double)FYTiles * FYScope + FYOffset);
  }
  if (FNoZWrite) glDepthMask(GL_FALSE);
  if (singleQuad) {
    glBegin(GL_QUADS);
    vTexCoordDispatch.TexCoord2f(s1, t1);
    glVertex2f(hw, hh);
    vTexCoordDispatch.TexCoord2f(s0, t1);
    glVertex2f(-hw, hh);
    vTexCoordDispatch.TexCoord2f(s0, t0);
    glVertex2f(-hw, -hh);
    vTexCoordDispatch.TexCoord2f(s1, t0);
    glVertex2f(hw, -hh);
    glEnd();
  } else {
    const float ds = float((long double)(s1 - s0) / FXTiles);
    const float dt = float((long double)(t1 - t0) / FYTiles);
    const float dx = float((long double)FWidth / FXTiles);
    const float dy = float((long double)FHeight / FYTiles);
    float tLow = t0, yLow = -hh;
    for (uint32_t j = 0; j < FYTiles; ++j) {
      // From the index each time, so that no error accumulates over the rows and columns.
      const float tHigh = float(t0 + (j + 1.0L) * dt);
      const float yHigh = float((j + 1.0L) * dy - hh);
      glBegin(GL_TRIANGLE_STRIP);
      for (uint32_t i = 0; i <= FXTiles; ++i) {
        const float s = float(s0 + (long double)i * ds);
        const float x = float((long double)i * dx - hw);
        vTexCoordDispatch.TexCoord2f(s, tHigh);
        glVertex2f(x, yHigh);
        vTexCoordDispatch.TexCoord2f(s, tLow);
        glVertex2f(x, yLow);
      }
      glEnd();
      tLow = tHigh;
      yLow = yHigh;
    }
  }
  if (FNoZWrite) glDepthMask(GL_TRUE);
}
