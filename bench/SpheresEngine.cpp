// The engine's side of the sphere benchmark: the scene graph as the program builds one, drawn by
// a scene buffer off screen.
#include <cstring>
#include <numeric>

#include "bench/EngineUnits.h"
#include "bench/SpheresScene.h"
#include "engine/GLObjects/Sphere.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"

namespace spheres_bench {
namespace {

class TEngine : public TEngineRenderer {
 public:
  TEngine() {
    camera->SetTargetObject(centre);
    camera->GetUp()->SetVector(0, 0, 1);
    camera->SetDepthOfView(1000);
    light->GetPosition()->SetPoint(cLightPosition[0], cLightPosition[1], cLightPosition[2]);
    for (const TSphere& s : Spheres()) {
      auto* sphere = TGLBaseSceneObject::CreateAsChild<TGLSphere>(scene.GetObjects());
      sphere->SetRadius(cRadius);
      sphere->SetSlices(cSlices);
      sphere->SetStacks(cStacks);
      sphere->GetPosition()->SetPoint(s.Centre[0], s.Centre[1], s.Centre[2]);
      TGLFaceProperties* front = sphere->GetMaterial()->GetFrontProperties();
      front->GetDiffuse()->SetColor({s.Colour[0], s.Colour[1], s.Colour[2], s.Colour[3]});
      front->GetAmbient()->SetColor(
          {cMaterialAmbient[0], cMaterialAmbient[1], cMaterialAmbient[2], cMaterialAmbient[3]});
    }
    buffer = std::make_unique<TGLSceneBuffer>(nullptr);
    buffer->GetAmbientColor()->SetColor(
        {cSceneAmbient[0], cSceneAmbient[1], cSceneAmbient[2], cSceneAmbient[3]});
    buffer->SetBackgroundColor(0);
    buffer->SetViewPort(0, 0, cWidth, cHeight);
    buffer->CreateRC(nullptr, true);
    buffer->SetCamera(camera);
  }
  ~TEngine() override {
    // The display lists go while their context is still there.
    WithActiveContext(*buffer->GetRenderingContext(),
                      [&] { scene.GetObjects()->DeleteChildren(); });
    buffer.reset();
  }

  void Frame(const std::array<float, 3>& Eye, TMatrix16& ModelView,
             TMatrix16& Projection) override {
    camera->GetPosition()->SetPoint(Eye[0], Eye[1], Eye[2]);
    Draw();
    std::memcpy(ModelView.data(), buffer->GetModelViewMatrix().data(), sizeof ModelView);
    std::memcpy(Projection.data(), buffer->GetProjectionMatrix().data(), sizeof Projection);
  }

  double MeanPixel() override {
    std::vector<unsigned char> pixels(size_t(cWidth) * cHeight * 4);
    WithActiveContext(*buffer->GetRenderingContext(), [&] {
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadPixels(0, 0, cWidth, cHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    });
    return std::accumulate(pixels.begin(), pixels.end(), 0.0) / double(pixels.size());
  }

 private:
  void Draw() {
    buffer->Render();
    WithActiveContext(*buffer->GetRenderingContext(), [] { glFinish(); });
  }

  TBenchEngineUnits units;
  TGLSceneGraph scene{nullptr};
  TGLCamera* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(scene.GetCameras());
  TGLLightSource* light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(scene.GetObjects());
  TGLBaseSceneObject* centre = TGLBaseSceneObject::CreateAsChild(scene.GetObjects());
  std::unique_ptr<TGLSceneBuffer> buffer;
};

}  // namespace

std::unique_ptr<TEngineRenderer> NewEngineRenderer() {
  return std::make_unique<TEngine>();
}

}  // namespace spheres_bench
