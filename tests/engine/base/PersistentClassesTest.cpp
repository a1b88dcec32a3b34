// The tagged binary filer: byte images at the tag boundaries, the extended float, strings and
// their conversions, type errors and damaged lengths; persistent objects with signatures,
// assignment and clones.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <cfloat>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

#include "../TempDir.h"
#include "FilerTestSupport.h"
#include "engine/base/PersistentClasses.h"

namespace {

struct IntegerCase {
  int32_t value;
  const char* bytes;
};

TEST(BinaryWriter, IntegersTakeTheSmallestFormAndReadBack) {
  const IntegerCase cases[] = {
      {0, "02 00"},
      {127, "02 7F"},
      {-128, "02 80"},
      {128, "03 80 00"},
      {-129, "03 7F FF"},
      {32767, "03 FF 7F"},
      {-32768, "03 00 80"},
      {32768, "04 00 80 00 00"},
      {-32769, "04 FF 7F FF FF"},
      {INT32_MIN, "04 00 00 00 80"},
      {INT32_MAX, "04 FF FF FF 7F"},
  };
  for (const IntegerCase& c : cases) {
    const std::string bytes = Written([&](TBinaryWriter& w) { w.WriteInteger(c.value); });
    EXPECT_EQ(Hex(bytes), c.bytes) << c.value;
    TStringStream stream(bytes);
    TBinaryReader reader(&stream);
    EXPECT_EQ(reader.ReadInteger(), c.value);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
  }
}

TEST(BinaryWriter, StringsUpTo255BytesAreShortLongerOnesLong) {
  EXPECT_EQ(Hex(Written([](TBinaryWriter& w) { w.WriteString(""); })), "06 00");
  const std::string s255(255, 'x');
  const std::string s256(256, 'y');
  const std::string short255 = Written([&](TBinaryWriter& w) { w.WriteString(s255); });
  EXPECT_EQ(short255.substr(0, 2), Bytes({6, 255}));
  EXPECT_EQ(short255.size(), 257u);
  const std::string long256 = Written([&](TBinaryWriter& w) { w.WriteString(s256); });
  EXPECT_EQ(Hex(long256.substr(0, 5)), "0C 00 01 00 00");
  EXPECT_EQ(long256.size(), 261u);

  TStringStream stream("");
  TBinaryWriter writer(&stream);
  for (const std::string* s : {&s255, &s256}) writer.WriteString(*s);
  writer.WriteString("Grüße");
  stream.SetPosition(0);
  TBinaryReader reader(&stream);
  EXPECT_EQ(reader.ReadString(), s255);
  EXPECT_EQ(reader.ReadString(), s256);
  EXPECT_EQ(reader.ReadString(), "Grüße");
}

TEST(BinaryWriter, BooleansListsAndFloatTags) {
  const std::string bytes = Written([](TBinaryWriter& w) {
    w.WriteBoolean(false);
    w.WriteBoolean(true);
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteFloat(1.0L);
    w.WriteFloat(-2.5L);
  });
  EXPECT_EQ(Hex(bytes),
            "08 09 01 00 05 00 00 00 00 00 00 00 80 FF 3F 05 00 00 00 00 00 00 00 A0 00 C0");
}

TEST(ExtendedFormat, MatchesTheNativeLayoutAndRoundTrips) {
  const long double values[] = {0.0L,
                                -0.0L,
                                1.0L,
                                -1.0L,
                                0.1L,
                                3.14159265358979323846L,
                                1e300L,
                                -1e-300L,
                                LDBL_MAX,
                                LDBL_MIN,
                                LDBL_TRUE_MIN,
                                LDBL_MIN / 3,
                                std::numeric_limits<long double>::infinity(),
                                -std::numeric_limits<long double>::infinity()};
  for (long double v : values) {
    uint8_t bytes[10];
    ExtendedToBytes(v, bytes);
    if (LDBL_MANT_DIG == 64) {
      uint8_t native[sizeof(long double)] = {};
      std::memcpy(native, &v, sizeof v);
      EXPECT_EQ(std::memcmp(bytes, native, 10), 0) << double(v);
    }
    const long double back = BytesToExtended(bytes);
    EXPECT_EQ(back, v) << double(v);
    EXPECT_EQ(std::signbit(back), std::signbit(v));
  }
  uint8_t nan[10];
  ExtendedToBytes(std::nanl(""), nan);
  EXPECT_TRUE(std::isnan(BytesToExtended(nan)));
}

TEST(BinaryReader, AWrongTagIsATypeErrorAndIsConsumed) {
  using Read = std::function<void(TBinaryReader&)>;
  const struct {
    const char* what;
    Read read;
    std::string bytes;
  } cases[] = {
      {"integer", [](TBinaryReader& r) { r.ReadInteger(); }, Bytes({6, 0})},
      {"boolean", [](TBinaryReader& r) { r.ReadBoolean(); }, Bytes({2, 0})},
      {"string", [](TBinaryReader& r) { r.ReadString(); }, Bytes({9})},
      {"float", [](TBinaryReader& r) { r.ReadFloat(); }, Bytes({4, 0, 0, 0, 0})},
      {"list begin", [](TBinaryReader& r) { r.ReadListBegin(); }, Bytes({0})},
      {"list end", [](TBinaryReader& r) { r.ReadListEnd(); }, Bytes({1})},
      {"unknown tag", [](TBinaryReader& r) { r.ReadInteger(); }, Bytes({200})},
  };
  for (const auto& c : cases) {
    TStringStream stream(c.bytes);
    TBinaryReader reader(&stream);
    EXPECT_TRUE(Raises<EReadError>([&] { c.read(reader); }, "TBinaryReader, read type error"))
        << c.what;
    EXPECT_EQ(stream.GetPosition(), 1) << c.what;
  }
}

TEST(BinaryReader, NextValueAndEndOfListConsumeNothing) {
  TStringStream stream(Bytes({1, 0}));
  TBinaryReader reader(&stream);
  EXPECT_EQ(reader.NextValue(), vaList);
  EXPECT_FALSE(reader.EndOfList());
  EXPECT_EQ(stream.GetPosition(), 0);
  reader.ReadListBegin();
  EXPECT_TRUE(reader.EndOfList());
  EXPECT_EQ(stream.GetPosition(), 1);
  reader.ReadListEnd();
  // Past the end there is no tag to look at: the stream's read error, not an endless list.
  EXPECT_THROW(reader.EndOfList(), EReadError);
}

TEST(BinaryReader, WideAndUTF8TagsBecomeUTF8) {
  const struct {
    std::string bytes;
    std::string text;
  } cases[] = {
      {Bytes({20, 3, 0, 0, 0, 0xE2, 0x82, 0xAC}), "\u20AC"},
      {Bytes({20, 4, 0, 0, 0, 0xF0, 0x9F, 0x98, 0x80}), "\U0001F600"},
      {Bytes({18, 2, 0, 0, 0, 'A', 0, 0xAC, 0x20}), "A\u20AC"},
      {Bytes({18, 2, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE}), "\U0001F600"},
      {Bytes({18, 1, 0, 0, 0, 0x3D, 0xD8}), "\uFFFD"},  // a lone surrogate
      {Bytes({18, 0, 0, 0, 0}), ""},
  };
  for (const auto& c : cases) {
    TStringStream stream(c.bytes);
    TBinaryReader reader(&stream);
    EXPECT_EQ(reader.ReadString(), c.text) << Hex(c.bytes);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
  }
}

TEST(UTF8ToWideString, FollowsTheReferenceConversion) {
  const struct {
    std::string utf8;
    std::u16string wide;
  } cases[] = {
      {"", u""},
      {"Az", u"Az"},
      {Bytes({0xE2, 0x82, 0xAC}), u"\u20AC"},
      {Bytes({0xF0, 0x9F, 0x98, 0x80}), std::u16string{0xD83D, 0xDE00}},
      {Bytes({0x80, 'a'}), std::u16string{0x80, 'a'}},     // a stray continuation byte
      {Bytes({'a', 0xE2, 0x82}), u"a"},                    // cut short by the end
      {Bytes({0xF8, 0x88, 0x80, 0x80, 0x80}), u"\uFFFD"},  // beyond U+10FFFF
  };
  for (const auto& c : cases) {
    std::u16string wide = u"old";
    UTF8ToWideString(c.utf8, wide);
    EXPECT_EQ(wide, c.wide) << Hex(c.utf8);
  }
}

TEST(BinaryReader, LengthsBeyondTheStreamRaiseBeforeAllocating) {
  const auto readString = [](TBinaryReader& r) { r.ReadString(); };
  const struct {
    std::string bytes;
    std::function<void(TBinaryReader&)> read;
  } cases[] = {
      {Bytes({12, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}), readString},  // 2 GB announced, 2 there
      {Bytes({12, 0xFF, 0xFF, 0xFF, 0xFF}), readString},            // a negative length
      {Bytes({6, 5, 'a', 'b'}), readString},
      {Bytes({18, 0xFF, 0xFF, 0xFF, 0x3F, 'a', 0}), readString},
      {Bytes({20, 0x00, 0x00, 0x00, 0x80}), readString},
      {Bytes({}), readString},
      {Bytes({3, 1}), [](TBinaryReader& r) { r.ReadInteger(); }},
      {Bytes({5, 0, 0, 0}), [](TBinaryReader& r) { r.ReadFloat(); }},
  };
  for (const auto& c : cases) {
    TStringStream stream(c.bytes);
    TBinaryReader reader(&stream);
    EXPECT_TRUE(Raises<EReadError>([&] { c.read(reader); }, "Stream read error")) << Hex(c.bytes);
  }
}

// ---- Persistent objects

class TSample : public TPersistentObject {
  RTL_CLASS(TSample, TPersistentObject)
  int32_t Value = 0;
  std::string Text;
  void WriteToFiler(TVirtualWriter* writer) override {
    inherited::WriteToFiler(writer);
    writer->WriteInteger(0);
    writer->WriteInteger(Value);
    writer->WriteString(Text);
  }
  void ReadFromFiler(TVirtualReader* reader) override {
    inherited::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseFilerException(archiveVersion);
    Value = reader->ReadInteger();
    Text = reader->ReadString();
  }
};

class TSignedSample : public TSample {
  RTL_CLASS(TSignedSample, TSample)
  std::string FileSignature() const override { return "ABCD"; }
};

TEST(PersistentObject, SignatureBytesPrecedeTheValuesUntagged) {
  TSignedSample sample;
  sample.Value = 7;
  const std::string data = sample.SaveToString();
  EXPECT_EQ(Hex(data), "41 42 43 44 02 00 02 07 06 00");

  TSignedSample loaded;
  loaded.LoadFromString(data);
  EXPECT_EQ(loaded.Value, 7);

  for (const std::string& bad :
       {Bytes({'A', 'B', 'C', 'E', 2, 0, 2, 9, 6, 0}), Bytes({'A', 'B'})}) {
    TSignedSample target;
    target.Value = 3;
    EXPECT_TRUE(Raises<EInvalidFileSignature>([&] { target.LoadFromString(bad); },
                                              "Invalid file signature"))
        << Hex(bad);
    EXPECT_EQ(target.Value, 3);
  }
}

TEST(PersistentObject, AssignAndCloneCopyThroughTheFilerOnlyWithinOneClass) {
  TSample source;
  source.Value = 42;
  source.Text = "joint";
  TSample copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.Value, 42);
  EXPECT_EQ(copy.Text, "joint");

  std::unique_ptr<TPersistentObject> clone = source.CreateClone();
  ASSERT_EQ(clone->ClassType(), TSample::StaticClass());
  EXPECT_EQ(static_cast<TSample*>(clone.get())->Text, "joint");

  TSignedSample descendant;
  EXPECT_TRUE(Raises<EConvertError>([&] { copy.Assign(&descendant); },
                                    "Cannot assign a TSignedSample to a TSample"));
}

TEST(PersistentObject, ArchiveVersionsAndFilerArgumentsAreChecked) {
  TSample sample;
  EXPECT_TRUE(Raises<EFilerException>(
      [&] {
        sample.LoadFromString(Bytes({2, 3}));
      },
      "TSample : unknown archive version 3"));
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { sample.TPersistentObject::WriteToFiler(nullptr); },
                                       testing::StartsWith("Assertion failure (")));
  EXPECT_THROW(sample.TPersistentObject::ReadFromFiler(nullptr), EAssertionFailed);
  // A class that is not a writer cannot be asked to write.
  TStringStream stream;
  EXPECT_THROW(sample.SaveToStream(stream, TStringList::StaticClass()), EInvalidCast);
  EXPECT_THROW(sample.LoadFromStream(stream, TBinaryWriter::StaticClass()), EInvalidCast);
}

using PersistentObjectFile = TempDirTest;

TEST_F(PersistentObjectFile, SavesAndLoadsTheStreamImage) {
  TSignedSample sample;
  sample.Value = 300;
  sample.Text = "dip";
  const std::string path = Path("sample.bin");
  sample.SaveToFile(path);
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, sample.SaveToString());

  TSignedSample loaded;
  loaded.LoadFromFile(path);
  EXPECT_EQ(loaded.Value, 300);
  EXPECT_EQ(loaded.Text, "dip");

  EXPECT_TRUE(Raises<Exception>([&] { loaded.LoadFromFile(Path("missing.bin")); },
                                "File not found: \"" + Path("missing.bin") + "\""));
  EXPECT_THROW(loaded.LoadFromFile(Write("broken.bin", "ABCD\x02")), EReadError);
}

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TEST_F(PersistentObjectFile, ARefusedSaveKeepsTheArchiveByteForByte) {
  TPersistentObjectList good;
  good.Add(nullptr);
  const std::string path = Path("list.bin");
  good.SaveToFile(path);
  const std::string archive = FileBytes(path);
  ASSERT_FALSE(archive.empty());

  TObject stranger;
  TPersistentObjectList refused;
  refused.Add(&stranger);
  EXPECT_TRUE(Raises<EWriteError>([&] { refused.SaveToFile(path); },
                                  "Cannot store a TObject in an ObjectList archive"));
  EXPECT_EQ(FileBytes(path), archive);
  // Nothing is left beside it either.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FDir), {}), 1);
}

TEST_F(PersistentObjectFile, ASaveThroughALinkReplacesTheLinksTarget) {
  const std::string target = Write("target.bin", "old");
  const std::string link = Path("link.bin");
  std::filesystem::create_symlink(target, link);
  TSignedSample sample;
  sample.SaveToFile(link);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(FileBytes(target), sample.SaveToString());
}

}  // namespace
