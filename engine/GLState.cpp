#include "engine/GLState.h"

#include <bit>

namespace {
constexpr GLenum Capabilities[] = {
    GL_ALPHA_TEST,       GL_AUTO_NORMAL,          GL_BLEND,          GL_COLOR_MATERIAL,
    GL_CULL_FACE,        GL_DEPTH_TEST,           GL_DITHER,         GL_FOG,
    GL_LIGHTING,         GL_LINE_SMOOTH,          GL_LINE_STIPPLE,   GL_LOGIC_OP,
    GL_NORMALIZE,        GL_POINT_SMOOTH,         GL_POLYGON_SMOOTH, GL_POLYGON_STIPPLE,
    GL_SCISSOR_TEST,     GL_STENCIL_TEST,         GL_TEXTURE_1D,     GL_TEXTURE_2D,
    GL_TEXTURE_CUBE_MAP, GL_TEXTURE_RECTANGLE_NV,
};
static_assert(std::size(Capabilities) == gsTextureRectangle + 1);
static_assert(GL_LOGIC_OP == 0x0BF1 && GL_TEXTURE_CUBE_MAP == 0x8513 &&
              GL_TEXTURE_RECTANGLE_NV == 0x84F5);

constexpr GLenum ColorNames[] = {GL_EMISSION, GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR};

bool SameBits(const TVector& a, const TVector& b, int count) {
  for (int i = 0; i < count; ++i)
    if (std::bit_cast<uint32_t>(a[i]) != std::bit_cast<uint32_t>(b[i])) return false;
  return true;
}

TGLStates Bit(TGLCachedState state) {
  return TGLStates(1) << state;
}
}  // namespace

GLenum GLCachedStateCapability(TGLCachedState state) {
  return Capabilities[state];
}

TGLStateCache::TGLStateCache() = default;

void TGLStateCache::Enable(TGLCachedState state) {
  if (FStates & Bit(state)) return;
  FStates |= Bit(state);
  glEnable(Capabilities[state]);
}

void TGLStateCache::Disable(TGLCachedState state) {
  if (!(FStates & Bit(state))) return;
  FStates &= ~Bit(state);
  glDisable(Capabilities[state]);
}

void TGLStateCache::SetGLPolygonMode(GLenum face, GLenum mode) {
  switch (face) {
    case GL_FRONT:
    case GL_BACK: {
      GLenum& cached = FPolygonMode[face == GL_BACK];
      if (cached == mode) return;
      cached = mode;
      glPolygonMode(face, mode);
      return;
    }
    case GL_FRONT_AND_BACK:
      if (FPolygonMode[0] == mode && FPolygonMode[1] == mode) return;
      FPolygonMode[0] = FPolygonMode[1] = mode;
      glPolygonMode(GL_FRONT_AND_BACK, mode);
      return;
    default:
      return;
  }
}

void TGLStateCache::ResetGLPolygonMode() {
  FPolygonMode[0] = FPolygonMode[1] = 0;
}

int TGLStateCache::FaceIndex(GLenum face) {
  Assert(face == GL_FRONT || face == GL_BACK);
  return face == GL_BACK;
}

void TGLStateCache::SendColor(GLenum face, TColorItem item, const TVector& color, int compared) {
  const int f = FaceIndex(face);
  TVector& cached = FMaterialColors[f][item];
  if (FColorKnown[f][item] && SameBits(cached, color, compared)) return;
  cached = color;
  FColorKnown[f][item] = true;
  glMaterialfv(face, ColorNames[item], cached.data());
}

void TGLStateCache::SetGLMaterialColors(GLenum face, const TVector& emission,
                                        const TVector& ambient, const TVector& diffuse,
                                        const TVector& specular, int32_t shininess) {
  const int f = FaceIndex(face);
  if (FShininess[f] != shininess) {
    FShininess[f] = shininess;
    glMateriali(face, GL_SHININESS, shininess);
  }
  // Alpha matters for the diffuse colour only: it is the one OpenGL takes the fragment alpha from.
  SendColor(face, ciEmission, emission, 3);
  SendColor(face, ciAmbient, ambient, 3);
  SendColor(face, ciDiffuse, diffuse, 4);
  SendColor(face, ciSpecular, specular, 3);
}

void TGLStateCache::SetGLMaterialAlphaChannel(GLenum face, float alpha) {
  const int f = FaceIndex(face);
  TVector& diffuse = FMaterialColors[f][ciDiffuse];
  if (FColorKnown[f][ciDiffuse] &&
      std::bit_cast<uint32_t>(diffuse[3]) == std::bit_cast<uint32_t>(alpha))
    return;
  diffuse[3] = alpha;
  FColorKnown[f][ciDiffuse] = true;
  glMaterialfv(face, GL_DIFFUSE, diffuse.data());
}

void TGLStateCache::ResetGLMaterialColors() {
  static constexpr TVector defaults[4] = {
      {0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0, 0, 0, 1}};
  for (TColorItem item : {ciAmbient, ciDiffuse, ciSpecular, ciEmission})
    glMaterialfv(GL_FRONT_AND_BACK, ColorNames[item], defaults[item].data());
  glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, 0);
  for (int f = 0; f < 2; ++f) {
    for (int item = 0; item < 4; ++item) {
      FMaterialColors[f][item] = defaults[item];
      FColorKnown[f][item] = false;
    }
    FShininess[f] = 0;
  }
}

void TGLStateCache::SetGLCurrentTexture(int textureUnit, GLenum target, GLuint handle) {
  Assert(textureUnit >= 0 && textureUnit < 8);
  if (FTextureHandle[textureUnit] == handle) return;
  FTextureHandle[textureUnit] = handle;
  glBindTexture(target, handle);
}

void TGLStateCache::ResetGLCurrentTexture() {
  for (GLuint& handle : FTextureHandle) handle = 0xFFFFFFFF;
}

void TGLStateCache::SetGLTextureMatrix(const TMatrix& matrix) {
  FTextureMatrixIsIdentity = false;
  glMatrixMode(GL_TEXTURE);
  glLoadMatrixf(matrix[0].data());
  glMatrixMode(GL_MODELVIEW);
}

void TGLStateCache::ResetGLTextureMatrix() {
  if (FTextureMatrixIsIdentity) return;
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  FTextureMatrixIsIdentity = true;
}

void TGLStateCache::InvertGLFrontFace() {
  FFrontFaceCCW = !FFrontFaceCCW;
  glFrontFace(FFrontFaceCCW ? GL_CCW : GL_CW);
}

void TGLStateCache::ResetGLFrontFace() {
  glFrontFace(GL_CCW);
  FFrontFaceCCW = true;
}

void TGLStateCache::ResetAll() {
  ResetGLPolygonMode();
  ResetGLMaterialColors();
  ResetGLCurrentTexture();
  ResetGLFrontFace();
}
