// The texture images: the blank and float-data size files, the picture-file image's loading
// rules and its warning, the cube-map file, the class list, copies between kinds, and graphics
// made from files by extension.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/GLUtils.h"
#include "tests/engine/TempDir.h"
#include "tests/engine/graphics/TextureTestSupport.h"

namespace {
using namespace texture_test;
using testing::HasSubstr;
using testing::StartsWith;
using TLog = std::vector<std::string>;

const TGLPixel32 Red = {255, 0, 0, 255}, Green = {0, 255, 0, 255}, Blue = {0, 0, 255, 255};

class TextureImageTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    InitializeGLTexture();
    Notices.clear();
  }
  TLog TakeNotices() { return std::exchange(Notices, {}); }
  std::string Read(const std::string& fileName) const { return LoadStringFromFile(fileName); }

  TNoticeOwner owner{nullptr};
  TGLTexture texture{&owner};
};

const auto CouldNotOpen = [](const std::string& name) {
  return StartsWith("Could not open file: " + name + " (GLTextureImages.cpp, line ");
};

// ---- Blank and float-data images

TEST_F(TextureImageTest, SizedImagesWriteTheirSizeAsTextByteForByteAndReadItBack) {
  const struct {
    const char* imageClass;
    const char* text;
  } cases[] = {{"TGLBlankImage", "[BlankImage]\r\nWidth=300\r\nHeight=2"},
               {"TGLFloatDataImage", "[FloatDataImage]\r\nWidth=300\r\nHeight=2"}};
  for (const auto& c : cases) {
    texture.SetImageClassName(c.imageClass);
    auto& image = ImageAs<TGLSizedImage>(texture);
    image.SetWidth(300);
    image.SetHeight(2);
    image.SaveToFile(Path("size.txt"));
    EXPECT_EQ(Read(Path("size.txt")), c.text);

    TGLTexture other(nullptr);
    other.SetImageClassName(c.imageClass);
    other.GetImage()->LoadFromFile(Path("size.txt"));
    EXPECT_EQ(other.GetImage()->GetWidth(), 300) << c.imageClass;
    EXPECT_EQ(other.GetImage()->GetHeight(), 2) << c.imageClass;
  }
}

// A size file is refused when a side is out of range, so no bitmap of it is ever made; a side of
// 0 is kept, and a failed read leaves the size as it was.
TEST_F(TextureImageTest, ASizeFileIsTakenUnclampedWithinRange) {
  const struct {
    const char* what;
    const char* text;
    std::optional<std::pair<int, int>> size;
  } cases[] = {
      {"a width of 0", "[BlankImage]\r\nWidth=0\r\nHeight=5", std::pair(0, 5)},
      {"any header, any order, plain line ends", "[x]\nHeight=7\nWidth=9", std::pair(9, 7)},
      {"the largest side", "Width=32768\nHeight=1", std::pair(32768, 1)},
      {"a negative side", "Width=-1\nHeight=5", std::nullopt},
      {"a side too large", "Width=4\nHeight=32769", std::nullopt},
      {"a side beyond 32 bits", "Width=4294967297\nHeight=4", std::nullopt},
      {"no number", "Width=wide\nHeight=4", std::nullopt},
      {"no height", "Width=4", std::nullopt},
  };
  for (const auto& c : cases) {
    TGLBlankImage image(&texture);
    const std::string file = Write("size.txt", c.text);
    if (c.size) {
      image.LoadFromFile(file);
      EXPECT_EQ(std::pair(image.GetWidth(), image.GetHeight()), *c.size) << c.what;
      continue;
    }
    try {
      image.LoadFromFile(file);
      ADD_FAILURE() << c.what << ": read";
    } catch (const EReadError& e) {
      EXPECT_THAT(e.Message(), StartsWith("Invalid image size ")) << c.what;
    } catch (const EConvertError& e) {
      EXPECT_THAT(e.Message(), HasSubstr("is not a valid integer value")) << c.what;
    }
    EXPECT_EQ(std::pair(image.GetWidth(), image.GetHeight()), std::pair(256, 256)) << c.what;
  }
}

TEST_F(TextureImageTest, TheTextureNeededHandlerNamesTheFileAndAMissingOneFailsTheAssertion) {
  texture.SetImageClassName("TGLBlankImage");
  TLog asked;
  std::string answer = Write("found.txt", "Width=12\nHeight=34");
  texture.OnTextureNeeded = [&](TObject* sender, std::string& name) {
    asked.push_back(NameOf(sender) + " asks for " + name);
    name = answer;
  };
  texture.GetImage()->LoadFromFile("wanted.txt");
  EXPECT_EQ(asked, (TLog{"TGLBlankImage asks for wanted.txt"}));
  EXPECT_EQ(texture.GetImage()->GetWidth(), 12);

  answer = Path("missing.txt");
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { texture.GetImage()->LoadFromFile("wanted.txt"); },
                                       CouldNotOpen("wanted.txt")))
      << "the message names the file asked for";
}

TEST_F(TextureImageTest, SizeSettersKeepAtLeast1AndANewBitmapIsZero) {
  texture.SetImageClassName("TGLBlankImage");
  auto& image = ImageAs<TGLBlankImage>(texture);
  TakeNotices();
  image.SetWidth(256);
  EXPECT_TRUE(TakeNotices().empty()) << "the same width";
  image.SetWidth(-3);
  EXPECT_EQ(image.GetWidth(), 1);
  image.SetHeight(0);
  EXPECT_EQ(image.GetHeight(), 1);
  EXPECT_EQ(TakeNotices(), (TLog{"owner <- TGLTexture", "owner <- TGLTexture"}));

  image.SetWidth(5);
  image.SetHeight(3);
  TGLBitmap32* bitmap = image.GetBitmap32(GL_TEXTURE_2D);
  EXPECT_EQ(bitmap->GetWidth(), 8) << "a multiple of 4";
  EXPECT_EQ(bitmap->GetHeight(), 3);
  EXPECT_EQ(Rows(*bitmap), TPixelRows(3, std::vector<TGLPixel32>(8, TGLPixel32{0, 0, 0, 0})));
  EXPECT_EQ(image.GetBitmap32(GL_TEXTURE_2D), bitmap) << "kept until released";
  image.ReleaseBitmap32();

  EXPECT_EQ(image.FriendlyName(), "Blank Image");
  EXPECT_EQ(image.FriendlyDescription(), "Blank Image (Width x Height)");
  EXPECT_EQ(image.NativeTextureTarget(), GLenum(GL_TEXTURE_2D));
  TGLFloatDataImage floatImage(nullptr);
  EXPECT_EQ(floatImage.NativeTextureTarget(), GLenum(GL_TEXTURE_RECTANGLE_NV));
  EXPECT_EQ(floatImage.FriendlyDescription(), "Image to be dynamically generated by OpenGL");
}

TEST_F(TextureImageTest, AnImageWithoutATextureTellsNobodyAndAnotherOwnerIsRefused) {
  TGLBlankImage image(nullptr);
  image.OnNotifyChange = [](TObject*) { Notices.push_back("event"); };
  image.SetWidth(3);
  image.Invalidate();
  EXPECT_TRUE(TakeNotices().empty());
  EXPECT_EQ(image.GetOwnerTexture(), nullptr);
  EXPECT_TRUE(Raises<EInvalidCast>([&] { TGLBlankImage wrong(&owner); }, "Invalid class typecast"));
}

// ---- Picture-file images

TEST_F(TextureImageTest, APictureFileImageFileNamesThePictureOrIsThePicture) {
  const std::string text511(511, 'n');
  const struct {
    const char* what;
    std::optional<std::string> content;  // none: no file
    bool namesItself;                    // the file is taken as the picture
    std::string expected;
  } cases[] = {
      {"511 bytes of text", text511, false, text511},
      {"512 bytes", std::string(512, 'n'), true, ""},
      {"a NUL byte", std::string("a.bmp\0", 6), true, ""},
      {"line ends are kept", "pictures/a.bmp\r\n", false, "pictures/a.bmp\r\n"},
      {"an empty file", "", false, ""},
      {"no file", std::nullopt, false, ""},
  };
  for (const auto& c : cases) {
    TGLPicFileImage image(&texture);
    image.SetPictureFileName("before.bmp");
    const std::string file = c.content ? Write("image.txt", *c.content) : Path("none.txt");
    image.LoadFromFile(file);
    EXPECT_EQ(image.GetPictureFileName(), c.namesItself ? file : c.expected) << c.what;
  }
  TGLPicFileImage image(&texture);
  image.SetPictureFileName("a/b.bmp");
  image.SaveToFile(Path("saved.txt"));
  EXPECT_EQ(Read(Path("saved.txt")), "a/b.bmp");
}

TEST_F(TextureImageTest, APictureFileIsReadAtEachUploadAndNotKept) {
  WritePicture(Path("red.bmp"), 4, 2, Red);
  texture.SetImageClassName("TGLPicFileImage");
  auto& image = ImageAs<TGLPicFileImage>(texture);
  image.SetPictureFileName(Path("red.bmp"));
  TakeNotices();
  TGLBitmap32* bitmap = image.GetBitmap32(GL_TEXTURE_2D);
  EXPECT_EQ(Rows(*bitmap), TPixelRows(2, std::vector<TGLPixel32>(4, Red)));
  EXPECT_EQ(image.GetPicture()->GetGraphic(), nullptr) << "the picture is not kept";
  EXPECT_TRUE(TakeNotices().empty()) << "reading the file changes nothing";
  image.ReleaseBitmap32();

  WritePicture(Path("red.bmp"), 4, 2, Blue);
  EXPECT_EQ(Rows(*image.GetBitmap32(GL_TEXTURE_2D))[0][0], Blue) << "read again";
}

TEST_F(TextureImageTest, AMissingPictureFileWarnsOnceUntilItsNameChanges) {
  texture.SetImageClassName("TGLPicFileImage");
  auto& image = ImageAs<TGLPicFileImage>(texture);
  const std::string missing = Path("missing.bmp");
  image.SetPictureFileName(missing);
  EXPECT_TRUE(
      Raises<EAssertionFailed>([&] { image.GetBitmap32(GL_TEXTURE_2D); }, CouldNotOpen(missing)));
  TakeNotices();
  EXPECT_TRUE(image.GetBitmap32(GL_TEXTURE_2D)->IsEmpty()) << "no second warning";

  const auto red = MakeBitmap(pf24bit, {{Red, Red, Red, Red}});
  image.GetPicture()->SetGraphic(red.get());
  EXPECT_EQ(TakeNotices(), (TLog{"owner <- TGLTexture"}))
      << "the picture's change event is back after the warning";

  image.SetPictureFileName(Path("other.bmp"));
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { image.GetBitmap32(GL_TEXTURE_2D); },
                                       CouldNotOpen(Path("other.bmp"))))
      << "a new name warns again";
}

// ---- Cube maps

std::unique_ptr<TBitmap> Square(TGLPixel32 colour, int side = 4) {
  return MakeBitmap(pf24bit,
                    TPixelRows(size_t(side), std::vector<TGLPixel32>(size_t(side), colour)));
}

const TGLPixel32 FaceColours[6] = {
    Red, Green, Blue, {10, 20, 30, 255}, {40, 50, 60, 255}, {70, 80, 90, 255}};

void PaintFaces(TGLCubeMapImage& image, const TGLPixel32 (&colours)[6]) {
  for (int i = 0; i < 6; ++i) image.GetPicture(i)->SetGraphic(Square(colours[i]).get());
}

TEST_F(TextureImageTest, ACubeMapFileHoldsTheVersionAndSixBitmapsBackToBack) {
  texture.SetImageClassName("TGLCubeMapImage");
  auto& image = ImageAs<TGLCubeMapImage>(texture);
  PaintFaces(image, FaceColours);
  image.SaveToFile(Path("cube.map"));
  const std::string file = Read(Path("cube.map"));
  std::string expected("\x00\x01", 2);
  for (const TGLPixel32& colour : FaceColours) {
    TStringStream face;
    Square(colour)->SaveToStream(face);
    expected += face.DataString();
  }
  EXPECT_EQ(file, expected);

  TGLTexture other(nullptr);
  other.SetImageClassName("TGLCubeMapImage");
  auto& read = ImageAs<TGLCubeMapImage>(other);
  read.LoadFromFile(Path("cube.map"));
  for (int i = 0; i < 6; ++i) {
    TGLBitmap32* face = read.GetBitmap32(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i);
    EXPECT_EQ(Rows(*face)[0][0], FaceColours[i]) << "face " << i;
  }
  EXPECT_EQ(Rows(*read.GetBitmap32(GL_TEXTURE_2D))[0][0], FaceColours[0]) << "another target";
}

TEST_F(TextureImageTest, ACubeMapFaceHasItsTopRowFirst) {
  TGLCubeMapImage image(&texture);
  const auto face = MakeBitmap(pf24bit, {{Red, Red, Red, Red}, {Blue, Blue, Blue, Blue}});
  image.GetPicture(3)->SetGraphic(face.get());
  const TPixelRows rows = Rows(*image.GetBitmap32(GL_TEXTURE_CUBE_MAP_NEGATIVE_Y));
  EXPECT_EQ(rows[0][0], Red);
  EXPECT_EQ(rows[1][0], Blue);
  EXPECT_EQ(image.GetWidth(), 0) << "the size is face 0's";
}

TEST_F(TextureImageTest, ACubeMapFileThatDoesNotReadLeavesEveryFaceAsItWas) {
  TGLPixel32 other[6];
  std::fill(std::begin(other), std::end(other), TGLPixel32{1, 2, 3, 255});
  TGLCubeMapImage source(&texture);
  PaintFaces(source, FaceColours);
  source.SaveToFile(Path("cube.map"));
  const std::string good = Read(Path("cube.map"));
  const size_t faceSize = (good.size() - 2) / 6;
  const struct {
    const char* what;
    std::string file;
    std::function<testing::AssertionResult(TGLCubeMapImage&, const std::string&)> raises;
  } cases[] = {
      {"a version of 1.0 the other way round", std::string("\x01\x00", 2) + good.substr(2),
       [](TGLCubeMapImage& image, const std::string& file) {
         return Raises<EAssertionFailed>([&] { image.LoadFromFile(file); },
                                         StartsWith("Assertion failure (GLTextureImages.cpp"));
       }},
      {"a fourth face cut short", good.substr(0, 2 + 3 * faceSize + 20),
       [](TGLCubeMapImage& image, const std::string& file) {
         return Raises<EInvalidGraphic>([&] { image.LoadFromFile(file); },
                                        "Bitmap image is not valid");
       }},
      {"one byte", "\x00",
       [](TGLCubeMapImage& image, const std::string& file) {
         return Raises<EReadError>([&] { image.LoadFromFile(file); }, "Stream read error");
       }},
      // Qt's reader would allocate the 2 x 16,384,002 pixels before looking at the few there.
      {"a second face of 8 bits declaring millions of rows",
       good.substr(0, 2 + faceSize) + DeclaredBitmap(40, 2, 16384002, 8, 0, std::string(64, '\1')),
       [](TGLCubeMapImage& image, const std::string& file) {
         return Raises<EInvalidGraphic>([&] { image.LoadFromFile(file); },
                                        "Bitmap image is not valid");
       }},
  };
  for (const auto& c : cases) {
    TGLCubeMapImage image(&texture);
    PaintFaces(image, other);
    EXPECT_TRUE(c.raises(image, Write("bad.map", c.file))) << c.what;
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(Rows(*image.GetBitmap32(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i))[0][0], other[i])
          << c.what << ", face " << i;
  }
  TGLCubeMapImage image(&texture);
  EXPECT_TRUE(
      Raises<EFOpenError>([&] { image.LoadFromFile(Path("none.map")); }, HasSubstr("none.map")));
}

// ---- The class list, copies and graphics from files

TEST_F(TextureImageTest, ImageClassesAreFoundByTheirExactName) {
  const struct {
    const char* name;
    TClass expected;
  } cases[] = {
      {"TGLBlankImage", TGLBlankImage::StaticClass()},
      {"TGLPersistentImage", TGLPersistentImage::StaticClass()},
      {"TGLPicFileImage", TGLPicFileImage::StaticClass()},
      {"TGLCubeMapImage", TGLCubeMapImage::StaticClass()},
      {"TGLFloatDataImage", TGLFloatDataImage::StaticClass()},
      {"tglblankimage", nullptr},
      {"TGLBlankImage ", nullptr},
      {"TGLPictureImage", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) EXPECT_EQ(FindGLTextureImageClass(c.name), c.expected) << c.name;
}

TEST_F(TextureImageTest, CopiesBetweenImageKinds) {
  const auto red = MakeBitmap(pf24bit, {{Red, Red, Red, Red}});
  TGLPersistentImage persistent(&texture);
  persistent.GetPicture()->SetGraphic(red.get());
  TGLPicFileImage picFile(&texture);
  picFile.SetPictureFileName("a.bmp");
  TGLBlankImage blank(&texture);
  blank.LoadFromFile(Write("zero.txt", "Width=0\nHeight=3"));

  TGLPicFileImage copiedName(&texture);
  TakeNotices();
  copiedName.Assign(&picFile);
  EXPECT_EQ(copiedName.GetPictureFileName(), "a.bmp");
  EXPECT_TRUE(TakeNotices().empty()) << "only the name is copied";

  copiedName.Assign(&persistent);
  EXPECT_EQ(TakeNotices(), (TLog{"owner <- TGLTexture"}));
  EXPECT_EQ(Rows(*copiedName.GetBitmap32(GL_TEXTURE_2D))[0][0], Red)
      << "a persistent image's picture, kept by the picture-file image";

  TGLBlankImage copiedSize(&texture);
  copiedSize.Assign(&blank);
  EXPECT_EQ(copiedSize.GetWidth(), 0) << "unclamped";
  EXPECT_EQ(copiedSize.GetHeight(), 3);

  TGLBitmap32 rgba;
  Fill(rgba, {{Blue, Blue, Blue, Blue}});
  TGLPersistentImage fromBitmap(&texture);
  fromBitmap.Assign(&rgba);
  ASSERT_NE(fromBitmap.GetPicture()->GetGraphic(), nullptr);
  EXPECT_EQ(Rows(*fromBitmap.GetBitmap32(GL_TEXTURE_2D)), (TPixelRows{{Blue, Blue, Blue, Blue}}));

  TGLCubeMapImage cube(&texture), copiedCube(&texture);
  PaintFaces(cube, FaceColours);
  copiedCube.Assign(&cube);
  EXPECT_EQ(Rows(*copiedCube.GetBitmap32(GL_TEXTURE_CUBE_MAP_POSITIVE_Z))[0][0], FaceColours[4]);

  TGLFloatDataImage floatImage(&texture);
  const struct {
    TGLTextureImage* target;
    TPersistent* source;
    const char* message;
  } refused[] = {
      {&persistent, &picFile, "Cannot assign a TGLPicFileImage to a TGLPersistentImage"},
      {&persistent, nullptr, "Cannot assign a nil to a TGLPersistentImage"},
      {&blank, &floatImage, "Cannot assign a TGLFloatDataImage to a TGLBlankImage"},
      {&cube, &blank, "Cannot assign a TGLBlankImage to a TGLCubeMapImage"},
  };
  for (const auto& r : refused)
    EXPECT_TRUE(Raises<EConvertError>([&] { r.target->Assign(r.source); }, r.message));
}

TEST_F(TextureImageTest, GraphicsFromFilesGoByTheLowerCasedExtension) {
  Square(Red)->SaveToFile(Path("upper.BMP"));
  WritePicture(Path("p.png"), 3, 2, Green);
  const struct {
    std::string file;
    TClass expected;
  } cases[] = {
      {Path("upper.BMP"), TBitmap::StaticClass()},
      {Path("p.png"), TImageGraphic::StaticClass()},
      {Write("notes.xyz", "text"), nullptr},
      {Write("noextension", "text"), nullptr},
      {Path("missing.bmp"), nullptr},
  };
  for (const auto& c : cases) {
    const std::unique_ptr<TGraphic> graphic = CreateGraphicFromFile(c.file);
    EXPECT_EQ(graphic ? graphic->ClassType() : nullptr, c.expected) << c.file;
  }
  EXPECT_EQ(CreateGraphicFromFile(Path("upper.BMP"))->GetWidth(), 4);
  EXPECT_THROW(CreateGraphicFromFile(Write("bad.bmp", "BM")), EInvalidGraphic);
}

TEST_F(TextureImageTest, APersistentImageLoadsItsPictureOrEmptiesIt) {
  texture.SetImageClassName("TGLPersistentImage");
  auto& image = ImageAs<TGLPersistentImage>(texture);
  WritePicture(Path("green.png"), 3, 2, Green);
  image.LoadFromFile(Path("green.png"));
  EXPECT_EQ(image.GetWidth(), 3);
  EXPECT_TRUE(Raises<ETexture>([&] { image.LoadFromFile(Path("gone.png")); },
                               "Could not open file: " + Path("gone.png")));
  EXPECT_EQ(image.GetPicture()->GetGraphic(), nullptr);
}

TEST_F(TextureImageTest, A32BitBitmapFileKeepsItsAlphaThroughEitherPictureImage) {
  const TPixelRows picture = {
      {{10, 20, 30, 0}, {40, 50, 60, 1}, {70, 80, 90, 127}, {100, 110, 120, 128}},
      {{130, 140, 150, 200}, {160, 170, 180, 254}, {190, 200, 210, 255}, {1, 2, 3, 77}}};
  const std::string file = Path("alpha.bmp");
  MakeBitmap(pf32bit, picture)->SaveToFile(file);
  const struct {
    const char* imageClass;
    std::function<void(TGLTextureImage&)> load;
  } cases[] = {
      {"TGLPersistentImage", [&](TGLTextureImage& image) { image.LoadFromFile(file); }},
      {"TGLPicFileImage",
       [&](TGLTextureImage& image) {
         static_cast<TGLPicFileImage&>(image).SetPictureFileName(file);
       }},
  };
  for (const auto& c : cases) {
    texture.SetImageClassName(c.imageClass);
    c.load(*texture.GetImage());
    // The block starts from the picture's bottom row.
    EXPECT_EQ(Rows(*texture.GetImage()->GetBitmap32(GL_TEXTURE_2D)),
              (TPixelRows{picture[1], picture[0]}))
        << c.imageClass;
  }
}

}  // namespace
