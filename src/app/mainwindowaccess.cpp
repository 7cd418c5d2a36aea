#include "mainwindowaccess.h"

#include "announcer.h"
#include "boardpanel.h"
#include "boardview.h"
#include "boardzoom.h"
#include "composerpanel.h"
#include "controlnames.h"
#include "dialogpane.h"
#include "dicepanel.h"
#include "frmmain.h"
#include "lineannouncer.h"
#include "palette.h"
#include "presetbar.h"
#include "readingorder.h"
#include "windowpresets.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>

namespace app
{

namespace
{

// The texts below are translated in this context.
constexpr const char *kContext = "app::MainWindowAccess";

} // namespace

MainWindowAccess::MainWindowAccess(frmMain *window)
    : QObject(window), m_window(window), m_announcer(new a11y::Announcer(window))
{
    setObjectName(QStringLiteral("MainWindowAccess"));
    m_lines = new conversation::LineAnnouncer(window->dialogPane(), m_announcer, this);
    connect(window->composer(), &conversation::ComposerPanel::sending, m_lines,
            &conversation::LineAnnouncer::setSending);
    addShortcuts();
    refresh();
}

void MainWindowAccess::refresh()
{
    nameControls();
    // The board's column begins at the board, the program panel's at its
    // first path box; everything else reads down the chat column.
    QList<int> columns;
    for (const char *first : {"picCont", "txtProgram"}) {
        if (auto *w = m_window->findChild<QWidget *>(QLatin1String(first)))
            columns.append(w->mapTo(m_window, QPoint(0, 0)).x());
    }
    std::sort(columns.begin(), columns.end());
    a11y::ReadingOrder::apply(m_window, columns);
}

void MainWindowAccess::nameControls()
{
    using a11y::ControlNames;
    ControlNames::apply(m_window, kContext, {
        // Session
        {"txtName", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Nome"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Il nome con cui parli al tavolo")},
        {"txtIP", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Server"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess",
                           "Indirizzo dell'host a cui connettersi, o un invito; Invio per connettersi")},
        {"ComboIP", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Indirizzi dei personaggi")},
        {"cmdHost", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Host"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ospita una sessione: gli altri si connettono a te (Alt+H)")},
        {"cmdConnect", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Connetti"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Si connette all'host scritto in Server (Alt+C)")},
        {"cmdDisconnect", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Sconnetti"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Chiude la sessione (Alt+S)")},
        {"cmdKick", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Kick"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Allontana dal tavolo i personaggi selezionati")},
        {"cmdPorts", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Porta"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Sceglie la porta della sessione")},
        {"cmdTopMost", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Sempre in primo piano")},
        {"cmdRaggiungibilita", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Raggiungibilità e invito")},
        {"cmdPresets", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Dimensioni della finestra")},
        {"lstConnections", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Personaggi"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess",
                           "Spazio seleziona o deseleziona: i selezionati ricevono i messaggi privati")},
        {"cmdDeselect", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Deseleziona tutto")},
        {"txtStatus", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Stato"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Connessioni, arrivi e partenze")},
        {"chkTutorial", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Eventi"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Mostra i messaggi inviati e ricevuti")},
        // Conversation
        {"Command1", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Esplora risorse"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ctrl+O")},
        {"Command17", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Cerca nel dialogo"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ctrl+F")},
        {"Command22", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Trasferimento file"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ctrl+T")},
        {"Command21", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ora nei messaggi"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Mostra l'ora davanti a ogni nuova riga")},
        {"Command19", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Colori nei messaggi"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Colora chi parla, le azioni e la narrazione")},
        {"txtDialog", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Casella di dialogo"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess",
                           "Le righe della conversazione; frecce su e giù per leggerle una a una")},
        {"chkPrivate", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Privato"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess",
                           "Il messaggio va solo ai personaggi selezionati (Alt+P)")},
        {"dado1", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Numero di dadi"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Frecce per cambiarlo, Invio per lanciare")},
        {"Label6", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Valore di ogni dado"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess",
                           "Spazio mostra o nasconde il valore di ogni dado nel risultato")},
        {"dado2", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Facce di ogni dado"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Frecce per cambiarle, Invio per lanciare (Ctrl+R)")},
        {"cmdModo", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Modo di parlare"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Parla Ctrl+1, Azione Ctrl+2, Narra Ctrl+3")},
        {"txtMessage", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Messaggio"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Invio manda il messaggio")},
        {"cmdSend", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Invia")},
        // Board
        {"picDraw", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Lavagna"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Frecce per scorrerla, + e − per lo zoom")},
        {"hsbImm", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Scorrimento orizzontale della lavagna")},
        {"vsbImm", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Scorrimento verticale della lavagna")},
        {"Command2", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Esplora immagine")},
        {"cmdZoomOut", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Riduci la lavagna"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ctrl+meno")},
        {"cmdZoomIn", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ingrandisci la lavagna"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ctrl+più")},
        {"cmdZoomFit", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Mostra tutta la lavagna")},
        {"cmdZoom100", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Lavagna a grandezza reale"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ctrl+0")},
        {"Command23_0", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Finestra stretta")},
        {"Command23_1", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Schermo intero"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "F11")},
        {"Command23_2", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Finestra larga")},
        {"Command23_3", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Finestra media")},
        {"cmdClearDraw", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Pulisci la lavagna")},
        {"Command13", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Mano libera")},
        {"Command14", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Linee rette")},
        {"Command15", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Cerchi")},
        {"Command16", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Colora")},
        {"Command12", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Testo")},
        {"Command5", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Approssima alla griglia")},
        {"Command6", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Collega le linee")},
        {"reticolo", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Crea reticolo")},
        {"Combo1", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Colore"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "Il colore con cui si disegna")},
        {"List1", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Stile di disegno")},
        {"pennello", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Spessore della penna"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess", "In pixel, da 1 a 25")},
        {"txtWidth", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Larghezza dell'immagine")},
        {"txtHeight", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Altezza dell'immagine")},
        {"cmdRidim", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ridimensiona/Copia appunti"),
         QT_TRANSLATE_NOOP("app::MainWindowAccess",
                           "Copia la lavagna negli appunti e porta l'immagine alla larghezza e altezza scritte")},
        {"IncollaClipboard", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Incolla appunti")},
        {"cmdSharePicture", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Condividi con il tavolo")},
        {"cmdRestoreBoard", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ripristina lavagna")},
        {"cmdClearHostOnly", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Solo l'host può pulire la lavagna")},
        // Program panel
        {"txtProgram", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Programma del riquadro 1")},
        {"txtProgram2", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Programma del riquadro 2")},
        {"txtProgram3", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Programma del riquadro 3")},
        {"txtProgram4", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Programma del riquadro 4")},
        {"Command7", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Avvia")},
        {"Command8", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ingrandisci il riquadro in alto a sinistra")},
        {"Command9", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ingrandisci il riquadro in alto a destra")},
        {"Command10", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ingrandisci il riquadro in basso a sinistra")},
        {"Command11", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Ingrandisci il riquadro in basso a destra")},
        {"VScroll1", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Larghezza del pannello dei programmi")},
        {"VScroll2", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Altezza del pannello dei programmi")},
        // Events panel
        {"lstSent", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Messaggi inviati")},
        {"lstReceived", QT_TRANSLATE_NOOP("app::MainWindowAccess", "Messaggi ricevuti")},
    });

    // The swatches are the mouse's way to the colours, the colour list the
    // keyboard's; a screen reader still hears which colour each one is.
    for (int i = 0; i < board::Palette::kCount; ++i) {
        if (auto *swatch = m_window->findChild<QWidget *>(QStringLiteral("picSelColor(%1)").arg(i))) {
            swatch->setAccessibleName(board::Palette::nameAt(i));
            swatch->setAccessibleDescription(tr("Colore della tavolozza; con la tastiera: la lista Colore"));
            swatch->setProperty(a11y::ReadingOrder::kKeyboardVia, QStringLiteral("Combo1"));
        }
    }
    // The board's arrow keys scroll it as its bars do.
    for (const char *bar : {"hsbImm", "vsbImm"}) {
        if (auto *w = m_window->findChild<QWidget *>(QLatin1String(bar)))
            w->setProperty(a11y::ReadingOrder::kKeyboardVia, QStringLiteral("picDraw"));
    }
    // Bars that set a value of their own are stops of the Tab key, where
    // the arrows change them.
    for (const char *bar : {"pennello", "VScroll1", "VScroll2"}) {
        if (auto *w = m_window->findChild<QWidget *>(QLatin1String(bar)))
            w->setFocusPolicy(Qt::TabFocus);
    }
}

void MainWindowAccess::addShortcut(const QKeySequence &keys, const QString &what,
                                   const std::function<void()> &act)
{
    auto *shortcut = new QShortcut(keys, m_window);
    connect(shortcut, &QShortcut::activated, this, act);
    m_shortcuts.append({keys, what});
}

void MainWindowAccess::addShortcuts()
{
    frmMain *w = m_window;
    // A button pressed from the keyboard only where the mouse could press it.
    auto press = [](QAbstractButton *button) {
        return [button] {
            if (button->isVisible() && button->isEnabled())
                button->animateClick();
        };
    };
    auto focus = [](QWidget *target) {
        return [target] { target->setFocus(Qt::ShortcutFocusReason); };
    };
    addShortcut(QKeySequence(Qt::ALT | Qt::Key_H), tr("Ospita una sessione (Host)"), press(w->cmdHost));
    addShortcut(QKeySequence(Qt::ALT | Qt::Key_C), tr("Connetti"), press(w->cmdConnect));
    addShortcut(QKeySequence(Qt::ALT | Qt::Key_S), tr("Sconnetti"), press(w->cmdDisconnect));
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), tr("Va all'indirizzo del server"), focus(w->txtIP));
    addShortcut(QKeySequence(Qt::ALT | Qt::Key_P), tr("Privato sì o no"), [w] {
        w->composer()->chkPrivate()->toggle();
    });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_1), tr("Parla"), [w] {
        w->composer()->setMode(conversation::Composer::Kind::Speech);
    });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_2), tr("Azione"), [w] {
        w->composer()->setMode(conversation::Composer::Kind::Action);
    });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_3), tr("Narra"), [w] {
        w->composer()->setMode(conversation::Composer::Kind::Narration);
    });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), tr("Lancia i dadi scelti"), [w] {
        w->dice()->roll();
        w->dice()->parziale()->setText(QStringLiteral("0"));
    });
    addShortcut(QKeySequence(QKeySequence::Find), tr("Cerca nel dialogo"), [w] { w->Command17_Click(); });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), tr("Trasferimento file"), [w] { w->Command22_Click(); });
    // Ctrl+E moves to the end of a line in a text box on this desktop.
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), tr("Esplora risorse"), [w] { w->Command1_Click(); });
    board::BoardZoom *zoom = w->boardPanel()->zoom();
    addShortcut(QKeySequence(QKeySequence::ZoomIn), tr("Ingrandisce la lavagna"), [zoom] { zoom->zoomIn(); });
    addShortcut(QKeySequence(QKeySequence::ZoomOut), tr("Riduce la lavagna"), [zoom] { zoom->zoomOut(); });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), tr("Lavagna a grandezza reale"), [zoom] { zoom->actualSize(); });
    addShortcut(QKeySequence(Qt::Key_F11), tr("Schermo intero sì o no"), [w] {
        w->presets()->Command23_Click(panel::WindowPresets::FullScreen);
    });
    addShortcut(QKeySequence(Qt::Key_F6), tr("Passa alla zona seguente della finestra"), [this] { cycleArea(1); });
    addShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), tr("Passa alla zona precedente"), [this] { cycleArea(-1); });
    addShortcut(QKeySequence(QKeySequence::Quit), tr("Chiude il programma"), [w] { w->close(); });
}

QList<QWidget *> MainWindowAccess::areas() const
{
    frmMain *w = m_window;
    return {w->composer()->txtMessage(), w->dialogPane()->txtDialog(), w->lstConnections,
            w->boardPanel()->picDraw(), w->txtName};
}

void MainWindowAccess::cycleArea(int step)
{
    const QList<QWidget *> all = areas();
    QList<QWidget *> shown;
    for (QWidget *area : all) {
        if (area->isVisible() && area->isEnabled())
            shown.append(area);
    }
    if (shown.isEmpty())
        return;
    // From the area that holds the focus (or the message box's place).
    QWidget *focus = m_window->focusWidget();
    int at = -1;
    for (int i = 0; i < shown.size(); ++i) {
        if (focus && (focus == shown[i] || shown[i]->isAncestorOf(focus)))
            at = i;
    }
    const int next = at < 0 ? 0 : (at + step + int(shown.size())) % int(shown.size());
    shown[next]->setFocus(Qt::ShortcutFocusReason);
}

} // namespace app
