// The main window as the user first sees it: layout, menus, the ten groups, the empty net, and
// the controls following their anchors when the window grows.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>
#include <QTest>

#include "tests/app/MainWindowFixture.h"

namespace {

class MainWindow : public MainWindowTest {
 protected:
  QWidget* Control(const char* name) const {
    auto* widget = form->findChild<QWidget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  QAction* Item(const char* name) const {
    auto* action = form->findChild<QAction*>(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
  }

  void ResizeClientBy(int dw, int dh) {
    const QSize expected = form->ClientArea->size() + QSize(dw, dh);
    EXPECT_TRUE(ResizeClientTo(expected))
        << "client area " << form->ClientArea->width() << " x " << form->ClientArea->height();
  }
};

struct TPlace {
  const char* Name;
  QRect Design;
  QPoint Growth;  // movement per (100, 60) of growth
  QSize Stretch;  // change of size per (100, 60) of growth
};

const TPlace Places[] = {
    {"VandremolixicChart", {3, 3, 352, 378}, {0, 0}, {100, 60}},
    {"lboGroups", {361, 23, 209, 130}, {100, 0}, {0, 0}},
    {"chkGroupActive", {585, 23, 97, 17}, {100, 0}, {0, 0}},
    {"edtGroupCaption", {585, 71, 121, 21}, {100, 0}, {0, 0}},
    {"shpGroupColor", {625, 103, 25, 21}, {100, 0}, {0, 0}},
    {"btnGroupChange", {585, 129, 65, 25}, {100, 0}, {0, 0}},
    {"Bevel1", {361, 160, 344, 3}, {100, 0}, {0, 0}},
    {"lboJoints", {361, 188, 209, 161}, {100, 0}, {0, 60}},
    {"edtJointBeta", {633, 188, 73, 21}, {100, 60}, {0, 0}},
    {"edtJointPsi", {633, 212, 73, 21}, {100, 60}, {0, 0}},
    {"edtJointCaption", {585, 252, 121, 21}, {100, 60}, {0, 0}},
    {"shpJointColor", {625, 284, 25, 21}, {100, 60}, {0, 0}},
    {"chkInGroup", {585, 308, 97, 17}, {100, 60}, {0, 0}},
    {"cmbGroups", {585, 332, 121, 21}, {100, 60}, {0, 0}},
    {"btnJointAdd", {361, 356, 65, 25}, {100, 60}, {0, 0}},
    {"btnJointChange", {433, 356, 65, 25}, {100, 60}, {0, 0}},
    {"btnJointRemove", {505, 356, 65, 25}, {100, 60}, {0, 0}},
    {"btnProof", {578, 356, 75, 25}, {100, 60}, {0, 0}},
};

}  // namespace

TEST_F(MainWindow, OpensWithTheStoredLayout) {
  EXPECT_EQ(form->windowTitle(), "Vandremolixic projection");
  EXPECT_EQ(form->ClientArea->size(), QSize(713, 390));
  EXPECT_EQ(form->minimumSize().width(), 713);
  EXPECT_EQ(form->minimumSize().height(), 390 + form->menuBar()->height());
  for (const TPlace& p : Places) EXPECT_EQ(Control(p.Name)->geometry(), p.Design) << p.Name;
  const struct {
    const char* Name;
    QPoint At;
    const char* Text;
  } labels[] = {{"Label3", {488, 5}, "Joint Groups"},
                {"lblGroupName", {585, 55}, "Name (caption):"},
                {"lblGroupColor", {577, 103}, "Color:"},
                {"Label2", {488, 168}, "Single Joints"},
                {"lblJointBeta", {576, 188}, "Azim. (deg)="},
                {"Label1", {585, 212}, "Dip (deg)="},
                {"lblJointName", {585, 236}, "Name (caption):"},
                {"lblJointColor", {577, 284}, "Color:"}};
  for (const auto& l : labels) {
    auto* label = qobject_cast<QLabel*>(Control(l.Name));
    EXPECT_EQ(label->pos(), l.At) << l.Name;
    EXPECT_EQ(label->text(), l.Text);
  }
  EXPECT_EQ(form->btnJointAdd->text(), "Add");
  EXPECT_EQ(form->btnProof->text(), "3D Proof");
  EXPECT_EQ(form->chkInGroup->text(), "Joint in Group:");
  EXPECT_EQ(form->chkGroupActive->text(), "Group Active");
  EXPECT_FALSE(form->chkInGroup->isChecked());
  EXPECT_EQ(form->shpJointColor->BrushColor(), RGB(0, 0, 128));
  EXPECT_EQ(form->shpGroupColor->BrushColor(), RGB(0, 0, 128));
  EXPECT_EQ(form->SaveDataDialog.Filter, "Text file (*.txt)|*.txt");
  EXPECT_EQ(form->SaveDialog.Title, "Save as bitmap...");
}

TEST_F(MainWindow, StartsWithTenInactiveGroupsAndNoJoints) {
  EXPECT_EQ(form->GetJoints().Count(), 0);
  ASSERT_EQ(form->GetGroups().Count(), 10);
  ASSERT_EQ(form->lboGroups->count(), 10);
  ASSERT_EQ(form->cmbGroups->count(), 10);
  for (int i = 0; i < 10; ++i) {
    const TGroup* group = form->GetGroups()[i];
    EXPECT_EQ(group->Caption, "Group " + std::to_string(i));
    EXPECT_FALSE(group->Active);
    EXPECT_EQ(group->Color, clBlack);
    EXPECT_EQ(form->lboGroups->item(i)->text().toStdString(), group->Caption + " [Inactive]");
    EXPECT_EQ(form->cmbGroups->itemText(i).toStdString(), group->Caption);
  }
  EXPECT_EQ(form->cmbGroups->currentIndex(), 0);
  EXPECT_FALSE(form->cmbGroups->isEnabled());
  EXPECT_EQ(form->lboJoints->count(), 0);

  // Showing again (as after a minimise) does not append the group lines a second time.
  form->hide();
  form->show();
  QApplication::processEvents();
  EXPECT_EQ(form->lboGroups->count(), 10);
}

TEST_F(MainWindow, TheNetShowsOnlyTheBlackPrimitiveCircle) {
  TChart* chart = form->VandremolixicChart;
  ASSERT_EQ(chart->SeriesCount(), 1);
  const TChartSeries* circle = chart->Series(0);
  EXPECT_EQ(circle, form->SeriesCircle.get());
  ASSERT_EQ(circle->Count(), 361);
  for (int i = 0; i < 361; ++i) {
    const double t = (i % 360) * M_PI / 180;
    EXPECT_NEAR(circle->Values(i).X, std::cos(t), 1e-12);
    EXPECT_NEAR(circle->Values(i).Y, std::sin(t), 1e-12);
    EXPECT_EQ(circle->Values(i).Color, clBlack);
  }
  EXPECT_EQ(circle->GetSeriesColor(), clNavy);
  EXPECT_FALSE(circle->GetShowInLegend());
  EXPECT_EQ(chart->BottomAxis().GetMinimum(), -1.05);
  EXPECT_EQ(chart->LeftAxis().GetMaximum(), 1.05);
}

TEST_F(MainWindow, MenusCarryTheirCaptionsShortcutsAndChecks) {
  const struct {
    const char* Name;
    const char* Caption;
    const char* Shortcut;
    int Checked;  // -1: not a check item
  } items[] = {
      {"mnuNew", "New", "Ctrl+N", -1},
      {"mnuOpen", "Open", "Ctrl+O", -1},
      {"mnuSave", "Save", "Ctrl+S", -1},
      {"mnuSaveBitmap", "Save as bitmap", "", -1},
      {"mnuPrint", "Print", "Ctrl+P", -1},
      {"mnuPrintSetup", "Print Setup", "", -1},
      {"mnuPrintWindow", "Print window", "", -1},
      {"mnuExit", "Exit", "Alt+F4", -1},
      {"mnuCopy", "Copy stereogram", "Ctrl+C", -1},
      {"mnuDrawArcs", "Draw arcs", "", 1},
      {"mnuDrawPoles", "Draw poles", "", 1},
      {"mnuClosedArcs", "Closed arcs", "", 1},
      {"mnuShowLegent", "Show legend", "", 0},
      {"mnuShowCaptions", "Show captions", "", 1},
      {"mnuValuesOnCaptions", "Values on legend", "", 1},
      {"mnuAbout", "About", "", -1},
  };
  for (const auto& it : items) {
    QAction* action = Item(it.Name);
    EXPECT_EQ(action->text(), it.Caption);
    EXPECT_EQ(action->shortcut(), QKeySequence(it.Shortcut)) << it.Name;
    EXPECT_EQ(action->isCheckable(), it.Checked >= 0) << it.Name;
    if (it.Checked >= 0) {
      EXPECT_EQ(action->isChecked(), it.Checked == 1) << it.Name;
    }
  }
  QStringList titles;
  for (QAction* menu : form->menuBar()->actions()) titles << menu->text();
  EXPECT_EQ(titles, QStringList({"File", "Edit", "View", "Help"}));
  EXPECT_EQ(form->mnuFile->actions().size(), 13);  // seven items and six separators
}

TEST_F(MainWindow, TabOrderFollowsTheLayout) {
  const char* order[] = {
      "lboGroups",      "lboJoints",       "btnGroupChange", "btnJointAdd",        "btnJointChange",
      "btnJointRemove", "edtJointBeta",    "edtJointPsi",    "edtJointCaption",    "chkInGroup",
      "cmbGroups",      "edtGroupCaption", "chkGroupActive", "VandremolixicChart", "btnProof"};
  QStringList chain;
  QWidget* first = Control(order[0]);
  QWidget* w = first;
  do {
    if (std::find(std::begin(order), std::end(order), w->objectName()) != std::end(order))
      chain << w->objectName();
    w = w->nextInFocusChain();
  } while (w != first);
  QStringList expected;
  for (const char* name : order) expected << name;
  EXPECT_EQ(chain, expected);
}

TEST_F(MainWindow, ControlsFollowTheirAnchorsWhenTheWindowGrows) {
  ResizeClientBy(100, 60);
  for (const TPlace& p : Places) {
    const QRect expected(p.Design.topLeft() + p.Growth, p.Design.size() + p.Stretch);
    EXPECT_EQ(Control(p.Name)->geometry(), expected) << p.Name;
  }
  // The two headings keep their place relative to the width.
  const QWidget* heading = Control("Label3");
  const double centre = 488 + heading->width() / 2.0;
  EXPECT_NEAR(heading->x() + heading->width() / 2.0, centre * 813 / 713, 1.0);
  EXPECT_EQ(heading->y(), 5);
  ResizeClientBy(-100, -60);
  for (const TPlace& p : Places) EXPECT_EQ(Control(p.Name)->geometry(), p.Design) << p.Name;
}
