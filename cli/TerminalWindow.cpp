// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "TerminalWindow.h"
#include "CliTexts.h"
#include "EngineTexts.h"
#include "FctDecoup.h"

#include <cstdio>
#include <unistd.h>

namespace {

void print(const QString &text)
{
    // A name that is not UTF-8 goes out as its bytes, as ls and cat give it.
    std::fputs(FctDecoup::NativePath(text).constData(), stderr);
    std::fflush(stderr);
}

} // namespace

TerminalWindow::TerminalWindow(Answer answer, bool progress,
                               const volatile std::sig_atomic_t &signal, bool protect)
    : m_answer(answer), m_progress(progress), m_protect(protect), m_signal(signal)
{}

void TerminalWindow::clearProgress()
{
    if (std::exchange(m_progressShown, false))
        print(QStringLiteral("\r\x1b[K"));
}

MessageAnswer TerminalWindow::showMessage(const QString &text, const QString &title, MessageIcon,
                                          MessageButtons buttons)
{
    clearProgress();
    // Lines end as a terminal ends them: the boxes' carriage returns become line feeds.
    const QString lines = QString(text).replace(QChar(13), QChar(10));
    if (buttons == MessageButtons::OkCancel)
        return ask(title + QStringLiteral(" : ") + lines);
    // The icon tells nothing here: the operation's outcome gives the exit status.
    m_told = true;
    print(lines + QLatin1Char('\n'));
    return MessageAnswer::Ok;
}

// Asked on the terminal, Enter being No; never assumed without one.
MessageAnswer TerminalWindow::ask(const QString &question)
{
    if (m_answer != Answer::Ask) {
        print(question + QLatin1Char('\n'));
        return m_answer == Answer::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) {
        print(question + QLatin1Char('\n') + CliTexts::noTerminal + QLatin1Char('\n'));
        m_unanswered = true;
        return MessageAnswer::Cancel;
    }
    print(question + CliTexts::questionPrompt);
    // A signal interrupts the read: no answer, Cancel.
    const QString answer = readLine().value_or(QString());
    return answer.compare(QLatin1String("o"), Qt::CaseInsensitive) == 0
                   || answer.compare(QLatin1String("oui"), Qt::CaseInsensitive) == 0
               ? MessageAnswer::Ok
               : MessageAnswer::Cancel;
}

void TerminalWindow::reportProgress(const Progress &progress)
{
    // The clock starts with the first report: not while a question waited for its answer.
    if (!m_clock.isValid())
        m_clock.start();
    const qint64 now = m_clock.elapsed();
    m_meter.add(progress, now);
    // Ten times a second at most: a terminal over SSH is not flooded.
    if (!m_progress || progress.total <= 0 || (m_lastShown >= 0 && now - m_lastShown < 100))
        return;
    m_lastShown = now;
    print(QStringLiteral("\r\x1b[K") + m_meter.text());
    m_progressShown = true;
}

std::optional<QString> TerminalWindow::readLine()
{
    QByteArray line;
    char byte = 0;
    // A byte at a time: nothing after the line is taken from the terminal.
    while (true) {
        const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
        if (got <= 0)
            return std::nullopt;
        if (byte == '\n')
            break;
        line.append(byte);
    }
    return FctDecoup::PathFromNative(line).trimmed();
}

bool TerminalWindow::asksForMedia() const
{
    return ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
}

std::optional<EngineWindow::AcrossMedia> TerminalWindow::offerMedia(const QString &why)
{
    if (!asksForMedia())
        return std::nullopt;
    clearProgress();
    print(QString(why).replace(QChar(13), QChar(10)) + QLatin1Char('\n'));
    if (ask(CliTexts::acrossMedia) != MessageAnswer::Ok)
        return std::nullopt;
    return AcrossMedia{m_protect};
}

// On the terminal, one line: Enter keeps the folder last used (a drive whose medium is swapped),
// or, for a restore, says the medium is lost; "annuler", Ctrl+D or Ctrl+C cancel.
MediumAnswer TerminalWindow::nextMedium(const MediumRequest &request)
{
    clearProgress();
    const bool cut = request.kind == MediumRequest::Kind::Cut;
    print(cut                       ? CliTexts::nextMediumPrompt(request.text, request.lastFolder)
          : request.piece.isEmpty() ? CliTexts::recoveryMediumPrompt(request.text)
                                    : CliTexts::pieceMediumPrompt(request.text));
    const std::optional<QString> line = readLine();
    if (!line || m_signal || line->compare(CliTexts::cancel, Qt::CaseInsensitive) == 0)
        return {MediumAnswer::Kind::Cancel, {}};
    if (!cut && (line->isEmpty() || line->compare(CliTexts::lost, Qt::CaseInsensitive) == 0))
        return {MediumAnswer::Kind::Lost, {}};
    return {MediumAnswer::Kind::Folder,
            line->isEmpty() ? request.lastFolder : FctDecoup::AbsolutePath(*line)};
}
