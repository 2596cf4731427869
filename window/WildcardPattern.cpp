// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "WildcardPattern.h"

WildcardPattern::WildcardPattern(const QString &pattern, Qt::CaseSensitivity caseSensitivity)
    : m_pattern(pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern),
      m_caseSensitivity(caseSensitivity)
{}

bool WildcardPattern::matches(const QString &name) const
{
    // Greedy matching with one backtrack point: linear in practice, never exponential.
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < m_pattern.size() && m_pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < m_pattern.size()
                   && (m_pattern[p] == QLatin1Char('?')
                       || QStringView(m_pattern).mid(p, 1).compare(QStringView(name).mid(n, 1),
                                                                   m_caseSensitivity)
                              == 0)) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < m_pattern.size() && m_pattern[p] == QLatin1Char('*'))
        ++p;
    return p == m_pattern.size();
}
