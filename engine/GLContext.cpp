#include "engine/GLContext.h"

#include <algorithm>

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
  FSharedContexts.push_back(this);
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
  FSharedContexts.push_back(context);
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
  if (FActivationCount > 1) {
    --FActivationCount;
    return;
  }
  if (FActivationCount < 1) throw EGLContext("Unbalanced context activations");
  if (!IsValid()) throw EGLContext("Context not created");
  DoDeactivate();
  FActivationCount = 0;
  vCurrentGLContext = nullptr;
}

TGLContext::TSuspended TGLContext::SuspendCurrent() {
  TSuspended suspended{vCurrentGLContext, 0};
  if (TGLContext* current = suspended.Context) {
    suspended.Count = current->FActivationCount;
    current->FActivationCount = 1;
    current->Deactivate();
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
  Activate();
  TGLContext* compatible = FindCompatibleContext();
  for (auto it = FOwnedHandles.rbegin(); it != FOwnedHandles.rend(); ++it) {
    TGLContextHandle* handle = *it;
    if (compatible && handle->Transferable()) {
      compatible->FOwnedHandles.push_back(handle);
      handle->FRenderingContext = compatible;
    } else {
      handle->ContextDestroying();
    }
  }
  FOwnedHandles.clear();
  if (GLContextManager) GLContextManager->DestroyingContextBy(this);
  Erase(FSharedContexts, this);
  PropagateSharedContext();
  FSharedContexts.clear();
  SetActive(false);
  DoDestroyContext();
  Resume(previous);
  FAcceleration = caNotSet;
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
  if (TGLContext* owner = FRenderingContext) {
    Erase(owner->FOwnedHandles, this);
    TGLContext* current = vCurrentGLContext;
    if (owner == current || (current && Contains(current->FSharedContexts, owner))) {
      DoDestroyHandle();
    } else {
      const TGLContext::TSuspended previous = TGLContext::SuspendCurrent();
      owner->Activate();
      DoDestroyHandle();
      owner->Deactivate();
      TGLContext::Resume(previous);
    }
  }
  FHandle = 0;
  FRenderingContext = nullptr;
}

void TGLContextHandle::ContextDestroying() {
  if (FHandle == 0) return;
  DoDestroyHandle();
  FHandle = 0;
  FRenderingContext = nullptr;
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
  if (vInitCount++ == 0) GLContextManager = new TGLContextManager;
}

void FinalizeGLContext() {
  if (vInitCount == 0 || --vInitCount != 0) return;
  if (GLContextManager) GLContextManager->Terminate();
  delete vContextClasses;
  vContextClasses = nullptr;
}
