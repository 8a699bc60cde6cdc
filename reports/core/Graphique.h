// The sales chart: tickets per performance of one play (or per play when no play is chosen),
// children and adults stacked.
#pragma once

#include "Tableau.h"

#include <QImage>
#include <QSize>

class QChart;

namespace Rapports {

// A new chart of the sales table's data rows (the table of the "ventes" report).
// nomPiece empty: one bar per play.
QChart* CreerGraphique(const Tableau& ventes, const QString& nomPiece);
// The same chart drawn on an image (for the PDF). Needs a QGuiApplication.
QImage ImageGraphique(const Tableau& ventes, const QString& nomPiece, const QSize& taille);

}  // namespace Rapports
