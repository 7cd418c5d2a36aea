<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it_IT">
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
