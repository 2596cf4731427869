// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The folder tree Tree1: the folders of the system, one column, no header. All the window needs
// of it is the selected folder's path, read and written as text, and a signal when it changes.
#pragma once

#include <QTreeView>

class FolderNameModel;
class QFileSystemModel;

class FolderTree : public QTreeView
{
    Q_OBJECT

public:
    explicit FolderTree(QWidget *parent = nullptr);

    QString selectedFolder() const;
    // Selects, opens up to and shows the folder; false when there is no such folder.
    bool setSelectedFolder(const QString &path);

Q_SIGNALS:
    void folderSelected();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The model lists folders in the background: rows that arrive late push the selected folder
    // out of sight, so it is brought back into view until the user takes the tree in hand.
    void keepSelectedInView();

    QFileSystemModel *m_model = nullptr;
    FolderNameModel *m_names = nullptr;
    bool m_followSelection = false;
};
