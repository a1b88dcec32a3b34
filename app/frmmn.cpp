#include "app/frmmn.h"

#include <QShowEvent>
#include <cmath>

#include "app/projection.h"
#include "platform/gui/Anchors.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/SysUtils.h"

TfrmMain* frmMain = nullptr;

namespace {
constexpr int DesignWidth = 713;  // the client area below the menu bar
constexpr int DesignHeight = 390;
// The chart's design height over its design width.
constexpr double K = 1.0738636363636365;

// "caption Azim.=120 Dip=45.5"
std::string TitleWithValues(const std::string& caption, double beta, double psi) {
  return caption + " " + "Azim.=" + FormatFloat("#.##", beta) + " Dip=" + FormatFloat("#.##", psi);
}
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
  VandremolixicChart->installEventFilter(this);

  shpGroupColor->SetBrushColor(clNavy);
  shpJointColor->SetBrushColor(clNavy);

  SaveDataDialog.DefaultExt = OpenDataDialog.DefaultExt = "txt";
  SaveDataDialog.Filter = OpenDataDialog.Filter = "Text file (*.txt)|*.txt";
  SaveDialog.DefaultExt = "bmp";
  SaveDialog.Filter = "Windows Bitmap (*.bmp)|*.bmp";
  SaveDialog.Title = "Save as bitmap...";
  ConnectEvents();
}

void TfrmMain::ConnectEvents() {
  const auto on = [this](QAction* item, void (TfrmMain::*handler)()) {
    connect(item, &QAction::triggered, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
  };
  on(mnuDrawArcs, &TfrmMain::mnuDrawArcsClick);
  on(mnuDrawPoles, &TfrmMain::mnuDrawPolesClick);
  on(mnuClosedArcs, &TfrmMain::mnuClosedArcsClick);
  on(mnuShowLegent, &TfrmMain::mnuShowLegentClick);
  on(mnuShowCaptions, &TfrmMain::mnuShowCaptionsClick);
  on(mnuValuesOnCaptions, &TfrmMain::mnuValuesOnCaptionsClick);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  // The chart follows the window through its anchors; its new size is what the ranges need.
  if (watched == VandremolixicChart && event->type() == QEvent::Resize) Guard([this] { FormResize(); });
  return QMainWindow::eventFilter(watched, event);
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

void TfrmMain::FormResize() {
  const double W = VandremolixicChart->width(), H = VandremolixicChart->height();
  if (W <= 0 || H <= 0) return;  // nothing to keep round yet
  if (H > W * K) {
    VandremolixicChart->LeftAxis().SetMinMax(-1.05 * H / (K * W), 1.05 * H / (K * W));
    VandremolixicChart->BottomAxis().SetMinMax(-1.05, 1.05);
  } else {
    VandremolixicChart->BottomAxis().SetMinMax(-1.05 * K * W / H, 1.05 * K * W / H);
    VandremolixicChart->LeftAxis().SetMinMax(-1.05, 1.05);
  }
}

void TfrmMain::DrawPrimitiveCircle() {
  SeriesCircle->Clear();
  for (int i = 0; i <= 359; ++i) {
    const double t = DegToRad(i);
    SeriesCircle->AddXY(std::cos(t), std::sin(t), "", clBlack);
  }
  SeriesCircle->AddXY(1, 0, "", clBlack);
}

void TfrmMain::DrawPole(TPointSeries* series, const std::string& caption, double beta, double psi) {
  const std::string label = !caption.empty() && mnuShowCaptions->isChecked() ? caption : " ";
  const TNetPoint pole = PolePoint(beta, psi);
  series->AddXY(pole.X, pole.Y, label, series->GetSeriesColor());
}

void TfrmMain::DrawGreatCircle(TLineSeries* series, double beta, double psi) {
  GreatCirclePoints(beta, psi, mnuClosedArcs->isChecked(), FArcPoints);
  for (const TNetPoint& p : FArcPoints) series->AddXY(p.X, p.Y, series->GetTitle(), series->GetSeriesColor());
}

void TfrmMain::ComputeGroupMeans() {
  for (int g = 0; g <= 9; ++g) {
    TGroup* group = (*Groups)[g];
    group->Beta = group->Psi = 0;
    TNormal sum{0, 0, 0};
    int members = 0;
    for (int j = 0; j < Joints->Count(); ++j) {
      const TJoint* joint = (*Joints)[j];
      if (joint->GroupIndex != g || !joint->InGroup) continue;
      const TNormal n = PlaneNormal(DegToRad(joint->Beta), DegToRad(joint->Psi));
      sum = {sum.X + n.X, sum.Y + n.Y, sum.Z + n.Z};
      ++members;
    }
    if (members >= 1) MeanOrientation(sum, members, group->Beta, group->Psi);
  }
}

bool TfrmMain::AddItemSeries(const std::string& caption, TColor color, double beta, double psi,
                             bool withArc, TSeriesPointerStyle symbol) {
  TLineSeries* arc = nullptr;
  TPointSeries* pole = nullptr;
  try {
    if (withArc) {
      arc = LineSeries->Add(std::make_unique<TLineSeries>());
      arc->SetXValuesOrder(loNone);
      arc->SetYValuesOrder(loNone);
      arc->SetSeriesColor(color);
      arc->SetParentChart(VandremolixicChart);
      arc->SetShowInLegend(true);
      arc->SetTitle(mnuValuesOnCaptions->isChecked() ? TitleWithValues(caption, beta, psi) : caption);
      arc->SetActive(mnuDrawArcs->isChecked());
    }
    pole = PointSeries->Add(std::make_unique<TPointSeries>());
    pole->SetSeriesColor(color);
    pole->SetPointerStyle(symbol);
    pole->SetShowInLegend(false);
    pole->SetTitle(caption);
    pole->SetMarksVisible(true);
    pole->SetMarksTransparent(true);
    pole->SetMarksStyle(smsLabel);
    pole->SetMarksFrameVisible(false);
    pole->SetParentChart(VandremolixicChart);
    pole->SetActive(mnuDrawPoles->isChecked());
  } catch (const std::exception&) {
    // A failing item is left out of the plot without a message; the others are drawn.
    if (pole) PointSeries->Delete(PointSeries->Count() - 1);
    if (arc) LineSeries->Delete(LineSeries->Count() - 1);
    return false;
  }
  if (arc) DrawGreatCircle(arc, DegToRad(beta), DegToRad(psi));
  DrawPole(pole, caption, DegToRad(beta), DegToRad(psi));
  return true;
}

void TfrmMain::DrawStereogram() {
  VandremolixicChart->RemoveAllSeries();
  SeriesCircle->SetParentChart(VandremolixicChart);
  ComputeGroupMeans();
  LineSeries->Clear();
  PointSeries->Clear();
  for (int j = 0; j < Joints->Count(); ++j) {
    const TJoint* joint = (*Joints)[j];
    AddItemSeries(joint->Caption, joint->Color, joint->Beta, joint->Psi, !joint->InGroup, psCross);
  }
  for (int g = 0; g <= 9; ++g) {
    const TGroup* group = (*Groups)[g];
    // Members whose normals cancel have no mean plane to draw.
    if (group->Active && !std::isnan(group->Psi))
      AddItemSeries(group->Caption, group->Color, group->Beta, group->Psi, true, psStar);
  }
  VandremolixicChart->Legend().SetVisible(mnuShowLegent->isChecked());
}

void TfrmMain::mnuDrawArcsClick() {
  for (int i = 0; i < LineSeries->Count(); ++i) (*LineSeries)[i]->SetActive(mnuDrawArcs->isChecked());
}

void TfrmMain::mnuDrawPolesClick() {
  for (int i = 0; i < PointSeries->Count(); ++i) (*PointSeries)[i]->SetActive(mnuDrawPoles->isChecked());
}

void TfrmMain::mnuClosedArcsClick() { DrawStereogram(); }

void TfrmMain::mnuShowLegentClick() { VandremolixicChart->Legend().SetVisible(mnuShowLegent->isChecked()); }

void TfrmMain::mnuShowCaptionsClick() { DrawStereogram(); }

void TfrmMain::mnuValuesOnCaptionsClick() { DrawStereogram(); }
