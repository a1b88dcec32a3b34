// Run-length bitmap files (8 and 4 bits a pixel) read by the bitmap and by the picture-file
// image: the codes set the pixels they say, the end-of-line, delta and end-of-bitmap escapes leave
// the pixels they skip at colour 0 however few the bytes, and a few bytes that would leave
// millions of pixels unset are refused.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Pictures.h"

namespace {

using namespace std::string_literals;

// A run-length file of `bits` (8 or 4) bits a pixel, its rows bottom-up, with two colours, dark
// (colour 0) and orange (colour 1), then the codes given.
std::string RunLengthFile(int bits, int32_t width, int32_t height, const std::string& codes) {
  std::string file = "BM";
  const auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file.push_back(char(value >> (8 * i) & 0xFF));
  };
  const uint32_t offset = 14 + 40 + 2 * 4;
  for (uint32_t value : {uint32_t(offset + codes.size()), 0u, offset}) put(value, 4);
  for (uint32_t value : {40u, uint32_t(width), uint32_t(height)}) put(value, 4);
  put(1, 2);
  put(uint32_t(bits), 2);
  for (uint32_t value : {bits == 8 ? 1u : 2u, uint32_t(codes.size()), 0u, 0u, 2u, 0u})
    put(value, 4);
  put(0x0A141E, 4);  // dark, blue green red
  put(0xC86432, 4);  // orange
  return file + codes;
}

// The graphic's pixels, top row first: 'o' orange, '.' dark, '#' black, '?' any other colour.
std::vector<std::string> Rows(TGraphic& graphic) {
  TBitmap bitmap;
  bitmap.Assign(&graphic);
  bitmap.SetPixelFormat(pf24bit);
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.GetHeight(); ++y) {
    const uint8_t* bgr = bitmap.GetScanLine(y);
    std::string& row = rows.emplace_back();
    for (int x = 0; x < bitmap.GetWidth(); ++x, bgr += 3) {
      const uint32_t rgb = uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0];
      row += rgb == 0xC86432 ? 'o' : rgb == 0x0A141E ? '.' : rgb == 0 ? '#' : '?';
    }
  }
  return rows;
}

const std::vector<std::function<std::unique_ptr<TGraphic>()>> Readers = {
    [] { return std::make_unique<TBitmap>(); },
    [] { return std::make_unique<TImageGraphic>(); },
};

std::unique_ptr<TGraphic> Read(const std::function<std::unique_ptr<TGraphic>()>& reader,
                               const std::string& file) {
  auto graphic = reader();
  TStringStream stream(file);
  graphic->LoadFromStream(stream);
  return graphic;
}

TEST(RunLengthBitmap, CodesSetThePixelsTheySayAndLeaveTheRestDark) {
  const struct {
    const char* what;
    int bits, width, height;
    std::string codes;
    std::vector<std::string> rows;
  } cases[] = {
      // clang-format off
      {"8 bits: a run, pixels as they are and padded, end of line, a delta, a run past the end "
       "of its row, no end of bitmap", 8, 5, 3,
       "\x02\x01" "\x00\x03\x00\x01\x00\x00" "\x00\x00" "\x00\x02\x02\x01" "\x04\x01"s,
       {"..ooo", ".....", "oo.o."}},
      {"4 bits: pixels as they are and padded, end of line, a delta, a run of two colours in "
       "turn past the end of its row", 4, 5, 3,
       "\x00\x05\x11\x01\x00\x00" "\x00\x00" "\x00\x02\x02\x01" "\x04\x10"s,
       {"..o.o", ".....", "oo.o."}},
      {"colours past the palette are black", 8, 5, 1, "\x05\x07\x00\x01"s, {"#####"}},
      // clang-format on
  };
  for (const auto& c : cases)
    for (const auto& reader : Readers) {
      const auto graphic = Read(reader, RunLengthFile(c.bits, c.width, c.height, c.codes));
      SCOPED_TRACE(std::string(c.what) + ", " + graphic->ClassName());
      EXPECT_EQ(Rows(*graphic), c.rows);
    }
}

// 200 x 200 pictures of a few bytes, where the escapes skip all but one run of orange. Before
// each, a picture of orange all over is read and freed, whose memory the next may be given.
TEST(RunLengthBitmap, EscapesLeaveMostOfAPictureDarkInAFewBytes) {
  const struct {
    const char* what;
    int bits;
    std::string codes;
    size_t fileSize;
    int row, left, right;  // the run of orange, top row 0, from left up to right
  } cases[] = {
      {"8 bits: 200 pixels, end of bitmap", 8, "\x64\x01\x64\x01\x00\x01"s, 68, 199, 0, 200},
      {"8 bits: a delta of 150 right and 50 up, 50 pixels, end of bitmap", 8,
       "\x00\x02\x96\x32\x19\x01\x19\x01\x00\x01"s, 72, 149, 150, 200},
      {"4 bits: 200 pixels, end of bitmap", 4, "\x64\x11\x64\x11\x00\x01"s, 68, 199, 0, 200},
      {"4 bits: a delta of 150 right and 50 up, 50 pixels, end of bitmap", 4,
       "\x00\x02\x96\x32\x19\x11\x19\x11\x00\x01"s, 72, 149, 150, 200},
  };
  for (const auto& c : cases)
    for (const auto& reader : Readers) {
      SCOPED_TRACE(std::string(c.what) + ", " + reader()->ClassName());
      std::string allOrange;
      for (int row = 0; row < 200; ++row)
        allOrange += (c.bits == 8 ? "\xC8\x01" : "\xC8\x11") + "\x00\x00"s;
      Read(reader, RunLengthFile(c.bits, 200, 200, allOrange));
      const std::string file = RunLengthFile(c.bits, 200, 200, c.codes);
      ASSERT_EQ(file.size(), c.fileSize);
      std::vector<std::string> expected(200, std::string(200, '.'));
      expected[c.row].replace(c.left, c.right - c.left, c.right - c.left, 'o');
      std::unique_ptr<TGraphic> graphic;
      ASSERT_NO_THROW(graphic = Read(reader, file));
      EXPECT_EQ(Rows(*graphic), expected);
    }
}

// The escapes may leave up to a 4096 x 4096 picture's pixels unset; pixels the codes set count
// apart, however many.
TEST(RunLengthBitmap, AFewBytesThatLeaveMillionsOfPixelsUnsetAreRefused) {
  std::string everyPixel;  // 4097 pixels a row: 16 runs of 255, one of 17, end of line
  for (int run = 0; run < 16; ++run) everyPixel += "\xFF\x01";
  everyPixel += "\x11\x01\x00\x00"s;
  for (int row = 1; row < 4096; row *= 2) everyPixel += everyPixel;
  const struct {
    const char* what;
    std::string file;
    bool reads;
  } cases[] = {
      {"8 bits, end of bitmap first", RunLengthFile(8, 4097, 4096, "\x00\x01"s), false},
      {"4 bits, a delta of 255 rows", RunLengthFile(4, 4097, 4096, "\x00\x02\x00\xFF"s), false},
      {"8 bits, each pixel set by a run", RunLengthFile(8, 4097, 4096, everyPixel), true},
  };
  for (const auto& c : cases)
    for (const auto& reader : Readers) {
      auto graphic = reader();
      SCOPED_TRACE(std::string(c.what) + ", " + graphic->ClassName());
      TStringStream stream(c.file);
      if (c.reads) {
        EXPECT_NO_THROW(graphic->LoadFromStream(stream));
        EXPECT_EQ(graphic->GetWidth(), 4097);
        EXPECT_EQ(graphic->GetHeight(), 4096);
      } else {
        EXPECT_TRUE(Raises<EInvalidGraphic>([&] { graphic->LoadFromStream(stream); },
                                            "Bitmap image is not valid"));
        EXPECT_TRUE(graphic->Empty());
      }
    }
}

}  // namespace
