#pragma once
// The material of a scene object: front and back face colours, blending, face culling, the
// lighting and fog options, a texture and extra texture units, or in place of all these a link
// to a named material of a material library. Applied through the state cache around each draw.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/GLMisc.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "engine/GLTexture.h"
#include "engine/GLUtils.h"

enum TBlendingMode : uint8_t {
  bmOpaque,
  bmTransparency,
  bmAdditive,
  bmAlphaTest50,
  bmAlphaTest100,
  bmModulate
};

// A set in one byte.
using TMaterialOptions = uint8_t;
constexpr TMaterialOptions moIgnoreFog = 1 << 0;
constexpr TMaterialOptions moNoLighting = 1 << 1;

// fcBufferDefault follows the scene buffer's face culling.
enum TFaceCulling : uint8_t { fcBufferDefault, fcCull, fcNoCull };

class TGLMaterial;

// Declared in engine/GLMaterialLibrary.h, which this header ends by including.
class TGLLibMaterial;
class TGLMaterialLibrary;

class TGLMaterial : public TGLUpdateAbleObject {
  RTL_CLASS(TGLMaterial, TGLUpdateAbleObject)
  static const TPropertyTable& Published();
  // The owner is the scene object or the library material that holds the material.
  explicit TGLMaterial(TPersistent* AOwner);
  ~TGLMaterial() override;

  TGLFaceProperties* GetFrontProperties() const {
    return const_cast<TGLFaceProperties*>(&FFrontProperties);
  }
  void SetFrontProperties(TGLFaceProperties* AValue);
  // Back properties, texture and extra units are made on first read.
  TGLFaceProperties* GetBackProperties();
  void SetBackProperties(TGLFaceProperties* AValue);
  // Whether they were made, without making them.
  bool HasBackProperties() const { return FBackProperties != nullptr; }
  bool HasTexture() const { return FTexture != nullptr; }
  bool HasTextureEx() const { return FTextureEx != nullptr; }
  TBlendingMode GetBlendingMode() const { return FBlendingMode; }
  void SetBlendingMode(TBlendingMode AValue);
  TGLTexture* GetTexture();
  // Nil frees the texture without a notice; another value is assigned into the texture.
  void SetTexture(TGLTexture* AValue);
  TGLTextureEx* GetTextureEx();
  void SetTextureEx(TGLTextureEx* AValue);
  TMaterialOptions GetMaterialOptions() const { return FMaterialOptions; }
  void SetMaterialOptions(TMaterialOptions AValue);
  TFaceCulling GetFaceCulling() const { return FFaceCulling; }
  void SetFaceCulling(TFaceCulling AValue);

  // Setting either resolves the link again. A link that would lead back to this material, or
  // run 16 library materials deep, raises an assertion failure and leaves library, name and link
  // as they were. The library reference is dropped when the library is freed.
  TGLMaterialLibrary* GetMaterialLibrary() const { return FMaterialLibrary; }
  void SetMaterialLibrary(TGLMaterialLibrary* AValue);
  const std::string& GetLibMaterialName() const { return FLibMaterialName; }
  void SetLibMaterialName(const std::string& AValue);
  // The library material the name resolved to, or nil; while set, it renders in place of this.
  TGLLibMaterial* GetCurrentLibMaterial() const { return FCurrentLibMaterial; }
  // For a library material that is going: forgets library, name and link without a notice.
  void ClearLibraryLink();

  // Around the owner's drawing; the owner draws again while UnApply answers true.
  void Apply(TRenderContextInfo& rci);
  bool UnApply(TRenderContextInfo& rci);
  // Whether the material draws with blending, which sorts its owner among the blended objects.
  bool Blended() const;

  void Assign(TPersistent* Source) override;
  // Tells the owning scene object to repaint, or the owning library material's users; never the
  // change event.
  void NotifyChange(TObject* Sender) override;
  // Tells the owning scene object to rebuild its display list, which holds the texture
  // coordinates, or the owning library material's users.
  void NotifyStructureChange();
  void DestroyHandles();
  // After streaming.
  void Loaded();

 private:
  class TLibraryWatch;

  bool StoreMaterialProps() const { return FCurrentLibMaterial == nullptr; }
  // Resolves the name in the library, refuses a cyclic link, then stores library, name and link.
  void Link(TGLMaterialLibrary* library, const std::string& name);
  void WatchLibrary(TGLMaterialLibrary* library);
  void ApplyCulling(TRenderContextInfo& rci);
  void ApplyBlending(TRenderContextInfo& rci);

  TGLFaceProperties FFrontProperties;
  std::unique_ptr<TGLFaceProperties> FBackProperties;
  TBlendingMode FBlendingMode = bmOpaque;
  std::unique_ptr<TGLTexture> FTexture;
  std::unique_ptr<TGLTextureEx> FTextureEx;
  TGLMaterialLibrary* FMaterialLibrary = nullptr;
  std::string FLibMaterialName;
  TMaterialOptions FMaterialOptions = 0;
  TFaceCulling FFaceCulling = fcBufferDefault;
  TGLLibMaterial* FCurrentLibMaterial = nullptr;
  std::unique_ptr<TLibraryWatch> FLibraryWatch;
};

// The library classes a material links to, for every user of materials.
#include "engine/GLMaterialLibrary.h"  // IWYU pragma: export
