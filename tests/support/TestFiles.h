// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Small file helpers shared by the tests.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

namespace TestFiles {

// Bytes that differ from one offset to the next, so that a shifted or lost byte shows.
QByteArray pattern(qint64 length, int seed = 0);
void write(const QString &path, const QByteArray &bytes);
QByteArray read(const QString &path);
// Every entry of a folder, hidden ones included, with its bytes ("<dir>" for a folder,
// "<link>" + target for a link, "<special>" for a pipe): a snapshot to compare before and after an
// operation.
QMap<QString, QByteArray> snapshot(const QString &folder);

} // namespace TestFiles

#include <QStringList>

#include <functional>

namespace TestFiles {

// Runs body in a child process, so that the limits it sets end with it. Returns the lines that
// body returned in the child.
QStringList runInChild(const std::function<QStringList()> &body);
// In such a child: files cannot grow past limit bytes, and a write past it fails as on a full
// disk (SIGXFSZ is ignored).
void limitFileSize(qint64 limit);
// In such a child: only `count` more files can be opened.
void limitOpenFiles(int count);
// How many file descriptors this process holds open.
int openDescriptorCount();

} // namespace TestFiles
