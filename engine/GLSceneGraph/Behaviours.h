#pragma once
// Behaviours and effects: items of two extensible collections that any scene node can carry, so
// that plug-in classes join the progress clock or draw before and after a node without
// subclassing it. The engine defines the bases and the collections; no concrete item class.

#include "engine/GLMisc.h"
#include "engine/GLSceneGraph/RenderContextInfo.h"
#include "engine/base/XCollection.h"

class TGLBaseSceneObject;
class TGLSceneBuffer;

// The common base of both item kinds.
class TGLBaseBehaviour : public TXCollectionItem {
  RTL_CLASS(TGLBaseBehaviour, TXCollectionItem)
  virtual void DoProgress(const TGLProgressTimes& ProgressTime) { (void)ProgressTime; }
  // After the item's own version and name, the behaviour's version: 0, the only one known.
  void WriteToFiler(TWriter& writer) override;
  // Raises EFilerException for a version other than 0.
  void ReadFromFiler(TReader& reader) override;

 protected:
  using TXCollectionItem::TXCollectionItem;
};

class TGLBehaviour : public TGLBaseBehaviour {
  RTL_CLASS(TGLBehaviour, TGLBaseBehaviour)

 protected:
  using TGLBaseBehaviour::TGLBaseBehaviour;
};

class TGLObjectEffect : public TGLBaseBehaviour {
  RTL_CLASS(TGLObjectEffect, TGLBaseBehaviour)
  virtual void Render(TGLSceneBuffer* Buffer, TRenderContextInfo& rci) { (void)Buffer, (void)rci; }

 protected:
  using TGLBaseBehaviour::TGLBaseBehaviour;
};

class TGLBehaviours : public TXCollection {
  RTL_CLASS(TGLBehaviours, TXCollection)
  // The owner must be a scene node (assertion).
  explicit TGLBehaviours(TPersistent* AOwner);
  // "<owner path>.Behaviours", or the class name when the owner's path is empty.
  std::string GetNamePath() const override;
  TClass ItemsClass() const override { return TGLBehaviour::StaticClass(); }
  // No effect class.
  bool CanAdd(TXCollectionItemClass AClass) const override;
  void DoProgress(const TGLProgressTimes& ProgressTime);
};

class TGLObjectEffects : public TXCollection {
  RTL_CLASS(TGLObjectEffects, TXCollection)
  // The owner must be a scene node (assertion).
  explicit TGLObjectEffects(TPersistent* AOwner);
  // "<owner path>.Effects", or the class name when the owner's path is empty.
  std::string GetNamePath() const override;
  TClass ItemsClass() const override { return TGLObjectEffect::StaticClass(); }
  // Effect classes only.
  bool CanAdd(TXCollectionItemClass AClass) const override;
  void DoProgress(const TGLProgressTimes& ProgressTime);
  // The passes around the node's own drawing.
  void RenderPreEffects(TGLSceneBuffer* Buffer, TRenderContextInfo& rci);
  void RenderPostEffects(TGLSceneBuffer* Buffer, TRenderContextInfo& rci);
};
