#include "engine/IdleWatcher.h"

#include "platform/Platform.h"

double IdleWatcher::idleSeconds() const {
    return platform::current().windowServer().secondsSinceLastInput();
}
