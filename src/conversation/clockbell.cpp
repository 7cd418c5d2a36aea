#include "clockbell.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMovie>
#include <QLibrary>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

namespace conversation
{

ClockBell::ClockBell(QWidget *parent, BellClock::TimeSource source, bool start)
    : QObject(parent), m_parent(parent), m_clock(new BellClock(std::move(source), this)),
      m_orologio(new QLabel(parent)), m_orarioBell(new QCheckBox(parent)),
      m_folder(findAssetFolder(QCoreApplication::applicationDirPath())),
      m_module(findSoundModule(QCoreApplication::applicationDirPath()))
{
    setObjectName(QStringLiteral("ClockBell"));
    m_orologio->setObjectName(QStringLiteral("Orologio"));
    m_orologio->setGeometry(8, 440, 1000 / 15, 255 / 15);
    m_orarioBell->setObjectName(QStringLiteral("OrarioBell"));
    m_orarioBell->hide();

    connect(m_clock, &BellClock::textChanged, m_orologio, &QLabel::setText);
    connect(m_clock, &BellClock::bellFlagChanged, m_orarioBell, &QCheckBox::setChecked);
    connect(m_clock, &BellClock::bellRing, this, &ClockBell::ring);
    connect(m_clock, &BellClock::bellClose, this, &ClockBell::closeBell);

    if (start)
        m_clock->start();
}

ClockBell::~ClockBell()
{
    // The bell window belongs to the main window; do not leave it behind.
    delete m_form4.data();
}

const QStringList &ClockBell::assetNames()
{
    static const QStringList names = {QStringLiteral("cuckoo.wav"), QStringLiteral("KOOKOObis.GIF")};
    return names;
}

QString ClockBell::findAssetFolder(const QString &programFolder)
{
    const QString installed =
        QDir::cleanPath(programFolder + QStringLiteral("/../share/tavernix"));
    QStringList candidates = {programFolder, installed};
    candidates += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                            QStringLiteral("tavernix"),
                                            QStandardPaths::LocateDirectory);
    for (const QString &folder : std::as_const(candidates)) {
        const QDir dir(folder);
        for (const QString &name : assetNames()) {
            if (QFileInfo(dir.filePath(name)).isFile())
                return QDir::cleanPath(folder);
        }
    }
    return installed;
}

QString ClockBell::findSoundModule(const QString &programFolder)
{
    const QString name = QStringLiteral(TAVERNIX_BELL_MODULE);
    const QStringList candidates = {
        programFolder + QLatin1Char('/') + name,
        programFolder + QStringLiteral("/../" TAVERNIX_MODULE_DIR "/") + name,
    };
    for (const QString &path : candidates) {
        if (QFileInfo(path).isFile())
            return QDir::cleanPath(path);
    }
    return QString();
}

void ClockBell::setSoundModule(const QString &path)
{
    m_module = path;
    m_moduleTried = false;
}

QString ClockBell::clockText() const
{
    return m_orologio->text();
}

void ClockBell::setAssetFolder(const QString &folder)
{
    m_folder = folder;
}

void ClockBell::setSoundPlayer(SoundPlayer player)
{
    m_player = std::move(player);
}

void ClockBell::ring(const QString &text)
{
    if (!m_form4) {
        auto *form = new QWidget(m_parent ? m_parent->window() : nullptr, Qt::Window);
        form->setObjectName(QStringLiteral("Form4"));
        form->setAttribute(Qt::WA_DeleteOnClose);
        auto *box = new QLabel(form);
        box->setObjectName(QStringLiteral("KookooBox"));
        box->setAlignment(Qt::AlignCenter);
        auto *layout = new QVBoxLayout(form);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(box);

        const QString gif = m_folder + QStringLiteral("/KOOKOObis.GIF");
        m_movie = new QMovie(gif, QByteArray(), form);
        if (QFileInfo::exists(gif) && m_movie->isValid()) {
            box->setMovie(m_movie);
            m_movie->start();
            box->setMinimumSize(m_movie->currentPixmap().size());
        } else {
            box->setMinimumSize(48, 48);
        }
        m_form4 = form;
    }

    emit bellRang();

    m_form4->setWindowTitle(tr("Ore: ") + text);
    m_form4->show();

    playSound(m_folder + QStringLiteral("/cuckoo.wav"));
}

void ClockBell::closeBell()
{
    if (!m_form4)
        return;
    if (m_movie)
        m_movie->stop();
    m_form4->hide();
    m_form4->deleteLater();
    m_form4 = nullptr;
    m_movie = nullptr;
}

void ClockBell::playSound(const QString &path)
{
    if (m_player) {
        m_player(path);
        return;
    }
    // A missing file is simply not played.
    if (!QFileInfo::exists(path))
        return;
    if (!m_sound && !m_moduleTried) {
        // Tried once: a missing or broken module leaves the bell silent.
        m_moduleTried = true;
        using Create = QObject *(*)(QObject *);
        QLibrary module(m_module);
        auto create = m_module.isEmpty()
                          ? nullptr
                          : reinterpret_cast<Create>(module.resolve("tavernix_bell_sound_create"));
        if (create)
            m_sound = create(this);
        if (m_sound)
            m_sound->setObjectName(QStringLiteral("BellSound"));
    }
    if (!m_sound)
        return;
    const QUrl source = QUrl::fromLocalFile(path);
    if (m_sound->property("source").toUrl() != source)
        m_sound->setProperty("source", source);
    QMetaObject::invokeMethod(m_sound, "play");
}

} // namespace conversation
