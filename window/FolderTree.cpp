// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FolderTree.h"
#include "FolderNameModel.h"

#include <QFileSystemModel>
#include <QHeaderView>
#include <QTimer>

FolderTree::FolderTree(QWidget *parent)
    : QTreeView(parent), m_model(new QFileSystemModel(this)), m_names(new FolderNameModel(this))
{
    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    // Watching every folder listed so far, the model would list a folder again at each file that
    // another program creates or removes there (a busy /tmp kept it at half a core). The tree is
    // read as the folders were when they were first shown.
    m_model->setOption(QFileSystemModel::DontWatchForChanges);
    m_model->setRootPath(QDir::rootPath());
    m_names->setSourceModel(m_model);
    setModel(m_names);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderTree::folderSelected);
    // The model lists folders in the background: rows above the selected folder arrive late and
    // push it out of sight, so it is brought back into view as they come.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, &FolderTree::keepSelectedInView);
    connect(m_model, &QFileSystemModel::layoutChanged, this, &FolderTree::keepSelectedInView);
}

QString FolderTree::selectedFolder() const
{
    return QDir::toNativeSeparators(m_model->filePath(m_names->mapToSource(currentIndex())));
}

bool FolderTree::setSelectedFolder(const QString &path)
{
    const QModelIndex index = m_model->index(QDir::cleanPath(path));
    if (!index.isValid() || !m_model->isDir(index))
        return false;
    setCurrentIndex(m_names->mapFromSource(index));
    m_followSelection = true;
    keepSelectedInView();
    return true;
}

void FolderTree::keepSelectedInView()
{
    // After the view has laid out the rows that just arrived or moved.
    QTimer::singleShot(0, this, [this] {
        if (m_followSelection && currentIndex().isValid())
            scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
    });
}

void FolderTree::mousePressEvent(QMouseEvent *event)
{
    m_followSelection = false;
    QTreeView::mousePressEvent(event);
}

void FolderTree::wheelEvent(QWheelEvent *event)
{
    m_followSelection = false;
    QTreeView::wheelEvent(event);
}

void FolderTree::keyPressEvent(QKeyEvent *event)
{
    m_followSelection = false;
    QTreeView::keyPressEvent(event);
}
