#pragma once
// Conversion between the stored 0x00BBGGRR colour values and Qt's colours.

#include <QColor>

#include "platform/rtl/Graphics.h"

QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
