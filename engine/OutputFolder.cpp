// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "OutputFolder.h"
#include "EngineTexts.h"
#include "FctDecoup.h"

namespace OutputFolder {

Settled settle(EngineWindow &window, Output output, const QString &destination,
               const QString &beside,
               const std::function<std::optional<Destination::Refusal>(const QString &)> &refusalOf)
{
    QString folder = FctDecoup::AddBackslash(destination.isEmpty() ? beside : destination);
    std::optional<Destination::Refusal> refused = refusalOf(folder);
    if (refused && destination.isEmpty()) {
        const std::optional<QString> other = window.chooseFolder(output);
        if (!other)
            return {};
        if (!other->isEmpty()) {
            folder = FctDecoup::AddBackslash(*other);
            refused = refusalOf(folder);
        }
    }
    if (!refused)
        return {folder, {}, {}, std::nullopt};
    return {std::nullopt,
            refused->error     ? EngineTexts::cause(refused->error, folder)
            : refused->tooLong ? EngineTexts::tooLargeForFat(folder, refused->tooLong)
                               : EngineTexts::noRoom(folder, refused->needed, refused->free),
            folder, refused};
}

} // namespace OutputFolder
