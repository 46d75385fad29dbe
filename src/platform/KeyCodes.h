// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

// Hot keys name their key by its virtual key code on an ANSI keyboard (A = 0, S = 1, ...,
// K = 40, 1 = 18, 0 = 29), whatever the desktop. Exactly A–Z and 0–9 have one.
namespace KeyCodes {

std::optional<std::uint32_t> fromCharacter(char32_t c);
std::optional<char32_t> toCharacter(std::uint32_t keyCode);

}  // namespace KeyCodes
