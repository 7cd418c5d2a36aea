<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>SpokenLine</name>
    <message>
        <source>parlato</source>
        <translation>speech</translation>
    </message>
    <message>
        <source>azione</source>
        <translation>action</translation>
    </message>
    <message>
        <source>narrazione</source>
        <translation>narration</translation>
    </message>
    <message>
        <source>tiro di dadi</source>
        <translation>dice roll</translation>
    </message>
    <message>
        <source>evento</source>
        <translation>event</translation>
    </message>
    <message>
        <source>privato, %1</source>
        <translation>private, %1</translation>
    </message>
    <message>
        <source>%1, di %2</source>
        <translation>%1, by %2</translation>
    </message>
    <message>
        <source>%1 dice: %2</source>
        <translation>%1 says: %2</translation>
    </message>
    <message>
        <source>Narrazione: %1</source>
        <translation>Narration: %1</translation>
    </message>
    <message>
        <source>un dado</source>
        <translation>one die</translation>
    </message>
    <message>
        <source>%1 dadi</source>
        <translation>%1 dice</translation>
    </message>
    <message>
        <source>una faccia</source>
        <translation>one face</translation>
    </message>
    <message>
        <source>%1 facce</source>
        <translation>%1 faces</translation>
    </message>
    <message>
        <source>%1 lancia %2 da %3 e ottiene %4.</source>
        <translation>%1 rolls %2 of %3 and gets %4.</translation>
    </message>
    <message>
        <source>Dadi: %1.</source>
        <translation>Dice: %1.</translation>
    </message>
    <message>
        <source>In privato: %1</source>
        <translation>In private: %1</translation>
    </message>
</context>
<context>
    <name>a11y::Announcer</name>
    <message numerus="yes">
        <source>%n novità; l&apos;ultima: %1</source>
        <translation>
            <numerusform>%n new line; the last: %1</numerusform>
            <numerusform>%n new lines; the last: %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>accessories::AccessoryWindow</name>
    <message>
        <source>Sempre in primo piano</source>
        <translation>Always on top</translation>
    </message>
</context>
<context>
    <name>accessories::CalculatorEngine</name>
    <message>
        <source>Impossibile dividere per zero</source>
        <translation>Cannot divide by zero</translation>
    </message>
    <message>
        <source>Numero troppo grande</source>
        <translation>Number too large</translation>
    </message>
</context>
<context>
    <name>accessories::Form3</name>
    <message>
        <source>Calcolatrice</source>
        <translation>Calculator</translation>
    </message>
    <message>
        <source>Risultato</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Azzera tutto</source>
        <translation>Clear all</translation>
    </message>
    <message>
        <source>Cancella il numero</source>
        <translation>Clear the number</translation>
    </message>
    <message>
        <source>Cancella l&apos;ultima cifra</source>
        <translation>Delete the last digit</translation>
    </message>
    <message>
        <source>Diviso</source>
        <translation>Divided by</translation>
    </message>
    <message>
        <source>Per</source>
        <translation>Times</translation>
    </message>
    <message>
        <source>Meno</source>
        <translation>Minus</translation>
    </message>
    <message>
        <source>Più</source>
        <translation>Plus</translation>
    </message>
    <message>
        <source>Cambia segno</source>
        <translation>Change sign</translation>
    </message>
    <message>
        <source>Virgola</source>
        <translation>Decimal point</translation>
    </message>
    <message>
        <source>Uguale</source>
        <translation>Equals</translation>
    </message>
    <message>
        <source>Azzera tutto (Esc)</source>
        <translation>Clear all (Esc)</translation>
    </message>
    <message>
        <source>Cancella il numero (Canc)</source>
        <translation>Clear the number (Delete)</translation>
    </message>
    <message>
        <source>Cancella l&apos;ultima cifra (Backspace)</source>
        <translation>Delete the last digit (Backspace)</translation>
    </message>
    <message>
        <source>Cambia segno (F9)</source>
        <translation>Change sign (F9)</translation>
    </message>
    <message>
        <source>Risultato (Invio)</source>
        <translation>Result (Enter)</translation>
    </message>
    <message>
        <source>&amp;Copia</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>Copia il numero negli appunti (Ctrl+C)</source>
        <translation>Copy the number to the clipboard (Ctrl+C)</translation>
    </message>
    <message>
        <source>Al &amp;messaggio</source>
        <translation>To &amp;message</translation>
    </message>
    <message>
        <source>Scrive il numero nella casella del messaggio</source>
        <translation>Write the number into the message box</translation>
    </message>
</context>
<context>
    <name>accessories::MP3Play</name>
    <message>
        <source>non si apre (tempo scaduto)</source>
        <translation>it does not open (timed out)</translation>
    </message>
    <message>
        <source>Il lettore non può suonare: manca il suo modulo audio (%1).</source>
        <translation>The player cannot play: its sound module is missing (%1).</translation>
    </message>
    <message>
        <source>il file non c&apos;è più</source>
        <translation>the file is gone</translation>
    </message>
    <message>
        <source>non è un file normale</source>
        <translation>it is not a regular file</translation>
    </message>
    <message>
        <source>non si ha il permesso di leggerlo</source>
        <translation>there is no permission to read it</translation>
    </message>
    <message>
        <source>Impossibile riprodurre «%1»: %2.</source>
        <translation>Cannot play “%1”: %2.</translation>
    </message>
    <message>
        <source>Nessun brano della lista si può riprodurre.</source>
        <translation>No piece of the list can be played.</translation>
    </message>
    <message>
        <source>Passo al brano successivo.</source>
        <translation>Going on with the next piece.</translation>
    </message>
    <message>
        <source>non è un file audio o è danneggiato</source>
        <translation>it is not an audio file or it is damaged</translation>
    </message>
    <message>
        <source>su questo computer manca il decodificatore per il suo formato</source>
        <translation>this computer has no decoder for its format</translation>
    </message>
    <message>
        <source>errore del lettore (%1)</source>
        <translation>player error (%1)</translation>
    </message>
</context>
<context>
    <name>accessories::PlayList</name>
    <message>
        <source>%1, non riproducibile</source>
        <translation>%1, cannot be played</translation>
    </message>
    <message>
        <source>%1, brano corrente</source>
        <translation>%1, current piece</translation>
    </message>
</context>
<context>
    <name>accessories::frmMP3Play</name>
    <message>
        <source>Lettore musicale</source>
        <translation>Music player</translation>
    </message>
    <message>
        <source>Posizione nel brano</source>
        <translation>Position in the piece</translation>
    </message>
    <message>
        <source>Brano precedente (Ctrl+Sinistra)</source>
        <translation>Previous piece (Ctrl+Left)</translation>
    </message>
    <message>
        <source>Riproduci (Ctrl+P)</source>
        <translation>Play (Ctrl+P)</translation>
    </message>
    <message>
        <source>Ferma (Ctrl+.)</source>
        <translation>Stop (Ctrl+.)</translation>
    </message>
    <message>
        <source>Brano successivo (Ctrl+Destra)</source>
        <translation>Next piece (Ctrl+Right)</translation>
    </message>
    <message>
        <source>Ripeti</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>Ripeti la lista (Ctrl+R)</source>
        <translation>Repeat the list (Ctrl+R)</translation>
    </message>
    <message>
        <source>Silenzio (Ctrl+M)</source>
        <translation>Mute (Ctrl+M)</translation>
    </message>
    <message>
        <source>Volume del lettore</source>
        <translation>Player volume</translation>
    </message>
    <message>
        <source>Volume del lettore, senza toccare quello del sistema (Ctrl+Su, Ctrl+Giù)</source>
        <translation>The player&apos;s volume, leaving the system&apos;s alone (Ctrl+Up, Ctrl+Down)</translation>
    </message>
    <message>
        <source>Lista dei brani</source>
        <translation>Play list</translation>
    </message>
    <message>
        <source>&amp;Apri…</source>
        <translation>&amp;Open…</translation>
    </message>
    <message>
        <source>Aggiungi dei file musicali alla lista (Ctrl+O)</source>
        <translation>Add music files to the list (Ctrl+O)</translation>
    </message>
    <message>
        <source>&amp;Togli</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>Togli il brano scelto dalla lista (Canc)</source>
        <translation>Remove the chosen piece from the list (Delete)</translation>
    </message>
    <message>
        <source>S&amp;vuota</source>
        <translation>C&amp;lear</translation>
    </message>
    <message>
        <source>Svuota la lista</source>
        <translation>Clear the list</translation>
    </message>
    <message>
        <source>Apri musica</source>
        <translation>Open music</translation>
    </message>
    <message>
        <source>Musica (*.mp3 *.wma *.ogg *.oga *.opus *.flac *.wav *.m4a *.aac)</source>
        <translation>Music (*.mp3 *.wma *.ogg *.oga *.opus *.flac *.wav *.m4a *.aac)</translation>
    </message>
    <message>
        <source>Tutti i file (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Pausa (Ctrl+P)</source>
        <translation>Pause (Ctrl+P)</translation>
    </message>
</context>
<context>
    <name>accessories::frmZoom</name>
    <message>
        <source>Lente</source>
        <translation>Magnifier</translation>
    </message>
    <message>
        <source>Immagine ingrandita</source>
        <translation>Enlarged picture</translation>
    </message>
    <message>
        <source>Meno ingrandimento (-)</source>
        <translation>Zoom out (-)</translation>
    </message>
    <message>
        <source>Meno ingrandimento</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>Più ingrandimento (+)</source>
        <translation>Zoom in (+)</translation>
    </message>
    <message>
        <source>Più ingrandimento</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>&amp;Blocca</source>
        <translation>&amp;Lock</translation>
    </message>
    <message>
        <source>Blocca l&apos;area dove si trova il puntatore, o torna a seguirlo (Alt+B)</source>
        <translation>Lock the area where the pointer is, or follow it again (Alt+L)</translation>
    </message>
    <message>
        <source>&amp;Opzioni…</source>
        <translation>&amp;Options…</translation>
    </message>
    <message>
        <source>Opzioni della lente (Alt+O)</source>
        <translation>Magnifier options (Alt+O)</translation>
    </message>
    <message>
        <source>Ingrandimento %1 volte</source>
        <translation>Zoom %1 times</translation>
    </message>
    <message>
        <source>Questo sistema non lascia leggere lo schermo ai programmi: la lente ingrandisce solo le finestre di Tavernix.</source>
        <translation>This system does not let programs read the screen: the magnifier enlarges only the windows of Tavernix.</translation>
    </message>
</context>
<context>
    <name>accessories::frmZoomOptions</name>
    <message>
        <source>Opzioni della lente</source>
        <translation>Magnifier options</translation>
    </message>
    <message>
        <source>Ingrandimento</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>&amp;Attorno al puntatore</source>
        <translation>&amp;Around the pointer</translation>
    </message>
    <message>
        <source>Area &amp;fissa, centrata in:</source>
        <translation>&amp;Fixed area, centred on:</translation>
    </message>
    <message>
        <source>Centro dell&apos;area fissa, X</source>
        <translation>Centre of the fixed area, X</translation>
    </message>
    <message>
        <source>Centro dell&apos;area fissa, Y</source>
        <translation>Centre of the fixed area, Y</translation>
    </message>
    <message>
        <source>Area ingrandita</source>
        <translation>Enlarged area</translation>
    </message>
    <message>
        <source>Si ingrandisce tutto lo schermo; le coordinate sono quelle dello schermo.</source>
        <translation>The whole screen is enlarged; the coordinates are the screen&apos;s.</translation>
    </message>
    <message>
        <source>Questo sistema non lascia leggere lo schermo ai programmi: si ingrandiscono solo le finestre di Tavernix; l&apos;area fissa ha le coordinate della finestra principale.</source>
        <translation>This system does not let programs read the screen: only the windows of Tavernix are enlarged; the fixed area has the main window&apos;s coordinates.</translation>
    </message>
    <message>
        <source>Larghezza dell&apos;immagine</source>
        <translation>Picture width</translation>
    </message>
    <message>
        <source>Altezza dell&apos;immagine</source>
        <translation>Picture height</translation>
    </message>
    <message>
        <source>Posizione della finestra, da sinistra</source>
        <translation>Window position, from the left</translation>
    </message>
    <message>
        <source>Posizione della finestra, dall&apos;alto</source>
        <translation>Window position, from the top</translation>
    </message>
    <message>
        <source>Aggiornamento, in millisecondi</source>
        <translation>Refresh, in milliseconds</translation>
    </message>
    <message>
        <source>&amp;Ingrandimento:</source>
        <translation>&amp;Zoom:</translation>
    </message>
    <message>
        <source>&amp;Dimensioni dell&apos;immagine:</source>
        <translation>Picture &amp;size:</translation>
    </message>
    <message>
        <source>&amp;Posizione della finestra:</source>
        <translation>Window &amp;position:</translation>
    </message>
    <message>
        <source>A&amp;ggiornamento ogni:</source>
        <translation>&amp;Refresh every:</translation>
    </message>
    <message>
        <source>&amp;Applica</source>
        <translation>Appl&amp;y</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>accessories::ppFileName</name>
    <message>
        <source>Nessun brano</source>
        <translation>No piece</translation>
    </message>
    <message>
        <source>Aprire dei file musicali con &quot;Apri&quot; o trascinarli qui.</source>
        <translation>Open music files with &quot;Open&quot; or drag them here.</translation>
    </message>
</context>
<context>
    <name>app::MainWindowAccess</name>
    <message>
        <source>Nome</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Il nome con cui parli al tavolo</source>
        <translation>The name you speak with at the table</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Indirizzo dell&apos;host a cui connettersi, o un invito; Invio per connettersi</source>
        <translation>Address of the host to connect to, or an invitation; Enter connects</translation>
    </message>
    <message>
        <source>Indirizzi dei personaggi</source>
        <translation>Characters&apos; addresses</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>Ospita una sessione: gli altri si connettono a te (Alt+H)</source>
        <translation>Hosts a session: the others connect to you (Alt+H)</translation>
    </message>
    <message>
        <source>Connetti</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Si connette all&apos;host scritto in Server (Alt+C)</source>
        <translation>Connects to the host written in Server (Alt+C)</translation>
    </message>
    <message>
        <source>Sconnetti</source>
        <translation>Leave</translation>
    </message>
    <message>
        <source>Chiude la sessione (Alt+S)</source>
        <translation>Closes the session (Alt+S)</translation>
    </message>
    <message>
        <source>Kick</source>
        <translation>Kick</translation>
    </message>
    <message>
        <source>Allontana dal tavolo i personaggi selezionati</source>
        <translation>Sends the selected characters away from the table</translation>
    </message>
    <message>
        <source>Porta</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Sceglie la porta della sessione</source>
        <translation>Chooses the session&apos;s port</translation>
    </message>
    <message>
        <source>Sempre in primo piano</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>Raggiungibilità e invito</source>
        <translation>Reachability and invitation</translation>
    </message>
    <message>
        <source>Dimensioni della finestra</source>
        <translation>Window size</translation>
    </message>
    <message>
        <source>Personaggi</source>
        <translation>Characters</translation>
    </message>
    <message>
        <source>Spazio seleziona o deseleziona: i selezionati ricevono i messaggi privati</source>
        <translation>Space selects or deselects: the selected ones get the private messages</translation>
    </message>
    <message>
        <source>Deseleziona tutto</source>
        <translation>Deselect all</translation>
    </message>
    <message>
        <source>Stato</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Connessioni, arrivi e partenze</source>
        <translation>Connections, arrivals and departures</translation>
    </message>
    <message>
        <source>Eventi</source>
        <translation>Events</translation>
    </message>
    <message>
        <source>Mostra i messaggi inviati e ricevuti</source>
        <translation>Shows the messages sent and received</translation>
    </message>
    <message>
        <source>Esplora risorse</source>
        <translation>Browse files</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>Cerca nel dialogo</source>
        <translation>Find in the conversation</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>Trasferimento file</source>
        <translation>File transfer</translation>
    </message>
    <message>
        <source>Ctrl+T</source>
        <translation>Ctrl+T</translation>
    </message>
    <message>
        <source>Ora nei messaggi</source>
        <translation>Time in the messages</translation>
    </message>
    <message>
        <source>Mostra l&apos;ora davanti a ogni nuova riga</source>
        <translation>Shows the time before every new line</translation>
    </message>
    <message>
        <source>Colori nei messaggi</source>
        <translation>Colours in the messages</translation>
    </message>
    <message>
        <source>Colora chi parla, le azioni e la narrazione</source>
        <translation>Colours the speakers, the actions and the narration</translation>
    </message>
    <message>
        <source>Casella di dialogo</source>
        <translation>Conversation</translation>
    </message>
    <message>
        <source>Le righe della conversazione; frecce su e giù per leggerle una a una</source>
        <translation>The conversation&apos;s lines; up and down arrows read them one by one</translation>
    </message>
    <message>
        <source>Privato</source>
        <translation>Private</translation>
    </message>
    <message>
        <source>Il messaggio va solo ai personaggi selezionati (Alt+P)</source>
        <translation>The message goes to the selected characters only (Alt+P)</translation>
    </message>
    <message>
        <source>Numero di dadi</source>
        <translation>Number of dice</translation>
    </message>
    <message>
        <source>Frecce per cambiarlo, Invio per lanciare</source>
        <translation>Arrows change it, Enter rolls</translation>
    </message>
    <message>
        <source>Valore di ogni dado</source>
        <translation>Value of each die</translation>
    </message>
    <message>
        <source>Spazio mostra o nasconde il valore di ogni dado nel risultato</source>
        <translation>Space shows or hides the value of each die in the result</translation>
    </message>
    <message>
        <source>Facce di ogni dado</source>
        <translation>Faces of each die</translation>
    </message>
    <message>
        <source>Frecce per cambiarle, Invio per lanciare (Ctrl+R)</source>
        <translation>Arrows change them, Enter rolls (Ctrl+R)</translation>
    </message>
    <message>
        <source>Modo di parlare</source>
        <translation>Way of speaking</translation>
    </message>
    <message>
        <source>Parla Ctrl+1, Azione Ctrl+2, Narra Ctrl+3</source>
        <translation>Say Ctrl+1, Action Ctrl+2, Narrate Ctrl+3</translation>
    </message>
    <message>
        <source>Messaggio</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Invio manda il messaggio</source>
        <translation>Enter sends the message</translation>
    </message>
    <message>
        <source>Invia</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Lavagna</source>
        <translation>Board</translation>
    </message>
    <message>
        <source>Frecce per scorrerla, + e − per lo zoom</source>
        <translation>Arrows scroll it, + and − zoom</translation>
    </message>
    <message>
        <source>Scorrimento orizzontale della lavagna</source>
        <translation>The board&apos;s horizontal scroll bar</translation>
    </message>
    <message>
        <source>Scorrimento verticale della lavagna</source>
        <translation>The board&apos;s vertical scroll bar</translation>
    </message>
    <message>
        <source>Esplora immagine</source>
        <translation>Explore picture</translation>
    </message>
    <message>
        <source>Riduci la lavagna</source>
        <translation>Show the board smaller</translation>
    </message>
    <message>
        <source>Ctrl+meno</source>
        <translation>Ctrl+minus</translation>
    </message>
    <message>
        <source>Ingrandisci la lavagna</source>
        <translation>Show the board larger</translation>
    </message>
    <message>
        <source>Ctrl+più</source>
        <translation>Ctrl+plus</translation>
    </message>
    <message>
        <source>Mostra tutta la lavagna</source>
        <translation>Show the whole board</translation>
    </message>
    <message>
        <source>Lavagna a grandezza reale</source>
        <translation>Board at its own size</translation>
    </message>
    <message>
        <source>Ctrl+0</source>
        <translation>Ctrl+0</translation>
    </message>
    <message>
        <source>Finestra stretta</source>
        <translation>Narrow window</translation>
    </message>
    <message>
        <source>Schermo intero</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>F11</source>
        <translation>F11</translation>
    </message>
    <message>
        <source>Finestra larga</source>
        <translation>Wide window</translation>
    </message>
    <message>
        <source>Finestra media</source>
        <translation>Medium window</translation>
    </message>
    <message>
        <source>Pulisci la lavagna</source>
        <translation>Clear the board</translation>
    </message>
    <message>
        <source>Mano libera</source>
        <translation>Freehand</translation>
    </message>
    <message>
        <source>Linee rette</source>
        <translation>Straight lines</translation>
    </message>
    <message>
        <source>Cerchi</source>
        <translation>Circles</translation>
    </message>
    <message>
        <source>Colora</source>
        <translation>Fill</translation>
    </message>
    <message>
        <source>Testo</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Approssima alla griglia</source>
        <translation>Snap to grid</translation>
    </message>
    <message>
        <source>Collega le linee</source>
        <translation>Join the lines</translation>
    </message>
    <message>
        <source>Crea reticolo</source>
        <translation>Make a grid</translation>
    </message>
    <message>
        <source>Colore</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>Il colore con cui si disegna</source>
        <translation>The colour you draw with</translation>
    </message>
    <message>
        <source>Stile di disegno</source>
        <translation>Drawing style</translation>
    </message>
    <message>
        <source>Spessore della penna</source>
        <translation>Pen width</translation>
    </message>
    <message>
        <source>In pixel, da 1 a 25</source>
        <translation>In pixels, from 1 to 25</translation>
    </message>
    <message>
        <source>Larghezza dell&apos;immagine</source>
        <translation>Picture width</translation>
    </message>
    <message>
        <source>Altezza dell&apos;immagine</source>
        <translation>Picture height</translation>
    </message>
    <message>
        <source>Ridimensiona/Copia appunti</source>
        <translation>Resize/Copy to clipboard</translation>
    </message>
    <message>
        <source>Copia la lavagna negli appunti e porta l&apos;immagine alla larghezza e altezza scritte</source>
        <translation>Copies the board to the clipboard and brings the picture to the width and height written</translation>
    </message>
    <message>
        <source>Incolla appunti</source>
        <translation>Paste from clipboard</translation>
    </message>
    <message>
        <source>Condividi con il tavolo</source>
        <translation>Share with the table</translation>
    </message>
    <message>
        <source>Ripristina lavagna</source>
        <translation>Restore board</translation>
    </message>
    <message>
        <source>Solo l&apos;host può pulire la lavagna</source>
        <translation>Only the host can clear the board</translation>
    </message>
    <message>
        <source>Programma del riquadro 1</source>
        <translation>Program of pane 1</translation>
    </message>
    <message>
        <source>Programma del riquadro 2</source>
        <translation>Program of pane 2</translation>
    </message>
    <message>
        <source>Programma del riquadro 3</source>
        <translation>Program of pane 3</translation>
    </message>
    <message>
        <source>Programma del riquadro 4</source>
        <translation>Program of pane 4</translation>
    </message>
    <message>
        <source>Avvia</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Ingrandisci il riquadro in alto a sinistra</source>
        <translation>Enlarge the top left pane</translation>
    </message>
    <message>
        <source>Ingrandisci il riquadro in alto a destra</source>
        <translation>Enlarge the top right pane</translation>
    </message>
    <message>
        <source>Ingrandisci il riquadro in basso a sinistra</source>
        <translation>Enlarge the bottom left pane</translation>
    </message>
    <message>
        <source>Ingrandisci il riquadro in basso a destra</source>
        <translation>Enlarge the bottom right pane</translation>
    </message>
    <message>
        <source>Larghezza del pannello dei programmi</source>
        <translation>The program panel&apos;s width</translation>
    </message>
    <message>
        <source>Altezza del pannello dei programmi</source>
        <translation>The program panel&apos;s height</translation>
    </message>
    <message>
        <source>Messaggi inviati</source>
        <translation>Sent messages</translation>
    </message>
    <message>
        <source>Messaggi ricevuti</source>
        <translation>Received messages</translation>
    </message>
    <message>
        <source>Colore della tavolozza; con la tastiera: la lista Colore</source>
        <translation>Palette colour; from the keyboard: the Colour list</translation>
    </message>
    <message>
        <source>Ospita una sessione (Host)</source>
        <translation>Host a session (Host)</translation>
    </message>
    <message>
        <source>Va all&apos;indirizzo del server</source>
        <translation>Go to the server&apos;s address</translation>
    </message>
    <message>
        <source>Privato sì o no</source>
        <translation>Private on or off</translation>
    </message>
    <message>
        <source>Parla</source>
        <translation>Say</translation>
    </message>
    <message>
        <source>Azione</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Narra</source>
        <translation>Narrate</translation>
    </message>
    <message>
        <source>Lancia i dadi scelti</source>
        <translation>Roll the chosen dice</translation>
    </message>
    <message>
        <source>Ingrandisce la lavagna</source>
        <translation>Show the board larger</translation>
    </message>
    <message>
        <source>Riduce la lavagna</source>
        <translation>Show the board smaller</translation>
    </message>
    <message>
        <source>Schermo intero sì o no</source>
        <translation>Full screen on or off</translation>
    </message>
    <message>
        <source>Passa alla zona seguente della finestra</source>
        <translation>Go to the window&apos;s next area</translation>
    </message>
    <message>
        <source>Passa alla zona precedente</source>
        <translation>Go to the previous area</translation>
    </message>
    <message>
        <source>Chiude il programma</source>
        <translation>Quit the program</translation>
    </message>
</context>
<context>
    <name>app::MessageBoxService</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Sì</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
</context>
<context>
    <name>app::PrivateTable</name>
    <message>
        <source>La porta dei file resta senza cifratura: %1</source>
        <translation>The file port stays unencrypted: %1</translation>
    </message>
    <message>
        <source>Connessione cifrata con il tavolo (impronta %1).</source>
        <translation>Encrypted connection to the table (fingerprint %1).</translation>
    </message>
    <message>
        <source>Attenzione: la connessione con il tavolo NON è cifrata. Chi sta sulla stessa rete può leggere e alterare la partita.</source>
        <translation>Warning: the connection to the table is NOT encrypted. Anyone on the same network can read and alter the game.</translation>
    </message>
    <message>
        <source>Un nuovo invito si fa mentre si ospita il tavolo.</source>
        <translation>A new invitation can only be made while hosting the table.</translation>
    </message>
    <message>
        <source>Nuovo invito: gli inviti dati finora non fanno più entrare chi non è già seduto.</source>
        <translation>New invitation: the invitations given so far no longer let in anyone who is not already seated.</translation>
    </message>
    <message>
        <source>Parola d&apos;ordine del tavolo tolta.</source>
        <translation>Table password removed.</translation>
    </message>
    <message>
        <source>Parola d&apos;ordine del tavolo impostata.</source>
        <translation>Table password set.</translation>
    </message>
</context>
<context>
    <name>app::frmMain</name>
    <message>
        <source>Nome:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>Connetti</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Sconnetti</source>
        <translation>Leave</translation>
    </message>
    <message>
        <source>Kick</source>
        <translation>Kick</translation>
    </message>
    <message>
        <source>Deseleziona tutto</source>
        <translation>Deselect all</translation>
    </message>
    <message>
        <source>Porta</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Sempre in primo piano</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>Personaggi:</source>
        <translation>Characters:</translation>
    </message>
    <message>
        <source>Casella di dialogo:</source>
        <translation>Conversation:</translation>
    </message>
    <message>
        <source>Messaggio:</source>
        <translation>Message:</translation>
    </message>
    <message>
        <source>Cerca</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Trasferimento file</source>
        <translation>File transfer</translation>
    </message>
    <message>
        <source>Raggiungibilità e invito</source>
        <translation>Reachability and invitation</translation>
    </message>
    <message>
        <source>Invito per %1 non usato: c&apos;è già una sessione in corso. Premere &quot;Sconnetti&quot; e aprire di nuovo l&apos;invito.</source>
        <translation>Invitation to %1 not used: a session is already running. Press &quot;Leave&quot; and open the invitation again.</translation>
    </message>
    <message>
        <source>Invito ricevuto: %1, porta %2. Premere &quot;Connetti&quot;.</source>
        <translation>Invitation received: %1, port %2. Press &quot;Connect&quot;.</translation>
    </message>
    <message>
        <source>Esplora risorse</source>
        <translation>Browse files</translation>
    </message>
    <message>
        <source>Per ospitare una sessione serve un nome: scriverlo in &quot;Nome:&quot;.</source>
        <translation>Hosting a session needs a name: type it into &quot;Name:&quot;.</translation>
    </message>
    <message>
        <source>Per connettersi serve un nome: scriverlo in &quot;Nome:&quot;.</source>
        <translation>Connecting needs a name: type it into &quot;Name:&quot;.</translation>
    </message>
    <message>
        <source>Sbagliato!</source>
        <translation>Wrong!</translation>
    </message>
    <message>
        <source>Calcolatrice</source>
        <translation>Calculator</translation>
    </message>
    <message>
        <source>Lente</source>
        <translation>Magnifier</translation>
    </message>
    <message>
        <source>Lettore musicale</source>
        <translation>Music player</translation>
    </message>
    <message>
        <source>Suggerimento: &quot;Colori&quot;, l&apos;ultimo pulsante accanto a &quot;Casella di dialogo:&quot;, mostra parlato, azioni e narrazione in colori diversi.</source>
        <translation>Tip: &quot;Colours&quot;, the last button beside &quot;Conversation:&quot;, shows speech, actions and narration in different colours.</translation>
    </message>
    <message>
        <source>La porta %1 dell&apos;invito vale solo per %2: per %3 si usa la porta %4 (&quot;Porta&quot; per cambiarla).</source>
        <translation>The invitation&apos;s port %1 holds for %2 only: %3 is reached on port %4 (&quot;Port&quot; to change it).</translation>
    </message>
    <message>
        <source>un altro indirizzo</source>
        <translation>another address</translation>
    </message>
    <message>
        <source>Banna (espelle e non lascia più entrare dal suo indirizzo)</source>
        <translation>Ban (expels and no longer lets in from that address)</translation>
    </message>
    <message>
        <source>Se conosci la parola d&apos;ordine del tavolo, scrivila qui:</source>
        <translation>If you know the table&apos;s password, type it here:</translation>
    </message>
    <message>
        <source>Entra</source>
        <translation>Enter</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>app::frmPorts</name>
    <message>
        <source>Porta</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Porta:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>La porta deve essere un numero intero compreso tra 1 e 65535.</source>
        <translation>The port must be a whole number from 1 to 65535.</translation>
    </message>
    <message>
        <source>La porta della sessione, da 1 a 65535</source>
        <translation>The session&apos;s port, from 1 to 65535</translation>
    </message>
</context>
<context>
    <name>app::frmRaggiungibilita</name>
    <message>
        <source>Raggiungibilità</source>
        <translation>Reachability</translation>
    </message>
    <message>
        <source>Porta della sessione:</source>
        <translation>Session port:</translation>
    </message>
    <message>
        <source>Porta dei file:</source>
        <translation>File port:</translation>
    </message>
    <message>
        <source>Inviti da dare agli altri giocatori:</source>
        <translation>Invitations to give the other players:</translation>
    </message>
    <message>
        <source>Copia invito</source>
        <translation>Copy invitation</translation>
    </message>
    <message>
        <source>Chiedi al router di aprire le porte (UPnP, NAT-PMP)</source>
        <translation>Ask the router to open the ports (UPnP, NAT-PMP)</translation>
    </message>
    <message>
        <source>Nessuna richiesta al router.</source>
        <translation>Nothing asked of the router.</translation>
    </message>
    <message>
        <source>Richieste al router disattivate.</source>
        <translation>Requests to the router switched off.</translation>
    </message>
    <message>
        <source>Invito copiato: %1</source>
        <translation>Invitation copied: %1</translation>
    </message>
    <message>
        <source>Inviti</source>
        <translation>Invitations</translation>
    </message>
    <message>
        <source>Gli indirizzi da dare agli altri giocatori</source>
        <translation>The addresses to give the other players</translation>
    </message>
    <message>
        <source>Chiedi al router di aprire le porte</source>
        <translation>Ask the router to open the ports</translation>
    </message>
    <message>
        <source>Tavolo riservato</source>
        <translation>Private table</translation>
    </message>
    <message>
        <source>Chi può sedersi al tavolo:</source>
        <translation>Who may sit at the table:</translation>
    </message>
    <message>
        <source>Rete locale libera, da Internet solo con l&apos;invito</source>
        <translation>Local network open, from the Internet only with the invitation</translation>
    </message>
    <message>
        <source>Solo chi ha l&apos;invito o la parola d&apos;ordine</source>
        <translation>Only those with the invitation or the password</translation>
    </message>
    <message>
        <source>Chiunque trovi la porta</source>
        <translation>Anyone who finds the port</translation>
    </message>
    <message>
        <source>Parola d&apos;ordine del tavolo (facoltativa)</source>
        <translation>Table password (optional)</translation>
    </message>
    <message>
        <source>Imposta</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Nuovo invito</source>
        <translation>New invitation</translation>
    </message>
    <message>
        <source>Una chiave nuova: gli inviti dati finora non fanno più entrare, chi è già seduto resta</source>
        <translation>A new key: the invitations given so far no longer let anyone in; those already seated stay</translation>
    </message>
    <message>
        <source>Impronta di questo programma: non ancora creata.</source>
        <translation>This program&apos;s fingerprint: not made yet.</translation>
    </message>
    <message>
        <source>Impronta di questo programma: %1</source>
        <translation>This program&apos;s fingerprint: %1</translation>
    </message>
    <message>
        <source>Impronta del tavolo a cui sei collegato: %1</source>
        <translation>Fingerprint of the table you are connected to: %1</translation>
    </message>
    <message>
        <source>Impronta di questo programma</source>
        <translation>This program&apos;s fingerprint</translation>
    </message>
    <message>
        <source>Impronta del tavolo a cui sei collegato</source>
        <translation>Fingerprint of the table you are connected to</translation>
    </message>
    <message>
        <source>Chi può sedersi al tavolo</source>
        <translation>Who may sit at the table</translation>
    </message>
    <message>
        <source>Parola d&apos;ordine del tavolo</source>
        <translation>Table password</translation>
    </message>
    <message>
        <source>Conservata solo come impronta; vuota e Imposta la toglie</source>
        <translation>Kept only as a hash; empty and Set removes it</translation>
    </message>
    <message>
        <source>Imposta la parola d&apos;ordine</source>
        <translation>Set the password</translation>
    </message>
    <message>
        <source>Sei al tavolo di un altro: chi può sedersi e la parola d&apos;ordine li sceglie chi lo ospita. Si impostano qui quando non sei collegato.</source>
        <translation>You are at someone else&apos;s table: who may sit down and the password are chosen by whoever hosts it. Set them here when you are not connected.</translation>
    </message>
</context>
<context>
    <name>board::BoardImages</name>
    <message>
        <source>Immagine non valida.</source>
        <translation>Invalid picture.</translation>
    </message>
    <message>
        <source>non è un&apos;immagine PNG o JPEG.</source>
        <translation>it is not a PNG or JPEG picture.</translation>
    </message>
    <message>
        <source>l&apos;intestazione dell&apos;immagine non è leggibile.</source>
        <translation>the picture&apos;s header cannot be read.</translation>
    </message>
    <message>
        <source>dichiara %1 × %2 pixel, oltre il limite di %3 pixel per lato e %4 MiB di pixel.</source>
        <translation>it claims %1 × %2 pixels, beyond the limit of %3 pixels a side and %4 MiB of pixels.</translation>
    </message>
    <message>
        <source>l&apos;immagine è danneggiata o incompleta.</source>
        <translation>the picture is damaged or incomplete.</translation>
    </message>
    <message>
        <source>l&apos;immagine non corrisponde alla sua intestazione.</source>
        <translation>the picture does not match its header.</translation>
    </message>
    <message>
        <source>Dimensioni non valide: larghezza e altezza vanno da 1 a %1 pixel.</source>
        <translation>Invalid size: width and height go from 1 to %1 pixels.</translation>
    </message>
    <message>
        <source>Memoria insufficiente per un&apos;immagine di %1 × %2 pixel.</source>
        <translation>Not enough memory for a picture of %1 × %2 pixels.</translation>
    </message>
</context>
<context>
    <name>board::BoardPanel</name>
    <message>
        <source>Mano libera</source>
        <translation>Freehand</translation>
    </message>
    <message>
        <source>Linee rette</source>
        <translation>Straight lines</translation>
    </message>
    <message>
        <source>Cerchi</source>
        <translation>Circles</translation>
    </message>
    <message>
        <source>Colora</source>
        <translation>Fill</translation>
    </message>
    <message>
        <source>Testo</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Approssima</source>
        <translation>Snap to grid</translation>
    </message>
    <message>
        <source>Collega</source>
        <translation>Connect lines</translation>
    </message>
    <message>
        <source>Lavagna:</source>
        <translation>Board:</translation>
    </message>
    <message>
        <source>Esplora immagine</source>
        <translation>Explore picture</translation>
    </message>
    <message>
        <source>Area visibile di picImm</source>
        <translation>Visible area of the picture</translation>
    </message>
    <message>
        <source>Pulisci</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Ripristina lavagna</source>
        <translation>Restore board</translation>
    </message>
    <message>
        <source>Solo l&apos;host può pulire la lavagna</source>
        <translation>Only the host can clear the board</translation>
    </message>
    <message>
        <source>Riduci la lavagna (Ctrl + rotella, tasto −)</source>
        <translation>Zoom the board out (Ctrl + wheel, − key)</translation>
    </message>
    <message>
        <source>Ingrandisci la lavagna (Ctrl + rotella, tasto +)</source>
        <translation>Zoom the board in (Ctrl + wheel, + key)</translation>
    </message>
    <message>
        <source>Mostra tutta la lavagna</source>
        <translation>Show the whole board</translation>
    </message>
    <message>
        <source>Lavagna a grandezza reale (100 %); ora al %1</source>
        <translation>Board at actual size (100 %); now at %1</translation>
    </message>
    <message>
        <source>Crea reticolo</source>
        <translation>Make a grid</translation>
    </message>
    <message>
        <source>Larghezza</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Altezza</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>Ridimensiona/Copia appunti</source>
        <translation>Resize/Copy to clipboard</translation>
    </message>
    <message>
        <source>Incolla appunti</source>
        <translation>Paste from clipboard</translation>
    </message>
    <message>
        <source>Condividi con il tavolo: l&apos;immagine della lavagna compare sulla lavagna di tutti</source>
        <translation>Share with the table: the board&apos;s picture appears on everyone&apos;s board</translation>
    </message>
    <message>
        <source>Pulire la lavagna per tutti?</source>
        <translation>Clear the board for everyone?</translation>
    </message>
    <message>
        <source>Pulire la lavagna?</source>
        <translation>Clear the board?</translation>
    </message>
    <message>
        <source>Condividere l&apos;immagine con il tavolo?</source>
        <translation>Share the picture with the table?</translation>
    </message>
    <message>
        <source>L&apos;immagine è più grande della lavagna (%1 × %2 pixel): gli altri ne vedrebbero solo la parte in alto a sinistra.

Adattarla alla lavagna prima di condividerla? (Sì: intera e ridotta, anche qui; No: alle sue dimensioni)</source>
        <translation>The picture is larger than the board (%1 × %2 pixels): the others would see only its top-left part.

Fit it to the board before sharing it? (Yes: whole and shrunk, here too; No: at its own size)</translation>
    </message>
</context>
<context>
    <name>board::BoundedDecode</name>
    <message>
        <source>l&apos;immagine è danneggiata o incompleta.</source>
        <translation>the picture is damaged or incomplete.</translation>
    </message>
</context>
<context>
    <name>board::DrawingTools</name>
    <message>
        <source>Mano Libera</source>
        <translation>Freehand</translation>
    </message>
    <message>
        <source>Linee Rette</source>
        <translation>Lines</translation>
    </message>
    <message>
        <source>Rettangoli</source>
        <translation>Rectangles</translation>
    </message>
    <message>
        <source>Cerchi</source>
        <translation>Circles</translation>
    </message>
    <message>
        <source>Colora</source>
        <translation>Fill</translation>
    </message>
    <message>
        <source>Selezionare un colore prima...</source>
        <translation>Choose a colour first...</translation>
    </message>
</context>
<context>
    <name>board::GridPainter</name>
    <message>
        <source>Lineare</source>
        <translation>Lines</translation>
    </message>
    <message>
        <source>Orizzontale</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>Puntiforme</source>
        <translation>Dots</translation>
    </message>
    <message>
        <source>Verticale</source>
        <translation>Vertical</translation>
    </message>
</context>
<context>
    <name>board::Palette</name>
    <message>
        <source>Bianco</source>
        <translation>White</translation>
    </message>
    <message>
        <source>Nero</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>Grigio</source>
        <translation>Grey</translation>
    </message>
    <message>
        <source>Grigio fumo</source>
        <translation>Smoke grey</translation>
    </message>
    <message>
        <source>Rosso scuro</source>
        <translation>Dark red</translation>
    </message>
    <message>
        <source>Rosso</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>Marrone</source>
        <translation>Brown</translation>
    </message>
    <message>
        <source>Arancione</source>
        <translation>Orange</translation>
    </message>
    <message>
        <source>Verde scuro</source>
        <translation>Dark green</translation>
    </message>
    <message>
        <source>Verde acceso</source>
        <translation>Bright green</translation>
    </message>
    <message>
        <source>Giallo scuro</source>
        <translation>Dark yellow</translation>
    </message>
    <message>
        <source>Giallo</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>Viola scuro</source>
        <translation>Dark violet</translation>
    </message>
    <message>
        <source>Porpora</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>Blu notte</source>
        <translation>Navy blue</translation>
    </message>
    <message>
        <source>Blu</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>Azzurro</source>
        <translation>Light blue</translation>
    </message>
    <message>
        <source>Lilla</source>
        <translation>Lilac</translation>
    </message>
    <message>
        <source>Rosa</source>
        <translation>Pink</translation>
    </message>
    <message>
        <source>Arancione chiaro</source>
        <translation>Light orange</translation>
    </message>
    <message>
        <source>Verde chiaro</source>
        <translation>Light green</translation>
    </message>
    <message>
        <source>Giallo sabbia</source>
        <translation>Sand yellow</translation>
    </message>
    <message>
        <source>Rosso sangue</source>
        <translation>Blood red</translation>
    </message>
    <message>
        <source>Verde</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>Turchese</source>
        <translation>Turquoise</translation>
    </message>
    <message>
        <source>Viola</source>
        <translation>Violet</translation>
    </message>
</context>
<context>
    <name>board::PaletteWidget</name>
    <message>
        <source>Colori</source>
        <translation>Colours</translation>
    </message>
</context>
<context>
    <name>board::TableShare</name>
    <message>
        <source>Sulla lavagna non c&apos;è un&apos;immagine da condividere.</source>
        <translation>There is no picture on the board to share.</translation>
    </message>
    <message>
        <source>Nessuna sessione aperta con cui condividere l&apos;immagine.</source>
        <translation>No open session to share the picture with.</translation>
    </message>
    <message>
        <source>Immagine condivisa con il tavolo.</source>
        <translation>Picture shared with the table.</translation>
    </message>
    <message>
        <source>tipo di reticolo sconosciuto.</source>
        <translation>unknown kind of grid.</translation>
    </message>
    <message>
        <source>spessore fuori dai limiti.</source>
        <translation>line width out of bounds.</translation>
    </message>
    <message>
        <source>il reticolo è troppo fitto per lo spessore scelto.</source>
        <translation>the grid is too dense for the chosen line width.</translation>
    </message>
    <message>
        <source>Il reticolo non può essere condiviso: </source>
        <translation>The grid cannot be shared: </translation>
    </message>
    <message>
        <source>Nessuna sessione aperta con cui condividere il reticolo.</source>
        <translation>No open session to share the grid with.</translation>
    </message>
    <message>
        <source>non può essere mostrata.</source>
        <translation>it cannot be shown.</translation>
    </message>
    <message>
        <source>Reticolo condiviso da %1 non disegnato: %2</source>
        <translation>Grid shared by %1 not drawn: %2</translation>
    </message>
    <message>
        <source> ha condiviso un&apos;immagine con il tavolo.</source>
        <translation> shared a picture with the table.</translation>
    </message>
    <message>
        <source> ha condiviso il reticolo.</source>
        <translation> shared the grid.</translation>
    </message>
    <message>
        <source>Preparazione dell&apos;immagine da condividere…</source>
        <translation>Preparing the picture to share…</translation>
    </message>
    <message>
        <source>L&apos;immagine è cambiata prima di essere condivisa: non è stata condivisa.</source>
        <translation>The picture changed before it could be shared: it was not shared.</translation>
    </message>
    <message>
        <source>L&apos;immagine non ha potuto essere preparata: non è stata condivisa.</source>
        <translation>The picture could not be prepared: it was not shared.</translation>
    </message>
</context>
<context>
    <name>board::frmInsText</name>
    <message>
        <source>Aggiungi testo</source>
        <translation>Add text</translation>
    </message>
    <message>
        <source>Testo:</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>Testo</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Stile:</source>
        <translation>Style:</translation>
    </message>
    <message>
        <source>Stile</source>
        <translation>Style</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Height:</translation>
    </message>
    <message>
        <source>Altezza</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Larghezza</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Weight</source>
        <translation>Weight</translation>
    </message>
    <message>
        <source>Spessore</source>
        <translation>Weight</translation>
    </message>
    <message>
        <source>Corsivo</source>
        <translation>Italic</translation>
    </message>
    <message>
        <source>Sottolineato</source>
        <translation>Underlined</translation>
    </message>
    <message>
        <source>Barrato</source>
        <translation>Strikeout</translation>
    </message>
    <message>
        <source>C</source>
        <comment>the italic button&apos;s letter</comment>
        <translation>I</translation>
    </message>
    <message>
        <source>&amp;S</source>
        <comment>the underline button&apos;s letter</comment>
        <translation>&amp;U</translation>
    </message>
    <message>
        <source>B</source>
        <comment>the strike-out button&apos;s letter</comment>
        <translation>S</translation>
    </message>
    <message>
        <source>Angolazione:</source>
        <translation>Angle:</translation>
    </message>
    <message>
        <source>Angolazione</source>
        <translation>Angle</translation>
    </message>
    <message>
        <source>Preview:</source>
        <translation>Preview:</translation>
    </message>
    <message>
        <source>Draw Preview</source>
        <translation>Draw Preview</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Inserisci testo</source>
        <translation>Insert text</translation>
    </message>
    <message>
        <source>Esci</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Selezionare un colore prima...</source>
        <translation>Choose a colour first...</translation>
    </message>
    <message>
        <source>Carattere</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>Altezza dei caratteri</source>
        <translation>Letter height</translation>
    </message>
    <message>
        <source>Larghezza dei caratteri</source>
        <translation>Letter width</translation>
    </message>
    <message>
        <source>Attiva o disattiva il corsivo</source>
        <translation>Turns italics on or off</translation>
    </message>
    <message>
        <source>Attiva o disattiva la sottolineatura</source>
        <translation>Turns underlining on or off</translation>
    </message>
    <message>
        <source>Attiva o disattiva il barrato</source>
        <translation>Turns strike-out on or off</translation>
    </message>
    <message>
        <source>Clic sul cerchio per scegliere la direzione del testo</source>
        <translation>Click on the circle to choose the text&apos;s direction</translation>
    </message>
    <message>
        <source>Anteprima</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Disegna l&apos;anteprima</source>
        <translation>Draw the preview</translation>
    </message>
</context>
<context>
    <name>board::reticolobox</name>
    <message>
        <source>Reticolo</source>
        <translation>Grid</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Condividi con il tavolo</source>
        <translation>Share with the table</translation>
    </message>
    <message>
        <source>Il reticolo compare sulla lavagna di tutti</source>
        <translation>The grid appears on everyone&apos;s board</translation>
    </message>
    <message>
        <source>Selezionare un colore prima...</source>
        <translation>Choose a colour first...</translation>
    </message>
    <message>
        <source>La procedura non è andata a buon fine: il valore immesso è troppo grande...</source>
        <translation>The procedure failed: the value entered is too large...</translation>
    </message>
    <message>
        <source>Tipo di reticolo</source>
        <translation>Kind of grid</translation>
    </message>
    <message>
        <source>Primo passo</source>
        <translation>First step</translation>
    </message>
    <message>
        <source>In unità di 25 twip</source>
        <translation>In units of 25 twips</translation>
    </message>
    <message>
        <source>Secondo passo</source>
        <translation>Second step</translation>
    </message>
    <message>
        <source>Disegna il reticolo</source>
        <translation>Draws the grid</translation>
    </message>
    <message>
        <source>Avanzamento del reticolo</source>
        <translation>The grid&apos;s progress</translation>
    </message>
    <message>
        <source>&amp;Tipo:</source>
        <translation>&amp;Kind:</translation>
    </message>
    <message>
        <source>Passo orizzontale, in unità del reticolo (25 twip)</source>
        <translation>Horizontal step, in grid units (25 twips)</translation>
    </message>
    <message>
        <source>&amp;Passi:</source>
        <translation>&amp;Steps:</translation>
    </message>
    <message>
        <source>Passo verticale, in unità del reticolo (25 twip)</source>
        <translation>Vertical step, in grid units (25 twips)</translation>
    </message>
    <message>
        <source>Colore:</source>
        <translation>Colour:</translation>
    </message>
    <message>
        <source>Il colore scelto nella tavolozza</source>
        <translation>The colour chosen in the palette</translation>
    </message>
    <message>
        <source>nessuno</source>
        <translation>none</translation>
    </message>
    <message>
        <source>Scegliere un colore nella tavolozza della finestra principale</source>
        <translation>Choose a colour in the main window&apos;s palette</translation>
    </message>
</context>
<context>
    <name>conversation::ClockBell</name>
    <message>
        <source>Ore: </source>
        <translation>Time: </translation>
    </message>
</context>
<context>
    <name>conversation::Composer</name>
    <message>
        <source>Non si fanno queste cose %1...</source>
        <translation>You don&apos;t do such things, %1...</translation>
    </message>
    <message>
        <source>Messaggio privato non inviato: scegliere almeno un destinatario tra i Personaggi.</source>
        <translation>Private message not sent: choose at least one recipient among the Characters.</translation>
    </message>
    <message>
        <source>Messaggio privato non inviato: la connessione con l&apos;host è persa. Resta nella casella finché non si torna al tavolo.</source>
        <translation>Private message not sent: the connection to the host is lost. It stays in the box until you are back at the table.</translation>
    </message>
    <message>
        <source>Messaggio non inviato: la connessione con l&apos;host è persa.</source>
        <translation>Message not sent: the connection to the host is lost.</translation>
    </message>
</context>
<context>
    <name>conversation::ComposerPanel</name>
    <message>
        <source>Parla</source>
        <translation>Say</translation>
    </message>
    <message>
        <source>Parla: la riga appare come «Nome: testo».</source>
        <translation>Say: the line appears as «Name: text».</translation>
    </message>
    <message>
        <source>Scrivi ciò che dice il tuo personaggio</source>
        <translation>Write what your character says</translation>
    </message>
    <message>
        <source>Azione</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Azione: la riga appare come «Nome testo» (come scrivere &quot;, &quot; davanti).</source>
        <translation>Action: the line appears as «Name text» (like typing &quot;, &quot; in front).</translation>
    </message>
    <message>
        <source>Scrivi ciò che fa il tuo personaggio</source>
        <translation>Write what your character does</translation>
    </message>
    <message>
        <source>Narra</source>
        <translation>Narrate</translation>
    </message>
    <message>
        <source>Narra: la riga appare com&apos;è, senza nome (come scrivere &quot;# &quot; davanti).</source>
        <translation>Narrate: the line appears as it is, without a name (like typing &quot;# &quot; in front).</translation>
    </message>
    <message>
        <source>Scrivi la narrazione</source>
        <translation>Write the narration</translation>
    </message>
    <message>
        <source>Privato</source>
        <translation>Private</translation>
    </message>
    <message>
        <source>
Clic per scegliere tra Parla, Azione e Narra.</source>
        <translation>
Click to choose between Say, Action and Narrate.</translation>
    </message>
    <message>
        <source>Privato: nessun destinatario scelto tra i Personaggi.</source>
        <translation>Private: no recipient chosen among the Characters.</translation>
    </message>
    <message>
        <source>Privato per: %1</source>
        <translation>Private to: %1</translation>
    </message>
    <message>
        <source>Privato: nessun destinatario</source>
        <translation>Private: no recipient</translation>
    </message>
    <message>
        <source> e altri %1</source>
        <translation> and %1 more</translation>
    </message>
    <message>
        <source>Privato per %1 destinatari</source>
        <translation>Private to %1 recipients</translation>
    </message>
</context>
<context>
    <name>conversation::DialogPane</name>
    <message>
        <source>Ora</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>(già detto alle %1) </source>
        <translation>(already said at %1) </translation>
    </message>
    <message>
        <source>Colori: parlato, azioni e narrazione in colori diversi</source>
        <translation>Colours: speech, actions and narration in different colours</translation>
    </message>
    <message>
        <source>(in attesa) </source>
        <translation>(waiting) </translation>
    </message>
    <message>
        <source>(non inviato) </source>
        <translation>(not sent) </translation>
    </message>
    <message>
        <source> (inviato alle %1)</source>
        <translation> (sent at %1)</translation>
    </message>
    <message>
        <source>[non verificabile]</source>
        <translation>[not checkable]</translation>
    </message>
    <message>
        <source>[verificabile]</source>
        <translation>[checkable]</translation>
    </message>
</context>
<context>
    <name>conversation::DialogSaver</name>
    <message>
        <source>Salva dialogo…</source>
        <translation>Save conversation…</translation>
    </message>
    <message>
        <source>Conserva il dialogo in…</source>
        <translation>Keep the conversation in…</translation>
    </message>
    <message>
        <source>Non conservare più il dialogo</source>
        <translation>Stop keeping the conversation</translation>
    </message>
    <message>
        <source>Ora in: %1</source>
        <translation>Now in: %1</translation>
    </message>
    <message>
        <source>Conserva il dialogo in</source>
        <translation>Keep the conversation in</translation>
    </message>
    <message>
        <source>Salva dialogo</source>
        <translation>Save conversation</translation>
    </message>
    <message>
        <source>Pagina HTML (*.html);;Tutti i file (*)</source>
        <translation>HTML page (*.html);;All files (*)</translation>
    </message>
</context>
<context>
    <name>conversation::DiceDesk</name>
    <message>
        <source>Un tiro privato va solo a chi è scelto: non può essere anche segreto o per il master.</source>
        <translation>A private roll goes only to those chosen: it cannot also be secret or for the master.</translation>
    </message>
    <message>
        <source>Troppi tiri di seguito: aspetta un momento.</source>
        <translation>Too many rolls in a row: wait a moment.</translation>
    </message>
    <message>
        <source>Un tiro segreto o per il master lo tira l&apos;host: serve una sessione con un host Tavernix.</source>
        <translation>A secret roll or a roll for the master is rolled by the host: it needs a session with a Tavernix host.</translation>
    </message>
</context>
<context>
    <name>conversation::DicePanel</name>
    <message>
        <source>Numero di dadi: frecce su e giù per cambiarlo, Invio per lanciare</source>
        <translation>Number of dice: up and down arrows to change it, Enter to roll</translation>
    </message>
    <message>
        <source>Clic: mostra o nasconde il valore di ogni dado nel risultato. Invio in uno dei due elenchi lancia i dadi</source>
        <translation>Click: shows or hides the value of each die in the result. Enter in either list rolls the dice</translation>
    </message>
    <message>
        <source>Facce di ogni dado: frecce su e giù per cambiarle, Invio per lanciare</source>
        <translation>Faces of each die: up and down arrows to change them, Enter to roll</translation>
    </message>
    <message>
        <source>Esplicitazione del risultato per unità singole attivato.</source>
        <translation>Showing each die of the result switched on.</translation>
    </message>
    <message>
        <source>Esplicitazione del risultato per unità singole disattivato.</source>
        <translation>Showing each die of the result switched off.</translation>
    </message>
    <message>
        <source>es. 4d6kh3</source>
        <translation>e.g. 4d6kh3</translation>
    </message>
    <message>
        <source>Un tiro qualsiasi, Invio per lanciarlo: 2d6+3, 4d6kh3, 2d20kl1, 6d6!, 4d6r1, 10d10&gt;=8f1, 4dF, d%, e un&apos;etichetta dopo uno spazio (1d20+5 attacco). Nel messaggio: /r oppure /tira e il tiro.</source>
        <translation>Any roll, Enter to roll it: 2d6+3, 4d6kh3, 2d20kl1, 6d6!, 4d6r1, 10d10&gt;=8f1, 4dF, d%, and a label after a space (1d20+5 attack). In the message box: /r or /tira and the roll.</translation>
    </message>
    <message>
        <source>Tiro da lanciare</source>
        <translation>Roll to make</translation>
    </message>
    <message>
        <source>Chi vede il tiro</source>
        <translation>Who sees the roll</translation>
    </message>
    <message>
        <source>Pubblico</source>
        <translation>Public</translation>
    </message>
    <message>
        <source>Tutti vedono il tiro.</source>
        <translation>Everyone sees the roll.</translation>
    </message>
    <message>
        <source>Tiro segreto</source>
        <translation>Secret roll</translation>
    </message>
    <message>
        <source>Lo vedono chi tira e l&apos;host; gli altri sanno solo che c&apos;è stato.</source>
        <translation>The roller and the host see it; the others only know it was made.</translation>
    </message>
    <message>
        <source>Tiro per il master</source>
        <translation>Roll for the master</translation>
    </message>
    <message>
        <source>Lo vede solo l&apos;host; gli altri, chi tira compreso, sanno solo che c&apos;è stato.</source>
        <translation>Only the host sees it; the others, the roller included, only know it was made.</translation>
    </message>
    <message>
        <source>Vant.</source>
        <translation>Adv.</translation>
    </message>
    <message>
        <source>Vantaggio: tira 2d20 e tiene il più alto</source>
        <translation>Advantage: rolls 2d20 and keeps the higher</translation>
    </message>
    <message>
        <source>Vantaggio</source>
        <translation>Advantage</translation>
    </message>
    <message>
        <source>Svant.</source>
        <translation>Disadv.</translation>
    </message>
    <message>
        <source>Svantaggio: tira 2d20 e tiene il più basso</source>
        <translation>Disadvantage: rolls 2d20 and keeps the lower</translation>
    </message>
    <message>
        <source>Svantaggio</source>
        <translation>Disadvantage</translation>
    </message>
    <message>
        <source>Verifica i dadi</source>
        <translation>Check the dice</translation>
    </message>
    <message>
        <source>Verifica i dadi: l&apos;host rivela il seme e ogni programma ricalcola i tiri visti. </source>
        <translation>Check the dice: the host reveals the seed and every program recomputes the rolls it saw. </translation>
    </message>
    <message>
        <source>Segreto</source>
        <translation>Secret</translation>
    </message>
    <message>
        <source>Master</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>
Clic per scegliere tra Pubblico, Tiro segreto e Tiro per il master.</source>
        <translation>
Click to choose between Public, Secret roll and Roll for the master.</translation>
    </message>
</context>
<context>
    <name>conversation::EventsPanel</name>
    <message>
        <source>Eventi</source>
        <translation>Events</translation>
    </message>
    <message>
        <source>Messaggi inviati:</source>
        <translation>Sent messages:</translation>
    </message>
    <message>
        <source>Messaggi ricevuti:</source>
        <translation>Received messages:</translation>
    </message>
</context>
<context>
    <name>conversation::Form5</name>
    <message>
        <source>Codice Master</source>
        <translation>Master code</translation>
    </message>
    <message>
        <source>Codice</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>Scrivere il codice e premere Invio</source>
        <translation>Write the code and press Enter</translation>
    </message>
</context>
<context>
    <name>conversation::Journal</name>
    <message>
        <source>Impossibile scrivere il diario del dialogo nella cartella &quot;%1&quot;: la cartella non esiste e non si può creare, oppure non vi si può scrivere. La sessione continua senza diario.</source>
        <translation>Cannot write the conversation log in the folder &quot;%1&quot;: the folder does not exist and cannot be created, or cannot be written to. The session goes on without a log.</translation>
    </message>
    <message>
        <source>Impossibile scrivere il file &quot;%1&quot;. Il dialogo non è stato salvato.</source>
        <translation>Cannot write the file &quot;%1&quot;. The conversation was not saved.</translation>
    </message>
    <message>
        <source>Il diario del dialogo non si può più scrivere in &quot;%1&quot;: le righe seguenti non vi sono conservate finché la cartella non torna scrivibile.</source>
        <translation>The conversation log can no longer be written in &quot;%1&quot;: the following lines are not kept there until the folder can be written to again.</translation>
    </message>
    <message>
        <source>Il file del diario &quot;%1&quot; è sparito: il diario continua nel file &quot;%2&quot;.</source>
        <translation>The log file &quot;%1&quot; has gone: the log goes on in the file &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>Il diario del dialogo riprende nel file &quot;%1&quot;.</source>
        <translation>The conversation log resumes in the file &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>La sessione continua senza diario.</source>
        <translation>The session goes on without a journal.</translation>
    </message>
</context>
<context>
    <name>conversation::frmFind</name>
    <message>
        <source>Cerca nel dialogo</source>
        <translation>Find in the conversation</translation>
    </message>
    <message>
        <source>Testo:</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>Direzione</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Su</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>Giù</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>Maiuscole minuscole</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>Trova</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Impossibile trovare: &quot;%1&quot;</source>
        <translation>Cannot find: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Testo da cercare</source>
        <translation>Text to find</translation>
    </message>
    <message>
        <source>Cerca verso l&apos;inizio del dialogo</source>
        <translation>Finds towards the start of the conversation</translation>
    </message>
    <message>
        <source>Cerca verso la fine del dialogo</source>
        <translation>Finds towards the end of the conversation</translation>
    </message>
    <message>
        <source>Distingue le maiuscole dalle minuscole</source>
        <translation>Tells capitals from small letters</translation>
    </message>
    <message>
        <source>Invio; ancora per la prossima</source>
        <translation>Enter; again for the next one</translation>
    </message>
    <message>
        <source>Esc</source>
        <translation>Esc</translation>
    </message>
</context>
<context>
    <name>dice::ExpressionParser::Error</name>
    <message>
        <source>Scrivi un tiro, per esempio 2d6+1 o 4d6kh3.</source>
        <translation>Type a roll, for example 2d6+1 or 4d6kh3.</translation>
    </message>
    <message>
        <source>Il tiro è troppo lungo: al massimo %1 caratteri, etichetta compresa; dal carattere %2 in poi è di troppo.</source>
        <translation>The roll is too long: at most %1 characters, label included; from character %2 on it is too much.</translation>
    </message>
    <message>
        <source>Il tiro finisce al carattere %1, dove serve ancora un dado o un numero.</source>
        <translation>The roll ends at character %1, where a die or a number is still needed.</translation>
    </message>
    <message>
        <source>Al carattere %1 c&apos;è «%2» dove serve un dado o un numero, come 2d6 o 3.</source>
        <translation>At character %1 there is “%2” where a die or a number is needed, such as 2d6 or 3.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2» non è previsto: dopo i dadi vengono kh, kl, dh, dl, !, !!, r, ro, &gt;=, un segno + o -, oppure uno spazio e l&apos;etichetta.</source>
        <translation>At character %1 “%2” is not expected: after the dice come kh, kl, dh, dl, !, !!, r, ro, &gt;=, a + or - sign, or a space and the label.</translation>
    </message>
    <message>
        <source>Al carattere %1 mancano le facce del dado: un numero, % oppure F.</source>
        <translation>At character %1 the die&apos;s faces are missing: a number, % or F.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2» vuole un numero subito dopo.</source>
        <translation>At character %1 “%2” wants a number right after it.</translation>
    </message>
    <message>
        <source>Al carattere %1 il numero %2 è troppo grande.</source>
        <translation>At character %1 the number %2 is too big.</translation>
    </message>
    <message>
        <source>Nel tiro non c&apos;è nessun dado: scrivi per esempio 1d20+5.</source>
        <translation>There is no die in the roll: type for example 1d20+5.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: si lancia almeno un dado.</source>
        <translation>At character %1 “%2”: at least one die is rolled.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: troppi dadi, %3 in un tiro; al massimo %4.</source>
        <translation>At character %1 “%2”: too many dice, %3 in one roll; at most %4.</translation>
    </message>
    <message>
        <source>Al carattere %1: un dado ha da 1 a %2 facce, non %3.</source>
        <translation>At character %1: a die has from 1 to %2 faces, not %3.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: al massimo %3 gruppi di dadi e numeri in un tiro.</source>
        <translation>At character %1 “%2”: at most %3 groups of dice and numbers in one roll.</translation>
    </message>
    <message>
        <source>Al carattere %1 il numero %2 è troppo grande: al massimo %3.</source>
        <translation>At character %1 the number %2 is too big: at most %3.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2» ripete un modificatore già dato a questi dadi.</source>
        <translation>At character %1 “%2” repeats a modifier already given to these dice.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: su %3 dadi se ne tengono o scartano da 1 a %4.</source>
        <translation>At character %1 “%2”: of %3 dice, from 1 to %4 are kept or dropped.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: un dado a %3 facce non mostra mai %4.</source>
        <translation>At character %1 “%2”: a die with %3 faces never shows %4.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: un dado con una faccia sola esploderebbe o si ritirerebbe per sempre.</source>
        <translation>At character %1 “%2”: a die with a single face would explode or be rerolled for ever.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: dei dadi Fudge si tengono o si scartano soltanto.</source>
        <translation>At character %1 “%2”: Fudge dice can only be kept or dropped.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: il bersaglio va da 1 a %3, le facce del dado.</source>
        <translation>At character %1 “%2”: the target goes from 1 to %3, the die&apos;s faces.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2» vale solo per una riserva di successi con &gt;=, per esempio 10d10&gt;=8f1x2.</source>
        <translation>At character %1 “%2” only applies to a success pool with &gt;=, for example 10d10&gt;=8f1x2.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: i fallimenti stanno sotto il bersaglio, da 1 a %3.</source>
        <translation>At character %1 “%2”: failures lie below the target, from 1 to %3.</translation>
    </message>
    <message>
        <source>Al carattere %1 «%2»: una riserva di successi (&gt;=) non si somma con dadi che si sommano.</source>
        <translation>At character %1 “%2”: a success pool (&gt;=) does not add up with dice that are summed.</translation>
    </message>
    <message>
        <source>Al carattere %1 l&apos;etichetta è troppo lunga: al massimo %2 caratteri.</source>
        <translation>At character %1 the label is too long: at most %2 characters.</translation>
    </message>
    <message>
        <source>Al carattere %1 l&apos;etichetta contiene «%2»: sono ammessi lettere, cifre, spazi, apostrofi e trattini.</source>
        <translation>At character %1 the label holds “%2”: letters, digits, spaces, apostrophes and hyphens are allowed.</translation>
    </message>
</context>
<context>
    <name>dice::FileAudit</name>
    <message numerus="yes">
        <source>%n righe di dadi nel file sono illeggibili o alterate.</source>
        <translation>
            <numerusform>%n dice line in the file is unreadable or altered.</numerusform>
            <numerusform>%n dice lines in the file are unreadable or altered.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n tiri non si possono verificare: il loro seme non è mai stato rivelato nel file.</source>
        <translation>
            <numerusform>%n roll cannot be checked: its seed was never revealed in the file.</numerusform>
            <numerusform>%n rolls cannot be checked: their seed was never revealed in the file.</numerusform>
        </translation>
    </message>
    <message>
        <source>Nel file non c&apos;è nessun tiro verificabile.</source>
        <translation>There is no checkable roll in the file.</translation>
    </message>
    <message numerus="yes">
        <source>%n problemi nei dadi del file, </source>
        <translation>
            <numerusform>%n problem in the file&apos;s dice, </numerusform>
            <numerusform>%n problems in the file&apos;s dice, </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n tiri verificati.</source>
        <translation>
            <numerusform>%n roll checked.</numerusform>
            <numerusform>%n rolls checked.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>dice::RollClient</name>
    <message>
        <source>troppi tiri di seguito, aspetta un momento</source>
        <translation>too many rolls in a row, wait a moment</translation>
    </message>
    <message>
        <source>l&apos;espressione non è valida</source>
        <translation>the expression is not valid</translation>
    </message>
    <message>
        <source>l&apos;host non tira i dadi in questo momento</source>
        <translation>the host is not rolling dice right now</translation>
    </message>
    <message>
        <source>lo stesso nonce era già stato usato</source>
        <translation>the same nonce had already been used</translation>
    </message>
    <message>
        <source>L&apos;host non ha tirato i dadi chiesti: %1.</source>
        <translation>The host did not roll the dice asked for: %1.</translation>
    </message>
</context>
<context>
    <name>dice::RollService</name>
    <message>
        <source>%1 ha chiesto di verificare i dadi: il seme è rivelato.</source>
        <translation>%1 asked to check the dice: the seed is revealed.</translation>
    </message>
</context>
<context>
    <name>dice::Verifier</name>
    <message>
        <source>segreto</source>
        <translation>secret</translation>
    </message>
    <message>
        <source>il tiro n. %1 di %2 (%3)</source>
        <translation>roll no. %1 by %2 (%3)</translation>
    </message>
    <message>
        <source>Il seme rivelato non corrisponde all&apos;impegno %1…: i tiri fatti con quell&apos;impegno non si possono verificare.</source>
        <translation>The revealed seed does not match the commitment %1…: the rolls made under that commitment cannot be checked.</translation>
    </message>
    <message>
        <source>%1 usa un seme che non era stato promesso prima.</source>
        <translation>%1 uses a seed that had not been promised beforehand.</translation>
    </message>
    <message>
        <source>%1 usa lo stesso nonce di %2: una richiesta ha avuto due risposte.</source>
        <translation>%1 uses the same nonce as %2: one request got two answers.</translation>
    </message>
    <message>
        <source>%1 ha lo stesso numero di %2 con lo stesso seme.</source>
        <translation>%1 has the same number as %2 under the same seed.</translation>
    </message>
    <message>
        <source>%1 non corrisponde al seme rivelato: annunciati %2, dal seme %3.</source>
        <translation>%1 does not match the revealed seed: %2 announced, %3 from the seed.</translation>
    </message>
    <message>
        <source>Il tiro %1 chiesto dal tuo programma (nonce %2…) non è mai stato annunciato.</source>
        <translation>The roll %1 your program asked for (nonce %2…) was never announced.</translation>
    </message>
    <message>
        <source>Il tuo programma ha chiesto %1, ma %2 ha lanciato altro con il suo nonce.</source>
        <translation>Your program asked for %1, but %2 rolled something else with its nonce.</translation>
    </message>
    <message>
        <source>Il nonce %1… dato dal tuo programma per un tiro del master non è stato usato da nessun tiro annunciato.</source>
        <translation>The nonce %1… your program gave for a roll of the master was used by no announced roll.</translation>
    </message>
    <message numerus="yes">
        <source>(e altri %n problemi)</source>
        <translation>
            <numerusform>(and %n more problem)</numerusform>
            <numerusform>(and %n more problems)</numerusform>
        </translation>
    </message>
    <message>
        <source>nessun tiro da verificare</source>
        <translation>no roll to check</translation>
    </message>
    <message>
        <source>l&apos;unico tiro verificato</source>
        <translation>the only roll checked</translation>
    </message>
    <message>
        <source>tutti i %1 tiri verificati</source>
        <translation>all %1 rolls checked</translation>
    </message>
    <message>
        <source>%1 in attesa del seme</source>
        <translation>%1 waiting for the seed</translation>
    </message>
</context>
<context>
    <name>explorer::ExplorerEngine</name>
    <message>
        <source>Esplora immagine</source>
        <translation>Explore picture</translation>
    </message>
    <message>
        <source>Selezionare un colore prima...</source>
        <translation>Choose a colour first...</translation>
    </message>
</context>
<context>
    <name>explorer::Form2</name>
    <message>
        <source>Opzioni</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Linee Rette</source>
        <translation>Straight Lines</translation>
    </message>
    <message>
        <source>Linee Collegate</source>
        <translation>Connected Lines</translation>
    </message>
    <message>
        <source>Crea Reticolo</source>
        <translation>Make Grid</translation>
    </message>
    <message>
        <source>Approssima</source>
        <translation>Snap to grid</translation>
    </message>
    <message>
        <source>Pulisci</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Esci</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Il passo del reticolo è nullo</source>
        <translation>The grid step is zero</translation>
    </message>
    <message>
        <source>Immagine della lavagna</source>
        <translation>The board&apos;s picture</translation>
    </message>
    <message>
        <source>Clic per le linee; le barre la scorrono</source>
        <translation>Click for the lines; the bars scroll it</translation>
    </message>
    <message>
        <source>Copia della lavagna</source>
        <translation>Copy of the board</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>Scorrimento orizzontale</source>
        <translation>Horizontal scroll bar</translation>
    </message>
    <message>
        <source>Scorrimento verticale</source>
        <translation>Vertical scroll bar</translation>
    </message>
</context>
<context>
    <name>panel::FileBrowser</name>
    <message>
        <source>Salvo l&apos;immagine della lavagna in:
&apos;%1&apos; ...?</source>
        <translation>Save the board&apos;s picture in:
&apos;%1&apos; ...?</translation>
    </message>
    <message>
        <source>Immagine salvata con successo.</source>
        <translation>Picture saved.</translation>
    </message>
    <message>
        <source>Il percorso indicato non è valido. L&apos;immagine non è stata salvata.</source>
        <translation>The path given is not valid. The picture was not saved.</translation>
    </message>
    <message>
        <source>Impossibile accedere all&apos;unità specificata. Selezionare un&apos;unità diversa e riprovare.</source>
        <translation>Cannot reach the drive given. Choose another drive and try again.</translation>
    </message>
    <message>
        <source>In quale finestra si desidera caricare...
%1?</source>
        <translation>Which pane should load...
%1?</translation>
    </message>
</context>
<context>
    <name>panel::Form1</name>
    <message>
        <source>Esplora risorse</source>
        <translation>Browse files</translation>
    </message>
    <message>
        <source>Salva</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Unità</source>
        <translation>Drives</translation>
    </message>
    <message>
        <source>Cartelle</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>Invio apre la cartella</source>
        <translation>Enter opens the folder</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Invio carica l&apos;immagine sulla lavagna, o chiede il riquadro per un programma</source>
        <translation>Enter loads the picture onto the board, or asks for the pane for a program</translation>
    </message>
    <message>
        <source>Percorso</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>Riquadro 1</source>
        <translation>Pane 1</translation>
    </message>
    <message>
        <source>Avvia il programma nel riquadro 1</source>
        <translation>Starts the program in pane 1</translation>
    </message>
    <message>
        <source>Riquadro 2</source>
        <translation>Pane 2</translation>
    </message>
    <message>
        <source>Avvia il programma nel riquadro 2</source>
        <translation>Starts the program in pane 2</translation>
    </message>
    <message>
        <source>Riquadro 3</source>
        <translation>Pane 3</translation>
    </message>
    <message>
        <source>Avvia il programma nel riquadro 3</source>
        <translation>Starts the program in pane 3</translation>
    </message>
    <message>
        <source>Riquadro 4</source>
        <translation>Pane 4</translation>
    </message>
    <message>
        <source>Avvia il programma nel riquadro 4</source>
        <translation>Starts the program in pane 4</translation>
    </message>
    <message>
        <source>Salva l&apos;immagine della lavagna nel percorso</source>
        <translation>Saves the board&apos;s picture at the path</translation>
    </message>
</context>
<context>
    <name>panel::HostPane</name>
    <message>
        <source>Riquadro %1</source>
        <translation>Pane %1</translation>
    </message>
    <message>
        <source>Avvio di %1 in corso...</source>
        <translation>Starting %1...</translation>
    </message>
    <message>
        <source>%1 è aperto in una finestra a sé: su questo sistema grafico le finestre di altri programmi non possono essere ospitate qui.</source>
        <translation>%1 is open in a window of its own: on this display system other programs&apos; windows cannot be hosted here.</translation>
    </message>
    <message>
        <source>%1 è aperto in una finestra a sé: la sua finestra non è comparsa in tempo per essere ospitata qui.</source>
        <translation>%1 is open in a window of its own: its window did not appear in time to be hosted here.</translation>
    </message>
    <message>
        <source>%1 è terminato senza aprire una finestra.</source>
        <translation>%1 ended without opening a window.</translation>
    </message>
</context>
<context>
    <name>panel::PresetBar</name>
    <message>
        <source>Finestra stretta</source>
        <translation>Narrow window</translation>
    </message>
    <message>
        <source>Schermo intero</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>Finestra larga</source>
        <translation>Wide window</translation>
    </message>
    <message>
        <source>Finestra media</source>
        <translation>Medium window</translation>
    </message>
    <message>
        <source>Dimensioni della finestra</source>
        <translation>Window size</translation>
    </message>
</context>
<context>
    <name>panel::ProgramPanel</name>
    <message>
        <source>Ingrandisci il riquadro in alto a sinistra</source>
        <translation>Enlarge the top left pane</translation>
    </message>
    <message>
        <source>Ingrandisci il riquadro in alto a destra</source>
        <translation>Enlarge the top right pane</translation>
    </message>
    <message>
        <source>Ingrandisci il riquadro in basso a sinistra</source>
        <translation>Enlarge the bottom left pane</translation>
    </message>
    <message>
        <source>Ingrandisci il riquadro in basso a destra</source>
        <translation>Enlarge the bottom right pane</translation>
    </message>
    <message>
        <source>Programma del riquadro %1</source>
        <translation>Program of pane %1</translation>
    </message>
    <message>
        <source>Avvia</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Avvia i programmi dei riquadri</source>
        <translation>Start the panes&apos; programs</translation>
    </message>
    <message>
        <source>Allarga il pannello verso sinistra</source>
        <translation>Widen the panel to the left</translation>
    </message>
    <message>
        <source>Allunga il pannello verso il basso</source>
        <translation>Lengthen the panel downwards</translation>
    </message>
</context>
<context>
    <name>portmap::MappingText</name>
    <message>
        <source> Chi è fuori dalla rete locale potrà collegarsi solo se la porta viene aperta a mano sul router (inoltro della porta TCP %1 verso questo computer), oppure se a ospitare è un giocatore con un indirizzo raggiungibile.</source>
        <translation> Players outside the local network can join only if the port is opened by hand on the router (forwarding TCP port %1 to this computer), or if a player with a reachable address hosts.</translation>
    </message>
    <message>
        <source>Richiesta al router di aprire la porta %1...</source>
        <translation>Asking the router to open port %1...</translation>
    </message>
    <message>
        <source>Apertura automatica delle porte sul router disattivata.</source>
        <translation>Opening the ports on the router automatically is switched off.</translation>
    </message>
    <message>
        <source>La porta %1 del router è già usata da un&apos;altra macchina: il router ha aperto al suo posto la porta %2. Gli altri possono collegarsi a %3</source>
        <translation>The router&apos;s port %1 is already used by another machine: the router opened port %2 instead. The others can connect to %3</translation>
    </message>
    <message>
        <source>Porta %1 aperta sul router: gli altri possono collegarsi a %2</source>
        <translation>Port %1 open on the router: the others can connect to %2</translation>
    </message>
    <message>
        <source>Porta %1 chiusa sul router.</source>
        <translation>Port %1 closed on the router.</translation>
    </message>
    <message>
        <source>Nessun router ha risposto alla richiesta di aprire la porta %1 (UPnP e NAT-PMP).</source>
        <translation>No router answered the request to open port %1 (UPnP and NAT-PMP).</translation>
    </message>
    <message>
        <source>nessun motivo indicato</source>
        <translation>no reason given</translation>
    </message>
    <message>
        <source>, codice %1</source>
        <translation>, code %1</translation>
    </message>
    <message>
        <source>Il router ha rifiutato di aprire la porta %1 (%2: %3). Forse la funzione %2 è disattivata nelle sue impostazioni.</source>
        <translation>The router refused to open port %1 (%2: %3). Perhaps %2 is switched off in its settings.</translation>
    </message>
    <message>
        <source>La porta %1 del router è già inoltrata a un&apos;altra macchina%2: scegliere un&apos;altra porta con &quot;Porta&quot; e ospitare di nuovo.</source>
        <translation>The router&apos;s port %1 is already forwarded to another machine%2: choose another port with &quot;Port&quot; and host again.</translation>
    </message>
    <message>
        <source>Il router dice di aver aperto la porta %1, ma la inoltra a un altro indirizzo (%2), non a questo computer (%3): gli altri non arriveranno qui.</source>
        <translation>The router says it opened port %1, but forwards it to another address (%2), not to this computer (%3): the others will not get here.</translation>
    </message>
    <message>
        <source>Il router dice di aver aperto la porta %1, ma non la inoltra davvero.</source>
        <translation>The router says it opened port %1, but does not really forward it.</translation>
    </message>
    <message>
        <source>Il router non ha risposto in tempo alla richiesta di aprire la porta %1 (o ha interrotto la connessione): forse è molto occupato.</source>
        <translation>The router did not answer the request to open port %1 in time (or broke the connection off): perhaps it is very busy.</translation>
    </message>
    <message>
        <source>Il router ha dato una risposta incomprensibile o incompleta alla richiesta di aprire la porta %1.</source>
        <translation>The router gave an unintelligible or incomplete answer to the request to open port %1.</translation>
    </message>
    <message>
        <source>L&apos;indirizzo esterno del router (%1) è a sua volta privato: davanti a questo router ce n&apos;è un altro, e aprire la porta %2 solo qui non basta. Può aiutare: aprire la porta anche sul router esterno (o mettere il primo in modalità bridge), collegarsi via IPv6, oppure far ospitare un giocatore con un indirizzo pubblico.</source>
        <translation>The router&apos;s outside address (%1) is itself private: there is another router in front of this one, and opening port %2 here alone is not enough. What can help: opening the port on the outer router too (or putting the first one in bridge mode), connecting over IPv6, or letting a player with a public address host.</translation>
    </message>
    <message>
        <source>L&apos;indirizzo esterno del router (%1) è condiviso con altri clienti del fornitore di rete (NAT del provider, 100.64.0.0/10): aprire la porta %2 sul router non può servire. Può aiutare: chiedere al fornitore un indirizzo IPv4 pubblico, collegarsi via IPv6 se la rete lo offre, oppure far ospitare un giocatore con un indirizzo pubblico.</source>
        <translation>The router&apos;s outside address (%1) is shared with other customers of the network provider (carrier-grade NAT, 100.64.0.0/10): opening port %2 on the router cannot help. What can help: asking the provider for a public IPv4 address, connecting over IPv6 if the network offers it, or letting a player with a public address host.</translation>
    </message>
    <message>
        <source>non ha risposto</source>
        <translation>did not answer</translation>
    </message>
    <message>
        <source>ha rifiutato</source>
        <translation>refused</translation>
    </message>
    <message>
        <source>ha rifiutato: %1</source>
        <translation>refused: %1</translation>
    </message>
    <message>
        <source>Il router non ha chiuso la porta %1 (%2): può restare aperta finché non la si chiude dalle impostazioni del router.</source>
        <translation>The router did not close port %1 (%2): it may stay open until it is closed in the router&apos;s settings.</translation>
    </message>
    <message>
        <source>Il router ha aperto la porta %1 invece della %2: %3</source>
        <translation>The router opened port %1 instead of %2: %3</translation>
    </message>
    <message>
        <source>Porta %1 aperta sul router: %2</source>
        <translation>Port %1 open on the router: %2</translation>
    </message>
    <message>
        <source>La porta %1 del router va a un&apos;altra macchina.</source>
        <translation>The router&apos;s port %1 goes to another machine.</translation>
    </message>
    <message>
        <source>Nessun router ha risposto per la porta %1.</source>
        <translation>No router answered about port %1.</translation>
    </message>
    <message>
        <source>Il router ha rifiutato la porta %1.</source>
        <translation>The router refused port %1.</translation>
    </message>
    <message>
        <source>Il router manda la porta %1 a un altro computer.</source>
        <translation>The router sends port %1 to another computer.</translation>
    </message>
    <message>
        <source>Il router non inoltra davvero la porta %1.</source>
        <translation>The router does not really forward port %1.</translation>
    </message>
    <message>
        <source>Il router non ha risposto per la porta %1.</source>
        <translation>The router did not answer about port %1.</translation>
    </message>
    <message>
        <source>Il router ha risposto senza senso per la porta %1.</source>
        <translation>The router answered nonsense about port %1.</translation>
    </message>
    <message>
        <source>Un altro router è davanti: la porta %1 resta chiusa.</source>
        <translation>Another router is in front: port %1 stays closed.</translation>
    </message>
    <message>
        <source>Indirizzo esterno condiviso: la porta %1 è inutile.</source>
        <translation>Shared outside address: port %1 cannot help.</translation>
    </message>
    <message>
        <source>Vedi &quot;Raggiungibilità&quot;.</source>
        <translation>See &quot;Reachability&quot;.</translation>
    </message>
</context>
<context>
    <name>secure::Admission</name>
    <message>
        <source>Il tavolo non ti ha fatto entrare: chi lo ospita ha bandito il tuo indirizzo.</source>
        <translation>The table did not let you in: its host has banned your address.</translation>
    </message>
    <message>
        <source>Il tavolo non ti ha fatto entrare: è riservato agli invitati. Chiedi a chi lo ospita l&apos;invito (il collegamento tavernix://…) o la parola d&apos;ordine.</source>
        <translation>The table did not let you in: it is for invited players only. Ask its host for the invitation (the tavernix://… link) or the password.</translation>
    </message>
    <message>
        <source>Il tavolo non ti ha fatto entrare: l&apos;invito o la parola d&apos;ordine non sono (più) validi. Chiedi a chi lo ospita un invito nuovo.</source>
        <translation>The table did not let you in: the invitation or the password is not (or no longer) valid. Ask its host for a new invitation.</translation>
    </message>
    <message>
        <source>Il tavolo non ti ha fatto entrare: troppi tentativi sbagliati da questo indirizzo. Riprova fra qualche minuto.</source>
        <translation>The table did not let you in: too many wrong tries from this address. Try again in a few minutes.</translation>
    </message>
    <message>
        <source>Il tavolo non ti ha fatto entrare: un invito o una parola d&apos;ordine valgono solo su una connessione cifrata.</source>
        <translation>The table did not let you in: an invitation or a password counts only on an encrypted connection.</translation>
    </message>
    <message>
        <source>Il tavolo non ti ha fatto entrare.</source>
        <translation>The table did not let you in.</translation>
    </message>
</context>
<context>
    <name>secure::Connector</name>
    <message>
        <source>Connessione annullata: l&apos;identità del tavolo è cambiata.</source>
        <translation>Connection cancelled: the table&apos;s identity has changed.</translation>
    </message>
    <message>
        <source>Il tavolo a %1 non ha risposto alla richiesta di connessione cifrata, ma è un tavolo che la conosce: qualcuno in mezzo potrebbe impedirla. Non ci si collega in chiaro.</source>
        <translation>The table at %1 did not answer the request for an encrypted connection, yet it is a table that knows it: someone in between may be blocking it. No plain-text connection is made.</translation>
    </message>
</context>
<context>
    <name>secure::Identity</name>
    <message>
        <source>Non posso ospitare: l&apos;identità della tavola (%1) non è usabile: %2. Non ne creo una nuova, perché chi conosce la tavola la rifiuterebbe come quella di un impostore: sistema il file o spostalo altrove e riprova.</source>
        <translation>Cannot host: the table&apos;s identity (%1) cannot be used: %2. No new one is made, because those who know the table would refuse it as an impostor&apos;s: fix the file or move it elsewhere and try again.</translation>
    </message>
    <message>
        <source>è incompleto o danneggiato (mancano la chiave o il certificato)</source>
        <translation>it is incomplete or damaged (the key or the certificate is missing)</translation>
    </message>
    <message>
        <source>la chiave non è quella del certificato</source>
        <translation>the key is not the certificate&apos;s</translation>
    </message>
    <message>
        <source>non è leggibile</source>
        <translation>it cannot be read</translation>
    </message>
    <message>
        <source>usa un tipo di chiave che questo programma non sa usare</source>
        <translation>it uses a kind of key this program cannot use</translation>
    </message>
    <message>
        <source>la libreria crittografica non è riuscita a creare la chiave</source>
        <translation>the cryptographic library could not make the key</translation>
    </message>
    <message>
        <source>la cartella non può essere creata</source>
        <translation>the folder cannot be created</translation>
    </message>
    <message>
        <source>Non posso ospitare: non riesco a creare l&apos;identità della tavola (%1): %2.</source>
        <translation>Cannot host: the table&apos;s identity (%1) could not be made: %2.</translation>
    </message>
    <message>
        <source>appartiene a un altro utente</source>
        <translation>it belongs to another user</translation>
    </message>
    <message>
        <source>anche altri utenti possono leggerlo (va reso privato: chmod 600)</source>
        <translation>other users can read it too (make it private: chmod 600)</translation>
    </message>
</context>
<context>
    <name>secure::PeerTrust</name>
    <message>
        <source>Il tavolo a %1 si è presentato con un&apos;identità diversa da quella scritta nell&apos;invito. Può darsi che qualcuno fra te e il tavolo stia cercando di leggere o alterare la partita, oppure che l&apos;invito sia vecchio o copiato male. La connessione è stata chiusa senza inviare nulla: chiedi a chi ospita un invito nuovo.</source>
        <translation>The table at %1 presented an identity other than the one written in the invitation. Someone between you and the table may be trying to read or alter the game, or the invitation may be old or badly copied. The connection was closed without sending anything: ask the host for a new invitation.</translation>
    </message>
    <message>
        <source>Il tavolo a %1 si presenta con un&apos;identità diversa dall&apos;ultima volta.

Prima: %2
Ora: %3

Può essere una nuova installazione di chi ospita, oppure qualcuno che si mette in mezzo per leggere la partita. Se chi ospita non ti ha detto di aver cambiato identità, non collegarti e chiedigli un invito.

Collegarsi comunque e ricordare la nuova identità?</source>
        <translation>The table at %1 presents an identity other than last time.

Before: %2
Now: %3

It may be a new installation on the host&apos;s side, or someone getting in between to read the game. If the host has not told you it changed its identity, do not connect, and ask for an invitation.

Connect anyway and remember the new identity?</translation>
    </message>
</context>
<context>
    <name>secure::PrivateFile</name>
    <message>
        <source>Il file %1 non è stato scritto.</source>
        <translation>The file %1 was not written.</translation>
    </message>
</context>
<context>
    <name>secure::TableSecurity</name>
    <message>
        <source>Non posso ospitare: la chiave della tavola (%1) è alterata. Cancella il file: ne verrà fatta una nuova, e gli inviti dati finora non varranno più.</source>
        <translation>Cannot host: the table&apos;s key (%1) is altered. Delete the file: a new one will be made, and the invitations given so far will no longer be valid.</translation>
    </message>
    <message>
        <source>Non posso ospitare: la parola d&apos;ordine della tavola (%1) è alterata. Sceglila di nuovo.</source>
        <translation>Cannot host: the table&apos;s password (%1) is altered. Choose it again.</translation>
    </message>
    <message>
        <source>La parola d&apos;ordine non è valida (al massimo %1 caratteri).</source>
        <translation>The password is not valid (at most %1 characters).</translation>
    </message>
</context>
<context>
    <name>session::ChatSession</name>
    <message>
        <source>Disconnessione.</source>
        <translation>Disconnected.</translation>
    </message>
    <message>
        <source>——— connessione con l&apos;host persa alle %1 ———</source>
        <translation>——— connection with the host lost at %1 ———</translation>
    </message>
    <message>
        <source>——— di nuovo al tavolo alle %1 ———</source>
        <translation>——— back at the table at %1 ———</translation>
    </message>
    <message>
        <source>Impossibile stabilire una connessione.</source>
        <translation>Cannot establish a connection.</translation>
    </message>
    <message>
        <source>Server in attesa...</source>
        <translation>Server waiting...</translation>
    </message>
    <message>
        <source>Connessione in corso...</source>
        <translation>Connecting...</translation>
    </message>
    <message>
        <source>Espulsione dalla chat di: %1.</source>
        <translation>Kicking out of the chat: %1.</translation>
    </message>
    <message>
        <source>Una o più connessioni sono attualmente aperte. Occorre disconnettersi prima di mutare porta.</source>
        <translation>One or more connections are open. Leave the session before changing the port.</translation>
    </message>
    <message>
        <source>Il nome è gia&apos; in uso! Quanta poca fantasia..</source>
        <translation>That name is already taken! How unimaginative..</translation>
    </message>
    <message>
        <source>Nessuna risposta: il programma all&apos;altro capo non risponde come un host Tavernix (controllare indirizzo e porta).</source>
        <translation>No answer: the program at the other end does not answer as a Tavernix host (check the address and the port).</translation>
    </message>
    <message>
        <source>La lavagna è troppo piena per essere conservata: chi si collega da ora non vedrà la lavagna intera, fino alla prossima pulizia.</source>
        <translation>The board is too full to be kept: whoever joins from now on will not see the whole board until it is next cleared.</translation>
    </message>
    <message>
        <source>Connessione con l&apos;host persa: il dialogo e la lavagna restano come erano.</source>
        <translation>Connection with the host lost: the conversation and the board stay as they were.</translation>
    </message>
    <message>
        <source>Di nuovo connessi all&apos;host.</source>
        <translation>Connected to the host again.</translation>
    </message>
    <message>
        <source>Nessuna novità durante l&apos;assenza.</source>
        <translation>Nothing new while you were away.</translation>
    </message>
    <message>
        <source>Sei stato espulso dalla chat.</source>
        <translation>You were kicked out of the chat.</translation>
    </message>
    <message>
        <source>L&apos;host ha chiuso il tavolo: la connessione non sarà ritentata. &quot;Connetti&quot; per entrare di nuovo.</source>
        <translation>The host closed the table: the connection will not be tried again. &quot;Connect&quot; to join again.</translation>
    </message>
    <message>
        <source>Un messaggio privato non è arrivato prima che la connessione si perdesse: è tornato nella casella del messaggio.</source>
        <translation>A private message did not arrive before the connection was lost: it is back in the message box.</translation>
    </message>
    <message>
        <source>Ciò che non è arrivato all&apos;host, e ciò che si scrive o disegna ora, resta in attesa e partirà al ritorno al tavolo.</source>
        <translation>What did not reach the host, and what is written or drawn now, waits and goes once you are back at the table.</translation>
    </message>
    <message>
        <source>Non inviati al tavolo: %1 (ciò che era stato scritto è tornato nella casella del messaggio) e %2.</source>
        <translation>Not sent to the table: %1 (what was typed is back in the message box) and %2.</translation>
    </message>
    <message numerus="yes">
        <source>%n messaggi</source>
        <translation>
            <numerusform>%n message</numerusform>
            <numerusform>%n messages</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n disegni</source>
        <translation>
            <numerusform>%n drawing</numerusform>
            <numerusform>%n drawings</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n disegni fatti durante l&apos;assenza non sono stati inviati: erano sulla lavagna della partita finita.</source>
        <translation>
            <numerusform>%n drawing made while away was not sent: it was on the board of the finished game.</numerusform>
            <numerusform>%n drawings made while away were not sent: they were on the board of the finished game.</numerusform>
        </translation>
    </message>
    <message>
        <source>Inviati al ritorno: %1 e %2 fatti durante l&apos;assenza.</source>
        <translation>Sent on the return: %1 and %2 made while away.</translation>
    </message>
    <message>
        <source>Troppi disegni in attesa: quelli nuovi restano solo su questa lavagna finché la connessione non torna.</source>
        <translation>Too many drawings waiting: new ones stay on this board alone until the connection is back.</translation>
    </message>
    <message>
        <source>Connessione assente: ciò che si scrive o disegna ora resta in attesa e partirà al ritorno al tavolo.</source>
        <translation>No connection: what is written or drawn now waits and goes once you are back at the table.</translation>
    </message>
    <message>
        <source>L&apos;host ha iniziato una nuova partita: la lavagna è stata svuotata.</source>
        <translation>The host started a new game: the board was emptied.</translation>
    </message>
    <message>
        <source>——— nuova partita: la lavagna è stata svuotata ———</source>
        <translation>——— new game: the board was emptied ———</translation>
    </message>
    <message>
        <source>con &quot;Porta&quot;</source>
        <translation>with &quot;Port&quot;</translation>
    </message>
    <message>
        <source>La porta %1 non è valida: scegliere %2 un numero da 1 a 65535.</source>
        <translation>Port %1 is not valid: choose a number from 1 to 65535 %2.</translation>
    </message>
    <message>
        <source>Impossibile ospitare la sessione: la porta %1 è già in uso da un altro programma. Scegliere un&apos;altra porta %2.</source>
        <translation>Cannot host the session: port %1 is already in use by another program. Choose another port %2.</translation>
    </message>
    <message>
        <source>Impossibile ospitare la sessione: la porta %1 è riservata (le porte sotto 1024 richiedono i privilegi di amministratore). Scegliere una porta da 1024 a 65535 %2.</source>
        <translation>Cannot host the session: port %1 is reserved (ports below 1024 need administrator privileges). Choose a port from 1024 to 65535 %2.</translation>
    </message>
    <message>
        <source>Impossibile ospitare la sessione: non è possibile restare in attesa di connessioni sulla porta %1.</source>
        <translation>Cannot host the session: cannot listen for connections on port %1.</translation>
    </message>
    <message>
        <source>Indirizzo: %1, porta %2.</source>
        <translation>Address: %1, port %2.</translation>
    </message>
    <message>
        <source>(vuoto)</source>
        <translation>(empty)</translation>
    </message>
</context>
<context>
    <name>session::ConversationSink</name>
    <message>
        <source>(in attesa) </source>
        <translation>(waiting) </translation>
    </message>
    <message>
        <source>(non inviato) </source>
        <translation>(not sent) </translation>
    </message>
</context>
<context>
    <name>session::DialogSink</name>
    <message>
        <source>(già detto alle %1) </source>
        <translation>(already said at %1) </translation>
    </message>
</context>
<context>
    <name>session::Invitation</name>
    <message>
        <source>Invito non valido: %1.</source>
        <translation>Invalid invitation: %1.</translation>
    </message>
    <message>
        <source>il collegamento è troppo lungo</source>
        <translation>the link is too long</translation>
    </message>
    <message>
        <source>non comincia con &quot;%1&quot;</source>
        <translation>it does not begin with &quot;%1&quot;</translation>
    </message>
    <message>
        <source>manca la parentesi ] dopo l&apos;indirizzo IPv6</source>
        <translation>the bracket ] after the IPv6 address is missing</translation>
    </message>
    <message>
        <source>tra parentesi quadre non c&apos;è un indirizzo IPv6</source>
        <translation>there is no IPv6 address between the square brackets</translation>
    </message>
    <message>
        <source>manca la porta (&quot;:numero&quot; dopo l&apos;indirizzo)</source>
        <translation>the port is missing (&quot;:number&quot; after the address)</translation>
    </message>
    <message>
        <source>manca l&apos;indirizzo</source>
        <translation>the address is missing</translation>
    </message>
    <message>
        <source>un indirizzo IPv6 va scritto tra parentesi quadre</source>
        <translation>an IPv6 address must be written between square brackets</translation>
    </message>
    <message>
        <source>la porta deve essere un numero da 1 a 65535</source>
        <translation>the port must be a number from 1 to 65535</translation>
    </message>
</context>
<context>
    <name>session::LocalAddress</name>
    <message>
        <source>Errore del Socket di Windows numero %1. Impossibile recuperare il nome dell&apos;host.</source>
        <translation>Socket error number %1. Cannot get the host name.</translation>
    </message>
    <message>
        <source>Errore del Socket di Windows. Impossibile recuperare il nome dell&apos;host.</source>
        <translation>Socket error. Cannot get the host name.</translation>
    </message>
</context>
<context>
    <name>session::ParticipantList</name>
    <message>
        <source>In chiaro: la sua connessione non è cifrata, chi sta sulla rete può leggerla.</source>
        <translation>Plain text: this connection is not encrypted; anyone on the network can read it.</translation>
    </message>
</context>
<context>
    <name>session::PictureAssembler</name>
    <message>
        <source>dichiara %1 × %2 pixel, oltre il limite di %3 pixel per lato e %4 MiB di pixel.</source>
        <translation>claims %1 × %2 pixels, beyond the limit of %3 pixels a side and %4 MiB of pixels.</translation>
    </message>
    <message>
        <source>l&apos;intestazione dell&apos;immagine non è leggibile.</source>
        <translation>the picture&apos;s header cannot be read.</translation>
    </message>
    <message>
        <source>%1 byte annunciati, ne sono ammessi da 1 a %2 (16 MiB).</source>
        <translation>%1 bytes announced; from 1 to %2 (16 MiB) are allowed.</translation>
    </message>
    <message>
        <source>impronta non valida.</source>
        <translation>invalid fingerprint.</translation>
    </message>
    <message>
        <source>una parte non è leggibile.</source>
        <translation>a part cannot be read.</translation>
    </message>
    <message>
        <source>una parte appartiene a un&apos;altra immagine.</source>
        <translation>a part belongs to another picture.</translation>
    </message>
    <message>
        <source>una parte è arrivata fuori ordine.</source>
        <translation>a part arrived out of order.</translation>
    </message>
    <message>
        <source>arrivano più byte di quelli annunciati.</source>
        <translation>more bytes are arriving than were announced.</translation>
    </message>
    <message>
        <source>il contenuto non corrisponde all&apos;impronta annunciata.</source>
        <translation>the content does not match the announced fingerprint.</translation>
    </message>
    <message>
        <source>non è un&apos;immagine PNG o JPEG.</source>
        <translation>it is not a PNG or JPEG picture.</translation>
    </message>
</context>
<context>
    <name>session::Reachability</name>
    <message>
        <source>Internet, attraverso il router</source>
        <translation>Internet, through the router</translation>
    </message>
    <message>
        <source>Internet, IPv6</source>
        <translation>Internet, IPv6</translation>
    </message>
    <message>
        <source>rete locale</source>
        <translation>local network</translation>
    </message>
</context>
<context>
    <name>session::Rejoin</name>
    <message>
        <source>Nuovo tentativo di connessione a %1 (porta %2) alle %3, tra %4 s. &quot;Sconnetti&quot; smette di riprovare.</source>
        <translation>Trying to connect to %1 (port %2) again at %3, in %4 s. &quot;Leave&quot; stops trying.</translation>
    </message>
    <message numerus="yes">
        <source>L&apos;host non risponde da %n minuti: nessun altro tentativo. &quot;Connetti&quot; per riprovare.</source>
        <translation>
            <numerusform>The host has not answered for %n minute: no more tries. &quot;Connect&quot; to try again.</numerusform>
            <numerusform>The host has not answered for %n minutes: no more tries. &quot;Connect&quot; to try again.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>session::SecureInvite</name>
    <message>
        <source>il collegamento è troppo lungo</source>
        <translation>the link is too long</translation>
    </message>
    <message>
        <source>l&apos;impronta è data due volte</source>
        <translation>the fingerprint is given twice</translation>
    </message>
    <message>
        <source>l&apos;impronta del tavolo (fp=) è incompleta o alterata: dev&apos;essere di 43 lettere, cifre, - e _; copia di nuovo il collegamento intero</source>
        <translation>the table&apos;s fingerprint (fp=) is incomplete or altered: it must be 43 letters, digits, - and _; copy the whole link again</translation>
    </message>
    <message>
        <source>la chiave è data due volte</source>
        <translation>the key is given twice</translation>
    </message>
    <message>
        <source>la chiave del tavolo (k=) è incompleta o alterata: dev&apos;essere di 22 lettere, cifre, - e _; copia di nuovo il collegamento intero</source>
        <translation>the table&apos;s key (k=) is incomplete or altered: it must be 22 letters, digits, - and _; copy the whole link again</translation>
    </message>
    <message>
        <source>la chiave (k=) manca dell&apos;impronta (fp=) che la protegge</source>
        <translation>the key (k=) comes without the fingerprint (fp=) that protects it</translation>
    </message>
</context>
<context>
    <name>session::SessionKeeper</name>
    <message>
        <source>Riprendi la partita del %1 alle %2 (%3 sulla lavagna, %4 di dialogo)?</source>
        <translation>Resume the game of %1 at %2 (%3 on the board, %4 of conversation)?</translation>
    </message>
    <message numerus="yes">
        <source>%n disegni</source>
        <translation>
            <numerusform>%n drawing</numerusform>
            <numerusform>%n drawings</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n righe</source>
        <translation>
            <numerusform>%n line</numerusform>
            <numerusform>%n lines</numerusform>
        </translation>
    </message>
    <message>
        <source> Questa partita sarà salvata in un file nuovo.</source>
        <translation> This game will be saved in a new file.</translation>
    </message>
</context>
<context>
    <name>session::SessionStore</name>
    <message>
        <source>Resta com&apos;è.</source>
        <translation>It is left as it is.</translation>
    </message>
    <message>
        <source>Il file della partita %1 %2: resta com&apos;è.</source>
        <translation>The game file %1 %2: it is left as it is.</translation>
    </message>
    <message>
        <source>è troppo grande per essere ripreso (%1 MB, al massimo %2 MB)</source>
        <translation>is too large to be resumed (%1 MB, at most %2 MB)</translation>
    </message>
    <message>
        <source>non è una partita salvata da Tavernix</source>
        <translation>is not a game saved by Tavernix</translation>
    </message>
    <message>
        <source>è troncato: manca la sua intestazione</source>
        <translation>is cut short: its header is missing</translation>
    </message>
    <message>
        <source>è stato scritto da una versione più recente del programma (formato %1, questa legge fino al %2)</source>
        <translation>was written by a newer version of the program (format %1, this one reads up to %2)</translation>
    </message>
    <message>
        <source>ha un&apos;intestazione danneggiata</source>
        <translation>has a damaged header</translation>
    </message>
    <message>
        <source>è danneggiato o è stato modificato a mano (al byte %1)</source>
        <translation>is damaged or was edited by hand (at byte %1)</translation>
    </message>
    <message>
        <source>La cartella %1 non si può scrivere: la partita non viene salvata.</source>
        <translation>The folder %1 cannot be written to: the game is not saved.</translation>
    </message>
    <message>
        <source>Impossibile riaprire il file della partita %1 (%2): la partita continua senza essere salvata.</source>
        <translation>Cannot reopen the game file %1 (%2): the game goes on without being saved.</translation>
    </message>
    <message>
        <source>Impossibile riprendere il file della partita %1 (%2): la partita continua senza essere salvata.</source>
        <translation>Cannot take up the game file %1 (%2): the game goes on without being saved.</translation>
    </message>
    <message>
        <source>Il file della partita %1 ha raggiunto %2 MB: da qui in poi la partita non viene più salvata.</source>
        <translation>The game file %1 has reached %2 MB: from here on the game is no longer saved.</translation>
    </message>
    <message>
        <source>Impossibile creare il file della partita %1 (%2): la partita continua senza essere salvata.</source>
        <translation>Cannot create the game file %1 (%2): the game goes on without being saved.</translation>
    </message>
    <message>
        <source>Impossibile scrivere nel file della partita %1 (%2): la partita continua senza essere salvata.</source>
        <translation>Cannot write to the game file %1 (%2): the game goes on without being saved.</translation>
    </message>
    <message>
        <source>è troppo grande per essere ripreso (al massimo %1 MB)</source>
        <translation>is too large to be resumed (at most %1 MB)</translation>
    </message>
</context>
<context>
    <name>session::TableBoard</name>
    <message>
        <source>la connessione %1</source>
        <translation>connection %1</translation>
    </message>
    <message>
        <source>Immagine condivisa da %1 rifiutata: %2</source>
        <translation>Picture shared by %1 refused: %2</translation>
    </message>
    <message>
        <source>L&apos;immagine supera i 16 MiB e non può essere condivisa.</source>
        <translation>The picture is larger than 16 MiB and cannot be shared.</translation>
    </message>
    <message>
        <source>Si possono condividere solo immagini PNG o JPEG.</source>
        <translation>Only PNG or JPEG pictures can be shared.</translation>
    </message>
    <message>
        <source>Nessuna sessione aperta con cui condividere l&apos;immagine.</source>
        <translation>No open session to share the picture with.</translation>
    </message>
    <message>
        <source>Nessuna sessione aperta con cui condividere il reticolo.</source>
        <translation>No open session to share the grid with.</translation>
    </message>
    <message>
        <source>troppe immagini in arrivo insieme.</source>
        <translation>too many pictures arriving at once.</translation>
    </message>
    <message>
        <source>la trasmissione non è stata completata.</source>
        <translation>the transmission was not completed.</translation>
    </message>
    <message>
        <source> ha pulito la lavagna per tutti.</source>
        <translation> cleared the board for everyone.</translation>
    </message>
    <message>
        <source> ha ripristinato la lavagna.</source>
        <translation> restored the board.</translation>
    </message>
    <message>
        <source> ha provato a pulire la lavagna: solo l&apos;host può farlo.</source>
        <translation> tried to clear the board: only the host can do that.</translation>
    </message>
    <message>
        <source>Solo l&apos;host può pulire la lavagna: la richiesta non è stata inoltrata.</source>
        <translation>Only the host can clear the board: the request was not passed on.</translation>
    </message>
</context>
<context>
    <name>session::TableDice</name>
    <message>
        <source>Verifica dei dadi: %1</source>
        <translation>Dice check: %1</translation>
    </message>
    <message>
        <source>I dadi dell&apos;host non tornano: %1</source>
        <translation>The host&apos;s dice do not add up: %1</translation>
    </message>
    <message>
        <source>Dadi verificabili: nessun giocatore può falsificare un tiro e l&apos;host non può cambiarne uno né farlo sparire senza che i programmi dei giocatori se ne accorgano, ma l&apos;host vede i tiri segreti e i tiri privati o fatti da programmi che non usano questo metodo restano non verificabili.</source>
        <translation>Checkable dice: no player can forge a roll and the host cannot change one or make it vanish without the players&apos; programs noticing, but the host sees the secret rolls, and private rolls or rolls made by programs that do not use this method stay uncheckable.</translation>
    </message>
    <message>
        <source>In questa sessione i dadi non sono verificabili: l&apos;host non li tira per i giocatori.</source>
        <translation>In this session the dice cannot be checked: the host does not roll them for the players.</translation>
    </message>
    <message>
        <source>Nessun tiro da verificare dall&apos;ultima rivelazione del seme.</source>
        <translation>No roll to check since the seed was last revealed.</translation>
    </message>
    <message>
        <source>Seme dei dadi rivelato: i giocatori verificano i tiri.</source>
        <translation>Dice seed revealed: the players check the rolls.</translation>
    </message>
    <message>
        <source>Chiesto all&apos;host di rivelare il seme dei dadi.</source>
        <translation>Asked the host to reveal the dice seed.</translation>
    </message>
</context>
<context>
    <name>transfer::FileReceiver</name>
    <message>
        <source>Richiesta di Connessione</source>
        <translation>Connection Request</translation>
    </message>
    <message>
        <source>Una richiesta di connessione per il trasferimento di un file è stata inoltrata da: %1 [%2]. Accetti la connesstione?</source>
        <translation>A connection request to transfer a file came from: %1 [%2]. Accept the connection?</translation>
    </message>
    <message>
        <source>Connesso a %1 [%2].</source>
        <translation>Connected to %1 [%2].</translation>
    </message>
    <message>
        <source>Stato: File rifiutato: dimensione annunciata non valida.</source>
        <translation>Status: File refused: invalid announced size.</translation>
    </message>
    <message>
        <source>File in attesa di permesso</source>
        <translation>File awaiting permission</translation>
    </message>
    <message>
        <source>Accetti di ricevere il file: &apos;%1&apos; di %2?

Mittente: %3</source>
        <translation>Accept the file &apos;%1&apos; of %2?

Sender: %3</translation>
    </message>
    <message>
        <source>Stato: File rifiutato: la cartella %1 non è utilizzabile (%2).</source>
        <translation>Status: File refused: the folder %1 cannot be used (%2).</translation>
    </message>
    <message>
        <source>Stato: File rifiutato: impossibile scrivere %1 (%2).</source>
        <translation>Status: File refused: cannot write %1 (%2).</translation>
    </message>
    <message>
        <source>Stato: %1 ricevuti su %2 [%3%].</source>
        <translation>Status: %1 received of %2 [%3%].</translation>
    </message>
    <message>
        <source>Errore di scrittura</source>
        <translation>Write error</translation>
    </message>
    <message>
        <source>Il file &apos;%1&apos; è arrivato per intero ma non ha potuto prendere il suo nome (%2): è rimasto in &apos;%3&apos;.</source>
        <translation>The file &apos;%1&apos; arrived whole but could not take its name (%2): it was left in &apos;%3&apos;.</translation>
    </message>
    <message>
        <source>File ricevuto</source>
        <translation>File received</translation>
    </message>
    <message>
        <source>Ricevuto da %1: &apos;%2&apos; (%3).</source>
        <translation>Received from %1: &apos;%2&apos; (%3).</translation>
    </message>
    <message>
        <source>Trasferimento interrotto</source>
        <translation>Transfer broken off</translation>
    </message>
    <message>
        <source>%1 Ricevuti %2 su %3; la parte ricevuta è in &apos;%4&apos;.</source>
        <translation>%1 Received %2 of %3; the part received is in &apos;%4&apos;.</translation>
    </message>
    <message>
        <source>Il file &apos;%1&apos; da %2 non arrivava più: il trasferimento è stato chiuso.</source>
        <translation>The file &apos;%1&apos; from %2 stopped arriving: the transfer was closed.</translation>
    </message>
    <message>
        <source>Il file &apos;%1&apos; non è stato ricevuto per intero: la scrittura non è riuscita (%2). La parte già ricevuta è rimasta in &apos;%3&apos;.</source>
        <translation>The file &apos;%1&apos; was not received whole: writing failed (%2). The part already received was left in &apos;%3&apos;.</translation>
    </message>
    <message>
        <source>Il mittente (%1) ha interrotto l&apos;invio del file &apos;%2&apos;.</source>
        <translation>The sender (%1) stopped sending the file &apos;%2&apos;.</translation>
    </message>
    <message>
        <source>Connessione: in ascolto...</source>
        <translation>Connection: listening...</translation>
    </message>
    <message>
        <source>Stato: Transferimento completato.</source>
        <translation>Status: Transfer completed.</translation>
    </message>
    <message>
        <source>Stato: Trasferimento non completato.</source>
        <translation>Status: Transfer not completed.</translation>
    </message>
    <message>
        <source>è già usata da un altro programma (forse un&apos;altra copia di Tavernix)</source>
        <translation>is already used by another program (perhaps another copy of Tavernix)</translation>
    </message>
    <message>
        <source>è riservata (le porte sotto 1024 richiedono i privilegi di amministratore)</source>
        <translation>is reserved (ports below 1024 need administrator privileges)</translation>
    </message>
    <message>
        <source>non è disponibile</source>
        <translation>is not available</translation>
    </message>
    <message>
        <source>Nessun file può arrivare: la porta %1 %2. Scrivere un&apos;altra porta in &quot;Cambia porta in:&quot; e premere &quot;Cambia in:&quot;, e darla a chi invia.</source>
        <translation>No file can arrive: port %1 %2. Write another port in &quot;Change port to:&quot;, press &quot;Change to:&quot; and give it to the sender.</translation>
    </message>
</context>
<context>
    <name>transfer::FileSender</name>
    <message>
        <source>Trasferimento fallito!</source>
        <translation>Transfer failed!</translation>
    </message>
    <message>
        <source>Errore di trasferimento</source>
        <translation>Transfer error</translation>
    </message>
    <message>
        <source>Connessione: in attesa su %1 [%2].</source>
        <translation>Connection: waiting on %1 [%2].</translation>
    </message>
    <message>
        <source>Connesso a %1 [%2].</source>
        <translation>Connected to %1 [%2].</translation>
    </message>
    <message>
        <source>Errore di Connessione</source>
        <translation>Connection Error</translation>
    </message>
    <message>
        <source>La connessione col destinatario non è andata a buon fine. E&apos; consigliabile chiudere la finestra e tentare nuovamente.</source>
        <translation>The connection to the recipient failed. Closing the window and trying again is advisable.</translation>
    </message>
    <message>
        <source>Stato: Errore di connessione.</source>
        <translation>Status: Connection error.</translation>
    </message>
    <message>
        <source>Connessione respinta</source>
        <translation>Connection refused</translation>
    </message>
    <message>
        <source>Il destinatario ha rifiutato la connessione.</source>
        <translation>The recipient refused the connection.</translation>
    </message>
    <message>
        <source>Il file &apos;%1&apos; non può essere letto.</source>
        <translation>The file &apos;%1&apos; cannot be read.</translation>
    </message>
    <message>
        <source>Il file &apos;%1&apos; è troppo grande: si possono inviare file fino a 2147483647 byte.</source>
        <translation>The file &apos;%1&apos; is too large: files up to 2147483647 bytes can be sent.</translation>
    </message>
    <message>
        <source>Il destinatario ha indicato una dimensione dei pacchetti non valida. Il file non è stato inviato.</source>
        <translation>The recipient gave an invalid packet size. The file was not sent.</translation>
    </message>
    <message>
        <source>La dimensione dei pacchetti selezionata è incompatibile con quella selezionata dal destinatario del file. La dimensione è stata ora resa compatibile. Quando pronto clicca nuovamente su &apos;Invia&apos; per inoltrare il file.</source>
        <translation>The packet size chosen does not match the one chosen by the file&apos;s recipient. The size has now been made to match. When ready, click &apos;Send&apos; again to send the file.</translation>
    </message>
    <message>
        <source>Statistiche del file in uscita...</source>
        <translation>Outgoing file statistics...</translation>
    </message>
    <message>
        <source>File Transfer Error</source>
        <translation>File Transfer Error</translation>
    </message>
    <message>
        <source>Il file è stato rifiutato. Grrrr..</source>
        <translation>The file was refused. Grrrr..</translation>
    </message>
    <message>
        <source>File in attesa di permesso...</source>
        <translation>File awaiting permission...</translation>
    </message>
    <message>
        <source>Trasferimento completato. %1 inviati.</source>
        <translation>Transfer completed. %1 sent.</translation>
    </message>
    <message>
        <source>Stato: %1% del file inviato. %2 residui.</source>
        <translation>Status: %1% of the file sent. %2 left.</translation>
    </message>
    <message>
        <source>Trasferimento completo</source>
        <translation>Transfer complete</translation>
    </message>
    <message>
        <source>Trasferimento del file completato.</source>
        <translation>File transfer completed.</translation>
    </message>
    <message>
        <source>Connessione terminata</source>
        <translation>Connection ended</translation>
    </message>
    <message>
        <source>Il trasferimento del file è stato annullato dal mittente.</source>
        <translation>The file transfer was cancelled by the sender.</translation>
    </message>
    <message>
        <source>Il trasferimento del file non è andato a buon fine: la connessione col destinatario è stata persa.</source>
        <translation>The file transfer failed: the connection to the recipient was lost.</translation>
    </message>
    <message>
        <source>Il trasferimento del file non è andato a buon fine: il destinatario ha perso o chiuso la connessione.</source>
        <translation>The file transfer failed: the recipient lost or closed the connection.</translation>
    </message>
    <message>
        <source>Il trasferimento del file non è andato a buon fine: il file %1 non può più essere letto.</source>
        <translation>The file transfer failed: the file %1 can no longer be read.</translation>
    </message>
    <message>
        <source>Stato: Sconnesso.</source>
        <translation>Status: Disconnected.</translation>
    </message>
    <message>
        <source>%1 [%2] si è presentato con un&apos;identità diversa da quella che il tavolo conosce per questo giocatore: può darsi che qualcuno si sia messo in mezzo. La connessione è stata chiusa e non è stato inviato nulla.</source>
        <translation>%1 [%2] presented an identity other than the one the table knows for this player: someone may have got in between. The connection was closed and nothing was sent.</translation>
    </message>
</context>
<context>
    <name>transfer::FrmServerCLient</name>
    <message>
        <source>Ricezione</source>
        <translation>Receiving</translation>
    </message>
    <message>
        <source>Invio</source>
        <translation>Sending</translation>
    </message>
    <message>
        <source>Porta attiva:</source>
        <translation>Active port:</translation>
    </message>
    <message>
        <source>Cambia porta in:</source>
        <translation>Change port to:</translation>
    </message>
    <message>
        <source>Cambia in:</source>
        <translation>Change to:</translation>
    </message>
    <message>
        <source>Blocca ogni richiesta di connessione.</source>
        <translation>Block every connection request.</translation>
    </message>
    <message>
        <source>Accetta ogni richiesta di connessione.</source>
        <translation>Accept every connection request.</translation>
    </message>
    <message>
        <source>Accetta automaticamente ogni file.</source>
        <translation>Accept every file automatically.</translation>
    </message>
    <message>
        <source>Kb per pacchetto:</source>
        <translation>Kb per packet:</translation>
    </message>
    <message>
        <source>Salva in:</source>
        <translation>Save in:</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Destinatario:</source>
        <translation>Recipient:</translation>
    </message>
    <message>
        <source>IP:</source>
        <translation>IP:</translation>
    </message>
    <message>
        <source>Porta:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Attiva</source>
        <translation>Activate</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Invia</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Packet size:</source>
        <translation>Packet size:</translation>
    </message>
    <message>
        <source>Dimensione:</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>File in arrivo: %1</source>
        <translation>Incoming file: %1</translation>
    </message>
    <message>
        <source>Packet size: %1</source>
        <translation>Packet size: %1</translation>
    </message>
    <message>
        <source>File in uscita: %1</source>
        <translation>Outgoing file: %1</translation>
    </message>
    <message>
        <source>Scegli il file da inviare</source>
        <translation>Choose the file to send</translation>
    </message>
    <message>
        <source>Dimensione: %1</source>
        <translation>Size: %1</translation>
    </message>
    <message>
        <source>Nuova porta di ricezione</source>
        <translation>New receiving port</translation>
    </message>
    <message>
        <source>Cambia porta</source>
        <translation>Change port</translation>
    </message>
    <message>
        <source>Cambia la porta di ricezione in quella scritta</source>
        <translation>Changes the receiving port to the one written</translation>
    </message>
    <message>
        <source>Kb per pacchetto in ricezione</source>
        <translation>Kb per packet when receiving</translation>
    </message>
    <message>
        <source>Cartella dove salvare i file ricevuti</source>
        <translation>Folder where received files are saved</translation>
    </message>
    <message>
        <source>Cartelle</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>Annulla la ricezione</source>
        <translation>Cancels the receiving</translation>
    </message>
    <message>
        <source>Destinatario</source>
        <translation>Recipient</translation>
    </message>
    <message>
        <source>Nome del destinatario</source>
        <translation>Recipient&apos;s name</translation>
    </message>
    <message>
        <source>Indirizzo del destinatario</source>
        <translation>Recipient&apos;s address</translation>
    </message>
    <message>
        <source>Porta del destinatario</source>
        <translation>Recipient&apos;s port</translation>
    </message>
    <message>
        <source>Si collega al destinatario</source>
        <translation>Connects to the recipient</translation>
    </message>
    <message>
        <source>Chiude il collegamento</source>
        <translation>Closes the connection</translation>
    </message>
    <message>
        <source>Kb per pacchetto in invio</source>
        <translation>Kb per packet when sending</translation>
    </message>
    <message>
        <source>Sceglie il file da inviare</source>
        <translation>Chooses the file to send</translation>
    </message>
    <message>
        <source>File da inviare</source>
        <translation>File to send</translation>
    </message>
    <message>
        <source>Annulla l&apos;invio</source>
        <translation>Cancels the sending</translation>
    </message>
    <message>
        <source>Stato</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>nessuna</source>
        <translation>none</translation>
    </message>
</context>
<context>
    <name>transfer::IncomingOffer</name>
    <message>
        <source>Stato: File rifiutato: nome del file non valido.</source>
        <translation>Status: File refused: invalid file name.</translation>
    </message>
    <message>
        <source>Stato: File rifiutato: nome del file troppo lungo.</source>
        <translation>Status: File refused: file name too long.</translation>
    </message>
    <message>
        <source>non è una cartella</source>
        <translation>it is not a folder</translation>
    </message>
    <message>
        <source>impossibile crearla</source>
        <translation>it cannot be created</translation>
    </message>
    <message>
        <source>è un collegamento simbolico</source>
        <translation>it is a symbolic link</translation>
    </message>
    <message>
        <source>non è un file normale</source>
        <translation>it is not a regular file</translation>
    </message>
    <message>
        <source>impossibile sostituirlo</source>
        <translation>it cannot be replaced</translation>
    </message>
    <message>
        <source>impossibile rinominarlo</source>
        <translation>it cannot be renamed</translation>
    </message>
</context>
</TS>
