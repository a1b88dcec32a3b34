// The height field without OpenGL: a new field, what its scales, options, colour mode and events
// rebuild, what a copy takes and keeps, the layout and the unit's registration.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/GLGraph.h"
#include "engine/GLObjects/Plane.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(HeightField, NewFieldIsTwoSidedUncolouredOverEmptyScales) {
  TGLHeightField field(nullptr);
  for (TGLSamplingScale* scale : {field.GetXSamplingScale(), field.GetYSamplingScale()}) {
    EXPECT_EQ(scale->GetOwner(), &field);
    EXPECT_EQ(scale->GetMin(), 0);
    EXPECT_EQ(scale->GetMax(), 0);
    EXPECT_EQ(scale->GetOrigin(), 0);
    EXPECT_EQ(scale->GetStep(), 0.1f);
  }
  EXPECT_EQ(field.GetOptions(), hfoTwoSided);
  EXPECT_EQ(field.GetColorMode(), hfcmNone);
  EXPECT_EQ(field.GetTriangleCount(), 0);
  EXPECT_FALSE(field.GetOnGetHeight());
  EXPECT_FALSE(field.GetOnGetHeight2());
  EXPECT_NE(field.GetStyleFlags() & osResetStates, 0) << "the states it changed are reset";
  EXPECT_EQ(field.GetStyleFlags() & osBuildEveryFrame, 0) << "compiled into the display list";
}

TEST(HeightField, ScalesEventsAndNewOptionsOrColourModeRebuildTheSurface) {
  TGLHeightField field(nullptr);
  TGLSamplingScale other(nullptr);
  other.SetMax(3);
  const struct Case {
    const char* name;
    std::function<void()> change;
    bool rebuilds;
  } cases[] = {
      {"a scale's step", [&] { field.GetXSamplingScale()->SetStep(0.5f); }, true},
      {"a scale's origin rewritten", [&] { field.GetYSamplingScale()->SetOrigin(0); }, true},
      {"a scale assigned", [&] { field.SetYSamplingScale(&other); }, true},
      {"options", [&] { field.SetOptions(hfoTextureCoordinates); }, true},
      {"the same options", [&] { field.SetOptions(hfoTextureCoordinates); }, false},
      {"colour mode", [&] { field.SetColorMode(hfcmDiffuse); }, true},
      {"the same colour mode", [&] { field.SetColorMode(hfcmDiffuse); }, false},
      {"an event",
       [&] { field.SetOnGetHeight([](float, float, float&, TVector4f&, TTexPoint&) {}); }, true},
      {"no event, as before", [&] { field.SetOnGetHeight2(nullptr); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    field.ClearListDirty();
    c.change();
    EXPECT_EQ(ListDirty(field), c.rebuilds);
  }
  EXPECT_EQ(field.GetYSamplingScale()->GetMax(), 3);
  EXPECT_NE(field.GetYSamplingScale(), &other) << "copied into its own scale";
}

TEST(HeightField, AssignTakesScalesEventsOptionsAndColourModeAndKeepsTheRest) {
  TGLHeightField source(nullptr), target(nullptr);
  source.GetXSamplingScale()->SetMin(-2);
  source.GetYSamplingScale()->SetMax(4);
  source.SetOptions(hfoTextureCoordinates);
  source.SetColorMode(hfcmAmbient);
  int asked = 0;
  source.SetOnGetHeight([&](float, float, float&, TVector4f&, TTexPoint&) { ++asked; });
  source.SetOnGetHeight2([&](TObject*, float, float, float&, TVector4f&, TTexPoint&) { ++asked; });
  source.GetPosition()->SetPoint(1, 2, 3);
  source.GetMaterial()->GetFrontProperties()->GetDiffuse()->SetColor({1, 0, 0, 1});
  target.Assign(&source);
  EXPECT_EQ(target.GetXSamplingScale()->GetMin(), -2);
  EXPECT_EQ(target.GetYSamplingScale()->GetMax(), 4);
  EXPECT_EQ(target.GetXSamplingScale()->GetOwner(), &target);
  EXPECT_EQ(target.GetOptions(), hfoTextureCoordinates);
  EXPECT_EQ(target.GetColorMode(), hfcmAmbient);
  float z = 0;
  TVector4f color{};
  TTexPoint tex{};
  target.GetOnGetHeight()(0, 0, z, color, tex);
  target.GetOnGetHeight2()(&target, 0, 0, z, color, tex);
  EXPECT_EQ(asked, 2) << "both events copied";
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{0, 0, 0, 1})) << "placement kept";
  EXPECT_EQ(target.GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor(),
            TGLHeightField(nullptr).GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor())
      << "material kept";

  // From another kind of scene object: the scene object's own copy.
  TGLPlane plane(nullptr);
  plane.GetPosition()->SetPoint(5, 5, 5);
  plane.GetMaterial()->GetFrontProperties()->GetDiffuse()->SetColor({0, 0, 1, 1});
  target.Assign(&plane);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{5, 5, 5, 1}));
  EXPECT_EQ(target.GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor(),
            (TVector{0, 0, 1, 1}));
  EXPECT_EQ(target.GetOptions(), hfoTextureCoordinates);
}

TEST(HeightField, LayoutStoresTheScalesAlwaysAndOptionsAndColourModeWhenChanged) {
  RegisterGLGraph();
  EXPECT_EQ(GetClass("TGLHeightField"), TGLHeightField::StaticClass());
  EXPECT_EQ(GetClass("TGLXYZGrid"), TGLXYZGrid::StaticClass());
  TComponent form(nullptr);
  auto* field = new TGLHeightField(&form);
  field->SetName("Surface");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    XSamplingScale.Min = 0.0\n"
                        "    XSamplingScale.Max = 0.0\n"
                        "    XSamplingScale.Origin = 0.0\n"
                        "    XSamplingScale.Step = 0.1\n"
                        "    YSamplingScale.Min = 0.0\n"),
            std::string::npos)
      << layout;
  for (const char* left : {"Options", "ColorMode", "OnGetHeight"})
    EXPECT_EQ(layout.find(left), std::string::npos) << left << " left out";

  field->GetXSamplingScale()->SetMin(-1);
  field->GetXSamplingScale()->SetMax(1);
  field->SetOptions(hfoTextureCoordinates | hfoTwoSided);
  field->SetColorMode(hfcmAmbientAndDiffuse);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    YSamplingScale.Step = 0.1\n"
                        "    Options = [hfoTextureCoordinates, hfoTwoSided]\n"
                        "    ColorMode = hfcmAmbientAndDiffuse\n"
                        "  end\n"),
            std::string::npos)
      << layout;
  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readField = dynamic_cast<TGLHeightField*>(read.FindComponent("Surface"));
  ASSERT_NE(readField, nullptr);
  EXPECT_EQ(readField->GetXSamplingScale()->GetMin(), -1);
  EXPECT_EQ(readField->GetColorMode(), hfcmAmbientAndDiffuse);
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace
