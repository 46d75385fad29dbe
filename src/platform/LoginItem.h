// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace platform {

enum class LoginItemStatus { NotRegistered = 0, Enabled = 1, RequiresApproval = 2, NotFound = 3 };

struct LoginItemResult {
    bool ok = false;
    std::string error;  // the system's description when !ok
};

// Starting the program when the user logs in.
class LoginItem {
  public:
    virtual ~LoginItem() = default;
    virtual LoginItemStatus status() = 0;
    virtual LoginItemResult registerItem() = 0;
    virtual LoginItemResult unregisterItem() = 0;
};

}  // namespace platform
