#pragma once
// The basic scene objects: cubes, dummy cubes, planes, spheres and the base of line objects.

#include "engine/GLObjects/Cube.h"
#include "engine/GLObjects/DummyCube.h"
#include "engine/GLObjects/LineBase.h"
#include "engine/GLObjects/Lines.h"
#include "engine/GLObjects/Plane.h"
#include "engine/GLObjects/Points.h"
#include "engine/GLObjects/Polygon.h"
#include "engine/GLObjects/Sphere.h"
#include "engine/GLObjects/Sprite.h"

// Registers the unit's scene objects for layout streaming; called once by the start-up routine.
void RegisterGLObjects();
