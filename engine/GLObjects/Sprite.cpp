#include "engine/GLObjects/Sprite.h"

#include <cmath>

#include "engine/GLState.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/OpenGL.h"

TGLSprite::TGLSprite(TComponent* AOwner) : TGLSceneObject(AOwner) {
  SetStyleFlags(GetStyleFlags() | osBuildEveryFrame | osNeverCulled);
}

const TPropertyTable& TGLSprite::Published() {
  using S = TGLSprite;
  // A new sprite is 1 wide and high, so a width or height of 0 is written too: left out, it
  // would read back as 1.
  static const TPropertyTable table =
      TPropertyTable::Extend<S>(TGLSceneObject::Published())
          .Float("Width", &S::GetWidth, &S::SetWidth, NoDefault())
          .Float("Height", &S::GetHeight, &S::SetHeight, NoDefault())
          .Float("Rotation", &S::GetRotation, &S::SetRotation)
          .Float("AlphaChannel", &S::GetAlphaChannel, &S::SetAlphaChannel, Default(1.0f))
          .Boolean("NoZWrite", &S::GetNoZWrite, &S::SetNoZWrite, NoDefault())
          .Boolean("MirrorU", &S::GetMirrorU, &S::SetMirrorU, NoDefault())
          .Boolean("MirrorV", &S::GetMirrorV, &S::SetMirrorV, NoDefault());
  return table;
}

void TGLSprite::SetWidth(float AValue) {
  if (AValue == FWidth) return;
  FWidth = AValue;
  NotifyChange(this);
}

void TGLSprite::SetHeight(float AValue) {
  if (AValue == FHeight) return;
  FHeight = AValue;
  NotifyChange(this);
}

void TGLSprite::SetRotation(float AValue) {
  if (AValue == FRotation) return;
  FRotation = AValue;
  NotifyChange(this);
}

void TGLSprite::SetAlphaChannel(float AValue) {
  if (AValue == FAlphaChannel) return;
  FAlphaChannel = AValue < 0 ? 0.0f : AValue > 1 ? 1.0f : AValue;
  NotifyChange(this);
}

void TGLSprite::SetNoZWrite(bool AValue) {
  FNoZWrite = AValue;
  NotifyChange(this);
}

void TGLSprite::SetMirrorU(bool AValue) {
  FMirrorU = AValue;
  NotifyChange(this);
}

void TGLSprite::SetMirrorV(bool AValue) {
  FMirrorV = AValue;
  NotifyChange(this);
}

void TGLSprite::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLSprite*>(Source)) {
    FWidth = source->FWidth;
    FHeight = source->FHeight;
    FRotation = source->FRotation;
    FAlphaChannel = source->FAlphaChannel;
    FNoZWrite = source->FNoZWrite;
  }
  TGLSceneObject::Assign(Source);
}

TVector TGLSprite::AxisAlignedDimensionsUnscaled() {
  const float halfWidth = std::fabs(FWidth) * 0.5f;
  return {halfWidth, std::fabs(FHeight) * 0.5f, halfWidth, 0};
}

namespace {

// The vector scaled to the given length, computed in extended precision.
TAffineVector ScaledTo(float x, float y, float z, float length) {
  const long double norm = std::sqrt((long double)x * x + (long double)y * y + (long double)z * z);
  const long double f = length / norm;
  return {float(x * f), float(y * f), float(z * f)};
}

}  // namespace

TSpriteQuad TGLSprite::Quad(const TMatrix& ModelView) const {
  const float* m = ModelView[0].data();
  const TAffineVector r = ScaledTo(m[0], m[4], m[8], FWidth * 0.5f);
  const TAffineVector u = ScaledTo(m[1], m[5], m[9], FHeight * 0.5f);
  const float uLow = FMirrorU ? 1.0f : 0.0f, uHigh = 1 - uLow;
  const float vLow = FMirrorV ? 1.0f : 0.0f, vHigh = 1 - vLow;
  TSpriteQuad quad;
  quad.Tex = {{{uHigh, vHigh}, {uLow, vHigh}, {uLow, vLow}, {uHigh, vLow}}};
  quad.Corners = {{{r[0] + u[0], r[1] + u[1], r[2] + u[2]},
                   {-r[0] + u[0], -r[1] + u[1], -r[2] + u[2]},
                   {-r[0] - u[0], -r[1] - u[1], -r[2] - u[2]},
                   {r[0] - u[0], r[1] - u[1], r[2] - u[2]}}};
  quad.Axis = {m[2], m[6], m[10]};
  return quad;
}

void TGLSprite::BuildList(TRenderContextInfo& rci) {
  if (FAlphaChannel != 1) rci.stateCache->SetGLMaterialAlphaChannel(GL_FRONT, FAlphaChannel);
  if (FNoZWrite) glDepthMask(GL_FALSE);
  TMatrix modelView;
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView[0].data());
  const TSpriteQuad quad = Quad(modelView);
  const bool rotated = FRotation != 0;
  if (rotated) {
    glPushMatrix();
    glRotatef(FRotation, quad.Axis[0], quad.Axis[1], quad.Axis[2]);
  }
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    vTexCoordDispatch.TexCoord2f(quad.Tex[i].S, quad.Tex[i].T);
    glVertex3fv(quad.Corners[i].data());
  }
  glEnd();
  if (rotated) glPopMatrix();
  if (FNoZWrite) glDepthMask(GL_TRUE);
}
