#include "engine/GLObjects/Points.h"

#include <bit>

#include "platform/gl/OpenGL.h"

namespace {

// What the parameters are set back to after drawing. OpenGL itself starts the largest size at
// the implementation's limit; 128 is sent instead, the same on every implementation.
constexpr float cDefaultMinSize = 0, cDefaultMaxSize = 128, cDefaultFadeTresholdSize = 1;
constexpr GLfloat cDefaultAttenuation[3] = {1, 0, 0};

}  // namespace

// ---- TGLPointParameters

TGLPointParameters::TGLPointParameters(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FDistanceAttenuation(std::make_unique<TGLCoordinates>(this, TVector{1, 0, 0, 0}, ckVector)) {}

TGLPointParameters::~TGLPointParameters() = default;

const TPropertyTable& TGLPointParameters::Published() {
  using P = TGLPointParameters;
  // The sizes travel together as the binary "PointParams".
  static const TPropertyTable table =
      TPropertyTable::Extend<P>(TGLUpdateAbleObject::Published())
          .Boolean("Enabled", &P::GetEnabled, &P::SetEnabled, Default(false))
          .Float("MinSize", &P::GetMinSize, &P::SetMinSize, NotStored())
          .Float("MaxSize", &P::GetMaxSize, &P::SetMaxSize, NotStored())
          .Float("FadeTresholdSize", &P::GetFadeTresholdSize, &P::SetFadeTresholdSize, NotStored())
          .Object("DistanceAttenuation", &P::GetDistanceAttenuation);
  return table;
}

void TGLPointParameters::SetEnabled(bool AValue) {
  if (StoreIfChanged(FEnabled, AValue)) NotifyChange(this);
}

namespace {

// A size is never negative; the setters compare the value as given.
bool StoreSize(float& Field, float AValue) {
  if (Field == AValue) return false;
  Field = AValue < 0 ? 0.0f : AValue;
  return true;
}

}  // namespace

void TGLPointParameters::SetMinSize(float AValue) {
  if (StoreSize(FMinSize, AValue)) NotifyChange(this);
}

void TGLPointParameters::SetMaxSize(float AValue) {
  if (StoreSize(FMaxSize, AValue)) NotifyChange(this);
}

void TGLPointParameters::SetFadeTresholdSize(float AValue) {
  if (StoreSize(FFadeTresholdSize, AValue)) NotifyChange(this);
}

void TGLPointParameters::SetDistanceAttenuation(TGLCoordinates* AValue) {
  FDistanceAttenuation->Assign(AValue);
}

void TGLPointParameters::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TGLPointParameters*>(Source);
  if (source == nullptr) return;
  FMinSize = source->FMinSize;
  FMaxSize = source->FMaxSize;
  FFadeTresholdSize = source->FFadeTresholdSize;
  FDistanceAttenuation->Assign(source->FDistanceAttenuation.get());
}

void TGLPointParameters::DefineProperties(TFiler& Filer) {
  static_assert(std::endian::native == std::endian::little,
                "the stored floats are little-endian, as in memory here");
  inherited::DefineProperties(Filer);
  const bool hasData = !(FMaxSize == cDefaultMaxSize && FMinSize == cDefaultMinSize &&
                         FFadeTresholdSize == cDefaultFadeTresholdSize);
  // A value of other than 12 bytes raises, a short one here and a long one in the reader, and
  // leaves the sizes as they were.
  const auto readData = [this](TStream& stream) {
    float sizes[3];
    stream.ReadBuffer(sizes, sizeof sizes);
    if (stream.GetPosition() != stream.GetSize()) return;
    FMinSize = sizes[0];
    FMaxSize = sizes[1];
    FFadeTresholdSize = sizes[2];
  };
  const auto writeData = [this](TStream& stream) {
    const float sizes[3] = {FMinSize, FMaxSize, FFadeTresholdSize};
    stream.WriteBuffer(sizes, sizeof sizes);
  };
  Filer.DefineBinaryProperty("PointParams", readData, writeData, hasData);
}

void TGLPointParameters::Apply() {
  if (!FEnabled || !GLSupport.ARB_point_parameters) return;
  glPointParameterfARB(GL_POINT_SIZE_MIN_ARB, FMinSize);
  glPointParameterfARB(GL_POINT_SIZE_MAX_ARB, FMaxSize);
  glPointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, FFadeTresholdSize);
  glPointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, FDistanceAttenuation->AsAddress());
}

void TGLPointParameters::UnApply() {
  if (!FEnabled || !GLSupport.ARB_point_parameters) return;
  glPointParameterfARB(GL_POINT_SIZE_MIN_ARB, cDefaultMinSize);
  glPointParameterfARB(GL_POINT_SIZE_MAX_ARB, cDefaultMaxSize);
  glPointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, cDefaultFadeTresholdSize);
  glPointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, cDefaultAttenuation);
}

// ---- TGLPoints

TGLPoints::TGLPoints(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner),
      FPositions(std::make_unique<TAffineVectorList>()),
      FColors(std::make_unique<TVectorList>()),
      FPointParameters(std::make_unique<TGLPointParameters>(this)) {
  SetStyleFlags(GetStyleFlags() | osBuildEveryFrame | osNeverCulled);
}

TGLPoints::~TGLPoints() = default;

const TPropertyTable& TGLPoints::Published() {
  using P = TGLPoints;
  static const TPropertyTable table =
      TPropertyTable::Extend<P>(TGLImmaterialSceneObject::Published())
          .Boolean("NoZWrite", &P::GetNoZWrite, &P::SetNoZWrite, NoDefault())
          .Boolean("Static", &P::GetStatic, &P::SetStatic, NoDefault())
          .Float("Size", &P::GetSize, &P::SetSize, Default(1.0f))
          .Enumeration("Style", &P::GetStyle, &P::SetStyle,
                       {"psSquare", "psRound", "psSmooth", "psSmoothAdditive", "psSquareAdditive"},
                       Default(psSquare))
          .Object("PointParameters", &P::GetPointParameters);
  return table;
}

void TGLPoints::SetNoZWrite(bool AValue) {
  if (StoreIfChanged(FNoZWrite, AValue)) StructureChanged();
}

void TGLPoints::SetStatic(bool AValue) {
  if (!StoreIfChanged(FStatic, AValue)) return;
  if (AValue)
    SetStyleFlags(GetStyleFlags() & ~osBuildEveryFrame);
  else
    SetStyleFlags(GetStyleFlags() | osBuildEveryFrame);
  StructureChanged();
}

void TGLPoints::SetSize(float AValue) {
  if (StoreIfChanged(FSize, AValue)) StructureChanged();
}

void TGLPoints::SetStyle(TGLPointStyle AValue) {
  if (StoreIfChanged(FStyle, AValue)) StructureChanged();
}

void TGLPoints::SetPointParameters(TGLPointParameters* AValue) {
  FPointParameters->Assign(AValue);
}

void TGLPoints::Assign(TPersistent* Source) {
  if (!AssignSourceAccepted(Source)) return;
  if (auto* source = dynamic_cast<TGLPoints*>(Source)) {
    FSize = source->FSize;
    FStyle = source->FStyle;
    FPositions->Assign(source->FPositions.get());
    FColors->Assign(source->FColors.get());
    StructureChanged();
  }
  TGLImmaterialSceneObject::Assign(Source);
}

void TGLPoints::NotifyChange(TObject* Sender) {
  if (Sender != nullptr && Sender == FPointParameters.get())
    StructureChanged();
  else
    TGLImmaterialSceneObject::NotifyChange(Sender);
}

TGLPointsSource TGLPoints::DrawSource() const {
  static constexpr TAffineVector cOrigin{0, 0, 0};
  TGLPointsSource source;
  // Only the items the blocks hold: a count left above the capacity would read past them.
  int32_t n = FPositions->HeldCount();
  const int32_t m = FColors->HeldCount();
  if (m == 1) {
    source.Color = FColors->List()[0];
  } else if (m > 1) {
    if (n > m) n = m;
    source.Colors = FColors->List()[0].data();
  }
  if (n == 0) {
    source.Vertices = cOrigin.data();
    n = 1;
  } else {
    source.Vertices = FPositions->List()[0].data();
  }
  source.Count = n;
  return source;
}

void TGLPoints::BuildList(TRenderContextInfo&) {
  const TGLPointsSource source = DrawSource();
  const GLsizei n = source.Count;
  if (source.Colors != nullptr) {
    glColorPointer(4, GL_FLOAT, 0, source.Colors);
    glEnableClientState(GL_COLOR_ARRAY);
  } else {
    glColor4fv(source.Color.data());
  }
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_LIGHTING);
  glVertexPointer(3, GL_FLOAT, 0, source.Vertices);
  glEnableClientState(GL_VERTEX_ARRAY);
  if (FNoZWrite) glDepthMask(GL_FALSE);
  glPointSize(FSize);
  FPointParameters->Apply();
  // Locking lets the driver transform the arrays once; it pays only for larger clouds.
  const bool lockArrays = GLSupport.EXT_compiled_vertex_array && n > 64;
  if (lockArrays) glLockArraysEXT(0, n);
  switch (FStyle) {
    case psRound:
      glEnable(GL_POINT_SMOOTH);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GREATER, 0.5f);
      glDisable(GL_BLEND);
      break;
    case psSmooth:
    case psSmoothAdditive:
      glEnable(GL_POINT_SMOOTH);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_NOTEQUAL, 0);
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, FStyle == psSmooth ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
      break;
    case psSquareAdditive:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    case psSquare:
    default:
      // A style outside the enumeration draws as square points, so that the arrays, their lock
      // and the enable group below are undone as for any other.
      glDisable(GL_BLEND);
      break;
  }
  glDrawArrays(GL_POINTS, 0, n);
  if (lockArrays) glUnlockArraysEXT();
  FPointParameters->UnApply();
  if (FNoZWrite) glDepthMask(GL_TRUE);
  glDisableClientState(GL_VERTEX_ARRAY);
  if (source.Colors != nullptr) glDisableClientState(GL_COLOR_ARRAY);
  glPopAttrib();
  // The alpha function is not part of the enable group.
  glAlphaFunc(GL_GREATER, 0);
}
