#include "languagechoice.h"
#include "translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using language::LanguageChoice;

class tst_Translations : public QObject
{
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void everyTextHasItsTranslation_data();
    void everyTextHasItsTranslation();
    void installedLanguageIsSpoken();
};

void tst_Translations::choice_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("preference");
    QTest::addColumn<QStringList>("desktop");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing") << ""
                             << "" << QStringList{} << "it";
    QTest::newRow("C locale") << ""
                              << "" << QStringList{"C"} << "it";
    QTest::newRow("italian desktop") << ""
                                     << "" << QStringList{"it-IT", "en-US"} << "it";
    QTest::newRow("english desktop") << ""
                                     << "" << QStringList{"en-GB", "en"} << "en";
    QTest::newRow("german then english") << ""
                                         << "" << QStringList{"de-DE", "en-US"} << "en";
    QTest::newRow("german only") << ""
                                 << "" << QStringList{"de-DE", "de"} << "it";
    QTest::newRow("preference over desktop") << ""
                                             << "it" << QStringList{"en-US"} << "it";
    QTest::newRow("option over preference") << "EN"
                                            << "it" << QStringList{"it"} << "en";
    QTest::newRow("unknown preference skipped") << ""
                                                << "fr" << QStringList{"en_US.UTF-8"} << "en";
}

void tst_Translations::choice()
{
    QFETCH(QString, option);
    QFETCH(QString, preference);
    QFETCH(QStringList, desktop);
    QFETCH(QString, expected);
    QCOMPARE(LanguageChoice::pick(option, preference, desktop), expected);
}

// lupdate is run over the sources against a copy of the committed file: a
// text added or changed without its translation shows as unfinished, one
// removed from the sources as vanished. Either means the file needs
// "update_translations" and a translator.
void tst_Translations::everyTextHasItsTranslation_data()
{
    QTest::addColumn<QString>("committed");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("english") << TAVERNIX_TS_ENGLISH << QStringList{};
    QTest::newRow("italian plurals") << TAVERNIX_TS_ITALIAN << QStringList{"-pluralonly"};
}

void tst_Translations::everyTextHasItsTranslation()
{
    QFETCH(QString, committed);
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    const QString copy = dir.filePath(QFileInfo(committed).fileName());
    QVERIFY(QFile::copy(committed, copy));
    QProcess lupdate;
    lupdate.start(TAVERNIX_LUPDATE, options + QStringList{"-locations", "none", "-no-ui-lines",
                                                          "@" TAVERNIX_SOURCES_LIST, "-ts", copy});
    QVERIFY(lupdate.waitForFinished(120000));
    QCOMPARE(lupdate.exitCode(), 0);

    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList missing;
    int messages = 0;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("message"))
            ++messages;
        else if (xml.name() == QLatin1String("source"))
            source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation")) {
            const auto type = xml.attributes().value(QLatin1String("type"));
            if (!type.isEmpty())
                missing << type.toString() + QLatin1String(": ") + source;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    if (options.isEmpty())
        QVERIFY(messages > 300); // the whole window, not an empty file
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
}

void tst_Translations::installedLanguageIsSpoken()
{
    // Qt's own buttons (file and colour dialogs, message boxes) follow the
    // program's language; their Italian comes from qt6-translations-l10n.
    const auto qtCancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    language::Translations texts;
    QVERIFY(texts.install(LanguageChoice::kItalian));
    QCOMPARE(QCoreApplication::translate("app::frmMain", "Connetti"), QStringLiteral("Connetti"));
    if (!texts.qtTextsFound())
        QSKIP("Qt's Italian texts are not installed (qt6-translations-l10n)");
    QCOMPARE(qtCancel(), QStringLiteral("Annulla"));
    QVERIFY(texts.install(LanguageChoice::kEnglish));
    QCOMPARE(QCoreApplication::translate("app::frmMain", "Connetti"), QStringLiteral("Connect"));
    QCOMPARE(qtCancel(), QStringLiteral("Cancel"));
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
