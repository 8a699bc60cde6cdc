// What one station keeps for itself, apart from the shared base: its name at the till, the
// last seller it used at the door, and the opening float of a till not yet closed. A small
// settings file of the user on this computer (poste.ini in the program's configuration folder).
#pragma once

#include <QString>

#include <optional>

namespace ReglagesPoste {

// The file used; tests point it elsewhere (empty: back to the usual one).
void DefinirFichier(const QString& chemin);
QString Fichier();

// The station's name: the command line's --poste, else the name typed once at the till, else
// the computer's name.
void DefinirNomLigneCommande(const QString& nom);
QString NomPoste();
bool NomDeLigneCommande();
void EnregistrerNomPoste(const QString& nom);

// The seller this station chose at its last door sale (empty: none yet).
QString DernierVendeurPorte();
void EnregistrerVendeurPorte(const QString& vendeur);

// The opening float typed for a performance at a station, kept until its closing.
std::optional<qint64> FondCaisse(qint64 noRepresentation, const QString& poste);
void EnregistrerFondCaisse(qint64 noRepresentation, const QString& poste, qint64 centimes);
void OublierFondCaisse(qint64 noRepresentation, const QString& poste);

}  // namespace ReglagesPoste
