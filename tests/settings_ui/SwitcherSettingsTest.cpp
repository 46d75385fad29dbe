// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLineEdit>

#include "SimFixture.h"
#include "common/Settings.h"
#include "discovery/OnScreen.h"
#include "settings_ui/SwitcherSettings.h"

using Strings = std::vector<std::string>;

namespace {

// The messenger's chats by title, then another application's windows as "app:title".
std::vector<ChatEntry> entries(const Strings& titles) {
    std::vector<ChatEntry> out;
    for (const std::string& t : titles) {
        const auto colon = t.find(':');
        const std::string app = colon == std::string::npos ? "" : t.substr(0, colon);
        std::string key = t;
        if (!app.empty()) {
            key[colon] = '\x1f';
        }
        out.push_back({key, app.empty() ? t : t.substr(colon + 1), app});
    }
    return out;
}

}  // namespace

// Keys and labels as they are stored, including text a user may type or paste that once stored
// a label or key the rest of the program misreads.
TEST(SwitcherSettingsRules, KeysAndLabelsAsTheyAreStoredAreNeverMisread) {
    const auto key = [](const char* typed) {
        return SwitcherSettings::normalisedKey(QString::fromUtf8(typed)).value_or("none");
    };
    const auto label = [](const char* typed) {
        return SwitcherSettings::normalisedLabel(QString::fromUtf8(typed)).value_or("none");
    };
    // K is the main window's; white space from any keyboard counts (a Korean one types U+3000).
    // The switcher reads a key by its first code point: a K with a mark or joiner after it would
    // take the main window's K.
    const std::pair<const char*, const char*> keys[] = {
        {"k", "none"},       {" a ", "A"},          {"-", "none"},    {"7", "7"},
        {"한글", "한"},      {"", "none"},          {"\u3000a", "A"}, {"k\u0301", "none"},
        {"K\u200d", "none"}, {"a\u0301", "A\u0301"}};
    for (const auto& [typed, stored] : keys) {
        EXPECT_EQ(key(typed), QString::fromUtf8(stored)) << typed;
    }
    // Two characters as a reader counts them: a syllable in jamo, a flag, an accented letter.
    // Two characters cut from "A B" end at the blank between them, which is trimmed too. A code
    // point the boundary finder has no data for stays whole (never half a pair).
    // clang-format off
    const std::pair<const char*, const char*> labels[] = {
        {" ABC ", "AB"}, {"\u3000팀장님\u3000", "팀장"}, {"\u3000 \u00a0", "none"},
        {"\u1112\u1161\u11ab\u1100\u1173\u11af\u1105", "\u1112\u1161\u11ab\u1100\u1173\u11af"},
        {"🇰🇷🇯🇵🇺🇸", "🇰🇷🇯🇵"}, {"e\u0301e\u0301e", "e\u0301e\u0301"}, {" A B", "A"}, {"가\t나다", "가"},
        {"!\U00011FFF", "!\U00011FFF"}, {"\U00011FFF\U00011FFF\U00011FFF", "\U00011FFF\U00011FFF"}};
    // clang-format on
    for (const auto& [typed, stored] : labels) {
        EXPECT_EQ(label(typed), QString::fromUtf8(stored)) << typed;
        EXPECT_TRUE(label(typed).isValidUtf16()) << typed;
    }
}

class SwitcherSettingsTest : public SimTest {
  protected:
    void SetUp() override {
        Settings::d().setDictionary(Settings::key::kLabels,
                                    {{"팀", "T"}, {"닫힌 채팅", "X"}, {"가족", "가"}});
        Settings::d().setDictionary(Settings::key::kChatKeys, {{"닫힌 채팅", "Z"}, {"팀", "T"}});
    }
};

// Rows move within their own block: the messenger's chats always come before other
// applications' windows.
TEST_F(SwitcherSettingsTest, MovingARowKeepsWhatWasTypedOnItsChat) {
    auto w = std::make_unique<SwitcherSettings>(entries({"팀", "가족", "친구", "slack:팀"}));
    w->rows[0].label->setText(QStringLiteral(" 팀장님 "));
    w->rows[2].key->setText(QStringLiteral("f"));
    w->rowDown(0);
    EXPECT_EQ(w->chats, entries({"가족", "팀", "친구", "slack:팀"}));
    EXPECT_EQ(w->rows[1].label->text(), QStringLiteral("팀장"));  // committed and normalised
    EXPECT_EQ(w->rows[2].key->text(), "F");
    w->rowUp(0);    // the first row cannot go up
    w->rowDown(3);  // nor the last down
    w->rowDown(2);  // nor a messenger chat below another application's window
    w->rowUp(3);
    w->rowUp(2);
    EXPECT_EQ(w->chats, entries({"가족", "친구", "팀", "slack:팀"}));
}

// Brought forward again, the window shows the chats open now in the switcher's order, with what
// was typed for those still open: applying never writes the order of chats that closed.
TEST_F(SwitcherSettingsTest, BroughtForwardItShowsTheChatsOpenNow) {
    auto w = std::make_unique<SwitcherSettings>(entries({"팀", "가족", "친구"}));
    w->rows[0].label->setText(QStringLiteral(" 팀장님 "));
    w->rows[0].key->setText(QStringLiteral("q"));
    w->rows[1].label->setText(QStringLiteral("엄마"));  // its chat closes
    w->refreshChats(entries({"새 채팅", "친구", "팀"}));
    ASSERT_EQ(w->rows.size(), 3u);
    EXPECT_EQ(w->rows[2].label->text(), QStringLiteral(" 팀장님 "));
    EXPECT_EQ(w->rows[2].key->text(), "q");
    w->applyTapped();
    const auto& store = Settings::d();
    EXPECT_EQ(store.stringArrayForKey(Settings::key::kOrder), (Strings{"새 채팅", "친구", "팀"}));
    EXPECT_EQ(store.dictionaryForKey(Settings::key::kLabels),
              (Settings::StringMap{{"닫힌 채팅", "X"}, {"가족", "가"}, {"팀", "팀장"}}));
    EXPECT_EQ(store.dictionaryForKey(Settings::key::kChatKeys),
              (Settings::StringMap{{"닫힌 채팅", "Z"}, {"팀", "Q"}}));
}

// A window titled like a messenger chat keeps its own label and key; the applications listed
// are stored as they were edited, and the choices are the open windows' other applications.
TEST_F(SwitcherSettingsTest, AnotherApplicationsWindowAndTheProtectedListAreStoredApart) {
    Settings::d().setStringArray(Settings::key::kApps, {" Slack ", "slack", "Signal"});
    sim.addApp(500, kMessengerIdentifier, "KakaoTalk");
    sim.addApp(600, "Slack", "Slack");
    sim.addApp(700, "org.example.Editor", "편집기");
    sim.addApp(800, "Discord", "Discord");
    for (const auto& [number, pid] : {std::pair{1, 500}, {2, 600}, {3, 700}, {4, 800}}) {
        sim.addWindow({.number = static_cast<std::uint32_t>(number), .pid = pid, .title = "창"});
    }
    sim.addWindow({.number = 5, .pid = 800, .title = "", .role = platform::WindowRole::Dialog});
    auto w = std::make_unique<SwitcherSettings>(entries({"팀", "slack:팀"}));
    EXPECT_EQ(w->rows[0].label->text(), "T");  // the messenger's, stored under the title
    EXPECT_EQ(w->rows[1].label->text(), "");
    w->rows[1].label->setText(QStringLiteral("슬"));
    w->rows[1].key->setText(QStringLiteral("s"));

    EXPECT_EQ(w->apps->names(), (Strings{"Slack", "Signal"}));
    std::vector<std::string> offered;
    for (const auto& app : w->apps->choices()) {
        offered.push_back(app.identifier);
    }
    EXPECT_EQ(offered, (Strings{"org.example.Editor", "Discord"}));  // not the messenger nor Slack
    w->apps->addApp("discord");
    w->apps->addApp("DISCORD");  // listed already
    w->apps->removeApp(0);
    w->apps->removeApp(7);
    w->applyTapped();
    const auto& store = Settings::d();
    EXPECT_EQ(store.stringArrayForKey(Settings::key::kApps), (Strings{"Signal", "discord"}));
    EXPECT_EQ(store.stringArrayForKey(Settings::key::kOrder), (Strings{"팀", "slack\x1f팀"}));
    const auto labels = store.dictionaryForKey(Settings::key::kLabels).value();
    EXPECT_EQ(labels.at("팀"), "T");
    EXPECT_EQ(labels.at("slack\x1f팀"), "슬");
    EXPECT_EQ(store.dictionaryForKey(Settings::key::kChatKeys).value().at("slack\x1f팀"), "S");
}
