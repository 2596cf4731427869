// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Files for the tests to work on: made, read, and compared before and after an operation.
#pragma once

#include <QtTest>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestFiles {

using Snapshot = QMap<QString, QByteArray>;

// Whether the file at path now holds bytes, then zeros up to length (a sparse file, when long).
[[nodiscard]] inline bool write(const QString &path, const QByteArray &bytes, qint64 length = -1)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
           && (length < 0 || file.resize(length));
}

inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>";
}

// Puts entries into folder: "name" a file that holds "old", "name/" a folder, "name!" a read-only
// file, "name|" a FIFO, "name@target" a link to target; "" is nothing. False when one could not
// be made.
[[nodiscard]] inline bool populate(const QString &folder, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QString name = entry.section('@', 0, 0).remove(QRegularExpression("[/!|]$"));
        const QString path = folder + '/' + name;
        const bool made = entry.contains('@')   ? QFile::link(entry.section('@', 1), path)
                          : entry.endsWith('/') ? QDir(folder).mkdir(name)
                          : entry.endsWith('|') ? mkfifo(QFile::encodeName(path), 0644) == 0
                          : entry.isEmpty()     ? true
                                                : write(path, "old");
        if (!made
            || (entry.endsWith('!')
                && !QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup)))
            return false;
    }
    return true;
}

// Removes the folder at path and all it holds, by the names' bytes: QTemporaryDir removes by
// the names that Qt gives them, which a name that is not UTF-8 does not survive.
[[nodiscard]] inline bool removeTree(const QByteArray &path)
{
    return ::nftw(
               path.constData(),
               [](const char *entry, const struct stat *, int, struct FTW *) {
                   return ::remove(entry);
               },
               16, FTW_DEPTH | FTW_PHYS)
           == 0;
}

// Every entry of a folder and what it holds; a big file by its length.
constexpr QDir::Filters everyEntry =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

inline Snapshot snapshot(const QString &folder)
{
    Snapshot entries;
    for (const QFileInfo &info : QDir(folder).entryInfoList(everyEntry)) {
        QByteArray &what = entries[info.fileName()];
        if (info.isSymLink())
            what = "<link>" + QDir(folder).relativeFilePath(info.symLinkTarget()).toUtf8();
        else if (info.isDir())
            what = "<dir>";
        else if (!info.isFile())
            what = "<special>"; // a FIFO, never opened
        else if (info.size() < (1 << 20))
            what = read(info.filePath());
        else
            what = QByteArray::number(info.size());
    }
    return entries;
}

// Runs body in a child process, so that what it does to itself (a limit, a kill) ends with it;
// true when body returned true. With a limit, files cannot grow past limit bytes there (ulimit -f,
// its signal left as it is by default: it kills a program that does not take care).
inline bool inChild(qint64 limit, const std::function<bool()> &body)
{
    const pid_t child = fork();
    if (child == 0) {
        const rlimit rl{limit > 0 ? rlim_t(limit) : RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &rl);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A file held as a program that shares it may hold it (a write lease): whoever opens it waits
// until the hold ends. An operation then waits on the disk, at a place the test knows.
struct Held
{
    explicit Held(const QString &path) : fd(open(QFile::encodeName(path).constData(), O_RDONLY))
    {
        std::signal(SIGIO, SIG_IGN); // how the system tells the holder that someone waits
        held = fd >= 0 && fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
    }
    ~Held() { close(fd); }
    const int fd;
    bool held = false;
};

// A file system mounted on a folder for a test's time (root only): "ro", the folder itself made
// read-only by a bind mount; "tmpfs" of size bytes; "vfat" or "ext4", an image of size bytes.
struct Mount
{
    Mount(const QString &on, const QString &kind, qint64 size = 0) : folder(on)
    {
        const QString image = folder + ".img";
        const QString sizeOption = "size=" + QString::number(size);
        const QList<QStringList> commands =
            kind == "ro" ? QList<QStringList>{{"mount", "--bind", folder, folder},
                                              {"mount", "-o", "remount,bind,ro", folder}}
            : kind == "tmpfs"
                ? QList<QStringList>{{"mount", "-t", "tmpfs", "-o", sizeOption, "tmpfs", folder}}
                : QList<QStringList>{{"truncate", "-s", QString::number(size), image},
                                     kind == "ext4" ? QStringList{"mkfs.ext4", "-q", "-F", image}
                                                    : QStringList{"mkfs.vfat", "-F", "32", image},
                                     {"mount", "-o", "loop", image, folder}};
        mounted = QDir().mkpath(folder);
        for (const QStringList &command : commands)
            mounted = mounted && QProcess::execute(command[0], command.mid(1)) == 0;
    }
    ~Mount()
    {
        if (mounted)
            QProcess::execute("umount", {folder});
        QFile::remove(folder + ".img");
    }
    const QString folder;
    bool mounted = false;
};

// The files of folder out of the system's cache, as after a reboot: what reads them comes to the
// disk.
inline bool evict(const QString &folder)
{
    bool evicted = true;
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        const int fd =
            ::open(QFile::encodeName(folder + '/' + name).constData(), O_RDONLY | O_CLOEXEC);
        evicted = evicted && fd >= 0 && ::fdatasync(fd) == 0
                  && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
        if (fd >= 0)
            ::close(fd);
    }
    return evicted;
}

inline qsizetype openDescriptors()
{
    return QDir("/proc/self/fd").entryList(everyEntry).size();
}

} // namespace TestFiles
