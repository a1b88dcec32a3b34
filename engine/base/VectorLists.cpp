#include "engine/base/VectorLists.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

// ---- TBaseList

TBaseList::TBaseList(int32_t itemSize) : FItemSize(itemSize) {}

TBaseList::~TBaseList() {
  Clear();
}

void TBaseList::Assign(TPersistent* source) {
  if (source == nullptr) return Clear();
  auto* list = dynamic_cast<TBaseList*>(source);
  if (list == nullptr) return inherited::Assign(source);
  const size_t held = size_t(list->HeldCount()) * size_t(FItemSize);
  SetCapacity(list->FCount);
  FGrowthDelta = list->FGrowthDelta;
  FCount = list->FCount;
  if (list->ClassType() != ClassType() || list == this || FCount == 0) return;
  std::memcpy(FData, list->FData, held);
  std::memset(Bytes() + held, 0, size_t(FCount) * size_t(FItemSize) - held);
}

void TBaseList::WriteToFiler(TVirtualWriter* writer) {
  inherited::WriteToFiler(writer);
  const int32_t count = HeldCount();
  writer->WriteInteger(0);
  writer->WriteInteger(count);
  writer->WriteInteger(FItemSize);
  if (count > 0) writer->Write(FData, count * FItemSize);
}

void TBaseList::ReadFromFiler(TVirtualReader* reader) {
  inherited::ReadFromFiler(reader);
  const int32_t archiveVersion = reader->ReadInteger();
  if (archiveVersion != 0) RaiseFilerException(archiveVersion);
  const int32_t count = reader->ReadInteger();
  const int32_t itemSize = reader->ReadInteger();
  if (itemSize != FItemSize)
    throw EReadError(ClassName() + ", item size " + IntToStr(itemSize) + " in the archive, " +
                     IntToStr(FItemSize) + " expected");
  if (count < 0) throw EReadError(ClassName() + ", invalid item count " + IntToStr(count));
  const int64_t bytes = int64_t(count) * itemSize;
  reader->RequireBytes(bytes);
  try {
    SetCapacity(count);
    FCount = count;
    if (count > 0) reader->Read(FData, int32_t(bytes));
  } catch (...) {
    Clear();
    throw;
  }
}

void TBaseList::SetCount(int32_t count) {
  Assert(count >= 0);
  if (count > FCapacity) SetCapacity(count);
  if (count > FCount && (FOptions & loSetCountResetsMemory))
    std::memset(Bytes() + int64_t(FCount) * FItemSize, 0, size_t(count - FCount) * FItemSize);
  FCount = count;
}

void TBaseList::SetCapacity(int32_t capacity) {
  Assert(capacity >= 0);
  if (capacity == FCapacity) return;
  if (FOptions & loExternalMemory) {
    FOptions &= TBaseListOptions(~loExternalMemory);
    FData = nullptr;
    FCapacity = 0;
  }
  const size_t oldBytes = size_t(FCapacity) * size_t(FItemSize);
  const size_t newBytes = size_t(capacity) * size_t(FItemSize);
  if (newBytes == 0) {
    std::free(FData);
    FData = nullptr;
  } else {
    void* data = std::realloc(FData, newBytes);
    if (data == nullptr) throw std::bad_alloc();
    FData = data;
    if (newBytes > oldBytes) std::memset(Bytes() + oldBytes, 0, newBytes - oldBytes);
  }
  FCapacity = capacity;
}

void TBaseList::SetOptions(TBaseListOptions options) {
  FOptions = TBaseListOptions((FOptions & loExternalMemory) | (options & ~loExternalMemory));
}

void TBaseList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

int32_t TBaseList::AddItems(int32_t n) {
  const int32_t first = FCount;
  if (FCount + n > FCapacity) {
    // Count may stand above Capacity after a lowered capacity; the new items must still fit.
    int32_t capacity = FCapacity;
    do {
      capacity += std::max(FGrowthDelta, 1);
    } while (capacity < FCount + n);
    SetCapacity(capacity);
  }
  FCount += n;
  return first;
}

// ---- TBaseVectorList

void TBaseVectorList::WriteToFiler(TVirtualWriter* writer) {
  inherited::WriteToFiler(writer);
  writer->WriteInteger(0);
}

void TBaseVectorList::ReadFromFiler(TVirtualReader* reader) {
  inherited::ReadFromFiler(reader);
  const int32_t archiveVersion = reader->ReadInteger();
  if (archiveVersion != 0) {
    Clear();
    RaiseFilerException(archiveVersion);
  }
}

namespace {

// Items that two lists walked side by side both hold.
int32_t HeldByBoth(const TBaseList* a, const TBaseList* b) {
  return std::min(a->HeldCount(), b->HeldCount());
}

}  // namespace

void TBaseVectorList::GetExtents(TAffineVector& min, TAffineVector& max) const {
  const float inf = std::numeric_limits<float>::infinity();
  min = {inf, inf, inf};
  max = {-inf, -inf, -inf};
  for (int32_t i = 0; i < HeldCount(); ++i) {
    const TAffineVector& v = *ItemAddress(i);
    for (int k = 0; k < 3; ++k) {
      if (v[k] < min[k]) min[k] = v[k];
      if (v[k] > max[k]) max[k] = v[k];
    }
  }
}

TAffineVector TBaseVectorList::Sum() const {
  TAffineVector result = {0, 0, 0};
  for (int32_t i = 0; i < HeldCount(); ++i) AddVector(result, *ItemAddress(i));
  return result;
}

void TBaseVectorList::Normalize() {
  for (int32_t i = 0; i < HeldCount(); ++i) NormalizeVector(*ItemAddress(i));
}

float TBaseVectorList::MaxSpacing(const TBaseVectorList* other) const {
  Assert(other->Count() == Count());
  float result = 0;
  for (int32_t i = 0; i < HeldByBoth(this, other); ++i)
    result = std::max(result, VectorSpacing(*ItemAddress(i), *other->ItemAddress(i)));
  return result;
}

void TBaseVectorList::Translate(const TAffineVector& delta) {
  for (int32_t i = 0; i < HeldCount(); ++i) AddVector(*ItemAddress(i), delta);
}

void TBaseVectorList::TranslateList(const TBaseVectorList* other) {
  Assert(Count() <= other->Count());
  for (int32_t i = 0; i < HeldByBoth(this, other); ++i)
    AddVector(*ItemAddress(i), *other->ItemAddress(i));
}

void TBaseVectorList::SubtractList(const TBaseVectorList* other) {
  Assert(Count() <= other->Count());
  for (int32_t i = 0; i < HeldByBoth(this, other); ++i)
    SubtractVector(*ItemAddress(i), *other->ItemAddress(i));
}

void TBaseVectorList::CombineList(const TBaseVectorList* other, float f) {
  Assert(other->Count() >= Count());
  for (int32_t i = 0; i < HeldByBoth(this, other); ++i)
    CombineVector(*ItemAddress(i), *other->ItemAddress(i), f);
}

// ---- Concrete lists

namespace {

// Interpolates into `target` only when both sources are of its class.
template <class L>
void LerpInto(L& target, const TBaseVectorList* list1, const TBaseVectorList* list2, float t) {
  const auto* a = dynamic_cast<const L*>(list1);
  const auto* b = dynamic_cast<const L*>(list2);
  if (a == nullptr || b == nullptr) return;
  Assert(a->Count() == b->Count());
  target.SetCapacity(a->Count());
  target.SetCount(a->Count());
  VectorArrayLerp(a->List(), b->List(), t, HeldByBoth(a, b), target.List());
}

}  // namespace

int32_t TAffineVectorList::Add(const TAffineVector& v) {
  return AddItem(v);
}

int32_t TAffineVectorList::IndexOf(const TAffineVector& v) const {
  for (int32_t i = 0; i < HeldCount(); ++i)
    if (VectorEquals(List()[i], v)) return i;
  return -1;
}

int32_t TAffineVectorList::FindOrAdd(const TAffineVector& v) {
  const int32_t index = IndexOf(v);
  return index >= 0 ? index : Add(v);
}

void TAffineVectorList::Translate(const TAffineVector& delta) {
  VectorArrayAdd(List(), delta, HeldCount(), List());
}

void TAffineVectorList::Normalize() {
  NormalizeVectorArray(List(), HeldCount());
}

void TAffineVectorList::Lerp(const TBaseVectorList* list1, const TBaseVectorList* list2, float t) {
  LerpInto(*this, list1, list2, t);
}

int32_t TVectorList::Add(const TVector& v) {
  return AddItem(v);
}

int32_t TVectorList::Add(const TAffineVector& v, float w) {
  return AddItem(TVector{v[0], v[1], v[2], w});
}

void TVectorList::Lerp(const TBaseVectorList* list1, const TBaseVectorList* list2, float t) {
  LerpInto(*this, list1, list2, t);
}

void TIntegerList::Add(int32_t i1, int32_t i2) {
  const int32_t index = AddItems(2);
  List()[index] = i1;
  List()[index + 1] = i2;
}

void TIntegerList::Add(int32_t i1, int32_t i2, int32_t i3) {
  const int32_t index = AddItems(3);
  List()[index] = i1;
  List()[index + 1] = i2;
  List()[index + 2] = i3;
}

int32_t TSingleList::Add(float value) {
  return AddItem(value);
}

int32_t TByteList::Add(uint8_t value) {
  return AddItem(value);
}

// ---- Key sort

void QuickSortLists(int32_t startIndex, int32_t endIndex, TSingleList* keys,
                    TPersistentObjectList* objects) {
  float* key = keys->List();
  const auto exchange = [&](int32_t i, int32_t j) {
    std::swap(key[i], key[j]);
    TObject* object = objects->Get(i);
    objects->Put(i, objects->Get(j));
    objects->Put(j, object);
  };
  int32_t l = startIndex;
  const int32_t r = endIndex;
  if (l + 1 < r) {
    do {
      int32_t i = l;
      int32_t j = r;
      const float pivot = key[(l + r) / 2];
      do {
        while (key[i] < pivot) ++i;
        while (key[j] > pivot) --j;
        if (i <= j) exchange(i++, j--);
      } while (i <= j);
      if (j > l) QuickSortLists(l, j, keys, objects);
      l = i;
    } while (l < r);
  } else if (r > l && key[r] < key[l]) {
    exchange(l, r);
  }
}

void RegisterVectorLists() {
  RegisterClasses({TAffineVectorList::StaticClass(), TVectorList::StaticClass(),
                   TTexPointList::StaticClass(), TSingleList::StaticClass()});
}
