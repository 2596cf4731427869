// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// One writer per name and folder. An operation that writes a set (or a restored file) holds its
// name in the folder for its whole run, through a hidden folder of that name (".rapport.fendrax"
// for a set, ".rapport.doc.fendrax-file" for a restored file)
// that it locks and writes its files in before they take their names: its temporary files are its
// own, and no other operation removes or publishes them. The kernel drops the lock when the
// process ends however it ends, so a killed operation never blocks the next one, which clears
// what the killed one left. A reader shares the name with other readers, where the folder can be
// written at all: on a read-only medium no one writes, and reading needs no lock.
#pragma once

#include <QString>

class SetLock
{
public:
    enum class Mode { Read, Write };
    // A set's names (rapport: rapport.001, rapport.sha256, ...), or one file's.
    enum class Names { Set, File };
    // Held: the name is ours. Busy: another operation holds it. Failed: errno says why; a reader
    // goes on without the lock (a folder that cannot be written, where no one writes).
    enum class State { Held, Busy, Failed };

    SetLock() = default;
    ~SetLock() { release(); }
    SetLock(const SetLock &) = delete;
    SetLock &operator=(const SetLock &) = delete;

    // Takes name in folder (ending in a separator); a lock already held there is kept.
    State take(const QString &folder, const QString &name, Names names, Mode mode);
    // Where a file that goes to path (in the folder taken) is written until it is whole.
    QString temporaryPath(const QString &path) const;
    // Lets the name go; the hidden folder goes with it when no one else holds it.
    void release();

private:
    QString m_work; // the hidden folder, with its separator
    int m_fd = -1;
};
