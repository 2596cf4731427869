// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// A picture that reacts to a mouse click, and only to the mouse: it never takes the focus.
#pragma once

#include <QLabel>

class ClickableImage : public QLabel
{
    Q_OBJECT

public:
    explicit ClickableImage(QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
