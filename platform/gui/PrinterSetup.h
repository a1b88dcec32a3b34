#pragma once
// The Print Setup box: which printer the prints go to, on what paper and which way up. The
// dialog service shows it; the printer it sets up is the one every later print uses.

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPrinter;
class QRadioButton;

class TPrinterSetupBox : public QDialog {
 public:
  // The entry of the printer list that writes a PDF file instead of printing.
  static const QString PdfFile;

  // Offers `printers` and a PDF file, each with its paper sizes, starting from the printer's
  // present settings; nothing changes until Apply.
  TPrinterSetupBox(QPrinter& printer, const QStringList& printers, QWidget* parent = nullptr);
  // Gives the printer the choices shown.
  void Apply();

  QComboBox* PrinterName;
  QLineEdit* FileName;  // for a PDF file only
  QComboBox* PaperSize;
  QRadioButton* Portrait;
  QRadioButton* Landscape;

 private:
  void ShowPrinter();
  QPrinter& FPrinter;
};
