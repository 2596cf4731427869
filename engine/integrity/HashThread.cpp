// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "HashThread.h"

HashThread::HashThread(Digest &digest) : m_digest(digest), m_thread([this] { run(); })
{}

HashThread::~HashThread()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void HashThread::add(const char *data, qint64 length)
{
    push(data, length);
}

void HashThread::endDigest()
{
    push(nullptr, 0);
}

void HashThread::push(const char *data, qint64 length)
{
    {
        std::unique_lock lock(m_mutex);
        if (data) {
            m_changed.wait(lock, [this] { return m_blocksWithData < queued; });
            ++m_blocksWithData;
        }
        m_blocks.push_back({data, length});
    }
    m_changed.notify_all();
}

QList<QByteArray> HashThread::takeDigests(bool wait)
{
    std::unique_lock lock(m_mutex);
    if (wait)
        m_changed.wait(lock, [this] { return m_blocks.empty(); });
    return std::exchange(m_digests, {});
}

void HashThread::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_blocks.empty() || m_quit; });
        if (m_quit)
            return;
        const Block block = m_blocks.front();
        lock.unlock();
        QByteArray digest;
        if (block.data)
            m_digest.add(block.data, block.length);
        else
            digest = m_digest.finish();
        lock.lock();
        if (block.data)
            --m_blocksWithData;
        else
            m_digests.append(digest);
        m_blocks.pop_front();
        m_changed.notify_all();
    }
}
