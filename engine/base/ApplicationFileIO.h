#pragma once
// The one place where the engine opens a file as a stream, so that every engine file access fails
// the same way when the file is missing.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/Classes.h"

// A new stream on the file, owned by the caller. Any mode but fmCreate needs an existing file:
// otherwise Exception "File not found: "<name>"" and no stream. The stream's own failures (no
// access, cannot create) propagate as its exceptions.
std::unique_ptr<TStream> CreateFileStream(const std::string& fileName,
                                          uint16_t mode = fmOpenRead | fmShareDenyNone);
// Whether a file (not a folder) of that name exists.
bool FileStreamExists(const std::string& fileName);
// File access is never redirected here: every call goes to the file system.
bool ApplicationFileIOAvailable();
