#include "engine/GLObjects.h"

#include "engine/GLObjects/Cube.h"
#include "engine/GLObjects/DummyCube.h"
#include "platform/rtl/Classes.h"

void RegisterGLObjects() {
  RegisterClasses({TGLSphere::StaticClass(), TGLCube::StaticClass(), TGLPlane::StaticClass(),
                   TGLDummyCube::StaticClass()});
}
