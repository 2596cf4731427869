// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// How an operation moves its data: in blocks of at most 1 MiB, so that the window hears how far it
// is and a stop is quick; inside the kernel where it can (on XFS and btrfs a piece then shares the
// source's blocks instead of copying them), through a buffer where it cannot or where the copy is
// written past the system's cache; each block on its way to the disk at once, never far ahead of
// it; and hashed on the way when asked.
#pragma once

#include "DirectReader.h"
#include "DirectWriter.h"
#include "FileIo.h"
#include "HashThread.h"
#include "WriteBehind.h"

#include <cstdlib>
#include <memory>
#include <vector>

class EngineWindow;
class QFileDevice;
struct Progress;

class BlockCopier
{
public:
    // What the bytes copied are added to besides.
    struct Hashes
    {
        // Each adds them to its digest on a thread of its own, while the copy goes on.
        std::vector<HashThread *> threads;
        // The bytes hashed are read back from the file written (or are those written from a
        // buffer): what a check proves is what lies in the copy. Otherwise they are read again
        // from the file copied, in the system's cache where the copy left them.
        bool hashWritten = false;
    };

    // Where the copies go: through the system's cache, for files that are read again (a cut's
    // pieces, read back for the recovery sums); past it where the file system allows, for a
    // restored file that nothing reads (DirectWriter).
    enum class Cache { Through, Past };

    BlockCopier(EngineWindow &window, Progress &progress, Cache cache = Cache::Through);
    ~BlockCopier();

    // Appends to `to` the `length` bytes of `from` that start at offset. Progress counts them; the
    // window hears of them between two blocks, and a stop request ends the copy.
    FileIo::Result append(QFileDevice &from, qint64 offset, qint64 length, QFileDevice &to,
                          const Hashes &hashes);
    // Past the cache, some bytes of the last file appended to wait until this writes them:
    // before that file is closed. False when it fails.
    bool finish() { return m_direct.finish() || failed(true) != FileIo::Result::Failed; }
    // Why the last append (or finish) failed: errno at the call, for the file written or the one
    // read, whichever it concerns.
    FileIo::Cause cause(const QString &written, const QString &read) const;

private:
    struct Failure
    {
        int error = 0;
        bool writing = false;
    };
    // Records why, as errno says now: Failed.
    FileIo::Result failed(bool writing);
    // At most wanted bytes of the file open as from, at offset at, to the file open as to, at
    // offset start: the count moved (0 at the end of from), or -1 when it failed (recorded).
    // Where they went through one of the buffers, data is where they lie.
    qint64 moveBlock(int from, qint64 at, int to, qint64 start, qint64 wanted, bool direct,
                     const char **data);
    // One of the buffers, in turn: one that a hash may still read is never given out.
    char *nextBuffer();

    EngineWindow &m_window;
    Progress &m_progress;
    const Cache m_cache;
    WriteBehind m_writeBehind;
    DirectWriter m_direct;
    DirectReader m_reader; // what goes past the cache comes past it where it is not there
    bool m_kernelRefuses = false;
    using Buffer = std::unique_ptr<char, decltype(&std::free)>;
    Buffer m_buffers[HashThread::queued + 1] = {
        {nullptr, &std::free}, {nullptr, &std::free}, {nullptr, &std::free}};
    int m_next = 0;
    Failure m_failure;
};
