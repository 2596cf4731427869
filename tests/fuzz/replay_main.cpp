// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Runs a fuzz target once on every file of the folders given: the seed corpus and the inputs
// that once found a fault, kept so that the fault stays mended.
#include <QDirIterator>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

int main(int argc, char *argv[])
{
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        QDirIterator it(QString::fromLocal8Bit(argv[i]), QDir::Files | QDir::Hidden);
        while (it.hasNext()) {
            QFile input(it.next());
            if (!input.open(QIODevice::ReadOnly))
                return 1;
            const QByteArray bytes = input.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                   static_cast<std::size_t>(bytes.size()));
            ++runs;
        }
    }
    // A failing input aborts the process before this line.
    std::printf("%d passed, 0 failed\n", runs);
    return runs > 0 ? 0 : 1;
}
