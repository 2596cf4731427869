// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The piece-set engine: naming of pieces, path helpers, and the two operations that write files.
// A file is cut into pieces named base name + ".001", ".002", ... in its own folder; the first
// piece starts with an 8-byte header (PieceHeader.h) from which RestoreFile rebuilds the file.
#pragma once

#include <QDir>
#include <QString>

#include <optional>

class EngineWindow;

namespace FctDecoup {

inline constexpr int maxPieceCount = 999;

// With nameFlag: what follows the last separator (the whole path when there is none).
// Without: everything up to and including it (empty when there is none).
QString SplitPath(const QString &path, bool nameFlag, QChar separator = QDir::separator());
// The folder with exactly one trailing separator added when it lacks one.
QString AddBackslash(const QString &folder, QChar separator = QDir::separator());

// ".001" ... ".999" for n = 1 ... 999.
QString PieceSuffix(int n);
// A file name without its last four characters; none for a name of fewer than four.
std::optional<QString> BaseName(const QString &fileName);
// The last three characters of a file name (fewer when the name is shorter).
QString ExtensionText(const QString &fileName);

// Cuts the file at sourcePath into pieces of sizeKb kilobytes (1024 bytes) in its own folder.
void CutFile(EngineWindow &window, const QString &sourcePath, double sizeKb);
// Rebuilds the file whose first piece is at firstPiecePath, in the same folder.
void RestoreFile(EngineWindow &window, const QString &firstPiecePath);

} // namespace FctDecoup
