#pragma once
// A solid axis-aligned box centred on its node's origin, with its own width, height and depth,
// a choice of faces, a texture over each face and normals out of or into the box.

#include <cstdint>
#include <memory>

#include "engine/GLObjects/Sphere.h"
#include "engine/GLSceneGraph/SceneObjects.h"

enum TCubePart : uint8_t {
  cpTop = 1 << 0,
  cpBottom = 1 << 1,
  cpFront = 1 << 2,
  cpBack = 1 << 3,
  cpLeft = 1 << 4,
  cpRight = 1 << 5,
};
using TCubeParts = uint8_t;
constexpr TCubeParts cAllCubeParts = cpTop | cpBottom | cpFront | cpBack | cpLeft | cpRight;

class TGLCube : public TGLSceneObject {
  RTL_CLASS(TGLCube, TGLSceneObject)
  static const TPropertyTable& Published();

  // A unit cube with all six faces, normals outwards; built at every frame.
  explicit TGLCube(TComponent* AOwner);

  // Each setter does nothing for an equal value and rebuilds otherwise; sizes are not clamped.
  float GetCubeWidth() const { return FCubeSize[0]; }
  void SetCubeWidth(float AValue);
  float GetCubeHeight() const { return FCubeSize[1]; }
  void SetCubeHeight(float AValue);
  float GetCubeDepth() const { return FCubeSize[2]; }
  void SetCubeDepth(float AValue);
  TCubeParts GetParts() const { return FParts; }
  void SetParts(TCubeParts AValue);
  // Inside only turns the normals round; the faces keep their winding.
  TNormalDirection GetNormalDirection() const { return FNormalDirection; }
  void SetNormalDirection(TNormalDirection AValue);

  // From another cube its sizes, faces and normal direction; then the scene object's state.
  void Assign(TPersistent* Source) override;
  // Half the sizes, signed.
  TVector AxisAlignedDimensionsUnscaled() override;
  // Enters through the first face the ray meets from outside, within a hair of tolerance,
  // whether that face is drawn or not; the normal is the face's outward one. A ray that starts
  // inside never hits.
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  // The outline of the faces that are drawn.
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteRequest& Request) override;
  // One quad per face drawn, each corner with its texture coordinate.
  void BuildList(TRenderContextInfo& rci) override;

 protected:
  // "CubeSize": width, height and depth as 12 little-endian bytes, written unless all are 1.
  void DefineProperties(TFiler& Filer) override;

 private:
  TAffineVector FCubeSize{1, 1, 1};  // width, height, depth
  TCubeParts FParts = cAllCubeParts;
  TNormalDirection FNormalDirection = ndOutside;
};
