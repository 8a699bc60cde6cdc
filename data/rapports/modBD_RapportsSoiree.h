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
    double montant = 0.0;
};
// Every performance of the play (empty: of every play), by play name then date.
QList<LigneBilan> RapportBilan(const QString& nomPiece);

struct VentesVendeur {
    QString vendeur;
    qlonglong commandes = 0;
    qlonglong billets = 0;
    double montant = 0.0;
};
struct ClotureSoiree {
    QString piece;
    QString representation;
    Soiree soiree;
    qlonglong ventesPorte = 0;           // door orders
    double montantPorte = 0.0;
    QList<VentesVendeur> porteParVendeur;  // by seller name
    qlonglong commandesAvance = 0;
    double montantAvance = 0.0;
    QList<PartieSoiree> absents;         // parties with nobody checked in
};
// Throws ErreurBD when the play or the performance does not exist.
ClotureSoiree RapportCloture(const QString& nomPiece, const QString& dateRepresentation);

}  // namespace modBD
