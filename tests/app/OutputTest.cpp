// Printing, the bitmap file, the clipboard picture, About and Exit.
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <map>

#include "platform/gui/Printers.h"
#include "tests/app/MainWindowFixture.h"

namespace {

class Output : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    pdf = dir.filePath("print.pdf");
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(pdf);
  }

  int PdfPages() const {
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return QString::fromLatin1(file.readAll()).count(QRegularExpression("/Type\\s*/Page(?!s)"));
  }

  // The first page of a printed file as it looks, at a low resolution; a null image when it
  // cannot be rasterised.
  QImage PageImage(const QString& file) const {
    const QString base = file + "-page";
    QProcess pdftoppm;
    pdftoppm.start("pdftoppm", {"-r", "24", "-png", "-singlefile", file, base});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0) {
      ADD_FAILURE() << "pdftoppm (poppler-utils) could not rasterise " << file.toStdString() << ": "
                    << pdftoppm.errorString().toStdString();
      return {};
    }
    return QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
  }

  QTemporaryDir dir;
  QString pdf;
};

// The smallest rectangle that holds every pixel that is not white.
QRect Inked(const QImage& image) {
  QRect inked;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) inked |= QRect(x, y, 1, 1);
  return inked;
}

}  // namespace

TEST_F(Output, CancelledDialogsDoNothing) {
  dialogs->AnswerPrint(false);
  dialogs->AnswerFile(std::nullopt);
  dialogs->AnswerPrinterSetup(false);
  form->mnuPrint->trigger();
  form->mnuSaveBitmap->trigger();
  form->mnuPrintSetup->trigger();
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
  EXPECT_EQ(dialogs->PrintRequests, 1);
  EXPECT_EQ(dialogs->PrinterSetupRequests, 1);
  EXPECT_TRUE(dialogs->Messages.empty());
}

TEST_F(Output, PrintFillsOnePage) {
  AddJoint("J1", "120", "45");
  dialogs->AnswerPrint(true);
  form->mnuPrint->trigger();
  EXPECT_EQ(PdfPages(), 1);
  TChart* chart = form->VandremolixicChart;
  EXPECT_FALSE(chart->GetPrintProportional());
  EXPECT_TRUE(dialogs->Messages.empty());
  // The page is filled by a drawing of the page's proportions, and the screen keeps its ranges.
  const QRect page = Printer().pageLayout().paintRectPixels(Printer().resolution());
  const QSize size = chart->PrintSize();
  EXPECT_EQ(size.width(), chart->width());
  EXPECT_NEAR(double(size.height()) / size.width(), double(page.height()) / page.width(), 0.01);
  EXPECT_EQ(chart->BottomAxis().GetMaximum(), 1.05);
  EXPECT_EQ(chart->LeftAxis().GetMaximum(), 1.05);
}

TEST_F(Output, PrintWindowGivesOnePage) {
  form->mnuPrintWindow->trigger();
  EXPECT_EQ(PdfPages(), 1);
  EXPECT_TRUE(dialogs->Messages.empty());
}

TEST_F(Output, EveryJobGivesTheSamePageWhateverCameBefore) {
  AddJoint("J1", "120", "45");
  const char* const jobs[] = {"window", "net", "net",    "bitmap",
                              "window", "net", "window", "bitmap"};
  std::map<std::string, QImage> first;
  for (size_t i = 0; i < std::size(jobs); ++i) {
    const std::string job = jobs[i];
    SCOPED_TRACE(std::to_string(i) + " " + job);
    const QString file = dir.filePath(QString("%1-%2").arg(i).arg(jobs[i]));
    QImage page;
    if (job == "bitmap") {
      dialogs->AnswerFile(file.toStdString() + ".bmp");
      form->mnuSaveBitmap->trigger();
      page = QImage(file + ".bmp");
    } else {
      Printer().setOutputFileName(file + ".pdf");
      if (job == "net") dialogs->AnswerPrint(true);
      (job == "net" ? form->mnuPrint : form->mnuPrintWindow)->trigger();
      page = PageImage(file + ".pdf");
    }
    ASSERT_TRUE(dialogs->Messages.empty()) << dialogs->Messages.back().Text;
    ASSERT_FALSE(page.isNull());
    if (!first.count(job)) {
      first[job] = page;
      continue;
    }
    EXPECT_EQ(page.size(), first[job].size());
    EXPECT_TRUE(page == first[job]) << "the page differs from the first of its kind";
    EXPECT_EQ(Inked(page), Inked(first[job]));
  }
  // The window's page shows the whole window, not a part of it.
  const QRect window = Inked(first["window"]);
  const QSize client = form->ClientArea->size();
  EXPECT_NEAR(double(window.width()) / window.height(), double(client.width()) / client.height(),
              0.05);
}

TEST_F(Output, PrinterErrorsReachTheErrorBox) {
  Printer().setOutputFileName(dir.filePath("missing/folder/print.pdf"));
  form->mnuPrintWindow->trigger();
  ASSERT_EQ(dialogs->Messages.size(), 1u);
  EXPECT_EQ(dialogs->Messages[0].Text.rfind("Cannot print to the file", 0), 0u);
  EXPECT_EQ(dialogs->Messages[0].Type, mtError);
}

// Where no printer is installed, Qt's printer stands on a PDF file without a name.
TEST_F(Output, WithNoPrinterPrintingSaysWhereToChooseOneAndChangesNothing) {
  AddJoint("J1", "120", "45");
  Printer().setOutputFileName(QString());
  Printer().setOutputFormat(QPrinter::PdfFormat);
  const QStringList joints = Lines(form->lboJoints);
  const QImage window = form->ClientArea->grab().toImage();
  dialogs->AnswerPrint(true);
  for (QAction* command : {form->mnuPrintWindow, form->mnuPrint}) {
    SCOPED_TRACE(command->text().toStdString());
    dialogs->Messages.clear();
    command->trigger();
    ASSERT_EQ(dialogs->Messages.size(), 1u);
    EXPECT_EQ(dialogs->Messages[0].Text,
              "There is no printer to print to.\nChoose a printer or a PDF file in File > Print "
              "Setup.");
    EXPECT_EQ(dialogs->Messages[0].Type, mtError);
    EXPECT_EQ(Lines(form->lboJoints), joints);
    EXPECT_TRUE(form->ClientArea->grab().toImage() == window);
  }
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(Output, BitmapHasTheChartsSizeOnWhiteAndGrowsWithTheWindow) {
  for (QSize client : {QSize(713, 390), QSize(900, 500)}) {
    ASSERT_TRUE(ResizeClientTo(client));
    const QString file = dir.filePath(QString("net%1").arg(client.width()));
    dialogs->AnswerFile(file.toStdString());
    form->mnuSaveBitmap->trigger();
    ASSERT_EQ(dialogs->FileRequests.back().Title, "Save as bitmap...");
    QImage image(file + ".bmp", "BMP");  // the default extension was added
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), form->VandremolixicChart->size());
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
  }
  EXPECT_EQ(QImage(dir.filePath("net900.bmp")).width(), 352 + 900 - 713);
}

TEST_F(Output, CopyPutsAVectorPictureOfTheChartsSizeAndNoImage) {
  QApplication::clipboard()->setText("before");
  form->mnuCopy->trigger();
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasFormat("image/svg+xml"));
  EXPECT_FALSE(data->hasImage());
  EXPECT_FALSE(data->hasText());
  const QString svg = QString::fromUtf8(data->data("image/svg+xml"));
  // It is the net: drawing a joint adds to the picture.
  AddJoint("J1", "120", "45");
  form->mnuCopy->trigger();
  const QString withJoint =
      QString::fromUtf8(QApplication::clipboard()->mimeData()->data("image/svg+xml"));
  EXPECT_GT(withJoint.count("<path") + withJoint.count("<polyline"),
            svg.count("<path") + svg.count("<polyline"));
  EXPECT_TRUE(withJoint.contains("J1"));
  EXPECT_TRUE(svg.contains(QString("viewBox=\"0 0 %1 %2\"").arg(352 - 1).arg(378 - 1)))
      << svg.left(400).toStdString();
}

TEST_F(Output, AboutIsAPlainBoxCaptionedWithTheTitle) {
  form->mnuAbout->trigger();
  ASSERT_EQ(dialogs->Messages.size(), 1u);
  EXPECT_EQ(dialogs->Messages[0].Caption, "Vandremolixic projection");
  EXPECT_EQ(dialogs->Messages[0].Type, mtCustom);
  EXPECT_EQ(dialogs->Messages[0].Buttons, mbOK);
  EXPECT_NE(dialogs->Messages[0].Text.find("Vandremolix 1.0"), std::string::npos);
}

TEST_F(Output, ExitEndsTheMessageLoop) {
  QTimer::singleShot(0, form.get(), [this] { form->mnuExit->trigger(); });
  QTimer::singleShot(10000, [] { QApplication::exit(1); });  // a safety net only
  EXPECT_EQ(QApplication::exec(), 0);
}
