#pragma once
// Growable arrays of plain values in one contiguous block, so that a whole list can be handed to
// OpenGL as a vertex, colour or texture-coordinate array without copying, transformed in one
// call and stored as raw bytes with the engine's filer. Appends grow the block by GrowthDelta
// items, not by doubling.

#include <cstdint>

#include "engine/base/PersistentClasses.h"
#include "engine/base/VectorGeometry.h"

using TBaseListOptions = uint8_t;
constexpr TBaseListOptions loExternalMemory = 1 << 0;        // the block is borrowed, not owned
constexpr TBaseListOptions loSetCountResetsMemory = 1 << 1;  // growing Count zero-fills

class TBaseList : public TPersistentObject {
  RTL_CLASS(TBaseList, TPersistentObject)
  ~TBaseList() override;

  // From a list of the same class the items too; from another list only the sizes. A nil
  // source clears the list. Items the source's block does not hold are copied as zero.
  void Assign(TPersistent* source) override;
  // The items the block holds, so a Count left above Capacity is stored as HeldCount.
  void WriteToFiler(TVirtualWriter* writer) override;
  // Refuses an item size other than the class's and an item count the stream cannot hold.
  void ReadFromFiler(TVirtualReader* reader) override;

  int32_t Count() const { return FCount; }
  // The items the block holds: Count, or Capacity while a lowered capacity leaves Count above
  // it. Whole-list operations work on these items only.
  int32_t HeldCount() const { return FCount < FCapacity ? FCount : FCapacity; }
  // Grows the capacity to exactly count when needed.
  void SetCount(int32_t count);
  int32_t Capacity() const { return FCapacity; }
  // Bytes are kept up to the smaller size and new ones are zero. Count is not lowered.
  virtual void SetCapacity(int32_t capacity);
  int32_t GrowthDelta() const { return FGrowthDelta; }
  void SetGrowthDelta(int32_t delta) { FGrowthDelta = delta; }
  int32_t ItemSize() const { return FItemSize; }
  TBaseListOptions Options() const { return FOptions; }
  // loExternalMemory belongs to the list and is not changed here.
  void SetOptions(TBaseListOptions options);
  void* Data() const { return FData; }

  void Flush() { FCount = 0; }
  void Clear();

 protected:
  explicit TBaseList(int32_t itemSize);
  // Makes room for n more items and returns the index of the first.
  int32_t AddItems(int32_t n);
  template <class T>
  int32_t AddItem(const T& item) {
    const int32_t index = AddItems(1);
    reinterpret_cast<T*>(Bytes())[index] = item;
    return index;
  }
  uint8_t* Bytes() const { return static_cast<uint8_t*>(FData); }

 private:
  int32_t FCount = 0;
  int32_t FCapacity = 0;
  int32_t FGrowthDelta = 16;
  TBaseListOptions FOptions = loSetCountResetsMemory;
  void* FData = nullptr;
  int32_t FItemSize;
};

// Whole-list geometry over the first three components of each item.
class TBaseVectorList : public TBaseList {
  RTL_CLASS(TBaseVectorList, TBaseList)
  void WriteToFiler(TVirtualWriter* writer) override;
  void ReadFromFiler(TVirtualReader* reader) override;

  TAffineVector* ItemAddress(int32_t index) const {
    return reinterpret_cast<TAffineVector*>(Bytes() + int64_t(index) * ItemSize());
  }
  // An empty list leaves Min at +infinity and Max at -infinity.
  virtual void GetExtents(TAffineVector& min, TAffineVector& max) const;
  virtual TAffineVector Sum() const;
  virtual void Normalize();
  virtual float MaxSpacing(const TBaseVectorList* other) const;
  virtual void Translate(const TAffineVector& delta);
  virtual void TranslateList(const TBaseVectorList* other);
  virtual void SubtractList(const TBaseVectorList* other);
  // Does nothing unless both lists are of this list's class.
  virtual void Lerp(const TBaseVectorList* list1, const TBaseVectorList* list2, float t) = 0;
  virtual void CombineList(const TBaseVectorList* other, float f);

 protected:
  using TBaseList::TBaseList;
};

class TAffineVectorList : public TBaseVectorList {
  RTL_CLASS(TAffineVectorList, TBaseVectorList)
  TAffineVectorList() : TBaseVectorList(sizeof(TAffineVector)) {}
  TAffineVector* List() const { return ItemAddress(0); }
  int32_t Add(const TAffineVector& v);
  // Bit-for-bit equality, so -0.0 and +0.0 differ.
  int32_t IndexOf(const TAffineVector& v) const;
  int32_t FindOrAdd(const TAffineVector& v);
  void Translate(const TAffineVector& delta) override;
  void Normalize() override;
  void Lerp(const TBaseVectorList* list1, const TBaseVectorList* list2, float t) override;
};

class TVectorList : public TBaseVectorList {
  RTL_CLASS(TVectorList, TBaseVectorList)
  TVectorList() : TBaseVectorList(sizeof(TVector)) {}
  TVector* List() const { return reinterpret_cast<TVector*>(Bytes()); }
  int32_t Add(const TVector& v);
  int32_t Add(const TAffineVector& v, float w);
  int32_t AddPoint(const TAffineVector& v) { return Add(v, 1); }
  int32_t AddPoint(float x, float y, float z) { return Add(TAffineVector{x, y, z}, 1); }
  void Lerp(const TBaseVectorList* list1, const TBaseVectorList* list2, float t) override;
};

class TTexPointList : public TBaseList {
  RTL_CLASS(TTexPointList, TBaseList)
  TTexPointList() : TBaseList(sizeof(TTexPoint)) {}
  TTexPoint* List() const { return reinterpret_cast<TTexPoint*>(Bytes()); }
};

class TIntegerList : public TBaseList {
  RTL_CLASS(TIntegerList, TBaseList)
  TIntegerList() : TBaseList(sizeof(int32_t)) {}
  int32_t* List() const { return reinterpret_cast<int32_t*>(Bytes()); }
  void Add(int32_t i1, int32_t i2);
  void Add(int32_t i1, int32_t i2, int32_t i3);
  int32_t Get(int32_t index) const { return List()[index]; }
  void Put(int32_t index, int32_t value) { List()[index] = value; }
};

class TSingleList : public TBaseList {
  RTL_CLASS(TSingleList, TBaseList)
  TSingleList() : TBaseList(sizeof(float)) {}
  float* List() const { return reinterpret_cast<float*>(Bytes()); }
  int32_t Add(float value);
};

class TByteList : public TBaseList {
  RTL_CLASS(TByteList, TBaseList)
  TByteList() : TBaseList(1) {}
  uint8_t* List() const { return Bytes(); }
  int32_t Add(uint8_t value);
  void Put(int32_t index, uint8_t value) { List()[index] = value; }
};

// Sorts keys[startIndex..endIndex] ascending and moves the objects of the same indices with
// their keys. Not stable.
void QuickSortLists(int32_t startIndex, int32_t endIndex, TSingleList* keys,
                    TPersistentObjectList* objects);

// Registers the four lists that object-list archives name; called by the start-up routine.
void RegisterVectorLists();
