#include "boardimages.h"
#include "boardpanel.h"
#include "boardsurface.h"
#include "drawingtools.h"
#include "filebrowser.h"
#include "form1.h"
#include "messagerecorder.h"
#include "palette.h"
#include "programpanel.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using panel::FileBrowser;
using panel::Form1;
using Icon = session::MessageService::Icon;

namespace
{

bool writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(bytes);
    f.close();
    QFile::Permissions p = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        p |= QFile::ExeOwner;
    return f.setPermissions(p);
}

// A picture whose every pixel differs from its neighbours, so any loss or
// shift shows.
QImage pattern(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 37 + y) & 0xff, (y * 53 + x * 3) & 0xff, (x * y) & 0xff));
    return img;
}

// A program that leaves a mark beside itself when it runs.
QString writeScript(const QString &folder, const QString &name)
{
    const QString path = QDir(folder).filePath(name);
    if (!writeFile(path, "#!/bin/sh\ntouch \"$0.ran\"\n", true))
        return {};
    return path;
}

QStringList listing(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The main window's stand-in: a board and a program panel on one window,
// and the browser opened on a folder of the test's own.
struct Window {
    explicit Window(const QString &folder)
    {
        widget.resize(900, 500);
        board = new board::BoardPanel(&widget, &palette);
        board->tools()->setMessageService(&messages);
        programs = new panel::ProgramPanel(&widget);
        form = new Form1(board, programs, &messages, folder, &widget);
    }
    ~Window() { programs->releaseAll(); }

    QTreeWidgetItem *folderItem(const QString &path) const
    {
        QTreeWidgetItemIterator it(form->Dir1);
        for (; *it; ++it) {
            if ((*it)->data(0, Qt::UserRole).toString() == path)
                return *it;
        }
        return nullptr;
    }
    QStringList folderPaths() const
    {
        QStringList out;
        QTreeWidgetItemIterator it(form->Dir1);
        for (; *it; ++it)
            out << (*it)->data(0, Qt::UserRole).toString();
        return out;
    }
    QStringList files() const
    {
        QStringList out;
        for (int i = 0; i < form->File1->count(); ++i)
            out << form->File1->item(i)->text();
        return out;
    }
    bool chooseFile(const QString &name) const
    {
        const auto found = form->File1->findItems(name, Qt::MatchExactly);
        if (found.isEmpty())
            return false;
        form->File1->setCurrentItem(found.first());
        return true;
    }

    board::Palette palette;
    MessageRecorder messages;
    QWidget widget;
    board::BoardPanel *board;
    panel::ProgramPanel *programs;
    Form1 *form;
};

} // namespace

class tst_FileBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Paths and files without a window.
    void joinPathUsesOneSeparator_data();
    void joinPathUsesOneSeparator();
    void programFiles_data();
    void programFiles();
    void driveOfTakesTheLongestRoot_data();
    void driveOfTakesTheLongestRoot();
    void driveRootsAreTheMountPoints();
    void folderEntriesRunFromTheRoot();
    void fileNamesInNameOrder();
    void savesAreLossless_data();
    void savesAreLossless();
    void saveToAMissingFolderLeavesNoFile();
    void saveOntoAFolderOrWithoutAPathFails();
    void messageTexts();

    // The window.
    void opensOnItsFolder();
    void openingAFolderFillsTheLists();
    void clickingAFileBuildsThePath();
    void theRootGetsOneSeparator();
    void changingTheDrive();
    void anUnreadableDriveGoesBack();
    void choosingAPaneLaunchesOnlyThere_data();
    void choosingAPaneLaunchesOnlyThere();
    void saveAsksThenSaves();
    void saveCancelledWritesNothing();
    void saveToAMissingFolderSaysSo();
    void saveWithAFolderPathFails();
    void doubleClickOnAPicture_data();
    void doubleClickOnAPicture();
    void doubleClickOnAProgram_data();
    void doubleClickOnAProgram();
    void doubleClickOnAnotherFile();
    void mouseAndKeysReachTheLists();
    void reopeningShowsNewFiles();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root; // the test's folder, as the browser writes paths
};

void tst_FileBrowser::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = QDir::cleanPath(QFileInfo(m_dir->path()).canonicalFilePath());
}

void tst_FileBrowser::cleanup()
{
    m_dir.reset();
}

void tst_FileBrowser::joinPathUsesOneSeparator_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("root") << "/"
                          << "mappa.png"
                          << "/mappa.png";
    QTest::newRow("folder") << "/home/anna"
                            << "mappa.png"
                            << "/home/anna/mappa.png";
    QTest::newRow("trailing separator") << "/media/usb/"
                                        << "gioco.exe"
                                        << "/media/usb/gioco.exe";
    QTest::newRow("spaces") << "/home/anna/Le mie mappe"
                            << "a b.bmp"
                            << "/home/anna/Le mie mappe/a b.bmp";
}

void tst_FileBrowser::joinPathUsesOneSeparator()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(FileBrowser::joinPath(folder, name), path);
}

void tst_FileBrowser::programFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("program");
    QTest::newRow("executable script") << "avvia.sh" << true << true << true;
    QTest::newRow("executable, no extension") << "scheda" << true << true << true;
    QTest::newRow("plain text") << "note.txt" << true << false << false;
    QTest::newRow(".EXE not executable") << "GIOCO.EXE" << true << false << true;
    QTest::newRow(".exe not executable") << "gioco.exe" << true << false << true;
    QTest::newRow("mixed case is no program") << "gioco.Exe" << true << false << false;
    QTest::newRow("exe inside the name") << "gioco.exe.txt" << true << false << false;
    QTest::newRow("missing .exe, by its name") << "manca.exe" << false << false << true;
    QTest::newRow("missing, no name rule") << "manca.sh" << false << false << false;
}

void tst_FileBrowser::programFiles()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QFETCH(bool, executable);
    QFETCH(bool, program);
    const QString path = QDir(m_root).filePath(name);
    if (exists)
        QVERIFY(writeFile(path, "x", executable));
    QCOMPARE(FileBrowser::isProgramFile(path), program);
}

void tst_FileBrowser::driveOfTakesTheLongestRoot_data()
{
    QTest::addColumn<QStringList>("drives");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");
    const QStringList mounts{"/", "/home", "/media/usb", "/media/usb2"};
    QTest::newRow("inside a mount") << mounts << "/home/anna/mappe"
                                    << "/home";
    QTest::newRow("a mount itself") << mounts << "/media/usb"
                                    << "/media/usb";
    QTest::newRow("name prefix is no parent") << mounts << "/homeless"
                                              << "/";
    QTest::newRow("the longer of two") << mounts << "/media/usb2/x"
                                       << "/media/usb2";
    QTest::newRow("root") << mounts << "/"
                          << "/";
    QTest::newRow("trailing separator") << mounts << "/home/"
                                        << "/home";
    QTest::newRow("on no listed drive") << QStringList{"/home"} << "/etc"
                                        << "";
}

void tst_FileBrowser::driveOfTakesTheLongestRoot()
{
    QFETCH(QStringList, drives);
    QFETCH(QString, path);
    QFETCH(QString, drive);
    QCOMPARE(FileBrowser::driveOf(path, drives), drive);
}

void tst_FileBrowser::driveRootsAreTheMountPoints()
{
    const QStringList roots = FileBrowser::driveRoots();
    QVERIFY(!roots.isEmpty());
    QCOMPARE(roots.first(), QStringLiteral("/"));
    QCOMPARE(roots.count(QStringLiteral("/")), 1);
    QStringList sorted = roots;
    sorted.removeDuplicates();
    QCOMPARE(sorted, roots);
    for (const QString &r : roots)
        QVERIFY2(r.startsWith(QLatin1Char('/')) && (r == "/" || !r.endsWith('/')), qPrintable(r));
    for (const QStorageInfo &v : QStorageInfo::mountedVolumes()) {
        if (v.isValid())
            QVERIFY2(roots.contains(QDir::cleanPath(v.rootPath())), qPrintable(v.rootPath()));
    }
}

void tst_FileBrowser::folderEntriesRunFromTheRoot()
{
    QDir root(m_root);
    for (const char *sub : {"b", "A", "c10", "c9", ".nascosta"})
        QVERIFY(root.mkdir(QLatin1String(sub)));
    QVERIFY(writeFile(root.filePath("file"), "x"));

    const QList<FileBrowser::Folder> entries = FileBrowser::folderEntries(m_root + "/");
    const QStringList parts = m_root.split('/', Qt::SkipEmptyParts);
    QCOMPARE(entries.size(), parts.size() + 1 + 4);
    QCOMPARE(entries.first().path, QStringLiteral("/"));
    QCOMPARE(entries.first().caption, QStringLiteral("/"));
    QCOMPARE(entries.first().depth, 0);
    QString path;
    for (int i = 0; i < parts.size(); ++i) {
        path += '/' + parts.at(i);
        const FileBrowser::Folder &f = entries.at(i + 1);
        QCOMPARE(f.path, path);
        QCOMPARE(f.caption, parts.at(i));
        QCOMPARE(f.depth, i + 1);
        QCOMPARE(f.current, i + 1 == parts.size());
    }
    QStringList subs;
    for (int i = parts.size() + 1; i < entries.size(); ++i) {
        QCOMPARE(entries.at(i).depth, parts.size() + 1);
        QVERIFY(!entries.at(i).current);
        QCOMPARE(entries.at(i).path, m_root + '/' + entries.at(i).caption);
        subs << entries.at(i).caption;
    }
    // Case ignored, hidden folders and files left out.
    QCOMPARE(subs, (QStringList{"A", "b", "c10", "c9"}));

    const QList<FileBrowser::Folder> top = FileBrowser::folderEntries(QStringLiteral("/"));
    QVERIFY(top.first().current);
    for (int i = 1; i < top.size(); ++i) {
        QCOMPARE(top.at(i).depth, 1);
        QCOMPARE(top.at(i).path, '/' + top.at(i).caption);
    }
    QVERIFY(FileBrowser::folderEntries(QStringLiteral("relativo")).isEmpty());
}

void tst_FileBrowser::fileNamesInNameOrder()
{
    QDir root(m_root);
    for (const char *name : {"img10.png", "B.txt", "a.txt", "img2.png", ".nascosto"})
        QVERIFY(writeFile(root.filePath(QLatin1String(name)), "x"));
    QVERIFY(root.mkdir("cartella"));
    QCOMPARE(FileBrowser::fileNames(m_root),
             (QStringList{"a.txt", "B.txt", "img10.png", "img2.png"}));
    QVERIFY(FileBrowser::fileNames(m_root + "/manca").isEmpty());
}

void tst_FileBrowser::savesAreLossless_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("png") << "lavagna.png" << QByteArray("png");
    QTest::newRow("bmp") << "lavagna.bmp" << QByteArray("bmp");
    QTest::newRow("BMP upper case") << "LAVAGNA.BMP" << QByteArray("bmp");
    QTest::newRow("no extension: png, no extension added") << "lavagna" << QByteArray("png");
    QTest::newRow("other extension: png") << "lavagna.jpg" << QByteArray("png");
}

void tst_FileBrowser::savesAreLossless()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    const QString path = QDir(m_root).filePath(name);
    const QImage image = pattern(61, 37);
    QCOMPARE(FileBrowser::formatFor(path) == FileBrowser::ImageFormat::Bmp, format == "bmp");
    QVERIFY(FileBrowser::saveImage(image, path));
    QCOMPARE(listing(m_root), QStringList{name});
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(back, image);
    // Saving again replaces the file.
    QVERIFY(FileBrowser::saveImage(pattern(5, 5), path));
    QCOMPARE(QImage(path).size(), QSize(5, 5));
    QCOMPARE(listing(m_root), QStringList{name});
}

void tst_FileBrowser::saveToAMissingFolderLeavesNoFile()
{
    QVERIFY(writeFile(QDir(m_root).filePath("esiste.txt"), "x"));
    const QStringList before = listing(m_root);
    for (const QString &path : {m_root + "/manca/lavagna.png", m_root + "/manca/sotto/l.bmp"}) {
        QVERIFY(!FileBrowser::saveImage(pattern(8, 8), path));
        QVERIFY(!QFileInfo::exists(path));
    }
    QCOMPARE(listing(m_root), before);
}

void tst_FileBrowser::saveOntoAFolderOrWithoutAPathFails()
{
    QDir root(m_root);
    QVERIFY(root.mkdir("cartella"));
    QVERIFY(writeFile(root.filePath("cartella/dentro.txt"), "x"));
    const QStringList before = listing(m_root);
    QVERIFY(!FileBrowser::saveImage(pattern(8, 8), root.filePath("cartella")));
    QVERIFY(QFileInfo(root.filePath("cartella")).isDir());
    QCOMPARE(listing(root.filePath("cartella")), QStringList{"dentro.txt"});
    QVERIFY(!FileBrowser::saveImage(pattern(8, 8), QString()));
    QVERIFY(!FileBrowser::saveImage(QImage(), root.filePath("vuota.png")));
    QCOMPARE(listing(m_root), before); // no stray temporary files either
}

void tst_FileBrowser::messageTexts()
{
    QCOMPARE(FileBrowser::saveQuestion("/home/anna/l.png"),
             QStringLiteral("Salvo l'immagine della lavagna in:\n'/home/anna/l.png' ...?"));
    QCOMPARE(FileBrowser::programPrompt("/opt/gioco.exe"),
             QStringLiteral("In quale finestra si desidera caricare...\n/opt/gioco.exe?"));
    QCOMPARE(FileBrowser::savedText(), QStringLiteral("Immagine salvata con successo."));
    QCOMPARE(FileBrowser::saveFailedText(),
             QStringLiteral("Il percorso indicato non è valido. L'immagine non è stata salvata."));
    QCOMPARE(FileBrowser::driveFailedText(),
             QStringLiteral("Impossibile accedere all'unità specificata. Selezionare un'unità "
                            "diversa e riprovare."));
}

void tst_FileBrowser::opensOnItsFolder()
{
    QVERIFY(writeFile(QDir(m_root).filePath("uno.txt"), "x"));
    Window w(m_root);
    QCOMPARE(w.form->objectName(), QStringLiteral("Form1"));
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Esplora risorse"));
    QVERIFY(w.form->isWindow());
    QVERIFY(!w.form->isVisible());
    const struct {
        const char *name;
        const char *caption;
    } buttons[] = {{"Command1", "1"},
                   {"Command2", "2"},
                   {"Command3", "3"},
                   {"Command5", "4"},
                   {"Command4", "Salva"}};
    for (const auto &b : buttons) {
        auto *button = w.form->findChild<QPushButton *>(QLatin1String(b.name));
        QVERIFY2(button, b.name);
        QCOMPARE(button->text(), QLatin1String(b.caption));
    }
    for (const char *name : {"Drive1", "Dir1", "File1", "Text2", "Label1"})
        QVERIFY2(w.form->findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(w.form->paneButton(4), w.form->Command5);
    QCOMPARE(w.form->paneButton(0), nullptr);
    QCOMPARE(w.form->folder(), m_root);
    QCOMPARE(w.form->Text2->text(), m_root);
    QCOMPARE(w.form->Dir1->currentItem(), w.folderItem(m_root));
    QCOMPARE(w.files(), QStringList{"uno.txt"});
    QCOMPARE(w.form->Drive1->currentText(), FileBrowser::driveOf(m_root, w.form->drives()));
    QVERIFY(w.form->Label1->text().isEmpty());

    // A folder that cannot be read: the home folder instead.
    Window home(m_root + "/manca");
    QCOMPARE(home.form->folder(), QDir::cleanPath(QDir::homePath()));
}

void tst_FileBrowser::openingAFolderFillsTheLists()
{
    QDir root(m_root);
    QVERIFY(root.mkpath("mappe/dungeon"));
    QVERIFY(writeFile(root.filePath("mappe/grotta.png"), "x"));
    QVERIFY(writeFile(root.filePath("in cima.txt"), "x"));
    Window w(m_root);
    const QString mappe = m_root + "/mappe";

    QTreeWidgetItem *item = w.folderItem(mappe);
    QVERIFY(item);
    QCOMPARE(item->parent(), w.folderItem(m_root));
    w.form->Dir1->setCurrentItem(item);
    // Choosing is not opening: the lists follow only when it is opened.
    QCOMPARE(w.form->folder(), m_root);
    w.form->Dir1_Change();
    QCOMPARE(w.form->folder(), mappe);
    QCOMPARE(w.form->Text2->text(), mappe);
    QCOMPARE(w.files(), QStringList{"grotta.png"});
    QVERIFY(w.folderItem(mappe + "/dungeon"));
    QCOMPARE(w.folderItem(mappe + "/dungeon")->parent(), w.folderItem(mappe));
    QVERIFY(!w.folderItem(m_root + "/altro"));

    // Up again through the chain.
    w.form->Dir1->setCurrentItem(w.folderItem(m_root));
    w.form->Dir1_Change();
    QCOMPARE(w.form->folder(), m_root);
    QCOMPARE(w.files(), QStringList{"in cima.txt"});
    QCOMPARE(w.form->Text2->text(), m_root);

    // A folder gone since it was listed is not entered; nothing changes.
    QVERIFY(root.mkdir("sparita"));
    w.form->Dir1_Change(); // same folder: nothing to do
    QVERIFY(w.form->setFolder(m_root));
    QVERIFY(root.rmdir("sparita"));
    const QStringList folders = w.folderPaths();
    w.form->Dir1->setCurrentItem(w.folderItem(m_root + "/sparita"));
    w.form->Dir1_Change();
    QCOMPARE(w.form->folder(), m_root);
    QCOMPARE(w.folderPaths(), folders);
    QCOMPARE(w.form->Text2->text(), m_root);
    QVERIFY(w.messages.shown.isEmpty());
}

void tst_FileBrowser::clickingAFileBuildsThePath()
{
    QVERIFY(writeFile(QDir(m_root).filePath("a.png"), "x"));
    QVERIFY(writeFile(QDir(m_root).filePath("b c.exe"), "x"));
    Window w(m_root);
    QVERIFY(w.chooseFile("b c.exe"));
    QCOMPARE(w.form->Text2->text(), m_root + "/b c.exe");
    QVERIFY(w.chooseFile("a.png"));
    QCOMPARE(w.form->Text2->text(), m_root + "/a.png");
    // Typed over, then clicked again: the file's path comes back.
    w.form->Text2->setText(m_root + "/nuovo.png");
    w.form->File1_Click();
    QCOMPARE(w.form->Text2->text(), m_root + "/a.png");
    // A path typed and Enter pressed opens a folder.
    QVERIFY(QDir(m_root).mkdir("sotto"));
    w.form->Text2->setText(m_root + "/sotto");
    QTest::keyClick(w.form->Text2, Qt::Key_Return);
    QCOMPARE(w.form->folder(), m_root + "/sotto");
    QVERIFY(w.files().isEmpty());
}

void tst_FileBrowser::theRootGetsOneSeparator()
{
    Window w(m_root);
    QVERIFY(w.form->setFolder(QStringLiteral("/")));
    QCOMPARE(w.form->Text2->text(), QStringLiteral("/"));
    QCOMPARE(w.form->Dir1->topLevelItemCount(), 1);
    QCOMPARE(w.form->Dir1->currentItem(), w.form->Dir1->topLevelItem(0));
    QCOMPARE(w.form->Dir1->topLevelItem(0)->text(0), QStringLiteral("/"));
    QCOMPARE(w.files(), FileBrowser::fileNames(QStringLiteral("/")));
    QCOMPARE(w.form->Drive1->currentText(), QStringLiteral("/"));
    for (int i = 0; i < w.form->File1->count(); ++i) {
        w.form->File1->setCurrentRow(i);
        QCOMPARE(w.form->Text2->text(), '/' + w.form->File1->item(i)->text());
    }
}

void tst_FileBrowser::changingTheDrive()
{
    QDir root(m_root);
    QVERIFY(root.mkpath("disco/dati"));
    QVERIFY(writeFile(root.filePath("disco/leggimi.txt"), "x"));
    const QString disco = m_root + "/disco";
    Window w(m_root);
    w.form->setDrives({"/", disco});
    QCOMPARE(w.form->Drive1->count(), 2);
    QCOMPARE(w.form->Drive1->currentText(), QStringLiteral("/"));
    w.form->Drive1->setCurrentIndex(1);
    QCOMPARE(w.form->folder(), disco);
    QCOMPARE(w.form->Text2->text(), disco);
    QCOMPARE(w.files(), QStringList{"leggimi.txt"});
    QVERIFY(w.folderItem(disco + "/dati"));
    // Going down a drive keeps it; going up off it shows the drive it is on.
    QVERIFY(w.form->setFolder(disco + "/dati"));
    QCOMPARE(w.form->Drive1->currentText(), disco);
    QVERIFY(w.form->setFolder(m_root));
    QCOMPARE(w.form->Drive1->currentText(), QStringLiteral("/"));
    QVERIFY(w.messages.shown.isEmpty());
}

void tst_FileBrowser::anUnreadableDriveGoesBack()
{
    QDir root(m_root);
    QVERIFY(root.mkdir("disco"));
    QVERIFY(writeFile(root.filePath("disco/leggimi.txt"), "x"));
    const QString disco = m_root + "/disco";
    const QString gone = m_root + "/chiavetta"; // taken out since it was listed
    Window w(disco);
    w.form->setDrives({"/", disco, gone});
    QCOMPARE(w.form->Drive1->currentIndex(), 1);
    w.form->Text2->setText(disco + "/leggimi.txt");
    const QStringList folders = w.folderPaths();

    w.form->Drive1->setCurrentIndex(2);
    QCOMPARE(w.messages.shown.size(), 1);
    QCOMPARE(w.messages.shown.first().icon, Icon::Critical);
    QCOMPARE(w.messages.lines(),
             QStringList{"Vellumara|Impossibile accedere all'unità specificata. Selezionare "
                         "un'unità diversa e riprovare."});
    QCOMPARE(w.form->Drive1->currentIndex(), 1);
    QCOMPARE(w.form->folder(), disco);
    QCOMPARE(w.folderPaths(), folders);
    QCOMPARE(w.files(), QStringList{"leggimi.txt"});
    QCOMPARE(w.form->Text2->text(), disco + "/leggimi.txt");

    // The same from a folder below the drive's root: back to that drive.
    QVERIFY(root.mkdir("disco/sotto"));
    QVERIFY(w.form->setFolder(disco + "/sotto"));
    w.form->Drive1->setCurrentIndex(2);
    QCOMPARE(w.messages.shown.size(), 2);
    QCOMPARE(w.form->Drive1->currentText(), disco);
    QCOMPARE(w.form->folder(), disco + "/sotto");
}

void tst_FileBrowser::choosingAPaneLaunchesOnlyThere_data()
{
    QTest::addColumn<int>("pane");
    for (int pane = 1; pane <= 4; ++pane)
        QTest::addRow("pane %d", pane) << pane;
}

void tst_FileBrowser::choosingAPaneLaunchesOnlyThere()
{
    QFETCH(int, pane);
    QStringList scripts;
    for (int i = 1; i <= 4; ++i) {
        scripts << writeScript(m_root, QStringLiteral("prog%1.sh").arg(i));
        QVERIFY(!scripts.last().isEmpty());
    }
    const QString chosen = writeScript(m_root, QStringLiteral("scelto.sh"));
    Window w(m_root);
    for (int i = 1; i <= 4; ++i)
        w.programs->programBox(i)->setText(scripts.at(i - 1));
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form));

    QVERIFY(w.chooseFile("scelto.sh"));
    QCOMPARE(w.form->Text2->text(), chosen);
    // At the launch the other slots are empty and the browser is out of the way.
    QStringList boxesAtLaunch;
    bool hiddenAtLaunch = false;
    QList<int> started;
    connect(w.programs, &panel::ProgramPanel::programStarted, w.form, [&](int slot) {
        started << slot;
        for (int i = 1; i <= 4; ++i)
            boxesAtLaunch << w.programs->programBox(i)->text();
        hiddenAtLaunch = !w.form->isVisible();
    });
    w.form->paneButton(pane)->click();
    QCOMPARE(started, QList<int>{pane});
    QVERIFY(hiddenAtLaunch);
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(boxesAtLaunch.at(i - 1), i == pane ? chosen : QString());
    QTRY_VERIFY(QFileInfo::exists(chosen + ".ran"));
    for (const QString &s : scripts)
        QVERIFY2(!QFileInfo::exists(s + ".ran"), qPrintable(s));
    QVERIFY(w.messages.shown.isEmpty());
}

void tst_FileBrowser::saveAsksThenSaves()
{
    Window w(m_root);
    board::BoardSurface *surface = w.board->surface();
    surface->setDrawWidth(3);
    surface->line(QPointF(150, 150), QPointF(3000, 1500), 0x0000FF);
    const QString path = m_root + "/lavagna.png";
    w.form->Text2->setText(path);
    w.form->Command4->click();

    QCOMPARE(w.messages.asked.size(), 1);
    const MessageRecorder::Asked &q = w.messages.asked.first();
    QCOMPARE(q.icon, Icon::Question);
    QCOMPARE(q.title, QStringLiteral("Vellumara"));
    QCOMPARE(q.text, "Salvo l'immagine della lavagna in:\n'" + path + "' ...?");
    QCOMPARE(q.buttons, session::MessageService::Buttons::OkCancel);
    QVERIFY(!QFileInfo::exists(path)); // nothing before the answer
    QVERIFY(w.messages.shown.isEmpty());

    // The board as it is when OK is pressed, to the path asked about.
    surface->line(QPointF(3000, 150), QPointF(150, 3000), 0x00FF00);
    w.form->Text2->setText(m_root + "/altro.png");
    QVERIFY(w.messages.reply(true));
    QVERIFY(!QFileInfo::exists(m_root + "/altro.png"));
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), surface->image());
    QCOMPARE(QImage(path).size(), QSize(800, 800));
    QCOMPARE(w.messages.shown.size(), 1);
    QCOMPARE(w.messages.shown.first().icon, Icon::Information);
    QCOMPARE(w.messages.lines(), QStringList{"Vellumara|Immagine salvata con successo."});
    // The saved file shows in the list of the folder it went to.
    QCOMPARE(w.files(), QStringList{"lavagna.png"});
    QCOMPARE(w.form->File1->currentItem()->text(), QStringLiteral("lavagna.png"));

    // A bitmap by its name.
    w.form->Text2->setText(m_root + "/lavagna.bmp");
    w.form->Command4->click();
    QVERIFY(w.messages.reply(true));
    QImageReader reader(m_root + "/lavagna.bmp");
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    QCOMPARE(reader.read().convertToFormat(QImage::Format_RGB32), surface->image());
}

void tst_FileBrowser::saveCancelledWritesNothing()
{
    Window w(m_root);
    w.form->Text2->setText(m_root + "/lavagna.png");
    w.form->Command4->click();
    QCOMPARE(w.messages.pending(), 1);
    QVERIFY(w.messages.reply(false));
    QVERIFY(listing(m_root).isEmpty());
    QVERIFY(w.messages.shown.isEmpty());
    QVERIFY(w.files().isEmpty());
}

void tst_FileBrowser::saveToAMissingFolderSaysSo()
{
    QVERIFY(writeFile(QDir(m_root).filePath("esiste.txt"), "x"));
    Window w(m_root);
    w.board->surface()->line(QPointF(0, 0), QPointF(600, 600), 0);
    const QString path = m_root + "/manca/lavagna.png";
    w.form->Text2->setText(path);
    w.messages.autoAnswer = true;
    w.form->Command4->click();
    QTRY_COMPARE(w.messages.shown.size(), 1);
    QCOMPARE(w.messages.asked.first().text,
             "Salvo l'immagine della lavagna in:\n'" + path + "' ...?");
    QCOMPARE(w.messages.lines(),
             QStringList{"Vellumara|Il percorso indicato non è valido. L'immagine non è stata "
                         "salvata."});
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!QFileInfo::exists(m_root + "/manca"));
    QCOMPARE(listing(m_root), QStringList{"esiste.txt"});
    QVERIFY(w.form->isWindow()); // the window and its lists are as they were
    QCOMPARE(w.files(), QStringList{"esiste.txt"});
    QCOMPARE(w.form->Text2->text(), path);
}

void tst_FileBrowser::saveWithAFolderPathFails()
{
    QVERIFY(QDir(m_root).mkdir("mappe"));
    Window w(m_root);
    // After opening a folder Text2 holds the folder: no file name to save to.
    w.form->Dir1->setCurrentItem(w.folderItem(m_root + "/mappe"));
    w.form->Dir1_Change();
    QCOMPARE(w.form->Text2->text(), m_root + "/mappe");
    w.form->Command4->click();
    QVERIFY(w.messages.reply(true));
    QCOMPARE(w.messages.texts(), QStringList{FileBrowser::saveFailedText()});
    QVERIFY(QFileInfo(m_root + "/mappe").isDir());
    QVERIFY(listing(m_root + "/mappe").isEmpty());
    // An empty path too.
    w.form->Text2->clear();
    w.form->Command4->click();
    QVERIFY(w.messages.reply(true));
    QCOMPARE(w.messages.texts().size(), 2);
    QCOMPARE(w.messages.texts().last(), FileBrowser::saveFailedText());
}

void tst_FileBrowser::doubleClickOnAPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("executable");
    QTest::newRow("png") << "mappa.png" << false;
    QTest::newRow("bmp with a program's name") << "mappa.exe" << false;
    QTest::newRow("executable picture") << "mappa2.png" << true;
}

void tst_FileBrowser::doubleClickOnAPicture()
{
    QFETCH(QString, name);
    QFETCH(bool, executable);
    const QString path = m_root + '/' + name;
    const QImage picture = pattern(30, 20);
    QVERIFY(picture.save(path, name.endsWith(".exe") ? "BMP" : "PNG"));
    if (executable)
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    Window w(m_root);
    QVERIFY(w.chooseFile(name));
    w.form->File1_DblClick();
    QVERIFY(w.board->hasPicture());
    QCOMPARE(w.board->picture().convertToFormat(QImage::Format_RGB32), picture);
    QCOMPARE(w.board->surface()->image().copy(0, 0, 30, 20), picture);
    QCOMPARE(w.board->txtWidth()->text(), QStringLiteral("30"));
    QCOMPARE(w.board->txtHeight()->text(), QStringLiteral("20"));
    QVERIFY(w.board->images()->hasLoadedPicture());
    QVERIFY(w.messages.shown.isEmpty());
    QVERIFY(w.form->Label1->text().isEmpty());
    QCOMPARE(w.form->Text2->text(), path);
}

void tst_FileBrowser::doubleClickOnAProgram_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("executable");
    QTest::newRow("executable") << "scheda.sh" << true;
    QTest::newRow(".EXE") << "GIOCO.EXE" << false;
    QTest::newRow(".exe") << "gioco.exe" << false;
}

void tst_FileBrowser::doubleClickOnAProgram()
{
    QFETCH(QString, name);
    QFETCH(bool, executable);
    const QString path = m_root + '/' + name;
    QVERIFY(writeFile(path, "#!/bin/sh\nexit 0\n", executable));
    Window w(m_root);
    w.board->txtWidth()->setText(QStringLiteral("7"));
    QVERIFY(w.chooseFile(name));
    w.form->File1_DblClick();
    QCOMPARE(w.form->Label1->text(), "In quale finestra si desidera caricare...\n" + path + "?");
    QVERIFY(w.messages.shown.isEmpty()); // asked about, not called a bad picture
    QVERIFY(!w.board->hasPicture());
    QCOMPARE(w.board->txtWidth()->text(), QStringLiteral("7"));
    for (int pane = 1; pane <= 4; ++pane)
        QVERIFY(w.form->paneButton(pane)->isEnabled());

    // The answer: pane 2 gets it, and the prompt is done with.
    w.form->Command2->click();
    QCOMPARE(w.programs->txtProgram2->text(), path);
    QVERIFY(w.programs->txtProgram->text().isEmpty());
    QVERIFY(w.form->Label1->text().isEmpty());
    QVERIFY(w.form->isHidden());

    // A prompt is dropped when another file is chosen.
    QVERIFY(writeFile(m_root + "/altro.txt", "x"));
    w.form->setFolder(m_root);
    QVERIFY(w.chooseFile(name));
    w.form->File1_DblClick();
    QVERIFY(!w.form->Label1->text().isEmpty());
    QVERIFY(w.chooseFile("altro.txt"));
    QVERIFY(w.form->Label1->text().isEmpty());
}

void tst_FileBrowser::doubleClickOnAnotherFile()
{
    QVERIFY(writeFile(m_root + "/note.txt", "non sono una figura"));
    QVERIFY(writeFile(m_root + "/vuoto.png", ""));
    Window w(m_root);
    const QImage before = w.board->surface()->image();
    const QString widthBefore = w.board->txtWidth()->text();
    for (const char *name : {"note.txt", "vuoto.png"}) {
        QVERIFY(w.chooseFile(QLatin1String(name)));
        w.form->File1_DblClick();
        QVERIFY(w.form->Label1->text().isEmpty());
    }
    QCOMPARE(w.messages.lines(),
             (QStringList{"Vellumara|Immagine non valida.", "Vellumara|Immagine non valida."}));
    QVERIFY(!w.board->hasPicture());
    QCOMPARE(w.board->surface()->image(), before);
    QVERIFY(!w.board->images()->hasLoadedPicture());
    QCOMPARE(w.board->txtWidth()->text(), widthBefore);
}

void tst_FileBrowser::mouseAndKeysReachTheLists()
{
    QDir root(m_root);
    QVERIFY(root.mkdir("mappe"));
    QVERIFY(pattern(12, 9).save(m_root + "/mappe/piccola.png"));
    QVERIFY(writeFile(m_root + "/mappe/note.txt", "x"));
    Window w(m_root);
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form));

    // A double click on a folder opens it.
    QTreeWidgetItem *mappe = w.folderItem(m_root + "/mappe");
    QVERIFY(mappe);
    const QRect folderRect = w.form->Dir1->visualItemRect(mappe);
    // A real double click arrives as a click and then the double click.
    QTest::mouseClick(w.form->Dir1->viewport(), Qt::LeftButton, {}, folderRect.center());
    QCOMPARE(w.form->folder(), m_root);
    QTest::mouseDClick(w.form->Dir1->viewport(), Qt::LeftButton, {}, folderRect.center());
    QCOMPARE(w.form->folder(), m_root + "/mappe");

    // A click on a file builds the path, a double click loads the picture.
    auto *item = w.form->File1->findItems("piccola.png", Qt::MatchExactly).value(0);
    QVERIFY(item);
    const QPoint at = w.form->File1->visualItemRect(item).center();
    QTest::mouseClick(w.form->File1->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(w.form->Text2->text(), m_root + "/mappe/piccola.png");
    QTest::mouseDClick(w.form->File1->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(w.board->txtWidth()->text(), QStringLiteral("12"));
    QCOMPARE(w.board->txtHeight()->text(), QStringLiteral("9"));

    // Enter does what a double click does, in both lists.
    w.form->File1->setCurrentItem(w.form->File1->findItems("note.txt", Qt::MatchExactly).value(0));
    QTest::keyClick(w.form->File1, Qt::Key_Return);
    QCOMPARE(w.messages.texts(), QStringList{"Immagine non valida."});
    w.form->Dir1->setCurrentItem(w.folderItem(m_root));
    QTest::keyClick(w.form->Dir1, Qt::Key_Enter);
    QCOMPARE(w.form->folder(), m_root);
}

void tst_FileBrowser::reopeningShowsNewFiles()
{
    QDir root(m_root);
    QVERIFY(root.mkdir("sotto"));
    Window w(m_root + "/sotto");
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form));
    QVERIFY(w.files().isEmpty());
    w.form->hide();
    QVERIFY(writeFile(m_root + "/sotto/nuovo.txt", "x"));
    w.form->show();
    QCOMPARE(w.files(), QStringList{"nuovo.txt"});
    // A folder removed while hidden: the browser opens on the nearest parent.
    w.form->hide();
    QVERIFY(QFile::remove(m_root + "/sotto/nuovo.txt"));
    QVERIFY(root.rmdir("sotto"));
    w.form->show();
    QCOMPARE(w.form->folder(), m_root);
    QCOMPARE(w.form->Text2->text(), m_root);
}

QTEST_MAIN(tst_FileBrowser)
#include "tst_filebrowser.moc"
