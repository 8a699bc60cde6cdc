// Writing a confirmed client order: the order row, then one row per line.
// Values arrive as the texts the main window shows; conversions happen here.
#pragma once

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

// One line of the order list, its six column texts.
struct LigneCommande {
    QString nomPiece;
    QString dateRepresentation;
    QString nbEnfants;
    QString nbAdultes;
    QString cout;
    QString ventePorte;  // "Oui" or "Non"
};

struct Commande {
    QString dateReservation;
    QString montantTotal;
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
// Returns the new order number as text. On failure throws ErreurBD whose message names the
// line at fault (number, play, date) and nothing at all is left in the database.
// Done once per token: when the server's answer to the commit is lost, the token settles it
// (the order's number when it was written; NatureErreur::ReponsePerdue or IssueInconnue otherwise).
QString EnregistrerCommande(const Commande& commande);
// The same, and dansLaMemeTransaction(number) runs after the lines, inside the order's own
// transaction (replayed with it): what it writes stays only with the order, and never without it.
QString EnregistrerCommande(const Commande& commande, const std::function<void(const QString&)>& dansLaMemeTransaction);

}  // namespace modBD
