// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FileEntry.h"
#include "FctDecoup.h"

#include <dirent.h>
#include <unistd.h>

namespace FileEntry {

using FctDecoup::NativePath;

std::optional<struct stat> status(const QString &path, bool follow)
{
    struct stat entry;
    const QByteArray name = NativePath(path);
    if ((follow ? ::stat(name.constData(), &entry) : ::lstat(name.constData(), &entry)) != 0)
        return std::nullopt;
    return entry;
}

bool exists(const QString &path)
{
    return status(path, false).has_value();
}

qint64 fileSize(const QString &path)
{
    const std::optional<struct stat> entry = status(path, true);
    return entry && S_ISREG(entry->st_mode) ? qint64(entry->st_size) : -1;
}

mode_t permissions(const QString &path)
{
    const std::optional<struct stat> entry = status(path, true);
    return entry ? entry->st_mode & 0777 : 0;
}

bool isSameFile(const QString &filePath, const QString &entryPath)
{
    // The same name is the same entry, even when that entry is a link to the file.
    if (filePath == entryPath)
        return true;
    const std::optional<struct stat> file = status(filePath, true);
    const std::optional<struct stat> entry = status(entryPath, false);
    return file && entry && file->st_dev == entry->st_dev && file->st_ino == entry->st_ino;
}

bool isReadOnly(const QString &path)
{
    const std::optional<struct stat> entry = status(path, true);
    return entry && !(entry->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH));
}

bool remove(const QString &path)
{
    return ::unlink(NativePath(path).constData()) == 0;
}

QStringList namesIn(const QString &folder, const std::function<bool(const QString &)> &wanted)
{
    QStringList names;
    DIR *const dir = ::opendir(NativePath(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = FctDecoup::PathFromNative(entry->d_name);
        if (wanted(name))
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

} // namespace FileEntry
