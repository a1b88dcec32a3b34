#pragma once
// The sky around the eye: rings of colour bands and point stars drawn behind everything, wherever
// the camera stands, and the earth sky, whose colours come from the sun's elevation and the
// haziness of the air.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/GLTexture.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Graphics.h"

class TGLSkyDome;

// A ring of the dome between two elevations, its colour running from the lower to the upper one.
class TSkyDomeBand : public TCollectionItem {
  RTL_CLASS(TSkyDomeBand, TCollectionItem)
  static const TPropertyTable& Published();
  explicit TSkyDomeBand(TCollection* ACollection);
  ~TSkyDomeBand() override;

  // Degrees, clamped to [-90, 90]; the other angle follows so that start never passes stop.
  float GetStartAngle() const { return FStartAngle; }
  void SetStartAngle(float AValue);
  float GetStopAngle() const { return FStopAngle; }
  void SetStopAngle(float AValue);
  TGLColor* GetStartColor() const { return FStartColor.get(); }
  void SetStartColor(TGLColor* AValue);
  TGLColor* GetStopColor() const { return FStopColor.get(); }
  void SetStopColor(TGLColor* AValue);
  // At least 3 segments around, at least 1 up.
  int32_t GetSlices() const { return FSlices; }
  void SetSlices(int32_t AValue);
  int32_t GetStacks() const { return FStacks; }
  void SetStacks(int32_t AValue);

  std::string GetDisplayName() const override;
  void Assign(TPersistent* Source) override;
  // The band's stacks on the unit sphere, z up.
  void BuildList(TRenderContextInfo& rci);

 private:
  void RenderStrip(float lowAngle, float highAngle, const TColorVector& lowColor,
                   const TColorVector& highColor) const;

  float FStartAngle = 0;
  float FStopAngle = 0;
  std::unique_ptr<TGLColor> FStartColor, FStopColor;
  int32_t FSlices = 12;
  int32_t FStacks = 1;
};

class TSkyDomeBands : public TOwnedCollection {
  RTL_CLASS(TSkyDomeBands, TOwnedCollection)
  explicit TSkyDomeBands(TComponent* AOwner);
  TSkyDomeBand* Add() { return static_cast<TSkyDomeBand*>(TCollection::Add()); }
  TSkyDomeBand* GetItems(int Index) const { return static_cast<TSkyDomeBand*>(GetItem(Index)); }
  void BuildList(TRenderContextInfo& rci);

 protected:
  // A band that changed redraws the dome that owns the collection.
  void Update(TCollectionItem* Item) override;
};

// A star by its right ascension and declination, in degrees.
class TSkyDomeStar : public TCollectionItem {
  RTL_CLASS(TSkyDomeStar, TCollectionItem)
  static const TPropertyTable& Published();
  explicit TSkyDomeStar(TCollection* ACollection) : TCollectionItem(ACollection) {}

  // Plain fields: a change is seen at the next draw.
  float GetRA() const { return FRA; }
  void SetRA(float AValue) { FRA = AValue; }
  float GetDec() const { return FDec; }
  void SetDec(float AValue) { FDec = AValue; }
  float GetMagnitude() const { return FMagnitude; }
  void SetMagnitude(float AValue) { FMagnitude = AValue; }
  TColor GetColor() const { return FColor; }
  void SetColor(TColor AValue) { FColor = AValue; }
  // The unit direction of the star, z up, as last computed for a draw.
  const TAffineVector& GetCacheCoord() const { return FCacheCoord; }

  std::string GetDisplayName() const override;
  void Assign(TPersistent* Source) override;

 private:
  friend class TSkyDomeStars;
  float FRA = 0;
  float FDec = 0;
  float FMagnitude = 0;
  TColor FColor = 0;
  TAffineVector FCacheCoord{};
};

class TSkyDomeStars : public TOwnedCollection {
  RTL_CLASS(TSkyDomeStars, TOwnedCollection)
  explicit TSkyDomeStars(TComponent* AOwner);
  TSkyDomeStar* Add() { return static_cast<TSkyDomeStar*>(TCollection::Add()); }
  TSkyDomeStar* GetItems(int Index) const { return static_cast<TSkyDomeStar*>(GetItem(Index)); }
  void PrecomputeCartesianCoordinates();
  // Points sized by magnitude, added onto what is behind them.
  void BuildList(TRenderContextInfo& rci, bool Twinkle);

 private:
  // Scales the colour by a random factor in [0.4, 1) when the counter allows.
  void TwinkleStarColor(const TColorVector& Color);
  uint32_t FTwinkleCounter = 0;
};

enum TSkyDomeOption : uint8_t { sdoTwinkle = 1 << 0 };
using TSkyDomeOptions = uint8_t;

class TGLSkyDome : public TGLCameraInvariantObject {
  RTL_CLASS(TGLSkyDome, TGLCameraInvariantObject)
  static const TPropertyTable& Published();

  // Centred on the eye, never culled, drawn at every frame; a white-to-blue band from 0 to 15
  // degrees and a blue-to-night-blue one from 15 to 90.
  explicit TGLSkyDome(TComponent* AOwner);
  ~TGLSkyDome() override;

  TSkyDomeBands* GetBands() const { return FBands.get(); }
  void SetBands(TSkyDomeBands* AValue);
  TSkyDomeStars* GetStars() const { return FStars.get(); }
  void SetStars(TSkyDomeStars* AValue);
  TSkyDomeOptions GetOptions() const { return FOptions; }
  void SetOptions(TSkyDomeOptions AValue);

  // Bands and stars from another sky dome, then the node's own state.
  void Assign(TPersistent* Source) override;
  void BuildList(TRenderContextInfo& rci) override;

 protected:
  // The eye's far-plane distance, by which the unit dome is scaled.
  static float FarDistance(const TRenderContextInfo& rci);

 private:
  TSkyDomeOptions FOptions = 0;
  std::unique_ptr<TSkyDomeBands> FBands;
  std::unique_ptr<TSkyDomeStars> FStars;
};

enum TEarthSkydomeOption : uint8_t {
  esoFadeStarsWithSun = 1 << 0,
  esoRotateOnTwelveHours = 1 << 1,
};
using TEarthSkydomeOptions = uint8_t;

// The sun's effect on the sky, derived from the dome's settings by PreCalculate.
struct TEarthSkyModel {
  TColorVector SunColor{}, SkyColor{}, HazeColor{};
  float HazeTurbid = 0, SkyTurbid = 0;
};

class TGLEarthSkyDome : public TGLSkyDome {
  RTL_CLASS(TGLEarthSkyDome, TGLSkyDome)
  static const TPropertyTable& Published();

  // Sun at 75 degrees, turbidity 15, 48 slices and 24 stacks, no bands and no stars.
  explicit TGLEarthSkyDome(TComponent* AOwner);
  ~TGLEarthSkyDome() override;

  // Degrees above the horizon, clamped to [-90, 90].
  float GetSunElevation() const { return FSunElevation; }
  void SetSunElevation(float AValue);
  // Clamped to [1, 120]; recomputes at every write.
  float GetTurbidity() const { return FTurbidity; }
  void SetTurbidity(float AValue);
  TGLColor* GetSunZenithColor() const { return FSunZenithColor.get(); }
  void SetSunZenithColor(TGLColor* AValue) { SetModelColor(*FSunZenithColor, AValue); }
  TGLColor* GetSunDawnColor() const { return FSunDawnColor.get(); }
  void SetSunDawnColor(TGLColor* AValue) { SetModelColor(*FSunDawnColor, AValue); }
  TGLColor* GetHazeColor() const { return FHazeColor.get(); }
  void SetHazeColor(TGLColor* AValue) { SetModelColor(*FHazeColor, AValue); }
  TGLColor* GetSkyColor() const { return FSkyColor.get(); }
  void SetSkyColor(TGLColor* AValue) { SetModelColor(*FSkyColor, AValue); }
  TGLColor* GetNightColor() const { return FNightColor.get(); }
  void SetNightColor(TGLColor* AValue) { SetModelColor(*FNightColor, AValue); }
  // Not part of the model: drawn as it is at the nadir.
  TGLColor* GetDeepColor() const { return FDeepColor.get(); }
  void SetDeepColor(TGLColor* AValue) { SetModelColor(*FDeepColor, AValue); }
  TEarthSkydomeOptions GetExtendedOptions() const { return FExtendedOptions; }
  void SetExtendedOptions(TEarthSkydomeOptions AValue) { FExtendedOptions = AValue; }
  // At least 6 segments around, at least 1 up.
  int32_t GetSlices() const { return FSlices; }
  void SetSlices(int32_t AValue);
  int32_t GetStacks() const { return FStacks; }
  void SetStacks(int32_t AValue);

  const TEarthSkyModel& GetModel() const { return FModel; }
  // Derives the model from the settings, then redraws.
  void PreCalculate();
  // The colour of a dome point at zenith angle Theta (radians) whose direction makes an angle
  // with the sun whose cosine is 1 - SunAngleTerm.
  TColorVector CalculateColor(float Theta, float SunAngleTerm) const;
  // The lower elevation of each stack and, last, the top of the dome, in degrees.
  std::vector<float> StackElevations() const;
  // The azimuths of the dome, crowded toward the sun: 2 (Slices div 2) + 1 (sine, cosine) pairs.
  std::vector<std::array<float, 2>> AzimuthTable() const;

  void Assign(TPersistent* Source) override;
  void BuildList(TRenderContextInfo& rci) override;

 protected:
  void Loaded() override;

 private:
  void SetModelColor(TGLColor& Own, TGLColor* AValue);
  TAffineVector SunDirection() const;
  void RenderBand(const std::vector<std::array<float, 2>>& Azimuths, float Low, float High) const;
  void RenderDeepBand(const std::vector<std::array<float, 2>>& Azimuths) const;
  void EmitVertex(const TAffineVector& Point) const;

  float FSunElevation = 75;
  float FTurbidity = 15;
  TEarthSkyModel FModel;
  std::unique_ptr<TGLColor> FSunZenithColor, FSunDawnColor, FHazeColor, FSkyColor, FNightColor,
      FDeepColor;
  int32_t FSlices = 48;
  int32_t FStacks = 24;
  TEarthSkydomeOptions FExtendedOptions = 0;
  // The pole (90 or -90) at which the twelve-hour turn has been made, 0 while the sun is at
  // neither.
  float FTurnedAtPole = 0;
};

// Registers the sky domes for layout streaming; called once by the start-up routine.
void RegisterGLSkydome();
