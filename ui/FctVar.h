// Procedures the windows share: dates as text, the number rules (both kept in the data store's
// Regles, which these names stand for), the order list and its total.
#pragma once

#include "Montant.h"
#include "Regles.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QLabel;
class QWidget;
class QTreeWidget;

class QTreeWidgetItem;

namespace FctVar {

// --- Dates as text and the number rules, as the data store keeps them (see Regles.h).
using Regles::FormatDateCourt;
using Regles::DateEnTexte;
using Regles::TexteEnDate;
using Regles::ObtenirDateDuJour;
using Regles::DefinirHorloge;
using Regles::EstNumerique;
using Regles::LireNombre;
using Regles::VersCompte16;
using Regles::TexteEnCompte16;
using Regles::LireMontant;
using Regles::FormaterNombre;

// --- Lists every window fills: read from the database, or nullopt once the clerk was told
// why they could not be read.
std::optional<QStringList> LirePieces(QWidget* parent);
std::optional<QStringList> LireVendeurs(QWidget* parent);  // display names, in name order
// The dates of a play's performances, in table order, for the play named nomPiece.
enum class EtatLecture {
    Lue,
    PieceAbsente,  // no name, or the play is no longer there: no dates read
    Echec,         // the clerk was told; the caller empties its list, lest it show another play's dates
};
struct Representations {
    EtatLecture etat = EtatLecture::PieceAbsente;
    QStringList dates;
};
Representations LireRepresentations(QWidget* parent, const QString& nomPiece);
// The same, for a date list that follows the base (Toolkit::SuivreBase): nullopt when there is
// no such play or the read failed, so the list stays as it is.
std::optional<QStringList> DatesSuivies(QWidget* parent, const QString& nomPiece);

// --- The order list of the main window (six text columns).
enum ColonneTransaction { ColNom = 0, ColDate, ColNbEnf, ColNbAdt, ColCouts, ColPorte };
bool AjouterLigneTransaction(QTreeWidget& lstTransactions, const QString& nomPiece, const QString& date,
                             const QString& nbEnfants, const QString& nbAdultes, const QString& couts,
                             const QString& porte);
// Each line keeps its amount in cents under this role of the "Coûts" column, set when it is
// appended; the total is their sum, written in the general number form ("20", "157,5").
constexpr int kRoleCentimes = 0x0100 + 7;  // Qt::UserRole + 7
Montant MontantLigne(const QTreeWidgetItem& ligne);
void CalculerMontantTotal(const QTreeWidget& lstTransactions, QLabel& lblMontantTotal);
// True when the list already holds a line for that play and date.
bool ContientLigne(const QTreeWidget& lstTransactions, const QString& nomPiece, const QString& date);

// --- Seats of a performance with a capacity. The question "Complet" (Yes/No, No by default):
// true when the clerk sells anyway.
bool QuestionComplet(QWidget* parent, qlonglong restantes, const QString& nomPiece, const QString& date);
// A line the clerk agreed to oversell keeps the seats left seen then, so that "Confirmer" asks
// again only when another station sold seats meanwhile.
void MarquerPlacesAcceptees(QTreeWidgetItem& ligne, qlonglong restantes);
std::optional<qlonglong> PlacesAcceptees(const QTreeWidgetItem& ligne);

// --- Phone: 7 characters or more, digits, a dash allowed only in 4th position. Trims in place.
using Regles::ValiderNoTelephone;

}  // namespace FctVar
