// What the pages of a report are drawn on: a printer through QPainter, or a PDF file written
// by libharu. The pages are laid out once, in the units of a paged device, and drawn through
// this face; coordinates are the device's, from the top left corner of the printable area.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QString>

#include <memory>

class QIODevice;
class QPagedPaintDevice;

namespace Rapports {

class Surface {
public:
    virtual ~Surface() = default;
    // The first page; false when the device cannot be drawn on.
    virtual bool commencer() = 0;
    virtual void pageSuivante() = 0;
    // A text in a box, placed as QPainter::drawText places it with these Qt::Alignment and
    // Qt::TextWordWrap flags.
    virtual void texte(const QRectF& zone, int drapeaux, const QString& texte, const QFont& police, const QColor& couleur) = 0;
    // One line at the top of the box, left or right: the path of a long table's cells. False
    // when the text does not fit on one line: the caller then wraps it with texte().
    virtual bool ligne(const QRectF& zone, bool aDroite, const QString& texte, const QFont& police, const QColor& couleur) = 0;
    virtual void remplir(const QRectF& zone, const QColor& couleur) = 0;
    virtual void cadre(const QRectF& zone, const QColor& couleur, qreal epaisseur) = 0;
    virtual void traits(const QList<QLineF>& traits, const QColor& couleur, qreal epaisseur) = 0;
    virtual void image(const QRectF& zone, const QImage& image) = 0;
};

// The pages on a printer (or any paged device), through QPainter.
std::unique_ptr<Surface> SurfacePeintre(QPagedPaintDevice& appareil);

// A PDF written by libharu, with the page layouts the device is given while the pages are laid
// out (the device only measures: nothing is painted on it). Null when the fonts the file embeds
// are not on this machine. Qt's own PDF writer draws every glyph as its own positioned
// operator: a settlement of 20,000 pages took half a minute, most of it making and compressing
// those operators; here a cell is one string.
class SurfacePdf : public Surface {
public:
    static std::unique_ptr<SurfacePdf> Creer(QPagedPaintDevice& mesure, const QString& titre);
    // The whole file into the device; false with the reason when libharu failed along the way.
    virtual bool enregistrer(QIODevice& sortie, QString& raison) = 0;
};

}  // namespace Rapports
