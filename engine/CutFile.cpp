// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Cutting a file into a piece set.
#include "BlockCopier.h"
#include "ChecksumFile.h"
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "FileIo.h"
#include "HashThread.h"
#include "IgnoredFileSizeSignal.h"
#include "PieceHeader.h"
#include "UnfinishedOutput.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
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

// The entries that hold a name of an earlier set of baseName in folder: baseName + ".001" ...
// ".999" and its checksum file, whatever they are (a file, hidden or not, a folder, a link, even a
// dangling one). The names are built, never matched: a base name may hold *, ? or [.
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
    Cut(EngineWindow &window, const QString &sourcePath);

    bool openSource();
    bool checkSet(double sizeKb);
    bool askAboutEarlierSet();
    bool copyPieces();
    bool writeChecksums();
    bool publish();
    void announce();

private:
    bool fail(bool stopped = false);
    QString piecePath(int n) const { return m_folder + m_name.baseName + PieceSuffix(n); }

    EngineWindow &m_window;
    const QString m_sourcePath;
    const SetName m_name;
    // Where the pieces go, beside the source, and so where an earlier set is looked for.
    const QString m_folder;
    // Piece 1 is written under this name and takes its own once every piece is on disk: a set
    // whose first piece is there is always whole, even when the program is killed.
    const QString m_firstPieceTemporary;
    const QString m_checksumPath;
    const QString m_checksumTemporary;
    QFile m_source;
    qint64 m_length = 0;
    std::optional<qint64> m_block;
    int m_pieceCount = 0;
    QByteArray m_header;
    QFileDevice::Permissions m_permissions;
    QList<QByteArray> m_digests; // of each piece, then of the whole file
    UnfinishedOutput m_created;
};

Cut::Cut(EngineWindow &window, const QString &sourcePath)
    : m_window(window), m_sourcePath(sourcePath), m_name(SetNameOf(SplitPath(sourcePath, true))),
      m_folder(SplitPath(sourcePath, false)),
      m_firstPieceTemporary(FileIo::temporaryPath(piecePath(1))),
      m_checksumPath(m_folder + m_name.baseName + QLatin1String(ChecksumFile::suffix)),
      m_checksumTemporary(FileIo::temporaryPath(m_checksumPath)), m_source(sourcePath)
{}

bool Cut::fail(bool stopped)
{
    m_created.remove();
    if (!stopped)
        m_window.showMessage(EngineTexts::cutError, EngineTexts::errorTitle,
                             MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

// An empty source has nothing to cut, and one that vanished since the list showed it ends
// quietly.
bool Cut::openSource()
{
    if (!m_source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return FileEntry::exists(m_sourcePath) && fail();
    m_length = m_source.size();
    // Pieces are as private as the source; their owner may always remove them, so that the
    // next cut of a read-only source can replace its set.
    m_permissions = m_source.permissions() | QFileDevice::WriteOwner;
    return m_length > 0;
}

// What can be known of the new set is checked before anything is asked or removed. A size that
// gives no block is reported later, after the question, like any failure of the cut.
bool Cut::checkSet(double sizeKb)
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
    // The source is only read: it may be named like one of the pieces, never written as one.
    if (FileEntry::isSameFile(m_sourcePath, m_firstPieceTemporary))
        return fail();
    for (int n = 1; n <= m_pieceCount; ++n) {
        if (FileEntry::isSameFile(m_sourcePath, piecePath(n)))
            return fail();
    }
    return true;
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

// The pieces, each hashed as it lies on the disk, and the whole file too: two hashes of the data,
// read once, on both cores while the kernel copies. The pieces of an unfinished set are useless,
// and a short last piece would restore into a truncated file without a word: they go when the
// cut fails or is stopped.
bool Cut::copyPieces()
{
    Progress progress{0, m_pieceCount, 0, m_length};
    BlockCopier copier(m_window, progress);
    HashThread pieceHash;
    HashThread fileHash;
    for (int n = 1; n <= m_pieceCount; ++n) {
        QFile piece(n == 1 ? m_firstPieceTemporary : piecePath(n));
        if (!FileIo::createNew(piece, m_permissions))
            return fail();
        m_created.add(piece.fileName());
        progress.piece = n;
        m_window.reportProgress(progress);
        if (m_window.stopRequested())
            return fail(true);
        const qint64 offset = (n - 1) * *m_block;
        const qint64 length = std::min(*m_block, m_length - offset);
        if (n == 1) {
            if (piece.write(m_header) != m_header.size())
                return fail();
            pieceHash.add(m_header.constData(), m_header.size());
        }
        const FileIo::Result copied =
            copier.append(m_source, offset, length, piece, {{&pieceHash, &fileHash}});
        if (copied != FileIo::Result::Done)
            return fail(copied == FileIo::Result::Stopped);
        pieceHash.endDigest();
    }
    // Every byte is copied: the title says so while the flushes wait for the disk.
    m_window.reportProgress(progress);
    m_source.close();
    fileHash.endDigest();
    m_digests = pieceHash.takeDigests(true) + fileHash.takeDigests(true);
    return true;
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
        return fail();
    m_created.add(file.fileName());
    return file.write(checksums) == checksums.size() || fail();
}

// Each file is on its way to the disk already: the flushes only wait for the last of it. The
// checksums take their name first: a set whose first piece is there has them whole.
bool Cut::publish()
{
    for (const QString &path : m_created.paths()) {
        if (!FileIo::flush(path))
            return fail();
    }
    if (FileIo::publish(m_checksumTemporary, m_checksumPath) != FileIo::Result::Done)
        return fail();
    m_created.add(m_checksumPath);
    if (FileIo::publish(m_firstPieceTemporary, piecePath(1)) != FileIo::Result::Done)
        return fail();
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

void CutFile(EngineWindow &window, const QString &sourcePath, double sizeKb)
{
    const IgnoredFileSizeSignal fileSizeLimitIsAFailure;
    Cut cut(window, sourcePath);
    if (cut.openSource() && cut.checkSet(sizeKb) && cut.askAboutEarlierSet() && cut.copyPieces()
        && cut.writeChecksums() && cut.publish())
        cut.announce();
}

} // namespace FctDecoup
