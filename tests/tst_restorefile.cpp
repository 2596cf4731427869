// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Restoring a file from its pieces: sets written from the format, untrusted headers, missing
// pieces, and the promise that no partial file passes for a whole one.
#include "FakeEngineWindow.h"
#include "FctDecoup.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>

using namespace FctDecoup;
using Snapshot = QMap<QString, QByteArray>;

class TestRestoreFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void handWrittenSet_data();
    void handWrittenSet();
    void roundTrip_data();
    void roundTrip();
    void extensionInWindows1252();
    void destinationExists_data();
    void destinationExists();
    void restoreTwice();
    void destinationAppearsAfterTest();
    void badHeader_data();
    void badHeader();
    void missingPiece_data();
    void missingPiece();
    void stopRequested();
    void pieceVanishes();
    void pieceShrinks();
    void folderRemovedDuringRestore();
    void fullDisk();
    void openFiles_data();
    void openFiles();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<FakeEngineWindow> restore(const QString &firstPiece);
    void writeSet(const QByteArray &header, const QList<QByteArray> &data);
    void verifyError(const FakeEngineWindow &window, const QString &text);

    std::unique_ptr<QTemporaryDir> m_dir;
    int m_descriptors = 0;
};

void TestRestoreFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_descriptors = TestFiles::openDescriptorCount();
}

void TestRestoreFile::cleanup()
{
    QCOMPARE(TestFiles::openDescriptorCount(), m_descriptors);
    m_dir.reset();
}

std::unique_ptr<FakeEngineWindow> TestRestoreFile::restore(const QString &firstPiece)
{
    auto window = std::make_unique<FakeEngineWindow>(m_dir->path());
    RestoreFile(*window, path(firstPiece));
    return window;
}

// Pieces rapport.001 ... written from the format itself, not by a cut.
void TestRestoreFile::writeSet(const QByteArray &header, const QList<QByteArray> &data)
{
    for (int n = 1; n <= data.size(); ++n)
        TestFiles::write(path(QStringLiteral("rapport") + PieceSuffix(n)),
                         (n == 1 ? header : QByteArray()) + data[n - 1]);
}

void TestRestoreFile::verifyError(const FakeEngineWindow &window, const QString &text)
{
    QCOMPARE(window.m_messages.size(), 1);
    QCOMPARE(window.m_messages.first().text, text);
    QCOMPARE(window.m_messages.first().title, QStringLiteral("Erreur"));
    QCOMPARE(window.m_messages.first().icon, MessageIcon::Exclamation);
    QCOMPARE(window.m_refreshes, 0);
}

void TestRestoreFile::handWrittenSet_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<int>("extraPieces");
    QTest::newRow("one piece") << QByteArray("txt  001") << QList<QByteArray>{"hello"} << 0;
    QTest::newRow("header only") << QByteArray("txt  001") << QList<QByteArray>{""} << 0;
    QTest::newRow("last piece short")
        << QByteArray("txt  003") << QList<QByteArray>{"aaaa", "bbbb", "c"} << 0;
    QList<QByteArray> twelve;
    for (int n = 1; n <= 12; ++n)
        twelve << TestFiles::pattern(100, n);
    QTest::newRow("12 pieces in order") << QByteArray("txt  012") << twelve << 0;
    QList<QByteArray> many;
    for (int n = 1; n <= 150; ++n)
        many << TestFiles::pattern(37, n);
    QTest::newRow("150 pieces") << QByteArray("txt  150") << many << 0;
    QTest::newRow("pieces beyond the count are ignored")
        << QByteArray("txt  002") << QList<QByteArray>{"aa", "bb"} << 3;
}

void TestRestoreFile::handWrittenSet()
{
    QFETCH(QByteArray, header);
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(int, extraPieces);
    writeSet(header, pieces);
    for (int n = 1; n <= extraPieces; ++n)
        TestFiles::write(path(QStringLiteral("rapport") + PieceSuffix(pieces.size() + n)), "x");
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = restore(QStringLiteral("rapport.001"));

    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.txt"))), pieces.join());
    QCOMPARE(window->m_messages.size(), 1);
    QCOMPARE(window->m_messages.first().text, QStringLiteral("Restitution des fichiers terminée."));
    QCOMPARE(window->m_messages.first().title, QStringLiteral("Information"));
    QCOMPARE(window->m_messages.first().icon, MessageIcon::Information);
    QCOMPARE(window->m_events,
             (QStringList{QStringLiteral("message:Information"), QStringLiteral("refresh")}));
    QCOMPARE(window->m_yields.size(), pieces.size());
    QCOMPARE(window->m_yields.last(), std::make_pair(int(pieces.size()), int(pieces.size())));
    // The pieces are only read.
    Snapshot after = TestFiles::snapshot(m_dir->path());
    after.remove(QStringLiteral("rapport.txt"));
    QCOMPARE(after, before);
}

void TestRestoreFile::roundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("length");
    QTest::addColumn<double>("sizeKb");
    QTest::newRow("one piece") << "rapport.doc" << qint64(100) << 1.0;
    QTest::newRow("exact multiple") << "rapport.doc" << qint64(4096) << 1.0;
    QTest::newRow("odd size") << "data.bin" << qint64(100000) << 1.7;
    QTest::newRow("long extension") << "photo.jpeg" << qint64(5000) << 2.0;
    QTest::newRow("no extension") << "LISEZMOI" << qint64(5000) << 2.0;
    QTest::newRow("hidden pieces") << "a.bc" << qint64(5000) << 1.0;
    QTest::newRow("999 pieces") << "rapport.doc" << qint64(999) << 1.0 / 1024;
}

void TestRestoreFile::roundTrip()
{
    QFETCH(QString, name);
    QFETCH(qint64, length);
    QFETCH(double, sizeKb);
    const QByteArray data = TestFiles::pattern(length);
    TestFiles::write(path(name), data);
    FakeEngineWindow window(m_dir->path());
    CutFile(window, path(name), sizeKb);
    const QString base = *BaseName(name);
    const QString restored = base + QLatin1Char('.') + ExtensionText(name);
    // Restoring beside the source would meet it: move the source away first.
    QVERIFY(QFile::rename(path(name), path(QStringLiteral("original"))));
    const auto restoreWindow = restore(base + QStringLiteral(".001"));
    QCOMPARE(restoreWindow->m_messages.first().title, QStringLiteral("Information"));
    QCOMPARE(TestFiles::read(path(restored)), data);
}

void TestRestoreFile::extensionInWindows1252()
{
    // A set made on a French Windows system: the extension "été" in Windows-1252.
    writeSet(QByteArray("\xE9t\xE9  001"), {"bonjour"});
    restore(QStringLiteral("rapport.001"));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.été"))), QByteArray("bonjour"));
}

void TestRestoreFile::destinationExists_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("file") << "file";
    QTest::newRow("folder") << "folder";
    QTest::newRow("dangling link") << "link";
    QTest::newRow("hidden file") << "hidden";
}

void TestRestoreFile::destinationExists()
{
    QFETCH(QString, kind);
    QString first = QStringLiteral("rapport.001");
    QString target = QStringLiteral("rapport.txt");
    if (kind == QLatin1String("hidden")) {
        first = QStringLiteral(".001");
        target = QStringLiteral(".txt");
        TestFiles::write(path(first), "txt  001data");
    } else {
        writeSet("txt  001", {"data"});
    }
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir(m_dir->path()).mkdir(target));
    else if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(path(QStringLiteral("nowhere")), path(target)));
    else
        TestFiles::write(path(target), "keep me");
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = restore(first);
    QCOMPARE(window->m_messages.size(), 1);
    QCOMPARE(window->m_messages.first().text,
             QStringLiteral("Le fichier destination existe dans le répertoire !"));
    QCOMPARE(window->m_messages.first().title, QStringLiteral("Avertissement"));
    QCOMPARE(window->m_messages.first().icon, MessageIcon::Exclamation);
    QCOMPARE(window->m_refreshes, 0);
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestRestoreFile::restoreTwice()
{
    writeSet("txt  002", {"ab", "cd"});
    restore(QStringLiteral("rapport.001"));
    const auto second = restore(QStringLiteral("rapport.001"));
    QCOMPARE(second->m_messages.first().title, QStringLiteral("Avertissement"));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.txt"))), QByteArray("abcd"));
}

void TestRestoreFile::destinationAppearsAfterTest()
{
    // The test for an existing file looks in the window's folder; here that folder is another
    // one, so the file of the pieces' folder is met only by the creation, which never overwrites.
    writeSet("txt  001", {"new"});
    TestFiles::write(path(QStringLiteral("rapport.txt")), "keep me");
    QTemporaryDir elsewhere;
    FakeEngineWindow window(elsewhere.path());
    RestoreFile(window, path(QStringLiteral("rapport.001")));
    QCOMPARE(window.m_messages.size(), 1);
    QCOMPARE(window.m_messages.first().title, QStringLiteral("Avertissement"));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.txt"))), QByteArray("keep me"));
}

void TestRestoreFile::badHeader_data()
{
    QTest::addColumn<QString>("firstPiece");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("seven bytes") << "rapport.001" << QByteArray("txt  00");
    QTest::newRow("count not digits") << "rapport.001" << QByteArray("txt  x01data");
    QTest::newRow("zero pieces") << "rapport.001" << QByteArray("txt  000data");
    QTest::newRow("extension climbs out") << "rapport.001" << QByteArray("/..  001data");
    QTest::newRow("backslash") << "rapport.001" << QByteArray("a\\b  001data");
    QTest::newRow("NUL") << "rapport.001" << QByteArray("a\0b  001data", 12);
    QTest::newRow("control character") << "rapport.001"
                                       << QByteArray("a\x1b"
                                                     "b  001data");
    QTest::newRow("name without a base") << "001" << QByteArray("txt  001data");
}

void TestRestoreFile::badHeader()
{
    QFETCH(QString, firstPiece);
    QFETCH(QByteArray, content);
    TestFiles::write(path(firstPiece), content);
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = restore(firstPiece);
    verifyError(*window, QStringLiteral("Ce fichier n'est pas le premier morceau d'un fichier "
                                        "découpé :\rson en-tête est absent ou invalide."));
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestRestoreFile::missingPiece_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("folder") << "folder";
    QTest::newRow("pipe") << "pipe";
}

void TestRestoreFile::missingPiece()
{
    QFETCH(QString, kind);
    writeSet("txt  004", {"a", "b"});
    TestFiles::write(path(QStringLiteral("rapport.004")), "d");
    const QString third = path(QStringLiteral("rapport.003"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("rapport.003")));
    else if (kind == QLatin1String("pipe"))
        QCOMPARE(mkfifo(QFile::encodeName(third).constData(), 0600), 0);
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = restore(QStringLiteral("rapport.001"));
    verifyError(*window, QStringLiteral("Le morceau rapport.003 est manquant.\r"
                                        "Rassemblez tous les morceaux dans le même dossier."));
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestRestoreFile::stopRequested()
{
    writeSet("txt  004", {"a", "b", "c", "d"});
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    FakeEngineWindow window(m_dir->path());
    window.m_stopAfterYields = 2;
    RestoreFile(window, path(QStringLiteral("rapport.001")));
    QVERIFY(window.m_events.isEmpty());
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestRestoreFile::pieceVanishes()
{
    writeSet("txt  004", {"a", "b", "c", "d"});
    FakeEngineWindow window(m_dir->path());
    window.m_onYield = [this](int piece) {
        if (piece == 2) {
            QFile::remove(path(QStringLiteral("rapport.003")));
            QDir(m_dir->path()).mkdir(QStringLiteral("rapport.003"));
        }
    };
    RestoreFile(window, path(QStringLiteral("rapport.001")));
    verifyError(window, QStringLiteral("Erreur lors de la restitution du fichier !"));
    QVERIFY(!QFile::exists(path(QStringLiteral("rapport.txt"))));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.004"))), QByteArray("d"));
}

void TestRestoreFile::pieceShrinks()
{
    writeSet("txt  003", {"aaaa", "bbbb", "cccc"});
    FakeEngineWindow window(m_dir->path());
    window.m_onYield = [this](int piece) {
        if (piece == 1)
            QFile(path(QStringLiteral("rapport.003"))).resize(1);
    };
    RestoreFile(window, path(QStringLiteral("rapport.001")));
    QCOMPARE(window.m_messages.first().title, QStringLiteral("Information"));
    // The piece is read as it is when its turn comes, never past what it holds.
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.txt"))), QByteArray("aaaabbbbc"));
}

void TestRestoreFile::folderRemovedDuringRestore()
{
    const QString folder = m_dir->filePath(QStringLiteral("set"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("set")));
    for (int n = 1; n <= 3; ++n)
        TestFiles::write(folder + QStringLiteral("/rapport") + PieceSuffix(n),
                         (n == 1 ? QByteArray("txt  003") : QByteArray()) + "data");
    FakeEngineWindow window(folder);
    window.m_onYield = [&](int piece) {
        if (piece == 2)
            QDir(folder).removeRecursively();
    };
    RestoreFile(window, folder + QStringLiteral("/rapport.001"));
    verifyError(window, QStringLiteral("Erreur lors de la restitution du fichier !"));
    QCOMPARE(TestFiles::snapshot(m_dir->path()).keys(), QStringList());
}

void TestRestoreFile::fullDisk()
{
    writeSet("txt  003", {TestFiles::pattern(1000, 1), TestFiles::pattern(1000, 2),
                          TestFiles::pattern(1000, 3)});
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const QStringList lines = TestFiles::runInChild([this] {
        TestFiles::limitFileSize(2500);
        FakeEngineWindow window(m_dir->path());
        RestoreFile(window, path(QStringLiteral("rapport.001")));
        return window.messageLines();
    });
    QCOMPARE(lines,
             QStringList{QStringLiteral("Erreur|Erreur lors de la restitution du fichier !")});
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestRestoreFile::openFiles_data()
{
    QTest::addColumn<int>("openable");
    QTest::addColumn<QString>("message");
    // The header is read with one file; then the restored file and one piece at a time.
    QTest::newRow("no piece can be opened")
        << 1 << QStringLiteral("Erreur|Erreur lors de la restitution du fichier !");
    QTest::newRow("enough for the restore")
        << 2 << QStringLiteral("Information|Restitution des fichiers terminée.");
}

void TestRestoreFile::openFiles()
{
    QFETCH(int, openable);
    QFETCH(QString, message);
    writeSet("txt  002", {"ab", "cd"});
    const QStringList lines = TestFiles::runInChild([&] {
        TestFiles::limitOpenFiles(openable);
        FakeEngineWindow window(m_dir->path());
        RestoreFile(window, path(QStringLiteral("rapport.001")));
        return window.messageLines();
    });
    QCOMPARE(lines, QStringList{message});
    QCOMPARE(QFile::exists(path(QStringLiteral("rapport.txt"))), openable == 2);
}

QTEST_GUILESS_MAIN(TestRestoreFile)
#include "tst_restorefile.moc"
