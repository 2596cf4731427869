// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The input slices of a recovery set that are missing or damaged, computed from the others and
// the recovery slices: the system R_e = sum of c_i^e * D_i that the writer made, solved for the
// unknown D_i. Everything is read where it lies and nothing is written there: what is rebuilt
// goes to the caller, a window of every slice at a time, so that memory does not follow the
// slice size.
#pragma once

#include "FileIo.h"
#include "Gf16.h"
#include "RecoverySet.h"

#include <QList>

#include <functional>
#include <memory>
#include <vector>

class EngineWindow;
struct Progress;

class Rebuild
{
public:
    // One input file of the set, as the assessment found it.
    struct Input
    {
        QString path;
        bool present = false;
        int damagedSlices = 0;
        bool provenWhole = false; // by the whole digest it was given
    };
    // Bytes of input file number `file` (in the set's order) at offset: read from a sound slice
    // or computed for a damaged one. False stops the rebuild (Failed).
    using Output = std::function<bool(int file, qint64 offset, const char *data, qint64 length)>;

    Rebuild(const RecoverySet &set, const SetFolders &folders, EngineWindow &window,
            Progress &progress);
    ~Rebuild();

    // Judges every slice of every input file by its MD5 and CRC-32, each file read once, two at a
    // time on two threads; a file whose SHA-256 is given in wholeDigests (by the set's order;
    // empty: none) is first judged whole by it, and slice by slice only if it fails. Progress
    // counts the bytes read; a stop ends it. The slices that are not there (files missing or
    // short) are known before anything is read: where they prove to be all the damage and one
    // window holds the whole slices, the sums that rebuild them are gathered from the bytes
    // read to judge the others, and the rebuild reads the set no more.
    FileIo::Result assess(const QList<QByteArray> &wholeDigests);
    const QList<Input> &inputs() const { return m_inputs; }
    int damagedSlices() const { return int(m_lost.size()); }
    // Chooses as many recovery slices as there are damaged slices, proven whole and whose system
    // has a solution, trying others in turn where a choice gives none; false when they do not
    // suffice.
    bool solve();

    // For a caller that judges the files there itself, each whole (a mend that proves every piece
    // by its line as it copies it): the slices of the files missing or short are chosen for and
    // their sums begun, as the assessment would have them (false where it could not: see
    // gatherWhileJudged), and inputs() says so. The caller then gives addToSums every byte of the
    // other files, from one thread, and judgedSound() takes those files for sound: the rebuild
    // reads nothing.
    bool gatherLost();
    void judgedSound() { m_summed = true; }
    // The product of the bytes of input file f at offset at by each chosen slice's constant,
    // taken out of the sums of the window that starts at from, but for the damaged slices.
    void addToSums(int f, qint64 at, const char *data, qint64 length, qint64 from = 0);

    // For the offsets [from, to) of every slice (at most windowLength() of them), gives every
    // input file's bytes there, or only those computed for the damaged slices (the sound ones
    // are read all the same). Windows given in order from 0 to the slice size are also proven:
    // afterwards proven() says whether what was computed matches its checksums.
    enum class Give { Everything, Rebuilt };
    FileIo::Result rebuild(qint64 from, qint64 to, const Output &out, Give give = Give::Everything);
    // Whether slice number slice of input file `file` is one of the damaged.
    bool lost(int file, qint64 slice) const;
    qint64 windowLength() const { return m_windowLength; }
    bool proven();

private:
    struct Slot; // a damaged slice: where it lies, and the digests of what was computed for it
    class Assessment;

    FileIo::Result report(qint64 bytes);
    // The recovery slices' bytes [from, from + length) of each chosen one, as the sums to start
    // from.
    bool readRecovery(qint64 from, qint64 length);
    // The slices of the files not there, as the assessment will find them, chosen for and summed
    // as the set is judged: false where they cannot be (nothing lost, or the sums do not fit
    // in one window).
    bool gatherWhileJudged();
    // The recovery slices chosen and their sums, forgotten.
    void forgetChoice();
    // The input file that holds input slice number slice.
    int fileOf(int slice) const;

    const RecoverySet &m_set;
    EngineWindow &m_window;
    Progress &m_progress;
    Gf16 m_gf;
    QList<Input> m_inputs;
    std::vector<int> m_firstSlice; // of each input file, in the global numbering
    QList<quint16> m_constants;    // of each input slice
    std::vector<int> m_lost;       // damaged slices, global numbers in order
    std::vector<RecoverySet::Slice> m_chosen;
    std::vector<quint32> m_exponents; // of the chosen recovery slices
    std::vector<quint16> m_inverse;   // m x m: rebuilt slice j = sum over r of [j][r] * sum r
    std::vector<std::unique_ptr<Slot>> m_slots;
    qint64 m_windowLength = 0;
    bool m_gathering = false; // the sums take the bytes that the assessment reads
    bool m_summed = false;    // and hold every sound slice's: the rebuild reads only the window
    qint64 m_provenTo = 0;    // the windows given in order so far end there
    std::unique_ptr<char[]> m_buffer;
    std::unique_ptr<char[], void (*)(void *)> m_sums{nullptr, nullptr};
};
