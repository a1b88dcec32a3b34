// The 3D window on a display: frames per second of its scene while the camera orbits, with 100,
// 1,000 and 10,000 single joints, beside the same clone planes drawn by a bare OpenGL loop (one
// quad each, under the same lights, states and culling) in the viewer's own context and run; and
// the time from "3D Proof" to the window's first painted frame with 1,000 joints, the first
// opening of the process and the warm ones. Frames end when OpenGL has finished them; the
// processor time of the whole process is given beside the clock's, since on a busy machine it
// tells the work apart from the waiting. WINDOW3D_RUNS changes the runs, WINDOW3D_SIZES the joint
// counts ("0,100,1000,10000" by default; 0 measures the scene without planes), WINDOW3D_ONLY=window
// draws the window's orbits only, for a profiler. bench/window3d.sh runs it on Mesa's software
// renderer.
// clang-format off
// Qt's headers come before the engine's OpenGL binding, whose names would rename their members.
#include <QApplication>
#include <QTimer>
#include <QWindow>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/d3ddlg.h"
#include "app/frmmn.h"
#include "app/units.h"
#include "bench/DataSet.h"
#include "engine/GLObjects/Plane.h"
#include "engine/GLSceneGraph.h"
#include "engine/platform/GLSceneViewer.h"
#include "platform/gl/OpenGL.h"
#include "platform/gui/Forms.h"

namespace {

using bench::MakeJoint;
using bench::TFileAnswer;
using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The processor time of the whole process, the renderer's threads included: on a busy machine
// it tells the work apart from the waiting.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + now.tv_nsec * 1e-9;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int EnvOr(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value ? std::max(1, std::atoi(value)) : fallback;
}

std::vector<int> Sizes() {
  std::vector<int> sizes;
  std::stringstream list(std::getenv("WINDOW3D_SIZES") ? std::getenv("WINDOW3D_SIZES")
                                                       : "0,100,1000,10000");
  for (std::string item; std::getline(list, item, ',');) sizes.push_back(std::stoi(item));
  return sizes;
}

// ---- Frames while orbiting

// A quarter turn round the bowl over an orbit's frames, a little lower at each.
void Orbit(TGLCamera* camera, int frames) {
  camera->MoveAroundTarget(-10.0f / frames, 90.0f / frames);
}

void Finish(TGLContext& context) {
  WithActiveContext(context, [] { glFinish(); });
}

// The clone planes as a bare loop draws them: one quad each under its own matrix and colour.
struct TClone {
  TMatrix Matrix;
  TColorVector Colour;
};

class TBareLoop {
 public:
  TBareLoop(Tfrm3D& form, TGLSceneBuffer& buffer) : FBuffer(buffer) {
    TGLBaseSceneObject* root = form.GLSceneGraph->GetObjects();
    for (int i = 0; i < root->Count(); ++i) {
      auto* plane = dynamic_cast<TGLPlane*>(root->GetChild(i));
      if (!plane || !plane->GetVisible()) continue;
      FClones.push_back({plane->AbsoluteMatrix(),
                         plane->GetMaterial()->GetFrontProperties()->GetDiffuse()->GetColor()});
    }
  }
  int Count() const { return int(FClones.size()); }

  // A frame from the camera of an engine frame: its projection and view.
  void Frame(const TMatrix& projection, const TMatrix& view) {
    TGLContext& context = *FBuffer.GetRenderingContext();
    WithActiveContext(context, [&] {
      const TRectangle device = FBuffer.DeviceViewPort();
      glViewport(device.Left, device.Top, device.Width, device.Height);
      glClearColor(0.5f, 0.5f, 0.5f, 1);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glMatrixMode(GL_PROJECTION);
      glLoadMatrixf(projection[0].data());
      glMatrixMode(GL_MODELVIEW);
      glLoadMatrixf(view[0].data());
      const float sceneAmbient[] = {0.2f, 0.2f, 0.2f, 1};
      glLightModelfv(GL_LIGHT_MODEL_AMBIENT, sceneAmbient);
      // The stored scene's two lights.
      const float position0[] = {7, 7, 14, 1}, ambient0[] = {0.4f, 0.4f, 0.4f, 1},
                  white[] = {1, 1, 1, 1}, black[] = {0, 0, 0, 1};
      const float position1[] = {-7, -3, 3, 1}, diffuse1[] = {0.5f, 0.5f, 0.5f, 1};
      glLightfv(GL_LIGHT0, GL_POSITION, position0);
      glLightfv(GL_LIGHT0, GL_AMBIENT, ambient0);
      glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
      glLightfv(GL_LIGHT1, GL_POSITION, position1);
      glLightfv(GL_LIGHT1, GL_AMBIENT, black);
      glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse1);
      glEnable(GL_LIGHT0);
      glEnable(GL_LIGHT1);
      glEnable(GL_LIGHTING);
      glEnable(GL_DEPTH_TEST);
      glEnable(GL_NORMALIZE);
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      glDepthFunc(GL_LESS);
      const float materialAmbient[] = {0.2f, 0.2f, 0.2f, 1};
      glMaterialfv(GL_FRONT, GL_AMBIENT, materialAmbient);
      glMaterialfv(GL_FRONT, GL_SPECULAR, black);
      glMaterialfv(GL_FRONT, GL_EMISSION, black);
      for (const TClone& clone : FClones) {
        glMaterialfv(GL_FRONT, GL_DIFFUSE, clone.Colour.data());
        glPushMatrix();
        glMultMatrixf(clone.Matrix[0].data());
        glNormal3f(0, 0, 1);
        glBegin(GL_QUADS);
        glVertex3f(1, 1, 0);
        glVertex3f(-1, 1, 0);
        glVertex3f(-1, -1, 0);
        glVertex3f(1, -1, 0);
        glEnd();
        glPopMatrix();
      }
      context.SwapBuffers();
      glFinish();
    });
  }

 private:
  TGLSceneBuffer& FBuffer;
  std::vector<TClone> FClones;
};

// Medians of one size: seconds a frame on the clock and of processor time.
struct TFrames {
  double Window = 0, Bare = 0, WindowCpu = 0, BareCpu = 0;
};

TFrames FramesWhileOrbiting(int joints, int runs) {
  TJointList jointList;
  TGroupList groups;
  for (int j = 0; j < joints; ++j) jointList.Add(std::make_unique<TJoint>(MakeJoint(j, false)));
  for (int g = 0; g < 10; ++g) groups.Add(std::make_unique<TGroup>());
  Tfrm3D form;
  form.Joints = &jointList;
  form.Groups = &groups;
  form.FormShow();
  form.show();
  TGLSceneBuffer& buffer = *form.GLSceneViewer->GetBuffer();
  while (buffer.GetFrameCount() < 1) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  TGLContext& context = *buffer.GetRenderingContext();
  TBareLoop bare(form, buffer);

  // The frames of one orbit; fewer where each takes long.
  const int frames = joints <= 100 ? 36 : joints <= 1000 ? 12 : 3;
  std::vector<TMatrix> projections(static_cast<size_t>(frames)), views(projections);
  const std::string only = std::getenv("WINDOW3D_ONLY") ? std::getenv("WINDOW3D_ONLY") : "";
  std::vector<double> engineTimes, bareTimes, engineCpu, bareCpu;
  for (int run = 0; run < runs; ++run) {
    double cpu = CpuSeconds();
    const double engine = Seconds([&] {
      for (int f = 0; f < frames; ++f) {
        Orbit(form.GLCamera, frames);
        buffer.Render();
        Finish(context);
        projections[size_t(f)] = buffer.GetProjectionMatrix();
        views[size_t(f)] = buffer.GetModelViewMatrix();
      }
    });
    engineCpu.push_back((CpuSeconds() - cpu) / frames);
    cpu = CpuSeconds();
    const double loop = only == "window" ? 0 : Seconds([&] {
      for (int f = 0; f < frames; ++f) bare.Frame(projections[size_t(f)], views[size_t(f)]);
    });
    bareCpu.push_back((CpuSeconds() - cpu) / frames);
    engineTimes.push_back(engine / frames);
    bareTimes.push_back(loop / frames);
    std::printf(
        "  run %d: window %.2f fps, bare loop %.2f fps; processor %.1f ms and %.1f ms a "
        "frame\n",
        run + 1, 1 / engineTimes.back(), 1 / bareTimes.back(), engineCpu.back() * 1000,
        bareCpu.back() * 1000);
    std::fflush(stdout);
  }
  const TFrames m{Median(engineTimes), Median(bareTimes), Median(engineCpu), Median(bareCpu)};
  std::printf(
      "%6d joints (%d clones, %d frames an orbit): window %.2f fps (%.1f ms), bare loop "
      "%.2f fps (%.1f ms), ratio %.3f (goal: at most 1.2); processor %.1f and %.1f ms a frame, "
      "ratio %.3f\n",
      joints, bare.Count(), frames, 1 / m.Window, m.Window * 1000, 1 / m.Bare, m.Bare * 1000,
      m.Window / m.Bare, m.WindowCpu * 1000, m.BareCpu * 1000, m.WindowCpu / m.BareCpu);
  std::fflush(stdout);
  return m;
}

// ---- From "3D Proof" to the first painted frame

// The road of one opening: from the click to the window's Show (the layout read and the planes
// built), to the start of its first frame, and to the end of that frame on screen.
struct TOpening {
  double Shown = 0, FrameStart = 0, Painted = 0;
  // From the window's closing to its release done.
  double Released = 0;
  // Frames drawn before the window closed, the first included.
  int Frames = 0;
};

// Hooks the first frame of every 3D window as it is shown, before it can paint; closes the window
// once the events queued until the end of that frame are done, as a user could.
class TFirstFrameWatch : public QObject {
 public:
  Clock::time_point Start = Clock::now();
  TOpening Opening;
  bool Painted = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* frm3D = qobject_cast<Tfrm3D*>(watched);
    if (!frm3D || event->type() != QEvent::Show) return false;
    Opening.Shown = Since();
    TGLSceneBuffer* buffer = frm3D->GLSceneViewer->GetBuffer();
    buffer->BeforeRender = [this](TObject*) {
      if (Opening.FrameStart == 0) Opening.FrameStart = Since();
    };
    buffer->AfterRender = [this, frm3D](TObject*) {
      ++Opening.Frames;
      if (Painted) return;
      Painted = true;
      Opening.Painted = Since();
      QTimer::singleShot(0, frm3D, [frm3D] { frm3D->accept(); });
    };
    return false;
  }

 private:
  double Since() const { return std::chrono::duration<double>(Clock::now() - Start).count(); }
};

// Clicks "3D Proof" and follows the window until its first frame is on screen.
TOpening ProofToFirstFrame(TfrmMain& main) {
  TFirstFrameWatch watch;
  QApplication::instance()->installEventFilter(&watch);
  watch.Start = Clock::now();
  main.btnProof->click();
  QApplication::instance()->removeEventFilter(&watch);
  watch.Opening.Released =
      Seconds([] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); });
  return watch.Opening;
}

void PrintOpening(const char* label, const TOpening& o) {
  std::printf(
      "  %-12s %5.0f ms: shown at %.0f ms, first frame from %.0f to %.0f ms; %d frames "
      "before it closed; released in %.0f ms\n",
      label, o.Painted * 1000, o.Shown * 1000, o.FrameStart * 1000, o.Painted * 1000, o.Frames,
      o.Released * 1000);
}

TfrmMain* OpenDataSet(TFileAnswer& answer, int joints) {
  auto* main = new TfrmMain;
  main->show();
  answer.FileName = bench::WriteDataFile("vandremolix-window3d.txt", joints, 0, 0);
  main->mnuOpenClick();
  QApplication::processEvents();
  return main;
}

void OpenedAndPainted(int joints, int runs) {
  TFileAnswer answer;
  SetDialogService(&answer);
  std::unique_ptr<TfrmMain> owner(OpenDataSet(answer, joints));
  TfrmMain& main = *owner;
  std::printf("\"3D Proof\" to the first painted frame, %d joints (goal: at most 500 ms):\n",
              joints);
  PrintOpening("first", ProofToFirstFrame(main));
  std::vector<double> warm, shown, start;
  for (int run = 0; run < runs; ++run) {
    const TOpening o = ProofToFirstFrame(main);
    PrintOpening(("warm " + std::to_string(run + 1)).c_str(), o);
    warm.push_back(o.Painted);
    shown.push_back(o.Shown);
    start.push_back(o.FrameStart);
  }
  std::printf("  warm median %.0f ms (shown at %.0f ms, first frame from %.0f ms)\n",
              Median(warm) * 1000, Median(shown) * 1000, Median(start) * 1000);
  owner.reset();
  // Ten times the joints, once: no goal, but what a large data set costs.
  owner.reset(OpenDataSet(answer, joints * 10));
  std::printf("  %d joints, once:\n", joints * 10);
  PrintOpening("warm", ProofToFirstFrame(*owner));
  std::fflush(stdout);
  owner.reset();
  SetDialogService(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  InitializeUnits();
  Application->Initialize();
  Application->Title = "Vandremolixic projection";
  const int runs = EnvOr("WINDOW3D_RUNS", 3);
  if (!std::getenv("WINDOW3D_ONLY")) OpenedAndPainted(1000, 5);
  {
    Tfrm3D probe;
    probe.show();
    TGLSceneBuffer& buffer = *probe.GLSceneViewer->GetBuffer();
    while (buffer.GetFrameCount() < 1) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    WithActiveContext(*buffer.GetRenderingContext(), [] {
      std::printf("renderer: %s, viewer %d x %d\n",
                  reinterpret_cast<const char*>(glGetString(GL_RENDERER)), 520, 381);
    });
  }
  // With no joints the window draws its bowl, grid and sky and the bare loop clears and swaps:
  // what the other sizes add to that is the clone planes' own cost.
  bool haveEmpty = false;
  TFrames empty;
  for (int joints : Sizes()) {
    const TFrames m = FramesWhileOrbiting(joints, runs);
    if (joints == 0) {
      haveEmpty = true;
      empty = m;
    } else if (haveEmpty) {
      std::printf(
          "        the clone planes alone: window / bare loop %.3f on the clock, %.3f in "
          "processor time\n",
          (m.Window - empty.Window) / (m.Bare - empty.Bare),
          (m.WindowCpu - empty.WindowCpu) / (m.BareCpu - empty.BareCpu));
      std::fflush(stdout);
    }
  }
  FinalizeUnits();
  return 0;
}
