// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The piece-set engine, with the test as its window: pieces compared with the format byte for
// byte, sets written by hand, the user's files kept safe, failures and interruptions.
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "TestFiles.h"

using namespace TestFiles;

namespace {

// Each message box shows in the events as "title|first line of its text".
const QString cutError = "Erreur|Erreur lors du découpage du fichier !";
const QString tooMany = "Erreur|Ce découpage demanderait plus de 999 morceaux, le maximum.";
const QString cut = "Information|Découpage du fichier terminé.";
const QString restored = "Information|Restitution des fichiers terminée.";
const QString restoreError = "Erreur|Erreur lors de la restitution du fichier !";
const QString badHeader = "Erreur|Ce fichier n'est pas le premier morceau d'un fichier découpé :";
const QString exists = "Avertissement|Le fichier destination existe dans le répertoire !";
const QString wrongFile = "Erreur : Mauvais fichier ... | veuillez selectionner un fichier dont "
                          "l'extention se termine par 001 !";
const QString missing = "Erreur|Le morceau rapport.003 est manquant.";
const QString damaged = "Erreur|Le morceau rapport.00%1 est endommagé : sa taille ne correspond "
                        "pas à celle des autres morceaux.";
const QString corrupt = "Erreur|Le morceau rapport.00%1 est endommagé : son contenu ne correspond "
                        "pas à rapport.sha256.";
const QString notTheSet = "Erreur|Le fichier rapport.sha256 ne correspond pas à ces morceaux.";
const QString ask = "Fichier rapport.0XX existant|Supprimer les fichiers déjà découpés ?";
const QString doc = "rapport.doc";
const QString first = "rapport.001";
const QByteArray set4 = "txt  004aaaa|bbbb|cccc|dddd";

// Piece n of the set whose first piece is named firstPiece.
QString piece(const QString &firstPiece, int n)
{
    return firstPiece.chopped(3) + QString::asprintf("%03d", n);
}

// The checksum file of the set of pieces 1, 2, ... (separated by '|') whose first is named
// firstPiece, as GNU sha256sum writes it, by Qt's own SHA-256.
QByteArray checksumsOf(const QByteArray &pieces, const QString &firstPiece)
{
    const auto line = [](const QByteArray &data, const QString &name) {
        return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex() + "  "
               + name.toUtf8() + '\n';
    };
    QByteArray sums, data;
    const QList<QByteArray> parts = pieces.split('|');
    for (int n = 1; n <= parts.size(); ++n) {
        sums += line(parts[n - 1], piece(firstPiece, n));
        data += n == 1 ? parts[0].mid(8) : parts[n - 1];
    }
    return sums + line(data, firstPiece.chopped(3) + parts[0].left(4).trimmed());
}

// What the command prints, run in folder; its exit code in status.
QByteArray run(const QString &folder, const QStringList &command, int *status = nullptr)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(command[0], command.mid(1));
    process.waitForFinished();
    if (status)
        *status = process.exitCode();
    return process.readAllStandardOutput();
}

// The packets of the PAR2 files in folder, but their Creator: what two writers must agree on.
QSet<QByteArray> par2Packets(const QString &folder)
{
    QSet<QByteArray> packets;
    for (const QString &name : QDir(folder).entryList({"*.par2"}, QDir::Files | QDir::Hidden)) {
        const QByteArray file = read(folder + '/' + name);
        for (qsizetype at = 0, length = 0; at + 64 <= file.size(); at += length) {
            length = qsizetype(qFromLittleEndian<quint64>(file.constData() + at + 8));
            if (length < 64)
                break;
            if (file.mid(at + 56, 8) != QByteArray("Creator\0", 8))
                packets.insert(file.mid(at, length));
        }
    }
    return packets;
}

// What par2cmdline makes of a set's pieces, a slice each, with that many recovery slices, a
// volume each: the names of its files, and its packets (none when it cannot make them).
struct Par2Set
{
    QStringList names;
    QSet<QByteArray> packets;
};
Par2Set par2Reference(const QString &folder, const QStringList &pieces, int slices)
{
    QTemporaryDir reference;
    for (const QString &name : pieces)
        QFile::copy(folder + '/' + name, reference.filePath(name));
    const qint64 slice = (QFileInfo(folder + '/' + pieces[0]).size() + 3) / 4 * 4;
    const QString count = QString::number(slices);
    run(reference.path(),
        QStringList{"par2", "create", "-q", "-q", "-s" + QString::number(slice), "-c" + count, "-u",
                    "-n" + count, pieces[0].chopped(4) + ".par2"}
            + pieces);
    return {QDir(reference.path()).entryList({"*.par2"}, QDir::Files | QDir::Hidden),
            par2Packets(reference.path())};
}

// At the first report of a piece (0: a later one, between two blocks or at the end), the engine
// is asked to stop, a file gets another length, turns into a folder or is replaced by another
// file of that length, or the process is killed: the operation then runs again, and name is not
// there in between. Or files cannot grow past a length (ulimit -f). Or the question is answered
// Cancel. Or a link to "mine" takes the name. Or, meanwhile, the file name is cut (Cut) or the set
// restored (Restore) into the same folder, as a second window or a script would.
enum Act {
    None,
    Stop,
    Resize,
    Overwrite,
    Folder,
    Link,
    Replace,
    Kill,
    DiskFull,
    Cancel,
    Cut,
    Restore
};
struct Disturbance
{
    Act act = None;
    int piece = 0;
    QString name = {};
    qint64 length = 0;
};

// A file cut into pieces named from first on, and restored under its own name again.
struct RoundTrip
{
    QString name;
    qint64 length;
    double sizeKb;
    QString first;
    QByteArray header;
};

// What a cut or a restore shows, and what the folder holds after it, told as changes to what it
// held before: "+name=bytes" added or replaced (any bytes without "="), "-name" removed; nothing
// else changed.
struct Outcome
{
    QStringList events = {};
    QStringList changes = {};
    QString why = {}; // the second line of a message, '@' for the folder
};

// A cut of file (length bytes of "source" then zeros, -1: no file) in pieces of sizeKb, in a
// folder that holds entries (as populate() reads them).
struct CutCase
{
    QString file = doc;
    qint64 length = 3000;
    double sizeKb = 1;
    QStringList entries = {};
    Outcome outcome = {};
    Disturbance disturbance = {};
};

// A restore from the set whose pieces 1, 2, ... are separated by '|', with the checksum file of
// the set checksums when there is one, in a folder that holds entries.
struct RestoreCase
{
    QByteArray pieces;
    QByteArray checksums = {};
    QStringList entries = {};
    Outcome outcome = {};
    Disturbance disturbance = {};
    QString firstPiece = first;
};

} // namespace

// A cut of random data into pieces pieces of sizeKb, with its recovery slices (by the rule when
// not given), damaged then repaired by par2cmdline: "-n" piece n deleted, "~n" a byte of it
// flipped. The last piece is short by shortBy bytes.
struct Repair
{
    int pieces;
    double sizeKb;
    int slices;
    bool given;
    QStringList damage;
    qint64 shortBy = 100;
};

// A restore of 10 pieces of random data, cut with slices recovery slices (or, with par2, their
// recovery files made again by par2cmdline with those options and files, while the damage forged
// lies on the pieces), after the damage (see damageFiles) and started from the file start; it
// shows the second line rebuilt, or refuses with the message refused (then its second line).
// As an ordinary user, its messages are not seen: the file it restores is.
struct Rebuilt
{
    int slices;
    QStringList damage;
    QString rebuilt = {};
    QString refused = {};
    QString start = "rapport.001";
    QStringList par2 = {};
    QStringList forged = {};
    bool ordinaryUser = false;
    double sizeKb = 100;
    qint64 length = 1024'000 - 100;
    QString mount = {}; // the set and the restored file on a file system of their own: ext4, tmpfs
};

Q_DECLARE_METATYPE(Repair)
Q_DECLARE_METATYPE(FctDecoup::Outcome)
Q_DECLARE_METATYPE(Rebuilt)
Q_DECLARE_METATYPE(RoundTrip)
Q_DECLARE_METATYPE(CutCase)
Q_DECLARE_METATYPE(RestoreCase)

class TestEngine : public QObject, public EngineWindow
{
    Q_OBJECT

public:
    // The engine's window records each message box and refresh in one list, and each report of
    // progress; it answers OK, and runs the test's own code at each report.
    MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon,
                              MessageButtons) override
    {
        m_events << title + '|' + text.section('\r', 0, 0);
        m_lastText = text;
        m_causes << text.section('\r', 1);
        return m_cancel ? MessageAnswer::Cancel : MessageAnswer::Ok;
    }
    void refreshFileList() override { m_events << "refresh"; }
    void reportProgress(const Progress &p) override
    {
        m_progress
            << QString("%1/%2 %3/%4").arg(p.piece).arg(p.pieceCount).arg(p.moved).arg(p.total);
        m_onReport(p.piece != std::exchange(m_piece, p.piece) ? p.piece : 0);
    }
    bool stopRequested() const override { return m_stop; }
    std::optional<QString> chooseFolder(Output) override
    {
        m_events << "choose";
        return m_chosen;
    }
    // The media, as a user puts them in: the next folder of the list for each request (an empty
    // one: Cancel, "lost": the medium is lost).
    bool asksForMedia() const override { return m_media.has_value(); }
    MediumAnswer nextMedium(const MediumRequest &request) override
    {
        m_events << "medium|" + request.text;
        const QString next = m_media && !m_media->isEmpty() ? m_media->takeFirst() : QString();
        return next == "lost"   ? MediumAnswer{MediumAnswer::Kind::Lost, {}}
               : next.isEmpty() ? MediumAnswer{}
                                : MediumAnswer{MediumAnswer::Kind::Folder, next};
    }
    std::optional<AcrossMedia> offerMedia(const QString &) override
    {
        if (!m_media)
            return std::nullopt;
        m_events << "offer";
        return AcrossMedia{m_protect};
    }

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // count media of 1 MiB (tmpfs), mounted on medium0, medium1, ...; their folders, none when
    // they cannot be mounted.
    QStringList mountMedia(int count, std::vector<std::unique_ptr<Mount>> &media) const
    {
        QStringList folders;
        for (int m = 0; m < count; ++m) {
            folders << path(QString("medium%1").arg(m));
            media.push_back(std::make_unique<Mount>(folders.last(), "tmpfs", 1 << 20));
            if (!media.back()->mounted)
                return {};
        }
        return folders;
    }
    void disturb(const Disturbance &d, const std::function<void()> &operation, const Outcome &o);
    // Damages files of a set: "-" removes one, "~" flips its middle byte, "^" its first, "<" takes
    // its last one away, "#" flips a byte of the length in each File description packet and one
    // of the checksums in each slice checksums packet; "|" puts a FIFO in its place, "/" a
    // folder, "@" a link to /dev/zero; "+" makes it, in a folder of its own. A number names a
    // piece of rapport.001's set.
    [[nodiscard]] bool damageFiles(const QStringList &damage)
    {
        for (const QString &d : damage) {
            bool isPiece = false;
            const int n = d.mid(1).toInt(&isPiece);
            const QString name = path(isPiece ? piece(first, n) : d.mid(1));
            const QByteArray encoded = QFile::encodeName(name);
            if (d[0] == '|' || d[0] == '/' || d[0] == '@' || d[0] == '+') {
                if (!(d[0] == '|'   ? mkfifo(encoded, 0644) == 0
                      : d[0] == '/' ? QDir().mkdir(name)
                      : d[0] == '@'
                          ? QFile::link("/dev/zero", name)
                          : QDir().mkpath(QFileInfo(name).path()) && write(name, "outside")))
                    return false;
                continue;
            }
            QByteArray bytes = read(name);
            if (bytes.isEmpty())
                return false;
            const qsizetype at = d[0] == '^' ? 0 : bytes.size() / 2;
            for (qsizetype p = 0, length; d[0] == '#' && p + 64 <= bytes.size(); p += length) {
                length = qsizetype(qFromLittleEndian<quint64>(bytes.constData() + p + 8));
                if (bytes.mid(p + 48, 16) == QByteArray("PAR 2.0\0FileDesc", 16))
                    bytes[p + 64 + 48] = char(~bytes[p + 64 + 48]);
                if (bytes.mid(p + 48, 16) == QByteArray("PAR 2.0\0IFSC\0\0\0\0", 16))
                    bytes[p + 64 + 16] = char(~bytes[p + 64 + 16]);
            }
            if (d[0] == '#')
                ;
            else if (d[0] == '<')
                bytes.chop(1);
            else
                bytes[at] = char(~bytes[at]);
            if (!(d[0] == '-' ? QFile::remove(name) : write(name, bytes)))
                return false;
        }
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    qsizetype m_descriptors = 0;
    QStringList m_events;
    QString m_lastText;     // of the last message box
    QStringList m_causes;   // the second line of each message box
    QStringList m_progress; // each report
    int m_piece = 0;        // of the last report
    std::function<void(int piece)> m_onReport;
    bool m_stop = false;
    bool m_cancel = false;
    std::optional<QString> m_chosen;    // the folder chosen when the engine asks for one
    std::optional<QStringList> m_media; // the media put in, when asked; none: no one to ask
    bool m_protect = false;             // the user asks for a set that survives a lost medium

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_descriptors = openDescriptors();
        m_events.clear();
        m_causes.clear();
        m_progress.clear();
        m_piece = 0;
        m_onReport = [](int) {};
        m_stop = false;
        m_cancel = false;
        m_chosen.reset();
        m_media.reset();
        m_protect = false;
    }

    // No file stays open after an operation, whatever its end.
    void cleanup() { QCOMPARE(openDescriptors(), m_descriptors); }

    void roundTrip_data()
    {
        QTest::addColumn<RoundTrip>("t");
        // clang-format off
        QTest::newRow("exact multiple") << RoundTrip{doc, 2048, 1, first, "doc  002"};
        QTest::newRow("999 pieces") << RoundTrip{"r.doc", 999, 1.0 / 1024, "r.001", "doc  999"};
        QTest::newRow("5 MiB pieces") << RoundTrip{"v.iso", 9 << 20, 5 << 10, "v.001", "iso  002"};
        // Written past the cache on ext4 in stages of 4 MiB, the last of which ends the file.
        QTest::newRow("8 MiB in pieces of 3 MiB") << RoundTrip{"w.iso", 8 << 20, 3 << 10, "w.001", "iso  003"};
        QTest::newRow("two letters") << RoundTrip{"notes.md", 100, 1, "notes.001", "md   001"};
        QTest::newRow("four letters") << RoundTrip{"Rapport Final.DOCX", 100, 1, "Rapport Final.001", "DOCX 001"};
        QTest::newRow("two points") << RoundTrip{"archive.tar.gz", 100, 1, "archive.tar.001", "gz   001"};
        QTest::newRow("one letter") << RoundTrip{"a.b", 100, 1, "a.001", "b    001"};
        QTest::newRow("Windows-1252") << RoundTrip{"p.a€œ", 100, 1, "p.001", "a\x80\x9C  001"};
        QTest::newRow("no point") << RoundTrip{"Makefile", 100, 1, "Makefile.001", "     001"};
        QTest::newRow("point first") << RoundTrip{".env", 100, 1, ".env.001", "     001"};
        QTest::newRow("five letters") << RoundTrip{"film.webm2", 100, 1, "film.webm2.001", "     001"};
        QTest::newRow("Cyrillic") << RoundTrip{"файл.док", 100, 1, "файл.док.001", "     001"};
        QTest::newRow("backslash") << RoundTrip{"a\\b.txt", 5000, 1, "a\\b.001", "txt  005"};
        QTest::newRow("combining accent") << RoundTrip{"n.ce\u0301", 100, 1, "n.ce\u0301.001", "     001"};
        QTest::newRow("trailing blank") << RoundTrip{"a.b ", 100, 1, "a.b .001", "     001"};
        // clang-format on
    }

    // The pieces hold what the format says, as private as the source, and restore to it; the
    // checksum file is what sha256sum writes, and checks the restored file too.
    void roundTrip()
    {
        QFETCH(RoundTrip, t);
        QByteArray data(t.length, Qt::Uninitialized);
        for (qint64 i = 0; i < t.length; ++i)
            data[i] = char(i % 251); // a prime: a shifted or lost byte shows
        QVERIFY(write(path(t.name), data));
        // The source is its owner's alone: so are its pieces and the restored file.
        const auto own = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QVERIFY(QFile::setPermissions(path(t.name), own));
        FctDecoup::CutFile(*this, path(t.name), t.sizeKb);
        const int count = t.header.right(3).toInt();
        const qint64 block = qRound64(t.sizeKb * 1024);
        QStringList names{t.name};
        QStringList progress;
        for (int n = 1; n <= count; ++n) {
            names << piece(t.first, n);
            for (qint64 at = (n - 1) * block; at < std::min(n * block, t.length); at += 1 << 20)
                progress << QString("%1/%2 %3/%4").arg(n).arg(count).arg(at).arg(t.length);
            QCOMPARE(QFile::permissions(path(names.last())), own);
            QCOMPARE(read(path(names.last())),
                     (n == 1 ? t.header : "") + data.mid((n - 1) * block, block));
        }
        progress << QString("%1/%1 %2/%2").arg(count).arg(t.length);
        const QString sums = t.first.chopped(4) + ".sha256";
        QCOMPARE(read(path(sums)),
                 run(m_dir->path(), QStringList{"sha256sum"} + names.mid(1) << t.name));
        // The recovery files are par2cmdline's, Creator aside, and as private as the pieces.
        // par2cmdline takes a backslash for a folder's separator: it makes no set of such names.
        const QStringList recovery =
            QDir(m_dir->path()).entryList({"*.par2"}, QDir::Files | QDir::Hidden);
        const Par2Set reference = par2Reference(m_dir->path(), names.mid(1), (count + 19) / 20);
        if (!t.name.contains('\\')) {
            QCOMPARE(recovery, reference.names);
            QCOMPARE(par2Packets(m_dir->path()), reference.packets);
        }
        for (const QString &name : recovery + QStringList{sums})
            QCOMPARE(QFile::permissions(path(name)), own);
        names << sums << recovery;
        names.sort();
        QCOMPARE(snapshot(m_dir->path()).keys(), names);

        QVERIFY(QFile::rename(path(t.name), path("source")));
        // Out of the system's cache, the pieces are read past it where the file is written so.
        QVERIFY(evict(m_dir->path()));
        FctDecoup::RestoreFile(*this, path(t.first));
        QVERIFY2(m_events == QStringList({cut, "refresh", restored, "refresh"}),
                 qPrintable(m_events.join("\n")));
        QCOMPARE(m_progress, progress + progress);
        QCOMPARE(read(path(t.name)), data);
        QCOMPARE(QFile::permissions(path(t.name)), own);
        int status = -1;
        run(m_dir->path(), {"sha256sum", "--quiet", "-c", sums}, &status);
        QCOMPARE(status, 0);
    }

    void cuts_data()
    {
        QTest::addColumn<CutCase>("c");
        const QStringList earlier{"rapport.001", "rapport.002"};
        const QStringList done{cut, "refresh"};
        const QStringList asked{ask, "refresh", cut, "refresh"};
        const QStringList set2{"+rapport.001", "+rapport.002", "+rapport.sha256", "+rapport.par2",
                               "+rapport.vol0+1.par2"};
        const QString askHidden = "Fichier .x.0XX existant" + ask.mid(ask.indexOf('|'));
        const QString askStar = "Fichier r*.0XX existant" + ask.mid(ask.indexOf('|'));
        // clang-format off
        QTest::newRow("empty source") << CutCase{.length = 0, .entries = earlier};
        QTest::newRow("vanished source") << CutCase{.length = -1, .entries = earlier};
        const QString smallest = "Veuillez choisir une taille de partition plus grande.\rChoisissez au moins %1 Ko.";
        QTest::newRow("1000 pieces, before the question") << CutCase{.length = 1000, .sizeKb = 1.0 / 1024, .entries = earlier,
            .outcome = {{tooMany}, {}, smallest.arg(1)}};
        // 4 GiB + 1000 bytes: 999 pieces of 4,198 KB hold 4,294,453,248 bytes, short of it.
        QTest::newRow("sparse source past 4 GiB") << CutCase{.length = (4LL << 30) + 1000, .outcome = {{tooMany}, {},
            smallest.arg(QLocale(QLocale::French).toString(4199))}};
        QTest::newRow("source is its last piece") << CutCase{.file = "rapport.003", .outcome = {{cutError}, {},
            "Le fichier à découper porte le nom d'un fichier du découpage : @rapport.003."}};
        QTest::newRow("source in the earlier set") << CutCase{.file = "rapport.005", .entries = earlier, .outcome = {{ask, cutError}, {},
            "Le fichier à découper porte le nom d'un fichier du découpage : @rapport.005."}};
        QTest::newRow("read-only file in the earlier set") << CutCase{.entries = {first, "rapport.002!"}, .outcome = {{ask, cutError}, {},
            "Le fichier @rapport.002 est en lecture seule."}};
        QTest::newRow("folder under a piece name") << CutCase{.entries = {first, "rapport.002/"}, .outcome = {{ask, cutError}, {},
            "Un dossier porte le nom du fichier @rapport.002."}};
        QTest::newRow("earlier set: its pieces only") << CutCase{.length = 1500, .entries = {first, "rapport.0x", "rapport.05.txt",
            "rapport.0-final.pdf", "rapport.0001", "rapport.000", "rapport.0d/", "rapport.150", "rapport.999"},
            .outcome = {asked, set2 + QStringList{"-rapport.150", "-rapport.999"}}};
        QTest::newRow("hidden earlier pieces") << CutCase{.file = ".x.bc", .length = 100, .entries = {".x.001", ".x.002"},
            .outcome = {{askHidden, "refresh", cut, "refresh"}, {"+.x.001", "-.x.002", "+.x.sha256", "+.x.par2", "+.x.vol0+1.par2"}}};
        QTest::newRow("earlier recovery files, and names that are not") << CutCase{.length = 1500, .entries = {"rapport.par2",
            "rapport.vol00+19.par2", "rapport.vol3-7.par2", "rapport.vol0007+0012.par2", "rapport.par2.bak", "rapport-notes.par2",
            "rapport.volume.txt", "rapport.vol1+x.par2", "rapport.vol+1.par2", "rapport.vol1+.par2", "rapport.vol1.par2"},
            .outcome = {asked, set2 + QStringList{"-rapport.vol00+19.par2", "-rapport.vol3-7.par2", "-rapport.vol0007+0012.par2"}}};
        QTest::newRow("read-only volume of the earlier set") << CutCase{.entries = {first, "rapport.vol1+1.par2!"}, .outcome = {{ask, cutError}}};
        QTest::newRow("source named as the index") << CutCase{.file = "rapport.par2", .outcome = {{cutError}}};
        QTest::newRow("taken piece name, Cancel") << CutCase{.entries = {"rapport.005"}, .outcome = {{ask, "refresh"}}, .disturbance = {Cancel}};
        QTest::newRow("lone checksum file") << CutCase{.length = 1500, .entries = {"rapport.sha256"}, .outcome = {asked, set2}};
        QTest::newRow("lone checksum file, Cancel") << CutCase{.entries = {"rapport.sha256"}, .outcome = {{ask, "refresh"}}, .disturbance = {Cancel}};
        QTest::newRow("wildcards are literal") << CutCase{.file = "r*.doc", .length = 100, .entries = {"r*.001", "rx.001"},
            .outcome = {{askStar, "refresh", cut, "refresh"}, {"+r*.001", "+r*.sha256", "+r*.par2", "+r*.vol0+1.par2"}}};
        QTest::newRow("dangling link under a piece name") << CutCase{.length = 1500, .entries = {"rapport.002@mine"}, .outcome = {asked, set2}};
        QTest::newRow("link to a folder under a piece name") << CutCase{.length = 1500, .entries = {first, "sub/", "rapport.002@sub"},
            .outcome = {asked, set2}};
        QTest::newRow("link under a piece name, meanwhile") << CutCase{.entries = {"mine"}, .outcome = {{cutError},
            {"+rapport.003=<link>mine"}, "Le fichier @rapport.003 existe déjà."}, .disturbance = {Link, 2, "rapport.003"}};
        QTest::newRow("link under the hidden name") << CutCase{.length = 1500, .entries = {"mine", ".rapport.fendrax@mine"},
            .outcome = {done, set2 + QStringList{"-.rapport.fendrax"}}};
        QTest::newRow("size of no byte, after the question") << CutCase{.sizeKb = 0.0001, .entries = {"rapport.sha256"},
            .outcome = {{ask, "refresh", cutError}, {"-rapport.sha256"}}};
        QTest::newRow("folder under a piece name, meanwhile") << CutCase{.outcome = {{cutError}, {"+rapport.003=<dir>"}}, .disturbance = {Folder, 2, "rapport.003"}};
        QTest::newRow("cut stopped") << CutCase{.disturbance = {Stop, 3}};
        QTest::newRow("cut stopped within a piece") << CutCase{.length = 5 << 20, .sizeKb = 8 << 10, .disturbance = {Stop, 0}};
        const QString changed = "Le fichier @rapport.doc a été modifié pendant le découpage.";
        QTest::newRow("source shrinks") << CutCase{.length = 5000, .outcome = {{cutError}, {"+rapport.doc"}, changed}, .disturbance = {Resize, 3, doc, 2500}};
        QTest::newRow("source grows") << CutCase{.length = 5000, .outcome = {{cutError}, {"+rapport.doc"}, changed}, .disturbance = {Resize, 5, doc, 6000}};
        QTest::newRow("source written in place") << CutCase{.length = 5000, .outcome = {{cutError}, {"+rapport.doc"}, changed}, .disturbance = {Overwrite, 3, doc}};
        QTest::newRow("source replaced") << CutCase{.length = 5000, .outcome = {{cutError}, {"+rapport.doc"}, changed}, .disturbance = {Replace, 3, doc, 5000}};
        const QString busy = "Un autre découpage ou une autre restitution de rapport est en cours dans le dossier @.";
        QTest::newRow("another cut of the name, meanwhile") << CutCase{.length = 2500, .entries = {"rapport.pdf"},
            .outcome = {{cutError, cut, "refresh"}, set2 + QStringList{"+rapport.003"}, busy}, .disturbance = {Cut, 2, "rapport.pdf"}};
        QTest::newRow("a restore of the set, meanwhile") << CutCase{.length = 2500,
            .outcome = {{restoreError, cut, "refresh"}, set2 + QStringList{"+rapport.003"}, busy}, .disturbance = {Restore, 2, first}};
        QTest::newRow("cut, file-size limit") << CutCase{.length = 5000, .outcome = {{cutError}, {},
            "Fichier trop grand pour le système de fichiers : @rapport.001."}, .disturbance = {DiskFull, 0, {}, 1000}};
        QTest::newRow("cut killed, then again") << CutCase{.length = 2500, .outcome = {asked, set2 + QStringList{"+rapport.003"}},
            .disturbance = {Kill, 3, first}};
        // clang-format on
    }

    void cuts()
    {
        QFETCH(CutCase, c);
        if (c.length >= 0)
            QVERIFY(write(path(c.file), "source", c.length));
        QVERIFY(populate(m_dir->path(), c.entries));
        disturb(
            c.disturbance, [&] { FctDecoup::CutFile(*this, path(c.file), c.sizeKb); }, c.outcome);
    }

    void repairs_data()
    {
        QTest::addColumn<Repair>("r");
        QTest::newRow("20 pieces: one slice, a piece lost") << Repair{20, 1, 1, false, {"-7"}};
        QTest::newRow("21 pieces: two, piece 1 lost, a byte flipped")
            << Repair{21, 1, 2, false, {"-1", "~21"}};
        QTest::newRow("odd length, 10 slices of 12 pieces")
            << Repair{12, 2.999, 10, true, {"~1", "-3", "~12"}};
        // The pieces' products are added to the sums by batches of 8.
        QTest::newRow("9 pieces: a batch and one more") << Repair{9, 1, 1, false, {"-9"}};
        QTest::newRow("8 pieces, the last short: one batch")
            << Repair{8, 1, 2, true, {"~1", "-8"}, 1000};
        // 660 slices of 100 KB take more memory than the cut may (64 MiB shared by the sums and two
        // batches of 8 pieces): they are summed in windows of 32 KiB, the pieces read back for each
        // but the first.
        QTest::newRow("in windows") << Repair{10, 100, 660, true, {"-2", "~6", "-10"}};
        QTest::newRow("in windows, the last piece short of the last")
            << Repair{10, 100, 660, true, {"-9", "-10"}, 5000};
    }

    // The recovery files of a cut are those par2cmdline makes, and it repairs the set with them.
    void repairs()
    {
        QFETCH(Repair, r);
        QByteArray data(qint64(r.pieces * r.sizeKb * 1024) - r.shortBy, Qt::Uninitialized);
        QRandomGenerator(r.pieces).fillRange(reinterpret_cast<quint32 *>(data.data()),
                                             data.size() / 4);
        QVERIFY(write(path(doc), data));
        FctDecoup::CutFile(*this, path(doc), r.sizeKb,
                           r.given ? std::optional(r.slices) : std::nullopt);
        QStringList pieces;
        for (int n = 1; n <= r.pieces; ++n)
            pieces << piece(first, n);
        const Par2Set reference = par2Reference(m_dir->path(), pieces, r.slices);
        QCOMPARE(QDir(m_dir->path()).entryList({"*.par2"}), reference.names);
        QCOMPARE(par2Packets(m_dir->path()), reference.packets);
        int status = -1;
        run(m_dir->path(), {"par2", "verify", "-q", "rapport.par2"}, &status);
        QCOMPARE(status, 0);

        QVERIFY(damageFiles(r.damage));
        run(m_dir->path(), {"par2", "repair", "-q", "rapport.par2"}, &status);
        QCOMPARE(status, 0);
        QVERIFY(QFile::rename(path(doc), path("source")));
        FctDecoup::RestoreFile(*this, path(first));
        QCOMPARE(m_events, QStringList({cut, "refresh", restored, "refresh"}));
        QCOMPARE(read(path(doc)), data);
    }

    void rebuilds_data()
    {
        QTest::addColumn<Rebuilt>("r");
        const QString one =
            "Morceau reconstitué à partir des fichiers de réparation : rapport.%1 (%2).";
        // clang-format off
        QTest::newRow("a lost piece") << Rebuilt{1, {"-3"}, one.arg("003", "manquant")};
        // Pieces missing and nothing else: the set is read once, each piece proven by its line as
        // it is copied; on tmpfs the copy is the kernel's, and read back to be hashed.
        QTest::newRow("two lost") << Rebuilt{2, {"-4", "-8"}, "Morceaux reconstitués à partir des fichiers de réparation : "
            "rapport.004 (manquant), rapport.008 (manquant)."};
        QTest::newRow("tmpfs, a lost piece") << Rebuilt{.slices = 1, .damage = {"-3"}, .rebuilt = one.arg("003", "manquant"), .mount = "tmpfs"};
        QTest::newRow("a flipped byte") << Rebuilt{1, {"~7"}, one.arg("007", "endommagé")};
        QTest::newRow("a piece cut short") << Rebuilt{1, {"<10"}, one.arg("010", "endommagé")};
        QTest::newRow("piece 1's header") << Rebuilt{1, {"^1"}, one.arg("001", "endommagé")};
        QTest::newRow("piece 1 lost, from the index") << Rebuilt{2, {"-1", "~2"}, "Morceaux reconstitués à partir des "
            "fichiers de réparation : rapport.001 (manquant), rapport.002 (endommagé).", {}, "rapport.par2"};
        QTest::newRow("no checksum file") << Rebuilt{1, {"-rapport.sha256", "~4"}, one.arg("004", "endommagé")};
        QTest::newRow("index lost, a damaged volume left aside") << Rebuilt{2, {"-rapport.par2", "~rapport.vol0+1.par2", "-5"},
            one.arg("005", "manquant"), {}, "rapport.vol1+1.par2"};
        QTest::newRow("par2cmdline's slices of 64 KiB") << Rebuilt{1, {"~2", "~9"}, "Morceaux reconstitués à partir des "
            "fichiers de réparation : rapport.002 (endommagé), rapport.009 (endommagé).", {}, first, {"-s65536", "-r20"}};
        const QString notEnough = "Les fichiers de réparation ne suffisent pas à reconstituer tous les morceaux manquants ou endommagés.";
        QTest::newRow("more damage than slices") << Rebuilt{1, {"-2", "~6"}, notEnough, "Erreur|Le morceau rapport.002 est manquant."};
        // The packets of one file that fail their MD5 are left aside for the sound copies in the others,
        // read after them.
        QTest::newRow("descriptions damaged in the index") << Rebuilt{2, {"#rapport.par2", "-5"}, one.arg("005", "manquant")};
        // Nothing that is not a regular file is read, and nothing outside the set's folder.
        QTest::newRow("a FIFO, a folder, /dev/zero") << Rebuilt{1, {"-3", "|3", "|rapport.vol5+1.par2", "/rapport.vol6+1.par2",
            "@rapport.vol7+1.par2", "-rapport.par2", "@rapport.par2"}, one.arg("003", "manquant")};
        QTest::newRow("checksum file a FIFO") << Rebuilt{1, {"-rapport.sha256", "|rapport.sha256", "~4"}, one.arg("004", "endommagé")};
        QTest::newRow("checksum file /dev/zero") << Rebuilt{1, {"-rapport.sha256", "@rapport.sha256", "-4"}, one.arg("004", "manquant")};
        QTest::newRow("a protected file outside the folder") << Rebuilt{.slices = 1, .damage = {"-3"}, .rebuilt = notEnough,
            .refused = "Erreur|Le morceau rapport.003 est manquant.", .par2 = {"-s102408", "-c1", "sub/x"}, .forged = {"+sub/x"}};
        // Recovery files of another version of piece 3, sound by their own checksums: the checksum file says no.
        QTest::newRow("recovery files of another piece 3") << Rebuilt{.slices = 1, .damage = {"-3"}, .refused = "Erreur|Le morceau "
            "rapport.003 reconstitué à partir des fichiers de réparation ne correspond pas à rapport.sha256.", .par2 = {"-s102408", "-c1"},
            .forged = {"~3"}};
        QTest::newRow("another piece 2 beside its recovery files") << Rebuilt{.slices = 1, .damage = {"~2", "-3"},
            .refused = corrupt.arg(2), .par2 = {"-s102408", "-c2"}, .forged = {"~2"}};
        // The restored file is as private as the pieces there, for a user whom permissions stop.
        QTest::newRow("piece 1 lost, as an ordinary user") << Rebuilt{.slices = 1, .damage = {"-1"}, .ordinaryUser = true};
        // On ext4 the restored file is written past the system's cache, in whole blocks of the disk
        // from buffers of 4 MiB: pieces of 1501 KB put the runs between rebuilt slices astride them.
        // The set is out of the cache, so that the pieces are read past it too, piece 1's data
        // from its ninth byte, the ends of the others astride blocks of the disk.
        // A lost piece alone is rebuilt from the sums gathered as the others are copied, a block
        // of 1 MiB at a time; a flipped byte besides sends the mend back to judge the set first.
        QTest::newRow("ext4, pieces of 1501 KB, one lost") << Rebuilt{.slices = 2, .damage = {"-3"},
            .rebuilt = one.arg("003", "manquant"), .sizeKb = 1501, .length = 9'500'000, .mount = "ext4"};
        QTest::newRow("ext4, pieces of 1501 KB, one lost, one damaged") << Rebuilt{.slices = 2, .damage = {"-3", "~6"},
            .rebuilt = "Morceaux reconstitués à partir des fichiers de réparation : rapport.003 (manquant), rapport.006 "
            "(endommagé).", .sizeKb = 1501, .length = 9'500'000, .mount = "ext4"};
        // clang-format on
    }

    // The restore mends what its recovery files can, and never writes to the set.
    void rebuilds()
    {
        QFETCH(Rebuilt, r);
        const std::unique_ptr<Mount> disk(
            r.mount.isEmpty() ? nullptr : new Mount(m_dir->path(), r.mount, 64 << 20));
        if (disk && !disk->mounted)
            QSKIP("mounting needs root, and mkfs.ext4 for ext4");
        QByteArray data(r.length, Qt::Uninitialized);
        QRandomGenerator(r.slices).fillRange(reinterpret_cast<quint32 *>(data.data()),
                                             data.size() / 4);
        QVERIFY(write(path(doc), data));
        FctDecoup::CutFile(*this, path(doc), r.sizeKb, r.slices);
        QVERIFY(QFile::rename(path(doc), path("source")));
        if (!r.par2.isEmpty()) {
            for (const QString &name : QDir(m_dir->path()).entryList({"*.par2"}))
                QVERIFY(QFile::remove(path(name)));
            QStringList pieces;
            for (int n = 1; n <= 10; ++n)
                pieces << piece(first, n);
            QStringList files = r.par2;
            files.removeIf([](const QString &a) { return a.startsWith('-'); });
            QVERIFY(damageFiles(r.forged));
            int status = -1;
            run(m_dir->path(),
                QStringList{"par2", "create", "-q", "-q"} + r.par2.filter(QRegularExpression("^-"))
                    + QStringList{"rapport.par2"} + pieces + files,
                &status);
            QCOMPARE(status, 0);
            QVERIFY(damageFiles(r.forged.filter(QRegularExpression("^~"))));
        }
        QVERIFY(damageFiles(r.damage));
        QVERIFY(r.mount != "ext4" || evict(m_dir->path()));
        const Snapshot set = snapshot(m_dir->path());
        m_events.clear();
        if (r.ordinaryUser) {
#ifdef __SANITIZE_THREAD__
            QSKIP("ThreadSanitizer cannot follow a child of a program with threads");
#endif
            QVERIFY(QFile::setPermissions(m_dir->path(), QFileDevice::Permissions(0x7777)));
            QVERIFY(inChild(0, [&] {
                return setgid(65534) == 0 && setuid(65534) == 0
                       && (FctDecoup::RestoreFile(*this, path(r.start)), true);
            }));
            QCOMPARE(QFile::permissions(path(doc)), QFile::permissions(path(piece(first, 2))));
        } else {
            m_progress.clear();
            FctDecoup::RestoreFile(*this, path(r.start));
            QCOMPARE(m_events, QStringList({r.refused.isEmpty() ? restored : r.refused, "refresh"})
                                   .mid(0, r.refused.isEmpty() ? 2 : 1));
            QCOMPARE(m_lastText.section('\r', 1), r.rebuilt);
            // The progress is true: at the end every byte it announced is counted, none twice.
            const QStringList moved =
                m_progress.value(m_progress.size() - 1).section(' ', 1).split('/');
            QVERIFY2(!r.refused.isEmpty() || (moved.size() == 2 && moved[0] == moved[1]),
                     qPrintable(m_progress.join(' ')));
        }
        Snapshot after = snapshot(m_dir->path());
        if (r.refused.isEmpty()) {
            QCOMPARE(read(path(doc)), data);
            after.remove(doc);
        }
        QCOMPARE(after, set);
    }

    // Input slices 1 and 129 lost, with the recovery slices of exponents 0 and 255 (and 256) left:
    // 0 and 255 give a system without a solution, and another slice is taken in their place.
    void destinations_data()
    {
        QTest::addColumn<bool>("restore");
        QTest::addColumn<QString>("input"); // the folder of the source or the set: "in", mounted as
        QTest::addColumn<QString>("destination"); // given: "" (none), or a folder mounted as
        QTest::addColumn<QString>("chosen");      // what the window answers if asked ("": Cancel)
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("why"); // the second line, as a pattern
        const QStringList cutDone{cut, "refresh"}, restoreDone{restored, "refresh"};
        const QString room =
            "Pas assez de place dans %1/ : il faut \\d+,\\d Mo, \\d+,\\d Mo sont libres\\.";
        // clang-format off
        QTest::newRow("cut into another folder") << false << "" << "out" << "" << cutDone << "";
        QTest::newRow("restore into another folder") << true << "" << "out" << "" << restoreDone << "";
        QTest::newRow("cut from a read-only folder, another chosen") << false << "ro" << "" << "out" << QStringList{"choose"} + cutDone << "";
        QTest::newRow("restore from a read-only folder, another chosen") << true << "ro" << "" << "out" << QStringList{"choose"} + restoreDone << "";
        QTest::newRow("restore from a read-only folder, Cancel") << true << "ro" << "" << "" << QStringList{"choose"} << "";
        QTest::newRow("cut into a read-only folder") << false << "" << "ro" << "" << QStringList{cutError} << "Le support de %1/ est en lecture seule\\.";
        QTest::newRow("cut into too little room") << false << "" << "tmpfs" << "" << QStringList{cutError} << room;
        QTest::newRow("restore into too little room") << true << "" << "tmpfs" << "" << QStringList{restoreError} << room;
        QTest::newRow("restore of 6 GB onto FAT") << true << "" << "vfat" << "" << QStringList{restoreError}
            << "Un fichier de 5722,0 Mo est trop grand pour le système de fichiers FAT de %1/ : 4 Go au plus par fichier\\.";
        // clang-format on
    }

    // The output goes where it is told, or where the window chooses when the input's folder
    // cannot take it; a folder that cannot is known before anything is written, and said why.
    void destinations()
    {
        QFETCH(bool, restore);
        QFETCH(QString, input);
        QFETCH(QString, destination);
        QFETCH(QString, chosen);
        QVERIFY(QDir().mkpath(path("in")) && QDir().mkpath(path("out")));
        const bool large = destination == "vfat";
        QByteArray data(large ? 0 : 200 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        // Sparse pieces of 6 GB for FAT: the restore refuses before it reads them.
        QVERIFY(!large
                || (write(path("in/rapport.001"), "doc  003", 2'000'000'008)
                    && write(path("in/rapport.002"), "", 2'000'000'000)
                    && write(path("in/rapport.003"), "", 2'000'000'000)));
        QVERIFY(write(path("in/rapport.doc"), data));
        if (restore && !large) {
            FctDecoup::CutFile(*this, path("in/rapport.doc"), 100);
            QVERIFY(QFile::remove(path("in/rapport.doc")));
        }
        // An earlier set beside the source is not the destination's: no question about it.
        QVERIFY(restore || write(path("in/rapport.003"), "old"));
        const std::unique_ptr<Mount> in(input.isEmpty() ? nullptr : new Mount(path("in"), input));
        const QString target =
            destination.isEmpty() || destination == "out" ? path("out") : path(destination);
        const std::unique_ptr<Mount> out(
            destination.isEmpty() || destination == "out"
                ? nullptr
                : new Mount(target, destination, destination == "tmpfs" ? 100 * 1024 : 64 << 20));
        if ((in && !in->mounted) || (out && !out->mounted))
            QSKIP("mounting needs root, and the kernel's file system (vfat is missing in some "
                  "sandboxes)");
        const Snapshot before = snapshot(path("in"));
        m_chosen = chosen.isEmpty() ? std::nullopt : std::optional(path(chosen));
        m_events.clear();
        const QString given = destination.isEmpty() ? QString() : target;
        if (restore)
            FctDecoup::RestoreFile(*this, path("in/rapport.001"), given);
        else
            FctDecoup::CutFile(*this, path("in/rapport.doc"), 100, std::nullopt, given);
        QFETCH(QStringList, events);
        QCOMPARE(m_events, events);
        QFETCH(QString, why);
        if (!why.isEmpty())
            QVERIFY2(QRegularExpression('^' + why.arg(target) + '$')
                         .match(m_lastText.section('\r', 1))
                         .hasMatch(),
                     qPrintable(m_lastText));
        QCOMPARE(snapshot(path("in")), before);
        const QStringList written = QDir(target).entryList(QDir::Files | QDir::Hidden);
        if (events.last() == "refresh" && restore)
            QCOMPARE(read(target + "/rapport.doc"), data);
        else if (events.last() == "refresh")
            QCOMPARE(written, QStringList({"rapport.001", "rapport.002", "rapport.par2",
                                           "rapport.sha256", "rapport.vol0+1.par2"}));
        else
            QCOMPARE(written, QStringList());
    }

    void rebuildsAroundASingularChoice()
    {
        QByteArray data(130 * 1024 - 10, Qt::Uninitialized);
        QRandomGenerator(130).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        QVERIFY(write(path(doc), data));
        FctDecoup::CutFile(*this, path(doc), 1, 257);
        QVERIFY(QFile::rename(path(doc), path("source")));
        // The input slices are the pieces in the order of their IDs in the Main packet.
        QMap<QByteArray, QString> names;
        QByteArray main;
        for (const QByteArray &packet : par2Packets(m_dir->path())) {
            if (packet.mid(56, 4) == "Main")
                main = packet.mid(64 + 12);
            else if (packet.mid(56, 8) == "FileDesc")
                names[packet.mid(64, 16)] = packet.mid(64 + 56).split('\0')[0];
        }
        QVERIFY(QFile::remove(path(names[main.mid(16, 16)]))
                && QFile::remove(path(names[main.mid(129 * 16, 16)])));
        for (int e = 1; e < 255; ++e)
            QVERIFY(QFile::remove(path(QString::asprintf("rapport.vol%03d+1.par2", e))));
        m_events.clear();
        FctDecoup::RestoreFile(*this, path(first));
        QCOMPARE(m_events, QStringList({restored, "refresh"}));
        QCOMPARE(read(path(doc)), data);
    }

    // A 2.5 MB file in pieces of 100 KiB onto media of 1 MiB (tmpfs), each one asked for in turn,
    // then restored from them, from the first piece or from a volume, with one medium lost.
    void acrossMedia_data()
    {
        QTest::addColumn<bool>("protect");
        QTest::addColumn<int>("lost"); // the medium lost on the way (from 0); -1: none
        QTest::addColumn<bool>("comesBack");
        QTest::newRow("nothing lost") << false << -1 << true;
        QTest::newRow("a medium lost, one volume in 20 pieces") << false << 1 << false;
        QTest::newRow("protected, the first medium lost") << true << 0 << true;
        QTest::newRow("protected, a middle medium lost") << true << 1 << true;
        QTest::newRow("protected, the last medium lost") << true << 3 << true;
    }
    void acrossMedia()
    {
        QFETCH(bool, protect);
        QFETCH(int, lost);
        QFETCH(bool, comesBack);
        std::vector<std::unique_ptr<Mount>> media;
        const QStringList folders = mountMedia(4, media);
        if (folders.isEmpty())
            QSKIP("mounting needs root");
        QByteArray data(2'500'000, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        QVERIFY(write(path(doc), data));
        m_media = folders.mid(1);
        m_protect = protect;
        QCOMPARE(FctDecoup::CutFile(*this, path(doc), 100, std::nullopt, folders[0]),
                 FctDecoup::Outcome::Done);
        // Ten files a medium: pieces, then volumes (2, or 10 where a medium's loss must heal).
        const QStringList asked = m_events.filter("medium|");
        QCOMPARE(asked.size(), protect ? 3 : 2);
        QCOMPARE(asked[0], "medium|rapport.001 à rapport.010 sont écrits ; il reste 15 morceaux"
                               + QString(protect ? " et 10 fichiers de réparation, 2,4 Mo"
                                                 : " et 2 fichiers de réparation, 1,6 Mo"));
        QVERIFY2(m_events.contains(cut), qPrintable(m_events.join('\n')));
        QVERIFY(
            m_lastText.contains("Support 2 (" + folders[1] + "/) : rapport.011 à rapport.020."));
        // The progress is true: at the end every byte it announced is counted, none twice.
        const QStringList moved = m_progress.last().section(' ', 1).split('/');
        QCOMPARE(moved.value(0), moved.value(1));
        // Every medium proves its own pieces and holds the index.
        for (int m = 0; m < (protect ? 4 : 3); ++m) {
            int status = -1;
            const QStringList pieces = QDir(folders[m]).entryList({"rapport.0*"});
            if (!pieces.isEmpty())
                run(folders[m],
                    {"sha256sum", "-c", "--quiet", "--ignore-missing", "rapport.sha256"}, &status);
            QVERIFY(pieces.isEmpty() || status == 0);
            QVERIFY(QFileInfo::exists(folders[m] + "/rapport.par2"));
        }
        QVERIFY(QFile::rename(path(doc), path("source")));
        if (lost >= 0)
            QVERIFY(media[size_t(lost)]->mounted
                    && QProcess::execute("sh", {"-c", "rm " + folders[lost] + "/rapport.*"}) == 0);
        const int start = lost == 0 ? 1 : 0;
        QStringList from = folders;
        from.removeAt(start);
        m_events.clear();
        m_media.reset();
        const QString first = folders[start] + (start == 0 ? "/rapport.001" : "/rapport.par2");
        QCOMPARE(FctDecoup::RestoreFile(*this, first, m_dir->path(), from),
                 comesBack ? FctDecoup::Outcome::Done : FctDecoup::Outcome::Failed);
        QCOMPARE(read(path(doc)), comesBack ? data : QByteArray("<unreadable>"));
    }

    // A medium that does not give back what it was given (here, a piece changed once it is there)
    // is named with that piece, which goes onto the next medium instead.
    void mediumThatDidNotKeep()
    {
        std::vector<std::unique_ptr<Mount>> media;
        const QStringList folders = mountMedia(3, media);
        if (folders.isEmpty())
            QSKIP("mounting needs root");
        QByteArray data(2'500'000, Qt::Uninitialized);
        QRandomGenerator(9).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        QVERIFY(write(path(doc), data));
        m_media = folders.mid(1);
        bool changed = false;
        m_onReport = [&](int) {
            if (!changed && QFile::exists(folders[0] + "/rapport.003"))
                changed = damageFiles({"~medium0/rapport.003"});
        };
        QCOMPARE(FctDecoup::CutFile(*this, path(doc), 100, std::nullopt, folders[0]),
                 FctDecoup::Outcome::Done);
        QVERIFY(changed);
        QVERIFY2(m_events.contains("Avertissement|Le support de " + folders[0]
                                   + "/ n'a pas gardé ce qui y a été écrit : rapport.003."),
                 qPrintable(m_events.join('\n')));
        QVERIFY(!QFile::exists(folders[0] + "/rapport.003"));
        QVERIFY(QFile::exists(folders[1] + "/rapport.003"));
        QVERIFY(QFile::rename(path(doc), path("source")));
        QCOMPARE(FctDecoup::RestoreFile(*this, folders[0] + "/rapport.001", m_dir->path(),
                                        folders.mid(1)),
                 FctDecoup::Outcome::Done);
        QCOMPARE(read(path(doc)), data);
    }

    // Where media can be asked for, a set in one folder with a piece lost before others that are
    // there is mended without a question; one whose last pieces are not there asks for their
    // medium, and mends once it is said lost.
    void lostOrElsewhere_data()
    {
        QTest::addColumn<int>("lost");
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("a middle piece") << 3 << QStringList();
        QTest::newRow("the last piece")
            << 10 << QStringList{"medium|Insérez le support qui porte rapport.010"};
    }
    void lostOrElsewhere()
    {
        QFETCH(int, lost);
        QFETCH(QStringList, asked);
        QByteArray data(1'000'000, Qt::Uninitialized);
        QRandomGenerator(4).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        QVERIFY(write(path(doc), data));
        QCOMPARE(FctDecoup::CutFile(*this, path(doc), 100), FctDecoup::Outcome::Done);
        QVERIFY(QFile::rename(path(doc), path("source"))
                && QFile::remove(path(piece(first, lost))));
        m_events.clear();
        m_media = QStringList{"lost", "lost"};
        m_chosen = m_dir->path();
        QCOMPARE(FctDecoup::RestoreFile(*this, path(first)), FctDecoup::Outcome::Done);
        QCOMPARE(m_events.filter("medium|"), asked);
        QCOMPARE(read(path(doc)), data);
    }

    // What the media given cannot take is refused before anything is written; a medium that did
    // not change, or is too small, is said and another asked for; Cancel ends the cut, and says
    // what each medium holds.
    void mediaRefused_data()
    {
        QTest::addColumn<double>("sizeKb");
        QTest::addColumn<QStringList>("answers"); // "" cancels; "none": no one to ask
        QTest::addColumn<FctDecoup::Outcome>("outcome");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("no one to ask")
            << 100.0 << QStringList{"none"} << FctDecoup::Outcome::Refused
            << QStringList{cutError, "Les supports donnés ne peuvent recevoir tout le découpage : "
                                     "il faut 2,6 Mo, 2,0 Mo sont libres."};
        QTest::newRow("a piece bigger than a medium")
            << 1100.0 << QStringList{"none"} << FctDecoup::Outcome::Refused
            << QStringList{cutError, "Le support de %0/ ne peut recevoir rapport.001 : il faut 1,1 "
                                     "Mo, 1,0 Mo sont libres."};
        QTest::newRow("cancelled") << 100.0 << QStringList{""} << FctDecoup::Outcome::Stopped
                                   << QStringList{"Avertissement|Découpage interrompu.",
                                                  "Support 1 (%0/) : rapport.001 à rapport.010."};
        QTest::newRow("the same medium again")
            << 100.0 << QStringList{"%0", ""} << FctDecoup::Outcome::Stopped
            << QStringList{
                   "Avertissement|Le support de %0/ n'a pas changé : insérez le support suivant."};
    }
    void mediaRefused()
    {
        QFETCH(double, sizeKb);
        QFETCH(QStringList, answers);
        QFETCH(FctDecoup::Outcome, outcome);
        QFETCH(QStringList, said);
        std::vector<std::unique_ptr<Mount>> media;
        const QStringList folders = mountMedia(2, media);
        if (folders.isEmpty())
            QSKIP("mounting needs root");
        QByteArray data(2'500'000, 'x');
        QVERIFY(write(path(doc), data));
        if (answers != QStringList{"none"})
            m_media = answers.replaceInStrings("%0", folders[0]);
        const FctDecoup::Media more{answers == QStringList{"none"} ? folders.mid(1)
                                                                   : QStringList()};
        QCOMPARE(FctDecoup::CutFile(*this, path(doc), sizeKb, std::nullopt, folders[0], more),
                 outcome);
        const QString text =
            m_events.filter("|").filter(QRegularExpression("^(Erreur|Avert)")).join('\n') + '\r'
            + m_lastText;
        for (const QString &line : said)
            QVERIFY2(text.contains(QString(line).replace("%0", folders[0])), qPrintable(text));
        // Refused: nothing written; stopped: the first medium keeps its share, whole.
        const QStringList written = QDir(folders[0]).entryList({"rapport.*"});
        QCOMPARE(written.size(), outcome == FctDecoup::Outcome::Refused ? 0 : 12);
        QVERIFY(QDir(folders[1]).entryList({"rapport.*"}).isEmpty());
    }

    void restores_data()
    {
        QTest::addColumn<RestoreCase>("r");
        const QStringList done{restored, "refresh"};
        // clang-format off
        QTest::newRow("one piece") << RestoreCase{.pieces = "txt  001hello", .outcome = {done, {"+rapport.txt=hello"}}};
        QTest::newRow("fourth header byte") << RestoreCase{.pieces = "docx 001data", .outcome = {done, {"+rapport.docx=data"}}};
        QTest::newRow("no extension") << RestoreCase{.pieces = "     001data", .outcome = {done, {"+rapport=data"}}};
        QTest::newRow("no name") << RestoreCase{.pieces = "     001data", .outcome = {{badHeader}}, .firstPiece = ".001"};
        QTest::newRow("destination: file") << RestoreCase{.pieces = "txt  001new", .entries = {"rapport.txt"}, .outcome = {{exists}}};
        QTest::newRow("destination: dangling link") << RestoreCase{.pieces = "txt  001new", .entries = {"rapport.txt@none"}, .outcome = {{exists}}};
        QTest::newRow("destination, meanwhile") << RestoreCase{.pieces = set4, .outcome = {{exists}, {"+rapport.txt=<dir>"}}, .disturbance = {Folder, 2, "rapport.txt"}};
        for (const char *bad : {"txt  00", "txt  x01data", "txt  000data", "/..  001data", "a\\b  001", "a\tb  001"})
            QTest::addRow("header %s", bad) << RestoreCase{.pieces = bad, .outcome = {{badHeader}}};
        QTest::newRow("no point before 001") << RestoreCase{.pieces = "txt  001data", .outcome = {{wrongFile}}, .firstPiece = "backup001"};
        QTest::newRow("missing piece") << RestoreCase{.pieces = "txt  004a|b", .entries = {"rapport.004"}, .outcome = {{missing}}};
        QTest::newRow("restore stopped") << RestoreCase{.pieces = set4, .disturbance = {Stop, 2}};
        QTest::newRow("piece replaced meanwhile") << RestoreCase{.pieces = set4, .outcome = {{damaged.arg(3)}, {"+rapport.003=XXXX"}}, .disturbance = {Replace, 2, "rapport.003", 4}};
        QTest::newRow("piece shrinks meanwhile") << RestoreCase{.pieces = set4, .outcome = {{damaged.arg(3)}, {"+rapport.003=c"}}, .disturbance = {Resize, 1, "rapport.003", 1}};
        QTest::newRow("last piece of one byte") << RestoreCase{.pieces = "txt  003aaaa|bbbb|c", .outcome = {done, {"+rapport.txt=aaaabbbbc"}}};
        const std::pair<const char *, int> damages[] = {{"txt  004aaaa|bbbb|ccc|dddd", 3}, {"txt  004aaaa|bbbb|ccccc|dddd", 3},
            {"txt  004aaaa||cccc|dddd", 2}, {"txt  004aa|bbbb|cccc|dddd", 1}, {"txt  004aaaa|bbbb|cccc|ddddd", 4},
            {"txt  004aaaa|bbbb|cccc|", 4}, {"txt  003aa|bbbb|c", 2}, {"txt  001", 1}};
        for (const auto &[set, n] : damages)
            QTest::addRow("damaged: %s", set) << RestoreCase{.pieces = set, .outcome = {{damaged.arg(n)}}};
        const std::pair<QByteArray, QString> checked[] = {{"txt  004aaXa|bbbb|cccc|dddd", corrupt.arg(1)},
            {"txt  004aaaa|bbXb|cccc|dddd", corrupt.arg(2)}, {"txt  004aaaa|bbbb|cccc|dddX", corrupt.arg(4)},
            {"txx  004aaaa|bbbb|cccc|dddd", corrupt.arg(1)}, {"txt  003aaaa|bbbb|cccc|dddd", corrupt.arg(1)},
            {"txt  004aaaa|cccc|bbbb|dddd", corrupt.arg(2)}};
        for (const auto &[set, message] : checked)
            QTest::addRow("checked: %s", set.constData()) << RestoreCase{.pieces = set, .checksums = set4, .outcome = {{message}}};
        for (const QByteArray described : {"txt  004aaaa|bbbb|cccc", "txt  002aaaaaaaa|bbbbbbbb"})
            QTest::addRow("checked: another set, %s", described.constData()) << RestoreCase{.pieces = set4, .checksums = described, .outcome = {{notTheSet}}};
        QTest::newRow("checked: whole") << RestoreCase{.pieces = set4, .checksums = set4, .outcome = {done, {"+rapport.txt=aaaabbbbccccdddd"}}};
        QTest::newRow("checked: a FIFO, left aside") << RestoreCase{.pieces = set4, .entries = {"rapport.sha256|"}, .outcome = {done, {"+rapport.txt=aaaabbbbccccdddd"}}};
        QTest::newRow("checked: not in the format") << RestoreCase{.pieces = set4, .entries = {"rapport.sha256"}, .outcome = {{notTheSet}}};
        QTest::newRow("restore, file-size limit") << RestoreCase{.pieces = set4, .outcome = {{restoreError}, {},
            "Fichier trop grand pour le système de fichiers : @rapport.txt."}, .disturbance = {DiskFull, 0, {}, 14}};
        const QString busy = "Un autre découpage ou une autre restitution de %1 est en cours dans le dossier @.";
        QTest::newRow("another restore into the folder, meanwhile") << RestoreCase{.pieces = set4, .outcome = {{restoreError, restored, "refresh"},
            {"+rapport.txt=aaaabbbbccccdddd"}, busy.arg("rapport.txt")}, .disturbance = {Restore, 2, first}};
        QTest::newRow("a cut of the set's name, meanwhile") << RestoreCase{.pieces = set4, .entries = {"rapport.bin"},
            .outcome = {{cutError, restored, "refresh"}, {"+rapport.txt=aaaabbbbccccdddd"}, busy.arg("rapport")},
            .disturbance = {Cut, 2, "rapport.bin"}};
        QTest::newRow("restore killed, then again") << RestoreCase{.pieces = set4, .outcome = {done, {"+rapport.txt=aaaabbbbccccdddd"}}, .disturbance = {Kill, 3, "rapport.txt"}};
        // clang-format on
    }

    void restores()
    {
        QFETCH(RestoreCase, r);
        const QList<QByteArray> pieces = r.pieces.split('|');
        for (int n = 1; n <= pieces.size(); ++n)
            QVERIFY(write(path(piece(r.firstPiece, n)), pieces[n - 1]));
        if (!r.checksums.isEmpty())
            QVERIFY(write(path(r.firstPiece.chopped(4) + ".sha256"),
                          checksumsOf(r.checksums, r.firstPiece)));
        QVERIFY(populate(m_dir->path(), r.entries));
        disturb(
            r.disturbance, [&] { FctDecoup::RestoreFile(*this, path(r.firstPiece)); }, r.outcome);
    }
};

// Runs the operation as d disturbs it, then compares what it showed and what the folder holds.
void TestEngine::disturb(const Disturbance &d, const std::function<void()> &operation,
                         const Outcome &o)
{
    const Snapshot before = snapshot(m_dir->path());
    const QString why = QString(o.why).replace('@', m_dir->path() + '/');
    const auto run = [&] {
        m_piece = 0;
        operation();
        return m_events == o.events && (why.isEmpty() || m_causes.contains(why));
    };
    m_cancel = d.act == Cancel;
    bool meanwhile = false;
    m_onReport = [&](int piece) {
        m_stop = piece == d.piece && d.act == Stop;
        if (piece == d.piece && d.act == Kill)
            raise(SIGKILL);
        if (piece == d.piece && d.act == Resize)
            QFile::resize(path(d.name), d.length);
        if (QFile file(path(d.name));
            piece == d.piece && d.act == Overwrite && file.open(QIODevice::ReadWrite))
            file.write("X");
        if (piece == d.piece && d.act == Folder)
            QFile::remove(path(d.name)), QDir().mkdir(path(d.name));
        if (piece == d.piece && d.act == Link)
            QFile::link("mine", path(d.name));
        // Written beside it first, so that the new file is never given the old one's inode.
        if (piece == d.piece && d.act == Replace && write(path("new"), QByteArray(d.length, 'X')))
            ::rename(QFile::encodeName(path("new")), QFile::encodeName(path(d.name)));
        // The second operation runs once, at the first's report: its own reports change nothing.
        if (piece == d.piece && (d.act == Cut || d.act == Restore)
            && !std::exchange(meanwhile, true)) {
            if (d.act == Cut)
                FctDecoup::CutFile(*this, path(d.name), 1);
            else
                FctDecoup::RestoreFile(*this, path(d.name));
        }
    };
    // In a child process: killed there, the operation runs again here; with a full disk, its
    // events stay there, and it tells whether they were the right ones.
    if (d.act == Kill || d.act == DiskFull) {
#ifdef __SANITIZE_THREAD__
        QSKIP("ThreadSanitizer cannot follow a child of a program with threads");
#endif
        QCOMPARE(inChild(d.act == DiskFull ? d.length : 0, run), d.act == DiskFull);
        QVERIFY(d.act == DiskFull || !QFileInfo::exists(path(d.name)));
        m_onReport = [](int) {};
    }
    QVERIFY2(d.act == DiskFull || run(), qPrintable((m_events + m_causes).join('\n')));

    const Snapshot now = snapshot(m_dir->path());
    Snapshot expected = before;
    for (const QString &change : o.changes) {
        const QString name = change.mid(1).section('=', 0, 0);
        if (change.startsWith('-'))
            expected.remove(name);
        else
            expected[name] = change.contains('=') ? change.section('=', 1).toUtf8() : now[name];
    }
    QCOMPARE(now, expected);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
