// Main of the widget tests: one QApplication for the whole run, the application object set up
// as the program does it, and a dialog service that fails any test that opens an unscripted
// dialog instead of waiting for a person.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/gui/Forms.h"
#include "tests/support/ScriptedDialogs.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  Application->Initialize();
  Application->Title = "Vandremolixic projection";
  TScriptedDialogs refusing;
  SetDialogService(&refusing);
  const int result = RUN_ALL_TESTS();
  SetDialogService(nullptr);
  return result;
}
