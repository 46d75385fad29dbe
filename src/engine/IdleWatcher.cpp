// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/IdleWatcher.h"

#include "platform/Platform.h"

double IdleWatcher::idleSeconds() const {
    return platform::current().windowServer().secondsSinceLastInput();
}
