// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The PAR2 2.0 recovery files that travel with a set, so that any PAR2 program (par2cmdline,
// MultiPar, QuickPar) can repair it: packets of a 64-byte header (magic, length, MD5 of the rest,
// recovery set ID, type) and a body, every integer little-endian, every field on 4 bytes.
// rapport.par2 is the index (Main, a File description and an Input-file slice checksum packet
// per piece, Creator); rapport.vol<first>+<count>.par2 hold recovery slices, and the index's
// packets again, so that any one of them can stand in for it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace Par2 {

inline constexpr char indexSuffix[] = ".par2";
inline constexpr qint64 headerLength = 64;
// A packet's MD5 covers it from its recovery set ID on, after magic, length and the MD5 itself.
inline constexpr qint64 hashedOffset = 32;
// File IDs and the File description packet hash a file's first 16 KiB.
inline constexpr qint64 headLength = 16384;

enum class Type { Main, FileDescription, SliceChecksums, RecoverySlice, Creator };

struct FileDescription
{
    QByteArray id;
    QByteArray md5;     // of the whole file
    QByteArray headMd5; // of its first headLength bytes
    qint64 length = 0;
    QByteArray name;
};

// A whole packet of the set whose ID is setId.
QByteArray packet(const QByteArray &setId, Type type, const QByteArray &body);
// The packet header of a body that is hashed separately: md5 covers the set ID, the type and the
// body, as Md5 of typedBody(setId, type) and then of the body would give.
QByteArray packetHeader(qint64 bodyLength, const QByteArray &md5);
QByteArray typedBody(const QByteArray &setId, Type type);

QByteArray fileId(const QByteArray &headMd5, qint64 length, const QByteArray &name);
// File IDs in the Main packet's order: as 128-bit little-endian numbers.
void sortIds(QList<QByteArray> &ids);
// Also the set's ID, by its MD5.
QByteArray mainBody(qint64 sliceSize, const QList<QByteArray> &sortedIds);
QByteArray fileDescriptionBody(const FileDescription &file);
// checksums: each slice's MD5 and its CRC-32 (4 bytes, little-endian), in order.
QByteArray sliceChecksumsBody(const QByteArray &fileId, const QByteArray &checksums);
QByteArray creatorBody(const QByteArray &creator);
// The body of a recovery slice up to its data.
QByteArray recoverySliceStart(quint32 exponent);

// The name of the volume of one recovery slice among count: "rapport.vol07+1.par2".
QString volumeName(const QString &baseName, int exponent, int count);
// The base name of the set whose recovery file fileName may be (rapport.par2 and
// rapport.vol0+1.par2 give rapport); empty when it may be none.
QString baseNameOf(const QString &fileName);
// The type of a packet whose 64-byte header is at header (none: a type that is not ours to read),
// and its length; none at all when that is no packet's header.
struct Header
{
    std::optional<Type> type;
    qint64 length;
};
std::optional<Header> parseHeader(const char *header);
// Whether fileName may be one of the recovery files of a set of baseName: baseName.par2 or
// baseName.vol<digits>+<digits>.par2 (or -).
bool isSetFileName(const QString &baseName, const QString &fileName);

} // namespace Par2
