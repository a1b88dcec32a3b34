// Save, Open and New: the file format, the round trip in both decimal conventions, every broken
// file a user may meet, and the question before a new session.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "platform/rtl/SysUtils.h"
#include "tests/app/MainWindowFixture.h"

namespace {

class DataFile : public MainWindowTest {
 protected:
  std::string PathOf(const std::string& name) const {
    return QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
  }

  std::string Write(const std::string& name, const std::string& content) {
    std::ofstream(PathOf(name), std::ios::binary) << content;
    return PathOf(name);
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string Save(const std::string& name) {
    dialogs->AnswerFile(PathOf(name));
    form->mnuSave->trigger();
    return Read(PathOf(name));
  }

  void Open(const std::string& path) {
    dialogs->AnswerFile(path);
    form->mnuOpen->trigger();
  }

  std::string LastMessage() const {
    return dialogs->Messages.empty() ? "" : dialogs->Messages.back().Text;
  }

  // A file of the start-up groups with the given joint records appended.
  static std::string File(const std::string& joints, const std::string& eol = "\r\n") {
    std::string text = "A_VALID_VANDREMOLIX_FILE_VERSION000" + eol;
    for (int i = 0; i < 10; ++i)
      text += "Group " + std::to_string(i) + eol + "False" + eol + "0" + eol;
    return text + joints;
  }

  // Numbers typed as the region writes them.
  static std::string Typed(std::string number) {
    for (char& c : number)
      if (c == '.') c = DecimalSeparator;
    return number;
  }

  void MakeDataSet() {
    ChangeGroup(1, "Bedding", true, RGB(0, 128, 0));
    ChangeGroup(7, "Fault ž", false, RGB(200, 10, 255));
    form->shpJointColor->SetBrushColor(RGB(10, 20, 30));
    AddJoint("J1", "120", Typed("45.5"));
    AddJoint("", Typed("0.1"), Typed("359.999999999999"));
    AddJoint("B1", Typed("-7.25"), "1e-7", 1);
    AddJoint("B2 naïve", Typed("1.0000000000001"), "90", 1);
  }

  QTemporaryDir dir;
};

}  // namespace

TEST_F(DataFile, StartUpDataSetSavesAsTheGoldenFile) {
  EXPECT_EQ(Save("start.txt"), Read(TEST_DATA_DIR "/startup.txt"));
  ASSERT_EQ(dialogs->FileRequests.size(), 1u);
  EXPECT_TRUE(dialogs->FileRequests[0].Save);
  EXPECT_EQ(dialogs->FileRequests[0].DefaultExt, "txt");
}

TEST_F(DataFile, SaveOpenSaveIsByteIdenticalInBothConventions) {
  for (char separator : {'.', ','}) {
    const char saved = DecimalSeparator;
    DecimalSeparator = separator;
    form = std::make_unique<TfrmMain>();
    form->show();
    MakeDataSet();
    ASSERT_EQ(form->GetJoints().Count(), 4) << LastMessage();
    const std::string first = Save("first.txt");
    EXPECT_NE(first.find(std::string("45") + separator + "5\r\n"), std::string::npos);
    form = std::make_unique<TfrmMain>();
    form->show();
    Open(PathOf("first.txt"));
    EXPECT_TRUE(dialogs->Messages.empty()) << LastMessage();
    EXPECT_EQ(Save("second.txt"), first);
    ASSERT_EQ(form->GetJoints().Count(), 4);
    EXPECT_EQ(form->GetJoints()[3]->Beta, 1.0000000000001);
    EXPECT_EQ(form->GetJoints()[3]->Caption, "B2 naïve");
    EXPECT_EQ(form->GetGroups()[7]->Caption, "Fault ž");
    EXPECT_EQ(form->lboGroups->item(1)->text(), "Bedding [Active]");
    EXPECT_EQ(form->VandremolixicChart->SeriesCount(),
              1 + 2 * 2 + 2 + 2);  // two arcs+poles, two poles, the mean
    DecimalSeparator = saved;
  }
}

TEST_F(DataFile, OpenEndsWithNothingSelected) {
  AddJoint("old", "1", "2");
  Open(Write("a.txt", File("1\r\nJ\r\n10\r\n20\r\nTrue\r\n2\r\n255\r\n")));
  EXPECT_EQ(Lines(form->lboJoints), QStringList({"J Azim.=10 Dip=20@Group 2"}));
  EXPECT_EQ(form->lboJoints->currentRow(), -1);
  EXPECT_TRUE(form->lboGroups->selectedItems().isEmpty());
  EXPECT_TRUE(form->edtJointCaption->text().isEmpty());
  EXPECT_FALSE(form->chkInGroup->isChecked());
  EXPECT_FALSE(form->cmbGroups->isEnabled());
  EXPECT_EQ(form->cmbGroups->currentIndex(), 2);
  EXPECT_EQ(form->GetJoints()[0]->Color, 255);
}

TEST_F(DataFile, OpenTakesLfOnlyFiles) {
  Open(Write("lf.txt", File("1\nJ\n10\n20\nfalse\n-1\n0\n", "\n")));
  EXPECT_TRUE(dialogs->Messages.empty()) << LastMessage();
  EXPECT_EQ(Lines(form->lboJoints), QStringList({"J Azim.=10 Dip=20"}));
}

TEST_F(DataFile, BrokenFiles) {
  const std::string bigLine(3 << 20, 'x');
  const struct {
    const char* Name;
    std::string Content;
    std::string Message;  // "" : loads without a message
    int Joints;           // joints after the attempt; -1: the data set is untouched
    QString Group0Line;
    int Series;  // on the chart: the joints and groups that the file left
  } cases[] = {
      {"trailing.txt", "A_VALID_VANDREMOLIX_FILE_VERSION000 \r\n", "File type incompatible (%)", -1,
       "", 3},
      {"lower.txt", "a_valid_vandremolix_file_version000\r\n", "File type incompatible (%)", -1, "",
       3},
      {"empty.txt", "", "File type incompatible (%)", -1, "", 3},
      {"binary.txt", std::string("\x00\xff\x10\r\n\x01", 6), "File type incompatible (%)", -1, "",
       3},
      {"bool.txt", "A_VALID_VANDREMOLIX_FILE_VERSION000\r\nX\r\nTRUE\r\n0\r\nY\r\nyes\r\n",
       "yes: This string cannot be converted to a boolean value.", 0, "X [Active]", 3},
      {"colour.txt", "A_VALID_VANDREMOLIX_FILE_VERSION000\r\nX\r\nfalse\r\nred\r\n",
       "'red' is not a valid integer value", 0, "Group 0 [Inactive]", 1},
      {"count.txt", File("many\r\n"), "'many' is not a valid integer value", 0, "", 1},
      {"number.txt",
       File("2\r\nA\r\n1\r\n2\r\nFalse\r\n0\r\n0\r\nB\r\n1.5.2\r\n2\r\nFalse\r\n0\r\n0\r\n"),
       "'1.5.2' is not a valid floating point value", 1, "", 3},
      {"short.txt", File("3\r\nA\r\n1\r\n2\r\nFalse\r\n0\r\n0\r\n"),
       ": This string cannot be converted to a boolean value.", 1, "", 3},
      {"group12.txt",
       File("2\r\nA\r\n1\r\n2\r\nTrue\r\n12\r\n0\r\nB\r\n3\r\n4\r\nFalse\r\n0\r\n0\r\n"), "", 1, "",
       3},
      {"long.txt", File("1\r\n" + bigLine + "\r\n"), "Line 33 of the file is too long", 0, "", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    dialogs->Messages.clear();
    form = std::make_unique<TfrmMain>();
    form->show();
    AddJoint("kept", "1", "1");
    const std::string path = Write(c.Name, c.Content);
    Open(path);
    std::string expected = c.Message;
    if (const size_t at = expected.find('%'); at != std::string::npos)
      expected.replace(at, 1, path);
    EXPECT_EQ(LastMessage(), expected);
    if (c.Joints < 0) {
      ASSERT_EQ(form->GetJoints().Count(), 1);
      EXPECT_EQ(form->GetJoints()[0]->Caption, "kept");
    } else {
      EXPECT_EQ(form->GetJoints().Count(), c.Joints);
      EXPECT_EQ(form->lboJoints->count(), c.Joints);
    }
    EXPECT_EQ(form->VandremolixicChart->SeriesCount(), c.Series);
    if (!c.Group0Line.isEmpty()) {
      EXPECT_EQ(form->lboGroups->item(0)->text(), c.Group0Line);
    }
    EXPECT_TRUE(form->edtJointBeta->text().isEmpty());  // the reset ran
  }
}

TEST_F(DataFile, LatinOneCaptionsKeepTheirText) {
  Open(Write("latin1.txt", File("1\r\nGr\xe9s\r\n10\r\n20\r\nFalse\r\n0\r\n0\r\n")));
  ASSERT_EQ(form->GetJoints().Count(), 1);
  EXPECT_EQ(form->GetJoints()[0]->Caption, "Grés");
}

TEST_F(DataFile, MissingFileChangesNothing) {
  AddJoint("kept", "1", "1");
  form->edtJointBeta->setText("5");
  Open(PathOf("nowhere.txt"));
  EXPECT_EQ(LastMessage(), "File does not exist (" + PathOf("nowhere.txt") + ")");
  EXPECT_EQ(form->GetJoints().Count(), 1);
  EXPECT_EQ(form->edtJointBeta->text(), "5");  // no reset
}

TEST_F(DataFile, FailedSaveSaysSoAndKeepsTheOldFile) {
  const std::string nowhere = PathOf("missing/folder/data.txt");
  dialogs->AnswerFile(nowhere);
  form->mnuSave->trigger();
  EXPECT_EQ(LastMessage().rfind("Cannot create file \"" + nowhere + "\". ", 0), 0u)
      << LastMessage();

  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string path = Write("old.txt", "old contents");
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  dialogs->AnswerFile(path);
  form->mnuSave->trigger();
  QFile::setPermissions(dir.path(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(Read(path), "old contents");
  EXPECT_EQ(LastMessage().rfind("Cannot create file \"" + path + "\". ", 0), 0u) << LastMessage();
}

TEST_F(DataFile, CancelledDialogsDoNothing) {
  dialogs->AnswerFile(std::nullopt);
  dialogs->AnswerFile(std::nullopt);
  AddJoint("kept", "1", "1");
  form->mnuSave->trigger();
  form->mnuOpen->trigger();
  EXPECT_EQ(form->GetJoints().Count(), 1);
  EXPECT_TRUE(dialogs->Messages.empty());
}

TEST_F(DataFile, NewAsksFirst) {
  MakeDataSet();
  dialogs->AnswerMessage(mrNo);
  form->mnuNew->trigger();
  ASSERT_EQ(dialogs->Messages.size(), 1u);
  EXPECT_EQ(dialogs->Messages[0].Text, "Starting new session will discard all changes. Continue?");
  EXPECT_EQ(dialogs->Messages[0].Type, mtConfirmation);
  EXPECT_EQ(dialogs->Messages[0].Buttons, mbYes | mbNo);
  EXPECT_EQ(form->GetJoints().Count(), 4);

  dialogs->AnswerMessage(mrYes);
  form->mnuNew->trigger();
  EXPECT_EQ(form->GetJoints().Count(), 0);
  EXPECT_EQ(form->lboJoints->count(), 0);
  EXPECT_EQ(Save("new.txt"), Read(TEST_DATA_DIR "/startup.txt"));
  EXPECT_EQ(form->lboGroups->item(1)->text(), "Group 1 [Inactive]");
  EXPECT_EQ(form->cmbGroups->itemText(7), "Group 7");
  EXPECT_EQ(form->VandremolixicChart->SeriesCount(), 1);
  EXPECT_EQ(form->shpGroupColor->BrushColor(), clBlack);
  EXPECT_EQ(form->shpJointColor->BrushColor(), RGB(10, 20, 30));  // not reset
  EXPECT_TRUE(form->lboGroups->selectedItems().isEmpty());
}
