#pragma once
// The lower-hemisphere equal-area (Schmidt) net of unit radius: the pole and the great-circle
// arc of a plane, and the mean plane of a set of planes. Plot frame: x east, y north. Angles
// come in radians unless a name says degrees. The helpers keep to their own namespace, beside the
// engine's DegToRad overloads.

#include <vector>

namespace Stereonet {

struct TNetPoint {
  double X;
  double Y;
};

struct TNormal {
  double X;
  double Y;
  double Z;
};

// deg x pi / 180 with pi in extended precision, rounded to a double. The degrees are first
// reduced to less than a turn (exactly, by fmod), so that an angle far outside 0..360 keeps its
// sines: past about 1e15 degrees the product itself has no digits left for the angle.
double DegToRad(double degrees);

// The upward unit normal (x east, y north, z up) of a plane of dip direction `beta` and dip
// `psi`; "upward" for dips of 0 to 90.
TNormal PlaneNormal(double beta, double psi);

// The plane's normal that points up (z >= 0), whatever range the dip is given in.
TNormal UpwardNormal(double beta, double psi);

// The same plane described with a dip of 0 to 90: dips outside that range are turned into the
// orientation of the plane's upward normal; dips inside it are returned untouched.
void NormalizeOrientation(double& beta, double& psi);

// Equal-area radius of a direction whose squared horizontal length is q (clamped to 1).
double EqualAreaRadius(double q);

TNetPoint PolePoint(double beta, double psi);

// 361 samples, half a degree apart, from one strike end through the dip direction to the other,
// plus the first one again when `closed`. `points` is overwritten.
void GreatCirclePoints(double beta, double psi, bool closed, std::vector<TNetPoint>& points);

// Mean plane, in degrees, of the planes whose upward normals add up to `sum` (`members` > 0).
// When the normals cancel out the mean is undefined: both angles are NaN.
void MeanOrientation(const TNormal& sum, int members, double& betaDegrees, double& psiDegrees);

}  // namespace Stereonet
