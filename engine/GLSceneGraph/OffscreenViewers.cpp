#include "engine/GLSceneGraph/OffscreenViewers.h"

#include <algorithm>
#include <any>

#include "engine/GLSceneGraph/Camera.h"
#include "platform/rtl/SysUtils.h"

// ---- TGLNonVisualViewer

const TPropertyTable& TGLNonVisualViewer::Published() {
  using V = TGLNonVisualViewer;
  static const TPropertyTable table = [] {
    TPropertyTable published = TPropertyTable::Extend<V>(TComponent::Published())
                                   .Component("Camera", &V::GetCamera, &V::SetCamera)
                                   .Integer("Width", &V::GetWidth, &V::SetWidth, Default(256))
                                   .Integer("Height", &V::GetHeight, &V::SetHeight, Default(256));
    published.Add(
        PublishedBufferEvent<TGLNonVisualViewer>("BeforeRender", &TGLSceneBuffer::BeforeRender));
    published.Add(
        PublishedBufferEvent<TGLNonVisualViewer>("PostRender", &TGLSceneBuffer::PostRender));
    published.Add(
        PublishedBufferEvent<TGLNonVisualViewer>("AfterRender", &TGLSceneBuffer::AfterRender));
    return TPropertyTable(TPropertyBuilder<V>(published).Object("Buffer", &V::GetBuffer));
  }();
  return table;
}

TGLNonVisualViewer::TGLNonVisualViewer(TComponent* AOwner)
    : TComponent(AOwner), FBuffer(std::make_unique<TGLSceneBuffer>(this)) {
  FBuffer->OnChange = [this](TObject*) { DoBufferChange(); };
  FBuffer->OnStructuralChange = [this](TObject*) { DoBufferStructuralChange(); };
  FBuffer->OnPrepareGLContext = [this](TObject*) { PrepareGLContext(); };
}

TGLNonVisualViewer::~TGLNonVisualViewer() {
  Destroying();
  // The buffer goes before the component part: its context and its scene go with it.
  FBuffer.reset();
}

void TGLNonVisualViewer::SetBuffer(TGLSceneBuffer* AValue) {
  FBuffer->Assign(AValue);
}

void TGLNonVisualViewer::SetCamera(TGLCamera* AValue) {
  if (TGLCamera* old = FBuffer->GetCamera(); old && old != AValue) RemoveFreeNotification(old);
  FBuffer->SetCamera(AValue);
  if (TGLCamera* taken = FBuffer->GetCamera()) FreeNotification(taken);
}

void TGLNonVisualViewer::SetWidth(int32_t AValue) {
  if (AValue == FWidth) return;
  FWidth = std::max(AValue, 1);
  DoBufferStructuralChange();
}

void TGLNonVisualViewer::SetHeight(int32_t AValue) {
  if (AValue == FHeight) return;
  FHeight = std::max(AValue, 1);
  DoBufferStructuralChange();
}

void TGLNonVisualViewer::CopyToTexture(TGLTexture* Texture) {
  FBuffer->CopyToTexture(Texture, 0, 0, FWidth, FHeight, 0, 0, 0, false);
}

void TGLNonVisualViewer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && FBuffer && AComponent == FBuffer->GetCamera()) SetCamera(nullptr);
  inherited::Notification(AComponent, Operation);
}

void TGLNonVisualViewer::DoBufferStructuralChange() {
  // A context cannot go in the middle of its own frame.
  if (FBuffer->GetRendering()) {
    FContextStale = true;
    return;
  }
  FContextStale = false;
  FBuffer->DestroyRC();
}

bool TGLNonVisualViewer::ContextReady() {
  if (FContextStale) DoBufferStructuralChange();
  return FBuffer->RCInstantiated();
}

// ---- TGLMemoryViewer

TGLMemoryViewer::TGLMemoryViewer(TComponent* AOwner) : TGLNonVisualViewer(AOwner) {
  SetWidth(256);
  SetHeight(256);
}

void TGLMemoryViewer::Render(TGLBaseSceneObject* BaseObject) {
  TGLSceneBuffer* buffer = GetBuffer();
  if (!ContextReady()) {
    buffer->SetViewPort(0, 0, GetWidth(), GetHeight());
    buffer->CreateRC(nullptr, true);
  }
  buffer->Render(BaseObject);
}
