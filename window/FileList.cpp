// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FileList.h"
#include "WildcardPattern.h"

#include <QCollator>
#include <QDirIterator>
#include <QFileInfo>
#include <QSignalBlocker>

#include <algorithm>

FileList::FileList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemSelectionChanged, this, &FileList::entryClicked);
    // A click on the entry that is already selected changes nothing, yet the user asks for it:
    // after a cut, the file stays selected and one click makes it ready for the next cut.
    connect(this, &QListWidget::itemClicked, this, &FileList::entryClicked);
}

bool FileList::setFolder(const QString &folder)
{
    const QFileInfo info(folder);
    m_folder = folder;
    {
        // A new folder starts with nothing selected.
        const QSignalBlocker blocker(this);
        clear();
    }
    if (!info.isDir() || !info.isReadable())
        return false;
    fill();
    return true;
}

bool FileList::setPattern(const QString &pattern)
{
    if (pattern.contains(QLatin1Char('/')))
        return false;
    m_pattern = pattern;
    fill();
    return true;
}

bool FileList::isEntrySelected(int i) const
{
    const QListWidgetItem *entry = item(i);
    return entry && entry->isSelected();
}

QString FileList::entryText(int i) const
{
    const QListWidgetItem *entry = item(i);
    return entry ? entry->text() : QString();
}

void FileList::refresh()
{
    fill();
}

void FileList::fill()
{
    QList<WildcardPattern> patterns;
    for (const QString &part : m_pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!part.trimmed().isEmpty())
            patterns.append(WildcardPattern(part.trimmed(), Qt::CaseInsensitive));
    }
    if (patterns.isEmpty())
        patterns.append(WildcardPattern(QStringLiteral("*"), Qt::CaseInsensitive));

    QStringList names;
    QDirIterator it(m_folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (it.fileInfo().isFile()
            && std::any_of(patterns.cbegin(), patterns.cend(),
                           [&](const WildcardPattern &p) { return p.matches(name); }))
            names.append(name);
    }
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);

    // A programmatic change of the content is no click of the user's.
    const QList<QListWidgetItem *> selected = selectedItems();
    const QString selectedName = selected.isEmpty() ? QString() : selected.first()->text();
    const QSignalBlocker blocker(this);
    clear();
    addItems(names);
    if (!selectedName.isEmpty()) {
        const QList<QListWidgetItem *> again = findItems(selectedName, Qt::MatchExactly);
        if (!again.isEmpty())
            setCurrentItem(again.first());
    }
}
