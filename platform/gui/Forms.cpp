#include "platform/gui/Forms.h"

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QWidget>

#include "platform/gui/Dialogs.h"
#include "platform/rtl/SysUtils.h"

namespace {
TApplication TheApplication;
}

TApplication* Application = &TheApplication;

void TApplication::Initialize() {
  // The stored layouts name the Windows dialog font; Liberation Sans has its metrics.
  QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
  const QString point = QLocale::system().decimalPoint();
  if (point.size() == 1 && point[0].unicode() < 0x80) DecimalSeparator = point[0].toLatin1();
}

void TApplication::HandleException(const std::exception& e) {
  if (OnException)
    OnException(e);
  else
    ShowException(e);
}

void TApplication::ShowException(const std::exception& e) {
  Dialogs().MessageBox(FMainWidget, Title, ExceptionMessage(e), mtError, mbOK);
}

int TApplication::Run() {
  if (FMainWidget) FMainWidget->show();
  return QApplication::exec();
}

void TApplication::Terminate() {
  QApplication::quit();
}
