#include "platform/gui/Printers.h"

#include <QPrinter>

QPrinter& Printer() {
  static QPrinter printer(QPrinter::HighResolution);
  return printer;
}
