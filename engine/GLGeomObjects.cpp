#include "engine/GLGeomObjects.h"

#include "platform/rtl/Classes.h"

void RegisterGLGeomObjects() {
  RegisterClasses(
      {TGLCylinder::StaticClass(), TGLCone::StaticClass(), TGLArrowLine::StaticClass()});
}
