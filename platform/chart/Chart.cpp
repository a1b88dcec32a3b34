#include "platform/chart/Chart.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "platform/gui/GuiColors.h"
#include "platform/gui/Printers.h"
#include "platform/rtl/SysUtils.h"

// Value to pixel for one rect. A zero axis span gives non-finite pixels, which every series skips.
struct TChartMapping {
  double Left, MinX, XScale;
  double Top, MaxY, YScale;

  QPointF operator()(double x, double y) const {
    return {Left + (x - MinX) * XScale, Top + (MaxY - y) * YScale};
  }
};

namespace {

constexpr int kSymbolHalfSize = 2;  // symbols span 4 x 4 pixels around the point
constexpr int kMarkGap = 3;
constexpr int kLegendMargin = 4;
constexpr int kLegendSampleGap = 4;
constexpr int kLegendEntryGap = 12;

bool IsFinite(const QPointF& p) {
  return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Sets the field and tells whether the value was new, so that only real changes repaint.
template <class T>
bool Assign(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

void CheckIndex(int index, size_t count) {
  if (index < 0 || static_cast<size_t>(index) >= count)
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

// A comparison with NaN is false both ways: a NaN key stays where it was added, and no point
// moves past it.
bool Before(TChartValueOrder order, double a, double b) {
  if (order == loAscending) return a < b;
  if (order == loDescending) return a > b;
  return false;
}

}  // namespace

// ---- TChartSeries ----

TChartSeries::~TChartSeries() {
  SetParentChart(nullptr);
}

void TChartSeries::SetParentChart(TChart* chart) {
  if (chart == FParentChart) return;
  if (FParentChart) FParentChart->Detach(*this);
  FParentChart = chart;
  if (chart) {
    chart->FSeries.push_back(this);
    chart->Invalidate();
  }
}

void TChartSeries::Changed() const {
  if (FParentChart) FParentChart->Invalidate();
}

void TChartSeries::SetSeriesColor(TColor color) {
  if (Assign(FSeriesColor, color)) Changed();
}

void TChartSeries::SetTitle(const std::string& title) {
  if (Assign(FTitle, title)) Changed();
}

void TChartSeries::SetShowInLegend(bool show) {
  if (Assign(FShowInLegend, show)) Changed();
}

void TChartSeries::SetActive(bool active) {
  if (Assign(FActive, active)) Changed();
}

void TChartSeries::SetXValuesOrder(TChartValueOrder order) {
  if (Assign(FXValuesOrder, order)) Reorder();
}

void TChartSeries::SetYValuesOrder(TChartValueOrder order) {
  if (Assign(FYValuesOrder, order)) Reorder();
}

int TChartSeries::AddXY(double x, double y, const std::string& label, TColor color) {
  if (FLabels.empty() || FLabels.back() != label) FLabels.push_back(label);
  const int index = Insert({x, y, color, static_cast<int32_t>(FLabels.size() - 1)});
  Changed();
  return index;
}

void TChartSeries::Clear() {
  FValues.clear();
  FLabels.clear();
  Changed();
}

TChartValue TChartSeries::Values(int index) const {
  CheckIndex(index, FValues.size());
  const TStoredValue& value = FValues[static_cast<size_t>(index)];
  return {value.X, value.Y, LabelOf(value), value.Color};
}

// The x order decides; the y order only when x is unordered. Equal keys keep insertion order.
int TChartSeries::Insert(const TStoredValue& value) {
  const bool byX = FXValuesOrder != loNone;
  const TChartValueOrder order = byX ? FXValuesOrder : FYValuesOrder;
  const auto key = [byX](const TStoredValue& v) { return byX ? v.X : v.Y; };
  size_t at = FValues.size();
  while (at > 0 && Before(order, key(value), key(FValues[at - 1]))) --at;
  FValues.insert(FValues.begin() + static_cast<std::ptrdiff_t>(at), value);
  return static_cast<int>(at);
}

void TChartSeries::Reorder() {
  std::vector<TStoredValue> old;
  old.swap(FValues);
  FValues.reserve(old.size());
  for (const TStoredValue& value : old) Insert(value);
  Changed();
}

// ---- TLineSeries ----

void TLineSeries::SetLinePenWidth(int width) {
  if (Assign(FLinePenWidth, std::max(1, width))) Changed();
}

// Consecutive segments of one colour go out as one polyline; a non-finite point breaks the line.
void TLineSeries::Draw(QPainter& painter, const TChartMapping& mapping, QPolygonF& run) const {
  TColor runColor = 0;
  const auto flush = [&] {
    if (run.size() >= 2) {
      painter.setPen(
          QPen(ToQColor(runColor), FLinePenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPolyline(run);
    }
    run.clear();
  };
  bool havePrevious = false;
  QPointF previous;
  for (const TStoredValue& value : Points()) {
    const QPointF p = mapping(value.X, value.Y);
    if (!IsFinite(p)) {
      flush();
      havePrevious = false;
      continue;
    }
    if (havePrevious) {
      const TColor color = PointColor(value);
      if (run.isEmpty() || color != runColor) {
        flush();
        runColor = color;
        run << previous;
      }
      run << p;
    }
    previous = p;
    havePrevious = true;
  }
  flush();
}

// ---- TPointSeries ----

void TPointSeries::SetPointerStyle(TSeriesPointerStyle style) {
  if (Assign(FPointerStyle, style)) Changed();
}

void TPointSeries::SetMarksVisible(bool visible) {
  if (Assign(FMarksVisible, visible)) Changed();
}

void TPointSeries::SetMarksTransparent(bool transparent) {
  if (Assign(FMarksTransparent, transparent)) Changed();
}

void TPointSeries::SetMarksStyle(TSeriesMarksStyle style) {
  if (Assign(FMarksStyle, style)) Changed();
}

void TPointSeries::SetMarksFrameVisible(bool visible) {
  if (Assign(FMarksFrameVisible, visible)) Changed();
}

void TPointSeries::Draw(QPainter& painter, const TChartMapping& mapping, QPolygonF&) const {
  constexpr int h = kSymbolHalfSize;
  painter.setBrush(Qt::NoBrush);
  for (const TStoredValue& value : Points()) {
    const QPointF p = mapping(value.X, value.Y);
    if (!IsFinite(p)) continue;
    const int x = qRound(p.x());
    const int y = qRound(p.y());
    painter.setPen(ToQColor(PointColor(value)));
    if (FPointerStyle == psRectangle) {
      painter.drawRect(x - h, y - h, 2 * h, 2 * h);
    } else {
      painter.drawLine(x - h, y, x + h, y);
      painter.drawLine(x, y - h, x, y + h);
      if (FPointerStyle == psStar) {
        painter.drawLine(x - h, y - h, x + h, y + h);
        painter.drawLine(x - h, y + h, x + h, y - h);
      }
    }
    if (FMarksVisible) DrawMark(painter, QPoint(x, y), value);
  }
}

void TPointSeries::DrawMark(QPainter& painter, QPoint at, const TStoredValue& value) const {
  const QString text =
      FMarksStyle == smsLabel ? QString::fromStdString(LabelOf(value)) : QString::number(value.Y);
  if (text.isEmpty()) return;
  const QFontMetrics metrics = painter.fontMetrics();
  const QRect box(at.x() + kSymbolHalfSize + kMarkGap, at.y() - metrics.height() / 2,
                  metrics.horizontalAdvance(text), metrics.height());
  const QRect frame = box.adjusted(-2, -1, 1, 0);
  if (!FMarksTransparent) painter.fillRect(frame, Qt::white);
  painter.setPen(Qt::black);
  if (FMarksFrameVisible) painter.drawRect(frame);
  painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
}

// ---- TChartAxis, TChartLegend ----

void TChartAxis::SetMinimum(double minimum) {
  if (Assign(FMinimum, minimum)) FChart.Invalidate();
}

void TChartAxis::SetMaximum(double maximum) {
  if (Assign(FMaximum, maximum)) FChart.Invalidate();
}

void TChartAxis::SetMinMax(double minimum, double maximum) {
  SetMinimum(minimum);
  SetMaximum(maximum);
}

void TChartLegend::SetVisible(bool visible) {
  if (Assign(FVisible, visible)) FChart.Invalidate();
}

void TChartLegend::SetColorWidth(int width) {
  if (Assign(FColorWidth, std::max(0, width))) FChart.Invalidate();
}

// ---- TChart ----

TChart::TChart(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TChart::~TChart() {
  ReleaseSeries();
}

TChartSeries* TChart::Series(int index) const {
  CheckIndex(index, FSeries.size());
  return FSeries[static_cast<size_t>(index)];
}

void TChart::RemoveAllSeries() {
  ReleaseSeries();
  Invalidate();
}

void TChart::ReleaseSeries() {
  for (TChartSeries* series : FSeries) series->FParentChart = nullptr;
  FSeries.clear();
}

void TChart::Detach(TChartSeries& series) {
  FSeries.erase(std::find(FSeries.begin(), FSeries.end(), &series));
  Invalidate();
}

void TChart::SetLegendBand(double fraction) {
  if (!(fraction > 0.0)) fraction = 0.0;  // also NaN
  if (Assign(FLegendBand, std::min(fraction, 1.0))) Invalidate();
}

// A hidden or empty widget drops the update, but showing or resizing it paints it anyway.
void TChart::Invalidate() {
  if (FUpdatePending) return;
  FUpdatePending = true;
  update();
}

TChartMapping TChart::Mapping(const QRect& rect) const {
  const double band = rect.height() * FLegendBand;
  return {static_cast<double>(rect.left()),
          FBottomAxis.GetMinimum(),
          rect.width() / (FBottomAxis.GetMaximum() - FBottomAxis.GetMinimum()),
          rect.top() + band,
          FLeftAxis.GetMaximum(),
          (rect.height() - band) / (FLeftAxis.GetMaximum() - FLeftAxis.GetMinimum())};
}

QPointF TChart::CalcPosition(double x, double y, const QRect& rect) const {
  return Mapping(rect)(x, y);
}

void TChart::Paint(QPainter& painter, const QRect& rect) const {
  if (rect.isEmpty()) return;
  painter.save();
  painter.setClipRect(rect, Qt::IntersectClip);
  painter.setRenderHint(QPainter::Antialiasing, false);
  // A pixel size keeps text in proportion to the plot on devices of any resolution.
  QFont pixelFont = font();
  pixelFont.setPixelSize(QFontInfo(font()).pixelSize());
  painter.setFont(pixelFont);
  painter.fillRect(rect, Qt::white);
  const TChartMapping mapping = Mapping(rect);
  QPolygonF scratch;
  for (const TChartSeries* series : FSeries)
    if (series->GetActive()) series->Draw(painter, mapping, scratch);
  if (FLegend.GetVisible()) DrawLegend(painter, rect);
  painter.restore();
}

// Entries flow left to right from the top-left corner and wrap into further rows.
void TChart::DrawLegend(QPainter& painter, const QRect& rect) const {
  const QFontMetrics metrics = painter.fontMetrics();
  const int rowHeight = metrics.height();
  const int sampleHeight = std::max(2, rowHeight - 6);
  const int right = rect.right() - kLegendMargin;
  int x = rect.left() + kLegendMargin;
  int y = rect.top() + kLegendMargin;
  for (const TChartSeries* series : FSeries) {
    if (!series->GetShowInLegend()) continue;
    const QString title = QString::fromStdString(series->GetTitle());
    const int textWidth = metrics.horizontalAdvance(title);
    const int width = FLegend.GetColorWidth() + kLegendSampleGap + textWidth;
    if (x > rect.left() + kLegendMargin && x + width > right) {
      x = rect.left() + kLegendMargin;
      y += rowHeight;
    }
    painter.fillRect(x, y + (rowHeight - sampleHeight) / 2, FLegend.GetColorWidth(), sampleHeight,
                     ToQColor(series->GetSeriesColor()));
    painter.setPen(Qt::black);
    painter.drawText(QRect(x + FLegend.GetColorWidth() + kLegendSampleGap, y, textWidth, rowHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, title);
    x += width + kLegendEntryGap;
  }
}

void TChart::paintEvent(QPaintEvent*) {
  FUpdatePending = false;
  QPainter painter(this);
  Paint(painter, rect());
}

void TChart::SaveToBitmapFile(const std::string& fileName) const {
  QImage image(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    Paint(painter, image.rect());
  }
  if (!image.save(QString::fromStdString(fileName), "BMP"))
    throw Exception("Cannot write the bitmap file \"" + fileName + "\".");
}

// Both forms give SVG, the one vector picture format that Linux desktops exchange.
void TChart::CopyToClipboardMetafile(bool) const {
  const QSize size(std::max(1, width() - 1), std::max(1, height() - 1));
  QBuffer buffer;
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(size);
  generator.setResolution(logicalDpiX());  // so that readers at screen resolution get our pixels
  generator.setViewBox(QRect(QPoint(), size));
  {
    QPainter painter(&generator);
    Paint(painter, QRect(QPoint(), size));
  }
  auto* data = new QMimeData;
  data->setData("image/svg+xml", buffer.data());
  QGuiApplication::clipboard()->setMimeData(data);
}

QSize TChart::PrintSize() const {
  const QSize chart(std::max(1, width()), std::max(1, height()));
  if (FPrintProportional) return chart;
  const QRect page = Printer().pageLayout().paintRectPixels(Printer().resolution());
  if (page.isEmpty()) return chart;
  return QSize(chart.width(),
               std::max(1, qRound(chart.width() * double(page.height()) / page.width())));
}

// The chart is drawn at screen size and scaled evenly onto the page, so lines, symbols and text
// keep their proportions to the plot; filling the page changes the proportions of the drawing,
// not of what is drawn.
void TChart::Print() const {
  const QSize size = PrintSize();
  QPrinter& printer = Printer();
  QPainter painter;
  BeginPrint(painter);
  const double scale =
      std::min(double(printer.width()) / size.width(), double(printer.height()) / size.height());
  painter.translate((printer.width() - size.width() * scale) / 2,
                    (printer.height() - size.height() * scale) / 2);
  painter.scale(scale, scale);
  Paint(painter, QRect(QPoint(), size));
  painter.end();
}
