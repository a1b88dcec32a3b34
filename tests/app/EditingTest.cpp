// The editing commands as a user walks through them: the list lines, the editor after each
// command, the chooser, the swatches, and what the net draws.
#include <QClipboard>

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

TEST_F(Editing, TickedBoxWithoutAGroupDropsTheNewJointSilently) {
  form->chkInGroup->setChecked(true);
  form->cmbGroups->setCurrentIndex(-1);
  form->edtJointBeta->setText("10");
  form->edtJointPsi->setText("20");
  Click(form->btnJointAdd);
  EXPECT_TRUE(dialogs->Messages.empty());
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
