// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Questions about directory entries that the engine asks by literal name, links and hidden
// files included, and never as wildcards.
#pragma once

#include <QString>

namespace FileEntry {

// Any entry of that name: a file, hidden or not, a folder, a link, even a dangling one.
bool exists(const QString &path);
// Whether the entry at entryPath, taken as itself (a link is not followed), is the very file
// that filePath leads to. Removing or writing such an entry would touch that file.
bool isSameFile(const QString &filePath, const QString &entryPath);
// Read-only by its permission bits, whoever runs the program (root may write anything).
bool isReadOnly(const QString &path);

} // namespace FileEntry
