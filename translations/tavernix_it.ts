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
</TS>
