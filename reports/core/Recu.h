// The receipt of one order: one page, painted here for the printer and for PDF.
#pragma once

#include "Montant.h"

#include <QList>
#include <QString>

class QPagedPaintDevice;

namespace Rapports {

struct LigneRecu {
    QString piece;
    QString representation;
    qlonglong enfants = 0;
    qlonglong adultes = 0;
    ::Montant cout;
    bool aLaPorte = false;
};

struct Recu {
    QString compagnie;   // may be empty
    qlonglong numero = 0;
    QString date;
    QString client;
    QString telephone;
    QList<LigneRecu> lignes;
    qlonglong forfaits = 0;
    ::Montant total;
    QString annulee;     // date of the cancellation; empty when the order stands
};

// Paints the receipt on one page of the device. False when the device cannot be painted on.
bool PeindreRecu(const Recu& recu, QPagedPaintDevice& appareil);
// Writes it as a PDF file (whole or not at all). Throws ErreurSortie.
void ExporterRecuPdf(const Recu& recu, const QString& chemin);

}  // namespace Rapports
