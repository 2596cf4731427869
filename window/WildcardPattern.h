// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// A file-name pattern with the wildcards that Windows users know: * for any run of characters,
// ? for one character, and "*.*" for every name, also one without a point. Any other character,
// [ included, matches only itself.
#pragma once

#include <QString>

class WildcardPattern
{
public:
    explicit WildcardPattern(const QString &pattern, Qt::CaseSensitivity caseSensitivity);

    bool matches(const QString &name) const;

private:
    QString m_pattern;
    Qt::CaseSensitivity m_caseSensitivity = Qt::CaseSensitive;
};
