#include "modBD_Rapports.h"

#include "Montant.h"
#include "Regles.h"
#include "modBD_Soiree.h"
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
#include <deque>
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
qlonglong RepresentationDuRapport(const QString& nomPiece, const QString& dateRepresentation) {
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

QString RepresentationSupprimee(qlonglong noRepresentation) {
    return QStringLiteral("(représentation supprimée n° %1)").arg(noRepresentation);
}

namespace {

// The order dates a date filter keeps, read by the program's date rule and bound as values in
// batches (no statement gets too many of them). Each order has one date, so the batches'
// distinct order counts add up exactly. Without a filter: one empty batch, no condition.
QList<QVariantList> LotsDates(const QDate& du, const QDate& au) {
    if (!du.isValid() && !au.isValid()) return {QVariantList()};
    QSqlQuery d = Executer(QStringLiteral("SELECT DISTINCT c.DateReservation FROM InfoClientReservation c WHERE (%1)")
                               .arg(ConditionCommandesComptees()));
    QVariantList retenues;
    while (d.next()) {
        const QString texte = d.value(0).toString();
        const QDate date = LireDate(texte);
        if (date.isValid() && (!du.isValid() || date >= du) && (!au.isValid() || date <= au)) retenues << texte;
    }
    d.finish();
    QList<QVariantList> lots;
    constexpr qsizetype kParLot = 500;
    for (qsizetype i = 0; i < retenues.size(); i += kParLot) lots << retenues.mid(i, kParLot);
    return lots;
}

struct LignesVentes {
    QList<LigneVentes> lignes;
    QHash<qlonglong, qsizetype> indices;  // performance number → row
};

// Every performance of the chosen plays: one with no sale keeps its row of zeros.
void LireRepresentationsVentes(const QString& nomPiece, LignesVentes& v) {
    QSqlQuery r = Executer(QStringLiteral("SELECT r.NoRepresentation, p.NomPiece, r.DateRepresentation FROM Representation r "
                                          "JOIN Piece p ON p.NoPiece = r.NoPiece%1")
                               .arg(nomPiece.isEmpty() ? QString() : QStringLiteral(" WHERE p.NomPiece = ?")),
                           nomPiece.isEmpty() ? QVariantList() : QVariantList{nomPiece});
    while (r.next()) {
        LigneVentes l;
        l.piece = r.value(1).toString();
        l.representation = r.value(2).toString();
        v.lignes.append(l);
        v.indices.insert(r.value(0).toLongLong(), v.lignes.size() - 1);
    }
}

// The sums of one batch of dates, per performance, added to its row. Summed per performance
// first, then named: the names are joined once per performance, not once per line. A line
// whose performance or play is gone gets a row of its own, labelled.
void AjouterSommesVentes(const QString& nomPiece, const QVariantList& lot, LignesVentes& v) {
    const QString filtrePiece = nomPiece.isEmpty()
                                    ? QString()
                                    : QStringLiteral(" JOIN Representation rf ON rf.NoRepresentation = l.NoRepresentation "
                                                     "JOIN Piece pf ON pf.NoPiece = rf.NoPiece AND pf.NomPiece = ?");
    QString dates;
    if (!lot.isEmpty())
        dates = QStringLiteral(" AND c.DateReservation IN (%1)").arg(QStringList(lot.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    QVariantList valeurs;
    if (!nomPiece.isEmpty()) valeurs << nomPiece;
    valeurs << lot;
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
        auto it = v.indices.find(no);
        if (it == v.indices.end()) {
            LigneVentes l;
            l.piece = q.value(1).isNull() ? kPieceSupprimee : q.value(1).toString();
            l.representation = q.value(7).isNull() ? RepresentationSupprimee(no) : q.value(2).toString();
            v.lignes.append(l);
            it = v.indices.insert(no, v.lignes.size() - 1);
        }
        LigneVentes& l = v.lignes[*it];
        l.commandes += q.value(3).toLongLong();
        l.billetsEnfant += q.value(4).toLongLong();
        l.billetsAdulte += q.value(5).toLongLong();
        l.billetsPorte += q.value(6).toLongLong();
        l.montant += Montant::Centimes(q.value(8).toLongLong());
    }
}

// By play name (French collation), then by the date the performance text denotes.
QList<LigneVentes> TrierVentes(const QList<LigneVentes>& lignes) {
    RangsNoms pieces;
    RangsDates dates;
    for (const LigneVentes& l : lignes) {
        pieces.ajouter(l.piece);
        dates.ajouter(l.representation);
    }
    pieces.classer();
    dates.classer();
    std::vector<std::array<qint64, 2>> cles;
    cles.reserve(static_cast<size_t>(lignes.size()));
    for (const LigneVentes& l : lignes) cles.push_back({pieces.rang(l.piece), dates.rang(l.representation)});
    return Trier(lignes, cles);
}

}  // namespace

QList<LigneVentes> RapportVentes(const QString& nomPiece, const QDate& du, const QDate& au) {
    // With a date filter, only the performances that sold in that period are listed: a period
    // of two orders is two rows, not every performance of the season at zero.
    const bool parDate = du.isValid() || au.isValid();
    const QList<QVariantList> lots = LotsDates(du, au);
    LignesVentes v;
    if (!parDate) LireRepresentationsVentes(nomPiece, v);
    for (const QVariantList& lot : lots) AjouterSommesVentes(nomPiece, lot, v);
    return TrierVentes(v.lignes);
}

QList<LignePorte> RapportPorte(const QString& nomPiece, const QString& dateRepresentation) {
    const qlonglong noRepresentation = RepresentationDuRapport(nomPiece, dateRepresentation);
    // The party's check-ins so far: a list printed mid-evening says who is already in.
    const QString arrives = TablePresente(kTableArrivees)
                                ? QStringLiteral("(SELECT SUM(a.NbArrives) FROM ArriveeCommande a WHERE a.NoClient = c.NoClient "
                                                 "AND a.NoRepresentation = l.NoRepresentation)")
                                : QStringLiteral("0");
    QSqlQuery q = Executer(QStringLiteral("SELECT c.NomClient, c.TelephoneClient, l.NbEnfant, l.NbAdulte, l.Cout, l.VentePorte, "
                                          "v.NomVendeur, v.Comedien, l.NoVendeur, c.NoClient, c.DateReservation, l.NoLigne, %2 "
                                          "FROM InfoReservation l "
                                          "JOIN InfoClientReservation c ON c.NoClient = l.NoClient "
                                          "LEFT JOIN Vendeur v ON v.NoVendeur = l.NoVendeur "
                                          "WHERE l.NoRepresentation = ? AND (%1)")
                               .arg(ConditionCommandesComptees(), arrives),
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
        l.cout = Montant::DepuisStocke(q.value(4).toDouble());
        l.aLaPorte = q.value(5).toLongLong() != 0;
        l.vendeur = NomVendeurLu(q.value(6), q.value(7), q.value(8));
        l.commande = q.value(9).toLongLong();
        l.dateCommande = q.value(10).toString();
        l.arrives = q.value(12).toLongLong();
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

// --- The sellers' report: two sums per (seller, performance), merged here: what the ledger
// gave and took back, and what the seller's order lines sold. Over every play that is one row
// per seller and performance, hundreds of thousands of them: the queries return numbers only,
// in the order of the indexes they read, slice by slice of sellers, each slice's pairs kept as
// numbers before the next is read (so the file is locked for SQLite's own work only), and the
// names come from three small tables read once, shared by every row that shows them.
namespace {

// The door tills' payments, written by the door's program table; read only here.
const QString kTablePaiements = QStringLiteral("PaiementCommande");

struct SommeVendeur {
    qlonglong vendeur, representation, a, b;
    qlonglong centimes, centimesCaisse;
};

// The sums are read in slices of sellers' numbers, one statement each, in the order of the
// numbers: between two slices a clerk's commit waiting for the file gets it, so it waits for
// one slice's read at most, not for the whole report's.
std::vector<std::pair<qlonglong, qlonglong>> TranchesVendeurs(bool unePiece) {
    std::vector<std::pair<qlonglong, qlonglong>> tranches;
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
    if (!bas) return tranches;
    // One play's report is short, and its statement reads that play's performances whatever
    // the slice: one slice.
    if (unePiece) return {{*bas, *haut}};
    constexpr quint64 kTranches = 16;
    const quint64 pas = (static_cast<quint64>(*haut) - static_cast<quint64>(*bas)) / kTranches + 1;
    for (qlonglong debut = *bas;;) {
        const bool derniere = static_cast<quint64>(*haut) - static_cast<quint64>(debut) < pas;
        const qlonglong fin = derniere ? *haut : static_cast<qlonglong>(static_cast<quint64>(debut) + pas - 1);
        tranches.emplace_back(debut, fin);
        if (derniere) break;
        debut = fin + 1;
    }
    return tranches;
}

struct LectureVendeurs {
    std::vector<std::pair<qlonglong, qlonglong>> tranches;
    QVariantList valeurs;
    Avancement avancement;
    int fait = 0;
    QString sqlMouvements, sqlVentes;
    void lireTranche(const QString& sql, bool avecMontant, size_t tranche, std::vector<SommeVendeur>& sommes) {
        QSqlQuery q = Executer(sql, QVariantList(valeurs) << tranches.at(tranche).first << tranches.at(tranche).second);
        while (q.next())
            sommes.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                              avecMontant ? 0 : q.value(3).toLongLong(), avecMontant ? q.value(3).toLongLong() : 0,
                              avecMontant ? q.value(4).toLongLong() : 0});
        // next() also ends on a failure: a report cut short must not pass for the whole one.
        VerifierLectureComplete(q);
        q.finish();
        if (avancement) avancement(++fait, static_cast<int>(tranches.size()) * 2);
    }
};

// The two statements of sums, per slice of sellers; dateRepresentation non-empty: the
// performances with that date text only.
LectureVendeurs PreparerLectureVendeurs(const QString& nomPiece, const QString& dateRepresentation, const Avancement& avancement) {
    QString filtrePiece = nomPiece.isEmpty()
                              ? QString()
                              : QStringLiteral(" JOIN Representation rf ON rf.NoRepresentation = x.NoRepresentation "
                                               "JOIN Piece pf ON pf.NoPiece = rf.NoPiece AND pf.NomPiece = ?");
    if (!dateRepresentation.isEmpty())
        filtrePiece += QStringLiteral(" JOIN Representation rd ON rd.NoRepresentation = x.NoRepresentation "
                                      "AND rd.DateRepresentation = ?");
    LectureVendeurs lecture{TranchesVendeurs(!nomPiece.isEmpty()), {}, avancement, 0, {}, {}};
    if (!nomPiece.isEmpty()) lecture.valeurs << nomPiece;
    if (!dateRepresentation.isEmpty()) lecture.valeurs << dateRepresentation;
    // Given and taken back: the net sum and the returns' sum.
    const QString sqlMouvements = QStringLiteral("SELECT x.NoVendeur, x.NoRepresentation, SUM(x.Nombre), "
                                                 "SUM(CASE WHEN x.Nombre < 0 THEN x.Nombre ELSE 0 END) "
                                                 "FROM InventaireBillets x%1 WHERE x.NoVendeur BETWEEN ? AND ? "
                                                 "GROUP BY x.NoVendeur, x.NoRepresentation "
                                                 "ORDER BY x.NoVendeur, x.NoRepresentation")
                                      .arg(filtrePiece);
    // What a door till took for an order (PaiementCommande) is not asked of the seller.
    const QString cents = ExpressionCentimes(QStringLiteral("x.Cout"));
    const QString caisse = TablePresente(kTablePaiements)
                               ? QStringLiteral("SUM(CASE WHEN EXISTS (SELECT 1 FROM %1 pc WHERE pc.NoClient = x.NoClient) "
                                                "THEN %2 ELSE 0 END)").arg(kTablePaiements, cents)
                               : QStringLiteral("0");
    const QString sqlVentes = QStringLiteral("SELECT x.NoVendeur, x.NoRepresentation, SUM(x.NbEnfant + x.NbAdulte), SUM(%3), %4 "
                                             "FROM InfoReservation x JOIN InfoClientReservation c ON c.NoClient = x.NoClient%1 "
                                             "WHERE (%2) AND x.NoVendeur BETWEEN ? AND ? "
                                             "GROUP BY x.NoVendeur, x.NoRepresentation "
                                             "ORDER BY x.NoVendeur, x.NoRepresentation")
                                  .arg(filtrePiece, ConditionCommandesComptees(), cents, caisse);
    lecture.sqlMouvements = sqlMouvements;
    lecture.sqlVentes = sqlVentes;
    return lecture;
}

struct RepresentationVendeurs {
    QString piece, date;
    qsizetype rang = 0;  // in the report's order of performances
};
struct FicheVendeur {
    QString nom;
    int rang = 0;
};
struct NomsVendeurs {
    QHash<qlonglong, RepresentationVendeurs> representations;
    QHash<qlonglong, FicheVendeur> vendeurs;
};

// The performances' names, read after the sums: whatever the sums name was there when they were read.
void LireRepresentationsVendeurs(const QString& nomPiece, const std::vector<qlonglong>& vues, NomsVendeurs& n) {
    QHash<qlonglong, QString> nomsPieces;
    QSqlQuery p = Executer(QStringLiteral("SELECT NoPiece, NomPiece FROM Piece"));
    while (p.next()) nomsPieces.insert(p.value(0).toLongLong(), p.value(1).toString());
    p.finish();
    QSqlQuery r = Executer(QStringLiteral("SELECT r.NoRepresentation, r.NoPiece, r.DateRepresentation FROM Representation r%1")
                               .arg(nomPiece.isEmpty() ? QString()
                                                       : QStringLiteral(" JOIN Piece pf ON pf.NoPiece = r.NoPiece AND pf.NomPiece = ?")),
                           nomPiece.isEmpty() ? QVariantList() : QVariantList{nomPiece});
    while (r.next()) {
        // A performance whose play is gone still counts, under the deleted play's label.
        const auto piece = nomsPieces.constFind(r.value(1).toLongLong());
        RepresentationVendeurs& rep = n.representations[r.value(0).toLongLong()];
        rep.piece = piece == nomsPieces.cend() ? kPieceSupprimee : *piece;
        rep.date = r.value(2).toString();
    }
    r.finish();
    // Lines of a performance deleted since: counted too (over every play; a chosen play's
    // query only finds the performances it still has).
    if (!nomPiece.isEmpty()) return;
    for (const qlonglong no : vues)
        if (!n.representations.contains(no)) n.representations.insert(no, {kPieceSupprimee, RepresentationSupprimee(no), 0});
}

void LireNomsVendeurs(const std::vector<qlonglong>& vus, NomsVendeurs& n) {
    QSqlQuery v = Executer(QStringLiteral("SELECT NoVendeur, NomVendeur, Comedien FROM Vendeur"));
    while (v.next()) n.vendeurs[v.value(0).toLongLong()].nom = NomAfficheVendeur(v.value(1).toString(), v.value(2).toLongLong() != 0);
    v.finish();
    // A line may point to a seller deleted since: it is still counted, under its number.
    for (const qlonglong no : vus)
        if (!n.vendeurs.contains(no)) n.vendeurs[no].nom = NomVendeurLu(QVariant(), QVariant(), no);
}

// The order: seller name, play name, performance date, each in the reports' collation; equal
// names keep their numbers' order.
void ClasserVendeurs(NomsVendeurs& n) {
    RangsNoms noms, pieces;
    RangsDates dates;
    for (const FicheVendeur& v : std::as_const(n.vendeurs)) noms.ajouter(v.nom);
    for (const RepresentationVendeurs& rep : std::as_const(n.representations)) {
        pieces.ajouter(rep.piece);
        dates.ajouter(rep.date);
    }
    noms.classer();
    pieces.classer();
    dates.classer();
    for (FicheVendeur& v : n.vendeurs) v.rang = noms.rang(v.nom);
    std::vector<std::tuple<int, int, qlonglong>> ordre;
    ordre.reserve(static_cast<size_t>(n.representations.size()));
    for (auto it = n.representations.cbegin(); it != n.representations.cend(); ++it)
        ordre.emplace_back(pieces.rang(it->piece), dates.rang(it->date), it.key());
    std::sort(ordre.begin(), ordre.end());
    for (size_t i = 0; i < ordre.size(); ++i) n.representations[std::get<2>(ordre[i])].rang = static_cast<qsizetype>(i);
}

// Both sums come sorted on (seller, performance): one pass pairs them, each (seller,
// performance) handed to garder once, with its movements' sums, its sales' sums or both.
template <typename Garder>
void ApparierSommes(const std::vector<SommeVendeur>& mouvements, const std::vector<SommeVendeur>& ventes, Garder&& garder) {
    const auto avant = [](const SommeVendeur& a, const SommeVendeur& b) {
        return a.vendeur != b.vendeur ? a.vendeur < b.vendeur : a.representation < b.representation;
    };
    for (auto im = mouvements.cbegin(), iv = ventes.cbegin(); im != mouvements.cend() || iv != ventes.cend();) {
        const SommeVendeur* mouvement = nullptr;
        const SommeVendeur* vente = nullptr;
        if (iv == ventes.cend() || (im != mouvements.cend() && avant(*im, *iv))) {
            mouvement = &*im++;
        } else if (im == mouvements.cend() || avant(*iv, *im)) {
            vente = &*iv++;
        } else {
            mouvement = &*im++;
            vente = &*iv++;
        }
        garder(mouvement, vente);
    }
}

// The numbers of one (seller, performance), names left empty.
void ChiffresPaire(const SommeVendeur* mouvement, const SommeVendeur* vente, LigneVendeurs& l) {
    if (mouvement) {
        l.rendus = -mouvement->b;
        l.recus = mouvement->a + l.rendus;
    }
    if (vente) {
        l.vendus = vente->a;
        l.montantVendu = Montant::Centimes(vente->centimes);
        l.payeCaisse = Montant::Centimes(vente->centimesCaisse);
    }
}

// The sellers' sums under their names, read after the sums (a seller deleted since under its
// number); sellers sharing a display name make one, as their rows do; in the names' order.
QList<ReglementVendeur> ReglementsParNom(const QHash<qlonglong, ReglementVendeur>& parNumero, const QString& nomVendeur) {
    QHash<qlonglong, QString> noms;
    QSqlQuery v = Executer(QStringLiteral("SELECT NoVendeur, NomVendeur, Comedien FROM Vendeur"));
    while (v.next()) noms.insert(v.value(0).toLongLong(), NomAfficheVendeur(v.value(1).toString(), v.value(2).toLongLong() != 0));
    v.finish();
    QHash<QString, ReglementVendeur> parNom;
    RangsNoms rangs;
    for (auto it = parNumero.cbegin(); it != parNumero.cend(); ++it) {
        const QString nom = noms.contains(it.key()) ? noms.value(it.key()) : NomVendeurLu(QVariant(), QVariant(), it.key());
        if (!nomVendeur.isEmpty() && nom != nomVendeur) continue;
        ReglementVendeur& r = parNom[nom];
        r.vendeur = nom;
        r.recus += it->recus;
        r.rendus += it->rendus;
        r.vendus += it->vendus;
        r.aRendre += it->aRendre;
        r.sansBillet += it->sansBillet;
        r.montantVendu += it->montantVendu;
        r.payeCaisse += it->payeCaisse;
        rangs.ajouter(nom);
    }
    rangs.classer();
    QList<ReglementVendeur> reglements = parNom.values();
    std::sort(reglements.begin(), reglements.end(),
              [&rangs](const ReglementVendeur& a, const ReglementVendeur& b) { return rangs.rang(a.vendeur) < rangs.rang(b.vendeur); });
    return reglements;
}

// One (seller, performance) of the sellers' report: its numbers, and where its names are.
struct PaireVendeurs {
    quint32 vendeur = 0;         // in the sellers' names, by order of first sight (= of number)
    quint32 representation = 0;  // in the performances' names
    qint64 recus = 0, rendus = 0, vendus = 0, centimes = 0, centimesCaisse = 0;
};

// The numbers of sellers and performances as the sums name them, each given an index once.
struct IndicesVendeurs {
    QHash<qlonglong, quint32> vendeurs, representations;
    std::vector<qlonglong> noVendeurs, noRepresentations;
    static quint32 Indice(QHash<qlonglong, quint32>& indices, std::vector<qlonglong>& nos, qlonglong no) {
        const auto trouve = indices.constFind(no);
        if (trouve != indices.cend()) return *trouve;
        const auto indice = static_cast<quint32>(nos.size());
        indices.insert(no, indice);
        nos.push_back(no);
        return indice;
    }
};

// Slice by slice (both statements cut the sellers alike), each (seller, performance) pair
// handed over with its numbers: only one slice's sums are ever held.
template <typename Garder>
void ParcourirPaires(LectureVendeurs& lecture, Garder&& garder) {
    std::vector<SommeVendeur> mouvements, ventes;
    for (size_t i = 0; i < lecture.tranches.size(); ++i) {
        mouvements.clear();
        ventes.clear();
        lecture.lireTranche(lecture.sqlMouvements, false, i, mouvements);
        lecture.lireTranche(lecture.sqlVentes, true, i, ventes);
        ApparierSommes(mouvements, ventes, [&](const SommeVendeur* mouvement, const SommeVendeur* vente) {
            LigneVendeurs l;
            ChiffresPaire(mouvement, vente, l);
            garder(mouvement ? *mouvement : *vente, l);
        });
    }
}

// Each pair kept as numbers only. A deque grows without copying what it holds, so the read
// never needs twice its size.
std::deque<PaireVendeurs> LirePairesVendeurs(LectureVendeurs& lecture, IndicesVendeurs& ix) {
    std::deque<PaireVendeurs> paires;
    ParcourirPaires(lecture, [&](const SommeVendeur& x, const LigneVendeurs& l) {
        paires.push_back({IndicesVendeurs::Indice(ix.vendeurs, ix.noVendeurs, x.vendeur),
                          IndicesVendeurs::Indice(ix.representations, ix.noRepresentations, x.representation), l.recus,
                          l.rendus, l.vendus, l.montantVendu.centimes(), l.payeCaisse.centimes()});
    });
    return paires;
}

NomsVendeurs LireNomsClasses(const QString& nomPiece, const IndicesVendeurs& ix) {
    NomsVendeurs noms;
    LireRepresentationsVendeurs(nomPiece, ix.noRepresentations, noms);
    LireNomsVendeurs(ix.noVendeurs, noms);
    ClasserVendeurs(noms);
    return noms;
}

}  // namespace

struct VendeursLus::Donnees {
    std::deque<PaireVendeurs> paires;
    std::vector<QString> vendeurs;                              // display names, by index
    std::vector<std::pair<QString, QString>> representations;  // play, date text, by index
};

namespace {

// The names by index, the pairs of another seller (nomVendeur given) or of a performance the
// names no longer know left out, the rest in the report's order: seller name, play, date; a
// name shared by several sellers keeps their numbers' order on each performance.
void ClasserPaires(const NomsVendeurs& n, const IndicesVendeurs& ix, const QString& nomVendeur, VendeursLus::Donnees& d) {
    std::vector<int> rangsVendeurs(ix.noVendeurs.size());
    std::vector<qsizetype> rangsRepresentations(ix.noRepresentations.size(), -1);
    d.vendeurs.resize(ix.noVendeurs.size());
    d.representations.resize(ix.noRepresentations.size());
    for (size_t i = 0; i < ix.noVendeurs.size(); ++i) {
        const FicheVendeur v = n.vendeurs.value(ix.noVendeurs[i]);
        rangsVendeurs[i] = v.rang;
        d.vendeurs[i] = v.nom;
    }
    for (size_t i = 0; i < ix.noRepresentations.size(); ++i) {
        const auto rep = n.representations.constFind(ix.noRepresentations[i]);
        if (rep == n.representations.cend()) continue;
        rangsRepresentations[i] = rep->rang;
        d.representations[i] = {rep->piece, rep->date};
    }
    std::erase_if(d.paires, [&](const PaireVendeurs& p) {
        return rangsRepresentations[p.representation] < 0 || (!nomVendeur.isEmpty() && d.vendeurs[p.vendeur] != nomVendeur);
    });
    std::sort(d.paires.begin(), d.paires.end(), [&](const PaireVendeurs& a, const PaireVendeurs& b) {
        return std::tie(rangsVendeurs[a.vendeur], rangsRepresentations[a.representation], a.vendeur) <
               std::tie(rangsVendeurs[b.vendeur], rangsRepresentations[b.representation], b.vendeur);
    });
}

}  // namespace

VendeursLus::VendeursLus(const QString& nomPiece, const QString& nomVendeur, const Avancement& avancement) {
    auto d = std::make_shared<Donnees>();
    // One connection: SQLite shares one file lock among a program's connections, so two
    // reading side by side would leave no gap for the clerk's commit between their slices.
    LectureVendeurs lecture = PreparerLectureVendeurs(nomPiece, QString(), avancement);
    IndicesVendeurs ix;
    d->paires = LirePairesVendeurs(lecture, ix);
    // The names are read after the sums: whatever the sums name was there when they were read.
    ClasserPaires(LireNomsClasses(nomPiece, ix), ix, nomVendeur, *d);
    m_donnees = std::move(d);
}

qsizetype VendeursLus::taille() const { return static_cast<qsizetype>(m_donnees->paires.size()); }

void VendeursLus::parcourir(const std::function<void(const LigneVendeurs&)>& ligne) const {
    LigneVendeurs l;
    for (const PaireVendeurs& p : m_donnees->paires) {
        // The names are copies of one string each: nothing is allocated per row.
        l.vendeur = m_donnees->vendeurs[p.vendeur];
        l.piece = m_donnees->representations[p.representation].first;
        l.representation = m_donnees->representations[p.representation].second;
        l.recus = p.recus;
        l.rendus = p.rendus;
        l.vendus = p.vendus;
        l.montantVendu = Montant::Centimes(p.centimes);
        l.payeCaisse = Montant::Centimes(p.centimesCaisse);
        ligne(l);
    }
}

QList<LigneVendeurs> RapportVendeurs(const QString& nomPiece, const QString& nomVendeur, const Avancement& avancement) {
    const VendeursLus lus(nomPiece, nomVendeur, avancement);
    QList<LigneVendeurs> lignes;
    lignes.reserve(lus.taille());
    lus.parcourir([&lignes](const LigneVendeurs& l) { lignes.append(l); });
    return lignes;
}

QList<ReglementVendeur> RapportReglement(const QString& nomPiece, const QString& nomVendeur, const QString& dateRepresentation,
                                         const Avancement& avancement) {
    LectureVendeurs lecture = PreparerLectureVendeurs(nomPiece, dateRepresentation, avancement);
    // Slice by slice (both statements cut the sellers alike), each pair summed into its seller
    // at once: only one slice's sums are ever held, whatever the history.
    QHash<qlonglong, ReglementVendeur> parNumero;
    ParcourirPaires(lecture, [&](const SommeVendeur& x, const LigneVendeurs& l) {
        ReglementVendeur& r = parNumero[x.vendeur];
        r.recus += l.recus;
        r.rendus += l.rendus;
        r.vendus += l.vendus;
        r.aRendre += l.aRendre();
        r.sansBillet += l.vendusSansBillet();
        r.montantVendu += l.montantVendu;
        r.payeCaisse += l.payeCaisse;
    });
    return ReglementsParNom(parNumero, nomVendeur);
}

QList<LigneMouvement> RapportMouvements(const QString& nomPiece, const QString& dateRepresentation) {
    const qlonglong noRepresentation = RepresentationDuRapport(nomPiece, dateRepresentation);
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
        const Montant montant = Montant::Centimes(q.value(3).toLongLong());
        const qlonglong billets = q.value(4).toLongLong();
        if (q.value(1).toLongLong() != 0) {
            l->montantAnnule += montant;
        } else {
            l->billets += billets;
            l->montant += montant;
            if (q.value(2).toLongLong() != 0) {
                l->billetsPorte += billets;
                l->montantPorte += montant;
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
        l.montant += Montant::DepuisStocke(d.value(2).toDouble());
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
