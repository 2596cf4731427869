// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Decouper.h"
#include "EngineTexts.h"
#include "FctDecoup.h"
#include "MediaDialog.h"
#include "NamedComboBoxAccessible.h"
#include "SizeCaption.h"
#include "WindowTexts.h"
#include "ui_Decouper.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QUrl>

#include <sys/stat.h>
#include <utility>

namespace {

constexpr int bandMargin = 6; // below the band an operation shows
// An operation that ran this long and ends while the user works elsewhere tells the desktop.
constexpr qint64 longOperationMs = 5000;

// The size box's text as kilobytes; none when it does not read as a number (it is empty).
std::optional<double> sizeFromText(const QString &text)
{
    bool ok = false;
    const double size = QLocale::c().toDouble(text, &ok);
    return ok ? std::optional<double>(size) : std::nullopt;
}

// The length of the file at path, by the name that the system holds; 0 when it is gone.
qint64 fileLength(const QString &path)
{
    struct stat file;
    return ::stat(FctDecoup::NativePath(path).constData(), &file) == 0 ? qint64(file.st_size) : 0;
}

// What a drop opens: one file or folder of this computer that can be read, and nothing else.
std::optional<StartPlace> droppedPlace(const QMimeData *data)
{
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return std::nullopt;
    // The path's bytes as the URL carries them: a name that is not UTF-8 keeps them.
    return StartPlace::fromPath(FctDecoup::PathFromNative(
        QByteArray::fromPercentEncoding(urls.first().path(QUrl::FullyEncoded).toLatin1())));
}

} // namespace

Decouper::Decouper(const StartPlace &start, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::DecouperForm>()), m_messages(this), m_start(start)
{
    // The pictures live in the window's static library, which the linker would otherwise drop.
    Q_INIT_RESOURCE(artwork);
    // A screen reader names the size box by its caption, not by the size it holds. Installed
    // before the controls are made: an interface, once made, is kept.
    static const bool namedComboBoxes =
        (QAccessible::installFactory(&NamedComboBoxAccessible::create), true);
    Q_UNUSED(namedComboBoxes);
    // Where the system has no MS Sans Serif, a plain sans-serif of similar width stands in, so
    // that every caption fits the place that the layout gives it.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    setFont(font);
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("Decouper"));
    // The layout is fixed: no resizing, no maximising.
    m_designSize = size();
    setFixedSize(m_designSize);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_ui->Label1->adjustSize();
    // The box keeps what is typed: completed from the presets, "140" would cut at 1400.
    m_ui->Combo1->setCompleter(nullptr);
    m_ui->Combo1->lineEdit()->setAccessibleName(m_ui->Combo1->accessibleName());
    m_ui->Combo1->view()->setAccessibleName(WindowTexts::presetsName);
    // Digits only, whether typed, pasted or dropped: anything else is refused as a whole.
    m_ui->Combo1->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    // A file dropped anywhere on the window opens it, the boxes included.
    setAcceptDrops(true);
    m_ui->Text1->setAcceptDrops(false);
    m_ui->Combo1->lineEdit()->setAcceptDrops(false);

    connect(m_ui->Tree1, &FolderTree::folderSelected, this, &Decouper::folderSelected);
    connect(m_ui->File1, &FileList::entryClicked, this, &Decouper::fileClicked);
    connect(m_ui->File1, &FileList::reread, this, &Decouper::folderReread);
    connect(m_ui->Text1, &QLineEdit::textChanged, this, &Decouper::filterChanged);
    connect(m_ui->Decouper, &QToolButton::clicked, this, [this] { cutClicked(); });
    connect(m_ui->Joindre, &QToolButton::clicked, this, [this] { restoreClicked(); });
    // The menu key opens it too, and Shift+F10, as on other desktops, at the selected entry.
    m_ui->File1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui->File1, &QWidget::customContextMenuRequested, this, &Decouper::showFileMenu);
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), m_ui->File1, nullptr, nullptr,
                          Qt::WidgetShortcut),
            &QShortcut::activated, this, [this] {
                const QListWidgetItem *item = m_ui->File1->currentItem();
                showFileMenu(item ? m_ui->File1->visualItemRect(item).center() : QPoint());
            });
    connect(m_ui->Command2, &QToolButton::clicked, this, &Decouper::helpClicked);
    connect(m_ui->Command3, &QToolButton::clicked, this, &Decouper::aboutClicked);
    connect(m_ui->Command1, &QToolButton::clicked, this, &Decouper::quitClicked);
    connect(m_ui->Image1, &ClickableImage::clicked, this, &Decouper::donationClicked);
    connectWorker();
    load();
}

// What the engine asks of the window while it works, and the band's stop.
void Decouper::connectWorker()
{
    connect(&m_worker, &EngineWorker::messageRequested, this, &Decouper::engineMessage);
    connect(&m_worker, &EngineWorker::refreshRequested, m_ui->File1, &FileList::refresh);
    connect(&m_worker, &EngineWorker::folderRequested, this, &Decouper::engineFolder);
    connect(&m_worker, &EngineWorker::mediumRequested, this, &Decouper::engineMedium);
    connect(&m_worker, &EngineWorker::mediaOffered, this, &Decouper::engineMediaOffer);
    connect(&m_worker, &EngineWorker::progressed, this, &Decouper::showProgress);
    connect(&m_worker, &EngineWorker::finished, this, &Decouper::operationFinished);
    connect(m_ui->Arreter, &QPushButton::clicked, this, &Decouper::stopClicked);
    m_escape =
        new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WindowShortcut);
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &Decouper::stopClicked);
}

Decouper::~Decouper()
{
    // An operation that the window leaves behind (it is stopped and waited for now) has no
    // end of its own here to give the application its cursor back.
    if (m_worker.isRunning())
        QApplication::restoreOverrideCursor();
}

void Decouper::load()
{
    for (const QString &preset : WindowTexts::presets)
        m_ui->Combo1->addItem(preset);
    // Chosen as a preset, so that the list, when it opens, shows that one highlighted.
    m_ui->Combo1->setCurrentIndex(m_ui->Combo1->findText(WindowTexts::defaultSize));
}

void Decouper::showEvent(QShowEvent *event)
{
    // The window becomes the program's active window when it is first shown, and only then:
    // a folder that the user chose is never thrown away by a later activation.
    if (!m_activated) {
        m_activated = true;
        open(m_start);
    }
    QWidget::showEvent(event);
}

void Decouper::open(const StartPlace &place)
{
    m_ui->Tree1->setSelectedFolder(place.folder);
    // Selected as by a click once listed: the list's handler shows its size and sets the buttons.
    showFolder(place.file);
}

void Decouper::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_worker.isRunning() && droppedPlace(event->mimeData()))
        event->acceptProposedAction();
}

void Decouper::dropEvent(QDropEvent *event)
{
    const std::optional<StartPlace> place = droppedPlace(event->mimeData());
    if (m_worker.isRunning() || !place)
        return;
    event->acceptProposedAction();
    open(*place);
}

void Decouper::folderSelected()
{
    showFolder(QString());
}

void Decouper::showFolder(const QString &selected)
{
    noFileSelected();
    m_currentFolder = m_ui->Tree1->selectedFolder();
    m_ui->File1->setFolder(m_currentFolder, selected);
}

void Decouper::noFileSelected()
{
    m_ui->Decouper->setEnabled(false);
    m_ui->Joindre->setEnabled(false);
    setSizeCaption(QString());
}

void Decouper::folderReread(bool selectedGone)
{
    // The commands are as after a change of folder when their file has gone; when it is still
    // there, its size may have changed.
    if (selectedGone)
        return noFileSelected();
    if (const std::optional<QString> name = selectedEntry())
        setSizeCaption(sizeCaption(fileLength(pathOf(*name))));
}

void Decouper::fileClicked()
{
    const std::optional<QString> name = selectedEntry();
    if (!name) {
        if (m_ui->File1->count() > 0)
            m_ui->Decouper->setEnabled(false);
        return;
    }
    m_ui->Decouper->setEnabled(true);
    const QString path = pathOf(*name);
    // A file that vanished since the list was filled shows as 0.
    setSizeCaption(sizeCaption(fileLength(path)));
    // A set restores from its first piece, or from its recovery files when that is lost.
    m_ui->Joindre->setEnabled(FctDecoup::BaseNameOfFirstPiece(*name).has_value()
                              || FctDecoup::IsRecoveryFile(*name));
}

void Decouper::filterChanged()
{
    if (!m_ui->File1->setPattern(m_ui->Text1->text()))
        m_ui->File1->setPattern(WindowTexts::allFiles);
}

void Decouper::showFileMenu(const QPoint &at)
{
    if (m_worker.isRunning())
        return;
    QMenu menu(this);
    menu.setAccessibleName(WindowTexts::fileMenuName);
    QAction *const cutTo = menu.addAction(WindowTexts::cutToAction);
    QAction *const restoreTo = menu.addAction(WindowTexts::restoreToAction);
    cutTo->setEnabled(m_ui->Decouper->isEnabled());
    restoreTo->setEnabled(m_ui->Joindre->isEnabled());
    const QAction *const chosen = menu.exec(m_ui->File1->viewport()->mapToGlobal(at));
    if (chosen == nullptr)
        return;
    const bool cut = chosen == cutTo;
    if (const std::optional<QString> folder =
            askFolder(cut ? Output::Pieces : Output::RestoredFile))
        cut ? cutClicked(*folder) : restoreClicked(*folder);
}

std::optional<QString> Decouper::askFolder(Output output)
{
    const QString folder = QFileDialog::getExistingDirectory(this,
                                                             output == Output::Pieces
                                                                 ? WindowTexts::piecesFolderTitle
                                                                 : WindowTexts::restoredFolderTitle,
                                                             QDir::homePath());
    return folder.isEmpty() ? std::nullopt : std::optional(folder);
}

void Decouper::engineFolder(Output output, std::optional<QString> *folder)
{
    *folder = askFolder(output);
}

void Decouper::engineMedium(const MediumRequest &request, MediumAnswer *answer)
{
    setWindowTitle(WindowTexts::title);
    // The words say how far the cut is while it waits, not where they last were.
    m_ui->Label4->setText(m_meter.text());
    MediaDialog dialog(request, this);
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    dialog.exec();
    QApplication::restoreOverrideCursor();
    *answer = dialog.result() == QDialog::Accepted ? dialog.answer() : MediumAnswer{};
}

// Where the folder cannot take the whole set, it may go over several media instead.
void Decouper::engineMediaOffer(const QString &why,
                                std::optional<EngineWindow::AcrossMedia> *across)
{
    bool protect = false;
    const QString text = why + QChar(13) + WindowTexts::acrossMediaQuestion;
    if (m_messages.show(text, WindowTexts::acrossMediaTitle, MessageIcon::Question,
                        MessageButtons::OkCancel, WindowTexts::protectMedia, &protect)
        == MessageAnswer::Ok)
        *across = EngineWindow::AcrossMedia{protect};
}

void Decouper::cutClicked(const QString &destination)
{
    if (m_worker.isRunning())
        return;
    const std::optional<double> size = sizeFromText(m_ui->Combo1->currentText());
    if (!size) {
        showMessage(WindowTexts::nonNumericText, WindowTexts::nonNumericTitle,
                    MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    if (const std::optional<QString> name = selectedEntry()) {
        const QString path = pathOf(*name);
        m_cutRunning = true;
        runEngine([path, size, destination](EngineWindow &window) {
            FctDecoup::CutFile(window, path, *size, std::nullopt, destination);
        });
    } else {
        m_ui->Decouper->setEnabled(false);
    }
}

void Decouper::restoreClicked(const QString &destination)
{
    if (m_worker.isRunning())
        return;
    // A name that is not a first piece's, or none, is refused by the restore itself.
    const QString path = pathOf(selectedEntry().value_or(QString()));
    runEngine([path, destination](EngineWindow &window) {
        FctDecoup::RestoreFile(window, path, destination);
    });
}

void Decouper::helpClicked()
{
    showMessage(WindowTexts::helpText, WindowTexts::helpTitle, MessageIcon::Information,
                MessageButtons::Ok);
}

void Decouper::aboutClicked()
{
    showMessage(WindowTexts::aboutText, WindowTexts::aboutTitle, MessageIcon::Information,
                MessageButtons::Ok);
}

void Decouper::quitClicked()
{
    close();
}

void Decouper::closeEvent(QCloseEvent *event)
{
    // The window goes at once, and the operation is told now: the program waits for it to
    // remove what it had begun when the window is destroyed, on its way out.
    m_worker.stop();
    event->accept();
}

void Decouper::donationClicked()
{
    // Like the shell call it stands for, the result is not looked at.
    QDesktopServices::openUrl(QUrl(WindowTexts::donationUrl));
}

QString Decouper::pathOf(const QString &name) const
{
    return FctDecoup::AddBackslash(m_currentFolder) + name;
}

std::optional<QString> Decouper::selectedEntry() const
{
    const int count = m_ui->File1->count();
    for (int i = 0; i < count; ++i) {
        if (m_ui->File1->isEntrySelected(i))
            return m_ui->File1->entryName(i);
    }
    return std::nullopt;
}

void Decouper::setSizeCaption(const QString &caption)
{
    m_ui->Label3->setText(caption);
    m_ui->Label3->adjustSize();
    // Read with its caption: a figure alone says nothing.
    m_ui->Label3->setAccessibleName(m_ui->Label2->text() + caption);
}

void Decouper::runEngine(const EngineWorker::Operation &operation)
{
    // The window stays in the user's hands: the cursor tells that work goes on behind it, and a
    // band that the window grows for the time of the operation how far it is.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_started.start();
    m_meter = {};
    m_shownShare = -1;
    m_wordsShown = -1;
    m_ui->ProgressBar1->setValue(0);
    m_ui->Label4->clear();
    m_ui->Arreter->setEnabled(true);
    setFixedSize(m_designSize + QSize(0, m_ui->Frame4->height() + bandMargin));
    m_ui->Frame4->show();
    m_escape->setEnabled(true);
    m_worker.start(operation);
}

void Decouper::stopClicked()
{
    if (!m_worker.isRunning())
        return;
    // The operation stops at its next block and removes what it had begun: once is enough.
    m_ui->Arreter->setEnabled(false);
    m_worker.stop();
}

void Decouper::operationFinished()
{
    QApplication::restoreOverrideCursor();
    m_escape->setEnabled(false);
    m_ui->Frame4->hide();
    setFixedSize(m_designSize);
    m_desktop.hideProgress();
    setWindowTitle(WindowTexts::title);
    // After a cut, the user selects a file again before the next one.
    if (std::exchange(m_cutRunning, false))
        m_ui->Decouper->setEnabled(false);
}

MessageAnswer Decouper::showMessage(const QString &text, const QString &title, MessageIcon icon,
                                    MessageButtons buttons)
{
    // A message ends or stops an operation: the progress goes from the title.
    setWindowTitle(WindowTexts::title);
    return m_messages.show(text, title, icon, buttons);
}

void Decouper::engineMessage(const QString &text, const QString &title, MessageIcon icon,
                             MessageButtons buttons, MessageAnswer *answer)
{
    // A message with OK alone ends the operation: a long one that ends while the user works
    // elsewhere tells the desktop too.
    if (buttons == MessageButtons::Ok && !isActiveWindow()
        && m_started.elapsed() >= longOperationMs)
        m_desktop.notify(FctDecoup::ReadablePath(text.section(QChar(13), 0, 0)));
    *answer = showMessage(text, title, icon, buttons);
}

void Decouper::showProgress(const Progress &progress)
{
    const qint64 now = m_started.elapsed();
    m_meter.add(progress, now);
    // The title changes only with the piece or the percentage: a hundred times an operation,
    // and once a piece, however fast the blocks go; the bar and the launcher a thousand times
    // at most, the words four times a second.
    setWindowTitle(
        WindowTexts::progressTitle(progress.piece, progress.pieceCount, m_meter.percent()));
    const int share = progress.total > 0 ? int(progress.moved * 1000 / progress.total) : 0;
    if (share != std::exchange(m_shownShare, share)) {
        m_ui->ProgressBar1->setValue(share);
        m_desktop.showProgress(share / 1000.0);
    }
    if (m_wordsShown < 0 || now - m_wordsShown >= 250) {
        m_wordsShown = now;
        m_ui->Label4->setText(m_meter.text());
    }
}
