#pragma once
// Published-property descriptors: each class declares its table once, in stream order with the
// inherited properties first, and the layout writer and reader use nothing else.
//
//   const TPropertyTable& TFoo::Published() {
//     static const TPropertyTable table = TPropertyTable::Extend<TFoo>(TBase::Published())
//         .Float("Height", &TFoo::GetHeight, &TFoo::SetHeight)
//         .Integer("Tiles", &TFoo::GetTiles, &TFoo::SetTiles, Default(1));
//     return table;
//   }

#include <algorithm>
#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/rtl/System.h"

class TPersistent;
class TComponent;

enum TTypeKind {
  tkInteger,
  tkFloat,
  tkBoolean,
  tkEnumeration,
  tkSet,
  tkString,
  tkColor,
  tkClass,      // an owned sub-object, written as Sub.Prop lines (a collection as <items>)
  tkComponent,  // a reference to another component, written as its name
  tkMethod,     // an event, written as the name of the root's method bound to it
};

// When a property is written. Without a rule: floats when not 0, strings when not empty,
// references when set, events when bound, every other kind always.
struct TStoredRule {
  enum TMode { smAuto, smAlways, smNever, smDefault, smPredicate } Mode = smAuto;
  int64_t OrdDefault = 0;
  double FloatDefault = 0;
  std::string StrDefault;
  std::function<bool(const TObject&)> Predicate;
};

template <class V>
TStoredRule Default(V value) {
  TStoredRule rule;
  rule.Mode = TStoredRule::smDefault;
  if constexpr (std::is_floating_point_v<V>)
    rule.FloatDefault = value;
  else if constexpr (std::is_convertible_v<V, std::string>)
    rule.StrDefault = value;
  else
    rule.OrdDefault = static_cast<int64_t>(value);
  return rule;
}
inline TStoredRule NoDefault() {
  TStoredRule rule;
  rule.Mode = TStoredRule::smAlways;
  return rule;
}
inline TStoredRule NotStored() {
  TStoredRule rule;
  rule.Mode = TStoredRule::smNever;
  return rule;
}
template <class T>
TStoredRule Stored(bool (T::*test)() const) {
  TStoredRule rule;
  rule.Mode = TStoredRule::smPredicate;
  rule.Predicate = [test](const TObject& o) { return (static_cast<const T&>(o).*test)(); };
  return rule;
}

class TPropInfo {
 public:
  std::string Name;
  TTypeKind Kind = tkInteger;
  bool IsSingle = false;           // a 32-bit float, written with the digits a float needs
  std::vector<std::string> Names;  // enumeration values by ordinal; set members by bit
  TStoredRule Rule;
  int64_t MinValue = INT64_MIN, MaxValue = INT64_MAX;  // of an integer property's type

  std::function<int64_t(const TObject&)> GetOrd;
  std::function<void(TObject&, int64_t)> SetOrd;
  std::function<double(const TObject&)> GetFloat;
  std::function<void(TObject&, double)> SetFloat;
  std::function<std::string(const TObject&)> GetStr;
  std::function<void(TObject&, const std::string&)> SetStr;
  std::function<TPersistent*(const TObject&)> GetObject;     // sub-object or referenced component
  std::function<void(TObject&, TObject*)> SetComponent;      // EInvalidCast for another class
  std::function<void(TObject&, const std::any&)> SetMethod;  // EInvalidCast for another type

  // The stored test and the default together: whether the writer writes the value.
  bool IsStored(const TObject& instance) const;
  std::string EnumName(int64_t value) const;     // "" when out of range
  int EnumValue(const std::string& name) const;  // -1 when unknown; case-insensitive
};

template <class T>
class TPropertyBuilder;

class TPropertyTable {
 public:
  TPropertyTable() = default;

  template <class T>
  static TPropertyBuilder<T> Extend(const TPropertyTable& inherited) {
    return TPropertyBuilder<T>(inherited);
  }

  const std::vector<TPropInfo>& Items() const { return FItems; }
  const TPropInfo* Find(const std::string& name) const;  // case-insensitive
  // A class that publishes an inherited property again replaces it in place.
  void Add(TPropInfo info);

 private:
  std::vector<TPropInfo> FItems;
};

const TPropInfo* GetPropInfo(const TObject& instance, const std::string& name);

// The named colours of Graphics.h for colour properties.
std::string ColorToIdent(int64_t color);  // "" when the colour has no name
bool IdentToColor(const std::string& ident, int64_t& color);

template <class T>
class TPropertyBuilder {
 public:
  explicit TPropertyBuilder(const TPropertyTable& inherited) : FTable(inherited) {}
  operator TPropertyTable() const { return FTable; }

  template <class G, class S>
  TPropertyBuilder& Integer(std::string name, G get, S set, TStoredRule rule = {}) {
    return Ordinal(tkInteger, std::move(name), get, set, {}, std::move(rule));
  }
  template <class G, class S>
  TPropertyBuilder& Boolean(std::string name, G get, S set, TStoredRule rule = {}) {
    return Ordinal(tkBoolean, std::move(name), get, set, {}, std::move(rule));
  }
  template <class G, class S>
  TPropertyBuilder& Color(std::string name, G get, S set, TStoredRule rule = {}) {
    return Ordinal(tkColor, std::move(name), get, set, {}, std::move(rule));
  }
  template <class G, class S>
  TPropertyBuilder& Enumeration(std::string name, G get, S set,
                                std::initializer_list<const char*> names, TStoredRule rule = {}) {
    return Ordinal(tkEnumeration, std::move(name), get, set, names, std::move(rule));
  }
  // The getter and setter exchange the set as a bit mask: bit i is names[i].
  template <class G, class S>
  TPropertyBuilder& Set(std::string name, G get, S set, std::initializer_list<const char*> names,
                        TStoredRule rule = {}) {
    return Ordinal(tkSet, std::move(name), get, set, names, std::move(rule));
  }

  template <class G, class S>
  TPropertyBuilder& Float(std::string name, G get, S set, TStoredRule rule = {}) {
    using V = Value<G>;
    TPropInfo info = Start(tkFloat, std::move(name), std::move(rule));
    info.IsSingle = std::is_same_v<V, float>;
    info.GetFloat = [get](const TObject& o) { return double(std::invoke(get, Self(o))); };
    info.SetFloat = [set](TObject& o, double v) { std::invoke(set, Self(o), static_cast<V>(v)); };
    FTable.Add(std::move(info));
    return *this;
  }

  template <class G, class S>
  TPropertyBuilder& String(std::string name, G get, S set, TStoredRule rule = {}) {
    TPropInfo info = Start(tkString, std::move(name), std::move(rule));
    info.GetStr = [get](const TObject& o) { return std::string(std::invoke(get, Self(o))); };
    info.SetStr = [set](TObject& o, const std::string& v) { std::invoke(set, Self(o), v); };
    FTable.Add(std::move(info));
    return *this;
  }

  // An owned sub-object: the reader fills it in place, so only a getter is needed.
  template <class G>
  TPropertyBuilder& Object(std::string name, G get) {
    TPropInfo info = Start(tkClass, std::move(name), {});
    info.GetObject = [get](const TObject& o) -> TPersistent* { return std::invoke(get, Self(o)); };
    FTable.Add(std::move(info));
    return *this;
  }

  template <class G, class S>
  TPropertyBuilder& Component(std::string name, G get, S set, TStoredRule rule = {}) {
    using V = Value<G>;
    TPropInfo info = Start(tkComponent, std::move(name), std::move(rule));
    info.GetObject = [get](const TObject& o) -> TPersistent* { return std::invoke(get, Self(o)); };
    info.SetComponent = [set](TObject& o, TObject* c) {
      std::invoke(set, Self(o), rtl_detail::CreateArgCast<V>(c));
    };
    FTable.Add(std::move(info));
    return *this;
  }

  // An event held in a std::function member: the handler comes from the root's MethodAddress.
  template <class E>
  TPropertyBuilder& Event(std::string name, E T::*member) {
    TPropInfo info = Start(tkMethod, std::move(name), {});
    info.SetMethod = [member](TObject& o, const std::any& handler) {
      const E* typed = std::any_cast<E>(&handler);
      if (typed == nullptr) throw EInvalidCast("Invalid class typecast");
      Self(o).*member = *typed;
    };
    FTable.Add(std::move(info));
    return *this;
  }

 private:
  template <class G>
  using Value = std::decay_t<std::invoke_result_t<G, const T&>>;

  static const T& Self(const TObject& o) { return static_cast<const T&>(o); }
  static T& Self(TObject& o) { return static_cast<T&>(o); }

  static TPropInfo Start(TTypeKind kind, std::string name, TStoredRule rule) {
    TPropInfo info;
    info.Name = std::move(name);
    info.Kind = kind;
    info.Rule = std::move(rule);
    return info;
  }

  template <class G, class S>
  TPropertyBuilder& Ordinal(TTypeKind kind, std::string name, G get, S set,
                            std::initializer_list<const char*> names, TStoredRule rule) {
    using V = Value<G>;
    TPropInfo info = Start(kind, std::move(name), std::move(rule));
    info.Names.assign(names.begin(), names.end());
    if constexpr (std::is_integral_v<V>) {
      info.MinValue = std::numeric_limits<V>::min();
      info.MaxValue = int64_t(std::min<uint64_t>(std::numeric_limits<V>::max(), INT64_MAX));
    }
    info.GetOrd = [get](const TObject& o) {
      return static_cast<int64_t>(std::invoke(get, Self(o)));
    };
    info.SetOrd = [set](TObject& o, int64_t v) { std::invoke(set, Self(o), static_cast<V>(v)); };
    FTable.Add(std::move(info));
    return *this;
  }

  TPropertyTable FTable;
};
