#pragma once
// Byte images for the engine filer tests, and freeing what a read of nested lists built.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "engine/base/PersistentClasses.h"

inline std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += char(uint8_t(b));
  return s;
}

inline std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (unsigned char c : bytes) {
    if (!s.empty()) s += ' ';
    s += digits[c >> 4];
    s += digits[c & 15];
  }
  return s;
}

// What a binary writer puts out for the given calls.
inline std::string Written(const std::function<void(TBinaryWriter&)>& calls) {
  TStringStream stream;
  TBinaryWriter writer(&stream);
  calls(writer);
  return stream.DataString();
}

// Lists never free their elements on their own; the owner of a list read with nested lists in it
// frees those too.
inline void FreeNested(TPersistentObjectList& list) {
  for (int32_t i = 0; i < list.Count(); ++i)
    if (auto* inner = dynamic_cast<TPersistentObjectList*>(list.Get(i))) FreeNested(*inner);
  list.CleanFree();
}
