// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Rebuilding a file from its piece set.
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "PieceHeader.h"

#include <QFile>
#include <QFileInfo>

#include <limits>
#include <memory>

namespace {

using namespace FctDecoup;

void reportError(EngineWindow &window, const QString &text)
{
    window.showMessage(text, EngineTexts::errorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
}

void reportDestinationExists(EngineWindow &window)
{
    window.showMessage(EngineTexts::destinationExists, EngineTexts::warningTitle,
                       MessageIcon::Exclamation, MessageButtons::Ok);
}

std::optional<PieceHeader> readHeader(const QString &firstPiecePath)
{
    QFile first(firstPiecePath);
    if (!first.open(QIODevice::ReadOnly))
        return std::nullopt;
    return PieceHeader::decode(first.read(PieceHeader::size));
}

qint64 headerLength(int n)
{
    return n == 1 ? PieceHeader::size : 0;
}

} // namespace

namespace FctDecoup {

void RestoreFile(EngineWindow &window, const QString &firstPiecePath)
{
    const QString pieceFolder = SplitPath(firstPiecePath, false);
    const std::optional<QString> baseName = BaseName(SplitPath(firstPiecePath, true));
    const std::optional<PieceHeader> header = baseName ? readHeader(firstPiecePath) : std::nullopt;
    if (!header)
        return reportError(window, EngineTexts::badHeader);
    const QString restoredName = *baseName + QLatin1Char('.') + header->extension;
    if (FileEntry::exists(AddBackslash(window.currentFolder()) + restoredName))
        return reportDestinationExists(window);

    // Every piece must be there before anything is created: a missing one is reported, never
    // taken as empty. The largest piece sets the one buffer that all of them share.
    const auto piecePath = [&](int n) { return pieceFolder + *baseName + PieceSuffix(n); };
    qint64 largest = 0;
    for (int n = 1; n <= header->pieceCount; ++n) {
        const QFileInfo info(piecePath(n));
        if (!info.isFile())
            return reportError(window, EngineTexts::missingPiece(info.fileName()));
        const qint64 dataLength = info.size() - headerLength(n);
        if (dataLength < 0)
            return reportError(window, EngineTexts::badHeader);
        if (dataLength > std::numeric_limits<qint32>::max())
            return reportError(window, EngineTexts::restoreError);
        largest = std::max(largest, dataLength);
    }
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[std::max<qint64>(largest, 1)]);
    if (!buffer)
        return reportError(window, EngineTexts::restoreError);

    // Created exclusively: a file that appeared since the test above is never overwritten.
    QFile restored(pieceFolder + restoredName);
    if (!restored.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        if (FileEntry::exists(restored.fileName()))
            return reportDestinationExists(window);
        return reportError(window, EngineTexts::restoreError);
    }
    // A partly restored file must never pass for the whole one.
    const auto abandon = [&restored] {
        restored.close();
        QFile::remove(restored.fileName());
    };

    for (int n = 1; n <= header->pieceCount; ++n) {
        QFile piece(piecePath(n));
        const bool opened = piece.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        const qint64 dataLength = piece.size() - headerLength(n);
        window.yieldOnce(n, header->pieceCount);
        if (window.stopRequested()) {
            abandon();
            return;
        }
        // The piece may have changed since it was checked: never read past the buffer.
        const bool copied = opened && dataLength >= 0 && dataLength <= largest
                            && piece.seek(headerLength(n))
                            && piece.read(buffer.get(), dataLength) == dataLength
                            && restored.write(buffer.get(), dataLength) == dataLength;
        if (!copied) {
            abandon();
            return reportError(window, EngineTexts::restoreError);
        }
        FileEntry::startWriteBack(restored);
    }
    restored.close();
    if (restored.error() != QFileDevice::NoError) {
        QFile::remove(restored.fileName());
        return reportError(window, EngineTexts::restoreError);
    }

    window.showMessage(EngineTexts::restoreDone, EngineTexts::informationTitle,
                       MessageIcon::Information, MessageButtons::Ok);
    window.refreshFileList();
}

} // namespace FctDecoup
