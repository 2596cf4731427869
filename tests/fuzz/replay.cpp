// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Replays inputs through a fuzz target without libFuzzer, in the ordinary suite: each file given,
// and each file of each folder given. Every input must run to its end, and, in a build without
// sanitizers, the whole replay within the program's memory bound.
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>
#include <sys/resource.h>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const QString given = QFile::decodeName(argv[i]);
        QStringList paths{given};
        if (!QFileInfo::exists(given)) // a folder of regressions that holds none yet
            continue;
        if (QFileInfo(given).isDir()) {
            paths.clear();
            for (const QString &name : QDir(given).entryList(QDir::Files | QDir::Hidden, QDir::Name))
                paths.append(given + QLatin1Char('/') + name);
        }
        for (const QString &path : std::as_const(paths)) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return 2;
            const QByteArray input = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()),
                                   size_t(input.size()));
            ++count;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long peakMib = usage.ru_maxrss / 1024;
    std::printf("%d inputs replayed, peak memory %ld MiB\n", count, peakMib);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    if (peakMib > 96)
        return 1;
#endif
    return count > 0 ? 0 : 1;
}
