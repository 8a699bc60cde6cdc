// Copies of BD.mdb: whole while the base is written, never in the writers' way, never under a
// final name unless checked, rotated only after a checked copy, and restored exactly.
#include "TestSupport.h"
#include "modBD.h"
#include "modBD_Commandes.h"
#include "modBD_Sauvegarde.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlError>
#include <QTemporaryDir>
#include <QApplication>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstring>

#include <unistd.h>

using TestSupport::FichiersDe;
namespace {

// Every row of the six tables of a file, read through a connection of its own.
QString ContenuFichier(const QString& chemin) {
    static int numero = 0;
    const QString nom = QStringLiteral("lecture-%1").arg(++numero);
    QString texte = QStringLiteral("<illisible>");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.setDatabaseName(chemin);
        if (db.open()) {
            QStringList lignes;
            for (const QString& table : modBD::TablesRequises()) {
                QSqlQuery q(db);
                if (!q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table))) lignes << q.lastError().text();
                lignes << table;
                while (q.next()) {
                    QStringList champs;
                    for (int i = 0; i < q.record().count(); ++i) champs << q.value(i).toString();
                    lignes << champs.join(QLatin1Char('|'));
                }
            }
            texte = lignes.join(QLatin1Char('\n'));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    return texte;
}

// A history of some size: orders with their lines and stock movements with long comments.
void Remplir(int commandes, int mouvements, int longueurTexte) {
    modBD::Transaction t;
    QSqlQuery client(modBD::Connexion()), ligne(modBD::Connexion()), mouvement(modBD::Connexion());
    client.prepare("INSERT INTO InfoClientReservation (DateReservation, MontantTotal, NomClient, TelephoneClient, NbForfaits) "
                   "VALUES ('2026-12-07', 25.5, ?, '555-1234', 1)");
    ligne.prepare("INSERT INTO InfoReservation (NoClient, NoRepresentation, NbEnfant, NbAdulte, Cout, VentePorte, NoVendeur) "
                  "VALUES (?, 1, 1, 2, 25.5, 0, 1)");
    mouvement.prepare("INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire) "
                      "VALUES (1, 1, ?, '2026-12-07', ?)");
    const QString remplissage(longueurTexte, QLatin1Char('x'));
    for (int i = 0; i < commandes; ++i) {
        client.addBindValue(QStringLiteral("Client %1 ").arg(i) + remplissage.left(longueurTexte / 4));
        QVERIFY(client.exec());
        const qint64 no = client.lastInsertId().toLongLong();
        for (int l = 0; l < 3; ++l) {
            ligne.addBindValue(no);
            QVERIFY(ligne.exec());
        }
    }
    for (int i = 0; i < mouvements; ++i) {
        mouvement.addBindValue(i % 50 - 25);
        mouvement.addBindValue(QStringLiteral("Mouvement %1 ").arg(i) + remplissage);
        QVERIFY(mouvement.exec());
    }
    t.Valider();
}

void Commander(QSqlDatabase db, const QString& client) {
    QSqlQuery q(db);
    q.prepare("INSERT INTO InfoClientReservation (DateReservation, MontantTotal, NomClient, TelephoneClient, NbForfaits) "
              "VALUES ('2026-12-08', 10, ?, '', 0)");
    q.addBindValue(client);
    if (!q.exec()) throw modBD::ErreurBD(modBD::MessageErreur(q.lastError()));
}

QSqlDatabase AutreConnexion(const QString& nom, const QString& chemin) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    db.setDatabaseName(chemin);
    if (!db.open()) qFatal("cannot open a second connection");
    return db;
}


void CreerFichier(const QString& chemin, const QByteArray& contenu = "copie") {
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot create a test file");
    f.write(contenu);
}

// The child of the kill test: makes an automatic copy, slowly, until it is killed.
[[noreturn]] void CopieEnfant(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    modBD::DefinirDossierProgramme(QString::fromLocal8Bit(argv[2]));
    if (!modBD::OuvrirConnexion()) std::exit(3);
    const QString dossier = modBD::DossierSauvegardes();
    modBD::CopieBD copie(QDir(dossier).filePath(modBD::NomCopieAutomatique(QDateTime::currentDateTime())), true);
    copie.DefinirCadence(1, 5);
    QObject::connect(&copie, &modBD::CopieBD::Terminee, &app, [](bool, const QString&) { std::exit(4); });
    copie.Demarrer();
    QTimer::singleShot(0, &app, [] {
        std::fputs("copie\n", stdout);
        std::fflush(stdout);
    });
    std::exit(app.exec());
}

// A station of its own (another program on the same BD.mdb), started at once.
struct AutrePoste {
    QProcess processus;
    QString sortie;
    AutrePoste(const TestSupport::BaseTest& base, const QStringList& action) {
        const QString depart = QDir(base.dossier()).filePath("depart");
        QFile(depart).open(QIODevice::WriteOnly);
        QObject::connect(&processus, &QProcess::readyReadStandardOutput, &processus,
                         [this] { sortie += QString::fromUtf8(processus.readAllStandardOutput()); });
        processus.start(QStringLiteral(CORV_POSTE_TEST), QStringList{base.dossier(), depart} + action);
    }
    QStringList Lignes(const QString& debut) const {
        QStringList l;
        for (const QString& ligne : sortie.split('\n'))
            if (ligne.startsWith(debut)) l << ligne;
        return l;
    }
};

// The number of orders of that client in a file, read through a connection of its own.
qint64 CommandesDe(const QString& chemin, const QString& client) {
    static int numero = 0;
    const QString nom = QStringLiteral("compte-%1").arg(++numero);
    qint64 n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.setDatabaseName(chemin);
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare("SELECT COUNT(*) FROM InfoClientReservation WHERE NomClient = ?");
            q.addBindValue(client);
            if (q.exec() && q.next()) n = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    return n;
}

// The program's start: the day's copy when one is due, as the window makes it.
bool Demarrage(const QDateTime& maintenant) {
    if (!modBD::CopieAutomatiqueDue(maintenant)) return false;
    modBD::CopieBD(QDir(modBD::DossierSauvegardes()).filePath(modBD::NomCopieAutomatique(maintenant)), true).Faire();
    return true;
}

}  // namespace

class TestSauvegarde : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    void nomsEcheanceEtRotation() {
        const QDateTime moment(QDate(2026, 12, 7), QTime(9, 5, 3));
        QCOMPARE(modBD::NomCopieAutomatique(moment), QStringLiteral("BD-20261207-090503.mdb"));
        QCOMPARE(modBD::NomCopieAvantRestauration(moment), QStringLiteral("BD-20261207-090503-avant-restauration.mdb"));
        QCOMPARE(modBD::MomentCopieAutomatique("BD-20261207-090503.mdb"), std::optional<QDateTime>(moment));
        for (const char* autre : {"BD-20261207-090503-avant-restauration.mdb", "BD-20261340-090503.mdb", "BD-2026127-090503.mdb",
                                  "BD-20261207-090503.mdb.partielle", "copie-BD-20261207-090503.mdb", "BD.mdb"})
            QVERIFY2(!modBD::MomentCopieAutomatique(autre), autre);

        TestSupport::BaseTest base;
        const QString dossier = modBD::DossierSauvegardes();
        QVERIFY(modBD::CopieAutomatiqueDue(moment));  // no folder yet
        QVERIFY(QDir().mkpath(dossier));
        CreerFichier(QDir(dossier).filePath(modBD::NomCopieAvantRestauration(moment)));
        QVERIFY2(modBD::CopieAutomatiqueDue(moment), "a copy made before a restore is not the day's copy");
        CreerFichier(QDir(dossier).filePath(modBD::NomCopieAutomatique(moment.addSecs(-19 * 3600))));
        QVERIFY(!modBD::CopieAutomatiqueDue(moment));
        QVERIFY(modBD::CopieAutomatiqueDue(moment.addSecs(3600)));  // 20 hours
        // A copy dated later the same day: the clock was put back, and the day's copy exists.
        QVERIFY(!modBD::CopieAutomatiqueDue(moment.addSecs(-20 * 3600)));
        // Dated on a later day: one copy now, which is then the day's copy.
        QVERIFY(modBD::CopieAutomatiqueDue(moment.addDays(-2)));

        // 35 automatic copies a day apart, a copy made before a restore, a manual one with another name.
        for (int j = 0; j < 35; ++j) CreerFichier(QDir(dossier).filePath(modBD::NomCopieAutomatique(moment.addDays(-j - 1))));
        CreerFichier(QDir(dossier).filePath(modBD::NomCopieAvantRestauration(moment.addDays(-60))));
        CreerFichier(QDir(dossier).filePath("ma copie.mdb"));
        const QString nouvelle = modBD::NomCopieAutomatique(moment);
        CreerFichier(QDir(dossier).filePath(nouvelle));
        const QStringList supprimees = modBD::SupprimerAnciennesCopies(dossier, nouvelle);
        QCOMPARE(supprimees.size(), 37 - 31);
        const QStringList restantes = modBD::CopiesAutomatiques(dossier);
        QCOMPARE(restantes.size(), 31);
        QCOMPARE(restantes.first(), nouvelle);
        // 30 days of use: the new one's, the day before (the copy of 19 hours ago and the one of
        // the day before share it), and the 28 days before.
        QCOMPARE(restantes.last(), modBD::NomCopieAutomatique(moment.addDays(-29)));
        for (const QString& s : supprimees) QVERIFY(*modBD::MomentCopieAutomatique(s) < moment.addDays(-29));
        QVERIFY(QFile::exists(QDir(dossier).filePath(modBD::NomCopieAvantRestauration(moment))));
        QVERIFY(QFile::exists(QDir(dossier).filePath(modBD::NomCopieAvantRestauration(moment.addDays(-60)))));
        QVERIFY(QFile::exists(QDir(dossier).filePath("ma copie.mdb")));

        // A copy dated before all the others (a clock put back) is the one kept first.
        const QString ancienne = modBD::NomCopieAutomatique(moment.addYears(-1));
        CreerFichier(QDir(dossier).filePath(ancienne));
        QCOMPARE(modBD::SupprimerAnciennesCopies(dossier, ancienne).size(), 1);
        QVERIFY(modBD::CopiesAutomatiques(dossier).contains(ancienne));
        QCOMPARE(modBD::CopiesAutomatiques(dossier).size(), 31);
    }

    // Writes of the program's connection and of another one go on during the copy; the copy holds
    // exactly the base as it was when its last page was copied.
    void copieEgaleLaBaseMalgreLesEcritures() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        base.AjouterRepresentation(base.AjouterPiece("Pièce"), "2026-12-24");
        Remplir(2000, 8000, 200);
        QSqlDatabase autre = AutreConnexion("autre-ecrivain", base.chemin());
        const QString final = QDir(modBD::DossierSauvegardes()).filePath("BD-20261207-120000.mdb");
        modBD::CopieBD copie(final, true);
        copie.DefinirCadence(16, 2);
        int ecritesProgramme = 0, ecritesAutre = 0;
        QStringList refus;
        QTimer programme, autreEcrivain;
        connect(&programme, &QTimer::timeout, [&] {
            try {
                modBD::Transaction t;
                Commander(modBD::Connexion(), QStringLiteral("Programme %1").arg(ecritesProgramme));
                modBD::Executer("UPDATE InventaireBillets SET Commentaire = ? WHERE NoMouvement = ?",
                                {QStringLiteral("modifié %1").arg(ecritesProgramme), 1 + ecritesProgramme * 97});
                t.Valider();
                ++ecritesProgramme;
            } catch (const modBD::ErreurBD& e) {
                refus << e.message();
            }
        });
        connect(&autreEcrivain, &QTimer::timeout, [&] {
            try {
                Commander(autre, QStringLiteral("Autre %1").arg(ecritesAutre));
                ++ecritesAutre;
            } catch (const modBD::ErreurBD& e) {
                refus << e.message();
            }
        });
        QString instantane;
        int ecritesProgrammeAvant = 0, ecritesAutreAvant = 0;
        connect(&copie, &modBD::CopieBD::DonneesCopiees, [&] {
            programme.stop();
            autreEcrivain.stop();
            ecritesProgrammeAvant = ecritesProgramme;
            ecritesAutreAvant = ecritesAutre;
            instantane = ContenuFichier(base.chemin());
        });
        QSignalSpy fin(&copie, &modBD::CopieBD::Terminee);
        programme.start(3);
        autreEcrivain.start(11);
        copie.Demarrer();
        QVERIFY(fin.wait(30000));
        QVERIFY2(fin.first().at(0).toBool(), qPrintable(fin.first().at(1).toString()));
        QVERIFY2(refus.isEmpty(), qPrintable(refus.join('\n')));
        QVERIFY2(ecritesProgrammeAvant > 3 && ecritesAutreAvant > 0, "no write happened during the copy: the test proved nothing");
        QVERIFY2(copie.Redemarrages() > 0, "the other connection's writes never made the copy start over");
        QVERIFY(QFile::exists(final));
        QCOMPARE(ContenuFichier(final), instantane);
        QVERIFY(instantane.contains(QStringLiteral("Programme %1").arg(ecritesProgrammeAvant - 1)));
        QCOMPARE(FichiersDe(modBD::DossierSauvegardes()), QStringList{"BD-20261207-120000.mdb"});
        autre.close();
        autre = QSqlDatabase();
        QSqlDatabase::removeDatabase("autre-ecrivain");
    }

    // A base of some tens of MB; the clerk's connection and another program's (on its own thread,
    // as the report tool would) write all along: no write is refused, the copy passes its check.
    void ecrivainsJamaisRefusesSurUneGrandeBase() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        base.AjouterRepresentation(base.AjouterPiece("Pièce"), "2026-12-24");
        Remplir(20000, 120000, 220);
        const qint64 taille = QFileInfo(base.chemin()).size();
        QVERIFY2(taille > 30 * 1024 * 1024, qPrintable(QString::number(taille)));

        std::atomic<bool> arret{false};
        std::atomic<int> ecritesFil{0}, refusFil{0};
        QString premierRefusFil;
        QThread* fil = QThread::create([&] {
            {
                QSqlDatabase db = AutreConnexion("fil-ecrivain", base.chemin());
                while (!arret) {
                    try {
                        Commander(db, QStringLiteral("Fil %1").arg(ecritesFil.load()));
                        ++ecritesFil;
                    } catch (const modBD::ErreurBD& e) {
                        if (refusFil++ == 0) premierRefusFil = e.message();
                    }
                    QThread::msleep(5);
                }
                db.close();
            }
            QSqlDatabase::removeDatabase("fil-ecrivain");
        });
        int ecritesProgramme = 0;
        QStringList refus;
        QTimer programme;
        connect(&programme, &QTimer::timeout, [&] {
            try {
                modBD::Transaction t;
                Commander(modBD::Connexion(), QStringLiteral("Programme %1").arg(ecritesProgramme));
                t.Valider();
                ++ecritesProgramme;
            } catch (const modBD::ErreurBD& e) {
                refus << e.message();
            }
        });
        modBD::CopieBD copie(QDir(modBD::DossierSauvegardes()).filePath("BD-20261207-130000.mdb"), true);
        QSignalSpy fin(&copie, &modBD::CopieBD::Terminee);
        QElapsedTimer chrono;
        fil->start();
        programme.start(10);
        chrono.start();
        copie.Demarrer();
        const bool finie = fin.wait(50000);
        const qint64 duree = chrono.elapsed();
        programme.stop();
        const int ecritesFilPendant = ecritesFil;
        arret = true;
        fil->wait();
        delete fil;
        QVERIFY(finie);
        QVERIFY2(fin.first().at(0).toBool(), qPrintable(fin.first().at(1).toString()));
        QVERIFY2(refus.isEmpty(), qPrintable(refus.join('\n')));
        QVERIFY2(refusFil == 0, qPrintable(premierRefusFil));
        QVERIFY2(ecritesProgramme > 0 && ecritesFilPendant > 0, "no write happened during the copy: the test proved nothing");
        qInfo("copy of %lld MB: %lld ms, %d restarts; writes during it: %d by the program, %d by another connection",
              taille / (1024 * 1024), duree, copie.Redemarrages(), ecritesProgramme, ecritesFilPendant);
        modBD::VerifierCopie(copie.CheminFinal());
    }

    // Another program holds BD.mdb locked for a while: the copy waits without freezing the window,
    // then ends; the program's own wait on a lock is as before.
    void copieAttendUnVerrouSansFigerLaFenetre() {
        TestSupport::BaseTest base;
        Remplir(100, 100, 100);
        const QVariant attente = base.Valeur("PRAGMA busy_timeout");
        QSqlDatabase autre = AutreConnexion("verrou-exclusif", base.chemin());
        QVERIFY(QSqlQuery(autre).exec("BEGIN EXCLUSIVE"));
        modBD::CopieBD copie(QDir(modBD::DossierSauvegardes()).filePath("BD-20261207-140000.mdb"), true);
        QSignalSpy fin(&copie, &modBD::CopieBD::Terminee);
        QElapsedTimer tic;
        qint64 plusLongue = 0;
        QTimer horloge;
        connect(&horloge, &QTimer::timeout, [&] {
            plusLongue = std::max(plusLongue, tic.elapsed());
            tic.restart();
        });
        horloge.start(5);
        tic.start();
        copie.Demarrer();
        QTest::qWait(1500);
        QVERIFY(fin.isEmpty());
        QVERIFY2(plusLongue < 500, qPrintable(QString::number(plusLongue)));
        QVERIFY(QSqlQuery(autre).exec("ROLLBACK"));
        QVERIFY(fin.wait(10000));
        QVERIFY2(fin.first().at(0).toBool(), qPrintable(fin.first().at(1).toString()));
        QCOMPARE(base.Valeur("PRAGMA busy_timeout"), attente);
        QCOMPARE(attente.toInt(), 2000);
        autre.close();
        autre = QSqlDatabase();
        QSqlDatabase::removeDatabase("verrou-exclusif");
    }

    void copieTueeNeLaissePasDeFichierFinal() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        base.AjouterRepresentation(base.AjouterPiece("Pièce"), "2026-12-24");
        Remplir(1000, 4000, 200);
        const QString avant = ContenuFichier(base.chemin());
        modBD::FermerConnexion();
        const QString dossier = QDir(base.dossier()).filePath("sauvegardes");
        QRandomGenerator alea(20261207u);
        for (int tour = 0; tour < 4; ++tour) {
            QProcess enfant;
            enfant.setProcessChannelMode(QProcess::SeparateChannels);
            enfant.start(QCoreApplication::applicationFilePath(), {"--copie", base.dossier()});
            QVERIFY(enfant.waitForStarted(5000));
            QVERIFY(enfant.waitForReadyRead(10000));
            QTest::qWait(static_cast<int>(alea.bounded(50, 400)));
            QCOMPARE(enfant.state(), QProcess::Running);  // still copying
            ::kill(static_cast<pid_t>(enfant.processId()), SIGKILL);
            QVERIFY(enfant.waitForFinished(5000));
            QCOMPARE(enfant.exitStatus(), QProcess::CrashExit);
            const QStringList fichiers = FichiersDe(dossier);
            QVERIFY2(modBD::CopiesAutomatiques(dossier).isEmpty(), qPrintable(fichiers.join(' ')));
            QVERIFY2(fichiers.size() == tour + 1, qPrintable(fichiers.join(' ')));  // the cut copies, kept apart
            QCOMPARE(ContenuFichier(base.chemin()), avant);
        }
        // The copy of another instance of the program, still running, is left alone.
        const QString vivante = QStringLiteral("copie-en-cours-%1-1.partielle").arg(::getppid());
        CreerFichier(QDir(dossier).filePath(vivante));
        QVERIFY(modBD::OuvrirConnexion());
        QCOMPARE(modBD::NettoyerCopiesInterrompues(dossier), 4);
        QCOMPARE(FichiersDe(dossier), QStringList{vivante});
        QSqlQuery integrite = modBD::Executer("PRAGMA integrity_check");
        QVERIFY(integrite.next());
        QCOMPARE(integrite.value(0).toString(), QStringLiteral("ok"));
    }

    // A copy that fails its check is deleted, and the 30 old copies stay.
    void copieRateeNeSupprimeRien() {
        TestSupport::BaseTest base;
        const QString dossier = modBD::DossierSauvegardes();
        QVERIFY(QDir().mkpath(dossier));
        const QDateTime maintenant(QDate(2026, 12, 7), QTime(12, 0));
        for (int j = 1; j <= 30; ++j) CreerFichier(QDir(dossier).filePath(modBD::NomCopieAutomatique(maintenant.addDays(-j))));
        const QStringList anciennes = FichiersDe(dossier);
        modBD::Executer("DROP TABLE InventaireBillets");  // what the report tool lets anyone do
        modBD::CopieBD copie(QDir(dossier).filePath(modBD::NomCopieAutomatique(maintenant)), true);
        QSignalSpy fin(&copie, &modBD::CopieBD::Terminee);
        copie.Demarrer();
        QVERIFY(fin.wait(10000));
        QCOMPARE(fin.size(), 1);
        QVERIFY(!fin.first().at(0).toBool());
        const QString message = fin.first().at(1).toString();
        QVERIFY2(message.contains("vérification") && message.contains("InventaireBillets"), qPrintable(message));
        QCOMPARE(FichiersDe(dossier), anciennes);

        // The same with a copy made at once, and then a good one: only then does the oldest go.
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::CopieBD(QDir(dossier).filePath(modBD::NomCopieAutomatique(maintenant)), true).Faire());
        QCOMPARE(FichiersDe(dossier), anciennes);
        modBD::Executer("CREATE TABLE InventaireBillets (NoMouvement INTEGER PRIMARY KEY AUTOINCREMENT, NoRepresentation INTEGER, "
                        "NoVendeur INTEGER, Nombre INTEGER, DateTransaction TEXT, Commentaire TEXT)");
        modBD::CopieBD(QDir(dossier).filePath(modBD::NomCopieAutomatique(maintenant)), true).Faire();
        QStringList attendues = anciennes;
        attendues.removeAll(modBD::NomCopieAutomatique(maintenant.addDays(-30)));
        attendues << modBD::NomCopieAutomatique(maintenant);
        attendues.sort();
        QCOMPARE(FichiersDe(dossier), attendues);
    }

    // A folder that cannot be written, a full disk, a base that cannot be read: no copy, one
    // French reason, BD.mdb untouched, nothing left behind.
    void pannesDuDisqueEtDeLaBase() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        base.AjouterRepresentation(base.AjouterPiece("Pièce"), "2026-12-24");
        Remplir(500, 2000, 200);
        const QString avant = ContenuFichier(base.chemin());
        const QString dossier = modBD::DossierSauvegardes();

        // A file where the folder should be.
        CreerFichier(dossier, "pas un dossier");
        {
            modBD::CopieBD copie(QDir(dossier).filePath("BD-20261207-120000.mdb"), true);
            QSignalSpy fin(&copie, &modBD::CopieBD::Terminee);
            copie.Demarrer();
            QVERIFY(fin.wait(5000));
            QCOMPARE(fin.size(), 1);
            QVERIFY(!fin.first().at(0).toBool());
            QVERIFY2(fin.first().at(1).toString().contains("n'est pas un dossier"), qPrintable(fin.first().at(1).toString()));
        }
        QVERIFY(QFile::remove(dossier));
        QCOMPARE(FichiersDe(base.dossier()), QStringList{"BD.mdb"});

        // A full disk: no file may grow beyond 64 KiB.
        {
            QString message;
            QList<QVariantList> fins;
            bool finie = false;
            {
                const TestSupport::DisquePlein plein(64 * 1024);
                QVERIFY(plein.actif());
                try {
                    modBD::CopieBD(QDir(dossier).filePath("BD-20261207-120001.mdb"), true).Faire();
                } catch (const modBD::ErreurBD& e) {
                    message = e.message();
                }
                modBD::CopieBD copie(QDir(dossier).filePath("BD-20261207-120002.mdb"), true);
                QSignalSpy espion(&copie, &modBD::CopieBD::Terminee);
                copie.Demarrer();
                finie = espion.wait(10000);
                fins = espion;
            }
            const QList<QVariantList>& fin = fins;
            QVERIFY2(message.contains("disque plein") || message.contains("disque est plein"), qPrintable(message));
            QVERIFY(finie);
            QVERIFY(!fin.first().at(0).toBool());
            QVERIFY2(fin.first().at(1).toString().contains("disque"), qPrintable(fin.first().at(1).toString()));
            QVERIFY2(FichiersDe(dossier).isEmpty(), qPrintable(FichiersDe(dossier).join(' ')));
        }
        QCOMPARE(ContenuFichier(base.chemin()), avant);

        // A base that can no longer be read.
        {
            TestSupport::PanneBD panne(base, TestSupport::Panne::PasUneBase);
            QString message;
            try {
                modBD::CopieBD(QDir(dossier).filePath("BD-20261207-120003.mdb"), true).Faire();
            } catch (const modBD::ErreurBD& e) {
                message = e.message();
            }
            QVERIFY2(message.contains("n'est pas une base de données"), qPrintable(message));
            QVERIFY(panne.FichierIntouche());
            QVERIFY(FichiersDe(dossier).isEmpty());
        }
        QCOMPARE(ContenuFichier(base.chemin()), avant);
    }

    void restaurationRefuseCeQuiNEstPasUneCopie() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        Remplir(300, 300, 100);
        const QString avant = ContenuFichier(base.chemin());
        QTemporaryDir ailleurs;

        // Damaged: a copy whose pages in the middle were overwritten.
        const QString endommagee = ailleurs.filePath("BD-20261201-100000.mdb");
        modBD::CopieBD(endommagee, false).Faire();
        {
            QFile f(endommagee);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2);
            f.write(QByteArray(8192, '\x5a'));
        }
        // Not SQLite; another program's SQLite file; the program's table names without their columns.
        const QString texte = ailleurs.filePath("texte.mdb");
        CreerFichier(texte, QByteArray("Ceci est un texte, pas une base.\n").repeated(200));
        const QString autreProgramme = ailleurs.filePath("autre.mdb");
        const QString imitation = ailleurs.filePath("imitation.mdb");
        for (const auto& [chemin, sql] : {std::pair{autreProgramme, QStringList{"CREATE TABLE Clients (Id INTEGER, Nom TEXT)"}},
                                          std::pair{imitation, [] {
                                                        QStringList s;
                                                        for (const QString& t : modBD::TablesRequises()) s << "CREATE TABLE " + t + " (x)";
                                                        return s;
                                                    }()}}) {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fabrication");
            db.setDatabaseName(chemin);
            QVERIFY(db.open());
            for (const QString& instr : sql) QVERIFY(QSqlQuery(db).exec(instr));
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase("fabrication");
        }
        // Cut off: a whole copy without its last pages, and one cut inside its header.
        const QString coupee = ailleurs.filePath("BD-20261202-100000.mdb");
        modBD::CopieBD(coupee, false).Faire();
        const QString enTeteCoupe = ailleurs.filePath("BD-20261203-100000.mdb");
        QVERIFY(QFile::copy(coupee, enTeteCoupe));
        QVERIFY(QFile::resize(coupee, QFileInfo(coupee).size() - 4096 * 3));
        QVERIFY(QFile::resize(enTeteCoupe, 60));
        const QString tables = "tables absentes : Vendeur, Piece, Representation, InfoClientReservation, InfoReservation, "
                               "InventaireBillets";
        const QList<std::pair<QString, QString>> cas = {
            {endommagee, "La copie est endommagée (page "},
            {coupee, "La copie est incomplète (le fichier est coupé) : elle ne peut pas être restaurée."},
            {enTeteCoupe, "La copie est incomplète (le fichier est coupé) : elle ne peut pas être restaurée."},
            {texte, "Ce fichier n'est pas une base de données : il ne peut pas être restauré."},
            {autreProgramme, "Ce fichier est la base d'un autre programme (" + tables + ") : il ne peut pas être restauré."},
            {imitation, "Ce fichier est la base d'un autre programme (" + tables + ") : il ne peut pas être restauré."},
            {ailleurs.filePath("absente.mdb"), "introuvable"},
            {base.chemin(), "en service"}};
        for (const auto& [chemin, mot] : cas) {
            QString message;
            try {
                modBD::RestaurerCopie(chemin, QDateTime(QDate(2026, 12, 7), QTime(12, 0)));
            } catch (const modBD::ErreurBD& e) {
                message = e.message();
            }
            QVERIFY2(message.contains(mot), qPrintable(chemin + ": " + message));
            // One reason, said once.
            QVERIFY2(message.count("être restauré") <= 1 && message.count("base de données") <= 2, qPrintable(message));
            QVERIFY2(!QFileInfo::exists(modBD::DossierSauvegardes()) || FichiersDe(modBD::DossierSauvegardes()).isEmpty(),
                     "a refused file must change nothing, not even make a copy");
            QVERIFY(modBD::ConnexionOuverte());
            QCOMPARE(ContenuFichier(base.chemin()), avant);
        }
        QCOMPARE(FichiersDe(base.dossier()), QStringList{"BD.mdb"});
    }

    // Another program must find the base busy until BD.mdb has its new name: a write let in
    // between the copy of the data of now and the rename would be lost with the old file.
    void verrouTenuJusquAuRenommage() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-080000.mdb");
        modBD::CopieBD(copie, true).Faire();
        std::atomic<int> reponse{-1};
        modBD::detail::DefinirAvantRenommage([&] {
            // Another connection, as another station's program would open it, asking for the write lock.
            QSqlDatabase autre = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("autre-poste"));
            autre.setDatabaseName(base.chemin());
            autre.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            if (autre.open()) {
                QSqlQuery q(autre);
                reponse = q.exec(QStringLiteral("BEGIN IMMEDIATE")) ? 1 : 0;
                q.exec(QStringLiteral("ROLLBACK"));
            }
            autre.close();
        });
        const auto oublier = qScopeGuard([] {
            modBD::detail::DefinirAvantRenommage({});
            QSqlDatabase::removeDatabase(QStringLiteral("autre-poste"));
        });
        modBD::RestaurerCopie(copie, QDateTime(QDate(2026, 12, 7), QTime(12, 0)));
        QCOMPARE(reponse.load(), 0);  // busy: the restore still held the base
        QCOMPARE(base.Compter("Vendeur"), 1);
    }

    void restaurationRemetExactementLaCopie() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        base.AjouterRepresentation(base.AjouterPiece("Pièce"), "2026-12-24");
        Remplir(200, 500, 100);
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-080000.mdb");
        modBD::CopieBD(copie, true).Faire();
        const QString contenuCopie = ContenuFichier(copie);

        // A bad edit afterwards: rows deleted, rows changed, rows added.
        modBD::Executer("DELETE FROM InfoReservation WHERE NoClient > 100");
        modBD::Executer("DELETE FROM InfoClientReservation WHERE NoClient > 100");
        modBD::Executer("UPDATE Vendeur SET NomVendeur = 'Personne'");
        base.AjouterPiece("Pièce ajoutée après");
        const QString contenuActuel = ContenuFichier(base.chemin());
        QVERIFY(contenuActuel != contenuCopie);

        const modBD::ContenuCopie contenu = modBD::ExaminerCopie(copie);
        QCOMPARE(contenu.moment, QDateTime(QDate(2026, 12, 6), QTime(8, 0)));
        QCOMPARE(contenu.commandes, 200);
        QCOMPARE(contenu.pieces, 1);
        QCOMPARE(contenu.representations, 1);
        QCOMPARE(contenu.vendeurs, 1);

        const QDateTime maintenant(QDate(2026, 12, 7), QTime(12, 30, 15));
        const QString avant = modBD::RestaurerCopie(copie, maintenant);
        QCOMPARE(QFileInfo(avant).fileName(), QStringLiteral("BD-20261207-123015-avant-restauration.mdb"));
        QVERIFY(modBD::ConnexionOuverte());
        QCOMPARE(TestSupport::ContenuDesTables(), ContenuFichier(copie));
        QCOMPARE(ContenuFichier(base.chemin()), contenuCopie);
        QCOMPARE(ContenuFichier(avant), contenuActuel);
        QCOMPARE(FichiersDe(base.dossier()), QStringList{"BD.mdb"});  // no temporary file left
        QCOMPARE(FichiersDe(modBD::DossierSauvegardes()),
                 (QStringList{"BD-20261206-080000.mdb", "BD-20261207-123015-avant-restauration.mdb"}));
        // Writes go to the restored file, and numbers given before the restore are not given again.
        base.AjouterVendeur("Après restauration");
        QCOMPARE(base.Compter("Vendeur"), 2);

        // When the data of now cannot be copied first, nothing is replaced.
        const QString contenuRestaure = ContenuFichier(base.chemin());
        QTemporaryDir ailleurs;
        const QString gardee = ailleurs.filePath("gardée.mdb");
        QVERIFY(QFile::copy(copie, gardee));
        QVERIFY(QDir(modBD::DossierSauvegardes()).removeRecursively());
        CreerFichier(modBD::DossierSauvegardes(), "pas un dossier");
        QString message;
        try {
            modBD::RestaurerCopie(gardee, maintenant);
        } catch (const modBD::ErreurBD& e) {
            message = e.message();
        }
        QVERIFY2(message.contains("Rien n'a été modifié"), qPrintable(message));
        QCOMPARE(ContenuFichier(base.chemin()), contenuRestaure);
        QVERIFY(modBD::ConnexionOuverte());
    }

    // Another station sells while this one restores: every order it was told was saved is in
    // the restored BD.mdb or in the copy made before the restore; none falls between.
    void restaurationPendantLesVentesDUnAutrePoste() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        base.AjouterRepresentation(base.AjouterPiece("P1"), "2026-12-24");
        Remplir(3000, 3000, 400);  // long enough to copy that the other station's orders fall in between
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-080000.mdb");
        modBD::CopieBD(copie, false).Faire();

        // A station holding a write open: the restore is refused, nothing is made.
        {
            TestSupport::VerrouAutreProgramme verrou(base, false);
            QString message;
            try {
                modBD::RestaurerCopie(copie, QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
            } catch (const modBD::ErreurBD& e) {
                message = e.message();
            }
            QVERIFY2(message.contains("un autre programme utilise la base de données") && message.contains("Rien n'a été modifié"),
                     qPrintable(message));
            QCOMPARE(FichiersDe(modBD::DossierSauvegardes()), QStringList{"BD-20261206-080000.mdb"});
        }

        AutrePoste poste(base, {"commandes-suivies", "500", "3"});
        QTRY_VERIFY_WITH_TIMEOUT(poste.Lignes("commande ").size() >= 10, 30000);
        const QString avant = modBD::RestaurerCopie(copie, QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
        QVERIFY(poste.processus.waitForFinished(120000));
        poste.sortie += QString::fromUtf8(poste.processus.readAllStandardOutput());

        const QStringList dites = poste.Lignes("commande ");
        int avantRestauration = 0, apres = 0;
        for (const QString& ligne : dites) {
            const QString client = ligne.section(' ', 2);
            const qint64 ici = CommandesDe(base.chemin(), client), gardee = CommandesDe(avant, client);
            QVERIFY2(ici + gardee == 1, qPrintable(QStringLiteral("%1: %2 in BD.mdb, %3 in the copy made before").arg(ligne).arg(ici).arg(gardee)));
            (gardee ? avantRestauration : apres) += 1;
        }
        qInfo("orders said saved: %d before the restore, %d after; %lld refused", avantRestauration, apres,
              static_cast<long long>(poste.Lignes("refus ").size()));
        QVERIFY2(avantRestauration >= 10 && apres > 0, qPrintable(QStringLiteral("%1 before, %2 after").arg(avantRestauration).arg(apres)));
        // The other station was told plainly: busy, or the base restored; never "corrigez-la".
        for (const QString& refus : poste.Lignes("refus "))
            QVERIFY2(!refus.contains("corrigez") && (refus.contains("occupée") || refus.contains("restaurée")), qPrintable(refus));
        QCOMPARE(dites.size() + poste.Lignes("refus ").size(), 500);
    }

    // This program notices a base restored by another one at its next statement: a read goes on
    // on the new file, a write is refused with the copy's date, nothing is written to the old file.
    void baseRestaureeParUnAutreProgramme() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        base.AjouterRepresentation(base.AjouterPiece("P1"), "2026-12-24");
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-083000.mdb");
        modBD::CopieBD(copie, false).Faire();
        base.AjouterVendeur("Ajouté après la copie");
        QCOMPARE(base.Compter("Vendeur"), 2);

        AutrePoste poste(base, {"restaurer", copie});
        QVERIFY(poste.processus.waitForFinished(60000));
        poste.sortie += QString::fromUtf8(poste.processus.readAllStandardOutput());
        QVERIFY2(poste.Lignes("restauree ").size() == 1, qPrintable(poste.sortie));

        const QString avis = "La base de données a été restaurée depuis la copie du 6 décembre 2026 à 08:30 : "
                             "les listes ont été relues.";
        QString message;
        modBD::NatureErreur nature = modBD::NatureErreur::Ordinaire;
        try {
            base.AjouterVendeur("Écrit sur l'ancien fichier");
        } catch (const modBD::ErreurBD& e) {
            message = e.message();
            nature = e.nature();
        }
        QCOMPARE(nature, modBD::NatureErreur::BaseRemplacee);
        QVERIFY2(message.startsWith("La base de données a été restaurée depuis la copie du 6 décembre 2026 à 08:30 : rien"),
                 qPrintable(message));
        QCOMPARE(modBD::AvisBaseRemplacee(), avis);
        QCOMPARE(modBD::AvisBaseRemplacee(), QString());  // said once
        QCOMPARE(base.Compter("Vendeur"), 1);              // the restored file, read at once
        QVERIFY(!modBD::ReprendreBaseRemplacee());

        // Restored again: a read reopens by itself and the notice waits for the window.
        AutrePoste encore(base, {"restaurer", copie});
        QVERIFY(encore.processus.waitForFinished(60000));
        QVERIFY(modBD::ReprendreBaseRemplacee());
        QCOMPARE(modBD::AvisBaseRemplacee(), avis);
        base.AjouterVendeur("Après");
        QCOMPARE(base.Compter("Vendeur"), 2);
    }

    // The sales keep their room: a copy that would take it is not made, a confirmation still
    // goes through, the reason names the free space.
    void placeGardeePourLesVentes() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        base.AjouterRepresentation(base.AjouterPiece("P1"), "2026-12-24");
        Remplir(500, 500, 200);
        const qint64 taille = QFileInfo(base.chemin()).size();
        qint64 libre = taille + 4096;  // room for exactly one more copy
        modBD::DefinirLectureEspaceLibre([&libre](const QString&) { return libre; });
        const auto remettre = qScopeGuard([] { modBD::DefinirLectureEspaceLibre({}); });
        const QString dossier = modBD::DossierSauvegardes();
        const QDateTime maintenant(QDate(2026, 12, 7), QTime(9, 0));

        modBD::CopieBD copie(QDir(dossier).filePath(modBD::NomCopieAutomatique(maintenant)), true);
        QSignalSpy fin(&copie, &modBD::CopieBD::Terminee);
        copie.Demarrer();
        QVERIFY(fin.wait(10000));
        QVERIFY(!fin.first().at(0).toBool());
        QCOMPARE(copie.Raison(), QStringLiteral("il reste trop peu de place sur le disque (%1 Mo libres).").arg(libre / 1000000));
        QCOMPARE(fin.first().at(1).toString(),
                 QStringLiteral("Sauvegarde non faite : il reste trop peu de place sur le disque (%1 Mo libres).").arg(libre / 1000000));
        QVERIFY(!QFileInfo::exists(dossier) || FichiersDe(dossier).isEmpty());

        modBD::Commande c;
        c.dateReservation = "2026-12-07";
        c.nomClient = "Client après la copie sautée";
        c.nbForfaits = "0";
        c.nomVendeur = "Vendeur";
        c.montantTotal = Montant::Centimes(1050);
        c.lignes.append({"P1", "2026-12-24", "1", "2", Montant::Centimes(1050), "Non"});
        modBD::EnregistrerCommande(c);
        QCOMPARE(base.Compter("InfoClientReservation", "NomClient = 'Client après la copie sautée'"), 1);

        // The rule's edge: the copy must leave the base's size plus the margin, to the byte.
        libre = 2 * QFileInfo(base.chemin()).size() + modBD::kMargeEspaceLibre - 1;
        QString message;
        try {
            modBD::CopieBD(QDir(dossier).filePath("a la main.mdb"), false).Faire();
        } catch (const modBD::ErreurBD& e) {
            message = e.message();
        }
        QCOMPARE(message, QStringLiteral("Sauvegarde non faite : il reste trop peu de place sur le disque (%1 Mo libres).")
                              .arg(libre / 1000000));
        libre += 1;
        modBD::CopieBD(QDir(dossier).filePath("a la main.mdb"), false).Faire();
        QVERIFY(QFileInfo::exists(QDir(dossier).filePath("a la main.mdb")));
    }

    // A clock put back, put forward, a copy named in the future: at most one automatic copy per
    // day of use, and the copies of the newest data are never the ones rotated out.
    void horlogeFausse() {
        TestSupport::BaseTest base;
        const QString dossier = modBD::DossierSauvegardes();
        // Each day of use adds a seller: a copy's sellers tell which day's data it holds.
        int jour = 0;
        QHash<QString, int> donneesDe;  // copy name -> the day of use whose data it holds
        const auto journee = [&](const QDateTime& maintenant, int demarrages) {
            base.AjouterVendeur(QStringLiteral("Jour %1").arg(++jour));
            int faites = 0;
            for (int i = 0; i < demarrages; ++i)
                if (Demarrage(maintenant.addSecs(600 * i))) {
                    ++faites;
                    donneesDe.insert(modBD::NomCopieAutomatique(maintenant.addSecs(600 * i)), jour);
                }
            return faites;
        };
        // The copies of the newest data made must still be in the folder.
        const auto verifierRecentes = [&](int combien) {
            QList<int> copies = donneesDe.values();
            std::sort(copies.begin(), copies.end());
            QSet<int> jours;
            for (const QString& nom : modBD::CopiesAutomatiques(dossier)) jours.insert(donneesDe.value(nom));
            for (qsizetype i = std::max<qsizetype>(0, copies.size() - combien); i < copies.size(); ++i)
                if (!jours.contains(copies.at(i))) return false;
            return true;
        };

        QDateTime horloge(QDate(2026, 11, 1), QTime(9, 0));
        for (int j = 0; j < 30; ++j) QCOMPARE(journee(horloge.addDays(j), 2), 1);
        QCOMPARE(modBD::CopiesAutomatiques(dossier).size(), 30);

        // Put back a year: one copy a day, and each takes the place of the oldest.
        for (int j = 0; j < 4; ++j) {
            QCOMPARE(journee(horloge.addYears(-1).addDays(31 + j), 3), 1);
            QCOMPARE(modBD::CopiesAutomatiques(dossier).size(), 30);
            QVERIFY2(verifierRecentes(29), qPrintable(modBD::CopiesAutomatiques(dossier).join(' ')));
        }
        // Put forward a year, then right again: still one a day.
        QCOMPARE(journee(horloge.addYears(1).addDays(35), 3), 1);
        QCOMPARE(journee(horloge.addDays(36), 3), 1);
        QVERIFY(verifierRecentes(29));

        // A copy named years ahead, put there by hand: it does not make every start copy.
        QVERIFY(QFile::copy(QDir(dossier).filePath(modBD::CopiesAutomatiques(dossier).first()),
                            QDir(dossier).filePath("BD-20300101-000000.mdb")));
        QCOMPARE(journee(horloge.addDays(37), 3), 1);
        QCOMPARE(journee(horloge.addDays(37).addSecs(3600), 3), 0);
        QVERIFY(verifierRecentes(29));
        QCOMPARE(modBD::CopiesAutomatiques(dossier).size(), 30);
        QVERIFY2(!modBD::CopiesAutomatiques(dossier).contains("BD-20300101-000000.mdb"),
                 "the copy the program never made is the oldest for rotation");
    }

    // The copies made before a restore: the 5 newest stay, whatever the clock said.
    void copiesAvantRestaurationLimitees() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-080000.mdb");
        modBD::CopieBD(copie, false).Faire();
        QStringList faites;
        for (int i = 0; i < 7; ++i) {
            // The third one with a clock put back a year.
            const QDateTime maintenant = QDateTime(QDate(2026, 12, 7), QTime(10, i)).addYears(i == 2 ? -1 : 0);
            faites << QFileInfo(modBD::RestaurerCopie(copie, maintenant)).fileName();
        }
        const QStringList restantes = modBD::CopiesAvantRestauration(modBD::DossierSauvegardes());
        QCOMPARE(restantes, (QStringList{faites.at(6), faites.at(5), faites.at(4), faites.at(3), faites.at(2)}));
        QVERIFY(QFileInfo::exists(copie));
    }

    // The restore on its thread: the window's thread answers throughout, and Cancel before the
    // replacement leaves everything as it was.
    void restaurationSansFigerLaFenetre() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        base.AjouterRepresentation(base.AjouterPiece("P1"), "2026-12-24");
        Remplir(4000, 4000, 400);
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-080000.mdb");
        modBD::CopieBD(copie, false).Faire();
        modBD::Executer("DELETE FROM InventaireBillets");
        const QString actuel = ContenuFichier(base.chemin());

        {
            modBD::RestaurationBD r(copie, QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
            QSignalSpy fin(&r, &modBD::RestaurationBD::Terminee);
            r.Demarrer();
            r.Annuler();
            QVERIFY(fin.wait(60000));
            QCOMPARE(fin.first().at(0).toBool(), false);
            QCOMPARE(fin.first().at(1).toBool(), true);
            QCOMPARE(fin.first().at(2).toString(), QString());
        }
        QCOMPARE(ContenuFichier(base.chemin()), actuel);
        QCOMPARE(FichiersDe(modBD::DossierSauvegardes()), QStringList{"BD-20261206-080000.mdb"});
        QCOMPARE(FichiersDe(base.dossier()), QStringList{"BD.mdb"});
        QVERIFY(modBD::ConnexionOuverte());
        QCOMPARE(base.Compter("InventaireBillets"), 0);

        modBD::RestaurationBD r(copie, QDateTime(QDate(2026, 12, 7), QTime(10, 5)));
        QSignalSpy fin(&r, &modBD::RestaurationBD::Terminee);
        QElapsedTimer chrono, depuis;
        qint64 plusLongue = 0;
        QTimer battement;
        battement.setInterval(5);
        QObject::connect(&battement, &QTimer::timeout, [&] {
            plusLongue = std::max(plusLongue, depuis.restart());
        });
        chrono.start();
        depuis.start();
        battement.start();
        r.Demarrer();
        QVERIFY(fin.wait(60000));
        battement.stop();
        QVERIFY2(fin.first().at(0).toBool(), qPrintable(fin.first().at(2).toString()));
        qInfo("restore of %lld bytes: %lld ms, window thread's longest wait %lld ms", QFileInfo(copie).size(),
              chrono.elapsed(), plusLongue);
        QVERIFY2(plusLongue < 500, qPrintable(QStringLiteral("%1 ms without an answer").arg(plusLongue)));
        QCOMPARE(base.Compter("InventaireBillets"), 4000);
        QVERIFY(QFileInfo::exists(r.CheminAvant()));
    }

    // A damaged BD.mdb is exactly when a copy is restored: the data of now are kept aside as
    // they are, byte for byte, and the restore goes through.
    void baseEndommageeRestauree() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Vendeur");
        Remplir(300, 300, 400);
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-080000.mdb");
        modBD::CopieBD(copie, false).Faire();
        {
            QFile f(base.chemin());
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2);
            f.write(QByteArray(8192, '\x5a'));
        }
        QFile lu(base.chemin());
        QVERIFY(lu.open(QIODevice::ReadOnly));
        const QByteArray endommagee = lu.readAll();
        lu.close();
        const QString avant = modBD::RestaurerCopie(copie, QDateTime(QDate(2026, 12, 7), QTime(11, 0)));
        QFile garde(avant);
        QVERIFY(garde.open(QIODevice::ReadOnly));
        QVERIFY(garde.readAll() == endommagee);
        QCOMPARE(ContenuFichier(base.chemin()), ContenuFichier(copie));
    }
};

int main(int argc, char* argv[]) {
    if (argc == 3 && std::strcmp(argv[1], "--copie") == 0) CopieEnfant(argc, argv);
    QApplication app(argc, argv);
    TestSauvegarde test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Sauvegarde.moc"
