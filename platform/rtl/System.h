#pragma once
// The root of every class-library object, and class references: each class carries one
// TMetaClass with its name, its parent, a factory (the virtual constructor) and its table of
// published properties.

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

#include "platform/rtl/SysUtils.h"

class TObject;
class TMetaClass;
class TPropertyTable;
using TClass = const TMetaClass*;

class TMetaClass {
 public:
  using TFactory = TObject* (*)(TObject* argument);
  using TTableFunction = const TPropertyTable& (*)();

  TMetaClass(const char* name, TClass parent, TFactory factory, TTableFunction table)
      : FName(name), FParent(parent), FFactory(factory), FTable(table) {}

  const std::string& ClassName() const { return FName; }
  TClass ClassParent() const { return FParent; }
  bool InheritsFrom(TClass ancestor) const;
  bool ClassNameIs(const std::string& name) const;
  const TPropertyTable& Published() const { return FTable(); }

  // The virtual constructor: the argument is what the class family's constructor takes (the
  // owner of a component, the collection of an item), checked against its type. Raises
  // EInvalidCast for an argument of the wrong class and Exception for an abstract class.
  std::unique_ptr<TObject> Create(TObject* argument = nullptr) const;

  template <class T>
  static TFactory FactoryFor();

 private:
  std::string FName;
  TClass FParent;
  TFactory FFactory;
  TTableFunction FTable;
};

// The kind of an owner's notice (Classes.h), named here so that the class macro can shadow it.
enum TOperation : int;

namespace rtl_detail {
// Whether a pointer to member names a member function that the class itself declares.
template <class Member, class Self>
inline constexpr bool DeclaredBy = false;
template <class Self, class R, class... A>
inline constexpr bool DeclaredBy<R (Self::*)(A...), Self> = true;

// Called as the part of an object that belongs to a class declaring its own Notification is
// made: the component layer tells only the components that act on notices (Classes.cpp).
void NotificationDeclared(TObject* object, TClass cls);
}  // namespace rtl_detail

// Declares the class reference of Self, placed first in the class body; leaves the access public.
// Its member, which takes no room, tells the component layer of a class that declares its own
// Notification as soon as that class's part of the object is made; a class without the macro
// would not be told of its owner's inserts and removals. So that this cannot go unseen, each
// class with the macro names TOperation in a private alias of its own: in a class derived
// without the macro the name is out of reach, and an override of Notification fails to compile.
#define RTL_CLASS(Self, Base)                                                                \
 public:                                                                                     \
  using inherited = Base;                                                                    \
  static TClass StaticClass() {                                                              \
    static const TMetaClass meta(#Self, Base::StaticClass(), TMetaClass::FactoryFor<Self>(), \
                                 &Self::Published);                                          \
    return &meta;                                                                            \
  }                                                                                          \
  TClass ClassType() const override {                                                        \
    return StaticClass();                                                                    \
  }                                                                                          \
                                                                                             \
 private:                                                                                    \
  using TOperation = ::TOperation; /* naming it needs the class's own RTL_CLASS */           \
  struct TClassPartMade {                                                                    \
    template <class S = Self>                                                                \
    explicit TClassPartMade(S* self) {                                                       \
      if constexpr (requires { &S::Notification; })                                          \
        if constexpr (rtl_detail::DeclaredBy<decltype(&S::Notification), S>)                 \
          rtl_detail::NotificationDeclared(self, S::StaticClass());                          \
    }                                                                                        \
  };                                                                                         \
  [[no_unique_address]] TClassPartMade FClassPartMade{this};                                 \
                                                                                             \
 public:

class TObject {
 public:
  // What the virtual constructor of a class family takes; families narrow it.
  using TCreateArg = TObject*;

  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  static const TPropertyTable& Published();

  const std::string& ClassName() const { return ClassType()->ClassName(); }
  bool ClassNameIs(const std::string& name) const { return ClassType()->ClassNameIs(name); }
  bool InheritsFrom(TClass ancestor) const { return ClassType()->InheritsFrom(ancestor); }
};

namespace rtl_detail {
template <class A>
A CreateArgCast(TObject* argument) {
  if (argument == nullptr) return nullptr;
  if (auto* typed = dynamic_cast<A>(argument)) return typed;
  throw EInvalidCast("Invalid class typecast");
}
}  // namespace rtl_detail

template <class T>
TMetaClass::TFactory TMetaClass::FactoryFor() {
  using A = typename T::TCreateArg;
  if constexpr (std::is_abstract_v<T>) {
    return nullptr;
  } else if constexpr (!std::is_same_v<A, TObject*> && std::is_constructible_v<T, A>) {
    return
        [](TObject* argument) -> TObject* { return new T(rtl_detail::CreateArgCast<A>(argument)); };
  } else if constexpr (std::is_default_constructible_v<T>) {
    return [](TObject*) -> TObject* { return new T(); };
  } else {
    return nullptr;
  }
}

// The class library's pseudo-random source: a linear congruential generator whose whole state
// is RandSeed, so that a run can be repeated by setting the seed.
extern uint32_t RandSeed;
// A number in [0, 1).
double Random();
