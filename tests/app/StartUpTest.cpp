// After the program's start-up routine, every class that a stored layout may name is known by
// that name, and a layout naming it reads as an instance of it.
#include <gtest/gtest.h>

// clang-format off
#include <QApplication>
// clang-format on

#include <memory>
#include <ostream>
#include <string>

#include "app/units.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/GLTexture.h"
#include "platform/rtl/Classes.h"

namespace {

// The viewer is a widget, but it needs no screen here.
[[maybe_unused]] const bool Offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");

// Where a layout holds an instance of the class: a scene object inside a scene, anything else
// under the root. The viewer makes its OpenGL window as it is read, which needs a display: the
// 3D window's live suite reads it in the stored layout.
enum TPlace { plRoot, plScene, plNameOnly };

struct TRegistered {
  const char* Name;
  TPlace Place;
};

[[maybe_unused]] void PrintTo(const TRegistered& registered, std::ostream* os) {
  *os << registered.Name;
}

class StartUp : public testing::TestWithParam<TRegistered> {
 protected:
  void SetUp() override { InitializeUnits(); }
  void TearDown() override { FinalizeUnits(); }

  static std::unique_ptr<TComponent> Read(const std::string& layout) {
    auto root = std::make_unique<TComponent>(nullptr);
    TStringStream stream(layout);
    stream.ReadComponent(root.get());
    return root;
  }
};

TEST_P(StartUp, KnowsTheClassByNameAndReadsALayoutNamingIt) {
  const std::string name = GetParam().Name;
  TClass cls = GetClass(name);
  ASSERT_NE(cls, nullptr) << name << " is not registered";
  EXPECT_EQ(cls->ClassName(), name);
  if (GetParam().Place == plNameOnly) return;
  const std::string object = "object Thing: " + name + "\nend\n";
  const std::string layout =
      GetParam().Place == plScene
          ? "object Form: TComponent\nobject Scene: TGLSceneGraph\n" + object + "end\nend\n"
          : "object Form: TComponent\n" + object + "end\n";
  std::unique_ptr<TComponent> root;
  ASSERT_NO_THROW(root = Read(layout)) << layout;
  TComponent* thing = root->FindComponent("Thing");
  ASSERT_NE(thing, nullptr);
  EXPECT_EQ(thing->ClassName(), name);
}

INSTANTIATE_TEST_SUITE_P(
    Units, StartUp,
    testing::Values(TRegistered{"TGLMaterialLibrary", plRoot}, TRegistered{"TGLSceneGraph", plRoot},
                    TRegistered{"TGLMemoryViewer", plRoot},
                    TRegistered{"TGLSceneViewer", plNameOnly},
                    TRegistered{"TGLLightSource", plScene}, TRegistered{"TGLCamera", plScene},
                    TRegistered{"TGLProxyObject", plScene}, TRegistered{"TGLDirectOpenGL", plScene},
                    TRegistered{"TGLRenderPoint", plScene}, TRegistered{"TGLSphere", plScene},
                    TRegistered{"TGLCube", plScene}, TRegistered{"TGLPlane", plScene},
                    TRegistered{"TGLSprite", plScene}, TRegistered{"TGLPoints", plScene},
                    TRegistered{"TGLDummyCube", plScene}, TRegistered{"TGLLines", plScene},
                    TRegistered{"TGLHeightField", plScene}, TRegistered{"TGLXYZGrid", plScene},
                    TRegistered{"TGLCylinder", plScene}, TRegistered{"TGLCone", plScene},
                    TRegistered{"TGLTorus", plScene}, TRegistered{"TGLDisk", plScene},
                    TRegistered{"TGLArrowLine", plScene}, TRegistered{"TGLAnnulus", plScene},
                    TRegistered{"TGLFrustrum", plScene}, TRegistered{"TGLPolygon", plScene},
                    TRegistered{"TGLSkyDome", plScene}, TRegistered{"TGLEarthSkyDome", plScene}),
    [](const testing::TestParamInfo<TRegistered>& info) { return std::string(info.param.Name); });

// A texture names the class of its image; a layout holds that name as a material's property.
class StartUpImages : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { InitializeUnits(); }
  void TearDown() override { FinalizeUnits(); }
};

TEST_P(StartUpImages, KnowsTheImageClassByNameAndReadsALayoutNamingIt) {
  const std::string name = GetParam();
  TClass cls = FindGLTextureImageClass(name);
  ASSERT_NE(cls, nullptr) << name << " is not registered";
  const std::string layout =
      "object Form: TComponent\nobject Scene: TGLSceneGraph\nobject Thing: TGLCube\n"
      "Material.Texture.ImageClassName = '" +
      name + "'\nend\nend\nend\n";
  auto root = std::make_unique<TComponent>(nullptr);
  TStringStream stream(layout);
  ASSERT_NO_THROW(stream.ReadComponent(root.get())) << layout;
  auto* thing = dynamic_cast<TGLCustomSceneObject*>(root->FindComponent("Thing"));
  ASSERT_NE(thing, nullptr);
  EXPECT_EQ(thing->GetMaterial()->GetTexture()->GetImageClassName(), name);
}

INSTANTIATE_TEST_SUITE_P(Units, StartUpImages,
                         testing::Values("TGLBlankImage", "TGLPersistentImage", "TGLPicFileImage",
                                         "TGLCubeMapImage", "TGLFloatDataImage"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
