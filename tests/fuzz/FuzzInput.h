// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Reads a fuzzer's input as a stream of choices; past its end every choice is zero.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t *data, std::size_t size);

    std::uint8_t byte();
    QByteArray bytes(std::size_t count);
    // A file name of up to 12 bytes of UTF-8, never empty, never holding '/' or NUL, never
    // "." or "..".
    QString name();
    double number();

private:
    const std::uint8_t *m_data = nullptr;
    std::size_t m_size = 0;
};
