// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FileList.h"
#include "FctDecoup.h"
#include "FolderEntries.h"
#include "WildcardPattern.h"

#include <QSignalBlocker>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A change shows within this time; the changes of a burst (a cut writing its pieces, a copy of
// many files) are read once.
constexpr int gatherMs = 250;

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
    unwatch(m_watchedFolder);
    unwatch(m_watchedFile);
    m_reader.waitForDone();
}

bool FileList::setFolder(const QString &folder, const QString &selected)
{
    ++m_generation;
    m_folder = folder;
    m_names.clear();
    m_toSelect = selected;
    m_changes.stop();
    unwatch(m_watchedFolder);
    watchSelected();
    {
        // A new folder starts with nothing selected.
        const QSignalBlocker blocker(this);
        clear();
        m_shown.clear();
    }
    const QByteArray native = FctDecoup::NativePath(folder);
    struct stat entry;
    if (::stat(native.constData(), &entry) != 0 || !S_ISDIR(entry.st_mode)
        || ::access(native.constData(), R_OK | X_OK) != 0)
        return false;
    m_watchedFolder = watch(folder);
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

QString FileList::entryName(int i) const
{
    return m_shown.value(i);
}

QString FileList::nameOf(const QListWidgetItem *entry) const
{
    return m_shown.value(row(entry));
}

QListWidgetItem *FileList::entryNamed(const QString &name) const
{
    return item(int(m_shown.indexOf(name)));
}

void FileList::watchSelected()
{
    unwatch(m_watchedFile);
    const QList<QListWidgetItem *> selected = selectedItems();
    if (!selected.isEmpty())
        m_watchedFile =
            watch(FctDecoup::AddBackslash(m_folder, QLatin1Char('/')) + nameOf(selected.first()));
}

int FileList::watch(const QString &path)
{
    // The watcher takes paths as Qt encodes them, which a name that is not UTF-8 does not survive:
    // it is given a descriptor of ours instead, by its name under /proc.
    const int fd = ::open(FctDecoup::NativePath(path).constData(), O_PATH | O_CLOEXEC);
    if (fd >= 0)
        m_watcher.addPath(QStringLiteral("/proc/self/fd/") + QString::number(fd));
    return fd;
}

void FileList::unwatch(int &fd)
{
    if (fd < 0)
        return;
    m_watcher.removePath(QStringLiteral("/proc/self/fd/") + QString::number(fd));
    ::close(std::exchange(fd, -1));
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
        QStringList names = FolderEntries::sorted(folder, FolderEntries::Kind::Files);
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
    const bool selectedGone = !selected.isEmpty() && !names.contains(nameOf(selected.first()));
    m_names = names;
    fill();
    if (!m_toSelect.isEmpty()) {
        if (QListWidgetItem *entry = entryNamed(std::exchange(m_toSelect, QString())))
            setCurrentItem(entry); // as by a click: entryClicked tells the window
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

    // A name is shown, and matched, as it reads; the entry keeps the name that the system holds.
    // A programmatic change of the content is no click of the user's.
    const QList<QListWidgetItem *> selected = selectedItems();
    const QString selectedName = selected.isEmpty() ? QString() : nameOf(selected.first());
    const QSignalBlocker blocker(this);
    clear();
    m_shown.clear();
    QStringList readables;
    for (const QString &name : std::as_const(m_names)) {
        const QString readable = FctDecoup::ReadablePath(name);
        if (std::none_of(patterns.cbegin(), patterns.cend(),
                         [&](const WildcardPattern &p) { return p.matches(readable); }))
            continue;
        m_shown.append(name);
        readables.append(readable);
    }
    addItems(readables);
    if (!selectedName.isEmpty()) {
        if (QListWidgetItem *again = entryNamed(selectedName))
            setCurrentItem(again);
    }
}
