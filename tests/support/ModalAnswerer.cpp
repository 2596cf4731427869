// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>

ModalAnswerer::ModalAnswerer()
{
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start(5);
}

void ModalAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    SeenBox seen{box->windowTitle(), box->text(), box->icon(), {}, {}};
    for (QAbstractButton *button : box->buttons())
        seen.buttons.append(button->text());
    if (box->defaultButton())
        seen.defaultButton = box->defaultButton()->text();
    m_seen.append(seen);
    const Answer answer = m_answers.isEmpty() ? Answer::Ok : m_answers.takeFirst();
    switch (answer) {
    case Answer::Ok:
        box->button(QMessageBox::Ok)->click();
        break;
    case Answer::Cancel:
        box->button(QMessageBox::Cancel)->click();
        break;
    case Answer::Escape:
        QTest::keyClick(box, Qt::Key_Escape);
        break;
    }
}
