#include "ppfilename.h"

#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace accessories
{

ppFileName::ppFileName(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ppFileName"));
    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblDetails = new QLabel(this);
    lblDetails->setObjectName(QStringLiteral("lblDetails"));
    // Long names are cut by the window, not made to widen it.
    for (QLabel *l : {lblTitle, lblDetails}) {
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    // The hint shown with no track is said whole, on two lines if need be.
    lblDetails->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(lblTitle);
    layout->addWidget(lblDetails);
    setTrack(QString(), QString(), QString());
}

void ppFileName::setTrack(const QString &path, const QString &title, const QString &artist)
{
    const QString name = QFileInfo(path).fileName();
    if (path.isEmpty()) {
        lblTitle->setText(tr("Nessun brano"));
        lblDetails->setText(tr("Aprire dei file musicali con \"Apri\" o trascinarli qui."));
    } else if (title.isEmpty()) {
        // No title in the file: its name, then where it is.
        lblTitle->setText(name);
        lblDetails->setText(artist.isEmpty() ? QFileInfo(path).absolutePath() : artist);
    } else {
        lblTitle->setText(title);
        lblDetails->setText(artist.isEmpty() ? name : artist + QStringLiteral(" \u2013 ") + name);
    }
    lblTitle->setToolTip(path);
    lblDetails->setToolTip(path);
    setAccessibleName(lblTitle->text());
    setAccessibleDescription(lblDetails->text());
}

} // namespace accessories
