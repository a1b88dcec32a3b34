// The Qt rendering context on a real Mesa driver: window and memory contexts, sharing, the
// tracking that destroys a context before its window goes, and failed creations.
// clang-format off
// Qt's native-interface header names a type EGLContext, as the engine's context error is
// named; the tests need no native interface, so that header is kept out. Qt's OpenGL headers
// come before the engine's binding.
#define QOPENGLCONTEXT_PLATFORM_H
#include <QOpenGLFramebufferObject>
#include <QTest>
#include <QWindow>
// clang-format on
#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "engine/platform/GLQtContext.h"

namespace {

using TRGBA = std::array<int, 4>;

TRGBA PixelAt(int x, int y) {
  GLubyte pixel[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

class GLQtContextTest : public testing::Test {
 protected:
  void SetUp() override {
    InitializeGLContext();
    RegisterGLQtContext();
  }
  void TearDown() override {
    FinalizeGLQtContext();
    FinalizeGLContext();
  }
  static std::unique_ptr<TGLContext> NewContext() {
    std::unique_ptr<TGLContext> context = GLContextManager->CreateContext();
    EXPECT_TRUE(dynamic_cast<TGLQtContext*>(context.get()));
    return context;
  }
  static TGLQtContext& Qt(const std::unique_ptr<TGLContext>& context) {
    return static_cast<TGLQtContext&>(*context);
  }
};

TEST_F(GLQtContextTest, WindowAndMemoryContextsShareAListAndShowTheirClearColour) {
  TGLListHandle list;
  QWindow window;
  window.resize(32, 24);
  auto onWindow = NewContext();
  onWindow->SetOptions(cfDoubleBuffered);
  onWindow->SetDepthBits(24);
  onWindow->CreateContext(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(onWindow->RenderOutputDevice(), &window);
  EXPECT_EQ(window.surfaceType(), QSurface::OpenGLSurface);
  EXPECT_GE(window.format().depthBufferSize(), 16);

  auto offScreen = NewContext();
  offScreen->CreateMemoryContext(nullptr, 16, 8);
  ASSERT_TRUE(Qt(offScreen).GetFramebuffer());
  EXPECT_EQ(Qt(offScreen).GetFramebuffer()->size(), QSize(16, 8));
  EXPECT_EQ(Qt(offScreen).GetMultisampleFramebuffer(), nullptr) << "no anti-aliasing asked";
  onWindow->ShareLists(offScreen.get());
  EXPECT_EQ(GLContextManager->GetCreatedCount(), 2);

  onWindow->Activate();
  EXPECT_TRUE(GLSupport.GL_1_5);
  list.AllocateHandle();
  glNewList(list.GetHandle(), GL_COMPILE);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEndList();
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glReadBuffer(GL_BACK);
  EXPECT_EQ(PixelAt(5, 5), (TRGBA{255, 0, 0, 255}));
  onWindow->SwapBuffers();
  onWindow->Deactivate();

  offScreen->Activate();
  EXPECT_TRUE(glIsList(list.GetHandle()));
  glCallList(list.GetHandle());
  EXPECT_EQ(PixelAt(15, 7), (TRGBA{0, 0, 255, 255}));
  CheckOpenGLError();
  offScreen->Deactivate();

  onWindow.reset();
  EXPECT_EQ(list.GetRenderingContext(), offScreen.get()) << "the list lives on in the partner";
  offScreen.reset();
  EXPECT_EQ(list.GetHandle(), 0u);
  EXPECT_EQ(TrackedWindowCount(), 0);
}

TEST_F(GLQtContextTest, LlvmpipeIsASoftwareContext) {
  auto context = NewContext();
  context->CreateMemoryContext(nullptr, 4, 4);
  context->Activate();
  const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  context->Deactivate();
  if (renderer.find("llvmpipe") == std::string::npos) GTEST_SKIP() << renderer;
  EXPECT_EQ(context->GetAcceleration(), caSoftware);
  context->DestroyContext();
  EXPECT_EQ(context->GetAcceleration(), caNotSet);
}

TEST_F(GLQtContextTest, WindowGetsTheFirstFormatOfTheLadderItMeets) {
  QWindow window;
  auto context = NewContext();
  context->SetDepthBits(32);
  context->SetStencilBits(8);
  context->CreateContext(&window);
  const std::vector<QSurfaceFormat> ladder =
      GLQtFormatLadder({32, 0, 32, 8, 0, 0, aaDefault, 0}, true);
  bool found = false;
  for (const QSurfaceFormat& format : ladder) {
    if (GLQtFormatMeets(window.format(), format)) {
      EXPECT_EQ(window.requestedFormat(), format);
      found = true;
      break;
    }
  }
  if (!found) {
    EXPECT_EQ(window.requestedFormat(), ladder.back());
  }
}

TEST_F(GLQtContextTest, DestroyingTheWindowDestroysItsContextFirst) {
  const struct {
    const char* what;
    bool deleteParent;
  } cases[] = {{"the window itself", false}, {"its parent", true}};
  for (const auto& c : cases) {
    auto parent = std::make_unique<QWindow>();
    auto* window = new QWindow(parent.get());
    parent->resize(20, 20);
    parent->create();
    auto context = NewContext();
    context->CreateContext(window);
    TGLListHandle list;
    context->Activate();
    list.AllocateHandle();
    context->Deactivate();
    EXPECT_EQ(TrackedWindowCount(), 1) << c.what;

    if (c.deleteParent)
      parent.reset();
    else
      delete window;
    EXPECT_FALSE(context->IsValid()) << c.what;
    EXPECT_EQ(list.GetHandle(), 0u) << c.what << ": deleted while the window was still there";
    EXPECT_EQ(TrackedWindowCount(), 0) << c.what;
    EXPECT_EQ(GLContextManager->GetCreatedCount(), 0) << c.what;
  }
}

TEST_F(GLQtContextTest, FailedWindowCreationIsUntrackedAndLeavesNothing) {
  QWindow window;
  window.setSurfaceType(QSurface::MetalSurface);
  window.create();
  auto context = NewContext();
  EXPECT_TRUE(Raises<EGLContext>([&] { context->CreateContext(&window); },
                                 testing::StartsWith("Context activation failed: ")))
      << "a window without OpenGL took a context";
  EXPECT_FALSE(context->IsValid());
  EXPECT_EQ(Qt(context).GetQtContext(), nullptr);
  EXPECT_EQ(TrackedWindowCount(), 0);
  EXPECT_EQ(GLContextManager->GetCreatedCount(), 0);
  window.destroy();

  QWindow good;
  context->CreateContext(&good);
  EXPECT_TRUE(context->IsValid()) << "the same object takes a new creation";
}

TEST_F(GLQtContextTest, CreationErrors) {
  auto context = NewContext();
  const struct {
    const char* what;
    std::function<void()> create;
    std::string message;
  } cases[] = {
      {"no window", [&] { context->CreateContext(nullptr); }, "No window to draw to"},
      {"empty memory context", [&] { context->CreateMemoryContext(nullptr, 0, 0); },
       "Unabled to create pbuffer."},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(Raises<Exception>([&] { c.create(); }, c.message)) << c.what;
    EXPECT_FALSE(context->IsValid()) << c.what;
    EXPECT_EQ(GLContextManager->GetCreatedCount(), 0) << c.what;
  }
}

TEST_F(GLQtContextTest, VerticalSyncWherePlatformOffersIt) {
  auto offScreen = NewContext();
  offScreen->CreateMemoryContext(nullptr, 4, 4);
  offScreen->Activate();
  EXPECT_FALSE(Qt(offScreen).HasSwapControl());
  Qt(offScreen).SetSwapInterval(1);
  EXPECT_EQ(Qt(offScreen).GetSwapInterval(), 0);
  offScreen->Deactivate();

  QWindow window;
  auto context = NewContext();
  context->SetOptions(cfDoubleBuffered);
  context->CreateContext(&window);
  EXPECT_FALSE(Qt(context).HasSwapControl()) << "only while active";
  context->Activate();
  if (!Qt(context).HasSwapControl()) {
    context->Deactivate();
    GTEST_SKIP() << "no swap control on this display";
  }
  for (int interval : {0, 1, 0}) {
    Qt(context).SetSwapInterval(interval);
    EXPECT_EQ(Qt(context).GetSwapInterval(), interval);
  }
  context->Deactivate();
}

// A context whose destruction fails still leaves its window and the context count behind it.
TEST_F(GLQtContextTest, AContextWhoseDestructionFailsLeavesNoTrackingBehind) {
  auto window = std::make_unique<QWindow>();
  auto context = NewContext();
  context->CreateContext(window.get());
  TGLVirtualHandle refused;
  refused.OnAllocate = [](TGLVirtualHandle*, GLuint& h) { h = 1; };
  refused.OnDestroy = [](TGLVirtualHandle*, GLuint&) { throw EOpenGLError("refused"); };
  context->Activate();
  refused.AllocateHandle();
  context->Deactivate();
  context.reset();
  EXPECT_EQ(TrackedWindowCount(), 0);
  EXPECT_EQ(GLContextManager->GetCreatedCount(), 0);
  window.reset();  // no callback may reach the freed context
}

// A second context on a window fails to be made: the first one stays tracked and still goes
// before the window.
TEST_F(GLQtContextTest, AFailedCreationKeepsTheTrackingOfTheWindowsOtherContext) {
  auto window = std::make_unique<QWindow>();
  auto first = NewContext();
  first->CreateContext(window.get());
  window->setSurfaceType(QSurface::RasterSurface);
  auto second = NewContext();
  EXPECT_THROW(second->CreateContext(window.get()), EGLContext);
  window->setSurfaceType(QSurface::OpenGLSurface);
  EXPECT_EQ(TrackedWindowCount(), 1);
  window.reset();
  EXPECT_FALSE(first->IsValid());
}

// Another platform's context, which a Qt context cannot share with.
class TOtherContext : public TGLContext {
  RTL_CLASS(TOtherContext, TGLContext)
  bool IsValid() override { return false; }
  void SwapBuffers() override {}
  TGLOutputDevice RenderOutputDevice() override { return nullptr; }

 protected:
  void DoCreateContext(TGLOutputDevice) override {}
  void DoCreateMemoryContext(TGLOutputDevice, int, int) override {}
  void DoShareLists(TGLContext*) override {}
  void DoDestroyContext() override {}
  void DoActivate() override {}
  void DoDeactivate() override {}
};

TEST_F(GLQtContextTest, SharesOnlyWithQtContexts) {
  auto context = NewContext();
  context->CreateMemoryContext(nullptr, 4, 4);
  TOtherContext other;
  EXPECT_TRUE(Raises<Exception>([&] { context->ShareLists(&other); }, "Incompatible contexts"))
      << "shared with another platform's context";
  EXPECT_EQ(context->GetSharedContexts().size(), 1u);
}

}  // namespace
