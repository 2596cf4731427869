// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Windows1252.h"

#include <array>

namespace {

// 0x80 to 0x9F; the rest of the page is Latin-1. Zero marks the undefined bytes.
constexpr std::array<char16_t, 32> highTable = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

namespace Windows1252 {

std::optional<char> encode(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    for (std::size_t i = 0; i < highTable.size(); ++i) {
        if (highTable[i] != 0 && highTable[i] == codePoint)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

char32_t decode(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0 && highTable[byte - 0x80] != 0)
        return highTable[byte - 0x80];
    return byte;
}

} // namespace Windows1252
