// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FileIo.h"
#include "EngineWindow.h"
#include "FileEntry.h"
#include "WriteBehind.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 blockSize = 4 << 20;

// Errors by which the kernel declines to copy between these two files itself.
bool kernelCopyRefused(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// Through a buffer: reads up to `length` bytes at offset and writes all that was read.
qint64 copyThrough(char *buffer, int from, qint64 offset, qint64 length, int to)
{
    const ssize_t got = ::pread(from, buffer, size_t(length), off_t(offset));
    for (ssize_t written = 0, n = 0; got > 0 && written < got; written += n) {
        n = ::write(to, buffer + written, size_t(got - written));
        if (n <= 0)
            return -1;
    }
    return got;
}

} // namespace

namespace FileIo {

Result append(EngineWindow &window, QFileDevice &from, qint64 offset, qint64 length,
              QFileDevice &to, Progress &progress, WriteBehind &writeBehind)
{
    std::unique_ptr<char[]> buffer; // only where the kernel declines to copy
    qint64 copied = 0;
    qint64 start = ::lseek(to.handle(), 0, SEEK_CUR);
    while (copied < length) {
        if (copied > 0) {
            window.betweenBlocks(progress);
            if (window.stopRequested())
                return Result::Stopped;
        }
        const qint64 wanted = std::min(blockSize, length - copied);
        loff_t at = offset + copied;
        qint64 moved = -1;
        if (!buffer) {
            moved = ::copy_file_range(from.handle(), &at, to.handle(), nullptr, size_t(wanted), 0);
            if (moved < 0 && kernelCopyRefused(errno)) {
                buffer.reset(new (std::nothrow) char[blockSize]);
                if (!buffer)
                    return Result::Failed;
            }
        }
        if (buffer)
            moved = copyThrough(buffer.get(), from.handle(), at, wanted, to.handle());
        if (moved <= 0)
            return moved == 0 ? Result::Short : Result::Failed;
        writeBehind.written(to.handle(), start, moved);
        start += moved;
        copied += moved;
        progress.moved += moved;
    }
    return Result::Done;
}

bool flush(const QString &path)
{
    // Any descriptor of the file will do: the data waits in the system's cache, not in the one
    // that wrote it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool flushed = fd >= 0 && ::fdatasync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    return flushed;
}

bool createNew(QFile &file, QFileDevice::Permissions permissions)
{
    if (FileEntry::exists(file.fileName()) && !QFile::remove(file.fileName()))
        return false;
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                     permissions);
}

QString temporaryPath(const QString &path)
{
    const QFileInfo info(path);
    return info.path() + QLatin1String("/.") + info.fileName() + QLatin1String(".fendrax");
}

Result publish(const QString &temporary, const QString &final)
{
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(final);
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
            if (::lstat(to.constData(), &entry) == 0)
                return Result::Exists;
            renamed = ::rename(from.constData(), to.constData());
        }
    }
    if (renamed != 0)
        return errno == EEXIST ? Result::Exists : Result::Failed;
    // The folder holds the new name: it is flushed too.
    return flush(QFileInfo(final).path()) ? Result::Done : Result::Failed;
}

} // namespace FileIo
