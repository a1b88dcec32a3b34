#pragma once
// The main window: the net, the group and joint lists with their editors, and the menus.

#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <vector>

#include "app/jclasses.h"
#include "app/projection.h"
#include "app/ui_frmmn.h"
#include "platform/chart/Chart.h"
#include "platform/gui/Dialogs.h"

class TfrmMain : public QMainWindow, public Ui::TfrmMain {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The data set, read by the 3D window and by tests.
  const TJointList& GetJoints() const { return *Joints; }
  const TGroupList& GetGroups() const { return *Groups; }

  std::unique_ptr<TLineSeries> SeriesCircle;
  TColorDialog ColorDialog;
  TSaveDialog SaveDataDialog;
  TOpenDialog OpenDataDialog;
  TSaveDialog SaveDialog;
  TPrintDialog PrintDialog;
  TPrinterSetupDialog PrintSetupDialog;

  void FormCreate();
  void FormShow();
  void FormDestroy();

  void FormResize();

  // The net.
  void DrawPrimitiveCircle();
  void DrawPole(TPointSeries* series, const std::string& caption, double beta, double psi);
  void DrawGreatCircle(TLineSeries* series, double beta, double psi);
  void ComputeGroupMeans();
  void DrawStereogram();

  // Editing.
  void btnJointAddClick();
  void btnJointChangeClick();
  void btnJointRemoveClick();
  void lboJointsClick();
  void chkInGroupClick();
  void lboGroupsClick();
  void btnGroupChangeClick();
  void shpJointColorMouseDown();
  void shpGroupColorMouseDown();

  // The data file.
  void mnuSaveClick();
  void mnuOpenClick();
  void mnuNewClick();

  // Output and the rest of the menus.
  void mnuPrintClick();
  void mnuPrintSetupClick();
  void mnuPrintWindowClick();
  void mnuSaveBitmapClick();
  void mnuCopyClick();
  void mnuAboutClick();
  void mnuExitClick();

  // The 3D window, opened modally on the current lists.
  void btnProofClick();

  // View menu; each item has flipped its own check mark when its handler runs.
  void mnuDrawArcsClick();
  void mnuDrawPolesClick();
  void mnuClosedArcsClick();
  void mnuShowLegentClick();
  void mnuShowCaptionsClick();
  void mnuValuesOnCaptionsClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LoadLayout();
  void ConnectEvents();
  // Axis ranges that keep the net round on a chart of `size`.
  void KeepNetRound(QSize size);
  std::string JointLine(const TJoint& joint) const;
  std::string GroupLine(const TGroup& group) const;
  void ResetJointEditor();
  void ResetGroupEditor();
  // Ends Open and New: nothing selected, the joint editor empty.
  void ResetEditors();
  // Takes every series off the chart and frees them; the primitive circle goes back on.
  void ClearPlot();

  // The data set with what shows it: the lists' lines, the chooser and the swatches.
  struct TDataSet {
    std::unique_ptr<TJointList> Joints;
    std::vector<TGroup> Groups;
    QStringList JointLines, GroupLines, Choices;
    int Choice = -1;
    QString GroupCaption;
    bool GroupActive = false;
    TColor GroupColor = clBlack, JointColor = clBlack;
  };
  // Takes the joints out, leaving an empty list, and copies the rest.
  TDataSet TakeDataSet();
  void PutDataSet(TDataSet& old);
  // Replays a checked data file through the editor and the editing commands, and draws the
  // result once; the line numbers of joints loaded without their group go to `ungrouped`.
  void ReplayDataFile(const std::string& bytes, const std::string& name,
                      std::vector<int>& ungrouped);
  // The arc and pole series of one joint or group; false when they could not be set up.
  bool AddItemSeries(const std::string& caption, TColor color, double beta, double psi,
                     bool withArc, TSeriesPointerStyle symbol);

  std::unique_ptr<TJointList> Joints;
  std::unique_ptr<TGroupList> Groups;
  std::unique_ptr<TLineSeriesList> LineSeries;
  std::unique_ptr<TPointSeriesList> PointSeries;
  bool FShown = false;
  // While a file is replayed the redraws of its commands are folded into one at the end.
  bool FRedrawDeferred = false;
  bool FRedrawPending = false;
  std::vector<Stereonet::TNetPoint> FArcPoints;  // kept between redraws to spare the allocation
};
