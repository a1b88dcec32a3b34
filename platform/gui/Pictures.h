#pragma once
// Pictures read from files, bitmaps with their pixel rows, and the registry of the picture file
// formats: which graphic class loads the files of an extension. The interface holds nothing of
// Qt, so that the engine can use it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TCanvas;
// The pixels of a graphic, kept by Qt.
struct TGraphicImage;

// What a picture file loads into.
class TGraphic : public TPersistent {
  RTL_CLASS(TGraphic, TPersistent)
  // EInvalidGraphic when the data is no picture of a known format.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  bool Empty() const { return GetWidth() == 0 || GetHeight() == 0; }

 protected:
  friend class TCanvas;
  // Paints the picture scaled to the rectangle of the canvas.
  virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
};

// A picture decoded by Qt's image readers: the graphic class of every registered format.
class TImageGraphic : public TGraphic {
  RTL_CLASS(TImageGraphic, TGraphic)
  TImageGraphic();
  ~TImageGraphic() override;
  void LoadFromStream(TStream& stream) override;
  int GetWidth() const override;
  int GetHeight() const override;

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) const override;

 private:
  std::unique_ptr<TGraphicImage> FImage;
};

class TBitmap;

// The drawing surface of a bitmap: other graphics are painted onto it.
class TCanvas {
 public:
  explicit TCanvas(TBitmap& bitmap) : FBitmap(bitmap) {}
  // The graphic at its own size with its top left corner at (x, y).
  void Draw(int x, int y, const TGraphic& graphic);
  // The graphic scaled to fill the rectangle, pixel by pixel (no smoothing).
  void StretchDraw(const TRect& rect, const TGraphic& graphic);

 private:
  friend class TBitmap;
  friend class TImageGraphic;
  void Paint(const TRect& rect, const TGraphicImage& source);
  TBitmap& FBitmap;
};

// Bits per pixel of a bitmap. pfDevice is the display's own format: 32 bits, B, G, R and an
// unused byte. pf24bit stores B, G, R and pf32bit B, G, R, A.
enum TPixelFormat { pfDevice, pf24bit, pf32bit };

// A picture held as rows of pixels in memory, empty (0 x 0, pfDevice) at creation.
class TBitmap : public TGraphic {
  RTL_CLASS(TBitmap, TGraphic)
  TBitmap();
  ~TBitmap() override;
  // A Windows bitmap file: 24 and 32 bits per pixel keep their format, others become pfDevice.
  void LoadFromStream(TStream& stream) override;
  int GetWidth() const override { return FWidth; }
  int GetHeight() const override { return FHeight; }
  // Pixels kept keep their place from the top left; new ones are zero. A negative size is 0.
  void SetWidth(int value);
  void SetHeight(int value);
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  // Converts the pixels kept.
  void SetPixelFormat(TPixelFormat value);
  // The first byte of a row, top row 0; rows are padded to 4 bytes. EInvalidGraphic "Scan line
  // index out of range" outside 0 .. Height - 1 (so always on an empty bitmap).
  uint8_t* GetScanLine(int row);
  TCanvas* GetCanvas() { return &FCanvas; }

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) const override;

 private:
  friend class TCanvas;
  void SetSize(int width, int height);
  std::unique_ptr<TGraphicImage> FImage;
  int FWidth = 0, FHeight = 0;  // apart from the image, which cannot be 0 on one side only
  TPixelFormat FPixelFormat = pfDevice;
  TCanvas FCanvas{*this};
};

struct TPictureFileFormat : TObject {
  RTL_CLASS(TPictureFileFormat, TObject)
  TPictureFileFormat(std::string extension, std::string description, TClass graphicClass)
      : Extension(std::move(extension)),
        Description(std::move(description)),
        GraphicClass(graphicClass) {}
  std::string Extension;  // lower case, without the dot
  std::string Description;
  TClass GraphicClass;
};

// The formats that Qt's image readers load, in their order; built on first use and kept.
const std::vector<std::unique_ptr<TPictureFileFormat>>& PictureFileFormats();
