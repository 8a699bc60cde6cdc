#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmGestionPieces.h"
#include "frmMain.h"
#include "modBD.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using Toolkit::Reponse;
using Toolkit::Test::Messages;

using TestSupport::Textes;
using TestSupport::OrdreTabulation;
namespace {
const QDate kAujourdhui(2026, 5, 1);
}  // namespace

class TestFrmGestionPieces : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        FctVar::DefinirHorloge([] { return kAujourdhui; });
    }
    void cleanup() { FctVar::DefinirHorloge({}); }

    void chargement() {
        TestSupport::BaseTest base;
        const qint64 a = base.AjouterPiece(QStringLiteral("Zazie"));
        const qint64 b = base.AjouterPiece(QStringLiteral("Antigone"));
        base.AjouterRepresentation(a, QStringLiteral("2026-06-02"));
        base.AjouterRepresentation(a, QStringLiteral("2026-06-01"));
        base.AjouterRepresentation(b, QStringLiteral("2026-07-01"));
        frmGestionPieces f(nullptr);
        // Stored order, no sorting; first entries selected; the picker on today.
        QCOMPARE(Textes(f.lstPieces), QStringList({"Zazie", "Antigone"}));
        QCOMPARE(Textes(f.cboPieces), QStringList({"Zazie", "Antigone"}));
        QCOMPARE(f.lstPieces->currentRow(), 0);
        QCOMPARE(f.cboPieces->currentIndex(), 0);
        QCOMPARE(Textes(f.lstRepresentations), QStringList({"2026-06-02", "2026-06-01"}));
        QCOMPARE(Toolkit::TexteSelectionne(f.lstRepresentations), QStringLiteral("2026-06-02"));
        QCOMPARE(f.DPDateRepresentation->date(), kAujourdhui);
        QVERIFY(Messages().isEmpty());

        // Picking a play lists its own performances.
        f.cboPieces->setCurrentIndex(1);
        QCOMPARE(Textes(f.lstRepresentations), QStringList({"2026-07-01"}));
        QCOMPARE(Textes(f.lstPieces), QStringList({"Zazie", "Antigone"}));  // the two play lists are independent
    }

    void baseVide() {
        TestSupport::BaseTest base;
        frmGestionPieces f(nullptr);
        QCOMPARE(f.lstPieces->count(), 0);
        QCOMPARE(f.cboPieces->count(), 0);
        QCOMPARE(f.lstRepresentations->count(), 0);
        QVERIFY(Messages().isEmpty());
        f.cmdAjouterRepresentation_Click();
        QCOMPARE(Messages().size(), 1);
        QCOMPARE(Toolkit::Test::DernierMessage().texte,
                 QStringLiteral("Vous devez sélectionner une pièce pour la représentation à ajouter"));
        QCOMPARE(Toolkit::Test::DernierMessage().titre, Toolkit::kTitreApplication);
        QCOMPARE(Toolkit::Test::DernierMessage().icone, Toolkit::Icone::Aucune);
        QCOMPARE(base.Compter(QStringLiteral("Representation")), 0);
    }

    void ajouterPiece_data() {
        QTest::addColumn<QString>("saisie");
        QTest::addColumn<bool>("doublon");
        QTest::addColumn<QString>("ajoutee");  // empty: nothing stored
        QTest::newRow("majuscules accentuées") << "COMÉDIE D'ÉTÉ" << true << "";
        QTest::newRow("minuscules accentuées") << "comédie d'été" << true << "";
        QTest::newRow("blancs autour") << "  Comédie d'été\t " << true << "";
        QTest::newRow("guillemets, autre casse") << "le \"MISANTHROPE\"" << true << "";
        QTest::newRow("nouvelle, blancs retirés") << "  Le Cid  " << false << "Le Cid";
        QTest::newRow("seule une lettre accentuée diffère") << "Comedie d'été" << false << "Comedie d'été";
        QTest::newRow("guillemets doubles") << "Les \"Fourberies\"" << false << "Les \"Fourberies\"";
        QTest::newRow("apostrophe et point-virgule") << "L'Avare'; DROP TABLE Piece; --" << false
                                                     << "L'Avare'; DROP TABLE Piece; --";
        QTest::newRow("vide") << "" << false << "";
        QTest::newRow("blancs seulement") << "   " << false << "";
    }
    void ajouterPiece() {
        QFETCH(QString, saisie);
        QFETCH(bool, doublon);
        QFETCH(QString, ajoutee);
        TestSupport::BaseTest base;
        base.AjouterPiece(QStringLiteral("Comédie d'été"));
        base.AjouterPiece(QStringLiteral("Le \"Misanthrope\""));
        frmGestionPieces f(nullptr);
        f.cboPieces->setCurrentIndex(1);
        f.lstPieces->setCurrentRow(1);
        const QStringList avant = Textes(f.lstPieces);

        f.txtNomPiece->setText(saisie);
        f.cmdAjouterPiece_Click();

        QCOMPARE(f.txtNomPiece->text(), saisie);  // the field keeps what was typed
        if (doublon) {
            QCOMPARE(Messages().size(), 1);
            QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Cette pièce est déjà entrée"));
            QCOMPARE(Toolkit::Test::DernierMessage().titre, Toolkit::kTitreApplication);
            QCOMPARE(Toolkit::Test::DernierMessage().icone, Toolkit::Icone::Aucune);
            QCOMPARE(Toolkit::Test::DernierMessage().boutons, Toolkit::Boutons::OK);
            // Nothing else changes: no refill, the choices stay.
            QCOMPARE(f.cboPieces->currentIndex(), 1);
            QCOMPARE(f.lstPieces->currentRow(), 1);
            QCOMPARE(base.Compter(QStringLiteral("Piece")), 2);
            return;
        }
        QVERIFY(Messages().isEmpty());
        QStringList attendu = avant;
        if (!ajoutee.isEmpty()) attendu << ajoutee;
        QCOMPARE(base.Compter(QStringLiteral("Piece")), attendu.size());
        QCOMPARE(base.Compter(QStringLiteral("Piece"), QStringLiteral("NomPiece = NomPieceMaj")), 0);  // folded names filled
        QCOMPARE(Textes(f.lstPieces), attendu);
        QCOMPARE(Textes(f.cboPieces), attendu);
        // The lists were refilled (also for a blank name): first play chosen again, nothing picked on the left.
        QCOMPARE(f.cboPieces->currentIndex(), 0);
        QVERIFY(f.lstPieces->selectedItems().isEmpty());
        if (!ajoutee.isEmpty()) {
            QCOMPARE(base.Valeur(QStringLiteral("SELECT NomPieceMaj FROM Piece WHERE NomPiece = ?"), {ajoutee}).toString(),
                     ajoutee.toUpper());
            // The stored name is refused in turn, in other case.
            f.txtNomPiece->setText(ajoutee.toLower());
            f.cmdAjouterPiece_Click();
            QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Cette pièce est déjà entrée"));
            QCOMPARE(base.Compter(QStringLiteral("Piece")), attendu.size());
        }
    }

    void ajouterPieceRangeeSansNomMajuscule() {
        // A row added with the report tool carries no folded name: the duplicate test still sees it.
        TestSupport::BaseTest base;
        modBD::Executer(QStringLiteral("INSERT INTO Piece (NomPiece) VALUES ('Éléphant')"));
        frmGestionPieces f(nullptr);
        f.txtNomPiece->setText(QStringLiteral("ÉLÉPHANT"));
        f.cmdAjouterPiece_Click();
        QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Cette pièce est déjà entrée"));
        QCOMPARE(base.Compter(QStringLiteral("Piece")), 1);
    }

    // Names changed by another program: the duplicate test and the play lookup follow the names
    // as they are now, not the folded copies written when the rows were added.
    void nomsChangesAilleurs() {
        {
            TestSupport::BaseTest base;
            const qint64 hamlet = base.AjouterPiece(QStringLiteral("Hamlet"));
            base.ExecuterAilleurs(QStringLiteral("UPDATE Piece SET NomPiece = 'Othello' WHERE NoPiece = ?"), {hamlet});
            frmGestionPieces f(nullptr);
            f.txtNomPiece->setText(QStringLiteral("OTHELLO"));
            f.cmdAjouterPiece_Click();
            QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Cette pièce est déjà entrée"));
            QCOMPARE(base.Compter(QStringLiteral("Piece")), 1);
            const int avis = int(Messages().size());
            f.txtNomPiece->setText(QStringLiteral("Hamlet"));
            f.cmdAjouterPiece_Click();
            QCOMPARE(int(Messages().size()), avis);
            QCOMPARE(Textes(f.lstPieces), QStringList({"Othello", "Hamlet"}));
            // The stale folded copy was mended in the same write.
            QCOMPARE(base.Valeur(QStringLiteral("SELECT NomPieceMaj FROM Piece WHERE NoPiece = ?"), {hamlet}).toString(),
                     QStringLiteral("OTHELLO"));
        }
        {
            TestSupport::BaseTest base;
            const qint64 hamlet = base.AjouterPiece(QStringLiteral("Hamlet"));
            const qint64 lear = base.AjouterPiece(QStringLiteral("Lear"));
            base.ExecuterAilleurs(QStringLiteral("UPDATE Piece SET NomPiece = 'Othello' WHERE NoPiece = ?"), {hamlet});
            base.ExecuterAilleurs(QStringLiteral("UPDATE Piece SET NomPiece = 'Hamlet' WHERE NoPiece = ?"), {lear});
            frmGestionPieces f(nullptr);
            f.cboPieces->setCurrentIndex(1);
            QCOMPARE(f.cboPieces->currentText(), QStringLiteral("Hamlet"));
            f.DPDateRepresentation->setDate(QDate(2026, 9, 1));
            f.cmdAjouterRepresentation_Click();
            QVERIFY(Messages().isEmpty());
            QCOMPARE(base.Valeur(QStringLiteral("SELECT NoPiece FROM Representation")).toLongLong(), lear);
            QCOMPARE(Textes(f.lstRepresentations), QStringList({"2026-09-01"}));
            f.txtNomPiece->setText(QStringLiteral("hamlet"));
            f.cmdAjouterPiece_Click();
            QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Cette pièce est déjà entrée"));
            f.txtNomPiece->setText(QStringLiteral("LEAR"));
            f.cmdAjouterPiece_Click();
            QCOMPARE(base.Compter(QStringLiteral("Piece")), 3);
        }
    }

    void ajouterRepresentation() {
        TestSupport::BaseTest base;
        const qint64 a = base.AjouterPiece(QStringLiteral("Antigone"));
        const qint64 b = base.AjouterPiece(QStringLiteral("Britannicus"));
        base.AjouterRepresentation(a, QStringLiteral("2026-05-01"));
        frmGestionPieces f(nullptr);

        // The same date for another play is accepted; the chosen play stays chosen.
        f.cboPieces->setCurrentIndex(1);
        f.cmdAjouterRepresentation_Click();
        QVERIFY(Messages().isEmpty());
        QCOMPARE(f.cboPieces->currentIndex(), 1);
        QCOMPARE(Textes(f.lstRepresentations), QStringList({"2026-05-01"}));
        QCOMPARE(base.Compter(QStringLiteral("Representation"), QStringLiteral("NoPiece = %1").arg(b)), 1);

        // Twice for one play is refused.
        f.cmdAjouterRepresentation_Click();
        QCOMPARE(Messages().size(), 1);
        QCOMPARE(Toolkit::Test::DernierMessage().texte, QStringLiteral("Cette date de représentation existe déjà pour cette pièce"));
        QCOMPARE(Toolkit::Test::DernierMessage().icone, Toolkit::Icone::Aucune);
        QCOMPARE(base.Compter(QStringLiteral("Representation")), 2);

        // A past date is fine; the new date is listed after the others, first entry selected.
        f.DPDateRepresentation->setDate(QDate(1999, 12, 31));
        f.cmdAjouterRepresentation_Click();
        QCOMPARE(Messages().size(), 1);
        QCOMPARE(Textes(f.lstRepresentations), QStringList({"2026-05-01", "1999-12-31"}));
        QCOMPARE(f.lstRepresentations->currentRow(), 0);
        QCOMPARE(base.Valeur(QStringLiteral("SELECT DateRepresentation FROM Representation WHERE NoPiece = ? ORDER BY NoRepresentation DESC"),
                             {b}).toString(),
                 QStringLiteral("1999-12-31"));
    }

    void ajouterRepresentationPieceDisparue() {
        TestSupport::BaseTest base;
        base.AjouterPiece(QStringLiteral("Antigone"));
        const qint64 b = base.AjouterPiece(QStringLiteral("Bérénice"));
        frmGestionPieces f(nullptr);
        f.cboPieces->setCurrentIndex(1);
        modBD::Executer(QStringLiteral("DELETE FROM Piece WHERE NoPiece = ?"), {b});  // deleted from elsewhere
        f.cmdAjouterRepresentation_Click();
        QCOMPARE(Messages().size(), 1);
        QVERIFY(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("Bérénice")));
        QCOMPARE(base.Compter(QStringLiteral("Representation")), 0);
        QCOMPARE(Textes(f.cboPieces), QStringList({"Antigone"}));
    }

    void supprimerPiece_data() {
        QTest::addColumn<int>("ligne");  // -1: nothing selected
        QTest::addColumn<bool>("oui");
        QTest::addColumn<QStringList>("restantes");
        QTest::newRow("oui") << 1 << true << QStringList({"Antigone", "Le \"Cid\" d'hier"});
        QTest::newRow("non") << 1 << false << QStringList({"Antigone", "Bérénice", "Le \"Cid\" d'hier"});
        QTest::newRow("guillemets des deux sortes") << 2 << true << QStringList({"Antigone", "Bérénice"});
        QTest::newRow("rien de choisi") << -1 << true << QStringList({"Antigone", "Bérénice", "Le \"Cid\" d'hier"});
    }
    void supprimerPiece() {
        QFETCH(int, ligne);
        QFETCH(bool, oui);
        QFETCH(QStringList, restantes);
        TestSupport::BaseTest base;
        base.AjouterPiece(QStringLiteral("Antigone"));
        const qint64 b = base.AjouterPiece(QStringLiteral("Bérénice"));
        base.AjouterPiece(QStringLiteral("Le \"Cid\" d'hier"));
        base.AjouterRepresentation(b, QStringLiteral("2026-06-01"));
        frmGestionPieces f(nullptr);
        f.cboPieces->setCurrentIndex(1);
        f.lstPieces->setCurrentRow(ligne);
        if (ligne < 0) f.lstPieces->clearSelection();
        const QString choisie = ligne >= 0 ? f.lstPieces->item(ligne)->text() : QString();

        Toolkit::Test::RepondreProchain(oui ? Reponse::Oui : Reponse::Non);
        f.mnuSupprimerPiece_Click();

        if (ligne < 0) {
            QVERIFY(Messages().isEmpty());
        } else {
            QCOMPARE(Messages().size(), 1);
            const Toolkit::Message m = Messages().first();
            QCOMPARE(m.texte, QStringLiteral("Êtes-vous sur de vouloir effacer la pièce %1?").arg(choisie));
            QCOMPARE(m.titre, QStringLiteral("Effacement"));
            QCOMPARE(m.icone, Toolkit::Icone::Question);
            QCOMPARE(m.boutons, Toolkit::Boutons::OuiNon);
            QCOMPARE(m.defaut, Reponse::Non);
        }
        QCOMPARE(Textes(f.lstPieces), restantes);
        QCOMPARE(Textes(f.cboPieces), restantes);
        QCOMPARE(base.Compter(QStringLiteral("Piece")), restantes.size());
        // Lists refilled in every case: the first play is chosen again.
        QCOMPARE(f.cboPieces->currentIndex(), 0);
        // Only the play's row goes: its performance stays stored.
        QCOMPARE(base.Compter(QStringLiteral("Representation")), 1);
    }

    void supprimerPieceNonPuisDoublonStocke() {
        // Two stored rows of the same name (made outside the program): each is offered in turn.
        TestSupport::BaseTest base;
        const qint64 premier = base.AjouterPiece(QStringLiteral("Phèdre"));
        const qint64 second = base.AjouterPiece(QStringLiteral("Phèdre"));
        frmGestionPieces f(nullptr);
        f.lstPieces->setCurrentRow(1);
        Toolkit::Test::RepondreProchain(Reponse::Non);
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.mnuSupprimerPiece_Click();
        QCOMPARE(Messages().size(), 2);
        QCOMPARE(base.Compter(QStringLiteral("Piece"), QStringLiteral("NoPiece = %1").arg(premier)), 1);
        QCOMPARE(base.Compter(QStringLiteral("Piece"), QStringLiteral("NoPiece = %1").arg(second)), 0);
    }

    void supprimerDernierePiece() {
        TestSupport::BaseTest base;
        const qint64 a = base.AjouterPiece(QStringLiteral("Antigone"));
        base.AjouterRepresentation(a, QStringLiteral("2026-06-01"));
        frmGestionPieces f(nullptr);
        QCOMPARE(f.lstRepresentations->count(), 1);
        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.mnuSupprimerPiece_Click();
        QCOMPARE(f.cboPieces->count(), 0);
        // No date is left standing for a play that is no longer listed.
        QCOMPARE(f.lstRepresentations->count(), 0);
        // A new play gets a new number: it does not inherit the old one's performance.
        f.txtNomPiece->setText(QStringLiteral("Bérénice"));
        f.cmdAjouterPiece_Click();
        QCOMPARE(f.lstRepresentations->count(), 0);
        QVERIFY(base.Valeur(QStringLiteral("SELECT NoPiece FROM Piece")).toLongLong() != a);
    }

    void supprimerRepresentation_data() {
        QTest::addColumn<bool>("oui");
        QTest::addColumn<bool>("choisie");
        QTest::newRow("oui") << true << true;
        QTest::newRow("non") << false << true;
        QTest::newRow("rien de choisi") << true << false;
    }
    void supprimerRepresentation() {
        QFETCH(bool, oui);
        QFETCH(bool, choisie);
        TestSupport::BaseTest base;
        const qint64 a = base.AjouterPiece(QStringLiteral("Antigone"));
        const qint64 b = base.AjouterPiece(QStringLiteral("Britannicus"));
        base.AjouterRepresentation(a, QStringLiteral("2026-06-01"));
        base.AjouterRepresentation(b, QStringLiteral("2026-05-20"));
        const qint64 visee = base.AjouterRepresentation(b, QStringLiteral("2026-06-01"));
        frmGestionPieces f(nullptr);
        f.cboPieces->setCurrentIndex(1);
        f.lstRepresentations->setCurrentRow(1);
        if (!choisie) f.lstRepresentations->clearSelection();

        Toolkit::Test::RepondreProchain(oui ? Reponse::Oui : Reponse::Non);
        f.mnuSupprimerRepresentation_Click();

        if (choisie) {
            QCOMPARE(Messages().size(), 1);
            const Toolkit::Message m = Messages().first();
            QCOMPARE(m.texte, QStringLiteral("Êtes-vous sur de vouloir effacer la pièce 2026-06-01?"));
            QCOMPARE(m.titre, QStringLiteral("Effacement"));
            QCOMPARE(m.icone, Toolkit::Icone::Question);
            QCOMPARE(m.defaut, Reponse::Non);
        } else {
            QVERIFY(Messages().isEmpty());
        }
        const bool effacee = oui && choisie;
        QCOMPARE(base.Compter(QStringLiteral("Representation"), QStringLiteral("NoRepresentation = %1").arg(visee)), effacee ? 0 : 1);
        // The other play's performance on the same date stays.
        QCOMPARE(base.Compter(QStringLiteral("Representation"), QStringLiteral("NoPiece = %1").arg(a)), 1);
        QCOMPARE(base.Compter(QStringLiteral("Representation")), effacee ? 2 : 3);
        // The lists are refilled: the first play and its performances show again.
        QCOMPARE(f.cboPieces->currentIndex(), 0);
        QCOMPARE(Textes(f.lstRepresentations), QStringList({"2026-06-01"}));
        f.cboPieces->setCurrentIndex(1);
        QCOMPARE(Textes(f.lstRepresentations),
                 effacee ? QStringList({"2026-05-20"}) : QStringList({"2026-05-20", "2026-06-01"}));
    }

    void ecritureRefusee() {
        TestSupport::BaseTest base;
        const qint64 a = base.AjouterPiece(QStringLiteral("Antigone"));
        base.AjouterRepresentation(a, QStringLiteral("2026-06-01"));
        frmGestionPieces f(nullptr);
        TestSupport::RefuserEcritures(true);  // as a read-only file behaves

        f.txtNomPiece->setText(QStringLiteral("Bérénice"));
        f.cmdAjouterPiece_Click();
        const Toolkit::Message m = Toolkit::Test::DernierMessage();
        QCOMPARE(m.titre, QStringLiteral("Erreur"));
        QVERIFY(m.texte.startsWith(QStringLiteral("La pièce n'a pas été ajoutée.")));
        QVERIFY(m.texte.contains(QStringLiteral("lecture seule")));
        QCOMPARE(f.txtNomPiece->text(), QStringLiteral("Bérénice"));
        QCOMPARE(Textes(f.lstPieces), QStringList({"Antigone"}));

        Toolkit::Test::RepondreProchain(Reponse::Oui);
        f.mnuSupprimerRepresentation_Click();
        QCOMPARE(Messages().size(), 3);  // the question, then the refusal
        QVERIFY(Toolkit::Test::DernierMessage().texte.startsWith(QStringLiteral("La représentation n'a pas été effacée.")));
        QCOMPARE(Textes(f.lstRepresentations), QStringList({"2026-06-01"}));
        TestSupport::RefuserEcritures(false);
        QCOMPARE(base.Compter(QStringLiteral("Piece")), 1);
        QCOMPARE(base.Compter(QStringLiteral("Representation")), 1);
    }

    void baseVerrouillee() {
        // The report tool holds the write lock: the clerk is told, nothing is half-written.
        TestSupport::BaseTest base;
        base.AjouterPiece(QStringLiteral("Antigone"));
        frmGestionPieces f(nullptr);
        {
            TestSupport::VerrouAutreProgramme verrou(base, false);
            f.txtNomPiece->setText(QStringLiteral("Bérénice"));
            f.cmdAjouterPiece_Click();
            QCOMPARE(Messages().size(), 1);
            QVERIFY(Toolkit::Test::DernierMessage().texte.contains(QStringLiteral("occupée")));
            QCOMPARE(Textes(f.lstPieces), QStringList({"Antigone"}));
        }
        f.cmdAjouterPiece_Click();  // once the lock is gone the same click works
        QCOMPARE(Messages().size(), 1);
        QCOMPARE(Textes(f.lstPieces), QStringList({"Antigone", "Bérénice"}));
    }

    void menusContextuels() {
        TestSupport::BaseTest base;
        base.AjouterPiece(QStringLiteral("Antigone"));
        base.AjouterPiece(QStringLiteral("Bérénice"));
        frmGestionPieces f(nullptr);
        f.show();
        QCOMPARE(f.mnuPopupPiece->title(), QStringLiteral("Popup1"));
        QCOMPARE(f.mnuPopupRepresentation->title(), QStringLiteral("Popup2"));
        QCOMPARE(f.mnuSupprimerPiece->text(), QStringLiteral("Supprimer"));
        QCOMPARE(f.mnuSupprimerRepresentation->text(), QStringLiteral("Supprimer"));

        f.lstPieces_MouseUp(Qt::LeftButton);
        QVERIFY(!f.mnuPopupPiece->isVisible());
        // A right click over the second entry leaves the first one selected and opens the menu.
        QListWidget* l = f.lstPieces;
        const QPoint sur = l->visualItemRect(l->item(1)).center();
        QTest::mouseClick(l->viewport(), Qt::RightButton, Qt::NoModifier, sur);
        QVERIFY(f.mnuPopupPiece->isVisible());
        QCOMPARE(Toolkit::TexteSelectionne(l), QStringLiteral("Antigone"));
        f.mnuPopupPiece->hide();

        f.lstRepresentations_MouseUp(Qt::RightButton);
        QVERIFY(f.mnuPopupRepresentation->isVisible());
        f.mnuPopupRepresentation->hide();
    }

    void ouvertureParLeMenu() {
        TestSupport::BaseTest base;
        base.AjouterPiece(QStringLiteral("Antigone"));
        base.AjouterPiece(QStringLiteral("Bérénice"));
        frmMain principal;
        QVERIFY(principal.FenetrePieces() == nullptr);
        principal.mnuGestionPieces_Click();
        QPointer<frmGestionPieces> f = principal.FenetrePieces();
        QVERIFY(f);
        QVERIFY(f->isVisible());
        f->lstPieces->setCurrentRow(1);
        f->txtNomPiece->setText(QStringLiteral("en cours"));
        base.AjouterPiece(QStringLiteral("Cinna"));

        // A second click brings the same window forward without loading it again.
        principal.mnuGestionPieces_Click();
        QCOMPARE(principal.FenetrePieces(), f.data());
        QCOMPARE(Textes(f->lstPieces), QStringList({"Antigone", "Bérénice"}));
        QCOMPARE(f->lstPieces->currentRow(), 1);
        QCOMPARE(f->txtNomPiece->text(), QStringLiteral("en cours"));

        // "Fermer" unloads it; the next opening loads it anew.
        f->cmdFermer_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f);
        QVERIFY(principal.FenetrePieces() == nullptr);
        principal.mnuGestionPieces_Click();
        QCOMPARE(Textes(principal.FenetrePieces()->lstPieces), QStringList({"Antigone", "Bérénice", "Cinna"}));
        QVERIFY(principal.FenetrePieces()->txtNomPiece->text().isEmpty());
        principal.FenetrePieces()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void presentation() {
        TestSupport::BaseTest base;
        const qint64 a = base.AjouterPiece(QStringLiteral("Le Malade imaginaire"));
        base.AjouterPiece(QStringLiteral("Les \"Précieuses\" ridicules"));
        base.AjouterPiece(QStringLiteral("L'École des femmes"));
        base.AjouterRepresentation(a, QStringLiteral("2026-05-15"));
        base.AjouterRepresentation(a, QStringLiteral("2026-05-16"));
        frmGestionPieces f(nullptr);
        QCOMPARE(f.windowTitle(), QStringLiteral("Gestion des pièces et des représentations"));
        QCOMPARE(f.accessibleName(), f.windowTitle());
        QCOMPARE(f.size(), QSize(Toolkit::Tw(7215), Toolkit::Tw(4305)));
        QCOMPARE(f.minimumSize(), f.maximumSize());
        QVERIFY(!(f.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!f.cboPieces->isEditable());
        QCOMPARE(f.Label5->buddy(), f.cboPieces);
        QCOMPARE(f.cboPieces->parentWidget(), f.Frame2);
        QCOMPARE(f.lstPieces->parentWidget(), f.Frame1);
        QCOMPARE(OrdreTabulation({f.txtNomPiece, f.cmdAjouterPiece, f.lstPieces, f.cboPieces, f.DPDateRepresentation,
                                  f.cmdAjouterRepresentation, f.lstRepresentations, f.cmdFermer}),
                 QString());
        // Every caption fits its label.
        for (QLabel* l : {f.Label1, f.Label2, f.Label3, f.Label4, f.Label5})
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
        QVERIFY(QFileInfo::exists(TestSupport::Rendre(&f, QStringLiteral("frmGestionPieces"))));
    }
};

QTEST_MAIN(TestFrmGestionPieces)
#include "tst_frmGestionPieces.moc"
