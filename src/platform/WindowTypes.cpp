// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowTypes.h"

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

}  // namespace platform
