// A sampled axis: its range kept in order, the step kept positive, every write told to the owner,
// and the samples it gives a drawing.
#include "tests/support/Raises.h"
//
#include <vector>

#include "engine/GLGraph.h"

namespace {

// An owner that keeps the senders of the notices it hears.
class TListeningOwner : public TGLUpdateAbleObject {
 public:
  TListeningOwner() : TGLUpdateAbleObject(nullptr) {}
  void NotifyChange(TObject* Sender) override { Senders.push_back(Sender); }
  std::vector<TObject*> Senders;
};

TEST(SamplingScale, NewScaleIsOneSampleAtZero) {
  TGLSamplingScale scale(nullptr);
  EXPECT_EQ(scale.GetMin(), 0);
  EXPECT_EQ(scale.GetMax(), 0);
  EXPECT_EQ(scale.GetOrigin(), 0);
  EXPECT_EQ(scale.GetStep(), 0.1f);
  EXPECT_EQ(scale.StepBase(), 0);
  EXPECT_EQ(scale.MaxStepCount(), 0) << "Round(0.5) rounds to even";
  EXPECT_FALSE(scale.IsValid());
}

TEST(SamplingScale, EveryWriteKeepsTheRangeInOrderAndNotifies) {
  TListeningOwner owner;
  TGLSamplingScale scale(&owner);
  scale.SetMax(2);
  scale.SetMin(5);
  EXPECT_EQ(scale.GetMax(), 5) << "Max follows a Min above it";
  scale.SetMax(-1);
  EXPECT_EQ(scale.GetMin(), -1) << "Min follows a Max below it";
  scale.SetStep(-3);
  EXPECT_EQ(scale.GetStep(), 1);
  scale.SetStep(0.25f);
  scale.SetStep(0);
  EXPECT_EQ(scale.GetStep(), 1);
  scale.SetOrigin(0.5f);
  scale.SetOrigin(0.5f);
  EXPECT_FALSE(scale.IsValid()) << "Min = Max";
  EXPECT_EQ(owner.Senders, std::vector<TObject*>(8, &scale)) << "equal values too";

  scale.BeginUpdate();
  scale.SetMin(-4);
  scale.EndUpdate();
  EXPECT_EQ(owner.Senders.size(), 8u) << "none while updating";
}

TEST(SamplingScale, AssignCopiesTheFourValuesOnceAndRefusesOtherClasses) {
  TListeningOwner owner;
  TGLSamplingScale source(nullptr), target(&owner);
  source.SetMax(3);
  source.SetMin(-2);
  source.SetOrigin(0.5f);
  source.SetStep(0.25f);
  target.Assign(&source);
  EXPECT_EQ(target.GetMin(), -2);
  EXPECT_EQ(target.GetMax(), 3);
  EXPECT_EQ(target.GetOrigin(), 0.5f);
  EXPECT_EQ(target.GetStep(), 0.25f);
  EXPECT_EQ(owner.Senders.size(), 1u);

  TGLColor color(nullptr);
  EXPECT_TRUE(Raises<EConvertError>([&] { target.Assign(&color); },
                                    "Cannot assign a TGLColor to a TGLSamplingScale"));
}

TEST(SamplingScale, StepBaseIsTheFirstSampleAtOrAboveMin) {
  const struct Case {
    const char* name;
    float min, origin, step, expected;
  } cases[] = {
      {"origin on min", 0.3f, 0.3f, 0.1f, 0.3f},
      {"the 3D window's axes", -1.1f, 0, 0.1f, -1.1f},
      {"origin half a step above min", 0, 0.05f, 0.1f, 0.05f},
      {"origin two and a half steps below min", 0, -0.25f, 0.1f, 0.05f},
      {"origin far above min", -10, 7.25f, 1, -9.75f},
      // A whole number of steps below: the sample on Min itself, not the one after it.
      {"origin two steps below min", 1, 0, 0.5f, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSamplingScale scale(nullptr);
    scale.SetMax(100);
    scale.SetMin(c.min);
    scale.SetOrigin(c.origin);
    scale.SetStep(c.step);
    EXPECT_FLOAT_EQ(scale.StepBase(), c.expected);
  }
}

TEST(SamplingScale, MaxStepCountRoundsHalvesToEven) {
  const struct Case {
    float min, max, step;
    int expected;
  } cases[] = {{0, 2, 1, 2}, {0, 3, 1, 4}, {0, 2.4f, 1, 3}, {-1, 1, 0.5f, 4}, {5, 5, 1, 0}};
  for (const Case& c : cases) {
    TGLSamplingScale scale(nullptr);
    scale.SetMax(c.max);
    scale.SetMin(c.min);
    scale.SetStep(c.step);
    EXPECT_EQ(scale.MaxStepCount(), c.expected) << c.min << " .. " << c.max << " by " << c.step;
  }
}

TEST(SamplingScale, DrawingBoundsCarrySlackOrTheOriginAlone) {
  TGLSamplingScale scale(nullptr);
  scale.SetMin(-1.1f);
  scale.SetMax(1.1f);
  scale.SetOrigin(0.3f);
  float base = 0, delta = 0, limit = 0;
  scale.SetBaseStepMaxToVars(base, delta, limit, true);
  EXPECT_FLOAT_EQ(base, -1.1f);
  EXPECT_EQ(delta, 0.1f);
  EXPECT_FLOAT_EQ(limit, 1.1f + 22e-6f) << "a millionth of a step for each of the 22 steps";
  scale.SetBaseStepMaxToVars(base, delta, limit, false);
  EXPECT_EQ(base, 0.3f);
  EXPECT_EQ(delta, 0.1f);
  EXPECT_EQ(limit, 0.3f);
}

}  // namespace
