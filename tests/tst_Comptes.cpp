// Employees' accounts, roles checked by the data store itself, the sign-in lockout, and the
// chained journal of operations with its check.
#include "TestSupport.h"
#include "frmComptes.h"
#include "frmConnexion.h"
#include "frmJournal.h"
#include "modBD.h"
#include "modBD_Annulations.h"
#include "modBD_Catalogue.h"
#include "modBD_Commandes.h"
#include "modBD_Compagnie.h"
#include "modBD_Comptes.h"
#include "modBD_EffacementClient.h"
#include "modBD_Effacements.h"
#include "modBD_Journal.h"
#include "modBD_RechercheCommandes.h"
#include "modBD_Sauvegarde.h"
#include "modBD_Soiree.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {
const QByteArray kSecretAdmin = "Rideau-Rouge-2026";
const QByteArray kSecretPorte = "Billet-Porte-77";

QByteArray Mdp(const QByteArray& m) { return QByteArray(m.constData(), m.size()); }  // a copy the call may wipe

void CreerComptes() {
    QByteArray a = Mdp(kSecretAdmin);
    modBD::CreerCompte(QStringLiteral("Anne"), modBD::Role::Administration, a);
    QVERIFY(a.isEmpty());  // wiped
    modBD::DefinirSession(QStringLiteral("Anne"), modBD::Role::Administration);
    QByteArray p = Mdp(kSecretPorte);
    modBD::CreerCompte(QStringLiteral("Paul"), modBD::Role::Porte, p);
    modBD::FermerSession();
}

void Catalogue(TestSupport::BaseTest& base) {
    base.AjouterRepresentation(base.AjouterPiece(QStringLiteral("Le Cid")), QStringLiteral("2026-12-24"));
    base.AjouterVendeur(QStringLiteral("Bob"));
}

modBD::Commande UneCommande(const QString& client = QStringLiteral("Tremblay")) {
    modBD::Commande c;
    c.dateReservation = QStringLiteral("2026-12-07");
    c.montantTotal = Montant::Centimes(2500);
    c.nomClient = client;
    c.telephoneClient = QStringLiteral("418-555-0101");
    c.nbForfaits = QStringLiteral("0");
    c.nomVendeur = QStringLiteral("Bob");
    c.lignes.append({QStringLiteral("Le Cid"), QStringLiteral("2026-12-24"), QStringLiteral("0"), QStringLiteral("2"),
                     Montant::Centimes(2500), QStringLiteral("Non")});
    return c;
}

QString Refus(const std::function<void()>& ecriture) {
    try {
        ecriture();
    } catch (const modBD::ErreurBD& e) {
        return e.message();
    }
    return QString();
}

int Outil(const QStringList& arguments, QString* sortie = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(CORV_OUTIL_RAPPORTS), arguments);
    p.waitForFinished(60000);
    if (sortie) *sortie = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Answers the accounts window's question for the database administrator (on a server), or cancels it.
void RepondreAdministrateur(const QString& nom, bool accepter = true) {
    QTimer::singleShot(0, [=] {
        auto* dialogue = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialogue && dialogue->objectName() == QStringLiteral("frmAdministrateurBase"));
        dialogue->findChild<QLineEdit*>(QStringLiteral("txtAdministrateur"))->setText(nom);
        dialogue->findChild<QLineEdit*>(QStringLiteral("txtMotDePasseAdministrateur"))->setText(QStringLiteral("sans importance"));
        if (accepter) dialogue->accept();
        else dialogue->reject();
    });
}

QString Superutilisateur() { return qEnvironmentVariable("CORV_PG_UTILISATEUR"); }
}  // namespace

class TestComptes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        TestSupport::InitialiserProgrammeTest();
        modBD::DefinirCoutsMinimaux(true);
    }
    void init() {
        modBD::FermerSession();
        modBD::OublierEchecsConnexion();
        modBD::DefinirHorlogeConnexion({});
        modBD::DefinirDureeBlocage(60);
    }

    // No account: every write goes through as before, journaled under the computer's user name.
    void sansCompteRienNeChange() {
        TestSupport::BaseTest base;
        Catalogue(base);
        QVERIFY(!modBD::ComptesDefinis());
        const QString no = modBD::EnregistrerCommande(UneCommande());
        QCOMPARE(modBD::AjouterPiece(QStringLiteral("Tartuffe")), modBD::ResultatAjout::Ajoute);
        QCOMPARE(base.Compter(modBD::kTableJournal), qint64(2));
        const QList<modBD::Operation> ops = modBD::ListeOperations();
        QCOMPARE(ops.first().action, QStringLiteral("Pièce ajoutée"));  // newest first
        QCOMPARE(ops.last().objet, QStringLiteral("Commande %1").arg(no));
        QCOMPARE(ops.last().employe, modBD::EmployeSession());
        QVERIFY(!ops.last().employe.isEmpty());
        // The client's name and phone stay out of the journal.
        for (const modBD::Operation& o : ops)
            for (const QString& champ : {o.objet, o.detail})
                QVERIFY(!champ.contains(QStringLiteral("Tremblay")) && !champ.contains(QStringLiteral("555")));
    }

    // A role that may not write is refused by the data store itself, called directly, and
    // nothing of the refused write remains.
    void roleRefuseParLaBase() {
        TestSupport::BaseTest base;
        Catalogue(base);
        CreerComptes();
        QVERIFY(modBD::ComptesDefinis());
        // Nobody signed in: no write at all.
        QVERIFY(Refus([] { modBD::EnregistrerCommande(UneCommande()); }).contains(QStringLiteral("Aucun employé")));

        QByteArray p = Mdp(kSecretPorte);
        QCOMPARE(modBD::Connecter(QStringLiteral("paul"), p).issue, modBD::IssueConnexion::Reussie);
        QCOMPARE(modBD::EmployeSession(), QStringLiteral("Paul"));
        const qint64 journalAvant = base.Compter(modBD::kTableJournal);
        QCOMPARE(Refus([] { modBD::EnregistrerCommande(UneCommande()); }),
                 QStringLiteral("Action réservée à : Billetterie, Trésorerie, Administration. Rien n'a été enregistré."));
        QVERIFY(Refus([] { modBD::AjouterPiece(QStringLiteral("Tartuffe")); }).contains(QStringLiteral("Administration")));
        QVERIFY(Refus([] { modBD::EnregistrerNomCompagnie(QStringLiteral("Théâtre")); }).contains(QStringLiteral("réservée")));
        QVERIFY(Refus([] { modBD::EnregistrerCapacite(1, 100); }).contains(QStringLiteral("réservée")));
        QByteArray x = Mdp("Nouveau-Passe-1");
        QVERIFY(Refus([&] { modBD::CreerCompte(QStringLiteral("Zoé"), modBD::Role::Porte, x); }).contains(QStringLiteral("réservée")));
        QCOMPARE(base.Compter(QStringLiteral("InfoClientReservation")), qint64(0));
        QCOMPARE(base.Compter(QStringLiteral("Piece")), qint64(1));
        QCOMPARE(base.Compter(modBD::kTableComptes), qint64(2));
        QCOMPARE(base.Compter(modBD::kTableJournal), journalAvant);

        // The door is the door's: its sale goes through, and is journaled under its employee.
        const QString vente = modBD::EnregistrerVentePorte(QStringLiteral("Le Cid"), QStringLiteral("2026-12-24"),
                                                           QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("12"),
                                                           QStringLiteral("Bob"), QStringLiteral("2026-12-24"));
        QVERIFY(!vente.isEmpty());
        const modBD::Operation derniere = modBD::ListeOperations({.limite = 1}).first();
        QCOMPARE(derniere.employe, QStringLiteral("Paul"));
        QCOMPARE(derniere.action, QStringLiteral("Arrivée notée"));
        // A cancellation is the treasurer's.
        QVERIFY(Refus([&] { modBD::AnnulerCommande(vente.toLongLong(), QStringLiteral("2026-12-24"), QString()); })
                    .contains(QStringLiteral("Trésorerie, Administration")));

        QByteArray a = Mdp(kSecretAdmin);
        QCOMPARE(modBD::Connecter(QStringLiteral("ANNE"), a).issue, modBD::IssueConnexion::Reussie);
        QCOMPARE(modBD::AnnulerCommande(vente.toLongLong(), QStringLiteral("2026-12-24"), QString()),
                 modBD::ResultatAnnulation::Fait);
        QVERIFY(modBD::VerifierJournal().intact);
    }

    // Names unique blind to case and accents, the first account an administrator's, passwords
    // of 8 characters or more, and an administrator always left.
    void reglesDesComptes() {
        TestSupport::BaseTest base;
        QByteArray court = Mdp("court");
        QVERIFY(Refus([&] { modBD::CreerCompte(QStringLiteral("Anne"), modBD::Role::Administration, court); })
                    .contains(QStringLiteral("8 caractères")));
        QVERIFY(court.isEmpty());
        QByteArray m = Mdp(kSecretAdmin);
        QVERIFY(Refus([&] { modBD::CreerCompte(QStringLiteral("Paul"), modBD::Role::Porte, m); })
                    .contains(QStringLiteral("premier compte")));
        m = Mdp(kSecretAdmin);
        const qint64 anne = modBD::CreerCompte(QStringLiteral("Émile"), modBD::Role::Administration, m);
        modBD::DefinirSession(QStringLiteral("Émile"), modBD::Role::Administration);
        m = Mdp(kSecretAdmin);
        QVERIFY(Refus([&] { modBD::CreerCompte(QStringLiteral("  EMILE "), modBD::Role::Porte, m); })
                    .contains(QStringLiteral("déjà")));
        QVERIFY(Refus([&] { modBD::DefinirCompteActif(anne, false); }).contains(QStringLiteral("au moins un compte actif")));
        QVERIFY(Refus([&] { modBD::ChangerRoleCompte(anne, modBD::Role::Porte); }).contains(QStringLiteral("au moins un compte actif")));
        m = Mdp(kSecretPorte);
        const qint64 paul = modBD::CreerCompte(QStringLiteral("Paul"), modBD::Role::Porte, m);
        QVERIFY(Refus([&] { modBD::RenommerCompte(paul, QStringLiteral("émile")); }).contains(QStringLiteral("déjà")));
        modBD::RenommerCompte(paul, QStringLiteral("Paulo"));
        modBD::DefinirCompteActif(paul, false);
        QCOMPARE(modBD::NomsComptesActifs(), QStringList{QStringLiteral("Émile")});
        QByteArray p = Mdp(kSecretPorte);
        QCOMPARE(modBD::Connecter(QStringLiteral("Paulo"), p).issue, modBD::IssueConnexion::Refusee);  // inactive
        QStringList actions;
        for (const modBD::Operation& o : modBD::ListeOperations()) actions.prepend(o.action);
        QCOMPARE(actions, (QStringList{"Compte créé", "Compte créé", "Compte renommé", "Compte désactivé", "Connexion refusée"}));
    }

    // The password never lies in the base in clear: not in the file's bytes, not in a copy of it,
    // not in the journal; what is kept is an Argon2id string.
    void motDePasseJamaisEnClair() {
        TestSupport::BaseTest base;
        CreerComptes();
        QByteArray faux = Mdp("Mauvais-Passe-99");
        modBD::Connecter(QStringLiteral("Anne"), faux);
        const QString empreinte = base.Valeur(QStringLiteral("SELECT Empreinte FROM CompteEmploye WHERE Nom = 'Anne'")).toString();
        QVERIFY(empreinte.startsWith(QStringLiteral("$argon2id$")));
        QByteArray juste = Mdp(kSecretAdmin);
        QVERIFY(modBD::VerifierMotDePasse(empreinte, juste));
        QVERIFY(juste.isEmpty());
        for (const modBD::Operation& o : modBD::ListeOperations())
            QVERIFY(!(o.objet + o.detail).contains(QString::fromUtf8(kSecretAdmin)));
        if (TestSupport::SurServeur()) return;  // the server's files are not the program's
        modBD::FermerConnexion();
        const QString copie = QDir(base.dossier()).filePath(QStringLiteral("copie.mdb"));
        QVERIFY(QFile::copy(base.chemin(), copie));
        for (const QString& chemin : {base.chemin(), copie}) {
            QFile f(chemin);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray octets = f.readAll();
            for (const QByteArray& secret : {kSecretAdmin, kSecretPorte, QByteArray("Mauvais-Passe-99")}) {
                QVERIFY2(!octets.contains(secret), qPrintable(chemin));
                QVERIFY(!octets.contains(QString::fromUtf8(secret).toUtf8().toHex()));
            }
        }
        QVERIFY(modBD::OuvrirConnexion());
    }

    // Five wrong passwords for one name: that name waits (the wait injected), even with the right
    // password; other names do not; after the wait the right password opens the session.
    void blocageApresCinqEssais() {
        TestSupport::BaseTest base;
        CreerComptes();
        qint64 maintenant = 1'000'000;
        modBD::DefinirHorlogeConnexion([&] { return maintenant; });
        modBD::DefinirDureeBlocage(30);
        for (int i = 1; i <= 4; ++i) {
            QByteArray faux = Mdp("Mauvais-Passe-99");
            const modBD::ResultatConnexion r = modBD::Connecter(QStringLiteral("Anne"), faux);
            QCOMPARE(r.issue, modBD::IssueConnexion::Refusee);
            QCOMPARE(r.message, QStringLiteral("Nom ou mot de passe incorrect."));
        }
        QByteArray faux = Mdp("Mauvais-Passe-99");
        QCOMPARE(modBD::Connecter(QStringLiteral("Anne"), faux).message, QStringLiteral("Trop d'essais : réessayez dans 30 s."));
        maintenant += 10'500;
        QByteArray juste = Mdp(kSecretAdmin);
        const modBD::ResultatConnexion bloquee = modBD::Connecter(QStringLiteral("anne"), juste);
        QCOMPARE(bloquee.issue, modBD::IssueConnexion::Bloquee);
        QCOMPARE(bloquee.message, QStringLiteral("Trop d'essais : réessayez dans 20 s."));
        QVERIFY(juste.isEmpty());
        QVERIFY(!modBD::SessionOuverte());
        QByteArray autre = Mdp(kSecretPorte);
        QCOMPARE(modBD::Connecter(QStringLiteral("Paul"), autre).issue, modBD::IssueConnexion::Reussie);
        maintenant += 20'000;
        juste = Mdp(kSecretAdmin);
        QCOMPARE(modBD::Connecter(QStringLiteral("Anne"), juste).issue, modBD::IssueConnexion::Reussie);
        QCOMPARE(modBD::RoleSession(), modBD::Role::Administration);
        // Each failure is journaled; the wait itself writes nothing.
        QCOMPARE(base.Compter(modBD::kTableJournal, QStringLiteral("Action = 'Connexion refusée'")), qint64(5));
    }

    // The chain: a known row, then a changed, a deleted and an inserted row each found at the
    // first row whose recomputed chain differs.
    void empreinteConnue() {
        QCOMPARE(modBD::EmpreinteChainon(modBD::kEmpreinteInitiale, 1, QStringLiteral("2026-12-08 10:00:00.000"),
                                         QStringLiteral("guichet"), QStringLiteral("Anne"), QStringLiteral("Commande confirmée"),
                                         QStringLiteral("Commande 812"), QString()),
                 QStringLiteral("00d02e8f46176ac0cc97b5e13347efae0bd4f77ff7b1909a7985c95cba791161"));
        // Fields are delimited by their lengths: moving a character from one to the next shows.
        const auto h = [](const QString& a, const QString& b) {
            return modBD::EmpreinteChainon(modBD::kEmpreinteInitiale, 1, QString(), QString(), QString(), a, b, QString());
        };
        QVERIFY(h(QStringLiteral("ab"), QStringLiteral("c")) != h(QStringLiteral("a"), QStringLiteral("bc")));
    }

    void journalModifie_data() {
        QTest::addColumn<QString>("atteinte");
        QTest::addColumn<qint64>("fautive");
        QTest::newRow("changée") << "changee" << qint64(3);
        QTest::newRow("supprimée") << "supprimee" << qint64(4);
        QTest::newRow("insérée") << "inseree" << qint64(4);
        QTest::newRow("intact") << "" << qint64(0);
    }
    void journalModifie() {
        QFETCH(QString, atteinte);
        QFETCH(qint64, fautive);
        TestSupport::BaseTest base;
        Catalogue(base);
        for (int i = 0; i < 5; ++i) modBD::EnregistrerCommande(UneCommande());
        if (atteinte == QLatin1String("changee")) {
            base.ExecuterAilleurs(QStringLiteral("UPDATE JournalOperation SET Detail = '1 ligne(s), montant 2' WHERE NoOperation = 3"));
        } else if (atteinte == QLatin1String("supprimee")) {
            base.ExecuterAilleurs(QStringLiteral("DELETE FROM JournalOperation WHERE NoOperation = 3"));
        } else if (atteinte == QLatin1String("inseree")) {
            // Rows 3 and up moved on by one, and a well-chained row 3 put in the gap.
            for (int no = 5; no >= 3; --no)
                base.ExecuterAilleurs(QStringLiteral("UPDATE JournalOperation SET NoOperation = ? WHERE NoOperation = ?"),
                                      {no + 1, no});
            const QString prec = base.Valeur(QStringLiteral("SELECT Empreinte FROM JournalOperation WHERE NoOperation = 2")).toString();
            const QString e = modBD::EmpreinteChainon(prec, 3, QStringLiteral("2026-12-07 12:00:00.000"), QStringLiteral("x"),
                                                      QStringLiteral("y"), QStringLiteral("Commande annulée"),
                                                      QStringLiteral("Commande 1"), QString());
            base.ExecuterAilleurs(QStringLiteral("INSERT INTO JournalOperation VALUES (3, '2026-12-07 12:00:00.000', 'x', 'y', "
                                                 "'Commande annulée', 'Commande 1', '', ?)"), {e});
        }
        const modBD::VerificationJournal v = modBD::VerifierJournal();
        QCOMPARE(v.intact, fautive == 0);
        QCOMPARE(v.operationFautive, fautive);
        // The report tool says the same, with its exit status.
        QString sortie;
        const int code = Outil({QStringLiteral("--verifier-journal"), base.cheminBase()}, &sortie);
        if (fautive == 0) {
            QCOMPARE(code, 0);
            QCOMPARE(sortie.trimmed(), QStringLiteral("Journal intact : 5 opérations."));
        } else {
            QCOMPARE(code, 1);
            QCOMPARE(sortie.trimmed(), QStringLiteral("Journal modifié à l'opération n° %1.").arg(fautive));
        }
    }

    // Rows deleted at the end leave an intact chain: only the anchor printed on paper shows them.
    void ancreAttrapeLaFinSupprimee() {
        TestSupport::BaseTest base;
        Catalogue(base);
        for (int i = 0; i < 4; ++i) modBD::EnregistrerCommande(UneCommande());
        const QString ancre = modBD::AncreJournal();
        QCOMPARE(ancre.size(), 16);
        QCOMPARE(modBD::LigneAncreJournal(), QStringLiteral("Journal : ") + ancre);
        QCOMPARE(Outil({QStringLiteral("--verifier-journal"), QStringLiteral("--jusqua"), ancre, base.cheminBase()}), 0);
        base.ExecuterAilleurs(QStringLiteral("DELETE FROM JournalOperation WHERE NoOperation >= 3"));
        QVERIFY(modBD::VerifierJournal().intact);
        QVERIFY(!modBD::VerifierJournal(ancre).ancreTrouvee);
        QString sortie;
        QCOMPARE(Outil({QStringLiteral("--verifier-journal"), QStringLiteral("--jusqua"), ancre, base.cheminBase()}, &sortie), 1);
        QVERIFY2(sortie.contains(ancre), qPrintable(sortie));
        // The last rows alone, as at start-up: the chain is taken up from the row before them.
        QCOMPARE(modBD::VerifierJournal(QString(), 1).nombre, qint64(1));
        QVERIFY(modBD::VerifierJournal(QString(), 1).intact);
    }

    // A client's details erased: the same phone ticked, the same name with another phone not,
    // door sales never; every amount and report total unchanged; the search forgets the name
    // at once; a restore of a copy made before erases it again.
    void effacementDesCoordonnees() {
        TestSupport::BaseTest base;
        Catalogue(base);
        const qint64 a = modBD::EnregistrerCommande(UneCommande(QStringLiteral("Gagnon"))).toLongLong();
        modBD::Commande autre = UneCommande(QStringLiteral("Lemieux"));  // same phone, another name
        const qint64 b = modBD::EnregistrerCommande(autre).toLongLong();
        modBD::Commande homonyme = UneCommande(QStringLiteral("gagnon"));
        homonyme.telephoneClient = QStringLiteral("819-555-0199");
        const qint64 c = modBD::EnregistrerCommande(homonyme).toLongLong();
        const qint64 porte = modBD::EnregistrerVentePorte(QStringLiteral("Le Cid"), QStringLiteral("2026-12-24"), QStringLiteral("0"),
                                                          QStringLiteral("1"), QStringLiteral("12"), QStringLiteral("Bob"),
                                                          QStringLiteral("2026-12-24")).toLongLong();
        QString copie;
        if (!TestSupport::SurServeur()) {
            copie = QDir(modBD::DossierSauvegardes()).filePath(QStringLiteral("BD-20261206-080000.mdb"));
            QDir().mkpath(modBD::DossierSauvegardes());
            modBD::CopieBD(copie, false).Faire();
        }
        const QList<modBD::CommandeClient> liste = modBD::CommandesDuClient(a);
        QList<qint64> cochees, toutes;
        for (const modBD::CommandeClient& k : liste) {
            toutes << k.noClient;
            if (k.cochee) cochees << k.noClient;
        }
        QCOMPARE(toutes, (QList<qint64>{a, b, c}));
        QCOMPARE(cochees, (QList<qint64>{a, b}));
        QVERIFY(!toutes.contains(porte));
        QVERIFY(modBD::CommandesDuClient(porte).isEmpty());
        QCOMPARE(modBD::RechercherCommandes(QStringLiteral("Gagnon")).total, qint64(2));
        const QString total = base.Valeur(QStringLiteral("SELECT SUM(MontantTotal) FROM InfoClientReservation")).toString();

        QCOMPARE(modBD::EffacerCoordonnees(cochees, QStringLiteral("2026-12-08")), 2);
        QCOMPARE(base.Valeur(QStringLiteral("SELECT NomClient FROM InfoClientReservation WHERE NoClient = ?"), {a}).toString(),
                 QStringLiteral("Client effacé n° %1").arg(a));
        QCOMPARE(base.Compter(QStringLiteral("InfoClientReservation"), QStringLiteral("TelephoneClient = '418-555-0101'")), qint64(0));
        QCOMPARE(base.Valeur(QStringLiteral("SELECT SUM(MontantTotal) FROM InfoClientReservation")).toString(), total);
        QCOMPARE(base.Compter(QStringLiteral("InfoReservation")), qint64(4));
        // The search: the erased name is gone, the unticked namesake stays.
        const modBD::ResultatRecherche r = modBD::RechercherCommandes(QStringLiteral("Gagnon"));
        QCOMPARE(r.total, qint64(1));
        QCOMPARE(r.commandes.first().noClient, c);
        QCOMPARE(modBD::RechercherCommandes(QStringLiteral("Lemieux")).total, qint64(0));
        QCOMPARE(base.Compter(modBD::kTableJournal, QStringLiteral("Action = 'Coordonnées effacées'")), qint64(2));
        QVERIFY(modBD::VerifierJournal().intact);

        if (copie.isEmpty()) return;  // the server's copies are its administrator's
        modBD::RestaurerCopie(copie, QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        QCOMPARE(modBD::RechercherCommandes(QStringLiteral("Lemieux")).total, qint64(0));
        QCOMPARE(base.Compter(QStringLiteral("InfoClientReservation"), QStringLiteral("NomClient LIKE 'Client effacé%'")), qint64(2));
        QCOMPARE(base.Compter(modBD::kTableEffacements), qint64(2));
        // The restored base keeps its own journal, then the restore and the erasures again.
        QVERIFY(modBD::VerifierJournal().intact);
        QCOMPARE(base.Compter(modBD::kTableJournal, QStringLiteral("Action = 'Restauration'")), qint64(1));
    }

    // The windows: a wrong pair said in the sign-in window and the field emptied; the accounts
    // listed; the journal newest first, filtered by action. Their pictures go to the renders.
    void fenetres() {
        TestSupport::BaseTest base;
        Catalogue(base);
        CreerComptes();
        modBD::DefinirSession(QStringLiteral("Anne"), modBD::Role::Administration);
        modBD::EnregistrerCommande(UneCommande());
        modBD::FermerSession();
        QDir().mkpath(QStringLiteral(CORV_RENDU_DIR));
        frmConnexion connexion;
        QCOMPARE(connexion.cboEmploye->count(), 2);
        connexion.cboEmploye->setCurrentText(QStringLiteral("Paul"));
        connexion.txtMotDePasse->setText(QStringLiteral("pas le bon"));
        QVERIFY(!connexion.cmdConnexion_Click());
        QCOMPARE(connexion.lblMessage->text(), QStringLiteral("Nom ou mot de passe incorrect."));
        QVERIFY(connexion.txtMotDePasse->text().isEmpty());
        connexion.grab().save(QStringLiteral(CORV_RENDU_DIR "/connexion.png"));
        connexion.txtMotDePasse->setText(QString::fromUtf8(kSecretPorte));
        QVERIFY(connexion.cmdConnexion_Click());
        QCOMPARE(modBD::EmployeSession(), QStringLiteral("Paul"));

        modBD::DefinirSession(QStringLiteral("Anne"), modBD::Role::Administration);
        frmComptes comptes;
        QCOMPARE(comptes.lstComptes->topLevelItemCount(), 2);
        comptes.txtNom->setText(QStringLiteral("Zoé"));
        comptes.cboRole->setCurrentText(QStringLiteral("Trésorerie"));
        comptes.txtMotDePasse->setText(QStringLiteral("Caisse-Zoe-2026"));
        if (TestSupport::SurServeur()) RepondreAdministrateur(Superutilisateur());
        comptes.cmdCreer_Click();
        QCOMPARE(comptes.lstComptes->topLevelItemCount(), 3);
        QVERIFY(comptes.txtMotDePasse->text().isEmpty());
        comptes.grab().save(QStringLiteral(CORV_RENDU_DIR "/comptes.png"));

        frmJournal journal;
        QCOMPARE(journal.lstOperations->topLevelItem(0)->text(4), QStringLiteral("Compte créé"));
        journal.cboAction->setCurrentText(QStringLiteral("Commande confirmée"));
        journal.AfficherOperations();
        QCOMPARE(journal.lstOperations->topLevelItemCount(), 1);
        journal.cboAction->setCurrentIndex(0);
        journal.AfficherOperations();
        journal.cmdVerifier_Click();
        QVERIFY(journal.lblEtat->text().startsWith(QStringLiteral("Journal intact")));
        journal.grab().save(QStringLiteral(CORV_RENDU_DIR "/journal.png"));
    }

    // On a server, the clerks' role of the README may add to the journal and read it, never
    // change or delete a row, and only read the accounts.
    void roleGuichetSurServeur() {
        if (!TestSupport::SurServeur()) QSKIP("the server's rights");
        TestSupport::BaseTest base;
        Catalogue(base);
        modBD::EnregistrerCommande(UneCommande());
        CreerComptes();  // the accounts' table, made by the base's owner
        const QString role = QStringLiteral("guichet_%1").arg(base.baseServeur().right(8));
        TestSupport::ExecuterSurServeur(QStringLiteral("CREATE ROLE %1 LOGIN").arg(role));
        TestSupport::ExecuterSurServeur(QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(role), base.baseServeur());
        TestSupport::ExecuterSurServeur(QStringLiteral("GRANT SELECT, INSERT ON journaloperation TO %1").arg(role), base.baseServeur());
        TestSupport::ExecuterSurServeur(QStringLiteral("GRANT SELECT ON compteemploye TO %1").arg(role), base.baseServeur());
        {
            QSqlDatabase db = TestSupport::ConnexionServeurTest(QStringLiteral("guichet"), base.baseServeur());
            db.close();
            db.setUserName(role);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("SELECT COUNT(*) FROM JournalOperation")));
            QVERIFY(!q.exec(QStringLiteral("UPDATE JournalOperation SET Detail = 'x'")));
            QCOMPARE(q.lastError().nativeErrorCode(), QStringLiteral("42501"));
            QVERIFY(!q.exec(QStringLiteral("DELETE FROM JournalOperation")));
            QCOMPARE(q.lastError().nativeErrorCode(), QStringLiteral("42501"));
            QVERIFY(!q.exec(QStringLiteral("INSERT INTO CompteEmploye (Nom, Role, Empreinte) VALUES ('x', 'Porte', 'x')")));
            QCOMPARE(q.lastError().nativeErrorCode(), QStringLiteral("42501"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("guichet"));
        TestSupport::ExecuterSurServeur(QStringLiteral("DROP OWNED BY %1").arg(role), base.baseServeur());
        TestSupport::ExecuterSurServeur(QStringLiteral("DROP ROLE %1").arg(role));
        QVERIFY(modBD::VerifierJournal().intact);
    }

    // On a server whose clerks' role only reads CompteEmploye, the accounts are written through
    // the database administrator's session, opened for the write and closed at once: the
    // program's own session is refused before and after, a wrong administrator writes nothing.
    void comptesParAdministrateurSurServeur() {
        if (!TestSupport::SurServeur()) QSKIP("the server's rights");
        TestSupport::BaseTest base;
        CreerComptes();
        const QString role = QStringLiteral("commis_%1").arg(base.baseServeur().right(8));
        TestSupport::ExecuterSurServeur(QStringLiteral("CREATE ROLE %1 LOGIN").arg(role));
        // The README's rights: every table but the journal (added to) and the accounts (read).
        for (const QString& droit : {QStringLiteral("GRANT USAGE ON SCHEMA public TO %1"),
                                     QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO %1"),
                                     QStringLiteral("REVOKE INSERT, UPDATE, DELETE ON compteemploye, journaloperation FROM %1"),
                                     QStringLiteral("GRANT INSERT ON journaloperation TO %1")})
            TestSupport::ExecuterSurServeur(droit.arg(role), base.baseServeur());
        modBD::FermerConnexion();
        TestSupport::EcrireReglagesServeur(base.dossier(), base.baseServeur(), role);
        QVERIFY(modBD::OuvrirConnexion());
        modBD::DefinirSession(QStringLiteral("Anne"), modBD::Role::Administration);
        QByteArray m("Mot-de-passe-1");
        QVERIFY(Refus([&] { modBD::CreerCompte(QStringLiteral("Directe"), modBD::Role::Porte, m); }).size() > 0);
        {
            QByteArray admin("sans importance");
            const modBD::ConnexionAdministrateur a(Superutilisateur(), admin);
            QVERIFY(admin.isEmpty());
            QByteArray mdp("Mot-de-passe-2");
            modBD::CreerCompte(QStringLiteral("Viaadmin"), modBD::Role::Porte, mdp);
        }
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("Connexion-administrateur")));
        QVERIFY(modBD::NomsComptesActifs().contains(QStringLiteral("Viaadmin")));
        QByteArray m3("Mot-de-passe-3");
        QVERIFY(!Refus([&] { modBD::CreerCompte(QStringLiteral("Encore"), modBD::Role::Porte, m3); }).isEmpty());
        QByteArray faux("x");
        QVERIFY(Refus([&] { modBD::ConnexionAdministrateur a(QStringLiteral("personne_%1").arg(role), faux); })
                    .startsWith(QStringLiteral("Connexion de l'administrateur refusée")));
        // The window: cancelled, nothing; answered, the account is there and journaled.
        frmComptes comptes;
        comptes.txtNom->setText(QStringLiteral("Fenetre"));
        comptes.txtMotDePasse->setText(QStringLiteral("Mot-de-passe-4"));
        RepondreAdministrateur(Superutilisateur(), false);
        comptes.cmdCreer_Click();
        QVERIFY(!modBD::NomsComptesActifs().contains(QStringLiteral("Fenetre")));
        comptes.txtMotDePasse->setText(QStringLiteral("Mot-de-passe-4"));
        RepondreAdministrateur(Superutilisateur());
        comptes.cmdCreer_Click();
        QVERIFY(modBD::NomsComptesActifs().contains(QStringLiteral("Fenetre")));
        QCOMPARE(base.Compter(modBD::kTableJournal, QStringLiteral("Action = 'Compte créé'")), qint64(4));
        QVERIFY(modBD::VerifierJournal().intact);
        modBD::FermerConnexion();
        TestSupport::ExecuterSurServeur(QStringLiteral("DROP OWNED BY %1").arg(role), base.baseServeur());
        TestSupport::ExecuterSurServeur(QStringLiteral("DROP ROLE %1").arg(role));
    }
};

QTEST_MAIN(TestComptes)
#include "tst_Comptes.moc"
