// A dummy cube in whole frames on a real Mesa driver, which raises on an OpenGL error: its
// subtree amalgamated into one display list, compiled once and replayed, compiled again only
// after the cube's own change (an Assign too) or a compile that raised, with children that keep
// display lists of their own drawn into it, and keeping its colours whatever the object drawn
// before it leaves; and a subtree hidden by the visibility event.
#include "tests/support/Raises.h"
//
#include "engine/GLObjects/Cube.h"
#include "engine/GLObjects/DummyCube.h"
#include "tests/engine/scene/TopViewFrame.h"

namespace {

// 64 pixels across -1 .. 1: 32 to the unit.
constexpr int cSize = 64;
const QColor cWhite(255, 255, 255), cRed(255, 0, 0), cBlue(0, 0, 255);

// A red cube kept in a display list of its own, as most objects are, counting its builds; it
// raises while Fail is set.
class TListCube : public TGLCube {
  RTL_CLASS(TListCube, TGLCube)
  explicit TListCube(TComponent* AOwner) : TGLCube(AOwner) {
    SetStyleFlags(GetStyleFlags() & ~osBuildEveryFrame);
    GetMaterial()->GetFrontProperties()->GetDiffuse()->SetRGBA(1, 0, 0, 1);
    GetMaterial()->SetMaterialOptions(moNoLighting);
  }
  void BuildList(TRenderContextInfo& rci) override {
    ++Builds;
    if (Fail) throw Exception("bad geometry");
    TGLCube::BuildList(rci);
  }
  bool HasOwnList() const { return ListHandle() != nullptr && ListHandle()->GetHandle() != 0; }
  int Builds = 0;
  bool Fail = false;
};

class DummyCubeLive : public TopViewFrameTest {
 protected:
  void SetUp() override {
    TopViewFrameTest::SetUp();
    StartFrames(cSize, 1);
    Group->SetAmalgamate(true);
  }

  TGLDummyCube* Group = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene.GetObjects());
  TListCube* Child = TGLBaseSceneObject::CreateAsChild<TListCube>(Group);
};

// Red across x from Left to Right pixels on the middle row, white beyond.
testing::AssertionResult RedRow(const QImage& frame, int left, int right) {
  for (int x = 0; x < frame.width(); ++x) {
    const QColor expected = x >= left && x < right ? cRed : cWhite;
    if (frame.pixelColor(x, cSize / 2) != expected)
      return testing::AssertionFailure()
             << "x " << x << " is " << frame.pixelColor(x, cSize / 2).name().toStdString();
  }
  return testing::AssertionSuccess();
}

TEST_F(DummyCubeLive, TheSubtreeIsCompiledOnceAndReplayedUntilTheCubeItselfChanges) {
  // The child's own display list is still to be made: it is drawn into the group's list instead,
  // where opening a list of its own would fail.
  QImage frame;
  ASSERT_NO_THROW(frame = Frame());
  EXPECT_TRUE(RedRow(frame, 16, 48));
  EXPECT_EQ(Child->Builds, 1);
  EXPECT_FALSE(Child->HasOwnList());

  EXPECT_TRUE(RedRow(Frame(), 16, 48)) << "replayed";
  EXPECT_EQ(Child->Builds, 1);

  Child->SetCubeWidth(1.5f);
  EXPECT_TRUE(RedRow(Frame(), 16, 48)) << "a change of the child alone is not compiled";
  EXPECT_EQ(Child->Builds, 1);

  Group->SetCubeSize(2);
  EXPECT_TRUE(RedRow(Frame(), 8, 56)) << "the group's own change compiles the subtree again";
  EXPECT_EQ(Child->Builds, 2);
  EXPECT_FALSE(Child->HasOwnList());

  Group->SetAmalgamate(false);
  EXPECT_TRUE(RedRow(Frame(), 8, 56));
  EXPECT_TRUE(Child->HasOwnList()) << "without amalgamation the child uses its own list";
  Group->SetAmalgamate(true);
  EXPECT_TRUE(RedRow(Frame(), 8, 56));
  EXPECT_EQ(Child->Builds, 4) << "its own list, then the group's again";
}

// Lit and coloured by its emission alone, so that its colour goes through the state cache.
void Glow(TGLCube& cube, float r, float g, float b) {
  cube.GetMaterial()->SetMaterialOptions(0);
  TGLFaceProperties* front = cube.GetMaterial()->GetFrontProperties();
  front->GetEmission()->SetRGBA(r, g, b, 1);
  front->GetAmbient()->SetRGBA(0, 0, 0, 1);
  front->GetDiffuse()->SetRGBA(0, 0, 0, 1);
}

TEST_F(DummyCubeLive, TheListCarriesItsChildrensColoursWhateverTheObjectBeforeLeft) {
  // Drawn just before the group, left of it, at first in the child's red: the state cache then
  // believes the child's colours are already set while the list is compiled.
  auto* before = TGLBaseSceneObject::CreateAsChild<TGLCube>(Scene.GetObjects());
  before->MoveToIndex(0);
  before->SetCubeWidth(0.5f);
  before->GetPosition()->SetPoint(-0.75f, 0, 0);
  Glow(*before, 1, 0, 0);
  Glow(*Child, 1, 0, 0);
  EXPECT_TRUE(RedRow(Frame(), 0, 48));

  Glow(*before, 0, 0, 1);
  const QImage frame = Frame();
  EXPECT_EQ(frame.pixelColor(8, cSize / 2), cBlue);
  EXPECT_EQ(frame.pixelColor(32, cSize / 2), cRed) << "the replayed child keeps its own colour";
  EXPECT_EQ(Child->Builds, 1) << "replayed";
}

TEST_F(DummyCubeLive, AssignIsAChangeOfTheCubesOwnThatCompilesTheListAgain) {
  EXPECT_TRUE(RedRow(Frame(), 16, 48));
  TGLDummyCube source(nullptr);
  source.SetCubeSize(2);
  TGLBaseSceneObject::CreateAsChild<TListCube>(&source)->GetPosition()->SetPoint(0.5f, 0, 0);
  Group->Assign(&source);
  ASSERT_TRUE(Group->GetAmalgamate());
  EXPECT_TRUE(RedRow(Frame(), 32, 64)) << "the copied child, not the list of the one before";
}

TEST_F(DummyCubeLive, ANestedAmalgamatingCubeDrawsIntoTheOuterList) {
  auto* inner = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Group);
  inner->SetAmalgamate(true);
  Child->MoveTo(inner);
  Child->GetPosition()->SetPoint(0.5f, 0, 0);
  ASSERT_NO_THROW(EXPECT_TRUE(RedRow(Frame(), 32, 64)));
  EXPECT_TRUE(RedRow(Frame(), 32, 64));
  EXPECT_EQ(Child->Builds, 1);
}

TEST_F(DummyCubeLive, ACompileThatRaisesIsCompiledAgainAtTheNextFrame) {
  Child->Fail = true;
  EXPECT_TRUE(Raises<Exception>([&] { Frame(); }, "bad geometry"));
  EXPECT_EQ(CurrentGLContext(), nullptr);
  Child->Fail = false;
  QImage frame;
  ASSERT_NO_THROW(frame = Frame()) << "the list was closed";
  EXPECT_TRUE(RedRow(frame, 16, 48));
  EXPECT_EQ(Child->Builds, 2);
  EXPECT_TRUE(RedRow(Frame(), 16, 48));
  EXPECT_EQ(Child->Builds, 2);
}

TEST_F(DummyCubeLive, TheVisibilityEventHidesTheSubtreeFrameByFrame) {
  bool visible = false;
  Group->OnVisibilityDetermination = [&](TObject*, TRenderContextInfo&) { return visible; };
  EXPECT_TRUE(RedRow(Frame(), 0, 0));
  EXPECT_EQ(Child->Builds, 0);
  visible = true;
  EXPECT_TRUE(RedRow(Frame(), 16, 48));
}

}  // namespace
