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
  // Where no printer is installed, Qt's printer stands on a PDF file without a name. A job begun
  // there fails and leaves the printer busy for good, deaf to what Print Setup chooses later, so
  // none is begun.
  if (printer.outputFileName().isEmpty() &&
      (printer.outputFormat() == QPrinter::PdfFormat || printer.printerName().isEmpty()))
    throw Exception(
        "There is no printer to print to.\nChoose a printer or a PDF file in File > Print Setup.");
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
