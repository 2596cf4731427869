// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// How far an operation is, in words that a person reads: the piece, the share, the speed and the
// time left, as the window and the terminal show them. The speed is measured over the last
// seconds, not since the start, so that it follows a medium that slows down; it and the time left
// are said only once they mean something.
#pragma once

#include "EngineWindow.h"

#include <QString>

#include <deque>
#include <optional>

class ProgressMeter
{
public:
    // A report, at now milliseconds from the operation's start.
    void add(const Progress &progress, qint64 now);

    int percent() const;
    // "morceau 3 sur 951 — 12 % — 24,5 Mo/s — reste 1:05", what is not known yet left out.
    QString text() const;

private:
    // Of the bytes moved, per second over the last few seconds; none in the first second.
    std::optional<double> bytesPerSecond() const;
    // At that speed; none before it is known.
    std::optional<qint64> secondsLeft() const;

    struct Sample
    {
        qint64 at;
        qint64 moved;
    };
    std::deque<Sample> m_samples; // the last few seconds'
    Progress m_last;
    qint64 m_now = 0;
};
