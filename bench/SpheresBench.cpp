// 10,000 lit spheres at 713 x 390, drawn by the engine and by OpenSceneGraph in one process:
// the time to build each scene, its first frame, and the frames per second over a fixed orbit
// of the camera (the median of several runs, the two renderers taking turns), with the ratio of
// the engine's frame time to OpenSceneGraph's. SPHERES_FRAMES and SPHERES_RUNS change the orbit's
// frames and the runs; SPHERES_ONLY=engine or SPHERES_ONLY=osg draws the orbits of one of them
// only, for a profiler. `make bench` runs it through bench/spheres.sh.
#include <QGuiApplication>
#include <QOpenGLContext>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "bench/SpheresScene.h"
#include "engine/platform/GLQtContext.h"

namespace spheres_bench {

std::vector<TSphere> Spheres() {
  std::vector<TSphere> spheres;
  spheres.reserve(size_t(cColumns) * cRows);
  for (int row = 0; row < cRows; ++row)
    for (int column = 0; column < cColumns; ++column) {
      const unsigned k = unsigned(spheres.size());
      spheres.push_back({{column - (cColumns - 1) / 2.0f, row - (cRows - 1) / 2.0f, 0},
                         {float((k * 37 + 60) % 256) / 255, float((k * 91 + 120) % 256) / 255,
                          float((k * 53 + 180) % 256) / 255, 1}});
    }
  return spheres;
}

std::array<float, 3> OrbitEye(int frame, int frames) {
  const double a = 2 * std::numbers::pi * frame / frames;
  return {float(20 * std::cos(a)), float(20 * std::sin(a)), 85};
}

}  // namespace spheres_bench

namespace {

using namespace spheres_bench;
using namespace bench_timing;

int EnvOr(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value ? std::max(1, std::atoi(value)) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  const int frames = EnvOr("SPHERES_FRAMES", 36);
  const int runs = EnvOr("SPHERES_RUNS", 3);
  std::printf("spheres: %d of %d x %d, %d x %d pixels, %d frames an orbit, %d runs\n",
              cColumns * cRows, cSlices, cStacks, cWidth, cHeight, frames, runs);

  // The OpenGL driver loads with the process's first context; loaded before either build, it is
  // counted in neither.
  {
    QOpenGLContext context;
    context.create();
  }
  std::unique_ptr<TEngineRenderer> engine;
  std::unique_ptr<TOsgRenderer> osg;
  std::vector<TMatrix16> modelViews(static_cast<size_t>(frames));
  std::vector<TMatrix16> projections(static_cast<size_t>(frames));
  const double engineBuild = Seconds([&] { engine = NewEngineRenderer(); });
  const double engineFirst =
      Seconds([&] { engine->Frame(OrbitEye(0, frames), modelViews[0], projections[0]); });
  const double osgBuild = Seconds([&] { osg = NewOsgRenderer(); });
  const double osgFirst = Seconds([&] { osg->Frame(modelViews[0], projections[0]); });
  std::printf("renderer: %s\n", osg->Renderer().c_str());
  std::printf("%-16s %10s %12s\n", "", "build (s)", "first (s)");
  std::printf("%-16s %10.3f %12.3f\n", "engine", engineBuild, engineFirst);
  std::printf("%-16s %10.3f %12.3f\n", "OpenSceneGraph", osgBuild, osgFirst);

  const std::string only = std::getenv("SPHERES_ONLY") ? std::getenv("SPHERES_ONLY") : "";
  // The orbit's matrices, as the engine draws them; OpenSceneGraph is given the same.
  for (int f = 1; f < frames && only == "osg"; ++f)
    engine->Frame(OrbitEye(f, frames), modelViews[size_t(f)], projections[size_t(f)]);
  std::vector<double> engineTimes, osgTimes, engineCpu, osgCpu;
  for (int run = 0; run < runs; ++run) {
    double cpu = CpuSeconds();
    const double e = only == "osg" ? 1 : Seconds([&] {
      for (int f = 0; f < frames; ++f)
        engine->Frame(OrbitEye(f, frames), modelViews[size_t(f)], projections[size_t(f)]);
    });
    engineCpu.push_back((CpuSeconds() - cpu) / frames);
    cpu = CpuSeconds();
    const double o = only == "engine" ? 1 : Seconds([&] {
      for (int f = 0; f < frames; ++f) osg->Frame(modelViews[size_t(f)], projections[size_t(f)]);
    });
    osgCpu.push_back((CpuSeconds() - cpu) / frames);
    engineTimes.push_back(e / frames);
    osgTimes.push_back(o / frames);
    std::printf("run %d: engine %.2f fps, OpenSceneGraph %.2f fps\n", run + 1,
                1 / engineTimes.back(), 1 / osgTimes.back());
  }
  const double engineFrame = Median(engineTimes), osgFrame = Median(osgTimes);
  const double engineWork = Median(engineCpu), osgWork = Median(osgCpu);
  std::printf("%-16s %10s %14s %18s\n", "median", "fps", "frame (ms)", "processor (ms)");
  std::printf("%-16s %10.2f %14.1f %18.1f\n", "engine", 1 / engineFrame, engineFrame * 1000,
              engineWork * 1000);
  std::printf("%-16s %10.2f %14.1f %18.1f\n", "OpenSceneGraph", 1 / osgFrame, osgFrame * 1000,
              osgWork * 1000);
  std::printf("engine frame time / OpenSceneGraph's: %.3f (goal: at most 1.1)\n",
              engineFrame / osgFrame);
  std::printf("engine processor time / OpenSceneGraph's: %.3f\n", engineWork / osgWork);
  // The last frame of both, as the same picture: the means of their colour bytes.
  std::printf("mean colour byte of the last frame: engine %.3f, OpenSceneGraph %.3f\n",
              engine->MeanPixel(), osg->MeanPixel());
  const double osgFree = Seconds([&] { osg.reset(); });
  const double engineFree = Seconds([&] { engine.reset(); });
  std::printf("freeing the scene: engine %.3f s, OpenSceneGraph %.3f s\n", engineFree, osgFree);
  return 0;
}
