#pragma once
// What the engine last sent to OpenGL for a few states, so that a repeated request costs no
// OpenGL call. One cache per scene buffer; every render pass starts with ResetAll.

#include <cstdint>

#include "engine/base/VectorGeometry.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/System.h"

enum TGLCachedState : uint8_t {
  gsAlphaTest,
  gsAutoNormal,
  gsBlend,
  gsColorMaterial,
  gsCullFace,
  gsDepthTest,
  gsDither,
  gsFog,
  gsLighting,
  gsLineSmooth,
  gsLineStipple,
  gsLogicOp,
  gsNormalize,
  gsPointSmooth,
  gsPolygonSmooth,
  gsPolygonStipple,
  gsScissorTest,
  gsStencilTest,
  gsTexture1D,
  gsTexture2D,
  gsTextureCubeMap,
  gsTextureRectangle,
};
// Bit i set: state i enabled.
using TGLStates = uint32_t;

GLenum GLCachedStateCapability(TGLCachedState state);

class TGLStateCache : public TObject {
  RTL_CLASS(TGLStateCache, TObject)
  TGLStateCache();

  void Enable(TGLCachedState state);
  void Disable(TGLCachedState state);
  TGLStates GetStates() const { return FStates; }

  // Face GL_FRONT, GL_BACK or GL_FRONT_AND_BACK; any other face is ignored.
  void SetGLPolygonMode(GLenum face, GLenum mode);
  void ResetGLPolygonMode();

  // Face GL_FRONT or GL_BACK (assertion).
  void SetGLMaterialColors(GLenum face, const TVector& emission, const TVector& ambient,
                           const TVector& diffuse, const TVector& specular, int32_t shininess);
  void SetGLMaterialAlphaChannel(GLenum face, float alpha);
  void ResetGLMaterialColors();

  // The caller selects the texture unit; unit is 0..7 (assertion).
  void SetGLCurrentTexture(int textureUnit, GLenum target, GLuint handle);
  void ResetGLCurrentTexture();

  void SetGLTextureMatrix(const TMatrix& matrix);
  void ResetGLTextureMatrix();
  bool GetTextureMatrixIsIdentity() const { return FTextureMatrixIsIdentity; }

  void InvertGLFrontFace();
  void ResetGLFrontFace();
  bool GetFrontFaceCCW() const { return FFrontFaceCCW; }

  // Polygon modes, material colours, texture bindings and front face; the enable flags and the
  // texture matrix stay as they are.
  void ResetAll();

 private:
  enum TColorItem { ciEmission, ciAmbient, ciDiffuse, ciSpecular };
  static int FaceIndex(GLenum face);
  // Sends the colour when it is unknown or differs from the cached one in the compared
  // components; a sent colour is cached whole.
  void SendColor(GLenum face, TColorItem item, const TVector& color, int compared);

  // Per face (front, back): emission, ambient, diffuse, specular. A colour that is not known
  // holds the last value sent for it (ResetGLMaterialColors' defaults) and is sent on the next
  // request whatever its value.
  TVector FMaterialColors[2][4] = {};
  bool FColorKnown[2][4] = {{true, true, true, true}, {true, true, true, true}};
  int32_t FShininess[2] = {};
  TGLStates FStates = 0;
  GLuint FTextureHandle[8] = {};
  GLenum FPolygonMode[2] = {};  // front, back; 0 while nothing was sent
  bool FFrontFaceCCW = true;
  bool FTextureMatrixIsIdentity = true;
};
