// The order-line dialog: its design, its lists, its eight tests in their order, and the line it adds.
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmMain.h"
#include "frmTransaction.h"
#include "modBD.h"

#include <QApplication>
#include <QFileInfo>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using TestSupport::Textes;
namespace {
const QString M1 = QStringLiteral("Vous devez entrer un nombre de billets pour enfant et pour adulte!");
const QString M2 = QStringLiteral("Le nombre de billets pour enfant n'est pas valide!");
const QString M3 = QStringLiteral("Le nombre de billets pour adulte n'est pas valide!");
const QString M4 = QStringLiteral("Vous devez entrer au moins 1 billet pour adulte ou pour enfant!");
const QString M5 = QStringLiteral("Vous devez entrer un coûts!");
const QString M6 = QStringLiteral("Le champ des coûts n'est pas valide!");
const QString M7 = QStringLiteral("Le coûts ne peut pas être égale à 0!");
const QString M8 = QStringLiteral("La pièce pour la date choisie fait déjà parti de la transaction. Veuillez la modifier s'il y a lieu.");

}  // namespace

class TestFrmTransaction : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::BaseTest> m_bd;
    std::unique_ptr<frmMain> m_principal;

    void Catalogue() {
        const qint64 avare = m_bd->AjouterPiece(QStringLiteral("L'Avare"));
        m_bd->AjouterRepresentation(avare, QStringLiteral("2026-12-24"));
        m_bd->AjouterRepresentation(avare, QStringLiteral("2026-12-25"));
        const qint64 cid = m_bd->AjouterPiece(QStringLiteral("Le Cid"));
        m_bd->AjouterRepresentation(cid, QStringLiteral("2026-12-31"));
        m_bd->AjouterPiece(QStringLiteral("Tartuffe"));  // no performance yet
    }

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        m_bd = std::make_unique<TestSupport::BaseTest>();
        m_principal = std::make_unique<frmMain>();
        QVERIFY(m_principal->Form_Load());
    }
    void cleanup() {
        m_principal.reset();
        m_bd.reset();
    }

    void design() {
        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        QCOMPARE(d.windowTitle(), QStringLiteral("Ajout d'une transaction"));
        QCOMPARE(d.parentWidget(), m_principal.get());
        QVERIFY(d.isModal());
        QCOMPARE(d.minimumSize(), QSize(377, 165));  // 5655 x 2475 twips, fixed
        QCOMPARE(d.maximumSize(), d.minimumSize());
        QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        QCOMPARE(d.Frame1->title(), QStringLiteral("Pièce"));
        QCOMPARE(d.Frame1->geometry(), QRect(8, 8, 361, 121));
        QCOMPARE(d.cmdAjouter->geometry(), QRect(192, 136, 81, 25));
        QCOMPARE(d.cmdAnnuler->geometry(), QRect(288, 136, 81, 25));
        QCOMPARE(d.cboNomsPieces->parentWidget(), d.Frame1);
        QCOMPARE(d.cboNomsPieces->geometry(), QRect(8, 32, 193, 21));
        QCOMPARE(d.txtCouts->geometry(), QRect(216, 88, 41, 19));
        QCOMPARE(d.chkPorte->geometry().top(), 88);

        const QList<std::pair<QLabel*, QString>> etiquettes = {
            {d.Label2, "Nom de la pièce :"}, {d.Label1, "Date de représentation :"}, {d.Label4, "Billets enfants :"},
            {d.Label3, "Billets adultes :"}, {d.Label5, "Coûts :"}, {d.Label6, "$"}};
        for (const auto& [etiquette, texte] : etiquettes) QCOMPARE(etiquette->text(), texte);
        QCOMPARE(d.Label2->buddy(), d.cboNomsPieces);
        QCOMPARE(d.Label1->buddy(), d.cboDatesPieces);
        QCOMPARE(d.Label4->buddy(), d.txtNbEnfants);
        QCOMPARE(d.Label3->buddy(), d.txtNbAdultes);
        QCOMPARE(d.Label5->buddy(), d.txtCouts);

        for (QLineEdit* t : {d.txtNbEnfants, d.txtNbAdultes, d.txtCouts}) {
            QCOMPARE(t->text(), QStringLiteral("0"));
            QCOMPARE(t->maxLength(), 5);
        }
        QCOMPARE(d.chkPorte->text(), QStringLiteral("À la porte"));
        QVERIFY(!d.chkPorte->isChecked());
        QVERIFY(!d.cboNomsPieces->isEditable());
        QVERIFY(!d.cboDatesPieces->isEditable());
        QCOMPARE(d.cmdAjouter->text(), QStringLiteral("Ajouter"));
        QCOMPARE(d.cmdAnnuler->text(), QStringLiteral("Annuler"));
        QVERIFY(d.cmdAjouter->isDefault());
        QVERIFY(!d.cmdAnnuler->isDefault() && !d.cmdAnnuler->autoDefault());

        // Tab order, read from the focus chain.
        const QList<QWidget*> attendu = {d.cboNomsPieces, d.cboDatesPieces, d.txtNbEnfants, d.txtNbAdultes,
                                         d.txtCouts,      d.chkPorte,       d.cmdAjouter,   d.cmdAnnuler};
        QList<QWidget*> chaine{d.cboNomsPieces};
        for (QWidget* w = d.cboNomsPieces->nextInFocusChain(); w != d.cboNomsPieces; w = w->nextInFocusChain())
            if (attendu.contains(w)) chaine << w;
        QCOMPARE(chaine, attendu);
    }

    void listes() {
        Catalogue();
        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        QCOMPARE(Textes(d.cboNomsPieces), (QStringList{"L'Avare", "Le Cid", "Tartuffe"}));
        QCOMPARE(d.cboNomsPieces->currentIndex(), 0);
        QCOMPARE(Textes(d.cboDatesPieces), (QStringList{"2026-12-24", "2026-12-25"}));
        QCOMPARE(d.cboDatesPieces->currentIndex(), 0);

        d.cboDatesPieces->setCurrentIndex(1);
        d.cboNomsPieces->setCurrentIndex(1);  // picking a play refills its dates, first selected
        QCOMPARE(Textes(d.cboDatesPieces), QStringList{"2026-12-31"});
        QCOMPARE(d.cboDatesPieces->currentText(), QStringLiteral("2026-12-31"));

        d.cboNomsPieces->setCurrentIndex(2);  // a play without performances empties the dates
        QCOMPARE(d.cboDatesPieces->count(), 0);
        QCOMPARE(d.cboDatesPieces->currentIndex(), -1);

        // A play deleted in another window since the list was read: its dates stay as they were.
        d.cboNomsPieces->setCurrentIndex(0);
        modBD::Executer("DELETE FROM Piece WHERE NomPiece = 'Le Cid'");
        d.cboNomsPieces->setCurrentIndex(1);
        QCOMPARE(Textes(d.cboDatesPieces), (QStringList{"2026-12-24", "2026-12-25"}));
        QVERIFY(Toolkit::Test::Messages().isEmpty());

        // A failed read empties the dates (they are another play's) and says why.
        modBD::FermerConnexion();
        d.cboNomsPieces->setCurrentIndex(2);
        QCOMPARE(d.cboDatesPieces->count(), 0);
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(Toolkit::Test::DernierMessage().texte,
                 QStringLiteral("La liste des représentations n'a pas pu être lue.\nLa base de données n'est pas ouverte : "
                                "rien ne peut être lu ni enregistré."));
        QVERIFY(modBD::OuvrirConnexion());
    }

    void sansPiece() {
        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        QCOMPARE(d.cboNomsPieces->count(), 0);
        QCOMPARE(d.cboDatesPieces->count(), 0);
        d.txtNbAdultes->setText("1");
        d.txtCouts->setText("5");
        d.cmdAjouter_Click();  // the dialog makes no test of the play and date
        QVERIFY(Toolkit::Test::Messages().isEmpty());
        QCOMPARE(m_principal->lstTransactions->topLevelItemCount(), 1);
        QCOMPARE(m_principal->lstTransactions->topLevelItem(0)->text(0), QString());
    }

    // The eight tests in their order: when several entries are wrong, only the first is reported.
    void tests_data() {
        QTest::addColumn<QString>("enfants");
        QTest::addColumn<QString>("adultes");
        QTest::addColumn<QString>("couts");
        QTest::addColumn<QString>("message");  // empty: the line is added
        QTest::newRow("1 enfants vides") << "" << "2" << "5" << M1;
        QTest::newRow("1 adultes vides") << "2" << "" << "5" << M1;
        QTest::newRow("1 avant 3") << "" << "abc" << "" << M1;
        QTest::newRow("2 un blanc, pas 1") << " " << "1" << "5" << M2;
        QTest::newRow("2 avant 3") << "abc" << "xyz" << "5" << M2;
        QTest::newRow("2 point en français") << "1.5" << "1" << "5" << M2;
        QTest::newRow("3 un blanc") << "1" << " " << "5" << M3;
        QTest::newRow("3 avant 5") << "1" << "x" << "" << M3;
        QTest::newRow("4 deux zéros") << "0" << "0" << "5" << M4;
        QTest::newRow("4 avant 5") << "0" << "0" << "" << M4;
        QTest::newRow("4 texte: 00 et 0 passent") << "00" << "0" << "5" << "";
        QTest::newRow("4 texte: 0 et 0,0 passent") << "0" << "0,0" << "5" << "";
        QTest::newRow("4 texte: blanc puis 0") << " 0" << "0" << "5" << "";
        QTest::newRow("-2 passe") << "-2" << "0" << "5" << "";
        QTest::newRow("exposant passe") << "1E2" << "0" << "5" << "";
        QTest::newRow("5 coûts vides") << "1" << "0" << "" << M5;
        QTest::newRow("6 coûts lettres") << "1" << "0" << "abc" << M6;
        QTest::newRow("6 coûts blanc") << "1" << "0" << " " << M6;
        // Five characters that read as a number far beyond any price: refused, never stored.
        QTest::newRow("6 coûts 9e99") << "1" << "0" << "9e99" << M6;
        QTest::newRow("6 coûts -9e99") << "1" << "0" << "-9e9" << M6;
        QTest::newRow("6 coûts 1e8") << "1" << "0" << "1e8" << M6;
        QTest::newRow("1e7 passe") << "1" << "0" << "1e7" << "";
        QTest::newRow("7 zéro") << "1" << "0" << "0" << M7;
        QTest::newRow("7 zéro entouré") << "1" << "0" << " 0 " << M7;
        QTest::newRow("7 texte: 00 passe") << "1" << "0" << "00" << "";
        QTest::newRow("7 texte: 0,0 passe") << "1" << "0" << "0,0" << "";
        QTest::newRow("7 texte: -0 passe") << "1" << "0" << "-0" << "";
    }
    void tests() {
        QFETCH(QString, enfants);
        QFETCH(QString, adultes);
        QFETCH(QString, couts);
        QFETCH(QString, message);
        Catalogue();
        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        d.show();
        d.txtNbEnfants->setText(enfants);
        d.txtNbAdultes->setText(adultes);
        d.txtCouts->setText(couts);
        d.chkPorte->setChecked(true);
        d.cmdAjouter_Click();
        QTreeWidget* lst = m_principal->lstTransactions;
        if (message.isEmpty()) {
            QVERIFY(Toolkit::Test::Messages().isEmpty());
            QCOMPARE(d.result(), int(QDialog::Accepted));
            QVERIFY(!d.isVisible());
            QCOMPARE(lst->topLevelItemCount(), 1);
            // The texts as typed, not trimmed nor reformatted.
            const QStringList attendu = {"L'Avare", "2026-12-24", enfants, adultes, couts, "Oui"};
            for (int c = 0; c < 6; ++c) QCOMPARE(lst->topLevelItem(0)->text(c), attendu[c]);
            return;
        }
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QCOMPARE(m.texte, message);
        QCOMPARE(m.titre, QStringLiteral("Erreur"));
        QCOMPARE(m.icone, Toolkit::Icone::Exclamation);
        QCOMPARE(m.boutons, Toolkit::Boutons::OK);
        // Still open, every field as it was, nothing added.
        QVERIFY(d.isVisible());
        QCOMPARE(d.txtNbEnfants->text(), enfants);
        QCOMPARE(d.txtNbAdultes->text(), adultes);
        QCOMPARE(d.txtCouts->text(), couts);
        QVERIFY(d.chkPorte->isChecked());
        QCOMPARE(lst->topLevelItemCount(), 0);
        QCOMPARE(m_principal->lblMontantTotal->text(), QStringLiteral("0"));
    }

    void coutsEnAnglais() {
        TestSupport::DefinirLocale(TestSupport::LocaleAnglaise());
        Catalogue();
        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        d.txtNbAdultes->setText("1");
        d.txtCouts->setText("0,5");  // not a number in English
        d.cmdAjouter_Click();
        QCOMPARE(Toolkit::Test::DernierMessage().texte, M6);
        d.txtCouts->setText("0.0");  // a number, and not the text "0"
        d.cmdAjouter_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(m_principal->lstTransactions->topLevelItemCount(), 1);
    }

    void doublonEtTotal() {
        Catalogue();
        auto ajouter = [this](int date, const QString& couts, bool porte) {
            frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
            d.cboDatesPieces->setCurrentIndex(date);
            d.txtNbAdultes->setText("2");
            d.txtCouts->setText(couts);
            d.chkPorte->setChecked(porte);
            d.cmdAjouter_Click();
            return d.result() == QDialog::Accepted;
        };
        QVERIFY(ajouter(0, "12,5", false));
        QCOMPARE(m_principal->lblMontantTotal->text(), QStringLiteral("12,5"));
        QVERIFY(!ajouter(0, "99", true));  // same play, same date
        QCOMPARE(Toolkit::Test::DernierMessage().texte, M8);
        QCOMPARE(m_principal->lstTransactions->topLevelItemCount(), 1);
        QCOMPARE(m_principal->lblMontantTotal->text(), QStringLiteral("12,5"));
        QVERIFY(ajouter(1, "7,5", true));  // same play, another date
        QCOMPARE(m_principal->lstTransactions->topLevelItemCount(), 2);
        QCOMPARE(m_principal->lstTransactions->topLevelItem(1)->text(1), QStringLiteral("2026-12-25"));
        QCOMPARE(m_principal->lstTransactions->topLevelItem(1)->text(5), QStringLiteral("Oui"));
        QCOMPARE(m_principal->lblMontantTotal->text(), QStringLiteral("20"));
    }

    void focusSelectionneTout() {
        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        d.show();
        QApplication::setActiveWindow(&d);
        d.txtCouts->setText("12,5");
        d.txtCouts->setFocus();
        QTRY_COMPARE(d.txtCouts->selectedText(), QStringLiteral("12,5"));
        d.txtNbEnfants->setFocus();
        QTRY_COMPARE(d.txtNbEnfants->selectedText(), QStringLiteral("0"));
    }

    // Each opening from the main window starts from the design values and reads the lists afresh.
    void reouverture() {
        Catalogue();
        m_principal->show();
        QStringList vus;
        bool premiere = true;
        auto piloter = [&] {
            auto* d = qobject_cast<frmTransaction*>(QApplication::activeModalWidget());
            if (!d) return;
            vus << d->cboNomsPieces->currentText() + "|" + d->cboDatesPieces->currentText() + "|" +
                       d->txtNbEnfants->text() + d->txtNbAdultes->text() + d->txtCouts->text() +
                       (d->chkPorte->isChecked() ? "x" : "-") + "|" + QString::number(d->cboNomsPieces->count());
            if (premiere) {
                d->cboNomsPieces->setCurrentIndex(1);
                d->txtNbEnfants->setText("3");
                d->txtCouts->setText("9");
                d->chkPorte->setChecked(true);
                modBD::Executer("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES ('Phèdre', 'PHÈDRE')");
                QTest::mouseClick(d->cmdAnnuler, Qt::LeftButton);
            } else {
                d->reject();
            }
        };
        QTimer::singleShot(0, this, piloter);
        m_principal->cmdAjouterTransaction_Click();
        premiere = false;
        QTimer::singleShot(0, this, piloter);
        m_principal->cmdAjouterTransaction_Click();
        QCOMPARE(vus, (QStringList{"L'Avare|2026-12-24|000-|3", "L'Avare|2026-12-24|000-|4"}));
        QCOMPARE(m_principal->lstTransactions->topLevelItemCount(), 0);  // nothing added by "Annuler"
        QVERIFY(!m_principal->findChild<frmTransaction*>());            // unloaded at each close
    }

    void rendu() {
        Catalogue();
        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        d.txtNbEnfants->setText("2");
        d.txtNbAdultes->setText("3");
        d.txtCouts->setText("42,5");
        const QString chemin = TestSupport::Rendre(&d, "frmTransaction");
        QVERIFY(QFileInfo::exists(chemin));
        // No caption cut off: every label and the check box fit their text.
        for (QWidget* w : {static_cast<QWidget*>(d.Label1), static_cast<QWidget*>(d.Label2), static_cast<QWidget*>(d.Label3),
                           static_cast<QWidget*>(d.Label4), static_cast<QWidget*>(d.Label5), static_cast<QWidget*>(d.chkPorte)})
            QVERIFY2(w->sizeHint().width() <= w->width(), qPrintable(w->objectName() + QStringLiteral(" %1 > %2").arg(w->sizeHint().width()).arg(w->width())));
    }
};

QTEST_MAIN(TestFrmTransaction)
#include "tst_frmTransaction.moc"
