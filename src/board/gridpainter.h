#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace board
{

class BoardSurface;
class DrawingTools;
class Palette;

/**
 * @brief Paints the grid dialog's grid of lines or dots onto the local board
 * in the palette's colour, or the whole background when a step is below 1,
 * and works out the general step the snap uses.
 *
 * Steps are in grid units of 25 twips. The grid lies on the local board
 * only; nothing is sent.
 */
class GridPainter
{
public:
    static constexpr int kTwipsPerUnit = 25;
    /// The general step when neither box gives one.
    static constexpr int kDefaultGeneralStep = 120;

    /// The kinds of the list, in list order.
    static const QStringList &kinds();
    /// @p kind of kinds() as the reader's language says it.
    static QString kindCaption(const QString &kind);

    enum class Outcome {
        Painted,    ///< a grid of lines or dots
        Background, ///< a step below 1: the board took the palette colour
        Nothing,    ///< no rule matched and both steps are at least 1
        NoColour,   ///< no swatch selected: nothing painted
        TooLarge,   ///< a step whose 25-fold overflows 16 bits: nothing painted
    };

    struct Result {
        Outcome outcome = Outcome::Nothing;
        /// The general step in twips as text, when the procedure got that
        /// far (a step too large stops it before).
        std::optional<QString> generalStep;
    };

    /// How lines are put on the board. Both give the same pixels; Points
    /// plots one dot per twip as the grid is defined and exists to prove it.
    enum class Plot { Lines, Points };

    /// Told before each line (or column of dots): the extent the pass runs
    /// over and the position reached.
    using Progress = std::function<void(int maximum, int value)>;

    /// @p tools, when given, has its pending rubber band erased before any
    /// pixel is painted, as received drawings do.
    GridPainter(BoardSurface *surface, const Palette *palette, DrawingTools *tools = nullptr);

    void setPlot(Plot plot) { m_plot = plot; }

    /**
     * @brief The painting procedure: @p kind one of kinds() (or anything
     * else: no grid), @p passi1 and @p passi2 the step boxes' texts.
     *
     * Leaves the board in twips. The grid is painted in copy mode whatever
     * draw mode is in force and the mode is put back afterwards. @p colour,
     * when given, is used instead of the palette's (a grid shared by another).
     */
    Result paint(const QString &kind, const QString &passi1, const QString &passi2,
                 const Progress &progress = {}, std::optional<quint32> colour = std::nullopt);

private:
    void horizontal(int step, int w, int h, quint32 colour, int offset, int maximum,
                    const Progress &progress);
    void vertical(int step, int w, int h, quint32 colour, int maximum, const Progress &progress);
    void dots(int stepX, int stepY, int w, int h, quint32 colour, const Progress &progress);

    BoardSurface *m_surface;
    const Palette *m_palette;
    DrawingTools *m_tools;
    Plot m_plot = Plot::Lines;
};

} // namespace board
