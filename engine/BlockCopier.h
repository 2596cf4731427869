// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// How an operation moves its data: in blocks of at most 4 MiB, so that the window hears how far it
// is and a stop is quick; inside the kernel where it can (on XFS and btrfs a piece then shares the
// source's blocks instead of copying them), through a buffer where it cannot; each block on its
// way to the disk at once, never far ahead of it; and hashed on the way when asked.
#pragma once

#include "FileIo.h"
#include "WriteBehind.h"

#include <memory>

class EngineWindow;
class HashThread;
class QFileDevice;
class Sha256;
struct Progress;

class BlockCopier
{
public:
    // What the bytes copied are added to besides.
    struct Hashes
    {
        Sha256 *here = nullptr;       // hashed on the copier's thread
        HashThread *beside = nullptr; // hashed on the second core while the copy goes on
        // The bytes written are the very bytes hashed, read once: what a check proves is what
        // was copied. Otherwise the kernel copies, and the bytes copied are read again for the
        // hashes.
        bool writeHashed = false;
    };

    BlockCopier(EngineWindow &window, Progress &progress);
    ~BlockCopier();

    // Appends to `to` the `length` bytes of `from` that start at offset. Progress counts them; the
    // window hears of them between two blocks, and a stop request ends the copy.
    FileIo::Result append(QFileDevice &from, qint64 offset, qint64 length, QFileDevice &to,
                          const Hashes &hashes);

private:
    // One of two buffers, in turn: the one a hash beside may still read is never given out.
    char *nextBuffer();

    EngineWindow &m_window;
    Progress &m_progress;
    WriteBehind m_writeBehind;
    bool m_kernelRefuses = false;
    std::unique_ptr<char[]> m_buffers[2];
    int m_next = 0;
};
