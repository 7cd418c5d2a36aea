#include "frmmain.h"
#include "languagechoice.h"
#include "presetbar.h"
#include "togglebutton.h"
#include "translations.h"
#include "windowpresets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

// English captions are often longer than the Italian ones the window was
// laid out for: at every size preset each caption shown must fit its control.
class tst_English : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void captionsFitAtEveryPreset_data();
    void captionsFitAtEveryPreset();

private:
    QTemporaryDir m_dir;
    language::Translations m_english;
};

void tst_English::initTestCase()
{
    QVERIFY(m_english.install(language::LanguageChoice::kEnglish));
}

void tst_English::captionsFitAtEveryPreset_data()
{
    QTest::addColumn<int>("element");
    for (int i = 0; i < panel::WindowPresets::kCount; ++i)
        QTest::addRow("preset %d", i) << i;
}

void tst_English::captionsFitAtEveryPreset()
{
    QFETCH(int, element);
    app::frmMain form(m_dir.filePath(QStringLiteral("english%1.ini").arg(element)));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // Translated for real, not the Italian the window would show without it.
    QCOMPARE(form.cmdConnect->text(), QStringLiteral("Connect"));
    form.presets()->Command23(element)->click();
    QTRY_COMPARE(form.presets()->highlighted(), element);

    QStringList cut;
    const QRect inside = form.rect();
    for (QWidget *widget : form.findChildren<QWidget *>()) {
        if (widget->window() != &form || !widget->isVisible())
            continue;
        if (!inside.contains(QRect(widget->mapTo(&form, QPoint(0, 0)), widget->size())))
            continue; // beyond this preset's edge, not shown at all
        QString text;
        int room = 0;
        if (auto *label = qobject_cast<QLabel *>(widget); label && !label->wordWrap()) {
            text = label->text();
            room = label->contentsRect().width();
        } else if (auto *box = qobject_cast<QCheckBox *>(widget)) {
            text = box->text();
            room = box->width() -
                   box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) -
                   box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
        } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            text = button->text();
            room = button->width() - 4 - (button->icon().isNull() ? 0 : button->iconSize().width());
        } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
            text = frame->title();
            room = frame->width() - 8;
        }
        text.remove(QLatin1Char('&'));
        if (!text.isEmpty() && QFontMetrics(widget->font()).horizontalAdvance(text) > room)
            cut << widget->objectName() + QLatin1Char('=') + text;
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String(" | "))));
}

QTEST_MAIN(tst_English)
#include "tst_english.moc"
