// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <typeindex>
#include <unordered_map>

#include "platform/AppWindows.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/LoginItem.h"
#include "platform/Screens.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

namespace platform {

// Every platform service the program uses, from one backend. `main` installs the real backend
// once; each test installs a fresh simulated desktop.
class Platform {
  public:
    virtual ~Platform() = default;

    virtual Workspace& workspace() = 0;
    virtual AppWindows& appWindows() = 0;
    virtual WindowServer& windowServer() = 0;
    virtual Screens& screens() = 0;
    virtual Input& input() = 0;
    virtual LoginItem& loginItem() = 0;
    virtual Clock& clock() = 0;

    // Process-wide program state (the settings store, the debug log) that is created on first
    // use and lives exactly as long as this platform, so a fresh desktop means fresh state.
    // T is constructed as T(Platform&).
    template <class T>
    T& state() {
        auto& slot = state_[std::type_index(typeid(T))];
        if (!slot) {
            slot = std::make_shared<T>(*this);
        }
        return *static_cast<T*>(slot.get());
    }

  private:
    std::unordered_map<std::type_index, std::shared_ptr<void>> state_;
};

// The installed platform. Calling it before install() is a programming error and aborts.
Platform& current();
// Replace the installed platform; returns the previous one (may be null).
std::unique_ptr<Platform> install(std::unique_ptr<Platform> platform);

}  // namespace platform
