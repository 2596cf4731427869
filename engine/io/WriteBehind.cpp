// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "WriteBehind.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Larger requests cost the file system less work for the same data.
constexpr qint64 sentAtOnce = 2 << 20;
// On their way: what the disk has shown it writes in a second, within these bounds.
constexpr qint64 fewestOnTheirWay = 8 << 20;
constexpr qint64 mostOnTheirWay = 1024 << 20;

} // namespace

WriteBehind::~WriteBehind()
{
    if (m_gathered.file >= 0)
        ::close(m_gathered.file);
    for (const Range &range : m_onTheirWay)
        ::close(range.file);
}

void WriteBehind::written(int file, qint64 start, qint64 length)
{
    // A block that follows the one before in the same file joins it. (A descriptor freed by a
    // file that was closed may number the next one, but that one starts at its beginning.)
    if (file != m_writtenTo || start != m_gathered.start + m_gathered.length) {
        send();
        m_writtenTo = file;
        m_gathered = {::fcntl(file, F_DUPFD_CLOEXEC, 0), start, 0};
    }
    m_gathered.length += length;
    if (m_gathered.length >= sentAtOnce) {
        send();
        m_gathered = {::fcntl(file, F_DUPFD_CLOEXEC, 0), start + length, 0};
    }
}

void WriteBehind::send()
{
    if (m_gathered.file < 0)
        return;
    if (m_gathered.length == 0) {
        ::close(m_gathered.file);
        m_gathered.file = -1;
        return;
    }
    ::sync_file_range(m_gathered.file, m_gathered.start, m_gathered.length, SYNC_FILE_RANGE_WRITE);
    m_onTheirWay.push_back(m_gathered);
    m_bytes += m_gathered.length;
    m_gathered.file = -1;
    if (!m_clock.isValid())
        m_clock.start();
    const qint64 aSecond = m_written * 1000 / std::max<qint64>(m_clock.elapsed(), 1);
    while (m_bytes > std::clamp(aSecond, fewestOnTheirWay, mostOnTheirWay)) {
        const Range &oldest = m_onTheirWay.front();
        ::sync_file_range(oldest.file, oldest.start, oldest.length,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE
                              | SYNC_FILE_RANGE_WAIT_AFTER);
        ::close(oldest.file);
        m_bytes -= oldest.length;
        m_written += oldest.length;
        m_onTheirWay.pop_front();
    }
}
