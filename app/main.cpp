// The program entry: the application object, the main window, the message loop.
#include <QApplication>

#include "app/frmmn.h"
#include "app/units.h"
#include "platform/gui/Forms.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InitializeUnits();
  Application->Initialize();
  Application->Title = "Vandremolixic projection";
  TfrmMain form;
  Application->SetMainWidget(&form);
  const int result = Application->Run();
  FinalizeUnits();
  return result;
}
