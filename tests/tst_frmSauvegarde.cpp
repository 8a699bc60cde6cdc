// The main window's side of the copies: the day's copy after the window is shown, the notice
// when it fails, the two "Fichier" items, and a restore that keeps the order being typed.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmMain.h"
#include "modBD.h"
#include "modBD_Sauvegarde.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using Toolkit::Reponse;

using TestSupport::FichiersDe;
namespace {

// A small theatre: two plays, a performance each, two sellers, three orders.
void Remplir(TestSupport::BaseTest& base) {
    base.AjouterRepresentation(base.AjouterPiece("L'Avare"), "2026-12-24");
    base.AjouterRepresentation(base.AjouterPiece("Le Cid"), "2026-12-31");
    base.AjouterVendeur("Anne", true);
    base.AjouterVendeur("Bruno");
    for (int i = 1; i <= 3; ++i)
        modBD::Executer("INSERT INTO InfoClientReservation (DateReservation, NomClient) VALUES ('2026-12-01', ?)",
                        {QStringLiteral("Client %1").arg(i)});
}

void AjouterLigne(frmMain& f) {
    QVERIFY(FctVar::AjouterLigneTransaction(*f.lstTransactions, "L'Avare", "2026-12-24", "1", "2", "25", "0"));
    FctVar::CalculerMontantTotal(*f.lstTransactions, *f.lblMontantTotal);
}
}  // namespace

class TestFrmSauvegarde : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { FctVar::DefinirHorloge([] { return QDate(2026, 12, 7); }); }
    void cleanup() { FctVar::DefinirHorloge({}); }

    void menuFichier() {
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());
        QStringList elements;
        for (QAction* a : f.mnuFichier->actions()) elements << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + "=" + a->text());
        QCOMPARE(elements, (QStringList{"mnuSauvegarder=Sauvegarder une &copie…", "mnuRestaurer=&Restaurer une sauvegarde…", "-",
                                        "mnuQuitter=&Quitter"}));
    }

    // Not before the window is on screen, once a day, and a copy cut short earlier is cleaned away.
    void copieAutomatiqueApresAffichage() {
        TestSupport::BaseTest base;
        Remplir(base);
        const QString dossier = modBD::DossierSauvegardes();
        QVERIFY(QDir().mkpath(dossier));
        const QString coupee = QDir(dossier).filePath("copie-en-cours-999999999-1.partielle");
        QFile(coupee).open(QIODevice::WriteOnly);
        {
            frmMain f;
            QVERIFY(f.Form_Load());
            f.show();
            QVERIFY(!f.CopieAutomatique());
            QCOMPARE(FichiersDe(dossier), QStringList{"copie-en-cours-999999999-1.partielle"});
            QTRY_VERIFY(!modBD::CopiesAutomatiques(dossier).isEmpty());
            QTRY_VERIFY(!f.CopieAutomatique());
            QCOMPARE(f.AvisSauvegarde(), QString());
            QVERIFY(Toolkit::Test::Messages().isEmpty());
        }
        const QStringList copies = modBD::CopiesAutomatiques(dossier);
        QCOMPARE(FichiersDe(dossier), copies);  // the cut copy is gone
        QCOMPARE(copies.size(), 1);
        modBD::VerifierCopie(QDir(dossier).filePath(copies.first()));
        QCOMPARE(modBD::ExaminerCopie(QDir(dossier).filePath(copies.first())).commandes, 3);

        frmMain g;
        QVERIFY(g.Form_Load());
        g.show();
        QTest::qWait(200);
        QCOMPARE(modBD::CopiesAutomatiques(dossier), copies);  // not due again the same day
    }

    // Said once on the status bar, beside the "Ajouté" of an order, and neither erases the other.
    void copieAutomatiqueRateeDitUneFois() {
        TestSupport::BaseTest base;
        Remplir(base);
        {
            QFile bloque(modBD::DossierSauvegardes());
            QVERIFY(bloque.open(QIODevice::WriteOnly));
        }
        frmMain f;
        QVERIFY(f.Form_Load());
        f.show();
        QTRY_VERIFY(!f.AvisSauvegarde().isEmpty());
        QVERIFY2(f.AvisSauvegarde().contains("n'est pas un dossier"), qPrintable(f.AvisSauvegarde()));
        QVERIFY(Toolkit::Test::Messages().isEmpty());
        QCOMPARE(FichiersDe(base.dossier()), (QStringList{"BD.mdb", "sauvegardes"}));

        f.txtNomClient->setText("Client du jour");
        AjouterLigne(f);
        f.cboVendeur->setCurrentIndex(0);
        f.cmdConfirmerTransactions_Click();
        QVERIFY(Toolkit::Test::Messages().isEmpty());
        QCOMPARE(f.TexteStatut(), QStringLiteral("Ajouté"));
        QVERIFY(!f.AvisSauvegarde().isEmpty());
        TestSupport::Rendre(&f, "frmMain-sauvegarde-ratee");
        f.TiEffacerMsg_Timer();
        QCOMPARE(f.TexteStatut(), QString());
        QVERIFY(!f.AvisSauvegarde().isEmpty());
    }

    void copieManuelle() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmMain f;
        QVERIFY(f.Form_Load());
        QTemporaryDir ailleurs;

        // Cancelled: nothing.
        f.mnuSauvegarder_Click();
        QCOMPARE(Toolkit::Test::DialoguesFichier().size(), 1);
        const Toolkit::Test::DialogueFichier d = Toolkit::Test::DialoguesFichier().first();
        QVERIFY(d.enregistrement);
        QCOMPARE(d.dossier, modBD::DossierSauvegardes());
        QVERIFY2(modBD::MomentCopieAutomatique(d.nomPropose), qPrintable(d.nomPropose));
        QVERIFY(d.filtre.contains("*.mdb"));
        QVERIFY(FichiersDe(modBD::DossierSauvegardes()).isEmpty());
        QVERIFY(Toolkit::Test::Messages().isEmpty());

        // Saved elsewhere, under the clerk's name.
        const QString cle = ailleurs.filePath("clé USB.mdb");
        Toolkit::Test::RepondreFichierProchain(cle);
        f.mnuSauvegarder_Click();
        QVERIFY(Toolkit::Test::Messages().isEmpty());
        QCOMPARE(modBD::ExaminerCopie(cle).vendeurs, 2);
        QCOMPARE(f.TexteStatut(), QStringLiteral("Copie enregistrée"));
        QCOMPARE(FichiersDe(ailleurs.path()), QStringList{"clé USB.mdb"});

        // Never over the base in service; a folder that cannot be made is said.
        const QString avant = TestSupport::ContenuDesTables();
        QFile(ailleurs.filePath("fichier")).open(QIODevice::WriteOnly);
        for (const QString& chemin : {modBD::CheminBD(), ailleurs.filePath("fichier/copie.mdb")}) {
            Toolkit::Test::Reinitialiser();
            Toolkit::Test::RepondreFichierProchain(chemin);
            f.mnuSauvegarder_Click();
            QCOMPARE(Toolkit::Test::Messages().size(), 1);
            QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Erreur"));
            QVERIFY2(Toolkit::Test::DernierMessage().texte.contains("modifié"), qPrintable(Toolkit::Test::DernierMessage().texte));
        }
        QCOMPARE(TestSupport::ContenuDesTables(), avant);
        QCOMPARE(FichiersDe(ailleurs.path()), (QStringList{"clé USB.mdb", "fichier"}));
        QCOMPARE(FichiersDe(base.dossier()), QStringList{"BD.mdb"});
    }

    void restaurationDepuisLeMenu() {
        TestSupport::BaseTest base;
        Remplir(base);
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-083000.mdb");
        modBD::CopieBD(copie, true).Faire();
        const QString contenuCopie = TestSupport::ContenuDesTables();
        // The bad edit the copy will undo.
        modBD::Executer("DELETE FROM InfoClientReservation");
        modBD::Executer("UPDATE Vendeur SET NomVendeur = 'Zoé' WHERE NomVendeur = 'Bruno'");
        const QString contenuActuel = TestSupport::ContenuDesTables();

        frmMain f;
        QVERIFY(f.Form_Load());
        f.show();
        QTRY_VERIFY(!f.CopieAutomatique());
        f.mnuGestionPieces_Click();
        f.mnuGestionVendeurs_Click();
        f.mnuRechercheCommandes_Click();
        QVERIFY(f.FenetrePieces() && f.FenetreVendeurs() && f.FenetreCommandes());
        f.txtNomClient->setText("Client en cours");
        AjouterLigne(f);
        f.cboVendeur->setCurrentIndex(f.cboVendeur->findText("Anne (C)"));
        QCOMPARE(TestSupport::Textes(f.cboVendeur), (QStringList{"Anne (C)", "Zoé"}));
        const QStringList avantCopies = FichiersDe(modBD::DossierSauvegardes());

        // A damaged file is refused, nothing changes.
        QTemporaryDir ailleurs;
        const QString abimee = ailleurs.filePath("BD-20261205-080000.mdb");
        QVERIFY(QFile::copy(copie, abimee));
        {
            QFile fichier(abimee);
            QVERIFY(fichier.open(QIODevice::ReadWrite));
            fichier.write(QByteArray(100, 'x'));
        }
        Toolkit::Test::Reinitialiser();
        Toolkit::Test::RepondreFichierProchain(abimee);
        f.mnuRestaurer_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Erreur"));
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains("Rien n'a été modifié"));
        QCOMPARE(Toolkit::Test::DialoguesFichier().first().dossier, modBD::DossierSauvegardes());
        QVERIFY(!Toolkit::Test::DialoguesFichier().first().enregistrement);

        // No: nothing changes.
        Toolkit::Test::Reinitialiser();
        Toolkit::Test::RepondreFichierProchain(copie);
        Toolkit::Test::RepondreProchain(Reponse::Non);
        f.mnuRestaurer_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const Toolkit::Message question = Toolkit::Test::DernierMessage();
        QCOMPARE(question.titre, QStringLiteral("Restauration"));
        QCOMPARE(question.boutons, Toolkit::Boutons::OuiNon);
        QCOMPARE(question.defaut, Reponse::Non);
        for (const char* attendu : {"6 décembre 2026 à 08:30:00", "3 commande", "2 pièce", "2 représentation", "2 vendeur", "remplacées"})
            QVERIFY2(question.texte.contains(QString::fromUtf8(attendu)), qPrintable(question.texte));
        QCOMPARE(TestSupport::ContenuDesTables(), contenuActuel);
        QCOMPARE(FichiersDe(modBD::DossierSauvegardes()), avantCopies);
        QVERIFY(f.FenetrePieces() && f.FenetreVendeurs());

        // Yes: the copy's rows, the windows with stale lists closed, the order on screen kept.
        Toolkit::Test::Reinitialiser();
        Toolkit::Test::RepondreFichierProchain(copie);
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.mnuRestaurer_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 2);
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Restauration"));
        QCOMPARE(Toolkit::Test::DernierMessage().icone, Toolkit::Icone::Information);
        QCOMPARE(TestSupport::ContenuDesTables(), contenuCopie);
        QVERIFY(!f.FenetrePieces() && !f.FenetreVendeurs());
        QVERIFY(!f.FenetreCommandes());  // its chosen order may now be another order of that number
        QCOMPARE(f.txtNomClient->text(), QStringLiteral("Client en cours"));
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 1);
        QCOMPARE(TestSupport::Textes(f.cboVendeur), (QStringList{"Anne (C)", "Bruno"}));
        QCOMPARE(f.cboVendeur->currentText(), QStringLiteral("Anne (C)"));
        QStringList avantRestauration = FichiersDe(modBD::DossierSauvegardes()).filter("-avant-restauration.mdb");
        QCOMPARE(avantRestauration.size(), 1);
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains(avantRestauration.first()));

        // The order typed before is saved into the restored base.
        Toolkit::Test::Reinitialiser();
        f.cmdConfirmerTransactions_Click();
        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(f.TexteStatut(), QStringLiteral("Ajouté"));
        QCOMPARE(base.Compter("InfoClientReservation", "NomClient = 'Client en cours'"), 1);
        QCOMPARE(base.Compter("InfoClientReservation"), 4);
    }
};

QTEST_MAIN(TestFrmSauvegarde)
#include "tst_frmSauvegarde.moc"
