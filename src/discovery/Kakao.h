// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The messenger as an application.
namespace Kakao {

// Starts the messenger when it is installed and not running; the outcome is not awaited.
void launchIfNeeded();

}  // namespace Kakao
