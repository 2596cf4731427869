// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "RecoveryWriter.h"
#include "FileIo.h"
#include "Gf16.h"
#include "Md5Lanes.h"
#include "Par2.h"
#include "SetLock.h"
#include "SliceChecksum.h"
#include "UnfinishedOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

using Piece = RecoveryWriter::Piece;

constexpr qint64 sumAlignment = 64;
constexpr qint64 md5Length = 16;
// The whole file's MD5, its slice's MD5, its slice's CRC-32.
constexpr qint64 checksumsLength = 2 * md5Length + 4;
// Measured on two cores with 50 recovery slices of 525 KB and with 26 of 16 MiB: batches of 8
// pieces took a sixth less processor time than none, 4 or 16 no less than 8; stretches from 32 to
// 128 KiB as little as any (the batch's stretches stay in the second level of the cache, the
// sum's in the first two), shorter ones more. With GFNI, 8 pieces' matrices fill half the
// registers; 16, which no longer fit, were no quicker.
constexpr int batchLimit = 8;
constexpr qint64 stretchLength = 32 << 10;
// Measured with 26 sums and GFNI: 50 GB/s when a window's sums take 6.6 MB, 34 GB/s at 40 MB.
constexpr qint64 cachedSums = 8 << 20;

qint64 roundUp(qint64 length, qint64 multiple)
{
    return (length + multiple - 1) / multiple * multiple;
}

// Zeroed, on a boundary where the vector instructions take them whole; none when the memory
// cannot be had. For std::free.
char *alignedBytes(qint64 length)
{
    const qint64 rounded = roundUp(length, sumAlignment);
    char *bytes = static_cast<char *>(std::aligned_alloc(sumAlignment, size_t(rounded)));
    if (bytes)
        std::memset(bytes, 0, size_t(rounded));
    return bytes;
}

} // namespace

// The MD5 of each piece, of its first bytes, and the MD5 of its slice: the piece followed by zeros
// up to the slice size (its CRC-32 left as zeros, for PieceCrcs). Where the processor can, the
// pieces of one length (all but the first, which holds the header, and a short last one) are
// gathered by groups and hashed side by side (Md5Lanes), the others as they come.
class PieceChecksums final : public Digest
{
public:
    PieceChecksums(const QList<Piece> &pieces, qint64 sliceSize)
        : m_pieces(pieces), m_sliceSize(sliceSize), m_results(pieces.size())
    {
        // 16 MiB at most: 16 pieces of 1 MiB, 11 of 1400 KB; pieces of more than 4 MiB as they
        // come (a group of fewer than 4 would gain little over one stream, for its copy).
        constexpr qint64 gathered = 16 << 20;
        if (pieces.size() >= 3 && Md5Lanes::available()) {
            m_common = pieces[1].length;
            m_lanes =
                int(std::min(qint64(Md5Lanes::count), gathered / std::max(m_common, qint64(1))));
            if (m_lanes >= 4)
                m_gathered.reset(new (std::nothrow) char[size_t(m_lanes * m_common)]);
        }
        if (!m_gathered)
            m_lanes = 0;
        m_group.reserve(size_t(m_lanes));
    }

    void add(const char *data, qint64 length) override
    {
        if (m_position < Par2::headLength)
            m_head.add(data, std::min(length, Par2::headLength - m_position));
        if (!laned(m_piece))
            m_slice.add(data, length);
        else if (m_position < m_common)
            std::memcpy(slot(int(m_group.size())) + m_position, data,
                        size_t(std::min(length, m_common - m_position)));
        m_position += length;
    }

    // Gives nothing: each piece's 36 bytes are in results.
    QByteArray finish() override
    {
        const qint64 length = std::exchange(m_position, 0);
        const QByteArray head = m_head.finish();
        const int piece = m_piece++;
        if (piece >= m_pieces.size())
            return {};
        const bool read = length == m_pieces[piece].length && head == m_pieces[piece].headMd5;
        if (laned(piece)) {
            m_group.push_back({piece, read});
            if (int(m_group.size()) == m_lanes || !laned(m_piece))
                hashGroup();
            return {};
        }
        const QByteArray md5 = m_slice.md5SoFar();
        const QByteArray slice = m_slice.finish(m_sliceSize);
        if (read && !md5.isEmpty() && !slice.isEmpty())
            m_results[piece] = md5 + slice;
        return {};
    }

    // Once every piece is hashed: empty for a piece whose first bytes are not those read before
    // the copy, or whose digest failed.
    const QList<QByteArray> &results() const { return m_results; }

private:
    struct Gathered
    {
        int piece;
        bool read; // as announced
    };

    bool laned(int piece) const
    {
        return m_lanes > 0 && piece > 0 && piece < m_pieces.size()
               && m_pieces[piece].length == m_common;
    }
    char *slot(int n) const { return m_gathered.get() + n * m_common; }

    void hashGroup()
    {
        const char *data[Md5Lanes::count];
        for (int n = 0; n < int(m_group.size()); ++n)
            data[n] = slot(n);
        Md5Lanes lanes(int(m_group.size()));
        lanes.add(data, m_common);
        const QList<QByteArray> md5s = lanes.peek();
        lanes.addZeros(m_sliceSize - m_common);
        const QList<QByteArray> slices = lanes.peek();
        for (int n = 0; n < int(m_group.size()); ++n) {
            if (m_group[size_t(n)].read)
                m_results[m_group[size_t(n)].piece] = md5s[n] + slices[n] + QByteArray(4, '\0');
        }
        m_group.clear();
    }

    const QList<Piece> &m_pieces;
    const qint64 m_sliceSize;
    QList<QByteArray> m_results;
    Md5 m_head;
    SliceChecksum m_slice{SliceChecksum::Parts::Md5};
    qint64 m_position = 0;
    int m_piece = 0;
    qint64 m_common = 0; // the length of the pieces hashed side by side
    int m_lanes = 0;     // none: each piece as it comes
    std::unique_ptr<char[]> m_gathered;
    std::vector<Gathered> m_group;
};

// The CRC-32 of each piece's slice, 4 bytes.
class PieceCrcs final : public Digest
{
public:
    explicit PieceCrcs(qint64 sliceSize) : m_sliceSize(sliceSize) {}

    void add(const char *data, qint64 length) override { m_slice.add(data, length); }
    QByteArray finish() override { return m_slice.finish(m_sliceSize).sliced(16); }

private:
    const qint64 m_sliceSize;
    SliceChecksum m_slice{SliceChecksum::Parts::Crc};
};

// The sums of the recovery slices first ... last - 1 over the current window: each piece's bytes
// there, times the piece's factor for the slice, added in. A window of every sum is more than the
// processor's cache holds: the bytes of several pieces are gathered first, then added a stretch at
// a time, each stretch of a sum taking all their products while it stays in the cache. The sums
// then cross the memory bus once per batch instead of once per piece.
class SliceSums final : public Digest
{
public:
    struct Slices
    {
        int first;
        int last;
        int count;              // in all, the stride of factors
        const quint16 *factors; // of each piece for each slice
        char *sums;             // count windows of windowLength bytes
        qint64 windowLength;
        int batchPieces; // gathered before they are added
    };

    SliceSums(const QList<Piece> &pieces, const Slices &slices)
        : m_pieces(pieces), m_slices(slices),
          m_batch(alignedBytes(slices.batchPieces * slices.windowLength), std::free),
          m_gathered(size_t(slices.batchPieces))
    {
        startWindow(0, slices.windowLength);
    }

    bool valid() const { return m_batch && m_gf.valid(); }

    void startWindow(qint64 start, qint64 end)
    {
        m_start = start;
        m_end = end;
        m_piece = -1;
        nextPiece();
    }

    void add(const char *data, qint64 length) override
    {
        const qint64 from = std::max(m_position, m_start);
        const qint64 to = std::min(m_position + length, m_end);
        if (from < to) {
            std::memcpy(slot(m_batched) + (from - m_start), data + (from - m_position),
                        size_t(to - from));
            m_filled = to - m_start;
        }
        m_position += length;
    }

    QByteArray finish() override
    {
        if (m_filled > 0) {
            // Zeros after a piece's end are the slice's own: they add nothing.
            const qint64 filled = std::exchange(m_filled, 0);
            const qint64 length = roundUp(filled, Gf16::apartBlock);
            std::memset(slot(m_batched) + filled, 0, size_t(length - filled));
            Gf16::takeApart(slot(m_batched), length);
            m_gathered[size_t(m_batched++)] = {m_piece, length};
        }
        nextPiece();
        if (m_batched == m_slices.batchPieces || (m_batched > 0 && m_piece >= m_pieces.size()))
            addBatch();
        return {};
    }

private:
    struct Gathered
    {
        int piece;
        qint64 length; // from the window's start
    };

    char *slot(int n) const { return m_batch.get() + n * m_slices.windowLength; }

    // The next piece that reaches into the window.
    void nextPiece()
    {
        do
            ++m_piece;
        while (m_piece < m_pieces.size() && m_pieces[m_piece].length <= m_start);
        m_position = m_start;
    }

    void addBatch()
    {
        const int batched = std::exchange(m_batched, 0);
        qint64 longest = 0;
        for (int n = 0; n < batched; ++n)
            longest = std::max(longest, m_gathered[size_t(n)].length);
        // A piece that ends early (the last) is zeros up to the others' end: they add nothing.
        for (int n = 0; n < batched; ++n) {
            const qint64 length = m_gathered[size_t(n)].length;
            std::memset(slot(n) + length, 0, size_t(longest - length));
        }
        quint16 factors[batchLimit];
        for (qint64 at = 0; at < longest; at += stretchLength) {
            for (int e = m_slices.first; e < m_slices.last; ++e) {
                for (int n = 0; n < batched; ++n)
                    factors[n] = m_slices.factors[m_gathered[size_t(n)].piece * m_slices.count + e];
                m_gf.multiplyAddApart(slot(0) + at, m_slices.windowLength, factors, batched,
                                      m_slices.sums + e * m_slices.windowLength + at,
                                      std::min(stretchLength, longest - at));
            }
        }
    }

    const QList<Piece> &m_pieces;
    const Slices m_slices;
    const std::unique_ptr<char[], void (*)(void *)> m_batch;
    std::vector<Gathered> m_gathered;
    int m_batched = 0;
    qint64 m_filled = 0; // of the piece being gathered
    Gf16 m_gf;
    qint64 m_start = 0;
    qint64 m_end = 0;
    int m_piece = 0;
    qint64 m_position = 0;
};

namespace {
QList<int> firstExponents(int count)
{
    QList<int> exponents;
    for (int e = 0; e < count; ++e)
        exponents.append(e);
    return exponents;
}
} // namespace

RecoveryWriter::RecoveryWriter(const QList<Piece> &pieces, int count, qint64 memoryBound,
                               const QByteArray &creator)
    : m_pieces(pieces), m_count(count), m_exponents(firstExponents(count)), m_totalCount(count),
      m_creator(creator)
{
    start(memoryBound);
}

RecoveryWriter::RecoveryWriter(const QList<Piece> &pieces, const QList<int> &exponents,
                               int totalCount, qint64 memoryBound, const QByteArray &creator)
    : m_pieces(pieces), m_count(int(exponents.size())), m_exponents(exponents),
      m_totalCount(totalCount), m_creator(creator), m_withIndex(false)
{
    start(memoryBound);
}

void RecoveryWriter::start(qint64 memoryBound)
{
    const QList<Piece> &pieces = m_pieces;
    const int count = m_count;
    for (const Piece &piece : pieces) {
        m_sliceSize = std::max(m_sliceSize, (piece.length + 3) / 4 * 4);
        m_ids.append(Par2::fileId(piece.headMd5, piece.length, piece.name));
    }
    m_sortedIds = m_ids;
    Par2::sortIds(m_sortedIds);
    m_setId = Md5::of(Par2::mainBody(m_sliceSize, m_sortedIds));

    // The batches of both parts share the memory with the sums.
    const int batchPieces = std::min(batchLimit, int(pieces.size()));
    // The sums lie apart (Gf16::takeApart) until they are written.
    const qint64 slice = roundUp(m_sliceSize, Gf16::apartBlock);
    m_windowLength = std::clamp(memoryBound / (count + sumParts * batchPieces) / Gf16::apartBlock
                                    * Gf16::apartBlock,
                                Gf16::apartBlock, slice);
    // Sums read again from the pieces, window after window, are as quickly read in short windows
    // as in long ones: then the sums of a window stay in the processor's cache.
    if (m_windowLength < slice)
        m_windowLength =
            std::min(m_windowLength, std::max(cachedSums / std::max(count, 1), stretchLength)
                                         / Gf16::apartBlock * Gf16::apartBlock);
    m_sums.reset(count ? alignedBytes(count * m_windowLength) : nullptr);
    const Gf16 gf;
    if ((count && !m_sums) || !gf.valid())
        return;

    // Input slice i is the piece whose ID is the i-th in the Main packet's order.
    const QList<quint16> constants = gf.inputConstants(int(pieces.size()));
    m_factors.resize(size_t(pieces.size() * count));
    for (int n = 0; n < pieces.size(); ++n) {
        const quint16 constant = constants[m_sortedIds.indexOf(m_ids[n])];
        for (int e = 0; e < count; ++e)
            m_factors[size_t(n * count + e)] = gf.power(constant, quint32(m_exponents[e]));
    }

    m_checksums = std::make_unique<PieceChecksums>(m_pieces, m_sliceSize);
    m_crcs = std::make_unique<PieceCrcs>(m_sliceSize);
    m_valid = true;
    for (int part = 0; count && part < sumParts; ++part) {
        const SliceSums::Slices slices{count * part / sumParts,
                                       count * (part + 1) / sumParts,
                                       count,
                                       m_factors.data(),
                                       m_sums.get(),
                                       m_windowLength,
                                       batchPieces};
        m_parts[part] = std::make_unique<SliceSums>(m_pieces, slices);
        m_valid = m_valid && m_parts[part]->valid();
    }
}

RecoveryWriter::~RecoveryWriter() = default;

Digest &RecoveryWriter::checksums()
{
    return *m_checksums;
}

Digest &RecoveryWriter::crcs()
{
    return *m_crcs;
}

Digest &RecoveryWriter::sums(int part)
{
    return *m_parts[part];
}

int RecoveryWriter::windowCount() const
{
    return int((m_sliceSize + m_windowLength - 1) / m_windowLength);
}

qint64 RecoveryWriter::windowEnd(int window) const
{
    return std::min(windowStart(window + 1), m_sliceSize);
}

void RecoveryWriter::startWindow(int window)
{
    for (const std::unique_ptr<SliceSums> &part : m_parts)
        part->startWindow(windowStart(window), windowEnd(window));
}

QByteArray RecoveryWriter::index(const QList<QByteArray> &crcs)
{
    QList<QByteArray> checksums = m_checksums->results();
    if (checksums.size() != m_pieces.size() || crcs.size() != m_pieces.size())
        return {};
    for (qsizetype n = 0; n < checksums.size(); ++n) {
        if (checksums[n].size() != checksumsLength || crcs[n].size() != 4)
            return {};
        checksums[n].replace(checksumsLength - 4, 4, crcs[n]);
    }
    using Par2::Type;
    QByteArray descriptions;
    QByteArray sliceChecksums;
    for (const QByteArray &id : std::as_const(m_sortedIds)) {
        const auto n = m_ids.indexOf(id);
        const Piece &piece = m_pieces[n];
        descriptions +=
            Par2::packet(m_setId, Type::FileDescription,
                         Par2::fileDescriptionBody({id, checksums[n].first(md5Length),
                                                    piece.headMd5, piece.length, piece.name}));
        sliceChecksums +=
            Par2::packet(m_setId, Type::SliceChecksums,
                         Par2::sliceChecksumsBody(id, checksums[n].sliced(md5Length)));
    }
    return Par2::packet(m_setId, Type::Main, Par2::mainBody(m_sliceSize, m_sortedIds))
           + descriptions + sliceChecksums
           + Par2::packet(m_setId, Type::Creator, Par2::creatorBody(m_creator));
}

bool RecoveryWriter::create(const QList<QByteArray> &crcs, const QString &folder,
                            const QString &baseName, mode_t mode, const SetLock &lock,
                            UnfinishedOutput &created)
{
    // What the hashes did not give no call failed for: errno tells nothing.
    errno = 0;
    m_tail = index(crcs);
    if (m_tail.isEmpty())
        return false;
    using Par2::Type;
    const auto start = [&](const QString &name, const QByteArray &content) {
        const QString path = folder + name;
        const QString temporary = lock.temporaryPath(path);
        auto file = std::make_unique<QFile>();
        if (!FileIo::createNew(*file, temporary, mode))
            return std::unique_ptr<QFile>();
        created.add(temporary);
        m_names.append({temporary, path});
        return file->write(content) == content.size() ? std::move(file) : nullptr;
    };
    // Across media, the index goes onto each medium apart from the volumes.
    if (m_withIndex && !start(baseName + QLatin1String(Par2::indexSuffix), m_tail))
        return false;
    for (int e = 0; e < m_count; ++e) {
        // The packet's length and MD5 wait for its data.
        const QByteArray hashed = Par2::typedBody(m_setId, Type::RecoverySlice)
                                  + Par2::recoverySliceStart(quint32(m_exponents[e]));
        m_volumes.push_back(start(Par2::volumeName(baseName, m_exponents[e], m_totalCount),
                                  QByteArray(Par2::hashedOffset, '\0') + hashed));
        if (!m_volumes.back())
            return false;
        m_volumeMd5s.push_back(std::make_unique<Md5>());
        m_volumeMd5s.back()->add(hashed.constData(), hashed.size());
    }
    return true;
}

QList<qint64> RecoveryWriter::fileLengths(const QList<QByteArray> &names, qint64 sliceSize,
                                          int count, const QByteArray &creator)
{
    const auto padded = [](qint64 length) { return (length + 3) / 4 * 4; };
    // Main, then a File description and slice checksums for each piece, then the Creator.
    qint64 tail = Par2::headerLength + 12 + md5Length * names.size() + Par2::headerLength
                  + padded(creator.size());
    for (const QByteArray &name : names)
        tail += 2 * Par2::headerLength + 56 + padded(name.size()) + md5Length + 20;
    QList<qint64> lengths{tail};
    lengths.insert(1, count, Par2::headerLength + 4 + sliceSize + tail);
    return lengths;
}

bool RecoveryWriter::writeWindow(int window)
{
    const qint64 length = windowEnd(window) - windowStart(window);
    for (int e = 0; e < m_count; ++e) {
        Gf16::putTogether(sum(e), roundUp(length, Gf16::apartBlock));
        m_volumeMd5s[size_t(e)]->add(sum(e), length);
        if (m_volumes[size_t(e)]->write(sum(e), length) != length)
            return false;
        std::memset(sum(e), 0, size_t(m_windowLength));
    }
    return true;
}

bool RecoveryWriter::finish()
{
    for (int e = 0; e < m_count; ++e) {
        QFile &volume = *m_volumes[size_t(e)];
        const QByteArray md5 = m_volumeMd5s[size_t(e)]->finish();
        const QByteArray header = Par2::packetHeader(4 + m_sliceSize, md5);
        errno = 0;
        if (md5.size() != md5Length || volume.write(m_tail) != m_tail.size() || !volume.seek(0)
            || volume.write(header) != header.size())
            return false;
        volume.close();
    }
    return true;
}
