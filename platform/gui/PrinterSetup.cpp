#include "platform/gui/PrinterSetup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

const QString TPrinterSetupBox::PdfFile = "PDF file";

namespace {

// The sizes a PDF file, or a printer that names none, is offered.
const QPageSize::PageSizeId CommonSizes[] = {
    QPageSize::A3,     QPageSize::A4,    QPageSize::A5,        QPageSize::B5,
    QPageSize::Letter, QPageSize::Legal, QPageSize::Executive, QPageSize::Tabloid};

}  // namespace

TPrinterSetupBox::TPrinterSetupBox(QPrinter& printer, const QStringList& printers, QWidget* parent)
    : QDialog(parent), FPrinter(printer) {
  setWindowTitle("Print Setup");
  PrinterName = new QComboBox;
  PrinterName->addItems(printers);
  PrinterName->addItem(PdfFile);
  FileName = new QLineEdit(printer.outputFileName());
  PaperSize = new QComboBox;
  Portrait = new QRadioButton("Portrait");
  Landscape = new QRadioButton("Landscape");

  auto* printerBox = new QGroupBox("Printer");
  auto* printerForm = new QFormLayout(printerBox);
  printerForm->addRow("Name:", PrinterName);
  printerForm->addRow("File:", FileName);
  auto* paperBox = new QGroupBox("Paper");
  auto* paperForm = new QFormLayout(paperBox);
  paperForm->addRow("Size:", PaperSize);
  auto* orientationBox = new QGroupBox("Orientation");
  auto* orientation = new QVBoxLayout(orientationBox);
  orientation->addWidget(Portrait);
  orientation->addWidget(Landscape);
  auto* pageRow = new QHBoxLayout;
  pageRow->addWidget(paperBox);
  pageRow->addWidget(orientationBox);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(printerBox);
  layout->addLayout(pageRow);
  layout->addWidget(buttons);

  const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
  const int current = printers.indexOf(printer.printerName());
  PrinterName->setCurrentIndex(toFile || current < 0 ? PrinterName->count() - 1 : current);
  (printer.pageLayout().orientation() == QPageLayout::Landscape ? Landscape : Portrait)
      ->setChecked(true);
  ShowPrinter();

  connect(PrinterName, &QComboBox::currentIndexChanged, this, [this] { ShowPrinter(); });
  // A PDF file needs a name to be written under.
  const auto updateOk = [this, buttons] {
    buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(PrinterName->currentText() != PdfFile || !FileName->text().isEmpty());
  };
  connect(PrinterName, &QComboBox::currentIndexChanged, this, updateOk);
  connect(FileName, &QLineEdit::textChanged, this, updateOk);
  updateOk();
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TPrinterSetupBox::ShowPrinter() {
  const bool toFile = PrinterName->currentText() == PdfFile;
  FileName->setEnabled(toFile);
  QList<QPageSize> sizes;
  if (!toFile) sizes = QPrinterInfo::printerInfo(PrinterName->currentText()).supportedPageSizes();
  if (sizes.isEmpty())
    for (const QPageSize::PageSizeId id : CommonSizes) sizes << QPageSize(id);
  const QPageSize chosen = PaperSize->count() > 0 ? PaperSize->currentData().value<QPageSize>()
                                                  : FPrinter.pageLayout().pageSize();
  PaperSize->clear();
  for (const QPageSize& size : sizes) PaperSize->addItem(size.name(), QVariant::fromValue(size));
  int keep = 0;
  for (int i = 0; i < sizes.size(); ++i)
    if (sizes[i].isEquivalentTo(chosen)) keep = i;
  PaperSize->setCurrentIndex(keep);
}

void TPrinterSetupBox::Apply() {
  if (PrinterName->currentText() == PdfFile) {
    FPrinter.setOutputFormat(QPrinter::PdfFormat);
    FPrinter.setOutputFileName(FileName->text());
  } else {
    FPrinter.setOutputFileName(QString());
    FPrinter.setPrinterName(PrinterName->currentText());
  }
  FPrinter.setPageSize(PaperSize->currentData().value<QPageSize>());
  FPrinter.setPageOrientation(Landscape->isChecked() ? QPageLayout::Landscape
                                                     : QPageLayout::Portrait);
}
