// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Par2.h"
#include "OpenSslDigest.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr char typePrefix[] = "PAR 2.0\0";
constexpr const char *typeNames[] = {"Main\0\0\0\0", "FileDesc", "IFSC\0\0\0\0", "RecvSlic",
                                     "Creator\0"};

QByteArray typeName(Par2::Type type)
{
    return QByteArray(typePrefix, 8) + QByteArray(typeNames[int(type)], 8);
}

void appendNumber(QByteArray &to, quint64 value, int bytes)
{
    char le[8];
    qToLittleEndian(value, le);
    to.append(le, bytes);
}

// Zeros up to the next multiple of 4.
QByteArray padded(QByteArray data)
{
    data.append((4 - data.size() % 4) % 4, '\0');
    return data;
}

bool isDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

} // namespace

namespace Par2 {

QByteArray typedBody(const QByteArray &setId, Type type)
{
    return setId + typeName(type);
}

QByteArray packetHeader(qint64 bodyLength, const QByteArray &md5)
{
    QByteArray header("PAR2\0PKT", 8);
    appendNumber(header, quint64(headerLength + bodyLength), 8);
    return header + md5;
}

QByteArray packet(const QByteArray &setId, Type type, const QByteArray &body)
{
    const QByteArray hashed = typedBody(setId, type) + body;
    return packetHeader(body.size(), Md5::of(hashed)) + hashed;
}

QByteArray fileId(const QByteArray &headMd5, qint64 length, const QByteArray &name)
{
    QByteArray hashed = headMd5;
    appendNumber(hashed, quint64(length), 8);
    return Md5::of(hashed + name);
}

void sortIds(QList<QByteArray> &ids)
{
    std::sort(ids.begin(), ids.end(), [](const QByteArray &a, const QByteArray &b) {
        return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend(),
                                            [](char x, char y) { return uchar(x) < uchar(y); });
    });
}

QByteArray mainBody(qint64 sliceSize, const QList<QByteArray> &sortedIds)
{
    QByteArray body;
    appendNumber(body, quint64(sliceSize), 8);
    appendNumber(body, quint64(sortedIds.size()), 4);
    for (const QByteArray &id : sortedIds)
        body += id;
    return body;
}

QByteArray fileDescriptionBody(const FileDescription &file)
{
    QByteArray body = file.id + file.md5 + file.headMd5;
    appendNumber(body, quint64(file.length), 8);
    return body + padded(file.name);
}

QByteArray sliceChecksumsBody(const QByteArray &fileId, const QByteArray &checksums)
{
    return fileId + checksums;
}

QByteArray creatorBody(const QByteArray &creator)
{
    return padded(creator);
}

QByteArray recoverySliceStart(quint32 exponent)
{
    QByteArray start;
    appendNumber(start, exponent, 4);
    return start;
}

QString volumeName(const QString &baseName, int exponent, int count)
{
    const int width = int(QString::number(count).size());
    return baseName + QStringLiteral(".vol%1+1").arg(exponent, width, 10, QLatin1Char('0'))
           + QLatin1String(indexSuffix);
}

QString baseNameOf(const QString &fileName)
{
    if (!fileName.endsWith(QLatin1String(indexSuffix)))
        return {};
    QString baseName = fileName.chopped(qsizetype(sizeof(indexSuffix) - 1));
    if (const qsizetype volume = baseName.lastIndexOf(QLatin1String(".vol"));
        volume > 0 && isSetFileName(baseName.left(volume), fileName))
        baseName.truncate(volume);
    return baseName;
}

std::optional<Header> parseHeader(const char *header)
{
    const auto length = qFromLittleEndian<quint64>(header + 8);
    if (std::memcmp(header, "PAR2\0PKT", 8) != 0 || length < quint64(headerLength) || length % 4
        || length > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    // Compared in place: a set of 999 pieces repeats some 100,000 packets in its files.
    for (const Type t : {Type::Main, Type::FileDescription, Type::SliceChecksums,
                         Type::RecoverySlice, Type::Creator}) {
        if (std::memcmp(header + 48, typePrefix, 8) == 0
            && std::memcmp(header + 56, typeNames[int(t)], 8) == 0)
            return Header{t, qint64(length)};
    }
    return Header{std::nullopt, qint64(length)};
}

bool isSetFileName(const QString &baseName, const QString &fileName)
{
    if (!fileName.startsWith(baseName) || !fileName.endsWith(QLatin1String(indexSuffix)))
        return false;
    const QStringView middle =
        QStringView(fileName).sliced(baseName.size()).chopped(qsizetype(sizeof(indexSuffix) - 1));
    if (middle.isEmpty())
        return true;
    if (!middle.startsWith(QLatin1String(".vol")))
        return false;
    const QStringView range = middle.sliced(4);
    const qsizetype sign =
        std::max(range.indexOf(QLatin1Char('+')), range.indexOf(QLatin1Char('-')));
    return sign > 0 && isDigits(range.first(sign)) && isDigits(range.sliced(sign + 1));
}

} // namespace Par2
