// The evening at the door: the hall's capacity per performance, the prices per play, the
// parties checked in, the door sales. These live in tables of the program's own
// (CapaciteRepresentation, TarifPiece, ArriveeCommande). A file made before them has none: every reader takes
// a missing table for "nothing set", and a table is created inside the first transaction
// that writes it (opening or reading a file never changes it). On a server whose account may
// not create tables, the clerk is told the SQL to hand the administrator.
#pragma once

#include "Montant.h"

#include <QDate>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace modBD {

inline const QString kTableCapacites = QStringLiteral("CapaciteRepresentation");
inline const QString kTableTarifs = QStringLiteral("TarifPiece");
inline const QString kTableArrivees = QStringLiteral("ArriveeCommande");
constexpr int kCapaciteMax = 32767;

struct Tarif {
    double enfant = 0.0;
    double adulte = 0.0;
};

// --- Places and prices. Numbers as the base gives them; nullopt: nothing set.
std::optional<Tarif> LireTarif(qint64 noPiece);
// nullopt removes the play's prices. Amounts must be 0 or more.
void EnregistrerTarif(qint64 noPiece, const std::optional<Tarif>& tarif);
std::optional<int> LireCapacite(qint64 noRepresentation);
// nullopt removes the capacity. Throws ErreurBD for a count out of 1..32767 or a performance gone.
void EnregistrerCapacite(qint64 noRepresentation, std::optional<int> capacite);
// The same capacity for every performance of the play, in one transaction.
void EnregistrerCapacitePiece(qint64 noPiece, std::optional<int> capacite);
// Tickets of the performance's orders that are not cancelled.
qlonglong PlacesPrises(qint64 noRepresentation);
// Capacity − seats taken (negative when oversold); nullopt when no capacity is set.
std::optional<qlonglong> PlacesRestantes(qint64 noRepresentation);
// The same, by the texts the windows show; nullopt also when the play or date is not found.
std::optional<qlonglong> PlacesRestantes(const QString& nomPiece, const QString& dateRepresentation);
// The performance's number; throws ErreurBD naming the play or date that does not exist.
qint64 TrouverRepresentation(const QString& nomPiece, const QString& dateRepresentation);

// --- The evening: one performance, its parties, its check-ins.
struct RepresentationSoiree {
    qint64 noRepresentation = 0;
    qint64 noPiece = 0;
    QString piece;
    QString date;  // date text as stored
};
// Every performance, by the date its text denotes, then by play name.
QList<RepresentationSoiree> ListeRepresentationsSoiree();
// Today's first performance, else the next one to come, else the last one; -1 when none.
int RepresentationDuJour(const QList<RepresentationSoiree>& liste, const QDate& aujourdhui);

struct PartieSoiree {
    qint64 noClient = 0;
    QString client;
    QString telephone;
    qlonglong billetsEnfant = 0;
    qlonglong billetsAdulte = 0;
    qlonglong arrives = 0;
    bool aLaPorte = false;
    Montant montant;
    QString vendeur;  // display name of the first line's seller
    qlonglong billets() const { return billetsEnfant + billetsAdulte; }
};
struct Soiree {
    std::optional<int> capacite;
    qlonglong vendusAvance = 0;
    qlonglong vendusPorte = 0;
    qlonglong arrives = 0;
    qlonglong attendus = 0;
    std::optional<qlonglong> placesLibres;
    QList<PartieSoiree> parties;  // non-cancelled orders with a line for it, by client name (French collation)
};
Soiree LireSoiree(qint64 noRepresentation);

enum class Arrivee { Toute, UneDePlus, UneDeMoins, Aucune };
// Writes one change of a party's check-in at once: an increment bounded by the party's tickets
// (0 to tickets), so two stations never lose each other's counts. Returns the new count;
// nullopt when the order or its line for this performance no longer exists (nothing written).
std::optional<qlonglong> NoterArrivee(qint64 noClient, qint64 noRepresentation, Arrivee changement);

// A door sale: one order of one line sold at the door, through the same write as any order,
// then checked in whole. Returns the new order number. dansLaMemeTransaction (the payment)
// is written in the order's own transaction; jeton (empty: a new one) makes a second attempt
// after a lost answer find the sale instead of writing it twice.
QString EnregistrerVentePorte(const QString& nomPiece, const QString& dateRepresentation, const QString& nbEnfants,
                              const QString& nbAdultes, const QString& cout, const QString& nomVendeur,
                              const QString& dateVente,
                              const std::function<void(const QString& noClient)>& dansLaMemeTransaction = {},
                              const QString& jeton = QString());

}  // namespace modBD
