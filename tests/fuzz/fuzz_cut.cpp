// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Fuzzes CutFile with any source name and length, any size, either answer to the question,
// and neighbours of any name and kind (read-only files, folders, links, a hard link to the
// source). After each run: the source is byte for byte the same, nothing changed outside the
// folder, only pieces of the new set were written, only the earlier set that the user agreed
// to remove was removed, and a completed set holds the source exactly.
#include "FakeEngineWindow.h"
#include "FctDecoup.h"
#include "FuzzFolder.h"
#include "FuzzInput.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <limits>

#include <unistd.h>

using namespace FctDecoup;

namespace {

double sizeFrom(FuzzInput &in)
{
    switch (in.byte() % 8) {
    case 0:
        return 0;
    case 1:
        return -1;
    case 2:
        return std::nan("");
    case 3:
        return std::numeric_limits<double>::infinity();
    case 4:
        return in.number();
    case 5:
        return (1 + in.byte()) / 1024.0;
    case 6:
        return (in.byte() + 0.5) / 1024.0; // halfway between two byte counts
    default:
        return 1 + in.byte() % 4;
    }
}

QString neighbourName(FuzzInput &in, const QString &base)
{
    switch (in.byte() % 3) {
    case 0:
        return base + QStringLiteral(".0") + in.name();
    case 1:
        return base + PieceSuffix(1 + in.byte() % 20);
    default:
        return in.name();
    }
}

void makeNeighbour(FuzzFolder &folder, FuzzInput &in, const QString &path, const QString &source)
{
    if (QFile::exists(path) || QFileInfo(path).isSymLink())
        return;
    switch (in.byte() % 7) {
    case 0:
        QDir().mkdir(path);
        break;
    case 1:
        FuzzFolder::write(path, in.bytes(in.byte() % 16));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
        break;
    case 2:
        QFile::link(folder.outside() + QStringLiteral("precious"), path);
        break;
    case 3:
        QFile::link(source, path);
        break;
    case 4:
        ::link(QFile::encodeName(source).constData(), QFile::encodeName(path).constData());
        break;
    default:
        FuzzFolder::write(path, in.bytes(in.byte() % 16));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static FuzzFolder folder;
    folder.reset();
    FuzzInput in(data, size);

    const QString name = in.name();
    const QString source = folder.set() + name;
    const QByteArray content = TestFiles::pattern(in.byte() * 16 + in.byte() % 16, in.byte());
    FuzzFolder::write(source, content);
    const double sizeKb = sizeFrom(in);
    const std::optional<QString> base = BaseName(name);
    for (int neighbours = in.byte() % 6; neighbours > 0; --neighbours) {
        const QString neighbour = neighbourName(in, base.value_or(name));
        makeNeighbour(folder, in, folder.set() + neighbour, source);
    }

    FakeEngineWindow window(folder.set());
    window.m_questionAnswer = in.byte() % 2 ? MessageAnswer::Ok : MessageAnswer::Cancel;
    if (in.byte() % 6 == 0)
        window.m_stopAfterYields = 1 + in.byte() % 3;
    const QMap<QString, QByteArray> before = TestFiles::snapshot(folder.set());
    CutFile(window, source, sizeKb);
    const QMap<QString, QByteArray> after = TestFiles::snapshot(folder.set());

    folder.verifyOutsideUntouched();
    if (TestFiles::read(source) != content || QFileInfo(source).isSymLink())
        FuzzFolder::fail(QStringLiteral("the source changed"));

    const bool asked = !window.m_messages.isEmpty()
                       && window.m_messages.first().buttons == MessageButtons::OkCancel;
    const bool removalAllowed = asked && window.m_questionAnswer == MessageAnswer::Ok;
    // The set that the cut may write: entries under these names may be replaced, even when the
    // cut fails later on (a piece is always created afresh).
    const double block = std::nearbyint(sizeKb * 1024.0);
    const qint64 planned = block >= 1 && block <= std::numeric_limits<qint32>::max()
                               ? (content.size() + qint64(block) - 1) / qint64(block)
                               : 0;
    int count = 0;
    const QString doneText = QStringLiteral("Découpage du fichier terminé.\rFichier découpé en ");
    if (!window.m_messages.isEmpty() && window.m_messages.last().text.startsWith(doneText))
        count = window.m_messages.last().text.mid(doneText.size(), 3).toInt();
    if (count > maxPieceCount || (count > 0 && (!base || count != planned)))
        FuzzFolder::fail(QStringLiteral("a completed cut of %1 pieces").arg(count));

    const auto isNewPiece = [&](const QString &entry) {
        for (int n = 1; base && n <= std::min<qint64>(planned, maxPieceCount); ++n) {
            if (entry == *base + PieceSuffix(n))
                return true;
        }
        return false;
    };
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const bool earlierSet = base && it.key().startsWith(*base + QStringLiteral(".0"));
        if (it.key() == name || isNewPiece(it.key()))
            continue;
        if (!after.contains(it.key())) {
            if (!(removalAllowed && earlierSet))
                FuzzFolder::fail(QStringLiteral("the cut removed ") + it.key());
        } else if (after[it.key()] != it.value()) {
            FuzzFolder::fail(QStringLiteral("the cut changed ") + it.key());
        }
    }
    for (const QString &entry : after.keys()) {
        if (!before.contains(entry) && (count == 0 || !isNewPiece(entry)))
            FuzzFolder::fail(QStringLiteral("the cut left ") + entry);
    }
    if (count == 0)
        return 0;

    QByteArray joined;
    for (int n = 1; n <= count; ++n) {
        const QString piece = folder.set() + *base + PieceSuffix(n);
        if (QFileInfo(piece).isSymLink() || !QFileInfo(piece).isFile())
            FuzzFolder::fail(QStringLiteral("piece %1 is no plain file").arg(n));
        joined += TestFiles::read(piece);
    }
    const QByteArray countField = QByteArray::number(count).rightJustified(3, '0');
    if (joined.mid(3, 5) != "  " + countField || joined.mid(8) != content)
        FuzzFolder::fail(QStringLiteral("the pieces do not hold the source"));
    return 0;
}
