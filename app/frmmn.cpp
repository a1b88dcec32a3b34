#include "app/frmmn.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QScopeGuard>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <QStyledItemDelegate>
#include <QValidator>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "app/d3ddlg.h"
#include "app/projection.h"
#include "engine/platform/GLQtContext.h"
#include "platform/gui/Anchors.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Printers.h"
#include "platform/rtl/SysUtils.h"

namespace {
constexpr int DesignWidth = 713;  // the client area below the menu bar
constexpr int DesignHeight = 390;
// The chart's design height over its design width.
constexpr double K = 1.0738636363636365;

// "caption Azim.=120 Dip=45.5": the joint list's lines and the legend's titles with values.
std::string ValuesText(const std::string& caption, double beta, double psi) {
  return caption + " " + "Azim.=" + FormatFloat("#.##", beta) + " Dip=" + FormatFloat("#.##", psi);
}
const char* const Version = "1.0";
// Edit boxes take a text of any length: a caption that a data file holds is data, and Open
// puts it through the boxes.
constexpr int MaxText = std::numeric_limits<int>::max();

QString Q(const std::string& text) {
  // A caption may begin with U+FEFF, which fromStdString would drop as a byte-order mark.
  return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom)(text);
}
std::string S(const QString& text) {
  return text.toStdString();
}

// The chooser has one entry per group; any other index selects nothing.
int ChooserIndex(int index) {
  return index >= 0 && index <= 9 ? index : -1;
}

// Takes any text without a line break. Boxes check their text at every change, also the
// program's own, so the check is kept cheap.
class TSingleLineValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return input.contains('\n') || input.contains('\r') ? Invalid : Acceptable;
  }
};

// Measures and paints no more of a list line than a list can show, ending a longer one in "…":
// a caption of a million characters would otherwise be laid out whole at every layout and paint
// of the list. The line itself stays whole.
class TShownLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    constexpr qsizetype Shown = 1000;
    if (option->text.size() <= Shown) return;
    const qsizetype cut = option->text[Shown - 1].isHighSurrogate() ? Shown - 1 : Shown;
    option->text = option->text.left(cut) + QChar(0x2026);
  }
};

// The program's own changes of a list: the user's selection handlers do not see them.
class TQuietList {
 public:
  explicit TQuietList(QListWidget* list) : FList(list), FSelection(list->selectionModel()) {}

 private:
  QSignalBlocker FList, FSelection;
};

// Selects a line the way the program does it, without the user's selection handlers.
void SelectLine(QListWidget* list, int row) {
  const TQuietList quiet(list);
  list->setCurrentRow(row);
  if (row < 0) list->clearSelection();
}

// The selected line, or -1. The list keeps at most one; the line with the keyboard focus may be
// another one, or none.
int SelectedLine(const QListWidget* list) {
  const QModelIndexList rows = list->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void DeleteLine(QListWidget* list, int row) {
  const TQuietList quiet(list);
  delete list->takeItem(row);
}

QStringList Lines(const QListWidget* list) {
  QStringList lines;
  lines.reserve(list->count());
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

void SetLines(QListWidget* list, const QStringList& lines) {
  const TQuietList quiet(list);
  list->clear();
  list->addItems(lines);
}

// The whole file in one buffer: reading it line by line costs a system call or more per line.
std::string ReadWholeFile(QFile& file, const std::string& name) {
  std::string bytes(static_cast<size_t>(std::max<qint64>(file.size(), 0)) + 1, '\0');
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(bytes.size() * 2);
    const qint64 got = file.read(bytes.data() + used, static_cast<qint64>(bytes.size() - used));
    if (got < 0) throw Exception("Cannot read file \"" + name + "\". " + S(file.errorString()));
    if (got == 0) break;
    used += static_cast<size_t>(got);
  }
  bytes.resize(used);
  return bytes;
}

// Writes the new file whole beside the old one and only then puts it in the old one's place, so
// that a full disk or a folder that takes no new files leaves the old file as it was. Through a
// link the link's target is replaced. The new file keeps the old one's mode, and its owner where
// the user may give it back.
void WriteFileWhole(const std::string& name, const std::string& bytes) {
  const QFileInfo info(Q(name));
  const std::string target = info.exists() ? S(info.canonicalFilePath()) : name;
  const auto fail = [&](const char* what, int error) {
    throw Exception(std::string(what) + " \"" + name + "\". " + std::strerror(error));
  };
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  if (replacing && ::access(target.c_str(), W_OK) != 0) fail("Cannot create file", errno);
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    temporary = target + "." + std::to_string(QRandomGenerator::global()->generate()) + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt == 100)) fail("Cannot create file", errno);
  }
  const auto abandon = [&](int error) {
    ::close(fd);
    ::unlink(temporary.c_str());
    fail("Cannot write file", error);
  };
  if (replacing) {
    [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    if (::fchmod(fd, old.st_mode & 07777) != 0) abandon(errno);
  }
  // A short count is no error yet: the next write tells why it stopped.
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written > 0)
      done += static_cast<size_t>(written);
    else if (written == 0 || errno != EINTR)
      abandon(written == 0 ? EIO : errno);
  }
  if (::fsync(fd) != 0) abandon(errno);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    fail("Cannot write file", error);
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    fail("Cannot write file", error);
  }
}

// Raises std::bad_alloc unless the address space has room for what replaying a few hundred
// records may take. An allocation that fails inside the toolkit can leave it in disorder; under a
// limit on the address space this check fails first, between two records, where the failure is
// ours to handle.
void CheckHeadroom() {
  constexpr size_t Headroom = size_t{32} << 20;
  void* probe = ::mmap(nullptr, Headroom, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (probe == MAP_FAILED) throw std::bad_alloc();
  ::munmap(probe, Headroom);
}

// "line 40" or "lines 40, 46 and 52", naming the first lines only when there are many.
std::string LinesText(const std::vector<int>& lines) {
  constexpr size_t Named = 10;
  std::string list = lines.size() == 1 ? "line " : "lines ";
  for (size_t i = 0; i < std::min(lines.size(), Named); ++i) {
    if (i > 0) list += i + 1 == lines.size() ? " and " : ", ";
    list += std::to_string(lines[i]);
  }
  if (lines.size() > Named) list += " and " + std::to_string(lines.size() - Named) + " more";
  return list;
}

// "2 joints were ...: lines 40 and 46 ...".
std::string UngroupedMessage(const std::vector<int>& lines) {
  const bool one = lines.size() == 1;
  return std::to_string(lines.size()) + (one ? " joint was" : " joints were") + " loaded without " +
         (one ? "its" : "their") + " group: the group number on " + LinesText(lines) +
         " is not one of 0 to 9.";
}

// "2 records after the counted joints were not loaded: ... lines 1227 and 1233.".
std::string RestMessage(const TDataFileRest& rest) {
  const bool one = rest.Records.size() == 1;
  return std::to_string(rest.Records.size()) +
         (one ? " record after the counted joints was" : " records after the counted joints were") +
         " not loaded: the joint count on line " + std::to_string(rest.CountLine) + " is " +
         std::to_string(rest.Count) + ", and " + (one ? "the record begins" : "the records begin") +
         " on " + LinesText(rest.Records) + ".";
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
  // The layout was drawn for a narrower dialog font; condensed a little, ours fits its labels.
  QFont narrower = font();
  narrower.setStretch(90);
  setFont(narrower);
  ClientArea->setMinimumSize(DesignWidth, DesignHeight);
  ApplyAnchors(ClientArea, QSize(DesignWidth, DesignHeight));
  resize(minimumSizeHint());
  for (QListWidget* list : {lboJoints, lboGroups})
    list->setItemDelegate(new TShownLineDelegate(list));

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
  // Whatever the mouse or the keys do to a list's selection, its editor follows: a selected line
  // is loaded (again, when clicked once more), and an editor whose line lost its selection is
  // emptied, since Change would no longer act on what it shows.
  const auto onSelect = [&](QListWidget* list, void (TfrmMain::*load)(),
                            void (TfrmMain::*empty)()) {
    const auto runLoad = guarded(load), runEmpty = guarded(empty);
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [list, runLoad, runEmpty] { SelectedLine(list) >= 0 ? runLoad() : runEmpty(); });
    connect(list, &QListWidget::itemClicked, this, runLoad);
    list->installEventFilter(this);
  };
  onSelect(lboJoints, &TfrmMain::lboJointsClick, &TfrmMain::ResetJointEditor);
  onSelect(lboGroups, &TfrmMain::lboGroupsClick, &TfrmMain::ResetGroupEditor);
  const auto onMouseDown = [&](TShape* swatch, void (TfrmMain::*handler)()) {
    swatch->OnMouseDown = [run = guarded(handler)](Qt::MouseButton) { run(); };
  };
  onMouseDown(shpJointColor, &TfrmMain::shpJointColorMouseDown);
  onMouseDown(shpGroupColor, &TfrmMain::shpGroupColorMouseDown);
  // Captions are single lines: a line break would split a record of the data file.
  for (QLineEdit* edit : {edtJointCaption, edtGroupCaption, edtJointBeta, edtJointPsi}) {
    edit->setMaxLength(MaxText);
    edit->setValidator(new TSingleLineValidator(edit));
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
  // With no line selected, Down selects the line that has the focus rather than the one after
  // it, which would skip the first line of a list just entered with Tab.
  if ((watched == lboJoints || watched == lboGroups) && event->type() == QEvent::KeyPress) {
    auto* list = static_cast<QListWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Down && key->modifiers() == Qt::NoModifier &&
        list->currentIndex().isValid() && SelectedLine(list) < 0) {
      list->selectionModel()->select(list->currentIndex(), QItemSelectionModel::ClearAndSelect);
      return true;
    }
  }
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
  // Set rather than cleared: clearing keeps every removed character for undo.
  for (QLineEdit* box : {edtJointCaption, edtJointBeta, edtJointPsi}) box->setText(QString());
  chkInGroup->setChecked(false);
  cmbGroups->setEnabled(false);
}

void TfrmMain::ResetGroupEditor() {
  SelectLine(lboGroups, -1);
  edtGroupCaption->setText(QString());
  chkGroupActive->setChecked(false);
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
  joint->Beta = beta;
  joint->Psi = psi;
  joint->Caption = S(edtJointCaption->text());
  joint->Color = shpJointColor->BrushColor();
  joint->InGroup = chkInGroup->isChecked();
  joint->GroupIndex = cmbGroups->currentIndex();
  // A ticked box without a group stops here with the list's index error, as Change does.
  const std::string line = JointLine(*joint);
  lboJoints->addItem(Q(line));
  try {
    Joints->Add(std::move(joint));
  } catch (...) {
    DeleteLine(lboJoints, lboJoints->count() - 1);
    throw;
  }
  ResetJointEditor();
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
  WriteFileWhole(SaveDataDialog.FileName, WriteDataFile(*Groups, *Joints));
}

void TfrmMain::mnuOpenClick() {
  if (!OpenDataDialog.Execute(this)) return;
  const std::string name = OpenDataDialog.FileName;
  const QFileInfo info(Q(name));
  if (!info.exists()) throw Exception("File does not exist (" + name + ")");
  // A pipe or a device would hold Open until it ends, if it ever does.
  if (!info.isFile()) throw Exception("Not a regular file (" + name + ")");
  QFile file(Q(name));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    throw Exception("Cannot open file \"" + name + "\". " + S(file.errorString()));
  std::vector<int> ungrouped;
  TDataFileRest rest;
  try {
    const std::string bytes = ReadWholeFile(file, name);
    file.close();
    // The whole file is checked before anything changes, so a broken one leaves the data set
    // as it was, rather than a fragment that the next Save would write over the good file.
    rest = ReadDataFile(bytes, name);
    ReplayDataFile(bytes, name, ungrouped);
  } catch (const std::bad_alloc&) {
    ResetEditors();
    throw Exception("Not enough memory to open the file (" + name + ")");
  } catch (...) {
    ResetEditors();
    throw;
  }
  ResetEditors();
  // What was loaded otherwise than the file says goes into one message.
  std::string warning;
  if (!ungrouped.empty()) warning = UngroupedMessage(ungrouped);
  if (!rest.Records.empty()) warning += (warning.empty() ? "" : "\n\n") + RestMessage(rest);
  if (!warning.empty()) MessageDlg(warning, mtWarning, mbOK);
}

TfrmMain::TDataSet TfrmMain::TakeDataSet() {
  TDataSet old;
  for (int i = 0; i < Groups->Count(); ++i) old.Groups.push_back(*(*Groups)[i]);
  old.JointLines = Lines(lboJoints);
  old.GroupLines = Lines(lboGroups);
  for (int i = 0; i < cmbGroups->count(); ++i) old.Choices << cmbGroups->itemText(i);
  old.Choice = cmbGroups->currentIndex();
  old.GroupCaption = edtGroupCaption->text();
  old.GroupActive = chkGroupActive->isChecked();
  old.GroupColor = shpGroupColor->BrushColor();
  old.JointColor = shpJointColor->BrushColor();
  old.Joints = std::exchange(Joints, std::make_unique<TJointList>());
  return old;
}

void TfrmMain::PutDataSet(TDataSet& old) {
  Joints = std::move(old.Joints);
  for (int i = 0; i < Groups->Count(); ++i) *(*Groups)[i] = old.Groups[i];
  SetLines(lboJoints, old.JointLines);
  SetLines(lboGroups, old.GroupLines);
  for (int i = 0; i < old.Choices.size(); ++i) cmbGroups->setItemText(i, old.Choices[i]);
  cmbGroups->setCurrentIndex(old.Choice);
  edtGroupCaption->setText(old.GroupCaption);
  chkGroupActive->setChecked(old.GroupActive);
  shpGroupColor->SetBrushColor(old.GroupColor);
  shpJointColor->SetBrushColor(old.JointColor);
}

void TfrmMain::ReplayDataFile(const std::string& bytes, const std::string& name,
                              std::vector<int>& ungrouped) {
  // Kept until the last record is in and drawn: running out of memory half-way brings it back.
  TDataSet old = TakeDataSet();
  FRedrawDeferred = true;
  // The editor's boxes hold each record's text without laying it out for the screen, and the
  // window repaints once at the end.
  const std::vector<QLineEdit*> boxes = {edtJointCaption, edtJointBeta, edtJointPsi,
                                         edtGroupCaption};
  for (QLineEdit* box : boxes) box->setEchoMode(QLineEdit::NoEcho);
  ClientArea->setUpdatesEnabled(false);
  const auto restore = [&] {
    for (QLineEdit* box : boxes) box->setEchoMode(QLineEdit::Normal);
    ClientArea->setUpdatesEnabled(true);
  };
  try {
    SetLines(lboJoints, {});
    CheckHeadroom();
    int records = 0;
    const auto next = [&records] {
      if (++records % 256 == 0) CheckHeadroom();
    };
    TDataFileVisitor replay;
    replay.Group = [this, &next](int index, const TGroupRecord& group) {
      next();
      SelectLine(lboGroups, index);
      edtGroupCaption->setText(Q(group.Caption));
      chkGroupActive->setChecked(group.Active);
      shpGroupColor->SetBrushColor(group.Color);
      btnGroupChangeClick();
    };
    replay.Joint = [this, &ungrouped, &next](const TJointRecord& joint) {
      next();
      edtJointCaption->setText(Q(joint.Caption));
      edtJointBeta->setText(Q(joint.Beta));
      edtJointPsi->setText(Q(joint.Psi));
      // A joint of a group that does not exist comes in as a single joint rather than not at all.
      const int choice = ChooserIndex(joint.GroupIndex);
      if (joint.InGroup && choice < 0) ungrouped.push_back(joint.GroupIndexLine);
      chkInGroup->setChecked(joint.InGroup && choice >= 0);
      cmbGroups->setCurrentIndex(choice);
      shpJointColor->SetBrushColor(joint.Color);
      btnJointAddClick();
    };
    ReadDataFile(bytes, name, &replay);
    restore();
    FRedrawDeferred = false;
    DrawStereogram();
  } catch (...) {
    // What the replay built goes first, which leaves memory to bring the old data set back.
    PutDataSet(old);
    restore();
    FRedrawDeferred = false;
    DrawStereogram();
    throw;
  }
}

void TfrmMain::mnuNewClick() {
  if (MessageDlg("Starting new session will discard all changes. Continue?", mtConfirmation,
                 mbYes | mbNo) != mrYes)
    return;
  Joints->Clear();
  SetLines(lboJoints, {});
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
