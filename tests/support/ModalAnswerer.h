// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Meets the real modal message boxes of the window: records each one and answers it as the test
// said (OK when nothing was said), the way a user would.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QTimer>

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;   // their texts, in the box's order
    QString defaultButton; // the text of the default button
};

class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    enum class Answer { Ok, Cancel, Escape };

    ModalAnswerer();

    // Answers for the next boxes, in order; OK once they are used up.
    QList<Answer> m_answers;
    QList<SeenBox> m_seen;

private:
    void poll();

    QTimer m_timer;
};
