// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// What a HashThread computes over its stream of blocks: one result for each run of blocks that
// ends with finish, in order.
#pragma once

#include <QByteArray>

class Digest
{
public:
    virtual ~Digest() = default;

    virtual void add(const char *data, qint64 length) = 0;
    // The result of all that was added since the last call, or none (empty) when it could not be
    // computed; the next add starts anew.
    virtual QByteArray finish() = 0;
};
