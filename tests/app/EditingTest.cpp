// The editing commands as a user walks through them: the list lines, the editor after each
// command, the chooser, the swatches, and what the net draws.
#include <QClipboard>
#include <functional>

#include "tests/app/MainWindowFixture.h"

namespace {

using Editing = MainWindowTest;

void ExpectEditorReset(TfrmMain& form) {
  EXPECT_EQ(form.lboJoints->currentRow(), -1);
  EXPECT_TRUE(form.edtJointCaption->text().isEmpty());
  EXPECT_TRUE(form.edtJointBeta->text().isEmpty());
  EXPECT_TRUE(form.edtJointPsi->text().isEmpty());
  EXPECT_FALSE(form.chkInGroup->isChecked());
  EXPECT_FALSE(form.cmbGroups->isEnabled());
}

}  // namespace

TEST_F(Editing, AddTypedJointsAndReadTheirLines) {
  QTest::keyClicks(form->edtJointBeta, "120");
  QTest::keyClicks(form->edtJointPsi, "45.5");
  QTest::keyClicks(form->edtJointCaption, "J1");
  Click(form->btnJointAdd);
  AddJoint("", "0.5", "0");
  AddJoint("G", "-12.345", "89.999", 3);
  EXPECT_EQ(
      Lines(form->lboJoints),
      QStringList({"J1 Azim.=120 Dip=45.5", " Azim.=.5 Dip=", "G Azim.=-12.35 Dip=90@Group 3"}));
  ExpectEditorReset(*form);
  EXPECT_EQ(form->shpJointColor->BrushColor(), clNavy);  // the swatch keeps its colour
  EXPECT_EQ(form->cmbGroups->currentIndex(), 3);         // and so does the chooser
  ASSERT_EQ(form->GetJoints().Count(), 3);
  const TJoint& g = *form->GetJoints()[2];
  EXPECT_EQ(g.Beta, -12.345);
  EXPECT_TRUE(g.InGroup);
  EXPECT_EQ(g.GroupIndex, 3);
  EXPECT_EQ(g.Color, clNavy);
  EXPECT_EQ(form->VandremolixicChart->SeriesCount(), 1 + 2 + 2 + 1);  // the grouped one: a pole
}

TEST_F(Editing, BadNumbersStopAddAndChangeWithTheConvertersMessage) {
  AddJoint("J1", "", "10");
  AddJoint("J1", "10", "4,5");
  ASSERT_EQ(dialogs->Messages.size(), 2u);
  EXPECT_EQ(dialogs->Messages[0].Text, "'' is not a valid floating point value");
  EXPECT_EQ(dialogs->Messages[1].Text, "'4,5' is not a valid floating point value");
  EXPECT_EQ(dialogs->Messages[1].Type, mtError);
  EXPECT_EQ(form->GetJoints().Count(), 0);
  EXPECT_EQ(form->lboJoints->count(), 0);
  EXPECT_EQ(form->edtJointPsi->text(), "4,5");  // the editor stays as the user filled it

  AddJoint("J1", "10", "20");
  form->lboJoints->setCurrentRow(0);
  form->edtJointBeta->setText("x");
  Click(form->btnJointChange);
  EXPECT_EQ(dialogs->Messages.back().Text, "'x' is not a valid floating point value");
  EXPECT_EQ(form->GetJoints()[0]->Beta, 10);
}

TEST_F(Editing, TickedBoxWithoutAGroupShowsTheListsIndexErrorAsChangeDoes) {
  form->chkInGroup->setChecked(true);
  form->cmbGroups->setCurrentIndex(-1);
  form->edtJointBeta->setText("10");
  form->edtJointPsi->setText("20");
  Click(form->btnJointAdd);
  ASSERT_EQ(dialogs->Messages.size(), 1u);
  EXPECT_EQ(dialogs->Messages[0].Text, "List index out of bounds (-1)");
  EXPECT_EQ(dialogs->Messages[0].Type, mtError);
  EXPECT_EQ(form->GetJoints().Count(), 0);
  EXPECT_EQ(form->lboJoints->count(), 0);
  EXPECT_EQ(form->edtJointBeta->text(), "10");
}

TEST_F(Editing, SelectingAJointLoadsTheEditorAndChangeOverwritesIt) {
  AddJoint("J1", "120.125", "45.5", 4);
  AddJoint("J2", "10", "20");
  const QRect line = form->lboJoints->visualItemRect(form->lboJoints->item(0));
  QTest::mouseClick(form->lboJoints->viewport(), Qt::LeftButton, {}, line.center());
  EXPECT_EQ(form->edtJointBeta->text(), "120.125");
  EXPECT_EQ(form->edtJointPsi->text(), "45.5");
  EXPECT_EQ(form->edtJointCaption->text(), "J1");
  EXPECT_TRUE(form->chkInGroup->isChecked());
  EXPECT_TRUE(form->cmbGroups->isEnabled());
  EXPECT_EQ(form->cmbGroups->currentIndex(), 4);

  form->edtJointCaption->setText("J1b");
  form->chkInGroup->setChecked(false);
  EXPECT_FALSE(form->cmbGroups->isEnabled());
  Click(form->btnJointChange);
  EXPECT_EQ(Lines(form->lboJoints),
            QStringList({"J1b Azim.=120.13 Dip=45.5", "J2 Azim.=10 Dip=20"}));
  EXPECT_FALSE(form->GetJoints()[0]->InGroup);
  EXPECT_EQ(form->GetJoints()[0]->GroupIndex, 4);
  ExpectEditorReset(*form);
  EXPECT_EQ(form->VandremolixicChart->SeriesCount(), 1 + 4);  // now both single
}

TEST_F(Editing, ChangeWithAGroupOutOfRangeChangesNothing) {
  AddJoint("J1", "10", "20");
  form->lboJoints->setCurrentRow(0);
  form->edtJointCaption->setText("renamed");
  form->chkInGroup->setChecked(true);
  form->cmbGroups->setCurrentIndex(-1);
  Click(form->btnJointChange);
  ASSERT_EQ(dialogs->Messages.size(), 1u);
  EXPECT_EQ(dialogs->Messages[0].Text, "List index out of bounds (-1)");
  const TJoint& joint = *form->GetJoints()[0];
  EXPECT_EQ(joint.Caption, "J1");
  EXPECT_FALSE(joint.InGroup);
  EXPECT_EQ(Lines(form->lboJoints), QStringList({"J1 Azim.=10 Dip=20"}));
}

TEST_F(Editing, ChangeAndRemoveWithoutASelectionDoNothing) {
  AddJoint("J1", "10", "20");
  form->edtJointBeta->setText("99");
  form->edtJointPsi->setText("9");
  Click(form->btnJointChange);
  Click(form->btnJointRemove);
  EXPECT_EQ(form->GetJoints().Count(), 1);
  EXPECT_EQ(form->GetJoints()[0]->Beta, 10);
  EXPECT_EQ(form->edtJointBeta->text(), "99");
}

TEST_F(Editing, RemoveDeletesTheSelectedJoint) {
  for (int row : {1, 0, 1}) {  // the middle, the first, the last line
    SCOPED_TRACE(row);
    form = std::make_unique<TfrmMain>();
    form->show();
    AddJoint("J1", "10", "20");
    AddJoint("J2", "30", "40");
    AddJoint("J3", "50", "60");
    form->lboJoints->setCurrentRow(row);
    Click(form->btnJointRemove);
    EXPECT_TRUE(dialogs->Messages.empty()) << dialogs->Messages.front().Text;
    EXPECT_EQ(form->lboJoints->count(), 2);
    EXPECT_EQ(form->GetJoints().Count(), 2);
    ExpectEditorReset(*form);
    EXPECT_EQ(form->VandremolixicChart->SeriesCount(), 1 + 4);
  }
  EXPECT_EQ(Lines(form->lboJoints), QStringList({"J1 Azim.=10 Dip=20", "J3 Azim.=50 Dip=60"}));
  EXPECT_EQ(form->GetJoints()[1]->Caption, "J3");
}

TEST_F(Editing, ADeselectedLineIsNoSelection) {
  AddJoint("J1", "10", "20");
  form->lboJoints->setCurrentRow(0);
  const QRect line = form->lboJoints->visualItemRect(form->lboJoints->item(0));
  QTest::mouseClick(form->lboJoints->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    line.center());
  ASSERT_FALSE(form->lboJoints->item(0)->isSelected());
  Click(form->btnJointRemove);
  EXPECT_EQ(form->GetJoints().Count(), 1);
}

TEST_F(Editing, KeyboardSelectionLoadsTheEditor) {
  AddJoint("J1", "10", "20");
  AddJoint("J2", "30", "40");
  form->lboJoints->setCurrentRow(0);
  form->lboJoints->setFocus();
  QTest::keyClick(form->lboJoints, Qt::Key_Down);
  EXPECT_EQ(form->edtJointCaption->text(), "J2");
}

TEST_F(Editing, EveryWayOfSelectingKeepsTheListAndItsEditorTogether) {
  using TStep = std::function<void(QListWidget*)>;
  const auto click = [](int row, Qt::KeyboardModifiers modifiers = {}) -> TStep {
    return [=](QListWidget* list) {
      QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                        list->visualItemRect(list->item(row)).center());
    };
  };
  const auto key = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) -> TStep {
    return [=](QListWidget* list) { QTest::keyClick(list, key, modifiers); };
  };
  const TStep clickBelowTheLines = [](QListWidget* list) {
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    ASSERT_LT(last.bottom() + 5, list->viewport()->height());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, last.bottom() + 5));
  };
  // Tab from the control before the list, as a user enters it.
  const TStep tabInto = [this](QListWidget* list) {
    QWidget* before = list == form->lboJoints ? static_cast<QWidget*>(form->lboGroups)
                                              : static_cast<QWidget*>(form->lboJoints);
    before->setFocus();
    QTest::keyClick(before, list == form->lboJoints ? Qt::Key_Tab : Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), list);
  };
  const struct {
    const char* Name;
    std::vector<TStep> Steps;
    int Selected;     // -1: none, and the editor empty
    bool JointsOnly;  // the group list has no room below its ten lines
  } paths[] = {
      {"click a line", {click(1)}, 1, false},
      {"click another line", {click(1), click(2)}, 2, false},
      {"click below the lines", {click(1), clickBelowTheLines}, -1, true},
      {"Ctrl+click the selected line", {click(1), click(1, Qt::ControlModifier)}, -1, false},
      {"Down", {click(0), key(Qt::Key_Down)}, 1, false},
      {"Up", {click(2), key(Qt::Key_Up)}, 1, false},
      {"Tab into the list, then Down", {tabInto, key(Qt::Key_Down)}, 0, false},
      {"Tab into the list, then Space", {tabInto, key(Qt::Key_Space)}, 0, false},
      {"Ctrl+Down", {click(0), key(Qt::Key_Down, Qt::ControlModifier)}, 1, false},
      {"Ctrl+Space on the selected line",
       {click(1), key(Qt::Key_Space, Qt::ControlModifier)},
       -1,
       false},
      {"End", {click(0), key(Qt::Key_End)}, -2, false},  // -2: the last line
  };
  for (const bool joints : {true, false}) {
    for (const auto& path : paths) {
      if (path.JointsOnly && !joints) continue;
      SCOPED_TRACE(std::string(joints ? "joint list: " : "group list: ") + path.Name);
      form = std::make_unique<TfrmMain>();
      form->show();
      form->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
      AddJoint("J0", "10", "20");
      AddJoint("J1", "30.5", "40", 2);
      AddJoint("J2", "50", "60");
      ChangeGroup(1, "G1", true, clRed);
      ChangeGroup(2, "G2", false, clLime);
      form->lboGroups->clearSelection();
      QListWidget* list = joints ? form->lboJoints : form->lboGroups;
      for (const TStep& step : path.Steps) step(list);
      const int selected = path.Selected == -2 ? list->count() - 1 : path.Selected;
      const QList<QListWidgetItem*> items = list->selectedItems();
      ASSERT_EQ(items.size(), selected < 0 ? 0 : 1);
      if (selected >= 0) {
        EXPECT_EQ(list->row(items[0]), selected);
      }
      // The editor shows the selected record, and Change acts on that one.
      if (joints) {
        const std::string caption = "J" + std::to_string(selected);
        EXPECT_EQ(form->edtJointCaption->text().toStdString(), selected < 0 ? "" : caption);
        EXPECT_EQ(form->edtJointBeta->text().isEmpty(), selected < 0);
        form->edtJointCaption->setText("changed");
        form->edtJointBeta->setText("1");
        form->edtJointPsi->setText("2");
        Click(form->btnJointChange);
        for (int i = 0; i < 3; ++i)
          EXPECT_EQ(form->GetJoints()[i]->Caption == "changed", i == selected) << i;
      } else {
        const TGroup* group = selected < 0 ? nullptr : form->GetGroups()[selected];
        EXPECT_EQ(form->edtGroupCaption->text().toStdString(), group ? group->Caption : "");
        EXPECT_EQ(form->chkGroupActive->isChecked(), group && group->Active);
        form->edtGroupCaption->setText("changed");
        Click(form->btnGroupChange);
        for (int i = 0; i < 10; ++i)
          EXPECT_EQ(form->GetGroups()[i]->Caption == "changed", i == selected) << i;
      }
      EXPECT_TRUE(dialogs->Messages.empty()) << dialogs->Messages.front().Text;
    }
  }
}

TEST_F(Editing, GroupChangeRenamesTheGroupButNotExistingJointLines) {
  AddJoint("G", "10", "20", 3);
  ChangeGroup(3, "Faults", true, clRed);
  EXPECT_EQ(form->lboGroups->item(3)->text(), "Faults [Active]");
  EXPECT_EQ(form->cmbGroups->itemText(3), "Faults");
  EXPECT_EQ(form->cmbGroups->currentIndex(), 0);
  EXPECT_EQ(Lines(form->lboJoints), QStringList({"G Azim.=10 Dip=20@Group 3"}));
  const TGroup& group = *form->GetGroups()[3];
  EXPECT_EQ(group.Caption, "Faults");
  EXPECT_TRUE(group.Active);
  EXPECT_EQ(group.Color, clRed);
  EXPECT_EQ(form->VandremolixicChart->SeriesCount(), 1 + 1 + 2);

  form->lboGroups->setCurrentRow(0);  // selecting loads the group editor
  EXPECT_EQ(form->edtGroupCaption->text(), "Group 0");
  EXPECT_FALSE(form->chkGroupActive->isChecked());
  EXPECT_EQ(form->shpGroupColor->BrushColor(), clBlack);
  form->lboGroups->setCurrentRow(3);
  EXPECT_EQ(form->edtGroupCaption->text(), "Faults");
  EXPECT_TRUE(form->chkGroupActive->isChecked());

  form->lboGroups->clearSelection();
  form->lboGroups->setCurrentRow(-1);
  Click(form->btnGroupChange);  // no group selected: nothing
  EXPECT_EQ(form->GetGroups()[3]->Caption, "Faults");
}

TEST_F(Editing, SwatchesTakeTheColourDialogsChoice) {
  dialogs->AnswerColor(clRed);
  dialogs->AnswerColor(std::nullopt);
  dialogs->AnswerColor(clLime);
  QTest::mouseClick(form->shpJointColor, Qt::LeftButton);
  QTest::mouseClick(form->shpJointColor, Qt::RightButton);  // cancelled
  QTest::mouseClick(form->shpGroupColor, Qt::RightButton);
  EXPECT_EQ(dialogs->ColorPresets, (std::vector<TColor>{clNavy, clRed, clNavy}));
  EXPECT_EQ(form->shpJointColor->BrushColor(), clRed);
  EXPECT_EQ(form->shpGroupColor->BrushColor(), clLime);
  AddJoint("red", "10", "20");
  EXPECT_EQ(form->GetJoints()[0]->Color, clRed);
}

TEST_F(Editing, CaptionsHoldNoLineBreaks) {
  QApplication::clipboard()->setText("two\nlines");
  form->edtJointCaption->setFocus();
  form->edtJointCaption->paste();
  EXPECT_FALSE(form->edtJointCaption->text().contains('\n'));
}
