#pragma once
// A collection whose items may be of any class derived from TXCollectionItem, mixed freely, and
// which stores itself in a layout's binary property with each item's class named, so that a
// scene object's behaviours and effects can be saved and recreated. Item classes describe
// themselves and decide whether they may be added: an item class can be unique within a
// collection or refuse certain collections.

#include <string>

#include "platform/rtl/Classes.h"

class TXCollection;
class TXCollectionItem;

// What an item class says about itself, without an instance: the class functions of an item
// class, reached through a TXCollectionItemClass.
struct TXCollectionItemClassInfo {
  TClass Class;
  std::string (*FriendlyName)();
  std::string (*FriendlyDescription)();
  std::string (*ItemCategory)();
  bool (*UniqueItem)();
  bool (*CanAddTo)(TXCollection* collection);

  const std::string& ClassName() const { return Class->ClassName(); }
  bool InheritsFrom(const TXCollectionItemClassInfo* ancestor) const {
    return Class->InheritsFrom(ancestor->Class);
  }
};
using TXCollectionItemClass = const TXCollectionItemClassInfo*;

// The class reference of item class T: its static FriendlyName (required) and, where T declares
// or inherits them, FriendlyDescription (else the friendly name), ItemCategory, UniqueItem and
// CanAddTo.
template <class T>
TXCollectionItemClass XCollectionItemClass() {
  static const TXCollectionItemClassInfo info = [] {
    TXCollectionItemClassInfo result{T::StaticClass(), &T::FriendlyName, nullptr,
                                     &T::ItemCategory, &T::UniqueItem,   &T::CanAddTo};
    if constexpr (requires { T::FriendlyDescription(); })
      result.FriendlyDescription = &T::FriendlyDescription;
    else
      result.FriendlyDescription = &T::FriendlyName;
    return result;
  }();
  return &info;
}

// Each item class has a public constructor taking the owner (nullptr for a free-standing item)
// that passes XCollectionItemClass<itself>() down, so that the base knows the final class while
// it is being built. An item of a class that inherits its parent's constructor instead carries
// the parent's record: its collection refuses it when it makes the item (copy, read) and when it
// would check or store it.
class TXCollectionItem : public TPersistent {
  RTL_CLASS(TXCollectionItem, TPersistent)
  using TCreateArg = TXCollection*;
  static const TPropertyTable& Published();
  // Leaves the owner's list.
  ~TXCollectionItem() override;

  void Assign(TPersistent* source) override;
  TXCollection* Owner() const { return FOwner; }
  TXCollectionItemClass ItemClass() const { return FItemClass; }
  const std::string& GetName() const { return FName; }
  virtual void SetName(const std::string& name) { FName = name; }
  // -1 without owner.
  int Index() const;
  TPersistent* GetOwner() const override;
  // "<owner path>[<index>]".
  std::string GetNamePath() const override;

  // Archive version 0 and the name; descendants call these first and then add their values.
  virtual void WriteToFiler(TWriter& writer);
  virtual void ReadFromFiler(TReader& reader);
  // After the owning layout is read.
  virtual void Loaded() {}

  static std::string ItemCategory() { return ""; }
  static bool UniqueItem() { return false; }
  static bool CanAddTo(TXCollection*) { return true; }

 protected:
  // Joins the owner when it accepts the class (else an assertion failure "Addition of ... to
  // ... rejected."); the name becomes the class's friendly name.
  TXCollectionItem(TXCollection* owner, TXCollectionItemClass itemClass);

 private:
  friend class TXCollection;
  TXCollection* FOwner;  // not owned
  TXCollectionItemClass FItemClass;
  std::string FName;
};

class TXCollection : public TPersistent {
  RTL_CLASS(TXCollection, TPersistent)
  using TCreateArg = TPersistent*;
  explicit TXCollection(TPersistent* owner) : FOwner(owner) {}
  ~TXCollection() override;

  // Nil clears; a source of the same class is cloned item by item; others go to TPersistent.
  void Assign(TPersistent* source) override;
  void Clear();
  void Loaded();
  int Count() const { return FList.Count(); }
  // EListError out of range.
  TXCollectionItem* GetItems(int index) const;
  int IndexOf(const TXCollectionItem* item) const;

  TPersistent* GetOwner() const override { return FOwner; }
  // "<owner path>.XCollection", or the class name when the owner has no path.
  std::string GetNamePath() const override;
  // The item class this collection is for; descendants narrow it.
  virtual TClass ItemsClass() const { return TXCollectionItem::StaticClass(); }
  virtual bool CanAdd(TXCollectionItemClass itemClass) const;

  // The item count, then per item its class name at first appearance or its index in the
  // table of classes met so far, then the item's own values.
  void WriteToFiler(TWriter& writer);
  // Clears first; a broken stream raises and leaves the collection empty.
  void ReadFromFiler(TReader& reader);

 private:
  friend class TXCollectionItem;
  // A new item of the class, in this collection; refused (and freed) when its class record is
  // not its real class.
  TXCollectionItem* MakeItem(TClass itemClass);

  TPersistent* FOwner;  // not owned
  TList FList;          // owns the items
};

// The item-class registry. Registering twice has no further effect.
void RegisterXCollectionItemClass(TXCollectionItemClass itemClass);
// Exact, case-sensitive class name; nullptr when unknown.
TXCollectionItemClass FindXCollectionItemClass(const std::string& className);

// Called with each collection being destroyed, when set.
extern std::function<void(TXCollection* sender)> vXCollectionDestroyEvent;
