// Finding confirmed orders again: by client name (blind to case and accents), by phone,
// or by order number; and reading one order with its lines.
#pragma once

#include "modBD_Annulations.h"
#include "Montant.h"

#include <QList>
#include <QString>

#include <optional>

namespace modBD {

constexpr int kCommandesAffichees = 200;

// One order as the search list shows it.
struct ResumeCommande {
    qint64 noClient = 0;
    QString dateReservation;  // date text as stored
    QString nomClient;
    QString telephoneClient;
    QString vendeur;          // display name (" (C)" for an actor); empty when no line names one
    qint64 billets = 0;       // children and adults over all lines
    Montant montant;          // MontantTotal, to the cent
    qint64 nbForfaits = 0;
    std::optional<Annulation> annulation;
};

struct ResultatRecherche {
    QList<ResumeCommande> commandes;  // at most the limit, in display order
    qint64 total = 0;                 // every order found, shown or not
};

// Orders whose client name contains the text (case, accents and runs of blanks ignored),
// whose phone contains it (a phone typed with or without its dashes and blanks), or whose
// number it is. The order with that exact number comes first; the others newest first
// (order date by the program's date rule, then number). An empty text finds every order.
ResultatRecherche RechercherCommandes(const QString& texte, int limite = kCommandesAffichees);

struct LigneDetail {
    QString nomPiece;             // empty when the play was deleted since
    QString dateRepresentation;   // empty when the performance was deleted since
    qint64 nbEnfants = 0;
    qint64 nbAdultes = 0;
    Montant cout;
    bool ventePorte = false;
};

struct DetailCommande {
    ResumeCommande resume;
    QList<LigneDetail> lignes;  // in the order they were written
};

// nullopt when the order no longer exists.
std::optional<DetailCommande> LireCommande(qint64 noClient);

// The folded form the search compares: accents and case removed, ligatures spelt out,
// typographic apostrophes made plain, runs of blanks made one blank, ends trimmed.
QString PlierTexte(const QString& texte);

// Drops the in-memory copy of the names: the next search reads them again (after a name was
// changed in place, which the change markers do not tell).
void OublierIndexRecherche();

}  // namespace modBD
