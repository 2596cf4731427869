// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "ChecksumFile.h"
#include "FileIo.h"
#include "OpenSslDigest.h"

#include <QFile>

#include <algorithm>

namespace {

constexpr std::pair<char, char> escapes[] = {{'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}};

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

namespace ChecksumFile {

Read read(const QString &path)
{
    constexpr qint64 limit = 4 << 20; // 1000 lines with names of the longest
    QFile file;
    if (!FileIo::openRegular(file, path))
        return {};
    const QByteArray content = file.read(limit + 1);
    return {true, content.size() > limit ? std::nullopt : parse(content)};
}

QByteArray digestOf(const QString &path)
{
    QFile file;
    Sha256 hash;
    QByteArray block;
    if (!FileIo::openRegular(file, path))
        return {};
    while (!(block = file.read(1 << 20)).isEmpty())
        hash.add(block.constData(), block.size());
    return file.error() == QFileDevice::NoError ? hash.finish() : QByteArray();
}

QByteArray line(const QByteArray &digest, const QByteArray &name)
{
    QByteArray escaped;
    for (const char c : name) {
        const auto *escape = std::find_if(std::begin(escapes), std::end(escapes),
                                          [c](const auto &e) { return e.first == c; });
        escaped +=
            escape == std::end(escapes) ? QByteArray(1, c) : QByteArray("\\") + escape->second;
    }
    const QByteArray start = escaped.size() > name.size() ? "\\" : "";
    return start + digest.toHex() + "  " + escaped + '\n';
}

std::optional<QList<Line>> parse(const QByteArray &content)
{
    if (!content.endsWith('\n'))
        return std::nullopt;
    QList<Line> lines;
    for (QByteArray text : content.chopped(1).split('\n')) {
        if (text.endsWith('\r')) // a copy that went through Windows
            text.chop(1);
        const bool escaped = text.startsWith('\\');
        const QByteArray hex = text.mid(escaped ? 1 : 0, 64);
        const QByteArray rest = text.mid(escaped ? 65 : 64);
        // Two spaces, or a space and a star for a file read in binary mode.
        if (hex.size() != 64 || !std::all_of(hex.cbegin(), hex.cend(), isHex) || rest.size() < 3
            || rest[0] != ' ' || (rest[1] != ' ' && rest[1] != '*'))
            return std::nullopt;
        Line line{QByteArray::fromHex(hex), {}};
        for (qsizetype i = 2; i < rest.size(); ++i) {
            if (!escaped || rest[i] != '\\') {
                line.name += rest[i];
                continue;
            }
            const char next = ++i < rest.size() ? rest[i] : '\0';
            const auto *escape = std::find_if(std::begin(escapes), std::end(escapes),
                                              [next](const auto &e) { return e.second == next; });
            if (escape == std::end(escapes))
                return std::nullopt;
            line.name += escape->first;
        }
        lines.append(line);
    }
    return lines;
}

} // namespace ChecksumFile
