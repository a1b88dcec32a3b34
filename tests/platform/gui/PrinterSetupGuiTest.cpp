// Print Setup: the printers it offers, the paper and orientation it shows, and what it gives
// the printer on OK and on Cancel; printing where there is no printer.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/gui/Dialogs.h"
#include "platform/gui/PrinterSetup.h"
#include "platform/gui/Printers.h"
#include "platform/rtl/SysUtils.h"

namespace {

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

class PrinterSetup : public testing::Test {
 protected:
  void SetUp() override {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("before.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
  }

  QTemporaryDir dir;
  QPrinter printer{QPrinter::HighResolution};
};

}  // namespace

TEST_F(PrinterSetup, OffersEveryPrinterAndAFileStartingFromThePrintersSettings) {
  TPrinterSetupBox box(printer, {"Office", "Plotter"});
  EXPECT_EQ(box.windowTitle(), "Print Setup");
  EXPECT_EQ(Items(box.PrinterName), QStringList({"Office", "Plotter", "PDF file"}));
  EXPECT_EQ(box.PrinterName->currentText(), "PDF file");
  EXPECT_TRUE(box.FileName->isEnabled());
  EXPECT_EQ(box.FileName->text(), dir.filePath("before.pdf"));
  EXPECT_EQ(box.PaperSize->currentText(), QPageSize(QPageSize::A4).name());
  EXPECT_TRUE(Items(box.PaperSize).contains(QPageSize(QPageSize::Letter).name()));
  EXPECT_TRUE(box.Portrait->isChecked());
  // A printer has no file name, and its paper stays chosen where it has that size.
  box.PrinterName->setCurrentText("Plotter");
  EXPECT_FALSE(box.FileName->isEnabled());
  EXPECT_EQ(box.PaperSize->currentText(), QPageSize(QPageSize::A4).name());
}

TEST_F(PrinterSetup, OkGivesThePrinterTheChoicesAndCancelNothing) {
  for (const bool ok : {false, true}) {
    SCOPED_TRACE(ok);
    TPrinterSetupBox box(printer, {});
    box.FileName->setText(dir.filePath("after.pdf"));
    box.PaperSize->setCurrentText(QPageSize(QPageSize::A5).name());
    box.Landscape->setChecked(true);
    if (ok) box.Apply();
    EXPECT_EQ(printer.outputFileName(), dir.filePath(ok ? "after.pdf" : "before.pdf"));
    EXPECT_EQ(printer.pageLayout().pageSize().id(), ok ? QPageSize::A5 : QPageSize::A4);
    EXPECT_EQ(printer.pageLayout().orientation(),
              ok ? QPageLayout::Landscape : QPageLayout::Portrait);
  }
}

TEST_F(PrinterSetup, APdfFileNeedsAName) {
  TPrinterSetupBox box(printer, {"Office"});
  auto* ok = box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  EXPECT_TRUE(ok->isEnabled());
  box.FileName->clear();
  EXPECT_FALSE(ok->isEnabled());
  box.PrinterName->setCurrentText("Office");
  EXPECT_TRUE(ok->isEnabled());
}

// The dialog service shows the box for the application's printer, with the installed printers.
TEST_F(PrinterSetup, PrintSetupShowsTheBoxWithTheInstalledPrinters) {
  TDialogService* scripted = &Dialogs();
  SetDialogService(nullptr);
  QStringList offered;
  QTimer::singleShot(0, [&] {
    if (auto* box = dynamic_cast<TPrinterSetupBox*>(QApplication::activeModalWidget())) {
      offered = Items(box->PrinterName);
      box->reject();
    }
  });
  QTimer safety;  // should the box not be found, it is closed all the same
  safety.setSingleShot(true);
  QObject::connect(&safety, &QTimer::timeout, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  safety.start(5000);
  TPrinterSetupDialog dialog;
  EXPECT_FALSE(dialog.Execute());
  SetDialogService(scripted);
  EXPECT_EQ(offered, QPrinterInfo::availablePrinterNames() << TPrinterSetupBox::PdfFile);
}

// Where no printer is installed, Qt's printer stands on a PDF file without a name. Printing there
// says so and where to choose one, and leaves the printer free to take what Print Setup chooses.
TEST_F(PrinterSetup, WithNoPrinterPrintingSaysWhereToChooseOne) {
  QPrinter& application = Printer();
  application.setOutputFileName(QString());
  application.setOutputFormat(QPrinter::PdfFormat);
  QPainter painter;
  for (int attempt = 0; attempt < 2; ++attempt)
    EXPECT_TRUE(Raises<Exception>([&] { BeginPrint(painter); },
                                  "There is no printer to print to.\nChoose a printer or a PDF "
                                  "file in File > Print Setup."));
  EXPECT_FALSE(painter.isActive());

  TPrinterSetupBox box(application, {});
  box.FileName->setText(dir.filePath("chosen.pdf"));
  box.Apply();
  ASSERT_NO_THROW(BeginPrint(painter));
  painter.drawText(100, 100, "J1");
  EXPECT_TRUE(painter.end());
  EXPECT_GT(QFileInfo(dir.filePath("chosen.pdf")).size(), 0);
}
