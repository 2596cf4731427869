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
    MessageAnswer show(const QString &text, const QString &title, MessageIcon icon,
                       MessageButtons buttons) const;

private:
    QWidget *m_parent = nullptr;
};
