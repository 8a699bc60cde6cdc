// Costs that must not depend on the size of an order: one commit per confirmation.
#include "TestSupport.h"
#include "modBD.h"
#include "modBD_Commandes.h"
#include "modBD_Inventaire.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

namespace {
// SQLite's file change counter (header offset 24) moves once per committed write transaction.
quint32 CompteurModifications(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray entete = f.read(28);
    return entete.size() == 28 ? qFromBigEndian<quint32>(entete.constData() + 24) : 0;
}
}  // namespace

class TestPerformance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    void uneValidationParCommande_data() {
        QTest::addColumn<int>("lignes");
        QTest::newRow("1 ligne") << 1;
        QTest::newRow("5 lignes") << 5;
        QTest::newRow("40 lignes") << 40;
    }
    void uneValidationParCommande() {
        QFETCH(int, lignes);
        TestSupport::BaseTest base;
        base.AjouterVendeur("Anne");
        modBD::Commande c{"2026-12-07", Montant(), "Client", "", "0", "Anne", {}, {}};
        for (int i = 0; i < lignes; ++i) {
            const QString piece = QStringLiteral("Pièce %1").arg(i);
            base.AjouterRepresentation(base.AjouterPiece(piece), "2026-12-24");
            c.lignes.append({piece, "2026-12-24", "1", "1", Montant::Centimes(1000), "Non"});
        }
        const quint32 avant = CompteurModifications(base.chemin());
        modBD::EnregistrerCommande(c);
        QCOMPARE(CompteurModifications(base.chemin()) - avant, 1u);
        QCOMPARE(base.Compter("InfoReservation"), qint64(lignes));
    }

    void unEchangeUneValidation() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Anne");
        base.AjouterRepresentation(base.AjouterPiece("A"), "2026-12-24");
        const quint32 avant = CompteurModifications(base.chemin());
        modBD::AjouterEchangeInventaire("2026-12-07", {"A", "2026-12-24", "Anne"}, {"A", "2026-12-24", "Anne"}, 4, "");
        QCOMPARE(CompteurModifications(base.chemin()) - avant, 1u);
        QCOMPARE(base.Compter("InventaireBillets"), qint64(2));
    }
};

QTEST_MAIN(TestPerformance)
#include "tst_Performance.moc"
