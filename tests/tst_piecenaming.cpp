// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Piece names, the piece header and the path helpers.
#include "FctDecoup.h"
#include "PieceHeader.h"
#include "TestFiles.h"
#include "WildcardPattern.h"

#include <QTemporaryDir>
#include <QTest>

using namespace FctDecoup;

class TestPieceNaming : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitPath_data();
    void splitPath();
    void addBackslash_data();
    void addBackslash();
    void pieceSuffix_data();
    void pieceSuffix();
    void nameParts_data();
    void nameParts();
    void encodeHeader_data();
    void encodeHeader();
    void decodeHeader_data();
    void decodeHeader();
    void wildcard_data();
    void wildcard();
    void fileExists();
};

void TestPieceNaming::splitPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::newRow("in a folder") << "C:\\Docs\\rapport.doc"
                                 << "rapport.doc"
                                 << "C:\\Docs\\";
    QTest::newRow("at the root") << "C:\\rapport.doc"
                                 << "rapport.doc"
                                 << "C:\\";
    QTest::newRow("bare name") << "rapport.doc"
                               << "rapport.doc"
                               << "";
    QTest::newRow("folder only") << "C:\\Docs\\"
                                 << ""
                                 << "C:\\Docs\\";
}

void TestPieceNaming::splitPath()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QCOMPARE(SplitPath(path, true, QLatin1Char('\\')), name);
    QCOMPARE(SplitPath(path, false, QLatin1Char('\\')), folder);
    // The platform's separator is the default.
    QString native = path;
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QCOMPARE(SplitPath(native, false),
             QString(folder).replace(QLatin1Char('\\'), QLatin1Char('/')));
}

void TestPieceNaming::addBackslash_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("result");
    QTest::newRow("added") << "C:\\Docs"
                           << "C:\\Docs\\";
    QTest::newRow("root unchanged") << "C:\\"
                                    << "C:\\";
    QTest::newRow("empty") << ""
                           << "\\";
}

void TestPieceNaming::addBackslash()
{
    QFETCH(QString, folder);
    QFETCH(QString, result);
    QCOMPARE(AddBackslash(folder, QLatin1Char('\\')), result);
    QCOMPARE(AddBackslash(QStringLiteral("/home/x")), QStringLiteral("/home/x/"));
    QCOMPARE(AddBackslash(QStringLiteral("/")), QStringLiteral("/"));
}

void TestPieceNaming::pieceSuffix_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("suffix");
    for (const auto &[n, s] : {std::pair{1, ".001"},
                               {9, ".009"},
                               {10, ".010"},
                               {99, ".099"},
                               {100, ".100"},
                               {999, ".999"}})
        QTest::newRow(s) << n << QString::fromLatin1(s);
}

void TestPieceNaming::pieceSuffix()
{
    QFETCH(int, n);
    QFETCH(QString, suffix);
    QCOMPARE(PieceSuffix(n), suffix);
}

void TestPieceNaming::nameParts_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("hasBase");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("extension");
    QTest::newRow("three-letter extension") << "rapport.doc" << true << "rapport"
                                            << "doc";
    QTest::newRow("longer extension keeps a point") << "photo.jpeg" << true << "photo."
                                                    << "peg";
    QTest::newRow("no extension") << "LISEZMOI" << true << "LISE"
                                  << "MOI";
    QTest::newRow("empty base") << "a.bc" << true << ""
                                << ".bc";
    QTest::newRow("three characters") << "abc" << false << ""
                                      << "abc";
    QTest::newRow("accented extension") << "été.déjà" << true << "été."
                                        << "éjà";
    // e followed by a combining accent is one character, as is a character beyond 16 bits.
    QTest::newRow("combining accent")
        << QStringLiteral("note.ce\u0301e") << true << "note" << QStringLiteral("ce\u0301e");
    QTest::newRow("surrogate pair")
        << QStringLiteral("x.a\U0001F600b") << true << "x" << QStringLiteral("a\U0001F600b");
}

void TestPieceNaming::nameParts()
{
    QFETCH(QString, fileName);
    QFETCH(bool, hasBase);
    QFETCH(QString, base);
    QFETCH(QString, extension);
    QCOMPARE(BaseName(fileName).has_value(), hasBase);
    if (hasBase)
        QCOMPARE(*BaseName(fileName), base);
    QCOMPARE(ExtensionText(fileName), extension);
}

void TestPieceNaming::encodeHeader_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("5 pieces") << "doc" << 5 << QByteArray("doc  005");
    QTest::newRow("42 pieces") << "doc" << 42 << QByteArray("doc  042");
    QTest::newRow("150 pieces") << "doc" << 150 << QByteArray("doc  150");
    QTest::newRow("999 pieces") << "bin" << 999 << QByteArray("bin  999");
    QTest::newRow("Latin-1 letters") << "éàç" << 1 << QByteArray("\xE9\xE0\xE7  001");
    QTest::newRow("Windows-1252 letters") << "€œŸ" << 1 << QByteArray("\x80\x9C\x9F  001");
    QTest::newRow("combining accent composes") << QStringLiteral("ce\u0301e") << 1
                                               << QByteArray("c\xE9"
                                                             "e  001");
    QTest::newRow("outside the code page")
        << QStringLiteral("a日\U0001F600") << 1 << QByteArray("a??  001");
    QTest::newRow("refused by a restore") << QStringLiteral("a\\\t") << 1 << QByteArray("a??  001");
}

void TestPieceNaming::encodeHeader()
{
    QFETCH(QString, extension);
    QFETCH(int, count);
    QFETCH(QByteArray, header);
    QCOMPARE(PieceHeader::encode(extension, count), header);
}

void TestPieceNaming::decodeHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("count");
    QTest::newRow("written by a cut") << QByteArray("doc  005rest") << true << "doc" << 5;
    QTest::newRow("999") << QByteArray("txt  999") << true << "txt" << 999;
    QTest::newRow("fourth byte kept") << QByteArray("docx 012") << true << "docx" << 12;
    QTest::newRow("trailing spaces go") << QByteArray("d    001") << true << "d" << 1;
    QTest::newRow("blank extension") << QByteArray("     001") << true << "" << 1;
    QTest::newRow("Windows-1252") << QByteArray("\xE9t\x80  001") << true << "ét€" << 1;
    QTest::newRow("seven bytes") << QByteArray("doc  00") << false << "" << 0;
    QTest::newRow("empty") << QByteArray() << false << "" << 0;
    QTest::newRow("letters in the count") << QByteArray("doc  0a5") << false << "" << 0;
    QTest::newRow("sign in the count") << QByteArray("doc  -05") << false << "" << 0;
    QTest::newRow("blank in the count") << QByteArray("doc   05") << false << "" << 0;
    QTest::newRow("zero pieces") << QByteArray("doc  000") << false << "" << 0;
    QTest::newRow("slash") << QByteArray("../  001") << false << "" << 0;
    QTest::newRow("backslash") << QByteArray("..\\  001") << false << "" << 0;
    QTest::newRow("NUL") << QByteArray("d\0c  001", 8) << false << "" << 0;
    QTest::newRow("line feed") << QByteArray("d\nc  001") << false << "" << 0;
    QTest::newRow("undefined byte") << QByteArray("d\x81"
                                                  "c  001")
                                    << false << "" << 0;
}

void TestPieceNaming::decodeHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(QString, extension);
    QFETCH(int, count);
    const std::optional<PieceHeader> header = PieceHeader::decode(bytes);
    QCOMPARE(header.has_value(), valid);
    if (valid) {
        QCOMPARE(header->extension, extension);
        QCOMPARE(header->pieceCount, count);
    }
}

void TestPieceNaming::wildcard_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::newRow("*.* without a point") << "*.*"
                                         << "LISEZMOI" << true;
    QTest::newRow("*.* with a point") << "*.*"
                                      << "a.b" << true;
    QTest::newRow("star and suffix") << "*.txt"
                                     << "notes.txt" << true;
    QTest::newRow("star and other suffix") << "*.txt"
                                           << "notes.txt.bak" << false;
    QTest::newRow("question mark") << "rapport.00?"
                                   << "rapport.003" << true;
    QTest::newRow("question mark needs a character") << "rapport.00?"
                                                     << "rapport.00" << false;
    QTest::newRow("backtracking") << "*a*b"
                                  << "xaxxab" << true;
    QTest::newRow("bracket is literal") << "[ab].txt"
                                        << "a.txt" << false;
    QTest::newRow("bracket matches itself") << "[ab].txt"
                                            << "[ab].txt" << true;
    QTest::newRow("case") << "*.TXT"
                          << "a.txt" << false;
    QTest::newRow("empty pattern") << ""
                                   << "a" << false;
}

void TestPieceNaming::wildcard()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(WildcardPattern(pattern, Qt::CaseSensitive).matches(name), matches);
    QVERIFY(WildcardPattern(QStringLiteral("*.TXT"), Qt::CaseInsensitive)
                .matches(QStringLiteral("a.txt")));
}

void TestPieceNaming::fileExists()
{
    QTemporaryDir dir;
    const QString d = dir.path() + QLatin1Char('/');
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.001")));
    TestFiles::write(d + QStringLiteral(".hidden.001"), "x");
    QVERIFY(!FileExists(d + QStringLiteral("folder.001")));
    QVERIFY(!FileExists(d + QStringLiteral(".hidden.001")));
    QVERIFY(!FileExists(d + QStringLiteral("rapport.0*")));
    TestFiles::write(d + QStringLiteral("rapport.042"), "x");
    QVERIFY(FileExists(d + QStringLiteral("rapport.0*")));
    QVERIFY(FileExists(d + QStringLiteral("rapport.04?")));
    QVERIFY(FileExists(d + QStringLiteral("rapport.042")));
    QVERIFY(!FileExists(d + QStringLiteral("rapport.1*")));
    QVERIFY(!FileExists(d + QStringLiteral("missing")));
}

QTEST_GUILESS_MAIN(TestPieceNaming)
#include "tst_piecenaming.moc"
