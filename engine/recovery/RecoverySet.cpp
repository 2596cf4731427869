// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "RecoverySet.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "FileIo.h"
#include "OpenSslDigest.h"
#include "Par2.h"

#include <QFile>
#include <QtEndian>

namespace {

using Par2::Type;

constexpr qint64 md5Length = 16;
constexpr qint64 checksumLength = 20; // of a slice: its MD5 and CRC-32
// The format's limits, and what a reader keeps of the packets it meets: anything may lie under a
// recovery file's name, and nothing that a packet claims is believed before it is held to them.
constexpr qint64 maxSlices = 32768;
constexpr quint32 maxExponent = 65534;
constexpr qint64 largestSlice = qint64(1) << 40;
constexpr qint64 largestName = 4096;
// Of the descriptions of every set together, each counted with what keeping it costs besides.
constexpr qint64 keptBytes = 16 << 20;
constexpr qint64 keptOverhead = 512;
constexpr std::size_t maxSets = 16;
constexpr qsizetype copiesKept = 4; // of each recovery slice

struct Found
{
    QByteArray main; // body
    std::map<QByteArray, RecoverySet::File> files;
    std::map<QByteArray, QByteArray> checksums;
    std::map<quint32, QList<RecoverySet::Slice>> recovery;
};

// What the files read so far hold: their packets by set ID, and what may be believed of them.
struct Scan
{
    std::map<QByteArray, Found> sets;
    qint64 budget = keptBytes;
    qint64 largestFile = 0; // no slice can be longer than the file that would hold it
};

// The longest body that a packet of that type may have (none: a packet that is not read).
qint64 largestBody(Type type)
{
    switch (type) {
    case Type::Main:
        return 12 + 2 * maxSlices * md5Length;
    case Type::FileDescription:
        return 56 + largestName;
    case Type::SliceChecksums:
        return md5Length + maxSlices * checksumLength;
    default:
        return 0;
    }
}

// Keeps the sound packet of that set, unless a copy of it is kept already: whether it did.
bool keep(Found &found, Type type, const QByteArray &setId, const QByteArray &body)
{
    const QByteArray id = body.first(std::min<qsizetype>(md5Length, body.size()));
    if (type == Type::Main && body.size() >= 12 && found.main.isEmpty() && Md5::of(body) == setId)
        found.main = body;
    else if (type == Type::FileDescription && body.size() >= 56 && !found.files.count(id))
        found.files[id] = {id,
                           body.sliced(16, md5Length),
                           body.sliced(32, md5Length),
                           qint64(qFromLittleEndian<quint64>(body.constData() + 48)),
                           body.sliced(56).split('\0').value(0),
                           {}};
    else if (type == Type::SliceChecksums && body.size() >= md5Length && !found.checksums.count(id))
        found.checksums[id] = body.sliced(md5Length);
    else
        return false;
    return true;
}

// A file's bytes through a buffer: a recovery file holds thousands of small packets, which would
// otherwise cost two reads each.
class PacketReader
{
public:
    explicit PacketReader(QFile &file) : m_file(file) {}

    // The length bytes at offset at; none when the file ends first or cannot be read. Valid until
    // the next call.
    const char *read(qint64 at, qint64 length)
    {
        if (at < m_start || at + length > m_start + m_buffer.size()) {
            m_buffer.resize(std::max(length, bufferLength));
            const qint64 got =
                FileIo::readFully(m_file.handle(), m_buffer.data(), m_buffer.size(), at);
            m_start = at;
            m_buffer.resize(std::max<qint64>(got, 0));
            if (got < length)
                return nullptr;
        }
        return m_buffer.constData() + (at - m_start);
    }

private:
    static constexpr qint64 bufferLength = 256 << 10;
    QFile &m_file;
    QByteArray m_buffer;
    qint64 m_start = 0;
};

// Whether found holds that packet already: every recovery file repeats the set's description.
bool kept(const Found &found, Type type, const char *body)
{
    const QByteArray id = QByteArray::fromRawData(body, md5Length);
    return (type == Type::Main && !found.main.isEmpty())
           || (type == Type::FileDescription && found.files.count(id))
           || (type == Type::SliceChecksums && found.checksums.count(id));
}

// The packets of one file, of at most maxSets set IDs, by set ID.
void scan(const QString &path, Scan &scan)
{
    QFile file;
    if (!FileIo::openRegular(file, path))
        return;
    const qint64 size = file.size();
    scan.largestFile = std::max(scan.largestFile, size);
    PacketReader reader(file);
    // The header, and the body's first bytes: a recovery slice's exponent, a file's ID.
    constexpr qint64 headLength = Par2::headerLength + md5Length;
    for (qint64 at = 0; at + Par2::headerLength <= size;) {
        const char *head = reader.read(at, std::min(headLength, size - at));
        const std::optional<Par2::Header> header = head ? Par2::parseHeader(head) : std::nullopt;
        if (!header || header->length > size - at)
            return;
        const qint64 packetAt = std::exchange(at, at + header->length);
        const QByteArray setId(head + Par2::hashedOffset, md5Length);
        if (!header->type || (!scan.sets.count(setId) && scan.sets.size() >= maxSets))
            continue;
        const qint64 bodyLength = header->length - Par2::headerLength;
        if (header->type == Type::RecoverySlice) {
            Found &found = scan.sets[setId];
            // Its exponent is read now, its data when a repair needs it.
            if (bodyLength < 4)
                continue;
            const quint32 exponent = qFromLittleEndian<quint32>(head + Par2::headerLength);
            QList<RecoverySet::Slice> &copies = found.recovery[exponent];
            if (exponent <= maxExponent && copies.size() < copiesKept)
                copies.append({path, packetAt});
            else if (copies.isEmpty())
                found.recovery.erase(exponent);
            continue;
        }
        if (bodyLength > largestBody(*header->type) || header->length + keptOverhead > scan.budget)
            continue;
        // A copy of what is kept is not read again: it would not be kept.
        const auto known = scan.sets.find(setId);
        if (bodyLength >= md5Length && known != scan.sets.end()
            && kept(known->second, *header->type, head + Par2::headerLength))
            continue;
        const char *data = reader.read(packetAt, header->length);
        if (!data)
            return;
        const QByteArray packet = QByteArray::fromRawData(data, header->length);
        if (Md5::of(packet.sliced(Par2::hashedOffset)) != packet.sliced(16, md5Length))
            continue;
        // What is kept is copied out of the reader's buffer.
        const QByteArray body(data + Par2::headerLength, bodyLength);
        if (keep(scan.sets[setId], *header->type, setId, body))
            scan.budget -= header->length + keptOverhead;
    }
}

// The set of those packets that the Main packet describes, each of its files with its
// checksums, held to the format's limits; none when something is missing or past them.
std::optional<RecoverySet> described(const QByteArray &setId, Found &found, qint64 largestFile)
{
    const QByteArray &main = found.main;
    if (main.isEmpty())
        return std::nullopt;
    RecoverySet set;
    set.setId = setId;
    const quint64 sliceSize = qFromLittleEndian<quint64>(main.constData());
    const quint32 count = qFromLittleEndian<quint32>(main.constData() + 8);
    set.sliceSize = qint64(std::min(sliceSize, quint64(largestSlice)));
    if (sliceSize < 4 || sliceSize % 4 || sliceSize > quint64(std::min(largestSlice, largestFile))
        || count > maxSlices || main.size() < 12 + qsizetype(count) * md5Length)
        return std::nullopt;
    qint64 slices = 0;
    for (quint32 i = 0; i < count; ++i) {
        const QByteArray id = main.sliced(12 + i * md5Length, md5Length);
        const auto file = found.files.find(id);
        const auto checksums = found.checksums.find(id);
        if (file == found.files.end() || checksums == found.checksums.end()
            || file->second.length < 0 || file->second.length > largestSlice * maxSlices)
            return std::nullopt;
        const qint64 fileSlices = set.slicesOf(file->second);
        if (fileSlices > maxSlices - slices
            || checksums->second.size() != fileSlices * checksumLength)
            return std::nullopt;
        slices += fileSlices;
        set.files.append(file->second);
        set.files.last().checksums = checksums->second;
    }
    set.recovery = std::move(found.recovery);
    return set;
}

} // namespace

QStringList RecoverySet::fileNames(const SetFolders &folders, const QString &baseName)
{
    QStringList paths;
    for (const QString &folder : folders.folders()) {
        QStringList names = FileEntry::namesIn(
            folder, [&](const QString &name) { return Par2::isSetFileName(baseName, name); });
        names.sort();
        for (const QString &name : std::as_const(names))
            paths.append(folder + name);
    }
    return paths;
}

std::optional<RecoverySet> RecoverySet::load(const SetFolders &folders, const QString &baseName)
{
    const QStringList paths = fileNames(folders, baseName);
    Scan found;
    for (const QString &path : paths)
        scan(path, found);
    std::vector<RecoverySet> sets;
    for (auto &[setId, packets] : found.sets) {
        if (std::optional<RecoverySet> set = described(setId, packets, found.largestFile))
            sets.push_back(std::move(*set));
    }
    // One set describes the files, whatever is left of them; of several, the one that the files
    // there match, which are read for it only then.
    std::optional<RecoverySet> chosen;
    int best = 0;
    for (RecoverySet &set : sets) {
        if (const int matching = sets.size() == 1 ? 1 : set.filesThere(folders); matching > best) {
            best = matching;
            chosen = std::move(set);
        }
    }
    if (chosen)
        chosen->paths = paths;
    return chosen;
}

int RecoverySet::filesThere(const SetFolders &folders) const
{
    int there = 0;
    for (const File &file : files) {
        const QString name = FctDecoup::PathFromNative(file.name);
        QFile read;
        if (name.isEmpty() || name.contains(QLatin1Char('/'))
            || !FileIo::openRegular(read, folders.path(name)) || read.size() != file.length)
            continue;
        QByteArray head(std::min(file.length, Par2::headLength), Qt::Uninitialized);
        if (FileIo::readFully(read.handle(), head.data(), head.size(), 0) == head.size()
            && Md5::of(head) == file.headMd5)
            ++there;
    }
    return there;
}

bool RecoverySet::mapPieces(const QString &baseName, std::vector<int> &pieceOf,
                            std::vector<int> &fileOf) const
{
    pieceOf.clear();
    fileOf.assign(1, -1);
    for (int f = 0; f < files.size(); ++f) {
        // Base name, a point and three digits that PieceSuffix writes (".001" ... ".999").
        const QString name = FctDecoup::PathFromNative(files[f].name);
        const QString suffix = name.sliced(std::min(name.size(), baseName.size()));
        bool number = false;
        int n =
            name.startsWith(baseName) && suffix.size() == 4 ? suffix.sliced(1).toInt(&number) : 0;
        n = number && n >= 1 && n <= FctDecoup::maxPieceCount && suffix == FctDecoup::PieceSuffix(n)
                ? n
                : 0;
        pieceOf.push_back(n);
        if (n >= int(fileOf.size()))
            fileOf.resize(size_t(n + 1), -1);
        if (n)
            fileOf[size_t(n)] = f;
    }
    return fileOf.size() > 1 && std::count(fileOf.begin() + 1, fileOf.end(), -1) == 0;
}

std::optional<RecoverySet::Slice> RecoverySet::provenSlice(quint32 exponent) const
{
    const auto copies = recovery.find(exponent);
    if (copies == recovery.end())
        return std::nullopt;
    const qint64 packetLength = dataOffset + sliceSize;
    constexpr qint64 blockSize = 1 << 20;
    QByteArray block(blockSize, Qt::Uninitialized);
    for (const Slice &slice : copies->second) {
        QFile file;
        if (!FileIo::openRegular(file, slice.path)
            || FileIo::readFully(file.handle(), block.data(), Par2::headerLength, slice.offset)
                   != Par2::headerLength)
            continue;
        const std::optional<Par2::Header> header = Par2::parseHeader(block.constData());
        const QByteArray md5 = block.sliced(16, md5Length);
        if (!header || header->length != packetLength)
            continue;
        Md5 hash;
        qint64 at = Par2::hashedOffset;
        for (qint64 length; at < packetLength; at += length) {
            length = std::min(blockSize, packetLength - at);
            if (FileIo::readFully(file.handle(), block.data(), length, slice.offset + at) != length)
                break;
            hash.add(block.constData(), length);
        }
        if (at == packetLength && hash.finish() == md5)
            return slice;
    }
    return std::nullopt;
}
