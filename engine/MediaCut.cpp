// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Cutting a file onto one medium after another. The source lies on the disk and is read first
// for the proofs alone: every medium then gets the checksum file and the PAR2 index with its
// pieces, so that it can be checked on its own and a restore can start from any of them. The
// pieces follow whole, in order, as many as the medium takes, then the recovery volumes, summed
// from the source again for each medium that takes some. Each medium is read back past the
// system's cache before the next one is asked for: what it did not keep is written again on
// another.
#include "BlockCopier.h"
#include "ChecksumFile.h"
#include "Cutting.h"
#include "FileEntry.h"
#include "HashThread.h"
#include "OpenSslDigest.h"
#include "Par2.h"
#include "PieceHeader.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <limits>
#include <map>
#include <sys/statfs.h>

namespace Cutting {

using namespace FctDecoup;

namespace {

constexpr qint64 blockSize = 1 << 20;

// What tells a medium from the next one put in the same drive: its file system's identity and
// the folder's own.
QByteArray identityOf(const QString &folder)
{
    const QByteArray path = NativePath(folder);
    struct stat entry;
    struct statfs system;
    if (::stat(path.constData(), &entry) != 0 || ::statfs(path.constData(), &system) != 0)
        return {};
    QByteArray identity;
    identity.append(reinterpret_cast<const char *>(&entry.st_dev), sizeof entry.st_dev);
    identity.append(reinterpret_cast<const char *>(&entry.st_ino), sizeof entry.st_ino);
    identity.append(reinterpret_cast<const char *>(&system.f_fsid), sizeof system.f_fsid);
    return identity;
}

// The SHA-256 of the file at path as its medium holds it, past the system's cache.
QByteArray digestOnMedium(const QString &path, Progress &progress, EngineWindow &window)
{
    FileIo::evict(path);
    QFile file;
    if (!FileIo::openRegular(file, path))
        return {};
    Sha256 sha256;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[blockSize]);
    for (qint64 at = 0; buffer;) {
        const qint64 got = FileIo::readFully(file.handle(), buffer.get(), blockSize, at);
        if (got < 0)
            return {};
        if (got == 0)
            return sha256.finish();
        sha256.add(buffer.get(), got);
        at += got;
        progress.moved += got;
        window.reportProgress(progress);
    }
    return {};
}

} // namespace

void Cut::goAcrossMedia(const QStringList &more, bool protect)
{
    m_acrossMedia = true;
    m_protect = protect;
    m_mediaGiven = more;
}

QString Cut::itemName(int item) const
{
    return isVolume(item)
               ? Par2::volumeName(m_name.baseName, item - m_pieceCount - 1, m_volumeCount)
               : m_name.baseName + PieceSuffix(item);
}

qint64 Cut::itemLength(int item) const
{
    if (!isVolume(item))
        return pieceLength(item);
    // Every volume holds one slice and the index's packets: one length for all, reckoned once.
    if (m_volumeLength < 0) {
        QList<QByteArray> names;
        for (int n = 1; n <= m_pieceCount; ++n)
            names.append(NativePath(m_name.baseName + PieceSuffix(n)));
        m_volumeLength =
            RecoveryWriter::fileLengths(names, (pieceLength(1) + 3) / 4 * 4, 1, creator).last();
    }
    return m_volumeLength;
}

// Runs of items that follow each other: "rapport.001 à rapport.011, rapport.vol0+2.par2".
QString Cut::describe(const QList<int> &items) const
{
    QList<int> sorted = items;
    std::sort(sorted.begin(), sorted.end());
    QStringList runs;
    for (qsizetype i = 0; i < sorted.size();) {
        qsizetype j = i;
        while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + 1
               && isVolume(sorted[j + 1]) == isVolume(sorted[i]))
            ++j;
        runs.append(j == i ? itemName(sorted[i])
                           : itemName(sorted[i]) + QStringLiteral(" à ") + itemName(sorted[j]));
        i = j + 1;
    }
    return runs.join(QStringLiteral(", "));
}

// Each piece's bytes from..to (piece 1's header first), read from the source in blocks: to the
// perPiece digests, each piece ending one of theirs, and the source's own bytes to file.
FileIo::Result Cut::feedSource(const std::vector<HashThread *> &perPiece, HashThread *file,
                               qint64 from, qint64 to)
{
    // The hashes may still read the last blocks once this returns: the buffers are the cut's.
    auto &buffers = m_sourceBuffers;
    for (auto &buffer : buffers) {
        if (!buffer && !(buffer = std::unique_ptr<char[]>(new (std::nothrow) char[blockSize])))
            return errno = ENOMEM, FileIo::Result::Failed;
    }
    int next = 0;
    for (int n = 1; n <= m_pieceCount; ++n) {
        const qint64 header = n == 1 ? m_header.size() : 0;
        const qint64 end = std::min(pieceLength(n), to);
        if (end <= from)
            continue;
        m_progress.piece = n;
        if (from < header) {
            for (HashThread *thread : perPiece)
                thread->add(m_header.constData() + from, std::min(header, end) - from);
        }
        for (qint64 at = std::max(from, header); at < end;) {
            m_window.reportProgress(m_progress);
            if (m_window.stopRequested())
                return FileIo::Result::Stopped;
            char *buffer = buffers[next].get();
            next = (next + 1) % int(std::size(buffers));
            const qint64 length = std::min(blockSize, end - at);
            if (FileIo::readFully(m_source.handle(), buffer, length,
                                  (n - 1) * *m_block + at - header)
                != length)
                return FileIo::Result::Failed;
            for (HashThread *thread : perPiece)
                thread->add(buffer, length);
            if (file)
                file->add(buffer, length);
            at += length;
            m_progress.moved += length;
        }
        for (HashThread *thread : perPiece)
            thread->endDigest();
    }
    return FileIo::Result::Done;
}

// The source's bytes that feedSource reads for each piece's bytes from..to.
qint64 Cut::fedBytes(qint64 from, qint64 to) const
{
    qint64 bytes = 0;
    for (int n = 1; n <= m_pieceCount; ++n) {
        const qint64 header = n == 1 ? m_header.size() : 0;
        bytes += std::max(qint64(0), std::min(pieceLength(n), to) - std::max(from, header));
    }
    return bytes;
}

// The bytes that a medium's share of these items moves: its pieces' data copied, the source read
// again for its volumes' first window, and every file of it read back.
qint64 Cut::workOf(const QList<int> &items) const
{
    if (items.isEmpty())
        return 0;
    qint64 work = m_index.size();
    bool volumes = false;
    for (const int item : items) {
        volumes = volumes || isVolume(item);
        work += itemLength(item)
                + (isVolume(item) ? 0 : pieceLength(item) - (item == 1 ? m_header.size() : 0));
    }
    if (!std::all_of(items.cbegin(), items.cend(), [&](int i) { return isVolume(i); }))
        work += m_checksums.size();
    return work + (volumes ? fedBytes(0, pieceLength(1)) : 0);
}

// The proofs, before the first medium: each piece's SHA-256 and the file's, and the PAR2 index.
bool Cut::hashSource()
{
    Sha256 pieceSha256;
    Sha256 fileSha256;
    HashThread pieceHash(pieceSha256);
    HashThread fileHash(fileSha256);
    HashThread checksums(m_recovery->checksums());
    HashThread crcs(m_recovery->crcs());
    const FileIo::Result fed =
        feedSource({&pieceHash, &checksums, &crcs}, &fileHash, 0, pieceLength(1));
    const int error = errno;
    fileHash.endDigest();
    m_digests = pieceHash.takeDigests(true) + fileHash.takeDigests(true);
    checksums.takeDigests(true);
    m_pieceCrcs = crcs.takeDigests(true);
    if (fed == FileIo::Result::Stopped)
        return stop();
    if (!sourceUnchanged())
        return fail({}, changed());
    if (fed != FileIo::Result::Done)
        return fail({error, m_sourcePath});
    m_index = m_recovery->index(m_pieceCrcs);
    // Its memory goes to each medium's volumes.
    m_recovery.reset();
    m_checksums = checksumBytes();
    if (m_index.isEmpty() || m_checksums.isEmpty())
        return fail({ENOMEM, m_sourcePath});
    return true;
}

// How many of the items at the head of the queue folder takes, beside the checksum file and the
// index, once freed bytes of an earlier set are gone; never more than a medium's share where a
// lost medium must heal.
int Cut::fitting(const QString &folder, qint64 freed, const QList<int> &queue) const
{
    int most = int(queue.size());
    if (m_protect && m_volumeCount)
        most = std::min(most, m_volumeCount);
    const auto fits = [&](int count) {
        QList<qint64> lengths{m_checksums.size(), m_index.size()};
        for (int i = 0; i < count; ++i)
            lengths.append(itemLength(queue[i]));
        return !Destination::refusal(folder, lengths, freed);
    };
    int low = 0; // fits
    while (low < most) {
        const int middle = (low + most + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            most = middle - 1;
    }
    return low;
}

// Where no one can be asked for more media, the media given must take the whole set: judged
// before the first byte.
bool Cut::refuseWhatMediaCannotTake()
{
    if (m_window.asksForMedia())
        return true;
    QList<int> queue = m_queue;
    const int volumeCount = m_volumeCount;
    qint64 free = 0;
    const QStringList folders = QStringList{m_folder} + m_mediaGiven;
    for (const QString &given : folders) {
        const QString folder = AddBackslash(given);
        const qint64 freed = freedBy(folder);
        const int taken = fitting(folder, freed, queue);
        // A piece bigger than a medium goes on none.
        if (taken == 0 && !queue.isEmpty()) {
            m_volumeCount = volumeCount;
            return refuse(EngineTexts::withCause(EngineTexts::cutError,
                                                 cannotTake(folder, freed, queue.first())));
        }
        if (m_protect && !m_volumeCount) {
            m_volumeCount = std::max(1, std::min(taken, m_pieceCount));
            for (int e = 0; e < m_volumeCount; ++e)
                queue.append(m_pieceCount + 1 + e);
        }
        const std::optional<Destination::Refusal> all =
            Destination::refusal(folder, {std::numeric_limits<qint64>::max() / 2}, freed);
        free += all ? all->free : 0;
        queue.remove(0, taken);
    }
    qint64 needed = folders.size() * (m_checksums.size() + m_index.size());
    for (int item = 1; item <= m_pieceCount + m_volumeCount; ++item)
        needed += itemLength(item);
    m_volumeCount = volumeCount;
    return queue.isEmpty()
           || refuse(EngineTexts::withCause(EngineTexts::cutError,
                                            EngineTexts::mediaTooSmall(needed, free)));
}

qint64 Cut::freedBy(const QString &folder)
{
    qint64 freed = 0;
    for (const QString &path : earlierSet(folder, m_name.baseName)) {
        const std::optional<struct stat> entry = FileEntry::status(path, false);
        freed += entry && S_ISREG(entry->st_mode) ? qint64(entry->st_size) : 0;
    }
    return freed;
}

// The folders given first, then what the window answers; none when the user cancels.
std::optional<QString> Cut::nextMediumFolder()
{
    if (!m_mediaGiven.isEmpty())
        return AddBackslash(m_mediaGiven.takeFirst());
    if (!m_window.asksForMedia())
        return std::nullopt;
    MediumRequest request;
    request.kind = MediumRequest::Kind::Cut;
    request.lastFolder = m_media.isEmpty() ? m_folder : m_media.last().folder;
    int pieces = 0;
    for (const int item : std::as_const(m_queue)) {
        pieces += isVolume(item) ? 0 : 1;
        request.remainingBytes += itemLength(item);
    }
    request.remaining = int(m_queue.size());
    QList<int> written;
    for (const Medium &medium : std::as_const(m_media))
        written += medium.items;
    request.text =
        written.isEmpty()
            ? EngineTexts::firstMedium(pieces, request.remainingBytes)
            : EngineTexts::mediumFull(describe(written), written.size() > 1, pieces,
                                      int(m_queue.size()) - pieces, request.remainingBytes);
    const MediumAnswer answer = m_window.nextMedium(request);
    if (answer.kind != MediumAnswer::Kind::Folder || answer.folder.isEmpty())
        return std::nullopt;
    return AddBackslash(answer.folder);
}

// The whole cut, medium after medium.
bool Cut::cutAcrossMedia()
{
    if (!m_block)
        return fail({}, EngineTexts::badSize);
    if (!checkNames() || !planRecovery())
        return false;
    m_volumeCount = m_protect ? 0 : *m_recoverySlices;
    for (int item = 1; item <= m_pieceCount + m_volumeCount; ++item)
        m_queue.append(item);
    // Hashed, then written and read back, and the volumes summed once more from the source.
    m_progress.total = m_length + workOf(m_queue);
    if (!hashSource() || !refuseWhatMediaCannotTake())
        return false;
    std::optional<QString> folder = m_folder;
    while (!m_queue.isEmpty()) {
        if (!folder)
            return stopAcrossMedia(false);
        switch (fillMedium(*folder)) {
        case Filled::Ended:
            return false;
        case Filled::Skipped:
            if (!m_window.asksForMedia() && m_mediaGiven.isEmpty())
                return stopAcrossMedia(true);
            break;
        case Filled::Done:
            break;
        }
        if (!m_queue.isEmpty())
            folder = nextMediumFolder();
    }
    m_source.close();
    QStringList media;
    for (qsizetype i = 0; i < m_media.size(); ++i)
        media.append(
            EngineTexts::mediumHolds(int(i) + 1, m_media[i].folder, describe(m_media[i].items)));
    m_window.showMessage(
        EngineTexts::cutDoneAcrossMedia(QString::fromLatin1(m_header.right(3)), media),
        EngineTexts::informationTitle, MessageIcon::Information, MessageButtons::Ok);
    m_window.refreshFileList();
    return true;
}

// What the media hold so far, and what is not written.
QString Cut::mediaReport() const
{
    QStringList lines;
    for (qsizetype i = 0; i < m_media.size(); ++i)
        lines.append(
            EngineTexts::mediumHolds(int(i) + 1, m_media[i].folder, describe(m_media[i].items)));
    if (!m_queue.isEmpty())
        lines.append(EngineTexts::notWritten(describe(m_queue)));
    return lines.join(EngineTexts::lineBreak);
}

// The user cancelled, or the media given are used up: what the media hold stays there, and is
// said; nothing written yet means the cut was refused.
bool Cut::stopAcrossMedia(bool failed, const QString &why)
{
    m_source.close();
    if (m_media.isEmpty() && !failed) {
        m_outcome = Outcome::Stopped;
        return false;
    }
    m_outcome = failed ? Outcome::Failed : Outcome::Stopped;
    m_window.showMessage(
        EngineTexts::withCause(failed ? EngineTexts::cutError : EngineTexts::cutInterrupted,
                               EngineTexts::withCause(why, mediaReport())),
        failed ? EngineTexts::errorTitle : EngineTexts::warningTitle, MessageIcon::Exclamation,
        MessageButtons::Ok);
    m_window.refreshFileList();
    return false;
}

// Why folder cannot take item beside the proofs, once freed bytes are gone.
QString Cut::cannotTake(const QString &folder, qint64 freed, int item) const
{
    const std::optional<Destination::Refusal> refused =
        Destination::refusal(folder, {m_checksums.size(), m_index.size(), itemLength(item)}, freed);
    if (refused && refused->error)
        return EngineTexts::cause(refused->error, folder);
    if (refused && refused->tooLong)
        return EngineTexts::tooLargeForFat(folder, refused->tooLong);
    return EngineTexts::mediumTooSmall(folder, itemName(item), refused ? refused->needed : 0,
                                       refused ? refused->free : 0);
}

// Whether the medium in folder may take part of the set: another than the last, its names held,
// room for a file at least (count: how many). Skipped when it may not (said).
Cut::Filled Cut::admitMedium(const QString &folder, const QByteArray &identity, SetLock &lock,
                             int &count)
{
    const auto skip = [&](const QString &text, const QString &title) {
        m_window.showMessage(text, title, MessageIcon::Exclamation, MessageButtons::Ok);
        return Filled::Skipped;
    };
    if (!m_media.isEmpty() && m_media.last().folder == folder
        && m_media.last().identity == identity)
        return skip(EngineTexts::mediumUnchanged(folder), EngineTexts::warningTitle);
    switch (lock.take(folder, m_name.baseName, SetLock::Names::Set, SetLock::Mode::Write)) {
    case SetLock::State::Held:
        break;
    case SetLock::State::Busy:
        return skip(EngineTexts::withCause(EngineTexts::cutError,
                                           EngineTexts::namesBusy(m_name.baseName, folder)),
                    EngineTexts::errorTitle);
    default:
        return skip(
            EngineTexts::withCause(EngineTexts::cutError, EngineTexts::cause(errno, folder)),
            EngineTexts::errorTitle);
    }
    count = fitting(folder, freedBy(folder), m_queue);
    if (count == 0)
        return skip(EngineTexts::withCause(EngineTexts::cutError,
                                           cannotTake(folder, freedBy(folder), m_queue.first())),
                    EngineTexts::errorTitle);
    return Filled::Done;
}

// One medium: as many items as it takes, with the proofs, each under its own name once all are on
// it, then read back. Skipped: it took nothing (said); the next medium is asked for.
Cut::Filled Cut::fillMedium(const QString &folder)
{
    const QByteArray identity = identityOf(folder);
    SetLock lock;
    int count = 0;
    if (const Filled admitted = admitMedium(folder, identity, lock, count);
        admitted != Filled::Done)
        return admitted;
    if (const QStringList earlier = earlierSet(folder, m_name.baseName); !earlier.isEmpty()) {
        if (m_window.showMessage(EngineTexts::earlierSetQuestion,
                                 EngineTexts::earlierSetTitle(m_name.baseName),
                                 MessageIcon::Question, MessageButtons::OkCancel)
            != MessageAnswer::Ok) {
            stopAcrossMedia(false);
            return Filled::Ended;
        }
        if (const QString why = removeAll(earlier, m_sourcePath); !why.isEmpty())
            return stopAcrossMedia(true, why), Filled::Ended;
        m_window.refreshFileList();
    }
    // Where a lost medium must heal, each medium holds no more files than there are recovery
    // volumes: as many as the first medium takes.
    if (m_protect && !m_volumeCount) {
        m_volumeCount = std::max(1, std::min(count, m_pieceCount));
        for (int e = 0; e < m_volumeCount; ++e)
            m_queue.append(m_pieceCount + 1 + e);
    }
    const QList<int> items = m_queue.first(count);
    // Known once the medium's share is: what is left is reckoned as if on one more medium.
    m_progress.total = m_progress.moved + workOf(items) + workOf(m_queue.mid(count));
    UnfinishedOutput created;
    QList<std::pair<QString, QString>> names;
    if (!writeItems(items, folder, lock, created, names))
        return Filled::Ended;
    m_queue.remove(0, count);
    bool proofsKept = true;
    const QList<int> lost = readBack(items, folder, names, proofsKept);
    if (m_window.stopRequested())
        return stopAcrossMedia(false), Filled::Ended;
    QList<int> kept;
    for (const int item : items) {
        if (!lost.contains(item))
            kept.append(item);
    }
    if (!lost.isEmpty()) {
        m_window.showMessage(EngineTexts::mediumDidNotKeep(folder, describe(lost)),
                             EngineTexts::warningTitle, MessageIcon::Exclamation,
                             MessageButtons::Ok);
        for (const int item : lost)
            FileEntry::remove(folder + itemName(item));
        m_queue = lost + m_queue;
    }
    if (proofsKept && !kept.isEmpty())
        m_media.append({folder, identity, kept});
    return Filled::Done;
}

bool Cut::writeProofs(bool withChecksums, const QString &folder, SetLock &lock,
                      UnfinishedOutput &created, QList<std::pair<QString, QString>> &names)
{
    const QString checksumName = m_name.baseName + QLatin1String(ChecksumFile::suffix);
    const QString indexName = m_name.baseName + QLatin1String(Par2::indexSuffix);
    for (const auto &[name, bytes] :
         {std::pair(checksumName, &m_checksums), std::pair(indexName, &m_index)}) {
        if (!withChecksums && bytes == &m_checksums)
            continue;
        QFile file;
        const QString temporary = lock.temporaryPath(folder + name);
        if (!FileIo::createNew(file, temporary, m_mode))
            return stopAcrossMedia(true, EngineTexts::cause(errno, folder + name));
        created.add(temporary);
        names.append({temporary, folder + name});
        if (file.write(*bytes) != bytes->size())
            return stopAcrossMedia(true, EngineTexts::cause(errno, folder + name));
    }
    return true;
}

// The medium's share, each file under its hidden name, then all of them under their own: piece 1,
// where it is there, last. Written from the source, and held to the proofs hashed before.
bool Cut::writeItems(const QList<int> &items, const QString &folder, SetLock &lock,
                     UnfinishedOutput &created, QList<std::pair<QString, QString>> &names)
{
    // A medium of volumes alone has no piece for a checksum file to prove.
    const bool pieces =
        std::any_of(items.cbegin(), items.cend(), [&](int i) { return !isVolume(i); });
    if (!writeProofs(pieces, folder, lock, created, names))
        return false;
    BlockCopier copier(m_window, m_progress);
    Sha256 sha256;
    HashThread hash(sha256);
    QList<int> exponents;
    for (const int item : items) {
        if (isVolume(item)) {
            exponents.append(item - m_pieceCount - 1);
            continue;
        }
        const QString path = folder + itemName(item);
        const QString temporary = lock.temporaryPath(path);
        QFile piece;
        if (!FileIo::createNew(piece, temporary, m_mode))
            return stopAcrossMedia(true, EngineTexts::cause(errno, path));
        created.add(temporary);
        names.append({temporary, path});
        m_progress.piece = item;
        if (item == 1) {
            if (piece.write(m_header) != m_header.size())
                return stopAcrossMedia(true, EngineTexts::cause(errno, path));
            hash.add(m_header.constData(), m_header.size());
        }
        const qint64 offset = (item - 1) * *m_block;
        const FileIo::Result copied = copier.append(
            m_source, offset, std::min(*m_block, m_length - offset), piece, {{&hash}, true});
        if (copied == FileIo::Result::Stopped)
            return stopAcrossMedia(false);
        hash.endDigest();
        const QList<QByteArray> digest = hash.takeDigests(true);
        if (!sourceUnchanged()
            || (copied == FileIo::Result::Done && digest.value(0) != m_digests[item - 1]))
            return stopAcrossMedia(true, changed());
        if (copied != FileIo::Result::Done) {
            const FileIo::Cause cause = copier.cause(path, m_sourcePath);
            return stopAcrossMedia(true, EngineTexts::cause(cause.error, cause.path));
        }
    }
    if (!exponents.isEmpty() && !writeVolumes(exponents, folder, lock, created, names))
        return false;
    for (const QString &path : created.paths()) {
        if (!FileIo::flush(path))
            return stopAcrossMedia(true, EngineTexts::cause(errno, folder));
    }
    std::stable_sort(names.begin(), names.end(), [&](const auto &a, const auto &b) {
        return a.second != folder + itemName(1) && b.second == folder + itemName(1);
    });
    for (const auto &[temporary, final] : std::as_const(names)) {
        if (FileIo::publish(temporary, final) != FileIo::Result::Done)
            return stopAcrossMedia(true, EngineTexts::cause(errno, final));
        created.add(final);
    }
    created.keep();
    return true;
}

// The volumes of these exponents, summed from the source: every piece's bytes for the first
// window, as the proofs were, then once more for each further one.
bool Cut::writeVolumes(const QList<int> &exponents, const QString &folder, SetLock &lock,
                       UnfinishedOutput &created, QList<std::pair<QString, QString>> &names)
{
    RecoveryWriter writer(m_recoveryPieces, exponents, m_volumeCount, recoveryMemory, creator);
    if (!writer.valid())
        return stopAcrossMedia(true, EngineTexts::cause(ENOMEM, m_sourcePath));
    const auto fed = [&](FileIo::Result result) {
        const int error = errno;
        if (result == FileIo::Result::Stopped)
            return stopAcrossMedia(false);
        if (!sourceUnchanged())
            return stopAcrossMedia(true, changed());
        return result == FileIo::Result::Done
               || stopAcrossMedia(true, EngineTexts::cause(error, m_sourcePath));
    };
    QList<QByteArray> crcs;
    {
        HashThread checksums(writer.checksums());
        HashThread crc(writer.crcs());
        HashThread sums0(writer.sums(0));
        HashThread sums1(writer.sums(1));
        const FileIo::Result result =
            feedSource({&checksums, &crc, &sums0, &sums1}, nullptr, 0, pieceLength(1));
        checksums.takeDigests(true);
        crcs = crc.takeDigests(true);
        sums0.takeDigests(true);
        sums1.takeDigests(true);
        if (!fed(result))
            return false;
    }
    if (!writer.create(crcs, folder, m_name.baseName, m_mode, lock, created)
        || !writer.writeWindow(0))
        return stopAcrossMedia(true, EngineTexts::cause(errno, folder));
    for (int window = 1; window < writer.windowCount(); ++window) {
        writer.startWindow(window);
        m_progress.total += fedBytes(writer.windowStart(window), writer.windowEnd(window));
        HashThread sums0(writer.sums(0));
        HashThread sums1(writer.sums(1));
        const FileIo::Result result = feedSource(
            {&sums0, &sums1}, nullptr, writer.windowStart(window), writer.windowEnd(window));
        sums0.takeDigests(true);
        sums1.takeDigests(true);
        if (!fed(result))
            return false;
        if (!writer.writeWindow(window))
            return stopAcrossMedia(true, EngineTexts::cause(errno, folder));
    }
    if (!writer.finish())
        return stopAcrossMedia(true, EngineTexts::cause(errno, folder));
    names += writer.names();
    return true;
}

// Each file of the medium read past the system's cache and held to what it must be: the items
// that the medium did not keep. When it did not keep its checksum file or index, it proves
// nothing: all of its share is written again elsewhere.
QList<int> Cut::readBack(const QList<int> &items, const QString &folder,
                         const QList<std::pair<QString, QString>> &names, bool &proofsKept)
{
    QList<int> lost;
    std::map<QString, QByteArray> expected{
        {folder + m_name.baseName + QLatin1String(ChecksumFile::suffix),
         QCryptographicHash::hash(m_checksums, QCryptographicHash::Sha256)},
        {folder + m_name.baseName + QLatin1String(Par2::indexSuffix),
         QCryptographicHash::hash(m_index, QCryptographicHash::Sha256)}};
    for (const int item : items) {
        // A volume is held to what the system's cache holds of it, as written.
        expected[folder + itemName(item)] =
            isVolume(item) ? ChecksumFile::digestOf(folder + itemName(item)) : m_digests[item - 1];
    }
    proofsKept = true;
    for (const auto &name : names) {
        const QString &path = name.second;
        const QByteArray digest = digestOnMedium(path, m_progress, m_window);
        if (!digest.isEmpty() && digest == expected[path])
            continue;
        const auto item = std::find_if(items.cbegin(), items.cend(),
                                       [&](int i) { return folder + itemName(i) == path; });
        if (item == items.cend())
            proofsKept = false;
        else
            lost.append(*item);
    }
    if (proofsKept)
        return lost;
    for (const auto &name : names)
        FileEntry::remove(name.second);
    return items;
}

} // namespace Cutting
