// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Mend.h"
#include "BlockCopier.h"
#include "ChecksumFile.h"
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileIo.h"
#include "HashThread.h"
#include "OpenSslDigest.h"
#include "PieceHeader.h"
#include "Rebuild.h"
#include "RecoverySet.h"
#include "Restoring.h"
#include "UnfinishedOutput.h"
#include "WriteBehind.h"

#include <QFile>

#include <cstring>
#include <unistd.h>

namespace {

using namespace FctDecoup;
using namespace Restoring;

// The bytes of the set's files there, each whole from its start, in the order given, taken into
// the sums that rebuild the missing ones: a digest of nothing, on a hash thread of its own.
class LostSums final : public Digest
{
public:
    LostSums(Rebuild &rebuild, std::vector<int> files)
        : m_rebuild(rebuild), m_files(std::move(files))
    {}
    void add(const char *data, qint64 length) override
    {
        if (m_next < m_files.size())
            m_rebuild.addToSums(m_files[m_next], m_at, data, length);
        m_at += length;
    }
    QByteArray finish() override
    {
        ++m_next;
        m_at = 0;
        return {};
    }

private:
    Rebuild &m_rebuild;
    const std::vector<int> m_files;
    std::size_t m_next = 0;
    qint64 m_at = 0;
};

// A restore that the recovery files beside the set mend: every file of the recovery set judged
// slice by slice by its own checksums, the damaged slices rebuilt from the others and as many
// recovery slices, and the file written from both; or, where only whole pieces are missing, the
// others copied as they are judged (quickly). The set is only read.
class Mend
{
public:
    Mend(Run &run, const SetFolders &folders, const QString &baseName, const QString &damage,
         QString &destination)
        : m_run(run), m_window(run.window), m_folders(folders), m_destination(destination),
          m_baseName(baseName), m_damage(damage), m_restored(run.restored)
    {}

    bool loadSet();
    // See quickly(): Taken when it restored the file or said why not, Other when the mend must
    // judge the set first, Failed when it failed and said why.
    enum class Way { Taken, Other, Failed };
    Way quickly();
    bool assess();
    bool solve();
    bool readHeader();
    bool write();
    bool copySound();
    bool prove();
    bool publish();
    void announce();

private:
    bool fail(const QString &text, const FileIo::Cause &cause = {})
    {
        return m_run.fail(text, cause);
    }
    // A step that did not end Done: stopped, or failed, with the cause of the call that failed
    // (none where a piece changed under the mend).
    bool ended(FileIo::Result done, const FileIo::Cause &cause = {})
    {
        return done == FileIo::Result::Stopped
                   ? m_run.stop()
                   : fail(EngineTexts::restoreError,
                          done == FileIo::Result::Failed ? cause : FileIo::Cause{});
    }
    // The quick way failed, having said why.
    Way failed(bool) { return Way::Failed; }
    QList<QByteArray> readLines();
    bool quickFits();
    Way copyPresent();
    bool proveRebuilt();
    bool createOutput();
    bool writeRebuilt();
    qint64 restoredLength() const;
    QString pieceName(int n) const { return m_baseName + PieceSuffix(n); }
    QString restoredPath() const { return m_destination + m_restoredName; }
    QString mismatch(const QList<QByteArray> &digests) const;
    // Whether the proof hashes piece n on its own: a piece that its line proved is given as it was
    // read, and the file's own line proves its copy.
    bool checked(int n) const { return !m_rebuild->inputs()[m_fileOf[size_t(n)]].provenWhole; }
    // Piece n's data bytes at offset of the piece go to the restored file.
    bool writeOut(int n, qint64 offset, const char *data, qint64 length);
    FileIo::Result readBack(qint64 at, qint64 length, const std::vector<HashThread *> &hashes);

    Run &m_run;
    EngineWindow &m_window;
    const SetFolders m_folders; // of the set, only read
    QString &m_destination;     // as settleFolder
    const QString m_baseName;
    const QString m_damage; // what the plain restore met
    std::optional<RecoverySet> m_set;
    std::unique_ptr<Rebuild> m_rebuild;
    std::vector<int> m_pieceOf;      // of each input file: its piece number, 0 for another file
    std::vector<int> m_fileOf;       // of each piece, from 1: its input file
    std::vector<qint64> m_dataStart; // of each piece, from 1: where its data goes
    QString m_restoredName;
    QByteArray m_head; // piece 1's header, read or rebuilt
    const QString m_checksumName = m_baseName + QLatin1String(ChecksumFile::suffix);
    std::optional<QList<ChecksumFile::Line>> m_lines; // of the checksum file, if any
    // Whether those lines are this set's: one a piece, in order, then the file's, and the sound
    // pieces proven by theirs. Then they judge what the recovery files rebuilt.
    bool m_describes = false;
    Progress m_progress;
    qint64 m_otherTotal = 0; // the progress of the mend that judges the set first
    QFile &m_restored;
    // A slow medium slows the mend down, as any copy: its progress is true, its flush short.
    WriteBehind m_writeBehind;
    QList<QByteArray> m_digests; // of the pieces checked as they were written, then the file's
    std::unique_ptr<char[]> m_buffers[HashThread::queued + 1]; // for readBack, in turn
    int m_nextBuffer = 0;
    FileIo::Cause m_readBackCause; // of readBack's failure
    FileIo::Cause m_writeCause;    // of writeOut's
};

// The recovery set must describe a set of pieces 1 ... N of this base name, each of them.
bool Mend::loadSet()
{
    m_set = RecoverySet::load(m_folders, m_baseName);
    if (!m_set || !m_set->mapPieces(m_baseName, m_pieceOf, m_fileOf)) {
        // Without a set to mend it, the damage that the plain restore met is said; none, nothing.
        if (!m_damage.isEmpty())
            fail(m_damage);
        return false;
    }
    const int count = int(m_fileOf.size()) - 1;
    // Every byte of the set is read to be judged, then given again, read or rebuilt, and the
    // file is read back to be proven.
    m_progress = {0, count, 0, 0};
    for (const RecoverySet::File &file : m_set->files)
        m_progress.total += 2 * file.length;
    for (int n = 1; n <= count; ++n)
        m_progress.total += m_set->files[m_fileOf[n]].length - headerLength(n);
    m_otherTotal = m_progress.total;
    return true;
}

// The checksum file's lines, and whether they describe the set; the digests that they give the
// set's files, by its order (empty: none).
QList<QByteArray> Mend::readLines()
{
    // The checksum file, where its lines name the pieces, proves the sound ones more quickly.
    m_lines = ChecksumFile::read(m_folders.path(m_checksumName)).lines;
    const int count = int(m_fileOf.size()) - 1;
    QList<QByteArray> wholeDigests(m_set->files.size());
    m_describes = describesPieces(m_lines, m_baseName, count);
    for (int n = 1; n <= count; ++n) {
        if (namesPiece(m_lines, m_baseName, n))
            wholeDigests[m_fileOf[n]] = (*m_lines)[n - 1].digest;
    }
    return wholeDigests;
}

// Where the only damage is whole pieces missing (and the checksum file describes the set), the
// set is read once: each piece there is copied and proven by its line from the very bytes written,
// as a plain restore does, while the same bytes go into the sums that rebuild the missing ones.
// Those are written last, into their places, and proven by their lines and by the recovery files'
// checksums. Damage found on the way sends the mend the other way, which judges every piece
// before it writes anything.
Mend::Way Mend::quickly()
{
    if (!quickFits())
        return Way::Other;
    if (!settleFolder(m_run, m_destination, m_folders.first(), m_restoredName, restoredLength()))
        return Way::Failed;
    if (!createOutput())
        return Way::Failed;
    if (const Way copied = copyPresent(); copied != Way::Taken) {
        if (copied == Way::Other) {
            m_run.discard();
            m_progress.total = m_progress.moved + m_otherTotal;
        }
        return copied;
    }
    // The rebuild counts the bytes that its sums took as read: the copy counted them.
    for (int f = 0; f < m_rebuild->inputs().size(); ++f)
        m_progress.moved -= m_rebuild->inputs()[f].present ? m_set->files[f].length : 0;
    m_rebuild->judgedSound();
    if (!writeRebuilt() || !proveRebuilt())
        return Way::Failed;
    // Every byte is written: the title says so while the flush waits.
    m_window.reportProgress(m_progress);
    m_restored.close();
    if (!FileIo::flush(m_run.restoredTemporary))
        return failed(fail(EngineTexts::restoreError, FileIo::causeNow(restoredPath())));
    return Way::Taken;
}

// Whether quickly() may take the set: every file of it a piece, there whole or not there at all,
// piece 1 among those there, and some missing. Its header then names the file.
bool Mend::quickFits()
{
    readLines();
    const int count = int(m_fileOf.size()) - 1;
    if (!m_describes || std::count(m_pieceOf.begin(), m_pieceOf.end(), 0) > 0)
        return false;
    m_rebuild = std::make_unique<Rebuild>(*m_set, m_folders, m_window, m_progress);
    if (!m_rebuild->gatherLost())
        return false;
    const QList<Rebuild::Input> &inputs = m_rebuild->inputs();
    if (std::any_of(
            inputs.cbegin(), inputs.cend(),
            [](const Rebuild::Input &input) { return input.present && input.damagedSlices; })
        || !inputs[m_fileOf[1]].present)
        return false;
    QFile first;
    m_head = QByteArray(PieceHeader::size, '\0');
    if (!FileIo::openRegular(first, inputs[m_fileOf[1]].path)
        || FileIo::readFully(first.handle(), m_head.data(), m_head.size(), 0) != m_head.size())
        return false;
    const std::optional<PieceHeader> header = PieceHeader::decode(m_head);
    m_restoredName = header && header->pieceCount == count
                         ? RestoredName(m_baseName, header->extension)
                         : QString();
    if (m_restoredName.isEmpty())
        return false;
    // Each piece there is copied once, each missing one written then read back.
    m_progress.total = 0;
    for (int n = 1; n <= count; ++n) {
        const qint64 data = m_set->files[m_fileOf[n]].length - headerLength(n);
        m_progress.total += inputs[m_fileOf[n]].present ? data : 2 * data;
    }
    return true;
}

Mend::Way Mend::copyPresent()
{
    using FileIo::Result;
    const int count = int(m_fileOf.size()) - 1;
    const QList<Rebuild::Input> &inputs = m_rebuild->inputs();
    std::vector<int> copied, files; // the pieces there and their files, in order: digests come so
    for (int n = 1; n <= count; ++n) {
        if (inputs[m_fileOf[size_t(n)]].present) {
            copied.push_back(n);
            files.push_back(m_fileOf[size_t(n)]);
        }
    }
    // The threads last: they stop before the buffers and digests that they read go.
    BlockCopier copier(m_window, m_progress, BlockCopier::Cache::Past);
    Sha256 sha256;
    LostSums sums(*m_rebuild, std::move(files));
    HashThread pieces(sha256), summed(sums);
    std::size_t proven = 0;
    const auto sound = [&](bool wait) {
        for (const QByteArray &digest : pieces.takeDigests(wait)) {
            if (digest != (*m_lines)[copied[proven++] - 1].digest)
                return false;
        }
        return true;
    };
    for (const int n : copied) {
        m_window.reportProgress(m_progress);
        if (m_window.stopRequested())
            return failed(m_run.stop());
        // A piece that its line does not prove, or that changed since it was measured.
        QFile piece;
        const qint64 length = m_set->files[m_fileOf[size_t(n)]].length;
        if (!sound(false) || !FileIo::openRegular(piece, inputs[m_fileOf[size_t(n)]].path)
            || piece.size() != length)
            return Way::Other;
        if (n == 1) {
            pieces.add(m_head.constData(), m_head.size());
            summed.add(m_head.constData(), m_head.size());
        }
        const qint64 at = m_dataStart[size_t(n)];
        if (::lseek(m_restored.handle(), at, SEEK_SET) != at)
            return failed(fail(EngineTexts::restoreError, FileIo::causeNow(restoredPath())));
        const Result done = copier.append(piece, headerLength(n), length - headerLength(n),
                                          m_restored, {{&pieces, &summed}, true});
        if (done == Result::Short)
            return Way::Other;
        if (done != Result::Done)
            return failed(
                ended(done, copier.cause(restoredPath(), inputs[m_fileOf[size_t(n)]].path)));
        pieces.endDigest();
        summed.endDigest();
    }
    if (!sound(true))
        return Way::Other;
    summed.takeDigests(true);
    return copier.finish() ? Way::Taken
                           : failed(fail(EngineTexts::restoreError,
                                         copier.cause(restoredPath(), restoredPath())));
}

// The missing pieces as they were rebuilt, read back from the file and held to their lines.
bool Mend::proveRebuilt()
{
    Sha256 sha256;
    HashThread hash(sha256);
    std::vector<int> rebuilt;
    for (int n = 1; n < int(m_fileOf.size()); ++n) {
        const int f = m_fileOf[size_t(n)];
        if (m_rebuild->inputs()[f].present)
            continue;
        const FileIo::Result done =
            readBack(m_dataStart[size_t(n)], m_set->files[f].length - headerLength(n), {&hash});
        if (done != FileIo::Result::Done)
            return ended(done, m_readBackCause);
        hash.endDigest();
        rebuilt.push_back(n);
    }
    const QList<QByteArray> digests = hash.takeDigests(true);
    for (std::size_t k = 0; k < rebuilt.size(); ++k) {
        const QByteArray digest = digests.value(qsizetype(k));
        if (digest != (*m_lines)[rebuilt[k] - 1].digest)
            return fail(digest.isEmpty() ? EngineTexts::restoreError
                                         : EngineTexts::rebuiltDoesNotMatch(pieceName(rebuilt[k]),
                                                                            m_checksumName));
    }
    return true;
}

bool Mend::assess()
{
    const QList<QByteArray> wholeDigests = readLines();
    m_rebuild = std::make_unique<Rebuild>(*m_set, m_folders, m_window, m_progress);
    switch (m_rebuild->assess(wholeDigests)) {
    case FileIo::Result::Done:
        m_describes = m_describes
                      && std::any_of(m_rebuild->inputs().cbegin(), m_rebuild->inputs().cend(),
                                     [](const Rebuild::Input &input) { return input.provenWhole; });
        return true;
    case FileIo::Result::Stopped:
        return m_run.stop();
    default:
        return fail(EngineTexts::restoreError);
    }
}

// More damage than the recovery slices mend is refused before anything is written, by the first
// piece (or other file of the set) that is missing or damaged.
bool Mend::solve()
{
    if (m_rebuild->solve())
        return true;
    const QList<Rebuild::Input> &inputs = m_rebuild->inputs();
    int first = -1;
    for (int n = 1; n < int(m_fileOf.size()) && first < 0; ++n)
        first = inputs[m_fileOf[size_t(n)]].damagedSlices ? m_fileOf[size_t(n)] : -1;
    for (int f = 0; f < inputs.size() && first < 0; ++f)
        first = inputs[f].damagedSlices ? f : -1;
    return fail(EngineTexts::notRepairable(PathFromNative(m_set->files[first].name),
                                           !inputs[first].present));
}

// The name the file comes back under is in piece 1's header, which may have to be rebuilt too.
bool Mend::readHeader()
{
    QByteArray head(PieceHeader::size, '\0');
    const int first = m_fileOf[1];
    const auto keepHead = [&](int file, qint64 offset, const char *data, qint64 length) {
        if (file == first && offset < PieceHeader::size)
            std::memcpy(head.data() + offset, data,
                        size_t(std::min(length, PieceHeader::size - offset)));
        return true;
    };
    // The first bytes of every slice: piece 1's header among them, whatever the slice size.
    const qint64 moved = m_progress.moved;
    if (m_rebuild->rebuild(0, std::min<qint64>(m_set->sliceSize, 4096), keepHead)
        != FileIo::Result::Done)
        return fail(EngineTexts::restoreError);
    m_progress.moved = moved;
    const std::optional<PieceHeader> header = PieceHeader::decode(head);
    m_restoredName = header && header->pieceCount == int(m_fileOf.size()) - 1
                         ? RestoredName(m_baseName, header->extension)
                         : QString();
    if (m_restoredName.isEmpty())
        return fail(EngineTexts::badHeader);
    m_head = head;
    return settleFolder(m_run, m_destination, m_folders.first(), m_restoredName, restoredLength())
        .has_value();
}

qint64 Mend::restoredLength() const
{
    qint64 length = 0;
    for (std::size_t n = 1; n < m_fileOf.size(); ++n)
        length += m_set->files[m_fileOf[n]].length - headerLength(int(n));
    return length;
}

bool Mend::writeOut(int n, qint64 offset, const char *data, qint64 length)
{
    const qint64 skip = std::max<qint64>(0, headerLength(n) - offset);
    if (skip >= length)
        return true;
    const qint64 at = m_dataStart[size_t(n)] + offset + skip - headerLength(n);
    if (!FileIo::writeFully(m_restored.handle(), data + skip, length - skip, at)) {
        m_writeCause = FileIo::causeNow(restoredPath());
        return false;
    }
    m_writeBehind.written(m_restored.handle(), at, length - skip);
    return true;
}

// Under its hidden name, as any restore.
bool Mend::createOutput()
{
    // As private as the set: as its first piece that is there, or as a recovery file.
    QString permissionsOf = m_set->paths.first();
    for (std::size_t n = 1; n < m_fileOf.size(); ++n) {
        if (m_rebuild->inputs()[m_fileOf[n]].present) {
            permissionsOf = m_folders.path(pieceName(int(n)));
            break;
        }
    }
    if (!createRestored(m_run, restoredPath(), permissionsOf))
        return false;
    m_dataStart.assign(m_fileOf.size() + 1, 0);
    for (std::size_t n = 1; n < m_fileOf.size(); ++n)
        m_dataStart[n + 1] =
            m_dataStart[n] + m_set->files[m_fileOf[n]].length - headerLength(int(n));
    return true;
}

// The damaged slices rebuilt a window of every slice at a time, each where it goes, and proven by
// their own checksums.
bool Mend::writeRebuilt()
{
    const auto out = [this](int file, qint64 offset, const char *data, qint64 length) {
        return !m_pieceOf[size_t(file)] || writeOut(m_pieceOf[size_t(file)], offset, data, length);
    };
    for (qint64 from = 0; m_rebuild->damagedSlices() && from < m_set->sliceSize;
         from += m_rebuild->windowLength()) {
        const FileIo::Result done =
            m_rebuild->rebuild(from, std::min(from + m_rebuild->windowLength(), m_set->sliceSize),
                               out, Rebuild::Give::Rebuilt);
        if (done != FileIo::Result::Done)
            return ended(done, m_writeCause);
    }
    // Nothing to rebuild, nothing read to rebuild it: the progress counted that read.
    if (!m_rebuild->damagedSlices()) {
        for (const RecoverySet::File &file : m_set->files)
            m_progress.moved += file.length;
    }
    m_window.reportProgress(m_progress);
    return !m_rebuild->damagedSlices() || m_rebuild->proven() || fail(EngineTexts::restoreError);
}

// The rebuilt slices first, each where it goes: then the sound bytes go in order, read back and
// hashed as they are written.
bool Mend::write()
{
    if (!createOutput() || !writeRebuilt() || !copySound())
        return false;
    m_restored.close();
    return FileIo::flush(m_run.restoredTemporary)
           || fail(EngineTexts::restoreError, FileIo::causeNow(restoredPath()));
}

// The sound slices' bytes, piece after piece, by the kernel where it can, as any restore. Where
// the checksum file describes the set, the file is read back as it is written, the rebuilt
// bytes among the rest, and hashed whole, and so is each piece that its line did not prove as it
// was read (rebuilt, or judged by the recovery files): the file's own line proves the copy of
// the others.
bool Mend::copySound()
{
    using FileIo::Result;
    BlockCopier copier(m_window, m_progress, BlockCopier::Cache::Past);
    Sha256 pieceSha256, fileSha256;
    HashThread pieces(pieceSha256), whole(fileSha256);
    const int count = int(m_fileOf.size()) - 1;
    const auto hashed = [&](int n) { return m_describes && checked(n); };
    for (int n = 1; n <= count; ++n) {
        m_window.reportProgress(m_progress);
        if (m_window.stopRequested())
            return m_run.stop();
        const int f = m_fileOf[size_t(n)];
        BlockCopier::Hashes hashes{{}, true};
        if (m_describes)
            hashes.threads.push_back(&whole);
        if (hashed(n))
            hashes.threads.push_back(&pieces);
        if (hashed(n) && n == 1)
            pieces.add(m_head.constData(), m_head.size());
        QFile piece;
        const qint64 length = m_set->files[f].length;
        for (qint64 k = 0; k * m_set->sliceSize < length; ++k) {
            const qint64 from = std::max(k * m_set->sliceSize, headerLength(n));
            const qint64 end = std::min((k + 1) * m_set->sliceSize, length);
            if (from >= end)
                continue;
            const qint64 at = m_dataStart[size_t(n)] + from - headerLength(n);
            Result done = Result::Done;
            FileIo::Cause cause;
            if (m_rebuild->lost(f, k)) {
                done = readBack(at, end - from, hashes.threads);
                cause = m_readBackCause;
            } else if (!piece.isOpen()
                       && !FileIo::openRegular(piece, m_rebuild->inputs()[f].path)) {
                done = Result::Short;
            } else if (::lseek(m_restored.handle(), at, SEEK_SET) != at) {
                done = Result::Failed;
                cause = FileIo::causeNow(restoredPath());
            } else if ((done = copier.append(piece, from, end - from, m_restored, hashes))
                       == Result::Failed) {
                cause = copier.cause(restoredPath(), m_rebuild->inputs()[f].path);
            }
            if (done != Result::Done)
                return ended(done, cause);
        }
        if (hashed(n)) {
            pieces.endDigest();
            // The buffers go round without this piece's hash: it must be done with them.
            if (n < count && !hashed(n + 1))
                m_digests += pieces.takeDigests(true);
        }
    }
    if (!copier.finish())
        return fail(EngineTexts::restoreError, copier.cause(restoredPath(), restoredPath()));
    // Every byte is copied: the title says so while the hashes end and the flush waits.
    m_window.reportProgress(m_progress);
    whole.endDigest();
    m_digests += pieces.takeDigests(true) + whole.takeDigests(true);
    return true;
}

// Rebuilt bytes of the file, read back from it for the hashes.
FileIo::Result Mend::readBack(qint64 at, qint64 length, const std::vector<HashThread *> &hashes)
{
    constexpr qint64 blockSize = 1 << 20;
    for (qint64 end = at + length, part; at < end; at += part) {
        m_window.reportProgress(m_progress);
        if (m_window.stopRequested())
            return FileIo::Result::Stopped;
        part = std::min(blockSize, end - at);
        m_progress.moved += part;
        if (hashes.empty())
            continue;
        std::unique_ptr<char[]> &buffer = m_buffers[m_nextBuffer++ % std::size(m_buffers)];
        if (!buffer && !(buffer = std::unique_ptr<char[]>(new (std::nothrow) char[blockSize]))) {
            m_readBackCause = {ENOMEM, restoredPath()};
            return FileIo::Result::Failed;
        }
        if (const qint64 got = FileIo::readFully(m_restored.handle(), buffer.get(), part, at);
            got != part) {
            m_readBackCause = FileIo::causeNow(restoredPath());
            return got < 0 ? FileIo::Result::Failed : FileIo::Result::Short;
        }
        for (HashThread *hash : hashes)
            hash->add(buffer.get(), part);
    }
    return FileIo::Result::Done;
}

// Where the checksum file describes the set it has the last word: what was hashed as it was
// written must match the lines before the file takes its name. Recovery files of another version
// of the file, or forged ones, rebuild data that their own checksums prove.
bool Mend::prove()
{
    const QString text = m_describes ? mismatch(m_digests) : QString();
    return text.isEmpty() || fail(text);
}

// The first of the file's pieces checked, then the file, that its digest shows is not as its line
// says: digests holds those of the pieces checked, in order, then the file's.
QString Mend::mismatch(const QList<QByteArray> &digests) const
{
    const int count = int(m_fileOf.size()) - 1;
    qsizetype next = 0;
    for (int n = 1; n <= count; ++n) {
        if (!checked(n))
            continue;
        const QByteArray digest = digests.value(next++);
        if (digest == (*m_lines)[n - 1].digest)
            continue;
        if (digest.isEmpty())
            return EngineTexts::restoreError;
        return m_rebuild->inputs()[m_fileOf[size_t(n)]].damagedSlices
                   ? EngineTexts::rebuiltDoesNotMatch(pieceName(n), m_checksumName)
                   : EngineTexts::damagedContent(pieceName(n), m_checksumName);
    }
    return digests.value(next) == m_lines->last().digest
               ? QString()
               : EngineTexts::restoredDoesNotMatch(m_restoredName, m_checksumName);
}

bool Mend::publish()
{
    return publishRestored(m_run, restoredPath());
}

void Mend::announce()
{
    QStringList missing, damaged;
    for (std::size_t n = 1; n < m_fileOf.size(); ++n) {
        const Rebuild::Input &input = m_rebuild->inputs()[m_fileOf[n]];
        if (input.damagedSlices)
            (input.present ? damaged : missing).append(pieceName(int(n)));
    }
    QString text = EngineTexts::restoreDone;
    if (!missing.isEmpty() || !damaged.isEmpty())
        text += EngineTexts::lineBreak + EngineTexts::rebuiltPieces(missing, damaged);
    m_window.showMessage(text, EngineTexts::informationTitle, MessageIcon::Information,
                         MessageButtons::Ok);
    m_window.refreshFileList();
}

} // namespace

namespace FctDecoup {

bool MendSet(Run &run, const SetFolders &folders, const QString &baseName, const QString &damage,
             QString &destination)
{
    Mend mend(run, folders, baseName, damage, destination);
    if (!mend.loadSet())
        return run.outcome != Outcome::Done;
    const Mend::Way way = mend.quickly();
    if (way == Mend::Way::Failed)
        return true;
    if ((way == Mend::Way::Taken
         || (mend.assess() && mend.solve() && mend.readHeader() && mend.write() && mend.prove()))
        && mend.publish())
        mend.announce();
    return true;
}

} // namespace FctDecoup
