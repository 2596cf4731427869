// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// A PAR2 recovery set as it lies beside a piece set (Par2.h), whoever wrote it: the index and the
// volumes of a base name, read packet by packet. A packet whose MD5 fails is left aside and the
// copies of it in the other files are used, so that a damaged volume, or a lost index, costs
// only what it held of its own. Recovery slices are only found here; their data is read, and
// proved, when a repair needs them.
#pragma once

#include "SetFolders.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

struct RecoverySet
{
    struct File
    {
        QByteArray id;
        QByteArray md5;
        QByteArray headMd5; // of its first 16 KiB
        qint64 length = 0;
        QByteArray name;
        QByteArray checksums; // each slice's MD5 and CRC-32, 20 bytes a slice
    };
    // Where a recovery slice's data lies: its packet starts at offset of the file at path.
    struct Slice
    {
        QString path;
        qint64 offset = 0;
    };

    QStringList paths; // of the recovery files read
    QByteArray setId;
    qint64 sliceSize = 0;
    QList<File> files;                        // in the Main packet's order
    std::map<quint32, QList<Slice>> recovery; // by exponent: every copy found

    // The set of baseName's recovery files in folder; none when they hold no whole description
    // (a Main packet, and a File description and slice checksums for each file it names). Of
    // several sets (a stray volume of another cut beside the set's own), the one whose files are
    // there as it describes them, by their lengths and their first 16 KiB; none when no file of
    // any is.
    static std::optional<RecoverySet> load(const SetFolders &folders, const QString &baseName);
    // The paths of the recovery files of baseName's set in the folders, whatever they hold.
    static QStringList fileNames(const SetFolders &folders, const QString &baseName);

    // Of each file, its piece number of baseName's set (0 for another file), and of each piece,
    // from 1, its file; false unless the set describes pieces 1 ... N, each of them.
    bool mapPieces(const QString &baseName, std::vector<int> &pieceOf,
                   std::vector<int> &fileOf) const;

    // How many of its files lie in folder as it describes them.
    int filesThere(const SetFolders &folders) const;

    qint64 slicesOf(const File &file) const { return (file.length + sliceSize - 1) / sliceSize; }
    // The first copy of the recovery slice whose packet proves whole, read through once; none
    // when no copy does. Its data starts at dataOffset.
    std::optional<Slice> provenSlice(quint32 exponent) const;
    static constexpr qint64 dataOffset = 68;
};
