#pragma once
// The scene graph unit for its users: the node, the scene, and the classes around them.

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/GLSceneGraph/Behaviours.h"
#include "engine/GLSceneGraph/Camera.h"
#include "engine/GLSceneGraph/FogEnvironment.h"
#include "engine/GLSceneGraph/LightSource.h"
#include "engine/GLSceneGraph/OffscreenViewers.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSceneGraph/SceneBuffer.h"
#include "engine/GLSceneGraph/SceneObjects.h"
#include "engine/GLSceneGraph/Traversal.h"
