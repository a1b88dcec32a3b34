#pragma once
// The GLU quadric calls the recorded quadric suites expect, spelled as the objects make them. The
// recorder's gluNewQuadric answers nil, so every quadric call carries that address.

#include <initializer_list>

#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "platform/gl/GLRecorder.h"

namespace quadric_calls {

inline const void* const Quadric = nullptr;

template <class... A>
TGLCall Call(const char* name, A... args) {
  return TGLCall(name, args...);
}

inline TGLCall Orientation(GLenum orientation) {
  return Call("gluQuadricOrientation", Quadric, orientation);
}

// The quadric made for a build and set up: filled, normals, orientation, texture coordinates.
inline TGLCalls NewQuadric(GLenum normals = GLU_SMOOTH, GLenum orientation = GLU_OUTSIDE) {
  return {Call("gluNewQuadric"), Call("gluQuadricDrawStyle", Quadric, GLU_FILL),
          Call("gluQuadricNormals", Quadric, normals), Orientation(orientation),
          Call("gluQuadricTexture", Quadric, GL_TRUE)};
}

inline TGLCall Cylinder(float base, float top, float height, int slices = 16, int stacks = 4) {
  return Call("gluCylinder", Quadric, base, top, height, slices, stacks);
}

inline TGLCall Disk(float inner, float outer, int slices = 16, int loops = 1) {
  return Call("gluDisk", Quadric, inner, outer, slices, loops);
}

inline TGLCall TranslateZ(float z) {
  return Call("glTranslatef", 0.0f, 0.0f, z);
}

// The pieces in order, as one list.
inline TGLCalls Sequence(std::initializer_list<TGLCalls> pieces) {
  TGLCalls calls;
  for (const TGLCalls& piece : pieces) calls.insert(calls.end(), piece.begin(), piece.end());
  return calls;
}

// Everything an object's BuildList sends.
template <class T>
TGLCalls Draw(T& object) {
  TGLRecorder gl;
  TRenderContextInfo rci;
  object.BuildList(rci);
  return gl.Take();
}

}  // namespace quadric_calls
