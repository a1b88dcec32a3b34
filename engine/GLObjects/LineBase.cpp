#include "engine/GLObjects/LineBase.h"

#include "platform/gl/OpenGL.h"

TGLLineBase::TGLLineBase(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner),
      FLineColor(std::make_unique<TGLColor>(this, TColorVector{1, 1, 1, 1})) {}

TGLLineBase::~TGLLineBase() = default;

const TPropertyTable& TGLLineBase::Published() {
  using L = TGLLineBase;
  static const TPropertyTable table = [] {
    // Visible is published again after the line style, and is written there: publishing it
    // over the inherited entry would keep the inherited place.
    TPropertyTable inherited;
    for (const TPropInfo& info : TGLImmaterialSceneObject::Published().Items())
      if (info.Name != "Visible") inherited.Add(info);
    return TPropertyTable(
        TPropertyTable::Extend<L>(inherited)
            .Boolean("AntiAliased", &L::GetAntiAliased, &L::SetAntiAliased, Default(false))
            .Object("LineColor", &L::GetLineColor)
            .Integer("LinePattern", &L::GetLinePattern, &L::SetLinePattern, Default(0xFFFF))
            .Float("LineWidth", &L::GetLineWidth, &L::SetLineWidth, Default(1.0f))
            .Boolean("Visible", &L::GetVisible, &L::SetVisible, Default(true)));
  }();
  return table;
}

void TGLLineBase::SetLineColor(TGLColor* AValue) {
  FLineColor->SetColor(AValue->GetColor());
  StructureChanged();
}

void TGLLineBase::SetLinePattern(uint16_t AValue) {
  if (AValue == FLinePattern) return;
  FLinePattern = AValue;
  StructureChanged();
}

void TGLLineBase::SetLineWidth(float AValue) {
  if (AValue == FLineWidth) return;
  FLineWidth = AValue;
  StructureChanged();
}

void TGLLineBase::SetAntiAliased(bool AValue) {
  if (AValue == FAntiAliased) return;
  FAntiAliased = AValue;
  StructureChanged();
}

void TGLLineBase::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  auto* source = dynamic_cast<TGLLineBase*>(Source);
  if (source == nullptr) return TGLImmaterialSceneObject::Assign(Source);
  FLineColor->SetColor(source->FLineColor->GetColor());
  FLinePattern = source->FLinePattern;
  FLineWidth = source->FLineWidth;
  FAntiAliased = source->FAntiAliased;
}

namespace {

void BlendOverWhatIsBehind() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

}  // namespace

void TGLLineBase::SetupLineStyle() {
  glPushAttrib(GL_CURRENT_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT);
  glDisable(GL_LIGHTING);
  if (FLinePattern != 0xFFFF) {
    glEnable(GL_LINE_STIPPLE);
    BlendOverWhatIsBehind();
    glLineStipple(1, FLinePattern);
  }
  if (FAntiAliased) {
    glEnable(GL_LINE_SMOOTH);
    BlendOverWhatIsBehind();
  } else {
    glDisable(GL_LINE_SMOOTH);
  }
  glLineWidth(FLineWidth);
  const TColorVector& color = FLineColor->GetColor();
  if (color[3] == 1) {
    glColor3f(color[0], color[1], color[2]);
  } else {
    if (!FAntiAliased) BlendOverWhatIsBehind();
    glColor4f(color[0], color[1], color[2], color[3]);
  }
}

void TGLLineBase::RestoreLineStyle() {
  glPopAttrib();
}
