#include "engine/base/Assertions.h"

#include <string>

void RaiseAssertionFailed(const char* message, const char* file, int line) {
  throw EAssertionFailed(std::string(message) + " (" + file + ", line " + std::to_string(line) +
                         ")");
}
