#pragma once

#include "magnifier.h"

#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace accessories
{

/**
 * @brief The magnifier's options: zoom factor, the area shown (around the
 * pointer or a fixed one), the size of the enlarged picture, the window's
 * position and how often the picture is renewed.
 *
 * "OK" and "Applica" hand the values to the magnifier through chosen();
 * the window is not modal, so the magnifier goes on while it is open.
 */
class frmZoomOptions : public QDialog
{
    Q_OBJECT
public:
    /// @p wholeScreen: the magnifier reads the whole screen (else only the
    /// program's own windows, which the window says).
    frmZoomOptions(const ZoomSettings &initial, QPoint initialPos, bool wholeScreen,
                   QWidget *parent = nullptr);

    /// The values as set in the window, within their ranges.
    ZoomSettings zoom() const;
    QPoint windowPos() const;

    QDoubleSpinBox *spnFactor;
    QRadioButton *optFollow;
    QRadioButton *optFixed;
    QSpinBox *spnFixedX;
    QSpinBox *spnFixedY;
    QSpinBox *spnWidth;
    QSpinBox *spnHeight;
    QSpinBox *spnLeft;
    QSpinBox *spnTop;
    QSpinBox *spnRefresh;
    QLabel *lblSource;

signals:
    void chosen(const accessories::ZoomSettings &zoom, QPoint windowPos);
};

} // namespace accessories
