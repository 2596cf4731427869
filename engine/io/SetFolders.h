// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Where a set's files lie: in one folder, or, for a set carried on several media, in the folders
// of the media that are there, each holding some of its pieces and recovery volumes.
#pragma once

#include "FctDecoup.h"
#include "FileEntry.h"

#include <QString>
#include <QStringList>

class SetFolders
{
public:
    // A set in one folder: the one the restore starts from.
    SetFolders(const QString &first) : m_folders{FctDecoup::AddBackslash(first)} {}

    // Another medium's folder, looked in after those known.
    void add(const QString &folder)
    {
        const QString withSeparator = FctDecoup::AddBackslash(folder);
        if (!m_folders.contains(withSeparator))
            m_folders.append(withSeparator);
    }
    const QStringList &folders() const { return m_folders; }
    const QString &first() const { return m_folders.first(); }
    // The file of that name in the first folder that holds one; in the first folder when none
    // does, where a missing file is reported.
    QString path(const QString &name) const
    {
        for (const QString &folder : m_folders) {
            if (FileEntry::exists(folder + name))
                return folder + name;
        }
        return m_folders.first() + name;
    }
    bool holds(const QString &name) const
    {
        for (const QString &folder : m_folders) {
            if (FileEntry::exists(folder + name))
                return true;
        }
        return false;
    }

private:
    QStringList m_folders;
};
