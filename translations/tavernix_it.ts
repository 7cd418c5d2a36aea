<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
<context>
    <name>a11y::Announcer</name>
    <message numerus="yes">
        <source>%n novità; l&apos;ultima: %1</source>
        <translation>
            <numerusform>%n novità; l&apos;ultima: %1</numerusform>
            <numerusform>%n novità; l&apos;ultima: %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>session::ChatSession</name>
    <message numerus="yes">
        <source>%n messaggi</source>
        <translation>
            <numerusform>%n messaggio</numerusform>
            <numerusform>%n messaggi</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n disegni</source>
        <translation>
            <numerusform>%n disegno</numerusform>
            <numerusform>%n disegni</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n disegni fatti durante l&apos;assenza non sono stati inviati: erano sulla lavagna della partita finita.</source>
        <translation>
            <numerusform>%n disegno fatto durante l&apos;assenza non è stato inviato: era sulla lavagna della partita finita.</numerusform>
            <numerusform>%n disegni fatti durante l&apos;assenza non sono stati inviati: erano sulla lavagna della partita finita.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>session::Rejoin</name>
    <message numerus="yes">
        <source>L&apos;host non risponde da %n minuti: nessun altro tentativo. &quot;Connetti&quot; per riprovare.</source>
        <translation>
            <numerusform>L&apos;host non risponde da %n minuto: nessun altro tentativo. &quot;Connetti&quot; per riprovare.</numerusform>
            <numerusform>L&apos;host non risponde da %n minuti: nessun altro tentativo. &quot;Connetti&quot; per riprovare.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>session::SessionKeeper</name>
    <message numerus="yes">
        <source>%n disegni</source>
        <translation>
            <numerusform>%n disegno</numerusform>
            <numerusform>%n disegni</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n righe</source>
        <translation>
            <numerusform>%n riga</numerusform>
            <numerusform>%n righe</numerusform>
        </translation>
    </message>
</context>
</TS>
