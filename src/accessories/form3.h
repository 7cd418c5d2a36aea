#pragma once

#include "accessorywindow.h"
#include "calculatorengine.h"

#include <QHash>

class QLineEdit;
class QPushButton;

namespace accessories
{

/**
 * @brief The calculator window: a display, the keys of a pocket calculator,
 * "Copia" and "Al messaggio", which hands the number shown to the main
 * window's message box.
 *
 * The keyboard works as on the number pad: digits, "." or ",", + - * /,
 * Enter or "=" for the result, Esc for "C", Delete for "CE", Backspace for
 * the last digit, F9 for the sign; Ctrl+C copies and Ctrl+V pastes a number.
 */
class Form3 : public AccessoryWindow
{
    Q_OBJECT
public:
    explicit Form3(const QString &iniPath, QWidget *parent = nullptr);

    CalculatorEngine *engine() const { return m_engine; }
    QLineEdit *txtDisplay;
    QPushButton *cmdCopy;
    QPushButton *cmdToMessage;
    /// The button of @p key.
    QPushButton *keyButton(CalculatorEngine::Key key) const { return m_keys.value(key); }

    /// The picture of the main window's button that opens the calculator.
    static QIcon buttonPicture();

public slots:
    /// Puts the number shown on the clipboard.
    void copyDisplay();
    /// Takes a number from the clipboard as the number being typed.
    void pasteNumber();

signals:
    /// "Al messaggio": @p text goes into the message box.
    void resultForMessage(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPushButton *addKey(CalculatorEngine::Key key, const QString &caption, const char *name,
                        const QString &spoken);
    void showDisplay(const QString &text);

    CalculatorEngine *m_engine;
    QHash<CalculatorEngine::Key, QPushButton *> m_keys;
};

} // namespace accessories
