// The texture images of the colour and texture unit, their class list and the table of picture
// file extensions.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/GLTexture.h"
#include "engine/base/ApplicationFileIO.h"
#include "engine/base/PictureRegisteredFormats.h"
#include "platform/rtl/SysUtils.h"

namespace {

std::vector<TClass>& ImageClasses() {
  static std::vector<TClass> classes;
  return classes;
}

struct TGraphicExtension {
  std::string Extension;  // lower case, with the dot
  TClass GraphicClass;
};

std::vector<TGraphicExtension>& GraphicExtensions() {
  static std::vector<TGraphicExtension> extensions;
  return extensions;
}

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return text;
}

// The extension with its dot, or "" when the last path element has none.
std::string ExtractFileExt(const std::string& fileName) {
  const size_t dot = fileName.find_last_of("./");
  return dot == std::string::npos || fileName[dot] != '.' ? "" : fileName.substr(dot);
}

std::string CouldNotOpen(const std::string& fileName) {
  return "Could not open file: " + fileName;
}

}  // namespace

void RegisterGLTextureImageClass(TClass imageClass) {
  ImageClasses().push_back(imageClass);
}

TClass FindGLTextureImageClass(const std::string& className) {
  for (TClass imageClass : ImageClasses())
    if (imageClass->ClassName() == className) return imageClass;
  return nullptr;
}

void RegisterGraphicFileExtension(const std::string& extension, TClass graphicClass) {
  GraphicExtensions().push_back({LowerCase(extension), graphicClass});
}

std::unique_ptr<TGraphic> CreateGraphicFromFile(const std::string& fileName) {
  if (!FileStreamExists(fileName)) return nullptr;
  const std::string extension = LowerCase(ExtractFileExt(fileName));
  TClass graphicClass = nullptr;
  for (const TGraphicExtension& entry : GraphicExtensions())
    if (entry.Extension == extension) {
      graphicClass = entry.GraphicClass;
      break;
    }
  if (!graphicClass) graphicClass = GraphicClassForExtension(extension);
  if (!graphicClass) return nullptr;
  auto object = graphicClass->Create();
  std::unique_ptr<TGraphic> graphic(static_cast<TGraphic*>(object.release()));
  graphic->LoadFromStream(*CreateFileStream(fileName));
  return graphic;
}

// ---- TGLTextureImage

TGLTextureImage::TGLTextureImage(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner), FOwnerTexture(rtl_detail::CreateArgCast<TGLTexture*>(AOwner)) {}

void TGLTextureImage::NotifyChange(TObject*) {
  if (!FOwnerTexture) return;
  FOwnerTexture->FChanges |= TGLTexture::tcImage;
  FOwnerTexture->NotifyChange(this);
}

void TGLTextureImage::Invalidate() {
  ReleaseBitmap32();
  NotifyChange(this);
}

std::string TGLTextureImage::TextureNeeded(const std::string& fileName) {
  std::string name = fileName;
  if (OnTextureNeeded) OnTextureNeeded(this, name);
  return name;
}

void TGLTextureImage::LoadFromFile(const std::string& fileName) {
  TextureNeeded(fileName);
}

// ---- Blank and float-data images

const TPropertyTable& TGLSizedImage::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLSizedImage>(TGLTextureImage::Published())
          .Integer("Width", &TGLSizedImage::GetWidth, &TGLSizedImage::SetWidth, Default(256))
          .Integer("Height", &TGLSizedImage::GetHeight, &TGLSizedImage::SetHeight, Default(256));
  return table;
}

TGLSizedImage::TGLSizedImage(TPersistent* AOwner) : TGLTextureImage(AOwner) {}
TGLSizedImage::~TGLSizedImage() = default;

void TGLSizedImage::SetWidth(int32_t value) {
  if (value == FWidth) return;
  FWidth = std::max(value, 1);
  Invalidate();
}

void TGLSizedImage::SetHeight(int32_t value) {
  if (value == FHeight) return;
  FHeight = std::max(value, 1);
  Invalidate();
}

TGLBitmap32* TGLSizedImage::GetBitmap32(GLenum) {
  if (!FBitmap) {
    auto bitmap = std::make_unique<TGLBitmap32>();
    bitmap->SetWidth(FWidth);
    bitmap->SetHeight(FHeight);
    FBitmap = std::move(bitmap);
  }
  return FBitmap.get();
}

void TGLSizedImage::ReleaseBitmap32() {
  FBitmap.reset();
}

void TGLSizedImage::SaveToFile(const std::string& fileName) {
  SaveStringToFile(fileName, std::string(FileHeader()) + "\r\nWidth=" + IntToStr(FWidth) +
                                 "\r\nHeight=" + IntToStr(FHeight));
}

void TGLSizedImage::LoadFromFile(const std::string& fileName) {
  const std::string name = TextureNeeded(fileName);
  Assert(FileStreamExists(name), CouldNotOpen(fileName));
  TStringList lines;
  lines.LoadFromFile(name);
  const int32_t width = StrToInt(lines.Values("Width"));
  const int32_t height = StrToInt(lines.Values("Height"));
  // A side of 0 is kept, and uploads nothing; a size that no texture could have is refused
  // before a bitmap of it is ever asked for.
  if (width < 0 || height < 0 || width > cMaxImageSide || height > cMaxImageSide)
    throw EReadError("Invalid image size " + IntToStr(width) + " x " + IntToStr(height) + " in " +
                     name);
  FWidth = width;
  FHeight = height;
}

void TGLSizedImage::Assign(TPersistent* Source) {
  if (!Source || Source->ClassType() != ClassType()) return inherited::Assign(Source);
  auto* source = static_cast<TGLSizedImage*>(Source);
  FWidth = source->FWidth;
  FHeight = source->FHeight;
  Invalidate();
}

// ---- Picture images

TGLPictureImage::TGLPictureImage(TPersistent* AOwner) : TGLTextureImage(AOwner) {}
TGLPictureImage::~TGLPictureImage() = default;

TPicture* TGLPictureImage::GetPicture() {
  if (!FPicture) {
    FPicture = std::make_unique<TPicture>();
    FPicture->OnChange = [this](TObject*) { Invalidate(); };
  }
  return FPicture.get();
}

TGLBitmap32* TGLPictureImage::GetBitmap32(GLenum) {
  if (!FBitmap) {
    TPicture& picture = *GetPicture();
    TChangeDetached<TPicture> detached(picture);
    auto bitmap = std::make_unique<TGLBitmap32>();
    bitmap->Assign(picture.GetGraphic());
    FBitmap = std::move(bitmap);
  }
  return FBitmap.get();
}

void TGLPictureImage::ReleaseBitmap32() {
  FBitmap.reset();
}

void TGLPictureImage::Assign(TPersistent* Source) {
  if (auto* image = dynamic_cast<TGLPersistentImage*>(Source)) {
    GetPicture()->Assign(image->GetPicture());
  } else if (dynamic_cast<TGraphic*>(Source) || dynamic_cast<TPicture*>(Source)) {
    GetPicture()->Assign(Source);
  } else if (auto* bitmap = dynamic_cast<TGLBitmap32*>(Source)) {
    const std::unique_ptr<TBitmap> converted = bitmap->Create32BitsBitmap();
    GetPicture()->SetGraphic(converted.get());
  } else {
    inherited::Assign(Source);
  }
}

// ---- TGLPersistentImage

const TPropertyTable& TGLPersistentImage::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLPersistentImage>(TGLPictureImage::Published())
          .Object("Picture", [](const TGLPersistentImage& i) {
            return const_cast<TGLPersistentImage&>(i).GetPicture();
          });
  return table;
}

void TGLPersistentImage::SaveToFile(const std::string& fileName) {
  GetPicture()->SaveToFile(fileName);
}

void TGLPersistentImage::LoadFromFile(const std::string& fileName) {
  const std::string name = TextureNeeded(fileName);
  if (ApplicationFileIOAvailable()) {
    if (const std::unique_ptr<TGraphic> graphic = CreateGraphicFromFile(name)) {
      GetPicture()->SetGraphic(graphic.get());
      return;
    }
  } else if (FileStreamExists(name)) {
    GetPicture()->LoadFromFile(name);
    return;
  }
  GetPicture()->SetGraphic(nullptr);
  throw ETexture(CouldNotOpen(fileName));
}

// ---- TGLPicFileImage

const TPropertyTable& TGLPicFileImage::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLPicFileImage>(TGLPictureImage::Published())
          .String("PictureFileName", &TGLPicFileImage::GetPictureFileName,
                  &TGLPicFileImage::SetPictureFileName);
  return table;
}

void TGLPicFileImage::SetPictureFileName(const std::string& value) {
  if (value == FPictureFileName) return;
  FPictureFileName = value;
  FAlreadyWarned = false;
  Invalidate();
}

void TGLPicFileImage::Invalidate() {
  {
    TPicture& picture = *GetPicture();
    TChangeDetached<TPicture> detached(picture);
    picture.SetGraphic(nullptr);
    TGLPictureImage::ReleaseBitmap32();
  }
  inherited::Invalidate();
}

TGLBitmap32* TGLPicFileImage::GetBitmap32(GLenum target) {
  TPicture& picture = *GetPicture();
  if (picture.GetWidth() >= 1 || FPictureFileName.empty()) return inherited::GetBitmap32(target);
  // The picture is read for this upload only; its comings and goings are no change of the
  // image, whatever way this ends.
  TChangeDetached<TPicture> detached(picture);
  const std::string name = TextureNeeded(FPictureFileName);
  if (FileStreamExists(name)) {
    picture.SetGraphic(CreateGraphicFromFile(name).get());
  } else {
    picture.SetGraphic(nullptr);
    if (!FAlreadyWarned) {
      FAlreadyWarned = true;
      Assert(false, CouldNotOpen(FPictureFileName));
    }
  }
  TGLBitmap32* bitmap = inherited::GetBitmap32(target);
  picture.SetGraphic(nullptr);
  return bitmap;
}

void TGLPicFileImage::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TGLPicFileImage*>(Source)) {
    FPictureFileName = source->FPictureFileName;
    return;
  }
  // This image's invalidation empties the picture, which would take the copy away at once.
  {
    TPicture& picture = *GetPicture();
    TChangeDetached<TPicture> detached(picture);
    inherited::Assign(Source);
  }
  TGLTextureImage::Invalidate();
}

void TGLPicFileImage::SaveToFile(const std::string& fileName) {
  SaveStringToFile(fileName, FPictureFileName);
}

void TGLPicFileImage::LoadFromFile(const std::string& fileName) {
  TGLTextureImage::LoadFromFile(fileName);
  if (SizeOfFile(fileName) >= 512) return SetPictureFileName(fileName);
  const std::string text = LoadStringFromFile(fileName);
  SetPictureFileName(text.find('\0') == std::string::npos ? text : fileName);
}

// ---- TGLCubeMapImage

const TPropertyTable& TGLCubeMapImage::Published() {
  static const TPropertyTable table = [] {
    auto table = TPropertyTable::Extend<TGLCubeMapImage>(TGLTextureImage::Published());
    static const char* const names[6] = {"PicturePX", "PictureNX", "PicturePY",
                                         "PictureNY", "PicturePZ", "PictureNZ"};
    for (int i = 0; i < 6; ++i)
      table.Object(names[i], [i](const TGLCubeMapImage& image) { return image.GetPicture(i); });
    return TPropertyTable(table);
  }();
  return table;
}

TGLCubeMapImage::TGLCubeMapImage(TPersistent* AOwner) : TGLTextureImage(AOwner) {
  for (auto& picture : FPictures) {
    picture = std::make_unique<TPicture>();
    picture->OnChange = [this](TObject*) { Invalidate(); };
  }
}

TGLCubeMapImage::~TGLCubeMapImage() = default;

TGLBitmap32* TGLCubeMapImage::GetBitmap32(GLenum target) {
  const bool face =
      target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
  TPicture& picture = *FPictures[face ? target - GL_TEXTURE_CUBE_MAP_POSITIVE_X : 0];
  FBitmap.reset();
  auto bitmap = std::make_unique<TGLBitmap32>();
  bitmap->SetVerticalReverse(true);
  {
    TChangeDetached<TPicture> detached(picture);
    bitmap->Assign(picture.GetGraphic());
  }
  FBitmap = std::move(bitmap);
  return FBitmap.get();
}

void TGLCubeMapImage::ReleaseBitmap32() {
  FBitmap.reset();
}

void TGLCubeMapImage::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TGLCubeMapImage*>(Source);
  if (!source) return inherited::Assign(Source);
  for (int i = 0; i < 6; ++i) FPictures[i]->Assign(source->FPictures[i].get());
  Invalidate();
}

namespace {
constexpr uint16_t cCubeMapVersion = 0x0100;
}

void TGLCubeMapImage::SaveToFile(const std::string& fileName) {
  TFileStream stream(fileName, fmCreate);
  const uint8_t version[2] = {uint8_t(cCubeMapVersion & 0xFF), uint8_t(cCubeMapVersion >> 8)};
  stream.WriteBuffer(version, sizeof version);
  for (const auto& picture : FPictures) {
    TBitmap bitmap;
    if (picture->GetGraphic()) bitmap.Assign(picture->GetGraphic());
    bitmap.SaveToStream(stream);
  }
}

void TGLCubeMapImage::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  uint8_t version[2];
  stream.ReadBuffer(version, sizeof version);
  Assert((version[0] | version[1] << 8) == cCubeMapVersion);
  std::array<TBitmap, 6> faces;
  for (TBitmap& face : faces) face.LoadFromStream(stream);
  for (int i = 0; i < 6; ++i) FPictures[i]->Assign(&faces[i]);
}
