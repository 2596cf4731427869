// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Writes a file from the program's buffers straight to the disk, past the system's cache, where
// the file system would copy through that cache (ext4) and takes such writes. A restore of many
// GiB then spends no processor time copying into the cache (on a virtual machine whose host
// backs fresh memory lazily, that copy was the slowest part of a large repair), does not push out
// what other programs keep there, and goes at the disk's own pace. Elsewhere nothing changes: XFS
// and btrfs share the pieces' blocks, network file systems copy on the server.
//
// The blocks of 4 MiB go to the disk on a thread of their own, while the next ones are gathered.
// The bytes come in runs, in order within a run; a run may start anywhere, beyond a range that is
// written otherwise. The disk takes only whole aligned blocks past the cache: the first and last
// bytes of a run that share a block with what lies around it go through the cache, so that the
// cache never holds a block that is also written past it.
#pragma once

#include <QtGlobal>

#include <cstdlib>
#include <future>
#include <memory>

class DirectWriter
{
public:
    DirectWriter() = default;
    ~DirectWriter();
    DirectWriter(const DirectWriter &) = delete;
    DirectWriter &operator=(const DirectWriter &) = delete;

    // The file open as `handle` is written past the cache from now on, if its file system allows;
    // the writes of a file started before are finished first. False when they fail.
    bool start(int handle);
    // Whether writes go past the cache, and to which of the caller's files.
    bool active() const { return m_direct >= 0; }
    int target() const { return m_target; }
    // The length bytes of data go at offset `at` of the file; some of them may wait in a buffer
    // of ours until finish().
    bool write(qint64 at, const char *data, qint64 length);
    // What waits is written, and the file is left as its caller opened it. False when it fails.
    bool finish();

private:
    // The bytes held, but for the last partial block unless `all`.
    bool flush(bool all);
    bool writePastCache(qint64 at, const char *data, qint64 length);
    // The write on its way is done; false, errno its error, when it failed.
    bool waitForWrite();

    int m_target = -1;      // the caller's descriptor, through the cache
    int m_direct = -1;      // ours for the same file, past it
    bool m_refused = false; // by the file system, after it opened the file past the cache
    qint64 m_align = 0;
    // Two stages: one is filled while the other's blocks are written, on a thread of their own.
    std::unique_ptr<char, decltype(&std::free)> m_stages[2] = {{nullptr, &std::free},
                                                               {nullptr, &std::free}};
    int m_current = 0;
    std::future<int> m_writing; // 0, or the error of the write on its way
    qint64 m_base = 0;          // the file's offset of the stage's first byte, aligned
    qint64 m_from = 0;          // where in the stage the bytes held start (less than one block)
    qint64 m_held = 0;
};
