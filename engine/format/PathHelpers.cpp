// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Path helpers and piece naming.
#include "FctDecoup.h"
#include "PieceHeader.h"
#include "Windows1252.h"

#include <cstdlib>
#include <unistd.h>

namespace FctDecoup {

QString SplitPath(const QString &path, bool nameFlag, QChar separator)
{
    const qsizetype last = path.lastIndexOf(separator);
    if (nameFlag)
        return last < 0 ? path : path.mid(last + 1);
    return last < 0 ? QString() : path.left(last + 1);
}

QString AddBackslash(const QString &folder, QChar separator)
{
    return folder.endsWith(separator) ? folder : folder + separator;
}

QString PieceSuffix(int n)
{
    Q_ASSERT(n >= 1 && n <= maxPieceCount);
    return QStringLiteral(".%1").arg(n, 3, 10, QLatin1Char('0'));
}

std::optional<QString> BaseNameOfFirstPiece(const QString &fileName)
{
    if (!fileName.endsWith(PieceSuffix(1)))
        return std::nullopt;
    return fileName.chopped(PieceSuffix(1).size());
}

SetName SetNameOf(const QString &fileName)
{
    const qsizetype point = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = fileName.mid(point + 1);
    // Only an extension that the header gives back unchanged may leave the pieces' names.
    if (point > 0 && PieceHeader::canHold(extension))
        return {fileName.left(point), extension};
    return {fileName, QString()};
}

QString RestoredName(const QString &baseName, const QString &extension)
{
    return extension.isEmpty() ? baseName : baseName + QLatin1Char('.') + extension;
}

} // namespace FctDecoup

namespace {

// The lone low surrogates U+DC80 ... U+DCFF stand for the bytes 0x80 ... 0xFF that are not part
// of valid UTF-8: no valid UTF-8 decodes to a lone surrogate, so the two never meet.
constexpr char16_t escapeBase = 0xDC00;

bool isEscapedByte(QChar c)
{
    return c.unicode() >= escapeBase + 0x80 && c.unicode() <= escapeBase + 0xFF;
}

// The length of the valid UTF-8 sequence at the start of bytes (shortest form, no surrogate,
// at most U+10FFFF), or 0.
qsizetype utf8Sequence(const unsigned char *bytes, qsizetype left)
{
    const unsigned char lead = bytes[0];
    const qsizetype length = lead < 0x80   ? 1
                             : lead < 0xC2 ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
    if (length == 0 || length > left)
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
    }
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    const unsigned char second = length > 1 ? bytes[1] : 0x80;
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F)
        || (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

} // namespace

namespace FctDecoup {

QString PathFromNative(const QByteArray &bytes)
{
    QString path;
    path.reserve(bytes.size());
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = utf8Sequence(data + at, bytes.size() - at);
        if (length == 0) {
            path.append(QChar(char16_t(escapeBase + data[at])));
            ++at;
            continue;
        }
        path.append(QString::fromUtf8(bytes.constData() + at, length));
        at += length;
    }
    return path;
}

QByteArray NativePath(const QString &path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype from = 0; // of the run of characters not yet encoded
    for (qsizetype at = 0; at <= path.size(); ++at) {
        if (at < path.size() && !isEscapedByte(path[at]))
            continue;
        bytes += QStringView(path).sliced(from, at - from).toUtf8();
        if (at < path.size())
            bytes += char(path[at].unicode() - escapeBase);
        from = at + 1;
    }
    return bytes;
}

QString AbsolutePath(const QString &path)
{
    if (path.startsWith(QLatin1Char('/')))
        return path;
    char *const here = ::getcwd(nullptr, 0);
    const QString folder = AddBackslash(PathFromNative(here ? here : ""), QLatin1Char('/'));
    std::free(here);
    return path == QLatin1String(".") ? folder : folder + path;
}

QString ReadablePath(const QString &path)
{
    QString readable = path;
    for (QChar &c : readable) {
        if (isEscapedByte(c))
            c = QChar(char16_t(
                Windows1252::decode(static_cast<unsigned char>(c.unicode() - escapeBase))));
    }
    return readable;
}

} // namespace FctDecoup
