// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// How the engine makes its output appear: on disk before it is announced, and under its final name
// only when it is whole.
#pragma once

#include <QString>

#include <sys/types.h>

class QFile;

namespace FileIo {

// Short: the file read from ended before the bytes asked of it (BlockCopier).
enum class Result { Done, Failed, Stopped, Exists, Short };

// Why a call failed: its errno, taken as it returned, and the file or folder that it concerns.
// An operation says it in the line after its own; none (error 0) when no call failed.
struct Cause
{
    int error = 0;
    QString path;
};
// errno as it is now, for path: taken right after the call that failed, before any other.
Cause causeNow(const QString &path);

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

// Waits until what was written to the file at path is on its disk.
bool flush(const QString &path);
// Flushes the regular file at path and drops its pages from the system's cache: what reads it
// next reads its medium.
void evict(const QString &path);

// Creates the file at path as a new file with those permission bits, open as file for reading
// and writing; false, errno set, when its name is taken. Its name is one of the operation's own
// (SetLock::temporaryPath): nothing else may hold it, and nothing is written through a link.
// A file opened here or by openRegular does not keep its name: the caller does.
bool createNew(QFile &file, const QString &path, mode_t mode);

// Gives the file at temporary the name final, which must not exist: an entry that holds it is
// never replaced (Exists). The new name is on disk when this returns Done.
Result publish(const QString &temporary, const QString &final);

} // namespace FileIo
