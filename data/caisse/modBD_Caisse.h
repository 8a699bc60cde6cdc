// The till at the door: how each door sale was paid (PaiementCommande, written with its order),
// what a station's drawer should hold for one performance, and its numbered closings
// (FermetureCaisse), which the program writes once and never changes. Both tables are made on
// the first write that needs them; a base without them has no payment and no closing.
// Amounts are whole cents (qint64) from here up.
#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace modBD {

inline const QString kTablePaiements = QStringLiteral("PaiementCommande");
inline const QString kTableFermetures = QStringLiteral("FermetureCaisse");

enum class ModePaiement { Especes, Carte, Cheque, Autre };
// "Espèces", "Carte", "Chèque", "Autre": what the lists show and the table holds.
QString TexteMode(ModePaiement mode);
std::optional<ModePaiement> ModeDepuisTexte(const QString& texte);
QStringList TextesModes();

struct Paiement {
    ModePaiement mode = ModePaiement::Especes;
    QString reference;  // the cheque's number, optional
    QString poste;      // the station that took the money
};

// Cash in Canada is paid to the nearest 5 ¢: 1–2 ¢ down, 3–4 ¢ up, 6–7 ¢ down to 5, 8–9 ¢ up
// (negative amounts, refunds, symmetrically).
qint64 ArrondiEspeces(qint64 centimes);
// A stored amount (Cout, a double) in whole cents, half away from zero.
qint64 CentimesDepuisMontant(double montant);

// A door sale and its payment in one transaction (the order, its line, the payment row), then
// the party checked in whole. Returns the order number; throws ErreurBD as the door sale does.
// jeton: as for any order (empty: a new one), so that a retry never sells twice.
QString EnregistrerVentePortePayee(const QString& nomPiece, const QString& dateRepresentation, const QString& nbEnfants,
                                   const QString& nbAdultes, const QString& cout, const QString& nomVendeur,
                                   const QString& dateVente, const Paiement& paiement, const QString& jeton = QString());
// The payment of an order, nullopt when it was not paid at a till.
std::optional<Paiement> LirePaiement(qint64 noClient);

// The count of the drawer by note and coin, in this order: 100, 50, 20, 10, 5, 2, 1, 0,25, 0,10, 0,05 $.
inline constexpr std::array<qint64, 10> kCoupures = {10000, 5000, 2000, 1000, 500, 200, 100, 25, 10, 5};
QString TexteCoupure(qint64 centimes);  // "100", "0,25"
struct Comptage {
    std::array<qint64, 10> nombres{};
    qint64 Total() const;
    // "100:0;50:1;20:2;10:0;5:0;2:3;1:0;0,25:4;0,10:0;0,05:1"
    QString Detail() const;
    static std::optional<Comptage> DepuisDetail(const QString& detail);
};

// What a station's drawer should hold for a performance, since its previous closing.
struct EtatCaisse {
    qint64 fondCaisse = 0;
    qint64 ventesEspeces = 0;     // cash of the door sales paid in cash here, each rounded to 5 ¢
    qint64 remboursements = 0;    // the same for those cancelled since (rounded alike)
    qint64 dejaFerme = 0;         // the net cash the station's earlier closings of the performance took
    qint64 arrondi = 0;           // rounded cash − costs, over the cash sales still standing
    qint64 carte = 0;             // card, cheque, other: standing sales less what earlier closings took
    qint64 cheque = 0;
    qint64 autre = 0;
    qlonglong nbVentes = 0;       // door sales paid here (all modes, cancelled included)
    qint64 attendues() const { return fondCaisse + ventesEspeces - remboursements - dejaFerme; }
};
EtatCaisse CalculerCaisse(qint64 noRepresentation, const QString& poste, qint64 fondCaisse);

struct FermetureCaisse {
    qint64 noFermeture = 0;
    qint64 noRepresentation = 0;
    QString piece;
    QString dateRepresentation;
    QString poste;
    QString dateFermeture;  // yyyy-MM-dd HH:mm:ss
    qint64 fondCaisse = 0;
    qint64 especesAttendues = 0;
    qint64 especesComptees = 0;
    qint64 ecart = 0;
    qint64 carte = 0;
    qint64 cheque = 0;
    qint64 autre = 0;
    QString detail;
    QString commentaire;
};
// Writes the station's closing for the performance with the expected cash worked out inside the
// same transaction, and returns it with its new number. Throws ErreurBD; nothing half-written.
FermetureCaisse FermerCaisse(qint64 noRepresentation, const QString& poste, qint64 fondCaisse, const Comptage& comptage,
                             const QString& commentaire);
// Closings, by number; noRepresentation < 0: every performance.
QList<FermetureCaisse> ListeFermetures(qint64 noRepresentation = -1);

// The door takings of a performance by payment mode (every station), standing sales only;
// "Non payé à la caisse" for door sales recorded without a payment row.
struct RecetteMode {
    QString mode;
    qlonglong ventes = 0;
    qint64 montant = 0;
};
QList<RecetteMode> RecettesPorteParMode(qint64 noRepresentation);

}  // namespace modBD
