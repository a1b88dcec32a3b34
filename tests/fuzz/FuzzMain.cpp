// The libFuzzer entry of one target, chosen by FUZZ_TARGET_INDEX at build time.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzTargets[FUZZ_TARGET_INDEX].Run(data, size);
  return 0;
}
