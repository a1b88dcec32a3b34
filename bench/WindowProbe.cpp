// One Open on the real main window in a fresh process, as a user meets it: from the Open command
// to the net painted on screen, the resident memory then, and the time to close the window; or
// one "3D Proof" on an opened data set: from the click to the 3D window's first frame on screen,
// and from its Close to the main window given back; or one Open of a file that the window
// refuses, from the Open command to the program's own message box painted on screen.
//   window_probe write FILE SINGLES GROUPED   writes a data set
//   window_probe open FILE                    prints "open_ms close_ms rss_mb"
//   window_probe proof FILE                   prints "first_frame_ms close_ms frames hover_ms"
//   window_probe refuse FILE                  prints "given_ms box_ms characters text_painted"
// where the close ends at the first turn of the main window's event loop after the 3D window is
// freed: the main window answers again, and hover_ms is how long the pointer's arrival on the
// button held the main window (with HOVER_MS set; else 0).
// bench/window.sh and bench/proof.sh run it several times per size; it needs a display (Xvfb
// will do).
// clang-format off
// Qt's headers come before the engine's OpenGL binding, whose names would rename their members.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
// clang-format on
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/d3ddlg.h"
#include "app/frmmn.h"
#include "app/units.h"
#include "bench/BenchSupport.h"
#include "engine/GLSceneGraph.h"
#include "engine/platform/GLSceneViewer.h"
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

// Answers the file dialog with one name and shows every message in the program's own box, which
// is closed once painted: the times from the start of the clock to the message given to the box
// and to the box's first paint, the length of the text it holds and whether its text was painted.
class TShownMessages : public TFileAnswer {
 public:
  TShownMessages() : FBoxes((SetDialogService(nullptr), Dialogs())) {}
  QElapsedTimer Clock;
  double GivenMs = -1, PaintedMs = -1;
  qsizetype Characters = -1;
  bool TextPainted = false;

  int MessageBox(QWidget* parent, const std::string& caption, const std::string& text,
                 TMsgDlgType type, TMsgDlgButtons buttons) override {
    if (GivenMs < 0) GivenMs = Clock.nsecsElapsed() / 1e6;
    TPaintWatch watch(*this);
    QApplication::instance()->installEventFilter(&watch);
    const int result = FBoxes.MessageBox(parent, caption, text, type, buttons);
    QApplication::instance()->removeEventFilter(&watch);
    return result;
  }

 private:
  class TPaintWatch : public QObject {
   public:
    explicit TPaintWatch(TShownMessages& owner) : FOwner(owner) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      auto* widget = qobject_cast<QWidget*>(watched);
      auto* box = widget ? qobject_cast<QMessageBox*>(widget->window()) : nullptr;
      if (!box || event->type() != QEvent::Paint) return false;
      if (widget->objectName() == "qt_msgbox_label") FOwner.TextPainted = true;
      if (FOwner.PaintedMs >= 0) return false;
      FOwner.PaintedMs = FOwner.Clock.nsecsElapsed() / 1e6;
      FOwner.Characters = box->text().size();
      // After the rest of this paint, the label's included.
      QTimer::singleShot(0, box, [box] { box->done(QMessageBox::Ok); });
      return false;
    }

   private:
    TShownMessages& FOwner;
  };
  TDialogService& FBoxes;
};

// The main window on screen as the program shows it, its Open answered with `path` through
// `answer` (one that refuses every message when none is given); gone with the object, unless the
// caller frees the window itself.
class TShownMainWindow {
 public:
  explicit TShownMainWindow(const std::string& path, TFileAnswer* answer = nullptr)
      : FAnswer(answer ? *answer : FOwnAnswer) {
    FAnswer.FileName = path;
    SetDialogService(&FAnswer);
    Form = std::make_unique<TfrmMain>();
    Application->SetMainWidget(Form.get());
    Form->show();
  }
  ~TShownMainWindow() {
    Close();
    SetDialogService(nullptr);
  }
  bool Exposed() { return QTest::qWaitForWindowExposed(Form.get()); }
  void Close() {
    Application->SetMainWidget(nullptr);
    Form.reset();
  }

  std::unique_ptr<TfrmMain> Form;

 private:
  TFileAnswer FOwnAnswer;
  TFileAnswer& FAnswer;
};

int Open(const std::string& path) {
  TShownMainWindow shown(path);
  if (!shown.Exposed()) return 1;
  TfrmMain* form = shown.Form.get();
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
  shown.Close();
  const double closeMs = clock.nsecsElapsed() / 1e6;
  printf("%.1f %.1f %.1f\n", openMs, closeMs, rss);
  return 0;
}

// An Open that ends in a message rather than a net: from the command to the box on screen.
int Refuse(const std::string& path) {
  TShownMessages messages;
  TShownMainWindow shown(path, &messages);
  if (!shown.Exposed()) return 1;
  QTest::qWait(50);  // the first paints of the empty window
  messages.Clock.start();
  shown.Form->mnuOpen->trigger();
  printf("%.1f %.1f %lld %d\n", messages.GivenMs, messages.PaintedMs,
         static_cast<long long>(messages.Characters), messages.TextPainted ? 1 : 0);
  return 0;
}

// Follows the 3D window that "3D Proof" opens: hooks its frames as it is shown, clicks Close once
// its first frame is on screen, and notes when the main window's event loop turns again after
// the 3D window is freed.
class TProofWatch : public QObject {
 public:
  QElapsedTimer Clock;
  double FirstFrameMs = -1, CloseClickMs = -1, BackMs = -1;
  int Frames = 0;
  QEventLoop Loop;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* frm3D = qobject_cast<Tfrm3D*>(watched);
    if (!frm3D || event->type() != QEvent::Show) return false;
    connect(frm3D, &QObject::destroyed, this, [this] {
      QTimer::singleShot(0, this, [this] {
        BackMs = Clock.nsecsElapsed() / 1e6;
        Loop.quit();
      });
    });
    frm3D->GLSceneViewer->GetBuffer()->AfterRender = [this, frm3D](TObject*) {
      if (++Frames > 1) return;
      FirstFrameMs = Clock.nsecsElapsed() / 1e6;
      // Once the events queued until the end of that frame are done, as a user could.
      QTimer::singleShot(0, frm3D, [this, frm3D] {
        CloseClickMs = Clock.nsecsElapsed() / 1e6;
        QTest::mouseClick(frm3D->btnClose, Qt::LeftButton);
      });
    };
    return false;
  }
};

// The application of the probe: times the delivery of the pointer's arrival on one widget, filters
// and handlers included, the longest of them if it comes more than once.
class TProbeApplication : public QApplication {
 public:
  using QApplication::QApplication;
  const QObject* Watched = nullptr;
  double LongestEnterMs = -1;

  bool notify(QObject* receiver, QEvent* event) override {
    if (receiver != Watched || event->type() != QEvent::Enter)
      return QApplication::notify(receiver, event);
    QElapsedTimer clock;
    clock.start();
    const bool result = QApplication::notify(receiver, event);
    LongestEnterMs = std::max(LongestEnterMs, clock.nsecsElapsed() / 1e6);
    return result;
  }
};

int Proof(const std::string& path) {
  TShownMainWindow shown(path);
  if (!shown.Exposed()) return 1;
  TfrmMain* form = shown.Form.get();
  form->mnuOpen->trigger();
  QTest::qWait(200);  // the net of the data set painted

  // A user's pointer reaches the button a moment before the click; HOVER_MS sets that moment
  // (none by default: the click comes with no pointer on the way).
  auto* app = static_cast<TProbeApplication*>(QCoreApplication::instance());
  double hoverMs = 0;
  if (const int hover = std::getenv("HOVER_MS") ? std::atoi(std::getenv("HOVER_MS")) : 0;
      hover > 0) {
    app->Watched = form->btnProof;
    QTest::mouseMove(form->btnProof);
    QTest::qWait(hover);
    app->Watched = nullptr;
    hoverMs = app->LongestEnterMs;
  }
  TProofWatch watch;
  QApplication::instance()->installEventFilter(&watch);
  // Clicked from the event loop, as the program's own loop would take the click; the 3D window
  // is freed through that loop once closed.
  QTimer::singleShot(0, &watch, [&] {
    watch.Clock.start();
    form->btnProof->click();
  });
  QTimer::singleShot(600000, &watch.Loop, &QEventLoop::quit);
  watch.Loop.exec();
  QApplication::instance()->removeEventFilter(&watch);
  printf("%.1f %.1f %d %.2f\n", watch.FirstFrameMs, watch.BackMs - watch.CloseClickMs, watch.Frames,
         hoverMs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "write" && argc == 5) {
    WriteJointFile(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    return 0;
  }
  if ((command != "open" && command != "proof" && command != "refuse") || argc != 3) {
    fprintf(stderr, "usage: %s write FILE SINGLES GROUPED | open FILE | proof FILE | refuse FILE\n",
            argv[0]);
    return 2;
  }
  TProbeApplication app(argc, argv);
  InitializeUnits();
  Application->Initialize();
  Application->Title = "Vandremolixic projection";
  const int result = command == "open"    ? Open(argv[2])
                     : command == "proof" ? Proof(argv[2])
                                          : Refuse(argv[2]);
  FinalizeUnits();
  return result;
}
