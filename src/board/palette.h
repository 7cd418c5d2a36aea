#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace board {

/**
 * @brief The 26 colour swatches of the board and which one carries the
 * border. The border is the only record of the selection: there is no
 * separate "current colour".
 */
class Palette : public QObject
{
    Q_OBJECT
public:
    static constexpr int kCount = 26;

    struct Swatch {
        const char *name; ///< as listed in the colour name list
        quint32 colour;   ///< 0x00BBGGRR
    };

    explicit Palette(QObject *parent = nullptr);

    static QString nameAt(int index);
    static quint32 colourAt(int index);
    /// The 26 names in alphabetical order, as the name list shows them.
    static QStringList sortedNames();
    /// @p name (one of the names above) as the reader's language says it.
    static QString caption(const QString &name);

    /// Swatch click: every border off, then the clicked one on.
    void picSelColor_Click(int index);
    /// Name chosen: every border off, then the swatch with that exact name
    /// on; a name that matches none leaves nothing selected.
    void Combo1_Click(const QString &name);

    bool hasBorder(int index) const;
    void setBorder(int index, bool on);
    void clearBorders();
    /// The first bordered swatch, or -1.
    int selectedIndex() const;

    /// Colour 0x00BBGGRR of the first bordered swatch, or nothing.
    std::optional<quint32> currentColour() const;
    /// Colour of the first bordered swatch as a number field, or empty.
    QString sCurrentColor() const;
    /// Index of the first bordered swatch as a number field, or empty.
    QString sCurrentColor2() const;

signals:
    /// A swatch's border changed.
    void bordersChanged();

private:
    std::array<bool, kCount> m_border{};
};

} // namespace board
