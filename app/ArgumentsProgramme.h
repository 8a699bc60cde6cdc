// The program's command line: --version, --help, --base CHEMIN, --poste NOM, --demonstration.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace ArgumentsProgramme {

// Exit status for a wrong argument (the usual one of command-line tools).
inline constexpr int kMauvaisArgument = 2;

struct Options {
    bool version = false;
    bool aide = false;
    bool demonstration = false;
    QString base;  // --base: another BD.mdb; empty for the usual one
    QString poste; // --poste: this station's name at the till
};

// arguments[0] is the program. False, with a French sentence in erreur, on anything else
// than the options above.
bool Analyser(const QStringList& arguments, Options& options, QString& erreur);
// Points the data store at the base the options name, before the main window opens it:
// --base: that file, and no settings file; --demonstration: the demonstration base in its own
// folder (made the first time), never a settings file, and the window's caption says so.
// False when the demonstration base cannot be made (the clerk has been told).
bool Appliquer(const Options& options, QWidget* principale);
QString TexteAide();
QString TexteVersion();

}  // namespace ArgumentsProgramme
