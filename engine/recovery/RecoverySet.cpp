// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "RecoverySet.h"
#include "FileEntry.h"
#include "FileIo.h"
#include "OpenSslDigest.h"
#include "Par2.h"

#include <QFile>
#include <QtEndian>

namespace {

using Par2::Type;

// Packets other than recovery slices are small: one that claims more is damage.
constexpr qint64 largestDescription = 16 << 20;
constexpr qint64 md5Length = 16;

struct Found
{
    QByteArray main; // body
    std::map<QByteArray, RecoverySet::File> files;
    std::map<QByteArray, QByteArray> checksums;
    std::map<quint32, QList<RecoverySet::Slice>> recovery;
};

// The packets of one file, those of every set ID, by set ID.
void scan(const QString &path, std::map<QByteArray, Found> &sets)
{
    QFile file;
    if (!FileIo::openRegular(file, path))
        return;
    const qint64 size = file.size();
    char head[Par2::headerLength];
    for (qint64 at = 0; at + Par2::headerLength <= size;) {
        if (FileIo::readFully(file.handle(), head, Par2::headerLength, at) != Par2::headerLength)
            return;
        const std::optional<Par2::Header> header = Par2::parseHeader(head);
        if (!header || header->length > size - at)
            return;
        const QByteArray setId(head + Par2::hashedOffset, md5Length);
        Found &found = sets[setId];
        const qint64 bodyLength = header->length - Par2::headerLength;
        if (header->type == Type::RecoverySlice) {
            found.recovery[0].append({path, at}); // its exponent is read with its data
        } else if (header->type && bodyLength <= largestDescription) {
            QByteArray packet(header->length, Qt::Uninitialized);
            if (FileIo::readFully(file.handle(), packet.data(), packet.size(), at) != packet.size())
                return;
            const QByteArray body = packet.sliced(Par2::headerLength);
            if (Md5::of(packet.sliced(Par2::hashedOffset)) == QByteArray(head + 16, md5Length)) {
                const QByteArray id = body.first(std::min<qsizetype>(md5Length, body.size()));
                if (header->type == Type::Main && body.size() >= 12)
                    found.main = body;
                else if (header->type == Type::FileDescription && body.size() >= 56)
                    found.files[id] = {id,
                                       body.sliced(16, md5Length),
                                       qint64(qFromLittleEndian<quint64>(body.constData() + 48)),
                                       body.sliced(56).split('\0').value(0),
                                       {}};
                else if (header->type == Type::SliceChecksums)
                    found.checksums[id] = body.sliced(md5Length);
            }
        }
        at += header->length;
    }
}

} // namespace

QStringList RecoverySet::fileNames(const QString &folder, const QString &baseName)
{
    return FileEntry::namesIn(
        folder, [&](const QString &name) { return Par2::isSetFileName(baseName, name); });
}

std::optional<RecoverySet> RecoverySet::load(const QString &folder, const QString &baseName)
{
    QStringList names = fileNames(folder, baseName);
    names.sort();
    std::map<QByteArray, Found> sets;
    for (const QString &name : std::as_const(names))
        scan(folder + name, sets);
    for (auto &[setId, found] : sets) {
        const QByteArray &main = found.main;
        if (main.isEmpty() || Md5::of(main) != setId)
            continue;
        RecoverySet set;
        for (const QString &name : std::as_const(names))
            set.paths.append(folder + name);
        set.setId = setId;
        set.sliceSize = qint64(qFromLittleEndian<quint64>(main.constData()));
        const quint32 count = qFromLittleEndian<quint32>(main.constData() + 8);
        if (set.sliceSize < 4 || set.sliceSize % 4
            || main.size() < 12 + qsizetype(count) * md5Length)
            continue;
        bool whole = true;
        for (quint32 i = 0; whole && i < count; ++i) {
            const QByteArray id = main.sliced(12 + i * md5Length, md5Length);
            const auto file = found.files.find(id);
            const auto checksums = found.checksums.find(id);
            whole = file != found.files.end() && checksums != found.checksums.end()
                    && file->second.length >= 0
                    && checksums->second.size() == set.slicesOf(file->second) * 20;
            if (whole) {
                set.files.append(file->second);
                set.files.last().checksums = checksums->second;
            }
        }
        if (!whole)
            continue;
        // Each slice's exponent, from its packet.
        for (const Slice &slice : found.recovery[0]) {
            QFile file;
            char exponent[4];
            if (FileIo::openRegular(file, slice.path)
                && FileIo::readFully(file.handle(), exponent, 4, slice.offset + Par2::headerLength)
                       == 4)
                set.recovery[qFromLittleEndian<quint32>(exponent)].append(slice);
        }
        return set;
    }
    return std::nullopt;
}

std::optional<RecoverySet::Slice> RecoverySet::provenSlice(quint32 exponent) const
{
    const auto copies = recovery.find(exponent);
    if (copies == recovery.end())
        return std::nullopt;
    const qint64 packetLength = dataOffset + sliceSize;
    constexpr qint64 blockSize = 1 << 20;
    QByteArray block(blockSize, Qt::Uninitialized);
    for (const Slice &slice : copies->second) {
        QFile file;
        if (!FileIo::openRegular(file, slice.path)
            || FileIo::readFully(file.handle(), block.data(), Par2::headerLength, slice.offset)
                   != Par2::headerLength)
            continue;
        const std::optional<Par2::Header> header = Par2::parseHeader(block.constData());
        const QByteArray md5 = block.sliced(16, md5Length);
        if (!header || header->length != packetLength)
            continue;
        Md5 hash;
        qint64 at = Par2::hashedOffset;
        for (qint64 length; at < packetLength; at += length) {
            length = std::min(blockSize, packetLength - at);
            if (FileIo::readFully(file.handle(), block.data(), length, slice.offset + at) != length)
                break;
            hash.add(block.constData(), length);
        }
        if (at == packetLength && hash.finish() == md5)
            return slice;
    }
    return std::nullopt;
}
