// What a material sends to OpenGL around a draw: front and back faces, the culling and blending
// tables, lighting and fog switched off and back on across nested objects, and which of its
// texture parts or its library material it hands over to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/MaterialFakes.h"
#include "tests/engine/scene/SceneBufferFakes.h"

namespace {
using namespace material_fakes;
using testing::StartsWith;

const auto Call = [](auto... args) { return TGLCall(args...); };
TGLArray Array(const TColorVector& c) {
  return {c[0], c[1], c[2], c[3]};
}

bool Switches(const TGLCall& call, GLenum capability) {
  return (call.Name == "glEnable" || call.Name == "glDisable") &&
         std::get<int64_t>(call.Args[0]) == capability;
}
bool OnFace(const TGLCall& call, GLenum face) {
  return !call.Args.empty() && std::holds_alternative<int64_t>(call.Args[0]) &&
         std::get<int64_t>(call.Args[0]) == face;
}
TGLCalls Only(const TGLCalls& calls, const std::function<bool(const TGLCall&)>& keep) {
  TGLCalls kept;
  for (const TGLCall& call : calls)
    if (keep(call)) kept.push_back(call);
  return kept;
}
TGLCalls Join(TGLCalls a, const TGLCalls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A face at the default colours, after the cache has forgotten every colour (its shininess
// is known to be 0).
TGLCalls DefaultFace(GLenum face) {
  return {Call("glMaterialfv", face, GL_EMISSION, Array(ColorBlack)),
          Call("glMaterialfv", face, GL_AMBIENT, Array(ColorGray20)),
          Call("glMaterialfv", face, GL_DIFFUSE, Array(ColorGray80)),
          Call("glMaterialfv", face, GL_SPECULAR, Array(ColorBlack)),
          Call("glPolygonMode", face, GL_FILL)};
}

using States = std::vector<TGLCachedState>;

class MaterialRecordedTest : public ::testing::Test {
 protected:
  void SetUp() override { Log.clear(); }
  // A new cache with these states on, every colour unknown, and nothing logged yet.
  void Start(const States& on) {
    cache = std::make_unique<TGLStateCache>();
    rci.stateCache = cache.get();
    for (TGLCachedState state : on) cache->Enable(state);
    cache->ResetGLMaterialColors();
    gl.Take();
  }

  TGLRecorder gl;
  std::unique_ptr<TGLStateCache> cache;
  TRenderContextInfo rci;
};

TEST_F(MaterialRecordedTest, CullingTable) {
  const auto off = Call("glDisable", GL_CULL_FACE);
  const auto on = Call("glEnable", GL_CULL_FACE);
  const struct {
    bool cullFaceOn;
    bool bufferFaceCull;
    TFaceCulling faceCulling;
    std::optional<TGLCall> culling;
    bool back;  // the back face applied
  } cases[] = {
      {true, false, fcBufferDefault, off, true},
      {true, true, fcBufferDefault, std::nullopt, false},
      {true, false, fcCull, std::nullopt, false},
      {true, true, fcNoCull, off, true},
      {false, true, fcBufferDefault, on, false},
      {false, false, fcBufferDefault, std::nullopt, true},
      {false, false, fcCull, on, false},
      {false, true, fcNoCull, std::nullopt, true},
  };
  for (const auto& c : cases) {
    Start(c.cullFaceOn ? States{gsCullFace} : States{});
    rci.bufferFaceCull = c.bufferFaceCull;
    TGLMaterial material(nullptr);
    material.SetFaceCulling(c.faceCulling);
    material.Apply(rci);
    TGLCalls expected;
    if (c.culling) expected.push_back(*c.culling);
    if (c.back) expected = Join(expected, DefaultFace(GL_BACK));
    const TGLCalls culling = Only(gl.Take(), [](const TGLCall& call) {
      return Switches(call, GL_CULL_FACE) || OnFace(call, GL_BACK);
    });
    EXPECT_EQ(culling, expected) << c.cullFaceOn << c.bufferFaceCull << int(c.faceCulling);
    EXPECT_EQ(material.HasBackProperties(), c.back)
        << "rendering makes the back properties only to apply them";
  }
}

TEST_F(MaterialRecordedTest, TheFrontFaceTakesTheDiffuseColourWhenLightingIsOff) {
  TGLMaterial material(nullptr);
  material.GetFrontProperties()->GetDiffuse()->SetDirectColor(ColorBlue);
  material.SetFaceCulling(fcNoCull);
  const auto faces = [](const TGLCall& call) {
    return OnFace(call, GL_FRONT) || OnFace(call, GL_BACK) || call.Name == "glColor4fv";
  };

  Start({gsLighting});
  material.Apply(rci);
  TGLCalls front = DefaultFace(GL_FRONT);
  front[2] = Call("glMaterialfv", GL_FRONT, GL_DIFFUSE, Array(ColorBlue));
  EXPECT_EQ(Only(gl.Take(), faces), Join(front, DefaultFace(GL_BACK)));

  Start({});
  material.Apply(rci);
  EXPECT_EQ(Only(gl.Take(), faces),
            Join({Call("glColor4fv", Array(ColorBlue)), Call("glPolygonMode", GL_FRONT, GL_FILL)},
                 DefaultFace(GL_BACK)))
      << "the back face still goes through the material colours";
}

TEST_F(MaterialRecordedTest, BlendingTable) {
  const struct {
    TBlendingMode mode;
    bool blend;
    bool alphaTest;
    std::optional<TGLCall> call;
    bool blended;
    TGLCalls unapply;
  } cases[] = {
      {bmOpaque, false, false, std::nullopt, false, {}},
      {bmTransparency,
       true,
       true,
       Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA),
       true,
       {}},
      {bmAdditive, true, true, Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE), true, {}},
      {bmAlphaTest50,
       false,
       true,
       Call("glAlphaFunc", GL_GEQUAL, 0.5f),
       false,
       {Call("glAlphaFunc", GL_GREATER, 0.0f)}},
      {bmAlphaTest100,
       false,
       true,
       Call("glAlphaFunc", GL_GEQUAL, 1.0f),
       false,
       {Call("glAlphaFunc", GL_GREATER, 0.0f)}},
      {bmModulate, true, true, Call("glBlendFunc", GL_DST_COLOR, GL_ZERO), true, {}},
  };
  const auto blending = [](const TGLCall& call) {
    return Switches(call, GL_BLEND) || Switches(call, GL_ALPHA_TEST) ||
           call.Name == "glBlendFunc" || call.Name == "glAlphaFunc";
  };
  for (const auto& c : cases) {
    TGLMaterial material(nullptr);
    material.SetBlendingMode(c.mode);
    EXPECT_EQ(material.Blended(), c.blended) << int(c.mode);
    for (bool wasOn : {false, true}) {
      Start(wasOn ? States{gsBlend, gsAlphaTest} : States{});
      TGLCalls expected;
      if (c.blend != wasOn) expected.push_back(Call(c.blend ? "glEnable" : "glDisable", GL_BLEND));
      if (c.alphaTest != wasOn)
        expected.push_back(Call(c.alphaTest ? "glEnable" : "glDisable", GL_ALPHA_TEST));
      if (c.call) expected.push_back(*c.call);
      material.Apply(rci);
      EXPECT_EQ(Only(gl.Take(), blending), expected) << int(c.mode) << " from " << wasOn;
      EXPECT_FALSE(material.UnApply(rci));
      EXPECT_EQ(gl.Take(), c.unapply) << int(c.mode);
    }
  }

  Start({});
  rci.ignoreBlendingRequests = true;
  TGLMaterial material(nullptr);
  material.SetBlendingMode(bmTransparency);
  material.Apply(rci);
  EXPECT_TRUE(Only(gl.Take(), blending).empty()) << "a pass that ignores blending requests";
}

TEST_F(MaterialRecordedTest, ValuesOutsideTheTablesFailAtRendering) {
  const auto bare = StartsWith("Assertion failure (GLMaterial.cpp, line ");
  Start({});
  TGLMaterial culling(nullptr);
  culling.SetFaceCulling(TFaceCulling(3));
  for (bool cullFaceOn : {false, true}) {
    Start(cullFaceOn ? States{gsCullFace} : States{});
    EXPECT_TRUE(Raises<EAssertionFailed>([&] { culling.Apply(rci); }, bare)) << cullFaceOn;
  }
  TGLMaterial blending(nullptr);
  blending.SetBlendingMode(TBlendingMode(6));
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { blending.Apply(rci); }, bare));
}

// Lighting and fog come back on only when the outermost material that switched them off lets
// go, and never when the buffer had them off.
TEST_F(MaterialRecordedTest, NestedMaterialsLeaveLightingAndFogToTheOutermost) {
  const struct {
    TMaterialOptions option;
    TGLCachedState state;
    GLenum capability;
    int32_t TRenderContextInfo::*counter;
  } cases[] = {
      {moNoLighting, gsLighting, GL_LIGHTING, &TRenderContextInfo::lightingDisabledCounter},
      {moIgnoreFog, gsFog, GL_FOG, &TRenderContextInfo::fogDisabledCounter},
  };
  for (const auto& c : cases) {
    TGLMaterial outer(nullptr), inner(nullptr);
    outer.SetMaterialOptions(c.option);
    inner.SetMaterialOptions(c.option);
    const auto switches = [&] {
      return Only(gl.Take(), [&](const TGLCall& call) { return Switches(call, c.capability); });
    };

    Start({c.state});
    outer.Apply(rci);
    inner.Apply(rci);
    EXPECT_FALSE(inner.UnApply(rci));
    EXPECT_EQ(switches(), (TGLCalls{Call("glDisable", c.capability)})) << c.capability;
    outer.UnApply(rci);
    EXPECT_EQ(switches(), (TGLCalls{Call("glEnable", c.capability)})) << c.capability;
    EXPECT_EQ(rci.*c.counter, 0);

    outer.Apply(rci);
    outer.UnApply(rci);
    inner.Apply(rci);
    inner.UnApply(rci);
    EXPECT_EQ(switches(),
              (TGLCalls{Call("glDisable", c.capability), Call("glEnable", c.capability),
                        Call("glDisable", c.capability), Call("glEnable", c.capability)}))
        << "one after the other, each switches back on";

    Start({});
    outer.Apply(rci);
    inner.Apply(rci);
    inner.UnApply(rci);
    outer.UnApply(rci);
    EXPECT_TRUE(switches().empty()) << "the buffer had " << c.capability << " off";
    EXPECT_EQ(rci.*c.counter, 0);
  }
}

// The main texture combines by modulation and the units' textures by replacement, so the
// environment modes sent tell which was applied; 2D texturing starts on.
TEST_F(MaterialRecordedTest, TheTextureOrTheExtraUnitsAreApplied) {
  using TUnits = std::vector<std::pair<int, bool>>;  // unit, enabled
  using TSteps = std::vector<std::string>;
  const struct {
    const char* what;
    std::optional<bool> texture;  // enabled
    std::optional<TUnits> units;
    TSteps apply, unapply;
  } cases[] = {
      {"nothing", std::nullopt, std::nullopt, {}, {}},
      {"a disabled texture", false, std::nullopt, {"2D off"}, {}},
      {"a texture", true, std::nullopt, {"texture"}, {"2D off"}},
      {"a texture beside units on unit 1", true, TUnits{{1, true}}, {"texture"}, {"2D off"}},
      {"a texture beside a disabled unit 0", true, TUnits{{0, false}}, {"texture"}, {"2D off"}},
      {"a texture under units on unit 0",
       true,
       TUnits{{0, true}},
       {"unit"},
       {"2D off", "unit's matrix popped"}},
      {"a disabled texture beside units", false, TUnits{{1, true}}, {"2D off"}, {}},
      {"units alone",
       std::nullopt,
       TUnits{{1, true}},
       {"unit"},
       {"2D off", "unit's matrix popped"}},
      {"no units", std::nullopt, TUnits{}, {}, {}},
  };
  const auto steps = [](const TGLCalls& calls) {
    TSteps seen;
    for (const TGLCall& call : calls) {
      if (call.Name == "glTexEnvi" && std::get<int64_t>(call.Args[1]) == GL_TEXTURE_ENV_MODE)
        seen.push_back(std::get<int64_t>(call.Args[2]) == GL_MODULATE ? "texture" : "unit");
      if (call == Call("glDisable", GL_TEXTURE_2D)) seen.push_back("2D off");
      if (call.Name == "glPopMatrix") seen.push_back("unit's matrix popped");
    }
    return seen;
  };
  scene_test::TFakeContextUnit contexts;
  const std::unique_ptr<TGLContext> context = GLContextManager->CreateContext();
  context->CreateContext(nullptr);
  context->Activate();
  gl.SetImplementation("1.5", "GL_ARB_multitexture");
  gl.SetValues(GL_MAX_TEXTURE_UNITS_ARB, {4});
  for (const auto& c : cases) {
    TGLMaterial material(nullptr);
    if (c.texture) {
      material.GetTexture()->SetDisabled(!*c.texture);
      material.GetTexture()->SetTextureMode(tmModulate);
    }
    if (c.units)
      for (const auto& [unit, enabled] : *c.units) {
        TGLTextureExItem* item = material.GetTextureEx()->Add();
        item->SetTextureIndex(unit);
        item->GetTexture()->SetDisabled(!enabled);
        item->GetTexture()->SetTextureMode(tmReplace);
      }
    Start({gsTexture2D});
    material.Apply(rci);
    EXPECT_EQ(steps(gl.Take()), c.apply) << c.what;
    material.UnApply(rci);
    EXPECT_EQ(steps(gl.Take()), c.unapply) << c.what;
  }
  context->Deactivate();
}

TEST_F(MaterialRecordedTest, ALinkedMaterialHandsOverToItsLibraryMaterial) {
  TFakeLibrary library(nullptr);
  TFakeLibMaterial* gold = library.Add("Gold");
  gold->AnotherPass = true;
  TGLMaterial material(nullptr);
  material.SetMaterialOptions(moNoLighting);
  material.SetBlendingMode(bmAlphaTest50);
  material.SetMaterialLibrary(&library);
  material.SetLibMaterialName("Gold");
  Start({gsLighting});
  material.Apply(rci);
  EXPECT_TRUE(material.UnApply(rci)) << "the library material asks for another pass";
  EXPECT_TRUE(gl.Calls().empty());
  EXPECT_EQ(Log, (std::vector<std::string>{"Gold applied", "Gold unapplied"}));
}

}  // namespace
