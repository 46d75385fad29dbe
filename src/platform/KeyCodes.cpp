// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyCodes.h"

#include <array>
#include <utility>

namespace KeyCodes {

namespace {
constexpr std::array<std::pair<char32_t, std::uint32_t>, 36> kTable{{
    {U'A', 0x00}, {U'S', 0x01}, {U'D', 0x02}, {U'F', 0x03}, {U'H', 0x04}, {U'G', 0x05},
    {U'Z', 0x06}, {U'X', 0x07}, {U'C', 0x08}, {U'V', 0x09}, {U'B', 0x0B}, {U'Q', 0x0C},
    {U'W', 0x0D}, {U'E', 0x0E}, {U'R', 0x0F}, {U'Y', 0x10}, {U'T', 0x11}, {U'1', 0x12},
    {U'2', 0x13}, {U'3', 0x14}, {U'4', 0x15}, {U'6', 0x16}, {U'5', 0x17}, {U'9', 0x19},
    {U'7', 0x1A}, {U'8', 0x1C}, {U'0', 0x1D}, {U'O', 0x1F}, {U'U', 0x20}, {U'I', 0x22},
    {U'P', 0x23}, {U'L', 0x25}, {U'J', 0x26}, {U'K', 0x28}, {U'N', 0x2D}, {U'M', 0x2E},
}};
}  // namespace

std::optional<std::uint32_t> fromCharacter(char32_t c) {
    for (const auto& [ch, code] : kTable) {
        if (ch == c) {
            return code;
        }
    }
    return std::nullopt;
}

std::optional<char32_t> toCharacter(std::uint32_t keyCode) {
    for (const auto& [ch, code] : kTable) {
        if (code == keyCode) {
            return ch;
        }
    }
    return std::nullopt;
}

}  // namespace KeyCodes
