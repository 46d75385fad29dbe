// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_ui/SwitcherSettings.h"

#include <algorithm>
#include <map>
#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTextBoundaryFinder>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kRowWidth = 440;
constexpr int kListWidth = 446;
constexpr int kMenuStripHeight = 40;

QFont fontOf(int pixelSize, bool bold = false) {
    QFont f = QGuiApplication::font();
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// The first `count` user-perceived characters (a Hangul syllable in jamo, an accented letter,
// an emoji with its modifiers each count once).
QString firstCharacters(const QString& s, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    qsizetype end = 0;
    for (int i = 0; i < count;) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0) {
            break;
        }
        end = next;
        // The finder may cut between the halves of a code point it has no data for (U+11FFF);
        // that is no boundary, and half a code point is no character.
        if (end < s.size() && s[end - 1].isHighSurrogate() && s[end].isLowSurrogate()) {
            continue;
        }
        ++i;
    }
    return s.left(end);
}

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString entryOf(const Settings::StringMap& map, const std::string& title) {
    auto it = map.find(title);
    return it == map.end() ? QString() : qs(it->second);
}

}  // namespace

const std::array<SwitcherSettings::IdleOption, 6> SwitcherSettings::idleOptions{{
    {"끔", 0},
    {"30초", 30},
    {"1분", 60},
    {"3분", 180},
    {"5분", 300},
    {"10분", 600},
}};

const std::array<SwitcherSettings::ModOption, 6> SwitcherSettings::modOptions{{
    {"⌃⌥", 6144, "Ctrl+Alt"},
    {"⌘⌥", 2304, "Super+Alt"},
    {"⌃⇧", 4608, "Ctrl+Shift"},
    {"⌘⇧", 768, "Super+Shift"},
    {"⌥⇧", 2560, "Alt+Shift"},
    {"⌃⌘", 4352, "Ctrl+Super"},
}};

SwitcherSettings::SwitcherSettings(std::vector<ChatEntry> openChats)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      chats(std::move(openChats)),
      labels(
          Settings::d().dictionaryForKey(Settings::key::kLabels).value_or(Settings::StringMap{})),
      keys(Settings::d()
               .dictionaryForKey(Settings::key::kChatKeys)
               .value_or(Settings::StringMap{})) {
    setWindowTitle(QStringLiteral("테사보 설정"));
    setFixedSize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    buildUI();
}

// The layout's frames are given with the origin at the bottom-left of the 500 × 460 content,
// y up, below the menu strip when there is one.
void SwitcherSettings::place(QWidget* w, int x, int y, int width, int height) const {
    w->setGeometry(x, top_ + kHeight - y - height, width, height);
}

void SwitcherSettings::buildUI() {
    auto* heading = new QLabel(QStringLiteral("채팅 순서 · 라벨 · 단축키 (메인 K는 고정)"), this);
    heading->setFont(fontOf(13, true));
    place(heading, 16, 526, 468, 18);

    auto* scroll = new QScrollArea(this);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::StyledPanel);
    place(scroll, 16, 220, 468, 300);
    listStack = new QWidget;
    listLayout_ = new QVBoxLayout(listStack);
    listLayout_->setSpacing(4);
    listLayout_->setContentsMargins(6, 6, 6, 6);
    listLayout_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    scroll->setWidget(listStack);
    rebuildRows();

    auto* appsHeading = new QLabel(QStringLiteral("함께 가릴 앱 (카카오톡은 항상 가림)"), this);
    appsHeading->setFont(fontOf(13, true));
    place(appsHeading, 16, 194, 468, 18);
    apps = new ProtectedAppsList(Settings::protectedApps(), this);
    place(apps, 16, 116, 468, 74);

    auto* idleLabel = new QLabel(QStringLiteral("자리비움 자동 위장:"), this);
    idleLabel->setFont(fontOf(12));
    place(idleLabel, 16, 84, 130, 20);
    idlePopup = new QComboBox(this);
    for (const auto& o : idleOptions) {
        idlePopup->addItem(QString::fromUtf8(o.title));
    }
    place(idlePopup, 150, 80, 90, 26);

    auto* modLabel = new QLabel(QStringLiteral("단축키 조합:"), this);
    modLabel->setFont(fontOf(12));
    place(modLabel, 260, 84, 90, 20);
    modPopup = new QComboBox(this);
    for (const auto& o : modOptions) {
        modPopup->addItem(QString::fromUtf8(o.title));
        modPopup->setItemData(modPopup->count() - 1, QString::fromUtf8(o.keys), Qt::ToolTipRole);
    }
    place(modPopup, 350, 80, 80, 26);

    auto* hint = new QLabel(
        QStringLiteral("라벨=빈칸이면 자동 번호. 단축키=A~Z·0~9 한 글자(K 제외)."), this);
    hint->setFont(fontOf(10));
    hint->setForegroundRole(QPalette::PlaceholderText);
    place(hint, 16, 62, 468, 16);

    wallTitleCheck = new QCheckBox(
        QStringLiteral("배경화면 모드: 제목줄 항상 표시 (끄면 마우스 올렸을 때만)"), this);
    place(wallTitleCheck, 16, 38, 400, 22);
    wallFitCheck = new QCheckBox(
        QStringLiteral("배경화면 모드: 커버를 창에 딱 맞게 (끄면 그림자까지 덮어 더 크게)"), this);
    place(wallFitCheck, 16, 14, 400, 22);

    auto* apply = new QPushButton(QStringLiteral("적용"), this);
    apply->setDefault(true);
    place(apply, 416, 12, 68, 30);
    connect(apply, &QPushButton::clicked, this, &SwitcherSettings::applyTapped);
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
                &SwitcherSettings::applyTapped);
    }
    selectStored();
}

void SwitcherSettings::selectStored() {
    const auto& store = Settings::d();
    const std::int64_t idle = store.storedInteger(Settings::key::kIdleSec).value_or(0);
    auto idleAt = std::find_if(idleOptions.begin(), idleOptions.end(),
                               [&](const IdleOption& o) { return o.seconds == idle; });
    idlePopup->setCurrentIndex(
        idleAt == idleOptions.end() ? 0 : static_cast<int>(idleAt - idleOptions.begin()));
    const std::uint32_t mod = Settings::hotkeyMod();
    auto modAt = std::find_if(modOptions.begin(), modOptions.end(),
                              [&](const ModOption& o) { return o.mask == mod; });
    modPopup->setCurrentIndex(
        modAt == modOptions.end() ? 0 : static_cast<int>(modAt - modOptions.begin()));
    wallTitleCheck->setChecked(store.boolForKey(Settings::key::kWallpaperTitleAlways));
    wallFitCheck->setChecked(store.boolForKey(Settings::key::kWallpaperTightFit));
}

void SwitcherSettings::rebuildRows() {
    while (QLayoutItem* item = listLayout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    rows.clear();
    for (std::size_t i = 0; i < chats.size(); ++i) {
        listLayout_->addWidget(makeRow(static_cast<int>(i), chats[i]));
    }
    const int h = std::max(290, static_cast<int>(chats.size()) * 30 + 12);
    listStack->setFixedSize(kListWidth, h);
}

QWidget* SwitcherSettings::makeRow(int i, const ChatEntry& chat) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setSpacing(6);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(miniButton(QStringLiteral("▲"), &SwitcherSettings::rowUp, i));
    layout->addWidget(miniButton(QStringLiteral("▼"), &SwitcherSettings::rowDown, i));
    auto* name = new QLabel;
    name->setFont(fontOf(12));
    name->setFixedWidth(230);
    // Another application's window says whose it is.
    const QString shown =
        chat.app.empty() ? qs(chat.title) : qs(chat.title) + QStringLiteral(" · ") + qs(chat.app);
    name->setText(name->fontMetrics().elidedText(shown, Qt::ElideRight, 230));
    name->setToolTip(shown);
    layout->addWidget(name);
    auto* label = new QLineEdit(entryOf(labels, chat.key));
    label->setPlaceholderText(QStringLiteral("라벨"));
    label->setFixedSize(50, 22);
    layout->addWidget(label);
    auto* key = new QLineEdit(entryOf(keys, chat.key));
    key->setPlaceholderText(QStringLiteral("키"));
    key->setFixedSize(36, 22);
    layout->addWidget(key);
    layout->addStretch(1);
    row->setFixedWidth(kRowWidth);
    rows.push_back({chat.key, label, key});
    return row;
}

QPushButton* SwitcherSettings::miniButton(const QString& title,
                                          void (SwitcherSettings::*action)(int), int tag) {
    auto* b = new QPushButton(title);
    b->setFixedSize(26, 22);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QPushButton::clicked, this, [this, action, tag] { (this->*action)(tag); });
    return b;
}

std::optional<QString> SwitcherSettings::normalisedLabel(const QString& typed) {
    // Any white space, not only what a Latin keyboard types (a Korean one types U+3000).
    const QString t = typed.trimmed();
    if (t.isEmpty()) {
        return std::nullopt;
    }
    // The cut may end at a blank between words ("A B" gives "A "); a stored label never does.
    return firstCharacters(t, 2).trimmed();
}

std::optional<QString> SwitcherSettings::normalisedKey(const QString& typed) {
    const QString t = typed.toUpper().trimmed();
    if (t.isEmpty()) {
        return std::nullopt;
    }
    const QString c = firstCharacters(t, 1);
    // The switcher goes by the first code point, so a K with marks after it is still K.
    const char32_t first = c.toStdU32String().front();
    if (first == U'K' || !QChar::isLetterOrNumber(first)) {
        return std::nullopt;
    }
    return c;
}

void SwitcherSettings::commitFields() {
    for (const Row& r : rows) {
        if (const auto label = normalisedLabel(r.label->text())) {
            labels[r.chatKey] = label->toStdString();
        } else {
            labels.erase(r.chatKey);
        }
        if (const auto key = normalisedKey(r.key->text())) {
            keys[r.chatKey] = key->toStdString();
        } else {
            keys.erase(r.chatKey);
        }
    }
}

// What was typed is kept as typed, uncommitted, for the chats still open; a closed chat's row
// goes with what was typed in it, and its stored entries pass through unchanged.
void SwitcherSettings::refreshChats(std::vector<ChatEntry> current) {
    std::map<std::string, std::pair<QString, QString>> typed;
    for (const Row& r : rows) {
        typed[r.chatKey] = {r.label->text(), r.key->text()};
    }
    chats = std::move(current);
    rebuildRows();
    for (const Row& r : rows) {
        if (auto it = typed.find(r.chatKey); it != typed.end()) {
            r.label->setText(it->second.first);
            r.key->setText(it->second.second);
        }
    }
}

bool SwitcherSettings::swappable(std::size_t i) const {
    return i + 1 < chats.size() && chats[i].app.empty() == chats[i + 1].app.empty();
}

void SwitcherSettings::rowUp(int i) {
    if (i < 1 || !swappable(static_cast<std::size_t>(i) - 1)) {
        return;
    }
    commitFields();
    std::swap(chats[static_cast<std::size_t>(i)], chats[static_cast<std::size_t>(i) - 1]);
    rebuildRows();
}

void SwitcherSettings::rowDown(int i) {
    if (i < 0 || !swappable(static_cast<std::size_t>(i))) {
        return;
    }
    commitFields();
    std::swap(chats[static_cast<std::size_t>(i)], chats[static_cast<std::size_t>(i) + 1]);
    rebuildRows();
}

void SwitcherSettings::applyTapped() {
    commitFields();
    auto& store = Settings::d();
    std::vector<std::string> order;
    for (const ChatEntry& chat : chats) {
        order.push_back(chat.key);
    }
    store.setStringArray(Settings::key::kOrder, order);
    store.setStringArray(Settings::key::kApps, apps->names());
    store.setDictionary(Settings::key::kLabels, labels);
    store.setDictionary(Settings::key::kChatKeys, keys);
    store.setInteger(Settings::key::kIdleSec,
                     idleOptions[static_cast<std::size_t>(idlePopup->currentIndex())].seconds);
    store.setInteger(Settings::key::kHotkeyMod,
                     modOptions[static_cast<std::size_t>(modPopup->currentIndex())].mask);
    store.setBool(Settings::key::kWallpaperTitleAlways, wallTitleCheck->isChecked());
    store.setBool(Settings::key::kWallpaperTightFit, wallFitCheck->isChecked());
    emit applied();
    close();
}

// A row of buttons above the settings, one per menu item; each mirrors its item's text and
// mark and does what the item does.
void SwitcherSettings::setMenuActions(const QList<QAction*>& actions) {
    if (!menuStrip) {
        top_ = kMenuStripHeight;
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            child->move(child->x(), child->y() + top_);
        }
        setFixedSize(kWidth, kHeight + top_);
        menuStrip = new QWidget(this);
        menuStrip->setGeometry(0, 0, kWidth, kMenuStripHeight);
        new QHBoxLayout(menuStrip);
        menuStrip->show();
    }
    auto* layout = static_cast<QHBoxLayout*>(menuStrip->layout());
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* old = item->widget()) {
            old->hide();
            old->deleteLater();  // it may be the button being clicked right now
        }
        delete item;
    }
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            continue;
        }
        auto* b = new QToolButton(menuStrip);
        b->setDefaultAction(a);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        b->show();
    }
    layout->addStretch(1);
}
