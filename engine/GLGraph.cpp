#include "engine/GLGraph.h"

#include <vector>

#include "engine/base/VectorGeometry.h"
#include "platform/gl/OpenGL.h"

// ---- TGLSamplingScale

const TPropertyTable& TGLSamplingScale::Published() {
  using S = TGLSamplingScale;
  static const TPropertyTable table =
      TPropertyTable::Extend<S>(TGLUpdateAbleObject::Published())
          .Float("Min", &S::GetMin, &S::SetMin, NoDefault())
          .Float("Max", &S::GetMax, &S::SetMax, NoDefault())
          .Float("Origin", &S::GetOrigin, &S::SetOrigin, NoDefault())
          .Float("Step", &S::GetStep, &S::SetStep, NoDefault());
  return table;
}

void TGLSamplingScale::SetMin(float AValue) {
  FMin = AValue;
  if (FMax < FMin) FMax = FMin;
  NotifyChange(this);
}

void TGLSamplingScale::SetMax(float AValue) {
  FMax = AValue;
  if (FMin > FMax) FMin = FMax;
  NotifyChange(this);
}

void TGLSamplingScale::SetOrigin(float AValue) {
  FOrigin = AValue;
  NotifyChange(this);
}

void TGLSamplingScale::SetStep(float AValue) {
  FStep = AValue <= 0 ? 1 : AValue;
  NotifyChange(this);
}

void TGLSamplingScale::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TGLSamplingScale*>(Source);
  if (source == nullptr) return inherited::Assign(Source);
  FMin = source->FMin;
  FMax = source->FMax;
  FOrigin = source->FOrigin;
  FStep = source->FStep;
  NotifyChange(this);
}

float TGLSamplingScale::StepBase() const {
  if (FOrigin == FMin) return FMin;
  const float t = float(((long double)FOrigin - FMin) / FStep);
  const int n = t >= 0 ? Trunc(t) : Trunc(t) - 1;
  return float(FOrigin - (long double)FStep * n);
}

int TGLSamplingScale::MaxStepCount() const {
  return Round(float(((long double)FMax - FMin) / FStep + 0.5L));
}

void TGLSamplingScale::SetBaseStepMaxToVars(float& Base, float& Delta, float& Limit,
                                            bool SamplingEnabled) const {
  Delta = FStep;
  if (SamplingEnabled) {
    Base = StepBase();
    Limit = float(FMax + ((long double)FMax - Base) / FStep * 1e-6L);
  } else {
    Base = FOrigin;
    Limit = FOrigin;
  }
}

// ---- TGLXYZGrid

namespace {

// The samples of one axis, accumulated in single precision as the lattice is drawn. False when
// a step fails to advance a sample that is still in range: the loop would never end.
bool Samples(const TGLSamplingScale& Scale, bool Enabled, std::vector<float>& Values) {
  float value, step, limit;
  Scale.SetBaseStepMaxToVars(value, step, limit, Enabled);
  Values.clear();
  while (value <= limit) {
    Values.push_back(value);
    const float next = value + step;
    if (next == value) return false;
    value = next;
  }
  return true;
}

}  // namespace

TGLXYZGrid::TGLXYZGrid(TComponent* AOwner)
    : TGLLineBase(AOwner),
      FXSamplingScale(std::make_unique<TGLSamplingScale>(this)),
      FYSamplingScale(std::make_unique<TGLSamplingScale>(this)),
      FZSamplingScale(std::make_unique<TGLSamplingScale>(this)) {}

TGLXYZGrid::~TGLXYZGrid() = default;

const TPropertyTable& TGLXYZGrid::Published() {
  using G = TGLXYZGrid;
  static const TPropertyTable table =
      TPropertyTable::Extend<G>(TGLLineBase::Published())
          .Object("XSamplingScale", &G::GetXSamplingScale)
          .Object("YSamplingScale", &G::GetYSamplingScale)
          .Object("ZSamplingScale", &G::GetZSamplingScale)
          .Set("Parts", &G::GetParts, &G::SetParts, {"gpX", "gpY", "gpZ"}, Default(gpX | gpY))
          .Enumeration("LinesStyle", &G::GetLinesStyle, &G::SetLinesStyle,
                       {"glsLine", "glsSegments"}, Default(glsSegments))
          .Boolean("LinesSmoothing", &G::GetLinesSmoothing, &G::SetLinesSmoothing, NotStored());
  return table;
}

void TGLXYZGrid::SetParts(TXYZGridParts AValue) {
  if (AValue == FParts) return;
  FParts = AValue;
  StructureChanged();
}

void TGLXYZGrid::SetLinesStyle(TXYZGridLinesStyle AValue) {
  if (AValue == FLinesStyle) return;
  FLinesStyle = AValue;
  StructureChanged();
}

void TGLXYZGrid::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TGLXYZGrid*>(Source)) {
    SetXSamplingScale(source->FXSamplingScale.get());
    SetYSamplingScale(source->FYSamplingScale.get());
    SetZSamplingScale(source->FZSamplingScale.get());
    FParts = source->FParts;
    FLinesStyle = source->FLinesStyle;
  }
  TGLLineBase::Assign(Source);
}

void TGLXYZGrid::NotifyChange(TObject* Sender) {
  if (dynamic_cast<TGLSamplingScale*>(Sender) != nullptr) StructureChanged();
  TGLLineBase::NotifyChange(Sender);
}

void TGLXYZGrid::BuildList(TRenderContextInfo&) {
  const bool segments = FLinesStyle == glsSegments;
  // An axis is walked by the lines along the other axes, and by its own lines when they are
  // drawn in segments.
  const TGLSamplingScale* scales[3] = {FXSamplingScale.get(), FYSamplingScale.get(),
                                       FZSamplingScale.get()};
  std::vector<float> samples[3];
  for (int axis = 0; axis < 3; ++axis) {
    const TXYZGridParts own = TXYZGridParts(1 << axis);
    const bool walked = (FParts & ~own) != 0 || (segments && (FParts & own) != 0);
    if (walked && !Samples(*scales[axis], (FParts & own) != 0, samples[axis])) return;
  }
  const std::vector<float>&xs = samples[0], &ys = samples[1], &zs = samples[2];
  SetupLineStyle();
  if (FParts & gpX) {
    for (float y : ys)
      for (float z : zs) {
        glBegin(GL_LINE_STRIP);
        if (segments) {
          for (float x : xs) glVertex3f(x, y, z);
        } else {
          glVertex3f(FXSamplingScale->GetMin(), y, z);
          glVertex3f(FXSamplingScale->GetMax(), y, z);
        }
        glEnd();
      }
  }
  if (FParts & gpY) {
    for (float x : xs)
      for (float z : zs) {
        glBegin(GL_LINE_STRIP);
        if (segments) {
          for (float y : ys) glVertex3f(x, y, z);
        } else {
          glVertex3f(x, FYSamplingScale->GetMin(), z);
          glVertex3f(x, FYSamplingScale->GetMax(), z);
        }
        glEnd();
      }
  }
  if (FParts & gpZ) {
    for (float x : xs)
      for (float y : ys) {
        glBegin(GL_LINE_STRIP);
        if (segments) {
          for (float z : zs) glVertex3f(x, y, z);
        } else {
          glVertex3f(x, y, FZSamplingScale->GetMin());
          glVertex3f(x, y, FZSamplingScale->GetMax());
        }
        glEnd();
      }
  }
  RestoreLineStyle();
}

void RegisterGLGraph() {
  RegisterClasses({TGLXYZGrid::StaticClass()});
}
