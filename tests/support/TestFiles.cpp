// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace TestFiles {

QByteArray pattern(qint64 length, int seed)
{
    QByteArray bytes(length, Qt::Uninitialized);
    quint32 state = 2463534242u + static_cast<quint32>(seed);
    for (qint64 i = 0; i < length; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<char>(state);
    }
    return bytes;
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return file.readAll();
}

QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    const QFileInfoList infos = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden
                                                           | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : infos) {
        if (info.isSymLink())
            entries[info.fileName()] = "<link>" + info.symLinkTarget().toUtf8();
        else if (info.isDir())
            entries[info.fileName()] = "<dir>";
        else if (info.isFile())
            entries[info.fileName()] = read(info.filePath());
        else
            entries[info.fileName()] = "<special>";
    }
    return entries;
}

} // namespace TestFiles

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestFiles {

QStringList runInChild(const std::function<QStringList()> &body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {QStringLiteral("<pipe failed>")};
    const pid_t child = fork();
    if (child == 0) {
        ::close(fds[0]);
        const QByteArray out = body().join(QLatin1Char('\n')).toUtf8();
        qsizetype done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(fds[1], out.constData() + done, out.size() - done);
            if (n <= 0)
                break;
            done += n;
        }
        _exit(0);
    }
    ::close(fds[1]);
    QByteArray in;
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(fds[0], chunk, sizeof chunk)) > 0)
        in.append(chunk, n);
    ::close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {QStringLiteral("<child failed>")};
    return QString::fromUtf8(in).split(QLatin1Char('\n'));
}

void limitFileSize(qint64 limit)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    setrlimit(RLIMIT_FSIZE, &rl);
}

void limitOpenFiles(int count)
{
    // New descriptors take the lowest free numbers: the limit is set just past the count-th
    // free one. Descriptors are probed one by one: listing them would open one more.
    int limit = 0;
    for (int free = 0; free < count; ++limit) {
        if (fcntl(limit, F_GETFD) == -1)
            ++free;
    }
    const rlimit rl{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    setrlimit(RLIMIT_NOFILE, &rl);
}

int openDescriptorCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                                .size());
}

} // namespace TestFiles
