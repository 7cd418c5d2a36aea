#include "palette.h"
#include "palettewidget.h"

#include <QComboBox>
#include <QFrame>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using board::Palette;
using board::PaletteWidget;

namespace {

int borderedCount(const Palette &p)
{
    int n = 0;
    for (int i = 0; i < Palette::kCount; ++i)
        n += p.hasBorder(i);
    return n;
}

/// Chooses @p name in the list the way a user does.
void choose(QComboBox *combo, const QString &name)
{
    const int index = combo->findText(name);
    QVERIFY(index >= 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace

class TestPalette : public QObject
{
    Q_OBJECT
private slots:
    // The model.
    void swatchTable_data();
    void swatchTable();
    void namesAreSortedAndComplete();
    void nothingSelectedAtStart();
    void arancioneChiaroSelectsSwatch19();
    void biancoSelectsSwatch0();
    void clickAfterNameLeavesOnlyTheClicked();
    void unknownNameSelectsNothing();
    void nameMustMatchExactly();
    void invalidIndexChangesNothing();
    void firstBorderedSwatchWins();
    void bordersChangedOnlyOnChange();

    // The controls.
    void controlsAreCreated();
    void comboShowsNeroWithItsSwatchSelected();
    void clickingASwatchSelectsIt();
    void choosingANameSelectsItsSwatch();
    void bordersFollowTheModel();
};

void TestPalette::swatchTable_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<uint>("colour");
    const struct { const char *name; uint colour; } table[] = {
        {"Bianco", 0x00FFFFFF}, {"Nero", 0x00000000}, {"Grigio", 0x00C0C0C0},
        {"Grigio fumo", 0x00808080}, {"Rosso scuro", 0x00000080}, {"Rosso", 0x000000FF},
        {"Marrone", 0x00004080}, {"Arancione", 0x000080FF}, {"Verde scuro", 0x00008000},
        {"Verde acceso", 0x0000FF00}, {"Giallo scuro", 0x00008080}, {"Giallo", 0x0000FFFF},
        {"Viola scuro", 0x00800080}, {"Porpora", 0x00FF00FF}, {"Blu notte", 0x00800000},
        {"Blu", 0x00FF0000}, {"Azzurro", 0x00FFC0C0}, {"Lilla", 0x00FFC0FF},
        {"Rosa", 0x00C0C0FF}, {"Arancione chiaro", 0x00C0E0FF}, {"Verde chiaro", 0x00C0FFC0},
        {"Giallo sabbia", 0x0000C0C0}, {"Rosso sangue", 0x000000C0}, {"Verde", 0x0000C000},
        {"Turchese", 0x00C0C000}, {"Viola", 0x00C000C0},
    };
    int i = 0;
    for (const auto &row : table) {
        QTest::newRow(row.name) << i << QString::fromUtf8(row.name) << row.colour;
        ++i;
    }
}

void TestPalette::swatchTable()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(uint, colour);
    QCOMPARE(Palette::nameAt(index), name);
    QCOMPARE(Palette::colourAt(index), quint32(colour));
    // Selecting it by name gives back its colour and index as fields.
    Palette p;
    p.Combo1_Click(name);
    QCOMPARE(p.selectedIndex(), index);
    QCOMPARE(p.sCurrentColor(), QString::number(colour).rightJustified(10, QLatin1Char('0')));
    QCOMPARE(p.currentColour(), std::optional<quint32>(colour));
    QCOMPARE(p.sCurrentColor2(), QString::number(index).rightJustified(10, QLatin1Char('0')));
}

void TestPalette::namesAreSortedAndComplete()
{
    const QStringList names = Palette::sortedNames();
    QCOMPARE(names.size(), 26);
    const QStringList expected = {
        "Arancione", "Arancione chiaro", "Azzurro", "Bianco", "Blu", "Blu notte",
        "Giallo", "Giallo sabbia", "Giallo scuro", "Grigio", "Grigio fumo", "Lilla",
        "Marrone", "Nero", "Porpora", "Rosa", "Rosso", "Rosso sangue", "Rosso scuro",
        "Turchese", "Verde", "Verde acceso", "Verde chiaro", "Verde scuro", "Viola",
        "Viola scuro"};
    QCOMPARE(names, expected);
    QVERIFY(Palette::nameAt(26).isEmpty());
    QVERIFY(Palette::nameAt(-1).isEmpty());
}

void TestPalette::nothingSelectedAtStart()
{
    Palette p;
    QCOMPARE(p.selectedIndex(), -1);
    QCOMPARE(borderedCount(p), 0);
    QCOMPARE(p.sCurrentColor(), QString());
    QCOMPARE(p.currentColour(), std::optional<quint32>());
    QCOMPARE(p.sCurrentColor2(), QString());
}

void TestPalette::arancioneChiaroSelectsSwatch19()
{
    Palette p;
    p.Combo1_Click(QStringLiteral("Arancione chiaro"));
    QVERIFY(p.hasBorder(19));
    QCOMPARE(borderedCount(p), 1);
    QCOMPARE(p.sCurrentColor(), QStringLiteral("0012640511"));
    QCOMPARE(p.sCurrentColor2(), QStringLiteral("0000000019"));
}

void TestPalette::biancoSelectsSwatch0()
{
    Palette p;
    p.Combo1_Click(QStringLiteral("Bianco"));
    QVERIFY(p.hasBorder(0));
    QCOMPARE(p.sCurrentColor(), QStringLiteral("0016777215"));
    QCOMPARE(p.sCurrentColor2(), QStringLiteral("0000000000"));
}

void TestPalette::clickAfterNameLeavesOnlyTheClicked()
{
    Palette p;
    p.Combo1_Click(QStringLiteral("Viola"));
    QVERIFY(p.hasBorder(25));
    p.picSelColor_Click(5);
    QCOMPARE(borderedCount(p), 1);
    QVERIFY(p.hasBorder(5));
    QCOMPARE(p.sCurrentColor(), QStringLiteral("0000000255"));
    QCOMPARE(p.sCurrentColor2(), QStringLiteral("0000000005"));
    p.picSelColor_Click(1);
    QCOMPARE(borderedCount(p), 1);
    QCOMPARE(p.sCurrentColor(), QStringLiteral("0000000000"));
}

void TestPalette::unknownNameSelectsNothing()
{
    Palette p;
    p.picSelColor_Click(3);
    p.Combo1_Click(QStringLiteral("Fucsia"));
    QCOMPARE(borderedCount(p), 0);
    QCOMPARE(p.sCurrentColor(), QString());
    QCOMPARE(p.currentColour(), std::optional<quint32>());
    QCOMPARE(p.sCurrentColor2(), QString());
}

void TestPalette::nameMustMatchExactly()
{
    Palette p;
    p.Combo1_Click(QStringLiteral("nero"));
    QCOMPARE(p.selectedIndex(), -1);
    p.Combo1_Click(QStringLiteral("Verde "));
    QCOMPARE(p.selectedIndex(), -1);
    p.Combo1_Click(QStringLiteral("Verde"));
    QCOMPARE(p.selectedIndex(), 23);
}

void TestPalette::invalidIndexChangesNothing()
{
    Palette p;
    p.picSelColor_Click(7);
    QSignalSpy spy(&p, &Palette::bordersChanged);
    p.picSelColor_Click(26);
    p.picSelColor_Click(-1);
    p.setBorder(40, true);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(p.selectedIndex(), 7);
    QVERIFY(!p.hasBorder(26));
}

void TestPalette::firstBorderedSwatchWins()
{
    // A receiver's text drawing can leave two borders for a moment; the scan
    // from index 0 decides.
    Palette p;
    p.setBorder(20, true);
    p.setBorder(9, true);
    QCOMPARE(p.selectedIndex(), 9);
    QCOMPARE(p.sCurrentColor(), QStringLiteral("0000065280"));
    QCOMPARE(p.sCurrentColor2(), QStringLiteral("0000000009"));
    p.clearBorders();
    QCOMPARE(p.selectedIndex(), -1);
}

void TestPalette::bordersChangedOnlyOnChange()
{
    Palette p;
    QSignalSpy spy(&p, &Palette::bordersChanged);
    p.picSelColor_Click(4);
    QCOMPARE(spy.count(), 1);
    p.picSelColor_Click(4);
    QCOMPARE(spy.count(), 1);
    p.Combo1_Click(QStringLiteral("Rosso scuro")); // swatch 4 again
    QCOMPARE(spy.count(), 1);
    p.Combo1_Click(QStringLiteral("Blu"));
    QCOMPARE(spy.count(), 2);
    p.clearBorders();
    p.clearBorders();
    QCOMPARE(spy.count(), 3);
}

void TestPalette::controlsAreCreated()
{
    QWidget window;
    Palette palette;
    PaletteWidget ui(&palette, &window, QPoint(10, 20));
    for (int i = 0; i < 26; ++i) {
        auto *swatch = window.findChild<QFrame *>(QStringLiteral("picSelColor(%1)").arg(i));
        QVERIFY2(swatch, qPrintable(QString::number(i)));
        QCOMPARE(swatch, ui.picSelColor(i));
        const quint32 c = Palette::colourAt(i);
        QCOMPARE(swatch->palette().color(QPalette::Window),
                 QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        if (i < 16) {
            QCOMPARE(swatch->size(), QSize(25, 25)); // 375 twips
            QCOMPARE(swatch->parentWidget(), &window);
        } else {
            QCOMPARE(swatch->size(), QSize(12, 25)); // 175 x 375 twips
            QCOMPARE(swatch->parentWidget(), ui.extraContainer());
            QCOMPARE(swatch->pos(), QPoint(0, 0));
        }
    }
    // Two rows 360 twips (24 pixels) apart.
    QCOMPARE(ui.picSelColor(0)->pos(), QPoint(10, 20));
    QCOMPARE(ui.picSelColor(8)->pos(), QPoint(10, 44));
    QCOMPARE(ui.picSelColor(1)->pos(), QPoint(35, 20));
    QVERIFY(ui.extraContainer()->parentWidget() == &window);
}

void TestPalette::comboShowsNeroWithItsSwatchSelected()
{
    QWidget window;
    Palette palette;
    PaletteWidget ui(&palette, &window);
    auto *combo = window.findChild<QComboBox *>(QStringLiteral("Combo1"));
    QVERIFY(combo);
    QCOMPARE(combo->toolTip(), QStringLiteral("Colori"));
    QCOMPARE(combo->currentText(), QStringLiteral("Nero"));
    QCOMPARE(combo->count(), 26);
    for (int i = 0; i < combo->count(); ++i)
        QCOMPARE(combo->itemText(i), Palette::sortedNames().at(i));
    // The colour the list names is the one a first stroke draws in.
    QCOMPARE(palette.selectedIndex(), 1);
    QCOMPARE(palette.sCurrentColor(), QStringLiteral("0000000000"));
    for (int i = 0; i < 26; ++i)
        QCOMPARE(ui.picSelColor(i)->property("BorderStyle").toInt(), i == 1 ? 1 : 0);
    // No colour stays possible: drawing then asks for one.
    palette.clearBorders();
    QCOMPARE(palette.currentColour(), std::optional<quint32>());
    QCOMPARE(ui.picSelColor(1)->property("BorderStyle").toInt(), 0);

    // A palette that already has a colour keeps it when the controls are made.
    QWidget other;
    Palette chosen;
    chosen.picSelColor_Click(5);
    PaletteWidget otherUi(&chosen, &other);
    QCOMPARE(chosen.selectedIndex(), 5);
}

void TestPalette::clickingASwatchSelectsIt()
{
    QWidget window;
    Palette palette;
    PaletteWidget ui(&palette, &window);
    window.show();
    QTest::mouseClick(ui.picSelColor(13), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(palette.selectedIndex(), 13);
    QCOMPARE(palette.sCurrentColor(), QStringLiteral("0016711935"));
    QCOMPARE(ui.picSelColor(13)->frameShape(), QFrame::Box);
    QCOMPARE(ui.picSelColor(13)->lineWidth(), 1);
    QTest::mouseClick(ui.picSelColor(2), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(palette.selectedIndex(), 2);
    QCOMPARE(ui.picSelColor(13)->frameShape(), QFrame::NoFrame);
}

void TestPalette::choosingANameSelectsItsSwatch()
{
    QWidget window;
    Palette palette;
    PaletteWidget ui(&palette, &window);
    choose(ui.Combo1(), QStringLiteral("Arancione chiaro"));
    QCOMPARE(palette.selectedIndex(), 19);
    QCOMPARE(palette.sCurrentColor(), QStringLiteral("0012640511"));
    QCOMPARE(ui.picSelColor(19)->property("BorderStyle").toInt(), 1);
    // A click afterwards leaves only the clicked swatch bordered.
    window.show();
    QTest::mouseClick(ui.picSelColor(0), Qt::LeftButton, {}, QPoint(3, 3));
    int bordered = 0;
    for (int i = 0; i < 26; ++i)
        bordered += ui.picSelColor(i)->property("BorderStyle").toInt();
    QCOMPARE(bordered, 1);
    QCOMPARE(ui.picSelColor(0)->property("BorderStyle").toInt(), 1);
}

void TestPalette::bordersFollowTheModel()
{
    QWidget window;
    Palette palette;
    PaletteWidget ui(&palette, &window);
    palette.setBorder(22, true);
    QCOMPARE(ui.picSelColor(22)->frameShape(), QFrame::Box);
    palette.setBorder(22, false);
    QCOMPARE(ui.picSelColor(22)->frameShape(), QFrame::NoFrame);
    // Setting the list's text from code changes no selection.
    ui.Combo1()->setCurrentIndex(ui.Combo1()->findText(QStringLiteral("Blu")));
    QCOMPARE(palette.selectedIndex(), 1); // "Nero", chosen at start
    palette.clearBorders();
    ui.Combo1()->setCurrentIndex(ui.Combo1()->findText(QStringLiteral("Rosso")));
    QCOMPARE(palette.selectedIndex(), -1);
}

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
