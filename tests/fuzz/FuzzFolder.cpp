// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FuzzFolder.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

FuzzFolder::FuzzFolder() : m_root(QDir::tempPath() + QStringLiteral("/fendrax-fuzz-XXXXXX"))
{
    if (!m_root.isValid())
        fail(QStringLiteral("no scratch folder"));
}

void FuzzFolder::reset()
{
    for (const QString &sub : {QStringLiteral("set"), QStringLiteral("outside")}) {
        QDir folder(m_root.filePath(sub));
        // A fuzzed read-only piece must not keep the folder from being cleared.
        folder.removeRecursively();
        QDir(m_root.path()).mkdir(sub);
    }
    write(outside() + QStringLiteral("precious"), "must never change");
    m_rootEntries = TestFiles::snapshot(m_root.path()).keys();
    m_outside = TestFiles::snapshot(outside());
}

QString FuzzFolder::set() const
{
    return m_root.filePath(QStringLiteral("set")) + QLatin1Char('/');
}

QString FuzzFolder::outside() const
{
    return m_root.filePath(QStringLiteral("outside")) + QLatin1Char('/');
}

void FuzzFolder::verifyOutsideUntouched() const
{
    if (TestFiles::snapshot(m_root.path()).keys() != m_rootEntries
        || TestFiles::snapshot(outside()) != m_outside)
        fail(QStringLiteral("something changed outside the operation's folder"));
}

void FuzzFolder::write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.write(bytes);
}

void FuzzFolder::fail(const QString &what)
{
    std::fprintf(stderr, "FUZZ FAILURE: %s\n", qPrintable(what));
    std::abort();
}
