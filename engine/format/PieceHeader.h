// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The 8 bytes at the start of a set's first piece: the source's extension in Windows-1252, left
// aligned in the first four, a space, and the piece count as three ASCII digits ("doc  005",
// "docx 005", or blanks for a name without one: "     005").
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct PieceHeader
{
    static constexpr int size = 8;
    static constexpr int extensionSize = 4;

    QString extension; // as read back: the first four bytes less trailing spaces
    int pieceCount = 0;

    // Whether extension comes back unchanged from a header: one to four characters, each one
    // byte of the code page and allowed in a file name, the last one not a space.
    static bool canHold(const QString &extension);
    // The header for an extension that it can hold, or an empty one.
    static QByteArray encode(const QString &extension, int pieceCount);
    // The header at the start of bytes; none when it is not one that a restore may trust: fewer
    // than 8 bytes, a count that is not three digits from 001 to 999, or an extension that holds
    // a folder separator or a control character.
    static std::optional<PieceHeader> decode(const QByteArray &bytes);
};
