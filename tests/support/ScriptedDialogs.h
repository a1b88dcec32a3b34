#pragma once
// A dialog service for tests: answers come from queues that the test fills beforehand, and every
// dialog shown is recorded. A question with no scripted answer fails the test and is cancelled.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/Dialogs.h"

class TScriptedDialogs : public TDialogService {
 public:
  struct TMessage {
    std::string Caption;
    std::string Text;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
  };

  // Queue the next answers; std::nullopt or false cancels.
  void AnswerMessage(int modalResult) { FMessageAnswers.push_back(modalResult); }
  void AnswerColor(std::optional<TColor> color) { FColorAnswers.push_back(color); }
  void AnswerFile(std::optional<std::string> fileName) { FFileAnswers.push_back(fileName); }
  void AnswerPrint(bool ok) { FPrintAnswers.push_back(ok); }
  void AnswerPrinterSetup(bool ok) { FSetupAnswers.push_back(ok); }

  // True when every queued answer has been used.
  bool AllAnswered() const;

  std::vector<TMessage> Messages;
  std::vector<TFileDialogRequest> FileRequests;
  std::vector<TColor> ColorPresets;
  int PrintRequests = 0;
  int PrinterSetupRequests = 0;

  int MessageBox(QWidget* parent, const std::string& caption, const std::string& text,
                 TMsgDlgType type, TMsgDlgButtons buttons) override;
  bool ExecuteColor(QWidget* parent, TColor& color) override;
  bool ExecuteFile(QWidget* parent, TFileDialogRequest& request) override;
  bool ExecutePrint(QWidget* parent, QPrinter& printer) override;
  bool ExecutePrinterSetup(QWidget* parent, QPrinter& printer) override;

 private:
  std::deque<int> FMessageAnswers;
  std::deque<std::optional<TColor>> FColorAnswers;
  std::deque<std::optional<std::string>> FFileAnswers;
  std::deque<bool> FPrintAnswers;
  std::deque<bool> FSetupAnswers;
};

// Installs a fresh scripted service for one test and puts the previous one back afterwards.
class TScriptedDialogsScope {
 public:
  TScriptedDialogsScope();
  ~TScriptedDialogsScope();
  TScriptedDialogs& operator*() { return FDialogs; }
  TScriptedDialogs* operator->() { return &FDialogs; }
  const TScriptedDialogs* operator->() const { return &FDialogs; }

 private:
  TScriptedDialogs FDialogs;
  TDialogService* FPrevious;
};
