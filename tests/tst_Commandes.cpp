// Writing orders: conversions of each value, lookups by name, and the all-or-nothing save.
#include "TestSupport.h"
#include "modBD.h"
#include "modBD_Commandes.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using modBD::Commande;
using modBD::ErreurBD;
using modBD::LigneCommande;

class TestCommandes : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::BaseTest> m_bd;
    qint64 m_avare = 0;
    qint64 m_cid = 0;
    qint64 m_anne = 0;
    qint64 m_bob = 0;

    Commande CommandeDeDeuxLignes() {
        Commande c;
        c.dateReservation = QStringLiteral("2026-03-05");
        c.montantTotal = Montant::Centimes(2000);
        c.nomClient = QStringLiteral("Tremblay");
        c.telephoneClient = QStringLiteral("555-1234");
        c.nbForfaits = QStringLiteral("1");
        c.nomVendeur = QStringLiteral("Anne (C)");
        c.lignes = {{"L'Avare", "2026-12-24", "1", "2", Montant::Centimes(1250), "Non"},
                    {"Le Cid", "2026-12-31", "0", "3", Montant::Centimes(750), "Non"}};
        return c;
    }

    qint64 Lignes() { return m_bd->Compter(QStringLiteral("InfoReservation")); }
    qint64 Commandes() { return m_bd->Compter(QStringLiteral("InfoClientReservation")); }

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        m_bd = std::make_unique<TestSupport::BaseTest>();
        m_avare = m_bd->AjouterPiece(QStringLiteral("L'Avare"));
        m_cid = m_bd->AjouterPiece(QStringLiteral("Le Cid"));
        m_bd->AjouterRepresentation(m_avare, QStringLiteral("2026-12-24"));
        m_bd->AjouterRepresentation(m_cid, QStringLiteral("2026-12-31"));
        m_bob = m_bd->AjouterVendeur(QStringLiteral("Bob"));
        m_anne = m_bd->AjouterVendeur(QStringLiteral("Anne"), true);
    }
    void cleanup() { m_bd.reset(); }

    void commandeEcrite() {
        const QString no = modBD::AjouterInfoClientReservation("2026-03-05", "20,5", "Tremblay", "", "3");
        QCOMPARE(no, m_bd->Valeur("SELECT MAX(NoClient) FROM InfoClientReservation").toString());
        // The stored type of the count: SQLite's typeof, the server's pg_typeof.
        const QString typeDe = TestSupport::SurServeur() ? "pg_typeof(NbForfaits)::text" : "typeof(NbForfaits)";
        QSqlQuery q = modBD::Executer("SELECT DateReservation, MontantTotal, NomClient, TelephoneClient, NbForfaits, " + typeDe +
                                      " FROM InfoClientReservation WHERE NoClient = ?", {no});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("2026-03-05"));
        QCOMPARE(q.value(1).toDouble(), 20.5);
        QCOMPARE(q.value(2).toString(), QStringLiteral("Tremblay"));
        QCOMPARE(q.value(3).toString(), QString(""));  // an empty phone is stored as empty text
        QCOMPARE(q.value(4).toInt(), 3);
        // A number, not the typed text.
        QCOMPARE(q.value(5).toString(), TestSupport::SurServeur() ? QStringLiteral("bigint") : QStringLiteral("integer"));
    }

    // Amount rule, in both locales, for the total and for a line cost.
    void montants_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<double>("attendu");
        const QLocale fr = TestSupport::LocaleFrancaise();
        const QLocale en = TestSupport::LocaleAnglaise();
        QTest::newRow("fr virgule") << fr << "12,5" << 12.5;
        QTest::newRow("fr point remplacé") << fr << "12.5" << 12.5;
        QTest::newRow("en point") << en << "12.5" << 12.5;
        QTest::newRow("en virgule remplacée") << en << "12,5" << 12.5;
        QTest::newRow("ni nombre ni séparateur") << fr << "abc" << 0.0;
        QTest::newRow("entier") << en << "20" << 20.0;
    }
    void montants() {
        QFETCH(QLocale, locale);
        QFETCH(QString, texte);
        QFETCH(double, attendu);
        TestSupport::DefinirLocale(locale);
        const QString no = modBD::AjouterInfoClientReservation("2026-03-05", texte, "X", "", "0");
        QString vendeur = "Bob";
        modBD::AjouterInfoReservation(no, "L'Avare", "2026-12-24", "1", "0", texte, "Non", vendeur);
        QCOMPARE(m_bd->Valeur("SELECT MontantTotal FROM InfoClientReservation WHERE NoClient = ?", {no}).toDouble(), attendu);
        QCOMPARE(m_bd->Valeur("SELECT Cout FROM InfoReservation WHERE NoClient = ?", {no}).toDouble(), attendu);
    }

    void ventePorte_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("attendu");
        QTest::newRow("Oui") << "Oui" << 1;
        QTest::newRow("Non") << "Non" << 0;
        QTest::newRow("oui (casse)") << "oui" << 0;
        QTest::newRow("OUI") << "OUI" << 0;
        QTest::newRow("vide") << "" << 0;
        QTest::newRow("1") << "1" << 0;
    }
    void ventePorte() {
        QFETCH(QString, texte);
        QFETCH(int, attendu);
        QString vendeur = "Bob";
        modBD::AjouterInfoReservation("1", "L'Avare", "2026-12-24", "1", "0", "5", texte, vendeur);
        QCOMPARE(m_bd->Valeur("SELECT VentePorte FROM InfoReservation").toInt(), attendu);
    }

    // Counts go through the 16-bit rule: nearest integer, halves to even, nothing out of range.
    void comptes_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("attendu");  // -99999: refused
        QTest::newRow("3") << "3" << 3;
        QTest::newRow("blancs autour") << " 2 " << 2;
        QTest::newRow("00") << "00" << 0;
        QTest::newRow("négatif") << "-2" << -2;
        QTest::newRow("2,5 vers 2") << "2,5" << 2;
        QTest::newRow("3,5 vers 4") << "3,5" << 4;
        QTest::newRow("exposant") << "1E3" << 1000;
        QTest::newRow("max") << "32767" << 32767;
        QTest::newRow("trop grand") << "99999" << -99999;
        QTest::newRow("exposant trop grand") << "1E9" << -99999;
        QTest::newRow("lettres") << "abc" << -99999;
        QTest::newRow("vide") << "" << -99999;
    }
    void comptes() {
        QFETCH(QString, texte);
        QFETCH(int, attendu);
        // The same rule for the packages of the order and the children and adults of a line.
        Commande c = CommandeDeDeuxLignes();
        c.nbForfaits = texte;
        c.lignes[1].nbEnfants = texte;
        c.lignes[1].nbAdultes = texte;
        if (attendu == -99999) {
            try {
                modBD::EnregistrerCommande(c);
                QFAIL("a count that cannot be stored was accepted");
            } catch (const ErreurBD& e) {
                QVERIFY2(e.message().contains(QStringLiteral("« %1 »").arg(texte)), qPrintable(e.message()));
            }
            QCOMPARE(Commandes(), 0);
            QCOMPARE(Lignes(), 0);
            return;
        }
        const QString no = modBD::EnregistrerCommande(c);
        QCOMPARE(m_bd->Valeur("SELECT NbForfaits FROM InfoClientReservation WHERE NoClient = ?", {no}).toInt(), attendu);
        QCOMPARE(m_bd->Valeur("SELECT NbEnfant FROM InfoReservation WHERE NoClient = ? ORDER BY NoLigne DESC", {no}).toInt(), attendu);
        QCOMPARE(m_bd->Valeur("SELECT NbAdulte FROM InfoReservation WHERE NoClient = ? ORDER BY NoLigne DESC", {no}).toInt(), attendu);
    }

    void vendeurComedien() {
        QString vendeur = "Anne (C)";
        modBD::AjouterInfoReservation("1", "L'Avare", "2026-12-24", "1", "0", "5", "Non", vendeur);
        QCOMPARE(vendeur, QStringLiteral("Anne"));  // the argument loses its marker in place
        QCOMPARE(m_bd->Valeur("SELECT NoVendeur FROM InfoReservation").toLongLong(), m_anne);

        // Only the exact " (C)" is a marker: these names are looked up as they are, and not found.
        for (const QString& nom : {QStringLiteral("Anne (c)"), QStringLiteral("Anne(C)")}) {
            QString v = nom;
            QVERIFY_THROWS_EXCEPTION(ErreurBD, modBD::AjouterInfoReservation("1", "L'Avare", "2026-12-24", "1", "0", "5", "Non", v));
            QCOMPARE(v, nom);
        }
        QCOMPARE(Lignes(), 1);
    }

    void commandeEntiere() {
        modBD::EnregistrerCommande(CommandeDeDeuxLignes());  // an earlier order: numbers must not mix
        const QString no = modBD::EnregistrerCommande(CommandeDeDeuxLignes());
        QCOMPARE(no, m_bd->Valeur("SELECT MAX(NoClient) FROM InfoClientReservation").toString());
        QSqlQuery q = modBD::Executer("SELECT NoClient, NoRepresentation, NbEnfant, NbAdulte, Cout, VentePorte, NoVendeur "
                                      "FROM InfoReservation ORDER BY NoLigne");
        QList<QVariantList> rangees;
        while (q.next()) {
            QVariantList r;
            for (int i = 0; i < 7; ++i) r << q.value(i);
            rangees << r;
        }
        QCOMPARE(rangees.size(), 4);
        const qint64 repAvare = m_bd->Valeur("SELECT NoRepresentation FROM Representation WHERE NoPiece = ?", {m_avare}).toLongLong();
        const qint64 repCid = m_bd->Valeur("SELECT NoRepresentation FROM Representation WHERE NoPiece = ?", {m_cid}).toLongLong();
        // Lines of the second order, in list order, carrying its number and the one seller.
        QCOMPARE(rangees[2][0].toString(), no);
        QCOMPARE(rangees[3][0].toString(), no);
        QCOMPARE(rangees[2][1].toLongLong(), repAvare);
        QCOMPARE(rangees[3][1].toLongLong(), repCid);
        QCOMPARE(rangees[2][2].toInt(), 1);
        QCOMPARE(rangees[2][3].toInt(), 2);
        QCOMPARE(rangees[2][4].toDouble(), 12.5);
        QCOMPARE(rangees[3][4].toDouble(), 7.5);
        QCOMPARE(rangees[3][6].toLongLong(), m_anne);
        QVERIFY(rangees[0][0].toString() != no);
    }

    // A name gone since the line was added: nothing of the order stays, the message names the line.
    void nomDisparu_data() {
        QTest::addColumn<QString>("suppression");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("pièce") << "DELETE FROM Piece WHERE NomPiece = 'Le Cid'" << "Ligne 2 (« Le Cid », 2026-12-31) : la pièce « Le Cid »";
        QTest::newRow("représentation") << "DELETE FROM Representation WHERE DateRepresentation = '2026-12-31'"
                                        << "Ligne 2 (« Le Cid », 2026-12-31) : la représentation du 2026-12-31";
        QTest::newRow("vendeur") << "DELETE FROM Vendeur WHERE NomVendeur = 'Anne'" << "Ligne 1 (« L'Avare », 2026-12-24) : le vendeur « Anne »";
    }
    void nomDisparu() {
        QFETCH(QString, suppression);
        QFETCH(QString, attendu);
        modBD::Executer(suppression);
        try {
            modBD::EnregistrerCommande(CommandeDeDeuxLignes());
            QFAIL("the order was saved although a name is gone");
        } catch (const ErreurBD& e) {
            QVERIFY2(e.message().startsWith(attendu), qPrintable(e.message()));
        }
        QCOMPARE(Commandes(), 0);
        QCOMPARE(Lignes(), 0);
        // Once corrected, the order saves: nothing was left half-open.
        Commande corrigee = CommandeDeDeuxLignes();
        corrigee.nomVendeur = QStringLiteral("Bob");
        corrigee.lignes.removeLast();
        modBD::EnregistrerCommande(corrigee);
        QCOMPARE(Commandes(), 1);
        QCOMPARE(Lignes(), 1);
    }

    // Another program holds the write lock (the report tool, say): a clear message, nothing written.
    void baseVerrouillee() {
        {
            TestSupport::VerrouAutreProgramme verrou(*m_bd);
            try {
                modBD::EnregistrerCommande(CommandeDeDeuxLignes());
                QFAIL("saved through a lock");
            } catch (const ErreurBD& e) {
                QVERIFY2(e.message().contains(QStringLiteral("occupée")), qPrintable(e.message()));
            }
        }
        QCOMPARE(Commandes(), 0);
        modBD::EnregistrerCommande(CommandeDeDeuxLignes());
        QCOMPARE(Lignes(), 2);
    }

    // Quotes in names are values, not SQL.
    void guillemets() {
        const qint64 p = m_bd->AjouterPiece(QStringLiteral("Le \"Malade\" l'imaginaire"));
        m_bd->AjouterRepresentation(p, "2027-01-02");
        QString vendeur = "Bob";
        modBD::AjouterInfoReservation("1", "Le \"Malade\" l'imaginaire", "2027-01-02", "1", "0", "5", "Non", vendeur);
        QCOMPARE(m_bd->Valeur("SELECT NoVendeur FROM InfoReservation").toLongLong(), m_bob);
    }
};

QTEST_MAIN(TestCommandes)
#include "tst_Commandes.moc"
