// Inputs the fuzz targets (fuzz/) found, or that sit on the edges they probe, each run through
// the whole number chain: numeric test, value, 16-bit count and amount rule.
#include "FctVar.h"
#include "TestSupport.h"

#include <QTest>

#include <cmath>

class TestFuzzRegressions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    void chaineNombre_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("numerique");
        QTest::addColumn<double>("valeur");   // when numeric
        QTest::addColumn<int>("compte");      // -99999: no 16-bit count
        QTest::addColumn<double>("montant");
        const QLocale fr = TestSupport::LocaleFrancaise();
        const QLocale en = TestSupport::LocaleAnglaise();
        // Too small for a double: a number all the same, read as zero (was refused).
        QTest::newRow("fuzz: -1e-30868") << fr << "-1e-30868" << true << 0.0 << 0 << 0.0;
        QTest::newRow("1e-400 en") << en << "1e-400" << true << 0.0 << 0 << 0.0;
        QTest::newRow("2e-324: below half the smallest double") << fr << "2e-324" << true << 0.0 << 0 << 0.0;
        QTest::newRow("0,0...01e-10 long") << fr << QStringLiteral("0,") + QString(320, QLatin1Char('0')) + QStringLiteral("1e-10")
                                           << true << 0.0 << 0 << 0.0;
        QTest::newRow("subnormal kept") << en << "4.9e-324" << true << 4.9e-324 << 0 << 4.9e-324;
        // A final line feed is no blank (was accepted: the pattern's end matched before it).
        QTest::newRow("fuzz: .3 LF en") << en << ".3\n" << false << 0.0 << -99999 << 0.0;
        QTest::newRow("5 LF fr") << fr << "5\n" << false << 0.0 << -99999 << 0.0;
        QTest::newRow("5 blanc LF") << fr << "5 \n" << false << 0.0 << -99999 << 0.0;
        QTest::newRow("12,5 LF fr, amount") << fr << "12,5\n" << false << 0.0 << -99999 << 0.0;
        // Edges the reference reader agrees on.
        QTest::newRow("+,5e+0") << fr << "+,5e+0" << true << 0.5 << 0 << 0.5;
        QTest::newRow("-0") << en << "-0" << true << 0.0 << 0 << 0.0;
        QTest::newRow("-32768,5 to the even -32768") << fr << "-32768,5" << true << -32768.5 << -32768 << -32768.5;
        QTest::newRow("32767.5 overflows") << en << "32767.5" << true << 32767.5 << -99999 << 32767.5;
        QTest::newRow("separateur seul") << fr << "," << false << 0.0 << -99999 << 0.0;
    }
    void chaineNombre() {
        QFETCH(QLocale, locale);
        QFETCH(QString, texte);
        QFETCH(bool, numerique);
        QFETCH(double, valeur);
        QFETCH(int, compte);
        QFETCH(double, montant);
        TestSupport::DefinirLocale(locale);
        QCOMPARE(FctVar::EstNumerique(texte), numerique);
        const std::optional<double> lu = FctVar::LireNombre(texte);
        QCOMPARE(lu.has_value(), numerique);
        if (lu) {
            QVERIFY2(*lu == valeur, qPrintable(QString::number(*lu, 'g', 17)));  // exact: no fuzzy compare near 0
            QCOMPARE(std::signbit(*lu), texte.trimmed().startsWith(QLatin1Char('-')));  // as strtod: "-1e-400" is -0
        }
        const std::optional<qint16> c = FctVar::TexteEnCompte16(texte);
        if (compte == -99999)
            QVERIFY(!c.has_value());
        else
            QCOMPARE(int(c.value()), compte);
        const double m = FctVar::LireMontant(texte);
        QVERIFY(std::isfinite(m));
        QVERIFY2(m == montant, qPrintable(QString::number(m, 'g', 17)));
    }
};

QTEST_MAIN(TestFuzzRegressions)
#include "tst_FuzzRegressions.moc"
