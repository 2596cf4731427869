// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Restoring.h"
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FileEntry.h"
#include "OutputFolder.h"
#include "PieceHeader.h"

#include <map>

namespace Restoring {

using namespace FctDecoup;

bool Run::fail(const QString &text, const FileIo::Cause &cause)
{
    discard();
    outcome = Outcome::Failed;
    window.showMessage(EngineTexts::withCause(text, EngineTexts::cause(cause.error, cause.path)),
                       EngineTexts::errorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

bool Run::refuse(const QString &text, const QString &title, MessageIcon icon)
{
    discard();
    outcome = Outcome::Refused;
    if (!text.isEmpty())
        window.showMessage(text, title, icon, MessageButtons::Ok);
    return false;
}

bool Run::stop()
{
    discard();
    outcome = Outcome::Stopped;
    return false;
}

void Run::discard()
{
    restored.close();
    output.remove();
}

std::optional<QString> settleFolder(Run &run, QString &destination, const QString &setFolder,
                                    const QString &restoredName, qint64 length)
{
    const OutputFolder::Settled settled = OutputFolder::settle(
        run.window, Output::RestoredFile, destination, setFolder,
        [length](const QString &folder) { return Destination::refusal(folder, {length}, 0); });
    if (!settled.folder) {
        run.refuse(settled.why.isEmpty()
                       ? QString()
                       : EngineTexts::withCause(EngineTexts::restoreError, settled.why),
                   EngineTexts::errorTitle, MessageIcon::Exclamation);
        return std::nullopt;
    }
    destination = *settled.folder;
    switch (run.outputLock.take(destination, restoredName, SetLock::Names::File,
                                SetLock::Mode::Write)) {
    case SetLock::State::Held:
        break;
    case SetLock::State::Busy:
        run.refuse(EngineTexts::withCause(EngineTexts::restoreError,
                                          EngineTexts::namesBusy(restoredName, destination)),
                   EngineTexts::errorTitle, MessageIcon::Exclamation);
        return std::nullopt;
    default:
        run.fail(EngineTexts::restoreError, FileIo::causeNow(destination));
        return std::nullopt;
    }
    if (FileEntry::exists(destination + restoredName)) {
        run.refuse(EngineTexts::destinationExists, EngineTexts::warningTitle,
                   MessageIcon::Exclamation);
        return std::nullopt;
    }
    return destination;
}

bool createRestored(Run &run, const QString &path, const QString &modeOf)
{
    run.restoredTemporary = run.outputLock.temporaryPath(path);
    if (!FileIo::createNew(run.restored, run.restoredTemporary, FileEntry::permissions(modeOf)))
        return run.fail(EngineTexts::restoreError, FileIo::causeNow(path));
    run.output.add(run.restoredTemporary);
    return true;
}

bool publishRestored(Run &run, const QString &path)
{
    switch (FileIo::publish(run.restoredTemporary, path)) {
    case FileIo::Result::Done:
        run.output.keep();
        return true;
    case FileIo::Result::Exists:
        return run.refuse(EngineTexts::destinationExists, EngineTexts::warningTitle,
                          MessageIcon::Exclamation);
    default:
        return run.fail(EngineTexts::restoreError, FileIo::causeNow(path));
    }
}

bool namesPiece(const std::optional<QList<ChecksumFile::Line>> &lines, const QString &baseName,
                int n)
{
    return lines && lines->size() >= n
           && (*lines)[n - 1].name == NativePath(baseName + PieceSuffix(n));
}

bool describesPieces(const std::optional<QList<ChecksumFile::Line>> &lines, const QString &baseName,
                     int count)
{
    bool described = lines && lines->size() == count + 1;
    for (int n = 1; described && n <= count; ++n)
        described = namesPiece(lines, baseName, n);
    return described;
}

std::optional<PieceHeader> headerOf(const QString &firstPiecePath)
{
    QFile first;
    if (!FileIo::openRegular(first, firstPiecePath))
        return std::nullopt;
    return PieceHeader::decode(first.read(PieceHeader::size));
}

qint64 headerLength(int n)
{
    return n == 1 ? PieceHeader::size : 0;
}

std::vector<int> wrongLengths(const std::vector<qint64> &dataLengths)
{
    std::map<qint64, int> counts;
    for (std::size_t i = 0; i + 1 < dataLengths.size(); ++i) {
        if (dataLengths[i] >= 0)
            ++counts[dataLengths[i]];
    }
    qint64 common = dataLengths.front();
    int most = counts.count(common) ? counts[common] : 0;
    for (const auto &[length, count] : counts) {
        if (count > most)
            std::tie(common, most) = std::pair(length, count);
    }
    std::vector<int> wrong;
    for (std::size_t i = 0; i < dataLengths.size(); ++i) {
        const qint64 length = dataLengths[i];
        const bool last = i + 1 == dataLengths.size();
        if (length >= 0
            && (length < 1
                || (last ? length > common && dataLengths.size() > 1 : length != common)))
            wrong.push_back(int(i) + 1);
    }
    return wrong;
}

} // namespace Restoring
