// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FolderNameModel.h"

bool FolderNameModel::filterAcceptsColumn(int column, const QModelIndex &) const
{
    return column == 0;
}
