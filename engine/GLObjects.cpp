#include "engine/GLObjects.h"

#include "platform/rtl/Classes.h"

void RegisterGLObjects() {
  RegisterClasses({TGLPlane::StaticClass()});
}
