// SPDX-License-Identifier: GPL-3.0-or-later
// Window titles as clients write them: UTF8_STRING, STRING (Latin-1) and COMPOUND_TEXT, decoded
// from a property reply laid out as xcb hands it over.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "platform/x11/Atoms.h"
#include "platform/x11/Snapshot.h"
#include "platform/x11/Xcb.h"

using namespace platform::x11;

namespace {

constexpr xcb_atom_t kUtf8 = 301;
constexpr xcb_atom_t kCompound = 302;

PropertyReply reply(xcb_atom_t type, std::uint8_t format, const std::string& value) {
    auto* r = static_cast<xcb_get_property_reply_t*>(
        std::calloc(1, sizeof(xcb_get_property_reply_t) + value.size() + 4));
    r->response_type = 1;
    r->format = format;
    r->type = type;
    const std::size_t unit = format >= 8 ? format / 8 : 1;
    r->value_len = format == 0 ? 0 : static_cast<std::uint32_t>(value.size() / unit);
    r->length = static_cast<std::uint32_t>((value.size() + 3) / 4);
    if (!value.empty()) {
        std::memcpy(r + 1, value.data(), value.size());
    }
    return PropertyReply(r);
}

// Well-formed escape sequences (ESC, intermediates 0x20-0x2F, one final 0x30-0x7E) around
// plain text: what a COMPOUND_TEXT writer produces. The input's bytes choose both; the plain
// bytes are returned in `plain`.
std::string compoundFrom(const std::string& in, std::string& plain) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto b = static_cast<unsigned char>(in[i]);
        if (b != 0x1b) {
            out += in[i];
            plain += in[i];
            continue;
        }
        out += '\x1b';
        // The next byte says how many intermediates follow, the one after which final.
        const unsigned n = i + 1 < in.size() ? static_cast<unsigned char>(in[++i]) % 3 : 1;
        for (unsigned k = 0; k < n; ++k) {
            out += static_cast<char>(0x20 + (k * 7 + n) % 0x10);
        }
        const unsigned f = i + 1 < in.size() ? static_cast<unsigned char>(in[++i]) : 'B';
        out += static_cast<char>(0x30 + f % (0x7f - 0x30));
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    Atoms atoms;
    atoms.utf8String = kUtf8;
    atoms.compoundText = kCompound;

    // UTF-8 is taken as the client wrote it.
    FUZZ_CHECK(decodeLegacyTitle(reply(kUtf8, 8, in), atoms) == in);

    // Latin-1 always gives valid UTF-8, one or two bytes for each byte and ASCII unchanged.
    const std::string latin = decodeLegacyTitle(reply(XCB_ATOM_STRING, 8, in), atoms);
    FUZZ_CHECK(latin == latin1ToUtf8(in));
    FUZZ_CHECK(fuzz::isUtf8(latin));
    FUZZ_CHECK(latin.size() >= in.size() && latin.size() <= 2 * in.size());
    FUZZ_CHECK(QString::fromUtf8(latin.data(), static_cast<qsizetype>(latin.size())).size() ==
               static_cast<qsizetype>(in.size()));

    // Compound text, however malformed, still gives valid UTF-8 ...
    const std::string compound = decodeLegacyTitle(reply(kCompound, 8, in), atoms);
    FUZZ_CHECK(fuzz::isUtf8(compound));
    if (in.find('\x1b') == std::string::npos) {
        FUZZ_CHECK(compound == latin);
    }
    // ... and, written properly, is exactly its text without the escape sequences.
    std::string plain;
    const std::string written = compoundFrom(in, plain);
    FUZZ_CHECK(decodeLegacyTitle(reply(kCompound, 8, written), atoms) == latin1ToUtf8(plain));

    // Other types and formats are not titles; neither is a missing property.
    FUZZ_CHECK(decodeLegacyTitle(reply(XCB_ATOM_ATOM, 8, in), atoms).empty());
    FUZZ_CHECK(decodeLegacyTitle(reply(kUtf8, 32, in.substr(0, in.size() / 4 * 4)), atoms).empty());
    FUZZ_CHECK(decodeLegacyTitle(reply(XCB_NONE, 0, {}), atoms).empty());
    FUZZ_CHECK(decodeLegacyTitle(PropertyReply(), atoms).empty());

    // WM_CLASS-style lists: the parts joined by NULs give the value back (less a final NUL).
    const xcb_atom_t types[] = {XCB_ATOM_STRING, kUtf8};
    const auto parts = nulSeparated(reply(XCB_ATOM_STRING, 8, in), types);
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        joined += (i ? std::string(1, '\0') : std::string()) + parts[i];
    }
    const bool endsInNul = !in.empty() && in.back() == '\0';
    FUZZ_CHECK(joined == (endsInNul ? in.substr(0, in.size() - 1) : in));
    return 0;
}
