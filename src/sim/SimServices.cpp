// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimServices.h"

namespace platform::sim {

std::optional<Screen> SimScreens::mainScreen() {
    if (!m_.mainScreen || *m_.mainScreen >= m_.screens.size()) {
        return std::nullopt;
    }
    return m_.screens[*m_.mainScreen];
}

LoginItemResult SimLoginItem::registerItem() {
    m_.note("login item register");
    if (m_.registerError) {
        return {false, *m_.registerError};
    }
    m_.loginStatus = LoginItemStatus::Enabled;
    return {true, {}};
}

LoginItemResult SimLoginItem::unregisterItem() {
    m_.note("login item unregister");
    if (m_.unregisterError) {
        return {false, *m_.unregisterError};
    }
    m_.loginStatus = LoginItemStatus::NotRegistered;
    return {true, {}};
}

void SimClock::sleep(double seconds) {
    m_.note("sleep " + std::to_string(static_cast<long long>(seconds * 1e6)) + "us");
    m_.now += seconds;
}

}  // namespace platform::sim
