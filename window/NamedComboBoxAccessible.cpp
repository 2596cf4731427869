// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "NamedComboBoxAccessible.h"

#include <QComboBox>

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
