// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Judging a set without restoring it: by its recovery files where they describe it (each piece
// judged whole by its checksum file's line when it has one, slice by slice otherwise), else by its
// piece header, the pieces' lengths and the checksum file.
#include "ChecksumFile.h"
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileEntry.h"
#include "FileIo.h"
#include "Par2.h"
#include "PieceHeader.h"
#include "Rebuild.h"
#include "RecoverySet.h"
#include "Restoring.h"
#include "SetFolders.h"

#include <QFile>

namespace {

using namespace FctDecoup;
using Problem = SetState::Problem;
using Verdict = SetState::Verdict;

SetState byRecovery(EngineWindow &window, const RecoverySet &set, const SetFolders &folders,
                    const QString &baseName)
{
    std::vector<int> pieceOf, fileOf;
    set.mapPieces(baseName, pieceOf, fileOf);
    const int count = int(fileOf.size()) - 1;
    const std::optional<QList<ChecksumFile::Line>> lines =
        ChecksumFile::read(folders.path(baseName + QLatin1String(ChecksumFile::suffix))).lines;
    const bool named = Restoring::describesPieces(lines, baseName, count);
    QList<QByteArray> wholeDigests(set.files.size());
    for (int n = 1; named && n <= count; ++n)
        wholeDigests[fileOf[size_t(n)]] = (*lines)[n - 1].digest;
    Progress progress{0, count, 0, 0};
    for (const RecoverySet::File &file : set.files)
        progress.total += file.length;
    Rebuild rebuild(set, folders, window, progress);
    SetState state;
    if (const FileIo::Result assessed = rebuild.assess(wholeDigests);
        assessed != FileIo::Result::Done) {
        state.verdict = assessed == FileIo::Result::Stopped ? Verdict::Stopped : Verdict::NotASet;
        return state;
    }
    const QList<Rebuild::Input> &inputs = rebuild.inputs();
    // The checksum file has the last word where the sound pieces prove it is this set's.
    const bool describes = named
                           && std::any_of(inputs.cbegin(), inputs.cend(),
                                          [](const Rebuild::Input &i) { return i.provenWhole; });
    bool contradicted = false;
    for (int n = 1; n <= count; ++n) {
        const int f = fileOf[size_t(n)];
        const Rebuild::Input &input = inputs[f];
        const bool against = describes && !input.damagedSlices && !input.provenWhole;
        contradicted = contradicted || against;
        if (!input.present)
            state.pieces.append({baseName + PieceSuffix(n), Problem::Missing});
        else if (input.damagedSlices && FileEntry::fileSize(input.path) != set.files[f].length)
            state.pieces.append({baseName + PieceSuffix(n), Problem::WrongLength});
        else if (input.damagedSlices || against)
            state.pieces.append(
                {baseName + PieceSuffix(n), against ? Problem::Contradicted : Problem::Damaged});
    }
    state.slicesNeeded = rebuild.damagedSlices();
    state.slicesThere = int(set.recovery.size());
    state.verdict = state.slicesNeeded == 0 && !contradicted ? Verdict::Whole
                    : !contradicted && rebuild.solve()       ? Verdict::Mendable
                                                             : Verdict::BeyondRepair;
    return state;
}

SetState byPieces(EngineWindow &window, const SetFolders &folders, const QString &baseName)
{
    SetState state;
    const std::optional<PieceHeader> header =
        Restoring::headerOf(folders.path(baseName + PieceSuffix(1)));
    if (!header) {
        window.showMessage(EngineTexts::badHeader, EngineTexts::errorTitle,
                           MessageIcon::Exclamation, MessageButtons::Ok);
        return state;
    }
    const int count = header->pieceCount;
    const std::optional<QList<ChecksumFile::Line>> lines =
        ChecksumFile::read(folders.path(baseName + QLatin1String(ChecksumFile::suffix))).lines;
    const bool named = Restoring::describesPieces(lines, baseName, count);
    std::vector<qint64> lengths;
    for (int n = 1; n <= count; ++n) {
        const qint64 size = FileEntry::fileSize(folders.path(baseName + PieceSuffix(n)));
        lengths.push_back(size < 0 ? -1 : size - Restoring::headerLength(n));
    }
    const std::vector<int> wrong = Restoring::wrongLengths(lengths);
    Progress progress{0, count, 0, 0};
    for (int n = 1; n <= count; ++n) {
        const QString name = baseName + PieceSuffix(n);
        progress.piece = n;
        window.reportProgress(progress);
        if (window.stopRequested())
            return {Verdict::Stopped, {}};
        if (lengths[size_t(n - 1)] < 0)
            state.pieces.append({name, Problem::Missing});
        else if (std::find(wrong.begin(), wrong.end(), n) != wrong.end())
            state.pieces.append({name, Problem::WrongLength});
        else if (named && ChecksumFile::digestOf(folders.path(name)) != (*lines)[n - 1].digest)
            state.pieces.append({name, Problem::Contradicted});
    }
    state.verdict = state.pieces.isEmpty() ? Verdict::Whole : Verdict::BeyondRepair;
    return state;
}

} // namespace

namespace FctDecoup {

SetState VerifySet(EngineWindow &window, const QString &path, const QStringList &from)
{
    const QString folder = SplitPath(path, false);
    SetFolders folders(folder);
    for (const QString &other : from)
        folders.add(other);
    const QString name = SplitPath(path, true);
    QString baseName = Par2::baseNameOf(name);
    if (baseName.isEmpty())
        baseName = BaseNameOfFirstPiece(name).value_or(QString());
    if (baseName.isEmpty()) {
        window.showMessage(EngineTexts::wrongFileText, EngineTexts::wrongFileTitle,
                           MessageIcon::Information, MessageButtons::Ok);
        return {};
    }
    // What the medium holds, not what the system's cache still holds of what was written there:
    // a stick that did not keep a piece is found before it leaves.
    const QStringList recoveryFiles = RecoverySet::fileNames(folders, baseName);
    for (const QString &each : folders.folders()) {
        const QStringList pieces = FileEntry::namesIn(each, [&](const QString &entry) {
            const QString suffix = entry.mid(baseName.size());
            bool number = false;
            const int n = suffix.mid(1).toInt(&number);
            return entry.startsWith(baseName) && number && n >= 1 && n <= maxPieceCount
                   && suffix == PieceSuffix(n);
        });
        for (const QString &piece : pieces)
            FileIo::evict(each + piece);
        FileIo::evict(each + baseName + QLatin1String(ChecksumFile::suffix));
    }
    for (const QString &file : recoveryFiles)
        FileIo::evict(file);
    std::vector<int> pieceOf, fileOf;
    const std::optional<RecoverySet> set =
        recoveryFiles.isEmpty() ? std::nullopt : RecoverySet::load(folders, baseName);
    return set && set->mapPieces(baseName, pieceOf, fileOf)
               ? byRecovery(window, *set, folders, baseName)
               : byPieces(window, folders, baseName);
}

} // namespace FctDecoup
