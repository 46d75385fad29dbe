// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/Kakao.h"

#include "discovery/OnScreen.h"
#include "platform/Platform.h"

namespace Kakao {

void launchIfNeeded() {
    auto& ws = platform::current().workspace();
    if (!ws.runningApplications(kMessengerIdentifier).empty()) {
        return;
    }
    if (const auto location = ws.applicationLocation(kMessengerIdentifier)) {
        ws.launchApplication(*location);
    }
}

}  // namespace Kakao
