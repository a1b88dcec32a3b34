#pragma once
// Pictures read from files, and the registry of the picture file formats: which graphic class
// loads the files of an extension. The interface holds nothing of Qt, so that the engine can
// use it.

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// What a picture file loads into.
class TGraphic : public TPersistent {
  RTL_CLASS(TGraphic, TPersistent)
  // EInvalidGraphic when the data is no picture of a known format.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  bool Empty() const { return GetWidth() == 0 || GetHeight() == 0; }
};

// A picture decoded by Qt's image readers: the graphic class of every registered format.
class TImageGraphic : public TGraphic {
  RTL_CLASS(TImageGraphic, TGraphic)
  TImageGraphic();
  ~TImageGraphic() override;
  void LoadFromStream(TStream& stream) override;
  int GetWidth() const override;
  int GetHeight() const override;

 private:
  struct TImage;
  std::unique_ptr<TImage> FImage;
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
