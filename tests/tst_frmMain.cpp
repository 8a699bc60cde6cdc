#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmMain.h"
#include "modBD.h"
#include "modBD_Catalogue.h"
#include "modBD_Commandes.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using Toolkit::Reponse;

class TestFrmMain : public QObject {
    Q_OBJECT
private:
    static void AjouterLigne(frmMain& f, const QString& piece, const QString& date, const QString& cout, const QString& porte = "0") {
        QVERIFY(FctVar::AjouterLigneTransaction(*f.lstTransactions, piece, date, "1", "2", cout, porte));
        FctVar::CalculerMontantTotal(*f.lstTransactions, *f.lblMontantTotal);
    }

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        FctVar::DefinirHorloge([] { return QDate(2026, 12, 7); });
    }
    void cleanup() { FctVar::DefinirHorloge({}); }

    void traductionDesBoutons() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Oui"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Non"));
    }

    void controlesEtLegendes() {
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());
        QCOMPARE(f.windowTitle(), QStringLiteral("Corvandelle"));
        QCOMPARE(f.accessibleName(), QStringLiteral("Corvandelle"));
        const QList<std::pair<QString, QString>> boutons = {
            {"cmdAjouterTransaction", "Ajouter"}, {"cmdConfirmerTransactions", "Confirmer"}, {"cmdReinitialiser", "Réinitialiser"}};
        for (const auto& [nom, texte] : boutons) {
            auto* b = f.findChild<QPushButton*>(nom);
            QVERIFY2(b, qPrintable(nom));
            QCOMPARE(b->text().remove(QLatin1Char('&')), texte);  // the caption, its Alt+letter aside
            QVERIFY(!b->isDefault());
        }
        QCOMPARE(f.cmdAjouterTransaction->toolTip(), QStringLiteral("Ajouter une transaction à la liste"));
        QCOMPARE(f.cmdConfirmerTransactions->toolTip(), QStringLiteral("Ajoute la commande pour le client"));
        QCOMPARE(f.cmdReinitialiser->toolTip(), QStringLiteral("Remet tous les champs à zéro"));
        QCOMPARE(f.lblMontantTotal->text(), QStringLiteral("0"));
        QCOMPARE(f.txtNbForfaits->text(), QStringLiteral("0"));
        QCOMPARE(f.lstTransactions->headerItem()->text(5), QStringLiteral("À la porte"));
        QCOMPARE(f.lstTransactions->headerItem()->text(4), QStringLiteral("Coûts"));
        QCOMPARE(FctVar::DateEnTexte(f.DPDateTransaction->date()), QStringLiteral("2026-12-07"));
        QCOMPARE(f.TiEffacerMsg->interval(), 3000);
        QVERIFY(!f.TiEffacerMsg->isActive());

        // Menus and their mnemonics, in order.
        const QList<QAction*> barre = f.menuBar()->actions();
        QCOMPARE(barre.size(), 3);
        QCOMPARE(barre.at(0)->text(), QStringLiteral("&Fichier"));
        QCOMPARE(barre.at(1)->text(), QStringLiteral("&Outils"));
        QCOMPARE(barre.at(2)->text(), QStringLiteral("&Aide"));
        QStringList outils;
        for (QAction* a : f.mnuOutils->actions()) outils << a->objectName() + "=" + a->text();
        QCOMPARE(outils, (QStringList{"mnuGestionVendeurs=Gestion des &vendeurs", "mnuGestionPieces=Gestion des &pièces",
                                      "mnuPlacesTarifs=Places et &tarifs…",
                                      "mnuGestionBillets=Gestion du nb de &billets", "mnuEchanges=&Échanges de billets",
                                      "mnuRechercheCommandes=Re&cherche de commandes…",
                                      "mnuSoiree=&Soirée de représentation…", "mnuProduireRapport=&Rapports",
                                      "mnuComptes=Comptes des emp&loyés…", "mnuJournal=&Journal des opérations…"}));
        QSet<QChar> mnemoniques;
        for (QAction* a : f.mnuOutils->actions()) {
            const QString t = a->text();
            const QChar m = t.at(t.indexOf(QLatin1Char('&')) + 1).toLower();
            QVERIFY2(!mnemoniques.contains(m), qPrintable(t));
            mnemoniques.insert(m);
        }
        QCOMPARE(f.mnuPopUpMenu->title(), QStringLiteral("popup"));
        QCOMPARE(f.mnuSupprimer->text(), QStringLiteral("Supprimer"));

        // Every field is named by its caption label.
        QCOMPARE(f.Label4->buddy(), f.txtNomClient);
        QCOMPARE(f.Label5->buddy(), f.txtNoTel);
        QCOMPARE(f.Label8->buddy(), f.cboVendeur);
        QCOMPARE(f.Label7->buddy(), f.txtNbForfaits);
        QCOMPARE(f.Label3->buddy(), f.DPDateTransaction);
        QCOMPARE(f.txtNoTel->accessibleName(), QStringLiteral("Téléphone"));
    }

    void ordreDeTabulation() {
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());
        const QList<QWidget*> attendu = {f.DPDateTransaction, f.txtNomClient, f.txtNoTel, f.cboVendeur, f.txtNbForfaits,
                                         f.cmdAjouterTransaction, f.cmdConfirmerTransactions, f.cmdReinitialiser,
                                         f.lstTransactions};
        for (int i = 0; i + 1 < attendu.size(); ++i) {
            QWidget* suivant = attendu.at(i)->nextInFocusChain();
            while (suivant && suivant->focusPolicy() == Qt::NoFocus) suivant = suivant->nextInFocusChain();
            // A date editor's inner line edit sits in the chain right after it.
            while (suivant && suivant->parentWidget() == attendu.at(i)) suivant = suivant->nextInFocusChain();
            QCOMPARE(suivant ? suivant->objectName() : QString(), attendu.at(i + 1)->objectName());
        }
    }

    void geometrieSansTexteCoupe() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Anne", true);
        frmMain f;
        QVERIFY(f.Form_Load());
        const QString png = TestSupport::Rendre(&f, "frmMain");
        QVERIFY(QFile::exists(png));
        QCOMPARE(f.centralWidget()->size(), QSize(615, 234));
        QCOMPARE(f.Frame1->geometry(), QRect(184, 8, 425, 177));
        QCOMPARE(f.cmdReinitialiser->geometry(), QRect(528, 200, 81, 25));
        QCOMPARE(f.StatusBar1->height(), 23);
        for (QLabel* l : f.findChildren<QLabel*>()) {
            if (l->text().isEmpty() || !l->isVisible()) continue;
            QVERIFY2(l->sizeHint().width() <= l->width() + 1, qPrintable(l->objectName() + " : " + l->text()));
        }
        for (QPushButton* b : f.findChildren<QPushButton*>())
            QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) < b->width(), qPrintable(b->objectName()));
    }

    void listeDesVendeurs() {
        TestSupport::BaseTest base;
        {
            frmMain vide;
            QVERIFY(vide.Form_Load());
            QCOMPARE(vide.cboVendeur->count(), 0);
            QCOMPARE(vide.cboVendeur->currentIndex(), -1);
            QCOMPARE(vide.cboVendeur->currentText(), QString());
        }
        base.AjouterVendeur("Marc");
        base.AjouterVendeur("Anne", true);
        base.AjouterVendeur("Zoé");
        frmMain f;
        QVERIFY(f.Form_Load());
        QCOMPARE(f.cboVendeur->count(), 3);
        QCOMPARE(f.cboVendeur->itemText(0), QStringLiteral("Anne (C)"));
        QCOMPARE(f.cboVendeur->itemText(1), QStringLiteral("Marc"));
        QCOMPARE(f.cboVendeur->currentText(), QStringLiteral("Anne (C)"));
        // Reloading follows the table again and selects the first.
        f.cboVendeur->setCurrentIndex(2);
        base.AjouterVendeur("Aaron");
        f.AfficherListeVendeurs();
        QCOMPARE(f.cboVendeur->currentText(), QStringLiteral("Aaron"));
        QCOMPARE(f.cboVendeur->count(), 4);
    }

    void reinitialiser() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Anne");
        base.AjouterVendeur("Bruno");
        frmMain f;
        QVERIFY(f.Form_Load());
        auto remplir = [&] {
            f.DPDateTransaction->setDate(QDate(2026, 12, 24));
            f.txtNomClient->setText("Mme Tremblay");
            f.txtNoTel->setText("555-1234");
            f.txtNbForfaits->setText("2");
            f.cboVendeur->setCurrentIndex(1);
            AjouterLigne(f, "L'Avare", "2026-12-24", "12,5");
        };
        remplir();

        Toolkit::Test::RepondreProchain(Reponse::Non);
        f.cmdReinitialiser_Click();
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QCOMPARE(m.texte, QStringLiteral("Êtes-vous sur de vouloir réinitialiser la commande?"));
        QCOMPARE(m.titre, QStringLiteral("Réinitialisation"));
        QCOMPARE(m.icone, Toolkit::Icone::Question);
        QCOMPARE(m.boutons, Toolkit::Boutons::OuiNon);
        QCOMPARE(m.defaut, Reponse::Non);
        QCOMPARE(f.txtNomClient->text(), QStringLiteral("Mme Tremblay"));
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 1);
        QCOMPARE(f.lblMontantTotal->text(), QStringLiteral("12,5"));
        QCOMPARE(f.DPDateTransaction->date(), QDate(2026, 12, 24));

        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.cmdReinitialiser_Click();
        QCOMPARE(f.DPDateTransaction->date(), QDate(2026, 12, 7));
        QCOMPARE(f.txtNomClient->text(), QString());
        QCOMPARE(f.txtNoTel->text(), QString());
        QCOMPARE(f.txtNbForfaits->text(), QStringLiteral("0"));
        QCOMPARE(f.lblMontantTotal->text(), QStringLiteral("0"));
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 0);
        QCOMPARE(f.cboVendeur->currentText(), QStringLiteral("Bruno"));  // the seller stays
    }

    void supprimerUneLigne() {
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());
        f.mnuSupprimer_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Il n'y a pas de transactions à enlever!"));
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Erreur"));
        QCOMPARE(Toolkit::Test::DernierMessage().icone, Toolkit::Icone::Exclamation);

        AjouterLigne(f, "A", "2026-12-24", "12,5");
        AjouterLigne(f, "B", "2026-12-24", "7,5");
        QCOMPARE(f.lblMontantTotal->text(), QStringLiteral("20"));
        // Lines but none selected: nothing removed, the clerk is told.
        f.lstTransactions->clearSelection();
        f.mnuSupprimer_Click();
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 2);
        QCOMPARE(Toolkit::Test::Messages().size(), 2);

        f.lstTransactions->topLevelItem(0)->setSelected(true);
        f.mnuSupprimer_Click();
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 1);
        QCOMPARE(f.lstTransactions->topLevelItem(0)->text(0), QStringLiteral("B"));
        QCOMPARE(f.lblMontantTotal->text(), QStringLiteral("7,5"));
        f.lstTransactions->topLevelItem(0)->setSelected(true);
        f.mnuSupprimer_Click();
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 0);
        QCOMPARE(f.lblMontantTotal->text(), QStringLiteral("0"));
    }

    // The order list acts on the line under the pointer, as every report-style list does;
    // the empty area below the lines leaves the selection alone.
    void clicDroitChoisitLaLigneSousLePointeur() {
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());
        f.show();
        AjouterLigne(f, "A", "d", "1");
        AjouterLigne(f, "B", "d", "2");
        AjouterLigne(f, "C", "d", "4");
        f.lstTransactions->topLevelItem(0)->setSelected(true);
        QWidget* vue = f.lstTransactions->viewport();
        auto clicDroit = [&](const QPoint& ou) {
            QTest::mousePress(vue, Qt::RightButton, {}, ou);
            QTimer::singleShot(0, f.mnuPopUpMenu, [&f] { f.mnuPopUpMenu->close(); });
            QTest::mouseRelease(vue, Qt::RightButton, {}, ou);
        };

        clicDroit(QPoint(5, vue->height() - 3));  // below the last line
        QVERIFY(f.lstTransactions->topLevelItem(0)->isSelected());

        clicDroit(f.lstTransactions->visualItemRect(f.lstTransactions->topLevelItem(2)).center());
        QCOMPARE(f.lstTransactions->selectedItems().size(), 1);
        QVERIFY(f.lstTransactions->topLevelItem(2)->isSelected());
        f.mnuSupprimer->trigger();
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 2);
        QCOMPARE(f.lstTransactions->topLevelItem(0)->text(0), QStringLiteral("A"));
        QCOMPARE(f.lstTransactions->topLevelItem(1)->text(0), QStringLiteral("B"));
        QCOMPARE(f.lblMontantTotal->text(), QStringLiteral("3"));
    }

    // A screen reader reads the total itself, and names it by its caption.
    void totalLuParLecteurDEcran() {
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());
        AjouterLigne(f, "A", "d", "12,5");
        AjouterLigne(f, "B", "d", "7,5");
        QAccessibleInterface* total = QAccessible::queryAccessibleInterface(f.lblMontantTotal);
        QVERIFY(total);
        QVERIFY2(total->text(QAccessible::Name).contains(QStringLiteral("20")), qPrintable(total->text(QAccessible::Name)));
        bool nommeParSaLegende = false;
        for (const auto& relation : total->relations(QAccessible::Label))
            nommeParSaLegende |= relation.first->object() == f.Label2;
        QVERIFY(nommeParSaLegende);
    }

    // An order's content, which tells whether it changed since its token was made: amounts in the
    // caption's form, one cent apart is another order.
    void contenuDeCommandeSelonSesMontants() {
        modBD::Commande c{"2026-12-07", Montant::Centimes(2050), "Gagnon", "", "0", "Anne",
                          {{"Hamlet", "2026-12-24", "0", "1", Montant::Centimes(1250), "Non"},
                           {"Le Cid", "2026-12-24", "0", "1", Montant::Centimes(800), "Non"}}, {}};
        const QString contenu = frmMain::ContenuCommande(c);
        QCOMPARE(contenu.split(QChar(0x1f)).mid(0, 2), (QStringList{"2026-12-07", "20,5"}));
        QCOMPARE(contenu.split(QChar(0x1f)).at(10), QStringLiteral("12,5"));
        c.lignes[1].cout += Montant::Centimes(1);
        QVERIFY(frmMain::ContenuCommande(c) != contenu);
        c.lignes[1].cout -= Montant::Centimes(1);
        QCOMPARE(frmMain::ContenuCommande(c), contenu);
    }

    void barreDeStatutEffaceeApresTroisSecondes() {
        TestSupport::BaseTest base;
        base.AjouterPiece("Le Cid");  // a base without plays keeps its hint on where to begin
        frmMain f;
        QVERIFY(f.Form_Load());
        f.DefinirTexteStatut("Ajouté");
        f.TiEffacerMsg->start();
        QTest::qWait(2500);
        QCOMPARE(f.TexteStatut(), QStringLiteral("Ajouté"));
        QTRY_COMPARE_WITH_TIMEOUT(f.TexteStatut(), QString(), 2000);
        QVERIFY(!f.TiEffacerMsg->isActive());
    }

    void rapports() {
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());

        Toolkit::Test::RepondreProchain(Reponse::Non);
        f.mnuProduireRapport_Click();
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QCOMPARE(m.texte, QStringLiteral("Cette action quittera le programme, êtes-vous sûr de vouloir quitter?"));
        QCOMPARE(m.titre, QStringLiteral("Quitter"));
        QCOMPARE(m.defaut, Reponse::Non);
        QVERIFY(modBD::ConnexionOuverte());
        QVERIFY(!Toolkit::Test::ProgrammeTermine());
        QVERIFY(Toolkit::Test::Lancements().isEmpty());

        // The tool cannot start: no false success, the connection comes back, the program stays.
        Toolkit::Test::DefinirLancementPossible(false);
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.mnuProduireRapport_Click();
        QCOMPARE(Toolkit::Test::Lancements().size(), 1);
        QVERIFY(!Toolkit::Test::ProgrammeTermine());
        QVERIFY(modBD::ConnexionOuverte());
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Erreur"));

        Toolkit::Test::DefinirLancementPossible(true);
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.mnuProduireRapport_Click();
        QVERIFY(!modBD::ConnexionOuverte());
        QVERIFY(Toolkit::Test::ProgrammeTermine());
        const Toolkit::Test::Lancement l = Toolkit::Test::Lancements().last();
        // One argument: the full path (of the settings file naming it, on a server).
        QCOMPARE(l.arguments, QStringList{QFileInfo(base.cheminBase()).absoluteFilePath()});
        QVERIFY(l.programme.endsWith("corvandelle-rapports"));
    }

    void quitter() {
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());
        f.mnuQuitter_Click();
        QVERIFY(Toolkit::Test::ProgrammeTermine());
        QVERIFY(Toolkit::Test::Messages().isEmpty());
        QVERIFY(modBD::ConnexionOuverte());  // not closed first
    }

    void premierDemarrageSansBase() {
        QTemporaryDir dossier;
        modBD::DefinirDossierProgramme(dossier.path());
        const QString chemin = QDir(dossier.path()).filePath("BD.mdb");
        {
            Toolkit::Test::Reinitialiser();
            Toolkit::Test::RepondreProchain(Reponse::Non);
            frmMain f;
            QVERIFY(!f.Form_Load());
            QVERIFY(Toolkit::Test::ProgrammeTermine());
            QVERIFY(Toolkit::Test::Messages().first().texte.contains(chemin));
            QVERIFY(!QFile::exists(chemin));
        }
        {
            Toolkit::Test::Reinitialiser();
            Toolkit::Test::RepondreProchain(Reponse::Oui);
            frmMain f;
            QVERIFY(f.Form_Load());
            QVERIFY(!Toolkit::Test::ProgrammeTermine());
            QVERIFY(modBD::ConnexionOuverte());
            QCOMPARE(modBD::ListePieces(), QStringList());
            // Where to begin, until the first play is added (here, by another window).
            const QString conseil = QStringLiteral(
                "Base vide : commencez par Outils > Gestion des pièces, puis Gestion des vendeurs (F1 : guide).");
            QCOMPARE(f.TexteStatut(), conseil);
            modBD::AjouterPiece(QStringLiteral("Le Cid"));
            QTRY_COMPARE_WITH_TIMEOUT(f.TexteStatut(), QString(), 2500);
        }
        modBD::FermerConnexion();
        modBD::DefinirDossierProgramme(QString());
    }

    void baseInutilisableLaisseeIntacte() {
        QTemporaryDir dossier;
        modBD::DefinirDossierProgramme(dossier.path());
        const QString chemin = QDir(dossier.path()).filePath("BD.mdb");
        QFile fichier(chemin);
        QVERIFY(fichier.open(QIODevice::WriteOnly));
        fichier.write("pas une base");
        fichier.close();
        Toolkit::Test::Reinitialiser();
        frmMain f;
        QVERIFY(!f.Form_Load());
        QVERIFY(Toolkit::Test::ProgrammeTermine());
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains(chemin));
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("n'a pas été modifié")));
        QVERIFY(fichier.open(QIODevice::ReadOnly));
        QCOMPARE(fichier.readAll(), QByteArray("pas une base"));
        modBD::DefinirDossierProgramme(QString());
    }

    void focusSelectionneLeTexte() {
        TestSupport::BaseTest base;
        frmMain f;
        QVERIFY(f.Form_Load());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.txtNbForfaits->setText("12");
        f.txtNbForfaits->deselect();
        f.txtNomClient->setFocus();
        f.txtNbForfaits->setFocus();
        QTRY_COMPARE(f.txtNbForfaits->selectedText(), QStringLiteral("12"));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmMain.moc"
