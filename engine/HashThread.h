// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The SHA-256 of a stream of blocks, computed on a thread of its own, on the processor's second
// core, while the caller goes on with its own work on the same blocks.
#pragma once

#include "Sha256.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class HashThread
{
public:
    HashThread();
    ~HashThread();
    HashThread(const HashThread &) = delete;
    HashThread &operator=(const HashThread &) = delete;

    // Adds the block, which must stay as it is until the next call of add or finish returns:
    // each waits until the block before it is hashed.
    void add(const char *data, qint64 length);
    // As Sha256::finish, once the last block is hashed.
    QByteArray finish();

private:
    void run();
    // Waits until the thread has hashed the block it was given.
    void wait(std::unique_lock<std::mutex> &lock);

    Sha256 m_sha256;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const char *m_data = nullptr; // the block to hash, while there is one
    qint64 m_length = 0;
    bool m_quit = false;
    std::thread m_thread; // last: it starts when the rest is ready
};
