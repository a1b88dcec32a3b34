// Assign across the scene-object classes: a node assigned from itself, or refused a source from
// its own subtree or ancestors, keeps every property it had, its own class's ones included.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/GLGeomObjects/ArrowLine.h"
#include "engine/GLGeomObjects/Cylinder.h"
#include "engine/GLGeomObjects/Disk.h"
#include "engine/GLGeomObjects/Frustrum.h"
#include "engine/GLGeomObjects/Polygon.h"
#include "engine/GLGeomObjects/Torus.h"
#include "engine/GLGraph.h"
#include "engine/GLObjects/Cube.h"
#include "engine/GLObjects/DummyCube.h"
#include "engine/GLObjects/LineBase.h"
#include "engine/GLObjects/Lines.h"
#include "engine/GLObjects/Plane.h"
#include "engine/GLObjects/Points.h"
#include "engine/GLObjects/Sphere.h"
#include "engine/GLObjects/Sprite.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/GLSkydome.h"
#include "tests/engine/scene/SceneTreeFakes.h"

namespace {

using scene_tree_test::TTestForm;
using scene_tree_test::WriteLayout;
using testing::StartsWith;

// A class, and a change of a property that its own Assign copies (made on the node that is to
// differ from the other one).
struct TAssignCase {
  std::string Name;
  std::function<TGLBaseSceneObject*(TComponent* Owner)> Make;
  std::function<void(TGLBaseSceneObject& Node)> Change;
};

void PrintTo(const TAssignCase& c, std::ostream* out) {
  *out << c.Name;
}

template <class T>
TAssignCase Case(std::string name, std::function<void(T&)> change) {
  return {std::move(name), [](TComponent* owner) -> TGLBaseSceneObject* { return new T(owner); },
          [change](TGLBaseSceneObject& node) { change(dynamic_cast<T&>(node)); }};
}

template <class Nodes>
void AddTriangle(Nodes& nodes) {
  for (float x : {0.0f, 1.0f, 0.0f}) nodes.Add()->SetX(x);
  nodes.GetItems(2)->SetY(1);
}

std::vector<TAssignCase> Cases() {
  return {
      Case<TGLSceneObject>("SceneObject", [](auto& n) { n.SetHint("changed"); }),
      Case<TGLDirectOpenGL>("DirectOpenGL", [](auto& n) { n.SetBlend(true); }),
      Case<TGLDummyCube>("DummyCube",
                         [](auto& n) {
                           n.SetCubeSize(3);
                           n.SetCamInvarianceMode(cimOrientation);
                         }),
      Case<TGLCube>("Cube", [](auto& n) { n.SetCubeWidth(2); }),
      Case<TGLPlane>("Plane", [](auto& n) { n.SetWidth(2); }),
      Case<TGLSprite>("Sprite", [](auto& n) { n.SetWidth(2); }),
      Case<TGLPoints>("Points", [](auto& n) { n.SetSize(3); }),
      Case<TGLLineBase>("LineBase", [](auto& n) { n.SetLineWidth(3); }),
      Case<TGLNodedLines>("NodedLines",
                          [](auto& n) {
                            AddTriangle(*n.GetNodes());
                            n.SetNodesAspect(lnaCube);
                          }),
      Case<TGLLines>("Lines",
                     [](auto& n) {
                       AddTriangle(*n.GetNodes());
                       n.SetDivision(4);
                     }),
      Case<TGLPolygon>("Polygon",
                       [](auto& n) {
                         AddTriangle(*n.GetNodes());
                         n.SetParts(ppTop);
                       }),
      Case<TGLSphere>("Sphere", [](auto& n) { n.SetRadius(2); }),
      Case<TGLDisk>("Disk", [](auto& n) { n.SetOuterRadius(2); }),
      Case<TGLAnnulus>("Annulus", [](auto& n) { n.SetBottomInnerRadius(0.1f); }),
      Case<TGLCylinder>("Cylinder", [](auto& n) { n.SetTopRadius(2); }),
      Case<TGLCone>("Cone", [](auto& n) { n.SetBottomRadius(2); }),
      Case<TGLArrowLine>("ArrowLine", [](auto& n) { n.SetTopArrowHeadHeight(1); }),
      Case<TGLTorus>("Torus", [](auto& n) { n.SetMajorRadius(2); }),
      Case<TGLFrustrum>("Frustrum", [](auto& n) { n.SetApexHeight(2); }),
      Case<TGLXYZGrid>("XYZGrid", [](auto& n) { n.SetLinesStyle(glsLine); }),
      Case<TGLHeightField>("HeightField", [](auto& n) { n.SetColorMode(hfcmDiffuse); }),
      Case<TGLSkyDome>("SkyDome", [](auto& n) { n.GetBands()->Add()->SetSlices(5); }),
      Case<TGLEarthSkyDome>("EarthSkyDome", [](auto& n) { n.SetTurbidity(20); }),
      Case<TGLProxyObject>("Proxy",
                           [](auto& n) {
                             auto* master = new TGLSceneObject(n.Owner());
                             master->SetName("master");
                             n.SetMasterObject(master);
                           }),
  };
}

class SceneObjectAssignTest : public testing::TestWithParam<TAssignCase> {
 protected:
  TGLBaseSceneObject* Make(const std::string& name) {
    TGLBaseSceneObject* node = GetParam().Make(&form);
    node->SetName(name);
    return node;
  }
  TTestForm form;
};

TEST_P(SceneObjectAssignTest, AssignFromItselfChangesNothing) {
  TGLBaseSceneObject* node = Make("node");
  GetParam().Change(*node);
  const std::string before = WriteLayout(&form);
  node->Assign(node);
  EXPECT_EQ(WriteLayout(&form), before);
}

TEST_P(SceneObjectAssignTest, ARefusedAssignCopiesNothing) {
  TGLBaseSceneObject* parent = Make("parent");
  TGLBaseSceneObject* child = Make("child");
  parent->AddChild(child);
  GetParam().Change(*child);
  // The change is one that Assign copies when nothing refuses it.
  TGLBaseSceneObject* copy = Make("copy");
  const std::string unchanged = WriteLayout(&form);
  copy->Assign(child);
  ASSERT_NE(WriteLayout(&form), unchanged);

  const std::string before = WriteLayout(&form);
  for (auto [target, source] : {std::pair{parent, child}, std::pair{child, parent}}) {
    EXPECT_TRUE(Raises<EAssertionFailed>(
        [&] { target->Assign(source); },
        StartsWith("A scene object cannot be assigned from its own subtree or ancestors")))
        << target->GetName();
    EXPECT_EQ(WriteLayout(&form), before) << target->GetName();
  }
}

INSTANTIATE_TEST_SUITE_P(Classes, SceneObjectAssignTest, testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.Name; });

}  // namespace
