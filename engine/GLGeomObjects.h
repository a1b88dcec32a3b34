#pragma once
// The geometric solids: the quadrics drawn through GLU (cylinder, cone, arrow line, disk and
// annulus), the torus, the frustrum and the polygon.

#include "engine/GLGeomObjects/ArrowLine.h"
#include "engine/GLGeomObjects/Cylinder.h"
#include "engine/GLGeomObjects/Disk.h"
#include "engine/GLGeomObjects/Frustrum.h"
#include "engine/GLGeomObjects/Polygon.h"
#include "engine/GLGeomObjects/Torus.h"

// Registers the unit's scene objects for layout streaming; called once by the start-up routine.
void RegisterGLGeomObjects();
