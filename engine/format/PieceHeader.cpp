// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "PieceHeader.h"
#include "FctDecoup.h"
#include "Windows1252.h"

namespace {

// A restored file must land in the pieces' folder under a plain name.
bool allowedInExtension(char32_t c)
{
    return c != U'/' && c != U'\\' && QChar::category(c) != QChar::Other_Control;
}

} // namespace

bool PieceHeader::canHold(const QString &extension)
{
    const QList<uint> codePoints = extension.toUcs4();
    if (codePoints.isEmpty() || codePoints.size() > extensionSize || codePoints.back() == U' ')
        return false;
    return std::all_of(codePoints.cbegin(), codePoints.cend(), [](char32_t c) {
        return allowedInExtension(c) && Windows1252::encode(c).has_value();
    });
}

QByteArray PieceHeader::encode(const QString &extension, int pieceCount)
{
    Q_ASSERT(extension.isEmpty() || canHold(extension));
    Q_ASSERT(pieceCount >= 1 && pieceCount <= FctDecoup::maxPieceCount);
    QByteArray header;
    for (const char32_t c : extension.toUcs4())
        header += Windows1252::encode(c).value_or('?');
    header = header.leftJustified(extensionSize + 1, ' ');
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
    for (int i = 0; i < extensionSize; ++i) {
        const char32_t c = Windows1252::decode(static_cast<unsigned char>(bytes[i]));
        if (!allowedInExtension(c))
            return std::nullopt;
        extension += QString::fromUcs4(&c, 1);
    }
    while (extension.endsWith(QLatin1Char(' ')))
        extension.chop(1);
    return PieceHeader{extension, count};
}
