#include "platform/x11/DesktopEntries.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <QProcess>
#include <QStringList>

#include "platform/Files.h"

namespace platform::x11::DesktopEntries {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

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

// Values of the main group only; other groups (actions) are not the application itself.
std::optional<std::string> entryValue(const std::string& path, const std::string& key) {
    const auto text = readWholeFile(path);
    if (!text) {
        return std::nullopt;
    }
    std::istringstream in(*text);
    bool mainGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() == '[') {
            mainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (mainGroup && line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> find(const std::vector<std::string>& names) {
    std::vector<std::string> wanted;
    for (const auto& n : names) {
        wanted.push_back(lower(n));
    }
    auto matches = [&](const std::string& s) {
        return std::find(wanted.begin(), wanted.end(), lower(s)) != wanted.end();
    };
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

std::vector<std::string> commandOf(const std::string& execLine) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (std::size_t i = 0; i < execLine.size(); ++i) {
        const char c = execLine[i];
        if (quoted && c == '\\' && i + 1 < execLine.size()) {
            word += execLine[++i];
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(word);
            }
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    // Field codes stand for files or URLs to open; the messenger is started with none.
    std::vector<std::string> out;
    for (std::string& w : words) {
        if (w.size() == 2 && w[0] == '%') {
            continue;
        }
        std::string unescaped;
        for (std::size_t i = 0; i < w.size(); ++i) {
            unescaped += w[i];
            if (w[i] == '%' && i + 1 < w.size() && w[i + 1] == '%') {
                ++i;
            }
        }
        out.push_back(unescaped);
    }
    return out;
}

bool launch(const std::string& path) {
    const auto exec = entryValue(path, "Exec");
    if (!exec) {
        return false;
    }
    const auto command = commandOf(*exec);
    if (command.empty()) {
        return false;
    }
    QStringList args;
    for (std::size_t i = 1; i < command.size(); ++i) {
        args << QString::fromStdString(command[i]);
    }
    return QProcess::startDetached(QString::fromStdString(command[0]), args);
}

}  // namespace platform::x11::DesktopEntries
