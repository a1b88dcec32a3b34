#pragma once
// A flat rectangle centred on its node's origin in the local XY plane, facing local +Z, drawn as
// one quad or as a grid of tiles, with a texture range that can repeat a texture over it.

#include <cstdint>
#include <memory>

#include "engine/GLSceneGraph/SceneObjects.h"

enum TPlaneStyle : uint8_t { psSingleQuad = 1 << 0, psTileTexture = 1 << 1 };
using TPlaneStyles = uint8_t;
constexpr TPlaneStyles cDefaultPlaneStyles = psSingleQuad | psTileTexture;

class TGLPlane : public TGLSceneObject {
  RTL_CLASS(TGLPlane, TGLSceneObject)
  static const TPropertyTable& Published();

  // A unit square, one tile, the texture once over it; built at every frame.
  explicit TGLPlane(TComponent* AOwner);

  // Each setter does nothing for an equal value and rebuilds the geometry otherwise.
  float GetWidth() const { return FWidth; }
  void SetWidth(float AValue);
  float GetHeight() const { return FHeight; }
  void SetHeight(float AValue);
  // Texture offsets, used only with psTileTexture.
  float GetXOffset() const { return FXOffset; }
  void SetXOffset(float AValue);
  float GetYOffset() const { return FYOffset; }
  void SetYOffset(float AValue);
  // The texture extent of one tile; a value above 1 is stored as 1.
  float GetXScope() const { return FXScope; }
  void SetXScope(float AValue);
  float GetYScope() const { return FYScope; }
  void SetYScope(float AValue);
  // Stored as given, 0 included.
  uint32_t GetXTiles() const { return FXTiles; }
  void SetXTiles(uint32_t AValue);
  uint32_t GetYTiles() const { return FYTiles; }
  void SetYTiles(uint32_t AValue);
  TPlaneStyles GetStyle() const { return FStyle; }
  void SetStyle(TPlaneStyles AValue);
  // A plain field, seen at the next frame: no notice.
  bool GetNoZWrite() const { return FNoZWrite; }
  void SetNoZWrite(bool AValue) { FNoZWrite = AValue; }

  // Width and Height from another plane (the texture layout stays this plane's); then the
  // scene object's own state.
  void Assign(TPersistent* Source) override;
  // Half the extents, no depth, w = 0.
  TVector AxisAlignedDimensionsUnscaled() override;
  // Hits from either side, edges included; the normal faces the ray's start.
  bool RayCastIntersect(const TVector& RayStart, const TVector& RayVector,
                        TVector* IntersectPoint = nullptr,
                        TVector* IntersectNormal = nullptr) override;
  // The rectangle's four edges, and two cap triangles when asked for.
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TSilhouetteRequest& Request) override;
  // With psSingleQuad one quad; otherwise YTiles strips of XTiles tiles, nothing when either
  // count is 0.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  float FXOffset = 0, FYOffset = 0;
  float FXScope = 1, FYScope = 1;
  float FWidth = 1, FHeight = 1;
  uint32_t FXTiles = 1, FYTiles = 1;
  TPlaneStyles FStyle = cDefaultPlaneStyles;
  bool FNoZWrite = false;
};
