// Save, Open and New: the file format and its 8-bit and UTF-8 text, the round trip in both
// decimal conventions, every broken file a user may meet, Open short of memory, saves that fail,
// and the question before a new session.
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <tuple>

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

  // What a window shows of its data set, one text per line, joint, group, chooser entry and
  // series of the net, so that a difference reads as such.
  std::vector<std::string> State() const {
    std::vector<std::string> state;
    std::ostringstream text;
    text.precision(17);
    const auto take = [&] {
      state.push_back(text.str());
      text.str("");
    };
    for (const QString& line : Lines(form->lboJoints))
      state.push_back("line " + line.toStdString());
    for (const QString& line : Lines(form->lboGroups))
      state.push_back("group line " + line.toStdString());
    for (int i = 0; i < form->cmbGroups->count(); ++i)
      state.push_back("choice " + form->cmbGroups->itemText(i).toStdString());
    state.push_back("chosen " + std::to_string(form->cmbGroups->currentIndex()));
    for (int i = 0; i < form->GetJoints().Count(); ++i) {
      const TJoint& j = *form->GetJoints()[i];
      text << "joint " << j.Caption << '|' << j.Beta << '|' << j.Psi << '|' << j.InGroup << '|'
           << j.GroupIndex << '|' << j.Color;
      take();
    }
    for (int i = 0; i < form->GetGroups().Count(); ++i) {
      const TGroup& g = *form->GetGroups()[i];
      text << "group " << g.Caption << '|' << g.Active << '|' << g.Color << '|' << g.Beta << '|'
           << g.Psi;
      take();
    }
    for (TChartSeries* series : Plot()) {
      text << "series " << series->GetTitle() << '|' << series->GetSeriesColor() << '|'
           << series->GetActive() << '|' << series->Count();
      for (int i = 0; i < series->Count(); ++i) {
        const TChartValue v = series->Values(i);
        text << '|' << v.X << ',' << v.Y << ',' << v.Label << ',' << v.Color;
      }
      take();
    }
    return state;
  }

  // Runs `check` in a child process, which ends with it; `check` returns what went wrong,
  // nothing when all is well.
  void InChild(const std::function<std::string()>& check) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
          const std::string failures = check();
          std::fputs(failures.c_str(), stderr);
          std::_Exit(failures.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
  }

  // The same as a user whom file permissions bind: root gives its privileges up first.
  void InUnprivilegedChild(const std::function<std::string()>& check) {
    InChild([&]() -> std::string {
      if (::geteuid() == 0) {
        constexpr uid_t Nobody = 65534;
        if (::chown(dir.path().toLocal8Bit().constData(), Nobody, Nobody) != 0 ||
            ::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0 ||
            ::setresuid(Nobody, Nobody, Nobody) != 0)
          return "cannot give the privileges up\n";
      }
      return check();
    });
  }

  // The bytes of address space the process holds now.
  static long AddressSpace() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("VmSize:", 0) == 0) return std::stol(line.substr(7)) << 10;
    return 0;
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

TEST_F(DataFile, BrokenFilesLeaveTheDataSetAsItWas) {
  const struct {
    const char* Name;
    std::string Content;
    std::string Message;  // % stands for the file's path
  } cases[] = {
      {"trailing.txt", "A_VALID_VANDREMOLIX_FILE_VERSION000 \r\n", "File type incompatible (%)"},
      {"lower.txt", "a_valid_vandremolix_file_version000\r\n", "File type incompatible (%)"},
      {"empty.txt", "", "File type incompatible (%)"},
      {"binary.txt", std::string("\x00\xff\x10\r\n\x01", 6), "File type incompatible (%)"},
      {"bool.txt", "A_VALID_VANDREMOLIX_FILE_VERSION000\r\nX\r\nTRUE\r\n0\r\nY\r\nyes\r\n",
       "Line 6: yes: This string cannot be converted to a boolean value."},
      {"colour.txt", "A_VALID_VANDREMOLIX_FILE_VERSION000\r\nX\r\nfalse\r\nred\r\n",
       "Line 4: 'red' is not a valid integer value"},
      {"count.txt", File("many\r\n"), "Line 32: 'many' is not a valid integer value"},
      {"number.txt",
       File("2\r\nA\r\n1\r\n2\r\nFalse\r\n0\r\n0\r\nB\r\n1.5.2\r\n2\r\nFalse\r\n0\r\n0\r\n"),
       "Line 40: '1.5.2' is not a valid floating point value"},
      // The record's other lines are read before Add converts its numbers.
      {"both.txt", File("1\r\nA\r\nx\r\n2\r\nmaybe\r\n0\r\n0\r\n"),
       "Line 36: maybe: This string cannot be converted to a boolean value."},
      {"psi.txt", File("1\r\nA\r\n1\r\n\r\nFalse\r\n0\r\n0\r\n"),
       "Line 35: '' is not a valid floating point value"},
      {"short.txt", File("3\r\nA\r\n1\r\n2\r\nFalse\r\n0\r\n0\r\n"),
       "Line 42: : This string cannot be converted to a boolean value."},
      {"huge-count.txt", File("2147483647\r\n"),
       "Line 36: : This string cannot be converted to a boolean value."},
      {"negative-count.txt", File("-5\r\n"), "'-5' on line 32 is not a valid joint count"},
      {"negative-count-with-joints.txt", File("-1\r\nA\r\n1\r\n2\r\nFalse\r\n0\r\n0\r\n"),
       "'-1' on line 32 is not a valid joint count"},
      {"bom-only.txt", "\xEF\xBB\xBF", "File type incompatible (%)"},
      {"two-boms.txt", "\xEF\xBB\xBF" + File("0\r\n").insert(0, "\xEF\xBB\xBF"),
       "File type incompatible (%)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    dialogs->Messages.clear();
    form = std::make_unique<TfrmMain>();
    form->show();
    ChangeGroup(0, "Mine", true, clRed);
    AddJoint("kept", "1", "1", 0);
    AddJoint("single", "10", "20");
    const std::vector<std::string> before = State();
    form->edtJointBeta->setText("5");
    const std::string path = Write(c.Name, c.Content);
    Open(path);
    std::string expected = c.Message;
    if (const size_t at = expected.find('%'); at != std::string::npos)
      expected.replace(at, 1, path);
    EXPECT_EQ(LastMessage(), expected);
    EXPECT_EQ(State(), before);
    EXPECT_TRUE(form->edtJointBeta->text().isEmpty());  // the reset ran
  }
}

TEST_F(DataFile, MessagesNameTheLineAndQuoteALongValueByItsBeginning) {
  const std::string digits(ExcerptLength, '7'), shown = digits + "\u2026";
  const struct {
    const char* Name;
    std::string Content;
    std::string Message;
  } cases[] = {
      {"count.txt", File(digits + "7\r\n"),
       "Line 32: '" + shown + "' is not a valid integer value"},
      {"count-whole.txt", File(std::string(ExcerptLength - 1, '7') + "x\r\n"),
       "Line 32: '" + std::string(ExcerptLength - 1, '7') + "x' is not a valid integer value"},
      // Far longer than a message box lays out in good time.
      {"long-count.txt", File(digits + std::string(20000, '7') + "\r\n"),
       "Line 32: '" + shown + "' is not a valid integer value"},
      {"blank-count.txt", File(std::string(20000, ' ') + "-5\r\n"),
       "'" + std::string(ExcerptLength, ' ') + "\u2026' on line 32 is not a valid joint count"},
      {"active.txt", "A_VALID_VANDREMOLIX_FILE_VERSION000\r\nX\r\n" + digits + "7\r\n",
       "Line 3: " + shown + ": This string cannot be converted to a boolean value."},
      {"psi.txt", File("1\r\nA\r\n1\r\n" + digits + "x\r\nFalse\r\n0\r\n0\r\n"),
       "Line 35: '" + shown + "' is not a valid floating point value"},
      {"colour.txt", File("1\r\nA\r\n1\r\n2\r\nFalse\r\n0\r\n" + digits + "7\r\n"),
       "Line 38: '" + shown + "' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    dialogs->Messages.clear();
    Open(Write(c.Name, c.Content));
    ASSERT_EQ(dialogs->Messages.size(), 1u);
    EXPECT_EQ(LastMessage(), c.Message);
  }
}

TEST_F(DataFile, OpenGivesWhatTheCommandsGive) {
  Open(Write(
      "mixed.txt",
      "A_VALID_VANDREMOLIX_FILE_VERSION000\r\n"
      "Bedding\r\nTrue\r\n32768\r\n"
      "Faults\r\nfalse\r\n255\r\n"
      "Cleavage\r\nTRUE\r\n-5\r\n" +
          [] {
            std::string rest;
            for (int i = 3; i < 10; ++i) rest += "G" + std::to_string(i) + "\r\nFalse\r\n0\r\n";
            return rest;
          }() +
          "5\r\n"
          "J1\r\n120.5\r\n45\r\nFalse\r\n-1\r\n16711680\r\n"
          "B1\r\n10\r\n80\r\nTrue\r\n0\r\n65280\r\n"
          "\r\n1e2\r\n 7 \r\nfalse\r\n3\r\n0\r\n"
          "B2\r\n20\r\n70\r\ntrue\r\n0\r\n$FF\r\n"
          "C1\r\n-30\r\n1.0000000000000002\r\nTrue\r\n2\r\n0\r\n"));
  ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
  const std::vector<std::string> opened = State();

  form = std::make_unique<TfrmMain>();
  form->show();
  ChangeGroup(0, "Bedding", true, 32768);
  ChangeGroup(1, "Faults", false, 255);
  ChangeGroup(2, "Cleavage", true, -5);
  for (int i = 3; i < 10; ++i) ChangeGroup(i, "G" + std::to_string(i), false);
  const auto add = [&](const char* caption, const char* beta, const char* psi, bool inGroup,
                       int choice, TColor color) {
    form->edtJointCaption->setText(caption);
    form->edtJointBeta->setText(beta);
    form->edtJointPsi->setText(psi);
    form->chkInGroup->setChecked(inGroup);
    form->cmbGroups->setCurrentIndex(choice);
    form->shpJointColor->SetBrushColor(color);
    Click(form->btnJointAdd);
  };
  add("J1", "120.5", "45", false, -1, 16711680);
  add("B1", "10", "80", true, 0, 65280);
  add("", "1e2", " 7 ", false, 3, 0);
  add("B2", "20", "70", true, 0, 255);
  add("C1", "-30", "1.0000000000000002", true, 2, 0);
  EXPECT_EQ(State(), opened);
  EXPECT_EQ(form->GetJoints()[2]->GroupIndex, 3);
}

TEST_F(DataFile, JointsOfAGroupThatDoesNotExistLoadAsSingleJointsAndAreNamed) {
  const auto joint = [](const std::string& caption, bool inGroup, int group) {
    return caption + "\r\n1\r\n2\r\n" + (inGroup ? "True" : "False") + "\r\n" +
           std::to_string(group) + "\r\n255\r\n";
  };
  const struct {
    std::vector<std::pair<bool, int>> Joints;  // InGroup, GroupIndex
    std::string Message;                       // "": none
  } cases[] = {
      {{{true, 12}, {false, 0}, {true, -1}, {true, 9}},
       "2 joints were loaded without their group: the group number on lines 37 and 49 is not one "
       "of 0 to 9."},
      {{{false, 12}, {true, 0}}, ""},
      {{{true, 10}},
       "1 joint was loaded without its group: the group number on line 37 is not one "
       "of 0 to 9."},
      {std::vector<std::pair<bool, int>>(12, {true, -7}),
       "12 joints were loaded without their group: the group number on lines 37, 43, 49, 55, 61, "
       "67, 73, 79, 85, 91 and 2 more is not one of 0 to 9."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message);
    dialogs->Messages.clear();
    std::string records = std::to_string(c.Joints.size()) + "\r\n";
    for (size_t i = 0; i < c.Joints.size(); ++i)
      records += joint("J" + std::to_string(i), c.Joints[i].first, c.Joints[i].second);
    Open(Write("groups.txt", File(records)));
    EXPECT_EQ(LastMessage(), c.Message);
    if (!c.Message.empty()) {
      ASSERT_EQ(dialogs->Messages.size(), 1u);
      EXPECT_EQ(dialogs->Messages[0].Type, mtWarning);
    }
    ASSERT_EQ(form->GetJoints().Count(), static_cast<int>(c.Joints.size()));
    for (size_t i = 0; i < c.Joints.size(); ++i) {
      const TJoint& loaded = *form->GetJoints()[static_cast<int>(i)];
      const bool exists = c.Joints[i].second >= 0 && c.Joints[i].second <= 9;
      EXPECT_EQ(loaded.InGroup, c.Joints[i].first && exists) << i;
      EXPECT_EQ(loaded.Caption, "J" + std::to_string(i));
      EXPECT_EQ(loaded.Beta, 1);
      EXPECT_EQ(loaded.Psi, 2);
      EXPECT_EQ(loaded.Color, 255);
    }
  }
  // Saved again, the file keeps every joint.
  EXPECT_NE(Save("again.txt").find("J11\r\n1\r\n2\r\nFalse\r\n-1\r\n255\r\n"), std::string::npos);
}

TEST_F(DataFile, RecordsAfterTheCountedJointsAreNamed) {
  const auto joints = [](int from, int to) {
    std::string records;
    for (int i = from; i < to; ++i)
      records += "J" + std::to_string(i) + "\r\n1\r\n2\r\nFalse\r\n0\r\n0\r\n";
    return records;
  };
  const struct {
    const char* Name;
    std::string Records;  // after the groups
    int Loaded;
    std::string Message;  // "": none
  } cases[] = {
      {"one more", "199\r\n" + joints(0, 200), 199,
       "1 record after the counted joints was not loaded: the joint count on line 32 is 199, and "
       "the record begins on line 1227."},
      {"none counted", "0\r\n" + joints(0, 2), 0,
       "2 records after the counted joints were not loaded: the joint count on line 32 is 0, and "
       "the records begin on lines 33 and 39."},
      {"part of a record", "1\r\n" + joints(0, 1) + "J1\r\n1\r\n", 1,
       "1 record after the counted joints was not loaded: the joint count on line 32 is 1, and "
       "the record begins on line 39."},
      {"text after empty lines", "1\r\n" + joints(0, 1) + "\r\n\r\n\r\n\r\n\r\n\r\n\r\nx\r\n", 1,
       "2 records after the counted joints were not loaded: the joint count on line 32 is 1, and "
       "the records begin on lines 39 and 45."},
      {"and a joint without its group", "1\r\nJ0\r\n1\r\n2\r\nTrue\r\n12\r\n0\r\n" + joints(1, 2),
       1,
       "1 joint was loaded without its group: the group number on line 37 is not one of 0 to 9."
       "\n\n1 record after the counted joints was not loaded: the joint count on line 32 is 1, "
       "and the record begins on line 39."},
      // An editor may end the text with line breaks of its own.
      {"empty lines at the end", "1\r\n" + joints(0, 1) + "\r\n\n\r\n", 1, ""},
      {"exactly the count", "2\r\n" + joints(0, 2), 2, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    dialogs->Messages.clear();
    Open(Write("rest.txt", File(c.Records)));
    EXPECT_EQ(LastMessage(), c.Message);
    if (!c.Message.empty()) {
      ASSERT_EQ(dialogs->Messages.size(), 1u);
      EXPECT_EQ(dialogs->Messages[0].Type, mtWarning);
    }
    EXPECT_EQ(form->GetJoints().Count(), c.Loaded);
    EXPECT_EQ(form->lboJoints->count(), c.Loaded);
  }
}

TEST_F(DataFile, AByteOrderMarkBeforeTheSignatureIsNoPartOfTheFile) {
  const std::string Mark = "\xEF\xBB\xBF";
  const std::string plain = File("2\r\nGrés\r\n10\r\n20\r\nTrue\r\n3\r\n255\r\n" + Mark +
                                 "J\r\n1\r\n2\r\nFalse\r\n-1\r\n0\r\n");
  Open(Write("plain.txt", plain));
  ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
  const std::vector<std::string> opened = State();
  ASSERT_EQ(form->GetJoints().Count(), 2);
  EXPECT_EQ(form->GetJoints()[1]->Caption, Mark + "J");  // only the file's first bytes are a mark

  form = std::make_unique<TfrmMain>();
  form->show();
  Open(Write("marked.txt", Mark + plain));
  ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
  EXPECT_EQ(State(), opened);
  EXPECT_TRUE(Save("saved.txt") == plain) << "the saved file is not the file without its mark";
}

TEST_F(DataFile, EightBitAndUtf8FilesKeepTheirText) {
  const struct {
    const char* Name;
    std::string Group, Joint;            // the two captions as the file holds them
    std::string Text;                    // both captions as read, UTF-8, with "|" between them
    std::string SavedGroup, SavedJoint;  // "" : the bytes of the file
  } cases[] = {
      {"ascii", "Bedding", "J 1", "Bedding|J 1", "", ""},
      {"8-bit", "Gr\xfcppe \x80\x93x\x94", "\x81\x8d\x8f\x90\x9d \x9e\xff",
       "Grüppe €“x”|\u0081\u008d\u008f\u0090\u009d žÿ", "", ""},
      {"utf-8", "Ωμέγα", "東 \xc2\x80", "Ωμέγα|東 \u0080", "", ""},
      // Text that 8-bit bytes can hold is written so, whatever the file held before.
      {"utf-8 in 8 bits", "Gr\xc3\xbcppe", "\xe2\x82\xac", "Grüppe|€", "Gr\xfcppe", "\x80"},
      // 8-bit bytes that would read as UTF-8, and so as other text, make the whole file UTF-8.
      {"looks like UTF-8 in 8 bits", "\xc3\x83\xc2\xa9", "\xc3\xa9", "Ã©|é", "", ""},
      // One character outside the 8-bit set makes the whole file UTF-8.
      {"mixed", "Gr\xfcppe", "Ω", "Grüppe|Ω", "Gr\xc3\xbcppe", "Ω"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto file = [](const std::string& group, const std::string& joint) {
      std::string text = "A_VALID_VANDREMOLIX_FILE_VERSION000\r\n" + group + "\r\nFalse\r\n0\r\n";
      for (int i = 1; i < 10; ++i) text += "Group " + std::to_string(i) + "\r\nFalse\r\n0\r\n";
      return text + "1\r\n" + joint + "\r\n1\r\n2\r\nFalse\r\n-1\r\n0\r\n";
    };
    const std::string original = file(c.Group, c.Joint);
    Open(Write("in.txt", original));
    ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
    ASSERT_EQ(form->GetJoints().Count(), 1);
    EXPECT_EQ(form->GetGroups()[0]->Caption + "|" + form->GetJoints()[0]->Caption, c.Text);
    EXPECT_EQ(form->lboGroups->item(0)->text().toStdString(),
              form->GetGroups()[0]->Caption + " [Inactive]");
    const std::string saved = Save("out.txt");
    EXPECT_EQ(saved, c.SavedGroup.empty() ? original : file(c.SavedGroup, c.SavedJoint));
    Open(PathOf("out.txt"));
    EXPECT_EQ(form->GetGroups()[0]->Caption + "|" + form->GetJoints()[0]->Caption, c.Text);
  }
}

TEST_F(DataFile, WhatTheEditorTakesTheFileGivesBack) {
  const double largest = std::numeric_limits<double>::max();
  const struct {
    std::string Caption, Beta, Psi;
    double ReadBeta;  // the azimuth after the round trip
  } cases[] = {
      {std::string(600000, 'x'), Typed("12.5"), "1", 12.5},
      {QString(600000, QChar(0xE9)).toStdString(), "1", "2", 1},
      {QString(1200000, QChar(0x6771)).toStdString(), "1", "2", 1},
      {"largest", FloatToStr(largest), FloatToStr(-largest), 1.79769313486231e308},
      {"tiny", "4.9e-324", "2.2250738585072014e-308", std::numeric_limits<double>::denorm_min()},
  };
  form->shpJointColor->SetBrushColor(RGB(1, 2, 3));
  for (const auto& c : cases) {
    form->edtJointCaption->setText(QString::fromStdString(c.Caption));
    ASSERT_EQ(form->edtJointCaption->text().toStdString(), c.Caption) << "the editor takes it";
    form->edtJointBeta->setText(QString::fromStdString(c.Beta));
    form->edtJointPsi->setText(QString::fromStdString(c.Psi));
    Click(form->btnJointAdd);
  }
  ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
  Save("long.txt");
  form = std::make_unique<TfrmMain>();
  form->show();
  Open(PathOf("long.txt"));
  ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
  ASSERT_EQ(form->GetJoints().Count(), static_cast<int>(std::size(cases)));
  for (int i = 0; i < form->GetJoints().Count(); ++i) {
    EXPECT_EQ(form->GetJoints()[i]->Caption, cases[i].Caption) << i;
    EXPECT_EQ(form->GetJoints()[i]->Beta, cases[i].ReadBeta) << i;
  }
}

TEST_F(DataFile, CaptionsOfAnyLengthComeBackWhole) {
  // Over a million characters each, as a file may hold them.
  const std::string group = std::string(1100000 - 1, 'g') + "G";
  const std::string joint = std::string(1200000 - 1, 'j') + "J";
  std::string text = File("1\r\n" + joint + "\r\n1\r\n2\r\nFalse\r\n-1\r\n0\r\n");
  text.replace(text.find("Group 3"), 7, group);
  Open(Write("long.txt", text));
  ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
  ASSERT_EQ(form->GetJoints().Count(), 1);
  EXPECT_EQ(form->GetGroups()[3]->Caption.size(), group.size());
  EXPECT_EQ(form->GetJoints()[0]->Caption.size(), joint.size());
  EXPECT_TRUE(Save("saved.txt") == text) << "the saved file differs from the opened one";
  // The editors show them whole, so Change keeps them too.
  form->lboGroups->setCurrentRow(3);
  EXPECT_EQ(form->edtGroupCaption->text().size(), static_cast<qsizetype>(group.size()));
  Click(form->btnGroupChange);
  form->lboJoints->setCurrentRow(0);
  EXPECT_EQ(form->edtJointCaption->text().size(), static_cast<qsizetype>(joint.size()));
  Click(form->btnJointChange);
  ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
  EXPECT_TRUE(Save("changed.txt") == text) << "Change cut a caption";
}

TEST_F(DataFile, ListsMeasureALongLineByTheBeginningTheyShow) {
  // Both far wider than a list: the lists hold them whole and measure them alike, rather than
  // laying a long line out whole at every layout and paint.
  const std::string shorter(2000, 'j'), longer(200000, 'j');
  const std::string record = "\r\n1\r\n2\r\nFalse\r\n-1\r\n0\r\n";
  std::string text = File("2\r\n" + shorter + record + longer + record);
  text.replace(text.find("Group 0"), 7, shorter);
  text.replace(text.find("Group 3"), 7, longer);
  Open(Write("long.txt", text));
  ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
  for (auto [list, first, second] : {std::tuple{form->lboJoints, 0, 1}, {form->lboGroups, 0, 3}}) {
    SCOPED_TRACE(list->objectName().toStdString());
    EXPECT_TRUE(list->item(second)->text().startsWith(QString::fromStdString(longer)));
    const auto width = [list](int row) {
      return list->sizeHintForIndex(list->model()->index(row, 0)).width();
    };
    EXPECT_EQ(width(first), width(second));
  }
}

TEST_F(DataFile, LatinOneCaptionsKeepTheirText) {
  Open(Write("latin1.txt", File("1\r\nGr\xe9s\r\n10\r\n20\r\nFalse\r\n0\r\n0\r\n")));
  ASSERT_EQ(form->GetJoints().Count(), 1);
  EXPECT_EQ(form->GetJoints()[0]->Caption, "Grés");
}

TEST_F(DataFile, MissingFilesAndWhatIsNoFileChangeNothing) {
  AddJoint("kept", "1", "1");
  form->edtJointBeta->setText("5");
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.txt"));
  // Opening a pipe with no writer would wait for one for ever.
  ASSERT_EQ(::mkfifo(PathOf("pipe.txt").c_str(), 0600), 0);
  ASSERT_TRUE(QFile::link(QString::fromStdString(PathOf("nowhere.txt")),
                          QString::fromStdString(PathOf("dangling.txt"))));
  const struct {
    const char* Name;
    const char* Message;
  } cases[] = {
      {"nowhere.txt", "File does not exist"},
      {"dangling.txt", "File does not exist"},
      {"folder.txt", "Not a regular file"},
      {"pipe.txt", "Not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Open(PathOf(c.Name));
    EXPECT_EQ(LastMessage(), c.Message + std::string(" (") + PathOf(c.Name) + ")");
    EXPECT_EQ(form->GetJoints().Count(), 1);
    EXPECT_EQ(form->edtJointBeta->text(), "5");  // no reset
  }
}

TEST_F(DataFile, FailedSavesSaySoAndLeaveTheOldFileAsItWas) {
  // Folder permissions do not bind root, which the tests may run as: the saves run in a child
  // process that has given its privileges up.
  InUnprivilegedChild([this]() -> std::string {
    MakeDataSet();
    const std::string old = "old contents";
    const struct {
      const char* Name;
      const char* Folder;  // made with a file "data.txt" in it, unless empty
      std::function<void()> Break, Mend;
      std::string Message;  // % stands for the path
    } cases[] = {
        {"missing folder", "", [] {}, [] {}, "Cannot create file \"%\". No such file or directory"},
        {"folder that takes no new files", "full",
         [this] { ::chmod(PathOf("full").c_str(), 0500); },
         [this] { ::chmod(PathOf("full").c_str(), 0700); },
         "Cannot create file \"%\". Permission denied"},
        {"read-only file", "old", [this] { ::chmod(PathOf("old/data.txt").c_str(), 0400); }, [] {},
         "Cannot create file \"%\". Permission denied"},
        // The disk fills up while the new text is written.
        {"full disk", "disk",
         [] {
           ::signal(SIGXFSZ, SIG_IGN);
           const rlimit limit{100, RLIM_INFINITY};
           ::setrlimit(RLIMIT_FSIZE, &limit);
         },
         [] {
           const rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
           ::setrlimit(RLIMIT_FSIZE, &limit);
         },
         "Cannot write file \"%\". File too large"},
    };
    std::string failures;
    for (const auto& c : cases) {
      const std::string folder = *c.Folder ? c.Folder : "missing/folder";
      const std::string path = PathOf(folder + "/data.txt");
      if (*c.Folder) {
        QDir(dir.path()).mkdir(c.Folder);
        Write(folder + "/data.txt", old);
      }
      c.Break();
      dialogs->AnswerFile(path);
      dialogs->Messages.clear();
      form->mnuSave->trigger();
      c.Mend();
      std::string expected = c.Message;
      expected.replace(expected.find('%'), 1, path);
      if (LastMessage() != expected)
        failures += std::string(c.Name) + ": message \"" + LastMessage() + "\"\n";
      if (!*c.Folder) continue;
      if (Read(path) != old) failures += std::string(c.Name) + ": the old file changed\n";
      const QStringList left = QDir(QString::fromStdString(PathOf(folder)))
                                   .entryList(QDir::Files | QDir::Hidden | QDir::System);
      if (left != QStringList({"data.txt"}))
        failures += std::string(c.Name) + ": left " + left.join(' ').toStdString() + "\n";
    }
    return failures;
  });
}

TEST_F(DataFile, AMillionJointsOpenOrSayTheyCannot) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer keeps more address space than any limit leaves";
#endif
  // The limit on the address space is set in a child process, where nothing else runs short.
  InChild([this]() -> std::string {
    ChangeGroup(0, "Mine", true, clRed);
    AddJoint("kept", "1", "1", 0);
    const std::vector<std::string> before = State();
    std::string text = File("1000000\r\n");
    for (int j = 0; j < 1000000; ++j)
      text += "J" + std::to_string(j) + "\r\n" + std::to_string(j % 360) + "\r\n" +
              std::to_string(j % 90) + "\r\n" + (j % 2 ? "True" : "False") + "\r\n" +
              std::to_string(j % 10) + "\r\n0\r\n";
    const std::string path = Write("million.txt", text);
    text = std::string();
    std::string failures;
    // Room for the file but not its replay, then for some of the replay.
    for (const long headroom : {16, 64, 160}) {
      const std::string name = std::to_string(headroom) + " MB: ";
      dialogs->Messages.clear();
      const rlimit limit{static_cast<rlim_t>(AddressSpace() + (headroom << 20)), RLIM_INFINITY};
      ::setrlimit(RLIMIT_AS, &limit);
      Open(path);
      const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
      ::setrlimit(RLIMIT_AS, &none);
      const int joints = form->GetJoints().Count();
      if (joints == 1000000 && form->lboJoints->count() == joints) continue;
      if (LastMessage() != "Not enough memory to open the file (" + path + ")")
        failures += name + "message \"" + LastMessage() + "\"\n";
      if (State() != before) failures += name + "the data set changed\n";
    }
    return failures;
  });
}

TEST_F(DataFile, SaveKeepsTheOldFilesModeAndOwner) {
  std::vector<mode_t> modes = {0600, 0640, 0604, 0660, 0755};
  if (::geteuid() == 0) modes.push_back(0444);  // only root may replace a read-only file
  for (const mode_t mode : modes) {
    SCOPED_TRACE(mode);
    const std::string path = Write("moded.txt", "old contents");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    dialogs->AnswerFile(path);
    form->mnuSave->trigger();
    ASSERT_TRUE(dialogs->Messages.empty()) << LastMessage();
    EXPECT_EQ(Read(path), Read(TEST_DATA_DIR "/startup.txt"));
    struct stat saved {};
    ASSERT_EQ(::stat(path.c_str(), &saved), 0);
    EXPECT_EQ(saved.st_mode & 07777, mode);
    if (::geteuid() == 0) {
      EXPECT_EQ(saved.st_uid, 65534u);
      EXPECT_EQ(saved.st_gid, 65534u);
    }
  }
}

TEST_F(DataFile, SaveThroughALinkReplacesItsTarget) {
  const std::string target = Write("target.txt", "old contents");
  ASSERT_TRUE(
      QFile::link(QString::fromStdString(target), QString::fromStdString(PathOf("link.txt"))));
  Save("link.txt");
  EXPECT_TRUE(QFileInfo(QString::fromStdString(PathOf("link.txt"))).isSymLink());
  EXPECT_EQ(Read(target), Read(TEST_DATA_DIR "/startup.txt"));
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
