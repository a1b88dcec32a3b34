#include "engine/GLGeomObjects.h"

#include "engine/GLGeomObjects/Disk.h"
#include "engine/GLGeomObjects/Frustrum.h"
#include "engine/GLGeomObjects/Polygon.h"
#include "engine/GLGeomObjects/Torus.h"
#include "platform/rtl/Classes.h"

void RegisterGLGeomObjects() {
  RegisterClasses({TGLCylinder::StaticClass(), TGLCone::StaticClass(), TGLTorus::StaticClass(),
                   TGLDisk::StaticClass(), TGLArrowLine::StaticClass(), TGLAnnulus::StaticClass(),
                   TGLFrustrum::StaticClass(), TGLPolygon::StaticClass()});
}
