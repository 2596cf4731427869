// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "EngineWorker.h"

#include <memory>

// A call handed to the window's thread. It is shared: the window's thread may come to it after
// the worker has stopped waiting, and must then leave it alone.
struct EngineWorker::Request
{
    enum State { Pending, Running, Done, Abandoned };
    std::function<void()> call;
    State state = Pending;
};

EngineWorker::EngineWorker(QObject *parent) : QObject(parent)
{}

EngineWorker::~EngineWorker()
{
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

bool EngineWorker::start(Operation operation)
{
    if (isRunning())
        return false;
    m_stop = false;
    m_thread = std::thread([this, operation = std::move(operation)] {
        operation(*this);
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_thread.join();
                Q_EMIT finished();
            },
            Qt::QueuedConnection);
    });
    return true;
}

bool EngineWorker::isRunning() const
{
    return m_thread.joinable();
}

void EngineWorker::stop()
{
    const std::lock_guard lock(m_mutex);
    m_stop = true;
    m_changed.notify_all();
}

void EngineWorker::runRequest()
{
    std::shared_ptr<Request> request;
    {
        const std::lock_guard lock(m_mutex);
        if (m_requests.empty())
            return;
        request = std::move(m_requests.front());
        m_requests.pop_front();
        if (request->state == Request::Abandoned)
            return;
        request->state = Request::Running;
    }
    request->call();
    const std::lock_guard lock(m_mutex);
    request->state = Request::Done;
    m_changed.notify_all();
}

bool EngineWorker::onWindowThread(std::function<void()> call)
{
    const auto request = std::make_shared<Request>(Request{std::move(call)});
    {
        const std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
    }
    // By name: the call is queued by Qt alone, the request handed over under the lock.
    QMetaObject::invokeMethod(this, "runRequest", Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
    // A call that runs already (a box the user is answering) is waited for: it holds what the
    // worker gave it. One that has not started is abandoned at a stop.
    m_changed.wait(lock, [&] {
        return request->state == Request::Done || (m_stop && request->state == Request::Pending);
    });
    if (request->state == Request::Done)
        return true;
    request->state = Request::Abandoned;
    return false;
}

MessageAnswer EngineWorker::showMessage(const QString &text, const QString &title, MessageIcon icon,
                                        MessageButtons buttons)
{
    auto answer = std::make_shared<MessageAnswer>(MessageAnswer::Cancel);
    const bool shown = onWindowThread([this, answer, text, title, icon, buttons] {
        Q_EMIT messageRequested(text, title, icon, buttons, answer.get());
    });
    return shown ? *answer : MessageAnswer::Cancel;
}

std::optional<QString> EngineWorker::chooseFolder(Output output)
{
    auto folder = std::make_shared<std::optional<QString>>();
    const bool asked =
        onWindowThread([this, folder, output] { Q_EMIT folderRequested(output, folder.get()); });
    return asked ? *folder : std::nullopt;
}

MediumAnswer EngineWorker::nextMedium(const MediumRequest &request)
{
    auto answer = std::make_shared<MediumAnswer>();
    const bool asked =
        onWindowThread([this, answer, request] { Q_EMIT mediumRequested(request, answer.get()); });
    return asked ? *answer : MediumAnswer{};
}

std::optional<EngineWindow::AcrossMedia> EngineWorker::offerMedia(const QString &why)
{
    auto across = std::make_shared<std::optional<AcrossMedia>>();
    const bool asked =
        onWindowThread([this, across, why] { Q_EMIT mediaOffered(why, across.get()); });
    return asked ? *across : std::nullopt;
}

void EngineWorker::refreshFileList()
{
    onWindowThread([this] { Q_EMIT refreshRequested(); });
}

void EngineWorker::reportProgress(const Progress &progress)
{
    if (!m_stop)
        Q_EMIT progressed(progress);
}

bool EngineWorker::stopRequested() const
{
    return m_stop;
}
