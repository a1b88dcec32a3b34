#pragma once
// Platform-neutral OpenGL rendering contexts, the OpenGL objects that belong to them, and the
// process-wide registry of contexts. The platform half (the Qt context) supplies the Do...
// operations; every piece of OpenGL work happens between Activate and Deactivate.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gl/OpenGL.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"

class EGLContext : public Exception {
 public:
  using Exception::Exception;
};

class EOpenGLError : public Exception {
 public:
  using Exception::Exception;
};

// Raises EOpenGLError with GLU's text of the first error when the OpenGL error flag is set.
void CheckOpenGLError();
void ClearGLError();

enum TGLAntiAliasing : uint8_t { aaDefault, aaNone, aa2x, aa2xHQ, aa4x, aa4xHQ };
enum TGLContextOption : uint8_t { cfDoubleBuffered = 1, cfStereo = 2 };
using TGLContextFlags = uint8_t;  // a set of TGLContextOption
enum TGLContextAccel : uint8_t { caNotSet, caHardware, caSoftware };

// What a context draws to, as the platform half understands it (a window, a surface).
using TGLOutputDevice = void*;

class TGLContextHandle;
class TGLContextManager;

class TGLContext : public TObject {
  RTL_CLASS(TGLContext, TObject)
  TGLContext();
  ~TGLContext() override;

  // The wishes; they raise EGLContext "Cannot alter an active context" while Active.
  int32_t GetColorBits() const { return FColorBits; }
  void SetColorBits(int32_t value) { SetWish(FColorBits, value); }
  int32_t GetAlphaBits() const { return FAlphaBits; }
  void SetAlphaBits(int32_t value) { SetWish(FAlphaBits, value); }
  int32_t GetDepthBits() const { return FDepthBits; }
  void SetDepthBits(int32_t value) { SetWish(FDepthBits, value); }
  int32_t GetStencilBits() const { return FStencilBits; }
  void SetStencilBits(int32_t value) { SetWish(FStencilBits, value); }
  int32_t GetAccumBits() const { return FAccumBits; }
  void SetAccumBits(int32_t value) { SetWish(FAccumBits, value); }
  int32_t GetAuxBuffers() const { return FAuxBuffers; }
  void SetAuxBuffers(int32_t value) { SetWish(FAuxBuffers, value); }
  TGLAntiAliasing GetAntiAliasing() const { return FAntiAliasing; }
  void SetAntiAliasing(TGLAntiAliasing value) { SetWish(FAntiAliasing, value); }
  TGLContextFlags GetOptions() const { return FOptions; }
  void SetOptions(TGLContextFlags value) { SetWish(FOptions, value); }

  TGLContextManager* GetManager() const { return FManager; }
  int32_t GetActivationCount() const { return FActivationCount; }
  bool GetActive() const { return FActivationCount > 0; }
  void SetActive(bool value);
  const std::vector<TGLContext*>& GetSharedContexts() const { return FSharedContexts; }
  const std::vector<TGLContextHandle*>& GetOwnedHandles() const { return FOwnedHandles; }
  TGLContextAccel GetAcceleration() const { return FAcceleration; }

  void CreateContext(TGLOutputDevice outputDevice);
  void CreateMemoryContext(TGLOutputDevice outputDevice, int width, int height);
  void ShareLists(TGLContext* context);
  void PropagateSharedContext();
  void DestroyContext();
  // Counted and nesting on one context. Activate raises EGLContext "Another context is active"
  // while a different context is current.
  void Activate();
  void Deactivate();
  TGLContext* FindCompatibleContext() const;

  virtual bool IsValid() = 0;
  virtual void SwapBuffers() = 0;
  virtual TGLOutputDevice RenderOutputDevice() = 0;

 protected:
  virtual void DoCreateContext(TGLOutputDevice outputDevice) = 0;
  virtual void DoCreateMemoryContext(TGLOutputDevice outputDevice, int width, int height) = 0;
  virtual void DoShareLists(TGLContext* context) = 0;
  virtual void DoDestroyContext() = 0;
  virtual void DoActivate() = 0;
  virtual void DoDeactivate() = 0;

  void SetAcceleration(TGLContextAccel value) { FAcceleration = value; }
  // The destructor of every platform context calls this first: the base destructor can no
  // longer reach IsValid and DoDestroyContext. Errors are dropped, the context is going.
  void ReleaseContext() noexcept;

 private:
  friend class TGLContextHandle;
  friend class TGLContextManager;

  // The current context fully deactivated, to be activated again with the same count.
  struct TSuspended {
    TGLContext* Context = nullptr;
    int32_t Count = 0;
  };
  static TSuspended SuspendCurrent();
  static void Resume(const TSuspended& suspended);

  template <class T>
  void SetWish(T& field, T value) {
    if (GetActive()) throw EGLContext("Cannot alter an active context");
    field = value;
  }
  void Created();

  int32_t FColorBits = 32;
  int32_t FAlphaBits = 0;
  int32_t FDepthBits = 0;
  int32_t FStencilBits = 0;
  int32_t FAccumBits = 0;
  int32_t FAuxBuffers = 0;
  TGLAntiAliasing FAntiAliasing = aaDefault;
  TGLContextFlags FOptions = 0;
  TGLContextManager* FManager = nullptr;
  int32_t FActivationCount = 0;
  std::vector<TGLContext*> FSharedContexts;
  std::vector<TGLContextHandle*> FOwnedHandles;
  TGLContextAccel FAcceleration = caNotSet;
};

using TGLContextClass = TClass;

// The current context, nil when none.
TGLContext* CurrentGLContext();
void RegisterGLContextClass(TGLContextClass contextClass);

// An OpenGL object of a context. When its context is destroyed it moves to another context of
// the sharing group, where the object lives on.
class TGLContextHandle : public TObject {
  RTL_CLASS(TGLContextHandle, TObject)
  ~TGLContextHandle() override;

  TGLContext* GetRenderingContext() const { return FRenderingContext; }
  GLuint GetHandle() const { return FHandle; }
  virtual bool Transferable() const { return true; }

  // Needs Handle 0 and a current context (assertions).
  GLuint AllocateHandle();
  // Deletes the object in its own context, activating that one for the time of it if needed.
  void DestroyHandle();
  void ContextDestroying();

 protected:
  virtual GLuint DoAllocateHandle() = 0;
  virtual void DoDestroyHandle() = 0;
  // For the destructors of the kinds: DestroyHandle with errors dropped.
  void ReleaseHandle() noexcept;

 private:
  friend class TGLContext;
  TGLContext* FRenderingContext = nullptr;
  GLuint FHandle = 0;
};

class TGLListHandle : public TGLContextHandle {
  RTL_CLASS(TGLListHandle, TGLContextHandle)
  ~TGLListHandle() override { ReleaseHandle(); }

 protected:
  GLuint DoAllocateHandle() override;
  void DoDestroyHandle() override;
};

class TGLTextureHandle : public TGLContextHandle {
  RTL_CLASS(TGLTextureHandle, TGLContextHandle)
  ~TGLTextureHandle() override { ReleaseHandle(); }

 protected:
  GLuint DoAllocateHandle() override;
  void DoDestroyHandle() override;
};

class TGLVirtualHandle;
using TGLVirtualHandleEvent = std::function<void(TGLVirtualHandle* sender, GLuint& handle)>;

class TGLVirtualHandle : public TGLContextHandle {
  RTL_CLASS(TGLVirtualHandle, TGLContextHandle)
  ~TGLVirtualHandle() override { ReleaseHandle(); }

  TGLVirtualHandleEvent OnAllocate;
  TGLVirtualHandleEvent OnDestroy;

 protected:
  GLuint DoAllocateHandle() override;
  void DoDestroyHandle() override;
};

class TGLContextManager : public TObject {
  RTL_CLASS(TGLContextManager, TObject)
  // A new context of the first registered class, nil when none is registered.
  std::unique_ptr<TGLContext> CreateContext();

  void Lock() { FContexts.LockList(); }
  void UnLock() { FContexts.UnlockList(); }
  int ContextCount();
  // EGLContext "Invalid context registration" for a context present (register) or absent
  // (unregister).
  void RegisterContext(TGLContext* context);
  void UnRegisterContext(TGLContext* context);
  void ContextCreatedBy(TGLContext* context);
  void DestroyingContextBy(TGLContext* context);
  // Frees the manager at once when no context is left; otherwise it stays.
  void Terminate();

  bool GetTerminated() const { return FTerminated; }
  int32_t GetCreatedCount() const { return FCreatedCount; }

 private:
  TThreadList FContexts;
  bool FTerminated = false;
  int32_t FCreatedCount = 0;
};

extern TGLContextManager* GLContextManager;

// Start-up and shut-down of the unit, counted so that they run once: the manager, and the list
// of context classes.
void InitializeGLContext();
void FinalizeGLContext();
