// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// What a screen reader is told of a combo box: its accessible name when it has one, and its text
// as its value. On Linux, Qt's own combo box gives its text as its name whatever its accessible
// name, so that the size box would be announced as "1400" instead of by what it is. The rest is
// as Qt has it: the drop-down list and the edit field as children, an action that opens the list.
#pragma once

#include <QAccessibleWidget>

class QComboBox;

class NamedComboBoxAccessible : public QAccessibleWidget
{
public:
    explicit NamedComboBoxAccessible(QComboBox *comboBox);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    // For QAccessible::installFactory: this interface for every combo box. It is made before the
    // window's design gives the box its name, and kept: the name is read when it is asked for.
    static QAccessibleInterface *create(const QString &className, QObject *object);

private:
    QComboBox *comboBox() const;
    // The drop-down list lives in a popup window, which a screen reader finds only through here.
    QList<QWidget *> children() const;
};
