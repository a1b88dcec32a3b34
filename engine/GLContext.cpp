#include "engine/GLContext.h"

#include <algorithm>
#include <exception>

namespace {
TGLContext* vCurrentGLContext = nullptr;
std::vector<TGLContextClass>* vContextClasses = nullptr;
int vInitCount = 0;

template <class T>
bool Contains(const std::vector<T*>& list, const T* item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

template <class T>
void Erase(std::vector<T*>& list, const T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// Runs every step of a tear-down, also after one failed, and reports the first failure.
class TFirstError {
 public:
  template <class F>
  void Run(F step) {
    try {
      step();
    } catch (...) {
      if (!FError) FError = std::current_exception();
    }
  }
  void Raise() const {
    if (FError) std::rethrow_exception(FError);
  }

 private:
  std::exception_ptr FError;
};

// The manager's list, locked for the life of the object, also when an error leaves early.
class TLockedList {
 public:
  explicit TLockedList(TThreadList& list) : FList(list), FItems(list.LockList()) {}
  ~TLockedList() { FList.UnlockList(); }
  TList* operator->() const { return FItems; }

 private:
  TThreadList& FList;
  TList* FItems;
};
}  // namespace

TGLContextManager* GLContextManager = nullptr;

void CheckOpenGLError() {
  const GLenum first = glGetError();
  if (first == GL_NO_ERROR) return;
  try {
    for (int i = 0; i < 7 && glGetError() != GL_NO_ERROR; ++i) {
    }
  } catch (...) {
  }
  const GLubyte* text = gluErrorString(first);
  throw EOpenGLError(text ? reinterpret_cast<const char*>(text)
                          : "OpenGL error " + IntToStr(first));
}

void ClearGLError() {
  for (int i = 0; i < 7 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

TGLContext* CurrentGLContext() {
  return vCurrentGLContext;
}

void RegisterGLContextClass(TGLContextClass contextClass) {
  Assert(contextClass && contextClass->InheritsFrom(TGLContext::StaticClass()));
  if (!vContextClasses) vContextClasses = new std::vector<TGLContextClass>;
  vContextClasses->push_back(contextClass);
}

// ---- TGLContext

TGLContext::TGLContext() {
  if (GLContextManager) GLContextManager->RegisterContext(this);
}

TGLContext::~TGLContext() {
  // Nothing may keep pointing here, whatever state the context was left in.
  for (TGLContext* other : FSharedContexts)
    if (other != this) Erase(other->FSharedContexts, this);
  for (TGLContextHandle* handle : FOwnedHandles) handle->FRenderingContext = nullptr;
  if (vCurrentGLContext == this) vCurrentGLContext = nullptr;
  if (GLContextManager) {
    try {
      GLContextManager->UnRegisterContext(this);
    } catch (const EGLContext&) {
    }
  }
}

void TGLContext::ReleaseContext() noexcept {
  try {
    if (IsValid()) DestroyContext();
  } catch (...) {
  }
}

void TGLContext::SetActive(bool value) {
  while (GetActive() != value) value ? Activate() : Deactivate();
}

void TGLContext::Created() {
  // A context shared before it was created is already listed by its group.
  if (!Contains(FSharedContexts, this)) FSharedContexts.push_back(this);
  if (GLContextManager) GLContextManager->ContextCreatedBy(this);
}

void TGLContext::CreateContext(TGLOutputDevice outputDevice) {
  if (IsValid()) throw EGLContext("Context already created");
  FAcceleration = caNotSet;
  DoCreateContext(outputDevice);
  Created();
}

void TGLContext::CreateMemoryContext(TGLOutputDevice outputDevice, int width, int height) {
  if (IsValid()) throw EGLContext("Context already created");
  FAcceleration = caNotSet;
  DoCreateMemoryContext(outputDevice, width, height);
  Created();
}

void TGLContext::ShareLists(TGLContext* context) {
  if (!IsValid()) throw EGLContext("Context not created");
  if (Contains(FSharedContexts, context)) return;
  DoShareLists(context);
  // The two groups become one, and every member of either holds the union: a member left with
  // its old list would keep the address of a partner freed later.
  const std::vector<TGLContext*> partners = context->FSharedContexts;
  if (partners.empty()) FSharedContexts.push_back(context);
  for (TGLContext* other : partners)
    if (!Contains(FSharedContexts, other)) FSharedContexts.push_back(other);
  PropagateSharedContext();
}

void TGLContext::PropagateSharedContext() {
  for (TGLContext* other : FSharedContexts)
    if (other != this) other->FSharedContexts = FSharedContexts;
}

TGLContext* TGLContext::FindCompatibleContext() const {
  for (TGLContext* other : FSharedContexts)
    if (other != this) return other;
  return nullptr;
}

void TGLContext::Activate() {
  if (FActivationCount == 0) {
    if (!IsValid()) throw EGLContext("Context not created");
    if (vCurrentGLContext && vCurrentGLContext != this)
      throw EGLContext("Another context is active");
    DoActivate();
    vCurrentGLContext = this;
  } else {
    Assert(vCurrentGLContext == this);
  }
  ++FActivationCount;
}

void TGLContext::Deactivate() {
  Assert(vCurrentGLContext == this);
  if (FActivationCount < 1) throw EGLContext("Unbalanced context activations");
  if (--FActivationCount > 0) return;
  if (!IsValid()) {
    // There is no platform context left to make not current.
    vCurrentGLContext = nullptr;
    throw EGLContext("Context not created");
  }
  try {
    DoDeactivate();
  } catch (...) {
    // The platform context is still current: so is this one.
    FActivationCount = 1;
    throw;
  }
  vCurrentGLContext = nullptr;
}

TGLContext::TSuspended TGLContext::SuspendCurrent() {
  TSuspended suspended{vCurrentGLContext, 0};
  if (TGLContext* current = suspended.Context) {
    suspended.Count = current->FActivationCount;
    current->FActivationCount = 1;
    try {
      current->Deactivate();
    } catch (...) {
      if (vCurrentGLContext == current) current->FActivationCount = suspended.Count;
      throw;
    }
  }
  return suspended;
}

void TGLContext::Resume(const TSuspended& suspended) {
  if (!suspended.Context) return;
  suspended.Context->Activate();
  suspended.Context->FActivationCount = suspended.Count;
}

void TGLContext::DestroyContext() {
  // Checked before anything changes: Activate below would raise it with the previous context
  // already put aside.
  if (!IsValid()) throw EGLContext("Context not created");
  const TSuspended previous = vCurrentGLContext != this ? SuspendCurrent() : TSuspended{};
  try {
    Activate();
  } catch (...) {
    Resume(previous);
    throw;
  }
  // From here on the context goes whatever fails; the first failure is reported at the end.
  TFirstError error;
  TGLContext* compatible = FindCompatibleContext();
  std::vector<TGLContextHandle*> handles;
  handles.swap(FOwnedHandles);
  for (auto it = handles.rbegin(); it != handles.rend(); ++it) {
    TGLContextHandle* handle = *it;
    if (compatible && handle->Transferable()) {
      compatible->FOwnedHandles.push_back(handle);
      handle->FRenderingContext = compatible;
    } else {
      error.Run([handle] { handle->ContextDestroying(); });
    }
  }
  if (GLContextManager) GLContextManager->DestroyingContextBy(this);
  Erase(FSharedContexts, this);
  PropagateSharedContext();
  FSharedContexts.clear();
  error.Run([this] { SetActive(false); });
  FActivationCount = 0;
  if (vCurrentGLContext == this) vCurrentGLContext = nullptr;
  error.Run([this] { DoDestroyContext(); });
  error.Run([&previous] { Resume(previous); });
  FAcceleration = caNotSet;
  error.Raise();
}

// ---- Handles

TGLContextHandle::~TGLContextHandle() {
  if (FRenderingContext) Erase(FRenderingContext->FOwnedHandles, this);
}

GLuint TGLContextHandle::AllocateHandle() {
  Assert(FHandle == 0);
  Assert(vCurrentGLContext != nullptr);
  FHandle = DoAllocateHandle();
  if (FHandle != 0) {
    FRenderingContext = vCurrentGLContext;
    FRenderingContext->FOwnedHandles.push_back(this);
  }
  return FHandle;
}

void TGLContextHandle::DestroyHandle() {
  if (FHandle == 0) return;
  TGLContext* owner = FRenderingContext;
  TGLContext* current = vCurrentGLContext;
  if (!owner) {
    // Its context went without it: there is nothing left to delete the object in.
    FHandle = 0;
    return;
  }
  if (owner == current || (current && Contains(current->FSharedContexts, owner))) {
    Erase(owner->FOwnedHandles, this);
    ContextDestroying();
    return;
  }
  const TGLContext::TSuspended previous = TGLContext::SuspendCurrent();
  try {
    owner->Activate();
  } catch (...) {
    // The object is still there, and still the owner's.
    TGLContext::Resume(previous);
    throw;
  }
  TFirstError error;
  Erase(owner->FOwnedHandles, this);
  error.Run([this] { ContextDestroying(); });
  error.Run([owner] { owner->Deactivate(); });
  error.Run([&previous] { TGLContext::Resume(previous); });
  error.Raise();
}

void TGLContextHandle::ContextDestroying() {
  if (FHandle == 0) return;
  // The handle is out of its owner's list: it forgets the object also when deleting fails.
  struct TForget {
    TGLContextHandle* Handle;
    ~TForget() {
      Handle->FHandle = 0;
      Handle->FRenderingContext = nullptr;
    }
  } forget{this};
  DoDestroyHandle();
}

void TGLContextHandle::ReleaseHandle() noexcept {
  try {
    DestroyHandle();
  } catch (...) {
  }
}

GLuint TGLListHandle::DoAllocateHandle() {
  return glGenLists(1);
}

void TGLListHandle::DoDestroyHandle() {
  ClearGLError();
  glDeleteLists(GetHandle(), 1);
  CheckOpenGLError();
}

GLuint TGLTextureHandle::DoAllocateHandle() {
  GLuint name = 0;
  glGenTextures(1, &name);
  return name;
}

void TGLTextureHandle::DoDestroyHandle() {
  glGetError();
  const GLuint name = GetHandle();
  if (glIsTexture(name)) glDeleteTextures(1, &name);
  CheckOpenGLError();
}

GLuint TGLVirtualHandle::DoAllocateHandle() {
  GLuint name = 0;
  if (OnAllocate) OnAllocate(this, name);
  return name;
}

void TGLVirtualHandle::DoDestroyHandle() {
  ClearGLError();
  GLuint name = GetHandle();
  if (OnDestroy) OnDestroy(this, name);
  CheckOpenGLError();
}

// ---- TGLContextManager

std::unique_ptr<TGLContext> TGLContextManager::CreateContext() {
  if (!vContextClasses || vContextClasses->empty()) return nullptr;
  std::unique_ptr<TObject> object = vContextClasses->front()->Create();
  std::unique_ptr<TGLContext> context(static_cast<TGLContext*>(object.release()));
  context->FManager = this;
  return context;
}

int TGLContextManager::ContextCount() {
  return TLockedList(FContexts)->Count();
}

void TGLContextManager::RegisterContext(TGLContext* context) {
  TLockedList list(FContexts);
  if (list->IndexOf(context) >= 0) throw EGLContext("Invalid context registration");
  list->Add(context);
}

void TGLContextManager::UnRegisterContext(TGLContext* context) {
  TLockedList list(FContexts);
  if (list->Remove(context) < 0) throw EGLContext("Invalid context registration");
}

void TGLContextManager::ContextCreatedBy(TGLContext*) {
  TLockedList list(FContexts);
  ++FCreatedCount;
}

void TGLContextManager::DestroyingContextBy(TGLContext*) {
  TLockedList list(FContexts);
  --FCreatedCount;
}

void TGLContextManager::Terminate() {
  FTerminated = true;
  if (ContextCount() != 0) return;
  if (GLContextManager == this) GLContextManager = nullptr;
  delete this;
}

void InitializeGLContext() {
  ++vInitCount;
  // A manager that Terminate freed on its own is made again.
  if (!GLContextManager) GLContextManager = new TGLContextManager;
}

void FinalizeGLContext() {
  if (vInitCount == 0 || --vInitCount != 0) return;
  if (GLContextManager) GLContextManager->Terminate();
  delete vContextClasses;
  vContextClasses = nullptr;
}
