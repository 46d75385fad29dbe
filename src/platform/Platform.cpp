// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
std::unique_ptr<Platform>& slot() {
    static std::unique_ptr<Platform> installed;
    return installed;
}
}  // namespace

Platform& current() {
    auto& p = slot();
    if (!p) {
        std::fputs("tessavo: no platform installed\n", stderr);
        std::abort();
    }
    return *p;
}

std::unique_ptr<Platform> install(std::unique_ptr<Platform> platform) {
    auto previous = std::move(slot());
    slot() = std::move(platform);
    return previous;
}

}  // namespace platform
