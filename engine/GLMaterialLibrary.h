#pragma once
// Named materials that scene objects share: a material linked to a library material by name
// renders with it. A library material adds a texture matrix, a second texture taken from
// another library material and a shader; the library finds texture files in its folders and
// keeps its materials in a binary stream.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/GLMaterial.h"
#include "engine/GLShader.h"

class TGLLibMaterials;
class TGLMaterialLibrary;
class TStream;
class TVirtualReader;
class TVirtualWriter;
class TGraphic;

class TGLLibMaterial : public TCollectionItem {
  RTL_CLASS(TGLLibMaterial, TCollectionItem)
  static const TPropertyTable& Published();
  explicit TGLLibMaterial(TCollection* ACollection);
  ~TGLLibMaterial() override;

  const std::string& GetName() const { return FName; }
  // Outside loading, a name another item has becomes its unique form.
  void SetName(const std::string& AValue);
  int32_t GetNameHashKey() const { return FNameHashKey; }
  virtual TGLMaterial* GetMaterial() const { return FMaterial.get(); }
  void SetMaterial(TGLMaterial* AValue);
  TGLCoordinates* GetTextureOffset() const { return FTextureOffset.get(); }
  void SetTextureOffset(TGLCoordinates* AValue);
  TGLCoordinates* GetTextureScale() const { return FTextureScale.get(); }
  void SetTextureScale(TGLCoordinates* AValue);
  const std::string& GetTexture2Name() const { return FTexture2Name; }
  void SetTexture2Name(const std::string& AValue);
  TGLShader* GetShader() const { return FShader; }
  void SetShader(TGLShader* AValue);
  int32_t GetTag() const { return FTag; }
  void SetTag(int32_t AValue) { FTag = AValue; }
  // The library material giving the second texture, once an apply has found it.
  TGLLibMaterial* GetLibMatTexture2() const { return FLibMatTexture2; }

  // The offset and scale of its textures' coordinates, which a texture it applies on another
  // unit loads as that unit's texture matrix.
  virtual bool GetTextureMatrixIsIdentity() const { return FTextureMatrixIsIdentity; }
  virtual const TMatrix& GetTextureMatrix() const { return FTextureMatrix; }

  void Assign(TPersistent* Source) override;
  std::string GetDisplayName() const override { return FName; }
  void CalculateTextureMatrix();
  void Loaded();

  // Users are told of changes and, when the library material goes, lose their link. A user
  // registered twice is an assertion failure.
  virtual void RegisterUser(TGLMaterial* user);
  virtual void UnregisterUser(TGLMaterial* user);
  void RegisterLibMaterialUser(TGLLibMaterial* user);
  void UnregisterLibMaterialUser(TGLLibMaterial* user);
  virtual void NotifyUsers();
  virtual void NotifyUsersOfTexMapChange();

  virtual void Apply(TRenderContextInfo& rci);
  // True asks for another pass of the geometry.
  virtual bool UnApply(TRenderContextInfo& rci);

  // Asks the library's handler, then looks for the file in the library's folders.
  void DoOnTextureNeeded(TObject* Sender, std::string& textureFileName);

  TGLMaterialLibrary* Library() const;

 private:
  friend class TGLMaterialLibrary;
  void ApplyMaterial(TRenderContextInfo& rci);
  // Each user once, unless a notice is already going round.
  template <class Tell>
  void TellUsers(Tell tell);

  std::vector<TObject*> FUserList;
  std::string FName;
  int32_t FNameHashKey = 0;
  std::unique_ptr<TGLMaterial> FMaterial;
  std::unique_ptr<TGLCoordinates> FTextureOffset;
  std::unique_ptr<TGLCoordinates> FTextureScale;
  bool FTextureMatrixIsIdentity = true;
  TMatrix FTextureMatrix = IdentityHmgMatrix;
  std::string FTexture2Name;
  TGLShader* FShader = nullptr;
  bool FNotifying = false;
  TGLLibMaterial* FLibMatTexture2 = nullptr;
  int32_t FTag = 0;
};

class TGLLibMaterials : public TOwnedCollection {
  RTL_CLASS(TGLLibMaterials, TOwnedCollection)
  explicit TGLLibMaterials(TComponent* AOwner);

  TGLLibMaterial* Add() { return static_cast<TGLLibMaterial*>(TCollection::Add()); }
  TGLLibMaterial* Items(int index) const { return static_cast<TGLLibMaterial*>(GetItem(index)); }
  TGLLibMaterial* GetLibMaterialByName(const std::string& name) const;
  // The base when no item has it, else the base followed by 1, 2, ..., the first free one.
  std::string MakeUniqueName(const std::string& base) const;
  void Loaded();
};

// The length, then twice the hash plus each byte (unsigned), wrapping in 32 bits.
int32_t ComputeNameHashKey(const std::string& name);

class TGLMaterialLibrary : public TGLCadenceAbleComponent {
  RTL_CLASS(TGLMaterialLibrary, TGLCadenceAbleComponent)
  static const TPropertyTable& Published();
  explicit TGLMaterialLibrary(TComponent* AOwner);
  ~TGLMaterialLibrary() override;

  TGLLibMaterials* GetMaterials() const { return FMaterials.get(); }
  void SetMaterials(TGLLibMaterials* AValue);
  bool HasMaterials() const { return FMaterials->Count() > 0; }
  const std::string& GetTexturePaths() const { return FTexturePaths; }
  void SetTexturePaths(const std::string& AValue);
  // The folders of TexturePaths, each ending with a separator; empty when there are none.
  const std::vector<std::string>& TexturePathList() const { return FTexturePathList; }
  TTextureNeededEvent OnTextureNeeded;

  // The first material of exactly that name (case-sensitive), or nil.
  virtual TGLLibMaterial* LibMaterialByName(const std::string& name) const;
  TGLLibMaterial* AddTextureMaterial(const std::string& name, TGraphic* graphic);

  void Loaded() override;
  void SaveToStream(TStream* stream);
  // Versions 0 to 2. An unknown version raises before anything changes; a stream that ends
  // early or holds a value out of range raises and keeps the materials read before it whole.
  void LoadFromStream(TStream* stream);
  void WriteToFiler(TVirtualWriter& writer);
  void ReadFromFiler(TVirtualReader& reader);

 private:
  bool FDoNotClearMaterialsOnLoad = false;
  std::unique_ptr<TGLLibMaterials> FMaterials;
  std::string FTexturePaths;
  std::vector<std::string> FTexturePathList;
};

void RegisterGLMaterialLibrary();
