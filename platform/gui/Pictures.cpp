#include "platform/gui/Pictures.h"

#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <new>

struct TGraphicImage {
  QImage Image;
};

namespace {

QImage::Format QtFormat(TPixelFormat format) {
  switch (format) {
    case pf24bit:
      return QImage::Format_BGR888;
    case pf32bit:
      return QImage::Format_ARGB32;
    case pfDevice:
      break;
  }
  return QImage::Format_RGB32;
}

QByteArray ReadRest(TStream& stream) {
  QByteArray data(qsizetype(stream.GetSize() - stream.GetPosition()), '\0');
  stream.ReadBuffer(data.data(), data.size());
  return data;
}

}  // namespace

// ---- TImageGraphic

TImageGraphic::TImageGraphic() : FImage(std::make_unique<TGraphicImage>()) {}
TImageGraphic::~TImageGraphic() = default;

void TImageGraphic::LoadFromStream(TStream& stream) {
  QImage image;
  if (!image.loadFromData(ReadRest(stream)))
    throw EInvalidGraphic("The data is no picture of a known format");
  FImage->Image = std::move(image);
}

int TImageGraphic::GetWidth() const {
  return FImage->Image.width();
}

int TImageGraphic::GetHeight() const {
  return FImage->Image.height();
}

void TImageGraphic::Draw(TCanvas& canvas, const TRect& rect) const {
  canvas.Paint(rect, *FImage);
}

// ---- TCanvas

void TCanvas::Draw(int x, int y, const TGraphic& graphic) {
  graphic.Draw(*this, {x, y, x + graphic.GetWidth(), y + graphic.GetHeight()});
}

void TCanvas::StretchDraw(const TRect& rect, const TGraphic& graphic) {
  graphic.Draw(*this, rect);
}

void TCanvas::Paint(const TRect& rect, const TGraphicImage& source) {
  QImage& target = FBitmap.FImage->Image;
  if (target.isNull() || source.Image.isNull()) return;
  QPainter painter(&target);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(QRect(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top),
                    source.Image);
}

// ---- TBitmap

TBitmap::TBitmap() : FImage(std::make_unique<TGraphicImage>()) {}
TBitmap::~TBitmap() = default;

void TBitmap::LoadFromStream(TStream& stream) {
  QImage image;
  if (!image.loadFromData(ReadRest(stream), "BMP"))
    throw EInvalidGraphic("Bitmap image is not valid");
  const TPixelFormat format = image.depth() == 24                              ? pf24bit
                              : image.depth() == 32 && image.hasAlphaChannel() ? pf32bit
                                                                               : pfDevice;
  FImage->Image = image.convertToFormat(QtFormat(format));
  FWidth = image.width();
  FHeight = image.height();
  FPixelFormat = format;
}

void TBitmap::SetWidth(int value) {
  SetSize(value, FHeight);
}

void TBitmap::SetHeight(int value) {
  SetSize(FWidth, value);
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  QImage image;
  if (width > 0 && height > 0) {
    // A copy reaching past the old pixels is filled with zero.
    image = FImage->Image.isNull() ? QImage(width, height, QtFormat(FPixelFormat))
                                   : FImage->Image.copy(0, 0, width, height);
    if (image.isNull()) throw std::bad_alloc();
    if (FImage->Image.isNull()) image.fill(0);
  }
  FImage->Image = std::move(image);
  FWidth = width;
  FHeight = height;
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
  if (value == FPixelFormat) return;
  if (!FImage->Image.isNull()) FImage->Image = FImage->Image.convertToFormat(QtFormat(value));
  FPixelFormat = value;
}

uint8_t* TBitmap::GetScanLine(int row) {
  if (row < 0 || row >= FHeight || FImage->Image.isNull())
    throw EInvalidGraphic("Scan line index out of range");
  return FImage->Image.scanLine(row);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const {
  canvas.Paint(rect, *FImage);
}

// ---- The registry of picture file formats

const std::vector<std::unique_ptr<TPictureFileFormat>>& PictureFileFormats() {
  static const auto formats = [] {
    std::vector<std::unique_ptr<TPictureFileFormat>> list;
    for (const QByteArray& name : QImageReader::supportedImageFormats()) {
      const QByteArray extension = name.toLower();
      list.push_back(std::make_unique<TPictureFileFormat>(extension.toStdString(),
                                                          name.toUpper().toStdString() + " image",
                                                          TImageGraphic::StaticClass()));
    }
    return list;
  }();
  return formats;
}
