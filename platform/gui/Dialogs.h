#pragma once
// The common dialogs and message boxes. Every dialog runs through one replaceable service, so
// that tests answer colour, file, print and message boxes without a person.

#include <string>

#include "platform/rtl/Graphics.h"

class QPrinter;
class QWidget;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = int;

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// What a file dialog is asked; `FileName` is the proposal going in and the choice coming out.
struct TFileDialogRequest {
  bool Save = false;
  std::string Title;
  std::string Filter;  // "Description|pattern|Description|pattern"
  std::string DefaultExt;
  std::string FileName;
};

class TDialogService {
 public:
  virtual ~TDialogService() = default;
  // Returns the modal result of the button the user pressed.
  virtual int MessageBox(QWidget* parent, const std::string& caption, const std::string& text,
                         TMsgDlgType type, TMsgDlgButtons buttons) = 0;
  virtual bool ExecuteColor(QWidget* parent, TColor& color) = 0;
  virtual bool ExecuteFile(QWidget* parent, TFileDialogRequest& request) = 0;
  virtual bool ExecutePrint(QWidget* parent, QPrinter& printer) = 0;
  virtual bool ExecutePrinterSetup(QWidget* parent, QPrinter& printer) = 0;
};

TDialogService& Dialogs();
// Replaces the service (not owned); nullptr restores the one that shows Qt's dialogs.
void SetDialogService(TDialogService* service);

// A message box captioned with the application title.
int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons);

class TColorDialog {
 public:
  TColor Color = clBlack;
  bool Execute(QWidget* parent = nullptr);
};

class TOpenDialog {
 public:
  std::string DefaultExt;
  std::string Filter;
  std::string Title;
  std::string FileName;
  bool Execute(QWidget* parent = nullptr);

 protected:
  bool FSave = false;
};

class TSaveDialog : public TOpenDialog {
 public:
  TSaveDialog() { FSave = true; }
};

// Both run on the application's printer.
class TPrintDialog {
 public:
  bool Execute(QWidget* parent = nullptr);
};

class TPrinterSetupDialog {
 public:
  bool Execute(QWidget* parent = nullptr);
};

// "Text file (*.txt)|*.txt" becomes Qt's "Text file (*.txt)".
std::string QtFilter(const std::string& filter);
// Appends ".ext" when the chosen name has no extension of its own.
std::string WithDefaultExt(const std::string& fileName, const std::string& defaultExt);
