// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "FuzzInput.h"

#include <cstring>

FuzzInput::FuzzInput(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size)
{}

std::uint8_t FuzzInput::byte()
{
    if (m_size == 0)
        return 0;
    --m_size;
    return *m_data++;
}

QByteArray FuzzInput::bytes(std::size_t count)
{
    const std::size_t taken = std::min(count, m_size);
    QByteArray result(reinterpret_cast<const char *>(m_data), static_cast<qsizetype>(taken));
    m_data += taken;
    m_size -= taken;
    return result;
}

QString FuzzInput::name()
{
    QString name = QString::fromUtf8(bytes(1 + byte() % 12));
    name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QChar(0), QLatin1Char('_'));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("_");
    return name;
}

double FuzzInput::number()
{
    const QByteArray raw = bytes(sizeof(double)).leftJustified(sizeof(double), '\0');
    double value = 0;
    std::memcpy(&value, raw.constData(), sizeof value);
    return value;
}
