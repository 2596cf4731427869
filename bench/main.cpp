// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// fendrax-bench: runs the real engine without a window, for benchmarks and scripted checks.
//   fendrax-bench cut FILE SIZE_KB [--answer ok|cancel] [--recovery SLICES] [--to DIR]
//   fendrax-bench restore FIRST_PIECE [--to DIR]
//   fendrax-bench roundtrip --mib N --size KB [--dir DIR]
#include "FctDecoup.h"
#include "JsonLinesWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

int usage()
{
    QTextStream(stderr) << "usage: fendrax-bench cut FILE SIZE_KB [--answer ok|cancel] "
                           "[--recovery SLICES] [--to DIR]\n"
                           "       fendrax-bench restore FIRST_PIECE [--to DIR]\n"
                           "       fendrax-bench roundtrip --mib N --size KB [--dir DIR]\n";
    return 2;
}

// The value after a flag, or def when the flag is absent.
QString option(const QStringList &args, const QString &flag, const QString &def = {})
{
    const qsizetype i = args.indexOf(flag);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : def;
}

// The folder after --to, made absolute; none when there is no --to.
QString destination(const QStringList &args)
{
    const QString to = option(args, QStringLiteral("--to"));
    return to.isEmpty() ? QString() : QFileInfo(to).absoluteFilePath();
}

bool writeRandomFile(const QString &path, qint64 mib)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk(mebibyte, Qt::Uninitialized);
    for (qint64 i = 0; i < mib; ++i) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(chunk.data()),
                                              chunk.size() / sizeof(quint32));
        if (file.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

bool sameBytes(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(mebibyte) != fb.read(mebibyte))
            return false;
    }
    return true;
}

double peakMemoryMib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

int roundtrip(const QStringList &args)
{
    bool mibOk = false, sizeOk = false;
    const qint64 mib = option(args, QStringLiteral("--mib")).toLongLong(&mibOk);
    const double sizeKb = option(args, QStringLiteral("--size")).toDouble(&sizeOk);
    if (!mibOk || !sizeOk || mib < 1)
        return usage();
    QTemporaryDir scratch;
    const QString dir = option(args, QStringLiteral("--dir"), scratch.path());
    const QString source = dir + QStringLiteral("/roundtrip.bin");
    const QString original = dir + QStringLiteral("/roundtrip-original.bin");
    QTextStream out(stdout);
    if (!writeRandomFile(source, mib)) {
        out << "roundtrip: cannot write " << source << '\n';
        return 1;
    }

    JsonLinesWindow window(MessageAnswer::Ok, true);
    QElapsedTimer timer;
    timer.start();
    FctDecoup::CutFile(window, source, sizeKb);
    const double cutSeconds = timer.nsecsElapsed() / 1e9;
    if (!QFile::rename(source, original)) {
        out << "roundtrip: the cut did not complete\n";
        return 1;
    }
    timer.restart();
    FctDecoup::RestoreFile(window, dir + QStringLiteral("/roundtrip.001"));
    const double restoreSeconds = timer.nsecsElapsed() / 1e9;
    const bool same = sameBytes(original, source);

    out << "roundtrip: " << mib << " MiB in pieces of " << sizeKb << " KB\n"
        << "cut:     " << mib / cutSeconds << " MiB/s\n"
        << "restore: " << mib / restoreSeconds << " MiB/s\n"
        << "peak memory: " << peakMemoryMib() << " MiB\n"
        << "bytes: " << (same ? "identical" : "DIFFERENT") << '\n';
    if (args.indexOf(QStringLiteral("--dir")) >= 0) {
        // Leave the caller's folder as it was found.
        QFile::remove(original);
        QFile::remove(source);
        QFile::remove(dir + QStringLiteral("/roundtrip.sha256"));
        for (int n = 1; n <= FctDecoup::maxPieceCount; ++n)
            QFile::remove(dir + QStringLiteral("/roundtrip") + FctDecoup::PieceSuffix(n));
    }
    return same ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args[0];

    if (command == QLatin1String("roundtrip"))
        return roundtrip(args);

    if (command == QLatin1String("cut") && args.size() >= 3) {
        const QString answer = option(args, QStringLiteral("--answer"), QStringLiteral("ok"));
        if (answer != QLatin1String("ok") && answer != QLatin1String("cancel"))
            return usage();
        // By default, as many recovery slices as the window's cut makes.
        std::optional<int> recoverySlices;
        if (const QString slices = option(args, QStringLiteral("--recovery")); !slices.isEmpty()) {
            bool ok = false;
            recoverySlices = slices.toInt(&ok);
            if (!ok || *recoverySlices < 1 || *recoverySlices > FctDecoup::maxPieceCount)
                return usage();
        }
        const QString file = QFileInfo(args[1]).absoluteFilePath();
        JsonLinesWindow window(
            answer == QLatin1String("ok") ? MessageAnswer::Ok : MessageAnswer::Cancel, false);
        FctDecoup::CutFile(window, file, args[2].toDouble(), recoverySlices, destination(args));
        window.printDone();
        return 0;
    }
    if (command == QLatin1String("restore") && (args.size() == 2 || args.size() == 4)) {
        const QString file = QFileInfo(args[1]).absoluteFilePath();
        JsonLinesWindow window(MessageAnswer::Ok, false);
        FctDecoup::RestoreFile(window, file, destination(args));
        window.printDone();
        return 0;
    }
    return usage();
}
