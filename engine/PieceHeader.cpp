// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "PieceHeader.h"
#include "FctDecoup.h"
#include "Windows1252.h"

#include <QTextBoundaryFinder>

namespace {

// A restored file must land in the pieces' folder under a plain name.
bool allowedInExtension(char32_t c)
{
    return c != U'/' && c != U'\\' && QChar::category(c) != QChar::Other_Control;
}

char encodeCharacter(const QString &character)
{
    const QList<uint> codePoints = character.normalized(QString::NormalizationForm_C).toUcs4();
    if (codePoints.size() != 1 || !allowedInExtension(codePoints.front()))
        return '?';
    return Windows1252::encode(codePoints.front()).value_or('?');
}

} // namespace

QByteArray PieceHeader::encode(const QString &extensionText, int pieceCount)
{
    Q_ASSERT(pieceCount >= 1 && pieceCount <= FctDecoup::maxPieceCount);
    QByteArray header;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, extensionText);
    qsizetype start = 0;
    while (finder.toNextBoundary() >= 0) {
        header += encodeCharacter(extensionText.mid(start, finder.position() - start));
        start = finder.position();
    }
    // A name of four characters or more always gives three; pad so the count stays at byte 5.
    header = header.leftJustified(3, ' ', true);
    header += "  ";
    header += QByteArray::number(pieceCount).rightJustified(3, '0');
    return header;
}

std::optional<PieceHeader> PieceHeader::decode(const QByteArray &bytes)
{
    if (bytes.size() < size)
        return std::nullopt;
    int count = 0;
    for (int i = 5; i < 8; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9')
            return std::nullopt;
        count = count * 10 + (bytes[i] - '0');
    }
    if (count < 1)
        return std::nullopt;
    QString extension;
    for (int i = 0; i < 4; ++i) {
        const char32_t c = Windows1252::decode(static_cast<unsigned char>(bytes[i]));
        if (!allowedInExtension(c))
            return std::nullopt;
        extension += QString::fromUcs4(&c, 1);
    }
    while (extension.endsWith(QLatin1Char(' ')))
        extension.chop(1);
    return PieceHeader{extension, count};
}
