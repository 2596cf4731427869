// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// What the plain restore and the mend share: what a restore holds for its whole run, where the
// restored file goes, how it takes its name, and how a restore that cannot go on ends.
#pragma once

#include "ChecksumFile.h"
#include "FctDecoup.h"
#include "FileIo.h"
#include "PieceHeader.h"
#include "SetLock.h"
#include "UnfinishedOutput.h"

#include <QFile>
#include <QString>

#include <optional>
#include <vector>

class EngineWindow;
enum class MessageIcon;

namespace Restoring {

// One restore, whichever way (plain, or the mend) writes its file: the set's names, held as a
// reader; the restored file's name, held as a writer once its folder is known; the file being
// written; and how the restore ended.
class Run
{
public:
    explicit Run(EngineWindow &engineWindow) : window(engineWindow) {}

    // The ways to end: the file goes, and the window hears why (a stop says nothing). A failure
    // tells the operation's line, then the cause of the call that failed when one did.
    bool fail(const QString &text, const FileIo::Cause &cause = {});
    bool refuse(const QString &text, const QString &title, MessageIcon icon);
    bool stop();
    // The file begun goes without a word: the mend takes over.
    void discard();

    EngineWindow &window;
    FctDecoup::Outcome outcome = FctDecoup::Outcome::Done;
    // The locks first: they go last, once the unfinished file has gone.
    SetLock setLock;
    SetLock outputLock;
    QFile restored;
    QString restoredTemporary; // where it is written
    UnfinishedOutput output;
};

// The folder that a restored file of length bytes goes into: destination when the caller gave
// one, else the set's folder, or, when that cannot take it, the one the user chooses; there the
// file's name is held. The one chosen is kept in destination: a restore that the mend takes over
// asks no second time. None when the file cannot go there (said) or the user chose none.
std::optional<QString> settleFolder(Run &run, QString &destination, const QString &setFolder,
                                    const QString &restoredName, qint64 length);

// Creates the file that goes to path, under its hidden name, as private as the file at modeOf.
bool createRestored(Run &run, const QString &path, const QString &modeOf);

// The restored file, whole under its hidden name, takes its own; never over an entry that
// appeared meanwhile.
bool publishRestored(Run &run, const QString &path);

// Whether line n (from 1) of a checksum file's lines names piece n of baseName's set.
bool namesPiece(const std::optional<QList<ChecksumFile::Line>> &lines, const QString &baseName,
                int n);
// Whether those lines describe a set of count pieces of baseName: one a piece, in order, then one
// for the file that the set restores to.
bool describesPieces(const std::optional<QList<ChecksumFile::Line>> &lines, const QString &baseName,
                     int count);

// The header of the first piece at path; none when there is none to trust.
std::optional<PieceHeader> headerOf(const QString &firstPiecePath);

// The bytes before piece n's data: piece 1's header.
qint64 headerLength(int n);

// Of pieces 1 ... N of these data lengths (negative: not there), those, numbered from 1, whose
// length a whole set cannot have. Every piece of a whole set but the last carries the length
// that most of pieces 1 ... N-1 there carry (piece 1's on a tie), the last at least a byte and at
// most as much: a piece 1 cut short is blamed, never the pieces after it.
std::vector<int> wrongLengths(const std::vector<qint64> &dataLengths);

} // namespace Restoring
