// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The PAR2 recovery files of a set being cut (Par2.h): one input slice per piece, so that each
// recovery slice can stand in for any one lost or damaged piece. Everything is computed from the
// blocks that the cut reads anyway, on threads of their own (HashThread): the pieces' MD5s and
// CRC-32s on one, the recovery slices in two parts on two more. The slices are accumulated a
// window at a time, every slice's window in memory at once: when they all fit in the memory
// bound, the copy's own blocks are all it takes; otherwise the cut gives the pieces' bytes of
// each further window again.
#pragma once

#include "Digest.h"
#include "OpenSslDigest.h"

#include <QFile>
#include <QList>

#include <cstdlib>
#include <memory>
#include <vector>

class SetLock;
class UnfinishedOutput;
class SliceSums;
class PieceChecksums;
class PieceCrcs;

class RecoveryWriter
{
public:
    struct Piece
    {
        QByteArray name;
        qint64 length = 0;
        QByteArray headMd5; // of its first Par2::headLength bytes, as read before the copy
    };
    static constexpr int sumParts = 2;

    // count recovery slices (exponents 0 ... count - 1) of pieces; the slices' windows take at
    // most memoryBound bytes.
    RecoveryWriter(const QList<Piece> &pieces, int count, qint64 memoryBound,
                   const QByteArray &creator);
    // Only the slices of these exponents, of a set of totalCount slices: the volumes of one medium
    // of a set written across media. With none, the index alone.
    RecoveryWriter(const QList<Piece> &pieces, const QList<int> &exponents, int totalCount,
                   qint64 memoryBound, const QByteArray &creator);
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter &) = delete;
    RecoveryWriter &operator=(const RecoveryWriter &) = delete;

    // False when the memory or the arithmetic could not be had.
    bool valid() const { return m_valid; }
    qint64 sliceSize() const { return m_sliceSize; }

    // Each to be given every piece's bytes in order, a piece ending with Digest::finish. The
    // CRC-32s give a result per piece for create; the checksums keep theirs for it (a piece's
    // none when its first bytes are not those read before the copy): apart, so that the MD5s,
    // the slowest stream of all where they come one by one, have a thread to themselves. The
    // sums give nothing: they accumulate.
    Digest &checksums();
    Digest &crcs();
    Digest &sums(int part);

    int windowCount() const;
    qint64 windowStart(int window) const { return window * m_windowLength; }
    qint64 windowEnd(int window) const;
    // Window 0 is accumulated first. While the sums wait for nothing: from the next block on,
    // they take each piece's bytes from the window's start to its end.
    void startWindow(int window);

    // Once the checksums and the CRC-32s are computed: writes the index and starts the volumes
    // under their hidden names (which created gets).
    bool create(const QList<QByteArray> &crcs, const QString &folder, const QString &baseName,
                mode_t mode, const SetLock &lock, UnfinishedOutput &created);
    // The index's bytes, once the checksums and the CRC-32s are computed; empty when they are not
    // all there.
    QByteArray index(const QList<QByteArray> &crcs);
    // Once the window's sums are complete: they go to the volumes, and start again from zero.
    bool writeWindow(int window);
    // After the last window.
    bool finish();
    // Each file's hidden name and its own, in the order they are to take them.
    QList<std::pair<QString, QString>> names() const { return m_names; }
    // The lengths of the recovery files of count slices of sliceSize, for pieces of those names.
    static QList<qint64> fileLengths(const QList<QByteArray> &names, qint64 sliceSize, int count,
                                     const QByteArray &creator);

private:
    char *sum(int exponent) { return m_sums.get() + exponent * m_windowLength; }

    void start(qint64 memoryBound);

    const QList<Piece> m_pieces;
    const int m_count;
    const QList<int> m_exponents;
    const int m_totalCount;
    qint64 m_sliceSize = 0;
    qint64 m_windowLength = 0;
    QByteArray m_setId;
    QList<QByteArray> m_ids; // of each piece
    QList<QByteArray> m_sortedIds;
    std::vector<quint16> m_factors; // of each piece for each recovery slice
    const QByteArray m_creator;
    const bool m_withIndex = true; // create writes the index too
    std::unique_ptr<char[], void (*)(void *)> m_sums{nullptr, std::free};
    std::unique_ptr<PieceChecksums> m_checksums;
    std::unique_ptr<PieceCrcs> m_crcs;
    std::unique_ptr<SliceSums> m_parts[sumParts];
    QByteArray m_tail; // the packets that every file repeats, and the Creator
    std::vector<std::unique_ptr<QFile>> m_volumes;
    std::vector<std::unique_ptr<Md5>> m_volumeMd5s;
    QList<std::pair<QString, QString>> m_names;
    bool m_valid = false;
};
