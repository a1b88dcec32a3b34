#pragma once
// The common base of the objects that draw lines: colour, stipple, width and antialiasing, set
// up around a descendant's lines and given back afterwards.

#include <cstdint>
#include <memory>

#include "engine/GLSceneGraph/SceneObjects.h"

class TGLLineBase : public TGLImmaterialSceneObject {
  RTL_CLASS(TGLLineBase, TGLImmaterialSceneObject)
  static const TPropertyTable& Published();

  // Solid white lines one pixel wide, not smoothed.
  explicit TGLLineBase(TComponent* AOwner);
  ~TGLLineBase() override;

  TGLColor* GetLineColor() const { return FLineColor.get(); }
  // Copies the colour's value in, then rebuilds even when it was equal.
  void SetLineColor(TGLColor* AValue);
  // One bit per pixel step; 0xFFFF is solid.
  uint16_t GetLinePattern() const { return FLinePattern; }
  void SetLinePattern(uint16_t AValue);
  float GetLineWidth() const { return FLineWidth; }
  void SetLineWidth(float AValue);
  bool GetAntiAliased() const { return FAntiAliased; }
  void SetAntiAliased(bool AValue);

  // From another line object only the line style, and nothing of the node; from anything else
  // the scene object's state.
  void Assign(TPersistent* Source) override;

  // Before a descendant's lines: saves the current, line, colour-buffer and enable state and
  // sets the line style, lighting off. Pair each call with RestoreLineStyle. The state goes to
  // OpenGL directly, not through the state cache, which the pop would otherwise leave wrong.
  void SetupLineStyle();
  // After the lines: one attribute pop.
  void RestoreLineStyle();

 private:
  std::unique_ptr<TGLColor> FLineColor;
  uint16_t FLinePattern = 0xFFFF;
  float FLineWidth = 1;
  bool FAntiAliased = false;
};
