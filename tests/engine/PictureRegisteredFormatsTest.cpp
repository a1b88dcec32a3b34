#include <gtest/gtest.h>

#include <QImage>

#include "engine/base/ApplicationFileIO.h"
#include "engine/base/PictureRegisteredFormats.h"
#include "platform/gui/Pictures.h"
#include "tests/engine/TempDir.h"

TEST(PictureRegisteredFormats, GraphicClassForExtension) {
  const TClass image = TImageGraphic::StaticClass();
  const struct {
    const char* extension;
    TClass expected;
  } cases[] = {{"bmp", image}, {".bmp", image}, {"BMP", image},   {".png", image},
               {"", nullptr},  {".", nullptr},  {"xyz", nullptr}, {"..bmp", nullptr}};
  for (const auto& c : cases)
    EXPECT_EQ(GraphicClassForExtension(c.extension), c.expected) << c.extension;
}

TEST(PictureRegisteredFormats, ListsEachFormatAfterWhatTheListHolds) {
  TStringList lines;
  lines.Add("kept");
  HackTPictureRegisteredFormats(lines);
  ASSERT_EQ(lines.Count(), int(PictureFileFormats().size()) + 1);
  EXPECT_EQ(lines.Get(0), "kept");
  EXPECT_EQ(lines.Values("bmp"), "BMP image");
  for (int i = 1; i < lines.Count(); ++i) {
    const auto* format = dynamic_cast<const TPictureFileFormat*>(lines.GetObject(i));
    ASSERT_NE(format, nullptr) << lines.Get(i);
    EXPECT_EQ(lines.Get(i), format->Extension + "=" + format->Description);
    EXPECT_EQ(format->Extension,
              QByteArray::fromStdString(format->Extension).toLower().toStdString());
    EXPECT_EQ(format->GraphicClass, TImageGraphic::StaticClass());
  }
}

using PictureFileTest = TempDirTest;

TEST_F(PictureFileTest, TheClassFoundLoadsThePicture) {
  const std::string name = Path("p.bmp");
  ASSERT_TRUE(QImage(3, 2, QImage::Format_RGB32).save(QString::fromStdString(name), "BMP"));
  auto object = GraphicClassForExtension(".bmp")->Create();
  auto* graphic = dynamic_cast<TGraphic*>(object.get());
  ASSERT_NE(graphic, nullptr);
  EXPECT_TRUE(graphic->Empty());
  graphic->LoadFromStream(*CreateFileStream(name));
  EXPECT_EQ(graphic->GetWidth(), 3);
  EXPECT_EQ(graphic->GetHeight(), 2);
}

TEST_F(PictureFileTest, DataThatIsNoPictureIsRefused) {
  TImageGraphic graphic;
  TStringStream data("no picture at all");
  EXPECT_THROW(graphic.LoadFromStream(data), EInvalidGraphic);
  EXPECT_TRUE(graphic.Empty());
}
