// The fixtures themselves: scripted dialogs answer in order and catch unscripted questions; the
// live context is a real compatibility context that draws.
#include <GL/gl.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/gui/Dialogs.h"
#include "tests/support/LiveGL.h"
#include "tests/support/ScriptedDialogs.h"

TEST(ScriptedDialogs, AnswersInOrderAndRecords) {
  TScriptedDialogsScope dialogs;
  dialogs->AnswerMessage(mrNo);
  dialogs->AnswerFile(std::string("/tmp/a"));
  dialogs->AnswerFile(std::nullopt);

  EXPECT_EQ(MessageDlg("Continue?", mtConfirmation, mbYes | mbNo), mrNo);
  EXPECT_EQ(MessageDlg("Notice", mtError, mbOK), mrOk);  // needs no answer
  TSaveDialog save;
  save.DefaultExt = "txt";
  EXPECT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName, "/tmp/a.txt");
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(save.FileName, "/tmp/a.txt");

  ASSERT_EQ(dialogs->Messages.size(), 2u);
  EXPECT_EQ(dialogs->Messages[0].Caption, "Vandremolixic projection");
  EXPECT_EQ(dialogs->Messages[1].Text, "Notice");
  EXPECT_TRUE(dialogs->FileRequests[0].Save);
}

TEST(ScriptedDialogs, UnscriptedQuestionFailsAndCancels) {
  TScriptedDialogs dialogs;
  int answer = -1;
  EXPECT_NONFATAL_FAILURE(
      answer = dialogs.MessageBox(nullptr, "", "?", mtConfirmation, mbYes | mbNo),
      "unscripted message dialog");
  EXPECT_EQ(answer, mrCancel);
  TColor color = clNavy;
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(dialogs.ExecuteColor(nullptr, color)), "unscripted colour");
  EXPECT_EQ(color, clNavy);
}

TEST(Filters, DescriptionPatternPairsBecomeQtFilters) {
  EXPECT_EQ(QtFilter("Text file (*.txt)|*.txt"), "Text file (*.txt)");
  EXPECT_EQ(QtFilter("Bitmaps|*.bmp;*.dib|All|*"), "Bitmaps (*.bmp *.dib);;All (*)");
  EXPECT_EQ(WithDefaultExt("/x/net", "bmp"), "/x/net.bmp");
  EXPECT_EQ(WithDefaultExt("/x/net.BMP", "bmp"), "/x/net.BMP");
  EXPECT_EQ(WithDefaultExt("/x.d/net", ""), "/x.d/net");
}

using LiveGL = LiveGLTest;

TEST_F(LiveGL, CompatibilityContextClearsAndReadsBack) {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  ASSERT_NE(version, nullptr);
  glBegin(GL_POINTS);  // fixed-function entry points must exist
  glEnd();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << version;
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  const QImage image = ReadPixels();
  EXPECT_EQ(image.size(), QSize(Width, Height));
  EXPECT_EQ(image.pixelColor(10, 10), QColor(255, 0, 0));
}
