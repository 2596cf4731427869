// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The piece header, as a restore reads it: the input is piece 1, beside the set's pieces 2 and 3,
// with neither checksum file nor recovery files.
#include "FuzzSet.h"

namespace {
FuzzSet *set = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    set = new FuzzSet;
    const QByteArray first = set->files()[QStringLiteral("rapport.001")];
    FuzzSet::seed("piece1", first);
    FuzzSet::seed("four-letter", "docx 003" + first.mid(8));
    FuzzSet::seed("no-extension", "     003" + first.mid(8));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSet::Files files;
    files[QStringLiteral("rapport.001")] = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const char *name : {"rapport.002", "rapport.003"})
        files[QLatin1String(name)] = set->files()[QLatin1String(name)];
    set->restore(files, QStringLiteral("rapport.001"));
    return 0;
}
