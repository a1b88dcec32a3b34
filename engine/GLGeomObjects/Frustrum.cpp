#include "engine/GLGeomObjects/Frustrum.h"

#include <bit>
#include <cmath>

#include "engine/base/XOpenGL.h"
#include "platform/gl/OpenGL.h"

namespace {

enum TSizeIndex { siApexHeight, siBaseDepth, siBaseWidth, siHeight };
constexpr std::array<float, 4> cNewSize = {1, 1, 1, 0.5f};

}  // namespace

TGLFrustrum::TGLFrustrum(TComponent* AOwner) : TGLSceneObject(AOwner) {}

const TPropertyTable& TGLFrustrum::Published() {
  using F = TGLFrustrum;
  // The sizes travel together as the binary "FrustrumSize".
  static const TPropertyTable table =
      TPropertyTable::Extend<F>(TGLSceneObject::Published())
          .Float("ApexHeight", &F::GetApexHeight, &F::SetApexHeight, NotStored())
          .Float("BaseDepth", &F::GetBaseDepth, &F::SetBaseDepth, NotStored())
          .Float("BaseWidth", &F::GetBaseWidth, &F::SetBaseWidth, NotStored())
          .Float("Height", &F::GetHeight, &F::SetHeight, NotStored())
          .Set("Parts", &F::GetParts, &F::SetParts,
               {"fpTop", "fpBottom", "fpFront", "fpBack", "fpLeft", "fpRight"},
               Default(cAllFrustrumParts))
          .Enumeration("NormalDirection", &F::GetNormalDirection, &F::SetNormalDirection,
                       {"ndInside", "ndOutside"}, Default(ndOutside));
  return table;
}

void TGLFrustrum::SetApexHeight(float AValue) {
  if (AValue == FSize[siApexHeight] || AValue < 0) return;
  FSize[siApexHeight] = AValue;
  if (AValue < FSize[siHeight]) FSize[siHeight] = AValue;
  StructureChanged();
}

void TGLFrustrum::SetBaseDepth(float AValue) {
  if (AValue == FSize[siBaseDepth] || AValue < 0) return;
  FSize[siBaseDepth] = AValue;
  StructureChanged();
}

void TGLFrustrum::SetBaseWidth(float AValue) {
  if (AValue == FSize[siBaseWidth] || AValue < 0) return;
  FSize[siBaseWidth] = AValue;
  StructureChanged();
}

void TGLFrustrum::SetHeight(float AValue) {
  if (AValue == FSize[siHeight] || AValue < 0) return;
  FSize[siHeight] = AValue;
  if (AValue > FSize[siApexHeight]) FSize[siApexHeight] = AValue;
  StructureChanged();
}

void TGLFrustrum::SetParts(TFrustrumParts AValue) {
  if (AValue == FParts) return;
  FParts = AValue;
  StructureChanged();
}

void TGLFrustrum::SetNormalDirection(TNormalDirection AValue) {
  if (AValue == FNormalDirection) return;
  FNormalDirection = AValue;
  StructureChanged();
}

void TGLFrustrum::DefineProperties(TFiler& Filer) {
  static_assert(std::endian::native == std::endian::little,
                "the stored floats are little-endian, as in memory here");
  inherited::DefineProperties(Filer);
  // A value of other than 16 bytes raises, a short one here and a long one in the reader, and
  // leaves the sizes as they were.
  const auto readData = [this](TStream& stream) {
    std::array<float, 4> value;
    stream.ReadBuffer(value.data(), sizeof value);
    if (stream.GetPosition() == stream.GetSize()) FSize = value;
  };
  Filer.DefineBinaryProperty(
      "FrustrumSize", readData,
      [this](TStream& stream) { stream.WriteBuffer(FSize.data(), sizeof FSize); },
      FSize != cNewSize);
}

void TGLFrustrum::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLFrustrum*>(Source)) {
    FSize = source->FSize;
    FParts = source->FParts;
    FNormalDirection = source->FNormalDirection;
  }
  TGLSceneObject::Assign(Source);
}

TVector TGLFrustrum::AxisAlignedDimensionsUnscaled() {
  return {FSize[siBaseWidth] * 0.5f, FSize[siHeight] * 0.5f, FSize[siBaseDepth] * 0.5f, 0};
}

void TGLFrustrum::BuildList(TRenderContextInfo&) {
  const float apex = FSize[siApexHeight];
  if (apex < 0) return;
  const float hw = FSize[siBaseWidth] * 0.5f, hd = FSize[siBaseDepth] * 0.5f;
  const float height = FSize[siHeight];
  const float s = FNormalDirection == ndInside ? -1.0f : 1.0f;
  const auto corner = [](GLfloat u, GLfloat v, float x, float y, float z) {
    const GLfloat tex[2] = {u, v};
    vTexCoordDispatch.TexCoord2fv(tex);
    glVertex3f(x, y, z);
  };
  glBegin(GL_QUADS);
  // With the apex on the base there are no sides and no top: the sizes of the top would be 0/0.
  if (apex > 0) {
    const float tw = float((long double)(apex - height) * hw / apex);
    const float td = float((long double)(apex - height) * hd / apex);
    if (FParts & (fpFront | fpBack)) {
      // The slope of the front and back faces.
      const long double a = std::atan((long double)apex / hd);
      const float c = float(s * std::cos(a)), n = float(s * std::sin(a));
      if (FParts & fpFront) {
        glNormal3f(0, c, n);
        corner(1, 1, tw, height, td);
        corner(0, 1, -tw, height, td);
        corner(0, 0, -hw, 0, hd);
        corner(1, 0, hw, 0, hd);
      }
      if (FParts & fpBack) {
        glNormal3f(0, c, -n);
        corner(0, 1, tw, height, -td);
        corner(0, 0, hw, 0, -hd);
        corner(1, 0, -hw, 0, -hd);
        corner(1, 1, -tw, height, -td);
      }
    }
    if (FParts & (fpLeft | fpRight)) {
      const long double b = std::atan((long double)apex / hw);
      const float c = float(s * std::cos(b)), n = float(s * std::sin(b));
      if (FParts & fpLeft) {
        glNormal3f(-n, c, 0);
        corner(1, 1, -tw, height, td);
        corner(0, 1, -tw, height, -td);
        corner(0, 0, -hw, 0, -hd);
        corner(1, 0, -hw, 0, hd);
      }
      if (FParts & fpRight) {
        glNormal3f(n, c, 0);
        corner(0, 1, tw, height, td);
        corner(0, 0, hw, 0, hd);
        corner(1, 0, hw, 0, -hd);
        corner(1, 1, tw, height, -td);
      }
    }
    if ((FParts & fpTop) && height < apex) {
      glNormal3f(0, s, 0);
      corner(0, 1, -tw, height, -td);
      corner(0, 0, -tw, height, td);
      corner(1, 0, tw, height, td);
      corner(1, 1, tw, height, -td);
    }
  }
  if (FParts & fpBottom) {
    glNormal3f(0, -s, 0);
    corner(0, 0, -hw, 0, -hd);
    corner(1, 0, hw, 0, -hd);
    corner(1, 1, hw, 0, hd);
    corner(0, 1, -hw, 0, hd);
  }
  glEnd();
}
