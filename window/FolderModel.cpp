// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FolderModel.h"
#include "FctDecoup.h"
#include "FolderEntries.h"

#include <algorithm>

struct FolderModel::Node
{
    QString name; // as the system holds it; "/" for the root
    QString shown;
    Node *parent = nullptr;
    int row = 0;
    bool listed = false;
    std::vector<std::unique_ptr<Node>> children;
};

FolderModel::FolderModel(QObject *parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<Node>())
{
    auto top = std::make_unique<Node>();
    top->name = top->shown = QStringLiteral("/");
    top->parent = m_root.get();
    m_root->children.push_back(std::move(top));
    m_root->listed = true;
}

FolderModel::~FolderModel() = default;

FolderModel::Node *FolderModel::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : m_root.get();
}

QModelIndex FolderModel::indexOf(Node *node) const
{
    return node == m_root.get() ? QModelIndex() : createIndex(node->row, 0, node);
}

QString FolderModel::path(const QModelIndex &index) const
{
    const Node *node = nodeOf(index);
    if (node == m_root.get())
        return {};
    QStringList names;
    for (; node->parent != m_root.get(); node = node->parent)
        names.prepend(node->name);
    return QLatin1Char('/') + names.join(QLatin1Char('/'));
}

QModelIndex FolderModel::indexOf(const QString &path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return {};
    Node *node = m_root->children.front().get();
    for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (name == QLatin1String("."))
            continue;
        if (name == QLatin1String("..")) {
            node = node->parent == m_root.get() ? node : node->parent;
            continue;
        }
        fetchMore(indexOf(node));
        const auto child = std::find_if(node->children.begin(), node->children.end(),
                                        [&](const auto &c) { return c->name == name; });
        if (child == node->children.end())
            return {};
        node = child->get();
    }
    return indexOf(node);
}

QModelIndex FolderModel::index(int row, int column, const QModelIndex &parent) const
{
    const Node *node = nodeOf(parent);
    if (column != 0 || row < 0 || row >= int(node->children.size()))
        return {};
    return createIndex(row, 0, node->children[size_t(row)].get());
}

QModelIndex FolderModel::parent(const QModelIndex &child) const
{
    return child.isValid() ? indexOf(nodeOf(child)->parent) : QModelIndex();
}

int FolderModel::rowCount(const QModelIndex &parent) const
{
    return parent.column() > 0 ? 0 : int(nodeOf(parent)->children.size());
}

int FolderModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant FolderModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return nodeOf(index)->shown;
    return {};
}

// A folder not listed yet may hold folders: the tree offers to open it, and finds out then.
bool FolderModel::hasChildren(const QModelIndex &parent) const
{
    const Node *node = nodeOf(parent);
    return !node->listed || !node->children.empty();
}

bool FolderModel::canFetchMore(const QModelIndex &parent) const
{
    return !nodeOf(parent)->listed;
}

void FolderModel::fetchMore(const QModelIndex &parent)
{
    Node *node = nodeOf(parent);
    if (node->listed)
        return;
    node->listed = true;
    const QStringList names = FolderEntries::sorted(path(parent), FolderEntries::Kind::Folders);
    if (names.isEmpty()) {
        // The expander goes: the folder holds none.
        Q_EMIT dataChanged(parent, parent);
        return;
    }
    beginInsertRows(parent, 0, int(names.size()) - 1);
    for (const QString &name : names) {
        auto child = std::make_unique<Node>();
        child->name = name;
        child->shown = FctDecoup::ReadablePath(name);
        child->parent = node;
        child->row = int(node->children.size());
        node->children.push_back(std::move(child));
    }
    endInsertRows();
}
