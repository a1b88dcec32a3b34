#include "engine/base/XCollection.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/base/PersistentClasses.h"

std::function<void(TXCollection* sender)> vXCollectionDestroyEvent;

namespace {

std::vector<TXCollectionItemClass>& ItemClassRegistry() {
  static std::vector<TXCollectionItemClass> registry;
  return registry;
}

[[noreturn]] void ClassIndexError(int index) {
  throw EReadError("List index out of bounds (" + IntToStr(index) + ")");
}

// The class record of an item, refused when it is not the item's real class: a class that
// inherits its parent's constructor hands the parent's record to the base, which cannot see the
// real class while it is built, and its items would be checked, stored and read back as the
// parent.
TXCollectionItemClass RealItemClass(const TXCollectionItem* item) {
  TXCollectionItemClass itemClass = item->ItemClass();
  if (itemClass->Class != item->ClassType())
    Assert(false, "An item of class " + item->ClassName() + " is made as a " +
                      itemClass->ClassName() + ": its class needs a constructor of its own");
  return itemClass;
}

}  // namespace

void RegisterXCollectionItemClass(TXCollectionItemClass itemClass) {
  auto& registry = ItemClassRegistry();
  if (std::find(registry.begin(), registry.end(), itemClass) == registry.end())
    registry.push_back(itemClass);
}

TXCollectionItemClass FindXCollectionItemClass(const std::string& className) {
  for (TXCollectionItemClass itemClass : ItemClassRegistry())
    if (itemClass->ClassName() == className) return itemClass;
  return nullptr;
}

// ---- TXCollectionItem

const TPropertyTable& TXCollectionItem::Published() {
  static const TPropertyTable table =
      TPropertyTable::Extend<TXCollectionItem>(TPersistent::Published())
          .String("Name", &TXCollectionItem::GetName, &TXCollectionItem::SetName);
  return table;
}

TXCollectionItem::TXCollectionItem(TXCollection* owner, TXCollectionItemClass itemClass)
    : FOwner(owner), FItemClass(itemClass) {
  if (owner != nullptr) {
    Assert(owner->CanAdd(itemClass),
           "Addition of " + itemClass->ClassName() + " to " + owner->ClassName() + " rejected.");
    owner->FList.Add(this);
  }
  FName = itemClass->FriendlyName();
}

TXCollectionItem::~TXCollectionItem() {
  if (FOwner != nullptr) FOwner->FList.Remove(this);
}

void TXCollectionItem::Assign(TPersistent* source) {
  if (auto* item = dynamic_cast<TXCollectionItem*>(source)) {
    SetName(item->FName);
    return;
  }
  inherited::Assign(source);
}

int TXCollectionItem::Index() const {
  return FOwner ? FOwner->IndexOf(this) : -1;
}

TPersistent* TXCollectionItem::GetOwner() const {
  return FOwner;
}

std::string TXCollectionItem::GetNamePath() const {
  if (FOwner == nullptr) return inherited::GetNamePath();
  return FOwner->GetNamePath() + "[" + IntToStr(Index()) + "]";
}

void TXCollectionItem::WriteToFiler(TWriter& writer) {
  writer.WriteInteger(0);
  writer.WriteString(FName);
}

void TXCollectionItem::ReadFromFiler(TReader& reader) {
  // A stored collection is outside input: an unknown version is a read error, not a fault here.
  if (const int32_t version = reader.ReadInteger(); version != 0)
    TPersistentObject::RaiseFilerException(ClassType(), version);
  SetName(reader.ReadString());
}

// ---- TXCollection

TXCollection::~TXCollection() {
  if (vXCollectionDestroyEvent) vXCollectionDestroyEvent(this);
  Clear();
}

void TXCollection::Clear() {
  for (int i = 0; i < FList.Count(); ++i) {
    auto* item = static_cast<TXCollectionItem*>(FList.Get(i));
    item->FOwner = nullptr;
    delete item;
  }
  FList.Clear();
}

void TXCollection::Assign(TPersistent* source) {
  if (source == nullptr) return Clear();
  if (source == this) return;
  if (source->ClassType() != ClassType()) return inherited::Assign(source);
  auto* other = static_cast<TXCollection*>(source);
  Clear();
  FList.SetCapacity(other->Count());
  for (int i = 0; i < other->Count(); ++i) {
    TXCollectionItem* sourceItem = other->GetItems(i);
    MakeItem(sourceItem->ClassType())->Assign(sourceItem);
  }
}

TXCollectionItem* TXCollection::MakeItem(TClass itemClass) {
  // The new item has joined this collection in its constructor, which owns it from then on.
  auto* item = static_cast<TXCollectionItem*>(itemClass->Create(this).release());
  try {
    RealItemClass(item);
  } catch (...) {
    delete item;
    throw;
  }
  return item;
}

void TXCollection::Loaded() {
  for (int i = 0; i < Count(); ++i) GetItems(i)->Loaded();
}

TXCollectionItem* TXCollection::GetItems(int index) const {
  return static_cast<TXCollectionItem*>(FList.Get(index));
}

int TXCollection::IndexOf(const TXCollectionItem* item) const {
  return FList.IndexOf(const_cast<TXCollectionItem*>(item));
}

std::string TXCollection::GetNamePath() const {
  const std::string ownerPath = FOwner ? FOwner->GetNamePath() : "";
  return ownerPath.empty() ? ClassName() : ownerPath + ".XCollection";
}

bool TXCollection::CanAdd(TXCollectionItemClass itemClass) const {
  if (!itemClass->CanAddTo(const_cast<TXCollection*>(this))) return false;
  for (int i = 0; i < Count(); ++i) {
    TXCollectionItemClass present = RealItemClass(GetItems(i));
    if (itemClass->UniqueItem() && present->InheritsFrom(itemClass)) return false;
    if (present->UniqueItem() && itemClass->InheritsFrom(present)) return false;
  }
  return true;
}

void TXCollection::WriteToFiler(TWriter& writer) {
  // Refused before anything is written.
  for (int i = 0; i < Count(); ++i) RealItemClass(GetItems(i));
  writer.WriteInteger(Count());
  std::vector<TXCollectionItemClass> classes;
  for (int i = 0; i < Count(); ++i) {
    TXCollectionItem* item = GetItems(i);
    const auto known = std::find(classes.begin(), classes.end(), item->ItemClass());
    if (known == classes.end()) {
      writer.WriteString(item->ItemClass()->ClassName());
      classes.push_back(item->ItemClass());
    } else {
      writer.WriteInteger(int(known - classes.begin()));
    }
    item->WriteToFiler(writer);
  }
}

void TXCollection::ReadFromFiler(TReader& reader) {
  Clear();
  std::vector<TXCollectionItemClass> classes;
  try {
    const int count = reader.ReadInteger();
    for (int n = 0; n < count; ++n) {
      TXCollectionItemClass itemClass;
      const TValueType next = reader.NextValue();
      if (next == vaString || next == vaLString) {
        const std::string name = reader.ReadString();
        itemClass = FindXCollectionItemClass(name);
        Assert(itemClass != nullptr,
               "Class " + name + " unknown. Add the relevant unit to your \"uses\".");
        classes.push_back(itemClass);
      } else {
        const int index = reader.ReadInteger();
        if (index < 0 || size_t(index) >= classes.size()) ClassIndexError(index);
        itemClass = classes[size_t(index)];
      }
      MakeItem(itemClass->Class)->ReadFromFiler(reader);
    }
  } catch (...) {
    Clear();
    throw;
  }
}
