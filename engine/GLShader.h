#pragma once
// The base of multipass or replacement shading that a library material applies before its
// material, after it or in its place. Derived shaders draw; this class keeps the passes balanced
// and sets up and releases their OpenGL resources in the context they were made in.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "engine/GLContext.h"
#include "engine/GLMisc.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"

class TGLLibMaterial;

enum TGLShaderStyle : uint8_t { ssBeforeMaterial, ssAfterMaterial, ssReplaceMaterial };

class TGLShader : public TGLUpdateAbleComponent {
  RTL_CLASS(TGLShader, TGLUpdateAbleComponent)
  static const TPropertyTable& Published();
  explicit TGLShader(TComponent* AOwner);
  ~TGLShader() override;
  // A delete, by the owner or directly, finalises while the derived shader still exists: its
  // DoFinalize releases what its DoInitialize made, which the destructor no longer can.
  void operator delete(TGLShader* shader, std::destroying_delete_t);
  // The allocation that pairs with it, and the release of a shader whose constructor raised;
  // defined out of line, so that the compiler sees a shader's new and delete as a pair.
  static void* operator new(std::size_t size);
  static void operator delete(void* block);

  bool GetEnabled() const { return FEnabled; }
  // Refused while a pass is under way (assertion "Shader is active.").
  void SetEnabled(bool AValue);
  TGLShaderStyle GetShaderStyle() const { return FShaderStyle; }
  void SetShaderStyle(TGLShaderStyle AValue) { FShaderStyle = AValue; }
  bool GetShaderActive() const { return FShaderActive; }
  bool GetShaderInitialized() const { return FShaderInitialized; }

  // Apply and UnApply pair up ("Unbalanced shader application." otherwise); UnApply answers true
  // while the object is to be drawn again.
  void Apply(TRenderContextInfo& rci, TObject* Sender);
  bool UnApply(TRenderContextInfo& rci);
  // Tells the library materials that use the shader, then releases its resources so that the
  // next apply sets them up anew.
  void NotifyChange(TObject* Sender) override;

  void RegisterUser(TGLLibMaterial* libMaterial);
  void UnRegisterUser(TGLLibMaterial* libMaterial);
  const std::vector<TGLLibMaterial*>& Users() const { return FLibMatUsers; }

 protected:
  virtual void DoApply(TRenderContextInfo& rci, TObject* Sender) = 0;
  virtual bool DoUnApply(TRenderContextInfo& rci) = 0;
  virtual void DoInitialize() {}
  virtual void DoFinalize() {}
  void InitializeShader();
  void FinalizeShader();

 private:
  bool FEnabled = true;
  std::vector<TGLLibMaterial*> FLibMatUsers;
  std::unique_ptr<TGLVirtualHandle> FVirtualHandle;
  TGLShaderStyle FShaderStyle = ssAfterMaterial;
  int32_t FUpdateCount = 0;
  bool FShaderActive = false;
  bool FShaderInitialized = false;
};
