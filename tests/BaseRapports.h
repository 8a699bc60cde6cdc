// A small base for the report tests, with the awkward data a real box office holds: an actor
// seller, door sales, returns, a seller who sold more than he received, a performance and an
// order whose date texts are no dates, names with ";" and quotes. The expected figures of
// the tests were worked out by hand from the rows below (locale fr_CA: dates yyyy-MM-dd).
#pragma once

#include "TestSupport.h"
#include "modBD.h"

#include <QSqlQuery>

namespace BaseRapports {

inline const QString kCid = QStringLiteral("Le Cid");
inline const QString kPhedre = QStringLiteral("Phèdre; \"l'acte\"");
inline const QString kSoir = QStringLiteral("2026-12-10");

inline qint64 Commande(const QString& date, const QString& client, const QString& telephone) {
    return modBD::Executer(QStringLiteral("INSERT INTO InfoClientReservation (DateReservation, MontantTotal, NomClient, "
                                          "TelephoneClient, NbForfaits) VALUES (?, 0, ?, ?, 0)"),
                           {date, client, telephone})
        .lastInsertId()
        .toLongLong();
}

inline void Ligne(qint64 commande, qint64 representation, int enfant, int adulte, double cout, bool porte, qint64 vendeur) {
    modBD::Executer(QStringLiteral("INSERT INTO InfoReservation (NoClient, NoRepresentation, NbEnfant, NbAdulte, Cout, "
                                   "VentePorte, NoVendeur) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                    {commande, representation, enfant, adulte, cout, porte ? 1 : 0, vendeur});
}

inline void Mouvement(qint64 representation, qint64 vendeur, int nombre, const QString& commentaire = QString()) {
    modBD::Executer(QStringLiteral("INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, DateTransaction, "
                                   "Commentaire) VALUES (?, ?, ?, ?, ?)"),
                    {representation, vendeur, nombre, QStringLiteral("2026-11-15"), commentaire});
}

// Fills the open test base.
inline void Remplir(TestSupport::BaseTest& base) {
    const qint64 cid = base.AjouterPiece(kCid);
    const qint64 phedre = base.AjouterPiece(kPhedre);
    base.AjouterPiece(QStringLiteral("Écume"));  // nothing sold: no row
    const qint64 soir = base.AjouterRepresentation(cid, kSoir);
    const qint64 avant = base.AjouterRepresentation(cid, QStringLiteral("2026-12-03"));
    const qint64 flou = base.AjouterRepresentation(cid, QStringLiteral("à confirmer"));
    const qint64 matinee = base.AjouterRepresentation(phedre, QStringLiteral("2026-11-01"));
    const qint64 emile = base.AjouterVendeur(QStringLiteral("Émile"), true);
    const qint64 anne = base.AjouterVendeur(QStringLiteral("anne"));
    const qint64 bruno = base.AjouterVendeur(QStringLiteral("Bruno"));

    const qint64 o1 = Commande(QStringLiteral("2026-11-20"), QStringLiteral("Zoé"), QStringLiteral("555-1111"));
    Ligne(o1, soir, 1, 2, 30.0, false, emile);
    Ligne(o1, avant, 0, 2, 20.0, false, emile);
    const qint64 o2 = Commande(QStringLiteral("2026-11-25"), QStringLiteral("Durand; \"Jo\""), QStringLiteral("555-2222"));
    Ligne(o2, soir, 0, 1, 12.5, true, anne);
    const qint64 o3 = Commande(QStringLiteral("hier"), QStringLiteral("élise"), QStringLiteral("555-3333"));
    Ligne(o3, flou, 2, 0, 10.0, false, bruno);
    Ligne(o3, matinee, 1, 1, 15.25, true, bruno);
    const qint64 o4 = Commande(QStringLiteral("2026-12-01"), QStringLiteral("Alain"), QStringLiteral("555-4444"));
    Ligne(o4, soir, 2, 2, 40.0, false, bruno);
    const qint64 o5 = Commande(QStringLiteral("2026-12-02"), QStringLiteral("Alain"), QStringLiteral("555-5555"));
    Ligne(o5, soir, 0, 1, 5.0, false, anne);

    Mouvement(soir, emile, 10);
    Mouvement(soir, emile, -3, QStringLiteral("rendus; \"abîmés\"\nen retard"));
    Mouvement(soir, anne, 5);
    Mouvement(soir, bruno, 2);
    Mouvement(flou, bruno, 1);
}

}  // namespace BaseRapports
