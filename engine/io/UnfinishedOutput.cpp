// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "UnfinishedOutput.h"

#include "FileEntry.h"

void UnfinishedOutput::remove()
{
    for (const QString &path : std::as_const(m_paths))
        FileEntry::remove(path);
    m_paths.clear();
}
