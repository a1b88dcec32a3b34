// The point cloud and its point parameters without OpenGL: setters and what they rebuild, the
// static cloud's display list, copies, what a frame draws from (positions and colours), and the
// parameters' sizes in a layout as one binary value.
#include "tests/support/Raises.h"
//
#include <functional>
#include <string>

#include "engine/GLObjects.h"
#include "engine/GLObjects/Points.h"
#include "platform/rtl/Classes.h"
#include "tests/engine/scene/QuadricChecks.h"

namespace {

using namespace quadric_checks;

TEST(Points, NewCloudIsEmptySquareAndSentAtEveryFrame) {
  TGLPoints points(nullptr);
  EXPECT_EQ(points.GetPositions()->Count(), 0);
  EXPECT_EQ(points.GetColors()->Count(), 0);
  EXPECT_EQ(points.GetSize(), 1);
  EXPECT_EQ(points.GetStyle(), psSquare);
  EXPECT_FALSE(points.GetNoZWrite());
  EXPECT_FALSE(points.GetStatic());
  EXPECT_EQ(points.GetStyleFlags() & (osBuildEveryFrame | osNeverCulled),
            osBuildEveryFrame | osNeverCulled);
  const TGLPointParameters& parameters = *points.GetPointParameters();
  EXPECT_FALSE(parameters.GetEnabled());
  EXPECT_EQ(parameters.GetMinSize(), 0);
  EXPECT_EQ(parameters.GetMaxSize(), 128);
  EXPECT_EQ(parameters.GetFadeTresholdSize(), 1);
  EXPECT_EQ(parameters.GetDistanceAttenuation()->GetAsVector(), (TVector{1, 0, 0, 0}));
  EXPECT_EQ(parameters.GetDistanceAttenuation()->GetKind(), ckVector);
}

TEST(Points, SettersRebuildOnlyOnAChange) {
  struct Case {
    const char* name;
    std::function<void(TGLPoints&)> set;
    std::function<double(const TGLPoints&)> get;
    double expected;
    bool rebuilds;
  } cases[] = {
      {"size", [](TGLPoints& p) { p.SetSize(4); }, &TGLPoints::GetSize, 4, true},
      {"size unchanged", [](TGLPoints& p) { p.SetSize(1); }, &TGLPoints::GetSize, 1, false},
      {"style", [](TGLPoints& p) { p.SetStyle(psRound); }, &TGLPoints::GetStyle, psRound, true},
      {"style unchanged", [](TGLPoints& p) { p.SetStyle(psSquare); }, &TGLPoints::GetStyle,
       psSquare, false},
      {"no z write", [](TGLPoints& p) { p.SetNoZWrite(true); }, &TGLPoints::GetNoZWrite, 1, true},
      {"no z write unchanged", [](TGLPoints& p) { p.SetNoZWrite(false); }, &TGLPoints::GetNoZWrite,
       0, false},
      {"static", [](TGLPoints& p) { p.SetStatic(true); }, &TGLPoints::GetStatic, 1, true},
      {"static unchanged", [](TGLPoints& p) { p.SetStatic(false); }, &TGLPoints::GetStatic, 0,
       false},
      // Compiled into a static cloud's list, so a change of them rebuilds it too.
      {"parameters enabled", [](TGLPoints& p) { p.GetPointParameters()->SetEnabled(true); },
       [](const TGLPoints& p) { return p.GetPointParameters()->GetEnabled(); }, 1, true},
      {"minimum size", [](TGLPoints& p) { p.GetPointParameters()->SetMinSize(2); },
       [](const TGLPoints& p) { return p.GetPointParameters()->GetMinSize(); }, 2, true},
      {"attenuation",
       [](TGLPoints& p) { p.GetPointParameters()->GetDistanceAttenuation()->SetVector(0, 1, 0); },
       [](const TGLPoints& p) { return p.GetPointParameters()->GetDistanceAttenuation()->GetY(); },
       1, true},
      // Editing the lists tells nobody.
      {"a position added",
       [](TGLPoints& p) {
         p.GetPositions()->Add({1, 2, 3});
       },
       [](const TGLPoints& p) { return p.GetPositions()->Count(); }, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPoints points(nullptr);
    points.ClearListDirty();
    c.set(points);
    EXPECT_EQ(c.get(points), c.expected);
    EXPECT_EQ(ListDirty(points), c.rebuilds);
  }
}

TEST(Points, AStaticCloudIsCompiledAndSentAtEveryFrameAgainWhenNotStatic) {
  TGLPoints points(nullptr);
  points.SetStatic(true);
  EXPECT_EQ(points.GetStyleFlags() & osBuildEveryFrame, 0);
  EXPECT_EQ(points.GetStyleFlags() & osNeverCulled, osNeverCulled) << "the other flags stay";
  points.SetStatic(false);
  EXPECT_EQ(points.GetStyleFlags() & osBuildEveryFrame, osBuildEveryFrame);
}

TEST(PointParameters, SizesAreNeverNegativeAndEachChangeIsTold) {
  struct Case {
    const char* name;
    std::function<void(TGLPointParameters&)> set;
    std::function<double(const TGLPointParameters&)> get;
    double expected;
    bool told;
  } cases[] = {
      {"minimum", [](TGLPointParameters& p) { p.SetMinSize(2); }, &TGLPointParameters::GetMinSize,
       2, true},
      {"negative minimum", [](TGLPointParameters& p) { p.SetMinSize(-3); },
       &TGLPointParameters::GetMinSize, 0, true},
      {"maximum unchanged", [](TGLPointParameters& p) { p.SetMaxSize(128); },
       &TGLPointParameters::GetMaxSize, 128, false},
      {"negative maximum", [](TGLPointParameters& p) { p.SetMaxSize(-1); },
       &TGLPointParameters::GetMaxSize, 0, true},
      {"fade threshold", [](TGLPointParameters& p) { p.SetFadeTresholdSize(0.5f); },
       &TGLPointParameters::GetFadeTresholdSize, 0.5, true},
      {"enabled", [](TGLPointParameters& p) { p.SetEnabled(true); },
       &TGLPointParameters::GetEnabled, 1, true},
      {"enabled unchanged", [](TGLPointParameters& p) { p.SetEnabled(false); },
       &TGLPointParameters::GetEnabled, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPoints owner(nullptr);
    TGLPointParameters& parameters = *owner.GetPointParameters();
    int told = 0;
    parameters.OnNotifyChange = [&](TObject*) { ++told; };
    c.set(parameters);
    EXPECT_EQ(c.get(parameters), c.expected);
    EXPECT_EQ(told, c.told ? 1 : 0);
  }
}

TEST(PointParameters, AssignCopiesSizesAndAttenuationButNotEnabled) {
  TGLPointParameters source(nullptr), target(nullptr);
  source.SetEnabled(true);
  source.SetMinSize(2);
  source.SetMaxSize(64);
  source.SetFadeTresholdSize(3);
  source.GetDistanceAttenuation()->SetVector(0, 0.5f, 0.25f);
  target.Assign(&source);
  EXPECT_FALSE(target.GetEnabled());
  EXPECT_EQ(target.GetMinSize(), 2);
  EXPECT_EQ(target.GetMaxSize(), 64);
  EXPECT_EQ(target.GetFadeTresholdSize(), 3);
  EXPECT_EQ(target.GetDistanceAttenuation()->GetAsVector(), (TVector{0, 0.5f, 0.25f, 0}));
  EXPECT_NE(target.GetDistanceAttenuation(), source.GetDistanceAttenuation());

  // Anything else is ignored, nil included.
  TGLCoordinates other(nullptr, {9, 9, 9, 9}, ckFree);
  target.Assign(&other);
  target.Assign(nullptr);
  EXPECT_EQ(target.GetMinSize(), 2);
  EXPECT_EQ(target.GetDistanceAttenuation()->GetAsVector(), (TVector{0, 0.5f, 0.25f, 0}));

  // The cloud's setter copies the values too.
  TGLPoints points(nullptr);
  points.SetPointParameters(&source);
  EXPECT_EQ(points.GetPointParameters()->GetMaxSize(), 64);
  EXPECT_NE(points.GetPointParameters(), &source);
}

TEST(Points, AssignCopiesSizeStyleAndTheListsThenRebuilds) {
  TGLPoints source(nullptr), target(nullptr);
  source.SetSize(3);
  source.SetStyle(psSmoothAdditive);
  source.SetNoZWrite(true);
  source.SetStatic(true);
  source.GetPointParameters()->SetMinSize(2);
  source.GetPositions()->Add({1, 2, 3});
  source.GetPositions()->Add({4, 5, 6});
  source.GetColors()->Add(TVector{1, 0, 0, 1});
  source.GetPosition()->SetPoint(0, 0, 7);
  target.GetColors()->Add(TVector{0, 1, 0, 1});
  target.GetColors()->Add(TVector{0, 0, 1, 1});
  target.ClearListDirty();
  target.Assign(&source);

  EXPECT_EQ(target.GetSize(), 3);
  EXPECT_EQ(target.GetStyle(), psSmoothAdditive);
  ASSERT_EQ(target.GetPositions()->Count(), 2);
  EXPECT_EQ(target.GetPositions()->List()[1], (TAffineVector{4, 5, 6}));
  ASSERT_EQ(target.GetColors()->Count(), 1);
  EXPECT_EQ(target.GetColors()->List()[0], (TVector{1, 0, 0, 1}));
  EXPECT_NE(target.GetPositions()->List(), source.GetPositions()->List()) << "a copy";
  EXPECT_TRUE(ListDirty(target));
  EXPECT_EQ(target.GetPosition()->GetAsVector(), (TVector{0, 0, 7, 1})) << "the node's own state";
  // Not copied.
  EXPECT_FALSE(target.GetNoZWrite());
  EXPECT_FALSE(target.GetStatic());
  EXPECT_EQ(target.GetPointParameters()->GetMinSize(), 0);
}

// ---- What a frame draws from

TEST(Points, EachPointHasAPositionAndAColourOrNoneAtAll) {
  const TAffineVector p0{1, 2, 3}, p1{4, 5, 6}, p2{7, 8, 9};
  const TVector red{1, 0, 0, 1}, green{0, 1, 0, 0.5f};
  const struct Case {
    const char* name;
    std::vector<TAffineVector> positions;
    std::vector<TVector> colors;
    int count;
    bool origin;      // the one point at the origin, in place of the positions
    bool colorArray;  // a colour per point from the list
    TVector color;    // else the one colour
  } cases[] = {
      {"nothing: one white point at the origin", {}, {}, 1, true, false, {1, 1, 1, 1}},
      {"positions without colours are white", {p0, p1}, {}, 2, false, false, {1, 1, 1, 1}},
      {"one colour for all, without a colour array", {p0, p1, p2}, {green}, 3, false, false, green},
      {"more positions than colours: the points without one are left out",
       {p0, p1, p2},
       {red, green},
       2,
       false,
       true,
       {}},
      {"more colours than positions", {p0}, {red, green}, 1, false, true, {}},
      {"colours without positions: the origin in the first", {}, {red, green}, 1, true, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGLPoints points(nullptr);
    for (const TAffineVector& p : c.positions) points.GetPositions()->Add(p);
    for (const TVector& colour : c.colors) points.GetColors()->Add(colour);
    const TGLPointsSource source = points.DrawSource();
    EXPECT_EQ(source.Count, c.count);
    ASSERT_NE(source.Vertices, nullptr);
    if (c.origin) {
      EXPECT_EQ((TAffineVector{source.Vertices[0], source.Vertices[1], source.Vertices[2]}),
                (TAffineVector{0, 0, 0}));
    } else {
      EXPECT_EQ(source.Vertices, points.GetPositions()->List()[0].data());
    }
    if (c.colorArray) {
      EXPECT_EQ(source.Colors, points.GetColors()->List()[0].data());
    } else {
      EXPECT_EQ(source.Colors, nullptr);
      EXPECT_EQ(source.Color, c.color);
    }
  }
}

// A list whose capacity was lowered below its count holds fewer items than it counts.
TEST(Points, OnlyTheItemsTheListsHoldAreDrawn) {
  TGLPoints points(nullptr);
  for (int i = 0; i < 5; ++i) points.GetPositions()->Add({float(i), 0, 0});
  points.GetPositions()->SetCapacity(3);
  ASSERT_EQ(points.GetPositions()->Count(), 5);
  EXPECT_EQ(points.DrawSource().Count, 3);

  for (int i = 0; i < 4; ++i) points.GetColors()->Add(TVector{1, 1, 1, 1});
  points.GetColors()->SetCapacity(2);
  EXPECT_EQ(points.DrawSource().Count, 2);
}

// ---- Layout

std::string PointsLayout(const std::string& params) {
  return "object Form: TComponent\n"
         "  object Cloud: TGLPoints\n"
         "    PointParameters.PointParams = {" +
         params +
         "}\n"
         "  end\n"
         "end\n";
}

TEST(Points, LayoutStoresTheFlagsAlwaysAndTheParameterSizesAsOneValue) {
  RegisterGLObjects();
  TComponent form(nullptr);
  auto* points = new TGLPoints(&form);
  points->SetName("Cloud");
  std::string layout = WriteLayout(&form);
  EXPECT_NE(layout.find("    NoZWrite = False\n    Static = False\n"), std::string::npos) << layout;
  for (const char* left :
       {"Size", "Style", "PointParams", "Enabled", "MinSize", "MaxSize", "FadeTresholdSize"})
    EXPECT_EQ(layout.find(left), std::string::npos) << "a default is left out: " << left;

  points->SetSize(3);
  points->SetStyle(psRound);
  points->SetStatic(true);
  points->GetPointParameters()->SetEnabled(true);
  points->GetPointParameters()->SetMinSize(2);
  points->GetPointParameters()->GetDistanceAttenuation()->SetVector(0, 0, 1);
  points->GetPositions()->Add({1, 2, 3});
  layout = WriteLayout(&form);
  // 2.0, 128.0, 1.0 as little-endian singles.
  EXPECT_NE(layout.find("    Static = True\n"
                        "    Size = 3.0\n"
                        "    Style = psRound\n"
                        "    PointParameters.Enabled = True\n"),
            std::string::npos)
      << layout;
  EXPECT_NE(layout.find("    PointParameters.PointParams = {00000040000000430000803F}\n"),
            std::string::npos)
      << layout;
  EXPECT_EQ(layout.find("MinSize"), std::string::npos) << "never by name";

  TComponent read(nullptr);
  ReadLayout(layout, &read);
  auto* readPoints = dynamic_cast<TGLPoints*>(read.FindComponent("Cloud"));
  ASSERT_NE(readPoints, nullptr);
  EXPECT_EQ(readPoints->GetSize(), 3);
  EXPECT_EQ(readPoints->GetStyle(), psRound);
  EXPECT_TRUE(readPoints->GetStatic());
  EXPECT_EQ(readPoints->GetStyleFlags() & osBuildEveryFrame, 0);
  const TGLPointParameters& parameters = *readPoints->GetPointParameters();
  EXPECT_TRUE(parameters.GetEnabled());
  EXPECT_EQ(parameters.GetMinSize(), 2);
  EXPECT_EQ(parameters.GetMaxSize(), 128);
  EXPECT_EQ(parameters.GetFadeTresholdSize(), 1);
  EXPECT_EQ(parameters.GetDistanceAttenuation()->GetAsVector(), (TVector{0, 0, 1, 0}));
  EXPECT_EQ(readPoints->GetPositions()->Count(), 0) << "the points are not stored";
  EXPECT_EQ(WriteLayout(&read), layout);
}

TEST(Points, ReadingTheParameterSizesTakesTwelveBytesAndRefusesOtherLengths) {
  RegisterGLObjects();
  {
    TComponent read(nullptr);
    // 0.5, 16.0, 2.0.
    ReadLayout(PointsLayout("0000003F0000804100000040"), &read);
    auto* points = dynamic_cast<TGLPoints*>(read.FindComponent("Cloud"));
    ASSERT_NE(points, nullptr);
    EXPECT_EQ(points->GetPointParameters()->GetMinSize(), 0.5f);
    EXPECT_EQ(points->GetPointParameters()->GetMaxSize(), 16);
    EXPECT_EQ(points->GetPointParameters()->GetFadeTresholdSize(), 2);
  }
  for (const char* sizes : {"0000003F00008041", "0000003F000080410000004000000000"}) {
    SCOPED_TRACE(sizes);
    TComponent read(nullptr);
    EXPECT_TRUE(Raises<EReadError>([&] { ReadLayout(PointsLayout(sizes), &read); }, testing::_));
    if (auto* points = dynamic_cast<TGLPoints*>(read.FindComponent("Cloud"))) {
      EXPECT_EQ(points->GetPointParameters()->GetMinSize(), 0) << "the sizes stay as they were";
      EXPECT_EQ(points->GetPointParameters()->GetMaxSize(), 128);
    }
  }
}

}  // namespace
