#include "platform/gui/Printers.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>

#include "platform/rtl/SysUtils.h"

QPrinter& Printer() {
  static QPrinter printer(QPrinter::HighResolution);
  return printer;
}

void BeginPrint(QPainter& painter) {
  QPrinter& printer = Printer();
  if (painter.begin(&printer)) {
    // The printer's engine outlives the job and keeps what the last painter told it, its
    // transform included; the new painter tells it everything, so no job inherits a scale.
    painter.paintEngine()->setDirty(QPaintEngine::AllDirty);
    return;
  }
  const QString target = printer.outputFileName().isEmpty()
                             ? "the printer \"" + printer.printerName() + "\""
                             : "the file \"" + printer.outputFileName() + "\"";
  throw Exception("Cannot print to " + target.toStdString() + ".");
}
