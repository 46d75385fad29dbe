#include "platform/x11/XdgLoginItem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include <unistd.h>

#include "platform/Files.h"

namespace platform::x11 {

namespace {

// Exec takes the path quoted, with the characters the format reserves escaped.
std::string quotedPath(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += "\\\\";
        }
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return quoted + "\"";
}

}  // namespace

std::string XdgLoginItem::execValue(const std::string& executable, const std::string& searchPath) {
    namespace fs = std::filesystem;
    std::istringstream dirs(searchPath);
    for (std::string dir; std::getline(dirs, dir, ':');) {
        // A relative entry would depend on where the session happens to start the program.
        if (dir.empty() || dir.front() != '/') {
            continue;
        }
        const fs::path candidate = fs::path(dir) / "tessavo";
        std::error_code ec;
        if (!fs::is_regular_file(candidate, ec) || ::access(candidate.c_str(), X_OK) != 0) {
            continue;
        }
        // The session starts the first one it finds: the name is right only if that is us.
        return fs::equivalent(candidate, executable, ec) ? "tessavo" : quotedPath(executable);
    }
    return quotedPath(executable);
}

XdgLoginItem::XdgLoginItem(std::string configHome, std::string executable)
    : configHome_(std::move(configHome)), executable_(std::move(executable)) {}

LoginItemStatus XdgLoginItem::status() {
    // Read as every configuration file is: never blocking on a FIFO, never without end.
    const auto text = readWholeFile(entryPath());
    if (!text) {
        return LoginItemStatus::NotRegistered;
    }
    std::istringstream in(*text);
    // A session hides an entry the user switched off in its own settings.
    bool inMainGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
        } else if (inMainGroup &&
                   (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")) {
            return LoginItemStatus::NotRegistered;
        }
    }
    return LoginItemStatus::Enabled;
}

LoginItemResult XdgLoginItem::registerItem() {
    if (executable_.empty()) {
        return {false, "the program's own executable cannot be found"};
    }
    const char* searchPath = std::getenv("PATH");
    const std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Tessavo\n"
        "Name[ko]=테사보\n"
        "Comment=Covers messenger chat windows\n"
        "Exec=" +
        execValue(executable_, searchPath ? searchPath : "") +
        "\n"
        "Icon=tessavo\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    if (auto error = writeFileAtomically(entryPath(), entry, 0644)) {
        return {false, *error};
    }
    return {true, {}};
}

LoginItemResult XdgLoginItem::unregisterItem() {
    if (::unlink(entryPath().c_str()) != 0 && errno != ENOENT) {
        return {false, std::strerror(errno)};
    }
    return {true, {}};
}

}  // namespace platform::x11
