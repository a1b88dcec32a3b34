#include "app/jclasses.h"

#include <algorithm>
#include <cctype>

#include "platform/rtl/SysUtils.h"

void ListIndexError(int index) {
  throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

std::string BooleanToText(bool value) {
  return value ? "True" : "False";
}

bool TextToBoolean(const std::string& text) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "true") return true;
  if (lower == "false") return false;
  throw EConvertError(text + ": " + "This string cannot be converted to a boolean value.");
}
