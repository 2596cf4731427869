// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// What a folder holds, as the file list and the folder tree show it: names as the system holds
// them (FctDecoup::PathFromNative), sorted as they read.
#pragma once

#include <QStringList>

namespace FolderEntries {

// The ordinary files (or links to one), hidden ones too; or the folders (or links to one) that
// are not hidden.
enum class Kind { Files, Folders };

// Of the folder at path, those of that kind; none when it cannot be read.
QStringList sorted(const QString &path, Kind kind);

} // namespace FolderEntries
