// The rendering traversal on a real Mesa context: display lists compiled once per structure
// change and closed when a build raises, culling against a frustum read back from OpenGL,
// blended objects drawn over the opaque ones, and proxies that draw their master again.
#include "tests/support/Raises.h"
//
#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/GLState.h"
#include "tests/support/SceneGL.h"

namespace {

std::vector<std::string> Log;

// A square of side 0.5 around the node's origin in one colour, drawn through the node's display
// list unless it is built at every frame. It logs every build.
template <class Base>
class TQuadOf : public Base {
 public:
  explicit TQuadOf(TComponent* AOwner) : Base(AOwner) {}
  void BuildList(TRenderContextInfo&) override {
    Log.push_back(Label);
    ++Builds;
    if (Throws) throw Exception(Label + " cannot be drawn");
    if (!UseMaterialColor) glColor3ub(Color[0], Color[1], Color[2]);
    glBegin(GL_QUADS);
    glVertex3f(-Half, -Half, 0);
    glVertex3f(Half, -Half, 0);
    glVertex3f(Half, Half, 0);
    glVertex3f(-Half, Half, 0);
    glEnd();
  }

  std::string Label;
  TRGBA Color = {255, 255, 255, 255};
  float Half = 0.25f;
  bool UseMaterialColor = false;
  bool Throws = false;
  int Builds = 0;
};
using TQuad = TQuadOf<TGLBaseSceneObject>;
using TMaterialQuad = TQuadOf<TGLCustomSceneObject>;

template <class T = TQuad>
T* AddQuad(TGLBaseSceneObject* parent, const std::string& label, float x, float y,
           TRGBA color = {255, 255, 255, 255}) {
  auto* quad = TGLBaseSceneObject::CreateAsChild<T>(parent);
  quad->Label = label;
  quad->Color = color;
  quad->GetPosition()->SetPoint(x, y, 0);
  return quad;
}

const TRGBA Black = {0, 0, 0, 255};
const TRGBA Red = {255, 0, 0, 255};
const TRGBA Green = {0, 255, 0, 255};
const TRGBA Blue = {0, 0, 255, 255};

// The view shows -2..2 on both axes, 16 pixels to the unit, through a projection that the
// frustum of the record is read back from, as the scene does it.
class TraversalLive : public SceneGLTest {
 protected:
  void SetUp() override {
    SceneGLTest::SetUp();
    Log.clear();
    root.Label = "root";
    root.Half = 0;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -2, 2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    TMatrix modelView, projection;
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView[0].data());
    glGetFloatv(GL_PROJECTION_MATRIX, projection[0].data());
    ExtractFrustumFromModelViewProjection(MatrixMultiply(modelView, projection),
                                          rci.clipping.frustum);
    rci.stateCache = &cache;
    rci.cameraPosition = {0, 0, 5, 1};
    rci.objectsSorting = osRenderBlendedLast;
    rci.visibilityCulling = vcNone;
  }
  void TearDown() override {
    // The nodes' display lists go with the context they were made in.
    root.DeleteChildren();
    root.DestroyHandle();
    SceneGLTest::TearDown();
  }

  // A fresh frame: cleared, drawn from the root, errors checked.
  void Frame() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    root.Render(rci);
    CheckOpenGLError();
  }
  // The pixel at world (x, y).
  TRGBA At(float x, float y) { return PixelAt(int((x + 2) * 16), int((y + 2) * 16)); }
  static GLint Integer(GLenum pname) {
    GLint value = 0;
    glGetIntegerv(pname, &value);
    return value;
  }

  TGLStateCache cache;
  TRenderContextInfo rci;
  TQuad root{nullptr};
};

// ---- Display lists

TEST_F(TraversalLive, ADisplayListIsCompiledOncePerStructureChange) {
  TQuad* quad = AddQuad(&root, "quad", 0, 0, Red);
  Frame();
  Frame();
  EXPECT_EQ(quad->Builds, 1);
  EXPECT_EQ(At(0, 0), Red) << "the list is played";
  const GLuint name = quad->GetHandle(rci);
  EXPECT_NE(name, 0u);
  EXPECT_EQ(quad->GetHandle(rci), name);
  EXPECT_EQ(quad->Builds, 1);

  quad->Color = Green;
  Frame();
  EXPECT_EQ(At(0, 0), Red) << "a change the node was not told of stays out of the list";
  quad->StructureChanged();
  quad->StructureChanged();
  Frame();
  Frame();
  EXPECT_EQ(quad->Builds, 2);
  EXPECT_EQ(At(0, 0), Green);
  EXPECT_EQ(quad->GetHandle(rci), name) << "compiled again under the same name";
}

TEST_F(TraversalLive, NodesBuiltEveryFrameOrAmalgamatedMakeNoListOfTheirOwn) {
  TQuad* everyFrame = AddQuad(&root, "everyFrame", -1, 0, Red);
  everyFrame->SetStyleFlags(osBuildEveryFrame);
  TQuad* listed = AddQuad(&root, "listed", 1, 0, Blue);
  Frame();
  Frame();
  EXPECT_EQ(everyFrame->Builds, 2);
  EXPECT_EQ(listed->Builds, 1);

  rci.amalgamating = true;
  Frame();
  EXPECT_EQ(everyFrame->Builds, 3);
  EXPECT_EQ(listed->Builds, 2);
  EXPECT_EQ(At(1, 0), Blue);
  EXPECT_EQ(Integer(GL_LIST_INDEX), 0);
}

TEST_F(TraversalLive, ABuildThatRaisesClosesTheListAndLeavesItToBeCompiledAgain) {
  TQuad* quad = AddQuad(&root, "quad", 0, 0, Red);
  quad->Throws = true;
  EXPECT_TRUE(Raises<Exception>([&] { Frame(); }, "quad cannot be drawn"));
  EXPECT_EQ(Integer(GL_LIST_INDEX), 0) << "no list left open";
  EXPECT_EQ(Integer(GL_MODELVIEW_STACK_DEPTH), 1);
  EXPECT_NE(quad->GetChangeFlags() & chListDirty, 0);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

  quad->Throws = false;
  Frame();
  EXPECT_EQ(quad->Builds, 2);
  EXPECT_EQ(At(0, 0), Red);
}

TEST_F(TraversalLive, TheDirectObjectsEventIsCompiledOnlyWithUseBuildListAndBlendRecompiles) {
  auto* direct = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(&root);
  int events = 0;
  direct->OnRender = [&](TObject*, TRenderContextInfo&) { ++events; };
  Frame();
  Frame();
  EXPECT_EQ(events, 2);
  direct->SetUseBuildList(true);
  Frame();
  Frame();
  EXPECT_EQ(events, 3);
  direct->SetBlend(true);
  Frame();
  Frame();
  EXPECT_EQ(events, 4);
}

// ---- Culling

// The frustum is read from the projection: x = 1.5 is inside, x = 3 outside.
TEST_F(TraversalLive, ACulledNodesChildInsideTheViewIsDrawnUnderTheNodesTransform) {
  rci.visibilityCulling = vcObjectBased;
  AddQuad(&root, "inside", 1.5f, 1.5f, Blue);
  TQuad* outside = AddQuad(&root, "outside", 3, 0, Red);
  AddQuad(outside, "child", -3, -1, Green);
  TQuad* lone = AddQuad(&root, "lone", 0, 3, Red);
  AddQuad(lone, "loneChild", 0, 1, Red);
  // Built at every frame, so that the log shows each frame's drawing.
  for (TGLBaseSceneObject* node :
       {static_cast<TGLBaseSceneObject*>(&root), root.GetChild(0), root.GetChild(1),
        root.GetChild(1)->GetChild(0), root.GetChild(2), root.GetChild(2)->GetChild(0)})
    node->SetStyleFlags(osBuildEveryFrame);
  Frame();
  EXPECT_EQ(Log, (std::vector<std::string>{"root", "inside", "child"}));
  EXPECT_EQ(At(1.5f, 1.5f), Blue);
  EXPECT_EQ(At(0, -1), Green);

  Log.clear();
  rci.visibilityCulling = vcHierarchical;
  Frame();
  EXPECT_EQ(Log, (std::vector<std::string>{"root", "inside", "outside", "child"}))
      << "a subtree wholly outside goes without a look at its children";
}

// ---- Sorting with materials

struct BlendingCase {
  const char* Name;
  TGLObjectsSorting Sorting;
  std::vector<std::string> Order;
  TRGBA Pixel;
};
void PrintTo(const BlendingCase& c, std::ostream* out) {
  *out << c.Name;
}

class TraversalBlending : public TraversalLive, public testing::WithParamInterface<BlendingCase> {};

// A half-transparent green square first in the list, an opaque red one after it, at the same
// place: drawn blended-last the green one tints the red one; drawn in list order the red one
// covers it.
TEST_P(TraversalBlending, BlendedObjectsAreDrawnOverTheOpaqueOnes) {
  auto* glass = AddQuad<TMaterialQuad>(&root, "glass", 0, 0);
  glass->GetMaterial()->SetBlendingMode(bmTransparency);
  glass->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(0, 1, 0, 0.5f);
  auto* wall = AddQuad<TMaterialQuad>(&root, "wall", 0, 0);
  wall->GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0, 0, 1);
  for (TMaterialQuad* quad : {glass, wall}) {
    quad->UseMaterialColor = true;
    quad->Half = 1;
  }
  EXPECT_TRUE(glass->Blended());
  EXPECT_FALSE(wall->Blended());

  root.SetObjectsSorting(GetParam().Sorting);
  Frame();
  std::vector<std::string> expected = {"root"};
  expected.insert(expected.end(), GetParam().Order.begin(), GetParam().Order.end());
  EXPECT_EQ(Log, expected);
  const TRGBA pixel = At(0, 0);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(pixel[i], GetParam().Pixel[i], 1) << "channel " << i;
}

INSTANTIATE_TEST_SUITE_P(Modes, TraversalBlending,
                         testing::Values(BlendingCase{"BlendedLast",
                                                      osRenderBlendedLast,
                                                      {"wall", "glass"},
                                                      {128, 128, 0, 255}},
                                         BlendingCase{"ListOrder", osNone, {"glass", "wall"}, Red}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- Proxies

TEST_F(TraversalLive, AProxyUnderItsOwnMasterDrawsTheMasterOnceMoreAndNoMore) {
  TQuad* master = AddQuad(&root, "master", -1, 0, Red);
  master->SetStyleFlags(osBuildEveryFrame);
  auto* proxy = TGLBaseSceneObject::CreateAsChild<TGLProxyObject>(master);
  proxy->GetPosition()->SetPoint(2, 0, 0);
  proxy->SetMasterObject(master);
  Frame();
  EXPECT_EQ(Log, (std::vector<std::string>{"root", "master", "master"}));
  EXPECT_EQ(At(-1, 0), Red);
  // At the proxy's place (1, 0) with the master's own move (-1, 0) on top.
  EXPECT_EQ(At(0, 0), Red);
  EXPECT_EQ(At(1, 0), Black);
  EXPECT_EQ(Integer(GL_MODELVIEW_STACK_DEPTH), 1);
}

TEST_F(TraversalLive, AProxysOwnChildrenArePlacedInTheProxysFrame) {
  TQuad* master = AddQuad(&root, "master", -1, 0, Red);
  auto* proxy = TGLBaseSceneObject::CreateAsChild<TGLProxyObject>(&root);
  proxy->GetPosition()->SetPoint(1, 0, 0);
  proxy->SetMasterObject(master);
  TQuad* child = AddQuad(proxy, "child", 0, 1, Green);
  Frame();
  EXPECT_EQ(At(0, 0), Red) << "the master with its own move, at the proxy's place";
  EXPECT_EQ(child->AbsolutePosition(), (TVector{1, 1, 0, 1}));
  EXPECT_EQ(At(1, 1), Green) << "where the child's absolute matrix puts it";
  EXPECT_EQ(At(0, 1), Black);

  proxy->SetProxyOptions(pooObjects);
  Frame();
  EXPECT_EQ(At(1, 0), Red) << "without the master's move";
  EXPECT_EQ(At(1, 1), Green);
}

TEST_F(TraversalLive, AProxyDrawsAgainAfterItsMasterRaised) {
  // Hidden, the master is drawn only through the proxy.
  TQuad* master = AddQuad(&root, "master", -1, 0, Red);
  master->SetVisible(false);
  master->Throws = true;
  auto* proxy = TGLBaseSceneObject::CreateAsChild<TGLProxyObject>(&root);
  proxy->GetPosition()->SetPoint(2, 0, 0);
  proxy->SetMasterObject(master);
  EXPECT_TRUE(Raises<Exception>([&] { Frame(); }, "master cannot be drawn"));
  EXPECT_FALSE(rci.proxySubObject);
  EXPECT_EQ(Integer(GL_MODELVIEW_STACK_DEPTH), 1);

  master->Throws = false;
  Frame();
  EXPECT_EQ(At(1, 0), Red) << "the proxy is not left thinking it is still drawing";
  EXPECT_EQ(At(-1, 0), Black);
}

// ---- Camera-invariant objects, through a whole frame of a scene buffer

using TInvariantQuad = TQuadOf<TGLCameraInvariantObject>;

// The camera at the origin looks along -Z, its near plane some 6 units off at this size; the
// buffer draws without lighting or face culling,
// so that the squares show in their own colours from either side.
class TraversalFrames : public SceneGLUnitsTest {
 protected:
  void SetUp() override {
    SceneGLUnitsTest::SetUp();
    Log.clear();
    buffer = std::make_unique<TGLSceneBuffer>(nullptr);
    buffer->SetBackgroundColor(clBlack);
    buffer->SetLighting(false);
    buffer->SetFaceCulling(false);
    buffer->SetViewPort(0, 0, 64, 64);
    buffer->CreateRC(nullptr, true);
    buffer->SetCamera(camera);
    // Moved about by the tests; the invariant square hangs below it.
    parent = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(scene.GetObjects());
    quad = AddQuad<TInvariantQuad>(parent, "invariant", 0, 0, Green);
    quad->SetStyleFlags(osBuildEveryFrame);
  }
  void TearDown() override {
    buffer.reset();
    SceneGLUnitsTest::TearDown();
  }
  QImage Frame() {
    buffer->Render();
    return ReadContextPixels(*buffer->GetRenderingContext(), 64, 64);
  }
  void TurnCameraToX() {
    TGLCoordinates east(nullptr, {1, 0, 0, 0}, ckVector);
    camera->SetDirection(&east);
  }
  static int GreenPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == Qt::green;
    return count;
  }

  TGLSceneGraph scene{nullptr};
  TGLCamera* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(scene.GetCameras());
  std::unique_ptr<TGLSceneBuffer> buffer;
  TGLBaseSceneObject* parent = nullptr;
  TInvariantQuad* quad = nullptr;
};

TEST_F(TraversalFrames, APositionInvariantObjectFollowsTheEyeAndIgnoresItsParent) {
  quad->SetCamInvarianceMode(cimPosition);
  quad->GetPosition()->SetPoint(0.5f, 0, -10);
  const QImage first = Frame();
  ASSERT_GT(GreenPixels(first), 0) << "the square is in view";

  camera->GetPosition()->SetPoint(4, -2, 7);
  parent->GetPosition()->SetPoint(5, 5, 5);
  EXPECT_EQ(Frame(), first);

  TurnCameraToX();
  EXPECT_EQ(GreenPixels(Frame()), 0) << "the eye turned away: the square keeps its world axes";
}

TEST_F(TraversalFrames, AnOrientationInvariantObjectKeepsItsPlaceOnScreen) {
  quad->SetCamInvarianceMode(cimOrientation);
  // Drawn with Y and Z flipped: 10 units in front of the eye and below the centre.
  quad->GetPosition()->SetPoint(0, 0.25f, 10);
  const QImage first = Frame();
  ASSERT_GT(GreenPixels(first), 0);
  EXPECT_EQ(first.pixelColor(32, 40), Qt::green) << "below the centre, top row first";
  EXPECT_NE(first.pixelColor(32, 24), Qt::green);

  camera->GetPosition()->SetPoint(4, -2, 7);
  TurnCameraToX();
  EXPECT_EQ(Frame(), first);
}

TEST_F(TraversalFrames, AnInvariantObjectThatRaisesLeavesTheBuffersMatricesBalanced) {
  quad->SetCamInvarianceMode(cimPosition);
  quad->GetPosition()->SetPoint(0, 0, -10);
  quad->Throws = true;
  EXPECT_TRUE(Raises<Exception>([&] { buffer->Render(); }, "invariant cannot be drawn"));
  EXPECT_TRUE(Raises<EAssertionFailed>([&] { buffer->PopModelViewMatrix(); },
                                       testing::HasSubstr("Unbalanced PopModelViewMatrix")))
      << "the matrix the object pushed is gone";

  quad->Throws = false;
  EXPECT_GT(GreenPixels(Frame()), 0) << "the next frame draws";
}

// The x axis of a node 10 units ahead, a tenth of its size: as long as the camera's depth of
// view, it runs off both sides of the view at 100 and stops short of them at 5.
TEST_F(TraversalFrames, TheAxesAreAsLongAsTheCamerasDepthOfView) {
  quad->Half = 0;
  quad->GetPosition()->SetPoint(0, 0, -10);
  TGLCoordinates tenth(nullptr, {0.1f, 0.1f, 0.1f, 0}, ckVector);
  quad->SetScale(&tenth);
  quad->SetShowAxes(true);
  // The columns of the frame's middle rows holding the colour.
  const auto columns = [&](const QImage& image, QColor colour) {
    std::vector<int> found;
    for (int x = 0; x < image.width(); ++x)
      for (int y = 30; y < 34; ++y)
        if (image.pixelColor(x, y) == colour) {
          found.push_back(x);
          break;
        }
    return found;
  };
  const QColor positive(255, 0, 0), negative(128, 0, 0);

  QImage frame = Frame();
  std::vector<int> right = columns(frame, positive), left = columns(frame, negative);
  ASSERT_FALSE(right.empty());
  ASSERT_FALSE(left.empty());
  EXPECT_GE(right.back(), 60);
  EXPECT_LE(left.front(), 3) << "the negative half, dimmed";

  camera->SetDepthOfView(5);
  frame = Frame();
  right = columns(frame, positive);
  left = columns(frame, negative);
  ASSERT_FALSE(right.empty());
  ASSERT_FALSE(left.empty());
  EXPECT_LT(right.back(), 56);
  EXPECT_GT(left.front(), 8);
}

}  // namespace
