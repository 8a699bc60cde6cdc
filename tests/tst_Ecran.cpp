// Every window fits a small screen at scale 2 (a 1366×768 laptop screen at 200 %): each lies
// inside the screen's available area, its buttons within reach. Run again with a 12-point
// desktop font (CORV_POLICE_BUREAU=12, scale 1): the windows take it, grow with it, and no
// caption is cut.
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

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
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
    double m_police = 0;  // the desktop font of this run, in points (0: the platform's own)

    // Captions shown whole: as wide as their text, inside their container.
    static void VerifierLegendes(QWidget* w) {
        for (QWidget* c : w->findChildren<QWidget*>()) {
            if (!c->isVisibleTo(w) || c->window() != w) continue;
            const auto* l = qobject_cast<QLabel*>(c);
            const auto* b = qobject_cast<QAbstractButton*>(c);
            if ((!l || l->text().isEmpty() || l->wordWrap()) && (!b || b->text().isEmpty())) continue;
            QVERIFY2(c->width() >= c->minimumSizeHint().width() && c->height() >= c->fontMetrics().height(),
                     qPrintable(QStringLiteral("%1 › %2 : %3×%4 pour %5×%6").arg(w->objectName(), c->objectName())
                                    .arg(c->width()).arg(c->height()).arg(c->minimumSizeHint().width()).arg(c->fontMetrics().height())));
            if (c->parentWidget() != w)
                QVERIFY2(c->parentWidget()->rect().contains(c->geometry()), qPrintable(w->objectName() + " › " + c->objectName()));
        }
    }

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
        if (m_police > 0) VerifierLegendes(w);
    }

private slots:
    void initTestCase() {
        m_police = qEnvironmentVariableIntValue("CORV_POLICE_BUREAU");
        if (m_police > 0) Toolkit::DefinirPoliceBureau(m_police);
        TestSupport::InitialiserProgrammeTest();
        const QScreen* ecran = QGuiApplication::primaryScreen();
        m_dispo = ecran->availableGeometry();
        if (m_police > 0) {
            // The desktop's font is kept, and the drawn geometry grows by the same ratio.
            QCOMPARE(QApplication::font().pointSizeF(), m_police);
            QCOMPARE(Toolkit::Echelle(), m_police / 8.0);
            QCOMPARE(Toolkit::Tw(1500), qRound(100 * m_police / 8.0));
        } else {
            QCOMPARE(ecran->devicePixelRatio(), 2.0);
            QCOMPARE(m_dispo.size(), QSize(683, 384));
            QCOMPARE(Toolkit::Echelle(), 1.0);
        }
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
    if (qEnvironmentVariableIntValue("CORV_POLICE_BUREAU") <= 0) qputenv("QT_SCALE_FACTOR", "2");
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
