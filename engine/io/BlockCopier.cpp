// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "BlockCopier.h"
#include "EngineWindow.h"
#include "HashThread.h"

#include <QFileDevice>

#include <cerrno>
#include <unistd.h>

namespace {

constexpr qint64 blockSize = 1 << 20;

// Errors by which the kernel declines to copy between these two files itself.
bool kernelCopyRefused(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

} // namespace

BlockCopier::BlockCopier(EngineWindow &window, Progress &progress, Cache cache)
    : m_window(window), m_progress(progress), m_cache(cache)
{}

BlockCopier::~BlockCopier() = default;

char *BlockCopier::nextBuffer()
{
    Buffer &buffer = m_buffers[m_next];
    m_next = (m_next + 1) % std::size(m_buffers);
    if (!buffer)
        buffer.reset(static_cast<char *>(
            std::aligned_alloc(DirectReader::alignment, blockSize + DirectReader::margin)));
    return buffer.get();
}

FileIo::Result BlockCopier::failed(bool writing)
{
    m_failure = {errno, writing};
    return FileIo::Result::Failed;
}

FileIo::Cause BlockCopier::cause(const QString &written, const QString &read) const
{
    return {m_failure.error, m_failure.writing ? written : read};
}

qint64 BlockCopier::moveBlock(int from, qint64 at, int to, qint64 start, qint64 wanted, bool direct,
                              const char **data)
{
    const auto fail = [this](bool writing) {
        failed(writing);
        return qint64(-1);
    };
    *data = nullptr;
    char *buffer = nullptr;
    qint64 moved = -1;
    if (direct) {
        if (!(buffer = nextBuffer()))
            return fail(false);
        moved = m_reader.read(from, buffer, wanted, at, data);
        if (moved < 0)
            return fail(false);
        if (moved > 0 && !m_direct.write(start, *data, moved))
            return fail(true);
        return moved;
    }
    if (!m_kernelRefuses) {
        // The kernel's copy gives way to a signal (the terminal's Ctrl+C, caught without
        // restarting what it interrupts): it is asked again, and the stop comes between blocks.
        loff_t position = at;
        loff_t target = start;
        do
            moved = ::copy_file_range(from, &position, to, &target, size_t(wanted), 0);
        while (moved < 0 && errno == EINTR);
        m_kernelRefuses = moved < 0 && kernelCopyRefused(errno);
        // The kernel does not say which side refused: a full or read-only medium is the one
        // written, the rest the one read.
        if (moved < 0 && !m_kernelRefuses)
            return fail(errno == ENOSPC || errno == EDQUOT || errno == EFBIG || errno == EROFS);
        if (!m_kernelRefuses)
            return moved;
    }
    if (!(buffer = nextBuffer()))
        return fail(false);
    moved = FileIo::readFully(from, buffer, wanted, at);
    if (moved < 0)
        return fail(false);
    if (moved > 0 && !FileIo::writeFully(to, buffer, moved, start))
        return fail(true);
    *data = buffer;
    return moved;
}

FileIo::Result BlockCopier::append(QFileDevice &from, qint64 offset, qint64 length, QFileDevice &to,
                                   const Hashes &hashes)
{
    using FileIo::Result;
    qint64 copied = 0;
    qint64 start = ::lseek(to.handle(), 0, SEEK_CUR);
    if (start < 0
        || (m_cache == Cache::Past && m_direct.target() != to.handle()
            && !m_direct.start(to.handle())))
        return failed(true);
    // Past the cache, the bytes go through our buffers, and are hashed as they are written.
    const bool direct = m_cache == Cache::Past && m_direct.active();
    while (copied < length) {
        if (copied > 0) {
            m_window.reportProgress(m_progress);
            if (m_window.stopRequested())
                return Result::Stopped;
        }
        const qint64 at = offset + copied;
        const char *data = nullptr; // the bytes moved, where they went through a buffer
        const qint64 moved = moveBlock(from.handle(), at, to.handle(), start,
                                       std::min(blockSize, length - copied), direct, &data);
        if (moved < 0)
            return Result::Failed;
        if (moved == 0)
            return Result::Short;
        if (!hashes.threads.empty()) {
            // What the kernel copied is read again: from the copy, or from the cache it left.
            if (!data) {
                char *buffer = nextBuffer();
                if (!buffer)
                    return failed(false);
                if (FileIo::readFully(hashes.hashWritten ? to.handle() : from.handle(), buffer,
                                      moved, hashes.hashWritten ? start : at)
                    != moved)
                    return Result::Short;
                data = buffer;
            }
            for (HashThread *thread : hashes.threads)
                thread->add(data, moved);
        }
        if (!direct)
            m_writeBehind.written(to.handle(), start, moved);
        start += moved;
        copied += moved;
        m_progress.moved += moved;
    }
    // The next append follows.
    return ::lseek(to.handle(), start, SEEK_SET) == start ? Result::Done : failed(true);
}
