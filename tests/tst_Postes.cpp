// Several stations at once on one base: separate processes that act at the same moment.
// The duplicate tests cannot be raced, orders are written whole with unique numbers, the
// ticket count reads committed data only, and a transaction that the server aborts for a
// conflict is replayed, then reported in French with nothing written.
#include "TestSupport.h"
#include "modBD.h"
#include "modBD_Catalogue.h"
#include "modBD_Inventaire.h"
#include "modBD_Journal.h"
#include "modBD_Commandes.h"
#include "modBD_Soiree.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace {
struct Sortie {
    int code = -1;
    QStringList lignes;  // what the station printed after "pret"
};

// Starts n stations on the base, each with its own arguments, releases them together and
// returns what each printed.
QList<Sortie> Lancer(const QString& dossier, int n, const std::function<QStringList(int)>& arguments) {
    const QString depart = QDir(dossier).filePath(QStringLiteral("depart"));
    std::vector<std::unique_ptr<QProcess>> postes;
    for (int i = 0; i < n; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral(CORV_POSTE_TEST), QStringList{dossier, depart} + arguments(i));
        postes.push_back(std::move(p));
    }
    QList<Sortie> sorties(n);
    for (int i = 0; i < n; ++i) {
        QProcess& p = *postes[static_cast<size_t>(i)];
        while (!p.canReadLine() && p.state() != QProcess::NotRunning) p.waitForReadyRead(30000);
        const QString premiere = QString::fromUtf8(p.readLine()).trimmed();
        if (premiere != QLatin1String("pret")) sorties[i].lignes << premiere;
    }
    QFile f(depart);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write the start file");
    f.close();
    for (int i = 0; i < n; ++i) {
        QProcess& p = *postes[static_cast<size_t>(i)];
        if (!p.waitForFinished(180000)) p.kill();
        for (const QByteArray& l : p.readAllStandardOutput().split('\n'))
            if (!l.trimmed().isEmpty()) sorties[i].lignes << QString::fromUtf8(l).trimmed();
        sorties[i].code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    return sorties;
}

QList<Sortie> Lancer(const TestSupport::BaseTest& base, int n, const std::function<QStringList(int)>& arguments) {
    return Lancer(base.dossier(), n, arguments);
}

QString Resume(const QList<Sortie>& sorties) {
    QStringList r;
    for (const Sortie& s : sorties) r << QString::number(s.code) + QLatin1Char(':') + s.lignes.join(QLatin1Char('/'));
    return r.join(QStringLiteral(" | "));
}

qint64 Nombre(const QString& sql, const QVariantList& valeurs = {}) {
    QSqlQuery q = modBD::Executer(sql, valeurs);
    return q.next() ? q.value(0).toLongLong() : -1;
}
}  // namespace

class TestPostes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    // Six stations add the same name (or date) at the same moment: one row, five refusals, no error.
    void doublonsSimultanes_data() {
        QTest::addColumn<QStringList>("action");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("condition");
        QTest::newRow("pièce") << QStringList{"piece", "Hamlet"} << "Piece" << "NomPiece = 'Hamlet'";
        QTest::newRow("vendeur") << QStringList{"vendeur", "Éloïse"} << "Vendeur" << "NomVendeurMaj = 'ÉLOÏSE'";
        QTest::newRow("représentation") << QStringList{"representation", "Hamlet", "2026-12-24"} << "Representation"
                                        << "DateRepresentation = '2026-12-24'";
    }
    void doublonsSimultanes() {
        QFETCH(QStringList, action);
        QFETCH(QString, table);
        QFETCH(QString, condition);
        // Several rounds on a new, empty table each time: the server's own conflict check lets
        // about one race in fifteen through when the table's index is still empty.
        for (int tour = 0; tour < 4; ++tour) {
            TestSupport::BaseTest base;
            if (action.first() == QLatin1String("representation")) base.AjouterPiece(QStringLiteral("Hamlet"));
            const QList<Sortie> sorties = Lancer(base, 6, [&](int i) {
                QStringList a = action;
                // Each station types the name its own way: the test ignores case.
                if (action.first() == QLatin1String("vendeur") && i % 2) a[1] = a[1].toLower();
                return a;
            });
            int ajoutes = 0, doublons = 0;
            for (const Sortie& s : sorties) {
                QVERIFY2(s.code == 0, qPrintable(Resume(sorties)));
                if (s.lignes.value(0) == QLatin1String("Ajoute")) ++ajoutes;
                if (s.lignes.value(0) == QLatin1String("Doublon")) ++doublons;
            }
            QCOMPARE(base.Compter(table, condition), qint64(1));
            QVERIFY2(ajoutes == 1 && doublons == 5, qPrintable(Resume(sorties)));
        }
    }

    // Six stations started together on an empty server each make the tables they find
    // missing: all six go on, the tables made once (the server's catalogue would otherwise
    // refuse the second CREATE TABLE of the same name even with IF NOT EXISTS).
    void tablesCreeesEnMemeTemps() {
        if (!TestSupport::SurServeur()) QSKIP("a file is made by one station (run again on the server by the test command)");
        for (int tour = 0; tour < 3; ++tour) {
            QTemporaryDir dossier;
            const QString base = TestSupport::CreerBaseServeurVide();
            TestSupport::EcrireReglagesServeur(dossier.path(), base);
            const QList<Sortie> sorties = Lancer(dossier.path(), 6, [](int) { return QStringList{"tables"}; });
            TestSupport::SupprimerBaseServeur(base);
            for (const Sortie& s : sorties)
                QVERIFY2(s.code == 0 && s.lignes == QStringList{"Ouverte"}, qPrintable(Resume(sorties)));
        }
    }

    // Four stations write at once: the journal holds one row per order, in one unbroken chain
    // (no two stations chained from the same row).
    void journalUneSeuleChaine() {
        TestSupport::BaseTest base;
        for (int p = 1; p <= 4; ++p)
            base.AjouterRepresentation(base.AjouterPiece(QStringLiteral("P%1").arg(p)), QStringLiteral("2026-12-24"));
        base.AjouterVendeur(QStringLiteral("Vendeur"));
        const int parPoste = 12;
        const QList<Sortie> sorties =
            Lancer(base, 4, [&](int i) { return QStringList{"commandes", QString::number(parPoste), QString::number(i + 7)}; });
        for (const Sortie& s : sorties) QVERIFY2(s.code == 0, qPrintable(Resume(sorties)));
        QCOMPARE(base.Compter(QStringLiteral("JournalOperation")), qint64(4 * parPoste));
        QCOMPARE(Nombre("SELECT MAX(NoOperation) FROM JournalOperation"), qint64(4 * parPoste));
        const modBD::VerificationJournal v = modBD::VerifierJournal();
        QVERIFY2(v.intact, qPrintable(QString::number(v.operationFautive)));
        QCOMPARE(v.nombre, qint64(4 * parPoste));
        // Each order has its row.
        QCOMPARE(Nombre("SELECT COUNT(*) FROM InfoClientReservation c WHERE NOT EXISTS (SELECT 1 FROM JournalOperation j "
                        "WHERE j.Objet = 'Commande ' || CAST(c.NoClient AS TEXT))"),
                 qint64(0));
    }

    // A unit whose snapshot predates another station's order still chains after that order's
    // row (the last row is read as committed now), two rows of one unit follow each other, and
    // no journal lock outlives a unit or a row written outside one.
    void journalApresUneAutreStation() {
        if (!TestSupport::SurServeur())
            QSKIP("a file's unit holds the writer's lock from its start (run again on the server by the test command)");
        TestSupport::BaseTest base;
        for (int p = 1; p <= 4; ++p)
            base.AjouterRepresentation(base.AjouterPiece(QStringLiteral("P%1").arg(p)), QStringLiteral("2026-12-24"));
        base.AjouterVendeur(QStringLiteral("Vendeur"));
        {
            modBD::Transaction t;
            modBD::Journaliser(QStringLiteral("Essai"), QStringLiteral("avant"));
            t.Valider();
        }
        {
            modBD::Transaction t;
            QCOMPARE(Nombre("SELECT COUNT(*) FROM JournalOperation"), qint64(1));  // the unit's snapshot
            const QList<Sortie> sorties = Lancer(base, 1, [](int) { return QStringList{"commandes", "2", "3"}; });
            QVERIFY2(sorties.at(0).code == 0, qPrintable(Resume(sorties)));
            modBD::Journaliser(QStringLiteral("Essai"), QStringLiteral("pendant"));
            modBD::Journaliser(QStringLiteral("Essai"), QStringLiteral("pendant, encore"));
            t.Valider();
        }
        modBD::Journaliser(QStringLiteral("Essai"), QStringLiteral("après, hors d'un enregistrement"));
        const modBD::VerificationJournal v = modBD::VerifierJournal();
        QVERIFY2(v.intact, qPrintable(QString::number(v.operationFautive)));
        QCOMPARE(v.nombre, qint64(6));
        QCOMPARE(Nombre("SELECT MAX(NoOperation) FROM JournalOperation WHERE Objet LIKE 'pendant%'"), qint64(5));
        QCOMPARE(Nombre("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' AND pid = pg_backend_pid()"), qint64(0));
    }

    // Four stations confirm orders of 1 to 4 lines at once: every order whole, every number once.
    void commandesSimultanees() {
        TestSupport::BaseTest base;
        for (int p = 1; p <= 4; ++p)
            base.AjouterRepresentation(base.AjouterPiece(QStringLiteral("P%1").arg(p)), QStringLiteral("2026-12-24"));
        base.AjouterVendeur(QStringLiteral("Vendeur"));
        const int parPoste = 15;
        const QList<Sortie> sorties =
            Lancer(base, 4, [&](int i) { return QStringList{"commandes", QString::number(parPoste), QString::number(i + 1)}; });
        QSet<qint64> numeros;
        qint64 lignesAttendues = 0;
        for (const Sortie& s : sorties) {
            QVERIFY2(s.code == 0, qPrintable(Resume(sorties)));
            int commandes = 0;
            for (const QString& l : s.lignes) {
                const QStringList m = l.split(QLatin1Char(' '));
                if (m.first() != QLatin1String("commande")) continue;
                ++commandes;
                const qint64 no = m.at(1).toLongLong();
                QVERIFY2(!numeros.contains(no), "an order number was given twice");
                numeros.insert(no);
                QCOMPARE(Nombre("SELECT COUNT(*) FROM InfoReservation WHERE NoClient = ?", {no}), m.at(2).toLongLong());
                lignesAttendues += m.at(2).toLongLong();
            }
            QCOMPARE(commandes, parPoste);
        }
        QCOMPARE(base.Compter(QStringLiteral("InfoClientReservation")), qint64(4 * parPoste));
        QCOMPARE(base.Compter(QStringLiteral("InfoReservation")), lignesAttendues);
        // No line points to an order that is not there.
        QCOMPARE(base.Compter(QStringLiteral("InfoReservation"),
                              QStringLiteral("NoClient NOT IN (SELECT NoClient FROM InfoClientReservation)")), qint64(0));
    }

    // Two door stations tick arrivals of the same party at the same moment: every one counts,
    // and together they never go beyond the party's tickets. The first time on a base made
    // before the arrivals' table: both stations make it at once.
    void arriveesSimultanees() {
        TestSupport::BaseTest base;
        const qint64 rep = base.AjouterRepresentation(base.AjouterPiece(QStringLiteral("P")), QStringLiteral("2026-12-24"));
        base.AjouterVendeur(QStringLiteral("Vendeur"));
        modBD::Commande c{QStringLiteral("2026-12-07"), Montant::Centimes(30000), QStringLiteral("Groupe"), QString(),
                          QStringLiteral("0"), QStringLiteral("Vendeur"), {}, {}};
        c.lignes.append({QStringLiteral("P"), QStringLiteral("2026-12-24"), QStringLiteral("0"), QStringLiteral("30"),
                         Montant::Centimes(30000), QStringLiteral("Non")});
        const qint64 no = modBD::EnregistrerCommande(c).toLongLong();
        modBD::Executer(QStringLiteral("DROP TABLE ArriveeCommande"));
        const auto arrives = [&] {
            return Nombre("SELECT NbArrives FROM ArriveeCommande WHERE NoClient = ? AND NoRepresentation = ?", {no, rep});
        };
        QList<Sortie> sorties = Lancer(base, 2, [&](int) {
            return QStringList{"arrivees", QString::number(no), QString::number(rep), QStringLiteral("12")};
        });
        for (const Sortie& s : sorties) QVERIFY2(s.code == 0, qPrintable(Resume(sorties)));
        QCOMPARE(arrives(), qint64(24));
        QFile::remove(QDir(base.dossier()).filePath(QStringLiteral("depart")));
        sorties = Lancer(base, 2, [&](int) {
            return QStringList{"arrivees", QString::number(no), QString::number(rep), QStringLiteral("5")};
        });
        for (const Sortie& s : sorties) QVERIFY2(s.code == 0, qPrintable(Resume(sorties)));
        QCOMPARE(arrives(), qint64(30));  // 24 + 10 asked, bounded by the 30 tickets
    }

    // Six stations cancel six orders at once on a base that has no cancellations yet: each
    // cancels its own, whichever of them makes the table.
    void annulationsSimultanees() {
        TestSupport::BaseTest base;
        base.AjouterRepresentation(base.AjouterPiece(QStringLiteral("P")), QStringLiteral("2026-12-24"));
        base.AjouterVendeur(QStringLiteral("Vendeur"));
        QList<qint64> commandes;
        for (int i = 0; i < 6; ++i) {
            modBD::Commande c{QStringLiteral("2026-12-07"), Montant::Centimes(1000), QStringLiteral("Client %1").arg(i), QString(),
                              QStringLiteral("0"), QStringLiteral("Vendeur"), {}, {}};
            c.lignes.append({QStringLiteral("P"), QStringLiteral("2026-12-24"), QStringLiteral("0"), QStringLiteral("1"),
                             Montant::Centimes(1000), QStringLiteral("Non")});
            commandes << modBD::EnregistrerCommande(c).toLongLong();
        }
        QVERIFY(!modBD::TablePresente(QStringLiteral("AnnulationCommande")));
        const QList<Sortie> sorties =
            Lancer(base, 6, [&](int i) { return QStringList{"annuler", QString::number(commandes.at(i))}; });
        for (const Sortie& s : sorties)
            QVERIFY2(s.code == 0 && s.lignes.value(0) == QLatin1String("annulee"), qPrintable(Resume(sorties)));
        QCOMPARE(base.Compter(QStringLiteral("AnnulationCommande")), qint64(6));
    }

    // A movement another station has not committed yet is not counted.
    void compteLuValide() {
        TestSupport::BaseTest base;
        base.AjouterRepresentation(base.AjouterPiece(QStringLiteral("Hamlet")), QStringLiteral("2026-12-24"));
        base.AjouterVendeur(QStringLiteral("Alice"));
        modBD::AjouterMouvementInventaire("2026-12-01", "Hamlet", "2026-12-24", 10, "", "Alice");
        {
            TestSupport::VerrouAutreProgramme autre(base, false);  // another station's open transaction
            QSqlDatabase db = QSqlDatabase::database(QStringLiteral("autre-programme"), false);
            QSqlQuery q(db);
            QVERIFY2(q.exec(QStringLiteral("INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, DateTransaction, "
                                           "Commentaire) SELECT NoRepresentation, 1, 5, '2026-12-02', '' FROM Representation")),
                     qPrintable(q.lastError().text()));
            QCOMPARE(modBD::ObtenirNbBillets("Hamlet", "2026-12-24"), QStringLiteral("10"));
            QVERIFY(q.exec(QStringLiteral("COMMIT")));
            QCOMPARE(modBD::ObtenirNbBillets("Hamlet", "2026-12-24"), QStringLiteral("15"));
        }
    }

    // The server aborts one of two transactions that tested and wrote the same name: the data
    // store runs the unit again, which now finds the other station's row.
    void conflitRejoue() {
        if (!TestSupport::SurServeur()) QSKIP("the file's write lock serializes the stations: nothing is ever aborted");
        TestSupport::BaseTest base;
        QSqlDatabase autre = TestSupport::ConnexionServeurTest(QStringLiteral("autre-poste"), base.baseServeur());
        const int reprisesAvant = modBD::NombreReprises();
        int essais = 0;
        bool autreValide = false;
        const QString r = modBD::EnTransaction([&](modBD::Transaction& t) {
            ++essais;
            if (Nombre("SELECT COUNT(*) FROM Piece WHERE NomPieceMaj = ?", {"HAMLET"}) > 0) return QStringLiteral("Doublon");
            if (essais == 1) {
                // Meanwhile another station makes the same test and write, and commits first.
                QSqlQuery q(autre);
                q.exec(QStringLiteral("BEGIN ISOLATION LEVEL SERIALIZABLE"));
                q.exec(QStringLiteral("SELECT COUNT(*) FROM Piece WHERE NomPieceMaj = 'HAMLET'"));
                q.exec(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES ('Hamlet', 'HAMLET')"));
                autreValide = q.exec(QStringLiteral("COMMIT"));
            }
            modBD::Executer("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)", {"Hamlet", "HAMLET"});
            t.Valider();
            return QStringLiteral("Ajoute");
        });
        QVERIFY(autreValide);
        QCOMPARE(r, QStringLiteral("Doublon"));
        QCOMPARE(essais, 2);
        QCOMPARE(modBD::NombreReprises(), reprisesAvant + 1);
        QCOMPARE(base.Compter(QStringLiteral("Piece")), qint64(1));
        autre.close();
        QSqlDatabase::removeDatabase(QStringLiteral("autre-poste"));
    }

    // A conflict at every attempt: after a few the clerk reads why, and nothing of it is written.
    void conflitsEpuises() {
        if (!TestSupport::SurServeur()) QSKIP("the file's write lock serializes the stations: nothing is ever aborted");
        TestSupport::BaseTest base;
        QSqlDatabase autre = TestSupport::ConnexionServeurTest(QStringLiteral("autre-poste"), base.baseServeur());
        int essais = 0;
        try {
            modBD::EnTransaction([&](modBD::Transaction& t) {
                ++essais;
                const QString nom = QStringLiteral("N%1").arg(essais);
                Nombre("SELECT COUNT(*) FROM Piece WHERE NomPieceMaj = ?", {nom});
                QSqlQuery q(autre);
                q.exec(QStringLiteral("BEGIN ISOLATION LEVEL SERIALIZABLE"));
                q.exec(QStringLiteral("SELECT COUNT(*) FROM Piece WHERE NomPieceMaj = '%1'").arg(nom));
                q.exec(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES ('autre', '%1')").arg(nom));
                q.exec(QStringLiteral("COMMIT"));
                modBD::Executer("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)", {"moi", nom});
                t.Valider();
            });
            QFAIL("a unit aborted at every attempt was reported as done");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(QStringLiteral("rien n'a été enregistré")), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("D'autres postes")), qPrintable(e.message()));
        }
        QCOMPARE(essais, modBD::kEssaisTransaction);
        QCOMPARE(base.Compter(QStringLiteral("Piece"), QStringLiteral("NomPiece = 'moi'")), qint64(0));
        QCOMPARE(base.Compter(QStringLiteral("Piece"), QStringLiteral("NomPiece = 'autre'")), qint64(modBD::kEssaisTransaction));
        // The connection is clean afterwards.
        QCOMPARE(modBD::AjouterPiece(QStringLiteral("Après")), modBD::ResultatAjout::Ajoute);
        autre.close();
        QSqlDatabase::removeDatabase(QStringLiteral("autre-poste"));
    }
};

QTEST_MAIN(TestPostes)
#include "tst_Postes.moc"
