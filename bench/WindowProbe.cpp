// One Open on the real main window in a fresh process, as a user meets it: from the Open command
// to the net painted on screen, the resident memory then, and the time to close the window.
//   window_probe write FILE SINGLES GROUPED   writes a data set
//   window_probe open FILE                    prints "open_ms close_ms rss_mb"
// bench/window.sh runs it several times per size; it needs a display (Xvfb will do).
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <cstdio>
#include <memory>

#include "app/frmmn.h"
#include "app/units.h"
#include "bench/BenchSupport.h"
#include "platform/gui/Forms.h"

namespace {

class TPaintCounter : public QObject {
 public:
  int Count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Count;
    return false;
  }
};

double ResidentMegabytes() {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
  return -1;
}

int Open(const std::string& path) {
  TFileAnswer answer;
  answer.FileName = path;
  SetDialogService(&answer);
  auto form = std::make_unique<TfrmMain>();
  Application->SetMainWidget(form.get());
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get())) return 1;
  QTest::qWait(50);  // the first paints of the empty window
  TPaintCounter paints;
  form->VandremolixicChart->installEventFilter(&paints);

  QElapsedTimer clock;
  clock.start();
  form->mnuOpen->trigger();
  while (paints.Count == 0 && clock.elapsed() < 600000) QCoreApplication::processEvents();
  const double openMs = clock.nsecsElapsed() / 1e6;
  const double rss = ResidentMegabytes();

  form->VandremolixicChart->removeEventFilter(&paints);
  clock.restart();
  form->close();
  Application->SetMainWidget(nullptr);
  form.reset();
  const double closeMs = clock.nsecsElapsed() / 1e6;
  SetDialogService(nullptr);
  printf("%.1f %.1f %.1f\n", openMs, closeMs, rss);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "write" && argc == 5) {
    WriteJointFile(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    return 0;
  }
  if (command != "open" || argc != 3) {
    fprintf(stderr, "usage: %s write FILE SINGLES GROUPED | open FILE\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  InitializeUnits();
  Application->Initialize();
  Application->Title = "Vandremolixic projection";
  const int result = Open(argv[2]);
  FinalizeUnits();
  return result;
}
