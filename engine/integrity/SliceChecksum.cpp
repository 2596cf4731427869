// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "SliceChecksum.h"

#include <QtEndian>

#include <zlib.h>

namespace {
const char zeros[1 << 16] = {};
}

void SliceChecksum::add(const char *data, qint64 length)
{
    if (m_parts != Parts::Crc)
        m_md5.add(data, length);
    if (m_parts != Parts::Md5)
        m_crc = crc32_z(m_crc, reinterpret_cast<const Bytef *>(data), size_t(length));
    m_added += length;
}

QByteArray SliceChecksum::finish(qint64 sliceSize)
{
    for (qint64 left = sliceSize - m_added; left > 0; left -= qint64(sizeof zeros))
        add(zeros, std::min(left, qint64(sizeof zeros)));
    QByteArray checksum = m_parts != Parts::Crc ? m_md5.finish() : QByteArray(16, '\0');
    const auto crc = quint32(std::exchange(m_crc, 0));
    m_added = 0;
    if (checksum.isEmpty())
        return {};
    checksum.resize(size, '\0');
    if (m_parts != Parts::Md5)
        qToLittleEndian(crc, checksum.data() + 16);
    return checksum;
}
