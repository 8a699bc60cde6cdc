#include "modBD_Soiree.h"

#include "Regles.h"
#include "modBD.h"
#include "modBD_Moteur.h"
#include "modBD_Annulations.h"
#include "modBD_Commandes.h"
#include "modBD_Rapports.h"

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

// Creates the table inside the caller's transaction when the base lacks it. A server account
// without the right to create tables gets the statement to hand its administrator.
void AssurerTable(const QString& table) {
    if (TablePresente(table)) return;
    const QString instruction = InstructionCreation(table);
    try {
        Executer(instruction);
    } catch (const ErreurBD& e) {
        // A base that is no file lives on a server, where tables are the administrator's.
        if (detail::PiloteActif().CopiesFichierPossibles() || e.nature() == NatureErreur::ConnexionPerdue ||
            e.nature() == NatureErreur::Conflit)
            throw;
        throw ErreurBD(QStringLiteral("La table %1 n'existe pas sur le serveur et ce compte ne peut pas la créer : "
                                      "rien n'a été enregistré. Demandez à l'administrateur du serveur d'exécuter :\n\n%2;\n\n(%3)")
                           .arg(table, instruction, e.message()));
    }
}

qint64 Numero(const QString& texte) { return texte.isEmpty() ? -1 : texte.toLongLong(); }

qint64 TrouverRepresentation(const QString& nomPiece, const QString& dateRepresentation) {
    const QString noPiece = ObtenirNoPiece(nomPiece);
    if (noPiece.isEmpty()) throw ErreurBD(QStringLiteral("La pièce « %1 » n'existe pas.").arg(nomPiece));
    const QString no = ObtenirNoRepresentation(noPiece, dateRepresentation);
    if (no.isEmpty())
        throw ErreurBD(QStringLiteral("La pièce « %1 » n'a pas de représentation le %2.").arg(nomPiece, dateRepresentation));
    return no.toLongLong();
}

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

bool TablePresente(const QString& table) {
    if (!ConnexionOuverte()) return false;
    // Through Executer, not the driver's own catalogue call: a server connection lost or
    // restarted meanwhile is then noticed (and reopened) as for any other statement. The
    // server keeps unquoted names in lower case.
    QSqlQuery q = Executer(detail::PiloteActif().RequeteTables());
    while (q.next())
        if (q.value(0).toString().compare(table, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString InstructionCreation(const QString& table) {
    const QString schema = detail::PiloteActif().Schema();
    const QRegularExpression re(QStringLiteral("CREATE TABLE %1 \\((.*?)\\n\\);").arg(QRegularExpression::escape(table)),
                                QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(schema);
    if (!m.hasMatch()) throw ErreurBD(QStringLiteral("La table %1 manque au schéma du programme.").arg(table));
    return m.captured(0).chopped(1);  // without the final ";"
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
        AssurerTable(kTableTarifs);
        QSqlQuery existe = Executer(QStringLiteral("SELECT COUNT(*) FROM Piece WHERE NoPiece = ?"), {noPiece});
        if (!existe.next() || existe.value(0).toLongLong() == 0)
            throw ErreurBD(QStringLiteral("Cette pièce n'existe plus (supprimée entre-temps?) : rien n'a été enregistré."));
        existe.finish();
        Executer(QStringLiteral("DELETE FROM TarifPiece WHERE NoPiece = ?"), {noPiece});
        if (tarif)
            Executer(QStringLiteral("INSERT INTO TarifPiece (NoPiece, PrixEnfant, PrixAdulte) VALUES (?, ?, ?)"),
                     {noPiece, tarif->enfant, tarif->adulte});
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
        AssurerTable(kTableCapacites);
        if (!RepresentationExiste(noRepresentation))
            throw ErreurBD(QStringLiteral("Cette représentation n'existe plus (supprimée entre-temps?) : rien n'a été enregistré."));
        EcrireCapacite(noRepresentation, capacite);
        transaction.Valider();
    });
}

void EnregistrerCapacitePiece(qint64 noPiece, std::optional<int> capacite) {
    VerifierCapacite(capacite);
    if (!capacite && !TablePresente(kTableCapacites)) return;
    EnTransaction([&](Transaction& transaction) {
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

QString LireNomCompagnie() {
    if (!TablePresente(kTableReglagesBilletterie)) return {};
    QSqlQuery q = Executer(QStringLiteral("SELECT Valeur FROM ReglageBilletterie WHERE Cle = ?"), {kCleNomCompagnie});
    return q.next() ? q.value(0).toString() : QString();
}

void EnregistrerNomCompagnie(const QString& nom) {
    const QString texte = nom.trimmed();
    if (texte.isEmpty() && !TablePresente(kTableReglagesBilletterie)) return;
    EnTransaction([&](Transaction& transaction) {
        AssurerTable(kTableReglagesBilletterie);
        Executer(QStringLiteral("DELETE FROM ReglageBilletterie WHERE Cle = ?"), {kCleNomCompagnie});
        if (!texte.isEmpty())
            Executer(QStringLiteral("INSERT INTO ReglageBilletterie (Cle, Valeur) VALUES (?, ?)"), {kCleNomCompagnie, texte});
        transaction.Valider();
    });
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
                       "MAX(l.VentePorte), SUM(l.Cout), MIN(l.NoVendeur), %1 "
                       "FROM InfoReservation l JOIN InfoClientReservation c ON c.NoClient = l.NoClient "
                       "WHERE l.NoRepresentation = ? AND (%2) "
                       "GROUP BY c.NoClient, c.NomClient, c.TelephoneClient")
            .arg(arrivees ? QStringLiteral("(SELECT a.NbArrives FROM ArriveeCommande a "
                                           "WHERE a.NoClient = c.NoClient AND a.NoRepresentation = ?)")
                          : QStringLiteral("0"),
                 ConditionNonAnnulee(QStringLiteral("c.NoClient"))),
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
        p.montant = q.value(6).toDouble();
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
        transaction.Valider();
        return std::clamp<qlonglong>(n, 0, billets);
    });
}

QString EnregistrerVentePorte(const QString& nomPiece, const QString& dateRepresentation, const QString& nbEnfants,
                              const QString& nbAdultes, const QString& cout, const QString& nomVendeur,
                              const QString& dateVente) {
    Commande c;
    c.dateReservation = dateVente;
    c.montantTotal = cout;
    c.nomClient = QStringLiteral("Vente à la porte");
    c.telephoneClient = QString();
    c.nbForfaits = QStringLiteral("0");
    c.nomVendeur = nomVendeur;
    c.lignes.append({nomPiece, dateRepresentation, nbEnfants, nbAdultes, cout, QStringLiteral("Oui")});
    const QString no = EnregistrerCommande(c);
    const qint64 noRepresentation = TrouverRepresentation(nomPiece, dateRepresentation);
    try {
        NoterArrivee(no.toLongLong(), noRepresentation, Arrivee::Toute);
    } catch (const ErreurBD& e) {
        throw ErreurBD(QStringLiteral("La vente est enregistrée (commande n° %1), mais son arrivée n'a pas pu être notée : %2 "
                                      "Cochez-la dans la liste.").arg(no, e.message()));
    }
    return no;
}

QList<LigneBilan> RapportBilan(const QString& nomPiece) {
    const bool capacites = TablePresente(kTableCapacites);
    const bool arrivees = TablePresente(kTableArrivees);
    QString filtre;
    QVariantList valeurs;
    if (!nomPiece.isEmpty()) {
        const QString no = ObtenirNoPiece(nomPiece);
        if (no.isEmpty()) throw ErreurBD(QStringLiteral("La pièce « %1 » n'existe pas.").arg(nomPiece));
        filtre = QStringLiteral(" WHERE p.NoPiece = ?");
        valeurs << no.toLongLong();
    }
    QHash<qint64, LigneBilan> lignes;
    QList<qint64> ordre;
    QSqlQuery q = Executer(QStringLiteral("SELECT r.NoRepresentation, p.NomPiece, r.DateRepresentation, %1 "
                                          "FROM Representation r JOIN Piece p ON p.NoPiece = r.NoPiece%2")
                               .arg(capacites ? QStringLiteral("(SELECT k.Capacite FROM CapaciteRepresentation k "
                                                               "WHERE k.NoRepresentation = r.NoRepresentation)")
                                              : QStringLiteral("NULL"),
                                    filtre),
                           valeurs);
    while (q.next()) {
        LigneBilan l;
        l.piece = q.value(1).toString();
        l.representation = q.value(2).toString();
        if (!q.value(3).isNull()) l.capacite = q.value(3).toInt();
        lignes.insert(q.value(0).toLongLong(), l);
        ordre << q.value(0).toLongLong();
    }
    q.finish();
    QSqlQuery v = Executer(QStringLiteral("SELECT l.NoRepresentation, SUM(l.NbEnfant + l.NbAdulte), "
                                          "SUM(CASE WHEN l.VentePorte <> 0 THEN l.NbEnfant + l.NbAdulte ELSE 0 END), SUM(l.Cout) "
                                          "FROM InfoReservation l WHERE (%1) GROUP BY l.NoRepresentation")
                               .arg(ConditionNonAnnulee(QStringLiteral("l.NoClient"))));
    while (v.next()) {
        auto it = lignes.find(v.value(0).toLongLong());
        if (it == lignes.end()) continue;
        it->vendus = v.value(1).toLongLong();
        it->porte = v.value(2).toLongLong();
        it->montant = v.value(3).toDouble();
    }
    v.finish();
    if (arrivees) {
        // Only orders that still have a line for the performance and are not cancelled.
        QSqlQuery a = Executer(QStringLiteral("SELECT a.NoRepresentation, SUM(a.NbArrives) FROM ArriveeCommande a "
                                              "WHERE EXISTS (SELECT 1 FROM InfoReservation l WHERE l.NoClient = a.NoClient "
                                              "AND l.NoRepresentation = a.NoRepresentation) AND (%1) "
                                              "GROUP BY a.NoRepresentation")
                                   .arg(ConditionNonAnnulee(QStringLiteral("a.NoClient"))));
        while (a.next()) {
            auto it = lignes.find(a.value(0).toLongLong());
            if (it != lignes.end()) it->arrives = a.value(1).toLongLong();
        }
    }
    QList<LigneBilan> resultat;
    for (qint64 no : std::as_const(ordre)) resultat << lignes.value(no);
    const QCollator collateur{QLocale()};
    std::stable_sort(resultat.begin(), resultat.end(), [&](const LigneBilan& a, const LigneBilan& b) {
        const int c = collateur.compare(a.piece, b.piece);
        if (c != 0) return c < 0;
        return ComparerTextesDates(a.representation, b.representation) < 0;
    });
    return resultat;
}

ClotureSoiree RapportCloture(const QString& nomPiece, const QString& dateRepresentation) {
    ClotureSoiree c;
    c.piece = nomPiece;
    c.representation = dateRepresentation;
    c.soiree = LireSoiree(TrouverRepresentation(nomPiece, dateRepresentation));
    QMap<QString, VentesVendeur> parVendeur;
    const QCollator collateur{QLocale()};
    for (const PartieSoiree& p : std::as_const(c.soiree.parties)) {
        if (p.aLaPorte) {
            ++c.ventesPorte;
            c.montantPorte += p.montant;
            VentesVendeur& v = parVendeur[p.vendeur];
            v.vendeur = p.vendeur;
            ++v.commandes;
            v.billets += p.billets();
            v.montant += p.montant;
        } else {
            ++c.commandesAvance;
            c.montantAvance += p.montant;
        }
        if (p.arrives == 0 && p.billets() > 0) c.absents << p;
    }
    c.porteParVendeur = parVendeur.values();
    std::stable_sort(c.porteParVendeur.begin(), c.porteParVendeur.end(),
                     [&](const VentesVendeur& a, const VentesVendeur& b) { return collateur.compare(a.vendeur, b.vendeur) < 0; });
    return c;
}

}  // namespace modBD
