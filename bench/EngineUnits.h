#pragma once
// The engine's OpenGL units for a benchmark, started as the program starts them and stopped
// when the object goes: hold one for as long as engine contexts live.

#include "engine/GLContext.h"
#include "engine/GLTexture.h"
#include "engine/base/VectorGeometry.h"
#include "engine/platform/GLQtContext.h"

struct TBenchEngineUnits {
  TBenchEngineUnits() {
    InitializeVectorGeometry();
    InitializeGLContext();
    InitializeGLTexture();
    RegisterGLQtContext();
  }
  ~TBenchEngineUnits() {
    FinalizeGLQtContext();
    FinalizeGLContext();
  }
  TBenchEngineUnits(const TBenchEngineUnits&) = delete;
  TBenchEngineUnits& operator=(const TBenchEngineUnits&) = delete;
};
