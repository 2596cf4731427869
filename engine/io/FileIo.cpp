// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FileIo.h"
#include "FctDecoup.h"
#include "FileEntry.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIo {

Cause causeNow(const QString &path)
{
    return {errno, path};
}

bool openRegular(QFile &file, const QString &path)
{
    // The type is that of the file opened, never of what held the name a moment before.
    const QByteArray name = FctDecoup::NativePath(path);
    int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat entry;
    if (fd < 0 && errno == EWOULDBLOCK) {
        // A file that another program holds (a lease: a file server's) is waited for, as a plain
        // open waits, once the very entry opened is known to be a regular file.
        const int entryFd = ::open(name.constData(), O_PATH | O_CLOEXEC);
        if (entryFd >= 0 && ::fstat(entryFd, &entry) == 0 && S_ISREG(entry.st_mode))
            fd = ::open(("/proc/self/fd/" + QByteArray::number(entryFd)).constData(),
                        O_RDONLY | O_CLOEXEC);
        if (entryFd >= 0)
            ::close(entryFd);
    }
    if (fd < 0)
        return false;
    int error = 0;
    if (::fstat(fd, &entry) != 0)
        error = errno;
    else if (!S_ISREG(entry.st_mode))
        error = S_ISDIR(entry.st_mode) ? EISDIR : EINVAL;
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error) {
        ::close(fd);
        errno = error;
        return false;
    }
    if (file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

int reopen(int handle, int flags)
{
    const int fd =
        ::open(("/proc/self/fd/" + QByteArray::number(handle)).constData(), flags | O_CLOEXEC);
    struct stat ours, theirs;
    if (fd >= 0
        && (::fstat(fd, &ours) != 0 || ::fstat(handle, &theirs) != 0 || ours.st_dev != theirs.st_dev
            || ours.st_ino != theirs.st_ino)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool flush(const QString &path)
{
    // Any descriptor of the file will do: the data waits in the system's cache, not in the one
    // that wrote it.
    const int fd = ::open(FctDecoup::NativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    int synced = -1;
    // A network or user-space file system may give way to a signal while it waits for the disk.
    while (fd >= 0 && (synced = ::fdatasync(fd)) < 0 && errno == EINTR) {
    }
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    errno = error;
    return synced == 0;
}

void evict(const QString &path)
{
    QFile file;
    if (!openRegular(file, path))
        return;
    // Pages still to be written cannot be dropped: written first. A read-only medium has none.
    while (::fdatasync(file.handle()) < 0 && errno == EINTR) {
    }
    ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED);
}

qint64 readFully(int from, char *buffer, qint64 length, qint64 offset)
{
    qint64 got = 0;
    while (got < length) {
        const ssize_t n = ::pread(from, buffer + got, size_t(length - got), off_t(offset + got));
        // A signal that asks to stop (the terminal's Ctrl+C) is heard between two blocks.
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? -1 : got;
        got += n;
    }
    return got;
}

bool writeFully(int to, const char *data, qint64 length, qint64 offset)
{
    for (qint64 written = 0; written < length;) {
        const ssize_t n =
            ::pwrite(to, data + written, size_t(length - written), off_t(offset + written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

bool createNew(QFile &file, const QString &path, mode_t mode)
{
    // Open for reading too: a copy may be read back to be checked.
    const int fd = ::open(FctDecoup::NativePath(path).constData(),
                          O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    errno = EIO;
    return false;
}

Result publish(const QString &temporary, const QString &final)
{
    const QByteArray from = FctDecoup::NativePath(temporary);
    const QByteArray to = FctDecoup::NativePath(final);
    int renamed =
        ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without that rename: a second link never replaces an entry either.
        renamed = ::link(from.constData(), to.constData());
        if (renamed == 0)
            ::unlink(from.constData());
        // Nor links (some network shares): the name is tested, then taken, the one place where
        // another program could take it in between.
        if (renamed != 0 && errno != EEXIST) {
            struct stat entry;
            if (::lstat(to.constData(), &entry) == 0) {
                errno = EEXIST;
                return Result::Exists;
            }
            renamed = ::rename(from.constData(), to.constData());
        }
    }
    if (renamed != 0)
        return errno == EEXIST ? Result::Exists : Result::Failed;
    // The folder holds the new name: it is flushed too.
    return flush(FctDecoup::SplitPath(final, false)) ? Result::Done : Result::Failed;
}

} // namespace FileIo
