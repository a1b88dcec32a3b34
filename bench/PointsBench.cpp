// A static cloud of 1,000,000 coloured points at the 3D window's design size (520 x 381), drawn
// by the engine (a TGLPoints node compiled into its display list, under a scene buffer on a
// memory context) and, in the same context and run, from a plain vertex array with no engine
// around it: the first frame of each, then frames per second while the camera circles the cloud
// (the median over several runs, the two taking turns frame by frame), with the ratio of the
// engine's frame time to the plain draw's. The engine's cloud sent at every frame (not static) is
// measured beside them. Frames end when OpenGL has finished them. POINTS_FRAMES and POINTS_RUNS
// change the frames of a run and the runs, POINTS_COUNT the points; POINTS_ONLY=engine or
// POINTS_ONLY=plain draws the runs of one of them only, for a profiler. bench/points.sh runs it on
// Mesa's software renderer.
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "bench/EngineUnits.h"
#include "engine/GLContext.h"
#include "engine/GLObjects/Points.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "platform/gl/OpenGL.h"

namespace {

using namespace bench_timing;

constexpr int cWidth = 520;
constexpr int cHeight = 381;

int EnvOr(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value ? std::max(1, std::atoi(value)) : fallback;
}

// A cloud shaped like measured ones: denser towards its centre, within a unit ball, each point
// its own colour by where it lies. A fixed generator, so every run draws the same cloud.
void MakeCloud(int count, TAffineVectorList& positions, TVectorList& colors) {
  positions.SetCapacity(count);
  colors.SetCapacity(count);
  uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return float(state >> 8) / float(1u << 24);
  };
  while (positions.Count() < count) {
    const TAffineVector p{2 * next() - 1, 2 * next() - 1, 2 * next() - 1};
    const float r2 = p[0] * p[0] + p[1] * p[1] + p[2] * p[2];
    if (r2 > 1 || next() < r2 * 0.5f) continue;
    positions.Add(p);
    colors.Add(TVector{0.5f + 0.5f * p[0], 0.5f + 0.5f * p[1], 0.5f + 0.5f * p[2], 1});
  }
}

class TPointsScene {
 public:
  explicit TPointsScene(int count) {
    MakeCloud(count, *FPoints->GetPositions(), *FPoints->GetColors());
    FPoints->SetStatic(true);
    FCamera->SetTargetObject(FPoints);
    FCamera->GetPosition()->SetPoint(0, -2.5f, 1.2f);
    FCamera->GetUp()->SetVector(0, 0, 1);
    FCamera->SetDepthOfView(100);
    FBuffer = std::make_unique<TGLSceneBuffer>(nullptr);
    FBuffer->SetBackgroundColor(0);
    FBuffer->SetViewPort(0, 0, cWidth, cHeight);
    FBuffer->CreateRC(nullptr, true);
    FBuffer->SetCamera(FCamera);
  }
  ~TPointsScene() {
    // The display list goes while its context is still there.
    WithActiveContext(Context(), [&] { FScene.GetObjects()->DeleteChildren(); });
    FBuffer.reset();
  }

  TGLContext& Context() { return *FBuffer->GetRenderingContext(); }
  TGLPoints& Points() { return *FPoints; }

  // A frame of the engine a little further round the cloud; the matrices it was drawn with.
  void EngineFrame(TMatrix& projection, TMatrix& modelView) {
    FCamera->MoveAroundTarget(0, 1);
    FBuffer->Render();
    WithActiveContext(Context(), [] { glFinish(); });
    projection = FBuffer->GetProjectionMatrix();
    modelView = FBuffer->GetModelViewMatrix();
  }

  // The same cloud from a plain vertex array, under the same matrices and states, no engine.
  void PlainFrame(const TMatrix& projection, const TMatrix& modelView) {
    TGLContext& context = Context();
    WithActiveContext(context, [&] {
      const TRectangle device = FBuffer->DeviceViewPort();
      glViewport(device.Left, device.Top, device.Width, device.Height);
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glMatrixMode(GL_PROJECTION);
      glLoadMatrixf(projection[0].data());
      glMatrixMode(GL_MODELVIEW);
      glLoadMatrixf(modelView[0].data());
      glEnable(GL_DEPTH_TEST);
      glDepthFunc(GL_LESS);
      glDisable(GL_LIGHTING);
      glDisable(GL_BLEND);
      glPointSize(1);
      glVertexPointer(3, GL_FLOAT, 0, FPoints->GetPositions()->List());
      glColorPointer(4, GL_FLOAT, 0, FPoints->GetColors()->List());
      glEnableClientState(GL_VERTEX_ARRAY);
      glEnableClientState(GL_COLOR_ARRAY);
      glDrawArrays(GL_POINTS, 0, FPoints->GetPositions()->Count());
      glDisableClientState(GL_COLOR_ARRAY);
      glDisableClientState(GL_VERTEX_ARRAY);
      context.SwapBuffers();
      glFinish();
    });
  }

  double MeanPixel() {
    std::vector<unsigned char> pixels(size_t(cWidth) * cHeight * 4);
    WithActiveContext(Context(), [&] {
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadPixels(0, 0, cWidth, cHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    });
    return std::accumulate(pixels.begin(), pixels.end(), 0.0) / double(pixels.size());
  }

 private:
  TBenchEngineUnits FUnits;
  TGLSceneGraph FScene{nullptr};
  TGLCamera* FCamera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(FScene.GetCameras());
  TGLPoints* FPoints = TGLBaseSceneObject::CreateAsChild<TGLPoints>(FScene.GetObjects());
  std::unique_ptr<TGLSceneBuffer> FBuffer;
};

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  const int count = EnvOr("POINTS_COUNT", 1000000);
  const int frames = EnvOr("POINTS_FRAMES", 20);
  const int runs = EnvOr("POINTS_RUNS", 5);
  const std::string only = std::getenv("POINTS_ONLY") ? std::getenv("POINTS_ONLY") : "";
  std::printf("points: %d coloured, static, %d x %d pixels, %d frames a run, %d runs\n", count,
              cWidth, cHeight, frames, runs);

  std::unique_ptr<TPointsScene> scene;
  const double build = Seconds([&] { scene = std::make_unique<TPointsScene>(count); });
  TMatrix projection, modelView;
  const double engineFirst = Seconds([&] { scene->EngineFrame(projection, modelView); });
  const double plainFirst = Seconds([&] { scene->PlainFrame(projection, modelView); });
  WithActiveContext(scene->Context(), [] {
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  });
  std::printf(
      "scene and context made in %.3f s; first frame (the engine's compiles the cloud "
      "into its display list): engine %.3f s, plain %.3f s\n",
      build, engineFirst, plainFirst);

  // The engine's frames and the plain ones take turns frame by frame, each plain frame under the
  // matrices of the engine frame before it, so that a change of the machine's load meets both.
  const auto alternate = [&](const char* label, std::vector<double>& engineTimes,
                             std::vector<double>& plainTimes, std::vector<double>& engineCpu,
                             std::vector<double>& plainCpu) {
    for (int run = 0; run < runs; ++run) {
      double engineRun = 0, plainRun = 0;
      for (int f = 0; f < frames; ++f) {
        if (only != "plain") {
          const double cpu = CpuSeconds();
          engineTimes.push_back(Seconds([&] { scene->EngineFrame(projection, modelView); }));
          engineCpu.push_back(CpuSeconds() - cpu);
          engineRun += engineTimes.back();
        }
        if (only != "engine") {
          const double cpu = CpuSeconds();
          plainTimes.push_back(Seconds([&] { scene->PlainFrame(projection, modelView); }));
          plainCpu.push_back(CpuSeconds() - cpu);
          plainRun += plainTimes.back();
        }
      }
      std::printf("run %d:", run + 1);
      if (engineRun > 0) std::printf(" engine%s %.2f fps", label, frames / engineRun);
      if (plainRun > 0)
        std::printf("%s plain %.2f fps", engineRun > 0 ? "," : "", frames / plainRun);
      std::printf("\n");
    }
  };
  const auto report = [](const char* label, const std::vector<double>& times,
                         const std::vector<double>& cpu) {
    if (times.empty()) return;
    std::printf("%-26s %10.2f %14.1f %18.1f %14.1f\n", label, 1 / Median(times),
                Median(times) * 1000, Median(cpu) * 1000,
                *std::min_element(times.begin(), times.end()) * 1000);
  };

  std::vector<double> engineTimes, plainTimes, engineCpu, plainCpu;
  alternate("", engineTimes, plainTimes, engineCpu, plainCpu);
  // One more frame of each under the same matrices: the two pictures should agree.
  scene->EngineFrame(projection, modelView);
  const double engineMean = scene->MeanPixel();
  scene->PlainFrame(projection, modelView);
  const double plainMean = scene->MeanPixel();

  // The same cloud sent at every frame instead of from the display list.
  scene->Points().SetStatic(false);
  std::vector<double> dynamicTimes, dynamicPlainTimes, dynamicCpu, dynamicPlainCpu;
  alternate(" (sent every frame)", dynamicTimes, dynamicPlainTimes, dynamicCpu, dynamicPlainCpu);

  // The fastest frame is the one a busy machine disturbed least.
  std::printf("%-26s %10s %14s %18s %14s\n", "median of the frames", "fps", "frame (ms)",
              "processor (ms)", "fastest (ms)");
  report("engine, static", engineTimes, engineCpu);
  report("plain vertex array", plainTimes, plainCpu);
  report("engine, sent every frame", dynamicTimes, dynamicCpu);
  report("plain, beside that", dynamicPlainTimes, dynamicPlainCpu);
  if (!engineTimes.empty() && !plainTimes.empty()) {
    std::printf("engine frame time / plain draw's: %.3f (goal: at most 1.1)\n",
                Median(engineTimes) / Median(plainTimes));
    std::printf("engine processor time / plain draw's: %.3f\n",
                Median(engineCpu) / Median(plainCpu));
    std::printf("fastest engine frame / fastest plain one: %.3f\n",
                *std::min_element(engineTimes.begin(), engineTimes.end()) /
                    *std::min_element(plainTimes.begin(), plainTimes.end()));
    std::printf("sent every frame: engine frame time / plain draw's: %.3f\n",
                Median(dynamicTimes) / Median(dynamicPlainTimes));
  }
  std::printf("mean colour byte of one frame: engine %.3f, plain %.3f\n", engineMean, plainMean);
  return 0;
}
