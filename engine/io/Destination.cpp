// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Destination.h"

#include "FctDecoup.h"

#include <cerrno>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {
constexpr long msdosMagic = 0x4d44; // vfat: FAT12, FAT16 and FAT32
}

namespace Destination {

std::optional<Refusal> refusal(const QString &folder, const QList<qint64> &lengths, qint64 freed)
{
    const QByteArray path = FctDecoup::NativePath(folder);
    // A read-only mount refuses even root.
    if (::access(path.constData(), W_OK) != 0)
        return Refusal{errno};
    struct statvfs room;
    struct statfs system;
    if (::statvfs(path.constData(), &room) != 0 || ::statfs(path.constData(), &system) != 0)
        return Refusal{errno};
    if (room.f_flag & ST_RDONLY)
        return Refusal{EROFS};
    qint64 needed = 0;
    const qint64 block = qint64(std::max<unsigned long>(room.f_bsize, 1));
    for (const qint64 length : lengths) {
        if (system.f_type == msdosMagic && length > fatLimit)
            return Refusal{0, 0, 0, length};
        needed += (length + block - 1) / block * block;
    }
    const qint64 free = qint64(room.f_bavail) * qint64(room.f_frsize);
    if (needed > free + freed)
        return Refusal{0, needed, free + freed, 0};
    return std::nullopt;
}

} // namespace Destination
