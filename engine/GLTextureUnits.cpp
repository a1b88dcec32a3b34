// The extra texture units of a material: one texture per unit, with the unit's texture matrix.
#include <algorithm>

#include "engine/GLMaterial.h"
#include "engine/GLTexture.h"
#include "engine/base/XOpenGL.h"
#include "platform/rtl/SysUtils.h"

namespace {
constexpr TVector cNoOffset = {0, 0, 0, 0};
constexpr TVector cNoScale = {1, 1, 1, 0};
// The state cache keeps the bindings of this many units.
constexpr GLint cCachedUnits = 8;
}  // namespace

// ---- TGLTextureExItem

const TPropertyTable& TGLTextureExItem::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TGLTextureExItem>(TCollectionItem::Published())
          .Object("Texture", &TGLTextureExItem::GetTexture)
          .Integer("TextureIndex", &TGLTextureExItem::GetTextureIndex,
                   &TGLTextureExItem::SetTextureIndex, NoDefault())
          .Object("TextureOffset", &TGLTextureExItem::GetTextureOffset)
          .Object("TextureScale", &TGLTextureExItem::GetTextureScale);
  return table;
}

TGLTextureExItem::TGLTextureExItem(TCollection* ACollection)
    : TCollectionItem(ACollection),
      FTexture(std::make_unique<TGLTexture>(this)),
      FTextureIndex(ID()),
      FTextureOffset(std::make_unique<TGLCoordinates>(this, cNoOffset, ckFree)),
      FTextureScale(std::make_unique<TGLCoordinates>(this, cNoScale, ckFree)) {
  const auto recalculate = [this](TObject*) { CalculateTextureMatrix(); };
  FTextureOffset->OnNotifyChange = recalculate;
  FTextureScale->OnNotifyChange = recalculate;
}

TGLTextureExItem::~TGLTextureExItem() = default;

TGLTextureEx* TGLTextureExItem::Units() const {
  return dynamic_cast<TGLTextureEx*>(Collection());
}

void TGLTextureExItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TGLTextureExItem*>(Source);
  if (!source) return inherited::Assign(Source);
  SetTexture(source->FTexture.get());
  SetTextureIndex(source->FTextureIndex);
  SetTextureOffset(source->FTextureOffset.get());
  SetTextureScale(source->FTextureScale.get());
  NotifyChange(this);
}

std::string TGLTextureExItem::GetDisplayName() const {
  return "Tex [" + IntToStr(FTextureIndex) + "]";
}

void TGLTextureExItem::SetTexture(TGLTexture* value) {
  FTexture->Assign(value);
  NotifyChange(this);
}

void TGLTextureExItem::SetTextureIndex(int32_t value) {
  value = std::max(value, 0);
  if (value == FTextureIndex) return;
  FTextureIndex = value;
  NotifyChange(this);
}

void TGLTextureExItem::SetTextureOffset(TGLCoordinates* value) {
  FTextureOffset->Assign(value);
  NotifyChange(this);
}

void TGLTextureExItem::SetTextureScale(TGLCoordinates* value) {
  FTextureScale->Assign(value);
  NotifyChange(this);
}

void TGLTextureExItem::CalculateTextureMatrix() {
  FTextureMatrixIsIdentity = FTextureOffset->Equals(cNoOffset) && FTextureScale->Equals(cNoScale);
  if (!FTextureMatrixIsIdentity)
    CreateScaleAndTranslationMatrix(FTextureScale->GetAsVector(), FTextureOffset->GetAsVector(),
                                    FTextureMatrix);
  NotifyChange(this);
}

void TGLTextureExItem::NotifyChange(TObject* Sender) {
  if (TGLTextureEx* units = Units()) units->NotifyChange(Sender);
}

void TGLTextureExItem::NotifyTexMappingChange() {
  if (TGLTextureEx* units = Units())
    if (auto* material = dynamic_cast<TGLMaterial*>(units->GetOwner()))
      material->NotifyStructureChange();
}

void TGLTextureExItem::Apply(TRenderContextInfo& rci) {
  FApplied = false;
  if (FTexture->GetDisabled()) return;
  glActiveTextureARB(GL_TEXTURE0_ARB + FTextureIndex);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  if (FTextureMatrixIsIdentity)
    glLoadIdentity();
  else
    glLoadMatrixf(FTextureMatrix[0].data());
  glMatrixMode(GL_MODELVIEW);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  try {
    if (FTextureIndex == 0)
      FTexture->Apply(rci);
    else
      FTexture->ApplyAsTextureN(FTextureIndex + 1, rci);
  } catch (...) {
    // The unit's texture stack would otherwise grow by one at every frame that fails.
    PopTextureMatrix();
    throw;
  }
  FApplied = true;
}

void TGLTextureExItem::PopTextureMatrix() {
  glActiveTextureARB(GL_TEXTURE0_ARB + FTextureIndex);
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glActiveTextureARB(GL_TEXTURE0_ARB);
}

void TGLTextureExItem::UnApply(TRenderContextInfo& rci) {
  if (!FApplied) return;
  if (FTextureIndex == 0)
    FTexture->UnApply(rci);
  else
    FTexture->UnApplyAsTextureN(FTextureIndex + 1, rci);
  PopTextureMatrix();
  FApplied = false;
}

// ---- TGLTextureEx

TGLTextureEx::TGLTextureEx(TPersistent* AOwner)
    : TCollection(TGLTextureExItem::StaticClass()), FOwner(AOwner) {}

bool TGLTextureEx::IsTextureEnabled(const TGLTextureEx* units, int index) {
  if (!units) return false;
  for (int i = 0; i < units->Count(); ++i)
    if (const TGLTextureExItem* item = units->Items(i);
        item->GetTextureIndex() == index && item->GetTexture()->GetEnabled())
      return true;
  return false;
}

void TGLTextureEx::NotifyChange(TObject* Sender) {
  if (auto* material = dynamic_cast<TGLMaterial*>(FOwner)) material->NotifyChange(Sender);
}

void TGLTextureEx::Apply(TRenderContextInfo& rci) {
  if (!GLSupport.ARB_multitexture) return;
  GLint units = 0;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
  units = std::min(units, cCachedUnits);
  uint32_t mapped = 0;
  try {
    for (int i = 0; i < Count(); ++i) {
      TGLTextureExItem* item = Items(i);
      const int unit = item->GetTextureIndex();
      if (unit >= units) continue;
      item->Apply(rci);
      if (item->GetApplied() && unit > 0 && item->GetTexture()->GetMappingMode() == tmmUser)
        mapped |= 1u << unit;
    }
  } catch (...) {
    // The units applied before the one that failed are given back, as no unapply follows.
    UnApply(rci);
    throw;
  }
  if (mapped != 0) MapTexCoordToArbitraryAdd(mapped);
}

void TGLTextureEx::UnApply(TRenderContextInfo& rci) {
  if (!GLSupport.ARB_multitexture) return;
  for (int i = 0; i < Count(); ++i) Items(i)->UnApply(rci);
}

void TGLTextureEx::Loaded() {
  for (int i = 0; i < Count(); ++i) Items(i)->CalculateTextureMatrix();
}
