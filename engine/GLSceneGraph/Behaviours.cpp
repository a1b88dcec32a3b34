#include "engine/GLSceneGraph/Behaviours.h"

#include "engine/GLSceneGraph/BaseSceneObject.h"
#include "engine/base/PersistentClasses.h"

namespace {

bool OwnedByNode(TPersistent* AOwner) {
  return dynamic_cast<TGLBaseSceneObject*>(AOwner) != nullptr;
}

std::string PathBelow(const TXCollection& collection, const char* suffix) {
  const std::string ownerPath = collection.GetOwner()->GetNamePath();
  return ownerPath.empty() ? collection.ClassName() : ownerPath + suffix;
}

template <class C>
void ProgressItems(C& collection, const TGLProgressTimes& ProgressTime) {
  for (int i = 0; i < collection.Count(); ++i)
    static_cast<TGLBaseBehaviour*>(collection.GetItems(i))->DoProgress(ProgressTime);
}

}  // namespace

void TGLBaseBehaviour::WriteToFiler(TWriter& writer) {
  inherited::WriteToFiler(writer);
  writer.WriteInteger(0);
}

void TGLBaseBehaviour::ReadFromFiler(TReader& reader) {
  inherited::ReadFromFiler(reader);
  if (const int32_t version = reader.ReadInteger(); version != 0)
    TPersistentObject::RaiseFilerException(ClassType(), version);
}

TGLBehaviours::TGLBehaviours(TPersistent* AOwner)
    : TXCollection((Assert(OwnedByNode(AOwner)), AOwner)) {}

std::string TGLBehaviours::GetNamePath() const {
  return PathBelow(*this, ".Behaviours");
}

bool TGLBehaviours::CanAdd(TXCollectionItemClass AClass) const {
  return !AClass->Class->InheritsFrom(TGLObjectEffect::StaticClass()) && inherited::CanAdd(AClass);
}

void TGLBehaviours::DoProgress(const TGLProgressTimes& ProgressTime) {
  ProgressItems(*this, ProgressTime);
}

TGLObjectEffects::TGLObjectEffects(TPersistent* AOwner)
    : TXCollection((Assert(OwnedByNode(AOwner)), AOwner)) {}

std::string TGLObjectEffects::GetNamePath() const {
  return PathBelow(*this, ".Effects");
}

bool TGLObjectEffects::CanAdd(TXCollectionItemClass AClass) const {
  return AClass->Class->InheritsFrom(TGLObjectEffect::StaticClass()) && inherited::CanAdd(AClass);
}

void TGLObjectEffects::DoProgress(const TGLProgressTimes& ProgressTime) {
  ProgressItems(*this, ProgressTime);
}

// The pre-, post- and after-render effect kinds are effect classes that no unit defines yet, so
// neither pass finds an item of its kind to render.
void TGLObjectEffects::RenderPreEffects(TGLSceneBuffer*, TRenderContextInfo&) {}

void TGLObjectEffects::RenderPostEffects(TGLSceneBuffer*, TRenderContextInfo&) {}
