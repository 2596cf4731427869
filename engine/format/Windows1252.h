// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The French Windows code page, in which the piece header stores the extension, one byte per
// character, so that piece sets travel between this program and its Windows users.
#pragma once

#include <QChar>

#include <optional>

namespace Windows1252 {

// The byte for a code point, or none when the code page cannot hold it.
std::optional<char> encode(char32_t codePoint);
// The character of a byte. The five bytes that the code page leaves undefined decode to the
// control characters of the same number, as Windows does.
char32_t decode(unsigned char byte);

} // namespace Windows1252
