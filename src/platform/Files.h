// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include <sys/types.h>

namespace platform {

// Far more than any settings or desktop file holds.
inline constexpr std::size_t kMaxConfigFileBytes = 4 * 1024 * 1024;

// Replace `path` with `bytes` so that a reader sees either the old file or the whole new one:
// a temporary file in the same directory is written, flushed and renamed over the target. The
// directory is created (mode 0700) when missing. A FIFO, device or directory at `path` (or a link
// to one) is never replaced. Returns the error text on failure.
std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& bytes,
                                               mode_t mode);

// Why a file was not read.
enum class ReadFailure {
    cannotOpen,      // missing, no permission, ...
    notRegularFile,  // a FIFO, device, socket or directory (or a link to one)
    tooLarge,        // more bytes than the limit
    cannotRead,      // the read itself failed
};

struct ReadError {
    ReadFailure kind = ReadFailure::cannotOpen;
    std::string text;  // for messages, e.g. "larger than 4 MiB"
};

// The whole of a regular file of at most kMaxConfigFileBytes, or absent (`error` then says why).
// Anything in a configuration location may be a FIFO, a device or a huge file: such a path is
// never waited on and never read past the limit.
std::optional<std::string> readWholeFile(const std::string& path, ReadError* error = nullptr);

}  // namespace platform
