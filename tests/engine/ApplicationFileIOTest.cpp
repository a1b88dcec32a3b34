#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include "engine/base/ApplicationFileIO.h"
#include "tests/engine/TempDir.h"

using ApplicationFileIOTest = TempDirTest;

TEST_F(ApplicationFileIOTest, MissingFileIsCreatedOnlyInCreateMode) {
  const std::string name = Path("a.txt");
  for (uint16_t mode :
       {uint16_t(fmOpenRead | fmShareDenyNone), fmOpenRead, fmOpenWrite, fmOpenReadWrite}) {
    EXPECT_TRUE(Raises<Exception>([&] { CreateFileStream(name, mode); },
                                  "File not found: \"" + name + "\""))
        << "mode " << mode << " opened a missing file";
    EXPECT_FALSE(FileStreamExists(name));
  }
  {
    auto stream = CreateFileStream(name, fmCreate);
    stream->WriteBuffer("abc", 3);
  }
  EXPECT_TRUE(FileStreamExists(name));
  auto stream = CreateFileStream(name);
  char buffer[3];
  stream->ReadBuffer(buffer, 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST_F(ApplicationFileIOTest, AFolderIsNoFile) {
  EXPECT_FALSE(FileStreamExists(FDir.string()));
  EXPECT_THROW(CreateFileStream(FDir.string()), Exception);
}

TEST_F(ApplicationFileIOTest, StreamFailuresPropagate) {
  EXPECT_THROW(CreateFileStream(Path("no/such/folder/a.txt"), fmCreate), EFCreateError);
}

TEST(ApplicationFileIO, IsNeverRedirected) {
  EXPECT_FALSE(ApplicationFileIOAvailable());
}
