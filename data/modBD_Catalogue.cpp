#include "modBD_Catalogue.h"

#include "modBD.h"

#include <QSqlQuery>
#include <QVariant>

#include <optional>

namespace modBD {

namespace {
QList<LigneCatalogue> Lignes(QSqlQuery q) {
    QList<LigneCatalogue> lignes;
    while (q.next()) lignes.append({q.value(0).toLongLong(), q.value(1).toString()});
    return lignes;
}

// A row added from outside the program (the report tool) may lack its folded name:
// give it one before a duplicate test relies on the column.
void CompleterNomsMajuscules(const QString& table, const QString& colNo, const QString& colNom, const QString& colMaj) {
    QSqlQuery q = Executer(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 IS NULL").arg(colNo, colNom, table, colMaj));
    QList<LigneCatalogue> aCompleter = Lignes(std::move(q));
    for (const LigneCatalogue& l : aCompleter)
        Executer(QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?").arg(table, colMaj, colNo), {l.texte.toUpper(), l.numero});
}

bool Supprimer(const QString& table, const QString& colNo, qint64 numero) {
    QSqlQuery q = Executer(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(table, colNo), {numero});
    return q.numRowsAffected() > 0;
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
    // The test and the insert in one transaction that no other station can race
    // (the write lock on the file; a serializable transaction, replayed on conflict, on a server).
    return EnTransaction([&](Transaction& t) {
        CompleterNomsMajuscules(QStringLiteral("Piece"), QStringLiteral("NoPiece"), QStringLiteral("NomPiece"), QStringLiteral("NomPieceMaj"));
        QSqlQuery q = Executer(QStringLiteral("SELECT 1 FROM Piece WHERE NomPieceMaj = ? LIMIT 1"), {nom.toUpper()});
        if (q.next()) return ResultatAjout::Doublon;
        q.finish();
        Executer(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)"), {nom, nom.toUpper()});
        t.Valider();
        return ResultatAjout::Ajoute;
    });
}

QList<LigneCatalogue> LignesPieces() {
    return Lignes(Executer(QStringLiteral("SELECT NoPiece, NomPiece FROM Piece ORDER BY NoPiece")));
}

QString ObtenirNoPieceSansCasse(const QString& nomPiece) {
    QSqlQuery q = Executer(QStringLiteral("SELECT NoPiece FROM Piece WHERE NomPieceMaj = ? ORDER BY NoPiece LIMIT 1"),
                           {nomPiece.toUpper()});
    if (q.next()) return q.value(0).toString();
    q.finish();
    // A row whose folded name was never filled is still found by its exact name.
    return ObtenirNoPiece(nomPiece);
}

bool SupprimerPiece(qint64 noPiece) { return Supprimer(QStringLiteral("Piece"), QStringLiteral("NoPiece"), noPiece); }

ResultatAjout AjouterRepresentation(const QString& noPiece, const QString& dateRepresentation) {
    const std::optional<qint64> no = LireNumero(noPiece);
    if (!no) throw ErreurBD(QStringLiteral("La pièce de la représentation est introuvable : rien n'a été enregistré."));
    return EnTransaction([&](Transaction& t) {
        QSqlQuery q = Executer(QStringLiteral("SELECT 1 FROM Representation WHERE NoPiece = ? AND DateRepresentation = ? LIMIT 1"),
                               {*no, dateRepresentation});
        if (q.next()) return ResultatAjout::Doublon;
        q.finish();
        Executer(QStringLiteral("INSERT INTO Representation (NoPiece, DateRepresentation) VALUES (?, ?)"), {*no, dateRepresentation});
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
        CompleterNomsMajuscules(QStringLiteral("Vendeur"), QStringLiteral("NoVendeur"), QStringLiteral("NomVendeur"), QStringLiteral("NomVendeurMaj"));
        QSqlQuery q = Executer(QStringLiteral("SELECT 1 FROM Vendeur WHERE NomVendeurMaj = ? LIMIT 1"), {nom.toUpper()});
        if (q.next()) return ResultatAjout::Doublon;
        q.finish();
        Executer(QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)"),
                 {nom, comedien ? 1 : 0, nom.toUpper()});
        t.Valider();
        return ResultatAjout::Ajoute;
    });
}

QList<LigneCatalogue> LignesVendeurs() {
    return Lignes(Executer(QStringLiteral("SELECT NoVendeur, NomVendeur FROM Vendeur ORDER BY NoVendeur")));
}

bool SupprimerVendeur(qint64 noVendeur) { return Supprimer(QStringLiteral("Vendeur"), QStringLiteral("NoVendeur"), noVendeur); }

}  // namespace modBD
