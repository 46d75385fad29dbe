#include "platform/x11/XdgLoginItem.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include <unistd.h>

#include "platform/Files.h"

namespace platform::x11 {

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
    // Exec takes the path quoted, with the characters the format reserves escaped.
    std::string quoted = "\"";
    for (char c : executable_) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += "\\\\";
        }
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    quoted += "\"";
    const std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Tessavo\n"
        "Name[ko]=테사보\n"
        "Comment=Covers messenger chat windows\n"
        "Exec=" +
        quoted +
        "\n"
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
