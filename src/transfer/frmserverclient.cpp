#include "frmserverclient.h"

#include "controlnames.h"
#include "readingorder.h"

#include "folderlist.h"
#include "incomingoffer.h"
#include "sizetext.h"
#include "transferprotocol.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStringListModel>
#include <QVBoxLayout>

namespace transfer {

namespace {

template <class W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QScrollBar *packetScroll(const char *name, QWidget *parent)
{
    auto *bar = named(new QScrollBar(Qt::Horizontal, parent), name);
    bar->setRange(kMinPacketSize, kMaxPacketSize);
    bar->setSingleStep(25);
    bar->setPageStep(100);
    bar->setValue(kDefaultPacketSize);
    return bar;
}

// A panel that keeps its room while hidden, so the halves do not jump
// when a transfer starts or ends.
QFrame *transferPanel(const char *name, QWidget *parent)
{
    auto *frame = named(new QFrame(parent), name);
    frame->setFrameShape(QFrame::StyledPanel);
    QSizePolicy policy = frame->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    frame->setSizePolicy(policy);
    return frame;
}

} // namespace

QIcon FrmServerCLient::transferIcon()
{
    QPixmap picture(20, 20);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    // A page with a folded corner and an arrow leaving it.
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    QPainterPath page;
    page.moveTo(2.5, 1.5);
    page.lineTo(10.5, 1.5);
    page.lineTo(13.5, 4.5);
    page.lineTo(13.5, 17.5);
    page.lineTo(2.5, 17.5);
    page.closeSubpath();
    p.drawPath(page);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
    p.setPen(QPen(QColor(0, 110, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(7, 11), QPointF(17.5, 11));
    p.drawLine(QPointF(14, 7.5), QPointF(17.5, 11));
    p.drawLine(QPointF(14, 14.5), QPointF(17.5, 11));
    p.end();
    return QIcon(picture);
}

FrmServerCLient::FrmServerCLient(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmServerCLient"));
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *receiving = named(new QGroupBox(tr("Ricezione"), this), "fraReceive");
    auto *sending = named(new QGroupBox(tr("Invio"), this), "fraSend");
    auto *halves = new QHBoxLayout(this);
    halves->addWidget(receiving, 1);
    halves->addWidget(sending, 1);
    createReceiverHalf(receiving);
    createSenderHalf(sending);
    resize(780, 470);

    TxtSaveFile->setText(defaultSaveFolder());
    resetControls();
    setAddressEntryVisible(false);
    createEngines();
    m_receiver->listen(kDefaultPort);
    nameControls();
}

FrmServerCLient::~FrmServerCLient()
{
    // The engines go before the controls their signals reach.
    m_shutDown = true;
    destroyEngines();
}

void FrmServerCLient::createReceiverHalf(QWidget *half)
{
    auto *grid = new QGridLayout(half);
    lblstatus = named(new QLabel(half), "lblstatus");
    lblstatus->setWordWrap(true);
    grid->addWidget(lblstatus, 0, 0, 1, 4);

    grid->addWidget(named(new QLabel(tr("Porta attiva:"), half), "lblPortaAttiva"), 1, 0);
    lblcurrentport = named(new QLabel(half), "lblcurrentport");
    grid->addWidget(lblcurrentport, 1, 1);
    grid->addWidget(named(new QLabel(tr("Cambia porta in:"), half), "lblCambiaPorta"), 2, 0);
    TxtNewPort = named(new QLineEdit(half), "TxtNewPort");
    TxtNewPort->setMaxLength(6);
    grid->addWidget(TxtNewPort, 2, 1);
    CmdChangePort = named(new QPushButton(tr("Cambia in:"), half), "CmdChangePort");
    grid->addWidget(CmdChangePort, 2, 2, 1, 2);

    ChkBlockRequest =
        named(new QCheckBox(tr("Blocca ogni richiesta di connessione."), half), "ChkBlockRequest");
    ChkAcceptID =
        named(new QCheckBox(tr("Accetta ogni richiesta di connessione."), half), "ChkAcceptID");
    ChkAutoSend =
        named(new QCheckBox(tr("Accetta automaticamente ogni file."), half), "ChkAutoSend");
    grid->addWidget(ChkBlockRequest, 3, 0, 1, 4);
    grid->addWidget(ChkAcceptID, 4, 0, 1, 4);
    grid->addWidget(ChkAutoSend, 5, 0, 1, 4);

    grid->addWidget(named(new QLabel(tr("Kb per pacchetto:"), half), "lblKbPacchetto"), 6, 0);
    lblpacketsize = named(new QLabel(half), "lblpacketsize");
    grid->addWidget(lblpacketsize, 6, 1);
    PacketScroll = packetScroll("PacketScroll", half);
    grid->addWidget(PacketScroll, 6, 2, 1, 2);

    grid->addWidget(named(new QLabel(tr("Salva in:"), half), "lblSalvaIn"), 7, 0);
    TxtSaveFile = named(new QLineEdit(half), "TxtSaveFile");
    grid->addWidget(TxtSaveFile, 7, 1, 1, 3);
    Dir1 = named(new FolderList(half), "Dir1");
    grid->addWidget(Dir1, 8, 0, 1, 4);
    grid->setRowStretch(8, 1);

    PictFrame = transferPanel("PictFrame", half);
    auto *panel = new QVBoxLayout(PictFrame);
    lblfilename = named(new QLabel(PictFrame), "lblfilename");
    lblfilename->setWordWrap(true);
    PrgTransfer = named(new QProgressBar(PictFrame), "PrgTransfer");
    PrgTransfer->setRange(0, 100);
    lblincomingpacketsize = named(new QLabel(PictFrame), "lblincomingpacketsize");
    CmdCancel = named(new QPushButton(tr("Annulla"), PictFrame), "CmdCancel");
    panel->addWidget(lblfilename);
    panel->addWidget(PrgTransfer);
    auto *row = new QHBoxLayout;
    row->addWidget(lblincomingpacketsize, 1);
    row->addWidget(CmdCancel);
    panel->addLayout(row);
    grid->addWidget(PictFrame, 9, 0, 1, 4);
    lblrouter = named(new QLabel(half), "lblrouter");
    lblrouter->setWordWrap(true);
    lblrouter->hide();
    grid->addWidget(lblrouter, 10, 0, 1, 4);

    connect(CmdChangePort, &QPushButton::clicked, this, &FrmServerCLient::CmdChangePort_Click);
    connect(TxtNewPort, &QLineEdit::returnPressed, this, &FrmServerCLient::CmdChangePort_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &FrmServerCLient::CmdCancel_Click);
    connect(PacketScroll, &QScrollBar::valueChanged, this, [this](int value) {
        lblpacketsize->setText(QString::number(value));
        if (m_receiver)
            m_receiver->setPacketSize(value);
    });
    connect(ChkBlockRequest, &QCheckBox::toggled, this, [this](bool on) {
        if (m_receiver)
            m_receiver->setBlockRequests(on);
    });
    connect(ChkAcceptID, &QCheckBox::toggled, this, [this](bool on) {
        if (m_receiver)
            m_receiver->setAcceptRequests(on);
    });
    connect(ChkAutoSend, &QCheckBox::toggled, this, [this](bool on) {
        if (m_receiver)
            m_receiver->setAutoAccept(on);
    });
    connect(TxtSaveFile, &QLineEdit::textChanged, this, [this](const QString &folder) {
        if (m_receiver)
            m_receiver->setSaveFolder(folder);
    });
    connect(Dir1, &FolderList::pathChanged, this, [this](const QString &folder) {
        TxtSaveFile->setText(withSeparator(folder));
    });
}

void FrmServerCLient::createSenderHalf(QWidget *half)
{
    auto *grid = new QGridLayout(half);
    lblstatus2 = named(new QLabel(half), "lblstatus2");
    lblstatus2->setWordWrap(true);
    grid->addWidget(lblstatus2, 0, 0, 1, 4);
    PrgStatus = named(new QProgressBar(half), "PrgStatus");
    PrgStatus->setRange(0, 3);
    PrgStatus->setTextVisible(false);
    grid->addWidget(PrgStatus, 1, 0, 1, 4);

    grid->addWidget(named(new QLabel(tr("Destinatario:"), half), "lblDestinatario"), 2, 0, 1, 4);
    lstClientNome = named(new QListView(half), "lstClientNome");
    lstClientNome->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstClientNome->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->addWidget(lstClientNome, 3, 0, 1, 4);
    grid->setRowStretch(3, 1);
    TargetNome = named(new QLineEdit(half), "TargetNome");
    TargetNome->hide();

    Label5 = named(new QLabel(tr("IP:"), half), "Label5");
    TargetIP = named(new QLineEdit(half), "TargetIP");
    grid->addWidget(Label5, 4, 0);
    grid->addWidget(TargetIP, 4, 1, 1, 3);
    grid->addWidget(named(new QLabel(tr("Porta:"), half), "lblPorta"), 5, 0);
    CntPort = named(new QLineEdit(half), "CntPort");
    CntPort->setMaxLength(5);
    grid->addWidget(CntPort, 5, 1);
    CmdSeek = named(new QPushButton(tr("Attiva"), half), "CmdSeek");
    cmdAnnulla = named(new QPushButton(tr("Annulla"), half), "cmdAnnulla");
    grid->addWidget(CmdSeek, 5, 2);
    grid->addWidget(cmdAnnulla, 5, 3);

    grid->addWidget(named(new QLabel(tr("Kb per pacchetto:"), half), "lblKbPacchetto2"), 6, 0);
    lblpacketsize2 = named(new QLabel(half), "lblpacketsize2");
    grid->addWidget(lblpacketsize2, 6, 1);
    PacketScroll2 = packetScroll("PacketScroll2", half);
    grid->addWidget(PacketScroll2, 6, 2, 1, 2);

    CmdAquire = named(new QPushButton(tr("File"), half), "CmdAquire");
    TextSend = named(new QLineEdit(half), "TextSend");
    grid->addWidget(CmdAquire, 7, 0);
    grid->addWidget(TextSend, 7, 1, 1, 3);
    lblfilesize = named(new QLabel(half), "lblfilesize");
    CmdSend = named(new QPushButton(tr("Invia"), half), "CmdSend");
    grid->addWidget(lblfilesize, 8, 0, 1, 3);
    grid->addWidget(CmdSend, 8, 3);

    PicTransfer = transferPanel("PicTransfer", half);
    auto *panel = new QVBoxLayout(PicTransfer);
    lblsendingfile = named(new QLabel(PicTransfer), "lblsendingfile");
    lblsendingfile->setWordWrap(true);
    ProgressTransfer2 = named(new QProgressBar(PicTransfer), "ProgressTransfer2");
    ProgressTransfer2->setRange(0, 100);
    CmdCancel2 = named(new QPushButton(tr("Annulla"), PicTransfer), "CmdCancel2");
    panel->addWidget(lblsendingfile);
    auto *row = new QHBoxLayout;
    row->addWidget(ProgressTransfer2, 1);
    row->addWidget(CmdCancel2);
    panel->addLayout(row);
    grid->addWidget(PicTransfer, 9, 0, 1, 4);

    connect(CmdSeek, &QPushButton::clicked, this, &FrmServerCLient::CmdSeek_Click);
    connect(cmdAnnulla, &QPushButton::clicked, this, &FrmServerCLient::cmdAnnulla_Click);
    connect(CmdAquire, &QPushButton::clicked, this, &FrmServerCLient::CmdAquire_Click);
    connect(CmdSend, &QPushButton::clicked, this, &FrmServerCLient::CmdSend_Click);
    connect(CmdCancel2, &QPushButton::clicked, this, &FrmServerCLient::CmdCancel2_Click);
    connect(lstClientNome, &QListView::clicked, this, &FrmServerCLient::lstClientNome_Click);
    connect(PacketScroll2, &QScrollBar::valueChanged, this,
            [this](int value) { lblpacketsize2->setText(QString::number(value)); });
}

// Every control at its value of a fresh window; the kept settings are put
// back afterwards by the caller.
void FrmServerCLient::resetControls()
{
    lblstatus->setText(FileReceiver::tr(FileReceiver::kListening));
    setWindowTitle(FileReceiver::tr(FileReceiver::kListening));
    lblcurrentport->setText(QString::number(kDefaultPort));
    TxtNewPort->setText(QString::number(kDefaultPort));
    ChkBlockRequest->setChecked(false);
    ChkAcceptID->setChecked(true);
    ChkAutoSend->setChecked(true);
    PacketScroll->setValue(kDefaultPacketSize);
    lblpacketsize->setText(QString::number(kDefaultPacketSize));
    PrgTransfer->setValue(0);
    lblfilename->clear();
    lblincomingpacketsize->setText(tr("Packet size:"));
    PictFrame->hide();
    setIdleControls(true);

    TargetNome->clear();
    TargetIP->clear();
    CntPort->setText(QString::number(kDefaultPort));
    PrgStatus->setValue(0);
    lblstatus2->setText(FileSender::tr(FileSender::kDisconnected));
    PacketScroll2->setValue(kDefaultPacketSize);
    lblpacketsize2->setText(QString::number(kDefaultPacketSize));
    TextSend->clear();
    lblfilesize->setText(tr("Dimensione:"));
    ProgressTransfer2->setValue(0);
    lblsendingfile->clear();
    PicTransfer->hide();
    senderIdleControls();
    if (lstClientNome->selectionModel())
        lstClientNome->selectionModel()->clear();

    // The folder list opens on the save folder, or the nearest folder above
    // it that exists, without changing the save folder.
    QString folder = TxtSaveFile->text();
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString up = QFileInfo(QDir::cleanPath(folder)).path();
        if (up == folder || up == QLatin1String("."))
            break;
        folder = up;
    }
    const QSignalBlocker quiet(Dir1);
    Dir1->setPath(QFileInfo(folder).isDir() ? folder : QDir::homePath());
}

void FrmServerCLient::setIdleControls(bool idle)
{
    for (QWidget *w : {static_cast<QWidget *>(Dir1), static_cast<QWidget *>(ChkAutoSend),
                       static_cast<QWidget *>(ChkAcceptID), static_cast<QWidget *>(ChkBlockRequest),
                       static_cast<QWidget *>(PacketScroll)})
        w->setEnabled(idle);
    TxtNewPort->setReadOnly(!idle);
    // Changing the port closes the connection: not while a file comes in.
    CmdChangePort->setEnabled(idle);
    // The folder is where the file being received is written.
    TxtSaveFile->setReadOnly(!idle);
}

// The common ending of the sender: nothing connected.
void FrmServerCLient::senderIdleControls()
{
    CmdSeek->setEnabled(true);
    CntPort->setReadOnly(false);
    PacketScroll2->setEnabled(false);
    CmdAquire->setEnabled(false);
    cmdAnnulla->setEnabled(false);
    CmdSend->setEnabled(false);
    lstClientNome->setEnabled(true);
    PicTransfer->hide();
}

void FrmServerCLient::createEngines()
{
    m_receiver = new FileReceiver(this);
    m_receiver->setMessageService(m_messages);
    m_receiver->setBlockRequests(ChkBlockRequest->isChecked());
    m_receiver->setAcceptRequests(ChkAcceptID->isChecked());
    m_receiver->setAutoAccept(ChkAutoSend->isChecked());
    m_receiver->setPacketSize(lblpacketsize->text().toInt());
    m_receiver->setSaveFolder(TxtSaveFile->text());
    m_receiver->setIdentity(m_certificate, m_key);
    m_receiver->setGate(m_access, m_seatPass);
    // An offer names its sender as the address list knows them.
    m_receiver->setSenderLookup([this](const QString &address) {
        QStringList entries;
        for (int row = 0; m_addresses && row < m_addresses->rowCount(); ++row)
            entries << m_addresses->index(row, 0).data(Qt::DisplayRole).toString();
        return participantAt(entries, address);
    });
    bindReceiver();

    m_sender = new FileSender(this);
    m_sender->setMessageService(m_messages);
    bindSender();
}

void FrmServerCLient::destroyEngines()
{
    if (m_dialog)
        delete m_dialog.data();
    if (m_sender) {
        m_sender->shutDown(m_shutDown);
        disconnect(m_sender, nullptr, this, nullptr);
        delete m_sender;
        m_sender = nullptr;
    }
    if (m_receiver) {
        disconnect(m_receiver, nullptr, this, nullptr);
        delete m_receiver;
        m_receiver = nullptr;
    }
}

void FrmServerCLient::bindReceiver()
{
    connect(m_receiver, &FileReceiver::statusChanged, this, [this](const QString &text) {
        lblstatus->setText(text);
        setWindowTitle(text);
    });
    connect(m_receiver, &FileReceiver::progressChanged, this,
            [this](double p) { PrgTransfer->setValue(qBound(0, int(p), 100)); });
    connect(m_receiver, &FileReceiver::receivingChanged, this, [this](bool receiving) {
        PictFrame->setVisible(receiving);
        setIdleControls(!receiving);
    });
    connect(m_receiver, &FileReceiver::fileOpened, this, [this](const QString &path) {
        lblfilename->setText(tr("File in arrivo: %1").arg(path));
        lblincomingpacketsize->setText(tr("Packet size: %1").arg(lblpacketsize->text()));
    });
    connect(m_receiver, &FileReceiver::portChanged, this, [this](quint16 port) {
        // A port that could not be had is not "attiva", and the router is
        // not asked to forward it.
        const bool listening = m_receiver->state() != FileReceiver::State::Stopped;
        lblcurrentport->setText(listening ? QString::number(port) : tr("nessuna"));
        emit receiverPortChanged(listening ? port : 0);
    });
}

void FrmServerCLient::bindSender()
{
    connect(m_sender, &FileSender::statusChanged, lblstatus2, &QLabel::setText);
    connect(m_sender, &FileSender::connectStepChanged, PrgStatus, &QProgressBar::setValue);
    connect(m_sender, &FileSender::connected, PicTransfer, &QWidget::hide);
    connect(m_sender, &FileSender::accepted, this, [this] {
        CmdSeek->setEnabled(false);
        CntPort->setReadOnly(true);
        PacketScroll2->setEnabled(true);
        CmdAquire->setEnabled(true);
        cmdAnnulla->setEnabled(true);
        CmdSend->setEnabled(false);
    });
    connect(m_sender, &FileSender::denied, this, [this] {
        CmdSeek->setEnabled(true);
        CntPort->setReadOnly(false);
        PacketScroll2->setEnabled(false);
        CmdAquire->setEnabled(false);
        cmdAnnulla->setEnabled(false);
        CmdSend->setEnabled(false);
    });
    connect(m_sender, &FileSender::packetSizeAdjusted, PacketScroll2, &QScrollBar::setValue);
    connect(m_sender, &FileSender::offerStarted, this, [this] {
        PicTransfer->show();
        CmdSeek->setEnabled(false);
        PacketScroll2->setEnabled(false);
        CmdAquire->setEnabled(false);
        lstClientNome->setEnabled(false);
        CmdSend->setEnabled(false);
        CntPort->setReadOnly(true);
        cmdAnnulla->setEnabled(true);
        ProgressTransfer2->setValue(0);
        lblsendingfile->clear();
    });
    connect(m_sender, &FileSender::offerRefused, this, [this] {
        CmdSeek->setEnabled(false);
        CntPort->setReadOnly(true);
        PacketScroll2->setEnabled(true);
        CmdAquire->setEnabled(true);
        lstClientNome->setEnabled(true);
        cmdAnnulla->setEnabled(true);
        CmdSend->setEnabled(false);
        PicTransfer->hide();
    });
    connect(m_sender, &FileSender::sendingStarted, this, [this](const QString &path) {
        lblsendingfile->setText(tr("File in uscita: %1").arg(path));
    });
    connect(m_sender, &FileSender::progressChanged, this,
            [this](double p) { ProgressTransfer2->setValue(qBound(0, int(p), 100)); });
    connect(m_sender, &FileSender::transferEnded, this, &FrmServerCLient::senderIdleControls);
    connect(m_sender, &FileSender::closedByReceiver, this, &FrmServerCLient::senderIdleControls);
    connect(m_sender, &FileSender::disconnectedByUser, this, [this] {
        cmdAnnulla->setEnabled(false);
        CmdSend->setEnabled(false);
        CmdAquire->setEnabled(false);
        lstClientNome->setEnabled(true);
        PacketScroll2->setEnabled(true);
        CmdSeek->setEnabled(true);
        CntPort->setReadOnly(false);
    });
}

void FrmServerCLient::setMessageService(session::MessageService *service)
{
    m_messages = service;
    if (m_receiver)
        m_receiver->setMessageService(service);
    if (m_sender)
        m_sender->setMessageService(service);
}

void FrmServerCLient::setRecipientModel(QStringListModel *model)
{
    lstClientNome->setModel(model);
}

void FrmServerCLient::setAddressModel(QAbstractItemModel *model)
{
    m_addresses = model;
}

void FrmServerCLient::setAddressEntryVisible(bool visible)
{
    m_addressVisible = visible;
    Label5->setVisible(visible);
    TargetIP->setVisible(visible);
}

bool FrmServerCLient::listenOn(quint16 port)
{
    return m_receiver->listen(port);
}

FrmServerCLient::KeptSettings FrmServerCLient::keptSettings() const
{
    KeptSettings s;
    s.autoSend = ChkAutoSend->isChecked();
    s.acceptId = ChkAcceptID->isChecked();
    s.blockRequest = ChkBlockRequest->isChecked();
    s.packetSize = PacketScroll->value();
    s.saveFolder = TxtSaveFile->text();
    s.packetSize2 = PacketScroll2->value();
    s.addressEntryVisible = m_addressVisible;
    return s;
}

void FrmServerCLient::applySettings(const KeptSettings &s)
{
    ChkAutoSend->setChecked(s.autoSend);
    ChkAcceptID->setChecked(s.acceptId);
    ChkBlockRequest->setChecked(s.blockRequest);
    PacketScroll->setValue(s.packetSize);
    TxtSaveFile->setText(s.saveFolder);
    PacketScroll2->setValue(s.packetSize2);
    setAddressEntryVisible(s.addressEntryVisible);
}

void FrmServerCLient::shutDown()
{
    m_shutDown = true;
    destroyEngines();
}

void FrmServerCLient::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!m_shutDown)
        startAgain();
}

// The window's close box: its connections end as if it were destroyed, and
// it comes back hidden, listening on 2543, with the kept settings.
void FrmServerCLient::startAgain()
{
    const KeptSettings kept = keptSettings();
    destroyEngines();
    resetControls();
    applySettings(kept);
    createEngines();
    m_receiver->listen(kDefaultPort);
}

// --- receiving half ------------------------------------------------------------------

quint16 FrmServerCLient::receiverPort() const
{
    return m_receiver && m_receiver->state() != FileReceiver::State::Stopped ? m_receiver->port()
                                                                              : 0;
}

void FrmServerCLient::setRouterStatus(const QString &text)
{
    lblrouter->setText(text);
    lblrouter->setVisible(!text.isEmpty());
    // A long answer wraps onto lines the window may have no room for: it
    // grows until the answer shows whole, rather than cutting it off.
    if (layout() && !text.isEmpty()) {
        layout()->activate();
        const int need = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width())
                                                        : layout()->totalMinimumSize().height();
        if (need > height())
            resize(width(), need);
    }
}

void FrmServerCLient::CmdChangePort_Click()
{
    if (m_receiver)
        m_receiver->changePort(TxtNewPort->text());
}

void FrmServerCLient::CmdCancel_Click()
{
    if (m_receiver)
        m_receiver->cancel();
}

// --- sending half ----------------------------------------------------------------------

void FrmServerCLient::lstClientNome_Click(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString name = index.data(Qt::DisplayRole).toString();
    if (m_addresses) {
        const QString prefix = name + QStringLiteral(" - ");
        for (int row = m_addresses->rowCount() - 1; row >= 0; --row) {
            const QString entry = m_addresses->index(row, 0).data(Qt::DisplayRole).toString();
            if (entry.startsWith(prefix)) {
                TargetIP->setText(entry.mid(prefix.size()));
                m_pickedAddress = TargetIP->text();
                break;
            }
        }
    }
    TargetNome->setText(name);
}

void FrmServerCLient::CmdSeek_Click()
{
    if (!m_sender)
        return;
    // Only the participant the list gave is the one the host vouched for.
    Protection protection;
    if (m_protection && !TargetNome->text().isEmpty() && TargetIP->text() == m_pickedAddress)
        protection = m_protection(TargetNome->text());
    m_sender->setProtection(protection.receiver, protection.seatPass);
    m_sender->connectTo(TargetIP->text(), CntPort->text(), TargetNome->text());
}

void FrmServerCLient::setProtectionLookup(std::function<Protection(const QString &)> lookup)
{
    m_protection = std::move(lookup);
}

void FrmServerCLient::setIdentity(const QSslCertificate &certificate, const QSslKey &key)
{
    m_certificate = certificate;
    m_key = key;
    if (m_receiver)
        m_receiver->setIdentity(certificate, key);
}

void FrmServerCLient::setGate(secure::Access access, const secure::TableKey &seatPass)
{
    m_access = access;
    m_seatPass = seatPass;
    if (m_receiver)
        m_receiver->setGate(access, seatPass);
}

void FrmServerCLient::cmdAnnulla_Click()
{
    if (m_sender)
        m_sender->disconnectFromReceiver();
}

void FrmServerCLient::CmdAquire_Click()
{
    if (m_dialog && m_dialog->isVisible()) {
        m_dialog->raise(); // one choice at a time
        return;
    }
    auto *dialog = new QFileDialog(this, tr("Scegli il file da inviare"));
    dialog->setObjectName(QStringLiteral("OpenFileDialog"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    const QFileInfo current(TextSend->text());
    if (!TextSend->text().isEmpty() && current.dir().exists())
        dialog->setDirectory(current.dir());
    connect(dialog, &QFileDialog::fileSelected, this, &FrmServerCLient::setChosenFile);
    m_dialog = dialog;
    dialog->open();
    emit fileDialogOpened(dialog);
}

void FrmServerCLient::setChosenFile(const QString &path)
{
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (!info.isFile())
        return;
    TextSend->setText(path);
    lblfilesize->setText(tr("Dimensione: %1").arg(FormatKB2(info.size())));
    // The connection may have ended while the dialog was open.
    if (m_sender && m_sender->state() == FileSender::State::Accepted)
        CmdSend->setEnabled(true);
}

void FrmServerCLient::CmdSend_Click()
{
    if (m_sender)
        m_sender->offer(TextSend->text(), lblpacketsize2->text().toInt());
}

void FrmServerCLient::CmdCancel2_Click()
{
    if (m_sender)
        m_sender->cancel();
}

// What a screen reader says for each control, and the Tab key's way
// through the window in its reading order.
void FrmServerCLient::nameControls()
{
    a11y::ControlNames::apply(this, "transfer::FrmServerCLient", {
        {"TxtNewPort", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Nuova porta di ricezione")},
        {"CmdChangePort", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Cambia porta"),
         QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Cambia la porta di ricezione in quella scritta")},
        {"PacketScroll", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Kb per pacchetto in ricezione")},
        {"TxtSaveFile", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Cartella dove salvare i file ricevuti")},
        {"Dir1", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Cartelle")},
        {"CmdCancel", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Annulla"),
         QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Annulla la ricezione")},
        {"PrgTransfer", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Ricezione")},
        {"lstClientNome", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Destinatario")},
        {"TargetNome", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Nome del destinatario")},
        {"TargetIP", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Indirizzo del destinatario")},
        {"CntPort", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Porta del destinatario")},
        {"CmdSeek", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Attiva"),
         QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Si collega al destinatario")},
        {"cmdAnnulla", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Annulla"),
         QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Chiude il collegamento")},
        {"PacketScroll2", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Kb per pacchetto in invio")},
        {"CmdAquire", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "File"),
         QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Sceglie il file da inviare")},
        {"TextSend", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "File da inviare")},
        {"CmdSend", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Invia")},
        {"CmdCancel2", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Annulla"),
         QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Annulla l'invio")},
        {"PrgStatus", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Stato")},
        {"ProgressTransfer2", QT_TRANSLATE_NOOP("transfer::FrmServerCLient", "Invio")},
    });
    // The packet sizes are set with the arrow keys.
    PacketScroll->setFocusPolicy(Qt::TabFocus);
    PacketScroll2->setFocusPolicy(Qt::TabFocus);
    a11y::ReadingOrder::keep(this);
}

} // namespace transfer
