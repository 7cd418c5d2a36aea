#include "frmmain.h"
#include "languagechoice.h"
#include "presetbar.h"
#include "togglebutton.h"
#include "translations.h"

#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
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
    void englishCaptionsFitAtEveryPreset();
};

void tst_Translations::choice_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("preference");
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("expected");
    QTest::newRow("german then english") << QString() << QString() << "de-DE,en-US"
                                         << "en";
    QTest::newRow("german only") << QString() << QString() << "de-DE,de"
                                 << "it";
    QTest::newRow("preference over desktop") << QString() << "it"
                                             << "en-US"
                                             << "it";
    QTest::newRow("option over preference") << "EN"
                                            << "it"
                                            << "it"
                                            << "en";
    QTest::newRow("unknown preference") << QString() << "fr"
                                        << "en_US.UTF-8"
                                        << "en";
}

void tst_Translations::choice()
{
    QFETCH(QString, option);
    QFETCH(QString, preference);
    QFETCH(QString, desktop);
    QFETCH(QString, expected);
    QCOMPARE(LanguageChoice::pick(option, preference, desktop.split(QLatin1Char(','))), expected);
}

// lupdate over the sources, against a copy of the committed file: a text
// added or changed without its translation shows as unfinished, one gone
// from the sources as vanished; both ask for "update_translations".
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
    QCOMPARE(QProcess::execute(TAVERNIX_LUPDATE,
                               options + QStringList{"-locations", "none", "-no-ui-lines",
                                                     "@" TAVERNIX_SOURCES_LIST, "-ts", copy}),
             0);
    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString ts = QString::fromUtf8(file.readAll());
    QVERIFY(ts.contains(QLatin1String("<message")));
    static const QRegularExpression open(
        QStringLiteral("<source>(.*?)</source>\\s*(?:<comment>.*?</comment>\\s*)?"
                       "<translation type=\"(\\w+)\""),
        QRegularExpression::DotMatchesEverythingOption);
    QStringList missing;
    for (const QRegularExpressionMatch &m : open.globalMatch(ts))
        missing << m.captured(2) + QLatin1String(": ") + m.captured(1);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
}

void tst_Translations::installedLanguageIsSpoken()
{
    // Qt's own buttons (file and colour dialogs, message boxes) follow the
    // program's language; their Italian comes from qt6-translations-l10n.
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    language::Translations texts;
    QVERIFY(texts.install(LanguageChoice::kItalian));
    QCOMPARE(QCoreApplication::translate("session::SessionKeeper", "%n righe", nullptr, 1),
             QStringLiteral("1 riga"));
    if (!texts.qtTextsFound())
        QSKIP("Qt's Italian texts are not installed (qt6-translations-l10n)");
    QCOMPARE(cancel(), QStringLiteral("Annulla"));
    QVERIFY(texts.install(LanguageChoice::kEnglish));
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
}

// English captions are often longer than the Italian ones the window was
// laid out for: at every size preset each caption shown fits its control.
void tst_Translations::englishCaptionsFitAtEveryPreset()
{
    language::Translations texts;
    QVERIFY(texts.install(LanguageChoice::kEnglish));
    QTemporaryDir dir;
    app::frmMain form(dir.filePath(QStringLiteral("english.ini")));
    form.show();
    QCOMPARE(form.cmdConnect->text(), QStringLiteral("Connect"));
    QStringList cut;
    for (int preset = 0; preset < 4; ++preset) {
        form.presets()->Command23(preset)->click();
        QTRY_COMPARE(form.presets()->highlighted(), preset);
        for (QWidget *w : form.findChildren<QWidget *>()) {
            if (!w->isVisible() ||
                !form.rect().contains(QRect(w->mapTo(&form, QPoint()), w->size())))
                continue;
            const auto *label = qobject_cast<QLabel *>(w);
            const auto *button = qobject_cast<QAbstractButton *>(w);
            QString text = label ? label->text() : button ? button->text() : QString();
            // A check box's text sits beside its box, a button's beside its icon.
            int room = label ? label->contentsRect().width() : w->width() - 4;
            if (button && (qobject_cast<QCheckBox *>(w) || !button->icon().isNull()))
                room -= 16;
            if (!text.remove(QLatin1Char('&')).isEmpty() && !(label && label->wordWrap()) &&
                w->fontMetrics().horizontalAdvance(text) > room)
                cut << QStringLiteral("%1: %2=%3").arg(preset).arg(w->objectName(), text);
        }
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String(" | "))));
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
