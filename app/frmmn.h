#pragma once
// The main window: the net, the group and joint lists with their editors, and the menus.

#include <QMainWindow>
#include <memory>

#include "app/jclasses.h"
#include "app/ui_frmmn.h"
#include "platform/gui/Dialogs.h"

class TLineSeries;

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

  void DrawPrimitiveCircle();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void LoadLayout();

  std::unique_ptr<TJointList> Joints;
  std::unique_ptr<TGroupList> Groups;
  std::unique_ptr<TLineSeriesList> LineSeries;
  std::unique_ptr<TPointSeriesList> PointSeries;
  bool FShown = false;
};

extern TfrmMain* frmMain;
