// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The main window: browsing folders and files, the cut and restore commands, help, about, quit
// and donation. It is the engine's window: it serves the engine's messages, refreshes and yields.
#pragma once

#include "EngineWindow.h"
#include "MessagePresenter.h"
#include "StartPlace.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class DecouperForm;
}

class Decouper : public QWidget, public EngineWindow
{
    Q_OBJECT

public:
    // The window opens at start when it is first shown.
    explicit Decouper(const StartPlace &start, QWidget *parent = nullptr);
    ~Decouper() override;

    // EngineWindow
    QString currentFolder() const override;
    MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon icon,
                              MessageButtons buttons) override;
    void refreshFileList() override;
    void yieldOnce(const Progress &progress) override;
    void processPendingEvents(const Progress &progress) override;
    bool stopRequested() const override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void load();
    void open(const StartPlace &place);
    void folderSelected();
    void fileClicked();
    void filterChanged();
    void cutClicked();
    void restoreClicked();
    void helpClicked();
    void aboutClicked();
    void quitClicked();
    void donationClicked();

    std::optional<QString> selectedEntry() const;
    void setSizeCaption(const QString &caption);
    void runEngine(const std::function<void()> &operation);
    void showProgress(const Progress &progress);

    std::unique_ptr<Ui::DecouperForm> m_ui;
    MessagePresenter m_messages;
    QString m_currentFolder;
    StartPlace m_start;
    bool m_activated = false;
    bool m_busy = false;
    bool m_stopRequested = false;
    QElapsedTimer m_sinceProgressShown;
};
