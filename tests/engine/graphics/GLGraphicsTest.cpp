// The RGBA image: row order and conversions from bitmaps and graphics, sizes, the alpha, gamma
// and brightness operations, the normal map, and the sizes a texture is uploaded at.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <QBuffer>
#include <QImage>
#include <climits>
#include <cmath>
#include <map>

#include "engine/GLCrossPlatform.h"
#include "tests/engine/graphics/GraphicsTestSupport.h"

namespace {

const TGLPixel32 Red = {255, 0, 0, 255}, Blue = {0, 0, 255, 255}, Green = {0, 255, 0, 255};
const TGLPixel32 HalfRed = {255, 0, 0, 128}, Grey = {90, 90, 90, 7};

TPixelRows Uniform(int width, int height, TGLPixel32 p) {
  return TPixelRows(size_t(height), std::vector<TGLPixel32>(size_t(width), p));
}

TEST(GLBitmap32, BitmapRowsComeBottomUpUnlessVerticallyReversed) {
  const struct {
    TPixelFormat format;
    TGLPixel32 top, bottom;
  } formats[] = {{pf24bit, Red, Blue}, {pf32bit, HalfRed, Grey}};
  for (const auto& f : formats) {
    const auto bitmap = MakeBitmap(
        f.format, {{f.top, f.top, f.top, f.top}, {f.bottom, f.bottom, f.bottom, f.bottom}});
    for (bool reverse : {false, true}) {
      TGLBitmap32 image;
      image.SetVerticalReverse(reverse);
      image.Assign(bitmap.get());
      ASSERT_EQ(image.GetWidth(), 4);
      ASSERT_EQ(image.GetHeight(), 2);
      EXPECT_EQ(image.GetDataSize(), 32u);
      const TPixelRows expected =
          reverse ? TPixelRows{Uniform(4, 1, f.top)[0], Uniform(4, 1, f.bottom)[0]}
                  : TPixelRows{Uniform(4, 1, f.bottom)[0], Uniform(4, 1, f.top)[0]};
      EXPECT_EQ(Rows(image), expected) << f.format << " reversed " << reverse;
    }
  }
}

TEST(GLBitmap32, OtherGraphicsAreDrawnIntoAWidthOfTheNextMultipleOf4) {
  // Six columns, three red and three blue: stretched to eight, each colour takes four.
  const TPixelRows sixWide = {{Red, Red, Red, Blue, Blue, Blue}};
  const TPixelRows eightWide = {{Red, Red, Red, Red, Blue, Blue, Blue, Blue}};
  QImage picture(6, 1, QImage::Format_RGB32);
  for (int x = 0; x < 6; ++x) picture.setPixel(x, 0, x < 3 ? 0xFFFF0000u : 0xFF0000FFu);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(picture.save(&buffer, "PNG"));
  TImageGraphic loaded;
  TMemoryStream stream;
  stream.WriteBuffer(png.data(), png.size());
  stream.SetPosition(0);
  loaded.LoadFromStream(stream);

  const struct {
    const char* what;
    std::unique_ptr<TGraphic> owned;
    TGraphic* graphic;
    TPixelRows expected;
  } cases[] = {
      {"24-bit, 6 wide", MakeBitmap(pf24bit, sixWide), nullptr, eightWide},
      {"32-bit, 6 wide", MakeBitmap(pf32bit, sixWide), nullptr, eightWide},
      {"device format, 8 wide", MakeBitmap(pfDevice, eightWide), nullptr, eightWide},
      {"device format, 6 wide", MakeBitmap(pfDevice, sixWide), nullptr, eightWide},
      {"PNG picture, 6 wide", nullptr, &loaded, eightWide},
  };
  for (const auto& c : cases) {
    TGLBitmap32 image;
    image.Assign(c.owned ? c.owned.get() : c.graphic);
    EXPECT_EQ(Rows(image), c.expected) << c.what;
  }
}

TEST(GLBitmap32, AssignmentFromNilTheImageAndOtherClasses) {
  TGLBitmap32 source;
  Fill(source, {{Red, Blue, Green, Grey}, {Grey, Grey, Red, Red}});
  source.SetVerticalReverse(true);
  TGLBitmap32 copy;
  copy.Assign(&source);
  EXPECT_EQ(Rows(copy), Rows(source));
  EXPECT_FALSE(copy.GetVerticalReverse()) << "not copied";
  EXPECT_NE(copy.GetData(), source.GetData());

  copy.Assign(nullptr);
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(copy.GetWidth(), 0);
  EXPECT_EQ(copy.GetDataSize(), 0u);
  EXPECT_EQ(copy.GetData(), nullptr);

  TStringList other;
  EXPECT_TRUE(Raises<EConvertError>([&] { source.Assign(&other); },
                                    "Cannot assign a TStringList to a TGLBitmap32"));
  EXPECT_EQ(source.GetHeight(), 2);
}

TEST(GLBitmap32, AnEmptyGraphicGivesAnEmptyImage) {
  // A bitmap file may give rows of no width, which hold no pixels to read.
  const std::pair<int, int> sizes[] = {{0, 0}, {0, 5}, {4, 0}};
  for (TPixelFormat format : {pf24bit, pf32bit, pfDevice})
    for (const auto& [width, height] : sizes) {
      TBitmap empty;
      empty.SetPixelFormat(format);
      empty.SetWidth(width);
      empty.SetHeight(height);
      TGLBitmap32 image;
      Fill(image, Uniform(4, 4, Red));
      image.Assign(&empty);
      EXPECT_TRUE(image.IsEmpty()) << format << " " << width << " x " << height;
      EXPECT_EQ(image.GetData(), nullptr) << format;
    }
}

TEST(GLBitmap32, TheConvertersRefuseOtherFormatsAndWidths) {
  const struct {
    const char* what;
    TPixelFormat format;
    int width;
    void (TGLBitmap32::*convert)(TBitmap&);
  } cases[] = {
      {"32-bit into the 24-bit converter", pf32bit, 4, &TGLBitmap32::AssignFrom24BitsBitmap},
      {"24-bit 6 wide", pf24bit, 6, &TGLBitmap32::AssignFrom24BitsBitmap},
      {"device format into the 32-bit converter", pfDevice, 4,
       &TGLBitmap32::AssignFrom32BitsBitmap},
  };
  for (const auto& c : cases) {
    const auto bitmap = MakeBitmap(c.format, Uniform(c.width, 1, Red));
    TGLBitmap32 image;
    EXPECT_TRUE(Raises<EAssertionFailed>([&] { (image.*c.convert)(*bitmap); },
                                         testing::StartsWith("Assertion failure (GLGraphics.cpp")))
        << c.what;
    EXPECT_TRUE(image.IsEmpty()) << c.what;
  }
}

TEST(GLBitmap32, The32BitBitmapIsTopDownBGRAWhateverTheRowOrder) {
  TGLBitmap32 image;
  image.SetVerticalReverse(true);
  Fill(image, {{Red, Red, Red, Red}, {HalfRed, Grey, Blue, Green}});
  const auto bitmap = image.Create32BitsBitmap();
  EXPECT_EQ(bitmap->GetPixelFormat(), pf32bit);
  ASSERT_EQ(bitmap->GetWidth(), 4);
  ASSERT_EQ(bitmap->GetHeight(), 2);
  const auto* top = static_cast<const uint8_t*>(GetScanLine(*bitmap, 0));
  EXPECT_EQ(std::vector<int>(top, top + 8), (std::vector<int>{0, 0, 255, 128, 90, 90, 90, 7}));
  const auto* bottom = static_cast<const uint8_t*>(GetScanLine(*bitmap, 1));
  EXPECT_EQ(std::vector<int>(bottom, bottom + 4), (std::vector<int>{0, 0, 255, 255}));

  TGLBitmap32 back;
  back.Assign(bitmap.get());
  EXPECT_EQ(Rows(back), Rows(image)) << "the round trip keeps every byte";
}

TEST(GLBitmap32, WidthsRoundUpToAMultipleOf4) {
  const struct {
    int32_t width;
    int32_t expected;
  } cases[] = {{0, 0},
               {1, 4},
               {5, 8},
               {8, 8},
               {65532, 65532},
               {65537, 65540},
               {INT32_MAX - 3, INT32_MAX - 3}};
  for (const auto& c : cases) {
    TGLBitmap32 image;
    image.SetWidth(c.width);
    EXPECT_EQ(image.GetWidth(), c.expected) << c.width;
    EXPECT_EQ(image.GetDataSize(), 0u) << "no rows yet";
  }
  for (int32_t bad : {-1, -4, INT_MIN, INT32_MAX - 2, INT32_MAX}) {
    TGLBitmap32 image;
    image.SetWidth(8);
    EXPECT_THROW(image.SetWidth(bad), EAssertionFailed) << bad;
    EXPECT_EQ(image.GetWidth(), 8) << bad;
  }
  TGLBitmap32 image;
  EXPECT_THROW(image.SetHeight(-1), EAssertionFailed);
}

TEST(GLBitmap32, ResizingKeepsTheBytesAndTheSizeIsAlwaysWidthTimesHeightTimes4) {
  TGLBitmap32 image;
  Fill(image, {{Red, Blue, Green, Grey}, {HalfRed, HalfRed, HalfRed, HalfRed}});
  image.SetHeight(3);
  EXPECT_EQ(image.GetDataSize(), 48u);
  EXPECT_EQ(image.GetData()[4], HalfRed);
  EXPECT_EQ(image.GetData()[8], (TGLPixel32{0, 0, 0, 0})) << "new bytes are zero";
  image.SetWidth(2);  // raised to 4, so nothing changes
  EXPECT_EQ(image.GetDataSize(), 48u);
  image.SetWidth(8);
  EXPECT_EQ(image.GetDataSize(), 96u);
  EXPECT_EQ(image.GetData()[4], HalfRed) << "no re-layout of the rows";
  image.SetHeight(0);
  EXPECT_EQ(image.GetData(), nullptr);
}

TEST(GLBitmap32, AlphaOperations) {
  const TPixelRows pixels = {{{30, 60, 91, 200}, {255, 0, 0, 0}, {1, 2, 3, 50}, {1, 2, 4, 0}}};
  const struct {
    const char* what;
    void (*operation)(TGLBitmap32&);
    std::vector<int> alphas;
  } cases[] = {
      {"from intensity", [](TGLBitmap32& i) { i.SetAlphaFromIntensity(); }, {60, 85, 2, 2}},
      {"transparent for a window colour",
       [](TGLBitmap32& i) { i.SetAlphaTransparentForColor(RGB(1, 2, 3)); },
       {255, 255, 0, 255}},
      {"a system colour is not resolved",
       [](TGLBitmap32& i) { i.SetAlphaTransparentForColor(TColor(0xFF000000 | 0x0000FF)); },
       {255, 0, 255, 255}},
      {"transparent for a pixel",
       [](TGLBitmap32& i) {
         i.SetAlphaTransparentForColor(TGLPixel32{1, 2, 4, 99});
       },
       {255, 255, 255, 0}},
      {"to a value", [](TGLBitmap32& i) { i.SetAlphaToValue(17); }, {17, 17, 17, 17}},
      {"inverted", [](TGLBitmap32& i) { i.InvertAlpha(); }, {55, 255, 205, 255}},
      // The square-root table truncates: intensity 60 gives 123, 85 gives 147, 2 gives 22.
      {"square root", [](TGLBitmap32& i) { i.SqrtAlpha(); }, {123, 147, 22, 22}},
  };
  for (const auto& c : cases) {
    TGLBitmap32 image;
    Fill(image, pixels);
    c.operation(image);
    std::vector<int> alphas;
    for (int x = 0; x < 4; ++x) alphas.push_back(image.GetData()[x].A);
    EXPECT_EQ(alphas, c.alphas) << c.what;
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ((std::array{image.GetData()[x].R, image.GetData()[x].G, image.GetData()[x].B}),
                (std::array{pixels[0][x].R, pixels[0][x].G, pixels[0][x].B}))
          << c.what;
  }
}

// Every byte value once in R, G and B, with alpha beside it.
std::vector<TGLPixel32> AllValues() {
  std::vector<TGLPixel32> pixels;
  for (int i = 0; i < 256; ++i)
    pixels.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i), uint8_t(i ^ 0x55)});
  return pixels;
}

TEST(GLBitmap32, GammaOneChangesNothingAndAGammaBelowATenthCountsAsATenth) {
  std::vector<TGLPixel32> pixels = AllValues();
  GammaCorrectImage(pixels.data(), int(pixels.size()), 1);
  EXPECT_EQ(pixels, AllValues());

  std::vector<TGLPixel32> tenth = AllValues(), twentieth = AllValues();
  GammaCorrectImage(tenth.data(), 256, 0.1f);
  GammaCorrectImage(twentieth.data(), 256, 0.05f);
  EXPECT_EQ(twentieth, tenth);
  // (i / 255) to the power 10, times 255.
  for (auto [in, out] : {std::pair{0, 0}, {128, 0}, {200, 22}, {230, 91}, {254, 245}, {255, 255}})
    EXPECT_EQ(twentieth[in].R, out) << in;
  EXPECT_EQ(twentieth[7].A, 7 ^ 0x55) << "alpha untouched";

  EXPECT_THROW(GammaCorrectImage(pixels.data(), 1, 0), EAssertionFailed);
  EXPECT_THROW(GammaCorrectImage(pixels.data(), 1, NAN), EAssertionFailed);
  EXPECT_NO_THROW(GammaCorrectImage(pixels.data(), 0, 0)) << "nothing to correct";
}

TEST(GLBitmap32, BrightnessScalesAndCapsAt255) {
  const struct {
    float factor;
    std::vector<std::pair<int, int>> map;
  } cases[] = {{2, {{0, 0}, {1, 2}, {100, 200}, {127, 254}, {128, 255}, {200, 255}}},
               {0.5f, {{1, 0}, {3, 2}, {5, 2}, {255, 128}}},  // ties to even
               {0, {{255, 0}}},
               {1e9f, {{0, 0}, {1, 255}, {200, 255}}}};
  for (const auto& c : cases) {
    std::vector<TGLPixel32> pixels = AllValues();
    BrightnessCorrectImage(pixels.data(), 256, c.factor);
    for (auto [in, out] : c.map) EXPECT_EQ(pixels[in].R, out) << c.factor << ": " << in;
    EXPECT_EQ(pixels[9].A, 9 ^ 0x55) << "alpha untouched";
  }
  std::vector<TGLPixel32> pixels = AllValues();
  EXPECT_THROW(BrightnessCorrectImage(pixels.data(), 1, -1), EAssertionFailed);

  TGLBitmap32 empty;
  EXPECT_NO_THROW(empty.BrightnessCorrection(-1)) << "no block, nothing to correct";
  EXPECT_NO_THROW(empty.GammaCorrection(0));
}

// The products below lie within a hair of a half: rounded to Single first they would become
// exact halves and go to the even neighbour.
TEST(GLBitmap32, GammaAndBrightnessRoundTheExtendedProductOnce) {
  const struct {
    const char* table;
    float value;
    std::vector<std::pair<int, int>> map;
  } cases[] = {
      {"brightness", 0.1f, {{5, 1}, {15, 2}, {25, 3}, {245, 25}}},  // i x 0.100000001
      {"brightness", 0.3f, {{15, 5}, {155, 47}}},
      {"brightness", 0.9f, {{15, 13}, {255, 229}}},  // i x 0.899999976
      {"gamma", 0.192f, {{197, 67}}},                // 66.5000036
      {"gamma", 1.118f, {{132, 141}}},               // 141.4999992
      {"gamma", 1.875f, {{28, 79}}},
      {"gamma", 2.002f, {{254, 255}}},
      {"gamma", 4.44f, {{166, 231}}},
      {"gamma", 9.14f, {{114, 233}}},
  };
  for (const auto& c : cases) {
    std::vector<TGLPixel32> pixels = AllValues();
    if (c.table == std::string("gamma"))
      GammaCorrectImage(pixels.data(), 256, c.value);
    else
      BrightnessCorrectImage(pixels.data(), 256, c.value);
    for (auto [in, out] : c.map)
      EXPECT_EQ(int(pixels[in].R), out) << c.table << " " << c.value << ": " << in;
  }
}

TEST(GLBitmap32, AFlatHeightImageGivesTheUpNormalEverywhere) {
  for (float scale : {0.0f, 1.0f, 25.0f})
    for (bool wrap : {false, true}) {
      TGLBitmap32 image;
      Fill(image, Uniform(8, 4, {7, 140, 9, 3}));
      image.GrayScaleToNormalMap(scale, wrap, wrap);
      EXPECT_EQ(Rows(image), Uniform(8, 4, {128, 128, 255, 255})) << scale << " " << wrap;
    }
}

// A ramp of heights 0, 10, 20, ... along x (or along the block's rows) at scale 0.1: inside, the
// slope is -2 (R or G 14, B 185); at an edge without wrapping the pixel is its own neighbour and
// the slope is -1 (38, 218); wrapped, the far end is the neighbour: 6 across 8 pixels (253, 149),
// 10 across 12 (254, 141), 2 across 4 rows (242, 185).
TEST(GLBitmap32, TheNormalMapOfARampWithAndWithoutWrapping) {
  const struct {
    const char* what;
    int width, height;
    bool alongX, wrap;
    std::vector<int> slopes;  // R along x or G along the rows, per pixel along the ramp
  } cases[] = {
      {"along x", 8, 4, true, false, {38, 14, 14, 14, 14, 14, 14, 38}},
      {"along x, wrapped", 8, 4, true, true, {253, 14, 14, 14, 14, 14, 14, 253}},
      // A wrap that is a true wrap also where the side is no power of two.
      {"along x, 12 wide, wrapped",
       12,
       1,
       true,
       true,
       {254, 14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 254}},
      {"along the rows", 4, 4, false, false, {38, 14, 14, 38}},
      {"along the rows, wrapped", 4, 4, false, true, {242, 14, 14, 242}},
  };
  const std::map<int, int> blueOf = {{14, 185}, {38, 218}, {253, 149}, {254, 141}, {242, 185}};
  for (const auto& c : cases) {
    TGLBitmap32 image;
    TPixelRows heights = Uniform(c.width, c.height, {0, 0, 0, 0});
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) heights[y][x].G = uint8_t(10 * (c.alongX ? x : y));
    Fill(image, heights);
    image.GrayScaleToNormalMap(0.1f, c.wrap, c.wrap);
    const TPixelRows normals = Rows(image);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        const int slope = c.slopes[c.alongX ? x : y];
        const TGLPixel32 expected =
            c.alongX ? TGLPixel32{uint8_t(slope), 128, uint8_t(blueOf.at(slope)), 255}
                     : TGLPixel32{128, uint8_t(slope), uint8_t(blueOf.at(slope)), 255};
        EXPECT_EQ(normals[y][x], expected) << c.what << " at " << x << ", " << y;
      }
  }
}

// A height step of 100 at this scale tilts the normal so that R or G is 128.5000015 (or
// 127.4999985) before rounding; through Single it would be the tie 128.5 (127.5), which goes to
// 128 either way.
TEST(GLBitmap32, TheNormalMapRoundsEachChannelOnce) {
  const struct {
    bool alongX;
    uint8_t high, low;
    uint8_t slope;  // R along x or G along the rows, of the two pixels inside
  } cases[] = {
      {true, 100, 0, 129}, {true, 0, 100, 127}, {false, 100, 0, 129}, {false, 0, 100, 127}};
  for (const auto& c : cases) {
    TPixelRows heights = Uniform(4, 4, {0, 0, 0, 0});
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) heights[y][x].G = (c.alongX ? x : y) < 2 ? c.high : c.low;
    TGLBitmap32 image;
    Fill(image, heights);
    image.GrayScaleToNormalMap(3.93705e-5f, false, false);
    const TPixelRows normals = Rows(image);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        const int along = c.alongX ? x : y;
        const uint8_t tilt = along == 1 || along == 2 ? c.slope : 128;
        const TGLPixel32 expected =
            c.alongX ? TGLPixel32{tilt, 128, 255, 255} : TGLPixel32{128, tilt, 255, 255};
        EXPECT_EQ(normals[y][x], expected) << (c.alongX ? "along x" : "along the rows") << " from "
                                           << int(c.high) << " at " << x << ", " << y;
      }
  }
}

TEST(GLBitmap32, UploadSizesArePowersOfTwoWithinTheLargestTexture) {
  const struct {
    int width, height, maxSize, texWidth, texHeight;
  } cases[] = {{100, 60, 1024, 128, 64}, {2048, 2048, 1024, 1024, 1024}, {128, 64, 1024, 128, 64},
               {4, 1, 1024, 4, 1},       {1028, 4, 2048, 2048, 4},       {4, 3000, 2048, 4, 2048}};
  for (const auto& c : cases) {
    int w = -1, h = -1;
    OpenGLTextureSize(c.width, c.height, c.maxSize, w, h);
    EXPECT_EQ(w, c.texWidth) << c.width << " x " << c.height;
    EXPECT_EQ(h, c.texHeight) << c.width << " x " << c.height;
  }
}

TEST(GLBitmap32, FreeConverters) {
  const std::vector<uint8_t> bgr = {1, 2, 3, 4, 5, 6};  // exactly two pixels, nothing after
  std::vector<TGLPixel32> out(2);
  BGR24ToRGBA32(bgr.data(), out.data(), 2);
  EXPECT_EQ(out, (std::vector<TGLPixel32>{{3, 2, 1, 255}, {6, 5, 4, 255}}));
  const std::vector<uint8_t> bgra = {1, 2, 3, 4, 5, 6, 7, 8};
  BGRA32ToRGBA32(bgra.data(), out.data(), 2);
  EXPECT_EQ(out, (std::vector<TGLPixel32>{{3, 2, 1, 4}, {7, 6, 5, 8}}));

  for (GLint format : {0x888A, 0x888B, 0x881A, 0x8814})
    EXPECT_TRUE(IsFloatInternalFormat(format)) << format;
  for (GLint format : {GL_RGBA, GL_RGBA8, 0x881B, 0x8815})
    EXPECT_FALSE(IsFloatInternalFormat(format)) << format;
}

}  // namespace
