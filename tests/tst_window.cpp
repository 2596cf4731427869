// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The main window, driven as a user drives it: the command line, drops, clicks, keys, and answers
// to the real boxes.
#include "Decouper.h"
#include "FctDecoup.h"
#include "FileList.h"
#include "MediaDialog.h"
#include "TestFiles.h"

#include <QtDBus>
#include <QtWidgets>

using namespace TestFiles;

// A desktop's notification server and launcher, on the session bus: what they were told.
class Notifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList shown;                        // application|icon|summary
    QList<std::pair<QString, bool>> launcher; // application, progress visible

public Q_SLOTS:
    uint Notify(const QString &application, uint, const QString &icon, const QString &summary,
                const QString &, const QStringList &, const QVariantMap &, int)
    {
        shown << application + '|' + icon + '|' + summary;
        return uint(shown.size());
    }
    void Update(const QString &application, const QVariantMap &properties)
    {
        launcher.append({application, properties.value("progress-visible").toBool()});
    }
};

class TestWindow : public QObject
{
    Q_OBJECT

    template <typename T = QToolButton> T *control(const char *name) const
    {
        return m_window->findChild<T *>(name);
    }
    FileList *list() const { return control<FileList>("File1"); }
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // Whether the program started with these arguments, from that folder, and listed its folder.
    [[nodiscard]] bool start(const QStringList &arguments)
    {
        const QString programFolder = QCoreApplication::applicationDirPath();
        m_window =
            std::make_unique<Decouper>(StartPlace::fromCommandLine(arguments, programFolder));
        QSignalSpy listed(control<FileList>("File1"), &FileList::reread);
        m_window->show();
        return QTest::qWaitForWindowActive(m_window.get()) && (!listed.isEmpty() || listed.wait());
    }
    // Whether the window took what was dropped on it.
    bool drop(const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter({9, 9}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QDropEvent dropped({9, 9}, Qt::CopyAction, &data, Qt::LeftButton, {});
        return QApplication::sendEvent(m_window.get(), &enter) && enter.isAccepted()
               && QApplication::sendEvent(m_window.get(), &dropped) && dropped.isAccepted();
    }
    void press(const char *button)
    {
        QTest::mouseClick(control<QAbstractButton>(button), Qt::LeftButton);
    }
    // Whether the list showed the entry of that name, once, and it was clicked.
    [[nodiscard]] bool click(const QString &name)
    {
        const QList<QListWidgetItem *> items = list()->findItems(name, Qt::MatchExactly);
        if (items.size() != 1)
            return false;
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(items[0]).center());
        return true;
    }
    // Whether the text of a box was replaced as a user does it: click into it, select all, type.
    [[nodiscard]] bool type(const char *box, const QString &text)
    {
        m_window->activateWindow(); // as a window manager does when a message box closes
        if (!QTest::qWaitForWindowActive(m_window.get()))
            return false;
        QTest::mouseClick(control<QWidget>(box), Qt::LeftButton, {}, {5, 5});
        QTest::keyClick(control<QWidget>(box), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(control<QWidget>(box), Qt::Key_Backspace);
        QTest::keyClicks(control<QWidget>(box), text);
        return true;
    }
    // Until the cut or the restore that runs has ended: its busy cursor has gone.
    void finish() { QTRY_VERIFY(!QApplication::overrideCursor()); }
    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }
    // Each modal box that shows is noted as "title|text" and answered with its default button,
    // Cancel when it has one, or with a click on OK when m_ok. It has the window's font, and the
    // window's title tells no progress behind it.
    // A menu is noted as "name|its actions" and answered with m_menuChoice; a folder dialog as
    // "title|the folder it opens in", answered with m_folder.
    void answerBoxes()
    {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            QStringList actions;
            for (const QAction *action : menu->actions())
                actions << action->text() + (action->isEnabled() ? "" : " (off)");
            m_boxes << menu->accessibleName() + '|' + actions.join(", ");
            for (qsizetype i = 0; i <= actions.indexOf(m_menuChoice); ++i)
                QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        }
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            m_boxes << dialog->windowTitle() + '|' + dialog->directory().path();
            // As a user who goes to the folder, then presses Choose.
            dialog->setDirectory(m_folder);
            auto *buttons = dialog->findChild<QDialogButtonBox *>("buttonBox");
            QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
        }
        // The media dialog: noted once as "title|text", then answered as a user does once the
        // medium named m_medium shows in its list: a click on it, then on the first button.
        if (auto *dialog = qobject_cast<MediaDialog *>(QApplication::activeModalWidget())) {
            auto *media = dialog->findChild<QListWidget *>();
            if (!std::exchange(m_mediaShown, true)) {
                m_boxes << dialog->windowTitle() + '|' + dialog->findChild<QLabel *>()->text();
                if (m_onMediaDialog)
                    m_onMediaDialog();
            }
            const QList<QListWidgetItem *> items = media->findItems(m_medium, Qt::MatchContains);
            if (items.size() == 1) {
                QTest::mouseClick(media->viewport(), Qt::LeftButton, {},
                                  media->visualItemRect(items[0]).center());
                m_mediaShown = false;
                QTest::mouseClick(dialog->findChild<QDialogButtonBox *>()->buttons().constFirst(),
                                  Qt::LeftButton);
            }
        }
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            m_boxes << box->windowTitle() + '|' + box->text();
            QAbstractButton *cancel = box->button(QMessageBox::Cancel);
            const bool asTheWindow = box->font() == m_window->font()
                                     && m_window->windowTitle() == "Découper / Restituer un fichier"
                                     && (!cancel || box->defaultButton() == cancel);
            if (m_ok)
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            else
                QTest::keyClick(box, Qt::Key_Return);
            QVERIFY(asTheWindow);
        }
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Decouper> m_window;
    QTimer m_boxTimer;
    QStringList m_boxes;
    bool m_ok = false;
    QString m_menuChoice;
    QString m_folder;
    QString m_medium;                      // the medium that the media dialog is answered with
    bool m_mediaShown = false;             // the media dialog that shows was noted
    std::function<void()> m_onMediaDialog; // when a media dialog first shows

private Q_SLOTS:
    void initTestCase()
    {
        // A French user: digits are grouped, the decimal separator is a comma.
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        connect(&m_boxTimer, &QTimer::timeout, this, &TestWindow::answerBoxes);
        m_boxTimer.start(5);
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_boxes.clear();
        m_ok = false;
        m_medium.clear();
        m_mediaShown = false;
        m_onMediaDialog = nullptr;
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@" stands for the test's folder
        QTest::addColumn<QString>("program");       // "@/bin" is installed, "@" is not
        QTest::addColumn<QString>("opens");         // folder|file; "~" the user's home
        // clang-format off
        QTest::newRow("from a build folder") << QStringList{} << "@" << "@|";
        QTest::newRow("installed") << QStringList{} << "@/bin" << "~|";
        QTest::newRow("a folder") << QStringList{"@/share"} << "@/bin" << "@/share|";
        QTest::newRow("a file") << QStringList{"@/bin/fendrax"} << "@/bin" << "@/bin|fendrax";
        QTest::newRow("a missing file") << QStringList{"@/none"} << "@/bin" << "~|";
        QTest::newRow("two files") << QStringList{"@/bin/fendrax", "@/bin/fendrax"} << "@" << "@|";
        // clang-format on
    }

    // Where the window opens for a command line.
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, program);
        QFETCH(QString, opens);
        QVERIFY(populate(m_dir->path(), {"bin/", "bin/fendrax", "share/", "share/applications/",
                                         "share/applications/example.fendrax.Fendrax.desktop"}));
        const QString at = m_dir->path();
        const StartPlace place = StartPlace::fromCommandLine(arguments.replaceInStrings("@", at),
                                                             program.replace("@", at));
        QCOMPARE(place.folder + '|' + place.file,
                 opens.replace("@", at).replace("~", QDir::homePath()));
    }

    void fileSelection_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<bool>("restore");
        QTest::addColumn<QString>("caption");
        // clang-format off
        QTest::newRow("first piece") << "data.001" << 500LL << true << " .48 K.Octets";
        QTest::newRow("second piece") << "data.002" << 1536LL << false << " 1.5 K.Octets";
        QTest::newRow("no point") << "backup001" << 0LL << false << " 0 K.Octets";
        QTest::newRow("001 inside") << "data.001.bak" << 3000LL << false << " 2.92 K.Octets";
        QTest::newRow("recovery index") << "data.par2" << 0LL << true << " 0 K.Octets";
        QTest::newRow("recovery volume") << "data.vol07+1.par2" << 0LL << true << " 0 K.Octets";
        QTest::newRow("par2 inside") << "data.par2.bak" << 0LL << false << " 0 K.Octets";
        QTest::newRow("1400 K") << "disk.img" << 1400 * 1024LL << false << " 1400 K.Octets";
        QTest::newRow("3 GiB") << "disk.iso" << (3LL << 30) << false << " 3145728 K.Octets";
        // clang-format on
    }

    void fileSelection()
    {
        QFETCH(QString, name);
        QFETCH(qint64, length);
        QVERIFY(write(path(name), "", length));
        // Given on the command line, or dropped on the window.
        QVERIFY(start({path(name)}));
        QVERIFY(control("Decouper")->isEnabled());
        QTEST(control("Joindre")->isEnabled(), "restore");
        QTEST(control<QLabel>("Label3")->text(), "caption");
        // Another folder, dropped on the window: nothing is selected there yet.
        QVERIFY(drop({QUrl::fromLocalFile(QDir::tempPath())}));
        QVERIFY(!control("Decouper")->isEnabled() && !control("Joindre")->isEnabled());
        QCOMPARE(control<QLabel>("Label3")->text(), "");
    }

    void filter_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("files");
        const QStringList all{".hidden", "LISEZMOI", "notes.TXT", "rapport.001", "rapport.doc"};
        // clang-format off
        QTest::newRow("every file") << "*.*" << all;
        QTest::newRow("letter case ignored") << "*.txt" << QStringList{"notes.TXT"};
        QTest::newRow("refused: every file") << "sub/*.doc" << all;
        // clang-format on
    }

    void filter()
    {
        QFETCH(QString, pattern);
        QVERIFY(populate(m_dir->path(), {".hidden", "LISEZMOI", "notes.TXT", "rapport.001",
                                         "rapport.doc", "folder.doc/", "link.doc@none"}));
        QVERIFY(start({m_dir->path()}));
        QVERIFY(type("Text1", pattern));
        QTEST(listed(), "files");
    }

    // What another program adds, renames or removes in the folder shown comes and goes in the
    // list by itself; an operation's unfinished output never shows; the commands follow the
    // selected file, its size included, and go when it goes.
    void listFollowsItsFolder()
    {
        QVERIFY(write(path("rapport.001"), "doc  001", 2048));
        QVERIFY(start({path("rapport.001")}));
        QVERIFY(write(path("téléchargé.zip"), "x"));
        QTRY_VERIFY(listed().contains("téléchargé.zip"));
        QVERIFY(QFile::rename(path("téléchargé.zip"), path("photos.zip")));
        QVERIFY(QDir().mkdir(path(".rapport.fendrax"))
                && write(path(".rapport.fendrax/rapport.001"), "half"));
        QTRY_COMPARE(listed(), QStringList({"photos.zip", "rapport.001"}));
        QVERIFY(write(path("rapport.001"), "doc  001", 4096));
        QTRY_COMPARE(control<QLabel>("Label3")->text(), " 4 K.Octets");
        QVERIFY(control("Decouper")->isEnabled() && control("Joindre")->isEnabled());
        QVERIFY(list()->isEntrySelected(1));
        QVERIFY(QFile::remove(path("rapport.001")));
        QTRY_COMPARE(listed(), QStringList({"photos.zip"}));
        QVERIFY(!control("Decouper")->isEnabled() && !control("Joindre")->isEnabled());
        QCOMPARE(control<QLabel>("Label3")->text(), "");
    }

    // A name that is not UTF-8 (Latin-1, from an old archive), in a folder named so, shows as it
    // reads in the tree and the list, and a click cuts the very file, into pieces of the same
    // bytes.
    void nameOfAnotherCharacterSet()
    {
        const QByteArray folder = QFile::encodeName(m_dir->path()) + "/\xe9t\xe9/";
        QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        const int fd = ::open(folder + "r\xe9sum\xe9.doc", O_WRONLY | O_CREAT | O_EXCL, 0644);
        const QByteArray data(1536, 'l');
        QVERIFY(fd >= 0 && ::write(fd, data.constData(), 1536) == 1536 && ::close(fd) == 0);
        // The command line gives the folder as its bytes.
        QVERIFY(start({FctDecoup::PathFromNative(folder)}));
        QCOMPARE(control<QTreeView>("Tree1")->currentIndex().data().toString(), "été");
        // The list follows that folder too: a file that another program adds shows.
        const int added = ::open(folder + "caf\xe9.txt", O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(added >= 0 && ::close(added) == 0);
        QTRY_VERIFY(listed().contains("café.txt"));
        QVERIFY(click("résumé.doc"));
        QCOMPARE(control<QLabel>("Label3")->text(), " 1.5 K.Octets");
        press("Decouper");
        finish();
        QCOMPARE(m_boxes.value(0),
                 "Information|Découpage du fichier terminé.\nFichier découpé en 001 morceaux.");
        QFile piece;
        const int first = ::open(folder + "r\xe9sum\xe9.001", O_RDONLY);
        QVERIFY(first >= 0 && piece.open(first, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        QCOMPARE(piece.readAll(), "doc  001" + data);
        QTRY_VERIFY(listed().contains("résumé.001"));
        m_window.reset();
        QVERIFY(removeTree(folder));
    }

    // A set whose first piece is lost restores from its recovery index, clicked in the list.
    void restoreFromTheIndex()
    {
        QByteArray data(5000, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        QVERIFY(write(path("rapport.doc"), data));
        QVERIFY(start({path("rapport.doc")}));
        QVERIFY(type("Combo1", "2"));
        press("Decouper");
        finish();
        QVERIFY(QFile::remove(path("rapport.doc")) && QFile::remove(path("rapport.001")));
        QTRY_VERIFY(listed().contains("rapport.par2") && !listed().contains("rapport.001"));
        QVERIFY(click("rapport.par2"));
        press("Joindre");
        finish();
        QCOMPARE(m_boxes.last(),
                 "Information|Restitution des fichiers terminée.\nMorceau reconstitué à "
                 "partir des fichiers de réparation : rapport.001 (manquant).");
        QCOMPARE(read(path("rapport.doc")), data);
    }

    void cutAndRefusals()
    {
        QVERIFY(write(path("rapport.doc"), "", 300 * 1024 + 5));
        QVERIFY(start({m_dir->path()}));
        QVERIFY(click("rapport.doc"));
        // A preset is chosen from the list, which opens on the one shown.
        auto *combo = control<QComboBox>("Combo1");
        QTest::keyClick(combo, Qt::Key_F4);
        QTRY_VERIFY(combo->view()->isVisible());
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QCOMPARE(combo->currentText(), "1200");
        QVERIFY(type("Combo1", ""));
        press("Decouper");
        QVERIFY(control("Decouper")->isEnabled());
        // Kept as typed, never completed from the presets (1400).
        QVERIFY(type("Combo1", "140"));
        QSignalSpy titles(m_window.get(), &QWidget::windowTitleChanged);
        {
            // While the cut waits on the disk, the window answers (Aide), and Découper does
            // nothing.
            const Held source(path("rapport.doc"));
            QVERIFY(source.held);
            press("Decouper");
            press("Command2");
            press("Decouper");
            QCOMPARE(m_boxes.size(), 2);
        }
        finish();
        // The title tells how far the cut is.
        const QString title = "Découper / Restituer un fichier";
        QCOMPARE(titles, QList<QVariantList>({{title + " — morceau 1 sur 3 — 0 %"},
                                              {title + " — morceau 2 sur 3 — 46 %"},
                                              {title + " — morceau 3 sur 3 — 93 %"},
                                              {title + " — morceau 3 sur 3 — 100 %"},
                                              {title}}));
        QVERIFY(!control("Decouper")->isEnabled());
        QTRY_VERIFY(listed().contains("rapport.003"));
        // The file stays highlighted: one click on it allows another cut, whose question
        // defaults to Cancel.
        QVERIFY(click("rapport.doc"));
        QVERIFY(write(path("notes.txt"), "x"));
        press("Decouper");
        finish();
        QTRY_VERIFY(listed().contains("notes.txt"));
        // The worker waits for the answer: OK replaces the set.
        m_ok = true;
        QVERIFY(click("rapport.doc"));
        QVERIFY(type("Combo1", "300"));
        press("Decouper");
        finish();
        QTRY_VERIFY(listed().contains("rapport.002") && !listed().contains("rapport.003"));
        QVERIFY(click("rapport.001"));
        // The selected piece leaves the list: nothing is selected, the buttons stay as they were.
        QVERIFY(type("Text1", "*.txt"));
        press("Joindre");
        finish();
        press("Decouper");
        QVERIFY(!control("Decouper")->isEnabled());
        QStringList firstLines;
        for (const QString &box : std::as_const(m_boxes))
            firstLines << box.section('\n', 0, 0);
        const QString question =
            "Fichier rapport.0XX existant|Supprimer les fichiers déjà découpés ?";
        QCOMPARE(firstLines,
                 QStringList({"Erreur : valeur non numérique| veuillez entrer une valeur numérique",
                              "Information|DECOUPER :", // Aide, while the cut waits
                              "Information|Découpage du fichier terminé.", question, question,
                              "Information|Découpage du fichier terminé.",
                              "Erreur : Mauvais fichier ... | veuillez "
                              "selectionner un fichier dont l'extention se termine par 001 !"}));
        QCOMPARE(m_boxes[2].section('\n', 1), "Fichier découpé en 003 morceaux.");
        QCOMPARE(m_boxes[3].section('\n', 1), "           Confirmez");
    }

    // What a screen reader says of each control: what it is, in French; and the tree tells of the
    // one column that it shows.
    void accessibleNames()
    {
        QVERIFY(write(path("notes.txt"), "", 1536));
        QVERIFY(start({path("notes.txt")}));
        const auto face = [&](const char *name) {
            return QAccessible::queryAccessibleInterface(control<QWidget>(name));
        };
        const std::pair<const char *, QString> names[] = {
            {"Combo1", "Taille des partitions en Ko"},
            {"Text1", "Filtre de sélection des fichiers :"},
            {"File1", "Fichiers du dossier"},
            {"Tree1", "Dossiers"},
            {"Image1", "Faire un don"},
            {"Label3", "Taille du fichier sélectionné : 1.5 K.Octets"},
            {"Command3", "A propos"}};
        for (const auto &[widget, name] : names)
            QCOMPARE(face(widget)->text(QAccessible::Name), name);
        QCOMPARE(face("Tree1")->tableInterface()->columnCount(), 1);
        // The size box's list, a popup window, is found among the box's children.
        QCOMPARE(face("Combo1")->childCount(), 2);
        QCOMPARE(face("Combo1")->child(0)->text(QAccessible::Name), "Tailles proposées");
    }

    // Pieces of several blocks: between two of them, the title tells how far the cut is.
    void progressWithinAPiece()
    {
        QVERIFY(write(path("film.iso"), "", 3 << 20));
        QVERIFY(start({path("film.iso")}));
        QVERIFY(type("Combo1", "3072"));
        QSignalSpy titles(m_window.get(), &QWidget::windowTitleChanged);
        press("Decouper");
        finish();
        QCOMPARE(titles.value(1).value(0),
                 "Découper / Restituer un fichier — morceau 1 sur 1 — 33 %");
    }

    void keyboardHelpAndDrop()
    {
        QVERIFY(start({}));
        QCOMPARE(QApplication::focusWidget()->objectName(), "Command1");
        for (const char *next :
             {"Text1", "File1", "Combo1", "Command2", "Tree1", "Command3", "Command1"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }
        auto *combo = control<QComboBox>("Combo1");
        QCOMPARE(combo->currentText(), "1400");
        QVERIFY(type("Combo1", "1a4.0 9-x,e"));
        QCOMPARE(combo->currentText(), "1409");
        // A paste that holds anything but digits is refused as a whole.
        for (const char *paste : {"12ab", "12"}) {
            QGuiApplication::clipboard()->setText(paste);
            QTest::keyClick(combo, Qt::Key_V, Qt::ControlModifier);
        }
        QCOMPARE(combo->currentText(), "140912");
        QTest::keyClick(m_window.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].split('\n')[6], "Copier à partir des disquettes de sauvegarde tous ");

        // A file dropped on the window is selected; two are not taken.
        QVERIFY(write(path("rapport.doc"), "", 50 * 1024));
        const QUrl file = QUrl::fromLocalFile(path("rapport.doc"));
        QVERIFY(!drop({file, file}) && drop({file}));
        QTRY_COMPARE(control<QLabel>("Label3")->text(), " 50 K.Octets");
    }

    // A file on a read-only medium is cut where the user chooses, and its set, on a read-only
    // medium too, restored where the user chooses: with Découper and Restituer, which ask, and
    // with the list's menu, opened by the keyboard, which asks first.
    void elsewhere()
    {
        QByteArray data(300 * 1024, Qt::Uninitialized);
        QRandomGenerator(3).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        QVERIFY(QDir().mkpath(path("out")) && QDir().mkpath(path("back"))
                && QDir().mkpath(path("menu")) && QDir().mkpath(path("media")));
        QVERIFY(write(path("media/rapport.doc"), data));
        const Mount media(path("media"), "ro");
        if (!media.mounted)
            QSKIP("mounting needs root");
        QVERIFY(start({path("media/rapport.doc")}));
        m_folder = path("out");
        press("Decouper");
        finish();
        const QString home = QDir::homePath();
        QCOMPARE(
            m_boxes,
            QStringList(
                {"Enregistrer les morceaux dans…|" + home,
                 "Information|Découpage du fichier terminé.\nFichier découpé en 001 morceaux."}));
        QCOMPARE(listed(), QStringList{"rapport.doc"});
        const Mount out(path("out"), "ro");
        QVERIFY(out.mounted);
        QVERIFY(start({path("out/rapport.001")}));
        m_folder = path("back");
        press("Joindre");
        finish();
        QCOMPARE(m_boxes.mid(2, 2),
                 QStringList({"Restituer le fichier dans…|" + QDir::homePath(),
                              "Information|Restitution des fichiers terminée."}));
        QCOMPARE(read(path("back/rapport.doc")), data);
        m_folder = path("menu");
        m_menuChoice = "Restituer vers…";
        QVERIFY(type("Combo1", "140") && click("rapport.001"));
        QTest::keyClick(list(), Qt::Key_F10, Qt::ShiftModifier);
        finish();
        QCOMPARE(read(path("menu/rapport.doc")), data);
        QCOMPARE(m_boxes.mid(2), QStringList({"Restituer le fichier dans…|" + home,
                                              "Information|Restitution des fichiers terminée.",
                                              "Actions du fichier|Découper vers…, Restituer vers…",
                                              "Restituer le fichier dans…|" + home,
                                              "Information|Restitution des fichiers terminée."}));
        // The window follows its folder through a descriptor: it goes before the mounts.
        m_window.reset();
    }

    // A file too big for its folder goes over two media: the window offers it, then asks for the
    // next medium in its dialog, where a stick put in meanwhile shows; the set comes back from its
    // first piece, the dialog asking for the medium that holds the next one.
    void acrossMedia()
    {
        QByteArray data(2'500'000, Qt::Uninitialized);
        QRandomGenerator(5).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        QVERIFY(QDir().mkpath(path("src")) && QDir().mkpath(path("out")));
        const Mount source(path("src"), "tmpfs", 3 << 20);
        if (!source.mounted)
            QSKIP("mounting needs root");
        QVERIFY(write(path("src/film.mkv"), data));
        QVERIFY(start({path("src/film.mkv")}));
        QVERIFY(type("Combo1", "100"));
        m_ok = true;
        m_medium = path("stick");
        std::unique_ptr<Mount> stick;
        m_onMediaDialog = [&] {
            if (!stick)
                stick = std::make_unique<Mount>(path("stick"), "ext4", 8 << 20);
        };
        press("Decouper");
        finish();
        QVERIFY(stick && stick->mounted);
        QCOMPARE(m_boxes.size(), 3);
        QVERIFY2(m_boxes[0].startsWith("Plusieurs supports|Pas assez de place dans " + path("src/"))
                     && m_boxes[0].endsWith("\nContinuer sur plusieurs supports ?"),
                 qPrintable(m_boxes[0]));
        QVERIFY2(m_boxes[1].startsWith("Support suivant|film.001 à film.00"),
                 qPrintable(m_boxes[1]));
        QVERIFY2(m_boxes[2].startsWith("Information|Découpage du fichier terminé.\nFichier découpé "
                                       "en 025 morceaux.\nChaque support a été relu."),
                 qPrintable(m_boxes[2]));
        QVERIFY(QFile::exists(path("stick/film.025")) && QFile::exists(path("stick/film.sha256")));
        m_boxes.clear();
        m_folder = path("out");
        QVERIFY(start({path("src/film.001")}));
        press("Joindre");
        finish();
        QCOMPARE(m_boxes.size(), 3);
        QCOMPARE(m_boxes[0], "Restituer le fichier dans…|" + QDir::homePath());
        QVERIFY2(m_boxes[1].startsWith("Support demandé|Insérez le support qui porte film.00"),
                 qPrintable(m_boxes[1]));
        QCOMPARE(m_boxes[2], "Information|Restitution des fichiers terminée.");
        QCOMPARE(read(path("out/film.mkv")), data);
        m_window.reset();
    }

    void stopDuringOperation_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Arrêter") << false;
        QTest::newRow("Escape") << true;
    }

    // While a cut runs, a band below the buttons shows its progress as a bar that rises and in
    // words; Arrêter or Escape stops it: nothing of it is left, nothing is said, and the window is
    // as after a command, its band gone.
    void stopDuringOperation()
    {
        QFETCH(bool, escape);
        QVERIFY(write(path("film.mkv"), "", 2LL << 30));
        const Snapshot before = snapshot(m_dir->path());
        QVERIFY(start({path("film.mkv")}));
        const QSize designed = m_window->size();
        QVERIFY(type("Combo1", "4096"));
        press("Decouper");
        auto *bar = control<QProgressBar>("ProgressBar1");
        QTRY_VERIFY(bar->isVisible() && bar->value() > 0);
        const int first = bar->value();
        QTRY_VERIFY(bar->value() > first);
        QVERIFY(m_window->height() > designed.height());
        QVERIFY(control<QLabel>("Label4")->text().startsWith("morceau "));
        // What a screen reader finds: a progress bar by its name, with its value, and the button.
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(bar);
        QCOMPARE(face->role(), QAccessible::ProgressBar);
        QCOMPARE(face->text(QAccessible::Name), "Progression");
        QVERIFY(face->valueInterface()->currentValue().toInt() > 0);
        QCOMPARE(QAccessible::queryAccessibleInterface(control<QWidget>("Arreter"))
                     ->text(QAccessible::Name),
                 "Arrêter");
        if (escape)
            QTest::keyClick(m_window.get(), Qt::Key_Escape);
        else
            press("Arreter");
        finish();
        QCOMPARE(m_boxes, QStringList());
        QCOMPARE(snapshot(m_dir->path()), before);
        QVERIFY(!bar->isVisible());
        QCOMPARE(m_window->size(), designed);
        QVERIFY(!control("Decouper")->isEnabled());
        QCOMPARE(m_window->windowTitle(), "Découper / Restituer un fichier");
        QVERIFY(click("film.mkv"));
        QVERIFY(control("Decouper")->isEnabled());
    }

    void desktopTold_data()
    {
        QTest::addColumn<bool>("elsewhere");
        QTest::addColumn<int>("waitMs"); // on the source, before the cut goes on
        QTest::newRow("the user elsewhere: a notification") << true << 5200;
        QTest::newRow("the window in front: none") << false << 5200;
        QTest::newRow("a short cut: none") << true << 0;
    }

    // A cut that ran for more than five seconds and ends while the user works in another window
    // sends a desktop notification, with the completion's first line and the program's icon; the
    // launcher's progress follows the cut and goes at its end. Through a session bus of the
    // test's own (dbus-run-session), where another connection plays the desktop.
    void desktopTold()
    {
        QFETCH(bool, elsewhere);
        QFETCH(int, waitMs);
        QDBusConnection desktop =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "desktop");
        if (!desktop.isConnected())
            QSKIP("no session bus: run under dbus-run-session");
        Notifications notifications;
        QVERIFY(desktop.registerService("org.freedesktop.Notifications"));
        QVERIFY(desktop.registerObject("/org/freedesktop/Notifications", &notifications,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(desktop.connect({}, {}, "com.canonical.Unity.LauncherEntry", "Update",
                                &notifications, SLOT(Update(QString, QVariantMap))));
        QVERIFY(write(path("rapport.doc"), "", 3 << 20));
        QVERIFY(start({path("rapport.doc")}));
        QWidget other;
        {
            // The cut waits on its source for more than five seconds, as on a slow medium.
            const Held held(path("rapport.doc"));
            QVERIFY(held.held);
            if (elsewhere) {
                other.show();
                other.activateWindow();
                QTRY_VERIFY(!m_window->isActiveWindow());
            }
            press("Decouper");
            QTest::qWait(waitMs);
        }
        finish();
        QCOMPARE(m_boxes.value(0),
                 "Information|Découpage du fichier terminé.\nFichier découpé en 003 morceaux.");
        QTRY_VERIFY(!notifications.launcher.isEmpty() && !notifications.launcher.last().second);
        QCOMPARE(notifications.launcher.first(),
                 std::pair(QString("application://example.fendrax.Fendrax.desktop"), true));
        QTest::qWait(200);
        QCOMPARE(notifications.shown,
                 elsewhere && waitMs > 0
                     ? QStringList{"Fendrax|fendrax|Découpage du fichier terminé."}
                     : QStringList());
        desktop.unregisterService("org.freedesktop.Notifications");
        QDBusConnection::disconnectFromBus("desktop");
    }

    void quitDuringOperation_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("waitsOn");
        QTest::addColumn<QString>("title"); // how it ends while the operation waits
        QTest::addColumn<bool>("altQ");     // or a click on Quitter
        // clang-format off
        QTest::newRow("cut, Alt+Q") << "notes.doc" << "notes.doc" << "fichier" << true;
        QTest::newRow("restore, Quitter") << "rapport.001" << "rapport.002" << "morceau 2 sur 3 — 36 %" << false;
        // clang-format on
    }

    // Quitter while the operation waits on the disk: the window goes at once, and the program, on
    // its way out, waits until the operation has removed what it had begun.
    void quitDuringOperation()
    {
        QFETCH(QString, selected);
        QFETCH(QString, title);
        QFETCH(bool, altQ);
        QVERIFY(write(path("notes.doc"), "", 50 * 1024));
        QVERIFY(write(path("rapport.001"), "txt  003aaaa"));
        QVERIFY(write(path("rapport.002"), "bbbb"));
        QVERIFY(write(path("rapport.003"), "ccc"));
        const Snapshot before = snapshot(m_dir->path());
        QVERIFY(start({path(selected)}));
        {
            QFETCH(QString, waitsOn);
            const Held held(path(waitsOn));
            QVERIFY(held.held);
            press(selected.endsWith("001") ? "Joindre" : "Decouper");
            QTRY_VERIFY(m_window->windowTitle().endsWith(title));
            if (altQ) // the button shows that it is pressed, then acts
                QTest::keyClick(m_window.get(), Qt::Key_Q, Qt::AltModifier);
            else
                press("Command1");
            QTRY_VERIFY(m_window->isHidden());
        }
        // The operation stops by itself, or the program waits for it on its way out.
        if (!altQ)
            finish();
        m_window.reset();
        QCOMPARE(m_boxes, QStringList());
        QCOMPARE(snapshot(m_dir->path()), before);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
