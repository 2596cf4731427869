// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The folders of a file-system model by their names only: the tree shows one column, and a
// screen reader is told of no other (size, type and date, in English).
#pragma once

#include <QSortFilterProxyModel>

class FolderNameModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsColumn(int column, const QModelIndex &parent) const override;
};
