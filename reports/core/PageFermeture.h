// The page of a till's closing, "Fermeture de caisse n° N": what a treasurer signs. Painted
// here for the printer and for PDF.
#pragma once

#include "modBD_Caisse.h"

#include <QString>

#include <optional>

class QPagedPaintDevice;

namespace Rapports {

struct PageFermeture {
    QString compagnie;  // may be empty
    modBD::FermetureCaisse fermeture;
    std::optional<qint64> arrondi;  // the cash rounding, known when printed at the closing
    QString journal;  // "Journal : …", the journal's last print, anchoring it on signed paper; may be empty
};

// An amount of whole cents as the page shows it: "1 234,50 $".
QString TexteCentimes(qint64 centimes);
// The page's lines of text, in order (the PDF's text; tests read them back).
QStringList LignesFermeture(const PageFermeture& page);
bool PeindreFermeture(const PageFermeture& page, QPagedPaintDevice& appareil);
// Writes it as a PDF file (whole or not at all). Throws ErreurSortie.
void ExporterFermeturePdf(const PageFermeture& page, const QString& chemin);

}  // namespace Rapports
