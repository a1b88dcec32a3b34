#include "platform/gui/Pictures.h"

#include <QByteArray>
#include <QImage>
#include <QImageReader>

struct TImageGraphic::TImage {
  QImage Image;
};

TImageGraphic::TImageGraphic() : FImage(std::make_unique<TImage>()) {}
TImageGraphic::~TImageGraphic() = default;

void TImageGraphic::LoadFromStream(TStream& stream) {
  QByteArray data(qsizetype(stream.GetSize() - stream.GetPosition()), '\0');
  stream.ReadBuffer(data.data(), data.size());
  QImage image;
  if (!image.loadFromData(data)) throw EInvalidGraphic("The data is no picture of a known format");
  FImage->Image = std::move(image);
}

int TImageGraphic::GetWidth() const {
  return FImage->Image.width();
}

int TImageGraphic::GetHeight() const {
  return FImage->Image.height();
}

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
