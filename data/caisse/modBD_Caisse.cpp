#include "modBD_Caisse.h"

#include "Montant.h"
#include "modBD.h"
#include "modBD_Journal.h"
#include "modBD_Soiree.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <utility>

namespace modBD {

namespace {

const QList<std::pair<ModePaiement, QString>>& Modes() {
    static const QList<std::pair<ModePaiement, QString>> modes = {
        {ModePaiement::Especes, QStringLiteral("Espèces")},
        {ModePaiement::Carte, QStringLiteral("Carte")},
        {ModePaiement::Cheque, QStringLiteral("Chèque")},
        {ModePaiement::Autre, QStringLiteral("Autre")}};
    return modes;
}

// "1 when the order is cancelled", for a select list; the table may not exist yet.
QString Annulee(const QString& colonne) {
    if (!TablePresente(kTableAnnulations)) return QStringLiteral("0");
    return QStringLiteral("CASE WHEN EXISTS (SELECT 1 FROM AnnulationCommande a WHERE a.NoClient = %1) THEN 1 ELSE 0 END")
        .arg(colonne);
}

FermetureCaisse LireFermeture(const QSqlQuery& q) {
    FermetureCaisse f;
    f.noFermeture = q.value(0).toLongLong();
    f.noRepresentation = q.value(1).toLongLong();
    f.poste = q.value(2).toString();
    f.dateFermeture = q.value(3).toString();
    f.fondCaisse = q.value(4).toLongLong();
    f.especesAttendues = q.value(5).toLongLong();
    f.especesComptees = q.value(6).toLongLong();
    f.ecart = q.value(7).toLongLong();
    f.carte = q.value(8).toLongLong();
    f.cheque = q.value(9).toLongLong();
    f.autre = q.value(10).toLongLong();
    f.detail = q.value(11).toString();
    f.commentaire = q.value(12).toString();
    f.piece = q.value(13).toString();
    f.dateRepresentation = q.value(14).toString();
    return f;
}

const QString kColonnesFermeture = QStringLiteral(
    "f.NoFermeture, f.NoRepresentation, f.Poste, f.DateFermeture, f.FondCaisse, f.EspecesAttendues, f.EspecesComptees, "
    "f.Ecart, f.Carte, f.Cheque, f.Autre, f.Detail, f.Commentaire, p.NomPiece, r.DateRepresentation");

}  // namespace

QString TexteMode(ModePaiement mode) {
    for (const auto& [m, texte] : Modes())
        if (m == mode) return texte;
    return {};
}

std::optional<ModePaiement> ModeDepuisTexte(const QString& texte) {
    for (const auto& [m, t] : Modes())
        if (t == texte) return m;
    return std::nullopt;
}

QStringList TextesModes() {
    QStringList textes;
    for (const auto& mode : Modes()) textes << mode.second;
    return textes;
}

qint64 ArrondiEspeces(qint64 centimes) {
    if (centimes < 0) return -ArrondiEspeces(-centimes);
    const qint64 reste = centimes % 5;
    return reste <= 2 ? centimes - reste : centimes + (5 - reste);
}

qint64 CentimesDepuisMontant(double montant) {
    // The double's noise removed first (12.345 stored as 12.3449999…), then half away from zero.
    return std::llround(std::round(montant * 1e6) / 1e4);
}

QString EnregistrerVentePortePayee(const QString& nomPiece, const QString& dateRepresentation, const QString& nbEnfants,
                                   const QString& nbAdultes, const QString& cout, const QString& nomVendeur,
                                   const QString& dateVente, const Paiement& paiement, const QString& jeton) {
    const QString mode = TexteMode(paiement.mode);
    const QString reference = paiement.mode == ModePaiement::Cheque ? paiement.reference.trimmed() : QString();
    return EnregistrerVentePorte(nomPiece, dateRepresentation, nbEnfants, nbAdultes, cout, nomVendeur, dateVente,
                                 [&](const QString& noClient) {
                                     AssurerTable(kTablePaiements);
                                     Executer(QStringLiteral("INSERT INTO PaiementCommande (NoClient, Mode, Reference, Poste) "
                                                             "VALUES (?, ?, ?, ?)"),
                                              {noClient.toLongLong(), mode, reference, paiement.poste});
                                 },
                                 jeton);
}

std::optional<Paiement> LirePaiement(qint64 noClient) {
    if (!TablePresente(kTablePaiements)) return std::nullopt;
    QSqlQuery q = Executer(QStringLiteral("SELECT Mode, Reference, Poste FROM PaiementCommande WHERE NoClient = ?"), {noClient});
    if (!q.next()) return std::nullopt;
    return Paiement{ModeDepuisTexte(q.value(0).toString()).value_or(ModePaiement::Autre), q.value(1).toString(),
                    q.value(2).toString()};
}

QString TexteCoupure(qint64 centimes) {
    if (centimes % 100 == 0) return QString::number(centimes / 100);
    return QStringLiteral("%1,%2").arg(centimes / 100).arg(centimes % 100, 2, 10, QLatin1Char('0'));
}

qint64 Comptage::Total() const {
    qint64 total = 0;
    for (size_t i = 0; i < kCoupures.size(); ++i) total += nombres.at(i) * kCoupures.at(i);
    return total;
}

QString Comptage::Detail() const {
    QStringList parties;
    for (size_t i = 0; i < kCoupures.size(); ++i)
        parties << QStringLiteral("%1:%2").arg(TexteCoupure(kCoupures.at(i))).arg(nombres.at(i));
    return parties.join(QLatin1Char(';'));
}

std::optional<Comptage> Comptage::DepuisDetail(const QString& detail) {
    const QStringList parties = detail.split(QLatin1Char(';'));
    if (parties.size() != static_cast<qsizetype>(kCoupures.size())) return std::nullopt;
    Comptage c;
    for (size_t i = 0; i < kCoupures.size(); ++i) {
        const QStringList paire = parties.at(static_cast<qsizetype>(i)).split(QLatin1Char(':'));
        bool ok = false;
        const qint64 n = paire.size() == 2 ? paire.at(1).toLongLong(&ok) : 0;
        if (!ok || n < 0 || paire.at(0) != TexteCoupure(kCoupures.at(i))) return std::nullopt;
        c.nombres.at(i) = n;
    }
    return c;
}

EtatCaisse CalculerCaisse(qint64 noRepresentation, const QString& poste, qint64 fondCaisse) {
    EtatCaisse e;
    e.fondCaisse = fondCaisse;
    if (!TablePresente(kTablePaiements)) return e;
    // One row per order paid here for this performance: its mode, its cost, whether cancelled since.
    QSqlQuery q = Executer(QStringLiteral("SELECT p.Mode, SUM(l.Cout), %1 FROM PaiementCommande p "
                                          "JOIN InfoReservation l ON l.NoClient = p.NoClient "
                                          "WHERE l.NoRepresentation = ? AND p.Poste = ? GROUP BY p.NoClient, p.Mode")
                               .arg(Annulee(QStringLiteral("p.NoClient"))),
                           {noRepresentation, poste});
    while (q.next()) {
        const std::optional<ModePaiement> mode = ModeDepuisTexte(q.value(0).toString());
        const qint64 cout = CentimesDepuisMontant(q.value(1).toDouble());
        const bool annulee = q.value(2).toLongLong() != 0;
        ++e.nbVentes;
        if (mode == ModePaiement::Especes) {
            const qint64 especes = ArrondiEspeces(cout);
            e.ventesEspeces += especes;
            if (annulee) e.remboursements += especes;
            else e.arrondi += especes - cout;
        } else if (!annulee) {
            (mode == ModePaiement::Carte ? e.carte : mode == ModePaiement::Cheque ? e.cheque : e.autre) += cout;
        }
    }
    VerifierLectureComplete(q);
    q.finish();
    if (!TablePresente(kTableFermetures)) return e;
    QSqlQuery f = Executer(QStringLiteral("SELECT SUM(EspecesAttendues - FondCaisse), SUM(Carte), SUM(Cheque), SUM(Autre) "
                                          "FROM FermetureCaisse WHERE NoRepresentation = ? AND Poste = ?"),
                           {noRepresentation, poste});
    if (f.next()) {
        e.dejaFerme = f.value(0).toLongLong();
        e.carte -= f.value(1).toLongLong();
        e.cheque -= f.value(2).toLongLong();
        e.autre -= f.value(3).toLongLong();
    }
    return e;
}

FermetureCaisse FermerCaisse(qint64 noRepresentation, const QString& poste, qint64 fondCaisse, const Comptage& comptage,
                             const QString& commentaire) {
    if (poste.trimmed().isEmpty()) throw ErreurBD(QStringLiteral("Le poste n'a pas de nom : rien n'a été enregistré."));
    if (fondCaisse < 0) throw ErreurBD(QStringLiteral("Le fonds de caisse ne peut pas être négatif."));
    return EnTransaction([&](Transaction& transaction) {
        ExigerRole(Role::Porte);
        AssurerTable(kTableFermetures);
        // Worked out inside the closing's transaction: a sale taken meanwhile is in it or after it.
        const EtatCaisse e = CalculerCaisse(noRepresentation, poste, fondCaisse);
        FermetureCaisse f;
        f.noRepresentation = noRepresentation;
        f.poste = poste.trimmed();
        f.dateFermeture = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        f.fondCaisse = fondCaisse;
        f.especesAttendues = e.attendues();
        f.especesComptees = comptage.Total();
        f.ecart = f.especesComptees - f.especesAttendues;
        f.carte = e.carte;
        f.cheque = e.cheque;
        f.autre = e.autre;
        f.detail = comptage.Detail();
        f.commentaire = commentaire;
        f.noFermeture = InsererEtObtenirNumero(
            QStringLiteral("INSERT INTO FermetureCaisse (NoRepresentation, Poste, DateFermeture, FondCaisse, EspecesAttendues, "
                           "EspecesComptees, Ecart, Carte, Cheque, Autre, Detail, Commentaire) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {noRepresentation, f.poste, f.dateFermeture, f.fondCaisse, f.especesAttendues, f.especesComptees, f.ecart,
             f.carte, f.cheque, f.autre, f.detail, f.commentaire},
            QStringLiteral("NoFermeture"));
        Journaliser(QStringLiteral("Caisse fermée"), QStringLiteral("Fermeture %1").arg(f.noFermeture),
                    QStringLiteral("poste %1, représentation %2, espèces attendues %3, comptées %4, écart %5")
                        .arg(f.poste)
                        .arg(noRepresentation)
                        .arg(Montant::Centimes(f.especesAttendues).Texte(), Montant::Centimes(f.especesComptees).Texte(),
                             Montant::Centimes(f.ecart).Texte()));
        transaction.Valider();
        return f;
    });
}

QList<FermetureCaisse> ListeFermetures(qint64 noRepresentation) {
    QList<FermetureCaisse> liste;
    if (!TablePresente(kTableFermetures)) return liste;
    const QString sql = QStringLiteral("SELECT %1 FROM FermetureCaisse f "
                                       "LEFT JOIN Representation r ON r.NoRepresentation = f.NoRepresentation "
                                       "LEFT JOIN Piece p ON p.NoPiece = r.NoPiece %2 ORDER BY f.NoFermeture")
                            .arg(kColonnesFermeture,
                                 noRepresentation >= 0 ? QStringLiteral("WHERE f.NoRepresentation = ?") : QString());
    QSqlQuery q = Executer(sql, noRepresentation >= 0 ? QVariantList{noRepresentation} : QVariantList{});
    while (q.next()) liste << LireFermeture(q);
    VerifierLectureComplete(q);
    return liste;
}

QList<RecetteMode> RecettesPorteParMode(qint64 noRepresentation) {
    const bool paiements = TablePresente(kTablePaiements);
    QSqlQuery q = Executer(QStringLiteral("SELECT %1, SUM(l.Cout) FROM InfoReservation l %2 "
                                          "WHERE l.NoRepresentation = ? AND l.VentePorte <> 0 AND (%3) GROUP BY l.NoClient%4")
                               .arg(paiements ? QStringLiteral("p.Mode") : QStringLiteral("NULL"),
                                    paiements ? QStringLiteral("LEFT JOIN PaiementCommande p ON p.NoClient = l.NoClient")
                                              : QString(),
                                    ConditionNonAnnulee(QStringLiteral("l.NoClient")),
                                    paiements ? QStringLiteral(", p.Mode") : QString()),
                           {noRepresentation});
    QList<RecetteMode> recettes;
    for (const QString& mode : TextesModes()) recettes.append({mode, 0, 0});
    recettes.append({QStringLiteral("Non payé à la caisse"), 0, 0});
    while (q.next()) {
        const QString mode = q.value(0).isNull() ? QString() : q.value(0).toString();
        const qsizetype rang = TextesModes().indexOf(mode);
        RecetteMode& r = recettes[rang >= 0 ? rang : recettes.size() - 1];
        ++r.ventes;
        r.montant += CentimesDepuisMontant(q.value(1).toDouble());
    }
    VerifierLectureComplete(q);
    return recettes;
}

}  // namespace modBD
