#pragma once
// Sampled axes, the lattice of lines drawn over them and the surface sampled on two of them.

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/GLMisc.h"
#include "engine/GLObjects/LineBase.h"

// How one axis is sampled: the samples Origin + k * Step that lie in Min .. Max.
class TGLSamplingScale : public TGLUpdateAbleObject {
  RTL_CLASS(TGLSamplingScale, TGLUpdateAbleObject)
  static const TPropertyTable& Published();
  explicit TGLSamplingScale(TPersistent* AOwner) : TGLUpdateAbleObject(AOwner) {}

  // Every write notifies, equal or not. Min and Max push each other so that Min <= Max.
  float GetMin() const { return FMin; }
  void SetMin(float AValue);
  float GetMax() const { return FMax; }
  void SetMax(float AValue);
  float GetOrigin() const { return FOrigin; }
  void SetOrigin(float AValue);
  // A value <= 0 is stored as 1.
  float GetStep() const { return FStep; }
  void SetStep(float AValue);

  void Assign(TPersistent* Source) override;

  // The first sample at or above Min.
  float StepBase() const;
  // Round((Max - Min) / Step + 0.5), ties to even.
  int MaxStepCount() const;
  bool IsValid() const { return FMax != FMin; }
  // The loop bounds of a drawing: from Base by Delta while <= Limit, with a millionth of a step
  // of slack per step so that accumulated error keeps the sample at Max. Without sampling the
  // one sample Origin.
  void SetBaseStepMaxToVars(float& Base, float& Delta, float& Limit, bool SamplingEnabled) const;

 private:
  float FMin = 0, FMax = 0, FOrigin = 0, FStep = 0.1f;
};

enum TXYZGridPart : uint8_t { gpX = 1 << 0, gpY = 1 << 1, gpZ = 1 << 2 };
using TXYZGridParts = uint8_t;
enum TXYZGridLinesStyle : uint8_t { glsLine, glsSegments };

// Lines parallel to the X, Y and/or Z axes through the samples of the three scales.
class TGLXYZGrid : public TGLLineBase {
  RTL_CLASS(TGLXYZGrid, TGLLineBase)
  static const TPropertyTable& Published();

  // X and Y lines, each drawn through every sample.
  explicit TGLXYZGrid(TComponent* AOwner);
  ~TGLXYZGrid() override;

  TGLSamplingScale* GetXSamplingScale() const { return FXSamplingScale.get(); }
  void SetXSamplingScale(TGLSamplingScale* AValue) { FXSamplingScale->Assign(AValue); }
  TGLSamplingScale* GetYSamplingScale() const { return FYSamplingScale.get(); }
  void SetYSamplingScale(TGLSamplingScale* AValue) { FYSamplingScale->Assign(AValue); }
  TGLSamplingScale* GetZSamplingScale() const { return FZSamplingScale.get(); }
  void SetZSamplingScale(TGLSamplingScale* AValue) { FZSamplingScale->Assign(AValue); }
  TXYZGridParts GetParts() const { return FParts; }
  void SetParts(TXYZGridParts AValue);
  TXYZGridLinesStyle GetLinesStyle() const { return FLinesStyle; }
  void SetLinesStyle(TXYZGridLinesStyle AValue);
  // The line base's AntiAliased.
  bool GetLinesSmoothing() const { return GetAntiAliased(); }
  void SetLinesSmoothing(bool AValue) { SetAntiAliased(AValue); }

  // Scales, parts and style from another grid; then the line base's Assign.
  void Assign(TPersistent* Source) override;
  // A scale's change rebuilds the lattice.
  void NotifyChange(TObject* Sender) override;
  // One line strip per line. A step too small to advance its axis in single precision draws
  // nothing rather than looping for ever.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  std::unique_ptr<TGLSamplingScale> FXSamplingScale, FYSamplingScale, FZSamplingScale;
  TXYZGridParts FParts = gpX | gpY;
  TXYZGridLinesStyle FLinesStyle = glsSegments;
};

enum THeightFieldOption : uint8_t { hfoTextureCoordinates = 1 << 0, hfoTwoSided = 1 << 1 };
using THeightFieldOptions = uint8_t;
// Which material colour follows the samples' colours.
enum THeightFieldColorMode : uint8_t {
  hfcmNone,
  hfcmEmission,
  hfcmAmbient,
  hfcmDiffuse,
  hfcmAmbientAndDiffuse,
};
// The height, colour and texture point of the sample at (x, y); z and color come in as the row
// buffer holds them, texPoint as (x, y).
using THeightFieldGetHeightEvent =
    std::function<void(float x, float y, float& z, TVector4f& color, TTexPoint& texPoint)>;
using THeightFieldGetHeight2Event = std::function<void(TObject* Sender, float x, float y, float& z,
                                                       TVector4f& color, TTexPoint& texPoint)>;

// A surface z = f(x, y) sampled on the lattice of two scales, from an event or, without one, a
// ripple round the origin; one triangle strip per pair of sample rows.
class TGLHeightField : public TGLSceneObject {
  RTL_CLASS(TGLHeightField, TGLSceneObject)
  static const TPropertyTable& Published();

  // Two-sided, no colours; the state cache is reset after the field has drawn itself.
  explicit TGLHeightField(TComponent* AOwner);
  ~TGLHeightField() override;

  // Every assignment rebuilds, equal or not.
  const THeightFieldGetHeightEvent& GetOnGetHeight() const { return FOnGetHeight; }
  void SetOnGetHeight(const THeightFieldGetHeightEvent& AValue);
  // Asked when OnGetHeight is not assigned, with the field as Sender.
  const THeightFieldGetHeight2Event& GetOnGetHeight2() const { return FOnGetHeight2; }
  void SetOnGetHeight2(const THeightFieldGetHeight2Event& AValue);
  TGLSamplingScale* GetXSamplingScale() const { return FXSamplingScale.get(); }
  void SetXSamplingScale(TGLSamplingScale* AValue) { FXSamplingScale->Assign(AValue); }
  TGLSamplingScale* GetYSamplingScale() const { return FYSamplingScale.get(); }
  void SetYSamplingScale(TGLSamplingScale* AValue) { FYSamplingScale->Assign(AValue); }
  THeightFieldOptions GetOptions() const { return FOptions; }
  void SetOptions(THeightFieldOptions AValue);
  THeightFieldColorMode GetColorMode() const { return FColorMode; }
  void SetColorMode(THeightFieldColorMode AValue);
  // Triangles of the last build that drew; 0 when it drew nothing.
  int32_t GetTriangleCount() const { return FTriangleCount; }

  // From another height field its scales, events, options and colour mode only: the target
  // keeps its material and placement. From anything else the scene object's Assign.
  void Assign(TPersistent* Source) override;
  // A scale's change rebuilds the surface.
  void NotifyChange(TObject* Sender) override;
  // Rows of samples from the scales' first sample while within the range and its slack, each
  // row at most MaxStepCount + 1 samples; nothing without a row or a column. Normals are the
  // surface's, estimated from the neighbouring heights. Two-sided fields draw the material's
  // polygon mode on both faces; enables and polygon mode are given back afterwards.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  THeightFieldGetHeightEvent FOnGetHeight;
  THeightFieldGetHeight2Event FOnGetHeight2;
  std::unique_ptr<TGLSamplingScale> FXSamplingScale, FYSamplingScale;
  THeightFieldOptions FOptions = hfoTwoSided;
  int32_t FTriangleCount = 0;
  THeightFieldColorMode FColorMode = hfcmNone;
};

// Registers the height field and the grid for layout streaming; called once by the start-up
// routine.
void RegisterGLGraph();
