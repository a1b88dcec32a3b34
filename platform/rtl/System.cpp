#include "platform/rtl/System.h"

#include <strings.h>

#include "platform/rtl/TypInfo.h"

bool TMetaClass::InheritsFrom(TClass ancestor) const {
  for (TClass c = this; c != nullptr; c = c->FParent)
    if (c == ancestor) return true;
  return false;
}

bool TMetaClass::ClassNameIs(const std::string& name) const {
  return strcasecmp(FName.c_str(), name.c_str()) == 0;
}

std::unique_ptr<TObject> TMetaClass::Create(TObject* argument) const {
  if (FFactory == nullptr)
    throw Exception("Cannot create an instance of the abstract class " + FName);
  return std::unique_ptr<TObject>(FFactory(argument));
}

TClass TObject::StaticClass() {
  static const TMetaClass meta("TObject", nullptr, TMetaClass::FactoryFor<TObject>(),
                               &TObject::Published);
  return &meta;
}

const TPropertyTable& TObject::Published() {
  static const TPropertyTable table;
  return table;
}

uint32_t RandSeed = 0;

double Random() {
  RandSeed = RandSeed * 0x08088405u + 1;
  return RandSeed * (1.0 / 4294967296.0);
}
