#include "app/units.h"

#include "engine/GLContext.h"
#include "engine/base/PersistentClasses.h"
#include "engine/base/VectorGeometry.h"
#include "engine/base/VectorLists.h"

void InitializeUnits() {
  InitializeVectorGeometry();
  RegisterPersistentClasses();
  RegisterVectorLists();
  InitializeGLContext();
}

void FinalizeUnits() {
  FinalizeGLContext();
}
