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

namespace {

struct LignesBilan {
    QHash<qint64, LigneBilan> lignes;
    QList<qint64> ordre;
    LigneBilan& ligne(qint64 no) {
        if (!lignes.contains(no)) ordre << no;
        return lignes[no];
    }
};

QString CapaciteSql(bool capacites, const QString& noRepresentation) {
    return capacites ? QStringLiteral("(SELECT k.Capacite FROM CapaciteRepresentation k WHERE k.NoRepresentation = %1)")
                           .arg(noRepresentation)
                     : QStringLiteral("NULL");
}

// Every performance of the play (or of every play), even with nothing sold.
void LireRepresentationsBilan(const QString& filtre, const QVariantList& valeurs, bool capacites, LignesBilan& b) {
    QSqlQuery q = Executer(QStringLiteral("SELECT r.NoRepresentation, p.NomPiece, r.DateRepresentation, %1 "
                                          "FROM Representation r JOIN Piece p ON p.NoPiece = r.NoPiece%2")
                               .arg(CapaciteSql(capacites, QStringLiteral("r.NoRepresentation")), filtre),
                           valeurs);
    while (q.next()) {
        LigneBilan& l = b.ligne(q.value(0).toLongLong());
        l.piece = q.value(1).toString();
        l.representation = q.value(2).toString();
        if (!q.value(3).isNull()) l.capacite = q.value(3).toInt();
    }
}

// The sales per performance, each line's cost rounded to the cent once and then added, over
// the same orders as the sales report; lines of a play or performance deleted since keep a
// row of their own, labelled as every report labels them.
void LireVentesBilan(const QString& nomPiece, bool capacites, LignesBilan& b) {
    const QString filtrePiece = nomPiece.isEmpty()
                                    ? QString()
                                    : QStringLiteral(" JOIN Representation rf ON rf.NoRepresentation = l.NoRepresentation "
                                                     "JOIN Piece pf ON pf.NoPiece = rf.NoPiece AND pf.NomPiece = ?");
    QSqlQuery v = Executer(
        QStringLiteral("SELECT a.NoRepresentation, p.NomPiece, r.DateRepresentation, r.NoRepresentation, %4, "
                       "a.Billets, a.Porte, a.Centimes FROM (SELECT l.NoRepresentation, SUM(l.NbEnfant + l.NbAdulte) AS Billets, "
                       "SUM(CASE WHEN l.VentePorte <> 0 THEN l.NbEnfant + l.NbAdulte ELSE 0 END) AS Porte, SUM(%3) AS Centimes "
                       "FROM InfoReservation l JOIN InfoClientReservation c ON c.NoClient = l.NoClient%1 "
                       "WHERE (%2) GROUP BY l.NoRepresentation) a "
                       "LEFT JOIN Representation r ON r.NoRepresentation = a.NoRepresentation "
                       "LEFT JOIN Piece p ON p.NoPiece = r.NoPiece")
            .arg(filtrePiece, ConditionCommandesComptees(), ExpressionCentimes(QStringLiteral("l.Cout")),
                 CapaciteSql(capacites, QStringLiteral("a.NoRepresentation"))),
        nomPiece.isEmpty() ? QVariantList() : QVariantList{nomPiece});
    while (v.next()) {
        const qint64 no = v.value(0).toLongLong();
        const bool connue = b.lignes.contains(no);
        LigneBilan& l = b.ligne(no);
        if (!connue) {
            l.piece = v.value(1).isNull() ? kPieceSupprimee : v.value(1).toString();
            l.representation = v.value(3).isNull() ? RepresentationSupprimee(no) : v.value(2).toString();
            if (!v.value(4).isNull()) l.capacite = v.value(4).toInt();
        }
        l.vendus = v.value(5).toLongLong();
        l.porte = v.value(6).toLongLong();
        l.montant = Montant::Centimes(v.value(7).toLongLong());
    }
}

void LireArriveesBilan(LignesBilan& b) {
    if (!TablePresente(kTableArrivees)) return;
    // Only orders that still have a line for the performance and are not cancelled.
    QSqlQuery a = Executer(QStringLiteral("SELECT a.NoRepresentation, SUM(a.NbArrives) FROM ArriveeCommande a "
                                          "WHERE EXISTS (SELECT 1 FROM InfoReservation l WHERE l.NoClient = a.NoClient "
                                          "AND l.NoRepresentation = a.NoRepresentation) AND (%1) "
                                          "GROUP BY a.NoRepresentation")
                               .arg(ConditionNonAnnulee(QStringLiteral("a.NoClient"))));
    while (a.next()) {
        auto it = b.lignes.find(a.value(0).toLongLong());
        if (it != b.lignes.end()) it->arrives = a.value(1).toLongLong();
    }
}

}  // namespace

QList<LigneBilan> RapportBilan(const QString& nomPiece) {
    const bool capacites = TablePresente(kTableCapacites);
    QString filtre;
    QVariantList valeurs;
    if (!nomPiece.isEmpty()) {
        const QString no = ObtenirNoPiece(nomPiece);
        if (no.isEmpty()) throw ErreurBD(QStringLiteral("La pièce « %1 » n'existe pas.").arg(nomPiece));
        filtre = QStringLiteral(" WHERE p.NoPiece = ?");
        valeurs << no.toLongLong();
    }
    LignesBilan b;
    LireRepresentationsBilan(filtre, valeurs, capacites, b);
    LireVentesBilan(nomPiece, capacites, b);
    LireArriveesBilan(b);
    QList<LigneBilan> resultat;
    for (qint64 no : std::as_const(b.ordre)) resultat << b.lignes.value(no);
    const QCollator collateur{QLocale()};
    std::stable_sort(resultat.begin(), resultat.end(), [&](const LigneBilan& a, const LigneBilan& c) {
        const int x = collateur.compare(a.piece, c.piece);
        if (x != 0) return x < 0;
        return ComparerTextesDates(a.representation, c.representation) < 0;
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
    // Every amount here is a party's sum of lines each rounded once: the seller's rows add up
    // to the door's total, which agrees with the door list and the journal.
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
