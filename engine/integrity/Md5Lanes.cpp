// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Md5Lanes.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <immintrin.h>
#include <utility>

namespace {

// RFC 1321: the integer part of 2^32 * |sin(i + 1)|, added at step i.
constexpr quint32 sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
// The four rounds' functions of b, c and d as vpternlogd's truth tables (b = 0xf0, c = 0xcc,
// d = 0xaa): b ? c : d, d ? b : c, b ^ c ^ d, c ^ (b | ~d).
constexpr int functions[4] = {0xca, 0xe4, 0x96, 0x39};
constexpr quint32 initial[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
const char zeros[4096] = {};
// The unmasked forms of some instructions leave an operand undefined, of which GCC 12 warns.
constexpr __mmask16 all = 0xffff;
constexpr __mmask8 allPairs = 0xff;

constexpr int wordOf(int step)
{
    switch (step / 16) {
    case 0:
        return step;
    case 1:
        return (5 * step + 1) % 16;
    case 2:
        return (3 * step + 5) % 16;
    default:
        return 7 * step % 16;
    }
}

// a = b + ((a + f(b, c, d) + sine + word) <<< shift), the four turning one place each step. The
// function and the shift are template arguments: the instructions take them as immediates, which
// GCC does not find in a constant array's element when it does not optimise.
template <int Step, int Function = functions[Step / 16], int Shift = shifts[Step / 16][Step % 4]>
__attribute__((target("avx512f"))) inline void step(__m512i (&v)[4], const __m512i (&words)[16])
{
    __m512i &a = v[(4 - Step % 4) % 4];
    const __m512i b = v[(5 - Step % 4) % 4];
    const __m512i c = v[(6 - Step % 4) % 4];
    const __m512i d = v[(7 - Step % 4) % 4];
    a = _mm512_add_epi32(
        a, _mm512_add_epi32(words[wordOf(Step)], _mm512_set1_epi32(int(sines[Step]))));
    a = _mm512_add_epi32(a, _mm512_ternarylogic_epi32(b, c, d, Function));
    a = _mm512_add_epi32(_mm512_maskz_rol_epi32(all, a, Shift), b);
}

template <int... Steps>
__attribute__((target("avx512f"))) inline void steps(__m512i (&v)[4], const __m512i (&words)[16],
                                                     std::integer_sequence<int, Steps...>)
{
    (step<Steps>(v, words), ...);
}

// rows[n], the 16 words of stream n's block, become words[w], word w of every stream.
__attribute__((target("avx512f"))) void transpose(const __m512i (&rows)[16], __m512i (&words)[16])
{
    __m512i pairs[16], quads[16];
    for (int n = 0; n < 16; n += 2) {
        pairs[n] = _mm512_maskz_unpacklo_epi32(all, rows[n], rows[n + 1]);
        pairs[n + 1] = _mm512_maskz_unpackhi_epi32(all, rows[n], rows[n + 1]);
    }
    // quads[4g + k]: words k, k + 4, k + 8, k + 12 of streams 4g ... 4g + 3, a quarter each.
    for (int g = 0; g < 16; g += 4) {
        quads[g] = _mm512_maskz_unpacklo_epi64(allPairs, pairs[g], pairs[g + 2]);
        quads[g + 1] = _mm512_maskz_unpackhi_epi64(allPairs, pairs[g], pairs[g + 2]);
        quads[g + 2] = _mm512_maskz_unpacklo_epi64(allPairs, pairs[g + 1], pairs[g + 3]);
        quads[g + 3] = _mm512_maskz_unpackhi_epi64(allPairs, pairs[g + 1], pairs[g + 3]);
    }
    for (int k = 0; k < 4; ++k) {
        const __m512i evenLow = _mm512_maskz_shuffle_i32x4(all, quads[k], quads[k + 4], 0x88);
        const __m512i oddLow = _mm512_maskz_shuffle_i32x4(all, quads[k], quads[k + 4], 0xdd);
        const __m512i evenHigh = _mm512_maskz_shuffle_i32x4(all, quads[k + 8], quads[k + 12], 0x88);
        const __m512i oddHigh = _mm512_maskz_shuffle_i32x4(all, quads[k + 8], quads[k + 12], 0xdd);
        words[k] = _mm512_maskz_shuffle_i32x4(all, evenLow, evenHigh, 0x88);
        words[k + 8] = _mm512_maskz_shuffle_i32x4(all, evenLow, evenHigh, 0xdd);
        words[k + 4] = _mm512_maskz_shuffle_i32x4(all, oddLow, oddHigh, 0x88);
        words[k + 12] = _mm512_maskz_shuffle_i32x4(all, oddLow, oddHigh, 0xdd);
    }
}

__attribute__((target("avx512f"))) void compress(quint32 *state, const char *const *data,
                                                 qint64 blocks)
{
    __m512i v[4];
    for (int k = 0; k < 4; ++k)
        v[k] = _mm512_load_si512(state + 16 * k);
    for (qint64 block = 0; block < blocks; ++block) {
        __m512i rows[16], words[16];
        for (int n = 0; n < 16; ++n)
            rows[n] = _mm512_loadu_si512(data[n] + 64 * block);
        transpose(rows, words);
        const __m512i before[4] = {v[0], v[1], v[2], v[3]};
        steps(v, words, std::make_integer_sequence<int, 64>());
        for (int k = 0; k < 4; ++k)
            v[k] = _mm512_add_epi32(v[k], before[k]);
    }
    for (int k = 0; k < 4; ++k)
        _mm512_store_si512(state + 16 * k, v[k]);
}

} // namespace

bool Md5Lanes::available()
{
    static const bool can = __builtin_cpu_supports("avx512f") && qgetenv("FENDRAX_GF") != "narrow";
    return can;
}

Md5Lanes::Md5Lanes(int lanes) : m_lanes(std::clamp(lanes, 1, count))
{
    for (int k = 0; k < 4; ++k)
        std::fill_n(m_state.begin() + 16 * k, count, initial[k]);
}

void Md5Lanes::addBlocks(const char *const *data, qint64 blocks)
{
    if (blocks > 0)
        compress(m_state.data(), data, blocks);
}

void Md5Lanes::add(const char *const *data, qint64 length)
{
    // The idle streams take the first one's bytes, and their digests are not given.
    const char *from[count];
    for (int n = 0; n < count; ++n)
        from[n] = data[n < m_lanes ? n : 0];
    const qint64 pending = m_length % 64;
    m_length += length;
    if (pending > 0) {
        const qint64 taken = std::min(64 - pending, length);
        for (int n = 0; n < count; ++n) {
            std::memcpy(m_pending.data() + 64 * n + pending, from[n], size_t(taken));
            from[n] += taken;
        }
        length -= taken;
        if (pending + taken < 64)
            return;
        const char *blocks[count];
        for (int n = 0; n < count; ++n)
            blocks[n] = m_pending.data() + 64 * n;
        addBlocks(blocks, 1);
    }
    addBlocks(from, length / 64);
    for (int n = 0; n < count; ++n)
        std::memcpy(m_pending.data() + 64 * n, from[n] + length / 64 * 64, size_t(length % 64));
}

void Md5Lanes::addToAll(const char *data, qint64 length)
{
    const char *same[count];
    std::fill_n(same, count, data);
    add(same, length);
}

void Md5Lanes::addZeros(qint64 length)
{
    for (; length > 0; length -= qint64(sizeof zeros))
        addToAll(zeros, std::min(length, qint64(sizeof zeros)));
}

QList<QByteArray> Md5Lanes::peek() const
{
    // 0x80, zeros up to 8 bytes short of a block's end, the length in bits.
    char padding[72] = {'\x80'};
    const qint64 padded = 1 + (55 - m_length % 64 + 64) % 64;
    qToLittleEndian(quint64(m_length) * 8, padding + padded);
    Md5Lanes ended = *this;
    ended.addToAll(padding, padded + 8);
    QList<QByteArray> digests;
    for (int n = 0; n < m_lanes; ++n) {
        QByteArray digest(16, Qt::Uninitialized);
        for (int k = 0; k < 4; ++k)
            qToLittleEndian(ended.m_state[size_t(16 * k + n)], digest.data() + 4 * k);
        digests.append(digest);
    }
    return digests;
}
