// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XdgLoginItem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string_view>

#include <unistd.h>

#include "platform/Files.h"

namespace platform::x11 {

namespace {

// Every session's search path holds these, so the name finds the copy a package manager keeps
// up to date; any other copy (in ~/bin, say) may be on no path the login session knows.
constexpr std::string_view kSystemDirs[] = {"/usr/bin", "/usr/local/bin", "/bin"};

// The command line's quoting: the word as it stands when it needs none, else in double quotes
// with " ` $ and \ escaped. A literal % is doubled, or it would start a field code.
std::string quotedWord(std::string_view word) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string out;
    for (char c : word) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return word.find_first_of(reserved) == std::string_view::npos ? out : '"' + out + '"';
}

// The key file's own escapes, undone before the quoting when the entry is read.
std::string escapedValue(std::string_view value) {
    constexpr std::string_view meant = "\\\n\t\r", escaped = "\\ntr";
    std::string out;
    for (char c : value) {
        const std::size_t k = meant.find(c);
        if (k == std::string_view::npos) {
            out += c;
        } else {
            out += '\\';
            out += escaped[k];
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> XdgLoginItem::execValue(std::string executable) {
    namespace fs = std::filesystem;
    // The link to a program that was replaced while it ran names the new file so.
    constexpr std::string_view replaced = " (deleted)";
    if (executable.ends_with(replaced)) {
        executable.resize(executable.size() - replaced.size());
    }
    // The format allows no '=' in the program's path, quoted or not.
    if (executable.empty() || executable.front() != '/' ||
        executable.find('=') != std::string::npos) {
        return std::nullopt;
    }
    const fs::path path(executable);
    if (path.filename() == "tessavo" &&
        std::ranges::find(kSystemDirs, path.parent_path().string()) != std::end(kSystemDirs)) {
        return "tessavo";
    }
    return escapedValue(quotedWord(executable));
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
    const auto exec = execValue(executable_);
    if (!exec) {
        return {false, "the program's own executable cannot be named in an autostart entry: " +
                           executable_};
    }
    const std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Tessavo\n"
        "Name[ko]=테사보\n"
        "Comment=Covers messenger chat windows\n"
        "Exec=" +
        *exec +
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
