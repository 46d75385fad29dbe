// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop entries: the bytes as an entry file whose Exec, Name and Icon are read and turned
// into a command as a launch would, and as words that, quoted and escaped the way an entry
// writer must, come back out of the Exec parser unchanged.

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/x11/DesktopEntries.h"

namespace entries = platform::x11::DesktopEntries;

namespace {

// One word inside double quotes: " ` $ and \ escaped, % doubled.
std::string quoted(const std::string& word) {
    std::string out = "\"";
    for (const char c : word) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        out += c;
        if (c == '%') {
            out += '%';
        }
    }
    return out + '"';
}

// A string value as a file holds it: backslashes and line breaks escaped.
std::string escaped(const std::string& value) {
    std::string out;
    for (const char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::vector<std::string> splitAtNul(const std::string& s) {
    std::vector<std::string> parts(1);
    for (const char c : s) {
        if (c == '\0') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

void checkCommand(const entries::Command& c) {
    if (c.error.empty()) {
        FUZZ_CHECK(!c.args.empty() && !c.args.front().empty());
    } else {
        FUZZ_CHECK(c.args.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The entry as a file, read as a launch reads it (Name and Icon only fill in field codes).
    const auto exec = entries::rawValue(text, "Exec");
    const entries::EntryFields fields{entries::rawValue(text, "Name").value_or(""),
                                      entries::rawValue(text, "Icon").value_or(""),
                                      "/usr/share/applications/fuzz.desktop"};
    if (exec) {
        FUZZ_CHECK(exec->find('\n') == std::string::npos);  // one line, escapes in place
        checkCommand(entries::commandOf(*exec, fields));
    }

    // The bytes as an Exec value, with and without the entry's fields.
    checkCommand(entries::commandOf(text));
    checkCommand(entries::commandOf(text, fields));

    // Any words (no NUL can be written) survive quoting and escaping, field codes included.
    const std::vector<std::string> words = splitAtNul(text);
    if (!words.front().empty()) {
        std::string line;
        for (const std::string& w : words) {
            line += (line.empty() ? "" : " ") + quoted(w);
        }
        const std::string file = "[Desktop Entry]\nExec=" + escaped(line) + "\n";
        const auto read = entries::rawValue(file, "Exec");
        FUZZ_CHECK(read.has_value());
        const entries::Command c = entries::commandOf(*read, fields);
        FUZZ_CHECK(c.error.empty());
        FUZZ_CHECK(c.args == words);
    }
    return 0;
}
