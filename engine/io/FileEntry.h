// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Questions about directory entries that the engine asks by literal name, links and hidden
// files included, and never as wildcards.
#pragma once

#include <QStringList>

#include <functional>

namespace FileEntry {

// Any entry of that name: a file, hidden or not, a folder, a link, even a dangling one.
bool exists(const QString &path);
// Whether the entry at entryPath, taken as itself (a link is not followed), is the very file
// that filePath leads to. Removing or writing such an entry would touch that file.
bool isSameFile(const QString &filePath, const QString &entryPath);
// The names of folder's entries that wanted takes, as the system lists them (no link followed, no
// entry examined): quick in a folder of a hundred thousand files.
QStringList namesIn(const QString &folder, const std::function<bool(const QString &)> &wanted);
// Read-only by its permission bits, whoever runs the program (root may write anything).
bool isReadOnly(const QString &path);

} // namespace FileEntry
