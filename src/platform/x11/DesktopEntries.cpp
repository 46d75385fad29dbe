// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/DesktopEntries.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string_view>

#include <QProcess>
#include <QStringList>

#include "platform/Files.h"
#include "platform/x11/AppGroup.h"

namespace platform::x11::DesktopEntries {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> searchDirectories() {
    std::vector<std::string> dirs;
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/') {
        dirs.push_back(std::string(dataHome) + "/applications");
    } else if (home) {
        dirs.push_back(std::string(home) + "/.local/share/applications");
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream list(dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(list, dir, ':');) {
        if (!dir.empty() && dir.front() == '/') {
            dirs.push_back(dir + "/applications");
        }
    }
    return dirs;
}

}  // namespace

// Other groups (actions) are not the application itself. Blanks around '=' do not count.
std::optional<std::string> rawValue(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    bool mainGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() == '[') {
            mainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!mainGroup || line.rfind(key, 0) != 0) {
            continue;
        }
        const std::size_t equals = line.find_first_not_of(' ', key.size());
        if (equals != std::string::npos && line[equals] == '=') {
            const std::size_t value = line.find_first_not_of(' ', equals + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
    }
    return std::nullopt;
}

namespace {

// The escapes of a string value (\s \n \t \r \\). Any other backslash is left as it stands, so
// that Exec's own quoting still sees it.
std::string unescapeValue(const std::string& raw) {
    constexpr std::string_view escaped = "sntr\\", meant = " \n\t\r\\";
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::size_t k =
            raw[i] == '\\' && i + 1 < raw.size() ? escaped.find(raw[i + 1]) : escaped.npos;
        if (k == escaped.npos) {
            out += raw[i];
        } else {
            out += meant[k];
            ++i;
        }
    }
    return out;
}

std::optional<std::string> entryValue(const std::string& path, const std::string& key) {
    const auto text = readWholeFile(path);
    if (!text) {
        return std::nullopt;
    }
    const auto raw = rawValue(*text, key);
    return raw ? std::optional<std::string>(unescapeValue(*raw)) : std::nullopt;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Inside double quotes a backslash escapes only " ` $ and \. Returns the index of the closing
// quote, or npos when there is none.
std::size_t readQuoted(const std::string& line, std::size_t i, std::string& word) {
    for (; i < line.size(); ++i) {
        if (line[i] == '"') {
            return i;
        }
        if (line[i] == '\\' && i + 1 < line.size() &&
            std::string_view("\"`$\\").find(line[i + 1]) != std::string_view::npos) {
            ++i;
        }
        word += line[i];
    }
    return std::string::npos;
}

// Words separated by blanks. Quotes may cover a whole word or part of one; outside them a
// backslash takes the next character as it is.
std::optional<std::vector<std::string>> splitWords(const std::string& line, std::string& error) {
    std::vector<std::string> words;
    std::optional<std::string> word;  // begun, though perhaps empty (a quoted "")
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (isBlank(line[i])) {
            if (word) {
                words.push_back(std::move(*word));
            }
            word.reset();
            continue;
        }
        if (!word) {
            word.emplace();
        }
        if (line[i] == '"') {
            i = readQuoted(line, i + 1, *word);
            if (i == std::string::npos) {
                error = "unterminated quote";
                return std::nullopt;
            }
        } else if (line[i] == '\\') {
            if (++i == line.size()) {
                error = "ends with a backslash";
                return std::nullopt;
            }
            *word += line[i];
        } else {
            *word += line[i];
        }
    }
    if (word) {
        words.push_back(std::move(*word));
    }
    return words;
}

// Codes that give nothing when no files are opened, the deprecated ones included.
bool givesNothing(char code) {
    return std::string_view("fFuUdDnNvm").find(code) != std::string_view::npos;
}

// Field codes inside a word. Those that stand for lists (%F %U %i) cannot be part of one.
std::optional<std::string> expandInWord(const std::string& word, const EntryFields& fields,
                                        std::string& error) {
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            out += word[i];
            continue;
        }
        const char code = i + 1 < word.size() ? word[++i] : '\0';
        if (code == '%') {
            out += '%';
        } else if (code == 'c') {
            out += fields.name;
        } else if (code == 'k') {
            out += fields.location;
        } else if (code == 'F' || code == 'U' || code == 'i') {
            error = std::string("%") + code + " must stand alone";
            return std::nullopt;
        } else if (code == '\0' || !givesNothing(code)) {
            error = "unknown field code %" + (code ? std::string(1, code) : std::string());
            return std::nullopt;
        }
    }
    return out;
}

// Appends the arguments that one word stands for.
bool expandWord(const std::string& word, const EntryFields& fields, std::vector<std::string>& args,
                std::string& error) {
    if (word == "%i") {
        if (!fields.icon.empty()) {
            args.insert(args.end(), {"--icon", fields.icon});
        }
        return true;
    }
    if (word.size() == 2 && word[0] == '%' && givesNothing(word[1])) {
        return true;
    }
    auto expanded = expandInWord(word, fields, error);
    if (expanded) {
        args.push_back(std::move(*expanded));
    }
    return expanded.has_value();
}

bool refused(std::string* why, const std::string& reason) {
    if (why) {
        *why = reason;
    }
    return false;
}

}  // namespace

std::optional<std::string> find(const std::vector<std::string>& names) {
    auto matches = [&](const std::string& s) { return AppGroup::matches(names, s); };
    for (const std::string& dir : searchDirectories()) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
             it.increment(ec)) {
            const fs::path p = it->path();
            if (p.extension() != ".desktop") {
                continue;
            }
            const auto wmClass = entryValue(p.string(), "StartupWMClass");
            if (matches(p.stem().string()) || (wmClass && matches(*wmClass))) {
                return p.string();
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> nameOf(const std::string& path) {
    const auto text = readWholeFile(path, nullptr);
    if (!text) {
        return std::nullopt;
    }
    for (const char* key : {"Name[ko]", "Name"}) {
        if (auto name = rawValue(*text, key); name && !name->empty()) {
            return unescapeValue(*name);
        }
    }
    return std::nullopt;
}

Command commandOf(const std::string& execValue, const EntryFields& fields) {
    std::string error;
    const auto words = splitWords(unescapeValue(execValue), error);
    if (!words) {
        return {{}, error};
    }
    std::vector<std::string> args;
    for (const std::string& word : *words) {
        if (!expandWord(word, fields, args, error)) {
            return {{}, error};
        }
    }
    if (args.empty() || args.front().empty()) {
        return {{}, "no program"};
    }
    return {args, {}};
}

bool launch(const std::string& path, std::string* why) {
    ReadError readError;
    const auto text = readWholeFile(path, &readError);
    if (!text) {
        return refused(why, readError.text);
    }
    const auto exec = rawValue(*text, "Exec");
    if (!exec) {
        return refused(why, "no Exec line");
    }
    const EntryFields fields{unescapeValue(rawValue(*text, "Name").value_or("")),
                             unescapeValue(rawValue(*text, "Icon").value_or("")), path};
    const Command command = commandOf(*exec, fields);
    if (!command.error.empty()) {
        return refused(why, "Exec: " + command.error);
    }
    QStringList args;
    for (std::size_t i = 1; i < command.args.size(); ++i) {
        args << QString::fromStdString(command.args[i]);
    }
    if (!QProcess::startDetached(QString::fromStdString(command.args[0]), args)) {
        return refused(why, "the program could not be started");
    }
    return true;
}

}  // namespace platform::x11::DesktopEntries
