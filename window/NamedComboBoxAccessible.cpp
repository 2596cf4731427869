// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "NamedComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

NamedComboBoxAccessible::NamedComboBoxAccessible(QComboBox *comboBox)
    : QAccessibleWidget(comboBox, QAccessible::ComboBox)
{}

QString NamedComboBoxAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value
        || (t == QAccessible::Name && comboBox()->accessibleName().isEmpty()))
        return comboBox()->currentText();
    return QAccessibleWidget::text(t);
}

QAccessible::State NamedComboBoxAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = comboBox()->view()->isVisible();
    state.editable = comboBox()->isEditable();
    return state;
}

int NamedComboBoxAccessible::childCount() const
{
    return int(children().size());
}

QAccessibleInterface *NamedComboBoxAccessible::child(int index) const
{
    return QAccessible::queryAccessibleInterface(children().value(index));
}

int NamedComboBoxAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    return child ? int(children().indexOf(qobject_cast<QWidget *>(child->object()))) : -1;
}

QStringList NamedComboBoxAccessible::actionNames() const
{
    return {showMenuAction(), pressAction()};
}

void NamedComboBoxAccessible::doAction(const QString &actionName)
{
    if (actionName != showMenuAction() && actionName != pressAction())
        return;
    if (comboBox()->view()->isVisible())
        comboBox()->hidePopup();
    else
        comboBox()->showPopup();
}

QAccessibleInterface *NamedComboBoxAccessible::create(const QString &className, QObject *object)
{
    auto *comboBox = qobject_cast<QComboBox *>(object);
    return className == QLatin1String("QComboBox") && comboBox
               ? new NamedComboBoxAccessible(comboBox)
               : nullptr;
}

QComboBox *NamedComboBoxAccessible::comboBox() const
{
    return static_cast<QComboBox *>(widget());
}

QList<QWidget *> NamedComboBoxAccessible::children() const
{
    QList<QWidget *> children{comboBox()->view()};
    if (comboBox()->lineEdit())
        children.append(comboBox()->lineEdit());
    return children;
}
