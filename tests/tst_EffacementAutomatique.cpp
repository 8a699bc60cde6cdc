// The automatic erasure of old clients' details: off by default; with N months, at start (and
// after a restore) every client whose last performance is older than N months loses name and
// phone, journaled like a manual erasure, door sales and recent clients kept, nothing twice.
#include "BaseRapports.h"
#include "Regles.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmCommandes.h"
#include "frmMain.h"
#include "modBD.h"
#include "modBD_Annulations.h"
#include "modBD_Comptes.h"
#include "modBD_EffacementAutomatique.h"
#include "modBD_EffacementClient.h"
#include "modBD_Effacements.h"
#include "modBD_Journal.h"
#include "modBD_Sauvegarde.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTest>

#include <memory>

namespace {
const QDate kAujourdhui(2027, 6, 15);  // with 12 months, a performance before 2026-06-15 is old

// Who the season's orders belong to; every number is an order (NoClient).
struct Saison {
    qint64 a1 = 0, a2 = 0;  // Alice: both performances old (phone written two ways)
    qint64 b1 = 0, b2 = 0;  // Benoît: an old one and a recent one, same phone digits
    qint64 c1 = 0, c2 = 0;  // Claire without phone: each order alone, one old, one recent
    qint64 d1 = 0;          // Denis: one order, an old and a recent performance
    qint64 e1 = 0;          // Émile: a performance whose date is no date
    qint64 f1 = 0;          // Fanny: old, cancelled
    qint64 g1 = 0;          // Gilles: old, erased by hand already
    qint64 porte = 0;       // a door sale, old
};

Saison Remplir(TestSupport::BaseTest& base) {
    using BaseRapports::Commande;
    using BaseRapports::Ligne;
    const qint64 cid = base.AjouterPiece(QStringLiteral("Le Cid"));
    const qint64 vieux = base.AjouterRepresentation(cid, QStringLiteral("2025-03-01"));
    const qint64 ancien = base.AjouterRepresentation(cid, QStringLiteral("2026-06-14"));
    const qint64 recent = base.AjouterRepresentation(cid, QStringLiteral("2026-06-15"));
    const qint64 flou = base.AjouterRepresentation(cid, QStringLiteral("à confirmer"));
    const qint64 bob = base.AjouterVendeur(QStringLiteral("Bob"));
    Saison s;
    const auto commande = [&](const QString& nom, const QString& tel, std::initializer_list<qint64> representations) {
        const qint64 no = Commande(QStringLiteral("2025-01-10"), nom, tel);
        for (qint64 r : representations) Ligne(no, r, 0, 2, 25.0, nom == QStringLiteral("Vente à la porte"), bob);
        modBD::Executer(QStringLiteral("UPDATE InfoClientReservation SET MontantTotal = ? WHERE NoClient = ?"),
                        {50.0 * static_cast<double>(representations.size()), no});
        return no;
    };
    s.a1 = commande(QStringLiteral("Alice"), QStringLiteral("418-555-1000"), {vieux});
    s.a2 = commande(QStringLiteral("Alice"), QStringLiteral("(418) 555 1000"), {ancien});
    s.b1 = commande(QStringLiteral("Benoît"), QStringLiteral("418-555-2000"), {vieux});
    s.b2 = commande(QStringLiteral("Benoit"), QStringLiteral("418 555 2000"), {recent});
    s.c1 = commande(QStringLiteral("Claire"), QString(), {vieux});
    s.c2 = commande(QStringLiteral("Claire"), QString(), {recent});
    s.d1 = commande(QStringLiteral("Denis"), QStringLiteral("418-555-4000"), {vieux, recent});
    s.e1 = commande(QStringLiteral("Émile"), QStringLiteral("418-555-5000"), {flou});
    s.f1 = commande(QStringLiteral("Fanny"), QStringLiteral("418-555-6000"), {vieux});
    s.g1 = commande(QStringLiteral("Gilles"), QStringLiteral("418-555-7000"), {vieux});
    s.porte = commande(QStringLiteral("Vente à la porte"), QString(), {vieux});
    modBD::AnnulerCommande(s.f1, QStringLiteral("2025-02-01"), QString());
    modBD::EffacerCoordonnees({s.g1}, QStringLiteral("2027-01-02"));
    return s;
}

QString Nom(TestSupport::BaseTest& base, qint64 no) {
    return base.Valeur(QStringLiteral("SELECT NomClient FROM InfoClientReservation WHERE NoClient = ?"), {no}).toString();
}

qint64 Effacements(TestSupport::BaseTest& base) {
    return base.Compter(modBD::kTableJournal, QStringLiteral("Action = 'Coordonnées effacées'"));
}

// Everything but names and phones: what the reports add up.
QString Sommes(TestSupport::BaseTest& base) {
    return base.Valeur(QStringLiteral("SELECT SUM(MontantTotal) FROM InfoClientReservation")).toString() + QLatin1Char('/') +
           QString::number(base.Compter(QStringLiteral("InfoReservation")));
}

void VerifierSaisonEffacee(TestSupport::BaseTest& base, const Saison& s) {
    for (qint64 no : {s.a1, s.a2, s.c1, s.f1, s.g1}) {
        QCOMPARE(Nom(base, no), modBD::NomClientEfface(no));
        QCOMPARE(base.Valeur(QStringLiteral("SELECT TelephoneClient FROM InfoClientReservation WHERE NoClient = ?"), {no}).toString(),
                 QString());
    }
    QCOMPARE(Nom(base, s.b1), QStringLiteral("Benoît"));
    QCOMPARE(Nom(base, s.b2), QStringLiteral("Benoit"));
    QCOMPARE(Nom(base, s.c2), QStringLiteral("Claire"));
    QCOMPARE(Nom(base, s.d1), QStringLiteral("Denis"));
    QCOMPARE(Nom(base, s.e1), QStringLiteral("Émile"));
    QCOMPARE(Nom(base, s.porte), QStringLiteral("Vente à la porte"));
}

// Answers the setting's dialog once it is shown: ticked (or not) with that many months.
void RepondreReglage(bool coche, int mois) {
    QTimer::singleShot(0, [=] {
        auto* dialogue = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialogue && dialogue->objectName() == QStringLiteral("frmEffacementAutomatique"));
        dialogue->findChild<QCheckBox*>(QStringLiteral("chkEffacementAutomatique"))->setChecked(coche);
        dialogue->findChild<QSpinBox*>(QStringLiteral("txtMoisEffacement"))->setValue(mois);
        dialogue->accept();
    });
}
}  // namespace

class tst_EffacementAutomatique : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        TestSupport::InitialiserProgrammeTest();
        modBD::DefinirCoutsMinimaux(true);
    }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        Regles::DefinirHorloge([] { return kAujourdhui; });
        modBD::FermerSession();
    }
    void cleanup() {
        Regles::DefinirHorloge({});
        modBD::FermerSession();
    }

    // Off by default: nothing erased, nothing journaled, however old the clients.
    void desactiveParDefaut() {
        TestSupport::BaseTest base;
        const Saison s = Remplir(base);
        QCOMPARE(modBD::MoisEffacementAutomatique(), 0);
        const qint64 journal = base.Compter(modBD::kTableJournal);
        QCOMPARE(modBD::AppliquerEffacementAutomatique(kAujourdhui.addYears(10)), 0);
        QCOMPARE(base.Compter(modBD::kTableJournal), journal);
        QCOMPARE(Nom(base, s.a1), QStringLiteral("Alice"));
        // Set, then turned off again: the same.
        modBD::EnregistrerMoisEffacementAutomatique(12);
        modBD::EnregistrerMoisEffacementAutomatique(0);
        QCOMPARE(modBD::MoisEffacementAutomatique(), 0);
        QCOMPARE(modBD::AppliquerEffacementAutomatique(kAujourdhui.addYears(10)), 0);
        QCOMPARE(Nom(base, s.a1), QStringLiteral("Alice"));
        QCOMPARE(base.Compter(modBD::kTableJournal, QStringLiteral("Action = 'Effacement automatique'")), qint64(2));
    }

    // 12 months: the old clients only, their every order; the amounts and lines stay; each
    // erasure journaled like a manual one; a second run erases nothing more.
    void douzeMois() {
        TestSupport::BaseTest base;
        const Saison s = Remplir(base);
        modBD::EnregistrerMoisEffacementAutomatique(12);
        QCOMPARE(modBD::MoisEffacementAutomatique(), 12);
        QCOMPARE(base.Valeur(QStringLiteral("SELECT Detail FROM JournalOperation WHERE Action = 'Effacement automatique'")).toString(),
                 QStringLiteral("12 mois"));
        const QString sommes = Sommes(base);
        const qint64 avant = Effacements(base);
        QCOMPARE(modBD::AppliquerEffacementAutomatique(kAujourdhui), 4);
        VerifierSaisonEffacee(base, s);
        QCOMPARE(Sommes(base), sommes);
        QCOMPARE(Effacements(base), avant + 4);
        for (qint64 no : {s.a1, s.a2, s.c1, s.f1})
            QCOMPARE(base.Compter(modBD::kTableJournal, QStringLiteral("Action = 'Coordonnées effacées' AND Objet = 'Commande %1'").arg(no)),
                     qint64(1));
        // Gilles, erased by hand, keeps his own date.
        QCOMPARE(base.Valeur(QStringLiteral("SELECT DateEffacement FROM EffacementClient WHERE NoClient = ?"), {s.g1}).toString(),
                 QStringLiteral("2027-01-02"));
        QCOMPARE(base.Compter(modBD::kTableEffacements), qint64(5));
        QVERIFY(modBD::VerifierJournal().intact);
        const qint64 journal = base.Compter(modBD::kTableJournal);
        QCOMPARE(modBD::AppliquerEffacementAutomatique(kAujourdhui), 0);
        QCOMPARE(base.Compter(modBD::kTableJournal), journal);
        // A day later Benoît's and Claire's recent performance is old too (the boundary day was kept).
        QCOMPARE(modBD::AppliquerEffacementAutomatique(kAujourdhui.addDays(1)), 4);
        QCOMPARE(Nom(base, s.b2), modBD::NomClientEfface(s.b2));
        QCOMPARE(Nom(base, s.e1), QStringLiteral("Émile"));
        QCOMPARE(Nom(base, s.porte), QStringLiteral("Vente à la porte"));
    }

    // The setting is the treasurer's: a door volunteer is refused, a bad number too, nothing written.
    void reglageReserve() {
        TestSupport::BaseTest base;
        QByteArray a("Rideau-Rouge-2026"), p("Billet-Porte-77");
        modBD::CreerCompte(QStringLiteral("Anne"), modBD::Role::Administration, a);
        modBD::DefinirSession(QStringLiteral("Anne"), modBD::Role::Administration);
        modBD::CreerCompte(QStringLiteral("Tom"), modBD::Role::Billetterie, p);
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::EnregistrerMoisEffacementAutomatique(-1));
        modBD::DefinirSession(QStringLiteral("Tom"), modBD::Role::Billetterie);
        QVERIFY_THROWS_EXCEPTION(modBD::ErreurBD, modBD::EnregistrerMoisEffacementAutomatique(12));
        QCOMPARE(modBD::MoisEffacementAutomatique(), 0);
        modBD::DefinirSession(QStringLiteral("Anne"), modBD::Role::Administration);
        modBD::EnregistrerMoisEffacementAutomatique(18);
        QCOMPARE(modBD::MoisEffacementAutomatique(), 18);
    }

    // The program's start applies it, whoever starts it; the next start finds nothing more.
    void auDemarrage() {
        TestSupport::BaseTest base;
        const Saison s = Remplir(base);
        modBD::EnregistrerMoisEffacementAutomatique(12);
        const qint64 avant = Effacements(base);
        {
            frmMain f;
            QVERIFY(f.Form_Load());
        }
        VerifierSaisonEffacee(base, s);
        QCOMPARE(Effacements(base), avant + 4);
        const qint64 journal = base.Compter(modBD::kTableJournal);
        modBD::FermerConnexion();
        {
            frmMain f;
            QVERIFY(f.Form_Load());
        }
        QCOMPARE(base.Compter(modBD::kTableJournal), journal);
    }

    // A copy made before the clients grew old, restored: its own setting erases them at once.
    void apresRestauration() {
        if (TestSupport::SurServeur()) QSKIP("the server's copies are its administrator's");
        TestSupport::BaseTest base;
        const Saison s = Remplir(base);
        modBD::EnregistrerMoisEffacementAutomatique(12);
        const QString copie = QDir(modBD::DossierSauvegardes()).filePath(QStringLiteral("BD-20260101-080000.mdb"));
        QDir().mkpath(modBD::DossierSauvegardes());
        modBD::CopieBD(copie, false).Faire();
        modBD::RestaurerCopie(copie, QDateTime(kAujourdhui, QTime(9, 0)));
        VerifierSaisonEffacee(base, s);
        QCOMPARE(base.Compter(modBD::kTableEffacements), qint64(5));
        QVERIFY(modBD::VerifierJournal().intact);
    }

    // "Commandes confirmées" holds the setting: turning it on asks first (No writes nothing),
    // the dialog shows what is set, unticking turns it off; a door volunteer finds it disabled.
    void fenetreReglage() {
        TestSupport::BaseTest base;
        frmCommandes f(nullptr);
        QVERIFY(f.cmdEffacementAutomatique->isEnabled());
        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Non);
        RepondreReglage(true, 12);
        f.cmdEffacementAutomatique_Click();
        QCOMPARE(modBD::MoisEffacementAutomatique(), 0);
        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Oui);
        RepondreReglage(true, 12);
        f.cmdEffacementAutomatique_Click();
        QCOMPARE(modBD::MoisEffacementAutomatique(), 12);
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("plus de 12 mois seront effacées")));
        QTimer::singleShot(0, [] {
            auto* dialogue = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialogue);
            QVERIFY(dialogue->findChild<QCheckBox*>(QStringLiteral("chkEffacementAutomatique"))->isChecked());
            QCOMPARE(dialogue->findChild<QSpinBox*>(QStringLiteral("txtMoisEffacement"))->value(), 12);
            dialogue->accept();
        });
        f.cmdEffacementAutomatique_Click();  // unchanged: nothing asked, nothing journaled again
        QCOMPARE(base.Compter(modBD::kTableJournal, QStringLiteral("Action = 'Effacement automatique'")), qint64(1));
        RepondreReglage(false, 12);
        f.cmdEffacementAutomatique_Click();
        QCOMPARE(modBD::MoisEffacementAutomatique(), 0);
        QByteArray a("Rideau-Rouge-2026"), p("Billet-Porte-77");
        modBD::CreerCompte(QStringLiteral("Anne"), modBD::Role::Administration, a);
        modBD::DefinirSession(QStringLiteral("Anne"), modBD::Role::Administration);
        modBD::CreerCompte(QStringLiteral("Paul"), modBD::Role::Porte, p);
        modBD::DefinirSession(QStringLiteral("Paul"), modBD::Role::Porte);
        frmCommandes porte(nullptr);
        QVERIFY(!porte.cmdEffacementAutomatique->isEnabled());
        QCOMPARE(porte.cmdEffacementAutomatique->toolTip(), modBD::TexteReserve(modBD::Role::Tresorerie));
    }
};

QTEST_MAIN(tst_EffacementAutomatique)
#include "tst_EffacementAutomatique.moc"
