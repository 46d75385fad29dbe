// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
std::string errorText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

constexpr const char* kNotRegular = "not a regular file";

std::optional<std::string> fail(ReadError* error, ReadFailure kind, std::string text) {
    if (error) {
        *error = {kind, std::move(text)};
    }
    return std::nullopt;
}

// At most one byte past the limit is read: enough to tell a file over it from one at it.
std::optional<std::string> readOpened(int fd, ReadError* error) {
    constexpr std::size_t limit = kMaxConfigFileBytes;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return fail(error, ReadFailure::notRegularFile, kNotRegular);
    }
    const std::string tooLarge = "larger than " + std::to_string(limit >> 20) + " MiB";
    if (static_cast<std::uintmax_t>(st.st_size) > limit) {
        return fail(error, ReadFailure::tooLarge, tooLarge);
    }
    std::string bytes;
    char buffer[16384];
    while (bytes.size() <= limit) {
        const std::size_t want = std::min(sizeof buffer, limit + 1 - bytes.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return fail(error, ReadFailure::cannotRead, errorText("cannot read"));
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return fail(error, ReadFailure::tooLarge, tooLarge);
}

// Renaming over a FIFO or a device would remove it, and a directory cannot be replaced.
bool isSpecial(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}
}  // namespace

std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& bytes,
                                               mode_t mode) {
    if (isSpecial(path)) {
        return std::string(kNotRegular) + ", left as it is";
    }
    const std::filesystem::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
        if (ec) {
            return "cannot create " + target.parent_path().string() + ": " + ec.message();
        }
        ::chmod(target.parent_path().c_str(), 0700);
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);  // created 0600
    if (fd < 0) {
        return errorText("cannot create a temporary file");
    }
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    std::string error = ok ? std::string() : errorText("cannot write the temporary file");
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errorText("cannot close the temporary file");
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errorText("cannot replace the file");
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return error;
    }
    return std::nullopt;
}

std::optional<std::string> readWholeFile(const std::string& path, ReadError* error) {
    // A FIFO blocks open() until a writer comes and a device may never end: look before opening,
    // then open without blocking and check again what was actually opened.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return fail(error, ReadFailure::notRegularFile, kNotRegular);
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return fail(error, ReadFailure::cannotOpen, errorText("cannot open"));
    }
    auto bytes = readOpened(fd, error);
    ::close(fd);
    return bytes;
}

}  // namespace platform
