// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "MessagePresenter.h"
#include "FctDecoup.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QMessageBox>

namespace {

constexpr int titleBarButtons = 120; // the icon and three buttons of a usual title bar, in pixels

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessagePresenter::MessagePresenter(QWidget *parent) : m_parent(parent)
{}

MessageAnswer MessagePresenter::show(const QString &text, const QString &title, MessageIcon icon,
                                     MessageButtons buttons, const QString &checkBox,
                                     bool *checked) const
{
    // A name that is not UTF-8 shows as it reads.
    QString lines = FctDecoup::ReadablePath(text);
    lines.replace(QChar(13), QChar(10));
    QMessageBox box(boxIcon(icon), FctDecoup::ReadablePath(title), lines, QMessageBox::Ok,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    // A dialog is a window of its own, which does not inherit the font of its parent.
    box.setFont(m_parent->font());
    // A window manager shortens a title that is wider than its window ("Fichier rapp... XX
    // existant"): the box makes room for its title and the title bar's buttons.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        const int width = box.fontMetrics().horizontalAdvance(title) + titleBarButtons;
        grid->addItem(new QSpacerItem(width, 0), grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (buttons == MessageButtons::OkCancel) {
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    if (!checkBox.isEmpty())
        box.setCheckBox(new QCheckBox(checkBox, &box));
    // An operation in progress shows the wait cursor; the box wants the ordinary one.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
    if (checked && box.checkBox())
        *checked = box.checkBox()->isChecked();
    return box.clickedButton() == box.button(QMessageBox::Ok) ? MessageAnswer::Ok
                                                              : MessageAnswer::Cancel;
}
