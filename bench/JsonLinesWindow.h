// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The engine's window for fendrax-bench: every message box and refresh becomes one JSON line on
// stdout, so that scripts can follow what the engine told its user.
#pragma once

#include "EngineWindow.h"

#include <QTextStream>

class JsonLinesWindow : public EngineWindow
{
public:
    JsonLinesWindow(MessageAnswer questionAnswer, bool quiet);

    MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon icon,
                              MessageButtons buttons) override;
    void refreshFileList() override;
    void reportProgress(const Progress &progress) override;
    bool stopRequested() const override;

    void printDone();

private:
    void print(const QString &line);

    MessageAnswer m_questionAnswer = MessageAnswer::Ok;
    bool m_quiet = false;
    int m_reports = 0;
    QTextStream m_out;
};
