#pragma once
// Byte images for the engine filer tests.

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
