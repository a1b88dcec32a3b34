#pragma once
// The chart component: line and point series mapped linearly from two axis ranges onto a white
// plot, with an optional legend at the top. One renderer serves the screen, the bitmap file, the
// clipboard picture and the printer.

#include <QWidget>
#include <string>
#include <vector>

#include "platform/rtl/Graphics.h"

class QPainter;
class QPolygonF;

enum TChartValueOrder { loNone, loAscending, loDescending };
enum TSeriesPointerStyle { psRectangle, psCross, psStar };
enum TSeriesMarksStyle { smsValue, smsLabel };

// A point added with this colour takes the series' colour.
constexpr TColor clTeeColor = 0x20000000;

struct TChartValue {
  double X;
  double Y;
  std::string Label;
  TColor Color;
};

class TChart;
struct TChartMapping;

// Not a QObject; owned by whoever made it, and detached from its chart when freed.
class TChartSeries {
 public:
  TChartSeries(const TChartSeries&) = delete;
  TChartSeries& operator=(const TChartSeries&) = delete;
  virtual ~TChartSeries();

  TChart* GetParentChart() const { return FParentChart; }
  // Attaches the series last in the chart's list; nullptr detaches it. When the chart's list
  // cannot take it, the series is left detached and the error raised.
  void SetParentChart(TChart* chart);

  TColor GetSeriesColor() const { return FSeriesColor; }
  void SetSeriesColor(TColor color);
  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& title);
  bool GetShowInLegend() const { return FShowInLegend; }
  void SetShowInLegend(bool show);
  // An inactive series paints nothing but keeps its points.
  bool GetActive() const { return FActive; }
  void SetActive(bool active);
  TChartValueOrder GetXValuesOrder() const { return FXValuesOrder; }
  void SetXValuesOrder(TChartValueOrder order);
  TChartValueOrder GetYValuesOrder() const { return FYValuesOrder; }
  void SetYValuesOrder(TChartValueOrder order);
  // Keeps the points as 32-bit floats, in half the memory of doubles: to about a ten-millionth
  // of each value, far finer than a pixel wherever the chart is drawn. Values then gives the
  // points so rounded. Off by default.
  bool GetSinglePrecision() const { return FSinglePrecision; }
  void SetSinglePrecision(bool single);

  // Returns the index the point got under the value order. On an error the series is as it was.
  int AddXY(double x, double y, const std::string& label = "", TColor color = clTeeColor);
  // Adds `points` (a sized range of anything with X and Y) with one label and colour, as AddXY
  // would one by one, into exactly the room they need.
  template <class Range>
  void AddPoints(const Range& points, const std::string& label, TColor color = clTeeColor);
  void Clear();
  int Count() const { return static_cast<int>(PointCount()); }
  TChartValue Values(int index) const;

 protected:
  TChartSeries() = default;
  void Changed() const;
  struct TPoint {
    double X;
    double Y;
  };
  // A point's colour and label.
  struct TPointLook {
    TColor Color;
    std::string Label;
    bool operator==(const TPointLook&) const = default;
  };
  size_t PointCount() const { return FSinglePrecision ? FSinglePoints.size() : FPoints.size(); }
  TPoint PointAt(size_t index) const {
    if (!FSinglePrecision) return FPoints[index];
    return {FSinglePoints[index].X, FSinglePoints[index].Y};
  }
  const TPointLook& LookOf(size_t index) const { return FLooks.empty() ? FLook : FLooks[index]; }
  TColor ColorOf(size_t index) const {
    const TColor color = LookOf(index).Color;
    return color == clTeeColor ? FSeriesColor : color;
  }
  const std::string& LabelOf(size_t index) const { return LookOf(index).Label; }

 private:
  friend class TChart;
  virtual void Draw(QPainter& painter, const TChartMapping& mapping, QPolygonF& scratch) const = 0;
  bool Ordered() const { return FXValuesOrder != loNone || FYValuesOrder != loNone; }
  // Room for `count` more points: exactly that much in an empty series, so an arc added at once
  // wastes none; else at least double, so points added one by one cost amortised constant time.
  void MakeRoom(size_t count);
  // Records the look of `count` points about to be inserted at `at`.
  void TakeLook(size_t at, size_t count, const TPointLook& look);
  // Puts a point at `at` into the room made for it, which cannot fail.
  void InsertPoint(size_t at, double x, double y);
  int Insert(TPoint point, const TPointLook& look);
  void Reorder();

  TChart* FParentChart = nullptr;
  TColor FSeriesColor = clRed;
  std::string FTitle;
  bool FShowInLegend = true;
  bool FActive = true;
  TChartValueOrder FXValuesOrder = loAscending;
  TChartValueOrder FYValuesOrder = loNone;
  struct TSinglePoint {
    float X;
    float Y;
  };
  bool FSinglePrecision = false;
  std::vector<TPoint> FPoints;              // without single precision
  std::vector<TSinglePoint> FSinglePoints;  // with it
  // The look all points share while FLooks is empty, else each point's own in FLooks: an arc's
  // 361 points of one colour and label take 16 bytes each, or 8 in single precision.
  TPointLook FLook;
  std::vector<TPointLook> FLooks;
};

template <class Range>
void TChartSeries::AddPoints(const Range& points, const std::string& label, TColor color) {
  if (Ordered()) {
    for (const auto& p : points) AddXY(p.X, p.Y, label, color);
    return;
  }
  MakeRoom(points.size());
  TakeLook(PointCount(), points.size(), {color, label});
  for (const auto& p : points) InsertPoint(PointCount(), p.X, p.Y);
  Changed();
}

// Joins consecutive points; each segment takes the colour of the point it ends at.
class TLineSeries : public TChartSeries {
 public:
  TLineSeries() = default;
  int GetLinePenWidth() const { return FLinePenWidth; }
  void SetLinePenWidth(int width);

 private:
  void Draw(QPainter& painter, const TChartMapping& mapping, QPolygonF& scratch) const override;

  int FLinePenWidth = 1;
};

// One symbol per point, optionally with its mark text beside it.
class TPointSeries : public TChartSeries {
 public:
  TPointSeries() = default;
  TSeriesPointerStyle GetPointerStyle() const { return FPointerStyle; }
  void SetPointerStyle(TSeriesPointerStyle style);
  bool GetMarksVisible() const { return FMarksVisible; }
  void SetMarksVisible(bool visible);
  bool GetMarksTransparent() const { return FMarksTransparent; }
  void SetMarksTransparent(bool transparent);
  TSeriesMarksStyle GetMarksStyle() const { return FMarksStyle; }
  void SetMarksStyle(TSeriesMarksStyle style);
  bool GetMarksFrameVisible() const { return FMarksFrameVisible; }
  void SetMarksFrameVisible(bool visible);

 private:
  void Draw(QPainter& painter, const TChartMapping& mapping, QPolygonF& scratch) const override;
  void DrawMark(QPainter& painter, QPoint at, size_t index, int right) const;

  TSeriesPointerStyle FPointerStyle = psRectangle;
  bool FMarksVisible = false;
  bool FMarksTransparent = false;
  TSeriesMarksStyle FMarksStyle = smsValue;
  bool FMarksFrameVisible = true;
};

class TChartAxis {
 public:
  TChartAxis(const TChartAxis&) = delete;
  TChartAxis& operator=(const TChartAxis&) = delete;
  double GetMinimum() const { return FMinimum; }
  void SetMinimum(double minimum);
  double GetMaximum() const { return FMaximum; }
  void SetMaximum(double maximum);
  void SetMinMax(double minimum, double maximum);

 private:
  friend class TChart;
  explicit TChartAxis(TChart& chart) : FChart(chart) {}

  TChart& FChart;
  double FMinimum = 0.0;
  double FMaximum = 1.0;
};

class TChartLegend {
 public:
  TChartLegend(const TChartLegend&) = delete;
  TChartLegend& operator=(const TChartLegend&) = delete;
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool visible);
  int GetColorWidth() const { return FColorWidth; }
  void SetColorWidth(int width);

 private:
  friend class TChart;
  explicit TChartLegend(TChart& chart) : FChart(chart) {}

  TChart& FChart;
  bool FVisible = false;
  int FColorWidth = 20;
};

class TChart : public QWidget {
  Q_OBJECT

 public:
  explicit TChart(QWidget* parent = nullptr);
  // Detaches the series still attached; frees none of them.
  ~TChart() override;

  int SeriesCount() const { return static_cast<int>(FSeries.size()); }
  TChartSeries* Series(int index) const;
  // Detaches every series and frees none.
  void RemoveAllSeries();

  TChartAxis& BottomAxis() { return FBottomAxis; }
  const TChartAxis& BottomAxis() const { return FBottomAxis; }
  TChartAxis& LeftAxis() { return FLeftAxis; }
  const TChartAxis& LeftAxis() const { return FLeftAxis; }
  TChartLegend& Legend() { return FLegend; }
  const TChartLegend& Legend() const { return FLegend; }

  // Height of the band kept free at the top for the legend, as a fraction of the chart's height;
  // the y range maps onto the part below it.
  double GetLegendBand() const { return FLegendBand; }
  void SetLegendBand(double fraction);
  // Printing either keeps the chart's proportions (centred) or fills the printable area.
  bool GetPrintProportional() const { return FPrintProportional; }
  void SetPrintProportional(bool proportional) { FPrintProportional = proportional; }

  void Paint(QPainter& painter, const QRect& rect) const;
  // The pixel in rect that the value (x, y) maps to.
  QPointF CalcPosition(double x, double y, const QRect& rect) const;

  // Throws Exception naming the file when it cannot be written.
  void SaveToBitmapFile(const std::string& fileName) const;
  void CopyToClipboardMetafile(bool enhanced) const;
  // One page on the application's printer; throws Exception when the printer cannot be opened.
  void Print() const;
  // The size, in screen pixels, that Print paints at before it scales onto the page: the chart's
  // own, or with PrintProportional off the chart's width and the page's proportions.
  QSize PrintSize() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class TChartSeries;
  friend class TChartAxis;
  friend class TChartLegend;
  TChartMapping Mapping(const QRect& rect) const;
  void DrawLegend(QPainter& painter, const QRect& rect) const;
  void Detach(TChartSeries& series);
  void ReleaseSeries();
  void Invalidate();

  std::vector<TChartSeries*> FSeries;
  TChartAxis FBottomAxis{*this};
  TChartAxis FLeftAxis{*this};
  TChartLegend FLegend{*this};
  double FLegendBand = 0.0;
  bool FPrintProportional = true;
  // Set from a change until the next paint, so that a redraw adding thousands of points asks
  // Qt for one update only.
  bool FUpdatePending = false;
};
