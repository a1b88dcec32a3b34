// The redraw when memory runs out: the failure reaches the command's message, and the window
// is left showing the primitive circle alone, never part of the plot as if it were all of it.
#include "tests/app/MainWindowFixture.h"
#include "tests/support/FailingAllocations.h"

namespace {

using RedrawMemory = MainWindowTest;

TEST_F(RedrawMemory, AnAllocationFailureEndsWithTheCircleAlone) {
  ChangeGroup(1, "West", true);
  AddJoint("J1", "120", "45");
  AddJoint("G1", "200", "30", 1);
  AddJoint("J2", "10", "80");
  const auto shown = [&] {
    std::vector<std::pair<std::string, int>> series;
    for (TChartSeries* s : Plot()) series.emplace_back(s->GetTitle(), s->Count());
    return series;
  };
  const auto whole = shown();
  ASSERT_EQ(whole.size(), 7u);
  form->hide();  // a shown widget's repaint request goes through Qt, which is not built to fail
  TChart* chart = form->VandremolixicChart;
  ForEachFailingAllocation([&] { form->DrawStereogram(); },
                           [&](long n) {
                             ASSERT_EQ(chart->SeriesCount(), 1) << n;
                             EXPECT_EQ(chart->Series(0), form->SeriesCircle.get()) << n;
                             EXPECT_EQ(form->SeriesCircle->Count(), 361) << n;
                           });
  EXPECT_EQ(shown(), whole);  // with memory again, all of it
  EXPECT_EQ(form->GetJoints().Count(), 3);
}

}  // namespace
