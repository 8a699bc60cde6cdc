#include "modBD_RapportsSoiree.h"

#include "Regles.h"
#include "modBD.h"
#include "modBD_Rapports.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QMap>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace modBD {

QList<LigneBilan> RapportBilan(const QString& nomPiece) {
    const bool capacites = TablePresente(kTableCapacites);
    const bool arrivees = TablePresente(kTableArrivees);
    QString filtre;
    QVariantList valeurs;
    if (!nomPiece.isEmpty()) {
        const QString no = ObtenirNoPiece(nomPiece);
        if (no.isEmpty()) throw ErreurBD(QStringLiteral("La pièce « %1 » n'existe pas.").arg(nomPiece));
        filtre = QStringLiteral(" WHERE p.NoPiece = ?");
        valeurs << no.toLongLong();
    }
    QHash<qint64, LigneBilan> lignes;
    QList<qint64> ordre;
    QSqlQuery q = Executer(QStringLiteral("SELECT r.NoRepresentation, p.NomPiece, r.DateRepresentation, %1 "
                                          "FROM Representation r JOIN Piece p ON p.NoPiece = r.NoPiece%2")
                               .arg(capacites ? QStringLiteral("(SELECT k.Capacite FROM CapaciteRepresentation k "
                                                               "WHERE k.NoRepresentation = r.NoRepresentation)")
                                              : QStringLiteral("NULL"),
                                    filtre),
                           valeurs);
    while (q.next()) {
        LigneBilan l;
        l.piece = q.value(1).toString();
        l.representation = q.value(2).toString();
        if (!q.value(3).isNull()) l.capacite = q.value(3).toInt();
        lignes.insert(q.value(0).toLongLong(), l);
        ordre << q.value(0).toLongLong();
    }
    q.finish();
    QSqlQuery v = Executer(QStringLiteral("SELECT l.NoRepresentation, SUM(l.NbEnfant + l.NbAdulte), "
                                          "SUM(CASE WHEN l.VentePorte <> 0 THEN l.NbEnfant + l.NbAdulte ELSE 0 END), SUM(l.Cout) "
                                          "FROM InfoReservation l WHERE (%1) GROUP BY l.NoRepresentation")
                               .arg(ConditionNonAnnulee(QStringLiteral("l.NoClient"))));
    while (v.next()) {
        auto it = lignes.find(v.value(0).toLongLong());
        if (it == lignes.end()) continue;
        it->vendus = v.value(1).toLongLong();
        it->porte = v.value(2).toLongLong();
        it->montant = v.value(3).toDouble();
    }
    v.finish();
    if (arrivees) {
        // Only orders that still have a line for the performance and are not cancelled.
        QSqlQuery a = Executer(QStringLiteral("SELECT a.NoRepresentation, SUM(a.NbArrives) FROM ArriveeCommande a "
                                              "WHERE EXISTS (SELECT 1 FROM InfoReservation l WHERE l.NoClient = a.NoClient "
                                              "AND l.NoRepresentation = a.NoRepresentation) AND (%1) "
                                              "GROUP BY a.NoRepresentation")
                                   .arg(ConditionNonAnnulee(QStringLiteral("a.NoClient"))));
        while (a.next()) {
            auto it = lignes.find(a.value(0).toLongLong());
            if (it != lignes.end()) it->arrives = a.value(1).toLongLong();
        }
    }
    QList<LigneBilan> resultat;
    for (qint64 no : std::as_const(ordre)) resultat << lignes.value(no);
    const QCollator collateur{QLocale()};
    std::stable_sort(resultat.begin(), resultat.end(), [&](const LigneBilan& a, const LigneBilan& b) {
        const int c = collateur.compare(a.piece, b.piece);
        if (c != 0) return c < 0;
        return ComparerTextesDates(a.representation, b.representation) < 0;
    });
    return resultat;
}

ClotureSoiree RapportCloture(const QString& nomPiece, const QString& dateRepresentation) {
    ClotureSoiree c;
    c.piece = nomPiece;
    c.representation = dateRepresentation;
    c.soiree = LireSoiree(TrouverRepresentation(nomPiece, dateRepresentation));
    QMap<QString, VentesVendeur> parVendeur;
    const QCollator collateur{QLocale()};
    for (const PartieSoiree& p : std::as_const(c.soiree.parties)) {
        if (p.aLaPorte) {
            ++c.ventesPorte;
            c.montantPorte += p.montant;
            VentesVendeur& v = parVendeur[p.vendeur];
            v.vendeur = p.vendeur;
            ++v.commandes;
            v.billets += p.billets();
            v.montant += p.montant;
        } else {
            ++c.commandesAvance;
            c.montantAvance += p.montant;
        }
        if (p.arrives == 0 && p.billets() > 0) c.absents << p;
    }
    c.porteParVendeur = parVendeur.values();
    std::stable_sort(c.porteParVendeur.begin(), c.porteParVendeur.end(),
                     [&](const VentesVendeur& a, const VentesVendeur& b) { return collateur.compare(a.vendeur, b.vendeur) < 0; });
    return c;
}

}  // namespace modBD
