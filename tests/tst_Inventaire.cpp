// The ticket stock ledger: movements written by name, counts summed by the database,
// and exchanges written whole or not at all.
#include "TestSupport.h"
#include "modBD.h"
#include "modBD_Inventaire.h"

#include <QSqlQuery>
#include <QTest>

namespace {
struct Mouvement {
    QString vendeur;
    int nombre;
};
}  // namespace
Q_DECLARE_METATYPE(QList<Mouvement>)

class TestInventaire : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    void compte_data() {
        QTest::addColumn<QList<Mouvement>>("mouvements");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("aucun mouvement") << QList<Mouvement>{} << "0";
        QTest::newRow("vendeurs additionnés") << QList<Mouvement>{{"Alice", 10}, {"Bruno", 5}, {"Alice", -3}} << "12";
        QTest::newRow("négatif") << QList<Mouvement>{{"Alice", -3}} << "-3";
        QTest::newRow("au-delà de 32767") << QList<Mouvement>{{"Alice", 20000}, {"Bruno", 20000}, {"Alice", 20000}} << "60000";
        QTest::newRow("en deçà de -32768") << QList<Mouvement>{{"Alice", -32768}, {"Alice", -32768}} << "-65536";
        QTest::newRow("qui s'annulent") << QList<Mouvement>{{"Alice", 7}, {"Bruno", -7}} << "0";
    }
    void compte() {
        QFETCH(QList<Mouvement>, mouvements);
        QFETCH(QString, attendu);
        TestSupport::BaseTest base;
        const qint64 hamlet = base.AjouterPiece("Hamlet");
        base.AjouterRepresentation(hamlet, "2026-03-01");
        base.AjouterRepresentation(hamlet, "2026-03-02");
        const qint64 autre = base.AjouterPiece("Tartuffe");
        base.AjouterRepresentation(autre, "2026-03-01");
        base.AjouterVendeur("Alice");
        base.AjouterVendeur("Bruno", true);
        // Rows of the neighbouring performances must not leak into the count.
        modBD::AjouterMouvementInventaire("2026-02-01", "Hamlet", "2026-03-02", 100, "", "Alice");
        modBD::AjouterMouvementInventaire("2026-02-01", "Tartuffe", "2026-03-01", 1000, "", "Bruno (C)");
        for (const Mouvement& m : mouvements) {
            const QString affiche = m.vendeur == "Bruno" ? "Bruno (C)" : m.vendeur;
            modBD::AjouterMouvementInventaire("2026-02-01", "Hamlet", "2026-03-01", static_cast<qint16>(m.nombre), "", affiche);
        }
        QCOMPARE(modBD::ObtenirNbBillets("Hamlet", "2026-03-01"), attendu);
    }

    void compteIntrouvable() {
        TestSupport::BaseTest base;
        const qint64 hamlet = base.AjouterPiece("Hamlet");
        base.AjouterRepresentation(hamlet, "2026-03-01");
        base.AjouterVendeur("Alice");
        modBD::AjouterMouvementInventaire("2026-02-01", "Hamlet", "2026-03-01", 4, "", "Alice");
        QCOMPARE(modBD::ObtenirNbBillets("Hamlet", "2026-03-01"), QString("4"));
        QCOMPARE(modBD::ObtenirNbBillets("Macbeth", "2026-03-01"), QString("0"));
        QCOMPARE(modBD::ObtenirNbBillets("Hamlet", "2026-03-09"), QString("0"));
        QCOMPARE(modBD::ObtenirNbBillets("hamlet", "2026-03-01"), QString("0"));  // exact case
        QCOMPARE(modBD::ObtenirNbBillets("", ""), QString("0"));
    }

    void ligneEcrite() {
        TestSupport::BaseTest base;
        const qint64 piece = base.AjouterPiece("Le \"Roi\" s'amuse");
        base.AjouterRepresentation(piece, "2026-03-01");
        const qint64 rep = base.AjouterRepresentation(piece, "l'an 2026");
        base.AjouterVendeur("Alice");
        const qint64 vendeur = base.AjouterVendeur("O'Neil \"Jo\"", true);
        modBD::AjouterMouvementInventaire("2026-02-14", "Le \"Roi\" s'amuse", "l'an 2026", -12, QString(), "O'Neil \"Jo\" (C)");
        QCOMPARE(base.Compter("InventaireBillets"), 1);
        QSqlQuery q = modBD::Executer("SELECT NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire FROM InventaireBillets");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toLongLong(), rep);
        QCOMPARE(q.value(1).toLongLong(), vendeur);
        QCOMPARE(q.value(2).toInt(), -12);
        QCOMPARE(q.value(3).toString(), QString("2026-02-14"));
        QVERIFY(!q.value(4).isNull());  // an empty comment is empty text, not missing
        QCOMPARE(q.value(4).toString(), QString(""));
    }

    void marqueComedien_data() {
        QTest::addColumn<QString>("affiche");
        QTest::addColumn<QString>("trouve");  // seller the row must name; empty: refused
        QTest::newRow("avec marque") << "Paul (C)" << "Paul";
        QTest::newRow("sans marque") << "Paul" << "Paul";
        QTest::newRow("c minuscule gardé") << "Marie (c)" << "Marie (c)";
        QTest::newRow("c minuscule sans homonyme") << "Paul (c)" << "";
        QTest::newRow("casse différente") << "paul" << "";
    }
    void marqueComedien() {
        QFETCH(QString, affiche);
        QFETCH(QString, trouve);
        TestSupport::BaseTest base;
        base.AjouterRepresentation(base.AjouterPiece("Hamlet"), "2026-03-01");
        base.AjouterVendeur("Paul", true);
        base.AjouterVendeur("Marie (c)");
        base.AjouterVendeur("Marie");
        if (trouve.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD,
                                     modBD::AjouterMouvementInventaire("2026-02-01", "Hamlet", "2026-03-01", 1, "", affiche));
            QCOMPARE(base.Compter("InventaireBillets"), 0);
            return;
        }
        modBD::AjouterMouvementInventaire("2026-02-01", "Hamlet", "2026-03-01", 1, "", affiche);
        QCOMPARE(base.Valeur("SELECT v.NomVendeur FROM InventaireBillets i JOIN Vendeur v ON v.NoVendeur = i.NoVendeur").toString(),
                 trouve);
    }

    // A name the lists showed may be gone, or nothing was chosen: no row, and the clerk is told what.
    void mouvementIncomplet_data() {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("vendeur");
        QTest::addColumn<QString>("message");
        QTest::newRow("pièce non choisie") << "" << "" << "Alice" << "Aucune pièce n'est choisie.";
        QTest::newRow("pièce effacée") << "Effacée" << "2026-03-01" << "Alice" << "La pièce « Effacée » n'existe plus";
        QTest::newRow("représentation non choisie") << "Hamlet" << "" << "Alice" << "Aucune représentation de la pièce « Hamlet »";
        QTest::newRow("représentation effacée") << "Hamlet" << "2026-03-05" << "Alice"
                                                << "La représentation du 2026-03-05 de la pièce « Hamlet » n'existe plus";
        QTest::newRow("aucun vendeur") << "Hamlet" << "2026-03-01" << "" << "Aucun vendeur n'est choisi.";
        QTest::newRow("vendeur effacé") << "Hamlet" << "2026-03-01" << "Bruno (C)" << "Le vendeur « Bruno » n'existe plus";
    }
    void mouvementIncomplet() {
        QFETCH(QString, piece);
        QFETCH(QString, date);
        QFETCH(QString, vendeur);
        QFETCH(QString, message);
        TestSupport::BaseTest base;
        const qint64 hamlet = base.AjouterPiece("Hamlet");
        base.AjouterRepresentation(hamlet, "2026-03-01");
        const qint64 efface = base.AjouterRepresentation(hamlet, "2026-03-05");
        base.AjouterVendeur("Alice");
        const qint64 bruno = base.AjouterVendeur("Bruno", true);
        const qint64 autre = base.AjouterPiece("Effacée");
        base.AjouterRepresentation(autre, "2026-03-01");
        modBD::Executer("DELETE FROM Piece WHERE NoPiece = ?", {autre});
        modBD::Executer("DELETE FROM Representation WHERE NoRepresentation = ?", {efface});
        modBD::Executer("DELETE FROM Vendeur WHERE NoVendeur = ?", {bruno});
        try {
            modBD::AjouterMouvementInventaire("2026-02-01", piece, date, 5, "note", vendeur);
            QFAIL("the movement was accepted");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
            QVERIFY(e.message().contains("n'a pas été enregistré"));
        }
        QCOMPARE(base.Compter("InventaireBillets"), 0);
    }

    void echange() {
        TestSupport::BaseTest base;
        const qint64 hamlet = base.AjouterPiece("Hamlet");
        const qint64 rep1 = base.AjouterRepresentation(hamlet, "2026-03-01");
        const qint64 tartuffe = base.AjouterPiece("Tartuffe");
        const qint64 rep2 = base.AjouterRepresentation(tartuffe, "2026-04-01");
        const qint64 alice = base.AjouterVendeur("Alice");
        const qint64 bruno = base.AjouterVendeur("Bruno", true);
        modBD::AjouterEchangeInventaire("2026-02-10", {"Hamlet", "2026-03-01", "Alice"}, {"Tartuffe", "2026-04-01", "Bruno (C)"},
                                        5, "troc");
        QSqlQuery q = modBD::Executer("SELECT NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire "
                                      "FROM InventaireBillets ORDER BY NoMouvement");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toLongLong(), rep1);
        QCOMPARE(q.value(1).toLongLong(), alice);
        QCOMPARE(q.value(2).toInt(), -5);
        QCOMPARE(q.value(3).toString(), QString("2026-02-10"));
        QCOMPARE(q.value(4).toString(), QString("troc"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toLongLong(), rep2);
        QCOMPARE(q.value(1).toLongLong(), bruno);
        QCOMPARE(q.value(2).toInt(), 5);
        QCOMPARE(q.value(3).toString(), QString("2026-02-10"));
        QCOMPARE(q.value(4).toString(), QString("troc"));
        QVERIFY(!q.next());
        // Larger than the giver's stock: accepted, the count goes negative.
        QCOMPARE(modBD::ObtenirNbBillets("Hamlet", "2026-03-01"), QString("-5"));
        QCOMPARE(modBD::ObtenirNbBillets("Tartuffe", "2026-04-01"), QString("5"));
    }

    void echangeMemeCote() {
        TestSupport::BaseTest base;
        base.AjouterRepresentation(base.AjouterPiece("Hamlet"), "2026-03-01");
        base.AjouterVendeur("Alice");
        const modBD::CoteEchange cote{"Hamlet", "2026-03-01", "Alice"};
        modBD::AjouterEchangeInventaire("2026-02-10", cote, cote, 32767, "");
        QCOMPARE(base.Compter("InventaireBillets"), 2);
        QCOMPARE(base.Valeur("SELECT Nombre FROM InventaireBillets ORDER BY NoMouvement LIMIT 1").toInt(), -32767);
        QCOMPARE(base.Valeur("SELECT Nombre FROM InventaireBillets ORDER BY NoMouvement DESC LIMIT 1").toInt(), 32767);
        QCOMPARE(modBD::ObtenirNbBillets("Hamlet", "2026-03-01"), QString("0"));
    }

    // Both rows or neither, whichever side fails and however.
    void echangeTransaction_data() {
        QTest::addColumn<int>("cas");
        QTest::addColumn<QString>("message");
        QTest::newRow("représentation reçue effacée") << 0 << "Côté « Recu » : La représentation du 2026-04-01";
        QTest::newRow("vendeur donné effacé") << 1 << "Côté « Donné » : Le vendeur « Bruno »";
        QTest::newRow("écriture reçue refusée") << 2 << "Opération impossible";
        QTest::newRow("nombre négatif") << 3 << "ne peut être négatif";
    }
    void echangeTransaction() {
        QFETCH(int, cas);
        QFETCH(QString, message);
        TestSupport::BaseTest base;
        base.AjouterRepresentation(base.AjouterPiece("Hamlet"), "2026-03-01");
        const qint64 rep2 = base.AjouterRepresentation(base.AjouterPiece("Tartuffe"), "2026-04-01");
        base.AjouterVendeur("Alice");
        const qint64 bruno = base.AjouterVendeur("Bruno");
        qint16 nombre = 7;
        if (cas == 0) modBD::Executer("DELETE FROM Representation WHERE NoRepresentation = ?", {rep2});
        if (cas == 1) modBD::Executer("DELETE FROM Vendeur WHERE NoVendeur = ?", {bruno});
        // The database refuses the second row only: the first one is already in when it fails.
        if (cas == 2 && TestSupport::SurServeur())
            modBD::Executer("ALTER TABLE InventaireBillets ADD CONSTRAINT Refus CHECK (Nombre <= 0)");
        else if (cas == 2)
            modBD::Executer("CREATE TRIGGER Refus BEFORE INSERT ON InventaireBillets WHEN NEW.Nombre > 0 "
                            "BEGIN SELECT RAISE(ABORT, 'refus'); END");
        if (cas == 3) nombre = -7;
        try {
            modBD::AjouterEchangeInventaire("2026-02-10", {"Hamlet", "2026-03-01", "Bruno"}, {"Tartuffe", "2026-04-01", "Alice"},
                                            nombre, "");
            QFAIL("the exchange was accepted");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
        QCOMPARE(base.Compter("InventaireBillets"), 0);
        // The connection is usable afterwards: no transaction left open.
        if (TestSupport::SurServeur())
            modBD::Executer("ALTER TABLE InventaireBillets DROP CONSTRAINT IF EXISTS Refus");
        else
            modBD::Executer("DROP TRIGGER IF EXISTS Refus");
        modBD::AjouterMouvementInventaire("2026-02-10", "Hamlet", "2026-03-01", 1, "", "Alice");
        QCOMPARE(base.Compter("InventaireBillets"), 1);
    }
};

QTEST_MAIN(TestInventaire)
#include "tst_Inventaire.moc"
