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
    <name>dice::FileAudit</name>
    <message numerus="yes">
        <source>%n righe di dadi nel file sono illeggibili o alterate.</source>
        <translation>
            <numerusform>%n riga di dadi nel file è illeggibile o alterata.</numerusform>
            <numerusform>%n righe di dadi nel file sono illeggibili o alterate.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n tiri non si possono verificare: il loro seme non è mai stato rivelato nel file.</source>
        <translation>
            <numerusform>%n tiro non si può verificare: il suo seme non è mai stato rivelato nel file.</numerusform>
            <numerusform>%n tiri non si possono verificare: il loro seme non è mai stato rivelato nel file.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n problemi nei dadi del file, </source>
        <translation>
            <numerusform>%n problema nei dadi del file, </numerusform>
            <numerusform>%n problemi nei dadi del file, </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n tiri verificati.</source>
        <translation>
            <numerusform>%n tiro verificato.</numerusform>
            <numerusform>%n tiri verificati.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>dice::Verifier</name>
    <message numerus="yes">
        <source>(e altri %n problemi)</source>
        <translation>
            <numerusform>(e un altro problema)</numerusform>
            <numerusform>(e altri %n problemi)</numerusform>
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
