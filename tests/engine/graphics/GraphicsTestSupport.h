#pragma once
// Pixels that print and compare, bitmaps built row by row and bitmap files built from a header,
// for the RGBA image tests.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "engine/GLGraphics.h"

inline bool operator==(const TGLPixel32& a, const TGLPixel32& b) {
  return a.R == b.R && a.G == b.G && a.B == b.B && a.A == b.A;
}

inline std::ostream& operator<<(std::ostream& out, const TGLPixel32& p) {
  return out << "(" << int(p.R) << ", " << int(p.G) << ", " << int(p.B) << ", " << int(p.A) << ")";
}

using TPixelRows = std::vector<std::vector<TGLPixel32>>;

// A bitmap of the rows, top row first; a 24-bit one drops the alpha.
inline std::unique_ptr<TBitmap> MakeBitmap(TPixelFormat format, const TPixelRows& rows) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetWidth(rows.empty() ? 0 : int(rows[0].size()));
  bitmap->SetHeight(int(rows.size()));
  const int bytes = format == pf24bit ? 3 : 4;
  for (size_t y = 0; y < rows.size(); ++y) {
    uint8_t* line = bitmap->GetScanLine(int(y));
    for (size_t x = 0; x < rows[y].size(); ++x) {
      const TGLPixel32 p = rows[y][x];
      uint8_t* q = line + x * bytes;
      q[0] = p.B, q[1] = p.G, q[2] = p.R;
      if (bytes == 4) q[3] = format == pf32bit ? p.A : 255;
    }
  }
  return bitmap;
}

// The block's rows, row 0 first.
inline TPixelRows Rows(const TGLBitmap32& image) {
  TPixelRows rows(size_t(image.GetHeight()));
  for (int y = 0; y < image.GetHeight(); ++y)
    rows[y].assign(image.GetData() + size_t(y) * image.GetWidth(),
                   image.GetData() + size_t(y + 1) * image.GetWidth());
  return rows;
}

// An image of the rows, row 0 first.
inline void Fill(TGLBitmap32& image, const TPixelRows& rows) {
  image.SetWidth(int(rows[0].size()));
  image.SetHeight(int(rows.size()));
  for (int y = 0; y < image.GetHeight(); ++y)
    std::copy(rows[y].begin(), rows[y].end(), image.GetScanLine(y));
}

// A bitmap file of the kinds Qt's reader decodes: a header declaring the size, a palette where
// the pixels are indexed (two colours, or all of them after the old header, which cannot say
// how many), then the pixel bytes given.
inline std::string DeclaredBitmap(int headerSize, int32_t width, int32_t height, int bits,
                                  uint32_t compression, const std::string& pixels) {
  std::string header;
  const auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) header.push_back(char(value >> (8 * i) & 0xFF));
  };
  put(uint32_t(headerSize), 4);
  const int sizeBytes = headerSize == 12 ? 2 : 4;
  put(uint32_t(width), sizeBytes);
  put(uint32_t(height), sizeBytes);
  put(1, 2);
  put(uint32_t(bits), 2);
  if (headerSize > 12) {
    put(compression, 4);
    put(uint32_t(pixels.size()), 4);
    put(0, 4);  // resolution
    put(0, 4);
    put(bits <= 8 ? 2 : 0, 4);
    put(0, 4);
  }
  const int entry = headerSize == 12 ? 3 : 4, colours = headerSize == 12 ? 1 << bits : 2;
  const std::string palette = bits <= 8 ? std::string(size_t(colours * entry), '\x7F') : "";
  const uint32_t offset = uint32_t(14 + header.size() + palette.size());
  std::string file = "BM";
  for (uint32_t value : {uint32_t(offset + pixels.size()), 0u, offset})
    for (int i = 0; i < 4; ++i) file.push_back(char(value >> (8 * i) & 0xFF));
  return file + header + palette + pixels;
}
