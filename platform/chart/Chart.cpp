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
#include <limits>

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

bool HasRightToLeft(const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    const QChar::Direction d = QChar::direction(c);
    if (d == QChar::DirR || d == QChar::DirAL || d == QChar::DirRLE || d == QChar::DirRLO ||
        d == QChar::DirRLI)
      return true;
  }
  return false;
}

// The part of `text` that can show within `width` pixels of where it starts: all of it, or a
// start that reaches a character past `width`, so that a caption of a hundred thousand characters
// costs no more to lay out and paint than one as wide as the chart. Right-to-left text, which may
// put later characters further left, is taken whole.
QString VisiblePart(const std::string& text, const QFontMetrics& metrics, int width) {
  const int reach = std::max(0, width) + metrics.maxWidth();
  for (size_t bytes = 256;; bytes *= 2) {
    if (bytes >= text.size()) return QString::fromStdString(text);
    size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // UTF-8
    const QString part = QString::fromUtf8(text.data(), static_cast<qsizetype>(cut));
    if (HasRightToLeft(part)) return QString::fromStdString(text);
    if (metrics.horizontalAdvance(part) > reach) return part;
  }
}

// One line of text, left-aligned from x and centred in the row from top down `height` pixels.
void DrawTextAt(QPainter& painter, int x, int top, int height, const QString& text) {
  painter.drawText(QRect(x, top, 0, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                   text);
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
  FParentChart = nullptr;
  if (chart) {
    chart->FSeries.push_back(this);  // may fail; the series is marked attached only once listed
    FParentChart = chart;
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

void TChartSeries::SetSinglePrecision(bool single) {
  if (single == FSinglePrecision) return;
  std::vector<TPoint> points;
  std::vector<TSinglePoint> singlePoints;
  if (single) {
    singlePoints.reserve(FPoints.size());
    for (const TPoint& p : FPoints)
      singlePoints.push_back({static_cast<float>(p.X), static_cast<float>(p.Y)});
  } else {
    points.reserve(FSinglePoints.size());
    for (const TSinglePoint& p : FSinglePoints) points.push_back({p.X, p.Y});
  }
  FPoints.swap(points);
  FSinglePoints.swap(singlePoints);
  FSinglePrecision = single;
  Changed();
}

int TChartSeries::AddXY(double x, double y, const std::string& label, TColor color) {
  const int index = Insert({x, y}, {color, label});
  Changed();
  return index;
}

void TChartSeries::MakeRoom(size_t count) {
  const auto grow = [count](auto& points) {
    const size_t size = points.size();
    if (points.capacity() - size < count)
      points.reserve(size == 0 ? count : std::max(size + count, 2 * size));
  };
  FSinglePrecision ? grow(FSinglePoints) : grow(FPoints);
}

void TChartSeries::InsertPoint(size_t at, double x, double y) {
  const auto offset = static_cast<std::ptrdiff_t>(at);
  if (FSinglePrecision)
    FSinglePoints.insert(FSinglePoints.begin() + offset,
                         {static_cast<float>(x), static_cast<float>(y)});
  else
    FPoints.insert(FPoints.begin() + offset, {x, y});
}

void TChartSeries::TakeLook(size_t at, size_t count, const TPointLook& look) {
  if (count == 0) return;
  if (PointCount() == 0) {
    FLook = look;
  } else if (!FLooks.empty() || FLook != look) {
    if (FLooks.empty()) FLooks.assign(PointCount(), FLook);  // shared no longer
    FLooks.insert(FLooks.begin() + static_cast<std::ptrdiff_t>(at), count, look);
  }
}

void TChartSeries::Clear() {
  FPoints.clear();
  FSinglePoints.clear();
  FLook = {};
  FLooks.clear();
  Changed();
}

TChartValue TChartSeries::Values(int index) const {
  CheckIndex(index, PointCount());
  const size_t i = static_cast<size_t>(index);
  const TPoint p = PointAt(i);
  return {p.X, p.Y, LookOf(i).Label, LookOf(i).Color};
}

// The x order decides; the y order only when x is unordered. Equal keys keep insertion order.
// What can fail comes before the point goes in, so a failure leaves the series as it was.
int TChartSeries::Insert(TPoint point, const TPointLook& look) {
  // The point goes in order as it will be kept.
  if (FSinglePrecision) point = {static_cast<float>(point.X), static_cast<float>(point.Y)};
  const bool byX = FXValuesOrder != loNone;
  const TChartValueOrder order = byX ? FXValuesOrder : FYValuesOrder;
  const auto key = [byX](const TPoint& p) { return byX ? p.X : p.Y; };
  size_t at = PointCount();
  while (at > 0 && Before(order, key(point), key(PointAt(at - 1)))) --at;
  MakeRoom(1);
  TakeLook(at, 1, look);
  InsertPoint(at, point.X, point.Y);
  return static_cast<int>(at);
}

void TChartSeries::Reorder() {
  std::vector<TPoint> points;
  std::vector<TSinglePoint> singlePoints;
  std::vector<TPointLook> looks;
  TPointLook shared = FLook;
  points.swap(FPoints);
  singlePoints.swap(FSinglePoints);
  looks.swap(FLooks);
  try {
    const size_t count = FSinglePrecision ? singlePoints.size() : points.size();
    for (size_t i = 0; i < count; ++i) {
      const TPoint p = FSinglePrecision ? TPoint{singlePoints[i].X, singlePoints[i].Y} : points[i];
      Insert(p, looks.empty() ? shared : looks[i]);
    }
  } catch (...) {
    FPoints.swap(points);
    FSinglePoints.swap(singlePoints);
    FLooks.swap(looks);
    FLook = std::move(shared);
    throw;
  }
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
  for (size_t i = 0; i < PointCount(); ++i) {
    const TPoint value = PointAt(i);
    const QPointF p = mapping(value.X, value.Y);
    if (!IsFinite(p)) {
      flush();
      havePrevious = false;
      continue;
    }
    if (havePrevious) {
      const TColor color = ColorOf(i);
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
  // No mark shows past the clip's right edge.
  const int right = painter.hasClipping()
                        ? static_cast<int>(std::ceil(painter.clipBoundingRect().right()))
                        : std::numeric_limits<int>::max() / 2;
  painter.setBrush(Qt::NoBrush);
  for (size_t i = 0; i < PointCount(); ++i) {
    const TPoint value = PointAt(i);
    const QPointF p = mapping(value.X, value.Y);
    if (!IsFinite(p)) continue;
    const int x = qRound(p.x());
    const int y = qRound(p.y());
    painter.setPen(ToQColor(ColorOf(i)));
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
    if (FMarksVisible) DrawMark(painter, QPoint(x, y), i, right);
  }
}

void TPointSeries::DrawMark(QPainter& painter, QPoint at, size_t index, int right) const {
  const QFontMetrics metrics = painter.fontMetrics();
  const int left = at.x() + kSymbolHalfSize + kMarkGap, top = at.y() - metrics.height() / 2;
  const QString text = FMarksStyle == smsLabel ? VisiblePart(LabelOf(index), metrics, right - left)
                                               : QString::number(PointAt(index).Y);
  if (text.isEmpty()) return;
  painter.setPen(Qt::black);
  if (!FMarksTransparent || FMarksFrameVisible) {
    const QRect frame(left - 2, top - 1, metrics.horizontalAdvance(text) + 3, metrics.height() + 1);
    if (!FMarksTransparent) painter.fillRect(frame, Qt::white);
    if (FMarksFrameVisible) painter.drawRect(frame);
  }
  DrawTextAt(painter, left, top, metrics.height(), text);
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

// Series mostly leave in the reverse order of their coming (the last one attached, a failed
// item of a redraw), so the search starts at the end.
void TChart::Detach(TChartSeries& series) {
  FSeries.erase(std::next(std::find(FSeries.rbegin(), FSeries.rend(), &series)).base());
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

// Entries flow left to right from the top-left corner and wrap into further rows, which end at
// the bottom of the chart. The legend goes over the plot on a white ground, so it stays readable
// where it covers arcs and labels.
void TChart::DrawLegend(QPainter& painter, const QRect& rect) const {
  const QFontMetrics metrics = painter.fontMetrics();
  const int rowHeight = metrics.height();
  const int sampleHeight = std::max(2, rowHeight - 6);
  const int left = rect.left() + kLegendMargin, right = rect.right() - kLegendMargin;
  const int textLeft = FLegend.GetColorWidth() + kLegendSampleGap;  // from the entry's left
  struct TEntry {
    QPoint At;
    QColor Color;
    QString Title;
  };
  std::vector<TEntry> entries;
  QRect ground;
  int x = left, y = rect.top() + kLegendMargin;
  for (const TChartSeries* series : FSeries) {
    if (!series->GetShowInLegend()) continue;
    // A title longer than a row flows as if whole: it fills its own row either way.
    QString title = VisiblePart(series->GetTitle(), metrics, right - left - textLeft);
    const int width = textLeft + metrics.horizontalAdvance(title);
    if (x > left && x + width > right) {
      x = left;
      y += rowHeight;
    }
    if (y > rect.bottom()) break;
    ground |= QRect(x, y, width, rowHeight);
    entries.push_back({QPoint(x, y), ToQColor(series->GetSeriesColor()), std::move(title)});
    x += width + kLegendEntryGap;
  }
  if (entries.empty()) return;
  painter.fillRect(ground.adjusted(-kLegendMargin, -kLegendMargin, kLegendMargin, kLegendMargin),
                   Qt::white);
  painter.setPen(Qt::black);
  for (const TEntry& e : entries) {
    painter.fillRect(e.At.x(), e.At.y() + (rowHeight - sampleHeight) / 2, FLegend.GetColorWidth(),
                     sampleHeight, e.Color);
    DrawTextAt(painter, e.At.x() + textLeft, e.At.y(), rowHeight, e.Title);
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
