// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The file list File1: the files of one folder (hidden ones included, never folders) whose names
// match its pattern, sorted by name, listed at once. One entry may be selected at a time.
#pragma once

#include <QListWidget>

class FileList : public QListWidget
{
    Q_OBJECT

public:
    explicit FileList(QWidget *parent = nullptr);

    // Lists that folder; false when it cannot be listed. The list is then left empty, so that
    // no file of the folder shown before can be taken for one of the new folder.
    bool setFolder(const QString &folder);
    // Patterns as Windows has them: * and ?, "*.*" for every file, several separated by ';',
    // letter case ignored; an empty pattern lists every file. False for a pattern that no file
    // name could match (it holds a '/'); the list is then left as it was.
    bool setPattern(const QString &pattern);
    QString pattern() const { return m_pattern; }

    bool isEntrySelected(int i) const;
    QString entryText(int i) const;
    // Lists the folder again, keeping the selected name selected when it is still there. The
    // folder is read here and when it is set, never for a change of pattern, which only narrows
    // what was read: typing a pattern stays quick in a folder of 100,000 files.
    void refresh();

Q_SIGNALS:
    // The user changed the selected entry or clicked an entry.
    void entryClicked();

private:
    // Shows the names read that match the pattern.
    void fill();

    QString m_folder;
    QStringList m_names; // every file of the folder, sorted
    QString m_pattern = QStringLiteral("*.*");
};
