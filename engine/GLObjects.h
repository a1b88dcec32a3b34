#pragma once
// The basic scene objects: planes, spheres and the base of line objects.

#include "engine/GLObjects/LineBase.h"
#include "engine/GLObjects/Plane.h"
#include "engine/GLObjects/Sphere.h"

// Registers the unit's scene objects for layout streaming; called once by the start-up routine.
void RegisterGLObjects();
