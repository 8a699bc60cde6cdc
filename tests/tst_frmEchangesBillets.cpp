// The exchange window: both sides filled at load, the three number checks in order,
// and an exchange written as -N for the given side then +N for the received side, or not at all.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmEchangesBillets.h"
#include "modBD.h"
#include "modBD_Inventaire.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

using TestSupport::OrdreTabulation;
using TestSupport::Textes;
namespace {
struct Ligne {
    qint64 representation;
    qint64 vendeur;
    int nombre;
    QString date;
    QString commentaire;
};
QList<Ligne> Lignes() {
    QSqlQuery q = modBD::Executer("SELECT NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire "
                                  "FROM InventaireBillets ORDER BY NoMouvement");
    QList<Ligne> l;
    while (q.next())
        l.append({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toInt(), q.value(3).toString(),
                  q.value(4).toString()});
    return l;
}

using Donnees = TestSupport::CatalogueStock;
Donnees Remplir(TestSupport::BaseTest& base) { return TestSupport::RemplirCatalogueStock(base); }
}  // namespace

class TestFrmEchangesBillets : public QObject {
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
        frmEchangesBillets f(nullptr);
        QCOMPARE(f.windowTitle(), QString("Échange de billets"));
        QCOMPARE(f.accessibleName(), f.windowTitle());
        QCOMPARE(f.Frame2->title(), QString("Informations sur l'échange de billets"));
        QCOMPARE(f.Frame1->title(), QString("Donné"));
        QCOMPARE(f.Frame3->title(), QString("Recu"));
        for (QComboBox* cbo : {f.cboPieces, f.cboPieces2}) {
            QCOMPARE(Textes(cbo), (QStringList{"Hamlet", "Tartuffe", "Phèdre"}));
            QCOMPARE(cbo->currentText(), QString("Hamlet"));
        }
        for (QComboBox* cbo : {f.cboRepresentations, f.cboRepresentations2}) {
            QCOMPARE(Textes(cbo), (QStringList{"2026-03-01", "2026-03-02"}));
            QCOMPARE(cbo->currentText(), QString("2026-03-01"));
        }
        for (QComboBox* cbo : {f.cboVendeurFrom, f.cboVendeurTo}) {
            QCOMPARE(Textes(cbo), (QStringList{"Alice", "Bruno (C)", "Zoé"}));
            QCOMPARE(cbo->currentText(), QString("Alice"));
        }
        QCOMPARE(f.DPDateEchange->date(), QDate(2026, 2, 14));
        QCOMPARE(f.txtNbBillets->text(), QString("0"));
        QCOMPARE(f.txtCommentaire->text(), QString());
        QCOMPARE(f.txtCommentaire->maxLength(), 100);
        QCOMPARE(f.lblFleche->text(), QString("->"));
        QVERIFY(f.lblFleche->font().bold());
        QCOMPARE(f.lblFleche->font().pointSizeF(), 22.5);
        QVERIFY(Toolkit::Test::Messages().isEmpty());
        // The seller lists come last.
        QCOMPARE(OrdreTabulation(f.DPDateEchange),
                 (QStringList{"DPDateEchange", "txtNbBillets", "cboPieces", "cboRepresentations", "cboPieces2",
                              "cboRepresentations2", "txtCommentaire", "cmdEchanger", "cmdFermer", "cboVendeurFrom",
                              "cboVendeurTo"}));
    }

    void sansPiece() {
        TestSupport::BaseTest base;
        base.AjouterVendeur("Alice");
        frmEchangesBillets f(nullptr);
        for (QComboBox* cbo : {f.cboPieces, f.cboPieces2, f.cboRepresentations, f.cboRepresentations2})
            QCOMPARE(cbo->count(), 0);
        QCOMPARE(f.cboVendeurTo->currentText(), QString("Alice"));
        QVERIFY(Toolkit::Test::Messages().isEmpty());
    }

    // Each side follows its own play only.
    void choixPiece() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmEchangesBillets f(nullptr);
        f.cboRepresentations->setCurrentIndex(1);
        f.cboPieces2->setCurrentIndex(1);  // Tartuffe: no performance
        QCOMPARE(f.cboRepresentations2->count(), 0);
        QCOMPARE(f.cboRepresentations2->currentIndex(), -1);
        QCOMPARE(f.cboRepresentations->currentText(), QString("2026-03-02"));
        f.cboPieces->setCurrentIndex(2);
        QCOMPARE(Textes(f.cboRepresentations), QStringList{"2026-05-01"});
        QCOMPARE(f.cboRepresentations2->count(), 0);
        f.cboPieces2->setCurrentIndex(0);
        QCOMPARE(f.cboRepresentations2->currentText(), QString("2026-03-01"));
        QCOMPARE(f.cboRepresentations->currentText(), QString("2026-05-01"));
    }

    void echanger_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("n");
        QTest::newRow("cinq") << "5" << 5;
        QTest::newRow("deux zéros") << "00" << 0;
        QTest::newRow("zéro décimal") << "0,0" << 0;
        QTest::newRow("blanc puis zéro") << " 0" << 0;
        QTest::newRow("-0,4 vers 0") << "-0,4" << 0;
        QTest::newRow("2,5 vers 2") << "2,5" << 2;
        QTest::newRow("3,5 vers 4") << "3,5" << 4;
        QTest::newRow("plafond") << "32767" << 32767;
    }
    void echanger() {
        QFETCH(QString, texte);
        QFETCH(int, n);
        TestSupport::BaseTest base;
        const Donnees d = Remplir(base);
        frmEchangesBillets f(nullptr);
        f.DPDateEchange->setDate(QDate(2026, 2, 20));
        f.cboRepresentations->setCurrentIndex(1);  // given: Hamlet 2026-03-02, Bruno
        f.cboVendeurFrom->setCurrentIndex(1);
        f.cboPieces2->setCurrentIndex(2);  // received: Phèdre 2026-05-01, Zoé
        f.cboVendeurTo->setCurrentIndex(2);
        f.txtNbBillets->setText(texte);
        f.txtCommentaire->setText("troc");
        f.cmdEchanger->click();

        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        const QList<Ligne> lignes = Lignes();
        QCOMPARE(lignes.size(), 2);
        QCOMPARE(lignes[0].representation, d.hamlet2);
        QCOMPARE(lignes[0].vendeur, d.bruno);
        QCOMPARE(lignes[0].nombre, -n);
        QCOMPARE(lignes[1].representation, d.phedre);
        QCOMPARE(lignes[1].vendeur, d.zoe);
        QCOMPARE(lignes[1].nombre, n);
        for (const Ligne& l : lignes) {
            QCOMPARE(l.date, QString("2026-02-20"));
            QCOMPARE(l.commentaire, QString("troc"));
        }
        QCOMPARE(f.txtNbBillets->text(), QString("0"));
        QCOMPARE(f.txtCommentaire->text(), QString());
        QCOMPARE(f.DPDateEchange->date(), QDate(2026, 2, 20));
        QCOMPARE(f.cboRepresentations->currentText(), QString("2026-03-02"));
        QCOMPARE(f.cboVendeurFrom->currentText(), QString("Bruno (C)"));
        QCOMPARE(f.cboPieces2->currentText(), QString("Phèdre"));
        QCOMPARE(f.cboVendeurTo->currentText(), QString("Zoé"));
    }

    // The same seller, play and performance on both sides: two rows that cancel out.
    void memeCote() {
        TestSupport::BaseTest base;
        const Donnees d = Remplir(base);
        frmEchangesBillets f(nullptr);
        f.txtNbBillets->setText("4");
        f.cmdEchanger_Click();
        const QList<Ligne> lignes = Lignes();
        QCOMPARE(lignes.size(), 2);
        QCOMPARE(lignes[0].nombre, -4);
        QCOMPARE(lignes[1].nombre, 4);
        for (const Ligne& l : lignes) {
            QCOMPARE(l.representation, d.hamlet1);
            QCOMPARE(l.vendeur, d.alice);
        }
        QCOMPARE(modBD::ObtenirNbBillets("Hamlet", "2026-03-01"), QString("0"));
    }

    void refus_data() {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("message");
        const QString rien = "Vous devez entrer un nombre de billets à échanger!";
        const QString invalide = "Le nombre de billets est invalide!";
        const QString negatif = "Le nombre de billets ne peut être négatif!";
        const QString trop = "Le nombre de billets ne peut dépasser 32767!";
        QTest::newRow("vide") << "" << rien;
        QTest::newRow("zéro") << "0" << rien;
        QTest::newRow("lettres") << "abc" << invalide;
        QTest::newRow("un blanc") << " " << invalide;
        QTest::newRow("point décimal en fr") << "2.5" << invalide;
        QTest::newRow("moins trois") << "-3" << negatif;
        QTest::newRow("-0,6 vers -1") << "-0,6" << negatif;
        QTest::newRow("-40000") << "-40000" << negatif;
        QTest::newRow("40000") << "40000" << trop;
        QTest::newRow("32767,5 vers 32768") << "32767,5" << trop;
    }
    void refus() {
        QFETCH(QString, texte);
        QFETCH(QString, message);
        TestSupport::BaseTest base;
        Remplir(base);
        frmEchangesBillets f(nullptr);
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.txtNbBillets->setText(texte);
        f.txtCommentaire->setText("note");
        f.cmdEchanger->setFocus();
        f.cmdEchanger->click();
        QCoreApplication::processEvents();

        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QCOMPARE(m.texte, message);
        QCOMPARE(m.titre, QString("Erreur"));
        QCOMPARE(m.icone, Toolkit::Icone::Exclamation);
        QCOMPARE(m.boutons, Toolkit::Boutons::OK);
        QCOMPARE(base.Compter("InventaireBillets"), 0);
        QCOMPARE(f.focusWidget(), f.txtNbBillets);
        QCOMPARE(f.txtNbBillets->selectedText(), texte);
        QCOMPARE(f.txtNbBillets->text(), texte);
        QCOMPARE(f.txtCommentaire->text(), QString("note"));
    }

    // One side can no longer be written: the other is not written either, and the clerk hears which side.
    void echangeIncomplet_data() {
        QTest::addColumn<int>("cas");
        QTest::addColumn<QString>("message");
        QTest::newRow("représentation reçue effacée") << 0 << "Côté « Recu » : La représentation du 2026-05-01 de la pièce « Phèdre »";
        QTest::newRow("vendeur donné effacé") << 2 << "Côté « Donné » : Le vendeur « Alice » n'existe plus";
        QTest::newRow("aucune représentation reçue") << 3 << "Côté « Recu » : Aucune représentation de la pièce « Tartuffe »";
        QTest::newRow("aucun vendeur") << 4 << "Côté « Donné » : Aucun vendeur n'est choisi.";
    }
    void echangeIncomplet() {
        QFETCH(int, cas);
        QFETCH(QString, message);
        TestSupport::BaseTest base;
        const Donnees d = Remplir(base);
        if (cas == 4) modBD::Executer("DELETE FROM Vendeur");
        frmEchangesBillets f(nullptr);
        f.cboPieces2->setCurrentIndex(cas == 3 ? 1 : 2);
        if (cas == 0) modBD::Executer("DELETE FROM Representation WHERE NoRepresentation = ?", {d.phedre});
        if (cas == 2) modBD::Executer("DELETE FROM Vendeur WHERE NoVendeur = ?", {d.alice});
        f.txtNbBillets->setText("6");
        f.txtCommentaire->setText("note");
        f.cmdEchanger_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QVERIFY2(m.texte.contains(message), qPrintable(m.texte));
        QVERIFY(m.texte.contains("L'échange n'a pas été enregistré"));
        QCOMPARE(m.titre, QString("Erreur"));
        QCOMPARE(base.Compter("InventaireBillets"), 0);
        QCOMPARE(f.txtNbBillets->text(), QString("6"));
        QCOMPARE(f.txtCommentaire->text(), QString("note"));
    }

    void rendu() {
        TestSupport::BaseTest base;
        Remplir(base);
        frmEchangesBillets f(nullptr);
        const QString chemin = TestSupport::Rendre(&f, "frmEchangesBillets");
        QVERIFY(QFileInfo::exists(chemin));
        QCOMPARE(f.size(), QSize(Toolkit::Tw(7575), Toolkit::Tw(5160)));
    }
};

QTEST_MAIN(TestFrmEchangesBillets)
#include "tst_frmEchangesBillets.moc"
