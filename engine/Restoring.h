// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// What the plain restore and the mend share: where the restored file goes, how it takes its name,
// and how a restore that cannot go on ends.
#pragma once

#include <QString>

#include <optional>

class EngineWindow;
class QFile;
class UnfinishedOutput;

namespace Restoring {

void reportError(EngineWindow &window, const QString &text);
void reportDestinationExists(EngineWindow &window);

// A restore that cannot go on: its partly restored file goes, and the reason shows (none for a
// stop), with the cause that errno tells when a call on the file or folder concerned failed.
bool abandon(EngineWindow &window, QFile &restored, UnfinishedOutput &output, const QString &text,
             const QString &concerned = {});

// The folder that a restored file of length bytes goes into: destination when the caller gave
// one, else the set's folder, or, when that cannot take it, the one the user chooses. The one
// chosen is kept in destination: a restore that the mend takes over asks no second time. None
// when the file cannot go there (said) or the user chose none.
std::optional<QString> settleFolder(EngineWindow &window, QString &destination,
                                    const QString &setFolder, const QString &restoredName,
                                    qint64 length);

// The restored file, whole under its hidden name, takes its own; never over an entry that
// appeared meanwhile.
bool publishRestored(EngineWindow &window, QFile &restored, UnfinishedOutput &output,
                     const QString &path);

// The bytes before piece n's data: piece 1's header.
qint64 headerLength(int n);

} // namespace Restoring
