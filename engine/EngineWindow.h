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

// A set that goes onto, or comes from, one medium after another asks for each next medium.
struct MediumRequest
{
    enum class Kind {
        // The cut has filled the media it had: written says what they hold, remaining how many
        // of the set's files are left and their bytes.
        Cut,
        // The restore needs the medium that holds the piece named piece.
        Restore,
    };
    Kind kind = Kind::Cut;
    QString text;      // what the engine says of it: what is written and what remains, or
                       // the piece wanted
    int remaining = 0; // files still to write
    qint64 remainingBytes = 0;
    QString piece;      // the piece looked for; none: any medium with more recovery volumes,
                        // and Lost says there is none
    QString lastFolder; // the medium's folder last used: a drive whose medium is swapped keeps it
};
struct MediumAnswer
{
    // Folder: the next medium is there. Lost: the medium that holds the piece is lost (a restore
    // only). Cancel: the operation stops there.
    enum class Kind { Folder, Lost, Cancel };
    Kind kind = Kind::Cancel;
    QString folder;
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
    // Whether the user can be asked for media. Where no one can, a cut that the media given cannot
    // take is refused before it begins, and a restore finds the pieces of no folder given missing.
    virtual bool asksForMedia() const { return false; }
    // The next medium of a set across media, as the user answers.
    virtual MediumAnswer nextMedium(const MediumRequest &) { return {}; }
    // The folder chosen (or the source's) cannot take the whole set, for the reason why: whether to
    // go on over several media instead, and whether to protect the set against the loss of one of
    // them. None: the cut is refused for want of room, as where no one can be asked.
    struct AcrossMedia
    {
        bool protect = false;
    };
    virtual std::optional<AcrossMedia> offerMedia(const QString & /*why*/) { return std::nullopt; }
};
