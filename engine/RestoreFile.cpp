// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Rebuilding a file from its piece set.
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
#include "Rebuild.h"
#include "RecoverySet.h"
#include "UnfinishedOutput.h"
#include "WriteBehind.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
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

// A restore that cannot go on: its partly restored file goes, and the reason shows (none for a
// stop), with the cause that errno tells when a call on the file or folder concerned failed.
bool abandon(EngineWindow &window, QFile &restored, UnfinishedOutput &output, const QString &text,
             const QString &concerned = {})
{
    const int error = errno;
    restored.close();
    output.remove();
    if (!text.isEmpty())
        reportError(window, EngineTexts::withCause(text, concerned.isEmpty()
                                                             ? QString()
                                                             : EngineTexts::cause(error, concerned)));
    return false;
}

// The folder that a restored file of length bytes goes into: destination when the caller gave
// one, else the set's folder, or, when that cannot take it, the one the user chooses. The one
// chosen is kept in destination: a restore that the mend takes over asks no second time. None
// when the file cannot go there (said) or the user chose none.
std::optional<QString> settleFolder(EngineWindow &window, QString &destination,
                                    const QString &setFolder, const QString &restoredName,
                                    qint64 length)
{
    QString folder = AddBackslash(destination.isEmpty() ? setFolder : destination);
    std::optional<Destination::Refusal> refused = Destination::refusal(folder, {length}, 0);
    if (refused && destination.isEmpty()) {
        const std::optional<QString> other = window.chooseFolder(Output::RestoredFile);
        if (!other)
            return std::nullopt;
        if (!other->isEmpty()) {
            folder = AddBackslash(*other);
            refused = Destination::refusal(folder, {length}, 0);
        }
    }
    destination = folder;
    if (refused) {
        reportError(window, EngineTexts::withCause(
                                EngineTexts::restoreError,
                                refused->error     ? EngineTexts::cause(refused->error, folder)
                                : refused->tooLong ? EngineTexts::tooLargeForFat(folder, refused->tooLong)
                                                   : EngineTexts::noRoom(folder, refused->needed,
                                                                         refused->free)));
        return std::nullopt;
    }
    if (FileEntry::exists(folder + restoredName)) {
        reportDestinationExists(window);
        return std::nullopt;
    }
    return folder;
}

// The restored file, whole under its hidden name, takes its own; never over an entry that
// appeared meanwhile.
bool publishRestored(EngineWindow &window, QFile &restored, UnfinishedOutput &output,
                     const QString &path)
{
    switch (FileIo::publish(restored.fileName(), path)) {
    case FileIo::Result::Done:
        output.keep();
        return true;
    case FileIo::Result::Exists:
        output.remove();
        reportDestinationExists(window);
        return false;
    default:
        return abandon(window, restored, output, EngineTexts::restoreError, path);
    }
}

std::optional<PieceHeader> headerOf(const QString &firstPiecePath)
{
    QFile first;
    if (!FileIo::openRegular(first, firstPiecePath))
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
        return named(n) && (*lines)[n - 1].digest == ChecksumFile::digestOf(folder + baseName + PieceSuffix(n));
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

// One restore, step by step. Each step that cannot go on says why (a stop says nothing) and
// returns false; a partly restored file goes with it.
class Restore
{
public:
    // mayMend: the set's recovery files, if any, may mend it. destination: as settleFolder.
    Restore(EngineWindow &window, const QString &firstPiecePath, bool mayMend,
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
    bool fail(const QString &text, const QString &concerned = {});
    bool damaged(const QString &text);
    bool mendable() const;
    bool copyPiece(int n, BlockCopier &copier, HashThread &hash);
    QString checkDigests(HashThread &hash, bool all);
    QString pieceName(int n) const { return m_baseName + PieceSuffix(n); }
    QString piecePath(int n) const { return m_folder + pieceName(n); }

    EngineWindow &m_window;
    const QString m_firstPiecePath;
    // Where the pieces are, only read; the file comes back into m_destination.
    const QString m_folder;
    QString &m_destination;
    QString m_baseName;
    std::optional<PieceHeader> m_header;
    QString m_restoredName;
    QString m_checksumName;
    std::optional<QList<ChecksumFile::Line>> m_checksums;
    std::vector<CheckedPiece> m_pieces;
    Progress m_progress;
    QFile m_restored;
    UnfinishedOutput m_output;
    const bool m_mayMend;
    bool m_needsMend = false;
    QString m_damage;
    int m_proven = 0; // pieces whose digest matched their line
    // Piece 1's header as the copy read it: the hash reads it later, on its own thread.
    char m_head[PieceHeader::size] = {};
};

Restore::Restore(EngineWindow &window, const QString &firstPiecePath, bool mayMend,
                 QString &destination)
    : m_window(window), m_firstPiecePath(firstPiecePath),
      m_folder(SplitPath(firstPiecePath, false)), m_destination(destination), m_mayMend(mayMend)
{}

bool Restore::fail(const QString &text, const QString &concerned)
{
    return abandon(m_window, m_restored, m_output, text, concerned);
}

// Recovery files are looked for only once something is wrong: an intact set never lists its
// folder for them.
bool Restore::mendable() const
{
    return m_mayMend && !m_baseName.isEmpty()
           && !RecoverySet::fileNames(m_folder, m_baseName).isEmpty();
}

bool Restore::damaged(const QString &text)
{
    if (text == EngineTexts::restoreError || !mendable())
        return fail(text);
    m_damage = text;
    m_needsMend = true;
    return fail(QString());
}

// The header and the data of piece 1 come from the same file: the one named like piece 1.
bool Restore::readHeader()
{
    const QString firstPieceName = SplitPath(m_firstPiecePath, true);
    if (!firstPieceName.endsWith(PieceSuffix(1))) {
        m_window.showMessage(EngineTexts::wrongFileText, EngineTexts::wrongFileTitle,
                             MessageIcon::Information, MessageButtons::Ok);
        return false;
    }
    m_baseName = firstPieceName.chopped(PieceSuffix(1).size());
    m_header = headerOf(m_firstPiecePath);
    m_restoredName = m_header ? RestoredName(m_baseName, m_header->extension) : QString();
    if (m_restoredName.isEmpty()) // no header, or a set of ".001" that names no file
        return damaged(EngineTexts::badHeader);
    const QString folder = m_destination.isEmpty() ? m_folder : AddBackslash(m_destination);
    if (FileEntry::exists(folder + m_restoredName)) {
        reportDestinationExists(m_window);
        return false;
    }
    return true;
}

// Where the file goes, once its length is known.
bool Restore::chooseFolder()
{
    return settleFolder(m_window, m_destination, m_folder, m_restoredName, m_progress.total)
        .has_value();
}

// Before anything is created: with the set's checksum file beside it, the file must describe the
// set; and every piece must be there, with the length that a whole set gives it, so that a
// missing piece is never taken as empty, a short one never restored as if whole.
bool Restore::checkSet()
{
    m_checksumName = m_baseName + QLatin1String(ChecksumFile::suffix);
    if (const ChecksumFile::Read read = ChecksumFile::read(m_folder + m_checksumName); read.there) {
        m_checksums = read.lines;
        const QString mismatch = checksumMismatch(m_checksums, m_checksumName, m_folder, m_baseName,
                                                  m_header->pieceCount, m_restoredName);
        if (!mismatch.isEmpty())
            return damaged(mismatch);
    } else if (mendable()) {
        return damaged(QString());
    }
    for (int n = 1; n <= m_header->pieceCount; ++n) {
        struct stat entry;
        if (::stat(QFile::encodeName(piecePath(n)).constData(), &entry) != 0
            || !S_ISREG(entry.st_mode))
            return damaged(EngineTexts::missingPiece(pieceName(n)));
        m_pieces.push_back({entry.st_dev, entry.st_ino, entry.st_size - headerLength(n)});
    }
    if (const int n = firstDamaged(m_pieces))
        return damaged(EngineTexts::damagedPiece(pieceName(n)));
    m_progress = {0, m_header->pieceCount, 0, 0};
    for (const CheckedPiece &piece : m_pieces)
        m_progress.total += piece.dataLength;
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
    m_restored.setFileName(FileIo::temporaryPath(restoredPath));
    if (!FileIo::createNew(m_restored, QFileInfo(m_firstPiecePath).permissions()))
        return fail(EngineTexts::restoreError, restoredPath);
    m_output.add(m_restored.fileName());
    BlockCopier copier(m_window, m_progress);
    Sha256 sha256;
    HashThread hash(sha256);
    for (int n = 1; n <= m_header->pieceCount; ++n) {
        m_progress.piece = n;
        m_window.reportProgress(m_progress);
        if (m_window.stopRequested())
            return fail(QString());
        // The pieces before this one are checked as their digests come, while it is copied.
        if (const QString damage = m_checksums ? checkDigests(hash, false) : QString();
            !damage.isEmpty())
            return damaged(damage);
        if (!copyPiece(n, copier, hash))
            return false;
    }
    // Every byte is copied: the title says so while the flush waits for the disk.
    m_window.reportProgress(m_progress);
    if (const QString damage = m_checksums ? checkDigests(hash, true) : QString();
        !damage.isEmpty())
        return damaged(damage);
    m_restored.close();
    return FileIo::flush(m_restored.fileName()) || fail(EngineTexts::restoreError, restoredPath);
}

// Piece n, held to what the check found, before and after its copy: one that changed meanwhile is
// reported as it is now, gone or damaged. Its checksum covers it whole: piece 1's header as it is
// read during the copy, then the very bytes written.
bool Restore::copyPiece(int n, BlockCopier &copier, HashThread &hash)
{
    const CheckedPiece &checked = m_pieces[n - 1];
    QFile piece;
    struct stat now;
    const bool same = FileIo::openRegular(piece, piecePath(n))
                      && ::fstat(piece.handle(), &now) == 0 && checked.isStill(now, n);
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
        return fail(QString());
    if (copied == FileIo::Result::Failed)
        return fail(EngineTexts::restoreError,
                    FileIo::failedSide(m_destination + m_restoredName, piecePath(n)));
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
    return publishRestored(m_window, m_restored, m_output, m_destination + m_restoredName);
}

void Restore::announce()
{
    m_window.showMessage(EngineTexts::restoreDone, EngineTexts::informationTitle,
                         MessageIcon::Information, MessageButtons::Ok);
    m_window.refreshFileList();
}

// A restore that the recovery files beside the set mend: every file of the recovery set judged
// slice by slice by its own checksums, the damaged slices rebuilt from the others and as many
// recovery slices, and the file written from both. The set is only read.
class Mend
{
public:
    Mend(EngineWindow &window, const QString &folder, const QString &baseName,
         const QString &damage, QString &destination)
        : m_window(window), m_folder(folder), m_destination(destination), m_baseName(baseName),
          m_damage(damage)
    {}

    bool loadSet();
    bool assess();
    bool solve();
    bool readHeader();
    bool write();
    bool prove();
    bool publish();
    void announce();

private:
    bool fail(const QString &text, const QString &concerned = {});
    QString pieceName(int n) const { return m_baseName + PieceSuffix(n); }
    QString restoredPath() const { return m_destination + m_restoredName; }
    QString mismatch(const QList<QByteArray> &digests) const;
    // Piece n's data bytes at offset of the piece go to the restored file.
    bool writeOut(int n, qint64 offset, const char *data, qint64 length);

    EngineWindow &m_window;
    const QString m_folder; // of the set, only read
    QString &m_destination; // as settleFolder
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
    QFile m_restored;
    // A slow medium slows the mend down, as any copy: its progress is true, its flush short.
    WriteBehind m_writeBehind;
    UnfinishedOutput m_output;
};

bool Mend::fail(const QString &text, const QString &concerned)
{
    return abandon(m_window, m_restored, m_output, text, concerned);
}

// The recovery set must describe a set of pieces 1 ... N of this base name, each of them.
bool Mend::loadSet()
{
    m_set = RecoverySet::load(m_folder, m_baseName);
    if (!m_set || !m_set->mapPieces(m_baseName, m_pieceOf, m_fileOf))
        return fail(m_damage);
    const int count = int(m_fileOf.size()) - 1;
    // Every byte of the set is read to be judged, then given again, read or rebuilt, and the
    // file is read back to be proven.
    m_progress = {0, count, 0, 0};
    for (const RecoverySet::File &file : m_set->files)
        m_progress.total += 2 * file.length;
    for (int n = 1; n <= count; ++n)
        m_progress.total += m_set->files[m_fileOf[n]].length - headerLength(n);
    return true;
}

bool Mend::assess()
{
    // The checksum file, where its lines name the pieces, proves the sound ones more quickly.
    m_lines = ChecksumFile::read(m_folder + m_checksumName).lines;
    const int count = int(m_fileOf.size()) - 1;
    const auto names = [&](int n) {
        return m_lines && m_lines->size() >= n
               && (*m_lines)[n - 1].name == m_set->files[m_fileOf[n]].name;
    };
    QList<QByteArray> wholeDigests(m_set->files.size());
    m_describes = m_lines && m_lines->size() == count + 1;
    for (int n = 1; n <= count; ++n) {
        m_describes = m_describes && names(n);
        if (names(n))
            wholeDigests[m_fileOf[n]] = (*m_lines)[n - 1].digest;
    }
    m_rebuild = std::make_unique<Rebuild>(*m_set, m_folder, m_window, m_progress);
    switch (m_rebuild->assess(wholeDigests)) {
    case FileIo::Result::Done:
        m_describes = m_describes
                      && std::any_of(m_rebuild->inputs().cbegin(), m_rebuild->inputs().cend(),
                                     [](const Rebuild::Input &input) { return input.provenWhole; });
        return true;
    case FileIo::Result::Stopped:
        return fail(QString());
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
    return fail(EngineTexts::notRepairable(QFile::decodeName(m_set->files[first].name),
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
    qint64 length = 0;
    for (std::size_t n = 1; n < m_fileOf.size(); ++n)
        length += m_set->files[m_fileOf[n]].length - headerLength(int(n));
    return settleFolder(m_window, m_destination, m_folder, m_restoredName, length).has_value();
}

bool Mend::writeOut(int n, qint64 offset, const char *data, qint64 length)
{
    const qint64 skip = std::max<qint64>(0, headerLength(n) - offset);
    if (skip >= length)
        return true;
    const qint64 at = m_dataStart[size_t(n)] + offset + skip - headerLength(n);
    for (qint64 written = skip; written < length;) {
        const ssize_t w = ::pwrite(m_restored.handle(), data + written, size_t(length - written),
                                   off_t(at + written - skip));
        if (w <= 0)
            return false;
        written += w;
    }
    m_writeBehind.written(m_restored.handle(), at, length - skip);
    return true;
}

// Under its hidden name, as any restore: the sound slices' bytes as they are read, the rebuilt
// ones as they are computed, a window of every slice at a time; what was computed is proven by
// the slices' own checksums before the file takes its name.
bool Mend::write()
{
    // As private as the set: as its first piece that is there, or as a recovery file.
    QString permissionsOf = m_set->paths.first();
    for (std::size_t n = 1; n < m_fileOf.size(); ++n) {
        if (m_rebuild->inputs()[m_fileOf[n]].present) {
            permissionsOf = m_folder + pieceName(int(n));
            break;
        }
    }
    m_restored.setFileName(FileIo::temporaryPath(restoredPath()));
    if (!FileIo::createNew(m_restored, QFileInfo(permissionsOf).permissions()))
        return fail(EngineTexts::restoreError, restoredPath());
    m_output.add(m_restored.fileName());
    m_dataStart.assign(m_fileOf.size() + 1, 0);
    for (std::size_t n = 1; n < m_fileOf.size(); ++n)
        m_dataStart[n + 1] =
            m_dataStart[n] + m_set->files[m_fileOf[n]].length - headerLength(int(n));
    const auto out = [this](int file, qint64 offset, const char *data, qint64 length) {
        return !m_pieceOf[size_t(file)] || writeOut(m_pieceOf[size_t(file)], offset, data, length);
    };
    for (qint64 from = 0; from < m_set->sliceSize; from += m_rebuild->windowLength()) {
        const FileIo::Result done = m_rebuild->rebuild(
            from, std::min(from + m_rebuild->windowLength(), m_set->sliceSize), out);
        if (done != FileIo::Result::Done)
            return fail(done == FileIo::Result::Stopped ? QString() : EngineTexts::restoreError,
                        done == FileIo::Result::Failed ? restoredPath() : QString());
    }
    m_window.reportProgress(m_progress);
    if (!m_rebuild->proven())
        return fail(EngineTexts::restoreError);
    m_restored.close();
    return FileIo::flush(m_restored.fileName()) || fail(EngineTexts::restoreError, restoredPath());
}

// Where the checksum file describes the set it has the last word: every piece of the file as it
// lies on the disk, rebuilt or not, and the file itself must match their lines before the file
// takes its name. Recovery files of another version of the file, or forged ones, rebuild data
// that their own checksums prove.
bool Mend::prove()
{
    const int count = int(m_fileOf.size()) - 1;
    if (!m_describes) {
        m_progress.moved += m_dataStart[size_t(count + 1)];
        return true;
    }
    constexpr qint64 blockSize = 1 << 20;
    QFile restored;
    std::unique_ptr<char[]> buffers[HashThread::queued + 1];
    for (auto &buffer : buffers) {
        if (!(buffer = std::unique_ptr<char[]>(new (std::nothrow) char[blockSize])))
            return fail(EngineTexts::restoreError);
    }
    if (!FileIo::openRegular(restored, m_restored.fileName()))
        return fail(EngineTexts::restoreError);
    Sha256 pieceSha256, fileSha256;
    HashThread pieces(pieceSha256), whole(fileSha256);
    int next = 0;
    pieces.add(m_head.constData(), m_head.size());
    for (int n = 1; n <= count; ++n) {
        for (qint64 at = m_dataStart[size_t(n)], length; at < m_dataStart[size_t(n + 1)];
             at += length) {
            m_window.reportProgress(m_progress);
            if (m_window.stopRequested())
                return fail(QString());
            char *const buffer = buffers[next++ % std::size(buffers)].get();
            length = std::min(blockSize, m_dataStart[size_t(n + 1)] - at);
            if (FileIo::readFully(restored.handle(), buffer, length, at) != length)
                return fail(EngineTexts::restoreError);
            pieces.add(buffer, length);
            whole.add(buffer, length);
            m_progress.moved += length;
        }
        pieces.endDigest();
    }
    whole.endDigest();
    const QString text = mismatch(pieces.takeDigests(true) + whole.takeDigests(true));
    return text.isEmpty() || fail(text);
}

// The first of the file's pieces, then the file, that its digest shows is not as its line says.
QString Mend::mismatch(const QList<QByteArray> &digests) const
{
    const int count = int(m_fileOf.size()) - 1;
    for (int n = 1; n <= count; ++n) {
        if (digests.value(n - 1) == (*m_lines)[n - 1].digest)
            continue;
        if (digests.value(n - 1).isEmpty())
            return EngineTexts::restoreError;
        return m_rebuild->inputs()[m_fileOf[size_t(n)]].damagedSlices
                   ? EngineTexts::rebuiltDoesNotMatch(pieceName(n), m_checksumName)
                   : EngineTexts::damagedContent(pieceName(n), m_checksumName);
    }
    return digests.value(count) == m_lines->last().digest
               ? QString()
               : EngineTexts::restoredDoesNotMatch(m_restoredName, m_checksumName);
}

bool Mend::publish()
{
    return publishRestored(m_window, m_restored, m_output, restoredPath());
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

bool IsRecoveryFile(const QString &fileName)
{
    return !Par2::baseNameOf(fileName).isEmpty();
}

void RestoreFile(EngineWindow &window, const QString &firstPiecePath, const QString &destination)
{
    QString folderChosen = destination;
    const IgnoredFileSizeSignal fileSizeLimitIsAFailure;
    const QString folder = SplitPath(firstPiecePath, false);
    // A recovery file stands for its set: the restore starts from the set's piece 1, or, when
    // it is gone, from the recovery files alone.
    const QString recoveryOf = Par2::baseNameOf(SplitPath(firstPiecePath, true));
    const QString first =
        recoveryOf.isEmpty() ? firstPiecePath : folder + recoveryOf + PieceSuffix(1);
    const auto restore = [&](bool mayMend) {
        Restore plain(window, first, mayMend, folderChosen);
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
        return;
    Mend mend(window, folder, SplitPath(first, true).chopped(PieceSuffix(1).size()), damage,
              folderChosen);
    if (!mend.loadSet()) {
        // Recovery files that describe no set judge nothing: the pieces restore unchecked.
        if (damage.isEmpty())
            restore(false);
        return;
    }
    if (mend.assess() && mend.solve() && mend.readHeader() && mend.write() && mend.prove()
        && mend.publish())
        mend.announce();
}

} // namespace FctDecoup
