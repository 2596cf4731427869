// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The engine's window in a terminal: its boxes become lines on standard error, its one question
// is asked on the terminal or answered by --yes or --no, its progress is one line kept up to date
// on a terminal, and a stop is asked by SIGINT or SIGTERM.
#pragma once

#include "EngineWindow.h"
#include "ProgressMeter.h"

#include <QElapsedTimer>

#include <csignal>

class TerminalWindow final : public EngineWindow
{
public:
    enum class Answer { Ask, Ok, Cancel };

    // signal: set by the handlers of SIGINT and SIGTERM to the signal caught.
    // protect: a cut that goes across media must survive the loss of one.
    TerminalWindow(Answer answer, bool progress, const volatile std::sig_atomic_t &signal,
                   bool protect = false);

    MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon icon,
                              MessageButtons buttons) override;
    void refreshFileList() override {}
    void reportProgress(const Progress &progress) override;
    bool stopRequested() const override { return m_signal != 0; }
    bool asksForMedia() const override;
    MediumAnswer nextMedium(const MediumRequest &request) override;
    std::optional<AcrossMedia> offerMedia(const QString &why) override;

    // Whether the operation told anything besides its question, and whether it asked a question
    // that could not be asked.
    bool told() const { return m_told; }
    bool unanswered() const { return m_unanswered; }
    // The progress line goes before anything else is written.
    void clearProgress();

private:
    MessageAnswer ask(const QString &question);
    // A line read from the terminal; none when it ended or a signal came.
    std::optional<QString> readLine();

    const Answer m_answer;
    const bool m_progress;
    const bool m_protect;
    const volatile std::sig_atomic_t &m_signal;
    bool m_told = false;
    bool m_unanswered = false;
    bool m_progressShown = false;
    QElapsedTimer m_clock;
    ProgressMeter m_meter;
    qint64 m_lastShown = -1;
};
