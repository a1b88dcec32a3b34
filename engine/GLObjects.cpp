#include "engine/GLObjects.h"

#include "platform/rtl/Classes.h"

void RegisterGLObjects() {
  RegisterClasses({TGLSphere::StaticClass(), TGLCube::StaticClass(), TGLPlane::StaticClass(),
                   TGLDummyCube::StaticClass()});
}
