// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Whether a folder can take the files that an operation is about to write, asked before their
// first byte: a folder that cannot be written to, a file system without the room, or a FAT file
// system, where no file reaches 4 GiB, is known before anything is begun.
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace Destination {

// Why a folder cannot take the files: errno of a folder that cannot be written to, or the room
// needed and the room free, or the length of a file past the file system's limit.
struct Refusal
{
    int error = 0;
    qint64 needed = 0;
    qint64 free = 0;
    qint64 tooLong = 0;
};

// Files of FAT file systems stay under this length.
inline constexpr qint64 fatLimit = (qint64(4) << 30) - 1;

// Whether folder can take new files of these lengths, once freed bytes of files it holds are
// removed; the refusal when it cannot.
std::optional<Refusal> refusal(const QString &folder, const QList<qint64> &lengths, qint64 freed);

} // namespace Destination
