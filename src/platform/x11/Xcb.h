// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <xcb/xcb.h>

// Small RAII and property helpers over xcb. Every reply may be an error (a window vanished
// between two requests): helpers turn that into an empty result.
namespace platform::x11 {

// Replies, events, errors and key code lists all come from malloc and are the caller's to free.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;
using Event = Reply<xcb_generic_event_t>;
using Error = Reply<xcb_generic_error_t>;

struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
// A connection of our own, closed with its owner. It is held even when it failed to open:
// xcb hands out an error object then, which must be closed all the same.
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

// Collect a reply and drop its error, if any.
template <class T, class Cookie, class Fn>
Reply<T> collect(xcb_connection_t* c, Cookie cookie, Fn replyFn) {
    xcb_generic_error_t* error = nullptr;
    Reply<T> reply(replyFn(c, cookie, &error));
    Error dropped(error);
    return reply;
}

using PropertyReply = Reply<xcb_get_property_reply_t>;

xcb_get_property_cookie_t requestProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom,
                                          std::uint32_t maxWords = 1024);
PropertyReply collectProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie);

// Property values; absent when missing, of another type or format, or (a first value) empty.
// A value of an unexpected type is one its writer meant otherwise: it is not guessed at.
std::optional<std::vector<std::uint32_t>> cardinals(const PropertyReply& r, xcb_atom_t type);
std::optional<std::uint32_t> firstCardinal(const PropertyReply& r, xcb_atom_t type);
std::optional<std::string> bytes(const PropertyReply& r, std::span<const xcb_atom_t> types);
std::optional<std::string> bytes(const PropertyReply& r, xcb_atom_t type);
std::vector<std::string> nulSeparated(const PropertyReply& r, std::span<const xcb_atom_t> types);

// Latin-1 (the STRING type) to UTF-8.
std::string latin1ToUtf8(const std::string& s);

// Interns atoms by name, all requests sent before the first reply is read.
std::vector<xcb_atom_t> internAtoms(xcb_connection_t* c, const std::vector<const char*>& names);

// Whether an atom list (a window's types or states) holds `atom`.
inline bool has(const std::vector<xcb_atom_t>& list, xcb_atom_t atom) {
    return std::find(list.begin(), list.end(), atom) != list.end();
}

// EWMH source indication for requests from pagers and other tools acting for the user.
constexpr std::uint32_t kSourcePager = 2;

// A 32-bit client message to the root window, as EWMH requests are sent to the window manager.
void sendRootMessage(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                     std::uint32_t d0, std::uint32_t d1 = 0, std::uint32_t d2 = 0,
                     std::uint32_t d3 = 0, std::uint32_t d4 = 0);

}  // namespace platform::x11
