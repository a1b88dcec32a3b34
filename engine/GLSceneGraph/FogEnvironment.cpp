#include "engine/GLSceneGraph/FogEnvironment.h"

#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLTexture.h"
#include "platform/gl/OpenGL.h"
#include "platform/rtl/SysUtils.h"

int32_t DefaultFogDistanceMode = -1;

namespace {
TGLSceneBuffer* BufferOwner(TPersistent* AOwner) {
  if (!AOwner) return nullptr;
  if (auto* buffer = dynamic_cast<TGLSceneBuffer*>(AOwner)) return buffer;
  throw EInvalidCast("Invalid class typecast");
}
}  // namespace

const TPropertyTable& TGLFogEnvironment::Published() {
  using F = TGLFogEnvironment;
  static const TPropertyTable table =
      TPropertyTable::Extend<F>(TGLUpdateAbleObject::Published())
          .Object("FogColor", &F::GetFogColor)
          .Float("FogStart", &F::GetFogStart, &F::SetFogStart, NoDefault())
          .Float("FogEnd", &F::GetFogEnd, &F::SetFogEnd, NoDefault())
          .Enumeration("FogMode", &F::GetFogMode, &F::SetFogMode, {"fmLinear", "fmExp", "fmExp2"},
                       Default(fmLinear))
          .Enumeration("FogDistance", &F::GetFogDistance, &F::SetFogDistance,
                       {"fdDefault", "fdEyeRadial", "fdEyePlane"}, Default(fdDefault));
  return table;
}

TGLFogEnvironment::TGLFogEnvironment(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FSceneBuffer(BufferOwner(AOwner)),
      FFogColor(std::make_unique<TGLColor>(this, ColorBlack)) {}

TGLFogEnvironment::~TGLFogEnvironment() = default;

template <class T>
void TGLFogEnvironment::SetAndNotify(T& Field, T AValue) {
  if (Field == AValue) return;
  Field = AValue;
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogColor(TGLColor* AValue) {
  if (!AValue) return;
  FFogColor->Assign(AValue);
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogStart(float AValue) {
  SetAndNotify(FFogStart, AValue);
}

void TGLFogEnvironment::SetFogEnd(float AValue) {
  SetAndNotify(FFogEnd, AValue);
}

void TGLFogEnvironment::SetFogMode(TFogMode AValue) {
  SetAndNotify(FFogMode, AValue);
}

void TGLFogEnvironment::SetFogDistance(TFogDistance AValue) {
  SetAndNotify(FFogDistance, AValue);
}

void TGLFogEnvironment::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TGLFogEnvironment*>(Source);
  if (!source) return inherited::Assign(Source);
  FFogColor->SetDirectColor(source->FFogColor->GetColor());
  FFogStart = source->FFogStart;
  FFogEnd = source->FFogEnd;
  FFogMode = source->FFogMode;
  FFogDistance = source->FFogDistance;
  NotifyChange(this);
}

bool TGLFogEnvironment::IsAtDefaultValues() const {
  return VectorEquals(FFogColor->GetColor(), ColorBlack) && FFogStart == 10 && FFogEnd == 1000 &&
         FFogMode == fmLinear && FFogDistance == fdDefault;
}

void TGLFogEnvironment::ApplyFog() {
  TGLContext* context = FSceneBuffer ? FSceneBuffer->GetRenderingContext() : nullptr;
  if (!context) return;
  WithActiveContext(*context, [this] {
    switch (FFogMode) {
      case fmLinear:
        glFogi(GL_FOG_MODE, GL_LINEAR);
        break;
      case fmExp:
        glFogi(GL_FOG_MODE, GL_EXP);
        glFogf(GL_FOG_DENSITY, FFogColor->GetAlpha());
        break;
      case fmExp2:
        glFogi(GL_FOG_MODE, GL_EXP2);
        glFogf(GL_FOG_DENSITY, FFogColor->GetAlpha());
        break;
    }
    glFogfv(GL_FOG_COLOR, FFogColor->AsAddress());
    glFogf(GL_FOG_START, FFogStart);
    glFogf(GL_FOG_END, FFogEnd);
    if (!GLSupport.NV_fog_distance) return;
    switch (FFogDistance) {
      case fdDefault:
        // The driver's own mode is learnt on first use and given back afterwards.
        if (DefaultFogDistanceMode >= 0) {
          glFogi(GL_FOG_DISTANCE_MODE_NV, DefaultFogDistanceMode);
        } else {
          GLint mode = 0;
          glGetIntegerv(GL_FOG_DISTANCE_MODE_NV, &mode);
          DefaultFogDistanceMode = mode;
        }
        break;
      case fdEyeRadial:
        glFogi(GL_FOG_DISTANCE_MODE_NV, GL_EYE_RADIAL_NV);
        break;
      case fdEyePlane:
        glFogi(GL_FOG_DISTANCE_MODE_NV, GL_EYE_PLANE_ABSOLUTE_NV);
        break;
      default:
        Assert(false);
    }
  });
}
