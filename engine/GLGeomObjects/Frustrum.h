#pragma once
// A truncated four-sided pyramid: a rectangular base in the local XZ plane at y = 0, a parallel
// top at y = Height, and four slanted sides that would meet at y = ApexHeight.

#include <array>
#include <cstdint>

#include "engine/GLObjects/Sphere.h"
#include "engine/GLSceneGraph/SceneObjects.h"

enum TFrustrumPart : uint8_t {
  fpTop = 1 << 0,
  fpBottom = 1 << 1,
  fpFront = 1 << 2,
  fpBack = 1 << 3,
  fpLeft = 1 << 4,
  fpRight = 1 << 5,
};
using TFrustrumParts = uint8_t;
constexpr TFrustrumParts cAllFrustrumParts = fpTop | fpBottom | fpFront | fpBack | fpLeft | fpRight;

class TGLFrustrum : public TGLSceneObject {
  RTL_CLASS(TGLFrustrum, TGLSceneObject)
  static const TPropertyTable& Published();

  // A base of 1 x 1, the top at 0.5 and the apex at 1, all faces, normals outwards.
  explicit TGLFrustrum(TComponent* AOwner);

  // Each setter does nothing for an equal value and rebuilds otherwise. A negative size is
  // ignored; Height and ApexHeight push each other so that 0 <= Height <= ApexHeight.
  float GetApexHeight() const { return FSize[0]; }
  void SetApexHeight(float AValue);
  // Along Z.
  float GetBaseDepth() const { return FSize[1]; }
  void SetBaseDepth(float AValue);
  // Along X.
  float GetBaseWidth() const { return FSize[2]; }
  void SetBaseWidth(float AValue);
  float GetHeight() const { return FSize[3]; }
  void SetHeight(float AValue);
  TFrustrumParts GetParts() const { return FParts; }
  void SetParts(TFrustrumParts AValue);
  // Turns the normals only; the front face stays as it is.
  TNormalDirection GetNormalDirection() const { return FNormalDirection; }
  void SetNormalDirection(TNormalDirection AValue);

  // The four sizes, parts and normal direction from another frustrum; then the scene object's
  // part.
  void Assign(TPersistent* Source) override;
  // (BaseWidth / 2, Height / 2, BaseDepth / 2): centred on the origin, though the body stands
  // on it.
  TVector AxisAlignedDimensionsUnscaled() override;
  // One run of quads, one normal per face. An apex at 0 leaves the base alone; an apex below 0
  // (only a layout can hold one) draws nothing.
  void BuildList(TRenderContextInfo& rci) override;

 protected:
  // The sizes travel together as the binary "FrustrumSize", and only when one differs from a
  // new object's; read back as they stand, without the setters' rules.
  void DefineProperties(TFiler& Filer) override;

 private:
  // Apex height, base depth, base width, height: the order of the stored value.
  std::array<float, 4> FSize = {1, 1, 1, 0.5f};
  TFrustrumParts FParts = cAllFrustrumParts;
  TNormalDirection FNormalDirection = ndOutside;
};
