// SPDX-License-Identifier: GPL-3.0-or-later
#include "switcher/ChatSwitcher.h"

#include <algorithm>
#include <cmath>

#include <QPointer>

#include "common/Log.h"

namespace {

QString upperCased(const std::string& s) {
    return QString::fromStdString(s).toUpper();
}

// The first character of a stored hot key, upper-cased; absent when the key is empty.
std::optional<char32_t> keyCharacter(const std::string& stored) {
    const std::u32string upper = upperCased(stored).toStdU32String();
    if (upper.empty()) {
        return std::nullopt;
    }
    return upper.front();
}

}  // namespace

ChatSwitcher::ChatSwitcher(WindowTracker& tracker) : QObject(&tracker), tracker_(tracker) {
    loadSettings();
    connect(&tracker, &WindowTracker::chatsChanged, this, &ChatSwitcher::updateSwitcher);
    connect(&tracker, &WindowTracker::chatsCleared, this, &ChatSwitcher::hideBar);
    connect(&tracker, &WindowTracker::started, this, &ChatSwitcher::startHotkeys);
}

// Runs while the tracker is being torn down: touches nothing of it.
ChatSwitcher::~ChatSwitcher() = default;

void ChatSwitcher::loadSettings() {
    const auto& store = Settings::d();
    userOrder = store.stringArrayForKey(Settings::key::kOrder).value_or(std::vector<std::string>{});
    customLabels = store.dictionaryForKey(Settings::key::kLabels).value_or(Settings::StringMap{});
    chatKeys = store.dictionaryForKey(Settings::key::kChatKeys).value_or(Settings::StringMap{});
}

// ---- the list and its labels ----

void ChatSwitcher::updateSwitcher(const std::vector<KWindow>& wins,
                                  std::optional<WindowID> protect) {
    rebuildOrder(wins);
    rememberTitles(wins);
    std::optional<WindowID> main;
    switchList = arrangedList(main);
    hasMain = main.has_value();
    if (switchList.empty()) {
        hideBar();
        return;
    }
    if (!bar) {
        bar = makeBar();
    }
    int active = -1;
    if (protect && !tracker_.isForceCovered(*protect)) {
        if (auto it = std::find(switchList.begin(), switchList.end(), *protect);
            it != switchList.end()) {
            active = static_cast<int>(it - switchList.begin());
        }
    }
    showBar(active);
    updateBadges(active);
}

// Closed windows leave the order; new ones join at its end.
void ChatSwitcher::rebuildOrder(const std::vector<KWindow>& wins) {
    std::set<WindowID> alive;
    for (const KWindow& w : wins) {
        alive.insert(w.id);
    }
    std::erase_if(order, [&](WindowID id) { return !alive.contains(id); });
    std::set<WindowID> known(order.begin(), order.end());
    for (const KWindow& w : wins) {
        if (known.insert(w.id).second) {
            order.push_back(w.id);
        }
    }
}

void ChatSwitcher::rememberTitles(const std::vector<KWindow>& wins) {
    titles_.clear();
    apps_.clear();
    for (const KWindow& w : wins) {
        titles_[w.id] = w.title;
        apps_[w.id] = w.app;
    }
}

bool ChatSwitcher::isMessengers(WindowID id) const {
    const auto it = apps_.find(id);
    return it != apps_.end() && it->second.empty();
}

// The main window first, then the messenger's chats, then the other applications' windows;
// within each, those the user put in order (each stored key places at most one window), then
// the rest as first seen.
std::vector<ChatSwitcher::WindowID> ChatSwitcher::arrangedList(
    std::optional<WindowID>& main) const {
    for (const WindowID id : order) {
        if (const auto t = titles_.find(id);
            isMessengers(id) && t != titles_.end() && t->second == kMainTitle) {
            main = id;
            break;
        }
    }
    std::vector<WindowID> list;
    if (main) {
        list.push_back(*main);
    }
    for (const bool messengers : {true, false}) {
        std::vector<WindowID> rest;
        for (const WindowID id : order) {
            if (id != main && isMessengers(id) == messengers) {
                rest.push_back(id);
            }
        }
        std::set<WindowID> placed;
        for (const std::string& wanted : userOrder) {
            const auto at = std::find_if(rest.begin(), rest.end(), [&](WindowID id) {
                return !placed.contains(id) && tracker_.keyOf(id) == wanted;
            });
            if (at != rest.end()) {
                list.push_back(*at);
                placed.insert(*at);
            }
        }
        for (const WindowID id : rest) {
            if (!placed.contains(id)) {
                list.push_back(id);
            }
        }
    }
    return list;
}

std::string ChatSwitcher::titleAt(int i) const {
    auto it = titles_.find(switchList[static_cast<std::size_t>(i)]);
    return it == titles_.end() ? std::string() : it->second;
}

std::string ChatSwitcher::keyAt(int i) const {
    return tracker_.keyOf(switchList[static_cast<std::size_t>(i)]);
}

bool ChatSwitcher::validPosition(int i) const {
    return i >= 0 && static_cast<std::size_t>(i) < switchList.size();
}

std::string ChatSwitcher::label(int i) const {
    if (!validPosition(i)) {
        return std::to_string(i + 1);
    }
    if (auto it = customLabels.find(keyAt(i)); it != customLabels.end() && !it->second.empty()) {
        return it->second;
    }
    if (i == 0 && hasMain) {
        return "K";
    }
    return std::to_string(hasMain ? i : i + 1);
}

// One entry a key: windows of one title share their label and key, and two rows for them would
// each store their own, the later one undoing what was typed in the first.
std::vector<ChatEntry> ChatSwitcher::currentChats() const {
    std::vector<ChatEntry> out;
    std::set<std::string> listed;
    for (std::size_t i = hasMain ? 1 : 0; i < switchList.size(); ++i) {
        const int at = static_cast<int>(i);
        std::string key = keyAt(at);
        if (const std::string t = titleAt(at); !t.empty() && listed.insert(key).second) {
            out.push_back({std::move(key), t, apps_.at(switchList[i])});
        }
    }
    return out;
}

// ---- the bar and the badges ----

std::unique_ptr<SwitcherBar> ChatSwitcher::makeBar() {
    auto made = std::make_unique<SwitcherBar>();
    connect(made.get(), &SwitcherBar::pickRequested, this, &ChatSwitcher::pick);
    connect(made.get(), &SwitcherBar::toggleCoverRequested, this, &ChatSwitcher::toggleCover);
    connect(made.get(), &SwitcherBar::arrangeRequested, this, &ChatSwitcher::arrangeStack);
    connect(made.get(), &SwitcherBar::settingsRequested, this,
            &ChatSwitcher::openSettingsRequested);
    return made;
}

void ChatSwitcher::showBar(int active) {
    const int count = static_cast<int>(switchList.size());
    std::set<int> coverOff;
    std::vector<QString> labels;
    labels.reserve(switchList.size());
    for (int i = 0; i < count; ++i) {
        if (tracker_.isExcluded(keyAt(i))) {
            coverOff.insert(i);
        }
        labels.push_back(QString::fromStdString(label(i)));
    }
    bar->view->setContent(count, active, std::move(coverOff), std::move(labels));
    fitBarWidth();
    if (!bar->placed) {
        bar->placeInitially();
        bar->placed = true;
    }
    if (!bar->isVisible()) {
        bar->orderFront();
        shownCovers_.clear();
    }
    keepBarAboveCovers();
}

// The bar grows and shrinks about its centre.
void ChatSwitcher::fitBarWidth() {
    const double w = SwitcherBarView::widthFor(static_cast<int>(switchList.size()));
    const platform::Rect f = bar->frame();
    if (std::abs(f.width - w) <= 0.5) {
        return;
    }
    const double centre = f.midX();
    bar->setContentWidth(w);
    if (bar->placed) {
        bar->setFrameOrigin({centre - w / 2, f.y});
    }
}

// A cover that has just been put on screen lies above the bar: raise the bar again.
void ChatSwitcher::keepBarAboveCovers() {
    std::set<WindowID> shown = tracker_.visibleCovers();
    const bool fresh = std::any_of(shown.begin(), shown.end(),
                                   [&](WindowID id) { return !shownCovers_.contains(id); });
    shownCovers_ = std::move(shown);
    if (fresh) {
        bar->orderFront();
    }
}

void ChatSwitcher::updateBadges(int active) {
    for (int i = 0; i < static_cast<int>(switchList.size()); ++i) {
        tracker_.setBadge(switchList[static_cast<std::size_t>(i)], bar->view->labelAt(i),
                          i == active);
    }
}

void ChatSwitcher::hideBar() {
    if (bar && bar->isVisible()) {
        bar->hide();
    }
}

// ---- actions on a position ----

void ChatSwitcher::pick(int i) {
    if (!validPosition(i)) {
        return;
    }
    const WindowID id = switchList[static_cast<std::size_t>(i)];
    const auto cached = titles_.find(id);
    Log::line("PICK i=" + std::to_string(i) + " '" +
              (cached == titles_.end() ? std::string("?") : cached->second) + "'");
    tracker_.pick(id, kPickGrace);
}

// Switches covering off for a chat, or back on, at once.
void ChatSwitcher::toggleCover(int i) {
    if (validPosition(i)) {
        tracker_.toggleCovering(switchList[static_cast<std::size_t>(i)]);
    }
}

void ChatSwitcher::arrangeStack() {
    tracker_.stackChats(switchList);
}

// ---- settings and hot keys ----

void ChatSwitcher::reloadSettings() {
    tracker_.reloadSettings();
    loadSettings();
    applyHotkeyKeys();
    applyModifiers();
    tracker_.refresh();  // a chat taken off the never-covered list is covered now
}

HotkeyManager& ChatSwitcher::hotkeys() {
    if (!hotkeys_) {
        const QPointer<ChatSwitcher> self(this);
        hotkeys_ = std::make_unique<HotkeyManager>([self](char32_t c) {
            if (self) {
                self->onHotkey(c);
            }
        });
    }
    return *hotkeys_;
}

void ChatSwitcher::startHotkeys() {
    applyHotkeyKeys();
    applyModifiers();
}

void ChatSwitcher::applyModifiers() {
    if (const std::uint32_t mod = Settings::hotkeyMod(); mod != hotkeys().modifiers) {
        hotkeys().modifiers = mod;
        hotkeys().reRegister();
    }
}

void ChatSwitcher::applyHotkeyKeys() {
    std::u32string s = U"K";
    for (const auto& [title, key] : chatKeys) {
        if (const auto c = keyCharacter(key)) {
            s += *c;
        }
    }
    if (s != hotkeys().keys) {
        hotkeys().keys = s;
        hotkeys().reRegister();
    }
}

void ChatSwitcher::onHotkey(char32_t c) {
    if (c == U'K') {
        if (hasMain) {
            pick(0);
        }
        return;
    }
    for (std::size_t i = hasMain ? 1 : 0; i < switchList.size(); ++i) {
        const auto key = chatKeys.find(keyAt(static_cast<int>(i)));
        if (key != chatKeys.end() && keyCharacter(key->second) == c) {
            pick(static_cast<int>(i));
            return;
        }
    }
}
