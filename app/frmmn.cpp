#include "app/frmmn.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QScopeGuard>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <new>

#include "app/d3ddlg.h"
#include "app/projection.h"
#include "platform/gui/Anchors.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Printers.h"
#include "platform/rtl/SysUtils.h"

TfrmMain* frmMain = nullptr;

namespace {
constexpr int DesignWidth = 713;  // the client area below the menu bar
constexpr int DesignHeight = 390;
// The chart's design height over its design width.
constexpr double K = 1.0738636363636365;

// "caption Azim.=120 Dip=45.5": the joint list's lines and the legend's titles with values.
std::string ValuesText(const std::string& caption, double beta, double psi) {
  return caption + " " + "Azim.=" + FormatFloat("#.##", beta) + " Dip=" + FormatFloat("#.##", psi);
}
const char* const Signature = "A_VALID_VANDREMOLIX_FILE_VERSION000";
const char* const Version = "1.0";
// No line of a data file comes near this; a longer one is no data file.
constexpr int MaxLine = 1 << 20;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
std::string S(const QString& text) {
  return text.toStdString();
}

// The chooser has one entry per group; any other index selects nothing.
int ChooserIndex(int index) {
  return index >= 0 && index <= 9 ? index : -1;
}

// Selects a line the way the program does it, without the user's click handler.
void SelectLine(QListWidget* list, int row) {
  const QSignalBlocker blocker(list);
  list->setCurrentRow(row);
  if (row < 0) list->clearSelection();
}

// The selected line, or -1; a line the user deselected (Ctrl+click) is no selection.
int SelectedLine(const QListWidget* list) {
  const int row = list->currentRow();
  return row >= 0 && list->item(row)->isSelected() ? row : -1;
}

// Takes a line out without the user's click handler seeing the selection move.
void DeleteLine(QListWidget* list, int row) {
  const QSignalBlocker blocker(list);
  delete list->takeItem(row);
}

// Reads a data file line by line; past the end every line reads as empty text.
class TLineReader {
 public:
  explicit TLineReader(QFile& file) : FFile(file) {}
  std::string ReadLine() {
    ++FLine;
    if (FFile.atEnd()) return "";
    QByteArray line = FFile.readLine(MaxLine + 2);
    if (line.endsWith('\n'))
      line.chop(1);
    else if (line.size() > MaxLine)
      throw Exception("Line " + std::to_string(FLine) + " of the file is too long");
    if (line.endsWith('\r')) line.chop(1);
    if (FFile.error() != QFileDevice::NoError) throw Exception(S(FFile.errorString()));
    // Files of the 8-bit era hold Latin-1 captions; their text is kept, in UTF-8.
    auto utf8 = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(line);
    return S(utf8.hasError() ? QString::fromLatin1(line) : text);
  }

 private:
  QFile& FFile;
  int FLine = 0;
};

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
  // The layout was drawn for a narrower dialog font; condensed a little, ours fits its labels.
  QFont narrower = font();
  narrower.setStretch(90);
  setFont(narrower);
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
  // Every handler runs under the guard, so a failing command shows its message.
  const auto guarded = [this](void (TfrmMain::*handler)()) {
    return [this, handler] { Guard([&] { (this->*handler)(); }); };
  };
  const auto on = [&](QAction* item, void (TfrmMain::*handler)()) {
    connect(item, &QAction::triggered, this, guarded(handler));
  };
  const auto onClick = [&](QAbstractButton* button, void (TfrmMain::*handler)()) {
    connect(button, &QAbstractButton::clicked, this, guarded(handler));
  };
  onClick(btnJointAdd, &TfrmMain::btnJointAddClick);
  onClick(btnJointChange, &TfrmMain::btnJointChangeClick);
  onClick(btnJointRemove, &TfrmMain::btnJointRemoveClick);
  onClick(btnGroupChange, &TfrmMain::btnGroupChangeClick);
  onClick(btnProof, &TfrmMain::btnProofClick);
  // A check box reports every change of its state, also one the program makes.
  connect(chkInGroup, &QCheckBox::toggled, this, guarded(&TfrmMain::chkInGroupClick));
  // A list reports the user's selections: by mouse or keys, and a click on the selected line.
  const auto onSelect = [&](QListWidget* list, void (TfrmMain::*handler)()) {
    const auto run = guarded(handler);
    connect(list, &QListWidget::currentRowChanged, this, [run](int row) {
      if (row >= 0) run();
    });
    connect(list, &QListWidget::itemClicked, this, run);
  };
  onSelect(lboJoints, &TfrmMain::lboJointsClick);
  onSelect(lboGroups, &TfrmMain::lboGroupsClick);
  const auto onMouseDown = [&](TShape* swatch, void (TfrmMain::*handler)()) {
    swatch->OnMouseDown = [run = guarded(handler)](Qt::MouseButton) { run(); };
  };
  onMouseDown(shpJointColor, &TfrmMain::shpJointColorMouseDown);
  onMouseDown(shpGroupColor, &TfrmMain::shpGroupColorMouseDown);
  // Captions are single lines: a line break would split a record of the data file.
  for (QLineEdit* edit : {edtJointCaption, edtGroupCaption, edtJointBeta, edtJointPsi}) {
    edit->setMaxLength(MaxLine);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[^\\r\\n]*"), edit));
  }

  on(mnuNew, &TfrmMain::mnuNewClick);
  on(mnuOpen, &TfrmMain::mnuOpenClick);
  on(mnuSave, &TfrmMain::mnuSaveClick);
  on(mnuSaveBitmap, &TfrmMain::mnuSaveBitmapClick);
  on(mnuPrint, &TfrmMain::mnuPrintClick);
  on(mnuPrintSetup, &TfrmMain::mnuPrintSetupClick);
  on(mnuPrintWindow, &TfrmMain::mnuPrintWindowClick);
  on(mnuExit, &TfrmMain::mnuExitClick);
  on(mnuCopy, &TfrmMain::mnuCopyClick);
  on(mnuAbout, &TfrmMain::mnuAboutClick);
  on(mnuDrawArcs, &TfrmMain::mnuDrawArcsClick);
  on(mnuDrawPoles, &TfrmMain::mnuDrawPolesClick);
  on(mnuClosedArcs, &TfrmMain::mnuClosedArcsClick);
  on(mnuShowLegent, &TfrmMain::mnuShowLegentClick);
  on(mnuShowCaptions, &TfrmMain::mnuShowCaptionsClick);
  on(mnuValuesOnCaptions, &TfrmMain::mnuValuesOnCaptionsClick);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  // The chart follows the window through its anchors; its new size is what the ranges need.
  if (watched == VandremolixicChart && event->type() == QEvent::Resize)
    Guard([this] { FormResize(); });
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
  // The series go first, before the chart that the window frees with its controls; taken off
  // all at once, they need not each look themselves up in the chart's list.
  VandremolixicChart->RemoveAllSeries();
  LineSeries.reset();
  PointSeries.reset();
  Joints.reset();
  Groups.reset();
}

void TfrmMain::FormResize() {
  KeepNetRound(VandremolixicChart->size());
}

void TfrmMain::KeepNetRound(QSize size) {
  const double W = size.width(), H = size.height();
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
    const double t = Stereonet::DegToRad(i);
    SeriesCircle->AddXY(std::cos(t), std::sin(t), "", clBlack);
  }
  SeriesCircle->AddXY(1, 0, "", clBlack);
}

void TfrmMain::DrawPole(TPointSeries* series, const std::string& caption, double beta, double psi) {
  const std::string label = !caption.empty() && mnuShowCaptions->isChecked() ? caption : " ";
  const Stereonet::TNetPoint pole = Stereonet::PolePoint(beta, psi);
  series->AddXY(pole.X, pole.Y, label, series->GetSeriesColor());
}

void TfrmMain::DrawGreatCircle(TLineSeries* series, double beta, double psi) {
  Stereonet::GreatCirclePoints(beta, psi, mnuClosedArcs->isChecked(), FArcPoints);
  series->AddPoints(FArcPoints, series->GetTitle(), series->GetSeriesColor());
}

void TfrmMain::ComputeGroupMeans() {
  for (int g = 0; g <= 9; ++g) {
    TGroup* group = (*Groups)[g];
    group->Beta = group->Psi = 0;
    Stereonet::TNormal sum{0, 0, 0};
    int members = 0;
    for (int j = 0; j < Joints->Count(); ++j) {
      const TJoint* joint = (*Joints)[j];
      if (joint->GroupIndex != g || !joint->InGroup) continue;
      const Stereonet::TNormal n = Stereonet::UpwardNormal(Stereonet::DegToRad(joint->Beta),
                                                           Stereonet::DegToRad(joint->Psi));
      sum = {sum.X + n.X, sum.Y + n.Y, sum.Z + n.Z};
      ++members;
    }
    if (members >= 1) Stereonet::MeanOrientation(sum, members, group->Beta, group->Psi);
  }
}

bool TfrmMain::AddItemSeries(const std::string& caption, TColor color, double beta, double psi,
                             bool withArc, TSeriesPointerStyle symbol) {
  TLineSeries* arc = nullptr;
  TPointSeries* pole = nullptr;
  try {
    if (withArc) {
      arc = LineSeries->Add(std::make_unique<TLineSeries>());
      // An arc is only drawn, and its 361 points are most of the memory of a large data set.
      arc->SetSinglePrecision(true);
      arc->SetXValuesOrder(loNone);
      arc->SetYValuesOrder(loNone);
      arc->SetSeriesColor(color);
      arc->SetParentChart(VandremolixicChart);
      arc->SetShowInLegend(true);
      arc->SetTitle(mnuValuesOnCaptions->isChecked() ? ValuesText(caption, beta, psi) : caption);
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
  } catch (const std::exception& e) {
    // A failing item is left out of the plot without a message; the others are drawn. Running
    // out of memory is no fault of the item: that ends the redraw.
    if (pole) PointSeries->Delete(PointSeries->Count() - 1);
    if (arc) LineSeries->Delete(LineSeries->Count() - 1);
    if (dynamic_cast<const std::bad_alloc*>(&e)) throw;
    return false;
  }
  if (arc) DrawGreatCircle(arc, Stereonet::DegToRad(beta), Stereonet::DegToRad(psi));
  DrawPole(pole, caption, Stereonet::DegToRad(beta), Stereonet::DegToRad(psi));
  return true;
}

void TfrmMain::DrawStereogram() {
  if (FRedrawDeferred) {
    FRedrawPending = true;
    return;
  }
  ClearPlot();
  ComputeGroupMeans();
  try {
    for (int j = 0; j < Joints->Count(); ++j) {
      const TJoint* joint = (*Joints)[j];
      AddItemSeries(joint->Caption, joint->Color, joint->Beta, joint->Psi, !joint->InGroup,
                    psCross);
    }
    for (int g = 0; g <= 9; ++g) {
      const TGroup* group = (*Groups)[g];
      // Members whose normals cancel have no mean plane to draw.
      if (group->Active && !std::isnan(group->Psi))
        AddItemSeries(group->Caption, group->Color, group->Beta, group->Psi, true, psStar);
    }
  } catch (...) {
    // Only memory running out gets here: rather than part of the plot passing for all of it,
    // the net shows its circle alone, and the series' memory is given back before the message.
    ClearPlot();
    throw;
  }
  VandremolixicChart->Legend().SetVisible(mnuShowLegent->isChecked());
}

void TfrmMain::ClearPlot() {
  VandremolixicChart->RemoveAllSeries();
  SeriesCircle->SetParentChart(VandremolixicChart);  // into the room the chart's list keeps
  LineSeries->Clear();
  PointSeries->Clear();
}

void TfrmMain::mnuDrawArcsClick() {
  for (int i = 0; i < LineSeries->Count(); ++i)
    (*LineSeries)[i]->SetActive(mnuDrawArcs->isChecked());
}

void TfrmMain::mnuDrawPolesClick() {
  for (int i = 0; i < PointSeries->Count(); ++i)
    (*PointSeries)[i]->SetActive(mnuDrawPoles->isChecked());
}

void TfrmMain::mnuClosedArcsClick() {
  DrawStereogram();
}

void TfrmMain::mnuShowLegentClick() {
  VandremolixicChart->Legend().SetVisible(mnuShowLegent->isChecked());
}

void TfrmMain::mnuShowCaptionsClick() {
  DrawStereogram();
}

void TfrmMain::mnuValuesOnCaptionsClick() {
  DrawStereogram();
}

std::string TfrmMain::JointLine(const TJoint& joint) const {
  std::string line = ValuesText(joint.Caption, joint.Beta, joint.Psi);
  if (joint.InGroup) line += "@" + (*Groups)[joint.GroupIndex]->Caption;
  return line;
}

std::string TfrmMain::GroupLine(const TGroup& group) const {
  return group.Caption + (group.Active ? " [Active]" : " [Inactive]");
}

void TfrmMain::ResetJointEditor() {
  SelectLine(lboJoints, -1);
  edtJointCaption->clear();
  edtJointBeta->clear();
  edtJointPsi->clear();
  chkInGroup->setChecked(false);
  cmbGroups->setEnabled(false);
}

void TfrmMain::ResetEditors() {
  ResetJointEditor();
  SelectLine(lboGroups, 0);
  SelectLine(lboGroups, -1);
}

void TfrmMain::btnJointAddClick() {
  const double beta = StrToFloat(S(edtJointBeta->text()));
  const double psi = StrToFloat(S(edtJointPsi->text()));
  auto joint = std::make_unique<TJoint>();
  bool listed = false;
  try {
    joint->Beta = beta;
    joint->Psi = psi;
    joint->Caption = S(edtJointCaption->text());
    joint->Color = shpJointColor->BrushColor();
    joint->InGroup = chkInGroup->isChecked();
    joint->GroupIndex = cmbGroups->currentIndex();
    const std::string line = JointLine(*joint);
    lboJoints->addItem(Q(line));
    listed = true;
    ResetJointEditor();
    Joints->Add(std::move(joint));
  } catch (const std::exception&) {
    // The new joint is dropped without a message, and with it its line.
    if (listed) DeleteLine(lboJoints, lboJoints->count() - 1);
    return;
  }
  DrawStereogram();
}

void TfrmMain::btnJointChangeClick() {
  const int idx = SelectedLine(lboJoints);
  if (idx < 0) return;
  const double beta = StrToFloat(S(edtJointBeta->text()));
  const double psi = StrToFloat(S(edtJointPsi->text()));
  TJoint changed;
  changed.Beta = beta;
  changed.Psi = psi;
  changed.Caption = S(edtJointCaption->text());
  changed.Color = shpJointColor->BrushColor();
  changed.InGroup = chkInGroup->isChecked();
  changed.GroupIndex = cmbGroups->currentIndex();
  // The line is built before anything is written, so a bad group leaves the joint as it was.
  const std::string line = JointLine(changed);
  *(*Joints)[idx] = changed;
  lboJoints->item(idx)->setText(Q(line));
  DrawStereogram();
  ResetJointEditor();
}

void TfrmMain::btnJointRemoveClick() {
  const int idx = SelectedLine(lboJoints);
  if (idx < 0) return;
  Joints->Delete(idx);
  DeleteLine(lboJoints, idx);
  DrawStereogram();
  ResetJointEditor();
}

void TfrmMain::lboJointsClick() {
  const int idx = SelectedLine(lboJoints);
  if (idx < 0) return;
  const TJoint* joint = (*Joints)[idx];
  edtJointBeta->setText(Q(FloatToStr(joint->Beta)));
  edtJointPsi->setText(Q(FloatToStr(joint->Psi)));
  edtJointCaption->setText(Q(joint->Caption));
  shpJointColor->SetBrushColor(joint->Color);
  chkInGroup->setChecked(joint->InGroup);
  cmbGroups->setCurrentIndex(ChooserIndex(joint->GroupIndex));
}

void TfrmMain::chkInGroupClick() {
  cmbGroups->setEnabled(chkInGroup->isChecked());
}

void TfrmMain::lboGroupsClick() {
  const int idx = SelectedLine(lboGroups);
  if (idx < 0) return;
  const TGroup* group = (*Groups)[idx];
  shpGroupColor->SetBrushColor(group->Color);
  edtGroupCaption->setText(Q(group->Caption));
  chkGroupActive->setChecked(group->Active);
}

void TfrmMain::btnGroupChangeClick() {
  const int idx = SelectedLine(lboGroups);
  if (idx < 0) return;
  TGroup* group = (*Groups)[idx];
  group->Caption = S(edtGroupCaption->text());
  group->Color = shpGroupColor->BrushColor();
  group->Active = chkGroupActive->isChecked();
  DrawStereogram();
  lboGroups->item(idx)->setText(Q(GroupLine(*group)));
  cmbGroups->setItemText(idx, Q(group->Caption));
  cmbGroups->setCurrentIndex(0);
}

void TfrmMain::shpJointColorMouseDown() {
  ColorDialog.Color = shpJointColor->BrushColor();
  if (ColorDialog.Execute(this)) shpJointColor->SetBrushColor(ColorDialog.Color);
}

void TfrmMain::shpGroupColorMouseDown() {
  ColorDialog.Color = shpGroupColor->BrushColor();
  if (ColorDialog.Execute(this)) shpGroupColor->SetBrushColor(ColorDialog.Color);
}

void TfrmMain::mnuSaveClick() {
  if (!SaveDataDialog.Execute(this)) return;
  std::string text = std::string(Signature) + "\r\n";
  const auto line = [&text](const std::string& value) { text += value + "\r\n"; };
  for (int i = 0; i < Groups->Count(); ++i) {
    const TGroup* group = (*Groups)[i];
    line(group->Caption);
    line(BooleanToText(group->Active));
    line(IntToStr(group->Color));
  }
  line(IntToStr(Joints->Count()));
  for (int i = 0; i < Joints->Count(); ++i) {
    const TJoint* joint = (*Joints)[i];
    line(joint->Caption);
    line(FloatToStr(joint->Beta));
    line(FloatToStr(joint->Psi));
    line(BooleanToText(joint->InGroup));
    line(IntToStr(joint->GroupIndex));
    line(IntToStr(joint->Color));
  }
  // The old file stays as it was until the new one is completely written.
  QSaveFile file(Q(SaveDataDialog.FileName));
  file.setDirectWriteFallback(true);  // a folder that takes no new files: write in place
  const bool written =
      file.open(QIODevice::WriteOnly) &&
      file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
  if (!written || !file.commit())
    throw Exception("Cannot create file \"" + SaveDataDialog.FileName + "\". " +
                    S(file.errorString()));
}

void TfrmMain::mnuOpenClick() {
  if (!OpenDataDialog.Execute(this)) return;
  const std::string name = OpenDataDialog.FileName;
  if (!QFileInfo(Q(name)).isFile()) throw Exception("File does not exist (" + name + ")");
  QFile file(Q(name));
  if (!file.open(QIODevice::ReadOnly))
    throw Exception("Cannot open file \"" + name + "\". " + S(file.errorString()));
  FRedrawDeferred = true;
  FRedrawPending = false;
  const auto finish = [&] {
    file.close();
    ResetEditors();
    FRedrawDeferred = false;
    if (FRedrawPending) DrawStereogram();
  };
  try {
    TLineReader reader(file);
    if (reader.ReadLine() != Signature) throw Exception("File type incompatible (" + name + ")");
    Joints->Clear();
    lboJoints->clear();
    // The net must not go on showing the joints just cleared, should the next record fail.
    FRedrawPending = true;
    for (int i = 0; i <= 9; ++i) {
      SelectLine(lboGroups, i);
      edtGroupCaption->setText(Q(reader.ReadLine()));
      chkGroupActive->setChecked(TextToBoolean(reader.ReadLine()));
      shpGroupColor->SetBrushColor(StrToInt(reader.ReadLine()));
      btnGroupChangeClick();
    }
    const int count = StrToInt(reader.ReadLine());
    for (int j = 0; j < count; ++j) {
      edtJointCaption->setText(Q(reader.ReadLine()));
      edtJointBeta->setText(Q(reader.ReadLine()));
      edtJointPsi->setText(Q(reader.ReadLine()));
      chkInGroup->setChecked(TextToBoolean(reader.ReadLine()));
      cmbGroups->setCurrentIndex(ChooserIndex(StrToInt(reader.ReadLine())));
      shpJointColor->SetBrushColor(StrToInt(reader.ReadLine()));
      btnJointAddClick();
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TfrmMain::mnuNewClick() {
  if (MessageDlg("Starting new session will discard all changes. Continue?", mtConfirmation,
                 mbYes | mbNo) != mrYes)
    return;
  Joints->Clear();
  lboJoints->clear();
  FRedrawDeferred = true;
  const auto finish = [&] {
    ResetEditors();
    FRedrawDeferred = false;
    DrawStereogram();
  };
  try {
    for (int i = 0; i <= 9; ++i) {
      SelectLine(lboGroups, i);
      chkGroupActive->setChecked(false);
      shpGroupColor->SetBrushColor(clBlack);
      edtGroupCaption->setText(Q("Group " + std::to_string(i)));
      btnGroupChangeClick();
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TfrmMain::mnuPrintClick() {
  VandremolixicChart->SetPrintProportional(false);
  if (!PrintDialog.Execute(this)) return;
  // Filling the page must not squeeze the net: the ranges follow the page's proportions while
  // it prints, as they follow the window's on screen.
  KeepNetRound(VandremolixicChart->PrintSize());
  try {
    VandremolixicChart->Print();
  } catch (...) {
    FormResize();
    throw;
  }
  FormResize();
}

void TfrmMain::mnuPrintSetupClick() {
  PrintSetupDialog.Execute(this);
}

void TfrmMain::mnuPrintWindowClick() {
  const QPixmap image = ClientArea->grab();
  QPainter painter;
  BeginPrint(painter);
  // At the size it has on screen, made smaller only where the page is smaller.
  const QRect page = painter.viewport();
  double scale = Printer().logicalDpiX() / static_cast<double>(ClientArea->logicalDpiX());
  scale = std::min({scale, page.width() / static_cast<double>(image.width()),
                    page.height() / static_cast<double>(image.height())});
  painter.drawPixmap(QRectF(0, 0, image.width() * scale, image.height() * scale), image,
                     image.rect());
  painter.end();
}

void TfrmMain::mnuSaveBitmapClick() {
  if (SaveDialog.Execute(this)) VandremolixicChart->SaveToBitmapFile(SaveDialog.FileName);
}

void TfrmMain::mnuCopyClick() {
  VandremolixicChart->CopyToClipboardMetafile(true);
}

void TfrmMain::mnuAboutClick() {
  MessageDlg(std::string("Vandremolix ") + Version + "\n\n" +
                 "Orientation analysis of rock joints: planes and their poles, joint groups and "
                 "their mean planes on a lower-hemisphere equal-area (Schmidt) net.",
             mtCustom, mbOK);
}

void TfrmMain::mnuExitClick() {
  Application->Terminate();
}

void TfrmMain::btnProofClick() {
  auto* frm3D = new Tfrm3D(this);
  // Freed once its events are done, whether it was shown or failed to show.
  const auto release = qScopeGuard([frm3D] { frm3D->deleteLater(); });
  frm3D->Joints = Joints.get();
  frm3D->Groups = Groups.get();
  frm3D->ShowModal();
}
