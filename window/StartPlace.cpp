// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "StartPlace.h"
#include "FctDecoup.h"
#include "WindowTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

std::optional<StartPlace> StartPlace::fromPath(const QString &given)
{
    // By the bytes the system holds: a name that is not UTF-8 opens too.
    const QString path = QDir::cleanPath(FctDecoup::AbsolutePath(given));
    const QByteArray native = FctDecoup::NativePath(path);
    struct stat entry;
    if (::stat(native.constData(), &entry) != 0 || ::access(native.constData(), R_OK) != 0)
        return std::nullopt;
    if (S_ISDIR(entry.st_mode))
        return StartPlace{path};
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (S_ISREG(entry.st_mode))
        return StartPlace{slash > 0 ? path.left(slash) : QStringLiteral("/"), path.mid(slash + 1)};
    return std::nullopt;
}

StartPlace StartPlace::fromCommandLine(const QStringList &arguments, const QString &programFolder)
{
    if (arguments.size() == 1) {
        if (const std::optional<StartPlace> place = fromPath(arguments[0]))
            return *place;
    }
    // A desktop has no terminal to show this; started from one, the user learns why.
    if (!arguments.isEmpty())
        QTextStream(stderr) << WindowTexts::commandLineRefused(arguments) << Qt::endl;
    // The installation, not the build's settings, tells: the program's desktop entry lies beside
    // an installed program (a package may put it elsewhere than the build's prefix said).
    const bool installed = QFileInfo::exists(
        programFolder + QLatin1String("/../share/applications/" FENDRAX_APP_ID ".desktop"));
    return StartPlace{installed ? QDir::homePath() : programFolder};
}
