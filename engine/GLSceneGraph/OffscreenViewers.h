#pragma once
// Viewers without a window: a scene rendered at Width x Height into an off-screen context of the
// viewer's own, whose image can then be copied into a texture.

#include <cstdint>
#include <memory>

#include "engine/GLSceneGraph/SceneBuffer.h"
#include "platform/rtl/Classes.h"

class TGLBaseSceneObject;
class TGLCamera;
class TGLTexture;

// The part every off-screen viewer shares: the buffer, the size, and the context dropped when the
// size or a pixel-format wish changes, to be made again at the next frame.
class TGLNonVisualViewer : public TComponent {
  RTL_CLASS(TGLNonVisualViewer, TComponent)
  static const TPropertyTable& Published();

  // 256 x 256, with a buffer of its own and no context yet.
  explicit TGLNonVisualViewer(TComponent* AOwner);
  ~TGLNonVisualViewer() override;

  TGLSceneBuffer* GetBuffer() const { return FBuffer.get(); }
  // Copies the value into the viewer's own buffer.
  void SetBuffer(TGLSceneBuffer* AValue);
  TGLCamera* GetCamera() const { return FBuffer->GetCamera(); }
  // Through the buffer; a camera that is freed leaves the viewer without one.
  void SetCamera(TGLCamera* AValue);
  int32_t GetWidth() const { return FWidth; }
  int32_t GetHeight() const { return FHeight; }
  // A new size is stored at least 1 and drops the context; the next frame makes one of that size.
  void SetWidth(int32_t AValue);
  void SetHeight(int32_t AValue);

  // One frame of BaseObject's subtree, or with nil of the camera's whole scene.
  virtual void Render(TGLBaseSceneObject* BaseObject) = 0;
  // The whole image into the texture at (0, 0), on the texture's own target; nothing before the
  // first frame.
  virtual void CopyToTexture(TGLTexture* Texture);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void DoBufferChange() {}
  // Drops the context; asked for during a frame, it is dropped before the next one.
  virtual void DoBufferStructuralChange();
  // Called before a context is made, to adjust its wishes.
  virtual void PrepareGLContext() {}
  // Drops a context whose drop was asked for during a frame; then whether one is left.
  bool ContextReady();

 private:
  std::unique_ptr<TGLSceneBuffer> FBuffer;
  int32_t FWidth = 256;
  int32_t FHeight = 256;
  bool FContextStale = false;
};

// Renders into an off-screen context (a framebuffer object) made at the first frame.
class TGLMemoryViewer : public TGLNonVisualViewer {
  RTL_CLASS(TGLMemoryViewer, TGLNonVisualViewer)
  explicit TGLMemoryViewer(TComponent* AOwner);

  // Without a context: the viewport and an off-screen context of the viewer's size first.
  // Context creation failures pass out.
  void Render(TGLBaseSceneObject* BaseObject) override;
};
