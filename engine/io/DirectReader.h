// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Reads a file's blocks past the system's cache where they are not in it, into the program's own
// buffers. A copy that is written past the cache (DirectWriter) then spends no processor time
// copying from pages that the cache filled for it: on this virtual machine, reading 8 GiB that
// were not in the cache through it cost 12 s of the kernel's time, in copies from fresh pages,
// where the same bytes in the cache cost 3.5 s. Blocks that are in the cache are read from it, as
// they would be otherwise, and so is everything of a file system that takes no such reads.
#pragma once

#include <QtGlobal>

#include <sys/types.h>

class DirectReader
{
public:
    // The room that a buffer given to read needs beyond the length asked: the disk's blocks around
    // it.
    static constexpr qint64 margin = 8192;
    // Alignment of a buffer given to read.
    static constexpr qint64 alignment = 4096;

    DirectReader() = default;
    ~DirectReader();
    DirectReader(const DirectReader &) = delete;
    DirectReader &operator=(const DirectReader &) = delete;

    // Up to length bytes of the file open as handle from offset at, into buffer (aligned, length +
    // margin long): the count read (0 at the end of the file, -1 on error, errno set), and in
    // data where they start in buffer.
    qint64 read(int handle, char *buffer, qint64 length, qint64 at, const char **data);

private:
    // The file open as handle is the one read past the cache, if its file system takes it.
    bool follow(int handle);
    // Whether the system's cache holds every page of the file's bytes [at, at + length).
    bool cached(int handle, qint64 at, qint64 length) const;

    int m_direct = -1; // ours, past the cache, for the file
    dev_t m_device = 0;
    ino_t m_inode = 0;
    qint64 m_align = 0; // 0: no reads past the cache for this file
};
