// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// While it lives, a write past the process's file-size limit (ulimit -f) fails like a write to a
// full disk, which the engine cleans up after and reports, instead of killing the program.
#pragma once

#include <csignal>

class IgnoredFileSizeSignal
{
public:
    IgnoredFileSizeSignal();
    ~IgnoredFileSizeSignal();
    IgnoredFileSizeSignal(const IgnoredFileSizeSignal &) = delete;
    IgnoredFileSizeSignal &operator=(const IgnoredFileSizeSignal &) = delete;

private:
    struct sigaction m_previous = {};
};
