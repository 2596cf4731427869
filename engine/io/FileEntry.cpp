// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FileEntry.h"

#include <QFile>
#include <QFileInfo>

#include <dirent.h>
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

QStringList namesIn(const QString &folder, const std::function<bool(const QString &)> &wanted)
{
    QStringList names;
    DIR *const dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (wanted(name))
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

} // namespace FileEntry
