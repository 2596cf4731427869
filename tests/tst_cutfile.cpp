// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Cutting a file: the pieces on disk, the messages, and the user's files kept safe.
#include "EngineTexts.h"
#include "FakeEngineWindow.h"
#include "FctDecoup.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace FctDecoup;
using Snapshot = QMap<QString, QByteArray>;

class TestCutFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void pieceLengths_data();
    void pieceLengths();
    void formatByteForByte();
    void hundredFiftyPieces();
    void sizeRounding_data();
    void sizeRounding();
    void refusedSizes_data();
    void refusedSizes();
    void zeroSizeAfterQuestionAndRemoval();
    void quietEnds_data();
    void quietEnds();
    void nameTooShort();
    void earlierSetCancelled();
    void earlierSetRemoved();
    void earlierSetHiddenPieces();
    void noQuestionWithoutFirstPiece();
    void sourceNeverTouched_data();
    void sourceNeverTouched();
    void removalAllOrNothing();
    void literalPattern();
    void pieceReplacesExistingEntry();
    void folderUnderPieceName();
    void tooManyPieces();
    void exactly999Pieces();
    void stopRequested();
    void sourceShrinks();
    void sourceIsFolder();
    void folderRemovedDuringCut();
    void olderSetUpTo999();
    void fullDisk();
    void pieceCannotBeOpened();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<FakeEngineWindow> cut(const QString &name, double sizeKb,
                                          MessageAnswer answer = MessageAnswer::Ok);
    void verifyCutError(const FakeEngineWindow &window);

    std::unique_ptr<QTemporaryDir> m_dir;
    int m_descriptors = 0;
};

void TestCutFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_descriptors = TestFiles::openDescriptorCount();
}

void TestCutFile::cleanup()
{
    // No file stays open after an operation, whatever its end.
    QCOMPARE(TestFiles::openDescriptorCount(), m_descriptors);
    m_dir.reset();
}

std::unique_ptr<FakeEngineWindow> TestCutFile::cut(const QString &name, double sizeKb,
                                                   MessageAnswer answer)
{
    auto window = std::make_unique<FakeEngineWindow>(m_dir->path());
    window->m_questionAnswer = answer;
    CutFile(*window, path(name), sizeKb);
    return window;
}

void TestCutFile::verifyCutError(const FakeEngineWindow &window)
{
    QVERIFY(!window.m_messages.isEmpty());
    const RecordedMessage &last = window.m_messages.last();
    QCOMPARE(last.text, QStringLiteral("Erreur lors du découpage du fichier !"));
    QCOMPARE(last.title, QStringLiteral("Erreur"));
    QCOMPARE(last.icon, MessageIcon::Exclamation);
    QCOMPARE(last.buttons, MessageButtons::Ok);
}

void TestCutFile::pieceLengths_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<QList<qint64>>("pieces");
    QTest::addColumn<QString>("countText");
    QTest::newRow("1000") << qint64(1000) << QList<qint64>{1008} << "001";
    QTest::newRow("1024") << qint64(1024) << QList<qint64>{1032} << "001";
    QTest::newRow("2048") << qint64(2048) << QList<qint64>{1032, 1024} << "002";
    QTest::newRow("2049") << qint64(2049) << QList<qint64>{1032, 1024, 1} << "003";
}

void TestCutFile::pieceLengths()
{
    QFETCH(qint64, length);
    QFETCH(QList<qint64>, pieces);
    QFETCH(QString, countText);
    const QByteArray data = TestFiles::pattern(length);
    TestFiles::write(path(QStringLiteral("rapport.doc")), data);
    const auto window = cut(QStringLiteral("rapport.doc"), 1);

    for (int n = 1; n <= pieces.size(); ++n)
        QCOMPARE(QFileInfo(path(QStringLiteral("rapport") + PieceSuffix(n))).size(), pieces[n - 1]);
    QVERIFY(!QFile::exists(path(QStringLiteral("rapport") + PieceSuffix(pieces.size() + 1))));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.doc"))), data);

    QCOMPARE(window->m_messages.size(), 1);
    const RecordedMessage &done = window->m_messages.first();
    QCOMPARE(done.text, QStringLiteral("Découpage du fichier terminé.\rFichier découpé en ")
                            + countText + QStringLiteral(" morceaux."));
    QCOMPARE(done.title, QStringLiteral("Information"));
    QCOMPARE(done.icon, MessageIcon::Information);
    QCOMPARE(done.buttons, MessageButtons::Ok);
    QCOMPARE(window->m_events.last(), QStringLiteral("refresh"));
    QCOMPARE(window->m_refreshes, 1);
    QCOMPARE(window->m_yields.size(), pieces.size());
}

void TestCutFile::formatByteForByte()
{
    const QByteArray data = TestFiles::pattern(5 * 1024 - 100);
    TestFiles::write(path(QStringLiteral("rapport.doc")), data);
    cut(QStringLiteral("rapport.doc"), 1);
    QByteArray expected1 = "doc  005" + data.left(1024);
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.001"))), expected1);
    for (int n = 2; n <= 5; ++n)
        QCOMPARE(TestFiles::read(path(QStringLiteral("rapport") + PieceSuffix(n))),
                 data.mid((n - 1) * 1024, 1024));
}

void TestCutFile::hundredFiftyPieces()
{
    const QByteArray data = TestFiles::pattern(150 * 1024);
    TestFiles::write(path(QStringLiteral("big.bin")), data);
    const auto window = cut(QStringLiteral("big.bin"), 1);
    QByteArray joined;
    for (int n = 1; n <= 150; ++n)
        joined += TestFiles::read(path(QStringLiteral("big") + PieceSuffix(n)));
    QCOMPARE(joined.left(8), QByteArray("bin  150"));
    QCOMPARE(joined.mid(8), data);
    QVERIFY(!QFile::exists(path(QStringLiteral("big.151"))));
    QVERIFY(window->m_messages.first().text.endsWith(QStringLiteral("en 150 morceaux.")));
    QCOMPARE(window->m_yields.size(), 150);
    for (int n = 1; n <= 150; ++n)
        QCOMPARE(window->m_yields[n - 1], std::make_pair(n, 150));
}

void TestCutFile::sizeRounding_data()
{
    QTest::addColumn<double>("sizeKb");
    QTest::addColumn<qint64>("block");
    QTest::newRow("1.5 KB") << 1.5 << qint64(1536);
    QTest::newRow("2.5 bytes to even 2") << 2.5 / 1024 << qint64(2);
    QTest::newRow("3.5 bytes to even 4") << 3.5 / 1024 << qint64(4);
    QTest::newRow("0.1 KB") << 0.1 << qint64(102);
}

void TestCutFile::sizeRounding()
{
    QFETCH(double, sizeKb);
    QFETCH(qint64, block);
    // The count follows the block actually used, so the pieces always hold the whole source.
    const QByteArray data = TestFiles::pattern(block * 3 + 1);
    TestFiles::write(path(QStringLiteral("data.bin")), data);
    cut(QStringLiteral("data.bin"), sizeKb);
    QCOMPARE(TestFiles::read(path(QStringLiteral("data.001"))), "bin  004" + data.left(block));
    QCOMPARE(QFileInfo(path(QStringLiteral("data.003"))).size(), block);
    QCOMPARE(TestFiles::read(path(QStringLiteral("data.004"))), data.right(1));
}

void TestCutFile::refusedSizes_data()
{
    QTest::addColumn<double>("sizeKb");
    QTest::newRow("negative") << -1.0;
    QTest::newRow("under one byte") << 0.4 / 1024;
    QTest::newRow("not a number") << std::nan("");
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
    QTest::newRow("past 2^31 - 1 bytes") << 2.0 * 1024 * 1024;
}

void TestCutFile::refusedSizes()
{
    QFETCH(double, sizeKb);
    TestFiles::write(path(QStringLiteral("data.bin")), TestFiles::pattern(3000));
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = cut(QStringLiteral("data.bin"), sizeKb);
    verifyCutError(*window);
    QCOMPARE(window->m_messages.size(), 1);
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestCutFile::zeroSizeAfterQuestionAndRemoval()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), "content");
    TestFiles::write(path(QStringLiteral("rapport.001")), "old");
    const auto window = cut(QStringLiteral("rapport.doc"), 0);
    QCOMPARE(window->m_events,
             (QStringList{QStringLiteral("message:Fichier rapport.0XX existant"),
                          QStringLiteral("refresh"), QStringLiteral("message:Erreur")}));
    verifyCutError(*window);
    QVERIFY(!QFile::exists(path(QStringLiteral("rapport.001"))));
}

void TestCutFile::quietEnds_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("empty source") << true;
    QTest::newRow("vanished source") << false;
}

void TestCutFile::quietEnds()
{
    QFETCH(bool, exists);
    if (exists)
        TestFiles::write(path(QStringLiteral("rapport.doc")), QByteArray());
    TestFiles::write(path(QStringLiteral("rapport.001")), "old");
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = cut(QStringLiteral("rapport.doc"), 1);
    QVERIFY(window->m_events.isEmpty());
    QVERIFY(window->m_yields.isEmpty());
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestCutFile::nameTooShort()
{
    TestFiles::write(path(QStringLiteral("abc")), "content");
    const auto window = cut(QStringLiteral("abc"), 1);
    verifyCutError(*window);
    QCOMPARE(TestFiles::snapshot(m_dir->path()).keys(), QStringList{QStringLiteral("abc")});
}

void TestCutFile::earlierSetCancelled()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(3000));
    for (int n = 1; n <= 4; ++n)
        TestFiles::write(path(QStringLiteral("rapport") + PieceSuffix(n)), "old");
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = cut(QStringLiteral("rapport.doc"), 1, MessageAnswer::Cancel);
    QCOMPARE(window->m_messages.size(), 1);
    const RecordedMessage &question = window->m_messages.first();
    QCOMPARE(question.text, QStringLiteral("Supprimer les fichiers déjà découpés ?\r"
                                           "           Confirmez"));
    QCOMPARE(question.title, QStringLiteral("Fichier rapport.0XX existant"));
    QCOMPARE(question.icon, MessageIcon::Question);
    QCOMPARE(question.buttons, MessageButtons::OkCancel);
    QCOMPARE(window->m_events.last(), QStringLiteral("refresh"));
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestCutFile::earlierSetRemoved()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(1500));
    for (int n = 1; n <= 4; ++n)
        TestFiles::write(path(QStringLiteral("rapport") + PieceSuffix(n)), "old");
    TestFiles::write(path(QStringLiteral("rapport.0notes")), "matches the pattern too");
    TestFiles::write(path(QStringLiteral("rapport.150")), "beyond the pattern");
    TestFiles::write(path(QStringLiteral("rapport.1")), "no");
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("rapport.0folder")));
    const auto window = cut(QStringLiteral("rapport.doc"), 1);

    QCOMPARE(window->m_events,
             (QStringList{QStringLiteral("message:Fichier rapport.0XX existant"),
                          QStringLiteral("refresh"), QStringLiteral("message:Information"),
                          QStringLiteral("refresh")}));
    QCOMPARE(TestFiles::snapshot(m_dir->path()).keys(),
             (QStringList{QStringLiteral("rapport.001"), QStringLiteral("rapport.002"),
                          QStringLiteral("rapport.0folder"), QStringLiteral("rapport.1"),
                          QStringLiteral("rapport.150"), QStringLiteral("rapport.doc")}));
    QCOMPARE(QFileInfo(path(QStringLiteral("rapport.002"))).size(), 1500 - 1024);
}

void TestCutFile::earlierSetHiddenPieces()
{
    // a.bc has an empty base name: its pieces .001, .002 ... are hidden files.
    TestFiles::write(path(QStringLiteral("a.bc")), TestFiles::pattern(100));
    TestFiles::write(path(QStringLiteral(".001")), "old");
    TestFiles::write(path(QStringLiteral(".002")), "old");
    const auto window = cut(QStringLiteral("a.bc"), 1);
    QCOMPARE(window->m_messages.first().title, QStringLiteral("Fichier .0XX existant"));
    QVERIFY(!QFile::exists(path(QStringLiteral(".002"))));
    QCOMPARE(TestFiles::read(path(QStringLiteral(".001"))), ".bc  001" + TestFiles::pattern(100));
}

void TestCutFile::noQuestionWithoutFirstPiece()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(3000));
    TestFiles::write(path(QStringLiteral("rapport.005")), "leftover");
    const auto window = cut(QStringLiteral("rapport.doc"), 1);
    QCOMPARE(window->m_messages.size(), 1);
    QCOMPARE(window->m_messages.first().title, QStringLiteral("Information"));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.005"))), QByteArray("leftover"));
}

void TestCutFile::sourceNeverTouched_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("others");
    // The source is the first piece of its own set.
    QTest::newRow("source is piece 1") << "rapport.001" << QStringList{};
    // The source would be piece 2 of the new set.
    QTest::newRow("source is piece 2") << "rapp.002" << QStringList{};
    // The source matches the pattern of the earlier set that the user agreed to remove.
    QTest::newRow("source in the earlier set")
        << "rapport.0ab" << QStringList{QStringLiteral("rapport.001")};
}

void TestCutFile::sourceNeverTouched()
{
    QFETCH(QString, source);
    QFETCH(QStringList, others);
    TestFiles::write(path(source), TestFiles::pattern(3000));
    for (const QString &other : others)
        TestFiles::write(path(other), "old");
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = cut(source, 1);
    verifyCutError(*window);
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestCutFile::removalAllOrNothing()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(3000));
    for (int n = 1; n <= 3; ++n)
        TestFiles::write(path(QStringLiteral("rapport") + PieceSuffix(n)), "old");
    QVERIFY(QFile::setPermissions(path(QStringLiteral("rapport.003")), QFile::ReadOwner));
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = cut(QStringLiteral("rapport.doc"), 1);
    verifyCutError(*window);
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestCutFile::literalPattern()
{
    // On this platform a name may hold wildcard characters; they match only themselves.
    TestFiles::write(path(QStringLiteral("r*.doc")), TestFiles::pattern(100));
    TestFiles::write(path(QStringLiteral("r*.001")), "old");
    TestFiles::write(path(QStringLiteral("rx.001")), "someone else's");
    TestFiles::write(path(QStringLiteral("rx.002")), "someone else's");
    const auto window = cut(QStringLiteral("r*.doc"), 1);
    QCOMPARE(window->m_messages.first().title, QStringLiteral("Fichier r*.0XX existant"));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rx.001"))), QByteArray("someone else's"));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rx.002"))), QByteArray("someone else's"));
    QCOMPARE(TestFiles::read(path(QStringLiteral("r*.001"))), "doc  001" + TestFiles::pattern(100));
}

void TestCutFile::pieceReplacesExistingEntry()
{
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(QStringLiteral("precious"));
    TestFiles::write(outside, "must stay");
    const QByteArray data = TestFiles::pattern(150 * 1024);
    TestFiles::write(path(QStringLiteral("big.bin")), data);
    // An older, longer piece 120 and a link under the name of piece 130.
    TestFiles::write(path(QStringLiteral("big.120")), TestFiles::pattern(5000, 7));
    QVERIFY(QFile::link(outside, path(QStringLiteral("big.130"))));
    const auto window = cut(QStringLiteral("big.bin"), 1);
    QCOMPARE(window->m_messages.first().title, QStringLiteral("Information"));
    QCOMPARE(TestFiles::read(path(QStringLiteral("big.120"))), data.mid(119 * 1024, 1024));
    QVERIFY(!QFileInfo(path(QStringLiteral("big.130"))).isSymLink());
    QCOMPARE(TestFiles::read(path(QStringLiteral("big.130"))), data.mid(129 * 1024, 1024));
    QCOMPARE(TestFiles::read(outside), QByteArray("must stay"));
}

void TestCutFile::folderUnderPieceName()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(3000));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("rapport.002")));
    const auto window = cut(QStringLiteral("rapport.doc"), 1);
    verifyCutError(*window);
    // The unfinished set is not left behind.
    QVERIFY(!QFile::exists(path(QStringLiteral("rapport.001"))));
    QVERIFY(QFileInfo(path(QStringLiteral("rapport.002"))).isDir());
}

void TestCutFile::tooManyPieces()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(1000));
    TestFiles::write(path(QStringLiteral("rapport.001")), "old");
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    const auto window = cut(QStringLiteral("rapport.doc"), 1.0 / 1024);
    QCOMPARE(window->m_messages.size(), 1);
    const RecordedMessage &refusal = window->m_messages.first();
    QCOMPARE(refusal.text,
             QStringLiteral("Ce découpage demanderait plus de 999 morceaux, le maximum.\r"
                            "Veuillez choisir une taille de partition plus grande."));
    QCOMPARE(refusal.title, QStringLiteral("Erreur"));
    QCOMPARE(refusal.icon, MessageIcon::Exclamation);
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestCutFile::exactly999Pieces()
{
    const QByteArray data = TestFiles::pattern(999);
    TestFiles::write(path(QStringLiteral("rapport.doc")), data);
    const auto window = cut(QStringLiteral("rapport.doc"), 1.0 / 1024);
    QVERIFY(window->m_messages.first().text.endsWith(QStringLiteral(" en 999 morceaux.")));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.001"))), "doc  999" + data.left(1));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.999"))), data.right(1));
}

void TestCutFile::stopRequested()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(5000));
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    FakeEngineWindow window(m_dir->path());
    window.m_stopAfterYields = 3;
    CutFile(window, path(QStringLiteral("rapport.doc")), 1);
    QCOMPARE(window.m_yields.size(), 3);
    QVERIFY(window.m_events.isEmpty());
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestCutFile::sourceShrinks()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(5000));
    FakeEngineWindow window(m_dir->path());
    window.m_onYield = [this](int piece) {
        if (piece == 3)
            QFile(path(QStringLiteral("rapport.doc"))).resize(2500);
    };
    CutFile(window, path(QStringLiteral("rapport.doc")), 1);
    verifyCutError(window);
    QCOMPARE(TestFiles::snapshot(m_dir->path()).keys(), QStringList{QStringLiteral("rapport.doc")});
}

void TestCutFile::sourceIsFolder()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("rapport.doc")));
    const auto window = cut(QStringLiteral("rapport.doc"), 1);
    verifyCutError(*window);
    QCOMPARE(TestFiles::snapshot(m_dir->path()).keys(), QStringList{QStringLiteral("rapport.doc")});
}

void TestCutFile::folderRemovedDuringCut()
{
    // The source lives elsewhere; the folder of the pieces goes away under the cut.
    QTemporaryDir elsewhere;
    const QString source = elsewhere.filePath(QStringLiteral("rapport.doc"));
    const QByteArray data = TestFiles::pattern(5000);
    TestFiles::write(source, data);
    const QString pieces = m_dir->filePath(QStringLiteral("pieces"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("pieces")));
    QVERIFY(QFile::link(source, pieces + QStringLiteral("/rapport.doc")));
    FakeEngineWindow window(pieces);
    window.m_onYield = [&](int piece) {
        if (piece == 2)
            QDir(pieces).removeRecursively();
    };
    CutFile(window, pieces + QStringLiteral("/rapport.doc"), 1);
    verifyCutError(window);
    QCOMPARE(TestFiles::read(source), data);
    QVERIFY(!QFileInfo::exists(pieces));
}

void TestCutFile::olderSetUpTo999()
{
    // An older set of 999 pieces: its pieces .001 to .099 go with the user's consent, the new
    // pieces replace their namesakes, and the others stay as they were.
    const QByteArray data = TestFiles::pattern(150 * 1024);
    TestFiles::write(path(QStringLiteral("rapport.doc")), data);
    for (int n = 1; n <= 999; ++n)
        TestFiles::write(path(QStringLiteral("rapport") + PieceSuffix(n)), "old");
    const auto window = cut(QStringLiteral("rapport.doc"), 1);
    QCOMPARE(window->m_messages.size(), 2);
    QVERIFY(window->m_messages.last().text.endsWith(QStringLiteral(" en 150 morceaux.")));
    QByteArray joined;
    for (int n = 1; n <= 150; ++n)
        joined += TestFiles::read(path(QStringLiteral("rapport") + PieceSuffix(n)));
    QCOMPARE(joined, "doc  150" + data);
    for (int n = 151; n <= 999; ++n)
        QCOMPARE(TestFiles::read(path(QStringLiteral("rapport") + PieceSuffix(n))),
                 QByteArray("old"));
}

void TestCutFile::fullDisk()
{
    const QByteArray data = TestFiles::pattern(10 * 1024);
    TestFiles::write(path(QStringLiteral("rapport.doc")), data);
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    // Each piece file may hold at most 2000 bytes: the first 1 KB pieces fit, a 4 KB one not.
    const QStringList lines = TestFiles::runInChild([this] {
        TestFiles::limitFileSize(2000);
        FakeEngineWindow window(m_dir->path());
        CutFile(window, path(QStringLiteral("rapport.doc")), 4);
        return window.messageLines();
    });
    QCOMPARE(lines, QStringList{QStringLiteral("Erreur|Erreur lors du découpage du fichier !")});
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

void TestCutFile::pieceCannotBeOpened()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(3000));
    const Snapshot before = TestFiles::snapshot(m_dir->path());
    // The source can be opened, the first piece not.
    const QStringList lines = TestFiles::runInChild([this] {
        TestFiles::limitOpenFiles(1);
        FakeEngineWindow window(m_dir->path());
        CutFile(window, path(QStringLiteral("rapport.doc")), 1);
        return window.messageLines();
    });
    QCOMPARE(lines, QStringList{QStringLiteral("Erreur|Erreur lors du découpage du fichier !")});
    QCOMPARE(TestFiles::snapshot(m_dir->path()), before);
}

QTEST_GUILESS_MAIN(TestCutFile)
#include "tst_cutfile.moc"
