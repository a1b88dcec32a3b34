#pragma once
// The scene graph unit for its users: the node, the scene, and the classes around them.

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/Behaviours.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "engine/GLSceneGraph/Scene.h"
