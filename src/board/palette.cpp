#include "palette.h"

#include "protocol.h"

#include <algorithm>

namespace board {

namespace {

// Index order is the swatch order on the window; colours are 0x00BBGGRR.
constexpr std::array<Palette::Swatch, Palette::kCount> kSwatches{{
    {"Bianco", 0x00FFFFFF},
    {"Nero", 0x00000000},
    {"Grigio", 0x00C0C0C0},
    {"Grigio fumo", 0x00808080},
    {"Rosso scuro", 0x00000080},
    {"Rosso", 0x000000FF},
    {"Marrone", 0x00004080},
    {"Arancione", 0x000080FF},
    {"Verde scuro", 0x00008000},
    {"Verde acceso", 0x0000FF00},
    {"Giallo scuro", 0x00008080},
    {"Giallo", 0x0000FFFF},
    {"Viola scuro", 0x00800080},
    {"Porpora", 0x00FF00FF},
    {"Blu notte", 0x00800000},
    {"Blu", 0x00FF0000},
    {"Azzurro", 0x00FFC0C0},
    {"Lilla", 0x00FFC0FF},
    {"Rosa", 0x00C0C0FF},
    {"Arancione chiaro", 0x00C0E0FF},
    {"Verde chiaro", 0x00C0FFC0},
    {"Giallo sabbia", 0x0000C0C0},
    {"Rosso sangue", 0x000000C0},
    {"Verde", 0x0000C000},
    {"Turchese", 0x00C0C000},
    {"Viola", 0x00C000C0},
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

QStringList Palette::sortedNames()
{
    QStringList names;
    for (const Swatch &s : kSwatches)
        names.append(QString::fromUtf8(s.name));
    // Case-insensitive like a sorted list box; a name sorts before the
    // longer names it begins ("Verde" before "Verde acceso").
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
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
