// The door at speed: the evening window driven from the keyboard, its refreshes under another
// program's lock, the door sale's seller and payment, the till's expected cash (cash rounding,
// refunds, earlier closings), the numbered closings and the report of them.
#include "Exportation.h"
#include "FctVar.h"
#include "LectureRapports.h"
#include "PageFermeture.h"
#include "Recu.h"
#include "ReglagesPoste.h"
#include "Tableau.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmCaisse.h"
#include "frmCommandes.h"
#include "frmMain.h"
#include "frmSoiree.h"
#include "modBD.h"
#include "modBD_Journal.h"
#include "modBD_Annulations.h"
#include "modBD_Caisse.h"
#include "modBD_Commandes.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using Toolkit::Reponse;

namespace {
// Cash rounding worked out another way than the program's: to the nearest multiple of 5.
qint64 ArrondiAttendu(qint64 c) { return c >= 0 ? (c + 2) / 5 * 5 : -((-c + 2) / 5 * 5); }
}  // namespace

class TestPorte : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::BaseTest> m_bd;
    std::unique_ptr<frmMain> m_principal;
    std::unique_ptr<QTemporaryDir> m_reglages;
    qint64 m_avare = 0, m_rep = 0, m_rep2 = 0;

    qint64 Commander(const QString& client, const QString& telephone, int enfants, int adultes, const QString& date = "2026-12-24") {
        modBD::Commande c{QStringLiteral("2026-12-01"), Montant::Centimes(1000), client, telephone, QStringLiteral("0"),
                          QStringLiteral("Alice"), {}, {}};
        c.lignes.append({QStringLiteral("L'Avare"), date, QString::number(enfants), QString::number(adultes), Montant::Centimes(1000),
                         QStringLiteral("Non")});
        return modBD::EnregistrerCommande(c).toLongLong();
    }
    // A door sale paid at a station, straight through the data store.
    qint64 Vendre(qint64 centimes, modBD::ModePaiement mode, const QString& poste, const QString& date = "2026-12-24") {
        const QString cout = QString::number(static_cast<double>(centimes) / 100.0, 'f', 2).replace('.', ',');
        return modBD::EnregistrerVentePortePayee(QStringLiteral("L'Avare"), date, QStringLiteral("0"), QStringLiteral("1"), cout,
                                                 QStringLiteral("Alice"), QStringLiteral("2026-12-24"), {mode, QString(), poste})
            .toLongLong();
    }
    void Annuler(qint64 noClient) {
        QVERIFY(modBD::AnnulerCommande(noClient, QStringLiteral("2026-12-24"), QStringLiteral("remboursée")) ==
                modBD::ResultatAnnulation::Fait);
    }

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        FctVar::DefinirHorloge([] { return QDate(2026, 12, 24); });
        m_reglages = std::make_unique<QTemporaryDir>();
        ReglagesPoste::DefinirFichier(m_reglages->filePath(QStringLiteral("poste.ini")));
        ReglagesPoste::DefinirNomLigneCommande(QStringLiteral("Porte-A"));
        m_bd = std::make_unique<TestSupport::BaseTest>();
        m_avare = m_bd->AjouterPiece(QStringLiteral("L'Avare"));
        m_rep = m_bd->AjouterRepresentation(m_avare, QStringLiteral("2026-12-24"));
        m_rep2 = m_bd->AjouterRepresentation(m_avare, QStringLiteral("2026-12-25"));
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
        ReglagesPoste::DefinirNomLigneCommande(QString());
    }

    // Canadian cash rounding, both ways, and the count's stored form read back.
    void arrondiEtComptage() {
        const QList<std::pair<qint64, qint64>> cas = {{0, 0},     {1, 0},     {2, 0},       {3, 5},      {4, 5},   {5, 5},
                                                      {6, 5},     {7, 5},     {8, 10},      {9, 10},     {1001, 1000}, {1238, 1240},
                                                      {-3, -5},   {-7, -5},   {-1999, -2000}, {-12, -10}};
        for (const auto& [avant, apres] : cas) QCOMPARE(modBD::ArrondiEspeces(avant), apres);
        QCOMPARE(modBD::CentimesDepuisMontant(12.345), qint64(1235));
        QCOMPARE(modBD::CentimesDepuisMontant(0.1 + 0.2), qint64(30));
        QCOMPARE(modBD::CentimesDepuisMontant(-1.005), qint64(-101));
        QString detail = QStringLiteral("100:0;50:1;20:2;10:0;5:0;2:3;1:0;0,25:4;0,10:0;0,05:1");
        const std::optional<modBD::Comptage> c = modBD::Comptage::DepuisDetail(detail);
        QVERIFY(c);
        QCOMPARE(c->Total(), qint64(5000 + 4000 + 600 + 100 + 5));
        QCOMPARE(c->Detail(), detail);
        QVERIFY(!modBD::Comptage::DepuisDetail(QStringLiteral("100:0;50:1")));
        QVERIFY(!modBD::Comptage::DepuisDetail(detail.replace(QStringLiteral("50:1"), QStringLiteral("50:-1"))));
    }

    // A door sale's payment is written with its order, in its transaction; an advance order has none.
    void paiementAvecSaCommande() {
        frmSoiree s(m_principal.get());
        QVERIFY(s.VendreALaPorte(QStringLiteral("0"), QStringLiteral("2"), QStringLiteral("30"), QStringLiteral("Alice"),
                                 QStringLiteral("Chèque"), QStringLiteral(" 001234 ")));
        const qint64 vente = m_bd->Valeur(QStringLiteral("SELECT MAX(NoClient) FROM InfoClientReservation")).toLongLong();
        const std::optional<modBD::Paiement> p = modBD::LirePaiement(vente);
        QVERIFY(p);
        QCOMPARE(p->mode, modBD::ModePaiement::Cheque);
        QCOMPARE(p->reference, QStringLiteral("001234"));
        QCOMPARE(p->poste, QStringLiteral("Porte-A"));
        QVERIFY(s.VendreALaPorte(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("Alice"),
                                 QStringLiteral("Carte"), QStringLiteral("ignorée")));
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT Reference FROM PaiementCommande WHERE Mode = 'Carte'")).toString(), QString());
        // "Enregistrer" pressed again with the dialog's token (after a failure that came once the
        // order was written): the same sale, never a second one.
        const QString jeton = modBD::NouveauJeton();
        const qint64 avant = m_bd->Compter(QStringLiteral("InfoClientReservation"));
        for (int i = 0; i < 2; ++i)
            QVERIFY(s.VendreALaPorte(QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("15"), QStringLiteral("Alice"),
                                     QStringLiteral("Autre"), QString(), jeton));
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), avant + 1);
        QCOMPARE(m_bd->Compter(QStringLiteral("PaiementCommande")), qint64(3));
        const qint64 avance = Commander(QStringLiteral("Dupont"), QStringLiteral("555-0000"), 1, 1);
        QVERIFY(!modBD::LirePaiement(avance));
        QCOMPARE(m_bd->Compter(QStringLiteral("PaiementCommande")), qint64(3));

        // The payment refused: no order is left without it, nor anything of the sale.
        const qint64 suivant = avance + 1;
        m_bd->ExecuterAilleurs(QStringLiteral("INSERT INTO PaiementCommande (NoClient, Mode, Reference, Poste) VALUES (?, ?, '', '')"),
                               {suivant, QStringLiteral("Autre")});
        const qint64 commandes = m_bd->Compter(QStringLiteral("InfoClientReservation"));
        QVERIFY(!s.VendreALaPorte(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("20"), QStringLiteral("Alice")));
        QVERIFY(Toolkit::Test::DernierMessage().texte.startsWith(QStringLiteral("La vente à la porte n'a pas été enregistrée.")));
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), commandes);
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoReservation"), QStringLiteral("VentePorte <> 0")), qint64(3));
    }

    // No seller chosen at the station's first door sale; then the one it used last. The
    // confirmed orders' window, open meanwhile, shows each sale at once (the store says it).
    void vendeurDeLaPorte() {
        frmSoiree s(m_principal.get());
        frmCommandes commandes(nullptr);
        QCOMPARE(commandes.lstCommandes->topLevelItemCount(), 0);
        QStringList vus;
        const auto Vendre = [&](const QString& vendeur) {
            QTimer::singleShot(0, &s, [&] {
                auto* d = s.findChild<QDialog*>(QStringLiteral("dlgVentePorte"));
                QVERIFY(d);
                auto* cbo = d->findChild<QComboBox*>(QStringLiteral("cboVendeur"));
                vus << cbo->currentText();
                d->findChild<QLineEdit*>(QStringLiteral("txtNbAdultes"))->setText(QStringLiteral("1"));
                d->findChild<QLineEdit*>(QStringLiteral("txtCouts"))->setText(QStringLiteral("10"));
                QCOMPARE(TestSupport::Textes(d->findChild<QComboBox*>(QStringLiteral("cboPaiement"))),
                         (QStringList{"Espèces", "Carte", "Chèque", "Autre"}));
                if (!vendeur.isEmpty()) cbo->setCurrentIndex(cbo->findText(vendeur));
                QPushButton* enregistrer = nullptr;
                for (QPushButton* b : d->findChildren<QPushButton*>())
                    if (b->text() == QStringLiteral("Enregistrer")) enregistrer = b;
                enregistrer->click();
                if (d->isVisible()) d->reject();
            });
            s.cmdVentePorte_Click();
        };
        Vendre(QString());
        QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Choisissez le vendeur."));
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), qint64(0));
        Vendre(QStringLiteral("Bruno (C)"));
        Vendre(QString());
        QCOMPARE(vus, (QStringList{QString(), QString(), QStringLiteral("Bruno (C)")}));
        QCOMPARE(m_bd->Compter(QStringLiteral("InfoClientReservation")), qint64(2));
        QCOMPARE(m_bd->Compter(QStringLiteral("PaiementCommande"), QStringLiteral("Mode = 'Espèces'")), qint64(2));
        QCOMPARE(commandes.lstCommandes->topLevelItemCount(), 2);
        QCOMPARE(commandes.lstCommandes->topLevelItem(0)->text(frmCommandes::ColClient), QStringLiteral("Vente à la porte"));
    }

    // The window opens in the search field and stays there: Enter, digits of an order number,
    // arrows and the keypad's + and − from the field; a party already in changes nothing.
    void clavier() {
        const qint64 dupont = Commander(QStringLiteral("Dupont"), QStringLiteral("555-1111"), 1, 1);
        const qint64 durand = Commander(QStringLiteral("Durand"), QStringLiteral("555-2222"), 0, 3);
        const qint64 annulee = Commander(QStringLiteral("Dubois"), QStringLiteral("555-3333"), 0, 5);
        // Another party whose phone holds Durand's number: the number still finds Durand first.
        Commander(QStringLiteral("Albert"), QStringLiteral("9%1").arg(durand), 0, 1);
        Annuler(annulee);
        frmSoiree s(m_principal.get());
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        QCOMPARE(s.focusWidget(), s.txtRecherche);
        QCOMPARE(s.lblVendusAvance->text(), QStringLiteral("6"));  // the cancelled order counted nowhere
        QCOMPARE(s.lstParties->topLevelItemCount(), 3);
        const int rangSoiree = s.cboRepresentation->currentIndex();
        QTest::keyClicks(s.cboRepresentation, QStringLiteral("l"));
        QTest::keyClick(s.cboRepresentation, Qt::Key_Down);
        QCOMPARE(s.cboRepresentation->currentIndex(), rangSoiree);

        QTest::keyClicks(s.txtRecherche, QStringLiteral("DU"));
        QCOMPARE(s.PartieChoisie(), std::optional<qint64>(dupont));
        QTest::keyClick(s.txtRecherche, Qt::Key_Down);
        QCOMPARE(s.PartieChoisie(), std::optional<qint64>(durand));
        QTest::keyClick(s.txtRecherche, Qt::Key_Up);
        QTest::keyClick(s.txtRecherche, Qt::Key_Return);
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT NbArrives FROM ArriveeCommande WHERE NoClient = ?"), {dupont}).toLongLong(), 2);
        QCOMPARE(s.txtRecherche->text(), QString());
        QCOMPARE(s.lblArrives->text(), QStringLiteral("2"));

        QTest::keyClicks(s.txtRecherche, QString::number(durand));
        QCOMPARE(s.lstParties->topLevelItemCount(), 2);
        QCOMPARE(s.PartieChoisie(), std::optional<qint64>(durand));
        QTest::keyClick(s.txtRecherche, Qt::Key_Minus, Qt::KeypadModifier);  // nobody in yet: stays 0
        QTest::keyClick(s.txtRecherche, Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(s.lblArrives->text(), QStringLiteral("3"));
        QCOMPARE(s.txtRecherche->text(), QString::number(durand));  // the keypad's + typed nothing
        QTest::keyClick(s.txtRecherche, Qt::Key_Return);
        QCOMPARE(s.lblArrives->text(), QStringLiteral("5"));

        // Dupont again: nothing written, the status line says so.
        const QVariant avant = m_bd->Valeur(QStringLiteral("SELECT DateArrivee FROM ArriveeCommande WHERE NoClient = ?"), {dupont});
        QTest::keyClicks(s.txtRecherche, QString::number(dupont));
        QTest::keyClick(s.txtRecherche, Qt::Key_Enter);
        QCOMPARE(s.lblEtat->text(), QStringLiteral("Déjà arrivé : Dupont (2 / 2)"));
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT DateArrivee FROM ArriveeCommande WHERE NoClient = ?"), {dupont}), avant);
        QCOMPARE(s.txtRecherche->text(), QString());

        // Escape empties the field; a click on a button gives the focus back to it.
        QTest::keyClicks(s.txtRecherche, QStringLiteral("dur"));
        QTest::keyClick(s.txtRecherche, Qt::Key_Escape);
        QCOMPARE(s.txtRecherche->text(), QString());
        QVERIFY(s.ChoisirPartie(durand));
        QTest::mouseClick(s.cmdMoins, Qt::LeftButton);
        QCOMPARE(s.lblArrives->text(), QStringLiteral("4"));
        QCOMPARE(s.focusWidget(), s.txtRecherche);
        QTest::keyClicks(s.txtRecherche, QStringLiteral("d"));
        QCOMPARE(s.cboRepresentation->currentIndex(), rangSoiree);

        // Seen from the door: all in, partly in, nobody yet: three backgrounds.
        s.txtRecherche->clear();
        QTreeWidgetItem* tous = nullptr;
        QTreeWidgetItem* partie = nullptr;
        QTreeWidgetItem* aucun = nullptr;
        for (int i = 0; i < s.lstParties->topLevelItemCount(); ++i) {
            QTreeWidgetItem* it = s.lstParties->topLevelItem(i);
            const qint64 no = it->data(0, Qt::UserRole).toLongLong();
            (no == dupont ? tous : no == durand ? partie : aucun) = it;
        }
        QCOMPARE(tous->text(frmSoiree::ColArrives), QStringLiteral("2 / 2 ✓"));
        QCOMPARE(partie->text(frmSoiree::ColArrives), QStringLiteral("2 / 3"));
        QVERIFY(tous->background(0).color() != partie->background(0).color());
        QCOMPARE(aucun->background(0).style(), Qt::NoBrush);
        QVERIFY(s.lblArrives->font().pointSizeF() > s.lstParties->font().pointSizeF());
        TestSupport::Rendre(&s, QStringLiteral("frmSoiree_porte"));
    }

    // Another program holds the base: the window's refresh gives up quickly, says how old its
    // figures are, keeps answering, and catches up once the base is free.
    void actualisationSousVerrou() {
        Commander(QStringLiteral("Dupont"), QStringLiteral("555-1111"), 1, 1);
        frmSoiree s(m_principal.get());
        s.show();
        QCOMPARE(s.lblVendusAvance->text(), QStringLiteral("2"));
        auto verrou = std::make_unique<TestSupport::VerrouAutreProgramme>(*m_bd);
        QElapsedTimer montre;
        montre.start();
        const bool lu = s.Actualiser();
        QVERIFY2(montre.elapsed() < 1000, qPrintable(QString::number(montre.elapsed())));
        if (!TestSupport::SurServeur()) {
            QVERIFY(!lu);
            QVERIFY2(s.lblEtat->text().startsWith(QStringLiteral("Base occupée — chiffres d'il y a ")), qPrintable(s.lblEtat->text()));
            QCOMPARE(s.lblVendusAvance->text(), QStringLiteral("2"));
        }
        // 2.5 s under the lock with the window's own timer running: no gap longer than a short wait.
        QElapsedTimer ecart;
        ecart.start();
        qint64 plusLong = 0;
        QTimer battement;
        connect(&battement, &QTimer::timeout, &s, [&] {
            plusLong = std::max(plusLong, ecart.restart());
        });
        battement.start(10);
        QTest::qWait(2500);
        battement.stop();
        QVERIFY2(plusLong < 600, qPrintable(QString::number(plusLong)));
        verrou.reset();
        Commander(QStringLiteral("Durand"), QStringLiteral("555-2222"), 0, 3);
        QTRY_COMPARE_WITH_TIMEOUT(s.lblVendusAvance->text(), QStringLiteral("5"), 4000);
        QCOMPARE(s.lblEtat->text(), QString());
        QCOMPARE(Toolkit::Test::Messages().size(), 0);
    }

    // 1,000 door sales at two stations in all modes, some refunded: the expected cash and the
    // totals exact to the cent against a count made here; a refund after a closing belongs
    // to the next closing, which is numbered after the first; a closing is never changed.
    void milleVentesEtFermetures() {
        QRandomGenerator alea(27);
        const QList<modBD::ModePaiement> modes{modBD::ModePaiement::Especes, modBD::ModePaiement::Carte, modBD::ModePaiement::Cheque,
                                               modBD::ModePaiement::Autre};
        struct Vente { qint64 no, centimes; modBD::ModePaiement mode; QString poste; };
        QList<Vente> ventes;
        // Written as the door sale writes them, in one transaction to keep the test short.
        modBD::EnTransaction([&](modBD::Transaction& t) {
            modBD::AssurerTable(modBD::kTablePaiements);
            for (int i = 0; i < 1000; ++i) {
                const Vente v{0, alea.bounded(1, 20000), modes.at(alea.bounded(4)), alea.bounded(3) == 0 ? "Porte-B" : "Porte-A"};
                const QString no = modBD::AjouterInfoClientReservation(QStringLiteral("2026-12-24"), QStringLiteral("0"),
                                                                       QStringLiteral("Vente à la porte"), QString(), QStringLiteral("0"));
                QString vendeur = QStringLiteral("Alice");
                modBD::AjouterInfoReservation(no, QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), QStringLiteral("0"),
                                              QStringLiteral("1"), QString::number(static_cast<double>(v.centimes) / 100.0, 'f', 2).replace('.', ','),
                                              QStringLiteral("Oui"), vendeur);
                modBD::Executer(QStringLiteral("INSERT INTO PaiementCommande (NoClient, Mode, Reference, Poste) VALUES (?, ?, '', ?)"),
                                {no.toLongLong(), modBD::TexteMode(v.mode), v.poste});
                ventes.append({no.toLongLong(), v.centimes, v.mode, v.poste});
            }
            t.Valider();
        });
        QSet<qint64> rembourses;
        for (int i = 0; i < 60; ++i) rembourses.insert(ventes.at(alea.bounded(1000)).no);
        for (qint64 no : std::as_const(rembourses)) Annuler(no);
        const auto Compter = [&](const QSet<qint64>& exclues, qint64& especes, qint64& arrondi, qint64& carte) {
            especes = arrondi = carte = 0;
            for (const Vente& v : std::as_const(ventes)) {
                if (v.poste != QLatin1String("Porte-A") || exclues.contains(v.no)) continue;
                if (v.mode == modBD::ModePaiement::Especes) {
                    especes += ArrondiAttendu(v.centimes);
                    arrondi += ArrondiAttendu(v.centimes) - v.centimes;
                } else if (v.mode == modBD::ModePaiement::Carte) {
                    carte += v.centimes;
                }
            }
        };
        qint64 especes = 0, arrondi = 0, carte = 0;
        Compter(rembourses, especes, arrondi, carte);
        QElapsedTimer montre;
        montre.start();
        const modBD::EtatCaisse e = modBD::CalculerCaisse(m_rep, QStringLiteral("Porte-A"), 15000);
        qInfo("Espèces attendues sur 1 000 ventes : %lld ms", static_cast<long long>(montre.elapsed()));
        QCOMPARE(e.attendues(), 15000 + especes);
        QCOMPARE(e.arrondi, arrondi);
        QCOMPARE(e.carte, carte);

        modBD::Comptage compte;
        compte.nombres.at(0) = (15000 + especes) / 10000;
        const modBD::FermetureCaisse f1 = modBD::FermerCaisse(m_rep, QStringLiteral("Porte-A"), 15000, compte, QStringLiteral("soir"));
        QCOMPARE(f1.especesAttendues, 15000 + especes);
        QCOMPARE(f1.ecart, compte.Total() - f1.especesAttendues);
        const QVariant ligne1 = m_bd->Valeur(QStringLiteral("SELECT EspecesAttendues || '|' || EspecesComptees || '|' || Ecart || '|' || "
                                                            "Carte || '|' || Detail FROM FermetureCaisse WHERE NoFermeture = ?"),
                                             {f1.noFermeture});

        // After the closing: two new cash sales, and a cash sale of before refunded.
        qint64 rembourseApres = 0;
        for (const Vente& v : std::as_const(ventes))
            if (v.poste == QLatin1String("Porte-A") && v.mode == modBD::ModePaiement::Especes && !rembourses.contains(v.no)) {
                Annuler(v.no);
                rembourseApres = ArrondiAttendu(v.centimes);
                break;
            }
        Vendre(1003, modBD::ModePaiement::Especes, QStringLiteral("Porte-A"));
        Vendre(2008, modBD::ModePaiement::Especes, QStringLiteral("Porte-A"));
        Vendre(777, modBD::ModePaiement::Carte, QStringLiteral("Porte-A"));
        const modBD::EtatCaisse e2 = modBD::CalculerCaisse(m_rep, QStringLiteral("Porte-A"), 5000);
        QCOMPARE(e2.attendues(), 5000 + 1005 + 2010 - rembourseApres);
        QCOMPARE(e2.carte, qint64(777));
        const modBD::FermetureCaisse f2 = modBD::FermerCaisse(m_rep, QStringLiteral("Porte-A"), 5000, {}, QString());
        QVERIFY(f2.noFermeture > f1.noFermeture);
        QCOMPARE(f2.especesAttendues, 5000 + 1005 + 2010 - rembourseApres);
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT EspecesAttendues || '|' || EspecesComptees || '|' || Ecart || '|' || "
                                             "Carte || '|' || Detail FROM FermetureCaisse WHERE NoFermeture = ?"),
                              {f1.noFermeture}),
                 ligne1);
        // Nothing left to take: a third closing expects its float alone.
        QCOMPARE(modBD::CalculerCaisse(m_rep, QStringLiteral("Porte-A"), 1000).attendues(), qint64(1000));
        QCOMPARE(modBD::ListeFermetures(m_rep).size(), 2);
        QCOMPARE(modBD::ListeFermetures(m_rep2).size(), 0);
        // Each closing is journaled in its own transaction, by number.
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT COUNT(*) FROM JournalOperation WHERE Action = 'Caisse fermée' AND Objet = ?"),
                              {QStringLiteral("Fermeture %1").arg(f2.noFermeture)})
                     .toInt(),
                 1);
    }

    // The till window: the float kept by the station until the closing, the count as typed,
    // the difference in red, the question asked, the closing listed and its page written.
    void fenetreCaisse() {
        Vendre(1234, modBD::ModePaiement::Especes, QStringLiteral("Porte-A"));  // 12,35 $ in cash
        Vendre(1000, modBD::ModePaiement::Cheque, QStringLiteral("Porte-A"));
        Vendre(999, modBD::ModePaiement::Especes, QStringLiteral("Porte-B"));  // another station's drawer
        const modBD::RepresentationSoiree r{m_rep, m_avare, QStringLiteral("L'Avare"), QStringLiteral("2026-12-24")};
        {
            frmCaisse c(nullptr, r);
            QCOMPARE(c.windowTitle(), QStringLiteral("Caisse de la soirée"));
            QCOMPARE(c.txtPoste->text(), QStringLiteral("Porte-A"));
            c.txtFondCaisse->setText(QStringLiteral("100"));
        }
        frmCaisse c(nullptr, r);
        QCOMPARE(c.txtFondCaisse->text(), QStringLiteral("100"));  // kept by the station
        QCOMPARE(c.lblEspecesAttendues->text(), QStringLiteral("112,35 $"));
        QCOMPARE(c.lblArrondi->text(), QStringLiteral("0,01 $"));
        QCOMPARE(c.lblCheque->text(), QStringLiteral("10,00 $"));
        c.txtCoupures.at(0)->setText(QStringLiteral("1"));  // 100 $
        c.txtCoupures.at(3)->setText(QStringLiteral("1"));  // 10 $
        c.txtCoupures.at(5)->setText(QStringLiteral("1"));  // 2 $
        c.txtCoupures.at(7)->setText(QStringLiteral("1"));  // 0,25 $
        QCOMPARE(c.lblTotalCompte->text(), QStringLiteral("112,25 $"));
        QCOMPARE(c.lblEcart->text(), QStringLiteral("-0,10 $"));
        QCOMPARE(c.lblEcart->palette().color(QPalette::WindowText), QColor(200, 0, 0));
        c.txtCoupures.at(8)->setText(QStringLiteral("1"));  // 0,10 $
        QCOMPARE(c.lblEcart->text(), QStringLiteral("0,00 $"));
        QVERIFY(c.lblEcart->palette().color(QPalette::WindowText) != QColor(200, 0, 0));
        TestSupport::Rendre(&c, QStringLiteral("frmCaisse"));

        Toolkit::Test::RepondreProchain(Reponse::Non);
        QVERIFY(!c.cmdFermerCaisse_Click());
        const Toolkit::Message question = Toolkit::Test::DernierMessage();
        QCOMPARE(question.titre, QStringLiteral("Fermeture de caisse"));
        QCOMPARE(question.texte, QStringLiteral("Fermer la caisse du poste Porte-A pour L'Avare le 2026-12-24 ? Elle ne pourra plus être modifiée."));
        QCOMPARE(question.icone, Toolkit::Icone::Question);
        QCOMPARE(question.defaut, Reponse::Non);
        QVERIFY(modBD::ListeFermetures(m_rep).isEmpty());

        QTemporaryDir dossier;
        // Kept beside the windows' pictures on the file run.
        QDir().mkpath(QStringLiteral(CORV_RENDU_DIR));
        const QString pdf = TestSupport::SurServeur() ? dossier.filePath(QStringLiteral("fermeture.pdf"))
                                                      : QDir(QStringLiteral(CORV_RENDU_DIR)).filePath(QStringLiteral("fermeture-caisse.pdf"));
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        Toolkit::Test::RepondreFichierProchain(pdf);
        QVERIFY(c.cmdFermerCaisse_Click());
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT Detail FROM FermetureCaisse")).toString(),
                 QStringLiteral("100:1;50:0;20:0;10:1;5:0;2:1;1:0;0,25:1;0,10:1;0,05:0"));
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT FondCaisse || '|' || EspecesAttendues || '|' || EspecesComptees || '|' || Ecart "
                                             "|| '|' || Cheque FROM FermetureCaisse")).toString(),
                 QStringLiteral("10000|11235|11235|0|1000"));
        QCOMPARE(c.lstFermetures->topLevelItemCount(), 1);
        QVERIFY(!ReglagesPoste::FondCaisse(m_rep, QStringLiteral("Porte-A")));  // the next closing takes a new float
        QCOMPARE(c.lblEspecesAttendues->text(), QStringLiteral("0,00 $"));
        const QString texte = LectureRapports::SansBlancs(LectureRapports::Pdftotext(pdf));
        for (const QString& attendu : {QStringLiteral("Fermeturedecaissen°1"), QStringLiteral("Poste:Porte-A"),
                                       QStringLiteral("Espècesattendues:112,35$"), QStringLiteral("Arrondidesespèces:0,01$"),
                                       QStringLiteral("Signaturedutémoin")})
            QVERIFY2(texte.contains(attendu), qPrintable(attendu + " / " + texte));
        // The journal's last print, with the closing's own row, anchors the chain on the signed page.
        QVERIFY(!modBD::AncreJournal().isEmpty());
        QVERIFY2(texte.contains(QStringLiteral("Journal:") + modBD::AncreJournal()), qPrintable(texte));
    }

    // The report of every closing against figures worked by hand, filtered by play and date.
    void rapportCaisse() {
        Vendre(2000, modBD::ModePaiement::Especes, QStringLiteral("Porte-A"));
        Vendre(1500, modBD::ModePaiement::Carte, QStringLiteral("Porte-A"));
        Vendre(1001, modBD::ModePaiement::Especes, QStringLiteral("Porte-B"), QStringLiteral("2026-12-25"));
        modBD::Comptage a;
        a.nombres.at(2) = 2;  // 2 × 20 $ = 40 $ for 20 $ of float and 20 $ of sales
        modBD::FermerCaisse(m_rep, QStringLiteral("Porte-A"), 2000, a, QString());
        modBD::Comptage b;
        b.nombres.at(3) = 2;  // 20 $ counted against 10 $ + 10,00 $ expected (10,01 rounded down)
        b.nombres.at(9) = 1;  // and 0,05 $ too many
        modBD::FermerCaisse(m_rep2, QStringLiteral("Porte-B"), 1000, b, QStringLiteral("pièce trouvée"));
        const Rapports::Tableau t = Rapports::Produire(Rapports::Rapport::Caisse, {}, QString());
        const QList<QStringList> lignes = LectureRapports::Donnees(t);
        QCOMPARE(lignes.size(), 2);
        QCOMPARE(lignes.at(0).mid(2), (QStringList{"L'Avare", "2026-12-24", "Porte-A", "20,00", "40,00", "40,00", "0,00", "15,00",
                                                   "0,00", "0,00"}));
        QCOMPARE(lignes.at(1).mid(2), (QStringList{"L'Avare", "2026-12-25", "Porte-B", "10,00", "20,00", "20,05", "0,05", "0,00",
                                                   "0,00", "0,00"}));
        QCOMPARE(LectureRapports::Textes(t, t.lignes.last()).mid(5),
                 (QStringList{"30,00", "60,00", "60,05", "0,05", "15,00", "0,00", "0,00"}));
        QTemporaryDir dossier;
        const QString csv = dossier.filePath(QStringLiteral("caisse.csv"));
        Rapports::Exporter(t, Rapports::Format::Csv, csv);
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readLine()).remove(QChar(0xFEFF)).trimmed(),
                 QStringLiteral("Fermeture;Date;Pièce;Représentation;Poste;Fonds de caisse;Espèces attendues;Espèces comptées;"
                                "Écart;Carte;Chèque;Autre"));
        Rapports::Filtres filtre;
        filtre.piece = QStringLiteral("L'Avare");
        filtre.representation = QStringLiteral("2026-12-25");
        QCOMPARE(LectureRapports::Donnees(Rapports::Produire(Rapports::Rapport::Caisse, filtre, QString())).size(), 1);
        Rapports::Filtres dates;
        dates.du = QDate::currentDate().addDays(1);
        QCOMPARE(LectureRapports::Donnees(Rapports::Produire(Rapports::Rapport::Caisse, dates, QString())).size(), 0);

        // The evening's closing page: door takings by mode, and the closing.
        const QList<QStringList> cloture = LectureRapports::Donnees(
            Rapports::Produire(Rapports::Rapport::Soiree, {QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), {}, {}, {}}, QString()));
        QVERIFY(cloture.contains(QStringList{"Recettes de la porte", "Espèces", "1", "", "20,00"}));
        QVERIFY(cloture.contains(QStringList{"Recettes de la porte", "Carte", "1", "", "15,00"}));
        QVERIFY(cloture.contains(QStringList{"Fermeture de caisse n° 1", "Espèces comptées", "", "", "40,00"}));
    }

    // A server restarted under the window: the status line says it is away, without a message
    // box, and the counters run again within 5 s of its return.
    void serveurRedemarre() {
        if (!TestSupport::SurServeur()) QSKIP("server only");
        m_principal.reset();
        m_bd.reset();
        TestSupport::ServeurPrive prive;
        m_bd = std::make_unique<TestSupport::BaseTest>();
        m_avare = m_bd->AjouterPiece(QStringLiteral("L'Avare"));
        m_rep = m_bd->AjouterRepresentation(m_avare, QStringLiteral("2026-12-24"));
        m_bd->AjouterVendeur(QStringLiteral("Alice"));
        m_principal = std::make_unique<frmMain>();
        QVERIFY(m_principal->Form_Load());
        Commander(QStringLiteral("Dupont"), QStringLiteral("555-1111"), 1, 1);
        {
            frmSoiree s(m_principal.get());
            s.show();
            QCOMPARE(s.lblVendusAvance->text(), QStringLiteral("2"));
            Toolkit::Test::Reinitialiser();
            prive.Suspendre();
            QTRY_VERIFY_WITH_TIMEOUT(s.lblEtat->text().startsWith(QStringLiteral("Serveur injoignable — chiffres d'il y a ")), 8000);
            QCOMPARE(s.lblVendusAvance->text(), QStringLiteral("2"));
            prive.Reprendre();
            m_bd->ExecuterAilleurs(QStringLiteral("UPDATE InfoReservation SET NbAdulte = 5"));
            QElapsedTimer montre;
            montre.start();
            QTRY_COMPARE_WITH_TIMEOUT(s.lblVendusAvance->text(), QStringLiteral("6"), 5000);
            qInfo("Fenêtre de nouveau à jour %lld ms après le retour du serveur", static_cast<long long>(montre.elapsed()));
            QCOMPARE(s.lblEtat->text(), QString());
            QCOMPARE(Toolkit::Test::Messages().size(), 0);
        }
        m_principal.reset();  // before the private server goes
        m_bd.reset();
    }

    // The receipt's number as Code 128 under it, read back from the printed page as a door
    // reader would; those digits and Enter check the party in.
    void codeBarresDuRecu() {
        const qint64 no = Commander(QStringLiteral("Lemieux"), QStringLiteral("555-4444"), 1, 2);
        Rapports::Recu recu;
        recu.numero = no + 40210;  // five digits, as after a few seasons
        recu.date = QStringLiteral("2026-12-01");
        recu.client = QStringLiteral("Lemieux");
        recu.lignes.append({QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), 1, 2, Montant::Centimes(1000), false});
        QTemporaryDir dossier;
        const QString pdf = dossier.filePath(QStringLiteral("recu.pdf"));
        Rapports::ExporterRecuPdf(recu, pdf);
        QProcess image;
        image.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("150"),
                                                 QStringLiteral("-singlefile"), pdf, dossier.filePath(QStringLiteral("recu"))});
        QVERIFY(image.waitForFinished(30000));
        QProcess lecteur;
        lecteur.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), dossier.filePath(QStringLiteral("recu.png"))});
        QVERIFY(lecteur.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(lecteur.readAllStandardOutput()).trimmed(), QString::number(no + 40210));

        frmSoiree s(m_principal.get());
        QTest::keyClicks(s.txtRecherche, QString::number(no));
        QTest::keyClick(s.txtRecherche, Qt::Key_Return);
        QCOMPARE(m_bd->Valeur(QStringLiteral("SELECT NbArrives FROM ArriveeCommande WHERE NoClient = ?"), {no}).toLongLong(), 3);
    }
};

QTEST_MAIN(TestPorte)
#include "tst_Porte.moc"
