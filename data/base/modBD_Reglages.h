// The optional settings file corvandelle.ini beside the executable: which base the program
// opens. Without it, BD.mdb in the program's folder, as always.
#pragma once

#include <QString>

namespace modBD {

enum class Moteur { SQLite, PostgreSQL };

// Where to reach a server base. Never a password: libpq finds it itself (~/.pgpass,
// PGPASSFILE, a service file, PGPASSWORD).
struct ParametresServeur {
    QString hote;         // host name, address, or a Unix socket folder (starts with '/')
    int port = 5432;
    QString nom;          // database name
    QString utilisateur;  // empty: libpq's default
    QString ssl;          // libpq sslmode; empty: libpq's default
};

struct Reglages {
    Moteur moteur = Moteur::SQLite;
    ParametresServeur serveur;
};

// Reads a settings file. Throws ErreurBD whose French message names the file and, when the
// fault is on one line, that line's number. Unknown sections are left to other tools.
Reglages LireReglages(const QString& chemin);

// The first existing of modBD::CheminsReglages() (else the first of them), or the file named
// by DefinirFichierReglages.
QString CheminReglages();
// For the tools started on a given settings file (--ini): that file must then exist.
// Empty: back to corvandelle.ini in the program folder.
void DefinirFichierReglages(const QString& chemin);
// For a tool given a BD.mdb path explicitly: a settings file in its folder is then not read.
void IgnorerFichierReglages(bool ignorer);

// The settings in force: the file's when it exists, BD.mdb otherwise. Throws as LireReglages.
Reglages ReglagesActifs();

// How a server base is named to the clerk: « nom » sur le serveur « hote:port ».
QString DescriptionServeur(const ParametresServeur& serveur);

}  // namespace modBD
