// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FakeEngineWindow.h"

FakeEngineWindow::FakeEngineWindow(const QString &currentFolder) : m_currentFolder(currentFolder)
{}

QString FakeEngineWindow::currentFolder() const
{
    return m_currentFolder;
}

MessageAnswer FakeEngineWindow::showMessage(const QString &text, const QString &title,
                                            MessageIcon icon, MessageButtons buttons)
{
    m_messages.append({text, title, icon, buttons});
    m_events.append(QStringLiteral("message:") + title);
    return buttons == MessageButtons::OkCancel ? m_questionAnswer : MessageAnswer::Ok;
}

void FakeEngineWindow::refreshFileList()
{
    ++m_refreshes;
    m_events.append(QStringLiteral("refresh"));
}

void FakeEngineWindow::yieldOnce(int piece, int pieceCount)
{
    m_yields.append({piece, pieceCount});
    if (m_onYield)
        m_onYield(piece);
}

bool FakeEngineWindow::stopRequested() const
{
    return m_stopAfterYields > 0 && m_yields.size() >= m_stopAfterYields;
}

QStringList FakeEngineWindow::messageLines() const
{
    QStringList lines;
    for (const RecordedMessage &m : m_messages)
        lines.append(m.title + QLatin1Char('|') + m.text);
    return lines;
}
