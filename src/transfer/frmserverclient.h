#pragma once

#include "filereceiver.h"
#include "filesender.h"
#include "sinks.h"

#include <QIcon>
#include <QSslCertificate>
#include <QSslKey>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QAbstractItemModel;
class QCheckBox;
class QFileDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QStringListModel;

namespace transfer {

class FolderList;

/**
 * @brief The file-transfer window: the receiving half on the left, the
 * sending half on the right.
 *
 * It lives for the whole run, mostly hidden, so the receiver listens from
 * start to end. Closing it by its close box ends its connections and starts
 * it afresh, hidden, listening on 2543 again; the receiver's three switches
 * and packet size, the save folder, the sender's packet size and whether the
 * address entry is shown survive that.
 */
class FrmServerCLient : public QWidget
{
    Q_OBJECT
public:
    /// What a close of the window keeps.
    struct KeptSettings {
        bool autoSend = true;
        bool acceptId = true;
        bool blockRequest = false;
        int packetSize = 2048;
        QString saveFolder;
        int packetSize2 = 2048;
        bool addressEntryVisible = false;
    };

    /// Starts listening on 2543 at once; a port already taken is not reported.
    explicit FrmServerCLient(QWidget *parent = nullptr);
    ~FrmServerCLient() override;

    /// Message boxes and questions of both halves; null shows nothing.
    void setMessageService(session::MessageService *service);
    session::MessageService *messageService() const { return m_messages; }
    /// The participant names lstClientNome shows (the main window keeps them).
    void setRecipientModel(QStringListModel *model);
    /// The address entries ("name - address") looked up when a name is chosen.
    void setAddressModel(QAbstractItemModel *model);

    /// How a connection to a participant's transfer port is protected.
    struct Protection {
        std::optional<secure::Fingerprint> receiver; ///< passed on by the host; none: plain text
        secure::TableKey seatPass;                   ///< what shows we sit at the table
    };
    /**
     * @brief Asked at "Connetti" for the participant chosen in the list
     * (not for an address typed by hand, which goes in plain text).
     */
    void setProtectionLookup(std::function<Protection(const QString &name)> lookup);
    /// The identity Tavernix senders meet on our transfer port (kept across a close of the window).
    void setIdentity(const QSslCertificate &certificate, const QSslKey &key);
    /// Who may offer us files (FileReceiver::setGate; kept across a close of the window).
    void setGate(secure::Access access, const secure::TableKey &seatPass);

    /// Shows or hides the direct address entry (Label5 and TargetIP).
    void setAddressEntryVisible(bool visible);
    bool addressEntryVisible() const { return m_addressVisible; }

    /**
     * @brief Listens on @p port instead (0: a free port the system picks);
     * lblcurrentport shows the port in use. Returns whether listening works.
     */
    bool listenOn(quint16 port);

    /// The port the receiver takes files on (also while it holds a connection);
    /// 0 when it could not get its port.
    quint16 receiverPort() const;
    /// What the router said about the receiver's port (lblrouter; hidden when empty).
    void setRouterStatus(const QString &text);

    KeptSettings keptSettings() const;
    void applySettings(const KeptSettings &settings);

    /// The program ends: connections close, nothing is started again and no
    /// message is shown, even when the window is closed afterwards.
    void shutDown();

    FileReceiver *receiver() const { return m_receiver; }
    FileSender *fileSender() const { return m_sender; }
    /// The picture of the button that opens this window.
    static QIcon transferIcon();

    // Receiving half.
    QLabel *lblstatus;
    QLabel *lblcurrentport;
    QLineEdit *TxtNewPort;
    QPushButton *CmdChangePort;
    QCheckBox *ChkBlockRequest;
    QCheckBox *ChkAcceptID;
    QCheckBox *ChkAutoSend;
    QScrollBar *PacketScroll;
    QLabel *lblpacketsize;
    FolderList *Dir1;
    QLineEdit *TxtSaveFile;
    QFrame *PictFrame;
    QProgressBar *PrgTransfer;
    QLabel *lblfilename;
    QLabel *lblincomingpacketsize;
    QPushButton *CmdCancel;
    QLabel *lblrouter; ///< the router's answer about the receiver's port

    // Sending half.
    QListView *lstClientNome;
    QLineEdit *TargetNome; ///< hidden
    QLabel *Label5;
    QLineEdit *TargetIP;
    QLineEdit *CntPort;
    QPushButton *CmdSeek;
    QPushButton *cmdAnnulla;
    QProgressBar *PrgStatus;
    QLabel *lblstatus2;
    QScrollBar *PacketScroll2;
    QLabel *lblpacketsize2;
    QPushButton *CmdAquire;
    QLineEdit *TextSend;
    QLabel *lblfilesize;
    QPushButton *CmdSend;
    QFrame *PicTransfer;
    QProgressBar *ProgressTransfer2;
    QLabel *lblsendingfile;
    QPushButton *CmdCancel2;

public slots:
    void CmdChangePort_Click();
    void CmdCancel_Click();
    void CmdSeek_Click();
    void cmdAnnulla_Click();
    void CmdAquire_Click();
    void CmdSend_Click();
    void CmdCancel2_Click();
    /// A participant chosen in lstClientNome: its address from the address list.
    void lstClientNome_Click(const QModelIndex &index);
    /// The file the open-file dialog returned (an empty path changes nothing);
    /// "Invia" turns on only while the receiver takes offers.
    void setChosenFile(const QString &path);

signals:
    /// The open-file dialog opened (tests answer it).
    void fileDialogOpened(QFileDialog *dialog);
    /// The receiver now takes files on @p port (a change, or a new receiver after a close).
    void receiverPortChanged(quint16 port);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
    void createReceiverHalf(QWidget *half);
    void createSenderHalf(QWidget *half);
    void resetControls();
    void createEngines();
    void destroyEngines();
    void bindReceiver();
    void bindSender();
    void setIdleControls(bool idle);
    void senderIdleControls();
    void startAgain();

    FileReceiver *m_receiver = nullptr;
    FileSender *m_sender = nullptr;
    session::MessageService *m_messages = nullptr;
    QPointer<QAbstractItemModel> m_addresses;
    QPointer<QFileDialog> m_dialog;
    bool m_addressVisible = false;
    std::function<Protection(const QString &)> m_protection;
    QSslCertificate m_certificate;
    QSslKey m_key;
    secure::Access m_access = secure::Access::Anyone;
    secure::TableKey m_seatPass;
    QString m_pickedAddress; ///< the address the list gave for TargetNome
    bool m_shutDown = false;
};

} // namespace transfer
