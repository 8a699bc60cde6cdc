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
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTimer>
#include <QSqlQuery>
#include <QProgressDialog>
#include <QPushButton>
#include <QProcess>
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

namespace {
// The seven windows the hub opens, all open at once.
void OuvrirToutes(frmMain& f) {
    f.mnuGestionPieces_Click();
    f.mnuGestionVendeurs_Click();
    f.mnuGestionBillets_Click();
    f.mnuEchanges_Click();
    f.mnuRechercheCommandes_Click();
    f.mnuPlacesTarifs_Click();
    f.mnuSoiree_Click();
    QCOMPARE(f.FenetresOuvertes().size(), 7);
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
        QCOMPARE(elements, (QStringList{"mnuSauvegarder=Sauvegarder une &copie…", "mnuRestaurer=&Restaurer une sauvegarde…",
                                        "mnuChangerEmploye=Changer d'&employé…", "-", "mnuQuitter=&Quitter"}));
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
        // Said for 5 s, with where it went.
        QCOMPARE(f.TexteStatut(), QStringLiteral("Enregistré : ") + QDir::toNativeSeparators(cle));
        QVERIFY(f.TiEffacerMsg->isActive());
        QCOMPARE(f.TiEffacerMsg->interval(), 5000);
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
        // The day's automatic copy is made first (the copy above is of another day).
        QTRY_COMPARE(modBD::CopiesAutomatiques(modBD::DossierSauvegardes()).size(), 2);
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
        // Both sides, and the name the data of now will be copied under.
        const QRegularExpression texteAttendu(QStringLiteral(
            "^Restaurer la copie du 6 décembre 2026 à 08:30 \\? La base actuelle contient 0 commandes, 2 pièces, "
            "2 représentations et 2 vendeurs ; la copie contient 3 commandes, 2 pièces, 2 représentations et 2 vendeurs\\. "
            "Les données actuelles seront d'abord copiées dans « BD-\\d{8}-\\d{6}-avant-restauration\\.mdb »\\.$"));
        QVERIFY2(texteAttendu.match(question.texte).hasMatch(), qPrintable(question.texte));
        QCOMPARE(TestSupport::ContenuDesTables(), contenuActuel);
        QCOMPARE(FichiersDe(modBD::DossierSauvegardes()).join(","), avantCopies.join(","));
        QVERIFY(f.FenetrePieces() && f.FenetreVendeurs());
        OuvrirToutes(f);

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
        QVERIFY(f.FenetresOuvertes().isEmpty());
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

    // A full disk refuses the order plainly, names where room can be made, and keeps it on screen.
    void disquePleinALaConfirmation() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmMain f;
        QVERIFY(f.Form_Load());
        f.txtNomClient->setText("Client du disque plein");
        AjouterLigne(f);
        // SQLite's own ceiling on the file's pages stands for the full disk; the pages' spare room is filled first.
        {
            QSqlQuery q = modBD::Executer("PRAGMA page_count");
            QVERIFY(q.next());
            modBD::Executer(QStringLiteral("PRAGMA max_page_count = %1").arg(q.value(0).toLongLong()));
        }
        for (const char* remplissage :
             {"INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire) "
              "VALUES (1, 1, 1, '2026-12-07', 'x')",
              "INSERT INTO InfoClientReservation (DateReservation, NomClient) VALUES ('2026-12-01', 'x')",
              "INSERT INTO InfoReservation (NoClient, NoRepresentation, NbEnfant, NbAdulte, Cout, VentePorte, NoVendeur) "
              "VALUES (1, 1, 1, 1, 1, 0, 1)"}) {
            try {
                for (int i = 0; i < 1000000; ++i) modBD::Executer(QString::fromUtf8(remplissage));
                QFAIL("the ceiling was never reached");
            } catch (const modBD::ErreurBD& e) {
                QCOMPARE(e.nature(), modBD::NatureErreur::DisquePlein);
                // Every window's message names where room can be made.
                QVERIFY2(e.message().contains(QDir::toNativeSeparators(modBD::DossierSauvegardes())), qPrintable(e.message()));
            }
        }
        Toolkit::Test::Reinitialiser();
        f.cmdConfirmerTransactions_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const QString texte = Toolkit::Test::DernierMessage().texte;
        QVERIFY2(texte.startsWith("La commande n'a pas été enregistrée : le disque est plein.") &&
                     texte.contains(QDir::toNativeSeparators(modBD::DossierSauvegardes())) && !texte.contains("Ligne") &&
                     !texte.contains("corrigez"),
                 qPrintable(texte));
        QCOMPARE(f.txtNomClient->text(), QStringLiteral("Client du disque plein"));
        QCOMPARE(base.Compter("InfoClientReservation", "NomClient = 'Client du disque plein'"), 0);
    }

    // Another program restored a copy: the next action here reopens the new file, re-reads the
    // sellers, says so once; the order on screen stays and goes through the next time.
    void restaureeParUnAutreProgramme() {
        TestSupport::BaseTest base;
        Remplir(base);
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-083000.mdb");
        modBD::CopieBD(copie, false).Faire();
        modBD::Executer("UPDATE Vendeur SET NomVendeur = 'Zoé' WHERE NomVendeur = 'Bruno'");
        frmMain f;
        QVERIFY(f.Form_Load());
        OuvrirToutes(f);
        f.txtNomClient->setText("Client pendant la restauration");
        AjouterLigne(f);
        f.cboVendeur->setCurrentIndex(f.cboVendeur->findText("Anne (C)"));
        QCOMPARE(TestSupport::Textes(f.cboVendeur), (QStringList{"Anne (C)", "Zoé"}));

        const auto restaurerAilleurs = [&] {
            QProcess poste;
            const QString depart = QDir(base.dossier()).filePath("depart");
            QFile(depart).open(QIODevice::WriteOnly);
            poste.start(QStringLiteral(CORV_POSTE_TEST), {base.dossier(), depart, "restaurer", copie});
            QVERIFY(poste.waitForFinished(60000));
            QVERIFY2(poste.readAllStandardOutput().contains("restauree"), "the other program did not restore");
        };
        const QString avis = "La base de données a été restaurée depuis la copie du 6 décembre 2026 à 08:30 : "
                             "les listes ont été relues.";
        restaurerAilleurs();
        Toolkit::Test::Reinitialiser();
        f.cmdConfirmerTransactions_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QVERIFY2(Toolkit::Test::DernierMessage().texte.startsWith(avis + "\n\n"), qPrintable(Toolkit::Test::DernierMessage().texte));
        QVERIFY(!Toolkit::Test::DernierMessage().texte.contains("corrigez"));
        QVERIFY(!Toolkit::Test::DernierMessage().texte.contains("redémarrez"));
        QCOMPARE(TestSupport::Textes(f.cboVendeur), (QStringList{"Anne (C)", "Bruno"}));
        QCOMPARE(f.cboVendeur->currentText(), QStringLiteral("Anne (C)"));
        // Every window the hub opened is closed, as after a restore from the menu.
        QVERIFY(f.FenetresOuvertes().isEmpty());
        QVERIFY(!f.FenetreVendeurs() && !f.FenetrePlacesTarifs() && !f.FenetreSoiree());
        QCOMPARE(base.Compter("InfoClientReservation", "NomClient = 'Client pendant la restauration'"), 0);

        Toolkit::Test::Reinitialiser();
        f.cmdConfirmerTransactions_Click();
        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(f.TexteStatut(), QStringLiteral("Ajouté"));
        QCOMPARE(base.Compter("InfoClientReservation", "NomClient = 'Client pendant la restauration'"), 1);

        // Without any action here: the window notices by itself, once.
        restaurerAilleurs();
        Toolkit::Test::Reinitialiser();
        QTRY_COMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(Toolkit::Test::DernierMessage().texte, avis);
        QTest::qWait(1500);
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
    }

    // Checking and restoring show their progress and can be cancelled: nothing changes then.
    void annulerVerificationEtRestauration() {
        TestSupport::BaseTest base;
        Remplir(base);
        {
            // Enough to check that the dialog is on screen before the check is over.
            modBD::Transaction t;
            for (int i = 0; i < 30000; ++i)
                modBD::Executer("INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire) "
                                "VALUES (1, 1, 1, '2026-12-07', ?)", {QString(300, QLatin1Char(static_cast<char>('a' + i % 26)))});
            t.Valider();
        }
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath("BD-20261206-083000.mdb");
        modBD::CopieBD(copie, false).Faire();
        modBD::Executer("DELETE FROM InfoClientReservation");
        const QString actuel = TestSupport::ContenuDesTables();
        frmMain f;
        QVERIFY(f.Form_Load());

        for (const char* nom : {"dlgVerificationCopie", "dlgRestauration"}) {
            QString libelle;
            QTimer guet;
            guet.setInterval(0);
            QObject::connect(&guet, &QTimer::timeout, [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->objectName() == QLatin1String(nom) && d->isVisible()) {
                        libelle = d->labelText();
                        if (auto* annuler = d->findChild<QPushButton*>()) annuler->click();  // as the clerk would
                        guet.stop();
                    }
            });
            guet.start();
            Toolkit::Test::Reinitialiser();
            Toolkit::Test::RepondreFichierProchain(copie);
            Toolkit::Test::RepondreProchain(Reponse::Oui);
            f.mnuRestaurer_Click();
            guet.stop();
            QCOMPARE(libelle, QString::fromUtf8(qstrcmp(nom, "dlgRestauration") == 0 ? "Restauration…" : "Vérification de la copie…"));
            // Cancelled while checking: not even asked. Cancelled while restoring: asked, then nothing more.
            QVERIFY2(Toolkit::Test::Messages().size() == (qstrcmp(nom, "dlgRestauration") == 0 ? 1 : 0), qPrintable(Toolkit::Test::DernierMessage().texte + " / " + libelle));
            QCOMPARE(TestSupport::ContenuDesTables(), actuel);
            QCOMPARE(FichiersDe(modBD::DossierSauvegardes()), QStringList{"BD-20261206-083000.mdb"});
        }
    }

    // Room for exactly one more copy: the day's copy is skipped, said in the status bar with the
    // free space, and the clerk's order still goes through.
    void copieSauteeFauteDePlace() {
        TestSupport::BaseTest base;
        Remplir(base);
        const qint64 libre = QFileInfo(base.chemin()).size() + 8192;
        modBD::DefinirLectureEspaceLibre([libre](const QString&) { return libre; });
        const auto remettre = qScopeGuard([] { modBD::DefinirLectureEspaceLibre({}); });
        frmMain f;
        QVERIFY(f.Form_Load());
        f.show();
        const QString attendu =
            QStringLiteral("Sauvegarde non faite : il reste trop peu de place sur le disque (%1 Mo libres).").arg(libre / 1000000);
        QTRY_COMPARE(f.AvisSauvegarde(), attendu);
        QVERIFY(modBD::CopiesAutomatiques(modBD::DossierSauvegardes()).isEmpty());
        Toolkit::Test::Reinitialiser();
        f.txtNomClient->setText("Client sans copie");
        AjouterLigne(f);
        f.cmdConfirmerTransactions_Click();
        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(base.Compter("InfoClientReservation", "NomClient = 'Client sans copie'"), 1);
    }
};

QTEST_MAIN(TestFrmSauvegarde)
#include "tst_frmSauvegarde.moc"
