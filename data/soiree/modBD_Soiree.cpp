#include "modBD_Soiree.h"

#include "Regles.h"
#include "modBD.h"
#include "modBD_Changements.h"
#include "modBD_Journal.h"
#include "modBD_Moteur.h"
#include "modBD_Commandes.h"

#include <QCollator>
#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <limits>
#include <tuple>
#include <vector>

namespace modBD {

namespace {

qint64 Numero(const QString& texte) { return texte.isEmpty() ? -1 : texte.toLongLong(); }

bool RepresentationExiste(qint64 noRepresentation) {
    QSqlQuery q = Executer(QStringLiteral("SELECT COUNT(*) FROM Representation WHERE NoRepresentation = ?"), {noRepresentation});
    return q.next() && q.value(0).toLongLong() > 0;
}

void VerifierCapacite(std::optional<int> capacite) {
    if (capacite && (*capacite < 1 || *capacite > kCapaciteMax))
        throw ErreurBD(QStringLiteral("Le nombre de places doit être un nombre entier entre 1 et %1.").arg(kCapaciteMax));
}

void EcrireCapacite(qint64 noRepresentation, std::optional<int> capacite) {
    Executer(QStringLiteral("DELETE FROM CapaciteRepresentation WHERE NoRepresentation = ?"), {noRepresentation});
    if (capacite)
        Executer(QStringLiteral("INSERT INTO CapaciteRepresentation (NoRepresentation, Capacite) VALUES (?, ?)"),
                 {noRepresentation, *capacite});
}

QString Maintenant() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

void TrierParClient(QList<PartieSoiree>& parties) {
    const QCollator collateur{QLocale()};
    std::stable_sort(parties.begin(), parties.end(), [&](const PartieSoiree& a, const PartieSoiree& b) {
        const int c = collateur.compare(a.client, b.client);
        return c != 0 ? c < 0 : a.noClient < b.noClient;
    });
}

}  // namespace

qint64 TrouverRepresentation(const QString& nomPiece, const QString& dateRepresentation) {
    const QString noPiece = ObtenirNoPiece(nomPiece);
    if (noPiece.isEmpty()) throw ErreurBD(QStringLiteral("La pièce « %1 » n'existe pas.").arg(nomPiece));
    const QString no = ObtenirNoRepresentation(noPiece, dateRepresentation);
    if (no.isEmpty())
        throw ErreurBD(QStringLiteral("La pièce « %1 » n'a pas de représentation le %2.").arg(nomPiece, dateRepresentation));
    return no.toLongLong();
}

std::optional<Tarif> LireTarif(qint64 noPiece) {
    if (!TablePresente(kTableTarifs)) return std::nullopt;
    QSqlQuery q = Executer(QStringLiteral("SELECT PrixEnfant, PrixAdulte FROM TarifPiece WHERE NoPiece = ?"), {noPiece});
    if (!q.next()) return std::nullopt;
    return Tarif{q.value(0).toDouble(), q.value(1).toDouble()};
}

void EnregistrerTarif(qint64 noPiece, const std::optional<Tarif>& tarif) {
    if (tarif && (tarif->enfant < 0 || tarif->adulte < 0))
        throw ErreurBD(QStringLiteral("Les prix ne peuvent pas être négatifs."));
    if (!tarif && !TablePresente(kTableTarifs)) return;  // nothing to remove, and no table to create for it
    EnTransaction([&](Transaction& transaction) {
        ExigerRole(Role::Administration);
        AssurerTable(kTableTarifs);
        QSqlQuery existe = Executer(QStringLiteral("SELECT COUNT(*) FROM Piece WHERE NoPiece = ?"), {noPiece});
        if (!existe.next() || existe.value(0).toLongLong() == 0)
            throw ErreurBD(QStringLiteral("Cette pièce n'existe plus (supprimée entre-temps?) : rien n'a été enregistré."));
        existe.finish();
        Executer(QStringLiteral("DELETE FROM TarifPiece WHERE NoPiece = ?"), {noPiece});
        if (tarif)
            Executer(QStringLiteral("INSERT INTO TarifPiece (NoPiece, PrixEnfant, PrixAdulte) VALUES (?, ?, ?)"),
                     {noPiece, tarif->enfant, tarif->adulte});
        SignalerChangement(Domaine::Catalogue);
        Journaliser(QStringLiteral("Prix changés"), QStringLiteral("Piece %1").arg(noPiece),
                    tarif ? QStringLiteral("enfant %1, adulte %2").arg(tarif->enfant).arg(tarif->adulte) : QStringLiteral("aucun prix"));
        transaction.Valider();
    });
}

std::optional<int> LireCapacite(qint64 noRepresentation) {
    if (!TablePresente(kTableCapacites)) return std::nullopt;
    QSqlQuery q = Executer(QStringLiteral("SELECT Capacite FROM CapaciteRepresentation WHERE NoRepresentation = ?"),
                           {noRepresentation});
    if (!q.next() || q.value(0).isNull()) return std::nullopt;
    return q.value(0).toInt();
}

void EnregistrerCapacite(qint64 noRepresentation, std::optional<int> capacite) {
    VerifierCapacite(capacite);
    if (!capacite && !TablePresente(kTableCapacites)) return;
    EnTransaction([&](Transaction& transaction) {
        ExigerRole(Role::Administration);
        AssurerTable(kTableCapacites);
        if (!RepresentationExiste(noRepresentation))
            throw ErreurBD(QStringLiteral("Cette représentation n'existe plus (supprimée entre-temps?) : rien n'a été enregistré."));
        EcrireCapacite(noRepresentation, capacite);
        SignalerChangement(Domaine::Catalogue);
        Journaliser(QStringLiteral("Capacité changée"), QStringLiteral("Representation %1").arg(noRepresentation),
                    capacite ? QString::number(*capacite) : QStringLiteral("aucune"));
        transaction.Valider();
    });
}

void EnregistrerCapacitePiece(qint64 noPiece, std::optional<int> capacite) {
    VerifierCapacite(capacite);
    if (!capacite && !TablePresente(kTableCapacites)) return;
    EnTransaction([&](Transaction& transaction) {
        ExigerRole(Role::Administration);
        AssurerTable(kTableCapacites);
        QSqlQuery existe = Executer(QStringLiteral("SELECT COUNT(*) FROM Piece WHERE NoPiece = ?"), {noPiece});
        if (!existe.next() || existe.value(0).toLongLong() == 0)
            throw ErreurBD(QStringLiteral("Cette pièce n'existe plus (supprimée entre-temps?) : rien n'a été enregistré."));
        existe.finish();
        QSqlQuery q = Executer(QStringLiteral("SELECT NoRepresentation FROM Representation WHERE NoPiece = ?"), {noPiece});
        QList<qint64> nos;
        while (q.next()) nos << q.value(0).toLongLong();
        q.finish();
        for (qint64 no : nos) EcrireCapacite(no, capacite);
        SignalerChangement(Domaine::Catalogue);
        Journaliser(QStringLiteral("Capacité changée"), QStringLiteral("Piece %1").arg(noPiece),
                    capacite ? QString::number(*capacite) : QStringLiteral("aucune"));
        transaction.Valider();
    });
}

qlonglong PlacesPrises(qint64 noRepresentation) {
    QSqlQuery q = Executer(QStringLiteral("SELECT SUM(l.NbEnfant + l.NbAdulte) FROM InfoReservation l "
                                          "WHERE l.NoRepresentation = ? AND (%1)")
                               .arg(ConditionNonAnnulee(QStringLiteral("l.NoClient"))),
                           {noRepresentation});
    return q.next() ? q.value(0).toLongLong() : 0;
}

std::optional<qlonglong> PlacesRestantes(qint64 noRepresentation) {
    const std::optional<int> capacite = LireCapacite(noRepresentation);
    if (!capacite) return std::nullopt;
    return *capacite - PlacesPrises(noRepresentation);
}

std::optional<qlonglong> PlacesRestantes(const QString& nomPiece, const QString& dateRepresentation) {
    if (!TablePresente(kTableCapacites)) return std::nullopt;  // the usual case: no lookup at all
    const qint64 noPiece = Numero(ObtenirNoPiece(nomPiece));
    if (noPiece < 0) return std::nullopt;
    const qint64 no = Numero(ObtenirNoRepresentation(QString::number(noPiece), dateRepresentation));
    if (no < 0) return std::nullopt;
    return PlacesRestantes(no);
}

QList<RepresentationSoiree> ListeRepresentationsSoiree() {
    QSqlQuery q = Executer(QStringLiteral("SELECT r.NoRepresentation, p.NoPiece, p.NomPiece, r.DateRepresentation "
                                          "FROM Representation r JOIN Piece p ON p.NoPiece = r.NoPiece"));
    // Each date read and each play's sort key made once: thousands of performances on a long history.
    struct Cle {
        qint64 jour;     // the date's day number; texts that are no date after every date
        QString texte;   // then by their text
        qsizetype piece; // rank of the play's name in French order
        RepresentationSoiree r;
    };
    std::vector<Cle> cles;
    QHash<QString, qsizetype> rangs;
    while (q.next()) {
        RepresentationSoiree r{q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(), q.value(3).toString()};
        const QDate d = Regles::TexteEnDate(r.date);
        rangs.insert(r.piece, 0);
        cles.push_back({d.isValid() ? d.toJulianDay() : std::numeric_limits<qint64>::max(), d.isValid() ? QString() : r.date, 0, r});
    }
    q.finish();
    const QCollator collateur{QLocale()};
    QStringList noms = rangs.keys();
    std::sort(noms.begin(), noms.end(), [&](const QString& a, const QString& b) { return collateur.compare(a, b) < 0; });
    for (qsizetype i = 0; i < noms.size(); ++i) rangs[noms.at(i)] = i;
    for (Cle& c : cles) c.piece = rangs.value(c.r.piece);
    std::stable_sort(cles.begin(), cles.end(), [](const Cle& a, const Cle& b) {
        return std::tie(a.jour, a.texte, a.piece) < std::tie(b.jour, b.texte, b.piece);
    });
    QList<RepresentationSoiree> liste;
    liste.reserve(static_cast<qsizetype>(cles.size()));
    for (const Cle& c : cles) liste.append(c.r);
    return liste;
}

int RepresentationDuJour(const QList<RepresentationSoiree>& liste, const QDate& aujourdhui) {
    for (qsizetype i = 0; i < liste.size(); ++i) {
        const QDate d = Regles::TexteEnDate(liste.at(i).date);
        if (d.isValid() && d >= aujourdhui) return static_cast<int>(i);  // sorted: today's first, else the next
    }
    return static_cast<int>(liste.size()) - 1;
}

Soiree LireSoiree(qint64 noRepresentation) {
    Soiree s;
    s.capacite = LireCapacite(noRepresentation);
    const bool arrivees = TablePresente(kTableArrivees);
    // One row per order: its tickets for this performance, whether sold at the door, its check-ins.
    QSqlQuery q = Executer(
        QStringLiteral("SELECT c.NoClient, c.NomClient, c.TelephoneClient, SUM(l.NbEnfant), SUM(l.NbAdulte), "
                       "MAX(l.VentePorte), SUM(%3), MIN(l.NoVendeur), %1 "
                       "FROM InfoReservation l JOIN InfoClientReservation c ON c.NoClient = l.NoClient "
                       "WHERE l.NoRepresentation = ? AND (%2) "
                       "GROUP BY c.NoClient, c.NomClient, c.TelephoneClient")
            .arg(arrivees ? QStringLiteral("(SELECT a.NbArrives FROM ArriveeCommande a "
                                           "WHERE a.NoClient = c.NoClient AND a.NoRepresentation = ?)")
                          : QStringLiteral("0"),
                 ConditionNonAnnulee(QStringLiteral("c.NoClient")), ExpressionCentimes(QStringLiteral("l.Cout"))),
        arrivees ? QVariantList{noRepresentation, noRepresentation} : QVariantList{noRepresentation});
    QHash<qint64, QString> vendeurs;
    QList<qint64> nosVendeurs;
    while (q.next()) {
        PartieSoiree p;
        p.noClient = q.value(0).toLongLong();
        p.client = q.value(1).toString();
        p.telephone = q.value(2).toString();
        p.billetsEnfant = q.value(3).toLongLong();
        p.billetsAdulte = q.value(4).toLongLong();
        p.aLaPorte = q.value(5).toLongLong() != 0;
        p.montant = Montant::Centimes(q.value(6).toLongLong());  // each line rounded once, then added
        p.vendeur = QString::number(q.value(7).toLongLong());
        p.arrives = std::clamp<qlonglong>(q.value(8).toLongLong(), 0, std::max<qlonglong>(p.billets(), 0));
        (p.aLaPorte ? s.vendusPorte : s.vendusAvance) += p.billets();
        s.arrives += p.arrives;
        s.attendus += std::max<qlonglong>(p.billets() - p.arrives, 0);
        s.parties.append(p);
    }
    q.finish();
    QSqlQuery v = Executer(QStringLiteral("SELECT NoVendeur, NomVendeur, Comedien FROM Vendeur"));
    while (v.next()) vendeurs.insert(v.value(0).toLongLong(), NomAfficheVendeur(v.value(1).toString(), v.value(2).toLongLong() != 0));
    for (PartieSoiree& p : s.parties) {
        const qint64 no = p.vendeur.toLongLong();
        p.vendeur = vendeurs.value(no, QStringLiteral("Vendeur n° %1").arg(no));
    }
    if (s.capacite) s.placesLibres = *s.capacite - (s.vendusAvance + s.vendusPorte);
    TrierParClient(s.parties);
    return s;
}

std::optional<qlonglong> NoterArrivee(qint64 noClient, qint64 noRepresentation, Arrivee changement) {
    // Nothing to take back in a file without the table: and it must not be created for that.
    if (changement == Arrivee::Aucune && !TablePresente(kTableArrivees)) {
        QSqlQuery q = Executer(QStringLiteral("SELECT COUNT(*) FROM InfoReservation WHERE NoClient = ? AND NoRepresentation = ?"),
                               {noClient, noRepresentation});
        if (!q.next() || q.value(0).toLongLong() == 0) return std::nullopt;
        return 0;
    }
    return EnTransaction([&](Transaction& transaction) -> std::optional<qlonglong> {
        ExigerRole(Role::Porte);
        AssurerTable(kTableArrivees);
        // Checked inside the transaction: the order may have been deleted or cancelled since it was listed.
        QSqlQuery q = Executer(QStringLiteral("SELECT COUNT(*), SUM(l.NbEnfant + l.NbAdulte) FROM InfoReservation l "
                                              "WHERE l.NoClient = ? AND l.NoRepresentation = ? AND (%1)")
                                   .arg(ConditionNonAnnulee(QStringLiteral("l.NoClient"))),
                               {noClient, noRepresentation});
        if (!q.next() || q.value(0).toLongLong() == 0) return std::nullopt;
        const qlonglong billets = std::max<qlonglong>(q.value(1).toLongLong(), 0);
        q.finish();
        const QString maintenant = Maintenant();
        Executer(QStringLiteral("INSERT INTO ArriveeCommande (NoClient, NoRepresentation, NbArrives, DateArrivee) "
                                "VALUES (?, ?, 0, ?) ON CONFLICT (NoClient, NoRepresentation) DO NOTHING"),
                 {noClient, noRepresentation, maintenant});
        // Increments computed by the base on the row as it is now, never a count read earlier
        // and written back: another station's check-in in between is kept.
        switch (changement) {
        case Arrivee::Toute:
            Executer(QStringLiteral("UPDATE ArriveeCommande SET NbArrives = ?, DateArrivee = ? WHERE NoClient = ? AND NoRepresentation = ?"),
                     {billets, maintenant, noClient, noRepresentation});
            break;
        case Arrivee::Aucune:
            Executer(QStringLiteral("UPDATE ArriveeCommande SET NbArrives = 0, DateArrivee = ? WHERE NoClient = ? AND NoRepresentation = ?"),
                     {maintenant, noClient, noRepresentation});
            break;
        case Arrivee::UneDePlus:
            Executer(QStringLiteral("UPDATE ArriveeCommande SET NbArrives = NbArrives + 1, DateArrivee = ? "
                                    "WHERE NoClient = ? AND NoRepresentation = ? AND NbArrives + 1 <= ?"),
                     {maintenant, noClient, noRepresentation, billets});
            break;
        case Arrivee::UneDeMoins:
            Executer(QStringLiteral("UPDATE ArriveeCommande SET NbArrives = NbArrives - 1, DateArrivee = ? "
                                    "WHERE NoClient = ? AND NoRepresentation = ? AND NbArrives >= 1"),
                     {maintenant, noClient, noRepresentation});
            break;
        }
        QSqlQuery lu = Executer(QStringLiteral("SELECT NbArrives FROM ArriveeCommande WHERE NoClient = ? AND NoRepresentation = ?"),
                                {noClient, noRepresentation});
        const qlonglong n = lu.next() ? lu.value(0).toLongLong() : 0;
        lu.finish();
        SignalerChangement(Domaine::Commandes);
        Journaliser(QStringLiteral("Arrivée notée"), QStringLiteral("Commande %1").arg(noClient),
                    QStringLiteral("Representation %1, arrivés %2").arg(noRepresentation).arg(n));
        transaction.Valider();
        return std::clamp<qlonglong>(n, 0, billets);
    });
}

QString EnregistrerVentePorte(const QString& nomPiece, const QString& dateRepresentation, const QString& nbEnfants,
                              const QString& nbAdultes, const QString& cout, const QString& nomVendeur,
                              const QString& dateVente,
                              const std::function<void(const QString& noClient)>& dansLaMemeTransaction,
                              const QString& jeton) {
    // The cost typed at the door, read once: the order and its one line carry the amount.
    const Montant montant = CoutDepuisTexte(cout);
    Commande c;
    c.dateReservation = dateVente;
    c.montantTotal = montant;
    c.nomClient = QStringLiteral("Vente à la porte");
    c.telephoneClient = QString();
    c.nbForfaits = QStringLiteral("0");
    c.nomVendeur = nomVendeur;
    c.jeton = jeton;
    c.lignes.append({nomPiece, dateRepresentation, nbEnfants, nbAdultes, montant, QStringLiteral("Oui")});
    const QString no = EnregistrerCommande(c, dansLaMemeTransaction);
    const qint64 noRepresentation = TrouverRepresentation(nomPiece, dateRepresentation);
    try {
        NoterArrivee(no.toLongLong(), noRepresentation, Arrivee::Toute);
    } catch (const ErreurBD& e) {
        throw ErreurBD(QStringLiteral("La vente est enregistrée (commande n° %1), mais son arrivée n'a pas pu être notée : %2 "
                                      "Cochez-la dans la liste.").arg(no, e.message()));
    }
    return no;
}

}  // namespace modBD
