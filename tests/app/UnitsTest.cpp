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
  ASSERT_NE(GLContextManager, nullptr);
  EXPECT_NE(GLContextManager->CreateContext(), nullptr) << "no context class registered";
  FinalizeUnits();
}
