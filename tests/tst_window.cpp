// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// The main window, driven by its control names as a user drives it: clicks, typing, Tab.
#include "Decouper.h"
#include "FileList.h"
#include "FolderTree.h"
#include "FrenchTranslation.h"
#include "ModalAnswerer.h"
#include "SizeCaption.h"
#include "TestFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> m_urls;

public Q_SLOTS:
    void open(const QUrl &url) { m_urls.append(url); }
};

class TestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void stateAfterStart();
    void captionsAndTooltips_data();
    void captionsAndTooltips();
    void tabOrder();
    void accessKeys();
    void sizeBoxTyping();
    void fileListHandler_data();
    void fileListHandler();
    void noSelectionInList();
    void treeHandler();
    void sizeCaptions_data();
    void sizeCaptions();
    void sizeOfVanishedFile();
    void filter_data();
    void filter();
    void fiftyThousandFiles();
    void cutNonNumeric();
    void cutWithoutSelection();
    void cutSizeZeroHandedOn();
    void cutInFolderAtRoot();
    void restoreWrongName();
    void helpAndAbout();
    void quit();
    void quitDuringCut();
    void donation();
    void cutAndRestoreEndToEnd();
    void questionDefaultsToCancel();
    void secondCommandIgnoredWhileBusy();

private:
    template <typename T> T *control(const char *name) const
    {
        T *found = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QToolButton *button(const char *name) const { return control<QToolButton>(name); }
    FileList *fileList() const { return control<FileList>("File1"); }
    void openFolder(const QString &folder);
    void select(const QString &name);
    // Writes a file into the test's folder, shows that folder, selects the file and types the
    // piece size: the state in which a user presses Découper.
    void prepareCut(const QString &name, const QByteArray &content, const QString &sizeKb);
    QStringList listed() const;
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Decouper> m_window;
    std::unique_ptr<ModalAnswerer> m_answerer;
};

void TestWindow::initTestCase()
{
    QVERIFY2(installQtFrench(*qApp), "Qt's French translation (qt6-translations-l10n)");
}

void TestWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_answerer = std::make_unique<ModalAnswerer>();
    m_window = std::make_unique<Decouper>();
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestWindow::cleanup()
{
    m_window.reset();
    m_answerer.reset();
    m_dir.reset();
}

void TestWindow::openFolder(const QString &folder)
{
    QVERIFY(control<FolderTree>("Tree1")->setSelectedFolder(folder));
}

void TestWindow::select(const QString &name)
{
    const QList<QListWidgetItem *> items = fileList()->findItems(name, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(name));
    const QRect rect = fileList()->visualItemRect(items.first());
    QTest::mouseClick(fileList()->viewport(), Qt::LeftButton, {}, rect.center());
    QVERIFY(items.first()->isSelected());
}

void TestWindow::prepareCut(const QString &name, const QByteArray &content, const QString &sizeKb)
{
    TestFiles::write(path(name), content);
    openFolder(m_dir->path());
    select(name);
    control<QComboBox>("Combo1")->setCurrentText(sizeKb);
}

QStringList TestWindow::listed() const
{
    QStringList names;
    for (int i = 0; i < fileList()->count(); ++i)
        names.append(fileList()->entryText(i));
    return names;
}

void TestWindow::stateAfterStart()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Découper / Restituer un fichier"));
    QCOMPARE(m_window->size(), QSize(554, 409));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
    auto *combo = control<QComboBox>("Combo1");
    QStringList presets;
    for (int i = 0; i < combo->count(); ++i)
        presets.append(combo->itemText(i));
    QCOMPARE(presets,
             (QStringList{QStringLiteral("2800"), QStringLiteral("1400"), QStringLiteral("1200"),
                          QStringLiteral("700"), QStringLiteral("300")}));
    QCOMPARE(combo->currentText(), QStringLiteral("1400"));
    QCOMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("*.*"));
    QCOMPARE(control<QLabel>("Label3")->text(), QString());
    QVERIFY(!button("Decouper")->isEnabled());
    QVERIFY(!button("Joindre")->isEnabled());
    QCOMPARE(QApplication::focusWidget(), button("Command1"));
    // The program's own folder is shown first.
    const QString own = QCoreApplication::applicationDirPath();
    QCOMPARE(m_window->currentFolder(), own);
    QVERIFY(listed().contains(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
}

void TestWindow::captionsAndTooltips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("Decouper") << "Decouper"
                              << "&Découper"
                              << "Découpe le fichier sélectionné";
    QTest::newRow("Joindre") << "Joindre"
                             << "&Restituer"
                             << "Restitue le fichier origine";
    QTest::newRow("Command1") << "Command1"
                              << "&Quitter"
                              << "Quitte le coupeur de fichiers";
    QTest::newRow("Command2") << "Command2"
                              << "&Aide"
                              << "Information : Principe d'utilisation";
    QTest::newRow("Command3") << "Command3"
                              << "A propos"
                              << "";
    QTest::newRow("Frame2") << "Frame2"
                            << "Dossiers : "
                            << "";
    QTest::newRow("Frame3") << "Frame3"
                            << "Filtre de sélection des fichiers :"
                            << "";
    QTest::newRow("Label1") << "Label1"
                            << "Taille des partitions en Ko :"
                            << "";
    QTest::newRow("Label2") << "Label2"
                            << "Taille du fichier sélectionné :"
                            << "";
    QTest::newRow("Image1") << "Image1"
                            << ""
                            << "Faire un don avec PayPal - Un solution gratuite, rapide et "
                               "sécurisée.";
}

void TestWindow::captionsAndTooltips()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    QWidget *widget = m_window->findChild<QWidget *>(name);
    QVERIFY(widget);
    if (auto *b = qobject_cast<QAbstractButton *>(widget)) {
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->iconSize(), QSize(32, 32));
        QVERIFY(!b->icon().isNull());
    } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
        QCOMPARE(frame->title(), caption);
        QVERIFY(frame->font().bold());
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        if (!caption.isEmpty()) {
            QCOMPARE(label->text(), caption);
            // Every caption fits its place.
            QVERIFY(label->fontMetrics().horizontalAdvance(caption) <= label->width());
        }
    }
    QCOMPARE(widget->toolTip(), tooltip);
}

void TestWindow::tabOrder()
{
    const QList<QWidget *> expected = {control<QLineEdit>("Text1"),
                                       fileList(),
                                       control<QComboBox>("Combo1"),
                                       button("Command2"),
                                       control<FolderTree>("Tree1"),
                                       button("Command3"),
                                       button("Command1")};
    QCOMPARE(QApplication::focusWidget(), button("Command1"));
    for (QWidget *next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestWindow::accessKeys()
{
    // Alt+D and Alt+R do nothing while their buttons are disabled.
    openFolder(m_dir->path());
    TestFiles::write(path(QStringLiteral("rapport.doc")), "x");
    QTest::keyClick(m_window.get(), Qt::Key_D, Qt::AltModifier);
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::AltModifier);
    QTest::qWait(50);
    QVERIFY(m_answerer->m_seen.isEmpty());
    QVERIFY(!QFile::exists(path(QStringLiteral("rapport.001"))));

    QTest::keyClick(m_window.get(), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(m_answerer->m_seen.size(), 1);
    QVERIFY(m_answerer->m_seen.first().text.startsWith(QStringLiteral("DECOUPER :")));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_Q, Qt::AltModifier);
    QTRY_VERIFY(!m_window->isVisible());
}

void TestWindow::sizeBoxTyping()
{
    auto *combo = control<QComboBox>("Combo1");
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("1a4.0"));
    QCOMPARE(combo->currentText(), QStringLiteral("140"));
    QTest::keyClicks(combo->lineEdit(), QStringLiteral(" -,"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(combo->currentText(), QStringLiteral("140"));
    QCOMPARE(combo->count(), 5);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(combo->currentText(), QStringLiteral("14"));
}

void TestWindow::fileListHandler_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("restore");
    QTest::newRow("first piece") << "data.001" << true;
    QTest::newRow("second piece") << "data.002" << false;
    QTest::newRow("no point") << "backup001" << true;
    QTest::newRow("four digits") << "data.0001" << true;
    QTest::newRow("001 inside") << "data.001.bak" << false;
}

void TestWindow::fileListHandler()
{
    QFETCH(QString, name);
    QFETCH(bool, restore);
    TestFiles::write(path(name), TestFiles::pattern(1536));
    TestFiles::write(path(QStringLiteral("other.txt")), "x");
    openFolder(m_dir->path());
    select(name);
    QVERIFY(button("Decouper")->isEnabled());
    QCOMPARE(button("Joindre")->isEnabled(), restore);
    QCOMPARE(control<QLabel>("Label3")->text(), QStringLiteral(" 1.5 K.Octets"));
    // The caption sizes itself to its text.
    QVERIFY(control<QLabel>("Label3")->width()
            >= control<QLabel>("Label3")->fontMetrics().horizontalAdvance(
                QStringLiteral(" 1.5 K.Octets")));
}

void TestWindow::noSelectionInList()
{
    TestFiles::write(path(QStringLiteral("data.001")), TestFiles::pattern(500));
    openFolder(m_dir->path());
    select(QStringLiteral("data.001"));
    fileList()->clearSelection();
    QVERIFY(!button("Decouper")->isEnabled());
    QVERIFY(button("Joindre")->isEnabled());
    QCOMPARE(control<QLabel>("Label3")->text(), QStringLiteral(" .48 K.Octets"));
}

void TestWindow::treeHandler()
{
    TestFiles::write(path(QStringLiteral("data.001")), "abc");
    QTemporaryDir other;
    TestFiles::write(other.filePath(QStringLiteral("another.txt")), "x");
    openFolder(m_dir->path());
    QCOMPARE(m_window->currentFolder(), m_dir->path());
    select(QStringLiteral("data.001"));
    openFolder(other.path());
    QCOMPARE(m_window->currentFolder(), other.path());
    QVERIFY(!button("Decouper")->isEnabled());
    QVERIFY(!button("Joindre")->isEnabled());
    QCOMPARE(control<QLabel>("Label3")->text(), QString());
    QCOMPARE(listed(), QStringList{QStringLiteral("another.txt")});
}

void TestWindow::sizeCaptions_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<QString>("caption");
    QTest::newRow("0") << qint64(0) << " 0 K.Octets";
    QTest::newRow("500") << qint64(500) << " .48 K.Octets";
    QTest::newRow("1023") << qint64(1023) << " .99 K.Octets";
    QTest::newRow("1024") << qint64(1024) << " 1 K.Octets";
    QTest::newRow("1536") << qint64(1536) << " 1.5 K.Octets";
    QTest::newRow("3000") << qint64(3000) << " 2.92 K.Octets";
    QTest::newRow("1400 K") << qint64(1400 * 1024) << " 1400 K.Octets";
    QTest::newRow("1440 K") << qint64(1440 * 1024) << " 1440 K.Octets";
    QTest::newRow("1 K + 10 bytes") << qint64(1034) << " 1 K.Octets";
    QTest::newRow("1 K + 11 bytes") << qint64(1035) << " 1.01 K.Octets";
    QTest::newRow("3 GiB") << qint64(3) * 1024 * 1024 * 1024 << " 3145728 K.Octets";
}

void TestWindow::sizeCaptions()
{
    QFETCH(qint64, length);
    QFETCH(QString, caption);
    QCOMPARE(sizeCaption(length), caption);
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QCOMPARE(sizeCaption(length), caption);
    QLocale::setDefault(saved);
}

void TestWindow::sizeOfVanishedFile()
{
    TestFiles::write(path(QStringLiteral("gone.txt")), "abc");
    openFolder(m_dir->path());
    QVERIFY(QFile::remove(path(QStringLiteral("gone.txt"))));
    select(QStringLiteral("gone.txt"));
    QCOMPARE(control<QLabel>("Label3")->text(), QStringLiteral(" 0 K.Octets"));
    QVERIFY(button("Decouper")->isEnabled());
}

void TestWindow::filter_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("effective");
    QTest::addColumn<QStringList>("files");
    const QStringList all = {QStringLiteral(".hidden"), QStringLiteral("LISEZMOI"),
                             QStringLiteral("notes.TXT"), QStringLiteral("rapport.001"),
                             QStringLiteral("rapport.doc")};
    QTest::newRow("every file") << "*.*"
                                << "*.*" << all;
    QTest::newRow("empty") << ""
                           << "" << all;
    QTest::newRow("one extension, any case") << "*.txt"
                                             << "*.txt" << QStringList{QStringLiteral("notes.TXT")};
    QTest::newRow("two patterns") << "*.001;*.doc"
                                  << "*.001;*.doc"
                                  << QStringList{QStringLiteral("rapport.001"),
                                                 QStringLiteral("rapport.doc")};
    QTest::newRow("question mark") << "rapport.?o?"
                                   << "rapport.?o?" << QStringList{QStringLiteral("rapport.doc")};
    QTest::newRow("refused") << "sub/*.doc"
                             << "*.*" << all;
}

void TestWindow::filter()
{
    QFETCH(QString, pattern);
    QFETCH(QString, effective);
    QFETCH(QStringList, files);
    for (const QString &name :
         {QStringLiteral(".hidden"), QStringLiteral("LISEZMOI"), QStringLiteral("notes.TXT"),
          QStringLiteral("rapport.001"), QStringLiteral("rapport.doc")})
        TestFiles::write(path(name), "x");
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.doc")));
    openFolder(m_dir->path());
    select(QStringLiteral("rapport.001"));
    auto *text = control<QLineEdit>("Text1");
    text->clear();
    QTest::keyClicks(text, pattern);
    QCOMPARE(text->text(), pattern);
    QCOMPARE(fileList()->pattern(), effective);
    QCOMPARE(listed(), files);
    // The filter leaves the buttons as the last selection set them.
    QVERIFY(button("Decouper")->isEnabled());
    QVERIFY(button("Joindre")->isEnabled());
}

void TestWindow::fiftyThousandFiles()
{
    const QString folder = m_dir->filePath(QStringLiteral("many"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("many")));
    for (int i = 0; i < 50000; ++i)
        QVERIFY(QFile(folder + QStringLiteral("/f%1").arg(i, 5, 10, QLatin1Char('0')))
                    .open(QIODevice::WriteOnly));
    openFolder(folder);
    QCOMPARE(fileList()->count(), 50000);
    QCOMPARE(fileList()->entryText(49999), QStringLiteral("f49999"));
    select(QStringLiteral("f00000"));
    QVERIFY(button("Decouper")->isEnabled());
}

void TestWindow::cutNonNumeric()
{
    prepareCut(QStringLiteral("rapport.doc"), QByteArray("x"), QString());
    QTest::mouseClick(button("Decouper"), Qt::LeftButton);
    QCOMPARE(m_answerer->m_seen.size(), 1);
    const SeenBox &box = m_answerer->m_seen.first();
    QCOMPARE(box.title, QStringLiteral("Erreur : valeur non numérique"));
    QCOMPARE(box.text, QStringLiteral(" veuillez entrer une valeur numérique"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
    QVERIFY(button("Decouper")->isEnabled());
    QVERIFY(!QFile::exists(path(QStringLiteral("rapport.001"))));
}

void TestWindow::cutWithoutSelection()
{
    prepareCut(QStringLiteral("rapport.doc"), QByteArray("x"), QStringLiteral("700"));
    // The selected file leaves the list: the button stays as the selection left it.
    control<QLineEdit>("Text1")->setText(QStringLiteral("*.txt"));
    QVERIFY(button("Decouper")->isEnabled());
    QTest::mouseClick(button("Decouper"), Qt::LeftButton);
    QVERIFY(m_answerer->m_seen.isEmpty());
    QVERIFY(!button("Decouper")->isEnabled());
    QVERIFY(!QFile::exists(path(QStringLiteral("rapport.001"))));
}

void TestWindow::cutSizeZeroHandedOn()
{
    prepareCut(QStringLiteral("rapport.doc"), QByteArray("x"), QStringLiteral("0"));
    QTest::mouseClick(button("Decouper"), Qt::LeftButton);
    QCOMPARE(m_answerer->m_seen.size(), 1);
    QCOMPARE(m_answerer->m_seen.first().text,
             QStringLiteral("Erreur lors du découpage du fichier !"));
    QCOMPARE(m_answerer->m_seen.first().icon, QMessageBox::Warning);
    QVERIFY(!button("Decouper")->isEnabled());
}

void TestWindow::cutInFolderAtRoot()
{
    // A folder right under the root: the full path must hold a single separator before the name.
    QTemporaryDir atRoot(QStringLiteral("/fendrax-test-XXXXXX"));
    if (!atRoot.isValid())
        QSKIP("cannot create a folder at the root of the file system");
    TestFiles::write(atRoot.filePath(QStringLiteral("rapport.txt")), TestFiles::pattern(3000));
    openFolder(atRoot.path());
    select(QStringLiteral("rapport.txt"));
    control<QComboBox>("Combo1")->setCurrentText(QStringLiteral("1"));
    QTest::mouseClick(button("Decouper"), Qt::LeftButton);
    QCOMPARE(m_answerer->m_seen.size(), 1);
    QCOMPARE(m_answerer->m_seen.first().title, QStringLiteral("Information"));
    QCOMPARE(TestFiles::read(atRoot.filePath(QStringLiteral("rapport.001"))).left(8),
             QByteArray("txt  003"));
}

void TestWindow::restoreWrongName()
{
    TestFiles::write(path(QStringLiteral("rapport.001")), "txt  001x");
    TestFiles::write(path(QStringLiteral("notes.txt")), "x");
    openFolder(m_dir->path());
    select(QStringLiteral("rapport.001"));
    fileList()->clearSelection();
    QVERIFY(button("Joindre")->isEnabled());
    QTest::mouseClick(button("Joindre"), Qt::LeftButton);
    QCOMPARE(m_answerer->m_seen.size(), 1);
    const SeenBox &box = m_answerer->m_seen.first();
    QCOMPARE(box.title, QStringLiteral("Erreur : Mauvais fichier ... "));
    QCOMPARE(box.text, QStringLiteral(" veuillez selectionner un fichier dont l'extention se "
                                      "termine par 001 !"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QVERIFY(!QFile::exists(path(QStringLiteral("rapport.txt"))));
}

void TestWindow::helpAndAbout()
{
    QTest::mouseClick(button("Command2"), Qt::LeftButton);
    QTest::mouseClick(button("Command3"), Qt::LeftButton);
    QCOMPARE(m_answerer->m_seen.size(), 2);
    const SeenBox &help = m_answerer->m_seen[0];
    QCOMPARE(help.title, QStringLiteral("Information"));
    QCOMPARE(help.icon, QMessageBox::Information);
    QCOMPARE(help.buttons, QStringList{QStringLiteral("OK")});
    const QString helpText =
        QStringLiteral("DECOUPER :\n"
                       "Sélectionnez le fichier que vous désirez découper.\n"
                       "Sélectionner la taille des partitions (Format de disquettes).\n"
                       "Cliquez sur le bouton < Découper >.\n"
                       "\n"
                       "RESTITUER :\n"
                       "Copier à partir des disquettes de sauvegarde tous \n"
                       "les fichiers précédemment découpés dans un dossier.\n"
                       "Sélectionnez le premier fichier ****.001.\n"
                       "Cliquez sur le bouton < Restituer >.\n"
                       "Tous les fichiers ****.00X seront pris en compte.");
    QCOMPARE(help.text, helpText);
    QCOMPARE(help.text.split(QLatin1Char('\n')).size(), 11);

    const SeenBox &about = m_answerer->m_seen[1];
    QCOMPARE(about.title, QStringLiteral("A propos"));
    QCOMPARE(about.icon, QMessageBox::Information);
    const QString aboutText =
        QStringLiteral("Fendrax version " FENDRAX_VERSION " - Decouper/Restituer un fichier\n"
                       "\n"
                       "Auteur : le projet Fendrax\n"
                       "E-Mail : contact@fendrax.example\n"
                       "Url : https://fendrax.example/\n"
                       "\n");
    QCOMPARE(about.text, aboutText);
    QCOMPARE(about.text.split(QLatin1Char('\n')).size(), 7);
}

void TestWindow::quit()
{
    QTest::mouseClick(button("Command1"), Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_answerer->m_seen.isEmpty());
}

void TestWindow::quitDuringCut()
{
    prepareCut(QStringLiteral("rapport.doc"), TestFiles::pattern(50 * 1024), QStringLiteral("1"));
    // Quit is pressed while the cut yields for its first piece.
    QTimer::singleShot(0, button("Command1"), &QToolButton::click);
    QTest::mouseClick(button("Decouper"), Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_answerer->m_seen.isEmpty());
    QCOMPARE(TestFiles::snapshot(m_dir->path()).keys(), QStringList{QStringLiteral("rapport.doc")});
}

void TestWindow::donation()
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    auto *image = control<QLabel>("Image1");
    QCOMPARE(image->focusPolicy(), Qt::NoFocus);
    QCOMPARE(image->pixmap().size(), QSize(100, 44));
    QTest::mouseClick(image, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(recorder.m_urls,
             QList<QUrl>{QUrl(QStringLiteral("https://fendrax.example/Don/Don.htm"))});
    QVERIFY(m_answerer->m_seen.isEmpty());
}

void TestWindow::cutAndRestoreEndToEnd()
{
    const QByteArray data = TestFiles::pattern(10 * 1024 + 5);
    prepareCut(QStringLiteral("rapport.doc"), data, QStringLiteral("3"));
    QTest::mouseClick(button("Decouper"), Qt::LeftButton);
    QCOMPARE(m_answerer->m_seen.size(), 1);
    QCOMPARE(m_answerer->m_seen[0].text,
             QStringLiteral("Découpage du fichier terminé.\nFichier découpé en 004 morceaux."));
    QVERIFY(!button("Decouper")->isEnabled());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Découper / Restituer un fichier"));
    // The list was refreshed: the pieces are listed.
    QCOMPARE(listed(), (QStringList{QStringLiteral("rapport.001"), QStringLiteral("rapport.002"),
                                    QStringLiteral("rapport.003"), QStringLiteral("rapport.004"),
                                    QStringLiteral("rapport.doc")}));

    QVERIFY(QFile::rename(path(QStringLiteral("rapport.doc")), path(QStringLiteral("original"))));
    fileList()->refresh();
    select(QStringLiteral("rapport.001"));
    QTest::mouseClick(button("Joindre"), Qt::LeftButton);
    QCOMPARE(m_answerer->m_seen.size(), 2);
    QCOMPARE(m_answerer->m_seen[1].title, QStringLiteral("Information"));
    QCOMPARE(m_answerer->m_seen[1].text, QStringLiteral("Restitution des fichiers terminée."));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.doc"))), data);
    QVERIFY(listed().contains(QStringLiteral("rapport.doc")));
}

void TestWindow::questionDefaultsToCancel()
{
    TestFiles::write(path(QStringLiteral("rapport.doc")), TestFiles::pattern(3000));
    TestFiles::write(path(QStringLiteral("rapport.001")), "old");
    openFolder(m_dir->path());
    select(QStringLiteral("rapport.doc"));
    m_answerer->m_answers = {ModalAnswerer::Answer::Escape};
    QTest::mouseClick(button("Decouper"), Qt::LeftButton);
    QCOMPARE(m_answerer->m_seen.size(), 1);
    const SeenBox &question = m_answerer->m_seen.first();
    QCOMPARE(question.title, QStringLiteral("Fichier rapport.0XX existant"));
    QCOMPARE(question.text,
             QStringLiteral("Supprimer les fichiers déjà découpés ?\n           Confirmez"));
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(question.buttons.size(), 2);
    QVERIFY(question.buttons.contains(QStringLiteral("OK")));
    QVERIFY(question.buttons.contains(QStringLiteral("Annuler")));
    QCOMPARE(question.defaultButton, QStringLiteral("Annuler"));
    QCOMPARE(TestFiles::read(path(QStringLiteral("rapport.001"))), QByteArray("old"));
}

void TestWindow::secondCommandIgnoredWhileBusy()
{
    prepareCut(QStringLiteral("rapport.doc"), TestFiles::pattern(20 * 1024), QStringLiteral("1"));
    QString titleDuringCut;
    Qt::CursorShape cursorDuringCut = Qt::ArrowCursor;
    QTimer::singleShot(0, m_window.get(), [&] {
        titleDuringCut = m_window->windowTitle();
        cursorDuringCut = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                         : Qt::ArrowCursor;
        button("Decouper")->click();
        button("Joindre")->setEnabled(true);
        button("Joindre")->click();
    });
    QTest::mouseClick(button("Decouper"), Qt::LeftButton);
    QCOMPARE(titleDuringCut, QStringLiteral("Découper / Restituer un fichier — morceau 1 sur 20"));
    QCOMPARE(cursorDuringCut, Qt::WaitCursor);
    QCOMPARE(m_answerer->m_seen.size(), 1);
    QCOMPARE(m_answerer->m_seen.first().title, QStringLiteral("Information"));
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
