// The class library's pictures as the texture images use them: the bitmap file written byte for
// byte and read back by its own length (several back to back), the picture that holds a graphic
// with its change event and its layout value.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <QBuffer>
#include <QImage>
#include <string>
#include <vector>

#include "tests/engine/TempDir.h"
#include "tests/engine/graphics/GraphicsTestSupport.h"

namespace {

using testing::HasSubstr;

std::string Hex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(char(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string Saved(const TGraphic& graphic) {
  TStringStream stream;
  graphic.SaveToStream(stream);
  return stream.DataString();
}

const TGLPixel32 Red = {255, 0, 0, 255}, Blue = {0, 0, 255, 128}, Olive = {10, 20, 30, 40};

TEST(Bitmap, SavesAWindowsBitmapFileByteForByte) {
  const struct {
    const char* what;
    TPixelFormat format;
    TPixelRows rows;
    std::string file;
  } cases[] = {
      // clang-format off
      {"24 bits, rows padded to 4 bytes", pf24bit, {{Red, Blue, Olive}, {Olive, Red, Red}},
       Hex("424D" "4E000000" "00000000" "36000000"                     // file header
           "28000000" "03000000" "02000000" "0100" "1800" "00000000"  // info header
           "18000000" "00000000" "00000000" "00000000" "00000000"
           "1E140A" "0000FF" "0000FF" "000000"                        // bottom row first
           "0000FF" "FF0000" "1E140A" "000000")},
      {"32 bits keep the fourth byte", pf32bit, {{Blue}, {Olive}},
       Hex("424D" "3E000000" "00000000" "36000000"
           "28000000" "01000000" "02000000" "0100" "2000" "00000000"
           "08000000" "00000000" "00000000" "00000000" "00000000"
           "1E140A28"
           "FF000080")},
      {"empty", pf24bit, {},
       Hex("424D" "36000000" "00000000" "36000000"
           "28000000" "00000000" "00000000" "0100" "1800" "00000000"
           "00000000" "00000000" "00000000" "00000000" "00000000")},
      // clang-format on
  };
  for (const auto& c : cases) {
    const auto bitmap = MakeBitmap(c.format, c.rows);
    EXPECT_EQ(Saved(*bitmap), c.file) << c.what;
  }
}

TPixelRows Pixels(TBitmap& bitmap) {
  TGLBitmap32 image;
  image.SetVerticalReverse(true);
  image.Assign(&bitmap);
  return Rows(image);
}

TEST(Bitmap, ReadsBackWhatItWritesInItsOwnFormat) {
  const struct {
    TPixelFormat written, read;
  } cases[] = {{pf24bit, pf24bit}, {pf32bit, pf32bit}, {pfDevice, pf32bit}};
  const TPixelRows rows = {{Red, Blue, Olive, Red}, {Olive, Olive, Red, Blue}};
  for (const auto& c : cases) {
    const auto written = MakeBitmap(c.written, rows);
    const std::string file = Saved(*written);
    TBitmap read;
    TStringStream stream(file);
    read.LoadFromStream(stream);
    EXPECT_EQ(read.GetPixelFormat(), c.read) << c.written;
    EXPECT_EQ(read.GetWidth(), 4);
    EXPECT_EQ(read.GetHeight(), 2);
    EXPECT_EQ(Pixels(read), Pixels(*written)) << c.written;
    if (c.read == c.written) {
      EXPECT_EQ(Saved(read), file) << "saved again, the same bytes";
    }
  }
}

TEST(Bitmap, BitmapsBackToBackEachReadTheirOwnLength) {
  const auto first = MakeBitmap(pf24bit, {{Red, Red, Red, Red}});
  const auto second = MakeBitmap(pf32bit, {{Blue}, {Olive}, {Red}});
  const std::string files = Saved(*first) + Saved(*second);
  TStringStream stream(files + "tail");
  TBitmap a, b;
  a.LoadFromStream(stream);
  EXPECT_EQ(stream.GetPosition(), int64_t(Saved(*first).size()));
  b.LoadFromStream(stream);
  EXPECT_EQ(stream.GetPosition(), int64_t(files.size())) << "the tail is left to the caller";
  EXPECT_EQ(Pixels(a), Pixels(*first));
  EXPECT_EQ(Pixels(b), Pixels(*second));
}

// A bitmap file whose 32-bit little-endian field at the offset holds the value.
std::string WithField(std::string file, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) file[offset + i] = char(value >> (8 * i) & 0xFF);
  return file;
}

TEST(Bitmap, ALengthOf0TakesTheRestAndEveryOtherLengthMustHoldTheFile) {
  const std::string file = Saved(*MakeBitmap(pf24bit, {{Red, Blue, Olive, Red}, {Red}}));
  const struct {
    const char* what;
    std::string data;
    bool reads;
  } cases[] = {
      {"the file", file, true},
      {"a length of 0", WithField(file, 2, 0), true},
      {"a length past the end", WithField(file, 2, uint32_t(file.size() + 1)), false},
      {"a length shorter than the headers", WithField(file, 2, 20), false},
      {"pixels past the length", file.substr(0, file.size() - 1), false},
      {"pixels before the headers' end", WithField(file, 10, 40), false},
      {"a negative width", WithField(file, 18, uint32_t(-4)), false},
      {"a pixel size beyond 64 bits", WithField(WithField(file, 18, 0x7FFFFFFF), 22, 0x7FFFFFFF),
       false},
      {"no bitmap", "PK" + file.substr(2), false},
      {"a bare file header", file.substr(0, 14), false},
      {"nothing", "", false},
  };
  for (const auto& c : cases) {
    TBitmap bitmap;
    TStringStream stream(c.data);
    if (c.reads) {
      bitmap.LoadFromStream(stream);
      EXPECT_EQ(bitmap.GetWidth(), 4) << c.what;
    } else {
      EXPECT_TRUE(Raises<EInvalidGraphic>([&] { bitmap.LoadFromStream(stream); },
                                          "Bitmap image is not valid"))
          << c.what;
      EXPECT_TRUE(bitmap.Empty()) << c.what;
    }
  }
}

TEST(Bitmap, ATopDownFileAndOtherKindsRead) {
  const TPixelRows rows = {{Red, Blue, Red, Blue}, {Olive, Olive, Olive, Olive}};
  const auto bitmap = MakeBitmap(pf24bit, rows);
  std::string topDown = Saved(*bitmap);
  topDown = WithField(topDown, 22, uint32_t(-2));
  topDown.replace(54, 12, Saved(*bitmap).substr(66, 12));
  topDown.replace(66, 12, Saved(*bitmap).substr(54, 12));
  TBitmap read;
  TStringStream stream(topDown);
  read.LoadFromStream(stream);
  EXPECT_EQ(Pixels(read), Pixels(*bitmap)) << "a negative height lists the top row first";

  // An indexed picture, which Qt's reader decodes.
  QImage indexed(4, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
  for (int x = 0; x < 4; ++x) indexed.setPixel(x, 0, uint(x % 2));
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(indexed.save(&buffer, "BMP"));
  TStringStream indexedStream(data.toStdString());
  read.LoadFromStream(indexedStream);
  EXPECT_EQ(read.GetPixelFormat(), pfDevice);
  const TGLPixel32 opaqueBlue = {0, 0, 255, 255};
  EXPECT_EQ(Pixels(read), (TPixelRows{{Red, opaqueBlue, Red, opaqueBlue}}));
}

// Qt's reader allocates the image a header declares before it reads a pixel: a few bytes that
// declare millions of rows are refused before, by the bitmap and by the image of any format.
TEST(Bitmap, AFileThatCannotHoldTheSizeItDeclaresIsRefusedBeforeItIsDecoded) {
  const std::string runs =
      Hex("0401"
          "0000"
          "0400"
          "0001");  // 4 of colour 1, 4 of colour 0
  const struct {
    const char* what;
    std::string file;
    bool reads;
  } cases[] = {
      {"8 bits", DeclaredBitmap(40, 2, 16384002, 8, 0, std::string(64, '\1')), false},
      {"16 bits", DeclaredBitmap(40, 2, 16384002, 16, 0, std::string(64, '\1')), false},
      {"16 bits in bit fields", DeclaredBitmap(40, 2, 16384002, 16, 3, std::string(64, '\1')),
       false},
      {"1 bit, top row first", DeclaredBitmap(40, 8, -16384002, 1, 0, std::string(64, '\1')),
       false},
      {"8 bits in runs", DeclaredBitmap(40, 4, 16384002, 8, 1, runs), false},
      {"4 bits in runs", DeclaredBitmap(40, 4, 16384002, 4, 2, runs), false},
      {"the old header's sizes", DeclaredBitmap(12, 65535, 65535, 8, 0, std::string(64, '\1')),
       false},
      {"8 bits, every row there", DeclaredBitmap(40, 4, 2, 8, 0, std::string(8, '\1')), true},
      {"8 bits in runs, every row there", DeclaredBitmap(40, 4, 2, 8, 1, runs), true},
      {"the old header, every row there", DeclaredBitmap(12, 4, 2, 8, 0, std::string(8, '\1')),
       true},
  };
  for (const auto& c : cases) {
    TBitmap bitmap;
    TImageGraphic image;
    for (TGraphic* graphic : std::initializer_list<TGraphic*>{&bitmap, &image}) {
      SCOPED_TRACE(std::string(c.what) + ", " + graphic->ClassName());
      TStringStream stream(c.file);
      if (c.reads) {
        EXPECT_NO_THROW(graphic->LoadFromStream(stream));
        EXPECT_EQ(graphic->GetWidth(), 4);
        EXPECT_EQ(graphic->GetHeight(), 2);
      } else {
        EXPECT_TRUE(Raises<EInvalidGraphic>([&] { graphic->LoadFromStream(stream); },
                                            "Bitmap image is not valid"));
        EXPECT_TRUE(graphic->Empty());
      }
    }
  }
}

// ---- The picture

TEST(Picture, TellsOfNewGraphicsAndOfChangesOfItsGraphicUnlessDetached) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &picture);
    ++changes;
  };
  const auto bitmap = MakeBitmap(pf24bit, {{Red, Red, Red, Red}});
  picture.SetGraphic(bitmap.get());
  EXPECT_EQ(changes, 1);
  EXPECT_NE(picture.GetGraphic(), bitmap.get()) << "a copy";
  EXPECT_EQ(picture.GetGraphic()->ClassType(), TBitmap::StaticClass());
  EXPECT_EQ(picture.GetWidth(), 4);
  static_cast<TBitmap*>(picture.GetGraphic())->SetHeight(3);
  EXPECT_EQ(changes, 2) << "the graphic's own change";

  EXPECT_THROW(
      {
        TChangeDetached<TPicture> detached(picture);
        picture.SetGraphic(nullptr);
        throw Exception("reading failed");
      },
      Exception);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(picture.GetWidth(), 0);
  picture.Assign(bitmap.get());
  EXPECT_EQ(changes, 3) << "the event is back after the failure";
}

class PictureFileTest : public TempDirTest {};

TEST_F(PictureFileTest, LoadsByExtensionAndKeepsItsGraphicWhenTheFileDoesNotLoad) {
  TPicture picture;
  const std::string png = Path("p.png");
  ASSERT_TRUE(QImage(5, 3, QImage::Format_RGB32).save(QString::fromStdString(png)));
  picture.LoadFromFile(png);
  EXPECT_EQ(picture.GetWidth(), 5);
  EXPECT_EQ(picture.GetGraphic()->ClassType(), TImageGraphic::StaticClass());

  const std::string copy = Path("copy.png");
  picture.SaveToFile(copy);
  std::ifstream saved(copy, std::ios::binary), original(png, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}),
            std::string(std::istreambuf_iterator<char>(original), {}))
      << "a picture read from a file writes that file again";

  EXPECT_TRUE(Raises<EInvalidGraphic>([&] { picture.LoadFromFile(Write("notes.xyz", "x")); },
                                      "Unknown picture file extension (.xyz)"));
  EXPECT_TRUE(Raises<EInvalidGraphic>([&] { picture.LoadFromFile(Write("bad.png", "x")); },
                                      HasSubstr("no picture")));
  EXPECT_TRUE(Raises<EFOpenError>([&] { picture.LoadFromFile(Path("missing.png")); },
                                  HasSubstr("missing.png")));
  EXPECT_EQ(picture.GetWidth(), 5);
}

// A component that publishes a picture, as the texture images do.
class TPictureHolder : public TComponent {
  RTL_CLASS(TPictureHolder, TComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TPictureHolder>(TComponent::Published())
            .Object("Picture", [](const TPictureHolder& h) { return h.Picture.get(); });
    return table;
  }
  using TComponent::TComponent;
  std::unique_ptr<TPicture> Picture = std::make_unique<TPicture>();
};

std::string Layout(TComponent& root) {
  TStringStream stream;
  stream.WriteComponent(&root);
  return stream.DataString();
}

TEST(Picture, ItsGraphicTravelsInALayoutAsClassNameAndData) {
  TPictureHolder holder(nullptr);
  holder.SetName("Holder");
  EXPECT_EQ(Layout(holder), "object Holder: TPictureHolder\nend\n") << "nothing while empty";

  const auto bitmap = MakeBitmap(pf32bit, {{Olive}});
  holder.Picture->SetGraphic(bitmap.get());
  const std::string file = Saved(*bitmap);
  std::string hex;
  for (char c : "\x07TBitmap" + std::string("\x3A\0\0\0", 4) + file)
    hex += QByteArray(1, c).toHex().toUpper().toStdString();
  const std::string layout = Layout(holder);
  ASSERT_THAT(layout, testing::StartsWith("object Holder: TPictureHolder\n  Picture.Data = {"));
  std::string stored = layout.substr(layout.find('{') + 1);
  stored = stored.substr(0, stored.find('}'));
  std::erase_if(stored, [](char c) { return c == ' ' || c == '\n'; });
  EXPECT_EQ(stored, hex);

  TPictureHolder read(nullptr);
  TStringStream in(layout);
  in.ReadComponent(&read);
  ASSERT_NE(read.Picture->GetGraphic(), nullptr);
  EXPECT_EQ(Saved(*read.Picture->GetGraphic()), file);

  for (const std::string& bad : {std::string("0754426974"),               // short class name
                                 std::string("055448494E47000000"),       // unknown class
                                 "07" + hex.substr(2, 14) + "FFFFFFFF"})  // negative length
  {
    TStringStream damaged("object Holder: TPictureHolder\n  Picture.Data = {" + bad + "}\nend\n");
    EXPECT_THROW(damaged.ReadComponent(&read), EReadError) << bad;
  }
}

}  // namespace
