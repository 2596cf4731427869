// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "StartPlace.h"
#include "WindowTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

std::optional<StartPlace> StartPlace::fromPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isReadable())
        return std::nullopt;
    if (info.isDir())
        return StartPlace{info.absoluteFilePath()};
    if (info.isFile())
        return StartPlace{info.absolutePath(), info.fileName()};
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
