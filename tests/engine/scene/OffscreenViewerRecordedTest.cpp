// The off-screen viewers without a display, against the recording OpenGL and a context whose
// platform half only logs what it is asked: the context made at the first frame at the viewer's
// size, what a new size or wish drops, a context that cannot be made, the buffer's events and
// camera reached through the viewer, the layout and the registration.
#include "tests/support/Raises.h"
//
#include <algorithm>
#include <any>
#include <memory>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/OffscreenViewers.h"
#include "engine/GLSceneGraph/Scene.h"
#include "platform/gl/GLRecorder.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"
#include "tests/engine/scene/SceneBufferFakes.h"

namespace {

using namespace quadric_checks;
using scene_test::ContextLog;
using scene_test::FailingSteps;

class OffscreenViewer : public testing::Test {
 protected:
  OffscreenViewer() {
    gl.SetImplementation("1.5", "");
    gl.SetValues(GL_BLUE_BITS, {8});
    gl.SetValues(GL_MAX_LIGHTS, {8});
  }
  TGLRecorder gl;
  scene_test::TFakeContextUnit unit;
  TGLSceneGraph scene{nullptr};
  TGLCamera* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(scene.GetCameras());
};

TEST_F(OffscreenViewer, NewViewerIs256SquareWithABufferAndNoContext) {
  TGLMemoryViewer viewer(nullptr);
  EXPECT_EQ(viewer.GetWidth(), 256);
  EXPECT_EQ(viewer.GetHeight(), 256);
  ASSERT_NE(viewer.GetBuffer(), nullptr);
  EXPECT_EQ(viewer.GetBuffer()->GetOwner(), &viewer);
  EXPECT_FALSE(viewer.GetBuffer()->RCInstantiated());
  EXPECT_EQ(viewer.GetCamera(), nullptr);
  EXPECT_TRUE(ContextLog.empty());
}

TEST_F(OffscreenViewer, TheFirstFrameMakesAContextOfTheViewersSizeAndTheNextReuseIt) {
  TGLMemoryViewer viewer(nullptr);
  viewer.SetWidth(64);
  viewer.SetHeight(48);
  viewer.SetCamera(camera);
  viewer.Render(nullptr);
  viewer.Render(nullptr);
  EXPECT_EQ(std::count(ContextLog.begin(), ContextLog.end(), "memory 64x48"), 1);
  EXPECT_EQ(std::count_if(ContextLog.begin(), ContextLog.end(),
                          [](const std::string& step) { return step.rfind("memory", 0) == 0; }),
            1);
  EXPECT_EQ(viewer.GetBuffer()->GetFrameCount(), 2);
  const TRectangle& viewport = viewer.GetBuffer()->GetViewPort();
  EXPECT_EQ(viewport.Width, 64);
  EXPECT_EQ(viewport.Height, 48);
}

TEST_F(OffscreenViewer, ANewSizeIsAtLeastOneAndDropsTheContext) {
  const struct Case {
    const char* name;
    void (TGLNonVisualViewer::*set)(int32_t);
    int32_t value, width, height;
    bool drops;
  } cases[] = {
      {"width", &TGLNonVisualViewer::SetWidth, 100, 100, 256, true},
      {"height", &TGLNonVisualViewer::SetHeight, 50, 256, 50, true},
      {"width 0", &TGLNonVisualViewer::SetWidth, 0, 1, 256, true},
      {"negative height", &TGLNonVisualViewer::SetHeight, -7, 256, 1, true},
      {"the same width", &TGLNonVisualViewer::SetWidth, 256, 256, 256, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLMemoryViewer viewer(nullptr);
    viewer.Render(nullptr);
    ContextLog.clear();
    (viewer.*c.set)(c.value);
    EXPECT_EQ(viewer.GetWidth(), c.width);
    EXPECT_EQ(viewer.GetHeight(), c.height);
    EXPECT_EQ(viewer.GetBuffer()->RCInstantiated(), !c.drops);
    EXPECT_EQ(std::count(ContextLog.begin(), ContextLog.end(), "destroy"), c.drops ? 1 : 0);
  }
}

TEST_F(OffscreenViewer, APixelFormatWishDropsTheContextAndARepaintSettingDoesNot) {
  TGLMemoryViewer viewer(nullptr);
  viewer.Render(nullptr);
  viewer.GetBuffer()->SetDepthTest(false);
  EXPECT_TRUE(viewer.GetBuffer()->RCInstantiated());
  viewer.GetBuffer()->SetAntiAliasing(aa4x);
  EXPECT_FALSE(viewer.GetBuffer()->RCInstantiated());
}

TEST_F(OffscreenViewer, AContextThatCannotBeMadePassesOutAndIsTriedAgain) {
  TGLMemoryViewer viewer(nullptr);
  FailingSteps = {"memory"};
  EXPECT_TRUE(Raises<EGLContext>([&] { viewer.Render(nullptr); }, "memory failed"));
  EXPECT_FALSE(viewer.GetBuffer()->RCInstantiated());
  FailingSteps.clear();
  viewer.Render(nullptr);
  EXPECT_TRUE(viewer.GetBuffer()->RCInstantiated());
  EXPECT_EQ(viewer.GetBuffer()->GetFrameCount(), 1);
}

TEST_F(OffscreenViewer, TheContextIsAskedForWhatTheViewerPreparesBeforeItIsMade) {
  class TShallowViewer : public TGLMemoryViewer {
   public:
    using TGLMemoryViewer::TGLMemoryViewer;
    int32_t DepthBitsAsked = -1;

   protected:
    void PrepareGLContext() override {
      DepthBitsAsked = GetBuffer()->GetRenderingContext()->GetDepthBits();
      GetBuffer()->GetRenderingContext()->SetDepthBits(16);
    }
  } viewer(nullptr);
  viewer.Render(nullptr);
  EXPECT_EQ(viewer.DepthBitsAsked, 24) << "the buffer's wishes come first";
  EXPECT_EQ(viewer.GetBuffer()->GetRenderingContext()->GetDepthBits(), 16);
}

TEST_F(OffscreenViewer, CameraAndRenderEventsAreTheBuffersAndAFreedCameraIsLetGo) {
  TGLMemoryViewer viewer(nullptr);
  viewer.SetCamera(camera);
  EXPECT_EQ(viewer.GetBuffer()->GetCamera(), camera);

  std::vector<std::string> fired;
  for (const char* name : {"BeforeRender", "PostRender", "AfterRender"}) {
    const TPropInfo* info = GetPropInfo(viewer, name);
    ASSERT_NE(info, nullptr) << name;
    info->SetMethod(viewer, std::any(TNotifyEvent([&fired, name](TObject* sender) {
                      fired.push_back(std::string(name) + (sender ? "" : " without sender"));
                    })));
  }
  viewer.Render(nullptr);
  EXPECT_EQ(fired, (std::vector<std::string>{"BeforeRender", "PostRender", "AfterRender"}));

  delete camera;
  EXPECT_EQ(viewer.GetCamera(), nullptr);
  EXPECT_NO_THROW(viewer.Render(nullptr));
}

TEST_F(OffscreenViewer, LayoutStoresSizeCameraAndBufferAndTheUnitRegistersTheMemoryViewer) {
  RegisterGLSceneGraph();
  EXPECT_EQ(GetClass("TGLMemoryViewer"), TGLMemoryViewer::StaticClass());
  EXPECT_EQ(GetClass("TGLNonVisualViewer"), nullptr);

  TComponent form(nullptr);
  auto* viewer = new TGLMemoryViewer(&form);
  viewer->SetName("Offscreen");
  std::string layout = WriteLayout(&form);
  for (const char* left : {"Width", "Height", "Camera"})
    EXPECT_EQ(layout.find(left), std::string::npos) << "a default is left out: " << left;

  viewer->SetWidth(320);
  viewer->SetHeight(200);
  viewer->GetBuffer()->SetDepthTest(false);
  layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    Width = 320\n    Height = 200\n    Buffer.DepthTest = False\n"),
            std::string::npos)
      << layout;

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readViewer = dynamic_cast<TGLMemoryViewer*>(read.FindComponent("Offscreen"));
  ASSERT_NE(readViewer, nullptr);
  EXPECT_EQ(readViewer->GetWidth(), 320);
  EXPECT_EQ(readViewer->GetHeight(), 200);
  EXPECT_FALSE(readViewer->GetBuffer()->GetDepthTest());
  EXPECT_EQ(WriteLayout(&read), layout);
}

}  // namespace
