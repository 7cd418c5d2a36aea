// Every window as a screen reader and the keyboard meet it: each control
// has a role and a name and the Tab key reaches it; the conversation pane
// lists its lines as items and new lines are announced.
#include "announcer.h"
#include "boardpanel.h"
#include "composerpanel.h"
#include "frmfind.h"
#include "frminstext.h"
#include "frmraggiungibilita.h"
#include "reticolobox.h"
#include "dialogpane.h"
#include "form1.h"
#include "form2.h"
#include "form5.h"
#include "frmmain.h"
#include "frmports.h"
#include "frmserverclient.h"
#include "mainwindowaccess.h"
#include "messagerecorder.h"
#include "readingorder.h"

#include <QtWidgets>
#include <QTest>

#include <functional>
#include <memory>

using app::frmMain;

namespace
{

// How each window is opened, from the main window; new windows get a row.
using Opener = std::function<QWidget *(frmMain &)>;
const std::pair<const char *, Opener> kWindows[] = {
    {"main window", [](frmMain &w) -> QWidget * { return &w; }},
    {"find", [](frmMain &w) -> QWidget * { w.Command17_Click(); return w.findDialog(); }},
    {"grid", [](frmMain &w) -> QWidget * { return w.boardPanel()->gridDialog(); }},
    {"text", [](frmMain &w) -> QWidget * {
         w.boardPanel()->openTextDialog(QPoint(10, 10)); return w.boardPanel()->textDialog(); }},
    {"port", [](frmMain &w) -> QWidget * { return new app::frmPorts(600, w.messageService(), &w); }},
    {"reachability", [](frmMain &w) -> QWidget * {
         w.cmdRaggiungibilita_Click(); return w.reachabilityWindow(); }},
    {"transfer", [](frmMain &w) -> QWidget * { w.Command22_Click(); return w.transferWindow(); }},
    {"explorer", [](frmMain &w) -> QWidget * { w.Command2_Click(); return w.imageExplorer(); }},
    {"file browser", [](frmMain &w) -> QWidget * { w.Command1_Click(); return w.fileBrowser(); }},
    {"unlock", [](frmMain &w) -> QWidget * { return new conversation::Form5(&w); }},
};

bool interactive(QWidget *w)
{
    // The parts of a compound control are the control's own.
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<QAbstractScrollArea *>(p) || qobject_cast<QComboBox *>(p) ||
            qobject_cast<QAbstractSpinBox *>(p))
            return false;
    }
    return qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w) ||
           qobject_cast<QLineEdit *>(w) || qobject_cast<QAbstractItemView *>(w) ||
           qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QAbstractSlider *>(w) ||
           qobject_cast<QAbstractSpinBox *>(w) || (w->focusPolicy() & Qt::TabFocus);
}

} // namespace

class tst_accessibility : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_window = std::make_unique<frmMain>(m_dir.filePath(QStringLiteral("a11y.ini")));
        m_window->setMessageService(&m_messages);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup()
    {
        m_window->setMessageService(nullptr);
        m_window.reset();
    }

    void everyControl_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kWindows)); ++i)
            QTest::newRow(kWindows[i].first) << i;
    }
    void everyControl()
    {
        QFETCH(int, row);
        QWidget *window = kWindows[row].second(*m_window);
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        // Where the Tab key goes, as QWidget::focusNextPrevChild walks it.
        QSet<QWidget *> reached;
        for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled() &&
                w->window() == window && !w->focusProxy())
                reached.insert(w);
        }
        int checked = 0;
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (w->window() != window || !w->isVisibleTo(window) || !interactive(w))
                continue;
            ++checked;
            const QByteArray what = w->metaObject()->className() + QByteArray(" ") +
                                    w->objectName().toUtf8();
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
            QVERIFY2(iface && iface->role() != QAccessible::NoRole, what);
            QVERIFY2(!iface->text(QAccessible::Name).trimmed().isEmpty(), what + " has no name");
            if (!w->isEnabled())
                continue;
            const QString via = w->property(a11y::ReadingOrder::kKeyboardVia).toString();
            QWidget *other = via.isEmpty() ? nullptr : window->findChild<QWidget *>(via);
            QVERIFY2(reached.contains(w) || (other && reached.contains(other)),
                     what + " is out of the Tab key's reach");
        }
        QVERIFY(checked > 0);
        // Menus are reached with Alt and F10; they need names all the same.
        for (QMenuBar *bar : window->findChildren<QMenuBar *>())
            QVERIFY(!QAccessible::queryAccessibleInterface(bar)->text(QAccessible::Name).isEmpty());
    }

    // Each line one item, saying its text and, after it, its kind and speaker.
    void paneListsLines()
    {
        m_window->txtName->setText(QStringLiteral("Oste"));
        emit m_window->txtName->textEdited(QStringLiteral("Oste"));
        conversation::DialogPane *pane = m_window->dialogPane();
        pane->UpdateDialog(QStringLiteral("Oste: benvenuti"));
        pane->UpdateDialog(QString::fromUtf8("Oste lancia 2d6 ed ottiene 7.\r\n« 3, 4 »"));
        pane->markPane(QStringLiteral("——— di nuovo al tavolo ———"));

        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(pane->txtDialog());
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->childCount(), 3);
        const QString names[] = {QStringLiteral("Oste: benvenuti"),
                                 QString::fromUtf8("Oste lancia 2d6 ed ottiene 7. « 3, 4 »"),
                                 QStringLiteral("——— di nuovo al tavolo ———")};
        const QString kinds[] = {QStringLiteral("parlato, di Oste"),
                                 QStringLiteral("tiro di dadi, di Oste"), QStringLiteral("evento")};
        for (int i = 0; i < 3; ++i) {
            QAccessibleInterface *item = list->child(i);
            QVERIFY(item);
            QCOMPARE(item->role(), QAccessible::ListItem);
            QCOMPARE(item->text(QAccessible::Name), names[i]);
            QCOMPARE(item->text(QAccessible::Description), kinds[i]);
            QCOMPARE(list->indexOfChild(item), i);
        }
        // Lines that leave the pane take their items with them.
        pane->clearDialog();
        QCOMPARE(list->childCount(), 0);

        // A join, said in words without the focus leaving the message box
        // (the lines above were said together, in the turn they came in).
        QCoreApplication::processEvents();
        m_window->composer()->txtMessage()->setFocus();
        pane->UpdateStatus(QStringLiteral("Brom si è connesso."));
        QTRY_COMPARE(m_window->access()->announcer()->text(), QStringLiteral("Brom si è connesso."));
        QVERIFY(m_window->composer()->txtMessage()->hasFocus() || !m_window->isActiveWindow());
    }

private:
    QTemporaryDir m_dir;
    MessageRecorder m_messages;
    std::unique_ptr<frmMain> m_window;
};

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
