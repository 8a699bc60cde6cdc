// The copy made as the program ends: made when the base changed since the newest copy, not
// when nothing changed, refused by the free-space rule with nothing lost, one a day at most,
// and never pushing older days of copies out.
#include "CopieSortie.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_CopieSortie.h"
#include "modBD_Sauvegarde.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

namespace {
QStringList Fichiers(const QString& dossier) {
    QStringList noms = QDir(dossier).entryList(QDir::Files);
    noms.removeAll(QStringLiteral("ordre-des-copies.txt"));
    return noms;
}
void Vendre(const QString& client) {
    modBD::Executer(QStringLiteral("INSERT INTO InfoClientReservation (DateReservation, NomClient) VALUES ('2026-12-08', ?)"), {client});
}
// Later writes of the file are seen as later than the copy before them (the file system's clock is coarse).
void LaisserPasserLeTemps() { QThread::msleep(2 * modBD::kMargeMomentCopieMs + 50); }
}  // namespace

class TestCopieSortie : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { Toolkit::Test::Reinitialiser(); }

    void faiteSeulementApresUnChangement() {
        TestSupport::BaseTest base;
        const QString dossier = modBD::DossierSauvegardes();
        Vendre(QStringLiteral("Avant"));
        LaisserPasserLeTemps();  // a write within the margin of a copy's moment counts as after it
        // No copy yet: one is made, recorded as the exit copy with the moment of its data.
        QVERIFY(modBD::BaseChangeeDepuisDerniereCopie());
        QVERIFY(CopieSortie::Faire(true));
        QCOMPARE(modBD::CopiesSortie(dossier).size(), 1);
        const QString premiere = modBD::CopiesSortie(dossier).first();
        QVERIFY(QDateTime::fromString(modBD::NoteCopie(dossier, premiere).section('\t', 0, 0), Qt::ISODateWithMs).isValid());
        QCOMPARE(modBD::ExaminerCopie(QDir(dossier).filePath(premiere)).commandes, 1);

        // Nothing written since: no copy.
        LaisserPasserLeTemps();
        QVERIFY(!modBD::BaseChangeeDepuisDerniereCopie());
        QVERIFY(!CopieSortie::Faire(true));
        QCOMPARE(Fichiers(dossier), QStringList{premiere});

        // A sale after it: a copy, which replaces the day's earlier exit copy.
        QThread::sleep(1);  // another second, another name
        Vendre(QStringLiteral("Après"));
        QVERIFY(modBD::BaseChangeeDepuisDerniereCopie());
        QVERIFY(CopieSortie::Faire(true));
        const QStringList sorties = modBD::CopiesSortie(dossier);
        QCOMPARE(sorties.size(), 1);
        QVERIFY(sorties.first() != premiere);
        QCOMPARE(Fichiers(dossier), sorties);
        QCOMPARE(modBD::ExaminerCopie(QDir(dossier).filePath(sorties.first())).commandes, 2);
        QVERIFY(Toolkit::Test::Messages().isEmpty());

        // The day's automatic copy made after it is the newest: nothing changed since.
        LaisserPasserLeTemps();
        modBD::CopieBD(QDir(dossier).filePath(modBD::NomCopieAutomatique(QDateTime::currentDateTime().addSecs(1))), true).Faire();
        LaisserPasserLeTemps();
        QVERIFY(!modBD::BaseChangeeDepuisDerniereCopie());
    }

    // The disk too full: no copy, the clerk told, BD.mdb and the older copies as they were.
    void refuseeFauteDePlace() {
        TestSupport::BaseTest base;
        const QString dossier = modBD::DossierSauvegardes();
        Vendre(QStringLiteral("Un"));
        QVERIFY(CopieSortie::Faire(true));
        const QStringList avant = Fichiers(dossier);
        LaisserPasserLeTemps();
        Vendre(QStringLiteral("Deux"));
        modBD::DefinirLectureEspaceLibre([](const QString&) { return qint64(10'000'000); });
        const auto remettre = qScopeGuard([] { modBD::DefinirLectureEspaceLibre({}); });
        QVERIFY(!CopieSortie::Faire(true));
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const QString texte = Toolkit::Test::DernierMessage().texte;
        QVERIFY2(texte.startsWith(QStringLiteral("Sauvegarde non faite : il reste trop peu de place sur le disque (10 Mo libres).")),
                 qPrintable(texte));
        QVERIFY(texte.contains(QStringLiteral("Rien n'est perdu")));
        QCOMPARE(Fichiers(dossier), avant);
        QCOMPARE(base.Compter("InfoClientReservation"), 2);
        QVERIFY(modBD::BaseChangeeDepuisDerniereCopie());  // still owed
    }

    // 30 days of use are kept, whatever number of copies a day has.
    void rotationParJours() {
        TestSupport::BaseTest base;
        const QString dossier = modBD::DossierSauvegardes();
        QVERIFY(QDir().mkpath(dossier));
        const QDateTime maintenant = QDateTime::currentDateTime();
        for (int j = 1; j <= 30; ++j) {
            QFile f(QDir(dossier).filePath(modBD::NomCopieAutomatique(maintenant.addDays(-j))));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        modBD::CopieBD(QDir(dossier).filePath(modBD::NomCopieAutomatique(maintenant.addSecs(-60))), true).Faire();
        // That copy made today: the 29 days before it stay, the 30th goes.
        QCOMPARE(Fichiers(dossier).size(), 30);
        LaisserPasserLeTemps();
        Vendre(QStringLiteral("Soir"));
        QVERIFY(CopieSortie::Faire(true));
        // Today's exit copy pushes no day out.
        QCOMPARE(Fichiers(dossier).size(), 31);
        QVERIFY(Fichiers(dossier).contains(modBD::NomCopieAutomatique(maintenant.addDays(-29))));
    }
};

QTEST_MAIN(TestCopieSortie)
#include "tst_CopieSortie.moc"
