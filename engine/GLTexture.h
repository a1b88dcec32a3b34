#pragma once
// Colours and materials of the engine: the notifying four-float colour that every colour-valued
// property holds, the material colours of one face, and the conversion of window colours.

#include <cstdint>
#include <memory>

#include "engine/GLCrossPlatform.h"
#include "engine/GLMisc.h"
#include "engine/GLState.h"
#include "engine/base/VectorGeometry.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/Graphics.h"

// Red, green, blue, alpha, nominally 0..1; nothing clamps them.
using TColorVector = TVector;

// Each channel is a byte times 1/255 taken in extended precision, so these equal what
// ConvertWinColor gives for the same bytes.
constexpr float ColorByte(int byte) {
  return float(byte * (1.0L / 255));
}
constexpr TColorVector ColorBlack = {0, 0, 0, 1};
constexpr TColorVector ColorGray20 = {0.2f, 0.2f, 0.2f, 1};
constexpr TColorVector ColorGray80 = {0.8f, 0.8f, 0.8f, 1};
constexpr TColorVector ColorWhite = {1, 1, 1, 1};
constexpr TColorVector ColorNavyBlue = {ColorByte(35), ColorByte(35), ColorByte(142), 1};
constexpr TColorVector ColorBlue = {0, 0, 1, 1};

// A system colour (negative) is resolved to the desktop's current colour first; the top byte of
// a plain colour is ignored.
TColorVector ConvertWinColor(TColor winColor, float alpha);

// The 25 system colours as they were when the unit started; index = system colour index.
extern TSysColorVectors WinColors;

// Start-up of the unit: takes the system colours, so it runs once the GUI application exists.
void InitializeGLTexture();

class TGLSceneGraph;
class TGLSceneBuffer;

enum TGLDrawState : uint8_t { dsRendering, dsPicking };

// The record one render pass hands down to every object and material; nothing keeps it after
// the pass.
struct TRenderContextInfo {
  TGLSceneGraph* scene = nullptr;
  TGLSceneBuffer* buffer = nullptr;
  TVector cameraPosition{};
  TVector cameraDirection{};
  TVector cameraUp{};
  TMatrix* modelViewMatrix = nullptr;
  int32_t viewportSize[2] = {};
  int32_t renderDPI = 0;
  int32_t fogDisabledCounter = 0;
  int32_t lightingDisabledCounter = 0;
  TGLDrawState drawState = dsRendering;
  TGLObjectsSorting objectsSorting = osInherited;
  TGLVisibilityCulling visibilityCulling = vcInherited;
  TGLStateCache* stateCache = nullptr;
  TGLClippingInfo clipping{};
  TVector sceneAmbientColor{};
  bool bufferFaceCull = false;
  bool proxySubObject = false;
  bool ignoreMaterials = false;
  bool ignoreBlendingRequests = false;
  bool amalgamating = false;
};

// What a colour asks of a scene object that owns it directly, before telling it of the change:
// the object's display list is to be rebuilt.
class IGLStructureChangeable {
 public:
  virtual void StructureChanged() = 0;

 protected:
  ~IGLStructureChangeable() = default;
};

class TGLColor : public TGLUpdateAbleObject {
  RTL_CLASS(TGLColor, TGLUpdateAbleObject)
  static const TPropertyTable& Published();
  // Black.
  explicit TGLColor(TPersistent* AOwner);
  TGLColor(TPersistent* AOwner, const TColorVector& AColor, TNotifyEvent AOnChange = nullptr);

  // Copies the value without a notice; it becomes the default too while
  // vKeepDefaultCoordinates is on.
  void Initialize(const TColorVector& AColor);

  // The whole-value setters notify on every call, the channel setters only on a change.
  const TColorVector& GetColor() const { return FColor; }
  void SetColor(const TColorVector& AColor);
  void SetAsWinColor(TColor winColor);
  void SetRGBA(float red, float green, float blue, float alpha);
  float GetColorComponent(int index) const { return FColor[index]; }
  void SetColorComponent(int index, float value);
  float GetRed() const { return FColor[0]; }
  void SetRed(float value) { SetColorComponent(0, value); }
  float GetGreen() const { return FColor[1]; }
  void SetGreen(float value) { SetColorComponent(1, value); }
  float GetBlue() const { return FColor[2]; }
  void SetBlue(float value) { SetColorComponent(2, value); }
  float GetAlpha() const { return FColor[3]; }
  void SetAlpha(float value) { SetColorComponent(3, value); }
  // For owners that set their own colours: no notice.
  void SetDirectColor(const TColorVector& AColor) { FColor = AColor; }

  // The four floats, for the OpenGL calls that take a colour array.
  float* AsAddress() { return FColor.data(); }
  const TColorVector* GetDefaultColor() const { return FDefaultColor.get(); }

  // From another colour, with a notice.
  void Assign(TPersistent* Source) override;
  // Nothing without an owner; a scene object that owns the colour rebuilds its display list
  // first, even while the colour is updating.
  void NotifyChange(TObject* Sender) override;

 protected:
  // "Color": the four floats as 16 little-endian bytes, left out when equal to the default.
  void DefineProperties(TFiler& Filer) override;

 private:
  TColorVector FColor = ColorBlack;
  std::unique_ptr<TColorVector> FDefaultColor;
};

enum TPolygonMode : uint8_t { pmFill, pmLines, pmPoints };
// 0..128, as OpenGL takes it.
using TShininess = uint8_t;

class TGLFaceProperties : public TGLUpdateAbleObject {
  RTL_CLASS(TGLFaceProperties, TGLUpdateAbleObject)
  static const TPropertyTable& Published();
  explicit TGLFaceProperties(TPersistent* AOwner);

  // The colour setters copy the value in and notify once, from the face properties.
  TGLColor* GetAmbient() const { return FAmbient.get(); }
  void SetAmbient(TGLColor* AValue) { SetColorValue(*FAmbient, AValue); }
  TGLColor* GetDiffuse() const { return FDiffuse.get(); }
  void SetDiffuse(TGLColor* AValue) { SetColorValue(*FDiffuse, AValue); }
  TGLColor* GetEmission() const { return FEmission.get(); }
  void SetEmission(TGLColor* AValue) { SetColorValue(*FEmission, AValue); }
  TGLColor* GetSpecular() const { return FSpecular.get(); }
  void SetSpecular(TGLColor* AValue) { SetColorValue(*FSpecular, AValue); }
  TShininess GetShininess() const { return FShininess; }
  void SetShininess(TShininess AValue);
  TPolygonMode GetPolygonMode() const { return FPolygonMode; }
  void SetPolygonMode(TPolygonMode AValue);

  // Only from other face properties, with one notice; any other source is ignored.
  void Assign(TPersistent* Source) override;
  // Face GL_FRONT or GL_BACK. Apply goes through the state cache; ApplyNoLighting sends the
  // diffuse colour as the current colour.
  void Apply(TRenderContextInfo& rci, GLenum face);
  void ApplyNoLighting(TRenderContextInfo& rci, GLenum face);

 private:
  void SetColorValue(TGLColor& own, TGLColor* AValue);

  std::unique_ptr<TGLColor> FAmbient;
  std::unique_ptr<TGLColor> FDiffuse;
  std::unique_ptr<TGLColor> FSpecular;
  std::unique_ptr<TGLColor> FEmission;
  TPolygonMode FPolygonMode = pmFill;
  TShininess FShininess = 0;
};
