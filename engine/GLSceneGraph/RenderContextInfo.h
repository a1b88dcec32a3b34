#pragma once
// The record that one render pass of a scene hands by reference to every Render, DoRender,
// BuildList and material Apply/UnApply. The record itself, with TGLDrawState, lives in the colour
// and material unit (GLTexture), whose face properties already take it; its other types are
// TGLObjectsSorting and TGLVisibilityCulling (GLMisc) and TGLClippingInfo (VectorGeometry).

#include <functional>

#include "engine/GLTexture.h"

// An event that draws, or prepares or finishes drawing, within a render pass.
using TDirectRenderEvent = std::function<void(TObject* Sender, TRenderContextInfo& rci)>;
