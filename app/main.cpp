// Start-up: the command line, then the main window, which is the program.
#include "ArgumentsProgramme.h"
#include "CopieSortie.h"
#include "Toolkit.h"
#include "frmMain.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    ArgumentsProgramme::Options options;
    QString erreur;
    // Decided before any window: --version and --help need no display.
    if (!ArgumentsProgramme::Analyser(arguments, options, erreur)) {
        QTextStream(stderr) << QStringLiteral("corvandelle : ") << erreur << Qt::endl
                            << QStringLiteral("Voir corvandelle --help.") << Qt::endl;
        return ArgumentsProgramme::kMauvaisArgument;
    }
    if (options.aide || options.version) {
        QTextStream(stdout) << (options.aide ? ArgumentsProgramme::TexteAide() : ArgumentsProgramme::TexteVersion());
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvandelle"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.corvandelle.Corvandelle"));
    Toolkit::InitialiserApplication(app);

    frmMain principal;
    if (!ArgumentsProgramme::Appliquer(options, &principal)) return 1;
    if (!principal.Form_Load()) return 1;
    principal.show();
    const int statut = QApplication::exec();
    // However the program ends (the menu, the window's close button), the evening's sales are copied.
    CopieSortie::Faire(true);
    return statut;
}
