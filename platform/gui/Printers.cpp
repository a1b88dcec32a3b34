#include "platform/gui/Printers.h"

#include <QPainter>
#include <QPrinter>

#include "platform/rtl/SysUtils.h"

QPrinter& Printer() {
  static QPrinter printer(QPrinter::HighResolution);
  return printer;
}

void BeginPrint(QPainter& painter) {
  QPrinter& printer = Printer();
  if (painter.begin(&printer)) return;
  const QString target = printer.outputFileName().isEmpty()
                             ? "the printer \"" + printer.printerName() + "\""
                             : "the file \"" + printer.outputFileName() + "\"";
  throw Exception("Cannot print to " + target.toStdString() + ".");
}
