#include "engine/GLGeomObjects/ArrowLine.h"

TGLArrowLine::TGLArrowLine(TComponent* AOwner) : TGLCylinderBase(AOwner) {
  SetBottomRadius(0.1f);
}

const TPropertyTable& TGLArrowLine::Published() {
  using A = TGLArrowLine;
  static const TPropertyTable table =
      TPropertyTable::Extend<A>(TGLCylinderBase::Published())
          .Set("Parts", &A::GetParts, &A::SetParts, {"alLine", "alTopArrow", "alBottomArrow"},
               Default(cDefaultArrowLineParts))
          .Float("TopRadius", &A::GetShaftTopRadius, &A::SetTopRadius, NoDefault())
          .Float("TopArrowHeadHeight", &A::GetTopArrowHeadHeight, &A::SetTopArrowHeadHeight,
                 NoDefault())
          .Float("TopArrowHeadRadius", &A::GetTopArrowHeadRadius, &A::SetTopArrowHeadRadius,
                 NoDefault())
          .Float("BottomArrowHeadHeight", &A::GetBottomArrowHeadHeight,
                 &A::SetBottomArrowHeadHeight, NoDefault())
          .Float("BottomArrowHeadRadius", &A::GetBottomArrowHeadRadius,
                 &A::SetBottomArrowHeadRadius, NoDefault())
          .Enumeration("HeadStackingStyle", &A::GetHeadStackingStyle, &A::SetHeadStackingStyle,
                       {"ahssStacked", "ahssCentered", "ahssIncluded"}, Default(ahssStacked));
  return table;
}

void TGLArrowLine::SetParts(TArrowLineParts AValue) {
  ChangeStructure(FParts, AValue);
}

void TGLArrowLine::SetTopRadius(float AValue) {
  ChangeStructure(FTopRadius, AValue);
}

void TGLArrowLine::SetTopArrowHeadHeight(float AValue) {
  ChangeStructure(FTopArrowHeadHeight, AValue);
}

void TGLArrowLine::SetTopArrowHeadRadius(float AValue) {
  ChangeStructure(FTopArrowHeadRadius, AValue);
}

void TGLArrowLine::SetBottomArrowHeadHeight(float AValue) {
  ChangeStructure(FBottomArrowHeadHeight, AValue);
}

void TGLArrowLine::SetBottomArrowHeadRadius(float AValue) {
  ChangeStructure(FBottomArrowHeadRadius, AValue);
}

void TGLArrowLine::SetHeadStackingStyle(TArrowHeadStackingStyle AValue) {
  ChangeStructure(FHeadStackingStyle, AValue);
}

void TGLArrowLine::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLArrowLine*>(Source)) {
    FParts = source->FParts;
    FTopRadius = source->FTopRadius;
    FTopArrowHeadHeight = source->FTopArrowHeadHeight;
    FTopArrowHeadRadius = source->FTopArrowHeadRadius;
    FBottomArrowHeadHeight = source->FBottomArrowHeadHeight;
    FBottomArrowHeadRadius = source->FBottomArrowHeadRadius;
    FHeadStackingStyle = source->FHeadStackingStyle;
  }
  TGLCylinderBase::Assign(Source);
}

void TGLArrowLine::BuildList(TRenderContextInfo&) {
  static constexpr float headOffset[] = {0, 0.5f, 1};  // by stacking style
  const float k = headOffset[FHeadStackingStyle];
  const float height = GetHeight(), bottomRadius = GetBottomRadius();
  const int32_t slices = GetSlices(), stacks = GetStacks(), loops = GetLoops();
  const bool line = (FParts & alLine) != 0;
  const bool topArrow = (FParts & alTopArrow) != 0;
  const bool bottomArrow = (FParts & alBottomArrow) != 0;
  float length = height, start = -height / 2;
  const TGLQuadricScope quadric(*this);
  if (topArrow) {
    length -= FTopArrowHeadHeight * k;
    glPushMatrix();
    glTranslatef(0, 0, height / 2 - FTopArrowHeadHeight * k);
    gluCylinder(quadric, FTopArrowHeadRadius, 0, FTopArrowHeadHeight, slices, stacks);
    SetInvertedQuadricOrientation(quadric);
    gluDisk(quadric, line ? FTopRadius : 0, FTopArrowHeadRadius, slices, loops);
    glPopMatrix();
  }
  if (bottomArrow) {
    length -= FBottomArrowHeadHeight * k;
    start += FBottomArrowHeadHeight * k;
    glPushMatrix();
    glRotatef(180, 1, 0, 0);
    glTranslatef(0, 0, height / 2 - FBottomArrowHeadHeight * k);
    SetNormalQuadricOrientation(quadric);
    gluCylinder(quadric, FBottomArrowHeadRadius, 0, FBottomArrowHeadHeight, slices, stacks);
    SetInvertedQuadricOrientation(quadric);
    gluDisk(quadric, line ? bottomRadius : 0, FBottomArrowHeadRadius, slices, loops);
    glPopMatrix();
  }
  if (length > 0 && line) {
    glPushMatrix();
    glTranslatef(0, 0, start);
    SetNormalQuadricOrientation(quadric);
    gluCylinder(quadric, bottomRadius, FTopRadius, length, slices, stacks);
    if (!topArrow) {
      glPushMatrix();
      glTranslatef(0, 0, length);
      gluDisk(quadric, 0, FTopRadius, slices, loops);
      glPopMatrix();
    }
    if (!bottomArrow) {
      SetInvertedQuadricOrientation(quadric);
      gluDisk(quadric, 0, bottomRadius, slices, loops);
    }
    glPopMatrix();
  }
}
