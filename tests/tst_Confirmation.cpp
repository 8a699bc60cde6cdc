// Confirming an order on the main window: the seven checks in their order, the save, and
// what the clerk sees when the save cannot complete.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmMain.h"
#include "frmTransaction.h"
#include "modBD.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {
const QString C2 = QStringLiteral("Vous devez entrer le nom du client!");
const QString C3 = QStringLiteral("Le numéro de téléphone n'est pas valide!");
const QString C4 = QStringLiteral("Vous devez entrer un nombre de forfait!");
const QString C5 = QStringLiteral("Vous devez commander au moins une transaction!");
const QString C6 = QStringLiteral("Vous ne pouvez pas avoir plus d'une transaction lorsqu'il y en a une 'à la porte'");
const QString C7 = QStringLiteral("Vous devez sélectionner un vendeur. Allez dans 'Outils' pour en ajouter à la liste.");
const QString kForfaitsRefuses = QStringLiteral("Le nombre de forfaits « abc » n'est pas valide");
const QString kSauvee = QStringLiteral("(enregistrée)");
}  // namespace

class TestConfirmation : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::BaseTest> m_bd;
    std::unique_ptr<frmMain> m_f;
    qint64 m_anne = 0;

    // Lines as the dialog would add them: (play, date, children, adults, cost, "1"/"0").
    void AjouterLigne(const QString& piece, const QString& date, const QString& enf, const QString& adt,
                      const QString& couts, const QString& porte) {
        QVERIFY(FctVar::AjouterLigneTransaction(*m_f->lstTransactions, piece, date, enf, adt, couts, porte));
        FctVar::CalculerMontantTotal(*m_f->lstTransactions, *m_f->lblMontantTotal);
    }
    void CommandeValide() {
        m_f->txtNomClient->setText("Tremblay");
        m_f->txtNoTel->setText("555-1234");
        m_f->txtNbForfaits->setText("1");
        AjouterLigne("L'Avare", "2026-12-24", "1", "2", "12,5", "0");
        AjouterLigne("Le Cid", "2026-12-31", "0", "3", "7,5", "0");
    }
    qint64 Commandes() { return m_bd->Compter("InfoClientReservation"); }
    qint64 Lignes() { return m_bd->Compter("InfoReservation"); }
    void Activer() {
        m_f->show();
        QApplication::setActiveWindow(m_f.get());
        QVERIFY(QTest::qWaitForWindowActive(m_f.get()));
    }

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        m_bd = std::make_unique<TestSupport::BaseTest>();
        const qint64 avare = m_bd->AjouterPiece("L'Avare");
        m_bd->AjouterRepresentation(avare, "2026-12-24");
        m_bd->AjouterRepresentation(avare, "2026-12-25");
        const qint64 cid = m_bd->AjouterPiece("Le Cid");
        m_bd->AjouterRepresentation(cid, "2026-12-31");
        m_bd->AjouterVendeur("Bob");
        m_anne = m_bd->AjouterVendeur("Anne", true);
        m_f = std::make_unique<frmMain>();
        QVERIFY(m_f->Form_Load());
        QCOMPARE(m_f->cboVendeur->currentText(), QStringLiteral("Anne (C)"));
    }
    void cleanup() {
        m_f.reset();
        m_bd.reset();
    }

    // The checks in their order: several fields wrong, only the first is reported, with its focus.
    void verifications_data() {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("tel");
        QTest::addColumn<QString>("forfaits");
        QTest::addColumn<QStringList>("portes");  // one line per entry, its at-the-door flag
        QTest::addColumn<bool>("sansVendeur");
        QTest::addColumn<QString>("message");  // kSauvee: saved, no message
        QTest::addColumn<QString>("focus");    // empty: the focus stays on "Confirmer"
        const QStringList aucune;
        QTest::newRow("2 avant tout") << "" << "abc" << " " << aucune << true << C2 << "txtNomClient";
        QTest::newRow("2 nom de blancs passe") << "  " << "" << "1" << QStringList{"0"} << false << kSauvee << "";
        QTest::newRow("3 avant 4") << "T" << "555 1234" << "" << aucune << true << C3 << "txtNoTel";
        QTest::newRow("3 blancs seuls") << "T" << "   " << "1" << QStringList{"0"} << false << C3 << "txtNoTel";
        QTest::newRow("3 trois-deux") << "T" << "555-12" << "1" << QStringList{"0"} << false << C3 << "txtNoTel";
        QTest::newRow("3 trois-trois passe") << "T" << "555-123" << "1" << QStringList{"0"} << false << kSauvee << "";
        QTest::newRow("3 tiret ailleurs") << "T" << "5551-234" << "1" << QStringList{"0"} << false << C3 << "txtNoTel";
        QTest::newRow("3 deux tirets") << "T" << "555-123-4" << "1" << QStringList{"0"} << false << C3 << "txtNoTel";
        QTest::newRow("3 parenthèses") << "T" << "(418)5551234" << "1" << QStringList{"0"} << false << C3 << "txtNoTel";
        QTest::newRow("3 dix chiffres passent") << "T" << "4185551234" << "1" << QStringList{"0"} << false << kSauvee << "";
        QTest::newRow("3 vide passe") << "T" << "" << "1" << QStringList{"0"} << false << kSauvee << "";
        QTest::newRow("4 avant 5") << "T" << "555-1234" << "   " << aucune << true << C4 << "txtNbForfaits";
        QTest::newRow("5 avant 7") << "T" << "555-1234" << "1" << aucune << true << C5 << "cmdAjouterTransaction";
        QTest::newRow("6 porte mêlée, avant 7") << "T" << "" << "1" << QStringList{"0", "1"} << true << C6 << "";
        QTest::newRow("6 porte seule passe") << "T" << "" << "1" << QStringList{"1"} << false << kSauvee << "";
        QTest::newRow("7 sans vendeur") << "T" << "" << "1" << QStringList{"0", "0"} << true << C7 << "";
        QTest::newRow("4 lettres passent, puis 7") << "T" << "" << "abc" << QStringList{"0"} << true << C7 << "";
        QTest::newRow("lettres refusées après les sept") << "T" << "" << "abc" << QStringList{"0"} << false
                                                         << kForfaitsRefuses << "txtNbForfaits";
    }
    void verifications() {
        QFETCH(QString, nom);
        QFETCH(QString, tel);
        QFETCH(QString, forfaits);
        QFETCH(QStringList, portes);
        QFETCH(bool, sansVendeur);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        Activer();
        if (sansVendeur) {
            modBD::Executer("DELETE FROM Vendeur");
            m_f->AfficherListeVendeurs();
            QCOMPARE(m_f->cboVendeur->currentText(), QString());
        }
        m_f->txtNomClient->setText(nom);
        m_f->txtNoTel->setText(tel);
        m_f->txtNbForfaits->setText(forfaits);
        const QStringList dates = {"2026-12-24", "2026-12-25"};
        for (int i = 0; i < portes.size(); ++i) AjouterLigne("L'Avare", dates[i], "1", "0", "5", portes[i]);
        m_f->cmdConfirmerTransactions->setFocus();
        QTRY_VERIFY(m_f->cmdConfirmerTransactions->hasFocus());

        m_f->cmdConfirmerTransactions_Click();

        if (message == kSauvee) {
            QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
            QCOMPARE(Commandes(), 1);
            QCOMPARE(Lignes(), portes.size());
            QCOMPARE(m_bd->Valeur("SELECT TelephoneClient FROM InfoClientReservation").toString(), tel);
            QCOMPARE(m_f->lstTransactions->topLevelItemCount(), 0);
            return;
        }
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QVERIFY2(m.texte.startsWith(message), qPrintable(m.texte));
        QCOMPARE(m.titre, QStringLiteral("Erreur"));
        QCOMPARE(m.icone, Toolkit::Icone::Exclamation);
        QCOMPARE(m.boutons, Toolkit::Boutons::OK);
        const QString attendu = focus.isEmpty() ? QStringLiteral("cmdConfirmerTransactions") : focus;
        QTRY_COMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), attendu);
        // Nothing written, nothing changed on the window.
        QCOMPARE(Commandes(), 0);
        QCOMPARE(Lignes(), 0);
        QCOMPARE(m_f->txtNomClient->text(), nom);
        QCOMPARE(m_f->txtNoTel->text(), tel);
        QCOMPARE(m_f->txtNbForfaits->text(), forfaits);
        QCOMPARE(m_f->lstTransactions->topLevelItemCount(), portes.size());
        QCOMPARE(m_f->TexteStatut(), QString());
    }

    void succes() {
        const QDate hier = QDate::currentDate().addDays(-1);
        m_f->DPDateTransaction->setDate(hier);
        CommandeValide();
        m_f->txtNoTel->setText("  555-1234 ");
        m_f->cboVendeur->setCurrentIndex(0);  // "Anne (C)"
        modBD::Executer("INSERT INTO InfoClientReservation (DateReservation, NomClient) VALUES ('2020-01-01', 'Ancien')");

        m_f->cmdConfirmerTransactions_Click();

        QVERIFY(Toolkit::Test::Messages().isEmpty());
        QSqlQuery q = modBD::Executer("SELECT NoClient, DateReservation, MontantTotal, NomClient, TelephoneClient, NbForfaits "
                                      "FROM InfoClientReservation ORDER BY NoClient DESC LIMIT 1");
        QVERIFY(q.next());
        const qint64 no = q.value(0).toLongLong();
        QCOMPARE(q.value(1).toString(), FctVar::DateEnTexte(hier));
        QCOMPARE(q.value(2).toDouble(), 20.0);
        QCOMPARE(q.value(3).toString(), QStringLiteral("Tremblay"));
        QCOMPARE(q.value(4).toString(), QStringLiteral("  555-1234 "));  // saved as typed
        QCOMPARE(q.value(5).toInt(), 1);
        // Every line carries the number just assigned and the seller under the bare name.
        QCOMPARE(m_bd->Compter("InfoReservation", QStringLiteral("NoClient = %1").arg(no)), 2);
        QCOMPARE(Lignes(), 2);
        QCOMPARE(m_bd->Compter("InfoReservation", QStringLiteral("NoVendeur = %1").arg(m_anne)), 2);
        QCOMPARE(m_bd->Valeur("SELECT SUM(Cout) FROM InfoReservation").toDouble(), 20.0);

        // "Ajouté" for three seconds, then the window is ready for the next order, same seller.
        QCOMPARE(m_f->TexteStatut(), QStringLiteral("Ajouté"));
        QVERIFY(m_f->TiEffacerMsg->isActive());
        QCOMPARE(m_f->TiEffacerMsg->interval(), 3000);
        QCOMPARE(m_f->txtNomClient->text(), QString());
        QCOMPARE(m_f->txtNoTel->text(), QString());
        QCOMPARE(m_f->txtNbForfaits->text(), QStringLiteral("0"));
        QCOMPARE(m_f->lblMontantTotal->text(), QStringLiteral("0"));
        QCOMPARE(m_f->lstTransactions->topLevelItemCount(), 0);
        QCOMPARE(m_f->DPDateTransaction->date(), QDate::currentDate());
        QCOMPARE(m_f->cboVendeur->currentText(), QStringLiteral("Anne (C)"));
        QTRY_COMPARE_WITH_TIMEOUT(m_f->TexteStatut(), QString(), 4000);
        QVERIFY(!m_f->TiEffacerMsg->isActive());
        // The order's number stays at the right of the status bar until the next order.
        QCOMPARE(m_f->DerniereCommande(), QStringLiteral("Dernière commande : n° %1").arg(no));
    }

    void montantSelonLaLocale_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("cout1");
        QTest::addColumn<QString>("cout2");
        QTest::addColumn<QString>("affiche");
        QTest::addColumn<double>("total");
        QTest::newRow("français") << TestSupport::LocaleFrancaise() << "12,5" << "0,1" << "12,6" << 12.6;
        QTest::newRow("anglais") << TestSupport::LocaleAnglaise() << "12.5" << "0.1" << "12.6" << 12.6;
    }
    void montantSelonLaLocale() {
        QFETCH(QLocale, locale);
        QFETCH(QString, cout1);
        QFETCH(QString, cout2);
        QFETCH(QString, affiche);
        QFETCH(double, total);
        TestSupport::DefinirLocale(locale);
        m_f->txtNomClient->setText("T");
        AjouterLigne("L'Avare", "2026-12-24", "1", "0", cout1, "0");
        AjouterLigne("Le Cid", "2026-12-31", "1", "0", cout2, "0");
        QCOMPARE(m_f->lblMontantTotal->text(), affiche);
        m_f->cmdConfirmerTransactions_Click();
        QVERIFY(Toolkit::Test::Messages().isEmpty());
        QCOMPARE(m_bd->Valeur("SELECT MontantTotal FROM InfoClientReservation").toDouble(), total);
        QCOMPARE(m_bd->Valeur("SELECT Cout FROM InfoReservation ORDER BY NoLigne DESC").toDouble(), 0.1);
    }

    // The order written is what the lines hold, each rounded once: neither a cell's text nor the
    // caption is read back, so a text changed behind the window's back changes nothing stored.
    void montantsDesLignesEtNonDesTextes() {
        m_f->txtNomClient->setText("T");
        AjouterLigne("L'Avare", "2026-12-24", "1", "0", "1,005", "0");
        AjouterLigne("Le Cid", "2026-12-31", "1", "0", "2,675", "0");
        QCOMPARE(m_f->lblMontantTotal->text(), QStringLiteral("3,69"));  // 1,01 + 2,68, not 3,68
        m_f->lstTransactions->topLevelItem(0)->setText(FctVar::ColCouts, QStringLiteral("999"));
        m_f->lblMontantTotal->setText(QStringLiteral("5"));
        m_f->cmdConfirmerTransactions_Click();
        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(m_bd->Valeur("SELECT MontantTotal FROM InfoClientReservation").toDouble(), 3.69);
        QCOMPARE(m_bd->Valeur("SELECT Cout FROM InfoReservation ORDER BY NoLigne").toDouble(), 1.01);
        QCOMPARE(m_bd->Compter("InfoReservation", "Cout IN (1.01, 2.68)"), 2);
        QCOMPARE(m_bd->Valeur("SELECT Detail FROM JournalOperation ORDER BY NoOperation DESC LIMIT 1").toString(),
                 QStringLiteral("2 ligne(s), montant 3,69"));
    }

    // An at-the-door line mixed with another is refused; once the other line is deleted, it is saved.
    void porteApresSuppression() {
        CommandeValide();
        delete m_f->lstTransactions->topLevelItem(1);
        AjouterLigne("Le Cid", "2026-12-31", "0", "1", "7,5", "1");
        m_f->cmdConfirmerTransactions_Click();
        QCOMPARE(Toolkit::Test::DernierMessage().texte, C6);
        m_f->lstTransactions->setCurrentItem(m_f->lstTransactions->topLevelItem(0));
        m_f->mnuSupprimer_Click();
        m_f->cmdConfirmerTransactions_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(Lignes(), 1);
        QCOMPARE(m_bd->Valeur("SELECT VentePorte FROM InfoReservation").toInt(), 1);
        QCOMPARE(m_bd->Valeur("SELECT MontantTotal FROM InfoClientReservation").toDouble(), 7.5);
    }

    // A play deleted in another window after its line was added: nothing written, order kept, message shown.
    void pieceSupprimeeEntreTemps() {
        CommandeValide();
        modBD::Executer("DELETE FROM Piece WHERE NomPiece = 'Le Cid'");
        m_f->cmdConfirmerTransactions_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const QString texte = Toolkit::Test::DernierMessage().texte;
        QVERIFY2(texte.startsWith(QStringLiteral("La commande n'a pas été enregistrée")), qPrintable(texte));
        QVERIFY2(texte.contains(QStringLiteral("Ligne 2 (« Le Cid », 2026-12-31) : la pièce « Le Cid » n'existe plus")), qPrintable(texte));
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Erreur"));
        QCOMPARE(Commandes(), 0);
        QCOMPARE(Lignes(), 0);
        QCOMPARE(m_f->lstTransactions->topLevelItemCount(), 2);
        QCOMPARE(m_f->txtNomClient->text(), QStringLiteral("Tremblay"));
        QCOMPARE(m_f->lblMontantTotal->text(), QStringLiteral("20"));
        QCOMPARE(m_f->TexteStatut(), QString());

        // Corrected (the line removed), the same order is confirmed.
        m_f->lstTransactions->setCurrentItem(m_f->lstTransactions->topLevelItem(1));
        m_f->mnuSupprimer_Click();
        m_f->cmdConfirmerTransactions_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(Commandes(), 1);
        QCOMPARE(Lignes(), 1);
    }

    void baseVerrouillee() {
        CommandeValide();
        {
            TestSupport::VerrouAutreProgramme verrou(*m_bd);
            m_f->cmdConfirmerTransactions_Click();
        }
        QVERIFY2(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("occupée")),
                 qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(m_f->lstTransactions->topLevelItemCount(), 2);
        QCOMPARE(Commandes(), 0);
        m_f->cmdConfirmerTransactions_Click();  // the lock gone, the same order goes through
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QCOMPARE(Lignes(), 2);
    }

    // A count the dialog accepts (five characters) but that cannot be stored: the line is named and selected.
    void compteHorsLimite() {
        Activer();
        CommandeValide();
        AjouterLigne("L'Avare", "2026-12-25", "1", "99999", "5", "0");
        m_f->cmdConfirmerTransactions_Click();
        const QString texte = Toolkit::Test::DernierMessage().texte;
        QVERIFY2(texte.startsWith(QStringLiteral("Ligne 3 (« L'Avare », 2026-12-25) : le nombre de billets pour adulte « 99999 »")),
                 qPrintable(texte));
        QCOMPARE(m_f->lstTransactions->currentItem(), m_f->lstTransactions->topLevelItem(2));
        QTRY_VERIFY(m_f->lstTransactions->hasFocus());
        QCOMPARE(Commandes(), 0);
        QCOMPARE(Lignes(), 0);
    }

    // A clerk at the real windows: two lines through the dialog, the client, "Confirmer",
    // then the rows read back from the file by another connection.
    void commisAuComptoir() {
        Activer();
        int ouvertures = 0;
        auto remplir = [&](int piece, const QString& adultes, const QString& couts, bool porte) {
            auto* d = qobject_cast<frmTransaction*>(QApplication::activeModalWidget());
            if (!d) return;
            ++ouvertures;
            QApplication::setActiveWindow(d);
            for (int i = 0; i < piece; ++i) QTest::keyClick(d->cboNomsPieces, Qt::Key_Down);
            d->txtNbAdultes->setFocus();
            QTest::keyClicks(d->txtNbAdultes, adultes);  // the whole "0" was selected: typing replaces it
            d->txtCouts->setFocus();
            QTest::keyClicks(d->txtCouts, couts);
            if (porte) QTest::mouseClick(d->chkPorte, Qt::LeftButton);
            QTest::mouseClick(d->cmdAjouter, Qt::LeftButton);
        };
        QTimer::singleShot(0, this, [&] { remplir(0, "2", "12,5", false); });
        QTest::mouseClick(m_f->cmdAjouterTransaction, Qt::LeftButton);
        QTimer::singleShot(0, this, [&] { remplir(1, "3", "7,5", false); });
        QTest::mouseClick(m_f->cmdAjouterTransaction, Qt::LeftButton);
        QCOMPARE(ouvertures, 2);
        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(m_f->lstTransactions->topLevelItemCount(), 2);
        QCOMPARE(m_f->lblMontantTotal->text(), QStringLiteral("20"));

        Activer();  // the dialog gone, the main window takes the keyboard again
        m_f->txtNomClient->setFocus();
        QTest::keyClicks(m_f->txtNomClient, "Gagnon");
        m_f->txtNoTel->setFocus();
        QTest::keyClicks(m_f->txtNoTel, "418-5551");
        m_f->txtNbForfaits->setFocus();
        QTest::keyClicks(m_f->txtNbForfaits, "2");
        QCOMPARE(m_f->txtNbForfaits->text(), QStringLiteral("2"));
        QVERIFY(QFileInfo::exists(TestSupport::Rendre(m_f.get(), "frmMain_commande")));

        QTest::mouseClick(m_f->cmdConfirmerTransactions, Qt::LeftButton);
        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(m_f->TexteStatut(), QStringLiteral("Ajouté"));

        QStringList lu;
        {
            // Read back through a connection of its own, as another program would.
            QSqlDatabase lecture;
            if (TestSupport::SurServeur()) {
                lecture = TestSupport::ConnexionServeurTest("lecture", m_bd->baseServeur());
            } else {
                lecture = QSqlDatabase::addDatabase("QSQLITE", "lecture");
                lecture.setDatabaseName(m_bd->chemin());
            }
            QVERIFY(lecture.open());
            QSqlQuery q(lecture);
            QVERIFY(q.exec("SELECT c.NomClient, c.TelephoneClient, c.NbForfaits, c.MontantTotal, p.NomPiece, "
                           "r.DateRepresentation, l.NbEnfant, l.NbAdulte, l.Cout, l.VentePorte, v.NomVendeur "
                           "FROM InfoReservation l JOIN InfoClientReservation c ON c.NoClient = l.NoClient "
                           "JOIN Representation r ON r.NoRepresentation = l.NoRepresentation "
                           "JOIN Piece p ON p.NoPiece = r.NoPiece JOIN Vendeur v ON v.NoVendeur = l.NoVendeur "
                           "ORDER BY l.NoLigne"));
            while (q.next()) {
                QStringList r;
                for (int i = 0; i < 11; ++i) r << q.value(i).toString();
                lu << r.join('|');
            }
            q.finish();
            lecture.close();
        }
        QSqlDatabase::removeDatabase("lecture");
        QCOMPARE(lu, (QStringList{"Gagnon|418-5551|2|20|L'Avare|2026-12-24|0|2|12.5|0|Anne",
                                  "Gagnon|418-5551|2|20|Le Cid|2026-12-31|0|3|7.5|0|Anne"}));
    }
};

QTEST_MAIN(TestConfirmation)
#include "tst_Confirmation.moc"
