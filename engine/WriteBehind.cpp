// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "WriteBehind.h"

#include <fcntl.h>
#include <unistd.h>

WriteBehind::~WriteBehind()
{
    if (m_file >= 0)
        ::close(m_file);
}

void WriteBehind::written(int file, qint64 start, qint64 length)
{
#ifdef Q_OS_LINUX
    ::sync_file_range(file, start, length, SYNC_FILE_RANGE_WRITE);
    if (m_file >= 0) {
        ::sync_file_range(m_file, m_start, m_length,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE
                              | SYNC_FILE_RANGE_WAIT_AFTER);
        ::close(m_file);
    }
    m_file = ::fcntl(file, F_DUPFD_CLOEXEC, 0);
    m_start = start;
    m_length = length;
#else
    Q_UNUSED(file);
    Q_UNUSED(start);
    Q_UNUSED(length);
#endif
}
