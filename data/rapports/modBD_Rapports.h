// The reports' data: one function per report, each one or two queries with bound values,
// returning plain rows already in the order a reader expects. Knows nothing of widgets.
#pragma once

#include "Montant.h"
#include "modBD.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace modBD {

// Which orders the reports count, as one SQL condition on the order table under the alias
// "c" (InfoClientReservation). Every report query applies it, so a rule that leaves some
// orders out (cancelled ones, say) is written here once.
QString ConditionCommandesComptees();

// A stored cost in cents: Montant::DepuisStocke. Every amount of the reports is a sum of these
// cents, so the rows printed always add up to the totals.
inline qlonglong EnCentimes(double cout) { return Montant::DepuisStocke(cout).centimes(); }

// Labels of lines whose play or performance was deleted since: still counted everywhere.
inline const QString kPieceSupprimee = QStringLiteral("(pièce supprimée)");
QString RepresentationSupprimee(qlonglong noRepresentation);  // "(représentation supprimée n° X)"

// Sales per performance: every performance of the chosen plays, zeros included, and the
// lines of deleted plays or performances under their labels. Rows sorted by play name
// (French collation), then by the date the performance text denotes; a text that is no date
// comes after the dates of its play.
struct LigneVentes {
    QString piece;
    QString representation;
    qlonglong commandes = 0;
    qlonglong billetsEnfant = 0;
    qlonglong billetsAdulte = 0;
    qlonglong billetsPorte = 0;
    Montant montant;
    qlonglong billets() const { return billetsEnfant + billetsAdulte; }
};
// nomPiece empty: every play. du/au invalid: open end. With a date bound, only orders whose
// date text reads as a date within the bounds (both included) count, and only the
// performances that have such lines are listed.
QList<LigneVentes> RapportVentes(const QString& nomPiece = QString(), const QDate& du = QDate(), const QDate& au = QDate());

// The door list of one performance, sorted by client name, then order number.
struct LignePorte {
    QString client;
    QString telephone;
    qlonglong billetsEnfant = 0;
    qlonglong billetsAdulte = 0;
    Montant cout;
    bool aLaPorte = false;
    qlonglong arrives = 0;  // of the party, checked in at the door so far
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
    Montant montantVendu;
    Montant payeCaisse;  // the part of montantVendu a door till took (PaiementCommande)
    qlonglong enStock() const { return recus - rendus; }
    qlonglong reste() const { return enStock() - vendus; }
    // Tickets the seller still holds, and tickets sold beyond what was held.
    qlonglong aRendre() const { return std::max<qlonglong>(reste(), 0); }
    qlonglong vendusSansBillet() const { return std::max<qlonglong>(-reste(), 0); }
};
// Told how far a long read has gone (steps done, steps in all) between two of its statements;
// it may throw to abandon the read (nothing is then returned).
using Avancement = std::function<void(int fait, int total)>;
// nomVendeur (display name) non-empty: that seller's rows only.
QList<LigneVendeurs> RapportVendeurs(const QString& nomPiece = QString(), const QString& nomVendeur = QString(),
                                     const Avancement& avancement = {});

// The same report read once and held small, for writers of long files: one record of numbers
// per (seller, performance) and each name once; the rows are made one at a time each time they
// are walked, so a report of hundreds of thousands of rows never exists whole. Copies share the
// read. Walked in RapportVendeurs' order, with the same rows.
class VendeursLus {
public:
    explicit VendeursLus(const QString& nomPiece = QString(), const QString& nomVendeur = QString(),
                         const Avancement& avancement = {});
    qsizetype taille() const;
    void parcourir(const std::function<void(const LigneVendeurs&)>& ligne) const;
    struct Donnees;

private:
    std::shared_ptr<const Donnees> m_donnees;
};

// The settlement per seller: the sums of that seller's rows of RapportVendeurs (sellers sharing a
// display name make one, as their rows do), tickets to return and sold without a ticket counted
// per performance; in the rows' order of sellers. dateRepresentation non-empty: the rows of
// performances with that date text only. Summed slice by slice as the sums are read: no row is
// built and one slice's sums are held at a time, so a settlement over every play stays small
// whatever the history.
struct ReglementVendeur {
    QString vendeur;  // display name
    qlonglong recus = 0;
    qlonglong rendus = 0;
    qlonglong vendus = 0;
    qlonglong aRendre = 0;
    qlonglong sansBillet = 0;
    Montant montantVendu;
    Montant payeCaisse;
};
QList<ReglementVendeur> RapportReglement(const QString& nomPiece = QString(), const QString& nomVendeur = QString(),
                                         const QString& dateRepresentation = QString(), const Avancement& avancement = {});

// The stock movements of one performance by the date they carry (texts that are no date
// after the dates), then in the order they were written, with the running total in that
// order; it ends at ObtenirNbBillets. Throws ErreurBD when the play or performance does not exist.
struct LigneMouvement {
    QString date;
    QString vendeur;  // display name
    qlonglong nombre = 0;
    QString commentaire;
    qlonglong totalCourant = 0;
};
QList<LigneMouvement> RapportMouvements(const QString& nomPiece, const QString& dateRepresentation);

// The day's takings: one row per order date that has orders (texts denoting the same day
// make one row), sorted by date, texts that are no date last. du/au valid: only order dates
// that read as a date within the bounds. A cancelled order counts in the last two columns only.
struct LigneJournal {
    QString date;
    qlonglong commandes = 0;
    qlonglong billets = 0;
    Montant montant;
    qlonglong billetsPorte = 0;
    Montant montantPorte;
    qlonglong commandesAnnulees = 0;
    Montant montantAnnule;
};
QList<LigneJournal> RapportJournal(const QDate& du = QDate(), const QDate& au = QDate());
// True when some order date text of the base reads as a date within the bounds.
bool DatesCommandesDans(const QDate& du, const QDate& au);

// The cancelled orders, sorted by cancellation date, then order number.
struct LigneAnnulation {
    qlonglong commande = 0;
    QString dateCommande;
    QString client;
    QString telephone;
    QString vendeurs;  // the sellers of its lines, ", " between them
    qlonglong billets = 0;
    Montant montant;
    QString dateAnnulation;
    QString motif;
};
QList<LigneAnnulation> RapportAnnulations();

// Names typed on a command line, matched blind to case and accents: an exact stored name
// wins; else the single blind match. Several blind matches: returns nothing and fills
// candidats. ListeNomsVendeurs gives the display names.
std::optional<QString> TrouverNom(const QStringList& noms, const QString& saisi, QStringList& candidats);
QStringList ListeNomsVendeurs();

// Ordering of date texts as the reports sort them: by the date they denote, texts that are
// no date after every date, among themselves as text. Negative, zero or positive.
int ComparerTextesDates(const QString& a, const QString& b);

}  // namespace modBD
