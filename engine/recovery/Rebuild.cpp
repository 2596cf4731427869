// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Rebuild.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "HashThread.h"
#include "OpenSslDigest.h"
#include "SliceChecksum.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace {

constexpr qint64 blockSize = 1 << 20;
// The sums and the rebuilt slices' windows in memory at once, at most.
constexpr qint64 rebuildMemory = 64 << 20;
constexpr qint64 largestPlainWindow = 32 << 20;
constexpr qint64 checksumLength = SliceChecksum::size;

// The checksums of each slice given, zeros added up to the slice size, for a hash thread.
class SliceCheck final : public Digest
{
public:
    explicit SliceCheck(qint64 sliceSize) : m_sliceSize(sliceSize) {}
    void add(const char *data, qint64 length) override { m_slice.add(data, length); }
    QByteArray finish() override { return m_slice.finish(m_sliceSize); }

private:
    const qint64 m_sliceSize;
    SliceChecksum m_slice;
};

// The inverse of the m x m matrix a (row-major); none (empty) when it has none.
std::vector<quint16> inverted(std::vector<quint16> a, std::size_t m, const Gf16 &gf)
{
    std::vector<quint16> inverse(m * m, 0);
    for (std::size_t i = 0; i < m; ++i)
        inverse[i * m + i] = 1;
    for (std::size_t c = 0; c < m; ++c) {
        std::size_t p = c;
        while (p < m && a[p * m + c] == 0)
            ++p;
        if (p == m)
            return {};
        for (std::size_t k = 0; k < m; ++k) {
            std::swap(a[p * m + k], a[c * m + k]);
            std::swap(inverse[p * m + k], inverse[c * m + k]);
        }
        const quint16 scale = gf.inverse(a[c * m + c]);
        for (std::size_t k = 0; k < m; ++k) {
            a[c * m + k] = gf.multiply(a[c * m + k], scale);
            inverse[c * m + k] = gf.multiply(inverse[c * m + k], scale);
        }
        for (std::size_t r = 0; r < m; ++r) {
            const quint16 f = r == c ? 0 : a[r * m + c];
            for (std::size_t k = 0; f && k < m; ++k) {
                a[r * m + k] ^= gf.multiply(f, a[c * m + k]);
                inverse[r * m + k] ^= gf.multiply(f, inverse[c * m + k]);
            }
        }
    }
    return inverse;
}

} // namespace

struct Rebuild::Slot
{
    int file = 0;
    qint64 offset = 0; // of the slice in its file
    QByteArray expected;
    SliceChecksum computed; // of what was rebuilt
};

Rebuild::Rebuild(const RecoverySet &set, const SetFolders &folders, EngineWindow &window,
                 Progress &progress)
    : m_set(set), m_window(window), m_progress(progress),
      m_buffer(new (std::nothrow) char[blockSize])
{
    int slices = 0;
    for (const RecoverySet::File &file : set.files) {
        // A name is a file beside the others, never a path elsewhere.
        const QString name = FctDecoup::PathFromNative(file.name);
        m_inputs.append(
            {name.contains(QLatin1Char('/')) || name.isEmpty() ? QString() : folders.path(name)});
        m_firstSlice.push_back(slices);
        slices += int(set.slicesOf(file));
    }
    m_constants = m_gf.inputConstants(slices);
}

Rebuild::~Rebuild() = default;

int Rebuild::fileOf(int slice) const
{
    return int(std::upper_bound(m_firstSlice.begin(), m_firstSlice.end(), slice)
               - m_firstSlice.begin())
           - 1;
}

FileIo::Result Rebuild::report(qint64 bytes)
{
    m_progress.moved += bytes;
    m_window.reportProgress(m_progress);
    return m_window.stopRequested() ? FileIo::Result::Stopped : FileIo::Result::Done;
}

// One assessment of the set's files on four hash threads: 0 and 1 check slices, 2 and 3 whole
// files; each reads a block until queued more are given to it, from a ring of its own.
class Rebuild::Assessment
{
public:
    explicit Assessment(Rebuild &rebuild)
        : damaged(size_t(rebuild.m_constants.size()), false), m_rebuild(rebuild),
          m_set(rebuild.m_set), m_checks{SliceCheck(m_set.sliceSize), SliceCheck(m_set.sliceSize)}
    {
        for (auto &ring : m_buffers) {
            for (auto &buffer : ring)
                m_valid = m_valid && (buffer.reset(new (std::nothrow) char[blockSize]), buffer);
        }
        m_threads = {
            std::make_unique<HashThread>(m_checks[0]), std::make_unique<HashThread>(m_checks[1]),
            std::make_unique<HashThread>(m_sha256[0]), std::make_unique<HashThread>(m_sha256[1])};
    }

    bool valid() const { return m_valid; }
    // What thread `thread` is to hash of a file: ranges of bytes, each a digest.
    struct Feed
    {
        int thread;
        QFile *file;
        std::vector<std::pair<qint64, qint64>> ranges;
        bool counted;    // by the progress
        int summed = -1; // the input file, when the sums gathered take its bytes
    };
    // The feeds' blocks in turn, so that their threads hash at once.
    FileIo::Result give(std::vector<Feed> feeds);
    // Every slice of file f that is there, for thread 0 or 1; the others are damaged.
    Feed slicesOf(int f, QFile &file, bool counted);
    FileIo::Result checkSlices(int f, bool counted);
    // What the whole digests of threads 2 and 3 prove, and the slices of the files they do not.
    FileIo::Result judgeWhole(const QList<QByteArray> &wholeDigests);
    void judgeSlices();

    void hashedWhole(int f) { m_hashed[size_t(2 + f % 2)].push_back(f); }
    std::vector<bool> damaged; // of each input slice

private:
    Rebuild &m_rebuild;
    const RecoverySet &m_set;
    std::array<SliceCheck, 2> m_checks;
    std::array<Sha256, 2> m_sha256;
    std::array<std::array<std::unique_ptr<char[]>, HashThread::queued + 1>, 4> m_buffers;
    std::array<int, 4> m_next{};
    std::array<std::vector<int>, 4> m_hashed; // what each thread hashes, in order: slices or files
    bool m_valid = true;
    // Last: they stop before what they read goes.
    std::array<std::unique_ptr<HashThread>, 4> m_threads;
};

FileIo::Result Rebuild::Assessment::give(std::vector<Feed> feeds)
{
    std::vector<std::size_t> range(feeds.size(), 0);
    std::vector<qint64> at(feeds.size(), 0);
    for (bool more = true; more;) {
        more = false;
        for (std::size_t n = 0; n < feeds.size(); ++n) {
            const Feed &feed = feeds[n];
            if (range[n] == feed.ranges.size())
                continue;
            more = true;
            const auto [from, to] = feed.ranges[range[n]];
            at[n] = std::max(at[n], from);
            const qint64 length = std::min(blockSize, to - at[n]);
            const int t = feed.thread;
            char *const buffer = m_buffers[t][size_t(m_next[t]++ % (HashThread::queued + 1))].get();
            if (m_rebuild.report(0) == FileIo::Result::Stopped)
                return FileIo::Result::Stopped;
            if (length > 0) {
                if (FileIo::readFully(feed.file->handle(), buffer, length, at[n]) != length)
                    return FileIo::Result::Failed;
                m_threads[t]->add(buffer, length);
                if (feed.summed >= 0)
                    m_rebuild.addToSums(feed.summed, at[n], buffer, length);
            }
            m_rebuild.m_progress.moved += feed.counted ? length : 0;
            if ((at[n] += length) >= to) {
                m_threads[t]->endDigest();
                ++range[n];
            }
        }
    }
    return FileIo::Result::Done;
}

Rebuild::Assessment::Feed Rebuild::Assessment::slicesOf(int f, QFile &file, bool counted)
{
    const qint64 size = file.isOpen() ? file.size() : 0;
    Feed feed{f % 2, &file, {}, counted};
    for (qint64 k = 0; k < m_set.slicesOf(m_set.files[f]); ++k) {
        const qint64 start = k * m_set.sliceSize;
        const qint64 end = std::min(start + m_set.sliceSize, m_set.files[f].length);
        const int i = m_rebuild.m_firstSlice[f] + int(k);
        damaged[size_t(i)] = size < end;
        // A slice that is not there is judged at once: the progress counts it as read.
        if (damaged[size_t(i)]) {
            m_rebuild.m_progress.moved += counted ? end - start : 0;
            continue;
        }
        feed.ranges.emplace_back(start, end);
        m_hashed[size_t(f % 2)].push_back(i);
    }
    return feed;
}

FileIo::Result Rebuild::Assessment::checkSlices(int f, bool counted)
{
    const Input &input = m_rebuild.m_inputs[f];
    QFile file;
    if (input.present)
        FileIo::openRegular(file, input.path);
    return give({slicesOf(f, file, counted)});
}

FileIo::Result Rebuild::Assessment::judgeWhole(const QList<QByteArray> &wholeDigests)
{
    for (int t = 2; t < 4; ++t) {
        const QList<QByteArray> digests = m_threads[t]->takeDigests(true);
        for (std::size_t n = 0; n < m_hashed[t].size(); ++n) {
            const int f = m_hashed[t][n];
            m_rebuild.m_inputs[f].provenWhole = digests.value(qsizetype(n)) == wholeDigests[f];
            if (!m_rebuild.m_inputs[f].provenWhole) {
                if (const FileIo::Result checked = checkSlices(f, false);
                    checked != FileIo::Result::Done)
                    return checked;
            }
        }
    }
    return FileIo::Result::Done;
}

void Rebuild::Assessment::judgeSlices()
{
    for (int t = 0; t < 2; ++t) {
        const QList<QByteArray> digests = m_threads[t]->takeDigests(true);
        for (std::size_t n = 0; n < m_hashed[t].size(); ++n) {
            const int i = m_hashed[t][n];
            const int f = m_rebuild.fileOf(i);
            damaged[size_t(i)] =
                digests.value(qsizetype(n))
                != m_set.files[f].checksums.sliced((i - m_rebuild.m_firstSlice[f]) * checksumLength,
                                                   checksumLength);
        }
    }
}

FileIo::Result Rebuild::assess(const QList<QByteArray> &wholeDigests)
{
    using FileIo::Result;
    Assessment assessment(*this);
    if (!m_gf.valid() || !m_buffer || !assessment.valid())
        return Result::Failed;
    m_gathering = gatherWhileJudged();
    const std::vector<int> guessed = m_lost;
    // A file that its whole digest proves is sound: SHA-256 is quicker than MD5. The others, and
    // one that it does not prove, are checked a slice at a time.
    // Two files at a time, whose blocks go in turn to threads of their own.
    for (int f = 0; f < m_inputs.size(); f += 2) {
        std::array<QFile, 2> files;
        std::vector<Assessment::Feed> feeds;
        for (int g = f; g < std::min(f + 2, int(m_inputs.size())); ++g) {
            QFile &file = files[size_t(g - f)];
            m_inputs[g].present =
                !m_inputs[g].path.isEmpty() && FileIo::openRegular(file, m_inputs[g].path);
            const qint64 length = m_set.files[g].length;
            if (!wholeDigests.value(g).isEmpty() && file.size() == length) {
                feeds.push_back({2 + g % 2, &file, {{0, length}}, true});
                assessment.hashedWhole(g);
            } else {
                feeds.push_back(assessment.slicesOf(g, file, true));
            }
            feeds.back().summed = m_gathering ? g : -1;
        }
        if (const Result fed = assessment.give(std::move(feeds)); fed != Result::Done)
            return fed;
    }
    if (const Result judged = assessment.judgeWhole(wholeDigests); judged != Result::Done)
        return judged;
    assessment.judgeSlices();
    m_lost.clear();
    for (int f = 0; f < m_inputs.size(); ++f) {
        for (qint64 k = 0; k < m_set.slicesOf(m_set.files[f]); ++k) {
            if (assessment.damaged[size_t(m_firstSlice[f] + k)]) {
                m_lost.push_back(m_firstSlice[f] + int(k));
                ++m_inputs[f].damagedSlices;
            }
        }
    }
    // Damage found beyond what was not there: the choice and the sums start anew.
    m_summed = m_gathering && m_lost == guessed;
    if (m_gathering && !m_summed)
        forgetChoice();
    m_gathering = false;
    return Result::Done;
}

bool Rebuild::gatherWhileJudged()
{
    m_lost.clear();
    for (int f = 0; f < m_inputs.size(); ++f) {
        const qint64 size = m_inputs[f].path.isEmpty()
                                ? 0
                                : std::max<qint64>(0, FileEntry::fileSize(m_inputs[f].path));
        for (qint64 k = 0; k < m_set.slicesOf(m_set.files[f]); ++k) {
            if (size < std::min((k + 1) * m_set.sliceSize, m_set.files[f].length))
                m_lost.push_back(m_firstSlice[f] + int(k));
        }
    }
    if (!m_lost.empty() && solve() && m_windowLength >= m_set.sliceSize
        && readRecovery(0, m_set.sliceSize))
        return true;
    forgetChoice();
    m_lost.clear();
    return false;
}

bool Rebuild::gatherLost()
{
    if (!m_gf.valid() || !gatherWhileJudged())
        return false;
    for (Input &input : m_inputs)
        input.present = !input.path.isEmpty() && FileEntry::fileSize(input.path) >= 0;
    for (const int i : m_lost)
        ++m_inputs[fileOf(i)].damagedSlices;
    return true;
}

void Rebuild::forgetChoice()
{
    m_chosen.clear();
    m_exponents.clear();
    m_inverse.clear();
    m_slots.clear();
    m_sums.reset();
    m_windowLength = 0;
}

void Rebuild::addToSums(int f, qint64 at, const char *data, qint64 length, qint64 from)
{
    const RecoverySet::File &described = m_set.files[f];
    for (const qint64 end = std::min(at + length, described.length); at < end;) {
        const qint64 k = at / m_set.sliceSize;
        const qint64 part = std::min(end, (k + 1) * m_set.sliceSize) - at;
        const int i = m_firstSlice[f] + int(k);
        for (std::size_t r = 0; !lost(f, k) && r < m_lost.size(); ++r)
            m_gf.multiplyAdd(
                data, m_sums.get() + (qint64(r) * m_windowLength + at - k * m_set.sliceSize - from),
                part, m_gf.power(m_constants[i], m_exponents[r]));
        at += part;
        data += part;
    }
}

bool Rebuild::readRecovery(qint64 from, qint64 length)
{
    for (std::size_t r = 0; r < m_chosen.size(); ++r) {
        QFile file;
        if (!FileIo::openRegular(file, m_chosen[r].path)
            || FileIo::readFully(file.handle(), m_sums.get() + qint64(r) * m_windowLength, length,
                                 m_chosen[r].offset + RecoverySet::dataOffset + from)
                   != length)
            return false;
    }
    return true;
}

bool Rebuild::solve()
{
    if (m_summed)
        return true;
    const std::size_t m = m_lost.size();
    // Each candidate row is reduced by those kept so far: it is kept only when something of it
    // remains, so that the rows kept always have a solution.
    std::vector<std::vector<quint16>> reduced;
    std::vector<std::size_t> pivots;
    std::vector<quint16> rows;
    for (auto it = m_set.recovery.begin(); it != m_set.recovery.end() && m_chosen.size() < m;
         ++it) {
        const quint32 exponent = it->first;
        std::vector<quint16> row(m);
        for (std::size_t j = 0; j < m; ++j)
            row[j] = m_gf.power(m_constants[m_lost[j]], exponent);
        std::vector<quint16> rest = row;
        for (std::size_t q = 0; q < reduced.size(); ++q) {
            const quint16 f = rest[pivots[q]];
            for (std::size_t c = 0; f && c < m; ++c)
                rest[c] ^= m_gf.multiply(f, reduced[q][c]);
        }
        const auto pivot = std::find_if(rest.begin(), rest.end(), [](quint16 v) { return v != 0; });
        if (pivot == rest.end())
            continue;
        const std::optional<RecoverySet::Slice> slice = m_set.provenSlice(exponent);
        if (!slice)
            continue;
        const quint16 scale = m_gf.inverse(*pivot);
        for (quint16 &v : rest)
            v = m_gf.multiply(v, scale);
        pivots.push_back(std::size_t(pivot - rest.begin()));
        reduced.push_back(std::move(rest));
        rows.insert(rows.end(), row.begin(), row.end());
        m_chosen.push_back(*slice);
        m_exponents.push_back(exponent);
    }
    if (m_chosen.size() < m)
        return false;
    m_inverse = inverted(rows, m, m_gf);
    if (m_inverse.size() != m * m)
        return false;

    const qint64 slice = (m_set.sliceSize + 15) / 16 * 16;
    m_windowLength = m ? std::clamp(rebuildMemory / qint64(2 * m) / 16 * 16, qint64(16), slice)
                       : std::min(slice, largestPlainWindow);
    if (m) {
        const auto length = size_t((2 * qint64(m) * m_windowLength + 63) / 64 * 64);
        m_sums = {static_cast<char *>(std::aligned_alloc(64, length)), std::free};
        if (!m_sums)
            return false;
    }
    for (const int i : m_lost) {
        const int f = fileOf(i);
        const qint64 k = i - m_firstSlice[f];
        auto slot = std::make_unique<Slot>();
        slot->file = f;
        slot->offset = k * m_set.sliceSize;
        slot->expected = m_set.files[f].checksums.sliced(k * checksumLength, checksumLength);
        m_slots.push_back(std::move(slot));
    }
    return true;
}

bool Rebuild::lost(int file, qint64 slice) const
{
    return std::binary_search(m_lost.begin(), m_lost.end(), m_firstSlice[file] + int(slice));
}

FileIo::Result Rebuild::rebuild(qint64 from, qint64 to, const Output &out, Give give)
{
    using FileIo::Result;
    const std::size_t m = m_lost.size();
    const qint64 length = to - from;
    const qint64 window = m_windowLength;
    char *const sums = m_sums.get();
    char *const rebuilt = sums + m * window;
    // The sums gathered as the set was judged are whole: the bytes they took are not read again.
    // (The first bytes of every slice, read for piece 1's header, give the same sums there.)
    const bool summed = m_summed && give == Give::Rebuilt && from == 0 && to == m_set.sliceSize;
    if (!summed && !readRecovery(from, length))
        return Result::Failed;
    // Every sound slice's bytes, given as they are and taken out of the sums.
    std::size_t nextLost = 0;
    for (int f = 0; f < m_inputs.size(); ++f) {
        const RecoverySet::File &described = m_set.files[f];
        QFile file;
        for (qint64 k = 0; k < m_set.slicesOf(described); ++k) {
            const int i = m_firstSlice[f] + int(k);
            if (nextLost < m && m_lost[nextLost] == i) {
                ++nextLost;
                continue;
            }
            const qint64 sliceStart = k * m_set.sliceSize;
            const qint64 end = std::min(sliceStart + to, described.length);
            if (summed) {
                m_progress.moved += std::max<qint64>(0, end - sliceStart - from);
                continue;
            }
            for (qint64 at = sliceStart + from, part; at < end; at += part) {
                part = std::min(blockSize, end - at);
                if (report(0) == Result::Stopped)
                    return Result::Stopped;
                if ((!file.isOpen() && !FileIo::openRegular(file, m_inputs[f].path))
                    || FileIo::readFully(file.handle(), m_buffer.get(), part, at) != part)
                    return Result::Short;
                if (give == Give::Everything && !out(f, at, m_buffer.get(), part))
                    return Result::Failed;
                addToSums(f, at, m_buffer.get(), part, from);
                m_progress.moved += part;
            }
        }
    }
    // The damaged slices: what remains of the sums, through the inverse.
    if (from == 0) {
        for (const std::unique_ptr<Slot> &slot : m_slots)
            slot->computed.finish(0);
        m_provenTo = 0;
    }
    for (std::size_t j = 0; j < m; ++j) {
        char *const slice = rebuilt + j * window;
        std::memset(slice, 0, size_t(window));
        for (std::size_t r = 0; r < m; ++r)
            m_gf.multiplyAdd(sums + r * window, slice, length, m_inverse[j * m + r]);
        Slot &slot = *m_slots[j];
        if (from == m_provenTo) {
            slot.computed.add(slice, length);
        }
        const qint64 end = std::min(slot.offset + to, m_set.files[slot.file].length);
        m_progress.moved += std::max<qint64>(0, end - slot.offset - from);
        if (slot.offset + from < end
            && !out(slot.file, slot.offset + from, slice, end - slot.offset - from))
            return Result::Failed;
    }
    if (from == m_provenTo)
        m_provenTo = to;
    return report(0);
}

bool Rebuild::proven()
{
    return m_provenTo == m_set.sliceSize
           && std::all_of(m_slots.begin(), m_slots.end(), [](const std::unique_ptr<Slot> &slot) {
                  return slot->computed.finish(0) == slot->expected;
              });
}
