// Every window fits a small screen at scale 2 (a 1366×768 laptop screen at 200 %): each lies
// inside the screen's available area, its buttons within reach.
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmCommandes.h"
#include "frmEchangesBillets.h"
#include "frmGestionPieces.h"
#include "frmGestionVendeurs.h"
#include "frmInventaireBillets.h"
#include "frmMain.h"
#include "frmRapports.h"
#include "frmTransaction.h"
#include "modBD.h"
#include "modBD_Demonstration.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestEcran : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dossier;
    QRect m_dispo;

    void VerifierDansEcran(QWidget* w) {
        QVERIFY(w->isVisible());
        QVERIFY2(m_dispo.contains(w->frameGeometry()),
                 qPrintable(QStringLiteral("%1 : %2,%3 %4×%5 hors de %6×%7")
                                .arg(w->objectName())
                                .arg(w->frameGeometry().x())
                                .arg(w->frameGeometry().y())
                                .arg(w->frameGeometry().width())
                                .arg(w->frameGeometry().height())
                                .arg(m_dispo.width())
                                .arg(m_dispo.height())));
        // Its buttons are within reach: inside the window's visible part.
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            if (!b->isVisibleTo(w)) continue;
            const QRect place(b->mapTo(w, QPoint(0, 0)), b->size());
            QVERIFY2(w->rect().contains(place), qPrintable(w->objectName() + " : " + b->objectName()));
        }
    }

private slots:
    void initTestCase() {
        TestSupport::InitialiserProgrammeTest();
        const QScreen* ecran = QGuiApplication::primaryScreen();
        QCOMPARE(ecran->devicePixelRatio(), 2.0);
        m_dispo = ecran->availableGeometry();
        QCOMPARE(m_dispo.size(), QSize(683, 384));
        // A full season, so lists and reports carry real widths.
        modBD::DefinirDossierProgramme(m_dossier.path());
        modBD::CreerBaseDemonstration(modBD::CheminBD(), QDate::currentDate());
    }
    void cleanupTestCase() {
        modBD::FermerConnexion();
        modBD::DefinirDossierProgramme(QString());
    }

    void fenetresDuProgramme() {
        frmMain f;
        QVERIFY(f.Form_Load());
        f.show();
        VerifierDansEcran(&f);
        f.mnuGestionPieces_Click();
        f.mnuGestionVendeurs_Click();
        f.mnuGestionBillets_Click();
        f.mnuEchanges_Click();
        f.mnuRechercheCommandes_Click();
        const QList<QWidget*> fenetres{f.FenetrePieces(), f.FenetreVendeurs(), f.FenetreInventaire(), f.FenetreEchanges(),
                                       f.FenetreCommandes()};
        for (QWidget* w : fenetres) {
            QVERIFY(w);
            VerifierDansEcran(w);
        }
        // The modal order-line dialog, checked while it is open.
        bool vu = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialogue = qobject_cast<frmTransaction*>(QApplication::activeModalWidget());
            if (dialogue) {
                VerifierDansEcran(dialogue);
                vu = true;
                dialogue->reject();
            }
        });
        f.cmdAjouterTransaction_Click();
        QVERIFY(vu);
    }

    void fenetreDesRapports() {
        modBD::FermerConnexion();
        frmRapports f(modBD::CheminBD());
        QVERIFY(f.Form_Load());
        f.showMaximized();  // as the report tool shows it
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        VerifierDansEcran(&f);
    }
};

int main(int argc, char* argv[]) {
    // Qt's offscreen platform takes its screen from a file: one 1366×768 screen, framed windows.
    const QString config = QDir::temp().filePath(QStringLiteral("corv-ecran-%1.json").arg(QCoreApplication::applicationPid()));
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    f.write(R"({"windowFrameMargins": true, "screens": [{"name": "portable", "x": 0, "y": 0, "width": 1366,
                "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    f.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "2");
    int code = 0;
    {
        QApplication app(argc, argv);
        TestEcran test;
        code = QTest::qExec(&test, argc, argv);
    }
    QFile::remove(config);
    return code;
}

#include "tst_Ecran.moc"
