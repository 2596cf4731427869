// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Rebuilding a file from its piece set.
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "FileIo.h"
#include "IgnoredFileSizeSignal.h"
#include "PieceHeader.h"

#include <QFile>
#include <QFileInfo>

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
    const IgnoredFileSizeSignal fileSizeLimitIsAFailure;
    // The header and the data of piece 1 come from the same file: the one named like piece 1.
    const QString firstPieceName = SplitPath(firstPiecePath, true);
    if (!firstPieceName.endsWith(PieceSuffix(1))) {
        window.showMessage(EngineTexts::wrongFileText, EngineTexts::wrongFileTitle,
                           MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    const QString pieceFolder = SplitPath(firstPiecePath, false);
    const QString baseName = firstPieceName.chopped(PieceSuffix(1).size());
    const std::optional<PieceHeader> header = readHeader(firstPiecePath);
    const QString restoredName = header ? RestoredName(baseName, header->extension) : QString();
    if (restoredName.isEmpty()) // no header, or a set of ".001" that names no file
        return reportError(window, EngineTexts::badHeader);
    if (FileEntry::exists(AddBackslash(window.currentFolder()) + restoredName))
        return reportDestinationExists(window);

    // Every piece must be there before anything is created: a missing one is reported, never
    // taken as empty.
    const auto piecePath = [&](int n) { return pieceFolder + baseName + PieceSuffix(n); };
    for (int n = 1; n <= header->pieceCount; ++n) {
        const QFileInfo info(piecePath(n));
        if (!info.isFile())
            return reportError(window, EngineTexts::missingPiece(info.fileName()));
    }

    // The file is written under a hidden name and takes its own only when it is whole and on
    // disk. What a restore that was killed left under that name is the program's own: it goes.
    const QString restoredPath = pieceFolder + restoredName;
    QFile restored(FileIo::temporaryPath(restoredPath));
    if (!FileIo::createNew(restored, QFileInfo(firstPiecePath).permissions()))
        return reportError(window, EngineTexts::restoreError);
    // A partly restored file never stays: stopped, it goes without a word; failed, with one.
    const auto abandon = [&](FileIo::Result result) {
        restored.close();
        QFile::remove(restored.fileName());
        if (result != FileIo::Result::Stopped)
            reportError(window, EngineTexts::restoreError);
    };

    for (int n = 1; n <= header->pieceCount; ++n) {
        QFile piece(piecePath(n));
        const bool opened = piece.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        window.yieldOnce(n, header->pieceCount);
        if (window.stopRequested())
            return abandon(FileIo::Result::Stopped);
        // A piece is read as long as it is when its turn comes.
        const FileIo::Result copied =
            opened ? FileIo::append(window, piece, headerLength(n), -1, restored)
                   : FileIo::Result::Failed;
        if (copied != FileIo::Result::Done)
            return abandon(copied);
    }
    restored.close();
    if (!FileIo::flush(restored.fileName()))
        return abandon(FileIo::Result::Failed);

    switch (FileIo::publish(restored.fileName(), restoredPath)) {
    case FileIo::Result::Done:
        break;
    case FileIo::Result::Exists:
        QFile::remove(restored.fileName());
        return reportDestinationExists(window);
    default:
        QFile::remove(restored.fileName());
        return reportError(window, EngineTexts::restoreError);
    }
    window.showMessage(EngineTexts::restoreDone, EngineTexts::informationTitle,
                       MessageIcon::Information, MessageButtons::Ok);
    window.refreshFileList();
}

} // namespace FctDecoup
