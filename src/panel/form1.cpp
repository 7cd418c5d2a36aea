#include "form1.h"

#include "controlnames.h"
#include "readingorder.h"

#include "boardpanel.h"
#include "boardsurface.h"
#include "filebrowser.h"
#include "programpanel.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>

namespace panel
{

namespace
{

constexpr int kPathRole = Qt::UserRole;

bool isEnter(QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

Form1::Form1(board::BoardPanel *board, ProgramPanel *programs, session::MessageService *messages,
             const QString &folder, QWidget *parent)
    : QWidget(parent, Qt::Window), m_board(board), m_programs(programs), m_messages(messages)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(tr("Esplora risorse"));
    buildControls();
    m_drives = FileBrowser::driveRoots();
    Drive1->addItems(m_drives);

    // The first folder that can be read of: the one asked for, the home
    // folder, the root.
    for (const QString &start : {folder, QDir::homePath(), QStringLiteral("/")}) {
        if (!start.isEmpty() && setFolder(start))
            break;
    }
    Form_Load();
    nameControls();
}

void Form1::buildControls()
{
    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1 = new QTreeWidget(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setHeaderHidden(true);
    Dir1->setRootIsDecorated(false);
    Dir1->setItemsExpandable(false);
    Dir1->setIndentation(12);
    Dir1->setUniformRowHeights(true);
    // Every folder shown is open; arrows to fold them would do nothing.
    Dir1->setStyleSheet(QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setUniformItemSizes(true);
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setMinimumHeight(2 * fontMetrics().lineSpacing() + 4);

    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    Command1 = button("Command1", QStringLiteral("1"));
    Command2 = button("Command2", QStringLiteral("2"));
    Command3 = button("Command3", QStringLiteral("3"));
    Command5 = button("Command5", QStringLiteral("4"));
    Command4 = button("Command4", tr("Salva"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(Drive1, 0, 0);
    grid->addWidget(Dir1, 1, 0);
    grid->addWidget(File1, 0, 1, 2, 1);
    grid->addWidget(Text2, 2, 0, 1, 2);
    grid->addWidget(Label1, 3, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    for (int pane = 1; pane <= 4; ++pane) {
        QPushButton *b = paneButton(pane);
        b->setFixedWidth(b->sizeHint().height() * 3 / 2);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(Command4);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    resize(520, 380);

    connect(Drive1, &QComboBox::currentIndexChanged, this, &Form1::Drive1_Change);
    connect(Dir1, &QTreeWidget::itemDoubleClicked, this, [this] { Dir1_Change(); });
    connect(File1, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *current) {
        if (current)
            File1_Click();
    });
    // A click on the file already chosen takes it again, after Text2 was typed in.
    connect(File1, &QListWidget::itemClicked, this, &Form1::File1_Click);
    connect(File1, &QListWidget::itemDoubleClicked, this, &Form1::File1_DblClick);
    connect(Text2, &QLineEdit::returnPressed, this, [this] {
        // A folder typed in is opened, as a user expects of a path box.
        if (QFileInfo(Text2->text()).isDir())
            setFolder(Text2->text());
    });
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    Dir1->installEventFilter(this);
    File1->installEventFilter(this);
}

void Form1::Form_Load()
{
    Text2->setText(m_folder);
}

QIcon Form1::buttonPicture()
{
    // A folder, drawn since the button carries no caption.
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 90, 20), 1));
    p.setBrush(QColor(230, 190, 90));
    const QPointF back[] = {{1.5, 3.5}, {6.5, 3.5}, {8, 5}, {14.5, 5}, {14.5, 13.5}, {1.5, 13.5}};
    p.drawPolygon(back, 6);
    p.setBrush(QColor(250, 215, 120));
    const QPointF front[] = {{1.5, 13.5}, {3.5, 7.5}, {15.5, 7.5}, {14.5, 13.5}};
    p.drawPolygon(front, 4);
    p.end();
    return QIcon(pm);
}

QPushButton *Form1::paneButton(int pane) const
{
    switch (pane) {
    case 1:
        return Command1;
    case 2:
        return Command2;
    case 3:
        return Command3;
    case 4:
        return Command5;
    default:
        return nullptr;
    }
}

void Form1::setDrives(const QStringList &roots)
{
    m_ownDrives = false;
    m_drives = roots;
    {
        const QSignalBlocker block(Drive1);
        Drive1->clear();
        Drive1->addItems(m_drives);
    }
    showDriveOfFolder();
}

bool Form1::setFolder(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    if (!FileBrowser::canRead(clean))
        return false;
    m_folder = clean;
    fillLists();
    showDriveOfFolder();
    Text2->setText(m_folder);
    // A prompt names a file of the folder left behind.
    Label1->clear();
    return true;
}

void Form1::fillLists()
{
    {
        const QSignalBlocker block(Dir1);
        Dir1->clear();
        const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
        const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
        QTreeWidgetItem *parent = nullptr;
        QTreeWidgetItem *current = nullptr;
        const QList<FileBrowser::Folder> folders = FileBrowser::folderEntries(m_folder);
        for (const FileBrowser::Folder &f : folders) {
            // The chain down to the current folder nests; its sub-folders
            // hang under it.
            QTreeWidgetItem *item = current  ? new QTreeWidgetItem(current)
                                    : parent ? new QTreeWidgetItem(parent)
                                             : new QTreeWidgetItem(Dir1);
            item->setText(0, f.caption);
            item->setData(0, kPathRole, f.path);
            item->setIcon(0, current ? closed : open);
            if (!current)
                parent = item;
            if (f.current)
                current = item;
        }
        Dir1->expandAll();
        if (current) {
            Dir1->setCurrentItem(current);
            Dir1->scrollToItem(current);
        }
    }
    {
        const QSignalBlocker block(File1);
        File1->clear();
        File1->addItems(FileBrowser::fileNames(m_folder));
    }
}

void Form1::showDriveOfFolder()
{
    const QSignalBlocker block(Drive1);
    Drive1->setCurrentIndex(int(m_drives.indexOf(FileBrowser::driveOf(m_folder, m_drives))));
}

void Form1::Drive1_Change(int index)
{
    if (index < 0 || index >= m_drives.size())
        return;
    if (!setFolder(m_drives.at(index))) {
        if (m_messages)
            m_messages->showMessage(session::MessageService::Icon::Critical, session::kAppTitle,
                                    FileBrowser::driveFailedText());
        // The list goes back to the drive the folders are on.
        showDriveOfFolder();
    }
}

void Form1::Dir1_Change()
{
    QTreeWidgetItem *item = Dir1->currentItem();
    if (!item)
        return;
    const QString path = item->data(0, kPathRole).toString();
    // A folder that cannot be read is not entered: the lists stay as they are.
    if (path != m_folder)
        setFolder(path);
}

void Form1::File1_Click()
{
    QListWidgetItem *item = File1->currentItem();
    if (!item)
        return;
    Text2->setText(FileBrowser::joinPath(m_folder, item->text()));
    Label1->clear();
}

void Form1::File1_DblClick()
{
    QListWidgetItem *item = File1->currentItem();
    if (!item)
        return;
    const QString path = FileBrowser::joinPath(m_folder, item->text());
    Text2->setText(path);
    Label1->clear();
    const bool program = FileBrowser::isProgramFile(path);
    // Anything else that is no picture says so, as a drop on the board does;
    // a program file is asked about instead.
    if (m_board && m_board->loadPictureFile(path, !program))
        return;
    if (program)
        Label1->setText(FileBrowser::programPrompt(path));
}

void Form1::choosePane(int pane)
{
    if (!paneButton(pane))
        return;
    const QString path = Text2->text();
    Label1->clear();
    hide();
    if (m_programs)
        m_programs->launchInSlot(pane, path);
}

void Form1::Command4_Click()
{
    if (!m_messages)
        return;
    // The path asked about is the one saved to, even if Text2 changes while
    // the question is open.
    const QString path = Text2->text();
    m_messages->ask(session::MessageService::Icon::Question, session::kAppTitle,
                    FileBrowser::saveQuestion(path), session::MessageService::Buttons::OkCancel,
                    this, [this, path](bool ok) {
                        if (ok)
                            save(path);
                    });
}

void Form1::save(const QString &path)
{
    // The picture as the board shows it when OK is pressed.
    const bool saved = m_board && FileBrowser::saveImage(m_board->surface()->image(), path);
    if (!saved) {
        if (m_messages)
            m_messages->showMessage(session::MessageService::Icon::Critical, session::kAppTitle,
                                    FileBrowser::saveFailedText());
        return;
    }
    // A file saved into the folder shown appears in the file list at once.
    const QFileInfo info(path);
    if (QDir::cleanPath(info.absolutePath()) == m_folder) {
        const QSignalBlocker block(File1);
        File1->clear();
        File1->addItems(FileBrowser::fileNames(m_folder));
        const auto found = File1->findItems(info.fileName(), Qt::MatchExactly);
        if (!found.isEmpty())
            File1->setCurrentItem(found.first());
    }
    if (m_messages)
        m_messages->showMessage(session::MessageService::Icon::Information, session::kAppTitle,
                                FileBrowser::savedText());
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (isEnter(event)) {
        if (watched == Dir1) {
            Dir1_Change();
            return true;
        }
        if (watched == File1) {
            File1_DblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::showEvent(QShowEvent *event)
{
    // Drives come and go and folders change while the window is hidden.
    if (m_ownDrives) {
        m_drives = FileBrowser::driveRoots();
        const QSignalBlocker block(Drive1);
        Drive1->clear();
        Drive1->addItems(m_drives);
    }
    QString folder = m_folder;
    while (!FileBrowser::canRead(folder) && folder != QLatin1String("/") && !folder.isEmpty())
        folder = QFileInfo(folder).absolutePath();
    if (folder != m_folder) {
        setFolder(folder);
    } else {
        fillLists();
        showDriveOfFolder();
    }
    QWidget::showEvent(event);
}

// What a screen reader says for each control, and the Tab key's way
// through the window in its reading order.
void Form1::nameControls()
{
    a11y::ControlNames::apply(this, "panel::Form1", {
        {"Drive1", QT_TRANSLATE_NOOP("panel::Form1", "Unità")},
        {"Dir1", QT_TRANSLATE_NOOP("panel::Form1", "Cartelle"),
         QT_TRANSLATE_NOOP("panel::Form1", "Invio apre la cartella")},
        {"File1", QT_TRANSLATE_NOOP("panel::Form1", "File"),
         QT_TRANSLATE_NOOP("panel::Form1", "Invio carica l'immagine sulla lavagna, o chiede il riquadro per un programma")},
        {"Text2", QT_TRANSLATE_NOOP("panel::Form1", "Percorso")},
        {"Command1", QT_TRANSLATE_NOOP("panel::Form1", "Riquadro 1"),
         QT_TRANSLATE_NOOP("panel::Form1", "Avvia il programma nel riquadro 1")},
        {"Command2", QT_TRANSLATE_NOOP("panel::Form1", "Riquadro 2"),
         QT_TRANSLATE_NOOP("panel::Form1", "Avvia il programma nel riquadro 2")},
        {"Command3", QT_TRANSLATE_NOOP("panel::Form1", "Riquadro 3"),
         QT_TRANSLATE_NOOP("panel::Form1", "Avvia il programma nel riquadro 3")},
        {"Command5", QT_TRANSLATE_NOOP("panel::Form1", "Riquadro 4"),
         QT_TRANSLATE_NOOP("panel::Form1", "Avvia il programma nel riquadro 4")},
        {"Command4", QT_TRANSLATE_NOOP("panel::Form1", "Salva"),
         QT_TRANSLATE_NOOP("panel::Form1", "Salva l'immagine della lavagna nel percorso")},
    });
    a11y::ReadingOrder::keep(this);
}

} // namespace panel
