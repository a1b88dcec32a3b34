// What lines send to OpenGL: the line in each spline mode with its per-node colours, the
// evaluators of a Bezier curve and GLU's NURBS curve, the markers at the nodes, and the
// dodecahedron's faces.
#include "tests/support/Raises.h"
//
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <string>
#include <vector>

#include "engine/GLObjects/Lines.h"
#include "engine/GLState.h"
#include "platform/gl/GLRecorder.h"
#include "tests/engine/scene/VertexCalls.h"

namespace {

const auto Call = [](auto... args) { return TGLCall(args...); };

using TPoint = std::array<double, 3>;

// The points of the vertex calls, in order, whichever form they took.
std::vector<TPoint> Vertices(const TGLCalls& calls) {
  std::vector<TPoint> points;
  for (const TGLCall& call : calls) {
    if (call.Name.rfind("glVertex3f", 0) != 0) continue;
    const std::vector<float> v = vertex_calls::Numbers(call);
    points.push_back({v[0], v[1], v[2]});
  }
  return points;
}

// The calls from the first of that name up to and including the next glEnd.
TGLCalls Primitive(const TGLCalls& calls) {
  const auto begin = std::find_if(calls.begin(), calls.end(),
                                  [](const TGLCall& c) { return c.Name == "glBegin"; });
  if (begin == calls.end()) return {};
  const auto end =
      std::find_if(begin, calls.end(), [](const TGLCall& c) { return c.Name == "glEnd"; });
  return TGLCalls(begin, end == calls.end() ? end : end + 1);
}

// The calls before the markers.
TGLCalls LinePart(const TGLCalls& calls) {
  return TGLCalls(calls.begin(),
                  std::find(calls.begin(), calls.end(), TGLCall("glPushAttrib", GL_ENABLE_BIT)));
}

int Count(const TGLCalls& calls, const std::string& name) {
  return int(
      std::count_if(calls.begin(), calls.end(), [&](const TGLCall& c) { return c.Name == name; }));
}

// Every push has its pop, in order.
void ExpectBalanced(const TGLCalls& calls) {
  int attributes = 0, matrices = 0;
  for (const TGLCall& call : calls) {
    attributes += (call.Name == "glPushAttrib") - (call.Name == "glPopAttrib");
    matrices += (call.Name == "glPushMatrix") - (call.Name == "glPopMatrix");
    EXPECT_GE(attributes, 0);
    EXPECT_GE(matrices, 0);
  }
  EXPECT_EQ(attributes, 0);
  EXPECT_EQ(matrices, 0);
}

class LinesRecorded : public testing::Test {
 protected:
  LinesRecorded() {
    rci.stateCache = &cache;
    gl.SetValues(GL_MAX_EVAL_ORDER, {8});  // the least an implementation offers
  }

  TGLLinesNode* AddNode(float x, float y, float z) {
    TGLLinesNode* node = lines.GetNodes()->Add();
    node->SetX(x);
    node->SetY(y);
    node->SetZ(z);
    return node;
  }
  TGLCalls Build() {
    gl.Take();
    lines.BuildList(rci);
    const TGLCalls calls = gl.Take();
    ExpectBalanced(calls);
    return calls;
  }

  TGLRecorder gl;
  TGLStateCache cache;
  TRenderContextInfo rci;
  TGLLines lines{nullptr};
};

TEST_F(LinesRecorded, NothingAtAllBelowTwoNodes) {
  EXPECT_TRUE(Build().empty());
  AddNode(1, 2, 3);
  for (TLineNodesAspect aspect : {lnaAxes, lnaCube, lnaDodecahedron}) {
    lines.SetNodesAspect(aspect);
    EXPECT_TRUE(Build().empty()) << "not even the marker";
  }
}

TEST_F(LinesRecorded, TwoNodesMakeASegmentInTheLineColourThenAxesAtBothNodes) {
  AddNode(0, 0, 0);
  AddNode(1, 2, 3);
  lines.SetNodeSize(4);
  const TGLCalls calls = Build();
  const TGLCalls line(calls.begin(), calls.begin() + 10);
  EXPECT_EQ(line,
            (TGLCalls{Call("glPushAttrib",
                           GL_CURRENT_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT),
                      Call("glDisable", GL_LIGHTING), Call("glDisable", GL_LINE_SMOOTH),
                      Call("glLineWidth", 1.0f), Call("glColor3f", 1.0f, 1.0f, 1.0f),
                      Call("glBegin", GL_LINE_STRIP), Call("glVertex3fv", TGLArray{0, 0, 0}),
                      Call("glVertex3fv", TGLArray{1, 2, 3}), Call("glEnd"), Call("glPopAttrib")}));
  const TGLCalls markers(calls.begin() + 10, calls.end());
  EXPECT_EQ(TGLCalls(markers.begin(), markers.begin() + 4),
            (TGLCalls{Call("glPushAttrib", GL_ENABLE_BIT), Call("glEnable", GL_BLEND),
                      Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA),
                      Call("glDisable", GL_TEXTURE_2D)}));
  std::vector<TGLCall> translations;
  for (const TGLCall& call : markers)
    if (call.Name == "glTranslatef") translations.push_back(call);
  EXPECT_EQ(translations, (std::vector<TGLCall>{Call("glTranslatef", 0.0f, 0.0f, 0.0f),
                                                Call("glTranslatef", 1.0f, 2.0f, 3.0f)}));
  EXPECT_EQ(Count(markers, "glLineStipple"), 2);
  EXPECT_NE(std::find(markers.begin(), markers.end(), Call("glLineStipple", 1, 0xCCCC)),
            markers.end())
      << "dotted axes";
  EXPECT_NE(std::find(markers.begin(), markers.end(), Call("glVertex3f", 2.0f, 0.0f, 0.0f)),
            markers.end())
      << "half the node size long";
  EXPECT_EQ(markers.back(), Call("glPopAttrib"));
}

TEST_F(LinesRecorded, EachSplineModeDrawsItsVertices) {
  const struct Case {
    const char* name;
    TLineSplineMode mode;
    int nodes, division;
    GLenum primitive;  // 0 for none
    int vertices, evaluations;
  } cases[] = {
      {"polyline", lsmLines, 3, 10, GL_LINE_STRIP, 3, 0},
      {"segments", lsmSegments, 4, 10, GL_LINES, 4, 0},
      {"cubic spline", lsmCubicSpline, 3, 10, GL_LINE_STRIP, 21, 0},
      {"cubic spline of division 1", lsmCubicSpline, 3, 1, GL_LINE_STRIP, 3, 0},
      {"Bezier curve over the whole line", lsmBezierSpline, 3, 10, GL_LINE_STRIP, 0, 11},
      {"Bezier curve of division 1", lsmBezierSpline, 3, 1, GL_LINE_STRIP, 3, 0},
      {"NURBS of order 0", lsmNURBSCurve, 3, 10, 0, 0, 0},
      {"NURBS of division 1", lsmNURBSCurve, 3, 1, GL_LINE_STRIP, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lines.GetNodes()->Clear();
    for (int i = 0; i < c.nodes; ++i) AddNode(float(i), float(i % 2), 0);
    lines.SetSplineMode(c.mode);
    lines.SetDivision(c.division);
    const TGLCalls calls = Build();
    const TGLCalls primitive = Primitive(LinePart(calls));
    if (c.primitive == 0) {
      EXPECT_TRUE(primitive.empty());
    } else {
      ASSERT_FALSE(primitive.empty());
      EXPECT_EQ(primitive.front(), Call("glBegin", c.primitive));
    }
    const std::vector<TPoint> points = Vertices(primitive);
    EXPECT_EQ(int(points.size()), c.vertices);
    if (!points.empty()) {
      EXPECT_EQ(points.front(), (TPoint{0, 0, 0}));
      EXPECT_NEAR(points.back()[0], c.nodes - 1, 1e-6) << "ends on the last node";
    }
    EXPECT_EQ(Count(primitive, "glEvalCoord1f"), c.evaluations);
    EXPECT_EQ(Count(calls, "glTranslatef"), c.nodes) << "a marker at each node";
  }
}

TEST_F(LinesRecorded, NodeColoursColourTheLineWhenAsked) {
  AddNode(0, 0, 0)->GetColor()->SetColor({1, 0, 0, 1});
  AddNode(1, 0, 0)->GetColor()->SetColor({0, 0, 1, 0});
  lines.SetDivision(4);
  const TGLCall red = Call("glColor4fv", TGLArray{1, 0, 0, 1});
  const TGLCall blue = Call("glColor4fv", TGLArray{0, 0, 1, 0});
  const struct Case {
    const char* name;
    TLineSplineMode mode;
    TGLCalls colours;
  } cases[] = {
      {"polyline", lsmLines, {red, blue}},
      {"cubic spline, interpolated along each interval",
       lsmCubicSpline,
       {red, Call("glColor4fv", TGLArray{0.75, 0, 0.25, 0.75}),
        Call("glColor4fv", TGLArray{0.5, 0, 0.5, 0.5}),
        Call("glColor4fv", TGLArray{0.25, 0, 0.75, 0.25}), blue}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lines.SetSplineMode(c.mode);
    lines.SetOptions(0);
    EXPECT_EQ(Count(Primitive(Build()), "glColor4fv"), 0) << "without the option";
    lines.SetOptions(loUseNodeColorForLines);
    const TGLCalls primitive = Primitive(Build());
    TGLCalls colours;
    for (size_t i = 0; i < primitive.size(); ++i) {
      if (primitive[i].Name != "glColor4fv") continue;
      colours.push_back(primitive[i]);
      EXPECT_TRUE(primitive[i + 1].Name.rfind("glVertex3f", 0) == 0) << "before its vertex";
    }
    EXPECT_EQ(colours, c.colours);
  }
}

TEST_F(LinesRecorded, ABezierCurveGoesThroughTheEvaluatorsUpToTheHighestOrder) {
  for (int i = 0; i < 5; ++i) AddNode(float(i), 0, 0);
  lines.SetSplineMode(lsmBezierSpline);
  lines.SetDivision(4);
  lines.SetNodesAspect(lnaInvisible);
  TGLCalls calls = Build();
  std::vector<std::string> names;
  for (const TGLCall& call : calls) names.push_back(call.Name);
  const auto map = std::find(names.begin(), names.end(), "glMap1f");
  ASSERT_NE(map, names.end());
  const size_t at = size_t(map - names.begin());
  EXPECT_EQ(TGLCalls(calls.begin() + long(at) - 4, calls.begin() + long(at)),
            (TGLCalls{Call("glGetIntegerv", GL_MAX_EVAL_ORDER), Call("glPushAttrib", GL_EVAL_BIT),
                      Call("glEnable", GL_MAP1_VERTEX_3), Call("glEnable", GL_MAP1_COLOR_4)}));
  for (size_t k = 0; k < 2; ++k) {
    // Without the array, logged by address.
    TGLCall m("glMap1f");
    m.Args.assign(calls[at + k].Args.begin(), calls[at + k].Args.end() - 1);
    EXPECT_EQ(m, (k == 0 ? Call("glMap1f", GL_MAP1_VERTEX_3, 0.0f, 1.0f, 3, 5)
                         : Call("glMap1f", GL_MAP1_COLOR_4, 0.0f, 1.0f, 4, 5)));
  }
  std::vector<double> parameters;
  for (const TGLCall& call : calls)
    if (call.Name == "glEvalCoord1f") parameters.push_back(std::get<double>(call.Args[0]));
  EXPECT_EQ(parameters, (std::vector<double>{0, 0.25, 0.5, 0.75, 1}));
  EXPECT_EQ(TGLCalls(calls.end() - 3, calls.end()),
            (TGLCalls{Call("glEnd"), Call("glPopAttrib"), Call("glPopAttrib")}))
      << "the evaluators' state, then the line style's";

  // More nodes than the implementation's highest order: the polyline instead of an error.
  gl.SetValues(GL_MAX_EVAL_ORDER, {4});
  calls = Build();
  EXPECT_EQ(Count(calls, "glMap1f"), 0);
  EXPECT_EQ(std::find(calls.begin(), calls.end(), Call("glPushAttrib", GL_EVAL_BIT)), calls.end());
  EXPECT_EQ(Vertices(calls).size(), 5u);
  EXPECT_EQ(Count(calls, "glEvalCoord1f"), 0);
}

TEST_F(LinesRecorded, ANurbsCurveIsDrawnOnlyWithAKnotForEveryNodeAndOrder) {
  for (int i = 0; i < 4; ++i) AddNode(float(i), float(i % 2), 0);
  lines.SetSplineMode(lsmNURBSCurve);
  lines.SetNurbsOrder(3);
  lines.SetNurbsSamplingTolerance(25);
  lines.SetNodesAspect(lnaInvisible);
  const struct Case {
    const char* name;
    int knots;
    bool drawn;
  } cases[] = {{"no knots", 0, false},
               {"too few knots", 6, false},
               {"nodes plus order", 7, true},
               {"too many knots", 8, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lines.GetNurbsKnots()->Clear();
    for (int k = 0; k < c.knots; ++k) lines.GetNurbsKnots()->Add(float(k));
    const TGLCalls calls = Build();
    EXPECT_EQ(Count(calls, "glBegin"), 0) << "no line primitive of its own";
    std::vector<std::string> nurbs;
    for (const TGLCall& call : calls)
      if (call.Name.rfind("glu", 0) == 0) nurbs.push_back(call.Name);
    if (!c.drawn) {
      EXPECT_TRUE(nurbs.empty());
      continue;
    }
    EXPECT_EQ(nurbs, (std::vector<std::string>{"gluNewNurbsRenderer", "gluNurbsProperty",
                                               "gluNurbsProperty", "gluBeginCurve", "gluNurbsCurve",
                                               "gluEndCurve", "gluDeleteNurbsRenderer"}));
    for (const TGLCall& call : calls) {
      if (call.Name == "gluNurbsProperty") {
        const auto property = std::get<int64_t>(call.Args[1]);
        const double value = std::get<double>(call.Args[2]);
        EXPECT_EQ(value, property == GLU_SAMPLING_TOLERANCE ? 25 : GLU_FILL);
      }
      if (call.Name == "gluNurbsCurve") {
        // The knot and control arrays are the ones GLU reads, not logged by the recorder.
        EXPECT_EQ(call.Args[1], TGLArg(int64_t(7)));
        EXPECT_EQ(std::vector<TGLArg>(call.Args.end() - 3, call.Args.end()),
                  (std::vector<TGLArg>{int64_t(3), int64_t(3), int64_t(GL_MAP1_VERTEX_3)}));
      }
    }
  }
}

TEST_F(LinesRecorded, MarkersOfEachKindInTheirNodesColour) {
  AddNode(1, 0, 0)->GetColor()->SetColor({1, 0.5f, 0, 1});
  AddNode(0, 1, 0);
  const auto markers = [&] {
    const TGLCalls calls = Build();
    const auto start = std::find(calls.begin(), calls.end(), Call("glPushAttrib", GL_ENABLE_BIT));
    return TGLCalls(start, calls.end());
  };

  lines.SetNodesAspect(lnaCube);
  lines.SetNodeSize(2);
  TGLCalls calls = markers();
  EXPECT_NE(std::find(calls.begin(), calls.end(), Call("glColor4f", 1.0f, 0.5f, 0.0f, 1.0f)),
            calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), Call("glColor4f", 0.0f, 0.0f, 1.0f, 1.0f)),
            calls.end());
  EXPECT_EQ(std::find(calls.begin(), calls.end(), Call("glLineStipple", 1, 0xCCCC)), calls.end())
      << "solid edges";
  const std::vector<TPoint> corners = Vertices(calls);
  EXPECT_EQ(*std::max_element(corners.begin(), corners.end()), (TPoint{1, 1, 1}));

  lines.SetNodesAspect(lnaDodecahedron);
  for (float size : {2.0f, 1.0f}) {
    SCOPED_TRACE(size);
    lines.SetNodeSize(size);
    cache.ResetGLMaterialColors();
    calls = markers();
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                        Call("glMaterialfv", GL_FRONT, GL_DIFFUSE, TGLArray{1, 0.5, 0, 1})),
              calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(),
                        Call("glMaterialfv", GL_FRONT, GL_AMBIENT, TGLArray{0.2f, 0.2f, 0.2f, 1})),
              calls.end());
    EXPECT_EQ(Count(calls, "glBegin"), 24) << "twelve faces at each node";
    EXPECT_EQ(Count(calls, "glScalef"), size == 1 ? 0 : 2);
    if (size != 1) {
      EXPECT_NE(std::find(calls.begin(), calls.end(), Call("glScalef", 2.0f, 2.0f, 2.0f)),
                calls.end());
    }
  }

  lines.SetNodesAspect(lnaInvisible);
  EXPECT_TRUE(markers().empty());
}

TEST_F(LinesRecorded, MarkersBlendUnlessForbiddenAndLeaveCubeMapsOutWhereThereAreAny) {
  AddNode(0, 0, 0);
  AddNode(1, 0, 0);
  lines.SetNodesAspect(lnaCube);
  GLSupport.ARB_texture_cube_map = true;
  rci.ignoreBlendingRequests = true;
  const TGLCalls calls = Build();
  const auto start = std::find(calls.begin(), calls.end(), Call("glPushAttrib", GL_ENABLE_BIT));
  ASSERT_NE(start, calls.end());
  EXPECT_EQ(TGLCalls(start, start + 3),
            (TGLCalls{Call("glPushAttrib", GL_ENABLE_BIT), Call("glDisable", GL_TEXTURE_2D),
                      Call("glDisable", GL_TEXTURE_CUBE_MAP_ARB)}));
}

TEST_F(LinesRecorded, AnUnknownMarkerIsAnAssertionFailureWithTheStateGivenBack) {
  AddNode(0, 0, 0);
  AddNode(1, 0, 0);
  lines.SetNodesAspect(TLineNodesAspect(7));
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { lines.BuildList(rci); },
                                       testing::StartsWith("Assertion failure (Lines.cpp")));
  ExpectBalanced(gl.Take());
  EXPECT_TRUE(Raises<EAssertionFailed>(
      [&] {
        lines.DrawNodeMarker(rci, {1, 1, 1, 1}, 0, 0, 0);
      },
      testing::StartsWith("Assertion failure")));
  ExpectBalanced(gl.Take());
}

TEST(Dodecahedron, TwelveRegularPlanarFacesFacingOutwards) {
  TGLRecorder gl;
  BuildDodecahedron();
  const TGLCalls calls = gl.Take();
  ASSERT_EQ(calls.size(), 12u * 8);
  std::vector<float> coordinates;
  for (size_t face = 0; face < 12; ++face) {
    SCOPED_TRACE(face);
    const TGLCall* c = &calls[face * 8];
    ASSERT_EQ(c[0].Name, "glNormal3fv");
    EXPECT_EQ(c[1], Call("glBegin", GL_TRIANGLE_FAN));
    EXPECT_EQ(c[7], Call("glEnd"));
    const TGLArray& n = std::get<TGLArray>(c[0].Args[0]);
    std::vector<TPoint> p;
    for (int k = 2; k < 7; ++k) p.push_back(Vertices({c[k]})[0]);
    TPoint centre{0, 0, 0};
    for (const TPoint& v : p)
      for (int i = 0; i < 3; ++i) centre[size_t(i)] += v[size_t(i)] / 5;
    const double offset = n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2];
    EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1, 1e-6);
    EXPECT_GT(offset, 0.4) << "outward";
    for (size_t k = 0; k < 5; ++k) {
      const TPoint& v = p[k];
      EXPECT_NEAR(n[0] * v[0] + n[1] * v[1] + n[2] * v[2], offset, 1e-6) << "planar " << k;
      EXPECT_NEAR(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]), 0.3 * std::sqrt(3.0), 1e-6)
          << "on the circumsphere";
      const TPoint& w = p[(k + 1) % 5];
      EXPECT_NEAR(std::hypot(w[0] - v[0], w[1] - v[1], w[2] - v[2]), 0.6 / ((1 + std::sqrt(5)) / 2),
                  1e-6)
          << "edges of one length";
      for (double x : v) coordinates.push_back(float(x));
    }
  }
  // The coordinates are 0.3 phi, 0.3 / phi and 0.3 to single precision.
  std::vector<uint32_t> magnitudes;
  for (float x : coordinates)
    if (x != 0) magnitudes.push_back(std::bit_cast<uint32_t>(std::fabs(x)));
  std::sort(magnitudes.begin(), magnitudes.end());
  magnitudes.erase(std::unique(magnitudes.begin(), magnitudes.end()), magnitudes.end());
  EXPECT_EQ(magnitudes, (std::vector<uint32_t>{0x3E3DDC2C, 0x3E99999A, 0x3EF887AF}));
}

}  // namespace
