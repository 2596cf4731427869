// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Fuzzes RestoreFile with piece sets made from the input: any header, pieces present, missing
// or replaced by folders and links, neighbours of any name. After each run: nothing changed
// outside the folder, no entry of the folder changed, and a restored file, when one is made,
// is exactly what the format defines: piece 1 past its header, then pieces 2 to N.
#include "FakeEngineWindow.h"
#include "FctDecoup.h"
#include "FuzzFolder.h"
#include "FuzzInput.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>

using namespace FctDecoup;

namespace {

// The count field as the format defines it, read independently of the engine.
int countField(const QByteArray &firstPiece)
{
    if (firstPiece.size() < 8)
        return -1;
    int count = 0;
    for (int i = 5; i < 8; ++i) {
        if (firstPiece[i] < '0' || firstPiece[i] > '9')
            return -1;
        count = count * 10 + (firstPiece[i] - '0');
    }
    return count;
}

void makeEntry(FuzzFolder &folder, FuzzInput &in, const QString &path, const QByteArray &content)
{
    switch (in.byte() % 8) {
    case 0:
        QDir().mkdir(path);
        break;
    case 1:
        break; // missing
    case 2:
        QFile::link(folder.outside() + QStringLiteral("precious"), path);
        break;
    case 3:
        QFile::link(folder.set() + QStringLiteral("nowhere"), path);
        break;
    default:
        FuzzFolder::write(path, content);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static FuzzFolder folder;
    folder.reset();
    FuzzInput in(data, size);

    QString base;
    switch (in.byte() % 3) {
    case 0:
        base = QStringLiteral("rapport");
        break;
    case 1:
        break; // an empty base name: hidden pieces
    default:
        base = in.name();
    }
    QByteArray header;
    if (in.byte() % 2)
        header = in.bytes(8);
    else
        header = in.bytes(3).leftJustified(3, 'x') + "  "
                 + QByteArray::number(1 + in.byte() % 12).rightJustified(3, '0');
    const int pieces = in.byte() % 14;
    for (int n = 1; n <= pieces; ++n) {
        const QByteArray content = in.bytes(in.byte() % 48);
        makeEntry(folder, in, folder.set() + base + PieceSuffix(n),
                  n == 1 ? header + content : content);
    }
    for (int extras = in.byte() % 4; extras > 0; --extras) {
        const QString name = in.name();
        makeEntry(folder, in, folder.set() + name, in.bytes(in.byte() % 16));
    }
    const QString firstName = in.byte() % 4 == 0 ? in.name() : base + PieceSuffix(1);

    FakeEngineWindow window(folder.set());
    if (in.byte() % 6 == 0)
        window.m_stopAfterYields = 1 + in.byte() % 3;
    const QMap<QString, QByteArray> before = TestFiles::snapshot(folder.set());
    RestoreFile(window, folder.set() + firstName);
    const QMap<QString, QByteArray> after = TestFiles::snapshot(folder.set());

    folder.verifyOutsideUntouched();
    QStringList added;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key()))
            added.append(it.key());
        else if (before[it.key()] != it.value())
            FuzzFolder::fail(QStringLiteral("the restore changed ") + it.key());
    }
    for (const QString &name : before.keys()) {
        if (!after.contains(name))
            FuzzFolder::fail(QStringLiteral("the restore removed ") + name);
    }

    const bool done =
        !window.m_messages.isEmpty()
        && window.m_messages.last().text == QStringLiteral("Restitution des fichiers terminée.");
    if (window.m_messages.size() > 1
        || (window.m_stopAfterYields == 0 && window.m_messages.isEmpty()))
        FuzzFolder::fail(QStringLiteral("the restore did not end with exactly one message"));
    if (window.m_refreshes != (done ? 1 : 0))
        FuzzFolder::fail(QStringLiteral("refreshes"));
    if (!done) {
        if (!added.isEmpty())
            FuzzFolder::fail(QStringLiteral("a failed restore left ")
                             + added.join(QLatin1Char(',')));
        return 0;
    }
    if (added.size() != 1)
        FuzzFolder::fail(QStringLiteral("a restore made %1 files").arg(added.size()));

    const QString pieceBase = *BaseName(firstName);
    const QByteArray first = TestFiles::read(folder.set() + pieceBase + PieceSuffix(1));
    const int count = countField(TestFiles::read(folder.set() + firstName));
    if (count < 1 || !added.first().startsWith(pieceBase + QLatin1Char('.')))
        FuzzFolder::fail(QStringLiteral("restored %1 from a bad header").arg(added.first()));
    QByteArray expected = first.mid(8);
    for (int n = 2; n <= count; ++n)
        expected += TestFiles::read(folder.set() + pieceBase + PieceSuffix(n));
    if (after[added.first()] != expected)
        FuzzFolder::fail(QStringLiteral("restored bytes differ from the pieces"));
    return 0;
}
