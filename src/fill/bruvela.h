#pragma once

#include "bruvela_export.h"

#include <QObject>

namespace fill {

class FillTarget;

/// Where a control keeps its persisted properties (a form file, settings…).
class BRUVELA_EXPORT PropertyBag
{
public:
    virtual ~PropertyBag();
    virtual qint32 readInt(const QString &name, qint32 defaultValue) const = 0;
    /// Stores @p value; a value equal to @p defaultValue is not stored.
    virtual void writeInt(const QString &name, qint32 value, qint32 defaultValue) = 0;
};

/**
 * @brief The background-fill control: holds one colour, "Colore", and fills
 * the 4-connected area of equal pixels around a point of a surface with it.
 *
 * C++ does not allow a member named like its class, so the control's fill
 * operation is called fill().
 */
class BRUVELA_EXPORT Bruvela : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint32 Colore READ Colore WRITE setColore NOTIFY ColoreChanged)
public:
    enum class Result { Ok, NullTarget, NoSurface, OutsideSurface };
    Q_ENUM(Result)

    explicit Bruvela(QObject *parent = nullptr);

    qint32 Colore() const { return m_colore; }
    void setColore(qint32 New_Colore);

    /// Reads "Colore" (default 0).
    void readProperties(const PropertyBag &bag);
    /// Writes "Colore" (not stored when 0).
    void writeProperties(PropertyBag &bag) const;

    /**
     * @brief Fills from pixel (X, Y) of @p PictureImpostata, rounded to the
     * nearest whole pixel with halves to even: every pixel 4-connected to it
     * with the colour found there takes Colore. The target's fill colour is
     * set to Colore and left so. Errors are returned, nothing is thrown.
     */
    Result fill(FillTarget *PictureImpostata, float X, float Y);

signals:
    void ColoreChanged(qint32 Colore);

private:
    qint32 m_colore = 0;
};

} // namespace fill
