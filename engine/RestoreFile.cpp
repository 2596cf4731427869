// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Rebuilding a file from its piece set.
#include "BlockCopier.h"
#include "ChecksumFile.h"
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "FileIo.h"
#include "IgnoredFileSizeSignal.h"
#include "HashThread.h"
#include "PieceHeader.h"
#include "Sha256.h"

#include <QFile>
#include <QFileInfo>

#include <map>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace FctDecoup;

void reportError(EngineWindow &window, const QString &text)
{
    window.showMessage(text, EngineTexts::errorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
}

void reportDestinationExists(EngineWindow &window)
{
    window.showMessage(EngineTexts::destinationExists, EngineTexts::warningTitle,
                       MessageIcon::Exclamation, MessageButtons::Ok);
}

std::optional<PieceHeader> readHeader(const QString &firstPiecePath)
{
    QFile first(firstPiecePath);
    if (!first.open(QIODevice::ReadOnly))
        return std::nullopt;
    return PieceHeader::decode(first.read(PieceHeader::size));
}

qint64 headerLength(int n)
{
    return n == 1 ? PieceHeader::size : 0;
}

// A piece as the check found it: the restore copies exactly this file and this many data bytes.
struct CheckedPiece
{
    dev_t device = 0;
    ino_t inode = 0;
    qint64 dataLength = 0;

    bool isStill(const struct stat &now, int n) const
    {
        return now.st_dev == device && now.st_ino == inode
               && now.st_size - headerLength(n) == dataLength;
    }
};

// The data length that most of pieces 1 ... N-1 carry, piece 1's on a tie: every piece of a whole
// set but the last carries it, and the last one at least a byte and at most as much.
qint64 commonLength(const std::vector<CheckedPiece> &pieces)
{
    std::map<qint64, int> counts;
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
        ++counts[pieces[i].dataLength];
    qint64 common = pieces.front().dataLength;
    int most = counts.empty() ? 0 : counts[common];
    for (const auto &[length, count] : counts) {
        if (count > most)
            std::tie(common, most) = std::pair(length, count);
    }
    return common;
}

// The first piece, numbered from 1, whose length a whole set cannot have; 0 when there is none.
int firstDamaged(const std::vector<CheckedPiece> &pieces)
{
    const qint64 common = commonLength(pieces);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const qint64 length = pieces[i].dataLength;
        const bool last = i + 1 == pieces.size();
        if (length < 1 || (last ? length > common && pieces.size() > 1 : length != common))
            return int(i) + 1;
    }
    return 0;
}

// The lines of the checksum file at path; none when it cannot be read or is not in the format.
std::optional<QList<ChecksumFile::Line>> readChecksums(const QString &path)
{
    constexpr qint64 limit = 4 << 20; // 1000 lines with names of the longest
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray content = file.read(limit + 1);
    return content.size() > limit ? std::nullopt : ChecksumFile::parse(content);
}

// The digest of the whole file at path; empty when it cannot be read.
QByteArray digestOf(const QString &path)
{
    QFile file(path);
    Sha256 hash;
    QByteArray block;
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!(block = file.read(1 << 20)).isEmpty())
        hash.add(block.constData(), block.size());
    return file.error() == QFileDevice::NoError ? hash.finish() : QByteArray();
}

// Why the lines of the checksum file checksumName do not describe the set of pieceCount pieces
// of baseName in folder, or nothing when they do: one line for each piece, in order, then one for
// the file under the name that the header gives it.
QString checksumMismatch(const std::optional<QList<ChecksumFile::Line>> &lines,
                         const QString &checksumName, const QString &folder,
                         const QString &baseName, int pieceCount, const QString &restoredName)
{
    // Whether line n names piece n, and whether piece n is as it says.
    const auto named = [&](int n) {
        return lines && lines->size() > n
               && (*lines)[n - 1].name == QFile::encodeName(baseName + PieceSuffix(n));
    };
    const auto sound = [&](int n) {
        return named(n) && (*lines)[n - 1].digest == digestOf(folder + baseName + PieceSuffix(n));
    };
    bool describes = lines && lines->size() == pieceCount + 1
                     && lines->last().name == QFile::encodeName(restoredName);
    for (int n = 1; describes && n <= pieceCount; ++n)
        describes = named(n);
    if (describes)
        return {};
    // Piece 1 differs where piece 2, if any, is as it should be: the checksums are those of this
    // cut, and piece 1's header is what changed.
    return named(1) && !sound(1) && (!named(2) || sound(2))
               ? EngineTexts::damagedContent(baseName + PieceSuffix(1), checksumName)
               : EngineTexts::checksumsDoNotMatch(checksumName);
}

} // namespace

namespace FctDecoup {

void RestoreFile(EngineWindow &window, const QString &firstPiecePath)
{
    const IgnoredFileSizeSignal fileSizeLimitIsAFailure;
    // The header and the data of piece 1 come from the same file: the one named like piece 1.
    const QString firstPieceName = SplitPath(firstPiecePath, true);
    if (!firstPieceName.endsWith(PieceSuffix(1))) {
        window.showMessage(EngineTexts::wrongFileText, EngineTexts::wrongFileTitle,
                           MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    const QString pieceFolder = SplitPath(firstPiecePath, false);
    const QString baseName = firstPieceName.chopped(PieceSuffix(1).size());
    const std::optional<PieceHeader> header = readHeader(firstPiecePath);
    const QString restoredName = header ? RestoredName(baseName, header->extension) : QString();
    if (restoredName.isEmpty()) // no header, or a set of ".001" that names no file
        return reportError(window, EngineTexts::badHeader);
    if (FileEntry::exists(AddBackslash(window.currentFolder()) + restoredName))
        return reportDestinationExists(window);

    const auto piecePath = [&](int n) { return pieceFolder + baseName + PieceSuffix(n); };
    const auto pieceName = [&](int n) { return baseName + PieceSuffix(n); };
    // With the set's checksum file beside it, each piece is checked as it is copied; one that
    // does not describe the set stops the restore before anything is written.
    const QString checksumName = baseName + QLatin1String(ChecksumFile::suffix);
    std::optional<QList<ChecksumFile::Line>> checksums;
    if (FileEntry::exists(pieceFolder + checksumName)) {
        checksums = readChecksums(pieceFolder + checksumName);
        const QString mismatch = checksumMismatch(checksums, checksumName, pieceFolder, baseName,
                                                  header->pieceCount, restoredName);
        if (!mismatch.isEmpty())
            return reportError(window, mismatch);
    }

    // Every piece must be there, with the length that a whole set gives it, before anything is
    // created: a missing piece is never taken as empty, a short one never restored as if whole.
    std::vector<CheckedPiece> pieces;
    for (int n = 1; n <= header->pieceCount; ++n) {
        struct stat entry;
        if (::stat(QFile::encodeName(piecePath(n)).constData(), &entry) != 0
            || !S_ISREG(entry.st_mode))
            return reportError(window, EngineTexts::missingPiece(pieceName(n)));
        pieces.push_back({entry.st_dev, entry.st_ino, entry.st_size - headerLength(n)});
    }
    if (const int n = firstDamaged(pieces))
        return reportError(window, EngineTexts::damagedPiece(pieceName(n)));

    // The file is written under a hidden name and takes its own only when it is whole and on
    // disk. What a restore that was killed left under that name is the program's own: it goes.
    const QString restoredPath = pieceFolder + restoredName;
    QFile restored(FileIo::temporaryPath(restoredPath));
    if (!FileIo::createNew(restored, QFileInfo(firstPiecePath).permissions()))
        return reportError(window, EngineTexts::restoreError);
    // A partly restored file never stays: stopped, it goes without a word; failed, with one.
    const auto abandon = [&](const QString &text) {
        restored.close();
        QFile::remove(restored.fileName());
        if (!text.isEmpty())
            reportError(window, text);
    };

    Progress progress{0, header->pieceCount, 0, 0};
    BlockCopier copier(window, progress);
    // Each piece is hashed as it is copied, and its digest compared as soon as it is done, the
    // last ones before the file takes its name: the copy goes on meanwhile. Its checksum covers
    // it whole: piece 1's header as it is read during the copy, then the very bytes written.
    char head[PieceHeader::size];
    HashThread pieceHash;
    int checked = 0;
    const auto check = [&](bool all) {
        for (const QByteArray &digest : pieceHash.takeDigests(all)) {
            ++checked;
            if (digest != (*checksums)[checked - 1].digest)
                return digest.isEmpty() ? EngineTexts::restoreError
                                        : EngineTexts::damagedContent(pieceName(checked),
                                                                      checksumName);
        }
        return QString();
    };
    for (const CheckedPiece &checked : pieces)
        progress.total += checked.dataLength;
    for (int n = 1; n <= header->pieceCount; ++n) {
        progress.piece = n;
        window.yieldOnce(progress);
        if (window.stopRequested())
            return abandon(QString());
        // The pieces before this one are checked as their digests come, while it is copied.
        if (const QString damage = check(false); !damage.isEmpty())
            return abandon(damage);
        // The piece is held to what the check found, before and after its copy: one that changed
        // meanwhile is reported as it is now, gone or damaged.
        QFile piece(piecePath(n));
        struct stat now;
        const bool same = piece.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
                          && ::fstat(piece.handle(), &now) == 0 && pieces[n - 1].isStill(now, n);
        const bool headRead = n > 1 || !checksums
                              || ::pread(piece.handle(), head, sizeof head, 0) == sizeof head;
        if (checksums && n == 1)
            pieceHash.add(head, sizeof head);
        const FileIo::Result copied =
            same && headRead
                ? copier.append(piece, headerLength(n), pieces[n - 1].dataLength, restored,
                                checksums ? BlockCopier::Hashes{{&pieceHash}, true}
                                          : BlockCopier::Hashes{})
                : FileIo::Result::Short;
        if (copied == FileIo::Result::Stopped)
            return abandon(QString());
        if (copied == FileIo::Result::Failed)
            return abandon(EngineTexts::restoreError);
        if (copied == FileIo::Result::Short || ::fstat(piece.handle(), &now) != 0
            || !pieces[n - 1].isStill(now, n))
            return abandon(FileEntry::exists(piecePath(n))
                               ? EngineTexts::damagedPiece(pieceName(n))
                               : EngineTexts::missingPiece(pieceName(n)));
        if (checksums)
            pieceHash.endDigest();
    }
    // Every byte is copied: the title says so while the flush waits for the disk.
    window.betweenBlocks(progress);
    if (const QString damage = check(true); !damage.isEmpty())
        return abandon(damage);
    restored.close();
    if (!FileIo::flush(restored.fileName()))
        return abandon(EngineTexts::restoreError);

    switch (FileIo::publish(restored.fileName(), restoredPath)) {
    case FileIo::Result::Done:
        break;
    case FileIo::Result::Exists:
        QFile::remove(restored.fileName());
        return reportDestinationExists(window);
    default:
        QFile::remove(restored.fileName());
        return reportError(window, EngineTexts::restoreError);
    }
    window.showMessage(EngineTexts::restoreDone, EngineTexts::informationTitle,
                       MessageIcon::Information, MessageButtons::Ok);
    window.refreshFileList();
}

} // namespace FctDecoup
