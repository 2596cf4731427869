// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Rebuilding a file from its piece set: the plain restore, which hands over to the mend (Mend.h)
// when pieces are missing or damaged and recovery files lie beside them.
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
#include "Mend.h"
#include "OpenSslDigest.h"
#include "Par2.h"
#include "PieceHeader.h"
#include "RecoverySet.h"
#include "Restoring.h"
#include "SetFolders.h"
#include "UnfinishedOutput.h"
#include "WriteBehind.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <map>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace FctDecoup;

using namespace Restoring;

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

// Why the lines of the checksum file checksumName do not describe the set of pieceCount pieces
// of baseName in folder, or nothing when they do: one line for each piece, in order, then one for
// the file under the name that the header gives it.
QString checksumMismatch(const std::optional<QList<ChecksumFile::Line>> &lines,
                         const QString &checksumName, const SetFolders &folders,
                         const QString &baseName, int pieceCount, const QString &restoredName)
{
    // Whether line n names piece n, and whether piece n is as it says.
    const auto named = [&](int n) {
        return lines && lines->size() > n && namesPiece(lines, baseName, n);
    };
    const auto sound = [&](int n) {
        return named(n)
               && (*lines)[n - 1].digest
                      == ChecksumFile::digestOf(folders.path(baseName + PieceSuffix(n)));
    };
    if (describesPieces(lines, baseName, pieceCount)
        && lines->last().name == NativePath(restoredName))
        return {};
    // Piece 1 differs where piece 2, if any, is as it should be: the checksums are those of this
    // cut, and piece 1's header is what changed.
    return named(1) && !sound(1) && (!named(2) || sound(2))
               ? EngineTexts::damagedContent(baseName + PieceSuffix(1), checksumName)
               : EngineTexts::checksumsDoNotMatch(checksumName);
}

// One restore, step by step. Each step that cannot go on says why (a stop says nothing) and
// returns false; a partly restored file goes with it.
class Restore
{
public:
    // mayMend: the set's recovery files, if any, may mend it. destination: as settleFolder.
    // folders: where the set's files are, as the restore finds them: the media it asks for go
    // there.
    Restore(Run &run, const QString &firstPiecePath, SetFolders &folders, bool mayMend,
            QString &destination);

    bool readHeader();
    bool checkSet();
    bool chooseFolder();
    bool copyAndProve();
    bool publish();
    void announce();
    // Whether the restore stopped for the set's recovery files to judge the pieces (there is no
    // checksum file) or to make up for the damage it met, which it then did not show.
    bool needsMend() const { return m_needsMend; }
    const QString &damage() const { return m_damage; }

private:
    bool damaged(const QString &text);
    bool mendable() const;
    bool copyPiece(int n, BlockCopier &copier, HashThread &hash);
    QString checkDigests(HashThread &hash, bool all);
    QString pieceName(int n) const { return m_baseName + PieceSuffix(n); }
    QString piecePath(int n) const { return m_folders.path(pieceName(n)); }
    // Piece n, on the media known or on the one the window is asked for: false when it cannot
    // be had (said, or the mend takes over).
    bool locate(int n);
    bool gatherMedia(int n);
    // Whether the restored file's name is free where it goes (refused when it is not).
    bool refuseWhereTaken();
    bool laterHeld(int n) const
    {
        for (int later = n + 1; later <= m_header->pieceCount; ++later) {
            if (m_folders.holds(pieceName(later)))
                return true;
        }
        return false;
    }
    bool elsewhere(int n) const { return m_pieces[size_t(n - 1)].dataLength < 0; }

    Run &m_run;
    EngineWindow &m_window;
    const QString m_firstPiecePath;
    // Where the pieces are, only read; the file comes back into m_destination.
    SetFolders &m_folders;
    QString &m_destination;
    QString m_baseName;
    std::optional<PieceHeader> m_header;
    QString m_restoredName;
    QString m_checksumName;
    std::optional<QList<ChecksumFile::Line>> m_checksums;
    std::vector<CheckedPiece> m_pieces;
    Progress m_progress;
    QFile &m_restored;
    const bool m_mayMend;
    bool m_acrossMedia = false; // pieces are on other media, to be asked for
    int m_lastHere = 1;         // the last piece in the folders known at first
    bool m_needsMend = false;
    QString m_damage;
    int m_proven = 0; // pieces whose digest matched their line
    // Piece 1's header as the copy read it: the hash reads it later, on its own thread.
    char m_head[PieceHeader::size] = {};
};

Restore::Restore(Run &run, const QString &firstPiecePath, SetFolders &folders, bool mayMend,
                 QString &destination)
    : m_run(run), m_window(run.window), m_firstPiecePath(firstPiecePath), m_folders(folders),
      m_destination(destination), m_restored(run.restored), m_mayMend(mayMend)
{}

// Recovery files are looked for only once something is wrong: an intact set never lists its
// folder for them.
bool Restore::mendable() const
{
    return m_mayMend && !m_baseName.isEmpty()
           && !RecoverySet::fileNames(m_folders, m_baseName).isEmpty();
}

bool Restore::damaged(const QString &text)
{
    if (text == EngineTexts::restoreError || !mendable())
        return m_run.fail(text);
    m_damage = text;
    m_needsMend = true;
    m_run.discard();
    return false;
}

// The header and the data of piece 1 come from the same file: the one named like piece 1.
bool Restore::readHeader()
{
    const QString firstPieceName = SplitPath(m_firstPiecePath, true);
    const std::optional<QString> baseName = BaseNameOfFirstPiece(firstPieceName);
    if (!baseName)
        return m_run.refuse(EngineTexts::wrongFileText, EngineTexts::wrongFileTitle,
                            MessageIcon::Information);
    m_baseName = *baseName;
    m_header = headerOf(m_firstPiecePath);
    m_restoredName = m_header ? RestoredName(m_baseName, m_header->extension) : QString();
    if (m_restoredName.isEmpty()) // no header, or a set of ".001" that names no file
        return damaged(EngineTexts::badHeader);
    // Media hold runs of pieces in order: a set whose last pieces are not here continues on other
    // media (one missing before a piece that is here is lost, for the mend). Such a set goes where
    // the user says, asked once it is checked.
    m_lastHere = 1;
    for (int n = 2; n <= m_header->pieceCount; ++n)
        m_lastHere = m_folders.holds(pieceName(n)) ? n : m_lastHere;
    m_acrossMedia = m_lastHere < m_header->pieceCount && m_window.asksForMedia();
    return (m_acrossMedia && m_destination.isEmpty()) || refuseWhereTaken();
}

bool Restore::refuseWhereTaken()
{
    const QString folder =
        m_destination.isEmpty() ? m_folders.first() : AddBackslash(m_destination);
    return !FileEntry::exists(folder + m_restoredName)
           || m_run.refuse(EngineTexts::destinationExists, EngineTexts::warningTitle,
                           MessageIcon::Exclamation);
}

// Where the file goes, once its length is known.
bool Restore::chooseFolder()
{
    // A set that comes from several media is rarely restored onto the first: the user says where.
    if (m_acrossMedia && m_destination.isEmpty()) {
        const std::optional<QString> chosen = m_window.chooseFolder(Output::RestoredFile);
        if (!chosen)
            return m_run.stop();
        m_destination = *chosen;
        if (!refuseWhereTaken())
            return false;
    }
    return settleFolder(m_run, m_destination, m_folders.first(), m_restoredName, m_progress.total)
        .has_value();
}

// Before anything is created: with the set's checksum file beside it, the file must describe the
// set; and every piece must be there, with the length that a whole set gives it, so that a
// missing piece is never taken as empty, a short one never restored as if whole.
bool Restore::checkSet()
{
    m_checksumName = m_baseName + QLatin1String(ChecksumFile::suffix);
    if (const ChecksumFile::Read read = ChecksumFile::read(m_folders.path(m_checksumName));
        read.there) {
        m_checksums = read.lines;
        const QString mismatch = checksumMismatch(m_checksums, m_checksumName, m_folders,
                                                  m_baseName, m_header->pieceCount, m_restoredName);
        if (!mismatch.isEmpty())
            return damaged(mismatch);
    } else if (mendable()) {
        return damaged(QString());
    }
    for (int n = 1; n <= m_header->pieceCount; ++n) {
        // A piece on a medium that is not there yet is asked for when its turn comes.
        if (m_acrossMedia && n > m_lastHere) {
            m_pieces.push_back({0, 0, -1});
            continue;
        }
        const std::optional<struct stat> entry = FileEntry::status(piecePath(n), true);
        if (!entry || !S_ISREG(entry->st_mode))
            return damaged(EngineTexts::missingPiece(pieceName(n)));
        m_pieces.push_back({entry->st_dev, entry->st_ino, entry->st_size - headerLength(n)});
    }
    std::vector<qint64> lengths;
    for (const CheckedPiece &piece : m_pieces)
        lengths.push_back(piece.dataLength);
    if (const std::vector<int> wrong = wrongLengths(lengths); !wrong.empty())
        return damaged(EngineTexts::damagedPiece(pieceName(wrong.front())));
    m_progress = {0, m_header->pieceCount, 0, 0};
    for (const CheckedPiece &piece : m_pieces)
        m_progress.total += piece.dataLength < 0 ? m_pieces.front().dataLength : piece.dataLength;
    return true;
}

// A medium is lost: the mend needs the others, those of the pieces after piece n, and, while
// the recovery volumes found are fewer than the pieces missing, those that hold more of them.
bool Restore::gatherMedia(int n)
{
    int missing = 1;
    const auto ask = [&](const QString &piece, const QString &text) {
        MediumRequest request;
        request.kind = MediumRequest::Kind::Restore;
        request.piece = piece;
        request.text = text;
        request.lastFolder = m_folders.folders().last();
        return m_window.nextMedium(request);
    };
    for (int later = n + 1; later <= m_header->pieceCount; ++later) {
        // Before a medium that starts further on: a piece of the one lost.
        if (!m_folders.holds(pieceName(later)) && laterHeld(later)) {
            ++missing;
            continue;
        }
        while (!m_folders.holds(pieceName(later))) {
            const MediumAnswer answer =
                ask(pieceName(later), EngineTexts::insertMediumWith(pieceName(later)));
            if (answer.kind == MediumAnswer::Kind::Cancel)
                return m_run.stop();
            if (answer.kind == MediumAnswer::Kind::Lost) {
                ++missing;
                break;
            }
            m_folders.add(answer.folder);
            if (!m_folders.holds(pieceName(later)) && laterHeld(later)) {
                ++missing;
                break;
            }
        }
    }
    // Each volume of a set cut here holds one recovery slice; the index, on every medium, none.
    const auto volumes = [&] {
        const QStringList paths = RecoverySet::fileNames(m_folders, m_baseName);
        return std::count_if(paths.cbegin(), paths.cend(), [&](const QString &path) {
            return !path.endsWith(QLatin1Char('/') + m_baseName + QLatin1String(Par2::indexSuffix));
        });
    };
    while (volumes() < missing) {
        const MediumAnswer answer = ask(QString(), EngineTexts::insertRecoveryMedium(m_baseName));
        if (answer.kind == MediumAnswer::Kind::Cancel)
            return m_run.stop();
        if (answer.kind == MediumAnswer::Kind::Lost)
            break;
        m_folders.add(answer.folder);
    }
    return true;
}

bool Restore::locate(int n)
{
    while (!m_folders.holds(pieceName(n))) {
        MediumRequest request;
        request.kind = MediumRequest::Kind::Restore;
        request.piece = pieceName(n);
        request.text = EngineTexts::insertMediumWith(request.piece);
        request.lastFolder = m_folders.folders().last();
        const MediumAnswer answer = m_window.nextMedium(request);
        if (answer.kind == MediumAnswer::Kind::Cancel)
            return m_run.stop();
        if (answer.kind == MediumAnswer::Kind::Lost)
            return gatherMedia(n) && damaged(EngineTexts::missingPiece(pieceName(n)));
        m_folders.add(answer.folder);
    }
    // Each piece but the last as long as piece 1, the last at least a byte and at most as much.
    const std::optional<struct stat> entry = FileEntry::status(piecePath(n), true);
    if (!entry || !S_ISREG(entry->st_mode))
        return damaged(EngineTexts::missingPiece(pieceName(n)));
    const qint64 length = entry->st_size - headerLength(n);
    const qint64 full = m_pieces.front().dataLength;
    if (n < m_header->pieceCount ? length != full : length < 1 || length > full)
        return damaged(EngineTexts::damagedPiece(pieceName(n)));
    m_pieces[size_t(n - 1)] = {entry->st_dev, entry->st_ino, length};
    return true;
}

// The digests computed since the last call, each compared with its piece's line: the damage
// found, or nothing.
QString Restore::checkDigests(HashThread &hash, bool all)
{
    for (const QByteArray &digest : hash.takeDigests(all)) {
        ++m_proven;
        if (digest != (*m_checksums)[m_proven - 1].digest)
            return digest.isEmpty()
                       ? EngineTexts::restoreError
                       : EngineTexts::damagedContent(pieceName(m_proven), m_checksumName);
    }
    return {};
}

// The file is written under a hidden name and takes its own only when it is whole and on disk.
// What a restore that was killed left under that name is the program's own: it goes. Each piece
// is hashed as it is copied, and its digest compared as soon as it is done, the last ones before
// the file takes its name: the copy goes on meanwhile.
bool Restore::copyAndProve()
{
    const QString restoredPath = m_destination + m_restoredName;
    if (!createRestored(m_run, restoredPath, m_firstPiecePath))
        return false;
    BlockCopier copier(m_window, m_progress, BlockCopier::Cache::Past);
    Sha256 sha256;
    HashThread hash(sha256);
    for (int n = 1; n <= m_header->pieceCount; ++n) {
        m_progress.piece = n;
        m_window.reportProgress(m_progress);
        if (m_window.stopRequested())
            return m_run.stop();
        // The pieces before this one are checked as their digests come, while it is copied.
        if (const QString damage = m_checksums ? checkDigests(hash, false) : QString();
            !damage.isEmpty())
            return damaged(damage);
        if ((elsewhere(n) && !locate(n)) || !copyPiece(n, copier, hash))
            return false;
    }
    // Every byte is copied: the title says so while the flush waits for the disk.
    m_window.reportProgress(m_progress);
    if (const QString damage = m_checksums ? checkDigests(hash, true) : QString();
        !damage.isEmpty())
        return damaged(damage);
    if (!copier.finish())
        return m_run.fail(EngineTexts::restoreError, copier.cause(restoredPath, restoredPath));
    m_restored.close();
    return FileIo::flush(m_run.restoredTemporary)
           || m_run.fail(EngineTexts::restoreError, FileIo::causeNow(restoredPath));
}

// Piece n, held to what the check found, before and after its copy: one that changed meanwhile is
// reported as it is now, gone or damaged. Its checksum covers it whole: piece 1's header as it is
// read during the copy, then the very bytes written.
bool Restore::copyPiece(int n, BlockCopier &copier, HashThread &hash)
{
    const CheckedPiece &checked = m_pieces[n - 1];
    QFile piece;
    struct stat now;
    const bool same = FileIo::openRegular(piece, piecePath(n)) && ::fstat(piece.handle(), &now) == 0
                      && checked.isStill(now, n);
    const bool headRead =
        n > 1 || !m_checksums || ::pread(piece.handle(), m_head, sizeof m_head, 0) == sizeof m_head;
    if (m_checksums && n == 1)
        hash.add(m_head, sizeof m_head);
    const FileIo::Result copied =
        same && headRead ? copier.append(piece, headerLength(n), checked.dataLength, m_restored,
                                         m_checksums ? BlockCopier::Hashes{{&hash}, true}
                                                     : BlockCopier::Hashes{})
                         : FileIo::Result::Short;
    if (copied == FileIo::Result::Stopped)
        return m_run.stop();
    if (copied == FileIo::Result::Failed)
        return m_run.fail(EngineTexts::restoreError,
                          copier.cause(m_destination + m_restoredName, piecePath(n)));
    if (copied == FileIo::Result::Short || ::fstat(piece.handle(), &now) != 0
        || !checked.isStill(now, n))
        return damaged(FileEntry::exists(piecePath(n)) ? EngineTexts::damagedPiece(pieceName(n))
                                                       : EngineTexts::missingPiece(pieceName(n)));
    if (m_checksums)
        hash.endDigest();
    return true;
}

bool Restore::publish()
{
    return publishRestored(m_run, m_destination + m_restoredName);
}

void Restore::announce()
{
    m_window.showMessage(EngineTexts::restoreDone, EngineTexts::informationTitle,
                         MessageIcon::Information, MessageButtons::Ok);
    m_window.refreshFileList();
}

} // namespace

namespace FctDecoup {

bool IsRecoveryFile(const QString &fileName)
{
    return !Par2::baseNameOf(fileName).isEmpty();
}

Outcome RestoreFile(EngineWindow &window, const QString &firstPiecePath, const QString &destination,
                    const QStringList &from)
{
    Run run(window);
    QString folderChosen = destination;
    const IgnoredFileSizeSignal fileSizeLimitIsAFailure;
    const QString folder = SplitPath(firstPiecePath, false);
    // A recovery file stands for its set: the restore starts from the set's piece 1, or, when
    // it is gone, from the recovery files alone.
    const QString recoveryOf = Par2::baseNameOf(SplitPath(firstPiecePath, true));
    SetFolders folders(folder);
    for (const QString &other : from)
        folders.add(other);
    const QString first =
        recoveryOf.isEmpty() ? firstPiecePath : folders.path(recoveryOf + PieceSuffix(1));
    // No cut replaces the set while it is read. A set that no one can write to (a read-only or
    // full medium) is read without the lock.
    const QString baseName = BaseNameOfFirstPiece(SplitPath(first, true)).value_or(QString());
    if (!baseName.isEmpty()
        && run.setLock.take(folder, baseName, SetLock::Names::Set, SetLock::Mode::Read)
               == SetLock::State::Busy) {
        run.refuse(EngineTexts::withCause(EngineTexts::restoreError,
                                          EngineTexts::namesBusy(baseName, folder)),
                   EngineTexts::errorTitle, MessageIcon::Exclamation);
        return run.outcome;
    }
    const auto restore = [&](bool mayMend) {
        Restore plain(run, first, folders, mayMend, folderChosen);
        if (plain.readHeader() && plain.checkSet() && plain.chooseFolder() && plain.copyAndProve()
            && plain.publish())
            plain.announce();
        return std::pair(plain.needsMend(), plain.damage());
    };
    const auto [needsMend, damage] =
        recoveryOf.isEmpty() || FileEntry::exists(first)
            ? restore(true)
            : std::pair(true, EngineTexts::missingPiece(SplitPath(first, true)));
    if (!needsMend)
        return run.outcome;
    // Recovery files that describe no set judge nothing: the pieces restore unchecked.
    if (!MendSet(run, folders, baseName, damage, folderChosen) && damage.isEmpty())
        restore(false);
    return run.outcome;
}

} // namespace FctDecoup
