// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Digests of a stream of blocks (SHA-256, or any Digest), computed on a thread of their own while
// the caller goes on with its own work on the same blocks: several of them keep both cores busy.
// The caller never waits for a digest until it needs all of them.
#pragma once

#include "Digest.h"

#include <QList>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class HashThread
{
public:
    // At most this many blocks wait to be hashed: add waits for room. The end of a digest holds
    // no block and never waits, so that many small pieces keep the hash as busy as a big one.
    static constexpr int queued = 2;

    explicit HashThread(Digest &digest);
    // Hashes no more of what waits.
    ~HashThread();
    HashThread(const HashThread &) = delete;
    HashThread &operator=(const HashThread &) = delete;

    // Adds the block, which must stay as it is until `queued` more calls of add, or a call of
    // takeDigests that waits, have returned.
    void add(const char *data, qint64 length);
    // Ends the digest of what was added since the last one ended; the next one starts empty.
    void endDigest();
    // The digests ended and computed since the last call, in order (as Digest::finish); with
    // wait, once every digest ended is computed.
    QList<QByteArray> takeDigests(bool wait);

private:
    void run();
    void push(const char *data, qint64 length);

    struct Block
    {
        const char *data; // none: the end of a digest
        qint64 length;
    };

    Digest &m_digest;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Block> m_blocks; // the one being hashed first
    int m_blocksWithData = 0;   // of m_blocks
    QList<QByteArray> m_digests;
    bool m_quit = false;
    std::thread m_thread; // last: it starts when the rest is ready
};
