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
  // Attaches the series last in the chart's list; nullptr detaches it.
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

  // Returns the index the point got under the value order.
  int AddXY(double x, double y, const std::string& label = "", TColor color = clTeeColor);
  void Clear();
  int Count() const { return static_cast<int>(FValues.size()); }
  TChartValue Values(int index) const;

 protected:
  TChartSeries() = default;
  void Changed() const;
  // A point as kept: consecutive points with one label (an arc's 361) share its text.
  struct TStoredValue {
    double X;
    double Y;
    TColor Color;
    int32_t Label;  // index into FLabels
  };
  TColor PointColor(const TStoredValue& value) const {
    return value.Color == clTeeColor ? FSeriesColor : value.Color;
  }
  const std::vector<TStoredValue>& Points() const { return FValues; }
  const std::string& LabelOf(const TStoredValue& value) const { return FLabels[value.Label]; }

 private:
  friend class TChart;
  virtual void Draw(QPainter& painter, const TChartMapping& mapping, QPolygonF& scratch) const = 0;
  int Insert(const TStoredValue& value);
  void Reorder();

  TChart* FParentChart = nullptr;
  TColor FSeriesColor = clRed;
  std::string FTitle;
  bool FShowInLegend = true;
  bool FActive = true;
  TChartValueOrder FXValuesOrder = loAscending;
  TChartValueOrder FYValuesOrder = loNone;
  std::vector<TStoredValue> FValues;
  std::vector<std::string> FLabels;
};

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
  void DrawMark(QPainter& painter, QPoint at, const TStoredValue& value) const;

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
