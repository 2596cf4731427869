// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FileList.h"
#include "WildcardPattern.h"

#include <QCollator>
#include <QDirIterator>
#include <QFileInfo>
#include <QSignalBlocker>

#include <algorithm>
#include <vector>

FileList::FileList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry is one line of the same font: the list needs not measure each of 100,000 names.
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemSelectionChanged, this, &FileList::entryClicked);
    // A click on the entry that is already selected changes nothing, yet the user asks for it:
    // after a cut, the file stays selected and one click makes it ready for the next cut.
    connect(this, &QListWidget::itemClicked, this, &FileList::entryClicked);
}

bool FileList::setFolder(const QString &folder)
{
    const QFileInfo info(folder);
    m_folder = folder;
    m_names.clear();
    {
        // A new folder starts with nothing selected.
        const QSignalBlocker blocker(this);
        clear();
    }
    if (!info.isDir() || !info.isReadable())
        return false;
    refresh();
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
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Sorted by keys made once a name, which is twice as quick as comparing the names.
    std::vector<std::pair<QCollatorSortKey, QString>> sorted;
    QDirIterator it(m_folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isFile())
            sorted.emplace_back(collator.sortKey(it.fileName()), it.fileName());
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const auto &a, const auto &b) { return a.first.compare(b.first) < 0; });
    m_names.clear();
    for (const auto &[key, name] : sorted)
        m_names.append(name);
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
    std::copy_if(m_names.cbegin(), m_names.cend(), std::back_inserter(names),
                 [&](const QString &name) {
                     return std::any_of(patterns.cbegin(), patterns.cend(),
                                        [&](const WildcardPattern &p) { return p.matches(name); });
                 });

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
