// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// A source past the signed 32-bit limit, cut and restored byte for byte. The source is sparse,
// so making it is quick, with marks around the 2 GiB boundary so that a misplaced byte shows.
#include "FakeEngineWindow.h"
#include "FctDecoup.h"
#include "TestFiles.h"

#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace FctDecoup;

class TestLargeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pastTwoGibibytes();
};

void TestLargeFile::pastTwoGibibytes()
{
    constexpr qint64 length = (qint64(2) << 30) + (1 << 20) + 3;
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/fendrax-large-XXXXXX"));
    QVERIFY(dir.isValid());
    const qint64 available = QStorageInfo(dir.path()).bytesAvailable();
    if (available < 3 * length)
        QSKIP(qPrintable(QStringLiteral("needs %1 MiB free for the pieces and the restored file, "
                                        "the disk has %2 MiB")
                             .arg(3 * length >> 20)
                             .arg(available >> 20)));
    const QString source = dir.filePath(QStringLiteral("large.bin"));
    const QList<qint64> marks = {0, (qint64(1) << 31) - 5, qint64(1) << 31, length - 4};
    {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(length));
        for (qint64 offset : marks) {
            QVERIFY(file.seek(offset));
            QCOMPARE(file.write(TestFiles::pattern(4, int(offset % 1000))), 4);
        }
    }

    FakeEngineWindow window(dir.path());
    CutFile(window, source, 2800);
    QCOMPARE(window.m_messages.size(), 1);
    const qint64 block = 2800 * 1024;
    const int count = int((length + block - 1) / block);
    QCOMPARE(window.m_messages.first().text.right(16),
             QStringLiteral("en %1 morceaux.").arg(count, 3, 10, QLatin1Char('0')));
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("large") + PieceSuffix(count))).size(),
             length - (count - 1) * block);

    const QString original = dir.filePath(QStringLiteral("original.bin"));
    QVERIFY(QFile::rename(source, original));
    FakeEngineWindow restoreWindow(dir.path());
    RestoreFile(restoreWindow, dir.filePath(QStringLiteral("large.001")));
    QCOMPARE(restoreWindow.m_messages.first().title, QStringLiteral("Information"));

    QFile a(original), b(source);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(b.size(), length);
    for (qint64 offset = 0; offset < length; offset += 64 << 20)
        QVERIFY2(a.read(64 << 20) == b.read(64 << 20), qPrintable(QString::number(offset)));
}

QTEST_GUILESS_MAIN(TestLargeFile)
#include "tst_largefile.moc"
