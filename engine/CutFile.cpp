// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Cutting a file into a piece set.
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "PieceHeader.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <limits>
#include <memory>

namespace {

using namespace FctDecoup;

void reportFailure(EngineWindow &window)
{
    window.showMessage(EngineTexts::cutError, EngineTexts::errorTitle, MessageIcon::Exclamation,
                       MessageButtons::Ok);
}

// Data bytes per piece for a size in kilobytes, rounded half to even; none when the size gives
// no block at all or one past what a single read may move.
std::optional<qint64> blockLength(double sizeKb)
{
    const double bytes = std::nearbyint(sizeKb * 1024.0);
    if (!std::isfinite(bytes) || bytes < 1 || bytes > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint64>(bytes);
}

// All or nothing: every regular file whose name begins with baseName + ".0" is checked before
// the first removal, and none may be the source or read-only. The name is compared literally:
// a base name may hold *, ? or [.
bool removeEarlierSet(const QString &folder, const QString &baseName, const QString &sourcePath)
{
    const QString prefix = baseName + QStringLiteral(".0");
    QStringList doomed;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!it.fileName().startsWith(prefix))
            continue;
        if (FileEntry::isSameFile(sourcePath, path) || FileEntry::isReadOnly(path))
            return false;
        doomed.append(path);
    }
    if (!doomed.isEmpty() && !QFileInfo(folder).isWritable())
        return false;
    for (const QString &path : std::as_const(doomed)) {
        if (!QFile::remove(path))
            return false;
    }
    return true;
}

// A piece is always a new file: whatever holds its name (an older piece, a link) is removed
// first, so that nothing is written through a link and no older byte stays behind the new ones.
bool createPiece(QFile &piece)
{
    const QFileInfo info(piece.fileName());
    if (info.isDir() && !info.isSymLink())
        return false;
    if (FileEntry::exists(piece.fileName()) && !QFile::remove(piece.fileName()))
        return false;
    return piece.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
}

void removeFiles(const QStringList &paths)
{
    for (const QString &path : paths)
        QFile::remove(path);
}

} // namespace

namespace FctDecoup {

void CutFile(EngineWindow &window, const QString &sourcePath, double sizeKb)
{
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        // A source that vanished since the list showed it ends quietly.
        if (FileEntry::exists(sourcePath))
            reportFailure(window);
        return;
    }
    const qint64 length = source.size();
    if (length == 0)
        return;

    const QString fileName = SplitPath(sourcePath, true);
    const std::optional<QString> baseName = BaseName(fileName);
    if (!baseName)
        return reportFailure(window);
    const QString pieceFolder = SplitPath(sourcePath, false);
    const auto piecePath = [&](int n) { return pieceFolder + *baseName + PieceSuffix(n); };

    // What can be known of the new set is checked before anything is asked or removed. A size
    // that gives no block is reported later, after the question, like any failure of the cut.
    const std::optional<qint64> block = blockLength(sizeKb);
    int pieceCount = 0;
    if (block) {
        const qint64 count = (length + *block - 1) / *block;
        if (count > maxPieceCount) {
            window.showMessage(EngineTexts::tooManyPieces, EngineTexts::errorTitle,
                               MessageIcon::Exclamation, MessageButtons::Ok);
            return;
        }
        pieceCount = static_cast<int>(count);
        for (int n = 1; n <= pieceCount; ++n) {
            if (FileEntry::isSameFile(sourcePath, piecePath(n)))
                return reportFailure(window);
        }
    }

    const QString setFolder = AddBackslash(window.currentFolder());
    if (QFileInfo(setFolder + *baseName + PieceSuffix(1)).isFile()) {
        const MessageAnswer answer = window.showMessage(
            EngineTexts::earlierSetQuestion, EngineTexts::earlierSetTitle(*baseName),
            MessageIcon::Question, MessageButtons::OkCancel);
        if (answer != MessageAnswer::Ok) {
            source.close();
            window.refreshFileList();
            return;
        }
        if (!removeEarlierSet(setFolder, *baseName, sourcePath))
            return reportFailure(window);
        window.refreshFileList();
    }
    if (!block)
        return reportFailure(window);

    // One buffer of one piece, reused: memory follows the piece size, not the source size.
    const qint64 bufferLength = std::min(*block, length);
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferLength]);
    if (!buffer)
        return reportFailure(window);
    const QByteArray header = PieceHeader::encode(ExtensionText(fileName), pieceCount);

    // The pieces of an unfinished set are useless, and a short last piece would restore into a
    // truncated file without a word: they go when the cut fails or is stopped.
    QStringList created;
    qint64 remaining = length;
    for (int n = 1; n <= pieceCount; ++n) {
        QFile piece(piecePath(n));
        if (!createPiece(piece)) {
            removeFiles(created);
            return reportFailure(window);
        }
        created.append(piece.fileName());
        window.yieldOnce(n, pieceCount);
        if (window.stopRequested()) {
            piece.close();
            removeFiles(created);
            return;
        }
        const qint64 chunk = std::min(*block, remaining);
        const bool written = (n > 1 || piece.write(header) == header.size())
                             && source.read(buffer.get(), chunk) == chunk
                             && piece.write(buffer.get(), chunk) == chunk;
        FileEntry::startWriteBack(piece);
        piece.close();
        if (!written || piece.error() != QFileDevice::NoError) {
            removeFiles(created);
            return reportFailure(window);
        }
        remaining -= chunk;
    }
    source.close();

    window.showMessage(EngineTexts::cutDone(QString::fromLatin1(header.right(3))),
                       EngineTexts::informationTitle, MessageIcon::Information, MessageButtons::Ok);
    window.refreshFileList();
}

} // namespace FctDecoup
