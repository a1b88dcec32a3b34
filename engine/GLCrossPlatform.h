#pragma once
// The operating-system services that the engine's platform-neutral units need: window colours
// and system colours, errors of the last system call, bitmap rows and the high-resolution
// counter.

#include <array>
#include <cstdint>

#include "engine/base/VectorGeometry.h"
#include "platform/gui/Pictures.h"
#include "platform/gui/SysColors.h"
#include "platform/rtl/Graphics.h"

// A non-negative colour unchanged; a system colour as the desktop's current colour of its index.
TColor ColorToRGB(TColor color);

// Takes the 25 system colours once, each through the colour unit's converter with alpha 1; the
// vectors do not follow later changes of the desktop.
using TSysColorVectors = std::array<TVector, SysColorCount>;
using TWinColorConverter = TVector (*)(TColor winColor, float alpha);
void InitWinColors(TSysColorVectors& colors, TWinColorConverter convert);

// Always raises EOSError "OS Error : " and the system's text for the thread's last error code,
// also when that code is 0.
[[noreturn]] void RaiseLastOSError();

// The first byte of a pixel row of the bitmap, top row 0. Rows may lie in memory in either
// order, so a caller that steps through them takes the stride from two rows.
void* GetScanLine(TBitmap& bitmap, int row);

// Ticks of a monotonic clock, and their number per second.
void QueryPerformanceCounter(int64_t& value);
bool QueryPerformanceFrequency(int64_t& value);
