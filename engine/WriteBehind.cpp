// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "WriteBehind.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 mostOnTheirWay = 12 << 20;

} // namespace

WriteBehind::~WriteBehind()
{
    for (const Block &block : m_onTheirWay)
        ::close(block.file);
}

void WriteBehind::written(int file, qint64 start, qint64 length)
{
#ifdef Q_OS_LINUX
    ::sync_file_range(file, start, length, SYNC_FILE_RANGE_WRITE);
    m_onTheirWay.push_back({::fcntl(file, F_DUPFD_CLOEXEC, 0), start, length});
    m_bytes += length;
    while (m_bytes > mostOnTheirWay) {
        const Block &oldest = m_onTheirWay.front();
        ::sync_file_range(oldest.file, oldest.start, oldest.length,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE
                              | SYNC_FILE_RANGE_WAIT_AFTER);
        ::close(oldest.file);
        m_bytes -= oldest.length;
        m_onTheirWay.pop_front();
    }
#else
    Q_UNUSED(file);
    Q_UNUSED(start);
    Q_UNUSED(length);
#endif
}
