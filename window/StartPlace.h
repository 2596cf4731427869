// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Where the window opens: the folder that the tree and the list show, and the file selected in it.
#pragma once

#include <QString>

#include <optional>

struct StartPlace
{
    QString folder;
    QString file = {}; // a name in folder, or none

    // For a path given by the user (on the command line, or dropped on the window): a folder, or
    // a file in its folder; none when the path names nothing that the program can read.
    static std::optional<StartPlace> fromPath(const QString &path);
    // For the program's command line, [FILE|FOLDER] (its arguments after the program's name).
    // Without an argument, or with one that fromPath refuses, the program's own folder; but an
    // installed program lies among the system's programs, where no cut can be written: it opens
    // the user's home folder instead.
    static StartPlace fromCommandLine(const QStringList &arguments, const QString &programFolder);
};
