#include "frmmp3play.h"

#include "contrast.h"

#include "clsvolume.h"
#include "playlist.h"
#include "ppfilename.h"
#include "togglebutton.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

namespace accessories
{

namespace
{
/// Arrow keys on the position slider move this far, Page keys the second.
constexpr int kSeekStepMs = 5000;
constexpr int kSeekPageMs = 30000;

QString clock(qint64 ms)
{
    const qint64 s = ms / 1000;
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

frmMP3Play::frmMP3Play(const QString &iniPath, QWidget *parent)
    : AccessoryWindow(AccessorySettings::kPlayer, iniPath, parent), m_player(new MP3Play(this))
{
    setObjectName(QStringLiteral("frmMP3Play"));
    setWindowTitle(tr("Lettore musicale"));
    setAcceptDrops(true);
    buildControls();
    addShortcuts();

    connect(m_player, &MP3Play::stateChanged, this, &frmMP3Play::showState);
    connect(m_player, &MP3Play::positionChanged, this, &frmMP3Play::showPosition);
    connect(m_player, &MP3Play::durationChanged, this, &frmMP3Play::showPosition);
    connect(m_player, &MP3Play::metaDataChanged, this, &frmMP3Play::showTrack);
    connect(m_player->playList(), &PlayList::currentChanged, this, [this](int row) {
        showTrack();
        if (row >= 0)
            lstPlayList->setCurrentIndex(m_player->playList()->index(row));
    });
    connect(m_player, &MP3Play::statusMessage, lblStatus, &QLabel::setText);
    connect(m_player, &MP3Play::repeatChanged, cmdRepeat, &QPushButton::setChecked);
    clsVolume *volume = m_player->volume();
    connect(volume, &clsVolume::levelChanged, sldVolume, &QSlider::setValue);
    connect(sldVolume, &QSlider::valueChanged, volume, &clsVolume::setLevel);
    connect(volume, &clsVolume::mutedChanged, this, [this](bool muted) {
        cmdMute->setChecked(muted);
        cmdMute->setIcon(
            style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    });

    // What the last evening left: the list, the volume, repeat.
    const PlayerSettings kept = settings().player();
    m_folder = kept.folder;
    if (kept.volume >= 0)
        volume->setLevel(kept.volume);
    volume->setMuted(kept.muted);
    m_player->setRepeat(kept.repeat);
    m_player->addFiles(kept.playList);
    if (kept.current >= 0)
        m_player->playList()->setCurrent(kept.current);
    sldVolume->setValue(volume->level());
    showState(m_player->state());
    showTrack();
    resize(420, 460);
    restorePlace();
}

void frmMP3Play::buildControls()
{
    QStyle *s = style();
    auto button = [this](const char *name, const QIcon &icon, const QString &caption,
                         const QString &spoken) {
        auto *b = new QPushButton(icon, caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAccessibleName(spoken);
        b->setToolTip(spoken);
        return b;
    };
    fileName = new ppFileName(this);

    sldPosition = new QSlider(Qt::Horizontal, this);
    sldPosition->setObjectName(QStringLiteral("sldPosition"));
    sldPosition->setAccessibleName(tr("Posizione nel brano"));
    sldPosition->setSingleStep(kSeekStepMs);
    sldPosition->setPageStep(kSeekPageMs);
    lblTime = new QLabel(this);
    lblTime->setObjectName(QStringLiteral("lblTime"));

    cmdPrevious = button("cmdPrevious", s->standardIcon(QStyle::SP_MediaSkipBackward), QString(),
                         tr("Brano precedente (Ctrl+Sinistra)"));
    cmdPlay = button("cmdPlay", s->standardIcon(QStyle::SP_MediaPlay), QString(),
                     tr("Riproduci (Ctrl+P)"));
    cmdStop =
        button("cmdStop", s->standardIcon(QStyle::SP_MediaStop), QString(), tr("Ferma (Ctrl+.)"));
    cmdNext = button("cmdNext", s->standardIcon(QStyle::SP_MediaSkipForward), QString(),
                     tr("Brano successivo (Ctrl+Destra)"));
    cmdRepeat = button("cmdRepeat", QIcon(), tr("Ripeti"), tr("Ripeti la lista (Ctrl+R)"));
    cmdRepeat->setCheckable(true);
    cmdMute = button("cmdMute", s->standardIcon(QStyle::SP_MediaVolume), QString(),
                     tr("Silenzio (Ctrl+M)"));
    cmdMute->setCheckable(true);
    sldVolume = new QSlider(Qt::Horizontal, this);
    sldVolume->setObjectName(QStringLiteral("sldVolume"));
    sldVolume->setRange(0, clsVolume::kMaxLevel);
    sldVolume->setSingleStep(clsVolume::kStep);
    sldVolume->setPageStep(4 * clsVolume::kStep);
    sldVolume->setAccessibleName(tr("Volume del lettore"));
    sldVolume->setToolTip(
        tr("Volume del lettore, senza toccare quello del sistema (Ctrl+Su, Ctrl+Giù)"));
    sldVolume->setMaximumWidth(120);

    lstPlayList = new QListView(this);
    lstPlayList->setObjectName(QStringLiteral("lstPlayList"));
    lstPlayList->setModel(m_player->playList());
    lstPlayList->setAccessibleName(tr("Lista dei brani"));
    lstPlayList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstPlayList->setUniformItemSizes(true);
    lstPlayList->installEventFilter(this);

    cmdOpen = button("cmdOpen", s->standardIcon(QStyle::SP_DialogOpenButton), tr("&Apri\u2026"),
                     tr("Aggiungi dei file musicali alla lista (Ctrl+O)"));
    cmdRemove =
        button("cmdRemove", QIcon(), tr("&Togli"), tr("Togli il brano scelto dalla lista (Canc)"));
    cmdClear = button("cmdClear", QIcon(), tr("S&vuota"), tr("Svuota la lista"));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *positionRow = new QHBoxLayout;
    positionRow->addWidget(sldPosition, 1);
    positionRow->addWidget(lblTime);
    auto *transport = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(cmdPrevious), static_cast<QWidget *>(cmdPlay),
                       static_cast<QWidget *>(cmdStop), static_cast<QWidget *>(cmdNext),
                       static_cast<QWidget *>(cmdRepeat)})
        transport->addWidget(w);
    transport->addStretch();
    transport->addWidget(cmdMute);
    transport->addWidget(sldVolume);
    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(cmdOpen);
    listButtons->addWidget(cmdRemove);
    listButtons->addWidget(cmdClear);
    listButtons->addStretch();
    listButtons->addWidget(onTopButton());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fileName);
    layout->addLayout(positionRow);
    layout->addLayout(transport);
    layout->addWidget(lstPlayList, 1);
    layout->addLayout(listButtons);
    layout->addWidget(lblStatus);

    // Tab goes the way the eye reads the window.
    const QList<QWidget *> order = {sldPosition, cmdPrevious, cmdPlay,      cmdStop,     cmdNext,
                                    cmdRepeat,   cmdMute,     sldVolume,    lstPlayList, cmdOpen,
                                    cmdRemove,   cmdClear,    onTopButton()};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(cmdPrevious, &QPushButton::clicked, m_player, &MP3Play::previous);
    connect(cmdPlay, &QPushButton::clicked, m_player, &MP3Play::playPause);
    connect(cmdStop, &QPushButton::clicked, m_player, &MP3Play::stop);
    connect(cmdNext, &QPushButton::clicked, m_player, &MP3Play::next);
    connect(cmdRepeat, &QPushButton::clicked, m_player, &MP3Play::setRepeat);
    connect(cmdMute, &QPushButton::clicked, m_player->volume(), &clsVolume::setMuted);
    connect(cmdOpen, &QPushButton::clicked, this, &frmMP3Play::openFiles);
    connect(cmdRemove, &QPushButton::clicked, this, &frmMP3Play::removeChosen);
    connect(cmdClear, &QPushButton::clicked, m_player, &MP3Play::clearList);
    connect(lstPlayList, &QListView::activated, this,
            [this](const QModelIndex &index) { m_player->playRow(index.row()); });
    // A drag waits for the release; a key or a click on the groove moves at once.
    connect(sldPosition, &QSlider::sliderReleased, this,
            [this] { m_player->seek(sldPosition->value()); });
    connect(sldPosition, &QSlider::valueChanged, this, [this](int ms) {
        if (!m_movingSlider && !sldPosition->isSliderDown())
            m_player->seek(ms);
    });
}

void frmMP3Play::addShortcuts()
{
    auto add = [this](const QKeySequence &keys, auto slot) {
        auto *shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    add(QKeySequence::Open, [this] { openFiles(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_P), [this] { m_player->playPause(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Period), [this] { m_player->stop(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Right), [this] { m_player->next(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Left), [this] { m_player->previous(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Up), [this] { m_player->volume()->stepUp(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Down), [this] { m_player->volume()->stepDown(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_M), [this] { m_player->volume()->toggleMuted(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_R), [this] { m_player->setRepeat(!m_player->repeat()); });
}

void frmMP3Play::keyPressEvent(QKeyEvent *event)
{
    // The keyboard's media keys, while the window has the focus.
    switch (event->key()) {
    case Qt::Key_MediaPlay:
        m_player->play();
        return;
    case Qt::Key_MediaPause:
        m_player->pause();
        return;
    case Qt::Key_MediaTogglePlayPause:
        m_player->playPause();
        return;
    case Qt::Key_MediaStop:
        m_player->stop();
        return;
    case Qt::Key_MediaNext:
        m_player->next();
        return;
    case Qt::Key_MediaPrevious:
        m_player->previous();
        return;
    default:
        AccessoryWindow::keyPressEvent(event);
    }
}

bool frmMP3Play::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstPlayList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        removeChosen();
        return true;
    }
    return AccessoryWindow::eventFilter(watched, event);
}

void frmMP3Play::removeChosen()
{
    const QModelIndex chosen = lstPlayList->currentIndex();
    if (chosen.isValid())
        m_player->removeRow(chosen.row());
}

void frmMP3Play::openFiles()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    QString folder = m_folder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    m_dialog = new QFileDialog(this, tr("Apri musica"), folder);
    m_dialog->setObjectName(QStringLiteral("CommonDialog"));
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setFileMode(QFileDialog::ExistingFiles);
    m_dialog->setNameFilters(
        {tr("Musica (*.mp3 *.wma *.ogg *.oga *.opus *.flac *.wav *.m4a *.aac)"),
         tr("Tutti i file (*)")});
    connect(m_dialog, &QFileDialog::filesSelected, this, [this](const QStringList &files) {
        if (!files.isEmpty())
            m_folder = QFileInfo(files.first()).absolutePath();
        addAndPlay(files);
    });
    // Not exec(): the window's events, the chat's included, go on meanwhile.
    m_dialog->open();
}

void frmMP3Play::addAndPlay(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    const int first = m_player->playList()->count();
    m_player->addFiles(paths);
    lblStatus->clear();
    if (m_player->state() == MP3Play::State::Stopped)
        m_player->playRow(first);
}

void frmMP3Play::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmMP3Play::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    addAndPlay(paths);
    event->acceptProposedAction();
}

void frmMP3Play::showState(MP3Play::State state)
{
    const bool playing = state == MP3Play::State::Playing || state == MP3Play::State::Loading;
    cmdPlay->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    const QString what = playing ? tr("Pausa (Ctrl+P)") : tr("Riproduci (Ctrl+P)");
    cmdPlay->setToolTip(what);
    cmdPlay->setAccessibleName(what);
    if (state == MP3Play::State::Stopped)
        showPosition();
}

void frmMP3Play::showPosition()
{
    const qint64 duration = m_player->duration();
    const qint64 position = m_player->position();
    m_movingSlider = true;
    sldPosition->setRange(0, int(qMin<qint64>(duration, INT_MAX)));
    if (!sldPosition->isSliderDown())
        sldPosition->setValue(int(qMin<qint64>(position, INT_MAX)));
    m_movingSlider = false;
    sldPosition->setEnabled(duration > 0);
    lblTime->setText(clock(position) + QStringLiteral(" / ") + clock(duration));
}

void frmMP3Play::showTrack()
{
    const PlayList *list = m_player->playList();
    fileName->setTrack(list->path(list->current()), m_player->title(), m_player->artist());
}

void frmMP3Play::closeEvent(QCloseEvent *event)
{
    // Closed, the player is silent; minimised, it plays on.
    m_player->stop();
    AccessoryWindow::closeEvent(event);
}

void frmMP3Play::saveSettings()
{
    PlayerSettings kept;
    kept.volume = m_player->volume()->level();
    kept.muted = m_player->volume()->isMuted();
    kept.repeat = m_player->repeat();
    kept.playList = m_player->playList()->paths();
    kept.current = m_player->playList()->current();
    kept.folder = m_folder;
    settings().setPlayer(kept);
}

QIcon frmMP3Play::buttonPicture()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Black on a light button, the desktop's button text on a dark one.
    const QPalette palette = QGuiApplication::palette();
    const QColor ink = a11y::Contrast::onBackground(Qt::black, palette.color(QPalette::Button),
                                                    palette.color(QPalette::ButtonText));
    p.setPen(QPen(ink, 1.5));
    p.setBrush(ink);
    // Two quavers joined by a beam.
    p.drawEllipse(QRectF(1.5, 10.5, 4, 3.5));
    p.drawEllipse(QRectF(9.5, 9, 4, 3.5));
    p.drawLine(QPointF(5.3, 12), QPointF(5.3, 3));
    p.drawLine(QPointF(13.3, 10.5), QPointF(13.3, 1.5));
    p.setPen(QPen(ink, 2.5));
    p.drawLine(QPointF(5.3, 3), QPointF(13.3, 1.5));
    return QIcon(pm);
}

} // namespace accessories
