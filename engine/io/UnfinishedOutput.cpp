// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "UnfinishedOutput.h"

#include <QFile>

void UnfinishedOutput::remove()
{
    for (const QString &path : std::as_const(m_paths))
        QFile::remove(path);
    m_paths.clear();
}
