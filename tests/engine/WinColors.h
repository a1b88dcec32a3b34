#pragma once
// A stand-in for the colour unit's converter: each byte times 1/255, the given alpha.

#include "engine/GLCrossPlatform.h"

inline TVector ConvertTestWinColor(TColor winColor, float alpha) {
  const TColor color = ColorToRGB(winColor);
  return {float(GetRValue(color) * (1.0L / 255)), float(GetGValue(color) * (1.0L / 255)),
          float(GetBValue(color) * (1.0L / 255)), alpha};
}
