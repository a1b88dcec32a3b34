#include "platform/gui/Dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QStringList>

#include "platform/gui/Forms.h"
#include "platform/gui/GuiColors.h"
#include "platform/gui/PrinterSetup.h"
#include "platform/gui/Printers.h"

namespace {

class TQtDialogService : public TDialogService {
 public:
  int MessageBox(QWidget* parent, const std::string& caption, const std::string& text,
                 TMsgDlgType type, TMsgDlgButtons buttons) override {
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (type) {
      case mtWarning:
        box.setIcon(QMessageBox::Warning);
        break;
      case mtError:
        box.setIcon(QMessageBox::Critical);
        break;
      case mtInformation:
        box.setIcon(QMessageBox::Information);
        break;
      case mtConfirmation:
        box.setIcon(QMessageBox::Question);
        break;
      case mtCustom:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    QMessageBox::StandardButtons standard;
    if (buttons & mbYes) standard |= QMessageBox::Yes;
    if (buttons & mbNo) standard |= QMessageBox::No;
    if (buttons & mbOK) standard |= QMessageBox::Ok;
    if (buttons & mbCancel) standard |= QMessageBox::Cancel;
    box.setStandardButtons(standard);
    switch (box.exec()) {
      case QMessageBox::Yes:
        return mrYes;
      case QMessageBox::No:
        return mrNo;
      case QMessageBox::Ok:
        return mrOk;
      default:
        return mrCancel;
    }
  }

  bool ExecuteColor(QWidget* parent, TColor& color) override {
    const QColor chosen = QColorDialog::getColor(ToQColor(color), parent);
    if (!chosen.isValid()) return false;
    color = FromQColor(chosen);
    return true;
  }

  bool ExecuteFile(QWidget* parent, TFileDialogRequest& request) override {
    QFileDialog dialog(parent, QString::fromStdString(request.Title), QString(),
                       QString::fromStdString(QtFilter(request.Filter)));
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The extension goes on before the dialog asks about replacing a file, not after.
    dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExt));
    if (!request.FileName.empty()) dialog.selectFile(QString::fromStdString(request.FileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    request.FileName = dialog.selectedFiles().first().toStdString();
    return true;
  }

  bool ExecutePrint(QWidget* parent, QPrinter& printer) override {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
  }

  bool ExecutePrinterSetup(QWidget* parent, QPrinter& printer) override {
    TPrinterSetupBox box(printer, QPrinterInfo::availablePrinterNames(), parent);
    if (box.exec() != QDialog::Accepted) return false;
    box.Apply();
    return true;
  }
};

TDialogService* CurrentService = nullptr;

}  // namespace

TDialogService& Dialogs() {
  static TQtDialogService qtService;
  return CurrentService ? *CurrentService : qtService;
}

void SetDialogService(TDialogService* service) {
  CurrentService = service;
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  return Dialogs().MessageBox(Application->MainWidget(), Application->Title, text, type, buttons);
}

bool TColorDialog::Execute(QWidget* parent) {
  return Dialogs().ExecuteColor(parent, Color);
}

bool TOpenDialog::Execute(QWidget* parent) {
  TFileDialogRequest request{FSave, Title, Filter, DefaultExt, FileName};
  if (!Dialogs().ExecuteFile(parent, request)) return false;
  FileName = WithDefaultExt(request.FileName, DefaultExt);
  return true;
}

bool TPrintDialog::Execute(QWidget* parent) {
  return Dialogs().ExecutePrint(parent, Printer());
}

bool TPrinterSetupDialog::Execute(QWidget* parent) {
  return Dialogs().ExecutePrinterSetup(parent, Printer());
}

std::string QtFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = parts[i + 1].split(';').join(' ');
    entries << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + patterns + ")");
  }
  return entries.join(";;").toStdString();
}

std::string WithDefaultExt(const std::string& fileName, const std::string& defaultExt) {
  if (defaultExt.empty() || fileName.empty()) return fileName;
  if (!QFileInfo(QString::fromStdString(fileName)).suffix().isEmpty()) return fileName;
  return fileName + "." + defaultExt;
}
