#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace session {
class MessageService;
}

namespace app {

/// The port dialog: shows the port and takes a new one from 1 to 65535.
class frmPorts : public QDialog
{
    Q_OBJECT
public:
    frmPorts(qint32 port, session::MessageService *messages, QWidget *parent = nullptr);

    qint32 port() const { return m_port; }
    QLineEdit *txtPort;
    QPushButton *cmdOK;
    QPushButton *CmdCancel;

    /// The port a text names, or 0 when it is not a whole number from 1 to 65535.
    static qint32 parsePort(const QString &text);

public slots:
    void cmdOK_Click();
    void CmdCancel_Click();

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
    qint32 m_port;
    session::MessageService *m_messages;
};

} // namespace app
