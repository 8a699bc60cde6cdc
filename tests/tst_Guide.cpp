// The guide's pictures, taken of the real windows on the demonstration base, so they never go
// stale: every build that runs this test (and scripts/paquet.sh, before the package is made)
// draws them again into the build tree's guide/images, beside the guide's pages.
#include "FctVar.h"
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
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

class TestGuide : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dossier;
    QSet<QString> m_faites;

    void Prendre(QWidget* w, const QString& nom) {
        QVERIFY(w);
        QVERIFY(QDir().mkpath(CORV_GUIDE_DIR "/images"));
        const QString chemin = QStringLiteral(CORV_GUIDE_DIR "/images/%1.png").arg(nom);
        // The whole window, as a clerk sees it.
        QVERIFY2(w->grab().save(chemin), qPrintable(chemin));
        m_faites.insert(QStringLiteral("images/%1.png").arg(nom));
    }

private slots:
    void initTestCase() {
        TestSupport::InitialiserProgrammeTest();
        FctVar::DefinirHorloge([] { return QDate(2026, 12, 7); });
        modBD::DefinirDossierProgramme(m_dossier.path());
        modBD::CreerBaseDemonstration(modBD::CheminBD(), QDate(2026, 12, 7));
        QDir(CORV_GUIDE_DIR "/images").removeRecursively();  // a picture the guide no longer uses goes too
    }
    void cleanupTestCase() {
        modBD::FermerConnexion();
        modBD::DefinirDossierProgramme(QString());
        FctVar::DefinirHorloge({});
    }

    void fenetres() {
        frmMain f;
        QVERIFY(f.Form_Load());
        f.setWindowTitle(QStringLiteral("Corvandelle — démonstration"));
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        // An order being taken: the clerk fills the order-line dialog, then the client.
        bool vu = false;
        QTimer::singleShot(0, this, [&] {
            auto* d = qobject_cast<frmTransaction*>(QApplication::activeModalWidget());
            if (!d) return;
            d->cboNomsPieces->setCurrentIndex(d->cboNomsPieces->findText(QStringLiteral("Cyrano de Bergerac")));
            d->txtNbEnfants->setText(QStringLiteral("1"));
            d->txtNbAdultes->setText(QStringLiteral("2"));
            d->txtCouts->setText(QStringLiteral("52"));
            Prendre(d, QStringLiteral("ligne-de-commande"));
            vu = true;
            d->cmdAjouter_Click();
        });
        f.cmdAjouterTransaction_Click();
        QVERIFY(vu);
        f.txtNomClient->setText(QStringLiteral("Geneviève Lavoie"));
        f.txtNoTel->setText(QStringLiteral("418-555-0142"));
        f.cboVendeur->setCurrentIndex(f.cboVendeur->findText(QStringLiteral("Hélène Tremblay (C)")));
        Prendre(&f, QStringLiteral("fenetre-principale"));

        f.mnuGestionPieces_Click();
        Prendre(f.FenetrePieces(), QStringLiteral("pieces"));
        f.mnuGestionVendeurs_Click();
        Prendre(f.FenetreVendeurs(), QStringLiteral("vendeurs"));
        f.mnuGestionBillets_Click();
        Prendre(f.FenetreInventaire(), QStringLiteral("billets"));
        f.mnuEchanges_Click();
        Prendre(f.FenetreEchanges(), QStringLiteral("echanges"));
        f.mnuRechercheCommandes_Click();
        f.FenetreCommandes()->txtRecherche->setText(QStringLiteral("lavoie"));
        QTRY_VERIFY(f.FenetreCommandes()->lstCommandes->topLevelItemCount() > 0);
        f.FenetreCommandes()->lstCommandes->setCurrentItem(f.FenetreCommandes()->lstCommandes->topLevelItem(0));
        Prendre(f.FenetreCommandes(), QStringLiteral("commandes"));
    }

    void rapports() {
        modBD::FermerConnexion();
        frmRapports f(modBD::CheminBD());
        QVERIFY(f.Form_Load());
        f.resize(1000, 640);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        Prendre(&f, QStringLiteral("rapports"));
    }

    // The guide shows exactly the pictures taken here: none missing, none left over.
    void leGuideMontreCesImages() {
        QFile page(CORV_GUIDE_DIR "/index.html");
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        QSet<QString> utilisees;
        const QRegularExpression image(QStringLiteral("src=\"(images/[^\"]+)"));
        for (auto it = image.globalMatch(html); it.hasNext();) utilisees.insert(it.next().captured(1));
        QCOMPARE(utilisees, m_faites);
        QVERIFY(html.contains(QStringLiteral("<title>Guide de la billetterie")));
    }
};

QTEST_MAIN(TestGuide)
#include "tst_Guide.moc"
