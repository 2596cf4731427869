// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "SizeCaption.h"

QString sizeCaption(qint64 length)
{
    // Hundredths of a kilobyte, exactly: length * 100 / 1024 = length * 25 / 256.
    const qint64 hundredths = length / 256 * 25 + length % 256 * 25 / 256;
    const qint64 whole = hundredths / 100;
    const qint64 fraction = hundredths % 100;
    QString text = QStringLiteral(" ");
    if (whole != 0 || fraction == 0)
        text += QString::number(whole);
    if (fraction != 0) {
        QString decimals = QStringLiteral("%1").arg(fraction, 2, 10, QLatin1Char('0'));
        if (decimals.endsWith(QLatin1Char('0')))
            decimals.chop(1);
        text += QLatin1Char('.') + decimals;
    }
    return text + QStringLiteral(" K.Octets");
}
