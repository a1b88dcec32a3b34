#pragma once
// Pixels that print and compare, and bitmaps built row by row, for the RGBA image tests.

#include <gtest/gtest.h>

#include <ostream>
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
