// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Runs a cut or a restore on a thread of its own, so that the window never waits on the disk, and
// is the engine's window there: it tells the window what the engine asks through its signals,
// which the window connects to slots of its own. It never touches a widget.
#pragma once

#include "EngineWindow.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class EngineWorker : public QObject, public EngineWindow
{
    Q_OBJECT

public:
    using Operation = std::function<void(EngineWindow &)>;

    // Its signals reach the thread that makes this object.
    explicit EngineWorker(QObject *parent = nullptr);
    // Stops the operation that runs and waits until it has removed its unfinished output.
    ~EngineWorker() override;

    // Runs operation on the worker; false when one runs already.
    bool start(Operation operation);
    bool isRunning() const;
    // The operation stops at its next block; whatever it waits for from the window is answered
    // at once (Cancel), and nothing more is shown. Returns at once.
    void stop();

    // EngineWindow, called on the worker.
    // Blocks until the window's thread has shown the box and the user has answered.
    MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon icon,
                              MessageButtons buttons) override;
    // Blocks until the list is refreshed, so that it never shows the operation's own hidden files.
    void refreshFileList() override;
    void reportProgress(const Progress &progress) override;
    bool stopRequested() const override;
    // Blocks until the window's thread has asked the user.
    std::optional<QString> chooseFolder(Output output) override;
    bool asksForMedia() const override { return true; }
    // Both block until the window's thread has asked the user.
    MediumAnswer nextMedium(const MediumRequest &request) override;
    std::optional<AcrossMedia> offerMedia(const QString &why) override;

Q_SIGNALS:
    // On the window's thread while the operation waits: the slot shows the box and puts the
    // button pressed in *answer.
    void messageRequested(const QString &text, const QString &title, MessageIcon icon,
                          MessageButtons buttons, MessageAnswer *answer);
    // On the window's thread while the operation waits.
    void refreshRequested();
    // On the window's thread while the operation waits: the slot asks the user where the output
    // goes, and puts the folder chosen, if any, in *folder.
    void folderRequested(Output output, std::optional<QString> *folder);
    // On the window's thread while the operation waits: the slot asks for the next medium.
    void mediumRequested(const MediumRequest &request, MediumAnswer *answer);
    // On the window's thread while the operation waits: the slot asks whether the set goes over
    // several media, and puts the user's choice, if any, in *across.
    void mediaOffered(const QString &why, std::optional<EngineWindow::AcrossMedia> *across);
    // From the worker, while the operation goes on: connected to the window, it is queued there.
    void progressed(const Progress &progress);
    // On the window's thread, once the operation has returned.
    void finished();

private Q_SLOTS:
    // The oldest call that onWindowThread queued, on the window's thread.
    void runRequest();

private:
    struct Request;
    // Runs call on the window's thread and waits until it has run; false when the operation was
    // stopped before it could.
    bool onWindowThread(std::function<void()> call);

    std::atomic<bool> m_stop = false;
    std::mutex m_mutex;
    std::deque<std::shared_ptr<Request>> m_requests; // under the mutex, oldest first
    std::condition_variable m_changed;
    std::thread m_thread;
};
