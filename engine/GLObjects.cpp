#include "engine/GLObjects.h"

#include "engine/GLObjects/Lines.h"
#include "engine/GLObjects/Points.h"
#include "engine/GLObjects/Sprite.h"
#include "platform/rtl/Classes.h"

void RegisterGLObjects() {
  RegisterClasses({TGLSphere::StaticClass(), TGLCube::StaticClass(), TGLPlane::StaticClass(),
                   TGLSprite::StaticClass(), TGLPoints::StaticClass(), TGLDummyCube::StaticClass(),
                   TGLLines::StaticClass()});
}
