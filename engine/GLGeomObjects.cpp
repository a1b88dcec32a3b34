#include "engine/GLGeomObjects.h"

#include "platform/rtl/Classes.h"

void RegisterGLGeomObjects() {
  RegisterClasses({TGLCylinder::StaticClass(), TGLCone::StaticClass(), TGLTorus::StaticClass(),
                   TGLDisk::StaticClass(), TGLArrowLine::StaticClass(), TGLAnnulus::StaticClass(),
                   TGLFrustrum::StaticClass(), TGLPolygon::StaticClass()});
}
