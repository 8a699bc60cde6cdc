// The confirmed orders window: the list follows what is typed, the detail follows the choice,
// cancelling and taking back ask first and show at once, and a fault leaves everything as typed.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmCommandes.h"
#include "frmMain.h"
#include "modBD.h"
#include "modBD_Annulations.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTreeWidget>

using Toolkit::Reponse;

namespace {
qint64 g_representation = 0;
qint64 g_vendeur = 0;

qint64 Commande(const QString& date, const QString& nom, const QString& telephone = QString(), int enfants = 1,
                int adultes = 2, double cout = 30.0) {
    QSqlQuery q = modBD::Executer(QStringLiteral("INSERT INTO InfoClientReservation (DateReservation, MontantTotal, "
                                                 "NomClient, TelephoneClient, NbForfaits) VALUES (?, ?, ?, ?, 1)"),
                                  {date, cout, nom, telephone});
    const qint64 no = q.lastInsertId().toLongLong();
    modBD::Executer(QStringLiteral("INSERT INTO InfoReservation (NoClient, NoRepresentation, NbEnfant, NbAdulte, Cout, "
                                   "VentePorte, NoVendeur) VALUES (?, ?, ?, ?, ?, 0, ?)"),
                    {no, g_representation, enfants, adultes, cout, g_vendeur});
    return no;
}

QStringList Ligne(const QTreeWidget* l, int i) {
    QStringList t;
    const QTreeWidgetItem* item = l->topLevelItem(i);
    if (!item) return t;
    for (int c = 0; c < l->columnCount(); ++c) t << item->text(c);
    return t;
}

QStringList Colonne(const QTreeWidget* l, int colonne) {
    QStringList t;
    for (int i = 0; i < l->topLevelItemCount(); ++i) t << l->topLevelItem(i)->text(colonne);
    return t;
}

QStringList Entetes(const QTreeWidget* l) {
    QStringList t;
    for (int c = 0; c < l->columnCount(); ++c) t << l->headerItem()->text(c);
    return t;
}

// Another program deletes the order through its own connection.
void Supprimer(const TestSupport::BaseTest& base, qint64 noClient) {
    base.ExecuterAilleurs(QStringLiteral("DELETE FROM InfoClientReservation WHERE NoClient = ?"), {noClient});
}
}  // namespace

class TestFrmCommandes : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestSupport::BaseTest> m_base;
    qint64 m_dube = 0, m_roy = 0, m_tremblay = 0;

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        FctVar::DefinirHorloge([] { return QDate(2026, 2, 14); });
        m_base = std::make_unique<TestSupport::BaseTest>();
        g_representation = m_base->AjouterRepresentation(m_base->AjouterPiece("Hamlet"), "2026-03-01");
        g_vendeur = m_base->AjouterVendeur("Bruno", true);
        m_dube = Commande("2026-02-10", "Éric Dubé", "555-1234", 1, 2, 30.0);
        m_roy = Commande("2026-02-12", "Anne Roy", "", 0, 4, 45.5);
        m_tremblay = Commande("2026-02-11", "Erica Tremblay", "450-555-0000", 2, 0, 20.0);
    }
    void cleanup() {
        m_base.reset();
        FctVar::DefinirHorloge({});
    }

    void chargement() {
        frmCommandes f(nullptr);
        QCOMPARE(f.windowTitle(), QStringLiteral("Commandes confirmées"));
        QCOMPARE(Entetes(f.lstCommandes), (QStringList{"No", "Date", "Client", "Téléphone", "Vendeur", "Billets", "Montant", "État"}));
        QCOMPARE(Entetes(f.lstLignes), (QStringList{"Nom", "Date", "NbEnf", "NbAdt", "Coûts", "À la porte"}));
        QCOMPARE(f.lblRecherche->text().remove(QLatin1Char('&')), QStringLiteral("Rechercher :"));
        QCOMPARE(f.lblRecherche->buddy(), f.txtRecherche);
        QCOMPARE(f.txtRecherche->accessibleName(), QStringLiteral("Rechercher"));
        QCOMPARE(f.lblMotif->text().remove(QLatin1Char('&')), QStringLiteral("Motif :"));
        QCOMPARE(f.lblMotif->buddy(), f.txtMotif);
        QCOMPARE(f.txtMotif->maxLength(), 100);
        QCOMPARE(f.cmdAnnuler->text(), QStringLiteral("Annuler la commande"));
        QCOMPARE(TestSupport::OrdreTabulation({f.txtRecherche, f.lstCommandes, f.lstLignes, f.txtMotif, f.cmdAnnuler, f.cmdFermer}),
                 QString());
        // An empty field: the newest orders, by order date; the newest chosen and shown.
        QCOMPARE(Ligne(f.lstCommandes, 0),
                 (QStringList{QString::number(m_roy), "2026-02-12", "Anne Roy", "", "Bruno (C)", "4", "45,50", "Confirmée"}));
        QCOMPARE(Colonne(f.lstCommandes, frmCommandes::ColNo),
                 (QStringList{QString::number(m_roy), QString::number(m_tremblay), QString::number(m_dube)}));
        QCOMPARE(f.CommandeChoisie(), std::optional<qint64>(m_roy));
        QCOMPARE(f.lblPlus->text(), QString());
        QVERIFY(Toolkit::Test::Messages().isEmpty());
    }

    void rechercheEnTapant() {
        frmCommandes f(nullptr);
        QTest::keyClicks(f.txtRecherche, "eric");
        QCOMPARE(Colonne(f.lstCommandes, frmCommandes::ColClient), (QStringList{"Erica Tremblay", "Éric Dubé"}));
        f.txtRecherche->clear();
        QTest::keyClicks(f.txtRecherche, "DUBÉ");
        QCOMPARE(Colonne(f.lstCommandes, frmCommandes::ColClient), QStringList{"Éric Dubé"});
        QCOMPARE(f.CommandeChoisie(), std::optional<qint64>(m_dube));
        f.txtRecherche->setText("5551234");
        QCOMPARE(Colonne(f.lstCommandes, frmCommandes::ColClient), QStringList{"Éric Dubé"});
        f.txtRecherche->setText(QString::number(m_tremblay));
        QCOMPARE(Colonne(f.lstCommandes, frmCommandes::ColClient).value(0), QStringLiteral("Erica Tremblay"));
        f.txtRecherche->setText("zoé");
        QCOMPARE(f.lstCommandes->topLevelItemCount(), 0);
        QCOMPARE(f.lblPlus->text(), QStringLiteral("Aucune commande ne correspond à « zoé »."));
        QCOMPARE(f.lblPlus->accessibleName(), f.lblPlus->text());
        QVERIFY(!f.cmdAnnuler->isEnabled());
        QCOMPARE(f.lstLignes->topLevelItemCount(), 0);
        QVERIFY(Toolkit::Test::Messages().isEmpty());
    }

    void plusDeDeuxCents() {
        {
            modBD::Transaction t;
            for (int i = 0; i < 198; ++i) Commande("2026-01-01", QStringLiteral("Client %1").arg(i));
            t.Valider();
        }
        frmCommandes f(nullptr);
        QCOMPARE(f.lstCommandes->topLevelItemCount(), 200);
        QCOMPARE(f.lblPlus->text(), QStringLiteral("Et 1 autre commande, non affichée : précisez la recherche."));
        Commande("2026-01-01", "Client 198");
        Commande("2026-01-01", "Client 199");
        f.txtRecherche->setText(" ");
        QCOMPARE(f.lstCommandes->topLevelItemCount(), 200);
        QCOMPARE(f.lblPlus->text(), QStringLiteral("Et 3 autres commandes, non affichées : précisez la recherche."));
        f.txtRecherche->setText("client 19");
        QCOMPARE(f.lstCommandes->topLevelItemCount(), 11);
        QCOMPARE(f.lblPlus->text(), QString());
    }

    void detail() {
        frmCommandes f(nullptr);
        QVERIFY(f.ChoisirCommande(m_dube));
        QCOMPARE(f.lstLignes->topLevelItemCount(), 1);
        QCOMPARE(Ligne(f.lstLignes, 0), (QStringList{"Hamlet", "2026-03-01", "1", "2", "30,00", "Non"}));
        QCOMPARE(f.lblNbForfaits->text(), QStringLiteral("1"));
        QCOMPARE(f.lblMontantTotal->text(), QStringLiteral("30,00 $"));
        QCOMPARE(f.lblEtatCommande->text(), QStringLiteral("Confirmée"));
        // A value label is named by its value, never by its caption.
        for (QLabel* v : {f.lblNbForfaits, f.lblMontantTotal, f.lblEtatCommande}) QCOMPARE(v->accessibleName(), v->text());
        QCOMPARE(f.lblMontantTotal->accessibleDescription(), QStringLiteral("Montant total"));
        // In a locale whose decimal separator is the full stop.
        TestSupport::DefinirLocale(TestSupport::LocaleAnglaise());
        f.AfficherDetail();
        QCOMPARE(f.lblMontantTotal->text(), QStringLiteral("30.00 $"));
    }

    // The mouse shows what the arrow keys show: a click, a double click, then the keys again.
    void clicSouris() {
        frmCommandes f(nullptr);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const auto rangee = [&f](qint64 no) {
            for (int i = 0; i < f.lstCommandes->topLevelItemCount(); ++i)
                if (f.lstCommandes->topLevelItem(i)->data(frmCommandes::ColNo, Qt::UserRole).toLongLong() == no)
                    return f.lstCommandes->visualItemRect(f.lstCommandes->topLevelItem(i)).center();
            return QPoint();
        };
        const auto montre = [&f](qint64 no, const QString& montant) {
            QCOMPARE(f.CommandeChoisie(), std::optional<qint64>(no));
            QCOMPARE(f.lstLignes->topLevelItemCount(), 1);
            QCOMPARE(f.lblMontantTotal->text(), montant);
            QCOMPARE(f.lblNbForfaits->text(), QStringLiteral("1"));
            QCOMPARE(f.lblEtatCommande->text(), QStringLiteral("Confirmée"));
            QVERIFY(f.cmdAnnuler->isEnabled());
        };
        QTest::mouseClick(f.lstCommandes->viewport(), Qt::LeftButton, {}, rangee(m_dube));
        montre(m_dube, QStringLiteral("30,00 $"));
        QTest::mouseDClick(f.lstCommandes->viewport(), Qt::LeftButton, {}, rangee(m_tremblay));
        montre(m_tremblay, QStringLiteral("20,00 $"));
        QTest::mouseClick(f.lstCommandes->viewport(), Qt::LeftButton, {}, rangee(m_tremblay));
        montre(m_tremblay, QStringLiteral("20,00 $"));
        QTest::mouseClick(f.lstCommandes->viewport(), Qt::LeftButton, {}, rangee(m_roy));
        montre(m_roy, QStringLiteral("45,50 $"));
        f.lstCommandes->setFocus();
        QTest::keyClick(f.lstCommandes, Qt::Key_Down);
        montre(m_tremblay, QStringLiteral("20,00 $"));
        QVERIFY(Toolkit::Test::Messages().isEmpty());
    }

    void annuler() {
        frmCommandes f(nullptr);
        QVERIFY(f.ChoisirCommande(m_dube));
        f.txtMotif->setText("Client malade");
        Toolkit::Test::RepondreProchain(Reponse::Non);
        f.cmdAnnuler_Click();
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QCOMPARE(m.texte, QStringLiteral("Annuler la commande %1 de Éric Dubé (3 billets, 30,00 $) ?").arg(m_dube));
        QCOMPARE(m.titre, QStringLiteral("Annulation"));
        QCOMPARE(m.boutons, Toolkit::Boutons::OuiNon);
        QCOMPARE(m.defaut, Reponse::Non);
        QCOMPARE(m.icone, Toolkit::Icone::Question);
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));  // No: nothing written
        QCOMPARE(f.txtMotif->text(), QStringLiteral("Client malade"));

        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.cmdAnnuler_Click();
        QCOMPARE(Toolkit::Test::Messages().size(), 2);
        QCOMPARE(modBD::LireAnnulation(m_dube)->dateAnnulation, QStringLiteral("2026-02-14"));
        QCOMPARE(modBD::LireAnnulation(m_dube)->motif, QStringLiteral("Client malade"));
        // Shown at once, the order still chosen.
        QCOMPARE(f.CommandeChoisie(), std::optional<qint64>(m_dube));
        QCOMPARE(f.lstCommandes->currentItem()->text(frmCommandes::ColEtat), QStringLiteral("Annulée le 2026-02-14"));
        QVERIFY(f.lstCommandes->currentItem()->font(frmCommandes::ColClient).strikeOut());
        QCOMPARE(f.lblEtatCommande->text(), QStringLiteral("Annulée le 2026-02-14 — motif : Client malade"));
        QCOMPARE(f.cmdAnnuler->text(), QStringLiteral("Rétablir la commande"));
        QCOMPARE(f.txtMotif->text(), QString());
        QCOMPARE(m_base->Compter("InfoClientReservation"), 3);  // rows kept
        QCOMPARE(m_base->Compter("InfoReservation"), 3);
    }

    void retablir() {
        QCOMPARE(modBD::AnnulerCommande(m_roy, "2026-02-13", "erreur"), modBD::ResultatAnnulation::Fait);
        frmCommandes f(nullptr);
        QVERIFY(f.ChoisirCommande(m_roy));
        QCOMPARE(f.cmdAnnuler->text(), QStringLiteral("Rétablir la commande"));
        QVERIFY(!f.txtMotif->isEnabled());
        Toolkit::Test::RepondreProchain(Reponse::Non);
        f.cmdAnnuler_Click();
        QCOMPARE(Toolkit::Test::DernierMessage().texte,
                 QStringLiteral("Rétablir la commande %1 de Anne Roy (4 billets, 45,50 $) ?").arg(m_roy));
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Rétablissement"));
        QCOMPARE(Toolkit::Test::DernierMessage().defaut, Reponse::Non);
        QVERIFY(modBD::LireAnnulation(m_roy));
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.cmdAnnuler_Click();
        QVERIFY(!modBD::LireAnnulation(m_roy));
        QCOMPARE(f.lstCommandes->currentItem()->text(frmCommandes::ColEtat), QStringLiteral("Confirmée"));
        QCOMPARE(f.cmdAnnuler->text(), QStringLiteral("Annuler la commande"));
        QVERIFY(f.txtMotif->isEnabled());
    }

    void panne_data() {
        QTest::addColumn<int>("panne");
        QTest::newRow("lecture seule") << int(TestSupport::Panne::LectureSeule);
        QTest::newRow("verrouillée") << int(TestSupport::Panne::Verrouillee);
    }
    void panne() {
        QFETCH(int, panne);
        if (TestSupport::SurServeur() && TestSupport::Panne(panne) == TestSupport::Panne::Verrouillee)
            QSKIP("on a server, another program's locks on the other tables do not hold up a cancellation, "
                  "which writes only its own table");
        frmCommandes f(nullptr);
        QVERIFY(f.ChoisirCommande(m_tremblay));
        f.txtRecherche->setText("555");
        f.txtMotif->setText("Annulée par téléphone");
        const QString avant = TestSupport::ContenuDesTables();
        {
            TestSupport::PanneBD p(*m_base, TestSupport::Panne(panne));
            Toolkit::Test::RepondreProchain(Reponse::Oui);
            f.cmdAnnuler_Click();
            const Toolkit::Message m = Toolkit::Test::DernierMessage();
            QCOMPARE(m.titre, QStringLiteral("Erreur"));
            QVERIFY2(m.texte.contains(TestSupport::MotPanne(TestSupport::Panne(panne))), qPrintable(m.texte));
            QVERIFY(m.texte.contains(QStringLiteral("n'a pas été annulée")));
        }
        QCOMPARE(Toolkit::Test::Messages().size(), 2);  // the question, then one message
        QCOMPARE(TestSupport::ContenuDesTables(), avant);
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));
        QCOMPARE(f.txtMotif->text(), QStringLiteral("Annulée par téléphone"));
        QCOMPARE(f.txtRecherche->text(), QStringLiteral("555"));
        QCOMPARE(f.CommandeChoisie(), std::optional<qint64>(m_tremblay));
        // The fault gone, the same click does it.
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.cmdAnnuler_Click();
        QCOMPARE(modBD::LireAnnulation(m_tremblay)->motif, QStringLiteral("Annulée par téléphone"));
    }

    void supprimeeEntreTemps() {
        frmCommandes f(nullptr);
        QVERIFY(f.ChoisirCommande(m_dube));
        f.txtMotif->setText("double");
        Supprimer(*m_base, m_dube);
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.cmdAnnuler_Click();
        QCOMPARE(Toolkit::Test::DernierMessage().titre, QStringLiteral("Erreur"));
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("n'existe plus")));
        QVERIFY(!modBD::TablePresente(modBD::kTableAnnulations));
        QVERIFY(!Colonne(f.lstCommandes, frmCommandes::ColNo).contains(QString::number(m_dube)));
        QCOMPARE(f.txtMotif->text(), QStringLiteral("double"));
    }

    // Opened from the main window once at most, and told of each new order.
    void depuisLaFenetrePrincipale() {
        frmMain principal;
        QVERIFY(principal.Form_Load());
        principal.mnuRechercheCommandes_Click();
        QPointer<frmCommandes> f = principal.FenetreCommandes();
        QVERIFY(f);
        QVERIFY(f->isVisible());
        principal.mnuRechercheCommandes_Click();
        QCOMPARE(principal.FenetreCommandes(), f.data());
        QCOMPARE(principal.findChildren<frmCommandes*>().size(), 1);

        principal.txtNomClient->setText("Zoé Gagnon");
        principal.txtNbForfaits->setText("0");
        QVERIFY(FctVar::AjouterLigneTransaction(*principal.lstTransactions, "Hamlet", "2026-03-01", "2", "1", "25", "0"));
        FctVar::CalculerMontantTotal(*principal.lstTransactions, *principal.lblMontantTotal);
        principal.cmdConfirmerTransactions_Click();
        QCOMPARE(principal.TexteStatut(), QStringLiteral("Ajouté"));
        QCOMPARE(Ligne(f->lstCommandes, 0).mid(1, 7),
                 (QStringList{"2026-02-14", "Zoé Gagnon", "", "Bruno (C)", "3", "25,00", "Confirmée"}));
        f->cmdFermer_Click();
        QTRY_VERIFY(!f);
    }

    void rendu() {
        QCOMPARE(modBD::AnnulerCommande(m_tremblay, "2026-02-13", "Client malade"), modBD::ResultatAnnulation::Fait);
        frmCommandes f(nullptr);
        QVERIFY(f.ChoisirCommande(m_tremblay));
        const QString chemin = TestSupport::Rendre(&f, "frmCommandes_annulee");
        QVERIFY(QFileInfo::exists(chemin));
        QCOMPARE(f.cmdAnnuler->text(), QStringLiteral("Rétablir la commande"));
        // Every caption fits its control.
        QVERIFY(f.cmdAnnuler->width() >= f.cmdAnnuler->sizeHint().width());
    }
};

QTEST_MAIN(TestFrmCommandes)
#include "tst_frmCommandes.moc"
