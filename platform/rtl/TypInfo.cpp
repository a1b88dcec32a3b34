#include "platform/rtl/TypInfo.h"

#include <strings.h>

#include "platform/rtl/Graphics.h"

bool TPropInfo::IsStored(const TObject& instance) const {
  switch (Rule.Mode) {
    case TStoredRule::smNever:
      return false;
    case TStoredRule::smAlways:
      return true;
    case TStoredRule::smPredicate:
      return Rule.Predicate(instance);
    case TStoredRule::smDefault:
      if (Kind == tkFloat) {
        const double value = GetFloat(instance);
        return IsSingle ? float(value) != float(Rule.FloatDefault) : value != Rule.FloatDefault;
      }
      if (Kind == tkString) return GetStr(instance) != Rule.StrDefault;
      if (GetOrd) return GetOrd(instance) != Rule.OrdDefault;
      return true;
    case TStoredRule::smAuto:
      break;
  }
  switch (Kind) {
    case tkFloat:
      return GetFloat(instance) != 0;
    case tkString:
      return !GetStr(instance).empty();
    case tkComponent:
      return GetObject(instance) != nullptr;
    default:
      return true;  // events are written when bound, which the component knows
  }
}

std::string TPropInfo::EnumName(int64_t value) const {
  return value >= 0 && value < int64_t(Names.size()) ? Names[value] : "";
}

int TPropInfo::EnumValue(const std::string& name) const {
  for (size_t i = 0; i < Names.size(); ++i)
    if (strcasecmp(Names[i].c_str(), name.c_str()) == 0) return int(i);
  return -1;
}

const TPropInfo* TPropertyTable::Find(const std::string& name) const {
  for (const TPropInfo& info : FItems)
    if (strcasecmp(info.Name.c_str(), name.c_str()) == 0) return &info;
  return nullptr;
}

void TPropertyTable::Add(TPropInfo info) {
  for (TPropInfo& existing : FItems)
    if (strcasecmp(existing.Name.c_str(), info.Name.c_str()) == 0) {
      existing = std::move(info);
      return;
    }
  FItems.push_back(std::move(info));
}

const TPropInfo* GetPropInfo(const TObject& instance, const std::string& name) {
  return instance.ClassType()->Published().Find(name);
}

namespace {
struct TColorName {
  TColor Color;
  const char* Name;
};
constexpr TColorName ColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clNavy, "clNavy"},
    {clRed, "clRed"},     {clLime, "clLime"},     {clBlue, "clBlue"},   {clWhite, "clWhite"},
};
}  // namespace

std::string ColorToIdent(int64_t color) {
  for (const auto& c : ColorNames)
    if (c.Color == color) return c.Name;
  return "";
}

bool IdentToColor(const std::string& ident, int64_t& color) {
  for (const auto& c : ColorNames)
    if (strcasecmp(c.Name, ident.c_str()) == 0) {
      color = c.Color;
      return true;
    }
  return false;
}
