// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FileList.h"
#include "FctDecoup.h"
#include "WildcardPattern.h"

#include <QCollator>
#include <QDirIterator>
#include <QFileInfo>
#include <QSignalBlocker>

#include <algorithm>
#include <vector>

namespace {

// A change shows within this time; the changes of a burst (a cut writing its pieces, a copy of
// many files) are read once.
constexpr int gatherMs = 250;

// The ordinary files of folder, sorted; none when it cannot be read. On the reader's thread.
QStringList readFolder(const QString &folder)
{
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Sorted by keys made once a name, which is twice as quick as comparing the names.
    std::vector<std::pair<QCollatorSortKey, QString>> sorted;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isFile() && !FctDecoup::IsUnfinishedOutput(it.fileName()))
            sorted.emplace_back(collator.sortKey(it.fileName()), it.fileName());
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const auto &a, const auto &b) { return a.first.compare(b.first) < 0; });
    QStringList names;
    names.reserve(qsizetype(sorted.size()));
    for (const auto &[key, name] : sorted)
        names.append(name);
    return names;
}

} // namespace

FileList::FileList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Every entry is one line of the same font: the list needs not measure each of 100,000 names.
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemSelectionChanged, this, &FileList::entryClicked);
    // A click on the entry that is already selected changes nothing, yet the user asks for it:
    // after a cut, the file stays selected and one click makes it ready for the next cut.
    connect(this, &QListWidget::itemClicked, this, &FileList::entryClicked);
    m_reader.setMaxThreadCount(1);
    m_changes.setSingleShot(true);
    m_changes.setInterval(gatherMs);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileList::folderChanged);
    // The selected file is watched too: its size, which the window shows, changes within it.
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileList::folderChanged);
    connect(this, &QListWidget::itemSelectionChanged, this, &FileList::watchSelected);
    connect(&m_changes, &QTimer::timeout, this, &FileList::refresh);
}

FileList::~FileList()
{
    m_reader.waitForDone();
}

bool FileList::setFolder(const QString &folder, const QString &selected)
{
    ++m_generation;
    m_folder = folder;
    m_names.clear();
    m_toSelect = selected;
    m_changes.stop();
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    watchSelected();
    {
        // A new folder starts with nothing selected.
        const QSignalBlocker blocker(this);
        clear();
    }
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable())
        return false;
    m_watcher.addPath(folder);
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

void FileList::watchSelected()
{
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    const QList<QListWidgetItem *> selected = selectedItems();
    if (!selected.isEmpty())
        m_watcher.addPath(QDir(m_folder).filePath(selected.first()->text()));
}

void FileList::folderChanged()
{
    if (!m_changes.isActive())
        m_changes.start();
}

void FileList::refresh()
{
    // One reading at a time: changes meanwhile are read once it has landed.
    if (std::exchange(m_reading, true)) {
        m_readAgain = true;
        return;
    }
    m_reader.start([this, folder = m_folder, generation = m_generation] {
        QStringList names = readFolder(folder);
        {
            const std::lock_guard lock(m_readingMutex);
            m_read = {generation, std::move(names)};
        }
        // By name: the call is queued by Qt alone, what it hands over by the lock.
        QMetaObject::invokeMethod(this, "takeReading", Qt::QueuedConnection);
    });
}

void FileList::takeReading()
{
    std::pair<int, QStringList> read;
    {
        const std::lock_guard lock(m_readingMutex);
        read = std::exchange(m_read, {});
    }
    landed(read.first, read.second);
}

void FileList::landed(int generation, const QStringList &names)
{
    m_reading = false;
    if (std::exchange(m_readAgain, false) || generation != m_generation) {
        refresh();
        if (generation != m_generation)
            return;
    }
    const QList<QListWidgetItem *> selected = selectedItems();
    const bool selectedGone = !selected.isEmpty() && !names.contains(selected.first()->text());
    m_names = names;
    fill();
    if (!m_toSelect.isEmpty()) {
        const QList<QListWidgetItem *> entries =
            findItems(std::exchange(m_toSelect, QString()), Qt::MatchExactly);
        if (!entries.isEmpty())
            setCurrentItem(entries.first()); // as by a click: entryClicked tells the window
    }
    Q_EMIT reread(selectedGone);
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
