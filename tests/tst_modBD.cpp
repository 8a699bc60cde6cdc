#include "TestSupport.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Soiree.h"
#include "modBD_Compagnie.h"
#include "modBD_Catalogue.h"
#include "modBD_Changements.h"
#include "modBD_Commandes.h"

#include <QElapsedTimer>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::Empreinte;

class TestModBD : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    // One file however it is named; two names that merely look alike are two files.
    void memeFichier() {
        QTemporaryDir dossier;
        const QDir d(dossier.path());
        const QString bd = d.filePath(QStringLiteral("BD.mdb"));
        QVERIFY(modBD::MemeFichier(bd, bd));  // not there yet: the same path is still the same file
        QVERIFY(!modBD::MemeFichier(bd, d.filePath(QStringLiteral("bd.mdb"))));
        QFile f(bd);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(d.mkdir(QStringLiteral("sous")));
        QVERIFY(modBD::MemeFichier(d.filePath(QStringLiteral("sous/../BD.mdb")), bd));
        QVERIFY(QFile::link(bd, d.filePath(QStringLiteral("lien.mdb"))));
        QVERIFY(modBD::MemeFichier(d.filePath(QStringLiteral("lien.mdb")), bd));
        QVERIFY(QFile::copy(bd, d.filePath(QStringLiteral("copie.mdb"))));
        QVERIFY(!modBD::MemeFichier(d.filePath(QStringLiteral("copie.mdb")), bd));
    }

    void ouvertureFichierPresent() {
        TestSupport::BaseTest base(false);
        QCOMPARE(TestSupport::Ouvrir().echec, modBD::EchecOuverture::Aucun);
        QVERIFY(modBD::ConnexionOuverte());
        // A second call replaces the connection by a new open one.
        QVERIFY(modBD::OuvrirConnexion());
        QVERIFY(modBD::ConnexionOuverte());
        QVERIFY(Toolkit_AucunMessage());
        modBD::FermerConnexion();
        QVERIFY(!modBD::ConnexionOuverte());
    }

    void ouvertureFichierAbsentNeCreeRien() {
        QTemporaryDir dossier;
        modBD::DefinirDossierProgramme(dossier.path());
        QVERIFY(!modBD::OuvrirConnexion());
        const TestSupport::Ouverture o = TestSupport::Ouvrir();
        QCOMPARE(o.echec, modBD::EchecOuverture::FichierAbsent);
        QVERIFY(o.message.contains(QStringLiteral("BD.mdb")));
        QVERIFY(!QFile::exists(QDir(dossier.path()).filePath("BD.mdb")));
        QVERIFY(Toolkit_AucunMessage());
        // Reads now fail with a French message instead of crashing.
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::ListePieces());
        modBD::DefinirDossierProgramme(QString());
    }

    void ouvertureFichierInutilisable_data() {
        QTest::addColumn<QByteArray>("contenu");
        QTest::newRow("texte") << QByteArray("Ceci n'est pas une base de données.\n").repeated(50);
        QTest::newRow("fichier d'un autre moteur") << QByteArray("Standard Jet DB\0\0\0\0", 19).append(2000, '\x01');
        QTest::newRow("vide") << QByteArray();
    }
    void ouvertureFichierInutilisable() {
        QFETCH(QByteArray, contenu);
        QTemporaryDir dossier;
        const QString chemin = QDir(dossier.path()).filePath("BD.mdb");
        {
            QFile f(chemin);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contenu);
        }
        const QByteArray avant = Empreinte(chemin);
        modBD::DefinirDossierProgramme(dossier.path());
        QVERIFY(!modBD::OuvrirConnexion());
        const TestSupport::Ouverture o = TestSupport::Ouvrir();
        QCOMPARE(o.echec, modBD::EchecOuverture::FichierInutilisable);
        QVERIFY(o.message.contains(QStringLiteral("ne peut pas être ouverte")));
        QCOMPARE(Empreinte(chemin), avant);  // untouched
        QCOMPARE(QFileInfo(chemin).size(), qint64(contenu.size()));
        modBD::DefinirDossierProgramme(QString());
    }

    void ouvertureSansLesTables() {
        // A real SQLite file that is not ours: refused, and left as it was.
        QTemporaryDir dossier;
        const QString chemin = QDir(dossier.path()).filePath("BD.mdb");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "autre");
            db.setDatabaseName(chemin);
            QVERIFY(db.open());
            QSqlQuery(db).exec("CREATE TABLE Autre (x)");
            db.close();
        }
        QSqlDatabase::removeDatabase("autre");
        const QByteArray avant = Empreinte(chemin);
        modBD::DefinirDossierProgramme(dossier.path());
        const TestSupport::Ouverture o = TestSupport::Ouvrir();
        QCOMPARE(o.echec, modBD::EchecOuverture::FichierInutilisable);
        QVERIFY(o.message.contains(QStringLiteral("Vendeur")));
        QCOMPARE(Empreinte(chemin), avant);
        modBD::DefinirDossierProgramme(QString());
    }

    void creationRefuseFichierExistant() {
        TestSupport::BaseTest base;
        base.AjouterPiece("Tartuffe");
        // On a server, tables all there are left as they are (another station made them a
        // moment ago); some of them only is refused as a whole, the rows untouched.
        if (TestSupport::SurServeur()) {
            modBD::CreerTablesServeur();
            QCOMPARE(base.Compter("Piece"), qint64(1));
            TestSupport::ExecuterSurServeur(QStringLiteral("DROP TABLE InventaireBillets"), base.baseServeur());
            QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::CreerTablesServeur());
            QVERIFY(!modBD::TablePresente(QStringLiteral("InventaireBillets")));
        } else
            QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::CreerBaseVide(base.chemin()));
        QCOMPARE(base.Compter("Piece"), qint64(1));
    }

    void creationSixTables() {
        TestSupport::BaseTest base;
        for (const QString& table : modBD::TablesRequises()) QCOMPARE(base.Compter(table), qint64(0));
        QCOMPARE(modBD::TablesPresentes(), modBD::TablesRequises());
        if (!TestSupport::SurServeur())
            QCOMPARE(base.Compter("sqlite_master", "type = 'table' AND name NOT LIKE 'sqlite_%'"), qint64(10));
        // The evening's four tables come with a new base, on both engines (the schema test checks
        // that both schema files hold them alike).
        for (const QString& t : {modBD::kTableCapacites, modBD::kTableTarifs, modBD::kTableArrivees,
                                 modBD::kTableReglagesBilletterie}) {
            QVERIFY2(modBD::TablePresente(t), qPrintable(t));
            QVERIFY(modBD::SchemaSql().contains(QStringLiteral("CREATE TABLE %1 (").arg(t)));
        }
    }

    void marqueComedien_data() {
        QTest::addColumn<QString>("affiche");
        QTest::addColumn<QString>("nom");
        QTest::newRow("marque retiree") << "Anne (C)" << "Anne";
        QTest::newRow("sans blanc") << "Anne(C)" << "Anne(C)";
        QTest::newRow("c minuscule") << "Anne (c)" << "Anne (c)";
        QTest::newRow("sans marque") << "Anne" << "Anne";
        QTest::newRow("une seule fois") << "Anne (C) (C)" << "Anne (C)";
        QTest::newRow("marque seule") << " (C)" << "";
        QTest::newRow("blanc final garde") << "Anne (C) " << "Anne (C) ";
    }
    void marqueComedien() {
        QFETCH(QString, affiche);
        QFETCH(QString, nom);
        QCOMPARE(modBD::RetirerMarqueComedien(affiche), nom);
    }

    void recherchesParNom() {
        TestSupport::BaseTest base;
        const qint64 avare = base.AjouterPiece("L'Avare");
        const qint64 cid = base.AjouterPiece("Le \"Cid\"");
        const qint64 r1 = base.AjouterRepresentation(avare, "2026-12-24");
        const qint64 r2 = base.AjouterRepresentation(cid, "2026-12-24");
        const qint64 anne = base.AjouterVendeur("Anne", true);
        const qint64 annec = base.AjouterVendeur("Anne(C)");
        const qint64 quote = base.AjouterVendeur("O'Neil \"Bob\"");

        QCOMPARE(modBD::ObtenirNoPiece("L'Avare"), QString::number(avare));
        QCOMPARE(modBD::ObtenirNoPiece("Le \"Cid\""), QString::number(cid));
        QCOMPARE(modBD::ObtenirNoPiece("l'avare"), QString());  // exact, case counts
        QCOMPARE(modBD::ObtenirNoPiece("\" OR 1=1 --"), QString());
        QCOMPARE(modBD::ObtenirNoRepresentation(QString::number(avare), "2026-12-24"), QString::number(r1));
        QCOMPARE(modBD::ObtenirNoRepresentation(QString::number(cid), "2026-12-24"), QString::number(r2));
        QCOMPARE(modBD::ObtenirNoRepresentation(QString::number(cid), "2026-12-25"), QString());
        QCOMPARE(modBD::ObtenirNoRepresentation(QString(), "2026-12-24"), QString());
        QCOMPARE(modBD::ObtenirNoRepresentation("1 OR 1=1", "x' OR '1'='1"), QString());

        QCOMPARE(modBD::ObtenirNoVendeur("Anne (C)").value(), qint16(anne));
        QCOMPARE(modBD::ObtenirNoVendeur("Anne").value(), qint16(anne));
        QCOMPARE(modBD::ObtenirNoVendeur("Anne(C)").value(), qint16(annec));
        QVERIFY(!modBD::ObtenirNoVendeur("Anne (c)").has_value());
        QCOMPARE(modBD::ObtenirNoVendeur("O'Neil \"Bob\"").value(), qint16(quote));
        QVERIFY(!modBD::ObtenirNoVendeur(QString()).has_value());
    }

    void premiereLigneEnCasDeDoublon() {
        TestSupport::BaseTest base;
        const qint64 premier = base.AjouterPiece("Phèdre");
        base.AjouterPiece("Phèdre");  // only the report tool could do this; the lookup still takes the first
        QCOMPARE(modBD::ObtenirNoPiece("Phèdre"), QString::number(premier));
    }

    void numerosJamaisRedonnes() {
        TestSupport::BaseTest base;
        const qint64 a = base.AjouterPiece("A");
        const qint64 b = base.AjouterPiece("B");
        modBD::Executer("DELETE FROM Piece WHERE NoPiece = ?", {b});
        QVERIFY(base.AjouterPiece("C") > b);
        const qint64 v = base.AjouterVendeur("V");
        modBD::Executer("DELETE FROM Vendeur");
        QVERIFY(base.AjouterVendeur("W") > v);
        const qint64 r = base.AjouterRepresentation(a, "2026-01-01");
        modBD::Executer("DELETE FROM Representation");
        QVERIFY(base.AjouterRepresentation(a, "2026-01-01") > r);
    }

    void listesEtOrdre() {
        TestSupport::BaseTest base;
        base.AjouterPiece("Zadig");
        base.AjouterPiece("Andromaque");
        QCOMPARE(modBD::ListePieces(), (QStringList{"Zadig", "Andromaque"}));  // table order
        base.AjouterVendeur("zoé");
        base.AjouterVendeur("Éric", true);
        base.AjouterVendeur("anne");
        base.AjouterVendeur("Bruno");
        // Name order as a French reader expects it: accents and case do not push a name to the end.
        QCOMPARE(modBD::ListeVendeursAffiches(), (QStringList{"anne", "Bruno", "Éric (C)", "zoé"}));
        QCOMPARE(modBD::ListeVendeurs().size(), 4);
        QCOMPARE(modBD::ListeVendeurs().at(1).nom, QStringLiteral("Éric"));
        QVERIFY(modBD::ListeVendeurs().at(1).comedien);
    }

    void texteVideEcritCommeTexteVide() {
        TestSupport::BaseTest base;
        modBD::Executer("INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire) "
                        "VALUES (?, ?, ?, ?, ?)", {1, 1, 5, "2026-12-07", QString()});
        QCOMPARE(base.Compter("InventaireBillets", "Commentaire = ''"), qint64(1));
    }

    void fichierEfaceOuRemplacePendantLaSession() {
        if (TestSupport::SurServeur()) QSKIP("a server base has no file to delete or replace");
        TestSupport::BaseTest base;
        base.AjouterPiece("Avant");
        // Deleted behind the program's back: SQLite would go on writing into the lost file.
        const QString ailleurs = base.chemin() + ".deplace";
        QVERIFY(QFile::rename(base.chemin(), ailleurs));
        try {
            modBD::Transaction t;
            QFAIL("a write was accepted into a file that is gone");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(QStringLiteral("introuvable")), qPrintable(e.message()));
        }
        // Replaced by another file of the same name (another program restored a copy): a read is
        // served from the new file, reopened by itself, and the clerk is to be told once.
        QVERIFY(QFile::copy(ailleurs, base.chemin()));
        QCOMPARE(modBD::ListePieces(), QStringList{"Avant"});
        QVERIFY2(modBD::AvisBaseRemplacee().contains(QStringLiteral("remplacée")), "the replacement went unsaid");
        QCOMPARE(modBD::AvisBaseRemplacee(), QString());
        // A write is refused, in neither file: what the clerk typed came from the old file's lists.
        QVERIFY(QFile::remove(ailleurs));
        QVERIFY(QFile::copy(base.chemin(), ailleurs));
        QVERIFY(QFile::remove(base.chemin()));
        QVERIFY(QFile::copy(ailleurs, base.chemin()));
        try {
            modBD::Transaction t;
            QFAIL("a write was accepted into a file that was replaced");
        } catch (const modBD::ErreurBD& e) {
            QCOMPARE(e.nature(), modBD::NatureErreur::BaseRemplacee);
            QVERIFY2(!e.message().contains(QStringLiteral("redémarrez")), qPrintable(e.message()));
        }
        modBD::Executer("INSERT INTO Piece (NomPiece) VALUES ('Après')");
        QCOMPARE(modBD::ListePieces(), (QStringList{"Avant", "Après"}));
    }

    // What changed is said once its unit is committed, never for a unit rolled back or a write
    // refused, and a window hearing it already reads the new rows.
    void changementsDitsApresValidation() {
        TestSupport::BaseTest base;
        modBD::Changements& c = modBD::Changements::Instance();
        QSignalSpy catalogue(&c, &modBD::Changements::CatalogueChange);
        QSignalSpy stock(&c, &modBD::Changements::StockChange);
        QSignalSpy commandes(&c, &modBD::Changements::CommandesChangees);
        {
            modBD::Transaction t;
            modBD::SignalerChangement(modBD::Domaine::Catalogue);
        }
        QCOMPARE(catalogue.count(), 0);
        {
            modBD::Transaction t;
            modBD::SignalerChangement(modBD::Domaine::Catalogue);
            modBD::SignalerChangement(modBD::Domaine::Stock);
            modBD::SignalerChangement(modBD::Domaine::Catalogue);
            QCOMPARE(catalogue.count() + stock.count(), 0);
            t.Valider();
        }
        QCOMPARE(catalogue.count(), 1);
        QCOMPARE(stock.count(), 1);

        QStringList lues;
        const QMetaObject::Connection lien =
            connect(&c, &modBD::Changements::CatalogueChange, this, [&lues] { lues = modBD::ListePieces(); });
        QCOMPARE(modBD::AjouterPiece("Hamlet"), modBD::ResultatAjout::Ajoute);
        QCOMPARE(lues, QStringList{"Hamlet"});
        QCOMPARE(modBD::AjouterPiece("HAMLET"), modBD::ResultatAjout::Doublon);
        QCOMPARE(catalogue.count(), 2);
        disconnect(lien);

        QCOMPARE(modBD::AjouterRepresentation(modBD::ObtenirNoPiece("Hamlet"), "2026-12-24"), modBD::ResultatAjout::Ajoute);
        QCOMPARE(modBD::AjouterVendeur("Anne", false), modBD::ResultatAjout::Ajoute);
        modBD::Commande commande{"2026-12-07", Montant::Centimes(1000), "Gagnon", "", "0", "Anne",
                                 {{"Hamlet", "2026-12-24", "0", "1", Montant::Centimes(1000), "Non"}}, {}};
        modBD::EnregistrerCommande(commande);
        QCOMPARE(commandes.count(), 1);
        commande.lignes.first().dateRepresentation = "2031-01-01";  // no such performance: nothing written
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::EnregistrerCommande(commande));
        QCOMPARE(commandes.count(), 1);
        QCOMPARE(stock.count(), 1);
    }

    // A file replaced behind the program's back: noticed by a window's read, said on the next
    // turn of the event loop (the reading window is not torn down under its own feet).
    void baseRemplaceeDite() {
        if (TestSupport::SurServeur()) QSKIP("a server base has no file to replace");
        TestSupport::BaseTest base;
        base.AjouterPiece("Avant");
        QCoreApplication::processEvents();  // what earlier tests' replacements said
        QSignalSpy remplacee(&modBD::Changements::Instance(), &modBD::Changements::BaseRemplacee);
        const QString copie = base.chemin() + ".copie";
        QVERIFY(QFile::copy(base.chemin(), copie));
        QVERIFY(QFile::remove(base.chemin()));
        QVERIFY(QFile::rename(copie, base.chemin()));
        QCOMPARE(modBD::ListePieces(), QStringList{"Avant"});
        QCOMPARE(remplacee.count(), 0);
        QTRY_COMPARE(remplacee.count(), 1);
        modBD::AvisBaseRemplacee();
    }

    void transactionToutOuRien() {
        TestSupport::BaseTest base;
        {
            modBD::Transaction t;
            base.AjouterPiece("Dans la transaction");
            // no Valider(): rolled back when it goes out of scope
        }
        QCOMPARE(base.Compter("Piece"), qint64(0));
        {
            modBD::Transaction t;
            base.AjouterPiece("Validée");
            t.Valider();
        }
        QCOMPARE(base.Compter("Piece"), qint64(1));
        // A unit inside another is refused: its commit would otherwise end the outer one half-way.
        {
            modBD::Transaction t;
            base.AjouterPiece("Dehors");
            QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::AjouterPiece("Dedans"));
        }
        QCOMPARE(base.Compter("Piece"), qint64(1));
        // A statement that failed inside a unit forbids its commit: never a silent rollback read as success.
        {
            modBD::Transaction t;
            base.AjouterPiece("Avant l'échec");
            QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::Executer("INSERT INTO Piece (NomPiece) VALUES (NULL)"));
            QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, t.Valider());
        }
        QCOMPARE(base.Compter("Piece"), qint64(1));
        QCOMPARE(modBD::AjouterPiece("Après"), modBD::ResultatAjout::Ajoute);
    }

    void fichierVerrouilleParUnAutre() {
        TestSupport::BaseTest base;
        TestSupport::VerrouAutreProgramme verrou(base, false);
        QElapsedTimer chrono;
        chrono.start();
        try {
            // The file refuses at BEGIN, the server at the first write.
            modBD::Transaction t;
            modBD::Executer("INSERT INTO Piece (NomPiece) VALUES (?)", {"X"});
            QFAIL("the lock should have been refused");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(QStringLiteral("occupée")), qPrintable(e.message()));
        }
        QVERIFY(chrono.elapsed() < 5000);  // the clerk waits a moment, not forever
        verrou.Liberer();
        QCOMPARE(base.Compter("Piece"), qint64(0));
    }

    void fichierEnLectureSeule() {
        TestSupport::BaseTest base(false);
        if (::geteuid() != 0 && !TestSupport::SurServeur()) {
            QFile::setPermissions(base.chemin(), QFileDevice::ReadOwner | QFileDevice::ReadUser);
            QVERIFY(modBD::OuvrirConnexion());  // can still be read
        } else {
            // Root writes through file permissions: make the connection itself read-only instead.
            QVERIFY(modBD::OuvrirConnexion());
            TestSupport::RefuserEcritures(true);
        }
        QCOMPARE(base.Compter("Piece"), qint64(0));
        try {
            modBD::Executer("INSERT INTO Piece (NomPiece) VALUES (?)", {"X"});
            QFAIL("a read-only file accepted a write");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(QStringLiteral("lecture seule")), qPrintable(e.message()));
        }
    }

private:
    static bool Toolkit_AucunMessage() { return Toolkit::Test::Messages().isEmpty(); }
};

QTEST_MAIN(TestModBD)
#include "tst_modBD.moc"
