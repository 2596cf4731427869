// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "DigitsOnlyFilter.h"

#include <QKeyEvent>

bool DigitsOnlyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        return true;
    const QString text = key->text();
    const bool typed = text.size() == 1 && text[0].isPrint()
                       && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    return typed && !(text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9'));
}
