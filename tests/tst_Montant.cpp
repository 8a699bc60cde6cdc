// Money in whole cents: what a clerk types, what a stored double holds, and each way it is written.
#include "Montant.h"
#include "TestSupport.h"
#include "modBD.h"
#include "modBD_Commandes.h"

#include <QSqlQuery>
#include <QTest>

namespace {
double Valeur(const QString& requete) {
    QSqlQuery q = modBD::Executer(requete);
    return q.next() ? q.value(0).toDouble() : -1.0;
}
}  // namespace

class tst_Montant : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { TestSupport::DefinirLocale(TestSupport::LocaleFrancaise()); }

    // The clerk's text is read as the exact decimal typed, then rounded once, halves away from zero.
    void saisie_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<qlonglong>("centimes");  // -1 000 000 000 000: refused
        const qlonglong refuse = -1'000'000'000'000;
        QTest::newRow("virgule") << "12,5" << 1250LL;
        QTest::newRow("demi-centime") << "0,005" << 1LL;
        QTest::newRow("sous le demi") << "0,0049" << 0LL;
        QTest::newRow("1,005 exact") << "1,005" << 101LL;
        QTest::newRow("2,675 exact") << "2,675" << 268LL;
        QTest::newRow("négatif symétrique") << "-1,005" << -101LL;
        QTest::newRow("négatif demi") << "-0,005" << -1LL;
        QTest::newRow("exposant") << "1,5e2" << 15000LL;
        QTest::newRow("exposant négatif") << "125e-2" << 125LL;
        QTest::newRow("minuscule") << "1e-400" << 0LL;
        QTest::newRow("blancs et signe") << " +7 " << 700LL;
        QTest::newRow("sans entier") << ",5" << 50LL;
        QTest::newRow("maximum") << "99999999,99" << 9'999'999'999LL;
        QTest::newRow("au-delà d'un demi-centime") << "99999999,995" << refuse;
        QTest::newRow("9e99") << "9e99" << refuse;
        QTest::newRow("1e8") << "1e8" << refuse;
        QTest::newRow("-9e99") << "-9e99" << refuse;
        QTest::newRow("1e7 (5 caractères)") << "1e7" << 1'000'000'000LL;
        QTest::newRow("point en français") << "12.5" << refuse;
        QTest::newRow("vide") << "" << refuse;
        QTest::newRow("blanc") << " " << refuse;
        QTest::newRow("lettres") << "12a" << refuse;
        QTest::newRow("groupé") << "1 000" << refuse;
    }
    void saisie() {
        QFETCH(QString, texte);
        QFETCH(qlonglong, centimes);
        const std::optional<Montant> m = Montant::LireSaisie(texte);
        if (centimes == -1'000'000'000'000) {
            QVERIFY2(!m, qPrintable(texte));
        } else {
            QVERIFY2(m, qPrintable(texte));
            QCOMPARE(m->centimes(), centimes);
        }
    }

    // A stored double loses its binary noise first: 1.005 is kept as 1.00499… but was typed 1.005.
    void stocke() {
        QCOMPARE(Montant::DepuisStocke(1.005).centimes(), 101LL);
        QCOMPARE(Montant::DepuisStocke(2.675).centimes(), 268LL);
        QCOMPARE(Montant::DepuisStocke(-1.005).centimes(), -101LL);
        QCOMPARE(Montant::DepuisStocke(0.005).centimes(), 1LL);
        QCOMPARE(Montant::DepuisStocke(-0.005).centimes(), -1LL);
        QCOMPARE(Montant::DepuisStocke(0.0049).centimes(), 0LL);
        QCOMPARE(Montant::DepuisStocke(0.1 + 0.2).centimes(), 30LL);
        QCOMPARE(Montant::DepuisStocke(12345678.9).centimes(), 1234567890LL);
        QCOMPARE(Montant::DepuisStocke(std::nan("")).centimes(), 0LL);
        // A file of an earlier version holding 9e99: held at a bound, and sums of it stay exact.
        const Montant enorme = Montant::DepuisStocke(9e99);
        QVERIFY(enorme.centimes() > 0);
        QCOMPARE((enorme + enorme - enorme).centimes(), enorme.centimes());
        QCOMPARE(Montant::DepuisStocke(-9e99).centimes(), -enorme.centimes());
    }

    // One text per use: screen and paper grouped with " $", CSV plain, the main window's total short.
    void formats() {
        const QLocale fr(QLocale::French, QLocale::Canada);
        const QString g = fr.groupSeparator();
        const Montant m = Montant::Centimes(123456789);
        const QString groupe = QStringLiteral("1") + g + QStringLiteral("234") + g + QStringLiteral("567,89");
        QCOMPARE(m.Texte(fr), groupe + QStringLiteral(" $"));
        QCOMPARE(m.TexteGroupe(fr), groupe);
        QCOMPARE(m.TexteSimple(fr), QStringLiteral("1234567,89"));
        QCOMPARE(Montant::Centimes(-5).TexteSimple(fr), QStringLiteral("-0,05"));
        QCOMPARE(Montant::Centimes(-5).Texte(fr), QStringLiteral("-0,05 $"));
        QCOMPARE(Montant::Centimes(0).Texte(fr), QStringLiteral("0,00 $"));
        QCOMPARE(Montant::Centimes(2000).TexteGeneral(fr), QStringLiteral("20"));
        QCOMPARE(Montant::Centimes(15750).TexteGeneral(fr), QStringLiteral("157,5"));
        QCOMPARE(Montant::Centimes(1332).TexteGeneral(fr), QStringLiteral("13,32"));
        QCOMPARE(Montant::Centimes(0).TexteGeneral(fr), QStringLiteral("0"));
        QCOMPARE(Montant::Centimes(-1050).TexteGeneral(fr), QStringLiteral("-10,5"));
        QCOMPARE(Montant::Centimes(-1050).TexteGeneral(QLocale::c()), QStringLiteral("-10.5"));
        QCOMPARE(Montant::Centimes(1001).Nombre(), 10.01);
    }

    // The order procedures' amount rule: the other separator is still read, a number too large is refused.
    void regleDesMontants() {
        QCOMPARE(Montant::LireTexte(QStringLiteral("12,5")).centimes(), 1250LL);
        QCOMPARE(Montant::LireTexte(QStringLiteral("12.5")).centimes(), 1250LL);
        QCOMPARE(Montant::LireTexte(QStringLiteral("douze")).centimes(), 0LL);
        TestSupport::BaseTest base;
        const qint64 piece = base.AjouterPiece(QStringLiteral("Le Cid"));
        base.AjouterRepresentation(piece, QStringLiteral("2026-12-10"));
        base.AjouterVendeur(QStringLiteral("Anne"));
        // The text procedure refuses it before anything is written.
        const QString no = modBD::AjouterInfoClientReservation(QStringLiteral("2026-12-01"), QStringLiteral("9e99"),
                                                               QStringLiteral("Zoé"), QString(), QStringLiteral("0"));
        QString anne = QStringLiteral("Anne");
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD,
                                 modBD::AjouterInfoReservation(no, QStringLiteral("Le Cid"), QStringLiteral("2026-12-10"),
                                                               QStringLiteral("1"), QStringLiteral("0"),
                                                               QStringLiteral("9e99"), QStringLiteral("Non"), anne));
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::CoutDepuisTexte(QStringLiteral("-9e9")));
        // The total's text follows the plain rule: no number it can hold, so 0.
        QCOMPARE(Valeur(QStringLiteral("SELECT MontantTotal FROM InfoClientReservation")), 0.0);
        QCOMPARE(Valeur(QStringLiteral("SELECT COUNT(*) FROM InfoReservation")), 0.0);
        // An amount beyond the maximum, however it was made, is refused with the whole order.
        modBD::Commande c;
        c.dateReservation = QStringLiteral("2026-12-01");
        c.montantTotal = Montant::Centimes(Montant::kMaximum + 1);
        c.nomClient = QStringLiteral("Zoé");
        c.nbForfaits = QStringLiteral("0");
        c.nomVendeur = QStringLiteral("Anne");
        c.lignes = {{QStringLiteral("Le Cid"), QStringLiteral("2026-12-10"), QStringLiteral("1"), QStringLiteral("0"),
                     c.montantTotal, QStringLiteral("Non")}};
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::EnregistrerCommande(c));
        QCOMPARE(Valeur(QStringLiteral("SELECT COUNT(*) FROM InfoClientReservation")), 1.0);
        // A cost typed 1,005 is stored as the cent it was rounded to, once, by either way in.
        c.lignes[0].cout = modBD::CoutDepuisTexte(QStringLiteral("1,005"));
        c.montantTotal = c.lignes[0].cout;
        const QString commande = modBD::EnregistrerCommande(c);
        modBD::AjouterInfoReservation(no, QStringLiteral("Le Cid"), QStringLiteral("2026-12-10"), QStringLiteral("1"),
                                      QStringLiteral("0"), QStringLiteral("1,005"), QStringLiteral("Non"), anne);
        QCOMPARE(Valeur(QStringLiteral("SELECT COUNT(*) FROM InfoReservation WHERE Cout = 1.01")), 2.0);
        QCOMPARE(Valeur(QStringLiteral("SELECT MontantTotal FROM InfoClientReservation WHERE NoClient = %1").arg(commande)),
                 1.01);
        // A total beyond what one cost may be is the sum of its lines, not 0 (as its text once read).
        const Montant grosse = Montant::Centimes(6'000'000'000);
        c.lignes = {{QStringLiteral("Le Cid"), QStringLiteral("2026-12-10"), QStringLiteral("1"), QStringLiteral("0"), grosse,
                     QStringLiteral("Non")},
                    {QStringLiteral("Le Cid"), QStringLiteral("2026-12-10"), QStringLiteral("0"), QStringLiteral("1"), grosse,
                     QStringLiteral("Non")}};
        c.montantTotal = grosse + grosse;
        const QString deux = modBD::EnregistrerCommande(c);
        QCOMPARE(Valeur(QStringLiteral("SELECT MontantTotal FROM InfoClientReservation WHERE NoClient = %1").arg(deux)),
                 120'000'000.0);
        // The journal shows the amount as the main window's total does.
        QCOMPARE(Valeur(QStringLiteral("SELECT COUNT(*) FROM JournalOperation WHERE Detail = '1 ligne(s), montant %1'")
                            .arg(Montant::Centimes(101).TexteGeneral())),
                 1.0);
    }
};

QTEST_MAIN(tst_Montant)
#include "tst_Montant.moc"
