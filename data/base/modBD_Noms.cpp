// Lookups by name and the lists the windows show.
#include "modBD.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <limits>
#include <vector>

namespace modBD {


QString NomAfficheVendeur(const QString& nom, bool comedien) { return comedien ? nom + kMarqueComedien : nom; }

QString RetirerMarqueComedien(const QString& nomAffiche) {
    return nomAffiche.endsWith(kMarqueComedien, Qt::CaseSensitive) ? nomAffiche.chopped(kMarqueComedien.size()) : nomAffiche;
}

QString ObtenirNoPiece(const QString& nomPiece) {
    QSqlQuery q = Executer(QStringLiteral("SELECT NoPiece FROM Piece WHERE NomPiece = ? ORDER BY NoPiece LIMIT 1"), {nomPiece});
    return q.next() ? q.value(0).toString() : QString();
}

QString ObtenirNoRepresentation(const QString& noPiece, const QString& dateRepresentation) {
    bool ok = false;
    const qlonglong no = noPiece.toLongLong(&ok);
    if (!ok) return QString();
    QSqlQuery q = Executer(QStringLiteral("SELECT NoRepresentation FROM Representation "
                                          "WHERE NoPiece = ? AND DateRepresentation = ? ORDER BY NoRepresentation LIMIT 1"),
                           {no, dateRepresentation});
    return q.next() ? q.value(0).toString() : QString();
}

std::optional<qint16> ObtenirNoVendeur(const QString& nomAffiche) {
    const QString nom = RetirerMarqueComedien(nomAffiche);
    QSqlQuery q = Executer(QStringLiteral("SELECT NoVendeur FROM Vendeur WHERE NomVendeur = ? ORDER BY NoVendeur LIMIT 1"), {nom});
    if (!q.next()) return std::nullopt;
    const qlonglong no = q.value(0).toLongLong();
    if (no < std::numeric_limits<qint16>::min() || no > std::numeric_limits<qint16>::max())
        throw ErreurBD(QStringLiteral("Le numéro du vendeur « %1 » (%2) dépasse la limite de 32767.").arg(nom, QString::number(no)));
    return static_cast<qint16>(no);
}

QStringList ListePieces() {
    QSqlQuery q = Executer(QStringLiteral("SELECT NomPiece FROM Piece ORDER BY NoPiece"));
    QStringList noms;
    while (q.next()) noms << q.value(0).toString();
    return noms;
}

QStringList ListeDatesRepresentations(const QString& noPiece) {
    bool ok = false;
    const qlonglong no = noPiece.toLongLong(&ok);
    if (!ok) return {};
    QSqlQuery q = Executer(QStringLiteral("SELECT DateRepresentation FROM Representation WHERE NoPiece = ? ORDER BY NoRepresentation"), {no});
    QStringList dates;
    while (q.next()) dates << q.value(0).toString();
    return dates;
}

QList<Vendeur> ListeVendeurs() {
    QSqlQuery q = Executer(QStringLiteral("SELECT NomVendeur, Comedien FROM Vendeur ORDER BY NoVendeur"));
    QList<Vendeur> vendeurs;
    while (q.next()) vendeurs.append({q.value(0).toString(), q.value(1).toLongLong() != 0});
    return vendeurs;
}

QStringList ListeVendeursAffiches() {
    const QList<Vendeur> vendeurs = ListeVendeurs();
    // Name order as a French reader expects it (accents and case do not push a name to the end).
    // One sort key per name: comparing keys is far cheaper than collating names pair by pair.
    const QCollator collateur{QLocale()};
    std::vector<std::pair<QCollatorSortKey, qsizetype>> cles;
    cles.reserve(static_cast<size_t>(vendeurs.size()));
    for (qsizetype i = 0; i < vendeurs.size(); ++i) cles.emplace_back(collateur.sortKey(vendeurs.at(i).nom), i);
    std::stable_sort(cles.begin(), cles.end(), [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    QStringList noms;
    noms.reserve(vendeurs.size());
    for (const auto& cle : cles) noms << NomAfficheVendeur(vendeurs.at(cle.second).nom, vendeurs.at(cle.second).comedien);
    return noms;
}

}  // namespace modBD
