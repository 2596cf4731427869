// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The files that an operation has begun. Until it keeps them, they are its unfinished output, and
// they go when it ends on any path: failed, stopped, or refused half-way.
#pragma once

#include <QStringList>

class UnfinishedOutput
{
public:
    UnfinishedOutput() = default;
    ~UnfinishedOutput() { remove(); }
    UnfinishedOutput(const UnfinishedOutput &) = delete;
    UnfinishedOutput &operator=(const UnfinishedOutput &) = delete;

    void add(const QString &path) { m_paths.append(path); }
    const QStringList &paths() const { return m_paths; }
    // The operation ended with them whole: they stay.
    void keep() { m_paths.clear(); }
    // The operation ends without them: they go now.
    void remove();

private:
    QStringList m_paths;
};
