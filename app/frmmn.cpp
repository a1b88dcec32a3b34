#include "app/frmmn.h"

#include <QShowEvent>
#include <cmath>

#include "platform/chart/Chart.h"
#include "platform/gui/Anchors.h"
#include "platform/gui/Forms.h"

TfrmMain* frmMain = nullptr;

namespace {
constexpr int DesignWidth = 713;  // the client area below the menu bar
constexpr int DesignHeight = 390;
constexpr double Pi = 3.14159265358979323846264338327950288L;
}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  LoadLayout();
  Guard([this] { FormCreate(); });
}

TfrmMain::~TfrmMain() {
  FormDestroy();
}

void TfrmMain::LoadLayout() {
  setupUi(this);
  ClientArea->setMinimumSize(DesignWidth, DesignHeight);
  ApplyAnchors(ClientArea, QSize(DesignWidth, DesignHeight));
  resize(minimumSizeHint());

  VandremolixicChart->SetLegendBand(1 - 352.0 / 378.0);
  VandremolixicChart->BottomAxis().SetMinMax(-1.05, 1.05);
  VandremolixicChart->LeftAxis().SetMinMax(-1.05, 1.05);
  VandremolixicChart->Legend().SetVisible(false);
  SeriesCircle = std::make_unique<TLineSeries>();
  SeriesCircle->SetSeriesColor(clNavy);
  SeriesCircle->SetLinePenWidth(2);
  SeriesCircle->SetShowInLegend(false);
  SeriesCircle->SetTitle("SeriesCircle");
  SeriesCircle->SetXValuesOrder(loNone);
  SeriesCircle->SetYValuesOrder(loNone);
  SeriesCircle->SetParentChart(VandremolixicChart);

  shpGroupColor->SetBrushColor(clNavy);
  shpJointColor->SetBrushColor(clNavy);

  SaveDataDialog.DefaultExt = OpenDataDialog.DefaultExt = "txt";
  SaveDataDialog.Filter = OpenDataDialog.Filter = "Text file (*.txt)|*.txt";
  SaveDialog.DefaultExt = "bmp";
  SaveDialog.Filter = "Windows Bitmap (*.bmp)|*.bmp";
  SaveDialog.Title = "Save as bitmap...";
}

void TfrmMain::FormCreate() {
  Joints = std::make_unique<TJointList>();
  Groups = std::make_unique<TGroupList>();
  LineSeries = std::make_unique<TLineSeriesList>();
  PointSeries = std::make_unique<TPointSeriesList>();
  for (int i = 0; i <= 9; ++i) {
    auto group = std::make_unique<TGroup>();
    group->Caption = "Group " + std::to_string(i);
    Groups->Add(std::move(group));
  }
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Qt repeats show events (after minimising, for instance); the form's OnShow runs once.
  if (FShown || event->spontaneous()) return;
  FShown = true;
  Guard([this] { FormShow(); });
}

void TfrmMain::FormShow() {
  for (int i = 0; i <= 9; ++i) {
    const QString caption = QString::fromStdString((*Groups)[i]->Caption);
    cmbGroups->setItemText(i, caption);
    lboGroups->addItem(caption + " [Inactive]");
  }
  DrawPrimitiveCircle();
  cmbGroups->setCurrentIndex(0);
}

void TfrmMain::FormDestroy() {
  // The series go first: they detach from the chart, which the window frees with its controls.
  LineSeries.reset();
  PointSeries.reset();
  Joints.reset();
  Groups.reset();
}

void TfrmMain::DrawPrimitiveCircle() {
  SeriesCircle->Clear();
  for (int i = 0; i <= 359; ++i) {
    const double t = i * Pi / 180;
    SeriesCircle->AddXY(std::cos(t), std::sin(t), "", clBlack);
  }
  SeriesCircle->AddXY(1, 0, "", clBlack);
}
