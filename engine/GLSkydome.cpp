#include "engine/GLSkydome.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/base/VectorGeometry.h"
#include "platform/gl/OpenGL.h"

namespace {

constexpr long double cPI = std::numbers::pi_v<long double>;

TColorVector Lerp(const TColorVector& a, const TColorVector& b, float t) {
  TColorVector r;
  for (int i = 0; i < 4; ++i) r[i] = a[i] + (b[i] - a[i]) * t;
  return r;
}

float Clamp01(double v) {
  return float(std::clamp(v, 0.0, 1.0));
}

// The point of the unit sphere at elevation and azimuth, both in radians, z up.
TAffineVector SpherePoint(long double elevation, long double azimuth) {
  return {float(std::cos(elevation) * std::cos(azimuth)),
          float(std::cos(elevation) * std::sin(azimuth)), float(std::sin(elevation))};
}

void Emit(const TColorVector& color, const TAffineVector& point) {
  glColor4fv(color.data());
  glVertex3fv(point.data());
}

// Everything a dome changes while it draws, given back afterwards.
struct TDomeState {
  explicit TDomeState(float scale, bool alphaTestOff) {
    glPushMatrix();
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    if (alphaTestOff) glDisable(GL_ALPHA_TEST);
    glDepthMask(GL_FALSE);
    glScalef(scale, scale, scale);
  }
  ~TDomeState() {
    glDepthMask(GL_TRUE);
    glPopAttrib();
    glPopMatrix();
  }
  TDomeState(const TDomeState&) = delete;
  TDomeState& operator=(const TDomeState&) = delete;
};

}  // namespace

// ---- TSkyDomeBand

TSkyDomeBand::TSkyDomeBand(TCollection* ACollection) : TCollectionItem(ACollection) {
  auto changed = [this](TObject*) { Changed(false); };
  FStartColor = std::make_unique<TGLColor>(this, TColorVector{0, 0, 1, 1}, changed);
  FStopColor = std::make_unique<TGLColor>(this, TColorVector{0, 0, 1, 1}, changed);
}

TSkyDomeBand::~TSkyDomeBand() = default;

const TPropertyTable& TSkyDomeBand::Published() {
  using B = TSkyDomeBand;
  static const TPropertyTable table =
      TPropertyTable::Extend<B>(TCollectionItem::Published())
          .Float("StartAngle", &B::GetStartAngle, &B::SetStartAngle)
          .Float("StopAngle", &B::GetStopAngle, &B::SetStopAngle)
          .Object("StartColor", &B::GetStartColor)
          .Object("StopColor", &B::GetStopColor)
          .Integer("Slices", &B::GetSlices, &B::SetSlices, Default(12))
          .Integer("Stacks", &B::GetStacks, &B::SetStacks, Default(1));
  return table;
}

void TSkyDomeBand::SetStartAngle(float AValue) {
  FStartAngle = std::clamp(AValue, -90.0f, 90.0f);
  if (FStartAngle > FStopAngle) FStopAngle = FStartAngle;
  Changed(false);
}

void TSkyDomeBand::SetStopAngle(float AValue) {
  FStopAngle = std::clamp(AValue, -90.0f, 90.0f);
  if (FStopAngle < FStartAngle) FStartAngle = FStopAngle;
  Changed(false);
}

void TSkyDomeBand::SetStartColor(TGLColor* AValue) {
  FStartColor->Assign(AValue);
}

void TSkyDomeBand::SetStopColor(TGLColor* AValue) {
  FStopColor->Assign(AValue);
}

void TSkyDomeBand::SetSlices(int32_t AValue) {
  FSlices = std::max(AValue, 3);
  Changed(false);
}

void TSkyDomeBand::SetStacks(int32_t AValue) {
  FStacks = std::max(AValue, 1);
  Changed(false);
}

std::string TSkyDomeBand::GetDisplayName() const {
  char text[96];
  std::snprintf(text, sizeof text, "%d: %.1f\u00B0 - %.1f\u00B0", GetIndex(), FStartAngle,
                FStopAngle);
  return text;
}

void TSkyDomeBand::Assign(TPersistent* Source) {
  auto* band = dynamic_cast<TSkyDomeBand*>(Source);
  if (band == nullptr) return TCollectionItem::Assign(Source);
  FStartAngle = band->FStartAngle;
  FStopAngle = band->FStopAngle;
  FStartColor->SetDirectColor(band->FStartColor->GetColor());
  FStopColor->SetDirectColor(band->FStopColor->GetColor());
  FSlices = band->FSlices;
  FStacks = band->FStacks;
  Changed(false);
}

void TSkyDomeBand::BuildList(TRenderContextInfo&) {
  if (FStartAngle == FStopAngle) return;
  for (int i = 0; i < FStacks; ++i) {
    float t0 = float(i) / FStacks, t1 = float(i + 1) / FStacks;
    RenderStrip(FStartAngle + (FStopAngle - FStartAngle) * t0,
                FStartAngle + (FStopAngle - FStartAngle) * t1,
                Lerp(FStartColor->GetColor(), FStopColor->GetColor(), t0),
                Lerp(FStartColor->GetColor(), FStopColor->GetColor(), t1));
  }
}

void TSkyDomeBand::RenderStrip(float lowAngle, float highAngle, const TColorVector& lowColor,
                               const TColorVector& highColor) const {
  const long double step = 2 * cPI / FSlices;
  const long double low = DegToRad((long double)lowAngle), high = DegToRad((long double)highAngle);
  if (lowAngle == -90) {
    glBegin(GL_TRIANGLE_FAN);
    Emit(lowColor, {0, 0, -1});
    for (int k = 0; k <= FSlices; ++k) Emit(highColor, SpherePoint(high, k * step));
  } else if (highAngle == 90) {
    glBegin(GL_TRIANGLE_FAN);
    Emit(highColor, {0, 0, 1});
    for (int k = FSlices; k >= 0; --k) Emit(lowColor, SpherePoint(low, k * step));
  } else {
    glBegin(GL_TRIANGLE_STRIP);
    for (int k = 0; k <= FSlices; ++k) {
      Emit(lowColor, SpherePoint(low, k * step));
      Emit(highColor, SpherePoint(high, k * step));
    }
  }
  glEnd();
}

TSkyDomeBands::TSkyDomeBands(TComponent* AOwner)
    : TOwnedCollection(AOwner, TSkyDomeBand::StaticClass()) {}

void TSkyDomeBands::Update(TCollectionItem*) {
  if (auto* dome = dynamic_cast<TGLBaseSceneObject*>(GetOwner())) dome->StructureChanged();
}

void TSkyDomeBands::BuildList(TRenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i) GetItems(i)->BuildList(rci);
}

// ---- Stars

const TPropertyTable& TSkyDomeStar::Published() {
  using S = TSkyDomeStar;
  static const TPropertyTable table = TPropertyTable::Extend<S>(TCollectionItem::Published())
                                          .Float("RA", &S::GetRA, &S::SetRA)
                                          .Float("Dec", &S::GetDec, &S::SetDec)
                                          .Float("Magnitude", &S::GetMagnitude, &S::SetMagnitude)
                                          .Color("Color", &S::GetColor, &S::SetColor);
  return table;
}

std::string TSkyDomeStar::GetDisplayName() const {
  char text[64];
  std::snprintf(text, sizeof text, "RA: %5.1f / Dec: %5.1f", FRA, FDec);
  return text;
}

void TSkyDomeStar::Assign(TPersistent* Source) {
  auto* star = dynamic_cast<TSkyDomeStar*>(Source);
  if (star == nullptr) return TCollectionItem::Assign(Source);
  FRA = star->FRA;
  FDec = star->FDec;
  FMagnitude = star->FMagnitude;
  FColor = star->FColor;
  FCacheCoord = star->FCacheCoord;
}

TSkyDomeStars::TSkyDomeStars(TComponent* AOwner)
    : TOwnedCollection(AOwner, TSkyDomeStar::StaticClass()) {}

void TSkyDomeStars::PrecomputeCartesianCoordinates() {
  for (int i = 0; i < Count(); ++i) {
    TSkyDomeStar* star = GetItems(i);
    star->FCacheCoord =
        SpherePoint(DegToRad((long double)star->FDec), DegToRad((long double)star->FRA));
  }
}

void TSkyDomeStars::TwinkleStarColor(const TColorVector& Color) {
  if ((FTwinkleCounter & 63) == 0) {
    float factor = float(Random() * 0.6 + 0.4);
    glColor4f(Color[0] * factor, Color[1] * factor, Color[2] * factor, Color[3]);
    FTwinkleCounter = 0;
  } else {
    ++FTwinkleCounter;
  }
}

void TSkyDomeStars::BuildList(TRenderContextInfo&, bool Twinkle) {
  if (Count() == 0) return;
  PrecomputeCartesianCoordinates();
  glPushAttrib(GL_ENABLE_BIT);
  glEnable(GL_POINT_SMOOTH);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_NOTEQUAL, 0);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glBegin(GL_POINTS);
  bool first = true, smallSize = false;
  int lastSizeIndex = 0;
  TColor lastColor = 0;
  TColorVector color{};
  for (int i = 0; i < Count(); ++i) {
    const TSkyDomeStar* star = GetItems(i);
    int sizeIndex = Round((4.5f - star->GetMagnitude()) * 10);
    if (first || sizeIndex != lastSizeIndex) {
      // Every star up to index 15 shares the smallest size, so only a bigger one restarts.
      if (sizeIndex > 15) {
        glEnd();
        glPointSize(sizeIndex * 0.1f);
        glBegin(GL_POINTS);
        smallSize = false;
      } else if (!smallSize) {
        glEnd();
        glPointSize(1.5f);
        glBegin(GL_POINTS);
        smallSize = true;
      }
      lastSizeIndex = sizeIndex;
    }
    if (first || star->GetColor() != lastColor) {
      color = ConvertWinColor(star->GetColor(), 1);
      FTwinkleCounter = 0;
      if (Twinkle)
        TwinkleStarColor(color);
      else
        glColor4fv(color.data());
      lastColor = star->GetColor();
    } else if (Twinkle) {
      TwinkleStarColor(color);
    }
    glVertex3fv(star->GetCacheCoord().data());
    first = false;
  }
  glEnd();
  glPointSize(1);
  glPopAttrib();
  glAlphaFunc(GL_GREATER, 0);
}

// ---- TGLSkyDome

TGLSkyDome::TGLSkyDome(TComponent* AOwner)
    : TGLCameraInvariantObject(AOwner),
      FBands(std::make_unique<TSkyDomeBands>(this)),
      FStars(std::make_unique<TSkyDomeStars>(this)) {
  SetCamInvarianceMode(cimPosition);
  // The dome's size follows the camera's depth of view, so no compiled list can hold it.
  SetStyleFlags(GetStyleFlags() | osBuildEveryFrame | osNeverCulled);
  FBands->BeginUpdate();
  TSkyDomeBand* low = FBands->Add();
  low->SetStartAngle(0);
  low->SetStopAngle(15);
  low->GetStartColor()->SetDirectColor({1, 1, 1, 1});
  low->GetStopColor()->SetDirectColor({0, 0, 1, 1});
  TSkyDomeBand* high = FBands->Add();
  high->SetStartAngle(15);
  high->SetStopAngle(90);
  high->GetStartColor()->SetDirectColor({0, 0, 1, 1});
  high->GetStopColor()->SetDirectColor({35 / 255.0f, 35 / 255.0f, 142 / 255.0f, 1});
  high->SetStacks(4);
  FBands->EndUpdate();
}

TGLSkyDome::~TGLSkyDome() {
  FStars.reset();
  FBands.reset();
}

const TPropertyTable& TGLSkyDome::Published() {
  using D = TGLSkyDome;
  static const TPropertyTable table =
      TPropertyTable::Extend<D>(TGLCameraInvariantObject::Published())
          .Set("Options", &D::GetOptions, &D::SetOptions, {"sdoTwinkle"}, Default(0))
          .Object("Bands", &D::GetBands)
          .Object("Stars", &D::GetStars);
  return table;
}

void TGLSkyDome::SetBands(TSkyDomeBands* AValue) {
  FBands->Assign(AValue);
  StructureChanged();
}

void TGLSkyDome::SetStars(TSkyDomeStars* AValue) {
  FStars->Assign(AValue);
  StructureChanged();
}

void TGLSkyDome::SetOptions(TSkyDomeOptions AValue) {
  if (AValue == FOptions) return;
  FOptions = AValue;
  StructureChanged();
}

void TGLSkyDome::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* dome = dynamic_cast<TGLSkyDome*>(Source)) {
    FBands->Assign(dome->FBands.get());
    FStars->Assign(dome->FStars.get());
  }
  TGLCameraInvariantObject::Assign(Source);
}

float TGLSkyDome::FarDistance(const TRenderContextInfo& rci) {
  TGLCamera* camera = rci.scene != nullptr ? rci.scene->GetCurrentGLCamera() : nullptr;
  if (camera == nullptr) return rci.clipping.farClippingDistance;
  return camera->GetNearPlane() + camera->GetDepthOfView();
}

void TGLSkyDome::BuildList(TRenderContextInfo& rci) {
  TDomeState state(0.9f * FarDistance(rci), false);
  FBands->BuildList(rci);
  FStars->BuildList(rci, (FOptions & sdoTwinkle) != 0);
}

// ---- TGLEarthSkyDome

TGLEarthSkyDome::TGLEarthSkyDome(TComponent* AOwner) : TGLSkyDome(AOwner) {
  auto recompute = [this](TObject*) { PreCalculate(); };
  FSunZenithColor = std::make_unique<TGLColor>(this, TColorVector{1, 1, 1, 1}, recompute);
  FSunDawnColor = std::make_unique<TGLColor>(this, TColorVector{1, 0.5f, 0, 0}, recompute);
  FHazeColor = std::make_unique<TGLColor>(this, TColorVector{0.9f, 0.95f, 1, 0}, recompute);
  FSkyColor = std::make_unique<TGLColor>(this, TColorVector{0.45f, 0.6f, 0.9f, 0}, recompute);
  FNightColor = std::make_unique<TGLColor>(this, TColorVector{0, 0, 0, 0}, recompute);
  FDeepColor = std::make_unique<TGLColor>(this, TColorVector{0, 0.2f, 0.4f, 0});
  GetBands()->Clear();
  PreCalculate();
}

TGLEarthSkyDome::~TGLEarthSkyDome() = default;

const TPropertyTable& TGLEarthSkyDome::Published() {
  using D = TGLEarthSkyDome;
  // The stored defaults of Slices and Stacks are the constructor's, so that a dome with those
  // values reads back as it was written.
  static const TPropertyTable table =
      TPropertyTable::Extend<D>(TGLSkyDome::Published())
          .Float("SunElevation", &D::GetSunElevation, &D::SetSunElevation, NoDefault())
          .Float("Turbidity", &D::GetTurbidity, &D::SetTurbidity, NoDefault())
          .Object("SunZenithColor", &D::GetSunZenithColor)
          .Object("SunDawnColor", &D::GetSunDawnColor)
          .Object("HazeColor", &D::GetHazeColor)
          .Object("SkyColor", &D::GetSkyColor)
          .Object("NightColor", &D::GetNightColor)
          .Object("DeepColor", &D::GetDeepColor)
          .Set("ExtendedOptions", &D::GetExtendedOptions, &D::SetExtendedOptions,
               {"esoFadeStarsWithSun", "esoRotateOnTwelveHours"}, Default(0))
          .Integer("Slices", &D::GetSlices, &D::SetSlices, Default(48))
          .Integer("Stacks", &D::GetStacks, &D::SetStacks, Default(24));
  return table;
}

void TGLEarthSkyDome::SetSunElevation(float AValue) {
  AValue = std::clamp(AValue, -90.0f, 90.0f);
  if (AValue == FSunElevation) return;
  FSunElevation = AValue;
  PreCalculate();
}

void TGLEarthSkyDome::SetTurbidity(float AValue) {
  FTurbidity = std::clamp(AValue, 1.0f, 120.0f);
  PreCalculate();
}

void TGLEarthSkyDome::SetModelColor(TGLColor& Own, TGLColor* AValue) {
  Own.SetDirectColor(AValue->GetColor());
  PreCalculate();
}

void TGLEarthSkyDome::SetSlices(int32_t AValue) {
  AValue = std::max(AValue, 6);
  if (AValue == FSlices) return;
  FSlices = AValue;
  StructureChanged();
}

void TGLEarthSkyDome::SetStacks(int32_t AValue) {
  AValue = std::max(AValue, 1);
  if (AValue == FStacks) return;
  FStacks = AValue;
  StructureChanged();
}

void TGLEarthSkyDome::PreCalculate() {
  const long double ts = DegToRad(90 - (long double)FSunElevation);
  // Below the horizon the exponential passes 1, and far below it the haze factor does: both are
  // blend factors and stay within 0..1.
  FModel.SunColor = Lerp(FSunZenithColor->GetColor(), FSunDawnColor->GetColor(),
                         Clamp01(std::exp(-6 * (cPI / 2 - ts))));
  const float g = Clamp01(std::pow(1 - std::cos(ts - 0.5L), 2));
  FModel.HazeColor = Lerp(FHazeColor->GetColor(), FNightColor->GetColor(), g);
  FModel.SkyColor = Lerp(FSkyColor->GetColor(), FNightColor->GetColor(), g);
  FModel.HazeTurbid = float(-2 * std::sqrt(121.0L - FTurbidity));
  FModel.SkyTurbid = -(121 - FTurbidity);

  TSkyDomeStars* stars = GetStars();
  if ((FExtendedOptions & esoFadeStarsWithSun) != 0) {
    long double k = FSunElevation <= 0 ? 1 : std::pow(1 - FSunElevation / 90.0L, 11);
    auto grey = uint8_t(Round(float(255 * k)));
    for (int i = 0; i < stars->Count(); ++i) stars->GetItems(i)->SetColor(RGB(grey, grey, grey));
  }
  // The sky turns by twelve hours when the sun reaches the zenith or the nadir: once on each
  // arrival, straight from one pole to the other included, not again at every recomputation
  // while it stays there.
  const bool atPole = FSunElevation == 90 || FSunElevation == -90;
  if (!atPole) {
    FTurnedAtPole = 0;
  } else if ((FExtendedOptions & esoRotateOnTwelveHours) != 0 && FTurnedAtPole != FSunElevation) {
    Roll(180);
    for (int i = 0; i < stars->Count(); ++i)
      stars->GetItems(i)->SetRA(stars->GetItems(i)->GetRA() + 180);
    FTurnedAtPole = FSunElevation;
  }
  StructureChanged();
}

TColorVector TGLEarthSkyDome::CalculateColor(float Theta, float SunAngleTerm) const {
  const long double e = cPI / 2 - Theta;
  TColorVector col =
      Lerp(FModel.SkyColor, FModel.HazeColor, Clamp01(std::exp(FModel.HazeTurbid * e)));
  return Lerp(col, FModel.SunColor,
              Clamp01(1.1L * std::exp(FModel.SkyTurbid * SunAngleTerm * (1 + e))));
}

std::vector<float> TGLEarthSkyDome::StackElevations() const {
  const int h = FStacks / 2;
  const double s = FSunElevation / 90.0;
  std::vector<float> elevations{1};
  double tPrev = 0;
  for (int i = 0; i < FStacks; ++i) {
    double t;
    if (i == FStacks - 1) {
      // The last stack always reaches the zenith, so that no stack count leaves a hole there.
      t = 1;
    } else if (s <= 0) {
      t = double(i + 1) / FStacks;
    } else if (i < h) {
      t = s - s * std::pow(double(h - i) / h, 2);
    } else {
      // With 2 or 3 stacks h - 1 is 0, where the stack at h sits on the sun's elevation.
      double f = i == h ? 0 : double(i - h) / (h - 1);
      t = s + (1 - s) * f * f;
    }
    t = std::clamp(t, tPrev, 1.0);
    elevations.push_back(float(1 + 89 * t));
    tPrev = t;
  }
  return elevations;
}

std::vector<std::array<float, 2>> TGLEarthSkyDome::AzimuthTable() const {
  const int n = FSlices / 2;
  std::vector<std::array<float, 2>> table(2 * n + 1);
  table[n] = {0, 1};
  for (int i = 1; i <= n; ++i) {
    long double a = cPI * (1 - std::sqrt(std::cos((long double)i / n * cPI / 2)));
    table[n + i] = {float(std::sin(a)), float(std::cos(a))};
    table[n - i] = {float(-std::sin(a)), float(std::cos(a))};
  }
  table[0] = table[2 * n] = {0, -1};
  return table;
}

TAffineVector TGLEarthSkyDome::SunDirection() const {
  const long double ts = DegToRad(90 - (long double)FSunElevation);
  return {float(std::sin(ts)), 0, float(std::cos(ts))};
}

void TGLEarthSkyDome::EmitVertex(const TAffineVector& Point) const {
  const float theta = float(cPI / 2 - std::asin(std::clamp(Point[2], -1.0f, 1.0f)));
  Emit(CalculateColor(theta, 1 - VectorDotProduct(Point, SunDirection())), Point);
}

void TGLEarthSkyDome::RenderBand(const std::vector<std::array<float, 2>>& Azimuths, float Low,
                                 float High) const {
  auto ring = [](float elevation, const std::array<float, 2>& azimuth) {
    const long double el = DegToRad((long double)elevation);
    return TAffineVector{float(std::cos(el) * azimuth[1]), float(std::cos(el) * azimuth[0]),
                         float(std::sin(el))};
  };
  if (High == 90) {
    glBegin(GL_TRIANGLE_FAN);
    EmitVertex({0, 0, 1});
    for (const auto& azimuth : Azimuths) EmitVertex(ring(Low, azimuth));
  } else {
    glBegin(GL_TRIANGLE_STRIP);
    for (const auto& azimuth : Azimuths) {
      EmitVertex(ring(Low, azimuth));
      EmitVertex(ring(High, azimuth));
    }
  }
  glEnd();
}

void TGLEarthSkyDome::RenderDeepBand(const std::vector<std::array<float, 2>>& Azimuths) const {
  const long double el = DegToRad(1.0L);
  glBegin(GL_TRIANGLE_FAN);
  Emit(FDeepColor->GetColor(), {0, 0, -1});
  for (const auto& azimuth : Azimuths)
    EmitVertex(
        {float(std::cos(el) * azimuth[1]), float(std::cos(el) * azimuth[0]), float(std::sin(el))});
  glEnd();
}

void TGLEarthSkyDome::BuildList(TRenderContextInfo& rci) {
  TDomeState state(0.95f * FarDistance(rci), true);
  const auto azimuths = AzimuthTable();
  const auto elevations = StackElevations();
  for (size_t i = 1; i < elevations.size(); ++i)
    RenderBand(azimuths, elevations[i - 1], elevations[i]);
  RenderDeepBand(azimuths);
  GetBands()->BuildList(rci);
  GetStars()->BuildList(rci, (GetOptions() & sdoTwinkle) != 0);
}

void TGLEarthSkyDome::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* dome = dynamic_cast<TGLEarthSkyDome*>(Source)) {
    FSunElevation = dome->FSunElevation;
    FTurbidity = dome->FTurbidity;
    FSunZenithColor->SetDirectColor(dome->FSunZenithColor->GetColor());
    FSunDawnColor->SetDirectColor(dome->FSunDawnColor->GetColor());
    FHazeColor->SetDirectColor(dome->FHazeColor->GetColor());
    FSkyColor->SetDirectColor(dome->FSkyColor->GetColor());
    FNightColor->SetDirectColor(dome->FNightColor->GetColor());
    FSlices = dome->FSlices;
    FStacks = dome->FStacks;
    PreCalculate();
  }
  TGLSkyDome::Assign(Source);
}

void TGLEarthSkyDome::Loaded() {
  TGLSkyDome::Loaded();
  PreCalculate();
}

void RegisterGLSkydome() {
  RegisterClasses({TGLSkyDome::StaticClass(), TGLEarthSkyDome::StaticClass()});
}
