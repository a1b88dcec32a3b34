// The light's settings, their notices and layout values, and its slot in the scene's light table
// as it enters and leaves the tree.

// GoogleMock before the class library, whose Assert macro would rename one of its functions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/GLSceneGraph.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "tests/engine/scene/CameraLightChecks.h"
#include "tests/support/Raises.h"

namespace {

using namespace camera_light_test;

using TCountingLight = TCounting<TGLLightSource>;

class LightSourceTest : public ::testing::Test {
 protected:
  TGLLightSource* NewLight(TGLBaseSceneObject* parent = nullptr) {
    return TGLBaseSceneObject::CreateAsChild<TGLLightSource>(parent ? parent : Scene.GetObjects());
  }
  // The eight slots of the scene, each a light or nil.
  std::vector<TObject*> Slots() const {
    std::vector<TObject*> slots;
    for (int i = 0; i < Scene.GetLights().Count(); ++i) slots.push_back(Scene.GetLights().Get(i));
    return slots;
  }

  TGLSceneGraph Scene{nullptr};
};

TEST_F(LightSourceTest, ANewLightIsAShiningSpotWithoutACone) {
  TGLLightSource light(nullptr);
  EXPECT_EQ(light.GetLightID(), 0u);
  EXPECT_TRUE(light.GetShining());
  EXPECT_EQ(light.GetLightStyle(), lsSpot);
  EXPECT_EQ(light.GetSpotCutOff(), 180);
  EXPECT_EQ(light.GetSpotExponent(), 0);
  EXPECT_EQ(light.GetSpotDirection()->GetAsVector(), (TVector{0, 0, -1, 0}));
  EXPECT_EQ(light.GetSpotDirection()->GetKind(), ckVector);
  EXPECT_EQ(light.GetConstAttenuation(), 1);
  EXPECT_EQ(light.GetLinearAttenuation(), 0);
  EXPECT_EQ(light.GetQuadraticAttenuation(), 0);
  EXPECT_EQ(light.GetAmbient()->GetColor(), (TVector{0, 0, 0, 1}));
  EXPECT_EQ(light.GetDiffuse()->GetColor(), (TVector{1, 1, 1, 1}));
  EXPECT_EQ(light.GetSpecular()->GetColor(), (TVector{0, 0, 0, 1}));
  EXPECT_EQ(light.GetPosition()->GetAsVector(), (TVector{0, 0, 0, 1}));
}

// What OpenGL would refuse with an error at every frame is ignored, the old value staying.
TEST_F(LightSourceTest, SettersIgnoreWhatOpenGLWouldRefuse) {
  using Getter = float (TGLLightSource::*)() const;
  using Setter = void (TGLLightSource::*)(float);
  const Getter cutOff = &TGLLightSource::GetSpotCutOff;
  const Setter setCutOff = &TGLLightSource::SetSpotCutOff;
  const Getter exponent = &TGLLightSource::GetSpotExponent;
  const Setter setExponent = &TGLLightSource::SetSpotExponent;
  const Getter linear = &TGLLightSource::GetLinearAttenuation;
  const Setter setLinear = &TGLLightSource::SetLinearAttenuation;
  const struct {
    const char* property;
    Getter get;
    Setter set;
    float before, value, after;
  } cases[] = {
      {"SpotCutOff", cutOff, setCutOff, 180, 45, 45},
      {"SpotCutOff", cutOff, setCutOff, 45, 180, 180},
      {"SpotCutOff", cutOff, setCutOff, 45, 0, 0},
      {"SpotCutOff", cutOff, setCutOff, 45, 90, 90},
      {"SpotCutOff", cutOff, setCutOff, 45, 120, 45},
      {"SpotCutOff", cutOff, setCutOff, 45, -1, 45},
      {"SpotCutOff", cutOff, setCutOff, 45, 90.5f, 45},
      {"SpotCutOff", cutOff, setCutOff, 45, NaN, 45},
      {"SpotExponent", exponent, setExponent, 2, 128, 128},
      {"SpotExponent", exponent, setExponent, 2, 0, 0},
      {"SpotExponent", exponent, setExponent, 2, 128.5f, 2},
      {"SpotExponent", exponent, setExponent, 2, -1, 2},
      {"SpotExponent", exponent, setExponent, 2, NaN, 2},
      {"LinearAttenuation", linear, setLinear, 2, 0, 0},
      {"LinearAttenuation", linear, setLinear, 2, Inf, Inf},
      {"LinearAttenuation", linear, setLinear, 2, -0.5f, 2},
      {"LinearAttenuation", linear, setLinear, 2, NaN, 2},
      {"ConstAttenuation", &TGLLightSource::GetConstAttenuation,
       &TGLLightSource::SetConstAttenuation, 2, -1, 2},
      {"QuadraticAttenuation", &TGLLightSource::GetQuadraticAttenuation,
       &TGLLightSource::SetQuadraticAttenuation, 2, -1, 2},
  };
  for (const auto& c : cases) {
    TCountingLight light(nullptr);
    (light.*c.set)(c.before);
    light.Notices = 0;
    (light.*c.set)(c.value);
    EXPECT_EQ((light.*c.get)(), c.after) << c.property << " := " << c.value;
    EXPECT_EQ(light.Notices, c.after == c.before ? 0u : 1u) << c.property << " := " << c.value;
  }
}

TEST_F(LightSourceTest, EachSettingNotifiesOnceWhenItChanges) {
  TGLColor grey(nullptr, {0.5f, 0.5f, 0.5f, 1});
  TGLCoordinates axis(nullptr, {1, 0, 0, 1}, ckPoint);
  const struct {
    const char* what;
    std::function<void(TGLLightSource&)> change;
    size_t notices;
  } cases[] = {
      {"Shining", [](TGLLightSource& l) { l.SetShining(false); }, 1},
      {"an equal Shining", [](TGLLightSource& l) { l.SetShining(true); }, 0},
      {"LightStyle", [](TGLLightSource& l) { l.SetLightStyle(lsOmni); }, 1},
      {"an equal LightStyle", [](TGLLightSource& l) { l.SetLightStyle(lsSpot); }, 0},
      {"Ambient", [&](TGLLightSource& l) { l.SetAmbient(&grey); }, 1},
      {"Diffuse", [&](TGLLightSource& l) { l.SetDiffuse(&grey); }, 1},
      {"Specular", [&](TGLLightSource& l) { l.SetSpecular(&grey); }, 1},
      {"a channel of Diffuse", [](TGLLightSource& l) { l.GetDiffuse()->SetRed(0.25f); }, 1},
      {"SpotDirection", [&](TGLLightSource& l) { l.SetSpotDirection(&axis); }, 1},
  };
  for (const auto& c : cases) {
    auto* light = TGLBaseSceneObject::CreateAsChild<TCountingLight>(Scene.GetObjects());
    light->Notices = 0;
    c.change(*light);
    EXPECT_EQ(light->Notices, c.notices) << c.what;
    delete light;
  }
  TGLLightSource light(nullptr);
  light.SetAmbient(&grey);
  light.SetSpotDirection(&axis);
  EXPECT_EQ(light.GetAmbient()->GetColor(), grey.GetColor()) << "copied in";
  EXPECT_EQ(light.GetSpotDirection()->GetAsVector(), (TVector{1, 0, 0, 0})) << "w is 0";
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { light.SetDiffuse(nullptr); },
                                       testing::StartsWith("No colour to copy")));
}

TEST_F(LightSourceTest, WritingTheSpotDirectionMovesTheLightsFrame) {
  auto* light = TGLBaseSceneObject::CreateAsChild<TCountingLight>(Scene.GetObjects());
  light->AbsoluteMatrix();
  light->Notices = 0;
  light->GetSpotDirection()->SetVector(0, -1, 0);
  EXPECT_NE(light->GetChangeFlags() & chLocalDirty, 0);
  EXPECT_EQ(light->Notices, 1u);
  EXPECT_EQ(light->GetDirection()->GetAsVector(), (TVector{0, 0, 1, 0})) << "not the node's own";
}

TEST_F(LightSourceTest, SlotsAreTakenInOrderAndFreedAsLightsLeaveTheTree) {
  std::vector<TGLLightSource*> lights;
  for (int i = 0; i < 9; ++i) lights.push_back(NewLight());
  for (int i = 0; i < 8; ++i) EXPECT_EQ(lights[i]->GetLightID(), GLenum(GL_LIGHT0 + i)) << i;
  EXPECT_EQ(lights[8]->GetLightID(), 0u) << "a ninth light is never lit";
  EXPECT_EQ(Slots(), (std::vector<TObject*>(lights.begin(), lights.begin() + 8)));

  // Each way out of the tree frees the slot, which the next light to enter takes.
  const struct {
    const char* how;
    int light;
    std::function<void(TGLLightSource*)> leave;
  } exits[] = {
      {"Remove", 3, [&](TGLLightSource* l) { Scene.GetObjects()->Remove(l, false); }},
      {"MoveTo nil", 5, [](TGLLightSource* l) { l->MoveTo(nullptr); }},
      {"destruction", 0, [](TGLLightSource* l) { delete l; }},
  };
  for (const auto& e : exits) {
    e.leave(lights[e.light]);
    EXPECT_EQ(Slots()[e.light], nullptr) << e.how;
    TGLLightSource* next = NewLight();
    EXPECT_EQ(next->GetLightID(), GLenum(GL_LIGHT0 + e.light)) << e.how;
    EXPECT_EQ(Slots()[e.light], next) << e.how;
  }
  delete lights[3];
  delete lights[5];
}

TEST_F(LightSourceTest, ASubtreeRegistersAndUnregistersItsLightsTogether) {
  TGLBaseSceneObject group(nullptr);
  auto* first = NewLight(&group);
  auto* holder = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(&group);
  auto* second = NewLight(holder);
  EXPECT_EQ(Slots(), std::vector<TObject*>(8, nullptr)) << "outside a scene no slot is taken";

  group.MoveTo(Scene.GetObjects());
  EXPECT_EQ(first->GetLightID(), GLenum(GL_LIGHT0));
  EXPECT_EQ(second->GetLightID(), GLenum(GL_LIGHT1));

  delete holder;
  EXPECT_EQ(Slots()[1], nullptr) << "a light freed with its parent";
  group.DeleteChildren();
  EXPECT_EQ(Slots(), std::vector<TObject*>(8, nullptr));
  group.MoveTo(nullptr);
}

TEST_F(LightSourceTest, ALightIsNeverHitAndHasNoOutlineOrList) {
  auto* light = NewLight();
  TVector point{7, 7, 7, 7};
  EXPECT_FALSE(light->RayCastIntersect({0, 0, 20, 1}, {0, 0, -1, 0}, &point));
  EXPECT_EQ(point, (TVector{7, 7, 7, 7}));
  EXPECT_EQ(light->GenerateSilhouette({{0, 0, 10}, {0, 0, 1}, spPoint, true}), nullptr);
  TRenderContextInfo rci;
  EXPECT_EQ(light->GetHandle(rci), 0u) << "no list is compiled, so no OpenGL call is made";
}

// As in a window layout: the form owns the scene and its nodes.
TEST_F(LightSourceTest, LayoutKeepsTheSettings) {
  RegisterGLSceneGraph();
  TComponent form(nullptr);
  auto* scene = MakeNamed<TGLSceneGraph>(form, "Scene");
  auto* light = MakeNamed<TGLLightSource>(form, "Lamp");
  scene->GetObjects()->AddChild(light);
  std::string layout = WriteLayout(&form);
  for (const char* line : {"ConstAttenuation = 1.0\n", "SpotCutOff = 180.0\n",
                           "Diffuse.Color = {0000803F0000803F0000803F0000803F}\n"})
    EXPECT_NE(layout.find(line), std::string::npos) << line << layout;
  for (const char* left : {"Shining", "LightStyle", "SpotExponent", "LinearAttenuation"})
    EXPECT_EQ(layout.find(left), std::string::npos) << "default left out: " << left;

  light->SetShining(false);
  light->SetLightStyle(lsParallel);
  light->SetSpotCutOff(30);
  light->SetSpotExponent(4);
  light->SetQuadraticAttenuation(0.25f);
  light->GetSpotDirection()->SetVector(0, 1, 0);
  light->GetPosition()->SetPoint(7, 7, 14);
  light->GetAmbient()->SetRGBA(0.4f, 0.4f, 0.4f, 1);
  layout = WriteLayout(&form);

  TComponent read(nullptr);
  TStringStream stream(layout);
  stream.ReadComponent(&read);
  auto* readScene = dynamic_cast<TGLSceneGraph*>(read.FindComponent("Scene"));
  auto* copy = dynamic_cast<TGLLightSource*>(read.FindComponent("Lamp"));
  ASSERT_NE(readScene, nullptr);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetParent(), readScene->GetObjects());
  EXPECT_FALSE(copy->GetShining());
  EXPECT_EQ(copy->GetLightStyle(), lsParallel);
  EXPECT_EQ(copy->GetSpotCutOff(), 30);
  EXPECT_EQ(copy->GetSpotExponent(), 4);
  EXPECT_EQ(copy->GetQuadraticAttenuation(), 0.25f);
  EXPECT_EQ(copy->GetSpotDirection()->GetAsVector(), (TVector{0, 1, 0, 0}));
  EXPECT_EQ(copy->GetPosition()->GetAsVector(), (TVector{7, 7, 14, 1}));
  EXPECT_EQ(copy->GetAmbient()->GetColor(), (TVector{0.4f, 0.4f, 0.4f, 1}));
  EXPECT_EQ(copy->GetLightID(), GLenum(GL_LIGHT0)) << "a light read into a scene takes a slot";
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace
