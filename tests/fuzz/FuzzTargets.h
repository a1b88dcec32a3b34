#pragma once
// The readers of files a user hands the program: the data file, the layout text and the
// behaviours and effects a layout stores as binary values. Each target takes arbitrary bytes;
// what it reads must either be refused with the class library's exceptions or, written again,
// read back as the same thing. Anything else escapes as a failure.
// The tests replay a corpus through them; built with VM_FUZZ under clang they become libFuzzer
// targets.

#include <cstddef>
#include <cstdint>

struct TFuzzTarget {
  const char* Name;  // also the corpus folder below tests/data/fuzz
  void (*Run)(const uint8_t* data, size_t size);
};

extern const TFuzzTarget FuzzTargets[3];
