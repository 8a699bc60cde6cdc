#include "modBD_Catalogue.h"

#include "modBD.h"
#include "modBD_Changements.h"
#include "modBD_Journal.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <optional>

namespace modBD {

namespace {
QList<LigneCatalogue> Lignes(QSqlQuery q) {
    QList<LigneCatalogue> lignes;
    while (q.next()) lignes.append({q.value(0).toLongLong(), q.value(1).toString()});
    return lignes;
}

struct NomPlie {
    qint64 numero;
    QString nom;
    QString plie;  // upper case, every letter, accents included
};

// The names as they are now, whoever changed them: the report tool may rename a row without
// touching its folded copy. Every folded copy that no longer matches its name is mended here,
// so a caller inside a write transaction leaves the column right for any reader.
QList<NomPlie> NomsPlies(const QString& table, const QString& colNo, const QString& colNom, const QString& colMaj,
                         bool reparer) {
    QSqlQuery q = Executer(QStringLiteral("SELECT %1, %2, %3 FROM %4 ORDER BY %1").arg(colNo, colNom, colMaj, table));
    QList<NomPlie> noms;
    QList<NomPlie> perimes;
    while (q.next()) {
        NomPlie n{q.value(0).toLongLong(), q.value(1).toString(), q.value(1).toString().toUpper()};
        if (q.value(2).isNull() || q.value(2).toString() != n.plie) perimes.append(n);
        noms.append(std::move(n));
    }
    q.finish();
    if (reparer)
        for (const NomPlie& n : perimes)
            Executer(QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?").arg(table, colMaj, colNo), {n.plie, n.numero});
    return noms;
}

bool NomPris(const QList<NomPlie>& noms, const QString& nom) {
    const QString plie = nom.toUpper();
    return std::any_of(noms.begin(), noms.end(), [&](const NomPlie& n) { return n.plie == plie; });
}

bool Supprimer(const QString& table, const QString& colNo, qint64 numero) {
    return EnTransaction([&](Transaction& t) {
        ExigerRole(Role::Administration);
        QSqlQuery q = Executer(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(table, colNo), {numero});
        const bool supprime = q.numRowsAffected() > 0;
        q.finish();
        if (supprime) SignalerChangement(Domaine::Catalogue);
        if (supprime) Journaliser(QStringLiteral("Suppression"), QStringLiteral("%1 %2").arg(table).arg(numero));
        t.Valider();
        return supprime;
    });
}

// A name is shown on one line in every list and combo box: a tab or a line break inside it
// shows there as a mere blank (two plays would look alike) or breaks the line. Refused, said so.
void RefuserCaracteresDeControle(const QString& nom) {
    for (const QChar c : nom) {
        const QChar::Category categorie = c.category();
        if (categorie == QChar::Other_Control || categorie == QChar::Separator_Line ||
            categorie == QChar::Separator_Paragraph)
            throw ErreurBD(QStringLiteral("Un nom ne peut contenir ni tabulation ni saut de ligne : il doit tenir sur une "
                                          "seule ligne dans les listes. Retapez-le sans ces caractères."));
    }
}

std::optional<qint64> LireNumero(const QString& texte) {
    bool ok = false;
    const qint64 no = texte.toLongLong(&ok);
    return ok ? std::optional<qint64>(no) : std::nullopt;
}
}  // namespace

ResultatAjout AjouterPiece(const QString& nomPiece) {
    const QString nom = nomPiece.trimmed();
    if (nom.isEmpty()) return ResultatAjout::Vide;
    RefuserCaracteresDeControle(nom);
    // The test and the insert in one transaction that no other station can race.
    return EnTransaction([&](Transaction& t) {
        t.ReserverAjouts(QStringLiteral("Piece"));
        ExigerRole(Role::Administration);
        if (NomPris(NomsPlies(QStringLiteral("Piece"), QStringLiteral("NoPiece"), QStringLiteral("NomPiece"),
                              QStringLiteral("NomPieceMaj"), true),
                    nom))
            return ResultatAjout::Doublon;
        const qint64 no = InsererEtObtenirNumero(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)"),
                                                 {nom, nom.toUpper()}, QStringLiteral("NoPiece"));
        SignalerChangement(Domaine::Catalogue);
        Journaliser(QStringLiteral("Pièce ajoutée"), QStringLiteral("Piece %1").arg(no), nom);
        t.Valider();
        return ResultatAjout::Ajoute;
    });
}

QList<LigneCatalogue> LignesPieces() {
    return Lignes(Executer(QStringLiteral("SELECT NoPiece, NomPiece FROM Piece ORDER BY NoPiece")));
}

QString ObtenirNoPieceSansCasse(const QString& nomPiece) {
    // The exact name first: the report tool may have left two plays that differ only in case.
    const QString exact = ObtenirNoPiece(nomPiece);
    if (!exact.isEmpty()) return exact;
    const QString plie = nomPiece.toUpper();
    for (const NomPlie& n : NomsPlies(QStringLiteral("Piece"), QStringLiteral("NoPiece"), QStringLiteral("NomPiece"),
                                      QStringLiteral("NomPieceMaj"), false))
        if (n.plie == plie) return QString::number(n.numero);
    return QString();
}

bool SupprimerPiece(qint64 noPiece) { return Supprimer(QStringLiteral("Piece"), QStringLiteral("NoPiece"), noPiece); }

ResultatAjout AjouterRepresentation(const QString& noPiece, const QString& dateRepresentation) {
    const std::optional<qint64> no = LireNumero(noPiece);
    if (!no) throw ErreurBD(QStringLiteral("La pièce de la représentation est introuvable : rien n'a été enregistré."));
    return EnTransaction([&](Transaction& t) {
        t.ReserverAjouts(QStringLiteral("Representation"));
        ExigerRole(Role::Administration);
        QSqlQuery q = Executer(QStringLiteral("SELECT 1 FROM Representation WHERE NoPiece = ? AND DateRepresentation = ? LIMIT 1"),
                               {*no, dateRepresentation});
        if (q.next()) return ResultatAjout::Doublon;
        q.finish();
        const qint64 nouveau = InsererEtObtenirNumero(
            QStringLiteral("INSERT INTO Representation (NoPiece, DateRepresentation) VALUES (?, ?)"), {*no, dateRepresentation},
            QStringLiteral("NoRepresentation"));
        SignalerChangement(Domaine::Catalogue);
        Journaliser(QStringLiteral("Représentation ajoutée"), QStringLiteral("Representation %1").arg(nouveau),
                    QStringLiteral("Piece %1, %2").arg(*no).arg(dateRepresentation));
        t.Valider();
        return ResultatAjout::Ajoute;
    });
}

QList<LigneCatalogue> LignesRepresentations(const QString& noPiece) {
    const std::optional<qint64> no = LireNumero(noPiece);
    if (!no) return {};
    return Lignes(Executer(QStringLiteral("SELECT NoRepresentation, DateRepresentation FROM Representation "
                                          "WHERE NoPiece = ? ORDER BY NoRepresentation"),
                           {*no}));
}

bool SupprimerRepresentation(qint64 noRepresentation) {
    return Supprimer(QStringLiteral("Representation"), QStringLiteral("NoRepresentation"), noRepresentation);
}

ResultatAjout AjouterVendeur(const QString& nomVendeur, bool comedien) {
    const QString nom = nomVendeur.trimmed();
    if (nom.isEmpty()) return ResultatAjout::Vide;
    RefuserCaracteresDeControle(nom);
    return EnTransaction([&](Transaction& t) {
        t.ReserverAjouts(QStringLiteral("Vendeur"));
        ExigerRole(Role::Administration);
        if (NomPris(NomsPlies(QStringLiteral("Vendeur"), QStringLiteral("NoVendeur"), QStringLiteral("NomVendeur"),
                              QStringLiteral("NomVendeurMaj"), true),
                    nom))
            return ResultatAjout::Doublon;
        const qint64 no = InsererEtObtenirNumero(
            QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)"),
            {nom, comedien ? 1 : 0, nom.toUpper()}, QStringLiteral("NoVendeur"));
        SignalerChangement(Domaine::Catalogue);
        Journaliser(QStringLiteral("Vendeur ajouté"), QStringLiteral("Vendeur %1").arg(no), nom);
        t.Valider();
        return ResultatAjout::Ajoute;
    });
}

QList<LigneCatalogue> LignesVendeurs() {
    return Lignes(Executer(QStringLiteral("SELECT NoVendeur, NomVendeur FROM Vendeur ORDER BY NoVendeur")));
}

bool SupprimerVendeur(qint64 noVendeur) { return Supprimer(QStringLiteral("Vendeur"), QStringLiteral("NoVendeur"), noVendeur); }

}  // namespace modBD
