#include "app/jclasses.h"

#include "platform/rtl/SysUtils.h"

void ListIndexError(int index) {
  throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}
