// What a texture sends to OpenGL: its internal format and parameters by settings and
// extensions, the uploads that changes cause, the errors it takes as its own, what Apply and
// UnApply switch on unit 0 and on other units by mapping mode, and the extra units in order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/base/XOpenGL.h"
#include "platform/gl/GLRecorder.h"
#include "tests/engine/graphics/TextureTestSupport.h"
#include "tests/engine/scene/MaterialFakes.h"
#include "tests/engine/scene/SceneBufferFakes.h"

namespace {
using namespace texture_test;
using testing::StartsWith;

const auto Call = [](auto... args) { return TGLCall(args...); };

TGLCalls Only(const TGLCalls& calls, std::initializer_list<const char*> names) {
  TGLCalls kept;
  for (const TGLCall& call : calls)
    for (const char* name : names)
      if (call.Name == name) kept.push_back(call);
  return kept;
}

TGLArray Array(const TMatrix& m) {
  TGLArray values;
  for (const TVector& row : m) values.insert(values.end(), row.begin(), row.end());
  return values;
}

// The calls are the expected ones, their numbers within a float's rounding.
testing::AssertionResult Near(const TGLCalls& calls, const TGLCalls& expected) {
  const auto near = [](const TGLArg& a, const TGLArg& b) {
    if (!std::holds_alternative<TGLArray>(a) || !std::holds_alternative<TGLArray>(b)) return a == b;
    const TGLArray &x = std::get<TGLArray>(a), &y = std::get<TGLArray>(b);
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
      if (std::abs(x[i] - y[i]) > 1e-6) return false;
    return true;
  };
  bool same = calls.size() == expected.size();
  for (size_t i = 0; same && i < calls.size(); ++i) {
    same = calls[i].Name == expected[i].Name && calls[i].Args.size() == expected[i].Args.size();
    for (size_t j = 0; same && j < calls[i].Args.size(); ++j)
      same = near(calls[i].Args[j], expected[i].Args[j]);
  }
  if (same) return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << testing::PrintToString(calls) << "\n  expected " << testing::PrintToString(expected);
}

// What the calls leave behind on the texture units: a unit other than 0 selected, a matrix mode
// other than the modelview, texture matrices pushed or loaded, 2D texturing on.
std::vector<std::string> LeftOnTheUnits(const TGLCalls& calls) {
  const auto arg = [](const TGLCall& call) { return std::get<int64_t>(call.Args[0]); };
  int unit = 0;
  int64_t mode = GL_MODELVIEW;
  // Per unit, its texture matrix stack: whether each level holds a loaded matrix.
  std::map<int, std::vector<bool>> stacks;
  std::set<int> textured;
  std::vector<std::string> left;
  for (const TGLCall& call : calls) {
    std::vector<bool>& stack = stacks.try_emplace(unit, std::vector<bool>{false}).first->second;
    const bool texture = mode == GL_TEXTURE;
    if (call.Name == "glActiveTextureARB")
      unit = int(arg(call) - GL_TEXTURE0_ARB);
    else if (call.Name == "glMatrixMode")
      mode = arg(call);
    else if (texture && call.Name == "glPushMatrix")
      stack.push_back(stack.back());
    else if (texture && call.Name == "glPopMatrix" && stack.size() == 1)
      left.push_back("unit " + std::to_string(unit) + " popped more than pushed");
    else if (texture && call.Name == "glPopMatrix")
      stack.pop_back();
    else if (texture && (call.Name == "glLoadMatrixf" || call.Name == "glLoadIdentity"))
      stack.back() = call.Name == "glLoadMatrixf";
    else if (call.Name == "glEnable" && arg(call) == GL_TEXTURE_2D)
      textured.insert(unit);
    else if (call.Name == "glDisable" && arg(call) == GL_TEXTURE_2D)
      textured.erase(unit);
  }
  if (unit != 0) left.push_back("unit " + std::to_string(unit) + " selected");
  if (mode != GL_MODELVIEW) left.push_back("matrix mode " + std::to_string(mode));
  for (const auto& [u, stack] : stacks) {
    if (stack.size() > 1) left.push_back("unit " + std::to_string(u) + " matrix pushed");
    if (stack.back()) left.push_back("unit " + std::to_string(u) + " matrix loaded");
  }
  for (int u : textured) left.push_back("unit " + std::to_string(u) + " textured");
  return left;
}

// A texture on the recorder with a current (fake) context, a state cache and a model-view
// matrix in the render record.
class TextureRecorded : public TextureTest {
 protected:
  void SetUp() override {
    TextureTest::SetUp();
    gl.SetImplementation("1.2", "");
    gl.SetValues(GL_MAX_TEXTURE_SIZE, {1024});
    context = GLContextManager->CreateContext();
    context->CreateContext(nullptr);
    context->Activate();
    rci.stateCache = &cache;
    rci.modelViewMatrix = &modelView;
    MapTexCoordToMain();
  }
  void TearDown() override {
    texture.DestroyHandles();
    context->Deactivate();
    context.reset();
  }
  // A red picture of 4 x 2 in the texture's persistent image.
  void Paint(TGLTexture& target) {
    const auto red =
        MakeBitmap(pf24bit, TPixelRows(2, std::vector<TGLPixel32>(4, {255, 0, 0, 255})));
    target.SetImageClassName("TGLPersistentImage");
    ImageAs<TGLPersistentImage>(target).GetPicture()->SetGraphic(red.get());
  }

  TGLRecorder gl;
  scene_test::TFakeContextUnit contexts;
  std::unique_ptr<TGLContext> context;
  TGLStateCache cache;
  TMatrix modelView = IdentityHmgMatrix;
  TRenderContextInfo rci;
};

TEST_F(TextureRecorded, TheInternalFormatByFormatCompressionAndExtensions) {
  const char* compression = "GL_ARB_texture_compression";
  const struct {
    TGLTextureFormat format;
    TGLTextureCompression compression;
    const char* extensions;
    GLenum expected;
    GLenum hint;  // 0: none
  } cases[] = {
      {tfDefault, tcDefault, "", GL_RGBA8, 0},
      {tfRGB16, tcStandard, "", GL_RGB5, 0},
      {tfAlpha, tcNone, compression, GL_ALPHA8, 0},
      {tfNormalMap, tcDefault, compression, GL_RGB8, 0},
      {tfLuminance, tcStandard, compression, GL_COMPRESSED_LUMINANCE_ARB, GL_DONT_CARE},
      {tfRGBA, tcHighQuality, compression, GL_COMPRESSED_RGBA_ARB, GL_NICEST},
      {tfIntensity, tcHighSpeed, compression, GL_COMPRESSED_INTENSITY_ARB, GL_FASTEST},
      {tfRGBAFloat16, tcStandard, compression, GL_FLOAT_RGBA16_NV, 0},
      {tfRGBAFloat32, tcDefault, "", GL_FLOAT_RGBA32_NV, 0},
      {tfRGBAFloat16, tcHighSpeed, "GL_ARB_texture_compression GL_ATI_texture_float",
       GL_RGBA_FLOAT16_ATI, 0},
  };
  for (const auto& c : cases) {
    gl.SetImplementation("1.2", c.extensions);
    texture.SetTextureFormat(c.format);
    texture.SetCompression(c.compression);
    EXPECT_EQ(texture.OpenGLTextureFormat(), c.expected) << int(c.format) << " " << c.extensions;
    const TGLCalls hints =
        c.hint ? TGLCalls{Call("glHint", GL_TEXTURE_COMPRESSION_HINT_ARB, c.hint)} : TGLCalls{};
    EXPECT_EQ(gl.Take(), hints) << int(c.format) << " " << c.extensions;
  }
  texture.SetTextureFormat(tfRGB);
  texture.SetCompression(TGLTextureCompression(7));
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { texture.OpenGLTextureFormat(); },
                                       StartsWith("Assertion failure")));
}

TEST_F(TextureRecorded, ParametersByFormatWrapFilterAndExtensions) {
  const TGLCalls head = {Call("glBindTexture", GL_TEXTURE_2D, 1),
                         Call("glHint", GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST),
                         Call("glPixelStorei", GL_UNPACK_ALIGNMENT, 4),
                         Call("glPixelStorei", GL_UNPACK_ROW_LENGTH, 0),
                         Call("glPixelStorei", GL_UNPACK_SKIP_ROWS, 0),
                         Call("glPixelStorei", GL_UNPACK_SKIP_PIXELS, 0)};
  const auto params = [](GLenum s, GLenum t, GLenum min, GLenum mag) {
    return TGLCalls{Call("glTexParameteri", GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, s),
                    Call("glTexParameteri", GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, t),
                    Call("glTexParameteri", GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min),
                    Call("glTexParameteri", GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag)};
  };
  const auto with = [](TGLCalls calls, const TGLCall& more) {
    calls.push_back(more);
    return calls;
  };
  const struct {
    const char* what;
    const char* version;
    const char* extensions;
    std::function<void(TGLTexture&)> set;
    TGLCalls expected;
  } cases[] = {
      {"the defaults", "1.2", "", [](TGLTexture&) {},
       params(GL_REPEAT, GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR)},
      {"vertical clamp before 1.2", "1.1", "",
       [](TGLTexture& t) {
         t.SetTextureWrap(twVertical);
         t.SetMinFilter(miNearestMipmapLinear);
         t.SetMagFilter(maNearest);
       },
       params(GL_CLAMP, GL_REPEAT, GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST)},
      {"vertical clamp from 1.2", "1.2", "", [](TGLTexture& t) { t.SetTextureWrap(twVertical); },
       params(GL_CLAMP_TO_EDGE, GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR)},
      {"horizontal clamp by extension", "1.1", "GL_EXT_texture_edge_clamp",
       [](TGLTexture& t) { t.SetTextureWrap(twHorizontal); },
       params(GL_REPEAT, GL_CLAMP_TO_EDGE, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR)},
      {"anisotropic", "1.2", "GL_EXT_texture_filter_anisotropic",
       [](TGLTexture& t) { t.SetFilteringQuality(tfAnisotropic); },
       with(params(GL_REPEAT, GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR),
            Call("glTexParameterf", GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 2.0f))},
      {"isotropic", "1.2", "GL_EXT_texture_filter_anisotropic", [](TGLTexture&) {},
       with(params(GL_REPEAT, GL_REPEAT, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR),
            Call("glTexParameterf", GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f))},
      {"half floats without the ATI extension", "1.1", "GL_EXT_texture_filter_anisotropic",
       [](TGLTexture& t) {
         t.SetTextureFormat(tfRGBAFloat16);
         t.SetTextureWrap(twBoth);
         t.SetMinFilter(miLinear);
       },
       params(GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_NEAREST, GL_NEAREST)},
      {"half floats with it", "1.1", "GL_ATI_texture_float",
       [](TGLTexture& t) {
         t.SetTextureFormat(tfRGBAFloat16);
         t.SetMinFilter(miLinear);
       },
       params(GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_LINEAR, GL_LINEAR)},
      {"full floats with it", "1.1", "GL_ATI_texture_float",
       [](TGLTexture& t) { t.SetTextureFormat(tfRGBAFloat32); },
       params(GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_NEAREST, GL_NEAREST)},
  };
  for (const auto& c : cases) {
    gl.SetImplementation(c.version, c.extensions);
    TGLTexture texture(nullptr);
    c.set(texture);
    gl.Take();
    texture.AllocateHandle();
    TGLCalls calls = gl.Take();
    ASSERT_GE(calls.size(), head.size() + 1) << c.what;
    EXPECT_EQ(calls.front(), Call("glGenTextures", 1)) << c.what;
    calls.erase(calls.begin());
    TGLCalls expected = head;
    expected[0] = Call("glBindTexture", GL_TEXTURE_2D, texture.GetTextureHandle()->GetHandle());
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(calls, expected) << c.what;
    texture.DestroyHandles();
  }
}

TEST_F(TextureRecorded, AnyChangeUploadsTheImageAgainAtTheNextHandle) {
  Paint(texture);
  const auto uploads = [&] {
    return Only(gl.Take(), {"glTexImage2D", "gluBuild2DMipmaps"}).size();
  };
  const GLuint name = texture.GetHandle();
  EXPECT_EQ(uploads(), 1u);
  EXPECT_EQ(texture.GetHandle(), name);
  EXPECT_EQ(uploads(), 0u) << "nothing changed";
  EXPECT_EQ(texture.GetTexWidth(), 4);
  EXPECT_EQ(texture.GetTexHeight(), 2);

  const std::function<void()> changes[] = {
      [&] { texture.SetMinFilter(miNearest); },
      [&] { texture.SetImageGamma(2); },
      [&] {
        ImageAs<TGLPersistentImage>(texture).GetPicture()->SetGraphic(nullptr);
        Paint(texture);
      },
      [&] { texture.DestroyHandles(); },
  };
  for (const auto& change : changes) {
    change();
    texture.GetHandle();
    EXPECT_EQ(uploads(), 1u);
  }
  EXPECT_NE(texture.GetHandle(), name) << "a new texture after DestroyHandles";
}

TEST_F(TextureRecorded, AnErrorLeftPendingIsNotTheTexturesAndAFailedUploadRaisesOnce) {
  const auto uploads = [&] {
    return Only(gl.Take(), {"glTexImage2D", "gluBuild2DMipmaps"}).size();
  };
  Paint(texture);
  gl.PushError(GL_INVALID_ENUM);
  texture.GetHandle();
  EXPECT_EQ(uploads(), 1u);

  // A float format needs the rectangle target, which a persistent image does not have.
  const auto fails = [&] {
    return Raises<EAssertionFailed>([&] { texture.GetHandle(); },
                                    StartsWith("NV Float-type texture must use"));
  };
  texture.SetTextureFormat(tfRGBAFloat16);
  EXPECT_TRUE(fails());
  EXPECT_NO_THROW(texture.GetHandle()) << "not tried again while nothing changes";
  EXPECT_EQ(uploads(), 0u);
  Paint(texture);
  EXPECT_TRUE(fails()) << "tried again for a new image";
  texture.SetMinFilter(miNearest);
  EXPECT_TRUE(fails()) << "tried again for new settings";
  EXPECT_NO_THROW(texture.GetHandle());
  texture.SetTextureFormat(tfRGBA);
  texture.GetHandle();
  EXPECT_EQ(uploads(), 1u);
}

// A texture object keeps the target it was first bound to.
TEST_F(TextureRecorded, AnImageOfAnotherTargetGetsAnOpenGLTextureOfItsOwn) {
  gl.SetImplementation("1.2", "GL_ARB_texture_cube_map");
  const GLuint plain = texture.GetHandle();
  texture.SetImageClassName("TGLBlankImage");
  EXPECT_EQ(texture.GetHandle(), plain) << "the same target";
  gl.Take();
  texture.SetImageClassName("TGLCubeMapImage");
  const GLuint cube = texture.GetHandle();
  EXPECT_NE(cube, plain);
  EXPECT_EQ(Only(gl.Take(), {"glDeleteTextures", "glGenTextures", "glBindTexture"}),
            (TGLCalls{Call("glDeleteTextures", 1, TGLArray{double(plain)}),
                      Call("glGenTextures", 1), Call("glBindTexture", GL_TEXTURE_CUBE_MAP, cube)}));
}

// ---- Application

TEST_F(TextureRecorded, ADisabledTextureSwitchesOnlyPlainAndRectangleTexturingOff) {
  for (TGLCachedState state : {gsTexture2D, gsTextureRectangle, gsTextureCubeMap})
    cache.Enable(state);
  MapTexCoordToNull();
  gl.Take();
  texture.Apply(rci);
  EXPECT_EQ(gl.Take(), (TGLCalls{Call("glDisable", GL_TEXTURE_2D),
                                 Call("glDisable", GL_TEXTURE_RECTANGLE_NV)}));
  EXPECT_EQ(vTexCoordDispatch.Mode, mtcmMain);
  texture.UnApply(rci);
  EXPECT_TRUE(gl.Take().empty());
}

TEST_F(TextureRecorded, ApplyAndUnApplyByMappingMode) {
  const TGLArray sPlane = {1, 0, 0, 0}, tPlane = {0, 0, 1, 0.5};
  const auto generation = [](GLenum mode, std::vector<GLenum> coordinates) {
    TGLCalls calls;
    for (GLenum c : coordinates) calls.push_back(Call("glTexGeni", c, GL_TEXTURE_GEN_MODE, mode));
    for (GLenum c : coordinates)
      calls.push_back(Call("glEnable", c == GL_S   ? GL_TEXTURE_GEN_S
                                       : c == GL_T ? GL_TEXTURE_GEN_T
                                                   : GL_TEXTURE_GEN_R));
    return calls;
  };
  const TGLCalls genOff = {Call("glDisable", GL_TEXTURE_GEN_S), Call("glDisable", GL_TEXTURE_GEN_T),
                           Call("glDisable", GL_TEXTURE_GEN_R)};
  const struct {
    TGLTextureMappingMode mode;
    TGLCalls generation, unapply;
  } cases[] = {
      {tmmUser, {}, {}},
      {tmmObjectLinear,
       {Call("glTexGeni", GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR),
        Call("glTexGeni", GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR),
        Call("glTexGenfv", GL_S, GL_OBJECT_PLANE, sPlane),
        Call("glTexGenfv", GL_T, GL_OBJECT_PLANE, tPlane), Call("glEnable", GL_TEXTURE_GEN_S),
        Call("glEnable", GL_TEXTURE_GEN_T)},
       genOff},
      {tmmEyeLinear,
       {Call("glTexGeni", GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR),
        Call("glTexGeni", GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR),
        Call("glTexGenfv", GL_S, GL_EYE_PLANE, sPlane),
        Call("glTexGenfv", GL_T, GL_EYE_PLANE, tPlane), Call("glEnable", GL_TEXTURE_GEN_S),
        Call("glEnable", GL_TEXTURE_GEN_T)},
       genOff},
      {tmmSphere, generation(GL_SPHERE_MAP, {GL_S, GL_T}), genOff},
      {tmmCubeMapReflection, generation(GL_REFLECTION_MAP, {GL_S, GL_T, GL_R}), genOff},
      {tmmCubeMapNormal, generation(GL_NORMAL_MAP, {GL_S, GL_T, GL_R}), genOff},
  };
  gl.SetImplementation("1.2", "GL_ARB_texture_cube_map");
  texture.SetDisabled(false);
  texture.SetTextureMode(tmBlend);
  texture.GetEnvColor()->SetRGBA(0.25f, 0.5f, 0.75f, 1);
  texture.GetMappingTCoordinates()->SetVector(0, 0, 1, 0.5f);
  const GLuint name = texture.GetHandle();
  for (const auto& c : cases) {
    texture.SetMappingMode(c.mode);
    texture.GetHandle();
    cache.ResetGLCurrentTexture();
    gl.Take();
    texture.Apply(rci);
    TGLCalls expected = {
        Call("glEnable", GL_TEXTURE_2D), Call("glBindTexture", GL_TEXTURE_2D, name),
        Call("glTexEnvi", GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND),
        Call("glTexEnvfv", GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, TGLArray{0.25, 0.5, 0.75, 1})};
    expected.insert(expected.end(), c.generation.begin(), c.generation.end());
    EXPECT_EQ(gl.Take(), expected) << int(c.mode);
    texture.UnApply(rci);
    expected = {Call("glDisable", GL_TEXTURE_2D)};
    expected.insert(expected.end(), c.unapply.begin(), c.unapply.end());
    EXPECT_EQ(gl.Take(), expected) << int(c.mode);
  }
  gl.SetImplementation("1.2", "");
  texture.SetMappingMode(tmmCubeMapReflection);
  texture.Apply(rci);
  EXPECT_TRUE(Only(gl.Take(), {"glTexGeni"}).empty()) << "no cube maps, no reflection map";
}

// The cube map stays put in the world: the texture matrix undoes the view's rotation.
TEST_F(TextureRecorded, ACubeMapsTextureMatrixByMappingMode) {
  TMatrix rotation;
  // A quarter turn about Z, scaled by 2, moved by (5, 6, 7).
  modelView = {{{0, 2, 0, 0}, {-2, 0, 0, 0}, {0, 0, 2, 0}, {5, 6, 7, 1}}};
  rotation = {{{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
  TMatrix inverseRotation = rotation;
  TransposeMatrix(inverseRotation);
  rci.cameraUp = {0, 1, 0, 0};
  rci.cameraDirection = {0, 0, -1, 0};
  // The camera's axes as rows: cross(up, direction), -direction, up.
  const TMatrix camera = {{{-1, 0, 0, 0}, {0, 0, 1, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}};
  TMatrix cameraTransposed = camera;
  TransposeMatrix(cameraTransposed);
  const struct {
    const char* what;
    TGLTextureMappingMode mode;
    const char* extensions;
    TGLCalls matrix;
  } cases[] = {
      {"reflection",
       tmmCubeMapReflection,
       "GL_ARB_texture_cube_map GL_ARB_transpose_matrix",
       {Call("glLoadTransposeMatrixfARB", Array(rotation))}},
      {"normal, without transposed loads",
       tmmCubeMapNormal,
       "GL_ARB_texture_cube_map",
       {Call("glLoadMatrixf", Array(inverseRotation))}},
      {"camera",
       tmmCubeMapCamera,
       "GL_ARB_texture_cube_map",
       {Call("glLoadMatrixf", Array(cameraTransposed)),
        Call("glMultMatrixf", Array(inverseRotation))}},
      {"the first light, without a scene", tmmCubeMapLight0, "GL_ARB_texture_cube_map", {}},
      {"user coordinates", tmmUser, "GL_ARB_texture_cube_map", {}},
  };
  texture.SetImageClassName("TGLCubeMapImage");
  texture.SetDisabled(false);
  for (const auto& c : cases) {
    gl.SetImplementation("1.2", c.extensions);
    texture.SetMappingMode(c.mode);
    texture.GetHandle();
    gl.Take();
    texture.Apply(rci);
    TGLCalls expected = {Call("glMatrixMode", GL_TEXTURE)};
    expected.insert(expected.end(), c.matrix.begin(), c.matrix.end());
    expected.push_back(Call("glMatrixMode", GL_MODELVIEW));
    EXPECT_TRUE(Near(Only(gl.Take(), {"glMatrixMode", "glLoadMatrixf", "glLoadTransposeMatrixfARB",
                                      "glMultMatrixf"}),
                     expected))
        << c.what;
    texture.UnApply(rci);
    EXPECT_EQ(Only(gl.Take(), {"glDisable", "glMatrixMode", "glLoadIdentity"}).front(),
              Call("glDisable", GL_TEXTURE_CUBE_MAP))
        << c.what;
  }
}

TEST_F(TextureRecorded, AnotherUnitTakesTheLibraryMaterialsTextureMatrix) {
  material_fakes::TFakeLibMaterial libMaterial(nullptr);
  libMaterial.TextureMatrixIsIdentity = false;
  libMaterial.TextureMatrix[3] = {0.5f, 0, 0, 1};
  gl.SetImplementation("1.2", "GL_ARB_multitexture");
  texture.SetDisabled(false);
  const GLuint name = texture.GetHandle();
  const TGLCalls env = {
      Call("glTexEnvi", GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL),
      Call("glTexEnvfv", GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, TGLArray{0, 0, 0, 0})};
  for (material_fakes::TFakeLibMaterial* lib :
       {(material_fakes::TFakeLibMaterial*)nullptr, &libMaterial}) {
    gl.Take();
    texture.ApplyAsTextureN(3, rci, lib);
    TGLCalls expected = {Call("glActiveTextureARB", GL_TEXTURE2_ARB),
                         Call("glEnable", GL_TEXTURE_2D),
                         Call("glBindTexture", GL_TEXTURE_2D, name)};
    if (lib)
      expected.insert(expected.end(), {Call("glMatrixMode", GL_TEXTURE),
                                       Call("glLoadMatrixf", Array(lib->TextureMatrix)),
                                       Call("glMatrixMode", GL_MODELVIEW)});
    expected.insert(expected.end(), env.begin(), env.end());
    expected.push_back(Call("glActiveTextureARB", GL_TEXTURE0_ARB));
    EXPECT_EQ(gl.Take(), expected) << (lib ? "a library material" : "none");

    texture.UnApplyAsTextureN(3, rci, lib);
    expected = {Call("glActiveTextureARB", GL_TEXTURE2_ARB)};
    if (lib)
      expected.insert(expected.end(), {Call("glMatrixMode", GL_TEXTURE), Call("glLoadIdentity"),
                                       Call("glMatrixMode", GL_MODELVIEW)});
    expected.insert(expected.end(), {Call("glDisable", GL_TEXTURE_2D),
                                     Call("glActiveTextureARB", GL_TEXTURE0_ARB)});
    EXPECT_EQ(gl.Take(), expected) << (lib ? "a library material" : "none");
    cache.ResetGLCurrentTexture();
  }
  texture.SetDisabled(true);
  texture.ApplyAsTexture2(rci);
  EXPECT_TRUE(gl.Take().empty()) << "disabled";
}

// ---- Extra units

class TextureUnitsRecorded : public TextureRecorded {
 protected:
  TGLTextureExItem* AddUnit(int unit, bool enabled, TGLTextureMappingMode mode = tmmUser) {
    TGLTextureExItem* item = units.Add();
    item->SetTextureIndex(unit);
    item->GetTexture()->SetDisabled(!enabled);
    item->GetTexture()->SetMappingMode(mode);
    return item;
  }
  // The units the calls selected, in order, as unit numbers.
  static std::vector<int> Selected(const TGLCalls& calls) {
    std::vector<int> units;
    for (const TGLCall& call : Only(calls, {"glActiveTextureARB"}))
      units.push_back(int(std::get<int64_t>(call.Args[0]) - GL_TEXTURE0_ARB));
    return units;
  }

  TGLTextureEx units{nullptr};
};

TEST_F(TextureUnitsRecorded, UnitsApplyInOrderWithinTheImplementationsUnits) {
  gl.SetImplementation("1.2", "GL_ARB_multitexture");
  gl.SetValues(GL_MAX_TEXTURE_UNITS_ARB, {4});
  TGLTextureExItem* first = AddUnit(0, true);
  TGLTextureExItem* beyond = AddUnit(4, true);
  TGLTextureExItem* user = AddUnit(2, true);
  TGLTextureExItem* generated = AddUnit(1, true, tmmSphere);
  TGLTextureExItem* disabled = AddUnit(3, false);
  TGLTextureExItem* again = AddUnit(2, true);
  gl.Take();
  units.Apply(rci);
  const TGLCalls calls = gl.Take();
  // Each applied item selects its unit for its matrix, then once more (unit 0 aside) for its
  // texture; every step ends on unit 0.
  EXPECT_EQ(Selected(calls), (std::vector<int>{0, 0, 2, 0, 2, 0, 1, 0, 1, 0, 2, 0, 2, 0}));
  EXPECT_EQ(Only(calls, {"glPushMatrix"}).size(), 4u);
  for (auto* item : {first, user, generated, again}) EXPECT_TRUE(item->GetApplied());
  EXPECT_FALSE(beyond->GetApplied()) << "unit 4 of 4";
  EXPECT_FALSE(disabled->GetApplied());
  EXPECT_EQ(GetBitWiseMapping(), 0b101u) << "unit 2's user coordinates join unit 0's";

  units.UnApply(rci);
  EXPECT_EQ(Only(gl.Take(), {"glPopMatrix"}).size(), 4u);
  for (auto* item : {first, user, generated, again}) EXPECT_FALSE(item->GetApplied());
}

// Another unit's apply that raises gives back what it switched on that unit and what the extra
// units before it applied, and ends on unit 0; the next frame then draws as usual.
TEST_F(TextureUnitsRecorded, AUnitThatFailsLeavesNothingAppliedForTheNextFrame) {
  gl.SetImplementation("1.2", "GL_ARB_multitexture");
  gl.SetValues(GL_MAX_TEXTURE_UNITS_ARB, {4});
  TGLTextureExItem* before = AddUnit(1, true);
  TGLTextureExItem* failing = AddUnit(2, true);
  TGLTextureExItem* after = AddUnit(3, true);
  material_fakes::TFakeLibMaterial libMaterial(nullptr);
  libMaterial.TextureMatrixIsIdentity = false;
  libMaterial.TextureMatrix[3] = {0.5f, 0, 0, 1};
  texture.SetDisabled(false);
  const struct {
    const char* what;
    TGLTexture* fault;
    std::function<void()> apply, unapply;
  } cases[] = {
      {"an extra unit between two others", failing->GetTexture(), [&] { units.Apply(rci); },
       [&] { units.UnApply(rci); }},
      {"a library material's second texture", &texture,
       [&] { texture.ApplyAsTexture2(rci, &libMaterial); },
       [&] { texture.UnApplyAsTexture2(rci, &libMaterial); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.fault->SetMappingMode(TGLTextureMappingMode(tmmCubeMapCamera + 1));
    gl.Take();
    EXPECT_TRUE(Raises<EAssertionFailed>(c.apply, StartsWith("Assertion failure")));
    TGLCalls calls = gl.Take();
    EXPECT_EQ(LeftOnTheUnits(calls), std::vector<std::string>{});
    for (auto* item : {before, failing, after}) EXPECT_FALSE(item->GetApplied());

    c.fault->SetMappingMode(tmmUser);
    c.apply();
    c.unapply();
    const TGLCalls next = gl.Take();
    EXPECT_GT(Only(next, {"glTexEnvi"}).size(), 0u) << "the next frame applies";
    calls.insert(calls.end(), next.begin(), next.end());
    EXPECT_EQ(LeftOnTheUnits(calls), std::vector<std::string>{});
    cache.ResetGLCurrentTexture();
  }
}

TEST_F(TextureUnitsRecorded, NothingWithoutMultitexturing) {
  AddUnit(0, true);
  units.Apply(rci);
  units.UnApply(rci);
  EXPECT_TRUE(gl.Take().empty());
}

TEST_F(TextureUnitsRecorded, AnItemsMatrixIsLoadedIntoItsUnit) {
  gl.SetImplementation("1.2", "GL_ARB_multitexture");
  gl.SetValues(GL_MAX_TEXTURE_UNITS_ARB, {8});
  TGLTextureExItem* item = AddUnit(1, true);
  item->GetTextureScale()->SetVector(2, 2, 1, 0);
  TMatrix expected = IdentityHmgMatrix;
  expected[0][0] = expected[1][1] = 2;
  gl.Take();
  units.Apply(rci);
  const TGLCalls calls = gl.Take();
  ASSERT_EQ(calls.front(), Call("glGetIntegerv", GL_MAX_TEXTURE_UNITS_ARB));
  EXPECT_EQ(
      std::vector<TGLCall>(calls.begin() + 1, calls.begin() + 7),
      (TGLCalls{Call("glActiveTextureARB", GL_TEXTURE1_ARB), Call("glMatrixMode", GL_TEXTURE),
                Call("glPushMatrix"), Call("glLoadMatrixf", Array(expected)),
                Call("glMatrixMode", GL_MODELVIEW), Call("glActiveTextureARB", GL_TEXTURE0_ARB)}));
}

}  // namespace
