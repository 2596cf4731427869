// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Keeps the disk busy but never far behind, over all the files that one operation writes: the
// blocks written are sent on their way to the disk 2 MiB at a time, and once more is on its way
// than the disk has shown it writes in a second (8 MiB at least), the oldest are waited for, in
// the same file or in those before. A slow medium then slows the operation down instead of
// filling the memory with data waiting to be written, so that the progress shown is true, a stop
// (which waits for what is on its way) takes about a second, and so does the final flush; a fast
// disk is given enough at once to go at its own pace.
#pragma once

#include <QElapsedTimer>

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
    struct Range
    {
        int file = -1; // a descriptor of our own: the file may be closed before its range goes
        qint64 start = 0;
        qint64 length = 0;
    };
    // Sends the range gathered so far on its way, then waits for the oldest ones as needed.
    void send();

    int m_writtenTo = -1; // the caller's descriptor of the file the gathered range is in
    Range m_gathered;
    std::deque<Range> m_onTheirWay;
    qint64 m_bytes = 0;   // on their way
    qint64 m_written = 0; // known to be on the disk, since m_clock started
    QElapsedTimer m_clock;
};
