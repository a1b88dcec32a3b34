#pragma once
// A cloud of OpenGL points drawn from vertex arrays: positions, and one colour per point or one
// for all, in one of five point styles; and the settings of the point-parameter extension
// (size range, fade threshold, distance attenuation) applied around the drawing when asked for.

#include <cstdint>
#include <memory>

#include "engine/GLMisc.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/base/VectorLists.h"

// Settings of the point-parameter extension, owned by a cloud and told to it on every change.
class TGLPointParameters : public TGLUpdateAbleObject {
  RTL_CLASS(TGLPointParameters, TGLUpdateAbleObject)
  static const TPropertyTable& Published();

  // Off; sizes 0 to 128, fading below 1, no attenuation (1, 0, 0).
  explicit TGLPointParameters(TPersistent* AOwner);
  ~TGLPointParameters() override;

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool AValue);
  // A changed size is stored with a negative value as 0.
  float GetMinSize() const { return FMinSize; }
  void SetMinSize(float AValue);
  float GetMaxSize() const { return FMaxSize; }
  void SetMaxSize(float AValue);
  float GetFadeTresholdSize() const { return FFadeTresholdSize; }
  void SetFadeTresholdSize(float AValue);
  // The constant, linear and quadratic factors in X, Y and Z; the setter copies the value.
  TGLCoordinates* GetDistanceAttenuation() const { return FDistanceAttenuation.get(); }
  void SetDistanceAttenuation(TGLCoordinates* AValue);

  // The sizes and the attenuation from other parameters (Enabled stays); any other source is
  // ignored.
  void Assign(TPersistent* Source) override;

  // When enabled and the implementation has the extension: sends the settings. Else nothing.
  void Apply();
  // Under the same conditions: sets the parameters back to sizes 0 to 128, fade threshold 1 and
  // no attenuation.
  void UnApply();

 protected:
  // "PointParams": the three sizes as 12 little-endian bytes, written unless all are the
  // defaults.
  void DefineProperties(TFiler& Filer) override;

 private:
  bool FEnabled = false;
  float FMinSize = 0, FMaxSize = 128, FFadeTresholdSize = 1;
  std::unique_ptr<TGLCoordinates> FDistanceAttenuation;
};

enum TGLPointStyle : uint8_t { psSquare, psRound, psSmooth, psSmoothAdditive, psSquareAdditive };

// What one frame of a cloud draws from: Count points, their positions 3 floats each at
// Vertices, their colours 4 floats each at Colors or, when Colors is nil, all of them in Color.
struct TGLPointsSource {
  const float* Vertices = nullptr;
  const float* Colors = nullptr;
  TVector Color{1, 1, 1, 1};
  int32_t Count = 0;
};

class TGLPoints : public TGLImmaterialSceneObject {
  RTL_CLASS(TGLPoints, TGLImmaterialSceneObject)
  static const TPropertyTable& Published();

  // No points, size 1, square; built at every frame and never culled.
  explicit TGLPoints(TComponent* AOwner);
  ~TGLPoints() override;

  // One point per item. Editing the lists tells nobody: a static cloud is compiled again only
  // after StructureChanged.
  TAffineVectorList* GetPositions() const { return FPositions.get(); }
  // One colour per point, or one for all.
  TVectorList* GetColors() const { return FColors.get(); }

  // NoZWrite, Size and Style rebuild on a change.
  bool GetNoZWrite() const { return FNoZWrite; }
  void SetNoZWrite(bool AValue);
  // A static cloud is compiled into the node's display list instead of being sent at every
  // frame.
  bool GetStatic() const { return FStatic; }
  void SetStatic(bool AValue);
  // Pixels.
  float GetSize() const { return FSize; }
  void SetSize(float AValue);
  TGLPointStyle GetStyle() const { return FStyle; }
  void SetStyle(TGLPointStyle AValue);
  TGLPointParameters* GetPointParameters() const { return FPointParameters.get(); }
  // Copies the values.
  void SetPointParameters(TGLPointParameters* AValue);

  // Size, style, positions and colours from another cloud, then a rebuild; then the scene
  // object's own state.
  void Assign(TPersistent* Source) override;
  // A change of the point parameters rebuilds too, as they are part of what is compiled.
  void NotifyChange(TObject* Sender) override;

  // No positions draw one point at the origin; one colour colours every point without a colour
  // array; more colours than one give each point its own, and points without a colour are left
  // out.
  TGLPointsSource DrawSource() const;
  // The points with lighting off, under the style's smoothing, alpha test and blending, all
  // within a pushed enable group; the alpha function is GL_GREATER 0 afterwards.
  void BuildList(TRenderContextInfo& rci) override;

 private:
  std::unique_ptr<TAffineVectorList> FPositions;
  std::unique_ptr<TVectorList> FColors;
  float FSize = 1;
  TGLPointStyle FStyle = psSquare;
  std::unique_ptr<TGLPointParameters> FPointParameters;
  bool FNoZWrite = false;
  bool FStatic = false;
};
