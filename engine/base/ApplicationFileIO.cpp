#include "engine/base/ApplicationFileIO.h"

#include <filesystem>

std::unique_ptr<TStream> CreateFileStream(const std::string& fileName, uint16_t mode) {
  if (mode != fmCreate && !FileStreamExists(fileName))
    throw Exception("File not found: \"" + fileName + "\"");
  return std::make_unique<TFileStream>(fileName, mode);
}

bool FileStreamExists(const std::string& fileName) {
  std::error_code error;
  const auto status = std::filesystem::status(fileName, error);
  return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

bool ApplicationFileIOAvailable() {
  return false;
}
