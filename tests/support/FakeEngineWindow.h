// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// A window for engine tests: records every message box, refresh and yield, answers the question
// as the test says, and can run a test's own code at a given yield or ask the engine to stop.
#pragma once

#include "EngineWindow.h"

#include <QList>

#include <functional>

struct RecordedMessage
{
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
};

class FakeEngineWindow : public EngineWindow
{
public:
    explicit FakeEngineWindow(const QString &currentFolder);

    QString currentFolder() const override;
    MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon icon,
                              MessageButtons buttons) override;
    void refreshFileList() override;
    void yieldOnce(int piece, int pieceCount) override;
    bool stopRequested() const override;

    // "title|text" for each message box, for a test to compare in one go.
    QStringList messageLines() const;

    QString m_currentFolder;
    MessageAnswer m_questionAnswer = MessageAnswer::Ok;
    // Runs inside the yield of that piece, for tests that change the disk mid-operation.
    std::function<void(int piece)> m_onYield;
    // The engine is asked to stop after this many yields (0: never).
    int m_stopAfterYields = 0;

    QList<RecordedMessage> m_messages;
    int m_refreshes = 0;
    QList<std::pair<int, int>> m_yields; // (piece, piece count) of each yield
    // The order of events, for tests of what comes before what: "message:TITLE", "refresh".
    QStringList m_events;
};
