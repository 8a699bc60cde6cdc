// Finding confirmed orders and cancelling them, below the windows: the folded search (accents,
// case, phone, number, newest first, the limit), a copy in memory that never goes stale, and
// cancellations written all or nothing, in files with or without their table.
#include "TestSupport.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Annulations.h"
#include "modBD_RechercheCommandes.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using modBD::ResultatAnnulation;

using TestSupport::Empreinte;
namespace {
qint64 g_representation = 0;
qint64 g_vendeur = 0;

// One order of one line, written as the confirmation writes it.
qint64 Commande(const QString& date, const QString& nom, const QString& telephone, int enfants = 1, int adultes = 2,
                double montant = 30.0) {
    QSqlQuery q = modBD::Executer(QStringLiteral("INSERT INTO InfoClientReservation (DateReservation, MontantTotal, "
                                                 "NomClient, TelephoneClient, NbForfaits) VALUES (?, ?, ?, ?, 1)"),
                                  {date, montant, nom, telephone});
    const qint64 no = q.lastInsertId().toLongLong();
    modBD::Executer(QStringLiteral("INSERT INTO InfoReservation (NoClient, NoRepresentation, NbEnfant, NbAdulte, Cout, "
                                   "VentePorte, NoVendeur) VALUES (?, ?, ?, ?, ?, 0, ?)"),
                    {no, g_representation, enfants, adultes, montant, g_vendeur});
    return no;
}

QStringList Noms(const modBD::ResultatRecherche& r) {
    QStringList n;
    for (const modBD::ResumeCommande& c : r.commandes) n << c.nomClient;
    return n;
}

QList<qint64> Numeros(const modBD::ResultatRecherche& r) {
    QList<qint64> n;
    for (const modBD::ResumeCommande& c : r.commandes) n << c.noClient;
    return n;
}


// Another program (the report tool) working on the same file through its own connection.
class AutreProgramme {
public:
    explicit AutreProgramme(const TestSupport::BaseTest& base) {
        if (TestSupport::SurServeur()) {
            TestSupport::ConnexionServeurTest(kNom, base.baseServeur());
            return;
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kNom);
        db.setDatabaseName(base.chemin());
        if (!db.open()) qFatal("cannot open the second connection");
    }
    ~AutreProgramme() {
        QSqlDatabase::database(kNom, false).close();
        QSqlDatabase::removeDatabase(kNom);
    }
    void Executer(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(kNom));
        if (!q.exec(sql)) qFatal("second connection: %s", qPrintable(sql));
    }
private:
    static inline const QString kNom = QStringLiteral("autre-programme");
};
}  // namespace

class TestRechercheCommandes : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestSupport::BaseTest> m_base;

    void Catalogue() {
        g_representation = m_base->AjouterRepresentation(m_base->AjouterPiece(QStringLiteral("Hamlet")), QStringLiteral("2026-03-01"));
        g_vendeur = m_base->AjouterVendeur(QStringLiteral("Alice"));
    }

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        m_base = std::make_unique<TestSupport::BaseTest>();
        Catalogue();
    }
    void cleanup() { m_base.reset(); }

    void pliage() {
        QCOMPARE(modBD::PlierTexte(QStringLiteral("  Éric   DUBÉ ")), QStringLiteral("eric dube"));
        QCOMPARE(modBD::PlierTexte(QStringLiteral("Œuvre d’Ÿves, Ça")), QStringLiteral("oeuvre d'yves, ca"));
        // Decomposed accents (as macOS writes them) fold like composed ones.
        QCOMPARE(modBD::PlierTexte(QStringLiteral("E\u0301ric")), modBD::PlierTexte(QStringLiteral("Éric")));
        // A tab or a line feed pasted in a name is a blank, never a separator of the copy.
        QCOMPARE(modBD::PlierTexte(QStringLiteral("a\tb\nc\x1f" "d")), QStringLiteral("a b c d"));
        QCOMPARE(modBD::PlierTexte(QStringLiteral("Straße")), QStringLiteral("strasse"));
    }

    // "eric" finds "Éric Dubé" and "Erica", whatever the case and accents typed; newest first by
    // order date (not by number), the date read by the program's rule.
    void nomSansAccentsNiCasse() {
        const qint64 dube = Commande("2026-02-10", "Éric Dubé", "");
        const qint64 roy = Commande("2026-02-12", "ERICA ROY", "");
        Commande("2026-02-11", "Marie Éthier", "");
        const qint64 ancien = Commande("2025-12-01", "Frédéric Léger", "");
        for (const QString& texte : {QStringLiteral("eric"), QStringLiteral("ÉRIC"), QStringLiteral(" Éric ")}) {
            const modBD::ResultatRecherche r = modBD::RechercherCommandes(texte);
            QCOMPARE(Numeros(r), (QList<qint64>{roy, dube, ancien}));
            QCOMPARE(r.total, 3);
        }
        // A date text that reads as no date sorts after every date.
        const qint64 sansDate = Commande("hier", "Éric Sans-Date", "");
        QCOMPARE(Numeros(modBD::RechercherCommandes("eric")), (QList<qint64>{roy, dube, ancien, sansDate}));
        modBD::Executer("DELETE FROM InfoClientReservation WHERE NoClient = ?", {sansDate});
        QCOMPARE(Noms(modBD::RechercherCommandes("dubé")), QStringList{"Éric Dubé"});
        QCOMPARE(Noms(modBD::RechercherCommandes("eric   DUBE")), QStringList{"Éric Dubé"});
        QCOMPARE(Noms(modBD::RechercherCommandes("ethier")), QStringList{"Marie Éthier"});
        QCOMPARE(modBD::RechercherCommandes("zoé").total, 0);
        QVERIFY(modBD::RechercherCommandes("zoé").commandes.isEmpty());
        // The summary of a line: children and adults, the seller, the amount.
        const modBD::ResumeCommande c = modBD::RechercherCommandes("dubé").commandes.value(0);
        QCOMPARE(c.billets, 3);
        QCOMPARE(c.vendeur, QStringLiteral("Alice"));
        QCOMPARE(c.montant, Montant::Centimes(3000));
        QCOMPARE(c.dateReservation, QStringLiteral("2026-02-10"));
        QVERIFY(!c.annulation);
    }

    void telephoneEtNumero() {
        const qint64 a = Commande("2026-02-10", "Anne", "555-1234");
        const qint64 b = Commande("2026-02-11", "Bruno", "4505550000");
        const qint64 c = Commande("2026-02-12", "Carole", "");
        // The phone as stored, with or without its dash, or a part of it.
        QCOMPARE(Numeros(modBD::RechercherCommandes("555-1234")), QList<qint64>{a});
        QCOMPARE(Numeros(modBD::RechercherCommandes("5551234")), QList<qint64>{a});
        QCOMPARE(Numeros(modBD::RechercherCommandes("555 12")), QList<qint64>{a});
        QCOMPARE(Numeros(modBD::RechercherCommandes("450-555")), QList<qint64>{b});
        QCOMPARE(Numeros(modBD::RechercherCommandes("555")), (QList<qint64>{b, a}));
        // The exact number comes first, then what the phones hold; a number alone finds its order.
        QCOMPARE(Numeros(modBD::RechercherCommandes(QString::number(c))).value(0), c);
        Commande("2026-02-13", "Denis", QStringLiteral("99%1").arg(a));
        const modBD::ResultatRecherche r = modBD::RechercherCommandes(QString::number(a));
        QCOMPARE(r.commandes.value(0).noClient, a);
        QCOMPARE(r.total, 2);
        QCOMPARE(modBD::RechercherCommandes("999999").total, 0);
    }

    // At most the limit, newest first, and the count of every order found.
    void limite() {
        QList<qint64> nos;
        modBD::Transaction t;
        for (int i = 0; i < 250; ++i)
            nos << Commande(QStringLiteral("2026-01-%1").arg(1 + i / 10, 2, 10, QLatin1Char('0')),
                            QStringLiteral("Client %1").arg(i), i % 2 ? "555-0000" : "");
        t.Valider();
        modBD::ResultatRecherche r = modBD::RechercherCommandes(QString());
        QCOMPARE(r.commandes.size(), 200);
        QCOMPARE(r.total, 250);
        QCOMPARE(r.commandes.first().noClient, nos.last());
        QCOMPARE(r.commandes.last().noClient, nos.at(50));
        r = modBD::RechercherCommandes("555-0000");
        QCOMPARE(r.commandes.size(), 125);
        QCOMPARE(r.total, 125);
        r = modBD::RechercherCommandes("client", 10);
        QCOMPARE(r.commandes.size(), 10);
        QCOMPARE(r.total, 250);
    }

    // The copy in memory follows every change, whoever makes it.
    void jamaisPerimee() {
        const qint64 a = Commande("2026-02-10", "Anne Roy", "");
        QCOMPARE(modBD::RechercherCommandes("roy").total, 1);
        // The program's own new order.
        const qint64 b = Commande("2026-02-11", "Paul Roy", "");
        QCOMPARE(Numeros(modBD::RechercherCommandes("roy")), (QList<qint64>{b, a}));
        // A late entry of an older order takes its place by date among those already kept.
        const qint64 vieux = Commande("2025-06-01", "Vieux Roy", "");
        const qint64 neuf = Commande("2026-02-10", "Neuf Roy", "");
        QCOMPARE(Numeros(modBD::RechercherCommandes("roy")), (QList<qint64>{b, neuf, a, vieux}));
        modBD::Executer(QStringLiteral("DELETE FROM InfoClientReservation WHERE NoClient IN (?, ?)"), {vieux, neuf});
        if (TestSupport::SurServeur())
            QSKIP("on a server the search copy follows the stations' new and deleted orders, not a client renamed by "
                  "another program (no window renames an order)");
        {
            // Another program renames one client and deletes an order.
            AutreProgramme autre(*m_base);
            autre.Executer(QStringLiteral("UPDATE InfoClientReservation SET NomClient = 'Anne Côté' WHERE NoClient = %1").arg(a));
            QCOMPARE(Numeros(modBD::RechercherCommandes("roy")), QList<qint64>{b});
            QCOMPARE(Numeros(modBD::RechercherCommandes("cote")), QList<qint64>{a});
            autre.Executer(QStringLiteral("DELETE FROM InfoClientReservation WHERE NoClient = %1").arg(b));
            QCOMPARE(modBD::RechercherCommandes("roy").total, 0);
        }
        // A row deleted through the program's own connection.
        modBD::Executer(QStringLiteral("DELETE FROM InfoClientReservation WHERE NoClient = ?"), {a});
        QCOMPARE(modBD::RechercherCommandes("").total, 0);
        // Another file opened: nothing of the first remains.
        Commande("2026-02-11", "Zoé", "");
        m_base.reset();
        m_base = std::make_unique<TestSupport::BaseTest>();
        QCOMPARE(modBD::RechercherCommandes("").total, 0);
    }

    void annulerEtRetablir() {
        const qint64 a = Commande("2026-02-10", "Anne", "");
        const qint64 b = Commande("2026-02-11", "Bruno", "");
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));
        QCOMPARE(modBD::AnnulerCommande(a, "2026-02-14", "  Client malade  "), ResultatAnnulation::Fait);
        QVERIFY(modBD::TablePresente(modBD::kTableAnnulations));
        const std::optional<modBD::Annulation> ann = modBD::LireAnnulation(a);
        QVERIFY(ann);
        QCOMPARE(ann->dateAnnulation, QStringLiteral("2026-02-14"));
        QCOMPARE(ann->motif, QStringLiteral("Client malade"));
        // The order's rows stay as they are.
        QCOMPARE(m_base->Compter("InfoClientReservation"), 2);
        QCOMPARE(m_base->Compter("InfoReservation"), 2);
        // The search shows it cancelled; the other is not.
        const modBD::ResultatRecherche r = modBD::RechercherCommandes("");
        QCOMPARE(r.commandes.value(1).noClient, a);
        QVERIFY(r.commandes.value(1).annulation);
        QVERIFY(!r.commandes.value(0).annulation);
        QCOMPARE(modBD::AnnulerCommande(a, "2026-02-15", "encore"), ResultatAnnulation::DejaAnnulee);
        QCOMPARE(modBD::LireAnnulation(a)->dateAnnulation, QStringLiteral("2026-02-14"));
        QCOMPARE(modBD::RetablirCommande(b), ResultatAnnulation::PasAnnulee);
        QCOMPARE(modBD::RetablirCommande(a), ResultatAnnulation::Fait);
        QVERIFY(!modBD::LireAnnulation(a));
        QCOMPARE(modBD::RetablirCommande(a), ResultatAnnulation::PasAnnulee);
        // A reason too long is refused whole, an empty date too: nothing written.
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::AnnulerCommande(b, "2026-02-14", QString(101, QLatin1Char('x'))));
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::AnnulerCommande(b, " ", QString()));
        QCOMPARE(m_base->Compter("AnnulationCommande"), 0);
        QCOMPARE(modBD::AnnulerCommande(b, "2026-02-14", QString(100, QLatin1Char('x'))), ResultatAnnulation::Fait);
    }

    // A file made before cancellations existed: searched and counted as it is, never changed
    // by reading; the first cancellation creates the table in its own transaction.
    void fichierSansTable() {
        const qint64 a = Commande("2026-02-10", "Anne", "", 1, 1, 20.0);
        const qint64 b = Commande("2026-02-11", "Bruno", "", 2, 2, 40.0);
        const QString somme = QStringLiteral("SELECT COALESCE(SUM(c.MontantTotal), 0) FROM InfoClientReservation c WHERE ");
        // Reading, searching and taking back leave the file's bytes as they were.
        modBD::FermerConnexion();
        const QByteArray empreinte = Empreinte(m_base->chemin());
        QVERIFY(modBD::OuvrirConnexion());
        QCOMPARE(modBD::ConditionNonAnnulee("c.NoClient"), QStringLiteral("1 = 1"));
        QCOMPARE(m_base->Valeur(somme + modBD::ConditionNonAnnulee("c.NoClient")).toDouble(), 60.0);
        QCOMPARE(modBD::RechercherCommandes("").total, 2);
        QVERIFY(!modBD::LireAnnulation(a));
        QCOMPARE(modBD::RetablirCommande(a), ResultatAnnulation::PasAnnulee);
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));  // reading and taking back create nothing
        modBD::FermerConnexion();
        QCOMPARE(Empreinte(m_base->chemin()), empreinte);
        QVERIFY(modBD::OuvrirConnexion());

        QCOMPARE(modBD::AnnulerCommande(b, "2026-02-14", QString()), ResultatAnnulation::Fait);
        QCOMPARE(m_base->Valeur(somme + modBD::ConditionNonAnnulee("c.NoClient")).toDouble(), 20.0);
        QCOMPARE(modBD::RetablirCommande(b), ResultatAnnulation::Fait);
        QCOMPARE(m_base->Valeur(somme + modBD::ConditionNonAnnulee("c.NoClient")).toDouble(), 60.0);
        // Only a column name is accepted in the condition.
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::ConditionNonAnnulee("1) OR (1"));
    }

    // Deleted by the report tool after it was listed: nothing is written, not even the table.
    void supprimeeEntreTemps() {
        const qint64 a = Commande("2026-02-10", "Anne", "");
        QCOMPARE(modBD::RechercherCommandes("anne").total, 1);
        AutreProgramme(*m_base).Executer(QStringLiteral("DELETE FROM InfoClientReservation WHERE NoClient = %1").arg(a));
        QCOMPARE(modBD::AnnulerCommande(a, "2026-02-14", "motif"), ResultatAnnulation::CommandeIntrouvable);
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));
        QCOMPARE(modBD::RetablirCommande(a), ResultatAnnulation::CommandeIntrouvable);
        QVERIFY(!modBD::LireCommande(a));
        QCOMPARE(modBD::RechercherCommandes("anne").total, 0);
    }

    void pannes_data() {
        QTest::addColumn<int>("panne");
        // The faults of the engine under test (stopping the server is tst_Pannes' business).
        for (TestSupport::Panne p : TestSupport::PannesPossibles())
            if (p != TestSupport::Panne::ServeurArrete) QTest::newRow(qPrintable(TestSupport::NomPanne(p))) << int(p);
    }
    void pannes() {
        QFETCH(int, panne);
        const qint64 a = Commande("2026-02-10", "Anne", "");
        const qint64 b = Commande("2026-02-11", "Bruno", "");
        QCOMPARE(modBD::AnnulerCommande(b, "2026-02-14", QString()), ResultatAnnulation::Fait);
        const QString avant = TestSupport::ContenuDesTables();
        {
            TestSupport::PanneBD p(*m_base, TestSupport::Panne(panne));
            try {
                modBD::AnnulerCommande(a, "2026-02-14", "motif");
                QFAIL("a cancellation was reported done on a file that cannot be written");
            } catch (const modBD::ErreurBD& e) {
                QVERIFY2(e.message().contains(TestSupport::MotPanne(TestSupport::Panne(panne))), qPrintable(e.message()));
            }
            QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::RetablirCommande(b));
            const bool lisible = TestSupport::Panne(panne) == TestSupport::Panne::LectureSeule ||
                                 TestSupport::Panne(panne) == TestSupport::Panne::Verrouillee;
            if (lisible) {
                QCOMPARE(modBD::RechercherCommandes("").total, 2);  // searching only reads
            } else {
                QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::RechercherCommandes(""));
                QVERIFY(p.FichierIntouche());
            }
        }
        QCOMPARE(TestSupport::ContenuDesTables(), avant);
        QVERIFY(!modBD::LireAnnulation(a));
        QVERIFY(modBD::LireAnnulation(b));
    }

    void detail() {
        const qint64 piece = m_base->AjouterPiece("Phèdre");
        const qint64 rep = m_base->AjouterRepresentation(piece, "2026-05-01");
        const qint64 a = Commande("2026-02-10", "Anne", "", 1, 2, 12.5);
        modBD::Executer("INSERT INTO InfoReservation (NoClient, NoRepresentation, NbEnfant, NbAdulte, Cout, VentePorte, NoVendeur) "
                        "VALUES (?, ?, 0, 4, 40, 1, ?)", {a, rep, g_vendeur});
        modBD::Executer("DELETE FROM Piece WHERE NoPiece = ?", {piece});
        const std::optional<modBD::DetailCommande> d = modBD::LireCommande(a);
        QVERIFY(d);
        QCOMPARE(d->lignes.size(), 2);
        QCOMPARE(d->lignes.at(0).nomPiece, QStringLiteral("Hamlet"));
        QCOMPARE(d->lignes.at(0).dateRepresentation, QStringLiteral("2026-03-01"));
        QCOMPARE(d->lignes.at(0).cout, Montant::Centimes(1250));
        QVERIFY(!d->lignes.at(0).ventePorte);
        QCOMPARE(d->lignes.at(1).nomPiece, QString());  // the play was deleted since
        QCOMPARE(d->lignes.at(1).dateRepresentation, QStringLiteral("2026-05-01"));
        QCOMPARE(d->lignes.at(1).nbAdultes, 4);
        QVERIFY(d->lignes.at(1).ventePorte);
        QCOMPARE(d->resume.billets, 7);
        QCOMPARE(d->resume.nbForfaits, 1);
        // An order row left without lines (by the report tool): listed, with nothing to add up.
        const qint64 vide = modBD::Executer("INSERT INTO InfoClientReservation (DateReservation, MontantTotal, NomClient, "
                                            "TelephoneClient, NbForfaits) VALUES ('2026-02-11', 0, 'Sans ligne', '', 0)")
                                .lastInsertId().toLongLong();
        const modBD::ResumeCommande r = modBD::RechercherCommandes("sans ligne").commandes.value(0);
        QCOMPARE(r.noClient, vide);
        QCOMPARE(r.billets, 0);
        QCOMPARE(r.vendeur, QString());
        QVERIFY(modBD::LireCommande(vide)->lignes.isEmpty());
        // Stored costs come back to the cent as every report counts them (1.005 is 1,01 there),
        // not as their binary doubles would print.
        const qint64 cents = Commande("2026-02-12", "Demi-cent", "", 1, 0, 1.005);
        QCOMPARE(modBD::RechercherCommandes("demi-cent").commandes.value(0).montant, Montant::Centimes(101));
        QCOMPARE(modBD::LireCommande(cents)->lignes.at(0).cout, Montant::Centimes(101));
    }
};

QTEST_MAIN(TestRechercheCommandes)
#include "tst_RechercheCommandes.moc"
