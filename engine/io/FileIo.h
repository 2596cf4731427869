// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// How the engine makes its output appear: on disk before it is announced, and under its final name
// only when it is whole.
#pragma once

#include <QFileDevice>
#include <QString>

class QFile;

namespace FileIo {

// Short: the file read from ended before the bytes asked of it (BlockCopier).
enum class Result { Done, Failed, Stopped, Exists, Short };

// Up to length bytes of the file open as from, at offset: fewer only where it ends; -1 on an error.
qint64 readFully(int from, char *buffer, qint64 length, qint64 offset);
// The length bytes of data at offset of the file open as to; false on an error.
bool writeFully(int to, const char *data, qint64 length, qint64 offset);

// Opens the file at path for reading as file, unbuffered, when it is a regular file: a FIFO, a
// socket, a device or a folder, or a link to one, is left unopened (false) without waiting for a
// writer, so that nothing a folder holds under a set's name can hang a read or feed it without end.
bool openRegular(QFile &file, const QString &path);

// A descriptor of its own, opened with flags (O_DIRECT, say), for the very file open as handle,
// whatever its name now holds; -1 when it cannot be had.
int reopen(int handle, int flags);

// Of a copy from source to written that failed, the file that errno concerns: the one written
// for what the medium written to refuses (no room, read-only, too large), else the one read.
QString failedSide(const QString &written, const QString &source);

// Waits until what was written to the file at path is on its disk.
bool flush(const QString &path);

// Creates file as a new file with those permissions: whatever held its name (an older file, a link,
// what a killed run left) is removed first, so that nothing is written through a link and no older
// byte stays behind the new ones. False when that cannot be done (a folder holds the name).
bool createNew(QFile &file, QFileDevice::Permissions permissions);

// Where a file is written before it takes its name: hidden, beside it, and the program's own.
QString temporaryPath(const QString &path);

// Gives the file at temporary the name final, which must not exist: an entry that holds it is
// never replaced (Exists). The new name is on disk when this returns Done.
Result publish(const QString &temporary, const QString &final);

} // namespace FileIo
