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

// Piece n of the set whose first piece is named first.
QString piece(const QString &first, int n)
{
    return first.chopped(3) + QString::asprintf("%03d", n);
}

// The checksum file of the set of pieces 1, 2, ... (separated by '|') whose first is named first,
// as GNU sha256sum writes it, by Qt's own SHA-256.
QByteArray checksumsOf(const QByteArray &pieces, const QString &first)
{
    const auto line = [](const QByteArray &data, const QString &name) {
        return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex() + "  "
               + name.toUtf8() + '\n';
    };
    QByteArray sums, data;
    const QList<QByteArray> parts = pieces.split('|');
    for (int n = 1; n <= parts.size(); ++n) {
        sums += line(parts[n - 1], piece(first, n));
        data += n == 1 ? parts[0].mid(8) : parts[n - 1];
    }
    return sums + line(data, first.chopped(3) + parts[0].left(4).trimmed());
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

// At the yield of a piece (0: between two blocks), the engine is asked to stop, a file gets
// another length or turns into a folder, or the process is killed: the operation then runs
// again, and name is not there in between. Or files cannot grow past a length (ulimit -f).
// Or the question is answered Cancel.
enum Act { None, Stop, Resize, Folder, Kill, DiskFull, Cancel };
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

// A cut of file (length bytes, -1: none) in pieces of sizeKb; or, when pieces are given (pieces
// 1, 2, ... separated by '|', then after a '#' those that the checksum file describes, when there
// is one), a restore from file, their first piece. The folder after it is
// told as changes to what it held: "+name=bytes" added or replaced (any bytes without "="),
// "-name" removed; nothing else changed.
struct Operation
{
    QString file;
    QByteArray pieces;
    qint64 length;
    double sizeKb;
    QStringList entries; // put there first, as populate() reads them
    QStringList events;
    QStringList changes = {};
    Disturbance disturbance = {};
};

} // namespace

Q_DECLARE_METATYPE(RoundTrip)
Q_DECLARE_METATYPE(Operation)

class TestEngine : public QObject, public EngineWindow
{
    Q_OBJECT

public:
    // The engine's window records each message box and refresh in one list, and each yield;
    // it answers OK, and runs the test's own code at each yield and between two blocks.
    QString currentFolder() const override { return m_dir->path(); }
    MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon,
                              MessageButtons) override
    {
        m_events << title + '|' + text.section('\r', 0, 0);
        return m_cancel ? MessageAnswer::Cancel : MessageAnswer::Ok;
    }
    void refreshFileList() override { m_events << "refresh"; }
    void yieldOnce(const Progress &p) override { m_onYield(record(p)); }
    void betweenBlocks(const Progress &p) override
    {
        record(p);
        m_onYield(0);
    }
    bool stopRequested() const override { return m_stop; }

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    int record(const Progress &p)
    {
        m_progress << QString("%1/%2 %3/%4").arg(p.piece).arg(p.pieceCount).arg(p.moved).arg(p.total);
        return p.piece;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    qsizetype m_descriptors = 0;
    QStringList m_events;
    QStringList m_progress; // each yield, and each report between two blocks
    std::function<void(int piece)> m_onYield;
    bool m_stop = false;
    bool m_cancel = false;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_descriptors = openDescriptors();
        m_events.clear();
        m_progress.clear();
        m_onYield = [](int) {};
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
        write(path(t.name), data);
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
        QCOMPARE(read(path(sums)), run(m_dir->path(), QStringList{"sha256sum"} + names.mid(1) << t.name));
        QCOMPARE(QFile::permissions(path(sums)), own);
        names << sums;
        names.sort();
        QCOMPARE(snapshot(m_dir->path()).keys(), names);

        QVERIFY(QFile::rename(path(t.name), path("source")));
        FctDecoup::RestoreFile(*this, path(t.first));
        QCOMPARE(m_events, QStringList({cut, "refresh", restored, "refresh"}));
        QCOMPARE(m_progress, progress + progress);
        QCOMPARE(read(path(t.name)), data);
        QCOMPARE(QFile::permissions(path(t.name)), own);
        int status = -1;
        run(m_dir->path(), {"sha256sum", "--quiet", "-c", sums}, &status);
        QCOMPARE(status, 0);
    }

    void operation_data()
    {
        QTest::addColumn<Operation>("o");
        const QStringList earlier{"rapport.001", "rapport.002"};
        const QStringList pieces5{"+rapport.001", "+rapport.002", "+rapport.003", "+rapport.004",
                                  "+rapport.005"};
        const QStringList done{restored, "refresh"};
        // clang-format off
        QTest::newRow("empty source") << Operation{doc, {}, 0, 1, earlier, {}};
        QTest::newRow("vanished source") << Operation{doc, {}, -1, 1, earlier, {}};
        QTest::newRow("1000 pieces, before the question") << Operation{doc, {}, 1000, 1.0 / 1024, earlier, {tooMany}};
        QTest::newRow("sparse source past 4 GiB") << Operation{doc, {}, (4LL << 30) + 1000, 1, {}, {tooMany}};
        QTest::newRow("source is its last piece") << Operation{"rapport.003", {}, 3000, 1, {}, {cutError}};
        QTest::newRow("source in the earlier set") << Operation{"rapport.005", {}, 3000, 1, earlier, {ask, cutError}};
        QTest::newRow("read-only file in the earlier set") << Operation{doc, {}, 3000, 1, {first, "rapport.002!"}, {ask, cutError}};
        QTest::newRow("folder under a piece name") << Operation{doc, {}, 3000, 1, {first, "rapport.002/"}, {ask, cutError}};
        QTest::newRow("earlier set: its pieces only") << Operation{doc, {}, 1500, 1, {first, "rapport.0x", "rapport.05.txt",
            "rapport.0-final.pdf", "rapport.0001", "rapport.000", "rapport.0d/", "rapport.150", "rapport.999"},
            {ask, "refresh", cut, "refresh"}, {"+rapport.001", "+rapport.002", "+rapport.sha256", "-rapport.150", "-rapport.999"}};
        QTest::newRow("hidden earlier pieces") << Operation{".x.bc", {}, 100, 1, {".x.001", ".x.002"},
            {"Fichier .x.0XX existant" + ask.mid(ask.indexOf('|')), "refresh", cut, "refresh"}, {"+.x.001", "-.x.002", "+.x.sha256"}};
        QTest::newRow("taken piece name, Cancel") << Operation{doc, {}, 1500, 1, {"rapport.005"}, {ask, "refresh"}, {}, {Cancel}};
        QTest::newRow("lone checksum file") << Operation{doc, {}, 1500, 1, {"rapport.sha256"}, {ask, "refresh", cut, "refresh"},
            {"+rapport.001", "+rapport.002", "+rapport.sha256"}};
        QTest::newRow("lone checksum file, Cancel") << Operation{doc, {}, 1500, 1, {"rapport.sha256"}, {ask, "refresh"}, {}, {Cancel}};
        QTest::newRow("wildcards are literal") << Operation{"r*.doc", {}, 100, 1, {"r*.001", "rx.001"},
            {"Fichier r*.0XX existant" + ask.mid(ask.indexOf('|')), "refresh", cut, "refresh"}, {"+r*.001", "+r*.sha256"}};
        QTest::newRow("dangling link under a piece name") << Operation{doc, {}, 1500, 1, {"rapport.002@mine"},
            {ask, "refresh", cut, "refresh"}, {"+rapport.001", "+rapport.002", "+rapport.sha256"}};
        QTest::newRow("link under the hidden name") << Operation{doc, {}, 1500, 1, {"mine", ".rapport.001.fendrax@mine"},
            {cut, "refresh"}, {"+rapport.001", "+rapport.002", "+rapport.sha256", "-.rapport.001.fendrax"}};
        QTest::newRow("folder under a piece name, meanwhile") << Operation{doc, {}, 5000, 1, {}, {cutError}, {"+rapport.003=<dir>"}, {Folder, 2, "rapport.003"}};
        QTest::newRow("cut stopped") << Operation{doc, {}, 5000, 1, {}, {}, {}, {Stop, 3}};
        QTest::newRow("cut stopped within a piece") << Operation{doc, {}, 5 << 20, 8 << 10, {}, {}, {}, {Stop, 0}};
        QTest::newRow("source shrinks") << Operation{doc, {}, 5000, 1, {}, {cutError}, {"+rapport.doc"}, {Resize, 3, doc, 2500}};
        QTest::newRow("cut, file-size limit") << Operation{doc, {}, 5000, 1, {}, {cutError}, {}, {DiskFull, 0, {}, 1000}};
        QTest::newRow("cut killed, then again") << Operation{doc, {}, 5000, 1, {}, {ask, "refresh", cut, "refresh"},
            pieces5 + QStringList{"+rapport.sha256"}, {Kill, 5, first}};

        QTest::newRow("one piece") << Operation{first, "txt  001hello", 0, 0, {}, done, {"+rapport.txt=hello"}};
        QTest::newRow("fourth header byte") << Operation{first, "docx 001data", 0, 0, {}, done, {"+rapport.docx=data"}};
        QTest::newRow("no extension") << Operation{first, "     001data", 0, 0, {}, done, {"+rapport=data"}};
        QTest::newRow("no name") << Operation{".001", "     001data", 0, 0, {}, {badHeader}};
        QTest::newRow("destination: file") << Operation{first, "txt  001new", 0, 0, {"rapport.txt"}, {exists}};
        QTest::newRow("destination: dangling link") << Operation{first, "txt  001new", 0, 0, {"rapport.txt@none"}, {exists}};
        QTest::newRow("destination, meanwhile") << Operation{first, set4, 0, 0, {}, {exists}, {"+rapport.txt=<dir>"}, {Folder, 2, "rapport.txt"}};
        for (const char *bad : {"txt  00", "txt  x01data", "txt  000data", "/..  001data", "a\\b  001", "a\tb  001"})
            QTest::addRow("header %s", bad) << Operation{first, bad, 0, 0, {}, {badHeader}};
        QTest::newRow("no point before 001") << Operation{"backup001", "txt  001data", 0, 0, {}, {wrongFile}};
        QTest::newRow("missing piece") << Operation{first, "txt  004a|b", 0, 0, {"rapport.004"}, {missing}};
        QTest::newRow("restore stopped") << Operation{first, set4, 0, 0, {}, {}, {}, {Stop, 2}};
        QTest::newRow("piece shrinks meanwhile") << Operation{first, set4, 0, 0, {}, {damaged.arg(3)}, {"+rapport.003=c"}, {Resize, 1, "rapport.003", 1}};
        QTest::newRow("last piece of one byte") << Operation{first, "txt  003aaaa|bbbb|c", 0, 0, {}, done, {"+rapport.txt=aaaabbbbc"}};
        const std::pair<const char *, int> damages[] = {{"txt  004aaaa|bbbb|ccc|dddd", 3}, {"txt  004aaaa|bbbb|ccccc|dddd", 3},
            {"txt  004aaaa||cccc|dddd", 2}, {"txt  004aa|bbbb|cccc|dddd", 1}, {"txt  004aaaa|bbbb|cccc|ddddd", 4},
            {"txt  004aaaa|bbbb|cccc|", 4}, {"txt  003aa|bbbb|c", 2}, {"txt  001", 1}};
        for (const auto &[set, n] : damages)
            QTest::addRow("damaged: %s", set) << Operation{first, set, 0, 0, {}, {damaged.arg(n)}};
        const std::pair<QByteArray, QString> checked[] = {{"txt  004aaXa|bbbb|cccc|dddd#" + set4, corrupt.arg(1)},
            {"txt  004aaaa|bbXb|cccc|dddd#" + set4, corrupt.arg(2)}, {"txt  004aaaa|bbbb|cccc|dddX#" + set4, corrupt.arg(4)},
            {"txx  004aaaa|bbbb|cccc|dddd#" + set4, corrupt.arg(1)}, {"txt  003aaaa|bbbb|cccc|dddd#" + set4, corrupt.arg(1)},
            {"txt  004aaaa|cccc|bbbb|dddd#" + set4, corrupt.arg(2)}, {set4 + "#txt  004aaaa|bbbb|cccc", notTheSet},
            {set4 + "#txt  002aaaaaaaa|bbbbbbbb", notTheSet}};
        for (const auto &[set, message] : checked)
            QTest::addRow("checked: %s", set.constData()) << Operation{first, set, 0, 0, {}, {message}};
        QTest::newRow("checked: whole") << Operation{first, set4 + '#' + set4, 0, 0, {}, done, {"+rapport.txt=aaaabbbbccccdddd"}};
        QTest::newRow("checked: not in the format") << Operation{first, set4, 0, 0, {"rapport.sha256"}, {notTheSet}};
        QTest::newRow("restore, file-size limit") << Operation{first, set4, 0, 0, {}, {restoreError}, {}, {DiskFull, 0, {}, 14}};
        QTest::newRow("restore killed, then again") << Operation{first, set4, 0, 0, {}, done, {"+rapport.txt=aaaabbbbccccdddd"}, {Kill, 3, "rapport.txt"}};
        // clang-format on
    }

    void operation()
    {
        QFETCH(Operation, o);
        const QList<QByteArray> sets = o.pieces.split('#');
        const QList<QByteArray> pieces = sets[0].split('|');
        for (int n = 1; n <= pieces.size() && !o.pieces.isEmpty(); ++n)
            write(path(piece(o.file, n)), pieces[n - 1]);
        if (sets.size() > 1)
            write(path(o.file.chopped(4) + ".sha256"), checksumsOf(sets[1], o.file));
        if (o.pieces.isEmpty() && o.length >= 0)
            write(path(o.file), "source", o.length);
        populate(m_dir->path(), o.entries);
        const Snapshot before = snapshot(m_dir->path());
        const Disturbance &d = o.disturbance;
        const auto run = [&] {
            if (o.pieces.isEmpty())
                FctDecoup::CutFile(*this, path(o.file), o.sizeKb);
            else
                FctDecoup::RestoreFile(*this, path(o.file));
            return m_events == o.events;
        };
        m_cancel = d.act == Cancel;
        m_onYield = [&](int piece) {
            m_stop = piece == d.piece && d.act == Stop;
            if (piece == d.piece && d.act == Kill)
                raise(SIGKILL);
            if (piece == d.piece && d.act == Resize)
                QFile::resize(path(d.name), d.length);
            if (piece == d.piece && d.act == Folder)
                QFile::remove(path(d.name)), QDir().mkdir(path(d.name));
        };
        // In a child process: killed there, the operation runs again here; with a full disk, its
        // events stay there, and it tells whether they were the right ones.
        if (d.act == Kill || d.act == DiskFull) {
#ifdef __SANITIZE_THREAD__
            QSKIP("ThreadSanitizer cannot follow a child of a program with threads");
#endif
            QCOMPARE(inChild(d.act == DiskFull ? d.length : 0, run), d.act == DiskFull);
            QVERIFY(d.act == DiskFull || !QFileInfo::exists(path(d.name)));
            m_onYield = [](int) {};
        }
        QVERIFY2(d.act == DiskFull || run(), qPrintable(m_events.join('\n')));

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
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
