// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The piece-set engine: naming of pieces, path helpers, and the two operations that write files.
// A file is cut into pieces named base name + ".001", ".002", ... in its own folder; the first
// piece starts with an 8-byte header (PieceHeader.h) from which RestoreFile rebuilds the file
// under its own name again, base name + ".sha256" (ChecksumFile.h) proves what comes back, and the
// PAR2 files (Par2.h) rebuild a piece that is lost or damaged.
#pragma once

#include <QDir>
#include <QString>

#include <optional>

class EngineWindow;

namespace FctDecoup {

inline constexpr int maxPieceCount = 999;

// With nameFlag: what follows the last separator (the whole path when there is none).
// Without: everything up to and including it (empty when there is none).
QString SplitPath(const QString &path, bool nameFlag, QChar separator = QDir::separator());
// The folder with exactly one trailing separator added when it lacks one.
QString AddBackslash(const QString &folder, QChar separator = QDir::separator());

// A path as the system holds it: bytes, which need not be UTF-8 (a name from an old archive, a
// stick mounted with another character set). Valid UTF-8 decodes as usual and each byte that is
// not part of it as a character of its own, so that every name goes back to its very bytes:
// paths cross into the system through NativePath only.
QString PathFromNative(const QByteArray &bytes);
QByteArray NativePath(const QString &path);
// For display only: each byte that is not UTF-8 as the Windows-1252 character it stands for.
QString ReadablePath(const QString &path);
// The path made absolute from the working folder, whatever the bytes of either.
QString AbsolutePath(const QString &path);

// ".001" ... ".999" for n = 1 ... 999.
QString PieceSuffix(int n);
// The base name of the set whose first piece is named fileName ("rapport.001": "rapport"); none
// when the name does not end in ".001", the one rule by which a file is taken for a first piece.
std::optional<QString> BaseNameOfFirstPiece(const QString &fileName);
// How a file's name is shared between its pieces' names and the header. A name that ends in a
// point and an extension that the header can hold, after a non-empty stem, gives that stem as
// base name ("rapport.doc": "rapport" and "doc", "archive.tar.gz": "archive.tar" and "gz"); any
// other name is the base name whole, with no extension ("Makefile", ".bashrc", "film.matroska").
struct SetName
{
    QString baseName;
    QString extension;
};
SetName SetNameOf(const QString &fileName);
// The name a set's file comes back under: base name, then a point and the extension if any.
QString RestoredName(const QString &baseName, const QString &extension);

// The recovery slices that a set of pieceCount pieces carries unless told otherwise: one for
// every 20 pieces or part of 20 (5 %), so that a set of up to 20 pieces survives the loss of any
// one of them.
int DefaultRecoverySlices(int pieceCount);

// How an operation ended: its file or set written whole; refused before anything was written (a
// wrong file, a size, a folder, an answer, another operation on the same names); failed, with
// nothing of it left; or stopped, as the window asked.
enum class Outcome { Done, Refused, Failed, Stopped };

// Cuts the file at sourcePath into pieces of sizeKb kilobytes (1024 bytes), with their checksum
// file and their PAR2 recovery files: the index and recoverySlices volumes (1 ... 999) of one
// recovery slice each, as many as DefaultRecoverySlices when none is given. They go into the
// folder destination, or, when none is given, beside the source (or where the window chooses
// when that folder cannot take them); the source's folder is then only read.
// Onto one medium after another: the folders of the media that follow destination, in order, and
// whether the set must survive the loss of any one medium. The window is asked for each medium
// past those given, and the cut goes across media when it says so where the first folder cannot
// take the set. Each medium holds whole pieces (or recovery volumes), the checksum file and the
// PAR2 index, and is read back past the system's cache before the next one is asked for.
struct Media
{
    QStringList more;
    bool protect = false;
};
Outcome CutFile(EngineWindow &window, const QString &sourcePath, double sizeKb,
                std::optional<int> recoverySlices = std::nullopt, const QString &destination = {},
                const Media &media = {});
// Whether fileName may be one of a set's PAR2 recovery files (rapport.par2, rapport.vol0+1.par2):
// a restore may start from it.
bool IsRecoveryFile(const QString &fileName);

// Rebuilds the file whose first piece is at firstPiecePath (or whose recovery file is there), in
// the folder destination, or, when none is given, beside the set (or where the window chooses
// when that folder cannot take it), checking each piece against the set's checksum file when
// there is one. When pieces are missing or damaged and the set's recovery files can make up for
// them, their data is rebuilt into the restored file; the set itself is only read.
// from: the folders of the other media that hold some of the set's files; where a piece is on
// none of them, the window is asked for the medium that holds it, when it can be.
Outcome RestoreFile(EngineWindow &window, const QString &firstPiecePath,
                    const QString &destination = {}, const QStringList &from = {});

// What a set is worth, as a restore would find it: the pieces that are not sound, and whether
// the recovery files beside it can mend them.
struct SetState
{
    enum class Verdict { Whole, Mendable, BeyondRepair, NotASet, Stopped };
    // Damaged by its slices' checksums in the recovery files; contradicted by its checksum
    // file's line, which has the last word.
    enum class Problem { Missing, WrongLength, Damaged, Contradicted };
    struct Piece
    {
        QString name;
        Problem problem;
    };
    Verdict verdict = Verdict::NotASet;
    QList<Piece> pieces;
    int slicesNeeded = 0; // recovery slices that a mend takes
    int slicesThere = 0;  // recovery slices found beside the set
};
// The state of the set whose first piece (or recovery file) is at path: every piece read once,
// nothing written. A path that names no set is reported to the window, as a restore reports it.
// from: the folders of the other media that hold some of the set's files.
SetState VerifySet(EngineWindow &window, const QString &path, const QStringList &from = {});

} // namespace FctDecoup
