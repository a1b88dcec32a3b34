// The sky domes' settings and their model: band and dome clamps, the sun's colours, the stack
// spacing and azimuth crowding of the earth sky, the twelve-hour turn, and a layout round trip.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "engine/GLSkydome.h"
#include "platform/rtl/Classes.h"

namespace {

void ExpectColor(const TColorVector& actual, const TColorVector& expected,
                 float tolerance = 1e-6f) {
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "channel " << i;
}

TEST(SkyDomeBand, AnglesClampAndPushEachOther) {
  TGLSkyDome dome(nullptr);
  TSkyDomeBand* band = dome.GetBands()->GetItems(0);  // 0 to 15
  struct Case {
    const char* name;
    bool start;
    float value, expectedStart, expectedStop;
  } cases[] = {
      {"start above stop moves stop", true, 30, 30, 30},
      {"stop below start moves start", false, -20, -20, -20},
      {"start clamps at -90", true, -100, -90, -20},
      {"stop clamps at 90", false, 120, -90, 90},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.start ? band->SetStartAngle(c.value) : band->SetStopAngle(c.value);
    EXPECT_EQ(band->GetStartAngle(), c.expectedStart);
    EXPECT_EQ(band->GetStopAngle(), c.expectedStop);
  }
  band->SetSlices(2);
  band->SetStacks(0);
  EXPECT_EQ(band->GetSlices(), 3);
  EXPECT_EQ(band->GetStacks(), 1);
  EXPECT_EQ(band->GetDisplayName(), "0: -90.0\u00B0 - 90.0\u00B0");
}

TEST(SkyDome, NewDomeHasTheDayBandsAndFollowsTheEye) {
  TGLSkyDome dome(nullptr);
  ASSERT_EQ(dome.GetBands()->Count(), 2);
  TSkyDomeBand* low = dome.GetBands()->GetItems(0);
  TSkyDomeBand* high = dome.GetBands()->GetItems(1);
  EXPECT_EQ(low->GetStartAngle(), 0);
  EXPECT_EQ(low->GetStopAngle(), 15);
  ExpectColor(low->GetStartColor()->GetColor(), {1, 1, 1, 1});
  ExpectColor(low->GetStopColor()->GetColor(), {0, 0, 1, 1});
  EXPECT_EQ(high->GetStartAngle(), 15);
  EXPECT_EQ(high->GetStopAngle(), 90);
  EXPECT_EQ(high->GetStacks(), 4);
  ExpectColor(high->GetStopColor()->GetColor(), {35 / 255.0f, 35 / 255.0f, 142 / 255.0f, 1});
  EXPECT_EQ(dome.GetStars()->Count(), 0);
  EXPECT_EQ(dome.GetCamInvarianceMode(), cimPosition);
  EXPECT_TRUE(dome.GetStyleFlags() & osBuildEveryFrame);
  EXPECT_TRUE(dome.GetStyleFlags() & osNeverCulled);
  // Switching twinkling off keeps drawing at every frame: the dome's size follows the camera.
  dome.SetOptions(sdoTwinkle);
  dome.SetOptions(0);
  EXPECT_TRUE(dome.GetStyleFlags() & osBuildEveryFrame);
}

TEST(SkyDome, AssignCopiesBandsAndStarsButNotOptions) {
  TGLSkyDome source(nullptr), target(nullptr);
  source.GetBands()->GetItems(0)->SetStopAngle(40);
  TSkyDomeStar* star = source.GetStars()->Add();
  star->SetRA(12);
  star->SetMagnitude(2);
  source.SetOptions(sdoTwinkle);
  target.Assign(&source);
  EXPECT_EQ(target.GetBands()->GetItems(0)->GetStopAngle(), 40);
  ASSERT_EQ(target.GetStars()->Count(), 1);
  EXPECT_EQ(target.GetStars()->GetItems(0)->GetRA(), 12);
  EXPECT_EQ(target.GetStars()->GetItems(0)->GetMagnitude(), 2);
  EXPECT_EQ(target.GetOptions(), 0);
}

TEST(EarthSkyDome, SettersClamp) {
  TGLEarthSkyDome dome(nullptr);
  EXPECT_EQ(dome.GetBands()->Count(), 0);
  struct Case {
    const char* name;
    void (TGLEarthSkyDome::*set)(float);
    float (TGLEarthSkyDome::*get)() const;
    float value, expected;
  } floats[] = {
      {"elevation above", &TGLEarthSkyDome::SetSunElevation, &TGLEarthSkyDome::GetSunElevation, 100,
       90},
      {"elevation below", &TGLEarthSkyDome::SetSunElevation, &TGLEarthSkyDome::GetSunElevation,
       -100, -90},
      {"turbidity 0", &TGLEarthSkyDome::SetTurbidity, &TGLEarthSkyDome::GetTurbidity, 0, 1},
      {"turbidity 500", &TGLEarthSkyDome::SetTurbidity, &TGLEarthSkyDome::GetTurbidity, 500, 120},
  };
  for (const auto& c : floats) {
    SCOPED_TRACE(c.name);
    (dome.*c.set)(c.value);
    EXPECT_EQ((dome.*c.get)(), c.expected);
  }
  dome.SetSlices(4);
  dome.SetStacks(0);
  EXPECT_EQ(dome.GetSlices(), 6);
  EXPECT_EQ(dome.GetStacks(), 1);
}

TEST(EarthSkyDome, PreCalculateBlendsTheSunAndTheNight) {
  TGLEarthSkyDome dome(nullptr);
  dome.SetTurbidity(15);
  EXPECT_FLOAT_EQ(dome.GetModel().HazeTurbid, float(-2 * std::sqrt(106.0)));
  EXPECT_FLOAT_EQ(dome.GetModel().SkyTurbid, -106);

  dome.SetSunElevation(0);  // on the horizon: the dawn colour
  ExpectColor(dome.GetModel().SunColor, dome.GetSunDawnColor()->GetColor());
  dome.SetSunElevation(90);  // overhead: almost the zenith colour
  ExpectColor(dome.GetModel().SunColor, dome.GetSunZenithColor()->GetColor(), 1e-4f);
  // Below the horizon both blend factors would pass 1; they stop at the dawn and night colours.
  dome.SetSunElevation(-60);
  ExpectColor(dome.GetModel().SunColor, dome.GetSunDawnColor()->GetColor());
  ExpectColor(dome.GetModel().SkyColor, dome.GetNightColor()->GetColor());
  ExpectColor(dome.GetModel().HazeColor, dome.GetNightColor()->GetColor());

  // A point at the zenith, far from a low sun, has the sky colour; the sun's own place its colour.
  dome.SetSunElevation(10);
  ExpectColor(dome.CalculateColor(0, 1), dome.GetModel().SkyColor, 1e-4f);
  const float sunTheta = float((90 - 10) * std::numbers::pi / 180);
  ExpectColor(dome.CalculateColor(sunTheta, 0), dome.GetModel().SunColor);
}

TEST(EarthSkyDome, StacksCrowdTowardTheSunAndEndAtTheZenith) {
  TGLEarthSkyDome dome(nullptr);
  struct Case {
    const char* name;
    float elevation;
    int stacks;
  } cases[] = {{"3D window", 85, 16}, {"sun set", 0, 8}, {"one stack", 45, 1},
               {"two stacks", 45, 2}, {"three", 45, 3},  {"odd", 45, 5},
               {"night", -30, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dome.SetSunElevation(c.elevation);
    dome.SetStacks(c.stacks);
    std::vector<float> e = dome.StackElevations();
    ASSERT_EQ(e.size(), size_t(c.stacks + 1));
    EXPECT_EQ(e.front(), 1);
    EXPECT_EQ(e.back(), 90);
    for (size_t i = 1; i < e.size(); ++i) {
      EXPECT_TRUE(std::isfinite(e[i]));
      EXPECT_GE(e[i], e[i - 1]);
      EXPECT_LE(e[i], 90);
    }
  }
  dome.SetSunElevation(85);
  dome.SetStacks(16);
  std::vector<float> e = dome.StackElevations();
  EXPECT_EQ(e[1], 1);                            // the first band is empty with the sun up
  EXPECT_NEAR(e[9], 1 + 89 * 85 / 90.0f, 1e-4);  // the middle stack ends on the sun
  EXPECT_LT(e[9] - e[8], (e[3] - e[2]) / 10);    // and the stacks crowd toward it
  dome.SetSunElevation(0);
  dome.SetStacks(8);
  e = dome.StackElevations();
  for (int i = 0; i <= 8; ++i) EXPECT_NEAR(e[i], 1 + 89 * i / 8.0f, 1e-4) << i;
}

TEST(EarthSkyDome, AzimuthsCrowdTowardTheSun) {
  TGLEarthSkyDome dome(nullptr);
  dome.SetSlices(32);
  auto table = dome.AzimuthTable();
  ASSERT_EQ(table.size(), 33u);
  EXPECT_EQ(table[16], (std::array<float, 2>{0, 1}));
  EXPECT_EQ(table[0], (std::array<float, 2>{0, -1}));
  EXPECT_EQ(table[32], (std::array<float, 2>{0, -1}));
  double lastAngle = 0, lastStep = 0;
  for (int i = 1; i < 16; ++i) {
    EXPECT_EQ(table[16 + i][0], -table[16 - i][0]);
    EXPECT_EQ(table[16 + i][1], table[16 - i][1]);
    double angle = std::atan2(table[16 + i][0], table[16 + i][1]);
    EXPECT_GT(angle - lastAngle, lastStep) << i;  // steps grow away from the sun
    lastStep = angle - lastAngle;
    lastAngle = angle;
  }
}

TEST(EarthSkyDome, StarsFadeWithTheSunAndTurnOnceAtEachArrivalAtAPole) {
  TGLEarthSkyDome dome(nullptr);
  TSkyDomeStar* star = dome.GetStars()->Add();
  star->SetRA(10);
  dome.SetExtendedOptions(esoFadeStarsWithSun | esoRotateOnTwelveHours);
  dome.SetSunElevation(0);
  EXPECT_EQ(star->GetColor(), RGB(255, 255, 255));
  const TVector up = dome.GetUp()->GetAsVector();
  dome.SetSunElevation(90);
  EXPECT_EQ(star->GetColor(), RGB(0, 0, 0));
  EXPECT_EQ(star->GetRA(), 190);
  EXPECT_NEAR(dome.GetUp()->GetY(), -up[1], 1e-6);
  dome.SetTurbidity(30);  // a recomputation at the pole turns nothing more
  EXPECT_EQ(star->GetRA(), 190);
  EXPECT_NEAR(dome.GetUp()->GetY(), -up[1], 1e-6);
  dome.SetSunElevation(80);
  dome.SetSunElevation(90);  // a new arrival turns again
  EXPECT_EQ(star->GetRA(), 370);
  EXPECT_NEAR(dome.GetUp()->GetY(), up[1], 1e-6);
  // Straight from the zenith to the nadir and back is an arrival each time.
  dome.SetSunElevation(-90);
  EXPECT_EQ(star->GetRA(), 550);
  EXPECT_NEAR(dome.GetUp()->GetY(), -up[1], 1e-6);
  dome.SetTurbidity(40);
  EXPECT_EQ(star->GetRA(), 550);
  dome.SetSunElevation(90);
  EXPECT_EQ(star->GetRA(), 730);
  EXPECT_NEAR(dome.GetUp()->GetY(), up[1], 1e-6);
}

TEST(EarthSkyDome, LayoutRoundTripKeepsTheWindowsDome) {
  RegisterGLSkydome();
  TComponent form(nullptr);
  form.SetName("Form");
  auto* dome = new TGLEarthSkyDome(&form);
  dome->SetName("GLEarthSkyDome");
  dome->SetSunElevation(85);
  dome->SetSlices(32);
  dome->SetStacks(16);
  dome->GetSunZenithColor()->SetRGBA(0.95f, 0.95f, 0.6f, 1);
  TStringStream out;
  out.WriteComponent(&form);

  TComponent copy(nullptr);
  TStringStream in(out.DataString());
  in.ReadComponent(&copy);
  ASSERT_EQ(copy.ComponentCount(), 1);
  auto* read = dynamic_cast<TGLEarthSkyDome*>(copy.Components(0));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetSunElevation(), 85);
  EXPECT_EQ(read->GetSlices(), 32);
  EXPECT_EQ(read->GetStacks(), 16);
  ExpectColor(read->GetSunZenithColor()->GetColor(), {0.95f, 0.95f, 0.6f, 1});
  ExpectColor(read->GetModel().SunColor, dome->GetModel().SunColor);
  EXPECT_EQ(read->GetBands()->Count(), 0);

  // The constructor's 48 slices and 24 stacks are the stored defaults: they read back as such.
  TComponent plainForm(nullptr);
  new TGLEarthSkyDome(&plainForm);
  TStringStream plain;
  plain.WriteComponent(&plainForm);
  EXPECT_EQ(plain.DataString().find("Slices"), std::string::npos);
  TComponent plainCopy(nullptr);
  TStringStream plainIn(plain.DataString());
  plainIn.ReadComponent(&plainCopy);
  auto* plainRead = static_cast<TGLEarthSkyDome*>(plainCopy.Components(0));
  EXPECT_EQ(plainRead->GetSlices(), 48);
  EXPECT_EQ(plainRead->GetStacks(), 24);
}

}  // namespace
