#pragma once
// String-to-file routines, the power-of-two rounding of texture sizes, the square-root table of
// the texture code, and the texture filter kinds.

#include <array>
#include <cstdint>
#include <string>

enum TGLMinFilter : int {
  miNearest,
  miLinear,
  miNearestMipmapNearest,
  miLinearMipmapNearest,
  miNearestMipmapLinear,
  miLinearMipmapLinear
};
enum TGLMagFilter : int { maNearest, maLinear };

// 1 below 2, else the smallest power of two >= n. An assertion failure above 2^30, where no
// power of two fits the result.
int32_t RoundUpToPowerOf2(int32_t n);

// Replaces the file with the bytes of data (an empty string leaves an empty file).
void SaveStringToFile(const std::string& fileName, const std::string& data);
// The bytes of the file, or "" when there is none.
std::string LoadStringFromFile(const std::string& fileName);
// 0 when there is no such file.
int64_t SizeOfFile(const std::string& fileName);

// Entry i is Trunc(sqrt(i / 255) * 255): 0 -> 0, 1 -> 15, 64 -> 127, 255 -> 255.
using TSqrt255Array = std::array<uint8_t, 256>;
const TSqrt255Array* GetSqrt255Array();
