#pragma once
// A textured rectangle that always faces the viewer: at every frame its quad is built from the
// camera's right and up axes as the current modelview gives them, centred on the node's origin.
// It can turn in the screen plane, mirror its texture, fade through its material's alpha and
// leave the depth buffer alone.

#include <array>

#include "engine/GLSceneGraph/SceneObjects.h"

// The quad a sprite draws for one modelview: four corners in the node's own coordinates, each
// with its texture coordinate, in drawing order (right-top, left-top, left-bottom,
// right-bottom as seen on screen), and the viewing axis in the same coordinates, which the
// sprite's rotation turns the quad about.
struct TSpriteQuad {
  std::array<TTexPoint, 4> Tex;
  std::array<TAffineVector, 4> Corners;
  TAffineVector Axis;
};

class TGLSprite : public TGLSceneObject {
  RTL_CLASS(TGLSprite, TGLSceneObject)
  static const TPropertyTable& Published();

  // A unit square, opaque, unrotated; built at every frame and never culled, since it turns
  // with the camera.
  explicit TGLSprite(TComponent* AOwner);

  // Width, Height and Rotation repaint on a change; nothing is compiled, so none rebuilds.
  float GetWidth() const { return FWidth; }
  void SetWidth(float AValue);
  float GetHeight() const { return FHeight; }
  void SetHeight(float AValue);
  // Degrees about the viewing axis.
  float GetRotation() const { return FRotation; }
  void SetRotation(float AValue);
  // The front material's alpha while the sprite draws; a changed value is clamped to 0..1.
  float GetAlphaChannel() const { return FAlphaChannel; }
  void SetAlphaChannel(float AValue);
  // These three repaint at every write, equal or not.
  bool GetNoZWrite() const { return FNoZWrite; }
  void SetNoZWrite(bool AValue);
  bool GetMirrorU() const { return FMirrorU; }
  void SetMirrorU(bool AValue);
  bool GetMirrorV() const { return FMirrorV; }
  void SetMirrorV(bool AValue);

  // Size, rotation, alpha and depth writes from another sprite, without a notice (the mirror
  // flags stay this sprite's); then the scene object's own state.
  void Assign(TPersistent* Source) override;
  // Half the width and height; the depth is taken as deep as the sprite is wide. w is 0.
  TVector AxisAlignedDimensionsUnscaled() override;
  // The quad for ModelView (OpenGL order): the camera's right and up axes in the node's
  // coordinates, each scaled to half the sprite's extent, so the quad keeps its size and stays
  // parallel to the screen under any placement and scale of the node.
  TSpriteQuad Quad(const TMatrix& ModelView) const;
  // The quad for the current modelview, turned by Rotation under a matrix of its own; the
  // modelview is as before afterwards. Sends no normal.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  float FWidth = 1, FHeight = 1;
  float FRotation = 0;
  float FAlphaChannel = 1;
  bool FNoZWrite = false;
  bool FMirrorU = false, FMirrorV = false;
};
