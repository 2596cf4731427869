// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Cutting a file into a piece set.
#include "BlockCopier.h"
#include "ChecksumFile.h"
#include "Cutting.h"
#include "Destination.h"
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "FileIo.h"
#include "HashThread.h"
#include "IgnoredFileSizeSignal.h"
#include "OpenSslDigest.h"
#include "OutputFolder.h"
#include "Par2.h"
#include "PieceHeader.h"
#include "RecoverySet.h"
#include "RecoveryWriter.h"
#include "SetLock.h"
#include "UnfinishedOutput.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace Cutting {

using namespace FctDecoup;

// Data bytes per piece for a size in kilobytes, rounded half to even; none when the size gives
// no block at all or one past what a single read may move.
std::optional<qint64> blockLength(double sizeKb)
{
    const double bytes = std::nearbyint(sizeKb * 1024.0);
    if (!std::isfinite(bytes) || bytes < 1 || bytes > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint64>(bytes);
}

const QByteArray creator = QByteArrayLiteral("Created by Fendrax version ") + FENDRAX_VERSION;

// The entries that hold a name of an earlier set of baseName in folder: baseName + ".001" ...
// ".999", its checksum file and its recovery files, whatever they are (a file, hidden or not, a
// folder, a link, even a dangling one). The names are built or compared, never matched as
// patterns: a base name may hold *, ? or [.
QStringList earlierSet(const QString &folder, const QString &baseName)
{
    QStringList names{baseName + QLatin1String(ChecksumFile::suffix)};
    for (int n = 1; n <= maxPieceCount; ++n)
        names.append(baseName + PieceSuffix(n));
    QStringList taken;
    for (const QString &name : std::as_const(names)) {
        if (FileEntry::exists(folder + name))
            taken.append(folder + name);
    }
    // A set of more pieces had more volumes, and another tool may have named them otherwise.
    taken += RecoverySet::fileNames(folder, baseName);
    return taken;
}

// All or nothing: every entry is checked before the first removal, and none may be a folder,
// the source, or a read-only file. A link goes, never what it leads to.
// Why one cannot go (the cut's own finding, or the cause of the call that failed), or nothing.
QString removeAll(const QStringList &entries, const QString &sourcePath)
{
    for (const QString &path : entries) {
        const std::optional<struct stat> entry = FileEntry::status(path, false);
        const bool link = entry && S_ISLNK(entry->st_mode);
        if (FileEntry::isSameFile(sourcePath, path))
            return EngineTexts::sourceIsSetName(path);
        if (!link && entry && S_ISDIR(entry->st_mode))
            return EngineTexts::cause(EISDIR, path);
        if (!link && FileEntry::isReadOnly(path))
            return EngineTexts::readOnlyFile(path);
    }
    for (const QString &path : entries) {
        if (!FileEntry::remove(path))
            return EngineTexts::cause(errno, path);
    }
    return {};
}

Cut::Cut(EngineWindow &window, const QString &sourcePath, std::optional<int> recoverySlices)
    : m_window(window), m_sourcePath(sourcePath), m_name(SetNameOf(SplitPath(sourcePath, true))),
      m_source(sourcePath), m_recoverySlices(recoverySlices)
{}

void Cut::setFolder(const QString &folder)
{
    m_folder = AddBackslash(folder);
    m_checksumPath = m_folder + m_name.baseName + QLatin1String(ChecksumFile::suffix);
}

qint64 Cut::pieceLength(int n) const
{
    return std::min(*m_block, m_length - (n - 1) * *m_block) + (n == 1 ? m_header.size() : 0);
}

bool Cut::fail(const FileIo::Cause &cause, const QString &finding)
{
    m_created.remove();
    m_source.close();
    m_outcome = Outcome::Failed;
    m_window.showMessage(EngineTexts::withCause(EngineTexts::cutError,
                                                finding.isEmpty()
                                                    ? EngineTexts::cause(cause.error, cause.path)
                                                    : finding),
                         EngineTexts::errorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

bool Cut::refuse(const QString &text)
{
    m_source.close();
    m_outcome = Outcome::Refused;
    if (!text.isEmpty())
        m_window.showMessage(text, EngineTexts::errorTitle, MessageIcon::Exclamation,
                             MessageButtons::Ok);
    return false;
}

bool Cut::stop()
{
    m_created.remove();
    m_source.close();
    m_outcome = Outcome::Stopped;
    return false;
}

// An empty source has nothing to cut, and one that vanished since the list showed it ends
// quietly.
bool Cut::openSource()
{
    if (!FileIo::openRegular(m_source, m_sourcePath)) {
        const FileIo::Cause cause = FileIo::causeNow(m_sourcePath);
        return FileEntry::exists(m_sourcePath) ? fail(cause) : refuse(QString());
    }
    if (::fstat(m_source.handle(), &m_sourceState) != 0)
        return fail(FileIo::causeNow(m_sourcePath));
    m_length = m_sourceState.st_size;
    // Pieces are as private as the source; their owner may always remove them, so that the
    // next cut of a read-only source can replace its set.
    m_mode = (m_sourceState.st_mode & 0777) | S_IWUSR;
    return m_length > 0 || refuse(QString());
}

bool Cut::sourceUnchanged() const
{
    struct stat now;
    const std::optional<struct stat> named = FileEntry::status(m_sourcePath, true);
    const auto same = [](const struct timespec &a, const struct timespec &b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    };
    return ::fstat(m_source.handle(), &now) == 0 && named && named->st_dev == now.st_dev
           && named->st_ino == now.st_ino && now.st_size == m_sourceState.st_size
           && same(now.st_mtim, m_sourceState.st_mtim) && same(now.st_ctim, m_sourceState.st_ctim);
}

// What can be known of the new set is checked before anything is asked or removed. A size that
// gives no block is reported later, after the question, like any failure of the cut.
bool Cut::planSet(double sizeKb)
{
    m_block = blockLength(sizeKb);
    if (!m_block)
        return true;
    const qint64 count = (m_length + *m_block - 1) / *m_block;
    if (count > maxPieceCount)
        return refuse(EngineTexts::tooManyPieces(
            ((m_length + maxPieceCount - 1) / maxPieceCount + 1023) / 1024));
    m_pieceCount = int(count);
    m_header = PieceHeader::encode(m_name.extension, m_pieceCount);
    if (!m_recoverySlices)
        m_recoverySlices = DefaultRecoverySlices(m_pieceCount);
    return true;
}

// Every file that the cut writes, as long as it will be.
QList<qint64> Cut::outputLengths() const
{
    QList<qint64> lengths;
    QList<QByteArray> names;
    // A line a piece and one for the file, each name escaped at worst.
    qint64 checksums = 67 + 2 * m_name.baseName.size() + 2 * m_name.extension.size() * 4;
    for (int n = 1; n <= m_pieceCount; ++n) {
        names.append(NativePath(m_name.baseName + PieceSuffix(n)));
        checksums += 67 + 2 * names.last().size();
        lengths.append(pieceLength(n));
    }
    return lengths + QList<qint64>{checksums}
           + RecoveryWriter::fileLengths(names, (pieceLength(1) + 3) / 4 * 4, *m_recoverySlices,
                                         creator);
}

// Whether folder can take the set, once an earlier set that the question may remove is gone.
// The earlier set found there is the one asked about, when the set goes there.
std::optional<Destination::Refusal> Cut::refusal(const QString &folder)
{
    qint64 freed = 0;
    m_earlierSet = earlierSet(folder, m_name.baseName);
    for (const QString &path : std::as_const(m_earlierSet)) {
        const std::optional<struct stat> entry = FileEntry::status(path, false);
        freed += entry && S_ISREG(entry->st_mode) ? qint64(entry->st_size) : 0;
    }
    return Destination::refusal(folder, m_block ? outputLengths() : QList<qint64>(), freed);
}

// Beside the source unless the caller says where; when that folder cannot take the set, the user
// may choose another, or Cancel: then nothing is written.
bool Cut::chooseFolder(const QString &destination)
{
    // Where the room alone is wanting, the set may go onto one medium after another: offered
    // before another folder is asked for.
    const auto acrossMedia = [&](const QString &folder,
                                 const std::optional<Destination::Refusal> &refused) {
        if (!refused || refused->error || refused->tooLong || !m_block)
            return false;
        std::optional<EngineWindow::AcrossMedia> across;
        if (!m_acrossMedia)
            across =
                m_window.offerMedia(EngineTexts::noRoom(folder, refused->needed, refused->free));
        if (!m_acrossMedia && !across)
            return false;
        setFolder(folder);
        if (across)
            goAcrossMedia({}, across->protect);
        return true;
    };
    const QString first =
        AddBackslash(destination.isEmpty() ? SplitPath(m_sourcePath, false) : destination);
    if (acrossMedia(first, refusal(first)))
        return true;
    const OutputFolder::Settled settled =
        OutputFolder::settle(m_window, Output::Pieces, destination, SplitPath(m_sourcePath, false),
                             [this](const QString &folder) { return refusal(folder); });
    if (settled.folder) {
        setFolder(*settled.folder);
        return true;
    }
    if (settled.refusal && acrossMedia(settled.refusedFolder, settled.refusal))
        return true;
    return refuse(settled.why.isEmpty()
                      ? QString()
                      : EngineTexts::withCause(EngineTexts::cutError, settled.why));
}

// Another operation on the set's names in that folder, in this program or another, is refused
// before anything is asked or written.
bool Cut::holdNames()
{
    switch (m_lock.take(m_folder, m_name.baseName, SetLock::Names::Set, SetLock::Mode::Write)) {
    case SetLock::State::Held:
        break;
    case SetLock::State::Busy:
        return refuse(EngineTexts::withCause(EngineTexts::cutError,
                                             EngineTexts::namesBusy(m_name.baseName, m_folder)));
    default:
        return fail(FileIo::causeNow(m_folder));
    }
    m_firstPieceTemporary = m_lock.temporaryPath(piecePath(1));
    m_checksumTemporary = m_lock.temporaryPath(m_checksumPath);
    return true;
}

bool Cut::checkNames()
{
    if (!m_block)
        return true;
    // The source is only read: it may be named like one of the set's files, never written as one.
    QStringList names{m_checksumPath,
                      m_folder + m_name.baseName + QLatin1String(Par2::indexSuffix)};
    for (int n = 1; n <= m_pieceCount; ++n)
        names.append(piecePath(n));
    for (int e = 0; e < *m_recoverySlices; ++e)
        names.append(m_folder + Par2::volumeName(m_name.baseName, e, *m_recoverySlices));
    const auto source = std::find_if(names.cbegin(), names.cend(), [&](const QString &name) {
        return FileEntry::isSameFile(m_sourcePath, name);
    });
    return source == names.cend()
           || refuse(EngineTexts::withCause(EngineTexts::cutError,
                                            EngineTexts::sourceIsSetName(*source)));
}

// No name that the set may take is taken without the user's OK.
bool Cut::askAboutEarlierSet()
{
    if (!m_earlierSet.isEmpty()) {
        const MessageAnswer answer = m_window.showMessage(
            EngineTexts::earlierSetQuestion, EngineTexts::earlierSetTitle(m_name.baseName),
            MessageIcon::Question, MessageButtons::OkCancel);
        if (answer != MessageAnswer::Ok) {
            m_window.refreshFileList();
            return refuse(QString());
        }
        if (const QString why = removeAll(m_earlierSet, m_sourcePath); !why.isEmpty())
            return fail({}, why);
        m_window.refreshFileList();
    }
    return m_block || fail({}, EngineTexts::badSize);
}

// The recovery files name each piece by an ID made of its length and the MD5 of its first 16 KiB,
// and the order of these IDs gives each piece its factor in the recovery slices: the pieces' heads
// are read before the copy, and the copy checks that they are still what it copies.
bool Cut::planRecovery()
{
    QList<RecoveryWriter::Piece> pieces;
    for (int n = 1; n <= m_pieceCount; ++n) {
        const QByteArray prefix = n == 1 ? m_header : QByteArray();
        QByteArray head(std::min(pieceLength(n), Par2::headLength), Qt::Uninitialized);
        const qint64 wanted = head.size() - prefix.size();
        if (FileIo::readFully(m_source.handle(), head.data() + prefix.size(), wanted,
                              (n - 1) * *m_block)
            != wanted) {
            const int error = errno;
            return sourceUnchanged() ? fail({error, m_sourcePath}) : fail({}, changed());
        }
        head.replace(0, prefix.size(), prefix);
        pieces.append(
            {NativePath(m_name.baseName + PieceSuffix(n)), pieceLength(n), Md5::of(head)});
    }
    m_recoveryPieces = pieces;
    // Across media, each medium's volumes are summed when it comes: here, the index alone.
    m_recovery = m_acrossMedia ? std::make_unique<RecoveryWriter>(m_recoveryPieces, QList<int>(), 0,
                                                                  recoveryMemory, creator)
                               : std::make_unique<RecoveryWriter>(
                                   m_recoveryPieces, *m_recoverySlices, recoveryMemory, creator);
    if (!m_recovery->valid())
        return fail({ENOMEM, m_sourcePath});
    // Beyond the first window, the pieces are read again for each further one.
    m_progress = {0, m_pieceCount, 0, m_length};
    if (m_acrossMedia)
        return true;
    const qint64 window = m_recovery->windowEnd(0);
    for (int n = 1; m_recovery->windowCount() > 1 && n <= m_pieceCount; ++n)
        m_progress.total += std::max(qint64(0), pieceLength(n) - window);
    return true;
}

// The pieces, each hashed as it lies on the disk, and the whole file too, and the recovery
// slices: the data read once, hashed on both cores while the kernel copies. The pieces of an
// unfinished set are useless, and a short last piece would restore into a truncated file without
// a word: they go when the cut fails or is stopped.
bool Cut::copyPieces()
{
    Progress &progress = m_progress;
    BlockCopier copier(m_window, progress);
    Sha256 pieceSha256;
    Sha256 fileSha256;
    HashThread pieceHash(pieceSha256);
    HashThread fileHash(fileSha256);
    HashThread checksums(m_recovery->checksums());
    HashThread crcs(m_recovery->crcs());
    HashThread sums0(m_recovery->sums(0));
    HashThread sums1(m_recovery->sums(1));
    // What hashes each piece apart, header included.
    const std::array<HashThread *, 5> perPiece{&pieceHash, &checksums, &crcs, &sums0, &sums1};
    const BlockCopier::Hashes hashes{{&pieceHash, &fileHash, &checksums, &crcs, &sums0, &sums1}};
    for (int n = 1; n <= m_pieceCount; ++n) {
        QFile piece;
        const QString written = n == 1 ? m_firstPieceTemporary : piecePath(n);
        if (!FileIo::createNew(piece, written, m_mode))
            return fail(FileIo::causeNow(piecePath(n)));
        m_created.add(written);
        progress.piece = n;
        m_window.reportProgress(progress);
        if (m_window.stopRequested())
            return stop();
        const qint64 offset = (n - 1) * *m_block;
        const qint64 length = std::min(*m_block, m_length - offset);
        if (n == 1) {
            if (piece.write(m_header) != m_header.size())
                return fail(FileIo::causeNow(piecePath(n)));
            for (HashThread *thread : perPiece)
                thread->add(m_header.constData(), m_header.size());
        }
        const FileIo::Result copied = copier.append(m_source, offset, length, piece, hashes);
        if (copied == FileIo::Result::Stopped)
            return stop();
        // A source that changed under the copy fails by that cause, whatever call it upset; it is
        // looked at after each piece, so that a long cut of a file being written ends early.
        if (!sourceUnchanged())
            return fail({}, changed());
        if (copied != FileIo::Result::Done)
            return fail(copier.cause(piecePath(n), m_sourcePath));
        for (HashThread *thread : perPiece)
            thread->endDigest();
    }
    m_source.close();
    fileHash.endDigest();
    m_digests = pieceHash.takeDigests(true) + fileHash.takeDigests(true);
    checksums.takeDigests(true);
    m_pieceCrcs = crcs.takeDigests(true);
    sums0.takeDigests(true);
    sums1.takeDigests(true);
    return true;
}

// The pieces' bytes of one further window of the recovery slices, read back from the pieces
// written, in blocks that the two sums take in turn.
FileIo::Result Cut::sumWindow(int window, FileIo::Cause &cause)
{
    constexpr qint64 blockSize = 1 << 20;
    m_recovery->startWindow(window);
    std::unique_ptr<char[]> buffers[HashThread::queued + 1];
    for (auto &buffer : buffers) {
        if (!(buffer = std::unique_ptr<char[]>(new (std::nothrow) char[blockSize]))) {
            cause = {ENOMEM, m_folder};
            return FileIo::Result::Failed;
        }
    }
    HashThread sums0(m_recovery->sums(0));
    HashThread sums1(m_recovery->sums(1));
    int next = 0;
    for (int n = 1; n <= m_pieceCount; ++n) {
        const qint64 end = std::min(pieceLength(n), m_recovery->windowEnd(window));
        if (end <= m_recovery->windowStart(window))
            continue;
        QFile piece;
        if (!FileIo::openRegular(piece, n == 1 ? m_firstPieceTemporary : piecePath(n))) {
            cause = FileIo::causeNow(piecePath(n));
            return FileIo::Result::Failed;
        }
        m_progress.piece = n;
        for (qint64 at = m_recovery->windowStart(window); at < end;) {
            m_window.reportProgress(m_progress);
            if (m_window.stopRequested())
                return FileIo::Result::Stopped;
            char *buffer = buffers[next].get();
            next = (next + 1) % int(std::size(buffers));
            const qint64 length = std::min(blockSize, end - at);
            if (const qint64 got = FileIo::readFully(piece.handle(), buffer, length, at);
                got != length) {
                // A piece cut short since it was written: something else than the cut wrote it.
                cause =
                    got < 0 ? FileIo::causeNow(piecePath(n)) : FileIo::Cause{ESTALE, piecePath(n)};
                return FileIo::Result::Failed;
            }
            sums0.add(buffer, length);
            sums1.add(buffer, length);
            at += length;
            m_progress.moved += length;
        }
        sums0.endDigest();
        sums1.endDigest();
    }
    sums0.takeDigests(true);
    sums1.takeDigests(true);
    return FileIo::Result::Done;
}

// The index and one volume per recovery slice, each slice written a window at a time.
bool Cut::writeRecovery()
{
    if (!m_recovery->create(m_pieceCrcs, m_folder, m_name.baseName, m_mode, m_lock, m_created)
        || !m_recovery->writeWindow(0))
        return fail(FileIo::causeNow(m_folder));
    for (int window = 1; window < m_recovery->windowCount(); ++window) {
        FileIo::Cause cause;
        if (const FileIo::Result summed = sumWindow(window, cause); summed != FileIo::Result::Done)
            return summed == FileIo::Result::Stopped ? stop() : fail(cause);
        if (!m_recovery->writeWindow(window))
            return fail(FileIo::causeNow(m_folder));
    }
    // Every byte is copied and summed: the title says so while the flushes wait for the disk.
    m_window.reportProgress(m_progress);
    return m_recovery->finish() || fail(FileIo::causeNow(m_folder));
}

// One line a piece, then one for the file that the set restores to.
QByteArray Cut::checksumBytes() const
{
    QByteArray checksums;
    for (int n = 1; n <= m_pieceCount + 1; ++n) {
        const QString fileName = n <= m_pieceCount
                                     ? m_name.baseName + PieceSuffix(n)
                                     : RestoredName(m_name.baseName, m_name.extension);
        // A hash that could not be had (no memory for it) proves nothing.
        if (m_digests.size() < n || m_digests[n - 1].isEmpty())
            return {};
        checksums += ChecksumFile::line(m_digests[n - 1], NativePath(fileName));
    }
    return checksums;
}

bool Cut::writeChecksums()
{
    const QByteArray checksums = checksumBytes();
    if (checksums.isEmpty())
        return fail({ENOMEM, m_sourcePath});
    QFile file;
    if (!FileIo::createNew(file, m_checksumTemporary, m_mode))
        return fail(FileIo::causeNow(m_checksumPath));
    m_created.add(m_checksumTemporary);
    return file.write(checksums) == checksums.size() || fail(FileIo::causeNow(m_checksumPath));
}

// Each file is on its way to the disk already: the flushes only wait for the last of it. The
// recovery files and the checksums take their names first: a set whose first piece is there has
// them whole.
bool Cut::publish()
{
    for (const QString &path : m_created.paths()) {
        if (!FileIo::flush(path))
            return fail(FileIo::causeNow(m_folder));
    }
    QList<std::pair<QString, QString>> names = m_recovery->names();
    names.append({m_checksumTemporary, m_checksumPath});
    names.append({m_firstPieceTemporary, piecePath(1)});
    for (const auto &[temporary, final] : std::as_const(names)) {
        if (FileIo::publish(temporary, final) != FileIo::Result::Done)
            return fail(FileIo::causeNow(final));
        m_created.add(final);
    }
    m_created.keep();
    return true;
}

void Cut::announce()
{
    m_window.showMessage(EngineTexts::cutDone(QString::fromLatin1(m_header.right(3))),
                         EngineTexts::informationTitle, MessageIcon::Information,
                         MessageButtons::Ok);
    m_window.refreshFileList();
}

} // namespace Cutting

namespace FctDecoup {

int DefaultRecoverySlices(int pieceCount)
{
    return std::max(1, (pieceCount + 19) / 20);
}

Outcome CutFile(EngineWindow &window, const QString &sourcePath, double sizeKb,
                std::optional<int> recoverySlices, const QString &destination, const Media &media)
{
    const IgnoredFileSizeSignal fileSizeLimitIsAFailure;
    Cutting::Cut cut(window, sourcePath, recoverySlices);
    if (!media.more.isEmpty() || media.protect)
        cut.goAcrossMedia(media.more, media.protect);
    if (!cut.openSource() || !cut.planSet(sizeKb) || !cut.chooseFolder(destination))
        return cut.outcome();
    if (cut.acrossMedia()) {
        cut.cutAcrossMedia();
        return cut.outcome();
    }
    if (cut.holdNames() && cut.checkNames() && cut.askAboutEarlierSet() && cut.planRecovery()
        && cut.copyPieces() && cut.writeRecovery() && cut.writeChecksums() && cut.publish())
        cut.announce();
    return cut.outcome();
}

} // namespace FctDecoup
