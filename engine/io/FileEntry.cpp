// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FileEntry.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace FileEntry {

bool exists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool isSameFile(const QString &filePath, const QString &entryPath)
{
    // The same name is the same entry, even when that entry is a link to the file.
    if (QFileInfo(filePath).absoluteFilePath() == QFileInfo(entryPath).absoluteFilePath())
        return true;
    struct stat file
    {
    };
    struct stat entry
    {
    };
    if (::stat(QFile::encodeName(filePath).constData(), &file) != 0
        || ::lstat(QFile::encodeName(entryPath).constData(), &entry) != 0)
        return false;
    return file.st_dev == entry.st_dev && file.st_ino == entry.st_ino;
}

bool isReadOnly(const QString &path)
{
    const QFileDevice::Permissions writeBits =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !(QFileInfo(path).permissions() & writeBits);
}

} // namespace FileEntry
