#pragma once

#include "accessorysettings.h"

#include <QWidget>

namespace conversation
{
class ToggleButton;
}

namespace accessories
{

/**
 * @brief What the three accessory windows share: a window of its own that
 * hides when closed (and keeps its state), a button that keeps it above
 * other windows through the same operation as the main window's, and a
 * place and on-top state remembered in the preferences file.
 */
class AccessoryWindow : public QWidget
{
    Q_OBJECT
public:
    /// Whether the window is kept above the others.
    bool isOnTop() const;
    /// Keeps the window above the others, or lets it be covered again.
    void setOnTop(bool onTop);
    /// Shows the window (from minimised too), raises it and gives it the focus.
    void bringForward();

    /// The on-top switch ("Sempre in primo piano").
    conversation::ToggleButton *onTopButton() const { return m_onTop; }

protected:
    /// @p section names the window's part of the preferences file @p iniPath.
    AccessoryWindow(const char *section, const QString &iniPath, QWidget *parent);

    /// Puts the window where it was last time (when a screen still shows
    /// it) and on top as it was; call once the window is built.
    void restorePlace();
    /// Writes the place and the subclass's own settings.
    void saveAll();
    /// The subclass's own settings, written with the place.
    virtual void saveSettings() {}

    void closeEvent(QCloseEvent *event) override;

    AccessorySettings &settings() { return m_settings; }

private:
    const char *m_section;
    AccessorySettings m_settings;
    conversation::ToggleButton *m_onTop;
};

} // namespace accessories
