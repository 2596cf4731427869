// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "SetLock.h"
#include "FctDecoup.h"
#include "FileEntry.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QLatin1String setEnding(".fendrax");
const QLatin1String fileEnding(".fendrax-file");

// Whether the folder open as fd is still the one at path: a holder that let the name go may
// have removed it between our open and our lock.
bool stillThere(int fd, const QByteArray &path)
{
    struct stat opened, now;
    return ::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &now) == 0
           && opened.st_dev == now.st_dev && opened.st_ino == now.st_ino;
}

} // namespace

SetLock::State SetLock::take(const QString &folder, const QString &name, Names names, Mode mode)
{
    const QString work = folder + QLatin1Char('.') + name
                         + (names == Names::Set ? setEnding : fileEnding) + QLatin1Char('/');
    if (m_fd >= 0 && work == m_work)
        return State::Held;
    release();
    const QByteArray path = FctDecoup::NativePath(work.chopped(1));
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
            return State::Failed;
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT)
            continue;
        // The name is the program's own: a file or a link that holds it goes, as a writer's
        // leftovers do.
        if (fd < 0 && (errno == ENOTDIR || errno == ELOOP) && mode == Mode::Write
            && ::unlink(path.constData()) == 0)
            continue;
        if (fd < 0)
            return State::Failed;
        int locked;
        while ((locked = ::flock(fd, (mode == Mode::Write ? LOCK_EX : LOCK_SH) | LOCK_NB)) != 0
               && errno == EINTR) {
        }
        if (locked != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            errno = EWOULDBLOCK;
            return State::Busy;
        }
        if (!stillThere(fd, path)) {
            ::close(fd);
            continue;
        }
        m_fd = fd;
        m_work = work;
        // A writer alone holds the name: what lies in the folder, a killed operation left. A file
        // system without locks (some network shares) holds the name by the folder alone, and
        // nothing in it is taken for left over.
        if (mode == Mode::Write && locked == 0) {
            for (const QString &left : FileEntry::namesIn(work, [](const QString &entry) {
                     return entry != QLatin1String(".") && entry != QLatin1String("..");
                 }))
                FileEntry::remove(work + left);
        }
        return State::Held;
    }
    errno = EBUSY;
    return State::Failed;
}

QString SetLock::temporaryPath(const QString &path) const
{
    return m_work + FctDecoup::SplitPath(path, true);
}

void SetLock::release()
{
    if (m_fd < 0)
        return;
    // The last holder removes the folder; whoever opened it meanwhile finds it gone, and makes it
    // anew.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        ::rmdir(FctDecoup::NativePath(m_work.chopped(1)).constData());
    ::close(m_fd);
    m_fd = -1;
    m_work.clear();
}
