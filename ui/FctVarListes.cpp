// The lists every window fills, read here with the one message for a failed read.
// Kept apart from FctVar.cpp, which needs no database.
#include "FctVar.h"

#include "Toolkit.h"
#include "modBD.h"

namespace FctVar {

namespace {
template <class Lecture>
std::optional<QStringList> LireListe(QWidget* parent, const QString& quoi, Lecture lecture) {
    try {
        return lecture();
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(parent, QStringLiteral("La liste des %1 n'a pas pu être lue.\n").arg(quoi) + e.message());
        return std::nullopt;
    }
}
}  // namespace

std::optional<QStringList> LirePieces(QWidget* parent) {
    return LireListe(parent, QStringLiteral("pièces"), [] { return modBD::ListePieces(); });
}

std::optional<QStringList> LireVendeurs(QWidget* parent) {
    return LireListe(parent, QStringLiteral("vendeurs"), [] { return modBD::ListeVendeursAffiches(); });
}

Representations LireRepresentations(QWidget* parent, const QString& nomPiece) {
    if (nomPiece.isEmpty()) return {EtatLecture::PieceAbsente, {}};
    bool pieceAbsente = false;
    const std::optional<QStringList> dates = LireListe(parent, QStringLiteral("représentations"), [&] {
        const QString noPiece = modBD::ObtenirNoPiece(nomPiece);
        pieceAbsente = noPiece.isEmpty();
        return pieceAbsente ? QStringList() : modBD::ListeDatesRepresentations(noPiece);
    });
    if (!dates) return {EtatLecture::Echec, {}};
    return {pieceAbsente ? EtatLecture::PieceAbsente : EtatLecture::Lue, *dates};
}

std::optional<QStringList> DatesSuivies(QWidget* parent, const QString& nomPiece) {
    Representations lues = LireRepresentations(parent, nomPiece);
    if (lues.etat != EtatLecture::Lue) return std::nullopt;
    return std::move(lues.dates);
}

}  // namespace FctVar
