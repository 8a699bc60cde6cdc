#include "TestSupport.h"
#include "Toolkit.h"
#include "frmGestionVendeurs.h"
#include "frmMain.h"
#include "modBD.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using Toolkit::Reponse;
using Toolkit::Test::Messages;

using TestSupport::Textes;
using TestSupport::OrdreTabulation;
namespace {
}  // namespace

class TestFrmGestionVendeurs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() { TestSupport::DefinirLocale(TestSupport::LocaleFrancaise()); }

    void listes() {
        TestSupport::BaseTest base;
        base.AjouterVendeur(QStringLiteral("Zoé"));
        base.AjouterVendeur(QStringLiteral("Éric"), true);
        base.AjouterVendeur(QStringLiteral("Alain"));
        modBD::Executer(QStringLiteral("INSERT INTO Vendeur (NomVendeur, NomVendeurMaj) VALUES ('Bruno', 'BRUNO')"));  // flag left to its default
        frmMain principal;
        principal.AfficherListeVendeurs();
        frmGestionVendeurs f(&principal);
        QObject::connect(&f, &frmGestionVendeurs::VendeursFermes, &principal, &frmMain::AfficherListeVendeurs);
        // Here: the table's order, the long marker, nothing selected.
        QCOMPARE(Textes(f.lstVendeurs), QStringList({"Zoé", "Éric (Comédien)", "Alain", "Bruno"}));
        QVERIFY(f.lstVendeurs->selectedItems().isEmpty());
        // In the main window: name order, the short marker.
        QCOMPARE(Textes(principal.cboVendeur), QStringList({"Alain", "Bruno", "Éric (C)", "Zoé"}));
        QVERIFY(Messages().isEmpty());
    }

    // A seller renamed, then two swapped, by another program: the duplicate test follows the names.
    void nomsChangesAilleurs() {
        TestSupport::BaseTest base;
        const qint64 eric = base.AjouterVendeur(QStringLiteral("Éric"));
        const qint64 lea = base.AjouterVendeur(QStringLiteral("Léa"), true);
        base.ExecuterAilleurs(QStringLiteral("UPDATE Vendeur SET NomVendeur = 'Marc' WHERE NoVendeur = ?"), {eric});
        base.ExecuterAilleurs(QStringLiteral("UPDATE Vendeur SET NomVendeur = 'Éric' WHERE NoVendeur = ?"), {lea});
        frmGestionVendeurs f(nullptr);
        for (const QString& pris : {QStringLiteral("MARC"), QStringLiteral("éric")}) {
            f.txtNomVendeur->setText(pris);
            f.cmdAjouterVendeur_Click();
            QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Ce vendeur est déjà entré"));
        }
        QCOMPARE(base.Compter(QStringLiteral("Vendeur")), 2);
        f.txtNomVendeur->setText(QStringLiteral("LÉA"));
        f.cmdAjouterVendeur_Click();
        QCOMPARE(int(Messages().size()), 2);
        QCOMPARE(base.Compter(QStringLiteral("Vendeur")), 3);
    }

    void ajouterVendeur_data() {
        QTest::addColumn<QString>("saisie");
        QTest::addColumn<bool>("comedien");
        QTest::addColumn<QString>("message");  // empty: none
        QTest::addColumn<QString>("ajoute");   // list entry of the new seller; empty: nothing stored
        const QString doublon = QStringLiteral("Ce vendeur est déjà entré");
        QTest::newRow("majuscules accentuées") << "ÉRIC" << false << doublon << "";
        QTest::newRow("minuscules") << "éric" << true << doublon << "";
        QTest::newRow("blancs autour") << "  Éric  " << false << doublon << "";
        QTest::newRow("guillemets, autre casse") << "JEAN \"LE GRAND\" O'NEIL" << false << doublon << "";
        QTest::newRow("nouveau comédien, blancs retirés") << "  Marie  " << true << "" << "Marie (Comédien)";
        QTest::newRow("nouveau, pas comédien") << "Marie" << false << "" << "Marie";
        QTest::newRow("seul l'accent diffère") << "Eric" << false << "" << "Eric";
        QTest::newRow("apostrophe") << "L'Heureux" << false << "" << "L'Heureux";
        QTest::newRow("vide") << "" << true << "" << "";
        QTest::newRow("blancs seulement") << "    " << false << "" << "";
        QTest::newRow("marque courte dans le nom") << "Paul (C)" << false
                                                   << "Le nom d'un vendeur ne peut pas se terminer par « (C) ». "
                                                      "Pour un comédien, cochez plutôt « Est un comédien »."
                                                   << "";
        QTest::newRow("marque longue dans le nom") << "Paul (Comédien) " << true
                                                   << "Le nom d'un vendeur ne peut pas se terminer par « (Comédien) ». "
                                                      "Pour un comédien, cochez plutôt « Est un comédien »."
                                                   << "";
        QTest::newRow("parenthèses sans la marque exacte") << "Paul (c)" << false << "" << "Paul (c)";
    }
    void ajouterVendeur() {
        QFETCH(QString, saisie);
        QFETCH(bool, comedien);
        QFETCH(QString, message);
        QFETCH(QString, ajoute);
        TestSupport::BaseTest base;
        base.AjouterVendeur(QStringLiteral("Éric"), true);
        base.AjouterVendeur(QStringLiteral("Jean \"le grand\" O'Neil"));
        frmGestionVendeurs f(nullptr);
        f.lstVendeurs->setCurrentRow(1);
        const QStringList avant = Textes(f.lstVendeurs);

        f.txtNomVendeur->setText(saisie);
        f.chkComedien->setChecked(comedien);
        f.cmdAjouterVendeur_Click();

        // The field and the box keep what the clerk set.
        QCOMPARE(f.txtNomVendeur->text(), saisie);
        QCOMPARE(f.chkComedien->isChecked(), comedien);
        if (!message.isEmpty()) {
            QCOMPARE(Messages().size(), 1);
            QCOMPARE(Toolkit::Test::DernierMessage().texte, message);
            QCOMPARE(Toolkit::Test::DernierMessage().titre, Toolkit::kTitreApplication);
            QCOMPARE(Toolkit::Test::DernierMessage().icone, Toolkit::Icone::Aucune);
            QCOMPARE(Toolkit::Test::DernierMessage().boutons, Toolkit::Boutons::OK);
            QCOMPARE(f.lstVendeurs->currentRow(), 1);  // not refilled
            QCOMPARE(base.Compter(QStringLiteral("Vendeur")), 2);
            return;
        }
        QVERIFY(Messages().isEmpty());
        QStringList attendu = avant;
        if (!ajoute.isEmpty()) attendu << ajoute;
        QCOMPARE(Textes(f.lstVendeurs), attendu);
        QVERIFY(f.lstVendeurs->selectedItems().isEmpty());  // refilled, also for a blank name
        QCOMPARE(base.Compter(QStringLiteral("Vendeur")), attendu.size());
        if (!ajoute.isEmpty()) {
            const QString nom = saisie.trimmed();
            QCOMPARE(base.Valeur(QStringLiteral("SELECT Comedien FROM Vendeur WHERE NomVendeur = ?"), {nom}).toInt(), comedien ? 1 : 0);
            QCOMPARE(base.Valeur(QStringLiteral("SELECT NomVendeurMaj FROM Vendeur WHERE NomVendeur = ?"), {nom}).toString(),
                     nom.toUpper());
            // Pressing "Ajouter" again with the same text gives the duplicate message.
            f.cmdAjouterVendeur_Click();
            QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Ce vendeur est déjà entré"));
            QCOMPARE(base.Compter(QStringLiteral("Vendeur")), attendu.size());
        }
    }

    void supprimerVendeur_data() {
        QTest::addColumn<int>("ligne");  // -1: nothing selected
        QTest::addColumn<bool>("oui");
        QTest::addColumn<QString>("question");  // empty: none asked
        QTest::addColumn<QStringList>("restants");
        QTest::newRow("comédien, oui") << 1 << true << "Êtes-vous sur de vouloir effacer le vendeur Alain?"
                                       << QStringList({"Zoé", "Jean \"le grand\" O'Neil"});
        QTest::newRow("comédien, non") << 1 << false << "Êtes-vous sur de vouloir effacer le vendeur Alain?"
                                       << QStringList({"Zoé", "Alain (Comédien)", "Jean \"le grand\" O'Neil"});
        QTest::newRow("guillemets des deux sortes") << 2 << true << "Êtes-vous sur de vouloir effacer le vendeur Jean \"le grand\" O'Neil?"
                                                    << QStringList({"Zoé", "Alain (Comédien)"});
        QTest::newRow("rien de choisi") << -1 << true << ""
                                        << QStringList({"Zoé", "Alain (Comédien)", "Jean \"le grand\" O'Neil"});
    }
    void supprimerVendeur() {
        QFETCH(int, ligne);
        QFETCH(bool, oui);
        QFETCH(QString, question);
        QFETCH(QStringList, restants);
        TestSupport::BaseTest base;
        base.AjouterVendeur(QStringLiteral("Zoé"));
        const qint64 alain = base.AjouterVendeur(QStringLiteral("Alain"), true);
        base.AjouterVendeur(QStringLiteral("Jean \"le grand\" O'Neil"));
        // A stock movement of Alain's: it stays when he goes.
        const qint64 p = base.AjouterPiece(QStringLiteral("Antigone"));
        const qint64 r = base.AjouterRepresentation(p, QStringLiteral("2026-06-01"));
        modBD::Executer(QStringLiteral("INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, DateTransaction) VALUES (?, ?, 5, '2026-05-01')"),
                        {r, alain});
        frmGestionVendeurs f(nullptr);
        f.lstVendeurs->setCurrentRow(ligne);
        if (ligne < 0) f.lstVendeurs->clearSelection();

        Toolkit::Test::RepondreProchain(oui ? Reponse::Oui : Reponse::Non);
        f.mnuSupprimerVendeur_Click();

        if (question.isEmpty()) {
            QVERIFY(Messages().isEmpty());
        } else {
            QCOMPARE(Messages().size(), 1);
            const Toolkit::Message m = Messages().first();
            QCOMPARE(m.texte, question);
            QCOMPARE(m.titre, QStringLiteral("Effacement"));
            QCOMPARE(m.icone, Toolkit::Icone::Question);
            QCOMPARE(m.boutons, Toolkit::Boutons::OuiNon);
            QCOMPARE(m.defaut, Reponse::Non);
        }
        QCOMPARE(Textes(f.lstVendeurs), restants);
        QVERIFY(f.lstVendeurs->selectedItems().isEmpty());  // refilled in every case
        QCOMPARE(base.Compter(QStringLiteral("Vendeur")), restants.size());
        QCOMPARE(base.Compter(QStringLiteral("InventaireBillets")), 1);
    }

    void supprimerSansConfondre() {
        // "Éric" and an actor "Éric" cannot both exist, but case-only twins added outside the
        // program can: the exact stored name decides, and a new seller never inherits a number.
        TestSupport::BaseTest base;
        const qint64 majuscules = base.AjouterVendeur(QStringLiteral("ÉRIC"));
        const qint64 eric = base.AjouterVendeur(QStringLiteral("Éric"), true);
        frmGestionVendeurs f(nullptr);
        f.lstVendeurs->setCurrentRow(1);  // "Éric (Comédien)"
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.mnuSupprimerVendeur_Click();
        QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Êtes-vous sur de vouloir effacer le vendeur Éric?"));
        QCOMPARE(base.Compter(QStringLiteral("Vendeur"), QStringLiteral("NoVendeur = %1").arg(majuscules)), 1);
        QCOMPARE(base.Compter(QStringLiteral("Vendeur"), QStringLiteral("NoVendeur = %1").arg(eric)), 0);
        QCOMPARE(Textes(f.lstVendeurs), QStringList({"ÉRIC"}));
        f.txtNomVendeur->setText(QStringLiteral("Marc"));
        f.cmdAjouterVendeur_Click();
        QVERIFY(base.Valeur(QStringLiteral("SELECT NoVendeur FROM Vendeur WHERE NomVendeur = 'Marc'")).toLongLong() > eric);
    }

    void fermerRafraichitLaFenetrePrincipale() {
        TestSupport::BaseTest base;
        base.AjouterVendeur(QStringLiteral("Zoé"));
        frmMain principal;
        principal.AfficherListeVendeurs();
        principal.mnuGestionVendeurs_Click();
        QPointer<frmGestionVendeurs> f = principal.FenetreVendeurs();
        QVERIFY(f);
        f->txtNomVendeur->setText(QStringLiteral("Alain"));
        f->chkComedien->setChecked(true);
        f->cmdAjouterVendeur_Click();
        QCOMPARE(Textes(f->lstVendeurs), QStringList({"Zoé", "Alain (Comédien)"}));

        // The close box: the main window's list stays as it was.
        f->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f);
        QCOMPARE(Textes(principal.cboVendeur), QStringList({"Zoé"}));

        // "Fermer": closed, and the main window shows the current sellers, the first chosen.
        principal.mnuGestionVendeurs_Click();
        f = principal.FenetreVendeurs();
        QCOMPARE(Textes(f->lstVendeurs), QStringList({"Zoé", "Alain (Comédien)"}));
        principal.cboVendeur->setCurrentIndex(-1);
        f->cmdFermer_Click();
        QVERIFY(!f->isVisible());
        QCOMPARE(Textes(principal.cboVendeur), QStringList({"Alain (C)", "Zoé"}));
        QCOMPARE(principal.cboVendeur->currentIndex(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f);
        QVERIFY(principal.FenetreVendeurs() == nullptr);
    }

    void secondClicSansRecharger() {
        TestSupport::BaseTest base;
        base.AjouterVendeur(QStringLiteral("Zoé"));
        frmMain principal;
        principal.mnuGestionVendeurs_Click();
        frmGestionVendeurs* f = principal.FenetreVendeurs();
        f->lstVendeurs->setCurrentRow(0);
        f->txtNomVendeur->setText(QStringLiteral("en cours"));
        base.AjouterVendeur(QStringLiteral("Alain"));
        principal.mnuGestionVendeurs_Click();
        QCOMPARE(principal.FenetreVendeurs(), f);
        QVERIFY(f->isVisible());
        QCOMPARE(Textes(f->lstVendeurs), QStringList({"Zoé"}));
        QCOMPARE(f->lstVendeurs->currentRow(), 0);
        QCOMPARE(f->txtNomVendeur->text(), QStringLiteral("en cours"));
        f->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void ecritureRefusee() {
        TestSupport::BaseTest base;
        base.AjouterVendeur(QStringLiteral("Zoé"));
        frmGestionVendeurs f(nullptr);
        TestSupport::RefuserEcritures(true);  // as a read-only file behaves
        f.txtNomVendeur->setText(QStringLiteral("Alain"));
        f.cmdAjouterVendeur_Click();
        QCOMPARE(Messages().size(), 1);
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Erreur"));
        QVERIFY(Toolkit::Test::DernierMessage().texte.startsWith(QStringLiteral("Le vendeur n'a pas été ajouté.")));
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("lecture seule")));
        QCOMPARE(Textes(f.lstVendeurs), QStringList({"Zoé"}));
        QCOMPARE(f.txtNomVendeur->text(), QStringLiteral("Alain"));

        f.lstVendeurs->setCurrentRow(0);
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.mnuSupprimerVendeur_Click();
        QCOMPARE(Messages().size(), 3);
        QVERIFY(Toolkit::Test::DernierMessage().texte.startsWith(QStringLiteral("Le vendeur n'a pas été effacé.")));
        QCOMPARE(Textes(f.lstVendeurs), QStringList({"Zoé"}));
        TestSupport::RefuserEcritures(false);
        QCOMPARE(base.Compter(QStringLiteral("Vendeur")), 1);
    }

    void menuContextuel() {
        TestSupport::BaseTest base;
        base.AjouterVendeur(QStringLiteral("Zoé"));
        base.AjouterVendeur(QStringLiteral("Alain"));
        frmGestionVendeurs f(nullptr);
        f.show();
        QCOMPARE(f.mnuPopMenu->title(), QStringLiteral("Pop1"));
        QCOMPARE(f.mnuSupprimerVendeur->text(), QStringLiteral("Supprimer"));
        f.lstVendeurs_MouseUp(Qt::MiddleButton);
        QVERIFY(!f.mnuPopMenu->isVisible());
        // A right click on the list selects nothing and opens the menu; "Supprimer" then only refills.
        QTest::mouseClick(f.lstVendeurs->viewport(), Qt::RightButton, Qt::NoModifier,
                          f.lstVendeurs->visualItemRect(f.lstVendeurs->item(1)).center());
        QVERIFY(f.mnuPopMenu->isVisible());
        QVERIFY(f.lstVendeurs->selectedItems().isEmpty());
        f.mnuPopMenu->hide();
        f.mnuSupprimerVendeur->trigger();
        QVERIFY(Messages().isEmpty());
        QCOMPARE(base.Compter(QStringLiteral("Vendeur")), 2);
    }

    void presentation() {
        TestSupport::BaseTest base;
        base.AjouterVendeur(QStringLiteral("Zoé Tremblay"));
        base.AjouterVendeur(QStringLiteral("Éric Gagnon"), true);
        base.AjouterVendeur(QStringLiteral("Jean \"le grand\" O'Neil"));
        frmGestionVendeurs f(nullptr);
        QCOMPARE(f.windowTitle(), QStringLiteral("Gestion des différents vendeurs"));
        QCOMPARE(f.accessibleName(), f.windowTitle());
        QCOMPARE(f.size(), QSize(Toolkit::Tw(3645), Toolkit::Tw(4275)));
        QCOMPARE(f.minimumSize(), f.maximumSize());
        QVERIFY(!(f.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!f.chkComedien->isChecked());
        QCOMPARE(f.Label2->buddy(), f.txtNomVendeur);
        QCOMPARE(f.lstVendeurs->parentWidget(), f.Frame1);
        QCOMPARE(OrdreTabulation({f.txtNomVendeur, f.chkComedien, f.cmdAjouterVendeur, f.lstVendeurs, f.cmdFermer}), QString());
        // Every caption shows whole.
        for (QLabel* l : {f.Label1, f.Label2})
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
        QVERIFY(f.chkComedien->sizeHint().width() <= f.chkComedien->width());
        f.txtNomVendeur->setText(QStringLiteral("Marie"));
        f.chkComedien->setChecked(true);
        QVERIFY(QFileInfo::exists(TestSupport::Rendre(&f, QStringLiteral("frmGestionVendeurs"))));
    }
};

QTEST_MAIN(TestFrmGestionVendeurs)
#include "tst_frmGestionVendeurs.moc"
