// The start-up routine makes the stored class names known to the class registry.
#include <gtest/gtest.h>

#include "app/units.h"
#include "engine/GLContext.h"
#include "platform/rtl/Classes.h"

TEST(Units, StartUpRegistersTheArchiveClassesAndTheContextManager) {
  InitializeUnits();
  for (const char* name : {"TPersistentObjectList", "TAffineVectorList", "TVectorList",
                           "TTexPointList", "TSingleList"})
    EXPECT_NE(GetClass(name), nullptr) << name;
  EXPECT_NE(GLContextManager, nullptr);
  FinalizeUnits();
}
