// Several stations on one base, seen from one station's windows: lists that follow what another
// station commits, a confirmation done exactly once whatever happens to the answer of its
// commit, a session lost behind the program's back, and what the clerk reads when the base
// could not be written.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmMain.h"
#include "frmRapports.h"
#include "frmTransaction.h"
#include "modBD.h"
#include "modBD_Catalogue.h"
#include "modBD_Commandes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QAccessible>
#include <QAbstractItemView>
#include <QTest>
#include <QTreeWidget>

#include <atomic>
#include <thread>

namespace {
// Counts the paint events of a widget.
class CompteurPeintures : public QObject {
public:
    std::atomic<int> n{0};
protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::Paint) ++n;
        return QObject::eventFilter(objet, evenement);
    }
};

void UtiliserListe(QWidget* liste) {
    QFocusEvent e(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(liste, &e);
}

modBD::Commande UneCommande() {
    modBD::Commande c;
    c.dateReservation = QStringLiteral("2026-12-07");
    c.montantTotal = Montant::Centimes(2500);
    c.nomClient = QStringLiteral("Tremblay");
    c.nbForfaits = QStringLiteral("0");
    c.nomVendeur = QStringLiteral("Bob");
    c.lignes.append({QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"), QStringLiteral("0"), QStringLiteral("2"),
                     Montant::Centimes(2500), QStringLiteral("Non")});
    return c;
}

void Catalogue(TestSupport::BaseTest& bd) {
    bd.AjouterRepresentation(bd.AjouterPiece(QStringLiteral("L'Avare")), QStringLiteral("2026-12-24"));
    bd.AjouterVendeur(QStringLiteral("Bob"));
}

// What a station does after changing a list (the program's own writes send it).
void SignalerAilleurs(const TestSupport::BaseTest& bd) {
    if (TestSupport::SurServeur()) bd.ExecuterAilleurs(QStringLiteral("SELECT pg_notify('corvandelle_listes', '')"));
}

// Commits wait for a standby that never comes: the server holds the answer to every commit
// of this program's session until the setting is reset.
void RetenirValidations() {
    modBD::Executer(QStringLiteral("SET synchronous_commit = on"));
    TestSupport::ExecuterSurServeur(QStringLiteral("ALTER SYSTEM SET synchronous_standby_names = 'fantome'"));
    TestSupport::ExecuterSurServeur(QStringLiteral("SELECT pg_reload_conf()"));
}

void RemplirCommande(frmMain& f) {
    f.txtNomClient->setText(QStringLiteral("Tremblay"));
    f.txtNbForfaits->setText(QStringLiteral("0"));
    QVERIFY(FctVar::AjouterLigneTransaction(*f.lstTransactions, QStringLiteral("L'Avare"), QStringLiteral("2026-12-24"),
                                            QStringLiteral("0"), QStringLiteral("2"), QStringLiteral("25"), QStringLiteral("0")));
    FctVar::CalculerMontantTotal(*f.lstTransactions, *f.lblMontantTotal);
}
}  // namespace

class TestStations : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        Toolkit::Test::Reinitialiser();
    }

    // A seller another station adds reaches this station's list when the clerk next uses it,
    // the current choice staying chosen; this station's own additions do not count as news.
    void vendeurAjouteAilleurs() {
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmMain f;
        QVERIFY(f.Form_Load());
        QCOMPARE(f.cboVendeur->currentText(), QStringLiteral("Bob"));

        const quint64 avant = modBD::VersionChangementsAilleurs();
        modBD::AjouterVendeur(QStringLiteral("Maison"), false);
        QCOMPARE(modBD::VersionChangementsAilleurs(), avant);

        bd.ExecuterAilleurs(QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)"),
                            {QStringLiteral("Aaron"), 0, QStringLiteral("AARON")});
        // What a station does after adding a seller (the program's own writes send it).
        if (TestSupport::SurServeur()) bd.ExecuterAilleurs(QStringLiteral("SELECT pg_notify('corvandelle_listes', '')"));
        // The server delivers the news a moment after the other commit: the clerk's next use.
        QTRY_COMPARE_WITH_TIMEOUT((UtiliserListe(f.cboVendeur), TestSupport::Textes(f.cboVendeur)),
                                  (QStringList{"Aaron", "Bob", "Maison"}), 3000);
        QCOMPARE(f.cboVendeur->currentText(), QStringLiteral("Bob"));

        // The chosen seller deleted elsewhere: nothing is chosen, rather than someone else.
        bd.ExecuterAilleurs(QStringLiteral("DELETE FROM Vendeur WHERE NomVendeur = ?"), {QStringLiteral("Bob")});
        if (TestSupport::SurServeur()) bd.ExecuterAilleurs(QStringLiteral("SELECT pg_notify('corvandelle_listes', '')"));
        QTRY_COMPARE_WITH_TIMEOUT((UtiliserListe(f.cboVendeur), TestSupport::Textes(f.cboVendeur)),
                                  (QStringList{"Aaron", "Maison"}), 3000);
        QCOMPARE(f.cboVendeur->currentIndex(), -1);
    }

    // A performance another station adds reaches the line dialog's date list, the date chosen
    // staying chosen; a chosen date deleted elsewhere leaves no date chosen.
    void dateAjouteeAilleurs() {
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmMain f;
        QVERIFY(f.Form_Load());
        frmTransaction d(&f, *f.lstTransactions, *f.lblMontantTotal);
        d.Form_Load();
        QCOMPARE(TestSupport::Textes(d.cboDatesPieces), QStringList{"2026-12-24"});
        QCOMPARE(d.cboDatesPieces->currentText(), QStringLiteral("2026-12-24"));

        bd.ExecuterAilleurs(QStringLiteral("INSERT INTO Representation (NoPiece, DateRepresentation) "
                                           "SELECT NoPiece, ? FROM Piece WHERE NomPiece = ?"),
                            {QStringLiteral("2026-12-31"), QStringLiteral("L'Avare")});
        SignalerAilleurs(bd);
        QTRY_COMPARE_WITH_TIMEOUT((UtiliserListe(d.cboDatesPieces), TestSupport::Textes(d.cboDatesPieces)),
                                  (QStringList{"2026-12-24", "2026-12-31"}), 3000);
        QCOMPARE(d.cboDatesPieces->currentText(), QStringLiteral("2026-12-24"));

        bd.ExecuterAilleurs(QStringLiteral("DELETE FROM Representation WHERE DateRepresentation = ?"), {QStringLiteral("2026-12-24")});
        SignalerAilleurs(bd);
        QTRY_COMPARE_WITH_TIMEOUT((UtiliserListe(d.cboDatesPieces), TestSupport::Textes(d.cboDatesPieces)),
                                  QStringList{"2026-12-31"}, 3000);
        QCOMPARE(d.cboDatesPieces->currentIndex(), -1);
    }

    // The report tool's filters follow too: a play, a performance and a seller added elsewhere
    // show when the filter is next used, the choices made staying made.
    void filtresDesRapportsSuivent() {
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmRapports r(bd.cheminBase());
        QVERIFY(r.Form_Load());
        r.cboPiece->setCurrentIndex(r.cboPiece->findText(QStringLiteral("L'Avare")));
        QCOMPARE(r.cboPiece->currentText(), QStringLiteral("L'Avare"));
        const int rapport = r.cboRapport->findText(QStringLiteral("Liste de la porte"));
        if (rapport >= 0) r.cboRapport->setCurrentIndex(rapport);
        const QString date = r.cboRepresentation->currentText();

        bd.ExecuterAilleurs(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)"),
                            {QStringLiteral("Zorba"), QStringLiteral("ZORBA")});
        bd.ExecuterAilleurs(QStringLiteral("INSERT INTO Representation (NoPiece, DateRepresentation) "
                                           "SELECT NoPiece, ? FROM Piece WHERE NomPiece = ?"),
                            {QStringLiteral("2026-12-31"), QStringLiteral("L'Avare")});
        bd.ExecuterAilleurs(QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)"),
                            {QStringLiteral("Zoé"), 0, QStringLiteral("ZOÉ")});
        SignalerAilleurs(bd);
        QTRY_VERIFY_WITH_TIMEOUT((UtiliserListe(r.cboPiece), TestSupport::Textes(r.cboPiece).contains(QStringLiteral("Zorba"))),
                                 3000);
        QCOMPARE(r.cboPiece->currentText(), QStringLiteral("L'Avare"));
        QVERIFY2(TestSupport::Textes(r.cboRepresentation).contains(QStringLiteral("2026-12-31")),
                 qPrintable(TestSupport::Textes(r.cboRepresentation).join(QLatin1Char('|'))));
        QCOMPARE(r.cboRepresentation->currentText(), date);
        QVERIFY(TestSupport::Textes(r.cboVendeur).contains(QStringLiteral("Zoé")));
    }

    // A list is refilled when its pop-up is about to show, whatever opens it: here a screen
    // reader, through the accessibility interface, with no click, key or focus on the box.
    static void OuvrirParAccessibilite(QComboBox* cbo, const QString& attendu) {
        QAccessibleInterface* acces = QAccessible::queryAccessibleInterface(cbo);
        QVERIFY(acces && acces->actionInterface());
        const auto ouvrir = [&] {
            cbo->hidePopup();
            acces->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
            QCoreApplication::processEvents();
            return TestSupport::Textes(cbo).contains(attendu);
        };
        QTRY_VERIFY_WITH_TIMEOUT(ouvrir(), 3000);
        QTRY_VERIFY(cbo->view()->isVisible());  // shown again, sized for the new entries
        cbo->hidePopup();
    }
    void listeOuverteParLecteurDEcran() {
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmMain f;
        QVERIFY(f.Form_Load());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        bd.ExecuterAilleurs(QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)"),
                            {QStringLiteral("Zoé"), 0, QStringLiteral("ZOÉ")});
        SignalerAilleurs(bd);
        OuvrirParAccessibilite(f.cboVendeur, QStringLiteral("Zoé"));
    }
    void listeDesRapportsOuverteParLecteurDEcran() {
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmRapports r(bd.cheminBase());
        QVERIFY(r.Form_Load());
        r.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r));
        bd.ExecuterAilleurs(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)"),
                            {QStringLiteral("Zorba"), QStringLiteral("ZORBA")});
        SignalerAilleurs(bd);
        OuvrirParAccessibilite(r.cboPiece, QStringLiteral("Zorba"));
    }

    // An order whose first confirmation was in fact written (its answer lost), then changed by
    // the clerk and confirmed again: the base keeps the first version only, the clerk is told
    // its number and that the changes are not in it, and they stay on screen; confirming once
    // more is then a new order.
    void commandeModifieeApresPremiereConfirmation() {
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmMain f;
        QVERIFY(f.Form_Load());
        RemplirCommande(f);
        // The first attempt refused (its performance gone a moment): the token stays with the order.
        bd.ExecuterAilleurs(QStringLiteral("UPDATE Representation SET DateRepresentation = ?"), {QStringLiteral("2026-12-23")});
        f.cmdConfirmerTransactions->click();
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const QString jeton = f.JetonEnCours();
        QVERIFY(!jeton.isEmpty());
        bd.ExecuterAilleurs(QStringLiteral("UPDATE Representation SET DateRepresentation = ?"), {QStringLiteral("2026-12-24")});
        // What a commit whose answer was lost leaves: the order and its token, as first confirmed.
        bd.ExecuterAilleurs(QStringLiteral("INSERT INTO InfoClientReservation (DateReservation, MontantTotal, NomClient, "
                                           "TelephoneClient, NbForfaits) VALUES ('2026-12-07', 25, 'Tremblay', '', 0)"));
        const qint64 premiere = bd.Valeur(QStringLiteral("SELECT MAX(NoClient) FROM InfoClientReservation")).toLongLong();
        modBD::EnTransaction([](modBD::Transaction& t) {
            modBD::AssurerTable(QStringLiteral("JetonOperation"));
            t.Valider();
        });
        bd.ExecuterAilleurs(QStringLiteral("INSERT INTO JetonOperation (Jeton, Numeros, DateJeton) VALUES (?, ?, ?)"),
                            {jeton, QString::number(premiere), QStringLiteral("2026-12-07T20:00:00")});

        f.txtNomClient->setText(QStringLiteral("Tremblay-Roy"));
        Toolkit::Test::Reinitialiser();
        f.cmdConfirmerTransactions->click();
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation")), qint64(1));
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const QString message = Toolkit::Test::DernierMessage().texte;
        QVERIFY2(message.contains(QStringLiteral("commande n° %1").arg(premiere)) &&
                     message.contains(QStringLiteral("les modifications faites depuis n'y sont pas")),
                 qPrintable(message));
        QCOMPARE(f.txtNomClient->text(), QStringLiteral("Tremblay-Roy"));
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 1);

        // The clerk chose to write the changed order too: a new order, with a new token.
        Toolkit::Test::Reinitialiser();
        f.cmdConfirmerTransactions->click();
        QCOMPARE(Toolkit::Test::Messages().size(), 0);
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation")), qint64(2));
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation"), QStringLiteral("NomClient = 'Tremblay-Roy'")), qint64(1));
    }

    // Confirming again with the same token writes nothing and answers the same number; a base
    // made before the token table gets it inside the first write.
    void jetonUneSeuleFois() {
        TestSupport::BaseTest bd;
        Catalogue(bd);
        if (TestSupport::SurServeur())
            TestSupport::ExecuterSurServeur(QStringLiteral("DROP TABLE IF EXISTS JetonOperation"), bd.baseServeur());
        else
            bd.ExecuterAilleurs(QStringLiteral("DROP TABLE IF EXISTS JetonOperation"));
        modBD::Commande c = UneCommande();
        c.jeton = modBD::NouveauJeton();
        const QString no = modBD::EnregistrerCommande(c);
        QCOMPARE(modBD::EnregistrerCommande(c), no);
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation")), qint64(1));
        QCOMPARE(bd.Compter(QStringLiteral("InfoReservation")), qint64(1));
        QCOMPARE(modBD::ResultatJeton(c.jeton), std::optional<QString>(no));

        // A refused order leaves no token behind: corrected, it is written under the same one.
        modBD::Commande refusee = UneCommande();
        refusee.jeton = modBD::NouveauJeton();
        refusee.nomVendeur = QStringLiteral("Personne");
        try {
            modBD::EnregistrerCommande(refusee);
            QFAIL("an order for an unknown seller was written");
        } catch (const modBD::ErreurBD& e) {
            QVERIFY(modBD::ContenuRefuse(e));
        }
        QCOMPARE(modBD::ResultatJeton(refusee.jeton), std::nullopt);
        refusee.nomVendeur = QStringLiteral("Bob");
        QVERIFY(modBD::EnregistrerCommande(refusee) != no);
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation")), qint64(2));
    }

    // A base that cannot be written is no fault of the order: the clerk is told to try again,
    // not to correct it; a refused order is still to be corrected.
    void messagesSelonLaCause() {
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmMain f;
        QVERIFY(f.Form_Load());
        RemplirCommande(f);
        {
            TestSupport::VerrouAutreProgramme verrou(bd);
            f.cmdConfirmerTransactions->click();
        }
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        const QString occupee = Toolkit::Test::DernierMessage().texte;
        QVERIFY2(occupee.contains(QStringLiteral("un autre poste ou l'outil de rapports")), qPrintable(occupee));
        QVERIFY2(occupee.contains(QStringLiteral("réessayez")) && !occupee.contains(QStringLiteral("corrigez")), qPrintable(occupee));
        QVERIFY(!occupee.contains(QStringLiteral("peut-être été fait")));
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation")), qint64(0));

        bd.ExecuterAilleurs(QStringLiteral("DELETE FROM Piece"));
        f.cmdConfirmerTransactions->click();
        QCOMPARE(Toolkit::Test::Messages().size(), 2);
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("corrigez-la")));
    }

    // The session is cut and the loss is first met by one of Qt's own statements: the next
    // action of the clerk works on a new session.
    void sessionCoupeeDerriere() {
        if (!TestSupport::SurServeur()) QSKIP("a server session only");
        TestSupport::BaseTest bd;
        Catalogue(bd);
        QSqlQuery pid = modBD::Executer(QStringLiteral("SELECT pg_backend_pid()"));
        QVERIFY(pid.next());
        TestSupport::ExecuterSurServeur(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid.value(0).toLongLong()));
        QTest::qWait(100);
        (void)modBD::Connexion().tables();
        QCOMPARE(modBD::ListeVendeurs().size(), 1);
        modBD::AjouterVendeur(QStringLiteral("Après"), false);
        QCOMPARE(bd.Compter(QStringLiteral("Vendeur")), qint64(2));
    }

    // The session is terminated after the server wrote the commit, before its answer came (a
    // synchronous standby that does not exist holds it): one order, and the clerk told its number.
    // A commit the server holds (a standby that never answers): the window repaints throughout,
    // no timer of the windows runs meanwhile (the base is busy), and after 10 s the wait is
    // cancelled; the server had kept the order, which is then the clerk's success, once.
    void validationRetenueParLeServeur() {
        if (!TestSupport::SurServeur()) QSKIP("a server session only");
        TestSupport::ServeurPrive serveur;
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmMain f;
        QVERIFY(f.Form_Load());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        RemplirCommande(f);
        RetenirValidations();

        CompteurPeintures peintures;
        f.lblMontantTotal->installEventFilter(&peintures);
        int tics = 0;
        QTimer minuterie;
        minuterie.setInterval(50);
        connect(&minuterie, &QTimer::timeout, this, [&] { ++tics; });
        minuterie.start();
        bool uneFois = false;  // a single-shot timer is only delayed
        QTimer::singleShot(200, &f, [&] { uneFois = true; });
        // Something to repaint every half second, asked from outside the waiting thread.
        std::atomic<bool> fini{false};
        std::thread demandeur([&] {
            while (!fini) {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                QMetaObject::invokeMethod(f.lblMontantTotal, [&f] { f.lblMontantTotal->update(); }, Qt::QueuedConnection);
            }
        });
        const int avant = peintures.n;
        QElapsedTimer chrono;
        chrono.start();
        f.cmdConfirmerTransactions->click();
        const qint64 duree = chrono.elapsed();
        const int pendant = peintures.n - avant;
        const int ticsPendant = tics;
        const bool uneFoisPendant = uneFois;
        fini = true;
        demandeur.join();
        minuterie.stop();
        TestSupport::ExecuterSurServeur(QStringLiteral("ALTER SYSTEM RESET synchronous_standby_names"));
        TestSupport::ExecuterSurServeur(QStringLiteral("SELECT pg_reload_conf()"));

        QVERIFY2(duree >= 9000 && duree < 25000, qPrintable(QString::number(duree)));
        QVERIFY2(pendant >= 8, qPrintable(QStringLiteral("%1 paints in %2 ms").arg(pendant).arg(duree)));
        QCOMPARE(ticsPendant, 0);
        QVERIFY(!uneFoisPendant);
        QTRY_VERIFY_WITH_TIMEOUT(uneFois, 2000);
        QCOMPARE(Toolkit::Test::Messages().size(), 0);
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation")), qint64(1));
        QVERIFY(f.TexteStatut().startsWith(QStringLiteral("Ajouté")));
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 0);
    }

    void confirmationCoupeeApresEcriture() {
        if (!TestSupport::SurServeur()) QSKIP("a server session only");
        TestSupport::ServeurPrive serveur;  // its settings change: the other test programs are not disturbed
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmMain f;
        try {
            QVERIFY(f.Form_Load());
        } catch (const modBD::ErreurBD& e) {
            QFAIL(qPrintable(e.message()));
        }
        RemplirCommande(f);
        RetenirValidations();

        std::atomic<int> coupees{0};
        const QString hote = QString::fromLocal8Bit(qgetenv("CORV_PG_HOTE"));
        const int port = qEnvironmentVariableIntValue("CORV_PG_PORT");
        std::thread coupeur([&] {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("coupeur"));
                db.setHostName(hote);
                db.setPort(port);
                db.setUserName(QStringLiteral("corv"));
                db.setDatabaseName(QStringLiteral("postgres"));
                if (db.open()) {
                    QSqlQuery q(db);
                    for (int i = 0; i < 250 && coupees == 0; ++i) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                        if (q.exec(QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                                  "WHERE wait_event = 'SyncRep'")) && q.next())
                            coupees = q.value(0).toInt();
                    }
                    q.exec(QStringLiteral("ALTER SYSTEM RESET synchronous_standby_names"));
                    q.exec(QStringLiteral("SELECT pg_reload_conf()"));
                }
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("coupeur"));
        });
        try {
            f.cmdConfirmerTransactions->click();
        } catch (const modBD::ErreurBD& e) {
            coupeur.join();
            QFAIL(qPrintable(e.message()));
        }
        coupeur.join();
        QCOMPARE(coupees.load(), 1);
        QCOMPARE(Toolkit::Test::Messages().size(), 0);
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation")), qint64(1));
        const qint64 no = bd.Valeur(QStringLiteral("SELECT NoClient FROM InfoClientReservation")).toLongLong();
        QCOMPARE(f.TexteStatut(), QStringLiteral("Ajouté (commande n° %1)").arg(no));
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 0);
    }

    // The answer to a commit lost while the server went away and stayed away: the order stays
    // on screen with its token in suspense. The server back, its performance deleted
    // meanwhile, confirming again gives the order's number: the unit was written, and the
    // token says so before anything of the order is checked again.
    void confirmationPerdueServeurAbsent() {
        if (!TestSupport::SurServeur()) QSKIP("a server session only");
        TestSupport::ServeurPrive serveur;
        TestSupport::BaseTest bd;
        Catalogue(bd);
        frmMain f;
        QVERIFY(f.Form_Load());
        RemplirCommande(f);
        RetenirValidations();
        std::atomic<bool> arrete{false};
        std::thread arreteur([&] {
            // The commit written and waiting for its standby: the server goes away there.
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("arreteur"));
                db.setHostName(QString::fromLocal8Bit(qgetenv("CORV_PG_HOTE")));
                db.setPort(qEnvironmentVariableIntValue("CORV_PG_PORT"));
                db.setUserName(QStringLiteral("corv"));
                db.setDatabaseName(QStringLiteral("postgres"));
                if (db.open()) {
                    QSqlQuery q(db);
                    for (int i = 0; i < 250 && !arrete; ++i) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                        arrete = q.exec(QStringLiteral("SELECT 1 FROM pg_stat_activity WHERE wait_event = 'SyncRep'")) && q.next();
                    }
                    q.exec(QStringLiteral("ALTER SYSTEM RESET synchronous_standby_names"));
                }
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("arreteur"));
            if (arrete) serveur.Suspendre();
        });
        f.cmdConfirmerTransactions->click();
        arreteur.join();
        QVERIFY(arrete.load());
        QCOMPARE(Toolkit::Test::Messages().size(), 1);
        QVERIFY2(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("elle ne le sera jamais deux fois")),
                 qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 1);

        serveur.Reprendre();
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation")), qint64(1));
        const qint64 no = bd.Valeur(QStringLiteral("SELECT NoClient FROM InfoClientReservation")).toLongLong();
        TestSupport::ExecuterSurServeur(QStringLiteral("DELETE FROM Representation"), bd.baseServeur());
        Toolkit::Test::Reinitialiser();
        f.cmdConfirmerTransactions->click();
        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QCOMPARE(f.TexteStatut(), QStringLiteral("Ajouté (commande n° %1)").arg(no));
        QCOMPARE(bd.Compter(QStringLiteral("InfoClientReservation")), qint64(1));
        QCOMPARE(f.lstTransactions->topLevelItemCount(), 0);
    }
};

QTEST_MAIN(TestStations)
#include "tst_Stations.moc"
