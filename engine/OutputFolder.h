// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Where an operation's output goes: the folder the caller gave, else the one beside its input;
// when that one cannot take the output, the one the user chooses instead.
#pragma once

#include "Destination.h"
#include "EngineWindow.h"

#include <functional>

namespace OutputFolder {

struct Settled
{
    std::optional<QString> folder; // with its separator; none when the output cannot go there
    QString why;                   // then why; empty when the user chose no folder
    // The folder that refused it, and why: a want of room may be made up by other media.
    QString refusedFolder;
    std::optional<Destination::Refusal> refusal;
};

// refusalOf: why a folder cannot take the output, if it cannot.
Settled
settle(EngineWindow &window, Output output, const QString &destination, const QString &beside,
       const std::function<std::optional<Destination::Refusal>(const QString &)> &refusalOf);

} // namespace OutputFolder
