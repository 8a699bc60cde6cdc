// The reports' data: one function per report, each one or two queries with bound values,
// returning plain rows already in the order a reader expects. Knows nothing of widgets.
#pragma once

#include "modBD.h"

#include <QDate>
#include <QList>
#include <QString>

namespace modBD {

// Which orders the reports count, as one SQL condition on the order table under the alias
// "c" (InfoClientReservation). Every report query applies it, so a rule that leaves some
// orders out (cancelled ones, say) is written here once.
QString ConditionCommandesComptees();

// Sales per performance. Rows sorted by play name (French collation), then by the date the
// performance text denotes; a text that is no date comes after the dates of its play.
struct LigneVentes {
    QString piece;
    QString representation;
    qlonglong commandes = 0;
    qlonglong billetsEnfant = 0;
    qlonglong billetsAdulte = 0;
    qlonglong billetsPorte = 0;
    double montant = 0.0;
    qlonglong billets() const { return billetsEnfant + billetsAdulte; }
};
// nomPiece empty: every play. du/au invalid: open end. With a date bound, only orders whose
// date text reads as a date within the bounds (both included) count.
QList<LigneVentes> RapportVentes(const QString& nomPiece = QString(), const QDate& du = QDate(), const QDate& au = QDate());

// The door list of one performance, sorted by client name, then order number.
struct LignePorte {
    QString client;
    QString telephone;
    qlonglong billetsEnfant = 0;
    qlonglong billetsAdulte = 0;
    double cout = 0.0;
    bool aLaPorte = false;
    QString vendeur;  // display name, " (C)" for an actor
    qlonglong commande = 0;
    QString dateCommande;
};
// Throws ErreurBD when the play or the performance does not exist.
QList<LignePorte> RapportPorte(const QString& nomPiece, const QString& dateRepresentation);

// Tickets given to sellers against tickets they sold, per seller and performance; sorted by
// seller name, play name, performance date.
struct LigneVendeurs {
    QString vendeur;  // display name
    QString piece;
    QString representation;
    qlonglong recus = 0;
    qlonglong rendus = 0;
    qlonglong vendus = 0;
    double montantVendu = 0.0;
    qlonglong enStock() const { return recus - rendus; }
    qlonglong reste() const { return enStock() - vendus; }
};
QList<LigneVendeurs> RapportVendeurs(const QString& nomPiece = QString());

// The stock movements of one performance in the order they were written, with the running
// total that ends at ObtenirNbBillets. Throws ErreurBD when the play or performance does not exist.
struct LigneMouvement {
    QString date;
    QString vendeur;  // display name
    qlonglong nombre = 0;
    QString commentaire;
    qlonglong totalCourant = 0;
};
QList<LigneMouvement> RapportMouvements(const QString& nomPiece, const QString& dateRepresentation);

// Ordering of date texts as the reports sort them: by the date they denote, texts that are
// no date after every date, among themselves as text. Negative, zero or positive.
int ComparerTextesDates(const QString& a, const QString& b);

}  // namespace modBD
