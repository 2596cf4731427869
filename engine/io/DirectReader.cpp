// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "DirectReader.h"
#include "FileIo.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

DirectReader::~DirectReader()
{
    if (m_direct >= 0)
        ::close(m_direct);
}

bool DirectReader::follow(int handle)
{
    struct stat theirs;
    if (::fstat(handle, &theirs) != 0)
        return false;
    if (m_direct >= 0 && theirs.st_dev == m_device && theirs.st_ino == m_inode)
        return m_align > 0;
    if (m_direct >= 0)
        ::close(m_direct);
    m_direct = -1;
    m_device = theirs.st_dev;
    m_inode = theirs.st_ino;
    m_align = 0;
    struct statx sx;
    if (::statx(handle, "", AT_EMPTY_PATH, STATX_DIOALIGN, &sx) != 0
        || !(sx.stx_mask & STATX_DIOALIGN) || sx.stx_dio_offset_align == 0)
        return false;
    const qint64 align = std::max<qint64>(sx.stx_dio_offset_align, sx.stx_dio_mem_align);
    if (align > alignment || alignment % align != 0)
        return false;
    // A description of our own, of the very file the caller opened.
    m_direct = FileIo::reopen(handle, O_RDONLY | O_DIRECT);
    m_align = m_direct >= 0 ? align : 0;
    return m_align > 0;
}

bool DirectReader::cached(int handle, qint64 at, qint64 length) const
{
    const qint64 page = ::sysconf(_SC_PAGESIZE);
    const qint64 from = at / page * page;
    const auto size = size_t(at + length - from);
    void *const map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, handle, off_t(from));
    if (map == MAP_FAILED)
        return true;
    std::vector<unsigned char> resident((size + size_t(page) - 1) / size_t(page));
    const bool known = ::mincore(map, size, resident.data()) == 0;
    ::munmap(map, size);
    for (const unsigned char pageIn : resident) {
        if (known && !(pageIn & 1))
            return false;
    }
    return true;
}

qint64 DirectReader::read(int handle, char *buffer, qint64 length, qint64 at, const char **data)
{
    *data = buffer;
    if (!follow(handle) || cached(handle, at, length))
        return FileIo::readFully(handle, buffer, length, at);
    // The disk's blocks that hold the bytes asked, the last one as far as the file goes.
    const qint64 from = at / m_align * m_align;
    const qint64 shift = at - from;
    const qint64 wanted = (shift + length + m_align - 1) / m_align * m_align;
    qint64 got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(m_direct, buffer + got, size_t(wanted - got), off_t(from + got));
        if (n < 0)
            return FileIo::readFully(handle, buffer, length, at);
        if (n == 0)
            break;
        got += n;
        if (got % m_align)
            break; // the end of the file
    }
    *data = buffer + shift;
    return std::clamp<qint64>(got - shift, 0, length);
}
