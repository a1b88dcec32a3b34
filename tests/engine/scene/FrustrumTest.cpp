// The frustrum without OpenGL: setters that ignore negative sizes and keep the height under the
// apex, what Assign copies, dimensions, and the sizes stored together as one binary value.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>

#include "engine/GLGeomObjects.h"
#include "engine/GLGeomObjects/Frustrum.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

// Apex height, base depth, base width, height.
TVector Sizes(const TGLFrustrum& f) {
  return {f.GetApexHeight(), f.GetBaseDepth(), f.GetBaseWidth(), f.GetHeight()};
}

TEST(Frustrum, NewFrustrumIsAUnitBaseCutHalfwayToItsApex) {
  TGLFrustrum frustrum(nullptr);
  EXPECT_EQ(Sizes(frustrum), (TVector{1, 1, 1, 0.5f}));
  EXPECT_EQ(frustrum.GetParts(), fpTop | fpBottom | fpFront | fpBack | fpLeft | fpRight);
  EXPECT_EQ(frustrum.GetNormalDirection(), ndOutside);
}

TEST(Frustrum, SettersIgnoreNegativeSizesAndKeepTheHeightUnderTheApex) {
  struct Case {
    const char* name;
    std::function<void(TGLFrustrum&)> set;
    TVector sizes;  // apex, depth, width, height
    bool rebuilds;
  } cases[] = {
      {"a height above the apex raises it",
       [](TGLFrustrum& f) { f.SetHeight(2); },
       {2, 1, 1, 2},
       true},
      {"an apex below the height lowers it",
       [](TGLFrustrum& f) { f.SetApexHeight(0.2f); },
       {0.2f, 1, 1, 0.2f},
       true},
      {"raised, then lowered",
       [](TGLFrustrum& f) {
         f.SetHeight(2);
         f.SetApexHeight(0.2f);
       },
       {0.2f, 1, 1, 0.2f},
       true},
      {"a height up to the apex: a pyramid",
       [](TGLFrustrum& f) { f.SetHeight(1); },
       {1, 1, 1, 1},
       true},
      {"an apex on the base", [](TGLFrustrum& f) { f.SetApexHeight(0); }, {0, 1, 1, 0}, true},
      {"a higher apex leaves the height",
       [](TGLFrustrum& f) { f.SetApexHeight(3); },
       {3, 1, 1, 0.5f},
       true},
      {"width", [](TGLFrustrum& f) { f.SetBaseWidth(4); }, {1, 1, 4, 0.5f}, true},
      {"no depth", [](TGLFrustrum& f) { f.SetBaseDepth(0); }, {1, 0, 1, 0.5f}, true},
      {"a negative width", [](TGLFrustrum& f) { f.SetBaseWidth(-1); }, {1, 1, 1, 0.5f}, false},
      {"a negative depth", [](TGLFrustrum& f) { f.SetBaseDepth(-1); }, {1, 1, 1, 0.5f}, false},
      {"a negative height", [](TGLFrustrum& f) { f.SetHeight(-1); }, {1, 1, 1, 0.5f}, false},
      {"a negative apex", [](TGLFrustrum& f) { f.SetApexHeight(-1); }, {1, 1, 1, 0.5f}, false},
      {"the same height", [](TGLFrustrum& f) { f.SetHeight(0.5f); }, {1, 1, 1, 0.5f}, false},
      {"parts", [](TGLFrustrum& f) { f.SetParts(fpTop); }, {1, 1, 1, 0.5f}, true},
      {"the same parts",
       [](TGLFrustrum& f) { f.SetParts(cAllFrustrumParts); },
       {1, 1, 1, 0.5f},
       false},
      {"inside", [](TGLFrustrum& f) { f.SetNormalDirection(ndInside); }, {1, 1, 1, 0.5f}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLFrustrum frustrum(nullptr);
    frustrum.ClearListDirty();
    c.set(frustrum);
    EXPECT_EQ(Sizes(frustrum), c.sizes);
    EXPECT_EQ(ListDirty(frustrum), c.rebuilds);
  }
}

TEST(Frustrum, AssignCopiesSizesPartsAndDirectionAndTheSceneObject) {
  TGLFrustrum source(nullptr), target(nullptr);
  source.SetHeight(3);
  source.SetApexHeight(4);
  source.SetBaseWidth(2);
  source.SetBaseDepth(5);
  source.SetParts(fpLeft | fpBottom);
  source.SetNormalDirection(ndInside);
  source.GetPosition()->SetPoint(1, 2, 3);
  target.Assign(&source);
  EXPECT_EQ(Sizes(target), (TVector{4, 5, 2, 3}));
  EXPECT_EQ(target.GetParts(), fpLeft | fpBottom);
  EXPECT_EQ(target.GetNormalDirection(), ndInside);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{1, 2, 3, 1}));
}

TEST(Frustrum, DimensionsAreCentredOnTheOriginThoughTheBodyStandsOnIt) {
  TGLFrustrum frustrum(nullptr);
  frustrum.SetBaseWidth(4);
  frustrum.SetBaseDepth(2);
  frustrum.SetHeight(3);
  EXPECT_EQ(frustrum.AxisAlignedDimensionsUnscaled(), (TVector{2, 1.5f, 1, 0}));
}

// The layout of one frustrum whose sizes value is the given hex text.
std::string FrustrumLayout(const std::string& sizes) {
  return "object Form: TComponent\n"
         "  object Pyramid: TGLFrustrum\n"
         "    FrustrumSize = {" +
         sizes +
         "}\n"
         "  end\n"
         "end\n";
}

TEST(Frustrum, LayoutStoresTheSizesTogetherOnlyWhenOneDiffersFromANewObjects) {
  RegisterGLGeomObjects();
  TComponent form(nullptr);
  auto* frustrum = new TGLFrustrum(&form);
  frustrum->SetName("Pyramid");
  std::string layout = WriteLayout(&form);
  for (const char* left :
       {"FrustrumSize", "ApexHeight", "BaseDepth", "BaseWidth", "Height", "Parts", "Normal"})
    EXPECT_EQ(layout.find(left), std::string::npos) << left << "\n" << layout;

  frustrum->SetHeight(2);
  frustrum->SetParts(fpTop | fpBottom);
  frustrum->SetNormalDirection(ndInside);
  layout = WriteLayout(&form);
  // 2.0, 1.0, 1.0, 2.0 as little-endian singles.
  EXPECT_NE(layout.find("    Parts = [fpTop, fpBottom]\n"
                        "    NormalDirection = ndInside\n"
                        "    FrustrumSize = {000000400000803F0000803F00000040}\n"),
            std::string::npos)
      << layout;
  EXPECT_EQ(layout.find("ApexHeight"), std::string::npos) << "never by name";

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readFrustrum = dynamic_cast<TGLFrustrum*>(read.FindComponent("Pyramid"));
  ASSERT_NE(readFrustrum, nullptr);
  EXPECT_EQ(Sizes(*readFrustrum), (TVector{2, 1, 1, 2}));
  EXPECT_EQ(readFrustrum->GetParts(), fpTop | fpBottom);
  EXPECT_EQ(WriteLayout(&read), layout);
}

TEST(Frustrum, ReadingTheSizesTakesThemAsTheyStandInSixteenBytes) {
  RegisterGLGeomObjects();
  {
    // Apex 1, depth 2, width 3, height 4: above the apex, which the setters would not allow.
    TComponent read(nullptr);
    ReadLayout(FrustrumLayout("0000803F000000400000404000008040"), &read);
    auto* frustrum = dynamic_cast<TGLFrustrum*>(read.FindComponent("Pyramid"));
    ASSERT_NE(frustrum, nullptr);
    EXPECT_EQ(Sizes(*frustrum), (TVector{1, 2, 3, 4}));
  }
  for (const char* sizes :
       {"0000803F0000004000004040", "0000803F00000040000040400000804000000000"}) {
    SCOPED_TRACE(sizes);
    TComponent read(nullptr);
    EXPECT_TRUE(Raises<EReadError>([&] { ReadLayout(FrustrumLayout(sizes), &read); }, testing::_));
    if (auto* frustrum = dynamic_cast<TGLFrustrum*>(read.FindComponent("Pyramid"))) {
      EXPECT_EQ(Sizes(*frustrum), (TVector{1, 1, 1, 0.5f})) << "the sizes stay as they were";
    }
  }
}

}  // namespace
