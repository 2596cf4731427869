// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// One cut, shared by the cut into one folder (CutFile.cpp) and the cut onto one medium after
// another (MediaCut.cpp).
#pragma once

#include "Destination.h"
#include "EngineTexts.h"
#include "EngineWindow.h"
#include "FctDecoup.h"
#include "FileIo.h"
#include "RecoveryWriter.h"
#include "SetLock.h"
#include "UnfinishedOutput.h"

#include <QFile>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <sys/stat.h>
#include <vector>

class HashThread;

namespace Cutting {

using FctDecoup::Outcome;
using FctDecoup::SetName;

// The recovery slices' windows in memory at once, at most: the memory of a cut stays under 96 MiB.
inline constexpr qint64 recoveryMemory = 64 << 20;
extern const QByteArray creator;

std::optional<qint64> blockLength(double sizeKb);
QStringList earlierSet(const QString &folder, const QString &baseName);
QString removeAll(const QStringList &entries, const QString &sourcePath);

// One cut, step by step. Each step that cannot go on says why (a stop says nothing) and returns
// false; what the cut had created goes with it.
class Cut
{
public:
    Cut(EngineWindow &window, const QString &sourcePath, std::optional<int> recoverySlices);

    Outcome outcome() const { return m_outcome; }

    bool openSource();
    bool planSet(double sizeKb);
    bool chooseFolder(const QString &destination);
    bool holdNames();
    bool checkNames();
    bool askAboutEarlierSet();
    bool planRecovery();
    bool copyPieces();
    bool writeRecovery();
    bool writeChecksums();
    bool publish();
    void announce();

    // Across media: the folders given after the first, and whether a lost medium must heal. When
    // the first folder cannot take the set, chooseFolder may go across media as the window says.
    void goAcrossMedia(const QStringList &more, bool protect);
    bool acrossMedia() const { return m_acrossMedia; }
    // The whole cut once the first folder is known (MediaCut.cpp).
    bool cutAcrossMedia();

private:
    // One medium's share of the set: what it holds, and what tells it from the next one put in
    // the same drive.
    struct Medium
    {
        QString folder;
        QByteArray identity;
        QList<int> items;
    };
    enum class Filled { Done, Skipped, Ended };

    // Items are the files that go onto the media in turn: piece n (1 ... pieceCount), then volume
    // e as pieceCount + 1 + e.
    bool isVolume(int item) const { return item > m_pieceCount; }
    QString itemName(int item) const;
    qint64 itemLength(int item) const;
    QString describe(const QList<int> &items) const;
    bool hashSource();
    FileIo::Result feedSource(const std::vector<HashThread *> &perPiece, HashThread *file,
                              qint64 from, qint64 to);
    bool refuseWhatMediaCannotTake();
    qint64 freedBy(const QString &folder);
    qint64 fedBytes(qint64 from, qint64 to) const;
    qint64 workOf(const QList<int> &items) const;
    int fitting(const QString &folder, qint64 freed, const QList<int> &queue) const;
    std::optional<QString> nextMediumFolder();
    Filled fillMedium(const QString &folder);
    Filled admitMedium(const QString &folder, const QByteArray &identity, SetLock &lock,
                       int &count);
    QString cannotTake(const QString &folder, qint64 freed, int item) const;
    bool writeProofs(bool withChecksums, const QString &folder, SetLock &lock,
                     UnfinishedOutput &created, QList<std::pair<QString, QString>> &names);
    bool writeItems(const QList<int> &items, const QString &folder, SetLock &lock,
                    UnfinishedOutput &created, QList<std::pair<QString, QString>> &names);
    bool writeVolumes(const QList<int> &exponents, const QString &folder, SetLock &lock,
                      UnfinishedOutput &created, QList<std::pair<QString, QString>> &names);
    QList<int> readBack(const QList<int> &items, const QString &folder,
                        const QList<std::pair<QString, QString>> &names, bool &proofsKept);
    bool stopAcrossMedia(bool failed, const QString &why = {});
    QString mediaReport() const;

    // How the cut ends when it cannot go on: what it had created goes, and the window hears why
    // (a stop says nothing): the cause of the call that failed, or the cut's own finding.
    bool fail(const FileIo::Cause &cause, const QString &finding = {});
    bool refuse(const QString &text);
    bool stop();
    // Whether the source is still the file that was opened, as it was: no byte of it written,
    // truncated or replaced while it was read.
    bool sourceUnchanged() const;
    QString piecePath(int n) const
    {
        return m_folder + m_name.baseName + FctDecoup::PieceSuffix(n);
    }
    qint64 pieceLength(int n) const;
    QList<qint64> outputLengths() const;
    // The checksum file's bytes; empty when a digest could not be had.
    QByteArray checksumBytes() const;
    std::optional<Destination::Refusal> refusal(const QString &folder);
    void setFolder(const QString &folder);
    FileIo::Result sumWindow(int window, FileIo::Cause &cause);
    QString changed() const { return EngineTexts::sourceChanged(m_sourcePath); }

    EngineWindow &m_window;
    const QString m_sourcePath;
    const SetName m_name;
    // Where the pieces go, beside the source unless told otherwise, and so where an earlier set
    // is looked for.
    QString m_folder;
    // Piece 1 is written under this name and takes its own once every piece is on disk: a set
    // whose first piece is there is always whole, even when the program is killed.
    QString m_firstPieceTemporary;
    QString m_checksumPath;
    QString m_checksumTemporary;
    QFile m_source;
    struct stat m_sourceState = {}; // as opened
    qint64 m_length = 0;
    std::optional<qint64> m_block;
    int m_pieceCount = 0;
    QByteArray m_header;
    mode_t m_mode = 0;
    std::optional<int> m_recoverySlices;
    Progress m_progress;
    QList<QByteArray> m_digests;   // of each piece, then of the whole file
    QList<QByteArray> m_pieceCrcs; // for the recovery files
    std::unique_ptr<RecoveryWriter> m_recovery;
    QStringList m_earlierSet; // found in the last folder judged
    Outcome m_outcome = Outcome::Done;
    // Across media.
    bool m_acrossMedia = false;
    bool m_protect = false;
    QStringList m_mediaGiven; // still to be used, in order
    QList<int> m_queue;       // items still to write
    QList<Medium> m_media;    // written and proven
    QList<RecoveryWriter::Piece> m_recoveryPieces;
    QByteArray m_index;     // the PAR2 index's bytes, the same on every medium
    QByteArray m_checksums; // the checksum file's bytes
    int m_volumeCount = 0;  // recovery volumes across all media
    std::unique_ptr<char[]> m_sourceBuffers[3];
    mutable qint64 m_volumeLength = -1;
    // The lock first: it goes last, once what the cut created has gone.
    SetLock m_lock;
    UnfinishedOutput m_created;
};

} // namespace Cutting
