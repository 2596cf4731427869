// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FolderTree.h"
#include "FolderModel.h"

#include <QTimer>

FolderTree::FolderTree(QWidget *parent) : QTreeView(parent), m_model(new FolderModel(this))
{
    setModel(m_model);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderTree::folderSelected);
}

QString FolderTree::selectedFolder() const
{
    return m_model->path(currentIndex());
}

bool FolderTree::setSelectedFolder(const QString &path)
{
    const QModelIndex index = m_model->indexOf(path);
    if (!index.isValid())
        return false;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        expand(above);
    setCurrentIndex(index);
    // Once the view has laid out the rows just listed.
    QTimer::singleShot(0, this, [this] {
        if (currentIndex().isValid())
            scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    return true;
}
