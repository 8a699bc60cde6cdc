// A process that confirms orders and makes exchanges in a loop is killed at random moments; the file must stay whole:
// no damaged database, no order without all its lines, no exchange with one movement.
#include "TestSupport.h"
#include "modBD.h"
#include "modBD_Commandes.h"
#include "modBD_Inventaire.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>

#include <csignal>
#include <cstring>

namespace {
constexpr int kVendeurs = 3;

// The child's loop: runs until it is killed.
[[noreturn]] void BoucleEnfant(const QString& dossier) {
    modBD::DefinirDossierProgramme(dossier);
    if (!modBD::OuvrirConnexion()) std::exit(3);
    QRandomGenerator alea(static_cast<quint32>(QCoreApplication::applicationPid()));
    for (qint64 n = 0;; ++n) {
        const QString marque = QStringLiteral("échange %1-%2").arg(QCoreApplication::applicationPid()).arg(n);
        const auto nombre = static_cast<qint16>(alea.bounded(1, 50));
        const int v1 = alea.bounded(1, kVendeurs + 1);
        const int v2 = alea.bounded(1, kVendeurs + 1);
        // An order whose client name tells how many lines it must have.
        const int lignes = alea.bounded(1, 5);
        modBD::Commande commande{QStringLiteral("2026-12-07"), Montant::Centimes(1000),
                                 QStringLiteral("%1 lignes %2").arg(lignes).arg(marque), QString(), QStringLiteral("1"),
                                 QStringLiteral("V%1 (C)").arg(v1), {}, {}};
        for (int l = 0; l < lignes; ++l)
            commande.lignes.append({QStringLiteral("Pièce %1").arg(l), QStringLiteral("2026-12-24"), QStringLiteral("1"),
                                    QStringLiteral("2"), Montant::Centimes(250), QStringLiteral("Non")});
        try {
            modBD::EnregistrerCommande(commande);
        } catch (const modBD::ErreurBD&) {
        }
        try {
            modBD::AjouterEchangeInventaire(QStringLiteral("2026-12-07"),
                                            {QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), QStringLiteral("V%1").arg(v1)},
                                            {QStringLiteral("Le \"Cid\""), QStringLiteral("2026-12-31"), QStringLiteral("V%1").arg(v2)},
                                            nombre, marque);
        } catch (const modBD::ErreurBD&) {
            // a busy file is a refusal, not damage: try again
        }
    }
}
}  // namespace

class TestPlantage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    void tueAuHasard() {
        TestSupport::BaseTest base;
        const qint64 avare = base.AjouterPiece("L'Avare");
        const qint64 cid = base.AjouterPiece("Le \"Cid\"");
        base.AjouterRepresentation(avare, "2026-12-24");
        base.AjouterRepresentation(cid, "2026-12-31");
        for (int v = 1; v <= kVendeurs; ++v) base.AjouterVendeur(QStringLiteral("V%1").arg(v));
        for (int p = 0; p < 4; ++p) base.AjouterRepresentation(base.AjouterPiece(QStringLiteral("Pièce %1").arg(p)), "2026-12-24");
        modBD::FermerConnexion();

        QRandomGenerator alea(20261207u);
        for (int tour = 0; tour < 8; ++tour) {
            QProcess enfant;
            enfant.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            enfant.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--enfant"), base.dossier()});
            QVERIFY(enfant.waitForStarted(5000));
            QTest::qWait(static_cast<int>(alea.bounded(150, 600)));
            QCOMPARE(enfant.state(), QProcess::Running);  // still writing: it did not end by itself
            ::kill(static_cast<pid_t>(enfant.processId()), SIGKILL);
            QVERIFY(enfant.waitForFinished(5000));
            QCOMPARE(enfant.exitStatus(), QProcess::CrashExit);
            VerifierBase();
        }
        QVERIFY(modBD::OuvrirConnexion());
        QVERIFY2(base.Compter("InventaireBillets") > 0, "the child wrote no exchange: the test proved nothing");
        QVERIFY2(base.Compter("InfoClientReservation") > 0, "the child wrote no order: the test proved nothing");
    }

private:
    static void VerifierBase() {
        QVERIFY(modBD::OuvrirConnexion());
        QSqlQuery integrite = modBD::Executer("PRAGMA integrity_check");
        QVERIFY(integrite.next());
        QCOMPARE(integrite.value(0).toString(), QStringLiteral("ok"));
        integrite.finish();
        // Every exchange holds its two movements, which cancel out.
        QSqlQuery orphelins = modBD::Executer(
            "SELECT Commentaire, COUNT(*), SUM(Nombre) FROM InventaireBillets GROUP BY Commentaire "
            "HAVING COUNT(*) <> 2 OR SUM(Nombre) <> 0");
        const bool echangeBoiteux = orphelins.next();
        QVERIFY2(!echangeBoiteux, echangeBoiteux ? qPrintable(orphelins.value(0).toString()) : "");
        orphelins.finish();
        // Every order holds exactly the lines its client name announces.
        QSqlQuery incompletes = modBD::Executer(
            "SELECT c.NomClient, COUNT(r.NoClient) FROM InfoClientReservation c "
            "LEFT JOIN InfoReservation r ON r.NoClient = c.NoClient GROUP BY c.NoClient "
            "HAVING COUNT(r.NoClient) <> CAST(substr(c.NomClient, 1, instr(c.NomClient, ' ') - 1) AS INTEGER)");
        const bool commandeIncomplete = incompletes.next();
        QVERIFY2(!commandeIncomplete, commandeIncomplete ? qPrintable(incompletes.value(0).toString()) : "");
        incompletes.finish();
        modBD::FermerConnexion();
    }
};

int main(int argc, char* argv[]) {
    if (argc == 3 && std::strcmp(argv[1], "--enfant") == 0) {
        QCoreApplication app(argc, argv);
        BoucleEnfant(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    TestPlantage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Plantage.moc"
