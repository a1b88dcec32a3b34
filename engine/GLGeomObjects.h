#pragma once
// The solids drawn through GLU quadrics: cylinder, cone and arrow line.

#include "engine/GLGeomObjects/ArrowLine.h"
#include "engine/GLGeomObjects/Cylinder.h"

// Registers the unit's scene objects for layout streaming; called once by the start-up routine.
void RegisterGLGeomObjects();
