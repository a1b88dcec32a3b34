#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include "platform/gl/GLRecorder.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/SysUtils.h"

namespace {
const auto Call = [](auto... args) { return TGLCall(args...); };

TEST(GLDispatchTest, AnEntryNobodyLoadedRaisesWithItsName) {
  EXPECT_TRUE(Raises<Exception>([&] { glEnable(GL_BLEND); },
                                "OpenGL entry point glEnable is not available"));
}

TEST(GLDispatchTest, TheRecorderGivesTheTableAndFlagsBack) {
  GLSupport.ARB_multitexture = true;
  const auto before = glEnable;
  {
    TGLRecorder recorder;
    EXPECT_NE(glEnable, before);
    EXPECT_FALSE(GLSupport.ARB_multitexture);
    glEnable(GL_BLEND);
  }
  EXPECT_EQ(glEnable, before);
  EXPECT_TRUE(GLSupport.ARB_multitexture);
  GLSupport = TGLSupport();
}

TEST(GLRecorderTest, LogsScalarsAndTheValuesOfInputArrays) {
  TGLRecorder gl;
  const GLfloat diffuse[4] = {0.8f, 0.7f, 0.6f, 0.5f};
  const GLfloat direction[4] = {0, 0, -1, 99};
  const GLfloat st[2] = {0.25f, 0.75f};
  GLfloat matrix[16];
  for (int i = 0; i < 16; ++i) matrix[i] = float(i);
  const GLuint names[3] = {7, 8, 9};
  const GLdouble plane[4] = {0, 1, 0, -2};
  const GLubyte pixels[4] = {};
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  glMaterialf(GL_FRONT, GL_SHININESS, 12.5f);
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, direction);
  glMultiTexCoord2fvARB(GL_TEXTURE1_ARB, st);
  glLoadMatrixf(matrix);
  glDeleteTextures(2, names);
  glClipPlane(GL_CLIP_PLANE0, plane);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  TGLArray m(16);
  for (int i = 0; i < 16; ++i) m[i] = i;
  EXPECT_EQ(gl.Calls(),
            (TGLCalls{Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA),
                      Call("glMaterialfv", GL_FRONT, GL_DIFFUSE, TGLArray{0.8f, 0.7f, 0.6f, 0.5f}),
                      Call("glMaterialf", GL_FRONT, GL_SHININESS, 12.5f),
                      Call("glLightfv", GL_LIGHT0, GL_SPOT_DIRECTION, TGLArray{0, 0, -1}),
                      Call("glMultiTexCoord2fvARB", GL_TEXTURE1_ARB, TGLArray{0.25f, 0.75f}),
                      Call("glLoadMatrixf", m), Call("glDeleteTextures", 2, TGLArray{7, 8}),
                      Call("glClipPlane", GL_CLIP_PLANE0, TGLArray{0, 1, 0, -2}),
                      Call("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA,
                           GL_UNSIGNED_BYTE, static_cast<const void*>(pixels))}));
}

TEST(GLRecorderTest, AnswersFromItsStateModel) {
  TGLRecorder gl;
  gl.PushError(GL_INVALID_ENUM);
  gl.PushError(GL_OUT_OF_MEMORY);
  EXPECT_EQ(glGetError(), GLenum(GL_INVALID_ENUM));
  EXPECT_EQ(glGetError(), GLenum(GL_OUT_OF_MEMORY));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

  GLuint textures[2] = {};
  glGenTextures(2, textures);
  EXPECT_NE(textures[0], textures[1]);
  EXPECT_TRUE(glIsTexture(textures[1]));
  glDeleteTextures(1, &textures[1]);
  EXPECT_FALSE(glIsTexture(textures[1]));
  EXPECT_TRUE(glIsTexture(textures[0]));
  const GLuint lists = glGenLists(3);
  EXPECT_EQ(glGenLists(1), lists + 3);

  glEnable(GL_FOG);
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  glDisable(GL_FOG);
  EXPECT_FALSE(glIsEnabled(GL_FOG));

  gl.SetValues(GL_VIEWPORT, {0, 0, 640, 480});
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 640);
  EXPECT_EQ(viewport[3], 480);
  EXPECT_EQ(reinterpret_cast<const char*>(gluErrorString(GL_INVALID_VALUE)),
            std::string("invalid value"));
  EXPECT_EQ(glGetString(GL_RENDERER), nullptr);
  // The answers the calls wrote are not part of the log.
  EXPECT_EQ(gl.CallsOf("glGetIntegerv"), TGLCalls{Call("glGetIntegerv", GL_VIEWPORT)});
  EXPECT_EQ(gl.CallsOf("glGenTextures"), TGLCalls{Call("glGenTextures", 2)});
}

// What a read wrote into n values, and the value after them, which must keep its filler.
template <class T, class F>
std::vector<double> Read(size_t n, F read) {
  std::vector<T> out(n + 1, T(99));
  read(out.data());
  return std::vector<double>(out.begin(), out.end());
}

struct InitialCase {
  const char* Name;
  std::function<std::vector<double>()> Read;
  std::vector<double> Expected;  // ends with the filler
};

void PrintTo(const InitialCase& c, std::ostream* out) { *out << c.Name; }

class GLRecorderInitialTest : public testing::TestWithParam<InitialCase> {};

TEST_P(GLRecorderInitialTest, AReadNobodySetAnswersOpenGLsInitialState) {
  TGLRecorder gl;
  EXPECT_EQ(GetParam().Read(), GetParam().Expected);
}

const std::vector<double> Identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 99};

INSTANTIATE_TEST_SUITE_P(
    Reads, GLRecorderInitialTest,
    testing::Values(
        InitialCase{
            "ModelViewMatrix",
            [] { return Read<GLfloat>(16, [](auto* v) { glGetFloatv(GL_MODELVIEW_MATRIX, v); }); },
            Identity},
        InitialCase{"ProjectionMatrix",
                    [] {
                      return Read<GLdouble>(16,
                                            [](auto* v) { glGetDoublev(GL_PROJECTION_MATRIX, v); });
                    },
                    Identity},
        InitialCase{"Viewport",
                    [] { return Read<GLint>(4, [](auto* v) { glGetIntegerv(GL_VIEWPORT, v); }); },
                    {0, 0, 0, 0, 99}},
        InitialCase{"ColorWriteMask",
                    [] {
                      return Read<GLboolean>(4,
                                             [](auto* v) { glGetBooleanv(GL_COLOR_WRITEMASK, v); });
                    },
                    {1, 1, 1, 1, 99}},
        InitialCase{"DepthFunc",
                    [] { return Read<GLint>(1, [](auto* v) { glGetIntegerv(GL_DEPTH_FUNC, v); }); },
                    {GL_LESS, 99}},
        // An implementation's limit has no initial value: zero.
        InitialCase{
            "MaxTextureSize",
            [] { return Read<GLint>(1, [](auto* v) { glGetIntegerv(GL_MAX_TEXTURE_SIZE, v); }); },
            {0, 99}},
        InitialCase{"DitherStartsOn",
                    [] { return Read<GLboolean>(1, [](auto* v) { glGetBooleanv(GL_DITHER, v); }); },
                    {1, 99}},
        InitialCase{
            "LightingStartsOff",
            [] { return Read<GLboolean>(1, [](auto* v) { glGetBooleanv(GL_LIGHTING, v); }); },
            {0, 99}},
        InitialCase{"FirstLightIsWhite",
                    [] {
                      return Read<GLfloat>(4,
                                           [](auto* v) { glGetLightfv(GL_LIGHT0, GL_DIFFUSE, v); });
                    },
                    {1, 1, 1, 1, 99}},
        InitialCase{"OtherLightsAreBlack",
                    [] {
                      return Read<GLfloat>(
                          4, [](auto* v) { glGetLightfv(GL_LIGHT1, GL_SPECULAR, v); });
                    },
                    {0, 0, 0, 1, 99}},
        InitialCase{"SpotCutoff",
                    [] {
                      return Read<GLint>(
                          1, [](auto* v) { glGetLightiv(GL_LIGHT2, GL_SPOT_CUTOFF, v); });
                    },
                    {180, 99}},
        InitialCase{"MaterialDiffuse",
                    [] {
                      return Read<GLfloat>(
                          4, [](auto* v) { glGetMaterialfv(GL_FRONT, GL_DIFFUSE, v); });
                    },
                    {0.8f, 0.8f, 0.8f, 1, 99}},
        InitialCase{"MinFilter",
                    [] {
                      return Read<GLint>(1, [](auto* v) {
                        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, v);
                      });
                    },
                    {GL_NEAREST_MIPMAP_LINEAR, 99}},
        InitialCase{"TextureWidth",
                    [] {
                      return Read<GLint>(1, [](auto* v) {
                        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, v);
                      });
                    },
                    {0, 99}},
        InitialCase{"TexGenPlane",
                    [] {
                      return Read<GLdouble>(
                          4, [](auto* v) { glGetTexGendv(GL_T, GL_OBJECT_PLANE, v); });
                    },
                    {0, 1, 0, 0, 99}},
        InitialCase{"MapDomain",
                    [] {
                      return Read<GLfloat>(
                          4, [](auto* v) { glGetMapfv(GL_MAP2_VERTEX_3, GL_DOMAIN, v); });
                    },
                    {0, 1, 0, 1, 99}}),
    [](const auto& info) { return std::string(info.param.Name); });

// Pixels come back zero, as many bytes as the pack parameters lay the rows out in.
TEST(GLRecorderTest, ReadPixelsWritesTheRowsThePackParametersLayOut) {
  TGLRecorder gl;
  std::vector<GLubyte> pixels(24, 0xab);
  glReadPixels(0, 0, 3, 2, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  // Rows of 9 bytes start every 12 bytes: the image ends at byte 21.
  EXPECT_EQ(std::count(pixels.begin(), pixels.begin() + 21, 0), 21);
  EXPECT_EQ(std::count(pixels.begin() + 21, pixels.end(), 0xab), 3);

  std::fill(pixels.begin(), pixels.end(), 0xab);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 3, 2, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  EXPECT_EQ(std::count(pixels.begin(), pixels.begin() + 18, 0), 18);
  EXPECT_EQ(std::count(pixels.begin() + 18, pixels.end(), 0xab), 6);
  GLint alignment = 0;
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 1);
}

TEST(GLVersionTest, ParsesMajorAndMinorAtTheStart) {
  struct Case {
    const char* text;
    bool known;
    int major, minor;
  };
  for (const Case& c :
       {Case{"1.1", true, 1, 1}, Case{"1.5.0 NVIDIA 96.43", true, 1, 5},
        Case{"4.5 (Compatibility Profile) Mesa 23.2.1", true, 4, 5}, Case{"12.34", true, 12, 34},
        Case{"", false, 0, 0}, Case{"OpenGL ES 3.2", false, 0, 0}, Case{"2.", false, 0, 0},
        Case{nullptr, false, 0, 0}}) {
    int major = -1, minor = -1;
    EXPECT_EQ(ParseGLVersion(c.text, major, minor), c.known) << (c.text ? c.text : "null");
    if (c.known) {
      EXPECT_EQ(major, c.major) << c.text;
      EXPECT_EQ(minor, c.minor) << c.text;
    }
  }
}

TEST(GLVersionTest, FlagsHoldForTheVersionAndEveryOneBelow) {
  TGLRecorder gl;
  struct Case {
    const char* version;
    const char* glu;
    std::array<bool, 6> gl;
    std::array<bool, 3> glu13;
  };
  for (const Case& c :
       {Case{"1.0", "1.1", {1, 0, 0, 0, 0, 0}, {1, 0, 0}},
        Case{"1.2.1", "1.2", {1, 1, 1, 0, 0, 0}, {1, 1, 0}},
        Case{"1.5", "1.3", {1, 1, 1, 1, 1, 1}, {1, 1, 1}},
        Case{"4.5 (Compatibility Profile) Mesa", "1.3", {1, 1, 1, 1, 1, 1}, {1, 1, 1}},
        Case{"", "", {0, 0, 0, 0, 0, 0}, {0, 0, 0}}}) {
    gl.SetImplementation(c.version, "", c.glu);
    const TGLSupport& s = GLSupport;
    EXPECT_EQ((std::array<bool, 6>{s.GL_1_0, s.GL_1_1, s.GL_1_2, s.GL_1_3, s.GL_1_4, s.GL_1_5}),
              c.gl)
        << c.version;
    EXPECT_EQ((std::array<bool, 3>{s.GLU_1_1, s.GLU_1_2, s.GLU_1_3}), c.glu13) << c.glu;
  }
}

TEST(GLExtensionTest, AnExtensionCountsOnlyAsAWholeName) {
  TGLRecorder gl;
  gl.SetImplementation("1.3",
                       "GL_ARB_multisample_extra GL_ARB_multitexture "
                       "XGL_EXT_texture_edge_clamp GL_SGIS_generate_mipmap");
  EXPECT_TRUE(GLSupport.ARB_multitexture);
  EXPECT_TRUE(GLSupport.SGIS_generate_mipmap);
  EXPECT_FALSE(GLSupport.ARB_multisample);
  EXPECT_FALSE(GLSupport.EXT_texture_edge_clamp);
  EXPECT_FALSE(GLSupport.ARB_texture_cube_map);
  EXPECT_TRUE(HasExtension("GL_A GL_B", "GL_B"));
  EXPECT_FALSE(HasExtension("GL_A GL_B", ""));
  EXPECT_FALSE(HasExtension(nullptr, "GL_A"));
}
}  // namespace
