// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The little the piece-set engine needs of the window it runs under. The main window runs the
// engine on a worker that implements it across threads (window/EngineWorker.h); the tests and
// fendrax-bench implement it on the engine's own thread. The engine writes where it is told, or
// beside the file it is given, and needs no folder of the window's.
#pragma once

#include <QString>

#include <optional>

enum class MessageIcon { Information, Question, Exclamation };
enum class MessageButtons { Ok, OkCancel }; // with OkCancel, Cancel is the default button
enum class MessageAnswer { Ok, Cancel };
// What an operation writes into the folder it is given: a cut's pieces, a restore's file.
enum class Output { Pieces, RestoredFile };

// How far an operation is: at piece `piece` of `pieceCount`, `moved` of its `total` data bytes.
struct Progress
{
    int piece = 0;
    int pieceCount = 0;
    qint64 moved = 0;
    qint64 total = 0;
};

class EngineWindow
{
public:
    virtual ~EngineWindow() = default;

    // A modal message box; returns the button pressed (closing the box counts as Cancel).
    virtual MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon icon,
                                      MessageButtons buttons) = 0;
    // Lists the file list's folder again, after the engine wrote or removed files.
    virtual void refreshFileList() = 0;
    // How far the operation is: once per piece before its data moves, between two blocks of a
    // long piece, and once all is copied, before the flushes wait for the disk.
    virtual void reportProgress(const Progress &progress) = 0;
    // Checked after each report: when true the engine closes its files, undoes its unfinished
    // output and returns without a message (the program is ending).
    virtual bool stopRequested() const = 0;
    // The folder beside the source or the set, where the output goes unless told otherwise,
    // cannot take it (read-only, not the room): the folder that the user chooses instead, or
    // none when the user cancels, and then nothing is written. Where no one can be asked, an
    // empty one: the engine then says why the output cannot go there.
    virtual std::optional<QString> chooseFolder(Output) { return QString(); }
};
