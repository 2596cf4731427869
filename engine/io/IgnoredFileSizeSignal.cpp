// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "IgnoredFileSizeSignal.h"

IgnoredFileSizeSignal::IgnoredFileSizeSignal()
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, &m_previous);
}

IgnoredFileSizeSignal::~IgnoredFileSizeSignal()
{
    // An ignored signal is discarded, not kept pending: nothing arrives when it is restored.
    ::sigaction(SIGXFSZ, &m_previous, nullptr);
}
