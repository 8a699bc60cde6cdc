// The report tool's command line: the window on a database, or one report written to a file.
#pragma once

#include "Exportation.h"
#include "Tableau.h"

#include <QString>
#include <QStringList>

class QTextStream;

namespace Rapports {

enum CodeSortie { kReussite = 0, kEchec = 1, kMauvaisArgument = 2 };

struct Demande {
    bool aide = false;
    bool version = false;
    bool exporter = false;
    Rapport rapport = Rapport::Ventes;
    Format format = Format::Csv;
    QString sortie;
    Filtres filtres;
    QString base;  // the database file
    bool operations = false;      // --exporter operations: the journal of operations
    bool verifierJournal = false; // --verifier-journal
    QString jusqua;               // --jusqua: an anchor printed on paper
    QString employe;              // --employe: who signs in when the base has accounts
};

// What main must know before any application object exists: whether the run needs a
// window system at all (the window, or a PDF's fonts), from the raw arguments.
enum class Besoin { Fenetre, Graphique, Console };
Besoin BesoinDe(const QStringList& arguments);

// Reads the arguments (the program's name first). On a bad argument returns false with a
// French reason. Dates are read with the program's date rule (call after the locale is set).
bool AnalyserArguments(const QStringList& arguments, const QString& baseParDefaut, Demande& demande, QString& erreur);
QString TexteAide();
QString TexteVersion();

// Opens the base read-only, produces the report and writes it. Messages go to erreurs.
int ExecuterExportation(const Demande& demande, QTextStream& erreurs);
// Recomputes the chained journal: 0 with "Journal intact : N opérations.", 1 when a row was
// changed, deleted or inserted (or, with --jusqua, no row bears the anchor).
int ExecuterVerificationJournal(const Demande& demande, QTextStream& sortie, QTextStream& erreurs);
// The journal of operations as a table, newest first (the header alone without a journal).
Tableau TableauOperations(const QString& source);
// When the open base has accounts: signs demande.employe in (password from
// CORVANDELLE_MOT_DE_PASSE, else typed on the terminal without echo); reports need
// "Trésorerie". False with the French reason otherwise.
bool ConnecterEmployeLigneCommande(const Demande& demande, QString& erreur);

}  // namespace Rapports
