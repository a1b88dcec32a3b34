#include "engine/GLGraphics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/GLCrossPlatform.h"
#include "engine/base/VectorGeometry.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Extended precision, in which the image arithmetic is done and rounded once to a byte.
using Ext = long double;
using TByteTable = std::array<uint8_t, 256>;

// To nearest, ties to even, straight from extended: going through Single first would round
// twice and make ties of values that are none. A NaN gives 0, as Round's conversion does.
uint8_t RoundToByte(Ext value) {
  return uint8_t(std::lrint(value));
}

void ApplyToColours(TGLPixel32* pixels, int count, const TByteTable& table) {
  for (int i = 0; i < count; ++i) {
    pixels[i].R = table[pixels[i].R];
    pixels[i].G = table[pixels[i].G];
    pixels[i].B = table[pixels[i].B];
  }
}

// The next multiple of 4, worked out where the sum cannot overflow; a width that has none in
// 32 bits fails the assertion.
int32_t RoundUpToMultipleOf4(int32_t value) {
  const int64_t rounded = (int64_t(value) + 3) & ~int64_t(3);
  Assert(rounded <= std::numeric_limits<int32_t>::max());
  return int32_t(rounded);
}

}  // namespace

// ---- TGLBitmap32

TGLBitmap32::TGLBitmap32() = default;
TGLBitmap32::~TGLBitmap32() = default;

void TGLBitmap32::SetSize(int32_t width, int32_t height) {
  const size_t count = size_t(width) * size_t(height);
  if (count == 0)
    std::vector<TGLPixel32>().swap(FData);
  else
    FData.resize(count);
  FWidth = width;
  FHeight = height;
}

void TGLBitmap32::SetWidth(int32_t value) {
  Assert(value >= 0);
  value = RoundUpToMultipleOf4(value);
  if (value != FWidth) SetSize(value, FHeight);
}

void TGLBitmap32::SetHeight(int32_t value) {
  if (value == FHeight) return;
  Assert(value >= 0);
  SetSize(FWidth, value);
}

void TGLBitmap32::Assign(TPersistent* Source) {
  if (!Source) {
    SetSize(0, 0);
  } else if (auto* source = dynamic_cast<TGLBitmap32*>(Source)) {
    FData = source->FData;
    FWidth = source->FWidth;
    FHeight = source->FHeight;
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(Source);
             bitmap && bitmap->GetWidth() % 4 == 0 &&
             (bitmap->GetPixelFormat() == pf24bit || bitmap->GetPixelFormat() == pf32bit)) {
    if (bitmap->GetPixelFormat() == pf24bit)
      AssignFrom24BitsBitmap(*bitmap);
    else
      AssignFrom32BitsBitmap(*bitmap);
  } else if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
    TBitmap temporary;
    temporary.SetPixelFormat(pf24bit);
    temporary.SetHeight(graphic->GetHeight());
    if (graphic->GetWidth() % 4 == 0) {
      temporary.SetWidth(graphic->GetWidth());
      temporary.GetCanvas()->Draw(0, 0, *graphic);
    } else {
      temporary.SetWidth(RoundUpToMultipleOf4(graphic->GetWidth()));
      temporary.GetCanvas()->StretchDraw({0, 0, temporary.GetWidth(), temporary.GetHeight()},
                                         *graphic);
    }
    AssignFrom24BitsBitmap(temporary);
  } else {
    inherited::Assign(Source);
  }
}

void TGLBitmap32::AssignFromBitmap(TBitmap& aBitmap, TPixelFormat format,
                                   void (*convert)(const void*, void*, int)) {
  Assert(aBitmap.GetPixelFormat() == format);
  Assert(aBitmap.GetWidth() % 4 == 0);
  const int width = aBitmap.GetWidth(), height = aBitmap.GetHeight();
  SetSize(width, height);
  // The block fills from its last row: the picture's top row, or its bottom row when reversed.
  // A bitmap of no width has no rows to read.
  for (int i = 0; i < height && width > 0; ++i)
    convert(::GetScanLine(aBitmap, FVerticalReverse ? height - 1 - i : i),
            GetScanLine(height - 1 - i), width);
}

void TGLBitmap32::AssignFrom24BitsBitmap(TBitmap& aBitmap) {
  AssignFromBitmap(aBitmap, pf24bit, BGR24ToRGBA32);
}

void TGLBitmap32::AssignFrom32BitsBitmap(TBitmap& aBitmap) {
  AssignFromBitmap(aBitmap, pf32bit, BGRA32ToRGBA32);
}

std::unique_ptr<TBitmap> TGLBitmap32::Create32BitsBitmap() const {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetWidth(FWidth);
  bitmap->SetHeight(FHeight);
  // Swapping R and B turns the block's pixels into the bitmap's B, G, R, A.
  for (int y = 0; y < FHeight; ++y)
    BGRA32ToRGBA32(FData.data() + size_t(FHeight - 1 - y) * size_t(FWidth),
                   ::GetScanLine(*bitmap, y), FWidth);
  return bitmap;
}

void TGLBitmap32::SetAlphaFromIntensity() {
  for (TGLPixel32& p : FData) p.A = uint8_t((p.R + p.G + p.B) / 3);
}

void TGLBitmap32::SetAlphaTransparentForColor(TColor aColor) {
  SetAlphaTransparentForColorRGB(GetRValue(aColor), GetGValue(aColor), GetBValue(aColor));
}

void TGLBitmap32::SetAlphaTransparentForColor(TGLPixel32 aColor) {
  SetAlphaTransparentForColorRGB(aColor.R, aColor.G, aColor.B);
}

void TGLBitmap32::SetAlphaTransparentForColorRGB(uint8_t r, uint8_t g, uint8_t b) {
  for (TGLPixel32& p : FData) p.A = p.R == r && p.G == g && p.B == b ? 0 : 255;
}

void TGLBitmap32::SetAlphaToValue(uint8_t aValue) {
  for (TGLPixel32& p : FData) p.A = aValue;
}

void TGLBitmap32::InvertAlpha() {
  for (TGLPixel32& p : FData) p.A = uint8_t(255 - p.A);
}

void TGLBitmap32::SqrtAlpha() {
  const TSqrt255Array& table = *GetSqrt255Array();
  for (TGLPixel32& p : FData) p.A = table[(p.R + p.G + p.B) / 3];
}

void TGLBitmap32::BrightnessCorrection(float factor) {
  if (!FData.empty()) BrightnessCorrectImage(FData.data(), int(FData.size()), factor);
}

void TGLBitmap32::GammaCorrection(float gamma) {
  if (!FData.empty()) GammaCorrectImage(FData.data(), int(FData.size()), gamma);
}

void TGLBitmap32::GrayScaleToNormalMap(float scale, bool wrapX, bool wrapY) {
  if (FData.empty()) return;
  std::vector<TGLPixel32> normals(FData.size());
  // A wrapped neighbour is taken modulo the side, which is a true wrap for every size.
  const auto neighbours = [](int i, int count, bool wrap) {
    if (wrap) return std::pair((i + count - 1) % count, (i + 1) % count);
    return std::pair(std::max(i - 1, 0), std::min(i + 1, count - 1));
  };
  const auto height = [&](int x, int y) { return int(FData[size_t(y) * FWidth + x].G); };
  const auto channel = [](Ext v) { return RoundToByte(std::clamp(v, Ext(-128), Ext(127)) + 128); };
  for (int y = 0; y < FHeight; ++y) {
    const auto [above, below] = neighbours(y, FHeight, wrapY);
    for (int x = 0; x < FWidth; ++x) {
      const auto [left, right] = neighbours(x, FWidth, wrapX);
      const float dx = float((height(left, y) - height(right, y)) * Ext(scale));
      const float dy = float((height(x, above) - height(x, below)) * Ext(scale));
      const float k = float(RSqrt(float(Ext(dx) * dx + Ext(dy) * dy + 1)) * Ext(127));
      normals[size_t(y) * FWidth + x] = {channel(Ext(dx) * k), channel(Ext(dy) * k), channel(k),
                                         255};
    }
  }
  FData = std::move(normals);
}

void TGLBitmap32::RegisterAsOpenGLTexture(GLenum target, TGLMinFilter minFilter, GLint texFormat,
                                          int& texWidth, int& texHeight) {
  if (FData.empty()) {
    texWidth = texHeight = 0;
    return;
  }
  GLint maxTextureSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  int w, h;
  OpenGLTextureSize(FWidth, FHeight, maxTextureSize, w, h);
  texWidth = w;
  texHeight = h;
  const bool floatFormat = IsFloatInternalFormat(texFormat);
  std::vector<TGLPixel32> rescaled;
  const void* pixels = FData.data();
  if (!floatFormat && (w != FWidth || h != FHeight)) {
    rescaled.resize(size_t(w) * size_t(h));
    gluScaleImage(GL_RGBA, FWidth, FHeight, GL_UNSIGNED_BYTE, FData.data(), w, h, GL_UNSIGNED_BYTE,
                  rescaled.data());
    pixels = rescaled.data();
  }
  if (floatFormat) {
    Assert(target == GL_TEXTURE_RECTANGLE_NV,
           "NV Float-type texture must use GL_TEXTURE_RECTANGLE_NV");
    glTexImage2D(target, 0, texFormat, w, h, 0, GL_RGBA, GL_FLOAT, nullptr);
  } else if (minFilter == miNearest || minFilter == miLinear) {
    glTexImage2D(target, 0, texFormat, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  } else if (GLSupport.SGIS_generate_mipmap && target == GL_TEXTURE_2D) {
    glTexParameteri(target, GL_GENERATE_MIPMAP_SGIS, 1);
    glTexImage2D(target, 0, texFormat, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  } else {
    gluBuild2DMipmaps(target, texFormat, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  }
}

// ---- Free routines

void OpenGLTextureSize(int width, int height, int maxTextureSize, int& texWidth, int& texHeight) {
  texWidth = std::min(RoundUpToPowerOf2(width), maxTextureSize);
  texHeight = std::min(RoundUpToPowerOf2(height), maxTextureSize);
}

void GammaCorrectImage(TGLPixel32* pixels, int count, float gamma) {
  if (count < 1) return;
  Assert(gamma > 0);
  const float exponent = gamma < 0.1f ? 10.0f : float(1 / Ext(gamma));
  TByteTable table;
  for (int i = 0; i < 256; ++i)
    table[i] = RoundToByte(Power(float(i * (Ext(1) / 255)), exponent) * Ext(255));
  ApplyToColours(pixels, count, table);
}

void BrightnessCorrectImage(TGLPixel32* pixels, int count, float factor) {
  if (count < 1) return;
  Assert(factor >= 0);
  TByteTable table;
  // Capped before the rounding, which a factor in the millions would take out of range.
  for (int i = 0; i < 256; ++i) {
    const Ext value = i * Ext(factor);
    table[i] = value >= 255 ? 255 : RoundToByte(value);
  }
  ApplyToColours(pixels, count, table);
}

void BGR24ToRGBA32(const void* source, void* destination, int count) {
  const auto* s = static_cast<const uint8_t*>(source);
  auto* d = static_cast<TGLPixel32*>(destination);
  for (int i = 0; i < count; ++i, s += 3) d[i] = {s[2], s[1], s[0], 255};
}

void BGRA32ToRGBA32(const void* source, void* destination, int count) {
  const auto* s = static_cast<const uint8_t*>(source);
  auto* d = static_cast<TGLPixel32*>(destination);
  for (int i = 0; i < count; ++i, s += 4) d[i] = {s[2], s[1], s[0], s[3]};
}

bool IsFloatInternalFormat(GLint format) {
  return format == GL_FLOAT_RGBA16_NV || format == GL_FLOAT_RGBA32_NV ||
         format == GL_RGBA_FLOAT16_ATI || format == GL_RGBA_FLOAT32_ATI;
}
