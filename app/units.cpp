#include "app/units.h"

#include "engine/GLContext.h"
#include "engine/GLGeomObjects.h"
#include "engine/GLGraph.h"
#include "engine/GLMaterialLibrary.h"
#include "engine/GLObjects.h"
#include "engine/GLSceneGraph/Scene.h"
#include "engine/GLSkydome.h"
#include "engine/GLTexture.h"
#include "engine/base/PersistentClasses.h"
#include "engine/base/VectorGeometry.h"
#include "engine/base/VectorLists.h"
#include "engine/platform/GLQtContext.h"
#include "engine/platform/GLSceneViewer.h"

void InitializeUnits() {
  InitializeVectorGeometry();
  RegisterPersistentClasses();
  RegisterVectorLists();
  InitializeGLContext();
  InitializeGLTexture();
  RegisterGLMaterialLibrary();
  RegisterGLSceneGraph();
  RegisterGLObjects();
  RegisterGLGraph();
  RegisterGLGeomObjects();
  RegisterGLSkydome();
  RegisterGLQtContext();
  RegisterGLSceneViewer();
}

void FinalizeUnits() {
  FinalizeGLQtContext();
  FinalizeGLContext();
}
