#pragma once
// The OpenGL calls of one BuildList, made against the recorder with an empty render record.

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "platform/gl/GLRecorder.h"

inline TGLCalls BuildListCalls(TGLBaseSceneObject& Object) {
  TGLRecorder gl;
  TRenderContextInfo rci;
  Object.BuildList(rci);
  return gl.Take();
}
