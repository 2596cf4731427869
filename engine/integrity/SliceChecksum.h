// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The checksums of a PAR2 input slice as its slice checksums packet holds them: the MD5 and the
// CRC-32 (zlib's, 4 bytes little-endian) of the slice's bytes followed by zeros up to the slice
// size, 20 bytes. For the cut, which writes them, and the mend, which checks slices by them.
#pragma once

#include "OpenSslDigest.h"

#include <QByteArray>

class SliceChecksum
{
public:
    static constexpr qint64 size = 20;

    // One of the two alone leaves zeros in the other's place: the cut computes them on two
    // threads, the MD5 being three times as slow as the CRC-32.
    enum class Parts { Both, Md5, Crc };
    explicit SliceChecksum(Parts parts = Parts::Both) : m_parts(parts) {}

    void add(const char *data, qint64 length);
    // The MD5 of the bytes added so far, without the zeros.
    QByteArray md5SoFar() const { return m_md5.peek(); }
    // With zeros up to sliceSize: the 20 bytes, empty when a digest failed. The next add starts
    // the next slice.
    QByteArray finish(qint64 sliceSize);

private:
    const Parts m_parts;
    Md5 m_md5;
    unsigned long m_crc = 0;
    qint64 m_added = 0;
};
