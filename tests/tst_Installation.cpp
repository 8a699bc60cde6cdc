// Where an installed program keeps its data, the command line, the demonstration base and the
// "Aide" menu.
#include "ArgumentsProgramme.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmAide.h"
#include "frmMain.h"
#include "modBD.h"
#include "modBD_Demonstration.h"
#include "modBD_Sauvegarde.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using Toolkit::Reponse;

namespace {
void Ecrire(const QString& chemin, const QByteArray& contenu) {
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile f(chemin);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contenu);
}
const QByteArray kReglagesServeur = "[base]\nmoteur=postgresql\nhote=/nulle/part\nnom=jamais\n";

// Pretends to be installed (or not) in a home of its own; puts everything back when done.
struct Installation {
    QTemporaryDir racine;
    QString donnees() const { return racine.filePath("donnees"); }
    QString config() const { return racine.filePath("config"); }
    QString systeme() const { return racine.filePath("etc"); }
    explicit Installation(const QString& executable) {
        qputenv("XDG_DATA_HOME", donnees().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", config().toLocal8Bit());
        modBD::DefinirDossierProgramme(QString());
        modBD::DefinirDossierExecutable(executable.startsWith('/') && !executable.startsWith("/usr") ? racine.filePath(executable.mid(1)) : executable);
        modBD::DefinirDossierReglagesSysteme(systeme());
    }
    ~Installation() {
        modBD::FermerConnexion();
        modBD::DefinirDossierExecutable(QString());
        modBD::DefinirDossierReglagesSysteme(QString());
        modBD::DefinirCheminBD(QString());
        modBD::IgnorerFichierReglages(false);
        modBD::DefinirDossierProgramme(QString());
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_CONFIG_HOME");
    }
};

qint64 Compter(const QString& sql) {
    QSqlQuery q = modBD::Executer(sql);
    return q.next() ? q.value(0).toLongLong() : -1;
}
}  // namespace

class TestInstallation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { Toolkit::Test::Reinitialiser(); }

    void installeSeulementSousUsr() {
        QVERIFY(modBD::EstDossierInstalle("/usr/bin"));
        QVERIFY(modBD::EstDossierInstalle("/usr/local/bin"));
        QVERIFY(!modBD::EstDossierInstalle("/usrlocal/bin"));
        QVERIFY(!modBD::EstDossierInstalle("/usr/../home/clerc/corvandelle/build/bin"));
        QVERIFY(!modBD::EstDossierInstalle("/home/clerc/usr/bin"));
        QVERIFY(!modBD::EstDossierInstalle("/opt/corvandelle"));
    }

    void nonInstalleToutAcoteDuProgramme() {
        Installation inst("/copie/bin");
        const QString bin = inst.racine.filePath("copie/bin");
        QVERIFY(!modBD::ProgrammeInstalle());
        QCOMPARE(modBD::DossierProgramme(), bin);
        QCOMPARE(modBD::CheminBD(), bin + "/BD.mdb");
        QCOMPARE(modBD::DossierSauvegardes(), bin + "/sauvegardes");
        // Settings of the user's or of the site are for an installed program only.
        Ecrire(inst.config() + "/corvandelle/corvandelle.ini", kReglagesServeur);
        QCOMPARE(modBD::CheminReglages(), bin + "/corvandelle.ini");
    }

    void installeDansLesDossiersXdg() {
        Installation inst("/usr/bin");
        QVERIFY(modBD::ProgrammeInstalle());
        QCOMPARE(modBD::DossierProgramme(), inst.donnees() + "/corvandelle");
        QCOMPARE(modBD::CheminBD(), inst.donnees() + "/corvandelle/BD.mdb");
        QCOMPARE(modBD::DossierSauvegardes(), inst.donnees() + "/corvandelle/sauvegardes");
        // The user's settings first, then the site's; neither: the user's is where one would go.
        const QString utilisateur = inst.config() + "/corvandelle/corvandelle.ini";
        const QString site = inst.systeme() + "/corvandelle.ini";
        QCOMPARE(modBD::CheminReglages(), utilisateur);
        QCOMPARE(modBD::ReglagesActifs().moteur, modBD::Moteur::SQLite);
        // The report tool's default base follows the same place: the data's BD.mdb, or the settings found.
        QCOMPARE(modBD::BaseDuDossierProgramme(), inst.donnees() + "/corvandelle/BD.mdb");
        Ecrire(site, kReglagesServeur);
        QCOMPARE(modBD::CheminReglages(), site);
        QCOMPARE(modBD::BaseDuDossierProgramme(), site);
        QCOMPARE(modBD::ReglagesActifs().moteur, modBD::Moteur::PostgreSQL);
        Ecrire(utilisateur, "[base]\nmoteur=sqlite\n");
        QCOMPARE(modBD::CheminReglages(), utilisateur);
        QCOMPARE(modBD::ReglagesActifs().moteur, modBD::Moteur::SQLite);
        // Without XDG_DATA_HOME: ~/.local/share.
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(modBD::CheminBD(), QDir::homePath() + "/.local/share/corvandelle/BD.mdb");
    }

    void premierDemarrageInstalle() {
        Installation inst("/usr/bin");
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        frmMain f;
        QVERIFY(f.Form_Load());
        // The question named the file in the data folder, which did not exist yet.
        const QString chemin = inst.donnees() + "/corvandelle/BD.mdb";
        QVERIFY(Toolkit::Test::Messages().first().texte.contains(chemin));
        QVERIFY(QFile::exists(chemin));
        // "&Rapports" hands the report tool that same file.
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.mnuProduireRapport_Click();
        QCOMPARE(Toolkit::Test::Lancements().size(), 1);
        QCOMPARE(Toolkit::Test::Lancements().first().arguments, QStringList{chemin});
    }

    void ligneCommande_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("accepte");
        QTest::addColumn<QString>("erreur");
        QTest::newRow("rien") << QStringList{} << true << "";
        QTest::newRow("version") << QStringList{"--version"} << true << "";
        QTest::newRow("aide") << QStringList{"--help"} << true << "";
        QTest::newRow("base") << QStringList{"--base", "/tmp/a b/BD.mdb"} << true << "";
        QTest::newRow("base=") << QStringList{"--base=/tmp/x.mdb"} << true << "";
        QTest::newRow("demonstration") << QStringList{"--demonstration"} << true << "";
        QTest::newRow("base sans chemin") << QStringList{"--base"} << false << "l'option --base demande le chemin d'une base de données.";
        QTest::newRow("base vide") << QStringList{"--base="} << false << "l'option --base demande le chemin d'une base de données.";
        QTest::newRow("base deux fois") << QStringList{"--base", "a", "--base", "b"} << false << "l'option --base est donnée deux fois.";
        QTest::newRow("inconnue") << QStringList{"--verbose"} << false << "l'option « --verbose » est inconnue.";
        QTest::newRow("positionnel") << QStringList{"BD.mdb"} << false
                                     << "l'argument « BD.mdb » n'est pas attendu (pour ouvrir une autre base : --base BD.mdb).";
        QTest::newRow("les deux") << QStringList{"--demonstration", "--base", "x"} << false
                                  << "--demonstration et --base ne peuvent pas être donnés ensemble.";
    }
    void ligneCommande() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, accepte);
        QFETCH(QString, erreur);
        ArgumentsProgramme::Options options;
        QString lue;
        QCOMPARE(ArgumentsProgramme::Analyser(QStringList{"corvandelle"} + arguments, options, lue), accepte);
        QCOMPARE(lue, erreur);
        if (arguments.startsWith("--base") && accepte)
            QCOMPARE(options.base, arguments.size() > 1 ? arguments.at(1) : arguments.first().mid(7));
    }

    // The built programs: what a user types, what they print, their exit status.
    void programmes() {
        const auto Lancer = [](const QString& programme, const QStringList& arguments, int& code) {
            QProcess p;
            p.start(programme, arguments);
            if (!p.waitForFinished(30000)) return QStringList{};
            code = p.exitCode();
            return QStringList{QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
        };
        int code = -1;
        QStringList sorties = Lancer(CORV_PROGRAMME, {"--version"}, code);
        QCOMPARE(code, 0);
        QVERIFY(sorties.at(0).startsWith("corvandelle " CORV_VERSION "\n"));
        sorties = Lancer(CORV_PROGRAMME, {"--help"}, code);
        QCOMPARE(code, 0);
        QVERIFY(sorties.at(0).contains("--demonstration"));
        sorties = Lancer(CORV_PROGRAMME, {"--démo"}, code);
        QCOMPARE(code, 2);
        QVERIFY(sorties.at(0).isEmpty());
        QVERIFY(sorties.at(1).startsWith("corvandelle : l'option « --démo » est inconnue.\n"));
        sorties = Lancer(CORV_OUTIL_RAPPORTS, {"--version"}, code);
        QCOMPARE(code, 0);
        QVERIFY(sorties.at(0).startsWith("corvandelle-rapports " CORV_VERSION "\n"));
    }

    void baseDonneeEnArgument() {
        Installation inst("/usr/bin");
        const QString autre = inst.racine.filePath("ailleurs/saison 2025.mdb");
        QDir().mkpath(QFileInfo(autre).absolutePath());
        modBD::CreerBaseVide(autre);
        Ecrire(inst.config() + "/corvandelle/corvandelle.ini", kReglagesServeur);  // not read for --base
        ArgumentsProgramme::Options options;
        options.base = autre;
        frmMain f;
        QVERIFY(ArgumentsProgramme::Appliquer(options, &f));
        QVERIFY(f.Form_Load());
        QCOMPARE(modBD::CheminBD(), autre);
        QCOMPARE(modBD::DossierSauvegardes(), inst.racine.filePath("ailleurs/sauvegardes"));
        QVERIFY(!QFile::exists(inst.donnees() + "/corvandelle/BD.mdb"));
    }

    void demonstration() {
        Installation inst("/usr/bin");
        // A real base and a server in the settings: the demonstration touches neither.
        const QString reelle = inst.donnees() + "/corvandelle/BD.mdb";
        QDir().mkpath(QFileInfo(reelle).absolutePath());
        modBD::CreerBaseVide(reelle);
        const QByteArray avant = [&] { QFile f(reelle); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        Ecrire(inst.config() + "/corvandelle/corvandelle.ini", kReglagesServeur);
        ArgumentsProgramme::Options options;
        options.demonstration = true;
        frmMain f;
        QVERIFY2(ArgumentsProgramme::Appliquer(options, &f), qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(f.windowTitle(), QStringLiteral("Corvandelle — démonstration"));
        QVERIFY(f.Form_Load());
        QVERIFY(Toolkit::Test::Messages().isEmpty());
        QCOMPARE(modBD::CheminBD(), inst.donnees() + "/corvandelle/demonstration/BD.mdb");
        QVERIFY(modBD::CopiesPossibles());  // a file, not the server the settings name
        QVERIFY(QFile::exists(modBD::CheminBD()));
        QFile f2(reelle);
        QVERIFY(f2.open(QIODevice::ReadOnly));
        QCOMPARE(f2.readAll(), avant);

        // A season a clerk recognises, consistent as the program itself would have written it.
        QCOMPARE(modBD::ListePieces().size(), 4);
        QVERIFY(modBD::ListeVendeursAffiches().contains("Hélène Tremblay (C)"));
        QVERIFY(Compter("SELECT COUNT(*) FROM InfoClientReservation") >= 80);
        QCOMPARE(Compter("SELECT COUNT(*) FROM InfoClientReservation c WHERE NOT EXISTS "
                         "(SELECT 1 FROM InfoReservation l WHERE l.NoClient = c.NoClient)"), 0);
        QCOMPARE(Compter("SELECT COUNT(*) FROM InfoClientReservation c WHERE abs(MontantTotal - "
                         "(SELECT SUM(Cout) FROM InfoReservation l WHERE l.NoClient = c.NoClient)) > 0.001"), 0);
        QCOMPARE(Compter("SELECT COUNT(*) FROM InfoReservation l WHERE NOT EXISTS "
                         "(SELECT 1 FROM Representation r WHERE r.NoRepresentation = l.NoRepresentation)"), 0);
        QCOMPARE(Compter("SELECT SUM(Nombre) FROM InventaireBillets WHERE Commentaire = 'Échange'"), 0);
        // At the door: one line only, bought on the performance's evening.
        QCOMPARE(Compter("SELECT COUNT(*) FROM InfoReservation l JOIN InfoClientReservation c ON c.NoClient = l.NoClient "
                         "JOIN Representation r ON r.NoRepresentation = l.NoRepresentation "
                         "WHERE l.VentePorte <> 0 AND c.DateReservation <> r.DateRepresentation"), 0);
        QVERIFY(Compter("SELECT COUNT(*) FROM InfoReservation WHERE VentePorte <> 0") > 0);
        modBD::FermerConnexion();

        // Made once: the second time opens what is there, changes included.
        QCOMPARE(QDir(inst.donnees() + "/corvandelle/demonstration").entryList(QDir::Files), QStringList{"BD.mdb"});
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::CreerBaseDemonstration(modBD::CheminBD(), QDate(2026, 12, 7)));
    }

    void demonstrationImpossible() {
        Installation inst("/usr/bin");
        Ecrire(inst.donnees() + "/corvandelle/demonstration", "un fichier, pas un dossier");
        ArgumentsProgramme::Options options;
        options.demonstration = true;
        frmMain f;
        QVERIFY(!ArgumentsProgramme::Appliquer(options, &f));
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(Toolkit::Test::DernierMessage().icone, Toolkit::Icone::Critique);
    }

    void menuAide() {
        Installation inst("/usr/bin");
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        frmMain f;
        QVERIFY(f.Form_Load());
        Toolkit::Test::Reinitialiser();
        const QList<QAction*> menus = f.menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus.at(1)->text(), QStringLiteral("&Outils"));
        QCOMPARE(menus.at(2)->text(), QStringLiteral("&Aide"));
        QCOMPARE(f.mnuGuide->text(), QStringLiteral("&Guide de la billetterie"));
        QCOMPARE(f.mnuGuide->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(f.mnuAPropos->text(), QStringLiteral("À &propos de Corvandelle"));

        f.mnuGuide_Click();
        if (frmMain::CheminGuide().isEmpty()) {
            QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Erreur"));
        } else {
            // Shown in the program's own window; the browser only when asked.
            QVERIFY(f.FenetreAide());
            QVERIFY(Toolkit::Test::AdressesOuvertes().isEmpty());
            f.FenetreAide()->cmdNavigateur_Click();
            QCOMPARE(Toolkit::Test::AdressesOuvertes(), QStringList{QUrl::fromLocalFile(frmMain::CheminGuide()).toString()});
            QVERIFY(Toolkit::Test::Messages().isEmpty());
        }

        f.mnuAPropos_Click();
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QCOMPARE(m.titre, QStringLiteral("À propos de Corvandelle"));
        QVERIFY(m.texte.startsWith("Corvandelle " CORV_VERSION));
        QVERIFY(m.texte.contains("Licence"));
        QVERIFY(m.texte.contains(inst.donnees() + "/corvandelle/BD.mdb"));
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_Installation.moc"
