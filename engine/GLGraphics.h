#pragma once
// The engine's in-memory RGBA image, TGLBitmap32: what every texture image produces and what a
// texture uploads. It takes the class library's bitmaps and graphics, offers per-pixel alpha,
// gamma and brightness operations and a normal map from heights, and sends itself to OpenGL.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/GLUtils.h"
#include "platform/gl/OpenGL.h"
#include "platform/gui/Pictures.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Graphics.h"

struct TGLPixel32 {
  uint8_t R, G, B, A;
};
static_assert(sizeof(TGLPixel32) == 4);

// Pixels of 4 bytes, R, G, B, A, in rows of Width pixels with no padding. Row 0 is the first row
// OpenGL gets: the bottom row of the picture, or its top row with VerticalReverse.
class TGLBitmap32 : public TPersistent {
  RTL_CLASS(TGLBitmap32, TPersistent)
  TGLBitmap32();
  ~TGLBitmap32() override;

  // nil empties the image; a TGLBitmap32 is copied (not its VerticalReverse); a 24- or 32-bit
  // TBitmap of a width that is a multiple of 4 is converted; any other graphic is drawn into a
  // 24-bit bitmap of the next multiple of 4 wide (stretched when wider) and converted from it.
  // Anything else raises EConvertError.
  void Assign(TPersistent* Source) override;
  // Assertion failures for another pixel format or a width that is not a multiple of 4.
  void AssignFrom24BitsBitmap(TBitmap& aBitmap);
  void AssignFrom32BitsBitmap(TBitmap& aBitmap);
  // A 32-bit bitmap of the same size, B, G, R, A, whose top row is the last row of the block,
  // whatever VerticalReverse says.
  std::unique_ptr<TBitmap> Create32BitsBitmap() const;

  bool IsEmpty() const { return FWidth == 0 || FHeight == 0; }
  int32_t GetWidth() const { return FWidth; }
  // A negative value fails the assertion; a value that is not a multiple of 4 is raised to the
  // next one. The block keeps its bytes up to the new size; rows are not laid out again.
  void SetWidth(int32_t value);
  int32_t GetHeight() const { return FHeight; }
  void SetHeight(int32_t value);
  // Width x Height x 4.
  size_t GetDataSize() const { return FData.size() * sizeof(TGLPixel32); }
  // nil when there is no block.
  TGLPixel32* GetData() { return FData.empty() ? nullptr : FData.data(); }
  const TGLPixel32* GetData() const { return FData.empty() ? nullptr : FData.data(); }
  // Row index of the block; no range check.
  TGLPixel32* GetScanLine(int index) { return FData.data() + size_t(index) * size_t(FWidth); }
  bool GetVerticalReverse() const { return FVerticalReverse; }
  void SetVerticalReverse(bool value) { FVerticalReverse = value; }

  // Alpha operations over every pixel.
  void SetAlphaFromIntensity();  // (R + G + B) div 3
  // Transparent where R, G and B match the window colour's bytes (system colours are not
  // resolved), opaque everywhere else.
  void SetAlphaTransparentForColor(TColor aColor);
  void SetAlphaTransparentForColor(TGLPixel32 aColor);
  void SetAlphaTransparentForColorRGB(uint8_t r, uint8_t g, uint8_t b);
  void SetAlphaToValue(uint8_t aValue);
  void InvertAlpha();
  // The square-root table of the intensity.
  void SqrtAlpha();
  void BrightnessCorrection(float factor);
  void GammaCorrection(float gamma);

  // A normal map of the heights in the green channel: R, G, B the normal's X, Y and Z from -1 to
  // 1 as 0 to 255, A 255. Without wrapping the edge pixels are their own outer neighbours.
  void GrayScaleToNormalMap(float scale, bool wrapX, bool wrapY);

  // Uploads into the texture object bound to the target of the current context, at power-of-two
  // sizes clamped to GL_MAX_TEXTURE_SIZE, which come back in texWidth and texHeight (0 for an
  // empty image, which uploads nothing). A float internal format only allocates the texture and
  // needs GL_TEXTURE_RECTANGLE_NV. OpenGL errors are left for the caller to check.
  void RegisterAsOpenGLTexture(GLenum target, TGLMinFilter minFilter, GLint texFormat,
                               int& texWidth, int& texHeight);

 private:
  // Data first, so that a failed allocation leaves the image as it was.
  void SetSize(int32_t width, int32_t height);
  void AssignFromBitmap(TBitmap& aBitmap, TPixelFormat format,
                        void (*convert)(const void*, void*, int));
  std::vector<TGLPixel32> FData;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  bool FVerticalReverse = false;
};

// The size an image of width x height is uploaded at: each side rounded up to a power of two,
// then clamped to the largest texture of the implementation.
void OpenGLTextureSize(int width, int height, int maxTextureSize, int& texWidth, int& texHeight);

// R, G and B through a table of 256 entries; alpha untouched. Nothing for a count below 1.
// Assertion failures for a gamma not above 0 and a factor below 0; a gamma below 0.1 counts as
// 0.1.
void GammaCorrectImage(TGLPixel32* pixels, int count, float gamma);
void BrightnessCorrectImage(TGLPixel32* pixels, int count, float factor);
// Bitmap rows to RGBA: B, G, R to R, G, B, 255 (reading exactly 3 bytes a pixel), and B, G, R, A
// to R, G, B, A (which, swapping two bytes, also turns RGBA back into BGRA).
void BGR24ToRGBA32(const void* source, void* destination, int count);
void BGRA32ToRGBA32(const void* source, void* destination, int count);
// The floating-point internal formats of NVIDIA and ATI.
bool IsFloatInternalFormat(GLint format);
