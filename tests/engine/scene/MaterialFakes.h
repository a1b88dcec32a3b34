#pragma once
// Stand-ins for what a material calls and for the objects that own one: a scene object, a
// library with its library materials, a texture and extra texture units. Each logs what the
// material asks of it, so a test reads the whole conversation.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/GLMaterial.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/Raises.h"

namespace material_fakes {

inline std::vector<std::string> Log;

inline std::string NameOf(TObject* object) {
  return object ? object->ClassName() : std::string("nil");
}

// A scene object that owns a material, as the custom scene objects do.
class TFakeObject : public TGLUpdateAbleComponent, public IGLStructureChangeable {
  RTL_CLASS(TFakeObject, TGLUpdateAbleComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TFakeObject>(TGLUpdateAbleComponent::Published())
            .Object("Material", [](const TFakeObject& o) { return o.Material.get(); });
    return table;
  }
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  void StructureChanged() override { Log.push_back("structure changed"); }
  void NotifyChange(TObject* Sender) override { Log.push_back("object <- " + NameOf(Sender)); }
  std::unique_ptr<TGLMaterial> Material = std::make_unique<TGLMaterial>(this);
};

class TFakeLibMaterial : public TGLLibMaterial {
  RTL_CLASS(TFakeLibMaterial, TGLLibMaterial)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TFakeLibMaterial>(TGLLibMaterial::Published())
            .String("Name", &TFakeLibMaterial::GetName, &TFakeLibMaterial::SetName);
    return table;
  }
  using TGLLibMaterial::TGLLibMaterial;
  // As a library material does when it goes.
  ~TFakeLibMaterial() override {
    for (TGLMaterial* user : std::vector<TGLMaterial*>(Users)) user->ClearLibraryLink();
  }
  const std::string& GetName() const { return Name; }
  void SetName(const std::string& name) { Name = name; }

  TGLMaterial* GetMaterial() const override { return Material.get(); }
  void RegisterUser(TGLMaterial* user) override {
    Assert(std::find(Users.begin(), Users.end(), user) == Users.end());
    Users.push_back(user);
  }
  void UnregisterUser(TGLMaterial* user) override { std::erase(Users, user); }
  void NotifyUsers() override { Log.push_back(Name + " tells its users"); }
  void NotifyUsersOfTexMapChange() override {
    Log.push_back(Name + " tells its users of a mapping change");
  }
  void Apply(TRenderContextInfo&) override { Log.push_back(Name + " applied"); }
  bool UnApply(TRenderContextInfo&) override {
    Log.push_back(Name + " unapplied");
    return AnotherPass;
  }

  std::string Name;
  std::unique_ptr<TGLMaterial> Material = std::make_unique<TGLMaterial>(this);
  std::vector<TGLMaterial*> Users;
  bool AnotherPass = false;
};

class TFakeLibrary : public TGLMaterialLibrary {
  RTL_CLASS(TFakeLibrary, TGLMaterialLibrary)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TFakeLibrary>(TGLMaterialLibrary::Published())
            .Object("Materials", [](const TFakeLibrary& l) { return l.Materials.get(); });
    return table;
  }
  using TGLMaterialLibrary::TGLMaterialLibrary;
  // As a library does, its materials go before the component tells of its end.
  ~TFakeLibrary() override { Materials->Clear(); }

  TFakeLibMaterial* Add(const std::string& name) {
    auto* added = static_cast<TFakeLibMaterial*>(Materials->Add());
    added->Name = name;
    return added;
  }
  TGLLibMaterial* LibMaterialByName(const std::string& name) const override {
    for (int i = 0; i < Materials->Count(); ++i)
      if (auto* item = static_cast<TFakeLibMaterial*>(Materials->GetItem(i)); item->Name == name)
        return item;
    return nullptr;
  }

  std::unique_ptr<TOwnedCollection> Materials =
      std::make_unique<TOwnedCollection>(this, TFakeLibMaterial::StaticClass());
};

class TFakeTexture : public TGLTexture {
  RTL_CLASS(TFakeTexture, TGLTexture)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TFakeTexture>(TGLTexture::Published())
            .Boolean("Disabled", &TFakeTexture::GetDisabled, &TFakeTexture::SetDisabled,
                     Default(true));
    return table;
  }
  using TGLTexture::TGLTexture;
  bool GetDisabled() const override { return Disabled; }
  void SetDisabled(bool disabled) { Disabled = disabled; }
  void Apply(TRenderContextInfo&) override { Log.push_back("texture applied"); }
  void UnApply(TRenderContextInfo&) override { Log.push_back("texture unapplied"); }
  void DestroyHandles() override { Log.push_back("texture handles destroyed"); }
  void Assign(TPersistent* Source) override {
    auto* source = dynamic_cast<TFakeTexture*>(Source);
    if (!source) return inherited::Assign(Source);
    Disabled = source->Disabled;
    NotifyChange(this);
  }

  // Nothing below is asked by a material.
  TGLTextureImage* GetImage() const override { return nullptr; }
  TGLMinFilter GetMinFilter() const override { return miLinearMipmapLinear; }
  TGLTextureHandle* GetTextureHandle() const override { return nullptr; }
  bool IsHandleAllocated() const override { return false; }
  GLuint AllocateHandle() override { return 0; }
  GLenum OpenGLTextureFormat() override { return 0; }

  bool Disabled = true;
};

class TFakeUnit : public TCollectionItem {
  RTL_CLASS(TFakeUnit, TCollectionItem)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TFakeUnit>(TCollectionItem::Published())
            .Integer("TextureIndex", &TFakeUnit::GetTextureIndex, &TFakeUnit::SetTextureIndex);
    return table;
  }
  using TCollectionItem::TCollectionItem;
  int GetTextureIndex() const { return TextureIndex; }
  void SetTextureIndex(int index) { TextureIndex = index; }
  void Assign(TPersistent* Source) override {
    auto* source = dynamic_cast<TFakeUnit*>(Source);
    if (!source) return inherited::Assign(Source);
    TextureIndex = source->TextureIndex;
    Enabled = source->Enabled;
  }
  int TextureIndex = 0;
  bool Enabled = true;
};

class TFakeTextureEx : public TGLTextureEx {
  RTL_CLASS(TFakeTextureEx, TGLTextureEx)
  explicit TFakeTextureEx(TGLMaterial* owner)
      : TGLTextureEx(TFakeUnit::StaticClass()), FOwner(owner) {}
  TPersistent* GetOwner() const override { return FOwner; }
  TFakeUnit* Add(int unit, bool enabled = true) {
    auto* item = static_cast<TFakeUnit*>(TCollection::Add());
    item->TextureIndex = unit;
    item->Enabled = enabled;
    return item;
  }
  bool IsTextureEnabled(int index) const override {
    for (int i = 0; i < Count(); ++i)
      if (auto* item = static_cast<TFakeUnit*>(GetItem(i));
          item->TextureIndex == index && item->Enabled)
        return true;
    return false;
  }
  void Apply(TRenderContextInfo&) override { Log.push_back("units applied"); }
  void UnApply(TRenderContextInfo&) override { Log.push_back("units unapplied"); }
  void Loaded() override { Log.push_back("units loaded"); }

 private:
  TGLMaterial* FOwner;
};

// Makes the fakes the parts every new material gets, for the life of the object.
class TFakeParts {
 public:
  TFakeParts() {
    TGLMaterial::TextureMaker = [](TGLMaterial* owner) -> std::unique_ptr<TGLTexture> {
      return std::make_unique<TFakeTexture>(owner);
    };
    TGLMaterial::TextureExMaker = [](TGLMaterial* owner) -> std::unique_ptr<TGLTextureEx> {
      return std::make_unique<TFakeTextureEx>(owner);
    };
  }
  ~TFakeParts() {
    TGLMaterial::TextureMaker = nullptr;
    TGLMaterial::TextureExMaker = nullptr;
  }
  TFakeParts(const TFakeParts&) = delete;
  TFakeParts& operator=(const TFakeParts&) = delete;
};

inline TFakeTexture* FakeTexture(TGLMaterial& material) {
  return static_cast<TFakeTexture*>(material.GetTexture());
}
inline TFakeTextureEx* FakeUnits(TGLMaterial& material) {
  return static_cast<TFakeTextureEx*>(material.GetTextureEx());
}

}  // namespace material_fakes
