// Window colours, the system colours without a GUI, system errors and the counter.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "engine/GLCrossPlatform.h"
#include "platform/rtl/SysUtils.h"
#include "tests/engine/WinColors.h"

TEST(GLCrossPlatform, RGBAndItsParts) {
  const struct {
    uint8_t r, g, b;
    TColor color;
  } cases[] = {{255, 0, 0, 0x000000FF},
               {0, 255, 0, 0x0000FF00},
               {0, 0, 255, 0x00FF0000},
               {1, 2, 3, 0x00030201},
               {0x56, 0x34, 0x12, 0x00123456}};
  for (const auto& c : cases) {
    EXPECT_EQ(RGB(c.r, c.g, c.b), c.color);
    EXPECT_EQ(GetRValue(c.color), c.r);
    EXPECT_EQ(GetGValue(c.color), c.g);
    EXPECT_EQ(GetBValue(c.color), c.b);
  }
}

TEST(GLCrossPlatform, ColorToRGBWithoutAGuiUsesTheWindowsDefaults) {
  const struct {
    TColor color, expected;
  } cases[] = {
      {0x00FF00FF, 0x00FF00FF},
      {0x7F123456, 0x7F123456},  // a top byte that names no system colour stays
      {clWindow, RGB(255, 255, 255)},
      {clWindowText, RGB(0, 0, 0)},
      {clBtnFace, RGB(240, 240, 240)},
      {clHighlight, RGB(0, 120, 215)},
      {clInfoBk, RGB(255, 255, 225)},
      {TColor(0xFF000019), 0},  // past the last system colour
  };
  for (const auto& c : cases) EXPECT_EQ(ColorToRGB(c.color), c.expected) << std::hex << c.color;
}

TEST(GLCrossPlatform, InitWinColorsTakesEachSystemColourWithAlphaOne) {
  TSysColorVectors colors{};
  InitWinColors(colors, ConvertTestWinColor);
  EXPECT_EQ(colors[5], (TVector{1, 1, 1, 1}));
  EXPECT_EQ(colors[8], (TVector{0, 0, 0, 1}));
  EXPECT_EQ(colors[24], (TVector{1, 1, float(225 * (1.0L / 255)), 1}));
}

TEST(GLCrossPlatform, RaiseLastOSErrorAlwaysRaisesWithTheSystemsText) {
  const struct {
    int code;
    const char* message;
  } cases[] = {{ENOENT, "OS Error : No such file or directory"},
               {EACCES, "OS Error : Permission denied"},
               {0, "OS Error : Success"}};
  for (const auto& c : cases) {
    errno = c.code;
    std::string message = "nothing raised";
    int code = -1;
    try {
      RaiseLastOSError();
    } catch (const EOSError& e) {
      message = e.Message();
      code = e.ErrorCode;
    }
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(code, c.code);
  }
}

TEST(GLCrossPlatform, PerformanceCounterIsMonotonic) {
  int64_t frequency = 0;
  EXPECT_TRUE(QueryPerformanceFrequency(frequency));
  EXPECT_GT(frequency, 0);
  int64_t previous;
  QueryPerformanceCounter(previous);
  for (int i = 0; i < 10000; ++i) {
    int64_t now;
    QueryPerformanceCounter(now);
    ASSERT_GE(now, previous);
    previous = now;
  }
}
