// What a light loads into its OpenGL light, read back from a real implementation: positions and
// spot axes in eye space, colours, cone and attenuation.
#include <gtest/gtest.h>

#include <string>

#include "engine/GLSceneGraph.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "tests/engine/scene/CameraLightChecks.h"
#include "tests/support/SceneGL.h"

namespace {

using camera_light_test::ExpectNear;

TVector ReadLight(GLenum light, GLenum pname) {
  TVector v{};
  glGetLightfv(light, pname, v.data());
  return v;
}

float ReadLightValue(GLenum light, GLenum pname) {
  return ReadLight(light, pname)[0];
}

class LightSourceLive : public SceneGLTest {
 protected:
  void SetUp() override {
    SceneGLTest::SetUp();
    // Turned a quarter about Y, so its local Z axis is the scene's X axis, and moved away.
    Mount->GetPosition()->SetPoint(10, 20, 30);
    Mount->GetDirection()->SetVector(1, 0, 0);
  }
  TGLLightSource* NewLight(TGLBaseSceneObject* parent) {
    return TGLBaseSceneObject::CreateAsChild<TGLLightSource>(parent);
  }
  // As the scene loads a light each frame, from an identity camera.
  void Load(TGLLightSource& light) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    glEnable(light.GetLightID());
    light.SetupLight();
    glPopMatrix();
    CheckOpenGLError();
  }

  TGLSceneGraph Scene{nullptr};
  TGLBaseSceneObject* Mount = TGLBaseSceneObject::CreateAsChild(Scene.GetObjects());
};

TEST_F(LightSourceLive, AnOmniLightShinesFromItsPositionInItsParentsFrame) {
  auto* light = NewLight(Mount);
  light->SetLightStyle(lsOmni);
  light->GetPosition()->SetPoint(0, 0, 2);
  light->SetSpotCutOff(45);
  light->GetAmbient()->SetRGBA(0.1f, 0.2f, 0.3f, 1);
  light->GetDiffuse()->SetRGBA(0.4f, 0.5f, 0.6f, 1);
  light->GetSpecular()->SetRGBA(0.7f, 0.8f, 0.9f, 1);
  light->SetConstAttenuation(0.5f);
  light->SetLinearAttenuation(0.25f);
  light->SetQuadraticAttenuation(0.125f);
  ASSERT_EQ(light->GetLightID(), GLenum(GL_LIGHT0));
  Load(*light);
  ExpectNear(ReadLight(GL_LIGHT0, GL_POSITION), {12, 20, 30, 1}, "position");
  EXPECT_EQ(ReadLightValue(GL_LIGHT0, GL_SPOT_CUTOFF), 180) << "no cone, whatever is stored";
  EXPECT_EQ(ReadLight(GL_LIGHT0, GL_AMBIENT), (TVector{0.1f, 0.2f, 0.3f, 1}));
  EXPECT_EQ(ReadLight(GL_LIGHT0, GL_DIFFUSE), (TVector{0.4f, 0.5f, 0.6f, 1}));
  EXPECT_EQ(ReadLight(GL_LIGHT0, GL_SPECULAR), (TVector{0.7f, 0.8f, 0.9f, 1}));
  EXPECT_EQ(ReadLightValue(GL_LIGHT0, GL_CONSTANT_ATTENUATION), 0.5f);
  EXPECT_EQ(ReadLightValue(GL_LIGHT0, GL_LINEAR_ATTENUATION), 0.25f);
  EXPECT_EQ(ReadLightValue(GL_LIGHT0, GL_QUADRATIC_ATTENUATION), 0.125f);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
}

TEST_F(LightSourceLive, AParallelLightFollowsTheRotationOfItsFrameButNotItsTranslation) {
  auto* light = NewLight(Mount);
  light->SetLightStyle(lsParallel);
  light->GetPosition()->SetPoint(3, 3, 3);
  Load(*light);
  ExpectNear(ReadLight(light->GetLightID(), GL_POSITION), {-1, 0, 0, 0}, "-Z turned to -X");

  Mount->GetPosition()->SetPoint(-50, 0, 0);
  // The light's own turn counts too: its Z axis becomes its parent's Y axis.
  light->GetDirection()->SetVector(0, 1, 0);
  Load(*light);
  ExpectNear(ReadLight(light->GetLightID(), GL_POSITION), {0, -1, 0, 0}, "turned again");
  EXPECT_EQ(ReadLightValue(light->GetLightID(), GL_SPOT_CUTOFF), 180);
}

TEST_F(LightSourceLive, ASpotSendsItsAxisOnlyWithACone) {
  auto* light = NewLight(Mount);
  const GLenum id = light->GetLightID();
  light->SetSpotExponent(4);
  const float presetAxis[4] = {0.6f, 0.8f, 0, 0};
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glLightfv(id, GL_SPOT_DIRECTION, presetAxis);
  glLightf(id, GL_SPOT_EXPONENT, 7);
  Load(*light);
  EXPECT_EQ(ReadLightValue(id, GL_SPOT_CUTOFF), 180);
  ExpectNear(ReadLight(id, GL_SPOT_DIRECTION), {0.6f, 0.8f, 0, 0}, "cut-off 180: axis not sent");
  EXPECT_EQ(ReadLightValue(id, GL_SPOT_EXPONENT), 7) << "cut-off 180: exponent not sent";
  ExpectNear(ReadLight(id, GL_POSITION), {10, 20, 30, 1}, "at its parent's origin");

  light->SetSpotCutOff(45);
  light->GetSpotDirection()->SetVector(0, 0.6f, -0.8f);
  Load(*light);
  EXPECT_EQ(ReadLightValue(id, GL_SPOT_CUTOFF), 45);
  ExpectNear(ReadLight(id, GL_SPOT_DIRECTION), {-0.8f, 0.6f, 0, 0}, "the axis in eye space");
  EXPECT_EQ(ReadLightValue(id, GL_SPOT_EXPONENT), 4);
}

}  // namespace
