// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The folder tree Tree1: the folders of the system, one column, no header. All the window needs
// of it is the selected folder's path, read and written as text, and a signal when it changes.
#pragma once

#include <QTreeView>

class FolderModel;

class FolderTree : public QTreeView
{
    Q_OBJECT

public:
    explicit FolderTree(QWidget *parent = nullptr);

    // The path of the selected folder, as the system's bytes carried by FctDecoup::PathFromNative.
    QString selectedFolder() const;
    // Selects, opens up to and shows the folder; false when there is no such folder.
    bool setSelectedFolder(const QString &path);

Q_SIGNALS:
    void folderSelected();

private:
    FolderModel *m_model = nullptr;
};
