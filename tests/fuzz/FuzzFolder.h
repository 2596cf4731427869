// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The scratch space of a fuzz target: a folder "set" where the operation runs, and a folder
// "outside" beside it that no operation may change. Both are made afresh for every input.
#pragma once

#include <QMap>
#include <QTemporaryDir>

class FuzzFolder
{
public:
    FuzzFolder();

    void reset();
    QString set() const;     // with a trailing separator
    QString outside() const; // with a trailing separator
    // Stops the process with a message when the operation wrote outside its folder.
    void verifyOutsideUntouched() const;

    static void write(const QString &path, const QByteArray &bytes);
    [[noreturn]] static void fail(const QString &what);

private:
    QTemporaryDir m_root;
    QStringList m_rootEntries;
    QMap<QString, QByteArray> m_outside;
};
