// Every window as a screen reader, the keyboard and a large font meet it,
// and the conversation pane's lines as items.
#include "announcer.h"
#include "boardpanel.h"
#include "composerpanel.h"
#include "dialogpane.h"
#include "form5.h"
#include "frmmain.h"
#include "frmports.h"
#include "frmzoomoptions.h"
#include "mainwindowaccess.h"
#include "messagerecorder.h"
#include "readingorder.h"

#include <QTest>
#include <QtWidgets>

#include <functional>

using app::frmMain;

namespace
{

// How each window is opened, as a click would; the window walked is the one
// that shows. New windows get a row.
const std::pair<const char *, std::function<void(frmMain &)>> kWindows[] = {
    {"main window", [](frmMain &) {}},
    {"find", &frmMain::Command17_Click},
    {"grid", [](frmMain &w) { w.boardPanel()->reticolo_Click(); }},
    {"text", [](frmMain &w) { w.boardPanel()->openTextDialog(QPoint(10, 10)); }},
    {"port", [](frmMain &w) { (new app::frmPorts(600, w.messageService(), &w))->show(); }},
    {"reachability", &frmMain::cmdRaggiungibilita_Click},
    {"transfer", &frmMain::Command22_Click},
    {"explorer", &frmMain::Command2_Click},
    {"file browser", &frmMain::Command1_Click},
    {"unlock", [](frmMain &w) { (new conversation::Form5(&w))->show(); }},
    {"calculator", &frmMain::Command3_Click},
    {"magnifier", &frmMain::Command4_Click},
    {"magnifier options",
     [](frmMain &w) { (new accessories::frmZoomOptions({}, {}, false, &w))->show(); }},
    {"music player", &frmMain::Command20_Click},
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

// The caption of a label or button on one line, else empty.
QString caption(QWidget *w)
{
    const auto *label = qobject_cast<QLabel *>(w);
    const auto *button = qobject_cast<QAbstractButton *>(w);
    const QString text = label && !label->wordWrap() ? label->text()
                         : button                    ? button->text()
                                                     : QString();
    return Qt::mightBeRichText(text) ? QString() : text;
}

// What the walk looks at: controls, and the captions beside them.
bool shown(QWidget *window, QWidget *w)
{
    return w->window() == window && w->isVisibleTo(window) &&
           (interactive(w) || !caption(w).isEmpty());
}

} // namespace

class tst_accessibility : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A desktop font larger than the one the windows were laid out for.
        QFont font = QApplication::font();
        font.setPointSizeF(font.pointSizeF() * 1.5);
        QApplication::setFont(font);
        m_window.setMessageService(&m_messages);
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
        frmMain main(m_dir.filePath(QStringLiteral("a11y.ini")));
        main.setMessageService(&m_messages);
        main.show();
        kWindows[row].second(main);
        QWidget *window = &main;
        for (QWidget *w : QApplication::topLevelWidgets())
            window = w->isVisible() && w != &main && w != &m_window ? w : window;
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
            if (!shown(window, w))
                continue;
            const QByteArray what = w->metaObject()->className() + (" " + w->objectName()).toUtf8();
            // No caption is cut and no control covers another.
            const QSize need = w->fontMetrics().size(Qt::TextShowMnemonic, caption(w));
            QVERIFY2(caption(w).isEmpty() || (need.width() <= w->contentsRect().width() &&
                                              need.height() <= w->contentsRect().height()),
                     what + " cuts its caption");
            // (content scrolled under its frame's bars is larger than the frame)
            for (QWidget *s :
                 w->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                QVERIFY2(s == w || !shown(window, s) || !s->geometry().intersects(w->geometry()) ||
                             !w->parentWidget()->rect().contains(s->geometry() | w->geometry()),
                         what + " covers " + s->objectName().toUtf8());
            if (!interactive(w))
                continue;
            ++checked;
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
            QVERIFY2(iface && iface->role() != QAccessible::NoRole, what);
            QVERIFY2(!iface->text(QAccessible::Name).trimmed().isEmpty(), what + " has no name");
            const QString via = w->property(a11y::ReadingOrder::kKeyboardVia).toString();
            QWidget *other = via.isEmpty() ? nullptr : window->findChild<QWidget *>(via);
            QVERIFY2(!w->isEnabled() || reached.contains(w) || reached.contains(other),
                     what + " is out of the Tab key's reach");
        }
        QVERIFY(checked > 0);
        // Menus are reached with Alt and F10; they need names all the same.
        for (QMenuBar *bar : window->findChildren<QMenuBar *>())
            QVERIFY(!QAccessible::queryAccessibleInterface(bar)->text(QAccessible::Name).isEmpty());
    }

    // Each line one item: its text, then its kind and speaker.
    void paneListsLines()
    {
        m_window.show();
        m_window.txtName->setText(QStringLiteral("Oste"));
        emit m_window.txtName->textEdited(QStringLiteral("Oste"));
        conversation::DialogPane *pane = m_window.dialogPane();
        pane->UpdateDialog(QString::fromUtf8("Oste lancia 2d6 ed ottiene 7.\r\n« 3, 4 »"));
        pane->markPane(QStringLiteral("——— di nuovo al tavolo ———"));
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(pane->txtDialog());
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->childCount(), 2);
        const std::pair<QString, QString> said[] = {
            {QString::fromUtf8("Oste lancia 2d6 ed ottiene 7. « 3, 4 »"), "tiro di dadi, di Oste"},
            {QStringLiteral("——— di nuovo al tavolo ———"), "evento"}};
        for (int i = 0; i < 2; ++i) {
            QAccessibleInterface *item = list->child(i);
            QCOMPARE(item->role(), QAccessible::ListItem);
            QCOMPARE(item->text(QAccessible::Name), said[i].first);
            QCOMPARE(item->text(QAccessible::Description), said[i].second);
            QCOMPARE(list->indexOfChild(item), i);
        }
        // Lines that leave the pane take their items with them.
        pane->clearDialog();
        QCOMPARE(list->childCount(), 0);
        // A join, said in words without the focus leaving the message box
        // (the lines above were said together, in the turn they came in).
        QCoreApplication::processEvents();
        m_window.composer()->txtMessage()->setFocus();
        pane->UpdateStatus(QStringLiteral("Brom si è connesso."));
        QTRY_COMPARE(m_window.access()->announcer()->text(), QStringLiteral("Brom si è connesso."));
        QVERIFY(m_window.composer()->txtMessage()->hasFocus() || !m_window.isActiveWindow());
    }

private:
    QTemporaryDir m_dir;
    MessageRecorder m_messages;
    frmMain m_window{m_dir.filePath(QStringLiteral("pane.ini"))};
};

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
