// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Shows the program's modal message boxes: the engine's and the window's own.
#pragma once

#include "EngineWindow.h"

class QWidget;

class MessagePresenter
{
public:
    explicit MessagePresenter(QWidget *parent);

    // Each carriage return of text starts a new line. With OkCancel, Cancel is the default
    // button, and Escape or closing the box answers Cancel.
    // checkBox: the text of a box to tick under the text, whose state goes to *checked.
    MessageAnswer show(const QString &text, const QString &title, MessageIcon icon,
                       MessageButtons buttons, const QString &checkBox = {},
                       bool *checked = nullptr) const;

private:
    QWidget *m_parent = nullptr;
};
