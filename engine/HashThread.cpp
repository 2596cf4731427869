// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "HashThread.h"

HashThread::HashThread() : m_thread([this] { run(); })
{}

HashThread::~HashThread()
{
    {
        std::unique_lock lock(m_mutex);
        wait(lock);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void HashThread::add(const char *data, qint64 length)
{
    {
        std::unique_lock lock(m_mutex);
        wait(lock);
        m_data = data;
        m_length = length;
    }
    m_changed.notify_all();
}

QByteArray HashThread::finish()
{
    std::unique_lock lock(m_mutex);
    wait(lock);
    return m_sha256.finish();
}

void HashThread::wait(std::unique_lock<std::mutex> &lock)
{
    m_changed.wait(lock, [this] { return m_data == nullptr; });
}

void HashThread::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_data != nullptr || m_quit; });
        if (m_data == nullptr)
            return;
        lock.unlock();
        m_sha256.add(m_data, m_length);
        lock.lock();
        m_data = nullptr;
        m_changed.notify_all();
    }
}
