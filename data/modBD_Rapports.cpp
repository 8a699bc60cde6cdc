#include "modBD_Rapports.h"

#include "Regles.h"
#include "modBD_Annulations.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSqlQuery>

#include <algorithm>
#include <array>
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
    for (const QVariantList& lot : std::as_const(lots)) {
        QString dates;
        if (!lot.isEmpty()) {
            QStringList marques(lot.size(), QStringLiteral("?"));
            dates = QStringLiteral(" AND c.DateReservation IN (%1)").arg(marques.join(QLatin1Char(',')));
        }
        QVariantList valeurs;
        if (!nomPiece.isEmpty()) valeurs << nomPiece;
        valeurs << lot;
        // Summed per performance first (in the order of an index that holds every column read),
        // then named: the names are joined once per performance, not once per line.
        QSqlQuery q = Executer(
            QStringLiteral("SELECT a.NoRepresentation, p.NomPiece, r.DateRepresentation, a.Commandes, a.Enfant, a.Adulte, "
                           "a.Porte, a.Montant "
                           "FROM (SELECT l.NoRepresentation, COUNT(DISTINCT l.NoClient) AS Commandes, "
                           "SUM(l.NbEnfant) AS Enfant, SUM(l.NbAdulte) AS Adulte, "
                           "SUM(CASE WHEN l.VentePorte <> 0 THEN l.NbEnfant + l.NbAdulte ELSE 0 END) AS Porte, "
                           "SUM(l.Cout) AS Montant "
                           "FROM InfoReservation l JOIN InfoClientReservation c ON c.NoClient = l.NoClient%1 "
                           "WHERE (%2)%3 GROUP BY l.NoRepresentation) a "
                           "JOIN Representation r ON r.NoRepresentation = a.NoRepresentation "
                           "JOIN Piece p ON p.NoPiece = r.NoPiece")
                .arg(nomPiece.isEmpty() ? QString()
                                        : QStringLiteral(" JOIN Representation rf ON rf.NoRepresentation = l.NoRepresentation "
                                                         "JOIN Piece pf ON pf.NoPiece = rf.NoPiece AND pf.NomPiece = ?"),
                     ConditionCommandesComptees(), dates),
            valeurs);
        while (q.next()) {
            const qlonglong no = q.value(0).toLongLong();
            auto it = indices.find(no);
            if (it == indices.end()) {
                LigneVentes l;
                l.piece = q.value(1).toString();
                l.representation = q.value(2).toString();
                lignes.append(l);
                it = indices.insert(no, lignes.size() - 1);
            }
            LigneVentes& l = lignes[*it];
            l.commandes += q.value(3).toLongLong();
            l.billetsEnfant += q.value(4).toLongLong();
            l.billetsAdulte += q.value(5).toLongLong();
            l.billetsPorte += q.value(6).toLongLong();
            l.montant += q.value(7).toDouble();
        }
    }

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
        l.cout = q.value(4).toDouble();
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

QList<LigneVendeurs> RapportVendeurs(const QString& nomPiece) {
    // Two sums per (seller, performance), merged here: what the ledger gave and took back,
    // and what the seller's order lines sold. Names are joined once per group, not per row.
    const QString filtrePiece = nomPiece.isEmpty()
                                    ? QString()
                                    : QStringLiteral(" JOIN Representation rf ON rf.NoRepresentation = x.NoRepresentation "
                                                     "JOIN Piece pf ON pf.NoPiece = rf.NoPiece AND pf.NomPiece = ?");
    QVariantList valeurs;
    if (!nomPiece.isEmpty()) valeurs << nomPiece;
    const QString noms = QStringLiteral("JOIN Representation r ON r.NoRepresentation = a.NoRepresentation "
                                        "JOIN Piece p ON p.NoPiece = r.NoPiece "
                                        "LEFT JOIN Vendeur v ON v.NoVendeur = a.NoVendeur");

    QHash<QPair<qlonglong, qlonglong>, qsizetype> indices;
    QList<LigneVendeurs> lignes;
    auto trouver = [&](const QSqlQuery& q) -> LigneVendeurs& {
        const QPair<qlonglong, qlonglong> cle{q.value(0).toLongLong(), q.value(1).toLongLong()};
        auto it = indices.find(cle);
        if (it == indices.end()) {
            LigneVendeurs l;
            l.vendeur = NomVendeurLu(q.value(2), q.value(3), q.value(0));
            l.piece = q.value(4).toString();
            l.representation = q.value(5).toString();
            lignes.append(l);
            it = indices.insert(cle, lignes.size() - 1);
        }
        return lignes[*it];
    };

    QSqlQuery m = Executer(QStringLiteral("SELECT a.NoVendeur, a.NoRepresentation, v.NomVendeur, v.Comedien, p.NomPiece, "
                                          "r.DateRepresentation, a.Recus, a.Rendus "
                                          "FROM (SELECT x.NoVendeur, x.NoRepresentation, "
                                          "SUM(CASE WHEN x.Nombre > 0 THEN x.Nombre ELSE 0 END) AS Recus, "
                                          "SUM(CASE WHEN x.Nombre < 0 THEN -x.Nombre ELSE 0 END) AS Rendus "
                                          "FROM InventaireBillets x%1 GROUP BY x.NoVendeur, x.NoRepresentation) a ")
                                   .arg(filtrePiece) +
                               noms,
                           valeurs);
    while (m.next()) {
        LigneVendeurs& l = trouver(m);
        l.recus += m.value(6).toLongLong();
        l.rendus += m.value(7).toLongLong();
    }
    m.finish();

    QSqlQuery s = Executer(QStringLiteral("SELECT a.NoVendeur, a.NoRepresentation, v.NomVendeur, v.Comedien, p.NomPiece, "
                                          "r.DateRepresentation, a.Vendus, a.Montant "
                                          "FROM (SELECT x.NoVendeur, x.NoRepresentation, SUM(x.NbEnfant + x.NbAdulte) AS Vendus, "
                                          "SUM(x.Cout) AS Montant "
                                          "FROM InfoReservation x JOIN InfoClientReservation c ON c.NoClient = x.NoClient%1 "
                                          "WHERE (%2) GROUP BY x.NoVendeur, x.NoRepresentation) a ")
                                   .arg(filtrePiece, ConditionCommandesComptees()) +
                               noms,
                           valeurs);
    while (s.next()) {
        LigneVendeurs& l = trouver(s);
        l.vendus += s.value(6).toLongLong();
        l.montantVendu += s.value(7).toDouble();
    }
    s.finish();

    RangsNoms vendeurs, pieces;
    RangsDates dates;
    for (const LigneVendeurs& l : std::as_const(lignes)) {
        vendeurs.ajouter(l.vendeur);
        pieces.ajouter(l.piece);
        dates.ajouter(l.representation);
    }
    vendeurs.classer();
    pieces.classer();
    dates.classer();
    std::vector<std::array<qint64, 3>> cles;
    cles.reserve(static_cast<size_t>(lignes.size()));
    for (const LigneVendeurs& l : std::as_const(lignes))
        cles.push_back({vendeurs.rang(l.vendeur), pieces.rang(l.piece), dates.rang(l.representation)});
    return Trier(lignes, cles);
}

QList<LigneMouvement> RapportMouvements(const QString& nomPiece, const QString& dateRepresentation) {
    const qlonglong noRepresentation = TrouverRepresentation(nomPiece, dateRepresentation);
    QSqlQuery q = Executer(QStringLiteral("SELECT m.DateTransaction, v.NomVendeur, v.Comedien, m.NoVendeur, m.Nombre, m.Commentaire "
                                          "FROM InventaireBillets m LEFT JOIN Vendeur v ON v.NoVendeur = m.NoVendeur "
                                          "WHERE m.NoRepresentation = ? ORDER BY m.NoMouvement"),
                           {noRepresentation});
    QList<LigneMouvement> lignes;
    qlonglong total = 0;
    while (q.next()) {
        LigneMouvement l;
        l.date = q.value(0).toString();
        l.vendeur = NomVendeurLu(q.value(1), q.value(2), q.value(3));
        l.nombre = q.value(4).toLongLong();
        l.commentaire = q.value(5).toString();
        total += l.nombre;
        l.totalCourant = total;
        lignes.append(l);
    }
    return lignes;
}

}  // namespace modBD
