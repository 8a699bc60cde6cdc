// corvandelle.ini: which base the program opens, the French refusal of a bad file (naming
// the file and the line), a server that does not answer, the first-run question on a server
// base without tables, and an account with rights on the six tables only.
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmMain.h"
#include "modBD.h"
#include "modBD_Soiree.h"
#include "modBD_Catalogue.h"
#include "modBD_Annulations.h"
#include "modBD_Commandes.h"
#include "modBD_Sauvegarde.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using Toolkit::Reponse;

using TestSupport::Empreinte;
namespace {
QString Ecrire(const QTemporaryDir& dossier, const QByteArray& contenu) {
    const QString chemin = QDir(dossier.path()).filePath(QStringLiteral("corvandelle.ini"));
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write the settings file");
    f.write(contenu);
    return chemin;
}


// The SQL the README gives the administrator, for an account that may only read and write the program's tables.
void DonnerDroitsGuichet(const QString& base, const QString& role) {
    TestSupport::ExecuterSurServeur(QStringLiteral("CREATE ROLE %1 LOGIN").arg(role));
    TestSupport::ExecuterSurServeur(QStringLiteral("REVOKE CONNECT ON DATABASE %1 FROM PUBLIC").arg(base));
    TestSupport::ExecuterSurServeur(QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2").arg(base, role));
    TestSupport::ExecuterSurServeur(QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(role), base);
}
void DonnerDroitsTables(const QString& base, const QString& role) {
    TestSupport::ExecuterSurServeur(QStringLiteral("CREATE TABLE AnnulationCommande (NoClient INTEGER NOT NULL PRIMARY KEY, "
                                                   "DateAnnulation TEXT NOT NULL, Motif TEXT NOT NULL DEFAULT '')"),
                                    base);
    TestSupport::ExecuterSurServeur(QStringLiteral("CREATE TABLE JetonOperation (Jeton text NOT NULL PRIMARY KEY, "
                                                   "Numeros text NOT NULL DEFAULT '', DateJeton text NOT NULL)"),
                                    base);
    TestSupport::ExecuterSurServeur(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON vendeur, piece, representation, "
                                                   "infoclientreservation, inforeservation, inventairebillets, "
                                                   "annulationcommande, jetonoperation, capaciterepresentation, tarifpiece, "
                                                   "arriveecommande, reglagebilletterie TO %1").arg(role),
                                    base);
}
}  // namespace

class TestReglages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { Toolkit::Test::Reinitialiser(); }

    void lecture() {
        QTemporaryDir dossier;
        const QString chemin = Ecrire(dossier, "; Corvandelle on the box-office server\r\n"
                                               "[BASE]\r\n"
                                               "moteur = PostgreSQL\r\n"
                                               "hote=guichet.theatre.local   ; the server\r\n"
                                               "port=6543\r\n"
                                               "nom=corvandelle # the database\r\n"
                                               "utilisateur=caisse;1\r\n"
                                               "ssl=require\r\n"
                                               "[rapports]\r\n"
                                               "autre=chose\r\n");
        const modBD::Reglages r = modBD::LireReglages(chemin);
        QCOMPARE(r.moteur, modBD::Moteur::PostgreSQL);
        QCOMPARE(r.serveur.hote, QStringLiteral("guichet.theatre.local"));
        QCOMPARE(r.serveur.port, 6543);
        QCOMPARE(r.serveur.nom, QStringLiteral("corvandelle"));
        QCOMPARE(r.serveur.utilisateur, QStringLiteral("caisse;1"));  // a ';' inside a value stays
        QCOMPARE(r.serveur.ssl, QStringLiteral("require"));
        QCOMPARE(modBD::LireReglages(Ecrire(dossier, "[base]\nmoteur=sqlite\n")).moteur, modBD::Moteur::SQLite);
    }

    void refus_data() {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<int>("ligne");  // 0: the message names no line
        QTest::addColumn<QString>("raison");
        QTest::newRow("moteur inconnu") << QByteArray("[base]\n\nmoteur=oracle\n") << 3 << "« oracle » est inconnu";
        QTest::newRow("port") << QByteArray("[base]\nmoteur=postgresql\nnom=x\nport=54a2\n") << 4 << "port « 54a2 »";
        QTest::newRow("port hors limites") << QByteArray("[base]\nmoteur=postgresql\nnom=x\nport=70000\n") << 4 << "65535";
        QTest::newRow("mot de passe") << QByteArray("[base]\nmoteur=postgresql\nnom=x\nmotdepasse=secret\n") << 4
                                      << "aucun mot de passe";
        QTest::newRow("clé inconnue") << QByteArray("[base]\nmoteur=postgresql\nhôte=x\n") << 3 << "« hôte » est inconnue";
        QTest::newRow("clé répétée") << QByteArray("[base]\nmoteur=postgresql\nnom=a\nnom=b\n") << 4 << "deuxième fois";
        QTest::newRow("hors section") << QByteArray("moteur=postgresql\n") << 1 << "[base]";
        QTest::newRow("ligne informe") << QByteArray("[base]\nmoteur postgresql\n") << 2 << "clé=valeur";
        QTest::newRow("section ouverte") << QByteArray("[base\nmoteur=postgresql\n") << 1 << "section";
        QTest::newRow("ssl") << QByteArray("[base]\nmoteur=postgresql\nnom=x\nssl=oui\n") << 4 << "ssl";
        QTest::newRow("sans moteur") << QByteArray("[base]\nnom=x\n") << 0 << "moteur";
        QTest::newRow("sans nom") << QByteArray("[base]\nmoteur=postgresql\n") << 0 << "nom de la base";
        QTest::newRow("pas UTF-8") << QByteArray("[base]\nmoteur=postgresql\nnom=th\xe9\xe2tre\n") << 0 << "UTF-8";
    }
    void refus() {
        QFETCH(QByteArray, contenu);
        QFETCH(int, ligne);
        QFETCH(QString, raison);
        QTemporaryDir dossier;
        const QString chemin = Ecrire(dossier, contenu);
        try {
            modBD::LireReglages(chemin);
            QFAIL("a bad settings file was accepted");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(QDir::toNativeSeparators(chemin)), qPrintable(e.message()));
            if (ligne > 0) QVERIFY2(e.message().contains(QStringLiteral("ligne %1 :").arg(ligne)), qPrintable(e.message()));
            else QVERIFY2(!e.message().contains(QStringLiteral("ligne")), qPrintable(e.message()));
            QVERIFY2(e.message().contains(raison), qPrintable(e.message()));
        }
    }

    // A bad file: the program says which file and line, and ends without touching BD.mdb.
    void reglagesInvalidesArretentLeProgramme() {
        QTemporaryDir dossier;
        const QString bd = QDir(dossier.path()).filePath(QStringLiteral("BD.mdb"));
        modBD::CreerBaseVide(bd);
        const QByteArray avant = Empreinte(bd);
        Ecrire(dossier, "[base]\n; which engine\nmoteur=Acces\n");
        modBD::DefinirDossierProgramme(dossier.path());
        {
            frmMain f;
            QVERIFY(!f.Form_Load());
        }
        QCOMPARE(TestSupport::Ouvrir().echec, modBD::EchecOuverture::ReglagesInvalides);
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QVERIFY2(m.texte.contains(QStringLiteral("corvandelle.ini")) && m.texte.contains(QStringLiteral("ligne 3")), qPrintable(m.texte));
        QVERIFY2(m.texte.contains(QStringLiteral("Aucune base de données n'a été ouverte ni modifiée. Le programme va se terminer.")),
                 qPrintable(m.texte));
        QCOMPARE(m.icone, Toolkit::Icone::Critique);
        QVERIFY(Toolkit::Test::ProgrammeTermine());
        QVERIFY(!modBD::ConnexionOuverte());
        QCOMPARE(Empreinte(bd), avant);
        modBD::DefinirDossierProgramme(QString());
    }

    // A server that does not answer: named in the message, the program ends, nothing created.
    void serveurInjoignable() {
        QTemporaryDir dossier;
        const QString socket = QDir(dossier.path()).filePath(QStringLiteral("aucun-serveur"));
        Ecrire(dossier, QStringLiteral("[base]\nmoteur=postgresql\nhote=%1\nport=5999\nnom=corvandelle\n").arg(socket).toUtf8());
        modBD::DefinirDossierProgramme(dossier.path());
        {
            frmMain f;
            QVERIFY(!f.Form_Load());
        }
        QCOMPARE(TestSupport::Ouvrir().echec, modBD::EchecOuverture::ServeurInjoignable);
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QVERIFY2(m.texte.contains(QStringLiteral("« corvandelle » sur le serveur « %1:5999 »").arg(socket)), qPrintable(m.texte));
        QVERIFY2(m.texte.contains(QStringLiteral("ne répond pas")), qPrintable(m.texte));
        QVERIFY2(m.texte.endsWith(QStringLiteral("Rien n'a été modifié sur le serveur. Le programme va se terminer.")),
                 qPrintable(m.texte));
        QVERIFY(Toolkit::Test::ProgrammeTermine());
        QVERIFY(!QFile::exists(QDir(dossier.path()).filePath(QStringLiteral("BD.mdb"))));
        // Reads fail with the French message, not a crash.
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::ListePieces());
        modBD::DefinirDossierProgramme(QString());
    }

    // A server base without the tables: the first-run question names the server and the base;
    // "Non" ends and creates nothing, "Oui" creates the six tables and the program goes on.
    void premierDemarrageSurServeur_data() {
        QTest::addColumn<bool>("oui");
        QTest::newRow("Non") << false;
        QTest::newRow("Oui") << true;
    }
    void premierDemarrageSurServeur() {
        if (!TestSupport::SurServeur()) QSKIP("needs the test server (run again on it by the test command)");
        QFETCH(bool, oui);
        QTemporaryDir dossier;
        const QString base = TestSupport::CreerBaseServeurVide();
        TestSupport::EcrireReglagesServeur(dossier.path(), base);
        modBD::DefinirDossierProgramme(dossier.path());
        Toolkit::Test::RepondreProchain(oui ? Reponse::Oui : Reponse::Non);
        {
            frmMain f;
            QCOMPARE(f.Form_Load(), oui);
            const Toolkit::Message m = Toolkit::Test::Messages().first();
            QVERIFY2(m.texte.contains(QStringLiteral("« %1 » sur le serveur").arg(base)), qPrintable(m.texte));
            QVERIFY2(m.texte.contains(qEnvironmentVariable("CORV_PG_HOTE")), qPrintable(m.texte));
            QCOMPARE(m.boutons, Toolkit::Boutons::OuiNon);
            QCOMPARE(Toolkit::Test::ProgrammeTermine(), !oui);
            if (oui) {
                QCOMPARE(Toolkit::Test::Messages().size(), 1);
                QCOMPARE(modBD::TablesPresentes(), modBD::TablesRequises());
                QCOMPARE(modBD::AjouterPiece(QStringLiteral("Hamlet")), modBD::ResultatAjout::Ajoute);
            }
        }
        modBD::FermerConnexion();
        if (!oui) {
            TestSupport::EcrireReglagesServeur(dossier.path(), base);
            QCOMPARE(TestSupport::Ouvrir().echec, modBD::EchecOuverture::TablesAbsentes);  // still none
        }
        modBD::DefinirDossierProgramme(QString());
        TestSupport::SupprimerBaseServeur(base);
    }

    // Which base the program folder designates (the report tool's default), and what the hub
    // hands the report tool: the settings file for a server base, the file otherwise.
    void baseDesignee() {
        QTemporaryDir dossier;
        modBD::DefinirDossierProgramme(dossier.path());
        QCOMPARE(modBD::BaseDuDossierProgramme(), QDir(dossier.path()).filePath(QStringLiteral("BD.mdb")));
        const QString ini = Ecrire(dossier, "[base]\nmoteur=sqlite\n");
        QCOMPARE(modBD::BaseDuDossierProgramme(), ini);
        modBD::DefinirDossierProgramme(QString());

        TestSupport::BaseTest base;
        QCOMPARE(modBD::BasePourAutreProgramme(), base.cheminBase());
        QCOMPARE(modBD::CopiesPossibles(), !TestSupport::SurServeur());
    }

    // Copies of a server base are the server's business: both menu items say so and do nothing
    // else (no file dialog, no folder), and no automatic copy starts.
    void copiesSurServeur() {
        if (!TestSupport::SurServeur()) QSKIP("needs the test server (run again on it by the test command)");
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());
        f.LancerCopieAutomatique();
        QVERIFY(f.CopieAutomatique() == nullptr);
        f.mnuSauvegarder_Click();
        f.mnuRestaurer_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 2);
        for (const Toolkit::Message& m : Toolkit::Test::Messages())
            QVERIFY2(m.texte.contains(QStringLiteral("pg_dump")) && m.texte.contains(QStringLiteral("sur le serveur")),
                     qPrintable(m.texte));
        QVERIFY(Toolkit::Test::DialoguesFichier().isEmpty());
        QVERIFY(!QFileInfo::exists(modBD::DossierSauvegardes()));
        QVERIFY(!QFileInfo::exists(base.chemin()));
    }

    // The report tool on a server base: handed the settings file, it opens the same base in a
    // session that refuses every write.
    void rapportsEnLectureSeule() {
        if (!TestSupport::SurServeur()) QSKIP("needs the test server (run again on it by the test command)");
        TestSupport::BaseTest base;
        base.AjouterPiece(QStringLiteral("Hamlet"));
        modBD::FermerConnexion();
        const TestSupport::Ouverture o = TestSupport::OuvrirLecture(base.cheminBase());
        QVERIFY2(o.echec == modBD::EchecOuverture::Aucun, qPrintable(o.message));
        QVERIFY(!modBD::CopiesPossibles());  // a server base
        QCOMPARE(modBD::ListePieces(), QStringList{QStringLiteral("Hamlet")});
        try {
            modBD::AjouterPiece(QStringLiteral("Tartuffe"));
            QFAIL("the report tool's session accepted a write");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(QStringLiteral("lecture seule")), qPrintable(e.message()));
        }
        QVERIFY(modBD::OuvrirConnexion());
        QCOMPARE(base.Compter(QStringLiteral("Piece")), qint64(1));
    }

    // The administrator's account for the clerks: rights on the six tables only. It cannot
    // create them (a French message, the program ends, nothing created); once they exist it works.
    void compteDuGuichet() {
        if (!TestSupport::SurServeur()) QSKIP("needs the test server (run again on it by the test command)");
        QTemporaryDir dossier;
        const QString base = TestSupport::CreerBaseServeurVide();
        const QString role = QStringLiteral("guichet_%1").arg(QCoreApplication::applicationPid());
        DonnerDroitsGuichet(base, role);
        TestSupport::EcrireReglagesServeur(dossier.path(), base, role);
        modBD::DefinirDossierProgramme(dossier.path());

        Toolkit::Test::RepondreProchain(Reponse::Oui);
        {
            frmMain f;
            QVERIFY(!f.Form_Load());
        }
        const Toolkit::Message refus = Toolkit::Test::DernierMessage();
        QVERIFY2(refus.texte.contains(QStringLiteral("n'a pas le droit de créer")) && refus.texte.contains(role),
                 qPrintable(refus.texte));
        QVERIFY2(refus.texte.contains(QStringLiteral("Rien n'a été créé")), qPrintable(refus.texte));
        QVERIFY(Toolkit::Test::ProgrammeTermine());

        // The administrator creates the tables and grants the rights: the clerk's account works.
        TestSupport::EcrireReglagesServeur(dossier.path(), base);
        modBD::CreerTablesServeur();
        DonnerDroitsTables(base, role);
        TestSupport::EcrireReglagesServeur(dossier.path(), base, role);
        Toolkit::Test::Reinitialiser();
        const TestSupport::Ouverture o = TestSupport::Ouvrir();
        QVERIFY2(o.echec == modBD::EchecOuverture::Aucun, qPrintable(o.message));
        QCOMPARE(modBD::AjouterPiece(QStringLiteral("Hamlet")), modBD::ResultatAjout::Ajoute);
        QCOMPARE(modBD::AjouterRepresentation(modBD::ObtenirNoPiece(QStringLiteral("Hamlet")), QStringLiteral("2026-12-24")),
                 modBD::ResultatAjout::Ajoute);
        QCOMPARE(modBD::AjouterVendeur(QStringLiteral("Alice"), false), modBD::ResultatAjout::Ajoute);
        modBD::Commande c{QStringLiteral("2026-12-07"), Montant::Centimes(1000), QStringLiteral("Gagnon"), QString(),
                          QStringLiteral("0"), QStringLiteral("Alice"),
                          {{QStringLiteral("Hamlet"), QStringLiteral("2026-12-24"), QStringLiteral("1"), QStringLiteral("0"),
                            Montant::Centimes(1000), QStringLiteral("Non")}},
                          {}};
        const QString no = modBD::EnregistrerCommande(c);
        // The cancellations' table made by the administrator: the account uses it, never creates it again.
        QCOMPARE(modBD::AnnulerCommande(no.toLongLong(), QStringLiteral("2026-12-08"), QStringLiteral("au téléphone")),
                 modBD::ResultatAnnulation::Fait);
        // An evening table missing on the server: read as nothing set; a write tells the SQL to run.
        TestSupport::ExecuterSurServeur(QStringLiteral("DROP TABLE CapaciteRepresentation"), base);
        const qint64 rep = modBD::ObtenirNoRepresentation(modBD::ObtenirNoPiece(QStringLiteral("Hamlet")), QStringLiteral("2026-12-24")).toLongLong();
        QCOMPARE(modBD::PlacesRestantes(rep), std::nullopt);
        try {
            modBD::EnregistrerCapacite(rep, 100);
            QFAIL("a capacity was reported written without its table");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(QStringLiteral("CREATE TABLE CapaciteRepresentation")) &&
                         e.message().contains(QStringLiteral("administrateur")) &&
                         e.message().contains(QStringLiteral("rien n'a été enregistré")),
                     qPrintable(e.message()));
        }
        QVERIFY(!modBD::TablePresente(modBD::kTableCapacites));
        // The tables the administrator made and granted: the account checks a party in.
        QCOMPARE(modBD::NoterArrivee(no.toLongLong(), rep, modBD::Arrivee::Toute), std::nullopt);  // cancelled above
        QCOMPARE(modBD::RetablirCommande(no.toLongLong()), modBD::ResultatAnnulation::Fait);
        QCOMPARE(modBD::NoterArrivee(no.toLongLong(), rep, modBD::Arrivee::Toute), std::optional<qlonglong>(1));
        // Anything beyond the six tables is refused, in French.
        try {
            modBD::Executer(QStringLiteral("CREATE TABLE Autre (x integer)"));
            QFAIL("the clerk's account created a table");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(QStringLiteral("n'a pas le droit")), qPrintable(e.message()));
        }
        modBD::FermerConnexion();
        modBD::DefinirDossierProgramme(QString());
        TestSupport::SupprimerBaseServeur(base);
        TestSupport::ExecuterSurServeur(QStringLiteral("DROP ROLE %1").arg(role));
    }
};

QTEST_MAIN(TestReglages)
#include "tst_Reglages.moc"
