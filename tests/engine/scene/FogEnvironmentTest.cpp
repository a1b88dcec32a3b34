// The fog environment without OpenGL: its owner, its defaults, its notices and its copy.
#include <gtest/gtest.h>

// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <functional>

#include "engine/GLSceneGraph/FogEnvironment.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "platform/rtl/SysUtils.h"

namespace {

TEST(FogEnvironment, BelongsToASceneBufferOnly) {
  TGLSceneBuffer buffer(nullptr);
  EXPECT_EQ(buffer.GetFogEnvironment()->GetSceneBuffer(), &buffer);
  EXPECT_EQ(buffer.GetFogEnvironment()->GetOwner(), &buffer);
  TGLUpdateAbleObject other(nullptr);
  EXPECT_TRUE(
      Raises<EInvalidCast>([&] { TGLFogEnvironment fog(&other); }, "Invalid class typecast"));
}

TEST(FogEnvironment, AnyOneChangeTakesItFromItsDefaultsAndRepaintsTheBuffer) {
  const struct {
    const char* what;
    std::function<void(TGLFogEnvironment&)> change;
  } cases[] = {
      {"colour's alpha", [](auto& f) { f.GetFogColor()->SetAlpha(0.5f); }},
      {"colour", [](auto& f) { f.GetFogColor()->SetRed(0.25f); }},
      {"start", [](auto& f) { f.SetFogStart(0); }},
      {"end", [](auto& f) { f.SetFogEnd(999); }},
      {"mode", [](auto& f) { f.SetFogMode(fmExp); }},
      {"distance", [](auto& f) { f.SetFogDistance(fdEyePlane); }},
  };
  for (const auto& c : cases) {
    TGLSceneBuffer buffer(nullptr);
    TGLFogEnvironment& fog = *buffer.GetFogEnvironment();
    EXPECT_TRUE(fog.IsAtDefaultValues());
    int changes = 0;
    buffer.OnChange = [&](TObject* sender) {
      EXPECT_EQ(sender, &buffer);
      ++changes;
    };
    c.change(fog);
    EXPECT_FALSE(fog.IsAtDefaultValues()) << c.what;
    EXPECT_EQ(changes, 1) << c.what;
    c.change(fog);
    EXPECT_EQ(changes, 1) << c.what << ": the same value again";
  }
}

TEST(FogEnvironment, SettingTheColourCopiesItAndNilChangesNothing) {
  TGLSceneBuffer buffer(nullptr);
  TGLFogEnvironment& fog = *buffer.GetFogEnvironment();
  int changes = 0;
  buffer.OnChange = [&](TObject*) { ++changes; };
  fog.SetFogColor(nullptr);
  EXPECT_EQ(changes, 0);
  TGLColor grey(nullptr, {0.5f, 0.5f, 0.5f, 0.25f});
  fog.SetFogColor(&grey);
  EXPECT_NE(fog.GetFogColor(), &grey);
  EXPECT_EQ(fog.GetFogColor()->GetColor(), grey.GetColor());
  EXPECT_GE(changes, 1);
}

TEST(FogEnvironment, AssignCopiesAllFiveSettingsAndRepaints) {
  TGLSceneBuffer from(nullptr), to(nullptr);
  TGLFogEnvironment& source = *from.GetFogEnvironment();
  source.GetFogColor()->SetColor({0.1f, 0.2f, 0.3f, 0.4f});
  source.SetFogStart(5);
  source.SetFogEnd(6);
  source.SetFogMode(fmExp2);
  source.SetFogDistance(fdEyeRadial);
  int changes = 0;
  to.OnChange = [&](TObject*) { ++changes; };
  TGLFogEnvironment& fog = *to.GetFogEnvironment();
  fog.Assign(&source);
  EXPECT_EQ(fog.GetFogColor()->GetColor(), (TVector{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_EQ(fog.GetFogStart(), 5);
  EXPECT_EQ(fog.GetFogEnd(), 6);
  EXPECT_EQ(fog.GetFogMode(), fmExp2);
  EXPECT_EQ(fog.GetFogDistance(), fdEyeRadial);
  EXPECT_EQ(fog.GetSceneBuffer(), &to) << "the owner stays";
  EXPECT_EQ(changes, 1);

  TGLColor colour(nullptr);
  EXPECT_TRUE(Raises<EConvertError>([&] { fog.Assign(&colour); },
                                    "Cannot assign a TGLColor to a TGLFogEnvironment"));
}

}  // namespace
