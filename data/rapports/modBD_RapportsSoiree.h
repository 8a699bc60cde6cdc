// The evening's reports: the season's balance per performance and one performance's closing page.
#pragma once

#include "modBD_Soiree.h"

#include <QList>
#include <QString>

#include <optional>

namespace modBD {

struct LigneBilan {
    QString piece;
    QString representation;
    std::optional<int> capacite;
    qlonglong vendus = 0;
    qlonglong porte = 0;
    qlonglong arrives = 0;
    Montant montant;
};
// Every performance of the play (empty: of every play), even with nothing sold, and the lines
// of deleted plays or performances under their labels, by play name then date.
QList<LigneBilan> RapportBilan(const QString& nomPiece);

struct VentesVendeur {
    QString vendeur;
    qlonglong commandes = 0;
    qlonglong billets = 0;
    Montant montant;
};
struct ClotureSoiree {
    QString piece;
    QString representation;
    Soiree soiree;
    qlonglong ventesPorte = 0;           // door orders
    Montant montantPorte;
    QList<VentesVendeur> porteParVendeur;  // by seller name
    qlonglong commandesAvance = 0;
    Montant montantAvance;
    QList<PartieSoiree> absents;         // parties with nobody checked in
};
// Throws ErreurBD when the play or the performance does not exist.
ClotureSoiree RapportCloture(const QString& nomPiece, const QString& dateRepresentation);

}  // namespace modBD
