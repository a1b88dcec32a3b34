// The rendering traversal against the recording OpenGL: the order children are drawn in under
// each sorting mode, which nodes each culling mode draws, the exact calls around one node, the
// picking names, and what the record and the matrix stack look like after a drawing raises.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/Behaviours.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/GLSceneGraph/Traversal.h"
#include "engine/GLState.h"
#include "platform/gl/GLRecorder.h"

namespace {

std::vector<std::string> Log;

// A node drawn at every frame (no display list, so no context is needed) that logs its label
// and emits one point, so that its drawing shows among the recorded calls.
class TLogNode : public TGLBaseSceneObject {
  RTL_CLASS(TLogNode, TGLBaseSceneObject)
  explicit TLogNode(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {
    SetStyleFlags(osBuildEveryFrame);
  }
  void BuildList(TRenderContextInfo& rci) override {
    Log.push_back(Label);
    if (OnBuild) OnBuild(rci);
    glBegin(GL_POINTS);
    glEnd();
  }
  bool Blended() override { return IsBlended; }

  std::string Label;
  bool IsBlended = false;
  std::function<void(TRenderContextInfo&)> OnBuild;
};

TLogNode* AddNode(TGLBaseSceneObject* parent, const std::string& label,
                  TVector position = {0, 0, 0, 1}) {
  auto* node = TGLBaseSceneObject::CreateAsChild<TLogNode>(parent);
  node->Label = label;
  node->GetPosition()->SetPoint(position[0], position[1], position[2]);
  return node;
}

class TTestEffect : public TGLObjectEffect {
  RTL_CLASS(TTestEffect, TGLObjectEffect)
  explicit TTestEffect(TXCollection* AOwner)
      : TGLObjectEffect(AOwner, XCollectionItemClass<TTestEffect>()) {}
  static std::string FriendlyName() { return "Test effect"; }
};

class TraversalRecorded : public testing::Test {
 protected:
  TraversalRecorded() {
    Log.clear();
    root.Label = "root";
    rci.stateCache = &cache;
    rci.objectsSorting = osRenderBlendedLast;
    rci.visibilityCulling = vcNone;
    // The identity as modelview and projection: the visible volume is the cube -1..1.
    ExtractFrustumFromModelViewProjection(IdentityHmgMatrix, rci.clipping.frustum);
  }
  ~TraversalRecorded() override { ClearPickingNames(); }

  TGLRecorder gl;
  TGLStateCache cache;
  TLogNode root{nullptr};
  TRenderContextInfo rci;
};

// ---- Sorting

struct TChild {
  std::string Label;
  float Distance;  // along x from the camera at the origin
  bool Blended = false;
  bool Visible = true;
};

struct SortingCase {
  const char* Name;
  TGLObjectsSorting Sorting;
  std::vector<TChild> Children;
  std::vector<std::string> Expected;
};
void PrintTo(const SortingCase& c, std::ostream* out) {
  *out << c.Name;
}

class TraversalSorting : public TraversalRecorded,
                         public testing::WithParamInterface<SortingCase> {};

TEST_P(TraversalSorting, DrawsTheVisibleChildrenInTheModesOrder) {
  const SortingCase& c = GetParam();
  for (const TChild& child : c.Children) {
    TLogNode* node = AddNode(&root, child.Label, {child.Distance, 0, 0, 1});
    node->IsBlended = child.Blended;
    node->SetVisible(child.Visible);
  }
  root.SetObjectsSorting(c.Sorting);
  root.RenderChildren(0, root.Count() - 1, rci);
  EXPECT_EQ(Log, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TraversalSorting,
    testing::Values(
        SortingCase{"None", osNone, {{"a", 3}, {"b", 1, false, false}, {"c", 2}}, {"a", "c"}},
        SortingCase{"FarthestFirst",
                    osRenderFarthestFirst,
                    {{"a", 1}, {"b", 3}, {"c", 2}},
                    {"b", "c", "a"}},
        SortingCase{
            "NearestFirst", osRenderNearestFirst, {{"a", 1}, {"b", 3}, {"c", 2}}, {"a", "c", "b"}},
        // Opaque children in list order first, then the blended ones farthest first.
        SortingCase{"BlendedLast",
                    osRenderBlendedLast,
                    {{"far", 5},
                     {"blended2", 2, true},
                     {"near", 1},
                     {"blended3", 3, true},
                     {"hidden", 4, true, false}},
                    {"far", "near", "blended3", "blended2"}},
        SortingCase{"BlendedLastOneBlended",
                    osRenderBlendedLast,
                    {{"blended", 2, true}, {"opaque", 1}},
                    {"opaque", "blended"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TraversalRecorded, ARangeOfOneDrawsThatChildOnlyWhenVisibleAndAnEmptyRangeNothing) {
  for (const char* label : {"c0", "c1", "c2", "c3", "c4"}) AddNode(&root, label);
  root.RenderChildren(3, 3, rci);
  EXPECT_EQ(Log, std::vector<std::string>{"c3"});
  root.GetChild(3)->SetVisible(false);
  root.RenderChildren(3, 3, rci);
  root.RenderChildren(4, 3, rci);
  EXPECT_EQ(Log, std::vector<std::string>{"c3"});
}

TEST_F(TraversalRecorded, TheNodesModesHoldForItsChildrenAndTheRecordsComeBack) {
  TLogNode* child = AddNode(&root, "child");
  std::vector<std::pair<TGLObjectsSorting, TGLVisibilityCulling>> seen;
  child->OnBuild = [&](TRenderContextInfo& r) {
    seen.emplace_back(r.objectsSorting, r.visibilityCulling);
  };
  AddNode(&root, "second");
  root.SetObjectsSorting(osRenderFarthestFirst);
  root.SetVisibilityCulling(vcObjectBased);
  root.RenderChildren(0, 1, rci);
  // A range of one child sorts nothing, but its culling still holds.
  root.RenderChildren(0, 0, rci);
  using P = std::pair<TGLObjectsSorting, TGLVisibilityCulling>;
  EXPECT_EQ(seen, (std::vector<P>{{osRenderFarthestFirst, vcObjectBased},
                                  {osRenderBlendedLast, vcObjectBased}}));
  EXPECT_EQ(rci.objectsSorting, osRenderBlendedLast);
  EXPECT_EQ(rci.visibilityCulling, vcNone);
}

TEST_F(TraversalRecorded, ARaisingChildLeavesTheRecordsModesAndTheMatrixStackAsTheyWere) {
  TLogNode* parent = AddNode(&root, "parent");
  parent->SetObjectsSorting(osNone);
  parent->SetVisibilityCulling(vcObjectBased);
  AddNode(parent, "ok");
  AddNode(parent, "bad")->OnBuild = [](TRenderContextInfo&) { throw Exception("bad geometry"); };
  AddNode(parent, "never reached");
  root.SetObjectsSorting(osRenderNearestFirst);
  root.SetVisibilityCulling(vcHierarchical);
  root.SetStyleFlags(root.GetStyleFlags() | osNeverCulled);

  EXPECT_TRUE(Raises<Exception>([&] { root.Render(rci); }, "bad geometry"));
  EXPECT_EQ(Log, (std::vector<std::string>{"root", "parent", "ok", "bad"}));
  EXPECT_EQ(rci.objectsSorting, osRenderBlendedLast);
  EXPECT_EQ(rci.visibilityCulling, vcNone);
  EXPECT_EQ(gl.CallsOf("glPushMatrix").size(), 4u);
  EXPECT_EQ(gl.CallsOf("glPopMatrix").size(), 4u);
}

TEST_F(TraversalRecorded, AnInheritedSortingModeInTheRecordIsAnAssertionAndDrawsNothing) {
  AddNode(&root, "a");
  AddNode(&root, "b");
  rci.objectsSorting = osInherited;
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { root.RenderChildren(0, 1, rci); },
                                       testing::HasSubstr("Assertion failure")));
  EXPECT_TRUE(Log.empty());
  EXPECT_EQ(rci.objectsSorting, osInherited);
}

// ---- Culling

struct CullingCase {
  const char* Name;
  TGLVisibilityCulling Culling;
  std::vector<std::string> Expected;
};
void PrintTo(const CullingCase& c, std::ostream* out) {
  *out << c.Name;
}

class TraversalCulling : public TraversalRecorded,
                         public testing::WithParamInterface<CullingCase> {};

// The visible volume is the cube -1..1 around the origin.
TEST_P(TraversalCulling, DrawsTheNodesTheModeAccepts) {
  // Outside, with a child carried back to the origin: the subtree reaches into the volume.
  AddNode(AddNode(&root, "far", {10, 0, 0, 1}), "back", {-10, 0, 0, 1});
  // Outside with its whole subtree.
  AddNode(AddNode(&root, "lone", {0, 10, 0, 1}), "loneChild", {0, 1, 0, 1});
  AddNode(&root, "near");
  TLogNode* never = AddNode(&root, "never", {10, 0, 0, 1});
  never->SetStyleFlags(never->GetStyleFlags() | osNeverCulled);
  rci.visibilityCulling = GetParam().Culling;
  rci.objectsSorting = osNone;
  root.Render(rci);
  EXPECT_EQ(Log, GetParam().Expected);
  EXPECT_EQ(gl.CallsOf("glPushMatrix").size(), gl.CallsOf("glPopMatrix").size());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TraversalCulling,
    testing::Values(
        CullingCase{"None", vcNone, {"root", "far", "back", "lone", "loneChild", "near", "never"}},
        CullingCase{"Inherited",
                    vcInherited,
                    {"root", "far", "back", "lone", "loneChild", "near", "never"}},
        // Each node on its own bounding sphere: the children of a culled node are still visited.
        CullingCase{"ObjectBased", vcObjectBased, {"root", "back", "near", "never"}},
        // Each subtree on its box, carried to where the subtree is: "lone" goes with its child,
        // "far" is drawn for the sake of the child its box holds.
        CullingCase{"Hierarchical", vcHierarchical, {"root", "far", "back", "near", "never"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TraversalRecorded, AnUnknownCullingModeIsAnAssertionBeforeAnythingIsStacked) {
  rci.visibilityCulling = TGLVisibilityCulling(7);
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { root.Render(rci); },
                                       testing::HasSubstr("Unknown visibility culling option")));
  EXPECT_TRUE(gl.Calls().empty());
}

// ---- The calls around one node

const auto Call = [](auto... args) { return TGLCall(args...); };

TGLCall MultMatrix(const TMatrix& m) {
  TGLArray values;
  for (const TVector& row : m) values.insert(values.end(), row.begin(), row.end());
  return Call("glMultMatrixf", values);
}

const TMatrix Moved = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0.5f, 0, 0, 1}}};
const TGLCalls Drawn = {Call("glBegin", GL_POINTS), Call("glEnd")};

TGLCalls Join(std::initializer_list<TGLCalls> parts) {
  TGLCalls all;
  for (const TGLCalls& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct CallsCase {
  const char* Name;
  std::function<void(TLogNode&, TRenderContextInfo&)> Arrange;
  TGLCalls Expected;
};
void PrintTo(const CallsCase& c, std::ostream* out) {
  *out << c.Name;
}

class TraversalCalls : public TraversalRecorded, public testing::WithParamInterface<CallsCase> {};

TEST_P(TraversalCalls, ANodeStacksItsMatrixAroundItsDrawing) {
  TLogNode node(nullptr);
  node.GetPosition()->SetPoint(0.5f, 0, 0);
  cache.Enable(gsDepthTest);
  GetParam().Arrange(node, rci);
  gl.Take();
  node.Render(rci);
  EXPECT_EQ(gl.Calls(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, TraversalCalls,
    testing::Values(
        CallsCase{"Plain", [](TLogNode&, TRenderContextInfo&) {},
                  Join({{Call("glPushMatrix"), MultMatrix(Moved)}, Drawn, {Call("glPopMatrix")}})},
        CallsCase{"DepthTestOff",
                  [](TLogNode& n, TRenderContextInfo&) {
                    n.SetStyleFlags(n.GetStyleFlags() | osDepthTestOff);
                  },
                  Join({{Call("glPushMatrix"), MultMatrix(Moved), Call("glDisable", GL_DEPTH_TEST)},
                        Drawn,
                        {Call("glEnable", GL_DEPTH_TEST), Call("glPopMatrix")}})},
        // The effects' passes find nothing to draw, but the node's own drawing gets a matrix
        // of its own.
        CallsCase{"WithAnEffect",
                  [](TLogNode& n, TRenderContextInfo&) { new TTestEffect(n.GetEffects()); },
                  Join({{Call("glPushMatrix"), MultMatrix(Moved), Call("glPushMatrix"),
                         Call("glPopMatrix"), Call("glPushMatrix")},
                        Drawn,
                        {Call("glPopMatrix"), Call("glPopMatrix")}})},
        CallsCase{"WithAnEmptyEffectsCollection",
                  [](TLogNode& n, TRenderContextInfo&) { n.GetEffects(); },
                  Join({{Call("glPushMatrix"), MultMatrix(Moved)}, Drawn, {Call("glPopMatrix")}})},
        CallsCase{"Picking", [](TLogNode&, TRenderContextInfo& r) { r.drawState = dsPicking; },
                  Join({{Call("glPushMatrix"), MultMatrix(Moved), Call("glLoadName", 1)},
                        Drawn,
                        {Call("glPopMatrix")}})},
        CallsCase{"PickingUnderAProxy",
                  [](TLogNode&, TRenderContextInfo& r) {
                    r.drawState = dsPicking;
                    r.proxySubObject = true;
                  },
                  Join({{Call("glPushMatrix"), MultMatrix(Moved), Call("glPushName", 1)},
                        Drawn,
                        {Call("glPopName"), Call("glPopMatrix")}})}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TraversalRecorded, TheAxesRunBothWaysWithTheNegativeHalvesDimmed) {
  AxesBuildList(rci, 0xCCCC, 100);
  const TGLCalls axes = {
      Call("glColor3f", 0.5f, 0.0f, 0.0f),     Call("glVertex3f", 0.0f, 0.0f, 0.0f),
      Call("glVertex3f", -100.0f, 0.0f, 0.0f), Call("glColor3f", 1.0f, 0.0f, 0.0f),
      Call("glVertex3f", 0.0f, 0.0f, 0.0f),    Call("glVertex3f", 100.0f, 0.0f, 0.0f),
      Call("glColor3f", 0.0f, 0.5f, 0.0f),     Call("glVertex3f", 0.0f, 0.0f, 0.0f),
      Call("glVertex3f", 0.0f, -100.0f, 0.0f), Call("glColor3f", 0.0f, 1.0f, 0.0f),
      Call("glVertex3f", 0.0f, 0.0f, 0.0f),    Call("glVertex3f", 0.0f, 100.0f, 0.0f),
      Call("glColor3f", 0.0f, 0.0f, 0.5f),     Call("glVertex3f", 0.0f, 0.0f, 0.0f),
      Call("glVertex3f", 0.0f, 0.0f, -100.0f), Call("glColor3f", 0.0f, 0.0f, 1.0f),
      Call("glVertex3f", 0.0f, 0.0f, 0.0f),    Call("glVertex3f", 0.0f, 0.0f, 100.0f)};
  const TGLCalls start = {Call("glPushAttrib", GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_LINE_BIT),
                          Call("glDisable", GL_LIGHTING), Call("glEnable", GL_LINE_STIPPLE)};
  const TGLCalls lines = {Call("glLineWidth", 1.0f), Call("glLineStipple", 1, 0xCCCC),
                          Call("glBegin", GL_LINES)};
  const TGLCalls end = {Call("glEnd"), Call("glPopAttrib")};
  EXPECT_EQ(
      gl.Take(),
      Join({start,
            {Call("glEnable", GL_BLEND), Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)},
            lines,
            axes,
            end}));

  rci.ignoreBlendingRequests = true;
  AxesBuildList(rci, 0xCCCC, 100);
  EXPECT_EQ(gl.Take(), Join({start, lines, axes, end}));
}

// ---- Picking names

TEST_F(TraversalRecorded, PickingNamesAreSmallNumbersOfTheLastPassThatLeadBackToTheNodes) {
  rci.drawState = dsPicking;
  rci.objectsSorting = osNone;
  TLogNode* a = AddNode(&root, "a");
  TLogNode* b = AddNode(&root, "b");
  root.Render(rci);
  EXPECT_EQ(gl.CallsOf("glLoadName"),
            (TGLCalls{Call("glLoadName", 1), Call("glLoadName", 2), Call("glLoadName", 3)}));
  EXPECT_EQ(ObjectByPickingName(1), &root);
  EXPECT_EQ(ObjectByPickingName(3), b);
  EXPECT_EQ(ObjectByPickingName(0), nullptr);
  EXPECT_EQ(ObjectByPickingName(4), nullptr);

  // The next pass numbers afresh: a node gone from the tree leaves no name behind.
  delete a;
  gl.Take();
  root.Render(rci);
  EXPECT_EQ(gl.CallsOf("glLoadName"), (TGLCalls{Call("glLoadName", 1), Call("glLoadName", 2)}));
  EXPECT_EQ(ObjectByPickingName(2), b);
  EXPECT_EQ(ObjectByPickingName(3), nullptr);
}

TEST_F(TraversalRecorded, AProxysMasterDrawnAgainPushesTheNamesOfItsChildren) {
  rci.drawState = dsPicking;
  rci.objectsSorting = osNone;
  TLogNode* master = AddNode(&root, "master");
  TLogNode* masterChild = AddNode(master, "masterChild");
  auto* proxy = TGLBaseSceneObject::CreateAsChild<TGLProxyObject>(&root);
  proxy->SetMasterObject(master);
  root.Render(rci);

  EXPECT_EQ(Log,
            (std::vector<std::string>{"root", "master", "masterChild", "master", "masterChild"}));
  TGLCalls names;
  for (const TGLCall& call : gl.Calls())
    if (call.Name.find("Name") != std::string::npos) names.push_back(call);
  const GLuint childName = 3;
  EXPECT_EQ(names,
            (TGLCalls{Call("glLoadName", 1), Call("glLoadName", 2), Call("glLoadName", childName),
                      Call("glLoadName", 4), Call("glPushName", childName), Call("glPopName")}));
  EXPECT_EQ(ObjectByPickingName(childName), masterChild);
  EXPECT_EQ(ObjectByPickingName(4), proxy);
}

// ---- Materials

TEST_F(TraversalRecorded, OnlyAMaterialObjectThatAppliesItsMaterialBlends) {
  TGLSceneObject applied(nullptr);
  TGLImmaterialSceneObject immaterial(nullptr);
  for (TGLCustomSceneObject* node : {static_cast<TGLCustomSceneObject*>(&applied),
                                     static_cast<TGLCustomSceneObject*>(&immaterial)}) {
    node->SetStyleFlags(osBuildEveryFrame);
    node->GetMaterial()->SetBlendingMode(bmTransparency);
  }
  EXPECT_TRUE(applied.Blended());
  EXPECT_TRUE(immaterial.Blended()) << "blended for sorting, even when the material is not used";

  immaterial.Render(rci);
  EXPECT_TRUE(gl.CallsOf("glBlendFunc").empty());
  EXPECT_TRUE(gl.CallsOf("glMaterialfv").empty());
  applied.Render(rci);
  EXPECT_EQ(gl.CallsOf("glBlendFunc"),
            (TGLCalls{Call("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)}));

  gl.Take();
  rci.ignoreMaterials = true;
  applied.Render(rci);
  EXPECT_TRUE(gl.CallsOf("glBlendFunc").empty()) << "a picking pass draws without materials";
}

}  // namespace
