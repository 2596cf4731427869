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

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using namespace FctDecoup;

void reportFailure(EngineWindow &window)
{
    window.showMessage(EngineTexts::cutError, EngineTexts::errorTitle, MessageIcon::Exclamation,
                       MessageButtons::Ok);
}

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

void removeFiles(const QStringList &paths)
{
    for (const QString &path : paths)
        QFile::remove(path);
}

} // namespace

namespace FctDecoup {

void CutFile(EngineWindow &window, const QString &sourcePath, double sizeKb)
{
    const IgnoredFileSizeSignal fileSizeLimitIsAFailure;
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        // A source that vanished since the list showed it ends quietly.
        if (FileEntry::exists(sourcePath))
            reportFailure(window);
        return;
    }
    const qint64 length = source.size();
    if (length == 0)
        return;

    const SetName name = SetNameOf(SplitPath(sourcePath, true));
    const QString pieceFolder = SplitPath(sourcePath, false);
    const auto piecePath = [&](int n) { return pieceFolder + name.baseName + PieceSuffix(n); };
    // Piece 1 is written under this name and takes its own once every piece is on disk: a set
    // whose first piece is there is always whole, even when the program is killed.
    const QString firstPieceTemporary = FileIo::temporaryPath(piecePath(1));
    const QString checksumPath = pieceFolder + name.baseName + QLatin1String(ChecksumFile::suffix);

    // What can be known of the new set is checked before anything is asked or removed. A size
    // that gives no block is reported later, after the question, like any failure of the cut.
    const std::optional<qint64> block = blockLength(sizeKb);
    int pieceCount = 0;
    if (block) {
        const qint64 count = (length + *block - 1) / *block;
        if (count > maxPieceCount) {
            window.showMessage(EngineTexts::tooManyPieces, EngineTexts::errorTitle,
                               MessageIcon::Exclamation, MessageButtons::Ok);
            return;
        }
        pieceCount = static_cast<int>(count);
        if (FileEntry::isSameFile(sourcePath, firstPieceTemporary))
            return reportFailure(window);
        for (int n = 1; n <= pieceCount; ++n) {
            if (FileEntry::isSameFile(sourcePath, piecePath(n)))
                return reportFailure(window);
        }
    }

    // No name that a piece may take is taken without the user's OK.
    const QString setFolder = AddBackslash(window.currentFolder());
    if (const QStringList earlier = earlierSet(setFolder, name.baseName); !earlier.isEmpty()) {
        const MessageAnswer answer = window.showMessage(
            EngineTexts::earlierSetQuestion, EngineTexts::earlierSetTitle(name.baseName),
            MessageIcon::Question, MessageButtons::OkCancel);
        if (answer != MessageAnswer::Ok) {
            source.close();
            window.refreshFileList();
            return;
        }
        if (!removeAll(earlier, setFolder, sourcePath))
            return reportFailure(window);
        window.refreshFileList();
    }
    if (!block)
        return reportFailure(window);

    const QByteArray header = PieceHeader::encode(name.extension, pieceCount);
    // Pieces are as private as the source; their owner may always remove them, so that the
    // next cut of a read-only source can replace its set.
    const QFileDevice::Permissions permissions = source.permissions() | QFileDevice::WriteOwner;

    // The pieces of an unfinished set are useless, and a short last piece would restore into a
    // truncated file without a word: they go when the cut fails or is stopped.
    QStringList created;
    const auto abandon = [&](bool stopped) {
        removeFiles(created);
        if (!stopped)
            reportFailure(window);
    };
    Progress progress{0, pieceCount, 0, length};
    BlockCopier copier(window, progress);
    // The set's checksums, one line a piece as it lies on the disk, then one for the file that it
    // restores to: two hashes of the data, read once, on both cores while the kernel copies.
    HashThread pieceHash;
    HashThread fileHash;
    for (int n = 1; n <= pieceCount; ++n) {
        QFile piece(n == 1 ? firstPieceTemporary : piecePath(n));
        if (!FileIo::createNew(piece, permissions))
            return abandon(false);
        created.append(piece.fileName());
        progress.piece = n;
        window.yieldOnce(progress);
        if (window.stopRequested())
            return abandon(true);
        const qint64 offset = progress.moved;
        const qint64 chunk = std::min(*block, length - offset);
        if (n == 1)
            pieceHash.add(header.constData(), header.size());
        const FileIo::Result copied =
            n > 1 || piece.write(header) == header.size()
                ? copier.append(source, offset, chunk, piece, {{&pieceHash, &fileHash}})
                : FileIo::Result::Failed;
        if (copied != FileIo::Result::Done)
            return abandon(copied == FileIo::Result::Stopped);
        pieceHash.endDigest();
    }
    // Every byte is copied: the title says so while the flushes wait for the disk.
    window.betweenBlocks(progress);
    source.close();
    fileHash.endDigest();
    const QList<QByteArray> digests = pieceHash.takeDigests(true) + fileHash.takeDigests(true);
    QByteArray checksums;
    for (int n = 1; n <= pieceCount + 1; ++n) {
        const QString fileName = n <= pieceCount ? name.baseName + PieceSuffix(n)
                                                 : RestoredName(name.baseName, name.extension);
        if (digests[n - 1].isEmpty())
            return abandon(false);
        checksums += ChecksumFile::line(digests[n - 1], QFile::encodeName(fileName));
    }
    QFile checksumFile(FileIo::temporaryPath(checksumPath));
    if (!FileIo::createNew(checksumFile, permissions))
        return abandon(false);
    created.append(checksumFile.fileName());
    if (checksumFile.write(checksums) != checksums.size())
        return abandon(false);
    checksumFile.close();
    // Each piece is on its way to the disk already: the flushes only wait for the last of it.
    for (const QString &path : std::as_const(created)) {
        if (!FileIo::flush(path))
            return abandon(false);
    }
    // The checksums take their name first: a set whose first piece is there has them whole.
    if (FileIo::publish(checksumFile.fileName(), checksumPath) != FileIo::Result::Done)
        return abandon(false);
    created.append(checksumPath);
    if (FileIo::publish(firstPieceTemporary, piecePath(1)) != FileIo::Result::Done)
        return abandon(false);

    window.showMessage(EngineTexts::cutDone(QString::fromLatin1(header.right(3))),
                       EngineTexts::informationTitle, MessageIcon::Information, MessageButtons::Ok);
    window.refreshFileList();
}

} // namespace FctDecoup
