// The stock window: lists and count at load, the number checks, the sign of the
// movement, the count after each save, and the "Enregistrer" button's lifetime.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmInventaireBillets.h"
#include "frmMain.h"
#include "modBD.h"
#include "modBD_Inventaire.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

#include <memory>

using TestSupport::OrdreTabulation;
using TestSupport::Textes;
namespace {
// The stock windows' catalogue, with 15 tickets on Hamlet's first performance.
using Donnees = TestSupport::CatalogueStock;
Donnees Remplir(TestSupport::BaseTest& base) {
    const Donnees d = TestSupport::RemplirCatalogueStock(base);
    modBD::AjouterMouvementInventaire("2026-02-01", "Hamlet", "2026-03-01", 10, "", "Alice");
    modBD::AjouterMouvementInventaire("2026-02-01", "Hamlet", "2026-03-01", 5, "", "Bruno (C)");
    modBD::AjouterMouvementInventaire("2026-02-01", "Hamlet", "2026-03-02", 2, "", "Zoé");
    return d;
}
}  // namespace

class TestFrmInventaireBillets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        FctVar::DefinirHorloge([] { return QDate(2026, 2, 14); });
    }
    void cleanup() { FctVar::DefinirHorloge({}); }

    void chargement() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmInventaireBillets f(nullptr);
        QCOMPARE(f.windowTitle(), QString("Gestion de l'inventaire des billets"));
        QCOMPARE(f.accessibleName(), f.windowTitle());
        QCOMPARE(f.Frame2->title(), f.windowTitle());
        QCOMPARE(Textes(f.cboPieces), (QStringList{"Hamlet", "Tartuffe", "Phèdre"}));
        QCOMPARE(f.cboPieces->currentText(), QString("Hamlet"));
        QCOMPARE(Textes(f.cboRepresentations), (QStringList{"2026-03-01", "2026-03-02"}));
        QCOMPARE(f.cboRepresentations->currentText(), QString("2026-03-01"));
        QCOMPARE(f.lblNbBillets->text(), QString("15"));
        QCOMPARE(Textes(f.cboVendeur), (QStringList{"Alice", "Bruno (C)", "Zoé"}));
        QCOMPARE(f.cboVendeur->currentText(), QString("Alice"));
        QVERIFY(f.optAjouter->isChecked());
        QVERIFY(!f.optEnlever->isChecked());
        QCOMPARE(f.txtNbBillets->text(), QString("0"));
        QCOMPARE(f.txtCommentaire->text(), QString());
        QCOMPARE(f.txtCommentaire->maxLength(), 100);
        QCOMPARE(f.DPDate->date(), QDate(2026, 2, 14));
        QVERIFY(f.cmdEnregistrer->isEnabled());
        QVERIFY(Toolkit::Test::Messages().isEmpty());
    }

    void ordreTabulation() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmInventaireBillets f(nullptr);
        QCOMPARE(OrdreTabulation(f.DPDate),
                 (QStringList{"DPDate", "cboPieces", "cboRepresentations", "optAjouter", "optEnlever", "txtNbBillets",
                              "cboVendeur", "txtCommentaire", "cmdEnregistrer", "cmdFermer"}));
    }

    void sansPiece() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Alice");
        frmInventaireBillets f(nullptr);
        QCOMPARE(f.cboPieces->count(), 0);
        QCOMPARE(f.cboRepresentations->count(), 0);
        QCOMPARE(f.lblNbBillets->text(), QString("0"));
        QVERIFY(!f.cmdEnregistrer->isEnabled());
        QCOMPARE(f.cboVendeur->currentText(), QString("Alice"));
    }

    // Once a refill leaves the performance empty, only a fresh opening enables "Enregistrer" again.
    void enregistrerDesactive() {
        TestSupport::BaseTest base;
        Remplir(base);
        {
            frmInventaireBillets f(nullptr);
            f.cboPieces->setCurrentIndex(1);  // Tartuffe: no performance
            QCOMPARE(f.cboRepresentations->count(), 0);
            QCOMPARE(f.cboRepresentations->currentText(), QString());
            QCOMPARE(f.lblNbBillets->text(), QString("0"));
            QVERIFY(!f.cmdEnregistrer->isEnabled());
            f.cboPieces->setCurrentIndex(0);  // Hamlet again
            QCOMPARE(Textes(f.cboRepresentations), (QStringList{"2026-03-01", "2026-03-02"}));
            QCOMPARE(f.lblNbBillets->text(), QString("15"));
            QVERIFY(!f.cmdEnregistrer->isEnabled());
        }
        frmInventaireBillets rouverte(nullptr);
        QVERIFY(rouverte.cmdEnregistrer->isEnabled());
    }

    void choixRepresentation() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmInventaireBillets f(nullptr);
        f.cboRepresentations->setCurrentIndex(1);
        QCOMPARE(f.lblNbBillets->text(), QString("2"));
        // The count is the performance's, whichever seller is chosen.
        f.cboVendeur->setCurrentIndex(2);
        QCOMPARE(f.lblNbBillets->text(), QString("2"));
        f.cboPieces->setCurrentIndex(2);
        QCOMPARE(f.cboRepresentations->currentText(), QString("2026-05-01"));
        QCOMPARE(f.lblNbBillets->text(), QString("0"));
    }

    void enregistrer_data() {
        QTest::addColumn<bool>("enlever");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("ecrit");
        QTest::newRow("Ajouter 5") << false << "5" << 5;
        QTest::newRow("Enlever 5") << true << "5" << -5;
        QTest::newRow("Ajouter -5") << false << "-5" << -5;
        QTest::newRow("Enlever -5") << true << "-5" << 5;
        QTest::newRow("deux zéros") << false << "00" << 0;
        QTest::newRow("2,5 vers 2") << false << "2,5" << 2;
        QTest::newRow("3,5 vers 4") << false << "3,5" << 4;
        QTest::newRow("-0,4 vers 0") << false << "-0,4" << 0;
        QTest::newRow("blancs autour") << false << " 7 " << 7;
        QTest::newRow("exposant") << false << "1E3" << 1000;
        QTest::newRow("plafond") << false << "32767" << 32767;
        QTest::newRow("plancher") << false << "-32768" << -32768;
        QTest::newRow("Enlever -32767") << true << "-32767" << 32767;
        QTest::newRow("Enlever plus que le stock") << true << "100" << -100;
    }
    void enregistrer() {
        QFETCH(bool, enlever);
        QFETCH(QString, texte);
        QFETCH(int, ecrit);
        TestSupport::BaseTest base;
        const Donnees d = Remplir(base);
        frmInventaireBillets f(nullptr);
        f.cboRepresentations->setCurrentIndex(1);  // Hamlet 2026-03-02: 2 tickets
        f.cboVendeur->setCurrentIndex(1);          // Bruno (C)
        f.DPDate->setDate(QDate(2026, 2, 20));
        (enlever ? f.optEnlever : f.optAjouter)->setChecked(true);
        f.txtNbBillets->setText(texte);
        f.txtCommentaire->setText("retour de caisse");
        const qint64 avant = base.Compter("InventaireBillets");
        f.cmdEnregistrer->click();

        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(base.Compter("InventaireBillets"), avant + 1);
        QSqlQuery q = modBD::Executer("SELECT NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire "
                                      "FROM InventaireBillets ORDER BY NoMouvement DESC LIMIT 1");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toLongLong(), d.hamlet2);
        QCOMPARE(q.value(1).toLongLong(), d.bruno);
        QCOMPARE(q.value(2).toInt(), ecrit);
        QCOMPARE(q.value(3).toString(), QString("2026-02-20"));
        QCOMPARE(q.value(4).toString(), QString("retour de caisse"));
        // The count follows at once; the entry fields are cleared, the choices kept.
        QCOMPARE(f.lblNbBillets->text(), QString::number(2 + ecrit));
        QCOMPARE(f.txtNbBillets->text(), QString("0"));
        QCOMPARE(f.txtCommentaire->text(), QString());
        QCOMPARE(f.cboPieces->currentText(), QString("Hamlet"));
        QCOMPARE(f.cboRepresentations->currentText(), QString("2026-03-02"));
        QCOMPARE(f.cboVendeur->currentText(), QString("Bruno (C)"));
        QCOMPARE(f.optEnlever->isChecked(), enlever);
        QCOMPARE(f.DPDate->date(), QDate(2026, 2, 20));
    }

    // The count is what a screen reader reads, under its caption.
    void compteLuParLecteurDEcran() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmInventaireBillets f(nullptr);
        f.cboVendeur->setCurrentIndex(1);
        f.txtNbBillets->setText("3");
        f.cmdEnregistrer->click();
        QAccessibleInterface* compte = QAccessible::queryAccessibleInterface(f.lblNbBillets);
        QVERIFY(compte);
        QCOMPARE(compte->text(QAccessible::Name), QStringLiteral("18"));
        bool nommeParSaLegende = false;
        for (const auto& relation : compte->relations(QAccessible::Label))
            nommeParSaLegende |= relation.first->object() == f.Label2;
        QVERIFY(nommeParSaLegende);
    }

    void refus_data() {
        QTest::addColumn<bool>("enlever");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("message");
        const QString rien = "Vous devez entrer un nombre de billets à échanger!";
        const QString numerique = "Le nombre de billets doit être numérique!";
        const QString bornes = "Le nombre de billets doit être compris entre -32768 et 32767!";
        QTest::newRow("vide") << false << "" << rien;
        QTest::newRow("zéro") << false << "0" << rien;
        QTest::newRow("lettres") << false << "abc" << numerique;
        QTest::newRow("un blanc") << false << " " << numerique;
        QTest::newRow("point décimal en fr") << false << "2.5" << numerique;
        QTest::newRow("séparateur de milliers") << false << "1 000" << numerique;
        QTest::newRow("32768") << false << "32768" << bornes;
        QTest::newRow("-32769") << true << "-32769" << bornes;
        QTest::newRow("32767,5 arrondi à 32768") << false << "32767,5" << bornes;
        QTest::newRow("1E10") << false << "1E10" << bornes;
        QTest::newRow("Enlever -32768") << true << "-32768"
                                        << "Le nombre de billets à enlever doit être compris entre -32767 et 32767!";
    }
    void refus() {
        QFETCH(bool, enlever);
        QFETCH(QString, texte);
        QFETCH(QString, message);
        TestSupport::BaseTest base;
        Remplir(base);
        frmInventaireBillets f(nullptr);
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        (enlever ? f.optEnlever : f.optAjouter)->setChecked(true);
        f.txtNbBillets->setText(texte);
        f.txtCommentaire->setText("note");
        f.cmdEnregistrer->setFocus();
        const qint64 avant = base.Compter("InventaireBillets");
        f.cmdEnregistrer->click();
        QCoreApplication::processEvents();

        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QCOMPARE(m.texte, message);
        QCOMPARE(m.titre, QString("Erreur"));
        QCOMPARE(m.icone, Toolkit::Icone::Exclamation);
        QCOMPARE(m.boutons, Toolkit::Boutons::OK);
        QCOMPARE(base.Compter("InventaireBillets"), avant);
        QCOMPARE(f.focusWidget(), f.txtNbBillets);
        QCOMPARE(f.txtNbBillets->selectedText(), texte);  // typing replaces it
        QCOMPARE(f.txtNbBillets->text(), texte);
        QCOMPARE(f.txtCommentaire->text(), QString("note"));
        QCOMPARE(f.lblNbBillets->text(), QString("15"));
    }

    // The lists were filled before another window deleted a row, or there is no seller:
    // nothing is written, the clerk reads what is missing, and nothing typed is lost.
    void mouvementIncomplet_data() {
        QTest::addColumn<int>("cas");
        QTest::addColumn<QString>("message");
        QTest::newRow("représentation effacée") << 0 << "La représentation du 2026-03-01 de la pièce « Hamlet » n'existe plus";
        QTest::newRow("vendeur effacé") << 2 << "Le vendeur « Alice » n'existe plus";
        QTest::newRow("aucun vendeur") << 3 << "Aucun vendeur n'est choisi.";
    }
    void mouvementIncomplet() {
        QFETCH(int, cas);
        QFETCH(QString, message);
        TestSupport::BaseTest base;
        const Donnees d = Remplir(base);
        if (cas == 3) modBD::Executer("DELETE FROM Vendeur");
        frmInventaireBillets f(nullptr);
        if (cas == 0) modBD::Executer("DELETE FROM Representation WHERE NoRepresentation = ?", {d.hamlet1});
        if (cas == 2) modBD::Executer("DELETE FROM Vendeur WHERE NoVendeur = ?", {d.alice});
        f.txtNbBillets->setText("4");
        f.txtCommentaire->setText("note");
        const qint64 avant = base.Compter("InventaireBillets");
        f.cmdEnregistrer_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QVERIFY2(Toolkit::Test::DernierMessage().texte.contains(message), qPrintable(Toolkit::Test::DernierMessage().texte));
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains("n'a pas été enregistré"));
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QString("Erreur"));
        QCOMPARE(base.Compter("InventaireBillets"), avant);
        QCOMPARE(f.txtNbBillets->text(), QString("4"));
        QCOMPARE(f.txtCommentaire->text(), QString("note"));
    }

    void commentaireLimite() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmInventaireBillets f(nullptr);
        QTest::keyClicks(f.txtCommentaire, QString(120, QLatin1Char('x')));
        QCOMPARE(f.txtCommentaire->text().size(), 100);
    }

    // A locked database: a clear message, nothing written, the window goes on.
    void baseVerrouillee() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmInventaireBillets f(nullptr);
        f.txtNbBillets->setText("3");
        {
            TestSupport::VerrouAutreProgramme verrou(base);
            f.cmdEnregistrer_Click();
        }
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains("occupée"));
        QCOMPARE(f.txtNbBillets->text(), QString("3"));
        QCOMPARE(f.lblNbBillets->text(), QString("15"));
        f.cmdEnregistrer_Click();  // the lock is gone: the same entry now goes through
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(f.lblNbBillets->text(), QString("18"));
    }

    // Opened from the main window's menu: one window at most, closing it ends it.
    void ouvertureParMenu() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmMain principal;
        principal.mnuGestionBillets_Click();
        QPointer<frmInventaireBillets> f = principal.FenetreInventaire();
        QVERIFY(f);
        f->txtNbBillets->setText("9");
        principal.mnuGestionBillets_Click();
        QCOMPARE(principal.FenetreInventaire(), f.data());
        QCOMPARE(f->txtNbBillets->text(), QString("9"));  // brought forward, not reloaded
        f->cmdFermer->click();
        QTest::qWait(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f);
        principal.mnuGestionBillets_Click();
        QVERIFY(principal.FenetreInventaire());
        QCOMPARE(principal.FenetreInventaire()->txtNbBillets->text(), QString("0"));
    }

    void rendu() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmInventaireBillets f(nullptr);
        const QString chemin = TestSupport::Rendre(&f, "frmInventaireBillets");
        QVERIFY(QFileInfo::exists(chemin));
        QCOMPARE(f.size(), QSize(Toolkit::Tw(6855), Toolkit::Tw(4905)));
    }
};

QTEST_MAIN(TestFrmInventaireBillets)
#include "tst_frmInventaireBillets.moc"
