#include "engine/GLGraph.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/GLSceneGraph/Traversal.h"
#include "engine/GLState.h"
#include "engine/base/VectorGeometry.h"
#include "engine/base/XOpenGL.h"
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
  // Each sample in turn, accumulated in single precision, no more than MaxCount of them.
  template <class F>
  void ForEach(F&& Visit, int MaxCount = std::numeric_limits<int>::max()) const {
    int count = 0;
    for (float value = Base; value <= Limit && count < MaxCount; value += Step, ++count)
      Visit(value);
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
  if (!AssignSourceAccepted(Source)) return;
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

// ---- TGLHeightField

namespace {

// One lattice point while a surface is built.
struct THeightFieldSample {
  TVector4f Color;
  float Z;
  TTexPoint TexPoint;
  TAffineVector Normal;
};
static_assert(sizeof(THeightFieldSample) == 40);

// The surface's normals of a row from its own heights and those of the rows on either side, any
// of them missing: each slope is the mean of the differences on either side of the sample, so
// the border samples lean as far as the inner ones.
void ComputeNormals(std::vector<THeightFieldSample>& Row,
                    const std::vector<THeightFieldSample>* Above,
                    const std::vector<THeightFieldSample>* Below, float XStep, float YStep) {
  const int n = int(Row.size());
  for (int i = 0; i < n; ++i) {
    const float z = Row[i].Z;
    long double dx = 0, dy = 0;
    int xDiffs = 0, yDiffs = 0;
    if (i >= 1) dx += Row[i - 1].Z - z, ++xDiffs;
    if (i < n - 1) dx += z - Row[i + 1].Z, ++xDiffs;
    if (Above) dy += (*Above)[i].Z - z, ++yDiffs;
    if (Below) dy += z - (*Below)[i].Z, ++yDiffs;
    if (xDiffs > 0) dx /= xDiffs * (long double)XStep;
    if (yDiffs > 0) dy /= yDiffs * (long double)YStep;
    TAffineVector normal{float(dx), float(dy), 1};
    NormalizeVector(normal);
    Row[i].Normal = normal;
  }
}

}  // namespace

TGLHeightField::TGLHeightField(TComponent* AOwner)
    : TGLSceneObject(AOwner),
      FXSamplingScale(std::make_unique<TGLSamplingScale>(this)),
      FYSamplingScale(std::make_unique<TGLSamplingScale>(this)) {
  SetStyleFlags(GetStyleFlags() | osResetStates);
}

TGLHeightField::~TGLHeightField() = default;

const TPropertyTable& TGLHeightField::Published() {
  using H = TGLHeightField;
  static const TPropertyTable table =
      TPropertyTable::Extend<H>(TGLSceneObject::Published())
          .Event("OnGetHeight", &H::FOnGetHeight)
          .Event("OnGetHeight2", &H::FOnGetHeight2)
          .Object("XSamplingScale", &H::GetXSamplingScale)
          .Object("YSamplingScale", &H::GetYSamplingScale)
          .Set("Options", &H::GetOptions, &H::SetOptions, {"hfoTextureCoordinates", "hfoTwoSided"},
               Default(hfoTwoSided))
          .Enumeration(
              "ColorMode", &H::GetColorMode, &H::SetColorMode,
              {"hfcmNone", "hfcmEmission", "hfcmAmbient", "hfcmDiffuse", "hfcmAmbientAndDiffuse"},
              Default(hfcmNone));
  return table;
}

void TGLHeightField::SetOnGetHeight(const THeightFieldGetHeightEvent& AValue) {
  FOnGetHeight = AValue;
  StructureChanged();
}

void TGLHeightField::SetOnGetHeight2(const THeightFieldGetHeight2Event& AValue) {
  FOnGetHeight2 = AValue;
  StructureChanged();
}

void TGLHeightField::SetOptions(THeightFieldOptions AValue) {
  if (AValue == FOptions) return;
  FOptions = AValue;
  StructureChanged();
}

void TGLHeightField::SetColorMode(THeightFieldColorMode AValue) {
  if (AValue == FColorMode) return;
  FColorMode = AValue;
  StructureChanged();
}

void TGLHeightField::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  auto* source = dynamic_cast<TGLHeightField*>(Source);
  if (source == nullptr) return TGLSceneObject::Assign(Source);
  SetXSamplingScale(source->FXSamplingScale.get());
  SetYSamplingScale(source->FYSamplingScale.get());
  FOnGetHeight = source->FOnGetHeight;
  FOnGetHeight2 = source->FOnGetHeight2;
  FOptions = source->FOptions;
  FColorMode = source->FColorMode;
}

void TGLHeightField::NotifyChange(TObject* Sender) {
  if (dynamic_cast<TGLSamplingScale*>(Sender) != nullptr) StructureChanged();
  TGLSceneObject::NotifyChange(Sender);
}

void TGLHeightField::BuildList(TRenderContextInfo& rci) {
  FTriangleCount = 0;
  if (!FXSamplingScale->IsValid() || !FYSamplingScale->IsValid()) return;
  const TAxisWalk xWalk(*FXSamplingScale, true), yWalk(*FYSamplingScale, true);
  if (!xWalk.Ends() || !yWalk.Ends()) return;
  // The rows hold MaxStepCount + 1 samples; the slack must not add one more.
  int columns = 0;
  xWalk.ForEach([&](float) { ++columns; }, FXSamplingScale->MaxStepCount() + 1);
  const int maxRows = FYSamplingScale->MaxStepCount() + 1;
  if (columns == 0 || !(yWalk.Base <= yWalk.Limit)) return;

  const auto sample = [this](THeightFieldSample& s, float x, float y) {
    s.TexPoint = {x, y};
    if (FOnGetHeight) {
      FOnGetHeight(x, y, s.Z, s.Color, s.TexPoint);
    } else if (FOnGetHeight2) {
      FOnGetHeight2(this, x, y, s.Z, s.Color, s.TexPoint);
    } else {
      // Ripples spreading from the origin and fading with the distance.
      const long double q = (long double)x * x + (long double)y * y;
      s.Z = float(std::cos(12 * q) / ((6.28L * q + 1) * 2));
      s.Color = {0.8f, 0.8f, 0.8f, 1};
    }
  };
  const bool colored = FColorMode != hfcmNone;
  const bool textured = (FOptions & hfoTextureCoordinates) != 0;
  // Rows A and B at yA below yB: B first in each pair, so the triangles face up.
  const auto strip = [&](const std::vector<THeightFieldSample>& A, float yA,
                         const std::vector<THeightFieldSample>& B, float yB) {
    const auto vertex = [&](const THeightFieldSample& s, float x, float y) {
      glNormal3fv(s.Normal.data());
      if (colored) glColor4fv(s.Color.data());
      if (textured) {
        const GLfloat tex[2] = {s.TexPoint.S, s.TexPoint.T};
        vTexCoordDispatch.TexCoord2fv(tex);
      }
      glVertex4f(x, y, s.Z, 1);
    };
    glBegin(GL_TRIANGLE_STRIP);
    float x = xWalk.Base;
    for (int k = 0; k < columns; ++k, x += xWalk.Step) {
      vertex(B[k], x, yB);
      vertex(A[k], x, yA);
    }
    glEnd();
  };

  const bool twoSided = (FOptions & hfoTwoSided) != 0;
  GLbitfield pushed = 0;
  if (twoSided) pushed |= GL_ENABLE_BIT | GL_POLYGON_BIT;
  if (colored) pushed |= GL_ENABLE_BIT;
  if (pushed != 0) glPushAttrib(pushed);
  WithCleanup(
      [&] {
        if (twoSided) {
          static constexpr GLenum modes[] = {GL_FILL, GL_LINE, GL_POINT};
          glDisable(GL_CULL_FACE);
          glPolygonMode(GL_FRONT_AND_BACK,
                        modes[GetMaterial()->GetFrontProperties()->GetPolygonMode()]);
        }
        if (colored) {
          static constexpr GLenum tracked[] = {0, GL_EMISSION, GL_AMBIENT, GL_DIFFUSE,
                                               GL_AMBIENT_AND_DIFFUSE};
          glEnable(GL_COLOR_MATERIAL);
          glColorMaterial(GL_FRONT_AND_BACK, tracked[FColorMode]);
          rci.stateCache->ResetGLMaterialColors();
        }
        // Three rows at a time: a row's normals need the rows on either side of it.
        std::array<std::vector<THeightFieldSample>, 3> rows;
        for (auto& row : rows) row.assign(columns, THeightFieldSample{});
        std::vector<THeightFieldSample>*older = nullptr, *prev = nullptr, *cur = nullptr;
        float yOlder = 0, yPrev = 0, yCur = 0;
        int r = 0;
        yWalk.ForEach(
            [&](float y) {
              older = prev, yOlder = yPrev;
              prev = cur, yPrev = yCur;
              cur = &rows[r % 3], yCur = y;
              int i = 0;
              xWalk.ForEach([&](float x) { sample((*cur)[i++], x, y); }, columns);
              if (prev) ComputeNormals(*prev, older, cur, xWalk.Step, yWalk.Step);
              if (r > 1) strip(*older, yOlder, *prev, yPrev);
              ++r;
            },
            maxRows);
        ComputeNormals(*cur, prev, nullptr, xWalk.Step, yWalk.Step);
        if (prev) strip(*prev, yPrev, *cur, yCur);
        FTriangleCount = (r - 1) * 2 * (columns - 1);
      },
      [&] {
        if (pushed != 0) glPopAttrib();
      });
}

void RegisterGLGraph() {
  RegisterClasses({TGLHeightField::StaticClass(), TGLXYZGrid::StaticClass()});
}
