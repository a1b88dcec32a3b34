#include <gtest/gtest.h>

#include <functional>

#include "engine/base/XOpenGL.h"
#include "platform/gl/GLRecorder.h"
#include "platform/rtl/SysUtils.h"

namespace {
const auto Call = [](auto... args) { return TGLCall(args...); };
constexpr GLenum U0 = GL_TEXTURE0_ARB, U1 = GL_TEXTURE1_ARB, U2 = GL_TEXTURE2_ARB;

class TexCoordDispatchTest : public testing::Test {
 protected:
  void SetUp() override {
    GLSupport.ARB_multitexture = true;
    MapTexCoordToMain();
    gl.Take();
  }
  void TearDown() override {
    vTexCoordDispatch.vForbidSecondTextureUnit = false;
    MapTexCoordToMain();
  }
  TGLRecorder gl;
};

const GLfloat V[4] = {1, 2, 3, 4};
const GLint Mode[1] = {GL_SPHERE_MAP};
const GLfloat Data[2] = {};

void CallCoordinateEntries() {
  const TTexCoordDispatch& x = vTexCoordDispatch;
  x.TexCoord2f(1, 2);
  x.TexCoord2fv(V);
  x.TexCoord3f(1, 2, 3);
  x.TexCoord3fv(V);
  x.TexCoord4f(1, 2, 3, 4);
  x.TexCoord4fv(V);
}

void CallEveryEntry() {
  CallCoordinateEntries();
  const TTexCoordDispatch& x = vTexCoordDispatch;
  x.TexGenf(GL_S, GL_TEXTURE_GEN_MODE, 9);
  x.TexGenfv(GL_S, GL_OBJECT_PLANE, V);
  x.TexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  x.TexGeniv(GL_T, GL_TEXTURE_GEN_MODE, Mode);
  x.TexCoordPointer(2, GL_FLOAT, 8, Data);
  x.EnableClientState(GL_TEXTURE_COORD_ARRAY);
  x.DisableClientState(GL_TEXTURE_COORD_ARRAY);
  x.Enable(GL_TEXTURE_GEN_S);
  x.Disable(GL_TEXTURE_GEN_S);
}

TEST_F(TexCoordDispatchTest, MainSendsThePlainCallOfEveryEntry) {
  CallEveryEntry();
  const TGLArray v2{1, 2}, v3{1, 2, 3}, v4{1, 2, 3, 4};
  EXPECT_EQ(gl.Calls(),
            (TGLCalls{Call("glTexCoord2f", 1.f, 2.f), Call("glTexCoord2fv", v2),
                      Call("glTexCoord3f", 1.f, 2.f, 3.f), Call("glTexCoord3fv", v3),
                      Call("glTexCoord4f", 1.f, 2.f, 3.f, 4.f), Call("glTexCoord4fv", v4),
                      Call("glTexGenf", GL_S, GL_TEXTURE_GEN_MODE, 9.f),
                      Call("glTexGenfv", GL_S, GL_OBJECT_PLANE, v4),
                      Call("glTexGeni", GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP),
                      Call("glTexGeniv", GL_T, GL_TEXTURE_GEN_MODE, TGLArray{GL_SPHERE_MAP}),
                      Call("glTexCoordPointer", 2, GL_FLOAT, 8, static_cast<const void*>(Data)),
                      Call("glEnableClientState", GL_TEXTURE_COORD_ARRAY),
                      Call("glDisableClientState", GL_TEXTURE_COORD_ARRAY),
                      Call("glEnable", GL_TEXTURE_GEN_S), Call("glDisable", GL_TEXTURE_GEN_S)}));
}

TEST_F(TexCoordDispatchTest, SecondSendsCoordinatesToUnitOneWithTheirMultiTextureCall) {
  MapTexCoordToSecond();
  CallCoordinateEntries();
  EXPECT_EQ(gl.Calls(), (TGLCalls{Call("glMultiTexCoord2fARB", U1, 1.f, 2.f),
                                  Call("glMultiTexCoord2fvARB", U1, TGLArray{1, 2}),
                                  Call("glMultiTexCoord3fARB", U1, 1.f, 2.f, 3.f),
                                  Call("glMultiTexCoord3fvARB", U1, TGLArray{1, 2, 3}),
                                  Call("glMultiTexCoord4fARB", U1, 1.f, 2.f, 3.f, 4.f),
                                  Call("glMultiTexCoord4fvARB", U1, TGLArray{1, 2, 3, 4})}));
}

// One entry of each group: a coordinate, a per-unit state, a client state.
struct FamilyCase {
  const char* name;
  std::function<void()> map;
  TGLCalls expected;
};
void PrintTo(const FamilyCase& c, std::ostream* out) {
  *out << c.name;
}

class TexCoordFamilyTest : public TexCoordDispatchTest,
                           public testing::WithParamInterface<FamilyCase> {};

TEST_P(TexCoordFamilyTest, SendsToItsUnitsAndEndsOnUnitZero) {
  GetParam().map();
  vTexCoordDispatch.TexCoord2f(1, 2);
  vTexCoordDispatch.Enable(GL_TEXTURE_GEN_S);
  vTexCoordDispatch.EnableClientState(GL_TEXTURE_COORD_ARRAY);
  EXPECT_EQ(gl.Calls(), GetParam().expected);
}

const TGLCall Coord = Call("glTexCoord2f", 1.f, 2.f);
const TGLCall Gen = Call("glEnable", GL_TEXTURE_GEN_S);
const TGLCall Client = Call("glEnableClientState", GL_TEXTURE_COORD_ARRAY);
TGLCall Multi(GLenum unit) {
  return Call("glMultiTexCoord2fARB", unit, 1.f, 2.f);
}
TGLCall Active(GLenum unit) {
  return Call("glActiveTextureARB", unit);
}
TGLCall ClientActive(GLenum unit) {
  return Call("glClientActiveTextureARB", unit);
}

INSTANTIATE_TEST_SUITE_P(
    Families, TexCoordFamilyTest,
    testing::Values(FamilyCase{"Null", MapTexCoordToNull, {}},
                    FamilyCase{"Main", MapTexCoordToMain, {Coord, Gen, Client}},
                    FamilyCase{"Second",
                               MapTexCoordToSecond,
                               {Multi(U1), Active(U1), Gen, Active(U0), ClientActive(U1), Client,
                                ClientActive(U0)}},
                    FamilyCase{"Dual",
                               MapTexCoordToDual,
                               {Coord, Multi(U1), Gen, Active(U1), Gen, Active(U0), Client,
                                ClientActive(U1), Client, ClientActive(U0)}},
                    FamilyCase{
                        "Arbitrary",
                        [] {
                          MapTexCoordToArbitrary({U2, U0});
                        },
                        {Multi(U2), Multi(U0), Active(U2), Gen, Active(U0), Gen, Active(U0),
                         ClientActive(U2), Client, ClientActive(U0), Client, ClientActive(U0)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TexCoordDispatchTest, NullIgnoresEveryEntry) {
  MapTexCoordToNull();
  CallEveryEntry();
  EXPECT_EQ(gl.Calls(), TGLCalls{});
}

TEST_F(TexCoordDispatchTest, AnUnchangedModeLeavesTheEntriesAlone) {
  const auto probe = [](GLfloat, GLfloat) {};
  vTexCoordDispatch.TexCoord2f = probe;
  MapTexCoordToMain();
  EXPECT_EQ(vTexCoordDispatch.TexCoord2f, +probe);
  MapTexCoordToDual();
  EXPECT_NE(vTexCoordDispatch.TexCoord2f, +probe);
}

TEST_F(TexCoordDispatchTest, InsideAnUpdateOnlyTheLastModeIsApplied) {
  MapTexCoordToNull();
  const auto nullEntry = vTexCoordDispatch.TexCoord2f;
  BeginUpdate();
  MapTexCoordToSecond();
  MapTexCoordToDual();
  MapTexCoordToMain();
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmNull);
  EXPECT_EQ(vTexCoordDispatch.TexCoord2f, nullEntry);
  EXPECT_EQ(GetBitWiseMapping(), 1u);
  EndUpdate();
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmMain);
  vTexCoordDispatch.TexCoord2f(1, 2);
  EXPECT_EQ(gl.Calls(), TGLCalls{Coord});
}

TEST_F(TexCoordDispatchTest, AnUpdateEndingOnTheCurrentModeWritesNothing) {
  const auto probe = [](GLfloat, GLfloat) {};
  vTexCoordDispatch.TexCoord2f = probe;
  BeginUpdate();
  MapTexCoordToSecond();
  MapTexCoordToMain();
  EndUpdate();
  EXPECT_EQ(vTexCoordDispatch.TexCoord2f, +probe);
}

TEST_F(TexCoordDispatchTest, NestedUpdatesApplyAtTheOuterEnd) {
  BeginUpdate();
  BeginUpdate();
  MapTexCoordToSecond();
  EndUpdate();
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmMain);
  EXPECT_EQ(GetBitWiseMapping(), 2u);
  EndUpdate();
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmSecond);
}

TEST_F(TexCoordDispatchTest, AForbiddenSecondUnitIsLeftOut) {
  vTexCoordDispatch.vForbidSecondTextureUnit = true;
  MapTexCoordToDual();
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmMain);
  MapTexCoordToSecond();
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmNull);
  MapTexCoordToArbitrary({U0, U1, U2});
  EXPECT_EQ(GetTexCoordUnits(), (std::vector<GLenum>{U0, U2}));
  MapTexCoordToArbitrary(0x07u);
  EXPECT_EQ(GetTexCoordUnits(), (std::vector<GLenum>{U0, U2}));
  EXPECT_TRUE(vTexCoordDispatch.vForbidSecondTextureUnit);
}

TEST_F(TexCoordDispatchTest, BitMasks) {
  MapTexCoordToArbitrary(0x105u);
  EXPECT_EQ(GetTexCoordUnits(), (std::vector<GLenum>{U0, U2}));
  EXPECT_EQ(GetBitWiseMapping(), 5u);
  MapTexCoordToArbitraryAdd(0x02u);
  EXPECT_EQ(GetTexCoordUnits(), (std::vector<GLenum>{U0, U1, U2}));
  MapTexCoordToArbitrary({GLenum(U0 - 1), U2, GLenum(U0 + 31), GLenum(U0 + 32)});
  EXPECT_EQ(GetBitWiseMapping(), 0x80000004u) << "units a mask cannot show have no bit";
  MapTexCoordToArbitrary(0u);
  EXPECT_EQ(GetBitWiseMapping(), 0u);
  MapTexCoordToDual();
  EXPECT_EQ(GetBitWiseMapping(), 3u);
  MapTexCoordToSecond();
  EXPECT_EQ(GetBitWiseMapping(), 2u);
  MapTexCoordToMain();
  EXPECT_EQ(GetBitWiseMapping(), 1u);
  MapTexCoordToNull();
  EXPECT_THROW(GetBitWiseMapping(), EAssertionFailed);
  EXPECT_THROW(MapTexCoordToArbitraryAdd(1), EAssertionFailed);
}

TEST_F(TexCoordDispatchTest, WithoutMultitexturingASwitchIsRefusedAndChangesNothing) {
  MapTexCoordToArbitrary({U2});
  MapTexCoordToMain();
  GLSupport.ARB_multitexture = false;
  const auto mainEntry = vTexCoordDispatch.TexCoord2f;
  for (const auto& map :
       std::vector<std::function<void()>>{MapTexCoordToSecond, MapTexCoordToDual, [] {
                                            MapTexCoordToArbitrary({U0, GL_TEXTURE3_ARB});
                                          }}) {
    EXPECT_THROW(map(), EAssertionFailed);
    EXPECT_EQ(vTexCoordDispatch.Mode, mtcmMain);
    EXPECT_EQ(vTexCoordDispatch.TexCoord2f, mainEntry);
    EXPECT_EQ(GetTexCoordUnits(), std::vector<GLenum>{U2});
  }
  // Inside an update the request waits; the refusal comes when it would be applied.
  BeginUpdate();
  MapTexCoordToDual();
  EXPECT_THROW(EndUpdate(), EAssertionFailed);
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmMain);
  MapTexCoordToNull();
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmNull);
}

TEST_F(TexCoordDispatchTest, AnUnbalancedEndUpdateAssertsAndLeavesTheCounterAtZero) {
  EXPECT_THROW(EndUpdate(), EAssertionFailed);
  MapTexCoordToSecond();
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmSecond);
  BeginUpdate();
  MapTexCoordToDual();
  EndUpdate();
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmDual);
}
}  // namespace
