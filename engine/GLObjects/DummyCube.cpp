#include "engine/GLObjects/DummyCube.h"

#include <cmath>

#include "engine/GLState.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/SysUtils.h"

void DrawWireCube(TRenderContextInfo& rci, bool Dashed, const TColorVector& Color, float Size) {
  glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_ENABLE_BIT |
               GL_COLOR_BUFFER_BIT);
  // Straight to OpenGL, not through the state cache: the pop gives all of it back.
  glDisable(GL_LIGHTING);
  glEnable(GL_LINE_SMOOTH);
  if (Dashed) {
    glEnable(GL_LINE_STIPPLE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLineStipple(1, 0xCCCC);
  }
  glLineWidth(1);
  const float h = 0.5f * Size, m = -h;
  rci.stateCache->ResetGLMaterialColors();
  glColorMaterial(GL_FRONT, GL_EMISSION);
  glEnable(GL_COLOR_MATERIAL);
  glColor4f(Color[0], Color[1], Color[2], Color[3]);
  // A strip round nine of the edges, and the three it leaves out.
  glBegin(GL_LINE_STRIP);
  glVertex3f(h, m, m);
  glVertex3f(h, h, m);
  glVertex3f(h, h, h);
  glVertex3f(h, m, h);
  glVertex3f(h, m, m);
  glVertex3f(m, m, m);
  glVertex3f(m, m, h);
  glVertex3f(m, h, h);
  glVertex3f(m, h, m);
  glVertex3f(h, h, m);
  glEnd();
  glBegin(GL_LINES);
  glVertex3f(h, h, h);
  glVertex3f(m, h, h);
  glVertex3f(m, m, m);
  glVertex3f(m, h, m);
  glVertex3f(h, m, h);
  glVertex3f(m, m, h);
  glEnd();
  glPopAttrib();
}

TGLDummyCube::TGLDummyCube(TComponent* AOwner)
    : TGLCameraInvariantObject(AOwner),
      FEdgeColor(std::make_unique<TGLColor>(this, TColorVector{1, 1, 1, 1})),
      FGroupList(std::make_unique<TGLListHandle>()) {
  SetStyleFlags(GetStyleFlags() | osBuildEveryFrame);
  SetCamInvarianceMode(cimNone);
}

TGLDummyCube::~TGLDummyCube() = default;

const TPropertyTable& TGLDummyCube::Published() {
  using D = TGLDummyCube;
  // A new cube has edge 1, so an edge of 0 is written too: left out, it would read back as 1.
  static const TPropertyTable table =
      TPropertyTable::Extend<D>(TGLImmaterialSceneObject::Published())
          .Float("CubeSize", &D::GetCubeSize, &D::SetCubeSize, NoDefault())
          .Object("EdgeColor", &D::GetEdgeColor)
          .Boolean("VisibleAtRunTime", &D::GetVisibleAtRunTime, &D::SetVisibleAtRunTime,
                   Default(false))
          .Boolean("Amalgamate", &D::GetAmalgamate, &D::SetAmalgamate, Default(false))
          .Enumeration("CamInvarianceMode", &D::GetCamInvarianceMode, &D::SetCamInvarianceMode,
                       {"cimNone", "cimPosition", "cimOrientation"}, Default(cimNone))
          .Event("OnVisibilityDetermination", &D::OnVisibilityDetermination);
  return table;
}

void TGLDummyCube::SetCubeSize(float AValue) {
  if (AValue == FCubeSize) return;
  FCubeSize = AValue;
  StructureChanged();
}

void TGLDummyCube::SetEdgeColor(TGLColor* AValue) {
  if (AValue == FEdgeColor.get()) return;
  FEdgeColor->Assign(AValue);
  StructureChanged();
}

void TGLDummyCube::SetVisibleAtRunTime(bool AValue) {
  if (AValue == FVisibleAtRunTime) return;
  FVisibleAtRunTime = AValue;
  StructureChanged();
}

void TGLDummyCube::SetAmalgamate(bool AValue) {
  if (AValue == FAmalgamate) return;
  FAmalgamate = AValue;
  if (AValue) {
    SetStyleFlags(GetStyleFlags() | osResetStates);
  } else {
    FGroupList->DestroyHandle();
    SetStyleFlags(GetStyleFlags() & ~osResetStates);
  }
  FGroupListDirty = true;
  TGLCameraInvariantObject::StructureChanged();
}

void TGLDummyCube::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLDummyCube*>(Source)) {
    FCubeSize = source->FCubeSize;
    FEdgeColor->SetDirectColor(source->FEdgeColor->GetColor());
    FVisibleAtRunTime = source->FVisibleAtRunTime;
    StructureChanged();
  }
  TGLCameraInvariantObject::Assign(Source);
}

TVector TGLDummyCube::BarycenterAbsolutePosition() {
  const int count = Count();
  if (count == 0) return AbsolutePosition();
  long double sum[4] = {0, 0, 0, 0};
  for (int i = 0; i < count; ++i) {
    const TVector barycenter = GetChild(i)->BarycenterAbsolutePosition();
    for (int k = 0; k < 4; ++k) sum[k] += barycenter[k];
  }
  const long double scale = 1.0L / count;
  return {float(sum[X] * scale), float(sum[Y] * scale), float(sum[Z] * scale),
          float(sum[W] * scale)};
}

TVector TGLDummyCube::AxisAlignedDimensionsUnscaled() {
  const float half = std::fabs(FCubeSize) * 0.5f;
  return {half, half, half, 0};
}

bool TGLDummyCube::RayCastIntersect(const TVector&, const TVector&, TVector*, TVector*) {
  return false;
}

void TGLDummyCube::BuildList(TRenderContextInfo& rci) {
  if (FVisibleAtRunTime) DrawWireCube(rci, true, FEdgeColor->GetColor(), FCubeSize);
}

void TGLDummyCube::DoRender(TRenderContextInfo& rci, bool ARenderSelf, bool ARenderChildren) {
  if (OnVisibilityDetermination && !OnVisibilityDetermination(this, rci)) return;
  // Inside an amalgamating ancestor's list a second list cannot be opened.
  if (!FAmalgamate || rci.amalgamating) {
    TGLCameraInvariantObject::DoRender(rci, ARenderSelf, ARenderChildren);
    return;
  }
  if (FGroupList->GetHandle() == 0 || FGroupListDirty)
    CompileGroupList(rci, ARenderSelf, ARenderChildren);
  glCallList(FGroupList->GetHandle());
}

void TGLDummyCube::CompileGroupList(TRenderContextInfo& rci, bool ARenderSelf,
                                    bool ARenderChildren) {
  if (FGroupList->GetHandle() == 0) {
    FGroupList->AllocateHandle();
    Assert(FGroupList->GetHandle() != 0, "Handle=0 for " + ClassName());
  }
  // Cleared before the compile, so that a change made while compiling is not lost.
  FGroupListDirty = false;
  glNewList(FGroupList->GetHandle(), GL_COMPILE);
  // The list is replayed after whatever object comes before it: it must not rely on what the
  // cache believes that object left, so it starts from the cache's reset, sent into it.
  rci.stateCache->ResetAll();
  rci.amalgamating = true;
  try {
    TGLCameraInvariantObject::DoRender(rci, ARenderSelf, ARenderChildren);
  } catch (...) {
    // Closed, else every later call would go into it, and compiled again at the next frame
    // rather than replayed half made.
    rci.amalgamating = false;
    glEndList();
    FGroupListDirty = true;
    throw;
  }
  rci.amalgamating = false;
  glEndList();
}

void TGLDummyCube::StructureChanged() {
  if (FAmalgamate) FGroupListDirty = true;
  TGLCameraInvariantObject::StructureChanged();
}
