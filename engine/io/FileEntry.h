// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Questions about directory entries that the engine asks by literal name, links and hidden
// files included, and never as wildcards; each name is given to the system as its very bytes
// (NativePath), whatever they are.
#pragma once

#include <QStringList>

#include <functional>
#include <optional>

#include <sys/stat.h>

namespace FileEntry {

// The entry itself (follow: what a link leads to); none, with errno set, when there is none.
std::optional<struct stat> status(const QString &path, bool follow);
// Any entry of that name: a file, hidden or not, a folder, a link, even a dangling one.
bool exists(const QString &path);
// The length of the regular file at path (a link followed); -1 for anything else.
qint64 fileSize(const QString &path);
// The permission bits of what path leads to; 0 when nothing.
mode_t permissions(const QString &path);
// Whether the entry at entryPath, taken as itself (a link is not followed), is the very file
// that filePath leads to. Removing or writing such an entry would touch that file.
bool isSameFile(const QString &filePath, const QString &entryPath);
// The names of folder's entries that wanted takes, as the system lists them (no link followed, no
// entry examined): quick in a folder of a hundred thousand files.
QStringList namesIn(const QString &folder, const std::function<bool(const QString &)> &wanted);
// Read-only by its permission bits, whoever runs the program (root may write anything).
bool isReadOnly(const QString &path);
// Removes the entry (a link, never what it leads to); false with errno set when it cannot.
bool remove(const QString &path);

} // namespace FileEntry
