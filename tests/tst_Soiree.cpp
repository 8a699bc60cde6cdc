// The evening at the door: prices filling the cost, seats left and the "Complet" question,
// check-ins and their limits, door sales, the closing page and the performances' balance,
// and a file made before the evening's tables.
#include "LectureRapports.h"
#include "Exportation.h"
#include "FctVar.h"
#include "Recu.h"
#include "Tableau.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmCommandes.h"
#include "frmMain.h"
#include "frmPlacesTarifs.h"
#include "frmSoiree.h"
#include "frmTransaction.h"
#include "modBD.h"
#include "modBD_Annulations.h"
#include "modBD_Commandes.h"
#include "modBD_Soiree.h"
#include "modBD_Compagnie.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using Toolkit::Reponse;

using namespace LectureRapports;

namespace {
const QStringList kTablesSoiree = {"CapaciteRepresentation", "TarifPiece", "ArriveeCommande", "ReglageBilletterie"};

QByteArray Empreinte(const QString& chemin) {
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

class TestSoiree : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::BaseTest> m_bd;
    std::unique_ptr<frmMain> m_principal;
    qint64 m_avare = 0, m_cid = 0, m_rep24 = 0, m_rep25 = 0, m_repCid = 0;

    // One order through the same write as "Confirmer"; returns its number.
    qint64 Commander(const QString& client, const QString& piece, const QString& date, int enfants, int adultes,
                     const QString& cout, bool porte = false) {
        // The test's costs are texts as a clerk types them, read by the order procedures' rule.
        const Montant montant = Montant::LireTexte(cout);
        modBD::Commande c{QStringLiteral("2026-12-01"), montant, client, QStringLiteral("555-1234"), QStringLiteral("0"),
                          QStringLiteral("Alice"), {}, {}};
        c.lignes.append({piece, date, QString::number(enfants), QString::number(adultes), montant,
                         porte ? QStringLiteral("Oui") : QStringLiteral("Non")});
        return modBD::EnregistrerCommande(c).toLongLong();
    }

    static QStringList Questions() {
        QStringList q;
        for (const Toolkit::Message& m : Toolkit::Test::Messages())
            if (m.titre == QLatin1String("Complet")) q << m.texte;
        return q;
    }

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        FctVar::DefinirHorloge([] { return QDate(2026, 12, 24); });
        m_bd = std::make_unique<TestSupport::BaseTest>();
        m_avare = m_bd->AjouterPiece(QStringLiteral("L'Avare"));
        m_rep24 = m_bd->AjouterRepresentation(m_avare, QStringLiteral("2026-12-24"));
        m_rep25 = m_bd->AjouterRepresentation(m_avare, QStringLiteral("2026-12-25"));
        m_cid = m_bd->AjouterPiece(QStringLiteral("Le Cid"));
        m_repCid = m_bd->AjouterRepresentation(m_cid, QStringLiteral("2026-12-20"));
        m_bd->AjouterVendeur(QStringLiteral("Alice"));
        m_bd->AjouterVendeur(QStringLiteral("Bruno"), true);
        m_principal = std::make_unique<frmMain>();
        QVERIFY(m_principal->Form_Load());
        Toolkit::Test::Reinitialiser();
    }
    void cleanup() {
        m_principal.reset();
        m_bd.reset();
        FctVar::DefinirHorloge({});
    }

    // Prices fill the cost as the counts change, in the shortest form, only when it fits,
    // and never again once the clerk has typed a cost. Without prices nothing moves.
    void prixRemplissentCouts() {
        modBD::EnregistrerTarif(m_avare, modBD::Tarif{12.5, 20.0});
        modBD::EnregistrerTarif(m_cid, modBD::Tarif{1.11, 2.22});
        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        QCOMPARE(d.txtCouts->text(), QStringLiteral("0"));
        d.txtNbEnfants->setText(QStringLiteral("2"));
        QCOMPARE(d.txtCouts->text(), QStringLiteral("25"));
        d.txtNbAdultes->setText(QStringLiteral("3"));
        QCOMPARE(d.txtCouts->text(), QStringLiteral("85"));
        d.txtNbEnfants->setText(QStringLiteral("1"));
        d.txtNbAdultes->setText(QStringLiteral("7"));
        QCOMPARE(d.txtCouts->text(), QStringLiteral("152,5"));
        d.txtNbAdultes->setText(QStringLiteral("abc"));  // not a number: the cost stays
        QCOMPARE(d.txtCouts->text(), QStringLiteral("152,5"));
        d.txtNbAdultes->setText(QStringLiteral("999"));  // 19992,5 does not fit 5 characters
        QCOMPARE(d.txtCouts->text(), QStringLiteral("152,5"));
        d.cboNomsPieces->setCurrentIndex(1);             // another play, its own prices
        d.txtNbAdultes->setText(QStringLiteral("5"));
        QCOMPARE(d.txtCouts->text(), QStringLiteral("12,21"));
        d.txtNbEnfants->setText(QStringLiteral("2"));
        QCOMPARE(d.txtCouts->text(), QStringLiteral("13,32"));  // cents, not 13,320000000000002
        d.txtNbAdultes->setText(QStringLiteral("50"));  // 113,22: six characters, left as it is
        QCOMPARE(d.txtCouts->text(), QStringLiteral("13,32"));

        d.txtCouts->setFocus();
        d.txtCouts->selectAll();
        QTest::keyClicks(d.txtCouts, QStringLiteral("100"));
        d.txtNbAdultes->setText(QStringLiteral("1"));
        QCOMPARE(d.txtCouts->text(), QStringLiteral("100"));

        // A play without prices: the cost is the clerk's alone.
        modBD::EnregistrerTarif(m_avare, std::nullopt);
        frmTransaction sans(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        sans.txtNbEnfants->setText(QStringLiteral("4"));
        QCOMPARE(sans.txtCouts->text(), QStringLiteral("0"));
        QCOMPARE(sans.lblPlacesRestantes->text(), QString());
    }

    // Seats left on the dialog; "Complet" asked only beyond them, for a line that will be added.
    void completAjouter() {
        modBD::EnregistrerCapacite(m_rep24, 10);
        Commander(QStringLiteral("Déjà"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 2, 6, QStringLiteral("80"));
        const qint64 annulee =
            Commander(QStringLiteral("Annulé"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 0, 5, QStringLiteral("50"));
        QCOMPARE(modBD::AnnulerCommande(annulee, QStringLiteral("2026-12-02"), QString()), modBD::ResultatAnnulation::Fait);

        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        QCOMPARE(d.lblPlacesRestantes->text(), QStringLiteral("Places restantes : 2"));  // the cancelled order frees its seats
        d.cboDatesPieces->setCurrentIndex(1);
        QCOMPARE(d.lblPlacesRestantes->text(), QString());  // no capacity for the 25th
        d.cboDatesPieces->setCurrentIndex(0);
        d.txtNbAdultes->setText(QStringLiteral("2"));
        d.txtCouts->setText(QStringLiteral("20"));
        // Within the seats: no question. The line is taken back for the next cases.
        d.cmdAjouter_Click();
        QVERIFY(Questions().isEmpty());
        QCOMPARE(m_principal->lstTransactions->topLevelItemCount(), 1);
        m_principal->lstTransactions->clear();

        frmTransaction e(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        e.txtNbEnfants->setText(QStringLiteral("1"));
        e.txtNbAdultes->setText(QStringLiteral("2"));
        e.txtCouts->setText(QStringLiteral("30"));
        Toolkit::Test::RepondreProchain(Reponse::Non);
        e.cmdAjouter_Click();
        QCOMPARE(Questions(), QStringList{QStringLiteral("Il ne reste que 2 places pour L'Avare le 2026-12-24. Ajouter quand même ?")});
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QCOMPARE(m.boutons, Toolkit::Boutons::OuiNon);
        QCOMPARE(m.defaut, Reponse::Non);
        QCOMPARE(m_principal->lstTransactions->topLevelItemCount(), 0);
        QCOMPARE(e.txtNbAdultes->text(), QStringLiteral("2"));  // what was typed stays

        // An entry error is told before any question.
        Toolkit::Test::Reinitialiser();
        e.txtCouts->setText(QStringLiteral("0"));
        e.cmdAjouter_Click();
        QVERIFY(Questions().isEmpty());
        e.txtCouts->setText(QStringLiteral("30"));

        Toolkit::Test::Reinitialiser();
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        e.cmdAjouter_Click();
        QCOMPARE(Questions().size(), 1);
        QCOMPARE(m_principal->lstTransactions->topLevelItemCount(), 1);

        // The same play and date again: the duplicate message, no question.
        Toolkit::Test::Reinitialiser();
        frmTransaction f(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        f.txtNbAdultes->setText(QStringLiteral("9"));
        f.txtCouts->setText(QStringLiteral("90"));
        f.cmdAjouter_Click();
        QVERIFY(Questions().isEmpty());
        QVERIFY(Toolkit::Test::DernierMessage().texte.startsWith(QStringLiteral("La pièce pour la date choisie")));

        // Accepted at "Ajouter", nothing sold since: "Confirmer" does not ask again.
        Toolkit::Test::Reinitialiser();
        m_principal->txtNomClient->setText(QStringLiteral("Client"));
        m_principal->cmdConfirmerTransactions_Click();
        QVERIFY(Questions().isEmpty());
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), qint64(3));
    }

    // Another station sold the seats between "Ajouter" and "Confirmer": asked again; No saves nothing.
    void completConfirmer() {
        modBD::EnregistrerCapacite(m_rep24, 5);
        frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
        d.txtNbAdultes->setText(QStringLiteral("3"));
        d.txtCouts->setText(QStringLiteral("30"));
        d.cmdAjouter_Click();
        QVERIFY(Questions().isEmpty());
        m_principal->txtNomClient->setText(QStringLiteral("Client"));
        Commander(QStringLiteral("Autre poste"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 0, 4, QStringLiteral("40"));

        Toolkit::Test::RepondreProchain(Reponse::Non);
        m_principal->cmdConfirmerTransactions_Click();
        QCOMPARE(Questions(), QStringList{QStringLiteral("Il ne reste que 1 places pour L'Avare le 2026-12-24. Ajouter quand même ?")});
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), qint64(1));
        QCOMPARE(m_principal->lstTransactions->topLevelItemCount(), 1);  // the order stays on the window

        Toolkit::Test::Reinitialiser();
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        m_principal->cmdConfirmerTransactions_Click();
        QCOMPARE(Questions().size(), 1);
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), qint64(2));
        QCOMPARE(modBD::PlacesRestantes(m_rep24), std::optional<qlonglong>(-2));
    }

    // Check-ins: the whole party, one by one within 0..tickets, back to 0; a cancelled or
    // vanished order writes nothing.
    void arriveesLimites() {
        const qint64 no = Commander(QStringLiteral("Famille"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 2, 1,
                                    QStringLiteral("45"));
        using modBD::Arrivee;
        QCOMPARE(modBD::NoterArrivee(no, m_rep24, Arrivee::UneDeMoins), std::optional<qlonglong>(0));
        QCOMPARE(modBD::NoterArrivee(no, m_rep24, Arrivee::UneDePlus), std::optional<qlonglong>(1));
        QCOMPARE(modBD::NoterArrivee(no, m_rep24, Arrivee::Toute), std::optional<qlonglong>(3));
        QCOMPARE(modBD::NoterArrivee(no, m_rep24, Arrivee::UneDePlus), std::optional<qlonglong>(3));
        QCOMPARE(modBD::NoterArrivee(no, m_rep24, Arrivee::UneDeMoins), std::optional<qlonglong>(2));
        QCOMPARE(modBD::NoterArrivee(no, m_rep24, Arrivee::Aucune), std::optional<qlonglong>(0));
        QCOMPARE(modBD::NoterArrivee(no, m_rep25, Arrivee::Toute), std::nullopt);  // no line for that performance
        QCOMPARE(modBD::AnnulerCommande(no, QStringLiteral("2026-12-02"), QString()), modBD::ResultatAnnulation::Fait);
        QCOMPARE(modBD::NoterArrivee(no, m_rep24, Arrivee::Toute), std::nullopt);
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT NbArrives FROM ArriveeCommande WHERE NoClient = ?"), {no}).toLongLong(), qint64(0));
        QCOMPARE(modBD::NoterArrivee(no + 100, m_rep24, Arrivee::UneDePlus), std::nullopt);
        QCOMPARE(m_bd->Compter(QStringLiteral("ArriveeCommande")), qint64(1));
    }

    // The evening window: today's performance, counters, search blind to accents, check-in by
    // keyboard, a door sale as one order of one door line checked in at once.
    void fenetreSoiree() {
        modBD::EnregistrerCapacite(m_rep24, 20);
        modBD::EnregistrerTarif(m_avare, modBD::Tarif{10, 15});
        const qint64 eric = Commander(QStringLiteral("Éric Dubé"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 1, 2,
                                      QStringLiteral("40"));
        Commander(QStringLiteral("anne Roy"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 0, 4, QStringLiteral("60"));
        Commander(QStringLiteral("Zoé"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-25"), 0, 1, QStringLiteral("15"));

        frmSoiree s(m_principal.get());
        QCOMPARE(s.windowTitle(), QStringLiteral("Soirée de représentation"));
        QCOMPARE(s.cboRepresentation->currentText(), QStringLiteral("L'Avare — 2026-12-24"));  // today's
        QCOMPARE(TestSupport::Textes(s.cboRepresentation),
                 (QStringList{"Le Cid — 2026-12-20", "L'Avare — 2026-12-24", "L'Avare — 2026-12-25"}));
        QCOMPARE(s.lstParties->topLevelItemCount(), 2);
        QCOMPARE(s.lstParties->topLevelItem(0)->text(0), QStringLiteral("anne Roy"));  // French collation, not ASCII
        QCOMPARE(s.lblCapacite->text(), QStringLiteral("20"));
        QCOMPARE(s.lblVendusAvance->text(), QStringLiteral("7"));
        QCOMPARE(s.lblAttendus->text(), QStringLiteral("7"));
        QCOMPARE(s.lblPlacesLibres->text(), QStringLiteral("13"));

        QTest::keyClicks(s.txtRecherche, QStringLiteral("ERIC"));
        QCOMPARE(s.lstParties->topLevelItemCount(), 1);
        QCOMPARE(s.PartieChoisie(), std::optional<qint64>(eric));
        QTest::keyClick(s.lstParties, Qt::Key_Return);
        QCOMPARE(s.lblArrives->text(), QStringLiteral("3"));
        QTest::keyClick(s.lstParties, Qt::Key_Minus);
        QTest::keyClick(s.lstParties, Qt::Key_Minus);
        QCOMPARE(s.lstParties->topLevelItem(0)->text(frmSoiree::ColArrives), QStringLiteral("1 / 3"));
        QCOMPARE(s.lblAttendus->text(), QStringLiteral("6"));
        s.cmdAnnulerArrivee_Click();
        QCOMPARE(s.lblArrives->text(), QStringLiteral("0"));
        QTest::keyClick(s.lstParties, Qt::Key_Plus);
        QCOMPARE(s.lblArrives->text(), QStringLiteral("1"));

        // A door sale: the cost from the prices, one order with one door line, checked in whole.
        s.txtRecherche->clear();
        QCOMPARE(s.CoutSelonTarif(QStringLiteral("1"), QStringLiteral("2")), QStringLiteral("40"));
        QVERIFY(!s.VendreALaPorte(QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("Alice")));
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), qint64(3));
        QVERIFY(s.VendreALaPorte(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("40"), QStringLiteral("Bruno (C)")));
        const qint64 vente = m_bd->Valeur(QStringLiteral("SELECT MAX(NoClient) FROM InfoClientReservation")).toLongLong();
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoReservation"), QStringLiteral("NoClient = %1").arg(vente)), qint64(1));
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT NomClient || '|' || TelephoneClient || '|' || NbForfaits || '|' || DateReservation "
                                             "FROM InfoClientReservation WHERE NoClient = ?"), {vente}).toString(),
                 QStringLiteral("Vente à la porte||0|2026-12-24"));
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT VentePorte FROM InfoReservation WHERE NoClient = ?"), {vente}).toLongLong(), qint64(1));
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT v.NomVendeur FROM InfoReservation l JOIN Vendeur v ON v.NoVendeur = l.NoVendeur "
                                             "WHERE l.NoClient = ?"), {vente}).toString(), QStringLiteral("Bruno"));
        QCOMPARE(s.lblVendusPorte->text(), QStringLiteral("3"));
        QCOMPARE(s.lblArrives->text(), QStringLiteral("4"));
        QCOMPARE(s.lblPlacesLibres->text(), QStringLiteral("10"));
        QCOMPARE(s.PartieChoisie(), std::optional<qint64>(vente));
        TestSupport::Rendre(&s, QStringLiteral("frmSoiree"));

        // Another station's check-in shows at the next reading.
        m_bd->ExecuterAilleurs(QStringLiteral("UPDATE ArriveeCommande SET NbArrives = 3 WHERE NoClient = ?"), {eric});
        s.Actualiser();
        QCOMPARE(s.lblArrives->text(), QStringLiteral("6"));
    }

    // Another door station's check-in shows on an open window within 2 s, without a click.
    void autrePosteEnDeuxSecondes() {
        const qint64 no = Commander(QStringLiteral("A"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 1, 3, QStringLiteral("50"));
        frmSoiree s(m_principal.get());
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        QCOMPARE(s.lblArrives->text(), QStringLiteral("0"));
        m_bd->ExecuterAilleurs(QStringLiteral("INSERT INTO ArriveeCommande (NoClient, NoRepresentation, NbArrives, DateArrivee) "
                                              "VALUES (?, ?, 3, '2026-12-24 19:30:00')"),
                               {no, m_rep24});
        QTRY_COMPARE_WITH_TIMEOUT(s.lblArrives->text(), QStringLiteral("3"), 2000);
        QCOMPARE(s.lblAttendus->text(), QStringLiteral("1"));
    }

    // A performance deleted meanwhile (by the report tool's base editor, another station):
    // French messages, nothing written, the window keeps going.
    void supprimeeEntreTemps() {
        const qint64 no = Commander(QStringLiteral("A"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 0, 2, QStringLiteral("20"));
        frmSoiree s(m_principal.get());
        QVERIFY(s.ChoisirPartie(no));
        m_bd->ExecuterAilleurs(QStringLiteral("DELETE FROM InfoReservation WHERE NoClient = ?"), {no});
        s.cmdArrivee_Click();
        QVERIFY2(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("n'est plus dans la base")),
                 qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(m_bd->Compter(QStringLiteral("ArriveeCommande")), qint64(0));
        QCOMPARE(s.lstParties->topLevelItemCount(), 0);  // read again: the party is gone

        m_bd->ExecuterAilleurs(QStringLiteral("DELETE FROM Representation WHERE NoRepresentation = ?"), {m_rep24});
        Toolkit::Test::Reinitialiser();
        QVERIFY(!s.VendreALaPorte(QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("Alice")));
        QVERIFY2(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("n'existe plus")),
                 qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), qint64(1));  // the door sale left nothing
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::EnregistrerCapacite(m_rep24, 10));
        m_bd->ExecuterAilleurs(QStringLiteral("DELETE FROM Piece WHERE NoPiece = ?"), {m_cid});
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::EnregistrerTarif(m_cid, modBD::Tarif{1, 2}));
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::EnregistrerCapacitePiece(m_cid, 10));
        QCOMPARE(m_bd->Compter(QStringLiteral("CapaciteRepresentation")) + m_bd->Compter(QStringLiteral("TarifPiece")), qint64(0));
    }

    // Opened from the hub, modeless, one at a time.
    void uneSeuleFenetre() {
        m_principal->mnuSoiree_Click();
        frmSoiree* s = m_principal->FenetreSoiree();
        QVERIFY(s && s->isVisible() && !s->isModal());
        m_principal->mnuSoiree_Click();
        QCOMPARE(m_principal->FenetreSoiree(), s);
        m_principal->mnuPlacesTarifs_Click();
        QVERIFY(m_principal->FenetrePlacesTarifs() && m_principal->FenetrePlacesTarifs()->isVisible());
    }

    // A file made before the evening's tables: opened, read and left byte for byte unchanged;
    // the first write creates the table it needs, and only that one.
    void fichierAncien() {
        for (const QString& t : kTablesSoiree) modBD::Executer(QStringLiteral("DROP TABLE %1").arg(t));
        const qint64 no = Commander(QStringLiteral("A"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 1, 1, QStringLiteral("5"));
        const QByteArray avant = TestSupport::SurServeur() ? QByteArray() : Empreinte(m_bd->chemin());
        {
            frmSoiree s(m_principal.get());
            QCOMPARE(s.lblCapacite->text(), QString());
            QCOMPARE(s.lblPlacesLibres->text(), QString());
            QCOMPARE(s.lblVendusAvance->text(), QStringLiteral("2"));
            s.cmdAnnulerArrivee_Click();  // taking back nothing writes nothing
            frmPlacesTarifs p(m_principal.get());
            QCOMPARE(p.txtPrixEnfant->text(), QString());
            frmTransaction d(m_principal.get(), *m_principal->lstTransactions, *m_principal->lblMontantTotal);
            QCOMPARE(d.lblPlacesRestantes->text(), QString());
            QCOMPARE(Rapports::Produire(Rapports::Rapport::Bilan, {}, QString()).lignes.size(), 4);  // 3 and the total
            QCOMPARE(modBD::NoterArrivee(no, m_rep24, modBD::Arrivee::Aucune), std::optional<qlonglong>(0));
        }
        if (!TestSupport::SurServeur()) QCOMPARE(Empreinte(m_bd->chemin()), avant);
        for (const QString& t : kTablesSoiree) QVERIFY2(!modBD::TablePresente(t), qPrintable(t));
        QCOMPARE(modBD::NoterArrivee(no, m_rep24, modBD::Arrivee::Toute), std::optional<qlonglong>(2));
        QVERIFY(modBD::TablePresente(QStringLiteral("ArriveeCommande")));
        QVERIFY(!modBD::TablePresente(QStringLiteral("TarifPiece")));
        modBD::EnregistrerNomCompagnie(QStringLiteral("Théâtre du Quai"));
        QCOMPARE(modBD::LireNomCompagnie(), QStringLiteral("Théâtre du Quai"));
    }

    // A door sale's cost is read once: the order, its line and the journal carry the same cent;
    // a cost beyond what may be typed is refused before anything is written.
    void venteALaPorteLueUneFois() {
        const QString no = modBD::EnregistrerVentePorte(QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"),
                                                        QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("1,005"),
                                                        QStringLiteral("Alice"), QStringLiteral("2026-12-24"));
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT MontantTotal FROM InfoClientReservation WHERE NoClient = %1").arg(no)).toDouble(), 1.01);
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT Cout FROM InfoReservation WHERE NoClient = %1").arg(no)).toDouble(), 1.01);
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT Detail FROM JournalOperation WHERE Action = 'Vente à la porte'")).toString(),
                 QStringLiteral("1 ligne(s), montant 1,01"));
        const qint64 journal = m_bd->Compter(QStringLiteral("JournalOperation"));
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD,
                                 modBD::EnregistrerVentePorte(QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"),
                                                              QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("9e99"),
                                                              QStringLiteral("Alice"), QStringLiteral("2026-12-24")));
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), 1);
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoReservation")), 1);
        QCOMPARE(m_bd->Compter(QStringLiteral("JournalOperation")), journal);
    }

    // The balance of every performance and the closing page, against totals worked out by hand.
    void bilanEtCloture() {
        modBD::EnregistrerCapacitePiece(m_avare, 12);
        // 24th: advance 2+3 (50 $) and 0+4 (60 $), door 1+1 (25 $) by Bruno; a cancelled 0+6 counts nowhere.
        const qint64 a = Commander(QStringLiteral("Anne"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 2, 3, QStringLiteral("50"));
        const qint64 b = Commander(QStringLiteral("Béa"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 0, 4, QStringLiteral("60"));
        const qint64 x = Commander(QStringLiteral("Xavier"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 0, 6, QStringLiteral("90"));
        QCOMPARE(modBD::AnnulerCommande(x, QStringLiteral("2026-12-02"), QString()), modBD::ResultatAnnulation::Fait);
        modBD::EnregistrerVentePorte(QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), QStringLiteral("1"), QStringLiteral("1"),
                                     QStringLiteral("25"), QStringLiteral("Bruno (C)"), QStringLiteral("2026-12-24"));
        modBD::NoterArrivee(a, m_rep24, modBD::Arrivee::Toute);
        Q_UNUSED(b);
        // 25th: nothing sold. Le Cid: no capacity, 1+0 for 7,5 $.
        Commander(QStringLiteral("Cid"), QStringLiteral("Le Cid"), QStringLiteral("2026-12-20"), 1, 0, QStringLiteral("7,5"));

        const Rapports::Tableau t = Rapports::Produire(Rapports::Rapport::Bilan, {}, QString());
        QCOMPARE(t.entetes.join(';'),
                 QStringLiteral("Pièce;Représentation;Capacité;Billets vendus;Billets à la porte;Arrivés;Places libres;Remplissage;Montant"));
        const QString csv = QString::fromUtf8(Rapports::TexteCsv(t));
        QVERIFY2(csv.contains(QStringLiteral("L'Avare;2026-12-24;12;11;2;7;1;91,7;135,00\r\n")), qPrintable(csv));
        QVERIFY2(csv.contains(QStringLiteral("L'Avare;2026-12-25;12;0;0;0;12;0,0;0,00\r\n")), qPrintable(csv));
        QVERIFY2(csv.contains(QStringLiteral("Le Cid;2026-12-20;;1;0;0;;;7,50\r\n")), qPrintable(csv));
        QVERIFY(csv.indexOf(QStringLiteral("L'Avare;2026-12-24")) < csv.indexOf(QStringLiteral("Le Cid")));

        const Rapports::Tableau c = Rapports::Produire(Rapports::Rapport::Soiree, {QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), {}, {}, {}},
                                                       QString());
        QStringList lignes;
        for (const Rapports::Ligne& l : c.lignes) {
            QStringList cellules;
            for (int i = 0; i < l.cellules.size(); ++i) cellules << Rapports::TexteCellule(l.cellules.at(i), c.genres.at(i));
            lignes << cellules.join('|');
        }
        QCOMPARE(lignes, (QStringList{"Ventes à la porte|Total|1|2|25,00", "Ventes à la porte|Bruno (C)|1|2|25,00",
                                      "Ventes d'avance|Total|2|9|110,00", "Salle|Capacité||12|", "Salle|Places libres||1|",
                                      "Arrivées|Arrivés||7|", "Arrivées|Attendus||4|", "Absents|n° 2 — Béa (555-1234)|1|4|60,00",
                                      "Absents|Total|1|4|60,00", "Recettes de la porte|Espèces|0||0,00",
                                      "Recettes de la porte|Carte|0||0,00", "Recettes de la porte|Chèque|0||0,00",
                                      "Recettes de la porte|Autre|0||0,00",
                                      // recorded without a payment mode: its money comes through its seller
                                      "Recettes de la porte|Non payé à la caisse|1||25,00"}));
        if (!TestSupport::SurServeur()) {
            QDir().mkpath(QStringLiteral(CORV_RENDU_DIR));  // kept beside the windows' pictures
            const QString pdf = QDir(QStringLiteral(CORV_RENDU_DIR)).filePath(QStringLiteral("cloture.pdf"));
            Rapports::Exporter(c, Rapports::Format::Pdf, pdf);
            const QString texte = Pdftotext(pdf);
            QVERIFY2(texte.contains(QStringLiteral("Clôture de la soirée")) && texte.contains(QStringLiteral("Béa")), qPrintable(texte));
        }
    }

    // The closing page is a PDF whatever name the clerk types: "soir" is written as soir.pdf,
    // never under the database's suffix.
    void clotureSousSonSuffixe() {
        if (TestSupport::SurServeur()) QSKIP("the dialog is the same on both engines");
        QTemporaryDir dossier;
        frmSoiree s(m_principal.get());
        Toolkit::Test::RepondreFichierProchain(dossier.filePath(QStringLiteral("soir")));
        s.cmdCloture_Click();
        QCOMPARE(Toolkit::Test::DialoguesFichier().last().suffixe, QStringLiteral("pdf"));
        QVERIFY(QFile::exists(dossier.filePath(QStringLiteral("soir.pdf"))));
        QVERIFY(!QFile::exists(dossier.filePath(QStringLiteral("soir.mdb"))));
        QVERIFY(!QFile::exists(dossier.filePath(QStringLiteral("soir"))));
        Toolkit::Test::RepondreFichierProchain(dossier.filePath(QStringLiteral("copie.mdb")));
        s.cmdCloture_Click();
        QVERIFY(QFile::exists(dossier.filePath(QStringLiteral("copie.mdb.pdf"))));
        QVERIFY(!QFile::exists(dossier.filePath(QStringLiteral("copie.mdb"))));
        QCOMPARE(Toolkit::AvecSuffixe(QStringLiteral("/x/Soir.PDF"), QStringLiteral("pdf")), QStringLiteral("/x/Soir.PDF"));
    }

    // Pictures for the README: the evening window mid-evening and its closing page.
    void images() {
        if (TestSupport::SurServeur()) QSKIP("the same pictures on both engines");
        modBD::EnregistrerCapacite(m_rep24, 60);
        modBD::EnregistrerTarif(m_avare, modBD::Tarif{12, 20});
        const QStringList clients = {"Gagnon, Marie", "Tremblay, Luc", "Côté, Émilie", "Roy, Jean", "Bouchard, Anne",
                                     "Gauthier, Éric", "Lévesque, Sophie", "Morin, Paul", "Pelletier, Julie", "Bélanger, Marc"};
        QList<qint64> nos;
        for (int i = 0; i < clients.size(); ++i)
            nos << Commander(clients.at(i), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), i % 3, 1 + i % 4,
                             QString::number(12 * (i % 3) + 20 * (1 + i % 4)));
        for (int i : {0, 2, 3, 5, 8}) modBD::NoterArrivee(nos.at(i), m_rep24, modBD::Arrivee::Toute);
        modBD::NoterArrivee(nos.at(6), m_rep24, modBD::Arrivee::UneDePlus);
        modBD::EnregistrerVentePorte(QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), QStringLiteral("1"),
                                     QStringLiteral("2"), QStringLiteral("52"), QStringLiteral("Bruno (C)"), QStringLiteral("2026-12-24"));
        modBD::EnregistrerVentePorte(QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), QStringLiteral("0"),
                                     QStringLiteral("2"), QStringLiteral("40"), QStringLiteral("Alice"), QStringLiteral("2026-12-24"));
        frmSoiree s(m_principal.get());
        s.resize(820, 520);
        QVERIFY(s.ChoisirPartie(nos.at(6)));
        QVERIFY(QFileInfo::exists(TestSupport::Rendre(&s, QStringLiteral("soiree"))));
        QDir().mkpath(QStringLiteral(CORV_RENDU_DIR));
        const QString pdf = QDir(QStringLiteral(CORV_RENDU_DIR)).filePath(QStringLiteral("cloture-soiree.pdf"));
        Rapports::Exporter(Rapports::Produire(Rapports::Rapport::Soiree, {QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), {}, {}, {}},
                                              m_bd->chemin()),
                           Rapports::Format::Pdf, pdf);
        QVERIFY(Pdftotext(pdf).contains(QStringLiteral("Bélanger, Marc")));
    }

    // The receipt: company, number, lines, total, and the cancellation when there is one.
    void recu() {
        if (TestSupport::SurServeur()) QSKIP("the page is the same on both engines");
        modBD::EnregistrerNomCompagnie(QStringLiteral("Théâtre du Quai"));
        const qint64 no = Commander(QStringLiteral("Éric Dubé"), QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 1, 2,
                                    QStringLiteral("42,5"));
        QCOMPARE(modBD::AnnulerCommande(no, QStringLiteral("2026-12-05"), QString()), modBD::ResultatAnnulation::Fait);
        frmCommandes f(m_principal.get());
        QVERIFY(f.ChoisirCommande(no));
        const QString pdf = QDir(m_bd->dossier()).filePath(QStringLiteral("recu.pdf"));
        QVERIFY(f.EcrireRecuPdf(pdf));
        const QString texte = Pdftotext(pdf);
        for (const QString& attendu : {QStringLiteral("Théâtre du Quai"), QStringLiteral("commande n° %1").arg(no),
                                       QStringLiteral("Éric Dubé"), QStringLiteral("L'Avare"), QStringLiteral("42,50 $"),
                                       QStringLiteral("Annulée le 2026-12-05")})
            QVERIFY2(texte.contains(attendu), qPrintable(attendu + QStringLiteral("\n") + texte));
    }

    // The settings window refuses bad amounts and counts, and applies a count to every performance.
    void placesEtTarifs() {
        QCOMPARE(frmPlacesTarifs::LirePrix(QStringLiteral("12,5")), std::optional<double>(12.5));
        QCOMPARE(frmPlacesTarifs::LirePrix(QStringLiteral("12,555")), std::nullopt);
        QCOMPARE(frmPlacesTarifs::LirePrix(QStringLiteral("-3")), std::nullopt);
        QCOMPARE(frmPlacesTarifs::LirePrix(QStringLiteral("12.5")), std::nullopt);  // not the locale's separator
        QCOMPARE(frmPlacesTarifs::LireCapacite(QStringLiteral("32767")), std::optional<int>(32767));
        QCOMPARE(frmPlacesTarifs::LireCapacite(QStringLiteral("32768")), std::nullopt);
        QCOMPARE(frmPlacesTarifs::LireCapacite(QStringLiteral("0")), std::nullopt);

        frmPlacesTarifs p(m_principal.get());
        p.txtPrixEnfant->setText(QStringLiteral("8"));
        p.txtPrixAdulte->setText(QStringLiteral("abc"));
        p.cmdEnregistrerTarifs_Click();
        QVERIFY(Toolkit::Test::DernierMessage().texte.startsWith(QStringLiteral("Le prix adulte n'est pas valide")));
        QVERIFY(!modBD::LireTarif(m_avare));
        p.txtPrixAdulte->setText(QStringLiteral("14,75"));
        p.cmdEnregistrerTarifs_Click();
        QCOMPARE(p.txtPrixAdulte->text(), QStringLiteral("14,75"));
        QCOMPARE(modBD::LireTarif(m_avare)->adulte, 14.75);

        p.txtPlaces->setText(QStringLiteral("150"));
        p.chkToutes->setChecked(true);
        p.cmdEnregistrerPlaces_Click();
        QCOMPARE(modBD::LireCapacite(m_rep24), std::optional<int>(150));
        QCOMPARE(modBD::LireCapacite(m_rep25), std::optional<int>(150));
        QCOMPARE(modBD::LireCapacite(m_repCid), std::nullopt);
        TestSupport::Rendre(&p, QStringLiteral("frmPlacesTarifs"));
    }

    // Prices typed and not saved are asked about before another play or closing:
    // Annuler stays with what was typed, Non drops it, Oui saves it (or stays when refused).
    void tarifsNonEnregistres() {
        const auto questions = [] {
            QStringList q;
            for (const Toolkit::Message& m : Toolkit::Test::Messages())
                if (m.boutons == Toolkit::Boutons::OuiNonAnnuler) q << m.texte;
            return q;
        };
        frmPlacesTarifs p(m_principal.get());
        QCOMPARE(p.cboPieces->currentText(), QStringLiteral("L'Avare"));
        p.chkToutes->setChecked(true);
        QTest::keyClicks(p.txtPrixEnfant, QStringLiteral("9"));
        QTest::keyClicks(p.txtPrixAdulte, QStringLiteral("15,5"));
        QVERIFY(p.TarifsModifies());
        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Annuler);
        p.cboPieces->setCurrentIndex(1);
        QCOMPARE(questions(), QStringList{QStringLiteral("Enregistrer les tarifs de L'Avare ?")});
        QCOMPARE(p.cboPieces->currentText(), QStringLiteral("L'Avare"));
        QCOMPARE(p.txtPrixAdulte->text(), QStringLiteral("15,5"));
        QVERIFY(p.chkToutes->isChecked());
        QVERIFY(!modBD::LireTarif(m_avare));

        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Non);
        p.cboPieces->setCurrentIndex(1);
        QCOMPARE(p.cboPieces->currentText(), QStringLiteral("Le Cid"));
        QVERIFY(!modBD::LireTarif(m_avare));
        QVERIFY(!p.chkToutes->isChecked());  // never carried to another play
        QCOMPARE(p.txtPrixEnfant->text(), QString());

        // Oui with a price refused: the error, and the window stays on the play.
        Toolkit::Test::Reinitialiser();
        QTest::keyClicks(p.txtPrixEnfant, QStringLiteral("abc"));
        QTest::keyClicks(p.txtPrixAdulte, QStringLiteral("4"));
        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Oui);
        p.cboPieces->setCurrentIndex(0);
        QCOMPARE(questions(), QStringList{QStringLiteral("Enregistrer les tarifs de Le Cid ?")});
        QVERIFY(Toolkit::Test::DernierMessage().texte.startsWith(QStringLiteral("Le prix enfant n'est pas valide")));
        QCOMPARE(p.cboPieces->currentText(), QStringLiteral("Le Cid"));
        QVERIFY(!modBD::LireTarif(m_cid));

        // Oui with valid prices: saved, then the other play is shown.
        p.txtPrixEnfant->setText(QStringLiteral("3"));
        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Oui);
        p.cboPieces->setCurrentIndex(0);
        QCOMPARE(p.cboPieces->currentText(), QStringLiteral("L'Avare"));
        QCOMPARE(modBD::LireTarif(m_cid)->enfant, 3.0);
        QCOMPARE(modBD::LireTarif(m_cid)->adulte, 4.0);
        QCOMPARE(p.lblTarifsEnregistres->text(), QStringLiteral("Tarifs enregistrés."));

        // A save by the button says so; nothing left to ask about.
        p.txtPrixEnfant->setText(QStringLiteral("7"));
        p.txtPrixAdulte->setText(QStringLiteral("11"));
        p.cmdEnregistrerTarifs_Click();
        QCOMPARE(p.lblTarifsEnregistres->text(), QStringLiteral("Tarifs enregistrés."));
        QVERIFY(!p.TarifsModifies());
        QTest::keyClicks(p.txtPrixAdulte, QStringLiteral("0"));
        QCOMPARE(p.lblTarifsEnregistres->text(), QString());  // the next change takes it away

        // Closing: Annuler keeps the window open, Non closes it without saving.
        p.show();
        Toolkit::Test::Reinitialiser();
        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Annuler);
        QVERIFY(!p.close());
        QVERIFY(p.isVisible());
        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Non);
        QVERIFY(p.close());
        QCOMPARE(questions().size(), 2);
        QCOMPARE(modBD::LireTarif(m_avare)->adulte, 11.0);
        // Nothing changed: closing asks nothing.
        frmPlacesTarifs q(m_principal.get());
        q.show();
        Toolkit::Test::Reinitialiser();
        QVERIFY(q.close());
        QVERIFY(questions().isEmpty());
    }
};

QTEST_MAIN(TestSoiree)
#include "tst_Soiree.moc"
