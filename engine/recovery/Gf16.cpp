// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Gf16.h"

// A C library whose header does not say so.
extern "C" {
#include <gf_complete.h>
}

#include <QtGlobal>

#include <immintrin.h>

#include <cstring>

namespace {

// GF-Complete multiplies a region with vector instructions only where source and destination sit
// alike on a 16-byte boundary: a source that does not is copied so that it does.
constexpr qint64 alignment = 16;
constexpr qint64 scratchLength = 1 << 20;

quint16 timesX(quint16 value)
{
    return quint16(value << 1) ^ (value & 0x8000 ? 0x100B : 0);
}

// The products of a factor with each 4-bit digit of a word, digit by digit from the lowest: their
// low bytes, then their high bytes.
struct DigitProducts
{
    alignas(16) quint8 low[4][16];
    alignas(16) quint8 high[4][16];
};

DigitProducts digitProducts(quint16 factor)
{
    // Multiplication is linear: a digit's product is the sum of its bits' products.
    quint16 bits[16] = {factor};
    for (int n = 1; n < 16; ++n)
        bits[n] = timesX(bits[n - 1]);
    DigitProducts products{};
    for (int digit = 0; digit < 4; ++digit) {
        quint16 product[16] = {0};
        for (int n = 1; n < 16; ++n) {
            product[n] = product[n & (n - 1)] ^ bits[4 * digit + __builtin_ctz(unsigned(n))];
            products.low[digit][n] = quint8(product[n]);
            products.high[digit][n] = quint8(product[n] >> 8);
        }
    }
    return products;
}

// The products' tables of a digit each, in both 128-bit lanes.
struct WideTables
{
    __m256i low[4];
    __m256i high[4];
};

__attribute__((target("avx2"))) WideTables wideTables(quint16 factor)
{
    const DigitProducts products = digitProducts(factor);
    WideTables tables;
    for (int digit = 0; digit < 4; ++digit) {
        tables.low[digit] = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i *>(products.low[digit])));
        tables.high[digit] = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i *>(products.high[digit])));
    }
    return tables;
}

// The products of 32 words whose low bytes are lows and high bytes highs, added to productLows
// and productHighs: the products' low bytes and high bytes.
__attribute__((target("avx2"))) inline void addProducts(const WideTables &tables, __m256i lows,
                                                        __m256i highs, __m256i &productLows,
                                                        __m256i &productHighs)
{
    const __m256i digitMask = _mm256_set1_epi8(0x0f);
    const __m256i digits[4] = {
        _mm256_and_si256(lows, digitMask),
        _mm256_and_si256(_mm256_srli_epi16(lows, 4), digitMask),
        _mm256_and_si256(highs, digitMask),
        _mm256_and_si256(_mm256_srli_epi16(highs, 4), digitMask),
    };
    for (int digit = 0; digit < 4; ++digit) {
        productLows =
            _mm256_xor_si256(productLows, _mm256_shuffle_epi8(tables.low[digit], digits[digit]));
        productHighs =
            _mm256_xor_si256(productHighs, _mm256_shuffle_epi8(tables.high[digit], digits[digit]));
    }
}

// 32 words apart into their low and high bytes. Within each 128-bit lane: a's, then b's;
// interleaving them again undoes it lane by lane.
__attribute__((target("avx2"))) inline void splitWords(__m256i a, __m256i b, __m256i &lows,
                                                       __m256i &highs)
{
    const __m256i lowMask = _mm256_set1_epi16(0x00ff);
    lows = _mm256_packus_epi16(_mm256_and_si256(a, lowMask), _mm256_and_si256(b, lowMask));
    highs = _mm256_packus_epi16(_mm256_srli_epi16(a, 8), _mm256_srli_epi16(b, 8));
}

__attribute__((target("avx2"))) __m256i load(const char *p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}

__attribute__((target("avx2"))) void store(char *p, __m256i value)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), value);
}

// to ^= factor * from for a length that is a multiple of 64, 32 words at a time: their low and
// high bytes apart, each digit looked up in its table of 16 products, the bytes put back in place.
// Twice the width of GF-Complete's instructions.
__attribute__((target("avx2"))) void multiplyAddWide(const char *from, char *to, qint64 length,
                                                     quint16 factor)
{
    const WideTables tables = wideTables(factor);
    for (qint64 at = 0; at < length; at += 64) {
        __m256i lows, highs;
        splitWords(load(from + at), load(from + at + 32), lows, highs);
        __m256i productLows = _mm256_setzero_si256();
        __m256i productHighs = _mm256_setzero_si256();
        addProducts(tables, lows, highs, productLows, productHighs);
        store(to + at,
              _mm256_xor_si256(load(to + at), _mm256_unpacklo_epi8(productLows, productHighs)));
        store(to + at + 32, _mm256_xor_si256(load(to + at + 32),
                                             _mm256_unpackhi_epi8(productLows, productHighs)));
    }
}

// The same on data already apart: a third quicker, without the bytes taken apart and put back.
__attribute__((target("avx2"))) void multiplyAddApart(const char *from, char *to, qint64 length,
                                                      quint16 factor)
{
    const WideTables tables = wideTables(factor);
    for (qint64 at = 0; at < length; at += 64) {
        __m256i productLows = load(to + at);
        __m256i productHighs = load(to + at + 32);
        addProducts(tables, load(from + at), load(from + at + 32), productLows, productHighs);
        store(to + at, productLows);
        store(to + at + 32, productHighs);
    }
}

__attribute__((target("avx2"))) void takeApart(char *data, qint64 length)
{
    for (qint64 at = 0; at < length; at += 64) {
        __m256i lows, highs;
        splitWords(load(data + at), load(data + at + 32), lows, highs);
        store(data + at, lows);
        store(data + at + 32, highs);
    }
}

__attribute__((target("avx2"))) void putTogether(char *data, qint64 length)
{
    for (qint64 at = 0; at < length; at += 64) {
        const __m256i lows = load(data + at);
        const __m256i highs = load(data + at + 32);
        store(data + at, _mm256_unpacklo_epi8(lows, highs));
        store(data + at + 32, _mm256_unpackhi_epi8(lows, highs));
    }
}

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
    if (wide() && length >= 64) {
        const qint64 bulk = length / 64 * 64;
        multiplyAddWide(from, to, bulk, factor);
        from += bulk;
        to += bulk;
        length -= bulk;
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

bool Gf16::wide()
{
    // FENDRAX_NARROW_GF: as on a processor without AVX2, for the tests.
    static const bool wide =
        __builtin_cpu_supports("avx2") && !qEnvironmentVariableIsSet("FENDRAX_NARROW_GF");
    return wide;
}

void Gf16::takeApart(char *data, qint64 length)
{
    if (wide())
        ::takeApart(data, length);
}

void Gf16::putTogether(char *data, qint64 length)
{
    if (wide())
        ::putTogether(data, length);
}

void Gf16::multiplyAddApart(const char *from, char *to, qint64 length, quint16 factor)
{
    if (wide() && factor)
        ::multiplyAddApart(from, to, length, factor);
    else
        multiplyAdd(from, to, length, factor);
}
