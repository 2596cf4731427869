// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The PAR2 reader and the mend, as a restore meets them: the input's first byte says whether the
// set's checksum file is there (bit 0), whether piece 1 is lost rather than piece 3 (bit 1),
// whether the restore starts from the index (bit 2), whether each packet's set ID and MD5 are
// made right before the files are laid, so that what the packets claim is what is tried (bit 3),
// and whether a FIFO and a link to /dev/zero lie under recovery files' names (bit 4). The rest
// is up to four recovery files, one after another, separated by the line below.
#include "FuzzSet.h"

#include <QtEndian>

namespace {

FuzzSet *set = nullptr;
const QByteArray separator = "\n--next-file--\n";
const char *const names[] = {"rapport.par2", "rapport.vol0+1.par2", "rapport.vol1+1.par2",
                             "rapport.vol2+3.par2"};

QByteArray md5(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
}

// Each packet of the file gets the set ID of its Main packet and its own MD5, as a writer's would.
QByteArray madeRight(QByteArray file)
{
    QList<std::pair<qsizetype, qsizetype>> packets;
    for (qsizetype at = file.indexOf(QByteArray("PAR2\0PKT", 8)); at >= 0 && at + 64 <= file.size();) {
        const quint64 length = qFromLittleEndian<quint64>(file.constData() + at + 8);
        if (length < 64 || length > quint64(file.size() - at))
            break;
        packets.append({at, qsizetype(length)});
        at = file.indexOf(QByteArray("PAR2\0PKT", 8), at + qsizetype(length));
    }
    QByteArray setId;
    for (const auto &[at, length] : packets) {
        if (file.mid(at + 48, 16) == QByteArray("PAR 2.0\0Main\0\0\0\0", 16))
            setId = md5(file.mid(at + 64, length - 64));
    }
    for (const auto &[at, length] : packets) {
        if (!setId.isEmpty())
            file.replace(at + 32, 16, setId);
        file.replace(at + 16, 16, md5(file.mid(at + 32, length - 32)));
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    set = new FuzzSet;
    QByteArray own;
    for (int i = 0; i < 3; ++i)
        own += (i ? separator : QByteArray()) + set->files()[QLatin1String(names[i])];
    for (const char flags : {'\0', '\1', '\2', '\3', '\4', '\x0b', '\x11'})
        FuzzSet::seed(QByteArray("own-").append(char('a' + flags)).constData(), flags + own);
    if (!std::getenv("FENDRAX_FUZZ_SEEDS"))
        return 0;
    // par2cmdline's sets of the same pieces, with other slice sizes.
    for (const char *options : {"-s1032 -c2", "-s512 -c4", "-s256 -c9"}) {
        const QString folder = set->folder();
        const QString command = QStringLiteral("cd '%1' && rm -f *.par2 && par2 create -q -q %2 "
                                               "rapport.par2 rapport.00? >/dev/null")
                                    .arg(folder, QLatin1String(options));
        if (std::system(QFile::encodeName(command).constData()) != 0)
            std::abort();
        QByteArray theirs;
        for (const QString &name : QDir(folder).entryList({QStringLiteral("*.par2")}, QDir::Files).mid(0, 4)) {
            QFile file(folder + name);
            theirs += (theirs.isEmpty() ? QByteArray() : separator)
                      + (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        }
        FuzzSet::seed(QByteArray("par2cmdline").append(options).replace(' ', '_').constData(), '\1' + theirs);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The input is not copied: a flood of packets is as long as the memory bound allows.
    const QByteArrayView input(data, qsizetype(size));
    FuzzSet::Files files;
    for (const char *name : {"rapport.001", "rapport.002", "rapport.003"})
        files[QLatin1String(name)] = set->files()[QLatin1String(name)];
    files.remove(QLatin1String(data[0] & 2 ? "rapport.001" : "rapport.003"));
    if (data[0] & 1)
        files[QStringLiteral("rapport.sha256")] = set->files()[QStringLiteral("rapport.sha256")];
    QByteArrayView rest = input.sliced(1);
    for (int i = 0; i < 4 && !rest.isNull(); ++i) {
        const qsizetype end = rest.indexOf(separator);
        const QByteArrayView part = end < 0 ? rest : rest.first(end);
        const QByteArray file = QByteArray::fromRawData(part.data(), part.size());
        files[QLatin1String(names[i])] = data[0] & 8 ? madeRight(file) : file;
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + separator.size());
    }
    set->restore(files, data[0] & 4 ? QStringLiteral("rapport.par2") : QStringLiteral("rapport.001"),
                 data[0] & 16);
    return 0;
}
