// The material's parts, setters and notices, its link to a library material (and the links it
// refuses), copies, and the values it stores in a window layout.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/engine/scene/MaterialFakes.h"

namespace {
using namespace material_fakes;
using testing::Contains;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

using TLog = std::vector<std::string>;
const auto Cyclic = StartsWith("Error: Cyclic material reference detected! (GLMaterial.cpp, line ");

class MaterialTest : public ::testing::Test {
 protected:
  void SetUp() override { Log.clear(); }
  void TearDown() override { vKeepDefaultCoordinates = false; }
};

TEST_F(MaterialTest, ANewMaterialHasItsFrontFaceOnly) {
  TGLMaterial material(nullptr);
  EXPECT_EQ(material.GetFrontProperties()->GetOwner(), &material);
  EXPECT_FALSE(material.HasBackProperties());
  EXPECT_FALSE(material.HasTexture());
  EXPECT_FALSE(material.HasTextureEx());
  EXPECT_EQ(material.GetBlendingMode(), bmOpaque);
  EXPECT_EQ(material.GetMaterialOptions(), 0);
  EXPECT_EQ(material.GetFaceCulling(), fcBufferDefault);

  TGLFaceProperties* back = material.GetBackProperties();
  EXPECT_EQ(back->GetOwner(), &material);
  EXPECT_EQ(back->GetAmbient()->GetColor(), ColorGray20);
  EXPECT_EQ(back->GetDiffuse()->GetColor(), ColorGray80);
  EXPECT_EQ(material.GetBackProperties(), back);

  EXPECT_EQ(material.GetTexture()->GetOwner(), &material);
  EXPECT_TRUE(material.GetTexture()->GetDisabled());
  EXPECT_EQ(material.GetTextureEx()->GetOwner(), &material);
  EXPECT_EQ(material.GetTextureEx()->Count(), 0);
}

TEST_F(MaterialTest, SettersTellTheOwningObjectOnlyOfAChange) {
  const std::string repaint = "object <- TGLMaterial";
  const struct {
    const char* what;
    std::function<void(TGLMaterial&)> change;
    TLog expected;
  } cases[] = {
      {"same blending mode", [](TGLMaterial& m) { m.SetBlendingMode(bmOpaque); }, {}},
      {"new blending mode", [](TGLMaterial& m) { m.SetBlendingMode(bmAdditive); }, {repaint}},
      {"same options", [](TGLMaterial& m) { m.SetMaterialOptions(0); }, {}},
      {"new options", [](TGLMaterial& m) { m.SetMaterialOptions(moIgnoreFog); }, {repaint}},
      {"same culling", [](TGLMaterial& m) { m.SetFaceCulling(fcBufferDefault); }, {}},
      {"new culling", [](TGLMaterial& m) { m.SetFaceCulling(fcNoCull); }, {repaint}},
      {"a front colour",
       [](TGLMaterial& m) { m.GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0, 0, 1); },
       {repaint}},
      {"a back colour",
       [](TGLMaterial& m) { m.GetBackProperties()->GetEmission()->SetRed(1); },
       {repaint}},
      // The face notices its own assignment, then the material its setter.
      {"front properties",
       [](TGLMaterial& m) {
         TGLFaceProperties face(nullptr);
         m.SetFrontProperties(&face);
       },
       {repaint, repaint}},
      {"back properties",
       [](TGLMaterial& m) {
         TGLFaceProperties face(nullptr);
         m.SetBackProperties(&face);
       },
       {repaint, repaint}},
      {"no texture", [](TGLMaterial& m) { m.SetTexture(nullptr); }, {}},
  };
  for (const auto& c : cases) {
    TFakeObject object(nullptr);
    TGLMaterial& material = *object.Material;
    material.OnNotifyChange = [](TObject*) { Log.push_back("event"); };
    c.change(material);
    EXPECT_EQ(Log, c.expected) << c.what << ": colours never rebuild the owner's list";
    Log.clear();
  }
}

TEST_F(MaterialTest, NoticesByOwnerKind) {
  TFakeObject object(nullptr);
  object.Material->NotifyChange(nullptr);
  object.Material->NotifyStructureChange();
  EXPECT_EQ(Log, (TLog{"object <- TGLMaterial", "structure changed"}));

  Log.clear();
  TFakeLibrary library(nullptr);
  TGLMaterial& shared = *library.Add("Gold")->Material;
  shared.SetBlendingMode(bmModulate);
  shared.NotifyStructureChange();
  EXPECT_EQ(Log, (TLog{"Gold tells its users", "Gold tells its users of a mapping change"}));

  Log.clear();
  TComponent plain(nullptr);
  for (TGLMaterial* material : {new TGLMaterial(nullptr), new TGLMaterial(&plain)}) {
    material->OnNotifyChange = [](TObject*) { Log.push_back("event"); };
    material->SetFaceCulling(fcCull);
    material->NotifyStructureChange();
    delete material;
  }
  EXPECT_TRUE(Log.empty()) << "no scene object or library material to tell, and never the event";
}

TEST_F(MaterialTest, ALinkFollowsNameAndLibraryAndRebuildsTheOwnersList) {
  TFakeLibrary library(nullptr);
  TFakeLibMaterial* gold = library.Add("Gold");
  TFakeLibMaterial* silver = library.Add("Silver");
  TFakeObject object(nullptr);
  TGLMaterial& material = *object.Material;
  const auto linked = [&](TGLLibMaterial* expected, const TLog& log) {
    EXPECT_EQ(material.GetCurrentLibMaterial(), expected);
    for (TFakeLibMaterial* candidate : {gold, silver})
      EXPECT_EQ(candidate->Users, candidate == expected ? std::vector<TGLMaterial*>{&material}
                                                        : std::vector<TGLMaterial*>{})
          << candidate->Name;
    EXPECT_EQ(Log, log);
    Log.clear();
  };

  material.SetLibMaterialName("Gold");
  linked(nullptr, {});
  material.SetMaterialLibrary(&library);
  linked(gold, {"structure changed"});
  material.SetMaterialLibrary(&library);
  material.SetLibMaterialName("Gold");
  linked(gold, {});
  material.SetLibMaterialName("Silver");
  linked(silver, {"structure changed"});
  material.SetLibMaterialName("silver");
  linked(nullptr, {"structure changed"});
  EXPECT_EQ(material.GetLibMaterialName(), "silver") << "kept though it names nothing";
  material.SetLibMaterialName("Silver");
  material.SetMaterialLibrary(nullptr);
  linked(nullptr, {"structure changed", "structure changed"});
  EXPECT_EQ(material.GetLibMaterialName(), "Silver");

  {
    TGLMaterial passing(nullptr);
    passing.SetMaterialLibrary(&library);
    passing.SetLibMaterialName("Gold");
    EXPECT_EQ(gold->Users, std::vector<TGLMaterial*>{&passing});
  }
  EXPECT_TRUE(gold->Users.empty()) << "a material that goes leaves its library material";
}

TEST_F(MaterialTest, BlendedByModeOrByTheLinkedMaterial) {
  const struct {
    TBlendingMode mode;
    bool blended;
  } cases[] = {{bmOpaque, false},      {bmTransparency, true},  {bmAdditive, true},
               {bmAlphaTest50, false}, {bmAlphaTest100, false}, {bmModulate, true}};
  TFakeLibrary library(nullptr);
  TGLMaterial& shared = *library.Add("Glass")->Material;
  for (const auto& c : cases) {
    TGLMaterial material(nullptr);
    material.SetBlendingMode(c.mode);
    EXPECT_EQ(material.Blended(), c.blended) << int(c.mode);
    shared.SetBlendingMode(c.mode);
    TGLMaterial user(nullptr);
    user.SetBlendingMode(c.blended ? bmOpaque : bmTransparency);
    user.SetMaterialLibrary(&library);
    user.SetLibMaterialName("Glass");
    EXPECT_EQ(user.Blended(), c.blended) << int(c.mode) << " through the link";
  }
}

// Gold's material uses Silver; answers Silver's material.
TGLMaterial* GoldUsingSilver(TFakeLibrary& library) {
  TGLMaterial* gold = library.Add("Gold")->Material.get();
  TGLMaterial* silver = library.Add("Silver")->Material.get();
  gold->SetMaterialLibrary(&library);
  gold->SetLibMaterialName("Silver");
  return silver;
}

// Rendering follows the links, so a link that loops is refused before anything is stored.
TEST_F(MaterialTest, ALinkThatWouldLoopIsRefused) {
  // The material to link, and the change that is refused.
  using TSetUp = std::pair<TGLMaterial*, std::function<void()>>;
  const struct {
    const char* what;
    std::function<TSetUp(TFakeLibrary&)> setUp;
  } cases[] = {
      {"to its own library material",
       [](TFakeLibrary& library) -> TSetUp {
         TGLMaterial* gold = library.Add("Gold")->Material.get();
         gold->SetMaterialLibrary(&library);
         return {gold, [gold] { gold->SetLibMaterialName("Gold"); }};
       }},
      {"to a library material that links back",
       [](TFakeLibrary& library) -> TSetUp {
         TGLMaterial* silver = GoldUsingSilver(library);
         silver->SetMaterialLibrary(&library);
         return {silver, [silver] { silver->SetLibMaterialName("Gold"); }};
       }},
      {"by the library under a name that loops",
       [](TFakeLibrary& library) -> TSetUp {
         TGLMaterial* silver = GoldUsingSilver(library);
         silver->SetLibMaterialName("Gold");
         return {silver, [silver, &library] { silver->SetMaterialLibrary(&library); }};
       }},
      {"by a copy of a material that uses it",
       [](TFakeLibrary& library) -> TSetUp {
         TGLMaterial* gold = library.Add("Gold")->Material.get();
         auto source = std::make_shared<TGLMaterial>(nullptr);
         source->SetMaterialLibrary(&library);
         source->SetLibMaterialName("Gold");
         return {gold, [gold, source] { gold->Assign(source.get()); }};
       }},
  };
  for (const auto& c : cases) {
    TFakeLibrary library(nullptr);
    auto [material, change] = c.setUp(library);
    const TGLMaterialLibrary* libraryBefore = material->GetMaterialLibrary();
    const std::string nameBefore = material->GetLibMaterialName();
    Log.clear();
    EXPECT_TRUE(Raises<EAssertionFailed>(change, Cyclic)) << c.what;
    EXPECT_EQ(material->GetMaterialLibrary(), libraryBefore) << c.what;
    EXPECT_EQ(material->GetLibMaterialName(), nameBefore) << c.what;
    EXPECT_EQ(material->GetCurrentLibMaterial(), nullptr) << c.what;
    EXPECT_THAT(Log, Not(Contains(HasSubstr("mapping change")))) << c.what;
  }
}

TEST_F(MaterialTest, AChainSixteenLibraryMaterialsDeepCountsAsALoop) {
  for (int depth : {15, 16}) {
    TFakeLibrary library(nullptr);
    std::vector<TFakeLibMaterial*> chain;
    for (int i = 0; i < depth; ++i) chain.push_back(library.Add("M" + std::to_string(i)));
    for (int i = depth - 2; i >= 0; --i) {
      chain[i]->Material->SetMaterialLibrary(&library);
      chain[i]->Material->SetLibMaterialName(chain[i + 1]->Name);
    }
    TGLMaterial user(nullptr);
    user.SetMaterialLibrary(&library);
    if (depth < 16) {
      user.SetLibMaterialName("M0");
      EXPECT_EQ(user.GetCurrentLibMaterial(), chain[0]);
    } else {
      EXPECT_TRUE(Raises<EAssertionFailed>([&] { user.SetLibMaterialName("M0"); }, Cyclic));
      EXPECT_EQ(user.GetCurrentLibMaterial(), nullptr);
    }
  }
}

TEST_F(MaterialTest, TheLibraryReferenceGoesWithTheLibrary) {
  TGLMaterial linked(nullptr), unresolved(nullptr);
  auto library = std::make_unique<TFakeLibrary>(nullptr);
  library->Add("Gold");
  linked.SetMaterialLibrary(library.get());
  linked.SetLibMaterialName("Gold");
  unresolved.SetLibMaterialName("Lead");
  unresolved.SetMaterialLibrary(library.get());
  {
    TGLMaterial gone(nullptr);
    gone.SetMaterialLibrary(library.get());
  }
  library.reset();

  EXPECT_EQ(linked.GetMaterialLibrary(), nullptr);
  EXPECT_EQ(linked.GetCurrentLibMaterial(), nullptr);
  EXPECT_EQ(linked.GetLibMaterialName(), "") << "cleared by the library material";
  EXPECT_EQ(unresolved.GetMaterialLibrary(), nullptr);
  EXPECT_EQ(unresolved.GetLibMaterialName(), "Lead");
  unresolved.SetLibMaterialName("Gold");
  EXPECT_EQ(unresolved.GetCurrentLibMaterial(), nullptr);
}

TEST_F(MaterialTest, AssignCopiesTheMaterialAndResolvesItsLink) {
  TFakeLibrary library(nullptr);
  TFakeLibMaterial* gold = library.Add("Gold");
  TGLMaterial source(nullptr);
  source.GetBackProperties()->GetDiffuse()->SetDirectColor(ColorBlue);
  source.GetFrontProperties()->SetShininess(64);
  source.SetBlendingMode(bmModulate);
  source.SetMaterialOptions(moIgnoreFog | moNoLighting);
  source.GetTexture()->SetDisabled(false);
  source.SetFaceCulling(fcNoCull);
  source.SetMaterialLibrary(&library);
  source.SetLibMaterialName("Gold");
  source.GetTextureEx()->Add()->SetTextureIndex(2);

  TFakeObject object(nullptr);
  TGLMaterial& material = *object.Material;
  material.Assign(&source);
  EXPECT_EQ(material.GetBackProperties()->GetDiffuse()->GetColor(), ColorBlue);
  EXPECT_EQ(material.GetFrontProperties()->GetShininess(), 64);
  EXPECT_EQ(material.GetBlendingMode(), bmModulate);
  EXPECT_EQ(material.GetMaterialOptions(), moIgnoreFog | moNoLighting);
  EXPECT_FALSE(material.GetTexture()->GetDisabled());
  EXPECT_EQ(material.GetFaceCulling(), fcNoCull);
  EXPECT_EQ(material.GetMaterialLibrary(), &library);
  EXPECT_EQ(material.GetCurrentLibMaterial(), gold);
  EXPECT_EQ(gold->Users, (std::vector<TGLMaterial*>{&source, &material}));
  ASSERT_EQ(material.GetTextureEx()->Count(), 1);
  EXPECT_EQ(material.GetTextureEx()->Items(0)->GetTextureIndex(), 2);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "structure changed"), 2)
      << "the new link, and the texture now enabled";
  EXPECT_EQ(Log.back(), "object <- TGLMaterial");

  TGLMaterial bare(nullptr);
  material.Assign(&bare);
  EXPECT_FALSE(material.HasBackProperties()) << "the source has none";
  EXPECT_FALSE(material.HasTexture()) << "the source has none";
  EXPECT_EQ(material.GetCurrentLibMaterial(), nullptr);
  EXPECT_TRUE(gold->Users == std::vector<TGLMaterial*>{&source});

  TStringList other;
  EXPECT_TRUE(Raises<EConvertError>([&] { material.Assign(&other); },
                                    "Cannot assign a TStringList to a TGLMaterial"));
}

TEST_F(MaterialTest, HandlesAndLoadingReachOnlyThePartsThatExist) {
  TGLMaterial material(nullptr);
  material.DestroyHandles();
  material.Loaded();
  EXPECT_FALSE(material.HasTexture());
  EXPECT_FALSE(material.HasTextureEx());

  TGLTextureExItem* unit = material.GetTextureEx()->Add();
  TGLCoordinates offset(nullptr, {0.5f, 0, 0, 0}, ckFree);
  unit->SetTextureOffset(&offset);
  ASSERT_FALSE(unit->GetTextureMatrixIsIdentity());
  ASSERT_EQ(unit->GetTextureMatrix(), IdentityHmgMatrix) << "not worked out by the setter";
  material.Loaded();
  EXPECT_EQ(unit->GetTextureMatrix()[3][0], 0.5f) << "worked out once loaded";
}

// ---- Window layouts

std::string WriteLayout(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

void ReadLayout(const std::string& layout, TComponent* root) {
  static const bool registered = [] {
    RegisterClass(TFakeLibrary::StaticClass());
    return true;
  }();
  (void)registered;
  TStringStream stream(layout);
  stream.ReadComponent(root);
}

// A scene object with a material, and a library holding "Gold" beside it in the layout.
struct TPlaneWithLibrary {
  TPlaneWithLibrary() {
    object.SetName("Plane");
    library->SetName("Library");
    library->Add("Gold");
  }
  TFakeObject object{nullptr};
  TFakeLibrary* library = new TFakeLibrary(&object);
  TGLMaterial& material = *object.Material;
};

TEST_F(MaterialTest, LayoutStoresWhatDiffersFromTheDefaultsInPublishedOrder) {
  vKeepDefaultCoordinates = true;
  TPlaneWithLibrary plane;
  TGLMaterial& material = plane.material;
  material.GetBackProperties()->GetDiffuse()->SetDirectColor({0.5f, 0, 0, 1});
  material.GetFrontProperties()->GetDiffuse()->SetDirectColor({0, 0.5f, 0, 1});
  material.GetFrontProperties()->GetEmission()->SetDirectColor({0, 0, 0.5f, 1});
  material.SetBlendingMode(bmAlphaTest50);
  material.GetTexture()->SetDisabled(false);
  material.SetMaterialOptions(moNoLighting);
  material.SetFaceCulling(fcCull);
  material.SetLibMaterialName("Lead");
  material.SetMaterialLibrary(plane.library);
  material.GetTextureEx()->Add()->SetTextureIndex(3);

  const std::string layout = WriteLayout(&plane.object);
  EXPECT_EQ(layout,
            "object Plane: TFakeObject\n"
            "  Material.BackProperties.Diffuse.Color = {0000003F00000000000000000000803F}\n"
            "  Material.FrontProperties.Diffuse.Color = {000000000000003F000000000000803F}\n"
            "  Material.FrontProperties.Emission.Color = {00000000000000000000003F0000803F}\n"
            "  Material.BlendingMode = bmAlphaTest50\n"
            "  Material.Texture.Disabled = False\n"
            "  Material.MaterialOptions = [moNoLighting]\n"
            "  Material.FaceCulling = fcCull\n"
            "  Material.MaterialLibrary = Library\n"
            "  Material.LibMaterialName = 'Lead'\n"
            "  Material.TextureEx = <\n"
            "    item\n"
            "      TextureIndex = 3\n"
            "    end>\n"
            "  object Library: TFakeLibrary\n"
            "    Materials = <\n"
            "      item\n"
            "        Name = 'Gold'\n"
            "      end>\n"
            "  end\n"
            "end\n");

  TFakeObject read(nullptr);
  ReadLayout(layout, &read);
  EXPECT_EQ(WriteLayout(&read), layout);
  EXPECT_EQ(read.Material->GetMaterialLibrary(), read.FindComponent("Library"));
}

TEST_F(MaterialTest, ALinkedMaterialStoresOnlyItsLink) {
  TPlaneWithLibrary plane;
  TGLMaterial& material = plane.material;
  material.SetBlendingMode(bmAdditive);
  material.SetFaceCulling(fcNoCull);
  material.SetMaterialLibrary(plane.library);
  material.SetLibMaterialName("Gold");

  const std::string layout = WriteLayout(&plane.object);
  EXPECT_THAT(layout, HasSubstr("  Material.FaceCulling = fcNoCull\n"
                                "  Material.MaterialLibrary = Library\n"
                                "  Material.LibMaterialName = 'Gold'\n"
                                "  object Library: TFakeLibrary\n"));
  for (const char* own : {"BackProperties", "FrontProperties", "BlendingMode", "Texture"})
    EXPECT_THAT(layout, Not(HasSubstr("Material." + std::string(own)))) << own;
  EXPECT_FALSE(material.HasBackProperties()) << "the writer did not ask for them";
  EXPECT_FALSE(material.HasTexture());
  EXPECT_FALSE(material.HasTextureEx());

  TFakeObject read(nullptr);
  ReadLayout(layout, &read);
  auto* readLibrary = static_cast<TFakeLibrary*>(read.FindComponent("Library"));
  ASSERT_NE(readLibrary, nullptr);
  EXPECT_EQ(read.Material->GetCurrentLibMaterial(), readLibrary->LibMaterialByName("Gold"))
      << "resolved once the reference is known";
}

TEST_F(MaterialTest, TheWritersReadMakesTheOwnPartsButNoEmptyUnits) {
  TFakeObject object(nullptr);
  const std::string layout = WriteLayout(&object);
  EXPECT_TRUE(object.Material->HasBackProperties());
  EXPECT_TRUE(object.Material->HasTexture());
  EXPECT_FALSE(object.Material->HasTextureEx());
  EXPECT_THAT(layout, HasSubstr("Material.BackProperties.Ambient.Color = "));
  EXPECT_THAT(layout, Not(HasSubstr("TextureEx")));
}

}  // namespace
