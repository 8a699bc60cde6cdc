#include "FctVar.h"
#include "TestSupport.h"

#include <QLabel>
#include <QTest>
#include <QTreeWidget>

class TestFctVar : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { TestSupport::DefinirLocale(TestSupport::LocaleFrancaise()); }
    void cleanup() { FctVar::DefinirHorloge({}); }

    void dateDuJour_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QDate>("jour");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("fr_CA premier de l'an") << TestSupport::LocaleFrancaise() << QDate(2027, 1, 1) << "2027-01-01";
        QTest::newRow("fr_CA premier du mois") << TestSupport::LocaleFrancaise() << QDate(2026, 3, 1) << "2026-03-01";
        QTest::newRow("fr_FR premier de l'an") << QLocale(QLocale::French, QLocale::France) << QDate(2027, 1, 1) << "01/01/2027";
        QTest::newRow("en_US: four-digit year") << TestSupport::LocaleAnglaise() << QDate(2026, 3, 5) << "3/5/2026";
    }
    void dateDuJour() {
        QFETCH(QLocale, locale);
        QFETCH(QDate, jour);
        QFETCH(QString, attendu);
        TestSupport::DefinirLocale(locale);
        FctVar::DefinirHorloge([jour] { return jour; });
        QCOMPARE(FctVar::ObtenirDateDuJour(), attendu);
        QCOMPARE(FctVar::TexteEnDate(attendu), jour);  // the text reads back as the same date
    }

    void numerique_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("numerique");
        const QLocale fr = TestSupport::LocaleFrancaise();
        const QLocale en = TestSupport::LocaleAnglaise();
        QTest::newRow("entier") << fr << "12" << true;
        QTest::newRow("blancs autour") << fr << "  12 " << true;
        QTest::newRow("signe moins") << fr << "-2" << true;
        QTest::newRow("signe plus") << fr << "+2" << true;
        QTest::newRow("virgule fr") << fr << "12,5" << true;
        QTest::newRow("point fr") << fr << "12.5" << false;
        QTest::newRow("point en") << en << "12.5" << true;
        QTest::newRow("virgule en (no thousands separator)") << en << "12,5" << false;
        QTest::newRow("exposant") << fr << "1E3" << true;
        QTest::newRow("exposant signe") << fr << "2,5e-2" << true;
        QTest::newRow("decimale seule") << fr << ",5" << true;
        QTest::newRow("separateur final") << fr << "5," << true;
        QTest::newRow("vide") << fr << "" << false;
        QTest::newRow("un blanc") << fr << " " << false;
        QTest::newRow("lettres") << fr << "abc" << false;
        QTest::newRow("blanc dedans") << fr << "1 000" << false;
        QTest::newRow("double signe") << fr << "--1" << false;
        QTest::newRow("signe seul") << fr << "-" << false;
        QTest::newRow("tabulation") << fr << "5\t" << false;
        QTest::newRow("devise") << fr << "5$" << false;
        QTest::newRow("hors double") << fr << "9e999" << false;
    }
    void numerique() {
        QFETCH(QLocale, locale);
        QFETCH(QString, texte);
        QFETCH(bool, numerique);
        TestSupport::DefinirLocale(locale);
        QCOMPARE(FctVar::EstNumerique(texte), numerique);
    }

    void compte16_data() {
        QTest::addColumn<double>("valeur");
        QTest::addColumn<int>("attendu");  // -99999: refused
        QTest::newRow("2,5 vers 2") << 2.5 << 2;
        QTest::newRow("3,5 vers 4") << 3.5 << 4;
        QTest::newRow("-0,4 vers 0") << -0.4 << 0;
        QTest::newRow("-2,5 vers -2") << -2.5 << -2;
        QTest::newRow("2,6 vers 3") << 2.6 << 3;
        QTest::newRow("max") << 32767.0 << 32767;
        QTest::newRow("min") << -32768.0 << -32768;
        QTest::newRow("32767,4 reste") << 32767.4 << 32767;
        QTest::newRow("32767,5 deborde") << 32767.5 << -99999;
        QTest::newRow("32768 deborde") << 32768.0 << -99999;
        QTest::newRow("-32769 deborde") << -32769.0 << -99999;
        QTest::newRow("1e10 deborde") << 1e10 << -99999;
    }
    void compte16() {
        QFETCH(double, valeur);
        QFETCH(int, attendu);
        const std::optional<qint16> c = FctVar::VersCompte16(valeur);
        if (attendu == -99999)
            QVERIFY(!c.has_value());
        else
            QCOMPARE(int(c.value()), attendu);
    }

    // Amounts shown with two decimals: the locale's separator, no grouping, no "-0,00" for zero.
    void texteMontant() {
        const QLocale fr = TestSupport::LocaleFrancaise();
        QCOMPARE(Regles::TexteMontant(1234567.5, fr), QStringLiteral("1234567,50"));
        QCOMPARE(Regles::TexteMontant(-0.0, fr), QStringLiteral("0,00"));
        QCOMPARE(Regles::TexteMontant(-12.5, fr), QStringLiteral("-12,50"));
        QCOMPARE(Regles::TexteMontant(1234.5, TestSupport::LocaleAnglaise()), QStringLiteral("1234.50"));
    }

    void montant_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<double>("attendu");
        const QLocale fr = TestSupport::LocaleFrancaise();
        const QLocale en = TestSupport::LocaleAnglaise();
        QTest::newRow("fr virgule") << fr << "12,5" << 12.5;
        QTest::newRow("fr point") << fr << "12.5" << 12.5;
        QTest::newRow("en point") << en << "12.5" << 12.5;
        QTest::newRow("en virgule") << en << "12,5" << 12.5;
        QTest::newRow("aucun nombre") << fr << "abc" << 0.0;
        QTest::newRow("vide") << fr << "" << 0.0;
        QTest::newRow("toujours pas un nombre") << fr << "1,2,x" << 0.0;
    }
    void montant() {
        QFETCH(QLocale, locale);
        QFETCH(QString, texte);
        QFETCH(double, attendu);
        TestSupport::DefinirLocale(locale);
        QCOMPARE(FctVar::LireMontant(texte), attendu);
    }

    void lignesEtTotal() {
        QTreeWidget lst;
        lst.setColumnCount(6);
        QLabel total;
        FctVar::CalculerMontantTotal(lst, total);
        QCOMPARE(total.text(), QStringLiteral("0"));

        QVERIFY(FctVar::AjouterLigneTransaction(lst, "L'Avare", "2026-12-24", "1", "2", "12,5", "1"));
        QVERIFY(FctVar::AjouterLigneTransaction(lst, "L'Avare", "2026-12-25", "0", "2", "7,5", "0"));
        QVERIFY(FctVar::AjouterLigneTransaction(lst, "Le \"Cid\"", "2026-12-24", "0", "1", "0,1", "0"));
        // Same play and date: refused whatever the other values, list unchanged.
        QVERIFY(!FctVar::AjouterLigneTransaction(lst, "L'Avare", "2026-12-24", "9", "9", "9", "0"));
        QCOMPARE(lst.topLevelItemCount(), 3);
        // Exact comparison: case counts.
        QVERIFY(FctVar::AjouterLigneTransaction(lst, "l'avare", "2026-12-24", "0", "1", "0,2", "0"));

        QCOMPARE(lst.topLevelItem(0)->text(FctVar::ColPorte), QStringLiteral("Oui"));
        QCOMPARE(lst.topLevelItem(1)->text(FctVar::ColPorte), QStringLiteral("Non"));
        QCOMPARE(lst.topLevelItem(2)->text(FctVar::ColNom), QStringLiteral("Le \"Cid\""));
        QCOMPARE(lst.topLevelItem(0)->text(FctVar::ColCouts), QStringLiteral("12,5"));

        FctVar::CalculerMontantTotal(lst, total);
        QCOMPARE(total.text(), QStringLiteral("20,3"));
        delete lst.topLevelItem(0);
        delete lst.topLevelItem(0);
        FctVar::CalculerMontantTotal(lst, total);
        QCOMPARE(total.text(), QStringLiteral("0,3"));  // 0,1 + 0,2 without binary noise
    }

    void totalEntier() {
        QTreeWidget lst;
        lst.setColumnCount(6);
        QLabel total;
        FctVar::AjouterLigneTransaction(lst, "A", "d1", "1", "0", "12,5", "0");
        FctVar::AjouterLigneTransaction(lst, "A", "d2", "1", "0", "7,5", "0");
        FctVar::CalculerMontantTotal(lst, total);
        QCOMPARE(total.text(), QStringLiteral("20"));
        FctVar::AjouterLigneTransaction(lst, "A", "d3", "1", "0", "1000000", "0");
        FctVar::CalculerMontantTotal(lst, total);
        QCOMPARE(total.text(), QStringLiteral("1000020"));  // no thousands separator
        // The total adds the amounts each line keeps, in cents, not its cell's text read again:
        // half cents typed are rounded once per line (0,005 + 0,005 = 0,02, as the reports add them).
        FctVar::AjouterLigneTransaction(lst, "A", "d4", "1", "0", "0,005", "0");
        FctVar::AjouterLigneTransaction(lst, "A", "d5", "1", "0", "0,005", "0");
        FctVar::CalculerMontantTotal(lst, total);
        QCOMPARE(total.text(), QStringLiteral("1000020,02"));
        lst.topLevelItem(0)->setText(FctVar::ColCouts, QStringLiteral("999"));
        FctVar::CalculerMontantTotal(lst, total);
        QCOMPARE(total.text(), QStringLiteral("1000020,02"));
        QCOMPARE(FctVar::MontantLigne(*lst.topLevelItem(1)).centimes(), 750LL);
    }

    void telephone_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("valide");
        QTest::addColumn<QString>("apres");
        QTest::newRow("3-4") << "555-1234" << true << "555-1234";
        QTest::newRow("7 chiffres") << "5551234" << true << "5551234";
        QTest::newRow("10 chiffres") << "4185551234" << true << "4185551234";
        QTest::newRow("3-3") << "555-123" << true << "555-123";
        QTest::newRow("3-2") << "555-12" << false << "555-12";
        QTest::newRow("blanc dedans") << "555 1234" << false << "555 1234";
        QTest::newRow("parentheses") << "(418)5551234" << false << "(418)5551234";
        QTest::newRow("deux tirets") << "555-123-4" << false << "555-123-4";
        QTest::newRow("tiret ailleurs") << "5551-234" << false << "5551-234";
        QTest::newRow("blancs autour") << "  555-1234 " << true << "555-1234";
        QTest::newRow("blancs seuls") << "   " << false << "";
        QTest::newRow("chiffres non latins") << QString::fromUtf8("٥٥٥-١٢٣٤") << false << QString::fromUtf8("٥٥٥-١٢٣٤");
    }
    void telephone() {
        QFETCH(QString, texte);
        QFETCH(bool, valide);
        QFETCH(QString, apres);
        QCOMPARE(FctVar::ValiderNoTelephone(texte), valide);
        QCOMPARE(texte, apres);
    }
};

QTEST_MAIN(TestFctVar)
#include "tst_FctVar.moc"
