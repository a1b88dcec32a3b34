#pragma once
// Stand-ins for what a material calls and for the objects that own one: a scene object, and a
// library with its library materials. Each logs what the material asks of it, so a test reads
// the whole conversation.

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
        // Only the name: the real library material's parts would fill the layouts.
        TPropertyTable::Extend<TFakeLibMaterial>(TCollectionItem::Published())
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
  bool GetTextureMatrixIsIdentity() const override { return TextureMatrixIsIdentity; }
  const TMatrix& GetTextureMatrix() const override { return TextureMatrix; }

  std::string Name;
  std::unique_ptr<TGLMaterial> Material = std::make_unique<TGLMaterial>(this);
  std::vector<TGLMaterial*> Users;
  bool AnotherPass = false;
  bool TextureMatrixIsIdentity = true;
  TMatrix TextureMatrix = IdentityHmgMatrix;
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

}  // namespace material_fakes
