// What a polygon sends to OpenGL: its faces through GLU's own tessellator with their normals,
// windings and texture coordinates, and the outline it hands the tessellator by spline mode.
#define GL_DISPATCH_NO_NAMES
#include "tests/support/Raises.h"
//
#include <string>
#include <vector>

#include "engine/GLGeomObjects/Polygon.h"
#include "engine/base/XOpenGL.h"
#include "tests/engine/scene/NodesTessellation.h"

namespace {

using namespace nodes_tessellation;

const auto Call = [](auto... args) { return TGLCall(args...); };

void AddNodes(TGLPolygon& polygon, const std::vector<TPoint>& points) {
  for (const TPoint& p : points) {
    TGLNode* node = polygon.GetNodes()->Add();
    node->SetX(float(p[0]));
    node->SetY(float(p[1]));
    node->SetZ(float(p[2]));
  }
}

// The faces one after the other, each from its glNormal3fv.
std::vector<TGLCalls> Faces(const TGLCalls& calls) {
  std::vector<TGLCalls> faces;
  for (const TGLCall& call : calls) {
    if (call.Name == "glNormal3fv") faces.emplace_back();
    if (!faces.empty()) faces.back().push_back(call);
  }
  return faces;
}

TEST(PolygonOutline, NothingBelowThreeNodesAndOneOutlineAFace) {
  TGLRecorder gl;
  TRenderContextInfo rci;
  for (int count : {1, 2}) {
    TGLPolygon polygon(nullptr);
    for (int i = 0; i < count; ++i) AddNodes(polygon, {{double(i), 0, 0}});
    polygon.BuildList(rci);
    EXPECT_TRUE(gl.Take().empty()) << count << " nodes";
  }
}

TEST(PolygonOutline, EverySplineModeButTheFirstSmoothsTheOutline) {
  const struct Case {
    const char* name;
    TLineSplineMode mode;
    size_t vertices;
  } cases[] = {{"plain", lsmLines, 4},
               {"cubic spline", lsmCubicSpline, 10},
               {"segments smooth it alike", lsmSegments, 10},
               {"Bezier", lsmBezierSpline, 10},
               {"NURBS", lsmNURBSCurve, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPolygon polygon(nullptr);
    AddNodes(polygon, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    polygon.SetDivision(3);
    polygon.SetSplineMode(c.mode);
    TGLRecorder gl;
    TRenderContextInfo rci;
    polygon.BuildList(rci);
    EXPECT_EQ(gl.CallsOf("gluTessVertex").size(), 2 * c.vertices) << "both faces";
    EXPECT_EQ(gl.CallsOf("gluNewTess").size(), 2u);
  }
}

class PolygonRecorded : public testing::Test {
 protected:
  void SetUp() override { MapTexCoordToMain(); }
  TTessellatingRecorder gl;
  TRenderContextInfo rci;
};

TEST_F(PolygonRecorded, ACounterClockwiseSquareFacesUpOnTopAndDownBelow) {
  const double up = 1, down = -1;
  const struct Case {
    const char* name;
    TPolygonParts parts;
    std::vector<double> normals;  // the z of each face's normal, x and y being 0
  } cases[] = {{"both faces, the bottom last", ppTop | ppBottom, {up, down}},
               {"the top", ppTop, {up}},
               {"the bottom", ppBottom, {down}},
               {"neither", 0, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPolygon polygon(nullptr);
    AddNodes(polygon, {{0, 0, 1}, {2, 0, 1}, {2, 2, 1}, {0, 2, 1}});
    polygon.SetParts(c.parts);
    polygon.BuildList(rci);
    const std::vector<TGLCalls> faces = Faces(gl.Take());
    ASSERT_EQ(faces.size(), c.normals.size());
    for (size_t f = 0; f < faces.size(); ++f) {
      const TGLCalls& calls = faces[f];
      ASSERT_EQ(calls.front().Name, "glNormal3fv");
      const TGLArray& normal = std::get<TGLArray>(calls.front().Args[0]);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(normal[size_t(i)], i == 2 ? c.normals[f] : 0, 1e-6);
      const double facing = c.normals[f];
      const std::vector<TTriangle> triangles = Triangles(calls);
      ASSERT_EQ(triangles.size(), 2u);
      double area = 0;
      for (const TTriangle& t : triangles) {
        EXPECT_NEAR(NormalZ(t), facing, 1e-9) << "drawn facing its normal";
        area += std::abs(DoubleAreaXY(t)) / 2;
      }
      EXPECT_NEAR(area, 4, 1e-9);
      for (size_t i = 1; i < calls.size(); ++i) {
        if (calls[i].Name != "glVertex3fv") continue;
        const TPoint p = PointOf(calls[i]);
        EXPECT_EQ(calls[i - 1], Call("glTexCoord2fv", TGLArray{p[0], p[1]}));
      }
    }
  }
}

// The first three nodes on one line give no normal: the tessellator finds it, and the faces
// still turn opposite ways.
TEST_F(PolygonRecorded, AnOutlineThatStartsStraightLeavesTheNormalToTheTessellator) {
  TGLPolygon polygon(nullptr);
  AddNodes(polygon, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}});
  for (TPolygonParts part : {ppTop, ppBottom}) {
    SCOPED_TRACE(part == ppTop ? "top" : "bottom");
    polygon.SetParts(part);
    polygon.BuildList(rci);
    const TGLCalls calls = gl.Take();
    for (const TGLCall& call : calls) EXPECT_NE(call.Name, "glNormal3fv");
    double area = 0;
    for (const TTriangle& t : Triangles(calls)) {
      // GLU may join the straight run's three nodes in a triangle of no area, facing nowhere.
      if (DoubleAreaXY(t) == 0) continue;
      EXPECT_NEAR(NormalZ(t), part == ppTop ? 1 : -1, 1e-9);
      area += std::abs(DoubleAreaXY(t)) / 2;
    }
    EXPECT_NEAR(area, 4, 1e-9);
  }
}

}  // namespace
