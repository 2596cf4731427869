// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Keeps the disk busy but never far behind, over all the files that one operation writes: each
// block written starts on its way to the disk at once, and the block written before it, in the
// same file or in the one before, is waited for. A slow medium then slows the operation down
// instead of filling the memory with data waiting to be written: at any moment at most two
// blocks wait, a stop is quick, and so is the final flush.
#pragma once

#include <QtGlobal>

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
    int m_file = -1; // a descriptor of our own: the file may be closed before its block is waited for
    qint64 m_start = 0;
    qint64 m_length = 0;
};
