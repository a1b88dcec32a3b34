#include "engine/GLMaterial.h"

#include <functional>
#include <utility>

#include "platform/rtl/SysUtils.h"

// Only components hear of a component's end, so the material keeps one to watch its library.
class TGLMaterial::TLibraryWatch : public TComponent {
  RTL_CLASS(TLibraryWatch, TComponent)
  explicit TLibraryWatch(TGLMaterial& material) : TComponent(nullptr), FMaterial(material) {}

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    inherited::Notification(component, operation);
    if (operation != opRemove || component != FMaterial.FMaterialLibrary) return;
    // The library's materials are gone with it, and with them any link to one of them.
    FMaterial.FMaterialLibrary = nullptr;
    if (TGLLibMaterial* linked = std::exchange(FMaterial.FCurrentLibMaterial, nullptr))
      linked->UnregisterUser(&FMaterial);
  }

 private:
  TGLMaterial& FMaterial;
};

namespace {
// The class library publishes sub-objects without a stored test; these properties take one.
TPropertyTable WithStoredRule(TPropertyTable table, const char* name, TStoredRule rule) {
  TPropInfo info = *table.Find(name);
  info.Rule = std::move(rule);
  table.Add(std::move(info));
  return table;
}

TStoredRule StoredWhen(std::function<bool(const TGLMaterial&)> test) {
  TStoredRule rule;
  rule.Mode = TStoredRule::smPredicate;
  rule.Predicate = [test](const TObject& o) { return test(static_cast<const TGLMaterial&>(o)); };
  return rule;
}

// The writer's reads make the parts, as any first read does.
TGLMaterial& Making(const TGLMaterial& material) {
  return const_cast<TGLMaterial&>(material);
}

bool IsOn(const TGLStateCache& cache, TGLCachedState state) {
  return (cache.GetStates() >> state & 1) != 0;
}

// Lighting or fog for a material that does without: the counter holds how many applied materials
// did without since the state went off, so that only the outermost one switches it back on, and
// none switches on what was off before.
void SwitchOff(TGLStateCache& cache, TGLCachedState state, int32_t& counter) {
  if (IsOn(cache, state)) {
    cache.Disable(state);
    ++counter;
  } else if (counter > 0) {
    ++counter;
  }
}

void SwitchBackOn(TGLStateCache& cache, TGLCachedState state, int32_t& counter) {
  if (counter > 0 && --counter == 0) cache.Enable(state);
}
}  // namespace

const TPropertyTable& TGLMaterial::Published() {
  static const TPropertyTable table = [] {
    TPropertyTable published =
        TPropertyTable::Extend<TGLMaterial>(TGLUpdateAbleObject::Published())
            .Object("BackProperties",
                    [](const TGLMaterial& m) { return Making(m).GetBackProperties(); })
            .Object("FrontProperties", &TGLMaterial::GetFrontProperties)
            .Enumeration("BlendingMode", &TGLMaterial::GetBlendingMode,
                         &TGLMaterial::SetBlendingMode,
                         {"bmOpaque", "bmTransparency", "bmAdditive", "bmAlphaTest50",
                          "bmAlphaTest100", "bmModulate"},
                         StoredWhen([](const TGLMaterial& m) {
                           return m.StoreMaterialProps() && m.FBlendingMode != bmOpaque;
                         }))
            .Object("Texture", [](const TGLMaterial& m) { return Making(m).GetTexture(); })
            .Set("MaterialOptions", &TGLMaterial::GetMaterialOptions,
                 &TGLMaterial::SetMaterialOptions, {"moIgnoreFog", "moNoLighting"}, Default(0))
            .Enumeration("FaceCulling", &TGLMaterial::GetFaceCulling, &TGLMaterial::SetFaceCulling,
                         {"fcBufferDefault", "fcCull", "fcNoCull"}, Default(fcBufferDefault))
            .Component("MaterialLibrary", &TGLMaterial::GetMaterialLibrary,
                       &TGLMaterial::SetMaterialLibrary)
            .String("LibMaterialName", &TGLMaterial::GetLibMaterialName,
                    &TGLMaterial::SetLibMaterialName)
            .Object("TextureEx", [](const TGLMaterial& m) { return Making(m).GetTextureEx(); });
    const auto ownProperties = [](const TGLMaterial& m) { return m.StoreMaterialProps(); };
    published = WithStoredRule(published, "BackProperties", StoredWhen(ownProperties));
    published = WithStoredRule(published, "FrontProperties", StoredWhen(ownProperties));
    published = WithStoredRule(published, "Texture", StoredWhen(ownProperties));
    return WithStoredRule(published, "TextureEx", StoredWhen([](const TGLMaterial& m) {
                            return m.FTextureEx && m.FTextureEx->Count() > 0;
                          }));
  }();
  return table;
}

TGLMaterial::TGLMaterial(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner), FFrontProperties(this) {}

TGLMaterial::~TGLMaterial() {
  if (FCurrentLibMaterial) FCurrentLibMaterial->UnregisterUser(this);
}

// ---- Parts

void TGLMaterial::SetFrontProperties(TGLFaceProperties* AValue) {
  FFrontProperties.Assign(AValue);
  NotifyChange(this);
}

TGLFaceProperties* TGLMaterial::GetBackProperties() {
  if (!FBackProperties) FBackProperties = std::make_unique<TGLFaceProperties>(this);
  return FBackProperties.get();
}

void TGLMaterial::SetBackProperties(TGLFaceProperties* AValue) {
  GetBackProperties()->Assign(AValue);
  NotifyChange(this);
}

void TGLMaterial::SetBlendingMode(TBlendingMode AValue) {
  if (AValue == FBlendingMode) return;
  FBlendingMode = AValue;
  NotifyChange(this);
}

TGLTexture* TGLMaterial::GetTexture() {
  if (!FTexture) FTexture = std::make_unique<TGLTexture>(this);
  return FTexture.get();
}

void TGLMaterial::SetTexture(TGLTexture* AValue) {
  if (!AValue) {
    FTexture.reset();
    return;
  }
  GetTexture()->Assign(AValue);
}

TGLTextureEx* TGLMaterial::GetTextureEx() {
  if (!FTextureEx) FTextureEx = std::make_unique<TGLTextureEx>(this);
  return FTextureEx.get();
}

void TGLMaterial::SetTextureEx(TGLTextureEx* AValue) {
  if (!AValue && !FTextureEx) return;
  GetTextureEx()->Assign(AValue);
}

void TGLMaterial::SetMaterialOptions(TMaterialOptions AValue) {
  if (AValue == FMaterialOptions) return;
  FMaterialOptions = AValue;
  NotifyChange(this);
}

void TGLMaterial::SetFaceCulling(TFaceCulling AValue) {
  if (AValue == FFaceCulling) return;
  FFaceCulling = AValue;
  NotifyChange(this);
}

// ---- Library link

void TGLMaterial::SetMaterialLibrary(TGLMaterialLibrary* AValue) {
  Link(AValue, FLibMaterialName);
}

void TGLMaterial::SetLibMaterialName(const std::string& AValue) {
  Link(FMaterialLibrary, AValue);
}

void TGLMaterial::Link(TGLMaterialLibrary* library, const std::string& name) {
  TGLLibMaterial* found = library ? library->LibMaterialByName(name) : nullptr;
  // Rendering follows the links, so a loop would never end. Every link made so far passed this
  // test, so a new loop must come back to this material; a chain as deep counts as one too.
  int steps = 0;
  for (TGLLibMaterial* next = found; next && steps < 16; ++steps) {
    const TGLMaterial* material = next->GetMaterial();
    Assert(material != this, "Error: Cyclic material reference detected!");
    next = material->FCurrentLibMaterial;
  }
  Assert(steps < 16, "Error: Cyclic material reference detected!");

  WatchLibrary(library);
  FMaterialLibrary = library;
  FLibMaterialName = name;
  if (found == FCurrentLibMaterial) return;
  if (FCurrentLibMaterial) FCurrentLibMaterial->UnregisterUser(this);
  FCurrentLibMaterial = found;
  if (found) found->RegisterUser(this);
  NotifyStructureChange();
}

void TGLMaterial::WatchLibrary(TGLMaterialLibrary* library) {
  if (library == FMaterialLibrary) return;
  if (FMaterialLibrary) FLibraryWatch->RemoveFreeNotification(FMaterialLibrary);
  if (!library) return;
  if (!FLibraryWatch) FLibraryWatch = std::make_unique<TLibraryWatch>(*this);
  FLibraryWatch->FreeNotification(library);
}

void TGLMaterial::ClearLibraryLink() {
  WatchLibrary(nullptr);
  FMaterialLibrary = nullptr;
  FCurrentLibMaterial = nullptr;
  FLibMaterialName.clear();
}

// ---- Rendering

void TGLMaterial::Apply(TRenderContextInfo& rci) {
  if (FCurrentLibMaterial) return FCurrentLibMaterial->Apply(rci);
  TGLStateCache& cache = *rci.stateCache;
  if (FMaterialOptions & moNoLighting) SwitchOff(cache, gsLighting, rci.lightingDisabledCounter);
  if (IsOn(cache, gsLighting))
    FFrontProperties.Apply(rci, GL_FRONT);
  else
    FFrontProperties.ApplyNoLighting(rci, GL_FRONT);
  ApplyCulling(rci);
  if (!rci.ignoreBlendingRequests) ApplyBlending(rci);
  if (FMaterialOptions & moIgnoreFog) SwitchOff(cache, gsFog, rci.fogDisabledCounter);
  if (!FTextureEx) {
    if (FTexture) FTexture->Apply(rci);
  } else if (FTexture && !TGLTextureEx::IsTextureEnabled(FTextureEx.get(), 0)) {
    FTexture->Apply(rci);
  } else if (FTextureEx->Count() > 0) {
    FTextureEx->Apply(rci);
  }
}

void TGLMaterial::ApplyCulling(TRenderContextInfo& rci) {
  TGLStateCache& cache = *rci.stateCache;
  const auto applyBack = [&] { GetBackProperties()->Apply(rci, GL_BACK); };
  if (IsOn(cache, gsCullFace)) {
    switch (FFaceCulling) {
      case fcBufferDefault:
        if (rci.bufferFaceCull) return;
        cache.Disable(gsCullFace);
        return applyBack();
      case fcCull:
        return;
      case fcNoCull:
        cache.Disable(gsCullFace);
        return applyBack();
    }
  } else {
    switch (FFaceCulling) {
      case fcBufferDefault:
        if (rci.bufferFaceCull) return cache.Enable(gsCullFace);
        return applyBack();
      case fcCull:
        return cache.Enable(gsCullFace);
      case fcNoCull:
        return applyBack();
    }
  }
  Assert(false);
}

void TGLMaterial::ApplyBlending(TRenderContextInfo& rci) {
  TGLStateCache& cache = *rci.stateCache;
  switch (FBlendingMode) {
    case bmOpaque:
      cache.Disable(gsBlend);
      cache.Disable(gsAlphaTest);
      return;
    case bmTransparency:
      cache.Enable(gsBlend);
      cache.Enable(gsAlphaTest);
      return glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    case bmAdditive:
      cache.Enable(gsBlend);
      cache.Enable(gsAlphaTest);
      return glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    case bmAlphaTest50:
      cache.Disable(gsBlend);
      cache.Enable(gsAlphaTest);
      return glAlphaFunc(GL_GEQUAL, 0.5f);
    case bmAlphaTest100:
      cache.Disable(gsBlend);
      cache.Enable(gsAlphaTest);
      return glAlphaFunc(GL_GEQUAL, 1.0f);
    case bmModulate:
      cache.Enable(gsBlend);
      cache.Enable(gsAlphaTest);
      return glBlendFunc(GL_DST_COLOR, GL_ZERO);
  }
  Assert(false);
}

bool TGLMaterial::UnApply(TRenderContextInfo& rci) {
  if (FCurrentLibMaterial) return FCurrentLibMaterial->UnApply(rci);
  if (FBlendingMode == bmAlphaTest50 || FBlendingMode == bmAlphaTest100) glAlphaFunc(GL_GREATER, 0);
  if (FMaterialOptions & moNoLighting)
    SwitchBackOn(*rci.stateCache, gsLighting, rci.lightingDisabledCounter);
  if (FMaterialOptions & moIgnoreFog) SwitchBackOn(*rci.stateCache, gsFog, rci.fogDisabledCounter);
  if (FTexture && !FTexture->GetDisabled() && !TGLTextureEx::IsTextureEnabled(FTextureEx.get(), 0))
    FTexture->UnApply(rci);
  else if (FTextureEx)
    FTextureEx->UnApply(rci);
  return false;
}

bool TGLMaterial::Blended() const {
  if (FCurrentLibMaterial) return FCurrentLibMaterial->GetMaterial()->Blended();
  return FBlendingMode == bmTransparency || FBlendingMode == bmAdditive ||
         FBlendingMode == bmModulate;
}

// ---- Copies and notices

void TGLMaterial::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TGLMaterial*>(Source);
  if (!source) return inherited::Assign(Source);
  if (source->FBackProperties)
    GetBackProperties()->Assign(source->FBackProperties.get());
  else
    FBackProperties.reset();
  FFrontProperties.Assign(&source->FFrontProperties);
  FBlendingMode = source->FBlendingMode;
  FMaterialOptions = source->FMaterialOptions;
  if (source->FTexture)
    SetTexture(source->FTexture.get());
  else
    FTexture.reset();
  FFaceCulling = source->FFaceCulling;
  Link(source->FMaterialLibrary, source->FLibMaterialName);
  GetTextureEx()->Assign(source->GetTextureEx());
  NotifyChange(this);
}

void TGLMaterial::NotifyChange(TObject*) {
  TPersistent* owner = GetOwner();
  if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(owner))
    libMaterial->NotifyUsers();
  else if (auto* sceneObject = dynamic_cast<IGLStructureChangeable*>(owner))
    if (auto* component = dynamic_cast<TGLUpdateAbleComponent*>(sceneObject))
      component->NotifyChange(this);
}

void TGLMaterial::NotifyStructureChange() {
  TPersistent* owner = GetOwner();
  if (auto* libMaterial = dynamic_cast<TGLLibMaterial*>(owner))
    libMaterial->NotifyUsersOfTexMapChange();
  else if (auto* sceneObject = dynamic_cast<IGLStructureChangeable*>(owner))
    sceneObject->StructureChanged();
}

void TGLMaterial::DestroyHandles() {
  if (FTexture) FTexture->DestroyHandles();
}

void TGLMaterial::Loaded() {
  if (FTextureEx) FTextureEx->Loaded();
}
