// The reports leave cancelled orders out: sales, the door list and the sellers' reconciliation
// count an order again once its cancellation is taken back, and a file without the
// cancellations table reports as before.
#include "BaseRapports.h"
#include "TestSupport.h"
#include "modBD.h"
#include "modBD_Annulations.h"
#include "modBD_Rapports.h"

#include <QTest>

namespace {
// The order of 2026-12-01: Alain, 2 children and 2 adults for the evening of Le Cid, 40 $, sold by Bruno.
qint64 CommandeAlain(TestSupport::BaseTest& base) {
    return base.Valeur(QStringLiteral("SELECT NoClient FROM InfoClientReservation WHERE DateReservation = ?"),
                       {QStringLiteral("2026-12-01")})
        .toLongLong();
}

const modBD::LigneVentes* Soir(const QList<modBD::LigneVentes>& v) {
    for (const modBD::LigneVentes& l : v)
        if (l.piece == BaseRapports::kCid && l.representation == BaseRapports::kSoir) return &l;
    return nullptr;
}

const modBD::LigneVendeurs* BrunoSoir(const QList<modBD::LigneVendeurs>& v) {
    for (const modBD::LigneVendeurs& l : v)
        if (l.vendeur == QStringLiteral("Bruno") && l.piece == BaseRapports::kCid && l.representation == BaseRapports::kSoir)
            return &l;
    return nullptr;
}

QList<qint64> Commandes(const QList<modBD::LignePorte>& porte) {
    QList<qint64> c;
    for (const modBD::LignePorte& l : porte) c << l.commande;
    return c;
}
}  // namespace

class TestRapportsSansAnnulees : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { TestSupport::DefinirLocale(TestSupport::LocaleFrancaise()); }

    void annuleeHorsDesRapports() {
        TestSupport::BaseTest base;
        BaseRapports::Remplir(base);
        const qint64 alain = CommandeAlain(base);
        QVERIFY(alain > 0);
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));

        // A file without the table: everything counts.
        const QList<modBD::LigneVentes> ventes = modBD::RapportVentes();
        const QList<modBD::LignePorte> porte = modBD::RapportPorte(BaseRapports::kCid, BaseRapports::kSoir);
        const QList<modBD::LigneVendeurs> vendeurs = modBD::RapportVendeurs();
        QVERIFY(Soir(ventes) && BrunoSoir(vendeurs));
        QVERIFY(Commandes(porte).contains(alain));

        QCOMPARE(modBD::AnnulerCommande(alain, QStringLiteral("2026-12-05"), QStringLiteral("malade")),
                 modBD::ResultatAnnulation::Fait);
        const QList<modBD::LigneVentes> ventesApres = modBD::RapportVentes();  // kept: v points into it
        const modBD::LigneVentes* v = Soir(ventesApres);
        QVERIFY(v);
        QCOMPARE(v->billetsEnfant, Soir(ventes)->billetsEnfant - 2);
        QCOMPARE(v->billetsAdulte, Soir(ventes)->billetsAdulte - 2);
        QCOMPARE(v->commandes, Soir(ventes)->commandes - 1);
        QCOMPARE(v->montant, Soir(ventes)->montant - Montant::Centimes(4000));
        const QList<modBD::LignePorte> porteApres = modBD::RapportPorte(BaseRapports::kCid, BaseRapports::kSoir);
        QVERIFY(!Commandes(porteApres).contains(alain));
        QCOMPARE(porteApres.size(), porte.size() - 1);
        const QList<modBD::LigneVendeurs> vendeursApres = modBD::RapportVendeurs();
        QVERIFY(BrunoSoir(vendeursApres));
        QCOMPARE(BrunoSoir(vendeursApres)->vendus, BrunoSoir(vendeurs)->vendus - 4);
        QCOMPARE(BrunoSoir(vendeursApres)->montantVendu, BrunoSoir(vendeurs)->montantVendu - Montant::Centimes(4000));
        QCOMPARE(BrunoSoir(vendeursApres)->recus, BrunoSoir(vendeurs)->recus);  // stock is not an order

        // Taken back: counted again, exactly as before.
        QCOMPARE(modBD::RetablirCommande(alain), modBD::ResultatAnnulation::Fait);
        const QList<modBD::LigneVentes> ventesRetablies = modBD::RapportVentes();
        QCOMPARE(Soir(ventesRetablies)->montant, Soir(ventes)->montant);
        QCOMPARE(Commandes(modBD::RapportPorte(BaseRapports::kCid, BaseRapports::kSoir)), Commandes(porte));
        QCOMPARE(BrunoSoir(modBD::RapportVendeurs())->vendus, BrunoSoir(vendeurs)->vendus);
    }
};

QTEST_MAIN(TestRapportsSansAnnulees)
#include "tst_RapportsSansAnnulees.moc"
