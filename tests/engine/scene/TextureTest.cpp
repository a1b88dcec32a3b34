// The texture's settings and the notices they send, its image and image class, copies, and what
// it stores in a window layout; the extra texture units' settings, texture matrix and notices.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "tests/engine/graphics/TextureTestSupport.h"
#include "tests/engine/scene/MaterialFakes.h"

namespace {
using namespace texture_test;
using TLog = std::vector<std::string>;

const std::string Repaint = "owner <- TGLTexture";

TEST_F(TextureTest, ANewTextureIsDisabledWithAnEmptyPersistentImage) {
  EXPECT_TRUE(texture.GetDisabled());
  EXPECT_FALSE(texture.GetEnabled());
  EXPECT_EQ(texture.GetImageClassName(), "TGLPersistentImage");
  EXPECT_EQ(texture.GetImage()->GetOwnerTexture(), &texture);
  EXPECT_EQ(texture.GetImage()->GetWidth(), 0);
  EXPECT_EQ(texture.GetMappingSCoordinates()->GetAsVector(), (TVector{1, 0, 0, 0}));
  EXPECT_EQ(texture.GetMappingTCoordinates()->GetAsVector(), (TVector{1, 0, 0, 0}))
      << "T starts as S does";
  EXPECT_EQ(texture.GetEnvColor()->GetColor(), (TColorVector{0, 0, 0, 0}));
  EXPECT_EQ(texture.GetMinFilter(), miLinearMipmapLinear);
  EXPECT_EQ(texture.GetRequiredMemorySize(), -1);
  EXPECT_FALSE(texture.IsHandleAllocated());
  EXPECT_TRUE(TakeNotices().empty());
}

TEST_F(TextureTest, SettersNotifyOnlyOfAChange) {
  const struct {
    const char* what;
    std::function<void(TGLTexture&)> change;
    TLog expected;
  } cases[] = {
      {"same alpha", [](TGLTexture& t) { t.SetImageAlpha(tiaDefault); }, {}},
      {"alpha", [](TGLTexture& t) { t.SetImageAlpha(tiaOpaque); }, {Repaint}},
      {"brightness", [](TGLTexture& t) { t.SetImageBrightness(2); }, {Repaint}},
      {"gamma", [](TGLTexture& t) { t.SetImageGamma(0.5f); }, {Repaint}},
      {"same min filter", [](TGLTexture& t) { t.SetMinFilter(miLinearMipmapLinear); }, {}},
      {"min filter", [](TGLTexture& t) { t.SetMinFilter(miNearest); }, {Repaint}},
      {"mag filter", [](TGLTexture& t) { t.SetMagFilter(maNearest); }, {Repaint}},
      {"mode", [](TGLTexture& t) { t.SetTextureMode(tmModulate); }, {Repaint}},
      {"wrap", [](TGLTexture& t) { t.SetTextureWrap(twNone); }, {Repaint}},
      {"format", [](TGLTexture& t) { t.SetTextureFormat(tfRGB); }, {Repaint}},
      {"compression", [](TGLTexture& t) { t.SetCompression(tcStandard); }, {Repaint}},
      {"filtering", [](TGLTexture& t) { t.SetFilteringQuality(tfAnisotropic); }, {Repaint}},
      {"normal-map scale of another format", [](TGLTexture& t) { t.SetNormalMapScale(1); }, {}},
      {"normal-map scale of a normal map",
       [](TGLTexture& t) {
         t.SetTextureFormat(tfNormalMap);
         Notices.clear();
         t.SetNormalMapScale(1);
       },
       {Repaint}},
      {"colour: the colour's notice, then the texture's",
       [](TGLTexture& t) {
         TGLColor red(nullptr, ColorBlack);
         t.SetEnvColor(&red);
       },
       {Repaint, Repaint}},
      {"mapping coordinates",
       [](TGLTexture& t) {
         TGLCoordinates4 plane(nullptr, {0, 1, 0, 0}, ckVector);
         t.SetMappingSCoordinates(&plane);
         t.SetMappingTCoordinates(&plane);
       },
       {}},
      {"a mapping coordinate",
       [](TGLTexture& t) { t.GetMappingSCoordinates()->SetX(2); },
       {Repaint}},
      {"between generated modes",
       [](TGLTexture& t) {
         t.SetMappingMode(tmmSphere);
         t.SetMappingMode(tmmEyeLinear);
       },
       {Repaint}},
      {"Disabled, which this owner is not told of",
       [](TGLTexture& t) { t.SetDisabled(false); },
       {}},
  };
  for (const auto& c : cases) {
    TGLTexture texture(&owner);
    Notices.clear();
    c.change(texture);
    EXPECT_EQ(TakeNotices(), c.expected) << c.what;
  }
}

// A texture of a material, and a texture of an extra unit of a material, ask for the material
// owner's display list when they switch on or off and when generated coordinates come or go.
TEST_F(TextureTest, SwitchingTheTextureOrItsGenerationRebuildsTheObjectsList) {
  using material_fakes::Log;
  material_fakes::TFakeObject object(nullptr);
  TGLMaterial& material = *object.Material;
  const std::function<TGLTexture&()> textures[] = {
      [&]() -> TGLTexture& { return *material.GetTexture(); },
      [&]() -> TGLTexture& { return *material.GetTextureEx()->Add()->GetTexture(); },
  };
  for (const auto& make : textures) {
    TGLTexture& texture = make();
    Log.clear();
    texture.SetDisabled(false);
    texture.SetMappingMode(tmmSphere);
    texture.SetMappingMode(tmmObjectLinear);
    texture.SetMappingMode(tmmUser);
    EXPECT_EQ(Log, (TLog{"structure changed", "structure changed", "object <- TGLMaterial",
                         "structure changed"}));
  }
}

TEST_F(TextureTest, TheImageAndItsClass) {
  texture.OnTextureNeeded = [](TObject* sender, std::string& name) {
    Notices.push_back(NameOf(sender) + " needs " + name);
  };
  texture.SetImageClassName("TGLBlankImage");
  EXPECT_EQ(TakeNotices(), (TLog{Repaint}));
  texture.SetImageClassName("TGLBlankImage");
  texture.SetImageClassName("");
  EXPECT_TRUE(TakeNotices().empty());
  EXPECT_EQ(texture.GetImageClassName(), "TGLBlankImage");
  EXPECT_THROW(texture.GetImage()->LoadFromFile("/no/such/size.txt"), EAssertionFailed);
  EXPECT_EQ(TakeNotices(), (TLog{"TGLBlankImage needs /no/such/size.txt"}))
      << "the new image asks through the texture";

  texture.SetImageClassName("TGLNoSuchImage");
  EXPECT_EQ(texture.GetImageClassName(), "TGLPersistentImage") << "a fresh persistent image";
  EXPECT_EQ(TakeNotices(), (TLog{Repaint}));

  TGLBlankImage wide(nullptr);
  wide.SetWidth(64);
  texture.SetImage(&wide);
  EXPECT_EQ(texture.GetImageClassName(), "TGLBlankImage");
  EXPECT_NE(texture.GetImage(), &wide) << "an image of its own";
  EXPECT_EQ(texture.GetImage()->GetWidth(), 64);
  EXPECT_EQ(TakeNotices(), (TLog{Repaint})) << "the copy into the image";

  texture.SetImage(nullptr);
  EXPECT_EQ(texture.GetImageClassName(), "TGLPersistentImage");
  EXPECT_TRUE(TakeNotices().empty());
  EXPECT_THROW(texture.GetImage()->LoadFromFile("/no/such/picture.bmp"), ETexture);
  EXPECT_EQ(TakeNotices(), (TLog{"TGLPersistentImage needs /no/such/picture.bmp", Repaint}))
      << "then the picture is emptied";
}

TEST_F(TextureTest, AssignCopiesWhatMakesTheTextureWithOneNotice) {
  TGLTexture source(nullptr);
  source.SetImageClassName("TGLBlankImage");
  ImageAs<TGLBlankImage>(source).SetWidth(32);
  source.SetImageAlpha(tiaOpaque);
  source.SetTextureMode(tmReplace);
  source.SetTextureWrap(twVertical);
  source.SetTextureFormat(tfLuminance);
  source.SetCompression(tcHighSpeed);
  source.SetMinFilter(miNearest);
  source.SetMagFilter(maNearest);
  source.SetMappingMode(tmmEyeLinear);
  source.GetMappingSCoordinates()->SetVector(0, 0, 1, 0);
  source.GetMappingTCoordinates()->SetVector(0, 1, 0, 0);
  source.SetDisabled(false);
  source.SetImageBrightness(2);
  source.SetImageGamma(3);
  source.GetEnvColor()->SetRGBA(1, 1, 0, 1);
  source.SetFilteringQuality(tfAnisotropic);
  source.SetNormalMapScale(4);

  texture.Assign(&source);
  EXPECT_EQ(TakeNotices(), (TLog{Repaint}));
  EXPECT_EQ(texture.GetImageClassName(), "TGLBlankImage");
  EXPECT_EQ(texture.GetImage()->GetWidth(), 32);
  EXPECT_EQ(texture.GetImageAlpha(), tiaOpaque);
  EXPECT_EQ(texture.GetTextureMode(), tmReplace);
  EXPECT_EQ(texture.GetTextureWrap(), twVertical);
  EXPECT_EQ(texture.GetTextureFormat(), tfLuminance);
  EXPECT_EQ(texture.GetCompression(), tcHighSpeed);
  EXPECT_EQ(texture.GetMinFilter(), miNearest);
  EXPECT_EQ(texture.GetMagFilter(), maNearest);
  EXPECT_EQ(texture.GetMappingMode(), tmmEyeLinear);
  EXPECT_EQ(texture.GetMappingSCoordinates()->GetAsVector(), (TVector{0, 0, 1, 0}));
  EXPECT_EQ(texture.GetMappingTCoordinates()->GetAsVector(), (TVector{0, 1, 0, 0}));
  EXPECT_FALSE(texture.GetDisabled());
  EXPECT_EQ(texture.GetImageBrightness(), 1) << "not copied";
  EXPECT_EQ(texture.GetImageGamma(), 1);
  EXPECT_EQ(texture.GetEnvColor()->GetColor(), (TColorVector{0, 0, 0, 0}));
  EXPECT_EQ(texture.GetFilteringQuality(), tfIsotropic);
  EXPECT_EQ(texture.GetNormalMapScale(), 0.125f);

  texture.Assign(&texture);
  EXPECT_TRUE(TakeNotices().empty()) << "itself";
  texture.Assign(nullptr);
  EXPECT_TRUE(texture.GetDisabled());
  EXPECT_EQ(texture.GetImageClassName(), "TGLPersistentImage");
  EXPECT_EQ(TakeNotices(), (TLog{Repaint}));

  const auto red = MakeBitmap(pf24bit, {{{255, 0, 0, 255}}});
  TPicture picture;
  picture.SetGraphic(red.get());
  texture.Assign(&picture);
  EXPECT_EQ(texture.GetImage()->GetWidth(), 1) << "a picture goes into the image";
  TStringList other;
  EXPECT_TRUE(Raises<EConvertError>([&] { texture.Assign(&other); },
                                    "Cannot assign a TStringList to a TGLTexture"));
}

// ---- Window layouts

std::string WriteLayout(TComponent& root) {
  TStringStream stream;
  stream.WriteComponent(&root);
  return stream.DataString();
}

TEST_F(TextureTest, ALayoutStoresWhatDiffersFromTheDefaultsInPublishedOrder) {
  vKeepDefaultCoordinates = true;
  material_fakes::TFakeObject object(nullptr);
  object.SetName("Plane");
  TGLTexture& texture = *object.Material->GetTexture();
  texture.SetImageClassName("TGLBlankImage");
  ImageAs<TGLBlankImage>(texture).SetHeight(64);
  texture.SetImageBrightness(2);
  texture.SetMinFilter(miNearest);
  texture.SetTextureMode(tmModulate);
  texture.SetMappingMode(tmmObjectLinear);
  texture.GetMappingTCoordinates()->SetVector(0, 1, 0, 0);
  texture.SetDisabled(false);
  texture.SetNormalMapScale(0.5f);
  const std::string layout = WriteLayout(object);
  EXPECT_EQ(layout,
            "object Plane: TFakeObject\n"
            "  Material.Texture.ImageClassName = 'TGLBlankImage'\n"
            "  Material.Texture.Image.Height = 64\n"
            "  Material.Texture.ImageBrightness = 2.0\n"
            "  Material.Texture.MinFilter = miNearest\n"
            "  Material.Texture.TextureMode = tmModulate\n"
            "  Material.Texture.MappingMode = tmmObjectLinear\n"
            "  Material.Texture.MappingTCoordinates.Coordinates = "
            "{000000000000803F0000000000000000}\n"
            "  Material.Texture.Disabled = False\n"
            "  Material.Texture.NormalMapScale = 0.5\n"
            "end\n");

  material_fakes::TFakeObject read(nullptr);
  TStringStream in(layout);
  in.ReadComponent(&read);
  EXPECT_EQ(WriteLayout(read), WriteLayout(object));
  EXPECT_EQ(read.Material->GetTexture()->GetImage()->GetHeight(), 64);
  vKeepDefaultCoordinates = false;

  TStringStream unknown(
      "object Plane: TFakeObject\n  Material.Texture.ImageClassName = 'TGLGone'\nend\n");
  material_fakes::TFakeObject fallback(nullptr);
  unknown.ReadComponent(&fallback);
  EXPECT_EQ(fallback.Material->GetTexture()->GetImageClassName(), "TGLPersistentImage");
}

// ---- Extra texture units

class TextureUnitsTest : public TextureTest {
 protected:
  void SetUp() override {
    TextureTest::SetUp();
    material_fakes::Log.clear();
  }
  material_fakes::TFakeObject object{nullptr};
  TGLTextureEx& units = *object.Material->GetTextureEx();
};

TEST_F(TextureUnitsTest, AnItemsUnitIsItsIDAndNeverNegative) {
  TGLTextureExItem* first = units.Add();
  TGLTextureExItem* second = units.Add();
  EXPECT_EQ(first->GetTextureIndex(), 0);
  EXPECT_EQ(second->GetTextureIndex(), 1);
  EXPECT_EQ(second->GetDisplayName(), "Tex [1]");
  EXPECT_EQ(second->GetTexture()->GetOwner(), second);
  units.Delete(0);
  EXPECT_EQ(units.Add()->GetTextureIndex(), 2) << "IDs are not reused";
  material_fakes::Log.clear();
  second->SetTextureIndex(-3);
  EXPECT_EQ(second->GetTextureIndex(), 0);
  second->SetTextureIndex(0);
  EXPECT_EQ(material_fakes::Log, (TLog{"object <- TGLMaterial"}));
}

TEST_F(TextureUnitsTest, TheTextureMatrixIsTheIdentityOnlyForTheExactDefaults) {
  const struct {
    const char* what;
    TVector offset, scale;
    bool identity;
  } cases[] = {
      {"the defaults", {0, 0, 0, 0}, {1, 1, 1, 0}, true},
      {"an offset of -0", {-0.0f, 0, 0, 0}, {1, 1, 1, 0}, false},
      {"a scale with w 1", {0, 0, 0, 0}, {1, 1, 1, 1}, false},
      {"an offset", {0.5f, 0.25f, 0, 0}, {1, 1, 1, 0}, false},
      {"a scale", {0, 0, 0, 0}, {2, 3, 1, 0}, false},
  };
  for (const auto& c : cases) {
    TGLTextureExItem* item = units.Add();
    item->GetTextureOffset()->SetDirectVector(c.offset);
    item->GetTextureScale()->SetDirectVector(c.scale);
    item->CalculateTextureMatrix();
    EXPECT_EQ(item->GetTextureMatrixIsIdentity(), c.identity) << c.what;
    if (c.identity) continue;
    TMatrix expected = IdentityHmgMatrix;
    for (int i = 0; i < 3; ++i) {
      expected[i][i] = c.scale[i];
      expected[3][i] = c.offset[i];
    }
    EXPECT_EQ(item->GetTextureMatrix(), expected) << c.what;
  }
}

TEST_F(TextureUnitsTest, OffsetAndScaleSettersLeaveTheMatrixToACoordinatesChangeOrLoading) {
  TGLTextureExItem* item = units.Add();
  item->CalculateTextureMatrix();
  TGLCoordinates offset(nullptr, {0.5f, 0, 0, 0}, ckFree);
  material_fakes::Log.clear();
  item->SetTextureOffset(&offset);
  EXPECT_TRUE(item->GetTextureMatrixIsIdentity()) << "not worked out by the setter";
  EXPECT_EQ(material_fakes::Log, (TLog{"object <- TGLMaterial"}));
  item->GetTextureScale()->SetX(2);
  EXPECT_FALSE(item->GetTextureMatrixIsIdentity()) << "a coordinate's change works it out";
  EXPECT_EQ(item->GetTextureMatrix()[0][0], 2);
  EXPECT_EQ(item->GetTextureMatrix()[3][0], 0.5f);
}

TEST_F(TextureUnitsTest, AnItemCopiesTextureUnitOffsetAndScale) {
  TGLTextureExItem* source = units.Add();
  source->GetTexture()->SetDisabled(false);
  source->SetTextureIndex(3);
  source->GetTextureOffset()->SetDirectVector({1, 2, 3, 0});
  source->GetTextureScale()->SetDirectVector({4, 5, 6, 0});
  TGLTextureExItem* copy = units.Add();
  copy->Assign(source);
  EXPECT_TRUE(copy->GetTexture()->GetEnabled());
  EXPECT_EQ(copy->GetTextureIndex(), 3);
  EXPECT_EQ(copy->GetTextureOffset()->GetAsVector(), (TVector{1, 2, 3, 0}));
  EXPECT_EQ(copy->GetTextureScale()->GetAsVector(), (TVector{4, 5, 6, 0}));
  EXPECT_TRUE(Raises<EConvertError>([&] { copy->Assign(nullptr); },
                                    "Cannot assign a nil to a TGLTextureExItem"));
}

TEST_F(TextureUnitsTest, AUnitIsEnabledByAnItemWithAnEnabledTextureOnIt) {
  EXPECT_FALSE(TGLTextureEx::IsTextureEnabled(nullptr, 0)) << "no collection";
  TGLTextureExItem* item = units.Add();
  item->SetTextureIndex(2);
  EXPECT_FALSE(TGLTextureEx::IsTextureEnabled(&units, 2)) << "a disabled texture";
  item->GetTexture()->SetEnabled(true);
  EXPECT_TRUE(TGLTextureEx::IsTextureEnabled(&units, 2));
  EXPECT_FALSE(TGLTextureEx::IsTextureEnabled(&units, 0));
}

}  // namespace
