// Lines and polygons in whole frames on a real Mesa driver, which raises on an OpenGL error: the
// curves through the evaluators and GLU, the markers, and a self-crossing star filled where its
// outline winds an odd number of times.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/GLGeomObjects/Polygon.h"
#include "engine/GLObjects/Lines.h"
#include "tests/engine/scene/TopViewFrame.h"

namespace {

// 50 pixels to the unit, the origin between pixels 49 and 50.
constexpr int cSize = 100;
const QColor cWhite(255, 255, 255);

QColor At(const QImage& image, double x, double y) {
  return image.pixelColor(int(std::floor((x + 1) * 50)), int(std::floor((1 - y) * 50)));
}

class LinesLive : public TopViewFrameTest {
 protected:
  void SetUp() override {
    TopViewFrameTest::SetUp();
    StartFrames(cSize, 1);
  }
};

// Three nodes, (-0.8, -0.8), (0, 0.8) and (0.8, -0.8): the Bezier and NURBS curves are the
// parabola through (0, 0), below the middle node; the cubic spline goes through that node.
TEST_F(LinesLive, CurvesRunWhereTheirModesTakeThem) {
  auto* lines = TGLBaseSceneObject::CreateAsChild<TGLLines>(Scene.GetObjects());
  lines->GetLineColor()->SetRGBA(0, 0, 0, 1);
  lines->SetLineWidth(3);
  lines->SetNodesAspect(lnaInvisible);
  for (const auto& [x, y] : {std::pair{-0.8f, -0.8f}, {0.0f, 0.8f}, {0.8f, -0.8f}}) {
    TGLLinesNode* node = lines->GetNodes()->Add();
    node->SetX(x);
    node->SetY(y);
  }
  lines->SetDivision(32);
  lines->SetNurbsOrder(3);
  lines->SetNurbsSamplingTolerance(1);
  for (float knot : {0, 0, 0, 1, 1, 1}) lines->GetNurbsKnots()->Add(knot);
  const struct Case {
    const char* name;
    TLineSplineMode mode;
    bool throughTheMiddleNode;
    float yAtAQuarter;  // at x = -0.4 and 0.4
  } cases[] = {{"Bezier", lsmBezierSpline, false, -0.2f},
               {"NURBS", lsmNURBSCurve, false, -0.2f},
               {"cubic spline", lsmCubicSpline, true, 0.3f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lines->SetSplineMode(c.mode);
    const QImage image = Frame();
    EXPECT_EQ(At(image, 0, 0.8) != cWhite, c.throughTheMiddleNode);
    EXPECT_EQ(At(image, 0, 0) != cWhite, !c.throughTheMiddleNode);
    EXPECT_NE(At(image, -0.4, c.yAtAQuarter), cWhite);
    EXPECT_NE(At(image, 0.4, c.yAtAQuarter), cWhite);
    EXPECT_EQ(At(image, 0, -0.5), cWhite) << "nothing below the curve";
  }
}

TEST_F(LinesLive, DodecahedronsMarkTheNodes) {
  auto* lines = TGLBaseSceneObject::CreateAsChild<TGLLines>(Scene.GetObjects());
  lines->SetNodesAspect(lnaDodecahedron);
  lines->SetNodeSize(0.5f);
  for (float x : {-0.5f, 0.5f}) lines->GetNodes()->Add()->SetX(x);
  const QImage image = Frame();
  for (float x : {-0.5f, 0.5f}) {
    SCOPED_TRACE(x);
    // Between 0.2 and 0.26 from its centre at this size, seen from any side.
    EXPECT_NE(At(image, x, 0.1), cWhite);
    EXPECT_NE(At(image, x + 0.1, -0.1), cWhite);
    EXPECT_EQ(At(image, x, 0.32), cWhite);
  }
  EXPECT_EQ(At(image, 0, 0.1), cWhite);
}

// Every third corner of a heptagon joined: the middle (wound three times) and the points (once)
// are filled, the ring between them (twice) and the outside are not.
TEST_F(LinesLive, AStarPolygonFillsItsOddlyWoundParts) {
  auto* polygon = TGLBaseSceneObject::CreateAsChild<TGLPolygon>(Scene.GetObjects());
  polygon->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0, 0, 1);
  polygon->GetMaterial()->SetMaterialOptions(moNoLighting);
  const double pi = std::acos(-1.0);
  for (int k = 0; k < 7; ++k) {
    TGLNode* node = polygon->GetNodes()->Add();
    node->SetX(float(0.9 * std::cos(2 * pi * 3 * k / 7)));
    node->SetY(float(0.9 * std::sin(2 * pi * 3 * k / 7)));
  }
  const QColor red(255, 0, 0);
  const auto at = [&](const QImage& image, double radius, double angle) {
    return At(image, radius * std::cos(angle), radius * std::sin(angle));
  };
  for (TPolygonParts parts : {TPolygonParts(ppTop | ppBottom), TPolygonParts(ppTop)}) {
    SCOPED_TRACE(int(parts));
    polygon->SetParts(parts);
    const QImage image = Frame();
    for (int k = 0; k < 7; ++k) {
      SCOPED_TRACE(k);
      const double corner = 2 * pi * k / 7, between = corner + pi / 7;
      EXPECT_EQ(at(image, 0.1, between), red) << "the middle";
      EXPECT_EQ(at(image, 0.6, corner), red) << "a point";
      EXPECT_EQ(at(image, 0.27, between), cWhite) << "the ring";
      EXPECT_EQ(at(image, 0.6, between), cWhite) << "outside";
    }
  }
}

}  // namespace
