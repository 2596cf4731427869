// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The checksum file, as a restore reads it: the input's first byte says whether the recovery
// files lie beside the set (bit 0) and whether piece 2 is lost (bit 1); the rest is the checksum
// file of the set's three pieces.
#include "FuzzSet.h"

namespace {
FuzzSet *set = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    set = new FuzzSet;
    const QByteArray sums = set->files()[QStringLiteral("rapport.sha256")];
    for (const char flags : {'\0', '\1', '\2', '\3'})
        FuzzSet::seed(QByteArray("sums-").append(char('0' + flags)).constData(), flags + sums);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    FuzzSet::Files files = set->files();
    if (!(data[0] & 1)) {
        for (const QString &name : set->files().keys())
            name.endsWith(QLatin1String(".par2")) && files.remove(name);
    }
    if (data[0] & 2)
        files.remove(QStringLiteral("rapport.002"));
    files[QStringLiteral("rapport.sha256")] = input.sliced(1);
    set->restore(files, QStringLiteral("rapport.001"));
    return 0;
}
