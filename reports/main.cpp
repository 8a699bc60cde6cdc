// The report tool: the window on a database, or, with --exporter, one report written to a file
// without any window (no display needed).
#include "ArgumentsRapports.h"
#include "Toolkit.h"
#include "frmConnexion.h"
#include "frmRapports.h"
#include "modBD_Journal.h"
#include "modBD.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const Rapports::Besoin besoin = Rapports::BesoinDe(arguments);
    // A PDF needs fonts, hence a GUI application, but no screen.
    if (besoin == Rapports::Besoin::Graphique && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a session (cron, ssh) Qt warns that XDG_RUNTIME_DIR is not set: a private folder
    // of our own, removed at the end, keeps stderr for real errors.
    std::unique_ptr<QTemporaryDir> dossierExecution;
    if (besoin != Rapports::Besoin::Fenetre && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        dossierExecution = std::make_unique<QTemporaryDir>();
        if (dossierExecution->isValid()) {
            QFile::setPermissions(dossierExecution->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dossierExecution->path()));
        }
    }

    std::unique_ptr<QCoreApplication> app;
    if (besoin == Rapports::Besoin::Console) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        Toolkit::InitialiserLangue(*app);
    } else {
        auto* gui = new QApplication(argc, argv);
        app.reset(gui);
        Toolkit::InitialiserApplication(*gui);
    }
    QCoreApplication::setApplicationName(QStringLiteral("corvandelle-rapports"));

    QTextStream sortie(stdout), erreurs(stderr);
    Rapports::Demande demande;
    QString erreur;
    // The program's own choice of base: its settings file when there is one (a server base), else BD.mdb.
    if (!Rapports::AnalyserArguments(arguments, modBD::BaseDuDossierProgramme(), demande, erreur)) {
        erreurs << QStringLiteral("corvandelle-rapports : ") << erreur << Qt::endl
                << QStringLiteral("Voir corvandelle-rapports --aide.") << Qt::endl;
        return Rapports::kMauvaisArgument;
    }
    if (demande.aide) {
        sortie << Rapports::TexteAide();
        return Rapports::kReussite;
    }
    if (demande.version) {
        sortie << Rapports::TexteVersion();
        return Rapports::kReussite;
    }
    if (demande.exporter) return Rapports::ExecuterExportation(demande, erreurs);
    if (demande.verifierJournal) return Rapports::ExecuterVerificationJournal(demande, sortie, erreurs);

    frmRapports fenetre(demande.base);
    if (!fenetre.Form_Load()) return Rapports::kEchec;
    // A base with accounts: the treasurer signs in (the base is read-only here, so a failed
    // sign-in is not journaled).
    if (!frmConnexion::Exiger(&fenetre, false)) return Rapports::kEchec;
    if (!modBD::RolePermet(modBD::Role::Tresorerie)) {
        Toolkit::MsgBox(&fenetre, modBD::TexteReserve(modBD::Role::Tresorerie) + QLatin1Char('.'), Toolkit::Boutons::OK,
                        Toolkit::Icone::Exclamation, QStringLiteral("Rapports"));
        return Rapports::kEchec;
    }
    if (modBD::SessionOuverte())
        fenetre.setWindowTitle(fenetre.windowTitle() + QStringLiteral(" — ") + modBD::EmployeSession());
    fenetre.showMaximized();
    fenetre.raise();
    fenetre.activateWindow();
    return QApplication::exec();
}
