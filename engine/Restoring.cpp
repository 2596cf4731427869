// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Restoring.h"
#include "Destination.h"
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "FileIo.h"
#include "PieceHeader.h"
#include "UnfinishedOutput.h"

#include <QFile>

namespace Restoring {

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

bool abandon(EngineWindow &window, QFile &restored, UnfinishedOutput &output, const QString &text,
             const QString &concerned)
{
    const int error = errno;
    restored.close();
    output.remove();
    if (!text.isEmpty())
        reportError(window, EngineTexts::withCause(text, concerned.isEmpty()
                                                             ? QString()
                                                             : EngineTexts::cause(error, concerned)));
    return false;
}

// The folder that a restored file of length bytes goes into: destination when the caller gave
// one, else the set's folder, or, when that cannot take it, the one the user chooses. The one
// chosen is kept in destination: a restore that the mend takes over asks no second time. None
// when the file cannot go there (said) or the user chose none.
std::optional<QString> settleFolder(EngineWindow &window, QString &destination,
                                    const QString &setFolder, const QString &restoredName,
                                    qint64 length)
{
    QString folder = AddBackslash(destination.isEmpty() ? setFolder : destination);
    std::optional<Destination::Refusal> refused = Destination::refusal(folder, {length}, 0);
    if (refused && destination.isEmpty()) {
        const std::optional<QString> other = window.chooseFolder(Output::RestoredFile);
        if (!other)
            return std::nullopt;
        if (!other->isEmpty()) {
            folder = AddBackslash(*other);
            refused = Destination::refusal(folder, {length}, 0);
        }
    }
    destination = folder;
    if (refused) {
        reportError(window, EngineTexts::withCause(
                                EngineTexts::restoreError,
                                refused->error     ? EngineTexts::cause(refused->error, folder)
                                : refused->tooLong ? EngineTexts::tooLargeForFat(folder, refused->tooLong)
                                                   : EngineTexts::noRoom(folder, refused->needed,
                                                                         refused->free)));
        return std::nullopt;
    }
    if (FileEntry::exists(folder + restoredName)) {
        reportDestinationExists(window);
        return std::nullopt;
    }
    return folder;
}

bool publishRestored(EngineWindow &window, QFile &restored, UnfinishedOutput &output,
                     const QString &path)
{
    switch (FileIo::publish(restored.fileName(), path)) {
    case FileIo::Result::Done:
        output.keep();
        return true;
    case FileIo::Result::Exists:
        output.remove();
        reportDestinationExists(window);
        return false;
    default:
        return abandon(window, restored, output, EngineTexts::restoreError, path);
    }
}

qint64 headerLength(int n)
{
    return n == 1 ? PieceHeader::size : 0;
}

} // namespace Restoring
