// Writing a confirmed client order: the order row, then one row per line.
// An order's amounts travel as Montant; the two text procedures below take the texts of their
// callers and convert them once, here.
#pragma once

#include "Montant.h"

#include <QList>
#include <QString>

#include <functional>

namespace modBD {

// Appends the order row and returns the number the database gave it, as text.
// The packages text goes through the 16-bit count rule and the total through the amount rule;
// a packages text that cannot become such a count is refused (ErreurBD), nothing written.
QString AjouterInfoClientReservation(const QString& dateReservation, const QString& montantTotal,
                                     const QString& nomClient, const QString& telephoneClient,
                                     const QString& nbForfaits);

// Appends one line of an order after finding its play, performance and seller by name.
// The seller display name loses its final " (C)" in place. A name that is no longer found,
// or a count that cannot be written, throws ErreurBD and writes nothing.
void AjouterInfoReservation(const QString& noClient, const QString& nomPiece, const QString& dateRepresentation,
                            const QString& nbEnfants, const QString& nbAdultes, const QString& cout,
                            const QString& ventePorte, QString& nomVendeur);

// A line's cost given as text, by the rule of the text procedures: a number beyond what a cost
// may be ("9e99") is refused (ErreurBD "Le champ des coûts n'est pas valide!"); any other text is
// read by Montant::LireTexte.
Montant CoutDepuisTexte(const QString& cout);

// One line of the order list: its column texts, and its cost as an amount.
struct LigneCommande {
    QString nomPiece;
    QString dateRepresentation;
    QString nbEnfants;
    QString nbAdultes;
    Montant cout;
    QString ventePorte;  // "Oui" or "Non"
};

struct Commande {
    QString dateReservation;
    Montant montantTotal;
    QString nomClient;
    QString telephoneClient;
    QString nbForfaits;
    QString nomVendeur;  // display name, " (C)" for an actor
    QList<LigneCommande> lignes;
    // Made by the station before the first attempt (NouveauJeton) and kept until the order is
    // written: a second attempt after a lost answer can then never write it twice. Empty: one is made.
    QString jeton;
};

// Writes the order row and every line, in list order, in one transaction: all or nothing.
// A line's cost beyond ±99 999 999,99 is refused as a typed one would be.
// Returns the new order number as text. On failure throws ErreurBD whose message names the
// line at fault (number, play, date) and nothing at all is left in the database.
// Done once per token: when the server's answer to the commit is lost, the token settles it
// (the order's number when it was written; NatureErreur::ReponsePerdue or IssueInconnue otherwise).
QString EnregistrerCommande(const Commande& commande);
// The same, and dansLaMemeTransaction(number) runs after the lines, inside the order's own
// transaction (replayed with it): what it writes stays only with the order, and never without it.
QString EnregistrerCommande(const Commande& commande, const std::function<void(const QString&)>& dansLaMemeTransaction);
// The same, saying also whether an attempt whose answer was lost had already written the
// order (as it was then: what changed on screen since is not in it).
struct CommandeEnregistree {
    QString no;
    bool dejaEnregistree = false;
};
CommandeEnregistree ConfirmerCommande(const Commande& commande,
                                      const std::function<void(const QString&)>& dansLaMemeTransaction = {});

}  // namespace modBD
