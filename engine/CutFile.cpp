// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Cutting a file into a piece set.
#include "BlockCopier.h"
#include "ChecksumFile.h"
#include "Destination.h"
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "FileIo.h"
#include "HashThread.h"
#include "IgnoredFileSizeSignal.h"
#include "OpenSslDigest.h"
#include "Par2.h"
#include "PieceHeader.h"
#include "RecoverySet.h"
#include "RecoveryWriter.h"
#include "UnfinishedOutput.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

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

// The recovery slices' windows in memory at once, at most: the memory of a cut stays under 96 MiB.
constexpr qint64 recoveryMemory = 64 << 20;
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
    for (const QString &name : RecoverySet::fileNames(folder, baseName))
        taken.append(folder + name);
    return taken;
}

// All or nothing: every entry is checked before the first removal, and none may be a folder,
// the source, or a read-only file. A link goes, never what it leads to.
bool removeAll(const QStringList &entries, const QString &folder, const QString &sourcePath)
{
    for (const QString &path : entries) {
        const QFileInfo info(path);
        if (FileEntry::isSameFile(sourcePath, path)
            || (!info.isSymLink() && (info.isDir() || FileEntry::isReadOnly(path))))
            return false;
    }
    if (!QFileInfo(folder).isWritable())
        return false;
    return std::all_of(entries.cbegin(), entries.cend(),
                       [](const QString &path) { return QFile::remove(path); });
}

// One cut, step by step. Each step that cannot go on says why (a stop says nothing) and returns
// false; what the cut had created goes with it.
class Cut
{
public:
    Cut(EngineWindow &window, const QString &sourcePath, std::optional<int> recoverySlices);

    bool openSource();
    bool planSet(double sizeKb);
    bool chooseFolder(const QString &destination);
    bool checkNames();
    bool askAboutEarlierSet();
    bool planRecovery();
    bool copyPieces();
    bool writeRecovery();
    bool writeChecksums();
    bool publish();
    void announce();

private:
    // The error (nothing when stopped), with the cause that errno tells when a call on the file
    // or folder concerned failed.
    bool fail(bool stopped = false, const QString &concerned = {});
    QString piecePath(int n) const { return m_folder + m_name.baseName + PieceSuffix(n); }
    qint64 pieceLength(int n) const;
    QList<qint64> outputLengths() const;
    std::optional<Destination::Refusal> refusal(const QString &folder) const;
    void setFolder(const QString &folder);
    FileIo::Result sumWindow(int window);

    EngineWindow &m_window;
    const QString m_sourcePath;
    const SetName m_name;
    // Where the pieces go, beside the source unless told otherwise, and so where an earlier set
    // is looked for.
    QString m_folder;
    // Piece 1 is written under this name and takes its own once every piece is on disk: a set
    // whose first piece is there is always whole, even when the program is killed.
    QString m_firstPieceTemporary;
    QString m_checksumPath;
    QString m_checksumTemporary;
    QFile m_source;
    qint64 m_length = 0;
    std::optional<qint64> m_block;
    int m_pieceCount = 0;
    QByteArray m_header;
    QFileDevice::Permissions m_permissions;
    std::optional<int> m_recoverySlices;
    Progress m_progress;
    QList<QByteArray> m_digests;        // of each piece, then of the whole file
    QList<QByteArray> m_pieceCrcs; // for the recovery files
    std::unique_ptr<RecoveryWriter> m_recovery;
    UnfinishedOutput m_created;
};

Cut::Cut(EngineWindow &window, const QString &sourcePath, std::optional<int> recoverySlices)
    : m_window(window), m_sourcePath(sourcePath), m_name(SetNameOf(SplitPath(sourcePath, true))),
      m_source(sourcePath), m_recoverySlices(recoverySlices)
{}

void Cut::setFolder(const QString &folder)
{
    m_folder = AddBackslash(folder);
    m_firstPieceTemporary = FileIo::temporaryPath(piecePath(1));
    m_checksumPath = m_folder + m_name.baseName + QLatin1String(ChecksumFile::suffix);
    m_checksumTemporary = FileIo::temporaryPath(m_checksumPath);
}

qint64 Cut::pieceLength(int n) const
{
    return std::min(*m_block, m_length - (n - 1) * *m_block) + (n == 1 ? m_header.size() : 0);
}

bool Cut::fail(bool stopped, const QString &concerned)
{
    const int error = errno;
    m_created.remove();
    if (!stopped)
        m_window.showMessage(
            EngineTexts::withCause(EngineTexts::cutError, concerned.isEmpty()
                                                              ? QString()
                                                              : EngineTexts::cause(error, concerned)),
            EngineTexts::errorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

// An empty source has nothing to cut, and one that vanished since the list showed it ends
// quietly.
bool Cut::openSource()
{
    if (!FileIo::openRegular(m_source, m_sourcePath))
        return FileEntry::exists(m_sourcePath) && fail(false, m_sourcePath);
    m_length = m_source.size();
    // Pieces are as private as the source; their owner may always remove them, so that the
    // next cut of a read-only source can replace its set.
    m_permissions = QFileInfo(m_sourcePath).permissions() | QFileDevice::WriteOwner;
    return m_length > 0;
}

// What can be known of the new set is checked before anything is asked or removed. A size that
// gives no block is reported later, after the question, like any failure of the cut.
bool Cut::planSet(double sizeKb)
{
    m_block = blockLength(sizeKb);
    if (!m_block)
        return true;
    const qint64 count = (m_length + *m_block - 1) / *m_block;
    if (count > maxPieceCount) {
        m_window.showMessage(EngineTexts::tooManyPieces, EngineTexts::errorTitle,
                             MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
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
        names.append(QFile::encodeName(m_name.baseName + PieceSuffix(n)));
        checksums += 67 + 2 * names.last().size();
        lengths.append(pieceLength(n));
    }
    return lengths + QList<qint64>{checksums}
           + RecoveryWriter::fileLengths(names, (pieceLength(1) + 3) / 4 * 4, *m_recoverySlices,
                                         creator);
}

// Whether folder can take the set, once an earlier set that the question may remove is gone.
std::optional<Destination::Refusal> Cut::refusal(const QString &folder) const
{
    qint64 freed = 0;
    for (const QString &path : earlierSet(folder, m_name.baseName))
        freed += QFileInfo(path).isSymLink() ? 0 : QFileInfo(path).size();
    return Destination::refusal(folder, m_block ? outputLengths() : QList<qint64>(), freed);
}

// Beside the source unless the caller says where; when that folder cannot take the set, the user
// may choose another, or Cancel: then nothing is written.
bool Cut::chooseFolder(const QString &destination)
{
    QString folder = AddBackslash(destination.isEmpty() ? SplitPath(m_sourcePath, false) : destination);
    std::optional<Destination::Refusal> refused = refusal(folder);
    if (refused && destination.isEmpty()) {
        const std::optional<QString> other = m_window.chooseFolder(Output::Pieces);
        if (!other)
            return false;
        if (!other->isEmpty()) {
            folder = AddBackslash(*other);
            refused = refusal(folder);
        }
    }
    setFolder(folder);
    if (!refused)
        return true;
    errno = refused->error;
    if (refused->error)
        return fail(false, m_folder);
    m_window.showMessage(EngineTexts::withCause(EngineTexts::cutError,
                                                EngineTexts::noRoom(m_folder, refused->needed,
                                                                    refused->free)),
                         EngineTexts::errorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

bool Cut::checkNames()
{
    if (!m_block)
        return true;
    // The source is only read: it may be named like one of the set's files, never written as one.
    QStringList names{m_firstPieceTemporary, m_checksumPath,
                      m_folder + m_name.baseName + QLatin1String(Par2::indexSuffix)};
    for (int n = 1; n <= m_pieceCount; ++n)
        names.append(piecePath(n));
    for (int e = 0; e < *m_recoverySlices; ++e)
        names.append(m_folder + Par2::volumeName(m_name.baseName, e, *m_recoverySlices));
    return std::none_of(
               names.cbegin(), names.cend(),
               [&](const QString &name) { return FileEntry::isSameFile(m_sourcePath, name); })
           || fail();
}

// No name that the set may take is taken without the user's OK.
bool Cut::askAboutEarlierSet()
{
    if (const QStringList earlier = earlierSet(m_folder, m_name.baseName); !earlier.isEmpty()) {
        const MessageAnswer answer = m_window.showMessage(
            EngineTexts::earlierSetQuestion, EngineTexts::earlierSetTitle(m_name.baseName),
            MessageIcon::Question, MessageButtons::OkCancel);
        if (answer != MessageAnswer::Ok) {
            m_source.close();
            m_window.refreshFileList();
            return false;
        }
        if (!removeAll(earlier, m_folder, m_sourcePath))
            return fail();
        m_window.refreshFileList();
    }
    return m_block || fail();
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
            != wanted)
            return fail(false, m_sourcePath);
        head.replace(0, prefix.size(), prefix);
        pieces.append(
            {QFile::encodeName(m_name.baseName + PieceSuffix(n)), pieceLength(n), Md5::of(head)});
    }
    m_recovery = std::make_unique<RecoveryWriter>(pieces, *m_recoverySlices, recoveryMemory, creator);
    if (!m_recovery->valid())
        return fail();
    // Beyond the first window, the pieces are read again for each further one.
    m_progress = {0, m_pieceCount, 0, m_length};
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
        QFile piece(n == 1 ? m_firstPieceTemporary : piecePath(n));
        if (!FileIo::createNew(piece, m_permissions))
            return fail(false, piecePath(n));
        m_created.add(piece.fileName());
        progress.piece = n;
        m_window.reportProgress(progress);
        if (m_window.stopRequested())
            return fail(true);
        const qint64 offset = (n - 1) * *m_block;
        const qint64 length = std::min(*m_block, m_length - offset);
        if (n == 1) {
            if (piece.write(m_header) != m_header.size())
                return fail(false, piecePath(n));
            for (HashThread *thread : perPiece)
                thread->add(m_header.constData(), m_header.size());
        }
        const FileIo::Result copied = copier.append(m_source, offset, length, piece, hashes);
        if (copied != FileIo::Result::Done)
            return fail(copied == FileIo::Result::Stopped,
                        copied == FileIo::Result::Failed ? FileIo::failedSide(piecePath(n), m_sourcePath) : QString());
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
FileIo::Result Cut::sumWindow(int window)
{
    constexpr qint64 blockSize = 1 << 20;
    m_recovery->startWindow(window);
    std::unique_ptr<char[]> buffers[HashThread::queued + 1];
    for (auto &buffer : buffers) {
        if (!(buffer = std::unique_ptr<char[]>(new (std::nothrow) char[blockSize])))
            return FileIo::Result::Failed;
    }
    HashThread sums0(m_recovery->sums(0));
    HashThread sums1(m_recovery->sums(1));
    int next = 0;
    for (int n = 1; n <= m_pieceCount; ++n) {
        const qint64 end = std::min(pieceLength(n), m_recovery->windowEnd(window));
        if (end <= m_recovery->windowStart(window))
            continue;
        QFile piece(n == 1 ? m_firstPieceTemporary : piecePath(n));
        if (!piece.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return FileIo::Result::Failed;
        m_progress.piece = n;
        for (qint64 at = m_recovery->windowStart(window); at < end;) {
            m_window.reportProgress(m_progress);
            if (m_window.stopRequested())
                return FileIo::Result::Stopped;
            char *buffer = buffers[next].get();
            next = (next + 1) % int(std::size(buffers));
            const qint64 length = std::min(blockSize, end - at);
            if (FileIo::readFully(piece.handle(), buffer, length, at) != length)
                return FileIo::Result::Short;
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
    if (!m_recovery->create(m_pieceCrcs, m_folder, m_name.baseName, m_permissions, m_created)
        || !m_recovery->writeWindow(0))
        return fail(false, m_folder);
    for (int window = 1; window < m_recovery->windowCount(); ++window) {
        if (const FileIo::Result summed = sumWindow(window); summed != FileIo::Result::Done)
            return fail(summed == FileIo::Result::Stopped);
        if (!m_recovery->writeWindow(window))
            return fail(false, m_folder);
    }
    // Every byte is copied and summed: the title says so while the flushes wait for the disk.
    m_window.reportProgress(m_progress);
    return m_recovery->finish() || fail(false, m_folder);
}

// One line a piece, then one for the file that the set restores to.
bool Cut::writeChecksums()
{
    QByteArray checksums;
    for (int n = 1; n <= m_pieceCount + 1; ++n) {
        const QString fileName = n <= m_pieceCount
                                     ? m_name.baseName + PieceSuffix(n)
                                     : RestoredName(m_name.baseName, m_name.extension);
        if (m_digests[n - 1].isEmpty())
            return fail();
        checksums += ChecksumFile::line(m_digests[n - 1], QFile::encodeName(fileName));
    }
    QFile file(m_checksumTemporary);
    if (!FileIo::createNew(file, m_permissions))
        return fail(false, m_checksumPath);
    m_created.add(file.fileName());
    return file.write(checksums) == checksums.size() || fail(false, m_checksumPath);
}

// Each file is on its way to the disk already: the flushes only wait for the last of it. The
// recovery files and the checksums take their names first: a set whose first piece is there has
// them whole.
bool Cut::publish()
{
    for (const QString &path : m_created.paths()) {
        if (!FileIo::flush(path))
            return fail(false, m_folder);
    }
    for (const auto &[temporary, final] : m_recovery->names()) {
        if (FileIo::publish(temporary, final) != FileIo::Result::Done)
            return fail(false, m_folder);
        m_created.add(final);
    }
    if (FileIo::publish(m_checksumTemporary, m_checksumPath) != FileIo::Result::Done)
        return fail(false, m_folder);
    m_created.add(m_checksumPath);
    if (FileIo::publish(m_firstPieceTemporary, piecePath(1)) != FileIo::Result::Done)
        return fail(false, m_folder);
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

} // namespace

namespace FctDecoup {

int DefaultRecoverySlices(int pieceCount)
{
    return std::max(1, (pieceCount + 19) / 20);
}

void CutFile(EngineWindow &window, const QString &sourcePath, double sizeKb,
             std::optional<int> recoverySlices, const QString &destination)
{
    const IgnoredFileSizeSignal fileSizeLimitIsAFailure;
    Cut cut(window, sourcePath, recoverySlices);
    if (cut.openSource() && cut.planSet(sizeKb) && cut.chooseFolder(destination)
        && cut.checkNames() && cut.askAboutEarlierSet() && cut.planRecovery() && cut.copyPieces()
        && cut.writeRecovery() && cut.writeChecksums() && cut.publish())
        cut.announce();
}

} // namespace FctDecoup
