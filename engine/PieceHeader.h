// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The 8 bytes at the start of a set's first piece: the source's last three characters in
// Windows-1252, two spaces, and the piece count as three ASCII digits ("doc  005").
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct PieceHeader
{
    static constexpr int size = 8;

    QString extension; // as read back: the first four bytes less trailing spaces
    int pieceCount = 0;

    // The header for a source whose name ends in extensionText (its last three characters).
    // A character that the code page cannot hold, or that no restore would accept in a file
    // name, is written as '?'.
    static QByteArray encode(const QString &extensionText, int pieceCount);
    // The header at the start of bytes; none when it is not one that a restore may trust: fewer
    // than 8 bytes, a count that is not three digits from 001 to 999, or an extension that holds
    // a folder separator or a control character.
    static std::optional<PieceHeader> decode(const QByteArray &bytes);
};
