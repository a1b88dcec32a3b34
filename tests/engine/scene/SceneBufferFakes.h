#pragma once
// Stand-ins for the scene buffer's tests without a display: a rendering context whose platform
// half only logs what is asked of it, made by the context manager like the real one, a buffer
// whose performance counter is a clock the test sets, and a texture to copy frames into.

#include <set>
#include <string>
#include <vector>

#include "engine/GLContext.h"
#include "engine/GLMaterial.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "platform/rtl/Classes.h"

namespace scene_test {

// What the fake contexts were asked, in order: "create", "memory 64x48", "on", "off", "swap",
// "destroy", "share".
inline std::vector<std::string> ContextLog;
// The platform steps ("create", "memory", "on", "off") that raise instead of doing their work.
inline std::set<std::string> FailingSteps;

class TFakeContext : public TGLContext {
  RTL_CLASS(TFakeContext, TGLContext)
  TFakeContext() = default;
  ~TFakeContext() override { ReleaseContext(); }
  bool IsValid() override { return FValid; }
  void SwapBuffers() override { ContextLog.push_back("swap"); }
  TGLOutputDevice RenderOutputDevice() override { return nullptr; }

 protected:
  void DoCreateContext(TGLOutputDevice) override {
    Step("create");
    FValid = true;
  }
  void DoCreateMemoryContext(TGLOutputDevice, int width, int height) override {
    Step("memory", " " + std::to_string(width) + "x" + std::to_string(height));
    FValid = true;
  }
  void DoShareLists(TGLContext*) override { Step("share"); }
  void DoDestroyContext() override {
    Step("destroy");
    FValid = false;
  }
  void DoActivate() override { Step("on"); }
  void DoDeactivate() override { Step("off"); }

 private:
  static void Step(const std::string& what, const std::string& detail = "") {
    if (FailingSteps.count(what)) throw EGLContext(what + " failed");
    ContextLog.push_back(what + detail);
  }
  bool FValid = false;
};

// The context manager with the fake context as its only class, for the life of the object.
class TFakeContextUnit {
 public:
  TFakeContextUnit() {
    InitializeGLContext();
    RegisterGLContextClass(TFakeContext::StaticClass());
    ContextLog.clear();
    FailingSteps.clear();
  }
  ~TFakeContextUnit() { FinalizeGLContext(); }
  TFakeContextUnit(const TFakeContextUnit&) = delete;
  TFakeContextUnit& operator=(const TFakeContextUnit&) = delete;
};

// A buffer that reads its performance counter from Now, at 1000 ticks a second.
class TClockedBuffer : public TGLSceneBuffer {
  RTL_CLASS(TClockedBuffer, TGLSceneBuffer)
  using TGLSceneBuffer::TGLSceneBuffer;
  int64_t Now = 0;

 protected:
  int64_t PerformanceCounter() const override { return Now; }
  int64_t PerformanceFrequency() const override { return 1000; }
};

// A component that owns a buffer and publishes it, as a viewer does: the render events fire only
// for a component owner, and a layout stores the buffer through it.
class TBufferHolder : public TComponent {
  RTL_CLASS(TBufferHolder, TComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TBufferHolder>(TComponent::Published())
            .Object("Buffer", [](const TBufferHolder& h) { return h.Buffer.get(); });
    return table;
  }
  explicit TBufferHolder(TComponent* AOwner = nullptr) : TComponent(AOwner) { SetName("Holder"); }
  std::unique_ptr<TClockedBuffer> Buffer = std::make_unique<TClockedBuffer>(this);
};

// A texture whose image uploads to the target asked for.
class TCopyTarget : public TGLTexture {
  RTL_CLASS(TCopyTarget, TGLTexture)
  explicit TCopyTarget(GLenum target, TGLMinFilter minFilter = miLinear) : TGLTexture(nullptr) {
    if (target == GL_TEXTURE_CUBE_MAP) {
      TGLCubeMapImage image(nullptr);
      SetImage(&image);
    } else if (target == GL_TEXTURE_RECTANGLE_NV) {
      TGLFloatDataImage image(nullptr);
      SetImage(&image);
    }
    SetMinFilter(minFilter);
  }
};

}  // namespace scene_test
