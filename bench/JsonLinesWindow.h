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
    JsonLinesWindow(const QString &currentFolder, MessageAnswer questionAnswer, bool quiet);

    QString currentFolder() const override;
    MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon icon,
                              MessageButtons buttons) override;
    void refreshFileList() override;
    void yieldOnce(const Progress &progress) override;
    void betweenBlocks(const Progress &) override {}
    bool stopRequested() const override;

    void printDone();

private:
    void print(const QString &line);

    QString m_currentFolder;
    MessageAnswer m_questionAnswer = MessageAnswer::Ok;
    bool m_quiet = false;
    int m_yields = 0;
    QTextStream m_out;
};
