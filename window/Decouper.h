// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The main window: browsing folders and files, the cut and restore commands, help, about, quit
// and donation. The engine runs on a worker, whose signals bring its messages, refreshes and
// progress to this window on the window's own thread.
#pragma once

#include "DesktopSession.h"
#include "EngineWorker.h"
#include "MessagePresenter.h"
#include "ProgressMeter.h"
#include "StartPlace.h"

#include <QElapsedTimer>
#include <QWidget>

#include <memory>
#include <optional>

namespace Ui {
class DecouperForm;
}

class QShortcut;

class Decouper : public QWidget
{
    Q_OBJECT

public:
    // The window opens at start when it is first shown.
    explicit Decouper(const StartPlace &start, QWidget *parent = nullptr);
    ~Decouper() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void load();
    void open(const StartPlace &place);
    void folderSelected();
    void showFolder(const QString &selected);
    void noFileSelected();
    void folderReread(bool selectedGone);
    void fileClicked();
    void filterChanged();
    // With a destination, the output goes there; without, beside the file or the set.
    void cutClicked(const QString &destination = {});
    void restoreClicked(const QString &destination = {});
    // The list's menu: the same commands, into a folder that the user chooses first.
    void showFileMenu(const QPoint &at);
    std::optional<QString> askFolder(Output output);
    void helpClicked();
    void aboutClicked();
    void quitClicked();
    void donationClicked();

    std::optional<QString> selectedEntry() const;
    // The full path of a file of the folder shown.
    QString pathOf(const QString &name) const;
    void setSizeCaption(const QString &caption);
    MessageAnswer showMessage(const QString &text, const QString &title, MessageIcon icon,
                              MessageButtons buttons);
    void runEngine(const EngineWorker::Operation &operation);
    void connectWorker();
    // What the worker brings.
    void engineMessage(const QString &text, const QString &title, MessageIcon icon,
                       MessageButtons buttons, MessageAnswer *answer);
    void engineFolder(Output output, std::optional<QString> *folder);
    void engineMedium(const MediumRequest &request, MediumAnswer *answer);
    void engineMediaOffer(const QString &why, std::optional<EngineWindow::AcrossMedia> *across);
    void showProgress(const Progress &progress);
    void stopClicked();
    void operationFinished();

    std::unique_ptr<Ui::DecouperForm> m_ui;
    MessagePresenter m_messages;
    QString m_currentFolder;
    StartPlace m_start;
    bool m_activated = false;
    bool m_cutRunning = false;
    QSize m_designSize; // without the band that an operation shows
    // The operation that runs: how long it has, how far it is, what the window shows of it.
    QElapsedTimer m_started;
    ProgressMeter m_meter;
    int m_shownShare = -1;    // in thousandths
    qint64 m_wordsShown = -1; // ms into the operation
    QShortcut *m_escape = nullptr;
    DesktopSession m_desktop;
    // Last: it is destroyed first, and stops and waits for the operation that runs.
    EngineWorker m_worker;
};
