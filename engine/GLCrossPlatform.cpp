#include "engine/GLCrossPlatform.h"

#include <cerrno>
#include <chrono>
#include <system_error>

#include "platform/rtl/SysUtils.h"

TColor ColorToRGB(TColor color) {
  return color < 0 ? GetSysColor(color & 0xFF) : color;
}

void InitWinColors(TSysColorVectors& colors, TWinColorConverter convert) {
  for (int i = 0; i < SysColorCount; ++i) colors[i] = convert(clSystemColor | i, 1);
}

void RaiseLastOSError() {
  const int code = errno;
  throw EOSError("OS Error : " + std::generic_category().message(code), code);
}

void* GetScanLine(TBitmap& bitmap, int row) {
  return bitmap.GetScanLine(row);
}

using TCounterClock = std::chrono::steady_clock;

void QueryPerformanceCounter(int64_t& value) {
  value = int64_t(TCounterClock::now().time_since_epoch().count());
}

bool QueryPerformanceFrequency(int64_t& value) {
  value = int64_t(TCounterClock::period::den / TCounterClock::period::num);
  return true;
}
