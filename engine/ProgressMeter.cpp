// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "ProgressMeter.h"

#include <QLocale>

namespace {

constexpr qint64 window = 5000; // ms over which the speed is measured
constexpr qint64 firstSecond = 1000;

} // namespace

void ProgressMeter::add(const Progress &progress, qint64 now)
{
    // A new operation, or one that starts over (a mend that judges the set first).
    if (progress.moved < m_last.moved || progress.total != m_last.total)
        m_samples.clear();
    m_last = progress;
    m_now = now;
    // Ten samples a second are plenty: the blocks may come by the thousand.
    if (m_samples.size() > 1 && now - m_samples[m_samples.size() - 2].at < 100)
        m_samples.back() = {now, progress.moved};
    else
        m_samples.push_back({now, progress.moved});
    // One sample older than the window stays: the speed is measured over the whole window.
    while (m_samples.size() > 2 && m_samples[1].at <= now - window)
        m_samples.pop_front();
}

std::optional<double> ProgressMeter::bytesPerSecond() const
{
    if (m_samples.size() < 2 || m_now - m_samples.front().at < firstSecond)
        return std::nullopt;
    const Sample &from = m_samples.front();
    return double(m_last.moved - from.moved) * 1000.0 / double(m_now - from.at);
}

std::optional<qint64> ProgressMeter::secondsLeft() const
{
    const std::optional<double> speed = bytesPerSecond();
    if (!speed || *speed <= 0 || m_last.total <= 0)
        return std::nullopt;
    return qint64(double(m_last.total - m_last.moved) / *speed + 0.5);
}

int ProgressMeter::percent() const
{
    return m_last.total > 0 ? int(m_last.moved * 100 / m_last.total) : 0;
}

QString ProgressMeter::text() const
{
    const QString dash = QStringLiteral(" — ");
    QString text = QStringLiteral("morceau %1 sur %2").arg(m_last.piece).arg(m_last.pieceCount)
                   + dash + QString::number(percent()) + QStringLiteral(" %");
    if (const std::optional<double> speed = bytesPerSecond())
        text += dash + QLocale(QLocale::French).toString(*speed / (1 << 20), 'f', 1)
                + QStringLiteral(" Mo/s");
    if (const std::optional<qint64> left = secondsLeft())
        text += dash
                + QStringLiteral("reste %1:%2")
                      .arg(*left / 60)
                      .arg(*left % 60, 2, 10, QLatin1Char('0'));
    return text;
}
