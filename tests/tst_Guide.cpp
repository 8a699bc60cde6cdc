// The guide's pictures, taken of the real windows on the demonstration base, so they never go
// stale: every build that runs this test (and scripts/paquet.sh, before the package is made)
// draws them again into the build tree's guide/images, beside the guide's pages.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmAide.h"
#include "frmCommandes.h"
#include "frmEchangesBillets.h"
#include "frmGestionPieces.h"
#include "frmGestionVendeurs.h"
#include "frmInventaireBillets.h"
#include "frmMain.h"
#include "frmPlacesTarifs.h"
#include "frmSoiree.h"
#include "frmRapports.h"
#include "frmTransaction.h"
#include "modBD.h"
#include "modBD_Compagnie.h"
#include "modBD_Demonstration.h"
#include "modBD_Soiree.h"
#include "Regles.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
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
            // The play's prices fill the cost: 15 $ a child, 25 $ an adult.
            QCOMPARE(d->txtCouts->text(), QStringLiteral("65"));
            Prendre(d, QStringLiteral("ligne-de-commande"));
            vu = true;
            d->cmdAjouter_Click();
        });
        f.cmdAjouterTransaction_Click();
        QVERIFY(vu);
        f.txtNomClient->setText(QStringLiteral("Geneviève Lavoie"));
        f.txtNoTel->setText(QStringLiteral("418-5550142"));
        f.cboVendeur->setCurrentIndex(f.cboVendeur->findText(QStringLiteral("Hélène Tremblay (C)")));
        // What the picture shows is an order the program accepts.
        QString telephone = f.txtNoTel->text();
        QVERIFY(Regles::ValiderNoTelephone(telephone));
        Prendre(&f, QStringLiteral("fenetre-principale"));

        f.mnuGestionPieces_Click();
        Prendre(f.FenetrePieces(), QStringLiteral("pieces"));
        f.mnuGestionVendeurs_Click();
        Prendre(f.FenetreVendeurs(), QStringLiteral("vendeurs"));
        f.mnuGestionBillets_Click();
        Prendre(f.FenetreInventaire(), QStringLiteral("billets"));
        f.mnuEchanges_Click();
        Prendre(f.FenetreEchanges(), QStringLiteral("echanges"));
        f.mnuPlacesTarifs_Click();
        frmPlacesTarifs* tarifs = f.FenetrePlacesTarifs();
        tarifs->cboPieces->setCurrentIndex(tarifs->cboPieces->findText(QStringLiteral("Cyrano de Bergerac")));
        Prendre(tarifs, QStringLiteral("places-tarifs"));
        f.mnuSoiree_Click();
        QVERIFY(f.FenetreSoiree()->cboRepresentation->currentText().contains(QStringLiteral("Cyrano de Bergerac")));
        // Wide enough for every caption of its row of buttons (at its own size the last ones are cut).
        f.FenetreSoiree()->resize(1100, 600);
        Prendre(f.FenetreSoiree(), QStringLiteral("soiree"));
        f.mnuRechercheCommandes_Click();
        f.FenetreCommandes()->txtRecherche->setText(QStringLiteral("lavoie"));
        QTRY_VERIFY(f.FenetreCommandes()->lstCommandes->topLevelItemCount() > 0);
        f.FenetreCommandes()->lstCommandes->setCurrentItem(f.FenetreCommandes()->lstCommandes->topLevelItem(0));
        Prendre(f.FenetreCommandes(), QStringLiteral("commandes"));
    }

    // The demonstration shows an evening: one performance tonight, prices, seats, the company's
    // name, door sales checked in, parties come in, in part, or not yet; phones the program takes.
    void soireeDeDemonstration() {
        QVERIFY(modBD::ConnexionOuverte());
        QCOMPARE(modBD::LireNomCompagnie(), QStringLiteral("Les Tréteaux de Corvandelle"));
        const QList<modBD::RepresentationSoiree> liste = modBD::ListeRepresentationsSoiree();
        int ceSoir = 0;
        for (const modBD::RepresentationSoiree& r : liste) {
            QVERIFY2(modBD::LireCapacite(r.noRepresentation).has_value(), qPrintable(r.piece + " " + r.date));
            QVERIFY2(modBD::LireTarif(r.noPiece).has_value(), qPrintable(r.piece));
            if (r.date == QStringLiteral("2026-12-07")) ++ceSoir;
        }
        QCOMPARE(ceSoir, 1);
        const int i = modBD::RepresentationDuJour(liste, QDate(2026, 12, 7));
        QVERIFY(i >= 0);
        QCOMPARE(liste.at(i).piece, QStringLiteral("Cyrano de Bergerac"));
        const modBD::Soiree soiree = modBD::LireSoiree(liste.at(i).noRepresentation);
        int entrees = 0, enPartie = 0, pasEncore = 0;
        for (const modBD::PartieSoiree& p : soiree.parties) {
            if (p.aLaPorte) QCOMPARE(p.arrives, p.billets());  // a door sale is in the hall
            else if (p.arrives == p.billets()) ++entrees;
            else if (p.arrives > 0) ++enPartie;
            else ++pasEncore;
        }
        QVERIFY(entrees > 0);
        QCOMPARE(enPartie, 1);
        QVERIFY(pasEncore > 0);
        QVERIFY(soiree.vendusPorte > 0);
        QVERIFY(soiree.arrives > 0 && soiree.attendus > 0);
        QCOMPARE(soiree.vendusAvance + soiree.vendusPorte, soiree.arrives + soiree.attendus);
        QVERIFY(soiree.placesLibres && *soiree.placesLibres > 0);
        // Every phone of the season is one the clerk could have typed.
        QSqlQuery q = modBD::Executer(QStringLiteral("SELECT TelephoneClient FROM InfoClientReservation"));
        int telephones = 0;
        while (q.next()) {
            QString t = q.value(0).toString();
            if (t.isEmpty()) continue;
            ++telephones;
            QVERIFY2(Regles::ValiderNoTelephone(t), qPrintable(t));
        }
        QVERIFY(telephones > 40);
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
        // Every link inside the guide leads somewhere.
        const QRegularExpression lien(QStringLiteral("href=\"#([^\"]+)\""));
        for (auto it = lien.globalMatch(html); it.hasNext();) {
            const QString cible = it.next().captured(1);
            QVERIFY2(html.contains(QStringLiteral("id=\"%1\"").arg(cible)), qPrintable(cible));
        }
        QVERIFY(html.contains(QStringLiteral("<title>Guide de la billetterie")));
    }

    // Every report the report tool lists in its own --help is named in the guide (by its code,
    // as the command line takes it) and in its manual page: a new report cannot go unexplained.
    void chaqueRapportExplique() {
        QProcess outil;
        outil.start(QStringLiteral(CORV_OUTIL_RAPPORTS), {QStringLiteral("--help")});
        QVERIFY(outil.waitForFinished(30000));
        const QString aide = QString::fromUtf8(outil.readAllStandardOutput()).simplified();
        const QRegularExpression liste(QStringLiteral("au lieu d'ouvrir la fenêtre : ([^.]+)\\."));
        const QRegularExpressionMatch m = liste.match(aide);
        QVERIFY2(m.hasMatch(), qPrintable(aide));
        const QStringList codes = m.captured(1).replace(QStringLiteral(" ou "), QStringLiteral(", ")).split(QStringLiteral(", "));
        QVERIFY(codes.size() >= 9);
        QFile guide(CORV_GUIDE_DIR "/index.html");
        QFile manuel(CORV_SOURCE_DIR "/packaging/corvandelle-rapports.1");
        QVERIFY(guide.open(QIODevice::ReadOnly));
        QVERIFY(manuel.open(QIODevice::ReadOnly));
        const QString pageGuide = QString::fromUtf8(guide.readAll());
        const QString pageManuel = QString::fromUtf8(manuel.readAll());
        for (const QString& code : codes) {
            QVERIFY2(pageGuide.contains(QStringLiteral("<code>%1</code>").arg(code)), qPrintable("guide : " + code));
            QVERIFY2(pageManuel.contains(QRegularExpression(QStringLiteral("\\b%1\\b").arg(code))), qPrintable("manuel : " + code));
        }
    }

    // F1 shows the guide in the program's own window, pictures and links working, with no browser.
    void fenetreAide() {
        if (frmMain::CheminGuide().isEmpty()) QSKIP("no guide beside this build's programs");
        Toolkit::Test::Reinitialiser();
        Toolkit::Test::DefinirLancementPossible(false);  // a machine without a web browser
        frmMain f;
        QVERIFY(f.Form_Load());
        f.mnuGuide_Click();
        frmAide* aide = f.FenetreAide();
        QVERIFY(aide);
        QVERIFY(QTest::qWaitForWindowExposed(aide));
        QCOMPARE(aide->windowTitle(), QStringLiteral("Guide de la billetterie"));
        QTextDocument* doc = aide->txtGuide->document();
        QCOMPARE(doc->metaInformation(QTextDocument::DocumentTitle).left(23), QStringLiteral("Guide de la billetterie"));
        // Every picture of the page is found and drawn.
        int images = 0;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                if (!format.isImageFormat()) continue;
                const QString nom = format.toImageFormat().name();
                const QVariant r = doc->resource(QTextDocument::ImageResource, QUrl(nom));
                QVERIFY2(r.isValid() && !qvariant_cast<QImage>(r).isNull(), qPrintable(nom));
                ++images;
            }
        QCOMPARE(images, m_faites.size());
        // An internal link moves within the guide; "Précédent" comes back.
        const QUrl debut = aide->txtGuide->source();
        aide->txtGuide->setSource(QUrl(debut.toString() + QStringLiteral("#soiree")));
        QCOMPARE(aide->txtGuide->source().fragment(), QStringLiteral("soiree"));
        QVERIFY(aide->cmdPrecedent->isEnabled());
        // No browser: said, and the guide stays readable here.
        aide->cmdNavigateur_Click();
        QCOMPARE(Toolkit::Test::AdressesOuvertes().size(), 1);
        QVERIFY(!QUrl(Toolkit::Test::AdressesOuvertes().first()).hasFragment());
        QVERIFY(Toolkit::Test::DernierMessage().texte.startsWith(QStringLiteral("Aucun navigateur web")));
        QVERIFY(aide->isVisible());
        Toolkit::Test::DefinirLancementPossible(true);
    }
};

QTEST_MAIN(TestGuide)
#include "tst_Guide.moc"
