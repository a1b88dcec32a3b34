#include "platform/gui/Pictures.h"

#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
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

QByteArray ReadBytes(TStream& stream, int64_t count) {
  QByteArray data(qsizetype(count), '\0');
  stream.ReadBuffer(data.data(), data.size());
  return data;
}

QByteArray ReadRest(TStream& stream) {
  return ReadBytes(stream, stream.GetSize() - stream.GetPosition());
}

// ---- Windows bitmap files (little-endian)

constexpr int cFileHeaderSize = 14;
constexpr int cCoreHeaderSize = 12;
constexpr int cInfoHeaderSize = 40;
constexpr uint32_t cBI_RGB = 0, cBI_RLE8 = 1, cBI_RLE4 = 2, cBI_BITFIELDS = 3;

uint32_t Get32(const char* p) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | uint8_t(p[i]);
  return value;
}

uint16_t Get16(const char* p) {
  return uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8);
}

void Put32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(char(value >> (8 * i) & 0xFF));
}

void Put16(std::string& out, uint16_t value) {
  out.push_back(char(value & 0xFF));
  out.push_back(char(value >> 8));
}

int64_t RowBytes(int64_t width, int bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

[[noreturn]] void InvalidBitmap() {
  throw EInvalidGraphic("Bitmap image is not valid");
}

// Whether the bytes of a bitmap file can hold the pixels its header declares, worked out before
// Qt's reader, which allocates the declared image first and only then looks at the data. Rows
// stored as they are must all be there. The run-length kinds pass: they are decoded here, which
// bounds them by the pixels their codes set (DecodeRunLengths). Only the kinds Qt's reader knows
// pass. `file` holds the whole file, headers included.
bool DeclaredSizeFitsData(const QByteArray& file) {
  if (file.size() < cFileHeaderSize + cCoreHeaderSize) return false;
  const char* info = file.constData() + cFileHeaderSize;
  const uint32_t headerSize = Get32(info);
  int64_t width, height;
  int bits;
  uint32_t compression = cBI_RGB;
  if (headerSize == cCoreHeaderSize) {
    width = Get16(info + 4);
    height = Get16(info + 6);
    bits = Get16(info + 10);
  } else {
    if (headerSize < uint32_t(cInfoHeaderSize) || file.size() < cFileHeaderSize + cInfoHeaderSize)
      return false;
    width = int32_t(Get32(info + 4));
    height = std::abs(int64_t(int32_t(Get32(info + 8))));
    bits = Get16(info + 14);
    compression = Get32(info + 16);
  }
  if (width < 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
    return false;
  // The pixels start at their offset, and not within the headers, whatever the offset says.
  const int64_t offset = Get32(file.constData() + 10);
  if (offset > file.size()) return false;
  const int64_t start = std::max<int64_t>(offset, cFileHeaderSize + int64_t(headerSize));
  const int64_t data = std::max<int64_t>(file.size() - start, 0);
  if (width == 0 || height == 0) return true;
  switch (compression) {
    case cBI_RGB:
    case cBI_BITFIELDS:
      return height <= data / RowBytes(width, bits);
    case cBI_RLE8:
    case cBI_RLE4:
      return true;
    default:
      return false;
  }
}

// The most pixels a run-length file may leave to the background, past the pixels its codes set:
// those of a 4096 x 4096 picture. The end-of-line, delta and end-of-bitmap escapes skip any
// number of pixels in a few bytes, so a small file may rightly leave most of a picture unset,
// but not ask for gigabytes.
constexpr int64_t cMostBackgroundPixels = int64_t(1) << 24;

// Walks the run-length codes of a picture of `bits` (8 or 4) bits a pixel, the first file row at
// the bottom unless `signedHeight` is negative, and returns how many pixels they set; writes
// their colour indices into `target` when there is one. Pixels past a row's end are dropped; the
// end of the bitmap, of the picture or of the data, or a code cut short, ends the walk.
int64_t WalkRunLengths(const QByteArray& file, int64_t start, int bits, int64_t width,
                       int64_t signedHeight, QImage* target) {
  const auto* p = reinterpret_cast<const uint8_t*>(file.constData()) + start;
  const auto* end = reinterpret_cast<const uint8_t*>(file.constData()) + file.size();
  const int64_t height = std::abs(signedHeight);
  int64_t x = 0, row = 0, set = 0;
  // Pixel `i` of the indices in `bytes`: a byte each, or two a byte, the high half first.
  const auto index = [bits](const uint8_t* bytes, int i) {
    return bits == 8 ? bytes[i] : uint8_t(i % 2 ? bytes[i / 2] & 0xF : bytes[i / 2] >> 4);
  };
  // `count` pixels from the indices in `bytes`, or from its first two again and again.
  const auto put = [&](int count, const uint8_t* bytes, bool repeated) {
    uint8_t* line =
        target ? target->scanLine(int(signedHeight > 0 ? height - 1 - row : row)) : nullptr;
    for (int i = 0; i < count && x < width; ++i, ++x, ++set)
      if (line) line[x] = index(bytes, repeated ? i % 2 : i);
  };
  while (end - p >= 2 && row < height) {
    const uint8_t count = p[0], code = p[1];
    p += 2;
    if (count > 0) {  // `count` pixels of the index in `code`, or of its two in turn
      const uint8_t twice[] = {code, code};
      put(count, twice, true);
    } else if (code == 0) {  // end of line
      x = 0;
      ++row;
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // delta: right, then rows on in file order
      if (end - p < 2) break;
      x += p[0];
      row += p[1];
      p += 2;
    } else {  // `code` indices as they are, padded to an even number of bytes
      const int64_t bytes = bits == 8 ? code : (code + 1) / 2;
      if (end - p < bytes) break;
      put(code, p, false);
      p += std::min<int64_t>(bytes + bytes % 2, end - p);
    }
  }
  return set;
}

// The run-length kinds, decoded here and not by Qt's reader, which leaves the pixels no code sets
// as the allocation found them: here they take colour 0. Refused when the codes leave more than
// cMostBackgroundPixels unset, before the picture is allocated. Nothing when the file is of
// another kind or declares no pixels. `file` holds the whole file, headers included.
bool DecodeRunLengths(const QByteArray& file, QImage& image) {
  const char* info = file.constData() + cFileHeaderSize;
  if (file.size() < cFileHeaderSize + cInfoHeaderSize || Get32(info) < uint32_t(cInfoHeaderSize))
    return false;
  const uint32_t compression = Get32(info + 16);
  if (compression != cBI_RLE8 && compression != cBI_RLE4) return false;
  const int bits = compression == cBI_RLE8 ? 8 : 4;
  const int64_t width = int32_t(Get32(info + 4));
  const int64_t signedHeight = int32_t(Get32(info + 8));
  const int64_t height = std::abs(signedHeight);
  const int64_t colours = Get32(info + 32) ? Get32(info + 32) : 1 << bits;
  const int64_t palette = cFileHeaderSize + int64_t(Get32(info));
  const int64_t offset = Get32(file.constData() + 10);
  if (Get16(info + 14) != bits || width < 0 || height > std::numeric_limits<int>::max() ||
      colours > 1 << bits || palette + 4 * colours > file.size() || offset > file.size())
    InvalidBitmap();
  if (width == 0 || height == 0) return false;
  const int64_t start = std::max(offset, palette);
  if (width * height - WalkRunLengths(file, start, bits, width, signedHeight, nullptr) >
      cMostBackgroundPixels)
    InvalidBitmap();
  image = QImage(int(width), int(height), QImage::Format_Indexed8);
  if (image.isNull()) throw std::bad_alloc();
  image.fill(0);
  // Indices past the palette are black.
  QList<QRgb> table(1 << bits, qRgb(0, 0, 0));
  const auto* entry = reinterpret_cast<const uint8_t*>(file.constData()) + palette;
  for (int64_t i = 0; i < colours; ++i, entry += 4) table[i] = qRgb(entry[2], entry[1], entry[0]);
  image.setColorTable(table);
  WalkRunLengths(file, start, bits, width, signedHeight, &image);
  return true;
}

// The uncompressed 24- and 32-bit kinds that the bitmap writes itself, read without Qt so that
// the fourth byte stays as it was; nothing when the file is of another kind. `file` holds the
// whole file, headers included.
bool DecodeOwnKind(const QByteArray& file, QImage& image, TPixelFormat& format) {
  const char* info = file.constData() + cFileHeaderSize;
  if (file.size() < cFileHeaderSize + cInfoHeaderSize || Get32(info) < uint32_t(cInfoHeaderSize))
    return false;
  const int bits = Get16(info + 14);
  if (Get16(info + 12) != 1 || Get32(info + 16) != cBI_RGB || (bits != 24 && bits != 32))
    return false;
  const int64_t width = int32_t(Get32(info + 4));
  const int64_t signedHeight = int32_t(Get32(info + 8));
  const int64_t height = std::abs(signedHeight);
  const int64_t offset = Get32(file.constData() + 10);
  const int64_t rowBytes = RowBytes(width, bits);
  // Worked out by division: the product of the header's sizes may not fit 64 bits.
  if (width < 0 || offset < cFileHeaderSize + cInfoHeaderSize || offset > file.size() ||
      (rowBytes > 0 && height > (file.size() - offset) / rowBytes))
    InvalidBitmap();
  format = bits == 24 ? pf24bit : pf32bit;
  image = {};
  if (width == 0 || height == 0) return true;
  if (width > std::numeric_limits<int>::max() / 4) InvalidBitmap();
  image = QImage(int(width), int(height), QtFormat(format));
  if (image.isNull()) throw std::bad_alloc();
  // Rows are stored bottom-up unless the height is negative.
  const size_t used = size_t(width) * size_t(bits / 8);
  for (int64_t row = 0; row < height; ++row) {
    const int64_t y = signedHeight > 0 ? height - 1 - row : row;
    std::memcpy(image.scanLine(int(y)), file.constData() + offset + row * rowBytes, used);
  }
  return true;
}

}  // namespace

// ---- TGraphic

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const {
  TFileStream stream(fileName, fmCreate);
  SaveToStream(stream);
}

void TGraphic::ReadData(TStream& stream) {
  int32_t size = 0;
  stream.ReadBuffer(&size, sizeof size);
  if (size < 0 || size > stream.GetSize() - stream.GetPosition())
    throw EInvalidGraphic("The picture's data is shorter than its length");
  TMemoryStream data;
  if (size > 0) data.CopyFrom(stream, size);
  data.SetPosition(0);
  LoadFromStream(data);
}

void TGraphic::WriteData(TStream& stream) const {
  TMemoryStream data;
  SaveToStream(data);
  const int64_t size = data.GetSize();
  if (size > std::numeric_limits<int32_t>::max()) throw EInvalidGraphic("The picture is too large");
  const int32_t count = int32_t(size);
  stream.WriteBuffer(&count, sizeof count);
  if (count > 0) stream.CopyFrom(data, 0);
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TImageGraphic

TImageGraphic::TImageGraphic() : FImage(std::make_unique<TGraphicImage>()) {}
TImageGraphic::~TImageGraphic() = default;

void TImageGraphic::LoadFromStream(TStream& stream) {
  const QByteArray data = ReadRest(stream);
  const bool bitmap = data.startsWith("BM");
  if (bitmap && !DeclaredSizeFitsData(data)) InvalidBitmap();
  QImage image;
  if (!(bitmap && DecodeRunLengths(data, image)) && !image.loadFromData(data))
    throw EInvalidGraphic("The data is no picture of a known format");
  FImage->Image = std::move(image);
  FData.assign(data.constData(), size_t(data.size()));
  Changed();
}

void TImageGraphic::SaveToStream(TStream& stream) const {
  stream.WriteBuffer(FData.data(), int64_t(FData.size()));
}

void TImageGraphic::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TImageGraphic*>(Source);
  if (!source) return inherited::Assign(Source);
  FImage->Image = source->FImage->Image;
  FData = source->FData;
  Changed();
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
  const int64_t rest = stream.GetSize() - stream.GetPosition();
  QByteArray file = ReadBytes(stream, std::min<int64_t>(rest, cFileHeaderSize));
  if (file.size() < cFileHeaderSize || file[0] != 'B' || file[1] != 'M') InvalidBitmap();
  int64_t size = Get32(file.constData() + 2);
  if (size == 0) size = rest;
  if (size < cFileHeaderSize + 12 || size > rest) InvalidBitmap();
  file += ReadBytes(stream, size - cFileHeaderSize);

  QImage image;
  TPixelFormat format;
  int width, height;
  if (DecodeOwnKind(file, image, format)) {
    width = int32_t(Get32(file.constData() + cFileHeaderSize + 4));
    height = std::abs(int32_t(Get32(file.constData() + cFileHeaderSize + 8)));
  } else {
    if (!DeclaredSizeFitsData(file) ||
        !(DecodeRunLengths(file, image) || image.loadFromData(file, "BMP")))
      InvalidBitmap();
    format = image.hasAlphaChannel() ? pf32bit : pfDevice;
    image = image.convertToFormat(QtFormat(format));
    width = image.width();
    height = image.height();
  }
  FImage->Image = std::move(image);
  FWidth = width;
  FHeight = height;
  FPixelFormat = format;
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) const {
  const int bits = FPixelFormat == pf24bit ? 24 : 32;
  const int64_t rowBytes = RowBytes(FWidth, bits);
  const int64_t imageSize = rowBytes * FHeight;
  if (cFileHeaderSize + cInfoHeaderSize + imageSize > std::numeric_limits<uint32_t>::max())
    throw EInvalidGraphic("The bitmap is too large for a bitmap file");
  std::string out;
  out.reserve(size_t(cFileHeaderSize + cInfoHeaderSize + imageSize));
  out += "BM";
  Put32(out, uint32_t(cFileHeaderSize + cInfoHeaderSize + imageSize));
  Put32(out, 0);
  Put32(out, cFileHeaderSize + cInfoHeaderSize);
  Put32(out, cInfoHeaderSize);
  Put32(out, uint32_t(FWidth));
  Put32(out, uint32_t(FHeight));
  Put16(out, 1);
  Put16(out, uint16_t(bits));
  Put32(out, cBI_RGB);
  Put32(out, uint32_t(imageSize));
  for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolution and palette
  const size_t used = size_t(FWidth) * size_t(bits / 8);
  for (int y = FHeight - 1; y >= 0 && !FImage->Image.isNull(); --y) {
    const char* line = reinterpret_cast<const char*>(FImage->Image.constScanLine(y));
    out.append(line, used);
    out.append(size_t(rowBytes) - used, '\0');
  }
  stream.WriteBuffer(out.data(), int64_t(out.size()));
}

void TBitmap::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TBitmap*>(Source)) {
    FImage->Image = source->FImage->Image;
    FWidth = source->FWidth;
    FHeight = source->FHeight;
    FPixelFormat = source->FPixelFormat;
    return Changed();
  }
  auto* graphic = dynamic_cast<TGraphic*>(Source);
  if (!graphic) return inherited::Assign(Source);
  TBitmap drawn;
  drawn.SetPixelFormat(pf24bit);
  drawn.SetSize(graphic->GetWidth(), graphic->GetHeight());
  drawn.GetCanvas()->Draw(0, 0, *graphic);
  Assign(&drawn);
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
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
  if (value == FPixelFormat) return;
  if (!FImage->Image.isNull()) FImage->Image = FImage->Image.convertToFormat(QtFormat(value));
  FPixelFormat = value;
  Changed();
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

TClass FindGraphicClass(const std::string& className) {
  if (TBitmap::StaticClass()->ClassNameIs(className)) return TBitmap::StaticClass();
  for (const auto& format : PictureFileFormats())
    if (format->GraphicClass->ClassNameIs(className)) return format->GraphicClass;
  return nullptr;
}

// ---- TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Take(std::unique_ptr<TGraphic> graphic) {
  if (graphic) graphic->OnChange = [this](TObject*) { Changed(); };
  FGraphic = std::move(graphic);
  Changed();
}

void TPicture::SetGraphic(TGraphic* value) {
  if (!value) return Take(nullptr);
  auto copy = value->ClassType()->Create();
  static_cast<TGraphic&>(*copy).Assign(value);
  Take(std::unique_ptr<TGraphic>(static_cast<TGraphic*>(copy.release())));
}

void TPicture::LoadFromFile(const std::string& fileName) {
  const size_t dot = fileName.find_last_of("./");
  const std::string extension =
      dot == std::string::npos || fileName[dot] != '.' ? "" : fileName.substr(dot + 1);
  const std::string lower = QString::fromStdString(extension).toLower().toStdString();
  // A bitmap file is read as the bitmap, which keeps 32 bits a pixel and so their alpha.
  TClass graphicClass = lower == "bmp" ? TBitmap::StaticClass() : nullptr;
  for (const auto& format : PictureFileFormats())
    if (!graphicClass && format->Extension == lower) graphicClass = format->GraphicClass;
  if (!graphicClass) throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
  auto object = graphicClass->Create();
  std::unique_ptr<TGraphic> graphic(static_cast<TGraphic*>(object.release()));
  graphic->LoadFromFile(fileName);
  Take(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) const {
  if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) return SetGraphic(nullptr);
  if (auto* picture = dynamic_cast<TPicture*>(Source)) return SetGraphic(picture->FGraphic.get());
  if (auto* graphic = dynamic_cast<TGraphic*>(Source)) return SetGraphic(graphic);
  inherited::Assign(Source);
}

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::DefineProperties(TFiler& Filer) {
  inherited::DefineProperties(Filer);
  const auto readData = [this](TStream& stream) {
    uint8_t length = 0;
    stream.ReadBuffer(&length, 1);
    std::string className(length, '\0');
    stream.ReadBuffer(className.data(), length);
    TClass graphicClass = FindGraphicClass(className);
    if (!graphicClass) throw EInvalidGraphic("Unknown picture class " + className);
    auto object = graphicClass->Create();
    std::unique_ptr<TGraphic> graphic(static_cast<TGraphic*>(object.release()));
    graphic->ReadData(stream);
    Take(std::move(graphic));
  };
  const auto writeData = [this](TStream& stream) {
    const std::string& className = FGraphic->ClassName();
    const uint8_t length = uint8_t(className.size());
    stream.WriteBuffer(&length, 1);
    stream.WriteBuffer(className.data(), length);
    FGraphic->WriteData(stream);
  };
  Filer.DefineBinaryProperty("Data", readData, writeData, FGraphic != nullptr);
}
