#include "modBD_Commandes.h"

#include "Montant.h"
#include "Regles.h"
#include "modBD.h"
#include "modBD_Changements.h"
#include "modBD_Journal.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace modBD {

namespace {
// A null QString would be bound as SQL NULL; what the clerk left empty is stored as empty text.
QVariant Texte(const QString& s) { return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s); }

// Ticket and package counts are stored as 16-bit numbers; anything else is refused, never
// written as whatever the text happens to hold.
qint16 Compte(const QString& texte, const QString& quoi) {
    const std::optional<qint16> n = Regles::TexteEnCompte16(texte);
    if (!n)
        throw ErreurBD(QStringLiteral("%1 « %2 » n'est pas un nombre entier entre -32768 et 32767.").arg(quoi, texte));
    return *n;
}

QString InsererCommande(const QString& dateReservation, Montant montantTotal, const QString& nomClient,
                        const QString& telephoneClient, const QString& nbForfaits) {
    const qint16 forfaits = Compte(nbForfaits, QStringLiteral("Le nombre de forfaits"));
    const qint64 no = InsererEtObtenirNumero(QStringLiteral("INSERT INTO InfoClientReservation "
                                                            "(DateReservation, MontantTotal, NomClient, TelephoneClient, NbForfaits) "
                                                            "VALUES (?, ?, ?, ?, ?)"),
                                             {Texte(dateReservation), montantTotal.Nombre(), Texte(nomClient),
                                              Texte(telephoneClient), forfaits},
                                             QStringLiteral("NoClient"));
    return QString::number(no);
}

void InsererLigne(const QString& noClient, const QString& nomPiece, const QString& dateRepresentation,
                  const QString& nbEnfants, const QString& nbAdultes, Montant cout, const QString& ventePorte,
                  QString& nomVendeur) {
    // Refused as a typed cost would be, however the amount was made.
    if (cout > Montant::Centimes(Montant::kMaximum) || cout < Montant::Centimes(-Montant::kMaximum))
        throw ErreurBD(QStringLiteral("Le champ des coûts n'est pas valide! (« %1 »)").arg(cout.TexteGeneral()));
    const qint16 porte = ventePorte == QLatin1String("Oui") ? 1 : 0;

    const QString noPiece = ObtenirNoPiece(nomPiece);
    if (noPiece.isEmpty())
        throw ErreurBD(QStringLiteral("la pièce « %1 » n'existe plus dans la base de données "
                                      "(supprimée depuis que la ligne a été ajoutée?).").arg(nomPiece));
    const QString noRepresentation = ObtenirNoRepresentation(noPiece, dateRepresentation);
    if (noRepresentation.isEmpty())
        throw ErreurBD(QStringLiteral("la représentation du %1 de la pièce « %2 » n'existe plus dans la base de données "
                                      "(supprimée depuis que la ligne a été ajoutée?).").arg(dateRepresentation, nomPiece));
    nomVendeur = RetirerMarqueComedien(nomVendeur);
    const std::optional<qint16> noVendeur = ObtenirNoVendeur(nomVendeur);
    if (!noVendeur)
        throw ErreurBD(QStringLiteral("le vendeur « %1 » n'existe plus dans la base de données "
                                      "(supprimé dans la gestion des vendeurs?).").arg(nomVendeur));

    const qint16 enfants = Compte(nbEnfants, QStringLiteral("le nombre de billets pour enfant"));
    const qint16 adultes = Compte(nbAdultes, QStringLiteral("le nombre de billets pour adulte"));
    bool ok = false;
    const qlonglong client = noClient.toLongLong(&ok);
    if (!ok) throw ErreurBD(QStringLiteral("le numéro de commande « %1 » n'est pas valide.").arg(noClient));

    Executer(QStringLiteral("INSERT INTO InfoReservation "
                            "(NoClient, NoRepresentation, NbEnfant, NbAdulte, Cout, VentePorte, NoVendeur) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?)"),
             {client, noRepresentation.toLongLong(), enfants, adultes, cout.Nombre(), porte, *noVendeur});
}
}  // namespace

QString AjouterInfoClientReservation(const QString& dateReservation, const QString& montantTotal,
                                     const QString& nomClient, const QString& telephoneClient,
                                     const QString& nbForfaits) {
    return InsererCommande(dateReservation, Montant::LireTexte(montantTotal), nomClient, telephoneClient, nbForfaits);
}

Montant CoutDepuisTexte(const QString& cout) {
    // A number beyond what a cost may be ("9e99") is refused, never stored as 0 or as itself.
    if (Regles::EstNumerique(cout) && !Montant::LireSaisie(cout))
        throw ErreurBD(QStringLiteral("Le champ des coûts n'est pas valide! (« %1 »)").arg(cout));
    return Montant::LireTexte(cout);
}

void AjouterInfoReservation(const QString& noClient, const QString& nomPiece, const QString& dateRepresentation,
                            const QString& nbEnfants, const QString& nbAdultes, const QString& cout,
                            const QString& ventePorte, QString& nomVendeur) {
    InsererLigne(noClient, nomPiece, dateRepresentation, nbEnfants, nbAdultes, CoutDepuisTexte(cout), ventePorte,
                 nomVendeur);
}

QString EnregistrerCommande(const Commande& commande) { return ConfirmerCommande(commande).no; }

QString EnregistrerCommande(const Commande& commande, const std::function<void(const QString&)>& dansLaMemeTransaction) {
    return ConfirmerCommande(commande, dansLaMemeTransaction).no;
}

CommandeEnregistree ConfirmerCommande(const Commande& commande, const std::function<void(const QString&)>& dansLaMemeTransaction) {
    // Rolled back on any throw below: no half order is ever left. Replayed whole when the
    // server aborts it for a conflict with another station.
    const QString jeton = commande.jeton.isEmpty() ? NouveauJeton() : commande.jeton;
    // The evening's door sale, which "Porte" may write; every other order is the box office's.
    const bool aLaPorte = commande.nomClient == QStringLiteral("Vente à la porte") && !commande.lignes.isEmpty() &&
                          std::all_of(commande.lignes.begin(), commande.lignes.end(),
                                      [](const LigneCommande& l) { return l.ventePorte == QLatin1String("Oui"); });
    const FaitUneFois fait = FaireUneSeuleFois(jeton, TextesPerteCommande(), [&]() {
        ExigerRole(aLaPorte ? Role::Porte : Role::Billetterie);
        const QString noClient = InsererCommande(commande.dateReservation, commande.montantTotal, commande.nomClient,
                                                 commande.telephoneClient, commande.nbForfaits);
        for (qsizetype i = 0; i < commande.lignes.size(); ++i) {
            const LigneCommande& l = commande.lignes.at(i);
            QString vendeur = commande.nomVendeur;  // a fresh copy per line: the lookup trims it in place
            try {
                InsererLigne(noClient, l.nomPiece, l.dateRepresentation, l.nbEnfants, l.nbAdultes, l.cout, l.ventePorte,
                             vendeur);
            } catch (const ErreurBD& e) {
                throw ErreurBD(QStringLiteral("Ligne %1 (« %2 », %3) : %4")
                                   .arg(i + 1)
                                   .arg(l.nomPiece, l.dateRepresentation, e.message()),
                               e.nature());
            }
        }
        SignalerChangement(Domaine::Commandes);
        // The order's number and amount, never the client's name or phone. The amount in the
        // main window's caption form ("157,5"), as the journal has always shown it.
        Journaliser(aLaPorte ? QStringLiteral("Vente à la porte") : QStringLiteral("Commande confirmée"),
                    QStringLiteral("Commande %1").arg(noClient),
                    QStringLiteral("%1 ligne(s), montant %2").arg(commande.lignes.size()).arg(commande.montantTotal.TexteGeneral()));
        if (dansLaMemeTransaction) dansLaMemeTransaction(noClient);
        return noClient;
    });
    // Committed by an attempt whose answer was lost: nobody has heard of it yet.
    if (fait.dejaEcrit) SignalerChangement(Domaine::Commandes);
    return {fait.resultat, fait.dejaEcrit};
}

}  // namespace modBD
