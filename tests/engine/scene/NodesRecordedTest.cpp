// A node list's filled polygon: what it hands the GLU tessellator, and, with GLU's own
// tessellator, the triangles it draws, their texture coordinates, the crossings of a
// self-crossing outline, and the errors raised once everything is cleaned up.
#define GL_DISPATCH_NO_NAMES
#include "tests/support/Raises.h"
//
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/GLMisc.h"
#include "engine/base/XOpenGL.h"
#include "tests/engine/scene/NodesTessellation.h"

namespace {

using namespace nodes_tessellation;

const auto Call = [](auto... args) { return TGLCall(args...); };

void AddNodes(TGLNodes& nodes, const std::vector<TPoint>& points) {
  for (const TPoint& p : points) {
    TGLNode* node = nodes.Add();
    node->SetX(float(p[0]));
    node->SetY(float(p[1]));
    node->SetZ(float(p[2]));
  }
}

const void* AddressArg(const TGLCall& call, size_t index) {
  return std::get<TGLAddress>(call.Args[index]).Value;
}

TEST(NodesTessellation, NothingBelowThreeNodes) {
  for (int count = 0; count < 3; ++count) {
    TGLNodes nodes(nullptr);
    for (int i = 0; i < count; ++i) AddNodes(nodes, {{double(i), double(i * i), 0}});
    TGLRecorder gl;
    const TAffineVector up{0, 0, 1};
    nodes.RenderTesselatedPolygon(true, &up, 4, false);
    EXPECT_TRUE(gl.Calls().empty()) << count << " nodes";
  }
}

TEST(NodesTessellation, NodesGoToTheTessellatorAsTheirOwnStorageInEitherOrder) {
  TGLNodes nodes(nullptr);
  AddNodes(nodes, {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}});
  for (bool inverted : {false, true}) {
    SCOPED_TRACE(inverted ? "inverted" : "in order");
    TGLRecorder gl;
    nodes.RenderTesselatedPolygon(false, nullptr, 1, inverted);
    const TGLCalls calls = gl.Take();
    std::vector<std::string> names;
    for (const TGLCall& call : calls) names.push_back(call.Name);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "gluNewTess", "gluTessCallback", "gluTessCallback", "gluTessCallback",
                         "gluTessCallback", "gluTessCallback", "gluTessBeginPolygon",
                         "gluTessBeginContour", "gluTessVertex", "gluTessVertex", "gluTessVertex",
                         "gluTessEndContour", "gluTessEndPolygon", "gluDeleteTess"}));
    std::set<int64_t> callbacks;
    for (const TGLCall& call : calls)
      if (call.Name == "gluTessCallback") callbacks.insert(std::get<int64_t>(call.Args[1]));
    EXPECT_EQ(callbacks,
              (std::set<int64_t>{GLU_TESS_BEGIN_DATA, GLU_TESS_VERTEX_DATA, GLU_TESS_END_DATA,
                                 GLU_TESS_ERROR_DATA, GLU_TESS_COMBINE_DATA}));
    TGLCalls vertices;
    for (const TGLCall& call : calls)
      if (call.Name == "gluTessVertex") vertices.push_back(call);
    ASSERT_EQ(vertices.size(), 3u);
    for (int k = 0; k < 3; ++k) {
      const int i = inverted ? 2 - k : k;
      TGLNode* node = nodes.GetItems(i);
      EXPECT_EQ(std::get<TGLArray>(vertices[size_t(k)].Args[1]),
                (TGLArray{node->GetX(), node->GetY(), node->GetZ()}));
      EXPECT_EQ(AddressArg(vertices[size_t(k)], 2), node->AsAddress()) << k;
    }
  }
}

TEST(NodesTessellation, AGivenNormalIsTheCurrentNormalAndTheTessellatorsToo) {
  TGLNodes nodes(nullptr);
  AddNodes(nodes, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
  const TAffineVector down{0, 0, -1};
  TGLRecorder gl;
  nodes.RenderTesselatedPolygon(false, &down, 1, false);
  TGLCalls calls = gl.Take();
  const TGLCall normal = calls[6], tessNormal = calls[7], begin = calls[8];
  EXPECT_EQ(normal, Call("glNormal3fv", TGLArray{0, 0, -1}));
  EXPECT_EQ(tessNormal.Name, "gluTessNormal");
  EXPECT_EQ(std::vector<TGLArg>(tessNormal.Args.begin() + 1, tessNormal.Args.end()),
            (std::vector<TGLArg>{0.0, 0.0, -1.0}));
  EXPECT_EQ(begin.Name, "gluTessBeginPolygon");
}

TEST(NodesTessellation, ASmoothedOutlineTakesDivisionsStepsPerInterval) {
  TGLNodes nodes(nullptr);
  AddNodes(nodes, {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
  for (bool inverted : {false, true}) {
    SCOPED_TRACE(inverted ? "inverted" : "in order");
    TGLRecorder gl;
    nodes.RenderTesselatedPolygon(false, nullptr, 4, inverted);
    const TGLCalls vertices = gl.CallsOf("gluTessVertex");
    ASSERT_EQ(vertices.size(), 9u) << "(3 - 1) x 4 + 1";
    std::set<const void*> slots;
    for (int k = 0; k < 9; ++k) {
      const TGLArray& at = std::get<TGLArray>(vertices[size_t(k)].Args[1]);
      const int i = inverted ? 8 - k : k;
      // On the nodes at every fourth step, on the spline's x = t between them.
      EXPECT_NEAR(at[0], i * 0.25, 1e-6) << k;
      if (i % 4 == 0) {
        EXPECT_NEAR(at[1], i == 4 ? 1 : 0, 1e-6) << k;
      }
      const void* slot = AddressArg(vertices[size_t(k)], 2);
      for (int n = 0; n < 3; ++n) EXPECT_NE(slot, nodes.GetItems(n)->AsAddress());
      slots.insert(slot);
    }
    EXPECT_EQ(slots.size(), 9u) << "a slot of its own for each point";
  }
}

class NodesTessellator : public testing::Test {
 protected:
  void SetUp() override { MapTexCoordToMain(); }
  TTessellatingRecorder gl;
};

TEST_F(NodesTessellator, TexturedVerticesTakeTheirXAndYAndFaceTheNormal) {
  TGLNodes nodes(nullptr);
  // A concave L, counter-clockwise seen from +Z.
  AddNodes(nodes, {{0, 0, 0.5}, {2, 0, 0.5}, {2, 1, 0.5}, {1, 1, 0.5}, {1, 2, 0.5}, {0, 2, 0.5}});
  const TAffineVector up{0, 0, 1};
  nodes.RenderTesselatedPolygon(true, &up, 1, false);
  const TGLCalls calls = gl.Take();
  int vertices = 0;
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].Name != "glVertex3fv") continue;
    ++vertices;
    ASSERT_GT(i, 0u);
    ASSERT_EQ(calls[i - 1].Name, "glTexCoord2fv");
    const TPoint p = PointOf(calls[i]);
    EXPECT_EQ(std::get<TGLArray>(calls[i - 1].Args[0]), (TGLArray{p[0], p[1]}));
  }
  const std::vector<TTriangle> triangles = Triangles(calls);
  EXPECT_EQ(triangles.size(), 4u);
  EXPECT_GE(vertices, 6);
  double area = 0;
  for (const TTriangle& t : triangles) {
    EXPECT_GT(DoubleAreaXY(t), 0) << "counter-clockwise seen from +Z";
    area += DoubleAreaXY(t) / 2;
  }
  EXPECT_NEAR(area, 3, 1e-6);

  // Backwards, the same area faces the other way.
  nodes.RenderTesselatedPolygon(false, nullptr, 1, true);
  area = 0;
  for (const TTriangle& t : Triangles(gl.Take())) {
    EXPECT_LT(DoubleAreaXY(t), 0);
    area -= DoubleAreaXY(t) / 2;
  }
  EXPECT_NEAR(area, 3, 1e-6);
}

// How often the outline winds round the point (x, y).
int WindingNumber(const std::vector<TPoint>& outline, double x, double y) {
  int winding = 0;
  for (size_t i = 0; i < outline.size(); ++i) {
    const TPoint& a = outline[i];
    const TPoint& b = outline[(i + 1) % outline.size()];
    const double side = (b[0] - a[0]) * (y - a[1]) - (x - a[0]) * (b[1] - a[1]);
    if (a[1] <= y && b[1] > y && side > 0) ++winding;
    if (a[1] > y && b[1] <= y && side < 0) --winding;
  }
  return winding;
}

// The seven-pointed star drawn by joining every third corner of a heptagon: each edge crosses
// four others, so the tessellator makes 14 new vertices from the 7 nodes.
TEST_F(NodesTessellator, ASelfCrossingStarFillsItsOddlyWoundPartsWithAllItsCrossings) {
  std::vector<TPoint> star;
  const double pi = std::acos(-1.0);
  for (int k = 0; k < 7; ++k)
    star.push_back({std::cos(2 * pi * 3 * k / 7), std::sin(2 * pi * 3 * k / 7), 0});
  TGLNodes nodes(nullptr);
  AddNodes(nodes, star);
  const TAffineVector up{0, 0, 1};
  nodes.RenderTesselatedPolygon(false, &up, 1, false);
  const TGLCalls calls = gl.Take();

  std::set<std::array<long, 3>> crossings;
  for (const TGLCall& call : calls) {
    if (call.Name != "glVertex3fv") continue;
    const TPoint p = PointOf(call);
    bool isNode = false;
    for (const TPoint& s : star) isNode = isNode || std::hypot(p[0] - s[0], p[1] - s[1]) < 1e-5;
    if (!isNode)
      crossings.insert({std::lround(p[0] * 1e4), std::lround(p[1] * 1e4), std::lround(p[2] * 1e4)});
  }
  EXPECT_EQ(crossings.size(), 14u);

  // Every triangle lies in a part the outline winds round an odd number of times (the
  // tessellator's default rule), and together they cover those parts once.
  double area = 0;
  for (const TTriangle& t : Triangles(calls)) {
    EXPECT_GT(DoubleAreaXY(t), 0);
    area += DoubleAreaXY(t) / 2;
    const double cx = (t[0][0] + t[1][0] + t[2][0]) / 3, cy = (t[0][1] + t[1][1] + t[2][1]) / 3;
    EXPECT_EQ(std::abs(WindingNumber(star, cx, cy)) % 2, 1) << cx << ", " << cy;
  }
  constexpr int n = 1000;
  int odd = 0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      odd += std::abs(WindingNumber(star, -1 + (i + 0.5) * 2 / n, -1 + (j + 0.5) * 2 / n)) % 2;
  EXPECT_NEAR(area, odd * 4.0 / n / n, 0.01);
}

TEST_F(NodesTessellator, ATessellatorErrorIsRaisedOnceTheDrawingIsClosed) {
  TGLNodes nodes(nullptr);
  AddNodes(nodes, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  nodes.GetItems(1)->SetX(INFINITY);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { nodes.RenderTesselatedPolygon(false); },
                                       testing::StartsWith("100155: a coordinate is too large")));
  int open = 0;
  for (const TGLCall& call : gl.Calls()) {
    if (call.Name == "glBegin") {
      EXPECT_EQ(open++, 0);
    } else if (call.Name == "glEnd") {
      EXPECT_EQ(--open, 0);
    }
  }
  EXPECT_EQ(open, 0);
}

// A tessellator that calls back as the test asks: it opens a primitive, passes the first two
// vertices, reports Error when it is set, and ends the polygon with the primitive still open.
struct TFakeTessellator {
  static inline std::map<GLenum, _GLUfuncptr> Callbacks;
  static inline void* Polygon = nullptr;
  static inline std::vector<void*> Vertices;
  static inline GLenum Error = 0;

  template <class F>
  static F* Get(GLenum which) {
    return reinterpret_cast<F*>(Callbacks.at(which));
  }
  static void Install() {
    Callbacks.clear();
    Vertices.clear();
    GLDispatch.gluTessCallback = [](GLUtesselator*, GLenum which, _GLUfuncptr f) {
      Callbacks[which] = f;
    };
    GLDispatch.gluTessBeginPolygon = [](GLUtesselator*, void* data) { Polygon = data; };
    GLDispatch.gluTessVertex = [](GLUtesselator*, GLdouble*, void* data) {
      Vertices.push_back(data);
    };
    GLDispatch.gluTessEndPolygon = [](GLUtesselator*) {
      Get<void(GLenum, void*)>(GLU_TESS_BEGIN_DATA)(GL_TRIANGLE_FAN, Polygon);
      Get<void(void*, void*)>(GLU_TESS_VERTEX_DATA)(Vertices[0], Polygon);
      Get<void(void*, void*)>(GLU_TESS_VERTEX_DATA)(Vertices[1], Polygon);
      if (Error != 0) Get<void(GLenum, void*)>(GLU_TESS_ERROR_DATA)(Error, Polygon);
    };
    GLDispatch.gluDeleteTess = [](GLUtesselator*) {
      TGLRecorder::Current()->Log(GLE_gluDeleteTess, {});
    };
  }
};

TEST(NodesTessellation, AFailureInsideAPrimitiveIsRaisedAfterItIsEndedAndGLUCleanedUp) {
  const struct Case {
    const char* name;
    GLenum error;
    bool verticesRaise;
    std::string message;
  } cases[] = {
      {"a tessellator error", GLU_TESS_MISSING_END_POLYGON, false,
       "100153: gluTessEndPolygon() must follow a gluTessBeginPolygon()"},
      {"a drawing that raises", 0, true, "no vertices today"},
      {"both: the first failure wins", GLU_TESS_MISSING_END_POLYGON, true, "no vertices today"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLRecorder gl;
    TFakeTessellator::Install();
    TFakeTessellator::Error = c.error;
    GLDispatch.gluErrorString = nodes_tessellation::LibraryDispatch().gluErrorString;
    if (c.verticesRaise)
      GLDispatch.glVertex3fv = [](const GLfloat*) { throw Exception("no vertices today"); };
    TGLNodes nodes(nullptr);
    AddNodes(nodes, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    EXPECT_TRUE(Raises<Exception>([&] { nodes.RenderTesselatedPolygon(false); },
                                  testing::StartsWith(c.message)));
    std::vector<std::string> drawing;
    for (const TGLCall& call : gl.Calls())
      if (call.Name.rfind("glu", 0) != 0 || call.Name == "gluDeleteTess")
        drawing.push_back(call.Name);
    std::vector<std::string> expected{"glBegin", "glEnd", "gluDeleteTess"};
    if (!c.verticesRaise) expected.insert(expected.begin() + 1, 2, "glVertex3fv");
    EXPECT_EQ(drawing, expected);
  }
}

}  // namespace
