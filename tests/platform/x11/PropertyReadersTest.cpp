// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/x11/Snapshot.h"
#include "platform/x11/Xcb.h"

using namespace platform::x11;
using Words = std::vector<std::uint32_t>;
using Strings = std::vector<std::string>;

namespace {

constexpr xcb_atom_t kUtf8 = 300;  // an interned atom, as the server might number it

// A reply as xcb hands it over: the fixed part, then the value, in one malloc'd block.
PropertyReply reply(xcb_atom_t type, std::uint8_t format, const void* value, std::size_t size) {
    auto* r = static_cast<xcb_get_property_reply_t*>(
        std::calloc(1, sizeof(xcb_get_property_reply_t) + size + 4));
    r->response_type = 1;
    r->format = format;
    r->type = type;
    r->value_len = format == 0 ? 0 : static_cast<std::uint32_t>(size / (format / 8));
    r->length = static_cast<std::uint32_t>((size + 3) / 4);
    if (size > 0) {
        std::memcpy(r + 1, value, size);
    }
    return PropertyReply(r);
}
PropertyReply words(xcb_atom_t type, const Words& v) {
    return reply(type, 32, v.data(), v.size() * 4);
}
PropertyReply text(xcb_atom_t type, const std::string& s) {
    return reply(type, 8, s.data(), s.size());
}

}  // namespace

// A window list, an atom list and a number all come as 32-bit values: only the type tells them
// apart, and a value of the wrong one must not pass for a window or a process. Text reads only
// when of one of the text types.
TEST(PropertyReaders, ListsAndTextReadOnlyWithTheExpectedTypeAndFormat) {
    const auto windows = words(XCB_ATOM_WINDOW, {0x400001, 0x400002, 0x400003});
    EXPECT_EQ(cardinals(windows, XCB_ATOM_WINDOW), (Words{0x400001, 0x400002, 0x400003}));
    EXPECT_EQ(firstCardinal(windows, XCB_ATOM_WINDOW), 0x400001u);
    EXPECT_FALSE(cardinals(windows, XCB_ATOM_CARDINAL));
    EXPECT_FALSE(cardinals(text(XCB_ATOM_WINDOW, "abcd"), XCB_ATOM_WINDOW));   // 8-bit
    EXPECT_FALSE(cardinals(reply(XCB_NONE, 0, nullptr, 0), XCB_ATOM_WINDOW));  // none such
    EXPECT_FALSE(cardinals(PropertyReply(), XCB_ATOM_WINDOW));  // the window was gone

    const xcb_atom_t textTypes[] = {XCB_ATOM_STRING, kUtf8};
    EXPECT_EQ(bytes(text(kUtf8, "채팅 1"), textTypes), "채팅 1");
    EXPECT_FALSE(bytes(text(XCB_ATOM_STRING, "chat"), kUtf8));
    EXPECT_FALSE(bytes(text(XCB_ATOM_ATOM, "chat"), textTypes));
    EXPECT_FALSE(bytes(words(XCB_ATOM_STRING, {0x61626364}), textTypes));  // 32-bit
    EXPECT_EQ(bytes(text(kUtf8, std::string("a\0b", 3)), kUtf8), std::string("a\0b", 3));

    // WM_CLASS: instance and class, each ended by a NUL, though the last one may lack it.
    for (const std::size_t size : {20u, 19u}) {
        const auto value = text(XCB_ATOM_STRING, std::string("kakaotalk\0KakaoTalk\0", size));
        EXPECT_EQ(nulSeparated(value, textTypes), (Strings{"kakaotalk", "KakaoTalk"})) << size;
    }
}

// WM_NAME of a client without a UTF-8 title, in each of the text types a client may use.
TEST(PropertyReaders, LegacyTitlesDecodeToUtf8) {
    Atoms atoms;
    atoms.utf8String = kUtf8;
    atoms.compoundText = 301;
    const std::tuple<xcb_atom_t, std::string, std::string> titles[] = {
        {kUtf8, "채팅 1", "채팅 1"},
        {XCB_ATOM_STRING, "caf\xe9 \xff", "caf\xc3\xa9 \xc3\xbf"},  // Latin-1
        {XCB_ATOM_ATOM, "chat", ""},
        // Compound text keeps what lies outside its escape sequences, whatever their final
        // byte: ESC ( 0 (line drawing) ends at the '0' and takes no text with it.
        {301, "\x1b(Br\x1b-A\xe9sum\xe9", "r\xc3\xa9sum\xc3\xa9"},
        {301, "\x1b(0lqqk\x1b(Bok", "lqqkok"},
        {301, "ab\x1b", "ab"},
    };
    for (const auto& [type, value, utf8] : titles) {
        EXPECT_EQ(decodeLegacyTitle(text(type, value), atoms), utf8) << value;
    }
}
