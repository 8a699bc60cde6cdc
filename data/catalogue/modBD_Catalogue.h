// The catalogue's reads and writes: plays, their performances and sellers.
// Names travel as bound values, so quotes of either kind are ordinary characters.
#pragma once

#include <QList>
#include <QString>

namespace modBD {

// Outcome of an add with a duplicate test.
enum class ResultatAjout {
    Ajoute,   // one row written
    Doublon,  // the same name (any case) or the same date already exists: nothing written
    Vide,     // empty or blank name: nothing written
};

// A stored row as the delete walks see it: its number and the text the list shows.
struct LigneCatalogue {
    qint64 numero = 0;
    QString texte;
};

// --- Plays.
// Trims the name; refuses it when a play of the same name exists in any letter case.
// A tab, line break or other control character inside the name throws ErreurBD (nothing written).
ResultatAjout AjouterPiece(const QString& nomPiece);
// Every play in stored order.
QList<LigneCatalogue> LignesPieces();
// Number of the play whose name equals the given one in any letter case (empty when none).
QString ObtenirNoPieceSansCasse(const QString& nomPiece);
// Deletes that play's row only. True when a row was deleted.
bool SupprimerPiece(qint64 noPiece);

// --- Performances.
// Refuses a second performance of the same play on the same date text.
ResultatAjout AjouterRepresentation(const QString& noPiece, const QString& dateRepresentation);
// The play's performances in stored order (empty when the number is no number).
QList<LigneCatalogue> LignesRepresentations(const QString& noPiece);
bool SupprimerRepresentation(qint64 noRepresentation);

// --- Sellers.
// Trims the name; refuses it when a seller of the same name exists in any letter case.
// A tab, line break or other control character inside the name throws ErreurBD (nothing written).
ResultatAjout AjouterVendeur(const QString& nomVendeur, bool comedien);
// Every seller in stored order (texte: the stored name).
QList<LigneCatalogue> LignesVendeurs();
bool SupprimerVendeur(qint64 noVendeur);

}  // namespace modBD
