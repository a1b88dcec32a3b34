#include "platform/gui/GuiColors.h"

QColor ToQColor(TColor color) {
  return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

TColor FromQColor(const QColor& color) {
  return RGB(static_cast<uint8_t>(color.red()), static_cast<uint8_t>(color.green()),
             static_cast<uint8_t>(color.blue()));
}
