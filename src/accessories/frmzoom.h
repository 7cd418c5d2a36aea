#pragma once

#include "accessorywindow.h"
#include "frmzoomoptions.h"
#include "magnifier.h"

#include <QPointer>
#include <QTimer>
#include <QWindow>

class QLabel;
class QPushButton;

namespace accessories
{

/**
 * @brief The magnifier: a window showing the area around the pointer (or
 * a fixed area) enlarged, renewed at the refresh interval while it is
 * shown.
 *
 * Under X11 it reads the whole screen. Where the platform does not let a
 * program read the screen (Wayland), it shows the program's own window the
 * pointer was last over, and says so once (the options window says it
 * always). While the pointer is over the magnifier itself the picture holds
 * still rather than showing itself within itself.
 *
 * Keys: "+" and "-" change the zoom, Space fixes the area where the pointer
 * is (or follows the pointer again), Alt+O opens the options.
 */
class frmZoom : public AccessoryWindow
{
    Q_OBJECT
public:
    explicit frmZoom(const QString &iniPath, QWidget *parent = nullptr);
    ~frmZoom() override;

    ZoomSettings zoom() const { return m_zoom; }
    /// Takes @p zoom (brought into range) and renews the picture.
    void setZoom(const ZoomSettings &zoom);
    /// True where the whole screen can be read (X11), false where only
    /// the program's own windows are shown.
    bool readsWholeScreen() const { return m_wholeScreen; }
    /// The options window while it is open, else null.
    frmZoomOptions *optionsWindow() const { return m_options; }

    QLabel *picZoom;
    QPushButton *cmdZoomOut;
    QPushButton *cmdZoomIn;
    QPushButton *cmdFix;
    QPushButton *cmdOptions;
    QLabel *lblFactor;

    /// The picture of the main window's button that opens the magnifier.
    static QIcon buttonPicture();

public slots:
    /// Takes and shows one picture now.
    void refresh();
    /// Opens the options window (or brings it forward).
    void showOptions();
    /// Fixes the area where the pointer is now, or follows the pointer again.
    void toggleFixed();
    void zoomIn();
    void zoomOut();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void saveSettings() override;

private:
    /// The picture of the area to enlarge, at the zoom's factor already.
    QImage grabScreen() const;
    QImage grabOwnWindow() const;
    /// The point the area is centred on, in the coordinates the source uses.
    QPoint centre() const;
    void updateControls();
    void tellOnceAboutScreen();

    ZoomSettings m_zoom;
    bool m_wholeScreen;
    QTimer m_timer;
    QPointer<frmZoomOptions> m_options;
    // Own-windows mode: the window the pointer was last over and where on it.
    QPointer<QWindow> m_pointerWindow;
    QPointF m_pointerPos;
};

} // namespace accessories
