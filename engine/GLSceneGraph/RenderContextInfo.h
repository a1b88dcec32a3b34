#pragma once
// The record that one render pass of a scene hands by reference to every Render, DoRender,
// BuildList and material Apply/UnApply: what is drawn, from where, into what, and how.

#include <cstdint>

#include "engine/GLMisc.h"
#include "engine/base/VectorGeometry.h"

class TGLSceneGraph;
class TGLSceneBuffer;
class TGLStateCache;

// TGLObjectsSorting, TGLVisibilityCulling (GLMisc) and TGLClippingInfo (VectorGeometry) are the
// record's other types; they live below so that the foundation units can use them too.

enum TGLDrawState : uint8_t { dsRendering, dsPicking };

struct TGLSize {
  int32_t cx = 0, cy = 0;
};

// Filled by the scene for each pass and dropped after it; every field starts zero.
struct TRenderContextInfo {
  TGLSceneGraph* scene = nullptr;
  TGLSceneBuffer* buffer = nullptr;
  TVector cameraPosition{};
  // The direction the camera last looked along, normalised, w = 0.
  TVector cameraDirection{};
  // The camera's Up made orthogonal to cameraDirection.
  TVector cameraUp{};
  // The buffer's own modelview matrix, not a copy.
  TMatrix* modelViewMatrix = nullptr;
  TGLSize viewportSize;
  int32_t renderDPI = 0;
  // Raised and lowered by materials that ignore fog or lighting.
  int32_t fogDisabledCounter = 0;
  int32_t lightingDisabledCounter = 0;
  TGLDrawState drawState = dsRendering;
  // Objects override these two for their children and restore them.
  TGLObjectsSorting objectsSorting = osInherited;
  TGLVisibilityCulling visibilityCulling = vcInherited;
  TGLStateCache* stateCache = nullptr;
  TGLClippingInfo clipping{};
  TVector sceneAmbientColor{};
  bool bufferFaceCull = false;
  // Set while a proxy renders its master.
  bool proxySubObject = false;
  bool ignoreMaterials = false;
  bool ignoreBlendingRequests = false;
  // Set while objects are compiled into one list: they draw by BuildList, not their own lists.
  bool amalgamating = false;
};
