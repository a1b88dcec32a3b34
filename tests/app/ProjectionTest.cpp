// The equal-area net's arithmetic: poles, arcs, the treatment of dips outside 0..90, and means.
#include <gtest/gtest.h>

#include <cmath>

#include "app/projection.h"
#include "engine/base/VectorGeometry.h"

using namespace Stereonet;

namespace {

double Radius(const TNetPoint& p) {
  return std::hypot(p.X, p.Y);
}

std::vector<TNetPoint> Arc(double betaDeg, double psiDeg, bool closed = false) {
  std::vector<TNetPoint> points;
  GreatCirclePoints(DegToRad(betaDeg), DegToRad(psiDeg), closed, points);
  return points;
}

TNetPoint Pole(double betaDeg, double psiDeg) {
  return PolePoint(DegToRad(betaDeg), DegToRad(psiDeg));
}

// The net's formulas as written for dips of 0 to 90, kept here as the oracle.
TNetPoint ReferencePole(double beta, double psi) {
  const double pi = static_cast<double>(3.141592653589793238462643383279502884L);
  const double cz = std::cos(psi);
  double s = 1 - cz * cz;
  if (s > 1.0) s = 1.0;
  const double r = std::sqrt((std::pow(1 - std::sqrt(1 - s), 2) + s) / 2);
  return {r * std::cos(3 * pi / 2 - beta), r * std::sin(3 * pi / 2 - beta)};
}

TNetPoint ReferenceArcPoint(double beta, double psi, int k) {
  const double pi = static_cast<double>(3.141592653589793238462643383279502884L);
  const double nx = std::sin(psi) * std::sin(beta), ny = std::sin(psi) * std::cos(beta);
  double nz = std::cos(psi);
  if (std::fabs(nz) < 1e-5) nz = 1e-5;
  const double tStart = pi - beta, tEnd = -beta;
  const double t = tStart + k * (tEnd - tStart) / 360;
  double q = 1 / ((std::cos(t) * std::cos(t)) * ((nx / nz) * (nx / nz)) +
                  (std::sin(t) * std::sin(t)) * ((ny / nz) * (ny / nz)) +
                  std::sin(2 * t) * (nx * ny / (nz * nz)) + 1);
  if (q > 1.0) q = 1.0;
  const double r = std::sqrt((std::pow(1 - std::sqrt(1 - q), 2) + q) / 2);
  return {r * std::cos(t), r * std::sin(t)};
}

}  // namespace

TEST(Projection, DegreesBecomeRadiansThroughExtendedPi) {
  EXPECT_EQ(Stereonet::DegToRad(180), M_PI);
  EXPECT_EQ(Stereonet::DegToRad(90), M_PI_2);
  EXPECT_EQ(DegToRad(0.5),
            static_cast<double>(0.5L * 3.141592653589793238462643383279502884L / 180));
  // The engine's overloads stand beside the net's, as in a file of the 3D window.
  EXPECT_EQ(DegToRad(90.0f), static_cast<float>(M_PI_2));
}

TEST(Projection, AzimuthsOfAnySizeAreTakenWithinOneTurn) {
  const struct {
    double Beta, Same;
  } cases[] = {{1e17, 280}, {-1e17, 80}, {1e22, 280}, {1e308, 296}, {-765, 315}};
  for (const auto& c : cases) {
    const TNetPoint p = Pole(c.Beta, 35), q = Pole(c.Same, 35);
    EXPECT_NEAR(p.X, q.X, 1e-12) << c.Beta;
    EXPECT_NEAR(p.Y, q.Y, 1e-12) << c.Beta;
    const auto arc = Arc(c.Beta, 35), same = Arc(c.Same, 35);
    for (size_t k = 0; k < arc.size(); k += 20) {
      EXPECT_NEAR(arc[k].X, same[k].X, 1e-12) << c.Beta << " k=" << k;
      EXPECT_NEAR(arc[k].Y, same[k].Y, 1e-12) << c.Beta << " k=" << k;
    }
  }
}

TEST(Projection, PolesLieOppositeTheDipDirection) {
  const struct {
    double Beta, Psi, X, Y;
  } cases[] = {
      {0, 0, 0, 0},     // horizontal: the centre
      {90, 90, -1, 0},  // vertical, dipping east: west rim
      {0, 90, 0, -1},   // vertical, dipping north: south rim
      {180, 45, 0, std::sqrt(1 - std::cos(M_PI / 4))},
      {270, 60, std::sqrt(0.5), 0},
  };
  for (const auto& c : cases) {
    const TNetPoint p = Pole(c.Beta, c.Psi);
    EXPECT_NEAR(p.X, c.X, 1e-12) << c.Beta << "/" << c.Psi;
    EXPECT_NEAR(p.Y, c.Y, 1e-12) << c.Beta << "/" << c.Psi;
  }
}

TEST(Projection, ArcsRunFromStrikeToStrikeThroughTheDipDirection) {
  for (double beta : {0.0, 37.5, 90.0, 200.0, 359.0}) {
    for (double psi : {0.0, 20.0, 45.5, 89.0, 90.0}) {
      const auto arc = Arc(beta, psi);
      ASSERT_EQ(arc.size(), 361u);
      const double strike = DegToRad(90 - (beta - 90));  // mathematical angle of the first end
      // Steep planes divide by a tiny vertical component, which costs the ends some precision.
      const double rim = psi < 80 ? 1e-9 : 1e-3;
      EXPECT_NEAR(Radius(arc.front()), 1, rim);
      EXPECT_NEAR(Radius(arc.back()), 1, rim);
      EXPECT_NEAR(arc.front().X, std::cos(strike), rim);
      EXPECT_NEAR(arc.front().Y, std::sin(strike), rim);
      // The middle sample lies in the dip direction, plunging by the dip.
      const TNetPoint middle = arc[180];
      const double expected = psi == 90 ? 0 : std::sqrt(1 - std::sin(DegToRad(psi)));
      EXPECT_NEAR(Radius(middle), expected, psi == 90 ? 1e-2 : 1e-9) << beta << "/" << psi;
      if (psi < 90) {
        EXPECT_NEAR(std::atan2(middle.X, middle.Y),
                    std::atan2(std::sin(DegToRad(beta)), std::cos(DegToRad(beta))), 1e-9);
      }
    }
  }
  // Horizontal: the northern half of the rim, west through north to east.
  const auto flat = Arc(0, 0);
  EXPECT_NEAR(flat.front().X, -1, 1e-12);
  EXPECT_NEAR(flat[180].Y, 1, 1e-12);
  EXPECT_NEAR(flat.back().X, 1, 1e-12);
  // Vertical, dipping east: along the north-south diameter.
  for (const TNetPoint& p : Arc(90, 90)) EXPECT_NEAR(p.X, 0, 1e-4);
}

TEST(Projection, ClosedArcsReturnToTheirFirstEnd) {
  const auto arc = Arc(120, 45, true);
  ASSERT_EQ(arc.size(), 362u);
  EXPECT_EQ(arc.back().X, arc.front().X);
  EXPECT_EQ(arc.back().Y, arc.front().Y);
}

// Poles exactly; arcs take their angles from one table for all, which differs from computing
// every angle's sines afresh only in the last digits.
TEST(Projection, DipsFromZeroToNinetyFollowTheNetFormulas) {
  for (double beta : {-30.0, 0.0, 45.0, 123.4, 270.0, 400.0}) {
    for (double psi : {0.0, 0.001, 33.3, 60.0, 89.9999, 90.0}) {
      const double b = DegToRad(beta), p = DegToRad(psi);
      const TNetPoint pole = PolePoint(b, p), reference = ReferencePole(b, p);
      EXPECT_EQ(pole.X, reference.X) << beta << "/" << psi;
      EXPECT_EQ(pole.Y, reference.Y) << beta << "/" << psi;
      const auto arc = Arc(beta, psi);
      for (int k = 0; k <= 360; k += 15) {
        const TNetPoint r = ReferenceArcPoint(b, p, k);
        EXPECT_NEAR(arc[k].X, r.X, 1e-14) << beta << "/" << psi << " k=" << k;
        EXPECT_NEAR(arc[k].Y, r.Y, 1e-14) << beta << "/" << psi << " k=" << k;
      }
    }
  }
}

TEST(Projection, OtherDipsDrawThePlaneTheNumbersDescribe) {
  // Each pair names one plane twice: its pole and its arc are the same point set.
  const struct {
    double Beta, Psi, SameBeta, SamePsi;
  } cases[] = {
      {0, 120, 180, 60}, {30, -40, 210, 40}, {250, 180, 250, 0},
      {0, 270, 0, 90},   {45, 450, 45, 90},  {100, -150, 100, 30},
  };
  for (const auto& c : cases) {
    const TNetPoint p = Pole(c.Beta, c.Psi), q = Pole(c.SameBeta, c.SamePsi);
    EXPECT_NEAR(p.X, q.X, 1e-9) << c.Beta << "/" << c.Psi;
    EXPECT_NEAR(p.Y, q.Y, 1e-9) << c.Beta << "/" << c.Psi;
    const auto arc = Arc(c.Beta, c.Psi), same = Arc(c.SameBeta, c.SamePsi);
    for (size_t k = 0; k < arc.size(); k += 30) {
      EXPECT_NEAR(arc[k].X, same[k].X, 1e-6) << c.Beta << "/" << c.Psi << " k=" << k;
      EXPECT_NEAR(arc[k].Y, same[k].Y, 1e-6) << c.Beta << "/" << c.Psi << " k=" << k;
    }
  }
  // A dip of 120 towards north dips 60 towards south: its pole is north of the centre.
  EXPECT_GT(Pole(0, 120).Y, 0.5);
}

TEST(Projection, MeanPlanes) {
  const auto mean = [](std::initializer_list<std::pair<double, double>> planes, double& beta,
                       double& psi) {
    TNormal sum{0, 0, 0};
    for (auto [b, p] : planes) {
      const TNormal n = PlaneNormal(DegToRad(b), DegToRad(p));
      sum = {sum.X + n.X, sum.Y + n.Y, sum.Z + n.Z};
    }
    MeanOrientation(sum, static_cast<int>(planes.size()), beta, psi);
  };
  double beta, psi;
  for (auto [b, p] :
       {std::pair{30.0, 40.0}, {120.0, 50.0}, {210.0, 60.0}, {300.0, 70.0}, {0.0, 10.0}}) {
    mean({{b, p}}, beta, psi);
    EXPECT_NEAR(beta, b, 1e-9);
    EXPECT_NEAR(psi, p, 1e-9);
  }
  mean({{0, 0}, {135, 0}}, beta, psi);  // all horizontal
  EXPECT_EQ(psi, 0);
  EXPECT_EQ(beta, 90);
  mean({{0, 50}, {180, 50}}, beta, psi);  // opposite azimuths, equal dips: vertical normal
  EXPECT_NEAR(psi, 0, 1e-9);
  mean({{10, 30}, {20, 40}}, beta, psi);  // the steeper member weighs more in azimuth
  EXPECT_GT(beta, 15);
  EXPECT_LT(beta, 20);
  EXPECT_NEAR(psi, 35, 0.5);
  mean({{80, 0}, {80, 180}}, beta, psi);  // normals cancel: no mean plane
  EXPECT_TRUE(std::isnan(beta));
  EXPECT_TRUE(std::isnan(psi));
}
