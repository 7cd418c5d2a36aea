#include "form5.h"

#include "controlnames.h"
#include "readingorder.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace conversation
{

Form5::Form5(QWidget *parent) : QDialog(parent), Text1(new QLineEdit(this))
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(tr("Codice Master"));
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setEchoMode(QLineEdit::Password);
    // Every typed character shows as "*", whatever the style's own mask is.
    Text1->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    setFixedWidth(220);
    connect(Text1, &QLineEdit::returnPressed, this, [this] { emit codeEntered(Text1->text()); });
    nameControls();
}

// What a screen reader says for each control, and the Tab key's way
// through the window in its reading order.
void Form5::nameControls()
{
    a11y::ControlNames::apply(this, "conversation::Form5", {
        {"Text1", QT_TRANSLATE_NOOP("conversation::Form5", "Codice"),
         QT_TRANSLATE_NOOP("conversation::Form5", "Scrivere il codice e premere Invio")},
    });
    a11y::ReadingOrder::keep(this);
}

} // namespace conversation
