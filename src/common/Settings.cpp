// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Settings.h"

#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringList>

#include "common/Log.h"
#include "platform/Files.h"
#include "platform/Platform.h"

namespace Settings {

namespace {

// A whole decimal number written as a string (" 30 ", "-1"); absent for anything else.
std::optional<std::int64_t> wholeNumberIn(const QString& s) {
    bool ok = false;
    const qint64 v = s.trimmed().toLongLong(&ok, 10);
    return ok ? std::optional<std::int64_t>(v) : std::nullopt;
}

// Numbers truncate toward zero (clamped to 64 bits); whole numbers written as strings count.
std::optional<std::int64_t> integerIn(const QJsonValue& v) {
    if (v.isString()) {
        return wholeNumberIn(v.toString());
    }
    if (!v.isDouble()) {
        return std::nullopt;
    }
    const qint64 exact = v.toInteger(std::numeric_limits<qint64>::min());
    if (exact != std::numeric_limits<qint64>::min() || v.toDouble() == double(exact)) {
        return exact;
    }
    return platform::truncatedInt(v.toDouble());
}

// Numbers are true when non-zero; of strings only the words a hand edit would use count.
std::optional<bool> boolIn(const QJsonValue& v) {
    if (v.isBool()) {
        return v.toBool();
    }
    if (v.isDouble()) {
        return v.toDouble() != 0;
    }
    const QString s = v.toString().trimmed().toLower();
    if (s == "true" || s == "yes" || s == "1") {
        return true;
    }
    if (s == "false" || s == "no" || s == "0") {
        return false;
    }
    return std::nullopt;
}

bool isBlank(const std::string& bytes) {
    return bytes.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

Store::Store(platform::Platform& platform) : platform_(platform) {
    path_ = platform.workspace().configHome() + "/tessavo/settings.json";
    load();
}

void Store::load() {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path_, ec))) {
        return;
    }
    platform::ReadError error;
    const auto bytes = platform::readWholeFile(path_, &error);
    if (!bytes && error.kind == platform::ReadFailure::notRegularFile) {
        leaveInPlace(error.text);
        return;
    }
    if (!bytes) {
        moveAside(error.text);
        return;
    }
    if (isBlank(*bytes)) {
        return;  // nothing was stored; nothing to keep
    }
    QJsonParseError parseError;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString(*bytes), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        moveAside(parseError.error != QJsonParseError::NoError
                      ? parseError.errorString().toStdString()
                      : std::string("not a JSON object"));
        return;
    }
    // Qt strips U+FEFF from a key when it reads the key back, so such an entry can be neither
    // looked up nor saved under its own name: the next save would turn a stray "\uFEFFpaused"
    // into "paused", or let it overwrite the real one. Only entries found under their name stay.
    const QJsonObject parsed = doc.object();
    for (auto it = parsed.begin(); it != parsed.end(); ++it) {
        if (parsed.value(it.key()) == it.value()) {
            values_.insert(it.key(), it.value());
        }
    }
}

// A FIFO, device or directory is not a file that could be kept under another name: it stays
// where it is, and saves leave it alone too.
void Store::leaveInPlace(const std::string& why) {
    platform_.workspace().systemLog("tessavo: settings file " + path_ + " is unreadable (" + why +
                                    "); left in place, starting from defaults");
}

// Keep the unreadable file under a new name so that nothing the user had is lost, and start
// from defaults. The first write then creates a fresh file.
void Store::moveAside(const std::string& why) {
    char stamp[32];
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    std::string candidate = path_ + ".unreadable-" + stamp;
    for (int i = 2; std::filesystem::exists(std::filesystem::symlink_status(candidate)); ++i) {
        candidate = path_ + ".unreadable-" + stamp + "-" + std::to_string(i);
    }
    std::error_code ec;
    std::filesystem::rename(path_, candidate, ec);
    if (ec) {
        platform_.workspace().systemLog("tessavo: settings file " + path_ + " is unreadable (" +
                                        why + ") and could not be moved aside: " + ec.message());
        return;
    }
    setAside_ = candidate;
    platform_.workspace().systemLog("tessavo: settings file " + path_ + " is unreadable (" + why +
                                    "); kept as " + candidate + ", starting from defaults");
}

std::optional<std::int64_t> Store::storedInteger(const std::string& key) const {
    return integerIn(values_.value(QString::fromStdString(key)));
}

std::int64_t Store::integerForKey(const std::string& key) const {
    return storedInteger(key).value_or(0);
}

std::int64_t Store::integerSetting(const std::string& key) const {
    const KeyRule* rule = ruleFor(key);
    if (!rule || rule->type != Type::integer) {
        return integerForKey(key);
    }
    const auto v = storedInteger(key);
    if (!v || *v < rule->least || *v > rule->most) {
        return rule->fallback;
    }
    return *v;
}

bool Store::boolForKey(const std::string& key) const {
    const KeyRule* rule = ruleFor(key);
    const bool fallback = rule && rule->type == Type::boolean && rule->fallback != 0;
    return boolIn(values_.value(QString::fromStdString(key))).value_or(fallback);
}

std::optional<double> Store::numberForKey(const std::string& key) const {
    const QJsonValue v = values_.value(QString::fromStdString(key));
    if (!v.isDouble()) {
        return std::nullopt;
    }
    return v.toDouble();
}

bool Store::hasObject(const std::string& key) const {
    const QJsonValue v = values_.value(QString::fromStdString(key));
    return !v.isUndefined() && !v.isNull();
}

std::optional<std::vector<std::string>> Store::stringArrayForKey(const std::string& key) const {
    const QJsonValue v = values_.value(QString::fromStdString(key));
    if (!v.isArray()) {
        return std::nullopt;
    }
    std::vector<std::string> out;
    for (const QJsonValue e : v.toArray()) {
        if (!e.isString()) {
            return std::nullopt;
        }
        out.push_back(e.toString().toStdString());
    }
    return out;
}

std::optional<StringMap> Store::dictionaryForKey(const std::string& key) const {
    const QJsonValue v = values_.value(QString::fromStdString(key));
    if (!v.isObject()) {
        return std::nullopt;
    }
    StringMap out;
    const QJsonObject o = v.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!it.value().isString()) {
            return std::nullopt;
        }
        out[it.key().toStdString()] = it.value().toString().toStdString();
    }
    return out;
}

void Store::setInteger(const std::string& key, std::int64_t value) {
    set(key, QJsonValue(qint64{value}));
}

void Store::setBool(const std::string& key, bool value) {
    set(key, QJsonValue(value));
}

void Store::setDouble(const std::string& key, double value) {
    // JSON has no NaN or infinity; such a value would make the file unreadable.
    set(key, std::isfinite(value) ? QJsonValue(value) : QJsonValue(0.0));
}

void Store::setStringArray(const std::string& key, const std::vector<std::string>& value) {
    QJsonArray array;
    for (const auto& s : value) {
        array.append(QString::fromStdString(s));
    }
    set(key, array);
}

void Store::setDictionary(const std::string& key, const StringMap& value) {
    QJsonObject object;
    for (const auto& [k, v] : value) {
        object.insert(QString::fromStdString(k), QString::fromStdString(v));
    }
    set(key, object);
}

// The value holds for this run even when it cannot be saved, so listeners hear of it either way.
void Store::set(const std::string& key, const QJsonValue& value) {
    values_.insert(QString::fromStdString(key), value);
    persist();
    emit changed(key);
}

// The file on disk stays as it was when a save fails (it is replaced whole or not at all).
void Store::persist() {
    const QByteArray bytes = QJsonDocument(values_).toJson(QJsonDocument::Indented);
    const auto error = platform::writeFileAtomically(path_, bytes.toStdString(), 0600);
    if (!error) {
        if (saveFailing_) {
            saveFailing_ = false;
            Log::line("SETTINGS saved again");
        }
        return;
    }
    if (saveFailing_) {
        return;
    }
    saveFailing_ = true;
    platform_.workspace().systemLog("tessavo: cannot save settings to " + path_ + ": " + *error +
                                    "; changes hold until the program ends");
    Log::line("SETTINGS cannot save: " + *error);
    emit saveFailed(*error);
}

Store& d() {
    return platform::current().state<Store>();
}

// Without a usable mask, hot keys would be grabbed with no modifier at all: the rule's range
// sends any other stored value to the default.
std::uint32_t hotkeyMod() {
    static_assert(ruleFor(key::kHotkeyMod)->least >= 0 &&
                  ruleFor(key::kHotkeyMod)->most <= std::numeric_limits<std::uint32_t>::max());
    return static_cast<std::uint32_t>(d().integerSetting(key::kHotkeyMod));
}

std::int64_t idleSec() {
    return d().integerSetting(key::kIdleSec);
}

DisguiseMode disguiseMode() {
    static_assert(ruleFor(key::kDisguiseMode)->least >= 0 &&
                  ruleFor(key::kDisguiseMode)->most <= 1);
    return disguiseModeFromRaw(d().integerSetting(key::kDisguiseMode)).value_or(DisguiseMode::memo);
}

std::optional<platform::Point> barOrigin() {
    Store& s = d();
    const auto x = s.numberForKey(key::kBarX);
    if (!x) {
        return std::nullopt;
    }
    const auto y = s.numberForKey(key::kBarY);
    if (!y) {
        return std::nullopt;
    }
    return platform::Point{*x, *y};
}

std::vector<std::string> protectedApps() {
    std::vector<std::string> out;
    QStringList seen;
    for (const std::string& stored :
         d().stringArrayForKey(key::kApps).value_or(std::vector<std::string>{})) {
        const QString name = QString::fromStdString(stored).trimmed();
        if (!name.isEmpty() && !seen.contains(name, Qt::CaseInsensitive)) {
            seen.push_back(name);
            out.push_back(name.toStdString());
        }
    }
    return out;
}

}  // namespace Settings
