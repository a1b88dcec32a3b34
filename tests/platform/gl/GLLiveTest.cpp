#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include "platform/gl/OpenGL.h"
#include "tests/support/LiveGL.h"

namespace {
using GLBindingLiveTest = LiveGLTest;

TEST_F(GLBindingLiveTest, EntryPointsLoadAndFlagsAreWhatTheImplementationReports) {
  ASSERT_TRUE(InitOpenGL());
  EXPECT_EQ(GLMissingEntryPoints(), std::vector<std::string>{});
  EXPECT_NE(GLEntryAddress("glClear"), nullptr);
  EXPECT_EQ(GLEntryAddress("glMadeUpEntryPointARB"), nullptr) << "a missing entry is missing";
  ReadImplementationProperties();

  QOpenGLContext* context = QOpenGLContext::currentContext();
  const QPair<int, int> version = context->format().version();
  const auto atLeast = [&](int minor) {
    return version.first > 1 || (version.first == 1 && version.second >= minor);
  };
  const TGLSupport& s = GLSupport;
  EXPECT_EQ((std::array<bool, 6>{s.GL_1_0, s.GL_1_1, s.GL_1_2, s.GL_1_3, s.GL_1_4, s.GL_1_5}),
            (std::array<bool, 6>{atLeast(0), atLeast(1), atLeast(2), atLeast(3), atLeast(4),
                                 atLeast(5)}));
  EXPECT_TRUE(s.GLU_1_3);
  struct Flag {
    const char* name;
    bool value;
  };
  for (const Flag& flag : {
#define GL_EXTENSION(name) Flag{"GL_" #name, s.name},
#include "platform/gl/GLEntryPoints.inc"
       })
    EXPECT_EQ(flag.value, context->hasExtension(flag.name)) << flag.name;
  EXPECT_TRUE(s.ARB_multitexture);

  // The table reaches the context Qt made current.
  glEnable(GL_BLEND);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  glDisable(GL_BLEND);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
}  // namespace
