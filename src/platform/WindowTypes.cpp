// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowTypes.h"

#include <algorithm>

namespace platform {

const char* roleName(WindowRole role) {
    switch (role) {
        case WindowRole::Standard:
            return "standard";
        case WindowRole::Dialog:
            return "dialog";
        case WindowRole::Other:
            break;
    }
    return "other";
}

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string foldedAppName(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), asciiLower);
    return name;
}

bool sameAppName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

}  // namespace platform
