// The sales chart: tickets per performance of one play (or per play when no play is chosen),
// children and adults stacked.
#pragma once

#include "Tableau.h"

#include <QImage>
#include <QList>
#include <QSize>

class QChart;

namespace Rapports {

// Up to this many bars the chart stands upright; beyond, the bars lie down with their names
// written in full beside them (labels under upright bars would be cut).
constexpr int kBarresDebout = 15;

// A new chart of the sales table's data rows (the table of the "ventes" report).
// nomPiece empty: one bar per play. premier/nombre: a slice of the bars (for paper).
QChart* CreerGraphique(const Tableau& ventes, const QString& nomPiece, int premier = 0, int nombre = -1);
// How many bars the chart of this table has.
int NombreBarres(const Tableau& ventes, const QString& nomPiece);
// The same chart drawn on an image (for the PDF). Needs a QGuiApplication.
QImage ImageGraphique(const Tableau& ventes, const QString& nomPiece, const QSize& taille);
// The chart for paper, as wide as largeur: one image when upright, else lying bars split into
// images no taller than hauteurMax (device units), each to be drawn at the full width.
QList<QImage> ImagesGraphique(const Tableau& ventes, const QString& nomPiece, qreal largeur, qreal hauteurMax);

}  // namespace Rapports
