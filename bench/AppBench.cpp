// The main window's hot paths, warm in one process: the full redraw of the net painted into an
// image of the chart's design size and written as PNG (and its three parts apart), the painting
// of very long captions, and opening a data file until the net is painted. Runs on the offscreen
// platform; `make bench` runs it (bench/window.sh times Open in fresh processes on a real window).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <memory>

#include "app/frmmn.h"
#include "bench/BenchSupport.h"
#include "platform/gui/Forms.h"

namespace {

TFileAnswer Answer;

std::string WriteDataFile(int singles, int grouped, size_t captionLength = 0) {
  const std::string path = QDir::temp().filePath("vandremolix-bench.txt").toStdString();
  WriteJointFile(path, singles, grouped, captionLength);
  return path;
}

std::unique_ptr<TfrmMain> OpenForm(const std::string& path) {
  auto form = std::make_unique<TfrmMain>();
  form->FormShow();
  Answer.FileName = path;
  form->mnuOpenClick();
  return form;
}

void PaintChart(TfrmMain& form, QImage& image) {
  QPainter painter(&image);
  form.VandremolixicChart->Paint(painter, image.rect());
}

void Redraw(benchmark::State& state) {
  const auto form = OpenForm(WriteDataFile(static_cast<int>(state.range(0)), 0));
  const QString png = QDir::temp().filePath("vandremolix-bench.png");
  QImage image(352, 378, QImage::Format_RGB32);
  for (auto _ : state) {
    form->DrawStereogram();
    image.fill(Qt::white);
    PaintChart(*form, image);
    image.save(png, "PNG");
  }
  state.SetComplexityN(state.range(0));
}
void RebuildOnly(benchmark::State& state) {
  const auto form = OpenForm(WriteDataFile(static_cast<int>(state.range(0)), 0));
  for (auto _ : state) form->DrawStereogram();
}
BENCHMARK(RebuildOnly)->Arg(1000)->Unit(benchmark::kMillisecond);
void PaintOnly(benchmark::State& state) {
  const auto form = OpenForm(WriteDataFile(static_cast<int>(state.range(0)), 0));
  QImage image(352, 378, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::white);
    PaintChart(*form, image);
  }
}
BENCHMARK(PaintOnly)->Arg(1000)->Unit(benchmark::kMillisecond);
void WritePngOnly(benchmark::State& state) {
  const auto form = OpenForm(WriteDataFile(static_cast<int>(state.range(0)), 0));
  const QString png = QDir::temp().filePath("vandremolix-bench.png");
  QImage image(352, 378, QImage::Format_RGB32);
  image.fill(Qt::white);
  PaintChart(*form, image);
  for (auto _ : state) image.save(png, "PNG");
}
BENCHMARK(WritePngOnly)->Arg(1000)->Unit(benchmark::kMillisecond);

// 200 joints captioned with 100,000 characters each, painted without and with the legend.
void LongCaptionsPaint(benchmark::State& state) {
  const auto form = OpenForm(WriteDataFile(200, 0, 100000));
  form->VandremolixicChart->Legend().SetVisible(state.range(0) != 0);
  QImage image(352, 378, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::white);
    PaintChart(*form, image);
  }
}
BENCHMARK(LongCaptionsPaint)->ArgName("legend")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Redraw)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Complexity();
// Every try and the median.
BENCHMARK(Redraw)->Name("RedrawTries")->Arg(1000)->Repetitions(5)->Unit(benchmark::kMillisecond);

void OpenFile(benchmark::State& state) {
  const int joints = static_cast<int>(state.range(0));
  const std::string path = WriteDataFile(joints / 2, joints - joints / 2);
  QImage image(352, 378, QImage::Format_RGB32);
  for (auto _ : state) {
    const auto form = OpenForm(path);
    image.fill(Qt::white);
    PaintChart(*form, image);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(OpenFile)->Arg(500)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Application->Initialize();
  SetDialogService(&Answer);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SetDialogService(nullptr);
  return 0;
}
