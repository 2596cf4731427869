// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Gf16.h"

// A C library whose header does not say so.
extern "C" {
#include <gf_complete.h>
}

#include <QtGlobal>

#include <immintrin.h>

#include <algorithm>
#include <array>
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

// With GFNI, multiplying by a constant is what it is: a linear map of the word's 16 bits, four
// 8-bit matrices from a byte of the word to a byte of the product, each applied to 64 bytes by one
// instruction. On data apart, a 64-byte block is its 32 low bytes, then its 32 high bytes: one
// matrix pair maps low to low and high to high, the other low to high and high to low, whose
// halves then trade places.
struct AffinePair
{
    __m512i straight; // low bytes to low, high bytes to high
    __m512i crossed;  // low bytes to high, high bytes to low
};

// The matrix from byte `from` of a word to byte `to` of its product: row r (byte 7 - r of the
// matrix) picks the input bits whose products have bit r of that byte set. The products' bytes,
// one for each input bit, are a matrix of 8 x 8 bits already: transposed, rows in reverse.
quint64 byteMatrix(const quint16 (&bits)[16], int from, int to)
{
    quint64 x = 0;
    for (int k = 0; k < 8; ++k)
        x |= quint64(quint8(bits[8 * from + k] >> (8 * to))) << (8 * k);
    quint64 t = (x ^ (x >> 7)) & 0x00aa00aa00aa00aaULL;
    x ^= t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000cccc0000ccccULL;
    x ^= t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000f0f0f0f0ULL;
    x ^= t ^ (t << 28);
    return __builtin_bswap64(x);
}

__attribute__((target("avx512f,avx512bw,gfni"))) AffinePair affinePair(quint16 factor)
{
    quint16 bits[16] = {factor}; // the products of the word's single bits
    for (int n = 1; n < 16; ++n)
        bits[n] = timesX(bits[n - 1]);
    // Four copies of the first matrix for the block's first half, four of the second for the other.
    const auto halves = [](quint64 first, quint64 second) {
        const auto a = qint64(first), b = qint64(second);
        return std::array<qint64, 8>{a, a, a, a, b, b, b, b};
    };
    const std::array<qint64, 8> straight = halves(byteMatrix(bits, 0, 0), byteMatrix(bits, 1, 1));
    const std::array<qint64, 8> crossed = halves(byteMatrix(bits, 0, 1), byteMatrix(bits, 1, 0));
    return {_mm512_loadu_si512(straight.data()), _mm512_loadu_si512(crossed.data())};
}

// to ^= the sum of factors[n] * (from + n * stride) on data apart, for Count regions at once: the
// products are summed in registers, and each block of to is read and written once.
template <int Count>
__attribute__((target("avx512f,avx512bw,gfni"))) void
multiplyAddAffine(const char *from, qint64 stride, const quint16 *factors, char *to, qint64 length)
{
    AffinePair pairs[Count];
    for (int n = 0; n < Count; ++n)
        pairs[n] = affinePair(factors[n]);
    for (qint64 at = 0; at < length; at += 64) {
        __m512i straight = _mm512_setzero_si512();
        __m512i crossed = _mm512_setzero_si512();
        for (int n = 0; n < Count; ++n) {
            const __m512i words = _mm512_loadu_si512(from + n * stride + at);
            straight = _mm512_xor_si512(straight,
                                        _mm512_gf2p8affine_epi64_epi8(words, pairs[n].straight, 0));
            crossed = _mm512_xor_si512(crossed,
                                       _mm512_gf2p8affine_epi64_epi8(words, pairs[n].crossed, 0));
        }
        // The crossed halves trade places (masked: GCC 12 warns of the unmasked form's undefined
        // operand).
        const __m512i products =
            _mm512_xor_si512(straight, _mm512_maskz_shuffle_i64x2(0xff, crossed, crossed, 0x4e));
        _mm512_storeu_si512(to + at, _mm512_xor_si512(_mm512_loadu_si512(to + at), products));
    }
}

constexpr int affineCount = 8;

void multiplyAddAffine(const char *from, qint64 stride, const quint16 *factors, int count, char *to,
                       qint64 length)
{
    using Kernel = void (*)(const char *, qint64, const quint16 *, char *, qint64);
    static constexpr Kernel kernels[affineCount] = {
        multiplyAddAffine<1>, multiplyAddAffine<2>, multiplyAddAffine<3>, multiplyAddAffine<4>,
        multiplyAddAffine<5>, multiplyAddAffine<6>, multiplyAddAffine<7>, multiplyAddAffine<8>};
    for (int n = 0; n < count; n += affineCount) {
        const int now = std::min(affineCount, count - n);
        kernels[now - 1](from + n * stride, stride, factors + n, to, length);
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

Gf16::Kernels Gf16::kernels()
{
    // FENDRAX_GF=narrow: as on a processor without AVX2; =avx2: without GFNI. For the tests.
    static const Kernels kernels = [] {
        const QByteArray chosen = qgetenv("FENDRAX_GF");
        if (!__builtin_cpu_supports("avx2") || chosen == "narrow")
            return Kernels::Narrow;
        if (!__builtin_cpu_supports("gfni") || !__builtin_cpu_supports("avx512bw")
            || chosen == "avx2")
            return Kernels::Wide;
        return Kernels::Affine;
    }();
    return kernels;
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

void Gf16::multiplyAddApart(const char *from, qint64 stride, const quint16 *factors, int count,
                            char *to, qint64 length)
{
    if (kernels() == Kernels::Affine)
        return ::multiplyAddAffine(from, stride, factors, count, to, length);
    for (int n = 0; n < count; ++n) {
        if (kernels() == Kernels::Wide && factors[n])
            ::multiplyAddApart(from + n * stride, to, length, factors[n]);
        else
            multiplyAdd(from + n * stride, to, length, factors[n]);
    }
}
