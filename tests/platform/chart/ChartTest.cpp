// The chart component: series list and ownership, value order, the value-to-pixel mapping, what
// each series paints, the legend, and the outputs (bitmap file, clipboard picture, printer).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

#include "platform/chart/Chart.h"
#include "platform/gui/GuiColors.h"
#include "platform/gui/Printers.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/FailingAllocations.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool IsDark(QRgb pixel) {
  return qGray(pixel) < 128;
}

// The bounding box of the dark pixels inside region (all of the image when none is given).
QRect DarkBounds(const QImage& image, std::optional<QRect> region = std::nullopt) {
  const QRect area = region.value_or(image.rect()).intersected(image.rect());
  QRect bounds;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (IsDark(image.pixel(x, y))) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

// The first pixel of exactly this colour inside region, row by row.
std::optional<QPoint> Find(const QImage& image, TColor color,
                           std::optional<QRect> region = std::nullopt) {
  const QRect area = region.value_or(image.rect()).intersected(image.rect());
  const QRgb wanted = ToQColor(color).rgb();
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) == wanted) return QPoint(x, y);
  return std::nullopt;
}

QImage Render(const TChart& chart, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QPainter painter(&image);
  chart.Paint(painter, image.rect());
  return image;
}

// A 100 x 100 plot over -1..1 both ways: value 0 is pixel 50, each 0.1 is 5 pixels.
class ChartTest : public testing::Test {
 protected:
  ChartTest() {
    Chart.BottomAxis().SetMinMax(-1, 1);
    Chart.LeftAxis().SetMinMax(-1, 1);
  }
  QImage Render() const { return ::Render(Chart, QSize(100, 100)); }

  TChart Chart;
};

// ---- series list and ownership ----

TEST_F(ChartTest, AttachAppendsLastAndReattachAfterRemoveAllGoesToTheEnd) {
  TLineSeries a, b, c;
  for (TChartSeries* s : {&a, &b, &c}) s->SetParentChart(&Chart);
  a.AddXY(0, 0);
  Chart.RemoveAllSeries();
  EXPECT_EQ(Chart.SeriesCount(), 0);
  for (TChartSeries* s : {&a, &b, &c}) EXPECT_EQ(s->GetParentChart(), nullptr);
  EXPECT_EQ(a.Count(), 1);  // detaching keeps the points

  c.SetParentChart(&Chart);
  a.SetParentChart(&Chart);
  a.SetParentChart(&Chart);  // already there: stays where it is
  ASSERT_EQ(Chart.SeriesCount(), 2);
  EXPECT_EQ(Chart.Series(0), &c);
  EXPECT_EQ(Chart.Series(1), &a);
}

TEST_F(ChartTest, FreeingASeriesDetachesIt) {
  TLineSeries first, last;
  first.SetParentChart(&Chart);
  auto middle = std::make_unique<TPointSeries>();
  middle->SetParentChart(&Chart);
  last.SetParentChart(&Chart);
  middle.reset();
  ASSERT_EQ(Chart.SeriesCount(), 2);
  EXPECT_EQ(Chart.Series(0), &first);
  EXPECT_EQ(Chart.Series(1), &last);
}

TEST_F(ChartTest, MovingToAnotherChartLeavesTheFirst) {
  TChart other;
  TLineSeries series;
  series.SetParentChart(&Chart);
  series.SetParentChart(&other);
  EXPECT_EQ(Chart.SeriesCount(), 0);
  ASSERT_EQ(other.SeriesCount(), 1);
  EXPECT_EQ(series.GetParentChart(), &other);
  series.SetParentChart(nullptr);
  EXPECT_EQ(other.SeriesCount(), 0);
}

TEST(ChartLifetime, FreeingTheChartDetachesItsSeriesAndFreesNone) {
  TLineSeries series;
  series.AddXY(1, 2);
  auto chart = std::make_unique<TChart>();
  series.SetParentChart(chart.get());
  chart.reset();
  EXPECT_EQ(series.GetParentChart(), nullptr);
  EXPECT_EQ(series.Count(), 1);
  TChart again;
  series.SetParentChart(&again);
  EXPECT_EQ(again.SeriesCount(), 1);
}

TEST_F(ChartTest, IndexOutOfRangeRaisesAnError) {
  TPointSeries series;
  series.SetParentChart(&Chart);
  series.AddXY(0, 0, "p");
  EXPECT_EQ(series.Values(0).Label, "p");
  EXPECT_THROW(series.Values(1), Exception);
  EXPECT_THROW(series.Values(-1), Exception);
  EXPECT_THROW(Chart.Series(1), Exception);
}

TEST(ChartMemory, AnAttachTheListCannotTakeLeavesTheSeriesDetached) {
  TChart chart;
  TLineSeries first, second;
  first.SetParentChart(&chart);  // the list's room is taken
  ForEachFailingAllocation([&] { second.SetParentChart(&chart); },
                           [&](long n) {
                             EXPECT_EQ(second.GetParentChart(), nullptr) << n;
                             EXPECT_EQ(chart.SeriesCount(), 1) << n;
                           });
  ASSERT_EQ(chart.SeriesCount(), 2);
  EXPECT_EQ(chart.Series(1), &second);
}

// ---- points ----

struct TXY {
  double X;
  double Y;
};

std::vector<TChartValue> ValuesOf(const TChartSeries& series) {
  std::vector<TChartValue> values;
  for (int i = 0; i < series.Count(); ++i) values.push_back(series.Values(i));
  return values;
}

void ExpectValues(const TChartSeries& series, const std::vector<TChartValue>& expected,
                  const std::string& context) {
  const std::vector<TChartValue> values = ValuesOf(series);
  ASSERT_EQ(values.size(), expected.size()) << context;
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(values[i].X, expected[i].X) << context << " at " << i;
    EXPECT_EQ(values[i].Y, expected[i].Y) << context << " at " << i;
    EXPECT_EQ(values[i].Label, expected[i].Label) << context << " at " << i;
    EXPECT_EQ(values[i].Color, expected[i].Color) << context << " at " << i;
  }
}

TEST(ChartPoints, SinglePrecisionKeepsThemAsFloats) {
  const struct { double X, Y; } cases[] = {{0.1, -2.0 / 3}, {1e-30, 12345.678}, {kNaN, -kInf}};
  const auto expect = [&](const TChartSeries& series, bool single) {
    ASSERT_EQ(series.Count(), static_cast<int>(std::size(cases)));
    for (int i = 0; i < series.Count(); ++i) {
      const double x = single ? static_cast<float>(cases[i].X) : cases[i].X;
      const double y = single ? static_cast<float>(cases[i].Y) : cases[i].Y;
      if (std::isnan(x))
        EXPECT_TRUE(std::isnan(series.Values(i).X)) << single;
      else
        EXPECT_EQ(series.Values(i).X, x) << single << " at " << i;
      EXPECT_EQ(series.Values(i).Y, y) << single << " at " << i;
    }
  };
  TPointSeries series;
  series.SetXValuesOrder(loNone);
  EXPECT_FALSE(series.GetSinglePrecision());
  for (const auto& c : cases) series.AddXY(c.X, c.Y);
  expect(series, false);
  series.SetSinglePrecision(true);  // the points kept are rounded
  expect(series, true);
  series.Clear();
  for (const auto& c : cases) series.AddXY(c.X, c.Y);
  expect(series, true);
  series.SetSinglePrecision(false);
  expect(series, true);  // and stay so
}

// Points added together share one label and colour until one differs; each keeps its own then.
TEST(ChartPoints, EachPointKeepsItsLabelAndColourWhateverTheMix) {
  const std::vector<TXY> arc = {{0, 0}, {1, 1}, {2, 0}};
  for (const bool single : {false, true}) {
    for (const TChartValueOrder order : {loNone, loAscending}) {
      TLineSeries series;
      series.SetSinglePrecision(single);
      series.SetXValuesOrder(order);
      series.AddPoints(arc, "arc", clRed);
      series.AddXY(1.5, 2, "p", clBlue);
      series.AddPoints(std::vector<TXY>{{3, 3}}, "arc", clRed);
      series.AddXY(4, 4);
      const std::vector<TChartValue> inserted = {{0, 0, "arc", clRed}, {1, 1, "arc", clRed},
                                                 {2, 0, "arc", clRed}, {1.5, 2, "p", clBlue},
                                                 {3, 3, "arc", clRed}, {4, 4, "", clTeeColor}};
      const std::vector<TChartValue> ascending = {inserted[0], inserted[1], inserted[3],
                                                  inserted[2], inserted[4], inserted[5]};
      ExpectValues(series, order == loNone ? inserted : ascending,
                   "order " + std::to_string(order) + (single ? " single" : ""));
    }
  }
}

TEST(ChartMemory, PointsThatCannotBeAddedLeaveTheSeriesAsItWas) {
  const std::vector<TXY> arc = {{0.5, 0.5}, {0.6, 0.4}};
  const struct {
    const char* Name;
    std::function<void(TChartSeries&)> Add;
  } cases[] = {
      {"AddXY of the same look", [](TChartSeries& s) { s.AddXY(0.3, 0.3, "arc", clRed); }},
      {"AddXY of another label", [](TChartSeries& s) { s.AddXY(0.3, 0.3, "pole", clRed); }},
      {"AddXY of another colour", [](TChartSeries& s) { s.AddXY(0.3, 0.3, "arc", clBlue); }},
      {"AddPoints", [&](TChartSeries& s) { s.AddPoints(arc, "arc 2", clGreen); }},
  };
  for (const auto& c : cases) {
    for (const bool mixed : {false, true}) {
      TLineSeries series;
      series.SetSinglePrecision(mixed);  // either storage with either kind of looks
      series.SetXValuesOrder(loNone);
      series.AddPoints(arc, "arc", clRed);
      if (mixed) series.AddXY(0.1, 0.1, "other", clBlack);
      const std::vector<TChartValue> before = ValuesOf(series);
      ForEachFailingAllocation(
          [&] { c.Add(series); },
          [&](long n) {
            ExpectValues(series, before, std::string(c.Name) + " failing at " + std::to_string(n));
          });
      EXPECT_GT(series.Count(), static_cast<int>(before.size())) << c.Name;
    }
  }
}

// ---- value order ----

TEST(ChartValueOrder, PointsFollowTheOrderAndAddXYTellsWhereTheyWent) {
  struct Case {
    TChartValueOrder XOrder, YOrder;
    std::vector<double> Xs, Ys;
    std::vector<double> ExpectedXs;
    std::vector<int> ExpectedIndices;
  };
  const Case cases[] = {
      {loNone, loNone, {0.5, -0.5, 0, 0}, {1, 2, 3, 4}, {0.5, -0.5, 0, 0}, {0, 1, 2, 3}},
      {loAscending, loNone, {0.5, -0.5, 0, 0}, {1, 2, 3, 4}, {-0.5, 0, 0, 0.5}, {0, 0, 1, 2}},
      {loDescending, loNone, {0.5, -0.5, 0, 0}, {1, 2, 3, 4}, {0.5, 0, 0, -0.5}, {0, 1, 1, 2}},
      // With x unordered the y order decides.
      {loNone, loAscending, {1, 2, 3, 4}, {0.5, -0.5, 0, 0}, {2, 3, 4, 1}, {0, 0, 1, 2}},
      // A NaN key compares with nothing: it stays where it was added and nothing passes it.
      {loAscending, loNone, {1, kNaN, 0, 2}, {0, 0, 0, 0}, {1, kNaN, 0, 2}, {0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    TLineSeries series;
    series.SetXValuesOrder(c.XOrder);
    series.SetYValuesOrder(c.YOrder);
    std::vector<int> indices;
    for (size_t i = 0; i < c.Xs.size(); ++i) indices.push_back(series.AddXY(c.Xs[i], c.Ys[i]));
    EXPECT_EQ(indices, c.ExpectedIndices) << c.XOrder << c.YOrder;
    ASSERT_EQ(series.Count(), static_cast<int>(c.ExpectedXs.size()));
    for (int i = 0; i < series.Count(); ++i) {
      const double expected = c.ExpectedXs[static_cast<size_t>(i)];
      if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(series.Values(i).X));
      else
        EXPECT_EQ(series.Values(i).X, expected) << c.XOrder << c.YOrder << " at " << i;
    }
  }
}

TEST(ChartValueOrder, DefaultsAscendingAndSettingAnOrderSortsThePointsKept) {
  EXPECT_EQ(TPointSeries().GetXValuesOrder(), loAscending);
  EXPECT_EQ(TLineSeries().GetXValuesOrder(), loAscending);
  TLineSeries series;
  series.SetXValuesOrder(loNone);
  for (double x : {0.3, -0.7, 0.1}) series.AddXY(x, 0, "", static_cast<TColor>(x * 10));
  series.SetXValuesOrder(loAscending);
  EXPECT_EQ(series.Values(0).X, -0.7);
  EXPECT_EQ(series.Values(0).Color, -7);  // the whole point moves, not only x
  EXPECT_EQ(series.Values(2).X, 0.3);
}

// ---- mapping ----

TEST(ChartMapping, AxisRangesMapLinearlyOntoTheRectBelowTheLegendBand) {
  struct Case {
    QRect Rect;
    double MinX, MaxX, MinY, MaxY, Band;
    double X, Y;
    QPointF Expected;
  };
  const Case cases[] = {
      {QRect(0, 0, 100, 100), -1, 1, -1, 1, 0, -1, 1, {0, 0}},
      {QRect(0, 0, 100, 100), -1, 1, -1, 1, 0, 1, -1, {100, 100}},
      {QRect(0, 0, 100, 100), -1, 1, -1, 1, 0, 0, 0, {50, 50}},
      {QRect(10, 20, 200, 100), 0, 4, 0, 2, 0.2, 1, 2, {60, 40}},
      {QRect(10, 20, 200, 100), 0, 4, 0, 2, 0.2, 4, 0, {210, 120}},
      {QRect(10, 20, 200, 100), 0, 4, 0, 2, 0.2, 2, 1, {110, 80}},
  };
  for (const Case& c : cases) {
    TChart chart;
    chart.BottomAxis().SetMinMax(c.MinX, c.MaxX);
    chart.LeftAxis().SetMinMax(c.MinY, c.MaxY);
    chart.SetLegendBand(c.Band);
    const QPointF p = chart.CalcPosition(c.X, c.Y, c.Rect);
    EXPECT_DOUBLE_EQ(p.x(), c.Expected.x()) << c.X << "," << c.Y;
    EXPECT_DOUBLE_EQ(p.y(), c.Expected.y()) << c.X << "," << c.Y;
  }
}

TEST(ChartMapping, WidenedRangesOfTheMainWindowKeepTheUnitCircleRound) {
  const double K = 378.0 / 352.0;
  for (const QSize size : {QSize(352, 378), QSize(352, 600), QSize(700, 378), QSize(500, 500)}) {
    TChart chart;
    chart.SetLegendBand(1 - 352.0 / 378.0);
    const double w = size.width(), h = size.height();
    if (h > w * K) {
      chart.LeftAxis().SetMinMax(-1.05 * h / (K * w), 1.05 * h / (K * w));
      chart.BottomAxis().SetMinMax(-1.05, 1.05);
    } else {
      chart.BottomAxis().SetMinMax(-1.05 * K * w / h, 1.05 * K * w / h);
      chart.LeftAxis().SetMinMax(-1.05, 1.05);
    }
    TLineSeries circle;
    circle.SetXValuesOrder(loNone);
    circle.SetParentChart(&chart);
    for (int i = 0; i <= 360; ++i)
      circle.AddXY(std::cos(i * M_PI / 180), std::sin(i * M_PI / 180), "", clBlack);
    const QRect bounds = DarkBounds(Render(chart, size));
    EXPECT_NEAR(bounds.width(), bounds.height(), 1) << size.width() << "x" << size.height();
    EXPECT_NEAR(bounds.width(), 2 / 2.1 * std::min(w, h / K), 3);
    EXPECT_NEAR(bounds.center().x(), w / 2, 1.5);
    EXPECT_NEAR(bounds.center().y(), h * (1 - 352.0 / 378.0 / 2), 1.5);
  }
}

// ---- painting ----

TEST_F(ChartTest, EachSegmentTakesTheColourOfThePointItEndsAt) {
  TLineSeries line;
  line.SetXValuesOrder(loNone);
  line.SetSeriesColor(clBlue);
  line.SetParentChart(&Chart);
  line.AddXY(-0.8, 0, "", clRed);
  line.AddXY(0, 0);  // clTeeColor: the series' colour
  line.AddXY(0.8, 0, "", clBlack);
  line.AddXY(0.8, 0.8, "", clGreen);
  const QImage image = Render();
  EXPECT_EQ(image.pixel(30, 50), ToQColor(clBlue).rgb());
  EXPECT_EQ(image.pixel(70, 50), ToQColor(clBlack).rgb());
  EXPECT_EQ(image.pixel(90, 30), ToQColor(clGreen).rgb());
  EXPECT_FALSE(Find(image, clRed));
}

TEST_F(ChartTest, LinePenWidthSetsTheStrokeAndThereAreNoPointSymbols) {
  TLineSeries line;
  line.SetXValuesOrder(loNone);
  line.SetParentChart(&Chart);
  line.AddXY(-0.5, 0, "", clBlack);
  line.AddXY(0.5, 0, "", clBlack);
  EXPECT_EQ(DarkBounds(Render(), QRect(40, 0, 20, 100)).height(), 1);
  line.SetLinePenWidth(2);
  EXPECT_EQ(DarkBounds(Render(), QRect(40, 0, 20, 100)).height(), 2);
  EXPECT_EQ(DarkBounds(Render()).height(), 2);  // no symbol at the end points
}

TEST_F(ChartTest, NonFinitePointsAreSkippedAndBreakTheLine) {
  for (const QPointF bad :
       {QPointF(kNaN, 0), QPointF(0, kNaN), QPointF(kInf, 0), QPointF(0, -kInf)}) {
    TLineSeries line;
    line.SetXValuesOrder(loNone);
    line.SetParentChart(&Chart);
    for (const QPointF p :
         {QPointF(-0.8, 0), QPointF(-0.2, 0), bad, QPointF(0.2, 0), QPointF(0.8, 0)})
      line.AddXY(p.x(), p.y(), "", clBlack);
    const QImage image = Render();
    EXPECT_TRUE(IsDark(image.pixel(25, 50))) << bad.x() << "," << bad.y();
    EXPECT_FALSE(IsDark(image.pixel(50, 50))) << bad.x() << "," << bad.y();
    EXPECT_TRUE(IsDark(image.pixel(75, 50))) << bad.x() << "," << bad.y();
    EXPECT_EQ(DarkBounds(image).height(), 1) << bad.x() << "," << bad.y();
  }
}

TEST_F(ChartTest, NonFinitePointsAndAnEmptyAxisRangeDrawNoSymbols) {
  TPointSeries points;
  points.SetParentChart(&Chart);
  points.AddXY(kNaN, 0, "", clBlack);
  points.AddXY(0, kInf, "", clBlack);
  points.AddXY(0.5, 0.5, "", clBlack);
  EXPECT_EQ(DarkBounds(Render()), QRect(73, 23, 5, 5));
  Chart.BottomAxis().SetMinMax(1, 1);
  EXPECT_TRUE(DarkBounds(Render()).isNull());
}

TEST_F(ChartTest, InactiveSeriesDrawNothingAndKeepTheirPoints) {
  TPointSeries points;
  points.SetParentChart(&Chart);
  points.AddXY(0, 0, "", clBlack);
  points.SetActive(false);
  EXPECT_TRUE(DarkBounds(Render()).isNull());
  EXPECT_EQ(points.Count(), 1);
  points.SetActive(true);
  EXPECT_FALSE(DarkBounds(Render()).isNull());
}

TEST_F(ChartTest, AnEmptyRectPaintsNothing) {
  TLineSeries line;
  line.SetParentChart(&Chart);
  line.AddXY(-1, -1, "", clBlack);
  line.AddXY(1, 1, "", clBlack);
  Chart.Legend().SetVisible(true);
  for (const QRect rect : {QRect(0, 0, 0, 0), QRect(10, 10, 0, 50), QRect(10, 10, 50, 0)}) {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter painter(&image);
    Chart.Paint(painter, rect);
    painter.end();
    EXPECT_TRUE(DarkBounds(image).isNull());
    EXPECT_EQ(image.pixel(10, 10), QColor(Qt::gray).rgb());
  }
}

TEST_F(ChartTest, SymbolShapesAreFourByFourInThePointsColour) {
  struct Case {
    TSeriesPointerStyle Style;
    const char* Rows[5];
  };
  const Case cases[] = {
      {psCross, {"..#..", "..#..", "#####", "..#..", "..#.."}},
      {psStar, {"#.#.#", ".###.", "#####", ".###.", "#.#.#"}},
      {psRectangle, {"#####", "#...#", "#...#", "#...#", "#####"}},
  };
  for (const Case& c : cases) {
    TPointSeries points;
    points.SetPointerStyle(c.Style);
    points.SetSeriesColor(clRed);
    points.SetParentChart(&Chart);
    points.AddXY(0, 0, "", clGreen);
    points.AddXY(0.5, 0.5);  // takes the series' colour
    const QImage image = Render();
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx) {
        const bool inside = std::abs(dx) <= 2 && std::abs(dy) <= 2;
        const bool on = inside && c.Rows[dy + 2][dx + 2] == '#';
        EXPECT_EQ(image.pixel(50 + dx, 50 + dy), on ? ToQColor(clGreen).rgb() : qRgb(255, 255, 255))
            << "style " << c.Style << " at " << dx << "," << dy;
      }
    EXPECT_EQ(image.pixel(77, 25), ToQColor(clRed).rgb()) << "style " << c.Style;
  }
}

TEST_F(ChartTest, MarksDrawTheLabelBesideTheSymbolOnlyWhenVisible) {
  struct Case {
    bool Visible;
    TSeriesMarksStyle Style;
    const char* Label;
    bool Frame;
    bool ExpectDark;
  };
  const Case cases[] = {
      {false, smsLabel, "J1", false, false}, {true, smsLabel, "J1", false, true},
      {true, smsLabel, " ", false, false},  // the blank label of a pole without caption
      {true, smsLabel, " ", true, true},    // ... but a frame still shows
      {true, smsValue, "", false, true},    // the y value
  };
  for (const Case& c : cases) {
    TPointSeries points;
    points.SetPointerStyle(psCross);
    points.SetMarksVisible(c.Visible);
    points.SetMarksStyle(c.Style);
    points.SetMarksTransparent(true);
    points.SetMarksFrameVisible(c.Frame);
    points.SetParentChart(&Chart);
    points.AddXY(0, 0, c.Label, clBlue);
    const QImage image = Render();
    EXPECT_EQ(!DarkBounds(image, QRect(53, 35, 47, 30)).isNull(), c.ExpectDark)
        << c.Visible << c.Style << "'" << c.Label << "'" << c.Frame;
    EXPECT_TRUE(DarkBounds(image, QRect(0, 0, 100, 30)).isNull());  // nothing far from the point
  }
}

TEST_F(ChartTest, SeriesPaintInListOrder) {
  TLineSeries red, blue;
  for (TLineSeries* s : {&red, &blue}) {
    s->SetXValuesOrder(loNone);
    s->AddXY(-1, 0);
    s->AddXY(1, 0);
  }
  red.SetSeriesColor(clRed);
  blue.SetSeriesColor(clBlue);
  red.SetParentChart(&Chart);
  blue.SetParentChart(&Chart);
  EXPECT_EQ(Render().pixel(50, 50), ToQColor(clBlue).rgb());
  Chart.RemoveAllSeries();
  blue.SetParentChart(&Chart);
  red.SetParentChart(&Chart);
  EXPECT_EQ(Render().pixel(50, 50), ToQColor(clRed).rgb());
}

TEST_F(ChartTest, OpaqueMarksHideWhatWasDrawnBelowThem) {
  TLineSeries line;
  line.SetXValuesOrder(loNone);
  line.SetParentChart(&Chart);
  line.AddXY(0, 0, "", clGreen);
  line.AddXY(1, 0, "", clGreen);
  TPointSeries points;
  points.SetPointerStyle(psCross);
  points.SetMarksVisible(true);
  points.SetMarksStyle(smsLabel);
  points.SetMarksFrameVisible(false);
  points.SetParentChart(&Chart);
  points.AddXY(0, 0, "MMMMMM", clBlue);
  const QRect underTheMark(56, 50, 20, 1);
  points.SetMarksTransparent(false);
  EXPECT_FALSE(Find(Render(), clGreen, underTheMark));
  points.SetMarksTransparent(true);
  EXPECT_TRUE(Find(Render(), clGreen, underTheMark));
}

// A label far longer than the chart is wide looks as a start of it that reaches past the edge,
// on a narrow chart and on one wider than the start that is laid out first.
TEST(ChartLabels, LongLabelsShowAsTheirStart) {
  std::string ascii, accented;
  for (int i = 0; i < 20000; ++i) ascii += "Wide ";
  for (int i = 0; i < 50000; ++i) accented += "\xC3\xBC";  // ü, two bytes in UTF-8
  for (const std::string& text : {ascii, accented}) {
    for (const bool legend : {false, true}) {
      const auto render = [&](const std::string& label, QSize size) {
        TChart chart;
        chart.BottomAxis().SetMinMax(-1, 1);
        chart.LeftAxis().SetMinMax(-1, 1);
        chart.Legend().SetVisible(legend);
        TPointSeries points;
        points.SetMarksVisible(true);
        points.SetMarksTransparent(true);
        points.SetMarksFrameVisible(false);
        points.SetMarksStyle(smsLabel);
        points.SetTitle(label);
        points.SetParentChart(&chart);
        points.AddXY(-0.9, 0, label, clBlack);
        return ::Render(chart, size);
      };
      const std::string context = std::string("legend ") + (legend ? "on, " : "off, ") + text[0];
      EXPECT_EQ(render(text, QSize(100, 60)), render(text.substr(0, 200), QSize(100, 60)))
          << context;
      EXPECT_GE(DarkBounds(render(text, QSize(3000, 60))).right(), 2990) << context;
    }
  }
}

// ---- legend ----

class ChartLegendTest : public ChartTest {
 protected:
  ChartLegendTest() {
    Shown.SetTitle("Shown");
    Shown.SetSeriesColor(clRed);
    Unlisted.SetTitle("Unlisted");
    Unlisted.SetSeriesColor(clGreen);
    Unlisted.SetShowInLegend(false);
    Hidden.SetTitle("Hidden");
    Hidden.SetSeriesColor(clBlue);
    Hidden.SetActive(false);
    for (TChartSeries* s : {&Shown, &Unlisted, &Hidden}) s->SetParentChart(&Chart);
  }
  TLineSeries Shown, Unlisted, Hidden;
};

TEST_F(ChartLegendTest, ListsSeriesInOrderWithTheirColourAndTitle) {
  Chart.Legend().SetVisible(true);
  const QImage image = ::Render(Chart, QSize(300, 100));
  const auto red = Find(image, clRed), blue = Find(image, clBlue);
  ASSERT_TRUE(red && blue);
  EXPECT_FALSE(Find(image, clGreen));
  EXPECT_EQ(red->y(), blue->y());
  EXPECT_LT(red->x() + Chart.Legend().GetColorWidth(), blue->x());
  EXPECT_EQ(image.pixel(red->x() + Chart.Legend().GetColorWidth() - 1, red->y()),
            ToQColor(clRed).rgb());
  // the title follows the sample
  EXPECT_FALSE(DarkBounds(image, QRect(red->x() + 20, 0, blue->x() - red->x() - 20, 30)).isNull());
}

TEST_F(ChartLegendTest, ShowingItLeavesThePlotWhereItWas) {
  Shown.AddXY(-1, -0.5, "", clBlack);
  Shown.AddXY(1, 0.5, "", clBlack);
  const QRect plot(0, 50, 100, 50);  // below the legend's rows
  const QImage without = Render().copy(plot);
  Chart.Legend().SetVisible(true);
  EXPECT_EQ(Render().copy(plot), without);
}

TEST_F(ChartLegendTest, GoesOverThePlotOnWhite) {
  TLineSeries below;
  below.SetXValuesOrder(loNone);
  below.SetParentChart(&Chart);
  below.AddXY(-1, 0.85, "", clGreen);  // through the legend's first row
  below.AddXY(1, 0.85, "", clGreen);
  const QRect entries(0, 0, 100, 30), pastThem(250, 0, 50, 30);
  EXPECT_TRUE(Find(::Render(Chart, QSize(300, 100)), clGreen, entries));
  Chart.Legend().SetVisible(true);
  const QImage image = ::Render(Chart, QSize(300, 100));
  EXPECT_FALSE(Find(image, clGreen, entries));
  EXPECT_TRUE(Find(image, clGreen, pastThem));
  EXPECT_TRUE(Find(image, clRed, entries));
}

TEST_F(ChartLegendTest, HiddenByDefaultAndWrapsIntoRowsWhenNarrow) {
  EXPECT_TRUE(DarkBounds(::Render(Chart, QSize(300, 100))).isNull());
  Chart.Legend().SetVisible(true);
  const QImage image = ::Render(Chart, QSize(60, 100));
  const auto red = Find(image, clRed), blue = Find(image, clBlue);
  ASSERT_TRUE(red && blue);
  EXPECT_GT(blue->y(), red->y());
  EXPECT_EQ(blue->x(), red->x());
}

// ---- repainting ----

class PaintCounter : public QObject {
 public:
  int Count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Count;
    return false;
  }
};

TEST(ChartRepaint, EveryChangeOfThePictureRepaints) {
  struct Case {
    const char* Name;
    std::function<void(TChart&, TPointSeries&)> Change;
  };
  const Case cases[] = {
      {"AddXY", [](TChart&, TPointSeries& s) { s.AddXY(0, 0); }},
      {"Clear", [](TChart&, TPointSeries& s) { s.Clear(); }},
      {"SeriesColor", [](TChart&, TPointSeries& s) { s.SetSeriesColor(clBlue); }},
      {"Title", [](TChart&, TPointSeries& s) { s.SetTitle("T"); }},
      {"Active", [](TChart&, TPointSeries& s) { s.SetActive(false); }},
      {"ShowInLegend", [](TChart&, TPointSeries& s) { s.SetShowInLegend(false); }},
      {"PointerStyle", [](TChart&, TPointSeries& s) { s.SetPointerStyle(psStar); }},
      {"MarksVisible", [](TChart&, TPointSeries& s) { s.SetMarksVisible(true); }},
      {"Detach", [](TChart&, TPointSeries& s) { s.SetParentChart(nullptr); }},
      {"RemoveAllSeries", [](TChart& c, TPointSeries&) { c.RemoveAllSeries(); }},
      {"Attach",
       [](TChart& c, TPointSeries&) {
         static TPointSeries other;
         other.SetParentChart(nullptr);
         other.SetParentChart(&c);
       }},
      {"Legend", [](TChart& c, TPointSeries&) { c.Legend().SetVisible(true); }},
      {"LegendBand", [](TChart& c, TPointSeries&) { c.SetLegendBand(0.1); }},
      {"BottomAxis", [](TChart& c, TPointSeries&) { c.BottomAxis().SetMinMax(-2, 2); }},
      {"LeftAxis", [](TChart& c, TPointSeries&) { c.LeftAxis().SetMaximum(3); }},
  };
  for (const Case& c : cases) {
    TChart chart;
    TPointSeries series;
    series.AddXY(0.5, 0.5);
    series.SetParentChart(&chart);
    chart.resize(60, 60);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    QCoreApplication::processEvents();
    PaintCounter counter;
    chart.installEventFilter(&counter);
    c.Change(chart, series);
    QCoreApplication::processEvents();
    EXPECT_GE(counter.Count, 1) << c.Name;
    chart.removeEventFilter(&counter);
  }
}

// ---- outputs ----

class ChartOutputTest : public ChartTest {
 protected:
  ChartOutputTest() {
    Line.SetXValuesOrder(loNone);
    Line.SetParentChart(&Chart);
    Line.AddXY(-0.5, 0, "", clBlack);
    Line.AddXY(0.5, 0, "", clBlack);
  }
  QString Path(const char* name) const { return Dir.filePath(name); }

  QTemporaryDir Dir;
  TLineSeries Line;
};

TEST_F(ChartOutputTest, BitmapHasTheChartsCurrentSizeOnWhite) {
  for (const QSize size : {QSize(200, 150), QSize(321, 240)}) {
    Chart.resize(size);
    const QString file = Path("net.bmp");
    Chart.SaveToBitmapFile(file.toStdString());
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_EQ(raw.read(2), "BM");
    const QImage image(file);
    EXPECT_EQ(image.size(), size);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_TRUE(IsDark(image.pixel(size.width() / 2, size.height() / 2)));
  }
}

TEST_F(ChartOutputTest, UnwritableBitmapRaisesAnErrorNamingTheFile) {
  const std::string file = Path("missing-folder/net.bmp").toStdString();
  try {
    Chart.SaveToBitmapFile(file);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(file), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
}

TEST_F(ChartOutputTest, ClipboardHoldsAnSvgOnePixelSmallerAndNoImage) {
  struct Case {
    QSize Chart, Picture;
  };
  for (const Case& c : {Case{{120, 90}, {119, 89}}, Case{{1, 1}, {1, 1}}}) {
    Chart.resize(c.Chart);
    QGuiApplication::clipboard()->clear();
    Chart.CopyToClipboardMetafile(true);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat("image/svg+xml"));
    EXPECT_FALSE(data->hasImage());
    QSvgRenderer svg(data->data("image/svg+xml"));
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBox(), QRect(QPoint(), c.Picture));
  }
}

TEST_F(ChartOutputTest, PrintsOnePageProportionalOrFilling) {
  Chart.resize(352, 378);
  QPrinter& printer = Printer();
  for (const bool proportional : {true, false}) {
    const QString file = Path(proportional ? "proportional.pdf" : "filling.pdf");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    Chart.SetPrintProportional(proportional);
    Chart.Print();
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(pdf.readAll());
    EXPECT_EQ(text.count(QRegularExpression("/Type\\s*/Page(?!s)")), 1) << proportional;
  }
  printer.setOutputFileName(QString());
}

TEST_F(ChartOutputTest, PrinterThatCannotBeOpenedRaisesAnError) {
  QPrinter& printer = Printer();
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(Path("missing-folder/net.pdf"));
  EXPECT_THROW(Chart.Print(), Exception);
  printer.setOutputFileName(QString());
}

}  // namespace
