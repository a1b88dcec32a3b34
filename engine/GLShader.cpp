#include "engine/GLShader.h"

#include <algorithm>
#include <utility>

#include "engine/GLMaterialLibrary.h"

const TPropertyTable& TGLShader::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLShader>(TGLUpdateAbleComponent::Published())
          .Boolean("Enabled", &TGLShader::GetEnabled, &TGLShader::SetEnabled, Default(true));
  return table;
}

TGLShader::TGLShader(TComponent* AOwner)
    : TGLUpdateAbleComponent(AOwner), FVirtualHandle(std::make_unique<TGLVirtualHandle>()) {}

TGLShader::~TGLShader() {
  FinalizeShader();
  FVirtualHandle.reset();
  std::vector<TGLLibMaterial*> users;
  users.swap(FLibMatUsers);
  for (auto it = users.rbegin(); it != users.rend(); ++it) (*it)->SetShader(nullptr);
}

void* TGLShader::operator new(std::size_t size) {
  return ::operator new(size);
}

void TGLShader::operator delete(void* block) {
  ::operator delete(block);
}

void TGLShader::operator delete(TGLShader* shader, std::destroying_delete_t) {
  shader->FinalizeShader();
  // The memory is the whole object's, which starts where the most derived class does.
  void* const block = dynamic_cast<void*>(shader);
  shader->~TGLShader();
  ::operator delete(block);
}

void TGLShader::Apply(TRenderContextInfo& rci, TObject* Sender) {
  Assert(!FShaderActive, "Unbalanced shader application.");
  if (FEnabled) {
    if (FVirtualHandle->GetHandle() == 0) InitializeShader();
    DoApply(rci, Sender);
  }
  // Only after DoApply came back: a shader whose set-up throws is not left active for ever.
  FShaderActive = true;
}

bool TGLShader::UnApply(TRenderContextInfo& rci) {
  Assert(FShaderActive, "Unbalanced shader application.");
  if (!FEnabled) {
    FShaderActive = false;
    return false;
  }
  const bool again = DoUnApply(rci);
  if (!again) FShaderActive = false;
  return again;
}

void TGLShader::SetEnabled(bool AValue) {
  Assert(!FShaderActive, "Shader is active.");
  if (AValue == FEnabled) return;
  FEnabled = AValue;
  NotifyChange(this);
}

void TGLShader::NotifyChange(TObject*) {
  if (FUpdateCount != 0) return;
  for (auto it = FLibMatUsers.rbegin(); it != FLibMatUsers.rend(); ++it) (*it)->NotifyUsers();
  FinalizeShader();
}

void TGLShader::RegisterUser(TGLLibMaterial* libMaterial) {
  if (std::find(FLibMatUsers.begin(), FLibMatUsers.end(), libMaterial) == FLibMatUsers.end())
    FLibMatUsers.push_back(libMaterial);
}

void TGLShader::UnRegisterUser(TGLLibMaterial* libMaterial) {
  std::erase(FLibMatUsers, libMaterial);
}

void TGLShader::InitializeShader() {
  if (FVirtualHandle->GetHandle() != 0) return;
  FVirtualHandle->OnAllocate = [](TGLVirtualHandle*, GLuint& handle) { handle = 1; };
  // A context going takes the handle with it: the shader's resources go first.
  FVirtualHandle->OnDestroy = [this](TGLVirtualHandle*, GLuint& handle) {
    if (std::exchange(FShaderInitialized, false)) DoFinalize();
    handle = 0;
  };
  FVirtualHandle->AllocateHandle();
  DoInitialize();
  FShaderInitialized = true;
}

void TGLShader::FinalizeShader() {
  if (!FVirtualHandle || FVirtualHandle->GetHandle() == 0 || !FShaderInitialized) return;
  TGLContext* context = FVirtualHandle->GetRenderingContext();
  const bool activated = context && !context->GetActive();
  if (activated) context->Activate();
  FShaderInitialized = false;
  DoFinalize();
  if (activated) context->Deactivate();
  FVirtualHandle->DestroyHandle();
}
