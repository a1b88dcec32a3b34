// Colours: notices, window colours, the binary layout value; face properties and what they send.
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/GLTexture.h"
#include "platform/gl/GLRecorder.h"
#include "platform/rtl/SysUtils.h"

namespace {

std::vector<std::string> Log;

// An update-able owner such as face properties or a material.
class TLoggingOwner : public TGLUpdateAbleObject {
  RTL_CLASS(TLoggingOwner, TGLUpdateAbleObject)
  using TGLUpdateAbleObject::TGLUpdateAbleObject;
  void NotifyChange(TObject* Sender) override {
    Log.push_back("owner <- " + (Sender ? Sender->ClassName() : std::string("nil")));
    inherited::NotifyChange(Sender);
  }
};

// A scene object that owns a colour directly, as a light or a line does.
class TSceneObject : public TGLUpdateAbleComponent, public IGLStructureChangeable {
  RTL_CLASS(TSceneObject, TGLUpdateAbleComponent)
  static const TPropertyTable& Published() {
    static const TPropertyTable table =
        TPropertyTable::Extend<TSceneObject>(TGLUpdateAbleComponent::Published())
            .Object("LineColor", [](const TSceneObject& o) { return o.LineColor.get(); })
            .Object("Face", [](const TSceneObject& o) { return o.Face.get(); });
    return table;
  }
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  void StructureChanged() override { Log.push_back("structure changed"); }
  void NotifyChange(TObject* Sender) override {
    Log.push_back("object <- " + (Sender ? Sender->ClassName() : std::string("nil")));
  }
  std::unique_ptr<TGLColor> LineColor = std::make_unique<TGLColor>(this, ColorWhite);
  std::unique_ptr<TGLFaceProperties> Face = std::make_unique<TGLFaceProperties>(this);
};

void LogEvent(TGLUpdateAbleObject& object) {
  object.OnNotifyChange = [](TObject* sender) { Log.push_back("event <- " + sender->ClassName()); };
}

class GLTextureTest : public ::testing::Test {
 protected:
  void SetUp() override { Log.clear(); }
  void TearDown() override { vKeepDefaultCoordinates = false; }
};

const float NaN = std::numeric_limits<float>::quiet_NaN();

TEST_F(GLTextureTest, WholeValueSettersAlwaysNotifyChannelSettersOnlyOnAChange) {
  const TColorVector blue = {0, 0, 1, 1};
  const struct {
    const char* what;
    std::function<void(TGLColor&)> change;
    size_t notices;
  } cases[] = {
      {"SetColor, same value", [&](TGLColor& c) { c.SetColor(blue); }, 1},
      {"SetRGBA, same value", [](TGLColor& c) { c.SetRGBA(0, 0, 1, 1); }, 1},
      {"SetAsWinColor, same value", [](TGLColor& c) { c.SetAsWinColor(0x00FF0000); }, 1},
      {"Assign, same value",
       [&](TGLColor& c) {
         TGLColor source(nullptr, blue);
         c.Assign(&source);
       },
       1},
      {"SetRed, same value", [](TGLColor& c) { c.SetRed(0); }, 0},
      {"SetGreen, new value", [](TGLColor& c) { c.SetGreen(0.5f); }, 1},
      {"SetAlpha through the published property",
       [](TGLColor& c) { GetPropInfo(c, "Alpha")->SetFloat(c, 0.5); }, 1},
      {"SetBlue, NaN", [](TGLColor& c) { c.SetBlue(NaN); }, 0},
      {"Initialize", [](TGLColor& c) { c.Initialize(ColorWhite); }, 0},
      {"SetDirectColor", [](TGLColor& c) { c.SetDirectColor(ColorWhite); }, 0},
  };
  for (const auto& c : cases) {
    TLoggingOwner owner(nullptr);
    TGLColor color(&owner, blue);
    Log.clear();
    c.change(color);
    EXPECT_EQ(Log.size(), c.notices) << c.what;
  }
}

TEST_F(GLTextureTest, ChannelSetterCannotMoveANaNChannel) {
  TGLColor color(nullptr, {NaN, 0, 0, 1});
  color.SetRed(1);
  EXPECT_TRUE(std::isnan(color.GetRed()));
  color.SetColorComponent(1, NaN);
  EXPECT_EQ(color.GetGreen(), 0);
}

TEST_F(GLTextureTest, NoticesByOwnerKind) {
  {
    TGLColor orphan(nullptr);
    LogEvent(orphan);
    orphan.SetColor(ColorWhite);
    EXPECT_TRUE(Log.empty()) << "a colour without owner fires not even its event";
  }
  TLoggingOwner owner(nullptr);
  TGLColor color(&owner, ColorBlack);
  LogEvent(color);
  color.SetRed(1);
  EXPECT_EQ(Log, (std::vector<std::string>{"owner <- TGLColor", "event <- TGLColor"}));

  Log.clear();
  TSceneObject object(nullptr);
  LogEvent(*object.LineColor);
  object.LineColor->SetRed(0);
  EXPECT_EQ(Log, (std::vector<std::string>{"structure changed", "object <- TGLColor",
                                           "event <- TGLColor"}));

  Log.clear();
  object.LineColor->BeginUpdate();
  object.LineColor->SetRed(1);
  EXPECT_EQ(Log, (std::vector<std::string>{"structure changed"}))
      << "updating stops the notice, not the rebuild of the owner's list";
}

TEST_F(GLTextureTest, FacePropertiesPassTheirColoursNoticesOn) {
  TSceneObject object(nullptr);
  object.Face->GetDiffuse()->SetBlue(0.5f);
  EXPECT_EQ(Log, (std::vector<std::string>{"object <- TGLFaceProperties"}));
}

TEST_F(GLTextureTest, WindowColoursBecomeBytesOver255WithAlphaOne) {
  const struct {
    TColor winColor;
    TColorVector expected;
  } cases[] = {
      {clBlack, {0, 0, 0, 1}},
      {clWhite, {1, 1, 1, 1}},
      {RGB(128, 1, 254), {0.501960814f, 0.00392156886f, 0.996078432f, 1}},
      {0x7F0000FF, {1, 0, 0, 1}},  // the top byte of a plain colour is ignored
      {RGB(35, 35, 142), ColorNavyBlue},
      {clWindow, {1, 1, 1, 1}},
      {clHighlight, {0, 0.470588237f, 0.843137264f, 1}},
      {clInfoBk, {1, 1, 0.882352948f, 1}},
      {clBtnFace, {0.941176474f, 0.941176474f, 0.941176474f, 1}},
  };
  for (const auto& c : cases) {
    TGLColor color(nullptr, {0.3f, 0.3f, 0.3f, 0.5f});
    color.SetAsWinColor(c.winColor);
    EXPECT_EQ(color.GetColor(), c.expected) << std::hex << c.winColor;
    EXPECT_EQ(ConvertWinColor(c.winColor, 0.25f)[3], 0.25f);
  }
  EXPECT_EQ(ColorNavyBlue[2], 0.556862772f);
}

TEST_F(GLTextureTest, StartUpTakesTheSystemColours) {
  InitializeGLTexture();
  EXPECT_EQ(WinColors[24], (TColorVector{1, 1, 0.882352948f, 1}));
  EXPECT_EQ(WinColors[15], ConvertWinColor(clBtnFace, 1));
}

TEST_F(GLTextureTest, AssignTakesColoursOnly) {
  TGLColor color(nullptr);
  TStringList other;
  EXPECT_TRUE(Raises<EConvertError>([&] { color.Assign(&other); },
                                    "Cannot assign a TStringList to a TGLColor"))
      << "a string list was assigned";
}

TEST_F(GLTextureTest, FacePropertiesStartAsTheMaterialDefaults) {
  TGLFaceProperties face(nullptr);
  EXPECT_EQ(face.GetAmbient()->GetColor(), ColorGray20);
  EXPECT_EQ(face.GetDiffuse()->GetColor(), ColorGray80);
  EXPECT_EQ(face.GetSpecular()->GetColor(), ColorBlack);
  EXPECT_EQ(face.GetEmission()->GetColor(), ColorBlack);
  EXPECT_EQ(face.GetShininess(), 0);
  EXPECT_EQ(face.GetPolygonMode(), pmFill);
  EXPECT_EQ(face.GetAmbient()->GetOwner(), &face);
}

TEST_F(GLTextureTest, FacePropertySettersNotifyOnceFromTheFace) {
  const struct {
    const char* what;
    std::function<void(TGLFaceProperties&)> change;
    size_t notices;
  } cases[] = {
      {"SetAmbient",
       [](TGLFaceProperties& f) {
         TGLColor value(nullptr, ColorGray20);
         f.SetAmbient(&value);
       },
       1},
      {"SetSpecular",
       [](TGLFaceProperties& f) {
         TGLColor value(nullptr, ColorBlue);
         f.SetSpecular(&value);
       },
       1},
      {"SetShininess, same", [](TGLFaceProperties& f) { f.SetShininess(0); }, 0},
      {"SetShininess, new", [](TGLFaceProperties& f) { f.SetShininess(64); }, 1},
      {"SetPolygonMode, same", [](TGLFaceProperties& f) { f.SetPolygonMode(pmFill); }, 0},
      {"SetPolygonMode, new", [](TGLFaceProperties& f) { f.SetPolygonMode(pmPoints); }, 1},
      {"Assign from a colour",
       [](TGLFaceProperties& f) {
         TGLColor value(nullptr, ColorBlue);
         f.Assign(&value);
       },
       0},
  };
  for (const auto& c : cases) {
    TLoggingOwner owner(nullptr);
    TGLFaceProperties face(&owner);
    LogEvent(*face.GetAmbient());
    LogEvent(*face.GetSpecular());
    Log.clear();
    c.change(face);
    EXPECT_EQ(Log, std::vector<std::string>(c.notices, "owner <- TGLFaceProperties")) << c.what;
  }
}

TEST_F(GLTextureTest, FaceAssignCopiesEverythingWithOneNotice) {
  TGLFaceProperties source(nullptr);
  source.GetAmbient()->SetDirectColor({0.1f, 0.2f, 0.3f, 0.4f});
  source.GetDiffuse()->SetDirectColor(ColorBlue);
  source.GetSpecular()->SetDirectColor(ColorWhite);
  source.GetEmission()->SetDirectColor(ColorNavyBlue);
  source.SetShininess(100);
  source.SetPolygonMode(pmLines);
  TLoggingOwner owner(nullptr);
  TGLFaceProperties face(&owner);
  face.Assign(&source);
  EXPECT_EQ(Log, (std::vector<std::string>{"owner <- TGLFaceProperties"}));
  EXPECT_EQ(face.GetAmbient()->GetColor(), (TColorVector{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_EQ(face.GetDiffuse()->GetColor(), ColorBlue);
  EXPECT_EQ(face.GetSpecular()->GetColor(), ColorWhite);
  EXPECT_EQ(face.GetEmission()->GetColor(), ColorNavyBlue);
  EXPECT_EQ(face.GetShininess(), 100);
  EXPECT_EQ(face.GetPolygonMode(), pmLines);
}

TEST_F(GLTextureTest, AssignLeavesTheDefaultsAsTheyWere) {
  vKeepDefaultCoordinates = true;
  TGLFaceProperties face(nullptr);
  TGLFaceProperties source(nullptr);
  source.GetAmbient()->SetDirectColor(ColorWhite);
  face.Assign(&source);
  EXPECT_EQ(*face.GetAmbient()->GetDefaultColor(), ColorGray20);
}

std::string WriteLayout(TComponent* root) {
  TStringStream stream;
  stream.WriteComponent(root);
  return stream.DataString();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(GLTextureTest, ColourTravelsAsSixteenBytesOnlyThroughTheBinaryValue) {
  TSceneObject written(nullptr);
  written.SetName("Line");
  written.LineColor->SetDirectColor({-0.0f, std::bit_cast<float>(0x7FC01234u), 0.5f, 1});
  const std::string layout = WriteLayout(&written);
  EXPECT_TRUE(Contains(layout, "  LineColor.Color = {000000803412C07F0000003F0000803F}\n"))
      << layout;
  EXPECT_FALSE(Contains(layout, "LineColor.Red")) << layout;

  TSceneObject read(nullptr);
  TStringStream stream(layout);
  stream.ReadComponent(&read);
  EXPECT_TRUE(Log.empty()) << "read back without a notice";
  EXPECT_EQ(std::bit_cast<uint32_t>(read.LineColor->GetRed()), 0x80000000u);
  EXPECT_EQ(std::bit_cast<uint32_t>(read.LineColor->GetGreen()), 0x7FC01234u);
  EXPECT_EQ(read.LineColor->GetBlue(), 0.5f);
}

TEST_F(GLTextureTest, AColourValueOfTheWrongLengthRaisesAndLeavesTheColour) {
  TSceneObject written(nullptr);
  written.SetName("Line");
  written.LineColor->SetDirectColor({7, 7, 3, 1});
  const std::string good = "{0000E0400000E040000040400000803F}";
  const std::string layout = WriteLayout(&written);
  ASSERT_TRUE(Contains(layout, good)) << layout;
  for (const std::string bad :
       {"{0000E0400000E040}", "{0000E0400000E040000040400000803F00000000}"}) {
    std::string damaged = layout;
    damaged.replace(damaged.find(good), good.size(), bad);
    TSceneObject read(nullptr);
    read.LineColor->SetDirectColor({0.25f, 0.5f, 0.75f, 1});
    TStringStream stream(damaged);
    EXPECT_THROW(stream.ReadComponent(&read), EReadError) << bad;
    EXPECT_EQ(read.LineColor->GetColor(), (TColorVector{0.25f, 0.5f, 0.75f, 1})) << bad;
  }
}

TEST_F(GLTextureTest, ColourEqualToItsDefaultIsLeftOutOnlyWhenDefaultsAreKept) {
  const struct {
    bool keepDefaults;
    TColorVector value;
    bool written;
  } cases[] = {
      {false, ColorWhite, true},
      {true, ColorWhite, false},
      {true, {1, 1, 0.5f, 1}, true},
      {true, {1, -0.0f, 1, 1}, true},  // word for word, so -0 is not 0
  };
  for (const auto& c : cases) {
    vKeepDefaultCoordinates = c.keepDefaults;
    TSceneObject object(nullptr);
    object.LineColor->SetDirectColor(c.value);
    EXPECT_EQ(Contains(WriteLayout(&object), "LineColor.Color"), c.written)
        << c.keepDefaults << " " << c.value[1] << " " << c.value[2];
    EXPECT_EQ(object.LineColor->GetDefaultColor() != nullptr, c.keepDefaults);
  }
}

TEST_F(GLTextureTest, FacePropertiesLayoutInStreamOrder) {
  vKeepDefaultCoordinates = true;
  TSceneObject object(nullptr);
  EXPECT_FALSE(Contains(WriteLayout(&object), "Face.")) << "all at their defaults";
  object.Face->SetShininess(10);
  object.Face->SetPolygonMode(pmPoints);
  object.Face->GetSpecular()->SetDirectColor(ColorWhite);
  object.Face->GetAmbient()->SetDirectColor(ColorBlack);
  const std::string layout = WriteLayout(&object);
  EXPECT_TRUE(Contains(layout,
                       "  Face.Ambient.Color = {000000000000000000000000"
                       "0000803F}\n"
                       "  Face.Shininess = 10\n"
                       "  Face.PolygonMode = pmPoints\n"
                       "  Face.Specular.Color = {0000803F0000803F0000803F0000803F}\n"))
      << layout;

  TSceneObject read(nullptr);
  TStringStream stream(layout);
  stream.ReadComponent(&read);
  EXPECT_EQ(read.Face->GetShininess(), 10);
  EXPECT_EQ(read.Face->GetPolygonMode(), pmPoints);
  EXPECT_EQ(read.Face->GetAmbient()->GetColor(), ColorBlack);
  EXPECT_EQ(read.Face->GetDiffuse()->GetColor(), ColorGray80) << "not stored, kept";
}

TEST_F(GLTextureTest, ALayoutShininessBeyond128IsRefused) {
  TSceneObject written(nullptr);
  written.Face->SetShininess(10);
  const std::string layout = WriteLayout(&written);
  const std::string stored = "Face.Shininess = 10\n";
  ASSERT_TRUE(Contains(layout, stored)) << layout;
  for (const int shininess : {128, 129, 255}) {
    std::string edited = layout;
    edited.replace(edited.find(stored), stored.size(),
                   "Face.Shininess = " + IntToStr(shininess) + "\n");
    TSceneObject read(nullptr);
    TStringStream stream(edited);
    if (shininess <= cMaxShininess) {
      stream.ReadComponent(&read);
      EXPECT_EQ(read.Face->GetShininess(), shininess);
      continue;
    }
    EXPECT_TRUE(Raises<EReadError>(
        [&] { stream.ReadComponent(&read); },
        testing::HasSubstr(IntToStr(shininess) + " is out of the range of Shininess")));
    EXPECT_EQ(read.Face->GetShininess(), 0);
  }
}

// ---- What the face properties send

const auto Call = [](auto... args) { return TGLCall(args...); };
TGLArray Array(const TColorVector& c) {
  return {c[0], c[1], c[2], c[3]};
}

class FaceApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rci.stateCache = &cache;
    face.GetEmission()->SetDirectColor({0.1f, 0, 0, 1});
    face.GetAmbient()->SetDirectColor({0, 0.1f, 0, 1});
    face.GetDiffuse()->SetDirectColor({0, 0, 0.1f, 0.5f});
    face.GetSpecular()->SetDirectColor({0.1f, 0.1f, 0.1f, 1});
    face.SetShininess(20);
    face.SetPolygonMode(pmLines);
    gl.Take();
  }
  TGLRecorder gl;
  TGLStateCache cache;
  TRenderContextInfo rci;
  TGLFaceProperties face{nullptr};
};

TEST_F(FaceApplyTest, ApplySendsTheMaterialThroughTheCache) {
  face.Apply(rci, GL_BACK);
  EXPECT_EQ(gl.Take(),
            (TGLCalls{Call("glMateriali", GL_BACK, GL_SHININESS, 20),
                      Call("glMaterialfv", GL_BACK, GL_EMISSION, Array({0.1f, 0, 0, 1})),
                      Call("glMaterialfv", GL_BACK, GL_AMBIENT, Array({0, 0.1f, 0, 1})),
                      Call("glMaterialfv", GL_BACK, GL_DIFFUSE, Array({0, 0, 0.1f, 0.5f})),
                      Call("glMaterialfv", GL_BACK, GL_SPECULAR, Array({0.1f, 0.1f, 0.1f, 1})),
                      Call("glPolygonMode", GL_BACK, GL_LINE)}));
  face.Apply(rci, GL_BACK);
  EXPECT_TRUE(gl.Take().empty()) << "nothing changed";
}

TEST_F(FaceApplyTest, ApplyNoLightingSendsTheDiffuseColourDirectly) {
  face.ApplyNoLighting(rci, GL_FRONT);
  face.ApplyNoLighting(rci, GL_FRONT);
  EXPECT_EQ(gl.Take(), (TGLCalls{Call("glColor4fv", Array({0, 0, 0.1f, 0.5f})),
                                 Call("glPolygonMode", GL_FRONT, GL_LINE),
                                 Call("glColor4fv", Array({0, 0, 0.1f, 0.5f}))}));
}

TEST_F(FaceApplyTest, PolygonModes) {
  const struct {
    TPolygonMode mode;
    GLenum glMode;
  } cases[] = {{pmFill, GL_FILL}, {pmLines, GL_LINE}, {pmPoints, GL_POINT}};
  for (const auto& c : cases) {
    TGLStateCache fresh;
    rci.stateCache = &fresh;
    face.SetPolygonMode(c.mode);
    face.ApplyNoLighting(rci, GL_FRONT);
    face.Apply(rci, GL_BACK);
    const TGLCalls modes = gl.CallsOf("glPolygonMode");
    EXPECT_EQ(modes, (TGLCalls{Call("glPolygonMode", GL_FRONT, c.glMode),
                               Call("glPolygonMode", GL_BACK, c.glMode)}))
        << c.mode;
    gl.Take();
  }
}

}  // namespace
