// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "MediaDialog.h"
#include "EngineTexts.h"
#include "FctDecoup.h"
#include "WindowTexts.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <algorithm>

namespace {

// Whether the block device behind a mount is one the user takes away: a stick, a card, a disc.
bool isRemovable(const QByteArray &device)
{
    if (!device.startsWith("/dev/"))
        return false;
    QString name = QString::fromLocal8Bit(device.mid(5));
    // A partition's disk says it: /sys/class/block/sdb1/../removable.
    for (const QString &path : {QStringLiteral("/sys/class/block/%1/removable").arg(name),
                                QStringLiteral("/sys/class/block/%1/../removable").arg(name)}) {
        QFile flag(path);
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
    }
    return false;
}

QString describe(const MediaDialog::Medium &medium)
{
    return (medium.label.isEmpty() ? QString() : medium.label + QStringLiteral(" — "))
           + FctDecoup::ReadablePath(medium.folder) + QStringLiteral(" (")
           + EngineTexts::megabytes(medium.free) + QStringLiteral(" libres)");
}

// Whether the folder lies on the file system mounted at root.
bool isOn(const QString &folder, const QString &root)
{
    struct stat a, b;
    return !folder.isEmpty() && ::stat(FctDecoup::NativePath(folder).constData(), &a) == 0
           && ::stat(FctDecoup::NativePath(root).constData(), &b) == 0 && a.st_dev == b.st_dev;
}

} // namespace

QList<MediaDialog::Medium> MediaDialog::mounted()
{
    QList<Medium> media;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady() || !storage.device().startsWith("/dev/"))
            continue;
        media.append(
            {storage.rootPath(),
             storage.displayName() == storage.rootPath() ? QString() : storage.displayName(),
             storage.bytesAvailable(), isRemovable(storage.device())});
    }
    std::stable_sort(media.begin(), media.end(),
                     [](const Medium &a, const Medium &b) { return a.removable && !b.removable; });
    return media;
}

MediaDialog::MediaDialog(const MediumRequest &request, QWidget *parent, Source source)
    : QDialog(parent), m_request(request), m_source(std::move(source))
{
    const bool cut = request.kind == MediumRequest::Kind::Cut;
    setWindowTitle(cut ? WindowTexts::nextMediumTitle : WindowTexts::missingMediumTitle);
    setFont(parent->font());
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(FctDecoup::ReadablePath(request.text) + QLatin1Char('.'), this);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *listLabel = new QLabel(WindowTexts::mediaList, this);
    layout->addWidget(listLabel);
    m_list = new QListWidget(this);
    m_list->setAccessibleName(WindowTexts::mediaListName);
    listLabel->setBuddy(m_list);
    layout->addWidget(m_list);
    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(cut ? WindowTexts::writeHere : WindowTexts::readHere,
                              QDialogButtonBox::AcceptRole);
    QPushButton *other = buttons->addButton(WindowTexts::otherFolder, QDialogButtonBox::ActionRole);
    if (!cut) {
        QPushButton *lost = buttons->addButton(request.piece.isEmpty() ? WindowTexts::noOtherMedium
                                                                       : WindowTexts::mediumLost,
                                               QDialogButtonBox::DestructiveRole);
        connect(lost, &QPushButton::clicked, this, [this] {
            m_answer = {MediumAnswer::Kind::Lost, {}};
            done(QDialog::Accepted);
        });
    }
    buttons->addButton(QDialogButtonBox::Cancel)->setText(WindowTexts::cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &MediaDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(other, &QPushButton::clicked, this, &MediaDialog::chooseOther);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &MediaDialog::accept);
    connect(m_list, &QListWidget::currentRowChanged, this,
            [this](int row) { m_ok->setEnabled(row >= 0); });
    layout->addWidget(buttons);
    refresh();
    // A list with no medium chosen takes no focus: it would choose its first one, the system's
    // disk as often as not.
    if (m_list->currentRow() >= 0)
        m_list->setFocus();
    else
        other->setFocus();
    // The system tells no one when a medium comes or goes: the list is read again every second.
    connect(&m_poll, &QTimer::timeout, this, &MediaDialog::refresh);
    m_poll.start(1000);
}

// The list again, when the media changed. Where only their free room or label did, the entries
// change in place: the list never moves under the pointer. The medium chosen stays chosen, and
// at first the one where the last folder lies is (a drive whose medium is swapped keeps it).
void MediaDialog::refresh()
{
    const QList<Medium> media = m_source();
    const auto sameFolder = [](const Medium &a, const Medium &b) { return a.folder == b.folder; };
    if (std::equal(media.cbegin(), media.cend(), m_shown.cbegin(), m_shown.cend(), sameFolder)
        && m_list->count() == media.size()) {
        for (qsizetype i = 0; i < media.size(); ++i)
            m_list->item(int(i))->setText(describe(media[i]));
        m_shown = media;
        return;
    }
    const int row = m_list->currentRow();
    const QString chosen = row >= 0 ? m_shown[row].folder : QString();
    const int scrolled = m_list->verticalScrollBar()->value();
    m_shown = media;
    m_list->clear();
    int current = -1;
    for (qsizetype i = 0; i < media.size(); ++i) {
        m_list->addItem(describe(media[i]));
        if (current < 0
            && (row >= 0 ? media[i].folder == chosen : isOn(m_request.lastFolder, media[i].folder)))
            current = int(i);
    }
    m_list->setCurrentRow(current);
    m_list->verticalScrollBar()->setValue(scrolled);
    m_ok->setEnabled(current >= 0);
}

void MediaDialog::chooseOther()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, WindowTexts::otherFolderTitle,
        m_request.lastFolder.isEmpty() ? QDir::homePath() : m_request.lastFolder);
    if (folder.isEmpty())
        return;
    m_answer = {MediumAnswer::Kind::Folder, folder};
    done(QDialog::Accepted);
}

// The medium chosen: the folder last used where it is on it, else the medium's own.
void MediaDialog::accept()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    const QString root = FctDecoup::AddBackslash(m_shown[row].folder, QLatin1Char('/'));
    m_answer = {MediumAnswer::Kind::Folder,
                isOn(m_request.lastFolder, root) ? m_request.lastFolder : root};
    QDialog::accept();
}
