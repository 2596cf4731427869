// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Lets only digits be typed into the size box: any other typed character (letter, space,
// sign, point, comma, Enter) is dropped. Editing keys and shortcuts pass.
#pragma once

#include <QObject>

class DigitsOnlyFilter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
