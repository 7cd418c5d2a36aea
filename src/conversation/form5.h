#pragma once

#include <QDialog>

class QLineEdit;

namespace conversation
{

/**
 * @brief "Codice Master": the small window in which the host types the
 * access code that reveals, or hides again, the program's hidden options.
 * It only collects the code; its opener decides what the code unlocks.
 */
class Form5 : public QDialog
{
    Q_OBJECT
public:
    /// Compared with the whole typed text, exactly.
    static inline const QString kAccessCode = QStringLiteral("58127394");

    explicit Form5(QWidget *parent = nullptr);

    static bool isAccessCode(const QString &text) { return text == kAccessCode; }

    /// Shows a "*" for every typed character.
    QLineEdit *Text1;

signals:
    /// Enter was pressed in Text1 with this text.
    void codeEntered(const QString &code);

private:
    /// Names the controls for a screen reader and orders the Tab key.
    void nameControls();
};

} // namespace conversation
