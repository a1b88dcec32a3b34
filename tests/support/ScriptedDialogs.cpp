#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {
template <class Queue>
auto Pop(Queue& queue, const char* kind) -> std::optional<typename Queue::value_type> {
  if (queue.empty()) {
    ADD_FAILURE() << "unscripted " << kind << " dialog";
    return std::nullopt;
  }
  auto answer = queue.front();
  queue.pop_front();
  return answer;
}
}  // namespace

bool TScriptedDialogs::AllAnswered() const {
  return FMessageAnswers.empty() && FColorAnswers.empty() && FFileAnswers.empty() &&
         FPrintAnswers.empty() && FSetupAnswers.empty();
}

int TScriptedDialogs::MessageBox(QWidget*, const std::string& caption, const std::string& text,
                                 TMsgDlgType type, TMsgDlgButtons buttons) {
  Messages.push_back({caption, text, type, buttons});
  // A box with OK alone is a notice: it needs no scripted answer.
  if (buttons == mbOK && FMessageAnswers.empty()) return mrOk;
  return Pop(FMessageAnswers, "message").value_or(mrCancel);
}

bool TScriptedDialogs::ExecuteColor(QWidget*, TColor& color) {
  ColorPresets.push_back(color);
  const auto answer = Pop(FColorAnswers, "colour").value_or(std::nullopt);
  if (!answer) return false;
  color = *answer;
  return true;
}

bool TScriptedDialogs::ExecuteFile(QWidget*, TFileDialogRequest& request) {
  FileRequests.push_back(request);
  const auto answer = Pop(FFileAnswers, "file").value_or(std::nullopt);
  if (!answer) return false;
  request.FileName = *answer;
  return true;
}

bool TScriptedDialogs::ExecutePrint(QWidget*, QPrinter&) {
  ++PrintRequests;
  return Pop(FPrintAnswers, "print").value_or(false);
}

bool TScriptedDialogs::ExecutePrinterSetup(QWidget*, QPrinter&) {
  ++PrinterSetupRequests;
  return Pop(FSetupAnswers, "printer setup").value_or(false);
}

TScriptedDialogsScope::TScriptedDialogsScope() : FPrevious(&Dialogs()) {
  SetDialogService(&FDialogs);
}

TScriptedDialogsScope::~TScriptedDialogsScope() {
  EXPECT_TRUE(FDialogs.AllAnswered()) << "scripted dialog answers left unused";
  SetDialogService(FPrevious);
}
