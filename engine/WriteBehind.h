// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Keeps the disk busy but never far behind, over all the files that one operation writes: each
// block written starts on its way to the disk at once, and once more than 12 MiB are on their way,
// the oldest blocks are waited for, in the same file or in those before. A slow medium then slows
// the operation down instead of filling the memory with data waiting to be written: a stop, which
// waits for what is on its way, takes a second at most on a stick that writes 10 MB a second, and
// the final flush is as short.
#pragma once

#include <QtGlobal>

#include <deque>

class WriteBehind
{
public:
    WriteBehind() = default;
    ~WriteBehind();
    WriteBehind(const WriteBehind &) = delete;
    WriteBehind &operator=(const WriteBehind &) = delete;

    // The block of length bytes at start of the open file has just been written.
    void written(int file, qint64 start, qint64 length);

private:
    struct Block
    {
        int file; // a descriptor of our own: the file may be closed before its block is waited for
        qint64 start;
        qint64 length;
    };
    std::deque<Block> m_onTheirWay;
    qint64 m_bytes = 0;
};
