// What a dummy cube sends to OpenGL: the wireframe's state and its twelve edges, drawn only when
// visible at run time, the subtree hidden by the visibility event, and the plain drawing of a
// cube inside an amalgamating ancestor's list.
#include "tests/support/Raises.h"
//
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "engine/GLObjects/DummyCube.h"
#include "engine/GLState.h"
#include "platform/gl/GLRecorder.h"

namespace {

const auto Call = [](auto... args) { return TGLCall(args...); };

using TPoint = std::array<double, 3>;
using TEdge = std::array<TPoint, 2>;

// The segments of the line strips and line batches of a log, each with its ends in ascending
// order, sorted.
std::vector<TEdge> Segments(const TGLCalls& calls) {
  std::vector<TEdge> edges;
  GLenum mode = 0;
  std::vector<TPoint> points;
  for (const TGLCall& call : calls) {
    if (call.Name == "glBegin") {
      mode = GLenum(std::get<int64_t>(call.Args[0]));
      points.clear();
    } else if (call.Name == "glVertex3f") {
      points.push_back({std::get<double>(call.Args[0]), std::get<double>(call.Args[1]),
                        std::get<double>(call.Args[2])});
    } else if (call.Name == "glEnd") {
      const size_t step = mode == GL_LINES ? 2 : 1;
      for (size_t i = 0; i + 1 < points.size(); i += step) {
        TEdge edge{points[i], points[i + 1]};
        std::sort(edge.begin(), edge.end());
        edges.push_back(edge);
      }
    }
  }
  std::sort(edges.begin(), edges.end());
  return edges;
}

// The twelve edges of the cube from -h to h, in the same form.
std::vector<TEdge> CubeEdges(double h) {
  std::vector<TEdge> edges;
  for (int axis = 0; axis < 3; ++axis)
    for (double a : {-h, h})
      for (double b : {-h, h}) {
        TEdge edge;
        for (int end = 0; end < 2; ++end) {
          TPoint& p = edge[size_t(end)];
          p[size_t(axis)] = end == 0 ? -h : h;
          p[size_t((axis + 1) % 3)] = a;
          p[size_t((axis + 2) % 3)] = b;
        }
        edges.push_back(edge);
      }
  std::sort(edges.begin(), edges.end());
  return edges;
}

// The calls that set state, without the geometry and the state cache's material colours.
TGLCalls StateCalls(const TGLCalls& calls) {
  TGLCalls state;
  for (const TGLCall& call : calls)
    if (call.Name != "glBegin" && call.Name != "glVertex3f" && call.Name != "glEnd" &&
        call.Name.rfind("glMaterial", 0) != 0)
      state.push_back(call);
  return state;
}

class DummyCubeRecorded : public testing::Test {
 protected:
  DummyCubeRecorded() { rci.stateCache = &cache; }
  TGLRecorder gl;
  TGLStateCache cache;
  TRenderContextInfo rci;
};

TEST_F(DummyCubeRecorded, WireCubeDrawsEachEdgeOnceWithItsStateSavedAround) {
  const TColorVector colour{0.25f, 0.5f, 0.75f, 1};
  const TGLCalls before = {Call("glPushAttrib", 0x6045), Call("glDisable", GL_LIGHTING),
                           Call("glEnable", GL_LINE_SMOOTH)};
  const TGLCalls dashes = {Call("glEnable", GL_LINE_STIPPLE), Call("glEnable", GL_BLEND),
                           Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA),
                           Call("glLineStipple", 1, 0xCCCC)};
  const TGLCalls after = {Call("glLineWidth", 1.0f), Call("glColorMaterial", GL_FRONT, GL_EMISSION),
                          Call("glEnable", GL_COLOR_MATERIAL),
                          Call("glColor4f", 0.25f, 0.5f, 0.75f, 1.0f), Call("glPopAttrib")};
  for (bool dashed : {true, false}) {
    SCOPED_TRACE(dashed ? "dashed" : "solid");
    DrawWireCube(rci, dashed, colour, 3);
    const TGLCalls calls = gl.Take();
    EXPECT_EQ(Segments(calls), CubeEdges(1.5));

    TGLCalls expected = before;
    if (dashed) expected.insert(expected.end(), dashes.begin(), dashes.end());
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(StateCalls(calls), expected);

    // The material colours are reset before the colour takes over the emission.
    const auto colourMaterial =
        std::find(calls.begin(), calls.end(), Call("glColorMaterial", GL_FRONT, GL_EMISSION));
    EXPECT_NE(std::find_if(calls.begin(), colourMaterial,
                           [](const TGLCall& c) { return c.Name == "glMaterialfv"; }),
              colourMaterial);
    EXPECT_EQ(calls.back(), Call("glPopAttrib"));
  }
}

TEST_F(DummyCubeRecorded, TheWireframeIsDrawnOnlyWhenVisibleAtRunTime) {
  TGLDummyCube cube(nullptr);
  cube.SetCubeSize(2);
  cube.GetEdgeColor()->SetRGBA(1, 0, 0, 1);
  cube.BuildList(rci);
  EXPECT_TRUE(gl.Take().empty());

  cube.SetVisibleAtRunTime(true);
  cube.BuildList(rci);
  const TGLCalls calls = gl.Take();
  EXPECT_EQ(Segments(calls), CubeEdges(1));
  EXPECT_NE(std::find(calls.begin(), calls.end(), Call("glLineStipple", 1, 0xCCCC)), calls.end())
      << "dashed";
  EXPECT_NE(std::find(calls.begin(), calls.end(), Call("glColor4f", 1.0f, 0.0f, 0.0f, 1.0f)),
            calls.end())
      << "in the edge colour";
}

// A child drawn at every frame that counts its drawings.
class TCountingChild : public TGLBaseSceneObject {
  RTL_CLASS(TCountingChild, TGLBaseSceneObject)
  explicit TCountingChild(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {}
  void BuildList(TRenderContextInfo&) override { ++Builds; }
  int Builds = 0;
};

TEST_F(DummyCubeRecorded, TheVisibilityEventHidesTheWholeSubtreeForTheFrame) {
  TGLDummyCube cube(nullptr);
  cube.SetVisibleAtRunTime(true);
  auto* child = TGLBaseSceneObject::CreateAsChild<TCountingChild>(&cube);
  child->SetStyleFlags(osBuildEveryFrame);
  bool visible = false;
  TObject* sender = nullptr;
  TRenderContextInfo* asked = nullptr;
  cube.OnVisibilityDetermination = [&](TObject* s, TRenderContextInfo& r) {
    sender = s;
    asked = &r;
    return visible;
  };
  cube.DoRender(rci, true, true);
  EXPECT_EQ(sender, &cube);
  EXPECT_EQ(asked, &rci);
  EXPECT_TRUE(gl.Take().empty()) << "no wireframe, no child";
  EXPECT_EQ(child->Builds, 0);

  visible = true;
  cube.DoRender(rci, true, true);
  EXPECT_EQ(Segments(gl.Take()).size(), 12u);
  EXPECT_EQ(child->Builds, 1);
}

// Inside an ancestor's list the cube opens no list of its own; its children, display-list
// objects included, draw through BuildList.
TEST_F(DummyCubeRecorded, InsideAnAmalgamatingAncestorItDrawsPlainlyIntoTheOpenList) {
  TGLDummyCube cube(nullptr);
  cube.SetAmalgamate(true);
  auto* child = TGLBaseSceneObject::CreateAsChild<TCountingChild>(&cube);
  rci.amalgamating = true;
  cube.DoRender(rci, true, true);
  EXPECT_EQ(child->Builds, 1);
  for (const char* name : {"glNewList", "glEndList", "glCallList", "glGenLists"})
    EXPECT_TRUE(gl.CallsOf(name).empty()) << name;
  EXPECT_TRUE(rci.amalgamating) << "the ancestor's compile is still under way";
}

}  // namespace
