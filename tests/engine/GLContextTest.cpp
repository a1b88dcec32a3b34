#include <gtest/gtest.h>
// clang-format off
// Before the class library: its Assert macro would rename a GoogleMock function.
#include "tests/support/Raises.h"
// clang-format on

#include <future>
#include <memory>
#include <set>
#include <string>

#include "engine/GLContext.h"
#include "platform/gl/GLRecorder.h"
#include "platform/rtl/SysUtils.h"

namespace {
std::vector<std::string> Events;

// A context whose platform half only logs what is asked of it.
class TFakeContext : public TGLContext {
  RTL_CLASS(TFakeContext, TGLContext)
  TFakeContext() = default;
  explicit TFakeContext(std::string name) : Name(std::move(name)) {}
  ~TFakeContext() override { ReleaseContext(); }
  bool IsValid() override { return FValid; }
  void SwapBuffers() override {}
  TGLOutputDevice RenderOutputDevice() override { return nullptr; }
  std::string Name = "fake";
  // The platform steps ("on", "off", "destroy") that raise instead of doing their work.
  std::set<std::string> Failing;
  // The platform context went away behind the engine's back.
  void Lose() { FValid = false; }

 protected:
  void DoCreateContext(TGLOutputDevice) override { Created("create"); }
  void DoCreateMemoryContext(TGLOutputDevice, int, int) override { Created("memory"); }
  void DoShareLists(TGLContext* other) override {
    Events.push_back(Name + " share " + static_cast<TFakeContext*>(other)->Name);
  }
  void DoDestroyContext() override {
    Step("destroy");
    FValid = false;
  }
  void DoActivate() override { Step("on"); }
  void DoDeactivate() override { Step("off"); }

 private:
  void Step(const std::string& what) {
    if (Failing.count(what)) throw EGLContext(Name + " " + what + " failed");
    Events.push_back(Name + " " + what);
  }
  void Created(const char* how) {
    FValid = true;
    SetAcceleration(caSoftware);
    Events.push_back(Name + " " + how);
  }
  bool FValid = false;
};

class GLContextTest : public testing::Test {
 protected:
  void SetUp() override {
    InitializeGLContext();
    Events.clear();
  }
  void TearDown() override { FinalizeGLContext(); }
  static TGLCalls Deletes(const TGLCalls& calls) {
    TGLCalls deletes;
    for (const TGLCall& c : calls)
      if (c.Name == "glDeleteLists" || c.Name == "glDeleteTextures") deletes.push_back(c);
    return deletes;
  }
};

using Strings = std::vector<std::string>;

TEST_F(GLContextTest, ActivationNestsAndTalksToThePlatformOnce) {
  TFakeContext a("a"), b("b");
  a.CreateContext(nullptr);
  b.CreateContext(nullptr);
  Events.clear();
  a.Activate();
  a.Activate();
  EXPECT_EQ(CurrentGLContext(), &a);
  a.Deactivate();
  EXPECT_TRUE(a.GetActive());
  a.Deactivate();
  EXPECT_EQ(CurrentGLContext(), nullptr);
  b.SetActive(true);
  b.SetActive(true);
  EXPECT_EQ(b.GetActivationCount(), 1);
  b.Activate();
  b.SetActive(false);
  EXPECT_EQ(Events, (Strings{"a on", "a off", "b on", "b off"}));
}

TEST_F(GLContextTest, ActivationErrors) {
  TFakeContext a("a"), b("b");
  EXPECT_TRUE(Raises<EGLContext>([&] { a.Activate(); }, "Context not created"));
  EXPECT_THROW(a.Deactivate(), EAssertionFailed);
  a.CreateContext(nullptr);
  b.CreateContext(nullptr);
  a.Activate();
  EXPECT_TRUE(Raises<EGLContext>([&] { b.Activate(); }, "Another context is active"));
  EXPECT_EQ(b.GetActivationCount(), 0);
  EXPECT_EQ(CurrentGLContext(), &a);
  EXPECT_THROW(b.Deactivate(), EAssertionFailed);
  EXPECT_EQ(a.GetActivationCount(), 1);
  a.Deactivate();
}

TEST_F(GLContextTest, WishesAreRefusedOnlyWhileActive) {
  struct Wish {
    const char* name;
    std::function<void(TGLContext&)> set;
    std::function<int(const TGLContext&)> get;
    int initial;
  };
  const Wish wishes[] = {
      {"ColorBits", [](auto& c) { c.SetColorBits(24); }, [](auto& c) { return c.GetColorBits(); },
       32},
      {"AlphaBits", [](auto& c) { c.SetAlphaBits(8); }, [](auto& c) { return c.GetAlphaBits(); },
       0},
      {"DepthBits", [](auto& c) { c.SetDepthBits(24); }, [](auto& c) { return c.GetDepthBits(); },
       0},
      {"StencilBits", [](auto& c) { c.SetStencilBits(8); },
       [](auto& c) { return c.GetStencilBits(); }, 0},
      {"AccumBits", [](auto& c) { c.SetAccumBits(16); }, [](auto& c) { return c.GetAccumBits(); },
       0},
      {"AuxBuffers", [](auto& c) { c.SetAuxBuffers(2); }, [](auto& c) { return c.GetAuxBuffers(); },
       0},
      {"AntiAliasing", [](auto& c) { c.SetAntiAliasing(aa4xHQ); },
       [](auto& c) { return int(c.GetAntiAliasing()); }, aaDefault},
      {"Options", [](auto& c) { c.SetOptions(cfDoubleBuffered | cfStereo); },
       [](auto& c) { return int(c.GetOptions()); }, 0},
  };
  for (const Wish& wish : wishes) {
    TFakeContext context;
    EXPECT_EQ(wish.get(context), wish.initial) << wish.name;
    context.CreateContext(nullptr);
    context.Activate();
    EXPECT_TRUE(Raises<EGLContext>([&] { wish.set(context); }, "Cannot alter an active context"))
        << wish.name << " stored on an active context";
    EXPECT_EQ(wish.get(context), wish.initial) << wish.name;
    context.Deactivate();
    wish.set(context);
    EXPECT_NE(wish.get(context), wish.initial) << wish.name;
  }
}

TEST_F(GLContextTest, CreationAndDestructionCycle) {
  TFakeContext a("a");
  a.CreateMemoryContext(nullptr, 16, 16);
  EXPECT_EQ(a.GetSharedContexts(), std::vector<TGLContext*>{&a});
  EXPECT_EQ(a.GetAcceleration(), caSoftware);
  EXPECT_EQ(GLContextManager->GetCreatedCount(), 1);
  EXPECT_THROW(a.CreateContext(nullptr), EGLContext);
  a.Activate();
  a.Activate();
  a.DestroyContext();
  EXPECT_FALSE(a.GetActive());
  EXPECT_EQ(CurrentGLContext(), nullptr);
  EXPECT_EQ(a.GetAcceleration(), caNotSet);
  EXPECT_EQ(GLContextManager->GetCreatedCount(), 0);
  EXPECT_TRUE(a.GetSharedContexts().empty());
  EXPECT_THROW(a.DestroyContext(), EGLContext);
  a.CreateContext(nullptr);
  EXPECT_EQ(Events, (Strings{"a memory", "a on", "a off", "a destroy", "a create"}));
}

TEST_F(GLContextTest, SharingGroupsHoldEqualLists) {
  TFakeContext a("a"), b("b"), c("c");
  EXPECT_THROW(a.ShareLists(&b), EGLContext);
  for (TFakeContext* x : {&a, &b, &c}) x->CreateContext(nullptr);
  a.ShareLists(&b);
  a.ShareLists(&b);
  a.ShareLists(&c);
  const std::vector<TGLContext*> group{&a, &b, &c};
  EXPECT_EQ(b.GetSharedContexts(), group);
  EXPECT_EQ(c.GetSharedContexts(), group);
  EXPECT_EQ(a.FindCompatibleContext(), &b);
  b.DestroyContext();
  EXPECT_EQ(a.GetSharedContexts(), (std::vector<TGLContext*>{&a, &c}));
  EXPECT_EQ(c.GetSharedContexts(), (std::vector<TGLContext*>{&a, &c}));
  EXPECT_EQ(std::count(Events.begin(), Events.end(), "a share b"), 1);
}

// Sharing with a member of another group joins the two groups whole; a partner that is freed
// later is then dropped from every list, so no member hands its handles to freed memory.
TEST_F(GLContextTest, JoiningTwoGroupsGivesEveryMemberTheUnion) {
  TGLRecorder gl;
  TFakeContext b("b"), c("c"), d("d");
  auto a = std::make_unique<TFakeContext>("a");
  for (TFakeContext* x : {a.get(), &b, &c, &d}) x->CreateContext(nullptr);
  a->ShareLists(&b);
  c.ShareLists(a.get());
  EXPECT_EQ(b.GetSharedContexts(), (std::vector<TGLContext*>{&c, a.get(), &b}));
  d.ShareLists(&b);
  const std::vector<TGLContext*> group{&d, &c, a.get(), &b};
  for (TFakeContext* x : {a.get(), &b, &c, &d}) EXPECT_EQ(x->GetSharedContexts(), group) << x->Name;

  a.reset();
  for (TFakeContext* x : {&b, &c, &d})
    EXPECT_EQ(x->GetSharedContexts(), (std::vector<TGLContext*>{&d, &c, &b})) << x->Name;
  TGLListHandle list;
  b.Activate();
  list.AllocateHandle();
  b.Deactivate();
  b.DestroyContext();
  EXPECT_EQ(list.GetRenderingContext(), &d);
  EXPECT_EQ(c.GetSharedContexts(), (std::vector<TGLContext*>{&d, &c}));
}

// A context not yet created can be shared with; its creation does not list it a second time.
TEST_F(GLContextTest, APartnerSharedBeforeItsCreationIsListedOnce) {
  TFakeContext a("a"), b("b"), c("c");
  a.CreateContext(nullptr);
  a.ShareLists(&b);
  b.CreateContext(nullptr);
  c.CreateContext(nullptr);
  c.ShareLists(&b);
  const std::vector<TGLContext*> group{&c, &a, &b};
  for (TFakeContext* x : {&a, &b, &c}) EXPECT_EQ(x->GetSharedContexts(), group) << x->Name;
}

TEST_F(GLContextTest, HandlesMoveToTheSharingPartnerAndDieWithTheLastContext) {
  TGLRecorder gl;
  TFakeContext a("a"), b("b");
  a.CreateContext(nullptr);
  b.CreateContext(nullptr);
  a.ShareLists(&b);
  TGLListHandle list;
  TGLTextureHandle texture;
  a.Activate();
  const GLuint listName = list.AllocateHandle();
  const GLuint textureName = texture.AllocateHandle();
  a.Deactivate();
  EXPECT_EQ(a.GetOwnedHandles(), (std::vector<TGLContextHandle*>{&list, &texture}));

  a.DestroyContext();
  EXPECT_EQ(list.GetRenderingContext(), &b);
  EXPECT_EQ(texture.GetRenderingContext(), &b);
  EXPECT_EQ(list.GetHandle(), listName);
  EXPECT_EQ(Deletes(gl.Calls()), TGLCalls{});

  b.DestroyContext();
  EXPECT_EQ(list.GetHandle(), 0u);
  EXPECT_EQ(texture.GetRenderingContext(), nullptr);
  EXPECT_EQ(Deletes(gl.Calls()),
            (TGLCalls{TGLCall("glDeleteLists", listName, 1),
                      TGLCall("glDeleteTextures", 1, TGLArray{double(textureName)})}));
}

// A context that is current when another one is destroyed, or when a handle of another one is
// deleted, is put aside whole and comes back at the same depth.
TEST_F(GLContextTest, TheCurrentContextIsSuspendedAndRestoredWhole) {
  TGLRecorder gl;
  TFakeContext a("a"), c("c");
  a.CreateContext(nullptr);
  c.CreateContext(nullptr);
  TGLListHandle list;
  a.Activate();
  list.AllocateHandle();
  a.Deactivate();
  c.Activate();
  c.Activate();
  Events.clear();
  list.DestroyHandle();
  EXPECT_EQ(Events, (Strings{"c off", "a on", "a off", "c on"}));
  EXPECT_EQ(gl.CallsOf("glDeleteLists").size(), 1u);
  EXPECT_EQ(CurrentGLContext(), &c);
  EXPECT_EQ(c.GetActivationCount(), 2);

  Events.clear();
  a.DestroyContext();
  EXPECT_EQ(Events, (Strings{"c off", "a on", "a off", "a destroy", "c on"}));
  EXPECT_EQ(c.GetActivationCount(), 2);
  c.SetActive(false);
}

TEST_F(GLContextTest, HandleKinds) {
  TGLRecorder gl;
  TFakeContext a("a");
  TGLListHandle list;
  EXPECT_THROW(list.AllocateHandle(), EAssertionFailed);
  a.CreateContext(nullptr);
  a.Activate();
  list.AllocateHandle();
  EXPECT_THROW(list.AllocateHandle(), EAssertionFailed);

  std::vector<std::string> seen;
  TGLVirtualHandle shader;
  shader.OnAllocate = [&](TGLVirtualHandle*, GLuint& h) { h = 42; };
  shader.OnDestroy = [&](TGLVirtualHandle*, GLuint& h) { seen.push_back(std::to_string(h)); };
  EXPECT_EQ(shader.AllocateHandle(), 42u);
  TGLVirtualHandle nothing;
  EXPECT_EQ(nothing.AllocateHandle(), 0u);
  EXPECT_EQ(nothing.GetRenderingContext(), nullptr);
  shader.DestroyHandle();
  EXPECT_EQ(seen, Strings{"42"});

  // A texture OpenGL no longer knows is not deleted again.
  TGLTextureHandle texture;
  const GLuint name = texture.AllocateHandle();
  glDeleteTextures(1, &name);
  gl.Take();
  texture.DestroyHandle();
  EXPECT_EQ(gl.Calls(),
            (TGLCalls{TGLCall("glGetError"), TGLCall("glIsTexture", name), TGLCall("glGetError")}));
  a.Deactivate();
}

TEST_F(GLContextTest, CheckOpenGLErrorReportsTheFirstErrorAndDrainsAtMostSevenMore) {
  TGLRecorder gl;
  CheckOpenGLError();
  EXPECT_EQ(gl.Take().size(), 1u);
  gl.PushError(GL_INVALID_ENUM);
  gl.PushError(GL_INVALID_VALUE);
  EXPECT_TRUE(Raises<EOpenGLError>([&] { CheckOpenGLError(); }, "invalid enumerant"));
  EXPECT_EQ(gl.CallsOf("glGetError").size(), 3u);
  gl.Take();
  for (int i = 0; i < 10; ++i) gl.PushError(GL_OUT_OF_MEMORY);
  EXPECT_THROW(CheckOpenGLError(), EOpenGLError);
  EXPECT_EQ(gl.CallsOf("glGetError").size(), 8u);
  gl.Take();
  ClearGLError();  // the two errors left, then GL_NO_ERROR
  EXPECT_EQ(gl.CallsOf("glGetError").size(), 3u);
  gl.PushError(0x9999);
  EXPECT_TRUE(Raises<EOpenGLError>([&] { CheckOpenGLError(); }, "OpenGL error 39321"));
}

TEST_F(GLContextTest, ManagerMakesContextsOfTheFirstRegisteredClass) {
  EXPECT_EQ(GLContextManager->CreateContext(), nullptr);
  RegisterGLContextClass(TFakeContext::StaticClass());
  EXPECT_THROW(RegisterGLContextClass(TGLListHandle::StaticClass()), EAssertionFailed);
  std::unique_ptr<TGLContext> context = GLContextManager->CreateContext();
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->ClassName(), "TFakeContext");
  EXPECT_EQ(context->GetManager(), GLContextManager);
  EXPECT_EQ(GLContextManager->ContextCount(), 1);
  context.reset();
  EXPECT_EQ(GLContextManager->ContextCount(), 0);
}

TEST_F(GLContextTest, RegistrationErrorsReleaseTheLock) {
  TFakeContext a;
  for (const auto& misuse :
       std::vector<std::function<void()>>{[&] { GLContextManager->RegisterContext(&a); },
                                          [&] {
                                            GLContextManager->UnRegisterContext(&a);
                                            GLContextManager->UnRegisterContext(&a);
                                          }}) {
    EXPECT_TRUE(Raises<EGLContext>([&] { misuse(); }, "Invalid context registration"));
    EXPECT_EQ(std::async(std::launch::async, [] { return GLContextManager->ContextCount(); })
                  .wait_for(std::chrono::seconds(10)),
              std::future_status::ready);
  }
  GLContextManager->RegisterContext(&a);
}

TEST_F(GLContextTest, TerminateKeepsAManagerThatStillHasContexts) {
  TGLContextManager* manager = GLContextManager;
  {
    TFakeContext a;
    manager->Terminate();
    EXPECT_EQ(GLContextManager, manager);
    EXPECT_TRUE(manager->GetTerminated());
  }
  manager->Terminate();
  EXPECT_EQ(GLContextManager, nullptr);
  // The unit is still started: a new start-up brings a manager back, and the shut-downs that
  // follow leave the process as it was.
  InitializeGLContext();
  ASSERT_NE(GLContextManager, nullptr);
  TFakeContext b;
  EXPECT_EQ(GLContextManager->ContextCount(), 1);
  FinalizeGLContext();
}
// An OpenGL object whose deletion OpenGL refuses.
class TRefusedHandle : public TGLVirtualHandle {
 public:
  explicit TRefusedHandle(TGLRecorder& gl) {
    OnAllocate = [](TGLVirtualHandle*, GLuint& h) { h = 7; };
    OnDestroy = [&gl](TGLVirtualHandle*, GLuint&) { gl.PushError(GL_INVALID_OPERATION); };
  }
};

// Context a owns a handle that OpenGL refuses to delete (unless told otherwise), with context c
// current two levels deep.
struct TFailureScene {
  explicit TFailureScene(bool partner) {
    for (TFakeContext* x : {&a, &b, &current}) x->CreateContext(nullptr);
    if (partner) a.ShareLists(&b);
    a.Activate();
    handle.AllocateHandle();
    a.Deactivate();
    current.Activate();
    current.Activate();
  }
  // The message of what the call raised, "no error" when it returned.
  static std::string Raised(const std::function<void()>& call) {
    try {
      call();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "no error";
  }
  bool CurrentIsBackWhole() const {
    return CurrentGLContext() == &current && current.GetActivationCount() == 2;
  }
  TGLRecorder gl;
  TFakeContext a{"a"}, b{"b"}, current{"c"};
  TRefusedHandle handle{gl};
};

// Whatever fails while a context is destroyed, the context that was current comes back whole,
// and no handle is left pointing at a context that does not hold it.
TEST_F(GLContextTest, DestroyContextFailuresLeaveNothingHalfDone) {
  const struct {
    const char* what;
    const char* failingStep;  // of the context destroyed; nil: its handle's deletion fails
    bool partner;
    bool destroyed;
    std::string message;
  } cases[] = {
      {"handle deletion", nullptr, false, true, "invalid operation"},
      {"platform destruction", "destroy", true, false, "a destroy failed"},
      {"activation", "on", true, false, "a on failed"},
  };
  for (const auto& c : cases) {
    TFailureScene scene(c.partner);
    auto& [gl, a, b, current, handle] = scene;
    if (c.failingStep) a.Failing.insert(c.failingStep);
    const int created = GLContextManager->GetCreatedCount();
    EXPECT_EQ(scene.Raised([&scene] { scene.a.DestroyContext(); }), c.message) << c.what;
    EXPECT_TRUE(scene.CurrentIsBackWhole()) << c.what;
    EXPECT_FALSE(a.GetActive()) << c.what;
    EXPECT_EQ(a.IsValid(), !c.destroyed) << c.what;
    const bool begun = std::string(c.what) != "activation";
    EXPECT_EQ(GLContextManager->GetCreatedCount(), begun ? created - 1 : created) << c.what;
    const bool moved = begun && c.partner;
    EXPECT_EQ(a.GetOwnedHandles().size(), begun ? 0u : 1u) << c.what;
    EXPECT_EQ(b.GetOwnedHandles().size(), moved ? 1u : 0u) << c.what;
    TGLContext* owner = moved ? static_cast<TGLContext*>(&b) : begun ? nullptr : &a;
    EXPECT_EQ(handle.GetRenderingContext(), owner) << c.what;
    EXPECT_EQ(handle.GetHandle(), owner ? 7u : 0u) << c.what;
    current.SetActive(false);
    a.Failing.clear();
  }
}

TEST_F(GLContextTest, DestroyHandleFailuresBringTheCurrentContextBack) {
  const struct {
    const char* what;
    const char* failingStep;  // of the owner; nil: the deletion itself fails
    bool stillOwned;
    std::string message;
  } cases[] = {
      {"deletion", nullptr, false, "invalid operation"},
      {"owner activation", "on", true, "a on failed"},
  };
  for (const auto& c : cases) {
    TFailureScene scene(false);
    auto& [gl, a, b, current, handle] = scene;
    if (c.failingStep) handle.OnDestroy = nullptr;
    if (c.failingStep) a.Failing.insert(c.failingStep);
    EXPECT_EQ(scene.Raised([&scene] { scene.handle.DestroyHandle(); }), c.message) << c.what;
    EXPECT_TRUE(scene.CurrentIsBackWhole()) << c.what;
    EXPECT_EQ(handle.GetHandle(), c.stillOwned ? 7u : 0u) << c.what;
    EXPECT_EQ(a.GetOwnedHandles().size(), c.stillOwned ? 1u : 0u) << c.what;
    current.SetActive(false);
    a.Failing.clear();
  }
}

// A context whose platform half cannot let go stays current at its own depth.
TEST_F(GLContextTest, AFailedSuspensionKeepsTheCurrentContextWhole) {
  TGLRecorder gl;
  TFakeContext a("a"), current("c");
  a.CreateContext(nullptr);
  current.CreateContext(nullptr);
  TGLListHandle list;
  a.Activate();
  list.AllocateHandle();
  a.Deactivate();
  current.Activate();
  current.Activate();
  current.Failing.insert("off");
  EXPECT_THROW(list.DestroyHandle(), EGLContext);
  EXPECT_THROW(a.DestroyContext(), EGLContext);
  EXPECT_EQ(CurrentGLContext(), &current);
  EXPECT_EQ(current.GetActivationCount(), 2);
  EXPECT_NE(list.GetHandle(), 0u);
  EXPECT_TRUE(a.IsValid());
  current.Failing.clear();
  current.SetActive(false);
}

TEST_F(GLContextTest, DeactivatingALostContextStillLetsItGo) {
  TFakeContext a("a"), b("b");
  a.CreateContext(nullptr);
  b.CreateContext(nullptr);
  a.Activate();
  a.Lose();
  EXPECT_EQ(TFailureScene::Raised([&a] { a.Deactivate(); }), "Context not created");
  EXPECT_EQ(a.GetActivationCount(), 0);
  EXPECT_EQ(CurrentGLContext(), nullptr);
  b.Activate();
  b.Deactivate();
}

// Within one sharing group the object is deleted in the current context: no switch is made.
TEST_F(GLContextTest, AHandleOfTheCurrentSharingGroupIsDeletedAtOnce) {
  TGLRecorder gl;
  TFakeContext a("a"), b("b");
  a.CreateContext(nullptr);
  b.CreateContext(nullptr);
  a.ShareLists(&b);
  TGLListHandle list;
  a.Activate();
  const GLuint name = list.AllocateHandle();
  a.Deactivate();
  b.Activate();
  Events.clear();
  gl.Take();
  list.DestroyHandle();
  EXPECT_EQ(Events, Strings{});
  EXPECT_EQ(gl.CallsOf("glDeleteLists"), TGLCalls{TGLCall("glDeleteLists", name, 1)});
  EXPECT_EQ(CurrentGLContext(), &b);
  EXPECT_TRUE(a.GetOwnedHandles().empty());
  b.Deactivate();
}
}  // namespace
