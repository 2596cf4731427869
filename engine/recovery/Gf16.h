// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Arithmetic in GF(2^16) with PAR2's polynomial (x^16 + x^12 + x^3 + x + 1), data taken as 16-bit
// little-endian words: by GF-Complete, whose default method multiplies a region at several GB/s a
// core, and by multiplies of the engine's own where the processor has AVX2 (table lookups, about
// twice as quick) or GFNI with AVX-512 (matrices, several times as quick again on data apart). One
// object per thread: each has its own scratch.
#pragma once

#include <QList>

#include <memory>

struct gf;

class Gf16
{
public:
    Gf16();
    ~Gf16();
    Gf16(const Gf16 &) = delete;
    Gf16 &operator=(const Gf16 &) = delete;

    // False when GF-Complete or the scratch could not be set up; nothing else may be called then.
    bool valid() const { return m_valid; }

    quint16 multiply(quint16 a, quint16 b) const;
    quint16 power(quint16 base, quint32 exponent) const;
    // 1 / a, for a not zero.
    quint16 inverse(quint16 a) const { return power(a, 65534); }
    // The constants of the first count input slices: 2 to the powers that are not multiples of
    // 3, 5, 17 or 257 (1, 2, 4, 7, 8, ...), so that consecutive recovery slices can always stand in
    // for as many lost input slices.
    QList<quint16> inputConstants(int count) const;

    // to ^= factor * from, word by word, for length bytes, where to's words start at even
    // addresses. Any alignment of the two: an odd address of to starts with the high half of a
    // word, an odd length ends with a low half, each taken with a zero in the other half (to must
    // then hold one byte more).
    void multiplyAdd(const char *from, char *to, qint64 length, quint16 factor);

    // Regions whose words lie apart: each 64-byte block of 32 words holds their low bytes, then
    // their high bytes, which spares the multiplication taking them apart and putting them back,
    // where the processor has the instructions for it (otherwise they lie as they are). Lengths
    // are multiples of apartBlock, in place.
    static constexpr qint64 apartBlock = 64;
    static void takeApart(char *data, qint64 length);
    static void putTogether(char *data, qint64 length);
    // to ^= the sum of factors[n] * (from + n * stride) for n below count, on regions taken apart.
    void multiplyAddApart(const char *from, qint64 stride, const quint16 *factors, int count,
                          char *to, qint64 length);

private:
    // GF-Complete's; AVX2's table lookups, 32 bytes an instruction; or GFNI's matrices on 64.
    enum class Kernels { Narrow, Wide, Affine };
    static Kernels kernels();
    static bool wide() { return kernels() != Kernels::Narrow; }

    std::unique_ptr<gf> m_gf;
    std::unique_ptr<char[]> m_scratch;
    bool m_valid = false;
};
