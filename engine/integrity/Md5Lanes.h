// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The MD5s of up to 16 streams at once, each fed as many bytes as the others: with AVX-512, one
// instruction takes a step of all 16. One stream of MD5 cannot go faster than 0.72 GB/s a core,
// its every step waiting for the one before; 16 side by side go about six times as fast. For
// the cut, whose pieces but the first and the last are of one length.
#pragma once

#include <QByteArray>
#include <QList>

#include <array>

class Md5Lanes
{
public:
    static constexpr int count = 16;

    // Whether the processor can (FENDRAX_GF=narrow, which stands for a processor without AVX2 in
    // the tests, says no).
    static bool available();

    // lanes streams, at most count.
    explicit Md5Lanes(int lanes);

    // length bytes to each stream n from data[n].
    void add(const char *const *data, qint64 length);
    void addZeros(qint64 length);
    // Each stream's 16 bytes so far; adding may go on.
    QList<QByteArray> peek() const;

private:
    void addBlocks(const char *const *data, qint64 blocks);
    void addToAll(const char *data, qint64 length);

    const int m_lanes;
    alignas(64) std::array<quint32, 4 * count> m_state; // a, b, c, d of each stream
    alignas(64) std::array<char, 64 * count> m_pending{};
    qint64 m_length = 0; // of each stream
};
