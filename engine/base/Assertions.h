#pragma once
// Always-on assertions of the engine's base units. They stand in for the class library's own until
// platform/rtl carries them: a failure raises EAssertionFailed with the text
// "<message> (<file>, line <n>)".

#include "platform/rtl/SysUtils.h"

class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

[[noreturn]] void RaiseAssertionFailed(const char* message, const char* file, int line);

#define ENGINE_ASSERT(condition) \
  ((condition) ? void(0) : RaiseAssertionFailed("Assertion failure", __FILE_NAME__, __LINE__))
