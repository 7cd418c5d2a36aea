#include "palette.h"

#include "protocol.h"

#include <algorithm>

namespace board {

namespace {

// Index order is the swatch order on the window; colours are 0x00BBGGRR.
constexpr std::array<Palette::Swatch, Palette::kCount> kSwatches{{
    {QT_TRANSLATE_NOOP("board::Palette", "Bianco"), 0x00FFFFFF},
    {QT_TRANSLATE_NOOP("board::Palette", "Nero"), 0x00000000},
    {QT_TRANSLATE_NOOP("board::Palette", "Grigio"), 0x00C0C0C0},
    {QT_TRANSLATE_NOOP("board::Palette", "Grigio fumo"), 0x00808080},
    {QT_TRANSLATE_NOOP("board::Palette", "Rosso scuro"), 0x00000080},
    {QT_TRANSLATE_NOOP("board::Palette", "Rosso"), 0x000000FF},
    {QT_TRANSLATE_NOOP("board::Palette", "Marrone"), 0x00004080},
    {QT_TRANSLATE_NOOP("board::Palette", "Arancione"), 0x000080FF},
    {QT_TRANSLATE_NOOP("board::Palette", "Verde scuro"), 0x00008000},
    {QT_TRANSLATE_NOOP("board::Palette", "Verde acceso"), 0x0000FF00},
    {QT_TRANSLATE_NOOP("board::Palette", "Giallo scuro"), 0x00008080},
    {QT_TRANSLATE_NOOP("board::Palette", "Giallo"), 0x0000FFFF},
    {QT_TRANSLATE_NOOP("board::Palette", "Viola scuro"), 0x00800080},
    {QT_TRANSLATE_NOOP("board::Palette", "Porpora"), 0x00FF00FF},
    {QT_TRANSLATE_NOOP("board::Palette", "Blu notte"), 0x00800000},
    {QT_TRANSLATE_NOOP("board::Palette", "Blu"), 0x00FF0000},
    {QT_TRANSLATE_NOOP("board::Palette", "Azzurro"), 0x00FFC0C0},
    {QT_TRANSLATE_NOOP("board::Palette", "Lilla"), 0x00FFC0FF},
    {QT_TRANSLATE_NOOP("board::Palette", "Rosa"), 0x00C0C0FF},
    {QT_TRANSLATE_NOOP("board::Palette", "Arancione chiaro"), 0x00C0E0FF},
    {QT_TRANSLATE_NOOP("board::Palette", "Verde chiaro"), 0x00C0FFC0},
    {QT_TRANSLATE_NOOP("board::Palette", "Giallo sabbia"), 0x0000C0C0},
    {QT_TRANSLATE_NOOP("board::Palette", "Rosso sangue"), 0x000000C0},
    {QT_TRANSLATE_NOOP("board::Palette", "Verde"), 0x0000C000},
    {QT_TRANSLATE_NOOP("board::Palette", "Turchese"), 0x00C0C000},
    {QT_TRANSLATE_NOOP("board::Palette", "Viola"), 0x00C000C0},
}};

bool validIndex(int index)
{
    return index >= 0 && index < Palette::kCount;
}

} // namespace

Palette::Palette(QObject *parent)
    : QObject(parent)
{
}

QString Palette::nameAt(int index)
{
    return validIndex(index) ? QString::fromUtf8(kSwatches[size_t(index)].name) : QString();
}

quint32 Palette::colourAt(int index)
{
    return validIndex(index) ? kSwatches[size_t(index)].colour : 0;
}

QString Palette::caption(const QString &name)
{
    return tr(name.toUtf8().constData());
}

QStringList Palette::sortedNames()
{
    QStringList names;
    for (const Swatch &s : kSwatches)
        names.append(QString::fromUtf8(s.name));
    // Case-insensitive like a sorted list box, by the names the reader sees;
    // a name sorts before the longer names it begins ("Verde" before
    // "Verde acceso").
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const QString shownA = caption(a), shownB = caption(b);
        const int c = QString::compare(shownA, shownB, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : shownA < shownB;
    });
    return names;
}

void Palette::picSelColor_Click(int index)
{
    // The swatches are the only callers; an index that names no swatch
    // leaves the selection as it was.
    if (!validIndex(index))
        return;
    std::array<bool, kCount> next{};
    next[size_t(index)] = true;
    if (next == m_border)
        return;
    m_border = next;
    emit bordersChanged();
}

void Palette::Combo1_Click(const QString &name)
{
    std::array<bool, kCount> next{};
    for (int i = 0; i < kCount; ++i) {
        if (name == QLatin1String(kSwatches[size_t(i)].name)) {
            next[size_t(i)] = true;
            break;
        }
    }
    if (next == m_border)
        return;
    m_border = next;
    emit bordersChanged();
}

bool Palette::hasBorder(int index) const
{
    return validIndex(index) && m_border[size_t(index)];
}

void Palette::setBorder(int index, bool on)
{
    if (!validIndex(index) || m_border[size_t(index)] == on)
        return;
    m_border[size_t(index)] = on;
    emit bordersChanged();
}

void Palette::clearBorders()
{
    if (selectedIndex() < 0)
        return;
    m_border.fill(false);
    emit bordersChanged();
}

int Palette::selectedIndex() const
{
    for (int i = 0; i < kCount; ++i)
        if (m_border[size_t(i)])
            return i;
    return -1;
}

std::optional<quint32> Palette::currentColour() const
{
    const int index = selectedIndex();
    if (index < 0)
        return std::nullopt;
    return kSwatches[size_t(index)].colour;
}

QString Palette::sCurrentColor() const
{
    const auto colour = currentColour();
    return colour ? session::sFormatSend(double(*colour)) : QString();
}

QString Palette::sCurrentColor2() const
{
    const int index = selectedIndex();
    return index < 0 ? QString() : session::sFormatSend(double(index));
}

} // namespace board
