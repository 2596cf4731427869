// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Path helpers and piece naming.
#include "FctDecoup.h"
#include "PieceHeader.h"

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

SetName SetNameOf(const QString &fileName)
{
    const qsizetype point = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = fileName.mid(point + 1);
    // Only an extension that the header gives back unchanged may leave the pieces' names.
    if (point > 0 && PieceHeader::canHold(extension))
        return {fileName.left(point), extension};
    return {fileName, QString()};
}

QString RestoredName(const QString &baseName, const QString &extension)
{
    return extension.isEmpty() ? baseName : baseName + QLatin1Char('.') + extension;
}

} // namespace FctDecoup
