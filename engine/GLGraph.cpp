#include "engine/GLGraph.h"

#include <cmath>

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
  // Rounded down, so that an Origin a whole number of steps below Min still puts a sample on Min.
  const long double n = std::floor((long double)t);
  return float(FOrigin - FStep * n);
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

// One axis's loop bounds, as the lattice walks them.
struct TAxisWalk {
  float Base, Step, Limit;

  TAxisWalk(const TGLSamplingScale& Scale, bool Enabled) {
    Scale.SetBaseStepMaxToVars(Base, Step, Limit, Enabled);
  }
  // Each sample in turn, accumulated in single precision.
  template <class F>
  void ForEach(F&& Visit) const {
    for (float value = Base; value <= Limit; value += Step) Visit(value);
  }
  // Whether the walk ends: a step too small to change a sample still in range never would.
  bool Ends() const {
    for (float value = Base; value <= Limit;) {
      const float next = value + Step;
      if (next == value) return false;
      value = next;
    }
    return true;
  }
};

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
  const TGLSamplingScale* scales[3] = {FXSamplingScale.get(), FYSamplingScale.get(),
                                       FZSamplingScale.get()};
  const TAxisWalk walks[3] = {{*scales[X], (FParts & gpX) != 0},
                              {*scales[Y], (FParts & gpY) != 0},
                              {*scales[Z], (FParts & gpZ) != 0}};
  // An axis is walked by the lines along the other axes, and by its own lines when they are
  // drawn in segments.
  for (int axis : {X, Y, Z}) {
    const TXYZGridParts own = TXYZGridParts(1 << axis);
    const bool walked = (FParts & ~own) != 0 || (segments && (FParts & own) != 0);
    if (walked && !walks[axis].Ends()) return;
  }
  SetupLineStyle();
  for (int axis : {X, Y, Z}) {
    if ((FParts & (1 << axis)) == 0) continue;
    // The lines along an axis, through the samples of the other two, the lower axis outside.
    const int outer = axis == X ? Y : X, inner = axis == Z ? Y : Z;
    TAffineVector point{};
    auto emit = [&point] { glVertex3f(point[X], point[Y], point[Z]); };
    walks[outer].ForEach([&](float o) {
      point[outer] = o;
      walks[inner].ForEach([&](float i) {
        point[inner] = i;
        glBegin(GL_LINE_STRIP);
        if (segments) {
          walks[axis].ForEach([&](float v) {
            point[axis] = v;
            emit();
          });
        } else {
          point[axis] = scales[axis]->GetMin();
          emit();
          point[axis] = scales[axis]->GetMax();
          emit();
        }
        glEnd();
      });
    });
  }
  RestoreLineStyle();
}

void RegisterGLGraph() {
  RegisterClasses({TGLXYZGrid::StaticClass()});
}
