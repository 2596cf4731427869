// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The folders of the system as a tree of one column, each listed when it is first opened, by the
// names that the system holds: a folder whose name is not UTF-8 is shown as it reads and opened by
// its bytes. Hidden folders are left out; links to folders are in. What a folder holds is read
// once, as the tree first shows it.
#pragma once

#include <QAbstractItemModel>

#include <memory>
#include <vector>

class FolderModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit FolderModel(QObject *parent = nullptr);
    ~FolderModel() override;

    // The folder's path, as the system's bytes carried by FctDecoup::PathFromNative.
    QString path(const QModelIndex &index) const;
    // The index of the folder at path (absolute), its parents listed on the way; invalid when
    // there is no such folder.
    QModelIndex indexOf(const QString &path);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    struct Node;
    Node *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOf(Node *node) const;

    std::unique_ptr<Node> m_root; // above "/", which is its only child
};
