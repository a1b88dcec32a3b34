#include "engine/GLUtils.h"

#include <cmath>

#include "engine/base/ApplicationFileIO.h"
#include "engine/base/VectorGeometry.h"

int32_t RoundUpToPowerOf2(int32_t n) {
  Assert(n <= (int32_t(1) << 30), "RoundUpToPowerOf2: no Integer power of two reaches the size");
  int32_t result = 1;
  while (result < n) result *= 2;
  return result;
}

void SaveStringToFile(const std::string& fileName, const std::string& data) {
  auto stream = CreateFileStream(fileName, fmCreate);
  if (!data.empty()) stream->WriteBuffer(data.data(), int64_t(data.size()));
}

std::string LoadStringFromFile(const std::string& fileName) {
  if (!FileStreamExists(fileName)) return "";
  auto stream = CreateFileStream(fileName, fmOpenRead | fmShareDenyNone);
  std::string result(size_t(stream->GetSize()), '\0');
  stream->ReadBuffer(result.data(), int64_t(result.size()));
  return result;
}

int64_t SizeOfFile(const std::string& fileName) {
  if (!FileStreamExists(fileName)) return 0;
  return CreateFileStream(fileName, fmOpenRead | fmShareDenyNone)->GetSize();
}

const TSqrt255Array* GetSqrt255Array() {
  // The product is rounded to Single before the truncation, which is what makes entry 255 come
  // out as 255 rather than 254.
  static const TSqrt255Array table = [] {
    TSqrt255Array t;
    for (int i = 0; i < 256; ++i) t[i] = uint8_t(Trunc(float(std::sqrt(i * (1.0L / 255)) * 255)));
    return t;
  }();
  return &table;
}
