#include "modBD_Rapports.h"

#include "Regles.h"
#include "modBD_Annulations.h"
#include "modBD_RechercheCommandes.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace modBD {

namespace {

QDate LireDate(const QString& texte) { return Regles::TexteEnDate(texte); }

// A date text's place in the reports' order: dates by day, then texts that are no date.
struct CleDate {
    bool estDate = false;
    qint64 jour = 0;
    QString texte;
    explicit CleDate(const QString& t) : texte(t) {
        const QDate d = LireDate(t);
        estDate = d.isValid();
        jour = estDate ? d.toJulianDay() : 0;
    }
    int comparer(const CleDate& o) const {
        if (estDate != o.estDate) return estDate ? -1 : 1;
        if (estDate && jour != o.jour) return jour < o.jour ? -1 : 1;
        return texte.compare(o.texte);
    }
};

// Ranks of names in French collation order: comparing two ints is what the sorts do, so a
// report of many rows collates each distinct name once.
class RangsNoms {
public:
    void ajouter(const QString& nom) { m_rangs.insert(nom, 0); }
    void classer() {
        const QCollator collateur{QLocale()};
        QStringList noms = m_rangs.keys();
        std::vector<std::pair<QCollatorSortKey, QString>> cles;
        cles.reserve(static_cast<size_t>(noms.size()));
        for (const QString& n : noms) cles.emplace_back(collateur.sortKey(n), n);
        std::sort(cles.begin(), cles.end(), [](const auto& a, const auto& b) {
            const int c = a.first.compare(b.first);
            return c != 0 ? c < 0 : a.second < b.second;
        });
        int rang = 0;
        for (const auto& c : cles) m_rangs[c.second] = rang++;
    }
    int rang(const QString& nom) const { return m_rangs.value(nom); }
private:
    QHash<QString, int> m_rangs;
};

// Ranks of date texts in the reports' order.
class RangsDates {
public:
    void ajouter(const QString& texte) { m_rangs.insert(texte, 0); }
    void classer() {
        std::vector<CleDate> cles;
        for (auto it = m_rangs.cbegin(); it != m_rangs.cend(); ++it) cles.emplace_back(it.key());
        std::sort(cles.begin(), cles.end(), [](const CleDate& a, const CleDate& b) { return a.comparer(b) < 0; });
        int rang = 0;
        for (const CleDate& c : cles) m_rangs[c.texte] = rang++;
    }
    int rang(const QString& texte) const { return m_rangs.value(texte); }
private:
    QHash<QString, int> m_rangs;
};

// The rows in the order of their keys (computed once per row: a sort compares keys many
// times), rows of equal keys in the order they came.
template <typename Ligne, typename Cle>
QList<Ligne> Trier(const QList<Ligne>& lignes, const std::vector<Cle>& cles) {
    std::vector<qsizetype> ordre(static_cast<size_t>(lignes.size()));
    for (size_t i = 0; i < ordre.size(); ++i) ordre[i] = static_cast<qsizetype>(i);
    std::stable_sort(ordre.begin(), ordre.end(),
                     [&cles](qsizetype a, qsizetype b) { return cles[static_cast<size_t>(a)] < cles[static_cast<size_t>(b)]; });
    QList<Ligne> triees;
    triees.reserve(lignes.size());
    for (qsizetype i : ordre) triees.append(lignes.at(i));
    return triees;
}

QString NomVendeurLu(const QVariant& nom, const QVariant& comedien, const QVariant& noVendeur) {
    // A line may point to a seller deleted since: it is still counted, under its number.
    if (nom.isNull()) return QStringLiteral("Vendeur n° %1").arg(noVendeur.toLongLong());
    return NomAfficheVendeur(nom.toString(), comedien.toLongLong() != 0);
}

// The performance a report of one performance is about, found as the stock window finds it.
qlonglong TrouverRepresentation(const QString& nomPiece, const QString& dateRepresentation) {
    const QString noPiece = ObtenirNoPiece(nomPiece);
    if (noPiece.isEmpty()) throw ErreurBD(QStringLiteral("La pièce « %1 » n'existe pas.").arg(nomPiece));
    const QString noRepresentation = ObtenirNoRepresentation(noPiece, dateRepresentation);
    if (noRepresentation.isEmpty())
        throw ErreurBD(QStringLiteral("La pièce « %1 » n'a pas de représentation le %2.").arg(nomPiece, dateRepresentation));
    return noRepresentation.toLongLong();
}

}  // namespace

// Cancelled orders count in no report; a file without the cancellations table has none.
QString ConditionCommandesComptees() { return ConditionNonAnnulee(QStringLiteral("c.NoClient")); }

int ComparerTextesDates(const QString& a, const QString& b) { return CleDate(a).comparer(CleDate(b)); }

qlonglong EnCentimes(double cout) {
    if (!std::isfinite(cout)) return 0;
    // To a millionth first (the stored double's noise), then to the cent, halves away from zero.
    const double millioniemes = std::round(cout * 1e6);
    return static_cast<qlonglong>(std::round(millioniemes / 1e4));
}

// The same rounding as EnCentimes, in SQL, for a sum of many lines made by the base itself.
// PostgreSQL rounds a double to the even neighbour but a numeric away from zero, and its
// numeric made from a double keeps the digits typed (1.005, not 1.00499…); SQLite's ROUND
// rounds away from zero.
namespace {
QString ExpressionCentimes(const QString& colonne) {
    if (Connexion().driverName() == QLatin1String("QPSQL"))
        return QStringLiteral("CAST(ROUND(CAST(%1 AS NUMERIC) * 100) AS BIGINT)").arg(colonne);
    return QStringLiteral("CAST(ROUND(ROUND(%1 * 1000000.0) / 10000.0) AS INTEGER)").arg(colonne);
}
}  // namespace

QString RepresentationSupprimee(qlonglong noRepresentation) {
    return QStringLiteral("(représentation supprimée n° %1)").arg(noRepresentation);
}

QList<LigneVentes> RapportVentes(const QString& nomPiece, const QDate& du, const QDate& au) {
    const bool parDate = du.isValid() || au.isValid();
    // The date bounds apply to date texts, read by the program's rule: the distinct order
    // dates are read and tested here, and the sums then take the orders of the dates kept,
    // bound as values (in batches, so no statement gets too many of them). Each order has
    // one date, so the batches' distinct order counts add up exactly.
    QList<QVariantList> lots{QVariantList()};
    if (parDate) {
        lots.clear();
        QSqlQuery d = Executer(QStringLiteral("SELECT DISTINCT c.DateReservation FROM InfoClientReservation c WHERE (%1)")
                                   .arg(ConditionCommandesComptees()));
        QVariantList retenues;
        while (d.next()) {
            const QString texte = d.value(0).toString();
            const QDate date = LireDate(texte);
            if (date.isValid() && (!du.isValid() || date >= du) && (!au.isValid() || date <= au)) retenues << texte;
        }
        d.finish();
        constexpr qsizetype kParLot = 500;
        for (qsizetype i = 0; i < retenues.size(); i += kParLot) lots << retenues.mid(i, kParLot);
    }

    QHash<qlonglong, qsizetype> indices;
    QList<LigneVentes> lignes;
    // Every performance of the chosen plays first: one with no sale keeps its row of zeros.
    {
        QSqlQuery r = Executer(QStringLiteral("SELECT r.NoRepresentation, p.NomPiece, r.DateRepresentation FROM Representation r "
                                              "JOIN Piece p ON p.NoPiece = r.NoPiece%1")
                                   .arg(nomPiece.isEmpty() ? QString() : QStringLiteral(" WHERE p.NomPiece = ?")),
                               nomPiece.isEmpty() ? QVariantList() : QVariantList{nomPiece});
        while (r.next()) {
            LigneVentes l;
            l.piece = r.value(1).toString();
            l.representation = r.value(2).toString();
            lignes.append(l);
            indices.insert(r.value(0).toLongLong(), lignes.size() - 1);
        }
    }
    const QString filtrePiece = nomPiece.isEmpty()
                                    ? QString()
                                    : QStringLiteral(" JOIN Representation rf ON rf.NoRepresentation = l.NoRepresentation "
                                                     "JOIN Piece pf ON pf.NoPiece = rf.NoPiece AND pf.NomPiece = ?");
    for (const QVariantList& lot : std::as_const(lots)) {
        QString dates;
        if (!lot.isEmpty()) {
            QStringList marques(lot.size(), QStringLiteral("?"));
            dates = QStringLiteral(" AND c.DateReservation IN (%1)").arg(marques.join(QLatin1Char(',')));
        }
        QVariantList valeurs;
        if (!nomPiece.isEmpty()) valeurs << nomPiece;
        valeurs << lot;
        // Summed per performance first, then named: the names are joined once per performance,
        // not once per line. A line whose performance or play is gone keeps its row, labelled.
        QSqlQuery q = Executer(
            QStringLiteral("SELECT a.NoRepresentation, p.NomPiece, r.DateRepresentation, a.Commandes, a.Enfant, a.Adulte, "
                           "a.Porte, r.NoRepresentation, a.Centimes "
                           "FROM (SELECT l.NoRepresentation, COUNT(DISTINCT l.NoClient) AS Commandes, "
                           "SUM(l.NbEnfant) AS Enfant, SUM(l.NbAdulte) AS Adulte, "
                           "SUM(CASE WHEN l.VentePorte <> 0 THEN l.NbEnfant + l.NbAdulte ELSE 0 END) AS Porte, "
                           "SUM(%4) AS Centimes "
                           "FROM InfoReservation l JOIN InfoClientReservation c ON c.NoClient = l.NoClient%1 "
                           "WHERE (%2)%3 GROUP BY l.NoRepresentation) a "
                           "LEFT JOIN Representation r ON r.NoRepresentation = a.NoRepresentation "
                           "LEFT JOIN Piece p ON p.NoPiece = r.NoPiece")
                .arg(filtrePiece, ConditionCommandesComptees(), dates, ExpressionCentimes(QStringLiteral("l.Cout"))),
            valeurs);
        while (q.next()) {
            const qlonglong no = q.value(0).toLongLong();
            auto it = indices.find(no);
            if (it == indices.end()) {
                LigneVentes l;
                l.piece = q.value(1).isNull() ? kPieceSupprimee : q.value(1).toString();
                l.representation = q.value(7).isNull() ? RepresentationSupprimee(no) : q.value(2).toString();
                lignes.append(l);
                it = indices.insert(no, lignes.size() - 1);
            }
            LigneVentes& l = lignes[*it];
            l.commandes += q.value(3).toLongLong();
            l.billetsEnfant += q.value(4).toLongLong();
            l.billetsAdulte += q.value(5).toLongLong();
            l.billetsPorte += q.value(6).toLongLong();
            l.centimes += q.value(8).toLongLong();
        }
    }
    for (LigneVentes& l : lignes) l.montant = static_cast<double>(l.centimes) / 100.0;

    RangsNoms pieces;
    RangsDates dates;
    for (const LigneVentes& l : std::as_const(lignes)) {
        pieces.ajouter(l.piece);
        dates.ajouter(l.representation);
    }
    pieces.classer();
    dates.classer();
    std::vector<std::array<qint64, 2>> cles;
    cles.reserve(static_cast<size_t>(lignes.size()));
    for (const LigneVentes& l : std::as_const(lignes)) cles.push_back({pieces.rang(l.piece), dates.rang(l.representation)});
    return Trier(lignes, cles);
}

QList<LignePorte> RapportPorte(const QString& nomPiece, const QString& dateRepresentation) {
    const qlonglong noRepresentation = TrouverRepresentation(nomPiece, dateRepresentation);
    QSqlQuery q = Executer(QStringLiteral("SELECT c.NomClient, c.TelephoneClient, l.NbEnfant, l.NbAdulte, l.Cout, l.VentePorte, "
                                          "v.NomVendeur, v.Comedien, l.NoVendeur, c.NoClient, c.DateReservation, l.NoLigne "
                                          "FROM InfoReservation l "
                                          "JOIN InfoClientReservation c ON c.NoClient = l.NoClient "
                                          "LEFT JOIN Vendeur v ON v.NoVendeur = l.NoVendeur "
                                          "WHERE l.NoRepresentation = ? AND (%1)")
                               .arg(ConditionCommandesComptees()),
                           {noRepresentation});
    QList<LignePorte> lignes;
    QList<qlonglong> noLignes;
    RangsNoms clients;
    while (q.next()) {
        LignePorte l;
        l.client = q.value(0).toString();
        l.telephone = q.value(1).toString();
        l.billetsEnfant = q.value(2).toLongLong();
        l.billetsAdulte = q.value(3).toLongLong();
        l.centimes = EnCentimes(q.value(4).toDouble());
        l.cout = static_cast<double>(l.centimes) / 100.0;
        l.aLaPorte = q.value(5).toLongLong() != 0;
        l.vendeur = NomVendeurLu(q.value(6), q.value(7), q.value(8));
        l.commande = q.value(9).toLongLong();
        l.dateCommande = q.value(10).toString();
        clients.ajouter(l.client);
        lignes.append(l);
        noLignes.append(q.value(11).toLongLong());
    }
    clients.classer();
    std::vector<std::array<qint64, 3>> cles;
    cles.reserve(static_cast<size_t>(lignes.size()));
    for (qsizetype i = 0; i < lignes.size(); ++i)
        cles.push_back({clients.rang(lignes.at(i).client), lignes.at(i).commande, noLignes.at(i)});
    return Trier(lignes, cles);
}

QList<LigneVendeurs> RapportVendeurs(const QString& nomPiece, const QString& nomVendeur, const Avancement& avancement) {
    // Two sums per (seller, performance), merged here: what the ledger gave and took back,
    // and what the seller's order lines sold. Over every play that is one row per seller and
    // performance, hundreds of thousands of them: the queries return numbers only, in the
    // order of the indexes they read, every row is read before anything else is done (so the
    // file is locked for SQLite's own work only), and the names come from three small tables
    // read once, shared by every row that shows them.
    const QString filtrePiece = nomPiece.isEmpty()
                                    ? QString()
                                    : QStringLiteral(" JOIN Representation rf ON rf.NoRepresentation = x.NoRepresentation "
                                                     "JOIN Piece pf ON pf.NoPiece = rf.NoPiece AND pf.NomPiece = ?");
    QVariantList valeurs;
    if (!nomPiece.isEmpty()) valeurs << nomPiece;

    struct Somme {
        qlonglong vendeur, representation, a, b;
        qlonglong centimes;
    };
    // The sums are read in slices of sellers' numbers, one statement each, in the order of the
    // numbers: between two slices a clerk's commit waiting for the file gets it, so it waits
    // for one slice's read at most, not for the whole report's.
    std::vector<std::pair<qlonglong, qlonglong>> tranches;
    {
        QSqlQuery q = Executer(QStringLiteral("SELECT (SELECT MIN(NoVendeur) FROM InventaireBillets), "
                                              "(SELECT MAX(NoVendeur) FROM InventaireBillets), "
                                              "(SELECT MIN(NoVendeur) FROM InfoReservation), "
                                              "(SELECT MAX(NoVendeur) FROM InfoReservation)"));
        std::optional<qlonglong> bas, haut;
        if (q.next())
            for (int i = 0; i < 4; i += 2)
                if (!q.value(i).isNull()) {
                    bas = std::min(bas.value_or(q.value(i).toLongLong()), q.value(i).toLongLong());
                    haut = std::max(haut.value_or(q.value(i + 1).toLongLong()), q.value(i + 1).toLongLong());
                }
        q.finish();
        // One play's report is short, and its statement reads that play's performances whatever
        // the slice: one slice.
        if (bas && !nomPiece.isEmpty()) {
            tranches.emplace_back(*bas, *haut);
        } else if (bas) {
            constexpr quint64 kTranches = 16;
            const quint64 pas = (static_cast<quint64>(*haut) - static_cast<quint64>(*bas)) / kTranches + 1;
            for (qlonglong debut = *bas;;) {
                const bool derniere = static_cast<quint64>(*haut) - static_cast<quint64>(debut) < pas;
                const qlonglong fin = derniere ? *haut : static_cast<qlonglong>(static_cast<quint64>(debut) + pas - 1);
                tranches.emplace_back(debut, fin);
                if (derniere) break;
                debut = fin + 1;
            }
        }
    }
    int fait = 0;
    const auto lire = [&tranches, &valeurs, &avancement, &fait](const QString& sql, bool avecMontant) {
        std::vector<Somme> sommes;
        for (const auto& [debut, fin] : tranches) {
            QSqlQuery q = Executer(sql, QVariantList(valeurs) << debut << fin);
            while (q.next())
                sommes.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                                  avecMontant ? 0 : q.value(3).toLongLong(), avecMontant ? q.value(3).toLongLong() : 0});
            // next() also ends on a failure: a report cut short must not pass for the whole one.
            VerifierLectureComplete(q);
            q.finish();
            if (avancement) avancement(++fait, static_cast<int>(tranches.size()) * 2);
        }
        return sommes;
    };
    // Given and taken back: the net sum and the returns' sum.
    const QString sqlMouvements = QStringLiteral("SELECT x.NoVendeur, x.NoRepresentation, SUM(x.Nombre), "
                                                 "SUM(CASE WHEN x.Nombre < 0 THEN x.Nombre ELSE 0 END) "
                                                 "FROM InventaireBillets x%1 WHERE x.NoVendeur BETWEEN ? AND ? "
                                                 "GROUP BY x.NoVendeur, x.NoRepresentation "
                                                 "ORDER BY x.NoVendeur, x.NoRepresentation")
                                      .arg(filtrePiece);
    const QString sqlVentes = QStringLiteral("SELECT x.NoVendeur, x.NoRepresentation, SUM(x.NbEnfant + x.NbAdulte), SUM(%3) "
                                             "FROM InfoReservation x JOIN InfoClientReservation c ON c.NoClient = x.NoClient%1 "
                                             "WHERE (%2) AND x.NoVendeur BETWEEN ? AND ? "
                                             "GROUP BY x.NoVendeur, x.NoRepresentation "
                                             "ORDER BY x.NoVendeur, x.NoRepresentation")
                                  .arg(filtrePiece, ConditionCommandesComptees(), ExpressionCentimes(QStringLiteral("x.Cout")));
    // One connection: SQLite shares one file lock among a program's connections, so two
    // reading side by side would leave no gap for the clerk's commit between their slices.
    const std::vector<Somme> mouvements = lire(sqlMouvements, false);
    const std::vector<Somme> ventes = lire(sqlVentes, true);

    // The names, read after the sums: whatever the sums name was there when they were read.
    struct Representation {
        QString piece, date;
        int rangPiece = 0, rangDate = 0;
        qsizetype rang = 0;  // in the report's order of performances
    };
    QHash<qlonglong, Representation> representations;
    RangsNoms pieces;
    RangsDates dates;
    {
        QHash<qlonglong, QString> nomsPieces;
        QSqlQuery p = Executer(QStringLiteral("SELECT NoPiece, NomPiece FROM Piece"));
        while (p.next()) nomsPieces.insert(p.value(0).toLongLong(), p.value(1).toString());
        p.finish();
        QSqlQuery r = Executer(QStringLiteral("SELECT r.NoRepresentation, r.NoPiece, r.DateRepresentation FROM Representation r%1")
                                   .arg(nomPiece.isEmpty() ? QString()
                                                           : QStringLiteral(" JOIN Piece pf ON pf.NoPiece = r.NoPiece "
                                                                            "AND pf.NomPiece = ?")),
                               valeurs);
        while (r.next()) {
            // A performance whose play is gone still counts, under the deleted play's label.
            const auto piece = nomsPieces.constFind(r.value(1).toLongLong());
            Representation& rep = representations[r.value(0).toLongLong()];
            rep.piece = piece == nomsPieces.cend() ? kPieceSupprimee : *piece;
            rep.date = r.value(2).toString();
        }
        r.finish();
        // Lines of a performance deleted since: counted too (over every play; a chosen play's
        // query only finds the performances it still has).
        if (nomPiece.isEmpty())
            for (const std::vector<Somme>* sommes : {&mouvements, &ventes})
                for (const Somme& x : *sommes)
                    if (!representations.contains(x.representation)) {
                        Representation& rep = representations[x.representation];
                        rep.piece = kPieceSupprimee;
                        rep.date = RepresentationSupprimee(x.representation);
                    }
        for (const Representation& rep : std::as_const(representations)) {
            pieces.ajouter(rep.piece);
            dates.ajouter(rep.date);
        }
    }
    struct FicheVendeur {
        QString nom;
        int rang = 0;
    };
    QHash<qlonglong, FicheVendeur> vendeurs;
    {
        QSqlQuery v = Executer(QStringLiteral("SELECT NoVendeur, NomVendeur, Comedien FROM Vendeur"));
        while (v.next()) vendeurs[v.value(0).toLongLong()].nom = NomAfficheVendeur(v.value(1).toString(), v.value(2).toLongLong() != 0);
        v.finish();
    }
    // A line may point to a seller deleted since: it is still counted, under its number.
    for (const std::vector<Somme>* sommes : {&mouvements, &ventes})
        for (const Somme& x : *sommes)
            if (!vendeurs.contains(x.vendeur))
                vendeurs[x.vendeur].nom = NomVendeurLu(QVariant(), QVariant(), x.vendeur);

    // The order: seller name, play name, performance date, each in the reports' collation;
    // equal names keep their numbers' order.
    {
        RangsNoms noms;
        for (const FicheVendeur& v : std::as_const(vendeurs)) noms.ajouter(v.nom);
        noms.classer();
        for (FicheVendeur& v : vendeurs) v.rang = noms.rang(v.nom);
        pieces.classer();
        dates.classer();
        std::vector<std::tuple<int, int, qlonglong>> ordre;
        ordre.reserve(static_cast<size_t>(representations.size()));
        for (auto it = representations.begin(); it != representations.end(); ++it) {
            it->rangPiece = pieces.rang(it->piece);
            it->rangDate = dates.rang(it->date);
            ordre.emplace_back(it->rangPiece, it->rangDate, it.key());
        }
        std::sort(ordre.begin(), ordre.end());
        for (size_t i = 0; i < ordre.size(); ++i) representations[std::get<2>(ordre[i])].rang = static_cast<qsizetype>(i);
    }

    // Both sums come sorted on (seller, performance): one pass merges them.
    struct Fusion {
        qint64 cle;
        const Representation* representation;
        const FicheVendeur* vendeur;
        const Somme* mouvement;
        const Somme* vente;
    };
    std::vector<Fusion> fusion;
    fusion.reserve(std::max(mouvements.size(), ventes.size()));
    const qint64 nbRepresentations = representations.size();
    const FicheVendeur* vendeur = nullptr;
    qlonglong noVendeur = 0;
    const auto avant = [](const Somme& a, const Somme& b) {
        return a.vendeur != b.vendeur ? a.vendeur < b.vendeur : a.representation < b.representation;
    };
    for (auto im = mouvements.cbegin(), iv = ventes.cbegin(); im != mouvements.cend() || iv != ventes.cend();) {
        const Somme* mouvement = nullptr;
        const Somme* vente = nullptr;
        if (iv == ventes.cend() || (im != mouvements.cend() && avant(*im, *iv))) {
            mouvement = &*im++;
        } else if (im == mouvements.cend() || avant(*iv, *im)) {
            vente = &*iv++;
        } else {
            mouvement = &*im++;
            vente = &*iv++;
        }
        const Somme& x = mouvement ? *mouvement : *vente;
        const auto rep = representations.constFind(x.representation);
        if (rep == representations.cend()) continue;
        if (!vendeur || noVendeur != x.vendeur) {
            vendeur = &vendeurs.find(x.vendeur).value();
            noVendeur = x.vendeur;
        }
        if (!nomVendeur.isEmpty() && vendeur->nom != nomVendeur) continue;
        fusion.push_back({vendeur->rang * nbRepresentations + rep->rang, &*rep, vendeur, mouvement, vente});
    }
    // Sorted on (key, place), small pairs: the same order as a stable sort of the rows.
    std::vector<std::pair<qint64, size_t>> ordre;
    ordre.reserve(fusion.size());
    for (size_t i = 0; i < fusion.size(); ++i) ordre.emplace_back(fusion[i].cle, i);
    std::sort(ordre.begin(), ordre.end());

    QList<LigneVendeurs> lignes;
    lignes.reserve(static_cast<qsizetype>(fusion.size()));
    for (const auto& [cle, i] : ordre) {
        const Fusion& f = fusion[i];
        LigneVendeurs l;
        l.vendeur = f.vendeur->nom;
        l.piece = f.representation->piece;
        l.representation = f.representation->date;
        if (f.mouvement) {
            l.rendus = -f.mouvement->b;
            l.recus = f.mouvement->a + l.rendus;
        }
        if (f.vente) {
            l.vendus = f.vente->a;
            l.centimesVendus = f.vente->centimes;
            l.montantVendu = static_cast<double>(l.centimesVendus) / 100.0;
        }
        lignes.append(l);
    }
    return lignes;
}

QList<LigneMouvement> RapportMouvements(const QString& nomPiece, const QString& dateRepresentation) {
    const qlonglong noRepresentation = TrouverRepresentation(nomPiece, dateRepresentation);
    QSqlQuery q = Executer(QStringLiteral("SELECT m.DateTransaction, v.NomVendeur, v.Comedien, m.NoVendeur, m.Nombre, m.Commentaire "
                                          "FROM InventaireBillets m LEFT JOIN Vendeur v ON v.NoVendeur = m.NoVendeur "
                                          "WHERE m.NoRepresentation = ? ORDER BY m.NoMouvement"),
                           {noRepresentation});
    QList<LigneMouvement> lignes;
    RangsDates dates;
    while (q.next()) {
        LigneMouvement l;
        l.date = q.value(0).toString();
        l.vendeur = NomVendeurLu(q.value(1), q.value(2), q.value(3));
        l.nombre = q.value(4).toLongLong();
        l.commentaire = q.value(5).toString();
        dates.ajouter(l.date);
        lignes.append(l);
    }
    // By date, then in the order written (the sort is stable); the running total follows.
    dates.classer();
    std::vector<std::array<qint64, 1>> cles;
    cles.reserve(static_cast<size_t>(lignes.size()));
    for (const LigneMouvement& l : std::as_const(lignes)) cles.push_back({dates.rang(l.date)});
    lignes = Trier(lignes, cles);
    qlonglong total = 0;
    for (LigneMouvement& l : lignes) l.totalCourant = total += l.nombre;
    return lignes;
}

QList<LigneJournal> RapportJournal(const QDate& du, const QDate& au) {
    const bool parDate = du.isValid() || au.isValid();
    // Per date text and state (counted or cancelled): orders first (an order without lines is
    // still an order), then the lines per distinct cost and door flag.
    const QString annulee = QStringLiteral("CASE WHEN (%1) THEN 0 ELSE 1 END").arg(ConditionCommandesComptees());
    struct Cle {
        bool estDate;
        qint64 jour;
        QString texte;
        bool operator<(const Cle& o) const {
            if (estDate != o.estDate) return estDate;  // dates first, then the texts that are none
            if (jour != o.jour) return jour < o.jour;
            return texte < o.texte;
        }
    };
    std::map<Cle, LigneJournal> jours;
    QHash<QString, LigneJournal*> parTexte;
    const auto ligne = [&](const QString& texte) -> LigneJournal* {
        const auto trouve = parTexte.constFind(texte);
        if (trouve != parTexte.cend()) return *trouve;
        const QDate d = LireDate(texte);
        LigneJournal* l = nullptr;
        if (parDate && (!d.isValid() || (du.isValid() && d < du) || (au.isValid() && d > au))) {
            l = nullptr;
        } else {
            // Texts denoting the same day make one row, shown in the program's date form.
            const Cle cle{d.isValid(), d.isValid() ? d.toJulianDay() : 0, d.isValid() ? QString() : texte};
            LigneJournal& j = jours[cle];
            j.date = d.isValid() ? Regles::DateEnTexte(d) : texte;
            l = &j;
        }
        parTexte.insert(texte, l);
        return l;
    };
    QSqlQuery c = Executer(QStringLiteral("SELECT c.DateReservation, %1, COUNT(*) FROM InfoClientReservation c GROUP BY c.DateReservation, %1")
                               .arg(annulee));
    while (c.next()) {
        LigneJournal* l = ligne(c.value(0).toString());
        if (!l) continue;
        (c.value(1).toLongLong() != 0 ? l->commandesAnnulees : l->commandes) += c.value(2).toLongLong();
    }
    c.finish();
    QSqlQuery q = Executer(QStringLiteral("SELECT c.DateReservation, %1, CASE WHEN l.VentePorte <> 0 THEN 1 ELSE 0 END, SUM(%2), "
                                          "SUM(l.NbEnfant + l.NbAdulte) "
                                          "FROM InfoReservation l JOIN InfoClientReservation c ON c.NoClient = l.NoClient "
                                          "GROUP BY c.DateReservation, %1, CASE WHEN l.VentePorte <> 0 THEN 1 ELSE 0 END")
                               .arg(annulee, ExpressionCentimes(QStringLiteral("l.Cout"))));
    while (q.next()) {
        LigneJournal* l = ligne(q.value(0).toString());
        if (!l) continue;
        const qlonglong centimes = q.value(3).toLongLong();
        const qlonglong billets = q.value(4).toLongLong();
        if (q.value(1).toLongLong() != 0) {
            l->centimesAnnules += centimes;
        } else {
            l->billets += billets;
            l->centimes += centimes;
            if (q.value(2).toLongLong() != 0) {
                l->billetsPorte += billets;
                l->centimesPorte += centimes;
            }
        }
    }
    QList<LigneJournal> lignes;
    lignes.reserve(static_cast<qsizetype>(jours.size()));
    for (const auto& [cle, l] : jours) lignes.append(l);
    return lignes;
}

bool DatesCommandesDans(const QDate& du, const QDate& au) {
    QSqlQuery d = Executer(QStringLiteral("SELECT DISTINCT DateReservation FROM InfoClientReservation"));
    while (d.next()) {
        const QDate date = LireDate(d.value(0).toString());
        if (date.isValid() && (!du.isValid() || date >= du) && (!au.isValid() || date <= au)) return true;
    }
    return false;
}

QList<LigneAnnulation> RapportAnnulations() {
    if (!TablePresente(kTableAnnulations)) return {};
    QSqlQuery q = Executer(QStringLiteral("SELECT a.NoClient, c.DateReservation, c.NomClient, c.TelephoneClient, "
                                          "a.DateAnnulation, a.Motif FROM %1 a "
                                          "JOIN InfoClientReservation c ON c.NoClient = a.NoClient")
                               .arg(kTableAnnulations));
    QList<LigneAnnulation> lignes;
    QHash<qlonglong, qsizetype> indices;
    RangsDates dates;
    while (q.next()) {
        LigneAnnulation l;
        l.commande = q.value(0).toLongLong();
        l.dateCommande = q.value(1).toString();
        l.client = q.value(2).toString();
        l.telephone = q.value(3).toString();
        l.dateAnnulation = q.value(4).toString();
        l.motif = q.value(5).toString();
        dates.ajouter(l.dateAnnulation);
        indices.insert(l.commande, lignes.size());
        lignes.append(l);
    }
    q.finish();
    // The lines of the cancelled orders: tickets, cents per line, the sellers in name order.
    QSqlQuery d = Executer(QStringLiteral("SELECT l.NoClient, l.NbEnfant + l.NbAdulte, l.Cout, v.NomVendeur, v.Comedien, l.NoVendeur "
                                          "FROM InfoReservation l JOIN %1 a ON a.NoClient = l.NoClient "
                                          "LEFT JOIN Vendeur v ON v.NoVendeur = l.NoVendeur ORDER BY l.NoClient, l.NoLigne")
                               .arg(kTableAnnulations));
    QHash<qlonglong, QStringList> vendeurs;
    while (d.next()) {
        const auto it = indices.constFind(d.value(0).toLongLong());
        if (it == indices.cend()) continue;
        LigneAnnulation& l = lignes[*it];
        l.billets += d.value(1).toLongLong();
        l.centimes += EnCentimes(d.value(2).toDouble());
        const QString nom = NomVendeurLu(d.value(3), d.value(4), d.value(5));
        QStringList& noms = vendeurs[l.commande];
        if (!noms.contains(nom)) noms << nom;
    }
    const QCollator collateur{QLocale()};
    for (auto it = vendeurs.begin(); it != vendeurs.end(); ++it) {
        std::sort(it->begin(), it->end(), [&collateur](const QString& a, const QString& b) { return collateur.compare(a, b) < 0; });
        lignes[indices.value(it.key())].vendeurs = it->join(QStringLiteral(", "));
    }
    dates.classer();
    std::vector<std::array<qint64, 2>> cles;
    for (const LigneAnnulation& l : std::as_const(lignes)) cles.push_back({dates.rang(l.dateAnnulation), l.commande});
    return Trier(lignes, cles);
}

std::optional<QString> TrouverNom(const QStringList& noms, const QString& saisi, QStringList& candidats) {
    candidats.clear();
    if (noms.contains(saisi)) return saisi;
    const QString plie = PlierTexte(saisi);
    for (const QString& n : noms)
        if (PlierTexte(n) == plie && !candidats.contains(n)) candidats << n;
    if (candidats.size() == 1) {
        const QString nom = candidats.first();
        candidats.clear();
        return nom;
    }
    return std::nullopt;
}

QStringList ListeNomsVendeurs() {
    QStringList noms;
    for (const Vendeur& v : ListeVendeurs()) noms << NomAfficheVendeur(v.nom, v.comedien);
    return noms;
}

}  // namespace modBD
