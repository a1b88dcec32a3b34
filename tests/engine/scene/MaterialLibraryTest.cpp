// The material library's binary stream: the bytes of a material as written, streams of the
// older versions, and damaged streams, which raise a read error and keep the materials read
// before the damage whole.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "engine/GLMaterialLibrary.h"
#include "engine/base/PersistentClasses.h"
#include "tests/support/Raises.h"

namespace {
using testing::HasSubstr;

// The stream's values spelled out with the binary filer's tags.
struct TBytes {
  std::string Data;
  TBytes& Int(int8_t value) {
    Data += '\x02';
    Data += char(value);
    return *this;
  }
  TBytes& Bool(bool value) {
    Data += value ? '\x09' : '\x08';
    return *this;
  }
  TBytes& Str(const std::string& value) {
    Data += '\x06';
    Data += char(value.size());
    Data += value;
    return *this;
  }
  TBytes& Byte(uint8_t value) {
    Data += char(value);
    return *this;
  }
  TBytes& Singles(std::initializer_list<float> values) {
    for (float value : values) {
      char bytes[4];
      std::memcpy(bytes, &value, 4);
      Data.append(bytes, 4);
    }
    return *this;
  }
};

struct TFace {
  uint8_t shininess = 64;
  int8_t polygonMode = pmLines;
};

// One material as versions 1 and 2 write it; the front face's values are given.
TBytes& Material(TBytes& b, const std::string& name, int version, TFace front = {},
                 int8_t blending = bmTransparency, int8_t optionsSize = 1,
                 uint8_t options = moNoLighting) {
  b.Str(name).Bool(false);
  b.Singles({1, 0, 0.5f}).Singles({0, 1, 0, 0.5f}).Singles({0, 0, 0.25f}).Singles({1, 1, 1});
  if (version == 0) return b;
  b.Byte(front.shininess).Int(front.polygonMode);
  b.Singles({0.2f, 0.2f, 0.2f})
      .Singles({0.8f, 0.8f, 0.8f, 1})
      .Singles({0, 0, 0})
      .Singles({0, 0, 0});
  b.Byte(0).Int(pmFill);
  b.Int(blending).Int(optionsSize).Byte(options);
  b.Singles({0.5f, 0, 0}).Singles({2, 2, 1}).Str("Gold");
  if (version == 1) return b;
  return b.Int(1).Bool(false).Int(3).Singles({0, 0, 0}).Singles({1, 1, 1});
}

std::string Stream(int version, std::initializer_list<std::string> names) {
  TBytes b;
  b.Int(int8_t(version)).Int(int8_t(names.size()));
  for (const std::string& name : names) Material(b, name, version);
  return b.Data;
}

void Load(TGLMaterialLibrary& library, const std::string& data) {
  TStringStream stream(data);
  library.LoadFromStream(&stream);
}

// The library material the streams above describe.
void ExpectStreamedMaterial(TGLLibMaterial& m, int version) {
  TGLMaterial& material = *m.GetMaterial();
  TGLFaceProperties& front = *material.GetFrontProperties();
  EXPECT_EQ(front.GetAmbient()->GetColor(), (TColorVector{1, 0, 0.5f, 1}));
  EXPECT_EQ(front.GetDiffuse()->GetColor(), (TColorVector{0, 1, 0, 0.5f}));
  EXPECT_EQ(front.GetEmission()->GetColor(), (TColorVector{0, 0, 0.25f, 1}));
  EXPECT_EQ(front.GetSpecular()->GetColor(), (TColorVector{1, 1, 1, 1}));
  EXPECT_FALSE(material.GetTexture()->GetEnabled());
  if (version == 0) {
    EXPECT_EQ(front.GetShininess(), 0);
    EXPECT_FALSE(material.HasBackProperties());
    EXPECT_EQ(m.GetTexture2Name(), "");
    return;
  }
  EXPECT_EQ(front.GetShininess(), 64);
  EXPECT_EQ(front.GetPolygonMode(), pmLines);
  EXPECT_EQ(material.GetBlendingMode(), bmTransparency);
  EXPECT_EQ(material.GetMaterialOptions(), moNoLighting);
  EXPECT_EQ(m.GetTextureOffset()->GetAsVector(), (TVector{0.5f, 0, 0, 0}));
  EXPECT_EQ(m.GetTextureScale()->GetAsVector(), (TVector{2, 2, 1, 0}));
  EXPECT_EQ(m.GetTexture2Name(), "Gold");
  const int units = material.HasTextureEx() ? material.GetTextureEx()->Count() : 0;
  EXPECT_EQ(units, version == 2 ? 1 : 0);
  if (units == 1) {
    EXPECT_EQ(material.GetTextureEx()->Items(0)->GetTextureIndex(), 3);
  }
}

TEST(MaterialLibrary, WritesAMaterialAsTheVersion2StreamSpellsIt) {
  TGLMaterialLibrary library(nullptr);
  TGLLibMaterial* m = library.GetMaterials()->Add();
  m->SetName("M");
  TGLMaterial& material = *m->GetMaterial();
  TGLFaceProperties& front = *material.GetFrontProperties();
  front.GetAmbient()->SetColor({1, 0, 0.5f, 0.75f});  // the ambient alpha is not written
  front.GetDiffuse()->SetColor({0, 1, 0, 0.5f});
  front.GetEmission()->SetColor({0, 0, 0.25f, 1});
  front.GetSpecular()->SetColor({1, 1, 1, 1});
  front.SetShininess(64);
  front.SetPolygonMode(pmLines);
  material.SetBlendingMode(bmTransparency);
  material.SetMaterialOptions(moNoLighting);
  material.SetFaceCulling(fcNoCull);  // not written
  m->GetTextureOffset()->SetVector(0.5f, 0, 0);
  m->GetTextureScale()->SetVector(2, 2, 1);
  m->SetTexture2Name("Gold");
  m->SetTag(9);  // not written
  material.GetTextureEx()->Add()->SetTextureIndex(3);

  TStringStream stream;
  library.SaveToStream(&stream);
  EXPECT_EQ(stream.DataString(), Stream(2, {"M"}));

  TGLMaterialLibrary read(nullptr);
  Load(read, stream.DataString());
  ASSERT_EQ(read.GetMaterials()->Count(), 1);
  ExpectStreamedMaterial(*read.GetMaterials()->Items(0), 2);
  EXPECT_EQ(read.GetMaterials()->Items(0)->GetMaterial()->GetFaceCulling(), fcBufferDefault);
}

TEST(MaterialLibrary, ReadsEveryVersionInPlaceOfWhatItHeld) {
  for (int version : {0, 1, 2}) {
    SCOPED_TRACE(version);
    TGLMaterialLibrary library(nullptr);
    library.GetMaterials()->Add()->SetName("Before");
    Load(library, Stream(version, {"First", "Second"}));
    ASSERT_EQ(library.GetMaterials()->Count(), 2);
    EXPECT_EQ(library.GetMaterials()->Items(0)->GetName(), "First");
    EXPECT_EQ(library.GetMaterials()->Items(1)->GetName(), "Second");
    for (int i = 0; i < 2; ++i) ExpectStreamedMaterial(*library.GetMaterials()->Items(i), version);
  }
}

TEST(MaterialLibrary, AnUnknownVersionRaisesBeforeAnythingIsCleared) {
  for (int version : {3, -1}) {
    TGLMaterialLibrary library(nullptr);
    library.GetMaterials()->Add()->SetName("Kept");
    std::string data = Stream(2, {"New"});
    data[1] = char(version);
    EXPECT_TRUE(Raises<EFilerException>([&] { Load(library, data); },
                                        HasSubstr("unknown archive version")));
    ASSERT_EQ(library.GetMaterials()->Count(), 1);
    EXPECT_EQ(library.GetMaterials()->Items(0)->GetName(), "Kept");
  }
}

TEST(MaterialLibrary, AValueOutOfRangeIsAReadErrorNamingTheMaterial) {
  const struct {
    const char* what;
    TFace front;
    int8_t blending, optionsSize;
    uint8_t options = moNoLighting;
  } cases[] = {
      {"shininess", {129, pmFill}, bmOpaque, 1}, {"polygon mode", {0, 3}, bmOpaque, 1},
      {"polygon mode", {0, -1}, bmOpaque, 1},    {"blending mode", {}, 6, 1},
      {"options size", {}, bmOpaque, 4},         {"options size", {}, bmOpaque, 0},
      {"options", {}, bmOpaque, 1, 0xFF},        {"options", {}, bmOpaque, 1, 1 << 2},
  };
  for (const auto& c : cases) {
    TBytes b;
    b.Int(2).Int(2);
    Material(b, "Good", 2);
    Material(b, "Bad", 2, c.front, c.blending, c.optionsSize, c.options);
    TGLMaterialLibrary library(nullptr);
    EXPECT_TRUE(Raises<EReadError>(
        [&] { Load(library, b.Data); },
        std::string("Material library: invalid ") + c.what + " in material \"Bad\""));
    ASSERT_EQ(library.GetMaterials()->Count(), 1) << c.what;
    ExpectStreamedMaterial(*library.GetMaterials()->Items(0), 2);
  }
}

TEST(MaterialLibrary, AStreamThatEndsEarlyKeepsTheMaterialsReadBeforeWhole) {
  const std::string whole = Stream(2, {"First", "Second"});
  TBytes header;
  header.Int(2).Int(2);
  TBytes first = header;
  Material(first, "First", 2);
  for (size_t length = 0; length < whole.size(); ++length) {
    TGLMaterialLibrary library(nullptr);
    EXPECT_THROW(Load(library, whole.substr(0, length)), EReadError) << length;
    const int expected = length >= first.Data.size() ? 1 : 0;
    ASSERT_EQ(library.GetMaterials()->Count(), expected) << length;
    if (expected) ExpectStreamedMaterial(*library.GetMaterials()->Items(0), 2);
  }
}

}  // namespace
