// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/DesktopPicture.h"

#include <sstream>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include "platform/Files.h"

namespace platform::x11::DesktopPicture {

namespace {

// A file URL or a plain path, as settings hold them.
std::optional<std::string> toPath(std::string value) {
    while (!value.empty() &&
           (value.back() == '\n' || value.back() == '\r' || value.back() == ' ')) {
        value.pop_back();
    }
    if (value.empty()) {
        return std::nullopt;
    }
    if (value.rfind("file://", 0) == 0) {
        const QUrl url(QString::fromStdString(value));
        if (!url.isLocalFile()) {
            return std::nullopt;
        }
        return url.toLocalFile().toStdString();
    }
    if (value.front() != '/') {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::string> fromGSettings(const std::string& output) {
    std::string v = output;
    while (!v.empty() && (v.back() == '\n' || v.back() == ' ')) {
        v.pop_back();
    }
    if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') {
        v = v.substr(1, v.size() - 2);
    }
    return toPath(v);
}

std::optional<std::string> fromXfceChannel(const std::string& xml) {
    static const QRegularExpression lastImage(
        QStringLiteral(R"re(name="last-image"[^>]*value="([^"]+)")re"));
    const QRegularExpressionMatch m = lastImage.match(QString::fromStdString(xml));
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return toPath(m.captured(1).toStdString());
}

std::optional<std::string> fromPlasmaConfig(const std::string& config) {
    std::istringstream in(config);
    bool wallpaperGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.front() == '[') {
            wallpaperGroup = line.find("[Wallpaper][org.kde.image]") != std::string::npos;
        } else if (wallpaperGroup && line.rfind("Image=", 0) == 0) {
            return toPath(line.substr(6));
        }
    }
    return std::nullopt;
}

std::optional<std::string> find(const std::string& configHome) {
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (!gsettings.isEmpty()) {
        QProcess p;
        p.start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.background"),
                            QStringLiteral("picture-uri")});
        if (p.waitForFinished(1000) && p.exitCode() == 0) {
            if (auto path = fromGSettings(p.readAllStandardOutput().toStdString())) {
                return path;
            }
        }
    }
    if (auto xml =
            readWholeFile(configHome + "/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml")) {
        if (auto path = fromXfceChannel(*xml)) {
            return path;
        }
    }
    if (auto config = readWholeFile(configHome + "/plasma-org.kde.plasma.desktop-appletsrc")) {
        return fromPlasmaConfig(*config);
    }
    return std::nullopt;
}

}  // namespace platform::x11::DesktopPicture
