// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Path helpers and piece naming.
#include "FctDecoup.h"

#include <QTextBoundaryFinder>

namespace {

// Where the last `count` user-perceived characters of text begin, so that an accented letter
// or a surrogate pair is never cut in two; none when text holds fewer characters.
std::optional<qsizetype> startOfLastCharacters(const QString &text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toEnd();
    for (int i = 0; i < count; ++i) {
        if (finder.toPreviousBoundary() < 0)
            return std::nullopt;
    }
    return finder.position();
}

} // namespace

namespace FctDecoup {

QString SplitPath(const QString &path, bool nameFlag, QChar separator)
{
    const qsizetype last = path.lastIndexOf(separator);
    if (nameFlag)
        return last < 0 ? path : path.mid(last + 1);
    return last < 0 ? QString() : path.left(last + 1);
}

QString AddBackslash(const QString &folder, QChar separator)
{
    return folder.endsWith(separator) ? folder : folder + separator;
}

QString PieceSuffix(int n)
{
    Q_ASSERT(n >= 1 && n <= maxPieceCount);
    return QStringLiteral(".%1").arg(n, 3, 10, QLatin1Char('0'));
}

std::optional<QString> BaseName(const QString &fileName)
{
    const auto start = startOfLastCharacters(fileName, 4);
    if (!start)
        return std::nullopt;
    return fileName.left(*start);
}

QString ExtensionText(const QString &fileName)
{
    return fileName.mid(startOfLastCharacters(fileName, 3).value_or(0));
}

} // namespace FctDecoup
