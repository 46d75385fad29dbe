// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

class QString;

// The end of the program when its X server goes away (killed, crashed, or the connection was
// cut). Qt's connection and the backend's own may each notice first; both end here alike.
namespace DisplayLoss {

// Distinct from a usage error (2) and from Qt's own exit(1), so a session manager or a
// script can tell that the display, not the program, failed.
inline constexpr int kExitStatus = 3;

// Whether a message of Qt's says that its connection to the X server broke.
bool isConnectionBroken(const QString& message);

// The line on standard error, without its line feed.
std::string explanation();

// Says why (standard error and the debug log) and ends the process at once.
[[noreturn]] void exitNow(const char* noticedBy);

// Routes Qt's notice of a broken connection, and the backend's, to exitNow; every other
// message goes on to the handler installed before. Call before the application object exists.
void install();

}  // namespace DisplayLoss
