// What a sprite sends to OpenGL: the modelview it reads, the quad built from it with its texture
// coordinates, the front material's alpha through the state cache, the depth writes it switches
// off and the rotation it makes under a matrix of its own.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine/GLObjects/Sprite.h"
#include "engine/GLState.h"
#include "engine/base/XOpenGL.h"
#include "platform/gl/GLRecorder.h"

namespace {

const auto Call = [](auto... args) { return TGLCall(args...); };

// The quad's texture coordinate and vertex calls, corner by corner.
TGLCalls QuadCalls(const std::vector<std::vector<double>>& texAndCorners) {
  TGLCalls calls{Call("glBegin", GL_QUADS)};
  for (const std::vector<double>& c : texAndCorners) {
    calls.push_back(Call("glTexCoord2f", float(c[0]), float(c[1])));
    calls.push_back(Call("glVertex3fv", TGLArray{c[2], c[3], c[4]}));
  }
  calls.push_back(Call("glEnd"));
  return calls;
}

TGLCalls Join(std::initializer_list<TGLCalls> parts) {
  TGLCalls all;
  for (const TGLCalls& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const std::vector<double> cIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// Twice the scale, turned a quarter about x, five units away: the camera's right axis is the
// node's x and its up axis the node's -z; the line of sight is the node's y.
const std::vector<double> cTurnedAndScaled{2, 0, 0, 0, 0, 0, 2, 0, 0, -2, 0, 0, 0, 0, -5, 1};

class SpriteDrawing : public testing::Test {
 protected:
  void SetUp() override { MapTexCoordToMain(); }
  void TearDown() override { MapTexCoordToNull(); }
};

TEST_F(SpriteDrawing, TheQuadFromTheModelviewWithAlphaDepthWritesAndRotation) {
  const TGLCall readModelView = Call("glGetFloatv", GL_MODELVIEW_MATRIX);
  const TGLCalls unitSquare = QuadCalls(
      {{1, 1, 0.5, 0.5, 0}, {0, 1, -0.5, 0.5, 0}, {0, 0, -0.5, -0.5, 0}, {1, 0, 0.5, -0.5, 0}});
  const struct Case {
    const char* name;
    std::vector<double> modelView;
    std::function<void(TGLSprite&)> setUp;
    TGLCalls expected;
  } cases[] = {
      {"a new sprite: the unit square, no normal, the material untouched", cIdentity,
       [](TGLSprite&) {}, Join({{readModelView}, unitSquare})},
      {"mirrored both ways", cIdentity,
       [](TGLSprite& s) {
         s.SetMirrorU(true);
         s.SetMirrorV(true);
       },
       Join({{readModelView},
             QuadCalls({{0, 0, 0.5, 0.5, 0},
                        {1, 0, -0.5, 0.5, 0},
                        {1, 1, -0.5, -0.5, 0},
                        {0, 1, 0.5, -0.5, 0}})})},
      {"a turned and scaled node: the axes from the modelview's rows, kept to the sprite's size",
       cTurnedAndScaled,
       [](TGLSprite& s) {
         s.SetWidth(2);
         s.SetRotation(-30);
       },
       Join({{readModelView, Call("glPushMatrix"), Call("glRotatef", -30.0f, 0.0f, 2.0f, 0.0f)},
             QuadCalls(
                 {{1, 1, 1, 0, -0.5}, {0, 1, -1, 0, -0.5}, {0, 0, -1, 0, 0.5}, {1, 0, 1, 0, 0.5}}),
             {Call("glPopMatrix")}})},
      {"translucent, without depth writes, turned a quarter", cIdentity,
       [](TGLSprite& s) {
         s.SetAlphaChannel(0.5f);
         s.SetNoZWrite(true);
         s.SetRotation(90);
       },
       Join({{Call("glMaterialfv", GL_FRONT, GL_DIFFUSE, TGLArray{0.2f, 0.4f, 0.6f, 0.5f}),
              Call("glDepthMask", GL_FALSE), readModelView, Call("glPushMatrix"),
              Call("glRotatef", 90.0f, 0.0f, 0.0f, 1.0f)},
             unitSquare,
             {Call("glPopMatrix"), Call("glDepthMask", GL_TRUE)}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSprite sprite(nullptr);
    c.setUp(sprite);
    TGLRecorder gl;
    // The material the sprite's own has applied.
    TGLStateCache cache;
    cache.SetGLMaterialColors(GL_FRONT, {}, {}, {0.2f, 0.4f, 0.6f, 1}, {}, 0);
    gl.Take();
    gl.SetValues(GL_MODELVIEW_MATRIX, c.modelView);
    TRenderContextInfo rci;
    rci.stateCache = &cache;
    sprite.BuildList(rci);
    EXPECT_EQ(gl.Calls(), c.expected);
  }
}

// The cache sends the alpha only when it differs from what the front face last had.
TEST_F(SpriteDrawing, TheAlphaGoesThroughTheStateCache) {
  TGLSprite sprite(nullptr);
  sprite.SetAlphaChannel(0.25f);
  TGLRecorder gl;
  TGLStateCache cache;
  gl.SetValues(GL_MODELVIEW_MATRIX, cIdentity);
  TRenderContextInfo rci;
  rci.stateCache = &cache;
  sprite.BuildList(rci);
  EXPECT_EQ(gl.CallsOf("glMaterialfv").size(), 1u);
  gl.Take();
  sprite.BuildList(rci);
  EXPECT_TRUE(gl.CallsOf("glMaterialfv").empty()) << "already 0.25";
}

}  // namespace
