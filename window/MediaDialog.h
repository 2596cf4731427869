// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// Asks for the next medium of a set that goes onto, or comes from, one medium after another:
// what the engine says of it, the media mounted now (removable ones first, with their label and
// free room), kept up to date as media come and go, a button for any folder, and Annuler; for a
// restore, a button to say that the medium is lost.
#pragma once

#include "EngineWindow.h"

#include <QDialog>
#include <QTimer>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

class MediaDialog : public QDialog
{
    Q_OBJECT

public:
    // One mounted medium as the list shows it.
    struct Medium
    {
        QString folder; // where it is mounted
        QString label;
        qint64 free = 0;
        bool removable = false;
    };
    using Source = std::function<QList<Medium>()>;

    // The media mounted now, as the system lists them (QStorageInfo).
    static QList<Medium> mounted();

    MediaDialog(const MediumRequest &request, QWidget *parent, Source source = mounted);

    // The answer once the dialog has closed.
    MediumAnswer answer() const { return m_answer; }

private:
    void refresh();
    void chooseOther();
    void accept() override;

    const MediumRequest m_request;
    const Source m_source;
    QList<Medium> m_shown;
    QListWidget *m_list = nullptr;
    QPushButton *m_ok = nullptr;
    QTimer m_poll;
    MediumAnswer m_answer;
};
