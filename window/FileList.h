// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The file list File1: the files of one folder (hidden ones included, never folders, nor an
// operation's unfinished output) whose names match its pattern, sorted by name. It follows its
// folder: what another program adds, removes or renames there shows by itself, read off the
// window's thread. One entry may be selected at a time.
#pragma once

#include <QFileSystemWatcher>
#include <QListWidget>
#include <QThreadPool>
#include <QTimer>

#include <mutex>
#include <utility>

class FileList : public QListWidget
{
    Q_OBJECT

public:
    explicit FileList(QWidget *parent = nullptr);
    ~FileList() override;

    // Lists that folder, and selects the entry of that name (as the user would) once it is
    // listed; false when the folder cannot be listed. The list is then left empty, so that no
    // file of the folder shown before can be taken for one of the new folder.
    bool setFolder(const QString &folder, const QString &selected = QString());
    // Patterns as Windows has them: * and ?, "*.*" for every file, several separated by ';',
    // letter case ignored; an empty pattern lists every file. False for a pattern that no file
    // name could match (it holds a '/'); the list is then left as it was.
    bool setPattern(const QString &pattern);
    QString pattern() const { return m_pattern; }

    bool isEntrySelected(int i) const;
    // The name of entry i as the system holds it; what the entry shows is that name as it reads
    // (a name that is not UTF-8 shown as Windows-1252).
    QString entryName(int i) const;
    // Reads the folder again, keeping the selected name selected when it is still there. The
    // folder is read then, and when it is set or changes, never for a change of pattern, which
    // only narrows what was read: typing a pattern stays quick in a folder of 100,000 files.
    void refresh();

Q_SIGNALS:
    // The user changed the selected entry or clicked an entry.
    void entryClicked();
    // The folder was read again; selectedGone when the entry selected before is no longer in it.
    void reread(bool selectedGone);

private Q_SLOTS:
    // The reading that landed, from the thread that read it.
    void takeReading();

private:
    QString nameOf(const QListWidgetItem *entry) const;
    QListWidgetItem *entryNamed(const QString &name) const;
    // A descriptor of ours for path, which the watcher watches; -1 when it cannot be had.
    int watch(const QString &path);
    void unwatch(int &fd);
    void watchSelected();
    void folderChanged();
    void landed(int generation, const QStringList &names);
    // Shows the names read that match the pattern.
    void fill();

    QString m_folder;
    QStringList m_names; // every file of the folder, sorted
    QStringList m_shown; // the names of the entries shown, row by row
    QString m_pattern = QStringLiteral("*.*");
    QString m_toSelect; // once listed
    QFileSystemWatcher m_watcher;
    int m_watchedFolder = -1; // descriptors that the watcher watches
    int m_watchedFile = -1;
    QTimer m_changes;     // gathers a burst of changes into one reading
    int m_generation = 0; // of the folder set: a reading of an earlier one is dropped
    bool m_reading = false;
    bool m_readAgain = false;
    std::mutex m_readingMutex;
    std::pair<int, QStringList> m_read; // generation and names, under the mutex
    // Last: destroyed first, it waits for a reading that runs, whose result then goes nowhere.
    QThreadPool m_reader;
};
