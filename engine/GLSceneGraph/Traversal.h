#pragma once
// Helpers of the rendering traversal, and its picking names. A node's address does not fit the
// 32-bit name OpenGL keeps on its name stack, so a picking pass hands out small integers instead, 1
// for the first node it meets, and keeps the table until the next picking pass begins; the buffer's
// picking code turns the names of its hit records back into nodes with it.

#include "platform/gl/OpenGL.h"

class TGLBaseSceneObject;

// The node's name in the current picking table, given when the node is first met.
GLuint PickingNameOf(TGLBaseSceneObject* Node);
// The node of that name in the table of the last picking pass; nil for a name it did not give.
// Valid while the nodes of that pass live.
TGLBaseSceneObject* ObjectByPickingName(GLuint Name);
// Empties the table; a picking pass does this itself when it starts at the top of a tree.
void ClearPickingNames();

// Runs Body, then Cleanup, whether Body returns or raises: how a node puts back what it changed
// on the way down (matrix and name stacks, the record's modes, its own guards), so that a
// drawing that raises does not spoil the frames that follow.
template <class Body, class Cleanup>
void WithCleanup(Body&& body, Cleanup&& cleanup) {
  try {
    body();
  } catch (...) {
    cleanup();
    throw;
  }
  cleanup();
}
