// Every write path of the program against the four faults a database file can meet while the
// program runs: read-only, locked by another program, no longer a database, gone. Each time:
// nothing written, one French message, the program goes on, the window keeps what was typed,
// and once the fault is gone the same entry saves.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmEchangesBillets.h"
#include "frmGestionPieces.h"
#include "frmGestionVendeurs.h"
#include "frmInventaireBillets.h"
#include "frmMain.h"
#include "modBD.h"
#include "modBD_Inventaire.h"
#include "modBD_Journal.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>

#include <functional>

using TestSupport::Panne;

namespace {
enum class Chemin {
    Commande, Piece, Representation, Vendeur, Mouvement, Echange,
    EffacerPiece, EffacerRepresentation, EffacerVendeur
};

// What the clerk sees in a window and all its controls, as text: typed texts, list entries
// and selections, ticks, dates, captions.
QStringList Instantane(const QWidget* racine) {
    QStringList etat;
    for (const QWidget* w : racine->findChildren<QWidget*>()) {
        const QString nom = w->objectName();
        if (nom.isEmpty()) continue;
        if (auto* t = qobject_cast<const QLineEdit*>(w)) {
            etat << nom + QStringLiteral("=") + t->text();
        } else if (auto* c = qobject_cast<const QComboBox*>(w)) {
            QStringList e;
            for (int i = 0; i < c->count(); ++i) e << c->itemText(i);
            etat << nom + QStringLiteral("=[%1]@%2").arg(e.join(QLatin1Char(';'))).arg(c->currentIndex());
        } else if (auto* l = qobject_cast<const QListWidget*>(w)) {
            QStringList e;
            for (int i = 0; i < l->count(); ++i) e << l->item(i)->text() + (l->item(i)->isSelected() ? QStringLiteral("*") : QString());
            etat << nom + QStringLiteral("=[%1]").arg(e.join(QLatin1Char(';')));
        } else if (auto* a = qobject_cast<const QTreeWidget*>(w)) {
            for (int i = 0; i < a->topLevelItemCount(); ++i) {
                QStringList e;
                for (int col = 0; col < a->columnCount(); ++col) e << a->topLevelItem(i)->text(col);
                etat << nom + QStringLiteral("[%1]=").arg(i) + e.join(QLatin1Char('|'));
            }
        } else if (auto* d = qobject_cast<const QDateEdit*>(w)) {
            etat << nom + QStringLiteral("=") + d->date().toString(Qt::ISODate);
        } else if (auto* b = qobject_cast<const QAbstractButton*>(w); b && b->isCheckable()) {
            etat << nom + (b->isChecked() ? QStringLiteral("=coché") : QStringLiteral("=non coché"));
        } else if (auto* e = qobject_cast<const QLabel*>(w)) {
            etat << nom + QStringLiteral("=") + e->text();
        }
    }
    return etat;
}

QMap<QString, qint64> Comptes(TestSupport::BaseTest& bd) {
    QMap<QString, qint64> c;
    for (const QString& t : modBD::TablesRequises()) c[t] = bd.Compter(t);
    return c;
}
}  // namespace

Q_DECLARE_METATYPE(Chemin)
Q_DECLARE_METATYPE(TestSupport::Panne)

class TestPannes : public QObject {
    Q_OBJECT

    // On the server, stopping it would disturb the other test programs: this one has its own.
    std::unique_ptr<TestSupport::ServeurPrive> m_serveur;
    std::unique_ptr<TestSupport::BaseTest> m_bd;
    std::unique_ptr<frmMain> m_f;

    // What a path needs: the handler as the clerk raises it, the sentence saying the entry was
    // not saved, and the rows one successful run adds (or removes).
    struct Saisie {
        std::function<void()> agir;
        QString refus;
        QMap<QString, qint64> ecarts;
        bool question = false;  // a deletion asks first
    };

    // Opens the path's window from the menu and types an entry into it.
    Saisie Saisir(Chemin chemin) {
        switch (chemin) {
        case Chemin::Commande: {
            m_f->txtNomClient->setText(QStringLiteral("Tremblay"));
            m_f->txtNoTel->setText(QStringLiteral("555-1234"));
            m_f->txtNbForfaits->setText(QStringLiteral("1"));
            FctVar::AjouterLigneTransaction(*m_f->lstTransactions, QStringLiteral("Hamlet"), QStringLiteral("2026-03-01"),
                                            QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("12,5"), QStringLiteral("0"));
            FctVar::CalculerMontantTotal(*m_f->lstTransactions, *m_f->lblMontantTotal);
            m_f->cboVendeur->setCurrentIndex(1);  // "Bruno (C)"
            return {[this] { m_f->cmdConfirmerTransactions_Click(); }, QStringLiteral("La commande n'a pas été enregistrée"),
                    {{"InfoClientReservation", 1}, {"InfoReservation", 1}}};
        }
        case Chemin::Piece:
        case Chemin::Representation:
        case Chemin::EffacerPiece:
        case Chemin::EffacerRepresentation: {
            m_f->mnuGestionPieces_Click();
            frmGestionPieces* p = m_f->FenetrePieces();
            if (chemin == Chemin::Piece) {
                p->txtNomPiece->setText(QStringLiteral("Le Cid"));
                return {[p] { p->cmdAjouterPiece_Click(); }, QStringLiteral("La pièce n'a pas été ajoutée."), {{"Piece", 1}}};
            }
            if (chemin == Chemin::Representation) {
                p->txtNomPiece->setText(QStringLiteral("en cours de frappe"));
                p->cboPieces->setCurrentIndex(1);  // Phèdre
                p->DPDateRepresentation->setDate(QDate(2026, 6, 1));
                return {[p] { p->cmdAjouterRepresentation_Click(); }, QStringLiteral("La représentation n'a pas été ajoutée."),
                        {{"Representation", 1}}};
            }
            if (chemin == Chemin::EffacerPiece) {
                p->lstPieces->setCurrentRow(2);  // Tartuffe
                return {[p] { p->mnuSupprimerPiece_Click(); }, QStringLiteral("La pièce n'a pas été effacée."), {{"Piece", -1}}, true};
            }
            p->lstRepresentations->setCurrentRow(1);  // Hamlet, 2026-03-02
            return {[p] { p->mnuSupprimerRepresentation_Click(); }, QStringLiteral("La représentation n'a pas été effacée."),
                    {{"Representation", -1}}, true};
        }
        case Chemin::Vendeur:
        case Chemin::EffacerVendeur: {
            m_f->mnuGestionVendeurs_Click();
            frmGestionVendeurs* v = m_f->FenetreVendeurs();
            v->txtNomVendeur->setText(QStringLiteral("Denis"));
            v->chkComedien->setChecked(true);
            if (chemin == Chemin::Vendeur)
                return {[v] { v->cmdAjouterVendeur_Click(); }, QStringLiteral("Le vendeur n'a pas été ajouté."), {{"Vendeur", 1}}};
            v->lstVendeurs->setCurrentRow(2);  // Zoé
            return {[v] { v->mnuSupprimerVendeur_Click(); }, QStringLiteral("Le vendeur n'a pas été effacé."), {{"Vendeur", -1}}, true};
        }
        case Chemin::Mouvement: {
            m_f->mnuGestionBillets_Click();
            frmInventaireBillets* i = m_f->FenetreInventaire();
            i->optEnlever->setChecked(true);
            i->txtNbBillets->setText(QStringLiteral("4"));
            i->cboVendeur->setCurrentIndex(1);
            i->txtCommentaire->setText(QStringLiteral("retour du vendeur"));
            return {[i] { i->cmdEnregistrer_Click(); }, QStringLiteral("Le mouvement n'a pas été enregistré."),
                    {{"InventaireBillets", 1}}};
        }
        case Chemin::Echange: {
            m_f->mnuEchanges_Click();
            frmEchangesBillets* e = m_f->FenetreEchanges();
            e->txtNbBillets->setText(QStringLiteral("3"));
            e->cboPieces2->setCurrentIndex(1);  // Phèdre
            e->cboVendeurTo->setCurrentIndex(2);
            e->txtCommentaire->setText(QStringLiteral("échange"));
            return {[e] { e->cmdEchanger_Click(); }, QStringLiteral("L'échange n'a pas été enregistré"),
                    {{"InventaireBillets", 2}}};
        }
        }
        return {};
    }

private slots:
    void initTestCase() {
        TestSupport::InitialiserProgrammeTest();
        if (TestSupport::SurServeur()) m_serveur = std::make_unique<TestSupport::ServeurPrive>();
    }
    void cleanupTestCase() { m_serveur.reset(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        m_bd = std::make_unique<TestSupport::BaseTest>();
        const qint64 hamlet = m_bd->AjouterPiece("Hamlet");
        m_bd->AjouterRepresentation(hamlet, "2026-03-01");
        m_bd->AjouterRepresentation(hamlet, "2026-03-02");
        m_bd->AjouterRepresentation(m_bd->AjouterPiece("Phèdre"), "2026-05-01");
        m_bd->AjouterPiece("Tartuffe");
        m_bd->AjouterVendeur("Alice");
        m_bd->AjouterVendeur("Bruno", true);
        m_bd->AjouterVendeur("Zoé");
        modBD::AjouterMouvementInventaire("2026-02-01", "Hamlet", "2026-03-01", 10, "", "Alice");
        m_f = std::make_unique<frmMain>();
        QVERIFY(m_f->Form_Load());
        m_f->show();
    }
    void cleanup() {
        m_f.reset();
        m_bd.reset();
    }

    void ecritureEnPanne_data() {
        QTest::addColumn<Chemin>("chemin");
        QTest::addColumn<Panne>("panne");
        const std::pair<Chemin, const char*> chemins[] = {
            {Chemin::Commande, "commande"},          {Chemin::Piece, "pièce"},
            {Chemin::Representation, "représentation"}, {Chemin::Vendeur, "vendeur"},
            {Chemin::Mouvement, "mouvement"},        {Chemin::Echange, "échange"},
            {Chemin::EffacerPiece, "effacer pièce"}, {Chemin::EffacerRepresentation, "effacer représentation"},
            {Chemin::EffacerVendeur, "effacer vendeur"}};
        for (const auto& [chemin, nom] : chemins)
            for (Panne p : TestSupport::PannesPossibles())
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(QString::fromUtf8(nom), TestSupport::NomPanne(p))))
                    << chemin << p;
    }
    void ecritureEnPanne() {
        QFETCH(Chemin, chemin);
        QFETCH(Panne, panne);
        const Saisie saisie = Saisir(chemin);
        const QStringList tape = Instantane(m_f.get());
        const QString contenu = TestSupport::ContenuDesTables();
        const QMap<QString, qint64> avant = Comptes(*m_bd);
        Toolkit::Test::Reinitialiser();
        if (saisie.question) Toolkit::Test::RepondreProchain(Toolkit::Reponse::Oui);

        {
            TestSupport::PanneBD faute(*m_bd, panne);
            saisie.agir();
            QVERIFY2(faute.FichierIntouche(), "the file was written to while at fault");
        }

        // One error box, French, naming both what was not saved and why.
        QList<Toolkit::Message> erreurs;
        for (const Toolkit::Message& m : Toolkit::Test::Messages()) {
            if (m.titre == QLatin1String("Erreur")) erreurs << m;
            else QVERIFY2(saisie.question && m.titre == QLatin1String("Effacement"), qPrintable(m.texte));
        }
        QCOMPARE(erreurs.size(), 1);
        const Toolkit::Message m = erreurs.first();
        QVERIFY2(m.texte.contains(saisie.refus), qPrintable(m.texte));
        QVERIFY2(m.texte.contains(TestSupport::MotPanne(panne)), qPrintable(m.texte));
        QCOMPARE(m.icone, Toolkit::Icone::Exclamation);
        QCOMPARE(m.boutons, Toolkit::Boutons::OK);
        // Nothing written, nothing lost on the windows, the windows still there.
        QCOMPARE(TestSupport::ContenuDesTables(), contenu);
        QCOMPARE(Instantane(m_f.get()), tape);
        QVERIFY(m_f->isVisible());
        QVERIFY(!Toolkit::Test::ProgrammeTermine());

        // The fault gone, the same entry goes through.
        Toolkit::Test::Reinitialiser();
        if (saisie.question) Toolkit::Test::RepondreProchain(Toolkit::Reponse::Oui);
        saisie.agir();
        for (const Toolkit::Message& x : Toolkit::Test::Messages())
            QVERIFY2(x.titre != QLatin1String("Erreur"), qPrintable(x.texte));
        QMap<QString, qint64> attendu = avant;
        for (auto it = saisie.ecarts.cbegin(); it != saisie.ecarts.cend(); ++it) attendu[it.key()] += it.value();
        QCOMPARE(Comptes(*m_bd), attendu);
    }

    // The server restarted while the program sat idle: its connection is dead, but the next
    // action of every path reconnects and goes through without a message.
    void serveurRedemarreEntreDeuxActions_data() {
        QTest::addColumn<Chemin>("chemin");
        QTest::newRow("commande") << Chemin::Commande;
        QTest::newRow("pièce") << Chemin::Piece;
        QTest::newRow("mouvement") << Chemin::Mouvement;
        QTest::newRow("échange") << Chemin::Echange;
    }
    void serveurRedemarreEntreDeuxActions() {
        if (!TestSupport::SurServeur()) QSKIP("a file base has no server to restart");
        QFETCH(Chemin, chemin);
        const Saisie saisie = Saisir(chemin);
        // A journal row on the old session first: what the station kept of that session
        // (its prepared statements) must not follow it onto the new one.
        modBD::Journaliser(QStringLiteral("Essai"), QStringLiteral("avant le redémarrage"));
        const qint64 lignesJournal = m_bd->Compter(QStringLiteral("JournalOperation"));
        const QMap<QString, qint64> avant = Comptes(*m_bd);
        m_serveur->Suspendre();
        m_serveur->Reprendre();
        Toolkit::Test::Reinitialiser();
        saisie.agir();
        QVERIFY2(Toolkit::Test::Messages().isEmpty(), qPrintable(Toolkit::Test::DernierMessage().texte));
        QMap<QString, qint64> attendu = avant;
        for (auto it = saisie.ecarts.cbegin(); it != saisie.ecarts.cend(); ++it) attendu[it.key()] += it.value();
        QCOMPARE(Comptes(*m_bd), attendu);
        QVERIFY(m_bd->Compter(QStringLiteral("JournalOperation")) > lignesJournal);
        const modBD::VerificationJournal v = modBD::VerifierJournal();
        QVERIFY2(v.intact, qPrintable(QString::number(v.operationFautive)));
    }
};

QTEST_MAIN(TestPannes)
#include "tst_Pannes.moc"
