// The line style without OpenGL: its setters and what they rebuild, the copy of a style, and the
// layout of a line object.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/GLObjects/LineBase.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(LineBase, NewLinesAreSolidWhiteAndOnePixelWide) {
  TGLLineBase line(nullptr);
  EXPECT_EQ(line.GetLineColor()->GetColor(), (TColorVector{1, 1, 1, 1}));
  EXPECT_EQ(line.GetLineColor()->GetOwner(), &line);
  EXPECT_EQ(line.GetLinePattern(), 0xFFFF);
  EXPECT_EQ(line.GetLineWidth(), 1);
  EXPECT_FALSE(line.GetAntiAliased());
}

TEST(LineBase, SettersRebuildOnAChangeAndTheColourAlways) {
  TGLColor white(nullptr, {1, 1, 1, 1}), red(nullptr, {1, 0, 0, 1});
  const struct Case {
    const char* name;
    std::function<void(TGLLineBase&)> set;
    bool rebuilds;
  } cases[] = {
      {"pattern", [](TGLLineBase& l) { l.SetLinePattern(0x00FF); }, true},
      {"pattern unchanged", [](TGLLineBase& l) { l.SetLinePattern(0xFFFF); }, false},
      {"width", [](TGLLineBase& l) { l.SetLineWidth(2); }, true},
      {"width unchanged", [](TGLLineBase& l) { l.SetLineWidth(1); }, false},
      {"antialiasing", [](TGLLineBase& l) { l.SetAntiAliased(true); }, true},
      {"antialiasing unchanged", [](TGLLineBase& l) { l.SetAntiAliased(false); }, false},
      {"colour", [&](TGLLineBase& l) { l.SetLineColor(&red); }, true},
      {"colour unchanged", [&](TGLLineBase& l) { l.SetLineColor(&white); }, true},
      {"a channel of the colour", [](TGLLineBase& l) { l.GetLineColor()->SetAlpha(0.5f); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLLineBase line(nullptr);
    line.ClearListDirty();
    c.set(line);
    EXPECT_EQ(ListDirty(line), c.rebuilds);
  }
  TGLLineBase line(nullptr);
  line.SetLineColor(&red);
  EXPECT_EQ(line.GetLineColor()->GetColor(), red.GetColor());
  EXPECT_NE(line.GetLineColor(), &red) << "the value is copied in";
}

TEST(LineBase, AssignCopiesTheStyleAndNothingOfTheNode) {
  TGLLineBase source(nullptr), target(nullptr);
  source.GetLineColor()->SetRGBA(1, 0, 0, 1);
  source.SetLinePattern(0x0F0F);
  source.SetLineWidth(3);
  source.SetAntiAliased(true);
  source.GetPosition()->SetPoint(1, 2, 3);
  source.SetVisible(false);
  source.SetHint("red");
  target.ClearListDirty();
  target.Assign(&source);
  EXPECT_EQ(target.GetLineColor()->GetColor(), (TColorVector{1, 0, 0, 1}));
  EXPECT_EQ(target.GetLinePattern(), 0x0F0F);
  EXPECT_EQ(target.GetLineWidth(), 3);
  EXPECT_TRUE(target.GetAntiAliased());
  EXPECT_TRUE(ListDirty(target)) << "the new colour rebuilds the lines";
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{0, 0, 0, 1}));
  EXPECT_TRUE(target.GetVisible());
  EXPECT_EQ(target.GetHint(), "");

  // Two colours, each its own.
  EXPECT_NE(target.GetLineColor(), source.GetLineColor());
  source.GetLineColor()->SetRGBA(0, 1, 0, 1);
  EXPECT_EQ(target.GetLineColor()->GetColor(), (TColorVector{1, 0, 0, 1}));

  // From another scene object, the node's own copy.
  TGLSceneObject other(nullptr);
  other.GetPosition()->SetPoint(4, 5, 6);
  target.Assign(&other);
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{4, 5, 6, 1}));
  EXPECT_EQ(target.GetLineWidth(), 3);
}

TEST(LineBase, LayoutStoresTheStyleAwayFromItsDefaults) {
  RegisterClass(TGLLineBase::StaticClass());
  TComponent form(nullptr);
  auto* line = new TGLLineBase(&form);
  line->SetName("Line");
  std::string layout = WriteLayout(&form);
  for (const char* left : {"AntiAliased", "LinePattern", "LineWidth", "Visible", "Material"})
    EXPECT_EQ(layout.find(left), std::string::npos) << left << " left out\n" << layout;

  line->SetAntiAliased(true);
  line->GetLineColor()->SetRGBA(0, 0, 0, 1);
  line->SetLinePattern(0x00FF);
  line->SetLineWidth(2);
  line->SetVisible(false);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    AntiAliased = True\n"
                        "    LineColor.Color = {0000000000000000000000000000803F}\n"
                        "    LinePattern = 255\n"
                        "    LineWidth = 2.0\n"
                        "    Visible = False\n"),
            std::string::npos)
      << layout;

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readLine = dynamic_cast<TGLLineBase*>(read.FindComponent("Line"));
  ASSERT_NE(readLine, nullptr);
  EXPECT_EQ(readLine->GetLineColor()->GetColor(), (TColorVector{0, 0, 0, 1}));
  EXPECT_EQ(readLine->GetLinePattern(), 0x00FF);
  EXPECT_FALSE(readLine->GetVisible());
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace
