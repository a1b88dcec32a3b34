#pragma once
// The fog settings of one scene buffer, sent to OpenGL at each frame while the buffer's fog is
// on. Materials may still keep their objects out of the fog.

#include <cstdint>
#include <memory>

#include "engine/GLMisc.h"

class TGLColor;
class TGLSceneBuffer;

enum TFogMode : uint8_t { fmLinear, fmExp, fmExp2 };
enum TFogDistance : uint8_t { fdDefault, fdEyeRadial, fdEyePlane };

// The driver's own GL_FOG_DISTANCE_MODE_NV, read the first time fdDefault is applied; -1 until
// then.
extern int32_t DefaultFogDistanceMode;

class TGLFogEnvironment : public TGLUpdateAbleObject {
  RTL_CLASS(TGLFogEnvironment, TGLUpdateAbleObject)
  static const TPropertyTable& Published();

  // The owner must be a scene buffer: another raises EInvalidCast.
  explicit TGLFogEnvironment(TPersistent* AOwner);
  ~TGLFogEnvironment() override;

  TGLSceneBuffer* GetSceneBuffer() const { return FSceneBuffer; }

  // Black, opaque; the alpha is the density of the exponential modes.
  TGLColor* GetFogColor() const { return FFogColor.get(); }
  // Copied in when given, then a repaint.
  void SetFogColor(TGLColor* AValue);
  float GetFogStart() const { return FFogStart; }
  void SetFogStart(float AValue);
  float GetFogEnd() const { return FFogEnd; }
  void SetFogEnd(float AValue);
  TFogMode GetFogMode() const { return FFogMode; }
  void SetFogMode(TFogMode AValue);
  TFogDistance GetFogDistance() const { return FFogDistance; }
  void SetFogDistance(TFogDistance AValue);

  // From another fog environment the five settings, then a repaint.
  void Assign(TPersistent* Source) override;
  // What a new environment holds; the buffer stores the environment only when this is false.
  bool IsAtDefaultValues() const;
  // Sends the settings to OpenGL in the buffer's context, activating it for the time of it when
  // it is not active; nothing without a context.
  void ApplyFog();

 private:
  template <class T>
  void SetAndNotify(T& Field, T AValue);

  TGLSceneBuffer* FSceneBuffer;
  std::unique_ptr<TGLColor> FFogColor;
  float FFogStart = 10;
  float FFogEnd = 1000;
  TFogMode FFogMode = fmLinear;
  TFogDistance FFogDistance = fdDefault;
};
