#pragma once
// Pictures read from files, bitmaps with their pixel rows, the picture that holds a graphic of
// any of these classes, and the registry of the picture file formats: which graphic class loads
// the files of an extension. The interface holds nothing of Qt, so that the engine can use it.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
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
  virtual void SaveToStream(TStream& stream) const = 0;
  // Through a file stream: EFOpenError or EFCreateError when the file cannot be had.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  bool Empty() const { return GetWidth() == 0 || GetHeight() == 0; }

  // How a picture keeps the graphic in a layout: a 32-bit byte count, then the graphic as
  // SaveToStream writes it. A count that is negative or runs past the data raises
  // EInvalidGraphic.
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream) const;

  // Fired after every change of the whole picture (loading, assignment, a new size or format);
  // a holder takes it away for the time it reads the graphic (TChangeDetached).
  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  // Paints the picture scaled to the rectangle of the canvas.
  virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
  void Changed();
};

// A picture decoded by Qt's image readers: the graphic class of every registered format.
class TImageGraphic : public TGraphic {
  RTL_CLASS(TImageGraphic, TGraphic)
  TImageGraphic();
  ~TImageGraphic() override;
  // Takes the rest of the stream; the bytes are kept, so that saving writes the file read.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  int GetWidth() const override;
  int GetHeight() const override;
  // From another image graphic; any other source raises EConvertError.
  void Assign(TPersistent* Source) override;

 protected:
  void Draw(TCanvas& canvas, const TRect& rect) const override;

 private:
  std::unique_ptr<TGraphicImage> FImage;
  std::string FData;
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
  // One Windows bitmap file, as long as its header says, so that bitmaps stored back to back
  // each read their own (a length of 0 takes the rest of the stream). Uncompressed 24 and 32
  // bits per pixel keep their format (the fourth byte as alpha); other kinds are decoded by Qt
  // and become pfDevice, or pf32bit when they carry alpha. EInvalidGraphic "Bitmap image is not
  // valid" for anything else, a length past the stream's end included.
  void LoadFromStream(TStream& stream) override;
  // A Windows bitmap file: the 14-byte file header, the 40-byte info header (uncompressed, no
  // resolution, no palette), then the rows bottom-up, each padded with zeros to 4 bytes; 24 bits
  // per pixel for pf24bit, 32 (B, G, R and the fourth byte as held) for the other formats.
  void SaveToStream(TStream& stream) const override;
  // From another bitmap, a copy; another graphic is drawn into a 24-bit bitmap of its size.
  void Assign(TPersistent* Source) override;
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

// Holds a graphic of one of the classes above, owned, and tells of its changes.
class TPicture : public TPersistent {
  RTL_CLASS(TPicture, TPersistent)
  TPicture();
  ~TPicture() override;

  // Nil while the picture is empty.
  TGraphic* GetGraphic() const { return FGraphic.get(); }
  // A copy of the graphic, of its class; nil empties the picture.
  void SetGraphic(TGraphic* value);
  // 0 while empty.
  int GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
  int GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }

  // A bitmap for ".bmp", else a graphic of the class registered for the file's extension
  // (EInvalidGraphic "Unknown picture file extension (.xyz)" when none is); on any failure the
  // picture keeps what it held.
  void LoadFromFile(const std::string& fileName);
  // Nothing while empty.
  void SaveToFile(const std::string& fileName) const;

  // From a picture or a graphic; nil empties the picture. Another source raises EConvertError.
  void Assign(TPersistent* Source) override;

  // Fired when the graphic is replaced or changes itself.
  TNotifyEvent OnChange;

 protected:
  // "Data": the graphic's class name as a byte count and its letters, then the graphic's own
  // data; left out while empty. An unknown class raises EInvalidGraphic.
  void DefineProperties(TFiler& Filer) override;

 private:
  void Changed();
  void Take(std::unique_ptr<TGraphic> graphic);
  std::unique_ptr<TGraphic> FGraphic;
};

// Takes the change event of a picture or a graphic away for its own lifetime and gives it back
// on every path, so that reading the picture does not tell its holder of a change.
template <class T>
class TChangeDetached {
 public:
  explicit TChangeDetached(T& holder)
      : FHolder(holder), FSaved(std::exchange(holder.OnChange, {})) {}
  ~TChangeDetached() { FHolder.OnChange = std::move(FSaved); }
  TChangeDetached(const TChangeDetached&) = delete;
  TChangeDetached& operator=(const TChangeDetached&) = delete;

 private:
  T& FHolder;
  TNotifyEvent FSaved;
};

// The graphic class of that name among the bitmap and the registered formats, or nil.
TClass FindGraphicClass(const std::string& className);
