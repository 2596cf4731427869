// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "MediaDialog.h"
#include "FctDecoup.h"
#include "WindowTexts.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QStorageInfo>
#include <QVBoxLayout>

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
    const QString room = QLocale().toString(double(medium.free) / (1 << 20), 'f', 1);
    return (medium.label.isEmpty() ? QString() : medium.label + QStringLiteral(" — "))
           + FctDecoup::ReadablePath(medium.folder) + QStringLiteral(" (")
           + room + QStringLiteral(" Mo libres)");
}

} // namespace

QList<MediaDialog::Medium> MediaDialog::mounted()
{
    QList<Medium> media;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        if (!storage.isValid() || !storage.isReady() || !storage.device().startsWith("/dev/"))
            continue;
        media.append({storage.rootPath(), storage.displayName() == storage.rootPath()
                                              ? QString()
                                              : storage.displayName(),
                      storage.bytesAvailable(), isRemovable(storage.device())});
    }
    std::stable_sort(media.begin(), media.end(), [](const Medium &a, const Medium &b) {
        return a.removable && !b.removable;
    });
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
        QPushButton *lost =
            buttons->addButton(WindowTexts::mediumLost, QDialogButtonBox::DestructiveRole);
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
    // The system tells no one when a medium comes or goes: the list is read again every second.
    connect(&m_poll, &QTimer::timeout, this, &MediaDialog::refresh);
    m_poll.start(1000);
}

// The list again, when the media changed; the medium chosen stays chosen, and at first the one
// last used is (a drive whose medium is swapped keeps its folder).
void MediaDialog::refresh()
{
    QList<Medium> media = m_source();
    const auto same = [](const Medium &a, const Medium &b) {
        return a.folder == b.folder && a.label == b.label && a.free == b.free;
    };
    if (std::equal(media.cbegin(), media.cend(), m_shown.cbegin(), m_shown.cend(), same)
        && m_list->count() == media.size())
        return;
    const QString chosen = m_list->currentRow() >= 0 ? m_shown[m_list->currentRow()].folder
                                                     : m_request.lastFolder;
    m_shown = media;
    m_list->clear();
    int current = -1;
    for (qsizetype i = 0; i < media.size(); ++i) {
        m_list->addItem(describe(media[i]));
        const QString root = FctDecoup::AddBackslash(media[i].folder, QLatin1Char('/'));
        // The deepest mount that holds the folder chosen.
        if (FctDecoup::AddBackslash(chosen, QLatin1Char('/')).startsWith(root)
            && (current < 0 || root.size() > m_shown[current].folder.size()))
            current = int(i);
    }
    m_list->setCurrentRow(current);
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
    const QString last = FctDecoup::AddBackslash(m_request.lastFolder, QLatin1Char('/'));
    m_answer = {MediumAnswer::Kind::Folder,
                !m_request.lastFolder.isEmpty() && last.startsWith(root) ? last : root};
    QDialog::accept();
}
