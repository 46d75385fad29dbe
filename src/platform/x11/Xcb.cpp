// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/Xcb.h"

#include <algorithm>
#include <cstring>

namespace platform::x11 {

xcb_get_property_cookie_t requestProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom,
                                          std::uint32_t maxWords) {
    return xcb_get_property(c, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, maxWords);
}

PropertyReply collectProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    return collect<xcb_get_property_reply_t>(c, cookie, xcb_get_property_reply);
}

namespace {

bool holds(const PropertyReply& r, std::uint8_t format, std::span<const xcb_atom_t> types) {
    if (!r || r->format != format || r->type == XCB_NONE) {
        return false;
    }
    return std::any_of(types.begin(), types.end(), [&](xcb_atom_t t) {
        return t == XCB_GET_PROPERTY_TYPE_ANY || t == r->type;
    });
}

}  // namespace

std::optional<std::vector<std::uint32_t>> cardinals(const PropertyReply& r, xcb_atom_t type) {
    if (!holds(r, 32, {&type, 1})) {
        return std::nullopt;
    }
    const int n = xcb_get_property_value_length(r.get()) / 4;
    const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
    return std::vector<std::uint32_t>(v, v + n);
}

std::optional<std::uint32_t> firstCardinal(const PropertyReply& r, xcb_atom_t type) {
    const auto v = cardinals(r, type);
    if (!v || v->empty()) {
        return std::nullopt;
    }
    return v->front();
}

std::optional<std::string> bytes(const PropertyReply& r, std::span<const xcb_atom_t> types) {
    if (!holds(r, 8, types)) {
        return std::nullopt;
    }
    const int n = xcb_get_property_value_length(r.get());
    return std::string(static_cast<const char*>(xcb_get_property_value(r.get())),
                       static_cast<std::size_t>(n));
}

std::optional<std::string> bytes(const PropertyReply& r, xcb_atom_t type) {
    return bytes(r, {&type, 1});
}

std::vector<std::string> nulSeparated(const PropertyReply& r, std::span<const xcb_atom_t> types) {
    std::vector<std::string> out;
    const auto all = bytes(r, types);
    if (!all) {
        return out;
    }
    std::size_t start = 0;
    while (start < all->size()) {
        const std::size_t end = all->find('\0', start);
        out.push_back(
            all->substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return out;
}

std::string latin1ToUtf8(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (unsigned char ch : s) {
        if (ch < 0x80) {
            out += static_cast<char>(ch);
        } else {
            out += static_cast<char>(0xC0 | (ch >> 6));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

std::vector<xcb_atom_t> internAtoms(xcb_connection_t* c, const std::vector<const char*>& names) {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    cookies.reserve(names.size());
    for (const char* name : names) {
        cookies.push_back(
            xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
    }
    std::vector<xcb_atom_t> atoms;
    atoms.reserve(names.size());
    for (auto cookie : cookies) {
        auto reply = collect<xcb_intern_atom_reply_t>(c, cookie, xcb_intern_atom_reply);
        atoms.push_back(reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE});
    }
    return atoms;
}

void sendRootMessage(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                     std::uint32_t d0, std::uint32_t d1, std::uint32_t d2, std::uint32_t d3,
                     std::uint32_t d4) {
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = type;
    ev.data.data32[0] = d0;
    ev.data.data32[1] = d1;
    ev.data.data32[2] = d2;
    ev.data.data32[3] = d3;
    ev.data.data32[4] = d4;
    const std::uint32_t mask =
        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_send_event(c, 0, root, mask, reinterpret_cast<const char*>(&ev));
}

}  // namespace platform::x11
