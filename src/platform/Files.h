#pragma once

#include <optional>
#include <string>

#include <sys/types.h>

namespace platform {

// Replace `path` with `bytes` so that a reader sees either the old file or the whole new one:
// a temporary file in the same directory is written, flushed and renamed over the target. The
// directory is created (mode 0700) when missing. Returns the error text on failure.
std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& bytes,
                                               mode_t mode);

// The whole file, or absent when it cannot be read (`error` then says why).
std::optional<std::string> readWholeFile(const std::string& path, std::string* error = nullptr);

}  // namespace platform
