#pragma once
// One entry per reader of damaged input: each takes arbitrary bytes, must raise only the
// class library's exceptions, and must leave nothing allocated. The tests replay a fixed corpus
// through them; built with VM_FUZZ under clang they become libFuzzer targets.

#include <cstddef>
#include <cstdint>

struct TFilerFuzzTarget {
  const char* Name;  // also the corpus folder below tests/data/filer-fuzz
  void (*Run)(const uint8_t* data, size_t size);
};

extern const TFilerFuzzTarget FilerFuzzTargets[8];
