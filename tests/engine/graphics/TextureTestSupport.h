#pragma once
// A texture under an owner that logs the notices reaching it, with the unit started as the
// program starts it (the image classes and the bitmap's extension registered), and files of
// pictures for the texture images to read.

#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "engine/GLTexture.h"
#include "tests/engine/graphics/GraphicsTestSupport.h"

namespace texture_test {

inline std::vector<std::string> Notices;

inline std::string NameOf(TObject* object) {
  return object ? object->ClassName() : std::string("nil");
}

// An update-able owner, as a material is to its texture.
class TNoticeOwner : public TGLUpdateAbleObject {
  RTL_CLASS(TNoticeOwner, TGLUpdateAbleObject)
  using TGLUpdateAbleObject::TGLUpdateAbleObject;
  void NotifyChange(TObject* Sender) override { Notices.push_back("owner <- " + NameOf(Sender)); }
};

class TextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeGLTexture();
    Notices.clear();
  }

  // The notices since the last call.
  std::vector<std::string> TakeNotices() { return std::exchange(Notices, {}); }

  TNoticeOwner owner{nullptr};
  TGLTexture texture{&owner};
};

// The image of a texture as its class.
template <class T>
T& ImageAs(TGLTexture& texture) {
  auto* image = dynamic_cast<T*>(texture.GetImage());
  if (!image) throw Exception("the texture's image is a " + texture.GetImageClassName());
  return *image;
}

// A picture file of one colour, as Qt writes it.
inline void WritePicture(const std::string& fileName, int width, int height, TGLPixel32 colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(qRgb(colour.R, colour.G, colour.B));
  if (!image.save(QString::fromStdString(fileName))) throw Exception("cannot write " + fileName);
}

}  // namespace texture_test
