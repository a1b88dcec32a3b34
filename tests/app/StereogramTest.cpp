// The net rebuilt from the lists: which series exist, how they are set up and ordered, the View
// options, and the net staying round whatever the window's size.
#include <QDir>
#include <QFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "tests/app/MainWindowFixture.h"

namespace {

using Stereogram = MainWindowTest;

TLineSeries* AsLine(TChartSeries* s) {
  return dynamic_cast<TLineSeries*>(s);
}
TPointSeries* AsPoints(TChartSeries* s) {
  return dynamic_cast<TPointSeries*>(s);
}

// The bounding box of the dark pixels of the net's rim, found along the centre row and column.
QRect RimExtent(const QImage& image) {
  int left = image.width(), right = -1, top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 100) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

// A coordinate as the series holds it: the shortest text that reads back as the same float
// in single precision, or the same double otherwise.
std::string Stored(const TChartSeries& s, double value) {
  char text[32];
  const auto end = s.GetSinglePrecision() ? std::to_chars(text, text + sizeof text, float(value))
                                          : std::to_chars(text, text + sizeof text, value);
  return std::string(text, end.ptr);
}

// What the window shows: its list lines, the legend option and every series of the chart with
// its settings, its labels and colours where they change, and its points (with `allPoints`
// false, the count and the first).
std::string Shown(const TfrmMain& form, bool allPoints) {
  std::ostringstream out;
  out.precision(12);
  for (int i = 0; i < form.lboJoints->count(); ++i)
    out << "joint " << form.lboJoints->item(i)->text().toStdString() << "\n";
  for (int i = 0; i < form.lboGroups->count(); ++i)
    out << "group " << form.lboGroups->item(i)->text().toStdString() << "\n";
  for (int i = 0; i < form.cmbGroups->count(); ++i)
    out << "chooser " << form.cmbGroups->itemText(i).toStdString() << "\n";
  const TChart& chart = *form.VandremolixicChart;
  out << "legend " << chart.Legend().GetVisible() << "\n";
  for (int i = 0; i < chart.SeriesCount(); ++i) {
    const TChartSeries* s = chart.Series(i);
    out << "series " << s->GetSeriesColor() << " " << s->GetActive() << " " << s->GetShowInLegend()
        << " " << s->GetXValuesOrder() << s->GetYValuesOrder() << " ";
    if (auto* line = dynamic_cast<const TLineSeries*>(s))
      out << "line " << line->GetLinePenWidth();
    else if (auto* points = dynamic_cast<const TPointSeries*>(s))
      out << "points " << points->GetPointerStyle() << points->GetMarksVisible()
          << points->GetMarksTransparent() << points->GetMarksStyle()
          << points->GetMarksFrameVisible();
    out << " " << s->Count() << " " << s->GetTitle() << "\n";
    for (int k = 0; k < s->Count(); ++k) {
      const TChartValue v = s->Values(k);
      if (k == 0 || v.Label != s->Values(k - 1).Label || v.Color != s->Values(k - 1).Color)
        out << "  mark " << v.Color << " [" << v.Label << "]\n";
      if (allPoints || k == 0) out << "  " << Stored(*s, v.X) << " " << Stored(*s, v.Y) << "\n";
    }
  }
  return out.str();
}

// Numbers agree to a millionth of the net's radius, far below a pixel (rounding shows most at
// the arcs' ends on the rim); all other words exactly.
bool SameWords(const std::string& expected, const std::string& actual) {
  std::istringstream a(expected), b(actual);
  std::string x, y;
  while (true) {
    const bool moreA = static_cast<bool>(a >> x), moreB = static_cast<bool>(b >> y);
    if (moreA != moreB) return false;
    if (!moreA) return true;
    if (x == y) continue;
    size_t endX = 0, endY = 0;
    try {
      const double dx = std::stod(x, &endX), dy = std::stod(y, &endY);
      if (endX != x.size() || endY != y.size() || !(std::fabs(dx - dy) <= 1e-6)) return false;
    } catch (const std::exception&) {
      return false;
    }
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The first few lines where the window differs from the golden file, each with its line number
// and the series it falls in; empty when they agree.
std::string Differences(const std::string& expected, const std::string& actual) {
  const std::vector<std::string> e = Lines(expected), a = Lines(actual);
  constexpr int cShown = 5;
  std::ostringstream out;
  int differing = 0;
  std::string series;
  for (size_t i = 0; i < std::max(e.size(), a.size()); ++i) {
    const std::string x = i < e.size() ? e[i] : "(no line)", y = i < a.size() ? a[i] : "(no line)";
    if (x.starts_with("series ")) series = x;
    if (SameWords(x, y)) continue;
    if (++differing > cShown) continue;
    out << "line " << i + 1 << (series.empty() ? "" : ", in " + series) << ":\n  golden: " << x
        << "\n  shown:  " << y << "\n";
  }
  if (differing > cShown) out << "and " << differing - cShown << " more differing lines\n";
  return out.str();
}

}  // namespace

// A data set of every kind of item (single, grouped, in an inactive group, in a group whose
// normals cancel, empty caption, horizontal, vertical, dips past 90, azimuths outside 0..360),
// opened and then redrawn under other View options, shows what the golden file recorded.
TEST_F(Stereogram, OpenedDataSetShowsWhatWasRecorded) {
  dialogs->AnswerFile(TEST_DATA_DIR "/mixed-joints.txt");
  form->mnuOpen->trigger();
  std::string shown = Shown(*form, true);
  form->mnuClosedArcs->trigger();
  form->mnuShowCaptions->trigger();
  form->mnuValuesOnCaptions->trigger();
  form->mnuDrawPoles->trigger();
  form->mnuShowLegent->trigger();
  shown += "---\n" + Shown(*form, false);
  ASSERT_TRUE(dialogs->Messages.empty()) << dialogs->Messages[0].Text;

  QFile golden(TEST_DATA_DIR "/mixed-joints-net.txt");
  ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
  const std::string differences = Differences(golden.readAll().toStdString(), shown);
  if (!differences.empty()) {
    const QString path = QDir::temp().filePath("mixed-joints-net.actual.txt");
    QFile actual(path);
    if (actual.open(QIODevice::WriteOnly)) actual.write(shown.data(), qint64(shown.size()));
    ADD_FAILURE() << "the window differs from the golden file (all it shows is in "
                  << path.toStdString() << "):\n"
                  << differences;
  }
}

TEST_F(Stereogram, SeriesForSingleAndGroupedJointsAndActiveGroups) {
  ChangeGroup(2, "West", true, clRed);
  ChangeGroup(5, "Idle", false);
  AddJoint("J1", "120", "45.5");
  AddJoint("G1", "200", "30", 2);
  AddJoint("J2", "10", "80");
  AddJoint("G2", "220", "40", 2);
  AddJoint("G3", "90", "10", 5);  // member of an inactive group: pole only, no mean drawn

  const auto plot = Plot();
  // Joints in list order (an arc for each single one, a pole for every one), then the group.
  const struct {
    bool Line;
    const char* Title;
  } expected[] = {{true, "J1 Azim.=120 Dip=45.5"},
                  {false, "J1"},
                  {false, "G1"},
                  {true, "J2 Azim.=10 Dip=80"},
                  {false, "J2"},
                  {false, "G2"},
                  {false, "G3"},
                  {true, "West Azim.="},
                  {false, "West"}};
  ASSERT_EQ(plot.size(), std::size(expected));
  for (size_t i = 0; i < plot.size(); ++i) {
    EXPECT_EQ(AsLine(plot[i]) != nullptr, expected[i].Line) << i;
    EXPECT_EQ(plot[i]->GetTitle().rfind(expected[i].Title, 0), 0u) << plot[i]->GetTitle();
  }
  for (TChartSeries* s : plot) {
    if (TLineSeries* arc = AsLine(s)) {
      EXPECT_EQ(arc->Count(), 362);  // "Closed arcs" is ticked at start-up
      EXPECT_TRUE(arc->GetShowInLegend());
      EXPECT_EQ(arc->GetXValuesOrder(), loNone);
      EXPECT_EQ(arc->Values(10).Label, arc->GetTitle());
    } else {
      TPointSeries* pole = AsPoints(s);
      EXPECT_EQ(pole->Count(), 1);
      EXPECT_FALSE(pole->GetShowInLegend());
      EXPECT_TRUE(pole->GetMarksVisible());
      EXPECT_EQ(pole->GetMarksStyle(), smsLabel);
      EXPECT_FALSE(pole->GetMarksFrameVisible());
      EXPECT_EQ(pole->GetPointerStyle(), pole->GetTitle() == "West" ? psStar : psCross);
      EXPECT_EQ(pole->Values(0).Label, pole->GetTitle());
    }
  }
  EXPECT_EQ(plot[7]->GetSeriesColor(), clRed);
  EXPECT_EQ(plot[7]->Values(0).Color, clRed);
  EXPECT_EQ(plot[0]->GetSeriesColor(), clNavy);  // the joint swatch's colour
  EXPECT_EQ(plot[7]->GetTitle(), "West Azim.=" + FormatFloat("#.##", form->GetGroups()[2]->Beta) +
                                     " Dip=" + FormatFloat("#.##", form->GetGroups()[2]->Psi));
  // The legend lists the single joints, then the active groups.
  std::vector<std::string> legend;
  for (TChartSeries* s : plot)
    if (s->GetShowInLegend()) legend.push_back(s->GetTitle().substr(0, s->GetTitle().find(' ')));
  EXPECT_EQ(legend, (std::vector<std::string>{"J1", "J2", "West"}));
  EXPECT_FALSE(form->VandremolixicChart->Legend().GetVisible());
}

TEST_F(Stereogram, GroupMeansFollowTheirMembersOnly) {
  AddJoint("a", "10", "30", 3);
  AddJoint("b", "20", "40", 3);
  AddJoint("single", "200", "70");  // not a member
  AddJoint("unticked", "300", "10");
  form->lboJoints->setCurrentRow(3);  // GroupIndex 3 kept, but not in the group
  form->cmbGroups->setCurrentIndex(3);
  Click(form->btnJointChange);
  const TGroup* group = form->GetGroups()[3];
  EXPECT_GT(group->Beta, 15);
  EXPECT_LT(group->Beta, 20);
  EXPECT_NEAR(group->Psi, 35, 0.5);
  EXPECT_FALSE(group->Active);  // computed all the same
  EXPECT_EQ(form->GetGroups()[4]->Psi, 0);
}

TEST_F(Stereogram, GroupWhoseNormalsCancelDrawsNoMean) {
  ChangeGroup(1, "Cancel", true);
  AddJoint("east", "90", "90", 1);  // one vertical plane, dipping either way
  AddJoint("west", "270", "90", 1);
  EXPECT_TRUE(std::isnan(form->GetGroups()[1]->Psi));
  const auto plot = Plot();
  ASSERT_EQ(plot.size(), 2u);  // the two members' poles only
  for (TChartSeries* s : plot) EXPECT_NE(AsPoints(s), nullptr);
  const QImage image = RenderChart();  // and painting copes
  EXPECT_GT(RimExtent(image).width(), 300);
}

TEST_F(Stereogram, GroupMeansTakeEveryMemberAsThePlaneItDescribes) {
  ChangeGroup(1, "Same", true);
  AddJoint("a", "0", "45", 1);
  AddJoint("b", "180", "135", 1);  // the same plane as a
  EXPECT_NEAR(form->GetGroups()[1]->Beta, 0, 1e-9);
  EXPECT_NEAR(form->GetGroups()[1]->Psi, 45, 1e-9);
}

TEST_F(Stereogram, ViewOptions) {
  AddJoint("J1", "120", "45.5");
  form->mnuDrawArcs->trigger();
  EXPECT_FALSE(Plot()[0]->GetActive());
  AddJoint("J2", "30", "20");  // a later add draws its arc hidden too
  for (TChartSeries* s : Plot()) EXPECT_EQ(s->GetActive(), AsLine(s) == nullptr);
  form->mnuDrawPoles->trigger();
  for (TChartSeries* s : Plot()) EXPECT_FALSE(s->GetActive());
  form->mnuDrawArcs->trigger();
  form->mnuDrawPoles->trigger();
  for (TChartSeries* s : Plot()) EXPECT_TRUE(s->GetActive());

  form->mnuShowLegent->trigger();
  EXPECT_TRUE(form->VandremolixicChart->Legend().GetVisible());
  form->mnuClosedArcs->trigger();
  EXPECT_EQ(Plot()[0]->Count(), 361);
  form->mnuValuesOnCaptions->trigger();
  EXPECT_EQ(Plot()[0]->GetTitle(), "J1");
  form->mnuShowCaptions->trigger();
  EXPECT_EQ(Plot()[1]->Values(0).Label, " ");
  EXPECT_TRUE(form->VandremolixicChart->Legend().GetVisible());  // redraws keep the legend option
}

TEST_F(Stereogram, EmptyCaptionGivesABlankPoleLabel) {
  AddJoint("", "0", "0");
  EXPECT_EQ(Plot()[1]->Values(0).Label, " ");
  EXPECT_NEAR(Plot()[1]->Values(0).X, 0, 1e-12);
}

TEST_F(Stereogram, ResizingWidensTheLongerSide) {
  TChart* chart = form->VandremolixicChart;
  const double K = 378.0 / 352.0;
  const struct {
    QSize Client;
    bool Taller;
  } sizes[] = {{{713, 390}, false},  {{713, 690}, true}, {{1013, 390}, false},
               {{1013, 690}, false}, {{913, 790}, true}, {{1313, 690}, false}};
  for (const auto& s : sizes) {
    ASSERT_TRUE(ResizeClientTo(s.Client));
    const double W = chart->width(), H = chart->height();
    const double wide = s.Taller ? 1.05 : 1.05 * K * W / H;
    const double tall = s.Taller ? 1.05 * H / (K * W) : 1.05;
    EXPECT_NEAR(chart->BottomAxis().GetMaximum(), wide, 1e-12) << W << "x" << H;
    EXPECT_NEAR(chart->BottomAxis().GetMinimum(), -wide, 1e-12);
    EXPECT_NEAR(chart->LeftAxis().GetMaximum(), tall, 1e-12) << W << "x" << H;
    EXPECT_NEAR(chart->LeftAxis().GetMinimum(), -tall, 1e-12);
  }
}

TEST_F(Stereogram, TheNetIsRoundAtEverySize) {
  for (QSize client : {QSize(713, 390), QSize(713, 800), QSize(1200, 420), QSize(900, 600)}) {
    ASSERT_TRUE(ResizeClientTo(client));
    const QRect rim = RimExtent(RenderChart());
    EXPECT_LE(std::abs(rim.width() - rim.height()), 1) << client.width() << "x" << client.height();
    EXPECT_GT(rim.width(), 300);
  }
}

TEST_F(Stereogram, ZeroSizedChartIsHarmless) {
  form->FormResize();
  const double before = form->VandremolixicChart->LeftAxis().GetMaximum();
  form->VandremolixicChart->resize(0, 0);
  EXPECT_EQ(form->VandremolixicChart->LeftAxis().GetMaximum(), before);
  EXPECT_TRUE(std::isfinite(form->VandremolixicChart->BottomAxis().GetMaximum()));
}
