// Builds a BD.mdb with a theatre's history, through the program's own schema, deterministically.
#pragma once

#include <QString>

namespace Bench {

struct Taille {
    const char* nom;
    int pieces;
    int representationsParPiece;
    int vendeurs;
    int commandes;        // each of 3 lines
    int mouvements;       // stock movements, 250 of them on the measured performance
};

inline constexpr Taille kPetite{"petite", 10, 5, 10, 100, 1000};
inline constexpr Taille kMoyenne{"moyenne", 100, 5, 100, 1000, 10000};
inline constexpr Taille kGrande{"grande", 200, 20, 300, 200000, 1000000};
// The small catalogue with the large history: shows what grows with the history alone.
inline constexpr Taille kHistorique{"historique", 10, 5, 10, 200000, 1000000};

// The performance that holds exactly 250 movements at every size.
inline const QString kPieceMesuree = QStringLiteral("Pièce 0001");
constexpr int kMouvementsMesures = 250;

// Dates are written in the locale's short date form: call after the locale is set.
QString NomPiece(int i);           // 1-based
QString NomVendeur(int i);         // 1-based, stored name
bool EstComedien(int i);
QString DateRepresentation(int piece, int rang);  // rang 0-based

// Creates the file (which must not exist) and fills it. Throws modBD::ErreurBD.
void Generer(const QString& chemin, const Taille& taille);

}  // namespace Bench
