// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Gf16.h"

// A C library whose header does not say so.
extern "C" {
#include <gf_complete.h>
}

#include <cstring>

namespace {

// GF-Complete multiplies a region with vector instructions only where source and destination sit
// alike on a 16-byte boundary: a source that does not is copied so that it does.
constexpr qint64 alignment = 16;
constexpr qint64 scratchLength = 1 << 20;

} // namespace

Gf16::Gf16()
    : m_gf(new (std::nothrow) gf), m_scratch(new (std::nothrow) char[scratchLength + 2 * alignment])
{
    // w = 16 with the default polynomial of GF-Complete, which is PAR2's.
    m_valid = m_gf && m_scratch && gf_init_easy(m_gf.get(), 16) == 1;
    if (!m_valid)
        m_gf.reset();
}

Gf16::~Gf16()
{
    if (m_gf)
        gf_free(m_gf.get(), 1);
}

quint16 Gf16::multiply(quint16 a, quint16 b) const
{
    return quint16(m_gf->multiply.w32(m_gf.get(), a, b));
}

quint16 Gf16::power(quint16 base, quint32 exponent) const
{
    quint16 result = 1;
    for (; exponent; exponent >>= 1) {
        if (exponent & 1)
            result = multiply(result, base);
        base = multiply(base, base);
    }
    return result;
}

QList<quint16> Gf16::inputConstants(int count) const
{
    QList<quint16> constants;
    for (quint32 n = 1; constants.size() < count; ++n) {
        if (n % 3 && n % 5 && n % 17 && n % 257)
            constants.append(power(2, n));
    }
    return constants;
}

void Gf16::multiplyAdd(const char *from, char *to, qint64 length, quint16 factor)
{
    const auto offset = [](const void *p) {
        return qint64(reinterpret_cast<quintptr>(p) % alignment);
    };
    if (factor == 0)
        return;
    // GF-Complete's own path for 1 fails on short regions that are not aligned; it is a mere XOR.
    if (factor == 1) {
        for (; length >= 8; from += 8, to += 8, length -= 8) {
            quint64 a, b;
            std::memcpy(&a, from, 8);
            std::memcpy(&b, to, 8);
            b ^= a;
            std::memcpy(to, &b, 8);
        }
        for (; length > 0; --length)
            *to++ ^= *from++;
        return;
    }
    if (length > 0 && offset(to) % 2) {
        const quint16 product = multiply(factor, quint16(uchar(*from++) << 8));
        to[-1] = char(to[-1] ^ char(product));
        *to++ ^= char(product >> 8);
        --length;
    }
    // GF-Complete changes bytes past a region that lies within one 16-byte block without filling
    // it: a region that short is done a word at a time.
    if (length < 2 * alignment) {
        for (; length > 0; from += 2, to += 2, length -= 2) {
            const quint16 word = quint16(uchar(from[0]) | (length > 1 ? uchar(from[1]) << 8 : 0));
            const quint16 product = multiply(factor, word);
            to[0] = char(to[0] ^ char(product));
            to[1] = char(to[1] ^ char(product >> 8));
        }
        return;
    }
    while (length > 0) {
        qint64 part = std::min(length, scratchLength);
        const char *source = from;
        if (offset(from) != offset(to) || part % 2) {
            char *staged = m_scratch.get() + (alignment - offset(m_scratch.get())) + offset(to);
            std::memcpy(staged, from, size_t(part));
            if (part % 2)
                staged[part++] = 0;
            source = staged;
        }
        m_gf->multiply_region.w32(m_gf.get(), const_cast<char *>(source), to, factor, int(part), 1);
        from += part;
        to += part;
        length -= part;
    }
}
