// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The checksum file that travels with a set (rapport.sha256 beside rapport.001 ...), in the format
// of GNU sha256sum, so that any system can check a set without this program: one line a file,
// 64 hexadecimal digits, two spaces and the name; a name that holds a backslash, a line feed or a
// carriage return is written escaped, on a line that starts with a backslash.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace ChecksumFile {

inline constexpr char suffix[] = ".sha256";

struct Line
{
    QByteArray digest; // 32 bytes
    QByteArray name;   // as the file system has it
};

// The checksum file at path: whether it is there as a regular file (anything else under its name
// is left aside), and its lines, none when it cannot be read or is not in the format.
struct Read
{
    bool there = false;
    std::optional<QList<Line>> lines;
};
Read read(const QString &path);
// The SHA-256 of the whole file at path; empty when it cannot be read.
QByteArray digestOf(const QString &path);

// The line of one file, with its end of line.
QByteArray line(const QByteArray &digest, const QByteArray &name);
// The lines of a file's content; none when one of them is not in the format.
std::optional<QList<Line>> parse(const QByteArray &content);

} // namespace ChecksumFile
